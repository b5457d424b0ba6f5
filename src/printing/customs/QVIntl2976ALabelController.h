#pragma once
// The customs declaration PS Form 2976-A (CP 72) of one shipment, laid out
// on US Letter plain paper: the layout "Intl2976A" (a QVIntl2976AView of
// fields over the form pictures), filled from the shipment's addresses,
// customs keys (written by the customs dialog) and barcode number, and
// printed through the print operation. The print flow previews and prints
// it, the mailing log reprints it; QVIntl2976LabelController (the 2976
// label) and QVDomestic2976ALabelController (the domestic form) are built on
// it.
//
// Fields. Every text field of the layout holds a template with "<%" key "%>"
// placeholders, filled from the dictionary of valuesForShipment() (keys
// missing from it vanish; the template is kept, so a field can be filled
// again). The addresses are fitted: the delivery address starts in Helvetica
// 12 points with its last line (the country) bold and shrinks a point at a
// time while it overflows its box, down to 6 points; the return address
// starts one point smaller than the size the delivery address ended at and
// shrinks by the same rule. The second copies repeat the first.
//
// Items. The form shows the first five items of the shipment; the total
// value counts every item (as the customs value does), so that a piece that
// holds more items than rows never declares less than it holds.
//
// Barcodes: GS1-128 views with the shipment's package barcode data (a
// confirmation number); for Priority Mail Express International Code 39
// views (module 0.01 in) with the piece's number.
//
// Pages: Priority Mail Express International "emi-customsform-1-outline",
// "emi-customsform-2-outline" and, with the user default
// "printCustomsInstructions", "emi_instructions"; Priority Mail
// International the "pmi-" pictures likewise; no pages for other classes.
// "printCustomsSendersCopy" prints page 2 whole (with the sender's copy).
//
// The "postagePaid" line names the web site of the user default
// "tolvaneWebSite" when it is set. "showTotalPostageOn2976A" prints the
// postage. Main thread only.
#include "model/QVShipment.h"
#include "platform/PrintInfo.h"
#include "printing/layouts/QVLayoutViews.h"

#include <QRectF>
#include <QString>
#include <QVariantMap>

#include <memory>

namespace tolvane {

class QVCode128View;
class QVIntl2976AView;
class QVTextField;
class QVVoidMailView;

class QVIntl2976ALabelController
{
public:
    struct Outlets {
        QWidget *contentView = nullptr;
        QVImageView *labelImageView = nullptr;
        QVAddressField *fromAddress = nullptr;
        QVAddressField *toAddress = nullptr;
        QVAddressField *fromAddress2 = nullptr;
        QVAddressField *toAddress2 = nullptr;
        QVVoidMailView *voidView1 = nullptr;
        QVVoidMailView *voidView2 = nullptr;
        QVImageView *indiciumImage = nullptr;
        QVCode128View *barcode1 = nullptr;
        QVCode128View *barcode2 = nullptr;
        QVTextField *humanReadable1 = nullptr;
        QVTextField *humanReadable2 = nullptr;
    };

    // Loads the layout "Intl2976A".
    QVIntl2976ALabelController();
    virtual ~QVIntl2976ALabelController();
    QVIntl2976ALabelController(const QVIntl2976ALabelController &) = delete;
    QVIntl2976ALabelController &operator=(const QVIntl2976ALabelController &) = delete;

    // The filled form of a shipment (a null shipment gives the empty form).
    static std::unique_ptr<QVIntl2976ALabelController>
    intl2976AControllerWithShipment(std::shared_ptr<QVShipment> shipment);

    // ---- Printing
    // "gemPrintInfo".
    virtual QString printInfoKey() const;
    // The printer set-up's plain-paper settings of printInfoKey().
    virtual PrintInfo printInfo() const;
    QString labelType() const;
    // The window's content view.
    QWidget *labelView() const { return m_outlets.contentView; }
    virtual QWidget *printView() const { return m_outlets.contentView; }
    // Prints printView() under printInfo() with one copy and the extras on
    // top (e.g. a save disposition); true when the print operation ran.
    bool printLabel(const QVariantMap &extras = QVariantMap());
    // The PDF that printLabel would make (empty and the reason on failure).
    QByteArray pdfData(const QVariantMap &extras = QVariantMap(), QString *error = nullptr);

    // ---- Filling
    std::shared_ptr<QVShipment> shipment() const { return m_shipment; }
    void setShipment(std::shared_ptr<QVShipment> shipment) { m_shipment = std::move(shipment); }
    // Fills the placeholders and the barcodes from the shipment.
    void setValuesWithShipment(const QVShipment &shipment);
    // The placeholder values of the form (see the source for each key).
    static QVariantMap valuesForShipment(const QVShipment &shipment);
    void setToAddressString(const QString &text);
    void setFromAddressString(const QString &text);
    // Fills every text field of the content view.
    virtual void setStringsWithDictionary(const QVariantMap &values);
    // Fills every text field under the view from its template.
    static void setStringsWithDictionary(const QVariantMap &values, QWidget *view);

    void setIndicium(const QVLayoutImage &image);
    QVLayoutImage indicium() const;
    // Both VOID overlays on or off (off when the layout is loaded).
    void drawVoid(bool drawVoid);

    // The 2976-A view (null for layouts of another view).
    QVIntl2976AView *formView() const;
    const Outlets &outlets() const { return m_outlets; }
    // The size the delivery address ended at.
    qreal addressFontSize() const { return m_addressFontSize; }
    QRectF toAddressFrame() const { return m_toAddressFrame; }
    QRectF fromAddressFrame() const { return m_fromAddressFrame; }

    // The money form of the form: "$" and at least two, at most three
    // decimals ("$###0.00#").
    static QString moneyString(const Decimal &amount);

protected:
    struct NoLayout {};
    // For the layouts built on this one: the subclass loads its own form and
    // calls windowDidLoad().
    explicit QVIntl2976ALabelController(NoLayout);
    // Takes the window and its outlets; both barcodes get a module height of
    // 0.5 inch, the address frames are recorded, the overlays are off.
    void windowDidLoad(std::unique_ptr<QWidget> window, const Outlets &outlets);
    // The 2976-A pages of the shipment's class; the view shows page 1.
    void setPagesForShipment(const QVShipment &shipment);
    // The 2976-A view shows page 1 (as it does outside printing).
    void showFirstPage();
    // The outlets of a loaded form (its fields of the same names).
    template <class Form> static Outlets outletsOf(Form &form, QWidget *contentView)
    {
        Outlets outlets;
        outlets.contentView = contentView;
        outlets.labelImageView = form.labelImageView;
        outlets.fromAddress = form.fromAddress;
        outlets.toAddress = form.toAddress;
        outlets.fromAddress2 = form.fromAddress2;
        outlets.toAddress2 = form.toAddress2;
        outlets.voidView1 = form.voidView1;
        outlets.voidView2 = form.voidView2;
        outlets.indiciumImage = form.indiciumImage;
        outlets.barcode1 = form.barcode1;
        outlets.barcode2 = form.barcode2;
        outlets.humanReadable1 = form.humanReadable1;
        outlets.humanReadable2 = form.humanReadable2;
        return outlets;
    }

private:
    void setBarcodesWithShipment(const QVShipment &shipment);

    std::unique_ptr<QWidget> m_window;
    Outlets m_outlets;
    std::shared_ptr<QVShipment> m_shipment;
    QRectF m_toAddressFrame;
    QRectF m_fromAddressFrame;
    qreal m_addressFontSize = 12;
};

} // namespace tolvane
