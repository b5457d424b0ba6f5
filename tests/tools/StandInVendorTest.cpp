// The stand-in vendor of make run (tools/standins), driven by the program's
// own clients from src/services with the settings the stand-ins write: the
// postage account's registers through status, purchase, indicium, reprint
// and refund; the codes for a wrong pass phrase and an unknown account and
// refusals without account data; receipts; the demo's test indicium decoded
// by zint's PDF417 and ZXingReader; the address correction on both routes;
// tracking numbers; zone charts; account information and country rules; the
// control road (off unless asked for).
#include "model/QVAddress.h"
#include "model/QVShipment.h"
#include "platform/Bundle.h"
#include "platform/Decimal.h"
#include "platform/HttpClient.h"
#include "platform/UserDefaults.h"
#include "services/QVGLZUSPSZoneChartCommandCenter.h"
#include "services/QVRHOAccountInformationCommandCenter.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOIndiciumRequest.h"
#include "services/LabelServerXML.h"
#include "services/QVRHOLabelNumberCommandCenter.h"
#include "services/QVRHOLabelServerCommandCenter.h"
#include "services/QVRHOResponse.h"
#include "services/QVRHOStampIndiciumRequest.h"
#include "services/usps/QVGLZCommandCenter.h"
#include "services/usps/QVUSPSCommandCenter.h"
#include "model/ClientServices.h"
#include "model/ServiceHooks.h"
#include "rateengine/RateEngine.h"
#include "rates/QVShipmentPricing.h"
#include "rates/QVUSPSRateClassNames.h"

#include "../services/LabelServerTestSupport.h"
#include "BarcodeTools.h"
#include "LocalHttpServer.h"
#include "StandInFixture.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

const QString kFirstClass = QStringLiteral("QVUSPSFirstClassMail");
const QString kLetter = QStringLiteral("QVUSPSLetterSize");

class StandInVendorTest : public StandInFixture
{
protected:
    explicit StandInVendorTest(bool controlRoad = true) : StandInFixture(controlRoad) {}

    void TearDown() override
    {
        if (postage) {
            EXPECT_TRUE(postage->waitForReceipts(10000));
        }
        StandInFixture::TearDown();
    }

    // A control-road request; its status and body.
    std::pair<int, QByteArray> control(const QByteArray &method, const QString &pathAndQuery)
    {
        HttpRequest request;
        request.url = QUrl(servers.frontBaseUrl() + pathAndQuery);
        request.method = method;
        request.timeoutMilliseconds = 10000;
        const std::optional<HttpResponse> reply = sendHttpRequest(request);
        return reply ? std::make_pair(reply->statusCode, reply->body) : std::make_pair(-1, QByteArray());
    }

    std::shared_ptr<QVRHOResponse> buyStamp(const QString &postageText)
    {
        auto request = QVRHOStampIndiciumRequest::stampRequestWithPostageAmount(Decimal::fromString(postageText),
                                                                                kFirstClass, 1, kLetter);
        return postage->createStampIndicium(request);
    }
};

class StandInVendorWithoutControlTest : public StandInVendorTest
{
protected:
    StandInVendorWithoutControlTest() : StandInVendorTest(false) {}
};

