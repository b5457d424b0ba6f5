#include "sources/ISO8601DateFormatter.h"

#include <QDebug>
#include <QMap>

#include <cmath>
#include <cstdint>
#include <limits>
#include <mutex>
#include <stdexcept>

namespace {

constexpr int64_t MaxNumber = std::numeric_limits<int32_t>::max();
// A fraction of a minute this small or smaller is no fraction.
constexpr double FractionEpsilon = 2.220446049250313e-16;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// The bytes of the text with a cursor. Reading past the end gives NUL.
class Cursor
{
public:
    explicit Cursor(const QByteArray &bytes) : m_bytes(bytes) {}

    char at(qsizetype offset = 0) const
    {
        const qsizetype i = m_pos + offset;
        return i >= 0 && i < m_bytes.size() ? m_bytes.at(i) : '\0';
    }
    qsizetype pos() const { return m_pos; }
    void setPos(qsizetype pos) { m_pos = pos; }
    void advance(qsizetype count = 1) { m_pos += count; }
    bool atEnd() const { return m_pos >= m_bytes.size(); }

    // A run of digits as one number; the count of digits. A number beyond
    // MaxNumber sets the overflow flag.
    int64_t readDigits(int *count)
    {
        int64_t value = 0;
        int digits = 0;
        while (isDigit(at())) {
            if (value <= MaxNumber)
                value = value * 10 + (at() - '0');
            ++digits;
            advance();
        }
        if (value > MaxNumber)
            overflow = true;
        *count = digits;
        return value;
    }
    // One or two digits; a non-digit first character counts as 0.
    int readTwoDigits()
    {
        int value = 0;
        if (atEnd())
            return 0;
        if (isDigit(at()))
            value = at() - '0';
        advance();
        if (isDigit(at())) {
            value = value * 10 + (at() - '0');
            advance();
        }
        return value;
    }
    // A decimal number whose fraction follows "," or ".".
    double readDecimal()
    {
        int digits = 0;
        double value = static_cast<double>(readDigits(&digits));
        if ((at() == ',' || at() == '.') && isDigit(at(1))) {
            advance();
            double scale = 0.1;
            while (isDigit(at())) {
                value += (at() - '0') * scale;
                scale /= 10.0;
                advance();
            }
        }
        return value;
    }

    bool overflow = false;

private:
    const QByteArray &m_bytes;
    qsizetype m_pos = 0;
};

enum class DateKind { Calendar, Ordinal, Week };

std::mutex g_zoneMutex;
QMap<int, QTimeZone> *g_zoneCache = nullptr;

int floorMod(int64_t a, int64_t b) { return static_cast<int>(((a % b) + b) % b); }

} // namespace

ISO8601DateFormatter::ISO8601DateFormatter()
    : m_parsingTimeZone(QTimeZone::systemTimeZone()), m_systemTimeZone(QTimeZone::systemTimeZone()),
      m_unparsingTimeZone(QTimeZone::systemTimeZone())
{
    std::lock_guard lock(g_zoneMutex);
    if (!g_zoneCache)
        g_zoneCache = new QMap<int, QTimeZone>;
}

void ISO8601DateFormatter::setDefaultTimeZone(const std::optional<QTimeZone> &zone)
{
    m_defaultTimeZone = zone;
    m_unparsingTimeZone = zone ? *zone : m_systemTimeZone;
}

QTimeZone ISO8601DateFormatter::timeZoneForSecondsFromGMT(int seconds)
{
    std::lock_guard lock(g_zoneMutex);
    if (!g_zoneCache)
        g_zoneCache = new QMap<int, QTimeZone>;
    const auto found = g_zoneCache->constFind(seconds);
    if (found != g_zoneCache->constEnd())
        return *found;
    // Qt carries offsets of up to 14 hours either way; beyond that no zone.
    if (seconds < -14 * 3600 || seconds > 14 * 3600)
        return QTimeZone();
    const QTimeZone zone(seconds);
    g_zoneCache->insert(seconds, zone);
    return zone;
}

