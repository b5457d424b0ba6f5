// Mail-class names and the decoding of service-class keys.
#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"
#include "rateengine/ServiceClass.h"
#include "rateengine/ServiceClassInfo.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

namespace {

constexpr int32_t key(uint32_t bits) { return static_cast<int32_t>(bits); }

struct Decoded {
    int32_t status = 0;
    int32_t mailClass = -99;
    int32_t shape = -99;
    std::string name;
};

template <typename Translate> Decoded decode(Translate translate, uint32_t bits, int32_t initialClass = -99)
{
    Decoded result;
    result.mailClass = initialClass;
    char buffer[kServiceClassNameSize];
    std::memset(buffer, '#', sizeof buffer);
    buffer[sizeof buffer - 1] = '\0';
    result.status = translate(key(bits), &result.mailClass, &result.shape, buffer);
    result.name = buffer;
    return result;
}

struct DecodeCase {
    uint32_t key;
    const char *name;
    int32_t mailClass, shape;
};

TEST(TranslateServiceClassV3, DecodesEveryClassGroup)
{
    const DecodeCase cases[] = {
        {0x319a8000, "Priority Mail", 2, 3},
        {0x31700000, "Priority Mail, Regional Rate Box A", 2, 12},
        {0x86240000, "Metro Post, Same Day", 48, 3},
        {0x86440000, "Metro Post, Same Day", 48, 3},
        {0x86280000, "Metro Post, Next Day", 48, 3},
        {0x86480000, "Metro Post, Next Day", 48, 3},
        {0x15280000, "First-Class, Letter", 1, 1},
        {0x11180000, "First-Class, Postcard", 1, 7},
        {0x11480000, "First-Class, Flats", 1, 2},
        {0x11604000, "First-Class Return, Parcel", 1, 3},
        {0x12700000, "First-Class, Package", 1, 3},
        {0x11300000, "First-Class", 1, 1},
        {0x21942000, "Priority Mail Express Return, Parcel", 3, 3},
        {0x21100000, "Priority Mail Express, Flat Rate Env", 3, 5},
        {0x21300000, "Priority Mail Express, Medium Flat Rate Box", 3, 6},
        {0x21500000, "Priority Mail Express", 3, 3},
        {0x21600000, "Priority Mail Express, Legal Flat Rate Env", 3, 5},
        {0x21700000, "Priority Mail Express, Letter", 3, 5},
        {0x21800000, "Priority Mail Express, Flats", 3, 5},
        {0x21a00000, "Priority Mail Express, Flat Rate Padded Env", 3, 5},
        {0x21000000, "Priority Mail Express", 3, 1},
        {0x319a8040, "Priority Mail Return", 2, 3},
        {0x31080000, "Priority Mail, Flat Rate Env", 2, 5},
        {0x31100000, "Priority Mail, Small Flat Rate Box", 2, 9},
        {0x31180000, "Priority Mail, Medium Flat Rate Box", 2, 6},
        {0x31200000, "Priority Mail, Large Flat Rate Box", 2, 8},
        {0x31380000, "Priority Mail, Flat Rate Padded Env", 2, 10},
        {0x31400000, "Priority Mail, Flat Rate Env", 2, 16},
        {0x31480000, "Priority Mail, Flat Rate Env", 2, 10},
        {0x31580000, "Priority Mail, Flat Rate Env", 2, 10},
        {0x31600000, "Critical Mail, Flats", 44, 2},
        {0x31690040, "Critical Mail Return, Letter", 44, 1},
        {0x31780000, "Priority Mail, Regional Rate Box B", 2, 13},
        {0x31a00000, "Priority Mail, Regional Rate Box C", 2, 21},
        {0x31800000, "Priority Mail, Postcard", 2, 7},
        {0x31880040, "Priority Mail Return, Letter", 2, 1},
        {0x31900000, "Priority Mail, Flats", 2, 2},
        {0x31a80000, "Priority Mail, Large Flat Rate Board Game Box", 2, 20},
        {0x31b00000, "PMOD Full Tray Box", 2, 102},
        {0x31b80000, "PMOD Half Tray Box", 2, 101},
        {0x31c00000, "PMOD EMM Tray Box", 2, 103},
        {0x31c80000, "PMOD Flat Tub Tray Box", 2, 104},
        {0x31d00000, "Priority Mail", 2, 3},
        {0x51100000, "Standard, Letter", 21, 5},
        {0x51200000, "Standard, Flat", 21, 5},
        {0x51300000, "Standard, Parcel", 21, 3},
        {0x51000000, "Standard", 21, 3},
        {0x61134000, "Media Mail", 24, 3},
        {0x61214000, "Library Mail", 25, 3},
        {0x61344000, "Parcel Select", 43, 3},
        {0x61508000, "Bound Printed Matter", 23, 3},
        {0x61646000, "Ground Return", 43, 3},
        {0x61844000, "Standard Post", 6, 3},
        {0x61044000, "Parcel Post", 6, 3},
        {0x721c1000, "Global Express Guar., Parcel", 29, 3},
        {0x72262000, "Priority Mail Express International, Medium Flat Rate Box", 28, 6},
        {0x72200080, "Priority Mail Express International, Flat Rate Env", 28, 5},
        {0x72220080, "Priority Mail Express International, Flat Rate Env, Flat Rate Env", 28, 5},
        {0x725c1000, "Priority Mail International, Parcel", 30, 3},
        {0x72401c00, "Priority Mail International, Regional Rate Box C", 30, 21},
        {0x72403400, "Priority Mail International, Regional Rate Box A", 30, 12},
        {0x724a0000, "Priority Mail International, Legal Flat Rate Env", 30, 11},
        {0x724c0000, "Priority Mail International, Small Flat Rate Env", 30, 16},
        {0x724e0000, "Priority Mail International, Gift Flat Rate Env", 30, 14},
        {0x72500000, "Priority Mail International, Padded Flat Rate Env", 30, 10},
        {0x72520000, "Priority Mail International, DVD Flat Rate Box", 30, 18},
        {0x72540000, "Priority Mail International, Video Flat Rate Box", 30, 19},
        {0x72560000, "Priority Mail International, Large Flat Rate Board Game Box", 30, 20},
        {0x72440000, "Priority Mail International, Small Flat Rate Box", 30, 9},
        {0x72480000, "Priority Mail International, Large Flat Rate Box", 30, 8},
        {0x72400000, "Priority Mail International", 30, 3},
        {0x72781000, "First-Class International, Letter", 42, 1},
        {0x727a1000, "First-Class International, Flats", 42, 2},
        {0x72600040, "First-Class International, Postcard", 42, 7},
        {0x72602000, "First-Class International", 42, 1},
        {0x729c5000, "First-Class Package Int'l Service, Parcel", 42, 3},
        {0x73a80000, "Cons. Int'l, Large Flat Rate Box", 47, 8},
        {0x73d80000, "IPA, Letter", 38, 1},
        {0x73fa0000, "ISAL, Flats", 39, 2},
        {0x73e00040, "ISAL, Postcard", 39, 7},
    };
    for (const DecodeCase &c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "key 0x" << c.key);
        const Decoded d = decode(TranslateServiceClassV3, c.key);
        EXPECT_EQ(d.status, 0);
        EXPECT_EQ(d.name, c.name);
        EXPECT_EQ(d.mailClass, c.mailClass);
        EXPECT_EQ(d.shape, c.shape);
    }
}