TEST_F(StandInVendorTest, RegistersMoveWithPurchasesIndiciaReprintsAndRefunds)
{
    const auto status = postage->status();
    ASSERT_TRUE(status);
    ASSERT_EQ(status->returnCode(), 1u);
    EXPECT_EQ(status->serialNumber(), StandInServers::demoAccountNumber().toUInt());
    EXPECT_EQ(status->descendingRegister(), 100000);
    EXPECT_EQ(status->balanceString(), QStringLiteral("$100.00"));
    EXPECT_TRUE(status->isMacAccount());
    EXPECT_FALSE(status->tolvaneDotComPassword().isEmpty());

    const auto bought = postage->postageBuy(25000);
    ASSERT_TRUE(bought);
    ASSERT_EQ(bought->returnCode(), 1u);
    EXPECT_EQ(bought->descendingRegister(), 125000);
    EXPECT_EQ(bought->transactionAmountMils(), 25000u);
    EXPECT_EQ(postage->status()->descendingRegister(), 125000);

    const auto stamp = buyStamp(QStringLiteral("0.490"));
    ASSERT_TRUE(stamp);
    ASSERT_EQ(stamp->returnCode(), 1u);
    EXPECT_EQ(stamp->piececount(), 1u);
    EXPECT_EQ(stamp->descendingRegister(), 125000 - 490);
    EXPECT_EQ(stamp->ascendingRegister(), 490);
    EXPECT_EQ(stamp->controlRegister(), 125000);
    EXPECT_EQ(stamp->shortIndicium().size(), 20);

    const auto reprint = postage->reprintIndicium(1);
    ASSERT_TRUE(reprint);
    ASSERT_EQ(reprint->returnCode(), 1u);
    EXPECT_EQ(reprint->indicium(), stamp->indicium());
    EXPECT_EQ(reprint->transactionAmountMils(), 490u);
    EXPECT_EQ(reprint->piececount(), 1u);
    EXPECT_TRUE(reprint->returnDateTimeReprint().isValid());
    EXPECT_EQ(reprint->descendingRegister(), 125000 - 490) << "a reprint charges nothing";

    const auto refund = postage->electronicRefund(1);
    ASSERT_TRUE(refund);
    ASSERT_EQ(refund->returnCode(), 1u);
    EXPECT_EQ(refund->descendingRegister(), 125000);
    EXPECT_EQ(demo().pieces.value(1).refunded, true);
    EXPECT_EQ(demo().pieces.value(1).reprints, 1);

    // A second refund, a reprint of a refunded piece and an unknown piece are
    // refused, and the refusal carries no account data.
    for (const auto &refused :
         {postage->electronicRefund(1), postage->reprintIndicium(1), postage->reprintIndicium(7)}) {
        ASSERT_TRUE(refused);
        EXPECT_NE(refused->returnCode(), 1u);
        EXPECT_EQ(refused->serialNumber(), 0u);
        EXPECT_EQ(refused->descendingRegister(), 0);
        EXPECT_TRUE(refused->name().isEmpty());
    }
    EXPECT_EQ(demo().descendingRegister, 125000);
}

// The mailing log refunds a piece through the label server: the vendor
// credits the same account, once, and says why it refuses.
TEST_F(StandInVendorTest, TheLabelServersRefundCreditsThePieceOnce)
{
    const auto stamp = buyStamp(QStringLiteral("0.490"));
    ASSERT_TRUE(stamp);
    ASSERT_EQ(stamp->returnCode(), 1u);
    ASSERT_EQ(demo().descendingRegister, 100000 - 490);
    const auto labelServer = QVRHOLabelServerCommandCenter::commandCenter();
    const auto refund = [&](unsigned piece) {
        const std::optional<QVXMLDocument> reply = labelServer->electronicRefundPieceCount(piece);
        EXPECT_TRUE(reply) << labelServer->lastErrorDescription().toStdString();
        return reply ? std::make_pair(qv_stringForAnyPrefixXPath(*reply, QStringLiteral("//*:RefundStatus")),
                                      qv_stringForAnyPrefixXPath(*reply, QStringLiteral("//*:RefundStatusMessage")))
                     : std::make_pair(QString(), QString());
    };
    EXPECT_EQ(refund(1).first, QStringLiteral("APPROVED"));
    EXPECT_EQ(demo().descendingRegister, 100000);
    EXPECT_TRUE(demo().pieces.value(1).refunded);

    // Refused, with the reason, and nothing credited.
    const auto again = refund(1);
    EXPECT_EQ(again.first, QStringLiteral("DENIED"));
    EXPECT_TRUE(again.second.contains(QStringLiteral("refunded before"))) << again.second.toStdString();
    const auto unknown = refund(7);
    EXPECT_EQ(unknown.first, QStringLiteral("DENIED"));
    EXPECT_TRUE(unknown.second.contains(QStringLiteral("no such piece"))) << unknown.second.toStdString();
    // A wrong pass phrase is refused as the account's requests are.
    postage->setPassword(QStringLiteral("not the phrase"));
    EXPECT_NE(refund(1).first, QStringLiteral("APPROVED"));
    postage->setPassword(StandInServers::demoPassPhrase());
    EXPECT_EQ(demo().descendingRegister, 100000);
}

