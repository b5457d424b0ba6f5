// QVCommandCenter, the base of the server clients: shared instances, the
// accessors and last-error fields, requests against the local test server
// (GET, POST with forced Host and Content-Length, error replies, time-outs,
// HTTPS), reachability and the certificate rule.
#include "services/QVCertificateRule.h"
#include "services/QVCommandCenter.h"
#include "services/QVReachability.h"

#include "LocalHttpServer.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using tolvane::test::LocalHttpServer;
using tolvane::test::ScriptedReply;

namespace {

class PostageClient : public QVCommandCenter
{};

class LabelClient : public QVCommandCenter
{
public:
    void setPassword(const QString &password) override
    {
        order << QStringLiteral("password");
        QVCommandCenter::setPassword(password.toUpper());
    }
    void setUserid(const QString &userid) override
    {
        order << QStringLiteral("userid");
        QVCommandCenter::setUserid(userid);
    }
    QStringList order;
};

class PartnerClient : public LabelClient
{};

// A client that takes a neighbour's instance while it is made, as the label
// server's takes the postage server's.
class DependentClient : public QVCommandCenter
{
public:
    DependentClient() : postage(QVCommandCenter::commandCenter<PostageClient>()) { ++made; }
    std::shared_ptr<PostageClient> postage;
    static inline std::atomic<int> made{0};
};

class FakeReachability : public QVReachability
{
public:
    bool isHostReachable(const QString &host) override
    {
        asked << host;
        return host == QStringLiteral("reachable.example");
    }
    QStringList asked;
};

class CommandCenterTest : public ::testing::Test
{
protected:
    void SetUp() override { QVCommandCenter::resetSharedInstancesForTesting(); }
    void TearDown() override
    {
        QVCommandCenter::resetSharedInstancesForTesting();
        setReachability(nullptr);
        setHttpCAFile(QString());
        setDevelopmentDomain(QString());
    }
};

TEST_F(CommandCenterTest, EachClientClassHasOneSharedInstance)
{
    const auto postage = QVCommandCenter::commandCenter<PostageClient>();
    const auto label = QVCommandCenter::commandCenter<LabelClient>();
    const auto partner = QVCommandCenter::commandCenter<PartnerClient>();
    ASSERT_TRUE(postage && label && partner);
    EXPECT_EQ(QVCommandCenter::commandCenter<PostageClient>(), postage);
    EXPECT_NE(static_cast<QVCommandCenter *>(postage.get()), static_cast<QVCommandCenter *>(label.get()));
    // A subclass never receives its base class's instance.
    EXPECT_NE(static_cast<LabelClient *>(partner.get()), label.get());
    EXPECT_EQ(partner->className(), QStringLiteral("PartnerClient"));
    EXPECT_EQ(label->className(), QStringLiteral("LabelClient"));

    // Letting go of the instance any number of times leaves it shared and usable.
    QVCommandCenter *const address = postage.get();
    {
        auto copy = QVCommandCenter::commandCenter<PostageClient>();
        copy->setServer(QStringLiteral("server.example"));
    }
    auto again = QVCommandCenter::commandCenter<PostageClient>();
    EXPECT_EQ(again.get(), address);
    EXPECT_EQ(again->server(), QStringLiteral("server.example"));

    // The test hook forgets the instances; a holder keeps its own alive.
    QVCommandCenter::resetSharedInstancesForTesting();
    const auto fresh = QVCommandCenter::commandCenter<PostageClient>();
    EXPECT_NE(fresh, postage);
    EXPECT_TRUE(fresh->server().isEmpty());
    EXPECT_EQ(postage->server(), QStringLiteral("server.example"));
}

TEST_F(CommandCenterTest, InstancesMadeFromSeveralThreadsAreMadeOnce)
{
    DependentClient::made = 0;
    std::vector<std::shared_ptr<DependentClient>> seen(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = QVCommandCenter::commandCenter<DependentClient>(); });
    for (auto &thread : threads)
        thread.join();
    EXPECT_EQ(DependentClient::made, 1);
    for (const auto &client : seen)
        EXPECT_EQ(client, seen.front());
    EXPECT_EQ(seen.front()->postage, QVCommandCenter::commandCenter<PostageClient>());
}

