// The scripting commands as another program of the user calls them, over a
// session bus (a private one: the tests run under dbus-run-session through
// tests/app/dbus.sh and skip themselves elsewhere): a file's reply or the
// reason it was not read, the balance before and after a status reply,
// tracking with and without the piece in the mailing log, the stamps-only
// edition; and the report of exceptions that reach event delivery.
#include "app/shell/QVScriptingBus.h"
#include "app/shell/QVXApp.h"
#include "app/shell/QVXController.h"
#include "app/shell/USPSTrackingRegistration.h"
#include "mailinglog/MailingLogRegistration.h"
#include "mailinglog/QVMailingLog.h"
#include "model/MailingLogServices.h"
#include "model/QVShipment.h"
#include "platform/AutomationServices.h"
#include "platform/UserDefaults.h"
#include "services/QVCommandCenter.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOResponse.h"
#include "services/usps/QVUSPSCommandCenter.h"

#include "ConsoleCapture.h"
#include "FakeUSPSWebToolsServer.h"
#include "RecordingAutomation.h"
#include "TestSupport.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <QtEndian>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <stdexcept>

using namespace tolvane::test;

namespace {

QString s(const char *text) { return QString::fromUtf8(text); }

// The object offered on the session bus, and a second connection that calls
// it as another program would.
class ScriptingBus : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("TOLVANE_PRIVATE_SESSION_BUS"))
            GTEST_SKIP() << "runs on a private session bus only (tests/app/dbus.sh)";
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected());
        QVCommandCenter::resetSharedInstancesForTesting();
        UserDefaults::resetStandardUserDefaults();
        QVMailingLog::resetSharedMailingLog();
        QFile::remove(logPath());
        setAutomationServices(automation);
        ASSERT_TRUE(m_object.registerOn(QDBusConnection::sessionBus()));
        m_client = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, s("scripting-test-client")));
        ASSERT_TRUE(m_client->isConnected());
    }
    void TearDown() override
    {
        m_client.reset();
        QDBusConnection::disconnectFromBus(s("scripting-test-client"));
        setAutomationServices(nullptr);
        setMailingLog(nullptr);
        QVMailingLog::setTrackingClient(nullptr);
        QVMailingLog::resetSharedMailingLog();
        QFile::remove(logPath());
        UserDefaults::resetStandardUserDefaults();
        QVCommandCenter::resetSharedInstancesForTesting();
    }

    static QString logPath() { return QDir(supportDir()).filePath(s("mailinglog.plist")); }

    QDBusMessage call(const QString &method, const QVariantList &arguments = {})
    {
        QDBusMessage message =
            QDBusMessage::createMethodCall(QVScriptingBusService, QVScriptingBusPath, QVScriptingBusInterface, method);
        message.setArguments(arguments);
        return m_client->call(message, QDBus::BlockWithGui, 20000);
    }
    QString text(const QString &method, const QVariantList &arguments = {})
    {
        const QDBusMessage reply = call(method, arguments);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        EXPECT_EQ(reply.signature(), s("s"));
        return reply.arguments().value(0).toString();
    }
    QStringList texts(const QString &number)
    {
        const QDBusMessage reply = call(s("Track"), {number});
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        EXPECT_EQ(reply.signature(), s("as"));
        return reply.arguments().value(0).toStringList();
    }

    std::shared_ptr<RecordingAutomation> automation = std::make_shared<RecordingAutomation>();

private:
    QVScriptingBus m_object;
    std::unique_ptr<QDBusConnection> m_client;
};

