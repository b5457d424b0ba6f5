// The domestic rate query over the built-in 2014 tables.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "rateengine/RateDescription.h"
#include "rateengine/RateDomestic.h"
#include "rateengine/RateEngine.h"
#include "rateengine/RateRegistry.h"
#include "rateengine/RateTables.h"

namespace {

// One query with its in/out arguments.
struct Query {
    int32_t mailClass = kREFirstClass;
    int32_t shape = kREShapeLetter;
    int32_t zone = 1;
    int32_t weight = 10;
    int32_t height = 0, width = 0, length = 0;
    int32_t oversize = 0, machinable = 1, balloon = 0;
    int32_t price = -1;
    const char *state = "";
    int32_t premium = 0;
    int32_t classification = 0;
    int32_t cubic = 0;
    int32_t trayEntry = 0;
    char stealth[kStealthTextSize];

    int32_t run()
    {
        std::memset(stealth, 'x', sizeof stealth);
        return GetDomesticRate2014(mailClass, shape, zone, 0, &weight, height, width, length, &oversize, &machinable,
                                   &balloon, &price, stealth, state, premium, &classification, &cubic, trayEntry, 1);
    }
    std::string text() const { return stealth; }
};

class RateDomesticTest : public ::testing::Test
{
protected:
    void SetUp() override { InitializeRE("", "02/01/2014"); }

