// The print flow from end to end, one piece per road: the program's own
// server clients talking to the local stand-ins (postage server, label-number
// service, label server), the shared mailing log writing its file in a
// support folder of the test's own, and the label going as a PDF job through
// a CUPS scheduler of the test's own to a loopback printer. The label that
// arrives is rendered with pdftoppm and its PDF417 symbol read by ZXingReader.
#include "BarcodeTools.h"
#include "DamagedMailingLogs.h"
#include "LabelTestSupport.h"
#include "PrintFlowFakes.h"
#include "PrintingTestSupport.h"
#include "PrivateCupsd.h"

#include "FakeLabelNumberServer.h"
#include "FakeLabelServers.h"
#include "FakePostageServer.h"
#include "LocalHttpServer.h"

#include "mailinglog/MailingLogRegistration.h"
#include "mailinglog/QVMailingLog.h"
#include "model/MailingLogServices.h"
#include "platform/HttpClient.h"
#include "platform/NotificationCenter.h"
#include "printing/flow/QVPrintFlow.h"
#include "printing/flow/QVPrintFlowClients.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "printing/setup/QVPrinterTypes.h"
#include "services/QVCommandCenter.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOLabelServerCommandCenter.h"
#include "services/QVShipmentRHOExtras.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvane;
using namespace tolvane::test;

namespace {

constexpr int kStatusWire = 28;
constexpr int kIndiciumWire = 48;
const QString kQueue = QStringLiteral("office");

// 98 bytes, the whole indicium field of the server's reply, none of them
// zero (a reader that stops at the first zero would be caught).
QByteArray serverIndicium()
{
    QByteArray bytes;
    for (int i = 0; i < 98; ++i)
        bytes.append(char(1 + (i * 37) % 255));
    return bytes;
}

class PrintFlowEndToEndTest : public PrintingTest
{
protected:
    void SetUp() override
    {
        PrintingTest::SetUp();
        ASSERT_TRUE(support.isValid());
        m_hadSupportDir = qEnvironmentVariableIsSet("TOLVANE_SUPPORT_DIR");
        m_previousSupportDir = qgetenv("TOLVANE_SUPPORT_DIR");
        qputenv("TOLVANE_SUPPORT_DIR", QFile::encodeName(support.path()));
        QVMailingLog::resetSharedMailingLog();
        registerMailingLog();

        // The printing system: the scheduler's one queue, its default.
        setPrintSystem(nullptr);
        ASSERT_TRUE(printer.isListening());
        QString error;
        ASSERT_TRUE(cupsd.start(&error)) << error.toStdString();
        ASSERT_TRUE(cupsd.addQueue(kQueue, QStringLiteral("Laser Office 5000"),
                                   QStringLiteral("socket://127.0.0.1:%1/?snmp=false").arg(printer.port()), &error))
            << error.toStdString();
        QProcess setDefault;
        setDefault.start(QStringLiteral("/usr/sbin/lpadmin"),
                         {QStringLiteral("-h"), cupsd.socketPath(), QStringLiteral("-d"), kQueue});
        ASSERT_TRUE(setDefault.waitForFinished(20000));
        ASSERT_EQ(setDefault.exitCode(), 0);
        defaults().setString(QVPlainPaperPrinter, QStringLiteral("printerType"));
        defaults().setString(QVPlainPaperLabel, QStringLiteral("printerLabel"));

        // The servers and the program's own clients.
        QVCommandCenter::resetSharedInstancesForTesting();
        setHttpCAFile(LocalHttpServer::testCertificateAuthorityFile());
        ASSERT_TRUE(postage.isReady()) << postage.errorString().toStdString();
        ASSERT_TRUE(labelNumbers.isListening());
        ASSERT_TRUE(labelServer.isListening());
        postage.setAccount("1234567", "open sesame");
        FakePostageReply status;
        status.serialNumber = 1234567;
        status.descendingRegister = 100000; // $100.00 in mils
        postage.queueReplies(kStatusWire, {status});
        FakePostageReply indicium = status;
        indicium.pieceCount = 4242;
        indicium.descendingRegister = 92050;
        indicium.indicium = serverIndicium();
        postage.queueReplies(kIndiciumWire, {indicium});
        const auto client = QVRHOCommandCenter::commandCenter();
        client->setServer(postage.baseUrl());
        client->setUseridAndPassword(QStringLiteral("1234567"), QStringLiteral("open sesame"));
        client->setServerModulus(FakePostageServer::modulusHex());
        client->setRequestTimeoutMilliseconds(10000);
        setPrintFlowClients(nullptr);

        setPrintFlowHost(host);
        setMainWindowHostProvider([this] { return window; });
        window->shipment->setTotalPrice(Decimal(795, -2));
        window->shipment->setObject(QStringLiteral("80202"), QVUSPSShipmentMailedFromZIP5Key);

        // Each change of the log, and at each of its "did change" posts
        // (after the file was written) whether the scheduler had a job yet.
        m_willChange = NotificationCenter::defaultCenter().addObserver(QVMailingLogWillChangeNotification,
                                                                       [this](const Notification &) { ++logChanges; });
        m_didChange = NotificationCenter::defaultCenter().addObserver(
            QVMailingLogDidChangeNotification, [this](const Notification &) {
                const QString file = QDir(support.path()).filePath(QVMailingLogFileName);
                statesAtLogWrite << QStringLiteral("file %1, job 1 %2")
                                        .arg(QFileInfo::exists(file) ? QStringLiteral("present")
                                                                     : QStringLiteral("missing"),
                                             cupsd.jobAttributes(1).isEmpty() ? QStringLiteral("absent")
                                                                              : QStringLiteral("queued"));
            });
    }

