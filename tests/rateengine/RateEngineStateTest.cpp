// Engine state, rate versions, text and calendar routines.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "rateengine/RateEngine.h"

namespace {

TEST(RateEngineState, RateVersionFollowsTheMailingDate)
{
    struct Case {
        const char *date;
        int32_t version;
    } cases[] = {
        {"09/06/2014", 16}, {"09/07/2014", 17}, {"20140907", 17},   {"20140906", 16},
        {"12/31/2013", 16}, {"9/7/2014", 17},   {"10/01/2014", 17}, {"01/01/2015", 17},
        {"01/26/2014", 16}, {"01/01/2010", 16}, {"09/07/14", 16}, // year 14
    };
    for (const Case &c : cases) {
        int32_t version = 0;
        EXPECT_EQ(SetRateVersion(c.date, &version), 0) << c.date;
        EXPECT_EQ(version, c.version) << c.date;
        EXPECT_EQ(giRateTable, c.version) << c.date;
    }
    EXPECT_EQ(SetRateVersion("09/07/2014"), 0); // no out-parameter
    EXPECT_EQ(giRateTable, 17);

    // The same rule for a date given as numbers: every text above that
    // parses to a date chooses the version its numbers choose.
    for (const Case &c : cases) {
        int32_t year = 0, month = 0, day = 0, version = 0;
        GetDateTimeInt(c.date, &year, &month, &day);
        EXPECT_EQ(SetRateVersionForDate(year, month, day, &version), 0) << c.date;
        EXPECT_EQ(version, c.version) << c.date;
        EXPECT_EQ(giRateTable, c.version) << c.date;
    }
    EXPECT_EQ(SetRateVersionForDate(2014, 9, 6), 0);
    EXPECT_EQ(giRateTable, 16);
    EXPECT_EQ(SetRateVersionForDate(2014, 9, 7), 0);
    EXPECT_EQ(giRateTable, 17);
}

TEST(RateEngineState, DateTextsParse)
{
    struct Case {
        const char *text;
        int32_t year, month, day;
    } cases[] = {
        {"9/7/2014", 2014, 9, 7},
        {"09/07/2014", 2014, 9, 7},
        {"09/07/14", 14, 9, 7},
        {"20140907", 2014, 9, 7},
        {"12/31/2013", 2013, 12, 31},
        // malformed: a non-digit ends a number, a missing part is 0
        {"ab/cd/efgh", 0, 0, 0},
        {"", 0, 0, 0},
        {"2014", 2014, 0, 0},
        {"9/7", 0, 9, 7},
    };
    for (const Case &c : cases) {
        int32_t y = -1, m = -1, d = -1;
        EXPECT_EQ(GetDateTimeInt(c.text, &y, &m, &d), 1);
        EXPECT_EQ(y, c.year) << c.text;
        EXPECT_EQ(m, c.month) << c.text;
        EXPECT_EQ(d, c.day) << c.text;
    }
    int32_t y = -1, m = -1, d = -1;
    GetDateTimeInt(nullptr, &y, &m, &d);
    EXPECT_EQ(y + m + d, 0);
}

TEST(RateEngineState, GetRateVersionBeforeAndAfterInitialisation)
{
    ResetRateEngineInitializedFlagForTests();
    int32_t engine = -1, rate = -1;
    char first[16] = "untouched", last[16] = "untouched";
    EXPECT_EQ(GetRateVersion(&engine, &rate, first, last), kRENotInitialized);
    EXPECT_EQ(engine, -1);
    EXPECT_EQ(rate, -1);
    EXPECT_STREQ(first, "untouched");

    EXPECT_EQ(InitializeRE("", "09/07/2014"), 0);
    EXPECT_EQ(GetRateVersion(&engine, &rate, first, last), 0);
    EXPECT_EQ(engine, 140501);
    EXPECT_EQ(rate, 17);
    EXPECT_STREQ(first, "09/07/2014");
    EXPECT_STREQ(last, "12/31/2025");

    SetRateVersion("02/01/2014");
    EXPECT_EQ(GetRateVersion(&engine, &rate, first, last), 0);
    EXPECT_EQ(rate, 16);
    EXPECT_STREQ(first, "01/26/2014");
    EXPECT_STREQ(last, "12/31/2015");

    // A version without validity dates leaves the buffers alone.
    giRateTable = 15;
    std::strcpy(first, "untouched");
    EXPECT_EQ(GetRateVersion(&engine, &rate, first, last), 0);
    EXPECT_EQ(rate, 15);
    EXPECT_STREQ(first, "untouched");
    SetRateVersion("02/01/2014");

    char change[16] = {0};
    EXPECT_EQ(GetPriceChangeDate(change), 0);
    EXPECT_STREQ(change, "09/07/2014");
}

TEST(RateEngineState, InitialisingAgainKeepsTheRegistryAndSetsTheVersion)
{
    InitializeRE("/some/path", "01/30/2014");
    EXPECT_EQ(giRateTable, 16);
    EXPECT_STREQ(gsFilePath, "/some/path");
    std::string longPath(3000, 'x');
    InitializeRE(longPath.c_str(), "20141001");
    EXPECT_EQ(giRateTable, 17);
    EXPECT_EQ(std::strlen(gsFilePath), 1023u);
    EXPECT_TRUE(gbInitialized);
}

TEST(RateEngineState, InternationalSet)
{
    const int32_t intl[] = {28, 29, 30, 35, 36, 38, 39, 42, 47, 49};
    for (int32_t c = 0; c < 260; ++c) {
        bool expected = false;
        for (int32_t i : intl)
            expected = expected || i == c;
        EXPECT_EQ(IsIntlClass(c), expected ? 1 : 0) << c;
    }
}

TEST(RateEngineWeightText, FormatWeight)
{
    struct Case {
        int32_t tenths;
        const char *text;
    } cases[] = {
        {35, "3.5 oz"}, {10, "1 oz"},   {159, "15.9 oz"}, {160, "1 lb"},  {165, "17 oz"},
        {320, "2 lbs"}, {480, "3 lbs"}, {1, "0.1 oz"},    {161, "17 oz"}, {170, "17 oz"},
    };
    for (const Case &c : cases) {
        char buffer[kFormatWeightBufferSize];
        EXPECT_EQ(FormatWeight(c.tenths, buffer), 0);
        EXPECT_STREQ(buffer, c.text) << c.tenths;
    }
    char small[4];
    FormatWeight(11200, small, sizeof small); // truncated, still terminated
    EXPECT_EQ(std::strlen(small), 3u);
}

TEST(RateEngineWeightText, FormatOzNumber)
{
    EXPECT_STREQ(FormatOzNumber(2.0f), "2");
    EXPECT_STREQ(FormatOzNumber(0.25f), "0.25");
    EXPECT_STREQ(FormatOzNumber(3.5f), "3.5");
    EXPECT_STREQ(FormatOzNumber(10.0f), "10");
    EXPECT_STREQ(FormatOzNumber(0.0f), "0");
}

TEST(RateEngineText, SubstringSearch)
{
    const char *list = "CU,IR,KP,SD,SY";
    EXPECT_EQ(strinci("ir", list), list + 3);
    EXPECT_EQ(strinc("ir", list), nullptr);
    EXPECT_EQ(strinc("IR", list), list + 3);
    EXPECT_EQ(strinci("", list), nullptr);
    EXPECT_EQ(strinci("ir", ""), nullptr);
    EXPECT_EQ(strinci(nullptr, list), nullptr);
    EXPECT_EQ(strinci("ir", nullptr), nullptr);
    EXPECT_EQ(strinci("SYX", list), nullptr);
}

TEST(RateEngineText, InsertTrimAndTabFields)
{
    char target[32] = "Zone";
    strins(" 3", target, 4);
    EXPECT_STREQ(target, "Zone 3");
    strins("A ", target, 0);
    EXPECT_STREQ(target, "A Zone 3");
    strins("x", target, 99); // beyond the end: unchanged
    EXPECT_STREQ(target, "A Zone 3");

    char padded[] = "  ALBANIA   ";
    EXPECT_STREQ(StrTrim(padded), "  ALBANIA");

    const char *line = "ALBANIA  \tAL\tY\r\n";
    char field[8];
    const char *p = GetNextTabField(line, field, sizeof field);
    EXPECT_STREQ(field, "ALBANIA");
    p = GetNextTabField(p, field, sizeof field);
    EXPECT_STREQ(field, "AL");
    int32_t flag = 0;
    p = GetNextTabFieldBool(p, &flag);
    EXPECT_EQ(flag, 1);
    p = GetNextTabField(p, field, sizeof field); // the LF after CR
    EXPECT_STREQ(field, "");
    // At the end the cursor stays on the terminator.
    const char *end = GetNextTabField(p, field, sizeof field);
    EXPECT_EQ(*end, '\0');
    EXPECT_EQ(GetNextTabField(end, field, sizeof field), end);

    const char *longField = "ABCDEFGHIJKLMNOP\tQ";
    p = GetNextTabField(longField, field, sizeof field);
    EXPECT_STREQ(field, "ABCDEFG"); // truncated to the buffer
    EXPECT_STREQ(p, "Q");

    for (const char *text : {"y", "1", "Y"}) {
        GetNextTabFieldBool(text, &flag);
        EXPECT_EQ(flag, 1) << text;
    }
    for (const char *text : {"N", "0", "yes", ""}) {
        GetNextTabFieldBool(text, &flag);
        EXPECT_EQ(flag, 0) << text;
    }

    char *slot = nullptr;
    AssignListToGlobal("CU,IR", &slot);
    EXPECT_STREQ(slot, "CU,IR");
    AssignListToGlobal(nullptr, &slot);
    EXPECT_EQ(slot, nullptr);
}

TEST(RateEngineCalendar, AdvanceDate)
{
    struct Case {
        int32_t month, day, year, days;
        int32_t toMonth, toDay, toYear;
    } cases[] = {
        {1, 31, 2014, 1, 2, 1, 2014},  {3, 1, 2012, -1, 2, 29, 2012},  {3, 1, 2014, -1, 2, 28, 2014},
        {12, 31, 2014, 1, 1, 1, 2015}, {1, 1, 2014, -1, 12, 31, 2013}, {2, 28, 2012, 1, 2, 29, 2012},
        {5, 10, 2014, 5, 5, 15, 2014},
    };
    for (const Case &c : cases) {
        int32_t m = c.month, d = c.day, y = c.year;
        EXPECT_EQ(AdvanceDate(&m, &d, &y, c.days), 1);
        EXPECT_EQ(m, c.toMonth) << c.month << "/" << c.day << "/" << c.year << " + " << c.days;
        EXPECT_EQ(d, c.toDay) << c.month << "/" << c.day << "/" << c.year << " + " << c.days;
        EXPECT_EQ(y, c.toYear) << c.month << "/" << c.day << "/" << c.year << " + " << c.days;
    }
}

TEST(RateEngineCalendar, LeapYearsAndMonthDays)
{
    EXPECT_EQ(LeapYear(2012), 1);
    EXPECT_EQ(LeapYear(2014), 0);
    EXPECT_EQ(LeapYear(1900), 0);
    EXPECT_EQ(LeapYear(2000), 1);
    EXPECT_EQ(DaysInYear(2012), 366);
    EXPECT_EQ(DaysInYear(2014), 365);
    EXPECT_EQ(DayWithinMonth(2, 29, 2012), 1);
    EXPECT_EQ(DayWithinMonth(2, 29, 2014), 0);
    EXPECT_EQ(DayWithinMonth(4, 31, 2014), 0);
    EXPECT_EQ(DayWithinMonth(4, 0, 2014), 0);
    EXPECT_EQ(DayWithinMonth(13, 1, 2014), 0);
}

} // namespace
