#include "FakeLabelNumberServer.h"

#include <QUrlQuery>

namespace tolvane::test {

namespace {
std::optional<RecordedRequest> lastRequestTo(const LocalHttpServer &http, const QByteArray &path)
{
    const auto requests = http.requests();
    for (auto it = requests.crbegin(); it != requests.crend(); ++it) {
        if (it->path() == path)
            return *it;
    }
    return std::nullopt;
}
} // namespace

void FakeLabelNumberServer::setPicNumberReply(const QByteArray &elements)
{
    const ScriptedReply reply = ScriptedReply::text(
        200,
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<LabelNumberResponse>" + elements + "</LabelNumberResponse>",
        "text/xml");
    m_http.setReply(kPicNumberPath, reply);
    m_http.setReply(kExpressNumberPath, reply);
}

std::optional<XmlElement> FakeLabelNumberServer::lastExpressRequest() const
{
    const auto request = lastRequestTo(m_http, kExpressNumberPath);
    const QByteArray key = "expressMailNumberRequestXml=";
    if (!request || !request->body.startsWith(key))
        return std::nullopt;
    return readXmlElement(QByteArray::fromPercentEncoding(request->body.mid(key.size())));
}

void FakeLabelNumberServer::setConfirmReply(const QByteArray &itemElements)
{
    m_http.setReply(kConfirmNumberPath,
                    ScriptedReply::text(200,
                                        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<ConfirmResponse><ConfirmItem "
                                        "ID=\"TfM\">" +
                                            itemElements + "</ConfirmItem></ConfirmResponse>",
                                        "text/xml"));
}

std::optional<XmlElement> FakeLabelNumberServer::lastPicNumberRequest() const
{
    const auto request = lastRequestTo(m_http, kPicNumberPath);
    if (!request || !request->body.startsWith("picNumberRequestXML="))
        return std::nullopt;
    return readXmlElement(QByteArray::fromPercentEncoding(request->body.mid(20)));
}

std::optional<XmlElement> FakeLabelNumberServer::lastConfirmRequest() const
{
    const auto request = lastRequestTo(m_http, kConfirmNumberPath);
    if (!request)
        return std::nullopt;
    const QUrlQuery query(QString::fromLatin1(request->query()));
    return readXmlElement(query.queryItemValue(QStringLiteral("xmlInput"), QUrl::FullyDecoded).toUtf8());
}

} // namespace tolvane::test
