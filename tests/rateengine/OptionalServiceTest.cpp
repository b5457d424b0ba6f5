// Special-service fees, USPS insurance and the vendor's parcel insurance.
#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"
#include "rateengine/RateOptionalServices.h"
#include "rateengine/RateRegistry.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <climits>

#include <string>

namespace {

using tolvane::test::fixture;

int slotIndexForKey(int32_t key)
{
    RateTableSlot *slot = FindRateTableSlot(gRateTables, key);
    return slot ? int(slot - gRateTables) : -1;
}

class OptionalServiceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        InitializeRE("", "01/27/2014");
        ASSERT_EQ(LoadCountry2013FileAtPath(fixture("countries-fixture.dat").c_str()), 1);
        ASSERT_EQ(LoadCountryAliasFileAtPath(fixture("aliases-fixture.txt").c_str()), 1);
        RegisterBannedCountryTolvaneInsurance(nullptr);
    }
};

// Domestic insurance as the price list states it: $2.10 up to $50, $2.60 up
// to $100, $3.30 up to $200, $5.50 up to $300, then $5.50 plus $1.25 per
// started $100 above $300, up to $5,000. Value in cents, fee in mils.
int32_t statedDomesticInsurance(int64_t cents)
{
    if (cents > 500000)
        cents = 500000;
    if (cents <= 0)
        return 0;
    if (cents <= 5000)
        return 2100;
    if (cents <= 10000)
        return 2600;
    if (cents <= 20000)
        return 3300;
    if (cents <= 30000)
        return 5500;
    const int64_t startedHundreds = (cents - 30000 + 9999) / 10000;
    return int32_t(5500 + startedHundreds * 1250);
}

