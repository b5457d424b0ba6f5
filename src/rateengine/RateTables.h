#pragma once
// Built-in rate tables and the price-change sets that register them.
//
// Every price array is a data file under resources/rates/ named after the
// array; the build compiles them into kBuiltInRateArrays. A set registers an
// array by name; for an array that is not part of the build it registers a
// leaf without words, so the slot still holds the key (both slots hold the
// same keys, and a look-up stops at the classification asked instead of
// falling back to a lower one) and a query for it answers no price.
#include <cstddef>
#include <cstdint>

#include "rateengine/RateRegistry.h"

struct BuiltInRateArray {
    const char *name;
    const int32_t *words;
    int32_t size;
    int32_t rowWidth;
    RateRowForm form;
    int32_t unknownCells; // words whose price is not known (compiled as 0)
};

// Generated from resources/rates (sorted by name).
extern const BuiltInRateArray kBuiltInRateArrays[];
extern const size_t kBuiltInRateArrayCount;

// The built-in array of that name, or a null RateArray when the build has none.
RateArray FindBuiltInRateArray(const char *name);
// The entry of that name (with its count of unknown cells), or null.
const BuiltInRateArray *FindBuiltInRateArrayEntry(const char *name);

// Price-change sets: (slot index 0-5, slot key = rate version). Each runs its
// predecessor on the same slot first; only Jan2011 stores the key.
void RegisterJan2011Rates(int slot, int32_t key);
void RegisterApr2011Rates(int slot, int32_t key);
void RegisterJan2012Rates(int slot, int32_t key);
void RegisterJan2013Rates(int slot, int32_t key);
void RegisterJan2014Rates(int slot, int32_t key);
void RegisterSep2014Rates(int slot, int32_t key);

// Constants read directly by the engine (from the data files of the same
// name). Each answers 0 when its data file is absent.
int32_t CriticalLetterMaxOunces();                                 // CRITICAL_LETTER_MAX
int32_t CriticalFlatMaxOunces();                                   // CRITICAL_FLAT_MAX
int32_t FirstClassNonMachinableSurcharge(int32_t rateVersion);     // cents
int32_t FirstClassIntlNonMachinableSurcharge(int32_t rateVersion); // cents
int32_t BalloonWeightPounds();                                     // RATE_JAN2009_BALLOON_WT_LBS
