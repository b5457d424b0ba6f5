#pragma once
// One shipping label laid out for a shipment and printed: on half of a US
// Letter sheet (QVPlainPaperLabel, through QV2UpPortraitLabelPrintView), on
// the maker's 4 x 6 in stock (QVKIVO8836105Label, through the label
// printer's driver) or as a picture through the Zebra printer's print queue
// (QVEPL2Label).
//
// The layout is a form of 288 x 432 points: "PlainPaperLabel" for every
// class but Priority Mail Express, "DomesticExpressMail" for Priority Mail
// Express. Its fields are filled and fitted by the setters below; frames are
// y-up points (ViewGeometry.h). Fonts and colours of the addresses come from
// the user defaults "toAddressFont", "toAddressColor", "fromAddressFont",
// "fromAddressColor" (platform/ArchivedValues.h), else the form's.
//
// While alive the controller follows every change of the user defaults
// (NSUserDefaultsDidChangeNotification) by laying the shipment's addresses,
// Intelligent Mail barcode and custom fields out again, and then posts
// QVLabelLayoutDidChangeNotification with itself as object. Main thread
// only.
#include "model/QVShipment.h"
#include "platform/NotificationCenter.h"
#include "platform/PrintInfo.h"
#include "printing/layouts/QVLayoutViews.h"

#include <QPointF>
#include <QRectF>
#include <QString>
#include <QVariantMap>

#include <memory>

inline const QString QVLabelLayoutDidChangeNotification = QStringLiteral("QVLabelLayoutDidChangeNotification");

namespace tolvane {

class QVCode128View;
class QVTextField;
class QVUSPS4CBView;
class QVVoidMailView;
class QV2UpPortraitLabelPrintView;

class QVPlainPaperLabelController
{
public:
    // The outlets of the form (the Express-only ones are null on the
    // ordinary form).
    struct Outlets {
        QWidget *superContent = nullptr;
        QVImageView *labelImageView = nullptr;
        QVAddressField *fromAddress = nullptr;
        QVAddressField *toAddress = nullptr;
        QVImageView *returnAddressImage = nullptr;
        QVImageView *postnetImage = nullptr;
        QVImageView *indiciumImage = nullptr;
        QVTextField *eServiceText = nullptr;
        QVCode128View *eServiceBarcode = nullptr;
        QVTextField *eServicePIC = nullptr;
        QVTextField *electronicRateText = nullptr;
        QVTextField *rdcField = nullptr;
        QVAddressField *crtField = nullptr;
        QVTextField *topCustomField = nullptr;
        QVTextField *bottomCustomField = nullptr;
        QVTextField *phoneNumber = nullptr;
        QVAddressField *endorsementField = nullptr;
        QVTextField *serviceBannerField = nullptr;
        QVVoidMailView *voidView = nullptr;
    };

    // Loads the ordinary or the Express form; test print and international
    // off; the form's frames kept.
    explicit QVPlainPaperLabelController(bool expressMail = false);
    ~QVPlainPaperLabelController();
    QVPlainPaperLabelController(const QVPlainPaperLabelController &) = delete;
    QVPlainPaperLabelController &operator=(const QVPlainPaperLabelController &) = delete;

    // Every text and both custom fields empty, no pictures, VOID off, the
    // label type from the user default "printerLabel".
    static std::unique_ptr<QVPlainPaperLabelController> blankPlainPaperController();
    static std::unique_ptr<QVPlainPaperLabelController> blankExpressPlainPaperController();
    // The layout filled from the shipment.
    static std::unique_ptr<QVPlainPaperLabelController>
    plainPaperControllerWithShipment(std::shared_ptr<QVShipment> shipment);

    // Lays the addresses, the Intelligent Mail barcode and the custom fields
    // out again from the shipment, then posts the layout notification.
    void readFromDefaults();
    void syncCustomFields();

    void setMailClass(const QString &rateClass);
    void setLabelImage(const QVLayoutImage &image);
    void setToAddressString(const QString &text);
    void setFromAddressString(const QString &text);
    // The whole Intelligent Mail text (tracking code and routing code).
    void setConfirmNumber(const QString &text);
    void setEServiceTextString(const QString &text);
    void setEServiceBarcodeString(const QString &number);
    void setEServicePICString(const QString &text);
    void setElectronicRateApprovedString(const QString &text);
    void setRDCString(const QString &text);
    void setCarrierRouteString(const QString &text);
    void setServiceBannerString(const QString &text);
    void setToPhoneNumber(const QString &text);
    void setEndorsementString(const QString &text);
    // Location "Top" or "Bottom"; anything else is ignored, and "Top" on a
    // QVEPL2Label.
    void setCustomFieldString(const QString &text, const QString &location);
    void setPostNetImage(const QVLayoutImage &image);
    void setIndicium(const QVLayoutImage &image);
    QVLayoutImage indicium() const;
    void drawVoid(bool drawVoid);

    bool testPrint() const { return m_testPrint; }
    void setTestPrint(bool testPrint) { m_testPrint = testPrint; }
    bool international() const { return m_international; }
    void setInternational(bool international) { m_international = international; }
    std::shared_ptr<QVShipment> shipment() const { return m_shipment; }
    void setShipment(std::shared_ptr<QVShipment> shipment) { m_shipment = std::move(shipment); }
    QString labelType() const { return m_labelType; }
    void setLabelType(const QString &labelType) { m_labelType = labelType; }
    bool isExpressMail() const { return m_express; }

    // The label view (288 x 432 points).
    QWidget *labelView() const { return m_outlets.superContent; }
    const Outlets &outlets() const { return m_outlets; }
    // The Intelligent Mail barcode view (null before the first confirm
    // number).
    QVUSPS4CBView *onecodeView() const { return m_onecodeView; }
    // The sizes the addresses were fitted at.
    qreal toAddressPointSize() const { return m_toAddressSize; }
    qreal fromAddressPointSize() const { return m_fromAddressSize; }
    QRectF toAddressFrame() const { return m_toAddressFrame; }
    QRectF fromAddressFrame() const { return m_fromAddressFrame; }

    // The print info and view of the label type (the extras on top).
    PrintInfo printInfoWithExtras(const QVariantMap &extras) const;
    // Prints under the job title "Tolvane Label": true when the print
    // operation ran.
    bool printLabelWithPrintInfoExtras(const QVariantMap &extras = QVariantMap());

private:
    void windowDidLoad();
    QWidget *viewToPrint();

    std::unique_ptr<QWidget> m_window;
    Outlets m_outlets;
    bool m_express = false;
    QRectF m_toAddressFrame;
    QRectF m_fromAddressFrame;
    QRectF m_topFieldFrame;
    QRectF m_bottomFieldFrame;
    QPointF m_lowerRightOfRDCField;
    QFont m_toAddressNibFont;
    QFont m_fromAddressNibFont;
    QColor m_toAddressNibColor = Qt::black;
    QColor m_fromAddressNibColor = Qt::black;
    QString m_labelType;
    bool m_testPrint = false;
    bool m_international = false;
    std::shared_ptr<QVShipment> m_shipment;
    QVUSPS4CBView *m_onecodeView = nullptr;
    std::unique_ptr<QV2UpPortraitLabelPrintView> m_printView;
    qreal m_toAddressSize = 0;
    qreal m_fromAddressSize = 0;
    NotificationObserver m_defaultsObserver;
};

} // namespace tolvane
