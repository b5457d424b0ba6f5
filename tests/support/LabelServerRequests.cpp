#include "LabelServerRequests.h"

#include <QUrlQuery>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>

namespace tolvane::test {

namespace {

const QString SoapNamespace = QStringLiteral("http://schemas.xmlsoap.org/soap/envelope/");

XmlElement readElement(QXmlStreamReader &reader)
{
    XmlElement element;
    element.name = reader.name().toString();
    element.namespaceUri = reader.namespaceUri().toString();
    for (const QXmlStreamAttribute &attribute : reader.attributes())
        element.attributes.insert(attribute.name().toString(), attribute.value().toString());
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement())
            element.children.append(readElement(reader));
        else if (reader.isCharacters())
            element.text += reader.text();
        else if (reader.isEndElement())
            break;
    }
    return element;
}

LabelRequestRead refused(int status, const QString &error)
{
    LabelRequestRead read;
    read.status = status;
    read.error = error;
    return read;
}

LabelRequestRead accepted(LabelRequest request)
{
    LabelRequestRead read;
    read.request = std::move(request);
    return read;
}

void startEnvelope(QXmlStreamWriter &writer)
{
    writer.writeStartDocument();
    writer.writeNamespace(SoapNamespace, QStringLiteral("s"));
    writer.writeStartElement(SoapNamespace, QStringLiteral("Envelope"));
    writer.writeStartElement(SoapNamespace, QStringLiteral("Body"));
}

} // namespace

// ---- XmlElement --------------------------------------------------------------

QStringList XmlElement::childNames() const
{
    QStringList names;
    for (const XmlElement &element : children)
        names << element.name;
    return names;
}

const XmlElement *XmlElement::child(const QString &childName) const
{
    for (const XmlElement &element : children) {
        if (element.name == childName)
            return &element;
    }
    return nullptr;
}

QString XmlElement::childText(const QString &childName) const
{
    const XmlElement *element = child(childName);
    return element ? element->text : QString();
}

int XmlElement::childCount(const QString &childName) const
{
    int count = 0;
    for (const XmlElement &element : children)
        count += element.name == childName ? 1 : 0;
    return count;
}

const XmlElement *XmlElement::find(const QString &wanted) const
{
    if (name == wanted)
        return this;
    for (const XmlElement &element : children) {
        if (const XmlElement *found = element.find(wanted))
            return found;
    }
    return nullptr;
}

std::optional<XmlElement> readXmlElement(const QByteArray &data, QString *error)
{
    QXmlStreamReader reader(data);
    std::optional<XmlElement> root;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && !root)
            root = readElement(reader);
    }
    if (reader.hasError() || !root) {
        if (error)
            *error = reader.hasError() ? reader.errorString() : QStringLiteral("no root element");
        return std::nullopt;
    }
    return root;
}

std::optional<QByteArray> formFieldValue(const QByteArray &body, const QByteArray &field)
{
    for (const QByteArray &pair : body.split('&')) {
        const qsizetype equals = pair.indexOf('=');
        const QByteArray name = equals < 0 ? pair : pair.left(equals);
        if (QByteArray::fromPercentEncoding(QByteArray(name).replace('+', ' ')) != field)
            continue;
        QByteArray value = equals < 0 ? QByteArray() : pair.mid(equals + 1);
        return QByteArray::fromPercentEncoding(value.replace('+', ' '));
    }
    return std::nullopt;
}

// ---- The label server's operations ------------------------------------------

QString labelReplyRootName(LabelOperation operation)
{
    switch (operation) {
    case LabelOperation::Label:
        return QStringLiteral("LabelRequestResponse");
    case LabelOperation::Rate:
        return QStringLiteral("PostageRateResponse");
    case LabelOperation::AccountStatus:
        return QStringLiteral("AccountStatusResponse");
    case LabelOperation::BuyPostage:
        return QStringLiteral("RecreditRequestResponse");
    case LabelOperation::RefundByPiece:
    case LabelOperation::RefundByNumber:
        return QStringLiteral("RefundResponse");
    case LabelOperation::SCAN:
        return QStringLiteral("SCANResponse");
    case LabelOperation::Stamps:
        return QStringLiteral("StampsResponse");
    }
    return QString();
}

