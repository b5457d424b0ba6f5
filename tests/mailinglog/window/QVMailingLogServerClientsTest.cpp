// The log window's server work through the program's own clients (the
// services object without a fake) against local stand-ins: refunds from a
// file through the postage-server client and the fake postage server, the
// partner label service's refund of one piece, tracking one piece
// through the USPS Web Tools client, and same-day reprints through the
// postage-server client (the label's PDF read back with the poppler tools
// and its PDF417 symbol with ZXingReader).
#include "MailingLogWindowTestSupport.h"

#include "platform/HttpClient.h"
#include "services/QVBRKLabelServerCommandCenter.h"
#include "services/QVCommandCenter.h"
#include "services/QVRHOCommandCenter.h"
#include "services/usps/QVUSPSCommandCenter.h"

#include "FakeLabelServers.h"
#include "FakePostageServer.h"
#include "FakeUSPSWebToolsServer.h"
#include "LocalHttpServer.h"
#include "ViewTestSupport.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "rates/QVUSPSRateClassNames.h"

#include <QFile>
#include <QRegularExpression>

using namespace tolvane::test;

namespace {

const QString kPIC = QStringLiteral("9405511899223197428036");
const QDateTime kNow = QDateTime(QDate(2026, 6, 15), QTime(12, 0));
constexpr int kRefundWire = 51;

QVariantMap stampPiece(const QString &invoice, const QString &pic, qint64 pieceCount)
{
    QVariantMap entry = piece(invoice, kNow.addDays(-2), pic);
    entry.insert(QVUSPSShipmentPostageEnabledKey, true);
    entry.insert(QVUSPSShipmentRHOTransactionTypeKey, QStringLiteral("Stamp"));
    entry.insert(QVUSPSShipmentRHOPieceCountKey, pieceCount);
    return entry;
}

FakePostageReply postageReply(quint32 code)
{
    FakePostageReply reply;
    reply.returnCode = code;
    reply.serialNumber = 1234567;
    return reply;
}

// Clients made afresh around every test and forgotten after it.
class ServerClientsTest : public LogWindowTest
{
protected:
    void SetUp() override
    {
        LogWindowTest::SetUp();
        QVCommandCenter::resetSharedInstancesForTesting();
        setHttpCAFile(LocalHttpServer::testCertificateAuthorityFile());
        setMailingLogWindowServices(nullptr);
    }
    void TearDown() override
    {
        setHttpCAFile(QString());
        QVCommandCenter::resetSharedInstancesForTesting();
        LogWindowTest::TearDown();
    }

    void writeFile(const QString &name, const QByteArray &data)
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
    }
    bool isVoid(const QString &invoice) const
    {
        return QVShipment(entryNamed(invoice)).objectForKey(QVShipmentVoidKey).toBool();
    }
};

class PostageServerRefundFileTest : public ServerClientsTest
{
protected:
    void SetUp() override
    {
        ServerClientsTest::SetUp();
        ASSERT_TRUE(server.isReady()) << server.errorString().toStdString();
        server.setAccount("1234567", "open sesame");
        client = QVRHOCommandCenter::commandCenter();
        client->setServer(server.baseUrl());
        client->setUseridAndPassword(QStringLiteral("1234567"), QStringLiteral("open sesame"));
        client->setServerModulus(FakePostageServer::modulusHex());
        client->setRequestTimeoutMilliseconds(10000);
    }

    // The piece counts of the refunds the server took, in order.
    QList<quint32> refundedPieces() const
    {
        QList<quint32> pieces;
        for (const FakePostageRequest &request : server.requests()) {
            EXPECT_TRUE(request.accepted) << qPrintable(request.refusal);
            if (request.wireType == kRefundWire)
                pieces << request.outerParameter;
        }
        return pieces;
    }
    // Runs the refund file with "Process Refund" answered; the summary.
    QString refund(QVMailingLogController &controller, const QString &file)
    {
        m_dialogs->alerts.clear();
        m_dialogs->openPaths = {path(file)};
        m_dialogs->answers = {1};
        controller.importFlatPICFileForRefunding();
        return m_dialogs->alerts.isEmpty() ? QString() : m_dialogs->alerts.last().informativeText;
    }

