// The menus and the updater as the running program wires them into the
// application delegate's hooks: the menu bar on the loaded main window (the
// main menu or the stamps-only edition's), the mode menu following the
// printing mode, "Check for Updates…" reaching the feed, the title marks,
// and the windows of this build shown through their menu items.
#include "app/shell/LaunchServices.h"
#include "app/shell/QVApplicationMenus.h"
#include "app/shell/QVUpdater.h"
#include "platform/UserDefaults.h"

#include "LocalHttpServer.h"
#include "RecordingDialogs.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMenuBar>
#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

class ApplicationMenusTest : public ::testing::Test
{
protected:
    void SetUp() override { UserDefaults::resetStandardUserDefaults(); }
    void TearDown() override
    {
        delete mainWindow;
        UserDefaults::resetStandardUserDefaults();
    }

    QVUpdaterEnvironment environment()
    {
        QVUpdaterEnvironment e;
        e.bundleFeedURL = server.url(QStringLiteral("/feed.xml"));
        e.bundleVersion = QStringLiteral("400");
        e.shortVersionString = QStringLiteral("2.1b3");
        e.bundleName = QStringLiteral("Tolvane");
        e.testServerHost = [] { return QStringLiteral("127.0.0.1"); };
        return e;
    }

    // The hooks as the program has them before the wiring: a main window
    // that the loading hook makes.
    QVXControllerHooks hooks()
    {
        QVXControllerHooks made;
        made.loadMainWindow = [this] {
            mainWindow = new QMainWindow;
            mainWindow->setWindowTitle(QStringLiteral("Tolvane for Mac"));
        };
        made.setPrintingMode = [this](const QString &mode) { modes << mode; };
        return made;
    }

    LocalHttpServer server;
    QMainWindow *mainWindow = nullptr;
    QStringList modes;
};

QStringList menuTitles(QMainWindow *window)
{
    QStringList titles;
    for (QAction *action : window->menuBar()->actions())
        titles << action->text();
    return titles;
}

} // namespace

TEST_F(ApplicationMenusTest, HooksPutMenusUpdaterAndMarksInPlace)
{
    ASSERT_TRUE(server.isListening());
    server.setReply("/tfmbeta/TolvaneForMacSparkle.xml",
                    ScriptedReply::text(200,
                                        "<rss><channel><item><sparkle:version>400</sparkle:version>"
                                        "</item></channel></rss>"));
    DialogsScope dialogs;
    QVUpdater updater(environment());
    bool stampMode = false;
    QVApplicationMenus menus(updater, [&stampMode] { return stampMode; });
    QVXControllerHooks wired = hooks();
    wireUpdaterAndMenus(wired, updater, menus, mainWindow);

    // The updater starts with the launch: the beta build's feed.
    wired.setUpUpdater();
    EXPECT_TRUE(updater.automaticChecksRunning());
    EXPECT_TRUE(updater.feedURL().path().startsWith(QStringLiteral("/tfmbeta/")));

    // The loaded main window gets the main menu.
    wired.loadMainWindow();
    ASSERT_TRUE(mainWindow);
    ASSERT_TRUE(menus.menuBar());
    EXPECT_EQ(menuTitles(mainWindow).value(0), QStringLiteral("Tolvane"));
    EXPECT_TRUE(menuTitles(mainWindow).contains(QStringLiteral("Mode")));

    // The mode menu follows the printing mode; the earlier hook still runs.
    wired.setPrintingMode(QStringLiteral("QVTessaroPrintingMode"));
    EXPECT_EQ(modes, QStringList{QStringLiteral("QVTessaroPrintingMode")});
    EXPECT_TRUE(menus.menuBar()->actionFor(QStringLiteral("showTessaro:"))->isChecked());
    EXPECT_FALSE(menus.menuBar()->actionFor(QStringLiteral("showLabels:"))->isChecked());
    wired.setPrintingMode(QStringLiteral("QVStandardPrintingMode"));
    EXPECT_TRUE(menus.menuBar()->actionFor(QStringLiteral("showLabels:"))->isChecked());

    // The title marks.
    wired.addJunkToWindowTitle();
    EXPECT_EQ(mainWindow->windowTitle(), QStringLiteral("Tolvane for Mac - BETA (400) - **TEST SERVER** (127.0.0.1)"));

    // "Check for Updates…" asks the feed and says what it found.
    QElapsedTimer clock;
    clock.start();
    while (updater.isChecking() && clock.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QAction *check = menus.menuBar()->actionFor(QStringLiteral("checkForUpdates:"));
    ASSERT_TRUE(check);
    EXPECT_TRUE(check->isEnabled());
    check->trigger();
    while (updater.isChecking() && clock.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("You’re up to date!"));
    EXPECT_EQ(server.requestCount(), 2);

    // The scale set-up window of this build opens from its item, once.
    QAction *scale = menus.menuBar()->actionFor(QStringLiteral("showScaleSetup:"));
    ASSERT_TRUE(scale);
    scale->trigger();
    const auto controller =
        std::dynamic_pointer_cast<QVWidgetWindowController>(menus.windows().controller(QVScaleSetupControllerName));
    ASSERT_TRUE(controller);
    ASSERT_TRUE(controller->window());
    EXPECT_TRUE(controller->window()->isVisible());
    scale->trigger();
    EXPECT_EQ(menus.windows().controller(QVScaleSetupControllerName), controller);
}

TEST_F(ApplicationMenusTest, StampsEditionGetsItsOwnMenu)
{
    QVUpdater updater(environment());
    QVApplicationMenus menus(updater, [] { return true; });
    QVXControllerHooks wired = hooks();
    wireUpdaterAndMenus(wired, updater, menus, mainWindow);
    wired.useStampsEditionMenu();
    wired.loadMainWindow();
    ASSERT_TRUE(mainWindow);
    EXPECT_EQ(menuTitles(mainWindow).value(0), QStringLiteral("Tolvane"));
    EXPECT_FALSE(menuTitles(mainWindow).contains(QStringLiteral("Mode")));
    QAction *quit = menus.menuBar()->actionFor(QStringLiteral("terminate:"));
    ASSERT_TRUE(quit);
    EXPECT_EQ(quit->text(), QStringLiteral("Quit Tolvane"));
    // The printer set-up is not offered while the stamp window is shown.
    menus.actions().perform(QStringLiteral("showPrinterSetup:"));
    EXPECT_FALSE(menus.windows().exists(QVPrinterSetupControllerName));
}
