// The assembled program: the one registration function of main() followed by
// the application delegate, as the program starts, with its real hosts.
#include "app/shell/Appcast.h"
#include "app/shell/ApplicationWiring.h"
#include "app/shell/ProgramRegistration.h"
#include "app/shell/QVApplicationMenus.h"
#include "app/shell/QVUpdater.h"
#include "app/shell/QVWindowControllers.h"
#include "app/shell/QVXController.h"
#include "mailinglog/QVMailingLog.h"
#include "model/MailingLogServices.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"
#include "printing/PrintingServices.h"
#include "printing/flow/QVPrintFlow.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "rateengine/RateEngine.h"
#include "services/QVCommandCenter.h"
#include "DamagedMailingLogs.h"
#include "RecordingDialogs.h"
#include "TestSupport.h"

#include <QDate>
#include <QDir>
#include <QFile>
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

// A build below the update feed's minimum cannot print: the print flow asks
// the program's own updater (through the delegate), which refuses with its
// alert; at the minimum the check passes without a word.
TEST(AssembledProgramTest, ABuildBelowTheFeedsMinimumCannotPrint)
{
    UserDefaults::resetStandardUserDefaults();
    QVCommandCenter::resetSharedInstancesForTesting();
    registerProgramServices();
    ASSERT_EQ(InitializeRE("", QDate::currentDate().toString(QStringLiteral("MM/dd/yyyy")).toLatin1().constData()), 0);
    tolvane::test::DialogsScope dialogs;
    {
        DesktopApplication app;
        app.controller().hooks().loadMainWindow();
        ASSERT_TRUE(app.mainWindow());
        const quint32 build = Bundle::bundleVersion().toUInt();
        ASSERT_GT(build, 0u);
        auto feedWithMinimum = [](quint32 minimum) {
            AppcastItem item;
            item.properties.insert(QVAppcastMinimumToPrintKey, QString::number(minimum));
            return QList<AppcastItem>{item};
        };

        app.updater().didFinishLoadingAppcast(feedWithMinimum(build + 1));
        dialogs->answers = {0};
        tolvane::QVPrintFlow flow;
        EXPECT_FALSE(flow.printLabelAsATest(false));
        EXPECT_FALSE(flow.currentShipmentIsGo());
        ASSERT_FALSE(dialogs->alerts.isEmpty());
        EXPECT_EQ(dialogs->alerts.first().messageText, QStringLiteral("Update required."));
        // The printing road of the shell asks the same check.
        dialogs->alerts.clear();
        dialogs->answers = {0};
        EXPECT_FALSE(printingShellServices()->validateVersionForPrinting());
        EXPECT_EQ(dialogs->alerts.size(), 1);

        app.updater().didFinishLoadingAppcast(feedWithMinimum(build));
        dialogs->alerts.clear();
        EXPECT_TRUE(printFlowHost()->validateVersionForPrinting());
        EXPECT_TRUE(printingShellServices()->validateVersionForPrinting());
        EXPECT_TRUE(dialogs->alerts.isEmpty());
    }
    QVCommandCenter::resetSharedInstancesForTesting();
    UserDefaults::resetStandardUserDefaults();
}

// Each damaged mailing log: the program's start-up count of the log answers
// nothing instead of crashing, the user is told once, and the file stays as
// it was.
TEST(AssembledProgramTest, ADamagedMailingLogIsCountedAsEmptyAndSaidOnce)
{
    UserDefaults::resetStandardUserDefaults();
    QVCommandCenter::resetSharedInstancesForTesting();
    const QString logFile = QDir(tolvane::test::supportDir()).filePath(QVMailingLogFileName);
    for (const tolvane::test::DamagedMailingLog &damaged : tolvane::test::damagedMailingLogs()) {
        SCOPED_TRACE(qPrintable(damaged.name));
        ASSERT_TRUE(QDir().mkpath(tolvane::test::supportDir()));
        QFile file(logFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(damaged.content);
        file.close();
        QVMailingLog::resetSharedMailingLog();
        registerProgramServices();
        tolvane::test::DialogsScope dialogs;
        {
            DesktopApplication app;
            const auto count = app.controller().hooks().mailingLogCount;
            ASSERT_TRUE(count);
            EXPECT_EQ(count(), 0);
            EXPECT_EQ(count(), 0);
            ASSERT_EQ(dialogs->alerts.size(), 1);
            EXPECT_EQ(dialogs->alerts.first().messageText, QStringLiteral("The mailing log could not be read."));
            EXPECT_FALSE(sharedMailingLog()->canWriteToLog());
        }
        QFile read(logFile);
        ASSERT_TRUE(read.open(QIODevice::ReadOnly));
        EXPECT_EQ(read.readAll(), damaged.content);
    }
    QFile::remove(logFile);
    QVMailingLog::resetSharedMailingLog();
    QVCommandCenter::resetSharedInstancesForTesting();
    UserDefaults::resetStandardUserDefaults();
}
