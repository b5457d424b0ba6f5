// Postage-server transactions of QVRHOCommandCenter against the fake postage
// server: each of the seven kinds accepted (authentication code and
// pass-phrase digest verified by the fake) and its scripted reply read; the
// time differential; the last valid status reply; refusals, short replies,
// tampered requests, transport failures and missing keys as errors.
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOIndiciumRequest.h"

#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

#include "ConsoleCapture.h"
#include "FakePostageServer.h"

#include <QDateTime>

#include <gtest/gtest.h>

using tolvane::test::ConsoleCapture;
using tolvane::test::FakePostageReply;
using tolvane::test::FakePostageRequest;
using tolvane::test::FakePostageServer;
using tolvane::test::ScriptedReply;

namespace {

class QVRHOTransactionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.isReady()) << server.errorString().toStdString();
        server.setAccount("1234567", "open sesame");
        client = std::make_unique<Client>();
        client->setServer(server.baseUrl());
        client->setUseridAndPassword(QStringLiteral("1234567"), QStringLiteral("open sesame"));
        client->setServerModulus(FakePostageServer::modulusHex());
        client->setRequestTimeoutMilliseconds(10000);
    }

    // A client of its own per test (the shared instance is not touched).
    class Client : public QVRHOCommandCenter
    {};

    FakePostageRequest onlyRequest()
    {
        const auto requests = server.requests();
        EXPECT_EQ(requests.size(), 1);
        return requests.isEmpty() ? FakePostageRequest() : requests.last();
    }

    FakePostageServer server;
    std::unique_ptr<Client> client;
};

std::shared_ptr<QVRHOIndiciumRequest> indiciumRequest(const QString &postage = QStringLiteral("1.65"))
{
    return QVRHOIndiciumRequest::initWithValueDictionary({
        {QStringLiteral("Domestic"), true},
        {QStringLiteral("ToZip5"), QStringLiteral("94107")},
        {QStringLiteral("ToZip4"), QStringLiteral("1234")},
        {QStringLiteral("ToZip2"), QStringLiteral("567")},
        {QStringLiteral("Postage"), postage},
        {QStringLiteral("WeightInTenthOunces"), QStringLiteral("35")},
        {QStringLiteral("ServiceType"), QStringLiteral("4711")},
        {QStringLiteral("OptionalServices"), QStringLiteral("516")},
        {QStringLiteral("ShipDate"), QDate::currentDate().addDays(2).toString(QStringLiteral("yyyyMMdd"))},
        {QStringLiteral("PICNumber"), QStringLiteral("9400111899223344556677")},
        {QStringLiteral("MailedFromZip5"), QStringLiteral("10001")},
        {QStringLiteral("PackageReference2"), QStringLiteral("12")},
        {QStringLiteral("TransactionType"), QStringLiteral("Correction")},
    });
}

} // namespace

