// Pricing of a shipment, domestic and international, with stand-ins for the
// zone chart, the account information and the label server.
//
// Prices are those the built-in 2014 tables hold: Priority Mail 1 lb retail,
// zone 4: $5.85 from 26 January 2014 and $6.00 from 7 September 2014;
// First-Class Mail parcels 8 oz: $3.22; Media Mail 1 lb: $2.69 and 70 lb:
// $34.55; signature confirmation $2.35 and certified mail $3.30; electronic
// delivery confirmation free with Priority Mail and First-Class Mail;
// Priority Mail International 1 lb, price group 1: $29.25 (the fixture's
// ALPHALAND is group 1).
#include "rates/QVShipmentPricing.h"

#include "QVShipmentTestFakes.h"
#include "model/QVCountry.h"
#include "model/QVWeight.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"
#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"
#include "rateengine/ServiceClass.h"

#include "RateLeafOverride.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

namespace {

Decimal money(const char *text) { return Decimal::fromString(QString::fromLatin1(text)); }

// A stored price (a Decimal, or its text in the property-list form).
std::optional<Decimal> storedPrice(const QVShipment &shipment, const QString &key)
{
    return decimalFromVariant(shipment.objectForKey(key));
}

const QString kConfirmationService = QStringLiteral("confirmationService");

class QVShipmentPricingTest : public FakeAccountTest
{
protected:
    void SetUp() override
    {
        InitializeRE("", "01/27/2014");
        FakeAccountTest::SetUp();
        zones = std::make_shared<FakeZoneServices>();
        labelServer = std::make_shared<FakeLabelServer>();
        setUSPSAddressServices(zones);
        setLabelServerServices(labelServer);
        installShipmentPricing();
    }
    void TearDown() override
    {
        QVShipment::setPricer(nullptr);
        setUSPSAddressServices(nullptr);
        setLabelServerServices(nullptr);
        FakeAccountTest::TearDown();
    }

    // A USPS piece from 02134 to 10001 (NY), stored without re-pricing.
    static std::shared_ptr<QVShipment> domestic(const QString &rateClass, const QString &size, int ounces,
                                                const QDate &shipDate = QDate(2014, 3, 1))
    {
        auto shipment = std::make_shared<QVShipment>();
        shipment->setObject(QVUSPSCarrier, QVShipmentCarrierKey);
        shipment->setObject(domesticAddress(QStringLiteral("10001")), QVShipmentToAddressKey);
        shipment->setObject(QStringLiteral("02134"), QVUSPSShipmentMailedFromZIP5Key);
        shipment->setObject(QDateTime(shipDate, QTime(12, 0)), QVShipmentShipDateKey);
        shipment->setObject(rateClass, QVUSPSShipmentRateClassKey);
        shipment->setObject(size, QVUSPSShipmentSizeKey);
        shipment->setObject(QString::number(ounces), QVShipmentWeightNumberKey);
        shipment->setObject(QVOunceUnitString, QVShipmentWeightUnitKey);
        return shipment;
    }

    std::shared_ptr<FakeZoneServices> zones;
    std::shared_ptr<FakeLabelServer> labelServer;
};

// ---- The road ---------------------------------------------------------------------

TEST_F(QVShipmentPricingTest, PriorityMailIsPricedByTheRateYearOfTheShipDate)
{
    struct Case {
        QDate date;
        const char *total;
    } cases[] = {
        {QDate(2014, 9, 6), "5.85"},
        {QDate(2014, 9, 7), "6.00"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.total);
        auto shipment = domestic(QVUSPSPriorityMail, QVUSPSRegularSize, 16, c.date);
        shipment->_updatePricing();
        EXPECT_EQ(shipment->totalPrice(), money(c.total));
        EXPECT_EQ(storedPrice(*shipment, QVUSPSShipmentPostageKey), money(c.total));
        EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentZoneKey).toString(), QStringLiteral("4"));
        EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentRateClassificationKey).toInt(), 0);
        EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentConfirmationServiceKey).toString(), QVUSPSeDeliveryConfirmation);
        EXPECT_EQ(storedPrice(*shipment, QVUSPSShipmentConfirmationServicePriceKey), Decimal::zero());
        EXPECT_FALSE(shipment->dictionary().contains(QVUSPSShipmentOriginalPostageKey));
    }
    ASSERT_FALSE(zones->questions.empty());
    EXPECT_EQ(zones->questions.back(), std::make_pair(QStringLiteral("02134"), QStringLiteral("10001")));
}

TEST_F(QVShipmentPricingTest, EveryDomesticCountryNameIsPricedAtHome)
{
    // Stores, automation and typed text say "USA": priced like "United
    // States", and the country stays as written.
    for (const char *country : {"United States", "USA", "US", "U.S.A.", "United States of America"}) {
        SCOPED_TRACE(country);
        auto shipment = domestic(QVUSPSPriorityMail, QVUSPSRegularSize, 16, QDate(2014, 9, 6));
        QVariantMap to = domesticAddress(QStringLiteral("10001"));
        to.insert(QVAddressCountryKey, QString::fromLatin1(country));
        shipment->setObject(to, QVShipmentToAddressKey);
        shipment->_updatePricing();
        EXPECT_EQ(shipment->totalPrice(), money("5.85"));
        EXPECT_EQ(storedPrice(*shipment, QVUSPSShipmentPostageKey), money("5.85"));
        EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentZoneKey).toString(), QStringLiteral("4"));
        EXPECT_EQ(shipment->toAddress().country(), QString::fromLatin1(country));
    }
}

