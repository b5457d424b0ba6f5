#include "rateengine/RateTables.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <set>
#include <string>

namespace {

// A leaf whose array is not part of the build: the key stays registered (so
// the slot holds every key its price sets register, the classification is
// valid for the class, and a look-up ends at this classification instead of
// falling back to a lower one), but the leaf holds no words and no row form,
// so every reader finds no price.
const int32_t kNoPriceWords[1] = {0};

// Registers the built-in array `name` under (class, shape, classification)
// with the owned flag 0, or a no-price leaf when the build lacks the array.
void reg(int slot, int32_t mailClass, int32_t shape, int32_t classification, const char *name)
{
    RateArray a = FindBuiltInRateArray(name);
    if (!a) {
        // The name may be built in a caller's buffer: keep a copy that lives
        // as long as the registry.
        static std::set<std::string, std::less<>> names;
        a.data = kNoPriceWords;
        a.size = 0;
        a.rowWidth = 1;
        a.form = RateRowForm::Unknown;
        a.name = name ? names.emplace(name).first->c_str() : nullptr;
    }
    RegisterRate2(slot, mailClass, shape, classification, a, 0);
}

void regShapes(int slot, int32_t mailClass, std::initializer_list<int32_t> shapes, int32_t classification,
               const char *name)
{
    for (int32_t shape : shapes)
        reg(slot, mailClass, shape, classification, name);
}

int32_t constantWord(const char *name) { return FindBuiltInRateArray(name).word(0); }

// --- Priority Mail flat-rate families by price level -----------------------

struct PriorityLevel {
    int32_t classification;
    const char *suffix; // RETAIL, COMMERCIALBASE, COMMERCIALPLUS
};

// Priority Mail (class 2) flat-rate and regional leaves of the January 2014
// price list at one public level.
void registerPriorityJan2014Level(int slot, int32_t level, const char *suffix, const char *regionalPrefix)
{
    char name[96];
    auto named = [&](const char *family) {
        std::snprintf(name, sizeof name, "RATE_JAN2014_PRIORITY_%s_%s", family, suffix);
        return name;
    };
    regShapes(slot, kREPriority, {5, 14, 15, 16, 17}, level, named("FLAT"));
    reg(slot, kREPriority, 6, level, named("FLATBOX"));
    regShapes(slot, kREPriority, {8, 20}, level, named("LARGEFLATBOX"));
    reg(slot, kREPriority, 9, level, named("SMALLFLATBOX"));
    reg(slot, kREPriority, 10, level, named("FLATPADDEDENVELOPE"));
    reg(slot, kREPriority, 11, level, named("FLAT_LEGAL"));
    std::snprintf(name, sizeof name, "%sRegionalA", regionalPrefix);
    reg(slot, kREPriority, 12, level, name);
    std::snprintf(name, sizeof name, "%sRegionalB", regionalPrefix);
    reg(slot, kREPriority, 13, level, name);
    std::snprintf(name, sizeof name, "%sRegionalC", regionalPrefix);
    reg(slot, kREPriority, 21, level, name);
}

// The commercial-plus array of January 2014 for a Priority Mail (2),
// Priority Mail Express (3) or cubic (202) key: what an account's own price
// list falls back to when it is not part of the build.
const char *commercialPlusJan2014(int32_t mailClass, int32_t shape)
{
    if (mailClass == kREPriority) {
        switch (shape) {
        case 5:
        case 14:
        case 15:
        case 16:
        case 17:
            return "RATE_JAN2014_PRIORITY_FLAT_COMMERCIALPLUS";
        case 6:
            return "RATE_JAN2014_PRIORITY_FLATBOX_COMMERCIALPLUS";
        case 8:
        case 20:
            return "RATE_JAN2014_PRIORITY_LARGEFLATBOX_COMMERCIALPLUS";
        case 9:
            return "RATE_JAN2014_PRIORITY_SMALLFLATBOX_COMMERCIALPLUS";
        case 10:
            return "RATE_JAN2014_PRIORITY_FLATPADDEDENVELOPE_COMMERCIALPLUS";
        case 11:
            return "RATE_JAN2014_PRIORITY_FLAT_LEGAL_COMMERCIALPLUS";
        case 12:
            return "MyPriorityRates2014PlusRegionalA";
        case 13:
            return "MyPriorityRates2014PlusRegionalB";
        case 21:
            return "MyPriorityRates2014PlusRegionalC";
        case 101:
            return "MyPriorityRates2014PlusPMODHalfTray";
        case 102:
            return "MyPriorityRates2014PlusPMODFullTray";
        case 103:
            return "MyPriorityRates2014PlusPMODEMMTray";
        case 104:
            return "MyPriorityRates2014PlusPMODFlatTub";
        case 201:
            return "RATE_JAN2014_PRIORITY_LARGEFLATBOXFORAPO_COMMERCIALPLUS";
        case 0:
            return "MyPriorityRates2014Plus";
        default:
            return nullptr;
        }
    }
    if (mailClass == kREExpress) {
        switch (shape) {
        case 5:
        case 10:
        case 11:
            return "RATE_JAN2014_EXPRESS_FLAT_COMMERCIALPLUS";
        case 6:
            return "RATE_JAN2014_EXPRESS_FLATBOX_COMMERCIALPLUS";
        case 0:
            return "MyExpressRates2014Plus";
        default:
            return nullptr;
        }
    }
    if (mailClass == kREPriorityCubicTable)
        return "MyPriorityRates2014PlusCubic";
    if (mailClass == kRECriticalMail)
        return shape == 1 ? "RATE_JAN2014_CRITICAL_LETTER" : "RATE_JAN2014_CRITICAL_FLAT";
    if (mailClass == kRECriticalMailSignature)
        return shape == 1 ? "RATE_JAN2014_CRITICAL_LETTER_SIG" : "RATE_JAN2014_CRITICAL_FLAT_SIG";
    return nullptr;
}

// Inclusive ranges of account classifications.
struct Range {
    int32_t first, last;
};

template <typename F> void forEach(std::initializer_list<Range> ranges, F f)
{
    for (const Range &r : ranges)
        for (int32_t c = r.first; c <= r.last; ++c)
            f(c);
}

// Account classifications of the Jan2014 slots, by class, with their shape keys.
const std::initializer_list<int32_t> kPriorityAccountShapes16 = {5,  14,  15, 16, 17, 9,  6, 8,
                                                                 20, 201, 10, 11, 12, 13, 0};
const std::initializer_list<int32_t> kPriorityAccountShapes = {5,  14,  15, 16, 17, 9,  6,  8,
                                                               20, 201, 10, 11, 12, 13, 21, 0};
const std::initializer_list<int32_t> kPriorityAccountShapesTrays = {5,  14, 15, 16, 17, 9,   6,   8,   20,  201,
                                                                    10, 11, 12, 13, 21, 101, 102, 103, 104, 0};
// Metro Post: one table for every shape key.
const std::initializer_list<int32_t> kMetroPostShapes = {5, 14, 15, 16, 17, 9, 6, 8, 20, 201, 10, 11, 12, 13, 21, 0};

// Every account classification of the 2014 slots, with the keys of its
// block. The accounts' own price lists are not part of the build, so each
// leaf shows the public commercial-plus array of its key (the array a query
// of that account would fall back to), or no price where that array is not
// part of the build either. Accounts last priced by an earlier set (16,
// 30-51, ...) are registered here as well, so that no leaf of the 2014 slots
// is left in an earlier row form.
void registerAccountBlocksJan2014(int slot)
{
    auto priority = [slot](int32_t c, std::initializer_list<int32_t> shapes) {
        for (int32_t shape : shapes)
            reg(slot, kREPriority, shape, c, commercialPlusJan2014(kREPriority, shape));
    };
    auto cubic = [slot](int32_t c) {
        reg(slot, kREPriorityCubicTable, 0, c, commercialPlusJan2014(kREPriorityCubicTable, 0));
    };
    auto express = [slot](int32_t c, std::initializer_list<int32_t> shapes) {
        for (int32_t shape : shapes)
            reg(slot, kREExpress, shape, c, commercialPlusJan2014(kREExpress, shape));
    };

    // Priority Mail (2).
    priority(16, kPriorityAccountShapes16);
    forEach({{30, 37},
             {40, 47},
             {50, 51},
             {53, 54},
             {56, 70},
             {72, 87},
             {91, 105},
             {107, 107},
             {109, 114},
             {118, 126},
             {128, 141},
             {145, 157},
             {159, 162},
             {167, 167}},
            [&](int32_t c) { priority(c, kPriorityAccountShapes); });
    forEach({{71, 71}, {142, 142}, {144, 144}, {163, 166}},
            [&](int32_t c) { priority(c, kPriorityAccountShapesTrays); });

    // Priority Mail cubic (202).
    forEach({{16, 16},
             {30, 37},
             {40, 47},
             {50, 51},
             {53, 54},
             {56, 87},
             {91, 105},
             {107, 107},
             {109, 114},
             {118, 126},
             {128, 142},
             {144, 148},
             {151, 157},
             {159, 167}},
            cubic);
    // Cubic tiers (203): the accounts' own tables only; none is part of the
    // build, so these accounts have no cubic price.
    forEach({{146, 148}, {160, 162}},
            [slot](int32_t c) { reg(slot, kREHybridCubicTable, 0, c, "MyHybridCubicRates"); });

    // Priority Mail Express (3).
    express(16, {5, 11, 0});
    forEach({{31, 32},
             {35, 36},
             {45, 45},
             {47, 47},
             {50, 50},
             {56, 65},
             {69, 69},
             {74, 74},
             {84, 86},
             {92, 102},
             {107, 107},
             {111, 111},
             {118, 118},
             {128, 133},
             {140, 141},
             {145, 145},
             {147, 151},
             {157, 162}},
            [&](int32_t c) {
                express(c, {5, 10, 11, 6, 0});
            });

    // Critical Mail (44) and with signature (46).
    for (int32_t c : {64, 65})
        for (int32_t cls : {kRECriticalMail, kRECriticalMailSignature})
            for (int32_t shape : {1, 2})
                reg(slot, cls, shape, c, commercialPlusJan2014(cls, shape));

    // Metro Post at classification 9: its own table is the public one.
    regShapes(slot, kREMetroPost, kMetroPostShapes, 9, "MyMetroPostRates2014");

    // First-Class Mail parcels at 150.
    reg(slot, kREFirstClass, 3, 150, "FCParcels2014");
}

} // namespace

