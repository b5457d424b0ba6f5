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
    m_http.setReply(kInternationalNumberPath, reply);
}

std::optional<XmlElement> FakeLabelNumberServer::lastFormRequest(const char *path, const QByteArray &formKey) const
{
    const auto request = lastRequestTo(m_http, path);
    const QByteArray key = formKey + '=';
    if (!request || !request->body.startsWith(key))
        return std::nullopt;
    return readXmlElement(QByteArray::fromPercentEncoding(request->body.mid(key.size())));
}

std::optional<XmlElement> FakeLabelNumberServer::lastExpressRequest() const
{
    return lastFormRequest(kExpressNumberPath, "expressMailNumberRequestXml");
}

std::optional<XmlElement> FakeLabelNumberServer::lastInternationalRequest() const
{
    return lastFormRequest(kInternationalNumberPath, "internationalPicNumberRequestXml");
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
    return lastFormRequest(kPicNumberPath, "picNumberRequestXML");
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
