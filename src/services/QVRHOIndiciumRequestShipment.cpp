// QVRHOIndiciumRequest::indiciumRequestWithShipment: the value dictionary of
// a shipment's postage request.
#include "services/QVRHOIndiciumRequest.h"

#include "model/NumericFormatters.h"
#include "model/QVShipment.h"
#include "model/QVWeight.h"
#include "model/StringAdditions.h"
#include "rates/QVShipmentUSPS.h"
#include "services/QVShipmentRHOExtras.h"

namespace {

QString textOrEmpty(const QVShipment &shipment, const QString &key)
{
    const QString value = shipmentText(shipment, key);
    return value.isNull() ? QString(QLatin1String("")) : value;
}

QString itemText(const QVariantMap &item, const QString &key, const QString &missing)
{
    const QVariant value = item.value(key);
    if (!value.isValid() || value.isNull())
        return missing;
    const std::optional<Decimal> number =
        value.typeId() == QMetaType::QString ? std::nullopt : decimalFromVariant(value);
    return number ? number->toString() : value.toString();
}

// The five elements of customs item i (1 to 5), as [name, text] pairs.
QVariantList customsItemElements(const QVariantMap &item, int i)
{
    const QString weightText = itemText(item, QVShipmentItemWeightNumberKey, QStringLiteral("1"));
    const QString unit = itemText(item, QVShipmentItemWeightUnitKey, QVOunceUnitString);
    const auto weight = QVWeight::weightWithValue(static_cast<float>(weightText.toInt()), unit);
    const QString ounces = weight ? weight->totalWeightInOunces().toString() : QStringLiteral("0");
    const auto pair = [i](const char *name, const QString &value) {
        return QVariant(QStringList{QString::fromLatin1(name).arg(i), value});
    };
    return {
        pair("PackageDescription%1", itemText(item, QVShipmentItemDescriptionKey, QLatin1String(""))),
        pair("PackageQuantity%1", itemText(item, QVShipmentItemQuantityKey, QStringLiteral("1"))),
        pair("ItemValue%1", itemText(item, QVShipmentItemValueKey, QStringLiteral("0.00"))),
        pair("ItemWeight%1", ounces),
        pair("OriginCountry%1", itemText(item, QVShipmentItemCountryOfOriginKey, QLatin1String(""))),
    };
}

} // namespace

