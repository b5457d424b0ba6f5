#include "printing/layouts/QVEnvelopeController.h"

#include "barcodes/imaging/QVTextField.h"
#include "barcodes/imaging/QVUSPS4CBView.h"
#include "barcodes/imaging/ViewGeometry.h"
#include "barcodes/indicia/QVDollarIndiciumView.h"
#include "barcodes/indicia/QVVoidMailView.h"
#include "platform/ArchivedValues.h"
#include "platform/UserDefaults.h"
#include "printing/QVPrintOperation.h"
#include "printing/layouts/QVEnvelopeView.h"
#include "printing/layouts/QVLabelFitting.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "printing/setup/QVPrinterTypes.h"
#include "rates/QVShipmentLabelFields.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSRateClassNames.h"

#include "ui_Envelope10.h"

#include <QRegularExpression>

namespace tolvane {

namespace {

// The width of the left-aligned envelope indicium.
constexpr qreal kLeftAlignedIndiciumWidth = 400;
constexpr qreal kCustomFieldSize = 10;
// The POSTNET picture stands this far above the delivery address, the
// Intelligent Mail barcode this far, at this size (2.73 x 0.126 in).
constexpr qreal kPostnetRise = 2.88;
constexpr qreal kOnecodeRise = 3;

const QString kPrintReturnAddress = QStringLiteral("envelopePrintReturnAddress");
const QString kRightAlignAddresses = QStringLiteral("rightAlignEnvelopeAddresses");
const QString kUseFromAddressImage = QStringLiteral("useFromAddressImage");
const QString kFromAddressImage = QStringLiteral("fromAddressImage");
const QString kFeed = QStringLiteral("envelopeFeed");
const QString kFacing = QStringLiteral("envelopeFacing");
const QString kTrayLocation = QStringLiteral("envelopeTrayLocation");
const QString kDirection = QStringLiteral("envelopeDirection");
const QString kGiantRotate = QStringLiteral("envelopeGiantRotate");

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

QFont helvetica(qreal size)
{
    QFont font(QStringLiteral("Helvetica"));
    font.setPointSizeF(size);
    return font;
}

int lineCount(const QString &text)
{
    static const QRegularExpression separators(QStringLiteral("\r\n|[\n\r\u2028\u2029]"));
    return int(text.split(separators).size());
}

bool wider(const QWidget *field, const QRectF &box) { return field->width() > box.width() + 1e-6; }
bool taller(const QWidget *field, const QRectF &box) { return field->height() > box.height() + 1e-6; }

} // namespace

QVEnvelopeController::QVEnvelopeController() : m_envelopeView(std::make_unique<QVEnvelopeView>())
{
    Ui::Envelope10 form;
    form.setupUi(m_envelopeView.get());
    m_outlets.returnAddressImage = form.returnAddressImage;
    m_outlets.fromAddress = form.fromAddress;
    m_outlets.topCustomField = form.topCustomField;
    m_outlets.indiciumImage = form.indiciumImage;
    m_outlets.postnetImage = form.postnetImage;
    m_outlets.toAddress = form.toAddress;
    m_outlets.bottomCustomField = form.bottomCustomField;
    m_outlets.voidView = form.voidView;
    m_outlets.indiciumImage->setScaling(QVImageView::Scaling::None);
    m_outlets.postnetImage->setScaling(QVImageView::Scaling::None);
    m_outlets.postnetImage->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    m_outlets.returnAddressImage->setScaling(QVImageView::Scaling::AxesIndependently);
    m_toAddressNibColor = m_outlets.toAddress->textColor();
    m_fromAddressNibColor = m_outlets.fromAddress->textColor();
    awakeFromNib();
    setLeftAlignedPostage(defaults().boolForKey(QVEnvelopeAlignPostageLeftKey));
}

QVEnvelopeController::~QVEnvelopeController()
{
    m_defaultsObserver.reset();
    m_printView.reset();
}

void QVEnvelopeController::awakeFromNib()
{
    if (defaults().boolForKey(kRightAlignAddresses)) {
        const QRectF indicium = frameOf(m_outlets.indiciumImage);
        const QRectF address = frameOf(m_outlets.toAddress);
        offsetFrame(m_outlets.toAddress, indicium.right() - address.right(), 0);
    }
    envelopeChangedSize();
    m_envelopeView->setSizeObserver([this] { envelopeChangedSize(); });
    m_envelopeView->setMinimumSize(m_envelopeView->size());
    m_defaultsObserver = NotificationCenter::defaultCenter().addObserver(
        NSUserDefaultsDidChangeNotification, [this](const Notification &) { readFromDefaults(); });
}

std::unique_ptr<QVEnvelopeController> QVEnvelopeController::blankEnvelopeController()
{
    auto controller = std::make_unique<QVEnvelopeController>();
    controller->setEnvelopeSize(QVEnvelopeSizes::currentEnvelope().sizeInPoints());
    controller->setToAddressString(QString());
    controller->setFromAddressString(QString());
    controller->setIndicium(QVLayoutImage());
    controller->setPostNetImage(QVLayoutImage());
    controller->drawVoid(false);
    controller->setLabelType(QVPrinterSetupController::sharedController()->labelTypeForEnvelope(true));
    return controller;
}

std::unique_ptr<QVEnvelopeController>
QVEnvelopeController::envelopeControllerWithShipment(std::shared_ptr<QVShipment> shipment)
{
    auto controller = blankEnvelopeController();
    if (!shipment)
        return controller;
    const QVShipment &s = *shipment;
    if (shipmentText(s, QVUSPSShipmentSizeKey) == QVUSPSPostcardSize)
        controller->setEnvelopeSize(QVEnvelopeSizes::currentPostcard().sizeInPoints());
    controller->setShipment(shipment);
    if (defaults().boolForKey(kPrintReturnAddress) && !s.isDomestic())
        controller->setInternational(true);
    controller->setFromAddressString(controller->returnAddressText());
    controller->setToAddressString(s.toAddress().formattedAddress());
    const QString confirm = shipmentText(s, QVUSPSShipmentConfirmKey);
    if (!confirm.isEmpty())
        controller->setConfirmNumber(QVUSPS4CBView::intelligentMailBarcodeText(confirm, s.toAddress()));
    controller->syncCustomFields();
    return controller;
}

QString QVEnvelopeController::returnAddressText() const
{
    if (!m_shipment || !defaults().boolForKey(kPrintReturnAddress))
        return QString();
    QString text = m_shipment->fromAddress().formattedAddress();
    if (m_international)
        text += QStringLiteral("\nUS");
    return text;
}

void QVEnvelopeController::setEnvelopeSize(const QSizeF &points)
{
    m_envelopeView->setMinimumSize(0, 0);
    m_envelopeView->setFrameSize(points);
    m_envelopeView->setMinimumSize(m_envelopeView->size());
}

QWidget *QVEnvelopeController::labelView() const { return m_envelopeView.get(); }

void QVEnvelopeController::setLeftAlignedPostage(bool leftAlign)
{
    m_leftAlign = leftAlign;
    QVImageView *view = m_outlets.indiciumImage;
    const QRectF frame = frameOf(view);
    const qreal width =
        leftAlign ? std::min<qreal>(kLeftAlignedIndiciumWidth, m_envelopeView->width()) : kPostageZoneWidth;
    setFrame(view, QRectF(frame.right() - width, frame.y(), width, frame.height()));
    view->setAlignment(Qt::AlignTop | (leftAlign ? Qt::AlignLeft : Qt::AlignRight));
    // The return address's room follows the indicium's width.
    m_fromAddressFrame.setWidth(m_envelopeView->width() - (leftAlign ? view->width() : 3));
}

void QVEnvelopeController::envelopeChangedSize()
{
    m_toAddressFrame = frameOf(m_outlets.toAddress);
    m_fromAddressFrame = frameOf(m_outlets.fromAddress);
    m_returnImageFrame = frameOf(m_outlets.returnAddressImage);
    m_topFieldFrame = frameOf(m_outlets.topCustomField);
    m_bottomFieldFrame = frameOf(m_outlets.bottomCustomField);
    m_fromAddressFrame.setWidth(m_envelopeView->width() - (m_leftAlign ? m_outlets.indiciumImage->width() : 3));
}

QVLayoutImage QVEnvelopeController::indicium() const { return m_outlets.indiciumImage->image(); }

void QVEnvelopeController::setIndicium(const QVLayoutImage &image) { m_outlets.indiciumImage->setImage(image); }

void QVEnvelopeController::setPostNetImage(const QVLayoutImage &image)
{
    if (m_outlets.postnetImage)
        m_outlets.postnetImage->setImage(image);
}

void QVEnvelopeController::drawVoid(bool drawVoid) { m_outlets.voidView->setDrawVoid(drawVoid); }

void QVEnvelopeController::setToAddressString(const QString &text)
{
    QVAddressField *field = m_outlets.toAddress;
    setFrame(field, m_toAddressFrame);
    const QFont font = fontForDefaultsKey(defaults(), QStringLiteral("toAddressFont")).value_or(helvetica(12));
    const QColor color =
        colorForDefaultsKey(defaults(), QStringLiteral("toAddressColor")).value_or(m_toAddressNibColor);
    field->setFont(font);
    field->setTextColor(color);
    const QString reply = m_shipment && m_shipment->isReplyPostage() ? replyPostageHtml() : QString();
    if (text.isEmpty()) {
        field->clear();
        m_toAddressSize = 0;
        return;
    }

    QRectF box = m_toAddressFrame;
    qreal size = font.pointSizeF();
    const int lines = lineCount(text);
    if (m_international && lines > 5) {
        const qreal growth = (lines - 5) * field->defaultLineHeight();
        box = QRectF(box.x(), box.y() - growth, box.width(), box.height() + growth);
        setFrame(field, box);
    }
    const auto build = [&](qreal points) {
        field->clear();
        QString body = text;
        if (!reply.isEmpty()) {
            field->insertHtml(reply);
            body.prepend(QLatin1Char('\n'));
        }
        field->appendRun(body, fontAtSize(font, points, false), color);
        field->sizeToFit();
    };
    build(size);
    // A width overflow goes on below the address floor (an address must fit
    // across), but ends at a small positive size: a line too long for any
    // size is left to overflow.
    while ((wider(field, box) && size - 1 >= kDeliveryWidthFloor) || (taller(field, box) && size > kAddressFloor)) {
        setFrame(field, box);
        size -= 1;
        build(size);
    }
    m_toAddressSize = size;
    field->update();
    if (m_outlets.postnetImage) {
        const QRectF fitted = frameOf(field);
        const QRectF postnet = frameOf(m_outlets.postnetImage);
        setFrame(m_outlets.postnetImage, QRectF(QPointF(fitted.x(), fitted.bottom() + kPostnetRise), postnet.size()));
    }
}

QRectF QVEnvelopeController::postageZone() const
{
    const qreal width = m_leftAlign ? m_outlets.indiciumImage->width() : kPostageZoneWidth;
    const qreal height = m_outlets.indiciumImage->height();
    return QRectF(m_envelopeView->width() - width, m_envelopeView->height() - height, width, height);
}

void QVEnvelopeController::setFromAddressString(const QString &text)
{
    QVAddressField *field = m_outlets.fromAddress;
    QVImageView *picture = m_outlets.returnAddressImage;
    const QRectF home = m_fromAddressFrame;
    setFrame(field, home);
    const QFont font = fontForDefaultsKey(defaults(), QStringLiteral("fromAddressFont")).value_or(helvetica(9));
    const QColor color =
        colorForDefaultsKey(defaults(), QStringLiteral("fromAddressColor")).value_or(m_fromAddressNibColor);
    field->setFont(font);
    field->setTextColor(color);
    const bool usePicture = defaults().boolForKey(kUseFromAddressImage);

    if (text.isEmpty()) {
        field->clear();
        picture->setImage(QVLayoutImage());
        m_fromAddressSize = 0;
    } else {
        qreal size = font.pointSizeF();
        const auto build = [&](qreal points) {
            field->clear();
            field->appendRun(text, fontAtSize(font, points, false), color);
            field->sizeToFit();
        };
        const QRectF zone = postageZone();
        const auto textRect = [&] {
            QRectF rect = frameOf(field);
            if (usePicture)
                rect = QRectF(m_returnImageFrame.x(), rect.y(), rect.width() + rect.height() + 2, rect.height());
            return rect;
        };
        build(size);
        while (size > kAddressFloor && (wider(field, home) || taller(field, home) || textRect().intersects(zone))) {
            setFrame(field, home);
            size -= 1;
            build(size);
        }
        m_fromAddressSize = size;
        const qreal fittedHeight = field->height();
        setFrame(field, home);
        field->update();

        QVLayoutImage image;
        if (usePicture)
            image = QVLayoutImage::fromFile(defaults().stringForKey(kFromAddressImage));
        picture->setImage(image);
        if (!image.isNull()) {
            const QRectF pictureHome = m_returnImageFrame;
            setFrame(field, QRectF(pictureHome.x() + fittedHeight + 2, home.y(), home.width(), home.height()));
            setFrame(picture,
                     QRectF(pictureHome.x(), pictureHome.y() + pictureHome.width() - fittedHeight, fittedHeight,
                            fittedHeight));
        }
    }
    // Without a picture the text takes its place.
    if (picture->image().isNull() && frameOf(field).x() != frameOf(picture).x()) {
        const QRectF frame = frameOf(field);
        setFrame(field, QRectF(frameOf(picture).x(), frame.y(), frame.width(), frame.height()));
    }
}

void QVEnvelopeController::setCustomFieldString(const QString &text, const QString &location)
{
    QVTextField *field = nullptr;
    QRectF home;
    if (location == QLatin1String("Top")) {
        field = m_outlets.topCustomField;
        home = m_topFieldFrame;
    } else if (location == QLatin1String("Bottom")) {
        field = m_outlets.bottomCustomField;
        home = m_bottomFieldFrame;
    } else {
        return;
    }
    setFrame(field, home);
    field->setFont(helvetica(kCustomFieldSize));
    field->setText(text);
    if (text.isEmpty())
        return;
    fitTextField(field, home, kCustomFieldFloor);
    setFrame(field, home);
    field->update();
}

void QVEnvelopeController::syncCustomFields()
{
    if (!m_shipment)
        return;
    setCustomFieldString(stringForTopCustomField(*m_shipment), QStringLiteral("Top"));
    setCustomFieldString(stringForBottomCustomField(*m_shipment), QStringLiteral("Bottom"));
}

void QVEnvelopeController::setConfirmNumber(const QString &text)
{
    if (m_outlets.postnetImage) {
        delete m_outlets.postnetImage;
        m_outlets.postnetImage = nullptr;
    }
    QVAddressField *address = m_outlets.toAddress;
    const QRectF fitted = frameOf(address);
    const QRectF frame(QPointF(fitted.x(), fitted.bottom() + kOnecodeRise), QVUSPS4CBView::symbolSize());
    if (!m_onecodeView) {
        m_onecodeView = new QVUSPS4CBView(address->parentWidget());
        m_onecodeView->setObjectName(QStringLiteral("onecodeView"));
        m_onecodeView->show();
    }
    setFrame(m_onecodeView, frame);
    m_onecodeView->setBarcodeText(text);
}

void QVEnvelopeController::readFromDefaults()
{
    setLeftAlignedPostage(defaults().boolForKey(QVEnvelopeAlignPostageLeftKey));
    if (m_shipment) {
        const QVShipment &s = *m_shipment;
        syncCustomFields();
        setToAddressString(s.toAddress().formattedAddress());
        const QString confirm = shipmentText(s, QVUSPSShipmentConfirmKey);
        if (!confirm.isEmpty())
            setConfirmNumber(QVUSPS4CBView::intelligentMailBarcodeText(confirm, s.toAddress()));
        setFromAddressString(returnAddressText());
    }
    NotificationCenter::defaultCenter().post(QVLabelLayoutDidChangeNotification, NotificationObject(this));
}

PrintInfo QVEnvelopeController::printInfoWithExtras(const QVariantMap &extras) const
{
    PrintInfo info = QVPrinterSetupController::sharedController()->plainPaperPrintInfoForKey(QVEnvelopePrintInfoKey);
    info.firstPage = 1;
    info.copies = 1;
    return ::printInfoWithExtras(info, extras);
}

bool QVEnvelopeController::printLabelWithPrintInfoExtras(const QVariantMap &extras)
{
    m_printView = std::make_unique<QVEnvelopePrintView>();
    m_printView->setEnvelope(m_envelopeView.get());
    const bool flip = defaults().integerForKey(kDirection) == 1;
    const qint64 feed = defaults().integerForKey(kFeed);
    QString position = feed == 0 ? QStringLiteral("top")
        : feed == 1              ? QStringLiteral("center")
                                 : QStringLiteral("bottom");
    if (defaults().integerForKey(kFacing) != defaults().integerForKey(kTrayLocation) &&
        position != QLatin1String("center"))
        position = position == QLatin1String("top") ? QStringLiteral("bottom") : QStringLiteral("top");
    m_printView->setPosition(position);
    m_printView->setAlign(QStringLiteral("left"));
    m_printView->setFlip(flip);
    m_printView->setGiantRotate(defaults().boolForKey(kGiantRotate));
    QVPrintOperation operation(m_printView.get(), printInfoWithExtras(extras));
    operation.setJobTitle(QVEnvelopeJobTitle);
    return operation.runOperation();
}

} // namespace tolvane
