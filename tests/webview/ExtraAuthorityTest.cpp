// The web view trusts the program's extra certificate authority
// (httpCAFile(), the stand-ins' in a demo run) as its HTTPS clients do: a
// page of an HTTPS server whose certificate that authority signed loads, and
// without the authority it does not; a chain whose links do not sign each
// other is refused.
#include "platform/HttpClient.h"
#include "webview/LockedWebView.h"

#include "LocalHttpServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QSslSocket>
#include <QWebEnginePage>
#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

class QuietPolicy final : public WebViewPolicy
{
public:
    void scriptAlert(const QString &) override {}
    bool scriptConfirm(const QString &) override { return false; }
};

// The certificate chain the server presents, read by a socket that checks
// nothing.
QList<QSslCertificate> presentedChain(const LocalHttpServer &server)
{
    QSslSocket socket;
    QObject::connect(&socket, &QSslSocket::sslErrors, &socket, [&socket] { socket.ignoreSslErrors(); });
    const QUrl url(server.baseUrl());
    socket.connectToHostEncrypted(url.host(), quint16(url.port()));
    if (!socket.waitForEncrypted(10000))
        return {};
    return socket.peerCertificateChain();
}

TEST(ExtraAuthority, AChainIsTrustedOnlyWhenTheExtraAuthoritySignedIt)
{
    LocalHttpServer server(LocalHttpServer::Scheme::Https);
    ASSERT_TRUE(server.isListening());
    const QList<QSslCertificate> chain = presentedChain(server);
    ASSERT_FALSE(chain.isEmpty());
    const QList<QSslCertificate> authority =
        QSslCertificate::fromPath(LocalHttpServer::testCertificateAuthorityFile(), QSsl::Pem);
    ASSERT_FALSE(authority.isEmpty());

    const struct {
        const char *name;
        QString caFile;
        QList<QSslCertificate> chain;
        bool trusted;
    } cases[] = {
        {"the server's chain, the authority named", LocalHttpServer::testCertificateAuthorityFile(), chain, true},
        {"the server's chain, no extra authority", QString(), chain, false},
        {"the authority above the server's certificate", LocalHttpServer::testCertificateAuthorityFile(),
         chain + authority, true},
        {"links that do not sign each other", LocalHttpServer::testCertificateAuthorityFile(), authority + chain,
         false},
        {"no chain", LocalHttpServer::testCertificateAuthorityFile(), {}, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        setHttpCAFile(c.caFile);
        EXPECT_EQ(LockedWebPage::isChainOfExtraAuthority(c.chain), c.trusted);
    }
    setHttpCAFile(QString());
}

TEST(ExtraAuthority, APageOfTheAuthoritysServerLoadsOnlyWithIt)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs the xcb platform (the Xvfb fixture)";
    LocalHttpServer server(LocalHttpServer::Scheme::Https);
    ASSERT_TRUE(server.isListening());
    server.setReply("/page", ScriptedReply::text(200, "<html><head><title>Stores</title></head></html>", "text/html"));
    for (const bool withAuthority : {true, false}) {
        SCOPED_TRACE(withAuthority ? "with the authority" : "without it");
        setHttpCAFile(withAuthority ? LocalHttpServer::testCertificateAuthorityFile() : QString());
        QuietPolicy policy;
        LockedWebView view(&policy);
        std::optional<bool> loaded;
        QObject::connect(view.page(), &QWebEnginePage::loadFinished, [&loaded](bool ok) { loaded = ok; });
        view.load(QUrl(server.url(QStringLiteral("/page"))));
        QDeadlineTimer deadline(20000);
        while (!loaded && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        ASSERT_TRUE(loaded.has_value());
        EXPECT_EQ(*loaded, withAuthority);
        if (withAuthority) {
            EXPECT_EQ(view.title(), QStringLiteral("Stores"));
        }
    }
    setHttpCAFile(QString());
}

} // namespace
