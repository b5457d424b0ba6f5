#include "printing/thermal/QVIntl2976EPL2Controller.h"

#include "barcodes/indicia/QVVectorBarcode.h"
#include "model/NumericFormatters.h"
#include "model/QVCountry.h"
#include "model/QVShipment.h"
#include "model/QVWeight.h"
#include "model/StringAdditions.h"
#include "printing/PrintingServices.h"
#include "rates/QVShipmentLabelFields.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSRateClassNames.h"

#include <QLocale>
#include <QPainter>

namespace tolvane {
namespace {

QString dollars(const Decimal &amount) { return QLatin1Char('$') + twoDigitDollarFormatter().stringFromNumber(amount); }

QString countryCode(const QString &country)
{
    if (QVCountry::isCountryStringUSA(country))
        return QStringLiteral("US");
    const std::optional<QVCountry> found = QVCountry::countryWithAnyName(country);
    const QString code = found ? found->twoLetterCountryCode() : QString();
    return code.isEmpty() ? QStringLiteral("US") : code;
}

QString classDescription(const QVShipment &shipment)
{
    const QString size = shipment.objectForKey(QVUSPSShipmentSizeKey).toString();
    if (size == QVUSPSSmallFlatRateBoxSize)
        return QStringLiteral("USPS Priority Mail International Small Flat Rate Box");
    if (size == QVUSPSFlatRatePaddedEnvelopeSize)
        return QStringLiteral("USPS Priority Mail Intl Flat Rate Padded Envelope");
    if (size == QVUSPSLargeFlatRateVideoBoxSize)
        return QStringLiteral("USPS Priority Mail Intl Large Flat Rate Video Box");
    return QStringLiteral("USPS Priority Mail International Flat Rate Envelope");
}

} // namespace

QVIntl2976EPL2Controller::QVIntl2976EPL2Controller()
{
    if (const std::optional<QString> block = stringForTemplateName(QStringLiteral("onlinepostage")))
        appendString(*block);
}

void QVIntl2976EPL2Controller::addString(const QString &text, const QString &key, int length, bool padRight,
                                         QVariantMap &values)
{
    QString value = text;
    if (length > 0) {
        if (!padRight)
            value = stringByPaddingToLength(text, length);
        else if (text.size() < length)
            value = spacesOfLength(length - text.size()) + text;
        else
            value = text.left(length);
    }
    values.insert(key, value);
}

QImage QVIntl2976EPL2Controller::bitmapForData(const QByteArray &indiciumData)
{
    const auto symbol = QVVectorBarcode::initWithData(indiciumData);
    if (!symbol)
        return QImage();
    QImage bitmap(125, 520, QImage::Format_Grayscale8);
    bitmap.fill(255);
    QPainter painter(&bitmap);
    painter.setRenderHint(QPainter::Antialiasing, false);
    // The symbol's top edge to the right, its first column at the top.
    painter.translate(125, 0);
    painter.rotate(90);
    symbol->drawInRect(painter, QRectF(0, 0, 520, 125));
    return bitmap;
}

bool QVIntl2976EPL2Controller::setIndiciumData(const QByteArray &indiciumData, const QString &discountString)
{
    const QImage bitmap = bitmapForData(indiciumData);
    if (bitmap.isNull())
        return false;
    if (!discountString.isEmpty())
        appendString(QStringLiteral("A713,660,1,2,1,1,N,\"%1\"\n").arg(escapedFieldValue(discountString)));
    addBitmap(bitmap, discountString.isEmpty() ? 585 : 563, 660);
    return true;
}

std::unique_ptr<QVIntl2976EPL2Controller>
QVIntl2976EPL2Controller::epl2ControllerWithShipment(const QVShipment &shipment,
                                                     const std::optional<QByteArray> &indiciumData, bool sample)
{
    auto controller = std::make_unique<QVIntl2976EPL2Controller>();
    const auto services = printingPostageServices();
    QVariantMap values;
    addString(stringForBottomCustomField(shipment), QStringLiteral("customField"), 0, false, values);

    if (indiciumData) {
        if (!controller->setIndiciumData(*indiciumData, services->tolvaneDiscountString(shipment)) && !sample)
            return nullptr;
        addString(services->tolvaneMailedFromString(shipment), QStringLiteral("MailedFromZIP"), 0, false, values);
        QVariantMap texts;
        addIndiciumTexts(shipment, sample, texts);
        for (auto it = texts.cbegin(); it != texts.cend(); ++it)
            addString(it.value().toString(), it.key(), 0, false, values);
        if (!sample) // the ship date, reply postage or not
            addString(services->tolvaneDateString(shipment), QStringLiteral("MailingDate"), 0, false, values);
        addString(services->tolvaneStealthString(shipment), QStringLiteral("MailingClass"), 0, false, values);
        addString(QStringLiteral("US POSTAGE AND FEES PAID"), QStringLiteral("FeesAndPostagePaid"), 0, false, values);
    }

    const QString customsNumber = shipment.objectForKey(QVUSPSShipmentCustomsBarcodeNumberKey).toString();
    if (!customsNumber.isEmpty()) {
        addString(customsNumber, QStringLiteral("customsNumber"), 0, false, values);
        addString(humanReadableBarcodeText(shipment).value_or(QString()), QStringLiteral("humanReadableNumber"), 0,
                  false, values);
    }

    const QString formType = shipment.objectForKey(QVUSPSShipmentCustomsFormTypeKey).toString();
    if (formType == QVUSPSShipment2976FCMICustomsFormType) {
        addString(QStringLiteral("FCMI"), QStringLiteral("mailClassAbbrev"), 0, false, values);
        addString(QStringLiteral("USPS First-Class Mail International"), QStringLiteral("classDescription"), 0, false,
                  values);
    } else if (formType == QVUSPSShipment2976PMICustomsFormType) {
        addString(QStringLiteral("PMI"), QStringLiteral("mailClassAbbrev"), 0, false, values);
        addString(classDescription(shipment), QStringLiteral("classDescription"), 0, false, values);
    }

    // Check boxes: the marks of the boxes not ticked are commented out.
    const QString contentType = shipment.objectForKey(QVUSPSShipmentCustomsFormContentTypeKey).toString();
    QStringList notTicked = {QStringLiteral("notGift"), QStringLiteral("notDocuments"), QStringLiteral("notSample"),
                             QStringLiteral("notOther")};
    if (contentType == QVUSPSShipmentCustomsFormGiftContentType)
        notTicked.removeAll(QStringLiteral("notGift"));
    else if (contentType == QVUSPSShipmentCustomsFormDocumentsContentType)
        notTicked.removeAll(QStringLiteral("notDocuments"));
    else if (contentType == QVUSPSShipmentCustomsFormSampleContentType)
        notTicked.removeAll(QStringLiteral("notSample"));
    else
        notTicked.removeAll(QStringLiteral("notOther"));
    for (const QString &key : notTicked)
        addString(QStringLiteral(";"), key, 0, false, values);
    const QString otherKey = QStringLiteral("otherDescription15");
    if (contentType == QVUSPSShipmentCustomsFormMerchandiseContentType)
        addString(QStringLiteral("merchandise"), otherKey, 0, false, values);
    else if (contentType == QVUSPSShipmentCustomsFormReturnedGoodsContentType)
        addString(QStringLiteral("returned goods"), otherKey, 0, false, values);
    else if (contentType != QVUSPSShipmentCustomsFormGiftContentType &&
             contentType != QVUSPSShipmentCustomsFormDocumentsContentType &&
             contentType != QVUSPSShipmentCustomsFormSampleContentType) {
        const QVariant other = shipment.objectForKey(QVUSPSShipmentCustomsFormContentTypeOtherDescriptionKey);
        if (other.isValid())
            addString(other.toString(), otherKey, 15, false, values);
    }

    // Items: five rows at most; the totals count every item.
    const QVariant itemList = shipment.objectForKey(QVShipmentItemsKey);
    if (itemList.isValid()) {
        const QVariantList items = itemList.toList();
        int totalOunces = 0;
        Decimal totalValue;
        QStringList countries;
        for (qsizetype index = 0; index < items.size(); ++index) {
            const QVariantMap item = items.at(index).toMap();
            const auto text = [&item](const QString &key, const QString &fallback) {
                const QVariant value = item.value(key);
                return value.isValid() ? value.toString() : fallback;
            };
            const std::optional<QVWeight> weight =
                QVWeight::weightWithValue(text(QVShipmentItemWeightNumberKey, QStringLiteral("1")).toFloat(),
                                          text(QVShipmentItemWeightUnitKey, QStringLiteral("oz")));
            const QVWeight itemWeight = weight.value_or(QVWeight());
            const Decimal value =
                Decimal::parse(text(QVShipmentItemValueKey, QStringLiteral("0.00"))).value_or(Decimal());
            totalOunces += itemWeight.weightInOunces();
            totalValue = Decimal::add(totalValue, value.isNaN() ? Decimal() : value);
            if (index >= 5)
                continue;
            const int row = int(index) + 1;
            addString(text(QVShipmentItemDescriptionKey, QString()), QStringLiteral("description%1").arg(row), 26,
                      false, values);
            addString(text(QVShipmentItemQuantityKey, QStringLiteral("1")), QStringLiteral("qty%1").arg(row), 2, false,
                      values);
            addString(QString::number(itemWeight.poundsComponent()), QStringLiteral("lb%1").arg(row), 1, false, values);
            addString(QString::number(itemWeight.ouncesComponent()), QStringLiteral("oz%1").arg(row), 2, true, values);
            addString(dollars(value.isNaN() ? Decimal() : value), QStringLiteral("value%1").arg(row), 8, true, values);
            countries << countryCode(text(QVShipmentItemCountryOfOriginKey, QStringLiteral("US")));
        }
        for (int row = int(items.size()) + 1; row <= 5; ++row) {
            addString(spacesOfLength(2), QStringLiteral("qty%1").arg(row), 0, false, values);
            addString(spacesOfLength(26), QStringLiteral("description%1").arg(row), 0, false, values);
            addString(spacesOfLength(1), QStringLiteral("lb%1").arg(row), 0, false, values);
        }
        addString(countries.join(QStringLiteral("   ")), QStringLiteral("countriesOfOrigin"), 22, false, values);
        const QVWeight total = QVWeight::weightWithOunces(totalOunces);
        addString(QString::number(total.poundsComponent()), QStringLiteral("tlb"), 1, false, values);
        addString(QString::number(total.ouncesComponent()), QStringLiteral("toz"), 2, true, values);
        addString(dollars(totalValue), QStringLiteral("totalValue"), 8, true, values);
    }

    const QVariant sender = shipment.objectForKey(QVUSPSShipmentCustomsFormSendersNameKey);
    if (sender.isValid())
        addString(sender.toString(), QStringLiteral("sendersName"), 0, false, values);

    const QDateTime shipDate = shipment.shipCalendarDate();
    const QLocale c = QLocale::c();
    addString(c.toString(shipDate, QStringLiteral("MMM dd")).toUpper(), QStringLiteral("monthDay"), 0, false, values);
    addString(c.toString(shipDate, QStringLiteral("yyyy")), QStringLiteral("year"), 0, false, values);
    addString(c.toString(shipDate, QStringLiteral("MM/dd/yyyy")), QStringLiteral("date"), 0, false, values);
    if (!sample)
        addString(QStringLiteral(";"), QStringLiteral("dontVoid"), 0, false, values);
    addString(shipment.mailedFromZIP5().value_or(QString()), QStringLiteral("zipCode"), 0, false, values);

    const QStringList from =
        (shipment.fromAddress().formattedAddress() + QStringLiteral("\nUS")).split(QLatin1Char('\n'));
    for (qsizetype k = 0; k < from.size(); ++k)
        addString(from.at(k), QStringLiteral("from%1").arg(k + 1), 0, false, values);
    QStringList to = shipment.toAddress().formattedAddress().split(QLatin1Char('\n'));
    if (to.size() > 7)
        to = to.mid(to.size() - 7);
    for (qsizetype i = 0; i < to.size(); ++i)
        addString(to.at(to.size() - 1 - i), QStringLiteral("to%1").arg(7 - i), 0, false, values);

    controller->setValues(values, QStringLiteral("4x6intl-template"));
    return controller;
}

} // namespace tolvane
