// The application delegate's actions joined to its modes, the stamp window,
// the account panels and the status refresh: the menus' actions reach them,
// the delegate's mode follows every switch, the address drawer and the
// Choose Printer item only in the standard mode, the use-postage toggle and
// its check mark, and the stamps edition's dock items.
#include "app/shell/QVXControllerActions.h"

#include "app/mainwindow/MasterToolbar.h"
#include "app/shell/QVApplicationMenus.h"
#include "app/shell/QVMenuBar.h"
#include "app/shell/QVUpdater.h"
#include "app/shell/QVMenus.h"
#include "app/shell/QVURLHandler.h"
#include "app/shell/QVXController.h"
#include "app/shell/QVXControllerViews.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "platform/UserDefaults.h"

#include "LaunchFakes.h"
#include "RecordingDialogs.h"

#include <QMainWindow>
#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

class Views : public QVMainViewHost
{
public:
    QStringList calls;
    void switchToView(View view) override { calls << (view == View::Tessaro ? "view:stamps" : "view:labels"); }
    void checkModeMenuItem(int tag) override { calls << QStringLiteral("check:%1").arg(tag); }
    void closeAddressDrawer() override { calls << "closeDrawer"; }
    void updateStampWindowTitle() override { calls << "stampTitle"; }
    void setMainWindowTopLeft(const QPointF &) override { calls << "origin"; }
    void makeMainWindowKeyAndFront() override { calls << "front"; }
    void scaleWasAdded(bool stamps) override { calls << (stamps ? "scale+:stamps" : "scale+:form"); }
    void scaleWasRemoved(bool stamps) override { calls << (stamps ? "scale-:stamps" : "scale-:form"); }
};

// The postage client: counts its status requests.
class Account : public QVPostageAccount
{
public:
    int statusRequests = 0;
    int posted = 0;
    std::optional<QVPostageReply> lastValidStatusResponse() override { return std::nullopt; }
    void postLastValidStatusResponse() override { ++posted; }
    std::optional<QVPostageReply> status() override
    {
        ++statusRequests;
        return std::nullopt;
    }
    std::optional<QVPostageReply> postageBuy(qint64) override { return std::nullopt; }
    std::optional<QVPostageReply> electronicRefund(qint64) override { return std::nullopt; }
    QString lastErrorDescription() override { return QString(); }
    bool testServer() override { return true; }
    void giveLabelServerCredentials() override {}
};

class QVXControllerActionsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UserDefaults::resetStandardUserDefaults();
        delegate.setProgressPanel(&panel);
        delegate.setInfoAlerts(
            QVariantMap{{QStringLiteral("usePostageReminder"),
                         QVariantMap{{QStringLiteral("title"), QStringLiteral("Postage is off")},
                                     {QStringLiteral("body"), QStringLiteral("Labels print without postage.")}}}});
        QVDelegateActionHooks &h = actions.hooks();
        h.toggleAddressDrawer = [this] { calls << "drawer"; };
        h.updateMainWindow = [this] { calls << "update"; };
        h.stampMode = [this] { return stampMode; };
        h.chooseRolls = [this] { calls << "rolls", stampMode = 2; };
        h.chooseSheets = [this] { calls << "sheets", stampMode = 1; };
        h.showQuickPrintPanel = [this] { calls << "quickPrint"; };
        h.showBuyPostagePanel = [this] { calls << "buy"; };
        h.showChangePasswordPanel = [this] { calls << "changePassword"; };
        h.showAccountStatusPanel = [this] { calls << "accountStatus"; };
        h.showDateCorrectionPanel = [this] { calls << "dateCorrection"; };
        h.setUsePostageChecked = [this](bool on) { checkMarks << on; };
        h.quickPrintPostage = [] { return QList<Decimal>{Decimal(49, -2), Decimal(70, -2), Decimal(560, -2)}; };
        actions.registerActions(menu);
    }
    void TearDown() override { UserDefaults::resetStandardUserDefaults(); }

    QVMenuItem item(const QString &action, const QString &identifier = QString()) const
    {
        QVMenuItem sent;
        sent.action = action;
        sent.identifier = identifier;
        return sent;
    }

    DialogsScope dialogs;
    FakeProgressPanel panel;
    QVXController delegate{QVXControllerHooks{}, std::make_shared<FakeScheduler>()};
    Views views;
    std::shared_ptr<Account> account = std::make_shared<Account>();
    QVXControllerActions actions{delegate, views, account, QVDelegateActionHooks{}};
    QVMenuActions menu;
    QStringList calls;
    QList<bool> checkMarks;
    int stampMode = 1;
};

