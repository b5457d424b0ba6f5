// The rate-table registry: registration, look-up with classification
// fall-back, zoned rows and class weight limits.
#include <gtest/gtest.h>

#include "rateengine/RateEngine.h"
#include "rateengine/RateRegistry.h"

namespace {

// Slot 5 is left empty by the engine's initialisation; these tests give it a
// key of their own.
constexpr int kTestSlot = 5;
constexpr int32_t kTestKey = 9001;

const int32_t kRetail[] = {1, 100, 100, 100, 100, 100, 100, 100, 100};
const int32_t kBase[] = {1, 90, 90, 90, 90, 90, 90, 90, 90};
const int32_t kParcel[] = {1, 300, 310, 320, 330, 340, 350, 360, 370};
const int32_t kDefault[] = {16, 500, 510, 520, 530, 540, 550, 560, 570, 0, 0, 0, 0, 0, 0, 0, 0, 0};

RateArray row(const int32_t (&words)[9]) { return MakeRateArray(words, RateRowForm::OneZonedRow, nullptr, 9); }

class RateRegistryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        InitializeRE("", "02/01/2014");
        SetRateTableSlotKey(kTestSlot, kTestKey);
    }
    RateArray lookup(int32_t cls, int32_t shape, int32_t *classification)
    {
        return GetRateReallyInternal(gRateTables, kTestKey, cls, shape, classification);
    }
};

TEST_F(RateRegistryTest, ClassificationFallsBackToRetailAndReportsIt)
{
    RegisterRate(kTestSlot, 500, 0, 0, row(kRetail));
    int32_t c = 2;
    RateArray a = lookup(500, 0, &c);
    ASSERT_TRUE(a);
    EXPECT_EQ(a.data, kRetail);
    EXPECT_EQ(c, 0);

    c = 9;
    EXPECT_EQ(lookup(500, 0, &c).data, kRetail);
    EXPECT_EQ(c, 0);

    // A negotiated classification never falls back.
    c = 60;
    EXPECT_FALSE(lookup(500, 0, &c));
    EXPECT_EQ(c, 60);
}

// Keys inside and outside the registry's index, an exact shape against the
// shape-0 leaf, and a node added by hand (not indexed): each look-up answers
// as a walk of the lists would.
TEST_F(RateRegistryTest, LookUpsAnswerTheSameInsideAndOutsideTheIndex)
{
    RegisterRate(kTestSlot, 520, 0, 0, row(kRetail));
    RegisterRate(kTestSlot, 520, kREShapeParcel, 0, row(kParcel));
    RegisterRate(kTestSlot, 5000, 0, 0, row(kBase));
    RegisterRate(kTestSlot, 5000, 2000, 0, row(kParcel));
    RegisterRate(kTestSlot, 521, kREShapeParcel, 0, row(kParcel));
    struct Case {
        int32_t cls;
        int32_t shape;
        const int32_t *expected; // nullptr: nothing
    };
    const Case cases[] = {
        {520, kREShapeParcel, kParcel}, {520, kREShapeFlat, kRetail}, {520, 0, kRetail},
        {5000, 2000, kParcel},          {5000, 1999, kBase},          {5000, kREShapeParcel, kBase},
        {521, kREShapeParcel, kParcel}, {521, kREShapeFlat, nullptr}, {522, 0, nullptr},
    };
    for (const Case &c : cases) {
        int32_t level = 0;
        EXPECT_EQ(lookup(c.cls, c.shape, &level).data, c.expected) << c.cls << " shape " << c.shape;
    }

    // A leaf put into the lists by hand is found by walking them.
    RateTableSlot *table = FindRateTableSlot(gRateTables, kTestKey);
    ASSERT_TRUE(table);
    for (RateClassNode &node : table->classes) {
        if (node.classKey == 521)
            node.classifications.front().shapes.push_back(RateShapeLeaf{0, row(kRetail), 0});
    }
    int32_t level = 0;
    EXPECT_EQ(lookup(521, kREShapeFlat, &level).data, kRetail);
    EXPECT_EQ(lookup(521, kREShapeParcel, &level).data, kParcel);
}

