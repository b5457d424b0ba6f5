#include "mailcategory/MailCategory.h"
#include "mailcategory/MailCategoryTable.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

constexpr std::int32_t key(std::uint32_t bits) { return static_cast<std::int32_t>(bits); }

constexpr std::int32_t kPremium = 0x8000;
constexpr std::int32_t kHoldForPickup = 0x80000;

struct Row {
    std::uint32_t key;
    std::uint16_t code;
};

// Keys and codes stated for the table (mask 0).
constexpr Row kStatedRows[] = {
    {0x11280000, 1101}, {0x15280000, 1110}, {0x12280000, 1111}, {0x11480000, 1102}, {0x11600000, 1103},
    {0x12700000, 1231}, {0x11180000, 1104}, {0x329a8000, 7500}, {0x339a8000, 7400}, {0x339ab000, 7800},
    {0x339a9800, 7403}, {0x319a8040, 7555}, {0x31080000, 7620}, {0x21942000, 7309}, {0x61044000, 4110},
    {0x61646000, 4730}, {0x61844000, 4120}, {0x725c1000, 8122}, {0x72421000, 8127}, {0x729c1000, 8033},
    {0x51100000, 6000}, {0x86240000, 9000}, {0x31980000, 7600}, {0x319c8000, 7600},
};

TEST(MailCategory, StatedRowsWithAnyMaskOutsideTheOptionFamilies)
{
    // Outside the 171 option-dependent keys the three codes are equal, and
    // mask bits other than 0x8000 and 0x80000 never count.
    const std::int32_t masks[] = {0,
                                  kPremium,
                                  kHoldForPickup,
                                  kPremium | kHoldForPickup,
                                  0x200,
                                  0x2000 | 0x80,
                                  static_cast<std::int32_t>(0xfff77fffu)};
    for (const Row &row : kStatedRows)
        for (std::int32_t mask : masks)
            EXPECT_EQ(GetMailCategory(key(row.key), mask), row.code)
                << std::hex << "key 0x" << row.key << " mask 0x" << mask;
}

// The zone field of groups 2 and 6 (bits 16-19) and of group 3 (bits 15-18).
struct ZonedRow {
    std::uint32_t keyAtZoneZero;
    int shift;
    std::uint16_t code;
};

constexpr ZonedRow kZonedRows[] = {
    {0x31980000, 15, 7600}, {0x32980000, 15, 7500}, {0x33980000, 15, 7400}, {0x33983000, 15, 7800},
    {0x33981800, 15, 7403}, {0x31980040, 15, 7555}, {0x31080000, 15, 7620}, {0x21902000, 16, 7309},
    {0x61004000, 16, 4110}, {0x61606000, 16, 4730}, {0x61804000, 16, 4120},
};

TEST(MailCategory, ZoneDoesNotChangeTheCodeAndZonesAboveNineFindNothing)
{
    for (const ZonedRow &row : kZonedRows) {
        for (std::uint32_t zone = 0; zone <= 9; ++zone)
            EXPECT_EQ(GetMailCategory(key(row.keyAtZoneZero | zone << row.shift), 0), row.code)
                << std::hex << "key 0x" << row.keyAtZoneZero << " zone " << std::dec << zone;
        for (std::uint32_t zone = 10; zone <= 15; ++zone)
            EXPECT_EQ(GetMailCategory(key(row.keyAtZoneZero | zone << row.shift), 0), 0)
                << std::hex << "key 0x" << row.keyAtZoneZero << " zone " << std::dec << zone;
    }
    EXPECT_EQ(GetMailCategory(key(0x319c8000), 0), 7600); // Priority Mail parcel, level 1, zone 9
    EXPECT_EQ(GetMailCategory(key(0x319d0000), 0), 0);    // the same, zone 10
}

struct OptionFamily {
    std::uint32_t keyAtZoneZero;
    std::uint16_t plain, premium, holdForPickup;
};

constexpr OptionFamily kOptionFamilies[] = {
    {0x21700000, 7103, 7004, 7101}, {0x21800000, 7103, 7004, 7101}, {0x21900000, 7103, 7004, 7101},
    {0x22700000, 7003, 7004, 7002}, {0x22800000, 7003, 7004, 7002}, {0x22900000, 7003, 7004, 7002},
    {0x23700000, 7008, 7004, 7009}, {0x23800000, 7008, 7004, 7009}, {0x23900000, 7008, 7004, 7009},
    {0x24700000, 7040, 7004, 7030}, {0x24800000, 7040, 7004, 7030}, {0x24900000, 7040, 7004, 7030},
    {0x21100000, 7100, 7100, 7105}, {0x22100000, 7000, 7000, 7005}, {0x23100000, 7006, 7006, 7007},
    {0x24100000, 7010, 7010, 7020}, {0x21a00000, 7304, 7304, 7308},
};

