#include "mailinglog/window/QVMailingLogWindowServices.h"

#include "platform/ServiceSlot.h"
#include "printing/PrintingServices.h"
#include "services/QVBRKLabelServerCommandCenter.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOLabelServerCommandCenter.h"
#include "services/QVRHOResponse.h"
#include "services/usps/QVUSPSCommandCenter.h"
#include "sources/QVRHOWebStoreCommandCenter.h"

#include <QtDebug>

std::optional<QVariantMap> QVMailingLogWindowServices::trackResponseForID(const QString &trackingNumber)
{
    return QVUSPSCommandCenter::commandCenter()->trackResponseForID(trackingNumber);
}

std::optional<QVariantMap> QVMailingLogWindowServices::trackFieldResponseForID(const QString &trackingNumber)
{
    return QVUSPSCommandCenter::commandCenter()->trackFieldResponseForID(trackingNumber);
}

QString QVMailingLogWindowServices::uspsLastErrorDescription()
{
    return QVUSPSCommandCenter::commandCenter()->lastErrorDescription();
}

HttpRequest QVMailingLogWindowServices::trackFieldRequestForIDs(const QStringList &trackingNumbers)
{
    return QVUSPSCommandCenter::commandCenter()->URLRequestForTrackFieldAPIWithIDs(trackingNumbers);
}

std::optional<QByteArray> QVMailingLogWindowServices::reprintDataWithShipment(QVShipment &shipment)
{
    return QVRHOCommandCenter::commandCenter()->reprintDataWithShipment(shipment);
}

bool QVMailingLogWindowServices::printLabelServerXML(const QVXMLDocument &document, const QVShipment &shipment,
                                                     const QString &labelType, const tolvane::QVLabelRange &range)
{
    tolvane::QVPrintManager manager;
    const bool printed = manager.printLabelServerXML(document, shipment, labelType, range);
    if (!printed)
        qWarning().noquote() << "The saved label did not print:" << manager.errorString();
    return printed;
}

QString QVMailingLogWindowServices::meterID() { return printingPostageServices()->meterID(); }

std::optional<QVXMLDocument> QVMailingLogWindowServices::electronicRefundPieceCount(unsigned pieceNumber)
{
    return QVRHOLabelServerCommandCenter::commandCenter()->electronicRefundPieceCount(pieceNumber);
}

std::optional<QVXMLDocument> QVMailingLogWindowServices::electronicRefundTrackingNumber(const QString &trackingNumber)
{
    return QVBRKLabelServerCommandCenter::commandCenter()->electronicRefundTrackingNumber(trackingNumber);
}

QString QVMailingLogWindowServices::labelServerLastErrorDescription(bool partner)
{
    return partner ? QVBRKLabelServerCommandCenter::commandCenter()->lastErrorDescription()
                   : QVRHOLabelServerCommandCenter::commandCenter()->lastErrorDescription();
}

QVPostageRefundOutcome QVMailingLogWindowServices::postageElectronicRefund(qint64 pieceNumber)
{
    const std::shared_ptr<QVRHOCommandCenter> client = QVRHOCommandCenter::commandCenter();
    // An empty reply sets no error of its own: it must not show the reason
    // of an earlier failure.
    client->setLastError(QString(), QString());
    const std::shared_ptr<QVRHOResponse> reply = client->electronicRefund(pieceNumber);
    QVPostageRefundOutcome outcome;
    outcome.replied = reply != nullptr;
    outcome.accepted = reply && reply->returnCode() == 1;
    if (!outcome.accepted)
        outcome.message = client->lastErrorDescription();
    // A refusal whose code has no text is still the server's answer.
    if (reply && !outcome.accepted && outcome.message.isEmpty())
        outcome.message =
            QStringLiteral("The postage server refused the refund (return code %1).").arg(reply->returnCode());
    return outcome;
}

HttpRequest QVMailingLogWindowServices::revertSalesRequest(const QString &storeId, const QString &trackingNumber)
{
    return QVRHOWebStoreCommandCenter::commandCenter()->revertSalesRequestForStore(storeId, trackingNumber);
}

namespace {
using ServicesSlot = ServiceSlot<QVMailingLogWindowServices, QVMailingLogWindowServices>;
}

void setMailingLogWindowServices(std::shared_ptr<QVMailingLogWindowServices> services)
{
    ServicesSlot::shared().registered = std::move(services);
}

std::shared_ptr<QVMailingLogWindowServices> mailingLogWindowServices() { return ServicesSlot::shared().current(); }
