// The update feed's readers on any bytes: the feed itself, the holiday list
// and the minimum version to print it carries, and the comparison of the
// versions it names. Whatever is accepted must hold what the readers
// promise: a holiday list of texts only, and versions that compare
// antisymmetrically.
#include "FuzzSupport.h"
#include "app/shell/Appcast.h"

#include <QMetaType>
#include <QVariant>

namespace {

void checkHolidays(const QString &text)
{
    if (const auto holidays = readHolidayList(text)) {
        for (const QVariant &value : *holidays) {
            if (value.typeId() != QMetaType::QString)
                std::abort();
        }
    }
}

void checkVersions(const QString &a, const QString &b)
{
    const int order = compareFeedVersions(a, b);
    if (order < -1 || order > 1 || compareFeedVersions(b, a) != -order || compareFeedVersions(a, a) != 0)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = tolvane::fuzz::bytesOf(data, size);
    if (const auto items = readAppcast(bytes)) {
        for (const AppcastItem &item : *items) {
            checkHolidays(item.properties.value(QVAppcastHolidaysKey));
            (void)readMinimumToPrint(item.properties.value(QVAppcastMinimumToPrintKey));
            checkVersions(item.version, item.shortVersionString);
        }
    }
    const QString text = tolvane::fuzz::textOf(data, size);
    checkHolidays(text);
    if (const auto minimum = readMinimumToPrint(text)) {
        // An accepted number is the text's digits without leading zeros.
        QString digits = text.trimmed();
        while (digits.size() > 1 && digits.front() == QLatin1Char('0'))
            digits.remove(0, 1);
        if (QString::number(*minimum) != digits)
            std::abort();
    }
    checkVersions(text.left(text.size() / 2), text.mid(text.size() / 2));
    return 0;
}
