// Web-store orders: the title, detail text and weight text of an order, and
// the package that selected orders become (mail class and piece maps, the
// fallbacks by destination, the reference, multiple selections, refusals),
// carried out through a recording automation on a recording main window.
#include "sources/QVWebStoreOrders.h"

#include "RecordingAutomation.h"
#include "WebStoreTestSupport.h"
#include "model/QVCountry.h"
#include "model/QVShipment.h"

#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

QVariantMap address(const QString &country)
{
    QVariantMap to = webStoreOrder().value(QStringLiteral("ToAddress")).toMap();
    if (country.isNull())
        to.remove(QStringLiteral("Country"));
    else
        to.insert(QStringLiteral("Country"), country);
    return to;
}

QVariantMap items(const QVariantList &list) { return {{QStringLiteral("WebStoreOrderItem"), list}}; }

QVariantMap item(const QString &title, const QString &quantity, const QString &number)
{
    return {{QStringLiteral("ItemTitle"), title},
            {QStringLiteral("QuantityPurchased"), quantity},
            {QStringLiteral("MarketplaceItemId"), number}};
}

QVWebStoreShipment shipmentOf(const QList<QVariantMap> &orders)
{
    const auto result = webStoreShipmentForOrders(orders, {});
    EXPECT_TRUE(std::holds_alternative<QVWebStoreShipment>(result));
    return std::holds_alternative<QVWebStoreShipment>(result) ? std::get<QVWebStoreShipment>(result)
                                                              : QVWebStoreShipment();
}

} // namespace

TEST(WebStoreOrderTexts, TitleWeightAndCountry)
{
    const QVariantMap twoItems =
        webStoreOrder({{QStringLiteral("WebStoreOrderItems"),
                        items({item(QStringLiteral("Book"), QStringLiteral("1"), QStringLiteral("B-1")),
                               item(QStringLiteral("Pen"), QStringLiteral("2"), QStringLiteral("P-2"))})}});
    EXPECT_EQ(webStoreOrderTitle(twoItems), QStringLiteral("Book, 2x Pen"));
    EXPECT_EQ(webStoreOrderTitle(webStoreOrder()), QStringLiteral("Book")); // a single item is a list of one

    const std::pair<const char *, const char *> weights[] = {
        {"32", "2 lb"}, {"12", "12 oz"}, {"0", "0 oz"}, {"16", "1 lb"}, {"17", "17 oz"}};
    for (const auto &[ounces, text] : weights)
        EXPECT_EQ(webStoreOrderWeightText(QLatin1String(ounces)), QLatin1String(text)) << ounces;

    const QString domestic = rho_webStoreOrderDescription(webStoreOrder());
    EXPECT_EQ(domestic,
              QStringLiteral("Quantity:\t\t\t1\nItem Title:\t\t\tBook\nItem Number:\t\tB-1\n\n"
                             "Address:\t\t\tAnn Lee\n\t\t\t\t1 Main St\n\t\t\t\tSpringfield IL 62701\n\n"
                             "Email Address:\t\tann@example.com\nOrder Number:\t\t111-1\nWeight:\t\t\t12 oz\n"));

    ASSERT_TRUE(loadShippedCountryTable());
    const std::optional<QVCountry> canada = QVCountry::countryWithAnyName(QStringLiteral("Canada"));
    ASSERT_TRUE(canada);
    const QString foreign =
        rho_webStoreOrderDescription(webStoreOrder({{QStringLiteral("ToAddress"), address(QStringLiteral("Canada"))}}));
    EXPECT_TRUE(foreign.contains(QStringLiteral("62701\n\t\t\t\t") + canada->name() + u'\n')) << foreign.toStdString();
    const QString unknown = rho_webStoreOrderDescription(
        webStoreOrder({{QStringLiteral("ToAddress"), address(QStringLiteral("Atlantis"))}}));
    EXPECT_TRUE(unknown.contains(QStringLiteral("\t\t\t\tAtlantis\n")));
}