TEST_F(QVRHOTransactionTest, EachKindIsAcceptedByTheServerAndItsReplyRead)
{
    struct Case {
        QVRHOTransactionKind kind;
        QVRHOTransactionParameter parameter;
        int wireType;
    } cases[] = {
        {QVRHOTransactionKind::Status, QVRHOTransactionParameter::none(), 28},
        {QVRHOTransactionKind::BuyPostage, QVRHOTransactionParameter::withNumber(25000), 27},
        {QVRHOTransactionKind::Indicium, QVRHOTransactionParameter::withRequest(indiciumRequest()), 48},
        {QVRHOTransactionKind::ChangePassPhrase, QVRHOTransactionParameter::withText(QStringLiteral("abc")), 26},
        {QVRHOTransactionKind::ElectronicRefund, QVRHOTransactionParameter::withNumber(3000000000LL), 51},
        {QVRHOTransactionKind::Reprint, QVRHOTransactionParameter::withNumber(4242), 29},
        {QVRHOTransactionKind::ResetPassPhrase, QVRHOTransactionParameter::none(), 97},
    };
    quint32 piece = 100;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.wireType);
        // Each transaction runs against a fresh account state.
        server.setAccount("1234567", "open sesame");
        FakePostageReply reply;
        reply.pieceCount = ++piece;
        reply.descendingRegister = 5000;
        server.queueReplies(c.wireType, {reply});
        const int before = server.requests().size();

        std::shared_ptr<QVRHOResponse> response;
        EXPECT_EQ(client->doTransaction(c.kind, c.parameter, &response), 1);
        ASSERT_TRUE(response);
        EXPECT_EQ(response->piececount(), piece);
        EXPECT_EQ(response->balanceString(), QStringLiteral("$5.00"));

        const auto requests = server.requests();
        ASSERT_EQ(requests.size(), before + 1);
        const FakePostageRequest &seen = requests.last();
        EXPECT_TRUE(seen.accepted) << seen.refusal.toStdString();
        EXPECT_TRUE(seen.passPhraseMatched);
        EXPECT_EQ(seen.wireType, c.wireType);
        EXPECT_EQ(seen.accountNumber, 1234567);
        EXPECT_EQ(seen.accountText, QByteArray("1234567\0\0\0\0\0", 12));
        switch (c.wireType) {
        case 27:
            EXPECT_EQ(seen.amountMils, 25000);
            break;
        case 26:
            EXPECT_EQ(seen.newPassPhraseDigest, FakePostageServer::digestOfPassPhrase("abc"));
            break;
        case 51:
            EXPECT_EQ(seen.outerParameter, 3000000000u);
            break;
        case 29:
            EXPECT_EQ(seen.outerParameter, 4242u);
            break;
        case 48:
            EXPECT_EQ(seen.zip, 94107123456LL);
            EXPECT_EQ(seen.optionalServices, 516);
            EXPECT_EQ(seen.serviceClass, 4711);
            EXPECT_EQ(seen.indiciumAmountMils, 1650u);
            EXPECT_EQ(seen.weightTenthOunce, 35);
            EXPECT_EQ(seen.daysAdvance, 2);
            EXPECT_EQ(seen.indiciumKind, 0x04016763u);
            EXPECT_EQ(seen.costCenter, 12);
            EXPECT_EQ(seen.last9PIC, 344556677);
            EXPECT_EQ(seen.mailedFromZIP5, 10001);
            break;
        default:
            EXPECT_EQ(seen.outerParameter, 0u);
        }
    }
    // The pass-phrase change above made "abc" the account's pass phrase at
    // the fake; it was reset before each later case.
}

TEST_F(QVRHOTransactionTest, StatusSetsTheServerTimeOffsetAndTheLastValidStatus)
{
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    FakePostageReply reply;
    reply.timestamp = quint32(now + 3600);
    reply.descendingRegister = 12345;
    server.queueReplies(28, {reply});
    server.queueReplies(27, {reply});

    std::shared_ptr<QVRHOResponse> posted;
    int notifications = 0;
    NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        QVRHOLastValidStatusResponseDidChange, [&](const Notification &n) {
            ++notifications;
            posted = n.object.shared<QVRHOResponse>();
        });

    EXPECT_EQ(client->doTransaction(QVRHOTransactionKind::Status, {}), 1);
    EXPECT_NEAR(client->timeDifferential(), 3600, 2);
    ASSERT_TRUE(client->lastValidStatusResponse());
    EXPECT_EQ(client->lastValidStatusResponse()->balanceString(), QStringLiteral("$12.345"));
    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(posted, client->lastValidStatusResponse());

    // The next request carries the server's clock, whatever the local clock.
    EXPECT_EQ(client->doTransaction(QVRHOTransactionKind::BuyPostage, QVRHOTransactionParameter::withNumber(1)), 1);
    EXPECT_NEAR(server.requests().last().clientTime, now + 3600, 2);

    // A pass-phrase change leaves the offset alone.
    FakePostageReply late;
    late.timestamp = quint32(now - 7200);
    server.queueReplies(26, {late});
    EXPECT_EQ(client->doTransaction(QVRHOTransactionKind::ChangePassPhrase,
                                    QVRHOTransactionParameter::withText(QStringLiteral("open sesame"))),
              1);
    EXPECT_NEAR(client->timeDifferential(), 3600, 2);
}