TEST_F(QVXControllerActionsTest, MenuSwitchesMoveTheDelegatesModeAndTheAddressDrawerOnlyInTheLabels)
{
    ASSERT_TRUE(menu.perform(item(QStringLiteral("showTessaro:"))));
    EXPECT_EQ(delegate.currentMode(), QVTessaroPrintingMode);
    EXPECT_FALSE(actions.validateMenuItem(QStringLiteral("openAddressBook:")));
    EXPECT_TRUE(actions.validateMenuItem(QStringLiteral("showLabels:")));
    EXPECT_FALSE(actions.validateToolbarItem(ToolbarItem::ChoosePrinter));
    EXPECT_TRUE(actions.validateToolbarItem(ToolbarItem::BuyPostage));
    // Its item is disabled (the menus offer no handler).
    EXPECT_FALSE(menu.canPerform(QStringLiteral("openAddressBook:")));
    views.calls.clear();
    actions.openAddressBook();
    EXPECT_TRUE(views.calls.isEmpty());
    EXPECT_TRUE(calls.isEmpty());

    ASSERT_TRUE(menu.perform(item(QStringLiteral("swapMainViews:"))));
    EXPECT_EQ(delegate.currentMode(), QVStandardPrintingMode);
    EXPECT_TRUE(actions.validateMenuItem(QStringLiteral("openAddressBook:")));
    EXPECT_TRUE(actions.validateToolbarItem(ToolbarItem::ChoosePrinter));
    EXPECT_TRUE(menu.canPerform(QStringLiteral("openAddressBook:")));
    views.calls.clear();
    menu.perform(item(QStringLiteral("openAddressBook:")));
    EXPECT_EQ(views.calls, QStringList({"front"}));
    EXPECT_EQ(calls, QStringList({"drawer"}));

    // The mode the delegate keeps is the one stored at quit.
    menu.perform(item(QStringLiteral("showTessaro:")));
    delegate.applicationWillTerminate();
    EXPECT_EQ(UserDefaults::standardUserDefaults().stringForKey(QVPrintingModeKey), QVTessaroPrintingMode);
}

TEST_F(QVXControllerActionsTest, StampWindowAndAccountPanelActionsReachTheirTargets)
{
    const struct {
        const char *action;
        QStringList expected;
    } cases[] = {
        {"swapMode:", {"rolls"}},
        {"swapMode:", {"sheets"}},
        {"showKIVOQuickStamps:", {"quickPrint"}},
        {"showBuyPostagePanel:", {"buy"}},
        {"showChangePasswordPanel:", {"changePassword"}},
        {"showAccountStatusPanel:", {"accountStatus"}},
        {"showDateCorrectionPanel:", {"dateCorrection"}},
    };
    for (const auto &c : cases) {
        calls.clear();
        ASSERT_TRUE(menu.perform(item(QString::fromLatin1(c.action)))) << c.action;
        EXPECT_EQ(calls, c.expected) << c.action;
    }
}

TEST_F(QVXControllerActionsTest, UsePostageTogglesOnlyFromItsItemAndRemindsWhenTurnedOff)
{
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    defaults.setBool(true, QVUsePostageKey);
    checkMarks.clear();

    // Another sender changes nothing.
    menu.perform(item(QStringLiteral("usePostageItemChosen:")));
    EXPECT_TRUE(defaults.boolForKey(QVUsePostageKey));
    EXPECT_TRUE(calls.isEmpty());

    menu.perform(item(QStringLiteral("usePostageItemChosen:"), QVUsePostageMenuItemIdentifier));
    EXPECT_FALSE(defaults.boolForKey(QVUsePostageKey));
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts.first().messageText, QStringLiteral("Postage is off"));
    EXPECT_TRUE(dialogs->alerts.first().showsSuppressionButton);
    EXPECT_EQ(calls, QStringList({"update"}));
    // The check mark follows the setting through the change notification.
    ASSERT_FALSE(checkMarks.isEmpty());
    EXPECT_FALSE(checkMarks.last());

    menu.perform(item(QStringLiteral("usePostageItemChosen:"), QVUsePostageMenuItemIdentifier));
    EXPECT_TRUE(defaults.boolForKey(QVUsePostageKey));
    EXPECT_EQ(dialogs->alerts.size(), 1);
    EXPECT_TRUE(checkMarks.last());
}

TEST_F(QVXControllerActionsTest, TheRefreshFromTheMenuUsesTheDelegatesProgressPanel)
{
    menu.perform(item(QStringLiteral("refreshTolvaneStatus:")));
    EXPECT_EQ(account->statusRequests, 0);
    EXPECT_EQ(account->posted, 1);
    menu.perform(item(QStringLiteral("refreshTolvaneStatus:")));
    EXPECT_EQ(account->statusRequests, 1);
    EXPECT_TRUE(panel.calls.contains(QStringLiteral("text:Refreshing Postwell Status") + QChar(0x2026)));
    EXPECT_FALSE(panel.visible);
}

