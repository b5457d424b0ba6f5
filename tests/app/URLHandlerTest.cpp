// The URL handler, opened files, Services and the socket's requests against
// fakes of the main window, the automation, the mailing log and the postage
// account: the pairs of a URL, the queue while the window is loading, the
// stamps-only edition, and the question before a URL prints or refunds.
#include "app/account/QVAccountStatus.h"
#include "app/shell/QVURLHandler.h"

#include "model/QVShipment.h"
#include "platform/UserDefaults.h"
#include "services/QVCommandCenter.h"
#include "services/usps/QVUSPSCommandCenter.h"

#include "FakeMailingLog.h"
#include "FakeUSPSWebToolsServer.h"
#include "LaunchFakes.h"
#include "AutomationFakes.h"
#include "RecordingAutomation.h"
#include "RecordingDialogs.h"

#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>

using namespace tolvane::test;

namespace {

class FakeHost : public QVURLHandlerHost
{
public:
    bool window = true;
    QStringList calls;
    QVariantMap properties;
    std::optional<std::optional<QUrl>> callbackURL;
    QList<quint32> rows;
    QStringList vcards;
    QList<QUrl> opened;
    bool openAnswer = true;

    bool hasMainWindow() override { return window; }
    void checkForUpdates() override { calls << QStringLiteral("checkForUpdates"); }
    void newPackageWithAddressString(const QString &address, const QString &email) override
    {
        calls << QStringLiteral("newPackage(%1|%2)").arg(address, email);
    }
    void setCurrentShipmentProperty(const QVariant &value, const QString &key) override
    {
        properties.insert(key, value);
    }
    void setPendingCallbackURL(const std::optional<QUrl> &url) override { callbackURL = url; }
    void highlightRow(quint32 row) override { rows << row; }
    void showMainWindow() override { calls << QStringLiteral("showMainWindow"); }
    bool processVCardFile(const QString &path) override
    {
        vcards << path;
        return true;
    }
    bool openURLInBrowser(const QUrl &url) override
    {
        opened << url;
        return openAnswer;
    }
    void activateApplication() override { calls << QStringLiteral("activate"); }
};

class FakePostage : public QVPostageAccount
{
public:
    QList<qint64> refunds;
    std::optional<QVPostageReply> refundReply = QVPostageReply{1, {}, {}, {}, {}, {}, {}, {}, {}};
    std::optional<QVPostageReply> lastValidStatusResponse() override { return std::nullopt; }
    void postLastValidStatusResponse() override {}
    std::optional<QVPostageReply> status() override { return std::nullopt; }
    std::optional<QVPostageReply> postageBuy(qint64) override { return std::nullopt; }
    std::optional<QVPostageReply> electronicRefund(qint64 piece) override
    {
        refunds << piece;
        return refundReply;
    }
    QString lastErrorDescription() override { return {}; }
    bool testServer() override { return true; }
    void giveLabelServerCredentials() override {}
};

class URLHandlerTest : public ::testing::Test
{
protected:
    // One pass of the event loop: the calls queued before it, not those
    // they queue again.
    void onePass()
    {
        std::vector<FakeScheduler::Entry> due;
        due.swap(scheduler->pending);
        for (FakeScheduler::Entry &entry : due)
            entry.call();
    }
    void SetUp() override
    {
        UserDefaults::resetStandardUserDefaults();
        setAutomationServices(automation);
        setMailingLog(log);
        log->records << QVariantMap{{QVUSPSShipmentPICKey, QStringLiteral("9400111")},
                                    {QVUSPSShipmentRHOPieceCountKey, qint64(42)}}
                     << QVariantMap{{QVUSPSShipmentPICKey, QStringLiteral("9400222")},
                                    {QVUSPSShipmentRHOPieceCountKey, qint64(0)}};
    }
    void TearDown() override
    {
        setAutomationServices(nullptr);
        setMailingLog(nullptr);
        UserDefaults::resetStandardUserDefaults();
    }

