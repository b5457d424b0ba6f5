#include "rateengine/RateDomestic.h"

#include <algorithm>
#include <cstring>

#include "rateengine/RateDescription.h"
#include "rateengine/RateEngine.h"
#include "rateengine/RateInternal.h"
#include "rateengine/RateRegistry.h"
#include "rateengine/RateTables.h"
#include "rateengine/RateWeights.h"

namespace {

using tolvane::rates::CeilDiv;
using tolvane::rates::IsAnyOf;
using tolvane::rates::WholeInchesOfSide;

// Flat-rate shapes of the zone-9 rules and the one-cent adjustments: every
// flat-rate envelope and box.
bool isZoneNineFlatRateShape(int32_t shape) { return IsFlatRateEnvelope(shape) || IsFlatRateBox(shape); }

// Whole ounces and whole pounds of a weight in tenths of an ounce, rounded
// up, at least 1.
int32_t wholeOunces(int32_t weight) { return static_cast<int32_t>(std::max<int64_t>(1, CeilDiv(weight, 10))); }
int32_t wholePounds(int32_t weight) { return static_cast<int32_t>(std::max<int64_t>(1, CeilDiv(weight, 160))); }

// The price of the zone in the first row of a one-row table (flat-rate,
// regional-box, Critical Mail and oversize rows). Only a table written as one
// zoned row is read this way; anything else (a zoned weight table reached
// through the default leaf, an older single value) has no such price.
int32_t firstRowPrice(const RateArray &leaf, int32_t zone)
{
    if (!leaf || leaf.form != RateRowForm::OneZonedRow)
        return 0;
    int32_t rowWeight = 0, price = 0;
    GetZonedDomesticRateInternal(leaf, zone, 0, &rowWeight, &price);
    return price;
}

// Zoned weight rows: the first row whose weight (ounces) is at least
// `ounces`. False past the end row.
bool zonedByOunces(const RateArray &leaf, int32_t zone, int32_t ounces, int32_t *rowWeight, int32_t *price)
{
    // Rows as GetZonedDomesticRateInternal reads them, read here directly.
    const int32_t width = giRateTable < kRateVersionJan2014 ? 8 : 9;
    if (!leaf || leaf.form != RateRowForm::ZonedRows || leaf.rowWidth != width)
        return false;
    const int32_t column = zone <= 2 ? 1 : zone - 1;
    for (int32_t row = 0;; ++row) {
        const int32_t w = leaf.at(row, 0);
        if (w <= 0)
            return false;
        if (w >= ounces) {
            *rowWeight = w;
            *price = column < width ? leaf.at(row, column) : 0;
            return true;
        }
    }
}

// Per-ounce or per-pound list: the entry at `index` (0-based), 0 outside.
int32_t listPrice(const RateArray &leaf, RateRowForm form, int32_t index)
{
    if (!leaf || leaf.form != form)
        return 0;
    return leaf.word(index);
}

struct QueryState {
    int32_t cents = 0;
    bool dimensionalWeight = false;
    bool balloonRaisedWeight = false;
    bool cubicApplied = false;
    // The cubic price took the place of the weight price (also for the
    // accounts whose cubic price always wins, where no cubic flag is reported).
    bool cubicReplacedWeightPrice = false;
    // The first value of the cubic row that gave the price: its weight in
    // ounces for a weight-and-tier row, its tier for a tier row.
    int32_t cubicRowFirst = 0;
    int32_t cubicTier = 0;
    int32_t cubicSide1 = 0;
    int32_t cubicSide2 = 0;
};

int32_t cubicTier(int32_t shape, int32_t height, int32_t width, int32_t length, QueryState &q)
{
    if (height > 1800 || width > 1800 || length > 1800)
        return 0;
    int32_t sides[3] = {height - height % 25, width - width % 25, length - length % 25};
    if (shape == kREShapeSoftPack) {
        std::sort(sides, sides + 3);
        q.cubicSide1 = sides[2];
        q.cubicSide2 = sides[1];
        const int32_t sum = sides[2] + sides[1];
        if (sum >= 1 && sum <= 2100)
            return 1;
        if (sum <= 2700)
            return sum >= 1 ? 2 : 0;
        if (sum <= 3100)
            return 3;
        if (sum <= 3400)
            return 4;
        if (sum <= 3600)
            return 5;
        return 0;
    }
    const int64_t wholeInchVolume = WholeInchesOfSide(height) * WholeInchesOfSide(width) * WholeInchesOfSide(length);
    if (wholeInchVolume < 1)
        return 0;
    // tenths of a cubic foot of the quarter-inch sides, rounded up
    const int64_t volume = int64_t(sides[0]) * sides[1] * sides[2]; // hundredths cubed
    const int64_t unit = int64_t(1728) * 100 * 100 * 100;           // one cubic foot
    return static_cast<int32_t>((volume * 10 + unit - 1) / unit);
}

// The cubic price of a Priority Mail piece, 0 when there is none. `rowFirst`
// receives the first value of the row that gave the price, as stored.
int32_t cubicPrice(int32_t tier, int32_t zone, int32_t weight, int32_t entryClassification, int32_t *classification,
                   int32_t *rowFirst)
{
    *rowFirst = 0;
    if (tier <= 0)
        return 0;
    int32_t level = entryClassification;
    const RateArray tiers = GetRateInternal(kREHybridCubicTable, 0, &level);
    if (tiers) {
        if (tiers.form != RateRowForm::CubicTierRows || tiers.rowWidth != 10)
            return 0;
        const int32_t ounces = wholeOunces(weight);
        const int32_t column = 2 + (zone <= 2 ? 0 : zone - 2);
        for (int32_t row = 0; row < tiers.rowCount(); ++row) {
            const int32_t rowWeight = tiers.at(row, 0);
            if (rowWeight <= 0)
                return 0;
            if (rowWeight >= ounces && tiers.at(row, 1) >= tier) {
                *rowFirst = rowWeight;
                return tiers.at(row, column);
            }
        }
        return 0;
    }
    level = entryClassification;
    if (entryClassification == 51) {
        level = 2;
        if (classification)
            *classification = 2;
    }
    const RateArray rows = GetRateInternal(kREPriorityCubicTable, 0, &level);
    if (!rows || rows.form != RateRowForm::CubicRows)
        return 0;
    for (int32_t row = 0;; ++row) {
        int32_t first = 0, price = 0;
        GetZonedDomesticRateInternal(rows, zone, row, &first, &price);
        if (first <= 0)
            return 0;
        if (first >= tier) {
            *rowFirst = first;
            return price;
        }
    }
}

} // namespace