void ISO8601DateFormatter::purgeGlobalCaches()
{
    std::lock_guard lock(g_zoneMutex);
    delete g_zoneCache;
    g_zoneCache = nullptr;
}

QDate ISO8601DateFormatter::today() const
{
    const QDateTime now = m_now ? m_now() : QDateTime::currentDateTime();
    return now.toTimeZone(m_parsingTimeZone).date();
}

ISO8601DateComponents ISO8601DateFormatter::dateComponentsFromString(const QString &text,
                                                                     std::optional<QTimeZone> *outTimeZone,
                                                                     ISO8601Range *outRange)
{
    const QChar separatorChar = m_parsesStrictly ? QChar(u':') : m_timeSeparator;
    if (separatorChar.isNull())
        throw std::logic_error("Time separator must not be NUL.");
    // A separator beyond ASCII never matches a single byte of the text.
    const char separator = separatorChar.unicode() < 0x80 ? static_cast<char>(separatorChar.unicode()) : '\x01';
    const bool strict = m_parsesStrictly;

    if (outTimeZone)
        *outTimeZone = std::nullopt;
    if (outRange)
        *outRange = ISO8601Range();

    const QByteArray bytes = text.toUtf8();
    Cursor in(bytes);
    if (bytes.isEmpty())
        return {};
    if (isSpace(in.at())) {
        if (strict)
            return {};
        while (isSpace(in.at()))
            in.advance();
    }
    const qsizetype start = in.pos();

    const QDate now = today();
    const int nowYear = now.year();
    const int century = nowYear / 100 * 100;

    DateKind kind = DateKind::Calendar;
    bool valid = true;
    int64_t year = nowYear, month = now.month(), day = now.day();
    int64_t week = 1, weekday = 1;

    // The week part after "W": week, optional "-", weekday (default Monday).
    auto readWeek = [&] {
        if (isDigit(in.at())) {
            week = in.readTwoDigits();
            if (in.at() == '-')
                in.advance();
            weekday = isDigit(in.at()) ? in.readTwoDigits() : 1;
            kind = DateKind::Week;
        } else if (strict) {
            valid = false;
        } else {
            month = 1;
            day = 1;
        }
    };
    // An optional "-" and a day of any length (default 1).
    auto readOptionalDay = [&] {
        const qsizetype back = in.pos();
        if (in.at() == '-')
            in.advance();
        if (isDigit(in.at())) {
            int digits = 0;
            day = in.readDigits(&digits);
        } else {
            in.setPos(back);
            day = 1;
        }
    };

    if (in.at() == 'T') {
        // No date part: today, when a time follows.
        valid = isDigit(in.at(1));
    } else {
        int hyphens = 0;
        while (in.at() == '-') {
            ++hyphens;
            in.advance();
        }
        int digits = 0;
        const int64_t n = in.readDigits(&digits);
        switch (hyphens) {
        case 0:
            switch (digits) {
            case 8:
                year = n / 10000;
                month = n / 100 % 100;
                day = n % 100;
                break;
            case 7:
                kind = DateKind::Ordinal;
                year = n / 1000;
                day = n % 1000;
                break;
            case 6:
                year = n / 10000 + century;
                month = n / 100 % 100;
                day = n % 100;
                break;
            case 4: {
                year = n;
                const qsizetype afterYear = in.pos();
                if (in.at() == '-')
                    in.advance();
                if (in.at() == 'W') {
                    in.advance();
                    readWeek();
                    break;
                }
                int more = 0;
                const int64_t m = in.readDigits(&more);
                if (more == 2) {
                    month = m;
                    readOptionalDay();
                } else if (more == 3) {
                    kind = DateKind::Ordinal;
                    day = m;
                } else if (more == 4) {
                    month = m / 100;
                    day = m % 100;
                } else {
                    in.setPos(afterYear);
                    in.overflow = false;
                    month = 1;
                    day = 1;
                }
                break;
            }
            case 1:
            case 2:
                if (in.at() == 'W' || (in.at() == '-' && in.at(1) == 'W')) {
                    year = century + n;
                    in.advance(in.at() == 'W' ? 1 : 2);
                    readWeek();
                } else if (in.at() == '-' && isDigit(in.at(1))) {
                    year = century + n;
                    in.advance();
                    const qsizetype monthStart = in.pos();
                    int more = 0;
                    const int64_t m = in.readDigits(&more);
                    if (more <= 2) {
                        month = m;
                        qDebug().noquote() << QStringLiteral("(%1) parsing month; segment is %2 and ch is %3")
                                                  .arg(text)
                                                  .arg(m)
                                                  .arg(QString::fromUtf8(bytes.mid(monthStart)));
                        if (in.at() == '-' && isDigit(in.at(1))) {
                            in.advance();
                            int dayDigits = 0;
                            day = in.readDigits(&dayDigits);
                        } else {
                            day = 1;
                        }
                    } else if (more == 3) {
                        kind = DateKind::Ordinal;
                        day = m;
                    } else if (more == 4) {
                        month = m / 100;
                        day = m % 100;
                    } else {
                        in.overflow = false;
                        month = 0;
                        day = 0;
                    }
                } else {
                    // A century.
                    year = n * 100 + nowYear % 100;
                    month = 1;
                    day = 1;
                }
                break;
            default:
                valid = false;
            }
            break;
        case 1:
            if (digits == 1 || digits == 2) {
                if (strict && digits == 1) {
                    // Only the year (in the current decade) of a week date.
                    year = nowYear / 10 * 10 + n;
                    if (in.at() == 'W') {
                        in.advance();
                        readWeek();
                    } else {
                        valid = false;
                    }
                    break;
                }
                year = digits == 1 ? nowYear / 10 * 10 + n : century + n;
                qDebug().noquote() << QStringLiteral("(%1) found %2 digits and one hyphen, so this is either -YY or "
                                                     "-YY-MM; segment (year) is %3")
                                          .arg(text)
                                          .arg(digits)
                                          .arg(n);
                month = 0;
                if (in.at() == '-' && isDigit(in.at(1))) {
                    in.advance();
                    month = in.readTwoDigits();
                    qDebug().noquote() << QStringLiteral("(%1) month is %2").arg(text).arg(month);
                }
                day = 1;
            } else if (digits == 3) {
                kind = DateKind::Ordinal;
                day = n;
            } else if (digits == 4) {
                year = n / 100;
                month = n % 100;
                readOptionalDay();
            } else if (digits == 0 && in.at() == 'W') {
                in.advance();
                if (in.at() == '-' && isDigit(in.at(1))) {
                    in.advance();
                    week = 1;
                    weekday = in.readTwoDigits();
                    kind = DateKind::Week;
                } else {
                    readWeek();
                }
            } else {
                valid = false;
            }
            break;
        case 2:
            if (digits == 1 || digits == 2) {
                month = n;
                if (in.at() == '-' && isDigit(in.at(1))) {
                    in.advance();
                    day = in.readTwoDigits();
                } else {
                    day = 0;
                }
            } else if (digits == 3) {
                kind = DateKind::Ordinal;
                day = n;
            } else if (digits == 4) {
                month = n / 100;
                day = n % 100;
            } else if (digits == 0 && !strict && in.at() == 'W' && in.at(1) == '-' && isDigit(in.at(2))) {
                in.advance(2);
                week = 1;
                weekday = in.readTwoDigits();
                kind = DateKind::Week;
            } else {
                valid = false;
            }
            break;
        case 3:
            if (digits == 1 || digits == 2)
                day = n;
            else
                valid = false;
            break;
        default:
            valid = false;
        }
    }
    if (in.overflow)
        valid = false;
    if (valid && strict && kind == DateKind::Ordinal) {
        const bool leap = QDate::isLeapYear(static_cast<int>(year));
        if (day < 1 || day > (leap ? 366 : 365))
            valid = false;
    }
    if (!valid)
        return {};

    // The time of day.
    int64_t hour = 0;
    double minute = 0, second = 0;
    std::optional<QTimeZone> zone;
    if (isSpace(in.at()) || in.at() == 'T')
        in.advance();
    if (isDigit(in.at())) {
        hour = in.readTwoDigits();
        if (in.at() == separator) {
            in.advance();
            if (separator == ',' || separator == '.') {
                minute = in.readTwoDigits();
                if (in.at() == separator) {
                    in.advance();
                    second = in.readTwoDigits();
                }
            } else {
                minute = in.readDecimal();
                const double fraction = minute - std::floor(minute);
                if (fraction > FractionEpsilon) {
                    second = fraction * 60.0;
                } else if (in.at() == separator) {
                    in.advance();
                    second = in.readDecimal();
                }
            }
        }
        if (!strict && isSpace(in.at()))
            in.advance();
        if (in.at() == 'Z') {
            in.advance();
            zone = QTimeZone::utc();
        } else if ((in.at() == '+' || in.at() == '-') && isDigit(in.at(1))) {
            const int sign = in.at() == '-' ? -1 : 1;
            in.advance();
            const int hours = in.readTwoDigits();
            if (in.at() == separator)
                in.advance();
            const int minutes = isDigit(in.at()) ? in.readTwoDigits() : 0;
            zone = timeZoneForSecondsFromGMT(sign * (hours * 3600 + minutes * 60));
            if (!zone->isValid())
                return {};
        }
    }
    if (in.overflow || minute > MaxNumber || second > MaxNumber)
        return {};

    if (kind == DateKind::Week) {
        const int64_t p = year - 1;
        const int64_t yy = floorMod(p, 100);
        const int64_t c = p - yy;
        const int w = floorMod(yy + yy / 4 + floorMod(c / 100, 4) * 5, 7);
        day = 7 * week - 7 + weekday - w;
        if (w >= 4)
            day += 7;
        kind = DateKind::Ordinal;
    }

    ISO8601DateComponents components;
    components.year = static_cast<int>(year);
    components.day = static_cast<int>(day);
    components.hour = static_cast<int>(hour);
    components.minute = static_cast<int>(minute);
    components.second = static_cast<int>(second);
    if (kind == DateKind::Calendar)
        components.month = static_cast<int>(month);
    if (outTimeZone)
        *outTimeZone = zone;
    if (outRange)
        *outRange = ISO8601Range{start, in.pos() - start};
    return components;
}

