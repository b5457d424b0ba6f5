// TolvaneGUIController: the account panels against the fake postage server
// and the fake partner label service.
#include "AccountPanelsFixture.h"
#include "FakeLabelServers.h"

#include "app/account/TolvaneGUIController.h"
#include "platform/HttpClient.h"
#include "services/QVBRKLabelServerCommandCenter.h"

using namespace tolvane::test;

namespace {

class TolvaneGUIControllerTest : public AccountPanelsTest
{
protected:
    // A stored account for the start-up.
    void storeAccount(bool keepPassPhrase)
    {
        defaults().setString(server.baseUrl(), QVRHOServerDefaultsKey);
        defaults().setString(kAccount, QVRHOUserDefaultsKey);
        defaults().setBool(keepPassPhrase, QVRHOSavePasswordDefaultsKey);
    }
};

TEST_F(TolvaneGUIControllerTest, PassPhraseRulesApplyInOrderAndARefusedChangeKeepsTheSheet)
{
    signIn();
    struct Case {
        QString current, newPassPhrase, confirmation, message;
    };
    const QList<Case> cases = {
        // A wrong current pass phrase wins over every later rule.
        {QStringLiteral("open Sesame"), QStringLiteral("abcd"), QStringLiteral("x"),
         QStringLiteral("Current pass phrase incorrect.")},
        {kPassPhrase, QStringLiteral("abcd"), QStringLiteral("abcd"),
         QStringLiteral("Pass phrase must be 5 characters.")},
        {kPassPhrase, QStringLiteral("abcde"), QStringLiteral("abcdf"), QStringLiteral("New password did not match.")},
        {kPassPhrase, QStringLiteral("abcde"), QStringLiteral("abcde"), QString()},
    };
    TolvaneGUIController panels;
    for (const Case &c : cases) {
        SCOPED_TRACE(qPrintable(c.newPassPhrase + c.message));
        dialogs->alerts.clear();
        panels.showChangePasswordPanel(TolvanePanelWindow::AccountStatus);
        panels.changePassPhraseSheet().currentPassPhrase = c.current;
        panels.changePassPhraseSheet().newPassPhrase = c.newPassPhrase;
        panels.changePassPhraseSheet().confirmation = c.confirmation;
        EXPECT_EQ(panels.passwordPrescreen(), c.message.isEmpty());
        EXPECT_EQ(alertTexts(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
    }
    // The server refuses the change: its text, the sheet stays, the old
    // pass phrase stays in use.
    server.queueReplies(kChangeWire, {refusal(101)});
    dialogs->alerts.clear();
    panels.changePassword();
    EXPECT_EQ(requestsOf(kChangeWire), 1);
    ASSERT_EQ(alertTexts(), QStringList{QStringLiteral("Pass phrase change unsuccessful")});
    EXPECT_TRUE(dialogs->alerts.first().informativeText.startsWith(QStringLiteral("Your pass phrase could not be "
                                                                                  "changed.\n\nError 101: ")));
    EXPECT_TRUE(panels.changePassPhraseSheet().open);
    EXPECT_EQ(client->password(), kPassPhrase);
    // Accepted: the sheet ends and the client uses the new pass phrase.
    server.queueReplies(kChangeWire, {FakePostageReply()});
    panels.changePassword();
    EXPECT_FALSE(panels.changePassPhraseSheet().open);
    EXPECT_EQ(client->password(), QStringLiteral("abcde"));
    ASSERT_FALSE(dialogs->alerts.isEmpty());
    EXPECT_EQ(dialogs->alerts.last().messageText, QStringLiteral("Your pass phrase change was successful."));
    EXPECT_EQ(dialogs->alerts.last().style, Alert::Style::Informational);
    EXPECT_EQ(host->calls.count(QStringLiteral("refreshTolvaneStatus")), 2);
}

TEST_F(TolvaneGUIControllerTest, AmountsOfferedStayWithinTheLimits)
{
    // Without account information both limits are 500.00.
    const QList<QPair<qint64, QStringList>> cases = {
        {455000, {QStringLiteral("$10.00"), QStringLiteral("$25.00")}},
        {600000, {QStringLiteral("$10.00")}},
        {0,
         {QStringLiteral("$10.00"), QStringLiteral("$25.00"), QStringLiteral("$50.00"), QStringLiteral("$75.00"),
          QStringLiteral("$100.00"), QStringLiteral("$200.00"), QStringLiteral("$300.00"), QStringLiteral("$400.00"),
          QStringLiteral("$500.00")}},
    };
    for (const auto &[balance, offered] : cases) {
        SCOPED_TRACE(balance);
        signIn(balance);
        TolvaneGUIController panels;
        panels.updatePurchaseAmounts(client->lastValidStatusResponse());
        EXPECT_EQ(panels.buyPanel().amountTitles, offered);
    }
}

TEST_F(TolvaneGUIControllerTest, StartUpSignInOpensWhatTheStoredAccountNeeds)
{
    struct Case {
        QString name;
        bool storeAccount;
        bool keep;
        bool keptPassPhrase;
        bool signInOpen;
        bool wizard;
    };
    const QList<Case> cases = {
        {QStringLiteral("keeping off"), true, false, false, true, false},
        {QStringLiteral("keeping on, nothing kept"), true, true, false, false, true},
        {QStringLiteral("kept and accepted"), true, true, true, false, false},
        {QStringLiteral("no stored account"), false, false, false, false, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(qPrintable(c.name));
        TearDown();
        UserDefaults::resetStandardUserDefaults();
        QVCommandCenter::resetSharedInstancesForTesting();
        SetUp();
        host->calls.clear();
        const int statusBefore = requestsOf(kStatusWire);
        server.queueReplies(kStatusWire, {statusReply()});
        if (c.storeAccount)
            storeAccount(c.keep);
        if (c.keptPassPhrase)
            store->setDefaultCredential({kAccount, kPassPhrase}, client->protectionSpace());
        TolvaneGUIController panels;
        panels.awakeFromNib();
        EXPECT_EQ(panels.signInPanel().open, c.signInOpen);
        EXPECT_EQ(host->called(QStringLiteral("showTolvaneWizard")), c.wizard);
        EXPECT_FALSE(host->called(QStringLiteral("terminate")));
        EXPECT_TRUE(dialogs->alerts.isEmpty());
        EXPECT_EQ(requestsOf(kStatusWire) - statusBefore, c.keptPassPhrase ? 1 : 0);
        if (c.keptPassPhrase) {
            EXPECT_EQ(client->password(), kPassPhrase);
            EXPECT_TRUE(client->lastValidStatusResponse());
        }
    }
}

TEST_F(TolvaneGUIControllerTest, EditionMismatchAtStartUpQuitsWithTheFlagStored)
{
    storeAccount(true);
    store->setDefaultCredential({kAccount, kPassPhrase}, client->protectionSpace());
    server.queueReplies(kStatusWire, {statusReply(100000, "Y")});
    TolvaneGUIController panels;
    panels.awakeFromNib();
    ASSERT_EQ(alertTexts(), QStringList{QStringLiteral("Account type has changed.")});
    EXPECT_EQ(dialogs->alerts.first().buttons.size(), 1);
    EXPECT_TRUE(host->called(QStringLiteral("terminate")));
    EXPECT_TRUE(defaults().boolForKey(QVRHOStampsVersionDefaultsKey));
    EXPECT_FALSE(panels.signInPanel().open);
}

TEST_F(TolvaneGUIControllerTest, ClosingTheSignInPanelWithoutAStatusQuits)
{
    storeAccount(false);
    TolvaneGUIController panels;
    panels.awakeFromNib();
    ASSERT_TRUE(panels.signInPanel().open);
    // A wrong pass phrase: the panel stays, the reset becomes possible.
    panels.signInPanel().passPhrase = QStringLiteral("wrong");
    panels.initialSettingsOK();
    EXPECT_EQ(alertTexts(), QStringList{QStringLiteral("The Pass Phrase you entered was not correct.")});
    EXPECT_TRUE(panels.signInPanel().open);
    EXPECT_TRUE(panels.canResetPassword());
    panels.windowWillClose(TolvanePanelWindow::SignIn);
    EXPECT_TRUE(host->called(QStringLiteral("terminate")));
}

TEST_F(TolvaneGUIControllerTest, SignInPassesAndANewAccountGetsTheForcedSheet)
{
    storeAccount(false);
    TolvaneGUIController panels;
    panels.awakeFromNib();
    panels.signInPanel().passPhrase = kPassPhrase;
    panels.signInPanel().savePassPhrase = true;
    // The keychain refuses to unlock: its code, nothing sent.
    store->setUnlockRefusal(-25293);
    panels.initialSettingsOK();
    ASSERT_EQ(alertTexts(), QStringList{QStringLiteral("Keychain is locked.")});
    EXPECT_TRUE(dialogs->alerts.first().informativeText.endsWith(QStringLiteral("Error -25293")));
    EXPECT_EQ(requestsOf(kStatusWire), 0);
    store->setUnlockRefusal(0);
    server.queueReplies(kStatusWire, {statusReply(100000, "S", "V")});
    panels.initialSettingsOK();
    EXPECT_TRUE(panels.changePassPhraseSheet().open);
    EXPECT_TRUE(panels.changePassPhraseSheet().forceTextShown);
    EXPECT_TRUE(panels.signInPanel().open);
    // The forced change ends the sheet and the sign-in panel.
    panels.changePassPhraseSheet().currentPassPhrase = kPassPhrase;
    panels.changePassPhraseSheet().newPassPhrase = QStringLiteral("new phrase");
    panels.changePassPhraseSheet().confirmation = QStringLiteral("new phrase");
    panels.changePassword();
    EXPECT_FALSE(panels.changePassPhraseSheet().open);
    EXPECT_FALSE(panels.signInPanel().open);
    EXPECT_EQ(store->credentials().value(client->protectionSpace().key()).password, QStringLiteral("new phrase"));
}

TEST_F(TolvaneGUIControllerTest, ResetNeedsATryFirstAndThenResetsOnTheServer)
{
    storeAccount(false);
    TolvaneGUIController panels;
    panels.awakeFromNib();
    panels.showResetPasswordSheetOnSendersWindow(TolvanePanelWindow::SignIn);
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts.first().messageText, QStringLiteral("Reset pass phrase for account 1234567."));
    EXPECT_EQ(dialogs->alerts.first().informativeText,
              QStringLiteral("You need to try to login at least once before you can reset your pass phrase."));
    EXPECT_EQ(requestsOf(kResetWire), 0);

    panels.signInPanel().passPhrase = QStringLiteral("forgotten");
    panels.initialSettingsOK();
    dialogs->alerts.clear();
    dialogs->answers = {1}; // "Reset"
    panels.showResetPasswordSheetOnSendersWindow(TolvanePanelWindow::SignIn);
    // The fake server refuses the reset of a pass phrase it does not know:
    // the reply's code and text.
    EXPECT_EQ(alertTexts(),
              QStringList({QStringLiteral("Reset pass phrase for account 1234567."),
                           QStringLiteral("Pass phrase change unsuccessful")}));
    EXPECT_TRUE(dialogs->alerts.last().informativeText.startsWith(
        QStringLiteral("Your pass phrase could not be changed.\n\nError:507\n\n")));
    EXPECT_EQ(requestsOf(kResetWire), 1);
    EXPECT_TRUE(panels.signInPanel().passPhrase.isEmpty());
}

TEST_F(TolvaneGUIControllerTest, BuyingPostage)
{
    // A new account cannot buy: it is sent to the wizard.
    signIn(100000, "V");
    TolvaneGUIController panels;
    panels.showBuyPostagePanel();
    panels.buyPostage();
    EXPECT_EQ(alertTexts(), QStringList{QStringLiteral("Your Postwell account has not been set up.")});
    EXPECT_TRUE(host->called(QStringLiteral("showTolvaneWizard")));
    EXPECT_EQ(requestsOf(kBuyWire), 0);

    signIn(100000);
    struct Case {
        QString name;
        std::optional<FakePostageReply> reply; // nothing: no server
        QString informative;
    };
    FakePostageReply bought = statusReply(125000);
    const QList<Case> cases = {
        {QStringLiteral("refused"), refusal(101),
         QStringLiteral("Your postage purchase for $25.00 was not successful due to error 101.\n\n")},
        {QStringLiteral("no reply"), std::nullopt,
         QStringLiteral("Your postage purchase for $25.00 was not successful due to an Internet connection error. "
                        "Please verify that your Internet connection is working and try again.\n\nError:")},
        {QStringLiteral("bought"), bought,
         QStringLiteral("Your postage purchase for $25.00 was successful and your balance is now $125.00.")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(qPrintable(c.name));
        dialogs->alerts.clear();
        client->setServer(c.reply ? server.baseUrl() : QStringLiteral("http://127.0.0.1:1"));
        if (c.reply)
            server.queueReplies(kBuyWire, {*c.reply});
        panels.showBuyPostagePanel();
        panels.buyPanel().selectedAmount = 1;
        panels.buyPostage();
        ASSERT_EQ(dialogs->alerts.size(), 1);
        EXPECT_TRUE(dialogs->alerts.first().informativeText.startsWith(c.informative))
            << qPrintable(dialogs->alerts.first().informativeText);
        EXPECT_EQ(panels.buyPanel().open, c.name != QLatin1String("bought"));
        // Only the success is told with an informational alert.
        EXPECT_EQ(dialogs->alerts.first().style,
                  c.name == QLatin1String("bought") ? Alert::Style::Informational : Alert::Style::Warning);
    }
    ASSERT_EQ(log->records.size(), 1);
    const QVariantMap &record = log->records.first();
    EXPECT_EQ(record.value(QVUSPSShipmentRHOTransactionTypeKey).toString(), QStringLiteral("Purchase"));
    EXPECT_EQ(record.value(QVShipmentPriceKey).toString(), QStringLiteral("25.00"));
    EXPECT_EQ(record.value(QVUSPSShipmentRHOBalanceKey).toString(), QStringLiteral("$125.00"));
    EXPECT_EQ(record.value(QVUSPSShipmentRHOAccountKey).toLongLong(), 1234567);
    EXPECT_TRUE(record.value(QVUSPSShipmentPostageEnabledKey).toBool());
    // The device is the reply's meter: vendor, model and the account's
    // serial number in eight digits.
    EXPECT_TRUE(record.value(QVUSPSShipmentRHODeviceIDKey).toString().endsWith(QStringLiteral("01234567")))
        << qPrintable(record.value(QVUSPSShipmentRHODeviceIDKey).toString());
    for (const QString &dated : {QVShipmentPrintDateKey, QVShipmentShipDateKey}) {
        const QDateTime when = record.value(dated).toDateTime();
        EXPECT_TRUE(when.isValid()) << qPrintable(dated);
        EXPECT_LT(qAbs(when.secsTo(QDateTime::currentDateTime())), 60) << qPrintable(dated);
    }
    EXPECT_TRUE(host->called(QStringLiteral("refreshTolvaneStatus")));
}

TEST_F(TolvaneGUIControllerTest, ThePartnerBoxShowsThePartnerBalance)
{
    const QString serviceNamespace = QStringLiteral("urn:tolvane-test:partner/2010/06");
    FakePartnerServer partner{serviceNamespace};
    ASSERT_TRUE(partner.isListening());
    partner.setBalance(QStringLiteral("12.34"));
    defaults().setString(partner.host(), QVBRKServerDefaultsKey);
    defaults().setString(serviceNamespace, QVBRKServiceNamespaceDefaultsKey);
    defaults().setString(QStringLiteral("BRK-1"), QVBRKAccountIDDefaultsKey);
    defaults().setString(QStringLiteral("brk-partner"), QVBRKRequesterIDDefaultsKey);
    defaults().setString(QStringLiteral("partner phrase"), QVBRKPasswordDefaultsKey);
    defaults().setBool(true, QVBRKEnabledDefaultsKey);
    QVBRKLabelServerCommandCenter::commandCenter()->setRequestTimeoutMilliseconds(10000);
    setHttpCAFile(LocalHttpServer::testCertificateAuthorityFile());
    signIn(455000);
    TolvaneGUIController panels;
    panels.tolvaneStatusDidChange(client->lastValidStatusResponse());
    panels.showBuyPostagePanel();
    EXPECT_TRUE(panels.buyPanel().partnerBoxVisible);
    panels.buyPanel().partnerBoxOn = true;
    panels.toggleBriskoOne();
    EXPECT_EQ(panels.buyPanel().balance, QStringLiteral("$12.34"));
    // Off again: the postage account's figures come back.
    panels.buyPanel().partnerBoxOn = false;
    panels.toggleBriskoOne();
    EXPECT_EQ(panels.buyPanel().balance, QStringLiteral("$455.00"));
    setHttpCAFile(QString());
}

} // namespace

namespace {

// A refused status says nothing of the balance: the Buy Postage panel keeps
// the one last known for the account signed in, and shows none known for
// another account.
TEST_F(TolvaneGUIControllerTest, ARefusedStatusKeepsTheBuyPanelsLastKnownBalanceOfTheSameAccount)
{
    signIn(455000);
    TolvaneGUIController panels;
    panels.tolvaneStatusDidChange(client->lastValidStatusResponse());
    EXPECT_EQ(panels.buyPanel().balance, QStringLiteral("$455.00"));
    server.queueReplies(kStatusWire, {refusal(101)});
    client->status();
    ASSERT_EQ(client->lastValidStatusResponse(), nullptr);
    panels.tolvaneStatusDidChange(nullptr);
    EXPECT_EQ(panels.buyPanel().balance, QStringLiteral("$455.00"));
    client->setUseridAndPassword(QStringLiteral("7654321"), kPassPhrase);
    panels.tolvaneStatusDidChange(nullptr);
    EXPECT_EQ(panels.buyPanel().balance, QStringLiteral("$0.00"));
}

} // namespace
