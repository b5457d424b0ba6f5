// The postage-server client's indicium data for a shipment about to be
// printed, and the indicium of a logged shipment printed again.
#include "services/QVRHOCommandCenter.h"

#include "model/QVShipment.h"
#include "platform/Dialogs.h"
#include "services/QVRHOIndiciumRequest.h"

#include <QtEndian>

std::optional<QByteArray> QVRHOCommandCenter::indiciumDataWithShipment(QVShipment &shipment)
{
    const auto account = status();
    if (!account || account->returnCode() != 1)
        return std::nullopt;
    const std::shared_ptr<const QVRHOIndiciumRequest> request =
        QVRHOIndiciumRequest::indiciumRequestWithShipment(shipment);
    const auto reply = createIndicium(request);
    if (!reply || reply->returnCode() != 1)
        return std::nullopt;
    shipment.setObject(qint64(reply->serialNumber()), QVUSPSShipmentRHOAccountKey);
    shipment.setObject(qint64(reply->piececount()), QVUSPSShipmentRHOPieceCountKey);
    shipment.setObject(reply->balanceString(), QVUSPSShipmentRHOBalanceKey);
    shipment.setObject(reply->meterID(), QVUSPSShipmentRHODeviceIDKey);

    QByteArray data = reply->indicium();
    const qint32 tenths = request->weightTenthOunce();
    data.append(char(quint8((tenths / 10) % 16)));
    data.append(char(quint8(tenths / 160)));
    char zip[4];
    qToLittleEndian<qint32>(request->mailedFromZIP5(), zip);
    data.append(zip, 4);
    return data;
}

std::optional<QByteArray> QVRHOCommandCenter::reprintDataWithShipment(QVShipment &shipment)
{
    const auto request = QVRHOIndiciumRequest::indiciumRequestWithShipment(shipment, true);
    const QVariant pieceCount = shipment.objectForKey(QVUSPSShipmentRHOPieceCountKey);
    const auto reply = reprintIndicium(pieceCount.toLongLong());
    if (!reply || reply->returnCode() != 1) {
        const int code = reply ? int(reply->returnCode()) : lastErrorCode().toInt();
        Alert alert;
        alert.messageText = QStringLiteral("Could not complete transaction.");
        alert.informativeText = QStringLiteral("Tolvane was unable to reprint postage.\n\nError %1").arg(code);
        alert.buttons = {{QStringLiteral("OK"), 1}};
        alert.cancelAnswer = 1;
        runAlert(alert);
        return std::nullopt;
    }
    if (qint64(reply->piececount()) != pieceCount.toLongLong())
        return std::nullopt;
    if (!request->isInternational() &&
        reply->referenceID().left(5) != request->objectForKey(QStringLiteral("ToZip5")).toString())
        return std::nullopt;
    const auto mils = request->amountMils();
    if (!mils || reply->transactionAmountMils() != *mils)
        return std::nullopt;
    shipment.setObject(reply->returnDateTimeReprint(), QVShipmentShipDateKey);
    QByteArray data = reply->indicium();
    return data;
}
