// Rate description texts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "rateengine/RateDescription.h"
#include "rateengine/RateEngine.h"

namespace {

std::string domestic(const DomesticRateTextInput &in)
{
    char buffer[kStealthTextSize];
    std::memset(buffer, 'x', sizeof buffer);
    FormatDomesticRateText(buffer, in);
    EXPECT_EQ(buffer[kStealthTextSize - 1], '\0');
    return buffer;
}

DomesticRateTextInput piece(int32_t mailClass, int32_t shape, int32_t zone, int32_t weight)
{
    DomesticRateTextInput in;
    in.mailClass = mailClass;
    in.shape = shape;
    in.zone = zone;
    in.weight = weight;
    in.entryWeight = weight;
    return in;
}

TEST(RateDescription, FixedTextsOfFlatRateShapes)
{
    struct Case {
        int32_t mailClass, shape;
        bool premium;
        const char *text;
    } cases[] = {
        {kREPriority, 5, false, "Flat Rate Envelope, Priority Mail"},
        {kREPriority, 17, false, "Flat Rate Envelope, Priority Mail"},
        {kREPriority, 6, false, "Medium Flat Rate Box, Priority Mail"},
        {kREPriority, 8, false, "Large Flat Rate Box, Priority Mail"},
        {kREPriority, 9, false, "Small Flat Rate Box, Priority Mail"},
        {kREPriority, 10, false, "Flat Rate Padded Envelope, Priority Mail"},
        {kREPriority, 11, false, "Legal Flat Rate Envelope, Priority Mail"},
        {kREPriority, 12, false, "Regional Rate Box A, Priority Mail"},
        {kREPriority, 13, false, "Regional Rate Box B, Priority Mail"},
        {kREPriority, 21, false, "Regional Rate Box C, Priority Mail"},
        {kREPriority, 20, false, "Large Flat Rate Board Game Box, Priority Mail"},
        {kREExpress, 5, false, "Flat Rate Envelope, PM Express"},
        {kREExpress, 14, true, "Flat Rate Envelope, PM Express Premium"},
        {kREExpress, 6, false, "Flat Rate Box, PM Express"},
        {kREExpress, 6, true, "Flat Rate Box, PM Express Premium"},
        {kREExpress, 10, false, "Flat Rate Padded Envelope, PM Express"},
        {kREExpress, 10, true, "Flat Rate Padded Envelope, PM Express Premium"},
        {kREExpress, 11, true, "Legal Flat Rate Envelope, PM Express"},
    };
    for (const Case &c : cases) {
        DomesticRateTextInput in = piece(c.mailClass, c.shape, 4, 160);
        in.premiumService = c.premium;
        EXPECT_EQ(domestic(in), c.text);
    }
}

TEST(RateDescription, WeightClassZoneAndMarks)
{
    struct Case {
        DomesticRateTextInput in;
        const char *text;
    };
    auto with = [](DomesticRateTextInput in, auto change) {
        change(in);
        return in;
    };
    const Case cases[] = {
        {piece(kREPriority, 3, 3, 80), "1/2 lb Priority Mail Rate Zone 3"},
        {piece(kREPriority, 3, 0, 320), "2 lbs Priority Mail Rate Local"},
        {with(piece(kREPriority, 3, 4, 3200),
              [](auto &i) {
                  i.balloon = true;
                  i.entryWeight = 480;
              }),
         "3 lbs Priority Mail Rate Zone 4 20 LB RATE"},
        {with(piece(kREPriority, 3, 6, 1600), [](auto &i) { i.dimensionalWeight = true; }),
         "10 lbs Priority Mail Rate Zone 6 DIM WEIGHT"},
        {with(piece(kREPriority, 3, 5, 160),
              [](auto &i) {
                  i.cubic = true;
                  i.cubicTier = 3;
              }),
         "Cubic .30 Priority Mail Rate Zone 5"},
        {with(piece(kREPriority, 22, 5, 160),
              [](auto &i) {
                  i.cubic = true;
                  i.cubicTier = 2;
                  i.cubicSide1 = 1475;
                  i.cubicSide2 = 1000;
              }),
         "Cubic .20 - 14L + 10W Priority Mail Rate Zone 5"},
        {with(piece(kREPriority, 101, 2, 160), [](auto &i) { i.trayEntry = 1; }),
         "Half Tray Box, PMOD DDU Rate Zone 2"},
        {piece(kREPriority, 104, 2, 160), "Flat Tub Tray Box, PMOD Facility Rate Zone 2"},
        {piece(kREPriority, 105, 2, 160), "1 lb Sack PMOD Zone 2"},
        {piece(kREExpress, 3, 8, 80), "8 oz PM Express Rate Zone 8"},
        {with(piece(kREExpress, 3, 8, 160), [](auto &i) { i.premiumService = true; }),
         "1 lb PM Express Premium Service Zone 8"},
        {piece(kREExpress, 105, 1, 160), "1 lb Sack EMOD Zone 1"},
        {with(piece(kREFirstClass, 1, 5, 10), [](auto &i) { i.machinable = false; }),
         "1 oz First-Class Letter Rate NON-MACH"},
        {piece(kREFirstClass, 2, 5, 30), "3 oz First-Class Flats Rate"},
        {piece(kREFirstClass, 7, 5, 10), "1 oz Postcard Rate"},
        {with(piece(kREFirstClass, 3, 5, 159), [](auto &i) { i.classification = 1; }),
         "15.9 oz First-Class Package Rate"},
        {piece(kREFirstClass, 4, 5, 40), "4 oz First-Class Parcel Rate"},
        {piece(kREFirstClass, 9, 5, 40), "4 oz First-Class Rate"},
        {with(piece(kREParcelSelect, 3, 7, 3200),
              [](auto &i) {
                  i.oversize = true;
                  i.machinable = false;
              }),
         "OVERSIZE Parcel Select NPS Rate Zone 7"},
        {piece(kREParcelSelect, 3, 0, 320), "2 lbs Parcel Select NPS Rate Local"},
        {with(piece(kREStandardPost, 3, 2, 3200),
              [](auto &i) {
                  i.balloon = true;
                  i.entryWeight = 160;
              }),
         "1 lb Standard Post Rate Zone 2 20 LB RATE"},
        {with(piece(kREParcelPost, 3, 2, 160), [](auto &i) { i.machinable = false; }),
         "1 lb Parcel Post Rate Zone 2 NON-MACH"},
        {piece(kREBoundPrintedMatter, 2, 3, 240), "24 oz Bound Printed Matter Rate Zone 3"},
        {piece(kREMediaMail, 3, 3, 480), "3 lbs Media Mail Rate"},
        {piece(kRELibraryMail, 3, 3, 160), "1 lb Library Mail Rate"},
        {piece(kREMetroPost, 3, 1, 4000), "25 lbs Metro Post"},
        {piece(kRECriticalMail, 1, 3, 30), "Critical Mail Letter Rate"},
        {piece(kRECriticalMailSignature, 2, 3, 30), "Critical Mail Flats Rate"},
        {piece(kRECriticalMail, 3, 3, 30), "3 oz"},
        {piece(77, 3, 3, 30), "3 oz"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(domestic(c.in), c.text);
}

TEST(RateDescription, InternationalTexts)
{
    struct Case {
        int32_t mailClass, shape, weight;
        bool machinable;
        const char *text;
    } cases[] = {
        {kREExpressIntl, 10, 80, true, "Flat Rate Envelope, PM Express Intl"},
        {kREExpressIntl, 6, 80, true, "Flat Rate Box, PM Express Intl"},
        {kREExpressIntl, 8, 160, true, "1 lb PM Express Intl Rate"},
        {kREPriorityIntl, 15, 80, true, "Flat Rate Envelope, Priority Mail Intl"},
        {kREPriorityIntl, 6, 80, true, "Medium Flat Rate Box, Priority Mail Intl"},
        {kREPriorityIntl, 20, 80, true, "Large Flat Rate Box, Priority Mail Intl"},
        {kREPriorityIntl, 9, 80, true, "Small Flat Rate Box, Priority Mail Intl"},
        {kREPriorityIntl, 13, 80, true, "Regional Rate Box B, Priority Mail Intl"},
        {kREPriorityIntl, 18, 80, true, "DVD Flat Rate Box, Priority Mail Intl"},
        {kREPriorityIntl, 19, 80, true, "Large Video Flat Rate Box, Priority Mail Intl"},
        {kREPriorityIntl, 3, 320, true, "2 lbs Priority Mail Intl Rate"},
        {kREFirstClassIntl, 1, 35, false, "3.5 oz First-Class Intl Letter Rate NON-MACH"},
        {kREFirstClassIntl, 1, 35, true, "3.5 oz First-Class Intl Letter Rate"},
        {kREFirstClassIntl, 2, 40, true, "4 oz First-Class Intl Flats Rate"},
        {kREFirstClassIntl, 7, 10, true, "1 oz First-Class Intl Postcard Rate"},
        {kREFirstClassIntl, 4, 40, true, "4 oz First-Class Intl Parcel Rate"},
        {kREFirstClassIntl, 9, 40, true, "4 oz First-Class Intl Rate"},
        {kREGlobalExpressGuaranteed, 3, 80, true, "8 oz GXG Intl Rate"},
        {kREMBags, 3, 1760, true, "11 lbs M-Bag Intl Rate"},
        {kREFirstClassIntl, 5, 40, true, ""},
        {kREMBags, 6, 40, true, ""},
        {kREIntlPriorityAirmail, 3, 40, true, "4 oz"},
    };
    for (const Case &c : cases) {
        char buffer[kStealthTextSize];
        std::memset(buffer, 'x', sizeof buffer);
        FormatIntlRateText(buffer, c.mailClass, c.shape, c.weight, c.machinable);
        EXPECT_STREQ(buffer, c.text);
    }
}

} // namespace