// --- built-in array lookup ----------------------------------------------------

const BuiltInRateArray *FindBuiltInRateArrayEntry(const char *name)
{
    if (!name || kBuiltInRateArrayCount == 0)
        return nullptr;
    const BuiltInRateArray *begin = kBuiltInRateArrays;
    const BuiltInRateArray *end = kBuiltInRateArrays + kBuiltInRateArrayCount;
    const BuiltInRateArray *it = std::lower_bound(
        begin, end, name, [](const BuiltInRateArray &a, const char *n) { return std::strcmp(a.name, n) < 0; });
    return (it != end && std::strcmp(it->name, name) == 0) ? it : nullptr;
}

RateArray FindBuiltInRateArray(const char *name)
{
    const BuiltInRateArray *entry = FindBuiltInRateArrayEntry(name);
    if (!entry)
        return {};
    RateArray a;
    a.data = entry->words;
    a.size = entry->size;
    a.rowWidth = entry->rowWidth;
    a.form = entry->form;
    a.name = entry->name;
    return a;
}

int32_t CriticalLetterMaxOunces() { return constantWord("CRITICAL_LETTER_MAX"); }
int32_t CriticalFlatMaxOunces() { return constantWord("CRITICAL_FLAT_MAX"); }
int32_t FirstClassNonMachinableSurcharge(int32_t rateVersion)
{
    return constantWord(rateVersion >= kRateVersionJan2014 ? "RATE_JAN2014_FIRSTCLASS_NONMACHINABLE"
                                                           : "RATE_MAY2009_FIRSTCLASS_NONMACHINABLE");
}
int32_t FirstClassIntlNonMachinableSurcharge(int32_t rateVersion)
{
    return constantWord(rateVersion >= kRateVersionJan2014 ? "RATE_JAN2014_INTLFIRSTCLASS_NONMACHINABLE"
                                                           : "RATE_MAY2009_INTLFIRSTCLASS_NONMACHINABLE");
}
int32_t BalloonWeightPounds() { return constantWord("RATE_JAN2009_BALLOON_WT_LBS"); }

