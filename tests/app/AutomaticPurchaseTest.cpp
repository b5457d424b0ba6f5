// Automatic purchase of postage in the assembled program: the program's one
// registration function, the application delegate and its main window, and
// the real postage client signed in at the stand-in vendor (tools/standins).
// The start-up refresh of the main window checks the balance the sign-in
// read; a purchase made by hand is followed by a refresh that asks the
// vendor, so it is never followed by an automatic one. The sign-in is the
// account panels' own, with the pass phrase kept in the credential store.
#include "app/shell/ApplicationWiring.h"
#include "app/shell/ProgramRegistration.h"
#include "app/shell/QVApplicationMenus.h"
#include "app/shell/QVXController.h"
#include "app/shell/QVWindowControllers.h"
#include "platform/Credentials.h"
#include "platform/HttpClient.h"
#include "platform/UserDefaults.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "rateengine/RateEngine.h"
#include "services/QVCommandCenter.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOResponse.h"

#include "RecordingDialogs.h"
#include "RecordingUrlOpener.h"
#include "StandInServers.h"
#include "StandInVendor.h"

#include <QApplication>
#include <QDate>
#include <QDialog>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

constexpr qint64 kTenDollars = 10000; // mils

class AutomaticPurchase : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(servers.isReady()) << servers.errorString().toStdString();
        UserDefaults::resetStandardUserDefaults();
        QVCommandCenter::resetSharedInstancesForTesting();
        setHttpCAFile(servers.certificateAuthorityFile());
        registerProgramServices();
        ASSERT_EQ(InitializeRE("", QDate::currentDate().toString(QStringLiteral("MM/dd/yyyy")).toLatin1().constData()),
                  0);
        const QVariantMap settings = servers.settings();
        for (auto it = settings.cbegin(); it != settings.cend(); ++it)
            defaults().setObject(it.value(), it.key());
        dialogs = std::make_unique<tolvane::test::DialogsScope>();
        urls = std::make_unique<tolvane::test::UrlOpenerScope>();
        // A window run modally is closed as soon as it shows; the Buy
        // Postage panel, while a purchase is asked for, buys (its default
        // button) instead.
        QObject::connect(&closer, &QTimer::timeout, [this] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                if (buying && modal->windowTitle() == QLatin1String("Buy Postage")) {
                    for (QPushButton *button : modal->findChildren<QPushButton *>()) {
                        if (button->isDefault()) {
                            buying = false;
                            button->click();
                            return;
                        }
                    }
                }
                if (auto *dialog = qobject_cast<QDialog *>(modal))
                    dialog->reject();
                else
                    modal->close();
            }
        });
        closer.start(20);
        setCredentialStore(credentials);
    }
    void TearDown() override
    {
        if (const auto postage = QVRHOCommandCenter::commandCenter()) {
            EXPECT_TRUE(postage->waitForReceipts(10000));
        }
        app.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (QWidget *window : QApplication::topLevelWidgets())
            window->deleteLater();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        closer.stop();
        urls.reset();
        dialogs.reset();
        setHttpCAFile(QString());
        setCredentialStore(nullptr);
        QVCommandCenter::resetSharedInstancesForTesting();
        UserDefaults::resetStandardUserDefaults();
    }

    static UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

    static void setAutomaticPurchase(bool on)
    {
        defaults().setBool(on, QStringLiteral("autoPurchase"));
        defaults().setString(QStringLiteral("10.00"), QStringLiteral("autoPurchaseThreshold"));
        defaults().setString(QStringLiteral("10.00"), QStringLiteral("autoPurchaseAmount"));
    }

    // The demo account holds `balance`; the program starts as the launch
    // does: the account panels sign in with the pass phrase kept in the
    // credential store (reading the account's status), then the main window
    // loads.
    void startWithBalance(qint64 balance)
    {
        servers.vendor().addAccount(StandInServers::demoAccountNumber().toLatin1(),
                                    StandInServers::demoPassPhrase().toLatin1(), balance);
        defaults().setBool(true, QVRHOSavePasswordDefaultsKey);
        const auto postage = QVRHOCommandCenter::commandCenter();
        postage->setRequestTimeoutMilliseconds(10000);
        postage->setServer(defaults().stringForKey(QVRHOServerDefaultsKey));
        ASSERT_TRUE(credentials->setDefaultCredential(
            URLCredential{StandInServers::demoAccountNumber(), StandInServers::demoPassPhrase()},
            postage->protectionSpace()));
        app = std::make_unique<DesktopApplication>();
        ASSERT_TRUE(app->menus().windows().controller(QVAccountPanelsControllerName));
        const auto status = postage->lastValidStatusResponse();
        ASSERT_TRUE(status) << "the sign-in read no status: " << postage->lastErrorDescription().toStdString();
        ASSERT_EQ(status->returnCode(), 1u);
        app->controller().hooks().loadMainWindow();
        ASSERT_TRUE(app->mainWindow());
        QCoreApplication::processEvents();
    }

    // The balance at the vendor, in mils.
    qint64 balance()
    {
        const std::optional<StandInVendor::Account> account =
            servers.vendor().account(StandInServers::demoAccountNumber().toLatin1());
        return account ? account->descendingRegister : -1;
    }

    // The account status refreshed as Postage ▸ Refresh Account Status does.
    void refreshFromTheMenu()
    {
        ASSERT_TRUE(app->menus().actions().perform(QStringLiteral("refreshTolvaneStatus:")));
        QCoreApplication::processEvents();
    }

    StandInServers servers;
    std::unique_ptr<tolvane::test::DialogsScope> dialogs;
    std::unique_ptr<tolvane::test::UrlOpenerScope> urls;
    QTimer closer;
    bool buying = false;
    std::shared_ptr<InMemoryCredentialStore> credentials = std::make_shared<InMemoryCredentialStore>();
    std::unique_ptr<DesktopApplication> app;
};

} // namespace

