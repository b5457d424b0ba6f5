// ISO8601DateFormatter: the forms it reads against a fixed "now" (Sunday
// 15 June 2014, 12:00 in New York), the zones, the texts it refuses, and
// the small writing side.
#include "sources/ISO8601DateFormatter.h"

#include <gtest/gtest.h>

#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QDateTime &date, std::ostream *out)
{
    *out << date.toString(Qt::ISODateWithMs).toStdString();
}
QT_END_NAMESPACE

namespace {

const QTimeZone NewYork("America/New_York");

class ISO8601Test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        formatter.setSystemTimeZone(NewYork);
        formatter.setNowForTesting([] { return QDateTime(QDate(2014, 6, 15), QTime(12, 0), NewYork); });
    }
    QDateTime utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
    {
        return QDateTime(QDate(y, mo, d), QTime(h, mi, s), QTimeZone::utc());
    }
    QDateTime local(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
    {
        return QDateTime(QDate(y, mo, d), QTime(h, mi, s), NewYork);
    }
    ISO8601DateFormatter formatter;
};

TEST_F(ISO8601Test, ReadsTheFormsOfTheStandard)
{
    struct Case {
        const char *text;
        QDateTime expected;
    } cases[] = {
        {"2014-05-01T13:45:30Z", utc(2014, 5, 1, 13, 45, 30)},
        {"2014-05-01T13:45:30-05:00", utc(2014, 5, 1, 18, 45, 30)},
        {"2014-05-01T13:45:30-0500", utc(2014, 5, 1, 18, 45, 30)},
        {"2014-05-01T13:45:30+02", utc(2014, 5, 1, 11, 45, 30)},
        {"20140501", local(2014, 5, 1)},
        {"2014-05-01", local(2014, 5, 1)},
        {"2014-0501", local(2014, 5, 1)},
        {"2014-121", local(2014, 5, 1)},
        {"2014121", local(2014, 5, 1)},
        {"2014-W01-1", local(2013, 12, 30)},
        {"2014W011", local(2013, 12, 30)},
        {"2009-W53-7", local(2010, 1, 3)},
        {"2014-05-01 13:45", local(2014, 5, 1, 13, 45)},
        {"2014-05-01T1345", local(2014, 5, 1, 13)},
        {"2014-05-01T13:45:30.75", local(2014, 5, 1, 13, 45, 30)},
        {"T13:45.5", local(2014, 6, 15, 13, 45, 30)},
        {"2014-05-01T13:45:30", local(2014, 5, 1, 13, 45, 30)},
        {"2014-05", local(2014, 5, 1)},
        {"2014-05-7", local(2014, 5, 7)},
        {"2014", local(2014, 1, 1)},
        {"  2014-05-01", local(2014, 5, 1)},
        // Implied century and reduced forms against "now".
        {"140501", local(2014, 5, 1)},
        {"13-05", local(2013, 5, 1)},
        {"13-05-09", local(2013, 5, 9)},
        {"13-121", local(2013, 5, 1)},
        {"13-0509", local(2013, 5, 9)},
        {"13W011", local(2012, 12, 31)},
        {"13-W01-1", local(2012, 12, 31)},
        {"-13-05", local(2013, 5, 1)},
        {"-13", local(2013, 1, 1)},
        {"--05-09", local(2014, 5, 9)},
        {"--05", local(2014, 5, 1)},
        {"--0509", local(2014, 5, 9)},
        {"---09", local(2014, 6, 9)},
        {"-121", local(2014, 5, 1)},
        {"--121", local(2014, 5, 1)},
        {"-W-3", local(2014, 1, 1)},
        {"--W-3", local(2014, 1, 1)},
        {"-W02-1", local(2014, 1, 6)},
        {"-1405", local(14, 5, 1)},
        {"20", local(2014, 1, 1)},
        {"19", local(1914, 1, 1)},
        // Numbers beyond a field carry over, as a lenient calendar does.
        {"2014-02-30", local(2014, 3, 2)},
        {"2014-05-01T24:00", local(2014, 5, 2)},
    };
    for (const Case &c : cases) {
        const QDateTime date = formatter.dateFromString(QString::fromUtf8(c.text));
        EXPECT_TRUE(date.isValid()) << c.text;
        EXPECT_EQ(date.toUTC(), c.expected.toUTC()) << c.text;
    }
}

TEST_F(ISO8601Test, RefusesTextsThatAreNoDate)
{
    const char *texts[] = {
        "",
        "   ",
        "12345",
        "123456789",
        "x2014",
        "----05",
        "T",
        "Tx",
        "-",
        "W01",
        "--W",
        // Numbers that do not fit.
        "20140501000000000000",
        "-12345678901234567890",
        "2014-05-99999999999999999999",
        "2014-05-01T13:99999999999",
        "2014-05-01T13:45:99999999999.5",
        "2014-05-01T13:45+99:00",
    };
    for (const char *text : texts) {
        std::optional<QTimeZone> zone = QTimeZone::utc();
        ISO8601Range range{7, 7};
        EXPECT_FALSE(formatter.dateFromString(QString::fromUtf8(text), &zone, &range).isValid()) << text;
        EXPECT_FALSE(zone.has_value()) << text;
        EXPECT_FALSE(range.found()) << text;
        EXPECT_EQ(range.length, 0) << text;
        EXPECT_TRUE(formatter.dateComponentsFromString(QString::fromUtf8(text)).isEmpty()) << text;
        QVariant value = 1;
        EXPECT_FALSE(formatter.getObjectValue(&value, QString::fromUtf8(text))) << text;
        EXPECT_FALSE(value.isValid()) << text;
    }
}

