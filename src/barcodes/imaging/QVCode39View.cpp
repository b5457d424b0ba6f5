#include "QVCode39View.h"

#include "ViewGeometry.h"

#include "barcodes/linear/Code39.h"

#include <QPainter>

namespace tolvane {

namespace {
constexpr int kElementsPerCharacter = 9;
}

QVCode39View::QVCode39View(QWidget *parent) : QVCode128View(parent) {}

void QVCode39View::setRatio(double ratio)
{
    if (ratio != m_ratio)
        m_ratio = ratio;
}

void QVCode39View::encodeBitPattern()
{
    const std::optional<std::string> pattern =
        barcodeText().isEmpty() ? std::nullopt : _bitpattern_c39(barcodeText().toStdString());
    setBitPattern(pattern ? QByteArray::fromStdString(*pattern) : QByteArray());
}

qreal QVCode39View::symbolWidth() const
{
    const qreal c = moduleWidth() * 72;
    const qsizetype characters = bitPattern().size() / kElementsPerCharacter;
    return characters * (6 * c + 3 * m_ratio * c + c);
}

void QVCode39View::draw(QPainter &painter) const
{
    const QByteArray pattern = bitPattern();
    if (pattern.isEmpty())
        return;
    const qreal c = moduleWidth() * 72, wide = m_ratio * c, h = moduleHeight() * 72;
    qreal x = (width() - symbolWidth()) / 2;
    const qreal y = (height() - h) / 2;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, drawingToScreen(painter));
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const qreal elementWidth = pattern[i] == '1' ? wide : c;
        const bool bar = (i % kElementsPerCharacter) % 2 == 0;
        painter.fillRect(QRectF(x, y, elementWidth, h), bar ? Qt::black : Qt::white);
        x += elementWidth;
        if (i % kElementsPerCharacter == kElementsPerCharacter - 1)
            x += c;
    }
    painter.restore();
}

} // namespace tolvane