    FakeHost host;
    std::shared_ptr<FakeScheduler> scheduler = std::make_shared<FakeScheduler>();
    std::shared_ptr<FakePostage> postage = std::make_shared<FakePostage>();
    std::shared_ptr<RecordingAutomation> automation = std::make_shared<RecordingAutomation>();
    std::shared_ptr<FakeMailingLog> log = std::make_shared<FakeMailingLog>();
    DialogsScope dialogs;
    QVURLHandler handler{host, scheduler, postage};
};

TEST(ApplicationURL, PairsAreSplitAtSemicolonsDecodedAndTheLaterWins)
{
    struct Case {
        const char *url;
        const char *command;
        QVariantMap pairs;
    };
    const Case cases[] = {
        {"tolvane://newShipment?value=%2412.50;email=a%40b.example",
         "newShipment",
         {{"value", "$12.50"}, {"email", "a@b.example"}}},
        // The command keeps its case; a value may hold "=" and "+".
        {"tolvane://updateMe", "updateMe", {}},
        {"tolvane://print?Note=a=b+c;Note=second", "print", {{"Note", "second"}}},
        // No "=", a broken escape or bytes that are not UTF-8: the pair is
        // dropped.
        {"tolvane://print?lonely;bad=%zz;half=%4;latin=%E9;ok=%C3%A9", "print", {{"ok", QString::fromUtf8("é")}}},
        {"tolvane://refund/?PIC=1#PIC=2", "refund", {{"PIC", "1"}}},
        {"not a url", "", {}},
    };
    for (const Case &c : cases) {
        const QVApplicationURL url = parseApplicationURL(QString::fromUtf8(c.url));
        EXPECT_EQ(url.command, QLatin1String(c.command)) << c.url;
        EXPECT_EQ(url.pairs, c.pairs) << c.url;
    }
}

TEST_F(URLHandlerTest, NewShipmentSetsItsTextsAndAValueOnlyWhenItIsANumber)
{
    handler.handleURL(QStringLiteral(
        "tolvane://newShipment?address=Ann%0A1%20Main;email=a@b.example;referenceID=R1;costCenter=;value=%2412.50"));
    EXPECT_EQ(host.calls,
              QStringList({QStringLiteral("newPackage(Ann\n1 Main|a@b.example)"), QStringLiteral("showMainWindow")}));
    EXPECT_EQ(host.properties.value(QVShipmentInvoiceNumberKey).toString(), QStringLiteral("R1"));
    EXPECT_FALSE(host.properties.contains(QVShipmentCostCenterKey));
    ASSERT_TRUE(host.properties.contains(QVShipmentValueKey));
    EXPECT_EQ(host.properties.value(QVShipmentValueKey).value<Decimal>(), Decimal(1250, -2));

    host.properties.clear();
    handler.handleURL(QStringLiteral("tolvane://newShipment?value=twelve"));
    EXPECT_FALSE(host.properties.contains(QVShipmentValueKey));
}

TEST_F(URLHandlerTest, AURLDuringLaunchRunsOnceTheWindowExists)
{
    host.window = false;
    handler.handleURL(QStringLiteral("tolvane://updateMe"));
    onePass();
    onePass();
    EXPECT_TRUE(host.calls.isEmpty());
    EXPECT_EQ(scheduler->pending.size(), 1u);
    host.window = true;
    onePass();
    EXPECT_EQ(host.calls, QStringList(QStringLiteral("checkForUpdates")));
    EXPECT_TRUE(scheduler->pending.empty());
}

TEST_F(URLHandlerTest, TheStampsEditionActsOnUpdateMeOnlyAndRefusesFiles)
{
    UserDefaults::standardUserDefaults().setBool(true, QStringLiteral("kivoStampsVersion"));
    for (const char *url :
         {"tolvane://newShipment?address=x", "tolvane://newShipment2?ToName=x", "tolvane://print?ToName=x",
          "tolvane://highlightShipment?row=1", "tolvane://refund?PIC=9400111;CallbackURL=http://cb.example/"})
        handler.handleURL(QLatin1String(url));
    handler.handleURL(QStringLiteral("tolvane://updateMe"));
    EXPECT_EQ(host.calls, QStringList(QStringLiteral("checkForUpdates")));
    EXPECT_TRUE(automation->packages.isEmpty() && automation->commands.isEmpty() && automation->callbacks.isEmpty());
    EXPECT_TRUE(host.rows.isEmpty());
    EXPECT_TRUE(postage->refunds.isEmpty());
    EXPECT_FALSE(handler.openFile(QStringLiteral("/tmp/order.xml")));
    EXPECT_FALSE(handler.openFile(QStringLiteral("/tmp/ann.vcf")));
}

TEST_F(URLHandlerTest, OpenedFilesByExtensionInAnyCase)
{
    EXPECT_TRUE(handler.openFile(QStringLiteral("/tmp/order.XML")));
    EXPECT_TRUE(handler.openFile(QStringLiteral("/tmp/ann.VCard")));
    EXPECT_TRUE(handler.openFile(QStringLiteral("/tmp/bob.vcf")));
    EXPECT_FALSE(handler.openFile(QStringLiteral("/tmp/notes.txt")));
    EXPECT_EQ(automation->openedFiles, QList<QUrl>({QUrl::fromLocalFile(QStringLiteral("/tmp/order.XML"))}));
    EXPECT_TRUE(automation->files.isEmpty());
    EXPECT_EQ(host.vcards, QStringList({QStringLiteral("/tmp/ann.VCard"), QStringLiteral("/tmp/bob.vcf")}));
}

TEST_F(URLHandlerTest, PrintAsksFirstAndSplitsRootKeysFromThePackage)
{
    dialogs->answers = {1};
    handler.handleURL(QStringLiteral("tolvane://print?ToName=Ann%20Lee;OutputFile=/tmp/x.pdf;Test=YES;"
                                     "CallbackURL=https://cb.example/r;Weight=3;Prompt=NO"));
    ASSERT_EQ(dialogs->alerts.size(), 1);
    const QString asked = dialogs->alerts.first().informativeText;
    for (const char *named : {"\"print\"", "Ann Lee", "/tmp/x.pdf", "cb.example"})
        EXPECT_TRUE(asked.contains(QLatin1String(named))) << named << " in " << asked.toStdString();
    ASSERT_EQ(automation->commands.size(), 1);
    const QVariantMap root = automation->commands.first().value(QStringLiteral("Glimra")).toMap();
    EXPECT_EQ(root.value(QStringLiteral("Prompt")).toString(), QStringLiteral("NO"));
    EXPECT_EQ(root.value(QStringLiteral("OutputFile")).toString(), QStringLiteral("/tmp/x.pdf"));
    const QVariantMap package = root.value(QStringLiteral("Package")).toMap();
    EXPECT_EQ(package, QVariantMap({{"ToName", "Ann Lee"}, {"Weight", "3"}}));

    // Without "Prompt" no "Prompt" is passed, and no root key is ever in
    // the package.
    dialogs->answers = {1};
    handler.handleURL(QStringLiteral("tolvane://print?ToName=B;QVTestPrint=YES"));
    ASSERT_EQ(automation->commands.size(), 2);
    const QVariantMap second = automation->commands.last().value(QStringLiteral("Glimra")).toMap();
    EXPECT_FALSE(second.contains(QStringLiteral("Prompt")));
    for (const QString &key : printRootKeys())
        EXPECT_FALSE(second.value(QStringLiteral("Package")).toMap().contains(key)) << key.toStdString();
}

// A link cannot write its own lines into the question or push its callback
// host out of sight: each value it gives stands on one line, shortened,
// with line breaks and invisible characters shown as escapes.
TEST_F(URLHandlerTest, ALinksValuesStandOnOneLineInTheQuestion)
{
    const struct {
        const char *url;
        const char *forged;
        const char *shown;
    } cases[] = {
        {"tolvane://print?ToName=A;OutputFile=/tmp/x.pdf%0ATHIS%20IS%20A%20FREE%20TEST%20PRINT;"
         "CallbackURL=https://cb.example/r",
         "\nTHIS IS A FREE TEST PRINT", "/tmp/x.pdf\\nTHIS IS A FREE"},
        {"tolvane://print?ToName=Ann%0D%0AFREE;CallbackURL=https://cb.example/r", "\nFREE", "Ann\\r\\nFREE"},
        {"tolvane://print?ToName=Bo%E2%80%AEevil;CallbackURL=https://cb.example/r", "\u202e", "Bo\\u202eevil"},
    };
    for (const auto &c : cases) {
        dialogs->alerts.clear();
        dialogs->answers = {0};
        handler.handleURL(QString::fromUtf8(c.url));
        ASSERT_EQ(dialogs->alerts.size(), 1) << c.url;
        const QString asked = dialogs->alerts.first().informativeText;
        EXPECT_FALSE(asked.contains(QString::fromUtf8(c.forged))) << asked.toStdString();
        EXPECT_TRUE(asked.contains(QString::fromUtf8(c.shown))) << asked.toStdString();
        EXPECT_TRUE(asked.contains(QLatin1String("cb.example"))) << asked.toStdString();
    }
    // A long value is shortened, so the lines after it stay in sight.
    dialogs->alerts.clear();
    dialogs->answers = {0};
    handler.handleURL(QStringLiteral("tolvane://print?ToName=A;OutputFile=/tmp/") + QString(500, QLatin1Char('y')) +
                      QStringLiteral(";CallbackURL=https://cb.example/r"));
    ASSERT_EQ(dialogs->alerts.size(), 1);
    const QString asked = dialogs->alerts.first().informativeText;
    EXPECT_LT(asked.size(), 400);
    EXPECT_TRUE(asked.contains(QChar(0x2026)));
    EXPECT_TRUE(asked.contains(QLatin1String("cb.example")));
    EXPECT_TRUE(automation->commands.isEmpty());
}

TEST_F(URLHandlerTest, ADeclinedQuestionTouchesNeitherPostageNorAutomation)
{
    dialogs->answers = {0, 0};
    handler.handleURL(QStringLiteral("tolvane://print?ToName=Ann;Prompt=NO"));
    handler.handleURL(QStringLiteral("tolvane://refund?PIC=9400111;CallbackURL=https://cb.example/r"));
    EXPECT_EQ(dialogs->alerts.size(), 2);
    EXPECT_TRUE(automation->commands.isEmpty());
    EXPECT_TRUE(postage->refunds.isEmpty());
    EXPECT_TRUE(log->voidStatuses.isEmpty());
    // The refused refund reports its failure.
    ASSERT_EQ(automation->callbacks.size(), 1);
    EXPECT_EQ(automation->callbacks.first().pairs.value(QStringLiteral("Status")).toString(),
              QStringLiteral("Failure"));
}

TEST_F(URLHandlerTest, RefundVoidsAndSucceedsOnlyOnReturnCodeOne)
{
    struct Case {
        const char *pic;
        std::optional<quint32> returnCode; // nothing: no reply
        bool asks;
        const char *status;
    };
    const Case cases[] = {
        {"9400111", 1u, true, "Success"},
        {"9400111", 301u, true, "Failure"},
        {"9400111", std::nullopt, true, "Failure"},
        // Unknown piece or piece count 0: nothing asked, nothing sent.
        {"9999999", 1u, false, "Failure"},
        {"9400222", 1u, false, "Failure"},
        {"", 1u, false, "Failure"},
    };
    for (const Case &c : cases) {
        postage->refunds.clear();
        log->voidStatuses.clear();
        automation->callbacks.clear();
        dialogs->alerts.clear();
        dialogs->answers = {1};
        postage->refundReply = c.returnCode ? std::optional<QVPostageReply>(QVPostageReply{}) : std::nullopt;
        if (c.returnCode)
            postage->refundReply->returnCode = *c.returnCode;
        handler.handleURL(
            QStringLiteral("tolvane://refund?PIC=%1;CallbackURL=https://cb.example/r").arg(QLatin1String(c.pic)));
        EXPECT_EQ(dialogs->alerts.size(), c.asks ? 1 : 0) << c.pic;
        // By size first: Qt compares two empty lists of numbers through a
        // null pointer, which the undefined-behaviour checker refuses.
        ASSERT_EQ(postage->refunds.size(), c.asks ? 1 : 0) << c.pic;
        if (c.asks) {
            EXPECT_EQ(postage->refunds.first(), 42) << c.pic;
        }
        const bool success = QLatin1String(c.status) == QLatin1String("Success");
        EXPECT_EQ(log->voidStatuses.size(), success ? 1 : 0) << c.pic;
        ASSERT_EQ(automation->callbacks.size(), 1) << c.pic;
        EXPECT_EQ(automation->callbacks.first().pairs,
                  QVariantMap({{"PIC", QLatin1String(c.pic)}, {"Status", QLatin1String(c.status)}}));
        EXPECT_EQ(automation->callbacks.first().url, QStringLiteral("https://cb.example/r"));
        EXPECT_EQ(automation->callbacks.first().method, QStringLiteral("GET"));
    }
}

TEST_F(URLHandlerTest, HighlightPrefersThePICAndTrackingUsesTheLog)
{
    handler.handleURL(QStringLiteral("tolvane://highlightShipment?row=7;PIC=9400222"));
    handler.handleURL(QStringLiteral("tolvane://highlightShipment?row=5"));
    handler.handleURL(QStringLiteral("tolvane://highlightShipment?PIC=unknown;row=3"));
    EXPECT_EQ(host.rows, QList<quint32>({1, 5}));
    handler.handleURL(QStringLiteral("tolvane://trackShipment?PIC=9400111"));
    handler.handleURL(QStringLiteral("tolvane://trackShipment?PIC=unknown"));
    EXPECT_EQ(log->tracked, QList<quint32>({0}));
}

TEST_F(URLHandlerTest, NewShipment2SetsPostageAndCallbackThenProcessesThePackage)
{
    handler.handleURL(QStringLiteral("tolvane://newShipment2?QVPostageEnabled=NO;ToName=Ann;CallbackURL=http://h/x"));
    EXPECT_FALSE(UserDefaults::standardUserDefaults().boolForKey(QVUsePostageKey));
    ASSERT_TRUE(host.callbackURL.has_value());
    EXPECT_EQ(*host.callbackURL, std::optional<QUrl>(QUrl(QStringLiteral("http://h/x"))));
    ASSERT_EQ(automation->packages.size(), 1);
    EXPECT_EQ(automation->packages.first().value(QStringLiteral("ToName")).toString(), QStringLiteral("Ann"));
    handler.handleURL(QStringLiteral("tolvane://newShipment2?QVPostageEnabled=YES"));
    EXPECT_TRUE(UserDefaults::standardUserDefaults().boolForKey(QVUsePostageKey));
    EXPECT_EQ(*host.callbackURL, std::nullopt);
    EXPECT_EQ(host.calls.count(QStringLiteral("showMainWindow")), 2);
}

// The automation requests of the socket (the user's own programs) go
// through unasked; a URL the desktop handed over the socket may come from
// any web page and asks first, as any other URL does.
TEST_F(URLHandlerTest, SocketRequestsReachTheAutomationAndForwardedURLsAsk)
{
    RemoteFrame answer = handler.answerRemoteRequest({QStringLiteral("processXML:"), QStringLiteral("<Glimra/>")});
    EXPECT_EQ(answer.method, RemoteAnswerOK);
    EXPECT_EQ(answer.argument, QStringLiteral("<GlimraResponse/>"));
    EXPECT_EQ(automation->documents, QStringList(QStringLiteral("<Glimra/>")));
    EXPECT_TRUE(dialogs->alerts.isEmpty());

    answer = handler.answerRemoteRequest({QStringLiteral("processXMLFileAtURL:"), QStringLiteral("http://x/a.xml")});
    EXPECT_EQ(answer.method, RemoteAnswerError);
    dialogs->answers = {0, 1};
    for (int asked = 1; asked <= 2; ++asked) {
        answer = handler.answerRemoteRequest({QStringLiteral("openURL:"), QStringLiteral("tolvane://print?ToName=A")});
        EXPECT_EQ(answer.method, RemoteAnswerOK);
        onePass();
        EXPECT_EQ(dialogs->alerts.size(), asked);
    }
    // Declined first, allowed then.
    EXPECT_EQ(automation->commands.size(), 1);
    dialogs->answers = {0};
    answer = handler.answerRemoteRequest(
        {QStringLiteral("openURL:"), QStringLiteral("tolvane://refund?PIC=9400111;CallbackURL=https://cb.example/r")});
    onePass();
    EXPECT_EQ(dialogs->alerts.size(), 3);
    EXPECT_TRUE(postage->refunds.isEmpty());
    EXPECT_TRUE(log->voidStatuses.isEmpty());
    answer = handler.answerRemoteRequest({QStringLiteral("openURL:"), QStringLiteral("https://elsewhere.example/")});
    EXPECT_EQ(answer.method, RemoteAnswerError);
    answer = handler.answerRemoteRequest({QStringLiteral("noSuchMethod:"), QString()});
    EXPECT_EQ(answer.method, RemoteAnswerError);
}

// The command-line tool's tracking diagnostic: the USPS Web Tools reply for
// the number, as its description; "(null)" when there is no reply.
TEST_F(URLHandlerTest, TheTrackingDiagnosticAnswersTheUSPSReplysDescription)
{
    QVCommandCenter::resetSharedInstancesForTesting();
    FakeUSPSWebToolsServer server;
    ASSERT_TRUE(server.isListening());
    UserDefaults::standardUserDefaults().setString(server.host(), QVUSPSWebToolsServerDefaultsKey);
    server.setReply("TrackV2",
                    "<TrackResponse><TrackInfo ID=\"EJ958083578US\"><TrackSummary>"
                    "<Event>DELIVERED</Event></TrackSummary></TrackInfo></TrackResponse>");

    RemoteFrame answer =
        handler.answerRemoteRequest({QStringLiteral("trackResponseForID:"), QStringLiteral("EJ958083578US")});
    EXPECT_EQ(answer.method, RemoteAnswerOK);
    ASSERT_TRUE(server.lastReceived());
    EXPECT_EQ(server.lastReceived()->document.name, QStringLiteral("TrackRequest"));
    const XmlElement *id = server.lastReceived()->document.find(QStringLiteral("TrackID"));
    ASSERT_TRUE(id);
    EXPECT_EQ(id->attributes.value(QStringLiteral("ID")), QStringLiteral("EJ958083578US"));
    EXPECT_TRUE(answer.argument.startsWith(QLatin1Char('{'))) << answer.argument.toStdString();
    EXPECT_TRUE(answer.argument.contains(QStringLiteral("Event = DELIVERED;"))) << answer.argument.toStdString();

    server.setReply("TrackV2", "<TrackResponse><TrackInfo>");
    answer = handler.answerRemoteRequest({QStringLiteral("trackResponseForID:"), QStringLiteral("EJ1")});
    EXPECT_EQ(answer.method, RemoteAnswerOK);
    EXPECT_EQ(answer.argument, QStringLiteral("(null)"));

    const int sent = server.receivedCount();
    answer = handler.answerRemoteRequest({QStringLiteral("trackResponseForID:"), QStringLiteral(" ")});
    EXPECT_EQ(answer.method, RemoteAnswerError);
    EXPECT_EQ(server.receivedCount(), sent);
    QVCommandCenter::resetSharedInstancesForTesting();
}

TEST_F(URLHandlerTest, ServicesReportTheirErrorsInText)
{
    EXPECT_EQ(handler.trackConfirmInBrowser(QString()), QStringLiteral("Error: Pasteboard doesn't contain a string."));
    EXPECT_TRUE(handler.trackConfirmInBrowser(QStringLiteral(" 9400 111\n")).isEmpty());
    ASSERT_EQ(host.opened.size(), 1);
    EXPECT_EQ(host.opened.first().path(), QStringLiteral("/PTSInternetWeb/InterLabelInquiry.do"));
    EXPECT_EQ(host.opened.first().query(), QStringLiteral("origTrackNum=9400111"));
    host.openAnswer = false;
    EXPECT_EQ(handler.trackConfirmInBrowser(QStringLiteral("94")), QStringLiteral("Error: Couldn't track/confirm 94."));
    EXPECT_TRUE(handler.newShipmentWithAddress(QStringLiteral("Ann")).isEmpty());
    EXPECT_EQ(host.calls, QStringList({QStringLiteral("newPackage(Ann|)"), QStringLiteral("activate")}));
}

} // namespace