    FakePostageServer server;
    std::shared_ptr<QVRHOCommandCenter> client;
};

TEST_F(PostageServerRefundFileTest, EachPieceIsRefundedOnceAndOnlyAcceptedPiecesAreVoided)
{
    const QString pic2 = QStringLiteral("4206270194055118992231974281");
    add(stampPiece(QStringLiteral("A"), kPIC, 11));
    add(stampPiece(QStringLiteral("B"), pic2, 12));
    QVariantMap voided = stampPiece(QStringLiteral("C"), QStringLiteral("9405511899223197428099"), 13);
    voided.insert(QVShipmentVoidKey, true);
    add(voided);
    add(stampPiece(QStringLiteral("D"), QStringLiteral("9405511899223197428077"), 14));
    // A, an empty line, an unknown number, B in log form, A again, the void
    // piece, D.
    writeFile(QStringLiteral("refunds.txt"),
              kPIC.toUtf8() + "\r\n\r\n0000000000\n" + pic2.mid(8).toUtf8() + "\n" + kPIC.toUtf8() +
                  "\n9405511899223197428099\n9405511899223197428077\n");
    // A and B accepted, D refused with a code the client has no text for.
    server.queueReplies(kRefundWire, {postageReply(1), postageReply(1), postageReply(101)});

    QVMailingLogController controller(m_log.get());
    controller.windowDidLoad();
    const QString summary = refund(controller, QStringLiteral("refunds.txt"));
    ASSERT_EQ(m_dialogs->alerts.size(), 2);
    EXPECT_TRUE(m_dialogs->alerts.first().informativeText.contains(QStringLiteral("3 pieces")));
    EXPECT_EQ(refundedPieces(), QList<quint32>({11, 12, 14}));
    EXPECT_TRUE(isVoid(QStringLiteral("A")));
    EXPECT_TRUE(isVoid(QStringLiteral("B")));
    EXPECT_TRUE(isVoid(QStringLiteral("C")));
    EXPECT_FALSE(isVoid(QStringLiteral("D")));
    EXPECT_TRUE(summary.contains(QStringLiteral("Refunded: 2"))) << qPrintable(summary);
    EXPECT_TRUE(summary.contains(QStringLiteral("Refused: 1"))) << qPrintable(summary);
    EXPECT_TRUE(summary.contains(QStringLiteral("Not found in the log: 1"))) << qPrintable(summary);
    EXPECT_TRUE(summary.contains(QStringLiteral("Void or without a piece count: 1"))) << qPrintable(summary);
    // The server answered: its refusal is no missing answer.
    EXPECT_TRUE(summary.contains(QStringLiteral("return code 101"))) << qPrintable(summary);
    EXPECT_FALSE(summary.contains(QStringLiteral("no answer"))) << qPrintable(summary);

    // The same file again: only the refused piece is left to ask for.
    server.queueReplies(kRefundWire, {postageReply(1)});
    const QString again = refund(controller, QStringLiteral("refunds.txt"));
    ASSERT_EQ(m_dialogs->alerts.size(), 2);
    EXPECT_TRUE(m_dialogs->alerts.first().informativeText.contains(QStringLiteral("1 piece ")))
        << qPrintable(m_dialogs->alerts.first().informativeText);
    EXPECT_EQ(refundedPieces(), QList<quint32>({11, 12, 14, 14}));
    EXPECT_TRUE(isVoid(QStringLiteral("D")));
    EXPECT_TRUE(again.contains(QStringLiteral("Refunded: 1"))) << qPrintable(again);
    EXPECT_TRUE(again.contains(QStringLiteral("Void or without a piece count: 3"))) << qPrintable(again);
}

