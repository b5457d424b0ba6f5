#include "FakeAddressCorrectionServer.h"

#include <QRegularExpression>

namespace tolvane::test {

namespace {

QString decoded(QByteArray text) { return QString::fromUtf8(QByteArray::fromPercentEncoding(text.replace('+', ' '))); }

QMap<QString, QString> queryFields(const QByteArray &query)
{
    QMap<QString, QString> fields;
    for (const QByteArray &pair : query.split('&')) {
        if (pair.isEmpty())
            continue;
        const qsizetype equals = pair.indexOf('=');
        fields.insert(decoded(equals < 0 ? pair : pair.left(equals)),
                      equals < 0 ? QString() : decoded(pair.mid(equals + 1)));
    }
    return fields;
}

QByteArray escaped(const QString &text) { return text.toUtf8().replace('&', "&amp;").replace('<', "&lt;"); }

// The reply the service gives for the lines sent.
QByteArray replyFromRequest(const QMap<QString, QString> &fields)
{
    QStringList lines;
    for (int i = 0; i < 4; ++i) {
        const QString line = fields.value(QStringLiteral("ADDRESS%1").arg(i));
        if (!line.isEmpty())
            lines << line.toUpper();
    }
    static const QRegularExpression lastLine(QStringLiteral("^(.*) ([A-Z]{2}) (\\d{5})(?:-(\\d{4}))?$"));
    const auto match = lastLine.match(lines.isEmpty() ? QString() : lines.last());
    if (!match.hasMatch())
        return "<Addrelle_Response><ReturnCode>11</ReturnCode></Addrelle_Response>";
    const QString street = lines.size() >= 2 ? lines[lines.size() - 2] : QString();
    return "<Addrelle_Response><ReturnCode>31</ReturnCode><AddrLine1>" + escaped(street) + "</AddrLine1><City>" +
        escaped(match.captured(1)) + "</City><State>" + match.captured(2).toUtf8() + "</State><ZIP5>" +
        match.captured(3).toUtf8() + "</ZIP5><ZIP4>" + match.captured(4).toUtf8() + "</ZIP4><AddrLineLast>" +
        escaped(match.captured(1) + QLatin1Char(' ') + match.captured(2) + QLatin1Char(' ') + match.captured(3)) +
        "</AddrLineLast></Addrelle_Response>";
}

} // namespace

FakeAddressCorrectionServer::FakeAddressCorrectionServer()
{
    const auto handler = [this](const RecordedRequest &request) { return answer(request); };
    m_http.setHandler(kAddressCorrectionPath, handler);
    m_http.setHandler(kAddressCorrectionV1Path, handler);
}

void FakeAddressCorrectionServer::setResponseElements(const QByteArray &elements)
{
    setRawReply("<?xml version=\"1.0\"?>\r\n<Addrelle_Response>" + elements + "</Addrelle_Response>");
}

void FakeAddressCorrectionServer::setRawReply(const QByteArray &body)
{
    std::lock_guard lock(m_mutex);
    m_reply = body;
}

void FakeAddressCorrectionServer::answerFromRequest()
{
    std::lock_guard lock(m_mutex);
    m_reply.reset();
}

QList<AddressCorrectionRequest> FakeAddressCorrectionServer::received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

std::optional<AddressCorrectionRequest> FakeAddressCorrectionServer::lastReceived() const
{
    std::lock_guard lock(m_mutex);
    if (m_received.isEmpty())
        return std::nullopt;
    return m_received.last();
}

ScriptedReply FakeAddressCorrectionServer::answer(const RecordedRequest &request)
{
    const QMap<QString, QString> fields = queryFields(request.query());
    std::lock_guard lock(m_mutex);
    m_received.append({fields, request});
    return ScriptedReply::text(200, m_reply ? *m_reply : replyFromRequest(fields), "text/xml");
}

} // namespace tolvane::test
