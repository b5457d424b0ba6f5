// Weight breaks and the classification test.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "rateengine/RateEngine.h"
#include "rateengine/RateWeights.h"

namespace {

class RateWeightsTest : public ::testing::Test
{
protected:
    void SetUp() override { InitializeRE("", "02/01/2014"); }

    // Breaks asked the way the rate classes ask: count first, then the list.
    static std::vector<int32_t> breaks(int32_t mailClass, int32_t shape, int32_t classification,
                                       int32_t *status = nullptr)
    {
        int32_t count = 0;
        int32_t s = GetRateWeights2010(mailClass, shape, 1, "US", nullptr, &count, classification);
        if (status)
            *status = s;
        std::vector<int32_t> out(count > 0 ? count : 1, -1);
        int32_t again = count;
        GetRateWeights2010(mailClass, shape, 1, "US", out.data(), &again, classification);
        EXPECT_EQ(again, count);
        out.resize(count);
        return out;
    }
    static std::vector<int32_t> steps(int32_t from, int32_t to, int32_t step)
    {
        std::vector<int32_t> v;
        for (int32_t w = from; w <= to; w += step)
            v.push_back(w);
        return v;
    }
};

TEST_F(RateWeightsTest, FirstClassParcelsEndAtTheirMaximum)
{
    std::vector<int32_t> expected = steps(10, 150, 10);
    expected.push_back(159);
    EXPECT_EQ(breaks(kREFirstClass, kREShapeParcel, 2), expected);
    EXPECT_EQ(breaks(kREFirstClass, kREShapeParcel, 0), steps(10, 130, 10));
    EXPECT_EQ(breaks(kREFirstClass, kREShapeFlat, 0), steps(10, 130, 10));
    EXPECT_EQ(breaks(kREFirstClass, kREShapePostcard, 0), std::vector<int32_t>{10});
    // Letters step at 1, 2, 3 and 3.5 oz; Critical Mail letters stop at 3 oz.
    EXPECT_EQ(breaks(kREFirstClass, kREShapeLetter, 0), (std::vector<int32_t>{10, 20, 30, 35}));
    EXPECT_EQ(breaks(kRECriticalMail, kREShapeLetter, 2), (std::vector<int32_t>{10, 20, 30}));
    EXPECT_EQ(breaks(kRECriticalMail, kREShapeFlat, 2), steps(10, 130, 10));
}

TEST_F(RateWeightsTest, InternationalLists)
{
    // An unknown country has a maximum of 0: no break fits, and the one-break
    // postcard list holds that maximum.
    int32_t out[4] = {-1, -1, -1, -1};
    int32_t count = 4;
    EXPECT_EQ(GetRateWeights2010(kREFirstClassIntl, kREShapeLetter, 1, "NOWHERE LAND", out, &count, 0), 0);
    EXPECT_EQ(count, 0);
    count = 4;
    EXPECT_EQ(GetRateWeights2010(kREFirstClassIntl, kREShapePostcard, 1, "NOWHERE LAND", out, &count, 0), 0);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(out[0], 0);
    // Consolidator lists do not depend on the country.
    count = 0;
    EXPECT_EQ(GetRateWeights2010(kREConsolidatorIntl, kREShapeParcel, 1, "NOWHERE LAND", nullptr, &count, 0), 0);
    EXPECT_EQ(count, 81);
}

TEST_F(RateWeightsTest, PoundSteps)
{
    EXPECT_EQ(breaks(kREPriority, kREShapeFlatRateBox, 0), steps(160, 11200, 160));
    EXPECT_EQ(breaks(kREPriority, kREShapeRegionalBoxA, 0), steps(160, 2400, 160));
    EXPECT_EQ(breaks(kREMediaMail, kREShapeParcel, 0), steps(160, 11200, 160));
    EXPECT_EQ(breaks(kREPriority, kREShapeParcel, 1), steps(160, 11200, 160));
    // From commercial plus on, Priority Mail (like Priority Mail Express)
    // begins with a half-pound step.
    std::vector<int32_t> halfPoundFirst = {80};
    for (int32_t w : steps(160, 11200, 160))
        halfPoundFirst.push_back(w);
    EXPECT_EQ(breaks(kREPriority, kREShapeParcel, 2), halfPoundFirst);
    EXPECT_EQ(breaks(kREPriority, kREShapeNonRectangular, 122), halfPoundFirst);
    EXPECT_EQ(breaks(kREExpress, kREShapeParcel, 0), halfPoundFirst);
    EXPECT_EQ(breaks(kREExpress, kREShapeFlatRateEnvelope, 0), steps(160, 11200, 160));

    std::vector<int32_t> bpm = steps(160, 800, 80);
    for (int32_t w : steps(960, 2400, 160))
        bpm.push_back(w);
    EXPECT_EQ(breaks(kREBoundPrintedMatter, kREShapeFlat, 0), bpm);
    EXPECT_EQ(breaks(kREBoundPrintedMatter, kREShapeNonRectangular, 0), bpm);
    EXPECT_TRUE(breaks(kREBoundPrintedMatter, kREShapeLetter, 0).empty());
    EXPECT_EQ(breaks(kREPresortedStandard, kREShapeFlat, 0), steps(10, 150, 10));
}

TEST_F(RateWeightsTest, ConsolidatorListIgnoresTheMaximum)
{
    const std::vector<int32_t> list = breaks(kREConsolidatorIntl, kREShapeParcel, 0);
    ASSERT_EQ(list.size(), 81u);
    EXPECT_EQ(list[14], 150);
    EXPECT_EQ(list[15], 160);
    EXPECT_EQ(list.back(), 10560);
}

TEST_F(RateWeightsTest, CapacityLimitsTheList)
{
    int32_t out[3] = {0, 0, 0};
    int32_t count = 3;
    EXPECT_EQ(GetRateWeights(kREPriority, kREShapeFlatRateBox, 1, "US", out, &count), 0);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(out[0], 160);
    EXPECT_EQ(out[1], 320);
    EXPECT_EQ(out[2], 480);
}

TEST_F(RateWeightsTest, NegativeCapacityIsRefused)
{
    // Only 0 means an array without limit: a negative capacity writes nothing.
    for (int32_t capacity : {-1, -3, INT32_MIN}) {
        int32_t out[2] = {99, 99};
        int32_t count = capacity;
        EXPECT_EQ(GetRateWeights2010(kREPriority, kREShapeParcel, 1, "US", out, &count, 0), kREInvalidArgument)
            << capacity;
        EXPECT_EQ(count, 0) << capacity;
        EXPECT_EQ(out[0], 99) << capacity;
        EXPECT_EQ(out[1], 99) << capacity;
        count = capacity;
        EXPECT_EQ(GetRateWeights(kREMediaMail, kREShapeParcel, 1, "US", nullptr, &count), kREInvalidArgument);
        EXPECT_EQ(count, 0);
    }
    // An array without a count has no capacity either.
    int32_t out[2] = {99, 99};
    EXPECT_EQ(GetRateWeights(kREMediaMail, kREShapeParcel, 1, "US", out, nullptr), kREInvalidArgument);
    EXPECT_EQ(out[0], 99);
    // Without an array a missing count is harmless.
    EXPECT_EQ(GetRateWeights(kREMediaMail, kREShapeParcel, 1, "US", nullptr, nullptr), 0);
}

TEST_F(RateWeightsTest, ClassesWithoutAList)
{
    int32_t out[2] = {99, 99};
    int32_t count = 2;
    EXPECT_EQ(GetRateWeights(13, kREShapeParcel, 1, "US", out, &count), kREUnknownClass);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(out[0], 0);
    count = 0;
    EXPECT_EQ(GetRateWeights(999, 0, 1, "US", nullptr, &count), kREUnknownClass);
    EXPECT_EQ(count, 0);

    ResetRateEngineInitializedFlagForTests();
    count = 0;
    EXPECT_EQ(GetRateWeights(kREFirstClass, kREShapeFlat, 1, "US", nullptr, &count), kRENotInitialized);
    InitializeRE("", "02/01/2014");
}

TEST_F(RateWeightsTest, ClassificationTest)
{
    // Shape 0 accepts a classification registered under any shape.
    EXPECT_EQ(IsValidRateClassificationForRateClassAndShape(150, kREFirstClass, 16, 0), 1);
    EXPECT_EQ(IsValidRateClassificationForRateClassAndShape(150, kREFirstClass, 16, 3), 1);
    EXPECT_EQ(IsValidRateClassificationForRateClassAndShape(150, kREFirstClass, 16, 1), 0);
    EXPECT_EQ(IsValidRateClassificationForRateClassAndShape(0, kREFirstClass, 17, 1), 1);
    EXPECT_EQ(IsValidRateClassificationForRateClassAndShape(9, kREMetroPost, 17, 0), 1);
    EXPECT_EQ(IsValidRateClassificationForRateClassAndShape(9, kREPriority, 17, 0), 0);
    EXPECT_EQ(IsValidRateClassificationForRateClassAndShape(0, kREFirstClass, 99, 0), 0);
    // Account classifications registered for Priority Mail Express and
    // Critical Mail, in both rate versions.
    for (int32_t key : {16, 17}) {
        EXPECT_EQ(IsValidRateClassificationForRateClassAndShape(157, kREExpress, key, 0), 1);
        EXPECT_EQ(IsValidRateClassificationForRateClassAndShape(16, kREExpress, key, 11), 1);
        EXPECT_EQ(IsValidRateClassificationForRateClassAndShape(16, kREExpress, key, 6), 0);
        EXPECT_EQ(IsValidRateClassificationForRateClassAndShape(64, kRECriticalMail, key, 1), 1);
        EXPECT_EQ(IsValidRateClassificationForRateClassAndShape(65, kRECriticalMailSignature, key, 2), 1);
        EXPECT_EQ(IsValidRateClassificationForRateClassAndShape(66, kRECriticalMail, key, 0), 0);
    }
}

} // namespace
