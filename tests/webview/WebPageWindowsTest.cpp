// The web-page windows in the real web view on the xcb platform (the Xvfb
// fixture), pages served from 127.0.0.1: the announcement (script confirm
// and alert through the dialogs, a clicked link leaving for the browser and
// closing the window, a new window refused, no local file and no download
// reachable from the page, the trimmed context menu, the lock following the
// scheme) and the stamp window's guide (the page's calls on "external" set
// the stamp window, an unknown call is only logged, no context menu, the
// page closes its window). Screenshots of both windows are saved in the
// build folder. The program's road: its windows come from the web-view
// plug-in, loaded on the first window.
#include "app/windows/QVWebAnnouncementController.h"
#include "stamps/TessaroGuide.h"
#include "webview/LockedWebView.h"
#include "webview/LockedWebWindow.h"
#include "widgets/WebViewPlugin.h"

#include "platform/HttpClient.h"
#include "services/QVRHOCommandCenter.h"

#include "LocalHttpServer.h"
#include "RecordingUrlOpener.h"
#include "TessaroWindowFixture.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QMimeData>
#include <QMouseEvent>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <gtest/gtest.h>

#include <dlfcn.h>

using namespace tolvane::test;

namespace {

bool waitFor(const std::function<bool()> &condition, int milliseconds = 20000)
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

// Lets the page run for a while (for things that must not happen).
void settle(int milliseconds = 800)
{
    waitFor([] { return false; }, milliseconds);
}

QVariant runScript(QWebEnginePage *page, const QString &script)
{
    QVariant result;
    bool done = false;
    page->runJavaScript(script, [&](const QVariant &value) {
        result = value;
        done = true;
    });
    waitFor([&] { return done; });
    return result;
}

int requestsFor(const LocalHttpServer &server, const QByteArray &path)
{
    int count = 0;
    for (const RecordedRequest &request : server.requests())
        count += request.path() == path ? 1 : 0;
    return count;
}

LockedWebView *viewOf(WebPageWindow *window) { return static_cast<LockedWebWindow *>(window)->view(); }

// A click on the element as the user makes it (the page sees a user's
// gesture); false when there is no such element.
bool clickOn(LockedWebView *view, const QString &selector, Qt::MouseButton button)
{
    const QVariantList box =
        runScript(view->page(),
                  QStringLiteral("(function(){var e=document.querySelector('%1'); if (!e) return [];"
                                 "var r=e.getBoundingClientRect();"
                                 "return [r.left + r.width / 2, r.top + r.height / 2];})()")
                      .arg(selector))
            .toList();
    if (box.size() != 2)
        return false;
    QWidget *target = view->focusProxy() ? view->focusProxy() : view;
    const QPointF at(box[0].toDouble(), box[1].toDouble());
    const QPointF global = target->mapToGlobal(at);
    QMouseEvent move(QEvent::MouseMove, at, global, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &move);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, button, button, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, button, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
    return true;
}

// Clicks the element until the condition holds (a page that has only just
// loaded may not take the first click); whether it came to hold.
bool clickUntil(LockedWebView *view, const QString &selector, const std::function<bool()> &condition)
{
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (clickOn(view, selector, Qt::LeftButton) && waitFor(condition, 1500))
            return true;
    }
    return condition();
}

// A right click on the element: the menu the view shows for it.
QStringList menuAt(LockedWebView *view, const QString &selector)
{
    if (!clickOn(view, selector, Qt::RightButton))
        return {QStringLiteral("no element")};
    if (!waitFor([&] { return view->lastContextMenuRequest() != nullptr; }, 5000))
        return {QStringLiteral("no context-menu request")};
    settle(300);
    // The menu the view popped up (if any) goes away.
    for (QWidget *popup = QApplication::activePopupWidget(); popup; popup = QApplication::activePopupWidget())
        popup->close();
    return view->trimmedMenuTexts();
}

void saveShot(QWidget *window, const char *name)
{
    settle(500);
    const QImage shot = window->screen()->grabWindow(window->winId()).toImage();
    EXPECT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(QStringLiteral(TOLVANE_BINARY_DIR "/") + QLatin1String(name)));
}

class WebPageWindowsTest : public TessaroWindowTest
{
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs the xcb platform (the Xvfb fixture)";
        TessaroWindowTest::SetUp();
        installWebPageWindows();
    }
    void TearDown() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            return;
        delete announcementWindow();
        delete guideMeWindow();
        settle(100);
        setWebPageWindowMaker(nullptr);
        TessaroWindowTest::TearDown();
    }
};

