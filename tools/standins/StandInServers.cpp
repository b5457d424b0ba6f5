#include "StandInServers.h"

#include "FakeAccountInformationServer.h"
#include "FakeAddressCorrectionServer.h"
#include "FakeLabelNumberServer.h"
#include "FakePostageServer.h"
#include "FakeUSPSWebToolsServer.h"
#include "FakeZoneChartServer.h"
#include "LocalHttpServer.h"
#include "StandInVendor.h"

#include "platform/HttpClient.h"

#include <QStringList>

using namespace tolvane::test;

namespace {

// The demo account: it exists in the stand-in postage server only.
const QByteArray kDemoAccount = "7000001";
const QByteArray kDemoPassPhrase = "demo pass phrase";
constexpr qint64 kDemoBalanceMils = 100000; // $100.00
// The demo's account at the partner label service (the partner's own).
const QByteArray kPartnerAccount = "B7000001";
const QByteArray kPartnerPassword = "demo partner password";
constexpr qint64 kPartnerBalanceMils = 50000; // $50.00

} // namespace

struct StandInServers::Servers {
    StandInVendor vendor;
    FakePostageServer postage;
    FakeLabelNumberServer numbers;
    FakeAccountInformationServer account;
    FakeZoneChartServer zones;
    LocalHttpServer partner{LocalHttpServer::Scheme::Https};
    FakeUSPSWebToolsServer usps;
    // The one host of the label server, the label numbers, the account
    // information and the web site.
    LocalHttpServer front{LocalHttpServer::Scheme::Https};
};

namespace {

// A handler that answers a failure the control road asked for first.
std::function<ScriptedReply(const RecordedRequest &)>
vendorHandler(StandInVendor &vendor, const QString &service,
              ScriptedReply (StandInVendor::*answer)(const RecordedRequest &))
{
    return [&vendor, service, answer](const RecordedRequest &request) {
        if (std::optional<ScriptedReply> failure = vendor.takeFailure(service))
            return *failure;
        return (vendor.*answer)(request);
    };
}

} // namespace

StandInServers::StandInServers(Options options) : m(std::make_unique<Servers>())
{
    // The stand-ins' own requests to each other trust their authority.
    setHttpCAFile(LocalHttpServer::testCertificateAuthorityFile());

    StandInVendor &vendor = m->vendor;
    vendor.addAccount(kDemoAccount, kDemoPassPhrase, kDemoBalanceMils);
    m->postage.setAnswerer([&vendor](const FakePostageRequest &request) { return vendor.postageReply(request); });
    m->postage.http().setHandler(StandInVendor::ReceiptPath,
                                 vendorHandler(vendor, QStringLiteral("receipt"), &StandInVendor::receipt));
    m->usps.setAnswerer("TrackV2", [&vendor](const XmlElement &request) { return vendor.track(request); });
    m->zones.http().setHandler(StandInVendor::ZoneChartPath,
                               vendorHandler(vendor, QStringLiteral("zones"), &StandInVendor::zoneChart));

    // The label server and its supplemental service on the front host; the
    // partner label service on a host of its own.
    vendor.addPartnerAccount(kPartnerAccount, kPartnerPassword, kPartnerBalanceMils);
    for (const QByteArray &path : StandInVendor::labelServerPaths())
        m->front.setHandler(path, [&vendor](const RecordedRequest &request) { return vendor.labelServer(request); });
    m->front.setHandler(StandInVendor::SupplementalPath,
                        [&vendor](const RecordedRequest &request) { return vendor.labelSupplemental(request); });
    m->partner.setHandler(StandInVendor::PartnerServicePath,
                          [&vendor](const RecordedRequest &request) { return vendor.partner(request); });
    // The vendor's own answers on the front host.
    const QList<std::tuple<QByteArray, QString, ScriptedReply (StandInVendor::*)(const RecordedRequest &)>> answers{
        {kAddressCorrectionPath, QStringLiteral("address"), &StandInVendor::addressCorrection},
        {kAddressCorrectionV1Path, QStringLiteral("address"), &StandInVendor::addressCorrection},
        {kPicNumberPath, QStringLiteral("numbers"), &StandInVendor::labelNumber},
        {kExpressNumberPath, QStringLiteral("numbers"), &StandInVendor::labelNumber},
        {kInternationalNumberPath, QStringLiteral("numbers"), &StandInVendor::labelNumber},
        {kConfirmNumberPath, QStringLiteral("numbers"), &StandInVendor::confirmNumber},
        {kAccountInformationPath, QStringLiteral("account"), &StandInVendor::accountInformation},
        {kCountryRulesPath, QStringLiteral("account"), &StandInVendor::countryRules},
        {kInsuranceAgreementPath, QStringLiteral("account"), &StandInVendor::insuranceAgreement},
        {StandInVendor::AccountPagePath, QStringLiteral("site"), &StandInVendor::accountPage},
    };
    for (const auto &[path, service, answer] : answers)
        m->front.setHandler(path, vendorHandler(vendor, service, answer));
    if (options.controlRoad) {
        for (const char *path : {StandInVendor::AccountControlPath, StandInVendor::FailNextControlPath})
            m->front.setHandler(path, [&vendor](const RecordedRequest &request) { return vendor.control(request); });
    }
}