TEST(TranslateServiceClassV3, UnnamedGroupsLeaveBufferAndClassAlone)
{
    for (uint32_t bits : {0x00000000u, 0x01280000u, 0x02780000u, 0x41280000u, 0x91280000u, 0xf0000000u}) {
        SCOPED_TRACE(testing::Message() << std::hex << "key 0x" << bits);
        const Decoded d = decode(TranslateServiceClassV3, bits, 42);
        EXPECT_EQ(d.status, kREUnknownClass);
        EXPECT_EQ(d.mailClass, 42);
        EXPECT_EQ(d.shape, 1); // set before decoding
        EXPECT_EQ(d.name, std::string(kServiceClassNameSize - 1, '#'));
    }
    // An international key of an unknown class sub-code keeps the class.
    const Decoded d = decode(TranslateServiceClassV3, 0x72e00000, 17);
    EXPECT_EQ(d.status, 0);
    EXPECT_EQ(d.name, "International");
    EXPECT_EQ(d.mailClass, 17);
    EXPECT_EQ(d.shape, 1);
    // Null outputs are allowed.
    EXPECT_EQ(TranslateServiceClassV3(key(0x319a8000), nullptr, nullptr, nullptr), 0);
}

TEST(TranslateServiceClassV3, DecodesWhatTheBuilderEncodes)
{
    struct Piece {
        int32_t mailClass, shape;
    };
    // Pieces whose key names them again: class and shape come back.
    const Piece pieces[] = {
        {1, 1},   {1, 2},   {1, 3},   {1, 7},   {2, 1},   {2, 2},  {2, 3},  {2, 5},   {2, 6},   {2, 7},   {2, 8},
        {2, 9},   {2, 10},  {2, 12},  {2, 13},  {2, 16},  {2, 20}, {2, 21}, {2, 101}, {2, 102}, {2, 103}, {2, 104},
        {3, 3},   {3, 5},   {3, 6},   {44, 1},  {44, 2},  {23, 3}, {24, 3}, {25, 3},  {43, 3},  {48, 3},  {28, 3},
        {28, 6},  {29, 3},  {30, 3},  {30, 5},  {30, 6},  {30, 8}, {30, 9}, {30, 10}, {30, 11}, {30, 12}, {30, 13},
        {30, 14}, {30, 16}, {30, 18}, {30, 19}, {30, 21}, {42, 1}, {42, 2}, {42, 3},  {38, 1},  {39, 2},  {47, 3},
    };
    for (const Piece &p : pieces) {
        SCOPED_TRACE(testing::Message() << "class " << p.mailClass << " shape " << p.shape);
        const int32_t k = GetServiceClassRE2014(p.mailClass, p.shape, 1, 3, 0, 0, 1, 0, 0, 0, 0, 0);
        const Decoded d = decode(TranslateServiceClassV3, static_cast<uint32_t>(k));
        EXPECT_EQ(d.status, 0);
        EXPECT_EQ(d.mailClass, p.mailClass);
        EXPECT_EQ(d.shape, p.shape);
    }
}

