#include "platform/BoundedFileRead.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Reads at most `limit` bytes of the regular file; with refuseLarger, a file
// of more than `limit` bytes is refused (one byte more is read to tell).
std::optional<QByteArray> readRegular(const QString &path, qint64 limit, bool refuseLarger, QString *error)
{
    const auto fail = [error](const QString &why) -> std::optional<QByteArray> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return fail(QStringLiteral("The file is not a regular file."));
    }
    if (refuseLarger && info.st_size > limit) {
        ::close(fd);
        return fail(QStringLiteral("The file is too large."));
    }
    QByteArray data;
    const qsizetype wanted =
        qsizetype(std::min<qint64>(std::max<qint64>(limit, 0), 1LL << 40)) + (refuseLarger ? 1 : 0);
    data.resize(std::min<qsizetype>(qsizetype(info.st_size) + 1, wanted));
    qsizetype filled = 0;
    while (filled < wanted) {
        if (filled == data.size())
            data.resize(std::min<qsizetype>(wanted, data.size() * 2 + 4096));
        const ssize_t n = ::read(fd, data.data() + filled, size_t(data.size() - filled));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const QString why = QString::fromLocal8Bit(std::strerror(errno));
            ::close(fd);
            return fail(why);
        }
        if (n == 0)
            break;
        filled += n;
    }
    ::close(fd);
    if (refuseLarger && filled > limit)
        return fail(QStringLiteral("The file is too large."));
    data.resize(filled);
    return data;
}

} // namespace

std::optional<QByteArray> readRegularFileAtMost(const QString &path, qint64 maxBytes, QString *error)
{
    return readRegular(path, maxBytes, true, error);
}

std::optional<QByteArray> readRegularFileStart(const QString &path, qint64 count, QString *error)
{
    return readRegular(path, count, false, error);
}
