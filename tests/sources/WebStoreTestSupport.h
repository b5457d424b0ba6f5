#pragma once
// Helpers of the web-store tests: the recording main window
// (RecordingAppHost.h), and order records as the reply reader gives them.
#include "RecordingAppHost.h"

#include "model/QVCountry.h"
#include "platform/NotificationCenter.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"

#include <QStringList>
#include <QVariantMap>

namespace tolvane::test {

// The program's own country table (names of foreign destinations).
inline bool loadShippedCountryTable()
{
    static const bool loaded = InitializeRE("", "01/27/2014") == 0 &&
        LoadCountry2013FileAtPath(TOLVANE_SOURCE_DIR "/resources/country2013.dat") == 1;
    NotificationCenter::defaultCenter().post(QVCountryListDidChangeNotification);
    return loaded;
}

// One order record: its fields over a domestic sample order of one item.
inline QVariantMap webStoreOrder(const QVariantMap &changes = {})
{
    QVariantMap order{
        {QStringLiteral("MarketplaceOrderId"), QStringLiteral("111-1")},
        {QStringLiteral("WebStoreId"), QStringLiteral("S1")},
        {QStringLiteral("BuyerEmail"), QStringLiteral("ann@example.com")},
        {QStringLiteral("Weight"), QStringLiteral("12")},
        {QStringLiteral("ToAddress"),
         QVariantMap{{QStringLiteral("Name"), QStringLiteral("Ann Lee")},
                     {QStringLiteral("Address1"), QStringLiteral("1 Main St")},
                     {QStringLiteral("City"), QStringLiteral("Springfield")},
                     {QStringLiteral("State"), QStringLiteral("IL")},
                     {QStringLiteral("PostalCode"), QStringLiteral("62701")},
                     {QStringLiteral("Country"), QStringLiteral("US")}}},
        {QStringLiteral("WebStoreOrderItems"),
         QVariantMap{{QStringLiteral("WebStoreOrderItem"),
                      QVariantMap{{QStringLiteral("ItemTitle"), QStringLiteral("Book")},
                                  {QStringLiteral("QuantityPurchased"), QStringLiteral("1")},
                                  {QStringLiteral("MarketplaceItemId"), QStringLiteral("B-1")}}}}},
    };
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        if (it.value().isNull())
            order.remove(it.key());
        else
            order.insert(it.key(), it.value());
    }
    return order;
}

} // namespace tolvane::test
