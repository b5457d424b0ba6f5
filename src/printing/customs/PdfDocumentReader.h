#pragma once
// The reader of PDF documents behind QVPdfPages: Qt Pdf, in the plug-in
// "tolvane-pdf.so", which the program does not link and loads when it first
// reads a PDF document (platform/Plugins.h says where it is looked for). The
// plug-in's entry point kPdfReaderPluginEntry is a function
//     PdfDocumentReader *()
// that answers a new reader with no document. The interface is all inline,
// so the plug-in needs nothing of the program's own libraries.
#include <QImage>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <memory>

namespace tolvane {

inline constexpr char kPdfReaderPluginEntry[] = "tolvaneMakePdfDocumentReader";

class PdfDocumentReader
{
public:
    virtual ~PdfDocumentReader() = default;
    // Reads the document of the file; false when it cannot be read.
    virtual bool load(const QString &fileName) = 0;
    virtual int pageCount() const = 0;
    // The page's size in points.
    virtual QSizeF pagePointSize(int index) const = 0;
    // The page drawn into an image of the size, transparent where the page
    // draws nothing.
    virtual QImage render(int index, QSize size) const = 0;
};

// The file name of the plug-in.
QString pdfReaderPluginFileName();
// A new reader from the plug-in (loaded on the first call); nothing, and the
// reason in *error, when the plug-in cannot be loaded.
std::unique_ptr<PdfDocumentReader> makePdfDocumentReader(QString *error = nullptr);

} // namespace tolvane
