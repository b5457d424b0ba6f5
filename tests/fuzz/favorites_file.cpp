// The favorites file reader on any bytes: a list it accepts holds only
// favorites (a text nickname and a settings dictionary each), and it writes
// back as a property list that reads as the same favorites.
#include "FuzzSupport.h"
#include "app/preferences/QVShipmentFavorites.h"
#include "platform/PropertyList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::optional<QVariantList> favorites =
        QVShipmentFavorites::favoritesFromData(tolvane::fuzz::bytesOf(data, size));
    if (!favorites)
        return 0;
    for (const QVariant &entry : *favorites) {
        const QVariantMap favorite = entry.toMap();
        if (favorite.value(QVFavoriteNicknameKey).typeId() != QMetaType::QString ||
            favorite.value(QVFavoriteShipmentKey).typeId() != QMetaType::QVariantMap)
            std::abort();
    }
    if (const std::optional<QByteArray> written = writeXmlPropertyList(*favorites)) {
        const std::optional<QVariantList> again = QVShipmentFavorites::favoritesFromData(*written);
        if (!again || again->size() != favorites->size())
            std::abort();
    }
    return 0;
}
