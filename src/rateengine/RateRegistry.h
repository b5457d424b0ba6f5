#pragma once
// Rate-table registry: six slots, each a tree keyed by class key, rate
// classification and shape key, whose leaves point at price arrays.
//
// Slots as built by InitializeRateTable():
//   slot 0 key 17  mail-class prices from 2014-09-07 (RegisterSep2014Rates)
//   slot 3 key 16  mail-class prices from 2014-01-26 (RegisterJan2014Rates)
//   slot 1 key 106 optional-service prices of January 2014
//   slot 4 key 105 optional-service prices of January 2013
//   slot 2 key 202 vendor parcel-insurance prices of January 2012
//   slot 5 key 0   empty
//
// A leaf is a RateArray: a view of int32 words that knows its length and its
// row form, so that no reader runs past the end of an array or reads a leaf
// in a row layout it was not written in.
//
// Registering a fee or insurance table (optional-service code):
//
//   static const int32_t kDomesticInsurance[] = {   // limit $, base, per unit
//       50, 2000, 0,   100, 2500, 0,   ...,   0, 0, 0 };
//   void RegisterJan2014OptionalServiceRates(int slot, int32_t key) {
//     SetRateTableSlotKey(slot, key);                 // stores 106
//     RegisterRate2(slot, 1020, kREShapeDefault, kRERetail,
//                   MakeRateArray(kDomesticInsurance, RateRowForm::StructureRows,
//                                 "OSRATE_JAN2014_INSURANCE"), 0);
//     static const int32_t kSignature[] = { 2450 };  // single value, mils
//     RegisterRate2(slot, 1013, 0, 0, MakeRateArray(kSignature), 0);
//   }
//
// and reading one back: GetOptionalServiceRateInternal(1020, &classification)
// (or GetRateReallyInternal(gRateTables, 106, id, 0, &classification)); the
// answer tests false when nothing is registered. InitializeRateTable() calls
// RegisterJan2014OptionalServiceRates(1, 106),
// RegisterJan2013OptionalServiceRates(4, 105) and
// RegisterJan2012TolvaneInsuranceRates(2, 202) (RateOptionalServices.h).
//
// An international query reads a leaf with
//   int32_t c = classification;
//   RateArray rows = GetRateInternal(kREPriorityIntl, shape, &c);
// and checks rows.form (RateRowForm::IntlGroupRows, 18 words a row) before
// reading rows.word(i).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "rateengine/RateEngine.h"

// Row forms of the price arrays (the layout an array was written in).
enum class RateRowForm : int32_t {
    Unknown = 0,
    SingleValue,         // 1 word: the price (or a constant)
    WeightPairs,         // 2: weight in tenths, price; ended by (0, 0)
    PerOunce,            // 1: price for 1, 2, ... oz
    PerPound,            // 1: price for 1, 2, ... lb
    ZonedRows,           // 8 (before 2014) or 9: weight in oz, zone prices; zero row ends
    OneZonedRow,         // 8 or 9: first word 1 (0 for oversize rows), zone prices
    CubicRows,           // 8 or 9: cubic tier, zone prices; zero row ends
    CubicTierRows,       // 10: weight in oz, tier, zone prices 1-2, 3 ... 9
    IntlGroupRows,       // 18: weight, prices for groups 1-17 (also 11-word 2009 rows)
    FirstClassIntlRows,  // 10: weight, prices for groups 1-9
    GXGRows,             // 9: weight in oz, prices for groups 1-8
    MBagRows,            // 10: two rows (first 11 lb, then per further pound)
    ContractFallbackRow, // 18 in 20 words: 17 then 17 zeros
    CodeList,            // 1: codes ended by 0
    StructureRows,       // 3: limit in dollars, base fee, fee per unit (fees)
};

// A read-only view of one price array.
struct RateArray {
    const int32_t *data = nullptr;
    int32_t size = 0;     // number of words
    int32_t rowWidth = 1; // words per row as stored
    RateRowForm form = RateRowForm::Unknown;
    const char *name = nullptr; // the array's name (built-in tables)

    explicit operator bool() const { return data != nullptr; }
    // The word at index i, 0 outside the array.
    int32_t word(int32_t i) const { return (data && i >= 0 && i < size) ? data[i] : 0; }
    // The word at column `column` of row `row`, 0 outside the array.
    int32_t at(int32_t row, int32_t column) const
    {
        if (row < 0 || column < 0 || column >= rowWidth)
            return 0;
        return word(row * rowWidth + column);
    }
    // Whole rows held by the array.
    int32_t rowCount() const { return rowWidth > 0 ? size / rowWidth : 0; }
    bool isForm(RateRowForm f, int32_t width) const { return data && form == f && rowWidth == width; }
};

