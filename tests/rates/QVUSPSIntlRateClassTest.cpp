// International rate classes: names, tags and codes, the price query with
// its error texts, the weight menus, and the classes a country offers for a
// size.
//
// Prices come from the January 2014 tables the engine carries (Priority Mail
// International 1 lb, group 1: $29.25, group 2: $34.50; Priority Mail Express
// International 8 oz, group 1: $35.25; its flat-rate envelope $35.95 and
// $46.50; M-bags $37.95 up to 11 lb plus $3.45 a further pound in group 1).
// The destinations are the fixture's ALPHALAND (group 1), BETALAND (group 2)
// and GAMMALAND (First-Class Mail International letters only).
#include "rates/QVUSPSIntlRateClass.h"

#include "QVUSPSRateClassFakes.h"
#include "model/QVCountry.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <iterator>
#include <ostream>
#include <string>
#include <utility>

namespace {

const QString kUseSep14Rates = QStringLiteral("useSep14Rates");

QDateTime localDate(int year, int month, int day) { return QDateTime(QDate(year, month, day), QTime(12, 0)); }

int32_t currentRateVersion()
{
    int32_t version = 0;
    GetRateVersion(nullptr, &version, nullptr, nullptr);
    return version;
}

class QVUSPSIntlRateClassTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        InitializeRE("", "01/27/2014");
        ASSERT_EQ(LoadCountry2013FileAtPath(fixture("intl-countries.dat").c_str()), 1);
        NotificationCenter::defaultCenter().post(QVCountryListDidChangeNotification);
        RegisterBannedCountryEMI(nullptr);
        RegisterBannedCountryPMI(nullptr);
        RegisterBannedCountryFCMI(nullptr);
        UserDefaults::standardUserDefaults().removeObjectForKey(kUseSep14Rates);
    }
    void TearDown() override
    {
        UserDefaults::standardUserDefaults().removeObjectForKey(kUseSep14Rates);
        RegisterBannedCountryEMI(nullptr);
        RegisterBannedCountryPMI(nullptr);
        RegisterBannedCountryFCMI(nullptr);
        // Other tests see the rate layer's own provider and the shipped
        // country table again.
        installInternationalRateProvider();
        LoadCountry2013FileAtPath(shipped("country2013.dat").c_str());
        NotificationCenter::defaultCenter().post(QVCountryListDidChangeNotification);
    }

    static QVCountry country(const char *name)
    {
        const auto c = QVCountry::countryWithName(QLatin1String(name));
        EXPECT_TRUE(c.has_value()) << name;
        return c.value();
    }

    // The price in the year of the January 2014 prices, with the error text.
    static Decimal price(const QString &className, const char *countryName, int ounces, const QString &size,
                         QString *error = nullptr, QString *stealth = nullptr, bool oversize = false)
    {
        const auto rateClass = QVUSPSIntlRateClass::intlRateWithName(className, country(countryName));
        return rateClass->rateForWeightInOunces(ounces, size, oversize, false, localDate(2014, 3, 1), stealth, error);
    }
};

