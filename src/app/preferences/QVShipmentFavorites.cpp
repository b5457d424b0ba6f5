#include "app/preferences/QVShipmentFavorites.h"

#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/PropertyList.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

std::optional<QVariantList> &cache()
{
    static std::optional<QVariantList> favorites;
    return favorites;
}

QString &setAsidePath()
{
    static QString path;
    return path;
}

bool isFavorite(const QVariant &entry)
{
    if (entry.typeId() != QMetaType::QVariantMap)
        return false;
    const QVariantMap favorite = entry.toMap();
    return favorite.value(QVFavoriteNicknameKey).typeId() == QMetaType::QString &&
        favorite.value(QVFavoriteShipmentKey).typeId() == QMetaType::QVariantMap;
}

// The file moved aside under the first free name; false when it stays.
bool moveAside(const QString &path)
{
    const QFileInfo info(path);
    const QString base = info.completeBaseName() + QStringLiteral(".unreadable");
    for (int n = 1; n < 1000; ++n) {
        const QString name = n == 1 ? base + QStringLiteral(".plist") : base + QStringLiteral("-%1.plist").arg(n);
        const QString target = info.dir().filePath(name);
        if (QFileInfo::exists(target))
            continue;
        if (!QFile::rename(path, target))
            return false;
        setAsidePath() = target;
        qWarning().noquote() << QStringLiteral("The unreadable favorites file was kept as %1.").arg(target);
        return true;
    }
    return false;
}

} // namespace

QString QVShipmentFavorites::favoritesPath()
{
    const QString folder = applicationSupportDirectory();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(QVFavoritesFileName);
}

std::optional<QVariantList> QVShipmentFavorites::favoritesFromData(const QByteArray &data)
{
    const std::optional<QVariant> root = readPropertyList(data);
    if (!root || root->typeId() != QMetaType::QVariantList)
        return std::nullopt;
    const QVariantList list = root->toList();
    for (const QVariant &entry : list) {
        if (!isFavorite(entry))
            return std::nullopt;
    }
    return list;
}

QVariantList QVShipmentFavorites::allFavorites()
{
    if (cache())
        return *cache();
    const QString path = favoritesPath();
    QFile file(path);
    if (path.isEmpty() || !file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning().noquote() << QStringLiteral("The favorites file %1 cannot be opened.").arg(path);
        return {};
    }
    std::optional<QVariantList> favorites = favoritesFromData(file.readAll());
    if (!favorites) {
        qWarning().noquote() << QStringLiteral("The favorites file %1 cannot be read.").arg(path);
        return {};
    }
    cache() = *favorites;
    return *favorites;
}

bool QVShipmentFavorites::setFavorites(const QVariantList &favorites)
{
    QString error;
    const std::optional<QByteArray> data = writeXmlPropertyList(favorites, &error);
    if (!data) {
        qWarning().noquote() << QStringLiteral("error writing favorites: %1").arg(error);
        return false;
    }
    const QString path = favoritesPath();
    if (path.isEmpty()) {
        qWarning().noquote() << QStringLiteral("error writing favorites: no support folder");
        return false;
    }
    if (QFileInfo::exists(path)) {
        QFile existing(path);
        const bool readable = existing.open(QIODevice::ReadOnly) && favoritesFromData(existing.readAll());
        existing.close();
        if (!readable && !moveAside(path)) {
            qWarning().noquote()
                << QStringLiteral("error writing favorites: the unreadable file %1 could not be kept aside").arg(path);
            return false;
        }
    }
    if (!writePropertyListFile(path, favorites, PropertyListFormat::Xml, &error)) {
        qWarning().noquote() << QStringLiteral("error writing favorites: %1").arg(error);
        return false;
    }
    cache() = favorites;
    NotificationCenter::defaultCenter().post(QVShipmentFavoritesDidChangeNotification);
    return true;
}

QString QVShipmentFavorites::lastSetAsidePath() { return setAsidePath(); }

void QVShipmentFavorites::resetCacheForTesting()
{
    cache().reset();
    setAsidePath().clear();
}
