#pragma once
// What the mailing-log window and batch tracking ask of the server clients:
// USPS tracking (one piece, and the prepared request of a batch), the
// electronic refund of one piece through the vendor's label server or the
// partner label service, the postage server's refund of a piece count, and
// the web-store request that reverts a sale; for reprints, the postage
// server's indicium issued again and the print manager's print of a saved
// label-server reply. The base class goes to the
// program's shared clients; tests give a fake or point the clients at local
// servers.
#include "model/XMLDocument.h"
#include "platform/HttpClient.h"
#include "printing/layouts/QVPrintManager.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <optional>

// What the postage server answered to a refund of a piece count.
struct QVPostageRefundOutcome {
    bool replied = false;  // a reply record came back
    bool accepted = false; // its return code is success
    QString message;       // the refusal's text (or the failure's)
};

class QVMailingLogWindowServices
{
public:
    virtual ~QVMailingLogWindowServices() = default;

    // USPS Web Tools: the "TrackV2" summary and the detailed "TrackV2Field"
    // reply as dictionaries; nothing on failure (see uspsLastErrorDescription).
    virtual std::optional<QVariantMap> trackResponseForID(const QString &trackingNumber);
    virtual std::optional<QVariantMap> trackFieldResponseForID(const QString &trackingNumber);
    virtual QString uspsLastErrorDescription();
    // The prepared detailed request for up to ten numbers, not sent.
    virtual HttpRequest trackFieldRequestForIDs(const QStringList &trackingNumbers);

    // The vendor's label server: refund of a piece count; the partner label
    // service: refund of a tracking number. Nothing when no reply came;
    // labelServerLastErrorDescription then says why.
    virtual std::optional<QVXMLDocument> electronicRefundPieceCount(unsigned pieceNumber);
    virtual std::optional<QVXMLDocument> electronicRefundTrackingNumber(const QString &trackingNumber);
    virtual QString labelServerLastErrorDescription(bool partner);

    // The postage server's refund transaction for a piece count.
    virtual QVPostageRefundOutcome postageElectronicRefund(qint64 pieceNumber);

    // The web-store service's RevertSales request for the store and the
    // tracking number, not sent.
    virtual HttpRequest revertSalesRequest(const QString &storeId, const QString &trackingNumber);

    // The postage server issues the indicium of a logged piece again (same
    // piece count); the shipment's ship date becomes the reprint's. Nothing
    // when refused (the client has shown its alert) or when the reply does
    // not match the piece.
    virtual std::optional<QByteArray> reprintDataWithShipment(QVShipment &shipment);
    // Prints the label parts of a saved label-server reply whose index lies
    // in the range, for the label type (QVPrintManager).
    virtual bool printLabelServerXML(const QVXMLDocument &document, const QVShipment &shipment,
                                     const QString &labelType, const tolvane::QVLabelRange &range);
    // The meter ID of the postage server's last valid status reply.
    virtual QString meterID();
};

// The services of the log windows made from now on (the base class when
// nothing is registered).
void setMailingLogWindowServices(std::shared_ptr<QVMailingLogWindowServices> services);
std::shared_ptr<QVMailingLogWindowServices> mailingLogWindowServices();
