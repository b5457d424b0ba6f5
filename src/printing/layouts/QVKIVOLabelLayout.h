#pragma once
// The layout of a shipping label on one of the maker's label stocks for the
// Tagwright printers, shared by the printed label (QVKIVOLabelController)
// and its preview window (QVKIVO51207PreviewController): the stock's form,
// its fields filled from a shipment and fitted, the package barcode with its
// black rules, the Intelligent Mail barcode above the destination address.
//
// Stocks and their forms: QVKIVO51207Label "KIVO51207" (756 x 167 points),
// QVKIVO51204Label "KIVO51204" (540 x 167), QVKIVO51203Label "KIVO51203"
// (504 x 162), QVKIVO72019Label "KIVO72019" (539 x 167); any other label
// type has no layout (labelView() is null and every setter does nothing).
//
// The two roles differ in a few rules: the printed label uses Helvetica 12
// and 9 when the user defaults hold no address fonts and shrinks the return
// address down to 5 points; the preview keeps the form's fonts then and
// stops at 8 points. Frames are y-up points (ViewGeometry.h).
#include "model/QVShipment.h"
#include "printing/layouts/QVLayoutViews.h"

#include <QRectF>
#include <QString>

#include <memory>

namespace tolvane {

class QVCode128View;
class QVTextField;
class QVUSPS4CBView;
class QVVoidMailView;

class QVKIVOLabelLayout
{
public:
    enum class Role { Print, Preview };

    struct Outlets {
        QWidget *superContent = nullptr;
        QVAddressField *fromAddress = nullptr;
        QVAddressField *toAddress = nullptr;
        QVTextField *topCustomField = nullptr;
        QVImageView *returnAddressImage = nullptr;
        QVImageView *postnetImage = nullptr;
        QVImageView *indiciumImage = nullptr;
        QVTextField *eServiceText = nullptr;
        QVTextField *eServicePIC = nullptr;
        QVTextField *rdcField = nullptr;
        QVTextField *electronicRateText = nullptr;
        QVCode128View *eServiceBarcode = nullptr;
        QVImageView *blackBarTop = nullptr;
        QVImageView *blackBarBottom = nullptr;
        QVVoidMailView *voidView = nullptr;
    };

    QVKIVOLabelLayout(Role role, const QString &labelType);
    virtual ~QVKIVOLabelLayout();
    QVKIVOLabelLayout(const QVKIVOLabelLayout &) = delete;
    QVKIVOLabelLayout &operator=(const QVKIVOLabelLayout &) = delete;

    // The stock's paper: its name (empty when it has none) and size (0 x 0
    // for a label type without a layout).
    static QString paperNameForLabelType(const QString &labelType);
    static QSizeF paperSizeForLabelType(const QString &labelType);
    // The label type the printer set-up gives for shipping labels.
    static QString labelTypeFromPrinterSetup();

    bool hasLayout() const { return m_window != nullptr; }
    QWidget *labelView() const { return m_outlets.superContent; }
    const Outlets &outlets() const { return m_outlets; }
    QString labelType() const { return m_labelType; }
    void setLabelType(const QString &labelType) { m_labelType = labelType; }
    std::shared_ptr<QVShipment> shipment() const { return m_shipment; }
    void setShipment(std::shared_ptr<QVShipment> shipment) { m_shipment = std::move(shipment); }

    // Fills the layout from the shipment (addresses, package barcode and its
    // texts, RDC, the Intelligent Mail barcode except on 72019).
    void fillFromShipment(std::shared_ptr<QVShipment> shipment);
    // The shipment's return address, with the line "US" for an
    // international shipment.
    static QString returnAddressText(const QVShipment &shipment);

    void setToAddressString(const QString &text);
    void setFromAddressString(const QString &text);
    // Only the location "Top" is handled.
    void setCustomFieldString(const QString &text, const QString &location);
    void setEServiceTextString(const QString &text);
    void setEServicePICString(const QString &text);
    void setRDCString(const QString &text);
    void setElectronicRateApprovedString(const QString &text);
    // The package number as printed: prepared for GS1-128 (empty clears the
    // barcode and its rules).
    void setEServiceBarcodeString(const QString &number);
    // The whole Intelligent Mail text (tracking code and routing code).
    void setConfirmNumber(const QString &text);
    void setPostNetImage(const QVLayoutImage &image);
    void setIndicium(const QVLayoutImage &image);
    QVLayoutImage indicium() const;
    void drawVoid(bool drawVoid);

    QVUSPS4CBView *onecodeView() const { return m_onecodeView; }
    QVImageView *permitImageView() const { return m_permitImageView; }
    qreal toAddressPointSize() const { return m_toAddressSize; }
    qreal fromAddressPointSize() const { return m_fromAddressSize; }
    QRectF toAddressFrame() const { return m_toAddressFrame; }
    QRectF fromAddressFrame() const { return m_fromAddressFrame; }

protected:
    Role m_role;
    QString m_labelType;
    std::unique_ptr<QWidget> m_window;
    Outlets m_outlets;
    std::shared_ptr<QVShipment> m_shipment;
    // The label is international (set from the shipment when filled).
    bool m_international = false;

private:
    void awakeFromNib();

    QRectF m_toAddressFrame;
    QRectF m_fromAddressFrame;
    QRectF m_topFieldFrame;
    QVUSPS4CBView *m_onecodeView = nullptr;
    QVImageView *m_permitImageView = nullptr;
    qreal m_toAddressSize = 0;
    qreal m_fromAddressSize = 0;
};

} // namespace tolvane
