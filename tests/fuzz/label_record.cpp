// A saved label record as the mailing log prints it again, on any bytes:
// the archive, the label server's reply kept in it, its parts, and each
// part read as the pages of a PDF or as an image.
#include "FuzzSupport.h"
#include "model/QVLabelArchive.h"
#include "printing/customs/QVPdfPages.h"
#include "printing/layouts/QVPrintManager.h"

#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

// QtPdf keeps a small record of each document it fails to load (a leak in
// the system library, suppressed for the tests in tests/lsan.supp too).
extern "C" const char *__lsan_default_suppressions() { return "leak:libQt6Pdf.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_label_record";
    static char *argv[] = {name, nullptr};
    static QGuiApplication *app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QImageReader::setAllocationLimit(16); // megabytes
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
    const std::optional<QVArchivedLabel> archived = labelArchiveFromData(tolvane::fuzz::bytesOf(data, size));
    if (!archived)
        return 0;
    const std::optional<QList<QVXMLNode>> parts = tolvane::QVPrintManager::labelArrayForLabelServerXML(archived->xml);
    if (!parts)
        return 0;
    for (qsizetype i = 0; i < parts->size() && i < 5; ++i) {
        const QByteArray bytes = tolvane::QVPrintManager::dataOfPart(parts->at(i));
        if (const auto pages = tolvane::QVPdfPages::fromData(bytes)) {
            if (pages->pageCount() > 0)
                (void)pages->renderPage(0, 8);
        }
        (void)QImage::fromData(bytes);
    }
    return 0;
}
