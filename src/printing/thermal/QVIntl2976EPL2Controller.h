#pragma once
// The 4 x 6 in EPL2 label that joins the postage indicium with the PS Form
// 2976 (CN 22) customs declaration of a First-Class Mail International or
// Priority Mail International flat-rate piece. The stream is the EPL2
// label's (QVEPL2LabelController): its header, then the fixed block
// "onlinepostage", then the indicium drawn upright (125 x 520 dots) and the
// filled "4x6intl-template".
//
// Many values are written in columns of a fixed width (padRight: spaces in
// front). The item rows list the first five items; the printed totals of
// weight and value count every item, as the customs value of the piece does.
#include "printing/thermal/QVEPL2LabelController.h"

namespace tolvane {

class QVIntl2976EPL2Controller : public QVEPL2LabelController
{
public:
    // Header and the "onlinepostage" block.
    QVIntl2976EPL2Controller();

    // The filled label, with the indicium when bytes are given. Nothing when
    // given bytes make no symbol on a live label.
    static std::unique_ptr<QVIntl2976EPL2Controller>
    epl2ControllerWithShipment(const QVShipment &shipment, const std::optional<QByteArray> &indiciumData, bool sample);

    // The discount line (when not empty), turned 90 degrees at x 713, y 660,
    // then the upright indicium at x 563 (with a discount line) or 585,
    // y 660. False when no symbol can be made.
    bool setIndiciumData(const QByteArray &indiciumData, const QString &discountString);
    // The PDF417 symbol of the bytes turned a quarter clockwise into a 125 x
    // 520 grey image; a null image when no symbol can be made.
    static QImage bitmapForData(const QByteArray &indiciumData);

    // Length 0: the text as it is. Otherwise padded with spaces at its end
    // (or in front with padRight) to the length, or cut to its first
    // `length` characters. Stored unescaped: the template filling escapes.
    static void addString(const QString &text, const QString &key, int length, bool padRight, QVariantMap &values);
};

} // namespace tolvane
