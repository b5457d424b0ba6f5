#include "services/QVShipmentVLS.h"

#include "model/ClientServices.h"
#include "model/DataAdditions.h"
#include "model/QVShipment.h"
#include "model/StringAdditions.h"
#include "rates/QVShipmentUSPS.h"
#include "services/LabelServerXML.h"
#include "services/QVPostageServerAccount.h"
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
            shipment.setObject(balanceStringWithDecimalNumber(*balance, true), QVUSPSShipmentRHOBalanceKey);
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

QString balanceStringWithDecimalNumber(const Decimal &number, bool dollarSign)
{
    if (number.isNaN())
        return QStringLiteral("NaN");
    const Decimal rounded = number.rounded(3, Decimal::RoundingMode::Bankers);
    QString digits = rounded.abs().toString();
    qsizetype point = digits.indexOf(QLatin1Char('.'));
    if (point < 0) {
        digits += QStringLiteral(".00");
    } else {
        const qsizetype fraction = digits.size() - point - 1;
        if (fraction < 2)
            digits += QString(2 - fraction, QLatin1Char('0'));
    }
    point = digits.indexOf(QLatin1Char('.'));
    QString integer = digits.left(point);
    if (integer.isEmpty())
        integer = QStringLiteral("0");
    for (qsizetype at = integer.size() - 3; at > 0; at -= 3)
        integer.insert(at, QLatin1Char(','));
    const QString sign = rounded.isNegative() ? QStringLiteral("-") : QString();
    return sign + (dollarSign ? QStringLiteral("$") : QString()) + integer + digits.mid(point);
}

void installLabelServerServices() { setLabelServerServices(std::make_shared<LabelServerServices>()); }
