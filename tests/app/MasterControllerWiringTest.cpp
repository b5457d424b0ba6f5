// The real objects behind the main-window controller's interfaces read the
// shared clients and reach the application delegate; the main window's
// controller behind the menus (its window controller and its own items).
#include "app/mainwindow/MasterControllerWiring.h"

#include "app/shell/ApplicationWiring.h"
#include "app/mainwindow/MasterWindow.h"
#include "app/shell/QVApplicationMenus.h"
#include "app/shell/QVMenus.h"
#include "app/shell/QVURLHandler.h"
#include "app/shell/QVWindowControllers.h"
#include "app/shell/QVXController.h"
#include "model/QVShipment.h"
#include "model/StringAdditions.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "rateengine/RateEngine.h"
#include "rates/QVShipmentUSPS.h"
#include "services/QVCommandCenter.h"
#include "services/QVRHOAccountInformationCommandCenter.h"
#include "services/QVRHOCommandCenter.h"

#include "LaunchFakes.h"
#include "MasterPeersFixture.h"
#include "RecordingDialogs.h"

#include <QDate>
#include <QMainWindow>
#include <gtest/gtest.h>

TEST(MasterControllerWiringTest, AccountInformationComesFromTheClientsLastReply)
{
    auto client = QVRHOAccountInformationCommandCenter::commandCenter();
    const QVariantMap saved = client->lastResponse();
    const std::shared_ptr<MasterAccountInformation> account = makeMasterAccountInformation();

    client->setLastResponse({{QStringLiteral("DateAdvance"), QStringLiteral("3")},
                             {QStringLiteral("CanUseStandardPost"), QStringLiteral("true")}});
    EXPECT_EQ(account->dateAdvance(), 3);
    EXPECT_TRUE(account->standardPost());
    client->setLastResponse({{QStringLiteral("DateAdvance"), QStringLiteral("0")}});
    EXPECT_EQ(account->dateAdvance(), 0);
    EXPECT_FALSE(account->standardPost());
    client->setLastResponse(saved);
}

TEST(MasterControllerWiringTest, PostageStatusIsTheClientsLastValidReply)
{
    ASSERT_EQ(QVRHOCommandCenter::commandCenter()->lastValidStatusResponse(), nullptr);
    EXPECT_FALSE(makeMasterPostageStatus()->hasLastValidStatusResponse());
}

TEST(MasterControllerWiringTest, PrintingPassesTheSheetAndTheDefaultsChange)
{
    int sheets = 0;
    int changes = 0;
    std::function<void()> end;
    const auto printing = makeMasterPrinting(
        [&](std::shared_ptr<QVShipment>, std::function<void()> didEnd) {
            ++sheets;
            end = std::move(didEnd);
        },
        [&] { ++changes; });
    bool ended = false;
    printing->runCustomsSheet(nullptr, [&] { ended = true; });
    printing->printingDefaultsChanged();
    EXPECT_EQ(sheets, 1);
    EXPECT_EQ(changes, 1);
    ASSERT_TRUE(end);
    end();
    EXPECT_TRUE(ended);
    // Without a window nothing happens.
    const auto bare = makeMasterPrinting({}, {});
    bare->runCustomsSheet(nullptr, [] {});
    bare->printingDefaultsChanged();
}

namespace {

// The URL handler's main window: only loaded.
class LoadedWindowHost final : public QVURLHandlerHost
{
public:
    bool hasMainWindow() override { return true; }
    void checkForUpdates() override {}
    void newPackageWithAddressString(const QString &, const QString &) override {}
    void setCurrentShipmentProperty(const QVariant &, const QString &) override {}
    void setPendingCallbackURL(const std::optional<QUrl> &) override {}
    void highlightRow(quint32) override {}
    void showMainWindow() override {}
    bool processVCardFile(const QString &) override { return false; }
    bool openURLInBrowser(const QUrl &) override { return false; }
    void activateApplication() override {}
};

class LabelsRecordingHost final : public QVPrintFlowHost
{
public:
    int labelsShown = 0;
    void setProgressTextString(const QString &) override {}
    void hideProgressPanel() override {}
    bool isAutomation() override { return false; }
    void showLabels() override { ++labelsShown; }
};

} // namespace

