// Shipment values in the postage server's terms: optional-service bits (and
// their registration as the model's service mask), the insurance value in
// whole cents rounded up, the discount and class texts, the postage and date
// texts, the web-store and tracking tests, and the stored indicium bytes.
#include "services/QVShipmentRHOExtras.h"

#include "model/ClientServices.h"
#include "model/QVAddress.h"
#include "rateengine/RateEngine.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"

#include <gtest/gtest.h>

namespace {

class QVShipmentRHOExtrasTest : public ::testing::Test
{
protected:
    void SetUp() override { InitializeRE("", "01/27/2014"); }
    void TearDown() override { setShipmentServiceMask(nullptr); }

    static QVShipment shipment(const QString &rateClass, const QString &size = QVUSPSRegularSize)
    {
        QVShipment made;
        QVAddress to;
        to.setName(QStringLiteral("Ada Lovelace"));
        to.setStreet(QStringLiteral("1 Main St"));
        to.setCity(QStringLiteral("New York"));
        to.setState(QStringLiteral("NY"));
        to.setZIP5(QStringLiteral("10001"));
        made.setObject(to.plist(), QVShipmentToAddressKey);
        made.setObject(rateClass, QVUSPSShipmentRateClassKey);
        made.setObject(size, QVUSPSShipmentSizeKey);
        made.setObject(QDateTime(QDate(2014, 12, 10), QTime(9, 0)), QVShipmentShipDateKey);
        made.setObject(QStringLiteral("94107"), QVUSPSShipmentMailedFromZIP5Key);
        return made;
    }
};

} // namespace

TEST_F(QVShipmentRHOExtrasTest, OptionalServiceBits)
{
    struct Case {
        const char *confirmation;
        QStringList services;
        int bits;
    } cases[] = {
        {"QVUSPSeDeliveryConfirmation", {QVUSPSCertifiedMailService}, 0x204},
        {nullptr, {QVUSPSCertifiedMailService, QVUSPSCertifiedMailService}, 0x8},
        {"QVUSPSeSignatureConfirmation", {}, 0x2000},
        {nullptr, {QVUSPSRegisteredMailService, QVUSPSInsuredMailService, QVUSPSRestrictedDeliveryService}, 0xB},
        {nullptr,
         {QVUSPSCertificateOfMailingService, QVUSPSReturnReceiptService, QVUSPSReturnReceiptForMerchandiseService,
          QVUSPSCashOnDeliveryService},
         0x9C0},
        {nullptr,
         {QVUSPSExpressMailPremiumService, QVUSPSAdultSignatureService, QVUSPSAdultSignatureRestrictedService,
          QVUSPSHoldForPickupService},
         0xE8000},
        {nullptr, {QStringLiteral("SomethingElse")}, 0},
        {nullptr, {}, 0},
    };
    for (const Case &c : cases) {
        QVShipment s = shipment(QVUSPSPriorityMail);
        if (c.confirmation)
            s.setObject(QString::fromLatin1(c.confirmation), QVUSPSShipmentConfirmationServiceKey);
        QVariantList list;
        for (const QString &service : c.services)
            list.append(service);
        s.setObject(list, QVUSPSShipmentOptionalServicesKey);
        EXPECT_EQ(tolvaneOptionalServiceBits(s), c.bits) << c.services.join(QLatin1Char(',')).toStdString();
    }

    // Registered, it answers the model's question.
    QVShipment s = shipment(QVUSPSPriorityMail);
    s.setObject(QVUSPSeDeliveryConfirmation, QVUSPSShipmentConfirmationServiceKey);
    s.setObject(QVariantList{QVUSPSCertifiedMailService}, QVUSPSShipmentOptionalServicesKey);
    EXPECT_EQ(tolvaneOptionalService(s), 0);
    registerShipmentServiceMask();
    EXPECT_EQ(tolvaneOptionalService(s), 0x204);
}

TEST_F(QVShipmentRHOExtrasTest, InsuranceValueChargedInWholeCentsRoundedUp)
{
    QVShipment s = shipment(QVUSPSPriorityMail);
    EXPECT_FALSE(tolvaneInsuranceValueInCents(s).has_value());
    EXPECT_EQ(tolvaneInsuranceCost(s), Decimal::zero());
    const std::pair<QVariant, std::optional<qint64>> cases[] = {
        {QStringLiteral("10.001"), 1001},
        {QStringLiteral("10.00"), 1000},
        {QStringLiteral("99.999"), 10000},
        {QVariant::fromValue(Decimal::fromString(QStringLiteral("0.001"))), 1},
        {25, 2500},
        {QStringLiteral("0"), std::nullopt},
        {QStringLiteral("-3"), std::nullopt},
        {QStringLiteral("ten"), std::nullopt},
    };
    for (const auto &[value, cents] : cases) {
        s.setObject(value, QVShipmentValueKey);
        EXPECT_EQ(tolvaneInsuranceValueInCents(s), cents) << value.toString().toStdString();
    }
    EXPECT_TRUE(isTrackableForTolvaneInsurance(s));
}

