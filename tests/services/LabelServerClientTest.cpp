// The label-server client against the fake label server: the label, rate,
// account-status, purchase, refund and SCAN-form round trips, the vendor
// headers and form encoding, the request ids, the error fields, and a debug
// log that never holds the pass phrase.
#include "LabelServerTestSupport.h"

#include "model/ClientServices.h"
#include "services/LabelServerXML.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVShipmentVLS.h"

#include "ConsoleCapture.h"
#include "QtPrinters.h"
#include "TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QUuid>

using namespace tolvane::test;

namespace {

class LabelServerClientTest : public LabelServerFixture
{};

QString text(const std::optional<QVXMLDocument> &reply, const char *xpath)
{
    return reply ? qv_stringForAnyPrefixXPath(*reply, QString::fromLatin1(xpath)) : QStringLiteral("<no reply>");
}

TEST_F(LabelServerClientTest, LabelRoundTripSendsTheDocumentAsOneFormFieldWithTheVendorHeaders)
{
    QVShipment shipment(domesticShipmentDictionary());
    const auto reply =
        client->labelForShipment(shipment, false, {{QVLabelTypeAttributeKey, QStringLiteral("QVEPL2Label")}});
    ASSERT_TRUE(reply) << client->lastErrorDescription().toStdString();
    EXPECT_EQ(text(reply, "//*:Status"), QStringLiteral("0"));
    EXPECT_EQ(text(reply, "//*:TrackingNumber"), QStringLiteral("9400100000000000000017"));

    const auto received = server.lastReceived();
    ASSERT_TRUE(received);
    EXPECT_EQ(received->path, FakeLabelServer::LabelPath);
    EXPECT_EQ(received->field, QByteArray("labelRequestXML"));
    const XmlElement &document = received->document;
    EXPECT_EQ(document.name, QStringLiteral("LabelRequest"));
    EXPECT_EQ(document.attributes.value(QStringLiteral("Test")), QStringLiteral("NO"));
    EXPECT_EQ(document.attributes.value(QStringLiteral("ImageFormat")), QStringLiteral("EPL2"));
    EXPECT_EQ(document.attributes.value(QStringLiteral("ImageRotation")), QStringLiteral("None"));
    EXPECT_EQ(document.childNames().mid(0, 3),
              (QStringList{QStringLiteral("RequesterID"), QStringLiteral("AccountID"), QStringLiteral("PassPhrase")}));
    EXPECT_EQ(document.childText(QStringLiteral("RequesterID")), QStringLiteral("qzvt"));
    EXPECT_EQ(document.childText(QStringLiteral("AccountID")), QStringLiteral("1234567"));
    EXPECT_EQ(document.childText(QStringLiteral("PassPhrase")), account->passPhrase);
    EXPECT_FALSE(document.child(QStringLiteral("RequestID")));

    const RecordedRequest &request = received->request;
    EXPECT_EQ(request.method, QByteArray("POST"));
    EXPECT_EQ(request.header("Content-Type"), QByteArray("application/x-www-form-urlencoded; charset=utf-8"));
    EXPECT_EQ(request.header("Tolvane-Account"), QByteArray("1234567"));
    EXPECT_EQ(request.header("Tolvane-Partner"), QByteArray("qzvt"));
    EXPECT_EQ(request.header("Tolvane-Client-Software"), QByteArray("TolvaneForMac"));
    EXPECT_FALSE(request.header("Tolvane-Client-Version").isEmpty());
    EXPECT_EQ(request.header("Tolvane-MailClass"), QByteArray("Priority"));
    EXPECT_FALSE(QUuid::fromString(QString::fromLatin1(request.header("Tolvane-Client-LogId"))).isNull());
    EXPECT_TRUE(request.header("SOFTWARE-ID").isNull());
    // Only the field's own "=" is unescaped: the document's ";/?:@&=+,$"
    // are all escaped.
    const QByteArray value = request.body.mid(QByteArray("labelRequestXML=").size());
    ASSERT_TRUE(request.body.startsWith("labelRequestXML="));
    for (const char c : QByteArray(";/?:@&=+,$<> \"'"))
        EXPECT_FALSE(value.contains(c)) << c;
}

TEST_F(LabelServerClientTest, NumberOnlyRequestsCarryTheClientSecretHeadersAndNoImageFormat)
{
    QVShipment shipment(domesticShipmentDictionary());
    ASSERT_TRUE(client->labelForShipment(shipment, true, {{QVNumberOnlyAttributeKey, true}}));
    const auto received = server.lastReceived();
    ASSERT_TRUE(received);
    EXPECT_EQ(received->request.header("SOFTWARE-ID"), QByteArray("TolvaneForMac"));
    EXPECT_EQ(received->request.header("USER-NAME"), QByteArray("TolvaneForMac"));
    EXPECT_EQ(received->request.header("USER-SECRET"), QByteArray("Wq4ntRz7Lp2"));
    EXPECT_EQ(received->document.attributes.value(QStringLiteral("Test")), QStringLiteral("YES"));
    EXPECT_FALSE(received->document.attributes.contains(QStringLiteral("ImageFormat")));
}

TEST_F(LabelServerClientTest, ClientSoftwareHeaderFollowsTheEdition)
{
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    const struct {
        bool kivo;
        bool zpm;
        const char *software;
    } cases[] = {{false, false, "TolvaneForMac"},
                 {false, true, "TolvaneForMac"},
                 {true, false, "KIVOStampsMac"},
                 {true, true, "ZPMMac"}};
    QSet<QString> logIds;
    for (const auto &c : cases) {
        defaults.setBool(c.kivo, QStringLiteral("kivoStampsVersion"));
        defaults.setBool(c.zpm, QStringLiteral("zpmVersion"));
        const QVHeaderDictionary headers = client->additionalHeaderDictionaryForShipment(nullptr);
        EXPECT_EQ(headers.value(QStringLiteral("Tolvane-Client-Software")), QString::fromLatin1(c.software));
        EXPECT_FALSE(headers.contains(QStringLiteral("Tolvane-MailClass")));
        logIds.insert(headers.value(QStringLiteral("Tolvane-Client-LogId")));
    }
    EXPECT_EQ(logIds.size(), 4) << "a new log id for every call";
    QVShipment unmapped(domesticShipmentDictionary());
    unmapped.setObject(QStringLiteral("QVUSPSParcelPost"), QStringLiteral("QVUSPSShipmentRateClassKey"));
    EXPECT_EQ(client->additionalHeaderDictionaryForShipment(&unmapped).value(QStringLiteral("Tolvane-MailClass")),
              QStringLiteral(""));
}

TEST_F(LabelServerClientTest, RateQuoteAndVLSPriceReadPostageTotalAmount)
{
    server.setPostage(QStringLiteral("8.95"));
    QVShipment shipment(domesticShipmentDictionary());
    const auto reply = client->rateRequestForShipment(shipment);
    ASSERT_TRUE(reply);
    EXPECT_EQ(server.lastReceived()->field, QByteArray("postageRateRequestXML"));
    EXPECT_EQ(server.lastReceived()->path, FakeLabelServer::RatePath);
    EXPECT_EQ(VLSPriceFromReply(*reply), Decimal::fromString(QStringLiteral("8.95")));
    EXPECT_EQ(VLSPrice(shipment), Decimal::fromString(QStringLiteral("8.95")));

    // Registered as the model's label-server service.
    installLabelServerServices();
    EXPECT_EQ(labelServerServices()->VLSPrice(shipment), Decimal::fromString(QStringLiteral("8.95")));
    // ... and its headers are the postage server's vendor headers.
    EXPECT_EQ(QVRHOCommandCenter::vendorHeaders().value(QStringLiteral("Tolvane-Partner")), QStringLiteral("qzvt"));
    setLabelServerServices(nullptr);
    QVRHOCommandCenter::setVendorHeaderProvider(nullptr);

    // The prepared request is not sent.
    const int before = server.http().requestCount();
    const HttpRequest prepared = client->URLRequestForRateRequestForShipment(shipment);
    EXPECT_EQ(prepared.url.path(), QString::fromLatin1(FakeLabelServer::RatePath));
    EXPECT_EQ(server.http().requestCount(), before);
}

TEST_F(LabelServerClientTest, VLSPriceIsZeroWithoutAReplyOrWithoutAPrice)
{
    QVShipment shipment(domesticShipmentDictionary());
    server.setStatus(QStringLiteral("12"), QStringLiteral("Rate not available"));
    EXPECT_TRUE(VLSPrice(shipment).isZero()) << "a refusal carries no price";

    // A server that cannot be reached.
    quint16 closedPort = 0;
    {
        LocalHttpServer gone;
        closedPort = gone.port();
    }
    UserDefaults::standardUserDefaults().setString(QStringLiteral("127.0.0.1:%1").arg(closedPort),
                                                   QVLabelServiceServerDefaultsKey);
    EXPECT_TRUE(VLSPrice(shipment).isZero());
    EXPECT_FALSE(client->lastErrorCode().isEmpty());

    // No server at all: nothing is sent.
    UserDefaults::standardUserDefaults().removeObjectForKey(QVLabelServiceServerDefaultsKey);
    EXPECT_FALSE(client->rateRequestForShipment(shipment));
    EXPECT_TRUE(client->lastErrorDescription().contains(QStringLiteral("labelServiceServer")));
}

TEST_F(LabelServerClientTest, AccountStatusAndPurchaseCarryTheAuthenticationElements)
{
    server.setBalance(QStringLiteral("100.00"));
    const auto status = client->accountStatus();
    ASSERT_TRUE(status);
    EXPECT_EQ(text(status, "//*:PostageBalance"), QStringLiteral("100.00"));
    const XmlElement first = server.lastReceived()->document;
    EXPECT_EQ(first.name, QStringLiteral("AccountStatusRequest"));
    EXPECT_EQ(server.lastReceived()->field, QByteArray("accountStatusRequestXML"));
    EXPECT_EQ(first.childNames(),
              (QStringList{QStringLiteral("RequesterID"), QStringLiteral("RequestID"),
                           QStringLiteral("CertifiedIntermediary")}));
    const XmlElement *intermediary = first.child(QStringLiteral("CertifiedIntermediary"));
    ASSERT_TRUE(intermediary);
    EXPECT_EQ(intermediary->childNames(), (QStringList{QStringLiteral("AccountID"), QStringLiteral("PassPhrase")}));
    EXPECT_EQ(intermediary->childText(QStringLiteral("PassPhrase")), account->passPhrase);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d{6}$"))
                    .match(first.childText(QStringLiteral("RequestID")))
                    .hasMatch());