// --- price-change sets ---------------------------------------------------------

void RegisterJan2011Rates(int slot, int32_t key)
{
    SetRateTableSlotKey(slot, key);
    // The 2011 price lists are not part of the build; of this set only the
    // international contract codes and their fall-back rows are.
    const RateArray codes = FindBuiltInRateArray("gepsArr_17Groups");
    for (int32_t i = 0; i < codes.size && codes.word(i) != 0; ++i) {
        const int32_t g = codes.word(i);
        regShapes(slot, kREPriorityIntl, {5, 14, 15, 16, 17, 11, 10, 9, 18, 19, 6, 8, 20, 0}, g,
                  "PMIFlatRateGEPSFallBack_17Groups");
        regShapes(slot, kREExpressIntl, {5, 6, 11, 0}, g, "EMIFlatRateGEPSFallBack_17Groups");
    }
}

void RegisterApr2011Rates(int slot, int32_t key)
{
    RegisterJan2011Rates(slot, key);
    // None of the April 2011 price lists is part of the build.
}

void RegisterJan2012Rates(int slot, int32_t key)
{
    RegisterApr2011Rates(slot, key);
    // Parcel Post keeps its 2012 tables in later sets.
    reg(slot, kREParcelPost, 106, 0, "OversizeParcelPostRates2012");
    reg(slot, kREParcelPost, 0, 0, "ParcelPostRates2012");
}

