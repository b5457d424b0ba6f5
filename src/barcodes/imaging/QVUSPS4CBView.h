#pragma once
// USPS Intelligent Mail barcode view: 65 bars from the view's left edge,
// standing on its bottom edge: "F" full (H), "A" ascender (upper two
// thirds), "D" descender (lower two thirds), "T" tracker (middle third),
// with H the module height and the module width the bar's width. The bars
// stand barPitch() apart, 22 to the inch, the middle of the 20 to 24 that
// USPS-B-3200 allows. Defaults: bar width 0.020 in (0.015 to 0.025 allowed),
// full height 0.145 in (0.125 to 0.165), so ascender and descender
// 0.097 in and the tracker 0.048 in, all in the document's ranges; the
// symbol is 2.93 x 0.145 in. A text the encoder
// refuses (its code goes to the console as "USPS4CB returned %i") draws
// nothing.
//
// The text is the 20-digit tracking code followed by the routing ZIP Code;
// intelligentMailBarcodeText() builds it for every layout.
#include "QVCode128View.h"

#include <QSizeF>

class QVAddress;

namespace tolvane {

class QVUSPS4CBView : public QVCode128View
{
    Q_OBJECT

public:
    explicit QVUSPS4CBView(QWidget *parent = nullptr);

    // The view's text for a tracking (confirm) number and the delivery
    // address: the number followed by the address's whole routing code (11,
    // 9, 5 or no digits; see QVAddress::intelligentMailRoutingCode).
    static QString intelligentMailBarcodeText(const QString &confirmNumber, const QVAddress &address);

    // Inches from one bar's left edge to the next one's.
    static constexpr double barPitch() { return 1.0 / 22.0; }
    // The 65 bars in whole points (211 x 11), with the default bar width
    // and height: the frame the layouts give the view.
    static QSizeF symbolSize();

    void encodeBitPattern() override;
    void draw(QPainter &painter) const override;
};

} // namespace tolvane