    const auto purchase = client->postageBuyForAmount(Decimal::fromString(QStringLiteral("25.5")));
    ASSERT_TRUE(purchase);
    const XmlElement second = server.lastReceived()->document;
    EXPECT_EQ(second.name, QStringLiteral("RecreditRequest"));
    EXPECT_EQ(second.childText(QStringLiteral("RecreditAmount")), QStringLiteral("25.5"));
    EXPECT_EQ(text(purchase, "//*:PostageBalance"), QStringLiteral("125.50"));
    EXPECT_NE(first.childText(QStringLiteral("RequestID")), second.childText(QStringLiteral("RequestID")));
}

TEST_F(LabelServerClientTest, TheAccountIsThePostageServerClientsUnlessAnotherIsRegistered)
{
    setPostageServerAccount(nullptr);
    const auto postage = QVRHOCommandCenter::commandCenter();
    postage->setUseridAndPassword(QStringLiteral("7654321"), QStringLiteral("other phrase"));
    EXPECT_EQ(client->userid(), QStringLiteral("7654321"));
    EXPECT_EQ(client->password(), QStringLiteral("other phrase"));
    const struct {
        const char *server;
        bool test;
    } cases[] = {{"https://192.168.1.20/", true},
                 {"vpo.local", true},
                 {"https://postage.example", false},
                 {"10.0.0.1", false},
                 {"https://x.local.example", false},
                 {"http://127.0.0.1:8080", true},
                 {"localhost", true},
                 {"http://[::1]:80/", true},
                 {"127.example", false},
                 {"https://128.0.0.1", false}};
    for (const auto &c : cases) {
        postage->setServer(QString::fromLatin1(c.server));
        EXPECT_EQ(postageServerAccount()->testServer(), c.test) << c.server;
    }
}

