#pragma once
// The PDF417 symbol of a piece's indicium data as a one-bit module bitmap,
// drawn as filled rectangles so that it stays sharp at every scale (in a
// view, in the indicium PDF, in a label printer's grey bitmap).
//
// Bitmap form: height rows of (width / 8 + 1) bytes each (integer division),
// first row first; within a row the modules run from the most significant
// bit of the first byte onward; a set bit is a white (space) module, a clear
// bit a black (bar) module. The object is immutable.
//
// The symbol is made at error-correction level 4 from the bytes exactly as
// received, in a shape near 2 : 7 (height : width, rows three modules high).
#include <QByteArray>
#include <QRectF>
#include <QString>

#include <memory>

class QPainter;

namespace tolvane {

class QVVectorBarcode
{
public:
    // The symbol of the indicium bytes. Nothing when the symbol cannot be
    // made: the console line "pdferror is %i" with the library's error
    // number is written and error (when given) gets the same text. A piece
    // of real postage must not be printed without its symbol, so callers
    // report a missing symbol as a failure; only samples go without one.
    static std::shared_ptr<const QVVectorBarcode> initWithData(const QByteArray &bytes, QString *error = nullptr);
    // A symbol from a bitmap of the form above: (width / 8 + 1) x height
    // bytes are copied. Nothing for a non-positive size.
    static std::shared_ptr<const QVVectorBarcode> initWithBuffer(const unsigned char *bitmap, int width, int height);

    int width() const { return m_width; }
    int height() const { return m_height; }
    const QByteArray &data() const { return m_data; }
    int bytesPerRow() const { return m_width / 8 + 1; }
    // Whether the module at (column, row), both from 0, is black.
    bool isBlack(int column, int row) const;

    // Draws the symbol filling the rectangle exactly (the painter's own
    // coordinates): the first row at the top, the last at the bottom edge,
    // each module a cell of rect.width() / width by rect.height() / height,
    // white cells painted too.
    void drawInRect(QPainter &painter, const QRectF &rect) const;

private:
    QVVectorBarcode(QByteArray data, int width, int height);

    QByteArray m_data;
    int m_width;
    int m_height;
};

} // namespace tolvane