TEST_F(StandInVendorTest, AnIndiciumLargerThanTheBalanceIsRefusedAndChargesNothing)
{
    const auto refused = buyStamp(QStringLiteral("100.010"));
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->returnCode(), 1u);
    EXPECT_EQ(refused->descendingRegister(), 0);
    EXPECT_EQ(demo().descendingRegister, 100000);
    EXPECT_EQ(demo().pieceCount, 0u);
}

TEST_F(StandInVendorTest, AWrongPassPhraseAndAnUnknownAccountGetTheirCodesAndNoAccountData)
{
    const struct {
        QString account;
        QString passPhrase;
        quint32 code;
    } cases[] = {
        {StandInServers::demoAccountNumber(), QStringLiteral("not the pass phrase"), 507},
        {QStringLiteral("7999999"), StandInServers::demoPassPhrase(), 101},
    };
    for (const auto &c : cases) {
        postage->setUseridAndPassword(c.account, c.passPhrase);
        const auto reply = postage->status();
        ASSERT_TRUE(reply) << c.code;
        EXPECT_EQ(reply->returnCode(), c.code);
        EXPECT_EQ(postage->lastErrorCode(), QString::number(c.code));
        EXPECT_EQ(reply->serialNumber(), 0u);
        EXPECT_EQ(reply->descendingRegister(), 0);
        EXPECT_TRUE(reply->tolvaneDotComPassword().isEmpty());
        EXPECT_FALSE(postage->lastValidStatusResponse());
    }
}

TEST_F(StandInVendorTest, APassPhraseChangeTakesEffect)
{
    const auto changed = postage->changePasswordTo(QStringLiteral("a new phrase"));
    ASSERT_TRUE(changed);
    ASSERT_EQ(changed->returnCode(), 1u);
    EXPECT_EQ(postage->status()->returnCode(), 507u) << "the old pass phrase no longer opens the account";
    postage->setPassword(QStringLiteral("a new phrase"));
    EXPECT_EQ(postage->status()->returnCode(), 1u);
}

TEST_F(StandInVendorTest, ReceiptsOfStampsAndShipmentsAreKeptWithTheirPiece)
{
    auto stampRequest =
        QVRHOStampIndiciumRequest::stampRequestWithPostageAmount(Decimal::fromString("0.490"), kFirstClass, 1, kLetter);
    stampRequest->setReferenceID(QStringLiteral("sheet-1"));
    ASSERT_EQ(postage->createStampIndicium(stampRequest)->returnCode(), 1u);

    QVShipment shipment(domesticShipmentDictionary());
    shipment.setObject(QStringLiteral("9400100000000000000017"), QStringLiteral("QVUSPSShipmentPICKey"));
    shipment.setTotalPrice(Decimal::fromString("12.65"));
    const auto piece = postage->createIndicium(QVRHOIndiciumRequest::indiciumRequestWithShipment(shipment));
    ASSERT_TRUE(piece);
    ASSERT_EQ(piece->returnCode(), 1u);
    EXPECT_EQ(piece->descendingRegister(), 100000 - 490 - 12650);
    ASSERT_TRUE(postage->waitForReceipts(10000));

    EXPECT_EQ(demo().pieces.value(1).receipts, 1);
    EXPECT_EQ(demo().pieces.value(2).receipts, 1);
    EXPECT_EQ(demo().pieces.value(2).toZip5, QByteArray("97201"));
    EXPECT_TRUE(demo().pieces.value(1).stamp);

    // The reprint answers the piece's destination ZIP5 for the client's check.
    const auto reprint = postage->reprintIndicium(2);
    ASSERT_TRUE(reprint);
    EXPECT_TRUE(reprint->referenceID().startsWith(QStringLiteral("97201")));
}

