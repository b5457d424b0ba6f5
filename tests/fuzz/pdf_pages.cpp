// The PDF reader of documents from servers (stored label sets, indicia,
// customs forms) on any bytes: the document, its page count and sizes, and
// its first pages drawn small, as the layouts draw them.
#include "FuzzSupport.h"
#include "printing/customs/QVPdfPages.h"

#include <QGuiApplication>

// QtPdf keeps a small record of each document it fails to load (a leak in
// the system library, suppressed for the tests in tests/lsan.supp too).
extern "C" const char *__lsan_default_suppressions() { return "leak:libQt6Pdf.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_pdf_pages";
    static char *argv[] = {name, nullptr};
    static QGuiApplication *app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
    QString error;
    const auto pages = tolvane::QVPdfPages::fromData(tolvane::fuzz::bytesOf(data, size), &error);
    if (!pages)
        return 0;
    const int count = pages->pageCount();
    for (int i = 0; i < count && i < 2; ++i) {
        (void)pages->pageSize(i);
        (void)pages->renderPage(i, 8);
    }
    (void)pages->renderPage(count, 8); // a page the document lacks
    return 0;
}