// The socket's requests through the real automation: a Test document is
// answered with its reply document, a file with its reply too.
TEST_F(URLHandlerTest, TheSocketAnswersATestDocumentWithTheAutomationsReply)
{
    AutomationWorld world;
    setAutomationServices(std::shared_ptr<QVAutomationServices>(world.automation.get(), [](QVAutomationServices *) {}));
    const QString document = QStringLiteral("<Glimra Test=\"YES\"><Package ID=\"7\" MailClass=\"FIRST\" WeightOz=\"2\" "
                                            "ToAddress=\"Ann Lee&#10;1 Main St&#10;Springfield IL 62701\"/></Glimra>");
    const RemoteFrame answer = handler.answerRemoteRequest({QStringLiteral("processXML:"), document});
    EXPECT_EQ(answer.method, RemoteAnswerOK);
    EXPECT_TRUE(answer.argument.contains(QStringLiteral("<Package ID=\"7\"><Status>Success</Status>")))
        << answer.argument.toStdString();
    EXPECT_EQ(world.window->prints, QList<bool>{true});
    setAutomationServices(nullptr);
}

// A file handed over the socket ("tolvanetool -f") is carried out only when
// it is a readable regular file; anything else is answered with the reason
// at once and never opened.
TEST_F(URLHandlerTest, ASocketFileThatIsNoReadableRegularFileIsAnsweredWithTheReason)
{
    QTemporaryDir dir;
    const QString job = dir.filePath(QStringLiteral("job.xml"));
    QFile file(job);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<Glimra/>");
    file.close();
    const QString fifo = dir.filePath(QStringLiteral("fifo.xml"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString &path : {fifo, dir.path(), dir.filePath(QStringLiteral("absent.xml"))}) {
        const RemoteFrame answer =
            handler.answerRemoteRequest({QStringLiteral("processXMLFileAtURL:"), QUrl::fromLocalFile(path).toString()});
        EXPECT_EQ(answer.method, RemoteAnswerError) << path.toStdString();
        EXPECT_EQ(answer.argument, QStringLiteral("Invalid file for reading: ") + path);
    }
    EXPECT_TRUE(automation->files.isEmpty());
    const RemoteFrame answer =
        handler.answerRemoteRequest({QStringLiteral("processXMLFileAtURL:"), QUrl::fromLocalFile(job).toString()});
    EXPECT_EQ(answer.method, RemoteAnswerOK);
    EXPECT_EQ(automation->files, QList<QUrl>{QUrl::fromLocalFile(job)});
}

// A Glimra file opened with the program, however it came (the desktop or a
// second copy, the socket's "openFile:"), may come from anywhere: the real
// automation asks first even when the file says "Prompt" "NO", and declined
// nothing is bought, printed, written or called back. The socket's own
// "processXMLFileAtURL:" (the user's programs) is not asked about.
TEST_F(URLHandlerTest, AnOpenedXMLFileAsksFirstAndDeclinedDoesNothing)
{
    AutomationWorld world;
    setAutomationServices(std::shared_ptr<QVAutomationServices>(world.automation.get(), [](QVAutomationServices *) {}));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString output = dir.filePath(QStringLiteral("reply.xml"));
    const QString root =
        QStringLiteral("<Glimra Prompt=\"NO\" OutputFile=\"%1\" CallbackURL=\"https://cb.example/r\">").arg(output);
    const struct {
        const char *what;
        QString document;
    } documents[] = {
        {"a package",
         root +
             QStringLiteral("<Package ID=\"1\" MailClass=\"FIRST\" WeightOz=\"2\" "
                            "ToAddress=\"Ann Lee&#10;1 Main St&#10;Springfield IL 62701\"/></Glimra>")},
        {"a purchase", root + QStringLiteral("<Purchase Amount=\"25.50\"/></Glimra>")},
    };
    const struct {
        const char *what;
        std::function<void(const QString &path)> open;
    } roads[] = {
        {"opened with the program",
         [this](const QString &path) {
             EXPECT_TRUE(handler.openFile(path));
             onePass();
         }},
        {"the socket's openFile:",
         [this](const QString &path) {
             EXPECT_EQ(handler.answerRemoteRequest({QStringLiteral("openFile:"), path}).method, RemoteAnswerOK);
             onePass();
         }},
    };
    const QString path = dir.filePath(QStringLiteral("order.xml"));
    for (const auto &document : documents) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(document.document.toUtf8());
        file.close();
        for (const auto &road : roads) {
            SCOPED_TRACE(std::string(document.what) + ", " + road.what);
            world.dialogs->alerts.clear();
            world.dialogs->answers = {0};
            road.open(path);
            ASSERT_EQ(world.dialogs->alerts.size(), 1);
            EXPECT_EQ(world.dialogs->alerts.first().messageText, QStringLiteral("Print postage for a file?"));
            EXPECT_TRUE(world.boughtMils.isEmpty());
            EXPECT_TRUE(world.window->prints.isEmpty());
            EXPECT_TRUE(world.log->records.isEmpty());
            EXPECT_FALSE(QFile::exists(output));
            EXPECT_TRUE(world.opener->opened.isEmpty());
            EXPECT_FALSE(world.delegate->automation);
        }
    }

    // Allowed, the file is carried out.
    world.dialogs->answers = {1};
    roads[0].open(path);
    EXPECT_EQ(world.boughtMils, QList<qint64>{25500});
    EXPECT_TRUE(QFile::exists(output));

    // The socket's own request is carried out unasked.
    QFile::remove(output);
    world.dialogs->alerts.clear();
    const RemoteFrame answer =
        handler.answerRemoteRequest({QStringLiteral("processXMLFileAtURL:"), QUrl::fromLocalFile(path).toString()});
    EXPECT_EQ(answer.method, RemoteAnswerOK);
    EXPECT_TRUE(world.dialogs->alerts.isEmpty());
    EXPECT_EQ(world.boughtMils, QList<qint64>({25500, 25500}));
    EXPECT_TRUE(QFile::exists(output));
    setAutomationServices(nullptr);
}
