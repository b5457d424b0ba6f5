#include "FakeAccountInformationServer.h"

#include <QUrlQuery>

namespace tolvane::test {

namespace {
QByteArray escaped(const QByteArray &text)
{
    QByteArray out = text;
    out.replace('&', "&amp;").replace('<', "&lt;").replace('>', "&gt;");
    return out;
}

QUrlQuery queryOf(const RecordedRequest &request) { return QUrlQuery(QString::fromLatin1(request.query())); }
} // namespace

FakeAccountInformationServer::FakeAccountInformationServer()
{
    m_http.setHandler(kAccountInformationPath, [this](const RecordedRequest &) {
        std::lock_guard lock(m_mutex);
        if (m_rawAccountReply)
            return ScriptedReply::text(200, *m_rawAccountReply, "text/xml");
        return ScriptedReply::text(200,
                                   "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<AccountInformationResponse>" +
                                       m_accountElements + "</AccountInformationResponse>",
                                   "text/xml");
    });
    m_http.setHandler(kCountryRulesPath, [this](const RecordedRequest &) {
        std::lock_guard lock(m_mutex);
        return ScriptedReply::text(
            200,
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<CountryRulesResponse><CountryListings>" +
                escaped(m_listings) + "</CountryListings><ServerVersion>" + m_serverVersion +
                "</ServerVersion></CountryRulesResponse>",
            "text/xml");
    });
    m_http.setHandler(kInsuranceAgreementPath, [](const RecordedRequest &) {
        return ScriptedReply::text(200, "<Result>OK</Result>", "text/xml");
    });
}

void FakeAccountInformationServer::setAccountElements(const QByteArray &elements)
{
    std::lock_guard lock(m_mutex);
    m_accountElements = elements;
    m_rawAccountReply.reset();
}

void FakeAccountInformationServer::setRawAccountReply(const QByteArray &body)
{
    std::lock_guard lock(m_mutex);
    m_rawAccountReply = body;
}

void FakeAccountInformationServer::setCountryRules(const QByteArray &listings, const QByteArray &serverVersion)
{
    std::lock_guard lock(m_mutex);
    m_listings = listings;
    m_serverVersion = serverVersion;
}

QString FakeAccountInformationServer::lastQueryValue(const QByteArray &path, const QString &name) const
{
    const auto requests = m_http.requests();
    for (auto it = requests.crbegin(); it != requests.crend(); ++it) {
        if (it->path() == path)
            return queryOf(*it).queryItemValue(name, QUrl::FullyDecoded);
    }
    return QString();
}

std::optional<XmlElement> FakeAccountInformationServer::lastDocument(const QByteArray &path) const
{
    const QString text = lastQueryValue(path, QStringLiteral("inputString"));
    if (text.isEmpty())
        return std::nullopt;
    return readXmlElement(text.toUtf8());
}

int FakeAccountInformationServer::requestCount(const QByteArray &path) const
{
    int count = 0;
    for (const RecordedRequest &request : m_http.requests())
        count += request.path() == path ? 1 : 0;
    return count;
}

} // namespace tolvane::test
