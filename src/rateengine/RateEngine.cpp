#include "rateengine/RateEngine.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "rateengine/RateRegistry.h"

char gsFilePath[1024] = {0};
int32_t giRateTable = kRateVersionJan2014;
bool gbInitialized = false;
char *gBannedEMI = nullptr;
char *gBannedPMI = nullptr;
char *gBannedFCMI = nullptr;
char *gBannedTInsurance = nullptr;

namespace {

// Plain decimal conversion of at most `maxChars` characters; a non-digit
// (or the end of the text) ends the number.
int32_t decimalPart(const char *text, size_t maxChars)
{
    int32_t value = 0;
    for (size_t i = 0; i < maxChars && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value > 100000000)
            break; // keeps malformed input from overflowing
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

int32_t rateVersionForDay(int32_t year, int32_t month, int32_t day)
{
    if (year > 2014 || (year == 2014 && (month > 9 || (month == 9 && day > 6))))
        return kRateVersionSep2014;
    return kRateVersionJan2014;
}

int32_t rateVersionForDate(const char *date)
{
    int32_t year = 0, month = 0, day = 0;
    GetDateTimeInt(date, &year, &month, &day);
    return rateVersionForDay(year, month, day);
}

int32_t monthLength(int32_t month, int32_t year)
{
    if (month < 1 || month > 12)
        return 31;
    if (month == 2 && LeapYear(year))
        return 29;
    return DaysInMonth[month - 1];
}

} // namespace

int32_t InitializeRE(const char *path, const char *date)
{
    std::snprintf(gsFilePath, sizeof gsFilePath, "%s", path ? path : "");
    giRateTable = rateVersionForDate(date);
    InitializeRateTable();
    gbInitialized = true;
    return 0;
}

int32_t SetRateVersion(const char *date, int32_t *version)
{
    giRateTable = rateVersionForDate(date);
    if (version)
        *version = giRateTable;
    return 0;
}

int32_t SetRateVersionForDate(int32_t year, int32_t month, int32_t day, int32_t *version)
{
    giRateTable = rateVersionForDay(year, month, day);
    if (version)
        *version = giRateTable;
    return 0;
}

int32_t GetRateVersion(int32_t *engineVersion, int32_t *rateVersion, char *firstDate, char *lastDate)
{
    if (!gbInitialized)
        return kRENotInitialized;
    if (engineVersion)
        *engineVersion = kRateEngineVersion;
    if (rateVersion)
        *rateVersion = giRateTable;
    unsigned fm = 0, fd = 0, fy = 0, lm = 0, ld = 0, ly = 0;
    if (giRateTable == kRateVersionSep2014) {
        fm = 9;
        fd = 7;
        fy = 2014;
        lm = 12;
        ld = 31;
        ly = 2025;
    } else if (giRateTable == kRateVersionJan2014) {
        fm = 1;
        fd = 26;
        fy = 2014;
        lm = 12;
        ld = 31;
        ly = 2015;
    } else {
        return 0;
    }
    if (firstDate)
        std::snprintf(firstDate, 11, "%02u/%02u/%04u", fm, fd, fy);
    if (lastDate)
        std::snprintf(lastDate, 11, "%02u/%02u/%04u", lm, ld, ly);
    return 0;
}

int32_t GetPriceChangeDate(char *buffer)
{
    if (buffer)
        std::snprintf(buffer, 11, "%02u/%02u/%04u", 9u, 7u, 2014u);
    return 0;
}

int32_t GetDateTimeInt(const char *text, int32_t *year, int32_t *month, int32_t *day)
{
    int32_t y = 0, m = 0, d = 0;
    if (text) {
        const size_t length = std::strlen(text);
        const char *slash = std::strchr(text, '/');
        if (slash) {
            // month/day/year
            const size_t monthDigits = (length > 1 && text[1] == '/') ? 1 : 2;
            m = decimalPart(text, monthDigits);
            const char *dayStart = slash + 1;
            const char *secondSlash = std::strchr(dayStart, '/');
            const size_t dayDigits = secondSlash ? static_cast<size_t>(secondSlash - dayStart) : std::strlen(dayStart);
            d = decimalPart(dayStart, dayDigits < 2 ? dayDigits : 2);
            if (secondSlash) {
                const char *yearStart = secondSlash + 1;
                const size_t rest = std::strlen(yearStart);
                y = decimalPart(yearStart, rest > 2 ? 4 : 2);
            }
        } else {
            // YYYYMMDD
            y = decimalPart(text, 4);
            if (length > 4)
                m = decimalPart(text + 4, 2);
            if (length > 6)
                d = decimalPart(text + 6, 2);
        }
    }
    if (year)
        *year = y;
    if (month)
        *month = m;
    if (day)
        *day = d;
    return 1;
}

int32_t IsIntlClass(int32_t mailClass)
{
    switch (mailClass) {
    case 28:
    case 29:
    case 30:
    case 35:
    case 36:
    case 38:
    case 39:
    case 42:
    case 47:
    case 49:
        return 1;
    default:
        return 0;
    }
}

// --- text routines ---------------------------------------------------------

const char *strinc(const char *needle, const char *haystack)
{
    if (!needle || !haystack || !*needle || !*haystack)
        return nullptr;
    return std::strstr(haystack, needle);
}

const char *strinci(const char *needle, const char *haystack)
{
    if (!needle || !haystack || !*needle || !*haystack)
        return nullptr;
    const size_t n = std::strlen(needle);
    for (const char *p = haystack; *p; ++p) {
        size_t i = 0;
        while (i < n && p[i] &&
               std::tolower(static_cast<unsigned char>(p[i])) == std::tolower(static_cast<unsigned char>(needle[i])))
            ++i;
        if (i == n)
            return p;
    }
    return nullptr;
}

char *strins(const char *text, char *target, size_t position)
{
    if (!text || !target)
        return target;
    const size_t targetLength = std::strlen(target);
    if (position > targetLength)
        return target;
    const size_t textLength = std::strlen(text);
    std::memmove(target + position + textLength, target + position, targetLength - position + 1);
    std::memcpy(target + position, text, textLength);
    return target;
}

char *StrTrim(char *text)
{
    if (!text)
        return text;
    size_t n = std::strlen(text);
    while (n > 0 && text[n - 1] == ' ')
        text[--n] = '\0';
    return text;
}

const char *GetNextTabField(const char *cursor, char *field, size_t size)
{
    if (field && size > 0)
        std::memset(field, 0, size);
    if (!cursor)
        return cursor;
    size_t i = 0;
    const char *p = cursor;
    while (*p && *p != '\t' && *p != '\n' && *p != '\r') {
        if (field && i + 1 < size)
            field[i++] = *p;
        ++p;
    }
    if (field && size > 0)
        StrTrim(field);
    return *p ? p + 1 : p;
}

const char *GetNextTabFieldBool(const char *cursor, int32_t *flag)
{
    char field[16];
    const char *next = GetNextTabField(cursor, field, sizeof field);
    const bool yes = (field[0] == 'Y' || field[0] == 'y' || field[0] == '1') && field[1] == '\0';
    if (flag)
        *flag = yes ? 1 : 0;
    return next;
}

void AssignListToGlobal(const char *text, char **slot)
{
    if (!slot)
        return;
    std::free(*slot);
    *slot = text ? strdup(text) : nullptr;
}

// --- weight text -------------------------------------------------------------

const char *FormatOzNumber(float ounces)
{
    static char szTemp[19];
    std::snprintf(szTemp, sizeof szTemp, "%5.3f", static_cast<double>(ounces));
    char *point = std::strchr(szTemp, '.');
    if (point) {
        size_t n = std::strlen(szTemp);
        while (n > 0 && szTemp[n - 1] == '0')
            szTemp[--n] = '\0';
        if (n > 0 && szTemp[n - 1] == '.')
            szTemp[--n] = '\0';
    }
    // "%5.3f" pads short numbers on the left; the text starts at the number.
    char *start = szTemp;
    while (*start == ' ')
        ++start;
    if (start != szTemp)
        std::memmove(szTemp, start, std::strlen(start) + 1);
    return szTemp;
}

int32_t FormatWeight(int32_t weight, char *buffer, size_t size)
{
    if (!buffer || size == 0)
        return 0;
    if (weight < 160) {
        std::snprintf(buffer, size, "%s oz", FormatOzNumber(static_cast<float>(weight) / 10.0f));
    } else if (weight % 160 != 0) {
        std::snprintf(buffer, size, "%u oz", static_cast<unsigned>((weight + 9) / 10));
    } else if (weight == 160) {
        std::snprintf(buffer, size, "%u lb", 1u);
    } else {
        std::snprintf(buffer, size, "%u lbs", static_cast<unsigned>(weight / 160));
    }
    return 0;
}

// --- calendar ----------------------------------------------------------------

const int32_t DaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

int32_t LeapYear(int32_t year) { return ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0) ? 1 : 0; }

int32_t DaysInYear(int32_t year) { return LeapYear(year) ? 366 : 365; }

int32_t DayWithinMonth(int32_t month, int32_t day, int32_t year)
{
    if (month < 1 || month > 12)
        return 0;
    return (day >= 1 && day <= monthLength(month, year)) ? 1 : 0;
}

int32_t AdvanceDate(int32_t *month, int32_t *day, int32_t *year, int32_t days)
{
    if (!month || !day || !year)
        return 1;
    const int32_t d = *day + days;
    if (d > 0 && d <= monthLength(*month, *year)) {
        *day = d;
    } else if (d > 0) {
        *day = d - monthLength(*month, *year);
        if (*month >= 12) {
            *month = 1;
            ++*year;
        } else {
            ++*month;
        }
    } else {
        if (*month <= 1) {
            *month = 12;
            --*year;
        } else {
            --*month;
        }
        *day = d + monthLength(*month, *year);
    }
    return 1;
}

void ResetRateEngineInitializedFlagForTests() { gbInitialized = false; }