TEST_F(LabelServerClientTest, RequestIdsAreNewForEveryCall)
{
    QSet<QString> ids;
    for (int i = 0; i < 1000; ++i)
        ids.insert(QVRHOLabelServerCommandCenter::newRequestID());
    EXPECT_EQ(ids.size(), 1000);
}

TEST_F(LabelServerClientTest, RefundsByPieceAndByNumber)
{
    const auto byPiece = client->electronicRefundPieceCount(4711);
    ASSERT_TRUE(byPiece);
    EXPECT_EQ(text(byPiece, "//*:RefundStatus"), QStringLiteral("APPROVED"));
    const XmlElement v2 = server.lastReceived()->document;
    EXPECT_EQ(server.lastReceived()->field, QByteArray("refundRequestXML"));
    EXPECT_EQ(v2.childNames(),
              (QStringList{QStringLiteral("RequesterID"), QStringLiteral("RequestID"),
                           QStringLiteral("CertifiedIntermediary"), QStringLiteral("PieceNumbers")}));
    EXPECT_EQ(v2.child(QStringLiteral("PieceNumbers"))->childText(QStringLiteral("PieceNumber")),
              QStringLiteral("4711"));

    // By number, through the supplemental service: a customs number (E, C
    // or L first) is a CustomsID, anything else a PICNumber.
    const struct {
        const char *number;
        const char *element;
        const char *sent;
    } cases[] = {{" EC123456789US ", "CustomsID", "EC123456789US"},
                 {"CP000000001US", "CustomsID", "CP000000001US"},
                 {"LZ1+2", "CustomsID", "LZ1+2"},
                 {"9400100000000000000017", "PICNumber", "9400100000000000000017"}};
    server.setRefundApproved(false, QStringLiteral("Too late & too bad"));
    for (const auto &c : cases) {
        const auto reply = client->electronicRefundTrackingNumber(QString::fromLatin1(c.number));
        ASSERT_TRUE(reply) << c.number;
        const auto received = server.lastReceived();
        EXPECT_EQ(received->path, FakeLabelServer::SupplementalPath);
        EXPECT_EQ(received->method, QByteArray("RefundRequest"));
        EXPECT_EQ(received->request.target, FakeLabelServer::SupplementalPath + QByteArray("?&method=RefundRequest"));
        EXPECT_EQ(received->request.header("Tolvane-Partner"), QByteArray("qzvt"));
        const XmlElement &document = received->document;
        EXPECT_EQ(document.childNames(),
                  (QStringList{QStringLiteral("AccountID"), QStringLiteral("PassPhrase"), QStringLiteral("Test"),
                               QStringLiteral("RefundList")}));
        EXPECT_EQ(document.childText(QStringLiteral("Test")), QStringLiteral("N"));
        const XmlElement *list = document.child(QStringLiteral("RefundList"));
        ASSERT_TRUE(list && list->children.size() == 1);
        EXPECT_EQ(list->children.first().name, QString::fromLatin1(c.element));
        EXPECT_EQ(list->children.first().text, QString::fromLatin1(c.sent));
        EXPECT_EQ(text(reply, "//*:IsApproved"), QStringLiteral("NO"));
        EXPECT_EQ(text(reply, "//*:ErrorMsg"), QStringLiteral("Too late & too bad"));
    }
}