TEST_F(QVShipmentPricingTest, AStoreWithRepricingPricesTheRecord)
{
    auto shipment = domestic(QVUSPSPriorityMail, QVUSPSRegularSize, 1);
    shipment->setObject(QStringLiteral("16"), QVShipmentWeightNumberKey, true);
    EXPECT_EQ(shipment->totalPrice(), money("5.85"));
}

TEST_F(QVShipmentPricingTest, OtherCarriersAreLeftAlone)
{
    auto shipment = domestic(QVUSPSPriorityMail, QVUSPSRegularSize, 16);
    shipment->setObject(QStringLiteral("Other"), QVShipmentCarrierKey);
    shipment->setTotalPrice(money("1.23"));
    const QVariantMap before = shipment->dictionary();
    shipment->_updatePricing();
    EXPECT_EQ(shipment->dictionary(), before);
    shipment->removeObjectForKey(QVShipmentCarrierKey);
    shipment->_updatePricing();
    EXPECT_EQ(shipment->totalPrice(), money("1.23"));
}

TEST_F(QVShipmentPricingTest, FeesAreAddedToTheTotal)
{
    // A default confirmation the piece can take, with its fee.
    UserDefaults::standardUserDefaults().setString(QVUSPSeSignatureConfirmation, kConfirmationService);
    auto signature = domestic(QVUSPSPriorityMail, QVUSPSRegularSize, 16);
    signature->_updatePricing();
    EXPECT_EQ(signature->objectForKey(QVUSPSShipmentConfirmationServiceKey).toString(), QVUSPSeSignatureConfirmation);
    EXPECT_EQ(storedPrice(*signature, QVUSPSShipmentConfirmationServicePriceKey), money("2.35"));
    EXPECT_EQ(signature->totalPrice(), money("8.20"));

    // Certified mail: its fee, and no confirmation beside it.
    UserDefaults::standardUserDefaults().removeObjectForKey(kConfirmationService);
    auto certified = domestic(QVUSPSPriorityMail, QVUSPSRegularSize, 16);
    setServices(*certified, {QVUSPSCertifiedMailService, QVUSPSExpressMailPremiumService});
    certified->_updatePricing();
    EXPECT_FALSE(certified->dictionary().contains(QVUSPSShipmentConfirmationServiceKey));
    EXPECT_FALSE(certified->dictionary().contains(QVUSPSShipmentConfirmationServicePriceKey));
    EXPECT_EQ(certified->objectForKey(QVUSPSShipmentOptionalServicesKey).toList(),
              QVariantList{QVUSPSCertifiedMailService});
    EXPECT_EQ(storedPrice(*certified, QVUSPSShipmentOptionalServicesPriceKey), money("3.30"));
    EXPECT_EQ(certified->totalPrice(), money("9.15"));

    // Services that do not apply are dropped with their price.
    setServices(*certified, {QVUSPSExpressMailPremiumService});
    certified->_updatePricing();
    EXPECT_FALSE(certified->dictionary().contains(QVUSPSShipmentOptionalServicesKey));
    EXPECT_FALSE(certified->dictionary().contains(QVUSPSShipmentOptionalServicesPriceKey));
    EXPECT_EQ(certified->totalPrice(), money("5.85"));
}

// ---- Confirmation service ------------------------------------------------------------

TEST_F(QVShipmentPricingTest, ConfirmationServiceChoice)
{
    struct Case {
        const char *what;
        QString rateClass;
        QString size;
        QStringList services;
        QString defaultService;
        QString zip;
        QString state;
        QString expected; // null: none
    } cases[] = {
        {"First-Class package, no default",
         QVUSPSFirstClassMail,
         QVUSPSRegularSize,
         {},
         {},
         {},
         {},
         QVUSPSeDeliveryConfirmation},
        {"First-Class package, default",
         QVUSPSFirstClassMail,
         QVUSPSRegularSize,
         {},
         QVUSPSeSignatureConfirmation,
         {},
         {},
         QVUSPSeSignatureConfirmation},
        {"letter, no default", QVUSPSFirstClassMail, QVUSPSLetterSize, {}, {}, {}, {}, {}},
        {"letter, default", QVUSPSFirstClassMail, QVUSPSLetterSize, {}, QVUSPSeDeliveryConfirmation, {}, {}, {}},
        {"postcard, default", QVUSPSFirstClassMail, QVUSPSPostcardSize, {}, QVUSPSeSignatureConfirmation, {}, {}, {}},
        {"First-Class flat, default",
         QVUSPSFirstClassMail,
         QVUSPSLargeEnvelopeSize,
         {},
         QVUSPSeSignatureConfirmation,
         {},
         {},
         {}},
        {"Priority flat, default",
         QVUSPSPriorityMail,
         QVUSPSLargeEnvelopeSize,
         {},
         QVUSPSeSignatureConfirmation,
         {},
         {},
         QVUSPSeSignatureConfirmation},
        {"default the piece cannot take",
         QVUSPSPriorityMail,
         QVUSPSRegularSize,
         {},
         QVUSPSeSignatureConfirmation,
         QStringLiteral("09001"),
         QStringLiteral("AE"),
         {}},
        {"default not offered with Express",
         QVUSPSExpressMail,
         QVUSPSRegularSize,
         {},
         QVUSPSeDeliveryConfirmation,
         {},
         {},
         {}},
        {"only hold for pickup, default",
         QVUSPSPriorityMail,
         QVUSPSRegularSize,
         {QVUSPSHoldForPickupService},
         QVUSPSeSignatureConfirmation,
         {},
         {},
         QVUSPSeSignatureConfirmation},
        {"only hold for pickup, no default",
         QVUSPSFirstClassMail,
         QVUSPSRegularSize,
         {QVUSPSHoldForPickupService},
         {},
         {},
         {},
         QVUSPSeDeliveryConfirmation},
        {"another service, default",
         QVUSPSPriorityMail,
         QVUSPSRegularSize,
         {QVUSPSCertifiedMailService},
         QVUSPSeSignatureConfirmation,
         {},
         {},
         {}},
        {"another service, no default",
         QVUSPSFirstClassMail,
         QVUSPSRegularSize,
         {QVUSPSHoldForPickupService, QVUSPSCertifiedMailService},
         {},
         {},
         {},
         {}},
        {"Priority to military, no default",
         QVUSPSPriorityMail,
         QVUSPSRegularSize,
         {},
         {},
         QStringLiteral("09001"),
         QStringLiteral("AE"),
         {}},
        {"Priority to a territory, no default",
         QVUSPSPriorityMail,
         QVUSPSRegularSize,
         {},
         {},
         QStringLiteral("96910"),
         QStringLiteral("GU"),
         {}},
        {"First-Class package to military, no default",
         QVUSPSFirstClassMail,
         QVUSPSRegularSize,
         {},
         {},
         QStringLiteral("09001"),
         QStringLiteral("AE"),
         {}},
        {"First-Class package to a territory, no default",
         QVUSPSFirstClassMail,
         QVUSPSRegularSize,
         {},
         {},
         QStringLiteral("96910"),
         QStringLiteral("GU"),
         QVUSPSeDeliveryConfirmation},
        {"Media Mail, no default", QVUSPSMediaMail, QVUSPSRegularSize, {}, {}, {}, {}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        UserDefaults::standardUserDefaults().setString(c.defaultService, kConfirmationService);
        auto shipment = domestic(c.rateClass, c.size, 3);
        if (!c.zip.isNull()) {
            shipment->setObject(domesticAddress(c.zip, c.state), QVShipmentToAddressKey);
        }
        // A confirmation left from an earlier choice must not survive.
        shipment->setObject(QVUSPSeDeliveryConfirmation, QVUSPSShipmentConfirmationServiceKey);
        if (!c.services.isEmpty())
            setServices(*shipment, c.services);
        shipment->_updatePricing();
        EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentConfirmationServiceKey).toString(), c.expected);
        EXPECT_EQ(shipment->dictionary().contains(QVUSPSShipmentConfirmationServiceKey), !c.expected.isNull());
        EXPECT_EQ(shipment->dictionary().contains(QVUSPSShipmentConfirmationServicePriceKey), !c.expected.isNull());
    }
}

