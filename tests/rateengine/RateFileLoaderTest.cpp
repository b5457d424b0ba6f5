// The rate text file loader.
#include <gtest/gtest.h>

#include <string>

#include "rateengine/RateDomestic.h"
#include "rateengine/RateEngine.h"
#include "rateengine/RateRegistry.h"
#include "TestSupport.h"

namespace {

using tolvane::test::fixture;

class RateFileLoaderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        InitializeRE("", "09/07/2014");
        // Optional-service blocks go to the slot keyed 106 (slot 1 at start-up).
        if (!FindRateTableSlot(gRateTables, kOptionalServiceTableKey))
            SetRateTableSlotKey(1, kOptionalServiceTableKey);
    }
    static RateArray leaf(int32_t mailClass, int32_t shape, int32_t classification)
    {
        int32_t c = classification;
        return GetRateReallyInternal(gRateTables, 17, mailClass, shape, &c);
    }
    static int32_t price(int32_t mailClass, int32_t shape, int32_t zone, int32_t weight, int32_t *classification)
    {
        int32_t oversize = 0, machinable = 1, balloon = 0, cents = 0, cubic = 0;
        const int32_t status = GetDomesticRate2014(mailClass, shape, zone, 0, &weight, 0, 0, 0, &oversize, &machinable,
                                                   &balloon, &cents, nullptr, "", 0, classification, &cubic, 0, 1);
        return status == 0 ? cents : status;
    }
};

TEST_F(RateFileLoaderTest, LoadsNegotiatedBlocks)
{
    ASSERT_EQ(RegisterRateFileAtPath(fixture("negotiated-rates.txt").c_str()), 1);

    // The envelope block under 5 and 14-17; the large box under 8 and 20.
    const RateArray envelope = leaf(kREPriority, 5, 170);
    ASSERT_TRUE(envelope);
    EXPECT_EQ(envelope.form, RateRowForm::OneZonedRow);
    EXPECT_EQ(envelope.word(1), 450);
    EXPECT_EQ(envelope.word(8), 457);
    for (int32_t shape : {14, 15, 16, 17})
        EXPECT_EQ(leaf(kREPriority, shape, 170).data, envelope.data);
    EXPECT_EQ(leaf(kREPriority, 20, 170).word(3), 1500);
    // Flat-rate shapes without a block of their own get the zero row.
    for (int32_t shape : {6, 9, 10, 11, 12, 13, 21, 201}) {
        const RateArray zero = leaf(kREPriority, shape, 170);
        ASSERT_TRUE(zero) << shape;
        EXPECT_STREQ(zero.name, "DOMESTIC2014FlatRateFallBack");
    }

    int32_t classification = 170;
    EXPECT_EQ(price(kREPriority, 5, 3, 10, &classification), 4510);
    EXPECT_EQ(classification, 170);
    classification = 170;
    EXPECT_EQ(price(kRECriticalMail, 1, 3, 10, &classification), 3010);
    // A zero row is no price: the account falls back to commercial plus, whose
    // flat-rate box price is not part of the build (and never to retail).
    classification = 170;
    EXPECT_EQ(price(kREPriority, 6, 3, 10, &classification), kRENoRate);
    EXPECT_EQ(classification, 2);

    // The optional service is stored in mils.
    int32_t c = 170;
    const RateArray fee = GetOptionalServiceRateInternal(1013, &c);
    ASSERT_TRUE(fee);
    EXPECT_EQ(fee.word(0), 2150);

    // Metro Post rows of (weight, price) are stored with the price in every zone.
    const RateArray metro = leaf(kREMetroPost, 0, 170);
    ASSERT_EQ(metro.rowWidth, 9);
    EXPECT_EQ(metro.at(0, 0), 400);
    EXPECT_EQ(metro.at(0, 8), 700);
    EXPECT_EQ(metro.at(69, 0), 1136 + 16 * 67);
    classification = 170;
    EXPECT_EQ(price(kREMetroPost, 3, 6, 50, &classification), 7000);
}

TEST_F(RateFileLoaderTest, CheaperCommercialPlusWins)
{
    ASSERT_EQ(RegisterRateFileAtPath(fixture("negotiated-rates.txt").c_str()), 1);
    int32_t classification = 173;
    EXPECT_EQ(price(kREPriority, 5, 3, 10, &classification), 4950);
    EXPECT_EQ(classification, 2);
    // Without the lower-rate check the account price stands.
    int32_t weight = 10, oversize = 0, machinable = 1, balloon = 0, cents = 0, cubic = 0;
    classification = 173;
    ASSERT_EQ(GetDomesticRate2014(kREPriority, 5, 3, 0, &weight, 0, 0, 0, &oversize, &machinable, &balloon, &cents,
                                  nullptr, "", 0, &classification, &cubic, 0, 0),
              0);
    EXPECT_EQ(cents, 6000);
    EXPECT_EQ(classification, 173);
}

TEST_F(RateFileLoaderTest, LoadingAgainReplacesSharedOwnedArraysSafely)
{
    ASSERT_EQ(RegisterRateFileAtPath(fixture("negotiated-rates.txt").c_str()), 1);
    ASSERT_EQ(RegisterRateFileAtPath(fixture("negotiated-rates.txt").c_str()), 1);
    const RateArray envelope = leaf(kREPriority, 5, 170);
    EXPECT_EQ(envelope.word(2), 451);
    for (int32_t shape : {14, 15, 16, 17}) {
        const RateArray a = leaf(kREPriority, shape, 170);
        EXPECT_EQ(a.data, envelope.data) << shape;
        EXPECT_EQ(a.word(2), 451) << shape;
    }
}

TEST_F(RateFileLoaderTest, BadFilesAnswerZero)
{
    EXPECT_EQ(RegisterRateFileAtPath(fixture("broken-rates.txt").c_str()), 0);
    int32_t registered[16];
    int32_t count = 16;
    GetCurrentRegisteredRateClassificationsInternal(kREPriority, 17, 6, registered, &count);
    for (int32_t i = 0; i < count; ++i)
        EXPECT_NE(registered[i], 171);

    // Classifications below 170 belong to the built-in tables: neither a block
    // before any "C" line nor a low "C" line replaces them.
    const RateArray before = leaf(kREPriority, 5, 0);
    EXPECT_EQ(RegisterRateFileAtPath(fixture("low-classification-rates.txt").c_str()), 0);
    EXPECT_EQ(leaf(kREPriority, 5, 0).data, before.data);
    EXPECT_EQ(leaf(kREPriority, 5, 0).word(1), 575);

    EXPECT_EQ(RegisterRateFileAtPath(fixture("unknown-class-rates.txt").c_str()), 0);
    EXPECT_EQ(RegisterRateFileAtPath(fixture("no-such-file.txt").c_str()), 0);
    EXPECT_EQ(RegisterRateFileAtPath(nullptr), 0);
}

} // namespace