QDateTime ISO8601DateFormatter::dateFromString(const QString &text, std::optional<QTimeZone> *outTimeZone,
                                               ISO8601Range *outRange)
{
    std::optional<QTimeZone> zone;
    const ISO8601DateComponents c = dateComponentsFromString(text, &zone, outRange);
    if (outTimeZone)
        *outTimeZone = zone;
    if (c.isEmpty())
        return QDateTime();
    m_parsingTimeZone = zone ? *zone : m_systemTimeZone;

    // Out-of-range months and days carry over, as a lenient calendar does
    // (an ordinal day of 0 or less counts back from 1 January); a calendar
    // month or day left at 0 by a reduced form means the first.
    QDate date(*c.year, 1, 1);
    if (c.month && *c.month > 0)
        date = date.addMonths(*c.month - 1);
    if (*c.day > 0 || !c.month)
        date = date.addDays(static_cast<qint64>(*c.day) - 1);
    const qint64 seconds = qint64(*c.hour) * 3600 + qint64(*c.minute) * 60 + *c.second;
    date = date.addDays(seconds / 86400);
    if (!date.isValid())
        return QDateTime();
    const QDateTime result(date, QTime::fromMSecsSinceStartOfDay(static_cast<int>(seconds % 86400) * 1000),
                           m_parsingTimeZone);
    return result.isValid() ? result : QDateTime();
}