TEST_F(QVXControllerActionsTest, LaunchHooksGoThroughTheModes)
{
    QVXControllerHooks hooks;
    int stored = 0;
    hooks.setPrintingMode = [&stored](const QString &) { ++stored; };
    actions.joinLaunchHooks(hooks);

    // A stored mode that names neither shows the labels.
    hooks.setPrintingMode(QString());
    EXPECT_EQ(stored, 1);
    EXPECT_EQ(delegate.currentMode(), QVStandardPrintingMode);
    EXPECT_TRUE(views.calls.contains(QStringLiteral("view:labels")));
    hooks.scaleWasAdded();
    hooks.showTessaro();
    hooks.scaleWasRemoved();
    EXPECT_EQ(delegate.currentMode(), QVTessaroPrintingMode);
    EXPECT_TRUE(views.calls.contains(QStringLiteral("scale+:form")));
    EXPECT_EQ(views.calls.last(), QStringLiteral("scale-:stamps"));
    checkMarks.clear();
    hooks.readFromDefaults();
    EXPECT_EQ(checkMarks.size(), 1);
}

TEST_F(QVXControllerActionsTest, DockItemsOnlyInTheStampsEditionPrintingRolls)
{
    EXPECT_TRUE(actions.dockMenuItems().isEmpty());
    UserDefaults::standardUserDefaults().setBool(true, QVStampsEditionKey);
    EXPECT_TRUE(actions.dockMenuItems().isEmpty());
    menu.perform(item(QStringLiteral("swapMode:")));
    const QList<QVDockMenuItem> items = actions.dockMenuItems();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items.at(0).title, QStringLiteral("Print 49¢ stamp"));
    EXPECT_EQ(items.at(2).title, QStringLiteral("Print $5.60 stamp"));
    EXPECT_EQ(items.at(1).action, QStringLiteral("quickPrint2oz:"));
}

TEST(QVMainWindowViews, TheModesSwapTheMainWindowsContent)
{
    UserDefaults::resetStandardUserDefaults();
    QMainWindow window;
    auto *dashboard = new QWidget;
    dashboard->resize(400, 300);
    auto *stamps = new QWidget;
    stamps->resize(500, 200);
    QStringList checks;
    QList<QVMainViewHost::View> statusLines;
    QVMainWindowViews views(QVMainWindowViewHooks{[&window] { return &window; },
                                                  [dashboard] { return dashboard; },
                                                  [stamps] { return stamps; },
                                                  [&checks](int tag) { checks << QString::number(tag); },
                                                  {},
                                                  {},
                                                  {},
                                                  {},
                                                  [&statusLines](QVMainViewHost::View view) { statusLines << view; }});
    QVPrintingModes modes(views);
    modes.showLabels();
    EXPECT_EQ(window.centralWidget(), dashboard);
    const int top = window.geometry().top();
    modes.showTessaro();
    EXPECT_EQ(window.centralWidget(), stamps);
    EXPECT_EQ(window.geometry().top(), top);
    EXPECT_EQ(window.geometry().width(), 500);
    EXPECT_EQ(checks, QStringList({"0", "1"}));
    // Each new content's status line follows the setting.
    EXPECT_EQ(statusLines,
              (QList<QVMainViewHost::View>{QVMainViewHost::View::Dashboard, QVMainViewHost::View::Tessaro}));
    window.setCentralWidget(nullptr);
    delete dashboard;
    UserDefaults::resetStandardUserDefaults();
}

} // namespace

namespace {

class DelegateWiringTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UserDefaults::resetStandardUserDefaults();
        QVXControllerHooks &hooks = delegate.hooks();
        hooks.loadMainWindow = [this] {
            mainWindow = new QMainWindow;
            form = new QWidget;
            form->resize(300, 200);
            mainWindow->setCentralWidget(form);
        };
        wireUpdaterAndMenus(hooks, updater, menus, mainWindow);
        hooks.loadMainWindow();
    }
    void TearDown() override
    {
        delete mainWindow;
        UserDefaults::resetStandardUserDefaults();
    }
    static QVUpdaterEnvironment environment()
    {
        QVUpdaterEnvironment e;
        e.bundleFeedURL = QStringLiteral("https://updates.example.invalid/feed.xml");
        e.bundleVersion = QStringLiteral("400");
        e.shortVersionString = QStringLiteral("2.1");
        e.bundleName = QStringLiteral("Tolvane");
        return e;
    }
    bool checked(const QString &action, int tag)
    {
        const QVMenuItem *item = findMenuItemWithAction(menus.menuBar()->model(), action, tag);
        return item && item->checked;
    }

    DialogsScope dialogs;
    QVXController delegate{QVXControllerHooks{}, std::make_shared<FakeScheduler>()};
    QVUpdater updater{environment()};
    QVApplicationMenus menus{updater, [this] { return delegate.currentMode() == QVTessaroPrintingMode; }};
    QMainWindow *mainWindow = nullptr;
    QWidget *form = nullptr;
};

