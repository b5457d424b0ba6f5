// The partner label service against the fake partner server: the SOAP 1.1
// envelope and action of every operation, the partner's own credentials,
// the refund and SCAN documents carried as text, the eligibility of a
// shipment, and a debug log without the partner's pass phrase.
#include "LabelServerTestSupport.h"

#include "model/ClientServices.h"
#include "services/LabelServerXML.h"
#include "services/QVBRKLabelServerCommandCenter.h"

#include "ConsoleCapture.h"
#include "QtPrinters.h"

using namespace tolvane::test;

namespace {

const QString Namespace = QStringLiteral("urn:tolvane-test:partner/2010/06");
const QString PartnerPassPhrase = QStringLiteral("Brisk & <Secret>");

class PartnerLabelServiceTest : public LabelServerFixture
{
protected:
    void SetUp() override
    {
        LabelServerFixture::SetUp();
        ASSERT_TRUE(partner.isListening());
        UserDefaults &defaults = UserDefaults::standardUserDefaults();
        defaults.setString(partner.host(), QVBRKServerDefaultsKey);
        defaults.setString(Namespace, QVBRKServiceNamespaceDefaultsKey);
        defaults.setString(QStringLiteral("brk-partner"), QVBRKRequesterIDDefaultsKey);
        defaults.setString(QStringLiteral("BRK-0042"), QVBRKAccountIDDefaultsKey);
        defaults.setString(PartnerPassPhrase, QVBRKPasswordDefaultsKey);
        defaults.setBool(true, QVBRKEnabledDefaultsKey);
        brisko = QVBRKLabelServerCommandCenter::commandCenter();
        brisko->setRequestTimeoutMilliseconds(10000);
    }

