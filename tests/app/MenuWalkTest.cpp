// The assembled program's menus, walked as a user walks them: the program's
// one registration function, the application delegate and its main window;
// every item of the menu bar in both printing modes is chosen, and none ends
// at a window or an action this build does not have.
#include "printing/setup/QVPrinterSetupWindow.h"
#include "app/mainwindow/MasterController.h"
#include "app/mainwindow/MasterWindow.h"
#include "app/shell/ApplicationWiring.h"
#include "app/shell/ProgramRegistration.h"
#include "app/shell/QVApplicationMenus.h"
#include "app/shell/QVMenuBar.h"
#include "app/shell/QVWindowControllers.h"
#include "app/shell/QVXController.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/VCardFolder.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "rateengine/RateEngine.h"
#include "services/QVCommandCenter.h"
#include "sources/QVAddressBookPanel.h"

#include "AssembledProgramFixture.h"
#include "ConsoleCapture.h"
#include "QtPrinters.h"
#include "RecordingDialogs.h"
#include "RecordingUrlOpener.h"

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QTableView>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

void collectActions(const QList<QVMenuItem> &items, QStringList &actions)
{
    for (const QVMenuItem &item : items) {
        if (item.hasSubmenu())
            collectActions(item.submenu, actions);
        else if (!item.separator && !item.action.isEmpty() && !actions.contains(item.action))
            actions << item.action;
    }
}

class AssembledProgram : public tolvane::test::AssembledProgramFixture
{
protected:
    void SetUp() override
    {
        UserDefaults::resetStandardUserDefaults();
        // The program registers its bundled defaults once per process; each
        // test starts as a fresh launch would.
        ASSERT_TRUE(UserDefaults::standardUserDefaults().registerBundleDefaults());
        ASSERT_NO_FATAL_FAILURE(registerProgram());
        ASSERT_NO_FATAL_FAILURE(launch());
    }
    void TearDown() override { quit(); }

    // Chooses every item of the menu bar; answers the console lines that
    // say an item reached nothing.
    QStringList walkMenus()
    {
        QStringList actions;
        collectActions(app->menus().menuBar()->model(), actions);
        QStringList unreached;
        for (const QString &action : actions) {
            // Quitting, and the two mode switches, which the walk does per
            // mode.
            if (action == QLatin1String("terminate:") || action == QLatin1String("showLabels:") ||
                action == QLatin1String("showTessaro:") || action == QLatin1String("swapMainViews:"))
                continue;
            tolvane::test::ConsoleCapture console;
            QAction *item = app->menus().menuBar()->actionFor(action);
            if (!item || !item->isEnabled())
                continue;
            item->trigger();
            QApplication::processEvents();
            for (const QString &line : console.lines()) {
                if (line.contains(QLatin1String("not part of this build")) ||
                    line.contains(QLatin1String("does not answer")) ||
                    line.contains(QLatin1String("Not part of this build")))
                    unreached << action + QStringLiteral(": ") + line;
            }
        }
        return unreached;
    }
};

} // namespace

TEST_F(AssembledProgram, EveryMenuItemOfBothModesReachesSomething)
{
    app->menus().menuBar()->updateEnabledStates();
    EXPECT_EQ(walkMenus().join(QLatin1Char('\n')).toStdString(), "") << "labels mode";
    ASSERT_TRUE(app->menus().actions().perform(QStringLiteral("showTessaro:")));
    app->menus().menuBar()->updateEnabledStates();
    EXPECT_EQ(walkMenus().join(QLatin1Char('\n')).toStdString(), "") << "stamp mode";
}