TEST_F(DelegateWiringTest, WithoutAStampWindowTheLabelsAreTheOnlyMode)
{
    QVDelegateWiring wiring = wireDelegateActions(delegate, menus, mainWindow);
    ASSERT_TRUE(menus.menuBar());
    for (const char *action : {"showTessaro:", "swapMainViews:", "swapMode:", "showKIVOQuickStamps:"})
        EXPECT_FALSE(menus.actions().canPerform(QString::fromLatin1(action))) << action;
    delegate.hooks().setPrintingMode(QVTessaroPrintingMode);
    EXPECT_EQ(delegate.currentMode(), QVStandardPrintingMode);
    EXPECT_TRUE(checked(QStringLiteral("showLabels:"), 0));
    EXPECT_EQ(mainWindow->centralWidget(), form);

    // The use-postage item's check mark follows the setting.
    UserDefaults::standardUserDefaults().setBool(true, QVUsePostageKey);
    EXPECT_TRUE(checked(QStringLiteral("usePostageItemChosen:"), 0));
    QVMenuItem usePostage;
    usePostage.action = QStringLiteral("usePostageItemChosen:");
    usePostage.identifier = QVUsePostageMenuItemIdentifier;
    ASSERT_TRUE(menus.actions().perform(usePostage));
    EXPECT_FALSE(UserDefaults::standardUserDefaults().boolForKey(QVUsePostageKey));
    EXPECT_FALSE(checked(QStringLiteral("usePostageItemChosen:"), 0));
}

TEST_F(DelegateWiringTest, TheStampWindowsViewTakesTheWindowAndGivesItBack)
{
    auto *stamps = new QWidget;
    stamps->resize(400, 100);
    QVDelegateWiring wiring = wireDelegateActions(delegate, menus, mainWindow, [stamps] { return stamps; });
    delegate.hooks().setPrintingMode(QString());
    EXPECT_EQ(mainWindow->centralWidget(), form);
    ASSERT_TRUE(menus.actions().perform(QStringLiteral("showTessaro:")));
    EXPECT_EQ(mainWindow->centralWidget(), stamps);
    EXPECT_TRUE(checked(QStringLiteral("showTessaro:"), 1));
    EXPECT_FALSE(checked(QStringLiteral("showLabels:"), 0));
    ASSERT_TRUE(menus.actions().perform(QStringLiteral("swapMainViews:")));
    EXPECT_EQ(mainWindow->centralWidget(), form);
    EXPECT_EQ(delegate.currentMode(), QVStandardPrintingMode);
    delete stamps;
}

} // namespace

namespace {

TEST_F(QVXControllerActionsTest, TheLibrariesReachTheDelegateThroughItsHost)
{
    QList<QUrl> opened;
    delegate.hooks().openURL = [&opened](const QUrl &url) { opened << url; };
    registerDelegatePrintFlowHost(delegate, &actions);
    const std::shared_ptr<QVPrintFlowHost> host = printFlowHost();

    host->setProgressTextString(QStringLiteral("Printing…"));
    EXPECT_EQ(panel.text, QStringLiteral("Printing…"));
    EXPECT_TRUE(panel.visible);
    host->hideProgressPanel();
    EXPECT_FALSE(panel.visible);

    host->setAutomation(true);
    EXPECT_TRUE(delegate.isAutomation());
    EXPECT_TRUE(host->isAutomation());
    // In automation the information alerts answer at once.
    EXPECT_EQ(host->infoAlertForKey(QStringLiteral("usePostageReminder"), QStringLiteral("OK"), QString(), true), 1);
    EXPECT_TRUE(dialogs->alerts.isEmpty());
    host->setAutomation(false);

    host->showLabels();
    EXPECT_EQ(delegate.currentMode(), QVStandardPrintingMode);
    host->refreshTolvaneStatus();
    EXPECT_EQ(account->posted, 1);
    host->showBuyPostagePanel();
    EXPECT_EQ(calls, QStringList({"buy"}));
    host->launchURL(QUrl(QStringLiteral("https://example.invalid/page")));
    EXPECT_EQ(opened, QList<QUrl>({QUrl(QStringLiteral("https://example.invalid/page"))}));
    setPrintFlowHost(nullptr);
}

} // namespace