TEST_F(StandInVendorTest, TheTestIndiciumDecodesAndSaysItIsNotPostage)
{
    if (!haveProgram(QStringLiteral("zint")) || !haveProgram(QStringLiteral("ZXingReader")))
        GTEST_SKIP() << "zint or ZXingReader is missing";
    const auto reply = buyStamp(QStringLiteral("0.490"));
    ASSERT_TRUE(reply);
    ASSERT_EQ(reply->returnCode(), 1u);
    const QByteArray indicium = reply->indicium();
    ASSERT_EQ(indicium.size(), 98);

    QTemporaryDir folder;
    const QString data = folder.filePath(QStringLiteral("indicium.bin"));
    const QString picture = folder.filePath(QStringLiteral("indicium.png"));
    QFile file(data);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(indicium);
    file.close();
    QByteArray out;
    QString error;
    ASSERT_TRUE(runTool(QStringLiteral("zint"),
                        {QStringLiteral("-b"), QStringLiteral("55"), QStringLiteral("--binary"), QStringLiteral("-i"),
                         data, QStringLiteral("-o"), picture},
                        &out, &error))
        << error.toStdString();
    ASSERT_TRUE(runTool(QStringLiteral("ZXingReader"), {picture}, &out, &error)) << error.toStdString();
    EXPECT_TRUE(out.contains("TOLVANE DEMO TEST INDICIUM - NOT POSTAGE")) << out.toStdString();
    EXPECT_TRUE(out.contains("ACCT 7000001 PIECE 1 MILS 490")) << out.toStdString();

    // A stamp carries the short indicium in a 12 x 36 Data Matrix.
    if (!haveProgram(QStringLiteral("dmtxread")))
        return;
    const QByteArray shortIndicium = reply->shortIndicium();
    ASSERT_EQ(shortIndicium.size(), 20);
    QFile stampData(data);
    ASSERT_TRUE(stampData.open(QIODevice::WriteOnly | QIODevice::Truncate));
    stampData.write(shortIndicium);
    stampData.close();
    ASSERT_TRUE(runTool(QStringLiteral("zint"),
                        {QStringLiteral("-b"), QStringLiteral("71"), QStringLiteral("--vers=28"),
                         QStringLiteral("--binary"), QStringLiteral("--scale=4"), QStringLiteral("--quietzones"),
                         QStringLiteral("-i"), data, QStringLiteral("-o"), picture},
                        &out, &error))
        << error.toStdString();
    ASSERT_TRUE(runTool(QStringLiteral("dmtxread"), {QStringLiteral("-N1"), picture}, &out, &error))
        << error.toStdString();
    EXPECT_EQ(out, shortIndicium);
}

TEST_F(StandInVendorTest, AddressCorrectionAnswersConfirmedInexactAndRefusedOnBothRoutes)
{
    const struct {
        const char *text;
        int code;
    } cases[] = {
        {"1600 Pennsylvania Ave NW\nWashington DC 20500", 31},
        {"Bob Receiver\n22 Elm Ave\nApt 3\nPortland OR 97201-1234", 31},
        {"PSC 1234 Box 5678\nAPO AE 09012", 31},
        {"Elm Avenue\nPortland OR 97201", 22},
        {"22 Elm Ave\nPortland XX 97201", 22},
        {"22 Elm Ave\nPortland OR", 0},
        {"Portland OR 97201", 0},
        {"10 Downing Street\nLondon SW1A 2AA", 0},
    };
    auto glz = QVGLZCommandCenter::commandCenter();
    glz->setRequestTimeoutMilliseconds(10000);
    for (const bool older : {false, true}) {
        UserDefaults::standardUserDefaults().setBool(older, QVGLZUseV1DefaultsKey);
        for (const auto &c : cases) {
            const auto address = glz->standardizedAddressWithString(QString::fromUtf8(c.text), true);
            ASSERT_TRUE(address) << c.text << ": " << glz->lastErrorDescription().toStdString();
            EXPECT_EQ(glz->lastErrorCode().toInt(), c.code) << c.text << (older ? " (older route)" : "");
            if (c.code == 31) {
                EXPECT_FALSE(address->ZIP5().isEmpty()) << c.text;
            }
        }
    }
    const auto confirmed =
        glz->standardizedAddressWithString(QStringLiteral("22 Elm Ave\nPortland OR 97201-1234"), true);
    ASSERT_TRUE(confirmed);
    EXPECT_EQ(confirmed->street(), QStringLiteral("22 ELM AVE"));
    EXPECT_EQ(confirmed->city(), QStringLiteral("PORTLAND"));
    EXPECT_EQ(confirmed->state(), QStringLiteral("OR"));
    EXPECT_EQ(confirmed->ZIP5(), QStringLiteral("97201"));
    EXPECT_EQ(confirmed->ZIP4(), QStringLiteral("1234"));
}