TEST_F(PostageServerRefundFileTest, EachFailureShowsItsOwnReasonAndVoidsNothing)
{
    add(stampPiece(QStringLiteral("X"), kPIC, 21));
    writeFile(QStringLiteral("one.txt"), kPIC.toUtf8() + "\n");
    QVMailingLogController controller(m_log.get());
    controller.windowDidLoad();
    const QString wrongPassPhrase = QStringLiteral("The Pass Phrase you entered was not correct.");

    // A refusal with the client's text for its code.
    server.setAccount("1234567", "another phrase");
    QString summary = refund(controller, QStringLiteral("one.txt"));
    EXPECT_TRUE(summary.contains(QStringLiteral("Refused: 1"))) << qPrintable(summary);
    EXPECT_TRUE(summary.contains(wrongPassPhrase)) << qPrintable(summary);

    // An empty reply (the server took the request for another account): no
    // answer, never the reason of the refusal before.
    server.setAccount("7654321", "open sesame");
    summary = refund(controller, QStringLiteral("one.txt"));
    EXPECT_EQ(server.requests().size(), 2);
    EXPECT_TRUE(summary.contains(QStringLiteral("Refused: 1"))) << qPrintable(summary);
    EXPECT_FALSE(summary.contains(wrongPassPhrase)) << qPrintable(summary);

    // No server: the client's transport error.
    client->setServer(QStringLiteral("http://127.0.0.1:1"));
    summary = refund(controller, QStringLiteral("one.txt"));
    EXPECT_FALSE(client->lastErrorDescription().isEmpty());
    EXPECT_TRUE(summary.contains(client->lastErrorDescription())) << qPrintable(summary);
    EXPECT_FALSE(isVoid(QStringLiteral("X")));
}

// Same-day reprints through the postage-server client: the label is printed
// on plain paper to a PDF file only when the server issued the indicium of
// this very piece again.
class PostageServerReprintTest : public PostageServerRefundFileTest
{
protected:
    static constexpr int kReprintWire = 29;
    static constexpr quint32 kPieceCount = 4242;

    void SetUp() override
    {
        PostageServerRefundFileTest::SetUp();
        PrintInfo plain;
        plain.jobDisposition = PrintInfo::JobDisposition::Save;
        plain.savePath = pdfPath();
        QVPrinterSetupController::sharedController()->setPlainPaperPrintInfo(plain);
        // Printed today for 7.15 to ZIP 62701.
        QVariantMap entry = stampPiece(QStringLiteral("R"), kPIC, kPieceCount);
        entry.insert(QVShipmentPrintDateKey, now);
        entry.insert(QVShipmentShipDateKey, now);
        entry.insert(QVShipmentFromAddressKey, recipient(QStringLiteral("Sender")));
        entry.insert(QVUSPSShipmentSizeKey, QVUSPSRegularSize);
        entry.insert(QVUSPSShipmentMailedFromZIP5Key, QStringLiteral("10001"));
        entry.insert(QVShipmentPriceKey, QStringLiteral("7.15"));
        add(entry);
    }

    QString pdfPath() const { return path(QStringLiteral("reprint.pdf")); }
    // The label's text (it is turned on the page: compared without white
    // space).
    QString labelText() const { return pdfText(pdfPath(), QStringLiteral("-raw")).remove(QRegularExpression("\\s")); }
    // The server's reissue of the piece.
    FakePostageReply reissue() const
    {
        FakePostageReply reply = postageReply(1);
        reply.pieceCount = kPieceCount;
        reply.referenceID = "62701";
        reply.transactionAmountMils = 7150;
        reply.returnDateTime = now.toString(QStringLiteral("yyyyMMddHHmm")).toLatin1();
        reply.indicium = QByteArray("REPRINT-INDICIUM-").leftJustified(98, 'x');
        return reply;
    }
    // Reprint answered "Reprint" (1) or "Test Reprint" (2).
    QVMailingLogController::ReprintOutcome reprint(int answer = 1)
    {
        QVMailingLogController controller(m_log.get());
        controller.windowDidLoad();
        controller.selectRow(0);
        m_dialogs->alerts.clear();
        m_dialogs->answers = {answer};
        return controller.reprint(now);
    }

    const QDateTime now = QDateTime::currentDateTime();
};