TEST_F(LabelServerClientTest, SCANFormListsEachShipmentByPieceOrNumber)
{
    auto byPiece = std::make_shared<QVShipment>(domesticShipmentDictionary());
    byPiece->setObject(QStringLiteral("815"), QVUSPSShipmentRHOPieceCountKey);
    auto byPIC = std::make_shared<QVShipment>(domesticShipmentDictionary());
    byPIC->setObject(QStringLiteral("9400100000000000000017"), QVUSPSShipmentPICKey);
    auto byCustoms = std::make_shared<QVShipment>(domesticShipmentDictionary());
    byCustoms->setObject(QStringLiteral("0"), QVUSPSShipmentRHOPieceCountKey);
    byCustoms->setObject(QStringLiteral("CP000000001US"), QVUSPSShipmentCustomsBarcodeNumberKey);
    const auto reply = client->SCANFormForShipments({byPiece, byPIC, byCustoms});
    ASSERT_TRUE(reply);
    EXPECT_EQ(text(reply, "//*:Status"), QStringLiteral("0"));
    const auto received = server.lastReceived();
    EXPECT_EQ(received->method, QByteArray("SCANRequest"));
    const XmlElement &document = received->document;
    EXPECT_EQ(document.name, QStringLiteral("SCANRequest"));
    EXPECT_EQ(document.childNames(),
              (QStringList{QStringLiteral("AccountID"), QStringLiteral("PassPhrase"), QStringLiteral("Test"),
                           QStringLiteral("ImageFormat"), QStringLiteral("SCANList")}));
    EXPECT_EQ(document.childText(QStringLiteral("Test")), QStringLiteral("Y"));
    EXPECT_EQ(document.childText(QStringLiteral("ImageFormat")), QStringLiteral("PDF"));
    const XmlElement *list = document.child(QStringLiteral("SCANList"));
    ASSERT_TRUE(list);
    EXPECT_EQ(list->childNames(),
              (QStringList{QStringLiteral("PieceID"), QStringLiteral("PICNumber"), QStringLiteral("CustomsID")}));
    EXPECT_EQ(list->childText(QStringLiteral("PieceID")), QStringLiteral("815"));
    EXPECT_EQ(list->childText(QStringLiteral("CustomsID")), QStringLiteral("CP000000001US"));
}

