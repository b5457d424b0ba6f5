// The reader of the quick-print panel's saved frame (a user-defaults text)
// on any text: a frame it accepts has no negative size, and the text it is
// saved as reads back as the same frame.
#include "FuzzSupport.h"
#include "stamps/TessaroQuickPrintPanel.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = tolvane::fuzz::textOf(data, size);
    const std::optional<QRect> frame = TessaroQuickPrintPanel::frameFromString(text);
    if (!frame)
        return 0;
    if (frame->width() < 0 || frame->height() < 0 ||
        TessaroQuickPrintPanel::frameFromString(TessaroQuickPrintPanel::frameString(*frame)) != frame)
        std::abort();
    return 0;
}
