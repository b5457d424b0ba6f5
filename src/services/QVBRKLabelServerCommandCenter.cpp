#include "services/QVBRKLabelServerCommandCenter.h"

#include "model/ClientServices.h"
#include "model/QVShipment.h"
#include "platform/UserDefaults.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "services/LabelServerXML.h"
#include "services/QVShipmentVLS.h"

#include <QUrl>

namespace {

const QString kPartnerPath = QStringLiteral("/Services/EwsLabelService.svc");

QString defaultsString(const QString &key) { return UserDefaults::standardUserDefaults().stringForKey(key); }

class PartnerLabelServices final : public QVPartnerLabelServices
{
public:
    bool isAllowed() override { return QVBRKLabelServerCommandCenter::isAllowed(); }
    bool isAuthenticated() override { return QVBRKLabelServerCommandCenter::isAuthenticated(); }
};

} // namespace

QVBRKLabelServerCommandCenter::QVBRKLabelServerCommandCenter() { setPath(kPartnerPath); }

bool QVBRKLabelServerCommandCenter::isAllowed()
{
    return UserDefaults::standardUserDefaults().boolForKey(QVBRKEnabledDefaultsKey);
}

bool QVBRKLabelServerCommandCenter::isAuthenticated() { return true; }

QString QVBRKLabelServerCommandCenter::server() const { return defaultsString(QVBRKServerDefaultsKey); }
QString QVBRKLabelServerCommandCenter::requesterID() const { return defaultsString(QVBRKRequesterIDDefaultsKey); }
QString QVBRKLabelServerCommandCenter::userid() const { return defaultsString(QVBRKAccountIDDefaultsKey); }
QString QVBRKLabelServerCommandCenter::password() const { return defaultsString(QVBRKPasswordDefaultsKey); }

QString QVBRKLabelServerCommandCenter::scheme() const
{
    const QString marker = defaultsString(QVBRKDevelopmentHostMarkerDefaultsKey);
    return !marker.isEmpty() && server().contains(marker) ? QStringLiteral("http://") : QStringLiteral("https://");
}

QString QVBRKLabelServerCommandCenter::serviceNamespace()
{
    QString value = defaultsString(QVBRKServiceNamespaceDefaultsKey);
    while (value.endsWith(QLatin1Char('/')))
        value.chop(1);
    return value;
}

QString QVBRKLabelServerCommandCenter::SOAPActionForOperation(const QString &operation)
{
    return serviceNamespace() + QStringLiteral("/IEwsLabelService/") + operation;
}

// ---- Envelope --------------------------------------------------------------------

void QVBRKLabelServerCommandCenter::modifyXMLDoc(QVXMLDocument &document, const QString &operation)
{
    modifyXMLDoc(document, operation, QStringLiteral("request"));
}

void QVBRKLabelServerCommandCenter::modifyXMLDoc(QVXMLDocument &document, const QString &operation,
                                                 const QString &rootName)
{
    qv_wrapInSOAPEnvelope(document, operation, rootName, serviceNamespace());
}

QVXMLDocument QVBRKLabelServerCommandCenter::documentWrappedAsText(const QVXMLDocument &document)
{
    QVXMLDocument wrapped = qv_documentWithRootName(QStringLiteral("requestXml"));
    qv_addText(wrapped.rootElement(), qv_XMLString(document));
    return wrapped;
}

QString QVBRKLabelServerCommandCenter::envelopeTextForLog(const QVXMLDocument &envelope)
{
    QVXMLDocument copy = qv_copyDocument(envelope);
    qv_removeDescendantElementsNamed(copy.rootElement(), QStringLiteral("PassPhrase"));
    // A document carried as text: the text replaced by its own copy without
    // the pass phrase (or dropped when it is not a document).
    const QVXMLNode carried = qv_nodeForAnyPrefixXPath(copy.rootElement(), QStringLiteral("//*:requestXml"));
    if (!carried.isNull()) {
        const std::optional<QVXMLDocument> inner = QVXMLDocument::fromData(carried.stringValue().toUtf8());
        QString replacement;
        if (inner)
            replacement = QStringLiteral("\n") + documentTextForLog(*inner) + QStringLiteral("\n");
        qv_setTextContent(carried, replacement);
    }
    return qv_prettyXMLString(copy);
}

// ---- Transport ----------------------------------------------------------------------

std::optional<QVXMLDocument> QVBRKLabelServerCommandCenter::submitSOAPTransaction(const QVXMLDocument &envelope,
                                                                                  const QString &operation)
{
    const QString host = server();
    if (host.isEmpty()) {
        setLastError(QStringLiteral("-1"),
                     QStringLiteral("No partner server is set (user default \"%1\").").arg(QVBRKServerDefaultsKey));
        return std::nullopt;
    }
    if (serviceNamespace().isEmpty()) {
        setLastError(QStringLiteral("-1"),
                     QStringLiteral("No partner service namespace is set (user default \"%1\").")
                         .arg(QVBRKServiceNamespaceDefaultsKey));
        return std::nullopt;
    }
    const QString url = scheme() + host + path();
    debugLog(url + QLatin1Char('\n') + envelopeTextForLog(envelope));
    QVHeaderDictionary headers;
    headers.insert(QStringLiteral("Content-Type"), QStringLiteral("text/xml; charset=utf-8"));
    headers.insert(QStringLiteral("SOAPAction"), SOAPActionForOperation(operation));
    const std::optional<QByteArray> reply = postData(envelope.xmlData(), QUrl(url), headers);
    if (!reply)
        return std::nullopt;
    return documentFromReply(*reply, true);
}

