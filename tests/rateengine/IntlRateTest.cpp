// International rate query over fixture countries with known price groups
// and limits.
#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"
#include "rateengine/RateIntl.h"
#include "rateengine/RateRegistry.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

using tolvane::test::fixture;

struct Query {
    int32_t status = 0;
    int32_t weight = 0;
    int32_t price = -1;
    int32_t classification = 0;
    std::string stealth;
};

Query intl(const char *country, int32_t mailClass, int32_t shape, int32_t weight, int32_t height = 0, int32_t width = 0,
           int32_t length = 0, int32_t classification = 0, int32_t machinable = 1)
{
    Query q;
    q.weight = weight;
    q.classification = classification;
    char stealth[kIntlStealthTextSize];
    std::memset(stealth, 'x', sizeof stealth);
    q.status = GetIntlRate2010(country, mailClass, shape, &q.weight, height, width, length, &machinable,
                               &q.classification, &q.price, stealth);
    q.stealth.assign(stealth, strnlen(stealth, sizeof stealth));
    return q;
}

class IntlRateTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        InitializeRE("", "01/27/2014");
        SetRateVersion("01/27/2014");
        ASSERT_EQ(LoadCountry2013FileAtPath(fixture("countries-fixture.dat").c_str()), 1);
        ASSERT_EQ(LoadCountryAliasFileAtPath(fixture("aliases-fixture.txt").c_str()), 1);
        RegisterBannedCountryEMI(nullptr);
        RegisterBannedCountryPMI(nullptr);
        RegisterBannedCountryFCMI(nullptr);
    }
};

TEST_F(IntlRateTest, MBagsPayTheBaseUpTo11PoundsThenPerPound)
{
    // M-bags, price group 1: $37.95 up to 11 lb, $3.45 for each further pound.
    const struct {
        int32_t weight, mils;
    } cases[] = {
        {160, 37950}, {11 * 160, 37950}, {11 * 160 + 1, 41400}, {12 * 160, 41400}, {20 * 160, 37950 + 9 * 3450},
    };
    for (const auto &c : cases) {
        const Query q = intl("Canada", 36, 0, c.weight);
        EXPECT_EQ(q.status, kRESuccess) << c.weight;
        EXPECT_EQ(q.price, c.mils) << c.weight;
        EXPECT_EQ(q.weight, c.weight) << "the weight is not changed";
    }
    EXPECT_EQ(intl("CA", 36, 0, 11 * 160).stealth, "11 lbs M-Bag Intl Rate");
    EXPECT_EQ(intl("CA", 36, 0, 66 * 160 + 1).status, kREOverweight);
}

TEST_F(IntlRateTest, GlobalExpressGuaranteedDimensionalWeight)
{
    // 12.5 in sides count as 13 in: 2197 cubic inches, ceil(2197 / 166) = 14 lb.
    Query q = intl("CA", 29, 3, 80, 1250, 1250, 1250);
    EXPECT_EQ(q.status, kRESuccess);
    EXPECT_EQ(q.weight, 14 * 160);

    // Below 1728 cubic inches the actual weight counts: the 8 oz row.
    q = intl("CA", 29, 3, 80, 1000, 1000, 1000);
    EXPECT_EQ(q.status, kRESuccess);
    EXPECT_EQ(q.weight, 80);
    EXPECT_EQ(q.price, 51500); // group 1 of the 8 oz row, $51.50
    EXPECT_EQ(q.stealth, "8 oz GXG Intl Rate");

    // Non-rectangular: 0.785 of the box. 13^3 x 0.785 = 1724.6 stays below
    // 1728; 14^3 x 0.785 = 2154.04 gives ceil(12.98) = 13 lb.
    EXPECT_EQ(intl("CA", 29, 4, 80, 1300, 1300, 1300).weight, 80);
    EXPECT_EQ(intl("CA", 29, 4, 80, 1400, 1400, 1400).weight, 13 * 160);

    // Without all three sides there is no dimensional weight.
    EXPECT_EQ(intl("CA", 29, 3, 80, 0, 1250, 1250).weight, 80);

    // The raised weight is capped at the country's maximum (10 lb for GB).
    q = intl("GB", 29, 3, 80, 1250, 1250, 1250);
    EXPECT_EQ(q.status, kRESuccess);
    EXPECT_EQ(q.weight, 10 * 160);
}

