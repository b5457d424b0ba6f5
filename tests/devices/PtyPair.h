#pragma once
// A pseudo-terminal pair for the serial tests, both ends raw: the slave's
// path stands in for a serial port's device, the master plays the device
// (the scale) at the other end of the line. The test keeps a descriptor of
// the slave open too, so that the line's settings can be read back.
#include <QByteArray>
#include <QString>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace tolvane::test {

class PtyPair
{
public:
    PtyPair()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            return;
        char name[128] = {};
        if (::ptsname_r(m_master, name, sizeof name) != 0)
            return;
        m_path = QString::fromLocal8Bit(name);
        makeRaw(m_master);
        m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_slave >= 0)
            makeRaw(m_slave);
    }
    ~PtyPair()
    {
        closeMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool ok() const { return m_master >= 0 && m_slave >= 0 && !m_path.isEmpty(); }
    QString path() const { return m_path; }
    int master() const { return m_master; }

    // The line's settings as they are now.
    termios lineSettings() const
    {
        termios t{};
        ::tcgetattr(m_slave, &t);
        return t;
    }

    speed_t lineSpeed() const
    {
        const termios t = lineSettings();
        return ::cfgetospeed(&t);
    }

    // Writes the bytes as the device would send them.
    bool send(const QByteArray &bytes) const
    {
        return ::write(m_master, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }

    // The device goes away (as a pulled adapter): the slave side hangs up.
    void closeMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    static void makeRaw(int fd)
    {
        termios t{};
        if (::tcgetattr(fd, &t) == 0) {
            ::cfmakeraw(&t);
            ::tcsetattr(fd, TCSANOW, &t);
        }
    }

    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};

} // namespace tolvane::test
