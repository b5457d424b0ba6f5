#include "QVUSPS4CBView.h"

#include "ViewGeometry.h"

#include "barcodes/linear/USPS4CBFormatting.h"
#include "model/QVAddress.h"

#include <QPainter>

namespace tolvane {

QVUSPS4CBView::QVUSPS4CBView(QWidget *parent) : QVCode128View(0.015, 0.125, parent) {}

QString QVUSPS4CBView::intelligentMailBarcodeText(const QString &confirmNumber, const QVAddress &address)
{
    return confirmNumber + address.intelligentMailRoutingCode();
}

void QVUSPS4CBView::encodeBitPattern() { setBitPattern(dataByEncodingConfirmNumber(barcodeText())); }

void QVUSPS4CBView::draw(QPainter &painter) const
{
    const QByteArray bars = bitPattern();
    const qreal H = moduleHeight() * 72, w = moduleWidth() * 72;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, drawingToScreen(painter));
    for (qsizetype i = 0; i < bars.size() && bars[i] != '\0'; ++i) {
        qreal bottom = 0, barHeight = H;
        switch (bars[i]) {
        case 'A':
            bottom = H / 3;
            barHeight = 2 * H / 3;
            break;
        case 'D':
            barHeight = 2 * H / 3;
            break;
        case 'T':
            bottom = H / 3;
            barHeight = H / 3;
            break;
        default:
            break;
        }
        // Bars are placed from the view's lower-left origin (y up).
        painter.fillRect(flippedFrame(QRectF(2 * w * i, bottom, w, barHeight), height()), Qt::black);
    }
    painter.restore();
}

} // namespace tolvane