std::optional<QVXMLDocument> QVBRKLabelServerCommandCenter::accountStatus()
{
    QVXMLDocument document = XMLForAccountStatus();
    modifyXMLDoc(document, QStringLiteral("GetAccountStatus"));
    return submitSOAPTransaction(document, QStringLiteral("GetAccountStatus"));
}

std::optional<QVXMLDocument> QVBRKLabelServerCommandCenter::postageBuyForAmount(const Decimal &amount)
{
    QVXMLDocument document = XMLForPostageBuyAmount(amount);
    modifyXMLDoc(document, QStringLiteral("BuyPostage"));
    return submitSOAPTransaction(document, QStringLiteral("BuyPostage"));
}

std::optional<QVXMLDocument> QVBRKLabelServerCommandCenter::labelForShipment(const QVShipment &shipment, bool test,
                                                                             const QVariantMap &labelAttributes)
{
    QVXMLDocument document = XMLForShipment(shipment, test, labelAttributes);
    QVXMLNode root = document.rootElement();
    removeChildElementNamed(QStringLiteral("CustomsSendersCopy"), root);
    modifyXMLDoc(document, QStringLiteral("GetPostageLabel"));
    return submitSOAPTransaction(document, QStringLiteral("GetPostageLabel"));
}

std::optional<QVXMLDocument> QVBRKLabelServerCommandCenter::rateRequestForShipment(const QVShipment &shipment)
{
    QVXMLDocument document = XMLForRateRequestForShipment(shipment);
    QVXMLNode root = document.rootElement();
    removeChildElementNamed(QStringLiteral("CostCenter"), root);
    modifyXMLDoc(document, QStringLiteral("CalculatePostageRate"));
    std::optional<QVXMLDocument> reply = submitSOAPTransaction(document, QStringLiteral("CalculatePostageRate"));
    if (reply)
        debugLog(qv_prettyXMLString(*reply));
    return reply;
}

std::optional<QVXMLDocument> QVBRKLabelServerCommandCenter::submitWrappedText(const QVXMLDocument &document,
                                                                              const QString &operation,
                                                                              const QString &resultName)
{
    QVXMLDocument wrapped = documentWrappedAsText(document);
    modifyXMLDoc(wrapped, operation, QStringLiteral("requestXml"));
    std::optional<QVXMLDocument> reply = submitSOAPTransaction(wrapped, operation);
    if (!reply)
        return std::nullopt;
    QString error;
    std::optional<QVXMLDocument> inner = innerReplyOfReply(*reply, resultName, &error);
    if (!inner)
        setLastError(QStringLiteral("-1"), error);
    else
        noteReplyStatus(*inner);
    return inner;
}

std::optional<QVXMLDocument> QVBRKLabelServerCommandCenter::innerReplyOfReply(const QVXMLDocument &reply,
                                                                              const QString &resultName, QString *error)
{
    const QVXMLNode result = qv_nodeForAnyPrefixXPath(reply.rootElement(), QStringLiteral("//*:") + resultName);
    if (result.isNull())
        return reply;
    return QVXMLDocument::fromData(result.stringValue().toUtf8(), error);
}

std::optional<QVXMLDocument> QVBRKLabelServerCommandCenter::electronicRefundTrackingNumber(const QString &number)
{
    return submitWrappedText(XMLForRefundingTrackingNumber(number), QStringLiteral("RefundRequest"),
                             QStringLiteral("RefundRequestResult"));
}

std::optional<QVXMLDocument>
QVBRKLabelServerCommandCenter::SCANFormForShipments(const QList<std::shared_ptr<QVShipment>> &shipments)
{
    return submitWrappedText(XMLForSCANFormWithShipments(shipments), QStringLiteral("SCANRequest"),
                             QStringLiteral("SCANRequestResult"));
}

// ---- The partner's view of a shipment --------------------------------------------------

Decimal briskoOnePrice(const QVShipment &shipment)
{
    if (!QVBRKLabelServerCommandCenter::isAllowed() || !QVBRKLabelServerCommandCenter::isAuthenticated())
        return Decimal::zero();
    const std::optional<QVXMLDocument> reply =
        QVBRKLabelServerCommandCenter::commandCenter()->rateRequestForShipment(shipment);
    return reply ? VLSPriceFromReply(*reply) : Decimal::zero();
}

bool isPossibleBriskoOne(const QVShipment &shipment)
{
    if (!QVBRKLabelServerCommandCenter::isAllowed() || !QVBRKLabelServerCommandCenter::isAuthenticated())
        return false;
    if (!shipmentBool(shipment, QVUSPSShipmentPostageEnabledKey))
        return false;
    const QString rateClass = shipmentText(shipment, QVUSPSShipmentRateClassKey);
    const bool carried = isPriorityMail(shipment) || isExpressMail(shipment) ||
        rateClass == QVUSPSIntlPriorityMailIntl || rateClass == QVUSPSIntlExpressMailIntl;
    if (!carried || isHoldForPickup(shipment))
        return false;
    const Decimal price = briskoOnePrice(shipment);
    if (price.isZero() || price.isNaN() || shipment.totalPrice() < price)
        return false;
    return shipmentText(shipment, QVUSPSShipmentInsuranceTypeKey) != QVUSPSShipmentTolvaneInsuranceType;
}

bool wasShippedBriskoOne(const QVShipment &shipment)
{
    if (shipmentText(shipment, QVUSPSShipmentBRKTransactionTypeKey) == QVUSPSShipmentBRKStampTransaction)
        return true;
    return shipmentText(shipment, QVUSPSShipmentOriginServerKey) == QVUSPSShipmentOriginBriskoOne;
}

void installPartnerLabelServices() { setPartnerLabelServices(std::make_shared<PartnerLabelServices>()); }