// The delegate behind the window: its automation flag both ways, its labels
// mode, and the program's own URLs through its root object to the URL
// handler, which asks before it prints.
TEST(MasterControllerWiringTest, ShellSetsAutomationShowsLabelsAndHandsURLsToTheURLHandler)
{
    using namespace tolvane::test;
    DialogsScope dialogs;
    const auto scheduler = std::make_shared<FakeScheduler>();
    QVXController delegate(QVXControllerHooks{}, scheduler);
    const std::shared_ptr<MasterShell> shell = makeMasterShell(delegate, {});

    shell->setAutomation(true);
    EXPECT_TRUE(delegate.isAutomation());
    EXPECT_TRUE(shell->isAutomation());
    shell->setAutomation(false);
    EXPECT_FALSE(delegate.isAutomation());

    const auto host = std::make_shared<LabelsRecordingHost>();
    setPrintFlowHost(host);
    shell->showLabels();
    EXPECT_EQ(host->labelsShown, 1);
    setPrintFlowHost(nullptr);

    // Before the root object is served the URL goes nowhere.
    const QString url = QStringLiteral("tolvane://print?ToName=Ada");
    shell->handleApplicationURL(url);
    scheduler->advance(0);
    EXPECT_TRUE(dialogs->alerts.isEmpty());

    LoadedWindowHost window;
    QVURLHandler handler(window, scheduler);
    QStringList requests;
    delegate.remoteRequests().setHandler([&](const RemoteFrame &request) {
        requests << request.method + QLatin1Char(' ') + request.argument;
        return handler.answerRemoteRequest(request);
    });
    dialogs->answers = {0};
    shell->handleApplicationURL(url);
    EXPECT_EQ(requests, QStringList{QStringLiteral("openURL: ") + url});
    // Carried out on the next pass of the event loop, after the question
    // (declined here: nothing is printed).
    EXPECT_TRUE(dialogs->alerts.isEmpty());
    scheduler->advance(0);
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("Print postage for a link?"));
}

namespace {

using namespace master_test;

class MasterMenusTest : public MasterPeersTest
{
protected:
    void SetUp() override
    {
        MasterPeersTest::SetUp();
        start();
        view = std::make_unique<RecordingView>();
        controller->setView(view.get());
        registerMasterControllerActions(actions, [this] { return controller.get(); });
        controller->registerMenuValidation(actions);
        windows.setController(QVMasterControllerName,
                              makeMasterWindowController([this] { return controller.get(); }, [this] { ++fronts; }));
        registerWindowActions(actions, windows, [] { return false; });
    }
    void TearDown() override
    {
        if (controller)
            controller->setView(nullptr);
        MasterPeersTest::TearDown();
    }
    // The main menu's item of the action, validated in its top-level menu.
    bool enabled(const QString &action)
    {
        for (const QVMenuItem &top : menu) {
            QVMenuBarModel one{top};
            if (const QVMenuItem *item = findMenuItemWithAction(one, action))
                return actions.validate(*item, top.title).enabled;
        }
        ADD_FAILURE() << "no item sends " << action.toStdString();
        return false;
    }

    QVMenuBarModel menu = mainMenu();
    QVMenuActions actions;
    QVWindowControllers windows;
    std::unique_ptr<RecordingView> view;
    int fronts = 0;
    tolvane::test::DialogsScope dialogs;
};

} // namespace