TEST(TranslateServiceClass, DecodesTheEarlierLayout)
{
    const DecodeCase cases[] = {
        {0x10000000, "First-Class", 1, 1},
        {0x10000040, "First-Class, Postcard", 1, 7},
        {0x90000040, "First-Class, Postcard", 1, 7}, // bit 31 is not part of the group
        {0x13000000, "First-Class, Basic Presort", 1, 1},
        {0x14000040, "First-Class, Postcard, 3-Digit Presort", 1, 7},
        {0x20000000, "Priority Mail Express", 3, 1},
        {0x20000080, "Priority Mail Express, Flat Rate Env", 3, 5},
        {0x200000d0, "Priority Mail Express, Medium Flat Rate BOX", 3, 6},
        {0x30000000, "Priority Mail", 2, 1},
        {0x300000f0, "Priority Mail, Small Flat Rate BOX", 2, 9},
        {0x300000e0, "Priority Mail, Large Flat Rate BOX", 2, 8},
        {0x300000d0, "Priority Mail, Medium Flat Rate BOX", 2, 6},
        {0x30000280, "Priority Mail, Flat Rate Padded Env", 2, 10},
        {0x30000a80, "Priority Mail, Flat Rate Padded Env", 2, 10}, // bits 8-10 only
        {0x30000080, "Priority Mail, Flat Rate Env", 2, 5},
        {0x50000000, "Standard", 21, 1},
        {0x55000000, "Standard, 5-Digit Presort", 21, 1},
        {0x56000000, "Standard, Carrier Route Presort", 21, 1},
        {0x60000500, "Parcel Select", 43, 3},
        {0x60000600, "Bound Printed Matter", 23, 3},
        {0x60000900, "Media Mail", 24, 3},
        {0x60000a00, "Library Mail", 25, 3},
        {0x60000000, "Parcel Post", 6, 3},
        {0x70000001, "Global Express Guar.", 29, 3},
        {0x70000002, "Priority Mail Express International", 28, 3},
        {0x70000082, "Priority Mail Express International, Flat Rate Env", 28, 5},
        {0x700000d2, "Priority Mail Express Intl, Flat Rate Box", 28, 6},
        {0x70000003, "Priority Mail International", 30, 3},
        {0x700000f3, "Priority Mail Intl, Small Flat Rate Box", 30, 9},
        {0x700000e3, "Priority Mail Intl, Large Flat Rate Box", 30, 8},
        {0x700000d3, "Priority Mail Intl, Medium Flat Rate Box", 30, 6},
        {0x70000083, "Priority Mail Intl, Flat Rate Env", 30, 5},
        {0x70000004, "First-Class International", 42, 1},
        {0x70000044, "First-Class International, Postcard", 42, 7},
        {0x70000006, "First-Class International, Postcard", 42, 7},
        {0x70000009, "International, M-Bag", 36, 4},
    };
    for (const DecodeCase &c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "key 0x" << c.key);
        const Decoded d = decode(TranslateServiceClass, c.key);
        EXPECT_EQ(d.status, 0);
        EXPECT_EQ(d.name, c.name);
        EXPECT_EQ(d.mailClass, c.mailClass);
        EXPECT_EQ(d.shape, c.shape);
    }

    const Decoded other = decode(TranslateServiceClass, 0x7000000f, 17);
    EXPECT_EQ(other.status, 0);
    EXPECT_EQ(other.name, "International");
    EXPECT_EQ(other.mailClass, 17);

    for (uint32_t bits : {0x00000000u, 0x40000000u, 0xc0000001u, 0x80000000u}) {
        SCOPED_TRACE(testing::Message() << std::hex << "key 0x" << bits);
        const Decoded d = decode(TranslateServiceClass, bits, 42);
        EXPECT_EQ(d.status, kREUnknownClass);
        EXPECT_EQ(d.mailClass, 42);
        EXPECT_EQ(d.shape, 1);
        EXPECT_EQ(d.name, std::string(kServiceClassNameSize - 1, '#'));
    }
}