TEST_F(CommandCenterTest, AccessorsStartEmptyAndUseridAndPasswordGoThroughTheSubclass)
{
    const auto client = QVCommandCenter::commandCenter<LabelClient>();
    EXPECT_TRUE(client->server().isNull());
    EXPECT_TRUE(client->path().isNull());
    EXPECT_TRUE(client->lastErrorCode().isNull());
    EXPECT_TRUE(client->lastErrorDescription().isNull());
    EXPECT_FALSE(client->logToFile());
    EXPECT_FALSE(client->logToConsole());

    client->setUseridAndPassword(QStringLiteral("1234567"), QStringLiteral("phrase"));
    EXPECT_EQ(client->order, (QStringList{QStringLiteral("userid"), QStringLiteral("password")}));
    EXPECT_EQ(client->userid(), QStringLiteral("1234567"));
    EXPECT_EQ(client->password(), QStringLiteral("PHRASE"));
    client->setPath(QStringLiteral("/LabelService/EwsLabelService.asmx/"));
    EXPECT_EQ(client->path(), QStringLiteral("/LabelService/EwsLabelService.asmx/"));
    client->setLastError(QStringLiteral("12"), QStringLiteral("text"));
    EXPECT_EQ(client->lastErrorCode(), QStringLiteral("12"));
    EXPECT_EQ(client->lastErrorDescription(), QStringLiteral("text"));
}

TEST_F(CommandCenterTest, LastErrorFieldsAreSafeToWriteFromSeveralThreads)
{
    const auto client = QVCommandCenter::commandCenter<PostageClient>();
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([client, t] {
            for (int i = 0; i < 2000; ++i) {
                const QString code = QString::number(t * 10000 + i);
                client->setLastError(code, QStringLiteral("error ") + code);
            }
        });
    }
    for (int i = 0; i < 2000; ++i) {
        const QString description = client->lastErrorDescription();
        EXPECT_TRUE(description.isEmpty() || description.startsWith(QStringLiteral("error ")));
    }
    for (auto &writer : writers)
        writer.join();
    EXPECT_EQ(client->lastErrorDescription(), QStringLiteral("error ") + client->lastErrorCode());
}

class CommandCenterNetworkingTest : public CommandCenterTest
{
protected:
    void SetUp() override
    {
        CommandCenterTest::SetUp();
        ASSERT_TRUE(m_server.isListening()) << qPrintable(m_server.errorString());
        m_client = QVCommandCenter::commandCenter<PostageClient>();
        m_client->setServer(m_server.hostAndPort());
    }
    QUrl url(const QString &path) const { return QUrl(m_server.url(path)); }

    LocalHttpServer m_server;
    std::shared_ptr<PostageClient> m_client;
};

TEST_F(CommandCenterNetworkingTest, GetSendsTheExtraHeadersAndNoCookie)
{
    ScriptedReply reply = ScriptedReply::text(200, "<CityStateLookupResponse/>");
    reply.addHeader("Set-Cookie", "id=1");
    m_server.setReply("/ShippingAPI.dll", reply);
    const QVHeaderDictionary headers{{QStringLiteral("Tolvane-Account"), QStringLiteral("1234567")},
                                     {QStringLiteral("Tolvane-Client-Software"), QStringLiteral("TolvaneForMac")}};
    for (int round = 0; round < 2; ++round) {
        const auto body = m_client->getURL(url(QStringLiteral("/ShippingAPI.dll?API=CityStateLookup")), headers);
        ASSERT_TRUE(body) << qPrintable(m_client->lastErrorDescription());
        EXPECT_EQ(*body, QByteArray("<CityStateLookupResponse/>"));
    }
    ASSERT_EQ(m_server.requestCount(), 2);
    for (const auto &seen : m_server.requests()) {
        EXPECT_EQ(seen.method, QByteArray("GET"));
        EXPECT_EQ(seen.target, QByteArray("/ShippingAPI.dll?API=CityStateLookup"));
        EXPECT_EQ(seen.header("Tolvane-Account"), QByteArray("1234567"));
        EXPECT_EQ(seen.header("Tolvane-Client-Software"), QByteArray("TolvaneForMac"));
        EXPECT_EQ(seen.headerCount("Cookie"), 0);
    }
    EXPECT_TRUE(m_client->lastErrorCode().isNull());
}