bool ISO8601DateFormatter::getObjectValue(QVariant *out, const QString &text, QString *errorDescription)
{
    const QDateTime date = dateFromString(text);
    if (out)
        *out = date.isValid() ? QVariant(date) : QVariant();
    return date.isValid();
}

// ---- Writing ------------------------------------------------------------------

QString ISO8601DateFormatter::replaceColonsInString(const QString &text, QChar timeSeparator)
{
    if (timeSeparator == QLatin1Char(':'))
        return text;
    QString result = text;
    result.replace(QLatin1Char(':'), timeSeparator);
    return result;
}

QString ISO8601DateFormatter::stringFromDate(const QDateTime &date)
{
    return stringFromDate(date, m_defaultTimeZone ? *m_defaultTimeZone : m_systemTimeZone);
}

QString ISO8601DateFormatter::stringFromDate(const QDateTime &date, const QTimeZone &zone)
{
    QString pattern;
    switch (m_format) {
    case ISO8601DateFormat::Calendar:
        pattern = QStringLiteral("yyyy-MM-dd");
        break;
    case ISO8601DateFormat::Ordinal:
        pattern = QStringLiteral("yyyy-DDD");
        break;
    case ISO8601DateFormat::Week:
        return weekDateStringForDate(date, zone);
    default:
        throw std::invalid_argument(QStringLiteral("self.format was %1, not calendar (%2), week (%3), or ordinal (%4)")
                                        .arg(static_cast<int>(m_format))
                                        .arg(static_cast<int>(ISO8601DateFormat::Calendar))
                                        .arg(static_cast<int>(ISO8601DateFormat::Week))
                                        .arg(static_cast<int>(ISO8601DateFormat::Ordinal))
                                        .toStdString());
    }
    if (m_includeTime)
        pattern += QStringLiteral("'T'HH:mm:ssZZZ");
    return stringFromDate(date, pattern, zone);
}