TEST_F(RateRegistryTest, RetailDoesNotClimbToHigherLevels)
{
    RegisterRate(kTestSlot, 501, 0, 1, row(kBase));
    int32_t c = 0;
    EXPECT_FALSE(lookup(501, 0, &c));
    c = 1;
    EXPECT_EQ(lookup(501, 0, &c).data, kBase);
    EXPECT_EQ(c, 1);
}

TEST_F(RateRegistryTest, ShapeLeavesAndTheDefaultLeaf)
{
    RegisterRate(kTestSlot, 502, 3, 0, row(kParcel));
    RegisterRate(kTestSlot, 502, 0, 0, MakeRateArray(kDefault, RateRowForm::ZonedRows, nullptr, 9));
    int32_t c = 0;
    EXPECT_EQ(lookup(502, 4, &c).data, kParcel); // non-rectangular is a parcel
    EXPECT_EQ(lookup(502, 3, &c).data, kParcel);
    EXPECT_EQ(lookup(502, 5, &c).data, kDefault);                        // no leaf of its own: the default
    EXPECT_FALSE(lookup(503, 0, &c));                                    // unknown class
    EXPECT_FALSE(GetRateReallyInternal(gRateTables, 12345, 502, 0, &c)); // unknown table
    EXPECT_TRUE(GetRateReallyInternal(gRateTables, kTestKey, 502, 0, nullptr));
}

TEST_F(RateRegistryTest, RegisteringAgainReplacesTheLeaf)
{
    RegisterRate(kTestSlot, 504, 5, 0, row(kRetail));
    RegisterRate(kTestSlot, 504, 5, 0, row(kBase));
    int32_t c = 0;
    EXPECT_EQ(lookup(504, 5, &c).data, kBase);

    // An owned array is handed over and freed when replaced (checked by the
    // sanitizer builds); re-registering the same owned words keeps them.
    int32_t *owned = new int32_t[9]{1, 7, 7, 7, 7, 7, 7, 7, 7};
    RateArray ownedRow{owned, 9, 9, RateRowForm::OneZonedRow, nullptr};
    RegisterRate2(kTestSlot, 504, 6, 0, ownedRow, 1);
    RegisterRate2(kTestSlot, 504, 6, 0, ownedRow, 1);
    EXPECT_EQ(lookup(504, 6, &c).word(1), 7);
    RegisterRate2(kTestSlot, 504, 6, 0, row(kRetail), 0);
    EXPECT_EQ(lookup(504, 6, &c).data, kRetail);

    // A null array registers nothing.
    RegisterRate2(kTestSlot, 505, 0, 0, RateArray{}, 0);
    int32_t count = 8;
    int32_t out[8];
    GetCurrentRegisteredRateClassificationsInternal(505, kTestKey, 0, out, &count);
    EXPECT_EQ(count, 0);
}

TEST_F(RateRegistryTest, RegisteredClassificationsInOrder)
{
    RegisterRate(kTestSlot, 506, 0, 0, row(kRetail));
    RegisterRate(kTestSlot, 506, 5, 70, row(kRetail));
    RegisterRate(kTestSlot, 506, 3, 40, row(kParcel));
    int32_t out[8] = {0};
    int32_t count = 8;
    GetCurrentRegisteredRateClassificationsInternal(506, kTestKey, 0, out, &count);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 70);
    EXPECT_EQ(out[2], 40);

    count = 8; // shape 5: the default leaf of classification 0 does not count
    GetCurrentRegisteredRateClassificationsInternal(506, kTestKey, 5, out, &count);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(out[0], 70);

    count = 2; // capacity
    GetCurrentRegisteredRateClassificationsInternal(506, kTestKey, 0, out, &count);
    EXPECT_EQ(count, 2);

    count = 8;
    GetCurrentRegisteredRateClassificationsInternal(999, kTestKey, 0, out, &count);
    EXPECT_EQ(count, 0);
}