TEST_F(AssembledProgram, TheMailingLogOpensFromTheMenuTheKeyAndTheToolbar)
{
    QVWindowControllers &windows = app->menus().windows();
    ASSERT_TRUE(windows.hasFactory(QVMailingLogControllerName));
    const auto logWindow = [] {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (window->windowTitle() == QLatin1String("Mailing Log"))
                return window;
        }
        return static_cast<QWidget *>(nullptr);
    };
    // The menu item.
    QAction *menuItem = app->menus().menuBar()->actionFor(QStringLiteral("showPostageLog:"));
    ASSERT_TRUE(menuItem);
    EXPECT_EQ(menuItem->shortcut(), QKeySequence(QStringLiteral("Ctrl+L")));
    menuItem->trigger();
    QWidget *log = logWindow();
    ASSERT_TRUE(log);
    EXPECT_TRUE(log->isVisible());
    // Closed, the toolbar's item shows the same window again.
    log->close();
    auto *master = dynamic_cast<MasterWindow *>(app->mainWindow());
    ASSERT_TRUE(master);
    QAction *toolbarItem = nullptr;
    for (QAction *action : master->toolbar()->actions()) {
        if (action->text() == QLatin1String("Mailing Log"))
            toolbarItem = action;
    }
    ASSERT_TRUE(toolbarItem);
    toolbarItem->trigger();
    EXPECT_EQ(logWindow(), log);
    EXPECT_TRUE(log->isVisible());
}

TEST_F(AssembledProgram, DeliveryStatusItemsNeedTheLogWindowsSelectedPiece)
{
    QAction *delivered = app->menus().menuBar()->actionFor(QStringLiteral("changeShipmentStatus:"), 0);
    ASSERT_TRUE(delivered);
    app->menus().menuBar()->updateEnabledStates();
    // No log window: nothing to set a status on.
    EXPECT_FALSE(delivered->isEnabled());
    // The log window of an empty log has no piece selected either.
    app->menus().actions().perform(QStringLiteral("showPostageLog:"));
    app->menus().menuBar()->updateEnabledStates();
    EXPECT_FALSE(delivered->isEnabled());
}

TEST_F(AssembledProgram, UsePostageIsOnAtFirstAndItsCheckMarkFollowsTheSetting)
{
    QAction *usePostage = app->menus().menuBar()->actionFor(QStringLiteral("usePostageItemChosen:"));
    ASSERT_TRUE(usePostage);
    // The launch reads the settings into the menus.
    ASSERT_TRUE(app->controller().hooks().readFromDefaults);
    app->controller().hooks().readFromDefaults();
    EXPECT_TRUE(UserDefaults::standardUserDefaults().boolForKey(QStringLiteral("usePostage")));
    EXPECT_TRUE(usePostage->isChecked());
    usePostage->trigger();
    EXPECT_FALSE(UserDefaults::standardUserDefaults().boolForKey(QStringLiteral("usePostage")));
    EXPECT_FALSE(usePostage->isChecked());
    // Turned off, the reminder says what that means.
    ASSERT_FALSE((*dialogs)->alerts.isEmpty());
    EXPECT_EQ((*dialogs)->alerts.last().messageText, QStringLiteral("Postage will not be printed"));
    // A change of the setting elsewhere (the preferences) moves the mark.
    UserDefaults::standardUserDefaults().setBool(true, QStringLiteral("usePostage"));
    EXPECT_TRUE(usePostage->isChecked());
}

// What the print flow and the log window ask of the delegate opens the
// program's own windows.
TEST_F(AssembledProgram, ThePrintFlowsHostOpensTheProgramsWindows)
{
    const std::shared_ptr<QVPrintFlowHost> host = printFlowHost();
    ASSERT_TRUE(host);
    QVWindowControllers &windows = app->menus().windows();
    EXPECT_FALSE(windows.exists(QVPrinterSetupControllerName));
    host->showPrinterSetup();
    EXPECT_TRUE(windows.exists(QVPrinterSetupControllerName));
    EXPECT_FALSE(windows.exists(QVScaleSetupControllerName));
    host->showScaleSetup();
    EXPECT_TRUE(windows.exists(QVScaleSetupControllerName));
    EXPECT_FALSE(windows.exists(QVAccountPanelsControllerName));
    host->showDateCorrectionSheet();
    EXPECT_TRUE(windows.exists(QVAccountPanelsControllerName));
}

