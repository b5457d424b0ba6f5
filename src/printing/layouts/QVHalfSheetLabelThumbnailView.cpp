#include "printing/layouts/QVHalfSheetLabelThumbnailView.h"

#include "barcodes/imaging/ViewGeometry.h"
#include "printing/layouts/QVLayoutViews.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace tolvane {

QVHalfSheetLabelThumbnailView::QVHalfSheetLabelThumbnailView(QWidget *parent) : QWidget(parent) {}

void QVHalfSheetLabelThumbnailView::setDrawTopLabel(bool top)
{
    m_drawTop = top;
    update();
}

void QVHalfSheetLabelThumbnailView::setDrawLeftSideFirst(bool left)
{
    m_drawLeft = left;
    update();
}

void QVHalfSheetLabelThumbnailView::setVerticalLabel(bool portrait)
{
    m_portraitLabel = portrait;
    update();
}

qreal QVHalfSheetLabelThumbnailView::scaleToAspectFit(const QSizeF &source, const QSizeF &target, qreal padding)
{
    if (source.width() <= 0 || source.height() <= 0)
        return 1;
    return std::min((target.width() - padding) / source.width(), (target.height() - padding) / source.height());
}

QFont QVHalfSheetLabelThumbnailView::fontSizedForAreaSize(const QSizeF &area, const QString &string, const QFont &font)
{
    QFont measured = font;
    measured.setPointSizeF(12);
    const QFontMetricsF metrics(measured, pointMeasuringDevice());
    const QSizeF size(metrics.horizontalAdvance(string), metrics.height());
    const qreal factor = scaleToAspectFit(size, area, 10);
    QFont result = measured;
    result.setPointSizeF(std::max(1.0, 12 * factor));
    return result;
}

void QVHalfSheetLabelThumbnailView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, drawingToScreen(painter));
    // The sheet in y-up terms is at (0, 3) of size (w - 3) x (h - 3): in the
    // widget's top-left terms it starts at the top.
    const QRectF sheet(0, 0, width() - 3, height() - 3);
    // Shadow: offset (3, -3) in y-up, so right and down here.
    painter.fillRect(sheet.translated(3, 3), QColor(0, 0, 0, 102));
    painter.fillRect(sheet, Qt::white);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(sheet);
    QPen dashed(Qt::black, 1);
    dashed.setDashPattern({5, 3});
    painter.setPen(dashed);
    const qreal middle = sheet.center().y();
    painter.drawLine(QPointF(sheet.left(), middle), QPointF(sheet.right(), middle));

    QFont bold = font();
    bold.setBold(true);
    const QSizeF half(sheet.width(), sheet.height() / 2);
    const QFont letter = fontSizedForAreaSize(half, QStringLiteral("P"), bold);
    QFont drawn = letter;
    drawn.setPointSizeF(letter.pointSizeF() * fontScaleForPainter(painter));
    const QRectF area(sheet.left(), m_drawTop ? sheet.top() : middle, half.width(), half.height());
    painter.setFont(drawn);
    painter.setPen(Qt::black);
    painter.save();
    painter.translate(area.center());
    if (m_portraitLabel)
        painter.rotate(m_drawLeft ? -90 : 90); // +90 counterclockwise is -90 with y down
    painter.drawText(QRectF(-half.width() / 2, -half.height() / 2, half.width(), half.height()), Qt::AlignCenter,
                     QStringLiteral("P"));
    painter.restore();
}

} // namespace tolvane
