// The readers of archived fonts and colours kept in the user defaults (a
// file the user may edit) on any bytes; what they read is archived again
// and read back.
#include "FuzzSupport.h"
#include "platform/ArchivedValues.h"

#include <QGuiApplication>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Fonts need the application object; no display is used.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_archived_font";
    static char *argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QVariant value(tolvane::fuzz::bytesOf(data, size));
    if (const std::optional<QFont> font = fontWithArchivedData(value))
        (void)fontWithArchivedData(archivedDataWithFont(*font));
    if (const std::optional<QColor> color = colorWithArchivedData(value))
        (void)colorWithArchivedData(archivedDataWithColor(*color));
    return 0;
}
