// Price, fee and weight-menu queries of the domestic rate classes, asked of
// the built-in January and September 2014 tables. Only prices that the
// built-in tables hold are used (2014 retail: First-Class letters 1-3.5 oz,
// First-Class parcels 1-13 oz, Media Mail and Library Mail 1 lb, Priority
// Mail 1 lb, the Priority Mail flat rates, the special-service fees).
#include "rates/QVUSPSRateClass.h"

#include "QVUSPSRateClassFakes.h"
#include "model/QVShipment.h"
#include "model/QVWeight.h"
#include "platform/UserDefaults.h"
#include "rateengine/RateEngine.h"

#include "ConsoleCapture.h"

#include <gtest/gtest.h>

namespace {

class QVUSPSRateClassQueriesTest : public FakeAccountTest
{
protected:
    void SetUp() override
    {
        InitializeRE("", "01/27/2014");
        FakeAccountTest::SetUp();
        partner = std::make_shared<FakePartnerLabelService>();
        setPartnerLabelServices(partner);
    }
    void TearDown() override
    {
        setPartnerLabelServices(nullptr);
        FakeAccountTest::TearDown();
    }

    static const QVUSPSRateYear &jan() { return QVUSPSJan2014RateClass::classObject(); }
    static const QVUSPSRateYear &sep() { return QVUSPSSep2014RateClass::classObject(); }

    static QVariantMap dimensions(int length, int height, int width, const QVariant &rectangular)
    {
        QVariantMap map = {{QVShipmentLengthMeasurementKey, length},
                           {QVShipmentHeightMeasurementKey, height},
                           {QVShipmentWidthMeasurementKey, width}};
        if (rectangular.isValid())
            map.insert(QVShipmentRectangularKey, rectangular);
        return map;
    }

    static QStringList numbers(int from, int to)
    {
        QStringList list;
        for (int i = from; i <= to; ++i)
            list.append(QString::number(i));
        return list;
    }