// ---- Discounts ---------------------------------------------------------------------

TEST_F(QVShipmentPricingTest, LevelTenTakesTheLabelServerPrice)
{
    account->discountLevel = 10;
    labelServer->price = money("5.50");
    auto shipment = domestic(QVUSPSPriorityMail, QVUSPSRegularSize, 16);
    shipment->_updatePricing();
    EXPECT_EQ(labelServer->calls, 1);
    EXPECT_EQ(storedPrice(*shipment, QVUSPSShipmentPostageKey), money("5.50"));
    EXPECT_EQ(storedPrice(*shipment, QVUSPSShipmentOriginalPostageKey), money("5.85"));
    EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentRateClassificationKey).toInt(), 10);
    EXPECT_EQ(shipment->totalPrice(), money("5.50"));
    ASSERT_FALSE(account->discountLevelQuestions.empty());
    EXPECT_EQ(account->discountLevelQuestions.back(), std::make_pair(QVUSPSPriorityMail, QVUSPSRegularSize));

    // The retail price is kept only when it is the higher one.
    for (const char *price : {"5.85", "6.10"}) {
        SCOPED_TRACE(price);
        labelServer->price = money(price);
        shipment->_updatePricing();
        EXPECT_EQ(storedPrice(*shipment, QVUSPSShipmentPostageKey), money(price));
        EXPECT_FALSE(shipment->dictionary().contains(QVUSPSShipmentOriginalPostageKey));
    }
}

TEST_F(QVShipmentPricingTest, LevelNineTakesTheRateClassPrice)
{
    account->discountLevel = 9;
    labelServer->price = money("1.00");
    auto shipment = domestic(QVUSPSPriorityMail, QVUSPSFlatRateEnvelopeSize, 16);
    shipment->_updatePricing();
    EXPECT_EQ(labelServer->calls, 0);

    // What the rate class itself answers for the same question: level 9 steps
    // down to commercial plus, whose flat-rate envelope price is known.
    int weight = 1;
    int level = 9;
    bool cubic = false;
    const Decimal expected = QVUSPSJan2014RateClass::classObject().priority()->rateForWeightByReference(
        &weight, QStringLiteral("4"), QVUSPSFlatRateEnvelopeSize, true, false, shipment->dimensionDictionary(), nullptr,
        QStringLiteral("NY"), false, &level, &cubic);
    EXPECT_EQ(expected, money("4.95"));
    EXPECT_EQ(level, 2);
    EXPECT_EQ(storedPrice(*shipment, QVUSPSShipmentPostageKey), expected);
    EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentRateClassificationKey).toInt(), level);
    EXPECT_EQ(shipment->totalPrice(), expected);
    EXPECT_EQ(storedPrice(*shipment, QVUSPSShipmentOriginalPostageKey), money("5.60"));
}

