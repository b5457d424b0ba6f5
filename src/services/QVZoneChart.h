#pragma once
// Zone charts of the zone-chart service and the file that caches them.
//
// A chart answers, for one origin ZIP code, the USPS zone of every
// destination ZIP5 that it names. It is kept as ranges of destination ZIP5
// numbers (0 to 99999) per zone, never as one entry per number, so that an
// absurd reply cannot make the program allocate without bound. Zones are
// capped at 9, the highest USPS zone: a range the service gives with a
// higher zone counts as zone 9.
//
// The service's reply (readZoneChartReply): upper-cased, "<BR>" read as a
// line break, "</BODY></HTML>" removed; a line counts only when it splits at
// single spaces into exactly three fields "start end zone", where start and
// end begin with five digits (their value is that of the first five) and
// zone is all digits (at most 9). Lines whose end lies below their start
// are rejected too. Ranges of one zone accumulate in order.
//
// The cache file ("zoneChartCache" in the application-support folder) is a
// text of our own, rewritten whole after every change:
//   TolvaneZoneChartCache 1
//   chartDate MMDDYYYY          (optional; the service's chart date)
//   chart 63301                 (an origin ZIP5; its ranges follow)
//   3 00501 00599               (zone, first and last destination ZIP5)
// A file that does not follow this form in every line, or that is larger
// than kMaxZoneCacheFileSize, counts as empty.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>

// The highest zone a chart answers.
inline constexpr int kMaxUSPSZone = 9;
// The largest cache file that is read (bytes).
inline constexpr qint64 kMaxZoneCacheFileSize = 16 * 1024 * 1024;

struct QVZoneRange {
    int zone = 0;
    int first = 0;
    int last = 0;
    bool operator==(const QVZoneRange &) const = default;
};

class QVZoneChart
{
public:
    void addRange(int zone, int first, int last);
    const QList<QVZoneRange> &ranges() const { return m_ranges; }
    bool isEmpty() const { return m_ranges.isEmpty(); }

    // The lowest zone whose ranges hold the destination; nothing when no
    // range holds it.
    std::optional<int> zoneForDestination(int destinationZIP5) const;
    // The highest zone the chart names; nothing for an empty chart.
    std::optional<int> highestZone() const;

    bool operator==(const QVZoneChart &) const = default;

private:
    QList<QVZoneRange> m_ranges;
};

// The service's reply text as a chart (possibly empty).
QVZoneChart readZoneChartReply(const QByteArray &reply);

// The cached charts by origin ZIP5 and the chart date (empty when none).
struct QVZoneChartCache {
    QMap<QString, QVZoneChart> charts;
    QString chartDate;
    bool isEmpty() const { return charts.isEmpty() && chartDate.isEmpty(); }
    bool operator==(const QVZoneChartCache &) const = default;
};

// The cache file's text of the cache, and back (nothing for a text that is
// not a cache file).
QByteArray zoneChartCacheText(const QVZoneChartCache &cache);
std::optional<QVZoneChartCache> readZoneChartCacheText(const QByteArray &text);

// True for a text of exactly five ASCII digits.
bool isZIP5Text(const QString &text);
