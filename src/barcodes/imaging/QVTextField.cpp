#include "QVTextField.h"

#include "ViewGeometry.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <cmath>

namespace tolvane {

namespace {

// A device of 72 dpi: fonts measured on it give sizes in points.
const QPaintDevice *pointDevice()
{
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_Mono);
        const int dotsPerMeter = qRound(72.0 / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return &device;
}

} // namespace

QVTextField::QVTextField(QWidget *parent) : QWidget(parent) {}

void QVTextField::setText(const QString &text)
{
    m_text = text;
    update();
}

void QVTextField::setObjectValue(const QVariant &value) { setText(value.isNull() ? QString() : value.toString()); }

void QVTextField::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

qreal QVTextField::pointSize() const { return font().pointSizeF(); }

void QVTextField::setPointSize(qreal points)
{
    QFont f = font();
    f.setPointSizeF(points);
    setFont(f);
    update();
}

qreal QVTextField::textWidth() const
{
    return QFontMetricsF(font(), const_cast<QPaintDevice *>(pointDevice())).horizontalAdvance(m_text);
}

QSizeF QVTextField::fittingSize() const
{
    const QFontMetricsF metrics(font(), const_cast<QPaintDevice *>(pointDevice()));
    return QSizeF(metrics.horizontalAdvance(m_text) + 2 * kHorizontalInset, metrics.height());
}

void QVTextField::sizeToFit()
{
    const QSizeF size = fittingSize();
    const QRectF frame = frameOf(this);
    setFrame(this, QRectF(frame.topLeft(), QSizeF(std::ceil(size.width()), std::ceil(size.height()))));
}

void QVTextField::paintEvent(QPaintEvent *)
{
    if (m_text.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing, drawingToScreen(painter));
    QFont f = font();
    f.setPointSizeF(f.pointSizeF() * fontScaleForPainter(painter));
    painter.setFont(f);
    painter.setPen(Qt::black);
    const QRectF area = QRectF(rect()).adjusted(kHorizontalInset, 0, -kHorizontalInset, 0);
    painter.drawText(area, int(m_alignment) | Qt::TextSingleLine, m_text);
}

} // namespace tolvane