TEST_F(RateRegistryTest, ZonedRowsByZone)
{
    SetRateVersion("02/01/2014");
    const RateArray rows = MakeRateArray(kDefault, RateRowForm::ZonedRows, nullptr, 9);
    int32_t weight = -1, price = -1;
    for (int32_t zone : {0, 1, 2}) {
        GetZonedDomesticRateInternal(rows, zone, 0, &weight, &price);
        EXPECT_EQ(weight, 16);
        EXPECT_EQ(price, 500) << zone;
    }
    GetZonedDomesticRateInternal(rows, 3, 0, &weight, &price);
    EXPECT_EQ(price, 510);
    GetZonedDomesticRateInternal(rows, 9, 0, &weight, &price);
    EXPECT_EQ(price, 570);
    GetZonedDomesticRateInternal(rows, 10, 0, &weight, &price); // no such column
    EXPECT_EQ(price, 0);
    GetZonedDomesticRateInternal(rows, 4, 1, &weight, &price); // the end row
    EXPECT_EQ(weight, 0);
    EXPECT_EQ(price, 0);
    GetZonedDomesticRateInternal(rows, 4, 7, &weight, &price); // past the array
    EXPECT_EQ(weight, 0);
    EXPECT_EQ(price, 0);
    GetZonedDomesticRateInternal(RateArray{}, 4, 0, &weight, &price);
    EXPECT_EQ(weight, 0);
    EXPECT_EQ(price, 0);
}

TEST_F(RateRegistryTest, OlderRowFormsAreNotReadAsNineWordRows)
{
    SetRateVersion("02/01/2014");
    static const int32_t single[] = {350};
    static const int32_t eightWords[] = {16, 480, 490, 500, 510, 520, 530, 540, 0, 0, 0, 0, 0, 0, 0, 0};
    int32_t weight = -1, price = -1;
    GetZonedDomesticRateInternal(MakeRateArray(single), 3, 0, &weight, &price);
    EXPECT_EQ(weight, 0);
    EXPECT_EQ(price, 0);
    GetZonedDomesticRateInternal(MakeRateArray(eightWords, RateRowForm::ZonedRows, nullptr, 8), 9, 0, &weight, &price);
    EXPECT_EQ(weight, 0);
    EXPECT_EQ(price, 0);
}

TEST_F(RateRegistryTest, ClassWeightLimits)
{
    struct Case {
        int32_t mailClass, shape, classification, limit;
    } cases[] = {
        {kREFirstClass, kREShapePostcard, 0, 10},
        {kREFirstClass, kREShapeLetter, 0, 35},
        {kREFirstClass, kREShapeParcel, 2, 159},
        {kREFirstClass, kREShapeParcel, 0, 130},
        {kREFirstClass, kREShapeParcel, 1, 130},
        {kREFirstClass, kREShapeFlat, 0, 130},
        {kREPriority, kREShapeRegionalBoxA, 0, 2400},
        {kREPriority, kREShapeRegionalBoxB, 0, 3200},
        {kREPriority, kREShapeRegionalBoxC, 0, 4000},
        {kREPriority, kREShapeParcel, 0, 11200},
        {kREBoundPrintedMatter, kREShapeFlat, 0, 2400},
        {kREBoundPrintedMatter, kREShapeLetter, 0, 11200},
        {kRECriticalMail, kREShapeLetter, 2, 30},
        {kRECriticalMailSignature, kREShapeFlat, 2, 130},
        {77, 0, 0, 11200},
        {kREMediaMail, 0, 0, 11200},
        // account classification 150 has the 13 per-ounce First-Class parcel prices
        {kREFirstClass, kREShapeParcel, 150, 130},
        // an account without a First-Class parcel table
        {kREFirstClass, kREShapeParcel, 60, 159},
        // levels 3-9 fall back to commercial plus, whose parcel price is one
        // value, not a table of weight rows: no table, 159
        {kREFirstClass, kREShapeParcel, 3, 159},
        {kREFirstClass, kREShapeParcel, 9, 159},
    };
    for (const Case &c : cases)
        EXPECT_EQ(GetClassMaxWeight(c.mailClass, c.shape, 1, "", c.classification), c.limit)
            << c.mailClass << "/" << c.shape << "/" << c.classification;
}

} // namespace