TEST_F(QVShipmentPricingTest, DiscountedPiecesWithoutAKnownPriceTotalZero)
{
    // The commercial prices of these pieces are not part of the build: the
    // rate class answers zero for the level asked (never the retail price),
    // the piece totals zero, and no undiscounted postage is shown beside a
    // price that does not exist.
    struct Case {
        const char *what;
        QString rateClass;
        QString size;
        int ounces, level;
    } cases[] = {
        {"Priority Mail 1 lb, commercial plus", QVUSPSPriorityMail, QVUSPSRegularSize, 16, 2},
        {"Priority Mail 1 lb, commercial base", QVUSPSPriorityMail, QVUSPSRegularSize, 16, 1},
        {"First-Class package 8 oz, commercial base", QVUSPSFirstClassMail, QVUSPSRegularSize, 8, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        account->discountLevel = c.level;
        auto shipment = domestic(c.rateClass, c.size, c.ounces);
        shipment->_updatePricing();
        EXPECT_EQ(storedPrice(*shipment, QVUSPSShipmentPostageKey), Decimal::zero());
        EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentRateClassificationKey).toInt(), c.level);
        EXPECT_TRUE(shipment->totalPrice().isZero());
        EXPECT_FALSE(shipment->dictionary().contains(QVUSPSShipmentOriginalPostageKey));
    }
}

TEST_F(QVShipmentPricingTest, RetailPricesAreNotAskedOfPiecesWithoutDiscount)
{
    account->discountLevel = 10;
    labelServer->price = money("1.00");
    // Media Mail is not a discounted class: level 0 and the rate-class price.
    auto media = domestic(QVUSPSMediaMail, QVUSPSRegularSize, 16);
    media->_updatePricing();
    EXPECT_EQ(labelServer->calls, 0);
    EXPECT_TRUE(account->discountLevelQuestions.empty());
    EXPECT_EQ(media->objectForKey(QVUSPSShipmentRateClassificationKey).toInt(), 0);
    EXPECT_EQ(media->totalPrice(), money("2.69"));

    // A forced retail price on a First-Class package: no discount asked.
    auto package = domestic(QVUSPSFirstClassMail, QVUSPSRegularSize, 8);
    package->setForcedRetailRates(true);
    EXPECT_TRUE(package->isForcedRetailRates());
    EXPECT_EQ(labelServer->calls, 0);
    EXPECT_EQ(package->totalPrice(), money("3.22"));

    // Setting the same value does not re-price; another class clears it.
    package->setTotalPrice(money("9.99"));
    package->setForcedRetailRates(true);
    EXPECT_EQ(package->totalPrice(), money("9.99"));
    package->setObject(QVUSPSPriorityMail, QVUSPSShipmentRateClassKey, true);
    EXPECT_FALSE(package->isForcedRetailRates());
}

// ---- Weights -------------------------------------------------------------------------

TEST_F(QVShipmentPricingTest, PoundPricedClassesChargeAnyFractionAsAWholePound)
{
    struct Case {
        QString number;
        QString unit;
        const char *total;
    } cases[] = {
        {QStringLiteral("16"), QVOunceUnitString, "2.69"},
        {QStringLiteral("8"), QVOunceUnitString, "2.69"},     // half a pound is a pound
        {QStringLiteral("0.5"), QVPoundUnitString, "2.69"},   // not 0 lb
        {QStringLiteral("1105"), QVOunceUnitString, "34.55"}, // 69 lb 1 oz is 70 lb
        {QStringLiteral("69.0625"), QVPoundUnitString, "34.55"},
        {QStringLiteral("69.01"), QVPoundUnitString, "34.55"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE((c.number + c.unit).toStdString());
        auto shipment = domestic(QVUSPSMediaMail, QVUSPSRegularSize, 1);
        shipment->setObject(c.number, QVShipmentWeightNumberKey);
        shipment->setObject(c.unit, QVShipmentWeightUnitKey);
        shipment->_updatePricing();
        EXPECT_EQ(shipment->totalPrice(), money(c.total));
    }
}

TEST_F(QVShipmentPricingTest, OuncePricedClassesChargeAnyFractionAsAWholeOunce)
{
    // 0.45 lb is 7.2 oz: priced as 8 oz.
    auto shipment = domestic(QVUSPSFirstClassMail, QVUSPSRegularSize, 1);
    shipment->setObject(QStringLiteral("0.45"), QVShipmentWeightNumberKey);
    shipment->setObject(QVPoundUnitString, QVShipmentWeightUnitKey);
    shipment->_updatePricing();
    EXPECT_EQ(shipment->totalPrice(), money("3.22"));
}

// ---- Totals ---------------------------------------------------------------------------

TEST_F(QVShipmentPricingTest, TotalNeedsTwoFiveDigitZIPs)
{
    auto shortOrigin = domestic(QVUSPSPriorityMail, QVUSPSRegularSize, 16);
    shortOrigin->setObject(QStringLiteral("0213"), QVUSPSShipmentMailedFromZIP5Key);
    shortOrigin->_updatePricing();
    EXPECT_EQ(storedPrice(*shortOrigin, QVUSPSShipmentPostageKey), money("5.85"));
    EXPECT_EQ(shortOrigin->totalPrice(), Decimal::zero());

    auto noDestination = domestic(QVUSPSPriorityMail, QVUSPSRegularSize, 16);
    noDestination->setObject(domesticAddress(QString()), QVShipmentToAddressKey);
    const size_t asked = zones->questions.size();
    noDestination->_updatePricing();
    EXPECT_EQ(noDestination->objectForKey(QVUSPSShipmentZoneKey).toString(), QStringLiteral("-1"));
    EXPECT_EQ(zones->questions.size(), asked);
    EXPECT_EQ(noDestination->totalPrice(), Decimal::zero());
}

TEST_F(QVShipmentPricingTest, ASizeWithoutClassesHasNoPrice)
{
    // An oversize parcel goes only by Parcel Select or Standard Post; with
    // the one switched off for the account and the other not allowed, no
    // class is left to price it.
    account->parcelSelectDisabled = true;
    account->standardPostAllowed = false;
    auto shipment = domestic(QVUSPSParcelSelect, QVUSPSOversizeSize, 16);
    shipment->setTotalPrice(money("7.00"));
    shipment->_updatePricing();
    EXPECT_EQ(shipment->totalPrice(), Decimal::zero());
    EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentSizeKey).toString(), QVUSPSOversizeSize);
    EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentRateClassKey).toString(), QVUSPSParcelSelect);
    EXPECT_FALSE(shipment->dictionary().contains(QVUSPSShipmentPostageKey));
    EXPECT_EQ(labelServer->calls, 0);

    // Without a stored class either.
    shipment->removeObjectForKey(QVUSPSShipmentRateClassKey);
    shipment->_updatePricing();
    EXPECT_EQ(shipment->totalPrice(), Decimal::zero());
    EXPECT_FALSE(shipment->dictionary().contains(QVUSPSShipmentRateClassKey));
}

