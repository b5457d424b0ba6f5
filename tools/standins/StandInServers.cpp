#include "StandInServers.h"

#include "FakeAccountInformationServer.h"
#include "FakeLabelNumberServer.h"
#include "FakeLabelServers.h"
#include "FakePostageServer.h"
#include "FakeUSPSWebToolsServer.h"
#include "FakeZoneChartServer.h"
#include "LocalHttpServer.h"

#include "platform/HttpClient.h"

#include <QStringList>

using namespace tolvane::test;

namespace {

// The demo account: it exists in the stand-in postage server only.
const QByteArray kDemoAccount = "7000001";
const QByteArray kDemoPassPhrase = "demo pass phrase";
// The partner label service's namespace in the demo.
const QString kPartnerNamespace = QStringLiteral("https://partner.invalid/2010/06");

// Hands a request to the server at `base` and its reply back.
ScriptedReply forward(const QString &base, const RecordedRequest &request)
{
    HttpRequest out;
    out.url = QUrl::fromEncoded(base.toLatin1() + request.target);
    out.method = request.method;
    out.body = request.body;
    out.timeoutMilliseconds = 30000;
    for (const auto &[name, value] : request.headers) {
        const QByteArray lower = name.toLower();
        if (lower != "host" && lower != "content-length" && lower != "connection")
            out.setHeader(name, value);
    }
    HttpError error;
    const std::optional<HttpResponse> reply = sendHttpRequest(out, &error);
    if (!reply)
        return ScriptedReply::text(502, error.description.toUtf8());
    ScriptedReply answer;
    answer.status = reply->statusCode;
    answer.body = reply->body;
    for (const auto &[name, value] : reply->headers) {
        const QByteArray lower = name.toLower();
        if (lower != "content-length" && lower != "connection" && lower != "transfer-encoding")
            answer.addHeader(name, value);
    }
    return answer;
}

} // namespace

struct StandInServers::Servers {
    FakePostageServer postage;
    FakeLabelServer label;
    FakeLabelNumberServer numbers;
    FakeAccountInformationServer account;
    FakeZoneChartServer zones;
    FakePartnerServer partner{kPartnerNamespace};
    FakeUSPSWebToolsServer usps;
    // The one host of the label server, the label numbers, the account
    // information and the web site.
    LocalHttpServer front{LocalHttpServer::Scheme::Https};
};

StandInServers::StandInServers() : m(std::make_unique<Servers>())
{
    // The stand-ins' own requests to each other trust their authority.
    setHttpCAFile(LocalHttpServer::testCertificateAuthorityFile());

    m->postage.setAccount(kDemoAccount, kDemoPassPhrase);
    FakePostageReply status;
    status.serialNumber = kDemoAccount.toUInt();
    status.descendingRegister = 100000; // $100.00 in mils
    status.ascendingRegister = 0;
    status.controlRegister = 100000;
    status.flags = "NNSNN";
    status.licenseZIP5 = "20260";
    status.licenseCity = "WASHINGTON";
    status.licenseState = "DC";
    status.name = "Demo Account";
    status.webPassword = "demo-web";
    m->postage.queueReplies(28, {status});

    m->numbers.setPicNumberReply("<Status>0</Status><LabelNumber>9405511899223197428490</LabelNumber>");
    m->numbers.setConfirmReply("<ConfirmNumber>00000000000000001234567</ConfirmNumber>");
    m->account.setAccountElements("<Status>0</Status>");

    const QList<QPair<QByteArray, QString>> routes{
        {FakeLabelServer::LabelPath, m->label.http().baseUrl()},
        {FakeLabelServer::RatePath, m->label.http().baseUrl()},
        {FakeLabelServer::AccountStatusPath, m->label.http().baseUrl()},
        {FakeLabelServer::BuyPostagePath, m->label.http().baseUrl()},
        {FakeLabelServer::RefundPath, m->label.http().baseUrl()},
        {FakeLabelServer::StampsPath, m->label.http().baseUrl()},
        {FakeLabelServer::SupplementalPath, m->label.http().baseUrl()},
        {kPicNumberPath, m->numbers.http().baseUrl()},
        {kExpressNumberPath, m->numbers.http().baseUrl()},
        {kInternationalNumberPath, m->numbers.http().baseUrl()},
        {kConfirmNumberPath, m->numbers.http().baseUrl()},
        {kAccountInformationPath, m->account.http().baseUrl()},
        {kCountryRulesPath, m->account.http().baseUrl()},
        {kInsuranceAgreementPath, m->account.http().baseUrl()},
    };
    for (const auto &[path, base] : routes) {
        const QString target = base;
        m->front.setHandler(path, [target](const RecordedRequest &request) { return forward(target, request); });
    }
}

StandInServers::~StandInServers() = default;

bool StandInServers::isReady() const
{
    return m->postage.isReady() && m->label.isListening() && m->numbers.isListening() && m->account.isListening() &&
        m->zones.isListening() && m->partner.isListening() && m->usps.isListening() && m->front.isListening();
}

QString StandInServers::errorString() const
{
    QStringList problems;
    if (!m->postage.isReady())
        problems << QStringLiteral("postage server: %1").arg(m->postage.errorString());
    if (!m->front.isListening())
        problems << QStringLiteral("label server: %1").arg(m->front.errorString());
    if (!m->label.isListening() || !m->numbers.isListening() || !m->account.isListening() || !m->zones.isListening() ||
        !m->usps.isListening() || !m->partner.isListening())
        problems << QStringLiteral("a stand-in could not listen on a loopback port");
    return problems.join(QStringLiteral("; "));
}

QVariantMap StandInServers::settings() const
{
    return {
        {QStringLiteral("tolvaneServer"), m->postage.baseUrl()},
        {QStringLiteral("tolvaneServerModulus"), FakePostageServer::modulusHex()},
        {QStringLiteral("tolvaneUser"), QString::fromLatin1(kDemoAccount)},
        {QStringLiteral("labelServiceServer"), m->front.hostAndPort()},
        {QStringLiteral("tolvaneWebSite"), m->front.hostAndPort()},
        {QStringLiteral("zoneChartServer"), m->zones.host()},
        {QStringLiteral("BRKServer"), m->partner.host()},
        {QStringLiteral("BRKServiceNamespace"), kPartnerNamespace},
        // The address-correction host, whose reachability the launch checks.
        {QStringLiteral("glzServerAddress"), m->front.hostAndPort()},
        {QStringLiteral("uspsWebToolsServer"), m->usps.host()},
        {QStringLiteral("uspsWebToolsSecureServer"), m->usps.secureHost()},
    };
}

QString StandInServers::certificateAuthorityFile() const { return LocalHttpServer::testCertificateAuthorityFile(); }

QString StandInServers::demoAccountNumber() { return QString::fromLatin1(kDemoAccount); }

QString StandInServers::demoPassPhrase() { return QString::fromLatin1(kDemoPassPhrase); }

QStringList StandInServers::description() const
{
    return {
        QStringLiteral("postage server          %1").arg(m->postage.baseUrl()),
        QStringLiteral("label server, numbers,  %1 (the label server's, label numbers', account")
            .arg(m->front.baseUrl()),
        QStringLiteral("  account, web site     information's and web site's paths)"),
        QStringLiteral("zone charts             http://%1").arg(m->zones.host()),
        QStringLiteral("partner label service   https://%1").arg(m->partner.host()),
        QStringLiteral("USPS Web Tools          http://%1, https://%2").arg(m->usps.host(), m->usps.secureHost()),
    };
}