// Limits and sizes far beyond any real piece: the weight limit reads as the
// largest weight, and the dimensional weight of huge sides is capped at it.
TEST_F(IntlRateTest, HugeLimitsAndSidesStayWithinRange)
{
    ASSERT_EQ(LoadCountry2013FileAtPath(fixture("countries-huge-limits.dat").c_str()), 1);
    EXPECT_EQ(intl("ZZ", 30, 3, 70 * 160).status, kRESuccess);
    // Sides of 10,000,000 in (the limits allow them): 10^21 cubic inches.
    const Query q = intl("ZZ", 29, 3, 80, 1000000000, 1000000000, 1000000000);
    EXPECT_EQ(q.status, kRESuccess);
    EXPECT_EQ(q.weight, INT32_MAX);
}

TEST_F(IntlRateTest, FlatRateAndWeightPricesOfTheBuiltInTables)
{
    Query q = intl("CA", 28, 5, 40);
    EXPECT_EQ(q.status, kRESuccess);
    EXPECT_EQ(q.price, 35950);
    EXPECT_EQ(q.stealth, "Flat Rate Envelope, PM Express Intl");
    EXPECT_EQ(intl("United Kingdom", 28, 10, 40).price, 46500);

    q = intl("CA", 30, 3, 100);
    EXPECT_EQ(q.status, kRESuccess);
    EXPECT_EQ(q.price, 29250);
    EXPECT_EQ(q.weight, 160);
    EXPECT_EQ(q.stealth, "1 lb Priority Mail Intl Rate");
}

// A flat-rate shape whose own table is not in the build has no price; it is
// never priced from the class's weight table (whose first row is the 1 lb
// price, not a flat rate).
TEST_F(IntlRateTest, FlatRateShapeWithoutItsOwnTableHasNoPrice)
{
    const Query weightPriced = intl("CA", 30, 3, 100);
    ASSERT_EQ(weightPriced.status, kRESuccess);
    ASSERT_GT(weightPriced.price, 0);

    struct Case {
        int32_t mailClass, shape;
    } cases[] = {
        {30, 5}, {30, 6}, {30, 8}, {30, 9}, {30, 10}, {30, 20}, {28, 6},
    };
    for (const Case &c : cases) {
        const Query q = intl("CA", c.mailClass, c.shape, 40);
        EXPECT_EQ(q.status, kRESuccess) << c.mailClass << "/" << c.shape;
        EXPECT_EQ(q.price, 0) << c.mailClass << "/" << c.shape;
    }
    // The Express flat-rate envelope has its own table and keeps its price.
    EXPECT_EQ(intl("CA", 28, 5, 40).price, 35950);
}

