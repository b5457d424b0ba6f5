// QVRHOLabelNumberCommandCenter, the label-number client, against the fake
// label-number service: the domestic number request and its reply (the
// number, the label texts copied into the shipment, a refusal), the confirm
// request of First-Class letters, flats and postcards, and the pricing
// levels.
#include "services/QVPostageServerAccount.h"
#include "services/QVRHOLabelNumberCommandCenter.h"

#include "FakeLabelNumberServer.h"
#include "LabelServerTestSupport.h"
#include "model/QVCountry.h"
#include "platform/NotificationCenter.h"
#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"

#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

class LabelNumberClientTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QVCommandCenter::resetSharedInstancesForTesting();
        UserDefaults::resetStandardUserDefaults();
        setHttpCAFile(LocalHttpServer::testCertificateAuthorityFile());
        account = std::make_shared<FakePostageAccount>();
        setPostageServerAccount(account);
        ASSERT_TRUE(server.isListening());
        UserDefaults::standardUserDefaults().setString(server.host(), QVLabelServiceServerDefaultsKey);
        client = QVRHOLabelNumberCommandCenter::commandCenter();
        client->setRequestTimeoutMilliseconds(10000);
    }
    void TearDown() override
    {
        setPostageServerAccount(nullptr);
        setHttpCAFile(QString());
        UserDefaults::resetStandardUserDefaults();
        QVCommandCenter::resetSharedInstancesForTesting();
    }

    FakeLabelNumberServer server;
    std::shared_ptr<FakePostageAccount> account;
    std::shared_ptr<QVRHOLabelNumberCommandCenter> client;
};

TEST_F(LabelNumberClientTest, ADomesticPieceGetsItsNumberAndLabelTexts)
{
    QVShipment shipment(domesticShipmentDictionary());
    shipment.setObject(QStringLiteral("QVUSPSeSignatureConfirmation"),
                       QStringLiteral("QVUSPSShipmentConfirmationServiceKey"));
    shipment.setObject(2, QStringLiteral("QVUSPSShipmentRateClassificationKey"));
    shipment.setObject(true, QStringLiteral("QVUSPSShipmentCubicPricingKey"));
    shipment.setObject(QStringLiteral("QVUSPSLargeFlatRateVideoBoxSize"), QStringLiteral("QVUSPSShipmentSizeKey"));
    shipment.setObject(QStringLiteral("0"), QVUSPSShipmentDeliveryDaysKey);
    shipment.setObject(QStringLiteral("OLD BANNER"), QVUSPSShipmentDisplayLabelBannerKey);
    server.setPicNumberReply("<Status>0</Status><LabelNumber>9405511899223197428490</LabelNumber>"
                             "<BarcodeNumber>420972019405511899223197428490</BarcodeNumber>"
                             "<DisplayLabelNumber>9405 5118 9922 3197 4284 90</DisplayLabelNumber><Banner></Banner>"
                             "<MailerID>899223197</MailerID><RDC>R0042</RDC><DeliveryTimeDays>0</DeliveryTimeDays>");
    QVariantMap reply;
    const auto number = client->domesticLabelNumberAndResponse(&reply, shipment);
    ASSERT_TRUE(number) << client->lastErrorDescription().toStdString();
    EXPECT_EQ(*number, QStringLiteral("9405511899223197428490"));

    const auto document = server.lastPicNumberRequest();
    ASSERT_TRUE(document);
    EXPECT_EQ(document->name, QStringLiteral("PicNumberRequest"));
    const QList<QPair<QString, QString>> expected = {
        {QStringLiteral("LabelNumberSource"), QStringLiteral("Tolvane")},
        {QStringLiteral("AccountID"), QStringLiteral("1234567")},
        {QStringLiteral("MailClass"), QStringLiteral("Priority")},
        {QStringLiteral("Pricing"), QStringLiteral("CommercialPlusCubic")},
        {QStringLiteral("Container"), QStringLiteral("Parcel")},
        {QStringLiteral("Machinable"), QStringLiteral("false")},
        {QStringLiteral("DeclaredValue"), QStringLiteral("25.00")},
        {QStringLiteral("Postage"), QStringLiteral("0.00")},
        {QStringLiteral("FromCity"), QStringLiteral("OFallon")},
        {QStringLiteral("FromState"), QStringLiteral("MO")},
        {QStringLiteral("FromAddress1"), QStringLiteral("1 Main St")},
        {QStringLiteral("ToName"), QString()},
        {QStringLiteral("ToCompany"), QStringLiteral("Bob Receiver")},
        {QStringLiteral("ToCity"), QStringLiteral("Portland")},
        {QStringLiteral("POZipCode"), QStringLiteral("63366")},
        {QStringLiteral("SignatureConfirmation"), QStringLiteral("true")},
        {QStringLiteral("SignatureConfirmationFee"), QStringLiteral("0.00")},
        {QStringLiteral("ComputeRDC"), QStringLiteral("true")},
    };
    for (const auto &[name, text] : expected)
        EXPECT_EQ(document->childText(name), text) << name.toStdString();
    EXPECT_EQ(document->childCount(QStringLiteral("DeliveryConfirmation")), 0);
    EXPECT_EQ(document->childCount(QStringLiteral("CustomsInfo")), 0);
    EXPECT_EQ(server.http().lastRequest().header("Content-Type"),
              QByteArray("application/x-www-form-urlencoded; charset=utf-8"));

    takeValuesFromLNSResponseDict(shipment, reply);
    EXPECT_EQ(shipment.objectForKey(QVUSPSShipmentPICKey).toString(), QStringLiteral("9405511899223197428490"));
    EXPECT_EQ(shipment.objectForKey(QVUSPSShipmentDisplayLabelNumberKey).toString(),
              QStringLiteral("9405 5118 9922 3197 4284 90"));
    EXPECT_EQ(shipment.objectForKey(QVUSPSShipmentRDCKey).toString(), QStringLiteral("R0042"));
    EXPECT_FALSE(shipment.objectForKey(QVUSPSShipmentDisplayLabelBannerKey).isValid());
    EXPECT_FALSE(shipment.objectForKey(QVUSPSShipmentDeliveryDaysKey).isValid());
}

