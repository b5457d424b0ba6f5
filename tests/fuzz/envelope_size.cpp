// The reader of envelope sizes kept in the user defaults (custom sizes, a
// file the user may edit) on any text: what it reads is a usable size that
// is written and read back unchanged, and every text of an entry is made.
#include "FuzzSupport.h"
#include "printing/layouts/QVEnvelopeSizes.h"

#include <cmath>

using tolvane::QVEnvelopeSizes;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = tolvane::fuzz::textOf(data, size);
    if (const std::optional<QSizeF> read = QVEnvelopeSizes::sizeFromString(text)) {
        for (const qreal side : {read->width(), read->height()}) {
            if (!std::isfinite(side) || side < QVEnvelopeSizes::kMinimumSideInches ||
                side > QVEnvelopeSizes::kMaximumSideInches)
                std::abort();
        }
        const std::optional<QSizeF> again = QVEnvelopeSizes::sizeFromString(QVEnvelopeSizes::stringFromSize(*read));
        if (!again || std::abs(again->width() - read->width()) > 1e-6 ||
            std::abs(again->height() - read->height()) > 1e-6)
            std::abort();
    }
    const tolvane::QVEnvelopeSize entry = QVEnvelopeSizes::entryFromVariant(
        QVariantMap{{tolvane::QVEnvelopeSizeNameKey, text}, {tolvane::QVEnvelopeSizeSizeKey, text}});
    (void)QVEnvelopeSizes::summaryString(entry);
    (void)QVEnvelopeSizes::menuTitle(entry);
    return 0;
}
