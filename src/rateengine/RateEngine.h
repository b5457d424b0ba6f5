#pragma once
// USPS rate engine: process-wide state, integer codes and rate versions.
//
// The engine is a family of plain functions over a few globals; it uses no
// Qt. Every operation runs on the main thread; callers set the rate version
// with SetRateVersion() and query right after it, as one uninterrupted pair.
//
// Units used everywhere in the engine:
//   weight       int32 tenths of an ounce (10 = 1 oz, 160 = 1 lb)
//   postage      int32 cents in the mail-class tables, answered in mils
//   fees         int32 mils in the optional-service/insurance tables
//   values       int32 cents (declared and insured values)
//   dimensions   int32 hundredths of an inch
//
// The registry of rate tables lives in RateRegistry.h; the built-in price
// sets in RateTables.h.
#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------------------
// Rate-engine status codes (result of the query functions).
enum RateEngineStatus : int32_t {
    kRESuccess = 0,
    kRENoCountry = -1,              // no / unknown country; empty country list
    kREClassNotOffered = -2,        // class not offered to the country; end of list
    kREOverweight = -3,             // weight over the class limit
    kREZoneOutOfRange = -4,         // zone over 9
    kREInvalidArgument = -5,        // an argument no call can mean (a negative array capacity)
    kRENotInitialized = -6,         // InitializeRE not yet called
    kREUnknownClass = -7,           // unknown class, or international in a domestic query
    kRENoRate = -10,                // no rate for the piece
    kREInvalidClassification = -11, // classification not valid for class and shape
    kRELengthGirthOver130 = -12,    // length plus girth over 130 inches
};

// ---------------------------------------------------------------------------
// Rate-engine mail-class codes.
enum RateMailClass : int32_t {
    kREFirstClass = 1,
    kREPriority = 2,
    kREExpress = 3,
    kREParcelPost = 6,
    kREPermitFirstClassPresort = 7,
    kREPermitStandardPresort = 8,
    kREPermitNonProfitPresort = 9,
    kREPermitGovernmentG10 = 10,
    kREBusinessReplyMail = 14,
    kREBusinessReplyLabel = 15,
    kREBusinessReplyCard = 16,
    kREInternationalBusinessReply = 17,
    kRECourtesyReply = 18,
    kREPresortedStandard = 21,
    kREPresortedFirstClass = 22,
    kREBoundPrintedMatter = 23,
    kREMediaMail = 24,
    kRELibraryMail = 25,
    kREExpressIntl = 28,
    kREGlobalExpressGuaranteed = 29,
    kREPriorityIntl = 30,
    kREIntlNoService = 35,
    kREMBags = 36,
    kREIntlPriorityAirmail = 38,
    kREIntlSurfaceAirLift = 39,
    kREFirstClassIntl = 42,
    kREParcelSelect = 43,
    kRECriticalMail = 44,
    kREStandardPost = 45,
    kRECriticalMailSignature = 46,
    kREConsolidatorIntl = 47,
    kREMetroPost = 48,
    kRECommercialEPacket = 49,
    kREPriorityCubicTable = 202, // table key only
    kREHybridCubicTable = 203,   // table key only
};

// ---------------------------------------------------------------------------
// Rate-engine shape codes.
enum RateShape : int32_t {
    kREShapeDefault = 0, // the default leaf of a table
    kREShapeLetter = 1,
    kREShapeFlat = 2,
    kREShapeParcel = 3,
    kREShapeNonRectangular = 4, // looked up as a parcel
    kREShapeFlatRateEnvelope = 5,
    kREShapeFlatRateBox = 6, // medium flat-rate box
    kREShapePostcard = 7,
    kREShapeLargeFlatRateBox = 8,
    kREShapeSmallFlatRateBox = 9,
    kREShapeFlatRatePaddedEnvelope = 10,
    kREShapeFlatRateLegalEnvelope = 11,
    kREShapeRegionalBoxA = 12,
    kREShapeRegionalBoxB = 13,
    kREShapeGiftCardFlatRateEnvelope = 14,
    kREShapeWindowFlatRateEnvelope = 15,
    kREShapeSmallFlatRateEnvelope = 16,
    kREShapeCardboardSmallFlatRateEnvelope = 17,
    kREShapeDVDFlatRateBox = 18,
    kREShapeLargeFlatRateVideoBox = 19,
    kREShapeLargeFlatRateBoardGameBox = 20,
    kREShapeRegionalBoxC = 21,
    kREShapeSoftPack = 22,
    kREShapeHalfTray = 101, // Priority Mail Open and Distribute containers
    kREShapeFullTray = 102,
    kREShapeEMMTray = 103,
    kREShapeFlatTub = 104,
    kREShapeSack = 105,
    kREShapeOversizeRow = 106,         // table key only: oversize price row
    kREShapeLargeFlatRateBoxAPO = 201, // table key only
};