// File > New Package and Import Addresses reach the main window's
// controller: a new package clears the form and brings the window to the
// front.
TEST_F(MasterMenusTest, NewPackageAndImportReachTheMainWindowsController)
{
    sendTo(QStringLiteral("10001"));
    type(FormControl::Description, QStringLiteral("Books"));
    ASSERT_EQ(stored(QVShipmentDescriptionKey), QStringLiteral("Books"));
    controller->setPendingCallbackURL(QUrl(QStringLiteral("https://cb.example/done")));
    ASSERT_FALSE(form().text(FormControl::ToAddress).isEmpty());

    EXPECT_TRUE(enabled(QStringLiteral("newPackage:")));
    const int updates = view->updateRequests;
    const int labels = shell->labelsShown;
    ASSERT_TRUE(actions.perform(QStringLiteral("newPackage:")));
    EXPECT_TRUE(form().text(FormControl::ToAddress).isEmpty());
    EXPECT_TRUE(stored(QVShipmentDescriptionKey).isEmpty());
    EXPECT_EQ(form().firstResponder, FormControl::ToAddress);
    EXPECT_TRUE(controller->pendingCallbackURL().isEmpty());
    EXPECT_EQ(shell->labelsShown, labels + 1);
    EXPECT_EQ(fronts, 1);
    EXPECT_GT(view->updateRequests, updates);

    ASSERT_TRUE(actions.perform(QStringLiteral("importFlatFile:")));
    EXPECT_EQ(handOvers->calls, QStringList{QStringLiteral("import")});
    EXPECT_EQ(fronts, 1);

    // The window controller shows the window; once the controller is gone
    // it takes no action.
    const auto window = windows.controller(QVMasterControllerName);
    ASSERT_TRUE(window);
    window->showWindow();
    EXPECT_EQ(fronts, 2);
    controller->setView(nullptr);
    controller.reset();
    EXPECT_FALSE(window->performAction(QStringLiteral("newPackage:")));
    EXPECT_FALSE(window->performAction(QStringLiteral("addressBookImport:")));
    EXPECT_TRUE(actions.perform(QStringLiteral("weigh:")));
    EXPECT_EQ(fronts, 2);
}

// The controller's own items: each is in the menu, enabled as the window's
// validation says, and reaches its operation.
TEST_F(MasterMenusTest, ControllerItemsReachTheirOperationsWhenEnabled)
{
    const QString weigh = QStringLiteral("weigh:");
    const QString verify = QStringLiteral("standardizeTextBoxAddress:");
    const QString copy = QStringLiteral("copyConfirmationNumber:");
    const QString addToBook = QStringLiteral("addToAddressBook:");

    // Weigh: in the standard mode from the scale (none: its set-up window);
    // in the stamp mode only on rolls, from the stamp window.
    scale->type = MasterScale::None;
    EXPECT_TRUE(enabled(weigh));
    ASSERT_TRUE(actions.perform(weigh));
    EXPECT_EQ(scale->setups, 1);
    shell->standardMode = false;
    stamps->mode = 1;
    EXPECT_FALSE(enabled(weigh));
    stamps->mode = 2;
    EXPECT_TRUE(enabled(weigh));
    ASSERT_TRUE(actions.perform(weigh));
    EXPECT_EQ(stamps->weighings, 1);

    // Verify Address: standard mode only; an empty box gets its alert (the
    // menu is not the controller).
    EXPECT_FALSE(enabled(verify));
    shell->standardMode = true;
    EXPECT_TRUE(enabled(verify));
    form().setText(FormControl::ToAddress, QString());
    ASSERT_TRUE(actions.perform(verify));
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("Empty Address"));

    // Copy Confirmation Number: only with a label number.
    EXPECT_FALSE(enabled(copy));
    controller->setCurrentPICCode(QStringLiteral("9400111899223100000000"));
    EXPECT_TRUE(enabled(copy));
    ASSERT_TRUE(actions.perform(copy));
    ASSERT_EQ(clipboard->texts.size(), 1);
    EXPECT_EQ(clipboard->texts[0], uspsLogPIC(QStringLiteral("9400111899223100000000")));

    // Add to Address Book: only while the destination can be dragged.
    EXPECT_FALSE(enabled(addToBook));
    sendTo(QStringLiteral("10001"));
    ASSERT_TRUE(form().field(FormControl::DragView).enabled);
    EXPECT_TRUE(enabled(addToBook));
    ASSERT_TRUE(actions.perform(addToBook));
    ASSERT_TRUE(controller->attachedSheet());
    EXPECT_EQ(controller->attachedSheet()->messageText, QStringLiteral("Add Ada Lovelace to your Address Book?"));
    controller->endSheet(0);

    // The stamps edition weighs from its Tools menu too.
    QVMenuBarModel kivo = kivoMenu(QStringLiteral("KIVO Stamps"));
    EXPECT_TRUE(findMenuItemWithAction(kivo, weigh));
}

