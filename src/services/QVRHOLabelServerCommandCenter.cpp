#include "services/QVRHOLabelServerCommandCenter.h"

#include "model/QVShipment.h"
#include "model/StringAdditions.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"
#include "rates/QVShipmentUSPS.h"
#include "services/LabelServerXML.h"
#include "services/QVLabelNumberTables.h"
#include "services/QVPostageServerAccount.h"

#include <QDateTime>
#include <QTimeZone>
#include <QUrl>
#include <QUuid>

#include <mutex>

namespace {

const QString kFormContentType = QStringLiteral("application/x-www-form-urlencoded; charset=utf-8");
const QString kLabelServicePath = QStringLiteral("/LabelService/EwsLabelService.asmx/");

bool defaultsBool(const QString &key) { return UserDefaults::standardUserDefaults().boolForKey(key); }

QString trimmed(const QString &text) { return text.trimmed(); }

// "CustomsID" for a customs number (it begins with "E", "C" or "L"), else
// "PICNumber".
QString numberElementName(const QString &number)
{
    return number.startsWith(QLatin1Char('E')) || number.startsWith(QLatin1Char('C')) ||
            number.startsWith(QLatin1Char('L'))
        ? QStringLiteral("CustomsID")
        : QStringLiteral("PICNumber");
}

} // namespace

QString QVRHOLabelServerCommandCenter_adjustedPathForTestServer(const QString &path, bool) { return path; }

QVRHOLabelServerCommandCenter::QVRHOLabelServerCommandCenter()
    : m_requesterID(QStringLiteral("qzvt")), m_supplementalPath(QStringLiteral("/VLS/VLSServices.cfc"))
{}

// ---- Fields ---------------------------------------------------------------

QString QVRHOLabelServerCommandCenter::requesterID() const { return m_requesterID; }
void QVRHOLabelServerCommandCenter::setRequesterID(const QString &requesterID) { m_requesterID = requesterID; }

QString QVRHOLabelServerCommandCenter::supplementalServer() const
{
    return m_supplementalServer.isNull() ? postageServerAccount()->websiteServerName() : m_supplementalServer;
}
void QVRHOLabelServerCommandCenter::setSupplementalServer(const QString &server) { m_supplementalServer = server; }
QString QVRHOLabelServerCommandCenter::supplementalPath() const { return m_supplementalPath; }
void QVRHOLabelServerCommandCenter::setSupplementalPath(const QString &path) { m_supplementalPath = path; }

QString QVRHOLabelServerCommandCenter::userid() const { return postageServerAccount()->userid(); }
QString QVRHOLabelServerCommandCenter::password() const { return postageServerAccount()->password(); }

QString QVRHOLabelServerCommandCenter::server() const
{
    const QString configured = UserDefaults::standardUserDefaults().stringForKey(QVLabelServiceServerDefaultsKey);
    return configured.isEmpty() ? QVCommandCenter::server() : configured;
}

// ---- Request ids -------------------------------------------------------------

QString QVRHOLabelServerCommandCenter::newRequestID()
{
    static std::mutex mutex;
    static qint64 last = std::numeric_limits<qint64>::min();
    static const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
    qint64 micro = reference.msecsTo(QDateTime::currentDateTimeUtc()) * 1000;
    {
        std::lock_guard lock(mutex);
        if (micro <= last)
            micro = last + 1;
        last = micro;
    }
    // "%f": six decimals.
    const bool negative = micro < 0;
    const quint64 magnitude = negative ? quint64(-micro) : quint64(micro);
    return QStringLiteral("%1%2.%3")
        .arg(negative ? QStringLiteral("-") : QString())
        .arg(magnitude / 1000000)
        .arg(magnitude % 1000000, 6, 10, QLatin1Char('0'));
}

// ---- Vendor headers ------------------------------------------------------------

