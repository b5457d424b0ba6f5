#pragma once
// QVRHOLabelServerCommandCenter: the client of the vendor's label server, an
// XML API that answers finished labels (indicium and tracking barcode), rate
// quotes, the account status, postage purchases ("recredit"), refunds and
// SCAN forms.
//
// Requests: each document is built with the XML tree classes (UTF-8, the
// elements in the vendor's order, every text escaped by the serialiser),
// serialised, percent-escaped (UTF-8, also ";/?:@&=+,$") and POSTed as one
// form field to "https://" + server + path, with
// "Content-Type: application/x-www-form-urlencoded; charset=utf-8" and the
// vendor headers. The refund by number and the SCAN form go to the
// supplemental service instead ("https://" + supplementalServer +
// supplementalPath + "?&method=" + method, field "XMLInput").
//
// Replies: the reply bytes parsed as an XML document (no document type, no
// entities, size-capped). The client never judges a reply: callers read
// "//*:Status" ("0" is success) and "//*:ErrorMessage" with
// qv_stringForAnyPrefixXPath (services/LabelServerXML.h). No reply, or one
// that is not XML, answers nothing, with the last-error fields set: the
// transport's code and text, or the parser's message and code "-1". A reply
// whose Status is not "0" is answered, and also leaves that status and the
// vendor's message in the last-error fields.
//
// Account: the user id and pass phrase are the postage-server client's
// (services/QVPostageServerAccount.h); requesterID is the partner id "qzvt".
// Server: the user default "labelServiceServer"; the vendor's own hosts are
// not known to this build, so without that default no request is sent
// (nothing is answered, with an error saying so).
//
// Debug log (user default "logDebugInfo"): headers, URL and the document
// without its PassPhrase elements; the base class also removes the pass
// phrase wherever else it stands. The pass phrase is never logged, not even
// for a test server.
//
// Main thread; additionalHeaderDictionaryForShipment() may also be called
// from the receipt thread (it reads only defaults, the bundle and strings).
#include "model/XMLDocument.h"
#include "platform/Decimal.h"
#include "services/QVCommandCenter.h"

#include <QList>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <optional>

class QVShipment;

// Keys of the label attributes of labelForShipment().
inline const QString QVLabelTypeAttributeKey = QStringLiteral("labelType");
inline const QString QVPreviewLabelAttributeKey = QStringLiteral("previewLabel");
inline const QString QVNumberOnlyAttributeKey = QStringLiteral("numberOnly");

// User defaults read by the label-server client.
inline const QString QVLabelServiceServerDefaultsKey = QStringLiteral("labelServiceServer");

class QVRHOLabelServerCommandCenter : public QVCommandCenter
{
public:
    QVRHOLabelServerCommandCenter();
    static std::shared_ptr<QVRHOLabelServerCommandCenter> commandCenter()
    {
        return QVCommandCenter::commandCenter<QVRHOLabelServerCommandCenter>();
    }

    // ---- Fields -----------------------------------------------------------
    virtual QString requesterID() const;
    void setRequesterID(const QString &requesterID);
    QString supplementalServer() const;
    void setSupplementalServer(const QString &server);
    QString supplementalPath() const;
    void setSupplementalPath(const QString &path);
    // The postage-server client's account number and pass phrase.
    QString userid() const override;
    QString password() const override;
    // The user default "labelServiceServer" when it is set, else the host
    // given with setServer() (empty: the vendor's hosts are not built in).
    QString server() const override;

    // ---- Operations (each answers the reply document, or nothing) ----------
    virtual std::optional<QVXMLDocument> labelForShipment(const QVShipment &shipment, bool test,
                                                          const QVariantMap &labelAttributes);
    virtual std::optional<QVXMLDocument> rateRequestForShipment(const QVShipment &shipment);
    // The prepared rate request, not sent.
    HttpRequest URLRequestForRateRequestForShipment(const QVShipment &shipment);
    virtual std::optional<QVXMLDocument> accountStatus();
    virtual std::optional<QVXMLDocument> postageBuyForAmount(const Decimal &amount);
    std::optional<QVXMLDocument> electronicRefundPieceCount(unsigned pieceNumber);
    virtual std::optional<QVXMLDocument> electronicRefundTrackingNumber(const QString &number);
    virtual std::optional<QVXMLDocument> SCANFormForShipments(const QList<std::shared_ptr<QVShipment>> &shipments);
    // Printed stamps from the stamps service (the document is a root
    // "StampsRequest" holding one template StampRequest per request).
    std::optional<QVXMLDocument> stampsForStampRequests(const QVariantList &stampRequests, const QString &mediaType,
                                                        int copies, bool sample);

