// The guide window's policy: the page's calls on "external" as the web
// view hands them over (arguments as script values), the close it asks for,
// and the one guide window of the process made through the installed
// web-page window maker, and the stamp view's button that opens it. The page
// in the real web view: tests/webview.
#include "stamps/TessaroGuide.h"

#include "services/QVRHOCommandCenter.h"
#include "stamps/TessaroController.h"
#include "stamps/TessaroView.h"

#include "RecordingWebPageWindow.h"
#include "TessaroWindowFixture.h"

#include <QCoreApplication>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

class TessaroGuideTest : public TessaroWindowTest
{
protected:
    void TearDown() override
    {
        delete guideMeWindow();
        setWebPageWindowMaker(nullptr);
        TessaroWindowTest::TearDown();
    }
};

TEST_F(TessaroGuideTest, ThePagesCallsReachOnlyTheTwoFunctions)
{
    loadWindow(TessaroController::RollMode);
    TessaroGuideMeWindowController guide(window.get());
    EXPECT_EQ(guide.scriptFunctions(),
              (QStringList{QStringLiteral("setMailPieceTypePopUp"), QStringLiteral("closeGuideMeWindow")}));
    int closes = 0;
    guide.closeWindow = [&] { ++closes; };

    guide.scriptCall(QStringLiteral("setMailPieceTypePopUp"),
                     {QStringLiteral("FirstClass"), QStringLiteral("LargeEnvelope")});
    EXPECT_EQ(window->selectedMailpiece(), 3);
    EXPECT_EQ(window->tagOfSelectedClassItem(), 120);
    // Missing or non-text arguments are names that the table lacks.
    guide.scriptCall(QStringLiteral("setMailPieceTypePopUp"), {QStringLiteral("Priority")});
    guide.scriptCall(QStringLiteral("setMailPieceTypePopUp"), {42.0, QVariant()});
    EXPECT_EQ(window->selectedMailpiece(), 3);
    EXPECT_EQ(window->tagOfSelectedClassItem(), 120);
    EXPECT_TRUE(guide.unknownCalls().isEmpty());

    // Any other name, even one of the controller's own members, is only
    // logged, its arguments as the script wrote them.
    guide.scriptCall(QStringLiteral("setMailClassTo"), {QStringLiteral("Priority"), QStringLiteral("Package")});
    guide.scriptCall(QStringLiteral("readFile"),
                     {QStringLiteral("/etc/passwd"), 2.5, true, QVariant(), QVariantList{1.0, QStringLiteral("a")}});
    guide.scriptCall(QStringLiteral("ping"), {});
    EXPECT_EQ(
        guide.unknownCalls(),
        (QStringList{QStringLiteral("setMailClassTo, Priority, Package"),
                     QStringLiteral("readFile, /etc/passwd, 2.5, true, null, [1,\"a\"]"), QStringLiteral("ping, ")}));
    EXPECT_EQ(window->selectedMailpiece(), 3);
    EXPECT_EQ(closes, 0);

    guide.scriptCall(QStringLiteral("closeGuideMeWindow"), {});
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(guide.closeRequested());
    EXPECT_TRUE(dialogs->alerts.isEmpty());
}

TEST_F(TessaroGuideTest, OneGuideWindowLoadedOnceFromItsAddress)
{
    loadWindow(TessaroController::RollMode);
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    // No address, or no web view: no window.
    int made = 0;
    setWebPageWindowMaker([&](std::shared_ptr<WebViewPolicy> policy) -> WebPageWindow * {
        ++made;
        return new RecordingWebPageWindow(std::move(policy));
    });
    EXPECT_EQ(showGuideMeWindow(window.get()), nullptr);
    EXPECT_EQ(made, 0);
    defaults.setObject(QStringLiteral("www.example.test"), QVRHOWebSiteDefaultsKey);
    setWebPageWindowMaker(nullptr);
    EXPECT_EQ(showGuideMeWindow(window.get()), nullptr);

    setWebPageWindowMaker([&](std::shared_ptr<WebViewPolicy> policy) -> WebPageWindow * {
        ++made;
        return new RecordingWebPageWindow(std::move(policy));
    });
    auto *shown = dynamic_cast<RecordingWebPageWindow *>(showGuideMeWindow(window.get()));
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(shown->loads, QList<QUrl>{QUrl(QStringLiteral("https://www.example.test/mac/guideme/"))});

    // The page closes the window; the guide comes back as it was, not
    // loaded again, and still sets the stamp window.
    shown->policy().scriptCall(QStringLiteral("closeGuideMeWindow"), {});
    EXPECT_FALSE(shown->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(showGuideMeWindow(window.get()), shown);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(made, 1);
    EXPECT_EQ(shown->loads.size(), 1);
    EXPECT_FALSE(static_cast<TessaroGuideMeWindowController &>(shown->policy()).closeRequested());
    shown->policy().scriptCall(QStringLiteral("setMailPieceTypePopUp"),
                               {QStringLiteral("Priority"), QStringLiteral("Package")});
    EXPECT_EQ(window->selectedMailpiece(), 4);
    EXPECT_EQ(window->kivoStampRequest(), window->catalogue().requestForTag(201));
}

// The stamp view's Guide Me button opens the one guide window for its stamp
// window.
TEST_F(TessaroGuideTest, TheGuideMeButtonOpensTheGuide)
{
    loadWindow(TessaroController::SheetMode);
    UserDefaults::standardUserDefaults().setObject(QStringLiteral("www.example.test"), QVRHOWebSiteDefaultsKey);
    int made = 0;
    setWebPageWindowMaker([&](std::shared_ptr<WebViewPolicy> policy) -> WebPageWindow * {
        ++made;
        return new RecordingWebPageWindow(std::move(policy));
    });
    TessaroView view(*window);
    QPushButton *button = view.findChild<QPushButton *>(QStringLiteral("guideMeButton"));
    ASSERT_TRUE(button);
    EXPECT_EQ(button->text(), QStringLiteral("Guide Me…"));
    button->click();
    auto *shown = dynamic_cast<RecordingWebPageWindow *>(guideMeWindow());
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(made, 1);
    shown->policy().scriptCall(QStringLiteral("setMailPieceTypePopUp"),
                               {QStringLiteral("FirstClass"), QStringLiteral("LargeEnvelope")});
    EXPECT_EQ(window->selectedMailpiece(), 3);
    button->click();
    EXPECT_EQ(made, 1);
}

} // namespace
