// The postage-server client's operations against the fake postage server:
// status and balance, postage purchase, pass-phrase change and reset, the
// indicium data of a shipment (104 bytes), reprints, refunds, each with the
// server's success and refusal codes in the last-error fields; the account
// number and the credential kept only for an accepted pass phrase; the
// receipt reports (decision, element order, their own thread, failures kept
// apart from the client's last-error fields); the web links.
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOIndiciumRequest.h"
#include "services/QVRHOStampIndiciumRequest.h"

#include "model/QVAddress.h"
#include "model/QVShipment.h"
#include "platform/Credentials.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "rates/QVUSPSRateClassNames.h"

#include "FakePostageServer.h"
#include "RecordingDialogs.h"

#include <QXmlStreamReader>
#include <QtEndian>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using tolvane::test::FakePostageReply;
using tolvane::test::FakePostageServer;
using tolvane::test::RecordedRequest;
using tolvane::test::ScriptedReply;

namespace {

constexpr int StatusWire = 28, BuyWire = 27, IndiciumWire = 48, ChangeWire = 26, RefundWire = 51, ReprintWire = 29,
              ResetWire = 97;

class QVRHOClientOperationsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.isReady()) << server.errorString().toStdString();
        UserDefaults::standardUserDefaults().removeObjectForKey(QVRHOSavePasswordDefaultsKey);
        setCredentialStore(store);
        server.setAccount("1234567", "open sesame");
        server.http().setReply(QVRHOReceiptPath.toLatin1(), ScriptedReply::text(200, "OK"));
        client = std::make_unique<Client>();
        client->setServer(server.baseUrl());
        client->setUseridAndPassword(QStringLiteral("1234567"), QStringLiteral("open sesame"));
        client->setServerModulus(FakePostageServer::modulusHex());
        client->setRequestTimeoutMilliseconds(10000);
    }
    void TearDown() override
    {
        if (client) {
            EXPECT_TRUE(client->waitForReceipts(10000));
        }
        QVRHOCommandCenter::setVendorHeaderProvider(nullptr);
        setCredentialStore(nullptr);
        UserDefaults::standardUserDefaults().removeObjectForKey(QVRHOSavePasswordDefaultsKey);
        UserDefaults::standardUserDefaults().removeObjectForKey(QVRHOWebSiteDefaultsKey);
        UserDefaults::standardUserDefaults().removeObjectForKey(QVRHOStampsVersionDefaultsKey);
    }

    class Client : public QVRHOCommandCenter
    {};

    QList<RecordedRequest> receipts()
    {
        QList<RecordedRequest> out;
        for (const RecordedRequest &request : server.http().requests())
            if (request.path() == QVRHOReceiptPath.toLatin1())
                out.append(request);
        return out;
    }

    FakePostageServer server;
    std::shared_ptr<InMemoryCredentialStore> store = std::make_shared<InMemoryCredentialStore>();
    std::unique_ptr<Client> client;
};

FakePostageReply reply(quint32 code = 1)
{
    FakePostageReply r;
    r.returnCode = code;
    r.serialNumber = 1234567;
    r.pieceCount = 77;
    r.descendingRegister = 12345;
    return r;
}

QVShipment domesticShipment()
{
    QVShipment shipment;
    QVAddress from;
    from.setName(QStringLiteral("Lena Berg"));
    from.setStreet(QStringLiteral("5 Elm St"));
    from.setCity(QStringLiteral("Boston"));
    from.setState(QStringLiteral("MA"));
    from.setZIP5(QStringLiteral("02134"));
    QVAddress to;
    to.setName(QStringLiteral("Ada Lovelace"));
    to.setStreet(QStringLiteral("1 Main St"));
    to.setCity(QStringLiteral("San Francisco"));
    to.setState(QStringLiteral("CA"));
    to.setZIP5(QStringLiteral("94107"));
    shipment.setObject(from.plist(), QVShipmentFromAddressKey);
    shipment.setObject(to.plist(), QVShipmentToAddressKey);
    shipment.setObject(QVUSPSPriorityMail, QVUSPSShipmentRateClassKey);
    shipment.setObject(QVUSPSRegularSize, QVUSPSShipmentSizeKey);
    // 2 pounds 3 ounces.
    shipment.setObject(QStringLiteral("35"), QVShipmentWeightNumberKey);
    shipment.setObject(QStringLiteral("oz"), QVShipmentWeightUnitKey);
    shipment.setObject(QVariant::fromValue(Decimal::fromString(QStringLiteral("7.15"))), QVShipmentPriceKey);
    shipment.setObject(QDateTime(QDate::currentDate(), QTime(9, 30)), QVShipmentShipDateKey);
    shipment.setObject(QStringLiteral("420941079400111899223344556677"), QVUSPSShipmentPICKey);
    shipment.setObject(QStringLiteral("10001"), QVUSPSShipmentMailedFromZIP5Key);
    return shipment;
}