TEST(WebStoreOrderMapping, MailClassAndPiece)
{
    ASSERT_TRUE(loadShippedCountryTable());
    struct Case {
        const char *name;
        QVariantMap changes;
        QString mailClass; // empty: no "MailClass"
        QString packageType;
    };
    auto method = [](const QString &mailClass, const QString &packageType) {
        QVariantMap m{{QStringLiteral("UspsMailClass"), mailClass}};
        if (!packageType.isEmpty())
            m.insert(QStringLiteral("PackageType"), packageType);
        return QVariantMap{{QStringLiteral("UspsShippingMethod"), m}};
    };
    auto with = [](QVariantMap a, const QVariantMap &b) {
        a.insert(b);
        return a;
    };
    auto service = [](const char *text) {
        return QVariantMap{{QStringLiteral("ShippingService"), QLatin1String(text)}};
    };
    auto country = [](const QString &name) { return QVariantMap{{QStringLiteral("ToAddress"), address(name)}}; };
    auto weight = [](const char *oz) { return QVariantMap{{QStringLiteral("Weight"), QLatin1String(oz)}}; };
    const Case cases[] = {
        {"First-Class Mail", method(QStringLiteral("First-Class Mail"), {}), QStringLiteral("FIRST"), {}},
        {"14 oz",
         with(method(QStringLiteral("First-Class Mail"), {}), weight("14")),
         QStringLiteral("PARCELSELECT"),
         {}},
        {"13 oz", with(method(QStringLiteral("First-Class Mail"), {}), weight("13")), QStringLiteral("FIRST"), {}},
        {"express code", method(QStringLiteral("PRIORITY_MAIL_EXPRESS"), QStringLiteral("Small Flat Rate Box")),
         QStringLiteral("PRIORITYEXPRESS"), QStringLiteral("FLATRATESMALLBOX")},
        {"unknown codes", method(QStringLiteral("Carrier Pigeon"), QStringLiteral("Crate")), {}, {}},
        {"parcel, domestic", service("Standard Parcel"), QStringLiteral("PARCELSELECT"), {}},
        {"parcel, Canada", with(service("Standard Parcel"), country(QStringLiteral("Canada"))), {}, {}},
        {"media, domestic", service("Media rate"), QStringLiteral("MEDIAMAIL"), {}},
        {"express, foreign",
         with(service("Express Intl"), country(QStringLiteral("Canada"))),
         QStringLiteral("INTLEXPRESS"),
         {}},
        {"express, domestic", service("EXPRESS"), QStringLiteral("EXPRESS"), {}},
        {"priority, no country", with(service("priority"), country(QString())), QStringLiteral("INTLPRIORITY"), {}},
        {"first, no country", with(service("First class"), country(QString())), QStringLiteral("INTLFIRST"), {}},
        {"first heavy, domestic", with(service("First class"), weight("20")), QStringLiteral("PARCELSELECT"), {}},
        {"no word", service("Standard"), {}, {}},
    };
    for (const Case &c : cases) {
        const QVWebStoreShipment shipment = shipmentOf({webStoreOrder(c.changes)});
        EXPECT_EQ(shipment.package.value(QStringLiteral("MailClass")).toString(), c.mailClass) << c.name;
        EXPECT_EQ(shipment.package.contains(QStringLiteral("MailClass")), !c.mailClass.isEmpty()) << c.name;
        EXPECT_EQ(shipment.package.value(QStringLiteral("PackageType")).toString(), c.packageType) << c.name;
    }
}

TEST(WebStoreOrderMapping, PackageFieldsAndReference)
{
    QVariantMap orderWithReference = webStoreOrder({{QStringLiteral("Reference"), QStringLiteral("R-9")},
                                                    {QStringLiteral("QVOrderTitle"), QStringLiteral("Book")}});
    const QVWebStoreShipment withReference = shipmentOf({orderWithReference});
    const QVariantMap expected{{QStringLiteral("ToEMail"), QStringLiteral("ann@example.com")},
                               {QStringLiteral("ToName"), QStringLiteral("Ann Lee")},
                               {QStringLiteral("ToAddress1"), QStringLiteral("1 Main St")},
                               {QStringLiteral("ToCity"), QStringLiteral("Springfield")},
                               {QStringLiteral("ToState"), QStringLiteral("IL")},
                               {QStringLiteral("ToPostalCode"), QStringLiteral("62701")},
                               {QStringLiteral("ToCountry"), QStringLiteral("US")},
                               {QStringLiteral("WeightOz"), QStringLiteral("12")},
                               {QStringLiteral("ReferenceID"), QStringLiteral("R-9")},
                               {QStringLiteral("Description"), QStringLiteral("Book")}};
    EXPECT_EQ(withReference.package, expected);

    const QVariantMap twoItems =
        webStoreOrder({{QStringLiteral("WebStoreOrderItems"),
                        items({item(QStringLiteral("Book"), QStringLiteral("1"), QStringLiteral("B-1")),
                               item(QStringLiteral("Pen"), QStringLiteral("2"), QStringLiteral("P-2"))})}});
    EXPECT_EQ(shipmentOf({twoItems}).package.value(QStringLiteral("ReferenceID")), QStringLiteral("B-1, P-2"));
    EXPECT_FALSE(shipmentOf({webStoreOrder({{QStringLiteral("WebStoreOrderItems"), QVariant()}})})
                     .package.contains(QStringLiteral("ReferenceID")));
}