TEST(MailCategory, OptionDependentFamiliesAtEveryZone)
{
    for (const OptionFamily &family : kOptionFamilies) {
        for (std::uint32_t zone = 0; zone <= 9; ++zone) {
            const std::int32_t k = key(family.keyAtZoneZero | zone << 16);
            SCOPED_TRACE(testing::Message() << std::hex << "key 0x" << static_cast<std::uint32_t>(k));
            EXPECT_EQ(GetMailCategory(k, 0), family.plain);
            EXPECT_EQ(GetMailCategory(k, 0x200 | 0x2000), family.plain); // other services do not count
            EXPECT_EQ(GetMailCategory(k, kPremium), family.premium);
            EXPECT_EQ(GetMailCategory(k, kPremium | 0x1), family.premium);
            EXPECT_EQ(GetMailCategory(k, kHoldForPickup), family.holdForPickup);
            EXPECT_EQ(GetMailCategory(k, kPremium | kHoldForPickup), family.holdForPickup);
        }
    }
}

TEST(MailCategory, FirstClassParcelHoldForPickup)
{
    EXPECT_EQ(GetMailCategory(key(0x12600000), 0), 1113);
    EXPECT_EQ(GetMailCategory(key(0x12600000), kPremium), 1113);
    EXPECT_EQ(GetMailCategory(key(0x12600000), kHoldForPickup), 1114);
    EXPECT_EQ(GetMailCategory(key(0x12600000), 0x88000), 1114);
}

TEST(MailCategory, ExpressLetterAtZoneFourFromTheExamples)
{
    EXPECT_EQ(GetMailCategory(key(0x21940000), 0), 7103);
    EXPECT_EQ(GetMailCategory(key(0x21940000), kPremium), 7004);
    EXPECT_EQ(GetMailCategory(key(0x21940000), kHoldForPickup), 7101);
    EXPECT_EQ(GetMailCategory(key(0x21940000), 0x88000), 7101);
    EXPECT_EQ(GetMailCategory(key(0x21940000), 0x40000 | 0x100), 7103);
}

TEST(MailCategory, KeysNotInTheTableAnswerZeroWhateverTheMask)
{
    const std::uint32_t unknown[] = {
        0x11280001,                                                 // one bit away from a First-Class letter key
        0x11280040, 0x31980001, 0x31950000, 0x219a0000, 0x610f4000, // zone 10 and 15
        0x00000000, 0x01280000, 0x41280000, 0x7fffffff, 0xffffffff, 0x80000000,
        0x725c2000, // a price group the table does not hold (group 7 keeps it in the key)
    };
    for (std::uint32_t bits : unknown)
        for (std::int32_t mask : {0, kPremium, kHoldForPickup, 0x88000})
            EXPECT_EQ(GetMailCategory(key(bits), mask), 0) << std::hex << "key 0x" << bits << " mask 0x" << mask;
}

TEST(MailCategory, NegativeMetroPostKeyIsFoundLikeAnyOther)
{
    ASSERT_LT(key(0x86240000), 0);
    EXPECT_EQ(GetMailCategory(key(0x86240000), 0), 9000);
    EXPECT_EQ(GetMailCategory(key(0x86240000), 0x88000), 9000);
}

TEST(MailCategoryTable, GeneratedTableIsSortedAndWellFormed)
{
    ASSERT_GT(gMailCategoryTableCount, 0u);
    for (std::size_t i = 0; i < gMailCategoryTableCount; ++i) {
        const MailCategoryEntry &entry = gMailCategoryTable[i];
        SCOPED_TRACE(testing::Message() << "entry " << i);
        if (i > 0) {
            EXPECT_LT(gMailCategoryTable[i - 1].key, entry.key); // signed order, no duplicates
        }
        const auto group = static_cast<std::uint32_t>(entry.key) >> 28;
        EXPECT_TRUE(group == 1 || group == 2 || group == 3 || group == 5 || group == 6 || group == 7 || group == 8);
        for (std::uint16_t code : {entry.code, entry.premiumCode, entry.holdForPickupCode}) {
            EXPECT_GE(code, 1101);
            EXPECT_LE(code, 9101);
        }
        // Every stored entry is reachable through the lookup.
        EXPECT_EQ(GetMailCategory(entry.key, 0), entry.code);
        EXPECT_EQ(GetMailCategory(entry.key, kPremium), entry.premiumCode);
        EXPECT_EQ(GetMailCategory(entry.key, kHoldForPickup), entry.holdForPickupCode);
    }
}

} // namespace
