#include "platform/SerialWriter.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString systemError(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

// Raw output on a terminal: no CR insertion, no character mapping, 8 bits.
bool makeRaw(int fd, QString *error)
{
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        // Not a terminal (a printer's character device): nothing to set.
        if (errno == ENOTTY || errno == EINVAL)
            return true;
        *error = systemError(errno);
        return false;
    }
    const speed_t input = cfgetispeed(&settings);
    const speed_t output = cfgetospeed(&settings);
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL;
    cfsetispeed(&settings, input);
    cfsetospeed(&settings, output);
    if (tcsetattr(fd, TCSANOW, &settings) != 0) {
        *error = systemError(errno);
        return false;
    }
    return true;
}

} // namespace

SerialWriteResult writeToSerialDevice(const QString &path, const QByteArray &data)
{
    SerialWriteResult result;
    const QByteArray encoded = QFile::encodeName(path);
    int fd;
    do {
        fd = ::open(encoded.constData(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    result.openResult = fd;
    if (fd < 0) {
        result.status = SerialWriteResult::Status::OpenFailed;
        result.errorText = systemError(errno);
        return result;
    }
    QString error;
    if (!makeRaw(fd, &error)) {
        ::close(fd);
        result.errorText = error;
        return result;
    }
    // Opened without waiting for the carrier; the writes themselves block.
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0)
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    const char *bytes = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, bytes, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN) {
                pollfd waiting{fd, POLLOUT, 0};
                ::poll(&waiting, 1, 1000);
                continue;
            }
            result.errorText = systemError(errno);
            break;
        }
        if (written == 0) {
            result.errorText = QStringLiteral("The device took no more bytes.");
            break;
        }
        bytes += written;
        left -= written;
        result.bytesWritten += written;
    }
    if (left == 0 && isatty(fd))
        tcdrain(fd);
    if (::close(fd) != 0 && left == 0 && errno != EINTR) {
        result.errorText = systemError(errno);
        return result;
    }
    if (left == 0)
        result.status = SerialWriteResult::Status::Written;
    return result;
}
