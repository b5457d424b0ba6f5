#include "QVUSPS4CBView.h"

#include "ViewGeometry.h"

#include "barcodes/linear/USPS4CBFormatting.h"
#include "model/QVAddress.h"

#include <QPainter>

#include <cmath>

namespace tolvane {

namespace {

constexpr double kBarWidth = 0.020;
constexpr double kFullBarHeight = 0.145;
constexpr int kBarCount = 65;

} // namespace

QVUSPS4CBView::QVUSPS4CBView(QWidget *parent) : QVCode128View(kBarWidth, kFullBarHeight, parent) {}

QSizeF QVUSPS4CBView::symbolSize()
{
    // Whole points, as a widget's frame holds them, never cutting a bar.
    return QSizeF(std::ceil(((kBarCount - 1) * barPitch() + kBarWidth) * 72), std::ceil(kFullBarHeight * 72));
}

QString QVUSPS4CBView::intelligentMailBarcodeText(const QString &confirmNumber, const QVAddress &address)
{
    return confirmNumber + address.intelligentMailRoutingCode();
}

void QVUSPS4CBView::encodeBitPattern() { setBitPattern(dataByEncodingConfirmNumber(barcodeText())); }

void QVUSPS4CBView::draw(QPainter &painter) const
{
    const QByteArray bars = bitPattern();
    const qreal H = moduleHeight() * 72, w = moduleWidth() * 72, pitch = barPitch() * 72;
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
        painter.fillRect(flippedFrame(QRectF(pitch * qreal(i), bottom, w, barHeight), height()), Qt::black);
    }
    painter.restore();
}

} // namespace tolvane
