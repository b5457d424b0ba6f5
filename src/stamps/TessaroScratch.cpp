#include "stamps/TessaroScratch.h"

#include "platform/Paths.h"
#include "platform/PropertyList.h"
#include "services/QVRHOResponse.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace tessaro {

namespace {

const QString kScratchExtension = QStringLiteral("tolvanestamp");
constexpr qint64 kPdfCopyLifetimeSeconds = 259200;
constexpr qint64 kLargestScratchFile = 1 << 20;

// The piece count a scratch file's name begins with (0 when none).
quint64 leadingNumber(const QString &name)
{
    qsizetype digits = 0;
    while (digits < name.size() && name[digits].isDigit() && name[digits].unicode() < 128)
        ++digits;
    return name.left(std::min<qsizetype>(digits, 19)).toULongLong();
}

bool isDirectory(const QString &path) { return !path.isEmpty() && QFileInfo(path).isDir(); }

} // namespace

QString tessaroSubPath() { return QStringLiteral("Pellmark/"); }

QString pellmarkPath()
{
    const QString support = applicationSupportDirectory();
    if (support.isEmpty())
        return QString();
    return QDir(support).filePath(tessaroSubPath()).chopped(1);
}

QString scratchPath()
{
    const QString pellmark = pellmarkPath();
    return pellmark.isEmpty() ? QString() : QDir(pellmark).filePath(QStringLiteral("scratch"));
}

bool makeScratchFolder()
{
    const QString scratch = scratchPath();
    return !scratch.isEmpty() && QDir().mkpath(scratch) && isDirectory(scratch);
}

QString writeScratchFile(const QVRHOStampIndiciumRequest &request, const QVRHOResponse &response, QString *error)
{
    const QString folder = scratchPath();
    if (!makeScratchFolder()) {
        if (error)
            *error = QStringLiteral("The folder for unprinted stamps cannot be made.");
        return QString();
    }
    const QVariantMap archive{{QStringLiteral("request"), request.encodeWithCoder()},
                              {QStringLiteral("theResponse"), response.encodeWithCoder()}};
    const std::optional<QByteArray> data = writeBinaryPropertyList(archive, error);
    if (!data)
        return QString();

    const QString base = QString::number(response.piececount());
    QString path = QDir(folder).filePath(base + QLatin1Char('.') + kScratchExtension);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(QStringLiteral("%1 %2.%3").arg(base).arg(n).arg(kScratchExtension));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(*data) != data->size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return QString();
    }
    return path;
}

QStringList scratchFileNames(const QString &folder)
{
    if (!isDirectory(folder))
        return {};
    QStringList names;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries)
        if (entry.suffix() == kScratchExtension)
            names << entry.fileName();
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const quint64 x = leadingNumber(a), y = leadingNumber(b);
        return x != y ? x < y : a < b;
    });
    return names;
}

std::optional<ScratchStamp> scratchStampFromData(const QByteArray &data)
{
    const std::optional<QVariant> root = readPropertyList(data);
    if (!root || root->typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariantMap archive = root->toMap();
    const QVariant request = archive.value(QStringLiteral("request"));
    const QVariant response = archive.value(QStringLiteral("theResponse"));
    if (request.typeId() != QMetaType::QVariantMap || response.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    ScratchStamp stamp{QString(), QVRHOStampIndiciumRequest::initWithCoder(request.toMap()),
                       QVRHOResponse::initWithCoder(response.toMap())};
    if (!stamp.request || !stamp.response)
        return std::nullopt;
    return stamp;
}

QList<ScratchStamp> readScratchFolder(const QString &folder)
{
    QList<ScratchStamp> stamps;
    for (const QString &name : scratchFileNames(folder)) {
        const QString path = QDir(folder).filePath(name);
        QFile file(path);
        // A scratch file is a few kilobytes; anything far larger is no stamp.
        if (file.size() > kLargestScratchFile || !file.open(QIODevice::ReadOnly))
            continue;
        if (std::optional<ScratchStamp> stamp = scratchStampFromData(file.readAll())) {
            stamp->path = path;
            stamps.append(*stamp);
        }
    }
    return stamps;
}

bool removeScratchFolder()
{
    const QString scratch = scratchPath();
    if (scratch.isEmpty())
        return false;
    return QDir(scratch).removeRecursively();
}

int expireOldPostage(const QDateTime &now)
{
    const QString pellmark = pellmarkPath();
    if (!isDirectory(pellmark))
        return 0;
    int removed = 0;
    QDirIterator walk(pellmark, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (walk.hasNext()) {
        const QFileInfo entry(walk.next());
        if (entry.suffix() != QLatin1String("pdf") || entry.isSymLink())
            continue;
        if (entry.lastModified().secsTo(now) > kPdfCopyLifetimeSeconds && QFile::remove(entry.filePath()))
            ++removed;
    }
    return removed;
}

} // namespace tessaro