TEST_F(QVShipmentPricingTest, SizeAndClassFollowTheDimensions)
{
    // A piece of 10 x 5 in, 0.1 in thick is a letter; Priority Mail does not
    // carry letters, so First-Class Mail is taken.
    auto shipment = domestic(QVUSPSPriorityMail, QVUSPSLargeEnvelopeSize, 1);
    shipment->setObject(1000, QVShipmentLengthMeasurementKey);
    shipment->setObject(10, QVShipmentWidthMeasurementKey);
    shipment->setObject(500, QVShipmentHeightMeasurementKey);
    shipment->_updatePricing();
    EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentSizeKey).toString(), QVUSPSLetterSize);
    EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentRateClassKey).toString(), QVUSPSFirstClassMail);
    EXPECT_TRUE(shipment->objectForKey(QVUSPSShipmentMachinableKey).toBool());
    EXPECT_EQ(shipment->totalPrice(), money("0.48"));

    // A letter whose ratio is outside 1.3 to 2.5 is not machinable and pays
    // the 21-cent surcharge.
    shipment->setObject(1150, QVShipmentLengthMeasurementKey);
    shipment->setObject(400, QVShipmentHeightMeasurementKey);
    shipment->_updatePricing();
    EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentSizeKey).toString(), QVUSPSLetterSize);
    EXPECT_FALSE(shipment->objectForKey(QVUSPSShipmentMachinableKey).toBool());
    EXPECT_EQ(shipment->totalPrice(), money("0.69"));
}

// ---- Quiet keys ------------------------------------------------------------------------

TEST_F(QVShipmentPricingTest, CubicKeysFollowTheAppliedCubicPrice)
{
    // A 4 x 4 x 4 in Priority Mail parcel of an account with cubic pricing
    // at commercial plus: the cubic price ($4.74 at zone 4, tier 1) is below
    // the weight price.
    // Commercial plus's weight table is not part of the build: the test lays
    // one over it (1 lb at the retail prices).
    static const int32_t plusWeights[] = {16, 560, 570, 585, 600, 620, 645, 695, 835, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const tolvane::test::ScopedRateLeaf plus(
        kREPriority, 0, 2, MakeRateArray(plusWeights, RateRowForm::ZonedRows, "test commercial plus", 9));
    account->discountLevel = 2;
    account->cubic = true;
    auto shipment = domestic(QVUSPSPriorityMail, QVUSPSRegularSize, 16);
    for (const QString &key :
         {QVShipmentLengthMeasurementKey, QVShipmentWidthMeasurementKey, QVShipmentHeightMeasurementKey})
        shipment->setObject(400, key);
    shipment->setObject(true, QVUSPSShipmentIntraBMCEligibleKey);
    shipment->_updatePricing();
    EXPECT_EQ(shipment->totalPrice(), money("4.74"));
    EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentCubicPricingKey), QVariant(true));
    // The tier of the cubic row that priced it, not the 1 lb weight.
    EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentCubicTierKey).toInt(), 1);
    EXPECT_EQ(storedPrice(*shipment, QVUSPSShipmentOriginalPostageKey), money("5.85"));
    // The stored tier gives the service-class key its tier-1 bits (0x800).
    const int level = shipment->objectForKey(QVUSPSShipmentRateClassificationKey).toInt();
    const int32_t serviceClass =
        GetServiceClassRE2010(kREPriority, kREShapeParcel, shipment->objectForKey(QVUSPSShipmentCubicTierKey).toInt(),
                              4, 0, 0, 1, 0, level, 0, 1);
    EXPECT_EQ(serviceClass & 0x3800, 0x800);
    EXPECT_FALSE(shipment->dictionary().contains(QVUSPSShipmentIntraBMCEligibleKey));

    // Without cubic pricing on the account both keys go.
    account->cubic = false;
    shipment->_updatePricing();
    EXPECT_FALSE(shipment->totalPrice().isZero());
    EXPECT_FALSE(shipment->dictionary().contains(QVUSPSShipmentCubicPricingKey));
    EXPECT_FALSE(shipment->dictionary().contains(QVUSPSShipmentCubicTierKey));
    // The level stored is the one the weight table was found at, with or
    // without the cubic price.
    EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentRateClassificationKey).toInt(), level);
}

TEST_F(QVShipmentPricingTest, StealthPostageNeedsAnEligiblePiece)
{
    struct Case {
        const char *what;
        QString rateClass;
        QString size;
        QVariant stored; // invalid: nothing stored
        bool expected;
    } cases[] = {
        {"asked, parcel", QVUSPSPriorityMail, QVUSPSRegularSize, true, true},
        {"not asked, parcel", QVUSPSPriorityMail, QVUSPSRegularSize, false, false},
        {"nothing stored, parcel", QVUSPSPriorityMail, QVUSPSRegularSize, QVariant(), false},
        {"asked, letter", QVUSPSFirstClassMail, QVUSPSLetterSize, true, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        auto shipment = domestic(c.rateClass, c.size, 1);
        if (c.stored.isValid())
            shipment->setObject(c.stored, QVUSPSShipmentStealthPostageKey);
        shipment->_updatePricing();
        EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentStealthPostageKey), QVariant(c.expected));
    }
}