template <size_t N>
RateArray MakeRateArray(const int32_t (&words)[N], RateRowForm form = RateRowForm::SingleValue,
                        const char *name = nullptr, int32_t rowWidth = 0)
{
    RateArray a;
    a.data = words;
    a.size = static_cast<int32_t>(N);
    a.form = form;
    a.name = name;
    if (rowWidth > 0)
        a.rowWidth = rowWidth;
    else if (form == RateRowForm::StructureRows)
        a.rowWidth = 3;
    else if (form == RateRowForm::WeightPairs)
        a.rowWidth = 2;
    else
        a.rowWidth = 1;
    return a;
}

// Registry nodes. Lists keep registration order; nodes are never removed.
struct RateShapeLeaf {
    int32_t shape = 0;
    RateArray array;
    int32_t owned = 0; // 1: the registry deletes[] the words when replaced
};
// The registration keeps an index beside a list (entry k: 1 + the position of
// the node of key k, 0 when none was registered); a look-up that the index
// does not answer walks the list.
struct RateClassificationNode {
    int32_t classification = 0;
    std::vector<RateShapeLeaf> shapes;
    std::vector<int16_t> shapeIndex;
    size_t indexedShapes = 0; // leaves in shapeIndex: all of them when equal to shapes.size()
};
struct RateClassNode {
    int32_t classKey = 0;
    std::vector<RateClassificationNode> classifications;
    std::vector<int16_t> classificationIndex;
};
struct RateTableSlot {
    int32_t key = 0; // 0 while empty
    std::vector<RateClassNode> classes;
    std::vector<int16_t> classIndex;
};

inline constexpr int kRateTableSlotCount = 6;
inline constexpr int32_t kOptionalServiceTableKey = 106;
inline constexpr int32_t kOptionalService2013TableKey = 105;
inline constexpr int32_t kTolvaneInsuranceTableKey = 202;

// The six slots, or null before the registry is first used.
extern RateTableSlot *gRateTables;

// Builds the registry the first time (see the slot table above); later calls
// do nothing. Called by InitializeRE().
void InitializeRateTable();
// Does nothing: the registry lives as long as the process.
void TeardownRateTable();

// Stores `key` as the key of slot `slot` (0-5); allocates the slots on first use.
void SetRateTableSlotKey(int slot, int32_t key);
// The slot whose key is `tableKey`, or null.
RateTableSlot *FindRateTableSlot(RateTableSlot *slots, int32_t tableKey);

// Registers `array` under (classKey, classification, shape) in slot `slot`.
// Note the argument order: shape before classification. A leaf that already
// exists is replaced; its old words are deleted[] when it was owned and no
// leaf shows them any more (one owned array may be registered under several
// shapes). `owned` = 1 hands over words made with new int32_t[].
// A null array registers nothing.
void RegisterRate2(int slot, int32_t classKey, int32_t shape, int32_t classification, RateArray array, int32_t owned);
// RegisterRate2 with owned 0 (static arrays).
void RegisterRate(int slot, int32_t classKey, int32_t shape, int32_t classification, RateArray array);

// Lookup with classification fall-back (1-9 step down to 0; 0 and >= 10 do
// not). *classification receives the level whose leaf was used. A shape of 4
// is looked up as 3; a missing shape leaf falls back to the shape-0 leaf.
RateArray GetRateReallyInternal(RateTableSlot *slots, int32_t tableKey, int32_t classKey, int32_t shape,
                                int32_t *classification);
// True when `table` (may be null) holds a leaf registered under exactly
// (classKey, classification, shape): no classification or shape fall-back.
bool HasExactRateLeaf(const RateTableSlot *table, int32_t classKey, int32_t classification, int32_t shape);
// The same on the table of the current rate version (giRateTable).
RateArray GetRateInternal(int32_t classKey, int32_t shape, int32_t *classification);
// The same on the optional-service table (key 106) with shape 0.
RateArray GetOptionalServiceRateInternal(int32_t serviceId, int32_t *classification);

// Row `rowIndex` of zoned price rows: its weight and the price of `zone`
// (zones 0-2 read the first price, zone z >= 3 price z - 1). Rows are 9
// words from rate version 16 on, 8 before; an array that is not zoned rows
// of that width (or a null array) writes 0 to both.
void GetZonedDomesticRateInternal(const RateArray &rows, int32_t zone, int32_t rowIndex, int32_t *rowWeight,
                                  int32_t *price);

// Classifications registered for the class in table `tableKey`, in order; a
// classification counts when it has a leaf, and with shape > 0 a leaf of
// exactly that shape. *count: in, capacity of `out`; out, number written.
void GetCurrentRegisteredRateClassificationsInternal(int32_t classKey, int32_t tableKey, int32_t shape, int32_t *out,
                                                     int32_t *count);
void GetCurrentRegisteredRateClassifications(int32_t classKey, int32_t *out, int32_t *count);

// Heaviest weight the class accepts, in tenths of an ounce.
int32_t GetClassMaxWeight(int32_t mailClass, int32_t shape, int32_t unused, const char *country,
                          int32_t classification);

// Loads further price sets from a rate text file ("C", "R", "S", "O"
// directives). Returns 1 when the last section ended well, else 0.
int32_t RegisterRateFileAtPath(const char *path);
