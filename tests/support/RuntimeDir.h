#pragma once
// The user's runtime folder in tests: RuntimeDirScope points XDG_RUNTIME_DIR
// at a private temporary folder for its lifetime; leaveStaleSocket() makes a
// socket file that nobody listens on, as a copy of the program that crashed
// leaves it.
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace tolvane::test {

class RuntimeDirScope
{
public:
    RuntimeDirScope() : m_old(qgetenv("XDG_RUNTIME_DIR"))
    {
        ::chmod(QFile::encodeName(m_dir.path()).constData(), 0700);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir.path()));
    }
    ~RuntimeDirScope()
    {
        if (m_old.isNull())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", m_old);
    }
    RuntimeDirScope(const RuntimeDirScope &) = delete;
    RuntimeDirScope &operator=(const RuntimeDirScope &) = delete;
    QString path() const { return m_dir.path(); }

private:
    QByteArray m_old;
    QTemporaryDir m_dir;
};

// True when the socket file was made.
inline bool leaveStaleSocket(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    std::strncpy(address.sun_path, encoded.constData(), sizeof(address.sun_path) - 1);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound;
}

} // namespace tolvane::test
