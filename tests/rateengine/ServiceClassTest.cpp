// Service-class keys and Intelligent Mail codes.
#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"
#include "rateengine/ServiceClass.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdint>
#include <fstream>
#include <map>
#include <string>

namespace {

constexpr int32_t key(uint32_t bits) { return static_cast<int32_t>(bits); }

// A line of the country rules file: 50 TAB-separated fields, all empty but
// those given.
std::string countryLine(const std::map<int, std::string> &fields)
{
    std::string line;
    for (int field = 1; field <= kCountryFieldCount; ++field) {
        if (field > 1)
            line += '\t';
        const auto it = fields.find(field);
        if (it != fields.end())
            line += it->second;
    }
    return line;
}

// Loads a small country table: Canada, Mexico and France offering Priority
// Mail International and Priority Mail Express International, and an alias.
class ServiceClassCountries : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        const std::string rules = dir_.filePath("country2013.dat").toStdString();
        const std::string aliases = dir_.filePath("country-aliases.txt").toStdString();
        {
            std::ofstream out(rules);
            out << "% code\tname\n";
            out << countryLine({{1, "CA"}, {2, "CANADA"}, {13, "Y"}, {14, "1"}, {22, "Y"}, {23, "1"}}) << '\n';
            out << countryLine({{1, "MX"}, {2, "MEXICO"}, {13, "Y"}, {14, "2"}, {22, "Y"}, {23, "2"}}) << '\n';
            out << countryLine({{1, "FR"}, {2, "FRANCE"}, {13, "Y"}, {14, "5"}, {22, "Y"}, {23, "5"}}) << '\n';
        }
        {
            std::ofstream out(aliases);
            out << "KANADA\tCA\n";
        }
        ASSERT_EQ(LoadCountry2013FileAtPath(rules.c_str()), 1);
        ASSERT_EQ(LoadCountryAliasFileAtPath(aliases.c_str()), 1);
    }

    QTemporaryDir dir_;
};

class ServiceClassKey : public testing::Test
{
protected:
    void SetUp() override
    {
        savedVersion_ = giRateTable;
        SetRateVersion("09/07/2014");
    }
    void TearDown() override { giRateTable = savedVersion_; }

    // The full entry point with every option named.
    static int32_t build(int32_t mailClass, int32_t shape, int32_t weight, int32_t zone, int32_t rateClassification,
                         int32_t machinable = 0, int32_t military = 0, int32_t cubic = 0, int32_t returnService = 0)
    {
        return GetServiceClassRE2014(mailClass, shape, weight, zone, 0, 0, machinable, 0, rateClassification, military,
                                     cubic, returnService);
    }

    int32_t savedVersion_ = 0;
};

TEST_F(ServiceClassKey, GoldenKeys)
{
    // First-Class International parcel, ordinary level, price group 5.
    EXPECT_EQ(build(42, 3, 10, 5, 0), key(0x729c5000));
    // Priority Mail International, regional-rate box C, price group 1.
    EXPECT_EQ(build(30, 21, 10, 1, 0), key(0x72401c00));
    // Parcel Select return service, machinable, zone 4.
    EXPECT_EQ(build(43, 3, 16, 4, 0, 1, 0, 0, 1), key(0x61646000));
}

TEST_F(ServiceClassKey, MetroPostHasFourKeys)
{
    struct Case {
        int32_t weight, zone, rateClassification;
        uint32_t expected;
    };
    const Case cases[] = {
        {0, 0, 0, 0x86240000},   {400, 0, 2, 0x86240000},   {10, 3, 0, 0x86280000},  {400, -1, 1, 0x86280000},
        {401, 0, 0, 0x86440000}, {5000, 0, 10, 0x86440000}, {401, 9, 0, 0x86480000}, {999, 1, 2, 0x86480000},
    };
    for (const Case &c : cases) {
        const int32_t k = build(48, 3, c.weight, c.zone, c.rateClassification, 1, 1, 0, 1);
        EXPECT_EQ(k, key(c.expected)) << "weight " << c.weight << " zone " << c.zone;
        EXPECT_LT(k, 0);
    }
}

