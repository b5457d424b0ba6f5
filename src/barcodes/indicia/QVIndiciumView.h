#pragma once
// What the stealth and dollar indicium views share: a layout form (the
// "nib") loaded into a container child at the origin, the PDF417 barcode
// view with its void band, the date, meter-ID, mailed-from and web-address
// lines, the sample marks, the white background and, on label indicia, the
// commercial-pricing line that can be hidden and shown again.
//
// Every indicium view starts as a sample: the sample barcode with its void
// band, "TEST SAMPLE" in the web-address line and "* SAMPLE *" in the date
// line. It shows real postage only after a caller gives it a symbol and
// clears the void flag. Frames are y-up points (barcodes/imaging/ViewGeometry.h);
// the view's PDF is dataWithPDF() of barcodes/imaging/ViewOutput.h.
#include "QVBarcodeView.h"

#include "barcodes/imaging/QVTextField.h"

#include <QWidget>

#include <memory>

namespace tolvane {

// The sample marks.
inline const QString QVIndiciumSampleWebText = QStringLiteral("TEST SAMPLE");
inline const QString QVIndiciumSampleDateText = QStringLiteral("* SAMPLE *");

class QVIndiciumView : public QWidget
{
    Q_OBJECT

public:
    // The vendor's web-address line of real postage. A neutral text unless
    // the application sets its own.
    static QString vendorWebAddress();
    static void setVendorWebAddress(const QString &text);

    QWidget *container() const { return m_outlets.container; }
    QVBarcodeView *barcodeView() const { return m_outlets.barcode; }
    QVTextField *dateField() const { return m_outlets.date; }
    QVTextField *meterIDField() const { return m_outlets.meterID; }
    QVTextField *mailedFromField() const { return m_outlets.mailedFrom; }
    QVTextField *webAddressField() const { return m_outlets.webAddress; }
    // Null for views without the line (envelopes).
    QVTextField *commercialPricingField() const { return m_outlets.commercialPricing; }

    bool drawsWhite() const { return m_drawWhite; }
    void setDrawsWhite(bool drawWhite);

    void setBarcode(std::shared_ptr<const QVVectorBarcode> barcode);
    // YES: the sample marks; NO: the vendor's web address (the date line is
    // left alone). The barcode view's void band follows the flag.
    void setDrawVoidBarcode(bool drawVoid);

    void setDate(const QString &text);
    void setMeterID(const QString &text);
    void setMailedFrom(const QString &text);
    void setTolvaneDotCom(const QString &text);

    // Whether the view has a commercial-pricing line (callers ask before
    // showing or hiding it).
    bool respondsToCommercialPricing() const { return m_outlets.commercialPricing != nullptr; }
    void setDiscountPricingString(const QString &text);
    bool drawsCommercialBasePricing() const { return m_drawCommercialBasePricing; }
    // Shows or hides the pricing line; the barcode, meter-ID and web-address
    // lines move down (showing) or up (hiding) by the line's height less 2
    // points. Nothing happens for the current value.
    void setDrawsCommercialBasePricing(bool draw);

protected:
    struct Outlets {
        QWidget *container = nullptr;
        QVBarcodeView *barcode = nullptr;
        QVTextField *date = nullptr;
        QVTextField *meterID = nullptr;
        QVTextField *mailedFrom = nullptr;
        QVTextField *webAddress = nullptr;
        QVTextField *commercialPricing = nullptr;
    };

    // A view of the given size (points) whose form is loaded next.
    explicit QVIndiciumView(const QSize &size, QWidget *parent = nullptr);
    // After the form is set up in `outlets.container`: the container goes to
    // the origin, the barcode view shows the sample, and the view becomes a
    // sample (setDrawVoidBarcode YES).
    void awakeFromNib(const Outlets &outlets);
    // A new container child for the form.
    QWidget *makeContainer();

    void paintEvent(QPaintEvent *event) override;

private:
    Outlets m_outlets;
    bool m_drawWhite = false;
    bool m_drawCommercialBasePricing = true;
};

} // namespace tolvane
