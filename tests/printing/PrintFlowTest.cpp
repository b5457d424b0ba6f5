// QVPrintFlow: the printing error reports (alerts, automation's failure
// reason, the errored flag and the progress panel), the customs-form and
// barcode-number questions, the mailing-log hand-off, the route of a
// label-server piece, and the label-server road against the fake label
// server: archive, log entry and print in that order, test prints, refusals,
// missing replies, confirmation-only pieces, labels that do not reach the
// printer, and the preview image.
#include "LabelPartsSupport.h"
#include "LabelTestSupport.h"
#include "PrintingTestSupport.h"
#include "PrivateCupsd.h"
#include "WatchedMailingLog.h"
#include "PtyPair.h"

#include "FakeLabelServers.h"
#include "FakeMailingLog.h"
#include "LocalHttpServer.h"
#include "RecordingAutomation.h"
#include "TestSupport.h"

#include "model/QVLabelArchive.h"
#include "platform/HttpClient.h"
#include "printing/flow/QVPrintFlow.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "printing/thermal/QVEPL2LabelController.h"
#include "services/QVBRKLabelServerCommandCenter.h"
#include "services/QVCommandCenter.h"
#include "services/QVPostageServerAccount.h"
#include "services/QVRHOLabelServerCommandCenter.h"

#include <QFileInfo>
#include <gtest/gtest.h>

#include <functional>

using namespace tolvane;
using namespace tolvane::test;

namespace {

class RecordingHost final : public QVPrintFlowHost
{
public:
    QStringList texts;
    int hides = 0;
    bool automation = false;

    void setProgressTextString(const QString &text) override { texts << text; }
    void hideProgressPanel() override { ++hides; }
    bool isAutomation() override { return automation; }
};

class Account final : public QVPostageServerAccount
{
public:
    QString userid() override { return QStringLiteral("1234567"); }
    QString password() override { return QStringLiteral("secret"); }
    bool testServer() override { return false; }
    QString websiteServerName() override { return QString(); }
};

class PrintFlowTest : public PrintingTest
{
protected:
    void SetUp() override
    {
        PrintingTest::SetUp();
        QVCommandCenter::resetSharedInstancesForTesting();
        setHttpCAFile(LocalHttpServer::testCertificateAuthorityFile());
        setPostageServerAccount(std::make_shared<Account>());
        ASSERT_TRUE(server.isListening());
        defaults().setString(server.host(), QVLabelServiceServerDefaultsKey);
        QVRHOLabelServerCommandCenter::commandCenter()->setRequestTimeoutMilliseconds(10000);
        setPrintFlowHost(host);
        setAutomationServices(automation);
        setMailingLog(log);
        QDir(labelArchiveFolder()).removeRecursively();
    }
    void TearDown() override
    {
        setPrintFlowHost(nullptr);
        setAutomationServices(nullptr);
        setMailingLog(nullptr);
        setPostageServerAccount(nullptr);
        setHttpCAFile(QString());
        QVCommandCenter::resetSharedInstancesForTesting();
        QDir(labelArchiveFolder()).removeRecursively();
        PrintingTest::TearDown();
    }

    void useSerialZebra()
    {
        ASSERT_TRUE(pty.isValid());
        setSerialPortList(nullptr);
        defaults().setBool(true, QStringLiteral("zebraUseSerial"));
        defaults().setString(pty.slavePath(), QStringLiteral("zebraSerialPath"));
    }

    QStringList archiveFiles() const { return QDir(labelArchiveFolder()).entryList(QDir::Files); }

    FakeLabelServer server;
    std::shared_ptr<RecordingHost> host = std::make_shared<RecordingHost>();
    std::shared_ptr<RecordingAutomation> automation = std::make_shared<RecordingAutomation>();
    std::shared_ptr<WatchedLog> log = std::make_shared<WatchedLog>();
    PtyPair pty;
    QVPrintFlow flow;
};

} // namespace

// ---- Error reports -------------------------------------------------------------