// A "newShipment" link handed to the running program fills the main window.
TEST_F(AssembledProgram, ANewShipmentLinkFillsTheMainWindow)
{
    auto *master = dynamic_cast<MasterWindow *>(app->mainWindow());
    ASSERT_TRUE(master);
    // The launch vends the root object once the main window exists.
    app->controller().hooks().vendRootObject();
    tolvane::test::ConsoleCapture console;
    const RemoteFrame answer = app->controller().remoteRequests().answer(
        {QStringLiteral("openURL:"),
         QStringLiteral("tolvane://newShipment?address=Ada%20Lovelace%0A1%20Main%20St%0ASpringfield%20IL%2062701"
                        ";referenceID=R-17")});
    EXPECT_EQ(answer.method, RemoteAnswerOK) << answer.argument.toStdString();
    for (int pass = 0; pass < 5; ++pass)
        QApplication::processEvents();
    EXPECT_EQ(master->controller().form().text(FormControl::ToAddress).toStdString(),
              "Ada Lovelace\n1 Main St\nSpringfield IL 62701");
    for (const QString &line : console.lines())
        EXPECT_FALSE(line.contains(QLatin1String("Not part of this build"))) << line.toStdString();
}

// A ".vcf" path handed to the running program that is a FIFO or a device is
// refused without being read (reading would block the window).
TEST_F(AssembledProgram, AVCardPathThatIsNoRegularFileIsRefusedUnread)
{
    auto *master = dynamic_cast<MasterWindow *>(app->mainWindow());
    ASSERT_TRUE(master);
    const QString fifo =
        QDir::temp().filePath(QStringLiteral("tolvane-card-%1.vcf").arg(QCoreApplication::applicationPid()));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(master->controller().processVCardFileAtURL(fifo));
    EXPECT_FALSE(master->controller().processVCardFileAtURL(QStringLiteral("/dev/zero")));
    QFile::remove(fifo);
}

// The Tools menu's "Address Book" opens the very folder whose cards the
// address drawer lists, without any setting.
TEST_F(AssembledProgram, TheAddressBookItemOpensTheFolderTheDrawerLists)
{
    auto *master = dynamic_cast<MasterWindow *>(app->mainWindow());
    ASSERT_TRUE(master);
    UserDefaults::standardUserDefaults().removeObjectForKey(VCardFolderDefaultsKey);
    QAction *item = app->menus().menuBar()->actionFor(QStringLiteral("launchAddressBook:"));
    ASSERT_TRUE(item);
    item->trigger();
    ASSERT_FALSE((*urls)->opened.isEmpty());
    const QString folder = (*urls)->opened.last().toLocalFile();
    EXPECT_EQ(QFileInfo(folder).fileName(), QStringLiteral("Address Book"));

    // A card another program puts there shows in the drawer.
    QFile card(QDir(folder).filePath(QStringLiteral("walk-ada.vcf")));
    ASSERT_TRUE(card.open(QIODevice::WriteOnly));
    card.write("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lovelace;Ada;;;\r\nFN:Ada Lovelace\r\n"
               "ADR;TYPE=HOME:;;1 Main St;Springfield;IL;62701;\r\nEND:VCARD\r\n");
    card.close();
    NotificationCenter::defaultCenter().post(kABDatabaseChangedExternallyNotification);
    auto *panel = dynamic_cast<QVAddressBookPanel *>(master->addressDrawer()->widget());
    ASSERT_TRUE(panel);
    panel->reload();
    const QAbstractItemModel *rows = panel->tableView()->model();
    QStringList shown;
    for (int row = 0; row < rows->rowCount(); ++row)
        for (int column = 0; column < rows->columnCount(); ++column)
            shown << rows->index(row, column).data().toString();
    EXPECT_TRUE(shown.join(QLatin1Char('|')).contains(QLatin1String("Lovelace"))) << shown.join('|').toStdString();

    // Opened, the drawer is wide enough for its search field and the name.
    master->show();
    if (master->addressDrawer()->isHidden())
        master->toggleAddressDrawer();
    QApplication::processEvents();
    QLineEdit *search = panel->searchField();
    EXPECT_GE(search->width(), search->fontMetrics().horizontalAdvance(search->placeholderText()) * 3);
    for (int row = 0; row < rows->rowCount(); ++row) {
        const QString name = rows->index(row, 0).data().toString();
        EXPECT_GE(panel->tableView()->columnWidth(0), panel->fontMetrics().horizontalAdvance(name))
            << name.toStdString();
    }
    master->grab().save(QStringLiteral(TOLVANE_BINARY_DIR "/MainWindow-address-drawer.png"));
    card.remove();
}