TEST_F(ServiceClassKey, FirstClassRateLevels)
{
    EXPECT_EQ(build(1, 1, 1, 0, 0), key(0x15280000)); // letter: level 5 from rate version 16 on
    SetRateVersion("01/26/2014");
    ASSERT_EQ(giRateTable, 16);
    EXPECT_EQ(build(1, 1, 1, 0, 0), key(0x15280000));
    EXPECT_EQ(build(1, 1, 1, 0, 1), key(0x12280000)); // classification 1: level 2
    EXPECT_EQ(build(1, 1, 1, 0, 2), key(0x13280000));
    EXPECT_EQ(build(1, 1, 1, 0, 10), key(0x14280000));
    EXPECT_EQ(build(1, 1, 1, 0, 3), key(0x15280000));
    EXPECT_EQ(build(1, 1, 1, 0, -1), key(0x15280000));
    EXPECT_EQ(build(1, 2, 1, 0, 0), key(0x11480000)); // flat: level 1
    EXPECT_EQ(build(1, 3, 1, 0, 0), key(0x11600000)); // parcel, classification 0
    EXPECT_EQ(build(1, 4, 1, 0, 0), key(0x11600000));
    EXPECT_EQ(build(1, 3, 1, 0, 1), key(0x12700000)); // parcel, other classification
    EXPECT_EQ(build(1, 3, 1, 0, 5), key(0x11700000));
    EXPECT_EQ(build(1, 7, 1, 0, 0), key(0x11180000)); // postcard
    EXPECT_EQ(build(1, 5, 1, 0, 0), key(0x11700000));
    EXPECT_EQ(build(1, 3, 1, 7, 0, 1, 1, 1, 1), key(0x11604000)); // return; no zone, no other options

    giRateTable = 15; // before the 2014 versions a letter keeps level 1
    EXPECT_EQ(build(1, 1, 1, 0, 0), key(0x11280000));
}

TEST_F(ServiceClassKey, OtherFirstClassFamilyMembersAndUnlistedClasses)
{
    EXPECT_EQ(build(7, 1, 1, 0, 0), key(0x01280000)); // class 7: group 0, First-Class sub-codes, level 1
    EXPECT_EQ(build(7, 3, 1, 0, 1), key(0x02700000));
    EXPECT_EQ(build(22, 1, 1, 0, 0), key(0x11280000)); // presorted First-Class: group 1, not level 5
    EXPECT_EQ(build(22, 2, 1, 0, 0, 0, 0, 0, 1), key(0x11484000));
    EXPECT_EQ(build(21, 1, 1, 4, 0), key(0x51100000)); // presorted Standard: no zone
    EXPECT_EQ(build(21, 2, 1, 0, 0), key(0x51200000));
    EXPECT_EQ(build(21, 3, 1, 0, 1, 1, 1, 1, 1), key(0x52300000));
    EXPECT_EQ(build(99, 2, 1, 4, 0), key(0x01200000)); // unknown class: group 0, default sub-code
    EXPECT_EQ(build(8, 9, 1, 4, 2), key(0x03300000));
}

TEST_F(ServiceClassKey, PriorityMailOptionsAndZones)
{
    // Cubic tiers 1-5 in bits 11-13; other tiers carry nothing.
    const uint32_t tierBits[] = {0, 0x800, 0x1000, 0x1800, 0x2000, 0x2800, 0, 0};
    for (int tier = 0; tier <= 7; ++tier)
        EXPECT_EQ(build(2, 3, tier, 5, 2, 0, 0, 1), key(0x339a8000 | tierBits[tier])) << "tier " << tier;
    EXPECT_EQ(build(2, 3, 3, 5, 2, 0, 0, 1), key(0x339a9800));

    // Without cubic pricing: 0x3000 for exactly 8 (ounces), classification above 1, parcel shapes.
    EXPECT_EQ(build(2, 3, 8, 5, 2), key(0x339ab000));
    EXPECT_EQ(build(2, 4, 8, 5, 10), key(0x349ab000));
    EXPECT_EQ(build(2, 3, 9, 5, 2), key(0x339a8000));
    EXPECT_EQ(build(2, 3, 7, 5, 2), key(0x339a8000));
    EXPECT_EQ(build(2, 3, 8, 5, 1), key(0x329a8000));
    EXPECT_EQ(build(2, 3, 8, 5, 0), key(0x319a8000));
    EXPECT_EQ(build(2, 2, 8, 5, 2), key(0x33928000));
    EXPECT_EQ(build(2, 3, 8, 5, 2, 0, 0, 1), key(0x339a8000)); // with cubic, 8 is no tier

    EXPECT_EQ(build(2, 3, 1, 5, 0, 0, 1, 0, 1), key(0x319a8440)); // military and return
    EXPECT_EQ(build(2, 3, 1, 9, 0), key(0x319c8000));             // zone 9: 0x48000
    EXPECT_EQ(build(2, 3, 1, 0, 0), key(0x31980000));
    EXPECT_EQ(build(2, 3, 1, 10, 0), key(0x31980000));
    EXPECT_EQ(build(2, 3, 1, -3, 0), key(0x31980000));
    EXPECT_EQ(build(2, 3, 1, 5, 0, 1), key(0x319a8000)); // machinable does not count
}

