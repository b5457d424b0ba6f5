#pragma once
// Stand-ins for the vendor's label server (XML documents posted as one form
// field, plus the supplemental service that takes refunds by number and
// SCAN forms) and for the partner label service (the same documents in SOAP
// 1.1 envelopes), on the local HTTPS test server.
//
// Written from the wire format alone: the requests are read as
// LabelServerRequests.h reads them (not with the program's XML code), and the replies
// carry the element names that the program reads: Status, ErrorMessage,
// Base64LabelImage, the label texts (BarcodeNumber, TrackingNumber, ...),
// FinalPostage, PostageBalance, Postage/@TotalAmount, Fees/InsuredMail,
// IsApproved, ErrorMsg, RefundStatus, RefundStatusMessage; the partner's
// RefundRequestResult and SCANRequestResult carry their answer as text.
#include "LabelServerRequests.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>
#include <optional>

namespace tolvane::test {

// One document the fake received.
struct ReceivedDocument {
    QByteArray path;     // the request path
    QByteArray method;   // the supplemental service's method, or the SOAP operation
    QByteArray field;    // the form field that carried it (label server)
    QString xml;         // the document's text as received
    XmlElement document; // its root element
    RecordedRequest request;
};

// The label of a label reply: one "Base64LabelImage" element per part (the
// program reads the last), or with imageList a "Label" element of "Image"
// elements, each carrying its part number as the attribute "PartNumber",
// written in the order given. Bytes are sent in Base64.
struct LabelPart {
    int partNumber = 1;
    QByteArray bytes;
};
struct LabelParts {
    bool imageList = false;
    QList<LabelPart> parts{{1, QByteArray::fromBase64("iVBORw0KGgo=")}};
};

class FakeLabelServer
{
public:
    FakeLabelServer();
    ~FakeLabelServer();

    bool isListening() const { return m_http.isListening(); }
    // "127.0.0.1:<port>", the host for the client's settings.
    QString host() const { return m_http.hostAndPort(); }
    LocalHttpServer &http() { return m_http; }

    // Replies of every operation carry this status and message (default
    // "0" and none).
    void setStatus(const QString &status, const QString &message = QString());
    // The account's balance (PostageBalance); a purchase adds to it.
    void setBalance(const QString &balance);
    // The price answered for rates and labels (Postage/@TotalAmount and
    // FinalPostage).
    void setPostage(const QString &postage);
    // The label texts of a label reply: element name to text (replacing the
    // defaults; an empty text sends an empty element, a missing name none).
    void setLabelTexts(const QList<QPair<QString, QString>> &texts);
    // The label of label replies (default: one Base64LabelImage of the PNG
    // signature's eight bytes).
    void setLabelParts(const LabelParts &parts);
    // Answer refunds as approved (default) or refused with the message.
    void setRefundApproved(bool approved, const QString &message = QString());
    // The reply body of a path, as bytes, in place of the built one (e.g.
    // a reply that is not XML).
    void setRawReply(const QByteArray &path, const QByteArray &body);

    QList<ReceivedDocument> received() const;
    std::optional<ReceivedDocument> lastReceived() const;

    static const QByteArray LabelPath;
    static const QByteArray RatePath;
    static const QByteArray AccountStatusPath;
    static const QByteArray BuyPostagePath;
    static const QByteArray RefundPath;
    static const QByteArray StampsPath;
    static const QByteArray SupplementalPath;

private:
    ScriptedReply answer(const RecordedRequest &request);
    ScriptedReply answerSupplemental(const RecordedRequest &request);
    QByteArray replyFor(LabelOperation operation, const XmlElement &document);

    mutable std::mutex m_mutex;
    QString m_status = QStringLiteral("0");
    QString m_message;
    QString m_balance = QStringLiteral("100.00");
    QString m_postage = QStringLiteral("7.50");
    QList<QPair<QString, QString>> m_labelTexts;
    bool m_refundApproved = true;
    QString m_refundMessage;
    LabelParts m_labelParts;
    QMap<QByteArray, QByteArray> m_rawReplies;
    QList<ReceivedDocument> m_received;
    LocalHttpServer m_http{LocalHttpServer::Scheme::Https};
};

class FakePartnerServer
{
public:
    // The service's namespace, as the partner gives it to its users.
    explicit FakePartnerServer(const QString &serviceNamespace);

    bool isListening() const { return m_http.isListening(); }
    QString host() const { return m_http.hostAndPort(); }
    LocalHttpServer &http() { return m_http; }

    void setStatus(const QString &status, const QString &message = QString());
    void setBalance(const QString &balance);
    void setPostage(const QString &postage);
    // The text carried in RefundRequestResult / SCANRequestResult in place
    // of the built answer (e.g. text that is not XML).
    void setResultText(const QString &text);

    // The documents inside the envelopes, with the operation as `method`.
    QList<ReceivedDocument> received() const;
    std::optional<ReceivedDocument> lastReceived() const;
    // Requests refused (wrong SOAPAction, content type or envelope) with the
    // reason.
    QStringList refusals() const;

    static const QByteArray ServicePath;

private:
    ScriptedReply answer(const RecordedRequest &request);

    QString m_namespace;
    mutable std::mutex m_mutex;
    QString m_status = QStringLiteral("0");
    QString m_message;
    QString m_balance = QStringLiteral("50.00");
    QString m_postage = QStringLiteral("7.25");
    std::optional<QString> m_resultText;
    QList<ReceivedDocument> m_received;
    QStringList m_refusals;
    LocalHttpServer m_http{LocalHttpServer::Scheme::Https};
};

} // namespace tolvane::test
