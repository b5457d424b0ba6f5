#include "ViewGeometry.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QWidget>

namespace tolvane {

QRectF flippedFrame(const QRectF &frame, qreal containerHeight)
{
    return QRectF(frame.x(), containerHeight - frame.y() - frame.height(), frame.width(), frame.height());
}

static qreal containerHeight(const QWidget *view)
{
    return view->parentWidget() ? view->parentWidget()->height() : view->height();
}

QRectF frameOf(const QWidget *view)
{
    if (!view->parentWidget())
        return QRectF(0, 0, view->width(), view->height());
    return flippedFrame(QRectF(view->geometry()), containerHeight(view));
}

void setFrame(QWidget *view, const QRectF &frame)
{
    view->setGeometry(flippedFrame(frame, containerHeight(view)).toRect());
}

void offsetFrame(QWidget *view, qreal dx, qreal dy) { setFrame(view, frameOf(view).translated(dx, dy)); }

bool drawingToScreen(const QPainter &painter)
{
    const QPaintDevice *device = painter.device();
    if (!device || device->devType() != QInternal::Widget)
        return false;
    // A widget rendered into a PDF or a recording still names itself as the
    // device; the engine tells where the drawing goes.
    const QPaintEngine *engine = painter.paintEngine();
    return !engine ||
        (engine->type() != QPaintEngine::Pdf && engine->type() != QPaintEngine::Picture &&
         engine->type() != QPaintEngine::SVG);
}

qreal fontScaleForPainter(const QPainter &painter)
{
    const QPaintDevice *device = painter.device();
    const int dpi = device ? device->logicalDpiY() : 72;
    return dpi > 0 ? 72.0 / dpi : 1.0;
}

} // namespace tolvane