TEST_F(LabelServerClientTest, AStatusOtherThanZeroSetsTheErrorFieldsAndStillAnswersTheReply)
{
    server.setStatus(QStringLiteral("-2147219040"), QStringLiteral("The pass phrase is not valid."));
    QVShipment shipment(domesticShipmentDictionary());
    const auto reply = client->labelForShipment(shipment, false, {});
    ASSERT_TRUE(reply);
    EXPECT_EQ(text(reply, "//*:Status"), QStringLiteral("-2147219040"));
    EXPECT_EQ(client->lastErrorCode(), QStringLiteral("-2147219040"));
    EXPECT_EQ(client->lastErrorDescription(), QStringLiteral("The pass phrase is not valid."));
}

TEST_F(LabelServerClientTest, AReplyThatIsNotXMLAnswersNothingWithTheParserMessage)
{
    for (const QByteArray &body : {QByteArray("<html><body>Service Unavailable"), QByteArray(),
                                   QByteArray("<?xml version=\"1.0\"?><!DOCTYPE a [<!ENTITY x \"y\">]><a>&x;</a>")}) {
        server.setRawReply(FakeLabelServer::AccountStatusPath, body);
        client->setLastError(QString(), QString());
        EXPECT_FALSE(client->accountStatus()) << body.constData();
        EXPECT_EQ(client->lastErrorCode(), QStringLiteral("-1"));
        EXPECT_FALSE(client->lastErrorDescription().isEmpty());
    }
}

