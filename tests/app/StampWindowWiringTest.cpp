// The stamp window in the running program: the Mode menu puts its view into
// the main window and takes it out again, the main window's Print and
// Command-arrows reach it in the stamp mode, and the program lets go of the
// shipment form and the stamp view when it ends in the stamp mode.
#include "app/shell/ApplicationWiring.h"
#include "app/preferences/KIVOPreferencesController.h"
#include "app/mainwindow/MasterWindow.h"
#include "app/shell/QVApplicationMenus.h"
#include "app/shell/QVMenuBar.h"
#include "app/shell/QVMenus.h"
#include "app/shell/QVXController.h"
#include "app/windows/StampWindowWiring.h"
#include "platform/UserDefaults.h"
#include "printing/customs/QVCustomsDialogView.h"
#include "printing/flow/QVStampWindowPrinting.h"
#include "rateengine/RateEngine.h"
#include "services/QVCommandCenter.h"
#include "stamps/TessaroController.h"
#include "stamps/TessaroView.h"
#include "stamps/TessaroWeigh.h"

#include "RecordingDialogs.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QDate>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QProgressBar>
#include <gtest/gtest.h>

namespace {

class StampModeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UserDefaults::resetStandardUserDefaults();
        QVCommandCenter::resetSharedInstancesForTesting();
        // The rate engine on today's prices, as the launch sets it up.
        ASSERT_EQ(InitializeRE("", QDate::currentDate().toString(QStringLiteral("MM/dd/yyyy")).toLatin1().constData()),
                  0);
    }
    // The program with its main window; the stamps edition with its own
    // menus.
    void open(bool stampsEdition = false)
    {
        UserDefaults::standardUserDefaults().setBool(stampsEdition, QVStampsEditionKey);
        app = std::make_unique<DesktopApplication>();
        if (stampsEdition)
            app->menus().useStampsEditionMenu();
        app->controller().hooks().loadMainWindow();
        window = app->mainWindow();
        ASSERT_TRUE(window);
        form = window->centralWidget();
        ASSERT_TRUE(form);
    }
    void TearDown() override
    {
        app.reset();
        QVCommandCenter::resetSharedInstancesForTesting();
        UserDefaults::resetStandardUserDefaults();
    }

    bool perform(const char *action) { return app->menus().actions().perform(QString::fromLatin1(action)); }
    TessaroController &stamps() { return app->stampWindow().controller(); }
    void pressCommand(int key, Qt::KeyboardModifiers more = {})
    {
        QKeyEvent event(QEvent::KeyPress, key, Qt::ControlModifier | more);
        QApplication::sendEvent(window, &event);
    }

    tolvane::test::DialogsScope dialogs;
    std::unique_ptr<DesktopApplication> app;
    QMainWindow *window = nullptr;
    QPointer<QWidget> form;
};

TEST_F(StampModeTest, TheModeMenuSwapsTheStampViewInAndTheFormBack)
{
    ASSERT_NO_FATAL_FAILURE(open());
    EXPECT_FALSE(app->stampWindow().made());
    ASSERT_TRUE(perform("showTessaro:"));
    auto *view = qobject_cast<TessaroView *>(window->centralWidget());
    ASSERT_TRUE(view);
    EXPECT_EQ(&view->controller(), &stamps());
    EXPECT_EQ(app->controller().currentMode(), QVTessaroPrintingMode);
    EXPECT_TRUE(stamps().loaded());
    EXPECT_EQ(stamps().currentMode(), TessaroController::SheetMode);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(view->isVisible());
    EXPECT_FALSE(form->isVisible());
    // As the window shows it (saved in the build folder for a look).
    QApplication::processEvents();
    const QImage shot = window->grab().toImage();
    EXPECT_GE(shot.width(), view->width());
    EXPECT_TRUE(shot.save(QStringLiteral(TOLVANE_BINARY_DIR "/MainWindow-stamps.png")));

    // The File menu's quick stamps: the stamp window's quick-print panel.
    ASSERT_TRUE(perform("showKIVOQuickStamps:"));
    ASSERT_TRUE(view->quickPrintPanel());
    EXPECT_TRUE(view->quickPrintPanel()->isVisible());
    EXPECT_EQ(view->quickPrintPanel()->buttons().size(), 3);

    ASSERT_TRUE(perform("showLabels:"));
    EXPECT_EQ(window->centralWidget(), form);
    EXPECT_EQ(app->controller().currentMode(), QVStandardPrintingMode);
    // The one stamp window comes back.
    ASSERT_TRUE(perform("swapMainViews:"));
    EXPECT_EQ(window->centralWidget(), view);

    // The status line of the content shown follows the setting.
    UserDefaults::standardUserDefaults().setBool(false, QStringLiteral("showStatusBarOnMasterControl"));
    ASSERT_TRUE(perform("showLabels:"));
    auto *master = dynamic_cast<MasterWindow *>(window);
    ASSERT_TRUE(master);
    EXPECT_FALSE(master->controller().form().disclosable(FormControl::StatusTextView).shown);
    ASSERT_TRUE(perform("showTessaro:"));
    EXPECT_FALSE(stamps().statusBarShown());
    UserDefaults::standardUserDefaults().setBool(true, QStringLiteral("showStatusBarOnMasterControl"));
    ASSERT_TRUE(perform("showLabels:"));
    EXPECT_TRUE(master->controller().form().disclosable(FormControl::StatusTextView).shown);
    ASSERT_TRUE(perform("showTessaro:"));
    EXPECT_TRUE(stamps().statusBarShown());
}