// The element names of the receipt document in the query's "XML" value.
QStringList receiptElements(const RecordedRequest &request, QString *root = nullptr)
{
    const QByteArray query = request.query();
    EXPECT_TRUE(query.startsWith("XML=")) << query.constData();
    const QString xml = QUrl::fromPercentEncoding(query.mid(4));
    QStringList names;
    QXmlStreamReader reader(xml);
    int depth = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            if (++depth == 1 && root)
                *root = reader.name().toString();
            if (depth == 2)
                names << reader.name().toString();
        } else if (reader.isEndElement()) {
            --depth;
        }
    }
    EXPECT_FALSE(reader.hasError());
    return names;
}

} // namespace

TEST_F(QVRHOClientOperationsTest, EachOperationAnswersTheReplyAndRefusalsReachTheLastErrorFields)
{
    const auto request = QVRHOIndiciumRequest::initWithValueDictionary({
        {QStringLiteral("Domestic"), true},
        {QStringLiteral("ToZip5"), QStringLiteral("94107")},
        {QStringLiteral("Postage"), QStringLiteral("1.65")},
        {QStringLiteral("WeightInTenthOunces"), QStringLiteral("35")},
        {QStringLiteral("MailedFromZip5"), QStringLiteral("10001")},
    });
    struct Case {
        const char *name;
        int wireType;
        std::function<std::shared_ptr<QVRHOResponse>(QVRHOCommandCenter &)> operation;
    } cases[] = {
        {"status", StatusWire, [](QVRHOCommandCenter &c) { return c.status(); }},
        {"postageBuy", BuyWire, [](QVRHOCommandCenter &c) { return c.postageBuy(25000); }},
        {"changePasswordTo", ChangeWire,
         [](QVRHOCommandCenter &c) { return c.changePasswordTo(QStringLiteral("new phrase")); }},
        {"resetPassword", ResetWire, [](QVRHOCommandCenter &c) { return c.resetPassword(); }},
        {"electronicRefund", RefundWire, [](QVRHOCommandCenter &c) { return c.electronicRefund(4242); }},
        {"reprintIndicium", ReprintWire, [](QVRHOCommandCenter &c) { return c.reprintIndicium(4242); }},
        {"createIndicium", IndiciumWire, [&request](QVRHOCommandCenter &c) { return c.createIndicium(request); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        // Success.
        server.setAccount("1234567", "open sesame");
        server.queueReplies(c.wireType, {reply(1)});
        client->setLastError(QStringLiteral("x"), QStringLiteral("before"));
        auto answer = c.operation(*client);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->returnCode(), 1u);
        EXPECT_EQ(answer->balanceString(), QStringLiteral("$12.345"));
        EXPECT_EQ(server.requests().last().wireType, c.wireType);
        EXPECT_TRUE(server.requests().last().accepted);
        // A success leaves the last-error fields alone.
        EXPECT_EQ(client->lastErrorCode(), QStringLiteral("x"));

        // The server's refusals: 101, and 507 for a wrong pass phrase (a
        // successful change made the new pass phrase the fake's).
        server.setAccount("1234567", "open sesame");
        server.queueReplies(c.wireType, {reply(101)});
        answer = c.operation(*client);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->returnCode(), 101u);
        EXPECT_EQ(client->lastErrorCode(), QStringLiteral("101"));
        EXPECT_EQ(client->lastErrorDescription(), QString()); // the design gives no text for 101

        server.setAccount("1234567", "another phrase");
        answer = c.operation(*client);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->returnCode(), 507u);
        EXPECT_EQ(client->lastErrorCode(), QStringLiteral("507"));
        EXPECT_EQ(client->lastErrorDescription(), QStringLiteral("The Pass Phrase you entered was not correct."));
    }
}

