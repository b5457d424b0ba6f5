#include "FakeUSPSWebToolsServer.h"

namespace tolvane::test {

FakeUSPSWebToolsServer::FakeUSPSWebToolsServer()
{
    m_http.setHandler(kUSPSWebToolsPath, [this](const RecordedRequest &request) { return answer(request, false); });
    m_https.setHandler(kUSPSWebToolsPath, [this](const RecordedRequest &request) { return answer(request, true); });
}

QByteArray FakeUSPSWebToolsServer::errorDocument(const QByteArray &number, const QByteArray &description)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Error><Number>" + number +
        "</Number><Source>clsAMS</Source>"
        "<Description>" +
        description + "</Description><HelpFile/><HelpContext/></Error>";
}

void FakeUSPSWebToolsServer::setReply(const QByteArray &api, const QByteArray &body)
{
    std::lock_guard lock(m_mutex);
    m_replies.insert(api, body);
}

void FakeUSPSWebToolsServer::setAnswerer(const QByteArray &api, Answerer answerer)
{
    std::lock_guard lock(m_mutex);
    m_answerers.insert(api, std::move(answerer));
}

void FakeUSPSWebToolsServer::setErrorReply(const QByteArray &api, const QByteArray &number,
                                           const QByteArray &description)
{
    setReply(api, errorDocument(number, description));
}

QList<USPSWebToolsRequest> FakeUSPSWebToolsServer::received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

std::optional<USPSWebToolsRequest> FakeUSPSWebToolsServer::lastReceived() const
{
    std::lock_guard lock(m_mutex);
    if (m_received.isEmpty())
        return std::nullopt;
    return m_received.last();
}

int FakeUSPSWebToolsServer::receivedCount() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_received.size());
}

ScriptedReply FakeUSPSWebToolsServer::answer(const RecordedRequest &request, bool secure)
{
    const auto api = formFieldValue(request.body, "API");
    const auto xml = formFieldValue(request.body, "XML");
    USPSWebToolsRequest received{secure, api.value_or(QByteArray()), xml.value_or(QByteArray()), {}, request};
    QString error;
    const auto document = xml ? readXmlElement(*xml, &error) : std::nullopt;
    if (document)
        received.document = *document;
    Answerer answerer;
    {
        std::lock_guard lock(m_mutex);
        m_received.append(received);
        if (api && document)
            answerer = m_answerers.value(*api);
    }
    if (answerer)
        return ScriptedReply::text(200, answerer(*document), "text/xml");
    std::lock_guard lock(m_mutex);
    QByteArray body;
    if (!api || !xml)
        body = errorDocument("80040B19", "XML Syntax Error: Please check the XML request to see if it can be parsed.");
    else if (!document)
        body = errorDocument("80040B19", "XML Syntax Error: " + error.toUtf8());
    else if (m_replies.contains(*api))
        body = m_replies.value(*api);
    else
        body = errorDocument("80040B1A", "API Authorization failure. " + *api + " is not a valid API name.");
    return ScriptedReply::text(200, body, "text/xml");
}

} // namespace tolvane::test
