#include "mailinglog/window/QVMailingRecordController.h"

#include "barcodes/imaging/QVCode128View.h"
#include "barcodes/imaging/QVCode39View.h"
#include "barcodes/imaging/QVTextField.h"
#include "barcodes/linear/UCCEAN128Formatting.h"
#include "mailinglog/LogEntryTexts.h"
#include "model/QVWeight.h"
#include "model/TemplateSubstitution.h"
#include "printing/QVPrintOperation.h"
#include "printing/layouts/QVTemplateFields.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSRateClass.h"
#include "rates/QVUSPSRateClassNames.h"

#include "ui_EMMailingRecord.h"
#include "ui_LogEntry.h"
#include "ui_MailingRecord.h"

#include <QHash>
#include <QPainter>
#include <QPlainTextEdit>

using namespace tolvane;

namespace {

const char *const kTemplateProperty = "recordTemplate";
const QString kX = QStringLiteral("X");
const QString kTrue = QStringLiteral("True");

// Points moved left by the check marks of the two delivery boxes.
constexpr int kNoHolidayShift = 9;
constexpr int kNoWeekendShift = 2;
// Module sizes of the record's tracking barcode, inches.
constexpr double kBarcodeModuleHeight = 0.5;
constexpr double kBarcodeModuleWidth = 0.011;

QString text(const QVShipment &shipment, const QString &key) { return shipment.objectForKey(key).toString(); }

// Fills the address fields (several lines) the way fillTemplateFields fills
// the text lines: the first fill keeps the template.
void fillAddressFields(const QVariantMap &values, QWidget *view)
{
    for (QVAddressField *field : view->findChildren<QVAddressField *>()) {
        QVariant stored = field->property(kTemplateProperty);
        if (!stored.isValid()) {
            stored = field->text();
            field->setProperty(kTemplateProperty, stored);
        }
        field->setPlainText(stringByReplacingKeysInDictionary(stored.toString(), values, QStringLiteral("<%"),
                                                              QStringLiteral("%>"), true));
    }
}

QVariantMap expressOptions(const QVShipment &shipment)
{
    return shipment.objectForKey(QVUSPSShipmentExpressMailOptionsKey).toMap();
}

// A picture of the Express Mail customer record's outlines (612 x 396
// points at 144 dpi): the frame, the boxes the receipt's fields fill and
// their captions; the premium form adds its service banner.
QImage drawExpressBackground(bool premium)
{
    constexpr int scale = 2;
    QImage image(612 * scale, 396 * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(int(144 / 0.0254 + 0.5));
    image.setDotsPerMeterY(int(144 / 0.0254 + 0.5));
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(QRectF(20, 20, 572, 356));
    QFont caption(QStringLiteral("Helvetica"));
    caption.setPixelSize(7);
    QFont heading(QStringLiteral("Helvetica"));
    heading.setPixelSize(14);
    heading.setBold(true);
    painter.setFont(heading);
    painter.drawText(QRectF(30, 26, 552, 20), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("PRIORITY MAIL EXPRESS \u2014 CUSTOMER COPY"));
    if (premium) {
        painter.fillRect(QRectF(400, 26, 182, 20), Qt::black);
        painter.setPen(Qt::white);
        painter.drawText(QRectF(400, 26, 182, 20), Qt::AlignCenter, QStringLiteral("PREMIUM SERVICE"));
        painter.setPen(Qt::black);
    }
    painter.setFont(caption);
    const auto box = [&painter](const QRectF &rect, const QString &title) {
        painter.drawRect(rect);
        painter.drawText(QRectF(rect.left() + 2, rect.top() + 1, rect.width() - 4, 9), Qt::AlignLeft | Qt::AlignTop,
                         title);
    };
    box(QRectF(34, 78, 122, 36), QStringLiteral("ZIP CODE (POST OFFICE)"));
    box(QRectF(160, 78, 40, 36), QStringLiteral("FLAT RATE"));
    box(QRectF(204, 78, 116, 36), QStringLiteral("WEIGHT   LBS.          OZS."));
    box(QRectF(430, 78, 146, 36), QStringLiteral("POSTAGE"));
    box(QRectF(430, 118, 146, 36), QStringLiteral("TOTAL POSTAGE & FEES"));
    box(QRectF(34, 140, 286, 30), QStringLiteral("WAIVER OF SIGNATURE"));
    box(QRectF(34, 170, 286, 30), QStringLiteral("NO DELIVERY:      WEEKEND          HOLIDAY"));
    for (const QRectF &check : {QRectF(44, 152, 12, 12), QRectF(44, 182, 12, 12), QRectF(164, 182, 12, 12)})
        painter.drawRect(check);
    box(QRectF(34, 210, 270, 112), QStringLiteral("FROM:"));
    box(QRectF(312, 210, 264, 112), QStringLiteral("TO:"));
    box(QRectF(312, 322, 264, 50), QString());
    painter.end();
    return image;
}

} // namespace

// ---- Mailing record ------------------------------------------------------------

QVMailingRecordController::QVMailingRecordController() : m_window(std::make_unique<QWidget>())
{
    Ui::MailingRecord form;
    form.setupUi(m_window.get());
    m_receiptView = m_window.get();
}

QVMailingRecordController::~QVMailingRecordController() = default;

PrintInfo QVMailingRecordController::printInfo()
{
    return QVPrinterSetupController::sharedController()->plainPaperPrintInfoForKey(QVMailingRecordPaperInfoKey);
}

std::optional<QString> QVMailingRecordController::recordNumberString(const QVariant &value)
{
    std::optional<Decimal> number;
    if (value.metaType() == QMetaType::fromType<Decimal>())
        number = value.value<Decimal>();
    else if (value.typeId() == QMetaType::QString)
        number = Decimal::parse(value.toString().trimmed());
    else if (value.canConvert<double>() && value.isValid() && !value.isNull())
        number = Decimal::parse(value.toString());
    if (!number || number->isNaN())
        return std::nullopt;
    QString textValue = number->rounded(3).toString();
    const qsizetype point = textValue.indexOf(QLatin1Char('.'));
    if (point < 0)
        return textValue + QStringLiteral(".00");
    const qsizetype decimals = textValue.size() - point - 1;
    if (decimals < 2)
        textValue += QString(2 - decimals, QLatin1Char('0'));
    else if (decimals == 3 && textValue.endsWith(QLatin1Char('0')))
        textValue.chop(1);
    return textValue;
}

QString QVMailingRecordController::recordDateString(const QDateTime &date)
{
    return date.isValid() ? date.toString(QStringLiteral("MM/dd/yy")) : QString();
}

QVariantMap QVMailingRecordController::valuesForShipment(const QVShipment &shipment)
{
    QVariantMap values;
    const QVariant service = shipment.objectForKey(QVUSPSShipmentConfirmationServiceKey);
    if (service.typeId() == QMetaType::QString) {
        const QString name = QVUSPSRateClass::casualNameForServiceName(service.toString());
        if (!name.isEmpty())
            values.insert(QStringLiteral("eServiceName"), name);
    }
    if (const std::optional<QString> pic = humanReadableBarcodeText(shipment); pic && !pic->isEmpty())
        values.insert(QStringLiteral("humanReadablePic"), *pic);
    // Only a class of the domestic rates has a name here.
    if (shipment.isDomestic()) {
        const QString rateClass =
            QVUSPSRateClass::casualNameForRateClassName(text(shipment, QVUSPSShipmentRateClassKey));
        if (!rateClass.isEmpty())
            values.insert(QStringLiteral("rateClass"), rateClass);
    }
    values.insert(QStringLiteral("eServicePrice"),
                  recordNumberString(shipment.objectForKey(QVUSPSShipmentConfirmationServicePriceKey))
                      .value_or(QStringLiteral("0.00")));
    values.insert(QStringLiteral("totalPostage"),
                  recordNumberString(QVariant::fromValue(shipment.totalPrice())).value_or(QStringLiteral("0.00")));
    values.insert(QStringLiteral("weight"),
                  QStringLiteral("%1 %2").arg(text(shipment, QVShipmentWeightNumberKey),
                                              text(shipment, QVShipmentWeightUnitKey)));
    values.insert(QStringLiteral("printDate"),
                  recordDateString(shipment.objectForKey(QVShipmentPrintDateKey).toDateTime()));
    values.insert(QStringLiteral("shipDate"), recordDateString(shipment.shipCalendarDate()));
    values.insert(QStringLiteral("mailedFromZIP5"), shipment.mailedFromZIP5().value_or(QString()));
    values.insert(QStringLiteral("fromAddress"), shipment.fromAddress().formattedAddress());
    values.insert(QStringLiteral("toAddress"), shipment.toAddress().formattedAddress());
    return values;
}

void QVMailingRecordController::setValuesWithShipment(const QVShipment &shipment)
{
    setStringsWithDictionary(valuesForShipment(shipment));
}

void QVMailingRecordController::setStringsWithDictionary(const QVariantMap &values)
{
    fillTemplateFields(values, m_receiptView, false);
    fillAddressFields(values, m_receiptView);
}

std::unique_ptr<QVPrintOperation> QVMailingRecordController::printOperation() const
{
    auto operation = std::make_unique<QVPrintOperation>(printView(), printInfo());
    operation->setJobTitle(printJobTitle());
    return operation;
}

QString QVMailingRecordController::fieldText(const QString &name) const
{
    QWidget *root = printView();
    if (auto *field = root->findChild<QVTextField *>(name))
        return field->text();
    if (auto *field = root->findChild<QVAddressField *>(name))
        return field->text();
    return {};
}

// ---- Express Mail customer record ------------------------------------------------

QVExpressMailMailingRecordController::QVExpressMailMailingRecordController() : QVMailingRecordController(NoLayout{})
{
    m_window = std::make_unique<QWidget>();
    Ui::EMMailingRecord form;
    form.setupUi(m_window.get());
    m_content = m_window.get();
    m_imageView = form.imageView;
    m_imageView->setScaling(QVImageView::Scaling::AxesIndependently);
    m_receiptView = form.receiptView;
    m_barcode = form.barcode;
    m_noWeekend = form.noWeekend;
    m_noHoliday = form.noHoliday;
    // The receipt lies on the background picture.
    m_receiptView->setParent(m_imageView);
    m_receiptView->move(0, 0);
    m_receiptView->show();
    m_barcode->setModuleHeight(kBarcodeModuleHeight);
    m_barcode->setModuleWidth(kBarcodeModuleWidth);
}

QVLayoutImage QVExpressMailMailingRecordController::backgroundImage(const QString &name)
{
    static QHash<QString, QVLayoutImage> cache;
    if (const auto found = cache.constFind(name); found != cache.cend())
        return *found;
    QVLayoutImage image;
    if (name == premiumBackgroundName() || name == standardBackgroundName())
        image = QVLayoutImage::fromImage(drawExpressBackground(name == premiumBackgroundName()));
    cache.insert(name, image);
    return image;
}

QVariantMap QVExpressMailMailingRecordController::expressValuesForShipment(const QVShipment &shipment)
{
    QVariantMap values;
    const auto put = [&values](const QString &key, const QString &value) { values.insert(key, value); };
    put(QStringLiteral("mailedFromZIP5"), shipment.mailedFromZIP5().value_or(QString()));
    if (text(shipment, QVUSPSShipmentSizeKey) == QVUSPSFlatRateEnvelopeSize)
        put(QStringLiteral("flatRate"), kX);
    if (const std::optional<QString> total = recordNumberString(QVariant::fromValue(shipment.totalPrice())))
        put(QStringLiteral("totalPostage"), *total);
    if (const std::optional<QString> base = recordNumberString(shipment.objectForKey(QVUSPSShipmentPostageKey)))
        put(QStringLiteral("basePostage"), *base);
    if (const std::optional<QString> pic = humanReadableBarcodeText(shipment); pic && !pic->isEmpty())
        put(QStringLiteral("humanReadablePic"), *pic);

    const QVariantMap options = expressOptions(shipment);
    const bool signature = options.value(QVUSPSShipmentExpressMailSignatureRequiredKey).toBool();
    if (!signature || options.value(QVUSPSShipmentExpressMailWaiverOfSignatureOptionKey).toString() == kTrue)
        put(QStringLiteral("waive"), kX);
    if (!options.value(QVUSPSShipmentExpressMailSundayDeliveryKey).toBool() &&
        !options.value(QVUSPSShipmentExpressMailHolidayDeliveryKey).toBool())
        put(QStringLiteral("noh"), kX);
    if (!shipmentOptionalServices(shipment).contains(QVUSPSExpressMailPremiumService) &&
        (options.value(QVUSPSShipmentExpressMailNoWeekendOptionKey).toString() == kTrue ||
         !options.value(QVUSPSShipmentExpressMailSaturdayDeliveryKey).toBool()))
        put(QStringLiteral("now"), kX);

    const std::optional<QVWeight> weight = QVWeight::weightWithValue(
        shipment.objectForKey(QVShipmentWeightNumberKey).toFloat(), text(shipment, QVShipmentWeightUnitKey));
    if (weight) {
        put(QStringLiteral("lb"), QString::number(weight->poundsComponent()));
        put(QStringLiteral("oz"), QString::number(weight->ouncesComponent()));
    }
    const QVAddress from = shipment.fromAddress();
    const QVAddress to = shipment.toAddress();
    put(QStringLiteral("fromAddress"), from.formattedAddress());
    put(QStringLiteral("fromPhone"), from.fancyPhoneNumber());
    put(QStringLiteral("toAddress"), to.formattedAddress());
    put(QStringLiteral("toPhone"), to.fancyPhoneNumber());
    return values;
}

void QVExpressMailMailingRecordController::setValuesWithShipment(const QVShipment &shipment)
{
    m_backgroundName = shipmentOptionalServices(shipment).contains(QVUSPSExpressMailPremiumService)
        ? premiumBackgroundName()
        : standardBackgroundName();
    m_imageView->setImage(backgroundImage(m_backgroundName));

    // The marks sit a little left in their boxes (moved once per record).
    if (!m_checkBoxesMoved) {
        m_noHoliday->move(m_noHoliday->x() - kNoHolidayShift, m_noHoliday->y());
        m_noWeekend->move(m_noWeekend->x() - kNoWeekendShift, m_noWeekend->y());
        m_checkBoxesMoved = true;
    }
    m_noHoliday->update();
    m_noWeekend->update();

    const QString number = impbBarcode(shipment).value_or(QString());
    if (number.startsWith(QLatin1Char('E'))) {
        if (!qobject_cast<QVCode39View *>(m_barcode)) {
            auto *code39 = new QVCode39View(m_barcode->parentWidget());
            code39->setObjectName(QStringLiteral("barcode"));
            code39->setGeometry(m_barcode->geometry());
            code39->setModuleHeight(kBarcodeModuleHeight);
            code39->setModuleWidth(kBarcodeModuleWidth);
            code39->show();
            delete m_barcode;
            m_barcode = code39;
        }
        m_barcode->setBarcodeText(stringByEncodingUSPSExpressMailTrackingNumber(number));
    } else {
        m_barcode->setBarcodeText(number.isEmpty() ? QString() : stringByEncodingUSPSConfirmationNumber(number));
    }
    setStringsWithDictionary(expressValuesForShipment(shipment));
}

// ---- Log entry window ------------------------------------------------------------------

QVMailingLogEntryController::QVMailingLogEntryController(std::shared_ptr<QVShipment> shipment)
    : m_window(std::make_unique<QWidget>())
{
    Ui::LogEntry form;
    form.setupUi(m_window.get());
    m_textField = form.textField;
    setShipment(std::move(shipment));
}

QVMailingLogEntryController::~QVMailingLogEntryController() = default;

void QVMailingLogEntryController::setShipment(std::shared_ptr<QVShipment> shipment)
{
    m_shipment = std::move(shipment);
    m_textField->setPlainText(m_shipment ? logEntryText(*m_shipment) : QString());
}