    void TearDown() override
    {
        m_willChange.reset();
        m_didChange.reset();
        setPrintFlowHost(nullptr);
        setMainWindowHostProvider(nullptr);
        setPrintFlowClients(nullptr);
        setMailingLog(nullptr);
        QVMailingLog::resetSharedMailingLog();
        setHttpCAFile(QString());
        QVCommandCenter::resetSharedInstancesForTesting();
        if (m_hadSupportDir)
            qputenv("TOLVANE_SUPPORT_DIR", m_previousSupportDir);
        else
            qunsetenv("TOLVANE_SUPPORT_DIR");
        PrintingTest::TearDown();
    }

    // The PDF417 bytes ZXingReader reads from the first page of the PDF
    // rendered by pdftoppm.
    QByteArray pdf417OfPdf(const QByteArray &pdf)
    {
        const QString pdfPath = work.filePath(QStringLiteral("job.pdf"));
        QFile file(pdfPath);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(pdf);
        file.close();
        const QString pngBase = work.filePath(QStringLiteral("job"));
        QString error;
        int exitCode = -1;
        EXPECT_TRUE(runTool(QStringLiteral("pdftoppm"),
                            {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-png"), QStringLiteral("-f"),
                             QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                             QStringLiteral("-singlefile"), pdfPath, pngBase},
                            nullptr, &error, &exitCode))
            << error.toStdString();
        EXPECT_EQ(exitCode, 0) << error.toStdString();
        QByteArray out;
        EXPECT_TRUE(runTool(QStringLiteral("ZXingReader"),
                            {QStringLiteral("-format"), QStringLiteral("PDF417"), QStringLiteral("-bytes"),
                             pngBase + QStringLiteral(".png")},
                            &out, &error))
            << error.toStdString();
        return out;
    }

    // The one job that reached the loopback printer, once the scheduler
    // finished it.
    QByteArray theOneJob()
    {
        EXPECT_TRUE(printer.waitForJobs(1));
        EXPECT_TRUE(cupsd.waitForCompletion(1));
        EXPECT_EQ(cupsd.jobAttributes(1).value(QStringLiteral("job-name")).toString(), QStringLiteral("Tolvane Label"));
        EXPECT_TRUE(cupsd.jobAttributes(2).isEmpty());
        const QList<QByteArray> jobs = printer.received();
        EXPECT_EQ(jobs.size(), 1);
        return jobs.isEmpty() ? QByteArray() : jobs.first();
    }