TEST_F(WebPageWindowsTest, AnnouncementKeepsItsPageInsideItsBounds)
{
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    server.setReply("/news.html",
                    ScriptedReply::text(200,
                                        "<html><head><title>News</title></head><body>"
                                        "<h1>What is new</h1><p>Rates change on Sunday.</p>"
                                        "<p><a id=\"more\" href=\"/more.html\">More</a> "
                                        "<a id=\"popup\" href=\"/popup.html\" target=\"_blank\">Elsewhere</a></p>"
                                        "<script>window.answer = confirm('Leave?'); alert('Hello');</script>"
                                        "</body></html>",
                                        "text/html"));
    UrlOpenerScope opener;
    dialogs->answers = {0}; // "Cancel"
    const QUrl news(server.url(QStringLiteral("/news.html")));

    WebPageWindow *window = showAnnouncementForURL(news);
    ASSERT_NE(window, nullptr);
    auto &controller = static_cast<QVWebAnnouncementController &>(window->policy());
    ASSERT_TRUE(waitFor([&] { return controller.hasLoaded(); }));
    LockedWebView *view = viewOf(window);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("News"));
    EXPECT_FALSE(controller.lockShown());
    EXPECT_FALSE(static_cast<LockedWebWindow *>(window)->lockIconView()->isVisible());

    // The confirm answered "Cancel" is false in the page; both dialogs went
    // through the dialogs interface.
    EXPECT_EQ(runScript(view->page(), QStringLiteral("window.answer")), QVariant(false));
    ASSERT_EQ(dialogs->alerts.size(), 2);
    EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("JavaScript"));
    EXPECT_EQ(dialogs->alerts[0].informativeText, QStringLiteral("Leave?"));
    EXPECT_EQ(dialogs->alerts[0].buttons.size(), 2);
    EXPECT_EQ(dialogs->alerts[1].informativeText, QStringLiteral("Hello"));
    // No script bridge for the announcement.
    EXPECT_EQ(runScript(view->page(), QStringLiteral("typeof window.external.setMailPieceTypePopUp")),
              QVariant(QStringLiteral("undefined")));
    saveShot(window, "AnnouncementWindow-xcb.png");

    // The context menu of a link keeps copying its address but neither
    // opening it in a new window nor downloading it.
    const QStringList menu = menuAt(view, QStringLiteral("#more"));
    EXPECT_FALSE(menu.isEmpty());
    for (const QString &item : menu) {
        EXPECT_FALSE(item.contains(QLatin1String("New Window"), Qt::CaseInsensitive)) << item.toStdString();
        EXPECT_FALSE(item.contains(QLatin1String("Save"), Qt::CaseInsensitive)) << item.toStdString();
        EXPECT_FALSE(item.contains(QLatin1String("Download"), Qt::CaseInsensitive)) << item.toStdString();
    }

    // The page reaches no local file (a script's navigation counts as a
    // clicked link, but no local address reaches the browser either).
    runScript(view->page(), QStringLiteral("location.href = 'file:///etc/hostname'"));
    settle();
    EXPECT_EQ(view->url(), news);
    EXPECT_TRUE(opener->opened.isEmpty());
    EXPECT_EQ(announcementWindow(), window);

    // A second announcement reuses the window.
    EXPECT_EQ(showAnnouncementForURL(news), window);
    ASSERT_TRUE(waitFor([&] { return requestsFor(server, "/news.html") == 2 && !controller.isLoading(); }));

    // A link that asks for a new window: its address goes to the browser, no
    // window opens.
    const int topLevels = int(QApplication::topLevelWidgets().size());
    ASSERT_TRUE(clickUntil(view, QStringLiteral("#popup"), [&] { return !opener->opened.isEmpty(); }));
    EXPECT_EQ(opener->opened, QList<QUrl>{QUrl(server.url(QStringLiteral("/popup.html")))});
    EXPECT_EQ(int(QApplication::topLevelWidgets().size()), topLevels);
    EXPECT_EQ(announcementWindow(), window);

    // A clicked link leaves for the browser and the announcement closes.
    ASSERT_TRUE(clickUntil(view, QStringLiteral("#more"), [&] { return opener->opened.size() == 2; }));
    ASSERT_TRUE(waitFor([&] { return announcementWindow() == nullptr; }));
    EXPECT_EQ(opener->opened.size(), 2);
    EXPECT_EQ(opener->opened.value(1), QUrl(server.url(QStringLiteral("/more.html"))));
    for (const RecordedRequest &request : server.requests())
        EXPECT_NE(request.path(), QByteArray("/more.html"));
}