TEST(QVUSPSIntlRateClassNames, DisplayNamesCodesUnitsAndTags)
{
    const struct {
        const QString &name;
        const char *casualName;
        int code;
        const char *unit;
        qsizetype tag;
    } cases[] = {
        {QVUSPSIntlPriorityMailIntl, "Priority Mail International", 30, "lb", 16},
        {QVUSPSIntlExpressMailIntl, "Priority Mail Express International", 28, "oz", 15},
        {QVUSPSIntlFirstClassMailIntl, "First-Class Mail International", 42, "oz", 17},
        {QVUSPSIntlMBag, "M-bag", 36, "lb", 18},
        {QVUSPSIntlGlobalExpressGuaranteed, "Global Express Guaranteed", 0, "oz", 14},
        {QVUSPSIntlGlobalPriorityMail, "Global Priority Mail", 0, "oz", 1},
        {QVUSPSIntlGlobalPriorityMailSmallFlateRate, "Global Priority Mail", 0, "oz", 2},
        {QVUSPSIntlGlobalPriorityMailLargeFlateRate, "Global Priority Mail", 0, "oz", 3},
        {QVUSPSIntlGlobalExpressMail, "Global Express Mail", 0, "oz", 0},
        {QVUSPSIntlPostcard, "Intl, Postcard", 0, "oz", 8},
        {QVUSPSIntlAerogramme, "Intl, Aerogrammes", 0, "oz", 9},
        {QVUSPSIntlAirLetterPost, "Airmail Letter-Post", 0, "oz", 4},
        {QVUSPSIntlEconomyLetterPost, "Economy Letter-Post", 0, "oz", 5},
        {QVUSPSIntlEconomyParcelPost, "Economy Parcel Post", 0, "lb", 7},
        {QVUSPSIntlAirParcelPost, "Airmail Parcel Post", 0, "lb", 6},
        {QVUSPSIntlAirMBag, "Airmail M-bag", 0, "lb", 10},
        {QVUSPSIntlEconomyMBagRegular, "Economy M-bag", 0, "lb", 11},
        {QVUSPSIntlEconomyMBagBooks, "Economy M-bag", 0, "lb", 12},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(QVUSPSIntlRateClass::casualNameForRateClassName(c.name), QLatin1String(c.casualName))
            << qPrintable(c.name);
        EXPECT_EQ(QVUSPSIntlRateClass::tolvaneClassTypeForRateClassName(c.name), c.code) << qPrintable(c.name);
        EXPECT_EQ(QVUSPSIntlRateClass(c.name, std::nullopt).weightUnit(), QLatin1String(c.unit)) << qPrintable(c.name);
        EXPECT_EQ(QVUSPSIntlRateClass(c.name, std::nullopt).casualName(), QLatin1String(c.casualName));
        EXPECT_EQ(QVUSPSIntlRateClass::tagForRateClass(c.name), c.tag) << qPrintable(c.name);
    }
    // The class names are stored: each text is the constant's own name.
#define NAME_IS_OWN_TEXT(constant) std::pair<QString, const char *>(constant, #constant)
    const std::pair<QString, const char *> constants[] = {
        NAME_IS_OWN_TEXT(QVUSPSIntlPriorityMailIntl),
        NAME_IS_OWN_TEXT(QVUSPSIntlExpressMailIntl),
        NAME_IS_OWN_TEXT(QVUSPSIntlFirstClassMailIntl),
        NAME_IS_OWN_TEXT(QVUSPSIntlMBag),
        NAME_IS_OWN_TEXT(QVUSPSIntlGlobalExpressGuaranteed),
        NAME_IS_OWN_TEXT(QVUSPSIntlGlobalPriorityMail),
        NAME_IS_OWN_TEXT(QVUSPSIntlGlobalPriorityMailSmallFlateRate),
        NAME_IS_OWN_TEXT(QVUSPSIntlGlobalPriorityMailLargeFlateRate),
        NAME_IS_OWN_TEXT(QVUSPSIntlGlobalExpressMail),
        NAME_IS_OWN_TEXT(QVUSPSIntlPostcard),
        NAME_IS_OWN_TEXT(QVUSPSIntlAerogramme),
        NAME_IS_OWN_TEXT(QVUSPSIntlAirLetterPost),
        NAME_IS_OWN_TEXT(QVUSPSIntlEconomyLetterPost),
        NAME_IS_OWN_TEXT(QVUSPSIntlEconomyParcelPost),
        NAME_IS_OWN_TEXT(QVUSPSIntlAirParcelPost),
        NAME_IS_OWN_TEXT(QVUSPSIntlAirMBag),
        NAME_IS_OWN_TEXT(QVUSPSIntlEconomyMBagRegular),
        NAME_IS_OWN_TEXT(QVUSPSIntlEconomyMBagBooks),
    };
#undef NAME_IS_OWN_TEXT
    EXPECT_EQ(std::size(constants), std::size_t(18));
    for (const auto &[text, name] : constants)
        EXPECT_EQ(text, QLatin1String(name));

    const QString unknown = QStringLiteral("QVUSPSNoSuchClass");
    EXPECT_TRUE(QVUSPSIntlRateClass::casualNameForRateClassName(unknown).isNull());
    EXPECT_EQ(QVUSPSIntlRateClass::tolvaneClassTypeForRateClassName(unknown), 0);
    EXPECT_EQ(QVUSPSIntlRateClass::tagForRateClass(unknown), QVNotFound);
    EXPECT_EQ(QVUSPSIntlRateClass(unknown, std::nullopt).weightUnit(), QStringLiteral("oz"));

    EXPECT_EQ(QVUSPSIntlPackageSize, QStringLiteral("package"));
    EXPECT_EQ(QVUSPSIntlPostcardsOrAerogrammesSize, QStringLiteral("postcards or aerogrammes"));
    EXPECT_EQ(QVUSPSIntlMatterForTheBlindSize, QStringLiteral("matter for the blind"));
    EXPECT_EQ(QVUSPSIntlEnvelopeSize, QStringLiteral("envelope"));
}

