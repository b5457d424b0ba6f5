// The web-store service's replies through the converter and the
// list-normalising reader: every list read is a list, and every order's
// creation time goes through the ISO 8601 reader.
#include "FuzzSupport.h"
#include "sources/ISO8601DateFormatter.h"
#include "sources/QVRHOWebStoreCommandCenter.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::optional<QVariantMap> reply = QVWebStoreReply::dictionaryFromData(tolvane::fuzz::bytesOf(data, size));
    if (!reply)
        return 0;
    static ISO8601DateFormatter dates;
    (void)QVWebStoreReply::faultMessage(*reply);
    for (const QVariant &item : QVWebStoreReply::webStoreListItems(*reply)) {
        if (!item.isValid())
            std::abort();
        for (const QVariant &store : QVWebStoreReply::webStoresOfItem(item.toMap())) {
            if (!store.isValid())
                std::abort();
            (void)QVWebStoreReply::stringForKeyPath(store.toMap(), QStringLiteral("WebStoreId"));
        }
    }
    for (const QVariant &order : QVWebStoreReply::webStoreOrders(*reply)) {
        if (!order.isValid())
            std::abort();
        const QVariantMap fields = order.toMap();
        (void)dates.dateFromString(QVWebStoreReply::stringForKeyPath(fields, QStringLiteral("OrderCreationDatetime")));
        (void)QVWebStoreReply::orderItems(fields).size();
        (void)QVWebStoreReply::stringForKeyPath(fields, QStringLiteral("ToAddress.PostalCode"));
    }
    return 0;
}
