#pragma once
// The demo's printer: a private CUPS scheduler (the one the print tests
// start, tests/printing/PrivateCupsd) with one queue, "Tolvane_PDF", made
// the scheduler's default. Its device is a loopback listener of this
// program; the PDF of every job it receives is written into a folder as
// "job-1.pdf", "job-2.pdf", ... The program started by the stand-ins reaches
// the scheduler through CUPS_SERVER (serverSocket()).
#include <QString>

#include <memory>

class StandInPrinter
{
public:
    StandInPrinter();
    ~StandInPrinter();
    StandInPrinter(const StandInPrinter &) = delete;
    StandInPrinter &operator=(const StandInPrinter &) = delete;

    // Starts the scheduler and the queue that writes into the folder; false
    // and the reason when that fails (no cupsd installed, for one).
    bool start(const QString &folder, QString *error);
    // The scheduler's unix socket, the value of CUPS_SERVER.
    QString serverSocket() const;
    static QString queueName();

private:
    struct Parts;
    std::unique_ptr<Parts> m;
};