    FakePartnerServer partner{Namespace};
    std::shared_ptr<QVBRKLabelServerCommandCenter> brisko;
};

QString text(const std::optional<QVXMLDocument> &reply, const char *xpath)
{
    return reply ? qv_stringForAnyPrefixXPath(*reply, QString::fromLatin1(xpath)) : QStringLiteral("<no reply>");
}

TEST_F(PartnerLabelServiceTest, EveryOperationTravelsInAnEnvelopeWithItsAction)
{
    QVariantMap dictionary = domesticShipmentDictionary();
    dictionary.insert(QVUSPSShipmentCustomsFormTypeKey, QStringLiteral("QVUSPSShipment2976APMICustomsFormType"));
    dictionary.insert(QVShipmentItemsKey, QVariantList{QVariantMap{}});
    dictionary.insert(QVShipmentCostCenterKey, QStringLiteral("12"));
    QVShipment shipment(dictionary);
    // The label server's own documents carry these two; the partner's not.
    ASSERT_TRUE(readXmlElement(client->XMLForShipment(shipment, false, {}).xmlData())
                    ->child(QStringLiteral("CustomsSendersCopy")));

    const struct {
        const char *operation;
        const char *root;
        std::function<std::optional<QVXMLDocument>()> call;
    } cases[] = {
        {"GetAccountStatus", "AccountStatusRequest", [&] { return brisko->accountStatus(); }},
        {"BuyPostage", "RecreditRequest",
         [&] { return brisko->postageBuyForAmount(Decimal::fromString(QStringLiteral("10"))); }},
        {"GetPostageLabel", "LabelRequest", [&] { return brisko->labelForShipment(shipment, false, {}); }},
        {"CalculatePostageRate", "PostageRateRequest", [&] { return brisko->rateRequestForShipment(shipment); }},
        {"RefundRequest", "RefundRequest",
         [&] { return brisko->electronicRefundTrackingNumber(QStringLiteral("EC123456789US")); }},
        {"SCANRequest", "SCANRequest", [&] { return brisko->SCANFormForShipments({}); }},
    };
    for (const auto &c : cases) {
        const auto reply = c.call();
        ASSERT_TRUE(reply) << c.operation << " " << brisko->lastErrorDescription().toStdString();
        EXPECT_EQ(partner.refusals(), QStringList()) << c.operation;
        EXPECT_EQ(text(reply, "//*:Status"), QStringLiteral("0")) << c.operation;
        const auto received = partner.lastReceived();
        ASSERT_TRUE(received);
        EXPECT_EQ(received->method, QByteArray(c.operation));
        EXPECT_EQ(received->request.header("SOAPAction"),
                  (Namespace + QStringLiteral("/IEwsLabelService/") + QString::fromLatin1(c.operation)).toUtf8());
        EXPECT_EQ(received->request.header("Content-Type"), QByteArray("text/xml; charset=utf-8"));
        EXPECT_TRUE(received->request.header("Tolvane-Account").isNull()) << "no vendor headers";
        EXPECT_TRUE(received->request.header("SOFTWARE-ID").isNull());
        const XmlElement &document = received->document;
        const XmlElement *credentials = document.find(QStringLiteral("AccountID"));
        ASSERT_TRUE(credentials) << c.operation;
        EXPECT_EQ(credentials->text, QStringLiteral("BRK-0042"));
        EXPECT_EQ(document.find(QStringLiteral("PassPhrase"))->text, PartnerPassPhrase);
        if (const XmlElement *requester = document.find(QStringLiteral("RequesterID"))) {
            EXPECT_EQ(requester->text, QStringLiteral("brk-partner"));
        }
        if (!received->xml.isEmpty()) { // carried as text: the label server's own root
            EXPECT_EQ(document.name, QString::fromLatin1(c.root));
        }
    }
    const QList<ReceivedDocument> all = partner.received();
    ASSERT_EQ(all.size(), 6);
    EXPECT_EQ(all.at(0).document.name, QStringLiteral("request"));
    EXPECT_FALSE(all.at(2).document.child(QStringLiteral("CustomsSendersCopy")));
    EXPECT_TRUE(all.at(2).document.child(QStringLiteral("CustomsCertify")));
    EXPECT_FALSE(all.at(3).document.child(QStringLiteral("CostCenter")));
    EXPECT_EQ(all.at(4).document.child(QStringLiteral("RefundList"))->childText(QStringLiteral("CustomsID")),
              QStringLiteral("EC123456789US"));
    // 50.00 bought up by 10, less the 7.25 label.
    EXPECT_EQ(text(brisko->accountStatus(), "//*:PostageBalance"), QStringLiteral("52.75"));
}

TEST_F(PartnerLabelServiceTest, TheEnvelopeItself)
{
    QVXMLDocument document = brisko->XMLForAccountStatus();
    QVBRKLabelServerCommandCenter::modifyXMLDoc(document, QStringLiteral("GetAccountStatus"));
    const QString xml = QString::fromUtf8(document.xmlData());
    EXPECT_TRUE(xml.contains(QStringLiteral("<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\">")))
        << qPrintable(xml);
    EXPECT_TRUE(xml.contains(QStringLiteral("<s:Body xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                                            "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">")));
    EXPECT_TRUE(xml.contains(QStringLiteral("<GetAccountStatus xmlns=\"urn:tolvane-test:partner/2010/06\"><request>")));
}

TEST_F(PartnerLabelServiceTest, RefundAndSCANResultsAreDocumentsOfTheirOwn)
{
    const auto approved = brisko->electronicRefundTrackingNumber(QStringLiteral("9400100000000000000017"));
    ASSERT_TRUE(approved);
    EXPECT_EQ(approved->rootElement().name(), QStringLiteral("RefundResponse"));
    EXPECT_EQ(text(approved, "//*:IsApproved"), QStringLiteral("YES"));

    partner.setResultText(QStringLiteral("Refund refused: <b>not XML"));
    EXPECT_FALSE(brisko->electronicRefundTrackingNumber(QStringLiteral("9400100000000000000017")));
    EXPECT_EQ(brisko->lastErrorCode(), QStringLiteral("-1"));
    EXPECT_FALSE(brisko->SCANFormForShipments({}));

    // Without a result element the SOAP reply itself is answered (here a
    // fault: the service knows another namespace).
    UserDefaults::standardUserDefaults().setString(QStringLiteral("urn:other/2010/06"),
                                                   QVBRKServiceNamespaceDefaultsKey);
    const auto fault = brisko->electronicRefundTrackingNumber(QStringLiteral("9400100000000000000017"));
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->rootElement().name(), QStringLiteral("s:Envelope"));
    EXPECT_FALSE(text(fault, "//*:faultstring").isEmpty());
}

