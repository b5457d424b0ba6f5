// The synchronous HTTP client against the local test server: what goes out on
// the wire, replies of any status, transport failures with their codes, the
// reply size cap, HTTPS with and without the test CA, certificates outside
// their dates, the certificate exemption rule.
#include "platform/HttpClient.h"

#include "LocalHttpServer.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

using tolvane::test::LocalHttpServer;
using tolvane::test::ScriptedReply;

namespace {

HttpRequest requestFor(const QString &url, const QByteArray &method = "GET")
{
    HttpRequest request;
    request.url = QUrl(url);
    request.method = method;
    return request;
}

class HttpClientTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_server.isListening()) << qPrintable(m_server.errorString()); }
    void TearDown() override
    {
        setHttpCAFile(QString());
        setHttpCertificateExemptionRule({});
    }

    LocalHttpServer m_server;
};

TEST_F(HttpClientTest, GetSendsTheFieldsAsGivenAndAnswersTheReply)
{
    ScriptedReply reply = ScriptedReply::text(200, "<ok/>", "text/xml");
    reply.addHeader("X-Reply", "one");
    m_server.setReply("/LabelService/status", reply);

    HttpRequest request = requestFor(m_server.url(QStringLiteral("/LabelService/status?inputString=a%20b")));
    request.setHeader("Tolvane-Account", "123456");
    request.setHeader("Tolvane-Partner", "first");
    request.setHeader("tolvane-partner", "second"); // replaces the first, keeps its place
    request.setHeader("X-Empty", "");

    HttpError error;
    const auto response = sendHttpRequest(request, &error);
    ASSERT_TRUE(response) << qPrintable(error.description);
    EXPECT_EQ(response->statusCode, 200);
    EXPECT_EQ(response->body, QByteArray("<ok/>"));
    EXPECT_EQ(response->header("content-type"), QByteArray("text/xml"));
    EXPECT_EQ(response->header("X-Reply"), QByteArray("one"));

    ASSERT_EQ(m_server.requestCount(), 1);
    const auto seen = m_server.lastRequest();
    EXPECT_EQ(seen.method, QByteArray("GET"));
    EXPECT_EQ(seen.path(), QByteArray("/LabelService/status"));
    EXPECT_EQ(seen.query(), QByteArray("inputString=a%20b"));
    EXPECT_EQ(seen.header("Tolvane-Account"), QByteArray("123456"));
    EXPECT_EQ(seen.headerCount("Tolvane-Partner"), 1);
    EXPECT_EQ(seen.header("Tolvane-Partner"), QByteArray("second"));
    EXPECT_EQ(seen.headerCount("X-Empty"), 1);
    EXPECT_EQ(seen.header("X-Empty"), QByteArray(""));
    EXPECT_EQ(seen.header("Host"), m_server.hostAndPort().toLatin1());
    EXPECT_EQ(seen.headerCount("Cookie"), 0);
    EXPECT_TRUE(seen.body.isEmpty());
}

TEST_F(HttpClientTest, PostSendsTheBodyWithTheGivenHostAndLength)
{
    m_server.setReply("/VPOServer/VpoHttpAdapter.aspx", ScriptedReply::text(200, "reply"));
    // A body above curl's 1 KB threshold for "Expect: 100-continue".
    const QByteArray body = QByteArray(3000, 'x') + "\0\x01\xff" + "end";
    HttpRequest request = requestFor(m_server.url(QStringLiteral("/VPOServer/VpoHttpAdapter.aspx")), "POST");
    request.body = body;
    request.setHeader("Content-Type", "application/octet-stream");
    request.setHeader("Host", "127.0.0.1");
    request.setHeader("Content-Length", QByteArray::number(body.size()));

    const auto response = sendHttpRequest(request);
    ASSERT_TRUE(response);
    EXPECT_EQ(response->body, QByteArray("reply"));
    const auto seen = m_server.lastRequest();
    EXPECT_EQ(seen.method, QByteArray("POST"));
    EXPECT_EQ(seen.body, body);
    EXPECT_EQ(seen.header("Host"), QByteArray("127.0.0.1"));
    EXPECT_EQ(seen.headerCount("Host"), 1);
    EXPECT_EQ(seen.header("Content-Length"), QByteArray::number(body.size()));
    EXPECT_EQ(seen.headerCount("Content-Length"), 1);
    EXPECT_EQ(seen.headerCount("Expect"), 0);
    EXPECT_EQ(seen.header("Content-Type"), QByteArray("application/octet-stream"));
}