TEST_F(StampModeTest, ThePrintCommandsReachTheStampWindowInTheStampMode)
{
    ASSERT_NO_FATAL_FAILURE(open());
    ASSERT_TRUE(perform("showTessaro:"));
    ASSERT_TRUE(stampWindowPrinting());
    // A sheet of 25 stamps against an account without a balance.
    ASSERT_FALSE(stamps().printOpTotalPrice().isZero());
    ASSERT_TRUE(perform("printTheLabel:"));
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("Insufficient funds"));

    // A sample needs no balance: the sheet's print panel is asked for (and
    // cancelled).
    ASSERT_TRUE(perform("testPrint:"));
    EXPECT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->printPanels.size(), 1);
    EXPECT_TRUE(dialogs->pageSetups.isEmpty());
}

// The main window's customs sheet runs window-modal on it, and the menus
// ask the window's controller which items are offered.
TEST_F(StampModeTest, TheMainWindowsCustomsSheetAndMenuValidationAreJoined)
{
    ASSERT_NO_FATAL_FAILURE(open());
    auto *master = dynamic_cast<MasterWindow *>(window);
    ASSERT_TRUE(master);
    master->controller().showCustomsFormSheet();
    QDialog *sheet = nullptr;
    for (QDialog *dialog : window->findChildren<QDialog *>()) {
        if (dialog->findChild<tolvane::QVCustomsDialogView *>())
            sheet = dialog;
    }
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    sheet->findChild<QPushButton *>(QStringLiteral("cancelButton"))->click();
    EXPECT_FALSE(sheet->isVisible());

    QVMenuItem printSelected;
    printSelected.action = QStringLiteral("printSelected:");
    const QVMenuActions &actions = app->menus().actions();
    EXPECT_TRUE(actions.validate(printSelected, QStringLiteral("File")).enabled);
    // On a stamp sheet with no stamp selected there is nothing to print.
    ASSERT_TRUE(perform("showTessaro:"));
    ASSERT_EQ(app->stampWindow().stampMode(), 1);
    EXPECT_FALSE(actions.validate(printSelected, QStringLiteral("File")).enabled);
}