TEST_F(PartnerLabelServiceTest, NoRequestWithoutServerOrNamespace)
{
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    defaults.removeObjectForKey(QVBRKServiceNamespaceDefaultsKey);
    EXPECT_FALSE(brisko->accountStatus());
    EXPECT_TRUE(brisko->lastErrorDescription().contains(QVBRKServiceNamespaceDefaultsKey));
    defaults.setString(Namespace, QVBRKServiceNamespaceDefaultsKey);
    defaults.removeObjectForKey(QVBRKServerDefaultsKey);
    EXPECT_FALSE(brisko->accountStatus());
    EXPECT_TRUE(brisko->lastErrorDescription().contains(QVBRKServerDefaultsKey));
    EXPECT_EQ(partner.http().requestCount(), 0);

    // The development-host marker picks plain http.
    defaults.setString(QStringLiteral("dev.partner.example"), QVBRKServerDefaultsKey);
    EXPECT_EQ(brisko->scheme(), QStringLiteral("https://"));
    defaults.setString(QStringLiteral(".partner.example"), QVBRKDevelopmentHostMarkerDefaultsKey);
    EXPECT_EQ(brisko->scheme(), QStringLiteral("http://"));
}

QVariantMap eligibleDictionary()
{
    QVariantMap dictionary = domesticShipmentDictionary();
    dictionary.insert(QVShipmentPriceKey, QVariant::fromValue(Decimal::fromString(QStringLiteral("7.50"))));
    return dictionary;
}

TEST_F(PartnerLabelServiceTest, WhichShipmentsThePartnerMayShip)
{
    partner.setPostage(QStringLiteral("7.50"));
    const struct {
        const char *what;
        const char *key;
        QVariant value;
        bool possible;
    } cases[] = {
        {"same price", nullptr, {}, true},
        {"vendor cheaper", "QVShipmentPriceKey", QVariant::fromValue(Decimal::fromString(QStringLiteral("7.49"))),
         false},
        {"vendor dearer", "QVShipmentPriceKey", QVariant::fromValue(Decimal::fromString(QStringLiteral("9.00"))), true},
        {"hold for pickup", "QVUSPSShipmentOptionalServicesKey",
         QStringList{QStringLiteral("QVUSPSHoldForPickupService")}, false},
        {"vendor insurance", "QVUSPSShipmentInsuranceTypeKey", QStringLiteral("3"), false},
        {"USPS insurance", "QVUSPSShipmentInsuranceTypeKey", QStringLiteral("1"), true},
        {"no postage", "QVUSPSShipmentPostageEnabledKey", false, false},
        {"First-Class", "QVUSPSShipmentRateClassKey", QStringLiteral("QVUSPSFirstClassMail"), false},
        {"Express", "QVUSPSShipmentRateClassKey", QStringLiteral("QVUSPSExpressMail"), true},
        {"Express International", "QVUSPSShipmentRateClassKey", QStringLiteral("QVUSPSIntlExpressMailIntl"), true},
    };
    for (const auto &c : cases) {
        QVariantMap dictionary = eligibleDictionary();
        if (c.key)
            dictionary.insert(QString::fromLatin1(c.key), c.value);
        EXPECT_EQ(isPossibleBriskoOne(QVShipment(dictionary)), c.possible) << c.what;
    }
    partner.setStatus(QStringLiteral("3"), QStringLiteral("No rate"));
    EXPECT_FALSE(isPossibleBriskoOne(QVShipment(eligibleDictionary()))) << "no partner price";

    // Switched off: no price and no request.
    partner.setStatus(QStringLiteral("0"));
    UserDefaults::standardUserDefaults().setBool(false, QVBRKEnabledDefaultsKey);
    const int before = partner.http().requestCount();
    EXPECT_TRUE(briskoOnePrice(QVShipment(eligibleDictionary())).isZero());
    EXPECT_FALSE(isPossibleBriskoOne(QVShipment(eligibleDictionary())));
    EXPECT_EQ(partner.http().requestCount(), before);

    installPartnerLabelServices();
    EXPECT_FALSE(partnerLabelServices()->isAllowed());
    UserDefaults::standardUserDefaults().setBool(true, QVBRKEnabledDefaultsKey);
    EXPECT_TRUE(partnerLabelServices()->isAllowed());
    EXPECT_TRUE(partnerLabelServices()->isAuthenticated());
    setPartnerLabelServices(nullptr);
}

