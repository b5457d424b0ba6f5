#include "QVVoidMailView.h"

#include "barcodes/imaging/ViewGeometry.h"

#include <QFontMetricsF>
#include <QPainter>

namespace tolvane {

namespace {
const QString kVoidMailText = QStringLiteral("VOID - DO NOT MAIL");
constexpr qreal kInset = 10;
constexpr qreal kAngle = 30; // degrees, counter-clockwise
} // namespace

QVVoidMailView::QVVoidMailView(QWidget *parent) : QWidget(parent) {}

void QVVoidMailView::setDrawVoid(bool drawVoid)
{
    m_void = drawVoid;
    update();
}

void QVVoidMailView::draw(QPainter &painter) const
{
    if (!m_void)
        return;
    painter.save();
    painter.setClipRect(rect(), Qt::IntersectClip);
    painter.setRenderHint(QPainter::TextAntialiasing, drawingToScreen(painter));
    // The point (10, 10) from the lower-left corner; a counter-clockwise
    // turn about it.
    const QPointF origin(kInset, height() - kInset);
    painter.translate(origin);
    painter.rotate(-kAngle);
    QFont font(QStringLiteral("Helvetica"));
    font.setBold(true);
    font.setPointSizeF(20 * fontScaleForPainter(painter));
    painter.setFont(font);
    painter.setPen(Qt::black);
    // The text's lower-left corner (below its descenders) at the point.
    painter.drawText(QPointF(0, -QFontMetricsF(font, painter.device()).descent()), kVoidMailText);
    painter.restore();
}

void QVVoidMailView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    draw(painter);
}

} // namespace tolvane