    std::shared_ptr<FakePartnerLabelService> partner;
};

// ---- Prices ------------------------------------------------------------------

TEST_F(QVUSPSRateClassQueriesTest, OneOunceFirstClassLetterIsFortyEightCents)
{
    const Decimal price = jan().firstClass()->rateForWeight(1, QStringLiteral("1"), QVUSPSLetterSize);
    EXPECT_EQ(price, Decimal(48, -2));
    EXPECT_EQ(price, Decimal::fromString(QStringLiteral("0.48")));
    EXPECT_EQ(price.toString(), QStringLiteral("0.48"));
}

TEST_F(QVUSPSRateClassQueriesTest, PricesInNativeUnitsAndZones)
{
    struct Case {
        const char *what;
        QString rateClass;
        int weight;
        QString zone;
        QString size;
        const char *price;
    } cases[] = {
        {"letter 2 oz", QVUSPSFirstClassMail, 2, "5", QVUSPSLetterSize, "0.69"},
        {"letter 3 oz", QVUSPSFirstClassMail, 3, "5", QVUSPSLetterSize, "0.90"},
        {"letter 4 oz is the 3.5 oz step", QVUSPSFirstClassMail, 4, "5", QVUSPSLetterSize, "1.11"},
        {"parcel 1 oz", QVUSPSFirstClassMail, 1, "3", QVUSPSRegularSize, "2.32"},
        {"parcel 13 oz", QVUSPSFirstClassMail, 13, "3", QVUSPSRegularSize, "4.12"},
        {"media mail 1 lb", QVUSPSMediaMail, 1, "4", QVUSPSRegularSize, "2.69"},
        {"media mail 70 lb", QVUSPSMediaMail, 70, "4", QVUSPSRegularSize, "34.55"},
        {"library mail 1 lb", QVUSPSLibraryMail, 1, "8", QVUSPSRegularSize, "2.56"},
        {"priority 16 oz zone 5", QVUSPSPriorityMail, 16, "5", QVUSPSRegularSize, "6.00"},
        {"priority 16 oz zone 9", QVUSPSPriorityMail, 16, "9", QVUSPSRegularSize, "8.35"},
        {"priority 16 oz local", QVUSPSPriorityMail, 16, "Local", QVUSPSRegularSize, "5.60"},
        {"priority 16 oz zone 3", QVUSPSPriorityMail, 16, "3", QVUSPSRegularSize, "5.70"},
        {"priority flat-rate envelope", QVUSPSPriorityMail, 2, "7", QVUSPSFlatRateEnvelopeSize, "5.60"},
        // No price: zone above 9, over the letter limit, no zone for a zoned class.
        {"zone 10", QVUSPSPriorityMail, 16, "10", QVUSPSRegularSize, "0"},
        {"letter 5 oz", QVUSPSFirstClassMail, 5, "1", QVUSPSLetterSize, "0"},
        {"priority without a zone", QVUSPSPriorityMail, 16, "-1", QVUSPSRegularSize, "0"},
    };
    for (const Case &c : cases) {
        const Decimal price = jan().rateClassWithName(c.rateClass)->rateForWeight(c.weight, c.zone, c.size);
        EXPECT_EQ(price, Decimal::fromString(QString::fromLatin1(c.price)))
            << c.what << ": " << price.toString().toStdString();
    }
    // The shortest form prices a package.
    EXPECT_EQ(jan().mediaMail()->rateForWeight(1, QStringLiteral("1")), Decimal(269, -2));
}

TEST_F(QVUSPSRateClassQueriesTest, MissingZoneKeepsThePriceOfClassesWithoutZones)
{
    // Pricing passes "-1" when the destination ZIP is not known yet.
    EXPECT_EQ(jan().firstClass()->rateForWeight(1, QStringLiteral("-1"), QVUSPSLetterSize), Decimal(48, -2));
    EXPECT_EQ(jan().firstClass()->rateForWeight(2, QStringLiteral("-1"), QVUSPSRegularSize), Decimal(232, -2));
    EXPECT_EQ(jan().mediaMail()->rateForWeight(1, QStringLiteral("-1")), Decimal(269, -2));
    EXPECT_EQ(jan().libraryMail()->rateForWeight(1, QStringLiteral("-1")), Decimal(256, -2));
    EXPECT_EQ(jan().firstClass()->rateForWeight(1, QString(), QVUSPSLetterSize), Decimal(48, -2));
}

TEST_F(QVUSPSRateClassQueriesTest, EachRateYearPricesWithItsOwnVersion)
{
    // Priority Mail Flat Rate Envelope: $5.60 from January 2014, $5.75 from
    // September 2014; Medium Flat Rate Box $12.65 from September 2014.
    QVUSPSRateClass *janPriority = jan().priority();
    QVUSPSRateClass *sepPriority = sep().priority();
    EXPECT_EQ(sepPriority->rateForWeight(1, QStringLiteral("4"), QVUSPSFlatRateEnvelopeSize), Decimal(575, -2));
    EXPECT_EQ(janPriority->rateForWeight(1, QStringLiteral("4"), QVUSPSFlatRateEnvelopeSize), Decimal(560, -2));
    EXPECT_EQ(sepPriority->rateForWeight(1, QStringLiteral("4"), QVUSPSFlatRateEnvelopeSize), Decimal(575, -2));
    EXPECT_EQ(sepPriority->rateForWeight(3, QStringLiteral("8"), QVUSPSFlatRateBoxSize), Decimal(1265, -2));
    EXPECT_EQ(sep()
                  .rateClassWithName(QVUSPSPriorityMailFlatRate)
                  ->rateForWeight(1, QStringLiteral("2"), QVUSPSGiftCardFlatRateEnvelopeSize),
              Decimal(575, -2));
}

TEST_F(QVUSPSRateClassQueriesTest, WeightGoesToTheEngineInTenthsOfAnOunce)
{
    struct Case {
        QString rateClass;
        QString size;
        int weight;
        int tenths;
    } cases[] = {
        {QVUSPSFirstClassMail, QVUSPSLetterSize, 4, 35}, {QVUSPSFirstClassMail, QVUSPSLetterSize, 3, 30},
        {QVUSPSFirstClassMail, QVUSPSLetterSize, 1, 10}, {QVUSPSMediaMail, QVUSPSRegularSize, 1, 160},
        {QVUSPSMediaMail, QVUSPSRegularSize, 70, 11200},
    };
    for (const Case &c : cases) {
        int weight = c.weight;
        int level = 0;
        const Decimal price = jan()
                                  .rateClassWithName(c.rateClass)
                                  ->rateForWeightByReference(&weight, QStringLiteral("1"), c.size, true, false,
                                                             std::nullopt, nullptr, QString(), false, &level, nullptr);
        EXPECT_GT(price, Decimal::zero()) << c.rateClass.toStdString() << " " << c.weight;
        EXPECT_EQ(weight, c.tenths) << c.rateClass.toStdString() << " " << c.weight;
    }
}

TEST_F(QVUSPSRateClassQueriesTest, NonrectangularPiecesArePricedAsParcels)
{
    QVUSPSRateClass *priority = jan().priority();
    const QString zone = QStringLiteral("5");
    // A rectangular flat-rate envelope keeps its flat rate ...
    EXPECT_EQ(
        priority->rateForWeight(16, zone, QVUSPSFlatRateEnvelopeSize, true, false, dimensions(1200, 900, 50, true)),
        Decimal(560, -2));
    // ... a nonrectangular one (or one without the flag) is a parcel:
    // Priority Mail 1 lb, zone 5.
    EXPECT_EQ(
        priority->rateForWeight(16, zone, QVUSPSFlatRateEnvelopeSize, true, false, dimensions(1200, 900, 50, false)),
        Decimal(600, -2));
    EXPECT_EQ(priority->rateForWeight(16, zone, QVUSPSFlatRateEnvelopeSize, true, false,
                                      dimensions(1200, 900, 50, QVariant())),
              Decimal(600, -2));
}

TEST_F(QVUSPSRateClassQueriesTest, DiscountLevelGoesToTheEngineAndComesBack)
{
    // Commercial plus (level 2) Priority Mail Flat Rate Envelope, January 2014.
    int level = 2;
    EXPECT_EQ(jan().priority()->rateForWeight(1, QStringLiteral("4"), QVUSPSFlatRateEnvelopeSize, true, false,
                                              std::nullopt, nullptr, QString(), false, &level),
              Decimal(495, -2));
    EXPECT_EQ(level, 2);
    // The discountRate form with NO asks for retail prices.
    EXPECT_EQ(jan().priority()->rateForWeight(1, QStringLiteral("4"), QVUSPSFlatRateEnvelopeSize, true, false,
                                              std::nullopt, nullptr, QString(), false, false),
              Decimal(560, -2));
}

TEST_F(QVUSPSRateClassQueriesTest, StealthTextOnlyOnSuccess)
{
    QString stealth = QStringLiteral("untouched");
    EXPECT_EQ(jan().firstClass()->rateForWeight(1, QStringLiteral("1"), QVUSPSLetterSize, true, false, std::nullopt,
                                                &stealth),
              Decimal(48, -2));
    EXPECT_NE(stealth, QStringLiteral("untouched"));
    EXPECT_FALSE(stealth.isEmpty());

    stealth = QStringLiteral("untouched");
    bool cubic = true;
    EXPECT_EQ(jan().priority()->rateForWeight(16, QStringLiteral("-1"), QVUSPSRegularSize, true, false, std::nullopt,
                                              &stealth, QString(), false, nullptr, &cubic),
              Decimal::zero());
    EXPECT_EQ(stealth, QStringLiteral("untouched"));
    EXPECT_TRUE(cubic); // left alone on failure
}

TEST_F(QVUSPSRateClassQueriesTest, ZoneTexts)
{
    EXPECT_EQ(QVUSPSRateClass::zoneForZoneString(QStringLiteral("Local")), 0);
    EXPECT_EQ(QVUSPSRateClass::zoneForZoneString(QStringLiteral("5")), 5);
    EXPECT_EQ(QVUSPSRateClass::zoneForZoneString(QStringLiteral("-1")), -1);
    EXPECT_EQ(QVUSPSRateClass::zoneForZoneString(QStringLiteral("8 (far)")), 8);
    EXPECT_EQ(QVUSPSRateClass::zoneForZoneString(QStringLiteral("none")), 0);
    EXPECT_EQ(QVUSPSRateClass::zoneForZoneString(QString()), 0);
}

// ---- Fees --------------------------------------------------------------------

TEST_F(QVUSPSRateClassQueriesTest, SpecialServiceFees)
{
    struct Case {
        QString service;
        QString rateClass;
        const char *fee;
    } cases[] = {
        {QVUSPSCertifiedMailService, QVUSPSFirstClassMail, "3.30"},
        {QVUSPSReturnReceiptService, QVUSPSPriorityMail, "2.70"},
        {QVUSPSRestrictedDeliveryService, QVUSPSFirstClassMail, "5.05"},
        {QVUSPSAdultSignatureService, QVUSPSPriorityMail, "5.20"},
        {QVUSPSExpressMail1030AMService, QVUSPSExpressMail, "5.00"},
        {QVUSPSeSignatureConfirmation, QVUSPSPriorityMail, "2.35"},
        // Electronic delivery confirmation is free with First-Class Mail and
        // Priority Mail, $0.23 with the other package services.
        {QVUSPSeDeliveryConfirmation, QVUSPSFirstClassMail, "0"},
        {QVUSPSeDeliveryConfirmation, QVUSPSMediaMail, "0.23"},
        // Services without an engine id.
        {QVUSPSRegisteredMailService, QVUSPSFirstClassMail, "0"},
        {QStringLiteral("NoSuchService"), QVUSPSFirstClassMail, "0"},
    };
    for (const QVUSPSRateYear *year : {&jan(), &sep()}) {
        for (const Case &c : cases) {
            EXPECT_EQ(year->rateClassWithName(c.rateClass)->feeForSpecialService(c.service),
                      Decimal::fromString(QString::fromLatin1(c.fee)))
                << c.service.toStdString() << " / " << c.rateClass.toStdString();
        }
    }

    QVUSPSRateClass *media = jan().mediaMail();
    media->feeForSpecialService(QVUSPSCertifiedMailService); // sets the rate version
    EXPECT_EQ(media->eDCFee(), Decimal(230, -3));
    EXPECT_EQ(media->eSCFee(), Decimal(2350, -3));
    EXPECT_EQ(media->feeForElectronicConfirmationService(QVUSPSeDeliveryConfirmation), Decimal(230, -3));
    EXPECT_EQ(media->feeForElectronicConfirmationService(QVUSPSeSignatureConfirmation), Decimal(2350, -3));
    EXPECT_EQ(media->feeForElectronicConfirmationService(QVUSPSCertifiedMailService), Decimal::zero());
}

// ---- Weight menus ------------------------------------------------------------

TEST_F(QVUSPSRateClassQueriesTest, FirstClassPackageMenuEndsAtFifteenPointNineNineOunces)
{
    // Commercial plus: First-Class packages up to 15.99 oz, 16 steps.
    account->discountLevel = 2;
    QVUSPSRateClass *firstClass = jan().firstClass();
    EXPECT_EQ(firstClass->orderedWeightInNativeWeightForSize(QVUSPSRegularSize), numbers(1, 16));

    const QStringList ounces = firstClass->displayWeightsWithUnitString(QStringLiteral("oz"), QVUSPSRegularSize);
    ASSERT_EQ(ounces.size(), 16);
    EXPECT_EQ(ounces.at(0), QStringLiteral("1 oz"));
    EXPECT_EQ(ounces.at(1), QStringLiteral("2 ozs"));
    EXPECT_EQ(ounces.at(14), QStringLiteral("15 ozs"));
    EXPECT_EQ(ounces.at(15), QStringLiteral("15.99 ozs"));

    const QStringList pounds = firstClass->displayWeightsWithUnitString(QStringLiteral("lb"), QVUSPSRegularSize);
    ASSERT_EQ(pounds.size(), 16);
    EXPECT_EQ(pounds.at(0), QStringLiteral("0.0625 lbs"));
    EXPECT_EQ(pounds.at(7), QStringLiteral("0.5 lbs"));
    EXPECT_EQ(pounds.at(11), QStringLiteral("0.75 lbs"));
    EXPECT_EQ(pounds.at(15), QStringLiteral("< 1 lb"));

    EXPECT_TRUE(firstClass->displayWeightsWithUnitString(QStringLiteral("kg"), QVUSPSRegularSize).isEmpty());
    EXPECT_FALSE(account->discountLevelQuestions.empty());
    EXPECT_EQ(account->discountLevelQuestions.back(), std::make_pair(QVUSPSFirstClassMail, QVUSPSRegularSize));

    // Retail First-Class packages stop at 13 oz: no replacement.
    account->discountLevel = 0;
    const QStringList retail = firstClass->displayWeightsWithUnitString(QStringLiteral("oz"), QVUSPSRegularSize);
    ASSERT_EQ(retail.size(), 13);
    EXPECT_EQ(retail.last(), QStringLiteral("13 ozs"));
}

TEST_F(QVUSPSRateClassQueriesTest, FirstClassCardMenuEndsAtThreeAndAHalfOunces)
{
    QVUSPSRateClass *firstClass = jan().firstClass();
    const QStringList ounces = firstClass->displayWeightsWithUnitString(QStringLiteral("oz"), QVUSPSPostcardSize);
    ASSERT_FALSE(ounces.isEmpty());
    EXPECT_EQ(ounces.last(), QStringLiteral("3.5 ozs"));
    const QStringList pounds = firstClass->displayWeightsWithUnitString(QStringLiteral("lb"), QVUSPSPostcardSize);
    ASSERT_FALSE(pounds.isEmpty());
    EXPECT_EQ(pounds.last(), QStringLiteral("0.21875 lbs"));
}

TEST_F(QVUSPSRateClassQueriesTest, PoundClassMenus)
{
    QVUSPSRateClass *media = jan().mediaMail();
    const QStringList native = media->orderedWeightInNativeWeightForSize(QVUSPSRegularSize);
    EXPECT_EQ(native, numbers(1, 70));
    EXPECT_EQ(media->orderedWeightInPoundsForSize(QVUSPSRegularSize), native);
    EXPECT_EQ(media->orderedWeightInUnits(QStringLiteral("lb"), QVUSPSRegularSize), native);

    const QStringList ounces = media->orderedWeightInOuncesForSize(QVUSPSRegularSize);
    ASSERT_EQ(ounces.size(), 70);
    EXPECT_EQ(ounces.at(0), QStringLiteral("16"));
    EXPECT_EQ(ounces.at(1), QStringLiteral("32"));
    EXPECT_EQ(ounces.at(69), QStringLiteral("1120"));

    const QStringList display = media->displayWeightsWithUnitString(QStringLiteral("lb"), QVUSPSRegularSize);
    EXPECT_EQ(display.at(0), QStringLiteral("1 lb"));
    EXPECT_EQ(display.at(1), QStringLiteral("2 lbs"));
    EXPECT_EQ(media->displayWeightsWithUnitString(QStringLiteral("oz"), QVUSPSRegularSize).at(0),
              QStringLiteral("16 ozs"));
    EXPECT_TRUE(media->orderedWeightInUnits(QStringLiteral("g"), QVUSPSRegularSize).isEmpty());

    // A class without a unit has no ounce or pound menu.
    QVUSPSRateClass *critical = jan().rateClassWithName(QVUSPSCriticalMail);
    EXPECT_TRUE(critical->orderedWeightInOuncesForSize(QVUSPSLetterSize).isEmpty());
    EXPECT_TRUE(critical->orderedWeightInPoundsForSize(QVUSPSLetterSize).isEmpty());
}

TEST_F(QVUSPSRateClassQueriesTest, WeightIndexes)
{
    account->discountLevel = 2; // First-Class packages: 1 ... 16 oz
    QVUSPSRateClass *firstClass = jan().firstClass();
    EXPECT_EQ(firstClass->weightIndexClosestToOunces(0, QVUSPSRegularSize), 0);
    EXPECT_EQ(firstClass->weightIndexClosestToOunces(1, QVUSPSRegularSize), 0);
    EXPECT_EQ(firstClass->weightIndexClosestToOunces(8, QVUSPSRegularSize), 7);
    EXPECT_EQ(firstClass->weightIndexClosestToOunces(16, QVUSPSRegularSize), 15);
    EXPECT_EQ(firstClass->weightIndexClosestToOunces(17, QVUSPSRegularSize), QVNotFound);
    // Pounds are turned into whole ounces, rounding up: 0.5 lb is 8 oz,
    // 0.51 lb is 9 oz.
    EXPECT_EQ(firstClass->weightIndexClosestToPounds(0.5f, QVUSPSRegularSize), 7);
    EXPECT_EQ(firstClass->weightIndexClosestToPounds(0.51f, QVUSPSRegularSize), 8);
    EXPECT_EQ(firstClass->weightIndexClosestToPounds(0.0f, QVUSPSRegularSize), 0);
    EXPECT_EQ(firstClass->weightIndexClosestToPounds(2.0f, QVUSPSRegularSize), QVNotFound);
    EXPECT_EQ(firstClass->weightIndexClosestToPounds(1e30f, QVUSPSRegularSize), QVNotFound);

    // Pound classes are looked up in their ounces menu: 16, 32, ...
    EXPECT_EQ(jan().mediaMail()->weightIndexClosestToPounds(1.5f, QVUSPSRegularSize), 1);
    EXPECT_EQ(jan().mediaMail()->weightIndexClosestToOunces(17, QVUSPSRegularSize), 1);
}

TEST_F(QVUSPSRateClassQueriesTest, ParcelSelectMenuInMailInnovationsMode)
{
    QVUSPSRateClass *parcelSelect = jan().parcelSelect();
    const QStringList plain = parcelSelect->orderedWeightInNativeWeightForSize(QVUSPSRegularSize);
    UserDefaults::standardUserDefaults().setBool(true, QStringLiteral("upsMailInnovationsMode"));
    const QStringList innovations = parcelSelect->orderedWeightInNativeWeightForSize(QVUSPSRegularSize);
    EXPECT_EQ(innovations, numbers(1, 15) + plain);
    // Other classes are not changed by the mode.
    EXPECT_EQ(jan().mediaMail()->orderedWeightInNativeWeightForSize(QVUSPSRegularSize), numbers(1, 70));
}

TEST_F(QVUSPSRateClassQueriesTest, PriorityMenuWithoutHalfPoundStep)
{
    QVUSPSRateClass *priority = jan().priority();
    account->discountLevel = 2;
    // From commercial plus on the menu opens with the half pound (8 oz), then
    // every pound up to 70 lb.
    const QStringList withHalfPound = priority->orderedWeightInNativeWeightForSize(QVUSPSRegularSize);
    QStringList expected = {QStringLiteral("8")};
    for (int pounds = 1; pounds <= 70; ++pounds)
        expected.append(QString::number(pounds * 16));
    EXPECT_EQ(withHalfPound, expected);
    EXPECT_EQ(priority->orderedWeightInPoundsForSize(QVUSPSRegularSize).value(0), QStringLiteral("0.5"));
    EXPECT_EQ(priority->displayWeightsWithUnitString(QVPoundUnitString, QVUSPSRegularSize).value(0),
              QStringLiteral("0.5 lbs"));

    // An account without half-pound prices loses exactly that step: the menu
    // starts at 1 lb.
    account->halfPoundRate = false;
    const QStringList withoutHalfPound = priority->orderedWeightInNativeWeightForSize(QVUSPSRegularSize);
    EXPECT_EQ(withoutHalfPound, expected.mid(1));
    EXPECT_EQ(withoutHalfPound.value(0), QStringLiteral("16"));
    EXPECT_FALSE(withoutHalfPound.contains(QStringLiteral("8")));

    // Below commercial plus the first step stays.
    account->discountLevel = 1;
    const QStringList base = priority->orderedWeightInNativeWeightForSize(QVUSPSRegularSize);
    ASSERT_FALSE(base.isEmpty());
    account->halfPoundRate = true;
    EXPECT_EQ(priority->orderedWeightInNativeWeightForSize(QVUSPSRegularSize), base);

    // With the partner label service active Priority Mail is always asked at
    // commercial plus, and keeps its first step.
    account->halfPoundRate = false;
    account->discountLevel = 0;
    partner->allowed = true;
    EXPECT_EQ(priority->orderedWeightInNativeWeightForSize(QVUSPSRegularSize), withHalfPound);
}

TEST_F(QVUSPSRateClassQueriesTest, FailuresAreLoggedUnderTheQueryName)
{
    QVUSPSRateClass *unknown = jan().rateClassWithName(QStringLiteral("NoSuchClass"));
    QStringList gLoggedMessages;
    Decimal price;
    QStringList menu;
    {
        tolvane::test::ConsoleCapture console;
        price = unknown->rateForWeight(1, QStringLiteral("1"));
        menu = unknown->orderedWeightInNativeWeightForSize(QVUSPSRegularSize);
        // Expected failures are not logged: a zone above 9.
        jan().priority()->rateForWeight(16, QStringLiteral("10"));
        gLoggedMessages = console.lines();
    }

    EXPECT_EQ(price, Decimal::zero());
    EXPECT_TRUE(menu.isEmpty());
    // Class code 0 has no rate (-10) and no weight list (-7).
    EXPECT_EQ(gLoggedMessages.join(QLatin1Char('\n')).toStdString(),
              "rateForWeightByReference:zone:size:machinable:intraBMC:dimensions:stealthString:state:"
              "emPremiumService:discountLevel:cubic: got -10\n"
              "orderedWeightInNativeWeightForSize: got return -7");
}

TEST_F(QVUSPSRateClassQueriesTest, MenuFailureIsAnEmptyList)
{
    // A class the engine has no weight list for.
    QVUSPSRateClass *unknown = jan().rateClassWithName(QStringLiteral("NoSuchClass"));
    EXPECT_TRUE(unknown->orderedWeightInNativeWeightForSize(QVUSPSRegularSize).isEmpty());
    EXPECT_TRUE(unknown->displayWeightsWithUnitString(QStringLiteral("oz"), QVUSPSRegularSize).isEmpty());
    EXPECT_EQ(unknown->weightIndexClosestToOunces(0, QVUSPSRegularSize), QVNotFound);
    EXPECT_EQ(unknown->rateForWeight(1, QStringLiteral("1")), Decimal::zero());
}

} // namespace
