#pragma once
// A pseudo-terminal pair for the serial-route tests.
#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

namespace tolvane::test {

// A pseudo-terminal: the program writes to the slave's path, the test reads
// the master. The test keeps the slave open too, so the terminal keeps its
// default line settings until the writer changes them.
class PtyPair
{
public:
    PtyPair()
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
            return;
        m_slavePath = QString::fromLocal8Bit(ptsname(m_master));
        m_slave = ::open(ptsname(m_master), O_RDWR | O_NOCTTY);
    }
    ~PtyPair()
    {
        if (m_slave >= 0)
            ::close(m_slave);
        if (m_master >= 0)
            ::close(m_master);
    }
    bool isValid() const { return m_master >= 0 && m_slave >= 0; }
    QString slavePath() const { return m_slavePath; }

    // Everything the master can read within the wait.
    QByteArray read(int expected, int waitMs = 5000)
    {
        QByteArray got;
        const qint64 deadline = QDateTime::currentMSecsSinceEpoch() + waitMs;
        while (got.size() < expected && QDateTime::currentMSecsSinceEpoch() < deadline) {
            pollfd readable{m_master, POLLIN, 0};
            if (::poll(&readable, 1, 100) <= 0)
                continue;
            char buffer[4096];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0)
                got.append(buffer, n);
        }
        // Anything more that is already there (a doubled stream, CR LF).
        pollfd readable{m_master, POLLIN, 0};
        while (::poll(&readable, 1, 200) > 0) {
            char buffer[4096];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n <= 0)
                break;
            got.append(buffer, n);
        }
        return got;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};

} // namespace tolvane::test