TEST_F(QVRHOTransactionTest, RefusalsSetTheLastErrorAndHandTheReplyOut)
{
    ASSERT_EQ(client->doTransaction(QVRHOTransactionKind::Status, {}), 1);
    const auto validStatus = client->lastValidStatusResponse();
    ASSERT_TRUE(validStatus);

    // A failed indicium leaves the last valid status alone.
    FakePostageReply refused;
    refused.returnCode = 301;
    server.queueReplies(48, {refused});
    std::shared_ptr<QVRHOResponse> response;
    EXPECT_EQ(client->doTransaction(QVRHOTransactionKind::Indicium,
                                    QVRHOTransactionParameter::withRequest(indiciumRequest()), &response),
              301);
    ASSERT_TRUE(response);
    EXPECT_EQ(response->returnCode(), 301u);
    EXPECT_EQ(client->lastErrorCode(), QStringLiteral("301"));
    EXPECT_EQ(client->lastValidStatusResponse(), validStatus);

    // A wrong pass phrase: the fake answers 507; a failed status clears the
    // last valid status and says so.
    client->setPassword(QStringLiteral("wrong"));
    int notifications = 0;
    bool postedNothing = false;
    NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        QVRHOLastValidStatusResponseDidChange, [&](const Notification &n) {
            ++notifications;
            postedNothing = n.object.isNull();
        });
    EXPECT_EQ(client->doTransaction(QVRHOTransactionKind::Status, {}, &response), 507);
    EXPECT_FALSE(server.requests().last().passPhraseMatched);
    ASSERT_TRUE(response);
    EXPECT_EQ(client->lastErrorCode(), QStringLiteral("507"));
    EXPECT_FALSE(client->lastValidStatusResponse());
    EXPECT_EQ(notifications, 1);
    EXPECT_TRUE(postedNothing);
}

TEST_F(QVRHOTransactionTest, ShortAndEmptyRepliesAreErrorsWithoutAReply)
{
    FakePostageReply reply;
    const QByteArray full = reply.bytes();
    for (int length : {1, 100, 963}) {
        server.setRawReply(full.left(length));
        std::shared_ptr<QVRHOResponse> response = QVRHOResponse::responseWithData(full);
        EXPECT_EQ(client->doTransaction(QVRHOTransactionKind::Status, {}, &response), -1) << length;
        EXPECT_FALSE(response);
        EXPECT_EQ(client->lastErrorCode(), QStringLiteral("-1"));
        EXPECT_TRUE(client->lastErrorDescription().contains(QStringLiteral("%1 of 964").arg(length)))
            << client->lastErrorDescription().toStdString();
        EXPECT_FALSE(client->lastValidStatusResponse());
    }
    // An empty body leaves the last-error fields as they were.
    client->setLastError(QStringLiteral("x"), QStringLiteral("before"));
    server.setRawReply(QByteArray(""));
    EXPECT_EQ(client->doTransaction(QVRHOTransactionKind::Status, {}), -1);
    EXPECT_EQ(client->lastErrorDescription(), QStringLiteral("before"));
}

TEST_F(QVRHOTransactionTest, OnlyAnHttp200OfTheRecordsLengthIsAReply)
{
    // A server error page, however long, is no reply; nor is a reply record
    // under another status, nor a 200 longer than the record.
    const QByteArray record = FakePostageReply().bytes();
    ASSERT_EQ(record.size(), 964);
    const QByteArray page = "<!DOCTYPE html><html><body>Server Error" + QByteArray(1200, ' ') + "</body></html>";
    struct Case {
        const char *name;
        int status;
        QByteArray body;
        const char *code, *reason;
    } cases[] = {
        {"error page", 500, page, "-1011", "500"},
        {"error page of the record's length", 500, page.left(964), "-1011", "500"},
        {"record under a server error", 503, record, "-1011", "503"},
        {"empty not found", 404, QByteArray(), "-1011", "404"},
        {"redirect", 302, record, "-1011", "302"},
        {"longer than the record", 200, record + "x", "-1", "965"},
        {"page under 200", 200, page, "-1", "bytes"},
    };
    ASSERT_EQ(client->doTransaction(QVRHOTransactionKind::Status, {}), 1);
    const auto validStatus = client->lastValidStatusResponse();
    for (const Case &c : cases) {
        server.http().setReply(QVRHOTransactionPath.toLatin1(), ScriptedReply::text(c.status, c.body, "text/html"));
        for (QVRHOTransactionKind kind : {QVRHOTransactionKind::Status, QVRHOTransactionKind::Indicium}) {
            client->setLastError(QStringLiteral("7"), QStringLiteral("an earlier failure"));
            std::shared_ptr<QVRHOResponse> response = QVRHOResponse::responseWithData(record);
            const auto parameter = kind == QVRHOTransactionKind::Indicium
                ? QVRHOTransactionParameter::withRequest(indiciumRequest())
                : QVRHOTransactionParameter::none();
            EXPECT_EQ(client->doTransaction(kind, parameter, &response), -1) << c.name;
            EXPECT_FALSE(response) << c.name;
            EXPECT_EQ(client->lastErrorCode(), QLatin1String(c.code)) << c.name;
            EXPECT_TRUE(client->lastErrorDescription().contains(QLatin1String(c.reason)))
                << c.name << ": " << client->lastErrorDescription().toStdString();
        }
        EXPECT_EQ(client->lastValidStatusResponse(), validStatus) << c.name;
    }
}

