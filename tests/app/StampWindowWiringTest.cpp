// The stamp window in the running program: the Mode menu puts its view into
// the main window and takes it out again, the main window's Print and
// Command-arrows reach it in the stamp mode, and the program lets go of the
// shipment form and the stamp view when it ends in the stamp mode.
#include "app/ApplicationWiring.h"
#include "app/QVApplicationMenus.h"
#include "app/QVMenus.h"
#include "app/QVXController.h"
#include "app/StampWindowWiring.h"
#include "platform/UserDefaults.h"
#include "printing/flow/QVStampWindowPrinting.h"
#include "rateengine/RateEngine.h"
#include "services/QVCommandCenter.h"
#include "stamps/TessaroController.h"
#include "stamps/TessaroView.h"

#include "RecordingDialogs.h"

#include <QApplication>
#include <QDate>
#include <QImage>
#include <QKeyEvent>
#include <QMainWindow>
#include <QPointer>
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
        app = std::make_unique<DesktopApplication>();
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

    ASSERT_TRUE(perform("showLabels:"));
    EXPECT_EQ(window->centralWidget(), form);
    EXPECT_EQ(app->controller().currentMode(), QVStandardPrintingMode);
    // The one stamp window comes back.
    ASSERT_TRUE(perform("swapMainViews:"));
    EXPECT_EQ(window->centralWidget(), view);
}

TEST_F(StampModeTest, ThePrintCommandsReachTheStampWindowInTheStampMode)
{
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
    EXPECT_EQ(dialogs->pageSetups.size(), 1);
}

TEST_F(StampModeTest, CommandArrowsStepTheStampWindowsRateAndCount)
{
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

TEST_F(StampModeTest, QuittingInTheStampModeLetsGoOfBothViews)
{
    ASSERT_TRUE(perform("showTessaro:"));
    QPointer<QWidget> view = window->centralWidget();
    ASSERT_TRUE(view);
    app.reset();
    EXPECT_TRUE(form.isNull());
    EXPECT_TRUE(view.isNull());
    EXPECT_FALSE(stampWindowPrinting());
}

} // namespace
