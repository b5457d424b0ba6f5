#include "stamps/TessaroScratch.h"

#include "platform/DurableFile.h"
#include "platform/Paths.h"
#include "platform/PropertyList.h"
#include "services/QVRHOResponse.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace tessaro {

namespace {

const QString kScratchExtension = QStringLiteral("tolvanestamp");
const QString kLogEntryOwedKey = QStringLiteral("logEntryOwed");
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

QString damagedScratchPath()
{
    const QString scratch = scratchPath();
    return scratch.isEmpty() ? QString() : QDir(scratch).filePath(QStringLiteral("damaged"));
}

QString unloggedScratchPath()
{
    const QString scratch = scratchPath();
    return scratch.isEmpty() ? QString() : QDir(scratch).filePath(QStringLiteral("unlogged"));
}

bool makeScratchFolder()
{
    const QString scratch = scratchPath();
    return !scratch.isEmpty() && QDir().mkpath(scratch) && isDirectory(scratch);
}

QString writeScratchFile(const QVRHOStampIndiciumRequest &request, const QVRHOResponse &response, QString *error,
                         ScratchLogEntry logEntry)
{
    const QString folder = scratchPath();
    if (!makeScratchFolder()) {
        if (error)
            *error = QStringLiteral("The folder for unprinted stamps cannot be made.");
        return QString();
    }
    const QVariantMap archive{{QStringLiteral("version"), ScratchFormatVersion},
                              {QStringLiteral("request"), request.encodeWithCoder()},
                              {QStringLiteral("theResponse"), response.encodeWithCoder()},
                              {kLogEntryOwedKey, logEntry == ScratchLogEntry::Owed}};
    const std::optional<QByteArray> data = writeBinaryPropertyList(archive, error);
    if (!data)
        return QString();

    const QString base = QString::number(response.piececount());
    QString path = QDir(folder).filePath(base + QLatin1Char('.') + kScratchExtension);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(QStringLiteral("%1 %2.%3").arg(base).arg(n).arg(kScratchExtension));
    return writeFileDurably(path, *data, error) ? path : QString();
}

bool markLogEntriesWritten(const QStringList &paths)
{
    bool all = true;
    for (const QString &path : paths) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || file.size() > kLargestScratchFile) {
            all = false;
            continue;
        }
        const std::optional<QVariant> root = readPropertyList(file.readAll());
        file.close();
        if (!root || root->typeId() != QMetaType::QVariantMap) {
            all = false;
            continue;
        }
        QVariantMap archive = root->toMap();
        if (!archive.value(kLogEntryOwedKey).toBool())
            continue;
        archive.insert(kLogEntryOwedKey, false);
        const std::optional<QByteArray> data = writeBinaryPropertyList(archive);
        if (!data || !writeFileDurably(path, *data, nullptr))
            all = false;
    }
    return all;
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
    // Files of earlier builds carry no version; a later format is not
    // guessed at.
    if (archive.contains(QStringLiteral("version"))) {
        const QVariant version = archive.value(QStringLiteral("version"));
        bool isNumber = false;
        const qlonglong number = version.toLongLong(&isNumber);
        if (version.typeId() == QMetaType::QString || !isNumber || number < 1 || number > ScratchFormatVersion)
            return std::nullopt;
    }
    const QVariant request = archive.value(QStringLiteral("request"));
    const QVariant response = archive.value(QStringLiteral("theResponse"));
    if (request.typeId() != QMetaType::QVariantMap || response.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    ScratchStamp stamp{QString(), QVRHOStampIndiciumRequest::initWithCoder(request.toMap()),
                       QVRHOResponse::initWithCoder(response.toMap())};
    if (!stamp.request || !stamp.response)
        return std::nullopt;
    const QVariant owed = archive.value(kLogEntryOwedKey);
    stamp.logEntryOwed = owed.typeId() == QMetaType::Bool && owed.toBool();
    return stamp;
}

QList<ScratchStamp> readScratchFolder(const QString &folder, QStringList *unreadable)
{
    QList<ScratchStamp> stamps;
    for (const QString &name : scratchFileNames(folder)) {
        const QString path = QDir(folder).filePath(name);
        QFile file(path);
        // A scratch file is a few kilobytes; anything far larger is no stamp.
        std::optional<ScratchStamp> stamp;
        if (file.size() <= kLargestScratchFile && file.open(QIODevice::ReadOnly))
            stamp = scratchStampFromData(file.readAll());
        if (stamp) {
            stamp->path = path;
            stamps.append(*stamp);
        } else if (unreadable) {
            unreadable->append(path);
        }
    }
    return stamps;
}

namespace {

// Moves the file into the folder (made when missing) under its own name, or
// "<name> 2", "<name> 3", ... when that is taken; the new path or empty.
QString moveIntoFolder(const QString &path, const QString &folder)
{
    const QFileInfo source(path);
    if (folder.isEmpty() || !source.exists() || !QDir().mkpath(folder) || !isDirectory(folder))
        return QString();
    const QString base = source.completeBaseName();
    const QString suffix = source.suffix().isEmpty() ? QString() : QLatin1Char('.') + source.suffix();
    QString target = QDir(folder).filePath(source.fileName());
    for (int n = 2; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n)
        target = QDir(folder).filePath(QStringLiteral("%1 %2%3").arg(base).arg(n).arg(suffix));
    if (!QFile::rename(path, target))
        return QString();
    // Both folders' entries changed: keep the move on disk.
    syncFolder(folder);
    syncFolder(source.absolutePath());
    return target;
}

} // namespace

QString setAsideScratchFile(const QString &path) { return moveIntoFolder(path, damagedScratchPath()); }

QString holdUnloggedScratchFile(const QString &path) { return moveIntoFolder(path, unloggedScratchPath()); }

bool removeScratchFiles(const QStringList &paths)
{
    bool all = true;
    for (const QString &path : paths)
        if (QFileInfo::exists(path) && !QFile::remove(path))
            all = false;
    return all;
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