// ---- Notifications -------------------------------------------------------------------

// Records, for every change notification, which of the keys that pricing
// stores through the record changed since the one before.
class ChangeRecorder
{
public:
    explicit ChangeRecorder(const std::shared_ptr<QVShipment> &shipment)
        : m_shipment(shipment), m_before(shipment->dictionary())
    {
        m_observer = NotificationCenter::defaultCenter().addObserver(QVShipmentDidChangeNotification, shipment,
                                                                     [this](const Notification &) { record(); });
    }

    QList<QStringList> changes;

private:
    void record()
    {
        static const QStringList tracked = {QVUSPSShipmentSizeKey,
                                            QVUSPSShipmentRateClassKey,
                                            QVUSPSShipmentMachinableKey,
                                            QVUSPSShipmentConfirmationServiceKey,
                                            QVUSPSShipmentOriginalPostageKey,
                                            QVUSPSShipmentStealthPostageKey,
                                            QVShipmentWeightNumberKey};
        QStringList changed;
        const QVariantMap now = m_shipment->dictionary();
        for (const QString &key : tracked) {
            if (now.value(key) != m_before.value(key) || now.contains(key) != m_before.contains(key))
                changed.append(key);
        }
        changes.append(changed);
        m_before = now;
    }

    std::shared_ptr<QVShipment> m_shipment;
    QVariantMap m_before;
    NotificationObserver m_observer;
};

TEST_F(QVShipmentPricingTest, DomesticNotificationsComeInOrderOnlyForChanges)
{
    account->discountLevel = 10;
    labelServer->price = money("5.50");
    // Critical Mail does not carry this parcel, and the size does not fit
    // its dimensions.
    auto shipment = domestic(QVUSPSCriticalMail, QVUSPSLargeSize, 16);
    shipment->setObject(1000, QVShipmentLengthMeasurementKey);
    shipment->setObject(300, QVShipmentWidthMeasurementKey);
    shipment->setObject(800, QVShipmentHeightMeasurementKey);
    {
        ChangeRecorder recorder(shipment);
        shipment->_updatePricing();
        const QList<QStringList> expected = {{QVUSPSShipmentSizeKey},
                                             {QVUSPSShipmentRateClassKey},
                                             {QVUSPSShipmentMachinableKey},
                                             {QVUSPSShipmentConfirmationServiceKey},
                                             {QVUSPSShipmentOriginalPostageKey},
                                             {QVUSPSShipmentStealthPostageKey}};
        EXPECT_EQ(recorder.changes, expected);
        EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentSizeKey).toString(), QVUSPSRegularSize);
    }
    {
        // Nothing changed: nothing is posted.
        ChangeRecorder recorder(shipment);
        shipment->_updatePricing();
        EXPECT_TRUE(recorder.changes.isEmpty());
    }
    {
        // A store that asks for pricing posts its own change after the
        // pricing's: First-Class Mail has no retail price above the label
        // server's here, so the undiscounted postage goes first.
        ChangeRecorder recorder(shipment);
        shipment->setObject(QVUSPSFirstClassMail, QVUSPSShipmentRateClassKey, true);
        const QList<QStringList> expected = {{QVUSPSShipmentRateClassKey, QVUSPSShipmentOriginalPostageKey}, {}};
        EXPECT_EQ(recorder.changes, expected);
        EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentRateClassKey).toString(), QVUSPSFirstClassMail);
    }
}

// ---- Saved form ------------------------------------------------------------------------

TEST_F(QVShipmentPricingTest, SavedFormKeepsThePrices)
{
    UserDefaults::standardUserDefaults().setString(QVUSPSeSignatureConfirmation, kConfirmationService);
    account->discountLevel = 10;
    labelServer->price = money("5.50");
    auto shipment = domestic(QVUSPSPriorityMail, QVUSPSRegularSize, 16);
    setServices(*shipment, {QVUSPSCertifiedMailService});
    UserDefaults::standardUserDefaults().setString(QString(), kConfirmationService);
    shipment->_updatePricing();
    ASSERT_EQ(shipment->totalPrice(), money("8.80"));

    const QVariantMap plist = shipment->plist();
    EXPECT_EQ(plist.value(QVShipmentPriceKey), QVariant(QStringLiteral("8.8")));
    EXPECT_EQ(plist.value(QVUSPSShipmentPostageKey), QVariant(QStringLiteral("5.5")));
    EXPECT_EQ(plist.value(QVUSPSShipmentOriginalPostageKey), QVariant(QStringLiteral("5.85")));
    EXPECT_EQ(plist.value(QVUSPSShipmentOptionalServicesPriceKey), QVariant(QStringLiteral("3.3")));

    const auto rebuilt = QVShipment::shipmentWithDictionary(plist);
    EXPECT_EQ(rebuilt->totalPrice(), money("8.80"));
    EXPECT_EQ(storedPrice(*rebuilt, QVUSPSShipmentPostageKey), money("5.50"));
    EXPECT_EQ(storedPrice(*rebuilt, QVUSPSShipmentOriginalPostageKey), money("5.85"));
    rebuilt->_updatePricing();
    EXPECT_EQ(rebuilt->totalPrice(), money("8.80"));
    EXPECT_EQ(rebuilt->plist(), plist);
}

