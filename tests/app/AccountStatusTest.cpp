// The account status refresh against the fake postage server: the first
// call only notifies, the threshold of the automatic purchase, exact amounts
// in mils, the e-mail warning and its 24 hours of quiet, the purchase record
// in the log, and the failures that stay silent in automation mode.
#include "app/account/QVAccountStatus.h"

#include "model/QVShipment.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "services/QVRHOCommandCenter.h"

#include "FakeMailingLog.h"
#include "FakePostageServer.h"
#include "RecordingDialogs.h"

#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

constexpr int StatusWire = 28, BuyWire = 27;

class Host : public QVAccountStatusHost
{
public:
    QStringList progress;
    int hidden = 0;
    int accountInformation = 0;
    int accountPages = 0;
    bool automation = false;
    QDateTime clock = QDateTime(QDate(2014, 6, 2), QTime(10, 0));

    void showProgress(const QString &text) override { progress << text; }
    void hideProgress() override { ++hidden; }
    bool isAutomation() override { return automation; }
    void refreshAccountInformation() override { ++accountInformation; }
    void launchAccountOnTolvaneDotCom() override { ++accountPages; }
    QDateTime now() override { return clock; }
};

class AccountStatusTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.isReady()) << server.errorString().toStdString();
        UserDefaults::resetStandardUserDefaults();
        QVCommandCenter::resetSharedInstancesForTesting();
        setMailingLog(log);
        server.setAccount("1234567", "open sesame");
        const auto client = QVRHOCommandCenter::commandCenter();
        client->setServer(server.baseUrl());
        client->setUseridAndPassword(QStringLiteral("1234567"), QStringLiteral("open sesame"));
        client->setServerModulus(FakePostageServer::modulusHex());
    }
    void TearDown() override
    {
        setMailingLog(nullptr);
        QVCommandCenter::resetSharedInstancesForTesting();
        UserDefaults::resetStandardUserDefaults();
    }
    static FakePostageReply statusReply(qint64 balanceMils, const QByteArray &flags = "NNSY")
    {
        FakePostageReply reply;
        reply.flags = flags;
        reply.descendingRegister = balanceMils;
        reply.serialNumber = 1234567;
        return reply;
    }
    // The requests of a wire type since the mark (the server keeps those of
    // earlier cases).
    int requestsOf(int wire, qsizetype since = 0) const
    {
        int count = 0;
        for (const FakePostageRequest &request : server.requests().mid(since))
            count += request.wireType == wire;
        return count;
    }
    void autoPurchase(const QString &threshold, const QString &amount)
    {
        UserDefaults &defaults = UserDefaults::standardUserDefaults();
        defaults.setBool(true, QVAutoPurchaseKey);
        defaults.setString(threshold, QVAutoPurchaseThresholdKey);
        defaults.setString(amount, QVAutoPurchaseAmountKey);
    }
    // A refresh after the first (which sends nothing).
    void refresh(QVRefreshSender sender = QVRefreshSender::Other)
    {
        status.refreshTolvaneStatus(QVRefreshSender::Other);
        status.refreshTolvaneStatus(sender);
    }

    FakePostageServer server;
    std::shared_ptr<FakeMailingLog> log = std::make_shared<FakeMailingLog>();
    DialogsScope dialogs;
    Host host;
    QVAccountStatus status{rhoPostageAccount(), host};
};

TEST_F(AccountStatusTest, TheFirstCallSendsNothingButNotifies)
{
    int notified = 0;
    NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        QVRHOLastValidStatusResponseDidChange, [&](const Notification &) { ++notified; });
    status.refreshTolvaneStatus(QVRefreshSender::Control);
    EXPECT_EQ(notified, 1);
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_TRUE(host.progress.isEmpty());
    EXPECT_EQ(host.accountInformation, 0);

    server.queueReplies(StatusWire, {statusReply(50000)});
    status.refreshTolvaneStatus(QVRefreshSender::Control);
    EXPECT_EQ(requestsOf(StatusWire), 1);
    EXPECT_EQ(host.progress, QStringList(QStringLiteral("Refreshing Postwell Status") + QChar(0x2026)));
    EXPECT_EQ(host.accountInformation, 1);
    EXPECT_TRUE(dialogs->alerts.isEmpty());
}

