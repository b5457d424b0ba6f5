// The application delegate's and main window's host interface before the
// application registers them: the stand-in's answers (support files, the
// label folder, URLs through the opener, automation through the dialogs'
// flag) and the main window asked for on every use.
#include "platform/Dialogs.h"
#include "printing/flow/QVPrintFlowServices.h"

#include "RecordingAppHost.h"
#include "RecordingUrlOpener.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace tolvane::test;

TEST(ApplicationHostStandIn, AnswersFromThePlatform)
{
    setPrintFlowHost(nullptr);
    const std::shared_ptr<QVPrintFlowHost> host = printFlowHost();
    EXPECT_EQ(host->appSupportFolderPath(), supportDir());
    EXPECT_EQ(host->labelArchiveFolder(), QDir(supportDir()).filePath(QStringLiteral("Labels")));
    EXPECT_TRUE(QDir(host->labelArchiveFolder()).exists());

    QFile own(QDir(supportDir()).filePath(QStringLiteral("own-file.txt")));
    ASSERT_TRUE(own.open(QIODevice::WriteOnly));
    own.close();
    struct Case {
        QString name;
        bool found;
    };
    const QList<Case> cases = {{QStringLiteral("own-file.txt"), true},
                               {QStringLiteral("QVDefaults.plist"), true},
                               {QStringLiteral("no-such-file"), false},
                               {QStringLiteral("../own-file.txt"), false},
                               {QString(), false}};
    for (const Case &c : cases)
        EXPECT_EQ(!host->pathForSupportFileWithName(c.name).isEmpty(), c.found) << qPrintable(c.name);
    EXPECT_EQ(host->pathForSupportFileWithName(QStringLiteral("own-file.txt")), own.fileName());

    UrlOpenerScope opener;
    host->launchURL(QUrl(QStringLiteral("https://example.test/page")));
    EXPECT_EQ(opener->opened, QList<QUrl>{QUrl(QStringLiteral("https://example.test/page"))});

    host->setAutomation(true);
    EXPECT_TRUE(host->isAutomation());
    EXPECT_TRUE(isAutomationMode());
    host->setAutomation(false);
    EXPECT_FALSE(host->isAutomation());
    EXPECT_EQ(host->infoAlertForKey(QStringLiteral("kivoStampsSheetWarning"), QStringLiteral("OK"),
                                    QStringLiteral("Supply Store"), true),
              1);
    EXPECT_EQ(host->addJunkToWindowTitle(QStringLiteral("Mailing Log")), QStringLiteral("Mailing Log"));
}

TEST(ApplicationHostStandIn, TheMainWindowIsAskedForOnEveryUse)
{
    setMainWindowHostProvider({});
    EXPECT_EQ(mainWindowHost(), nullptr);
    std::shared_ptr<RecordingMainWindow> window;
    int asked = 0;
    setMainWindowHostProvider([&]() -> std::shared_ptr<QVMainWindowHost> {
        ++asked;
        return window;
    });
    EXPECT_EQ(mainWindowHost(), nullptr);
    window = std::make_shared<RecordingMainWindow>();
    EXPECT_EQ(mainWindowHost(), window);
    EXPECT_EQ(asked, 2);
    setMainWindowHostProvider({});
}