TEST_F(StampModeTest, CommandArrowsStepTheStampWindowsRateAndCount)
{
    ASSERT_NO_FATAL_FAILURE(open());
    ASSERT_TRUE(perform("showTessaro:"));
    const int rate = stamps().selectedClassIndex();
    pressCommand(Qt::Key_Up);
    EXPECT_NE(stamps().selectedClassIndex(), rate);
    pressCommand(Qt::Key_Down);
    EXPECT_EQ(stamps().selectedClassIndex(), rate);
    // Option as well: the sheet count.
    ASSERT_EQ(stamps().sheetCount(), 1);
    pressCommand(Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(stamps().sheetCount(), 2);
    EXPECT_EQ(stamps().sheetCountText(), QStringLiteral("2"));

    // In the labels mode the same key steps the form's weight instead.
    ASSERT_TRUE(perform("showLabels:"));
    const int stepped = stamps().selectedClassIndex();
    pressCommand(Qt::Key_Up);
    EXPECT_EQ(stamps().selectedClassIndex(), stepped);
}

TEST_F(StampModeTest, AScaleIsTheStampWindowsInTheStampModeOnly)
{
    ASSERT_NO_FATAL_FAILURE(open());
    const QVXControllerHooks &hooks = app->controller().hooks();
    ASSERT_TRUE(hooks.scaleWasAdded && hooks.scaleWasRemoved);
    ASSERT_TRUE(perform("showTessaro:"));
    hooks.scaleWasAdded();
    EXPECT_EQ(stamps().weighing().scaleStatusString(), QStringLiteral("Scale connected."));
    ASSERT_TRUE(perform("showLabels:"));
    hooks.scaleWasRemoved();
    EXPECT_EQ(stamps().weighing().scaleStatusString(), QStringLiteral("Scale connected."));
}

TEST_F(StampModeTest, TheStampWindowsHostIsTheApplications)
{
    ASSERT_NO_FATAL_FAILURE(open(true));
    const std::shared_ptr<TessaroHost> host = tessaroHost();
    // The delegate's information alert (the base host shows none).
    host->infoAlertForKey(QStringLiteral("usePostageReminder"), QStringLiteral("OK"), QString(), true);
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_FALSE(dialogs->alerts[0].messageText.isEmpty());

    // The purchase's progress, stamp k of n: the stamp window's own panel,
    // titled, with its bar. Progress without a bar (printing) is the
    // delegate's text and leaves the panel as it was; hiding puts it away.
    host->showProgress(QStringLiteral("Kivo Stamps"), QStringLiteral("Buying stamp 2 of 5"), 1, 5);
    QWidget *panel = nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String("stampProgressPanel"))
            panel = widget;
    ASSERT_TRUE(panel);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->windowTitle(), QStringLiteral("Kivo Stamps"));
    QProgressBar *bar = panel->findChild<QProgressBar *>();
    QLabel *text = panel->findChild<QLabel *>();
    ASSERT_TRUE(bar && text);
    EXPECT_EQ(bar->maximum(), 5);
    EXPECT_EQ(bar->value(), 1);
    EXPECT_EQ(text->text(), QStringLiteral("Buying stamp 2 of 5"));
    EXPECT_TRUE(panel->grab().save(QStringLiteral(TOLVANE_BINARY_DIR "/StampProgressPanel.png")));
    host->showProgress(QStringLiteral("Kivo Stamps"), QStringLiteral("Printing…"), 0, 0);
    EXPECT_EQ(text->text(), QStringLiteral("Buying stamp 2 of 5"));
    host->hideProgress();
    EXPECT_FALSE(panel->isVisible());

    // Printing a sheet asks for the printer with the print panel, not the
    // page set-up (the sheet's paper is fixed).
    PrintInfo sheet;
    sheet.paperName = QStringLiteral("Letter");
    PrintInfo chosen = sheet;
    chosen.printerName = QStringLiteral("Tolvane_PDF");
    dialogs->onPrintPanel = [&chosen](const PrintInfo &, PageSetupAccessory *) { return chosen; };
    const std::optional<PrintInfo> answer = host->runPrintPanel(sheet, nullptr);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->printerName, QStringLiteral("Tolvane_PDF"));
    ASSERT_EQ(dialogs->printPanels.size(), 1);
    EXPECT_EQ(dialogs->printPanels[0].paperName, QStringLiteral("Letter"));
    EXPECT_TRUE(dialogs->pageSetups.isEmpty());

    // The maker's edition: the window's title and the menu item that names
    // the other mode.
    ASSERT_TRUE(app->menus().menuBar());
    QAction *swap = app->menus().menuBar()->actionFor(QStringLiteral("swapMode:"));
    ASSERT_TRUE(swap);
    ASSERT_TRUE(perform("showTessaro:"));
    EXPECT_TRUE(window->windowTitle().startsWith(QStringLiteral("Kivo Stamps Powered by Tolvane")))
        << window->windowTitle().toStdString();
    EXPECT_EQ(swap->text(), QStringLiteral("Switch to Label Rolls"));

    // Its About item opens the edition's own about box.
    ASSERT_FALSE(KIVOAboutBoxController::current());
    QAction *about = app->menus().menuBar()->actionFor(QStringLiteral("orderKIVOAboutPanel:"));
    ASSERT_TRUE(about);
    EXPECT_TRUE(about->isEnabled());
    about->trigger();
    ASSERT_TRUE(KIVOAboutBoxController::current());
    KIVOAboutBoxController::current()->windowWillClose();
    EXPECT_FALSE(KIVOAboutBoxController::current());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(StampModeTest, QuittingInTheStampModeLetsGoOfBothViews)
{
    ASSERT_NO_FATAL_FAILURE(open());
    ASSERT_TRUE(perform("showTessaro:"));
    QPointer<QWidget> view = window->centralWidget();
    ASSERT_TRUE(view);
    app.reset();
    EXPECT_TRUE(form.isNull());
    EXPECT_TRUE(view.isNull());
    EXPECT_FALSE(stampWindowPrinting());
}

} // namespace