    // Registers `array` for an account classification of the tests' own
    // (190 and above: no built-in set uses them) in both 2014 slots.
    static void registerInBothSlots(int32_t classKey, int32_t classification, RateArray array)
    {
        for (int32_t version : {kRateVersionJan2014, kRateVersionSep2014}) {
            const int slot = int(FindRateTableSlot(gRateTables, version) - gRateTables);
            RegisterRate2(slot, classKey, 0, classification, array, 0);
        }
    }
};

// A Priority Mail weight table of an account of the tests: 1 lb at the
// retail prices of January 2014, and an 11 lb row.
const int32_t kAccountWeights[] = {
    16,   560,  570,  585,  600, 620, 645, 695, 835, 176, 3000, 3010, 3020, 3030,
    3040, 3050, 3060, 3070, 0,   0,   0,   0,   0,   0,   0,    0,    0,
};

TEST_F(RateDomesticTest, FirstClassLettersAndPostcards)
{
    struct Case {
        int32_t shape, weight, machinable;
        int32_t price, chargedWeight;
        const char *text;
    } cases[] = {
        {kREShapeLetter, 10, 1, 480, 10, "1 oz First-Class Letter Rate"},
        {kREShapeLetter, 10, 0, 690, 10, "1 oz First-Class Letter Rate NON-MACH"},
        {kREShapeLetter, 35, 1, 1110, 35, "3.5 oz First-Class Letter Rate"},
        {kREShapeLetter, 11, 1, 690, 20, "2 oz First-Class Letter Rate"},
        {kREShapeLetter, 3, 1, 480, 10, "1 oz First-Class Letter Rate"}, // 1 oz at least
        {kREShapePostcard, 10, 1, 340, 10, "1 oz Postcard Rate"},
        {kREShapePostcard, 5, 0, 480, 10, "1 oz Postcard Rate NON-MACH"}, // first letter pair
    };
    for (const Case &c : cases) {
        for (const char *date : {"02/01/2014", "09/07/2014"}) {
            SetRateVersion(date);
            Query q;
            q.shape = c.shape;
            q.weight = c.weight;
            q.machinable = c.machinable;
            EXPECT_EQ(q.run(), 0) << c.shape << "/" << c.weight << " " << date;
            EXPECT_EQ(q.price, c.price) << c.shape << "/" << c.weight << " " << date;
            EXPECT_EQ(q.weight, c.chargedWeight) << c.shape << "/" << c.weight;
            EXPECT_EQ(q.text(), c.text);
        }
    }
}

TEST_F(RateDomesticTest, FirstClassWeightsOverTheLimit)
{
    Query letter;
    letter.weight = 36;
    EXPECT_EQ(letter.run(), kREOverweight);
    Query card;
    card.shape = kREShapePostcard;
    card.weight = 11;
    EXPECT_EQ(card.run(), kREOverweight);
    Query parcel;
    parcel.shape = kREShapeParcel;
    parcel.weight = 131;
    EXPECT_EQ(parcel.run(), kREOverweight);
}

TEST_F(RateDomesticTest, FirstClassFlatsAndParcels)
{
    struct Case {
        int32_t shape, weight, classification;
        int32_t price, chargedWeight, usedClassification;
        const char *text;
    } cases[] = {
        {kREShapeFlat, 10, 0, 980, 10, 0, "1 oz First-Class Flats Rate"},
        {kREShapeFlat, 21, 0, 1400, 30, 0, "3 oz First-Class Flats Rate"},
        {kREShapeFlat, 130, 0, 3500, 130, 0, "13 oz First-Class Flats Rate"},
        {kREShapeParcel, 30, 0, 2320, 30, 0, "3 oz First-Class Parcel Rate"},
        {kREShapeParcel, 31, 0, 2500, 40, 0, "4 oz First-Class Parcel Rate"},
        {kREShapeNonRectangular, 130, 0, 4120, 130, 0, "13 oz First-Class Parcel Rate"},
        // commercial plus from 14 oz: the single value; 16 oz is charged as 159
        {kREShapeParcel, 150, 2, 4050, 150, 2, "15 oz First-Class Package Rate"},
        {kREShapeParcel, 159, 2, 4050, 159, 2, "15.9 oz First-Class Package Rate"},
        // levels 3-9 fall back to commercial plus and its 15.9 oz limit
        {kREShapeParcel, 150, 5, 4050, 150, 2, "15 oz First-Class Package Rate"},
        // an account's per-ounce parcel list
        {kREShapeParcel, 20, 150, 2320, 20, 150, "2 oz First-Class Package Rate"},
    };
    for (const Case &c : cases) {
        Query q;
        q.shape = c.shape;
        q.weight = c.weight;
        q.classification = c.classification;
        EXPECT_EQ(q.run(), 0) << c.text;
        EXPECT_EQ(q.price, c.price) << c.text;
        EXPECT_EQ(q.weight, c.chargedWeight) << c.text;
        EXPECT_EQ(q.classification, c.usedClassification) << c.text;
        EXPECT_EQ(q.text(), c.text);
    }

    // Commercial-base parcel prices are not part of the build: a commercial-
    // base parcel has no rate and reports commercial base, never retail; so
    // does a commercial-plus parcel below 14 oz, which restarts there (keeping
    // its raised weight: 3 tenths -> 1 oz).
    struct NoRate {
        int32_t weight, classification, chargedWeight;
    } noRate[] = {{50, 1, 50}, {100, 2, 100}, {3, 2, 10}};
    for (const NoRate &c : noRate) {
        Query q;
        q.shape = kREShapeParcel;
        q.weight = c.weight;
        q.classification = c.classification;
        EXPECT_EQ(q.run(), kRENoRate) << c.weight << "/" << c.classification;
        EXPECT_EQ(q.price, 0) << c.weight << "/" << c.classification;
        EXPECT_EQ(q.classification, 1) << c.weight << "/" << c.classification;
        EXPECT_EQ(q.weight, c.chargedWeight) << c.weight << "/" << c.classification;
        EXPECT_EQ(q.text(), "");
    }
}

TEST_F(RateDomesticTest, PriorityMailByVersion)
{
    struct Case {
        const char *date;
        int32_t shape, zone, classification;
        int32_t price;
    } cases[] = {
        {"09/06/2014", kREShapeParcel, 4, 0, 5850},
        {"09/07/2014", kREShapeParcel, 4, 0, 6000},
        {"09/06/2014", kREShapeParcel, 1, 0, 5600},
        {"09/06/2014", kREShapeParcel, 2, 0, 5600},
        {"09/07/2014", kREShapeParcel, 9, 0, 8350},
        {"09/06/2014", kREShapeFlatRateEnvelope, 4, 0, 5600},
        {"09/07/2014", kREShapeFlatRateEnvelope, 4, 0, 5750},
        {"09/06/2014", kREShapeFlatRateEnvelope, 8, 2, 4950},
        {"09/07/2014", kREShapeFlatRateEnvelope, 8, 2, 4950},
        {"09/07/2014", kREShapeSmallFlatRateEnvelope, 3, 0, 5750},
        {"09/07/2014", kREShapeFlatRateBox, 5, 0, 12650},
        {"09/07/2014", kREShapeLargeFlatRateBoardGameBox, 5, 0, 17900},
    };
    for (const Case &c : cases) {
        SetRateVersion(c.date);
        Query q;
        q.mailClass = kREPriority;
        q.shape = c.shape;
        q.zone = c.zone;
        q.weight = 160;
        q.classification = c.classification;
        EXPECT_EQ(q.run(), 0) << c.date << " shape " << c.shape << " zone " << c.zone;
        EXPECT_EQ(q.price, c.price) << c.date << " shape " << c.shape << " zone " << c.zone;
    }
}

TEST_F(RateDomesticTest, PriorityMailTexts)
{
    SetRateVersion("09/07/2014");
    Query q;
    q.mailClass = kREPriority;
    q.shape = kREShapeParcel;
    q.zone = 4;
    q.weight = 130;
    ASSERT_EQ(q.run(), 0);
    EXPECT_EQ(q.weight, 160);
    EXPECT_EQ(q.text(), "1 lb Priority Mail Rate Zone 4");

    Query envelope;
    envelope.mailClass = kREPriority;
    envelope.shape = kREShapeFlatRateEnvelope;
    ASSERT_EQ(envelope.run(), 0);
    EXPECT_EQ(envelope.text(), "Flat Rate Envelope, Priority Mail");

    // A large flat-rate box to a military address uses the APO/FPO/DPO row.
    Query apo;
    apo.mailClass = kREPriority;
    apo.shape = kREShapeLargeFlatRateBox;
    apo.state = "ae";
    ASSERT_EQ(apo.run(), 0);
    EXPECT_EQ(apo.price, 15900);
}

TEST_F(RateDomesticTest, UnknownPricesAnswerNoRate)
{
    struct Case {
        const char *date;
        int32_t mailClass, shape, weight, classification;
        int32_t status;
    } cases[] = {
        // Priority Mail beyond the known 1 lb row
        {"09/07/2014", kREPriority, kREShapeParcel, 320, 0, kRENoRate},
        // a flat-rate shape without its own table is not priced from the
        // weight table
        {"02/01/2014", kREPriority, kREShapeFlatRatePaddedEnvelope, 10, 0, kRENoRate},
        {"02/01/2014", kREPriority, kREShapeRegionalBoxC, 10, 0, kRENoRate},
        // Priority Mail Express, Standard Post, Bound Printed Matter: no tables
        {"02/01/2014", kREExpress, kREShapeParcel, 10, 0, kRENoRate},
        {"02/01/2014", kREStandardPost, kREShapeParcel, 10, 0, kRENoRate},
        {"02/01/2014", kREBoundPrintedMatter, kREShapeParcel, 10, 0, kRENoRate},
        // Media Mail between the known first and last pound
        {"02/01/2014", kREMediaMail, kREShapeParcel, 480, 0, kRENoRate},
        // Critical Mail: only the 2013 letter price is known, a single value
        // that is never read as a zoned row
        {"02/01/2014", kRECriticalMail, kREShapeLetter, 10, 2, kRENoRate},
        // Parcel Post is never priced
        {"02/01/2014", kREParcelPost, kREShapeParcel, 10, 0, kRENoRate},
        // shapes a class has no price for
        {"02/01/2014", kREFirstClass, kREShapeFlatRateEnvelope, 10, 0, kRENoRate},
        {"02/01/2014", 21, kREShapeParcel, 10, 0, kRENoRate},
    };
    for (const Case &c : cases) {
        SetRateVersion(c.date);
        Query q;
        q.mailClass = c.mailClass;
        q.shape = c.shape;
        q.weight = c.weight;
        q.classification = c.classification;
        EXPECT_EQ(q.run(), c.status) << c.mailClass << "/" << c.shape << "/" << c.weight;
        EXPECT_LE(q.price, 0);
        EXPECT_EQ(q.text(), ""); // the stealth text is cleared and stays empty
    }

    Query media;
    media.mailClass = kREMediaMail;
    media.shape = kREShapeParcel;
    media.weight = 11200;
    ASSERT_EQ(media.run(), 0);
    EXPECT_EQ(media.price, 34550);
    EXPECT_EQ(media.text(), "70 lbs Media Mail Rate");
    Query library;
    library.mailClass = kRELibraryMail;
    library.shape = kREShapeParcel;
    library.weight = 3;
    ASSERT_EQ(library.run(), 0);
    EXPECT_EQ(library.price, 2560);
    EXPECT_EQ(library.weight, 160);
}

TEST_F(RateDomesticTest, StatusCodesForBadArguments)
{
    struct Case {
        int32_t mailClass, shape, zone, classification;
        int32_t status;
    } cases[] = {
        {kREPriorityIntl, kREShapeParcel, 1, 0, kREUnknownClass},
        {kREFirstClassIntl, kREShapeLetter, 1, 0, kREUnknownClass},
        {kREPriority, kREShapeParcel, 10, 0, kREZoneOutOfRange},
        {kREPriority, kREShapeParcel, -1, 0, kREZoneOutOfRange},
        {kREMediaMail, kREShapeParcel, 1, 77, kREInvalidClassification},
        {kREPriority, kREShapeParcel, 1, 143, kREInvalidClassification},
        {kREFirstClass, 999, 1, 0, kRENoRate},
        {999, kREShapeParcel, 1, 0, kRENoRate},
        {-5, -5, 0, 0, kRENoRate},
    };
    for (const Case &c : cases) {
        Query q;
        q.mailClass = c.mailClass;
        q.shape = c.shape;
        q.zone = c.zone;
        q.classification = c.classification;
        EXPECT_EQ(q.run(), c.status) << c.mailClass << "/" << c.shape << "/" << c.zone;
    }
    // Government permit and business-reply classes: no postage, success.
    for (int32_t mailClass : {10, 14, 15, 16, 17}) {
        Query q;
        q.mailClass = mailClass;
        q.weight = 3;
        EXPECT_EQ(q.run(), 0);
        EXPECT_EQ(q.price, 0);
        EXPECT_EQ(q.weight, 3); // nothing else is touched
    }
    // Every argument left out.
    EXPECT_EQ(GetDomesticRate2014(kREFirstClass, kREShapeLetter, 1, 0, nullptr, 0, 0, 0, nullptr, nullptr, nullptr,
                                  nullptr, nullptr, nullptr, 0, nullptr, nullptr, 0, 1),
              0);
}

TEST_F(RateDomesticTest, NotInitialised)
{
    ResetRateEngineInitializedFlagForTests();
    Query q;
    EXPECT_EQ(q.run(), kRENotInitialized);
    InitializeRE("", "02/01/2014");
    EXPECT_EQ(q.run(), 0);
}

TEST_F(RateDomesticTest, LengthPlusGirthOfParcelSelectAndStandardPost)
{
    // 20 x 22 x L: length + girth = L + 2 x 42 in.
    struct Case {
        int32_t mailClass, length; // hundredths
        int32_t status, balloon, oversize, machinable;
    } cases[] = {
        {kREParcelSelect, 2400, kRENoRate, 1, 0, 1}, // 108.00 in: balloon candidate
        {kREParcelSelect, 2401, kRENoRate, 0, 1, 1}, // 108.01 in: oversize
        {kREParcelSelect, 4600, kRENoRate, 0, 1, 1}, // 130.00 in: still oversize
        {kREParcelSelect, 4601, kRELengthGirthOver130, 0, 0, 1},
        {kREStandardPost, 2401, kRENoRate, 0, 1, 0}, // oversize clears machinable
        {kREStandardPost, 1, kRENoRate, 0, 0, 1},    // the longest side counts
    };
    for (const Case &c : cases) {
        Query q;
        q.mailClass = c.mailClass;
        q.shape = kREShapeParcel;
        q.classification = 1;
        q.weight = 160;
        q.height = 2000;
        q.width = 2200;
        q.length = c.length;
        EXPECT_EQ(q.run(), c.status) << c.mailClass << " " << c.length;
        EXPECT_EQ(q.balloon, c.balloon) << c.mailClass << " " << c.length;
        EXPECT_EQ(q.oversize, c.oversize) << c.mailClass << " " << c.length;
        EXPECT_EQ(q.machinable, c.machinable) << c.mailClass << " " << c.length;
    }
}

TEST_F(RateDomesticTest, PriorityMailSizeRules)
{
    SetRateVersion("09/07/2014");
    // 12 x 12 x 12 in at zone 5: 1728 cubic inches, no dimensional weight;
    // 12.01 rounds to the same whole inches.
    for (int32_t length : {1200, 1201, 1249}) {
        Query q;
        q.mailClass = kREPriority;
        q.shape = kREShapeParcel;
        q.zone = 5;
        q.weight = 100;
        q.height = 1200;
        q.width = 1200;
        q.length = length;
        EXPECT_EQ(q.run(), 0) << length;
        EXPECT_EQ(q.price, 6150) << length;
        EXPECT_EQ(q.text(), "1 lb Priority Mail Rate Zone 5");
    }
    // 12 x 12 x 12.5 rounds to 13: 1872 cubic inches = 10 lb dimensional
    // weight, beyond the known 1 lb row.
    Query dim;
    dim.mailClass = kREPriority;
    dim.shape = kREShapeParcel;
    dim.zone = 5;
    dim.weight = 100;
    dim.height = 1200;
    dim.width = 1200;
    dim.length = 1250;
    EXPECT_EQ(dim.run(), kRENoRate);
    EXPECT_EQ(dim.weight, 1600);

    // Zone 4 and below: 85 in length plus girth makes a balloon piece of 20 lb.
    Query balloon;
    balloon.mailClass = kREPriority;
    balloon.shape = kREShapeParcel;
    balloon.zone = 4;
    balloon.weight = 480;
    balloon.height = 1000;
    balloon.width = 1000;
    balloon.length = 4500;
    EXPECT_EQ(balloon.run(), kRENoRate); // the 20 lb row is not known
    EXPECT_EQ(balloon.balloon, 1);
    EXPECT_EQ(balloon.weight, 3200);
}

TEST_F(RateDomesticTest, HugeSidesReachTheCapsAndRefusals)
{
    // Sides of hundreds of miles (up to the largest int32) must not wrap
    // around: a Priority Mail piece at zone 5 takes a dimensional weight above
    // 70 lb and is held at the 70 lb cap (whose price is not known), never
    // priced as the 1 lb it weighs; Parcel Select and Standard Post are
    // refused as longer than 130 in.
    auto cube = [](int32_t mailClass, int32_t shape, int32_t zone, int32_t classification, int32_t side) {
        Query q;
        q.mailClass = mailClass;
        q.shape = shape;
        q.zone = zone;
        q.weight = 160;
        q.height = q.width = q.length = side;
        q.cubic = 1;
        q.classification = classification;
        return q;
    };
    for (int32_t side : {400000000, 450000000, INT32_MAX}) {
        for (int32_t shape : {kREShapeParcel, kREShapeNonRectangular}) {
            Query q = cube(kREPriority, shape, 5, 0, side);
            EXPECT_EQ(q.run(), kRENoRate) << side << " " << shape;
            EXPECT_EQ(q.weight, 11200) << side << " " << shape;
            EXPECT_EQ(q.price, 0) << side << " " << shape;
        }
        // One huge side at zone 4 makes a balloon piece; still no 1 lb price.
        Query balloon = cube(kREPriority, kREShapeParcel, 4, 0, 100);
        balloon.length = side;
        EXPECT_EQ(balloon.run(), kRENoRate) << side;
        EXPECT_EQ(balloon.balloon, 1) << side;
        EXPECT_EQ(balloon.weight, 3200) << side;

        for (int32_t mailClass : {kREParcelSelect, kREStandardPost}) {
            Query q = cube(mailClass, kREShapeParcel, 1, 1, side);
            EXPECT_EQ(q.run(), kRELengthGirthOver130) << side << " " << mailClass;
        }
    }
}

TEST_F(RateDomesticTest, MetroPost)
{
    Query q;
    q.mailClass = kREMetroPost;
    q.shape = kREShapeParcel;
    q.weight = 50;
    ASSERT_EQ(q.run(), 0);
    EXPECT_EQ(q.price, 8000);
    EXPECT_EQ(q.weight, 4000);
    EXPECT_EQ(q.text(), "25 lbs Metro Post");
    q.weight = 4001;
    ASSERT_EQ(q.run(), 0);
    EXPECT_EQ(q.price, 20000);
    q.classification = 9;
    q.weight = 10;
    ASSERT_EQ(q.run(), 0);
    EXPECT_EQ(q.price, 8000);
    EXPECT_EQ(q.classification, 9);
}

TEST_F(RateDomesticTest, AccountClassificationsFallBackToCommercialPlus)
{
    // Account 122 has the commercial-plus flat-rate envelope.
    Query q;
    q.mailClass = kREPriority;
    q.shape = kREShapeFlatRateEnvelope;
    q.classification = 122;
    ASSERT_EQ(q.run(), 0);
    EXPECT_EQ(q.price, 4950);
    EXPECT_EQ(q.classification, 122);
    // Its weight table is not known, nor is commercial plus's: the query ends
    // at commercial plus with no rate, never at the retail table.
    Query weightPriced;
    weightPriced.mailClass = kREPriority;
    weightPriced.shape = kREShapeParcel;
    weightPriced.zone = 4;
    weightPriced.weight = 160;
    weightPriced.classification = 122;
    EXPECT_EQ(weightPriced.run(), kRENoRate);
    EXPECT_EQ(weightPriced.price, 0);
    EXPECT_EQ(weightPriced.classification, 2);
}

TEST_F(RateDomesticTest, ZoneNineRulesOfVersionSixteen)
{
    struct Case {
        const char *date;
        int32_t zone, classification;
        int32_t status, price, usedClassification;
    } cases[] = {
        // account 64 prices flat-rate pieces at zone 9 as commercial plus
        {"02/01/2014", 9, 64, 0, 4950, 2},
        {"02/01/2014", 8, 64, 0, 4950, 64},
        // accounts 107 and 151 at zone 9 take commercial base (one cent
        // less), whose prices are not part of the build: no rate at
        // commercial base, never the retail price
        {"02/01/2014", 9, 107, kRENoRate, 0, 1},
        {"02/01/2014", 9, 151, kRENoRate, 0, 1},
        {"02/01/2014", 8, 107, 0, 4950, 107},
        // only version 16 knows these rules
        {"09/07/2014", 9, 107, 0, 4950, 107},
        {"09/07/2014", 9, 64, 0, 4950, 64},
    };
    for (const Case &c : cases) {
        SetRateVersion(c.date);
        Query q;
        q.mailClass = kREPriority;
        q.shape = kREShapeFlatRateEnvelope;
        q.zone = c.zone;
        q.classification = c.classification;
        EXPECT_EQ(q.run(), c.status) << c.date << " " << c.zone << " " << c.classification;
        EXPECT_EQ(q.price, c.price) << c.date << " " << c.zone << " " << c.classification;
        EXPECT_EQ(q.classification, c.usedClassification) << c.date << " " << c.zone << " " << c.classification;
    }
}

TEST_F(RateDomesticTest, ExpressAndCriticalMailAccounts)
{
    struct Case {
        const char *date;
        int32_t mailClass, shape, zone, classification;
        int32_t status, price;
    } cases[] = {
        // account 157 at zone 9 of version 16: fixed flat-rate prices
        {"02/01/2014", kREExpress, kREShapeFlatRateEnvelope, 9, 157, 0, 17950},
        {"02/01/2014", kREExpress, kREShapeFlatRatePaddedEnvelope, 9, 157, 0, 17950},
        {"02/01/2014", kREExpress, kREShapeFlatRateLegalEnvelope, 9, 157, 0, 17950},
        {"02/01/2014", kREExpress, kREShapeFlatRateBox, 9, 157, 0, 44950},
        // elsewhere the account's own prices are not known: no rate, but the
        // classification is a registered one
        {"02/01/2014", kREExpress, kREShapeFlatRateEnvelope, 8, 157, kRENoRate, 0},
        {"09/07/2014", kREExpress, kREShapeFlatRateEnvelope, 9, 157, kRENoRate, 0},
        {"02/01/2014", kREExpress, kREShapeParcel, 4, 31, kRENoRate, 0},
        {"02/01/2014", kRECriticalMail, kREShapeLetter, 3, 64, kRENoRate, 0},
        {"02/01/2014", kRECriticalMailSignature, kREShapeFlat, 3, 65, kRENoRate, 0},
        // not an Express account
        {"02/01/2014", kREExpress, kREShapeFlatRateEnvelope, 9, 122, kREInvalidClassification, 0},
    };
    for (const Case &c : cases) {
        SetRateVersion(c.date);
        Query q;
        q.mailClass = c.mailClass;
        q.shape = c.shape;
        q.zone = c.zone;
        q.classification = c.classification;
        const int32_t status = q.run();
        EXPECT_EQ(status, c.status) << c.date << " " << c.mailClass << "/" << c.shape << " zone " << c.zone << " level "
                                    << c.classification;
        EXPECT_EQ(status == 0 ? q.price : 0, c.price)
            << c.date << " " << c.mailClass << "/" << c.shape << " zone " << c.zone;
    }
}

TEST_F(RateDomesticTest, CubicPricing)
{
    // An account with a weight table of its own and the commercial-plus
    // cubic prices. A cubic price that replaces the weight price leaves the
    // first value of its tier row in the weight: the tier (1 for the tier-1
    // row); otherwise the weight is the one the weight price charged (1 lb).
    const int32_t account = 192;
    registerInBothSlots(kREPriority, account,
                        MakeRateArray(kAccountWeights, RateRowForm::ZonedRows, "test account weights", 9));
    registerInBothSlots(kREPriorityCubicTable, account, FindBuiltInRateArray("MyPriorityRates2014PlusCubic"));
    struct Case {
        int32_t shape, zone, height, width, length, cubicWanted;
        int32_t price, cubicApplied, weight;
        const char *text;
    } cases[] = {
        // 5 x 5 x 5 in: 0.07 cubic ft, tier 1
        {kREShapeParcel, 1, 500, 500, 500, 1, 4580, 1, 1, "Cubic .10 Priority Mail Rate Zone 1"},
        {kREShapeParcel, 5, 500, 500, 500, 1, 4990, 1, 1, "Cubic .10 Priority Mail Rate Zone 5"},
        // no cubic pricing unless asked for
        {kREShapeParcel, 5, 500, 500, 500, 0, 6000, 0, 160, "1 lb Priority Mail Rate Zone 5"},
        // 9 x 9 x 10 in: tier 5 is dearer than the 1 lb price at zone 8
        {kREShapeParcel, 8, 900, 900, 1000, 1, 6950, 0, 160, "1 lb Priority Mail Rate Zone 8"},
        // 6 x 6 x 6 in: tier 2, whose prices are not known
        {kREShapeParcel, 1, 600, 600, 600, 1, 5600, 0, 160, "1 lb Priority Mail Rate Zone 1"},
        // a side over 18 in: no tier
        {kREShapeParcel, 1, 100, 100, 1801, 1, 5600, 0, 160, "1 lb Priority Mail Rate Zone 1"},
        // soft pack: the two longest sides, 10 + 8 in, tier 1
        {kREShapeSoftPack, 1, 1010, 800, 100, 1, 4580, 1, 1, "Cubic .10 - 10L + 8W Priority Mail Rate Zone 1"},
    };
    for (const Case &c : cases) {
        Query q;
        q.mailClass = kREPriority;
        q.shape = c.shape;
        q.zone = c.zone;
        q.weight = 100;
        q.height = c.height;
        q.width = c.width;
        q.length = c.length;
        q.classification = account;
        q.cubic = c.cubicWanted;
        EXPECT_EQ(q.run(), 0) << c.text;
        EXPECT_EQ(q.price, c.price) << c.text;
        EXPECT_EQ(q.cubic, c.cubicApplied) << c.text;
        EXPECT_EQ(q.text(), c.text);
        EXPECT_EQ(q.weight, c.weight) << c.text;
        EXPECT_EQ(q.classification, account) << c.text;

        // The older entry point of the rate classes answers the same.
        int32_t weight = 100, oversize = 0, machinable = 1, balloon = 0, price = 0;
        int32_t classification = account, cubic = c.cubicWanted;
        EXPECT_EQ(GetDomesticRate2010(kREPriority, c.shape, c.zone, 0, &weight, c.height, c.width, c.length, &oversize,
                                      &machinable, &balloon, &price, nullptr, "", 0, &classification, &cubic),
                  0)
            << c.text;
        EXPECT_EQ(price, c.price) << c.text;
        EXPECT_EQ(cubic, c.cubicApplied) << c.text;
        EXPECT_EQ(weight, c.weight) << c.text;
    }
}

TEST_F(RateDomesticTest, CommercialPlusWithoutItsWeightTableHasNoRate)
{
    // Commercial plus's Priority Mail weight table is not part of the build.
    // A 1 lb piece at commercial plus without a cubic wish answers no rate
    // and reports commercial plus: never a retail weight price.
    for (const char *date : {"02/01/2014", "09/07/2014"}) {
        SetRateVersion(date);
        Query q;
        q.mailClass = kREPriority;
        q.shape = kREShapeParcel;
        q.zone = 4;
        q.weight = 100;
        q.height = q.width = q.length = 400; // 4 x 4 x 4 in: tier 1
        q.classification = 2;
        EXPECT_EQ(q.run(), kRENoRate) << date;
        EXPECT_EQ(q.price, 0) << date;
        EXPECT_EQ(q.classification, 2) << date;
        EXPECT_EQ(q.text(), "") << date;
    }
}

TEST_F(RateDomesticTest, CommercialPlusCubicRowsThatAreGivenAnswerTheirPrice)
{
    // Commercial plus's cubic rows of tiers 1 and 5 are given, tiers 2-4 are
    // not; its weight table is not part of the build. A cubic wish answers
    // the price of a given row at the level asked, in both 2014 price lists;
    // a row that is not given answers no rate, never a retail price.
    struct Case {
        int32_t zone, side; // a cube of `side` hundredths of an inch
        int32_t status, price, cubicApplied;
        const char *text;
    } cases[] = {
        {9, 400, 0, 6980, 1, "Cubic .10 Priority Mail Rate Zone 9"}, // 4 x 4 x 4 in: tier 1
        {4, 400, 0, 4740, 1, "Cubic .10 Priority Mail Rate Zone 4"},
        {1, 500, 0, 4580, 1, "Cubic .10 Priority Mail Rate Zone 1"},
        {8, 950, 0, 16970, 1, "Cubic .50 Priority Mail Rate Zone 8"}, // 9.5 in: tier 5
        {9, 600, kRENoRate, 0, 1, ""},                                // 6 x 6 x 6 in: tier 2
    };
    for (const char *date : {"02/01/2014", "09/07/2014"}) {
        SetRateVersion(date);
        for (const Case &c : cases) {
            Query q;
            q.mailClass = kREPriority;
            q.shape = kREShapeParcel;
            q.zone = c.zone;
            q.weight = 100;
            q.height = q.width = q.length = c.side;
            q.classification = 2;
            q.cubic = 1;
            EXPECT_EQ(q.run(), c.status) << date << " " << c.text;
            EXPECT_EQ(c.status == 0 ? q.price : 0, c.price) << date << " " << c.text;
            EXPECT_EQ(q.classification, 2) << date << " " << c.text;
            EXPECT_EQ(q.text(), c.text) << date;
            if (c.status == 0) {
                EXPECT_EQ(q.cubic, c.cubicApplied) << date << " " << c.text;
            }

            // The entry point of the rate classes answers the same.
            int32_t weight = 100, oversize = 0, machinable = 1, balloon = 0, price = 0, classification = 2, cubic = 1;
            EXPECT_EQ(GetDomesticRate2010(kREPriority, kREShapeParcel, c.zone, 0, &weight, c.side, c.side, c.side,
                                          &oversize, &machinable, &balloon, &price, nullptr, "", 0, &classification,
                                          &cubic),
                      c.status)
                << date << " " << c.text;
            EXPECT_EQ(c.status == 0 ? price : 0, c.price) << date << " " << c.text;
        }
    }
}

TEST_F(RateDomesticTest, CubicRowsByWeightAndTierLeaveTheRowWeight)
{
    // An account's weight-and-tier table (class key 203): rows of weight in
    // ounces, tier, then the zone prices 1-2, 3 ... 9.
    static const int32_t hybrid[] = {
        8,  1, 300, 301, 302, 303, 304, 305, 306, 307, 8,  2, 310, 311, 312, 313, 314, 315, 316, 317,
        16, 1, 320, 321, 322, 323, 324, 325, 326, 327, 16, 2, 330, 331, 332, 333, 334, 335, 336, 337,
        32, 1, 340, 341, 342, 343, 344, 345, 346, 347, 0,  0, 0,   0,   0,   0,   0,   0,   0,   0,
    };
    const int32_t account = 190;
    registerInBothSlots(kREHybridCubicTable, account,
                        MakeRateArray(hybrid, RateRowForm::CubicTierRows, "test hybrid cubic", 10));
    registerInBothSlots(kREPriority, account,
                        MakeRateArray(kAccountWeights, RateRowForm::ZonedRows, "test account weights", 9));
    struct Case {
        int32_t side, zone;
        int32_t price, weight;
    } cases[] = {
        // 1 lb charged: the first 16 oz row of the tier, whose weight (16 oz,
        // as stored) comes back
        {500, 1, 3200, 16},
        {600, 3, 3310, 16}, // 6 x 6 x 6 in: tier 2
    };
    for (const Case &c : cases) {
        Query q;
        q.mailClass = kREPriority;
        q.shape = kREShapeParcel;
        q.zone = c.zone;
        q.weight = 100;
        q.height = q.width = q.length = c.side;
        q.classification = account;
        q.cubic = 1;
        EXPECT_EQ(q.run(), 0) << c.side;
        EXPECT_EQ(q.price, c.price) << c.side;
        EXPECT_EQ(q.cubic, 1) << c.side;
        EXPECT_EQ(q.weight, c.weight) << c.side;
    }
}

TEST_F(RateDomesticTest, CubicTierOutlastsTheDimensionalWeight)
{
    // An account with its own weight table (1 lb and 11 lb rows) and tier
    // rows (tiers 1 and 5); zone 5 reads the fifth word of a row, below
    // commercial plus's tier-5 price (1150) that the lower-rate check sees.
    static const int32_t tiers[] = {
        1,    400,  410,  420,  430, 440, 450, 460, 470, 5, 1100, 1110, 1120, 1140,
        1210, 1220, 1230, 1240, 0,   0,   0,   0,   0,   0, 0,    0,    0,
    };
    const int32_t account = 191;
    registerInBothSlots(kREPriority, account,
                        MakeRateArray(kAccountWeights, RateRowForm::ZonedRows, "test account weights", 9));
    registerInBothSlots(kREPriorityCubicTable, account,
                        MakeRateArray(tiers, RateRowForm::CubicRows, "test account tiers", 9));
    // A soft pack of 18 x 18 x 6 in at zone 5: 18 + 18 in is tier 5, and its
    // 1944 cubic inches make an 11 lb dimensional weight. The weight price
    // charged by dimensional weight gives back the entry weight; the cubic
    // price leaves the tier.
    struct Case {
        int32_t cubicWanted;
        int32_t price, cubicApplied, weight;
    } cases[] = {
        {0, 30300, 0, 160},
        {1, 11400, 1, 5},
    };
    for (const Case &c : cases) {
        Query q;
        q.mailClass = kREPriority;
        q.shape = kREShapeSoftPack;
        q.zone = 5;
        q.weight = 160;
        q.height = 600;
        q.width = 1800;
        q.length = 1800;
        q.classification = account;
        q.cubic = c.cubicWanted;
        EXPECT_EQ(q.run(), 0) << c.cubicWanted;
        EXPECT_EQ(q.price, c.price) << c.cubicWanted;
        EXPECT_EQ(q.cubic, c.cubicApplied) << c.cubicWanted;
        EXPECT_EQ(q.weight, c.weight) << c.cubicWanted;
        EXPECT_EQ(q.classification, account) << c.cubicWanted;
    }
}

TEST_F(RateDomesticTest, AccountCubicPriceThatAlwaysWins)
{
    // Account 75 takes its cubic price even where it is not the lower one (here
    // where there is no weight price at all), and reports no cubic flag; the
    // weight still holds the tier row's tier.
    struct Case {
        int32_t side, cubicWanted;
        int32_t status, price, weight;
    } cases[] = {
        {500, 1, 0, 4580, 1}, // tier 1 of the commercial-plus cubic table, zone 1
        // no cubic wish: the weight price, whose table (the account's own, then
        // commercial plus's) is not part of the build
        {500, 0, kRENoRate, 0, 100},
    };
    for (const Case &c : cases) {
        Query q;
        q.mailClass = kREPriority;
        q.shape = kREShapeParcel;
        q.zone = 1;
        q.weight = 100;
        q.height = q.width = q.length = c.side;
        q.classification = 75;
        q.cubic = c.cubicWanted;
        EXPECT_EQ(q.run(), c.status) << c.cubicWanted;
        EXPECT_EQ(q.price, c.price) << c.cubicWanted;
        EXPECT_EQ(q.cubic, 0) << c.cubicWanted;
        EXPECT_EQ(q.weight, c.weight) << c.cubicWanted;
    }
}

TEST_F(RateDomesticTest, OlderEntryPoints)
{
    int32_t weight = 10, oversize = 0, machinable = 0, balloon = 0, price = 0;
    EXPECT_EQ(GetDomesticRate(kREFirstClass, kREShapeLetter, 1, 0, &weight, 0, 0, 0, &oversize, &machinable, &balloon,
                              &price, nullptr, "", 0, 0),
              0);
    EXPECT_EQ(price, 690);
    int32_t classification = 2, cubic = 0;
    weight = 160;
    EXPECT_EQ(GetDomesticRate2010(kREPriority, kREShapeFlatRateEnvelope, 3, 0, &weight, 0, 0, 0, &oversize, &machinable,
                                  &balloon, &price, nullptr, "", 0, &classification, &cubic),
              0);
    EXPECT_EQ(price, 4950);
    EXPECT_TRUE(IsFlatRateEnvelope(5));
    EXPECT_TRUE(IsFlatRateEnvelope(17));
    EXPECT_FALSE(IsFlatRateEnvelope(6));
    EXPECT_TRUE(IsFlatRateBox(19));
    EXPECT_FALSE(IsFlatRateBox(12));
}

} // namespace

