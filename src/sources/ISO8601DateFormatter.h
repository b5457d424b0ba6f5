#pragma once
// ISO8601DateFormatter: reads dates written in the forms of ISO 8601 -
// calendar dates (2014-05-01, 20140501), ordinal dates (2014-121, 2014121)
// and week dates (2014-W01-1), basic and extended notation, reduced
// precision (2014-05, --05-01, ---01, -W-1 ...), implied century (140501),
// an optional time of day (hh, hh:mm, hh:mm:ss, decimal minutes and seconds)
// and an optional zone ("Z", +hh, +hhmm, +hh:mm).
//
// Reading walks the UTF-8 bytes of the text once. "Now" (for the forms that
// leave out the year, month or day) is today in the parsing zone; tests
// inject a fixed moment with setNowForTesting(). A date without a zone is
// read in the default time zone (the system's, or setSystemTimeZone()).
// Any number that does not fit (a run of digits beyond 2^31 - 1, an offset
// no zone can carry, a date beyond the calendar's range) makes the whole
// text invalid: no date comes out.
//
// Zones by offset are made once per offset and kept for the process in a
// class-wide cache (purgeGlobalCaches() lets them go).
//
// Reduced forms that leave the month or the day out (-YY, --MM) give 0 in
// the components; a date is then made with January, respectively the 1st.
//
// The writing side (calendar, ordinal or week form, optionally with the
// time of day) exists for completeness; the program itself only reads.
//
// Not thread-safe: one instance per thread (the zone cache is locked).
#include <QByteArray>
#include <QChar>
#include <QDateTime>
#include <QString>
#include <QTimeZone>
#include <QVariant>

#include <functional>
#include <optional>

inline constexpr char16_t ISO8601DefaultTimeSeparatorCharacter = u':';

enum class ISO8601DateFormat { Calendar = 0, Ordinal = 1, Week = 2 };

// What the reader found. Every field is empty for a text that is not a date;
// the month stays empty for ordinal and week dates (the day then counts from
// 1 January).
struct ISO8601DateComponents {
    std::optional<int> year;
    std::optional<int> month;
    std::optional<int> day;
    std::optional<int> hour;
    std::optional<int> minute;
    std::optional<int> second;

    bool isEmpty() const { return !year && !month && !day && !hour && !minute && !second; }
    bool operator==(const ISO8601DateComponents &) const = default;
};

// The part of the text that was read, in bytes of its UTF-8 form; location
// -1 ("not found") and length 0 when the text was not a date.
struct ISO8601Range {
    qsizetype location = -1;
    qsizetype length = 0;
    bool found() const { return location >= 0; }
};

class ISO8601DateFormatter
{
public:
    ISO8601DateFormatter();

    // ---- Reading ----------------------------------------------------------
    // The date, or an invalid QDateTime (nil). The zone read (none when the
    // text had none) and the range read go to the out parameters.
    QDateTime dateFromString(const QString &text, std::optional<QTimeZone> *outTimeZone = nullptr,
                             ISO8601Range *outRange = nullptr);
    ISO8601DateComponents dateComponentsFromString(const QString &text, std::optional<QTimeZone> *outTimeZone = nullptr,
                                                   ISO8601Range *outRange = nullptr);
    // The formatter interface: true and the date (a QDateTime) in *out
    // when a date came out.
    bool getObjectValue(QVariant *out, const QString &text, QString *errorDescription = nullptr);

    // ---- Settings -----------------------------------------------------------
    // Writing only; also the writing calendar's zone.
    std::optional<QTimeZone> defaultTimeZone() const { return m_defaultTimeZone; }
    void setDefaultTimeZone(const std::optional<QTimeZone> &zone);
    bool parsesStrictly() const { return m_parsesStrictly; }
    void setParsesStrictly(bool strict) { m_parsesStrictly = strict; }
    ISO8601DateFormat format() const { return m_format; }
    void setFormat(ISO8601DateFormat format) { m_format = format; }
    bool includeTime() const { return m_includeTime; }
    void setIncludeTime(bool include) { m_includeTime = include; }
    // Reading with a NUL separator throws std::logic_error ("Time separator
    // must not be NUL.").
    QChar timeSeparator() const { return m_timeSeparator; }
    void setTimeSeparator(QChar separator) { m_timeSeparator = separator; }

    // The zone a text without a zone is read in (the system's by default).
    QTimeZone systemTimeZone() const { return m_systemTimeZone; }
    void setSystemTimeZone(const QTimeZone &zone) { m_systemTimeZone = zone; }
    // For tests: the moment taken as "now" (nothing: the clock).
    void setNowForTesting(std::function<QDateTime()> now) { m_now = std::move(now); }

    // ---- Writing --------------------------------------------------------------
    // In the default time zone (else the system's). An unknown format throws
    // std::invalid_argument.
    QString stringFromDate(const QDateTime &date);
    QString stringFromDate(const QDateTime &date, const QTimeZone &zone);
    // A date pattern of the letters yyyy, MM, dd, DDD, HH, mm, ss, ZZZ and
    // quoted literals ('T').
    QString stringFromDate(const QDateTime &date, const QString &formatString, const QTimeZone &zone);
    // The text of a QDateTime value; empty for anything else.
    QString stringForObjectValue(const QVariant &value);
    // "yyyy-Www-dd" (ISO week-numbering year, week, weekday 1 Monday ...),
    // followed by the time of day when includeTime is on.
    QString weekDateStringForDate(const QDateTime &date, const QTimeZone &zone);
    static QString replaceColonsInString(const QString &text, QChar timeSeparator);

    // Lets the class-wide zone cache go.
    static void purgeGlobalCaches();
    // The cached zone for an offset in seconds (made on first use); an
    // invalid zone for an offset no zone can carry.
    static QTimeZone timeZoneForSecondsFromGMT(int seconds);

private:
    QDate today() const;

    QTimeZone m_parsingTimeZone;
    QTimeZone m_systemTimeZone;
    std::optional<QTimeZone> m_defaultTimeZone;
    QTimeZone m_unparsingTimeZone;
    ISO8601DateFormat m_format = ISO8601DateFormat::Calendar;
    QChar m_timeSeparator = QChar(ISO8601DefaultTimeSeparatorCharacter);
    bool m_includeTime = false;
    bool m_parsesStrictly = false;
    std::function<QDateTime()> m_now;
};
