#pragma once
// The favorites store: named sets of mailpiece settings kept in
// "favorites.plist" in the application-support folder, an XML property list
// whose root is an array, in menu order, of dictionaries
//   "nickname" (text)  the name shown in the menu and the table
//   "shipment" (dict)  the settings, keyed by the shipment's key constants
//
// The list read or written last is cached for the process. A missing file is
// no favorites. A file that cannot be read (not a property list, or not an
// array of such dictionaries) also reads as no favorites, but it is never
// overwritten: the next change first moves it aside under a name of its own
// ("favorites.unreadable.plist", then "favorites.unreadable-2.plist", ...;
// an existing file is never replaced), and when that fails nothing is
// written. Every change goes through setFavorites(), which writes the whole
// file atomically and posts QVShipmentFavoritesDidChangeNotification.
//
// Main thread only.
#include <QByteArray>
#include <QString>
#include <QVariantList>

#include <optional>

inline const QString QVShipmentFavoritesDidChangeNotification =
    QStringLiteral("QVShipmentFavoritesDidChangeNotification");
inline const QString QVFavoriteNicknameKey = QStringLiteral("nickname");
inline const QString QVFavoriteShipmentKey = QStringLiteral("shipment");
inline const QString QVFavoritesFileName = QStringLiteral("favorites.plist");

class QVShipmentFavorites
{
public:
    // The cached list; read from the file when there is none (an empty list
    // when the file is missing or unreadable, and read again next time).
    static QVariantList allFavorites();
    // Writes the list (after moving an unreadable file aside), caches it and
    // posts the notification. False, with the reason on the console and
    // nothing changed, when the list cannot be serialised or written.
    static bool setFavorites(const QVariantList &favorites);

    // The file's path; empty when there is no support folder.
    static QString favoritesPath();
    // The favorites held in the data; nothing when the data is not a
    // property list whose root is an array of favorite dictionaries.
    static std::optional<QVariantList> favoritesFromData(const QByteArray &data);
    // Where the last unreadable file was moved (empty when none was).
    static QString lastSetAsidePath();

    // For tests: forgets the cache.
    static void resetCacheForTesting();
};
