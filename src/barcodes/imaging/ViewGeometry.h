#pragma once
// Frames of views in the layouts' own terms.
//
// Layouts place their views by frames in points with the origin at the lower
// left of the containing view and y growing upward (a frame's origin is its
// lower-left corner). Qt widgets place children by their top-left corner
// with y growing downward. These helpers are the one place where the two
// meet: every layout reads and moves its fields through them.
//
// One layout unit is one point (1/72 in) on every device: a view's PDF is
// made at 72 dpi, and texts are drawn so that a font of n points is n units
// high whatever the device's resolution (see QVTextField).
#include <QRectF>

class QPainter;
class QWidget;

namespace tolvane {

// The same rectangle measured from the other edge of a container of the
// given height (y-up frame to top-left geometry and back; the two directions
// are the same operation).
QRectF flippedFrame(const QRectF &frame, qreal containerHeight);

// The view's frame in its parent (y-up; the view's own size when it has no
// parent).
QRectF frameOf(const QWidget *view);
// Places the view at a y-up frame in its parent (rounded to whole units).
void setFrame(QWidget *view, const QRectF &frame);
// Moves the view's y-up frame origin by (dx, dy), keeping its size.
void offsetFrame(QWidget *view, qreal dx, qreal dy);

// Whether the painter paints a screen (antialiasing is on only then).
bool drawingToScreen(const QPainter &painter);

// The scale that turns a font's point size into the size to give the
// painter's font so that the text is that many painter units high.
qreal fontScaleForPainter(const QPainter &painter);

} // namespace tolvane