TEST_F(AccountStatusTest, BuysAtTheThresholdInExactMilsAndLogsThePurchase)
{
    struct Case {
        qint64 balanceMils;
        const char *amount;
        int bought; // mils, 0: nothing bought
    };
    const Case cases[] = {
        {25000, "16.05", 16050}, // a float would give 16049
        {25010, "16.05", 0},     // above the threshold
        {10000, "0.1", 100},     {10000, "-5", 0}, {10000, "five", 0}, {10000, "0", 0},
    };
    for (const Case &c : cases) {
        SetUp();
        autoPurchase(QStringLiteral("25.00"), QLatin1String(c.amount));
        FakePostageReply bought = statusReply(41050);
        bought.serialNumber = 0;
        server.queueReplies(StatusWire, {statusReply(c.balanceMils), statusReply(41050)});
        server.queueReplies(BuyWire, {bought});
        log->records.clear();
        const qsizetype mark = server.requests().size();
        // A fresh refresher per case: its first call sends nothing.
        QVAccountStatus fresh(rhoPostageAccount(), host);
        fresh.refreshTolvaneStatus(QVRefreshSender::Other);
        fresh.refreshTolvaneStatus(QVRefreshSender::Other);
        int buyMils = 0;
        for (const FakePostageRequest &request : server.requests().mid(mark))
            if (request.wireType == BuyWire)
                buyMils = request.amountMils;
        EXPECT_EQ(buyMils, c.bought) << c.amount << " at " << c.balanceMils;
        // A purchase reply that names no account is followed by the
        // client's own status request for the balance it does not carry.
        EXPECT_EQ(requestsOf(StatusWire, mark), c.bought ? 3 : 1) << c.amount;
        ASSERT_EQ(log->records.size(), c.bought ? 1 : 0) << c.amount;
        if (c.bought) {
            const QVariantMap record = log->records.first();
            EXPECT_EQ(record.value(QVUSPSShipmentRHOTransactionTypeKey).toString(), QStringLiteral("Purchase"));
            EXPECT_EQ(record.value(QVUSPSShipmentRHOAccountKey).toLongLong(), 1234567);
            EXPECT_EQ(record.value(QVShipmentPriceKey).toString(),
                      QString::number(c.bought / 1000) + QStringLiteral(".") +
                          QStringLiteral("%1").arg((c.bought % 1000) / 10, 2, 10, QLatin1Char('0')));
            EXPECT_EQ(record.value(QVShipmentShipDateKey).toDateTime(), host.clock);
            EXPECT_TRUE(record.value(QVUSPSShipmentPostageEnabledKey).toBool());
        }
        EXPECT_TRUE(dialogs->alerts.isEmpty()) << c.amount;
        TearDown();
    }
}

TEST_F(AccountStatusTest, AFailedPurchaseAlertsUnlessInAutomation)
{
    autoPurchase(QStringLiteral("25"), QStringLiteral("10"));
    FakePostageReply refused = statusReply(0);
    refused.returnCode = 402;
    server.queueReplies(StatusWire, {statusReply(1000)});
    server.queueReplies(BuyWire, {refused});
    host.automation = true;
    refresh();
    EXPECT_EQ(requestsOf(BuyWire), 1);
    EXPECT_TRUE(dialogs->alerts.isEmpty());
    EXPECT_TRUE(log->records.isEmpty());

    host.automation = false;
    status.refreshTolvaneStatus(QVRefreshSender::Other);
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts.first().messageText, QStringLiteral("Postage Purchase Unsuccessful"));
    EXPECT_TRUE(dialogs->alerts.first().informativeText.startsWith(
        QStringLiteral("Your postage purchase for $10.00 was not successful due to error 402.")));
}

TEST_F(AccountStatusTest, EmailWarningByFlagsAndRemindLaterForADay)
{
    struct Case {
        const char *flags;
        int warnings;
    };
    const Case cases[] = {{"NNSU", 1}, {"NNSN", 1}, {"NNSY", 0}, {"NNU", 0}};
    for (const Case &c : cases) {
        SetUp();
        dialogs->alerts.clear();
        server.queueReplies(StatusWire, {statusReply(50000, c.flags)});
        refresh();
        EXPECT_EQ(dialogs->alerts.size(), c.warnings) << c.flags;
        TearDown();
    }

    SetUp();
    dialogs->alerts.clear();
    server.queueReplies(StatusWire, {statusReply(50000, "NNSU")});
    dialogs->answers = {0}; // Remind Me Later
    refresh();
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts.first().messageText, QStringLiteral("Your email address is not working."));
    host.clock = host.clock.addSecs(86399);
    status.refreshTolvaneStatus(QVRefreshSender::Other);
    EXPECT_EQ(dialogs->alerts.size(), 1);
    host.clock = host.clock.addSecs(2);
    dialogs->answers = {1};
    status.refreshTolvaneStatus(QVRefreshSender::Other);
    EXPECT_EQ(dialogs->alerts.size(), 2);
    EXPECT_EQ(host.accountPages, 1);
}

TEST_F(AccountStatusTest, RefusalsAndIncompatibleAccounts)
{
    class Wizard : public QVTolvaneWizard
    {
    public:
        std::function<void()> close;
        void runModal(std::function<void()> didClose) override { close = std::move(didClose); }
    };
    auto wizard = std::make_shared<Wizard>();
    status.setWizardFactory([wizard] { return wizard; });

    FakePostageReply refused = statusReply(0);
    refused.returnCode = 507;
    server.queueReplies(StatusWire, {refused, statusReply(50000, "NNXN")});
    refresh();
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts.first().informativeText,
              QStringLiteral("Tolvane was unable to authenticate your postage account due to error:\n\n507"));

    // Neither a Mac nor a maker-edition account: the alert names the
    // configured support address, the wizard runs, and nothing more.
    UserDefaults::standardUserDefaults().setString(QStringLiteral("help@example.invalid"), QVSupportEmailAddressKey);
    status.refreshTolvaneStatus(QVRefreshSender::Other);
    ASSERT_EQ(dialogs->alerts.size(), 2);
    EXPECT_EQ(dialogs->alerts.last().messageText, QStringLiteral("Your Postwell account is not compatible."));
    EXPECT_TRUE(dialogs->alerts.last().informativeText.contains(QStringLiteral("help@example.invalid")));
    EXPECT_EQ(status.wizard(), wizard);
    ASSERT_TRUE(wizard->close);
    wizard->close();
    EXPECT_EQ(status.wizard(), nullptr);
}

} // namespace