StandInServers::~StandInServers() = default;

bool StandInServers::isReady() const
{
    return m->postage.isReady() && m->numbers.isListening() && m->account.isListening() && m->zones.isListening() &&
        m->partner.isListening() && m->usps.isListening() && m->front.isListening();
}

QString StandInServers::errorString() const
{
    QStringList problems;
    if (!m->postage.isReady())
        problems << QStringLiteral("postage server: %1").arg(m->postage.errorString());
    if (!m->front.isListening())
        problems << QStringLiteral("label server: %1").arg(m->front.errorString());
    if (!m->numbers.isListening() || !m->account.isListening() || !m->zones.isListening() || !m->usps.isListening() ||
        !m->partner.isListening())
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
        {QStringLiteral("BRKServer"), m->partner.hostAndPort()},
        {QStringLiteral("BRKServiceNamespace"), QString::fromLatin1(StandInVendor::PartnerNamespace)},
        {QStringLiteral("BRKAccountID"), QString::fromLatin1(kPartnerAccount)},
        {QStringLiteral("BRKPassword"), QString::fromLatin1(kPartnerPassword)},
        // The address-correction host, whose reachability the launch checks.
        {QStringLiteral("glzServerAddress"), m->front.hostAndPort()},
        {QStringLiteral("uspsWebToolsServer"), m->usps.host()},
        {QStringLiteral("uspsWebToolsSecureServer"), m->usps.secureHost()},
        // Postage on, priced in the rate year whose retail prices the
        // program knows, mailed from the demo account's licence ZIP.
        {QStringLiteral("usePostage"), true},
        {QStringLiteral("useSep14Rates"), true},
        {QStringLiteral("mailedFromZIP5"), QString::fromLatin1(StandInVendor::LicenseZIP5)},
    };
}

QString StandInServers::certificateAuthorityFile() const { return LocalHttpServer::testCertificateAuthorityFile(); }

StandInVendor &StandInServers::vendor() { return m->vendor; }

QString StandInServers::frontBaseUrl() const { return m->front.baseUrl(); }

QString StandInServers::demoAccountNumber() { return QString::fromLatin1(kDemoAccount); }

QString StandInServers::demoPassPhrase() { return QString::fromLatin1(kDemoPassPhrase); }

QString StandInServers::demoPartnerAccount() { return QString::fromLatin1(kPartnerAccount); }

QStringList StandInServers::description() const
{
    return {
        QStringLiteral("postage server          %1").arg(m->postage.baseUrl()),
        QStringLiteral("label server, numbers,  %1 (the label server's, label numbers', account")
            .arg(m->front.baseUrl()),
        QStringLiteral("  account, web site     information's and web site's paths)"),
        QStringLiteral("zone charts             http://%1").arg(m->zones.host()),
        QStringLiteral("partner label service   https://%1").arg(m->partner.hostAndPort()),
        QStringLiteral("USPS Web Tools          http://%1, https://%2").arg(m->usps.host(), m->usps.secureHost()),
        QStringLiteral("Pieces with prices: First-Class Mail (the 2014 tables) and the Priority Mail flat-rate"),
        QStringLiteral("  envelopes and boxes at their retail prices of 7 September 2014; other pieces have"),
        QStringLiteral("  no price. Postage is on; the indicia are the demo's test indicia, not postage."),
    };
}
