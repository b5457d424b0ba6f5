#pragma once
// The requests of the vendor's label server (XML documents posted as one
// form field), of its supplemental service (a document in the form field
// "XMLInput", the method in the query) and of the partner label service (the
// same documents in SOAP 1.1 envelopes), read the one way that both the test
// fakes (FakeLabelServers) and the stand-in vendor (tools/standins) read
// them, and the SOAP envelopes the partner answers in.
//
// Written from the wire format alone: documents are read with Qt's stream
// reader, never with the program's XML code, so that one mistake cannot
// hide in both the client and its server.
#include "LocalHttpServer.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QXmlStreamWriter;

namespace tolvane::test {

// One element of a received document: local names, the namespace, the
// attributes by local name, the element's own text and its child elements.
struct XmlElement {
    QString name;
    QString namespaceUri;
    QMap<QString, QString> attributes;
    QString text;
    QList<XmlElement> children;

    QStringList childNames() const;
    // The first child of the name, or nullptr.
    const XmlElement *child(const QString &name) const;
    QString childText(const QString &name) const;
    int childCount(const QString &name) const;
    // The first element of the name at any depth (this one included), or
    // nullptr.
    const XmlElement *find(const QString &name) const;
};

// The document's root element; nothing (and the reader's message) when the
// bytes are not a well-formed document.
std::optional<XmlElement> readXmlElement(const QByteArray &data, QString *error = nullptr);

// The value of one field of an application/x-www-form-urlencoded body
// ("+" read as a space); nothing when the field is missing.
std::optional<QByteArray> formFieldValue(const QByteArray &body, const QByteArray &field);

// What a label-server document asks for.
enum class LabelOperation { Label, Rate, AccountStatus, BuyPostage, RefundByPiece, RefundByNumber, SCAN, Stamps };

// The root element of the reply to an operation ("LabelRequestResponse", ...).
QString labelReplyRootName(LabelOperation operation);

// One path of the label server: the form field that carries its document,
// the operation and the root element the document has (empty: any).
struct LabelFormPath {
    QByteArray path;
    QByteArray field;
    LabelOperation operation;
    QString root;
};
const QList<LabelFormPath> &labelFormPaths();

// A request read: the operation (none for a supplemental method that is not
// known), the supplemental method or the partner's operation name, the form
// field, the document's text as received and its root element; `asText`
// when the partner carried the document as text (refunds, SCAN forms).
struct LabelRequest {
    std::optional<LabelOperation> operation;
    QByteArray method;
    QByteArray field;
    QString xml;
    XmlElement document;
    bool asText = false;
};

// A request read, or why it is refused: the HTTP status and a text for the
// form services, the fault's reason for the partner.
struct LabelRequestRead {
    std::optional<LabelRequest> request;
    int status = 0;
    QString error;
};

// A form POST to one of labelFormPaths(): its document from the path's
// field (415 for another method or content type, 400 for a missing field or
// a document that is not XML, 404 for another path).
LabelRequestRead readLabelFormRequest(const RecordedRequest &request);

// A POST to the supplemental service: the method of the query ("RefundRequest"
// is a refund by number, "SCANRequest" a SCAN form) and the document in
// "XMLInput", whose "%2B" the service reads as "+" (400 when missing or not
// XML).
LabelRequestRead readSupplementalRequest(const RecordedRequest &request);

// A SOAP 1.1 call of the partner service in its namespace: a POST of
// "text/xml; charset=utf-8", an Envelope whose Body holds one operation of
// the namespace, the SOAPAction "<namespace>/IEwsLabelService/<operation>"
// (quoted or not), one "request" element of the namespace (the document
// itself) or, for RefundRequest and SCANRequest, one "requestXml" element
// carrying the document as text.
LabelRequestRead readPartnerRequest(const RecordedRequest &request, const QString &serviceNamespace);

// The partner's SOAP fault (status 500) with the reason.
ScriptedReply partnerFault(const QString &reason);
// The partner's answer to the operation: <operation>Response in the
// service's namespace holding <operation>Result, whose content `writeResult`
// writes.
ScriptedReply partnerReply(const QString &serviceNamespace, const QString &operation,
                           const std::function<void(QXmlStreamWriter &)> &writeResult);

// A reply of XML text.
ScriptedReply xmlReply(int status, const QByteArray &body);

} // namespace tolvane::test