TEST_F(QVRHOClientOperationsTest, NoReplyAnswersNothingWithTheTransportError)
{
    client->setServer(QStringLiteral("http://127.0.0.1:1"));
    EXPECT_FALSE(client->status());
    EXPECT_EQ(client->lastErrorCode(), QString::number(HttpErrorCannotConnectToHost));
    EXPECT_FALSE(client->postageBuy(1000));
}

TEST_F(QVRHOClientOperationsTest, APurchaseReplyWithoutAccountDataTakesItsBalanceFromTheStatus)
{
    FakePostageReply bare;
    bare.transactionID = 4711;
    bare.transactionAmountMils = 25000;
    FakePostageReply account = reply(1);
    account.descendingRegister = 137345;
    server.queueReplies(BuyWire, {bare});
    server.queueReplies(StatusWire, {account});
    const auto bought = client->postageBuy(25000);
    ASSERT_TRUE(bought);
    EXPECT_EQ(bought->returnCode(), 1u);
    EXPECT_EQ(bought->balanceString(), QStringLiteral("$137.345"));
    EXPECT_EQ(bought->serialNumber(), 1234567u);
    EXPECT_EQ(bought->transactionID(), 4711u);
    EXPECT_EQ(bought->transactionAmountMils(), 25000u);
    ASSERT_EQ(server.requests().size(), 2);
    EXPECT_EQ(server.requests().last().wireType, StatusWire);

    // A reply that names the account is its own answer; a failed status
    // leaves the purchase's reply.
    server.queueReplies(BuyWire, {reply(1)});
    EXPECT_EQ(client->postageBuy(1000)->balanceString(), QStringLiteral("$12.345"));
    EXPECT_EQ(server.requests().size(), 3);
    server.queueReplies(BuyWire, {bare});
    server.queueReplies(StatusWire, {reply(101)});
    const auto unconfirmed = client->postageBuy(1000);
    ASSERT_TRUE(unconfirmed);
    EXPECT_EQ(unconfirmed->returnCode(), 1u);
    EXPECT_EQ(unconfirmed->transactionID(), 4711u);
    EXPECT_EQ(server.requests().size(), 5);
}

TEST_F(QVRHOClientOperationsTest, StatusKeepsTheLastValidReplyAndPostsEachChange)
{
    QList<std::shared_ptr<QVRHOResponse>> posted;
    int notices = 0;
    NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        QVRHOLastValidStatusResponseDidChange, [&](const Notification &notice) {
            ++notices;
            posted << notice.object.shared<QVRHOResponse>();
        });
    server.queueReplies(StatusWire, {reply(1), reply(101)});
    const auto first = client->status();
    ASSERT_TRUE(first);
    EXPECT_EQ(client->lastValidStatusResponse(), first);
    EXPECT_FALSE(client->status()->returnCode() == 1);
    EXPECT_FALSE(client->lastValidStatusResponse());
    ASSERT_EQ(notices, 2);
    EXPECT_EQ(posted.at(0), first);
    EXPECT_FALSE(posted.at(1));
}

TEST_F(QVRHOClientOperationsTest, AccountNumbersLoseNonDigitsAtTheirEndsOnly)
{
    const struct {
        const char *typed;
        const char *kept;
    } cases[] = {{" 1234567 ", "1234567"}, {"#12-34x", "12-34"}, {"abc", ""}, {"\t0042\n", "0042"}};
    for (const auto &c : cases) {
        client->setUserid(QString::fromLatin1(c.typed));
        EXPECT_EQ(client->userid(), QString::fromLatin1(c.kept)) << c.typed;
        EXPECT_EQ(UserDefaults::standardUserDefaults().stringForKey(QVRHOUserDefaultsKey), QString::fromLatin1(c.kept));
    }
    client->setServer(server.baseUrl());
    EXPECT_EQ(UserDefaults::standardUserDefaults().stringForKey(QVRHOServerDefaultsKey), server.baseUrl());
}