TEST(WebStoreOrderMapping, MultipleSelections)
{
    const QVariantList stores{QVariantMap{{QStringLiteral("WebStoreId"), QStringLiteral("S1")},
                                          {QStringLiteral("Name"), QStringLiteral("Old name")}},
                              QVariantMap{{QStringLiteral("WebStoreId"), QStringLiteral("S1")},
                                          {QStringLiteral("Name"), QStringLiteral("Corner Shop")}}};
    const QVariantMap first = webStoreOrder({{QStringLiteral("QVOrderTitle"), QStringLiteral("Book")}});
    const QVariantMap second = webStoreOrder({{QStringLiteral("MarketplaceOrderId"), QStringLiteral("222-2")},
                                              {QStringLiteral("QVOrderTitle"), QStringLiteral("Pen")},
                                              {QStringLiteral("Reference"), QStringLiteral("R-2")}});
    const auto together = webStoreShipmentForOrders({first, second}, stores);
    ASSERT_TRUE(std::holds_alternative<QVWebStoreShipment>(together));
    const QVWebStoreShipment &shipment = std::get<QVWebStoreShipment>(together);
    EXPECT_EQ(shipment.marketplaceOrderIds, QStringList({QStringLiteral("111-1"), QStringLiteral("222-2")}));
    EXPECT_EQ(shipment.webStoreId, QStringLiteral("S1"));
    EXPECT_EQ(shipment.webStoreName, QStringLiteral("Corner Shop"));
    EXPECT_EQ(shipment.package.value(QStringLiteral("Description")), QStringLiteral("Pen"));
    EXPECT_EQ(shipment.package.value(QStringLiteral("ReferenceID")), QStringLiteral("R-2"));

    const QVariantMap otherStore = webStoreOrder({{QStringLiteral("WebStoreId"), QStringLiteral("S2")}});
    const QVariantMap otherBoth = webStoreOrder({{QStringLiteral("WebStoreId"), QStringLiteral("S2")},
                                                 {QStringLiteral("ToAddress"), address(QStringLiteral("Canada"))}});
    const std::pair<QList<QVariantMap>, QString> refusals[] = {
        {{first, otherStore}, QVWebStoreStoreMismatchText},
        {{first, otherBoth}, QVWebStoreAddressMismatchText},
        {{first, second, otherBoth}, QVWebStoreAddressMismatchText},
    };
    for (const auto &[orders, text] : refusals) {
        const auto result = webStoreShipmentForOrders(orders, stores);
        ASSERT_TRUE(std::holds_alternative<QVWebStoreShipmentRefusal>(result)) << text.toStdString();
        EXPECT_EQ(std::get<QVWebStoreShipmentRefusal>(result).messageText, QVWebStoreCannotShipTogetherMessage);
        EXPECT_EQ(std::get<QVWebStoreShipmentRefusal>(result).informativeText, text);
    }
}

TEST(WebStoreOrderMapping, ProcessedPackageMarksTheShipmentUnlessRefused)
{
    auto automation = std::make_shared<RecordingAutomation>();
    setAutomationServices(automation);
    auto window = std::make_shared<RecordingMainWindow>();
    setMainWindowHostProvider([window] { return window; });

    QVWebStoreShipment shipment = shipmentOf({webStoreOrder()});
    shipment.webStoreName = QStringLiteral("Corner Shop");
    EXPECT_TRUE(processWebStoreShipment(shipment));
    ASSERT_EQ(automation->packages.size(), 1);
    EXPECT_EQ(automation->packages.first(), shipment.package);
    EXPECT_EQ(window->currentShipment.value(QVUSPSShipmentRHOWebStoreMarketplaceOrderIdsKey).toList(),
              QVariantList({QStringLiteral("111-1")}));
    EXPECT_EQ(window->currentShipment.value(QVUSPSShipmentRHOWebStoreIdKey), QStringLiteral("S1"));
    EXPECT_EQ(window->currentShipment.value(QVUSPSShipmentRHOWebStoreNameKey), QStringLiteral("Corner Shop"));
    EXPECT_EQ(window->calls.last(), QStringLiteral("showMasterWindow"));

    // Refused: the older orders are taken off the shipment and none put on.
    automation->answer = false;
    EXPECT_FALSE(processWebStoreShipment(shipment));
    EXPECT_EQ(automation->packages.size(), 2);
    EXPECT_FALSE(window->currentShipment.contains(QVUSPSShipmentRHOWebStoreMarketplaceOrderIdsKey));
    EXPECT_FALSE(window->currentShipment.contains(QVUSPSShipmentRHOWebStoreIdKey));
    EXPECT_FALSE(window->currentShipment.contains(QVUSPSShipmentRHOWebStoreNameKey));

    setMainWindowHostProvider({});
    setAutomationServices(nullptr);
}
