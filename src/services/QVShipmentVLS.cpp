#include "services/QVShipmentVLS.h"

#include "model/ClientServices.h"
#include "model/DataAdditions.h"
#include "model/QVShipment.h"
#include "model/StringAdditions.h"
#include "rates/QVShipmentUSPS.h"
#include "services/LabelServerXML.h"
#include "services/QVPostageServerAccount.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOResponse.h"
#include "services/QVRHOLabelServerCommandCenter.h"

#include <QList>
#include <QPair>

namespace {

std::optional<Decimal> decimalFromText(const QString &text)
{
    if (text.trimmed().isEmpty())
        return std::nullopt;
    std::optional<Decimal> number = Decimal::parse(text.trimmed());
    if (!number || number->isNaN())
        return std::nullopt;
    return number;
}

class LabelServerServices final : public QVLabelServerServices
{
public:
    Decimal VLSPrice(const QVShipment &shipment) override { return ::VLSPrice(shipment); }
};

} // namespace

Decimal VLSPriceFromReply(const QVXMLDocument &reply)
{
    return decimalFromText(qv_stringForAnyPrefixXPath(reply, QStringLiteral("//*:Postage/@*:TotalAmount")))
        .value_or(Decimal::zero());
}

Decimal VLSPrice(const QVShipment &shipment)
{
    const std::optional<QVXMLDocument> reply =
        QVRHOLabelServerCommandCenter::commandCenter()->rateRequestForShipment(shipment);
    return reply ? VLSPriceFromReply(*reply) : Decimal::zero();
}

void takeValuesFromVLSLabelResponse(QVShipment &shipment, const QVXMLDocument &reply)
{
    static const QList<QPair<QString, QString>> table{
        {QStringLiteral("//*:BarcodeNumber"), QVUSPSShipmentBarcodeNumberKey},
        {QStringLiteral("//*:BarcodeDisplay"), QVUSPSShipmentDisplayLabelNumberKey},
        {QStringLiteral("//*:Banner"), QVUSPSShipmentDisplayLabelBannerKey},
        {QStringLiteral("//*:MailerID"), QVUSPSShipmentMailerIDKey},
        {QStringLiteral("//*:RDC"), QVUSPSShipmentRDCKey},
        {QStringLiteral("//*:TrackingNumber"), QVUSPSShipmentPICKey},
        {QStringLiteral("//*:DeliveryTimeDays"), QVUSPSShipmentDeliveryDaysKey},
        {QStringLiteral("//*:CustomsNumber"), QVUSPSShipmentCustomsBarcodeNumberKey},
        {QStringLiteral("//*:TransactionID"), QVUSPSShipmentRHOPieceCountKey},
        {QStringLiteral("//*:Fees/*:InsuredMail"), QVUSPSShipmentInsurancePriceKey},
    };
    for (const auto &[query, key] : table) {
        const QString text = qv_stringForAnyPrefixXPath(reply, query);
        if (text.isEmpty())
            shipment.removeObjectForKey(key);
        else
            shipment.setObject(text, key);
    }
    if (shipmentText(shipment, QVUSPSShipmentDeliveryDaysKey) == QLatin1String("0"))
        shipment.removeObjectForKey(QVUSPSShipmentDeliveryDaysKey);

    const QString origin = shipmentText(shipment, QVUSPSShipmentOriginServerKey);
    if (origin.isEmpty() || origin == QVUSPSShipmentOriginTolvane) {
        if (const std::optional<Decimal> balance =
                decimalFromText(qv_stringForAnyPrefixXPath(reply, QStringLiteral("//*:PostageBalance"))))
            shipment.setObject(QVRHOResponse::balanceStringWithDecimalNumber(*balance, true),
                               QVUSPSShipmentRHOBalanceKey);
        shipment.setObject(QVariant::fromValue(qulonglong(unsignedLongLongValue(postageServerAccount()->userid()))),
                           QVUSPSShipmentRHOAccountKey);
    }

    if (shipmentBool(shipment, QVUSPSShipmentPostageEnabledKey)) {
        if (const std::optional<Decimal> postage =
                decimalFromText(qv_stringForAnyPrefixXPath(reply, QStringLiteral("//*:FinalPostage"))))
            shipment.setTotalPrice(*postage);
        const QString indicium = qv_stringForAnyPrefixXPath(reply, QStringLiteral("//*:Indicium"));
        if (!indicium.isEmpty()) {
            if (const std::optional<QByteArray> data = dataWithHexString(indicium))
                shipment.setObject(*data, QVUSPSShipmentRHOIndiciumDataKey);
        }
    }
}

void installLabelServerServices()
{
    setLabelServerServices(std::make_shared<LabelServerServices>());
    // Every vendor client sends the label-server client's headers.
    QVRHOCommandCenter::setVendorHeaderProvider(
        [] { return QVRHOLabelServerCommandCenter::commandCenter()->additionalHeaderDictionaryForShipment(nullptr); });
}