TEST_F(LabelServerClientTest, StampsRequestSendsTheTemplatePerStamp)
{
    const QVXMLDocument stamp = QVRHOLabelServerCommandCenter::nullStampRequestElement();
    EXPECT_EQ(qv_stringForAnyPrefixXPath(stamp, QStringLiteral("/StampRequest/ToCountryCode")), QStringLiteral("US"));
    const QVXMLDocument empty = QVRHOLabelServerCommandCenter::stampRequestElementForStampRequest(QVariant(1));
    EXPECT_EQ(empty.rootElement().name(), QStringLiteral("StampRequest"));
    EXPECT_TRUE(qv_nodeForXPath(empty.rootElement(), QStringLiteral("*")).isNull());
    ASSERT_TRUE(client->stampsForStampRequests({QVariant(1), QVariant(2)}, QStringLiteral("roll"), 1, false));
    const auto received = server.lastReceived();
    EXPECT_EQ(received->path, FakeLabelServer::StampsPath);
    EXPECT_EQ(received->field, QByteArray("stampsRequestXML"));
    EXPECT_EQ(received->document.childCount(QStringLiteral("StampRequest")), 2);
    EXPECT_EQ(received->document.children.first().childNames(),
              (QStringList{QStringLiteral("MailpieceShape"), QStringLiteral("MailClass"),
                           QStringLiteral("ToCountryCode"), QStringLiteral("WeightOz"), QStringLiteral("UseUserRate"),
                           QStringLiteral("UserRate"), QStringLiteral("Count"), QStringLiteral("Machinable")}));
}

// The pass phrase (plain, percent-escaped or entity-escaped) in any log line
// or log file.
void expectNoPassPhrase(const QStringList &lines, const QString &passPhrase)
{
    const QStringList forms{passPhrase, QString::fromLatin1(QUrl::toPercentEncoding(passPhrase)),
                            QStringLiteral("Sesame &amp; &lt;Open&gt;"), QStringLiteral("Sesame")};
    for (const QString &line : lines) {
        for (const QString &form : forms)
            EXPECT_FALSE(line.contains(form)) << qPrintable(line);
    }
    QDirIterator files(supportDir(), QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_FALSE(QString::fromUtf8(file.readAll()).contains(QStringLiteral("Sesame")))
            << qPrintable(file.fileName());
    }
}

TEST_F(LabelServerClientTest, TheDebugLogNeverHoldsThePassPhraseEvenForATestServer)
{
    UserDefaults::standardUserDefaults().setBool(true, QVLogDebugInfoDefaultsKey);
    for (const bool testServer : {false, true}) {
        account->test = testServer;
        ConsoleCapture console;
        QVShipment shipment(domesticShipmentDictionary());
        ASSERT_TRUE(client->labelForShipment(shipment, false, {}));
        ASSERT_TRUE(client->accountStatus());
        ASSERT_TRUE(client->electronicRefundTrackingNumber(QStringLiteral("9400100000000000000017")));
        ASSERT_TRUE(client->electronicRefundPieceCount(12));
        // A broken reply that echoes the request's pass-phrase field: the
        // field's place gives it away (the log searches for no text).
        server.setRawReply(FakeLabelServer::RatePath,
                           "not xml <PassPhrase>" + account->passPhrase.toUtf8() + "</PassPhrase>");
        EXPECT_FALSE(client->rateRequestForShipment(shipment));
        const QStringList lines = console.lines();
        EXPECT_TRUE(lines.join(QLatin1Char('\n')).contains(QStringLiteral("AccountStatusRequest")));
        EXPECT_TRUE(lines.join(QLatin1Char('\n')).contains(QStringLiteral("XMLInput=")));
        expectNoPassPhrase(lines, account->passPhrase);
    }
}

} // namespace