TEST_F(PrintFlowTest, PrintingErrorsAreReportedOnlyWithACodeAndAText)
{
    struct Case {
        bool automation;
        std::optional<QString> code;
        std::optional<QString> text;
        QString informative; // empty: no alert
        QString reason;      // empty: none
    };
    const QString head = QStringLiteral("Tolvane has encountered an error while processing your shipment.");
    const QList<Case> cases{
        {false, std::nullopt, QStringLiteral("Insufficient funds"), QString(), QString()},
        {false, QStringLiteral("12"), std::nullopt, QString(), QString()},
        {false, QString(QLatin1String("")), QStringLiteral("Bad address"), head + QStringLiteral("\n\nBad address"),
         QString()},
        {false, QStringLiteral("12"), QStringLiteral("Bad address"),
         head + QStringLiteral("\n\nError 12\n\nBad address"), QString()},
        {true, QStringLiteral("12"), QStringLiteral("Bad address"), QString(),
         QStringLiteral("Error 12 - Bad address")},
        {true, QString(QLatin1String("")), QStringLiteral("Insufficient funds"), QString(),
         QStringLiteral("Error - Insufficient funds")},
        {true, std::nullopt, QStringLiteral("Insufficient funds"), QString(), QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.code.value_or(QStringLiteral("(nil)")).toStdString() + " / " +
                     c.text.value_or(QStringLiteral("(nil)")).toStdString());
        dialogs->alerts.clear();
        automation->reason.clear();
        host->hides = 0;
        host->automation = c.automation;
        flow.setLastShipmentErrored(false);
        flow.printingErrorHasOccurred(c.code, c.text);
        EXPECT_TRUE(flow.lastShipmentErrored());
        EXPECT_EQ(host->hides, 1);
        EXPECT_EQ(automation->reason, c.reason);
        if (c.informative.isEmpty()) {
            EXPECT_TRUE(dialogs->alerts.isEmpty());
        } else {
            ASSERT_EQ(dialogs->alerts.size(), 1);
            EXPECT_EQ(dialogs->alerts.first().messageText, QStringLiteral("An error has occurred."));
            EXPECT_EQ(dialogs->alerts.first().informativeText, c.informative);
        }
    }
}

TEST_F(PrintFlowTest, CustomsAndBarcodeQuestionsAnswerTheButtonAndZeroInAutomation)
{
    dialogs->answers = {1, 0};
    EXPECT_EQ(flow.customsErrorHasOccurred(QStringLiteral("7"), QStringLiteral("No form")), 1);
    EXPECT_EQ(flow.confirmErrorHasOccurred(QStringLiteral("8"), QStringLiteral("No number")), 0);
    ASSERT_EQ(dialogs->alerts.size(), 2);
    EXPECT_EQ(dialogs->alerts[0].informativeText,
              QStringLiteral("Tolvane has encountered an error while generating a customs form for your shipment. Do "
                             "you wish to continue without a customs form?\n\nError 7\n\nNo form"));
    EXPECT_EQ(dialogs->alerts[0].buttons.first().title, QStringLiteral("Print Without Customs Form"));
    EXPECT_EQ(dialogs->alerts[1].informativeText,
              QStringLiteral("Tolvane has encountered an error while generating a barcode number for your mailpiece. "
                             "Do you wish to continue without a barcode number?\n\nError 8\n\nNo number"));
    EXPECT_EQ(dialogs->alerts[1].buttons.first().title, QStringLiteral("Print Without Confirm"));
    EXPECT_EQ(dialogs->alerts[1].buttons.last().title, QStringLiteral("Cancel"));
    EXPECT_EQ(host->hides, 2);

    host->automation = true;
    dialogs->answers = {1, 1};
    EXPECT_EQ(flow.customsErrorHasOccurred(QStringLiteral("7"), QStringLiteral("No form")), 0);
    EXPECT_EQ(flow.confirmErrorHasOccurred(QStringLiteral("8"), QStringLiteral("No number")), 0);
    EXPECT_EQ(dialogs->alerts.size(), 2);
    EXPECT_FALSE(flow.lastShipmentErrored());
}