// Rate classifications: 0 retail, 1 commercial base, 2 commercial plus,
// 3-9 further levels (fall back one at a time), 10 and above account price
// sets (no fall-back).
enum RateClassification : int32_t {
    kRERetail = 0,
    kRECommercialBase = 1,
    kRECommercialPlus = 2,
};

// Rate versions (the key of the registry slot a query reads).
inline constexpr int32_t kRateVersionJan2014 = 16;
inline constexpr int32_t kRateVersionSep2014 = 17;
inline constexpr int32_t kRateEngineVersion = 140501;

// ---------------------------------------------------------------------------
// Engine globals (process-wide, never freed).
extern char gsFilePath[1024]; // path handed to InitializeRE; nothing reads it
extern int32_t giRateTable;   // current rate version (16 or 17)
extern bool gbInitialized;    // set by InitializeRE
// Banned-country lists (owned copies, or null); set through
// AssignListToGlobal() by the country-table code.
extern char *gBannedEMI;
extern char *gBannedPMI;
extern char *gBannedFCMI;
extern char *gBannedTInsurance;

// ---------------------------------------------------------------------------
// Start-up and rate versions.

// Stores the path, sets the rate version from the date ("%m/%d/%Y" or
// "YYYYMMDD"), builds the registry once per process and marks the engine
// initialised. Returns 0.
int32_t InitializeRE(const char *path, const char *date);

// Sets giRateTable from the mailing date: 17 from 2014-09-07 on, else 16.
// Writes the version to `version` when given. Returns 0.
int32_t SetRateVersion(const char *date, int32_t *version = nullptr);
// The same from a date given as numbers (no text to format and parse).
int32_t SetRateVersionForDate(int32_t year, int32_t month, int32_t day, int32_t *version = nullptr);

// -6 before InitializeRE; else writes 140501, the rate version and the
// validity dates of the current version ("%02u/%02u/%04u"; buffers of at
// least 11 bytes; null buffers are skipped). Returns 0.
int32_t GetRateVersion(int32_t *engineVersion, int32_t *rateVersion, char *firstDate, char *lastDate);

// Writes "09/07/2014" (buffer of at least 11 bytes). Returns 0.
int32_t GetPriceChangeDate(char *buffer);

// Parses "M/D/YYYY", "MM/DD/YYYY", "MM/DD/YY" or "YYYYMMDD". A non-digit
// ends a number; a missing part gives 0. Returns 1.
int32_t GetDateTimeInt(const char *text, int32_t *year, int32_t *month, int32_t *day);

// 1 for the international classes {28, 29, 30, 35, 36, 38, 39, 42, 47, 49}.
int32_t IsIntlClass(int32_t mailClass);

// ---------------------------------------------------------------------------
// Text routines over NUL-terminated byte strings.
const char *strinc(const char *needle, const char *haystack);
const char *strinci(const char *needle, const char *haystack);
// Inserts `text` into `target` at `position` when position <= strlen(target).
// The caller guarantees room. Returns target.
char *strins(const char *text, char *target, size_t position);
// Removes trailing spaces (code 32 only). Returns text.
char *StrTrim(char *text);
// Copies the field at `cursor` (up to NUL, TAB, LF or CR) into `field`
// (at most size - 1 bytes, trailing spaces trimmed) and returns the cursor
// past the stop character; at the end of the text the cursor stays on the
// terminating NUL, so repeated calls never run past the string.
const char *GetNextTabField(const char *cursor, char *field, size_t size);
// One field read as a flag: 1 for "Y" or "1" (any case), else 0.
const char *GetNextTabFieldBool(const char *cursor, int32_t *flag);
// Frees the string in *slot and stores a fresh copy of text (or null).
void AssignListToGlobal(const char *text, char **slot);

// ---------------------------------------------------------------------------
// Weight text.
// "%5.3f" without trailing zeros (3.5, 2, 0.25); static buffer, overwritten
// by the next call.
const char *FormatOzNumber(float ounces);
inline constexpr size_t kFormatWeightBufferSize = 32;
// "3.5 oz", "17 oz" (above 1 lb, rounded up), "1 lb", "2 lbs". Returns 0.
int32_t FormatWeight(int32_t weight, char *buffer, size_t size = kFormatWeightBufferSize);

// ---------------------------------------------------------------------------
// Calendar routines.
extern const int32_t DaysInMonth[12];
int32_t LeapYear(int32_t year);
int32_t DaysInYear(int32_t year);
int32_t DayWithinMonth(int32_t month, int32_t day, int32_t year);
// Moves the date by `days` across at most one month boundary. Returns 1.
int32_t AdvanceDate(int32_t *month, int32_t *day, int32_t *year, int32_t days);

// Test hook: marks the engine uninitialised again (the registry stays).
void ResetRateEngineInitializedFlagForTests();