// The engine initialised, with a country table in which France takes
// Priority Mail International (group 5) but no First-Class Mail International.
class MailClassInfoTest : public testing::Test
{
protected:
    void SetUp() override
    {
        InitializeRE("", "09/07/2014");
        ASSERT_TRUE(dir_.isValid());
        const std::string rules = dir_.filePath("country2013.dat").toStdString();
        std::ofstream out(rules);
        std::string line = "FR\tFRANCE";
        for (int field = 3; field <= kCountryFieldCount; ++field)
            line += field == 22 ? "\tY" : field == 23 ? "\t5" : "\t";
        out << line << '\n';
        out.close();
        ASSERT_EQ(LoadCountry2013FileAtPath(rules.c_str()), 1);
        std::memset(name_, '#', sizeof name_);
        name_[sizeof name_ - 1] = '\0';
    }

    QTemporaryDir dir_;
    char name_[kMailClassInfoNameSize + 8];
};

TEST_F(MailClassInfoTest, NamesAndCountryChecks)
{
    EXPECT_EQ(MailClassInfo(30, 13, "X", name_), kRENoCountry);
    EXPECT_STREQ(name_, "Priority Mail Intl Regional Rate Box B");
    EXPECT_EQ(MailClassInfo(30, 3, nullptr, name_), kRENoCountry);
    EXPECT_STREQ(name_, "Priority Mail International");
    EXPECT_EQ(MailClassInfo(38, 3, "ZZ", name_), 0); // not looked up
    EXPECT_STREQ(name_, "IPA");
    EXPECT_EQ(MailClassInfo(49, 3, "Nowhere", name_), 0);
    EXPECT_EQ(MailClassInfo(39, 3, "Z", name_), kRENoCountry);
    EXPECT_EQ(MailClassInfo(30, 5, "FR", name_), 0);
    EXPECT_STREQ(name_, "Priority Mail Intl Flat Rate Envelope");
    EXPECT_EQ(MailClassInfo(30, 3, "france", name_), 0);
    EXPECT_EQ(MailClassInfo(42, 1, "FR", name_), kREClassNotOffered);
    EXPECT_STREQ(name_, "First-Class International");
    EXPECT_EQ(MailClassInfo(28, 6, "FR", name_), kREClassNotOffered);
    EXPECT_STREQ(name_, "Priority Mail Express Intl Flat Rate Box");
    EXPECT_EQ(MailClassInfo(29, 3, "NOWHERE", name_), kREClassNotOffered);
    EXPECT_STREQ(name_, "Global Express Guaranteed");
    // Domestic classes need no country.
    EXPECT_EQ(MailClassInfo(2, 20, nullptr, name_), 0);
    EXPECT_STREQ(name_, "Priority Mail Large Flat Rate Board Game Box");
    EXPECT_EQ(MailClassInfo(1, 7, "", name_), 0);
    EXPECT_STREQ(name_, "Postcard");
    EXPECT_EQ(MailClassInfo(46, 1, nullptr, name_), 0);
    EXPECT_STREQ(name_, "Critical Mail Letter");
    EXPECT_EQ(MailClassInfo(10, 3, nullptr, name_), 0);
    EXPECT_STREQ(name_, "Permit: First Class US Gov't G10");
}

TEST_F(MailClassInfoTest, UnknownClassesAndUninitialisedEngineWriteNothing)
{
    const std::string untouched = name_;
    for (int32_t mailClass : {0, 4, 5, 11, 35, 48, 50, 202}) {
        EXPECT_EQ(MailClassInfo(mailClass, 3, "FR", name_), kREUnknownClass) << mailClass;
        EXPECT_EQ(untouched, name_);
    }
    ResetRateEngineInitializedFlagForTests();
    EXPECT_EQ(MailClassInfo(2, 3, "FR", name_), kRENotInitialized);
    EXPECT_EQ(untouched, name_);
    InitializeRE("", "09/07/2014");
}

TEST_F(MailClassInfoTest, EveryNameFitsItsBuffer)
{
    for (int32_t mailClass = 0; mailClass <= 60; ++mailClass) {
        for (int32_t shape = 0; shape <= 25; ++shape) {
            std::memset(name_, '#', sizeof name_);
            if (MailClassInfo(mailClass, shape, "FR", name_) == kREUnknownClass)
                continue;
            EXPECT_LT(std::strlen(name_), kMailClassInfoNameSize) << mailClass << "/" << shape;
            EXPECT_EQ(name_[kMailClassInfoNameSize], '#');
        }
    }
}

} // namespace