TEST_F(QVRHOTransactionTest, TamperedRequestsAreRefusedByTheServer)
{
    QVRHORequestInput input;
    input.kind = 1;
    input.userid = QStringLiteral("1234567");
    input.password = QStringLiteral("open sesame");
    input.modulusHex = FakePostageServer::modulusHex();
    const auto sealed = QVRHORequest::seal(input);
    ASSERT_TRUE(sealed);

    QByteArray wrongCode = sealed->body;
    wrongCode[3] = static_cast<char>(wrongCode[3] ^ 0x01);
    QByteArray wrongType = sealed->body;
    wrongType[12] = 27; // the wire type in the clear no longer matches the code
    const QByteArray shortCode = sealed->body.left(7) + sealed->body.mid(8);
    const QByteArray bodies[] = {wrongCode, wrongType, shortCode, sealed->body + QByteArray(1, '\0')};
    const QUrl url(server.baseUrl() + QVRHOTransactionPath);
    for (const QByteArray &body : bodies) {
        const auto answer = client->postData(body, url);
        ASSERT_TRUE(answer.has_value());
        EXPECT_TRUE(answer->isEmpty());
        EXPECT_FALSE(server.requests().last().accepted);
    }
    const auto requests = server.requests();
    EXPECT_TRUE(requests.at(0).refusal.contains(QStringLiteral("authentication code")));
    EXPECT_TRUE(requests.at(1).refusal.contains(QStringLiteral("authentication code")));
    EXPECT_TRUE(requests.at(2).refusal.contains(QStringLiteral("151 bytes")));
    EXPECT_TRUE(requests.at(3).refusal.contains(QStringLiteral("153 bytes")));

    // The untouched body is accepted.
    const auto answer = client->postData(sealed->body, url);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->size(), 964);
}

