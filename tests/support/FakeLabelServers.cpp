#include "FakeLabelServers.h"

#include <QUrlQuery>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace tolvane::test {

const QByteArray FakeLabelServer::LabelPath = "/LabelService/EwsLabelService.asmx/GetPostageLabelXML";
const QByteArray FakeLabelServer::RatePath = "/LabelService/EwsLabelService.asmx/CalculatePostageRateXML";
const QByteArray FakeLabelServer::AccountStatusPath = "/LabelService/EwsLabelService.asmx/GetAccountStatusXML";
const QByteArray FakeLabelServer::BuyPostagePath = "/LabelService/EwsLabelService.asmx/BuyPostageXML";
const QByteArray FakeLabelServer::RefundPath = "/LabelService/EwsLabelService.asmx/GetRefundXML";
const QByteArray FakeLabelServer::StampsPath = "/LabelService/KIVOStampsService.asmx/GetStampsXML";
const QByteArray FakeLabelServer::SupplementalPath = "/VLS/VLSServices.cfc";
const QByteArray FakePartnerServer::ServicePath = "/Services/EwsLabelService.svc";

namespace {

const QString SoapNamespace = QStringLiteral("http://schemas.xmlsoap.org/soap/envelope/");
// The namespace of the fake label server's replies (the program must read
// them whatever their namespace).
const QString ReplyNamespace = QStringLiteral("urn:tolvane-test:label-server");

// ---- Reading --------------------------------------------------------------

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

// ---- Money in cents, for the fake's balance ---------------------------------

qint64 cents(const QString &amount)
{
    const QStringList parts = amount.trimmed().split(QLatin1Char('.'));
    const qint64 whole = parts.value(0).toLongLong();
    const QString fraction = (parts.value(1) + QStringLiteral("00")).left(2);
    return whole * 100 + (amount.startsWith(QLatin1Char('-')) ? -fraction.toLongLong() : fraction.toLongLong());
}

QString amountText(qint64 value)
{
    return QStringLiteral("%1%2.%3")
        .arg(value < 0 ? QStringLiteral("-") : QString())
        .arg(qAbs(value) / 100)
        .arg(qAbs(value) % 100, 2, 10, QLatin1Char('0'));
}

// ---- Replies ------------------------------------------------------------------

struct ReplyState {
    QString status;
    QString message;
    QString balance;
    QString postage;
    QList<QPair<QString, QString>> labelTexts;
    bool refundApproved = true;
    QString refundMessage;
    LabelParts labelParts;
};

enum class Operation { Label, Rate, AccountStatus, BuyPostage, RefundByPiece, RefundByNumber, SCAN, Stamps };

void writeStatus(QXmlStreamWriter &writer, const ReplyState &state)
{
    writer.writeTextElement(QStringLiteral("Status"), state.status);
    writer.writeTextElement(QStringLiteral("ErrorMessage"), state.message);
}

// The label: one Base64LabelImage, or a Label element of Image elements
// that carry their part number as the attribute "PartNumber", in the order
// given.
void writeLabelParts(QXmlStreamWriter &writer, const LabelParts &parts)
{
    if (!parts.imageList) {
        for (const LabelPart &part : parts.parts)
            writer.writeTextElement(QStringLiteral("Base64LabelImage"), QString::fromLatin1(part.bytes.toBase64()));
        return;
    }
    writer.writeStartElement(QStringLiteral("Label"));
    for (const LabelPart &part : parts.parts) {
        writer.writeStartElement(QStringLiteral("Image"));
        writer.writeAttribute(QStringLiteral("PartNumber"), QString::number(part.partNumber));
        writer.writeCharacters(QString::fromLatin1(part.bytes.toBase64()));
        writer.writeEndElement();
    }
    writer.writeEndElement();
}

void writeBalance(QXmlStreamWriter &writer, const XmlElement &request, const QString &balance)
{
    writer.writeStartElement(QStringLiteral("CertifiedIntermediary"));
    const XmlElement *account = request.find(QStringLiteral("AccountID"));
    writer.writeTextElement(QStringLiteral("AccountID"), account ? account->text : QString());
    writer.writeTextElement(QStringLiteral("PostageBalance"), balance);
    writer.writeEndElement();
}

// The children of the reply to one operation; the balance may change.
void writeReplyChildren(QXmlStreamWriter &writer, Operation operation, const XmlElement &request, ReplyState &state)
{
    writeStatus(writer, state);
    const bool ok = state.status == QLatin1String("0");
    switch (operation) {
    case Operation::Label: {
        if (!ok)
            return;
        writeLabelParts(writer, state.labelParts);
        for (const auto &[name, text] : state.labelTexts) {
            if (name == QLatin1String("InsuredMail")) {
                writer.writeStartElement(QStringLiteral("Fees"));
                writer.writeTextElement(name, text);
                writer.writeEndElement();
            } else {
                writer.writeTextElement(name, text);
            }
        }
        const bool postage = request.childText(QStringLiteral("IncludePostage")) == QLatin1String("TRUE");
        if (postage)
            state.balance = amountText(cents(state.balance) - cents(state.postage));
        writer.writeTextElement(QStringLiteral("FinalPostage"), state.postage);
        writer.writeTextElement(QStringLiteral("PostageBalance"), state.balance);
        writer.writeStartElement(QStringLiteral("Postage"));
        writer.writeAttribute(QStringLiteral("TotalAmount"), state.postage);
        writer.writeTextElement(QStringLiteral("MailService"), request.childText(QStringLiteral("MailClass")));
        writer.writeEndElement();
        return;
    }
    case Operation::Rate:
        if (!ok)
            return;
        writer.writeStartElement(QStringLiteral("PostagePrice"));
        writer.writeAttribute(QStringLiteral("TotalAmount"), state.postage);
        writer.writeStartElement(QStringLiteral("Postage"));
        writer.writeAttribute(QStringLiteral("TotalAmount"), state.postage);
        writer.writeTextElement(QStringLiteral("MailService"), request.childText(QStringLiteral("MailClass")));
        writer.writeEndElement();
        writer.writeEndElement();
        return;
    case Operation::AccountStatus:
        if (ok)
            writeBalance(writer, request, state.balance);
        return;
    case Operation::BuyPostage:
        if (!ok)
            return;
        state.balance = amountText(cents(state.balance) + cents(request.childText(QStringLiteral("RecreditAmount"))));
        writeBalance(writer, request, state.balance);
        return;
    case Operation::RefundByPiece:
        writer.writeTextElement(QStringLiteral("RefundStatus"),
                                state.refundApproved ? QStringLiteral("APPROVED") : QStringLiteral("DENIED"));
        writer.writeTextElement(QStringLiteral("RefundStatusMessage"), state.refundMessage);
        return;
    case Operation::RefundByNumber: {
        writer.writeStartElement(QStringLiteral("RefundList"));
        const XmlElement *list = request.child(QStringLiteral("RefundList"));
        if (list && !list->children.isEmpty())
            writer.writeTextElement(list->children.first().name, list->children.first().text);
        writer.writeTextElement(QStringLiteral("IsApproved"),
                                state.refundApproved ? QStringLiteral("YES") : QStringLiteral("NO"));
        writer.writeTextElement(QStringLiteral("ErrorMsg"), state.refundMessage);
        writer.writeEndElement();
        return;
    }
    case Operation::SCAN:
    case Operation::Stamps:
        return;
    }
}

QString replyRootName(Operation operation)
{
    switch (operation) {
    case Operation::Label:
        return QStringLiteral("LabelRequestResponse");
    case Operation::Rate:
        return QStringLiteral("PostageRateResponse");
    case Operation::AccountStatus:
        return QStringLiteral("AccountStatusResponse");
    case Operation::BuyPostage:
        return QStringLiteral("RecreditRequestResponse");
    case Operation::RefundByPiece:
    case Operation::RefundByNumber:
        return QStringLiteral("RefundResponse");
    case Operation::SCAN:
        return QStringLiteral("SCANResponse");
    case Operation::Stamps:
        return QStringLiteral("StampsResponse");
    }
    return QString();
}

QByteArray replyDocument(Operation operation, const XmlElement &request, ReplyState &state, bool withNamespace)
{
    QByteArray bytes;
    QXmlStreamWriter writer(&bytes);
    writer.writeStartDocument();
    writer.writeStartElement(replyRootName(operation));
    if (withNamespace)
        writer.writeDefaultNamespace(ReplyNamespace);
    writeReplyChildren(writer, operation, request, state);
    writer.writeEndElement();
    writer.writeEndDocument();
    return bytes;
}

ScriptedReply xmlReply(int status, const QByteArray &body, const QByteArray &type = "text/xml; charset=utf-8")
{
    return ScriptedReply::text(status, body, type);
}

QList<QPair<QString, QString>> defaultLabelTexts()
{
    return {
        {QStringLiteral("BarcodeNumber"), QStringLiteral("420123459400100000000000000017")},
        {QStringLiteral("BarcodeDisplay"), QStringLiteral("9400 1000 0000 0000 0000 17")},
        {QStringLiteral("Banner"), QStringLiteral("USPS TRACKING #")},
        {QStringLiteral("MailerID"), QStringLiteral("901000000")},
        {QStringLiteral("RDC"), QStringLiteral("R001")},
        {QStringLiteral("TrackingNumber"), QStringLiteral("9400100000000000000017")},
        {QStringLiteral("DeliveryTimeDays"), QStringLiteral("2")},
        {QStringLiteral("TransactionID"), QStringLiteral("4711")},
        {QStringLiteral("Indicium"), QStringLiteral("0A1B2C3D")},
    };
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

// ---- FakeLabelServer ----------------------------------------------------------------

FakeLabelServer::FakeLabelServer() : m_labelTexts(defaultLabelTexts())
{
    const QList<QPair<QByteArray, QByteArray>> fields{
        {LabelPath, "labelRequestXML"},
        {RatePath, "postageRateRequestXML"},
        {AccountStatusPath, "accountStatusRequestXML"},
        {BuyPostagePath, "recreditRequestXML"},
        {RefundPath, "refundRequestXML"},
        {StampsPath, "stampsRequestXML"},
    };
    for (const auto &[path, field] : fields) {
        m_http.setHandler(path, [this, path = path, field = field](const RecordedRequest &request) {
            return answer(request, field, path);
        });
    }
    m_http.setHandler(SupplementalPath, [this](const RecordedRequest &request) { return answerSupplemental(request); });
}

FakeLabelServer::~FakeLabelServer() = default;

void FakeLabelServer::setStatus(const QString &status, const QString &message)
{
    std::lock_guard lock(m_mutex);
    m_status = status;
    m_message = message;
}

void FakeLabelServer::setBalance(const QString &balance)
{
    std::lock_guard lock(m_mutex);
    m_balance = balance;
}

void FakeLabelServer::setPostage(const QString &postage)
{
    std::lock_guard lock(m_mutex);
    m_postage = postage;
}

void FakeLabelServer::setLabelTexts(const QList<QPair<QString, QString>> &texts)
{
    std::lock_guard lock(m_mutex);
    m_labelTexts = texts;
}

void FakeLabelServer::setLabelParts(const LabelParts &parts)
{
    std::lock_guard lock(m_mutex);
    m_labelParts = parts;
}

void FakeLabelServer::setRefundApproved(bool approved, const QString &message)
{
    std::lock_guard lock(m_mutex);
    m_refundApproved = approved;
    m_refundMessage = message;
}

void FakeLabelServer::setRawReply(const QByteArray &path, const QByteArray &body)
{
    std::lock_guard lock(m_mutex);
    m_rawReplies.insert(path, body);
}

QList<ReceivedDocument> FakeLabelServer::received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

std::optional<ReceivedDocument> FakeLabelServer::lastReceived() const
{
    std::lock_guard lock(m_mutex);
    if (m_received.isEmpty())
        return std::nullopt;
    return m_received.last();
}

QByteArray FakeLabelServer::replyFor(const QByteArray &path, const XmlElement &document)
{
    static const QMap<QByteArray, Operation> operations{
        {LabelPath, Operation::Label},
        {RatePath, Operation::Rate},
        {AccountStatusPath, Operation::AccountStatus},
        {BuyPostagePath, Operation::BuyPostage},
        {RefundPath, Operation::RefundByPiece},
        {StampsPath, Operation::Stamps},
    };
    ReplyState state{m_status,     m_message,        m_balance,       m_postage,
                     m_labelTexts, m_refundApproved, m_refundMessage, m_labelParts};
    const QByteArray body = replyDocument(operations.value(path), document, state, true);
    m_balance = state.balance;
    return body;
}

ScriptedReply FakeLabelServer::answer(const RecordedRequest &request, const QByteArray &field, const QByteArray &path)
{
    if (request.method != "POST" || !request.header("Content-Type").startsWith("application/x-www-form-urlencoded"))
        return xmlReply(415, "unsupported request", "text/plain");
    const std::optional<QByteArray> xml = formFieldValue(request.body, field);
    QString error;
    const std::optional<XmlElement> document = xml ? readXmlElement(*xml, &error) : std::nullopt;
    if (!document)
        return xmlReply(400, "no document in the form field " + field + ": " + error.toUtf8(), "text/plain");
    std::lock_guard lock(m_mutex);
    m_received.append({path, QByteArray(), field, QString::fromUtf8(*xml), *document, request});
    if (m_rawReplies.contains(path))
        return xmlReply(200, m_rawReplies.value(path));
    return xmlReply(200, replyFor(path, *document));
}

ScriptedReply FakeLabelServer::answerSupplemental(const RecordedRequest &request)
{
    const QUrlQuery query(QString::fromUtf8(request.query()));
    const QByteArray method = query.queryItemValue(QStringLiteral("method")).toUtf8();
    std::optional<QByteArray> xml = formFieldValue(request.body, "XMLInput");
    if (!xml)
        return xmlReply(400, "no XMLInput", "text/plain");
    // The service reads "%2B" in the text as "+".
    xml->replace("%2B", "+");
    QString error;
    const std::optional<XmlElement> document = readXmlElement(*xml, &error);
    if (!document)
        return xmlReply(400, "XMLInput is not XML: " + error.toUtf8(), "text/plain");
    std::lock_guard lock(m_mutex);
    m_received.append({SupplementalPath, method, "XMLInput", QString::fromUtf8(*xml), *document, request});
    const QByteArray rawKey = SupplementalPath + "?" + method;
    if (m_rawReplies.contains(rawKey))
        return xmlReply(200, m_rawReplies.value(rawKey));
    ReplyState state{m_status,     m_message,        m_balance,       m_postage,
                     m_labelTexts, m_refundApproved, m_refundMessage, m_labelParts};
    if (method == "RefundRequest")
        return xmlReply(200, replyDocument(Operation::RefundByNumber, *document, state, false));
    if (method == "SCANRequest")
        return xmlReply(200, replyDocument(Operation::SCAN, *document, state, false));
    return xmlReply(404, "unknown method", "text/plain");
}

// ---- FakePartnerServer -------------------------------------------------------------------

FakePartnerServer::FakePartnerServer(const QString &serviceNamespace) : m_namespace(serviceNamespace)
{
    m_http.setHandler(ServicePath, [this](const RecordedRequest &request) { return answer(request); });
}

void FakePartnerServer::setStatus(const QString &status, const QString &message)
{
    std::lock_guard lock(m_mutex);
    m_status = status;
    m_message = message;
}

void FakePartnerServer::setBalance(const QString &balance)
{
    std::lock_guard lock(m_mutex);
    m_balance = balance;
}

void FakePartnerServer::setPostage(const QString &postage)
{
    std::lock_guard lock(m_mutex);
    m_postage = postage;
}

void FakePartnerServer::setResultText(const QString &text)
{
    std::lock_guard lock(m_mutex);
    m_resultText = text;
}

QList<ReceivedDocument> FakePartnerServer::received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

std::optional<ReceivedDocument> FakePartnerServer::lastReceived() const
{
    std::lock_guard lock(m_mutex);
    if (m_received.isEmpty())
        return std::nullopt;
    return m_received.last();
}

QStringList FakePartnerServer::refusals() const
{
    std::lock_guard lock(m_mutex);
    return m_refusals;
}

ScriptedReply FakePartnerServer::fault(const QString &reason)
{
    m_refusals << reason;
    QByteArray bytes;
    QXmlStreamWriter writer(&bytes);
    writer.writeStartDocument();
    writer.writeNamespace(SoapNamespace, QStringLiteral("s"));
    writer.writeStartElement(SoapNamespace, QStringLiteral("Envelope"));
    writer.writeStartElement(SoapNamespace, QStringLiteral("Body"));
    writer.writeStartElement(SoapNamespace, QStringLiteral("Fault"));
    writer.writeTextElement(QStringLiteral("faultcode"), QStringLiteral("s:Client"));
    writer.writeTextElement(QStringLiteral("faultstring"), reason);
    writer.writeEndDocument();
    return xmlReply(500, bytes);
}

ScriptedReply FakePartnerServer::answer(const RecordedRequest &request)
{
    std::lock_guard lock(m_mutex);
    if (request.method != "POST" || request.header("Content-Type") != "text/xml; charset=utf-8")
        return fault(QStringLiteral("content type ") + QString::fromUtf8(request.header("Content-Type")));
    QString error;
    const std::optional<XmlElement> envelope = readXmlElement(request.body, &error);
    if (!envelope || envelope->name != QLatin1String("Envelope") || envelope->namespaceUri != SoapNamespace)
        return fault(QStringLiteral("not a SOAP 1.1 envelope: ") + error);
    const XmlElement *body = envelope->child(QStringLiteral("Body"));
    if (!body || body->namespaceUri != SoapNamespace || body->children.size() != 1)
        return fault(QStringLiteral("no operation in the body"));
    const XmlElement &call = body->children.first();
    const QString operation = call.name;
    if (call.namespaceUri != m_namespace)
        return fault(QStringLiteral("operation in namespace ") + call.namespaceUri);
    const QByteArray expectedAction = (m_namespace + QStringLiteral("/IEwsLabelService/") + operation).toUtf8();
    if (request.header("SOAPAction") != expectedAction && request.header("SOAPAction") != '"' + expectedAction + '"')
        return fault(QStringLiteral("SOAPAction ") + QString::fromUtf8(request.header("SOAPAction")));
    if (call.children.size() != 1)
        return fault(QStringLiteral("the operation takes one request"));

    static const QMap<QString, Operation> operations{
        {QStringLiteral("GetAccountStatus"), Operation::AccountStatus},
        {QStringLiteral("BuyPostage"), Operation::BuyPostage},
        {QStringLiteral("GetPostageLabel"), Operation::Label},
        {QStringLiteral("CalculatePostageRate"), Operation::Rate},
        {QStringLiteral("RefundRequest"), Operation::RefundByNumber},
        {QStringLiteral("SCANRequest"), Operation::SCAN},
    };
    if (!operations.contains(operation))
        return fault(QStringLiteral("unknown operation ") + operation);
    const Operation kind = operations.value(operation);
    const bool asText = kind == Operation::RefundByNumber || kind == Operation::SCAN;
    const XmlElement &carried = call.children.first();
    if (carried.name != (asText ? QLatin1String("requestXml") : QLatin1String("request")) ||
        carried.namespaceUri != m_namespace)
        return fault(QStringLiteral("request element ") + carried.name);
    XmlElement document = carried;
    QString xml;
    if (asText) {
        xml = carried.text;
        const std::optional<XmlElement> inner = readXmlElement(xml.toUtf8(), &error);
        if (!inner)
            return fault(QStringLiteral("requestXml is not XML: ") + error);
        document = *inner;
    }
    m_received.append({ServicePath, operation.toUtf8(), QByteArray(), xml, document, request});

    ReplyState state{m_status, m_message, m_balance, m_postage, defaultLabelTexts(), true, QString(), LabelParts{}};
    QByteArray bytes;
    QXmlStreamWriter writer(&bytes);
    writer.writeStartDocument();
    writer.writeNamespace(SoapNamespace, QStringLiteral("s"));
    writer.writeStartElement(SoapNamespace, QStringLiteral("Envelope"));
    writer.writeStartElement(SoapNamespace, QStringLiteral("Body"));
    writer.writeStartElement(operation + QStringLiteral("Response"));
    writer.writeDefaultNamespace(m_namespace);
    writer.writeStartElement(operation + QStringLiteral("Result"));
    if (asText)
        writer.writeCharacters(m_resultText.value_or(QString::fromUtf8(replyDocument(kind, document, state, false))));
    else
        writeReplyChildren(writer, kind, document, state);
    writer.writeEndDocument();
    m_balance = state.balance;
    return xmlReply(200, bytes);
}

} // namespace tolvane::test
