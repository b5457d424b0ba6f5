// Automation callbacks: the URL text a callback is made of, the "GET"
// callbacks that reach a local server, the browser callbacks that go to the
// URL opener, and the schemes that are never sent.
#include "automation/AutomationCallbacks.h"

#include "LocalHttpServer.h"
#include "RecordingUrlOpener.h"

#include <QUrl>

#include <gtest/gtest.h>

using namespace tolvane::test;

TEST(AutomationCallbacksTest, TheURLTextAppendsTheEscapedPairsAfterQuestionMarkAndAmpersand)
{
    const struct {
        const char *name;
        QVariantMap pairs;
        QString base;
        QString expected;
    } cases[] = {
        {"two pairs after a base without a query",
         {{QStringLiteral("Status"), QStringLiteral("Success")}, {QStringLiteral("PIC"), QStringLiteral("9400")}},
         QStringLiteral("http://h/cb"),
         QStringLiteral("http://h/cb?&PIC=9400&Status=Success")},
        {"a base with a query takes a single ampersand",
         {{QStringLiteral("Status"), QStringLiteral("Failure")}},
         QStringLiteral("http://h/cb?job=7"),
         QStringLiteral("http://h/cb?job=7&Status=Failure")},
        {"an empty dictionary", {}, QStringLiteral("http://h/cb"), QStringLiteral("http://h/cb?&")},
        {"ampersand, equals sign and space are escaped",
         {{QStringLiteral("Description"), QStringLiteral("a&b=c d")}},
         QStringLiteral("http://h/cb"),
         QStringLiteral("http://h/cb?&Description=a%26b%3Dc%20d")},
        {"the reserved characters are escaped too",
         {{QStringLiteral("X"), QStringLiteral(";/?:@+,$")}},
         QStringLiteral("http://h/cb"),
         QStringLiteral("http://h/cb?&X=%3B%2F%3F%3A%40%2B%2C%24")},
        {"empty and non-text values are left out",
         {{QStringLiteral("A"), QString()}, {QStringLiteral("B"), QVariantMap()}, {QStringLiteral("C"), 5}},
         QStringLiteral("http://h/cb"),
         QStringLiteral("http://h/cb?&")},
        {"UTF-8 bytes",
         {{QStringLiteral("ToName"), QStringLiteral("Zoë")}},
         QStringLiteral("http://h/cb"),
         QStringLiteral("http://h/cb?&ToName=Zo%C3%AB")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(callbackURLString(c.pairs, c.base), c.expected) << c.name;
}

TEST(AutomationCallbacksTest, AGetCallbackReachesTheServerWithTheEscapedPairs)
{
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening()) << server.errorString().toStdString();
    QVAutomationCallbacks callbacks;
    EXPECT_TRUE(callbacks.callbackPairs(
        {{QStringLiteral("Status"), QStringLiteral("Success")}, {QStringLiteral("Description"), QStringLiteral("a&b")}},
        server.baseUrl() + QStringLiteral("/done"), QStringLiteral("GET")));
    ASSERT_TRUE(server.waitForRequests(1));
    const RecordedRequest request = server.requests().first();
    EXPECT_EQ(request.path(), QByteArray("/done"));
    EXPECT_EQ(request.query(), QByteArray("&Description=a%26b&Status=Success"));
    EXPECT_TRUE(callbacks.waitForCallbacks(5000));
}

TEST(AutomationCallbacksTest, OtherMethodsOpenTheBrowserAndOtherSchemesSendNothing)
{
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    UrlOpenerScope opener;
    QVAutomationCallbacks callbacks;
    const QVariantMap pairs{{QStringLiteral("PIC"), QStringLiteral("1")}};
    EXPECT_TRUE(callbacks.callbackPairs(pairs, server.baseUrl(), QStringLiteral("get")));
    EXPECT_TRUE(callbacks.callbackPairs(pairs, server.baseUrl(), QStringLiteral("BROWSER")));
    ASSERT_EQ(opener->opened.size(), 2);
    EXPECT_EQ(opener->opened.first().toString(QUrl::FullyEncoded), server.baseUrl() + QStringLiteral("?&PIC=1"));

    for (const QString &base : {QStringLiteral("file:///tmp/cb"), QStringLiteral("tolvane:print"),
                                QStringLiteral("javascript:alert(1)"), QStringLiteral("ftp://127.0.0.1/cb")}) {
        for (const QString &method : {QStringLiteral("GET"), QStringLiteral("BROWSER")})
            EXPECT_FALSE(callbacks.callbackPairs(pairs, base, method)) << base.toStdString();
    }
    EXPECT_TRUE(callbacks.waitForCallbacks(5000));
    EXPECT_EQ(opener->opened.size(), 2);
    EXPECT_TRUE(server.requests().isEmpty());
}