TEST_F(LabelNumberClientTest, CustomsItemsAddTheCustomsBlock)
{
    QVShipment shipment(domesticShipmentDictionary());
    shipment.setObject(QVariantList{QVariantMap{{QStringLiteral("description"), QStringLiteral("Book")}}},
                       QVShipmentItemsKey);
    server.setPicNumberReply("<Status>0</Status><LabelNumber>9405</LabelNumber>");
    ASSERT_TRUE(client->domesticLabelNumberAndResponse(nullptr, shipment));
    auto document = server.lastPicNumberRequest();
    ASSERT_TRUE(document);
    const XmlElement *customs = document->child(QStringLiteral("CustomsInfo"));
    ASSERT_TRUE(customs);
    EXPECT_EQ(customs->childText(QStringLiteral("ContentsType")), QStringLiteral("Other"));
    EXPECT_EQ(customs->childText(QStringLiteral("ContentsExplanation")), QStringLiteral("Other"));
    EXPECT_EQ(customs->childText(QStringLiteral("NonDeliveryOption")), QStringLiteral("ReturnToSender"));
    shipment.setObject(QStringLiteral("Gift"), QVUSPSShipmentCustomsFormContentTypeKey);
    shipment.setObject(QStringLiteral("Birthday present"), QVUSPSShipmentCustomsFormContentTypeOtherDescriptionKey);
    ASSERT_TRUE(client->domesticLabelNumberAndResponse(nullptr, shipment));
    document = server.lastPicNumberRequest();
    ASSERT_TRUE(document);
    customs = document->child(QStringLiteral("CustomsInfo"));
    ASSERT_TRUE(customs);
    EXPECT_EQ(customs->childText(QStringLiteral("ContentsType")), QStringLiteral("Gift"));
    EXPECT_EQ(customs->childText(QStringLiteral("ContentsExplanation")), QStringLiteral("Birthday present"));
}

