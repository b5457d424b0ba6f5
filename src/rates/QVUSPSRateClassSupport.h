#pragma once
// Small helpers shared by the rate classes and the shipment functions of the
// rate layer (not part of its interface): the saturating integer conversion,
// the tags of the menus, two groups of piece sizes, the engine's rate version
// for an international ship date, and the arithmetic and texts of the weight
// menus, which the domestic and the international rate classes build alike.
#include "model/StringAdditions.h"
#include "platform/UserDefaults.h"
#include "rates/QVUSPSRateClass.h"
#include "rateengine/RateEngine.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace qvrates {

// The value held to the range of int.
inline int clampToInt(qint64 value)
{
    return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// A user default that pricing reads at every re-price, kept with the change
// count of the defaults it was read under and read again once that differs.
// One memo serves one key (a thread_local at the place that reads it).
template <typename T> struct DefaultsMemo {
    quint64 changes = 0; // 0: never read
    T value{};
};

template <typename T, typename Read> const T &rememberedDefault(DefaultsMemo<T> &memo, Read read)
{
    const quint64 changes = UserDefaults::changeCount();
    if (memo.changes != changes) {
        memo.value = read();
        memo.changes = changes;
    }
    return memo.value;
}

// The year, month and day of a date, kept with the date they were worked out
// for: pricing asks for the parts of the same dates at every re-price. One
// memo serves one place that asks (a thread_local there).
struct DatePartsMemo {
    QDate date; // invalid: never asked
    int year = 0;
    int month = 0;
    int day = 0;
};

inline void rememberedDateParts(DatePartsMemo &memo, const QDate &date, int *year, int *month, int *day)
{
    if (!date.isValid() || date != memo.date) {
        int y = 0, m = 0, d = 0;
        date.getDate(&y, &m, &d);
        memo.date = date;
        memo.year = y;
        memo.month = m;
        memo.day = d;
    }
    *year = memo.year;
    *month = memo.month;
    *day = memo.day;
}

// The tag of a menu entry (its first index); QVNotFound when not in the menu.
inline qsizetype tagInMenu(const QStringList &menu, const QString &entry)
{
    const qsizetype index = menu.indexOf(entry);
    return index < 0 ? QVNotFound : index;
}

// The menu entry of a tag; a null string for a tag outside the menu.
inline QString entryForTag(const QStringList &menu, qsizetype tag)
{
    return (tag >= 0 && tag < menu.size()) ? menu.at(tag) : QString();
}

// The regional-rate boxes (domestic Priority Mail only).
inline bool isRegionalRateBox(const QString &size)
{
    return size == QVUSPSRegionalRateBoxASize || size == QVUSPSRegionalRateBoxBSize ||
        size == QVUSPSRegionalRateBoxCSize;
}

// The flat-rate pieces that Priority Mail Express takes as well as Priority
// Mail, at home and abroad.
inline bool isExpressFlatRateSize(const QString &size)
{
    return size == QVUSPSFlatRateEnvelopeSize || size == QVUSPSFlatRateLegalEnvelopeSize ||
        size == QVUSPSFlatRatePaddedEnvelopeSize || size == QVUSPSFlatRateBoxSize;
}

// Sets the engine's rate version for an international piece shipped on the
// date (an invalid date counts as now), or for the September 2014 prices
// whenever the user default "useSep14Rates" says they are in force.
inline void setIntlRateVersionForDate(const QDateTime &date)
{
    const QDate day = UserDefaults::standardUserDefaults().boolForKey(QStringLiteral("useSep14Rates"))
        ? QVUSPSSep2014RateClass::classObject().effectiveDay()
        : (date.isValid() ? date : QDateTime::currentDateTime()).date();
    SetRateVersionForDate(day.year(), day.month(), day.day());
}

// Whole units of a weight break (tenths of an ounce), rounded up; a break of
// zero or below is divided as it is.
inline int wholeUnitsRoundedUp(int32_t tenths, int perUnit)
{
    return tenths / perUnit + (tenths > 0 && tenths % perUnit != 0 ? 1 : 0);
}

// A single-precision number as a number object prints it ("0.0625").
inline QString printedFloat(float value) { return QString::number(double(value), 'g', 7); }

// A menu of whole pounds as whole ounces.
inline QStringList ouncesMenuFromPounds(const QStringList &pounds)
{
    QStringList menu;
    menu.reserve(pounds.size());
    for (const QString &entry : pounds)
        menu.append(QString::number(qint64(entry.toFloat() * 16.0f)));
    return menu;
}

// A menu of whole ounces as pounds, each a printed single-precision number.
inline QStringList poundsMenuFromOunces(const QStringList &ounces)
{
    QStringList menu;
    menu.reserve(ounces.size());
    for (const QString &entry : ounces)
        menu.append(printedFloat(entry.toFloat() / 16.0f));
    return menu;
}

// "1 oz", "2 ozs", "0.5 lbs": each entry with the unit, plural unless "1".
inline QStringList displayWeights(QStringList menu, const QString &unit)
{
    for (QString &entry : menu) {
        const bool single = entry == QLatin1String("1");
        entry += QLatin1Char(' ') + unit;
        if (!single)
            entry += QLatin1Char('s');
    }
    return menu;
}

// The first index of an ounces menu at least as heavy; QVNotFound when every
// entry is lighter.
inline qsizetype indexOfFirstWeightAtLeast(const QStringList &ouncesMenu, int ounces)
{
    for (qsizetype i = 0; i < ouncesMenu.size(); ++i) {
        if (longLongValue(ouncesMenu.at(i)) >= ounces)
            return i;
    }
    return QVNotFound;
}

// Pounds x 16 rounded up to whole ounces, held to the range of int (not a
// number counts as 0).
inline int wholeOuncesOfPounds(float pounds)
{
    const float ounces = std::ceil(pounds * 16.0f);
    if (std::isnan(ounces))
        return 0;
    // Largest float below 2^31, so that the conversion cannot overflow (an
    // overflowing conversion would read as the lightest weight).
    return int(std::clamp(ounces, float(std::numeric_limits<int>::min()), 2147483520.0f));
}

} // namespace qvrates