void RegisterJan2013Rates(int slot, int32_t key)
{
    RegisterJan2012Rates(slot, key);
    reg(slot, kREFirstClass, 3, 2, "RATE_JAN2013_FCPS_PLUS");
    reg(slot, kRECriticalMail, 1, 2, "RATE_JAN2013_CRITICAL_LETTER");
    reg(slot, kREFirstClassIntl, 3, 1, "FCIntlParcels2013Base");
    reg(slot, kREFirstClassIntl, 3, 2, "FCIntlParcels2013Plus");
}

void RegisterJan2014Rates(int slot, int32_t key)
{
    RegisterJan2013Rates(slot, key);

    // First-Class Mail.
    reg(slot, kREFirstClass, 7, 0, "RATE_JAN2014_POSTCARD");
    reg(slot, kREFirstClass, 1, 0, "FCLetters2014");
    reg(slot, kREFirstClass, 2, 0, "FCFlats2014");
    reg(slot, kREFirstClass, 3, 0, "FCParcels2014");
    reg(slot, kREFirstClass, 3, 1, "FCParcels2014Base");
    // Standard Post, Parcel Select.
    reg(slot, kREStandardPost, 106, 0, "OversizeStandardPostRates2014");
    reg(slot, kREStandardPost, 0, 0, "StandardPostRates2014");
    reg(slot, kREParcelSelect, 106, 1, "OversizeParcelSelectRates2014");
    reg(slot, kREParcelSelect, 0, 1, "ParcelSelectRates2014");
    // Media Mail, Library Mail.
    reg(slot, kREMediaMail, 0, 0, "MediaMail2014");
    reg(slot, kRELibraryMail, 0, 0, "Library2014");
    // First-Class Mail International.
    regShapes(slot, kREFirstClassIntl, {1, 7}, 0, "FCIntlLetters2014");
    reg(slot, kREFirstClassIntl, 2, 0, "FCIntlFlats2014");
    reg(slot, kREFirstClassIntl, 3, 0, "FCIntlParcels2014");
    // Bound Printed Matter.
    reg(slot, kREBoundPrintedMatter, 2, 0, "MyBoundPrintedFlatRates2014");
    reg(slot, kREBoundPrintedMatter, 3, 0, "MyBoundPrintedParcelRates2014");

    // Priority Mail Express.
    const PriorityLevel levels[] = {{0, "RETAIL"}, {1, "COMMERCIALBASE"}, {2, "COMMERCIALPLUS"}};
    const char *expressDefaults[] = {"MyExpressRates2014", "MyExpressRates2014Base", "MyExpressRates2014Plus"};
    char name[96];
    for (int i = 0; i < 3; ++i) {
        const PriorityLevel &l = levels[i];
        std::snprintf(name, sizeof name, "RATE_JAN2014_EXPRESS_FLAT_%s", l.suffix);
        regShapes(slot, kREExpress, {5, 10, 11}, l.classification, name);
        std::snprintf(name, sizeof name, "RATE_JAN2014_EXPRESS_FLATBOX_%s", l.suffix);
        reg(slot, kREExpress, 6, l.classification, name);
        reg(slot, kREExpress, 0, l.classification, expressDefaults[i]);
    }

    // Priority Mail.
    const char *regionalPrefixes[] = {"MyPriorityRates2014", "MyPriorityRates2014Base", "MyPriorityRates2014Plus"};
    for (int i = 0; i < 3; ++i) {
        const PriorityLevel &l = levels[i];
        registerPriorityJan2014Level(slot, l.classification, l.suffix, regionalPrefixes[i]);
        if (l.classification == 2) {
            reg(slot, kREPriority, 101, 2, "MyPriorityRates2014PlusPMODHalfTray");
            reg(slot, kREPriority, 102, 2, "MyPriorityRates2014PlusPMODFullTray");
            reg(slot, kREPriority, 103, 2, "MyPriorityRates2014PlusPMODEMMTray");
            reg(slot, kREPriority, 104, 2, "MyPriorityRates2014PlusPMODFlatTub");
        }
        std::snprintf(name, sizeof name, "RATE_JAN2014_PRIORITY_LARGEFLATBOXFORAPO_%s", l.suffix);
        reg(slot, kREPriority, 201, l.classification, name);
        reg(slot, kREPriority, 0, l.classification, regionalPrefixes[i]);
    }
    reg(slot, kREPriorityCubicTable, 0, 2, "MyPriorityRates2014PlusCubic");

    // Critical Mail.
    reg(slot, kRECriticalMail, 1, 2, "RATE_JAN2014_CRITICAL_LETTER");
    reg(slot, kRECriticalMail, 2, 2, "RATE_JAN2014_CRITICAL_FLAT");
    reg(slot, kRECriticalMailSignature, 1, 2, "RATE_JAN2014_CRITICAL_LETTER_SIG");
    reg(slot, kRECriticalMailSignature, 2, 2, "RATE_JAN2014_CRITICAL_FLAT_SIG");

    // Metro Post: one table for every shape and public level.
    for (int32_t level : {0, 1, 2})
        regShapes(slot, kREMetroPost, kMetroPostShapes, level, "MyMetroPostRates2014");

    // Priority Mail Express International, Priority Mail International, GXG.
    const char *levelWords[] = {"", "Base", "Plus"};
    for (int32_t level : {0, 1, 2}) {
        const char *w = levelWords[level];
        std::snprintf(name, sizeof name, "EMIFlatRateEnv%s2014", w);
        regShapes(slot, kREExpressIntl, {5, 10, 11}, level, name);
        std::snprintf(name, sizeof name, "EMIFlatRateBox%s2014", w);
        reg(slot, kREExpressIntl, 6, level, name);
        std::snprintf(name, sizeof name, "EMIRates2014%s", w);
        reg(slot, kREExpressIntl, 0, level, name);

        std::snprintf(name, sizeof name, "PMIFlatRateEnv%s2014", w);
        regShapes(slot, kREPriorityIntl, {5, 9, 10, 11, 14, 15, 16, 17, 18, 19}, level, name);
        std::snprintf(name, sizeof name, "PMIFlatRateBox%s2014", w);
        reg(slot, kREPriorityIntl, 6, level, name);
        std::snprintf(name, sizeof name, "PMILargeFlatRateBox%s2014", w);
        regShapes(slot, kREPriorityIntl, {8, 20}, level, name);
        std::snprintf(name, sizeof name, "PMIntlRates2014%s", w);
        reg(slot, kREPriorityIntl, 0, level, name);

        std::snprintf(name, sizeof name, "GXGRates2014%s", w);
        reg(slot, kREGlobalExpressGuaranteed, 0, level, name);
    }
    // M-bags.
    reg(slot, kREMBags, 0, 0, "MBAG2014");

    // Account price sets.
    registerAccountBlocksJan2014(slot);
}

