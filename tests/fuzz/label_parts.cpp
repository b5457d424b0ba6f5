// The label parts of a label-server reply on any bytes: the document parse,
// the parts (one Base64 image, or image lists sorted by part number), their
// Base64 text and bytes, the bytes read as an image (turned when tall, as on
// the 4 x 6 stock) and the byte edits that the raw road makes.
#include "FuzzSupport.h"
#include "model/XMLDocument.h"
#include "printing/layouts/QVPortraitLabelView.h"
#include "printing/layouts/QVPrintManager.h"

#include <QImage>
#include <QImageReader>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool limited = [] {
        QImageReader::setAllocationLimit(16); // megabytes
        return true;
    }();
    (void)limited;
    const std::optional<QVXMLDocument> reply = QVXMLDocument::fromData(tolvane::fuzz::bytesOf(data, size));
    if (!reply)
        return 0;
    const std::optional<QList<QVXMLNode>> parts = tolvane::QVPrintManager::labelArrayForLabelServerXML(*reply);
    if (!parts)
        return 0;
    for (qsizetype i = 0; i < parts->size() && i < 5; ++i) {
        const QByteArray bytes = tolvane::QVPrintManager::dataOfPart(parts->at(i));
        (void)tolvane::QVPrintManager::replaceBytesInData(
            bytes,
            {{QStringLiteral("CN22"), QStringLiteral("CP72")},
             {QStringLiteral("\r\nN\r\n"), QStringLiteral("\r\nN\r\nA15,1200,0,1,1,1,N,\"x\"\r\n")}});
        const QImage image = QImage::fromData(bytes);
        if (!image.isNull() && image.width() <= 2000 && image.height() > image.width())
            (void)tolvane::bwRotateImage90DegreesClockwise(image, false);
    }
    return 0;
}
