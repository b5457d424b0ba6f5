// Country rules file, alias file, look-ups, per-class readings, the country
// walk and the banned lists.
#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"
#include "TestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using tolvane::test::fixture;

std::string shipped(const char *name) { return std::string(TOLVANE_SOURCE_DIR) + "/resources/" + name; }

// The code the table gives for a text, or "" when none.
std::string codeFor(const char *text)
{
    char code[2] = {0, 0};
    if (GetCountryCodeForName(text, code, nullptr) != kRESuccess)
        return {};
    return std::string(code, 2);
}

class CountryTableTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        InitializeRE("", "01/27/2014");
        ASSERT_EQ(LoadCountry2013FileAtPath(fixture("countries-fixture.dat").c_str()), 1);
        ASSERT_EQ(LoadCountryAliasFileAtPath(fixture("aliases-fixture.txt").c_str()), 1);
        RegisterBannedCountryEMI(nullptr);
        RegisterBannedCountryPMI(nullptr);
        RegisterBannedCountryFCMI(nullptr);
        RegisterBannedCountryTolvaneInsurance(nullptr);
    }
};

TEST_F(CountryTableTest, FindsCountriesByCodeNameAndAliasWithoutRegardToCase)
{
    const struct {
        const char *text;
        const char *code;
    } cases[] = {
        {"ca", "CA"},
        {"CA", "CA"},
        {"Ca", "CA"},
        {"canada", "CA"},
        {"CANADA", "CA"},
        {"CaNaDa", "CA"},
        {"united kingdom", "GB"},
        {"Great Britain", "GB"},      // alias
        {"uk", "GB"},                 // a 2-letter alias that is no code
        {"dominion of canada", "CA"}, // alias
        {"fr", "FR"},
        {"France", "FR"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(codeFor(c.text), c.code) << c.text;
}

TEST_F(CountryTableTest, CodesWinOverAliasesAndUnknownTextsAreNotFound)
{
    // The alias file maps "ca" to FR, but a code match comes first.
    EXPECT_EQ(codeFor("ca"), "CA");
    // An alias whose code has no record, and texts nobody knows.
    for (const char *text : {"ATLANTIS", "XX", "", "CANADA ", "CAN", "Narnia"})
        EXPECT_EQ(codeFor(text), "") << text;
    EXPECT_EQ(GetCountryCodeForName(nullptr, nullptr, nullptr), kRENoCountry);
    EXPECT_EQ(GetCountryInfoForCountryName("Narnia"), nullptr);
}

TEST_F(CountryTableTest, LookUpFillsTheRecordAndTheTwoLetterCode)
{
    const CountryInfo *rec = nullptr;
    char code[2] = {'?', '?'};
    ASSERT_EQ(GetCountryCodeForName("great britain", code, &rec), kRESuccess);
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(std::string(code, 2), "GB");
    EXPECT_EQ(rec->name, "UNITED KINGDOM");
    EXPECT_STREQ(rec->code, "GB");
    EXPECT_EQ(GetCountryInfoForCountryName("GB"), rec);
}

TEST_F(CountryTableTest, ReadsFlagsNumbersAndTheSmallBoxOnlyText)
{
    const CountryInfo *ca = GetCountryInfoForCountryName("CA");
    const CountryInfo *gb = GetCountryInfoForCountryName("GB");
    const CountryInfo *fr = GetCountryInfoForCountryName("FR");
    ASSERT_TRUE(ca && gb && fr);
    EXPECT_EQ(ca->value(kCountryFieldGXGOffered), 1);
    EXPECT_EQ(ca->value(kCountryFieldGXGMaxLengthPlusGirth), 108);
    EXPECT_EQ(ca->value(kCountryFieldPMIIndemnityLimit), 675);
    EXPECT_EQ(ca->pmiSmallFlatRateBoxOnly, 0);
    EXPECT_EQ(ca->value(kCountryFieldUnused49), 0);      // a text field, discarded
    EXPECT_EQ(gb->value(kCountryFieldGXGOffered), 1);    // "y"
    EXPECT_EQ(gb->value(kCountryFieldPMEIOffered), 1);   // "1"
    EXPECT_EQ(gb->value(kCountryFieldPMEIInsurance), 0); // "n"
    // "sfrb" in lower case: offered, small flat-rate box only.
    EXPECT_EQ(gb->value(kCountryFieldPMIOffered), 1);
    EXPECT_EQ(gb->pmiSmallFlatRateBoxOnly, 1);
    // "1" does not offer Priority Mail International (only "Y" and "SFRB").
    EXPECT_EQ(fr->value(kCountryFieldPMIOffered), 0);
    EXPECT_EQ(fr->pmiSmallFlatRateBoxOnly, 0);
}

TEST_F(CountryTableTest, SmallBoxOnlyCountsAsOfferedInAnyCase)
{
    ASSERT_EQ(LoadCountry2013FileAtPath(fixture("countries-three.dat").c_str()), 1);
    const struct {
        const char *code;
        int32_t group, smallBoxOnly;
    } cases[] = {{"AA", 1, 0}, {"BB", 2, 1}, {"CC", 3, 1}}; // "Y", "SFRB", "SfRb"
    for (const auto &c : cases) {
        EXPECT_EQ(GetCountryGroup(30, 9, c.code), c.group) << c.code;
        const CountryInfo *rec = GetCountryInfoForCountryName(c.code);
        ASSERT_NE(rec, nullptr);
        EXPECT_EQ(rec->pmiSmallFlatRateBoxOnly, c.smallBoxOnly) << c.code;
    }
}

TEST_F(CountryTableTest, PriceGroupsFollowTheOfferedFlags)
{
    const struct {
        int32_t mailClass, shape;
        const char *country;
        int32_t group;
    } cases[] = {
        {28, 3, "CA", 1},     {28, 3, "FR", 0},                                       // PMEI not offered to FR
        {29, 0, "GB", 2},     {29, 0, "FR", 0},  {30, 3, "CA", 1},  {30, 9, "GB", 3}, // "sfrb" counts as offered
        {30, 3, "FR", 0},                                                             // "1" does not
        {30, 12, "FR", 5},    {30, 13, "FR", 5}, {30, 21, "FR", 5},                   // regional boxes: no offered test
        {47, 3, "FR", 7}, // class 47: the PMI group, no offered test
        {36, 0, "CA", 1},     {38, 0, "FR", 9},  {39, 0, "FR", 9},  {49, 0, "FR", 9},
        {36, 0, "GB", 0},                                                             // M-bags not offered
        {42, 1, "GB", 2},     {42, 3, "GB", 0},                                       // letters yes, parcels no
        {42, 3, "FR", 5},     {42, 1, "FR", 0},  {2, 3, "CA", 0},   {35, 3, "CA", 0}, // no international group
        {30, 3, "Narnia", 0}, {30, 3, "", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(GetCountryGroup(c.mailClass, c.shape, c.country), c.group)
            << c.mailClass << "/" << c.shape << " " << c.country;
    EXPECT_EQ(GetCountryGroup(30, 3, nullptr), 0);
}

TEST_F(CountryTableTest, WeightLimitsByClassAndShape)
{
    const struct {
        int32_t mailClass, shape;
        const char *country;
        int32_t tenths;
    } cases[] = {
        {28, 5, "CA", 4 * 160},   {28, 10, "CA", 4 * 160},  {28, 11, "CA", 4 * 160},  {28, 6, "CA", 20 * 160},
        {28, 3, "CA", 66 * 160},  {29, 3, "GB", 10 * 160},  {30, 9, "CA", 4 * 160},   {30, 17, "CA", 4 * 160},
        {30, 19, "CA", 4 * 160},  {30, 6, "CA", 20 * 160},  {30, 8, "CA", 20 * 160},  {30, 20, "CA", 20 * 160},
        {30, 12, "CA", 15 * 160}, {30, 13, "CA", 20 * 160}, {30, 21, "CA", 25 * 160}, {30, 3, "CA", 66 * 160},
        {47, 3, "CA", 66 * 160},  {36, 0, "CA", 66 * 160},  {38, 0, "FR", 66 * 160},  {39, 0, "GB", 44 * 160},
        {42, 7, "FR", 10},        {42, 1, "FR", 35},        {42, 2, "FR", 640},       {42, 3, "GB", 640},
        {49, 3, "FR", 704},       {2, 3, "CA", 0},          {42, 1, "Narnia", 0},     {49, 3, "", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(GetCountryMaxWeight(c.mailClass, c.shape, c.country), c.tenths)
            << c.mailClass << "/" << c.shape << " " << c.country;
    EXPECT_EQ(GetCountryPMIIndemnityLimit("canada"), 67500);
    EXPECT_EQ(GetCountryPMIIndemnityLimit("Narnia"), 0);
    EXPECT_EQ(GetCountryPMIIndemnityLimit(""), 0);
}

// A server copy whose limits are too large for tenths of an ounce or cents
// reads them as the largest limit, never as a negative one that would bar
// every piece.
TEST_F(CountryTableTest, LimitsTooLargeForTheirUnitReadAsTheLargest)
{
    ASSERT_EQ(LoadCountry2013FileAtPath(fixture("countries-huge-limits.dat").c_str()), 1);
    for (int32_t mailClass : {28, 29, 30})
        EXPECT_EQ(GetCountryMaxWeight(mailClass, 3, "ZZ"), INT32_MAX) << mailClass;
    EXPECT_EQ(GetCountryPMIIndemnityLimit("BIGLAND"), INT32_MAX);
}

TEST_F(CountryTableTest, CountryInfoConvertsBetweenNameAndCode)
{
    char name[kCountryNameBufferSize] = "united states";
    char code[3] = "";
    EXPECT_EQ(GetCountryInfo(name, code, nullptr, nullptr), kRESuccess);
    EXPECT_STREQ(code, "US");

    char noName[kCountryNameBufferSize] = "";
    char us[3] = "us";
    EXPECT_EQ(GetCountryInfo(noName, us, nullptr, nullptr), kRESuccess);
    EXPECT_STREQ(noName, "UNITED STATES");

    char byName[kCountryNameBufferSize] = "great britain";
    char outCode[3] = "";
    char rateName[kCountryNameBufferSize] = "";
    char zone[2] = "x";
    EXPECT_EQ(GetCountryInfo(byName, outCode, rateName, zone), kRESuccess);
    EXPECT_STREQ(byName, "UNITED KINGDOM");
    EXPECT_STREQ(rateName, "UNITED KINGDOM");
    EXPECT_STREQ(outCode, "GB");
    EXPECT_STREQ(zone, "0");

    char empty[kCountryNameBufferSize] = "";
    char fr[3] = "fr";
    EXPECT_EQ(GetCountryInfo(empty, fr, nullptr, nullptr), kRESuccess);
    EXPECT_STREQ(empty, "FRANCE");

    // A name of three or more characters is looked up, whatever the code says.
    char france[kCountryNameBufferSize] = "France";
    char usCode[3] = "US";
    EXPECT_EQ(GetCountryInfo(france, usCode, nullptr, nullptr), kRESuccess);
    EXPECT_STREQ(france, "FRANCE");
    EXPECT_STREQ(usCode, "FR");

    char unknown[kCountryNameBufferSize] = "Narnia";
    EXPECT_EQ(GetCountryInfo(unknown, nullptr, nullptr, nullptr), kRENoCountry);
    EXPECT_EQ(GetCountryInfo(nullptr, nullptr, nullptr, nullptr), kRENoCountry);
}

TEST_F(CountryTableTest, WalkOfThreeCountriesEndsAndStartsAgain)
{
    ASSERT_EQ(LoadCountry2013FileAtPath(fixture("countries-three.dat").c_str()), 1);
    const std::vector<std::string> expected = {"FIRST LAND", "SECOND LAND", "THIRD LAND"};
    const std::vector<std::string> codes = {"AA", "BB", "CC"};
    // Ends any walk left over by another test.
    for (int i = 0; i < 10 && GetCountryList(nullptr, nullptr, nullptr) == kRESuccess; ++i) {}
    for (int round = 0; round < 2; ++round) {
        for (std::size_t i = 0; i < expected.size(); ++i) {
            char name[kCountryNameBufferSize] = "";
            char code[3] = "";
            char zone[2] = "";
            ASSERT_EQ(GetCountryList(name, code, zone), kRESuccess);
            EXPECT_EQ(name, expected[i]);
            EXPECT_EQ(code, codes[i]);
            EXPECT_STREQ(zone, "0");
        }
        EXPECT_EQ(GetCountryList(nullptr, nullptr, nullptr), kREClassNotOffered);
    }
}

TEST_F(CountryTableTest, ReloadRestartsTheWalkOnTheNewTable)
{
    // Stand on the second record of the fixture table...
    for (int i = 0; i < 10 && GetCountryList(nullptr, nullptr, nullptr) == kRESuccess; ++i) {}
    ASSERT_EQ(GetCountryList(nullptr, nullptr, nullptr), kRESuccess);
    ASSERT_EQ(GetCountryList(nullptr, nullptr, nullptr), kRESuccess);
    // ...then a reload frees those records: the walk begins on the new first.
    ASSERT_EQ(LoadCountry2013FileAtPath(fixture("countries-three.dat").c_str()), 1);
    char name[kCountryNameBufferSize] = "";
    ASSERT_EQ(GetCountryList(name, nullptr, nullptr), kRESuccess);
    EXPECT_STREQ(name, "FIRST LAND");
}

TEST_F(CountryTableTest, MalformedRulesFilesKeepTheTableInUse)
{
    for (const char *bad :
         {"countries-html.dat", "countries-short-line.dat", "countries-comments-only.dat", "countries-bad-code.dat"}) {
        EXPECT_EQ(LoadCountry2013FileAtPath(fixture(bad).c_str()), 0) << bad;
        EXPECT_EQ(codeFor("France"), "FR") << bad;
        EXPECT_EQ(GetCountryGroup(29, 0, "GB"), 2) << bad;
        EXPECT_EQ(codeFor("GERMANY"), "") << bad;
    }
    // The walk still covers the three fixture countries.
    for (int i = 0; i < 10 && GetCountryList(nullptr, nullptr, nullptr) == kRESuccess; ++i) {}
    int records = 0;
    while (GetCountryList(nullptr, nullptr, nullptr) == kRESuccess && records < 10)
        ++records;
    EXPECT_EQ(records, 3);
}

TEST_F(CountryTableTest, ByteOrderMarkBeforeTheFirstCodeIsIgnored)
{
    ASSERT_EQ(LoadCountry2013FileAtPath(fixture("countries-bom.dat").c_str()), 1);
    EXPECT_EQ(codeFor("FIRST LAND"), "AA");
}

TEST_F(CountryTableTest, MissingFilesReportTheSystemErrorAndKeepTheLists)
{
    const std::string missing = fixture("no-such-file.dat");
    testing::internal::CaptureStdout();
    EXPECT_EQ(LoadCountry2013FileAtPath(missing.c_str()), 0);
    EXPECT_EQ(LoadCountryAliasFileAtPath(missing.c_str()), 0);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string line = "error: " + std::to_string(ENOENT) + "\n";
    EXPECT_EQ(out, line + line);
    EXPECT_EQ(codeFor("Great Britain"), "GB");
    EXPECT_EQ(codeFor("Canada"), "CA");
}

TEST_F(CountryTableTest, MalformedAliasFileKeepsTheAliases)
{
    EXPECT_EQ(LoadCountryAliasFileAtPath(fixture("aliases-html.txt").c_str()), 0);
    EXPECT_EQ(codeFor("Great Britain"), "GB");
}

TEST_F(CountryTableTest, BannedListsMatchTheCodeAnywhereInAnyCase)
{
    EXPECT_FALSE(IsCountryCodeBanned(BannedList::PMI, "CA")); // never registered: empty
    RegisterBannedCountryPMI("fr, xx,ca");
    EXPECT_TRUE(IsCountryCodeBanned(BannedList::PMI, "CA"));
    EXPECT_TRUE(IsCountryCodeBanned(BannedList::PMI, "fr"));
    EXPECT_FALSE(IsCountryCodeBanned(BannedList::PMI, "GB"));
    EXPECT_FALSE(IsCountryCodeBanned(BannedList::EMI, "CA")); // lists are separate
    RegisterBannedCountryPMI(nullptr);
    EXPECT_FALSE(IsCountryCodeBanned(BannedList::PMI, "CA"));
    RegisterBannedCountryTolvaneInsurance("GBCA");
    EXPECT_TRUE(IsCountryCodeBanned(BannedList::TolvaneInsurance, "gb"));
    EXPECT_FALSE(IsCountryCodeBanned(BannedList::TolvaneInsurance, ""));
}

TEST_F(CountryTableTest, EngineMustBeInitialisedForInfoAndWalk)
{
    ResetRateEngineInitializedFlagForTests();
    char name[kCountryNameBufferSize] = "France";
    EXPECT_EQ(GetCountryInfo(name, nullptr, nullptr, nullptr), kRENotInitialized);
    EXPECT_EQ(GetCountryList(nullptr, nullptr, nullptr), kRENotInitialized);
    InitializeRE("", "01/27/2014");
    EXPECT_EQ(GetCountryInfo(name, nullptr, nullptr, nullptr), kRESuccess);
}

TEST_F(CountryTableTest, PrintsARecordOnOneLine)
{
    testing::internal::CaptureStdout();
    PrintACountryInfo(nullptr);
    PrintACountryInfo(GetCountryInfoForCountryName("FR"));
    const std::string out = testing::internal::GetCapturedStdout();
    std::istringstream lines(out);
    std::string first, second;
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_EQ(first, "passed in NULL to PrintACountryInfo");
    // Code, name, fields 3-22, the small-box flag, fields 23-44: 45 fields,
    // each followed by a TAB.
    EXPECT_EQ(std::count(second.begin(), second.end(), '\t'), 45);
    EXPECT_EQ(second.rfind("FR\tFRANCE\t", 0), 0u);
}

TEST(CountryMetroPost, MerchantFileReaders)
{
    const std::string path = fixture("metropost.txt");
    const struct {
        const char *origin, *destination;
        int32_t result;
    } cases[] = {
        {"94103", "94110", 0}, // both on one line
        {"94103", "94016", 1}, // origin served, not together
        {"99999", "94016", 2}, // origin nowhere
        {"99999", "88888", 3}, // neither
        {"941", "94016", 2},   {"941", "940", 3}, {"94103", "94", 1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ValidMetroPostZIPs(path.c_str(), c.origin, c.destination), c.result)
            << c.origin << " " << c.destination;

    char id[16] = "23";
    EXPECT_EQ(GetMerchantIDFromZIP(path.c_str(), "94016", id, sizeof id), 1);
    EXPECT_STREQ(id, "23");
    char none[16] = "99";
    EXPECT_EQ(GetMerchantIDFromZIP(path.c_str(), "94016", none, sizeof none), 0);

    testing::internal::CaptureStdout();
    EXPECT_EQ(ValidMetroPostZIPs(fixture("no-such-file").c_str(), "94103", "94110"), 5);
    EXPECT_EQ(GetMerchantIDFromZIP(fixture("no-such-file").c_str(), "94103", id, sizeof id), 0);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("error: "), std::string::npos);
}

// ---------------------------------------------------------------------------
// The files the application ships.

std::vector<std::vector<std::string>> readTabLines(const std::string &path)
{
    std::vector<std::vector<std::string>> rows;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '%')
            continue;
        std::vector<std::string> fields;
        std::stringstream ss(line);
        std::string f;
        while (std::getline(ss, f, '\t'))
            fields.push_back(f);
        rows.push_back(fields);
    }
    return rows;
}

class ShippedCountryFilesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        InitializeRE("", "01/27/2014");
        ASSERT_EQ(LoadCountry2013FileAtPath(shipped("country2013.dat").c_str()), 1);
        ASSERT_EQ(LoadCountryAliasFileAtPath(shipped("country-aliases.txt").c_str()), 1);
    }
};

TEST_F(ShippedCountryFilesTest, EveryCountryIsFoundByItsCodeAndName)
{
    const auto rows = readTabLines(shipped("country2013.dat"));
    ASSERT_GT(rows.size(), 200u);
    std::set<std::string> codes;
    for (const auto &row : rows) {
        ASSERT_EQ(row.size(), 50u) << row[0];
        const std::string &code = row[0];
        const std::string &name = row[1];
        EXPECT_TRUE(codes.insert(code).second) << "twice: " << code;
        EXPECT_EQ(codeFor(name.c_str()), code) << name;
        const CountryInfo *rec = GetCountryInfoForCountryName(code.c_str());
        ASSERT_NE(rec, nullptr) << code;
        EXPECT_EQ(rec->name, name);
        // Upper-case ASCII names, as the country list shows them.
        for (unsigned char ch : name)
            EXPECT_FALSE(ch >= 'a' && ch <= 'z') << name;
    }
}

TEST_F(ShippedCountryFilesTest, EveryAliasLeadsToACountry)
{
    const auto rows = readTabLines(shipped("country-aliases.txt"));
    ASSERT_FALSE(rows.empty());
    for (const auto &row : rows) {
        ASSERT_EQ(row.size(), 2u);
        EXPECT_EQ(codeFor(row[0].c_str()), row[1]) << row[0];
    }
    EXPECT_EQ(codeFor("Great Britain"), "GB");
    EXPECT_EQ(codeFor("england"), "GB");
}

TEST_F(ShippedCountryFilesTest, HoldsEveryIso3166Country)
{
    QFile iso(QStringLiteral("/usr/share/iso-codes/json/iso_3166-1.json"));
    if (!iso.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "iso-codes is not installed";
    const QJsonArray list = QJsonDocument::fromJson(iso.readAll()).object().value(QStringLiteral("3166-1")).toArray();
    ASSERT_FALSE(list.isEmpty());
    for (const auto &entry : list) {
        const std::string code = entry.toObject().value(QStringLiteral("alpha_2")).toString().toStdString();
        EXPECT_NE(GetCountryInfoForCountryName(code.c_str()), nullptr) << code;
    }
    EXPECT_EQ(readTabLines(shipped("country2013.dat")).size(), std::size_t(list.size()));
}

TEST_F(ShippedCountryFilesTest, ShipsNoPriceGroupOrLimit)
{
    // Groups, limits and service flags come from the server's copy; the
    // shipped table offers nothing by itself.
    for (const auto &row : readTabLines(shipped("country2013.dat")))
        for (int32_t mailClass : {28, 29, 30, 36, 42, 47})
            EXPECT_EQ(GetCountryGroup(mailClass, 3, row[0].c_str()), 0) << row[0];
}

} // namespace
