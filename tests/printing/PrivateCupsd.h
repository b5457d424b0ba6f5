#pragma once
// A CUPS scheduler of the test's own: its own folder, a unix socket there as
// its only listener, job history kept, every operation allowed. Queues are
// added with lpadmin and a small PPD that names the make and model; their
// device is a socket:// URI to a LoopbackPrinter, a listener on 127.0.0.1
// that keeps the bytes of every connection. The scheduler starts within a
// bounded wait and is stopped (and its folder removed) by the destructor;
// each test process has its own folder and ports, so test processes can run
// side by side.
#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QVariantMap>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

class LoopbackPrinter
{
public:
    LoopbackPrinter();
    ~LoopbackPrinter();
    LoopbackPrinter(const LoopbackPrinter &) = delete;
    LoopbackPrinter &operator=(const LoopbackPrinter &) = delete;

    bool isListening() const { return m_socket >= 0; }
    int port() const { return m_port; }
    // The bytes of each finished connection, in order.
    QList<QByteArray> received() const;
    // Waits (bounded) until that many connections have finished.
    bool waitForJobs(int count, int timeoutMs = 30000) const;

private:
    void run();

    int m_socket = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    QList<QByteArray> m_received;
    std::thread m_thread;
};

class PrivateCupsd
{
public:
    PrivateCupsd();
    ~PrivateCupsd();
    PrivateCupsd(const PrivateCupsd &) = delete;
    PrivateCupsd &operator=(const PrivateCupsd &) = delete;

    // Starts the scheduler and points this process's CUPS client at it;
    // false and an error text when it doesn't answer within the wait.
    bool start(QString *error);
    QString socketPath() const;

    // Adds an enabled queue whose PPD gives the make and model, printing to
    // the device URI.
    bool addQueue(const QString &name, const QString &makeAndModel, const QString &deviceUri, QString *error);
    // The job's attributes as texts (Get-Job-Attributes).
    QVariantMap jobAttributes(int jobId);
    // Waits (bounded) until the job is completed; false when it ended
    // otherwise or took too long.
    bool waitForCompletion(int jobId, int timeoutMs = 30000);

private:
    QString path(const QString &name) const;

    QTemporaryDir m_dir;
    QProcess m_process;
    QByteArray m_previousServer;
    bool m_hadServer = false;
};
