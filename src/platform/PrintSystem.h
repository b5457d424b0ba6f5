#pragma once
// The printing system: its print queues and job submission.
//
// The program asks the registered print system; without one it is CUPS
// (libcups), reached at the server CUPS itself chooses (the CUPS_SERVER
// environment variable, the client configuration, else the local
// scheduler). Each operation opens its own connection and closes it, so a
// scheduler that restarts is simply met again. Tests register a fake or point
// CUPS_SERVER at a scheduler of their own.
//
// A queue is known by its name, which is also its identifier.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <optional>

struct PrintQueue {
    enum class State { Idle = 3, Processing = 4, Stopped = 5 };

    QString name;
    // The queue's make-and-model text; null when the system gives none.
    QString makeAndModel;
    State state = State::Idle;
    bool acceptingJobs = true;
};

// The document formats the program submits.
inline const QString PrintDocumentFormatRaw = QStringLiteral("application/vnd.cups-raw");
inline const QString PrintDocumentFormatPDF = QStringLiteral("application/pdf");

class PrintSystem
{
public:
    virtual ~PrintSystem() = default;

    // Every local queue in the system's order; nothing (and an error text)
    // when the system can't be asked.
    virtual std::optional<QList<PrintQueue>> queues(QString *error = nullptr) = 0;
    // The queue of that name, or nothing when there is none.
    virtual std::optional<PrintQueue> queue(const QString &name) = 0;
    // The name of the default queue; empty when there is none.
    virtual QString defaultQueueName() = 0;

    // Submits one document to the queue as one job with that title, in the
    // document format, with the options (name to text, number or bool).
    // Answers the job's id (above 0), or 0 and an error text when the queue is
    // missing or the job was refused; the data is then not printed.
    virtual int submitJob(const QString &queueName, const QByteArray &document, const QString &documentFormat,
                          const QString &jobTitle, const QVariantMap &options, QString *error = nullptr) = 0;
};

// Registers the print system (nullptr brings back CUPS).
void setPrintSystem(std::shared_ptr<PrintSystem> system);
std::shared_ptr<PrintSystem> printSystem();

// The CUPS print system (also what printSystem() answers by default).
std::shared_ptr<PrintSystem> cupsPrintSystem();
