// The announcement window's policies on plain state (clicked links leave for
// the browser and close the announcement but stay inside a subclass, the
// lock follows the page's scheme in any case, script confirms through the
// dialogs, the trimmed context menu) and the window loading a page from a
// local server.
#include "app/QVWebAnnouncementController.h"

#include "LocalHttpServer.h"
#include "RecordingDialogs.h"
#include "RecordingUrlOpener.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

using Nav = QVWebAnnouncementController::NavigationType;
using Policy = QVWebAnnouncementController::Policy;

class WizardController : public QVWebAnnouncementController
{};

TEST(WebAnnouncement, ClickedLinksLeaveTheAnnouncementButNotTheWizard)
{
    UrlOpenerScope opener;
    const QUrl link(QStringLiteral("https://www.example.test/news"));
    QVWebAnnouncementController announcement;
    int closes = 0;
    announcement.closeWindow = [&] { ++closes; };
    EXPECT_EQ(announcement.navigationPolicy(Nav::LinkClicked, link), Policy::Ignore);
    EXPECT_EQ(opener->opened, QList<QUrl>{link});
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(announcement.navigationPolicy(Nav::Other, link), Policy::Use);
    EXPECT_EQ(opener->opened.size(), 1);

    WizardController wizard;
    wizard.closeWindow = [&] { ++closes; };
    EXPECT_EQ(wizard.navigationPolicy(Nav::LinkClicked, link), Policy::Use);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(opener->opened.size(), 1);

    // New windows: a clicked link goes to the browser, anything else is used.
    EXPECT_EQ(wizard.newWindowPolicy(Nav::LinkClicked, link), Policy::Ignore);
    EXPECT_EQ(opener->opened.size(), 2);
    EXPECT_EQ(wizard.newWindowPolicy(Nav::FormSubmitted, link), Policy::Use);
}

TEST(WebAnnouncement, TheLockFollowsTheSchemeInAnyCase)
{
    QVWebAnnouncementController controller;
    QList<bool> changes;
    controller.lockChanged = [&](bool shown) { changes.append(shown); };
    controller.provisionalLoadStarted(QUrl(QStringLiteral("HTTPS://www.example.test/")));
    EXPECT_TRUE(controller.lockShown());
    EXPECT_TRUE(controller.isLoading());
    controller.provisionalLoadStarted(QUrl(QStringLiteral("https://www.example.test/2")));
    controller.loadFinished();
    EXPECT_TRUE(controller.hasLoaded());
    EXPECT_FALSE(controller.isLoading());
    controller.provisionalLoadStarted(QUrl(QStringLiteral("http://www.example.test/")));
    EXPECT_FALSE(controller.lockShown());
    EXPECT_EQ(changes, (QList<bool>{true, false}));
}

TEST(WebAnnouncement, ScriptAlertsAndConfirmsGoThroughTheDialogs)
{
    DialogsScope dialogs;
    QVWebAnnouncementController controller;
    dialogs->answers = {0, 1};
    EXPECT_FALSE(controller.scriptConfirm(QStringLiteral("Leave?")));
    EXPECT_TRUE(controller.scriptConfirm(QStringLiteral("Leave?")));
    controller.scriptAlert(QStringLiteral("Hello"));
    ASSERT_EQ(dialogs->alerts.size(), 3);
    EXPECT_EQ(dialogs->alerts.at(0).messageText, QStringLiteral("JavaScript"));
    EXPECT_EQ(dialogs->alerts.at(0).informativeText, QStringLiteral("Leave?"));
    EXPECT_EQ(dialogs->alerts.at(0).buttons.size(), 2);
    EXPECT_EQ(dialogs->alerts.at(2).informativeText, QStringLiteral("Hello"));
    EXPECT_EQ(QVWebAnnouncementController::trimmedContextMenu({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}),
              (QList<int>{3, 6, 8, 12}));
}

TEST(WebAnnouncement, TheWindowLoadsAPageAndSendsItsLinksAway)
{
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    server.setReply("/news.html",
                    ScriptedReply::text(200,
                                        "<html><head><title>News</title></head><body>"
                                        "<a href=\"/more.html\">More</a></body></html>",
                                        "text/html"));
    UrlOpenerScope opener;
    QVWebAnnouncementWindow *window = showAnnouncementForURL(QUrl(server.url(QStringLiteral("/news.html"))));
    ASSERT_TRUE(window);
    EXPECT_EQ(announcementWindow(), window);
    EXPECT_TRUE(window->controller().hasLoaded());
    EXPECT_FALSE(window->controller().lockShown());
    EXPECT_FALSE(window->lockIconView()->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("News"));
    EXPECT_TRUE(window->view()->toPlainText().contains(QStringLiteral("More")));
    // A second announcement reuses the window.
    EXPECT_EQ(showAnnouncementForURL(QUrl(server.url(QStringLiteral("/news.html")))), window);
    EXPECT_EQ(server.requestCount(), 2);

    window->linkClicked(QUrl(QStringLiteral("/more.html")));
    EXPECT_EQ(opener->opened, QList<QUrl>{QUrl(server.url(QStringLiteral("/more.html")))});
    EXPECT_EQ(server.requestCount(), 2);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(announcementWindow(), nullptr);
}

} // namespace
