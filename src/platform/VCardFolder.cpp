#include "platform/VCardFolder.h"

#include "platform/BoundedFileRead.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/UrlOpener.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

VCardFolder &VCardFolder::sharedFolder()
{
    static VCardFolder *folder = new VCardFolder;
    return *folder;
}

QString VCardFolder::folderPath() const
{
    QString path = UserDefaults::standardUserDefaults().stringForKey(VCardFolderDefaultsKey);
    if (path.isEmpty()) {
        const QString support = applicationSupportDirectory();
        if (support.isEmpty())
            return QString();
        path = QDir(support).filePath(VCardFolderDefaultName);
        const QString earlier = QDir(support).filePath(QStringLiteral("Contacts"));
        if (!QFileInfo::exists(path) && QFileInfo(earlier).isDir() && !QFileInfo(earlier).isSymLink())
            QDir().rename(earlier, path);
    }
    if (!QDir().mkpath(path))
        return QString();
    return QDir(path).absolutePath();
}

QList<VCardFolder::CardFile> VCardFolder::cardFiles()
{
    QList<CardFile> files;
    const QString folder = folderPath();
    if (folder.isEmpty())
        return files;
    watch(folder);
    const QFileInfoList entries = QDir(folder).entryInfoList({QStringLiteral("*.vcf"), QStringLiteral("*.VCF")},
                                                             QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (entry.suffix().compare(QLatin1String("vcf"), Qt::CaseInsensitive) != 0 ||
            entry.size() > kMaximumCardFileSize)
            continue;
        // Read only as a regular file within the limit: a name swapped for
        // a FIFO or a device since the listing never blocks the reader.
        if (const std::optional<QByteArray> data =
                readRegularFileAtMost(entry.absoluteFilePath(), kMaximumCardFileSize))
            files.append({entry.fileName(), *data});
    }
    return files;
}

QString VCardFolder::meCardFileName() const
{
    return UserDefaults::standardUserDefaults().stringForKey(VCardFolderMeCardDefaultsKey);
}

bool VCardFolder::isPlainFileName(const QString &fileName)
{
    return !fileName.isEmpty() && fileName != QLatin1String(".") && fileName != QLatin1String("..") &&
        !fileName.contains(QLatin1Char('/')) && !fileName.contains(QLatin1Char('\\')) && !fileName.contains(QChar(0));
}

QString VCardFolder::safeFileName(const QString &name)
{
    QString safe;
    for (const QChar c : name) {
        const bool unsafe = c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control;
        safe += unsafe ? QLatin1Char('-') : c;
    }
    while (safe.startsWith(QLatin1Char('.')))
        safe.remove(0, 1);
    return safe;
}

QString VCardFolder::proposedFileName(const QString &name) const
{
    QString base = safeFileName(name.trimmed()).trimmed();
    if (base.isEmpty())
        base = QStringLiteral("Card");
    base = base.left(200);
    const QDir folder(folderPath());
    QString candidate = base + QStringLiteral(".vcf");
    for (int n = 2; folder.exists(candidate); ++n)
        candidate = QStringLiteral("%1 %2.vcf").arg(base).arg(n);
    return candidate;
}

bool VCardFolder::writeCardFile(const QString &fileName, const QByteArray &data, QString *error)
{
    const QString folder = folderPath();
    if (folder.isEmpty() || !isPlainFileName(fileName)) {
        if (error)
            *error = QStringLiteral("\u201c%1\u201d is not a file name of the address book folder.").arg(fileName);
        return false;
    }
    QSaveFile file(QDir(folder).filePath(fileName));
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    NotificationCenter::defaultCenter().post(kABDatabaseChangedNotification);
    return true;
}

bool VCardFolder::openCardFile(const QString &fileName)
{
    const QString folder = folderPath();
    if (folder.isEmpty() || !isPlainFileName(fileName))
        return false;
    const QString path = QDir(folder).filePath(fileName);
    if (!QFileInfo(path).isFile())
        return false;
    return openUrl(QUrl::fromLocalFile(path));
}

void VCardFolder::watch(const QString &folder)
{
    if (!m_watcher) {
        m_watcher = std::make_unique<QFileSystemWatcher>();
        connect(m_watcher.get(), &QFileSystemWatcher::directoryChanged, this, [this] { folderChanged(); });
        connect(m_watcher.get(), &QFileSystemWatcher::fileChanged, this, [this] { folderChanged(); });
    }
    if (m_watched != folder) {
        if (!m_watcher->directories().isEmpty())
            m_watcher->removePaths(m_watcher->directories());
        m_watched = folder;
        m_watcher->addPath(folder);
    }
    // Each card file too, so that an edit in place is seen.
    const QStringList watchedFiles = m_watcher->files();
    for (const QFileInfo &entry :
         QDir(folder).entryInfoList({QStringLiteral("*.vcf"), QStringLiteral("*.VCF")}, QDir::Files)) {
        if (!watchedFiles.contains(entry.absoluteFilePath()))
            m_watcher->addPath(entry.absoluteFilePath());
    }
}

void VCardFolder::folderChanged()
{
    NotificationCenter::defaultCenter().post(kABDatabaseChangedExternallyNotification);
}
