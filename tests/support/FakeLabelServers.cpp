#include "FakeLabelServers.h"

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

// The namespace of the fake label server's replies (the program must read
// them whatever their namespace).
const QString ReplyNamespace = QStringLiteral("urn:tolvane-test:label-server");

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

using Operation = LabelOperation;

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

QByteArray replyDocument(Operation operation, const XmlElement &request, ReplyState &state, bool withNamespace)
{
    QByteArray bytes;
    QXmlStreamWriter writer(&bytes);
    writer.writeStartDocument();
    writer.writeStartElement(labelReplyRootName(operation));
    if (withNamespace)
        writer.writeDefaultNamespace(ReplyNamespace);
    writeReplyChildren(writer, operation, request, state);
    writer.writeEndElement();
    writer.writeEndDocument();
    return bytes;
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

// ---- FakeLabelServer ----------------------------------------------------------------

FakeLabelServer::FakeLabelServer() : m_labelTexts(defaultLabelTexts())
{
    for (const LabelFormPath &entry : labelFormPaths())
        m_http.setHandler(entry.path, [this](const RecordedRequest &request) { return answer(request); });
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

QByteArray FakeLabelServer::replyFor(LabelOperation operation, const XmlElement &document)
{
    ReplyState state{m_status,     m_message,        m_balance,       m_postage,
                     m_labelTexts, m_refundApproved, m_refundMessage, m_labelParts};
    const QByteArray body = replyDocument(operation, document, state, true);
    m_balance = state.balance;
    return body;
}

ScriptedReply FakeLabelServer::answer(const RecordedRequest &request)
{
    const LabelRequestRead read = readLabelFormRequest(request);
    if (!read.request)
        return ScriptedReply::text(read.status, read.error.toUtf8());
    const LabelRequest &document = *read.request;
    const QByteArray path = request.path();
    std::lock_guard lock(m_mutex);
    m_received.append({path, QByteArray(), document.field, document.xml, document.document, request});
    if (m_rawReplies.contains(path))
        return xmlReply(200, m_rawReplies.value(path));
    return xmlReply(200, replyFor(*document.operation, document.document));
}

ScriptedReply FakeLabelServer::answerSupplemental(const RecordedRequest &request)
{
    const LabelRequestRead read = readSupplementalRequest(request);
    if (!read.request)
        return ScriptedReply::text(read.status, read.error.toUtf8());
    const LabelRequest &document = *read.request;
    std::lock_guard lock(m_mutex);
    m_received.append({SupplementalPath, document.method, document.field, document.xml, document.document, request});
    const QByteArray rawKey = SupplementalPath + "?" + document.method;
    if (m_rawReplies.contains(rawKey))
        return xmlReply(200, m_rawReplies.value(rawKey));
    if (!document.operation)
        return ScriptedReply::text(404, "unknown method");
    ReplyState state{m_status,     m_message,        m_balance,       m_postage,
                     m_labelTexts, m_refundApproved, m_refundMessage, m_labelParts};
    return xmlReply(200, replyDocument(*document.operation, document.document, state, false));
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

ScriptedReply FakePartnerServer::answer(const RecordedRequest &request)
{
    std::lock_guard lock(m_mutex);
    const LabelRequestRead read = readPartnerRequest(request, m_namespace);
    if (!read.request) {
        m_refusals << read.error;
        return partnerFault(read.error);
    }
    const LabelRequest &call = *read.request;
    m_received.append({ServicePath, call.method, QByteArray(), call.xml, call.document, request});

    ReplyState state{m_status, m_message, m_balance, m_postage, defaultLabelTexts(), true, QString(), LabelParts{}};
    const LabelOperation kind = *call.operation;
    const ScriptedReply reply =
        partnerReply(m_namespace, QString::fromUtf8(call.method), [&](QXmlStreamWriter &writer) {
            if (call.asText)
                writer.writeCharacters(
                    m_resultText.value_or(QString::fromUtf8(replyDocument(kind, call.document, state, false))));
            else
                writeReplyChildren(writer, kind, call.document, state);
        });
    m_balance = state.balance;
    return reply;
}

} // namespace tolvane::test