TEST_F(HttpClientTest, AnErrorStatusIsAReplyWithItsBody)
{
    m_server.setReply("/fail", ScriptedReply::text(500, "<Error>server fault</Error>"));
    const auto response = sendHttpRequest(requestFor(m_server.url(QStringLiteral("/fail"))));
    ASSERT_TRUE(response);
    EXPECT_EQ(response->statusCode, 500);
    EXPECT_EQ(response->body, QByteArray("<Error>server fault</Error>"));

    // An unscripted path is the server's 404, again a reply.
    const auto missing = sendHttpRequest(requestFor(m_server.url(QStringLiteral("/nothing"))));
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->statusCode, 404);
}

TEST_F(HttpClientTest, NoCookieIsKeptBetweenRequests)
{
    ScriptedReply reply = ScriptedReply::text(200, "set");
    reply.addHeader("Set-Cookie", "session=abc; Path=/");
    m_server.setReply("/cookie", reply);
    ASSERT_TRUE(sendHttpRequest(requestFor(m_server.url(QStringLiteral("/cookie")))));
    ASSERT_TRUE(sendHttpRequest(requestFor(m_server.url(QStringLiteral("/cookie")))));
    ASSERT_EQ(m_server.requestCount(), 2);
    for (const auto &seen : m_server.requests())
        EXPECT_EQ(seen.headerCount("Cookie"), 0);
}

TEST_F(HttpClientTest, TransportFailuresAnswerNothingWithTheirCode)
{
    ScriptedReply withheld;
    withheld.action = ScriptedReply::Action::Withhold;
    m_server.setReply("/withheld", withheld);
    ScriptedReply closed;
    closed.action = ScriptedReply::Action::CloseBeforeReply;
    m_server.setReply("/closed", closed);
    ScriptedReply broken = ScriptedReply::text(200, QByteArray(4000, 'b'));
    broken.action = ScriptedReply::Action::CloseMidBody;
    m_server.setReply("/broken", broken);

    quint16 closedPort = 0;
    {
        LocalHttpServer gone;
        closedPort = gone.port();
    }

    struct Case {
        const char *name;
        QString url;
        int code;
    };
    const Case cases[] = {
        {"withheld reply", m_server.url(QStringLiteral("/withheld")), HttpErrorTimedOut},
        {"closed before reply", m_server.url(QStringLiteral("/closed")), HttpErrorNetworkConnectionLost},
        {"closed mid body", m_server.url(QStringLiteral("/broken")), HttpErrorNetworkConnectionLost},
        {"nobody listening", QStringLiteral("http://127.0.0.1:%1/").arg(closedPort), HttpErrorCannotConnectToHost},
        {"not http", QStringLiteral("ftp://127.0.0.1/file"), HttpErrorUnsupportedURL},
        {"no host", QStringLiteral("http:///path"), HttpErrorBadURL},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        HttpRequest request = requestFor(c.url);
        request.timeoutMilliseconds = 1000;
        QElapsedTimer clock;
        clock.start();
        HttpError error;
        EXPECT_FALSE(sendHttpRequest(request, &error));
        EXPECT_EQ(error.code, c.code) << qPrintable(error.description);
        EXPECT_FALSE(error.description.isEmpty());
        EXPECT_LT(clock.elapsed(), 10000);
    }
}

TEST_F(HttpClientTest, AReplyThatComesInsideTheTimeOutArrives)
{
    // A reply that comes after 300 ms is in time for a one-second time-out.
    ScriptedReply late = ScriptedReply::text(200, "late");
    late.delayMilliseconds = 300;
    m_server.setReply("/late", late);
    HttpRequest request = requestFor(m_server.url(QStringLiteral("/late")));
    request.timeoutMilliseconds = 1000;
    HttpError error;
    const auto response = sendHttpRequest(request, &error);
    ASSERT_TRUE(response) << qPrintable(error.description);
    EXPECT_EQ(response->body, QByteArray("late"));
}