// The View menu shows or hides the status bar and the optional details;
// the items' titles say which, and the status bar of the stamp view is the
// stamp window's.
TEST_F(MasterMenusTest, TheViewMenuTogglesTheStatusBarAndTheOptionalDetails)
{
    const auto title = [&](const QString &action) {
        const QVMenuItem *item = findMenuItemWithAction(menu, action);
        EXPECT_TRUE(item) << action.toStdString();
        return item ? actions.validate(*item, QStringLiteral("View")).title.value_or(item->title) : QString();
    };
    const QString statusBar = QStringLiteral("toggleStatusBar:");
    const QString details = QStringLiteral("toggleOptionalView:");
    defaults().setBool(false, QStringLiteral("showStatusBarOnMasterControl"));
    EXPECT_EQ(title(statusBar), QStringLiteral("Show Status Bar"));
    ASSERT_TRUE(actions.perform(statusBar));
    EXPECT_TRUE(form().disclosable(FormControl::StatusTextView).shown);
    EXPECT_TRUE(defaults().boolForKey(QStringLiteral("showStatusBarOnMasterControl")));
    EXPECT_EQ(title(statusBar), QStringLiteral("Hide Status Bar"));

    const bool shown = form().disclosable(FormControl::OptionalView).shown;
    EXPECT_TRUE(enabled(details));
    ASSERT_TRUE(actions.perform(details));
    EXPECT_NE(form().disclosable(FormControl::OptionalView).shown, shown);
    EXPECT_EQ(title(details),
              shown ? QStringLiteral("Show Optional Details") : QStringLiteral("Hide Optional Details"));

    // The stamp mode: no optional details; the status bar is the stamp view's.
    shell->standardMode = false;
    EXPECT_FALSE(enabled(details));
    EXPECT_TRUE(enabled(statusBar));
    ASSERT_TRUE(actions.perform(statusBar));
    EXPECT_EQ(stamps->statusBarToggles, 1);
    EXPECT_TRUE(form().disclosable(FormControl::StatusTextView).shown);
}

// In the running program the main window's controller is behind the
// menus: File > New Package clears the window, and its items are validated
// by it.
TEST(MasterControllerWiringTest, TheProgramsMenusReachTheMainWindow)
{
    UserDefaults::resetStandardUserDefaults();
    QVCommandCenter::resetSharedInstancesForTesting();
    ASSERT_EQ(InitializeRE("", QDate::currentDate().toString(QStringLiteral("MM/dd/yyyy")).toLatin1().constData()), 0);
    {
        tolvane::test::DialogsScope dialogs;
        DesktopApplication app;
        app.controller().hooks().loadMainWindow();
        auto *window = dynamic_cast<MasterWindow *>(app.mainWindow());
        ASSERT_TRUE(window);
        MasterController &master = window->controller();
        master.form().setText(FormControl::ToAddress, QStringLiteral("Ada Lovelace\n1 Main St"));

        QVMenuActions &actions = app.menus().actions();
        ASSERT_TRUE(app.menus().windows().controller(QVMasterControllerName));
        ASSERT_TRUE(actions.perform(QStringLiteral("newPackage:")));
        EXPECT_TRUE(master.form().text(FormControl::ToAddress).isEmpty());
        EXPECT_TRUE(window->isVisible());

        QVMenuItem copy;
        copy.action = QStringLiteral("copyConfirmationNumber:");
        EXPECT_FALSE(actions.validate(copy, QStringLiteral("Log")).enabled);
        master.setCurrentPICCode(QStringLiteral("9400111899223100000000"));
        EXPECT_TRUE(actions.validate(copy, QStringLiteral("Log")).enabled);
        QVMenuItem verify;
        verify.action = QStringLiteral("standardizeTextBoxAddress:");
        EXPECT_TRUE(actions.validate(verify, QStringLiteral("File")).enabled);
    }
    QVCommandCenter::resetSharedInstancesForTesting();
    UserDefaults::resetStandardUserDefaults();
}