TEST_F(WebPageWindowsTest, AnnouncementLockFollowsTheScheme)
{
    LocalHttpServer secure(LocalHttpServer::Scheme::Https);
    LocalHttpServer plain;
    ASSERT_TRUE(secure.isListening());
    ASSERT_TRUE(plain.isListening());
    const QByteArray page = "<html><head><title>Secure</title></head><body>Secure</body></html>";
    secure.setReply("/secure.html", ScriptedReply::text(200, page, "text/html"));
    plain.setReply("/plain.html", ScriptedReply::text(200, "<html><body>Plain</body></html>", "text/html"));

    WebPageWindow *window = showAnnouncementForURL(QUrl(QStringLiteral("about:blank")));
    ASSERT_NE(window, nullptr);
    auto &controller = static_cast<QVWebAnnouncementController &>(window->policy());
    // The test's own certificate authority is not the system's: the
    // program trusts it as its extra authority.
    setHttpCAFile(LocalHttpServer::testCertificateAuthorityFile());
    QLabel *lock = static_cast<LockedWebWindow *>(window)->lockIconView();

    window->loadURL(
        QUrl(secure.url(QStringLiteral("/secure.html")).replace(QLatin1String("https"), QLatin1String("HTTPS"))));
    ASSERT_TRUE(waitFor([&] { return controller.pageTitle() == QLatin1String("Secure") && !controller.isLoading(); }));
    EXPECT_TRUE(controller.lockShown());
    EXPECT_TRUE(lock->isVisible());
    saveShot(window, "AnnouncementWindow-https-xcb.png");

    window->loadURL(QUrl(plain.url(QStringLiteral("/plain.html"))));
    ASSERT_TRUE(waitFor([&] { return requestsFor(plain, "/plain.html") == 1 && !controller.isLoading(); }));
    EXPECT_FALSE(controller.lockShown());
    EXPECT_FALSE(lock->isVisible());
    setHttpCAFile(QString());
}