    // The log as its file holds it, read afresh.
    std::unique_ptr<QVMailingLog> logOnDisk()
    {
        QString error;
        auto log = QVMailingLog::logWithPath(QDir(support.path()).filePath(QVMailingLogFileName), &error);
        EXPECT_TRUE(log) << error.toStdString();
        return log;
    }

    std::string alertsText() const
    {
        std::string text;
        for (const Alert &alert : dialogs->alerts)
            text += alert.messageText.toStdString() + ": " + alert.informativeText.toStdString() + "\n";
        return text;
    }

    QTemporaryDir support;
    QTemporaryDir work;
    LoopbackPrinter printer;
    PrivateCupsd cupsd;
    FakePostageServer postage;
    FakeLabelNumberServer labelNumbers;
    FakeLabelServer labelServer;
    std::shared_ptr<Host> host = std::make_shared<Host>();
    std::shared_ptr<Window> window = std::make_shared<Window>();
    int logChanges = 0;
    QStringList statesAtLogWrite;
    QVPrintFlow flow;

private:
    bool m_hadSupportDir = false;
    QByteArray m_previousSupportDir;
    NotificationObserver m_willChange;
    NotificationObserver m_didChange;
};

} // namespace

TEST_F(PrintFlowEndToEndTest, LocalIndiciumRoadLogsThePieceThenItsLabelCarriesTheServersIndicium)
{
    defaults().setString(labelNumbers.host(), QVLabelServiceServerDefaultsKey);
    labelNumbers.setPicNumberReply("<Status>0</Status><LabelNumber>9405511899223197428490</LabelNumber>"
                                   "<BarcodeNumber>420021349405511899223197428490</BarcodeNumber>"
                                   "<DisplayLabelNumber>9405 5118 9922 3197 4284 90</DisplayLabelNumber>"
                                   "<MailerID>899223197</MailerID>");

    ASSERT_TRUE(flow.printLabelAsATest(false)) << alertsText();
    EXPECT_FALSE(flow.lastShipmentErrored());
    EXPECT_TRUE(dialogs->alerts.isEmpty()) << alertsText();

    // Status, then (inside the purchase) status and indicium; all accepted.
    QList<int> wires;
    for (const FakePostageRequest &request : postage.requests()) {
        EXPECT_TRUE(request.accepted) << request.refusal.toStdString();
        wires << request.wireType;
    }
    EXPECT_EQ(wires, (QList<int>{kStatusWire, kStatusWire, kIndiciumWire}));
    ASSERT_TRUE(labelNumbers.lastPicNumberRequest());

    // The log was written once, before the scheduler had any job.
    EXPECT_EQ(logChanges, 1);
    ASSERT_FALSE(statesAtLogWrite.isEmpty());
    statesAtLogWrite.removeDuplicates();
    EXPECT_EQ(statesAtLogWrite, QStringList{QStringLiteral("file present, job 1 absent")});
    const QByteArray job = theOneJob();
    ASSERT_TRUE(job.startsWith("%PDF-"));

    // The logged piece, read back from its file: the server's number and
    // piece count (the raw indicium bytes stay out of the log).
    const auto log = logOnDisk();
    ASSERT_TRUE(log);
    ASSERT_EQ(log->itemsInLog(), 1);
    const auto logged = log->shipmentAtIndex(0);
    EXPECT_EQ(logged->objectForKey(QVUSPSShipmentPICKey).toString(), QStringLiteral("9405511899223197428490"));
    EXPECT_EQ(logged->objectForKey(QVUSPSShipmentRHOPieceCountKey).toLongLong(), 4242);
    EXPECT_FALSE(indiciumData(*logged));

    // The label's symbol: the 98 bytes the server sent, then the weight and
    // the mailed-from ZIP (80202, little-endian) that the client appends;
    // exactly the bytes the print copy holds.
    const QByteArray decoded = pdf417OfPdf(job);
    EXPECT_EQ(decoded.left(98), serverIndicium());
    ASSERT_EQ(decoded.size(), 98 + 6);
    EXPECT_EQ(decoded.mid(100), QByteArray::fromHex("4a390100"));
    ASSERT_TRUE(flow.lastPrintCopy());
    EXPECT_EQ(std::optional<QByteArray>(decoded), indiciumData(*flow.lastPrintCopy()));
}