bool IsFlatRateEnvelope(int32_t shape)
{
    return shape == 5 || shape == 10 || shape == 11 || (shape >= 14 && shape <= 17);
}

bool IsFlatRateBox(int32_t shape) { return shape == 6 || shape == 8 || shape == 9 || (shape >= 18 && shape <= 20); }

int32_t GetDomesticRate2014(int32_t mailClass, int32_t shape, int32_t zone, int32_t intraBMC, int32_t *weightArg,
                            int32_t height, int32_t width, int32_t length, int32_t *oversizeArg, int32_t *machinableArg,
                            int32_t *balloonArg, int32_t *priceArg, char *stealth, const char *state,
                            int32_t premiumService, int32_t *classificationArg, int32_t *cubicArg, int32_t trayEntry,
                            int32_t lowerRateCheck)
{
    // Callers may leave out any in/out argument; locals stand in.
    int32_t weightLocal = 0, oversizeLocal = 0, machinableLocal = 1, balloonLocal = 0;
    int32_t priceLocal = 0, classificationLocal = 0, cubicLocal = 0;
    int32_t &weight = weightArg ? *weightArg : weightLocal;
    int32_t &oversize = oversizeArg ? *oversizeArg : oversizeLocal;
    int32_t &machinable = machinableArg ? *machinableArg : machinableLocal;
    int32_t &balloon = balloonArg ? *balloonArg : balloonLocal;
    int32_t &price = priceArg ? *priceArg : priceLocal;
    int32_t &classification = classificationArg ? *classificationArg : classificationLocal;
    int32_t &cubic = cubicArg ? *cubicArg : cubicLocal;

    // 1. Entry values; the stealth buffer starts empty.
    const int32_t entryWeight = weight;
    const int32_t entryClassification = classification;
    if (stealth)
        std::memset(stealth, 0, kStealthTextSize);

    // 2. Engine state, class and zone.
    if (!gbInitialized)
        return kRENotInitialized;
    if (IsIntlClass(mailClass))
        return kREUnknownClass;
    if (static_cast<uint32_t>(zone) > 9)
        return kREZoneOutOfRange;

    // 3. Before rate version 16 there is no zone 9.
    const int32_t pricingZone = (giRateTable < kRateVersionJan2014 && zone == 9) ? 8 : zone;

    // 4. Zone-9 classification fall-back of version 16 (the last match wins).
    if (giRateTable == kRateVersionJan2014 && pricingZone == 9) {
        const int32_t e = entryClassification;
        const bool flatRate = isZoneNineFlatRateShape(shape);
        if (e == 158 && mailClass == kREExpress && (shape == 5 || shape == 11))
            classification = 2;
        if (IsAnyOf<64, 65, 69, 92, 141, 159>(e) && (mailClass == kREPriority || mailClass == kREExpress) && flatRate)
            classification = 2;
        if ((e == 64 || e == 65) && mailClass == kRECriticalMail)
            classification = 2;
        if (e == 68 && mailClass == kREPriority && flatRate)
            classification = 2;
        if (IsAnyOf<74, 84, 107, 118, 151>(e) && flatRate)
            classification = 1;
        if (e == 111 && mailClass == kREPriority && flatRate)
            classification = 2;
        if ((e == 141 || e == 155) && mailClass == kREPriority && (flatRate || IsAnyOf<12, 13, 21>(shape)))
            classification = 2;
    }

    // 5. Government permit and business-reply classes carry no postage.
    if (IsAnyOf<10, 14, 15, 16, 17>(mailClass)) {
        price = 0;
        return 0;
    }

    // 6. Account classifications must be registered for the class.
    if (classification > 9 &&
        !IsValidRateClassificationForRateClassAndShape(classification, mailClass, giRateTable, 0)) {
        const bool cubicAccount = mailClass == kREPriority &&
            (IsValidRateClassificationForRateClassAndShape(classification, kREPriorityCubicTable, giRateTable, 0) ||
             IsValidRateClassificationForRateClassAndShape(classification, kREHybridCubicTable, giRateTable, 0));
        if (!cubicAccount)
            return kREInvalidClassification;
    }
    if (mailClass == kREParcelPost)
        return kRENoRate;

    // 7. One ounce at least; the class maximum.
    if (weight < 10)
        weight = 10;
    const int32_t maximum = GetClassMaxWeight(mailClass, shape, machinable, "", classification);
    if (weight > maximum)
        return kREOverweight;

    // 8. The rate leaf (the look-up may lower the classification).
    int32_t pounds = wholePounds(weight);
    RateArray leaf = GetRateInternal(mailClass, shape, &classification);

    // 9. An account price is compared with commercial plus.
    if (mailClass == kREMetroPost)
        lowerRateCheck = 0;
    int32_t comparisonPrice = 0;
    int32_t comparisonClassification = 2;
    if (classification > 9 && lowerRateCheck == 1) {
        int32_t w = weight, o = oversize, m = machinable, b = balloon, c = cubic, p = 0;
        comparisonClassification = 2;
        if (GetDomesticRate2014(mailClass, shape, zone, intraBMC, &w, height, width, length, &o, &m, &b, &p, nullptr,
                                state, premiumService, &comparisonClassification, &c, trayEntry, 0) == 0)
            comparisonPrice = p;
    }

    // 10. Price by class.
    QueryState q;
    const int32_t ounces = wholeOunces(weight);
    switch (mailClass) {
    case kREFirstClass:
        switch (shape) {
        case kREShapeLetter:
            if (leaf.form == RateRowForm::WeightPairs) {
                for (int32_t row = 0; row < leaf.rowCount(); ++row) {
                    const int32_t pairWeight = leaf.at(row, 0);
                    if (pairWeight <= 0)
                        break;
                    if (pairWeight >= weight) {
                        weight = pairWeight;
                        q.cents = leaf.at(row, 1);
                        if (!machinable)
                            q.cents += FirstClassNonMachinableSurcharge(giRateTable);
                        break;
                    }
                }
            }
            break;
        case kREShapePostcard:
            if (machinable) {
                if (leaf.form == RateRowForm::SingleValue)
                    q.cents = leaf.word(0);
            } else {
                int32_t level = classification;
                const RateArray letters = GetRateInternal(kREFirstClass, kREShapeLetter, &level);
                if (!letters)
                    return kRENoRate;
                if (letters.form == RateRowForm::WeightPairs)
                    q.cents = letters.at(0, 1);
            }
            break;
        case kREShapeFlat:
            q.cents = listPrice(leaf, RateRowForm::PerOunce, ounces - 1);
            if (q.cents > 0)
                weight = ounces * 10;
            break;
        case kREShapeParcel:
        case kREShapeNonRectangular:
            if (classification == 2) {
                if (ounces < 14) {
                    classification = 1;
                    return GetDomesticRate2014(mailClass, shape, zone, intraBMC, weightArg, height, width, length,
                                               oversizeArg, machinableArg, balloonArg, priceArg, stealth, state,
                                               premiumService, classificationArg, cubicArg, trayEntry, lowerRateCheck);
                }
                if (leaf.form == RateRowForm::SingleValue)
                    q.cents = leaf.word(0);
                weight = ounces >= 16 ? 159 : ounces * 10;
            } else if (classification > 2 && leaf.form == RateRowForm::ZonedRows) {
                int32_t rowWeight = 0;
                if (zonedByOunces(leaf, pricingZone, ounces, &rowWeight, &q.cents))
                    weight = rowWeight == 16 ? 159 : rowWeight * 10;
            } else {
                // Retail and commercial base, and account tables kept as a
                // per-ounce list.
                q.cents = listPrice(leaf, RateRowForm::PerOunce, ounces - 1);
                if (q.cents > 0)
                    weight = ounces >= 16 ? 159 : ounces * 10;
            }
            break;
        default:
            break;
        }
        break;

    case kREPriority: {
        if (!leaf && classification > 9) {
            classification = 2;
            leaf = GetRateInternal(mailClass, shape, &classification);
        }
        if (IsAnyOf<5, 6, 9, 10, 11, 12, 13, 14, 15, 16, 17, 21>(shape)) {
            q.cents = firstRowPrice(leaf, pricingZone);
        } else if (shape == 8 || shape == 20) {
            const bool military = strinci("AP", state) || strinci("AE", state) || strinci("AA", state);
            if (military) {
                int32_t level = classification;
                RateArray apo = GetRateInternal(mailClass, kREShapeLargeFlatRateBoxAPO, &level);
                if (!apo) {
                    level = 2;
                    apo = GetRateInternal(mailClass, kREShapeLargeFlatRateBoxAPO, &level);
                }
                q.cents = firstRowPrice(apo, pricingZone);
            } else {
                q.cents = firstRowPrice(leaf, pricingZone);
            }
        } else if (shape >= kREShapeHalfTray && shape <= kREShapeFlatTub) {
            if (classification > 1 && leaf.form == RateRowForm::ZonedRows) {
                int32_t rowWeight = 0;
                GetZonedDomesticRateInternal(leaf, pricingZone, trayEntry ? 0 : 1, &rowWeight, &q.cents);
            }
        } else {
            // Weight-and-size rules.
            const bool dimensioned = height > 0 && width > 0 && length > 0;
            int64_t volume = 0;
            if (dimensioned) {
                int64_t sides[3] = {WholeInchesOfSide(height), WholeInchesOfSide(width), WholeInchesOfSide(length)};
                std::sort(sides, sides + 3);
                const int64_t lengthGirth = sides[2] + 2 * (sides[0] + sides[1]);
                volume = sides[0] * sides[1] * sides[2];
                if (pricingZone <= 4) {
                    if (weight < 3200 && lengthGirth >= 85)
                        balloon = 1;
                } else {
                    int64_t dimensionalPounds = 0;
                    if (shape == kREShapeNonRectangular) {
                        const int64_t reduced = volume * 785 / 1000; // whole part of volume x 0.785
                        if (volume * 785 > int64_t(1728) * 1000)
                            dimensionalPounds = CeilDiv(reduced, 194);
                    } else if (volume >= 1729) {
                        dimensionalPounds = CeilDiv(volume, 194);
                    }
                    if (dimensionalPounds > 0 && weight < dimensionalPounds * 160) {
                        // held at the class maximum just below
                        weight = tolvane::rates::ClampToInt32(dimensionalPounds * 160);
                        q.dimensionalWeight = true;
                    }
                }
                if (weight > maximum)
                    weight = maximum;
            }
            if (balloon && (shape == kREShapeParcel || shape == kREShapeNonRectangular) && weight < 3200) {
                weight = 3200;
                q.balloonRaisedWeight = true;
            }
            if (!leaf)
                return kRENoRate;
            if (entryClassification == 16 || entryClassification == 30) {
                // volume / 1728 at most 0.125 cubic ft up to 2 lb, 0.28 above
                const bool small = dimensioned && weight <= 800 &&
                    (weight <= 320 ? volume * 1000 <= int64_t(125) * 1728 : volume * 100 <= int64_t(28) * 1728);
                if (!small) {
                    classification = 2;
                    return GetDomesticRate2014(mailClass, shape, zone, intraBMC, weightArg, height, width, length,
                                               oversizeArg, machinableArg, balloonArg, priceArg, stealth, state,
                                               premiumService, classificationArg, cubicArg, trayEntry, lowerRateCheck);
                }
            }
            int32_t rowWeight = 0, rowPrice = 0;
            if (zonedByOunces(leaf, pricingZone, wholeOunces(weight), &rowWeight, &rowPrice)) {
                q.cents = rowPrice;
                if (rowPrice > 0)
                    weight = rowWeight * 10;
            }
            // Cubic pricing.
            if (entryClassification > 1 && cubic && entryWeight <= 3200 && int64_t(height) + width + length > 0) {
                q.cubicTier = cubicTier(shape, height, width, length, q);
                int32_t rowFirst = 0;
                const int32_t cubicCents =
                    cubicPrice(q.cubicTier, pricingZone, weight, entryClassification, &classification, &rowFirst);
                if (entryClassification == 73 || (entryClassification >= 75 && entryClassification <= 83)) {
                    if (cubicCents > 0) {
                        q.cents = cubicCents;
                        q.cubicReplacedWeightPrice = true;
                        q.cubicRowFirst = rowFirst;
                    }
                } else if (cubicCents > 0 && (q.cents <= 0 || cubicCents < q.cents)) {
                    // A given cubic row answers its price also where the
                    // level's weight price is not known (its table is not
                    // part of the build); only a row that is not given
                    // leaves the piece without a price.
                    q.cents = cubicCents;
                    q.cubicApplied = true;
                    q.cubicReplacedWeightPrice = true;
                    q.cubicRowFirst = rowFirst;
                }
            }
        }
        if ((entryClassification == 107 || entryClassification == 151) && giRateTable == kRateVersionJan2014 &&
            pricingZone == 9 && isZoneNineFlatRateShape(shape) && q.cents > 0)
            q.cents -= 1;
        break;
    }

    case kREExpress:
        if (IsAnyOf<5, 6, 10, 11>(shape)) {
            q.cents = firstRowPrice(leaf, pricingZone);
            if (giRateTable == kRateVersionJan2014 && pricingZone == 9) {
                if ((entryClassification == 107 || entryClassification == 151) && shape != 6 && q.cents > 0)
                    q.cents -= 1;
                if (entryClassification == 157)
                    q.cents = shape == 6 ? 4495 : 1795;
            }
        } else {
            int32_t rowWeight = 0;
            if (zonedByOunces(leaf, pricingZone, ounces, &rowWeight, &q.cents))
                weight = rowWeight * 10;
        }
        break;

    case kREBoundPrintedMatter:
    case kREMetroPost: {
        int32_t rowWeight = 0;
        if (zonedByOunces(leaf, pricingZone, ounces, &rowWeight, &q.cents))
            weight = rowWeight * 10;
        break;
    }

    case kREMediaMail:
    case kRELibraryMail:
        q.cents = listPrice(leaf, RateRowForm::PerPound, pounds - 1);
        if (q.cents > 0)
            weight = pounds * 160;
        break;

    case kRECriticalMail:
    case kRECriticalMailSignature:
        q.cents = firstRowPrice(leaf, pricingZone);
        break;

    case kREParcelSelect:
    case kREStandardPost: {
        if (height > 0 && width > 0 && length > 0) {
            int64_t sides[3] = {height, width, length};
            std::sort(sides, sides + 3);
            const int64_t lengthGirth = sides[2] + 2 * (sides[0] + sides[1]);
            if (lengthGirth > 13000)
                return kRELengthGirthOver130;
            if (lengthGirth > 10800) {
                oversize = 1;
                if (mailClass == kREStandardPost)
                    machinable = 0;
            } else if (lengthGirth > 8400 && weight < 3200) {
                balloon = 1;
            }
        }
        if (balloon && weight < 3200) {
            weight = 3200;
            q.balloonRaisedWeight = true;
        }
        if (oversize) {
            int32_t level = classification;
            q.cents = firstRowPrice(GetRateInternal(mailClass, kREShapeOversizeRow, &level), pricingZone);
        } else {
            int32_t rowWeight = 0;
            if (zonedByOunces(leaf, pricingZone, wholeOunces(weight), &rowWeight, &q.cents))
                weight = rowWeight * 10;
        }
        break;
    }

    default:
        break;
    }

    // 11. No price: an account falls back to commercial plus.
    if (q.cents <= 0) {
        if (classification > 9) {
            classification = 2;
            return GetDomesticRate2014(mailClass, shape, zone, intraBMC, weightArg, height, width, length, oversizeArg,
                                       machinableArg, balloonArg, priceArg, stealth, state, premiumService,
                                       classificationArg, cubicArg, trayEntry, lowerRateCheck);
        }
        price = 0;
        return kRENoRate;
    }

    // 12. A cheaper commercial-plus price wins.
    if (comparisonPrice > 0 && comparisonPrice < q.cents * 10) {
        classification = comparisonClassification;
        weight = entryWeight;
        return GetDomesticRate2014(mailClass, shape, zone, intraBMC, weightArg, height, width, length, oversizeArg,
                                   machinableArg, balloonArg, priceArg, stealth, state, premiumService,
                                   classificationArg, cubicArg, trayEntry, lowerRateCheck);
    }

    cubic = q.cubicApplied ? 1 : 0;
    price = q.cents * 10;
    if (stealth) {
        DomesticRateTextInput text;
        text.mailClass = mailClass;
        text.shape = shape;
        text.zone = pricingZone;
        text.weight = weight;
        text.entryWeight = entryWeight;
        text.oversize = oversize != 0;
        text.machinable = machinable != 0;
        text.balloon = balloon != 0;
        text.dimensionalWeight = q.dimensionalWeight;
        text.cubic = q.cubicApplied;
        text.cubicTier = q.cubicTier;
        text.cubicSide1 = q.cubicSide1;
        text.cubicSide2 = q.cubicSide2;
        text.classification = classification;
        text.premiumService = premiumService != 0;
        text.trayEntry = trayEntry;
        FormatDomesticRateText(stealth, text);
    }
    if (q.dimensionalWeight || q.balloonRaisedWeight)
        weight = entryWeight;
    // A cubic price leaves the first value of its row in the weight (the tier
    // of a tier row), which is what the caller keeps as the piece's cubic tier.
    if (q.cubicReplacedWeightPrice)
        weight = q.cubicRowFirst;
    return 0;
}