TEST_F(CommandCenterNetworkingTest, PostForcesHostAndContentLengthOverTheExtraHeaders)
{
    m_server.setReply("/VPOServer/VpoHttpAdapter.aspx", ScriptedReply::text(200, "ok"));
    const QByteArray body("\x01\x02sealed request\x00\xff", 18);
    const QVHeaderDictionary headers{{QStringLiteral("Content-Length"), QStringLiteral("99999")},
                                     {QStringLiteral("host"), QStringLiteral("elsewhere.example")},
                                     {QStringLiteral("Content-Type"), QStringLiteral("application/octet-stream")}};

    const HttpRequest prepared = m_client->URLRequestForPostData(body, url(QStringLiteral("/x")), headers);
    EXPECT_EQ(prepared.method, QByteArray("POST"));
    EXPECT_EQ(prepared.timeoutMilliseconds, 60000);
    EXPECT_EQ(prepared.header("Host"), QByteArray("127.0.0.1"));
    EXPECT_EQ(prepared.header("Content-Length"), QByteArray("18"));

    const auto reply = m_client->postData(body, url(QStringLiteral("/VPOServer/VpoHttpAdapter.aspx")), headers);
    ASSERT_TRUE(reply) << qPrintable(m_client->lastErrorDescription());
    EXPECT_EQ(*reply, QByteArray("ok"));
    const auto seen = m_server.lastRequest();
    EXPECT_EQ(seen.method, QByteArray("POST"));
    EXPECT_EQ(seen.body, body);
    EXPECT_EQ(seen.headerCount("Host"), 1);
    EXPECT_EQ(seen.header("Host"), QByteArray("127.0.0.1")); // the URL's host, as the platform gives it
    EXPECT_EQ(seen.headerCount("Content-Length"), 1);
    EXPECT_EQ(seen.header("Content-Length"), QByteArray("18"));
    EXPECT_EQ(seen.header("Content-Type"), QByteArray("application/octet-stream"));
    EXPECT_EQ(seen.headerCount("Cookie"), 0);
}

TEST_F(CommandCenterNetworkingTest, AnErrorReplyIsDataAndLeavesTheLastErrorAsItWas)
{
    m_server.setReply("/fault", ScriptedReply::text(500, "<html>Server Error</html>", "text/html"));
    m_client->setLastError(QStringLiteral("7"), QStringLiteral("earlier failure"));
    const auto body = m_client->postData("x=1", url(QStringLiteral("/fault")));
    ASSERT_TRUE(body);
    EXPECT_EQ(*body, QByteArray("<html>Server Error</html>"));
    EXPECT_EQ(m_client->lastErrorCode(), QStringLiteral("7"));
    EXPECT_EQ(m_client->lastErrorDescription(), QStringLiteral("earlier failure"));
}

TEST_F(CommandCenterNetworkingTest, ATimeOutAnswersNothingWithTheTransportCodeAndText)
{
    ScriptedReply withheld;
    withheld.action = ScriptedReply::Action::Withhold;
    m_server.setReply("/slow", withheld);
    m_client->setRequestTimeoutMilliseconds(1000);
    EXPECT_FALSE(m_client->getURL(url(QStringLiteral("/slow"))));
    EXPECT_EQ(m_client->lastErrorCode(), QString::number(HttpErrorTimedOut));
    EXPECT_EQ(m_client->lastErrorDescription(), QStringLiteral("The request timed out."));
    EXPECT_EQ(m_server.requestCount(), 1);

    // A broken connection replaces the fields with its own.
    ScriptedReply closed;
    closed.action = ScriptedReply::Action::CloseBeforeReply;
    m_server.setReply("/closed", closed);
    EXPECT_FALSE(m_client->postData("a", url(QStringLiteral("/closed"))));
    EXPECT_EQ(m_client->lastErrorCode(), QString::number(HttpErrorNetworkConnectionLost));
}

TEST_F(CommandCenterNetworkingTest, ServerReachableAsksTheRegisteredReachabilityForTheServer)
{
    auto fake = std::make_shared<FakeReachability>();
    setReachability(fake);
    m_client->setServer(QStringLiteral("unreachable.example"));
    EXPECT_FALSE(m_client->serverReachable());
    m_client->setServer(QStringLiteral("reachable.example"));
    EXPECT_TRUE(m_client->serverReachable());
    EXPECT_EQ(fake->asked, (QStringList{QStringLiteral("unreachable.example"), QStringLiteral("reachable.example")}));

    // The system's reachability: loopback is reachable, an empty or
    // malformed host is not.
    setReachability(nullptr);
    m_client->setServer(QStringLiteral("127.0.0.1"));
    EXPECT_TRUE(m_client->serverReachable());
    QVRouteReachability route;
    EXPECT_TRUE(route.isHostReachable(QStringLiteral("localhost")));
    EXPECT_FALSE(route.isHostReachable(QString()));
    EXPECT_FALSE(route.isHostReachable(QStringLiteral("   ")));
    EXPECT_FALSE(route.isHostReachable(QStringLiteral("255.255.255.255")));
}

