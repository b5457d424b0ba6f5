#pragma once
// The assembled program launched as a user launches it, for the tests of
// the whole program: the program's one registration function, the rate
// engine of today, the dialogs and the URL opener recorded, every window
// run modally closed as soon as it shows, and the application delegate
// with its main window loaded. A test's SetUp starts from fresh user
// defaults, calls registerProgram(), sets what it needs and calls launch();
// its TearDown calls quit() after releasing what it holds of the program.
#include "app/shell/ApplicationWiring.h"
#include "app/shell/ProgramRegistration.h"
#include "platform/UserDefaults.h"
#include "printing/setup/QVPrinterSetupWindow.h"
#include "rateengine/RateEngine.h"
#include "services/QVCommandCenter.h"

#include "RecordingDialogs.h"
#include "RecordingUrlOpener.h"

#include <QApplication>
#include <QDate>
#include <QDialog>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace tolvane::test {

class AssembledProgramFixture : public ::testing::Test
{
protected:
    // The program's services registered afresh and the rate engine started
    // for today.
    void registerProgram()
    {
        QVCommandCenter::resetSharedInstancesForTesting();
        registerProgramServices();
        ASSERT_EQ(InitializeRE("", QDate::currentDate().toString(QStringLiteral("MM/dd/yyyy")).toLatin1().constData()),
                  0);
    }

    // The application started and its main window loaded.
    void launch()
    {
        dialogs = std::make_unique<DialogsScope>();
        urls = std::make_unique<UrlOpenerScope>();
        // A window run modally is closed as soon as it shows.
        QObject::connect(&closer, &QTimer::timeout, [] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                if (auto *dialog = qobject_cast<QDialog *>(modal))
                    dialog->reject();
                else
                    modal->close();
            }
        });
        closer.start(20);
        app = std::make_unique<DesktopApplication>();
        app->controller().hooks().loadMainWindow();
        ASSERT_TRUE(app->mainWindow());
    }

    void quit()
    {
        app.reset();
        // Windows released with deleteLater() go as the event loop would
        // let them go, and the windows kept for the life of the process
        // (the web-store window, the about box) go with it, as they do when
        // the program quits.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // Only windows of no parent (a pop-up goes with its parent); the
        // printer set-up window is the process's one shared window, which
        // the next launch in this process uses again.
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (!window->parentWidget() && !dynamic_cast<QVPrinterSetupWindow *>(window))
                window->deleteLater();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        closer.stop();
        urls.reset();
        dialogs.reset();
        QVCommandCenter::resetSharedInstancesForTesting();
        UserDefaults::resetStandardUserDefaults();
    }

    QTimer closer;
    std::unique_ptr<DialogsScope> dialogs;
    std::unique_ptr<UrlOpenerScope> urls;
    std::unique_ptr<DesktopApplication> app;
};

} // namespace tolvane::test
