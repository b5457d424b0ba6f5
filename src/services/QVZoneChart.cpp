#include "services/QVZoneChart.h"

#include <QList>

#include <algorithm>

namespace {

bool isDigits(QByteArrayView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The value of the first five characters of a field that begins with five
// digits; nothing otherwise.
std::optional<int> zip5Value(QByteArrayView field)
{
    if (field.size() < 5 || !isDigits(field.first(5)))
        return std::nullopt;
    return field.first(5).toInt();
}

// An all-digit zone text, capped at the highest zone.
std::optional<int> zoneValue(QByteArrayView field)
{
    if (!isDigits(field))
        return std::nullopt;
    // Past nine digits the value is certainly above the cap.
    if (field.size() > 9)
        return kMaxUSPSZone;
    return std::min(field.toInt(), kMaxUSPSZone);
}

QList<QByteArrayView> splitLines(QByteArrayView text)
{
    QList<QByteArrayView> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '\r' || text[i] == '\n') {
            lines.append(text.sliced(start, i - start));
            start = i + 1;
        }
    }
    return lines;
}

QList<QByteArrayView> splitAtSpaces(QByteArrayView line)
{
    QList<QByteArrayView> fields;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == ' ') {
            fields.append(line.sliced(start, i - start));
            start = i + 1;
        }
    }
    return fields;
}

// "zone first last" of a chart line; nothing for a line outside the form.
std::optional<QVZoneRange> readRange(QByteArrayView start, QByteArrayView end, QByteArrayView zone)
{
    const auto first = zip5Value(start);
    const auto last = zip5Value(end);
    const auto z = zoneValue(zone);
    if (!first || !last || !z || *last < *first)
        return std::nullopt;
    return QVZoneRange{*z, *first, *last};
}

QByteArray zip5Text(int value) { return QByteArray::number(value).rightJustified(5, '0'); }

} // namespace

void QVZoneChart::addRange(int zone, int first, int last)
{
    m_ranges.append(QVZoneRange{std::clamp(zone, 0, kMaxUSPSZone), first, last});
}

std::optional<int> QVZoneChart::zoneForDestination(int destinationZIP5) const
{
    std::optional<int> zone;
    for (const QVZoneRange &range : m_ranges) {
        if (destinationZIP5 >= range.first && destinationZIP5 <= range.last && (!zone || range.zone < *zone))
            zone = range.zone;
    }
    return zone;
}

std::optional<int> QVZoneChart::highestZone() const
{
    std::optional<int> zone;
    for (const QVZoneRange &range : m_ranges) {
        if (!zone || range.zone > *zone)
            zone = range.zone;
    }
    return zone;
}

QVZoneChart readZoneChartReply(const QByteArray &reply)
{
    QByteArray text = reply.toUpper();
    text.replace("<BR>", "\r\n");
    text.replace("</BODY></HTML>", "");
    QVZoneChart chart;
    for (QByteArrayView line : splitLines(text)) {
        const auto fields = splitAtSpaces(line);
        if (fields.size() != 3)
            continue;
        if (const auto range = readRange(fields[0], fields[1], fields[2]))
            chart.addRange(range->zone, range->first, range->last);
    }
    return chart;
}

QByteArray zoneChartCacheText(const QVZoneChartCache &cache)
{
    QByteArray text = "TolvaneZoneChartCache 1\n";
    if (!cache.chartDate.isEmpty())
        text += "chartDate " + cache.chartDate.toLatin1() + '\n';
    for (auto it = cache.charts.cbegin(); it != cache.charts.cend(); ++it) {
        text += "chart " + it.key().toLatin1() + '\n';
        for (const QVZoneRange &range : it.value().ranges())
            text += QByteArray::number(range.zone) + ' ' + zip5Text(range.first) + ' ' + zip5Text(range.last) + '\n';
    }
    return text;
}

std::optional<QVZoneChartCache> readZoneChartCacheText(const QByteArray &text)
{
    if (text.size() > kMaxZoneCacheFileSize)
        return std::nullopt;
    const auto lines = splitLines(text);
    if (lines.isEmpty() || lines.first() != "TolvaneZoneChartCache 1")
        return std::nullopt;
    QVZoneChartCache cache;
    QVZoneChart *chart = nullptr;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArrayView line = lines[i];
        if (line.isEmpty())
            continue;
        const auto fields = splitAtSpaces(line);
        if (fields.size() == 2 && fields[0] == "chartDate") {
            // A date of any other length is dropped, the charts kept.
            cache.chartDate = fields[1].size() == 8 ? QString::fromLatin1(fields[1]) : QString();
        } else if (fields.size() == 2 && fields[0] == "chart" && isZIP5Text(QString::fromLatin1(fields[1]))) {
            chart = &cache.charts[QString::fromLatin1(fields[1])];
        } else if (fields.size() == 3 && chart && fields[1].size() == 5 && fields[2].size() == 5) {
            const auto range = readRange(fields[1], fields[2], fields[0]);
            if (!range || fields[0].size() > 1)
                return std::nullopt;
            chart->addRange(range->zone, range->first, range->last);
        } else {
            return std::nullopt;
        }
    }
    // An origin without ranges is no chart.
    cache.charts.removeIf([](const auto &entry) { return entry.value().isEmpty(); });
    return cache;
}

bool isZIP5Text(const QString &text)
{
    return text.size() == 5 && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}