TEST_F(PostageServerReprintTest, ARefusedOrMismatchingReprintPrintsNothing)
{
    struct Case {
        const char *name;
        FakePostageReply reply;
        QString clientAlert; // empty: the client shows nothing
    };
    FakePostageReply otherPiece = reissue();
    otherPiece.pieceCount = kPieceCount + 1;
    FakePostageReply otherAmount = reissue();
    otherAmount.transactionAmountMils = 7160;
    const QList<Case> cases = {
        {"refused", postageReply(101), QStringLiteral("Could not complete transaction.")},
        {"another piece", otherPiece, QString()},
        {"another amount", otherAmount, QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        server.queueReplies(kReprintWire, {c.reply});
        EXPECT_EQ(reprint(), QVMailingLogController::ReprintOutcome::None);
        ASSERT_FALSE(server.requests().isEmpty());
        EXPECT_EQ(server.requests().last().wireType, kReprintWire);
        EXPECT_EQ(server.requests().last().outerParameter, kPieceCount);
        EXPECT_FALSE(QFile::exists(pdfPath()));
        ASSERT_EQ(m_dialogs->alerts.size(), c.clientAlert.isEmpty() ? 1 : 2);
        EXPECT_EQ(m_dialogs->alerts.first().messageText, QStringLiteral("Reprint Request"));
        if (!c.clientAlert.isEmpty()) {
            EXPECT_EQ(m_dialogs->alerts.last().messageText, c.clientAlert);
        }
    }
}

TEST_F(PostageServerReprintTest, AReissuedIndiciumPrintsTheLabelWithIt)
{
    server.queueReplies(kReprintWire, {reissue()});
    EXPECT_EQ(reprint(), QVMailingLogController::ReprintOutcome::Label);
    EXPECT_EQ(m_dialogs->alerts.size(), 1);
    ASSERT_TRUE(QFile::exists(pdfPath()));
    for (const char *tool : {"pdftotext", "pdfinfo", "pdftoppm", "ZXingReader"})
        if (!haveProgram(QString::fromLatin1(tool)))
            GTEST_SKIP() << tool << " is not installed";
    EXPECT_EQ(pdfPageCount(pdfPath()), 1);
    const QString text = labelText();
    EXPECT_TRUE(text.contains(QStringLiteral("SPRINGFIELD"), Qt::CaseInsensitive)) << qPrintable(text);
    EXPECT_FALSE(text.contains(QStringLiteral("VOID-DONOTMAIL"))) << qPrintable(text);
    // The label's PDF417 symbol holds the indicium the server issued again.
    const QImage page = pdfRaster(pdfPath(), 300);
    ASSERT_FALSE(page.isNull());
    const QString png = path(QStringLiteral("reprint.png"));
    ASSERT_TRUE(page.save(png));
    EXPECT_TRUE(zxingBytes(png, QStringLiteral("PDF417")).startsWith(reissue().indicium));
}

TEST_F(PostageServerReprintTest, ATestReprintAsksNoServerAndPrintsAVoidLabel)
{
    EXPECT_EQ(reprint(2), QVMailingLogController::ReprintOutcome::Test);
    EXPECT_TRUE(server.requests().isEmpty());
    ASSERT_TRUE(QFile::exists(pdfPath()));
    if (!haveProgram(QStringLiteral("pdftotext")))
        GTEST_SKIP() << "pdftotext is not installed";
    const QString text = labelText();
    EXPECT_TRUE(text.contains(QStringLiteral("VOID-DONOTMAIL"))) << qPrintable(text);
}

const QString kPartnerNamespace = QStringLiteral("urn:tolvane-test:partner/2010/06");

class PartnerRefundTest : public ServerClientsTest
{
protected:
    void SetUp() override
    {
        ServerClientsTest::SetUp();
        ASSERT_TRUE(partner.isListening());
        UserDefaults &defaults = UserDefaults::standardUserDefaults();
        defaults.setString(partner.host(), QVBRKServerDefaultsKey);
        defaults.setString(kPartnerNamespace, QVBRKServiceNamespaceDefaultsKey);
        defaults.setString(QStringLiteral("brk-partner"), QVBRKRequesterIDDefaultsKey);
        defaults.setString(QStringLiteral("BRK-0042"), QVBRKAccountIDDefaultsKey);
        defaults.setString(QStringLiteral("partner phrase"), QVBRKPasswordDefaultsKey);
        defaults.setBool(true, QVBRKEnabledDefaultsKey);
        QVBRKLabelServerCommandCenter::commandCenter()->setRequestTimeoutMilliseconds(10000);
    }

    FakePartnerServer partner{kPartnerNamespace};
};

TEST_F(PartnerRefundTest, ThePartnersAnswerDecidesTheVoid)
{
    struct Case {
        QString name;
        std::optional<QString> resultText;
        bool voided;
        QString message;
        bool clientError; // the informative text is the client's error
    };
    // The built answer approves; a result text, once set, stays.
    const QList<Case> cases = {
        {QStringLiteral("approved"), std::nullopt, true, QStringLiteral("Electronic Refund Request Accepted"), false},
        {QStringLiteral("refused"),
         QStringLiteral("<RefundResponse><RefundList><CustomsID>%1</CustomsID><IsApproved>NO</IsApproved>"
                        "<ErrorMsg>Already refunded &amp; closed.</ErrorMsg></RefundList></RefundResponse>")
             .arg(kPIC),
         false, QStringLiteral("Already refunded & closed."), false},
        {QStringLiteral("no document"), QStringLiteral("Refund refused: <b>not XML"), false,
         QStringLiteral("Could not complete transaction."), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(qPrintable(c.name));
        // A partner piece two years old: the refund goes by its number.
        QVariantMap entry = piece(QStringLiteral("P"), kNow.addYears(-2), kPIC);
        entry.insert(QVUSPSShipmentOriginServerKey, QVUSPSShipmentOriginBriskoOne);
        m_log->setLogArray({QVShipment(entry).plist()});
        m_dialogs->alerts.clear();
        m_dialogs->answers = {1};
        if (c.resultText)
            partner.setResultText(*c.resultText);
        const qsizetype before = partner.received().size();

        QVMailingLogController controller(m_log.get());
        controller.windowDidLoad();
        controller.electronicRefund(kNow);
        EXPECT_EQ(partner.refusals(), QStringList());
        const QList<ReceivedDocument> received = partner.received();
        ASSERT_EQ(received.size(), before + 1);
        EXPECT_EQ(received.last().method, QByteArray("RefundRequest"));
        const XmlElement *list = received.last().document.child(QStringLiteral("RefundList"));
        ASSERT_TRUE(list);
        ASSERT_EQ(list->children.size(), 1);
        EXPECT_EQ(list->children.first().text, kPIC);
        EXPECT_EQ(m_log->shipmentAtIndex(0)->objectForKey(QVShipmentVoidKey).toBool(), c.voided);
        ASSERT_EQ(m_dialogs->alerts.size(), 2);
        EXPECT_EQ(m_dialogs->alerts.last().messageText, c.message);
        if (c.clientError) {
            const QString error = QVBRKLabelServerCommandCenter::commandCenter()->lastErrorDescription();
            EXPECT_FALSE(error.isEmpty());
            EXPECT_EQ(m_dialogs->alerts.last().informativeText, error);
        }
    }
}

class TrackOnePieceTest : public ServerClientsTest
{
protected:
    void SetUp() override
    {
        ServerClientsTest::SetUp();
        ASSERT_TRUE(usps.isListening());
        UserDefaults::standardUserDefaults().setString(usps.host(), QVUSPSWebToolsServerDefaultsKey);
        UserDefaults::standardUserDefaults().setString(usps.secureHost(), QVUSPSWebToolsSecureServerDefaultsKey);
        QVUSPSCommandCenter::commandCenter()->setRequestTimeoutMilliseconds(10000);
    }

    FakeUSPSWebToolsServer usps;
};

QByteArray trackReply(const QByteArray &info)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TrackResponse><TrackInfo ID=\"" + kPIC.toUtf8() + "\">" +
        info + "</TrackInfo></TrackResponse>";
}

TEST_F(TrackOnePieceTest, TheTrackReplySetsTheEntrysStatus)
{
    struct Case {
        QString name;
        QString stored;
        QByteArray reply;
        QString expected;      // the status after tracking
        QStringList documents; // the request documents, in order
        QString message;
    };
    const QStringList both = {QStringLiteral("TrackRequest"), QStringLiteral("TrackFieldRequest")};
    const QStringList summaryOnly = {QStringLiteral("TrackRequest")};
    const QList<Case> cases = {
        {QStringLiteral("delivered abroad"), QString(),
         trackReply("<TrackSummary><Event>Delivered Abroad</Event></TrackSummary>"), QVShipmentDeliveredStatus, both,
         QStringLiteral("Delivered Abroad")},
        {QStringLiteral("undeliverable"), QVShipmentUndeliveredStatus,
         trackReply("<TrackSummary><Event>undeliverable as addressed</Event></TrackSummary>"),
         QVShipmentDeliveryExceptionStatus, both, QStringLiteral("undeliverable as addressed")},
        {QStringLiteral("in transit"), QVShipmentDeliveryExceptionStatus,
         trackReply("<TrackSummary><Event>ARRIVAL AT UNIT</Event></TrackSummary>"), QVShipmentUndeliveredStatus, both,
         QStringLiteral("ARRIVAL AT UNIT")},
        {QStringLiteral("delivered is never asked again"), QVShipmentDeliveredStatus,
         trackReply("<TrackSummary><Event>ARRIVAL AT UNIT</Event></TrackSummary>"), QVShipmentDeliveredStatus,
         summaryOnly, QStringLiteral("ARRIVAL AT UNIT")},
        {QStringLiteral("error"), QVShipmentUndeliveredStatus,
         trackReply("<Error><Number>-2147219283</Number><Description>No record.</Description></Error>"),
         QVShipmentUndeliveredStatus, summaryOnly, QStringLiteral("-2147219283\n\nNo record.")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(qPrintable(c.name));
        QVariantMap entry = piece(QStringLiteral("T"), kNow, kPIC);
        if (!c.stored.isEmpty())
            entry.insert(QVShipmentDeliveryStatusKey, c.stored);
        m_log->setLogArray({QVShipment(entry).plist()});
        m_dialogs->alerts.clear();
        usps.setReply("TrackV2", c.reply);
        const qsizetype before = usps.received().size();

        QVMailingLogController controller(m_log.get());
        controller.windowDidLoad();
        controller.checkStatus();
        const QList<USPSWebToolsRequest> received = usps.received().mid(before);
        QStringList documents;
        for (const USPSWebToolsRequest &request : received) {
            documents << request.document.name;
            EXPECT_EQ(request.api, QByteArray("TrackV2"));
            const XmlElement *id = request.document.find(QStringLiteral("TrackID"));
            ASSERT_TRUE(id);
            EXPECT_EQ(id->attributes.value(QStringLiteral("ID")), kPIC);
        }
        EXPECT_EQ(documents, c.documents);
        EXPECT_EQ(m_log->shipmentAtIndex(0)->objectForKey(QVShipmentDeliveryStatusKey).toString(), c.expected);
        ASSERT_EQ(m_dialogs->alerts.size(), 1);
        EXPECT_EQ(m_dialogs->alerts.first().messageText, QStringLiteral("Track/Confirm Results"));
        EXPECT_EQ(m_dialogs->alerts.first().informativeText, c.message);
        EXPECT_EQ(controller.selectedRow(), std::optional<qsizetype>(0));
    }
}

TEST_F(TrackOnePieceTest, AReplyThatIsNoDocumentShowsTheClientsErrorAndChangesNothing)
{
    add(piece(QStringLiteral("T"), kNow, kPIC));
    usps.setReply("TrackV2", "<TrackResponse><TrackInfo>");
    QVMailingLogController controller(m_log.get());
    controller.windowDidLoad();
    controller.checkStatus();
    EXPECT_EQ(usps.receivedCount(), 1);
    const QString error = QVUSPSCommandCenter::commandCenter()->lastErrorDescription();
    EXPECT_FALSE(error.isEmpty());
    ASSERT_EQ(m_dialogs->alerts.size(), 1);
    EXPECT_EQ(m_dialogs->alerts.first().informativeText, error);
    EXPECT_FALSE(m_log->shipmentAtIndex(0)->dictionary().contains(QVShipmentDeliveryStatusKey));
}

} // namespace
