// Texts pasted or typed into the main window: tab-separated address rows
// dropped on the destination box, and lengths with inch marks and sums
// typed into the dimension fields.
#include "FuzzSupport.h"
#include "app/mainwindow/QVVCardWidgets.h"
#include "widgets/QVMeasurementFormatter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = tolvane::fuzz::textOf(data, size);
    const QString lines = addressLinesFromTabbedText(text);
    // Pieces are only regrouped: no character is added but the line breaks.
    if (lines.size() > text.size())
        __builtin_trap();
    (void)QVMeasurementFormatter::objectValueForString(text);
    return 0;
}