TEST_F(ServiceClassKey, PriorityMailShapes)
{
    const std::pair<int32_t, uint32_t> shapes[] = {
        {1, 0x880000},   {2, 0x900000},   {5, 0x080000},   {6, 0x180000},  {7, 0x800000},  {8, 0x200000},
        {9, 0x100000},   {10, 0x380000},  {11, 0x300000},  {12, 0x700000}, {13, 0x780000}, {14, 0x480000},
        {15, 0x500000},  {16, 0x400000},  {17, 0x580000},  {20, 0xa80000}, {21, 0xa00000}, {101, 0xb80000},
        {102, 0xb00000}, {103, 0xc00000}, {104, 0xc80000}, {3, 0x980000},  {4, 0x980000},  {18, 0x980000},
        {19, 0x980000},  {0, 0x980000},   {22, 0x980000},
    };
    for (const auto &[shape, subCode] : shapes)
        EXPECT_EQ(build(2, shape, 1, 0, 0), key(0x31000000 | subCode)) << "shape " << shape;
    EXPECT_EQ(build(2, 5, 1, 0, 0), key(0x31080000));
}

TEST_F(ServiceClassKey, ExpressAndPackageServices)
{
    const std::pair<int32_t, uint32_t> expressShapes[] = {
        {1, 0x700000},  {2, 0x800000}, {5, 0x100000}, {6, 0x300000}, {10, 0xa00000},
        {11, 0x600000}, {3, 0x900000}, {4, 0x900000}, {9, 0x900000},
    };
    for (const auto &[shape, subCode] : expressShapes)
        EXPECT_EQ(build(3, shape, 1, 0, 0), key(0x21000000 | subCode)) << "shape " << shape;
    EXPECT_EQ(build(3, 3, 1, 9, 0), key(0x21990000)); // zone 9: 0x90000
    EXPECT_EQ(build(3, 3, 1, 10, 0), key(0x21900000));
    EXPECT_EQ(build(3, 3, 1, 4, 0, 0, 0, 0, 1), key(0x21942000));

    EXPECT_EQ(build(6, 3, 1, 4, 0, 1), key(0x61044000));
    EXPECT_EQ(build(6, 3, 1, 4, 0, 0), key(0x61048000));
    EXPECT_EQ(build(45, 3, 1, 4, 0, 1), key(0x61844000));
    EXPECT_EQ(build(23, 3, 1, 4, 0, 0), key(0x61508000)); // no zone
    EXPECT_EQ(build(24, 3, 1, 3, 0, 1), key(0x61134000));
    EXPECT_EQ(build(25, 3, 1, 1, 1, 1), key(0x62214000));
    EXPECT_EQ(build(43, 3, 1, 4, 0, 0), key(0x6134a000));
    EXPECT_EQ(build(43, 3, 1, 4, 0, 1, 1, 1, 1), key(0x61646000));

    EXPECT_EQ(build(44, 1, 1, 2, 0, 0, 0, 0, 1), key(0x31690040)); // Critical Mail letter
    EXPECT_EQ(build(46, 2, 1, 0, 0), key(0x31600000));
    EXPECT_EQ(build(44, 3, 1, 9, 1), key(0x32048000));
}