namespace {

// A server on 127.0.0.1 that answers one connection by sending `head` and
// then `drip` one byte every 100 ms, so that the connection is never idle
// for long and yet the reply takes far longer than any time-out of the tests.
class DrippingServer
{
public:
    DrippingServer(QByteArray head, QByteArray drip) : m_head(std::move(head)), m_drip(std::move(drip))
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr *>(&address), length) != 0 ||
            ::listen(m_listener, 1) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~DrippingServer()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_listener >= 0)
            ::close(m_listener);
    }
    quint16 port() const { return m_port; }

private:
    void serve()
    {
        pollfd waiting{m_listener, POLLIN, 0};
        while (!m_stop && ::poll(&waiting, 1, 50) == 0) {}
        if (m_stop)
            return;
        const int connection = ::accept(m_listener, nullptr, nullptr);
        if (connection < 0)
            return;
        // The request, up to the end of its header (its body is not needed).
        QByteArray request;
        char buffer[4096];
        while (!m_stop && !request.contains("\r\n\r\n")) {
            pollfd readable{connection, POLLIN, 0};
            if (::poll(&readable, 1, 50) <= 0)
                continue;
            const ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            request.append(buffer, qsizetype(n));
        }
        bool open = ::send(connection, m_head.constData(), size_t(m_head.size()), MSG_NOSIGNAL) == m_head.size();
        for (qsizetype i = 0; open && !m_stop && i < m_drip.size(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            open = ::send(connection, m_drip.constData() + i, 1, MSG_NOSIGNAL) == 1;
        }
        ::close(connection);
    }

    QByteArray m_head, m_drip;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace

TEST_F(HttpClientTest, ARequestEndsWithinItsTimeOutWhateverTheServerSends)
{
    // Servers that keep the connection busy, a byte at a time, for 30 s:
    // the request still ends as timed out when its time-out has passed,
    // GET and POST alike.
    const QByteArray body(300, 'd');
    struct Case {
        const char *name;
        QByteArray head, drip;
    } cases[] = {
        {"body dripped", "HTTP/1.1 200 OK\r\nContent-Length: 300\r\n\r\n", body},
        {"header dripped", QByteArray(),
         "HTTP/1.1 200 OK\r\nX-Slow: " + QByteArray(280, 'h') + "\r\nContent-Length: 0\r\n\r\n"},
    };
    for (const Case &c : cases) {
        for (const char *method : {"GET", "POST"}) {
            SCOPED_TRACE(std::string(c.name) + " " + method);
            DrippingServer server(c.head, c.drip);
            ASSERT_NE(server.port(), 0);
            HttpRequest request = requestFor(QStringLiteral("http://127.0.0.1:%1/slow").arg(server.port()), method);
            if (QByteArray(method) == "POST")
                request.body = "x=1";
            request.timeoutMilliseconds = 1500;
            QElapsedTimer clock;
            clock.start();
            HttpError error;
            EXPECT_FALSE(sendHttpRequest(request, &error));
            EXPECT_EQ(error.code, HttpErrorTimedOut) << qPrintable(error.description);
            // Well before the drip would have ended.
            EXPECT_LT(clock.elapsed(), 15000);
        }
    }
}

TEST_F(HttpClientTest, AReplyLargerThanTheCapFails)
{
    m_server.setReply("/big", ScriptedReply::text(200, QByteArray(5000, 'z')));
    HttpRequest request = requestFor(m_server.url(QStringLiteral("/big")));
    request.maxReplySize = 4999;
    HttpError error;
    EXPECT_FALSE(sendHttpRequest(request, &error));
    EXPECT_EQ(error.code, HttpErrorDataLengthExceedsMaximum);

    request.maxReplySize = 5000;
    const auto response = sendHttpRequest(request, &error);
    ASSERT_TRUE(response);
    EXPECT_EQ(response->body.size(), 5000);
}

TEST_F(HttpClientTest, AHeaderWithALineBreakIsRefusedBeforeSending)
{
    const QByteArray values[] = {"a\r\nCookie: stolen=1", "a\nX: y", "a\rb"};
    for (const QByteArray &value : values) {
        HttpRequest request = requestFor(m_server.url(QStringLiteral("/x")));
        request.setHeader("Tolvane-Account", value);
        HttpError error;
        EXPECT_FALSE(sendHttpRequest(request, &error));
        EXPECT_EQ(error.code, HttpErrorBadURL);
    }
    HttpRequest badName = requestFor(m_server.url(QStringLiteral("/x")));
    badName.setHeader("X-A: b\r\nX-C", "d");
    EXPECT_FALSE(sendHttpRequest(badName));
    EXPECT_EQ(m_server.requestCount(), 0);
}

class HttpsClientTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.isListening()) << qPrintable(m_server.errorString());
        m_server.setReply("/secure", ScriptedReply::text(200, "secret reply"));
    }
    void TearDown() override
    {
        setHttpCAFile(QString());
        setHttpCertificateExemptionRule({});
    }

    LocalHttpServer m_server{LocalHttpServer::Scheme::Https};
};