TEST_F(QVShipmentRHOExtrasTest, TextsAroundTheIndicium)
{
    QVShipment s = shipment(QVUSPSFirstClassMail, QVUSPSPostcardSize);
    EXPECT_EQ(tolvaneDollarClassString(s), QStringLiteral("POSTCARD"));
    EXPECT_EQ(tolvaneDateString(s), QStringLiteral("DEC 10 2014"));
    EXPECT_EQ(tolvaneMailedFromString(s), QStringLiteral("Mailed from ZIP 94107"));

    s = shipment(QVUSPSPriorityMail);
    EXPECT_EQ(tolvaneDollarClassString(s), QVUSPSRateClass::casualNameForRateClassName(QVUSPSPriorityMail).toUpper());
    QVAddress abroad;
    abroad.setName(QStringLiteral("Grace Hopper"));
    abroad.setCountry(QStringLiteral("Canada"));
    s.setObject(abroad.plist(), QVShipmentToAddressKey);
    s.setObject(QVUSPSIntlPriorityMailIntl, QVUSPSShipmentRateClassKey);
    EXPECT_EQ(tolvaneDollarClassString(s), QStringLiteral("PRIORITY MAIL INTL"));

    const std::pair<const char *, const char *> prices[] = {
        {"1.65", "$1.65"}, {"1.655", "$1.655"}, {"1234.5", "$1234.50"}, {"0", "$0.00"}, {"0.1", "$0.10"}};
    for (const auto &[price, text] : prices) {
        s.setObject(QVariant::fromValue(Decimal::fromString(QLatin1String(price))), QVShipmentPriceKey);
        EXPECT_EQ(tolvanePostageString(s), QLatin1String(text)) << price;
    }

    const std::pair<int, const char *> tiers[] = {
        {0, ""}, {1, "Commercial Base Pricing"}, {2, "Commercial Plus Pricing"}, {3, "Commercial Plus Pricing"}};
    for (const auto &[level, text] : tiers) {
        s.setObject(level, QVUSPSShipmentRateClassificationKey);
        EXPECT_EQ(tolvaneRateClassification(s), level);
        EXPECT_EQ(tolvaneDiscountString(s), QLatin1String(text)) << level;
    }
}

TEST_F(QVShipmentRHOExtrasTest, WebStoreTrackingAndIndiciumBytes)
{
    QVShipment s = shipment(QVUSPSMediaMail);
    EXPECT_FALSE(isTolvaneWebStoreOrder(s));
    s.setObject(QVariantList{QStringLiteral("A-1")}, QVUSPSShipmentRHOWebStoreMarketplaceOrderIdsKey);
    EXPECT_FALSE(isTolvaneWebStoreOrder(s));
    s.setObject(QStringLiteral("store-9"), QVUSPSShipmentRHOWebStoreIdKey);
    EXPECT_TRUE(isTolvaneWebStoreOrder(s));

    EXPECT_FALSE(isTrackableUsingTolvane(s));
    EXPECT_FALSE(isTrackableForTolvaneInsurance(s));
    s.setObject(QVariantList{QVUSPSHoldForPickupService}, QVUSPSShipmentOptionalServicesKey);
    EXPECT_TRUE(isTrackableForTolvaneInsurance(s));
    s.setObject(QStringLiteral("9400100000000000000000"), QVUSPSShipmentConfirmKey);
    EXPECT_TRUE(isTrackableUsingTolvane(s));

    EXPECT_FALSE(indiciumData(s).has_value());
    setIndiciumData(s, QByteArray(104, '\x5A'));
    EXPECT_EQ(indiciumData(s), QByteArray(104, '\x5A'));
    setIndiciumData(s, std::nullopt);
    EXPECT_FALSE(s.objectForKey(QVUSPSShipmentRHOIndiciumDataKey).isValid());
}

TEST_F(QVShipmentRHOExtrasTest, ServiceClassFollowsCubicTierAndZone)
{
    QVShipment s = shipment(QVUSPSPriorityMail);
    s.setObject(QStringLiteral("3"), QVShipmentWeightNumberKey);
    s.setObject(QStringLiteral("oz"), QVShipmentWeightUnitKey);
    s.setObject(QStringLiteral("4"), QVUSPSShipmentZoneKey);
    const int plain = tolvaneServiceClass(s);
    EXPECT_NE(plain, 0);
    s.setObject(QStringLiteral("5"), QVUSPSShipmentZoneKey);
    EXPECT_NE(tolvaneServiceClass(s), plain);
}
