// The local test server itself: scripted reply sequences and handlers, the
// request record, and its answers to requests that are not well formed
// (sent over a bare socket, so the HTTP client plays no part).
#include "platform/HttpClient.h"

#include "LocalHttpServer.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <gtest/gtest.h>

using tolvane::test::LocalHttpServer;
using tolvane::test::RecordedRequest;
using tolvane::test::ScriptedReply;

namespace {

QByteArray exchange(quint16 port, const QByteArray &request)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket.waitForConnected(5000))
        return QByteArray();
    socket.write(request);
    socket.waitForBytesWritten(5000);
    QByteArray reply;
    while (socket.waitForReadyRead(5000))
        reply += socket.readAll();
    return reply + socket.readAll();
}

std::optional<HttpResponse> get(const LocalHttpServer &server, const QString &path)
{
    HttpRequest request;
    request.url = QUrl(server.url(path));
    request.timeoutMilliseconds = 5000;
    return sendHttpRequest(request);
}

TEST(LocalHttpServer, QueuedRepliesComeInOrderAndTheLastStays)
{
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    server.queueReplies(
        "/VPOServer/VpoHttpAdapter.aspx",
        {ScriptedReply::text(200, "status"), ScriptedReply::text(200, "indicium"), ScriptedReply::text(503, "busy")});
    QList<QByteArray> bodies;
    QList<int> statuses;
    for (int i = 0; i < 4; ++i) {
        const auto response = get(server, QStringLiteral("/VPOServer/VpoHttpAdapter.aspx?n=%1").arg(i));
        ASSERT_TRUE(response);
        bodies << response->body;
        statuses << response->statusCode;
    }
    EXPECT_EQ(bodies, (QList<QByteArray>{"status", "indicium", "busy", "busy"}));
    EXPECT_EQ(statuses, (QList<int>{200, 200, 503, 503}));
    ASSERT_EQ(server.requestCount(), 4);
    EXPECT_EQ(server.requests().at(1).query(), QByteArray("n=1"));
    server.clearRequests();
    EXPECT_EQ(server.requestCount(), 0);
    EXPECT_TRUE(server.lastRequest().method.isEmpty());
}

TEST(LocalHttpServer, AHandlerAnswersFromTheRequest)
{
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    server.setHandler("/echo", [](const RecordedRequest &request) {
        return ScriptedReply::text(201, request.method + ' ' + request.query() + ' ' + request.header("X-Tag"));
    });
    HttpRequest request;
    request.url = QUrl(server.url(QStringLiteral("/echo?a=1")));
    request.setHeader("X-Tag", "t");
    const auto response = sendHttpRequest(request);
    ASSERT_TRUE(response);
    EXPECT_EQ(response->statusCode, 201);
    EXPECT_EQ(response->body, QByteArray("GET a=1 t"));
    EXPECT_TRUE(server.waitForRequests(1, 100));
    EXPECT_FALSE(server.waitForRequests(2, 100));
}

TEST(LocalHttpServer, RequestsThatAreNotWellFormedGetAnErrorStatus)
{
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    server.setReply("/x", ScriptedReply::text(200, "fine"));
    struct Case {
        const char *name;
        QByteArray request;
        QByteArray statusLine;
    };
    const Case cases[] = {
        {"well formed", "POST /x HTTP/1.1\r\nHost: a\r\nContent-Length: 3\r\n\r\nabc", "HTTP/1.1 200 OK\r\n"},
        {"no version", "GET /x\r\n\r\n", "HTTP/1.1 400 Bad Request\r\n"},
        {"field without colon", "GET /x HTTP/1.1\r\nBroken\r\n\r\n", "HTTP/1.1 400 Bad Request\r\n"},
        {"bad length", "POST /x HTTP/1.1\r\nContent-Length: -1\r\n\r\n", "HTTP/1.1 400 Bad Request\r\n"},
        {"two lengths", "POST /x HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nab",
         "HTTP/1.1 400 Bad Request\r\n"},
        {"chunked body", "POST /x HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n",
         "HTTP/1.1 501 Not Implemented\r\n"},
        {"endless head", "GET /x HTTP/1.1\r\nX: " + QByteArray(70000, 'a'), "HTTP/1.1 431"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(exchange(server.port(), c.request).startsWith(c.statusLine));
    }
    // Only the well-formed request is recorded.
    ASSERT_EQ(server.requestCount(), 1);
    EXPECT_EQ(server.lastRequest().body, QByteArray("abc"));
}

TEST(LocalHttpServer, ADelayedReplyArrivesAfterItsDelay)
{
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    ScriptedReply late = ScriptedReply::text(200, "late");
    late.delayMilliseconds = 200;
    server.setReply("/late", late);
    QElapsedTimer clock;
    clock.start();
    const auto response = get(server, QStringLiteral("/late"));
    ASSERT_TRUE(response);
    EXPECT_EQ(response->body, QByteArray("late"));
    EXPECT_GE(clock.elapsed(), 200);
}

} // namespace