TEST(QVUSPSIntlRateClassNames, TheMenuHoldsAirLetterPostTwice)
{
    ASSERT_EQ(QVUSPSIntlRateClass::rateClassTags().size(), 19);
    EXPECT_EQ(QVUSPSIntlRateClass::rateClassForTag(4), QVUSPSIntlAirLetterPost);
    EXPECT_EQ(QVUSPSIntlRateClass::rateClassForTag(13), QVUSPSIntlAirLetterPost);
    EXPECT_EQ(QVUSPSIntlRateClass::tagForRateClass(QVUSPSIntlAirLetterPost), 4);
    EXPECT_EQ(QVUSPSIntlRateClass::rateClassForTag(14), QVUSPSIntlGlobalExpressGuaranteed);
    EXPECT_EQ(QVUSPSIntlRateClass::rateClassForTag(18), QVUSPSIntlMBag);
    EXPECT_TRUE(QVUSPSIntlRateClass::rateClassForTag(19).isNull());
    EXPECT_TRUE(QVUSPSIntlRateClass::rateClassForTag(-1).isNull());
}

TEST(QVUSPSIntlRateClassNames, CustomsFormSizeSets)
{
    EXPECT_EQ(QVUSPSIntlRateClass::PMIsizesFor2976A(),
              (QSet<QString>{QVUSPSFlatRateBoxSize, QVUSPSLargeFlatRateBoxSize}));
    EXPECT_EQ(QVUSPSIntlRateClass::PMIsizesFor2976(),
              (QSet<QString>{QVUSPSFlatRateEnvelopeSize, QVUSPSSmallFlatRateBoxSize, QVUSPSFlatRatePaddedEnvelopeSize,
                             QVUSPSFlatRateLegalEnvelopeSize, QVUSPSGiftCardFlatRateEnvelopeSize,
                             QVUSPSWindowFlatRateEnvelopeSize, QVUSPSSmallFlatRateEnvelopeSize,
                             QVUSPSCardboardSmallFlatRateEnvelopeSize, QVUSPSLargeFlatRateVideoBoxSize}));
}

