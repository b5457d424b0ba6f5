#include "rateengine/RateIntl.h"

#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"
#include "rateengine/RateInternal.h"
#include "rateengine/RateDescription.h"
#include "rateengine/RateRegistry.h"
#include "rateengine/RateTables.h"
#include "rateengine/RateWeights.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

namespace {

using tolvane::rates::CeilDiv;
using tolvane::rates::WholeInchesOfSide;

// First row whose weight (column 0) is at least `atLeast`; nullopt past the
// last row (a row weight of 0 or less ends the rows).
std::optional<int32_t> findRow(const RateArray &rows, int64_t atLeast)
{
    for (int32_t r = 0; r < rows.rowCount(); ++r) {
        const int32_t w = rows.at(r, 0);
        if (w <= 0)
            break;
        if (w >= atLeast)
            return r;
    }
    return std::nullopt;
}

// True when the class has a leaf of its own for this shape at this
// classification, rather than the class's default (shape 0) table that a
// look-up falls back to. A flat-rate price is read from the first row of
// the shape's own table; read from the weight table instead it would be the
// lightest weight's price, which is not the flat-rate price.
bool hasOwnShapeLeaf(int32_t mailClass, int32_t shape, int32_t classification)
{
    return HasExactRateLeaf(FindRateTableSlot(gRateTables, giRateTable), mailClass, classification, shape);
}

// The price of a price-group column; -1 (group not served at that weight)
// and 0 are no price.
std::optional<int32_t> groupPrice(const RateArray &rows, int32_t row, int32_t group)
{
    if (group <= 0 || group >= rows.rowWidth)
        return std::nullopt;
    const int32_t p = rows.at(row, group);
    if (p <= 0)
        return std::nullopt;
    return p;
}

// Global Express Guaranteed dimensional weight in pounds, 0 when the piece is
// not large enough for it (or a dimension is not given).
int64_t gxgDimensionalPounds(int32_t height, int32_t width, int32_t length, int32_t shape)
{
    if (height <= 0 || width <= 0 || length <= 0)
        return 0;
    const int64_t volume = WholeInchesOfSide(height) * WholeInchesOfSide(width) * WholeInchesOfSide(length);
    if (shape == kREShapeNonRectangular) {
        // 0.785 of the box volume, kept exact in thousandths.
        const int64_t scaled = volume * 785;
        if (scaled <= 1728 * 1000)
            return 0;
        return CeilDiv(scaled, 166 * 1000);
    }
    if (volume <= 1728)
        return 0;
    return CeilDiv(volume, 166);
}

} // namespace

bool IsResellerGEPS(int32_t classification)
{
    static constexpr std::array<int32_t, 10> kCodes = {11138, 11143, 11144, 11145, 11194,
                                                       11195, 11200, 11253, 11254, 11259};
    return std::find(kCodes.begin(), kCodes.end(), classification) != kCodes.end();
}

bool ValidDimensionsForClassAndCountry(int32_t height, int32_t width, int32_t length, int32_t mailClass,
                                       const CountryInfo *country)
{
    if (height <= 0 || width <= 0 || length <= 0)
        return true;
    // Longest side first (length winning ties, then width).
    std::array<int64_t, 3> sides = {length, width, height};
    std::stable_sort(sides.begin(), sides.end(), [](int64_t a, int64_t b) { return a > b; });
    const int64_t longest = sides[0];
    const int64_t lengthPlusGirth = sides[0] + 2 * (sides[1] + sides[2]);
    auto limit = [country](CountryField f) { return int64_t(country->value(f)) * 100; };
    switch (mailClass) {
    case kREExpressIntl:
        if (!country)
            return true;
        return lengthPlusGirth <= limit(kCountryFieldPMEIMaxLengthPlusGirth) &&
            longest <= limit(kCountryFieldPMEIMaxLength);
    case kREGlobalExpressGuaranteed:
        if (!country)
            return true;
        return length <= limit(kCountryFieldGXGMaxDimension1) && width <= limit(kCountryFieldGXGMaxDimension2) &&
            height <= limit(kCountryFieldGXGMaxDimension3) &&
            lengthPlusGirth <= limit(kCountryFieldGXGMaxLengthPlusGirth);
    case kREPriorityIntl:
        if (!country)
            return true;
        return lengthPlusGirth <= limit(kCountryFieldPMIMaxLengthPlusGirth) &&
            longest <= limit(kCountryFieldPMIMaxLength);
    case kREFirstClassIntl:
        return longest <= 2400 && sides[0] + sides[1] + sides[2] <= 3600;
    default:
        return true;
    }
}