// Weight rows read by the domestic query: at every zone and weight the query
// answers the first row at least as heavy as the piece, as the zoned-row
// reader of the registry reads it, in both rate versions.
TEST_F(RateDomesticTest, WeightRowsAnswerAsTheZonedRowReaderReadsThem)
{
    struct Case {
        int32_t mailClass, shape, maxOunces;
    } cases[] = {
        {kREPriority, kREShapeParcel, 1120},
        {kREExpress, kREShapeParcel, 1120},
        {kREBoundPrintedMatter, kREShapeParcel, 240},
    };
    int tablesRead = 0;
    for (const char *date : {"02/01/2014", "09/07/2014"}) {
        SetRateVersion(date);
        for (const Case &c : cases) {
            int32_t level = 0;
            const RateArray leaf = GetRateInternal(c.mailClass, c.shape, &level);
            int checkedPrices = 0;
            for (int32_t zone = 0; zone <= 9; ++zone) {
                for (int32_t ounces = 1; ounces <= c.maxOunces; ounces += ounces < 100 ? 1 : 7) {
                    int32_t rowWeight = 0, rowPrice = 0;
                    for (int32_t row = 0;; ++row) {
                        int32_t w = 0, p = 0;
                        GetZonedDomesticRateInternal(leaf, zone, row, &w, &p);
                        if (w <= 0)
                            break;
                        if (w >= ounces) {
                            rowWeight = w;
                            rowPrice = p;
                            break;
                        }
                    }
                    Query q;
                    q.mailClass = c.mailClass;
                    q.shape = c.shape;
                    q.zone = zone;
                    q.weight = ounces * 10;
                    const int32_t status = q.run();
                    if (rowPrice > 0) {
                        EXPECT_EQ(status, 0)
                            << date << " class " << c.mailClass << " zone " << zone << " oz " << ounces;
                        EXPECT_EQ(q.price, rowPrice * 10)
                            << date << " class " << c.mailClass << " zone " << zone << " oz " << ounces;
                        EXPECT_EQ(q.weight, rowWeight * 10)
                            << date << " class " << c.mailClass << " zone " << zone << " oz " << ounces;
                        ++checkedPrices;
                    } else {
                        EXPECT_EQ(status, kRENoRate)
                            << date << " class " << c.mailClass << " zone " << zone << " oz " << ounces;
                    }
                }
            }
            // A table of weight rows gives prices: its rows were read.
            if (leaf.form == RateRowForm::ZonedRows) {
                EXPECT_GT(checkedPrices, 0) << date << " class " << c.mailClass;
                ++tablesRead;
            }
        }
    }
    EXPECT_GT(tablesRead, 0);
}