// A status reply of the postage server whose balance (the descending
// register) is the given number of mils.
std::shared_ptr<QVRHOResponse> statusWithBalance(qint64 mils)
{
    QByteArray record(QVRHOResponse::RecordLength, '\0');
    qToLittleEndian<quint32>(1, record.data() + 4);
    qToLittleEndian<qint64>(mils, record.data() + 40);
    return QVRHOResponse::responseWithData(record);
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST_F(ScriptingBus, AReadableFileAnswersItsReplyAndAnythingElseWhyItWasNotRead)
{
    QTemporaryDir dir;
    const QString job = dir.filePath(s("job.xml"));
    QFile file(job);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<Glimra/>");
    file.close();
    const QString fifo = dir.filePath(s("fifo.xml"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    automation->documentAnswer = s("<Glimra><Package ID=\"%1\"/></Glimra>").arg(dir.path());

    const QString missing = dir.filePath(s("absent.xml"));
    const struct {
        QString given;
        QString answer;
        bool processed;
    } cases[] = {
        {job, *automation->documentAnswer, true},
        {dir.path() + s("/./sub/../job.xml"), *automation->documentAnswer, true},
        {missing, s("Invalid file for reading: ") + missing, false},
        {fifo, s("Invalid file for reading: ") + fifo, false},
        {dir.path(), s("Invalid file for reading: ") + dir.path(), false},
        {s("job.xml"), s("Invalid file for reading: job.xml"), false},
    };
    for (const auto &c : cases) {
        automation->files.clear();
        EXPECT_EQ(text(s("ProcessXMLFile"), {c.given}), c.answer) << c.given.toStdString();
        EXPECT_EQ(automation->files, c.processed ? QList<QUrl>{QUrl::fromLocalFile(job)} : QList<QUrl>())
            << c.given.toStdString();
    }

    // A document the automation did not carry out is an error of the call.
    automation->answer = false;
    const QDBusMessage refused = call(s("ProcessXMLFile"), {job});
    EXPECT_EQ(refused.type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(refused.errorName(), QVScriptingNotCarriedOutError);
}

TEST_F(ScriptingBus, TheBalanceIsUnknownUntilAStatusReplyAndWithoutDollarSignAfterIt)
{
    EXPECT_EQ(text(s("CurrentBalance")), s("unknown"));
    QVRHOCommandCenter::commandCenter()->setLastValidStatusResponse(statusWithBalance(1234500));
    EXPECT_EQ(text(s("CurrentBalance")), s("1,234.50"));
    QVRHOCommandCenter::commandCenter()->setLastValidStatusResponse(statusWithBalance(7250));
    EXPECT_EQ(text(s("CurrentBalance")), s("7.25"));
}

TEST_F(ScriptingBus, TrackingAnswersTheTextsAndUpdatesOnlyAPieceInTheLog)
{
    FakeUSPSWebToolsServer server;
    ASSERT_TRUE(server.isListening());
    UserDefaults::standardUserDefaults().setString(server.host(), QVUSPSWebToolsServerDefaultsKey);
    registerUSPSTrackingClient();
    registerMailingLog();
    const QString logged = s("9400111899223197428490");
    const QString other = s("9400111899223197428491");
    ASSERT_TRUE(QVMailingLog::sharedMailingLog());
    ASSERT_TRUE(QVMailingLog::sharedMailingLog()->writeShipmentToLog(QVShipment({{QVUSPSShipmentPICKey, logged}})));
    const QByteArray before = fileBytes(logPath());
    ASSERT_FALSE(before.isEmpty());

    const QByteArray summary = "<TrackSummary>Your item was delivered at 8:10 am on June 1 in WILMINGTON DE "
                               "19801.</TrackSummary>";
    const QByteArray details = "<TrackDetail>May 30 7:44 am ACCEPTANCE EDGEWATER NJ 07020</TrackDetail>"
                               "<TrackDetail>May 31 9:00 pm ARRIVAL AT UNIT WILMINGTON DE 19850</TrackDetail>";
    const QStringList detailTexts{s("May 30 7:44 am ACCEPTANCE EDGEWATER NJ 07020"),
                                  s("May 31 9:00 pm ARRIVAL AT UNIT WILMINGTON DE 19850")};
    const QString summaryText = s("Your item was delivered at 8:10 am on June 1 in WILMINGTON DE 19801.");
    const auto info = [](const QString &number, const QByteArray &body) {
        return "<TrackResponse><TrackInfo ID=\"" + number.toUtf8() + "\">" + body + "</TrackInfo></TrackResponse>";
    };
    const struct {
        const char *name;
        QString number;
        QByteArray reply;
        QStringList answer;
        bool logTracked;
    } cases[] = {
        {"summary and details, not logged", other, info(other, summary + details),
         QStringList{summaryText} + detailTexts, false},
        {"details alone, logged", logged, info(logged, details), detailTexts, false},
        {"one detail",
         other,
         info(other, details.left(details.indexOf("</TrackDetail>") + 14)),
         {detailTexts.first()},
         false},
        {"unknown to USPS",
         other,
         info(other,
              "<Error><Number>-2147219302</Number><Description>The Postal Service could not locate the "
              "tracking information for your request.</Description></Error>"),
         {s("The Postal Service could not locate the tracking information for your request.")},
         false},
        {"an error reply",
         other,
         FakeUSPSWebToolsServer::errorDocument("80040B19", "XML Syntax Error"),
         {s("XML Syntax Error")},
         false},
        {"summary, logged", logged, info(logged, summary + details), QStringList{summaryText} + detailTexts, true},
    };
    for (const auto &c : cases) {
        server.setReply("TrackV2", c.reply);
        const int sent = server.receivedCount();
        EXPECT_EQ(texts(c.number), c.answer) << c.name;
        // The log tracks its piece with a request of its own.
        EXPECT_EQ(server.receivedCount() - sent, c.logTracked ? 2 : 1) << c.name;
        if (!c.logTracked) {
            EXPECT_EQ(fileBytes(logPath()), before) << c.name;
        }
    }
    ASSERT_EQ(server.received().last().document.name, s("TrackFieldRequest"));
    EXPECT_NE(fileBytes(logPath()), before);
    EXPECT_FALSE(QVMailingLog::sharedMailingLog()
                     ->shipmentAtIndex(0)
                     ->objectForKey(QVShipmentDeliveryStatusKey)
                     .toString()
                     .isEmpty());

    // No reply at all: the client's reason.
    UserDefaults::standardUserDefaults().setString(s("127.0.0.1:1"), QVUSPSWebToolsServerDefaultsKey);
    QVCommandCenter::resetSharedInstancesForTesting();
    const QStringList unreachable = texts(other);
    ASSERT_EQ(unreachable.size(), 1);
    EXPECT_FALSE(unreachable.first().isEmpty());
}

TEST_F(ScriptingBus, TheStampsEditionAnswersNotAvailableToAllButTheBalance)
{
    FakeUSPSWebToolsServer server;
    UserDefaults::standardUserDefaults().setString(server.host(), QVUSPSWebToolsServerDefaultsKey);
    UserDefaults::standardUserDefaults().setBool(true, QVStampsEditionKey);
    QTemporaryDir dir;
    const QString job = dir.filePath(s("job.xml"));
    QFile file(job);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<Glimra/>");
    file.close();

    EXPECT_EQ(text(s("ProcessXMLFile"), {job}), s("Not available"));
    EXPECT_EQ(texts(s("9400111899223197428490")), QStringList{s("Not available")});
    EXPECT_TRUE(automation->files.isEmpty());
    EXPECT_EQ(server.receivedCount(), 0);
    QVRHOCommandCenter::commandCenter()->setLastValidStatusResponse(statusWithBalance(50000));
    EXPECT_EQ(text(s("CurrentBalance")), s("50.00"));
}

TEST(QVXAppExceptions, AnExceptionThatReachesEventDeliveryIsReportedAndDeliveryGoesOn)
{
    UserDefaults::resetStandardUserDefaults();
    const struct {
        bool debug;
        std::function<bool()> deliver;
        QString report;
    } cases[] = {
        {false, []() -> bool { throw std::runtime_error("the printer went away"); },
         s("std::runtime_error: the printer went away")},
        {true, []() -> bool { throw std::runtime_error("the printer went away"); },
         s("Exception raised:\nstd::runtime_error\nReason: the printer went away\nUser Info: (null)")},
        {true, []() -> bool { throw 42; }, s("Exception raised:\nint\nReason: (null)\nUser Info: (null)")},
    };
    for (const auto &c : cases) {
        UserDefaults::standardUserDefaults().setBool(c.debug, QVDebugExceptionsKey);
        ConsoleCapture console;
        EXPECT_FALSE(QVXApp::deliverReportingExceptions(c.deliver));
        EXPECT_EQ(console.lines(), QStringList{c.report});
    }
    ConsoleCapture console;
    EXPECT_TRUE(QVXApp::deliverReportingExceptions([] { return true; }));
    EXPECT_TRUE(console.lines().isEmpty());
    UserDefaults::resetStandardUserDefaults();
}