TEST_F(PrintFlowTest, TheMailingLogHandOffShowsItsSteps)
{
    EXPECT_TRUE(flow.writeShipmentToLog(*samplePriorityShipment()));
    EXPECT_EQ(host->texts, (QStringList{QStringLiteral("Writing to mailing log…"), QStringLiteral("Printing…")}));
    ASSERT_EQ(log->log.records.size(), 1);
    log->log.refuseWrites = true;
    EXPECT_FALSE(flow.writeShipmentToLog(*samplePriorityShipment()));
}

// ---- Route ---------------------------------------------------------------------------

TEST_F(PrintFlowTest, TheRouteFollowsThePrinterAndTheCustomsOverrides)
{
    auto holdForPickup = samplePriorityShipment();
    holdForPickup->setObject(QStringList{QVUSPSHoldForPickupService}, QVUSPSShipmentOptionalServicesKey);
    auto fcmi = samplePriorityShipment();
    fcmi->setObject(QVUSPSShipment2976PMICustomsFormType, QVUSPSShipmentCustomsFormTypeKey);
    auto form2976A = samplePriorityShipment();
    form2976A->setObject(QVUSPSShipment2976AEMICustomsFormType, QVUSPSShipmentCustomsFormTypeKey);
    struct Case {
        std::shared_ptr<QVShipment> shipment;
        QString printer;
        QString label;
        bool overrideFCMI;
        bool override2976A;
        QVLabelServerRoute route;
    };
    const QList<Case> cases{
        {holdForPickup,
         QVKIVOTagwrightPrinter,
         QVKIVO51207Label,
         false,
         false,
         {QVKIVOTagwrightPrinter, QVPlainPaperLabel, false}},
        {holdForPickup,
         QVKIVOTagwrightPrinter,
         QVKIVO8836105Label,
         false,
         false,
         {QVKIVOTagwrightPrinter, QVKIVO8836105Label, false}},
        {holdForPickup, QVZebra2844Printer, QVEPL2Label, false, false, {QVZebra2844Printer, QVEPL2Label, false}},
        {fcmi, QVZebra2844Printer, QVEPL2Label, true, false, {QVPlainPaperPrinter, QVPlainPaperLabel, false}},
        {fcmi, QVZebra2844Printer, QVEPL2Label, false, true, {QVZebra2844Printer, QVEPL2Label, false}},
        {form2976A,
         QVKIVOTagwrightPrinter,
         QVKIVO8836105Label,
         false,
         true,
         {QVPlainPaperPrinter, QVPlainPaperLabel, false}},
        {form2976A,
         QVKIVOTagwrightPrinter,
         QVKIVO8836105Label,
         true,
         false,
         {QVKIVOTagwrightPrinter, QVKIVO8836105Label, false}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE((c.printer + QLatin1Char(' ') + c.label).toStdString());
        defaults().setBool(c.overrideFCMI, QVOverrideFCMIPrintInfoKey);
        defaults().setBool(c.override2976A, QVOverride2976APrintInfoKey);
        EXPECT_EQ(QVPrintFlow::labelServerRouteForShipment(*c.shipment, c.printer, c.label, false), c.route);
    }
    EXPECT_TRUE(QVPrintFlow::labelServerRouteForShipment(*fcmi, QVZebra2844Printer, QVEPL2Label, true).briskoOne);
}

// ---- The label-server road ------------------------------------------------------------

TEST_F(PrintFlowTest, ARealPrintWritesTheArchiveThenTheLogEntryThenThePage)
{
    server.setLabelParts({false, {{1, pngBytes(markedImage(200, 300, Qt::red))}}});
    const QString pdf = outputPath(QStringLiteral("flow-real-print.pdf"));
    QFile::remove(pdf);
    flow.setPendingPrintInfoPropertiesForPDF(saveExtras(pdf));
    bool archivedFirst = false;
    bool printedLater = false;
    log->onWrite = [&](const QVShipment &) {
        archivedFirst = archiveFiles() == QStringList{QStringLiteral("9400100000000000000017")};
        printedLater = !QFileInfo::exists(pdf);
    };
    auto shipment = samplePriorityShipment();
    ASSERT_TRUE(flow.printShipment(*shipment, false, QVPlainPaperLabel));
    EXPECT_TRUE(archivedFirst);
    EXPECT_TRUE(printedLater);
    EXPECT_TRUE(QFileInfo::exists(pdf));
    EXPECT_EQ(host->texts,
              (QStringList{QStringLiteral("Generating shipping label…"), QStringLiteral("Writing to mailing log…"),
                           QStringLiteral("Printing…")}));
    ASSERT_EQ(log->log.records.size(), 1);
    const QVariantMap logged = log->log.records.first();
    EXPECT_EQ(logged.value(QVUSPSShipmentPICKey).toString(), QStringLiteral("9400100000000000000017"));
    EXPECT_EQ(logged.value(QVUSPSShipmentOriginServerKey).toString(), QVUSPSShipmentOriginTolvane);

    // The request: a real label of the plain-paper image format.
    ASSERT_EQ(server.received().size(), 1);
    EXPECT_EQ(server.received().first().document.attributes.value(QStringLiteral("Test")), QStringLiteral("NO"));
    EXPECT_EQ(server.received().first().document.attributes.value(QStringLiteral("ImageFormat")),
              QStringLiteral("PNGMONOCHROME"));

    // The archive, read by an independent reader.
    QByteArray out;
    const QString script = QStringLiteral(
        "import plistlib,sys\n"
        "d=plistlib.load(open(sys.argv[1],'rb'))\n"
        "print(sorted(d.keys()), d['labelType'], b'<TrackingNumber>9400100000000000000017' in d['xml'])\n");
    ASSERT_TRUE(runTool(
        QStringLiteral("python3"),
        {QStringLiteral("-c"), script, QDir(labelArchiveFolder()).filePath(QStringLiteral("9400100000000000000017"))},
        &out));
    EXPECT_EQ(out.trimmed(), QByteArray("['labelType', 'xml'] QVPlainPaperLabel True"));
}

TEST_F(PrintFlowTest, ATestPrintWritesNeitherArchiveNorLogEntry)
{
    useSerialZebra();
    server.setLabelParts({false, {{1, "N\r\nA1,1,0,1,1,1,N,\"SAMPLE\"\r\nP1\r\n"}}});
    auto shipment = samplePriorityShipment();
    const QVariantMap before = shipment->dictionary();
    ASSERT_TRUE(flow.printShipment(*shipment, true, QVEPL2Label));
    EXPECT_TRUE(pty.read(400).contains("SAMPLE"));
    EXPECT_TRUE(archiveFiles().isEmpty());
    EXPECT_TRUE(log->log.records.isEmpty());
    EXPECT_EQ(shipment->dictionary(), before);
    EXPECT_EQ(host->texts, (QStringList{QStringLiteral("Generating shipping label…"), QStringLiteral("Printing…")}));
    ASSERT_EQ(server.received().size(), 1);
    EXPECT_EQ(server.received().first().document.attributes.value(QStringLiteral("Test")), QStringLiteral("YES"));
    EXPECT_EQ(server.received().first().document.attributes.value(QStringLiteral("ImageFormat")),
              QStringLiteral("EPL2"));
}

TEST_F(PrintFlowTest, ARefusedLabelReportsTheStatusAndWritesNothing)
{
    server.setStatus(QStringLiteral("12"), QStringLiteral("Invalid destination ZIP"));
    auto shipment = samplePriorityShipment();
    EXPECT_FALSE(flow.printShipment(*shipment, false, QVPlainPaperLabel));
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_TRUE(
        dialogs->alerts.first().informativeText.endsWith(QStringLiteral("\n\nError 12\n\nInvalid destination ZIP")));
    EXPECT_TRUE(flow.lastShipmentErrored());
    EXPECT_TRUE(archiveFiles().isEmpty());
    EXPECT_TRUE(log->log.records.isEmpty());

    host->automation = true;
    EXPECT_FALSE(flow.printShipment(*shipment, false, QVPlainPaperLabel));
    EXPECT_EQ(automation->reason, QStringLiteral("Error 12 - Invalid destination ZIP"));
}

TEST_F(PrintFlowTest, ARefusalWithoutStatusOrMessageIsStillReported)
{
    struct Case {
        QByteArray reply;
        QString ending;
    };
    for (const Case &c :
         {Case{"<LabelRequestResponse><Status>7</Status></LabelRequestResponse>",
               QStringLiteral("\n\nError 7\n\nThe label server did not say why the label was refused.")},
          Case{"<LabelRequestResponse><ErrorMessage>Busy</ErrorMessage></LabelRequestResponse>",
               QStringLiteral("processing your shipment.\n\nBusy")}}) {
        dialogs->alerts.clear();
        server.setRawReply(FakeLabelServer::LabelPath, c.reply);
        auto shipment = samplePriorityShipment();
        EXPECT_FALSE(flow.printShipment(*shipment, false, QVPlainPaperLabel));
        ASSERT_EQ(dialogs->alerts.size(), 1);
        EXPECT_TRUE(dialogs->alerts.first().informativeText.endsWith(c.ending))
            << dialogs->alerts.first().informativeText.toStdString();
        EXPECT_TRUE(log->log.records.isEmpty());
    }
}

TEST_F(PrintFlowTest, ANumberThatCannotNameTheArchiveWritesNoFileYetThePaidLabelIsLoggedAndPrinted)
{
    useSerialZebra();
    server.setLabelParts({false, {{1, "N\r\nP1\r\n"}}});
    server.setLabelTexts({{QStringLiteral("TrackingNumber"), QStringLiteral("../mailinglog.plist")}});
    auto shipment = samplePriorityShipment();
    ASSERT_TRUE(flow.printShipment(*shipment, false, QVEPL2Label));
    EXPECT_TRUE(pty.read(100).endsWith("N\r\nP1\r\n"));
    EXPECT_TRUE(archiveFiles().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(QDir(supportDir()).filePath(QStringLiteral("mailinglog.plist"))));
    ASSERT_EQ(log->log.records.size(), 1);
    EXPECT_EQ(log->log.records.first().value(QVUSPSShipmentPICKey).toString(), QStringLiteral("../mailinglog.plist"));
}

TEST_F(PrintFlowTest, NoReplyReportsTheClientsLastError)
{
    server.setRawReply(FakeLabelServer::LabelPath, "this is not XML");
    auto shipment = samplePriorityShipment();
    EXPECT_FALSE(flow.printShipment(*shipment, false, QVPlainPaperLabel));
    const auto client = QVRHOLabelServerCommandCenter::commandCenter();
    ASSERT_FALSE(client->lastErrorDescription().isEmpty());
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_TRUE(dialogs->alerts.first().informativeText.contains(client->lastErrorDescription()));
    EXPECT_TRUE(dialogs->alerts.first().informativeText.contains(QStringLiteral("Error ") + client->lastErrorCode()));
    EXPECT_TRUE(log->log.records.isEmpty());
}

TEST_F(PrintFlowTest, AConfirmationOnlyPieceIsArchivedUnderItsConfirmationNumber)
{
    useSerialZebra();
    server.setLabelParts({false, {{1, "N\r\nP1\r\n"}}});
    auto letter = samplePriorityShipment();
    letter->setObject(QStringLiteral("QVUSPSFirstClassMail"), QVUSPSShipmentRateClassKey);
    letter->setObject(QStringLiteral("QVUSPSLetterSize"), QVUSPSShipmentSizeKey);
    letter->removeObjectForKey(QVUSPSShipmentPICKey);
    letter->removeObjectForKey(QVUSPSShipmentConfirmKey);
    ASSERT_TRUE(flow.printShipment(*letter, false, QVEPL2Label));
    EXPECT_FALSE(letter->objectForKey(QVUSPSShipmentPICKey).isValid());
    EXPECT_EQ(letter->objectForKey(QVUSPSShipmentConfirmKey).toString(), QStringLiteral("94001000000000000000"));
    EXPECT_EQ(archiveFiles(), QStringList{QStringLiteral("94001000000000000000")});
    const std::optional<QVArchivedLabel> archived = readLabelArchive(*letter);
    ASSERT_TRUE(archived);
    EXPECT_EQ(archived->labelType, QVEPL2Label);
    ASSERT_EQ(log->log.records.size(), 1);
}

TEST_F(PrintFlowTest, APaidLabelThatDoesNotPrintIsAnErrorAndKeepsArchiveAndLogEntry)
{
    defaults().setBool(true, QStringLiteral("zebraUseSerial"));
    defaults().setString(QStringLiteral("/dev/nonexistent-zebra"), QStringLiteral("zebraSerialPath"));
    server.setLabelParts({false, {{1, "N\r\nP1\r\n"}}});
    auto shipment = samplePriorityShipment();
    host->automation = true;
    setAutomationMode(true);
    EXPECT_FALSE(flow.printShipment(*shipment, false, QVEPL2Label));
    EXPECT_TRUE(flow.lastShipmentErrored());
    EXPECT_EQ(automation->reason, QStringLiteral("Error - The label could not be sent to the Zebra printer."));
    EXPECT_EQ(archiveFiles().size(), 1);
    EXPECT_EQ(log->log.records.size(), 1);
    setAutomationMode(false);

    // The user cancels the printer's retry alert: no second alert.
    host->automation = false;
    automation->reason.clear();
    dialogs->alerts.clear();
    flow.setLastShipmentErrored(false);
    EXPECT_FALSE(flow.printShipment(*samplePriorityShipment(), false, QVEPL2Label));
    EXPECT_EQ(dialogs->alerts.size(), 1); // the retry alert only
    EXPECT_TRUE(flow.lastShipmentErrored());
    EXPECT_EQ(log->log.records.size(), 2);
}

TEST_F(PrintFlowTest, AZPLLabelReachesTheRawQueueAfterTheLogEntry)
{
    LoopbackPrinter printer;
    PrivateCupsd cupsd;
    ASSERT_TRUE(printer.isListening());
    QString error;
    ASSERT_TRUE(cupsd.start(&error)) << error.toStdString();
    setPrintSystem(nullptr); // CUPS
    ASSERT_TRUE(cupsd.addQueue(QStringLiteral("zebra"), QStringLiteral("Zebra ZP 450 ZPL"),
                               QStringLiteral("socket://127.0.0.1:%1/?snmp=false").arg(printer.port()), &error))
        << error.toStdString();
    defaults().setBool(true, QStringLiteral("advancedZebraPath"));
    defaults().setString(QStringLiteral("zebra"), QStringLiteral("advancedZebraPathPrinterID"));
    defaults().setString(QStringLiteral("Description"), QStringLiteral("bottomCustomField"));
    const QByteArray zpl = "^XA\r\n^FO20,20^FDPRIORITY^FS\r\n^XZ\r\n";
    server.setLabelParts({true, {{2, "^XA\r\n^FDCUSTOMS^FS\r\n^XZ\r\n"}, {1, zpl}}});
    bool loggedBeforeTheJob = false;
    log->onWrite = [&](const QVShipment &) { loggedBeforeTheJob = printer.received().isEmpty(); };

    auto shipment = samplePriorityShipment();
    QVAddress to(sampleAddress(QStringLiteral("Lee Abroad"), QStringLiteral("1 Rue Haute"), QStringLiteral("Paris"),
                               QString(), QStringLiteral("75001")));
    to.setCountry(QStringLiteral("France"));
    shipment->setObject(to.plist(), QVShipmentToAddressKey);
    shipment->setObject(QStringLiteral("Books ^XZ"), QVShipmentDescriptionKey);
    ASSERT_TRUE(flow.printShipment(*shipment, false, QVZPLIILabel));
    ASSERT_TRUE(printer.waitForJobs(1));
    EXPECT_TRUE(loggedBeforeTheJob);
    const QByteArray custom = "^XA\r\n^FO15,1200^A0N,17,17^FD\r\nBooks  XZ\r\n^FS\r\n";
    // ZPL only: no EPL2 set-up lines ahead of the first "^XA".
    EXPECT_EQ(printer.received().first(),
              custom + "^FO20,20^FDPRIORITY^FS\r\n^XZ\r\n" + custom + "^FDCUSTOMS^FS\r\n^XZ\r\n");
    EXPECT_EQ(server.received().first().document.attributes.value(QStringLiteral("ImageFormat")),
              QStringLiteral("ZPLII"));
    EXPECT_TRUE(dialogs->alerts.isEmpty());
}

TEST_F(PrintFlowTest, ThePartnerRoadMarksThePieceStealthAndItsOrigin)
{
    const QString serviceNamespace = QStringLiteral("urn:tolvane-test:partner/2010/06");
    FakePartnerServer partner(serviceNamespace);
    ASSERT_TRUE(partner.isListening());
    defaults().setString(partner.host(), QVBRKServerDefaultsKey);
    defaults().setString(serviceNamespace, QVBRKServiceNamespaceDefaultsKey);
    defaults().setString(QStringLiteral("brk-partner"), QVBRKRequesterIDDefaultsKey);
    defaults().setString(QStringLiteral("BRK-0042"), QVBRKAccountIDDefaultsKey);
    defaults().setString(QStringLiteral("partner phrase"), QVBRKPasswordDefaultsKey);
    defaults().setBool(true, QVBRKEnabledDefaultsKey);
    QVBRKLabelServerCommandCenter::commandCenter()->setRequestTimeoutMilliseconds(10000);
    useSerialZebra();

    auto shipment = samplePriorityShipment();
    ASSERT_TRUE(flow.printLabelServerShipment(*shipment, false, {QVZebra2844Printer, QVEPL2Label, true}));
    EXPECT_EQ(partner.received().size(), 1);
    EXPECT_TRUE(server.received().isEmpty());
    EXPECT_TRUE(shipment->objectForKey(QVUSPSShipmentStealthPostageKey).toBool());
    EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentOriginServerKey).toString(), QVUSPSShipmentOriginBriskoOne);
    EXPECT_EQ(host->texts.first(), QStringLiteral("Generating Brisko shipping label…"));
    ASSERT_EQ(log->log.records.size(), 1);
    // The partner's label (the PNG signature as it sends it) went out raw.
    EXPECT_TRUE(pty.read(100).endsWith(QByteArray::fromBase64("iVBORw0KGgo=")));
}