    // ---- Vendor headers ---------------------------------------------------
    // "Tolvane-Account", "Tolvane-Partner", "Tolvane-Client-Software",
    // "Tolvane-Client-Version", a new "Tolvane-Client-LogId" per call, and
    // with a shipment "Tolvane-MailClass".
    QVHeaderDictionary additionalHeaderDictionaryForShipment(const QVShipment *shipment) const;

    // ---- Documents --------------------------------------------------------
    void addAuthenticationElementsToElement(QVXMLNode &element) const;
    void addShipment(const QVShipment &shipment, QVXMLNode &element) const;
    static void removeChildElementNamed(const QString &name, QVXMLNode &element);
    QVXMLDocument XMLForShipment(const QVShipment &shipment, bool test, const QVariantMap &labelAttributes) const;
    QVXMLDocument XMLForRateRequestForShipment(const QVShipment &shipment) const;
    QVXMLDocument XMLForAccountStatus() const;
    QVXMLDocument XMLForPostageBuyAmount(const Decimal &amount) const;
    // RefundRequest, first form (the supplemental service).
    QVXMLDocument XMLForRefundingTrackingNumber(const QString &number) const;
    QVXMLDocument XMLForRefundingTrackingNumber(const QString &number, unsigned pieceCount) const;
    // RefundRequest, second form (authentication elements).
    QVXMLDocument V2_XMLForRefundingTrackingNumber(const QString &number, unsigned pieceCount) const;
    QVXMLDocument XMLForSCANFormWithShipments(const QList<std::shared_ptr<QVShipment>> &shipments) const;
    QVXMLDocument XMLForStampRequests(const QVariantList &stampRequests, const QString &mediaType, int copies,
                                      bool sample) const;
    // A new copy of the StampRequest template.
    static QVXMLDocument nullStampRequestElement();
    // An empty StampRequest element (the stamp request is not read).
    static QVXMLDocument stampRequestElementForStampRequest(const QVariant &stampRequest);

    // A request id: the seconds since 2001-01-01 00:00 UTC as "%f", never
    // the same twice in one process (a later call that falls in the same
    // microsecond moves on by one).
    static QString newRequestID();

    // ---- Transport --------------------------------------------------------
    std::optional<QVXMLDocument> submitTransaction(const QVXMLDocument &document, const QString &formField);
    std::optional<QVXMLDocument> submitTransaction(const QVXMLDocument &document, const QString &formField,
                                                   const QVHeaderDictionary &extraHeaders);
    HttpRequest URLRequestForTransaction(const QVXMLDocument &document, const QString &formField);
    HttpRequest URLRequestForTransaction(const QVXMLDocument &document, const QString &formField,
                                         const QVHeaderDictionary &extraHeaders);
    std::optional<QVXMLDocument> responseDocumentForURLRequest(const HttpRequest &request);
    std::optional<QVXMLDocument> submitSupplementalTransaction(const QVXMLDocument &document, const QString &method);

    // The text percent-escaped for a form body: UTF-8, everything but
    // letters, digits and "-._~" escaped.
    static QByteArray escapedFormValue(const QString &text);
    // The reply parsed; nothing with the last-error fields set. A reply
    // whose "//*:Status" is there and not "0" is answered as well, with the
    // status and its "//*:ErrorMessage" (or "//*:ErrorMsg") in the
    // last-error fields.
    std::optional<QVXMLDocument> documentFromReply(const QByteArray &reply, bool logReplyText);
    void noteReplyStatus(const QVXMLDocument &reply);
    // The document's text for the log: pretty-printed, PassPhrase elements
    // removed.
    static QString documentTextForLog(const QVXMLDocument &document);

protected:
    // Whether a server is known; sets the last-error fields when not.
    bool checkServer(const QString &server);
    // Logs the document, the URL and the headers (only with "logDebugInfo").
    void logRequest(const QString &url, const QVXMLDocument &document, const QVHeaderDictionary &headers,
                    const QByteArray &body = QByteArray()) const;

private:
    QString m_requesterID;
    QString m_supplementalServer;
    QString m_supplementalPath;
};

// The path unchanged (the vendor uses one path for test and production
// servers).
QString QVRHOLabelServerCommandCenter_adjustedPathForTestServer(const QString &path, bool testServer);
