#include "rateengine/RateWeights.h"

#include <array>

#include "rateengine/RateEngine.h"
#include "rateengine/RateInternal.h"
#include "rateengine/RateRegistry.h"
#include "rateengine/RateTables.h"

namespace {

using tolvane::rates::IsOneOf;

class BreakWriter
{
public:
    BreakWriter(int32_t *out, int32_t capacity, int32_t maximum) : out_(out), capacity_(capacity), maximum_(maximum) {}

    // Adds a break; false once the list is complete (above the maximum or at
    // the capacity).
    bool add(int32_t weight) { return weight <= maximum_ && addAlways(weight); }
    // Adds a break whatever the maximum.
    bool addAlways(int32_t weight)
    {
        if (full())
            return false;
        if (out_)
            out_[count_] = weight;
        ++count_;
        return true;
    }
    bool full() const { return capacity_ > 0 && count_ >= capacity_; }
    int32_t count() const { return count_; }

    // 10, 20, 30 ... up to the maximum.
    void everyOunce()
    {
        for (int32_t w = 10; w <= maximum_; w += 10)
            if (!add(w))
                return;
    }
    void everyPound()
    {
        for (int32_t w = 160; w <= maximum_; w += 160)
            if (!add(w))
                return;
    }
    // The weight column of a built-in table, times `scale`; a row weight of 0
    // or less ends it.
    void weightColumn(const char *table, int32_t scale)
    {
        const RateArray rows = FindBuiltInRateArray(table);
        for (int32_t r = 0; r < rows.rowCount(); ++r) {
            const int32_t w = rows.at(r, 0);
            if (w <= 0)
                return;
            if (!add(w * scale))
                return;
        }
    }

private:
    int32_t *out_;
    int32_t capacity_;
    int32_t maximum_;
    int32_t count_ = 0;
};

} // namespace

int32_t GetRateWeights2010(int32_t mailClass, int32_t shape, int32_t machinable, const char *country, int32_t *out,
                           int32_t *count, int32_t classification)
{
    if (!gbInitialized)
        return kRENotInitialized;
    const int32_t capacity = count ? *count : 0;
    // Only 0 means an array without limit; a negative capacity (or an array
    // whose capacity is not given) would let the list run past its end.
    if (capacity < 0 || (out && !count)) {
        if (count)
            *count = 0;
        return kREInvalidArgument;
    }
    const int32_t maximum = GetClassMaxWeight(mailClass, shape, machinable, country ? country : "", classification);
    const int32_t maximumOunces = maximum / 10;
    BreakWriter breaks(out, capacity, maximum);
    bool known = true;

    switch (mailClass) {
    case kREFirstClass:
        if (shape == kREShapeLetter)
            breaks.weightColumn("FCLetters2009", 1);
        else if (shape == kREShapePostcard)
            breaks.addAlways(maximum);
        else {
            breaks.everyOunce();
            if (maximum % 10 != 0)
                breaks.add(maximum);
        }
        break;
    case kREPriority:
        if (IsOneOf(shape, {5, 6, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 20, 21}))
            breaks.everyPound();
        else
            breaks.weightColumn(classification >= 2 ? "MyPriorityRates2010Plus" : "MyPriorityRates2009", 10);
        break;
    case kREExpress:
        if (IsOneOf(shape, {5, 6, 10, 11}))
            breaks.everyPound();
        else
            breaks.weightColumn("MyExpressRates2009", 10);
        break;
    case kREParcelPost:
    case kREParcelSelect:
    case kREStandardPost:
        breaks.weightColumn("ParcelPostRates2009", 10);
        break;
    case kREPresortedStandard:
        breaks.weightColumn("PresortStandardRates2012", 10);
        break;
    case kREPresortedFirstClass:
        breaks.addAlways(maximum);
        break;
    case kREBoundPrintedMatter:
        if (shape == kREShapeFlat)
            breaks.weightColumn("MyBoundPrintedFlatRates2008", 10);
        else if (shape == kREShapeParcel || shape == kREShapeNonRectangular)
            breaks.weightColumn("MyBoundPrintedParcelRates2008", 10);
        break;
    case kREMediaMail:
    case kRELibraryMail:
    case kREMBags:
    case kREMetroPost:
        breaks.everyPound();
        break;
    case kREExpressIntl:
        if (IsOneOf(shape, {5, 6, 10, 11}))
            breaks.everyPound();
        else
            breaks.weightColumn("EMIRates2009", 10);
        break;
    case kREGlobalExpressGuaranteed:
        breaks.weightColumn("GXGRates2009", 10);
        break;
    case kREPriorityIntl:
        if (IsOneOf(shape, {5, 6, 8, 10, 11, 14, 15, 16, 17, 20})) {
            breaks.everyPound();
        } else {
            const RateArray rows = FindBuiltInRateArray("PMIntlRates2009");
            for (int32_t r = 0; r < rows.rowCount(); ++r) {
                const int32_t pounds = rows.at(r, 0);
                if (pounds <= 0 || pounds * 16 > maximumOunces)
                    break;
                if (!breaks.addAlways(pounds * 160))
                    break;
            }
        }
        break;
    case kREIntlPriorityAirmail:
    case kREIntlSurfaceAirLift:
    case kREFirstClassIntl:
    case kRECommercialEPacket:
        if (shape == kREShapeLetter)
            breaks.weightColumn("FCIntlLetters2009", 1);
        else if (shape == kREShapePostcard)
            breaks.addAlways(maximum);
        else {
            breaks.weightColumn("FCIntlFlats2009", 10);
            if (mailClass != kREFirstClassIntl)
                breaks.addAlways(680);
        }
        break;
    case kRECriticalMail:
    case kRECriticalMailSignature:
        if (shape == kREShapeLetter)
            breaks.weightColumn("FCLetters2009", 1);
        else
            breaks.everyOunce();
        break;
    case kREConsolidatorIntl:
        for (int32_t w = 10; w <= 150; w += 10)
            breaks.addAlways(w);
        for (int32_t w = 160; w <= 10560; w += 160)
            breaks.addAlways(w);
        break;
    default:
        known = false;
        break;
    }

    if (!known) {
        if (count)
            *count = 0;
        if (out)
            out[0] = 0;
        return kREUnknownClass;
    }
    if (count)
        *count = breaks.count();
    return 0;
}

int32_t GetRateWeights(int32_t mailClass, int32_t shape, int32_t machinable, const char *country, int32_t *out,
                       int32_t *count)
{
    return GetRateWeights2010(mailClass, shape, machinable, country, out, count, 0);
}

int32_t IsValidRateClassificationForRateClassAndShape(int32_t classification, int32_t mailClass, int32_t rateVersionKey,
                                                      int32_t shape)
{
    std::array<int32_t, 1024> registered;
    int32_t count = static_cast<int32_t>(registered.size());
    GetCurrentRegisteredRateClassificationsInternal(mailClass, rateVersionKey, shape, registered.data(), &count);
    for (int32_t i = 0; i < count; ++i)
        if (registered[i] == classification)
            return 1;
    return 0;
}
