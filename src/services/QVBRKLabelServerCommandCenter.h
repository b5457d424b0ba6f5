#pragma once
// QVBRKLabelServerCommandCenter: the client of the partner label service,
// which sells the label server's labels for some Priority Mail and Priority
// Mail Express pieces, sometimes for less. It builds exactly the label
// server's documents and sends each one in a SOAP 1.1 envelope to
// "<scheme>://" + server + "/Services/EwsLabelService.svc", with
// "Content-Type: text/xml; charset=utf-8" and
// "SOAPAction: <namespace>/IEwsLabelService/<operation>"; the vendor
// headers are not sent.
//
// Settings (user defaults, read on every use): "BRKServer" (host),
// "BRKRequesterID", "BRKAccountID", "BRKPassword" (the partner account),
// "briskoOneEnabled" (the service is allowed), and the two values the
// partner gives its users with the account: "BRKServiceNamespace" (the
// service's namespace URI, which ends in "/2010/06") and
// "BRKDevelopmentHostMarker" (a text that marks the partner's development
// hosts, which are reached over plain http; empty: every host over https).
// Without a server or a namespace no request is sent (nothing is answered,
// with an error saying which setting is missing).
//
// The refund and SCAN documents travel as text inside a "requestXml"
// element; their replies carry the answer as text in
// "RefundRequestResult" / "SCANRequestResult", which is parsed as a
// document of its own.
//
// The debug log never holds the partner pass phrase: the PassPhrase
// elements are removed, also inside the wrapped refund and SCAN text, and
// the base class removes every other field named like a pass phrase.
#include "services/QVRHOLabelServerCommandCenter.h"

inline const QString QVBRKServerDefaultsKey = QStringLiteral("BRKServer");
inline const QString QVBRKRequesterIDDefaultsKey = QStringLiteral("BRKRequesterID");
inline const QString QVBRKAccountIDDefaultsKey = QStringLiteral("BRKAccountID");
inline const QString QVBRKPasswordDefaultsKey = QStringLiteral("BRKPassword");
inline const QString QVBRKEnabledDefaultsKey = QStringLiteral("briskoOneEnabled");
inline const QString QVBRKServiceNamespaceDefaultsKey = QStringLiteral("BRKServiceNamespace");
inline const QString QVBRKDevelopmentHostMarkerDefaultsKey = QStringLiteral("BRKDevelopmentHostMarker");

// Shipment key and value of a piece shipped through the partner.
inline const QString QVUSPSShipmentBRKTransactionTypeKey = QStringLiteral("QVUSPSShipmentBRKTransactionTypeKey");
inline const QString QVUSPSShipmentBRKStampTransaction = QStringLiteral("QVUSPSShipmentBRKStampTransaction");

class QVBRKLabelServerCommandCenter : public QVRHOLabelServerCommandCenter
{
public:
    QVBRKLabelServerCommandCenter();
    static std::shared_ptr<QVBRKLabelServerCommandCenter> commandCenter()
    {
        return QVCommandCenter::commandCenter<QVBRKLabelServerCommandCenter>();
    }

    // "briskoOneEnabled".
    static bool isAllowed();
    // Always true.
    static bool isAuthenticated();

    QString server() const override;
    QString requesterID() const override;
    QString userid() const override;
    QString password() const override;
    // "http://" for a development host, else "https://".
    QString scheme() const;
    // The service namespace (setting), and the SOAPAction of an operation.
    static QString serviceNamespace();
    static QString SOAPActionForOperation(const QString &operation);

    std::optional<QVXMLDocument> accountStatus() override;
    std::optional<QVXMLDocument> postageBuyForAmount(const Decimal &amount) override;
    std::optional<QVXMLDocument> labelForShipment(const QVShipment &shipment, bool test,
                                                  const QVariantMap &labelAttributes) override;
    std::optional<QVXMLDocument> rateRequestForShipment(const QVShipment &shipment) override;
    std::optional<QVXMLDocument> electronicRefundTrackingNumber(const QString &number) override;
    std::optional<QVXMLDocument> SCANFormForShipments(const QList<std::shared_ptr<QVShipment>> &shipments) override;

    // The envelope (in place), with the root name "request" or the given one.
    static void modifyXMLDoc(QVXMLDocument &document, const QString &operation);
    static void modifyXMLDoc(QVXMLDocument &document, const QString &operation, const QString &rootName);
    // A new document whose root "requestXml" holds the document's XML text.
    static QVXMLDocument documentWrappedAsText(const QVXMLDocument &document);
    // Sends a wrapped document under the SOAP operation.
    std::optional<QVXMLDocument> submitSOAPTransaction(const QVXMLDocument &envelope, const QString &operation);
    // The envelope's text for the log: PassPhrase elements removed, also
    // from a document carried as text.
    static QString envelopeTextForLog(const QVXMLDocument &envelope);
    // The answer a reply carries as text in its element `resultName`
    // ("RefundRequestResult", "SCANRequestResult"), read as a document of its
    // own with the limits of every outside document; nothing, with the
    // reason in *error, when the text is not one. A reply without that
    // element is its own answer.
    static std::optional<QVXMLDocument> innerReplyOfReply(const QVXMLDocument &reply, const QString &resultName,
                                                          QString *error = nullptr);

private:
    std::optional<QVXMLDocument> submitWrappedText(const QVXMLDocument &document, const QString &operation,
                                                   const QString &resultName);
};

// ---- The partner's view of a shipment ------------------------------------
// The partner's price (a rate request to the partner's shared client):
// zero when the partner is not allowed, and when the reply has no price.
Decimal briskoOnePrice(const QVShipment &shipment);
// Whether the partner may ship the piece: allowed, postage enabled, Priority
// Mail or Priority Mail Express (international too) and not Hold For Pickup,
// a partner price that is not zero and not above the shipment's own total,
// and not insured by the vendor.
bool isPossibleBriskoOne(const QVShipment &shipment);
// Whether a logged shipment went through the partner.
bool wasShippedBriskoOne(const QVShipment &shipment);

// Registers the partner client through setPartnerLabelServices.
void installPartnerLabelServices();
