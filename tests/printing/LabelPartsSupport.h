#pragma once
// Helpers of the label-server label tests: label images of one colour with a
// black corner mark (to see which way they were turned), label-server
// replies written as plain text (independent of the program's XML code),
// and the poppler tools over the PDFs the print manager makes (page rasters
// in colour, the sizes of the embedded images).
#include "ViewTestSupport.h"

#include "model/XMLDocument.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QRegularExpression>
#include <QSize>
#include <QStringList>

#include <optional>

namespace tolvane::test {

// A w x h image of one colour with a black square in its top-left corner
// (a tenth of the shorter side).
inline QImage markedImage(int w, int h, const QColor &color)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(color);
    QPainter painter(&image);
    const int mark = std::max(1, std::min(w, h) / 10);
    painter.fillRect(0, 0, mark, mark, Qt::black);
    return image;
}

inline QByteArray pngBytes(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// One part of a reply: its part number (nothing: no number) and bytes.
struct ReplyPart {
    std::optional<int> number;
    QByteArray bytes;
};

// A label reply with status "0": one Base64LabelImage, or (imageList) a
// Label element of Image elements in the order given.
inline QByteArray labelReplyXML(const QList<ReplyPart> &parts, bool imageList)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                     "<LabelRequestResponse xmlns=\"www.example.invalid/LabelService\">"
                     "<Status>0</Status><ErrorMessage/>";
    if (!imageList) {
        for (const ReplyPart &part : parts)
            xml += "<Base64LabelImage>" + part.bytes.toBase64() + "</Base64LabelImage>";
    } else {
        xml += "<Label>";
        for (const ReplyPart &part : parts) {
            xml += "<Image";
            if (part.number)
                xml += " PartNumber=\"" + QByteArray::number(*part.number) + "\"";
            xml += ">" + part.bytes.toBase64() + "</Image>";
        }
        xml += "</Label>";
    }
    xml += "<TrackingNumber>9405510200830000000012</TrackingNumber></LabelRequestResponse>";
    return xml;
}

inline QVXMLDocument labelReply(const QList<ReplyPart> &parts, bool imageList)
{
    return QVXMLDocument::fromData(labelReplyXML(parts, imageList)).value();
}

// Page n of a PDF rasterised in colour.
inline QImage pdfPageRaster(const QString &path, int page, int dpi)
{
    const QString base = path + QStringLiteral("-p%1-r%2").arg(page).arg(dpi);
    runTool(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"), QString::number(page),
             QStringLiteral("-l"), QString::number(page), QStringLiteral("-png"), QStringLiteral("-singlefile"), path,
             base},
            nullptr);
    return QImage(base + QStringLiteral(".png"));
}

// The share of a raster's pixels near a colour.
inline double colourShare(const QImage &raster, const QColor &colour)
{
    if (raster.isNull())
        return 0;
    const QImage rgb = raster.convertToFormat(QImage::Format_RGB32);
    qint64 near = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            near += qAbs(qRed(line[x]) - colour.red()) < 40 && qAbs(qGreen(line[x]) - colour.green()) < 40 &&
                qAbs(qBlue(line[x]) - colour.blue()) < 40;
        }
    }
    return double(near) / double(rgb.width() * rgb.height());
}

// The bounding box of a colour in a raster (empty when it is not there).
inline QRect colourBox(const QImage &raster, const QColor &colour)
{
    const QImage rgb = raster.convertToFormat(QImage::Format_RGB32);
    QRect box;
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            if (qAbs(qRed(line[x]) - colour.red()) < 40 && qAbs(qGreen(line[x]) - colour.green()) < 40 &&
                qAbs(qBlue(line[x]) - colour.blue()) < 40)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

// The page and pixel size of every image in the PDF (`pdfimages -list`).
struct PdfImage {
    int page = 0;
    QSize size;
};
inline QList<PdfImage> pdfImages(const QString &path)
{
    QByteArray out;
    runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), path}, &out);
    QList<PdfImage> images;
    const QStringList lines = QString::fromUtf8(out).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QStringList fields = line.simplified().split(QLatin1Char(' '));
        bool page = false, width = false, height = false;
        if (fields.size() < 5)
            continue;
        const int p = fields.at(0).toInt(&page);
        const int w = fields.at(3).toInt(&width);
        const int h = fields.at(4).toInt(&height);
        if (page && width && height && fields.at(2) == QLatin1String("image"))
            images.append({p, QSize(w, h)});
    }
    return images;
}

} // namespace tolvane::test