TEST_F(QVRHOClientOperationsTest, ThePassPhraseIsKeptOnlyWhenAskedAndForTheServersProtectionSpace)
{
    client->setPassword(QStringLiteral("open sesame"));
    EXPECT_TRUE(store->credentials().isEmpty());

    UserDefaults::standardUserDefaults().setBool(true, QVRHOSavePasswordDefaultsKey);
    client->setPassword(QStringLiteral("open sesame"));
    const ProtectionSpace space = client->protectionSpace();
    EXPECT_EQ(space.host, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(space.port, int(server.http().port()));
    EXPECT_EQ(space.protocol, QStringLiteral("http"));
    EXPECT_TRUE(space.realm.isEmpty());
    EXPECT_EQ(space.authenticationMethod, ProtectionSpaceAuthenticationMethodHTMLForm);
    ASSERT_EQ(store->credentials().size(), 1);
    EXPECT_EQ(store->defaultCredential(space),
              (URLCredential{QStringLiteral("1234567"), QStringLiteral("open sesame")}));

    // An empty pass phrase or account number is never kept.
    client->setPassword(QString());
    client->setUserid(QString());
    client->setPassword(QStringLiteral("x"));
    EXPECT_EQ(store->defaultCredential(space)->password, QStringLiteral("open sesame"));
}

TEST_F(QVRHOClientOperationsTest, TryingNewCredentialsKeepsOnlyAnAcceptedPassPhrase)
{
    UserDefaults::standardUserDefaults().setBool(true, QVRHOSavePasswordDefaultsKey);
    client->setUseridAndPassword(QString(), QString());
    const ProtectionSpace space = client->protectionSpace();

    // A wrong pass phrase: refused with 507, never stored; the new account
    // number stays because there was none before.
    EXPECT_FALSE(client->tryNewUseridPassword(QStringLiteral(" 1234567"), QStringLiteral("wrong phrase")));
    EXPECT_EQ(client->lastErrorCode(), QStringLiteral("507"));
    EXPECT_TRUE(store->credentials().isEmpty());
    EXPECT_EQ(client->userid(), QStringLiteral("1234567"));
    EXPECT_EQ(client->password(), QString());
    EXPECT_FALSE(client->lastValidStatusResponse());

    // The right one: accepted, stored, and the old pass phrase is back.
    server.queueReplies(StatusWire, {reply(1)});
    EXPECT_TRUE(client->tryNewUseridPassword(QStringLiteral("1234567"), QStringLiteral("open sesame")));
    EXPECT_TRUE(client->lastValidStatusResponse());
    EXPECT_EQ(client->password(), QString());
    ASSERT_EQ(store->credentials().size(), 1);
    EXPECT_EQ(store->defaultCredential(space),
              (URLCredential{QStringLiteral("1234567"), QStringLiteral("open sesame")}));

    // With an account in use, a failed try of another account puts the old
    // number and pass phrase back and leaves the store alone.
    client->setUseridAndPassword(QStringLiteral("1234567"), QStringLiteral("open sesame"));
    EXPECT_FALSE(client->tryNewUseridPassword(QStringLiteral("7654321"), QStringLiteral("guess")));
    EXPECT_EQ(client->userid(), QStringLiteral("1234567"));
    EXPECT_EQ(client->password(), QStringLiteral("open sesame"));
    EXPECT_EQ(UserDefaults::standardUserDefaults().stringForKey(QVRHOUserDefaultsKey), QStringLiteral("1234567"));
    ASSERT_EQ(store->credentials().size(), 1);
    EXPECT_EQ(store->defaultCredential(space)->password, QStringLiteral("open sesame"));
}

TEST_F(QVRHOClientOperationsTest, IndiciumDataOfAShipmentIsTheIndiciumWithWeightAndMailedFromZIP)
{
    QVShipment shipment = domesticShipment();
    FakePostageReply indicium = reply(1);
    indicium.pieceCount = 901;
    indicium.indicium = QByteArray(98, '\x5a');
    indicium.indicium[0] = '\x01';
    server.queueReplies(IndiciumWire, {indicium});
    const auto data = client->indiciumDataWithShipment(shipment);
    ASSERT_TRUE(data);
    ASSERT_EQ(data->size(), 104);
    EXPECT_EQ(data->left(98), indicium.indicium);
    EXPECT_EQ(quint8(data->at(98)), 3); // 3 ounces within the pound
    EXPECT_EQ(quint8(data->at(99)), 2); // 2 pounds
    EXPECT_EQ(qFromLittleEndian<qint32>(data->constData() + 100), 10001);

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests.at(0).wireType, StatusWire);
    EXPECT_EQ(requests.at(1).wireType, IndiciumWire);
    EXPECT_EQ(requests.at(1).weightTenthOunce, 350);
    EXPECT_EQ(requests.at(1).indiciumAmountMils, 7150u);
    EXPECT_EQ(shipment.objectForKey(QVUSPSShipmentRHOAccountKey).toLongLong(), 1234567);
    EXPECT_EQ(shipment.objectForKey(QVUSPSShipmentRHOPieceCountKey).toLongLong(), 901);
    EXPECT_EQ(shipment.objectForKey(QVUSPSShipmentRHOBalanceKey).toString(), QStringLiteral("$12.345"));
    EXPECT_EQ(shipment.objectForKey(QVUSPSShipmentRHODeviceIDKey).toString(), QStringLiteral("QV1M01234567"));

    // The tracking number makes the piece reportable.
    ASSERT_TRUE(client->waitForReceipts(10000));
    const auto sent = receipts();
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent.at(0).method, QByteArray("GET"));
}