TEST_F(PrintFlowTest, ThePreviewIsTheSingleImageElseTheLowestPart)
{
    server.setLabelParts({false, {{1, pngBytes(markedImage(40, 60, Qt::red))}}});
    const auto client = QVRHOLabelServerCommandCenter::commandCenter();
    std::optional<QImage> image = flow.previewImageForShipment(*samplePriorityShipment(), QVEPL2Label, *client);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), QSize(40, 60));
    EXPECT_EQ(server.received().last().document.attributes.value(QStringLiteral("ImageFormat")),
              QStringLiteral("PNGMONOCHROME"));
    EXPECT_EQ(server.received().last().document.attributes.value(QStringLiteral("Test")), QStringLiteral("YES"));
    EXPECT_EQ(host->texts.last(), QStringLiteral("Generating label preview…"));
    EXPECT_GE(host->hides, 1);

    server.setLabelParts({true,
                          {{10, pngBytes(markedImage(10, 10, Qt::red))},
                           {2, pngBytes(markedImage(20, 20, Qt::red))},
                           {9, pngBytes(markedImage(30, 30, Qt::red))}}});
    image = flow.previewImageForShipment(*samplePriorityShipment(), QVPlainPaperLabel, *client);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), QSize(20, 20));

    server.setLabelParts({false, {{1, "not an image"}}});
    EXPECT_FALSE(flow.previewImageForShipment(*samplePriorityShipment(), QVPlainPaperLabel, *client));
    EXPECT_TRUE(dialogs->alerts.isEmpty());

    server.setStatus(QStringLiteral("3"), QStringLiteral("Unknown account"));
    EXPECT_FALSE(flow.previewImageForShipment(*samplePriorityShipment(), QVPlainPaperLabel, *client));
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_TRUE(dialogs->alerts.first().informativeText.endsWith(QStringLiteral("Error 3\n\nUnknown account")));
}