TEST_F(WebPageWindowsTest, GuidePageSetsTheStampWindowThroughExternalOnly)
{
    loadWindow(TessaroController::RollMode);
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    server.setReply("/guide.html",
                    ScriptedReply::text(200,
                                        "<html><head><title>Guide Me</title></head><body>"
                                        "<h1>Which mail piece?</h1><p id=\"text\">A package by Priority Mail.</p>"
                                        "<script>"
                                        "window.external.setMailPieceTypePopUp('Priority', 'Package');"
                                        "var unknown = window.external.openFile('/etc/passwd', 2);"
                                        "window.known = window.external.setMailPieceTypePopUp('x', 'y');"
                                        "document.getElementById('text').setAttribute('data-answer',"
                                        "  JSON.stringify(unknown));"
                                        "</script></body></html>",
                                        "text/html"));
    server.setReply("/file.bin",
                    ScriptedReply::text(200, "bytes", "application/octet-stream")
                        .addHeader("Content-Disposition", "attachment; filename=\"file.bin\""));
    UserDefaults::standardUserDefaults().setObject(server.url(QStringLiteral("/guide.html")), GuideMeURLDefaultsKey);
    const int mailpieceBefore = window->selectedMailpiece();
    ASSERT_NE(mailpieceBefore, 4);

    WebPageWindow *guideWindow = showGuideMeWindow(window.get());
    ASSERT_NE(guideWindow, nullptr);
    auto &guide = static_cast<TessaroGuideMeWindowController &>(guideWindow->policy());
    LockedWebView *view = viewOf(guideWindow);
    ASSERT_TRUE(waitFor([&] { return window->selectedMailpiece() == 4 && guide.unknownCalls().size() == 1; }));
    EXPECT_EQ(window->kivoStampRequest(), window->catalogue().requestForTag(201));
    EXPECT_EQ(guide.unknownCalls(), QStringList{QStringLiteral("openFile, /etc/passwd, 2")});
    // The unknown call answered an empty text; the page's own functions
    // answer nothing, and the pair the table lacks changed nothing.
    EXPECT_EQ(runScript(view->page(), QStringLiteral("document.getElementById('text').getAttribute('data-answer')")),
              QVariant(QStringLiteral("\"\"")));
    EXPECT_EQ(runScript(view->page(), QStringLiteral("typeof window.known")), QVariant(QStringLiteral("undefined")));
    settle(300);
    EXPECT_EQ(window->selectedMailpiece(), 4);
    EXPECT_EQ(window->kivoStampRequest(), window->catalogue().requestForTag(201));
    // The page never sees the channel.
    EXPECT_EQ(runScript(view->page(), QStringLiteral("typeof qt")), QVariant(QStringLiteral("undefined")));
    EXPECT_TRUE(dialogs->alerts.isEmpty());

    // No context menu at all.
    EXPECT_EQ(menuAt(view, QStringLiteral("#text")), QStringList());

    // The page reaches no local file and downloads nothing.
    const QUrl page(server.url(QStringLiteral("/guide.html")));
    runScript(view->page(), QStringLiteral("location.href = 'file:///etc/hostname'"));
    settle();
    EXPECT_EQ(view->url(), page);
    QList<QWebEngineDownloadRequest::DownloadState> downloads;
    QObject::connect(view->page()->profile(), &QWebEngineProfile::downloadRequested, view,
                     [&](QWebEngineDownloadRequest *download) { downloads << download->state(); });
    runScript(view->page(), QStringLiteral("location.href = '/file.bin'"));
    ASSERT_TRUE(waitFor([&] { return !downloads.isEmpty(); }));
    EXPECT_EQ(downloads, QList{QWebEngineDownloadRequest::DownloadCancelled});
    settle();
    EXPECT_EQ(view->url(), page);
    saveShot(guideWindow, "GuideMeWindow-xcb.png");

    // A file dragged onto the page is refused.
    QWidget *target = view->focusProxy() ? view->focusProxy() : view;
    QMimeData dragged;
    dragged.setUrls({QUrl::fromLocalFile(QStringLiteral("/etc/hostname"))});
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction | Qt::LinkAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(false);
    QCoreApplication::sendEvent(target, &enter);
    EXPECT_FALSE(enter.isAccepted());
    EXPECT_FALSE(target->acceptDrops());
    settle(300);
    EXPECT_EQ(view->url(), page);

    // The page closes its window.
    runScript(view->page(), QStringLiteral("window.external.closeGuideMeWindow()"));
    ASSERT_TRUE(waitFor([&] { return !guideWindow->isVisible(); }));
    EXPECT_TRUE(guide.closeRequested());
    EXPECT_EQ(guide.unknownCalls().size(), 1);
}

// The program installs the plug-in's maker: the first window loads the
// plug-in, whose locked web view shows the page and reaches the policy.
TEST_F(WebPageWindowsTest, ProgramWindowsComeFromThePlugin)
{
    const QString plugin = webViewPluginPath();
    ASSERT_FALSE(plugin.isEmpty()) << qPrintable(webViewPluginSearchPaths().join(QStringLiteral(", ")));
    installWebViewPlugin();
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    server.setReply("/plugin.html",
                    ScriptedReply::text(200,
                                        "<html><head><title>From the plug-in</title></head><body>"
                                        "<script>alert('Loaded');</script></body></html>",
                                        "text/html"));
    UrlOpenerScope opener;

    WebPageWindow *window = showAnnouncementForURL(QUrl(server.url(QStringLiteral("/plugin.html"))));
    ASSERT_NE(window, nullptr);
    // The window's code lies in the plug-in, not in this test's own copy of
    // the web view.
    Dl_info where{};
    ASSERT_NE(dladdr(*reinterpret_cast<void **>(window), &where), 0);
    EXPECT_EQ(QFileInfo(QString::fromLocal8Bit(where.dli_fname)).canonicalFilePath(),
              QFileInfo(plugin).canonicalFilePath());
    auto &controller = static_cast<QVWebAnnouncementController &>(window->policy());
    ASSERT_TRUE(waitFor([&] { return controller.hasLoaded(); }));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("From the plug-in"));
    ASSERT_TRUE(waitFor([&] { return !dialogs->alerts.isEmpty(); }));
    EXPECT_EQ(dialogs->alerts.value(0).informativeText, QStringLiteral("Loaded"));
    EXPECT_TRUE(window->isVisible());
}

} // namespace