QVHeaderDictionary
QVRHOLabelServerCommandCenter::additionalHeaderDictionaryForShipment(const QVShipment *shipment) const
{
    QVHeaderDictionary headers;
    headers.insert(QStringLiteral("Tolvane-Account"), userid());
    headers.insert(QStringLiteral("Tolvane-Partner"), requesterID());
    QString software = QStringLiteral("TolvaneForMac");
    if (defaultsBool(QStringLiteral("kivoStampsVersion")))
        software =
            defaultsBool(QStringLiteral("zpmVersion")) ? QStringLiteral("ZPMMac") : QStringLiteral("KIVOStampsMac");
    headers.insert(QStringLiteral("Tolvane-Client-Software"), software);
    headers.insert(QStringLiteral("Tolvane-Client-Version"), Bundle::version());
    headers.insert(QStringLiteral("Tolvane-Client-LogId"),
                   QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    if (shipment)
        headers.insert(QStringLiteral("Tolvane-MailClass"),
                       mailClassForRateClass(shipmentText(*shipment, QVUSPSShipmentRateClassKey)));
    return headers;
}

// ---- Documents -------------------------------------------------------------------

void QVRHOLabelServerCommandCenter::addAuthenticationElementsToElement(QVXMLNode &element) const
{
    element.addChildElement(QStringLiteral("RequesterID"), requesterID());
    element.addChildElement(QStringLiteral("RequestID"), newRequestID());
    QVXMLNode intermediary = element.addChildElement(QStringLiteral("CertifiedIntermediary"));
    intermediary.addChildElement(QStringLiteral("AccountID"), userid());
    intermediary.addChildElement(QStringLiteral("PassPhrase"), password());
}

void QVRHOLabelServerCommandCenter::removeChildElementNamed(const QString &name, QVXMLNode &element)
{
    qv_removeChildElementsNamed(element, name);
}

QVXMLDocument QVRHOLabelServerCommandCenter::XMLForAccountStatus() const
{
    QVXMLDocument document = qv_documentWithRootName(QStringLiteral("AccountStatusRequest"));
    QVXMLNode root = document.rootElement();
    addAuthenticationElementsToElement(root);
    return document;
}

QVXMLDocument QVRHOLabelServerCommandCenter::XMLForPostageBuyAmount(const Decimal &amount) const
{
    QVXMLDocument document = qv_documentWithRootName(QStringLiteral("RecreditRequest"));
    QVXMLNode root = document.rootElement();
    addAuthenticationElementsToElement(root);
    root.addChildElement(QStringLiteral("RecreditAmount"), amount.toString());
    return document;
}

QVXMLDocument QVRHOLabelServerCommandCenter::XMLForRefundingTrackingNumber(const QString &number) const
{
    return XMLForRefundingTrackingNumber(number, 0);
}

QVXMLDocument QVRHOLabelServerCommandCenter::XMLForRefundingTrackingNumber(const QString &number,
                                                                           unsigned pieceCount) const
{
    QVXMLDocument document = qv_documentWithRootName(QStringLiteral("RefundRequest"));
    QVXMLNode root = document.rootElement();
    root.addChildElement(QStringLiteral("AccountID"), userid());
    root.addChildElement(QStringLiteral("PassPhrase"), password());
    root.addChildElement(QStringLiteral("Test"), QStringLiteral("N"));
    QVXMLNode list = root.addChildElement(QStringLiteral("RefundList"));
    if (pieceCount != 0) {
        list.addChildElement(QStringLiteral("PieceID"), QString::number(pieceCount));
    } else {
        const QString trimmedNumber = trimmed(number);
        list.addChildElement(numberElementName(trimmedNumber), trimmedNumber);
    }
    return document;
}

QVXMLDocument QVRHOLabelServerCommandCenter::V2_XMLForRefundingTrackingNumber(const QString &number,
                                                                              unsigned pieceCount) const
{
    QVXMLDocument document = qv_documentWithRootName(QStringLiteral("RefundRequest"));
    QVXMLNode root = document.rootElement();
    addAuthenticationElementsToElement(root);
    if (pieceCount != 0) {
        QVXMLNode numbers = root.addChildElement(QStringLiteral("PieceNumbers"));
        numbers.addChildElement(QStringLiteral("PieceNumber"), QString::number(pieceCount));
    } else if (!number.isNull()) {
        QVXMLNode numbers = root.addChildElement(QStringLiteral("PicNumbers"));
        numbers.addChildElement(QStringLiteral("PicNumber"), trimmed(number));
    }
    return document;
}

QVXMLDocument
QVRHOLabelServerCommandCenter::XMLForSCANFormWithShipments(const QList<std::shared_ptr<QVShipment>> &shipments) const
{
    QVXMLDocument document = qv_documentWithRootName(QStringLiteral("SCANRequest"));
    QVXMLNode root = document.rootElement();
    root.addChildElement(QStringLiteral("AccountID"), userid());
    root.addChildElement(QStringLiteral("PassPhrase"), password());
    root.addChildElement(QStringLiteral("Test"), QStringLiteral("Y"));
    root.addChildElement(QStringLiteral("ImageFormat"), QStringLiteral("PDF"));
    if (shipments.isEmpty())
        return document;
    QVXMLNode list = root.addChildElement(QStringLiteral("SCANList"));
    for (const std::shared_ptr<QVShipment> &shipment : shipments) {
        if (!shipment)
            continue;
        const QString pieceCount = shipmentText(*shipment, QVUSPSShipmentRHOPieceCountKey);
        if (!pieceCount.isEmpty() && unsignedLongLongValue(pieceCount) != 0) {
            list.addChildElement(QStringLiteral("PieceID"), QString::number(unsignedLongLongValue(pieceCount)));
            continue;
        }
        QString number = shipmentText(*shipment, QVUSPSShipmentPICKey);
        if (number.isEmpty())
            number = shipmentText(*shipment, QVUSPSShipmentCustomsBarcodeNumberKey);
        number = trimmed(number);
        if (!number.isEmpty())
            list.addChildElement(numberElementName(number), number);
    }
    return document;
}

// ---- Stamps -------------------------------------------------------------------------

namespace {

// The children of the StampRequest template, in order.
const QList<QPair<QString, QString>> &stampRequestTemplate()
{
    static const QList<QPair<QString, QString>> children{
        {QStringLiteral("MailpieceShape"), QStringLiteral("EMPTY")},
        {QStringLiteral("MailClass"), QStringLiteral("EMPTY")},
        {QStringLiteral("ToCountryCode"), QStringLiteral("US")},
        {QStringLiteral("WeightOz"), QStringLiteral("0")},
        {QStringLiteral("UseUserRate"), QStringLiteral("FALSE")},
        {QStringLiteral("UserRate"), QStringLiteral("0")},
        {QStringLiteral("Count"), QStringLiteral("1")},
        {QStringLiteral("Machinable"), QStringLiteral("FALSE")},
    };
    return children;
}

void addStampRequestChildren(QVXMLNode &element)
{
    for (const auto &[name, value] : stampRequestTemplate())
        element.addChildElement(name, value);
}

} // namespace

QVXMLDocument QVRHOLabelServerCommandCenter::nullStampRequestElement()
{
    QVXMLDocument document = qv_documentWithRootName(QStringLiteral("StampRequest"));
    QVXMLNode root = document.rootElement();
    addStampRequestChildren(root);
    return document;
}

QVXMLDocument QVRHOLabelServerCommandCenter::stampRequestElementForStampRequest(const QVariant &)
{
    return qv_documentWithRootName(QStringLiteral("StampRequest"));
}

QVXMLDocument QVRHOLabelServerCommandCenter::XMLForStampRequests(const QVariantList &stampRequests, const QString &,
                                                                 int, bool) const
{
    // The stamps service's own document is not settled: the template is sent
    // once per stamp request inside a root element.
    QVXMLDocument document = qv_documentWithRootName(QStringLiteral("StampsRequest"));
    QVXMLNode root = document.rootElement();
    for (qsizetype i = 0; i < stampRequests.size(); ++i) {
        QVXMLNode request = root.addChildElement(QStringLiteral("StampRequest"));
        addStampRequestChildren(request);
    }
    return document;
}

std::optional<QVXMLDocument> QVRHOLabelServerCommandCenter::stampsForStampRequests(const QVariantList &stampRequests,
                                                                                   const QString &mediaType, int copies,
                                                                                   bool sample)
{
    setPath(QVRHOLabelServerCommandCenter_adjustedPathForTestServer(
        QStringLiteral("/LabelService/KIVOStampsService.asmx/GetStampsXML"), postageServerAccount()->testServer()));
    return submitTransaction(XMLForStampRequests(stampRequests, mediaType, copies, sample),
                             QStringLiteral("stampsRequestXML"));
}

// ---- Operations ---------------------------------------------------------------------

std::optional<QVXMLDocument> QVRHOLabelServerCommandCenter::labelForShipment(const QVShipment &shipment, bool test,
                                                                             const QVariantMap &labelAttributes)
{
    setPath(QVRHOLabelServerCommandCenter_adjustedPathForTestServer(
        kLabelServicePath + QStringLiteral("GetPostageLabelXML"), postageServerAccount()->testServer()));
    const QVXMLDocument document = XMLForShipment(shipment, test, labelAttributes);
    QVHeaderDictionary headers = additionalHeaderDictionaryForShipment(&shipment);
    if (labelAttributes.value(QVNumberOnlyAttributeKey).toBool()) {
        headers.insert(QStringLiteral("SOFTWARE-ID"), QStringLiteral("TolvaneForMac"));
        headers.insert(QStringLiteral("USER-NAME"), QStringLiteral("TolvaneForMac"));
        headers.insert(QStringLiteral("USER-SECRET"), QStringLiteral("Wq4ntRz7Lp2"));
    }
    return submitTransaction(document, QStringLiteral("labelRequestXML"), headers);
}

HttpRequest QVRHOLabelServerCommandCenter::URLRequestForRateRequestForShipment(const QVShipment &shipment)
{
    setPath(QVRHOLabelServerCommandCenter_adjustedPathForTestServer(
        kLabelServicePath + QStringLiteral("CalculatePostageRateXML"), postageServerAccount()->testServer()));
    return URLRequestForTransaction(XMLForRateRequestForShipment(shipment), QStringLiteral("postageRateRequestXML"));
}

std::optional<QVXMLDocument> QVRHOLabelServerCommandCenter::rateRequestForShipment(const QVShipment &shipment)
{
    if (!checkServer(server()))
        return std::nullopt;
    return responseDocumentForURLRequest(URLRequestForRateRequestForShipment(shipment));
}

std::optional<QVXMLDocument> QVRHOLabelServerCommandCenter::accountStatus()
{
    setPath(QVRHOLabelServerCommandCenter_adjustedPathForTestServer(
        kLabelServicePath + QStringLiteral("GetAccountStatusXML"), postageServerAccount()->testServer()));
    return submitTransaction(XMLForAccountStatus(), QStringLiteral("accountStatusRequestXML"));
}

std::optional<QVXMLDocument> QVRHOLabelServerCommandCenter::postageBuyForAmount(const Decimal &amount)
{
    setPath(QVRHOLabelServerCommandCenter_adjustedPathForTestServer(kLabelServicePath + QStringLiteral("BuyPostageXML"),
                                                                    postageServerAccount()->testServer()));
    return submitTransaction(XMLForPostageBuyAmount(amount), QStringLiteral("recreditRequestXML"));
}

std::optional<QVXMLDocument> QVRHOLabelServerCommandCenter::electronicRefundPieceCount(unsigned pieceNumber)
{
    setPath(QVRHOLabelServerCommandCenter_adjustedPathForTestServer(kLabelServicePath + QStringLiteral("GetRefundXML"),
                                                                    postageServerAccount()->testServer()));
    std::optional<QVXMLDocument> reply =
        submitTransaction(V2_XMLForRefundingTrackingNumber(QString(), pieceNumber), QStringLiteral("refundRequestXML"));
    if (reply)
        debugLog(qv_prettyXMLString(*reply));
    return reply;
}

std::optional<QVXMLDocument> QVRHOLabelServerCommandCenter::electronicRefundTrackingNumber(const QString &number)
{
    return submitSupplementalTransaction(XMLForRefundingTrackingNumber(number), QStringLiteral("RefundRequest"));
}

std::optional<QVXMLDocument>
QVRHOLabelServerCommandCenter::SCANFormForShipments(const QList<std::shared_ptr<QVShipment>> &shipments)
{
    return submitSupplementalTransaction(XMLForSCANFormWithShipments(shipments), QStringLiteral("SCANRequest"));
}

// ---- Transport ------------------------------------------------------------------------

void QVRHOLabelServerCommandCenter::noteReplyStatus(const QVXMLDocument &reply)
{
    const QString status = qv_stringForAnyPrefixXPath(reply, QStringLiteral("//*:Status")).trimmed();
    if (status.isEmpty() || status == QLatin1String("0"))
        return;
    QString message = qv_stringForAnyPrefixXPath(reply, QStringLiteral("//*:ErrorMessage"));
    if (message.isEmpty())
        message = qv_stringForAnyPrefixXPath(reply, QStringLiteral("//*:ErrorMsg"));
    setLastError(status, message);
}

QByteArray QVRHOLabelServerCommandCenter::escapedFormValue(const QString &text)
{
    // Letters, digits and "-._~" stay; everything else, ";/?:@&=+,$"
    // included, is escaped.
    return QUrl::toPercentEncoding(text);
}

QString QVRHOLabelServerCommandCenter::documentTextForLog(const QVXMLDocument &document)
{
    QVXMLDocument copy = qv_copyDocument(document);
    qv_removeDescendantElementsNamed(copy.rootElement(), QStringLiteral("PassPhrase"));
    return qv_prettyXMLString(copy);
}

void QVRHOLabelServerCommandCenter::logRequest(const QString &url, const QVXMLDocument &document,
                                               const QVHeaderDictionary &headers, const QByteArray &body) const
{
    if (!defaultsBool(QVLogDebugInfoDefaultsKey))
        return;
    QString text;
    for (auto field = headers.constBegin(); field != headers.constEnd(); ++field)
        text += field.key() + QStringLiteral(": ") + field.value() + QLatin1Char('\n');
    text += url + QLatin1Char('\n') + documentTextForLog(document);
    if (!body.isEmpty())
        text += QLatin1Char('\n') + QString::fromUtf8(body);
    // The base class takes the pass phrase out of whatever else holds it.
    debugLog(text);
}

bool QVRHOLabelServerCommandCenter::checkServer(const QString &server)
{
    if (!server.isEmpty())
        return true;
    setLastError(
        QStringLiteral("-1"),
        QStringLiteral("No label-server host is set (user default \"%1\").").arg(QVLabelServiceServerDefaultsKey));
    return false;
}

HttpRequest QVRHOLabelServerCommandCenter::URLRequestForTransaction(const QVXMLDocument &document,
                                                                    const QString &formField)
{
    return URLRequestForTransaction(document, formField, additionalHeaderDictionaryForShipment(nullptr));
}

HttpRequest QVRHOLabelServerCommandCenter::URLRequestForTransaction(const QVXMLDocument &document,
                                                                    const QString &formField,
                                                                    const QVHeaderDictionary &extraHeaders)
{
    const QByteArray body = formField.toUtf8() + '=' + escapedFormValue(qv_XMLString(document));
    const QString url = QStringLiteral("https://") + server() + path();
    QVHeaderDictionary headers;
    headers.insert(QStringLiteral("Content-Type"), kFormContentType);
    for (auto field = extraHeaders.constBegin(); field != extraHeaders.constEnd(); ++field)
        headers.insert(field.key(), field.value());
    logRequest(url, document, headers);
    return URLRequestForPostData(body, QUrl(url), headers);
}

std::optional<QVXMLDocument> QVRHOLabelServerCommandCenter::submitTransaction(const QVXMLDocument &document,
                                                                              const QString &formField)
{
    return submitTransaction(document, formField, additionalHeaderDictionaryForShipment(nullptr));
}

std::optional<QVXMLDocument> QVRHOLabelServerCommandCenter::submitTransaction(const QVXMLDocument &document,
                                                                              const QString &formField,
                                                                              const QVHeaderDictionary &extraHeaders)
{
    if (!checkServer(server()))
        return std::nullopt;
    return responseDocumentForURLRequest(URLRequestForTransaction(document, formField, extraHeaders));
}

std::optional<QVXMLDocument> QVRHOLabelServerCommandCenter::documentFromReply(const QByteArray &reply,
                                                                              bool logReplyText)
{
    QString error;
    std::optional<QVXMLDocument> document = QVXMLDocument::fromData(reply, &error);
    if (document) {
        noteReplyStatus(*document);
        return document;
    }
    if (logReplyText)
        debugLog(QString::fromUtf8(reply));
    setLastError(QStringLiteral("-1"), error);
    return std::nullopt;
}

std::optional<QVXMLDocument> QVRHOLabelServerCommandCenter::responseDocumentForURLRequest(const HttpRequest &request)
{
    const std::optional<QByteArray> reply = submitURLRequest(request);
    if (!reply)
        return std::nullopt;
    return documentFromReply(*reply, true);
}

std::optional<QVXMLDocument> QVRHOLabelServerCommandCenter::submitSupplementalTransaction(const QVXMLDocument &document,
                                                                                          const QString &method)
{
    const QString host = supplementalServer();
    if (host.isEmpty()) {
        setLastError(QStringLiteral("-1"), QStringLiteral("No vendor web-site host is set."));
        return std::nullopt;
    }
    QString text = qv_XMLString(document);
    text.replace(QLatin1Char('+'), QStringLiteral("%2B"));
    const QByteArray body = QByteArrayLiteral("XMLInput=") + escapedFormValue(text);
    const QString url = QStringLiteral("https://") + host + supplementalPath() + QStringLiteral("?&method=") + method;
    QVHeaderDictionary headers = additionalHeaderDictionaryForShipment(nullptr);
    headers.insert(QStringLiteral("Content-Type"), kFormContentType);
    logRequest(url, document, {}, body);
    const std::optional<QByteArray> reply = postData(body, QUrl(url), headers);
    if (!reply)
        return std::nullopt;
    return documentFromReply(*reply, false);
}