TEST_F(OptionalServiceTest, SingleServiceFeesOfJanuary2014)
{
    const struct {
        int32_t bits, mailClass, value, selector, weight;
        int32_t mils;
        const char *what;
    } cases[] = {
        {kSSCertified, 2, 0, 0, 0, 3300, "certified mail"},
        {kSSReturnReceipt, 2, 0, 0, 0, 2700, "return receipt"},
        {kSSReturnReceipt, 30, 0, 0, 0, 3750, "international return receipt"},
        {kSSElectronicReturnReceipt, 1, 0, 0, 0, 1350, "electronic return receipt"},
        {kSSRestrictedDelivery, 1, 0, 0, 0, 5050, "restricted delivery"},
        {kSSDeliveryConfirmation, 2, 0, 0, 0, 0, "delivery confirmation, Priority Mail"},
        {kSSDeliveryConfirmation, 1, 0, 0, 0, 0, "delivery confirmation, First-Class"},
        {kSSDeliveryConfirmation, 24, 0, 0, 0, 230, "delivery confirmation, Media Mail"},
        {kSSDeliveryConfirmation, 42, 0, 0, 0, 0, "international delivery confirmation"},
        {kSSSignatureConfirmation, 2, 0, 0, 0, 2350, "signature confirmation"},
        {kSSSignatureConfirmation, 9, 0, 0, 0, 2350, "signature confirmation, any domestic class"},
        {kSSSignatureConfirmation, 30, 0, 0, 0, 0, "signature confirmation abroad"},
        {kSSSignatureConfirmation, 2, 0, 9, 0, 2350, "selector 9 without its own fee"},
        {kSSAdultSignature, 2, 0, 0, 0, 5200, "adult signature"},
        {kSSAdultSignatureRestricted, 2, 0, 0, 0, 5450, "adult signature restricted"},
        {kSSExpress1030, 3, 0, 0, 0, 5000, "10:30 AM delivery"},
        {kSSCODMoneyOrder, 2, 50000, 0, 0, 1250, "COD money order up to $500"},
        {kSSCODMoneyOrder, 2, 50001, 0, 0, 1650, "COD money order over $500"},
        {kSSCOD | kSSRegistered, 2, 10000, 0, 0, 5750, "COD sent registered"},
        {kSSRegistered, 30, 10000, 0, 0, 13650, "international registered mail"},
        {kSSLiveAnimal, 2, 0, 5, 161, 400, "live animals, 2 started pounds"},
        {kSSLiveAnimal, 3, 0, 7, 160, 200, "live animals, 1 pound"},
        {kSSLiveAnimal, 2, 0, 0, 161, 0, "live animals below selector 5 fall through"},
        {kSSCertified | kSSReturnReceipt, 2, 0, 0, 0, 3300, "the first matching rule decides"},
        {0x1000, 2, 0, 0, 0, 0, "a bit no rule handles"},
        {0, 2, 0, 0, 0, 0, "no bit"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(GetOptionalServiceRate2014(c.bits, c.mailClass, c.value, "", 0, 0, c.selector, c.weight), c.mils)
            << c.what;
    EXPECT_EQ(GetOptionalServiceRate(kSSCertified, 1, 0, ""), 3300);
}

TEST_F(OptionalServiceTest, DomesticInsuranceFollowsTheStatedLadder)
{
    for (int32_t mailClass : {1, 2, 24}) {
        for (int32_t cents : {1, 5000, 5001, 10000, 20000, 25000, 30000, 30001, 40000, 40001, 123456, 499999, 500000,
                              500001, 1000000}) {
            EXPECT_EQ(GetOptionalServiceRate(kSSInsurance, mailClass, cents, ""), statedDomesticInsurance(cents))
                << "class " << mailClass << ", " << cents << " cents";
        }
    }
    EXPECT_EQ(GetOptionalServiceRate(kSSInsurance, 2, 5000, ""), 2100);
    EXPECT_EQ(GetOptionalServiceRate(kSSInsurance, 2, 10000, ""), 2600);
    EXPECT_EQ(GetOptionalServiceRate(kSSInsurance, 2, 20000, ""), 3300);
    EXPECT_EQ(GetOptionalServiceRate(kSSInsurance, 2, 30000, ""), 5500);
    EXPECT_EQ(GetOptionalServiceRate(kSSInsurance, 2, 0, ""), 0);
    EXPECT_EQ(GetOptionalServiceRate(kSSInsurance, 2, -100, ""), 0);
    // $5,000.01 is priced as $5,000.
    EXPECT_EQ(GetOptionalServiceRate(kSSInsurance, 2, 500001, ""), GetOptionalServiceRate(kSSInsurance, 2, 500000, ""));
    // A value that does not exceed the minimum is not insured.
    EXPECT_EQ(GetOptionalServiceRate2014(kSSInsurance, 2, 10000, "", 0, 10000, 0, 0), 0);
    EXPECT_EQ(GetOptionalServiceRate2014(kSSInsurance, 2, 10001, "", 0, 10000, 0, 0), 3300);
    // Domestic insurance to Canada is not offered.
    EXPECT_EQ(GetOptionalServiceRate(kSSInsurance, 2, 10000, "canada"), 0);
    EXPECT_EQ(GetOptionalServiceRate(kSSInsurance, 2, 10000, "France"), 2600);
}

TEST_F(OptionalServiceTest, GlobalExpressGuaranteedInsurance)
{
    const struct {
        int32_t cents, mils;
    } cases[] = {
        {5000, 0},       {10000, 0},    // $100 or less
        {10001, 1000},   {25000, 2000}, // two units above the first $100
        {249900, 24000},                // the maximum, $2,499
        {249901, 0},                    // above it
    };
    for (const auto &c : cases)
        EXPECT_EQ(GetOptionalServiceRate(kSSInsurance, 29, c.cents, "CA"), c.mils) << c.cents;
}

TEST_F(OptionalServiceTest, InternationalInsuranceWithoutItsTablesIsZero)
{
    // Priority Mail International and Priority Mail Express International
    // insurance structures are not part of the price data: no fee.
    EXPECT_EQ(GetOptionalServiceRate(kSSInsurance, 30, 20000, "CA"), 0);
    EXPECT_EQ(GetOptionalServiceRate(kSSInsurance, 28, 20000, "CA"), 0);
    EXPECT_EQ(GetOptionalServiceRate(kSSInsurance, 42, 20000, "CA"), 0);
    // Priority Mail Express: the first $100 is included.
    EXPECT_EQ(GetOptionalServiceRate(kSSInsurance, 3, 10000, ""), 0);
    EXPECT_EQ(GetOptionalServiceRate(kSSExpressInsurance, 2, 10000, ""), 0);
}

TEST_F(OptionalServiceTest, NegotiatedClassificationIsPricedAsCommercialPlus)
{
    int32_t classification = 60;
    EXPECT_EQ(GetOptionalServiceRateInternalInt(kOSCertified, &classification), 3300);
    EXPECT_LE(classification, 2);
    EXPECT_EQ(GetOptionalServiceRate2014(kSSCertified, 2, 0, "", 155, 0, 0, 0), 3300);
    // The zero structure for an id without a table.
    int32_t c = 0;
    const RateArray none = GetOptionalServiceRateInternalOSSTRUCT(kOSCODStructure, &c);
    ASSERT_TRUE(none);
    EXPECT_EQ(none.at(0, 1), 0);
}

TEST_F(OptionalServiceTest, SeveralServicesAddUpAndDropWhatTheClassRefuses)
{
    const struct {
        int32_t requested, mailClass, value;
        int32_t total, kept;
        const char *what;
    } cases[] = {
        {kSSDeliveryConfirmation | kSSCertified | kSSReturnReceipt, 2, 0, 0 + 3300 + 2700,
         kSSDeliveryConfirmation | kSSCertified | kSSReturnReceipt, "Priority Mail"},
        {kSSSignatureConfirmation | kSSDeliveryConfirmation, 24, 0, 2350, kSSSignatureConfirmation,
         "signature confirmation replaces delivery confirmation"},
        {kSSCertified | kSSReturnReceipt, 24, 0, 2700, kSSReturnReceipt, "no certified mail with Media Mail"},
        {kSSRestrictedDelivery, 1, 0, 0, 0, "restricted delivery alone"},
        {kSSRestrictedDelivery | kSSCertified, 1, 0, 5050 + 3300, kSSRestrictedDelivery | kSSCertified,
         "restricted delivery with certified"},
        {kSSInsurance, 2, 20000, 3300, kSSInsurance, "insurance"},
        {kSSCOD, 30, 0, 0, 0, "no COD abroad"},
        {kSSDeliveryConfirmation | kSSCertified, 30, 0, 3300, kSSCertified, "international: confirmation not added"},
        {kSSAdultSignature | kSSAdultSignatureRestricted, 2, 0, 5200, kSSAdultSignature, "adult signature wins"},
        {kSSExpress1030 | kSSExpressPremium, 2, 0, 0, 0, "Priority Mail Express services"},
        {kSSExpress1030, 3, 0, 5000, kSSExpress1030, "10:30 AM on Priority Mail Express"},
    };
    for (const auto &c : cases) {
        int32_t services = c.requested;
        int32_t total = -1;
        EXPECT_EQ(GetOptionalServiceFee(&services, c.mailClass, c.value, "", &total), kRESuccess);
        EXPECT_EQ(total, c.total) << c.what;
        EXPECT_EQ(services, c.kept) << c.what;
    }
    int32_t none = 0;
    int32_t untouched = 77;
    EXPECT_EQ(GetOptionalServiceFee(&none, 2, 0, "", &untouched), kRESuccess);
    EXPECT_EQ(untouched, 77);

    ResetRateEngineInitializedFlagForTests();
    int32_t services = kSSCertified;
    EXPECT_EQ(GetOptionalServiceFee(&services, 2, 0, "", &untouched), kRENotInitialized);
    InitializeRE("", "01/27/2014");
}

TEST_F(OptionalServiceTest, AvailabilityComesFromTheCountryFlags)
{
    const struct {
        int32_t service, mailClass, shape;
        const char *country;
        int32_t available;
    } cases[] = {
        {kSSRegistered, 30, 3, "CA", 1},
        {kSSRegistered, 30, 3, "FR", 0},
        {kSSInsurance, 28, 3, "CA", 1},
        {kSSInsurance, 28, 3, "GB", 0},
        {kSSInsurance, 29, 3, "CA", 1},
        {kSSInsurance, 30, 3, "CA", 1},
        {kSSInsurance, 42, 3, "CA", 0},
        {kSSCertified, 42, 1, "CA", 1},
        {kSSRestrictedDelivery, 42, 1, "CA", 1},
        {kSSReturnReceipt, 42, 1, "CA", 1},
        {kSSReturnReceipt, 42, 1, "GB", 0},
        {kSSCOD, 30, 3, "CA", 1},
        {kSSDeliveryConfirmation, 42, 3, "CA", 1},
        {kSSDeliveryConfirmation, 42, 1, "CA", 0},
        {kSSDeliveryConfirmation, 30, 9, "CA", 1},
        {kSSDeliveryConfirmation, 30, 17, "CA", 1},
        {kSSDeliveryConfirmation, 30, 3, "CA", 0},
        {kSSSignatureConfirmation, 30, 3, "CA", 0},
        {kSSRegistered, 2, 3, "CA", 0}, // domestic classes answer 0
        {kSSRegistered, 30, 3, "Narnia", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(GetOptionalServiceAvailability(c.service, c.mailClass, c.shape, c.country), c.available)
            << c.service << " " << c.mailClass << "/" << c.shape << " " << c.country;
}

TEST_F(OptionalServiceTest, InsuranceLimits)
{
    EXPECT_EQ(GetMaxUSPSInsurance(2, "", 0), 500000);
    EXPECT_EQ(GetMaxUSPSInsurance(29, "CA", 0), 249900);
    EXPECT_EQ(GetMaxUSPSInsurance(30, "CA", 0), 67500);
    EXPECT_EQ(GetMaxUSPSInsurance(28, "CA", 0), 500000);
    EXPECT_EQ(GetMaxUSPSInsurance(28, "Narnia", 0), 0);
    EXPECT_EQ(GetMaxUSPSInsurance(42, "CA", 0), 0);
    EXPECT_EQ(GetMaxTolvaneInsurance(), 10000);
}

TEST_F(OptionalServiceTest, IndemnityLimitsTooLargeForCentsReadAsTheLargest)
{
    ASSERT_EQ(LoadCountry2013FileAtPath(fixture("countries-huge-limits.dat").c_str()), 1);
    EXPECT_EQ(GetMaxUSPSInsurance(28, "ZZ", 0), INT32_MAX);
    EXPECT_EQ(GetMaxUSPSInsurance(30, "ZZ", 0), INT32_MAX);
    // The value asked is not lowered to a wrapped (negative) limit.
    EXPECT_EQ(GetOptionalServiceRate(kSSInsurance, 28, 20000, "ZZ"),
              GetOptionalServiceRate(kSSInsurance, 28, 20000, "CA"));
}

TEST_F(OptionalServiceTest, VendorInsuranceStandardUntrackedLadder)
{
    // $1.35 up to $50, $1.55 up to $100, $3.10 up to $200, $4.65 up to $300,
    // then $4.65 plus $1.35 per started $100 above $300.
    const struct {
        int32_t cents, mils;
    } cases[] = {
        {1, 1350},
        {5000, 1350},
        {5001, 1550},
        {10000, 1550},
        {20000, 3100},
        {30000, 4650},
        {30001, 6000},
        {40000, 6000},
        {40001, 7350},
        {1000000, 4650 + 97 * 1350},
        {2000000, 4650 + 97 * 1350}, // capped at $10,000
        {0, 0},
        {-5, 0},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(GetTolvaneInsuranceFee(2, c.cents, 0, 0, 0, ""), c.mils) << c.cents;
        EXPECT_EQ(GetTolvaneInsuranceFee(2, c.cents, 0, 0, 0, "united states"), c.mils) << c.cents;
    }
    // Canada uses the domestic structure, even when tracked.
    EXPECT_EQ(GetTolvaneInsuranceFee(30, 25000, 0, 1, 0, "Canada"), 4650);
    // Premium coverage and tracked domestic pieces have no prices in the data.
    EXPECT_EQ(GetTolvaneInsuranceFee(2, 25000, 1, 0, 0, ""), 0);
    EXPECT_EQ(GetTolvaneInsuranceFee(2, 25000, 0, 1, 0, ""), 0);
}

TEST_F(OptionalServiceTest, VendorInsuranceRefusesBannedAndUnknownCountries)
{
    EXPECT_EQ(GetTolvaneInsuranceFee(2, 10000, 0, 0, 0, "Narnia"), 0);
    EXPECT_EQ(GetTolvaneInsuranceFee(30, 10000, 0, 0, 0, "Canada"), 1550);
    RegisterBannedCountryTolvaneInsurance("FR|ca");
    EXPECT_EQ(GetTolvaneInsuranceFee(30, 10000, 0, 0, 0, "Canada"), 0);
    EXPECT_EQ(GetTolvaneInsuranceFee(2, 10000, 0, 0, 0, ""), 1550); // domestic: no list
    RegisterBannedCountryTolvaneInsurance(nullptr);
}

TEST_F(OptionalServiceTest, VendorInsurancePerHundredKeysForAbroadAndMilitary)
{
    // Test prices at the "pro" level, which the built-in data leaves empty.
    static const int32_t notTracked[] = {500};
    static const int32_t tracked[] = {700};
    static const int32_t structure[] = {100, 900, 0, 1000, 900, 300, 0, 0, 0};
    const int slot = slotIndexForKey(kTolvaneInsuranceTableKey);
    ASSERT_GE(slot, 0);
    RegisterRate2(slot, kTIIntlNotTracked, 0, kTolvaneCoveragePro, MakeRateArray(notTracked), 0);
    RegisterRate2(slot, kTIIntlTracked, 0, kTolvaneCoveragePro, MakeRateArray(tracked), 0);
    RegisterRate2(slot, kTIDomesticTracked, 0, kTolvaneCoveragePro,
                  MakeRateArray(structure, RateRowForm::StructureRows), 0);

    // $250: three started hundreds.
    EXPECT_EQ(GetTolvaneInsuranceFee2010(30, 25000, kTolvaneCoveragePro, 0, 0, "France"), 1500);
    EXPECT_EQ(GetTolvaneInsuranceFee2010(30, 25000, kTolvaneCoveragePro, 1, 0, "France"), 2100);
    // Military mail uses the per-$100 keys whatever the class.
    EXPECT_EQ(GetTolvaneInsuranceFee2010(2, 25000, kTolvaneCoveragePro, 0, 1, ""), 1500);
    // Domestic tracked: the structure, $900 up to $100, then $3 per $100.
    EXPECT_EQ(GetTolvaneInsuranceFee2010(2, 25000, kTolvaneCoveragePro, 1, 0, ""), 900 + 2 * 300);
    // A level above 30 without its own structure reads the pro structure.
    int32_t level = 40;
    const RateArray s = GetTolvaneInsuranceRateStructureInternal(kTIDomesticTracked, &level);
    EXPECT_EQ(level, kTolvaneCoveragePro);
    EXPECT_EQ(s.at(0, 1), 900);
}

TEST(FiremanInsurance, PerHundredAboveTheFirst)
{
    EXPECT_EQ(GetFiremanInsuranceFee(2, 0), 0);
    EXPECT_EQ(GetFiremanInsuranceFee(2, 5000), 1950);
    EXPECT_EQ(GetFiremanInsuranceFee(2, 10000), 1950);
    EXPECT_EQ(GetFiremanInsuranceFee(2, 15000), 2950);
    EXPECT_EQ(GetFiremanInsuranceFee(30, 10000), 2350);
    EXPECT_EQ(GetFiremanInsuranceFee(30, 30001), 5350);
}

} // namespace
