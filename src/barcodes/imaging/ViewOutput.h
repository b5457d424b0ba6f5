#pragma once
// Output of a layout view: its PDF, and its drawing as vector content inside
// another page.
#include <QByteArray>
#include <QRectF>

class QPainter;
class QWidget;

namespace tolvane {

// The PDF of a rectangle of the view (y-up, in the view's points): one page
// of the rectangle's size, the view drawn at 72 dpi with its children. Texts
// stay text and bars stay filled rectangles. Empty data for an empty
// rectangle.
QByteArray dataWithPDFInsideRect(QWidget *view, const QRectF &rect);
// The same for the view's bounds.
QByteArray dataWithPDF(QWidget *view);

// Draws the view with its children scaled into a target rectangle of the
// painter (the painter's own coordinates), as vector content on vector
// devices (PDF, printers).
void drawViewInRect(QWidget *view, QPainter &painter, const QRectF &target);

} // namespace tolvane