// The main window's postage box says whether pieces print with postage, and
// follows the setting as the menu item or the preferences change it.
TEST_F(AssembledProgram, ThePostageBoxShowsWhetherPostageIsOn)
{
    auto *master = dynamic_cast<MasterWindow *>(app->mainWindow());
    ASSERT_TRUE(master);
    ASSERT_TRUE(app->controller().hooks().readFromDefaults);
    app->controller().hooks().readFromDefaults();
    master->show();
    QApplication::processEvents();
    auto *state = master->findChild<QLabel *>(QStringLiteral("postageStateField"));
    ASSERT_TRUE(state);
    EXPECT_TRUE(state->isVisible());
    auto *box = qobject_cast<QGroupBox *>(state->parentWidget());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->title(), QStringLiteral("Postage"));
    EXPECT_EQ(state->text(), MasterController::postageOnText());

    QAction *usePostage = app->menus().menuBar()->actionFor(QStringLiteral("usePostageItemChosen:"));
    ASSERT_TRUE(usePostage);
    usePostage->trigger();
    QApplication::processEvents();
    EXPECT_EQ(state->text(), MasterController::postageOffText());
    master->grab().save(QStringLiteral(TOLVANE_BINARY_DIR "/MainWindow-postage-off.png"));

    // The preferences turn it on again.
    UserDefaults::standardUserDefaults().setBool(true, QStringLiteral("usePostage"));
    QApplication::processEvents();
    EXPECT_EQ(state->text(), MasterController::postageOnText());
}

// The toolbar's mode item names the other mode ("Standard" in the stamp
// mode) from the first switch on, and the items of the standard mode follow.
TEST_F(AssembledProgram, TheModeItemNamesTheOtherModeFromTheFirstSwitch)
{
    auto *master = dynamic_cast<MasterWindow *>(app->mainWindow());
    ASSERT_TRUE(master);
    const auto item = [master](const QString &identifier) -> QAction * {
        for (QAction *action : master->toolbar()->actions())
            if (action->objectName() == identifier)
                return action;
        return nullptr;
    };
    QAction *mode = item(ToolbarItem::TessaroMode);
    QAction *printer = item(ToolbarItem::ChoosePrinter);
    ASSERT_TRUE(mode);
    ASSERT_TRUE(printer);
    EXPECT_EQ(mode->text(), QStringLiteral("Zevavored Azozudu"));
    struct Step {
        const char *action;
        const char *label;
        bool printerSetup;
    };
    for (const Step &step : {Step{"showTessaro:", "Standard", false}, Step{"showLabels:", "Zevavored Azozudu", true},
                             Step{"swapMainViews:", "Standard", false}}) {
        SCOPED_TRACE(step.action);
        ASSERT_TRUE(app->menus().actions().perform(QString::fromLatin1(step.action)));
        EXPECT_EQ(mode->text(), QString::fromLatin1(step.label));
        EXPECT_EQ(printer->isEnabled(), step.printerSetup);
    }
}