TEST_F(LabelNumberClientTest, ARefusalOrAnUnreadableReplyGivesNoNumber)
{
    QVShipment shipment(domesticShipmentDictionary());
    server.setPicNumberReply("<Status>12</Status><ErrorMessage>Invalid ZIP code</ErrorMessage>");
    QVariantMap reply{{QStringLiteral("untouched"), true}};
    EXPECT_FALSE(client->domesticLabelNumberAndResponse(&reply, shipment));
    EXPECT_EQ(client->lastErrorCode(), QStringLiteral("12"));
    EXPECT_EQ(client->lastErrorDescription(), QStringLiteral("Invalid ZIP code"));
    EXPECT_TRUE(reply.contains(QStringLiteral("untouched")));
    server.http().setReply(kPicNumberPath, ScriptedReply::text(200, "<LabelNumberResponse><Status>0"));
    EXPECT_FALSE(client->domesticLabelNumberAndResponse(nullptr, shipment));
    EXPECT_TRUE(client->lastErrorCode().isEmpty());
    EXPECT_FALSE(client->lastErrorDescription().isEmpty());
    // Status 0 without a number: nothing, both fields empty.
    server.setPicNumberReply("<Status>0</Status>");
    EXPECT_FALSE(client->domesticLabelNumberAndResponse(nullptr, shipment));
    EXPECT_TRUE(client->lastErrorCode().isEmpty());
    EXPECT_TRUE(client->lastErrorDescription().isEmpty());
}

TEST_F(LabelNumberClientTest, ConfirmNumbersForFirstClassLettersFlatsAndPostcards)
{
    QVShipment shipment(domesticShipmentDictionary());
    shipment.setObject(QStringLiteral("QVUSPSFirstClassMail"), QStringLiteral("QVUSPSShipmentRateClassKey"));
    server.setConfirmReply("<ConfirmNumber>00000000000000001234567</ConfirmNumber>");
    struct Case {
        const char *size;
        const char *mailType;
    } cases[] = {{"QVUSPSPostcardSize", "PC"},
                 {"QVUSPSLetterSize", "LT"},
                 {"QVUSPSLargeEnvelopeSize", "FL"},
                 {"QVUSPSRegularSize", ""}};
    for (const Case &c : cases) {
        shipment.setObject(QString::fromLatin1(c.size), QStringLiteral("QVUSPSShipmentSizeKey"));
        const auto number = client->confirmNumberAndResponse(nullptr, shipment);
        ASSERT_TRUE(number) << c.size;
        EXPECT_EQ(*number, QStringLiteral("00000000000000001234567"));
        const auto document = server.lastConfirmRequest();
        ASSERT_TRUE(document);
        EXPECT_EQ(document->name, QStringLiteral("ConfirmRequest"));
        EXPECT_EQ(document->attributes.value(QStringLiteral("AccountID")), QStringLiteral("1234567"));
        const XmlElement *item = document->child(QStringLiteral("ConfirmItem"));
        ASSERT_TRUE(item);
        EXPECT_EQ(item->attributes.value(QStringLiteral("ID")), QStringLiteral("TfM"));
        EXPECT_EQ(item->childText(QStringLiteral("MailClass")), QStringLiteral("FC"));
        EXPECT_EQ(item->childText(QStringLiteral("MailType")), QString::fromLatin1(c.mailType));
        EXPECT_EQ(item->childText(QStringLiteral("MailFromZipcode")), QStringLiteral("63366"));
        // ZIP5, ZIP4 and delivery point run together.
        EXPECT_EQ(item->childText(QStringLiteral("MailToZipcode")), shipment.toAddress().lossyZIP11());
        EXPECT_TRUE(item->childText(QStringLiteral("MailToZipcode")).startsWith(QStringLiteral("972011234")));
    }
    shipment.setObject(QStringLiteral("QVUSPSPriorityMail"), QStringLiteral("QVUSPSShipmentRateClassKey"));
    ASSERT_TRUE(client->confirmNumberAndResponse(nullptr, shipment));
    EXPECT_EQ(server.lastConfirmRequest()->child(QStringLiteral("ConfirmItem"))->childText(QStringLiteral("MailClass")),
              QString());

    // The sender's D-U-N-S number: empty while the setting is not made, else
    // the setting.
    for (const char *setting : {"", "123456789"}) {
        if (*setting)
            UserDefaults::standardUserDefaults().setString(QString::fromLatin1(setting), QVCustomerDUNSDefaultsKey);
        ASSERT_TRUE(client->confirmNumberAndResponse(nullptr, shipment));
        // The request is kept while its item is read.
        const std::optional<XmlElement> request = server.lastConfirmRequest();
        ASSERT_TRUE(request);
        const XmlElement *item = request->child(QStringLiteral("ConfirmItem"));
        ASSERT_TRUE(item);
        EXPECT_EQ(item->childCount(QStringLiteral("CustomerDUNS")), 1);
        EXPECT_EQ(item->childText(QStringLiteral("CustomerDUNS")), QString::fromLatin1(setting));
    }

    server.setConfirmReply("<ErrorCode>-2147219401</ErrorCode><ErrorMessage>Invalid weight</ErrorMessage>");
    QVariantMap reply;
    EXPECT_FALSE(client->confirmNumberAndResponse(&reply, shipment));
    EXPECT_EQ(client->lastErrorCode(), QStringLiteral("-2147219401"));
    EXPECT_EQ(client->lastErrorDescription(), QStringLiteral("Invalid weight"));
    EXPECT_TRUE(reply.isEmpty());
}

