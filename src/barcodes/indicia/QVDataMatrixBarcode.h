#pragma once
// The 12 x 36 ECC 200 Data Matrix symbol of a stamp's indicium bytes, and the
// view that draws it cell by cell with a white "V O I D" overlay for samples.
//
// The bytes go to the encoder as one escape "~d%03d" each, so every byte
// value 0 to 255 is carried unchanged. The encoder keeps static state; use it
// from one thread (the main thread) only.
#include "barcodes/datamatrix/ZYKDataMatrix.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <array>
#include <memory>

namespace tolvane {

class QVDataMatrixBarcode
{
public:
    // Rows and columns of the stamp symbol.
    static constexpr int kRows = 12;
    static constexpr int kColumns = 36;

    // The symbol of the bytes, or nothing when the encoder fails (the
    // encoder's message goes to standard output). A stamp whose symbol
    // cannot be made gets no symbol rather than a half-made one.
    static std::shared_ptr<const QVDataMatrixBarcode> initWithData(const QByteArray &bytes);
    // The text of the bytes as the encoder's escapes.
    static QByteArray escapedText(const QByteArray &bytes);

    // The symbol record (rows, columns, cells), valid while the object lives.
    const ZYK_Data_Matrix *matrix() const { return &m_matrix; }
    // Cell (row, column), both 1-based: true for a dark cell.
    bool cell(int row, int column) const;

private:
    QVDataMatrixBarcode();
    // Runs the encoder on the escaped text; false (and the message on
    // standard output) when it fails.
    bool encodeString(const QByteArray &text);

    std::array<unsigned char, (ZYK_MAX_MATRIX_BYTES > 2738 ? ZYK_MAX_MATRIX_BYTES : 2738)> m_buffer{};
    ZYK_Data_Matrix m_matrix{0, 0, nullptr};
};

class QVDataMatrixView : public QWidget
{
    Q_OBJECT

public:
    // The void overlay on, no symbol, no rotation.
    explicit QVDataMatrixView(QWidget *parent = nullptr);

    std::shared_ptr<const QVDataMatrixBarcode> matrix() const { return m_matrix; }
    void setMatrix(std::shared_ptr<const QVDataMatrixBarcode> matrix);
    bool drawVoid() const { return m_drawVoid; }
    void setDrawVoid(bool drawVoid);

    // The turn of the symbol inside the view's frame, in degrees: 0 upright,
    // -90 a quarter turn clockwise (the symbol's top to the right), 90 the
    // other way. With a quarter turn the symbol's own bounds are the frame's
    // height by its width.
    int frameRotation() const { return m_frameRotation; }
    void setFrameRotation(int degrees);
    // The view's own bounds: the frame's size, exchanged by a quarter turn.
    QSizeF boundsSize() const;

    // The size of the "V O I D" text: from 12 points up in whole points until
    // it is at least 95 % of its rectangle's width (12 points when that
    // already is).
    qreal voidFontSize() const;

    // Draws the symbol and the overlay into a painter in the frame's
    // coordinates (rotation applied).
    void draw(QPainter &painter) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRectF voidTextRect() const;

    std::shared_ptr<const QVDataMatrixBarcode> m_matrix;
    bool m_drawVoid = true;
    int m_frameRotation = 0;
};

} // namespace tolvane
