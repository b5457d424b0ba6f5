#pragma once
// The view that shows one indicium PDF417 symbol inside the indicium views,
// with a white "VOID - DO NOT MAIL" band over it for samples and test prints.
// It also owns the fixed sample indicium (98 bytes, plainly not postage) that
// samples, test prints and the label printer's sample path use.
#include "QVVectorBarcode.h"

#include <QWidget>

#include <memory>

namespace tolvane {

class QVBarcodeView : public QWidget
{
    Q_OBJECT

public:
    // A view made in code starts with no symbol and the void band on; one
    // made by a layout (a form) calls awakeFromNib() and shows the sample.
    explicit QVBarcodeView(QWidget *parent = nullptr);

    // The 98-byte sample indicium and its symbol (the same objects on every
    // call, made once for the process).
    static const QByteArray &sampleBarcodeData();
    static std::shared_ptr<const QVVectorBarcode> sampleBarcode();

    // Shows the sample symbol with the void band.
    void awakeFromNib();

    std::shared_ptr<const QVVectorBarcode> barcode() const { return m_barcode; }
    void setBarcode(std::shared_ptr<const QVVectorBarcode> barcode);
    bool drawVoid() const { return m_drawVoid; }
    void setDrawVoid(bool drawVoid);

    // The void band (bounds less 15 % of the width on each side and 25 % of
    // the height at top and bottom) and its text rectangle, in the view's
    // own top-left coordinates.
    QRectF voidRect() const;
    QRectF voidTextRect() const;

    // Draws the symbol and the band into a painter at the view's bounds.
    void draw(QPainter &painter) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::shared_ptr<const QVVectorBarcode> m_barcode;
    bool m_drawVoid = true;
};

} // namespace tolvane
