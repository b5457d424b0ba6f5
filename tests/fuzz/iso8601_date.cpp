// The ISO 8601 date reader over any text an order reply may carry, with a
// fixed "now"; the range it reports always lies inside the text, and a date
// comes out exactly when components do.
#include "FuzzSupport.h"
#include "sources/ISO8601DateFormatter.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static ISO8601DateFormatter *formatter = [] {
        auto *f = new ISO8601DateFormatter;
        f->setSystemTimeZone(QTimeZone::utc());
        f->setNowForTesting([] { return QDateTime(QDate(2014, 6, 15), QTime(12, 0), QTimeZone::utc()); });
        return f;
    }();
    const QString text = tolvane::fuzz::textOf(data, size);
    const qsizetype length = text.toUtf8().size();
    std::optional<QTimeZone> zone;
    ISO8601Range range;
    const ISO8601DateComponents components = formatter->dateComponentsFromString(text, &zone, &range);
    if (range.found() && (range.location < 0 || range.length < 0 || range.location + range.length > length))
        std::abort();
    if (!range.found() && (!components.isEmpty() || zone))
        std::abort();
    const QDateTime date = formatter->dateFromString(text);
    if (date.isValid() && components.isEmpty())
        std::abort();
    return 0;
}
