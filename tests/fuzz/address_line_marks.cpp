// Texts typed into the main window's destination box: the ranges the window
// marks red (long lines, lines beyond the customs forms' limits). Every
// range lies inside the text, is not empty, and ranges come in order.
#include "FuzzSupport.h"
#include "app/mainwindow/MasterController.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = tolvane::fuzz::textOf(data, size);
    for (int rules = 0; rules < 4; ++rules) {
        MasterLineLimits limits;
        limits.sixLines = rules & 1;
        limits.eightLines = rules & 2;
        limits.exemptLastLine = QStringLiteral("HONG KONG SPECIAL ADMINISTRATIVE REGION OF CHINA");
        qsizetype previousEnd = 0;
        for (const MasterTextRange &range : MasterController::markedLineRanges(text, limits)) {
            if (range.start < previousEnd || range.length <= 0 || range.start + range.length > text.size())
                __builtin_trap();
            previousEnd = range.start + range.length;
        }
    }
    return 0;
}
