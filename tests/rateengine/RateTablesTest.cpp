// Built-in tables: the compiled data files and what the price-change sets
// register into the key-16 and key-17 slots.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>

#include "rateengine/RateEngine.h"
#include "rateengine/RateRegistry.h"
#include "rateengine/RateTables.h"

namespace {

class RateTablesTest : public ::testing::Test
{
protected:
    void SetUp() override { InitializeRE("", "09/07/2014"); }

    static RateArray leaf(int32_t key, int32_t mailClass, int32_t shape, int32_t classification,
                          int32_t *used = nullptr)
    {
        int32_t c = classification;
        RateArray a = GetRateReallyInternal(gRateTables, key, mailClass, shape, &c);
        if (used)
            *used = c;
        return a;
    }
    static std::string nameOf(const RateArray &a) { return a && a.name ? a.name : "(none)"; }
};

TEST_F(RateTablesTest, SlotsCarryTheirKeys)
{
    ASSERT_NE(gRateTables, nullptr);
    EXPECT_EQ(gRateTables[0].key, 17);
    EXPECT_EQ(gRateTables[3].key, 16);
    EXPECT_NE(FindRateTableSlot(gRateTables, 16), nullptr);
    EXPECT_NE(FindRateTableSlot(gRateTables, 17), nullptr);
}

TEST_F(RateTablesTest, TheRegistryIsBuiltOnce)
{
    auto leaves = [] {
        size_t n = 0;
        for (int i = 0; i < kRateTableSlotCount; ++i)
            for (const RateClassNode &c : gRateTables[i].classes)
                for (const RateClassificationNode &l : c.classifications)
                    n += l.shapes.size();
        return n;
    };
    const RateArray before = leaf(17, kREFirstClass, kREShapeLetter, 0);
    const size_t count = leaves();
    InitializeRE("", "01/30/2014");
    InitializeRateTable();
    EXPECT_EQ(leaves(), count);
    EXPECT_EQ(leaf(17, kREFirstClass, kREShapeLetter, 0).data, before.data);
}

TEST_F(RateTablesTest, SeptemberReplacesTheRetailFlatRateEnvelope)
{
    const RateArray sep = leaf(17, kREPriority, kREShapeFlatRateEnvelope, 0);
    const RateArray jan = leaf(16, kREPriority, kREShapeFlatRateEnvelope, 0);
    EXPECT_EQ(nameOf(sep), "RATE_SEP2014_PRIORITY_FLAT_RETAIL");
    EXPECT_EQ(nameOf(jan), "RATE_JAN2014_PRIORITY_FLAT_RETAIL");
    ASSERT_EQ(sep.size, 9);
    ASSERT_EQ(jan.size, 9);
    EXPECT_EQ(sep.word(0), 1);
    EXPECT_EQ(jan.word(0), 1);
    for (int i = 1; i < 9; ++i) {
        EXPECT_EQ(sep.word(i), 575) << i;
        EXPECT_EQ(jan.word(i), 560) << i;
    }
    // The same array for every flat-rate envelope shape.
    for (int32_t shape : {14, 15, 16, 17}) {
        EXPECT_EQ(leaf(17, kREPriority, shape, 0).data, sep.data) << shape;
        EXPECT_EQ(leaf(16, kREPriority, shape, 0).data, jan.data) << shape;
    }
    // The published September retail flat-rate prices, one row each.
    struct Case {
        int32_t shape;
        const char *name;
        int32_t cents;
    } published[] = {
        {10, "RATE_SEP2014_PRIORITY_FLATPADDEDENVELOPE_RETAIL", 610},
        {11, "RATE_SEP2014_PRIORITY_FLAT_LEGAL_RETAIL", 590},
        {9, "RATE_SEP2014_PRIORITY_SMALLFLATBOX_RETAIL", 595},
        {6, "RATE_SEP2014_PRIORITY_FLATBOX_RETAIL", 1265},
        {8, "RATE_SEP2014_PRIORITY_LARGEFLATBOX_RETAIL", 1790},
        {20, "RATE_SEP2014_PRIORITY_LARGEFLATBOX_RETAIL", 1790},
        {201, "RATE_SEP2014_PRIORITY_LARGEFLATBOXFORAPO_RETAIL", 1590},
    };
    for (const Case &c : published) {
        const RateArray a = leaf(17, kREPriority, c.shape, 0);
        EXPECT_EQ(nameOf(a), c.name);
        EXPECT_EQ(a.word(1), c.cents);
        EXPECT_EQ(a.word(8), c.cents);
    }
}

TEST_F(RateTablesTest, SeptemberOnlyReplaces)
{
    using Key = std::tuple<int32_t, int32_t, int32_t>;
    auto keysOf = [](int32_t tableKey) {
        std::set<Key> keys;
        const RateTableSlot *slot = FindRateTableSlot(gRateTables, tableKey);
        for (const RateClassNode &c : slot->classes)
            for (const RateClassificationNode &n : c.classifications) {
                if (n.classification >= 170)
                    continue; // loaded from rate files by other tests
                for (const RateShapeLeaf &l : n.shapes)
                    keys.insert({c.classKey, n.classification, l.shape});
            }
        return keys;
    };
    const std::set<Key> jan = keysOf(16);
    const std::set<Key> sep = keysOf(17);
    EXPECT_FALSE(jan.empty());
    // Both slots hold the same keys, whether their arrays are part of the
    // build or not: September adds no key of its own.
    for (const Key &k : jan)
        EXPECT_TRUE(sep.count(k)) << std::get<0>(k) << "/" << std::get<1>(k) << "/" << std::get<2>(k);
    for (const Key &k : sep)
        EXPECT_TRUE(jan.count(k)) << std::get<0>(k) << "/" << std::get<1>(k) << "/" << std::get<2>(k);
}

TEST_F(RateTablesTest, PublicLevelsKeepTheirKeysWithoutPrices)
{
    // Keys of the public price levels whose arrays are not part of the build
    // hold a leaf without words in both slots: the look-up stops at the level
    // asked and finds no price there, instead of falling back to retail.
    struct Case {
        int32_t mailClass, shape, classification;
        const char *name;
        const char *septemberName; // the September replacement, when it has one
    } cases[] = {
        {kREPriority, 0, 2, "MyPriorityRates2014Plus", "MyPriorityRatesSep2014Plus"},
        {kREPriority, 0, 1, "MyPriorityRates2014Base", "MyPriorityRatesSep2014Base"},
        {kREPriority, kREShapeRegionalBoxC, 0, "MyPriorityRates2014RegionalC", "MyPriorityRatesSep2014RegionalC"},
        {kREPriority, kREShapeFlatRateEnvelope, 1, "RATE_JAN2014_PRIORITY_FLAT_COMMERCIALBASE", nullptr},
        {kREPriority, kREShapeFlatRateBox, 2, "RATE_JAN2014_PRIORITY_FLATBOX_COMMERCIALPLUS", nullptr},
        {kREPriority, kREShapeHalfTray, 2, "MyPriorityRates2014PlusPMODHalfTray", nullptr},
        {kREFirstClass, kREShapeParcel, 1, "FCParcels2014Base", nullptr},
        {kREExpress, 0, 0, "MyExpressRates2014", nullptr},
        {kREExpress, kREShapeFlatRateBox, 2, "RATE_JAN2014_EXPRESS_FLATBOX_COMMERCIALPLUS", nullptr},
        {kREBoundPrintedMatter, kREShapeFlat, 0, "MyBoundPrintedFlatRates2014", nullptr},
        {kRECriticalMail, kREShapeLetter, 2, "RATE_JAN2014_CRITICAL_LETTER", nullptr},
        {kREPriorityIntl, 0, 1, "PMIntlRates2014Base", nullptr},
        {kREFirstClassIntl, kREShapeLetter, 0, "FCIntlLetters2014", nullptr},
        // an account's own cubic-tier table
        {kREHybridCubicTable, 0, 146, "MyHybridCubicRates", nullptr},
    };
    for (int32_t key : {16, 17}) {
        for (const Case &c : cases) {
            int32_t used = -1;
            const RateArray a = leaf(key, c.mailClass, c.shape, c.classification, &used);
            EXPECT_TRUE(a) << key << " " << c.name;
            EXPECT_EQ(a.size, 0) << key << " " << c.name;
            EXPECT_EQ(a.form, RateRowForm::Unknown) << key << " " << c.name;
            EXPECT_EQ(nameOf(a), key == 17 && c.septemberName ? c.septemberName : c.name) << key;
            EXPECT_EQ(used, c.classification) << key << " " << c.name;
        }
    }
    // A level that the class does not register at all still falls back: First-
    // Class letters exist only at retail.
    int32_t used = -1;
    EXPECT_EQ(nameOf(leaf(16, kREFirstClass, kREShapeLetter, 2, &used)), "FCLetters2014");
    EXPECT_EQ(used, 0);
}

TEST_F(RateTablesTest, FirstClassLeaves)
{
    const RateArray letters = leaf(16, kREFirstClass, kREShapeLetter, 0);
    EXPECT_EQ(nameOf(letters), "FCLetters2014");
    EXPECT_EQ(letters.form, RateRowForm::WeightPairs);
    const int32_t pairs[] = {10, 48, 20, 69, 30, 90, 35, 111, 0, 0};
    ASSERT_EQ(letters.size, 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(letters.word(i), pairs[i]) << i;

    const RateArray flats = leaf(17, kREFirstClass, kREShapeFlat, 0);
    ASSERT_EQ(flats.size, 13);
    EXPECT_EQ(flats.word(0), 98);
    EXPECT_EQ(flats.word(1), 119);
    EXPECT_EQ(flats.word(12), 350);

    const RateArray parcels = leaf(17, kREFirstClass, kREShapeParcel, 0);
    ASSERT_EQ(parcels.size, 13);
    EXPECT_EQ(parcels.word(2), 232);
    EXPECT_EQ(parcels.word(3), 250);
    EXPECT_EQ(parcels.word(12), 412);

    EXPECT_EQ(leaf(16, kREFirstClass, kREShapePostcard, 0).word(0), 34);

    // Commercial base parcels are not part of the build: the look-up stops at
    // commercial base, whose leaf has no price; commercial plus holds the 2013
    // single value.
    int32_t used = -1;
    const RateArray base = leaf(16, kREFirstClass, kREShapeParcel, 1, &used);
    EXPECT_TRUE(base);
    EXPECT_EQ(base.size, 0);
    EXPECT_EQ(used, 1);
    const RateArray plus = leaf(16, kREFirstClass, kREShapeParcel, 2, &used);
    EXPECT_EQ(nameOf(plus), "RATE_JAN2013_FCPS_PLUS");
    EXPECT_EQ(plus.word(0), 405);
    EXPECT_EQ(used, 2);
}

TEST_F(RateTablesTest, MetroPostAnswersOneTableEverywhere)
{
    const RateArray metro = leaf(16, kREMetroPost, 0, 0);
    ASSERT_EQ(nameOf(metro), "MyMetroPostRates2014");
    EXPECT_EQ(metro.at(0, 0), 400);
    EXPECT_EQ(metro.at(0, 8), 800);
    EXPECT_EQ(metro.at(1, 0), 1120);
    EXPECT_EQ(metro.at(1, 1), 2000);
    for (int32_t key : {16, 17})
        for (int32_t level : {0, 1, 2, 9})
            for (int32_t shape : {5, 6, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 20, 21, 201, 0}) {
                int32_t used = -1;
                EXPECT_EQ(leaf(key, kREMetroPost, shape, level, &used).data, metro.data)
                    << key << "/" << level << "/" << shape;
                EXPECT_EQ(used, level);
            }
}

TEST_F(RateTablesTest, AccountBlocksUseThePublicCommercialPlusArrays)
{
    for (int32_t key : {16, 17}) {
        EXPECT_EQ(nameOf(leaf(key, kREPriority, kREShapeFlatRateEnvelope, 122)),
                  "RATE_JAN2014_PRIORITY_FLAT_COMMERCIALPLUS");
        EXPECT_EQ(nameOf(leaf(key, kREPriority, kREShapeFlatRateEnvelope, 16)),
                  "RATE_JAN2014_PRIORITY_FLAT_COMMERCIALPLUS");
        EXPECT_EQ(nameOf(leaf(key, kREPriorityCubicTable, 0, 147)), "MyPriorityRates2014PlusCubic");
        EXPECT_EQ(nameOf(leaf(key, kREFirstClass, kREShapeParcel, 150)), "FCParcels2014");
    }
    // Accounts whose arrays are not part of the build keep their keys: the
    // classification stays registered for the class (its leaf has no price).
    for (int32_t key : {16, 17}) {
        for (int32_t c : {16, 31, 157, 162})
            EXPECT_TRUE(leaf(key, kREExpress, kREShapeFlatRateEnvelope, c)) << key << "/" << c;
        EXPECT_TRUE(leaf(key, kREExpress, kREShapeFlatRateBox, 157)) << key;
        for (int32_t cls : {kRECriticalMail, kRECriticalMailSignature})
            for (int32_t c : {64, 65})
                for (int32_t shape : {kREShapeLetter, kREShapeFlat})
                    EXPECT_TRUE(leaf(key, cls, shape, c)) << key << "/" << cls << "/" << c << "/" << shape;
        EXPECT_TRUE(leaf(key, kREPriority, kREShapeFlatRateBox, 71)) << key;
        EXPECT_TRUE(leaf(key, kREPriority, kREShapeHalfTray, 163)) << key;
    }
    // Classification 143 is registered for no class; 122 has no Express block.
    EXPECT_FALSE(leaf(16, kREPriority, kREShapeFlatRateEnvelope, 143));
    EXPECT_FALSE(leaf(16, kREExpress, kREShapeFlatRateEnvelope, 122));
}

TEST_F(RateTablesTest, ContractCodesAnswerTheirFallBackRows)
{
    const RateArray pmi = leaf(16, kREPriorityIntl, kREShapeFlatRateEnvelope, 250);
    EXPECT_EQ(nameOf(pmi), "PMIFlatRateGEPSFallBack_17Groups");
    ASSERT_EQ(pmi.size, 20);
    EXPECT_EQ(pmi.word(0), 17);
    for (int i = 1; i < 20; ++i)
        EXPECT_EQ(pmi.word(i), 0);
    EXPECT_EQ(nameOf(leaf(17, kREExpressIntl, kREShapeFlatRateBox, 180)), "EMIFlatRateGEPSFallBack_17Groups");
    // 610 and 620 have contract tables of their own but no fall-back rows.
    EXPECT_FALSE(leaf(16, kREPriorityIntl, kREShapeFlatRateEnvelope, 610));
    EXPECT_FALSE(leaf(16, kREPriorityIntl, kREShapeFlatRateEnvelope, 620));
}

TEST_F(RateTablesTest, TellingRowsOfOtherFamilies)
{
    const RateArray pm = leaf(16, kREPriority, 0, 0);
    EXPECT_EQ(nameOf(pm), "MyPriorityRates2014");
    const int32_t janRow[] = {16, 560, 570, 585, 600, 620, 645, 695, 835};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(pm.at(0, i), janRow[i]);
    const RateArray sep = leaf(17, kREPriority, 0, 0);
    EXPECT_EQ(nameOf(sep), "MyPriorityRatesSep2014");
    const int32_t sepRow[] = {16, 575, 585, 600, 615, 640, 665, 715, 835};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(sep.at(0, i), sepRow[i]);

    const RateArray regionalA = leaf(16, kREPriority, kREShapeRegionalBoxA, 1);
    EXPECT_EQ(nameOf(regionalA), "MyPriorityRates2014BaseRegionalA");
    EXPECT_EQ(regionalA.word(8), 1196);

    const RateArray mbag = leaf(16, kREMBags, 0, 0);
    EXPECT_EQ(mbag.at(0, 1), 3795);
    EXPECT_EQ(mbag.at(1, 9), 480);

    const RateArray media = leaf(16, kREMediaMail, 0, 0);
    ASSERT_EQ(media.size, 70);
    EXPECT_EQ(media.word(0), 269);
    EXPECT_EQ(media.word(69), 3455);
    EXPECT_EQ(leaf(16, kRELibraryMail, 0, 0).word(69), 3304);

    const RateArray emi = leaf(16, kREExpressIntl, 0, 0);
    EXPECT_EQ(emi.at(0, 1), 3525);
    const int32_t last = emi.rowCount() - 2; // the row before the end row
    EXPECT_EQ(emi.at(last, 0), 1120);
    EXPECT_EQ(emi.at(last, 1), -1);
    for (int g = 10; g <= 17; ++g)
        EXPECT_EQ(emi.at(last, g), -1) << g;
}

TEST_F(RateTablesTest, IncompleteArraysCountTheirUnknownPrices)
{
    const BuiltInRateArray *pm = FindBuiltInRateArrayEntry("MyPriorityRates2014");
    ASSERT_NE(pm, nullptr);
    EXPECT_EQ(pm->unknownCells, 69 * 8); // all but the 1 lb row
    const BuiltInRateArray *letters = FindBuiltInRateArrayEntry("FCLetters2014");
    ASSERT_NE(letters, nullptr);
    EXPECT_EQ(letters->unknownCells, 0);
    // Arrays whose prices are not known are not part of the build.
    EXPECT_EQ(FindBuiltInRateArrayEntry("MyExpressRates2014"), nullptr);
    EXPECT_EQ(FindBuiltInRateArrayEntry("StandardPostRates2014"), nullptr);
    EXPECT_FALSE(FindBuiltInRateArray(nullptr));
    EXPECT_FALSE(FindBuiltInRateArray("NoSuchArray"));
    // The compiled table is sorted for look-up by name.
    for (size_t i = 1; i < kBuiltInRateArrayCount; ++i)
        EXPECT_LT(std::string(kBuiltInRateArrays[i - 1].name), std::string(kBuiltInRateArrays[i].name));
}

TEST_F(RateTablesTest, ConstantsReadDirectly)
{
    EXPECT_EQ(CriticalLetterMaxOunces(), 3);
    EXPECT_EQ(CriticalFlatMaxOunces(), 13);
    EXPECT_EQ(FirstClassNonMachinableSurcharge(15), 20);
    EXPECT_EQ(FirstClassNonMachinableSurcharge(16), 21);
    EXPECT_EQ(FirstClassIntlNonMachinableSurcharge(15), 20);
    EXPECT_EQ(FirstClassIntlNonMachinableSurcharge(17), 21);
    EXPECT_EQ(BalloonWeightPounds(), 20);
}

} // namespace