int32_t GetDomesticRate2012(int32_t mailClass, int32_t shape, int32_t zone, int32_t intraBMC, int32_t *weight,
                            int32_t height, int32_t width, int32_t length, int32_t *oversize, int32_t *machinable,
                            int32_t *balloon, int32_t *price, char *stealth, const char *state, int32_t premiumService,
                            int32_t *classification, int32_t *cubic)
{
    return GetDomesticRate2014(mailClass, shape, zone, intraBMC, weight, height, width, length, oversize, machinable,
                               balloon, price, stealth, state, premiumService, classification, cubic, 0, 1);
}

int32_t GetDomesticRate2010(int32_t mailClass, int32_t shape, int32_t zone, int32_t intraBMC, int32_t *weight,
                            int32_t height, int32_t width, int32_t length, int32_t *oversize, int32_t *machinable,
                            int32_t *balloon, int32_t *price, char *stealth, const char *state, int32_t premiumService,
                            int32_t *classification, int32_t *cubic)
{
    return GetDomesticRate2014(mailClass, shape, zone, intraBMC, weight, height, width, length, oversize, machinable,
                               balloon, price, stealth, state, premiumService, classification, cubic, 0, 1);
}

int32_t GetDomesticRate2009(int32_t mailClass, int32_t shape, int32_t zone, int32_t intraBMC, int32_t *weight,
                            int32_t height, int32_t width, int32_t length, int32_t *oversize, int32_t *machinable,
                            int32_t *balloon, int32_t *price, char *stealth, const char *state, int32_t premiumService,
                            int32_t classification)
{
    int32_t level = classification;
    int32_t cubic = 0;
    return GetDomesticRate2010(mailClass, shape, zone, intraBMC, weight, height, width, length, oversize, machinable,
                               balloon, price, stealth, state, premiumService, &level, &cubic);
}

int32_t GetDomesticRate(int32_t mailClass, int32_t shape, int32_t zone, int32_t intraBMC, int32_t *weight,
                        int32_t height, int32_t width, int32_t length, int32_t *oversize, int32_t *machinable,
                        int32_t *balloon, int32_t *price, char *stealth, const char *state, int32_t premiumService,
                        int32_t commercial)
{
    return GetDomesticRate2009(mailClass, shape, zone, intraBMC, weight, height, width, length, oversize, machinable,
                               balloon, price, stealth, state, premiumService, commercial ? 1 : 0);
}