TEST_F(LabelNumberClientTest, ExpressMailSendsItsDeliveryOptionsAsBooleans)
{
    QVShipment shipment(domesticShipmentDictionary());
    shipment.setObject(QStringLiteral("QVUSPSExpressMail"), QStringLiteral("QVUSPSShipmentRateClassKey"));
    shipment.setObject(QStringLiteral("QVUSPSLargeFlatRateVideoBoxSize"), QStringLiteral("QVUSPSShipmentSizeKey"));
    shipment.setObject(2, QStringLiteral("QVUSPSShipmentRateClassificationKey"));
    shipment.setObject(true, QStringLiteral("QVUSPSShipmentCubicPricingKey"));
    shipment.setObject(QVariantList{QStringLiteral("QVUSPSCertifiedMailService")},
                       QStringLiteral("QVUSPSShipmentOptionalServicesKey"));
    server.setPicNumberReply("<Status>0</Status><LabelNumber>EA123456789US</LabelNumber>");
    struct Case {
        QVariantMap options;
        const char *signature, *waiver, *noSaturday, *sunday, *holiday;
    } cases[] = {
        {{}, "false", "true", "true", "false", "false"},
        {{{QStringLiteral("QVUSPSShipmentExpressMailSignatureRequiredKey"), true}},
         "true",
         "false",
         "true",
         "false",
         "false"},
        {{{QStringLiteral("QVUSPSShipmentExpressMailSaturdayDeliveryKey"), true},
          {QStringLiteral("QVUSPSShipmentExpressMailSundayDeliveryKey"), true},
          {QStringLiteral("QVUSPSShipmentExpressMailHolidayDeliveryKey"), true}},
         "false",
         "true",
         "false",
         "true",
         "true"},
    };
    for (const Case &c : cases) {
        if (c.options.isEmpty())
            shipment.removeObjectForKey(QStringLiteral("QVUSPSShipmentExpressMailOptionsKey"));
        else
            shipment.setObject(c.options, QStringLiteral("QVUSPSShipmentExpressMailOptionsKey"));
        ASSERT_EQ(client->expressLabelNumberAndResponse(nullptr, shipment), QStringLiteral("EA123456789US"));
        const auto document = server.lastExpressRequest();
        ASSERT_TRUE(document);
        EXPECT_EQ(document->name, QStringLiteral("ExpressMailNumberRequest"));
        EXPECT_EQ(document->childText(QStringLiteral("SignatureService")), QString::fromLatin1(c.signature));
        EXPECT_EQ(document->childText(QStringLiteral("WaiverOfSignature")), QString::fromLatin1(c.waiver));
        EXPECT_EQ(document->childText(QStringLiteral("NoDeliverySaturday")), QString::fromLatin1(c.noSaturday));
        EXPECT_EQ(document->childText(QStringLiteral("SundayDelivery")), QString::fromLatin1(c.sunday));
        EXPECT_EQ(document->childText(QStringLiteral("HolidayDelivery")), QString::fromLatin1(c.holiday));
        // No mail class, machinable flag or Certified Mail; the video box as it is.
        for (const char *absent : {"MailClass", "Machinable", "CertifiedMail", "CertifiedMailFee"})
            EXPECT_EQ(document->childCount(QString::fromLatin1(absent)), 0) << absent;
        EXPECT_EQ(document->childText(QStringLiteral("Container")), QStringLiteral("LargeVideoFlatRateBox"));
        EXPECT_EQ(document->childText(QStringLiteral("Pricing")), QStringLiteral("CommercialPlus"));
        EXPECT_EQ(document->childText(QStringLiteral("FromCity")), QStringLiteral("OFallon"));
    }
}

