#include "rateengine/RateCountries.h"

#include "rateengine/RateEngine.h"
#include "rateengine/RateInternal.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <new>
#include <optional>
#include <string_view>
#include <vector>

namespace {

using tolvane::rates::ClampToInt32;
using tolvane::rates::EqualsIgnoringCaseAscii;

struct CountryAlias {
    std::string name;
    char code[3] = {0, 0, 0};
};

// The country table and the alias list, in file order.
std::vector<std::unique_ptr<CountryInfo>> countryList;
std::vector<CountryAlias> countryAliases;

// Cursor of GetCountryList: index of the record last answered, or none.
std::optional<std::size_t> countryListCurrent;

constexpr std::size_t kMaxLineLength = 2047;

bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool isTwoLetterCode(std::string_view s) { return s.size() == 2 && isAsciiLetter(s[0]) && isAsciiLetter(s[1]); }

// Splits one line (without its line end) at TAB; a field also ends at CR or
// LF, and trailing spaces of every field are removed.
std::vector<std::string_view> splitTabFields(std::string_view line)
{
    const auto stop = line.find_first_of("\r\n");
    if (stop != std::string_view::npos)
        line = line.substr(0, stop);
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const auto tab = line.find('\t', start);
        std::string_view f = line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start);
        while (!f.empty() && f.back() == ' ')
            f.remove_suffix(1);
        fields.push_back(f);
        if (tab == std::string_view::npos)
            break;
        start = tab + 1;
    }
    return fields;
}

bool readFlag(std::string_view f) { return EqualsIgnoringCaseAscii(f, "Y") || f == "1"; }

