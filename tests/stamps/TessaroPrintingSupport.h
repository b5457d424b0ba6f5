#pragma once
// The fixture of the stamp printing tests: the stamp test set-up with a
// postage-server client talking to the fake postage server, an in-memory
// mailing log and print system, recorded alerts and a recording host.
#include "stamps/TessaroController.h"
#include "stamps/TessaroScratch.h"

#include "model/MailingLogServices.h"
#include "platform/PrintSystem.h"
#include "platform/UserDefaults.h"
#include "printing/thermal/KIVONewTagwright.h"
#include "services/QVRHOCommandCenter.h"

#include "FakeMailingLog.h"
#include "FakePostageServer.h"
#include "FakePrintSystem.h"
#include "RecordingDialogs.h"
#include "StampTestSupport.h"
#include "TessaroTestHost.h"

#include <QDir>

namespace tolvane::test {

inline constexpr int StampIndiciumWire = 48;

// A good reply of the postage server to one stamp.
inline FakePostageReply stampReply(quint32 pieceCount, quint32 code = 1)
{
    FakePostageReply reply;
    reply.returnCode = code;
    reply.serialNumber = 1234567;
    reply.pieceCount = pieceCount;
    // The balance falls with every stamp bought, as the server's does.
    reply.descendingRegister = 98765430 - pieceCount * 490;
    QByteArray indicium;
    for (int i = 0; i < 60; ++i)
        indicium.append(char(0x40 + (i * 7 + int(pieceCount)) % 60));
    reply.indicium = indicium;
    return reply;
}

class TessaroPrintingTest : public StampTest
{
protected:
    class Client : public QVRHOCommandCenter
    {};

    void SetUp() override
    {
        StampTest::SetUp();
        ASSERT_TRUE(server.isReady()) << server.errorString().toStdString();
        ASSERT_TRUE(UserDefaults::standardUserDefaults().registerBundleDefaults());
        server.setAccount("1234567", "open sesame");
        server.http().setReply(QVRHOReceiptPath.toLatin1(), ScriptedReply::text(200, "OK"));
        client = std::make_shared<Client>();
        client->setServer(server.baseUrl());
        client->setUseridAndPassword(QStringLiteral("1234567"), QStringLiteral("open sesame"));
        client->setServerModulus(FakePostageServer::modulusHex());
        client->setRequestTimeoutMilliseconds(10000);
        dialogs = std::make_shared<RecordingDialogs>();
        setDialogs(dialogs);
        log = std::make_shared<FakeMailingLog>();
        setMailingLog(log);
        printers = std::make_shared<FakePrintSystem>();
        printers->add(QStringLiteral("office"), QStringLiteral("Laser Office 5000"));
        setPrintSystem(printers);
        KIVONewTagwright::resetAvailability();
        host = std::make_shared<TessaroTestHost>();
        host->client = client;
        host->status = statusReply(1234567, 500000); // $500.00
        host->printPanelAnswer = [](const PrintInfo &info) {
            PrintInfo chosen = info;
            chosen.printerName = QStringLiteral("office");
            return std::optional<PrintInfo>(chosen);
        };
        QDir(tessaro::pellmarkPath()).removeRecursively();
        UserDefaults::standardUserDefaults().setBool(true, ShowStatusBarOnMasterControlDefaultsKey);
    }

    void TearDown() override
    {
        if (client) {
            EXPECT_TRUE(client->waitForReceipts(10000));
        }
        QDir(tessaro::pellmarkPath()).removeRecursively();
        setAutomationMode(false);
        setDialogs(nullptr);
        setMailingLog(nullptr);
        setPrintSystem(nullptr);
        KIVONewTagwright::resetAvailability();
        StampTest::TearDown();
    }

    std::unique_ptr<TessaroController> load(int mode = TessaroController::SheetMode, bool maker = false)
    {
        UserDefaults::standardUserDefaults().setInteger(mode, TessaroModeDefaultsKey);
        UserDefaults::standardUserDefaults().setBool(maker, QStringLiteral("kivoStampsVersion"));
        auto controller = std::make_unique<TessaroController>(host, [] { return january2014(); });
        controller->windowDidLoad(TessaroLayout{});
        return controller;
    }

    // Replies for the stamps in order: good ones with piece counts from
    // `firstPiece`, then (when `failAt` > 0) a refusal at that stamp.
    void queueStamps(int good, quint32 firstPiece = 100, int failAt = 0)
    {
        QList<FakePostageReply> replies;
        for (int i = 0; i < good; ++i)
            replies << stampReply(firstPiece + quint32(i));
        if (failAt > 0)
            replies << stampReply(0, 1003);
        server.queueReplies(StampIndiciumWire, replies);
    }

    int purchases() const
    {
        int count = 0;
        for (const FakePostageRequest &request : server.requests())
            count += request.accepted && request.wireType == StampIndiciumWire ? 1 : 0;
        return count;
    }

    QList<Alert> alertsWithMessage(const QString &message) const
    {
        QList<Alert> out;
        for (const Alert &alert : dialogs->alerts)
            if (alert.messageText == message)
                out << alert;
        return out;
    }

    FakePostageServer server;
    std::shared_ptr<Client> client;
    std::shared_ptr<RecordingDialogs> dialogs;
    std::shared_ptr<FakeMailingLog> log;
    std::shared_ptr<FakePrintSystem> printers;
    std::shared_ptr<TessaroTestHost> host;
};

} // namespace tolvane::test