// Pricing keeps the user defaults it reads between re-prices: a default
// changed between two re-prices is seen by the second, each way.
TEST_F(QVShipmentPricingTest, RepricesFollowChangedDefaults)
{
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    auto shipment = domestic(QVUSPSPriorityMail, QVUSPSRegularSize, 16);
    const QString sep14 = QStringLiteral("useSep14Rates");
    const QString mailInnovations = QStringLiteral("upsMailInnovationsMode");
    struct Step {
        const char *what;
        QString key;
        QVariant value; // null: removed
        const char *total;
        QString confirmation;
        bool standardPostOffered;
    } steps[] = {
        {"nothing set", sep14, {}, "5.85", QVUSPSeDeliveryConfirmation, false},
        {"September prices", sep14, true, "6.00", QVUSPSeDeliveryConfirmation, false},
        {"January prices again", sep14, false, "5.85", QVUSPSeDeliveryConfirmation, false},
        {"a default confirmation", kConfirmationService, QVUSPSeSignatureConfirmation, "5.85",
         QVUSPSeSignatureConfirmation, false},
        {"the default removed", kConfirmationService, {}, "5.85", QVUSPSeDeliveryConfirmation, false},
        {"Mail Innovations mode", mailInnovations, true, "5.85", QVUSPSeDeliveryConfirmation, true},
        {"Mail Innovations mode off", mailInnovations, false, "5.85", QVUSPSeDeliveryConfirmation, false},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.what);
        if (step.value.isValid())
            defaults.setObject(step.value, step.key);
        else
            defaults.removeObjectForKey(step.key);
        shipment->_updatePricing();
        const Decimal confirmationFee =
            storedPrice(*shipment, QVUSPSShipmentConfirmationServicePriceKey).value_or(Decimal::zero());
        EXPECT_EQ(shipment->totalPrice() - confirmationFee, money(step.total));
        EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentConfirmationServiceKey).toString(), step.confirmation);
        const QList<QVUSPSRateClass *> classes =
            QVUSPSRateClass::ratesForDate(shipment->shipCalendarDate()).rateClassesForSize(QVUSPSRegularSize);
        const bool offered = std::any_of(classes.cbegin(), classes.cend(),
                                         [](const QVUSPSRateClass *c) { return c->name() == QVUSPSStandardPost; });
        EXPECT_EQ(offered, step.standardPostOffered);
    }
    defaults.removeObjectForKey(sep14);
    defaults.removeObjectForKey(mailInnovations);
}

// A re-price stores its prices as decimals of the form a fresh record gets,
// whatever form the same amounts were stored in before (text, or the same
// amount with more digits).
TEST_F(QVShipmentPricingTest, RepricedPricesTakeTheFormOfAFreshPrice)
{
    auto fresh = domestic(QVUSPSPriorityMail, QVUSPSRegularSize, 16);
    fresh->_updatePricing();
    ASSERT_EQ(fresh->totalPrice(), money("5.85"));
    const QVariant freshTotal = fresh->objectForKey(QVShipmentPriceKey);
    const QVariant freshPostage = fresh->objectForKey(QVUSPSShipmentPostageKey);
    ASSERT_TRUE(freshTotal.metaType() == QMetaType::fromType<Decimal>());
    ASSERT_TRUE(freshPostage.metaType() == QMetaType::fromType<Decimal>());

    const QVariant storedForms[] = {
        QVariant(QStringLiteral("5.85")),
        QVariant::fromValue(Decimal(5850, -3)),
        QVariant::fromValue(Decimal(585, -2)),
        QVariant::fromValue(Decimal(-585, -2)),
    };
    for (const QVariant &form : storedForms) {
        SCOPED_TRACE(form.toString().toStdString());
        auto shipment = domestic(QVUSPSPriorityMail, QVUSPSRegularSize, 16);
        shipment->setObject(form, QVShipmentPriceKey);
        shipment->setObject(form, QVUSPSShipmentPostageKey);
        shipment->_updatePricing();
        for (const auto &[key, expected] :
             {std::pair{QVShipmentPriceKey, freshTotal}, std::pair{QVUSPSShipmentPostageKey, freshPostage}}) {
            const QVariant stored = shipment->objectForKey(key);
            ASSERT_TRUE(stored.metaType() == QMetaType::fromType<Decimal>()) << key.toStdString();
            const Decimal &got = *static_cast<const Decimal *>(stored.constData());
            const Decimal &want = *static_cast<const Decimal *>(expected.constData());
            EXPECT_TRUE(got.mantissa() == want.mantissa()) << key.toStdString();
            EXPECT_EQ(got.exponent(), want.exponent()) << key.toStdString();
            EXPECT_EQ(got.isNegative(), want.isNegative()) << key.toStdString();
        }
        EXPECT_EQ(shipment->plist(), fresh->plist());
    }
}

// ---- International ---------------------------------------------------------------------

class QVShipmentIntlPricingTest : public QVShipmentPricingTest
{
protected:
    void SetUp() override
    {
        QVShipmentPricingTest::SetUp();
        ASSERT_EQ(LoadCountry2013FileAtPath(fixture("intl-countries.dat").c_str()), 1);
        NotificationCenter::defaultCenter().post(QVCountryListDidChangeNotification);
        installInternationalRateProvider();
    }
    void TearDown() override
    {
        LoadCountry2013FileAtPath(shipped("country2013.dat").c_str());
        NotificationCenter::defaultCenter().post(QVCountryListDidChangeNotification);
        QVShipmentPricingTest::TearDown();
    }

