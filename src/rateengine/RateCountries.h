#pragma once
// Country table of the rate engine: the country rules file ("country2013.dat"),
// the alias file ("country-aliases.txt"), look-ups by code, name and alias,
// the per-class readings of a country record (price group, weight limit,
// indemnity limit) and the banned-country lists.
//
// Plain functions over process-wide state, like the rest of the engine; every
// call comes from one thread.
#include <cstddef>
#include <cstdint>
#include <string>

// Field numbers of a line of the country rules file (1-based, as in the file).
enum CountryField : int {
    kCountryFieldCode = 1,
    kCountryFieldName = 2,
    kCountryFieldGXGOffered = 3,
    kCountryFieldGXGGroup = 4,
    kCountryFieldGXGInsurance = 6,
    kCountryFieldGXGMaxWeight = 8,
    kCountryFieldGXGMaxDimension1 = 9,
    kCountryFieldGXGMaxDimension2 = 10,
    kCountryFieldGXGMaxDimension3 = 11,
    kCountryFieldGXGMaxLengthPlusGirth = 12,
    kCountryFieldPMEIOffered = 13,
    kCountryFieldPMEIGroup = 14,
    kCountryFieldPMEIMaxWeight = 15,
    kCountryFieldPMEIMaxWeightFlatRateEnvelope = 16,
    kCountryFieldPMEIMaxWeightFlatRateBox = 17,
    kCountryFieldPMEIInsurance = 18,
    kCountryFieldPMEIIndemnityLimit = 19,
    kCountryFieldPMEIMaxLength = 20,
    kCountryFieldPMEIMaxLengthPlusGirth = 21,
    kCountryFieldPMIOffered = 22, // text: "Y" or "SFRB"
    kCountryFieldPMIGroup = 23,
    kCountryFieldPMIMaxWeight = 24,
    kCountryFieldPMIMaxWeightEnvelopeSmallBox = 25,
    kCountryFieldPMIMaxWeightMediumLargeBox = 26,
    kCountryFieldPMIInsurance = 27,
    kCountryFieldPMIIndemnityLimit = 28,
    kCountryFieldPMIMaxLength = 29,
    kCountryFieldPMIMaxLengthPlusGirth = 30,
    kCountryFieldFCMIOffered = 31,
    kCountryFieldFCMIGroup = 32,
    kCountryFieldFCMIParcelOffered = 33,
    kCountryFieldFCMIParcelGroup = 34,
    kCountryFieldFCMIParcelDeliveryConfirmation = 35,
    kCountryFieldPMIFlatRateDeliveryConfirmation = 36,
    kCountryFieldMBagOffered = 37,
    kCountryFieldMBagGroup = 38,
    kCountryFieldMBagMaxWeight = 39,
    kCountryFieldCOD = 40,
    kCountryFieldCertified = 41,
    kCountryFieldRegistered = 42,
    kCountryFieldRestrictedDelivery = 43,
    kCountryFieldReturnReceipt = 44,
    kCountryFieldPMIRegionalGroup = 45,
    kCountryFieldPMIRegionalAMaxWeight = 46,
    kCountryFieldPMIRegionalBMaxWeight = 47,
    kCountryFieldPMIRegionalCMaxWeight = 48,
    kCountryFieldUnused49 = 49, // text, read and discarded
    kCountryFieldUnused50 = 50,
    kCountryFieldCount = 50
};

// Longest country or alias name, in bytes, without the terminator; a name
// buffer handed to GetCountryInfo or GetCountryList holds
// kCountryNameBufferSize bytes, a code buffer 3, a zone buffer 2.
inline constexpr std::size_t kCountryNameMaxLength = 2047;
inline constexpr std::size_t kCountryNameBufferSize = kCountryNameMaxLength + 1;

// One line of the country rules file.
struct CountryInfo {
    char code[3] = {0, 0, 0};
    std::string name;
    // Fields 3 to 50 by their field number (0 to 2 unused); flags read 0/1,
    // field 22 reads 1 when Priority Mail International is offered.
    int32_t field[kCountryFieldCount + 1] = {};
    // Field 22 read "SFRB": Priority Mail International, small flat-rate box only.
    int32_t pmiSmallFlatRateBoxOnly = 0;

    int32_t value(CountryField f) const { return field[f]; }
};

// Loaders. 1 on success; 0 when the file cannot be opened ("error: %i" on
// standard output), is not a well-formed file of its kind, or memory runs
// out. On 0 the list in use is kept unchanged.
int32_t LoadCountry2013FileAtPath(const char *path);
int32_t LoadCountryAliasFileAtPath(const char *path);

// Look-up by code (a 2-character text), name or alias, without regard to
// case. 0 and the outputs filled (code: 2 letters, no terminator), or -1.
int32_t GetCountryCodeForName(const char *name, char *code, const CountryInfo **record);
const CountryInfo *GetCountryInfoForCountryName(const char *name);

// Name <-> code conversion; see the header comment for the buffer sizes.
int32_t GetCountryInfo(char *name, char *code, char *rateName, char *zone);

// Walks the table one record per call: 0 on a record, -1 for an empty list,
// -2 past the end (the next call starts again at the first record), -6 when
// the engine is not initialised. A reload restarts the walk.
int32_t GetCountryList(char *name, char *code, char *zone);

// Per-class readings of a country given by name, code or alias.
int32_t GetCountryGroup(int32_t mailClass, int32_t shape, const char *country);
int32_t GetCountryMaxWeight(int32_t mailClass, int32_t shape, const char *country);
int32_t GetCountryPMIIndemnityLimit(const char *country);

// Banned-country lists: texts of two-letter codes; a null text clears a list.
void RegisterBannedCountryEMI(const char *list);
void RegisterBannedCountryPMI(const char *list);
void RegisterBannedCountryFCMI(const char *list);
void RegisterBannedCountryTolvaneInsurance(const char *list);

enum class BannedList { EMI, PMI, FCMI, TolvaneInsurance };
// True when the country's code occurs in the list (case-insensitive); a list
// never registered is registered empty first.
bool IsCountryCodeBanned(BannedList list, const char *code);

// Diagnostic print of a record on standard output.
void PrintACountryInfo(const CountryInfo *record);

// Metro Post merchant file readers.
int32_t ValidMetroPostZIPs(const char *path, const char *originZIP, const char *destinationZIP);
int32_t GetMerchantIDFromZIP(const char *path, const char *zip, char *merchantID, std::size_t merchantIDSize);