int32_t GetIntlRate2010(const char *country, int32_t mailClass, int32_t shape, int32_t *weight, int32_t height,
                        int32_t width, int32_t length, int32_t *machinable, int32_t *classification, int32_t *price,
                        char *stealth)
{
    if (stealth)
        std::memset(stealth, 0, kIntlStealthTextSize);
    int32_t localWeight = 0;
    int32_t localClassification = 0;
    int32_t localPrice = 0;
    if (!weight)
        weight = &localWeight;
    if (!classification)
        classification = &localClassification;
    if (!price)
        price = &localPrice;
    const int32_t entryWeight = *weight;

    if (!gbInitialized)
        return kRENotInitialized;
    if (!IsIntlClass(mailClass))
        return kREUnknownClass;
    if (*classification > 9 &&
        !IsValidRateClassificationForRateClassAndShape(*classification, mailClass, giRateTable, 0))
        return kREInvalidClassification;
    if ((shape == kREShapeRegionalBoxA || shape == kREShapeRegionalBoxB || shape == kREShapeRegionalBoxC) &&
        !IsValidRateClassificationForRateClassAndShape(*classification, mailClass, giRateTable, shape))
        return kREInvalidClassification;

    const CountryInfo *rec = nullptr;
    char code[3] = {0, 0, 0};
    if (GetCountryCodeForName(country, code, &rec) != kRESuccess || !rec)
        return kREClassNotOffered;

    std::optional<BannedList> banned;
    if (mailClass == kREExpressIntl)
        banned = BannedList::EMI;
    else if (mailClass == kREPriorityIntl)
        banned = BannedList::PMI;
    else if (mailClass == kREMBags || mailClass == kREFirstClassIntl)
        banned = BannedList::FCMI;
    if (banned && IsCountryCodeBanned(*banned, code))
        return kREClassNotOffered;

    const int32_t group = GetCountryGroup(mailClass, shape, country);
    if (group == 0)
        return kREClassNotOffered;
    const int32_t maxWeight = GetCountryMaxWeight(mailClass, shape, country);
    if (*weight > maxWeight)
        return kREOverweight;
    if (!ValidDimensionsForClassAndCountry(height, width, length, mailClass, rec))
        return kRELengthGirthOver130;

    // Only the classes priced from a table need one; IPA, ISAL, e-Packet and
    // the consolidator class have no prices and answer 0 below.
    const RateArray rows = GetRateInternal(mailClass, shape, classification);
    const bool pricedFromTable = mailClass == kREFirstClassIntl || mailClass == kREExpressIntl ||
        mailClass == kREGlobalExpressGuaranteed || mailClass == kREPriorityIntl || mailClass == kREMBags;
    if (!rows && pricedFromTable)
        return kRENoRate;

    const bool flatRateShape =
        (mailClass == kREExpressIntl && (shape == 5 || shape == 6 || shape == 10 || shape == 11)) ||
        (mailClass == kREPriorityIntl && (shape == 5 || shape == 6 || (shape >= 8 && shape <= 21)));
    const bool flatRateTableMissing = flatRateShape && !hasOwnShapeLeaf(mailClass, shape, *classification);

    const bool isMachinable = !machinable || *machinable != 0;
    std::optional<int64_t> cents;
    // A missing flat-rate table prices nothing (class 0 falls to the default).
    switch (flatRateTableMissing ? 0 : mailClass) {
    case kREFirstClassIntl:
        if (shape == kREShapeLetter || shape == kREShapePostcard) {
            if (auto r = findRow(rows, *weight)) {
                *weight = rows.at(*r, 0);
                if (auto p = groupPrice(rows, *r, group)) {
                    cents = *p;
                    if (!isMachinable)
                        *cents += FirstClassIntlNonMachinableSurcharge(giRateTable);
                }
            }
        } else if (shape == kREShapeFlat || shape == kREShapeParcel || shape == kREShapeNonRectangular) {
            if (auto r = findRow(rows, CeilDiv(*weight, 10))) {
                *weight = rows.at(*r, 0) * 10;
                if (auto p = groupPrice(rows, *r, group))
                    cents = *p;
            }
        }
        break;
    case kREExpressIntl:
        if (flatRateShape) {
            if (auto p = groupPrice(rows, 0, group))
                cents = *p;
        } else if (auto r = findRow(rows, CeilDiv(*weight, 10))) {
            *weight = rows.at(*r, 0) * 10;
            if (auto p = groupPrice(rows, *r, group))
                cents = *p;
        }
        break;
    case kREGlobalExpressGuaranteed: {
        const int64_t dimPounds = gxgDimensionalPounds(height, width, length, shape);
        if (dimPounds > 0) {
            const int64_t raised = std::max<int64_t>(*weight, dimPounds * 160);
            *weight = int32_t(std::min<int64_t>(raised, maxWeight));
        }
        if (auto r = findRow(rows, CeilDiv(*weight, 10))) {
            *weight = rows.at(*r, 0) * 10;
            if (auto p = groupPrice(rows, *r, group))
                cents = *p;
        }
        break;
    }
    case kREPriorityIntl:
        if (flatRateShape) {
            if (auto p = groupPrice(rows, 0, group))
                cents = *p;
        } else {
            const int64_t ounces = CeilDiv(*weight, 10);
            for (int32_t r = 0; r < rows.rowCount(); ++r) {
                const int32_t pounds = rows.at(r, 0);
                if (pounds <= 0)
                    break;
                if (int64_t(pounds) * 16 >= ounces) {
                    *weight = pounds * 160;
                    if (auto p = groupPrice(rows, r, group))
                        cents = *p;
                    break;
                }
            }
        }
        break;
    case kREMBags: {
        const int64_t pounds = CeilDiv(*weight, 160);
        // Row 1: the price up to 11 lb by group; row 2: each further pound.
        const int32_t base = group < rows.rowWidth ? rows.at(0, group) : 0;
        if (base > 0) {
            if (pounds > 11) {
                const int32_t perPound = rows.at(1, group);
                if (perPound > 0)
                    cents = base + (pounds - 11) * int64_t(perPound);
            } else {
                cents = base;
            }
        }
        break;
    }
    default:
        break; // 35, 38, 39, 47, 49: no price
    }

    if (!cents) {
        if (*classification < 10) {
            *price = 0;
            return kRESuccess;
        }
        int32_t retry = kRECommercialPlus;
        if (group == 2 && entryWeight >= 7041 && (mailClass == kREExpressIntl || mailClass == kREPriorityIntl) &&
            IsResellerGEPS(*classification))
            retry = kRECommercialBase;
        *classification = retry;
        *weight = entryWeight;
        return GetIntlRate2010(country, mailClass, shape, weight, height, width, length, machinable, classification,
                               price, stealth);
    }

    *price = int32_t(std::clamp<int64_t>(*cents * 10, 0, INT32_MAX));
    if (stealth)
        FormatIntlRateText(stealth, mailClass, shape, *weight, isMachinable);
    return kRESuccess;
}

int32_t GetIntlRate2009(const char *country, int32_t mailClass, int32_t shape, int32_t *weight, int32_t height,
                        int32_t width, int32_t length, int32_t *machinable, int32_t classification, int32_t *price,
                        char *stealth)
{
    int32_t c = classification;
    return GetIntlRate2010(country, mailClass, shape, weight, height, width, length, machinable, &c, price, stealth);
}

int32_t GetIntlRate(const char *country, int32_t mailClass, int32_t shape, int32_t *weight, int32_t height,
                    int32_t width, int32_t length, int32_t *machinable, int32_t commercial, int32_t *price,
                    char *stealth)
{
    return GetIntlRate2009(country, mailClass, shape, weight, height, width, length, machinable, commercial ? 1 : 0,
                           price, stealth);
}