// Decimal integer with an optional sign; reading stops at the first other
// character, so an empty or non-numeric field reads 0.
int32_t readNumber(std::string_view f)
{
    std::size_t i = 0;
    while (i < f.size() && (f[i] == ' ' || f[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < f.size() && (f[i] == '-' || f[i] == '+'))
        negative = f[i++] == '-';
    int64_t v = 0;
    for (; i < f.size() && f[i] >= '0' && f[i] <= '9'; ++i) {
        v = v * 10 + (f[i] - '0');
        if (v > INT32_MAX)
            v = INT32_MAX;
    }
    return int32_t(negative ? -v : v);
}

bool isCommentOrBlank(std::string_view line)
{
    if (!line.empty() && line.front() == '%')
        return true;
    return line.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// Reads the whole file into lines; false when it cannot be opened (errno set).
bool readLines(const char *path, std::vector<std::string> &lines)
{
    if (!path) {
        errno = EINVAL;
        return false;
    }
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (errno == 0)
            errno = ENOENT;
        return false;
    }
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    // A byte-order mark left by an editor is not part of the first field.
    if (!lines.empty() && lines.front().rfind("\xEF\xBB\xBF", 0) == 0)
        lines.front().erase(0, 3);
    return true;
}

void reportOpenError()
{
    std::printf("error: %i\n", errno);
    std::fflush(stdout);
}

// One rules line into a record; false when the line is not a country line of
// the rules format.
bool parseCountryLine(std::string_view line, CountryInfo &rec)
{
    if (line.size() > kMaxLineLength)
        return false;
    const auto f = splitTabFields(line);
    if (f.size() < std::size_t(kCountryFieldCount))
        return false;
    if (!isTwoLetterCode(f[0]) || f[1].empty())
        return false;
    rec.code[0] = f[0][0];
    rec.code[1] = f[0][1];
    rec.code[2] = 0;
    rec.name.assign(f[1]);
    for (int n = 3; n <= kCountryFieldCount; ++n) {
        const std::string_view v = f[std::size_t(n - 1)];
        switch (n) {
        case kCountryFieldPMIOffered: {
            const bool smallBoxOnly = EqualsIgnoringCaseAscii(v, "SFRB");
            rec.pmiSmallFlatRateBoxOnly = smallBoxOnly ? 1 : 0;
            rec.field[n] = (EqualsIgnoringCaseAscii(v, "Y") || smallBoxOnly) ? 1 : 0;
            break;
        }
        case kCountryFieldUnused49:
            rec.field[n] = 0;
            break;
        case kCountryFieldGXGOffered:
        case kCountryFieldGXGInsurance:
        case kCountryFieldPMEIOffered:
        case kCountryFieldPMEIInsurance:
        case kCountryFieldPMIInsurance:
        case kCountryFieldFCMIOffered:
        case kCountryFieldFCMIParcelOffered:
        case kCountryFieldFCMIParcelDeliveryConfirmation:
        case kCountryFieldPMIFlatRateDeliveryConfirmation:
        case kCountryFieldMBagOffered:
        case kCountryFieldCOD:
        case kCountryFieldCertified:
        case kCountryFieldRegistered:
        case kCountryFieldRestrictedDelivery:
        case kCountryFieldReturnReceipt:
        case kCountryFieldUnused50:
            rec.field[n] = readFlag(v) ? 1 : 0;
            break;
        default:
            rec.field[n] = readNumber(v);
            break;
        }
    }
    return true;
}

const CountryInfo *findByCode(std::string_view code)
{
    for (const auto &rec : countryList)
        if (EqualsIgnoringCaseAscii(std::string_view(rec->code, 2), code.substr(0, 2)))
            return rec.get();
    return nullptr;
}

const CountryInfo *findCountry(const char *text)
{
    if (!text)
        return nullptr;
    const std::string_view t(text);
    const CountryInfo *found = nullptr;
    if (t.size() == 2) {
        found = findByCode(t);
    } else {
        for (const auto &rec : countryList)
            if (EqualsIgnoringCaseAscii(rec->name, t)) {
                found = rec.get();
                break;
            }
    }
    if (found)
        return found;
    for (const auto &alias : countryAliases)
        if (EqualsIgnoringCaseAscii(alias.name, t))
            return findByCode(std::string_view(alias.code, 2));
    return nullptr;
}

void copyText(char *buffer, const std::string &text) { std::memcpy(buffer, text.c_str(), text.size() + 1); }

void writeZone(char *zone)
{
    if (zone) {
        zone[0] = '0';
        zone[1] = 0;
    }
}

char *&bannedSlot(BannedList list)
{
    switch (list) {
    case BannedList::EMI:
        return gBannedEMI;
    case BannedList::PMI:
        return gBannedPMI;
    case BannedList::FCMI:
        return gBannedFCMI;
    case BannedList::TolvaneInsurance:
        break;
    }
    return gBannedTInsurance;
}

// Case-insensitive substring search.
bool containsIgnoringCase(std::string_view haystack, std::string_view needle)
{
    if (needle.empty() || haystack.size() < needle.size())
        return false;
    for (std::size_t i = 0; i + needle.size() <= haystack.size(); ++i)
        if (EqualsIgnoringCaseAscii(haystack.substr(i, needle.size()), needle))
            return true;
    return false;
}

} // namespace

int32_t LoadCountry2013FileAtPath(const char *path)
{
    std::vector<std::string> lines;
    if (!readLines(path, lines)) {
        reportOpenError();
        return 0;
    }
    try {
        std::vector<std::unique_ptr<CountryInfo>> records;
        for (const auto &line : lines) {
            if (isCommentOrBlank(line))
                continue;
            auto rec = std::make_unique<CountryInfo>();
            // A line outside the format (an error page sent instead of the
            // rules, a cut-off download) leaves the table in use alone.
            if (!parseCountryLine(line, *rec))
                return 0;
            records.push_back(std::move(rec));
        }
        if (records.empty())
            return 0;
        countryList = std::move(records);
        // The walk of GetCountryList starts again on the new table.
        countryListCurrent.reset();
    } catch (const std::bad_alloc &) {
        return 0;
    }
    return 1;
}

int32_t LoadCountryAliasFileAtPath(const char *path)
{
    std::vector<std::string> lines;
    if (!readLines(path, lines)) {
        reportOpenError();
        return 0;
    }
    try {
        std::vector<CountryAlias> aliases;
        for (const auto &line : lines) {
            if (isCommentOrBlank(line))
                continue;
            if (line.size() > kMaxLineLength)
                return 0;
            const auto f = splitTabFields(line);
            if (f.size() < 2 || f[0].empty() || !isTwoLetterCode(f[1]))
                return 0;
            CountryAlias alias;
            alias.name.assign(f[0]);
            alias.code[0] = f[1][0];
            alias.code[1] = f[1][1];
            aliases.push_back(std::move(alias));
        }
        countryAliases = std::move(aliases);
    } catch (const std::bad_alloc &) {
        return 0;
    }
    return 1;
}

int32_t GetCountryCodeForName(const char *name, char *code, const CountryInfo **record)
{
    const CountryInfo *rec = findCountry(name);
    if (!rec)
        return kRENoCountry;
    if (code) {
        code[0] = rec->code[0];
        code[1] = rec->code[1];
    }
    if (record)
        *record = rec;
    return kRESuccess;
}

const CountryInfo *GetCountryInfoForCountryName(const char *name) { return findCountry(name); }

int32_t GetCountryInfo(char *name, char *code, char *rateName, char *zone)
{
    if (!gbInitialized)
        return kRENotInitialized;
    if (!name && !code)
        return kRENoCountry;
    const std::size_t nameLength = name ? std::strlen(name) : 0;
    if (nameLength >= 3 && EqualsIgnoringCaseAscii(name, "UNITED STATES")) {
        if (code)
            std::memcpy(code, "US", 3);
        return kRESuccess;
    }
    if (nameLength < 3 && code && EqualsIgnoringCaseAscii(code, "US")) {
        if (name)
            std::memcpy(name, "UNITED STATES", sizeof "UNITED STATES");
        return kRESuccess;
    }
    const CountryInfo *rec = nullptr;
    if (name)
        rec = findCountry(name);
    if (!rec && code)
        rec = findCountry(code);
    if (!rec)
        return kRENoCountry;
    if (name)
        copyText(name, rec->name);
    if (rateName)
        copyText(rateName, rec->name);
    if (code)
        std::memcpy(code, rec->code, 3);
    writeZone(zone);
    return kRESuccess;
}

int32_t GetCountryList(char *name, char *code, char *zone)
{
    if (!gbInitialized)
        return kRENotInitialized;
    if (!countryListCurrent) {
        if (countryList.empty())
            return kRENoCountry;
        countryListCurrent = 0;
    } else {
        const std::size_t next = *countryListCurrent + 1;
        if (next >= countryList.size()) {
            countryListCurrent.reset();
            return kREClassNotOffered;
        }
        countryListCurrent = next;
    }
    const CountryInfo &rec = *countryList[*countryListCurrent];
    if (name)
        copyText(name, rec.name);
    if (code)
        std::memcpy(code, rec.code, 3);
    writeZone(zone);
    return kRESuccess;
}

int32_t GetCountryGroup(int32_t mailClass, int32_t shape, const char *country)
{
    if (!country || !*country)
        return 0;
    const CountryInfo *rec = findCountry(country);
    if (!rec)
        return 0;
    auto offered = [rec](CountryField flag, CountryField group) { return rec->value(flag) ? rec->value(group) : 0; };
    switch (mailClass) {
    case 28:
        return offered(kCountryFieldPMEIOffered, kCountryFieldPMEIGroup);
    case 29:
        return offered(kCountryFieldGXGOffered, kCountryFieldGXGGroup);
    case 30:
        if (shape == 12 || shape == 13 || shape == 21)
            return rec->value(kCountryFieldPMIRegionalGroup);
        return offered(kCountryFieldPMIOffered, kCountryFieldPMIGroup);
    case 47:
        return rec->value(kCountryFieldPMIGroup);
    case 36:
    case 38:
    case 39:
    case 49:
        return offered(kCountryFieldMBagOffered, kCountryFieldMBagGroup);
    case 42:
        if (shape == 3)
            return offered(kCountryFieldFCMIParcelOffered, kCountryFieldFCMIParcelGroup);
        return offered(kCountryFieldFCMIOffered, kCountryFieldFCMIGroup);
    default:
        return 0;
    }
}

int32_t GetCountryMaxWeight(int32_t mailClass, int32_t shape, const char *country)
{
    if (!country || !*country)
        return 0;
    const CountryInfo *rec = findCountry(country);
    if (!rec)
        return 0;
    // A limit too large for tenths of an ounce reads as the largest one.
    auto pounds = [rec](CountryField f) { return ClampToInt32(int64_t(rec->value(f)) * 160); };
    switch (mailClass) {
    case 28:
        if (shape == 5 || shape == 10 || shape == 11)
            return pounds(kCountryFieldPMEIMaxWeightFlatRateEnvelope);
        if (shape == 6)
            return pounds(kCountryFieldPMEIMaxWeightFlatRateBox);
        return pounds(kCountryFieldPMEIMaxWeight);
    case 29:
        return pounds(kCountryFieldGXGMaxWeight);
    case 30:
    case 47:
        switch (shape) {
        case 5:
        case 9:
        case 10:
        case 11:
        case 14:
        case 15:
        case 16:
        case 17:
        case 18:
        case 19:
            return pounds(kCountryFieldPMIMaxWeightEnvelopeSmallBox);
        case 6:
        case 8:
        case 20:
            return pounds(kCountryFieldPMIMaxWeightMediumLargeBox);
        case 12:
            return pounds(kCountryFieldPMIRegionalAMaxWeight);
        case 13:
            return pounds(kCountryFieldPMIRegionalBMaxWeight);
        case 21:
            return pounds(kCountryFieldPMIRegionalCMaxWeight);
        default:
            return pounds(kCountryFieldPMIMaxWeight);
        }
    case 36:
    case 38:
    case 39:
        return pounds(kCountryFieldMBagMaxWeight);
    case 42:
        if (shape == 7)
            return 10;
        if (shape == 1)
            return 35;
        return 640;
    case 49:
        return 704;
    default:
        return 0;
    }
}

int32_t GetCountryPMIIndemnityLimit(const char *country)
{
    if (!country || !*country)
        return 0;
    const CountryInfo *rec = findCountry(country);
    if (!rec)
        return 0;
    return ClampToInt32(int64_t(rec->value(kCountryFieldPMIIndemnityLimit)) * 100);
}

void RegisterBannedCountryEMI(const char *list) { AssignListToGlobal(list, &gBannedEMI); }

void RegisterBannedCountryPMI(const char *list) { AssignListToGlobal(list, &gBannedPMI); }

void RegisterBannedCountryFCMI(const char *list) { AssignListToGlobal(list, &gBannedFCMI); }

void RegisterBannedCountryTolvaneInsurance(const char *list) { AssignListToGlobal(list, &gBannedTInsurance); }

bool IsCountryCodeBanned(BannedList list, const char *code)
{
    char *&slot = bannedSlot(list);
    if (!slot)
        AssignListToGlobal("", &slot);
    if (!code || !slot)
        return false;
    return containsIgnoringCase(slot, std::string_view(code, strnlen(code, 2)));
}

void PrintACountryInfo(const CountryInfo *record)
{
    if (!record) {
        std::printf("passed in NULL to PrintACountryInfo\n");
        std::fflush(stdout);
        return;
    }
    std::printf("%s\t%s\t", record->code, record->name.c_str());
    for (int n = 3; n <= 22; ++n)
        std::printf("%i\t", record->field[n]);
    std::printf("%i\t", record->pmiSmallFlatRateBoxOnly);
    for (int n = 23; n <= 26; ++n)
        std::printf("%i\t", record->field[n]);
    for (int n = 27; n <= 44; ++n)
        std::printf("%i\t", record->field[n]);
    std::printf("\n");
    std::fflush(stdout);
}

namespace {

bool readMerchantFile(const char *path, std::vector<std::string> &lines)
{
    if (readLines(path, lines))
        return true;
    reportOpenError();
    return false;
}

bool isMerchantLine(std::string_view line) { return line.substr(0, 10) == "MerchantID"; }

} // namespace

int32_t ValidMetroPostZIPs(const char *path, const char *originZIP, const char *destinationZIP)
{
    std::vector<std::string> lines;
    if (!readMerchantFile(path, lines))
        return 5;
    const std::string_view origin = originZIP ? originZIP : "";
    const std::string_view destination = destinationZIP ? destinationZIP : "";
    if (origin.size() < 5)
        return destination.size() < 5 ? 3 : 2;
    if (destination.size() < 5)
        return 1;
    bool originSeen = false;
    bool destinationSeen = false;
    for (const auto &l : lines) {
        const std::string_view line = std::string_view(l).substr(0, kMaxLineLength);
        if ((!line.empty() && line.front() == '%') || isMerchantLine(line))
            continue;
        const bool hasOrigin = line.find(origin) != std::string_view::npos;
        const bool hasDestination = line.find(destination) != std::string_view::npos;
        if (hasOrigin && hasDestination)
            return 0;
        originSeen = originSeen || hasOrigin;
        destinationSeen = destinationSeen || hasDestination;
    }
    if (originSeen)
        return 1;
    return destinationSeen ? 2 : 3;
}

int32_t GetMerchantIDFromZIP(const char *path, const char *zip, char *merchantID, std::size_t merchantIDSize)
{
    std::vector<std::string> lines;
    if (!readMerchantFile(path, lines))
        return 0;
    if (!zip || !merchantID || merchantIDSize == 0)
        return 0;
    const std::string wanted =
        std::string("MerchantID") + std::string(merchantID, strnlen(merchantID, merchantIDSize)) + ":";
    for (const auto &l : lines) {
        const std::string_view line = std::string_view(l).substr(0, kMaxLineLength);
        if ((!line.empty() && line.front() == '%') || !isMerchantLine(line))
            continue;
        if (line.find(wanted) == std::string_view::npos)
            continue;
        std::size_t start = 0;
        for (;;) {
            const auto bar = line.find('|', start);
            const std::string_view entry =
                line.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start);
            const auto idStart = entry.find("MerchantID");
            const auto colon = entry.find(':');
            if (idStart != std::string_view::npos && colon != std::string_view::npos && colon > idStart + 10) {
                const std::string_view id = entry.substr(idStart + 10, colon - idStart - 10);
                const std::string_view zips = entry.substr(colon + 1);
                if (*zip && zips.find(zip) != std::string_view::npos && id.size() < merchantIDSize) {
                    std::memcpy(merchantID, id.data(), id.size());
                    merchantID[id.size()] = 0;
                    return 1;
                }
            }
            if (bar == std::string_view::npos)
                break;
            start = bar + 1;
        }
    }
    return 0;
}