TEST_F(QVUSPSIntlRateClassTest, PricesByCountryGroupFromTheBuiltInTables)
{
    const struct {
        const QString &name;
        const char *country;
        int ounces;
        const QString &size;
        const char *price;
        const char *stealth;
    } cases[] = {
        {QVUSPSIntlPriorityMailIntl, "ALPHALAND", 16, QVUSPSRegularSize, "29.25", "1 lb Priority Mail Intl Rate"},
        {QVUSPSIntlPriorityMailIntl, "ALPHALAND", 1, QVUSPSRegularSize, "29.25", "1 lb Priority Mail Intl Rate"},
        {QVUSPSIntlPriorityMailIntl, "BETALAND", 16, QVUSPSRegularSize, "34.50", "1 lb Priority Mail Intl Rate"},
        {QVUSPSIntlExpressMailIntl, "ALPHALAND", 3, QVUSPSRegularSize, "35.25", "8 oz PM Express Intl Rate"},
        {QVUSPSIntlExpressMailIntl, "ALPHALAND", 10, QVUSPSFlatRateEnvelopeSize, "35.95",
         "Flat Rate Envelope, PM Express Intl"},
        {QVUSPSIntlExpressMailIntl, "BETALAND", 10, QVUSPSFlatRateEnvelopeSize, "46.50",
         "Flat Rate Envelope, PM Express Intl"},
        {QVUSPSIntlMBag, "ALPHALAND", 176, QVUSPSRegularSize, "37.95", "11 lbs M-Bag Intl Rate"}, // 11 lb
        {QVUSPSIntlMBag, "ALPHALAND", 192, QVUSPSRegularSize, "41.40", "12 lbs M-Bag Intl Rate"}, // + 1 lb
        {QVUSPSIntlMBag, "BETALAND", 16, QVUSPSRegularSize, "35.20", "1 lb M-Bag Intl Rate"},
    };
    for (const auto &c : cases) {
        QString error = QStringLiteral("untouched");
        QString stealth;
        const Decimal p = price(c.name, c.country, c.ounces, c.size, &error, &stealth);
        EXPECT_EQ(p, Decimal::fromString(QLatin1String(c.price)))
            << qPrintable(c.name) << " " << c.country << " " << c.ounces;
        EXPECT_EQ(stealth, QLatin1String(c.stealth)) << qPrintable(c.name) << " " << c.ounces;
        EXPECT_EQ(error, QStringLiteral("untouched")); // no error on success
    }
    // Mils with exponent -3.
    EXPECT_EQ(price(QVUSPSIntlPriorityMailIntl, "ALPHALAND", 16, QVUSPSRegularSize).toString(),
              Decimal(29250, -3).toString());
}

TEST_F(QVUSPSIntlRateClassTest, FailuresGiveZeroAndTheirErrorTexts)
{
    const struct {
        const QString &name;
        const char *country;
        int ounces;
        const QString &size;
        const char *error;
    } cases[] = {
        // over the country's 4 lb limit
        {QVUSPSIntlPriorityMailIntl, "ALPHALAND", 100, QVUSPSRegularSize, "100 oz exceeds service weight"},
        {QVUSPSIntlExpressMailIntl, "ALPHALAND", 65, QVUSPSRegularSize, "65 oz exceeds service weight"},
        // not offered to the country
        {QVUSPSIntlPriorityMailIntl, "GAMMALAND", 16, QVUSPSRegularSize,
         "No Priority Mail International for GAMMALAND"},
        {QVUSPSIntlExpressMailIntl, "GAMMALAND", 16, QVUSPSRegularSize,
         "No Priority Mail Express International for GAMMALAND"},
        {QVUSPSIntlMBag, "GAMMALAND", 16, QVUSPSRegularSize, "No M-bag for GAMMALAND"},
        // classes without an engine code
        {QVUSPSIntlGlobalExpressGuaranteed, "ALPHALAND", 8, QVUSPSRegularSize, "Unknown GetIntlRate error"},
        {QVUSPSIntlAirLetterPost, "ALPHALAND", 1, QVUSPSLetterSize, "Unknown GetIntlRate error"},
    };
    for (const auto &c : cases) {
        QString error;
        QString stealth = QStringLiteral("untouched");
        const Decimal p = price(c.name, c.country, c.ounces, c.size, &error, &stealth);
        EXPECT_EQ(p, Decimal::zero()) << c.error;
        EXPECT_EQ(error, QLatin1String(c.error));
        EXPECT_EQ(stealth, QStringLiteral("untouched")) << c.error;
    }
    // Without an error pointer the failure is just zero.
    EXPECT_EQ(price(QVUSPSIntlPriorityMailIntl, "ALPHALAND", 100, QVUSPSRegularSize), Decimal::zero());
}

