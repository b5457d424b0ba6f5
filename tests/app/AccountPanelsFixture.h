#pragma once
// A fixture for the postage-account windows: the program's postage-server
// client against the fake postage server (account 1234567, pass phrase
// "open sesame"), an in-memory credential store, recorded alerts, a fake
// mailing log, and a recording application delegate and correction printer.
#include "app/account/TolvaneAccountServices.h"

#include "FakeMailingLog.h"
#include "FakePostageServer.h"
#include "RecordingDialogs.h"

#include "model/QVShipment.h"
#include "platform/Credentials.h"
#include "platform/UserDefaults.h"
#include "services/QVCommandCenter.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVReachability.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace tolvane::test {

inline constexpr int kStatusWire = 28, kBuyWire = 27, kIndiciumWire = 48, kChangeWire = 26, kResetWire = 97;
inline const QString kAccount = QStringLiteral("1234567");
inline const QString kPassPhrase = QStringLiteral("open sesame");

class RecordingAccountHost : public TolvaneAccountHost
{
public:
    QStringList calls;
    QList<std::function<void()>> later;
    // What a refresh does besides being recorded (the program asks the
    // server for the status).
    std::function<void()> onRefresh;
    void setProgressTextString(const QString &text) override { calls << QStringLiteral("progress:") + text; }
    void hideProgressPanel() override { calls << QStringLiteral("hideProgress"); }
    void refreshTolvaneStatus() override
    {
        calls << QStringLiteral("refreshTolvaneStatus");
        if (onRefresh)
            onRefresh();
    }
    void showTolvaneWizard() override { calls << QStringLiteral("showTolvaneWizard"); }
    void terminate() override { calls << QStringLiteral("terminate"); }
    void launchURL(const QUrl &url) override { calls << QStringLiteral("launchURL:") + url.toString(); }
    void performLater(std::function<void()> work) override { later << std::move(work); }
    void runLater()
    {
        while (!later.isEmpty())
            later.takeFirst()();
    }
    bool called(const QString &call) const { return calls.contains(call); }
};

class RecordingCorrectionPrinting : public TolvaneCorrectionPrinting
{
public:
    struct Print {
        CorrectionRoad road;
        CorrectionIndicium indicium;
        QVariantMap record;
        bool sample = false;
        QDate date;
        QString mailedFrom;
    };
    QList<Print> prints;
    QByteArray sampleIndiciumData() override { return QByteArray("SAMPLE-INDICIUM"); }
    bool printPostageCorrection(CorrectionRoad road, const CorrectionIndicium &indicium, const QVShipment &record,
                                bool sample) override
    {
        prints << Print{road, indicium, record.plist(), sample, {}, {}};
        return true;
    }
    bool printDateCorrection(CorrectionRoad road, const QDate &date, const QString &mailedFrom) override
    {
        prints << Print{road, {}, {}, false, date, mailedFrom};
        return true;
    }
};

class FixedReachability : public QVReachability
{
public:
    bool reachable = true;
    bool isHostReachable(const QString &) override { return reachable; }
};

class AccountPanelsTest : public ::testing::Test
{
protected:
    // The shared client is made new before the fixtures of subclasses take
    // it.
    AccountPanelsTest()
    {
        UserDefaults::resetStandardUserDefaults();
        QVCommandCenter::resetSharedInstancesForTesting();
    }
    void SetUp() override
    {
        ASSERT_TRUE(server.isReady()) << server.errorString().toStdString();
        server.setAccount(kAccount.toLatin1(), kPassPhrase.toLatin1());
        setCredentialStore(store);
        setTolvaneAccountHost(host);
        setCorrectionPrinting(printing);
        setMailingLog(log);
        setReachability(reachability);
        client = QVRHOCommandCenter::commandCenter();
        client->setServerModulus(FakePostageServer::modulusHex());
        client->setRequestTimeoutMilliseconds(10000);
        client->setServer(server.baseUrl());
    }
    void TearDown() override
    {
        setReachability(nullptr);
        setMailingLog(nullptr);
        setCorrectionPrinting(nullptr);
        setTolvaneAccountHost(nullptr);
        setCredentialStore(nullptr);
        QVCommandCenter::resetSharedInstancesForTesting();
        UserDefaults::resetStandardUserDefaults();
    }
    UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

    // A status reply of a Mac account ("S"), or of the stamps edition ("Y").
    static FakePostageReply statusReply(qint64 balanceMils = 100000, const QByteArray &kind = "S",
                                        const QByteArray &status = "A")
    {
        FakePostageReply reply;
        reply.serialNumber = kAccount.toUInt();
        reply.flags = "NN" + kind + "N";
        reply.accountStatus = status;
        reply.descendingRegister = balanceMils;
        reply.licenseZIP5 = "94107";
        reply.licenseCity = "SAN FRANCISCO";
        reply.licenseState = "CA";
        reply.returnDateTime = "20140310093000";
        return reply;
    }
    static FakePostageReply refusal(quint32 code)
    {
        FakePostageReply reply;
        reply.returnCode = code;
        return reply;
    }
    // The client signed in with a status of the balance.
    void signIn(qint64 balanceMils = 100000, const QByteArray &status = "A")
    {
        server.queueReplies(kStatusWire, {statusReply(balanceMils, "S", status)});
        client->setUseridAndPassword(kAccount, kPassPhrase);
        ASSERT_TRUE(client->status());
    }
    int requestsOf(int wireType) const
    {
        int count = 0;
        for (const FakePostageRequest &request : server.requests())
            count += request.wireType == wireType ? 1 : 0;
        return count;
    }
    QStringList alertTexts() const
    {
        QStringList texts;
        for (const Alert &alert : dialogs->alerts)
            texts << alert.messageText;
        return texts;
    }

    FakePostageServer server;
    DialogsScope dialogs;
    std::shared_ptr<InMemoryCredentialStore> store = std::make_shared<InMemoryCredentialStore>();
    std::shared_ptr<RecordingAccountHost> host = std::make_shared<RecordingAccountHost>();
    std::shared_ptr<RecordingCorrectionPrinting> printing = std::make_shared<RecordingCorrectionPrinting>();
    std::shared_ptr<FakeMailingLog> log = std::make_shared<FakeMailingLog>();
    std::shared_ptr<FixedReachability> reachability = std::make_shared<FixedReachability>();
    std::shared_ptr<QVRHOCommandCenter> client;
};

} // namespace tolvane::test