    static std::shared_ptr<QVShipment> abroad(const QString &country, const QString &rateClass, const QString &size,
                                              int ounces)
    {
        auto shipment = domestic(rateClass, size, ounces);
        shipment->setObject(foreignAddress(country), QVShipmentToAddressKey);
        return shipment;
    }
};

TEST_F(QVShipmentIntlPricingTest, PriorityMailInternationalToPriceGroupOne)
{
    auto shipment = abroad(QStringLiteral("Alphaland"), QVUSPSIntlPriorityMailIntl, QVUSPSRegularSize, 16);
    // Domestic leftovers go.
    shipment->setObject(QVUSPSeDeliveryConfirmation, QVUSPSShipmentConfirmationServiceKey);
    shipment->setObject(QStringLiteral("4"), QVUSPSShipmentZoneKey);
    shipment->setObject(true, QVUSPSShipmentCubicPricingKey);
    shipment->setObject(false, QVShipmentRectangularKey);
    setServices(*shipment, {QVUSPSCertifiedMailService});
    shipment->_updatePricing();

    EXPECT_EQ(shipment->totalPrice(), money("29.25"));
    EXPECT_EQ(storedPrice(*shipment, QVUSPSShipmentPostageKey), money("29.25"));
    EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentRateClassificationKey).toInt(), 0);
    for (const QString &key :
         {QVUSPSShipmentConfirmationServiceKey, QVUSPSShipmentZoneKey, QVUSPSShipmentCubicPricingKey,
          QVShipmentRectangularKey, QVUSPSShipmentOptionalServicesKey, QVUSPSShipmentOriginalPostageKey}) {
        SCOPED_TRACE(key.toStdString());
        EXPECT_FALSE(shipment->dictionary().contains(key));
    }
    EXPECT_EQ(labelServer->calls, 0);
}

TEST_F(QVShipmentIntlPricingTest, OversizePiecesArePricedAsRegular)
{
    auto shipment = abroad(QStringLiteral("ALPHALAND"), QVUSPSIntlPriorityMailIntl, QVUSPSOversizeSize, 16);
    shipment->_updatePricing();
    EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentSizeKey).toString(), QVUSPSRegularSize);
    EXPECT_EQ(shipment->totalPrice(), money("29.25"));
}

TEST_F(QVShipmentIntlPricingTest, ClassIsChosenFromTheCountryOffer)
{
    auto shipment = abroad(QStringLiteral("ALPHALAND"), QVUSPSPriorityMail, QVUSPSRegularSize, 16);
    shipment->_updatePricing();
    const QStringList offered =
        QVCountry::countryWithName(QStringLiteral("ALPHALAND"))->availableRateClassesForSize(QVUSPSRegularSize);
    ASSERT_FALSE(offered.isEmpty());
    EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentRateClassKey).toString(), offered.first());
}

TEST_F(QVShipmentIntlPricingTest, DiscountsAbroadNeedPostageEnabled)
{
    account->discountLevel = 10;
    labelServer->price = money("27.00");
    auto shipment = abroad(QStringLiteral("ALPHALAND"), QVUSPSIntlPriorityMailIntl, QVUSPSRegularSize, 16);
    shipment->_updatePricing();
    EXPECT_EQ(labelServer->calls, 0);
    EXPECT_EQ(shipment->totalPrice(), money("29.25"));

    shipment->setObject(true, QVUSPSShipmentPostageEnabledKey);
    shipment->_updatePricing();
    EXPECT_EQ(labelServer->calls, 1);
    EXPECT_EQ(shipment->totalPrice(), money("27.00"));
    EXPECT_EQ(storedPrice(*shipment, QVUSPSShipmentOriginalPostageKey), money("29.25"));
    EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentRateClassificationKey).toInt(), 10);
}

TEST_F(QVShipmentIntlPricingTest, UnknownCountryTotalsZero)
{
    auto shipment = abroad(QStringLiteral("Narnia"), QVUSPSIntlPriorityMailIntl, QVUSPSRegularSize, 16);
    shipment->setTotalPrice(money("3.00"));
    shipment->_updatePricing();
    EXPECT_EQ(shipment->totalPrice(), Decimal::zero());
    EXPECT_FALSE(shipment->dictionary().contains(QVUSPSShipmentPostageKey));
}

TEST_F(QVShipmentIntlPricingTest, StealthPostageAbroadOnlyWhenAsked)
{
    for (const bool asked : {true, false}) {
        SCOPED_TRACE(asked);
        auto shipment = abroad(QStringLiteral("ALPHALAND"), QVUSPSIntlPriorityMailIntl, QVUSPSRegularSize, 16);
        shipment->setObject(asked, QVUSPSShipmentStealthPostageKey);
        shipment->_updatePricing();
        EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentStealthPostageKey), QVariant(asked));
    }
    auto unasked = abroad(QStringLiteral("ALPHALAND"), QVUSPSIntlPriorityMailIntl, QVUSPSRegularSize, 16);
    unasked->_updatePricing();
    EXPECT_EQ(unasked->objectForKey(QVUSPSShipmentStealthPostageKey), QVariant(false));
}

TEST_F(QVShipmentIntlPricingTest, InternationalNotificationsComeInOrder)
{
    auto shipment = abroad(QStringLiteral("ALPHALAND"), QVUSPSIntlPriorityMailIntl, QVUSPSOversizeSize, 16);
    shipment->setObject(QVUSPSeDeliveryConfirmation, QVUSPSShipmentConfirmationServiceKey);
    ChangeRecorder recorder(shipment);
    shipment->_updatePricing();
    const QList<QStringList> expected = {{QVUSPSShipmentConfirmationServiceKey}, {QVUSPSShipmentSizeKey}};
    EXPECT_EQ(recorder.changes, expected);
}

} // namespace
