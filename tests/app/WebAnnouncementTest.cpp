// The announcement window's policies on plain state (clicked links leave for
// the browser and close the announcement but stay inside a subclass, the
// lock follows the page's scheme in any case, script confirms through the
// dialogs, the trimmed context menu) and the one announcement window (made
// by the installed web-page window maker, else the browser). The page in
// the real web view: tests/webview.
#include "app/windows/QVWebAnnouncementController.h"

#include "RecordingDialogs.h"
#include "RecordingWebPageWindow.h"
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
    EXPECT_EQ(controller.trimmedContextMenu({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 1015}),
              (QList<int>{3, 6, 8, 12, 1015}));
}

TEST(WebAnnouncement, OneWindowReusedUntilItClosesElseTheBrowser)
{
    UrlOpenerScope opener;
    const QUrl news(QStringLiteral("https://www.example.test/news.html"));
    const QUrl more(QStringLiteral("https://www.example.test/more.html"));

    // No web view in this program: the page goes to the browser.
    setWebPageWindowMaker(nullptr);
    EXPECT_EQ(showAnnouncementForURL(news), nullptr);
    EXPECT_EQ(opener->opened, QList<QUrl>{news});
    EXPECT_EQ(announcementWindow(), nullptr);

    int made = 0;
    setWebPageWindowMaker([&](std::shared_ptr<WebViewPolicy> policy) -> WebPageWindow * {
        ++made;
        return new RecordingWebPageWindow(std::move(policy));
    });
    auto *window = dynamic_cast<RecordingWebPageWindow *>(showAnnouncementForURL(news));
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_NE(dynamic_cast<QVWebAnnouncementController *>(&window->policy()), nullptr);
    EXPECT_EQ(showAnnouncementForURL(more), window);
    EXPECT_EQ(window->loads, (QList<QUrl>{news, more}));
    EXPECT_EQ(made, 1);
    EXPECT_EQ(opener->opened.size(), 1);

    // Closed, it is forgotten; the next announcement makes a new window.
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(announcementWindow(), nullptr);
    WebPageWindow *second = showAnnouncementForURL(news);
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(made, 2);
    delete second;
    setWebPageWindowMaker(nullptr);
}

} // namespace