TEST_F(StandInVendorTest, LabelNumbersAreDistinctTrackingNumbersWithTheirCheckDigit)
{
    auto numbers = QVRHOLabelNumberCommandCenter::commandCenter();
    numbers->setRequestTimeoutMilliseconds(10000);
    const QVShipment shipment(domesticShipmentDictionary());
    QVariantMap reply;
    const auto first = numbers->domesticLabelNumberAndResponse(&reply, shipment);
    const auto second = numbers->domesticLabelNumberAndResponse(nullptr, shipment);
    ASSERT_TRUE(first && second) << numbers->lastErrorDescription().toStdString();
    EXPECT_NE(*first, *second);
    for (const QString &number : {*first, *second}) {
        ASSERT_EQ(number.size(), 22);
        int sum = 0;
        for (int i = 20; i >= 0; --i)
            sum += number[i].digitValue() * ((20 - i) % 2 == 0 ? 3 : 1);
        EXPECT_EQ(number[21].digitValue(), (10 - sum % 10) % 10) << number.toStdString();
    }
    EXPECT_EQ(reply.value(QStringLiteral("BarcodeNumber")).toString(), QStringLiteral("42097201") + *first);

    const auto confirm = numbers->confirmNumberAndResponse(nullptr, shipment);
    ASSERT_TRUE(confirm) << numbers->lastErrorDescription().toStdString();
    EXPECT_GE(confirm->size(), 20);
}

// The mailing log tracks a piece through USPS Web Tools: a number the
// stand-ins issued is known (awaited, not delivered), any other is not.
TEST_F(StandInVendorTest, TrackingKnowsTheNumbersItIssued)
{
    auto numbers = QVRHOLabelNumberCommandCenter::commandCenter();
    numbers->setRequestTimeoutMilliseconds(10000);
    const auto issued = numbers->domesticLabelNumberAndResponse(nullptr, QVShipment(domesticShipmentDictionary()));
    ASSERT_TRUE(issued) << numbers->lastErrorDescription().toStdString();
    const auto usps = QVUSPSCommandCenter::commandCenter();
    usps->setRequestTimeoutMilliseconds(10000);
    const auto info = [](const std::optional<QVariantMap> &reply) {
        return reply ? reply->value(QStringLiteral("TrackResponse")).toMap().value(QStringLiteral("TrackInfo")).toMap()
                     : QVariantMap();
    };

    const QVariantMap summary = info(usps->trackResponseForID(*issued));
    ASSERT_FALSE(summary.isEmpty()) << usps->lastErrorDescription().toStdString();
    EXPECT_FALSE(summary.contains(QStringLiteral("Error")));
    EXPECT_TRUE(summary.value(QStringLiteral("TrackSummary")).toString().contains(*issued));
    const QVariantMap detailed = info(usps->trackFieldResponseForID(*issued));
    const QString event =
        detailed.value(QStringLiteral("TrackSummary")).toMap().value(QStringLiteral("Event")).toString();
    EXPECT_FALSE(event.isEmpty());
    EXPECT_EQ(usps->deliveryStatusForTrackEvent(event), QVShipmentUndeliveredStatus);

    const QString unknown = QStringLiteral("9400100000000000000000");
    ASSERT_NE(*issued, unknown);
    for (const QVariantMap &answer :
         {info(usps->trackResponseForID(unknown)), info(usps->trackFieldResponseForID(unknown))})
        EXPECT_FALSE(
            answer.value(QStringLiteral("Error")).toMap().value(QStringLiteral("Description")).toString().isEmpty());
}