TEST_F(PrintFlowEndToEndTest, LabelServerRoadLogsThePieceThenItsLabelArrivesAtTheQueue)
{
    // The label server's label: a PDF417 symbol drawn by zint.
    const QByteArray labelText = "Label server label 9400100000000000000017";
    const QString labelPng = work.filePath(QStringLiteral("label.png"));
    QString error;
    int exitCode = -1;
    ASSERT_TRUE(
        runTool(QStringLiteral("zint"),
                {QStringLiteral("--barcode=55"), QStringLiteral("--scale=3"), QStringLiteral("--output=") + labelPng,
                 QStringLiteral("--data=") + QString::fromLatin1(labelText)},
                nullptr, &error, &exitCode))
        << error.toStdString();
    ASSERT_EQ(exitCode, 0) << error.toStdString();
    QFile png(labelPng);
    ASSERT_TRUE(png.open(QIODevice::ReadOnly));
    LabelParts parts;
    parts.parts = {{1, png.readAll()}};
    labelServer.setLabelParts(parts);
    defaults().setString(labelServer.host(), QVLabelServiceServerDefaultsKey);
    defaults().setBool(true, QVUseVLSForEverythingDomesticKey);

    ASSERT_TRUE(flow.printLabelAsATest(false)) << alertsText();
    EXPECT_FALSE(flow.lastShipmentErrored());
    EXPECT_TRUE(dialogs->alerts.isEmpty()) << alertsText();

    // The balance came from the postage server, the label from the label
    // server; no indicium was bought.
    QList<int> wires;
    for (const FakePostageRequest &request : postage.requests())
        wires << request.wireType;
    EXPECT_EQ(wires, QList<int>{kStatusWire});
    const auto request = labelServer.lastReceived();
    ASSERT_TRUE(request);
    EXPECT_EQ(request->path, FakeLabelServer::LabelPath);

    EXPECT_EQ(logChanges, 1);
    ASSERT_FALSE(statesAtLogWrite.isEmpty());
    statesAtLogWrite.removeDuplicates();
    EXPECT_EQ(statesAtLogWrite, QStringList{QStringLiteral("file present, job 1 absent")});
    const QByteArray job = theOneJob();
    ASSERT_TRUE(job.startsWith("%PDF-"));
    EXPECT_EQ(pdf417OfPdf(job), labelText);

    const auto log = logOnDisk();
    ASSERT_TRUE(log);
    ASSERT_EQ(log->itemsInLog(), 1);
    EXPECT_EQ(log->shipmentAtIndex(0)->objectForKey(QVUSPSShipmentOriginServerKey).toString(),
              QVUSPSShipmentOriginTolvane);
    EXPECT_FALSE(indiciumData(*log->shipmentAtIndex(0)));
    // The reply is kept for reprints in the support folder's label archive.
    EXPECT_EQ(QDir(QDir(support.path()).filePath(QStringLiteral("Labels"))).entryList(QDir::Files).size(), 1);
}

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

} // namespace

// Over each damaged log file, on both roads: nothing is bought, nothing
// prints, the file stays byte for byte as it was, and the user is told.
TEST_F(PrintFlowEndToEndTest, ADamagedLogPrintsNoPaidPieceOnEitherRoad)
{
    defaults().setString(labelNumbers.host(), QVLabelServiceServerDefaultsKey);
    const QString logFile = QDir(support.path()).filePath(QVMailingLogFileName);
    for (const bool labelServerRoad : {false, true}) {
        defaults().setBool(labelServerRoad, QVUseVLSForEverythingDomesticKey);
        for (const DamagedMailingLog &damaged : damagedMailingLogs()) {
            SCOPED_TRACE(qPrintable(damaged.name + (labelServerRoad ? " (label server)" : " (local)")));
            QFile file(logFile);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(damaged.content);
            file.close();
            QVMailingLog::resetSharedMailingLog();
            dialogs->alerts.clear();

            EXPECT_FALSE(flow.printLabelAsATest(false));
            EXPECT_TRUE(flow.lastShipmentErrored());
            EXPECT_EQ(bytesOf(logFile), damaged.content);
            ASSERT_FALSE(dialogs->alerts.isEmpty());
            EXPECT_TRUE(dialogs->alerts.last().informativeText.contains(QStringLiteral("Nothing was charged.")))
                << alertsText();
            EXPECT_TRUE(postage.requests().isEmpty());
            EXPECT_FALSE(labelServer.lastReceived());
            EXPECT_FALSE(labelNumbers.lastPicNumberRequest());
            EXPECT_EQ(logChanges, 0);
            EXPECT_FALSE(QFileInfo::exists(QDir(support.path()).filePath(QVMailingLogPendingFileName)));
        }
    }
    EXPECT_TRUE(cupsd.jobAttributes(1).isEmpty());
    EXPECT_TRUE(printer.received().isEmpty());
}

