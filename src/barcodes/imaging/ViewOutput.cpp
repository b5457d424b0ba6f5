#include "ViewOutput.h"

#include "ViewGeometry.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QWidget>

namespace tolvane {

QByteArray dataWithPDFInsideRect(QWidget *view, const QRectF &rect)
{
    if (rect.isEmpty())
        return QByteArray();
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(72);
        writer.setPageLayout(QPageLayout(QPageSize(rect.size(), QPageSize::Point), QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0), QPageLayout::Point));
        writer.setCreator(QStringLiteral("Tolvane"));
        QPainter painter(&writer);
        const QRectF area = flippedFrame(rect, view->height());
        painter.translate(-area.topLeft());
        view->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    }
    buffer.close();
    return data;
}

QByteArray dataWithPDF(QWidget *view)
{
    return dataWithPDFInsideRect(view, QRectF(0, 0, view->width(), view->height()));
}

void drawViewInRect(QWidget *view, QPainter &painter, const QRectF &target)
{
    if (view->width() <= 0 || view->height() <= 0)
        return;
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / view->width(), target.height() / view->height());
    view->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    painter.restore();
}

} // namespace tolvane