TEST_F(LabelNumberClientTest, AnInternationalPieceSendsItsAddressLinesAndTheCustomsBlock)
{
    // The country names of the shipped table.
    InitializeRE("", "01/27/2014");
    ASSERT_EQ(LoadCountry2013FileAtPath(TOLVANE_SOURCE_DIR "/resources/country2013.dat"), 1);
    NotificationCenter::defaultCenter().post(QVCountryListDidChangeNotification);
    QVariantMap dictionary = domesticShipmentDictionary();
    dictionary.insert(QVShipmentToAddressKey,
                      addressMap({{QVAddressNameKey, QStringLiteral("Marie Joseph")},
                                  {QVAddressInternationalAddressLinesKey,
                                   QStringList{QStringLiteral("Harbour House"), QStringLiteral("12 Bay St"),
                                               QStringLiteral("Castries 4021")}},
                                  {QVAddressCountryKey, QStringLiteral("Saint Lucia")},
                                  {QVAddressPhoneKey, QStringLiteral("+1 (758) 452-1234")},
                                  {QVAddressEmailKey, QStringLiteral("marie@example.com")}}));
    QVShipment shipment(dictionary);
    shipment.setObject(QStringLiteral("QVUSPSIntlPriorityMailIntl"), QStringLiteral("QVUSPSShipmentRateClassKey"));
    shipment.setObject(QStringLiteral("QVUSPSLargeFlatRateVideoBoxSize"), QStringLiteral("QVUSPSShipmentSizeKey"));
    shipment.setObject(QStringLiteral("Ann S. Customs"), QVUSPSShipmentCustomsFormSendersNameKey);
    shipment.setObject(QStringLiteral("Merchandise"), QVUSPSShipmentCustomsFormContentTypeKey);
    server.setPicNumberReply("<Status>0</Status><LabelNumber>CP123456789US</LabelNumber>");
    QVariantMap reply;
    ASSERT_EQ(client->internationalLabelNumberAndResponse(&reply, shipment), QStringLiteral("CP123456789US"))
        << client->lastErrorDescription().toStdString();
    EXPECT_EQ(reply.value(QStringLiteral("LabelNumber")).toString(), QStringLiteral("CP123456789US"));

    const auto document = server.lastInternationalRequest();
    ASSERT_TRUE(document);
    EXPECT_EQ(document->name, QStringLiteral("InternationalPicNumberRequest"));
    EXPECT_EQ(document->attributes.value(QStringLiteral("ValidationLevel")), QStringLiteral("Basic"));
    const QList<QPair<QString, QString>> expected = {
        {QStringLiteral("LabelNumberSource"), QStringLiteral("Tolvane")},
        {QStringLiteral("AccountID"), QStringLiteral("1234567")},
        {QStringLiteral("MailClass"), QStringLiteral("PriorityMailInternational")},
        {QStringLiteral("Postage"), QString()},
        {QStringLiteral("Container"), QStringLiteral("LargeVideoFlatRateBox")},
        {QStringLiteral("Pricing"), QStringLiteral("Retail")},
        {QStringLiteral("DeclaredValue"), QStringLiteral("25.00")},
        {QStringLiteral("FromName"), QStringLiteral("Ann S. Customs")},
        {QStringLiteral("FromCompany"), QString()},
        {QStringLiteral("FromCity"), QStringLiteral("OFallon")},
        {QStringLiteral("POZipCode"), QStringLiteral("63366")},
        {QStringLiteral("ToName"), QString()},
        {QStringLiteral("ToCompany"), QStringLiteral("Marie Joseph")},
        {QStringLiteral("ToCountryCode"), QStringLiteral("LC")},
        {QStringLiteral("ToCity"), QStringLiteral("Castries ")},
        {QStringLiteral("ToAddress1"), QStringLiteral("12 Bay St")},
        {QStringLiteral("ToAddress2"), QStringLiteral("Harbour House")},
        {QStringLiteral("ToPostalCode"), QString()},
        {QStringLiteral("ToPhone"), QStringLiteral("7584521234")},
        {QStringLiteral("ToEmail"), QStringLiteral("marie@example.com")},
    };
    for (const auto &[name, text] : expected)
        EXPECT_EQ(document->childText(name), text) << name.toStdString();
    for (const char *absent : {"Machinable", "Zone", "ComputeRDC"})
        EXPECT_EQ(document->childCount(QString::fromLatin1(absent)), 0) << absent;
    // The marker element among the others, and the customs block last, also
    // without customs items.
    EXPECT_EQ(document->childCount(QStringLiteral("CustomsInfo")), 2);
    EXPECT_TRUE(document->childText(QStringLiteral("CustomsInfo")).contains(QStringLiteral("!!tolvane_CustomsInfo!!")));
    ASSERT_FALSE(document->children.isEmpty());
    const XmlElement &customs = document->children.last();
    EXPECT_EQ(customs.name, QStringLiteral("CustomsInfo"));
    EXPECT_EQ(customs.childText(QStringLiteral("ContentsType")), QStringLiteral("Merchandise"));
    EXPECT_EQ(customs.childText(QStringLiteral("ContentsExplanation")), QStringLiteral("Other"));
    EXPECT_EQ(customs.childText(QStringLiteral("NonDeliveryOption")), QStringLiteral("ReturnToSender"));

    // A short address: the line above the country holds only digits, the
    // name is the street line, no second street line; the shipment's total
    // is the postage.
    dictionary.insert(QVShipmentToAddressKey,
                      addressMap({{QVAddressNameKey, QStringLiteral("Marie Joseph")},
                                  {QVAddressCompanyKey, QStringLiteral("Bay Traders")},
                                  {QVAddressInternationalAddressLinesKey, QStringList{QStringLiteral("4021")}},
                                  {QVAddressCountryKey, QStringLiteral("Saint Lucia")}}));
    QVShipment shortAddress(dictionary);
    shortAddress.setObject(QStringLiteral("12.5"), QVShipmentPriceKey);
    shortAddress.setObject(QStringLiteral("NoSuchRateClass"), QStringLiteral("QVUSPSShipmentRateClassKey"));
    ASSERT_TRUE(client->internationalLabelNumberAndResponse(nullptr, shortAddress));
    const auto second = server.lastInternationalRequest();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->childText(QStringLiteral("ToCity")), QStringLiteral("Unknown"));
    EXPECT_EQ(second->childText(QStringLiteral("ToName")), QStringLiteral("Marie Joseph"));
    EXPECT_EQ(second->childText(QStringLiteral("ToCompany")), QStringLiteral("Bay Traders"));
    EXPECT_EQ(second->childText(QStringLiteral("ToCountryCode")), QStringLiteral("LC"));
    EXPECT_EQ(second->childText(QStringLiteral("Postage")), QStringLiteral("12.50"));
    EXPECT_EQ(second->childCount(QStringLiteral("ToAddress2")), 0);
    // A mail class the table does not know is left out.
    EXPECT_EQ(second->childCount(QStringLiteral("MailClass")), 0);

    // A refusal answers nothing with the status and message.
    server.setPicNumberReply("<Status>7</Status><ErrorMessage>Country not served</ErrorMessage>");
    EXPECT_FALSE(client->internationalLabelNumberAndResponse(nullptr, shipment));
    EXPECT_EQ(client->lastErrorCode(), QStringLiteral("7"));
    EXPECT_EQ(client->lastErrorDescription(), QStringLiteral("Country not served"));
}

TEST(LabelNumberPricing, LevelsOfThePriceClassifications)
{
    struct Case {
        int classification;
        bool cubic;
        const char *pricing;
    } cases[] = {{0, false, "Retail"},         {1, true, "CommercialBase"},
                 {2, false, "CommercialPlus"}, {2, true, "CommercialPlusCubic"},
                 {3, true, "Retail"},          {9, false, "Retail"},
                 {10, false, "NSA"},           {-4, false, "Retail"}};
    for (const Case &c : cases)
        EXPECT_EQ(QVRHOLabelNumberCommandCenter::pricingValueForPriceClassification(c.classification, c.cubic),
                  QString::fromLatin1(c.pricing))
            << c.classification;
}

} // namespace
