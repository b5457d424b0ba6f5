#pragma once
// USPS Intelligent Mail barcode view: 65 bars, one module of bar and one of
// space each, from the view's left edge, standing on its bottom edge:
// "F" full (H), "A" ascender (upper two thirds), "D" descender (lower two
// thirds), "T" tracker (middle third), with H the module height. Defaults:
// bar width 0.015 in, full height 0.125 in, so 2.16 points a bar and 9 points
// high. A text the encoder refuses (its code goes to the console as
// "USPS4CB returned %i") draws nothing.
//
// The text is the 20-digit tracking code followed by the routing ZIP Code;
// intelligentMailBarcodeText() builds it for every layout.
#include "QVCode128View.h"

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

    void encodeBitPattern() override;
    void draw(QPainter &painter) const override;
};

} // namespace tolvane