TEST_F(HttpsClientTest, WorksWithTheTestCAAndFailsClearlyWithoutIt)
{
    const QString url = m_server.url(QStringLiteral("/secure"));

    HttpError error;
    EXPECT_FALSE(sendHttpRequest(requestFor(url), &error));
    EXPECT_EQ(error.code, HttpErrorServerCertificateUntrusted);
    EXPECT_TRUE(error.description.contains(QStringLiteral("certificate"))) << qPrintable(error.description);
    EXPECT_TRUE(error.description.contains(QStringLiteral("127.0.0.1"))) << qPrintable(error.description);
    EXPECT_EQ(m_server.requestCount(), 0);

    setHttpCAFile(LocalHttpServer::testCertificateAuthorityFile());
    const auto response = sendHttpRequest(requestFor(url), &error);
    ASSERT_TRUE(response) << qPrintable(error.description);
    EXPECT_EQ(response->body, QByteArray("secret reply"));
    EXPECT_EQ(m_server.requestCount(), 1);
}

TEST(HttpsCertificateDatesTest, ACertificateOutsideItsDatesIsADateErrorOnlyWhenItsIssuerIsTrusted)
{
    using Dates = LocalHttpServer::CertificateDates;
    struct Case {
        Dates dates;
        bool trustedIssuer;
        int code;
    };
    const Case cases[] = {
        {Dates::Expired, true, HttpErrorServerCertificateHasBadDate},
        {Dates::NotYetValid, true, HttpErrorServerCertificateHasBadDate},
        // An unknown issuer is found before the dates are looked at.
        {Dates::Expired, false, HttpErrorServerCertificateUntrusted},
        {Dates::Current, true, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.dates) << " trusted " << c.trustedIssuer);
        LocalHttpServer server(LocalHttpServer::Scheme::Https, c.dates);
        ASSERT_TRUE(server.isListening()) << qPrintable(server.errorString());
        server.setReply("/secure", ScriptedReply::text(200, "secret reply"));
        setHttpCAFile(c.trustedIssuer ? LocalHttpServer::testCertificateAuthorityFile() : QString());
        HttpError error;
        const auto response = sendHttpRequest(requestFor(server.url(QStringLiteral("/secure"))), &error);
        setHttpCAFile(QString());
        EXPECT_EQ(bool(response), c.code == 0) << qPrintable(error.description);
        EXPECT_EQ(error.code, c.code) << qPrintable(error.description);
        EXPECT_EQ(server.requestCount(), c.code == 0 ? 1 : 0);
        if (c.code == HttpErrorServerCertificateHasBadDate) {
            EXPECT_TRUE(error.description.contains(QStringLiteral("127.0.0.1"))) << qPrintable(error.description);
        }
    }
}

TEST_F(HttpsClientTest, OnlyHostsOfTheExemptionRuleGoUnchecked)
{
    const QString url = m_server.url(QStringLiteral("/secure"));
    setHttpCertificateExemptionRule([](const QString &host) { return host == QStringLiteral("dev.invalid"); });
    HttpError error;
    EXPECT_FALSE(sendHttpRequest(requestFor(url), &error));
    EXPECT_EQ(error.code, HttpErrorServerCertificateUntrusted);

    setHttpCertificateExemptionRule([](const QString &host) { return host == QStringLiteral("127.0.0.1"); });
    const auto response = sendHttpRequest(requestFor(url), &error);
    ASSERT_TRUE(response) << qPrintable(error.description);
    EXPECT_EQ(response->body, QByteArray("secret reply"));
}

} // namespace
