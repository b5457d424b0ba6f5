#pragma once
// The postage indicium of a piece whose amount is hidden ("stealth"
// postage): the PDF417 barcode, meter ID, date, mailed-from ZIP Code, mail
// class, the vendor's web-address line and, for commercial prices, a pricing
// line. Laid out by the form "StealthView" (175 x 110 points).
//
// The print flow's order: construct; setMailingClass; setDrawsCommercialBasePricing
// (and setDiscountPricingString when shown); setMailedFrom; for real postage
// setBarcode, setDrawVoidBarcode(false) and setDate; setMeterID; then the PDF
// of the bounds.
#include "QVIndiciumView.h"

namespace tolvane {

class QVStealthIndiciumView : public QVIndiciumView
{
    Q_OBJECT

public:
    // The smallest size the mail class shrinks to, and the step, points.
    static constexpr qreal kMailingClassFloor = 6.0;
    static constexpr qreal kMailingClassStep = 0.25;

    explicit QVStealthIndiciumView(QWidget *parent = nullptr);

    QVTextField *mailingClassField() const { return m_mailingClass; }
    // Sets the mail class; a text wider than the field's laid-out width
    // shrinks the font a quarter point at a time down to 6 points. The field
    // keeps its frame. An empty text leaves the font alone.
    void setMailingClass(const QString &text);

private:
    QVTextField *m_mailingClass = nullptr;
};

} // namespace tolvane