TEST_F(StandInVendorTest, EveryOriginHasAZoneChart)
{
    auto zones = QVGLZUSPSZoneChartCommandCenter::commandCenter();
    zones->setRequestTimeoutMilliseconds(10000);
    EXPECT_EQ(zones->zoneFromOriginZIP(QStringLiteral("20260"), QStringLiteral("20299")), QStringLiteral("1"));
    EXPECT_EQ(zones->zoneFromOriginZIP(QStringLiteral("20260"), QStringLiteral("21201")), QStringLiteral("2"));
    EXPECT_EQ(zones->zoneFromOriginZIP(QStringLiteral("20260"), QStringLiteral("97201")), QStringLiteral("8"));
    EXPECT_EQ(zones->zoneFromOriginZIP(QStringLiteral("63366"), QStringLiteral("97201")), QStringLiteral("5"));
}

TEST_F(StandInVendorTest, AccountInformationIsRetailAndTheCountryRulesComeOnce)
{
    auto info = QVRHOAccountInformationCommandCenter::commandCenter();
    info->setRequestTimeoutMilliseconds(10000);
    const auto status = postage->status();
    ASSERT_TRUE(status);
    const auto answer = info->infoForAccount(StandInServers::demoAccountNumber(), status->tolvaneDotComPassword());
    ASSERT_TRUE(answer) << info->lastErrorDescription().toStdString();
    EXPECT_EQ(answer->value(QStringLiteral("Status")).toString(), QStringLiteral("0"));
    EXPECT_EQ(answer->value(QStringLiteral("PMDiscount")).toString(), QStringLiteral("0"));

    const QString file = QDir(qEnvironmentVariable("TOLVANE_SUPPORT_DIR")).filePath(QStringLiteral("country2013.dat"));
    QFile::remove(file);
    info->countryFileForVersion(0);
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), StandInVendor::countryFile());
    EXPECT_EQ(UserDefaults::standardUserDefaults().stringForKey(QStringLiteral("countryFileVersion")),
              QStringLiteral("1"));
    written.close();
    QFile::remove(file);
    info->countryFileForVersion(1);
    EXPECT_FALSE(QFile::exists(file)) << "an up-to-date client gets no file";
}

TEST_F(StandInVendorTest, TheDemoPricesTheKnownPiecesAtRetailWithAZone)
{
    ASSERT_EQ(InitializeRE("", QDate::currentDate().toString(QStringLiteral("MM/dd/yyyy")).toLatin1().constData()), 0);
    registerAccountInformationServices();
    registerZoneChartZoneService();
    installShipmentPricing();
    ASSERT_TRUE(postage->status());
    ASSERT_TRUE(QVRHOAccountInformationCommandCenter::commandCenter()->refresh());

    const struct {
        QString rateClass;
        QString size;
        int ounces;
        const char *total; // null: any price above zero
        const char *zone;
    } cases[] = {
        // 7 September 2014 retail flat-rate prices.
        {QVUSPSPriorityMail, QVUSPSFlatRateBoxSize, 40, "12.65", "8"},
        {QVUSPSPriorityMail, QVUSPSFlatRateEnvelopeSize, 8, "5.75", "8"},
        {QVUSPSPriorityMail, QVUSPSFlatRatePaddedEnvelopeSize, 8, "6.10", "8"},
        {QVUSPSFirstClassMail, QVUSPSLetterSize, 1, nullptr, "8"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.size.toStdString());
        QVShipment shipment(domesticShipmentDictionary());
        shipment.setObject(QVUSPSCarrier, QVShipmentCarrierKey);
        shipment.setObject(QStringLiteral("20260"), QStringLiteral("QVUSPSShipmentMailedFromZIP5Key"));
        shipment.setObject(QDateTime::currentDateTime(), QVShipmentShipDateKey);
        shipment.setObject(c.rateClass, QStringLiteral("QVUSPSShipmentRateClassKey"));
        shipment.setObject(c.size, QStringLiteral("QVUSPSShipmentSizeKey"));
        shipment.setObject(QString::number(c.ounces), QVShipmentWeightNumberKey);
        shipment.setObject(QStringLiteral("oz"), QVShipmentWeightUnitKey);
        shipment._updatePricing();
        if (c.total)
            EXPECT_EQ(shipment.totalPrice(), Decimal::fromString(QString::fromLatin1(c.total)));
        else
            EXPECT_GT(shipment.totalPrice(), Decimal::zero());
        EXPECT_EQ(shipment.objectForKey(QVUSPSShipmentZoneKey).toString(), QString::fromLatin1(c.zone));
        EXPECT_EQ(shipment.objectForKey(QStringLiteral("QVUSPSShipmentRateClassificationKey")).toInt(), 0);
    }
    QVShipment::setPricer(nullptr);
    setUSPSAddressServices(nullptr);
    setAccountInformationServices(nullptr);
}