// A server setting may carry a scheme and a port: the reachability is asked
// about its host alone.
TEST_F(CommandCenterNetworkingTest, ServerReachableAsksAboutTheHostOfTheSetting)
{
    auto fake = std::make_shared<FakeReachability>();
    setReachability(fake);
    struct Case {
        QString setting;
        QString host;
    };
    const QList<Case> cases = {
        {QStringLiteral("http://127.0.0.1:8123"), QStringLiteral("127.0.0.1")},
        {QStringLiteral("https://reachable.example/LabelService"), QStringLiteral("reachable.example")},
        {QStringLiteral("reachable.example:8443"), QStringLiteral("reachable.example")},
        {QStringLiteral(" reachable.example "), QStringLiteral("reachable.example")},
        {QStringLiteral("http://[::1]:8123"), QStringLiteral("::1")},
        {QString(), QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(qPrintable(c.setting));
        EXPECT_EQ(QVCommandCenter::hostOfServer(c.setting), c.host);
        fake->asked.clear();
        m_client->setServer(c.setting);
        m_client->serverReachable();
        EXPECT_EQ(fake->asked, QStringList{c.host});
    }

    // The system's reachability reaches a loopback server given as a URL.
    setReachability(nullptr);
    m_client->setServer(QStringLiteral("http://127.0.0.1:8123"));
    EXPECT_TRUE(m_client->serverReachable());
}

TEST_F(CommandCenterTest, HttpsWorksWithTheTestCAAndFailsClearlyWithoutIt)
{
    LocalHttpServer server(LocalHttpServer::Scheme::Https);
    ASSERT_TRUE(server.isListening()) << qPrintable(server.errorString());
    server.setReply("/LabelService/EwsLabelService.asmx/GetAccountStatusXML", ScriptedReply::text(200, "<Status/>"));
    const QUrl url(server.url(QStringLiteral("/LabelService/EwsLabelService.asmx/GetAccountStatusXML")));
    const auto client = QVCommandCenter::commandCenter<LabelClient>();

    EXPECT_FALSE(client->postData("accountStatusRequestXML=x", url));
    EXPECT_EQ(client->lastErrorCode(), QString::number(HttpErrorServerCertificateUntrusted));
    EXPECT_TRUE(client->lastErrorDescription().contains(QStringLiteral("certificate")))
        << qPrintable(client->lastErrorDescription());
    EXPECT_EQ(server.requestCount(), 0);

    setHttpCAFile(LocalHttpServer::testCertificateAuthorityFile());
    const auto body = client->postData("accountStatusRequestXML=x", url);
    ASSERT_TRUE(body) << qPrintable(client->lastErrorDescription());
    EXPECT_EQ(*body, QByteArray("<Status/>"));
    EXPECT_EQ(server.lastRequest().body, QByteArray("accountStatusRequestXML=x"));
}

TEST(CertificateRule, OnlyHostsOfTheConfiguredDevelopmentDomainAreExempt)
{
    struct Case {
        const char *domain;
        const char *host;
        bool exempt;
    };
    const Case cases[] = {
        {"", "anything.example", false},
        {"", "", false},
        {"dev.example.test", "dev.example.test", true},
        {"dev.example.test", "label.dev.example.test", true},
        {"dev.example.test", "LABEL.Dev.Example.Test", true},
        {".dev.example.test", "label.dev.example.test.", true},
        {"dev.example.test", "evil-dev.example.test", false},
        {"dev.example.test", "dev.example.test.attacker.example", false},
        {"dev.example.test", "example.test", false},
        {"dev.example.test", "public.example.com", false},
        {"test", "anything.test", false}, // a bare top-level name exempts nothing
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.domain) + " / " + c.host);
        setDevelopmentDomain(QString::fromUtf8(c.domain));
        EXPECT_EQ(allowsAnyHTTPSCertificateForHost(QString::fromUtf8(c.host)), c.exempt);
    }
    setDevelopmentDomain(QString());
}

} // namespace