QString ISO8601DateFormatter::stringFromDate(const QDateTime &date, const QString &formatString, const QTimeZone &zone)
{
    const QDateTime local = date.toTimeZone(zone);
    const QDate d = local.date();
    const QTime t = local.time();
    auto pad = [](qint64 value, int width) { return QString::number(value).rightJustified(width, QLatin1Char('0')); };
    QString out;
    for (qsizetype i = 0; i < formatString.size();) {
        const QChar c = formatString.at(i);
        if (c == QLatin1Char('\'')) {
            const qsizetype end = formatString.indexOf(QLatin1Char('\''), i + 1);
            const qsizetype stop = end < 0 ? formatString.size() : end;
            out += formatString.mid(i + 1, stop - i - 1);
            i = stop + 1;
            continue;
        }
        qsizetype run = 1;
        while (i + run < formatString.size() && formatString.at(i + run) == c)
            ++run;
        switch (c.unicode()) {
        case u'y':
            out += pad(d.year(), static_cast<int>(run));
            break;
        case u'M':
            out += pad(d.month(), static_cast<int>(run));
            break;
        case u'd':
            out += pad(d.day(), static_cast<int>(run));
            break;
        case u'D':
            out += pad(d.dayOfYear(), static_cast<int>(run));
            break;
        case u'H':
            out += pad(t.hour(), static_cast<int>(run));
            break;
        case u'm':
            out += pad(t.minute(), static_cast<int>(run));
            break;
        case u's':
            out += pad(t.second(), static_cast<int>(run));
            break;
        case u'Z': {
            const int offset = local.offsetFromUtc();
            const int magnitude = std::abs(offset) / 60;
            out += (offset < 0 ? QLatin1Char('-') : QLatin1Char('+')) + pad(magnitude / 60, 2) + pad(magnitude % 60, 2);
            break;
        }
        default:
            out += QString(run, c);
        }
        i += run;
    }
    return replaceColonsInString(out, m_timeSeparator);
}

QString ISO8601DateFormatter::stringForObjectValue(const QVariant &value)
{
    if (value.metaType() != QMetaType::fromType<QDateTime>())
        return QString();
    return stringFromDate(value.toDateTime());
}

QString ISO8601DateFormatter::weekDateStringForDate(const QDateTime &date, const QTimeZone &zone)
{
    const QDate d = date.toTimeZone(zone).date();
    int weekYear = 0;
    const int week = d.weekNumber(&weekYear);
    const QString time = m_includeTime ? stringFromDate(date, QStringLiteral("'T'HH:mm:ssZZZ"), zone) : QString();
    return QStringLiteral("%1-W%2-%3%4")
        .arg(weekYear)
        .arg(week, 2, 10, QLatin1Char('0'))
        .arg(d.dayOfWeek(), 2, 10, QLatin1Char('0'))
        .arg(time);
}