TEST_F(PartnerLabelServiceTest, WasShippedThroughThePartner)
{
    QVShipment shipment(domesticShipmentDictionary());
    EXPECT_FALSE(wasShippedBriskoOne(shipment));
    shipment.setObject(QVUSPSShipmentOriginBriskoOne, QVUSPSShipmentOriginServerKey);
    EXPECT_TRUE(wasShippedBriskoOne(shipment));
    QVShipment stamped(domesticShipmentDictionary());
    stamped.setObject(QVUSPSShipmentBRKStampTransaction, QVUSPSShipmentBRKTransactionTypeKey);
    EXPECT_TRUE(wasShippedBriskoOne(stamped));
}

TEST_F(PartnerLabelServiceTest, TheDebugLogNeverHoldsThePartnersPassPhrase)
{
    UserDefaults::standardUserDefaults().setBool(true, QVLogDebugInfoDefaultsKey);
    ConsoleCapture console;
    QVShipment shipment(domesticShipmentDictionary());
    ASSERT_TRUE(brisko->labelForShipment(shipment, false, {}));
    ASSERT_TRUE(brisko->rateRequestForShipment(shipment));
    ASSERT_TRUE(brisko->electronicRefundTrackingNumber(QStringLiteral("9400100000000000000017")));
    ASSERT_TRUE(brisko->SCANFormForShipments({}));
    const QString all = console.lines().join(QLatin1Char('\n'));
    EXPECT_TRUE(all.contains(QStringLiteral("RefundRequest"))) << "the refund was logged";
    EXPECT_TRUE(all.contains(QStringLiteral("BRK-0042")));
    for (const QString &form : {QStringLiteral("Brisk"), QStringLiteral("Secret")})
        EXPECT_FALSE(all.contains(form)) << qPrintable(all);

    // The envelope's log text without the pass phrase, also inside text.
    QVXMLDocument refund = QVBRKLabelServerCommandCenter::documentWrappedAsText(
        brisko->XMLForRefundingTrackingNumber(QStringLiteral("1")));
    ASSERT_TRUE(QString::fromUtf8(refund.xmlData()).contains(QStringLiteral("&lt;PassPhrase&gt;Brisk")));
    QVBRKLabelServerCommandCenter::modifyXMLDoc(refund, QStringLiteral("RefundRequest"), QStringLiteral("requestXml"));
    const QString logged = QVBRKLabelServerCommandCenter::envelopeTextForLog(refund);
    EXPECT_FALSE(logged.contains(QStringLiteral("Brisk"))) << qPrintable(logged);
    EXPECT_TRUE(logged.contains(QStringLiteral("BRK-0042"))) << qPrintable(logged);
}

} // namespace
