#include "printing/customs/QVIntl2976ALabelController.h"

#include "barcodes/imaging/QVCode128View.h"
#include "barcodes/imaging/QVCode39View.h"
#include "barcodes/imaging/QVTextField.h"
#include "barcodes/imaging/ViewGeometry.h"
#include "barcodes/indicia/QVVoidMailView.h"
#include "barcodes/linear/UCCEAN128Formatting.h"
#include "model/NumericFormatters.h"
#include "model/QVCountry.h"
#include "model/QVWeight.h"
#include "platform/UserDefaults.h"
#include "printing/QVPrintOperation.h"
#include "printing/customs/QVCustomsItems.h"
#include "printing/customs/QVIntl2976AView.h"
#include "printing/customs/QVViewTags.h"
#include "printing/layouts/QVLabelFitting.h"
#include "printing/layouts/QVTemplateFields.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "rates/QVShipmentLabelFields.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"
#include "rates/QVUSPSRateClassNames.h"

#include "ui_Intl2976A.h"

#include <QLocale>
#include <QRegularExpression>

namespace tolvane {

namespace {

constexpr qreal kAddressSize = 12;
constexpr qreal kAddressFloor = 6;
constexpr double kBarcodeHeight = 0.5;
constexpr double kCode39ModuleWidth = 0.01;
const QString kJobTitle = QStringLiteral("Tolvane Label");

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

// A delivery address in the United States with a five-digit ZIP Code.
bool hasUSZIPCode(const QVShipment &shipment)
{
    static const QRegularExpression fiveDigits(QStringLiteral("^[0-9]{5}$"));
    return shipment.isDomestic() && fiveDigits.match(shipment.mailedToZIP5()).hasMatch();
}

QFont helvetica(qreal size, bool bold = false)
{
    QFont font(QStringLiteral("Helvetica"));
    font.setPointSizeF(size);
    if (bold)
        font.setWeight(QFont::Bold);
    return font;
}

QStringList addressLines(const QString &text)
{
    static const QRegularExpression separators(QStringLiteral("\r\n|[\n\r\u2028\u2029]"));
    return text.split(separators);
}

// The delivery address in a size: the lines before the last in the regular
// face, each ended by a line feed, the last (the country) in the bold face.
void buildDeliveryAddress(QVAddressField *field, const QString &text, qreal size)
{
    QStringList lines = addressLines(text);
    const QString last = lines.takeLast();
    field->clear();
    if (!lines.isEmpty())
        field->appendRun(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'), helvetica(size), field->textColor());
    if (!last.isEmpty())
        field->appendRun(last, helvetica(size, true), field->textColor());
}

// A country of origin as its two-letter code: "US" for a name of the United
// States, an unknown country, a country without a code and a missing name.
QString countryCode(const QString &country)
{
    if (country.isEmpty() || QVCountry::isCountryStringUSA(country))
        return QStringLiteral("US");
    const std::optional<QVCountry> found = QVCountry::countryWithAnyName(country);
    const QString code = found ? found->twoLetterCountryCode() : QString();
    return code.isEmpty() ? QStringLiteral("US") : code;
}

QString itemText(const QVariantMap &item, const QString &key, const QString &fallback)
{
    const QVariant value = item.value(key);
    return value.isValid() ? value.toString() : fallback;
}

QString containerType(const QVShipment &shipment)
{
    const QString size = shipmentText(shipment, QVUSPSShipmentSizeKey);
    if (size == QVUSPSFlatRateBoxSize)
        return shipmentText(shipment, QVUSPSShipmentRateClassKey) == QVUSPSIntlExpressMailIntl
            ? QStringLiteral("Flat Rate Box")
            : QStringLiteral("Medium Flat Rate Box");
    if (size == QVUSPSSmallFlatRateBoxSize)
        return QStringLiteral("Small Flat Rate Box");
    if (size == QVUSPSLargeFlatRateBoxSize)
        return QStringLiteral("Large Flat Rate Box");
    if (QVUSPSRateClass::priorityFlatRateEnvelopeSizes().contains(size))
        return QStringLiteral("Flat Rate Envelope");
    return QString();
}

// A Code 39 view in the place of a barcode view (same frame, parent, name
// and tag); the old view is deleted.
QVCode128View *replacedByCode39(QVCode128View *old)
{
    auto *code39 = new QVCode39View(old->parentWidget());
    code39->setObjectName(old->objectName());
    setViewTag(code39, viewTag(old));
    setFrame(code39, frameOf(old));
    code39->stackUnder(old);
    code39->setModuleHeight(kBarcodeHeight);
    code39->setModuleWidth(kCode39ModuleWidth);
    delete old;
    return code39;
}

} // namespace

QVIntl2976ALabelController::QVIntl2976ALabelController()
{
    auto view = std::make_unique<QVIntl2976AView>();
    Ui::Intl2976A form;
    form.setupUi(view.get());
    const Outlets outlets = outletsOf(form, view.get());
    windowDidLoad(std::move(view), outlets);
}

QVIntl2976ALabelController::QVIntl2976ALabelController(NoLayout) {}

QVIntl2976ALabelController::~QVIntl2976ALabelController() = default;

void QVIntl2976ALabelController::windowDidLoad(std::unique_ptr<QWidget> window, const Outlets &outlets)
{
    m_window = std::move(window);
    m_outlets = outlets;
    for (QVCode128View *barcode : {m_outlets.barcode1, m_outlets.barcode2}) {
        if (barcode)
            barcode->setModuleHeight(kBarcodeHeight);
    }
    m_toAddressFrame = frameOf(m_outlets.toAddress);
    m_fromAddressFrame = frameOf(m_outlets.fromAddress);
    if (m_outlets.labelImageView) {
        m_outlets.labelImageView->setScaling(QVImageView::Scaling::None);
        m_outlets.labelImageView->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    drawVoid(false);
}

std::unique_ptr<QVIntl2976ALabelController>
QVIntl2976ALabelController::intl2976AControllerWithShipment(std::shared_ptr<QVShipment> shipment)
{
    auto controller = std::make_unique<QVIntl2976ALabelController>();
    if (!shipment)
        return controller;
    controller->setShipment(shipment);
    controller->setValuesWithShipment(*shipment);
    // The return address's size follows the delivery address's.
    controller->setToAddressString(shipment->toAddress().formattedAddress());
    controller->setFromAddressString(shipment->fromAddress().formattedAddress() + QStringLiteral("\nUS"));
    controller->setPagesForShipment(*shipment);
    return controller;
}

void QVIntl2976ALabelController::setPagesForShipment(const QVShipment &shipment)
{
    QVIntl2976AView *view = formView();
    if (!view)
        return;
    const QString rateClass = shipmentText(shipment, QVUSPSShipmentRateClassKey);
    QString prefix;
    if (rateClass == QVUSPSIntlExpressMailIntl)
        prefix = QStringLiteral("emi");
    else if (rateClass == QVUSPSIntlPriorityMailIntl)
        prefix = QStringLiteral("pmi");
    QList<QVLayoutImage> pages;
    if (!prefix.isEmpty()) {
        pages << QVLayoutImage::named(prefix + QStringLiteral("-customsform-1-outline"))
              << QVLayoutImage::named(prefix + QStringLiteral("-customsform-2-outline"));
        if (defaults().boolForKey(QStringLiteral("printCustomsInstructions")))
            pages << QVLayoutImage::named(prefix + QStringLiteral("_instructions"));
    }
    view->setPrintSendersCopy(defaults().boolForKey(QStringLiteral("printCustomsSendersCopy")));
    view->setImageArray(pages);
    view->showFormPage(1);
}

// ---- Printing ------------------------------------------------------------------

QString QVIntl2976ALabelController::printInfoKey() const { return QVGEMPrintInfoKey; }

PrintInfo QVIntl2976ALabelController::printInfo() const
{
    return QVPrinterSetupController::sharedController()->plainPaperPrintInfoForKey(printInfoKey());
}

QString QVIntl2976ALabelController::labelType() const { return QVPlainPaperLabel; }

QByteArray QVIntl2976ALabelController::pdfData(const QVariantMap &extras, QString *error)
{
    PrintInfo info = printInfo();
    info.copies = 1;
    const QByteArray pdf = QVPrintOperation::pdfForView(printView(), ::printInfoWithExtras(info, extras), error);
    showFirstPage();
    return pdf;
}

bool QVIntl2976ALabelController::printLabel(const QVariantMap &extras)
{
    PrintInfo info = printInfo();
    info.copies = 1;
    QVPrintOperation operation(printView(), ::printInfoWithExtras(info, extras));
    operation.setJobTitle(kJobTitle);
    const bool printed = operation.runOperation();
    showFirstPage();
    return printed;
}

void QVIntl2976ALabelController::showFirstPage()
{
    // Outside printing the form shows its first page.
    if (QVIntl2976AView *view = formView())
        view->showFormPage(1);
}

// ---- Filling -------------------------------------------------------------------

QString QVIntl2976ALabelController::moneyString(const Decimal &amount)
{
    QString text = threeDigitDollarFormatter().stringFromNumber(amount);
    if (text.endsWith(QLatin1Char('0')) && text.indexOf(QLatin1Char('.')) == text.size() - 4)
        text.chop(1);
    return QLatin1Char('$') + text;
}

QVariantMap QVIntl2976ALabelController::valuesForShipment(const QVShipment &shipment)
{
    QVariantMap values;
    const auto put = [&values](const QString &key, const QString &value) { values.insert(key, value); };

    if (const std::optional<QString> number = humanReadableBarcodeText(shipment))
        put(QStringLiteral("humanReadableNumber"), *number);
    const QVariant sdr = shipment.objectForKey(QVUSPSShipmentCustomsSDRValueKey);
    if (sdr.isValid()) {
        const std::optional<Decimal> value = decimalFromVariant(sdr);
        if (value && !value->isNaN())
            put(QStringLiteral("sdrValue"), moneyString(*value));
    }
    const QVAddress to = shipment.toAddress();
    if (!to.phoneWithNoPunctuation().isEmpty())
        put(QStringLiteral("toPhone"), QStringLiteral("Phone: %1").arg(to.phoneWithNoPunctuation()));
    if (!to.email().isEmpty())
        put(QStringLiteral("toEmail"), QStringLiteral("Email: %1").arg(to.email()));

    // The first five items fill the rows.
    const QList<QVariantMap> items = customsItemList(shipment);
    QStringList countries;
    for (int row = 1; row <= QVCustomsItemRowCount && row <= items.size(); ++row) {
        const QVariantMap &item = items.at(row - 1);
        const QString n = QString::number(row);
        put(QStringLiteral("description") + n, itemText(item, QVShipmentItemDescriptionKey, QString()));
        put(QStringLiteral("qty") + n, itemText(item, QVShipmentItemQuantityKey, QStringLiteral("1")));
        const QVWeight weight =
            QVWeight::weightWithValue(itemText(item, QVShipmentItemWeightNumberKey, QStringLiteral("1")).toFloat(),
                                      itemText(item, QVShipmentItemWeightUnitKey, QVOunceUnitString))
                .value_or(QVWeight());
        put(QStringLiteral("lb") + n, QString::number(weight.poundsComponent()));
        put(QStringLiteral("oz") + n, QString::number(weight.ouncesComponent()));
        const Decimal value =
            Decimal::parse(itemText(item, QVShipmentItemValueKey, QStringLiteral("0.00"))).value_or(Decimal());
        put(QStringLiteral("value") + n, moneyString(value));
        const QString code = countryCode(itemText(item, QVShipmentItemCountryOfOriginKey, QString()));
        put(QStringLiteral("co") + n, code);
        countries << code;
    }
    if (!countries.isEmpty())
        put(QStringLiteral("countriesOfOrigin"), countries.join(QStringLiteral("  ")));

    const QString contentType = shipmentText(shipment, QVUSPSShipmentCustomsFormContentTypeKey);
    const QList<QPair<QString, QString>> boxes = {
        {QVUSPSShipmentCustomsFormGiftContentType, QStringLiteral("gift")},
        {QVUSPSShipmentCustomsFormDocumentsContentType, QStringLiteral("doc")},
        {QVUSPSShipmentCustomsFormSampleContentType, QStringLiteral("comsam")},
        {QVUSPSShipmentCustomsFormReturnedGoodsContentType, QStringLiteral("retgood")},
        {QVUSPSShipmentCustomsFormMerchandiseContentType, QStringLiteral("merch")},
        {QVUSPSShipmentCustomsFormOtherContentType, QStringLiteral("other")},
    };
    for (const auto &[type, key] : boxes) {
        if (contentType == type)
            put(key, QStringLiteral("X"));
    }
    if (contentType == QVUSPSShipmentCustomsFormOtherContentType) {
        const QVariant other = shipment.objectForKey(QVUSPSShipmentCustomsFormContentTypeOtherDescriptionKey);
        if (other.isValid())
            put(QStringLiteral("otherDescription"), other.toString());
    }
    put(QStringLiteral("invoiceNumber"), shipmentText(shipment, QVShipmentInvoiceNumberKey));

    const QVWeight total(weightInOunces(shipment).toInt());
    put(QStringLiteral("tlb"), QString::number(total.poundsComponent()));
    put(QStringLiteral("toz"), QString::number(total.ouncesComponent()));
    put(QStringLiteral("totalWeight"),
        QStringLiteral("%1 lb %2 oz").arg(total.poundsComponent()).arg(total.ouncesComponent()));
    // Every item counts, also beyond the five rows.
    put(QStringLiteral("totalValue"), moneyString(customsTotalValue(shipment)));
    if (defaults().boolForKey(QStringLiteral("showTotalPostageOn2976A")))
        put(QStringLiteral("totalPostage"), moneyString(shipment.totalPrice()));
    const QVariant sender = shipment.objectForKey(QVUSPSShipmentCustomsFormSendersNameKey);
    if (sender.isValid())
        put(QStringLiteral("sendersName"), sender.toString());

    const QLocale c = QLocale::c();
    const QDateTime shipDate = shipment.shipCalendarDate();
    put(QStringLiteral("date"), c.toString(shipDate, QStringLiteral("MM/dd/yyyy")));
    put(QStringLiteral("shipDate"), c.toString(shipDate, QStringLiteral("MM/dd/yyyy")));
    const QVariant printDate = shipment.objectForKey(QVShipmentPrintDateKey);
    if (printDate.typeId() == QMetaType::QDateTime)
        put(QStringLiteral("printDate"), c.toString(printDate.toDateTime(), QStringLiteral("MM/dd/yyyy")));
    put(QStringLiteral("nondeliveryInstructions"), QStringLiteral("Return to Sender"));
    put(QStringLiteral("stampDate"), c.toString(shipDate, QStringLiteral("MMM dd yyyy")).toUpper());
    put(QStringLiteral("stampZIP"), shipment.mailedFromZIP5().value_or(QString()));
    if (shipmentBool(shipment, QVUSPSShipmentPostageEnabledKey)) {
        const QString site = defaults().stringForKey(QStringLiteral("tolvaneWebSite"));
        put(QStringLiteral("postagePaid"),
            site.isEmpty() ? QStringLiteral("U.S. Postage Paid")
                           : QStringLiteral("U.S. Postage Paid via %1").arg(site));
        put(QStringLiteral("paidOnline"), QStringLiteral("Postage Paid Online"));
    } else {
        put(QStringLiteral("paidOnline"), QStringLiteral("Not Paid Online"));
    }
    put(QStringLiteral("topCustomField"), stringForTopCustomField(shipment));
    put(QStringLiteral("bottomCustomField"), stringForBottomCustomField(shipment));
    const int ounces = weightInTenthOunces(shipment) / 10;
    put(QStringLiteral("tlboz"), QStringLiteral("%1 lb. %2 oz.").arg(ounces / 16).arg(ounces % 16));
    put(QStringLiteral("containerType"), containerType(shipment));
    return values;
}

void QVIntl2976ALabelController::setValuesWithShipment(const QVShipment &shipment)
{
    setStringsWithDictionary(valuesForShipment(shipment));
    setBarcodesWithShipment(shipment);
}

void QVIntl2976ALabelController::setBarcodesWithShipment(const QVShipment &shipment)
{
    if (shipmentText(shipment, QVUSPSShipmentRateClassKey) == QVUSPSIntlExpressMailIntl) {
        if (m_outlets.barcode1 && !qobject_cast<QVCode39View *>(m_outlets.barcode1))
            m_outlets.barcode1 = replacedByCode39(m_outlets.barcode1);
        if (m_outlets.barcode2 && !qobject_cast<QVCode39View *>(m_outlets.barcode2))
            m_outlets.barcode2 = replacedByCode39(m_outlets.barcode2);
    }
    QString text;
    // The package barcode's "420" element routes to a US ZIP Code; a piece
    // without one (a foreign address) carries its number alone, as printed
    // under the symbol.
    if (qobject_cast<QVGS1Code128View *>(m_outlets.barcode1) && hasUSZIPCode(shipment)) {
        const std::optional<QString> data = impbBarcode(shipment);
        if (data && !data->isEmpty())
            text = stringByEncodingUSPSConfirmationNumber(*data);
    } else {
        const QString pic = shipmentText(shipment, QVUSPSShipmentPICKey);
        if (pic.startsWith(QLatin1Char('E')))
            text = stringByEncodingUSPSExpressMailTrackingNumber(pic);
        else if (pic.startsWith(QLatin1Char('L')) || pic.startsWith(QLatin1Char('C')))
            text = stringByEncodingCustomsBarcodeNumber(pic);
        else if (!pic.isEmpty())
            text = stringByEncodingUSPSConfirmationNumber(pic);
        else
            text = stringByEncodingCustomsBarcodeNumber(shipmentText(shipment, QVUSPSShipmentCustomsBarcodeNumberKey));
    }
    for (QVCode128View *barcode : {m_outlets.barcode1, m_outlets.barcode2}) {
        if (barcode)
            barcode->setBarcodeText(text);
    }
}

void QVIntl2976ALabelController::setStringsWithDictionary(const QVariantMap &values)
{
    setStringsWithDictionary(values, m_outlets.contentView);
}

void QVIntl2976ALabelController::setStringsWithDictionary(const QVariantMap &values, QWidget *view)
{
    fillTemplateFields(values, view, false);
}

void QVIntl2976ALabelController::setToAddressString(const QString &text)
{
    QVAddressField *field = m_outlets.toAddress;
    setFrame(field, m_toAddressFrame);
    field->setFont(helvetica(kAddressSize));
    field->setTextColor(Qt::black);
    m_addressFontSize = fitAddressField(field, m_toAddressFrame, kAddressSize, kAddressFloor,
                                        [&](qreal size) { buildDeliveryAddress(field, text, size); });
    setFrame(field, m_toAddressFrame);
    field->update();
    if (QVAddressField *copy = m_outlets.toAddress2) {
        copy->setTextColor(field->textColor());
        buildDeliveryAddress(copy, text, m_addressFontSize);
    }
}

void QVIntl2976ALabelController::setFromAddressString(const QString &text)
{
    QVAddressField *field = m_outlets.fromAddress;
    setFrame(field, m_fromAddressFrame);
    qreal size = m_addressFontSize - 1;
    field->setFont(helvetica(size));
    field->setTextColor(Qt::black);
    const auto build = [&](qreal points) {
        field->setFont(helvetica(points));
        field->setPlainText(text);
    };
    if (text.isEmpty())
        build(size);
    else
        size = fitAddressField(field, m_fromAddressFrame, size, kAddressFloor, build);
    setFrame(field, m_fromAddressFrame);
    field->update();
    if (QVAddressField *copy = m_outlets.fromAddress2) {
        copy->setFont(field->font());
        copy->setTextColor(field->textColor());
        copy->setPlainText(text);
    }
}

void QVIntl2976ALabelController::setIndicium(const QVLayoutImage &image)
{
    if (m_outlets.indiciumImage)
        m_outlets.indiciumImage->setImage(image);
}

QVLayoutImage QVIntl2976ALabelController::indicium() const
{
    return m_outlets.indiciumImage ? m_outlets.indiciumImage->image() : QVLayoutImage();
}

void QVIntl2976ALabelController::drawVoid(bool drawVoid)
{
    for (QVVoidMailView *overlay : {m_outlets.voidView1, m_outlets.voidView2}) {
        if (overlay)
            overlay->setDrawVoid(drawVoid);
    }
}

QVIntl2976AView *QVIntl2976ALabelController::formView() const
{
    return qobject_cast<QVIntl2976AView *>(m_outlets.contentView);
}

} // namespace tolvane