TEST_F(QVRHOClientOperationsTest, IndiciumDataIsNothingWhenStatusOrIndiciumIsRefused)
{
    QVShipment shipment = domesticShipment();
    server.queueReplies(StatusWire, {reply(101)});
    EXPECT_FALSE(client->indiciumDataWithShipment(shipment));
    EXPECT_EQ(server.requests().size(), 1); // no indicium asked for

    server.queueReplies(StatusWire, {reply(1)});
    server.queueReplies(IndiciumWire, {reply(101)});
    EXPECT_FALSE(client->indiciumDataWithShipment(shipment));
    EXPECT_EQ(client->lastErrorCode(), QStringLiteral("101"));
    EXPECT_FALSE(shipment.objectForKey(QVUSPSShipmentRHOPieceCountKey).isValid());
    EXPECT_TRUE(client->waitForReceipts(10000));
    EXPECT_TRUE(receipts().isEmpty());
}

TEST_F(QVRHOClientOperationsTest, ReprintAnswersTheIndiciumOnlyWhenTheReplyMatchesTheShipment)
{
    tolvane::test::DialogsScope dialogs;
    QVShipment logged = domesticShipment();
    logged.setObject(4242, QVUSPSShipmentRHOPieceCountKey);

    FakePostageReply good = reply(1);
    good.pieceCount = 4242;
    good.referenceID = "94107";
    good.transactionAmountMils = 7150;
    good.returnDateTime = "201412101530";
    good.indicium = QByteArray(98, '\x33');
    struct Case {
        const char *name;
        FakePostageReply reply;
        bool answers;
    } cases[] = {
        {"match", good, true},
        {"other piece",
         [&] {
             auto r = good;
             r.pieceCount = 4243;
             return r;
         }(),
         false},
        {"other ZIP5",
         [&] {
             auto r = good;
             r.referenceID = "10001";
             return r;
         }(),
         false},
        {"other amount",
         [&] {
             auto r = good;
             r.transactionAmountMils = 7151;
             return r;
         }(),
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        server.queueReplies(ReprintWire, {c.reply});
        QVShipment shipment = logged;
        const auto data = client->reprintDataWithShipment(shipment);
        EXPECT_EQ(bool(data), c.answers);
        EXPECT_EQ(server.requests().last().outerParameter, 4242u);
        if (data) {
            EXPECT_EQ(*data, good.indicium);
            EXPECT_EQ(shipment.objectForKey(QVShipmentShipDateKey).toDateTime(),
                      QDateTime(QDate(2014, 12, 10), QTime(15, 30)));
        }
    }
    EXPECT_TRUE(dialogs->alerts.isEmpty()); // a mismatch shows nothing

    // A refusal shows the alert with the server's code.
    server.queueReplies(ReprintWire, {reply(101)});
    QVShipment shipment = logged;
    EXPECT_FALSE(client->reprintDataWithShipment(shipment));
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts.at(0).messageText, QStringLiteral("Could not complete transaction."));
    EXPECT_EQ(dialogs->alerts.at(0).informativeText,
              QStringLiteral("Tolvane was unable to reprint postage.\n\nError 101"));
}