TEST_F(ServiceClassKey, InternationalLayout)
{
    // Levels 2 / 4 / 8 / 6 and the ordinary level for everything else.
    const std::pair<int32_t, uint32_t> levels[] = {{0, 2}, {1, 4}, {2, 8}, {10, 6}, {25, 6}, {3, 2}, {9, 2}, {-1, 2}};
    for (const auto &[classification, level] : levels)
        EXPECT_EQ(build(30, 3, 1, 1, classification), key(0x705c1000 | level << 24)) << classification;

    EXPECT_EQ(build(30, 3, 1, 1, 0), key(0x725c1000));
    EXPECT_EQ(build(30, 5, 1, 1, 0), key(0x72421000));
    EXPECT_EQ(build(42, 3, 1, 1, 0), key(0x729c1000));
    EXPECT_EQ(build(30, 12, 1, 3, 0), key(0x72403400));
    EXPECT_EQ(build(30, 13, 1, 17, 0), key(0x72411800));
    EXPECT_EQ(build(30, 20, 1, 2, 0), key(0x72482000));
    EXPECT_EQ(build(28, 6, 1, 2, 0), key(0x72262000));
    EXPECT_EQ(build(29, 3, 1, 1, 0), key(0x721c1000));
    EXPECT_EQ(build(42, 1, 1, 1, 0), key(0x72781000));
    EXPECT_EQ(build(42, 7, 1, 1, 0), key(0x727c1000));
    EXPECT_EQ(build(36, 3, 1, 2, 0), key(0x72602000)); // M-bags: no shape sub-code
    EXPECT_EQ(build(35, 1, 1, 0, 0), key(0x02780000)); // group 0, international layout
    EXPECT_EQ(build(38, 1, 1, 0, 0), key(0x73d80000));
    EXPECT_EQ(build(39, 2, 1, 0, 0), key(0x73fa0000));
    EXPECT_EQ(build(49, 2, 1, 0, 0), key(0x73fa0000));
    EXPECT_EQ(build(47, 8, 1, 0, 0), key(0x73a80000));
    // Price groups outside 1-17 add nothing; options never enter.
    EXPECT_EQ(build(30, 3, 1, 18, 0), key(0x725c0000));
    EXPECT_EQ(build(30, 3, 1, -1, 0), key(0x725c0000));
    EXPECT_EQ(build(30, 3, 8, 1, 0, 1, 1, 1, 1), key(0x725c1000));
}

TEST_F(ServiceClassKey, OlderEntryPointsPassZeroForWhatTheyLack)
{
    // A stamp: machinable, ordinary level, no options.
    EXPECT_EQ(GetServiceClassRE(1, 1, 1, 0, 0, 0, 1, 0), key(0x15280000));
    EXPECT_EQ(GetServiceClassRE(2, 3, 8, 5, 7, 7, 1, 7), key(0x319a8000));
    EXPECT_EQ(GetServiceClassRE(6, 3, 8, 5, 0, 0, 0, 0), key(0x61058000));
    EXPECT_EQ(GetServiceClassRE2009(2, 3, 8, 5, 0, 0, 0, 0, 2), key(0x339ab000));
    EXPECT_EQ(GetServiceClassRE2010(2, 3, 3, 5, 1, 0, 1, 0, 2, 1, 1), key(0x339a9c00));
    EXPECT_EQ(GetServiceClassRE2011(2, 3, 3, 5, 1, 0, 1, 0, 2, 1, 1), key(0x339a9c00));
    EXPECT_EQ(GetServiceClassRE2010(43, 3, 1, 4, 0, 0, 1, 0, 0, 0, 0), key(0x61346000)); // never a return key
}