// The postage is bought, then the log cannot save the entry (its file's
// place is taken, as on a full disk): the entry is kept beside the log and
// the user told before the piece prints; where it cannot be kept either,
// the piece does not print.
TEST_F(PrintFlowEndToEndTest, APaidPieceThatTheLogRefusesPrintsOnlyWithItsEntryKept)
{
    defaults().setString(labelNumbers.host(), QVLabelServiceServerDefaultsKey);
    labelNumbers.setPicNumberReply("<Status>0</Status><LabelNumber>9405511899223197428490</LabelNumber>"
                                   "<BarcodeNumber>420021349405511899223197428490</BarcodeNumber>"
                                   "<DisplayLabelNumber>9405 5118 9922 3197 4284 90</DisplayLabelNumber>"
                                   "<MailerID>899223197</MailerID>");
    const QString logFile = QDir(support.path()).filePath(QVMailingLogFileName);
    const QString pendingFile = QDir(support.path()).filePath(QVMailingLogPendingFileName);
    ASSERT_TRUE(sharedMailingLog()->canWriteToLog());
    ASSERT_TRUE(QDir().mkpath(logFile));

    ASSERT_TRUE(flow.printLabelAsATest(false)) << alertsText();
    ASSERT_EQ(dialogs->alerts.size(), 1) << alertsText();
    EXPECT_EQ(dialogs->alerts.first().messageText, QStringLiteral("The mailing log could not be saved."));
    EXPECT_TRUE(dialogs->alerts.first().informativeText.contains(QStringLiteral("9405511899223197428490")));
    const auto pending = QVMailingLog::logWithPath(pendingFile);
    ASSERT_TRUE(pending);
    ASSERT_EQ(pending->itemsInLog(), 1);
    EXPECT_EQ(pending->shipmentAtIndex(0)->objectForKey(QVUSPSShipmentPICKey).toString(),
              QStringLiteral("9405511899223197428490"));
    EXPECT_TRUE(theOneJob().startsWith("%PDF-"));

    // Neither the log nor the waiting file can take the next entry: the
    // piece, although bought, does not print.
    ASSERT_TRUE(QFile::remove(pendingFile));
    ASSERT_TRUE(QDir().mkpath(pendingFile));
    FakePostageReply status;
    status.serialNumber = 1234567;
    status.descendingRegister = 92050;
    FakePostageReply indicium = status;
    indicium.pieceCount = 4243;
    indicium.descendingRegister = 84100;
    indicium.indicium = serverIndicium();
    postage.queueReplies(kStatusWire, {status, status});
    postage.queueReplies(kIndiciumWire, {indicium});
    dialogs->alerts.clear();
    flow.setCurrentShipmentIsGo(false);
    EXPECT_FALSE(flow.printLabelAsATest(false));
    ASSERT_EQ(dialogs->alerts.size(), 1) << alertsText();
    EXPECT_TRUE(dialogs->alerts.first().informativeText.contains(QStringLiteral("so it was not printed")))
        << alertsText();
    int indiciumRequests = 0;
    for (const FakePostageRequest &request : postage.requests())
        indiciumRequests += request.wireType == kIndiciumWire ? 1 : 0;
    EXPECT_EQ(indiciumRequests, 2);
    EXPECT_TRUE(cupsd.jobAttributes(2).isEmpty());
    EXPECT_EQ(printer.received().size(), 1);
}