TEST_F(ISO8601Test, ComponentsZoneAndRange)
{
    std::optional<QTimeZone> zone;
    ISO8601Range range;
    ISO8601DateComponents c =
        formatter.dateComponentsFromString(QStringLiteral("  2014-121T10:20:30.9+05:30 rest"), &zone, &range);
    EXPECT_EQ(c.year, 2014);
    EXPECT_FALSE(c.month.has_value()); // ordinal: counted from 1 January
    EXPECT_EQ(c.day, 121);
    EXPECT_EQ(c.hour, 10);
    EXPECT_EQ(c.minute, 20);
    EXPECT_EQ(c.second, 30); // the fraction of a second is dropped
    ASSERT_TRUE(zone.has_value());
    EXPECT_EQ(zone->offsetFromUtc(QDateTime::currentDateTimeUtc()), 5 * 3600 + 30 * 60);
    EXPECT_EQ(range.location, 2);
    EXPECT_EQ(range.length, static_cast<qsizetype>(strlen("2014-121T10:20:30.9+05:30")));

    // "Z" is UTC; the same offset comes from the cache each time.
    formatter.dateComponentsFromString(QStringLiteral("2014-05-01T00:00Z"), &zone);
    ASSERT_TRUE(zone.has_value());
    EXPECT_EQ(*zone, QTimeZone::utc());
    EXPECT_EQ(ISO8601DateFormatter::timeZoneForSecondsFromGMT(-18000),
              ISO8601DateFormatter::timeZoneForSecondsFromGMT(-18000));

    // A year with "-" and five digits: month and day 0.
    c = formatter.dateComponentsFromString(QStringLiteral("13-12345"));
    EXPECT_EQ(c.year, 2013);
    EXPECT_EQ(c.month, 0);
    EXPECT_EQ(c.day, 0);

    // Without a zone there is none; the text reads in the default zone.
    formatter.dateFromString(QStringLiteral("2014-05-01T10:00"), &zone);
    EXPECT_FALSE(zone.has_value());
    formatter.setSystemTimeZone(QTimeZone("Asia/Tokyo"));
    EXPECT_EQ(formatter.dateFromString(QStringLiteral("2014-05-01T10:00")).toUTC(), utc(2014, 5, 1, 1));
}

TEST_F(ISO8601Test, TimeSeparatorsAndStrictMode)
{
    formatter.setTimeSeparator(QLatin1Char('.'));
    EXPECT_EQ(formatter.dateFromString(QStringLiteral("2014-05-01T13.45.30Z")), utc(2014, 5, 1, 13, 45, 30));
    formatter.setTimeSeparator(QChar());
    EXPECT_THROW(formatter.dateFromString(QStringLiteral("2014")), std::logic_error);
    formatter.setTimeSeparator(QLatin1Char(':'));

    formatter.setParsesStrictly(true);
    EXPECT_FALSE(formatter.dateFromString(QStringLiteral(" 2014-05-01")).isValid());
    EXPECT_FALSE(formatter.dateFromString(QStringLiteral("--W-3")).isValid());
    EXPECT_FALSE(formatter.dateFromString(QStringLiteral("2014-W")).isValid());
    EXPECT_FALSE(formatter.dateFromString(QStringLiteral("2014-366")).isValid());
    EXPECT_TRUE(formatter.dateFromString(QStringLiteral("2012-366")).isValid());
    EXPECT_EQ(formatter.dateFromString(QStringLiteral("-4W01-1")), local(2013, 12, 30));
    EXPECT_FALSE(formatter.dateFromString(QStringLiteral("-4-05")).isValid());
}

TEST_F(ISO8601Test, WritesCalendarOrdinalAndWeekForms)
{
    const QDateTime date = utc(2014, 5, 1, 13, 45, 30);
    formatter.setDefaultTimeZone(QTimeZone::utc());
    EXPECT_EQ(formatter.stringFromDate(date), QStringLiteral("2014-05-01"));
    formatter.setIncludeTime(true);
    EXPECT_EQ(formatter.stringFromDate(date), QStringLiteral("2014-05-01T13:45:30+0000"));
    EXPECT_EQ(formatter.stringFromDate(date, QTimeZone(-5 * 3600)), QStringLiteral("2014-05-01T08:45:30-0500"));
    formatter.setTimeSeparator(QLatin1Char('.'));
    EXPECT_EQ(formatter.stringFromDate(date), QStringLiteral("2014-05-01T13.45.30+0000"));
    formatter.setTimeSeparator(QLatin1Char(':'));
    formatter.setIncludeTime(false);
    formatter.setFormat(ISO8601DateFormat::Ordinal);
    EXPECT_EQ(formatter.stringFromDate(date), QStringLiteral("2014-121"));
    formatter.setFormat(ISO8601DateFormat::Week);
    EXPECT_EQ(formatter.stringFromDate(utc(2013, 12, 30)), QStringLiteral("2014-W01-01"));
    EXPECT_EQ(formatter.stringForObjectValue(QVariant(utc(2014, 5, 1))), QStringLiteral("2014-W18-04"));
    EXPECT_TRUE(formatter.stringForObjectValue(QVariant(5)).isEmpty());
    formatter.setFormat(static_cast<ISO8601DateFormat>(7));
    EXPECT_THROW(formatter.stringFromDate(date), std::invalid_argument);

    // What is written reads back.
    formatter.setFormat(ISO8601DateFormat::Calendar);
    formatter.setIncludeTime(true);
    EXPECT_EQ(formatter.dateFromString(formatter.stringFromDate(date)), date);
}

} // namespace