TEST_F(QVUSPSIntlRateClassTest, BannedAndUnknownDestinationsAreNotServed)
{
    RegisterBannedCountryPMI("XY,XA");
    QString error;
    EXPECT_EQ(price(QVUSPSIntlPriorityMailIntl, "ALPHALAND", 16, QVUSPSRegularSize, &error), Decimal::zero());
    EXPECT_EQ(error, QStringLiteral("No Priority Mail International for ALPHALAND"));
    EXPECT_EQ(price(QVUSPSIntlPriorityMailIntl, "BETALAND", 16, QVUSPSRegularSize),
              Decimal::fromString(QStringLiteral("34.50")));

    // A country made from an earlier table that the current one lacks.
    const QVCountry alpha = country("ALPHALAND");
    ASSERT_EQ(LoadCountry2013FileAtPath(shipped("country2013.dat").c_str()), 1);
    const auto rateClass = QVUSPSIntlRateClass::intlRateWithName(QVUSPSIntlExpressMailIntl, alpha);
    EXPECT_EQ(
        rateClass->rateForWeightInOunces(16, QVUSPSRegularSize, false, false, localDate(2014, 3, 1), nullptr, &error),
        Decimal::zero());
    EXPECT_EQ(error, QStringLiteral("No Priority Mail Express International for ALPHALAND"));
}

TEST_F(QVUSPSIntlRateClassTest, FirstClassLettersOfFourOuncesAreAskedAsThreeAndAHalf)
{
    // Letters may weigh 3.5 oz: a 4-ounce letter is asked as 35 tenths and so
    // stays within the limit; 5 ounces (50 tenths) is over it. The engine
    // carries no First-Class Mail International letter prices, so the
    // 4-ounce letter reaches the table and finds none.
    QString error;
    EXPECT_EQ(price(QVUSPSIntlFirstClassMailIntl, "GAMMALAND", 4, QVUSPSLetterSize, &error), Decimal::zero());
    EXPECT_EQ(error, QStringLiteral("Unknown GetIntlRate error"));
    EXPECT_EQ(price(QVUSPSIntlFirstClassMailIntl, "GAMMALAND", 5, QVUSPSLetterSize, &error), Decimal::zero());
    EXPECT_EQ(error, QStringLiteral("5 oz exceeds service weight"));
    // Other sizes keep ounces x 10: a 4-ounce postcard is over the 1-ounce limit too.
    EXPECT_EQ(price(QVUSPSIntlFirstClassMailIntl, "GAMMALAND", 2, QVUSPSPostcardSize, &error), Decimal::zero());
    EXPECT_EQ(error, QStringLiteral("2 oz exceeds service weight"));
    // Huge weights do not wrap around.
    EXPECT_EQ(price(QVUSPSIntlPriorityMailIntl, "ALPHALAND", 1000000000, QVUSPSRegularSize, &error), Decimal::zero());
    EXPECT_EQ(error, QStringLiteral("1000000000 oz exceeds service weight"));
}

TEST_F(QVUSPSIntlRateClassTest, TheRateVersionFollowsTheDateUnlessSeptemberPricesAreForced)
{
    const auto pmi = QVUSPSIntlRateClass::intlRateWithName(QVUSPSIntlPriorityMailIntl, country("ALPHALAND"));
    pmi->rateForWeightInOunces(16, QVUSPSRegularSize, false, false, localDate(2013, 6, 1), nullptr, nullptr);
    EXPECT_EQ(currentRateVersion(), kRateVersionJan2014);
    pmi->rateForWeightInOunces(16, QVUSPSRegularSize, false, false, localDate(2014, 9, 7), nullptr, nullptr);
    EXPECT_EQ(currentRateVersion(), kRateVersionSep2014);
    pmi->rateForWeightInOunces(16, QVUSPSRegularSize, false, false, localDate(2014, 9, 6), nullptr, nullptr);
    EXPECT_EQ(currentRateVersion(), kRateVersionJan2014);

    UserDefaults::standardUserDefaults().setBool(true, kUseSep14Rates);
    const Decimal p =
        pmi->rateForWeightInOunces(16, QVUSPSRegularSize, false, false, localDate(2013, 6, 1), nullptr, nullptr);
    EXPECT_EQ(currentRateVersion(), kRateVersionSep2014);
    EXPECT_EQ(p, Decimal::fromString(QStringLiteral("29.25"))); // September kept the January prices
}

