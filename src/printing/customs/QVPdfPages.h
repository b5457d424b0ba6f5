#pragma once
// The pages of a PDF document (a stored label set, an indicium, a customs
// form from the USPS service, a bundled instructions page) drawn as images
// through Qt Pdf, which the PDF reader plug-in holds (PdfDocumentReader.h). A document that cannot be read is refused
// with an error; a page that the document does not have draws nothing.
#include "printing/layouts/QVLayoutViews.h"

#include <QByteArray>
#include <QImage>
#include <QSizeF>
#include <QString>

#include <memory>

class QPainter;
class QTemporaryFile;

namespace tolvane {

class PdfDocumentReader;

// The resolution pages are drawn at when printed (dots per inch).
inline constexpr double QVPrintResolution = 300;

class QVPdfPages
{
public:
    // The document in the bytes; nothing (and the reason) when they are not
    // a PDF that can be read.
    static std::shared_ptr<const QVPdfPages> fromData(const QByteArray &data, QString *error = nullptr);
    // The bundle resource `name`.pdf; nothing when missing or unreadable.
    static std::shared_ptr<const QVPdfPages> named(const QString &name);
    ~QVPdfPages();

    QByteArray data() const { return m_data; }
    int pageCount() const;
    // The page's size in points; empty for a page the document lacks.
    QSizeF pageSize(int index) const;
    // The page drawn at the resolution (dots per inch, lowered for pages so
    // large that the image would pass 64 million pixels), transparent where
    // the page draws nothing, its resolution recorded so that it measures the page's size in points;
    // a null image for a page the document lacks.
    QImage renderPage(int index, double dpi = QVPrintResolution) const;
    // The page as a picture of a layout (renderPage at the resolution).
    QVLayoutImage pageImage(int index, double dpi = QVPrintResolution) const;
    // Draws the page stretched into the target; nothing for a missing page.
    void drawPage(QPainter &painter, int index, const QRectF &target, double dpi = QVPrintResolution) const;

private:
    QVPdfPages() = default;

    QByteArray m_data;
    std::unique_ptr<QTemporaryFile> m_file;
    std::unique_ptr<PdfDocumentReader> m_document;
};

// A picture from image data as the USPS service and the stored forms give
// it: a PDF (its first page, at print resolution) or a raster image (PNG,
// JPEG, TIFF, ...). A null picture when the data is neither.
QVLayoutImage customsImageWithData(const QByteArray &data);

} // namespace tolvane