TEST_F(IntlRateTest, StatusCodes)
{
    EXPECT_EQ(intl("Narnia", 30, 3, 160).status, kREClassNotOffered); // not -1
    EXPECT_EQ(intl(nullptr, 30, 3, 160).status, kREClassNotOffered);
    EXPECT_EQ(intl("", 30, 3, 160).status, kREClassNotOffered);
    EXPECT_EQ(intl("FR", 28, 3, 160).status, kREClassNotOffered); // PMEI not offered
    EXPECT_EQ(intl("GB", 36, 0, 160).status, kREClassNotOffered); // no M-bags
    EXPECT_EQ(intl("GB", 42, 3, 160).status, kREClassNotOffered); // no FCMI parcels
    EXPECT_EQ(intl("CA", 30, 3, 66 * 160 + 1).status, kREOverweight);
    EXPECT_EQ(intl("CA", 28, 5, 4 * 160 + 1).status, kREOverweight);
    EXPECT_EQ(intl("CA", 2, 3, 160).status, kREUnknownClass);
    EXPECT_EQ(intl("CA", 30, 3, 160, 0, 0, 0, 500).status, kREInvalidClassification);
    // Regional rate boxes need a table for the shape, even at classification 0.
    EXPECT_EQ(intl("FR", 30, 12, 160).status, kREInvalidClassification);
    // Classes without price tables (IPA, ISAL, consolidator, e-Packet) are
    // offered by group but have no price: success with price 0.
    for (int32_t mailClass : {38, 39, 47, 49}) {
        const Query q = intl("CA", mailClass, 3, 160);
        EXPECT_EQ(q.status, kRESuccess) << mailClass;
        EXPECT_EQ(q.price, 0) << mailClass;
    }
    // Their group and weight limit still apply.
    EXPECT_EQ(intl("GB", 38, 3, 160).status, kREClassNotOffered);
    EXPECT_EQ(intl("CA", 49, 3, 705).status, kREOverweight);
    EXPECT_EQ(intl("CA", 35, 3, 160).status, kREClassNotOffered);

    ResetRateEngineInitializedFlagForTests();
    EXPECT_EQ(intl("CA", 30, 3, 160).status, kRENotInitialized);
    InitializeRE("", "01/27/2014");
}

TEST_F(IntlRateTest, BannedListsBarTheirClasses)
{
    ASSERT_EQ(intl("CA", 28, 5, 40).status, kRESuccess);
    RegisterBannedCountryEMI("MX ca");
    RegisterBannedCountryPMI("gb");
    RegisterBannedCountryFCMI("FR");
    EXPECT_EQ(intl("CA", 28, 5, 40).status, kREClassNotOffered);
    EXPECT_EQ(intl("CA", 30, 3, 160).status, kRESuccess);
    EXPECT_EQ(intl("GB", 30, 9, 160).status, kREClassNotOffered);
    EXPECT_EQ(intl("France", 36, 0, 160).status, kREClassNotOffered);
    EXPECT_EQ(intl("France", 42, 3, 160).status, kREClassNotOffered);
    EXPECT_EQ(intl("CA", 36, 0, 160).status, kRESuccess);
}

TEST_F(IntlRateTest, DimensionsOutsideTheCountryLimits)
{
    // First-Class Mail International: longest side 24 in, sides together 36 in.
    EXPECT_EQ(intl("GB", 42, 1, 10, 10, 100, 2500).status, kRELengthGirthOver130);
    EXPECT_EQ(intl("GB", 42, 1, 10, 700, 1000, 2000).status, kRELengthGirthOver130);
    // GXG: sides 46 x 35 x 46 in, length plus girth 108 in.
    EXPECT_EQ(intl("CA", 29, 3, 80, 100, 100, 4700).status, kRELengthGirthOver130);
    EXPECT_EQ(intl("CA", 29, 3, 80, 3000, 3000, 3000).status, kRELengthGirthOver130);

    const CountryInfo *ca = GetCountryInfoForCountryName("CA");
    ASSERT_NE(ca, nullptr);
    const struct {
        int32_t h, w, l, mailClass;
        bool fits;
    } cases[] = {
        {0, 5000, 5000, 30, true},                                   // a size not given
        {1000, 1000, 3900, 30, true},                                // 39 + 2 x 20 = 79 in
        {1000, 1000, 4200, 30, false},                               // 42 + 40 = 82 in
        {1000, 1000, 4300, 28, false},                               // over 42 in
        {1000, 1100, 3900, 28, false},                               // 39 + 42 = 81 in
        {1000, 1000, 4600, 29, true},                                // length 46 in, 86 in with girth
        {1000, 3600, 1000, 29, false},                               // width over 35 in
        {3600, 1000, 1000, 29, true},                                // height up to 46 in
        {2400, 100, 100, 42, true},                                  // longest side 24 in
        {2401, 100, 100, 42, false},   {9000, 9000, 9000, 24, true}, // other classes always fit
    };
    for (const auto &c : cases)
        EXPECT_EQ(ValidDimensionsForClassAndCountry(c.h, c.w, c.l, c.mailClass, ca), c.fits)
            << c.h << "x" << c.w << "x" << c.l << " class " << c.mailClass;
}