const QList<LabelFormPath> &labelFormPaths()
{
    static const QList<LabelFormPath> table{
        {"/LabelService/EwsLabelService.asmx/GetPostageLabelXML", "labelRequestXML", LabelOperation::Label,
         QStringLiteral("LabelRequest")},
        {"/LabelService/EwsLabelService.asmx/CalculatePostageRateXML", "postageRateRequestXML", LabelOperation::Rate,
         QStringLiteral("PostageRateRequest")},
        {"/LabelService/EwsLabelService.asmx/GetAccountStatusXML", "accountStatusRequestXML",
         LabelOperation::AccountStatus, QStringLiteral("AccountStatusRequest")},
        {"/LabelService/EwsLabelService.asmx/BuyPostageXML", "recreditRequestXML", LabelOperation::BuyPostage,
         QStringLiteral("RecreditRequest")},
        {"/LabelService/EwsLabelService.asmx/GetRefundXML", "refundRequestXML", LabelOperation::RefundByPiece,
         QStringLiteral("RefundRequest")},
        {"/LabelService/KIVOStampsService.asmx/GetStampsXML", "stampsRequestXML", LabelOperation::Stamps, QString()},
    };
    return table;
}

// ---- Reading requests ---------------------------------------------------------

LabelRequestRead readLabelFormRequest(const RecordedRequest &request)
{
    const QByteArray path = request.path();
    const auto entry = std::find_if(labelFormPaths().cbegin(), labelFormPaths().cend(),
                                    [&path](const LabelFormPath &candidate) { return candidate.path == path; });
    if (entry == labelFormPaths().cend())
        return refused(404, QStringLiteral("unknown path"));
    if (request.method != "POST" || !request.header("Content-Type").startsWith("application/x-www-form-urlencoded"))
        return refused(415, QStringLiteral("a form POST is needed"));
    const std::optional<QByteArray> xml = formFieldValue(request.body, entry->field);
    QString error;
    const std::optional<XmlElement> document = xml ? readXmlElement(*xml, &error) : std::nullopt;
    if (!document)
        return refused(400,
                       QStringLiteral("no document in the form field ") + QString::fromLatin1(entry->field) +
                           QStringLiteral(": ") + error);
    return accepted({entry->operation, QByteArray(), entry->field, QString::fromUtf8(*xml), *document, false});
}

LabelRequestRead readSupplementalRequest(const RecordedRequest &request)
{
    const QByteArray method =
        QUrlQuery(QString::fromUtf8(request.query())).queryItemValue(QStringLiteral("method")).toUtf8();
    std::optional<QByteArray> xml = formFieldValue(request.body, "XMLInput");
    if (!xml)
        return refused(400, QStringLiteral("no XMLInput"));
    // The service reads "%2B" in the text as "+".
    xml->replace("%2B", "+");
    QString error;
    const std::optional<XmlElement> document = readXmlElement(*xml, &error);
    if (!document)
        return refused(400, QStringLiteral("XMLInput is not XML: ") + error);
    std::optional<LabelOperation> operation;
    if (method == "RefundRequest")
        operation = LabelOperation::RefundByNumber;
    else if (method == "SCANRequest")
        operation = LabelOperation::SCAN;
    return accepted({operation, method, "XMLInput", QString::fromUtf8(*xml), *document, false});
}

