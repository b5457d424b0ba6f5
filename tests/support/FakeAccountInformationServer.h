#pragma once
// Stand-in for the vendor's account-information service on the local HTTPS
// test server. Three GET paths:
//   "/LabelService/Account.asmx/AccountInformationV2" - the query
//       "inputString" holds an AccountInformationRequest document; the reply
//       is an AccountInformationResponse element holding the scripted
//       elements (raw XML), or a scripted raw body;
//   "/LabelService/account.asmx/GetCountryRules" - the query names
//       "clientVersion" and "password"; the reply holds CountryListings (the
//       rules text, or "UpToDate") and ServerVersion;
//   "/LabelService/account.asmx/InsuranceAgreement" - the query
//       "inputString" holds an InsuranceAgreementConfirmation document.
// Requests are read with Qt's stream reader (readXmlElement), not with the
// program's code.
#include "FakeLabelServers.h"
#include "LocalHttpServer.h"

#include <QByteArray>
#include <QString>

#include <mutex>
#include <optional>

namespace tolvane::test {

class FakeAccountInformationServer
{
public:
    FakeAccountInformationServer();

    bool isListening() const { return m_http.isListening(); }
    QString host() const { return m_http.hostAndPort(); }
    LocalHttpServer &http() { return m_http; }

    // The child elements of AccountInformationResponse (XML text).
    void setAccountElements(const QByteArray &elements);
    // A body sent as it is instead.
    void setRawAccountReply(const QByteArray &body);
    void setCountryRules(const QByteArray &listings, const QByteArray &serverVersion);

    // The document of the newest request to the path, read from its query
    // parameter "inputString".
    std::optional<XmlElement> lastDocument(const QByteArray &path) const;
    // A query parameter of the newest request to the path.
    QString lastQueryValue(const QByteArray &path, const QString &name) const;
    int requestCount(const QByteArray &path) const;

private:
    LocalHttpServer m_http{LocalHttpServer::Scheme::Https};
    mutable std::mutex m_mutex;
    QByteArray m_accountElements;
    std::optional<QByteArray> m_rawAccountReply;
    QByteArray m_listings = "UpToDate";
    QByteArray m_serverVersion = "1";
};

inline constexpr const char *kAccountInformationPath = "/LabelService/Account.asmx/AccountInformationV2";
inline constexpr const char *kCountryRulesPath = "/LabelService/account.asmx/GetCountryRules";
inline constexpr const char *kInsuranceAgreementPath = "/LabelService/account.asmx/InsuranceAgreement";

} // namespace tolvane::test
