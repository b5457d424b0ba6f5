// The application binary: it names itself with its version, starts and
// holds the single-instance name, quits in order when asked to stop, and
// ends with a failure status when its country file cannot be loaded.
#include "platform/Bundle.h"
#include "platform/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>

#include <sys/stat.h>

namespace {

// A process of the program in folders of its own (support, settings,
// runtime), without a display.
class ProgramRun
{
public:
    ProgramRun()
    {
        for (const char *folder : {"support", "config/Tolvane", "runtime"})
            QDir(m_root.path()).mkpath(QLatin1String(folder));
        ::chmod(QFile::encodeName(path(QStringLiteral("runtime"))).constData(), 0700);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TOLVANE_SUPPORT_DIR"), path(QStringLiteral("support")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("runtime")));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_process.setProcessEnvironment(environment);
    }
    ~ProgramRun()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    QString path(const QString &name) const { return QDir(m_root.path()).filePath(name); }
    void writeFile(const QString &name, const QByteArray &content)
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QProcess &process() { return m_process; }
    void start() { m_process.start(QStringLiteral(TOLVANE_BINARY_DIR "/src/app/tolvane"), {}); }

private:
    QTemporaryDir m_root;
    QProcess m_process;
};

} // namespace

TEST(ApplicationStart, UnreadableCountryFileEndsWithFailureStatusAfterItsText)
{
    ProgramRun run;
    run.writeFile(QStringLiteral("support/country2013.dat"), "not a country file\n");
    run.start();
    ASSERT_TRUE(run.process().waitForFinished(30000));
    EXPECT_EQ(run.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.process().exitCode(), 1);
    const QString out = QString::fromUtf8(run.process().readAllStandardOutput());
    EXPECT_TRUE(out.startsWith(QStringLiteral("Tolvane for Mac "))) << out.toStdString();
    const QString err = QString::fromUtf8(run.process().readAllStandardError());
    EXPECT_TRUE(err.contains(QStringLiteral("QVXController: couldn't load the %1 file")
                                 .arg(run.path(QStringLiteral("support/country2013.dat")))))
        << err.toStdString();
}

TEST(ApplicationStart, StartsAndHoldsTheSingleInstanceName)
{
    ProgramRun run;
    // The address-correction host (the label server's): the loopback address
    // is always reachable.
    run.writeFile(QStringLiteral("config/Tolvane/Tolvane.ini"), "[General]\nlabelServiceServer=string:127.0.0.1\n");
    run.start();
    ASSERT_TRUE(run.process().waitForStarted(10000));
    const QString socket = QDir(run.path(QStringLiteral("runtime"))).filePath(QVSingleInstanceName);
    for (int i = 0; i < 300 && !QFileInfo::exists(socket) && run.process().state() == QProcess::Running; ++i)
        QThread::msleep(50);
    EXPECT_TRUE(QFileInfo::exists(socket));
    // It runs on (nothing stopped the launch).
    EXPECT_FALSE(run.process().waitForFinished(1500));
    EXPECT_EQ(run.process().state(), QProcess::Running);
    const QString err = QString::fromUtf8(run.process().readAllStandardError());
    EXPECT_FALSE(err.contains(QStringLiteral("couldn't load"))) << err.toStdString();

    // Asked to stop, it quits in order: the build of this run is stored and
    // the socket is gone.
    ::kill(pid_t(run.process().processId()), SIGTERM);
    ASSERT_TRUE(run.process().waitForFinished(10000));
    EXPECT_EQ(run.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.process().exitCode(), 0);
    QFile settings(run.path(QStringLiteral("config/Tolvane/Tolvane.ini")));
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_TRUE(settings.readAll().contains("lastRun=string:" + Bundle::bundleVersion().toLatin1()));
    EXPECT_FALSE(QFileInfo::exists(socket));
}
