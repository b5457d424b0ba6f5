// The assembled program: the one registration function of main() followed by
// the application delegate, as the program starts, with its real hosts.
#include "app/shell/ApplicationWiring.h"
#include "app/shell/ProgramRegistration.h"
#include "app/shell/QVApplicationMenus.h"
#include "app/shell/QVWindowControllers.h"
#include "app/shell/QVXController.h"
#include "platform/UserDefaults.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "rateengine/RateEngine.h"
#include "services/QVCommandCenter.h"
#include "RecordingDialogs.h"

#include <QDate>
#include <QMainWindow>

#include <gtest/gtest.h>

#include <typeinfo>

TEST(AssembledProgramTest, TheProgramsRegistrationsGiveTheDelegateItsWindowsAndHosts)
{
    UserDefaults::resetStandardUserDefaults();
    QVCommandCenter::resetSharedInstancesForTesting();
    registerProgramServices();
    ASSERT_EQ(InitializeRE("", QDate::currentDate().toString(QStringLiteral("MM/dd/yyyy")).toLatin1().constData()), 0);
    // The program's dialogs are widgets; this test answers them itself.
    tolvane::test::DialogsScope dialogs;
    const std::shared_ptr<QVPrintFlowHost> defaultHost = printFlowHost();
    ASSERT_TRUE(defaultHost);
    {
        DesktopApplication app;
        app.controller().hooks().loadMainWindow();
        ASSERT_TRUE(app.mainWindow());
        // The print flow reaches the delegate, not a default host.
        const std::shared_ptr<QVPrintFlowHost> host = printFlowHost();
        ASSERT_TRUE(host);
        EXPECT_NE(typeid(*host), typeid(*defaultHost));
        for (const QString &name :
             {QVAccountPanelsControllerName, QVPreferencesControllerName, QVKIVOPreferencesControllerName,
              QVPrinterSetupControllerName, QVScaleSetupControllerName}) {
            EXPECT_TRUE(app.menus().windows().hasFactory(name)) << name.toStdString();
        }
    }
    // Once the delegate is gone, nothing it registered is left behind.
    const std::shared_ptr<QVPrintFlowHost> after = printFlowHost();
    ASSERT_TRUE(after);
    EXPECT_EQ(typeid(*after), typeid(*defaultHost));
    QVCommandCenter::resetSharedInstancesForTesting();
    UserDefaults::resetStandardUserDefaults();
}