LabelRequestRead readPartnerRequest(const RecordedRequest &request, const QString &serviceNamespace)
{
    if (request.method != "POST" || request.header("Content-Type") != "text/xml; charset=utf-8")
        return refused(500, QStringLiteral("content type ") + QString::fromUtf8(request.header("Content-Type")));
    QString error;
    const std::optional<XmlElement> envelope = readXmlElement(request.body, &error);
    if (!envelope || envelope->name != QLatin1String("Envelope") || envelope->namespaceUri != SoapNamespace)
        return refused(500, QStringLiteral("not a SOAP 1.1 envelope: ") + error);
    const XmlElement *body = envelope->child(QStringLiteral("Body"));
    if (!body || body->namespaceUri != SoapNamespace || body->children.size() != 1)
        return refused(500, QStringLiteral("no operation in the body"));
    const XmlElement &call = body->children.first();
    const QString operation = call.name;
    if (call.namespaceUri != serviceNamespace)
        return refused(500, QStringLiteral("operation in namespace ") + call.namespaceUri);
    const QByteArray expectedAction = (serviceNamespace + QStringLiteral("/IEwsLabelService/") + operation).toUtf8();
    const QByteArray action = request.header("SOAPAction");
    if (action != expectedAction && action != '"' + expectedAction + '"')
        return refused(500, QStringLiteral("SOAPAction ") + QString::fromUtf8(action));
    if (call.children.size() != 1)
        return refused(500, QStringLiteral("the operation takes one request"));

    static const QMap<QString, LabelOperation> operations{
        {QStringLiteral("GetAccountStatus"), LabelOperation::AccountStatus},
        {QStringLiteral("BuyPostage"), LabelOperation::BuyPostage},
        {QStringLiteral("GetPostageLabel"), LabelOperation::Label},
        {QStringLiteral("CalculatePostageRate"), LabelOperation::Rate},
        {QStringLiteral("RefundRequest"), LabelOperation::RefundByNumber},
        {QStringLiteral("SCANRequest"), LabelOperation::SCAN},
    };
    const auto found = operations.constFind(operation);
    if (found == operations.cend())
        return refused(500, QStringLiteral("unknown operation ") + operation);
    const bool asText = *found == LabelOperation::RefundByNumber || *found == LabelOperation::SCAN;
    const XmlElement &carried = call.children.first();
    if (carried.name != (asText ? QLatin1String("requestXml") : QLatin1String("request")) ||
        carried.namespaceUri != serviceNamespace)
        return refused(500, QStringLiteral("request element ") + carried.name);
    XmlElement document = carried;
    QString xml;
    if (asText) {
        xml = carried.text;
        const std::optional<XmlElement> inner = readXmlElement(xml.toUtf8(), &error);
        if (!inner)
            return refused(500, QStringLiteral("requestXml is not XML: ") + error);
        document = *inner;
    }
    return accepted({*found, operation.toUtf8(), QByteArray(), xml, document, asText});
}

// ---- The partner's envelopes ----------------------------------------------------

ScriptedReply partnerFault(const QString &reason)
{
    QByteArray bytes;
    QXmlStreamWriter writer(&bytes);
    startEnvelope(writer);
    writer.writeStartElement(SoapNamespace, QStringLiteral("Fault"));
    writer.writeTextElement(QStringLiteral("faultcode"), QStringLiteral("s:Client"));
    writer.writeTextElement(QStringLiteral("faultstring"), reason);
    writer.writeEndDocument();
    return xmlReply(500, bytes);
}

ScriptedReply partnerReply(const QString &serviceNamespace, const QString &operation,
                           const std::function<void(QXmlStreamWriter &)> &writeResult)
{
    QByteArray bytes;
    QXmlStreamWriter writer(&bytes);
    startEnvelope(writer);
    writer.writeStartElement(operation + QStringLiteral("Response"));
    writer.writeDefaultNamespace(serviceNamespace);
    writer.writeStartElement(operation + QStringLiteral("Result"));
    writeResult(writer);
    writer.writeEndDocument();
    return xmlReply(200, bytes);
}

ScriptedReply xmlReply(int status, const QByteArray &body)
{
    return ScriptedReply::text(status, body, "text/xml; charset=utf-8");
}

} // namespace tolvane::test