TEST_F(ServiceClassCountries, IntelligentMailCodeDependsOnCanadaAndMexico)
{
    for (const char *country : {"CA", "ca", "Canada", "KANADA", "MX", "mexico"}) {
        SCOPED_TRACE(country);
        EXPECT_EQ(GetIntelligentMailCode2009(30, 9, 0, 0, country), 8126);
        EXPECT_EQ(GetIntelligentMailCode2009(30, 9, 0, 1, country), 8026);
        EXPECT_EQ(GetIntelligentMailCode2009(30, 9, 0, 2, country), 0);
        EXPECT_EQ(GetIntelligentMailCode2009(30, 5, 0, 0, country), 8127);
        EXPECT_EQ(GetIntelligentMailCode2009(30, 6, 0, 1, country), 8028);
        EXPECT_EQ(GetIntelligentMailCode2009(30, 11, 0, 0, country), 8014);
        EXPECT_EQ(GetIntelligentMailCode2009(28, 10, 0, 1, country), 8013);
        EXPECT_EQ(GetIntelligentMailCode2009(28, 5, 0, 0, country), 8112);
        EXPECT_EQ(GetIntelligentMailCode2009(28, 3, 0, 0, country), 8111);
        EXPECT_EQ(GetIntelligentMailCode2009(30, 8, 0, 0, country), 8230);
    }
    for (const char *country : {"FR", "FRANCE", "", "NOWHERE", static_cast<const char *>(nullptr)}) {
        SCOPED_TRACE(country ? country : "(null)");
        EXPECT_EQ(GetIntelligentMailCode2009(30, 9, 0, 0, country), 8125);
        EXPECT_EQ(GetIntelligentMailCode2009(30, 9, 0, 1, country), 8025);
        EXPECT_EQ(GetIntelligentMailCode2009(30, 9, 0, 2, country), 0);
        EXPECT_EQ(GetIntelligentMailCode2009(30, 5, 0, 1, country), 8020);
        EXPECT_EQ(GetIntelligentMailCode2009(30, 6, 0, 0, country), 8121);
        EXPECT_EQ(GetIntelligentMailCode2009(30, 11, 0, 1, country), 8015);
        EXPECT_EQ(GetIntelligentMailCode2009(28, 11, 0, 0, country), 8016);
        EXPECT_EQ(GetIntelligentMailCode2009(28, 5, 0, 1, country), 8010);
    }
    // The short form never takes the Canada and Mexico codes.
    EXPECT_EQ(GetIntelligentMailCode(30, 9, 0), 8125);
    EXPECT_EQ(GetIntelligentMailCode(28, 5, 0), 8110);
}

TEST(IntelligentMailCode, DomesticAndFirstClassInternationalCodes)
{
    struct Case {
        int32_t mailClass, shape, classification;
        int32_t expected;
    };
    const Case cases[] = {
        {1, 1, 0, 1101},  {1, 2, 1, 1102},  {1, 3, 2, 1103},  {1, 7, 9, 1104},  {1, 5, 0, 0},      {2, 5, 0, 7620},
        {2, 5, 1, 7520},  {2, 5, 2, 7420},  {2, 6, 0, 7630},  {2, 6, 1, 7530},  {2, 6, 2, 7430},   {2, 8, 0, 7631},
        {2, 20, 1, 7531}, {2, 8, 2, 7431},  {2, 9, 0, 7629},  {2, 9, 1, 7529},  {2, 9, 2, 7429},   {2, 11, 0, 7714},
        {2, 11, 1, 7712}, {2, 11, 2, 7713}, {2, 3, 0, 7600},  {2, 1, 1, 7500},  {2, 12, 2, 7400},  {2, 3, 3, 0},
        {2, 5, 10, 0},    {2, 3, -1, 0},    {3, 10, 0, 7204}, {3, 11, 1, 7201}, {3, 10, 2, 7203},  {3, 5, 0, 7100},
        {3, 5, 1, 7000},  {3, 5, 2, 7006},  {3, 3, 0, 7103},  {3, 1, 1, 7003},  {3, 6, 2, 7008},   {3, 3, 4, 0},
        {6, 3, 0, 4110},  {45, 9, 7, 4110}, {23, 2, 0, 4210}, {23, 3, 1, 4211}, {23, 1, 0, 0},     {24, 3, 5, 4310},
        {25, 0, 0, 4410}, {42, 1, 0, 8031}, {42, 2, 2, 8032}, {42, 3, 1, 8033}, {42, 7, 0, 8030},  {42, 5, 0, 0},
        {28, 3, 2, 0},    {30, 3, 0, 8122}, {30, 3, 1, 8022}, {30, 3, 2, 0},    {30, 20, 1, 8220}, {43, 3, 0, 0},
        {21, 1, 0, 0},    {29, 3, 0, 0},    {48, 3, 0, 0},    {99, 1, 0, 0},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(GetIntelligentMailCode2009(c.mailClass, c.shape, 0, c.classification, "FR"), c.expected)
            << "class " << c.mailClass << " shape " << c.shape << " classification " << c.classification;
        if (c.classification == 0) {
            EXPECT_EQ(GetIntelligentMailCode(c.mailClass, c.shape, 0), static_cast<uint16_t>(c.expected));
        }
    }
}

} // namespace
