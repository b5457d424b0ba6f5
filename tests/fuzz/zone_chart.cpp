// The zone-chart readers on any bytes: the service's chart reply and the
// cache file. Whatever they read must hold zones of at most 9 and ranges
// whose end is not below their start, must answer look-ups, and a cache that
// is read must write back as the same cache.
#include "FuzzSupport.h"
#include "services/QVZoneChart.h"

namespace {

void checkChart(const QVZoneChart &chart)
{
    for (const QVZoneRange &range : chart.ranges()) {
        if (range.zone < 0 || range.zone > kMaxUSPSZone || range.first > range.last || range.first < 0 ||
            range.last > 99999)
            std::abort();
    }
    for (int destination : {0, 500, 10001, 63301, 99999}) {
        const auto zone = chart.zoneForDestination(destination);
        if (zone && (*zone < 0 || *zone > kMaxUSPSZone))
            std::abort();
    }
    // The highest zone bounds every zone and is there exactly for a chart
    // with ranges.
    const auto highest = chart.highestZone();
    if (highest.has_value() == chart.isEmpty() || (highest && (*highest < 0 || *highest > kMaxUSPSZone)))
        std::abort();
    for (const QVZoneRange &range : chart.ranges()) {
        if (range.zone > *highest)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = tolvane::fuzz::bytesOf(data, size);
    checkChart(readZoneChartReply(bytes));
    if (const auto cache = readZoneChartCacheText(bytes)) {
        for (const QVZoneChart &chart : cache->charts)
            checkChart(chart);
        const auto again = readZoneChartCacheText(zoneChartCacheText(*cache));
        if (!again || !(*again == *cache))
            std::abort();
    }
    return 0;
}