TEST_F(QVUSPSIntlRateClassTest, TheDiscountLevelGoesToTheEngine)
{
    const auto pmi = QVUSPSIntlRateClass::intlRateWithName(QVUSPSIntlPriorityMailIntl, country("ALPHALAND"));
    int level = 0;
    EXPECT_EQ(pmi->rateForWeightInOunces(16, QVUSPSRegularSize, false, &level, localDate(2014, 3, 1), nullptr, nullptr),
              Decimal::fromString(QStringLiteral("29.25")));
    EXPECT_EQ(level, 0);
    // An account classification that no table has is refused by the engine.
    level = 12;
    QString error;
    EXPECT_EQ(pmi->rateForWeightInOunces(16, QVUSPSRegularSize, false, &level, localDate(2014, 3, 1), nullptr, &error),
              Decimal::zero());
    EXPECT_EQ(error, QStringLiteral("Unknown GetIntlRate error"));
    // A null level counts as retail.
    EXPECT_EQ(
        pmi->rateForWeightInOunces(16, QVUSPSRegularSize, false, nullptr, localDate(2014, 3, 1), nullptr, nullptr),
        Decimal::fromString(QStringLiteral("29.25")));
}

TEST_F(QVUSPSIntlRateClassTest, WeightMenusInOuncesAndPounds)
{
    const QVCountry alpha = country("ALPHALAND"); // 4 lb limits
    const auto pmi = QVUSPSIntlRateClass::intlRateWithName(QVUSPSIntlPriorityMailIntl, alpha);
    EXPECT_EQ(pmi->orderedWeightInNativeWeightForSize(QVUSPSRegularSize), (QStringList{"1", "2", "3", "4"}));
    EXPECT_EQ(pmi->orderedWeightInOuncesForSize(QVUSPSRegularSize), (QStringList{"16", "32", "48", "64"}));
    EXPECT_EQ(pmi->orderedWeightInPoundsForSize(QVUSPSRegularSize), (QStringList{"1", "2", "3", "4"}));
    EXPECT_EQ(pmi->displayWeightsWithUnitString(QStringLiteral("lb"), QVUSPSRegularSize),
              (QStringList{"1 lb", "2 lbs", "3 lbs", "4 lbs"}));

    const auto pmei = QVUSPSIntlRateClass::intlRateWithName(QVUSPSIntlExpressMailIntl, alpha);
    EXPECT_EQ(pmei->orderedWeightInNativeWeightForSize(QVUSPSRegularSize), (QStringList{"8", "16", "32", "48", "64"}));
    EXPECT_EQ(pmei->orderedWeightInPoundsForSize(QVUSPSRegularSize), (QStringList{"0.5", "1", "2", "3", "4"}));
    EXPECT_EQ(pmei->displayWeightsWithUnitString(QStringLiteral("lb"), QVUSPSRegularSize),
              (QStringList{"0.5 lbs", "1 lb", "2 lbs", "3 lbs", "4 lbs"}));
    EXPECT_EQ(pmei->displayWeightsWithUnitString(QStringLiteral("oz"), QVUSPSRegularSize),
              (QStringList{"8 ozs", "16 ozs", "32 ozs", "48 ozs", "64 ozs"}));
    EXPECT_TRUE(pmei->displayWeightsWithUnitString(QStringLiteral("kg"), QVUSPSRegularSize).isEmpty());
    EXPECT_TRUE(pmei->orderedWeightInUnits(QStringLiteral("kg"), QVUSPSRegularSize).isEmpty());

    EXPECT_EQ(pmei->weightIndexClosestToOunces(0, QVUSPSRegularSize), 0);
    EXPECT_EQ(pmei->weightIndexClosestToOunces(9, QVUSPSRegularSize), 1);
    EXPECT_EQ(pmei->weightIndexClosestToOunces(65, QVUSPSRegularSize), QVNotFound);
    EXPECT_EQ(pmei->weightIndexClosestToPounds(0.5f, QVUSPSRegularSize), 0);  // 8 oz
    EXPECT_EQ(pmei->weightIndexClosestToPounds(0.51f, QVUSPSRegularSize), 1); // 9 oz
    // Pounds beyond every whole number of ounces are heavier than the menu.
    EXPECT_EQ(pmei->weightIndexClosestToPounds(1e30f, QVUSPSRegularSize), QVNotFound);
    EXPECT_EQ(pmei->weightIndexClosestToPounds(3e9f, QVUSPSRegularSize), QVNotFound);

    // First-Class letters: breaks 10, 20, 30, 35 tenths read as whole ounces, rounded up.
    const auto fcmi = QVUSPSIntlRateClass::intlRateWithName(QVUSPSIntlFirstClassMailIntl, alpha);
    EXPECT_EQ(fcmi->orderedWeightInNativeWeightForSize(QVUSPSLetterSize), (QStringList{"1", "2", "3", "4"}));
    EXPECT_EQ(fcmi->displayWeightsWithUnitString(QStringLiteral("oz"), QVUSPSLetterSize),
              (QStringList{"1 oz", "2 ozs", "3 ozs", "4 ozs"}));

    // A class the engine has no list for.
    const auto gxg = QVUSPSIntlRateClass::intlRateWithName(QVUSPSIntlGlobalExpressGuaranteed, alpha);
    EXPECT_TRUE(gxg->orderedWeightInNativeWeightForSize(QVUSPSRegularSize).isEmpty());
}