TEST_F(StandInVendorTest, TheControlRoadChangesAnAccountAndFailsTheNextReply)
{
    auto [status, body] = control("POST", QStringLiteral("/standins/control/account?number=7000001&balance=5000"));
    ASSERT_EQ(status, 200) << body.toStdString();
    EXPECT_EQ(postage->status()->descendingRegister(), 5000);

    std::tie(status, body) = control("POST", QStringLiteral("/standins/control/fail-next?service=postage&code=507"));
    ASSERT_EQ(status, 200) << body.toStdString();
    EXPECT_EQ(postage->status()->returnCode(), 507u);
    EXPECT_EQ(postage->status()->returnCode(), 1u) << "only the next reply fails";

    std::tie(status, body) = control("POST", QStringLiteral("/standins/control/fail-next?service=postage"));
    ASSERT_EQ(status, 200);
    EXPECT_FALSE(postage->status()) << "an empty body is no reply";

    std::tie(status, body) = control("POST", QStringLiteral("/standins/control/fail-next?service=address&http=503"));
    ASSERT_EQ(status, 200);
    auto glz = QVGLZCommandCenter::commandCenter();
    glz->setRequestTimeoutMilliseconds(10000);
    EXPECT_FALSE(glz->standardizedAddressWithString(QStringLiteral("22 Elm Ave\nPortland OR 97201"), true));
    EXPECT_EQ(glz->standardizedAddressWithString(QStringLiteral("22 Elm Ave\nPortland OR 97201"), true).has_value(),
              true);

    std::tie(status, body) = control("GET", QStringLiteral("/standins/control/account?number=7000001"));
    ASSERT_EQ(status, 200);
    const QJsonObject account = QJsonDocument::fromJson(body).object();
    EXPECT_EQ(account.value(QStringLiteral("balanceMils")).toInteger(), 5000);
    EXPECT_EQ(control("GET", QStringLiteral("/standins/control/account?number=7999999")).first, 404);
    EXPECT_EQ(control("POST", QStringLiteral("/standins/control/fail-next?service=nothing")).first, 400);
}

TEST_F(StandInVendorWithoutControlTest, TheControlRoadIsClosedUnlessAskedFor)
{
    EXPECT_EQ(control("POST", QStringLiteral("/standins/control/account?number=7000001&balance=1")).first, 404);
    EXPECT_EQ(control("POST", QStringLiteral("/standins/control/fail-next?service=postage")).first, 404);
    EXPECT_EQ(postage->status()->descendingRegister(), 100000);
}

} // namespace

// The store manager's address the program builds from the demo account's
// status opens the vendor's web store manager on the stand-ins' site; the
// scan-form address the account's page; a wrong web password is refused.
TEST_F(StandInVendorTest, TheProgramsWebLinksOpenTheSitesPages)
{
    ASSERT_TRUE(postage->status());
    const std::optional<QUrl> manager = postage->webStoreWizardURL();
    const std::optional<QUrl> account = postage->scanFormCreationURL();
    ASSERT_TRUE(manager);
    ASSERT_TRUE(account);
    QUrl refused = *manager;
    refused.setQuery(manager->query().replace(QStringLiteral("AccountPW=web-"), QStringLiteral("AccountPW=not-")));
    ASSERT_NE(refused, *manager);
    const struct {
        const char *name;
        QUrl url;
        int status;
        QByteArray text;
    } cases[] = {
        {"store manager", *manager, 200, "Demo Shop"},
        {"account page", *account, 200, "Your Account"},
        {"wrong web password", refused, 403, "not valid"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        HttpRequest request;
        request.url = c.url;
        request.timeoutMilliseconds = 10000;
        const std::optional<HttpResponse> reply = sendHttpRequest(request);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->statusCode, c.status);
        EXPECT_TRUE(reply->body.contains(c.text)) << reply->body.toStdString();
    }
}