// Start-up with a funded or a low balance, automatic purchase on: the
// funded account buys nothing, the low one buys exactly once, however often
// the status is refreshed afterwards.
TEST_F(AutomaticPurchase, AtStartUpBuysOnlyBelowTheThresholdAndOnlyOnce)
{
    const struct {
        const char *name;
        qint64 start;
        qint64 after;
    } cases[] = {
        {"funded", 100000, 100000},
        {"below the threshold", 5000, 5000 + kTenDollars},
        {"at the threshold", kTenDollars, 2 * kTenDollars},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        setAutomaticPurchase(true);
        startWithBalance(c.start);
        EXPECT_EQ(balance(), c.after) << "after the start-up";
        refreshFromTheMenu();
        refreshFromTheMenu();
        EXPECT_EQ(balance(), c.after) << "after two more refreshes";
    }
}

// A purchase by hand, with automatic purchase turned on after the start:
// the refresh that follows the purchase reads the new balance from the
// vendor and buys nothing more.
TEST_F(AutomaticPurchase, AManualPurchaseIsNotFollowedByAnAutomaticOne)
{
    setAutomaticPurchase(false);
    startWithBalance(5000);
    ASSERT_EQ(balance(), 5000);
    setAutomaticPurchase(true);
    // Postage ▸ Buy Postage…, the first amount ($10), Buy: the panel buys
    // and then has the delegate refresh the status.
    buying = true;
    ASSERT_TRUE(app->menus().actions().perform(QStringLiteral("showBuyPostagePanel:")));
    QCoreApplication::processEvents();
    EXPECT_FALSE(buying) << "the Buy Postage panel did not show";
    ASSERT_FALSE((*dialogs)->alerts.isEmpty());
    EXPECT_EQ((*dialogs)->alerts.last().messageText, QStringLiteral("Postage Purchase Complete"));
    // A success is told with an informational alert, not a warning.
    EXPECT_EQ((*dialogs)->alerts.last().style, Alert::Style::Informational);
    EXPECT_EQ(balance(), 5000 + kTenDollars);
    refreshFromTheMenu();
    EXPECT_EQ(balance(), 5000 + kTenDollars);
}
