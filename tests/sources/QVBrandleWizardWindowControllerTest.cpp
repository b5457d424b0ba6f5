// QVBrandleWizardWindowController on a recording web-page window: nothing
// opens without a window maker; the URL field hides vendor pages (their URL
// carries the password) and shows others; only closeWizardViewWindow is
// carried out; the close button only on the vendor's domains; closing tells
// the orders window once; the view's set-up (user agent, cache, style sheet).
#include "sources/QVBrandleWizardWindowController.h"

#include "ConsoleCapture.h"
#include "RecordingWebPageWindow.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "services/QVRHOCommandCenter.h"

#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QFile>
#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

class BrandleWizardTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UserDefaults::resetStandardUserDefaults();
        UserDefaults::standardUserDefaults().setString(QStringLiteral("www.vendor.example:8443"),
                                                       QVRHOWebSiteDefaultsKey);
        UserDefaults::standardUserDefaults().setString(QStringLiteral("dev.internal.example"),
                                                       QVWebStoreWizardDevelopmentDomainDefaultsKey);
        setWebPageWindowMaker([this](std::shared_ptr<WebViewPolicy> policy) -> WebPageWindow * {
            auto *window = new RecordingWebPageWindow(std::move(policy));
            windows << window;
            return window;
        });
    }
    void TearDown() override
    {
        // A window left open holds its wizard: both go with the window.
        for (const QPointer<RecordingWebPageWindow> &window : std::as_const(windows))
            delete window.data();
        setWebPageWindowMaker({});
        UserDefaults::resetStandardUserDefaults();
    }
    QList<QPointer<RecordingWebPageWindow>> windows;
};

const QUrl kSignIn(QStringLiteral("https://www.vendor.example/Account/Login/?SerialNumber=1&AccountPW=secret"));

TEST_F(BrandleWizardTest, NothingOpensWithoutAWindowMaker)
{
    setWebPageWindowMaker({});
    EXPECT_EQ(QVBrandleWizardWindowController::wizardWithURL(kSignIn, [] {}), nullptr);
}

TEST_F(BrandleWizardTest, URLFieldHidesVendorPages)
{
    int closed = 0;
    const auto wizard = QVBrandleWizardWindowController::wizardWithURL(kSignIn, [&closed] { ++closed; });
    ASSERT_TRUE(wizard);
    ASSERT_EQ(windows.size(), 1);
    EXPECT_EQ(windows[0]->loads, QList<QUrl>({kSignIn}));
    int changes = 0;
    wizard->urlStringChanged = [&changes] { ++changes; };

    const std::pair<const char *, const char *> cases[] = {
        {"https://WWW.VENDOR.EXAMPLE/Account/Login/?AccountPW=secret", ""},
        {"https://sellercentral.market.example/authorize?x=1", "https://sellercentral.market.example/authorize?x=1"},
    };
    for (const auto &[url, shown] : cases) {
        wizard->provisionalLoadStarted(QUrl(QLatin1String(url)));
        EXPECT_EQ(wizard->urlString(), QLatin1String(shown)) << url;
        wizard->serverRedirected(QUrl(QLatin1String(url)));
        EXPECT_EQ(wizard->urlString(), QLatin1String(shown)) << url;
        wizard->mainFrameLoadFinished(QUrl(QLatin1String(url)));
        EXPECT_EQ(wizard->urlString(), QLatin1String(shown)) << url;
    }
    EXPECT_EQ(changes, 6);

    // The close button on the vendor's and the development domain only.
    EXPECT_TRUE(wizard->scriptAfterLoad(kSignIn).contains(QStringLiteral("Close Web Store Manager")));
    EXPECT_FALSE(wizard->scriptAfterLoad(QUrl(QStringLiteral("https://dev.internal.example/x"))).isEmpty());
    EXPECT_TRUE(wizard->scriptAfterLoad(QUrl(QStringLiteral("https://market.example/"))).isEmpty());
}

TEST_F(BrandleWizardTest, OnlyCloseIsCarriedOut)
{
    int closed = 0;
    const auto wizard = QVBrandleWizardWindowController::wizardWithURL(kSignIn, [&closed] { ++closed; });
    ASSERT_TRUE(wizard);
    wizard->showWindow();
    ASSERT_TRUE(windows[0]->isVisible());
    EXPECT_EQ(wizard->scriptObjectName(), QStringLiteral("brandleController"));
    EXPECT_EQ(wizard->scriptFunctions(), QStringList({QStringLiteral("closeWizardViewWindow")}));

    ConsoleCapture console;
    wizard->scriptCall(QStringLiteral("refreshWebStores"), {QStringLiteral("x"), 2});
    EXPECT_TRUE(console.lines().join(u'\n').contains(QStringLiteral("refreshWebStores, x, 2")));
    EXPECT_TRUE(windows[0]->isVisible());
    EXPECT_EQ(closed, 0);

    wizard->scriptCall(QStringLiteral("closeWizardViewWindow"), {});
    EXPECT_EQ(closed, 1);
    EXPECT_TRUE(windows[0].isNull() || !windows[0]->isVisible());
}

TEST_F(BrandleWizardTest, TheWindowOwnsTheWizardAndGoesOnceWhenClosed)
{
    // The window holds the last reference to the wizard once its opener lets
    // go: closing deletes the window, which lets the wizard go, and the
    // window is deleted once.
    int closed = 0;
    std::weak_ptr<QVBrandleWizardWindowController> held;
    {
        const auto wizard = QVBrandleWizardWindowController::wizardWithURL(kSignIn, [&closed] { ++closed; });
        ASSERT_TRUE(wizard);
        held = wizard;
        wizard->showWindow();
    }
    ASSERT_FALSE(held.expired()) << "the window keeps its wizard";
    ASSERT_EQ(windows.size(), 1);
    QPointer<RecordingWebPageWindow> window = windows[0];
    int destroyed = 0;
    QObject::connect(window.data(), &QObject::destroyed, [&destroyed] { ++destroyed; });
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(destroyed, 1);
    EXPECT_TRUE(held.expired());
    EXPECT_EQ(closed, 1);
}

TEST_F(BrandleWizardTest, ViewSetUp)
{
    const auto wizard = QVBrandleWizardWindowController::wizardWithURL(kSignIn, [] {});
    ASSERT_TRUE(wizard);
    EXPECT_EQ(wizard->userAgentApplicationName(), QStringLiteral("Safari/533"));
    EXPECT_FALSE(wizard->usesPageCache());
    EXPECT_TRUE(wizard->showsURLField());

    // The support folder's style sheet wins over the bundle's.
    const QString own = QDir(applicationSupportDirectory()).filePath(QStringLiteral("webstore-wizard.css"));
    QDir().mkpath(applicationSupportDirectory());
    QFile file(own);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("body { color: black; }");
    file.close();
    EXPECT_EQ(wizard->userStyleSheetPath(), own);
    QFile::remove(own);
    EXPECT_NE(wizard->userStyleSheetPath(), own);
}

} // namespace
