#include "printing/layouts/QVKIVOLabelLayout.h"

#include "barcodes/imaging/QVCode128View.h"
#include "barcodes/imaging/QVTextField.h"
#include "barcodes/imaging/QVUSPS4CBView.h"
#include "barcodes/imaging/ViewGeometry.h"
#include "barcodes/indicia/QVVoidMailView.h"
#include "barcodes/linear/UCCEAN128Formatting.h"
#include "platform/ArchivedValues.h"
#include "platform/UserDefaults.h"
#include "printing/layouts/QVLabelFitting.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSRateClass.h"

#include "ui_KIVO51203.h"
#include "ui_KIVO51204.h"
#include "ui_KIVO51207.h"
#include "ui_KIVO72019.h"

#include <QDir>

#include <cmath>

namespace tolvane {

namespace {

constexpr qreal kToAddressFloor = 6;
constexpr qreal kPrintedFromAddressFloor = 5;
constexpr qreal kPreviewFromAddressFloor = 8;
constexpr qreal kCustomFieldFloor = 6;
constexpr qreal kPermitImageSide = 72;
constexpr qreal kOnecodeGap = 3;

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

QFont helvetica(qreal size)
{
    QFont font(QStringLiteral("Helvetica"));
    font.setPointSizeF(size);
    return font;
}

struct Stock {
    QString labelType;
    QString paperName;
    QSizeF paperSize;
};

const QList<Stock> &stocks()
{
    static const QList<Stock> table = {
        {QVKIVO51207Label, QStringLiteral("51207_PC_Postage_EPS"), {167, 756}},
        {QVKIVO51204Label, QStringLiteral("51204_PC_Postage_2-Part"), {167, 540}},
        {QVKIVO51203Label, QStringLiteral("51203_PC_Postage_3-Part"), {162, 504}},
        {QVKIVO72019Label, QString(), {167, 539}},
    };
    return table;
}

template <class Form> void loadForm(QWidget *window, QVKIVOLabelLayout::Outlets &outlets)
{
    Form form;
    form.setupUi(window);
    outlets.superContent = window;
    outlets.fromAddress = form.fromAddress;
    outlets.toAddress = form.toAddress;
    outlets.topCustomField = form.topCustomField;
    outlets.returnAddressImage = form.returnAddressImage;
    outlets.postnetImage = form.postnetImage;
    outlets.indiciumImage = form.indiciumImage;
    outlets.eServiceText = form.eServiceText;
    outlets.eServicePIC = form.eServicePIC;
    outlets.rdcField = form.rdcField;
    outlets.electronicRateText = form.electronicRateText;
    outlets.eServiceBarcode = form.eServiceBarcode;
    outlets.blackBarTop = form.blackBarTop;
    outlets.blackBarBottom = form.blackBarBottom;
    outlets.voidView = form.voidView;
}

// Fits the field to its text inside the frame (shrinking down to the floor)
// and centres it there: inset by half the spare room (never negative),
// rounded to whole points.
qreal fitAndCentre(QVAddressField *field, const QRectF &frame, const QFont &font, qreal floor,
                   const std::function<void(qreal)> &build)
{
    const qreal size = fitAddressField(field, frame, font.pointSizeF(), floor, build);
    const QSizeF fitted = frameOf(field).size();
    const qreal dx = std::max(0.0, (frame.width() - fitted.width()) / 2);
    const qreal dy = std::max(0.0, (frame.height() - fitted.height()) / 2);
    const QRectF centred = frame.adjusted(dx, dy, -dx, -dy);
    setFrame(field,
             QRectF(std::round(centred.x()), std::round(centred.y()), std::round(centred.width()),
                    std::round(centred.height())));
    return size;
}

} // namespace

QVKIVOLabelLayout::QVKIVOLabelLayout(Role role, const QString &labelType) : m_role(role), m_labelType(labelType)
{
    auto window = std::make_unique<QWidget>();
    if (labelType == QVKIVO51207Label)
        loadForm<Ui::KIVO51207>(window.get(), m_outlets);
    else if (labelType == QVKIVO51204Label)
        loadForm<Ui::KIVO51204>(window.get(), m_outlets);
    else if (labelType == QVKIVO51203Label)
        loadForm<Ui::KIVO51203>(window.get(), m_outlets);
    else if (labelType == QVKIVO72019Label)
        loadForm<Ui::KIVO72019>(window.get(), m_outlets);
    else
        return;
    m_window = std::move(window);
    awakeFromNib();
}

QVKIVOLabelLayout::~QVKIVOLabelLayout() = default;

void QVKIVOLabelLayout::awakeFromNib()
{
    m_toAddressFrame = frameOf(m_outlets.toAddress);
    m_fromAddressFrame = frameOf(m_outlets.fromAddress);
    m_topFieldFrame = frameOf(m_outlets.topCustomField);
    m_outlets.blackBarTop->setScaling(QVImageView::Scaling::AxesIndependently);
    m_outlets.blackBarBottom->setScaling(QVImageView::Scaling::AxesIndependently);
    // The package barcode is lower than on a full-size label.
    m_outlets.eServiceBarcode->setModuleHeight(0.5);
}

QString QVKIVOLabelLayout::paperNameForLabelType(const QString &labelType)
{
    for (const Stock &stock : stocks()) {
        if (stock.labelType == labelType)
            return stock.paperName;
    }
    return QString();
}

QSizeF QVKIVOLabelLayout::paperSizeForLabelType(const QString &labelType)
{
    for (const Stock &stock : stocks()) {
        if (stock.labelType == labelType)
            return stock.paperSize;
    }
    return QSizeF(0, 0);
}

QString QVKIVOLabelLayout::labelTypeFromPrinterSetup()
{
    const auto setup = QVPrinterSetupController::sharedController();
    const bool notLabelPrinter = setup->printerTypeForEnvelope(false) != QVKIVOTagwrightPrinter;
    return setup->labelTypeForEnvelope(notLabelPrinter);
}

QString QVKIVOLabelLayout::returnAddressText(const QVShipment &shipment)
{
    QString text = shipment.fromAddress().formattedAddress();
    if (!shipment.isDomestic())
        text += QStringLiteral("\nUS");
    return text;
}

void QVKIVOLabelLayout::fillFromShipment(std::shared_ptr<QVShipment> shipment)
{
    m_shipment = std::move(shipment);
    if (!m_shipment)
        return;
    const QVShipment &s = *m_shipment;
    m_international = !s.isDomestic();
    setToAddressString(s.toAddress().formattedAddress());
    setFromAddressString(returnAddressText(s));

    const bool on72019 = m_labelType == QVKIVO72019Label;
    if (shouldContainPIC(s)) {
        QString barcode = impbBarcode(s).value_or(QString());
        QString banner = eServiceTextString(s);
        if (on72019) {
            // The narrow stock prints the number without its routing
            // prefix ("420" and the ZIP Code) and the short service name.
            barcode = barcode.mid(8);
            banner =
                QVUSPSRateClass::shortNameForConfirmationService(shipmentText(s, QVUSPSShipmentConfirmationServiceKey));
        }
        setEServiceTextString(banner);
        setEServiceBarcodeString(barcode);
        setEServicePICString(humanReadableBarcodeText(s).value_or(QString()));
        setElectronicRateApprovedString(electronicRateApprovedString(s));
    } else {
        setEServiceTextString(QString());
        setEServiceBarcodeString(QString());
        setEServicePICString(QString());
        setElectronicRateApprovedString(QString());
    }
    setRDCString(shipmentText(s, QVUSPSShipmentRDCKey));
    const QString confirm = shipmentText(s, QVUSPSShipmentConfirmKey);
    if (!on72019 && !confirm.isEmpty())
        setConfirmNumber(QVUSPS4CBView::intelligentMailBarcodeText(confirm, s.toAddress()));
}

void QVKIVOLabelLayout::setToAddressString(const QString &text)
{
    if (!hasLayout())
        return;
    QVAddressField *field = m_outlets.toAddress;
    const QString permitPath = defaults().stringForKey(QStringLiteral("kivoPermitImagePath"));
    if (!permitPath.isEmpty()) {
        if (!m_permitImageView) {
            m_permitImageView = new QVImageView(m_outlets.topCustomField->parentWidget());
            m_permitImageView->setObjectName(QStringLiteral("permitImage"));
            m_permitImageView->setAlignment(Qt::AlignTop | Qt::AlignLeft);
            m_permitImageView->setScaling(QVImageView::Scaling::ProportionallyDown);
        }
        const QRectF top = m_topFieldFrame;
        setFrame(m_permitImageView,
                 QRectF(top.right() - kPermitImageSide, top.bottom() - kPermitImageSide, kPermitImageSide,
                        kPermitImageSide));
        m_permitImageView->setImage(QVLayoutImage::fromFile(QDir::cleanPath(permitPath)));
    }

    setFrame(field, m_toAddressFrame);
    QFont font = field->font();
    if (const auto stored = fontForDefaultsKey(defaults(), QStringLiteral("toAddressFont")))
        font = *stored;
    else if (m_role == Role::Print)
        font = helvetica(12);
    field->setFont(font);

    const QString reply = m_shipment && m_shipment->isReplyPostage() ? replyPostageHtml() : QString();
    const auto build = [&](qreal size) {
        field->clear();
        QString address = text;
        if (!reply.isEmpty()) {
            field->insertHtml(reply);
            address.prepend(QLatin1Char('\n'));
        }
        field->appendRun(address, fontAtSize(font, size, false), field->textColor());
    };
    if (text.isEmpty()) {
        field->clear();
        m_toAddressSize = 0;
        return;
    }

    if (m_international && m_outlets.postnetImage) {
        // The Intelligent Mail barcode has no place on an international
        // label: the address takes its room. The grown frame is kept as the
        // address's home, so that a later layout finds it again.
        const QRectF barcode = frameOf(m_outlets.postnetImage);
        delete m_outlets.postnetImage;
        m_outlets.postnetImage = nullptr;
        m_toAddressFrame.setHeight(std::max(m_toAddressFrame.height(), barcode.bottom() - m_toAddressFrame.y()));
        setFrame(field, m_toAddressFrame);
    }
    m_toAddressSize = fitAndCentre(field, m_toAddressFrame, font, kToAddressFloor, build);
    if (m_onecodeView) {
        const QRectF address = frameOf(field);
        setFrame(m_onecodeView,
                 QRectF(QPointF(address.x(), address.bottom() + kOnecodeGap), QVUSPS4CBView::symbolSize()));
    }
}

void QVKIVOLabelLayout::setFromAddressString(const QString &text)
{
    if (!hasLayout())
        return;
    QVAddressField *field = m_outlets.fromAddress;
    setFrame(field, m_fromAddressFrame);
    QFont font = field->font();
    if (const auto stored = fontForDefaultsKey(defaults(), QStringLiteral("fromAddressFont")))
        font = *stored;
    else if (m_role == Role::Print)
        font = helvetica(9);
    field->setFont(font);
    if (text.isEmpty()) {
        field->clear();
        m_fromAddressSize = 0;
    } else {
        const qreal floor = m_role == Role::Print ? kPrintedFromAddressFloor : kPreviewFromAddressFloor;
        m_fromAddressSize = fitAddressField(field, m_fromAddressFrame, font.pointSizeF(), floor, [&](qreal size) {
            field->clear();
            field->appendRun(text, fontAtSize(font, size, false), field->textColor());
        });
        setFrame(field, m_fromAddressFrame);
    }
    applyReturnAddressPicture(m_outlets.returnAddressImage, field, text);
}

void QVKIVOLabelLayout::setCustomFieldString(const QString &text, const QString &location)
{
    if (!hasLayout() || location != QLatin1String("Top"))
        return;
    QVTextField *field = m_outlets.topCustomField;
    setFrame(field, m_topFieldFrame);
    field->setFont(helvetica(10));
    field->setText(text);
    if (!text.isEmpty())
        fitTextField(field, m_topFieldFrame, kCustomFieldFloor);
    setFrame(field, m_topFieldFrame);
}

void QVKIVOLabelLayout::setEServiceTextString(const QString &text)
{
    if (hasLayout())
        m_outlets.eServiceText->setText(text);
}

void QVKIVOLabelLayout::setEServicePICString(const QString &text)
{
    if (hasLayout())
        m_outlets.eServicePIC->setText(text);
}

void QVKIVOLabelLayout::setRDCString(const QString &text)
{
    if (hasLayout())
        m_outlets.rdcField->setText(text);
}

void QVKIVOLabelLayout::setElectronicRateApprovedString(const QString &text)
{
    if (hasLayout())
        m_outlets.electronicRateText->setText(text);
}

void QVKIVOLabelLayout::setEServiceBarcodeString(const QString &number)
{
    if (!hasLayout())
        return;
    const QVLayoutImage rule = number.isEmpty() ? QVLayoutImage() : QVLayoutImage::named(QStringLiteral("black"));
    m_outlets.eServiceBarcode->setBarcodeText(number.isEmpty() ? QString()
                                                               : stringByEncodingUSPSConfirmationNumber(number));
    m_outlets.blackBarTop->setImage(rule);
    m_outlets.blackBarBottom->setImage(rule);
    m_outlets.eServiceBarcode->update();
}

void QVKIVOLabelLayout::setConfirmNumber(const QString &text)
{
    if (!hasLayout())
        return;
    delete m_outlets.postnetImage;
    m_outlets.postnetImage = nullptr;
    const QRectF address = frameOf(m_outlets.toAddress);
    const QRectF frame(QPointF(address.x(), address.bottom() + kOnecodeGap), QVUSPS4CBView::symbolSize());
    if (!m_onecodeView) {
        m_onecodeView = new QVUSPS4CBView(m_outlets.toAddress->parentWidget());
        m_onecodeView->setObjectName(QStringLiteral("onecodeView"));
    }
    setFrame(m_onecodeView, frame);
    m_onecodeView->setBarcodeText(text);
}

void QVKIVOLabelLayout::setPostNetImage(const QVLayoutImage &image)
{
    if (hasLayout() && m_outlets.postnetImage)
        m_outlets.postnetImage->setImage(image);
}

void QVKIVOLabelLayout::setIndicium(const QVLayoutImage &image)
{
    if (hasLayout())
        m_outlets.indiciumImage->setImage(image);
}

QVLayoutImage QVKIVOLabelLayout::indicium() const
{
    return hasLayout() ? m_outlets.indiciumImage->image() : QVLayoutImage();
}

void QVKIVOLabelLayout::drawVoid(bool drawVoid)
{
    if (hasLayout())
        m_outlets.voidView->setDrawVoid(drawVoid);
}

} // namespace tolvane
