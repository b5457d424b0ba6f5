// The store manager's window in the real web view on the xcb platform (the
// Xvfb fixture), its pages served from 127.0.0.1: the page reaches the
// window only through "brandleController.closeWizardViewWindow()" (any other
// member answers an empty text and is only logged); the URL field stays
// empty on a vendor page and shows another page's URL; the vendor page gets
// the close button, the user agent carries "Safari/533".
#include "sources/QVBrandleWizardWindowController.h"
#include "webview/LockedWebView.h"
#include "webview/LockedWebWindow.h"

#include "ConsoleCapture.h"
#include "LocalHttpServer.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QWebEnginePage>
#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

bool waitUntil(const std::function<bool()> &condition, int milliseconds = 20000)
{
    QDeadlineTimer deadline(milliseconds);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

QVariant evaluate(QWebEnginePage *page, const QString &script)
{
    QVariant result;
    bool done = false;
    page->runJavaScript(script, [&](const QVariant &value) {
        result = value;
        done = true;
    });
    waitUntil([&] { return done; });
    return result;
}

TEST(StoreManagerWindow, PageReachesOnlyTheCloseFunction)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs the xcb platform (the Xvfb fixture)";
    installWebPageWindows();
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    const QByteArray page = "<html><head><title>Stores</title></head><body><p id=\"p\">Your stores</p><script>"
                            "window.other = brandleController.refreshWebStores('x');"
                            "window.kind = typeof brandleController.closeWizardViewWindow;"
                            "</script></body></html>";
    server.setReply("/vendor/stores", ScriptedReply::text(200, page, "text/html"));
    server.setReply("/market/authorize", ScriptedReply::text(200, page, "text/html"));
    // The vendor's domain of this test: the server's vendor folder.
    UserDefaults::standardUserDefaults().setString(server.hostAndPort() + QStringLiteral("/vendor"),
                                                   QVWebStoreWizardVendorDomainDefaultsKey);

    int closed = 0;
    ConsoleCapture console;
    auto wizard = QVBrandleWizardWindowController::wizardWithURL(QUrl(server.url(QStringLiteral("/vendor/stores"))),
                                                                 [&closed] { ++closed; });
    ASSERT_TRUE(wizard);
    wizard->showWindow();
    auto *window = static_cast<LockedWebWindow *>(wizard->window());
    ASSERT_NE(window->urlField(), nullptr);
    QWebEnginePage *webPage = window->view()->page();
    ASSERT_TRUE(waitUntil(
        [&] { return evaluate(webPage, QStringLiteral("!!document.getElementById('closeButton')")).toBool(); }));
    EXPECT_TRUE(window->urlField()->text().isEmpty());
    EXPECT_EQ(evaluate(webPage, QStringLiteral("window.other")), QVariant(QString()));
    EXPECT_EQ(evaluate(webPage, QStringLiteral("window.kind")), QVariant(QStringLiteral("function")));
    EXPECT_EQ(evaluate(webPage, QStringLiteral("typeof qt")), QVariant(QStringLiteral("undefined")));
    EXPECT_TRUE(
        evaluate(webPage, QStringLiteral("navigator.userAgent")).toString().endsWith(QStringLiteral("Safari/533")));
    EXPECT_EQ(evaluate(webPage, QStringLiteral("document.getElementById('closeButton').value")),
              QVariant(QStringLiteral("Close Web Store Manager")));
    ASSERT_TRUE(waitUntil([&] { return console.lines().join(u'\n').contains(QStringLiteral("refreshWebStores, x")); }));

    // A marketplace's page shows its URL and gets no close button.
    const QString market = server.url(QStringLiteral("/market/authorize"));
    evaluate(webPage, QStringLiteral("location.href = '%1'").arg(market));
    ASSERT_TRUE(waitUntil([&] { return window->urlField()->text() == market; }));
    ASSERT_TRUE(waitUntil([&] {
        return evaluate(webPage, QStringLiteral("location.pathname + ' ' + document.readyState")).toString() ==
            QLatin1String("/market/authorize complete");
    }));
    QDeadlineTimer settle(500);
    waitUntil([&] { return settle.hasExpired(); });
    EXPECT_FALSE(evaluate(webPage, QStringLiteral("!!document.getElementById('closeButton')")).toBool());
    EXPECT_EQ(closed, 0);

    // The page closes the window; the orders window hears it once.
    QPointer<LockedWebWindow> watched(window);
    evaluate(webPage, QStringLiteral("brandleController.closeWizardViewWindow()"));
    ASSERT_TRUE(waitUntil([&] { return watched.isNull() || !watched->isVisible(); }));
    EXPECT_EQ(closed, 1);
    wizard.reset();
    setWebPageWindowMaker(nullptr);
    UserDefaults::resetStandardUserDefaults();
}

// A store manager whose site cannot be reached: its address carries the
// account's password, and no page of the engine's own shows it.
TEST(StoreManagerWindow, AnUnreachableSiteShowsNoPageWithThePassword)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs the xcb platform (the Xvfb fixture)";
    installWebPageWindows();
    quint16 closedPort = 0;
    {
        LocalHttpServer gone;
        ASSERT_TRUE(gone.isListening());
        closedPort = gone.port();
    }
    const QUrl url(QStringLiteral("http://127.0.0.1:%1/Account/Login/?SerialNumber=7000001&AccountPW=s3cret-phrase")
                       .arg(closedPort));
    UserDefaults::standardUserDefaults().setString(QStringLiteral("127.0.0.1:%1").arg(closedPort),
                                                   QVWebStoreWizardVendorDomainDefaultsKey);
    auto wizard = QVBrandleWizardWindowController::wizardWithURL(url, [] {});
    ASSERT_TRUE(wizard);
    wizard->showWindow();
    auto *window = static_cast<LockedWebWindow *>(wizard->window());
    QWebEnginePage *webPage = window->view()->page();
    bool failed = false;
    QObject::connect(webPage, &QWebEnginePage::loadFinished, [&failed](bool ok) { failed = failed || !ok; });
    ASSERT_TRUE(waitUntil([&] { return failed; }));
    QDeadlineTimer settle(1000);
    waitUntil([&] { return settle.hasExpired(); });
    QString html;
    bool read = false;
    webPage->toHtml([&](const QString &text) {
        html = text;
        read = true;
    });
    ASSERT_TRUE(waitUntil([&] { return read; }));
    EXPECT_FALSE(html.contains(QStringLiteral("s3cret-phrase"))) << html.toStdString();
    EXPECT_FALSE(window->urlField()->text().contains(QStringLiteral("s3cret-phrase")));
    wizard.reset();
    setWebPageWindowMaker(nullptr);
    UserDefaults::resetStandardUserDefaults();
}

} // namespace
