#include "printing/layouts/QVPlainPaperLabelController.h"

#include "barcodes/imaging/QVCode128View.h"
#include "barcodes/imaging/QVCode39View.h"
#include "barcodes/imaging/QVTextField.h"
#include "barcodes/imaging/QVUSPS4CBView.h"
#include "barcodes/imaging/ViewGeometry.h"
#include "barcodes/indicia/QVVoidMailView.h"
#include "barcodes/linear/UCCEAN128Formatting.h"
#include "platform/ArchivedValues.h"
#include "platform/UserDefaults.h"
#include "printing/QVPrintOperation.h"
#include "printing/layouts/QV2UpPortraitLabelPrintView.h"
#include "printing/layouts/QVLabelFitting.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "printing/thermal/KIVONewTagwright.h"
#include "printing/thermal/QVZebraPrinter.h"
#include "rates/QVShipmentLabelFields.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSRateClassNames.h"

#include "ui_DomesticExpressMail.h"
#include "ui_PlainPaperLabel.h"

#include <QFontMetricsF>
#include <QRawFont>
#include <QRegularExpression>

namespace tolvane {

namespace {

constexpr qreal kAddressFloor = 8;
constexpr qreal kCustomFieldFloor = 6;
constexpr qreal kCustomFieldSize = 10;
// The delivery address rises by this much for the Intelligent Mail barcode,
// which takes its former place at this size.
constexpr qreal kOnecodeRise = 13.032;
const QString kLabelJobTitle = QStringLiteral("Tolvane Label");

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

template <class Form> void takeOutlets(Form &form, QVPlainPaperLabelController::Outlets &outlets)
{
    outlets.labelImageView = form.labelImageView;
    outlets.fromAddress = form.fromAddress;
    outlets.toAddress = form.toAddress;
    outlets.returnAddressImage = form.returnAddressImage;
    outlets.postnetImage = form.postnetImage;
    outlets.indiciumImage = form.indiciumImage;
    outlets.eServiceText = form.eServiceText;
    outlets.eServiceBarcode = form.eServiceBarcode;
    outlets.eServicePIC = form.eServicePIC;
    outlets.electronicRateText = form.electronicRateText;
    outlets.rdcField = form.rdcField;
    outlets.crtField = form.crtField;
    outlets.topCustomField = form.topCustomField;
    outlets.bottomCustomField = form.bottomCustomField;
    outlets.serviceBannerField = form.serviceBannerField;
    outlets.voidView = form.voidView;
}

QStringList addressLines(const QString &text)
{
    static const QRegularExpression separators(QStringLiteral("\r\n|[\n\r\u2028\u2029]"));
    return text.split(separators);
}

QFont helvetica(qreal size, bool bold = false)
{
    QFont font(QStringLiteral("Helvetica"));
    font.setPointSizeF(size);
    if (bold)
        font.setWeight(QFont::Bold);
    return font;
}

// The height of the font's bounding box in points: the union of the boxes
// of its Latin-1 glyphs (accents and descenders included); the ascent and
// descent when the font gives no glyph boxes.
qreal boundingHeightOf(const QFont &font)
{
    const QRawFont raw = QRawFont::fromFont(font);
    if (raw.isValid() && raw.pixelSize() > 0) {
        QString latin1;
        for (char16_t c = 0x21; c <= 0xFF; ++c) {
            if (c < 0x7F || c > 0xA0)
                latin1.append(QChar(c));
        }
        QRectF box;
        for (const quint32 glyph : raw.glyphIndexesForString(latin1))
            box = box.united(raw.boundingRect(glyph));
        if (box.height() > 0)
            return box.height() * font.pointSizeF() / raw.pixelSize();
    }
    return QFontMetricsF(font, pointMeasuringDevice()).height();
}

// The Express layout's tight lines: a share of the font's bounding-box
// height, but never below one em, so that lines of a font with a small box
// do not run into each other.
qreal expressLineHeight(const QFont &font, qreal share)
{
    return std::max(share * boundingHeightOf(font), font.pointSizeF());
}

qreal widestLine(const QString &text, const QFont &font)
{
    const QFontMetricsF metrics(font, pointMeasuringDevice());
    qreal widest = 0;
    for (const QString &line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

// A part of an Express address: shrunk while wider than the field.
QFont expressPartFont(const QString &text, qreal size, qreal fieldWidth)
{
    QFont font = helvetica(size, true);
    while (widestLine(text, font) > fieldWidth && font.pointSizeF() > kAddressFloor)
        font.setPointSizeF(font.pointSizeF() - 1);
    return font;
}

QString templateImageForRateClass(const QString &rateClass)
{
    static const QList<QPair<QStringList, QString>> table = {
        {{QVUSPSFirstClassMail}, QStringLiteral("qv_rounded_firstclassmail_labeltemplate")},
        {{QVUSPSPriorityMail, QVUSPSPriorityMailFlatRate, QVUSPSPriorityMailFlatBoxRate},
         QStringLiteral("qv_rounded_prioritymail_labeltemplate_nobanner")},
        {{QVUSPSMediaMail}, QStringLiteral("qv_rounded_mediamail_labeltemplate")},
        {{QVUSPSLibraryMail}, QStringLiteral("qv_rounded_librarymail_labeltemplate")},
        {{QVUSPSBoundPrintedMatter}, QStringLiteral("qv_rounded_boundprintedmatter_labeltemplate")},
        {{QVUSPSParcelSelect}, QStringLiteral("qv_rounded_parcelselect_labeltemplate")},
        {{QVUSPSStandardPost}, QStringLiteral("qv_rounded_standardpost_labeltemplate")},
        {{QVUSPSExpressMail, QVUSPSExpressMailFlatRate},
         QStringLiteral("qv_rounded_expressmail_labeltemplate_nobanner")},
    };
    for (const auto &[classes, image] : table) {
        if (classes.contains(rateClass))
            return image;
    }
    return QStringLiteral("qv_rounded_empty_labeltemplate");
}

} // namespace

QVPlainPaperLabelController::QVPlainPaperLabelController(bool expressMail)
    : m_window(std::make_unique<QWidget>()), m_express(expressMail)
{
    if (expressMail) {
        Ui::DomesticExpressMail form;
        form.setupUi(m_window.get());
        takeOutlets(form, m_outlets);
        m_outlets.phoneNumber = form.phoneNumber;
        m_outlets.endorsementField = form.endorsementField;
    } else {
        Ui::PlainPaperLabel form;
        form.setupUi(m_window.get());
        takeOutlets(form, m_outlets);
    }
    m_outlets.superContent = m_window.get();
    windowDidLoad();
}

QVPlainPaperLabelController::~QVPlainPaperLabelController()
{
    m_defaultsObserver.reset();
    m_printView.reset();
}

void QVPlainPaperLabelController::windowDidLoad()
{
    m_outlets.labelImageView->setScaling(QVImageView::Scaling::None);
    m_outlets.labelImageView->setAlignment(Qt::AlignCenter);
    m_toAddressFrame = frameOf(m_outlets.toAddress);
    m_fromAddressFrame = frameOf(m_outlets.fromAddress);
    m_topFieldFrame = frameOf(m_outlets.topCustomField);
    m_bottomFieldFrame = frameOf(m_outlets.bottomCustomField);
    const QRectF rdc = frameOf(m_outlets.rdcField);
    m_lowerRightOfRDCField = QPointF(rdc.right(), rdc.y());
    m_toAddressNibFont = m_outlets.toAddress->font();
    m_fromAddressNibFont = m_outlets.fromAddress->font();
    m_defaultsObserver = NotificationCenter::defaultCenter().addObserver(
        NSUserDefaultsDidChangeNotification, [this](const Notification &) { readFromDefaults(); });
}

// A label with every field empty, in the plain or the Express layout (the
// Express layout has no e-service text but a telephone and an endorsement).
static std::unique_ptr<QVPlainPaperLabelController> blankController(bool express)
{
    auto controller = std::make_unique<QVPlainPaperLabelController>(express);
    controller->setToAddressString(QString());
    controller->setFromAddressString(QString());
    if (!express)
        controller->setEServiceTextString(QString());
    controller->setEServicePICString(QString());
    controller->setEServiceBarcodeString(QString());
    controller->setElectronicRateApprovedString(QString());
    controller->setRDCString(QString());
    controller->setCarrierRouteString(QString());
    controller->setServiceBannerString(QString());
    if (express) {
        controller->setToPhoneNumber(QString());
        controller->setEndorsementString(QString());
    }
    controller->setCustomFieldString(QString(), QStringLiteral("Top"));
    controller->setCustomFieldString(QString(), QStringLiteral("Bottom"));
    controller->setLabelImage(QVLayoutImage());
    controller->setIndicium(QVLayoutImage());
    controller->setPostNetImage(QVLayoutImage());
    controller->drawVoid(false);
    controller->setLabelType(defaults().stringForKey(QStringLiteral("printerLabel")));
    return controller;
}

std::unique_ptr<QVPlainPaperLabelController> QVPlainPaperLabelController::blankPlainPaperController()
{
    return blankController(false);
}

std::unique_ptr<QVPlainPaperLabelController> QVPlainPaperLabelController::blankExpressPlainPaperController()
{
    return blankController(true);
}

std::unique_ptr<QVPlainPaperLabelController>
QVPlainPaperLabelController::plainPaperControllerWithShipment(std::shared_ptr<QVShipment> shipment)
{
    if (!shipment)
        return blankPlainPaperController();
    const QVShipment &s = *shipment;
    const bool express = ::isExpressMail(s);
    auto controller = express ? blankExpressPlainPaperController() : blankPlainPaperController();
    controller->setShipment(shipment);

    const QString rateClass = shipmentText(s, QVUSPSShipmentRateClassKey);
    if (defaults().boolForKey(QStringLiteral("upsMailInnovationsMode")) &&
        !shipmentBool(s, QVUSPSShipmentPostageEnabledKey) && rateClass == QVUSPSStandardPost)
        controller->setLabelImage(QVLayoutImage::named(QStringLiteral("upsmi")));
    else
        controller->setMailClass(rateClass);

    QString returnAddress = s.fromAddress().formattedAddress();
    if (!s.isDomestic()) {
        controller->setInternational(true);
        returnAddress += QStringLiteral("\nUS");
    }
    controller->setToAddressString(s.toAddress().formattedAddress());
    controller->setFromAddressString(returnAddress);

    if (shouldContainPIC(s)) {
        controller->setEServiceTextString(eServiceTextString(s));
        controller->setEServiceBarcodeString(impbBarcode(s).value_or(QString()));
        controller->setEServicePICString(humanReadableBarcodeText(s).value_or(QString()));
        controller->setElectronicRateApprovedString(electronicRateApprovedString(s));
    }
    if (express) {
        controller->setToPhoneNumber(s.fromAddress().fancyPhoneNumber());
        controller->setEndorsementString(expressMailOptionStrings(s).join(QLatin1Char('\n')));
    }
    controller->setRDCString(shipmentText(s, QVUSPSShipmentRDCKey));
    controller->setCarrierRouteString(s.toAddress().USPSCarrierRoute());
    controller->setServiceBannerString(serviceBanner(s).value_or(QString()));

    const QString confirm = shipmentText(s, QVUSPSShipmentConfirmKey);
    if (!confirm.isEmpty())
        controller->setConfirmNumber(QVUSPS4CBView::intelligentMailBarcodeText(confirm, s.toAddress()));
    controller->syncCustomFields();
    return controller;
}

void QVPlainPaperLabelController::readFromDefaults()
{
    if (m_shipment) {
        const QVShipment &s = *m_shipment;
        setToAddressString(s.toAddress().formattedAddress());
        QString returnAddress = s.fromAddress().formattedAddress();
        if (m_international)
            returnAddress += QStringLiteral("\nUS");
        setFromAddressString(returnAddress);
        const QString confirm = shipmentText(s, QVUSPSShipmentConfirmKey);
        if (!confirm.isEmpty())
            setConfirmNumber(QVUSPS4CBView::intelligentMailBarcodeText(confirm, s.toAddress()));
        syncCustomFields();
    }
    NotificationCenter::defaultCenter().post(QVLabelLayoutDidChangeNotification, NotificationObject(this));
}

void QVPlainPaperLabelController::syncCustomFields()
{
    if (!m_shipment)
        return;
    setCustomFieldString(stringForTopCustomField(*m_shipment), QStringLiteral("Top"));
    setCustomFieldString(stringForBottomCustomField(*m_shipment), QStringLiteral("Bottom"));
}

void QVPlainPaperLabelController::setMailClass(const QString &rateClass)
{
    setLabelImage(QVLayoutImage::named(templateImageForRateClass(rateClass)));
}

void QVPlainPaperLabelController::setLabelImage(const QVLayoutImage &image)
{
    m_outlets.labelImageView->setImage(image);
}

void QVPlainPaperLabelController::setToAddressString(const QString &text)
{
    QVAddressField *field = m_outlets.toAddress;
    setFrame(field, m_toAddressFrame);
    if (text.isEmpty()) {
        field->clear();
        m_toAddressSize = 0;
        return;
    }
    QStringList lines = addressLines(text);
    const int lineCount = int(lines.size());
    const QString last = lines.takeLast();
    const QString leading = lines.isEmpty() ? QString() : lines.join(QLatin1Char('\n')) + QLatin1Char('\n');

    if (m_express) {
        const QFont leadFont = expressPartFont(leading.chopped(leading.isEmpty() ? 0 : 1), 10, field->width());
        const QFont lastFont = expressPartFont(last, 14, field->width());
        field->clear();
        if (!leading.isEmpty())
            field->appendRun(leading, leadFont, Qt::black, expressLineHeight(leadFont, 0.65));
        field->appendRun(last, lastFont, Qt::black, expressLineHeight(lastFont, 0.65));
        m_toAddressSize = lastFont.pointSizeF();
        field->sizeToFit();
        field->update();
        return;
    }

    QFont font = m_toAddressNibFont;
    QColor color = m_toAddressNibColor;
    if (m_labelType == QVEPL2Label) {
        font = helvetica(12);
        color = Qt::black;
    } else {
        if (const auto stored = fontForDefaultsKey(defaults(), QStringLiteral("toAddressFont")))
            font = *stored;
        if (const auto stored = colorForDefaultsKey(defaults(), QStringLiteral("toAddressColor")))
            color = *stored;
    }
    field->setFont(font);
    field->setTextColor(color);

    QRectF box = m_toAddressFrame;
    if (m_international && lineCount >= 6) {
        const qreal growth = (lineCount - 5) * field->defaultLineHeight();
        box = QRectF(box.x(), box.y() - growth, box.width(), box.height() + growth);
        setFrame(field, box);
    }
    const QString reply = m_shipment && m_shipment->isReplyPostage() ? replyPostageHtml() : QString();
    const auto build = [&](qreal size) {
        field->clear();
        QString lead = leading;
        if (!reply.isEmpty()) {
            field->insertHtml(reply);
            lead.prepend(QLatin1Char('\n'));
        }
        if (!lead.isEmpty())
            field->appendRun(lead, fontAtSize(font, size, false), color);
        field->appendRun(last, fontAtSize(font, size, true), color);
    };
    m_toAddressSize = fitAddressField(field, box, font.pointSizeF(), kAddressFloor, build);
}

void QVPlainPaperLabelController::setFromAddressString(const QString &text)
{
    QVAddressField *field = m_outlets.fromAddress;
    setFrame(field, m_fromAddressFrame);
    if (m_express) {
        const QFont font = helvetica(8);
        field->setFont(font);
        field->clear();
        if (!text.isEmpty())
            field->appendRun(text, font, Qt::black, expressLineHeight(font, 0.75));
        m_fromAddressSize = 8;
    } else {
        QFont font = m_fromAddressNibFont;
        QColor color = m_fromAddressNibColor;
        if (m_labelType == QVEPL2Label) {
            font = helvetica(9);
            color = Qt::black;
        } else {
            if (const auto stored = fontForDefaultsKey(defaults(), QStringLiteral("fromAddressFont")))
                font = *stored;
            if (const auto stored = colorForDefaultsKey(defaults(), QStringLiteral("fromAddressColor")))
                color = *stored;
        }
        field->setFont(font);
        field->setTextColor(color);
        if (text.isEmpty()) {
            field->clear();
            m_fromAddressSize = 0;
        } else {
            m_fromAddressSize =
                fitAddressField(field, m_fromAddressFrame, font.pointSizeF(), kAddressFloor, [&](qreal size) {
                    field->clear();
                    field->appendRun(text, fontAtSize(font, size, false), color);
                });
            setFrame(field, m_fromAddressFrame);
        }
    }
    applyReturnAddressPicture(m_outlets.returnAddressImage, field, text);
}

void QVPlainPaperLabelController::setConfirmNumber(const QString &text)
{
    QVAddressField *address = m_outlets.toAddress;
    const QRectF frame = frameOf(address);
    setFrame(address, frame.translated(0, kOnecodeRise));
    const QRectF barcodeFrame(frame.topLeft(), QVUSPS4CBView::symbolSize());
    if (!m_onecodeView) {
        m_onecodeView = new QVUSPS4CBView(address->parentWidget());
        m_onecodeView->setObjectName(QStringLiteral("onecodeView"));
    }
    setFrame(m_onecodeView, barcodeFrame);
    m_onecodeView->setBarcodeText(text);
}

void QVPlainPaperLabelController::setEServiceTextString(const QString &text) { m_outlets.eServiceText->setText(text); }

void QVPlainPaperLabelController::setEServiceBarcodeString(const QString &number)
{
    if (number.isEmpty()) {
        m_outlets.eServiceBarcode->setBarcodeText(QString());
        return;
    }
    if (number.startsWith(QLatin1Char('E'))) {
        QVCode128View *old = m_outlets.eServiceBarcode;
        auto *code39 = new QVCode39View(old->parentWidget());
        code39->setObjectName(QStringLiteral("eServiceBarcode"));
        setFrame(code39, frameOf(old));
        code39->raise();
        delete old;
        m_outlets.eServiceBarcode = code39;
        code39->setBarcodeText(stringByEncodingUSPSExpressMailTrackingNumber(number));
        return;
    }
    m_outlets.eServiceBarcode->setBarcodeText(stringByEncodingUSPSConfirmationNumber(number));
}

void QVPlainPaperLabelController::setEServicePICString(const QString &text) { m_outlets.eServicePIC->setText(text); }

void QVPlainPaperLabelController::setElectronicRateApprovedString(const QString &text)
{
    m_outlets.electronicRateText->setText(text);
}

void QVPlainPaperLabelController::setRDCString(const QString &text)
{
    QVTextField *field = m_outlets.rdcField;
    field->setText(text);
    if (text.isEmpty())
        return;
    field->sizeToFit();
    const QRectF frame = frameOf(field);
    setFrame(field,
             QRectF(QPointF(m_lowerRightOfRDCField.x() - frame.width(), m_lowerRightOfRDCField.y()), frame.size()));
}

void QVPlainPaperLabelController::setCarrierRouteString(const QString &text)
{
    QVAddressField *field = m_outlets.crtField;
    field->setPlainText(text);
    if (text.isEmpty()) {
        field->setBordered(false);
        return;
    }
    field->setBordered(true);
    field->sizeToFit();
    const QRectF frame = frameOf(field);
    const qreal x = frameOf(m_outlets.rdcField).x() - frame.width() - 18;
    setFrame(field, QRectF(QPointF(x, frame.y()), frame.size()));
}

void QVPlainPaperLabelController::setServiceBannerString(const QString &text)
{
    m_outlets.serviceBannerField->setText(text);
}

void QVPlainPaperLabelController::setToPhoneNumber(const QString &text)
{
    if (m_outlets.phoneNumber)
        m_outlets.phoneNumber->setText(text);
}

void QVPlainPaperLabelController::setEndorsementString(const QString &text)
{
    if (m_outlets.endorsementField)
        m_outlets.endorsementField->setPlainText(text);
}

void QVPlainPaperLabelController::setCustomFieldString(const QString &text, const QString &location)
{
    QVTextField *field = nullptr;
    QRectF frame;
    if (location == QLatin1String("Top")) {
        if (m_labelType == QVEPL2Label)
            return;
        field = m_outlets.topCustomField;
        frame = m_topFieldFrame;
    } else if (location == QLatin1String("Bottom")) {
        field = m_outlets.bottomCustomField;
        frame = m_bottomFieldFrame;
    } else {
        return;
    }
    setFrame(field, frame);
    field->setFont(helvetica(kCustomFieldSize));
    field->setText(text);
    if (!text.isEmpty())
        fitTextField(field, frame, kCustomFieldFloor);
    setFrame(field, frame);
}

void QVPlainPaperLabelController::setPostNetImage(const QVLayoutImage &image)
{
    const QRectF address = frameOf(m_outlets.toAddress);
    const QRectF frame = frameOf(m_outlets.postnetImage);
    setFrame(m_outlets.postnetImage, QRectF(address.topLeft() + QPointF(3, -12), frame.size()));
    m_outlets.postnetImage->setImage(image);
}

void QVPlainPaperLabelController::setIndicium(const QVLayoutImage &image) { m_outlets.indiciumImage->setImage(image); }

QVLayoutImage QVPlainPaperLabelController::indicium() const { return m_outlets.indiciumImage->image(); }

void QVPlainPaperLabelController::drawVoid(bool drawVoid) { m_outlets.voidView->setDrawVoid(drawVoid); }

PrintInfo QVPlainPaperLabelController::printInfoWithExtras(const QVariantMap &extras) const
{
    PrintInfo info;
    if (m_labelType == QVKIVO8836105Label) {
        info.printerName = QVPrinterSetupController::sharedController()
                               ->printerNameForPrinterType(QVKIVOTagwrightPrinter, m_labelType, QString())
                               .value_or(QString());
        info.paperName = QStringLiteral("8836105_4_in_x_6_in");
        info.paperSize = QSizeF(296, 452);
        info.leftMargin = 5.76;
        info.rightMargin = info.topMargin = info.bottomMargin = 0;
        info.orientation = PrintInfo::Orientation::Portrait;
        info.horizontalPagination = info.verticalPagination = PrintInfo::Pagination::Clip;
        info.horizontallyCentered = false;
        info.scalingFactor = 0.85;
        KIVONewTagwright::printInfoForPrintInfo(info, QString(), kivoDensityForLabelType(m_labelType));
    } else if (m_labelType == QVEPL2Label) {
        // The Zebra printer's own queue; without one the print info names no
        // queue and the print operation refuses it.
        const auto zebra = QVZebraPrinter::defaultZebraPrinter();
        info.printerName = zebra ? zebra->name() : QString();
        info.paperName.clear();
        info.paperSize = QSizeF(288, 432);
        info.leftMargin = info.rightMargin = info.topMargin = info.bottomMargin = 0;
        info.orientation = PrintInfo::Orientation::Portrait;
        info.horizontalPagination = info.verticalPagination = PrintInfo::Pagination::Clip;
        info.horizontallyCentered = info.verticallyCentered = true;
        info.scalingFactor = 0.85;
    } else {
        info = QVPrinterSetupController::sharedController()->plainPaperPrintInfo();
    }
    info.allPages = false;
    info.firstPage = 1;
    info.lastPage = 1;
    info.copies = 1;
    return ::printInfoWithExtras(info, extras);
}

QWidget *QVPlainPaperLabelController::viewToPrint()
{
    if (m_labelType == QVKIVO8836105Label || m_labelType == QVEPL2Label)
        return labelView();
    if (!m_printView)
        m_printView = std::make_unique<QV2UpPortraitLabelPrintView>();
    m_printView->addLabelView(labelView());
    return m_printView.get();
}

bool QVPlainPaperLabelController::printLabelWithPrintInfoExtras(const QVariantMap &extras)
{
    QVPrintOperation operation(viewToPrint(), printInfoWithExtras(extras));
    operation.setJobTitle(kLabelJobTitle);
    return operation.runOperation();
}

} // namespace tolvane