TEST_F(QVRHOTransactionTest, RequestsThatCannotBeSealedAreNotSent)
{
    struct Case {
        const char *name;
        QString modulus;
        QString userid;
        QVRHOTransactionKind kind;
        QVRHOTransactionParameter parameter;
        const char *reason;
    } cases[] = {
        {"no key", QString(), QStringLiteral("1234567"), QVRHOTransactionKind::Status, {}, "not configured"},
        {"bad key",
         QStringLiteral("00xyz"),
         QStringLiteral("1234567"),
         QVRHOTransactionKind::Status,
         {},
         "could not be sealed"},
        {"long account",
         FakePostageServer::modulusHex(),
         QStringLiteral("1234567890123"),
         QVRHOTransactionKind::Status,
         {},
         "12 characters"},
        {"no indicium request",
         FakePostageServer::modulusHex(),
         QStringLiteral("1234567"),
         QVRHOTransactionKind::Indicium,
         {},
         "needs its request"},
        {"postage not a number", FakePostageServer::modulusHex(), QStringLiteral("1234567"),
         QVRHOTransactionKind::Indicium,
         QVRHOTransactionParameter::withRequest(indiciumRequest(QStringLiteral("1,65"))), "whole number of mils"},
        {"postage below a mil", FakePostageServer::modulusHex(), QStringLiteral("1234567"),
         QVRHOTransactionKind::Indicium,
         QVRHOTransactionParameter::withRequest(indiciumRequest(QStringLiteral("1.6505"))), "whole number of mils"},
        {"purchase of nothing", FakePostageServer::modulusHex(), QStringLiteral("1234567"),
         QVRHOTransactionKind::BuyPostage, QVRHOTransactionParameter::withNumber(0), "above zero"},
        {"purchase of a negative amount", FakePostageServer::modulusHex(), QStringLiteral("1234567"),
         QVRHOTransactionKind::BuyPostage, QVRHOTransactionParameter::withNumber(-25000), "above zero"},
    };
    for (const Case &c : cases) {
        client->setServerModulus(c.modulus);
        client->setUserid(c.userid);
        client->setLastError(QStringLiteral("7"), QStringLiteral("an earlier failure"));
        std::shared_ptr<QVRHOResponse> response;
        EXPECT_EQ(client->doTransaction(c.kind, c.parameter, &response), -1) << c.name;
        EXPECT_FALSE(response) << c.name;
        EXPECT_EQ(client->lastErrorCode(), QStringLiteral("-1")) << c.name;
        EXPECT_TRUE(client->lastErrorDescription().contains(QLatin1String(c.reason)))
            << c.name << ": " << client->lastErrorDescription().toStdString();
    }
    EXPECT_TRUE(server.requests().isEmpty());

    // The key may come from the user default.
    client->setServerModulus(QString());
    client->setUserid(QStringLiteral("1234567"));
    UserDefaults::standardUserDefaults().setString(FakePostageServer::modulusHex(), QVRHOServerModulusDefaultsKey);
    EXPECT_EQ(client->doTransaction(QVRHOTransactionKind::Status, {}), 1);
    UserDefaults::standardUserDefaults().removeObjectForKey(QVRHOServerModulusDefaultsKey);
}

TEST_F(QVRHOTransactionTest, TransportFailureLeavesTheTransportError)
{
    client->setServer(QStringLiteral("http://127.0.0.1:1"));
    std::shared_ptr<QVRHOResponse> response;
    EXPECT_EQ(client->doTransaction(QVRHOTransactionKind::Status, {}, &response), -1);
    EXPECT_FALSE(response);
    EXPECT_TRUE(client->lastErrorCode().startsWith(QLatin1Char('-'))) << client->lastErrorCode().toStdString();
    EXPECT_FALSE(client->lastErrorDescription().isEmpty());
}

TEST_F(QVRHOTransactionTest, RequestGoesOutWithVendorHeadersHostAndLength)
{
    QVRHOCommandCenter::setVendorHeaderProvider([] {
        return QVHeaderDictionary{{QStringLiteral("X-Vendor-Test"), QStringLiteral("yes")},
                                  {QStringLiteral("Content-Length"), QStringLiteral("1")}};
    });
    EXPECT_EQ(client->doTransaction(QVRHOTransactionKind::Status, {}), 1);
    QVRHOCommandCenter::setVendorHeaderProvider(nullptr);
    const auto request = server.http().lastRequest();
    EXPECT_EQ(request.method, QByteArray("POST"));
    EXPECT_EQ(request.path(), QByteArray("/VPOServer/VpoHttpAdapter.aspx"));
    EXPECT_EQ(request.header("X-Vendor-Test"), QByteArray("yes"));
    EXPECT_EQ(request.header("Content-Length"), QByteArray("152"));
    EXPECT_EQ(request.headerCount("Content-Length"), 1);
    EXPECT_EQ(request.header("Host"), server.http().hostAndPort().section(QLatin1Char(':'), 0, 0).toLatin1());
    EXPECT_EQ(request.body.size(), 152);
}

TEST_F(QVRHOTransactionTest, DebugLogShowsTheExchangeWithoutThePassPhrase)
{
    UserDefaults::standardUserDefaults().setBool(true, QVLogDebugInfoDefaultsKey);
    ConsoleCapture console;
    EXPECT_EQ(client->doTransaction(QVRHOTransactionKind::Status, {}), 1);
    UserDefaults::standardUserDefaults().removeObjectForKey(QVLogDebugInfoDefaultsKey);
    const QString log = console.lines().join(QLatin1Char('\n'));
    EXPECT_TRUE(log.contains(QStringLiteral("wire type 28, 152 bytes"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("964 bytes, return code 1"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("open sesame")));
}
