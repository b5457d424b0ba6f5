#include "StandInPrinter.h"

#include "PrivateCupsd.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTimer>

struct StandInPrinter::Parts {
    LoopbackPrinter device;
    PrivateCupsd scheduler;
    QTimer collector;
    qsizetype written = 0;
    QString folder;

    // Writes the jobs that arrived since the last look.
    void collect()
    {
        const QList<QByteArray> jobs = device.received();
        for (; written < jobs.size(); ++written) {
            QFile file(QDir(folder).filePath(QStringLiteral("job-%1.pdf").arg(written + 1)));
            if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                file.write(jobs[written]);
        }
    }
};

StandInPrinter::StandInPrinter() : m(std::make_unique<Parts>()) {}

StandInPrinter::~StandInPrinter() { m->collect(); }

QString StandInPrinter::queueName() { return QStringLiteral("Tolvane_PDF"); }

QString StandInPrinter::serverSocket() const { return m->scheduler.socketPath(); }

bool StandInPrinter::start(const QString &folder, QString *error)
{
    m->folder = folder;
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot make the folder %1").arg(folder);
        return false;
    }
    if (!m->device.isListening()) {
        *error = QStringLiteral("the queue's loopback device could not listen");
        return false;
    }
    if (!m->scheduler.start(error) ||
        !m->scheduler.addQueue(queueName(), QStringLiteral("Tolvane PDF Folder"),
                               QStringLiteral("socket://127.0.0.1:%1").arg(m->device.port()), error))
        return false;
    QProcess lpadmin;
    lpadmin.setProcessChannelMode(QProcess::MergedChannels);
    lpadmin.start(QStringLiteral("/usr/sbin/lpadmin"),
                  {QStringLiteral("-h"), serverSocket(), QStringLiteral("-d"), queueName()});
    if (!lpadmin.waitForFinished(20000) || lpadmin.exitStatus() != QProcess::NormalExit || lpadmin.exitCode() != 0) {
        *error = QStringLiteral("lpadmin could not make the queue the default: ") +
            QString::fromLocal8Bit(lpadmin.readAll());
        return false;
    }
    QObject::connect(&m->collector, &QTimer::timeout, [parts = m.get()] { parts->collect(); });
    m->collector.start(500);
    return true;
}