std::shared_ptr<QVRHOIndiciumRequest> QVRHOIndiciumRequest::indiciumRequestWithShipment(const QVShipment &shipment,
                                                                                        bool reprint)
{
    QVariantMap values;
    const QVAddress from = shipment.fromAddress();
    const QVAddress to = shipment.toAddress();
    values.insert(QStringLiteral("Domestic"), to.isDomestic());
    values.insert(QStringLiteral("AddressLength"), static_cast<int>(to.formattedAddress().size()));
    const QString customsID = textOrEmpty(shipment, QVUSPSShipmentCustomsBarcodeNumberKey);
    values.insert(QStringLiteral("CustomsID"), customsID);
    QString pic = shipmentText(shipment, QVUSPSShipmentPICKey);
    if (pic.isNull())
        pic = textOrEmpty(shipment, QVUSPSShipmentConfirmKey);
    pic = uspsLogPIC(pic);
    if (pic.isEmpty() && !customsID.isEmpty())
        pic = customsID;
    values.insert(QStringLiteral("PICNumber"), pic);
    values.insert(QStringLiteral("CONFIRM"), textOrEmpty(shipment, QVUSPSShipmentConfirmKey));

    values.insert(QStringLiteral("FromName"), from.name());
    values.insert(QStringLiteral("FromFirm"), from.company());
    values.insert(QStringLiteral("FromAddress1"), from.suiteApt());
    values.insert(QStringLiteral("FromAddress2"), from.street());
    values.insert(QStringLiteral("FromCity"), from.city());
    values.insert(QStringLiteral("FromState"), from.twoLetterState());
    values.insert(QStringLiteral("FromZip5"), from.ZIP5());
    values.insert(QStringLiteral("FromZip4"), from.ZIP4());
    values.insert(QStringLiteral("SenderEMail"), from.email());
    values.insert(QStringLiteral("FromPhone"), from.phone());
    values.insert(QStringLiteral("ToName"), to.name());
    values.insert(QStringLiteral("ToFirm"), to.company());
    values.insert(QStringLiteral("ToAddress1"), to.suiteApt());
    values.insert(QStringLiteral("ToAddress2"), to.street());
    values.insert(QStringLiteral("ToCity"), to.city());
    values.insert(QStringLiteral("ToState"), to.twoLetterState());
    values.insert(QStringLiteral("ToZip5"), to.ZIP5());
    values.insert(QStringLiteral("ToZip4"), to.ZIP4());
    values.insert(QStringLiteral("ToZip2"), to.ZIP2());
    values.insert(QStringLiteral("RecipientEMail"), to.email());
    values.insert(QStringLiteral("ToPhone"), to.phone());

    values.insert(QStringLiteral("WeightInOunces"), weightInOunces(shipment).toInt());
    values.insert(QStringLiteral("WeightInTenthOunces"), QString::number(weightInTenthOunces(shipment)));
    values.insert(QStringLiteral("ServiceType"), QString::number(tolvaneServiceClass(shipment)));
    values.insert(QStringLiteral("OptionalServices"), QString::number(tolvaneOptionalServiceBits(shipment)));
    values.insert(QStringLiteral("MailedFromZip5"), shipment.mailedFromZIP5().value_or(QString()));
    values.insert(QStringLiteral("ShipDate"), shipment.shipCalendarDate().date().toString(QStringLiteral("yyyyMMdd")));
    values.insert(QStringLiteral("Postage"), threeDigitDollarFormatter().stringFromNumber(shipment.totalPrice()));
    values.insert(QStringLiteral("TransactionType"), shipmentText(shipment, QVUSPSShipmentRHOTransactionTypeKey));
    const QString insurance = shipmentText(shipment, QVUSPSShipmentInsuranceTypeKey);
    values.insert(QStringLiteral("InsuranceType"), insurance.isNull() ? QStringLiteral("0") : insurance);
    const std::optional<Decimal> value = decimalFromVariant(shipment.objectForKey(QVShipmentValueKey));
    values.insert(QStringLiteral("PackageValue"),
                  twoDigitDollarFormatter().stringFromNumber(value.value_or(Decimal::zero())));
    values.insert(QStringLiteral("PackageDescription"), textOrEmpty(shipment, QVShipmentDescriptionKey));
    values.insert(QStringLiteral("PackageReference1"), textOrEmpty(shipment, QVShipmentInvoiceNumberKey));
    values.insert(QStringLiteral("PackageReference2"), textOrEmpty(shipment, QVShipmentCostCenterKey));

    // Priority Mail Express options.
    const QVariant options = shipment.objectForKey(QVUSPSShipmentExpressMailOptionsKey);
    if (options.typeId() == QMetaType::QVariantMap) {
        const QVariantMap flags = options.toMap();
        const auto requested = [&flags](const QString &key) { return flags.value(key).toBool(); };
        const auto answer = [](bool requestedService) {
            return requestedService ? QStringLiteral("FALSE") : QStringLiteral("TRUE");
        };
        const bool saturday = requested(QVUSPSShipmentExpressMailSaturdayDeliveryKey);
        const bool sunday = requested(QVUSPSShipmentExpressMailSundayDeliveryKey);
        values.insert(QStringLiteral("NoWeekend"), answer(saturday || sunday));
        values.insert(QStringLiteral("NoSaturday"), answer(saturday));
        values.insert(QStringLiteral("NoSunday"), answer(sunday));
        values.insert(QStringLiteral("NoHoliday"), answer(requested(QVUSPSShipmentExpressMailHolidayDeliveryKey)));
        values.insert(QStringLiteral("WaiverOfSignature"),
                      answer(requested(QVUSPSShipmentExpressMailSignatureRequiredKey)));
    }

    // Customs items: the first five.
    const QVariant items = shipment.objectForKey(QVShipmentItemsKey);
    if (items.isValid() || !customsID.isEmpty()) {
        QVariantList elements;
        if (items.typeId() == QMetaType::QVariantList) {
            const QVariantList list = items.toList();
            for (int i = 0; i < list.size() && i < 5; ++i)
                elements += customsItemElements(list.at(i).toMap(), i + 1);
        }
        values.insert(QStringLiteral("CustomsData"), elements);
    }

    // International: the address lines, last line first, over the city and
    // the street lines.
    if (!to.isDomestic()) {
        values.insert(QStringLiteral("ToCountry"), to.country());
        const QStringList lines = to.internationalAddressLines().value_or(QStringList());
        const QString keys[] = {QStringLiteral("ToCity"), QStringLiteral("ToAddress2"), QStringLiteral("ToAddress1"),
                                QStringLiteral("ToFirm")};
        for (int i = 0; i < 4 && i < lines.size(); ++i)
            values.insert(keys[i], lines.at(lines.size() - 1 - i));
    }

    if (reprint) {
        values.insert(QStringLiteral("Reprint"), true);
        values.insert(QStringLiteral("PieceCount"), shipment.objectForKey(QVUSPSShipmentRHOPieceCountKey));
    }
    if (!shipmentBool(shipment, QVUSPSShipmentPostageEnabledKey, true))
        values.insert(QStringLiteral("Postage"), QStringLiteral("0.00"));
    return std::make_shared<QVRHOIndiciumRequest>(values);
}