TEST_F(IntlRateTest, FirstClassLetterSurchargeAndRestartOfAccountPrices)
{
    // A First-Class Mail International letter table at an account
    // classification: rows (weight in tenths, price by group 1-9).
    static const int32_t letters[] = {
        10,  115, 115, 115, 115, 115, 115, 115, 115, 115, 35, -1, 350, 350, 350,
        350, 350, 350, 350, 350, 0,   0,   0,   0,   0,   0,  0,  0,   0,   0,
    };
    // Registered in both price-change slots, which keep the same keys.
    for (int32_t version : {kRateVersionJan2014, kRateVersionSep2014}) {
        const int slot = int(FindRateTableSlot(gRateTables, version) - gRateTables);
        RegisterRate2(slot, 42, 1, 300, MakeRateArray(letters, RateRowForm::FirstClassIntlRows, "test letters", 10), 0);
    }

    Query q = intl("GB", 42, 1, 35, 0, 0, 0, 300, 1);
    EXPECT_EQ(q.status, kRESuccess);
    EXPECT_EQ(q.price, 3500);
    EXPECT_EQ(q.weight, 35);
    EXPECT_EQ(q.stealth, "3.5 oz First-Class Intl Letter Rate");

    // Not machinable: 21 cents more from January 2014 on.
    q = intl("GB", 42, 1, 31, 0, 0, 0, 300, 0);
    EXPECT_EQ(q.status, kRESuccess);
    EXPECT_EQ(q.price, (350 + 21) * 10);
    EXPECT_EQ(q.stealth, "3.5 oz First-Class Intl Letter Rate NON-MACH");

    // Letters end at 3.5 oz whatever the table holds.
    EXPECT_EQ(intl("GB", 42, 1, 36, 0, 0, 0, 300).status, kREOverweight);

    // Group 1 is not served at 3.5 oz: the account price set has no price, so
    // the query starts again at the public commercial-plus level.
    q = intl("CA", 42, 1, 35, 0, 0, 0, 300);
    EXPECT_LE(q.classification, 2);
}

TEST_F(IntlRateTest, StealthBufferIsClearedWhenTheQueryFails)
{
    const Query q = intl("Narnia", 30, 3, 160);
    EXPECT_EQ(q.status, kREClassNotOffered);
    EXPECT_EQ(q.stealth, "");
    int32_t weight = 160;
    int32_t price = -1;
    int32_t machinable = 1;
    int32_t classification = 0;
    EXPECT_EQ(GetIntlRate2010("CA", 36, 0, &weight, 0, 0, 0, &machinable, &classification, &price, nullptr),
              kRESuccess);
    EXPECT_EQ(price, 37950);
    EXPECT_EQ(GetIntlRate("CA", 36, 0, &weight, 0, 0, 0, &machinable, 0, &price, nullptr), kRESuccess);
    EXPECT_EQ(GetIntlRate2009("CA", 36, 0, &weight, 0, 0, 0, &machinable, 1, &price, nullptr), kRESuccess);
}

TEST(IntlReseller, ContractClassifications)
{
    for (int32_t c : {11138, 11143, 11144, 11145, 11194, 11195, 11200, 11253, 11254, 11259})
        EXPECT_TRUE(IsResellerGEPS(c)) << c;
    for (int32_t c : {0, 1, 2, 11139, 11260, 180})
        EXPECT_FALSE(IsResellerGEPS(c)) << c;
}

} // namespace