TEST_F(QVUSPSIntlRateClassTest, TheRateLayerOffersItsClassesWithoutBeingInstalled)
{
    // Countries ask the international rate classes as soon as the rate layer
    // is part of the program, without a start-up call.
    ASSERT_NE(internationalRateProvider(), nullptr);
    EXPECT_EQ(country("BETALAND").availableRateClassesForSize(QVUSPSRegularSize),
              (QStringList{QVUSPSIntlPriorityMailIntl, QVUSPSIntlExpressMailIntl, QVUSPSIntlMBag}));
}

TEST_F(QVUSPSIntlRateClassTest, ACountryOffersTheClassesThatPriceOneOunce)
{
    installInternationalRateProvider();
    const struct {
        const char *country;
        const QString &size;
        QStringList classes;
    } cases[] = {
        // No First-Class Mail International parcel prices are carried.
        {"ALPHALAND", QVUSPSRegularSize, {QVUSPSIntlPriorityMailIntl, QVUSPSIntlExpressMailIntl, QVUSPSIntlMBag}},
        {"BETALAND", QVUSPSRegularSize, {QVUSPSIntlPriorityMailIntl, QVUSPSIntlExpressMailIntl, QVUSPSIntlMBag}},
        {"GAMMALAND", QVUSPSRegularSize, {}},
        {"GAMMALAND", QVUSPSFlatRateEnvelopeSize, {}},
        {"GAMMALAND", QVUSPSLetterSize, {QVUSPSIntlFirstClassMailIntl}},
        {"GAMMALAND", QVUSPSPostcardSize, {QVUSPSIntlFirstClassMailIntl}},
        {"BETALAND", QVUSPSLetterSize, {QVUSPSIntlFirstClassMailIntl}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(country(c.country).availableRateClassesForSize(c.size), c.classes)
            << c.country << " " << qPrintable(c.size);

    // Flat-rate envelopes go by the two Priority classes (Priority Mail
    // International barred here, so that only the carried Priority Mail
    // Express International envelope price counts); other Priority sizes by
    // Priority Mail International alone.
    RegisterBannedCountryPMI("XA");
    EXPECT_EQ(country("ALPHALAND").availableRateClassesForSize(QVUSPSFlatRateEnvelopeSize),
              QStringList{QVUSPSIntlExpressMailIntl});
    EXPECT_EQ(country("ALPHALAND").availableRateClassesForSize(QVUSPSSmallFlatRateBoxSize), QStringList{});
    EXPECT_EQ(country("ALPHALAND").availableRateClassesForSize(QVUSPSRegularSize),
              (QStringList{QVUSPSIntlExpressMailIntl, QVUSPSIntlMBag}));

    // Calling the installer again keeps one working provider.
    installInternationalRateProvider();
    EXPECT_EQ(country("BETALAND").availableRateClassesForSize(QVUSPSRegularSize).size(), 3);
}

} // namespace