void RegisterSep2014Rates(int slot, int32_t key)
{
    RegisterJan2014Rates(slot, key);
    regShapes(slot, kREPriority, {5, 14, 15, 16, 17}, 0, "RATE_SEP2014_PRIORITY_FLAT_RETAIL");
    reg(slot, kREPriority, 10, 0, "RATE_SEP2014_PRIORITY_FLATPADDEDENVELOPE_RETAIL");
    reg(slot, kREPriority, 11, 0, "RATE_SEP2014_PRIORITY_FLAT_LEGAL_RETAIL");
    reg(slot, kREPriority, 9, 0, "RATE_SEP2014_PRIORITY_SMALLFLATBOX_RETAIL");
    reg(slot, kREPriority, 6, 0, "RATE_SEP2014_PRIORITY_FLATBOX_RETAIL");
    regShapes(slot, kREPriority, {8, 20}, 0, "RATE_SEP2014_PRIORITY_LARGEFLATBOX_RETAIL");
    reg(slot, kREPriority, 201, 0, "RATE_SEP2014_PRIORITY_LARGEFLATBOXFORAPO_RETAIL");
    reg(slot, kREPriority, 21, 0, "MyPriorityRatesSep2014RegionalC");
    reg(slot, kREPriority, 0, 0, "MyPriorityRatesSep2014");
    reg(slot, kREPriority, 21, 1, "MyPriorityRatesSep2014BaseRegionalC");
    reg(slot, kREPriority, 0, 1, "MyPriorityRatesSep2014Base");
    reg(slot, kREPriority, 21, 2, "MyPriorityRatesSep2014PlusRegionalC");
    reg(slot, kREPriority, 0, 2, "MyPriorityRatesSep2014Plus");
}
