#pragma once
// Helpers of the customs form tests: PDFs and images made for the forms to
// show, the forms printed to PDF files, and single pages of those files read
// back through poppler-utils.
#include "ViewTestSupport.h"

#include "platform/PrintInfo.h"
#include "printing/QVPrintOperation.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QWidget>

namespace tolvane::test {

// A PDF of pages of the size, page i filled with the grey level greys[i]
// (0 black, 255 white) and its number written on it.
inline QByteArray greyPagesPdf(const QList<int> &greys, QSizeF size = QSizeF(612, 792))
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(72);
        writer.setPageLayout(QPageLayout(QPageSize(size, QPageSize::Point), QPageLayout::Portrait, QMarginsF()));
        QPainter painter(&writer);
        for (int i = 0; i < greys.size(); ++i) {
            if (i > 0)
                writer.newPage();
            painter.fillRect(QRectF(QPointF(0, 0), size), QColor(greys[i], greys[i], greys[i]));
            painter.drawText(QPointF(20, 20), QStringLiteral("PAGE %1").arg(i));
        }
    }
    return data;
}

// An image of the size in points (72 dpi) of one grey level.
inline QImage greyImage(QSize size, int grey)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(grey, grey, grey));
    image.setDotsPerMeterX(2835);
    image.setDotsPerMeterY(2835);
    return image;
}

// A print info that saves the PDF of a whole Letter page, without margins.
inline PrintInfo letterToFile(const QString &path)
{
    PrintInfo info;
    info.leftMargin = info.rightMargin = info.topMargin = info.bottomMargin = 0;
    info.horizontalPagination = info.verticalPagination = PrintInfo::Pagination::Fit;
    info.jobDisposition = PrintInfo::JobDisposition::Save;
    info.savePath = path;
    return info;
}

// Prints the view to a PDF file (answers its path; empty on failure).
inline QString printToPdf(QWidget *view, const QString &name, const QString &title = QString())
{
    const QString path = outputPath(name);
    QVPrintOperation operation(view, letterToFile(path));
    operation.setJobTitle(title);
    return operation.runOperation() ? path : QString();
}

// The text of one page (1 first).
inline QString pdfPageText(const QString &path, int page)
{
    QByteArray out;
    runTool(QStringLiteral("pdftotext"),
            {QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
             QString::number(page), path, QStringLiteral("-")},
            &out);
    return QString::fromUtf8(out);
}

// One page rasterised in grey at 72 dpi, so that a pixel is a point.
inline QImage pdfPageRaster(const QString &path, int page)
{
    const QString base = path + QStringLiteral("-p%1").arg(page);
    runTool(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-f"), QString::number(page),
             QStringLiteral("-l"), QString::number(page), QStringLiteral("-gray"), QStringLiteral("-png"),
             QStringLiteral("-singlefile"), path, base},
            nullptr);
    return QImage(base + QStringLiteral(".png")).convertToFormat(QImage::Format_Grayscale8);
}

// The grey level at a y-up point of a Letter page raster (792 high).
inline int greyAt(const QImage &page, qreal x, qreal yUp)
{
    return qGray(page.pixel(int(x), int(page.height() - 1 - yUp)));
}

// The darkest grey level inside a y-up rectangle of the page.
inline int darkestIn(const QImage &page, const QRectF &yUp)
{
    int darkest = 255;
    for (int y = int(yUp.top()); y < int(yUp.bottom()); ++y)
        for (int x = int(yUp.left()); x < int(yUp.right()); ++x)
            darkest = std::min(darkest, greyAt(page, x, y));
    return darkest;
}

} // namespace tolvane::test