TEST_F(QVRHOClientOperationsTest, ReceiptsGoForReportablePiecesOnlyInTheDocumentsElementOrder)
{
    const QVariantMap base{{QStringLiteral("Domestic"), true},
                           {QStringLiteral("ToZip5"), QStringLiteral("94107")},
                           {QStringLiteral("Postage"), QStringLiteral("1.650")},
                           {QStringLiteral("ShipDate"), QStringLiteral("20141210")},
                           {QStringLiteral("InsuranceType"), QStringLiteral("0")}};
    auto with = [&base](const QVariantMap &extra) {
        QVariantMap values = base;
        for (auto it = extra.constBegin(); it != extra.constEnd(); ++it)
            values.insert(it.key(), it.value());
        return QVRHOIndiciumRequest::initWithValueDictionary(values);
    };
    auto stamp = [](const std::optional<QString> &reference) {
        auto request = std::make_shared<QVRHOStampIndiciumRequest>(Decimal::fromString(QStringLiteral("0.49")),
                                                                   QVUSPSFirstClassMail, 1, QVUSPSRegularSize, false);
        request->setReferenceID(reference);
        return request;
    };
    const struct Case {
        const char *name;
        std::shared_ptr<QVRHOIndiciumRequest> request;
        bool sent;
    } cases[] = {
        {"nothing reportable", with({}), false},
        {"tracking number", with({{QStringLiteral("PICNumber"), QStringLiteral("9400111899223344556677")}}), true},
        {"confirm number", with({{QStringLiteral("CONFIRM"), QStringLiteral("00040000745000000001")}}), true},
        {"vendor insurance only", with({{QStringLiteral("InsuranceType"), QVUSPSShipmentTolvaneInsuranceType}}), true},
        {"customs id", with({{QStringLiteral("CustomsID"), QStringLiteral("CP123456789US")}}), true},
        {"postage correction",
         with({{QStringLiteral("PICNumber"), QStringLiteral("9400111899223344556677")},
               {QStringLiteral("TransactionType"), QStringLiteral("Correction")}}),
         false},
        {"stamp without reference", stamp(std::nullopt), false},
        {"stamp with empty reference", stamp(QString()), false},
        {"stamp with reference", stamp(QStringLiteral("JOB-7")), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        server.http().clearRequests();
        FakePostageReply indicium = reply(1);
        indicium.pieceCount = 31;
        server.queueReplies(IndiciumWire, {indicium});
        const auto answer = c.request->isStampRequest()
            ? client->createStampIndicium(std::static_pointer_cast<QVRHOStampIndiciumRequest>(c.request))
            : client->createIndicium(c.request);
        ASSERT_TRUE(answer);
        ASSERT_TRUE(client->waitForReceipts(10000));
        const auto sent = receipts();
        ASSERT_EQ(sent.size(), c.sent ? 1 : 0);
        if (!c.sent)
            continue;
        QString root;
        const QStringList names = receiptElements(sent.at(0), &root);
        EXPECT_EQ(root, QStringLiteral("ConfirmReceipt"));
        const QString xml = QUrl::fromPercentEncoding(sent.at(0).query().mid(4));
        EXPECT_TRUE(xml.contains(QStringLiteral("<AccntID>1234567</AccntID>")));
        EXPECT_TRUE(xml.contains(QStringLiteral("<PieceID>31</PieceID>")));
        if (c.request->isStampRequest()) {
            EXPECT_TRUE(xml.contains(QStringLiteral("<PackageReference1>JOB-7</PackageReference1>")));
        } else {
            // The order of the receipt's elements, skipping those without a
            // value.
            const QStringList order{"PICNumber",
                                    "AccntID",
                                    "PieceID",
                                    "FromName",
                                    "FromFirm",
                                    "FromAddress1",
                                    "FromAddress2",
                                    "FromCity",
                                    "FromState",
                                    "FromZip5",
                                    "FromZip4",
                                    "ToName",
                                    "ToFirm",
                                    "ToAddress1",
                                    "ToAddress2",
                                    "ToCity",
                                    "ToState",
                                    "ToZip5",
                                    "ToZip4",
                                    "ToCountry",
                                    "FromPhone",
                                    "ToPhone",
                                    "WeightInOunces",
                                    "ServiceType",
                                    "OptionalServices",
                                    "ShipDate",
                                    "Postage",
                                    "PackageValue",
                                    "PackageDescription",
                                    "InsuranceType",
                                    "WaiverOfSignature",
                                    "NoHoliday",
                                    "NoWeekend",
                                    "NoSaturday",
                                    "NoSunday",
                                    "CONFIRM",
                                    "SenderEMail",
                                    "RecipientEMail",
                                    "PackageReference1",
                                    "PackageReference2",
                                    "CustomsID"};
            QStringList expected;
            for (const QString &name : order)
                if (name == QLatin1String("AccntID") || name == QLatin1String("PieceID") ||
                    c.request->values().contains(name))
                    expected << name;
            EXPECT_EQ(names, expected);
        }
    }
}

TEST_F(QVRHOClientOperationsTest, TheReceiptRunsOnAThreadOfItsOwnAndItsFailureStaysApart)
{
    std::atomic<bool> askedOnMainThread{true};
    const std::thread::id mainThread = std::this_thread::get_id();
    QVRHOCommandCenter::setVendorHeaderProvider([&] {
        askedOnMainThread = std::this_thread::get_id() == mainThread;
        return QVHeaderDictionary{{QStringLiteral("X-Vendor"), QStringLiteral("QV")}};
    });
    ScriptedReply slow = ScriptedReply::text(200, "OK");
    slow.delayMilliseconds = 1500;
    server.http().setReply(QVRHOReceiptPath.toLatin1(), slow);
    const auto request = QVRHOIndiciumRequest::initWithValueDictionary(
        {{QStringLiteral("PICNumber"), QStringLiteral("9400111899223344556677")}});

    // The call comes back before the server has answered.
    EXPECT_TRUE(client->sendReceiptTransactionForRequest(*request, QStringLiteral("5")));
    EXPECT_FALSE(client->waitForReceipts(200));
    ASSERT_TRUE(client->waitForReceipts(10000));
    EXPECT_FALSE(askedOnMainThread);
    ASSERT_EQ(receipts().size(), 1);
    EXPECT_EQ(receipts().at(0).header("X-Vendor"), QByteArray("QV"));
    EXPECT_TRUE(client->lastReceiptErrorCode().isEmpty());

    // A receipt that finds no server leaves the client's last-error fields
    // to the main thread's transactions.
    client->setLastError(QStringLiteral("507"), QStringLiteral("main thread's"));
    client->setServer(QStringLiteral("http://127.0.0.1:1"));
    client->doReceiptTransaction(QStringLiteral("<ConfirmReceipt/>"));
    ASSERT_TRUE(client->waitForReceipts(10000));
    EXPECT_EQ(client->lastReceiptErrorCode(), QString::number(HttpErrorCannotConnectToHost));
    EXPECT_EQ(client->lastErrorCode(), QStringLiteral("507"));
    EXPECT_EQ(client->lastErrorDescription(), QStringLiteral("main thread's"));

    // No URL can be made of a server address that is no URL.
    client->setServer(QStringLiteral("::not a url::"));
    client->doReceiptTransaction(QStringLiteral("<ConfirmReceipt/>"));
    ASSERT_TRUE(client->waitForReceipts(10000));
    EXPECT_TRUE(client->lastReceiptErrorDescription().startsWith(QStringLiteral("bad receipt URL: ")));
}

TEST_F(QVRHOClientOperationsTest, WebLinksNeedAValidStatusAndCarryTheEscapedWebPassword)
{
    UserDefaults::standardUserDefaults().setString(QStringLiteral("www.vendor.test"), QVRHOWebSiteDefaultsKey);
    EXPECT_FALSE(client->logURL());
    EXPECT_FALSE(client->storeURL());

    FakePostageReply status = reply(1);
    status.webPassword = "p&w d";
    server.queueReplies(StatusWire, {status});
    ASSERT_TRUE(client->status());
    const struct {
        const char *name;
        std::optional<QUrl> url;
        const char *expected;
    } cases[] = {
        {"log", client->logURL(),
         "https://www.vendor.test/Account/LogIn/?SerialNumber=1234567&AccountPW=p%26w%20d&AccountTrans=Yes"},
        {"payment", client->changePaymentURL(),
         "https://www.vendor.test/Account/LogIn/?SerialNumber=1234567&AccountPW=p%26w%20d&ChangePayment=Yes"},
        {"account", client->postageAccountURL(),
         "https://www.vendor.test/Account/LogIn/?SerialNumber=1234567&AccountPW=p%26w%20d"},
        {"refund", client->refundRequestURL(),
         "https://www.vendor.test/Account/LogIn/?SerialNumber=1234567&AccountPW=p%26w%20d&RefundRequest=Yes"},
        {"refund piece", client->refundRequestURLForPieceCount(4242),
         "https://www.vendor.test/VLS/RefundStart.cfm?accountnumber=1234567&webpassword=p%26w%20d&pieceid=4242"},
        {"store", client->storeURL(),
         "https://www.vendor.test/Store/?Store=Mac&UserName=1234567&WebPassword=p%26w%20d"},
        {"supplies", client->tessaroSuppliesURL(),
         "https://www.vendor.test/Store/?RedirectPostage=Yes&UserName=1234567&WebPassword=p%26w%20d"},
        {"scan form", client->scanFormCreationURL(),
         "https://www.vendor.test/Account/Login/?SerialNumber=1234567&AccountPW=p%26w%20d&ScanForm"},
        {"web stores", client->webStoreWizardURL(),
         "https://www.vendor.test/Account/Login/?SerialNumber=1234567&AccountPW=p%26w%20d&ManageStores=V2"},
    };
    for (const auto &c : cases) {
        ASSERT_TRUE(c.url) << c.name;
        EXPECT_EQ(c.url->toEncoded(), QByteArray(c.expected)) << c.name;
    }

    // The development web hosts get the port 4025.
    client->setDevelopmentWebHosts(QStringLiteral("dev.vendor.test"), QStringLiteral("corp.test"));
    for (const char *host : {"DEV.vendor.test", "web.CORP.test"}) {
        UserDefaults::standardUserDefaults().setString(QString::fromLatin1(host), QVRHOWebSiteDefaultsKey);
        ASSERT_TRUE(client->webStoreWizardURL());
        EXPECT_EQ(client->webStoreWizardURL()->port(), 4025) << host;
        EXPECT_EQ(client->storeURL()->port(), -1) << host;
    }

    UserDefaults::standardUserDefaults().setString(QStringLiteral("www.vendor.test"), QVRHOWebSiteDefaultsKey);
    EXPECT_EQ(QVRHOCommandCenter::accountSetupURL()->toString(), QStringLiteral("https://www.vendor.test/"));
    UserDefaults::standardUserDefaults().setBool(true, QVRHOStampsVersionDefaultsKey);
    EXPECT_EQ(QVRHOCommandCenter::accountSetupURL()->toString(), QStringLiteral("https://www.vendor.test/kivostamps"));
}
