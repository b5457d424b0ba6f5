// The customs forms and labels of QVUSPSCommandCenter against the fake Web
// Tools server: the CP72 and CN22 variables (names by the company rule,
// destination lines, items, content types, postage, M-bags), the numbers and
// images of the replies, the copies under "confs/" and "emReceipts/" (none
// for samples, none named by a number that would leave its folder), the
// international and Express Mail labels and the confirmation numbers.
#include "model/QVCountry.h"
#include "model/QVShipment.h"
#include "platform/Decimal.h"
#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"
#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"
#include "rates/QVUSPSRateClassNames.h"
#include "services/QVPostageServerAccount.h"

#include "TestSupport.h"
#include "USPSWebToolsTestSupport.h"

#include <QDir>
#include <QFile>

#include <functional>

using namespace tolvane::test;

namespace {

class USPSCustomsFormsTest : public USPSWebToolsFixture
{
protected:
    static void SetUpTestSuite()
    {
        InitializeRE("", "01/27/2014");
        ASSERT_EQ(LoadCountry2013FileAtPath(TOLVANE_SOURCE_DIR "/resources/country2013.dat"), 1);
        NotificationCenter::defaultCenter().post(QVCountryListDidChangeNotification);
    }
    void SetUp() override
    {
        USPSWebToolsFixture::SetUp();
        removeCopies();
    }
    void TearDown() override
    {
        removeCopies();
        USPSWebToolsFixture::TearDown();
    }
    static void removeCopies()
    {
        QDir(QDir(supportDir()).filePath(QStringLiteral("confs"))).removeRecursively();
        QDir(QDir(supportDir()).filePath(QStringLiteral("emReceipts"))).removeRecursively();
    }

    static QVariantMap item(const QString &description, const QVariant &weight, const QString &unit,
                            const QString &country)
    {
        return {{QVShipmentItemDescriptionKey, description},
                {QVShipmentItemQuantityKey, QStringLiteral("2")},
                {QVShipmentItemValueKey, QStringLiteral("9.50")},
                {QVShipmentItemWeightNumberKey, weight},
                {QVShipmentItemWeightUnitKey, unit},
                {QVShipmentItemCountryOfOriginKey, country},
                {QVShipmentItemHSTariffNumberKey, QStringLiteral("490199")}};
    }

    // A 22-oz parcel from Springfield to a person in Toronto, six items.
    static QVShipment foreignShipment()
    {
        QVAddress from;
        from.setName(QStringLiteral("Ann Sender"));
        from.setStreet(QStringLiteral("1 Main St"));
        from.setSuiteApt(QStringLiteral("Apt 2"));
        from.setCity(QStringLiteral("Springfield"));
        from.setState(QStringLiteral("IL"));
        from.setZIP5(QStringLiteral("62704"));
        from.setZIP4(QStringLiteral("1234"));
        from.setPhone(QStringLiteral("(217) 555-0100"));
        QVAddress to;
        to.setName(QStringLiteral("Bob Receiver"));
        to.setCountry(QStringLiteral("Canada"));
        to.setInternationalAddressLines(QStringList{QStringLiteral("Flat 9"), QStringLiteral("12 King St W"),
                                                    QStringLiteral("Toronto ON M5H 1A1")});
        to.setEmail(QStringLiteral("bob@example.ca"));
        to.setPhone(QStringLiteral("4165550199"));
        QVariantList items;
        items << item(QStringLiteral("Books A&B <new> 100%"), 20, QStringLiteral("oz"),
                      QStringLiteral("United States"));
        for (int i = 2; i <= 6; ++i)
            items << item(QStringLiteral("Item %1").arg(i), 1, QStringLiteral("lb"), QStringLiteral("Germany"));
        QVShipment shipment(QVariantMap{
            {QVShipmentFromAddressKey, from.plist()},
            {QVShipmentToAddressKey, to.plist()},
            {QVShipmentWeightNumberKey, QStringLiteral("22")},
            {QVShipmentWeightUnitKey, QStringLiteral("oz")},
            {QVShipmentPriceKey, QVariant::fromValue(Decimal::parse(QStringLiteral("12.345")).value())},
            {QVShipmentItemsKey, items},
            {QVUSPSShipmentCustomsFormContentTypeKey, QVUSPSShipmentCustomsFormMerchandiseContentType},
            {QVUSPSShipmentCustomsFormCommentsKey, QStringLiteral("Handle with care")},
            {QVShipmentInvoiceNumberKey, QStringLiteral("INV-7")},
            {QVUSPSShipmentMailedFromZIP5Key, QStringLiteral("62704")},
            {QVUSPSShipmentRateClassKey, QVUSPSIntlPriorityMailIntl},
            {QVUSPSShipmentSizeKey, QVUSPSFlatRateBoxSize},
            {QVShipmentShipDateKey, QDateTime(QDate(2014, 3, 7), QTime(9, 0))},
        });
        return shipment;
    }

    // The same piece to a person in Portland, Oregon.
    static QVShipment domesticShipment()
    {
        QVShipment shipment = foreignShipment();
        QVAddress to;
        to.setName(QStringLiteral("Carl"));
        to.setStreet(QStringLiteral("5 Elm St"));
        to.setCity(QStringLiteral("Portland"));
        to.setState(QStringLiteral("OR"));
        to.setZIP5(QStringLiteral("97201"));
        shipment.setObject(to.plist(), QVShipmentToAddressKey);
        return shipment;
    }

    static QByteArray base64(const QByteArray &data) { return data.toBase64(); }
    static QString confs(const QString &name) { return QDir(supportDir()).filePath(QStringLiteral("confs/") + name); }
    const XmlElement &document() const { return m_document = server.lastReceived().value().document; }
    QStringList itemTexts(const QString &child) const
    {
        QStringList texts;
        for (const XmlElement &record : document().child(QStringLiteral("ShippingContents"))->children)
            texts << record.childText(child);
        return texts;
    }

private:
    mutable XmlElement m_document;
};

TEST_F(USPSCustomsFormsTest, ACP72CarriesTheShipmentAndGivesItsPages)
{
    server.setReply("CustomsCP72V3",
                    "<CustomsCP72V3Response><CustomsBarcodeNumber>CP123456789US</CustomsBarcodeNumber>"
                    "<CP72V3Page1Image>" +
                        base64("%PDF page 1") +
                        "</CP72V3Page1Image>"
                        "<CP72V3Page2Image>" +
                        base64("%PDF page 2") +
                        "</CP72V3Page2Image>"
                        "<CP72V3Page4Image>" +
                        base64("%PDF page 4") +
                        "</CP72V3Page4Image>"
                        "<CP72V3InstructionsImage>" +
                        base64("%PDF help") + "</CP72V3InstructionsImage></CustomsCP72V3Response>");
    QList<QVUSPSImage> pages;
    std::optional<QVUSPSImage> instructions;
    const auto number = client->cp72CustomsFormNumberAndLabels(&pages, &instructions, foreignShipment(), false);
    ASSERT_EQ(number, std::optional<QString>(QStringLiteral("CP123456789US")))
        << client->lastErrorDescription().toStdString();
    EXPECT_EQ(pages, (QList<QVUSPSImage>{{"%PDF page 1"}, {"%PDF page 2"}, {"%PDF page 4"}}));
    ASSERT_TRUE(instructions);
    EXPECT_EQ(instructions->data, QByteArray("%PDF help"));
    EXPECT_TRUE(server.lastReceived()->secure);
    EXPECT_EQ(server.lastReceived()->api, QByteArray("CustomsCP72V3"));

    const XmlElement &sent = document();
    const QString canada = QVCountry::countryWithAnyName(QStringLiteral("Canada")).value().rateName();
    const QList<QPair<QString, QString>> expected = {
        {QStringLiteral("ToFirstName"), QString()},
        {QStringLiteral("ToFirm"), QStringLiteral("Bob Receiver")},
        {QStringLiteral("ToCountry"), canada},
        {QStringLiteral("ToAPOFPOZip5"), QString()},
        {QStringLiteral("ToAddress5"), QStringLiteral("Toronto ON M5H 1A1")},
        {QStringLiteral("ToAddress4"), QStringLiteral("12 King St W")},
        {QStringLiteral("ToAddress3"), QStringLiteral("Flat 9")},
        {QStringLiteral("ToEmail"), QStringLiteral("bob@example.ca")},
        {QStringLiteral("ToPhone"), QStringLiteral("4165550199")},
        {QStringLiteral("FromFirstName"), QString()},
        {QStringLiteral("FromFirm"), QStringLiteral("Ann Sender")},
        {QStringLiteral("FromAddress1"), QStringLiteral("Apt 2")},
        {QStringLiteral("FromAddress2"), QStringLiteral("1 Main St")},
        {QStringLiteral("FromZip4"), QStringLiteral("1234")},
        {QStringLiteral("FromPhone"), QStringLiteral("2175550100")},
        {QStringLiteral("ContentType"), QStringLiteral("Other")},
        {QStringLiteral("ContentTypeOther"), QStringLiteral("merchandise")},
        {QStringLiteral("Postage"), QStringLiteral("12.34")},
        {QStringLiteral("GrossPounds"), QStringLiteral("1")},
        {QStringLiteral("GrossOunces"), QStringLiteral("6")},
        {QStringLiteral("NonDeliveryOption"), QStringLiteral("RETURN")},
        {QStringLiteral("DeliveryType"), QStringLiteral("AIRMAIL")},
        {QStringLiteral("Comments"), QStringLiteral("Handle with care")},
        {QStringLiteral("InvoiceNumber"), QStringLiteral("INV-7")},
        {QStringLiteral("ImageType"), QStringLiteral("PDF")},
    };
    for (const auto &[name, text] : expected)
        EXPECT_EQ(sent.childText(name), text) << name.toStdString();
    // At most five items, their texts as typed (the XML and the form never
    // change them), weights in pounds and ounces.
    EXPECT_EQ(itemTexts(QStringLiteral("Description")),
              (QStringList{QStringLiteral("Books A&B <new> 100%"), QStringLiteral("Item 2"), QStringLiteral("Item 3"),
                           QStringLiteral("Item 4"), QStringLiteral("Item 5")}));
    EXPECT_EQ(itemTexts(QStringLiteral("NetPounds")).first(), QStringLiteral("1"));
    EXPECT_EQ(itemTexts(QStringLiteral("NetOunces")).first(), QStringLiteral("4"));
    EXPECT_EQ(itemTexts(QStringLiteral("NetPounds")).last(), QStringLiteral("1"));
    EXPECT_EQ(itemTexts(QStringLiteral("NetOunces")).last(), QStringLiteral("0"));
    EXPECT_EQ(itemTexts(QStringLiteral("CountryOfOrigin")).last(), QStringLiteral("Germany"));
    EXPECT_EQ(itemTexts(QStringLiteral("HSTariffNumber")).first(), QStringLiteral("490199"));
    EXPECT_EQ(itemTexts(QStringLiteral("Quantity")).first(), QStringLiteral("2"));

    // The copy: the pages in a binary property list named after the number.
    const auto archive = readPropertyListFile(confs(QStringLiteral("CP123456789US.cp72")));
    ASSERT_TRUE(archive);
    EXPECT_EQ(archive->toList(),
              (QVariantList{QByteArray("%PDF page 1"), QByteArray("%PDF page 2"), QByteArray("%PDF page 4")}));
}

TEST_F(USPSCustomsFormsTest, ContentTypesPostageAndSamples)
{
    server.setReply("CustomsCP72V3Certify",
                    "<CustomsCP72V3CertifyResponse><CustomsBarcodeNumber>CP1</CustomsBarcodeNumber>"
                    "</CustomsCP72V3CertifyResponse>");
    struct Case {
        QString type;
        QString other;
        const char *sentType;
        const char *sentOther;
    } cases[] = {
        {QVUSPSShipmentCustomsFormReturnedGoodsContentType, QString(), "Other", "returned goods"},
        {QVUSPSShipmentCustomsFormGiftContentType, QString(), "Gift", "other"},
        {QVUSPSShipmentCustomsFormOtherContentType, QStringLiteral("Spare parts"), "Other", "Spare parts"},
    };
    UserDefaults::standardUserDefaults().setBool(true, QVHideTotalPostageOn2976ADefaultsKey);
    for (const Case &c : cases) {
        QVShipment shipment = foreignShipment();
        shipment.setObject(c.type, QVUSPSShipmentCustomsFormContentTypeKey);
        if (!c.other.isEmpty())
            shipment.setObject(c.other, QVUSPSShipmentCustomsFormContentTypeOtherDescriptionKey);
        QList<QVUSPSImage> pages;
        EXPECT_EQ(client->cp72CustomsFormNumberAndLabels(&pages, nullptr, shipment, true),
                  std::optional<QString>(QStringLiteral("CP1")));
        EXPECT_EQ(server.lastReceived()->api, QByteArray("CustomsCP72V3Certify"));
        EXPECT_EQ(document().childText(QStringLiteral("ContentType")), QString::fromLatin1(c.sentType));
        EXPECT_EQ(document().childText(QStringLiteral("ContentTypeOther")), QString::fromLatin1(c.sentOther));
        EXPECT_EQ(document().childText(QStringLiteral("Postage")), QString());
        EXPECT_TRUE(pages.isEmpty());
    }
    // A sample writes no copy.
    EXPECT_FALSE(QDir(QDir(supportDir()).filePath(QStringLiteral("confs"))).exists());
    // Without wanted pages the form comes without images.
    EXPECT_TRUE(client->cp72CustomsFormNumberAndLabels(nullptr, nullptr, foreignShipment(), true));
    EXPECT_EQ(document().childText(QStringLiteral("ImageType")), QStringLiteral("None"));
}

TEST_F(USPSCustomsFormsTest, ACN22ForAnMBag)
{
    server.setReply("CustomsCN22V2",
                    "<CustomsCN22V2Response><CustomsBarcodeNumber>LC987654321US</CustomsBarcodeNumber>"
                    "<CN22V2FormImage>" +
                        base64("%PDF cn22") + "</CN22V2FormImage></CustomsCN22V2Response>");
    QVShipment shipment = foreignShipment();
    shipment.setObject(QVUSPSIntlMBag, QVUSPSShipmentRateClassKey);
    QVAddress to = shipment.toAddress();
    to.setCompany(QStringLiteral("Receiver & Sons"));
    to.setEmail(QString(QLatin1String("")));
    shipment.setObject(to.plist(), QVShipmentToAddressKey);
    std::optional<QVUSPSImage> form;
    std::optional<QVUSPSImage> instructions;
    const auto number = client->cn22CustomsFormNumberAndLabel(&form, &instructions, shipment, false);
    ASSERT_EQ(number, std::optional<QString>(QStringLiteral("LC987654321US")));
    ASSERT_TRUE(form);
    EXPECT_EQ(form->data, QByteArray("%PDF cn22"));
    EXPECT_FALSE(instructions);
    const XmlElement &sent = document();
    EXPECT_EQ(sent.childText(QStringLiteral("MailClass")), QStringLiteral("MBAG"));
    EXPECT_EQ(sent.childText(QStringLiteral("ToFirstName")), QStringLiteral("Bob Receiver"));
    EXPECT_EQ(sent.childText(QStringLiteral("ToFirm")), QStringLiteral("Receiver & Sons"));
    EXPECT_EQ(sent.childText(QStringLiteral("ToAddress6")), QStringLiteral("Toronto ON M5H 1A1"));
    EXPECT_EQ(sent.childText(QStringLiteral("ToAddress3")), QStringLiteral("Bob Receiver"));
    EXPECT_EQ(sent.childText(QStringLiteral("ContentType")), QStringLiteral("Other"));
    EXPECT_EQ(sent.childCount(QStringLiteral("ToEmail")), 1);
    EXPECT_EQ(sent.child(QStringLiteral("ShippingContents"))->children.size(), 3);
    EXPECT_EQ(itemTexts(QStringLiteral("HSTariffNumber")), (QStringList{QString(), QString(), QString()}));
    QFile copy(confs(QStringLiteral("LC987654321US.pdf")));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), QByteArray("%PDF cn22"));
}

TEST_F(USPSCustomsFormsTest, NumbersThatAreNotFileNamesNameNoCopy)
{
    const char *numbers[] = {"../../escape", "a/b", "..", ""};
    for (const char *bad : numbers) {
        server.setReply("CustomsCN22V2",
                        QByteArray("<CustomsCN22V2Response><CustomsBarcodeNumber>") + bad +
                            "</CustomsBarcodeNumber><CN22V2FormImage>" + base64("%PDF") +
                            "</CN22V2FormImage></CustomsCN22V2Response>");
        std::optional<QVUSPSImage> form;
        EXPECT_EQ(client->cn22CustomsFormNumberAndLabel(&form, nullptr, foreignShipment(), false),
                  std::optional<QString>(QString::fromLatin1(bad)));
        EXPECT_TRUE(form);
    }
    const QDir support(supportDir());
    EXPECT_TRUE(QDir(support.filePath(QStringLiteral("confs"))).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_FALSE(QFile::exists(QDir(support.filePath(QStringLiteral(".."))).filePath(QStringLiteral("escape.pdf"))));
}

TEST_F(USPSCustomsFormsTest, AUSPSErrorGivesNoNumber)
{
    server.setErrorReply("CustomsCP72V3", "-2147219080", "Customs form: the value of the contents is required.");
    QList<QVUSPSImage> pages;
    EXPECT_FALSE(client->cp72CustomsFormNumberAndLabels(&pages, nullptr, foreignShipment(), false));
    EXPECT_EQ(client->lastErrorCode(), QStringLiteral("-2147219080"));
    EXPECT_EQ(client->lastErrorDescription(), QStringLiteral("Customs form: the value of the contents is required."));
    EXPECT_FALSE(QDir(QDir(supportDir()).filePath(QStringLiteral("confs"))).exists());
    server.setReply("CustomsCP72V3",
                    "<CustomsCP72V3Response><CustomsBarcodeNumber>CP2</CustomsBarcodeNumber></CustomsCP72V3Response>");
    EXPECT_TRUE(client->cp72CustomsFormNumberAndLabels(&pages, nullptr, foreignShipment(), false));
    EXPECT_EQ(client->lastErrorCode(), QString());
    EXPECT_EQ(client->lastErrorDescription(), QString());
}

TEST_F(USPSCustomsFormsTest, InternationalLabels)
{
    struct Case {
        const char *api;
        std::optional<QString> (QVUSPSCommandCenter::*operation)(QVariantMap *, const QVShipment &, bool);
        bool sample;
    } cases[] = {
        {"FirstClassMailIntl", &QVUSPSCommandCenter::fcmiNumberAndResponse, false},
        {"PriorityMailIntlCertify", &QVUSPSCommandCenter::pmiNumberAndResponse, true},
        {"ExpressMailIntl", &QVUSPSCommandCenter::emiNumberAndResponse, false},
    };
    QVShipment shipment = foreignShipment();
    shipment.setObject(QStringLiteral("Ann  Marie Sender"), QVUSPSShipmentCustomsFormSendersNameKey);
    for (const Case &c : cases) {
        const QByteArray root = QByteArray(c.api) + "Response";
        server.setReply(c.api,
                        "<" + root + "><BarcodeNumber>CX1US</BarcodeNumber><Postage>12.34</Postage></" + root + ">");
        QVariantMap response;
        EXPECT_EQ((client.get()->*c.operation)(&response, shipment, c.sample),
                  std::optional<QString>(QStringLiteral("CX1US")));
        EXPECT_EQ(server.lastReceived()->api, QByteArray(c.api));
        EXPECT_EQ(response.value(QStringLiteral("Postage")), QVariant(QStringLiteral("12.34")));
        const XmlElement &sent = document();
        EXPECT_EQ(sent.childText(QStringLiteral("FromFirstName")), QStringLiteral("Ann"));
        EXPECT_EQ(sent.childText(QStringLiteral("FromLastName")), QStringLiteral("Marie Sender"));
        EXPECT_EQ(sent.childText(QStringLiteral("ToName")), QString());
        EXPECT_EQ(sent.childText(QStringLiteral("ToFirm")), QStringLiteral("Bob Receiver"));
        EXPECT_EQ(sent.childText(QStringLiteral("ToCity")), QStringLiteral("Toronto ON M5H 1A1"));
        EXPECT_EQ(sent.childText(QStringLiteral("ToAddress3")), QStringLiteral("12 King St W"));
        EXPECT_EQ(sent.childText(QStringLiteral("ToAddress2")), QStringLiteral("Flat 9"));
        EXPECT_EQ(sent.childText(QStringLiteral("ToAddress1")), QStringLiteral("Bob Receiver"));
        EXPECT_EQ(sent.childText(QStringLiteral("Container")), QStringLiteral("FLATRATEBOX"));
        EXPECT_EQ(sent.childText(QStringLiteral("LabelDate")), QStringLiteral("03/07/2014"));
        EXPECT_EQ(sent.childText(QStringLiteral("POZipCode")), QStringLiteral("62704"));
        EXPECT_EQ(sent.childText(QStringLiteral("ContentTypeOther")), QStringLiteral("Other"));
        EXPECT_EQ(itemTexts(QStringLiteral("CountryOfOrigin")).first(), QStringLiteral("United States"));
    }
}

TEST_F(USPSCustomsFormsTest, ExpressMailLabelAndReceipt)
{
    server.setReply("ExpressMailLabel",
                    "<ExpressMailLabelResponse><EMConfirmationNumber>EJ123US</EMConfirmationNumber>"
                    "<EMLabel>" +
                        base64("%PDF label") + "</EMLabel><EMReceipt>" + base64("%PDF receipt") +
                        "</EMReceipt></ExpressMailLabelResponse>");
    QVShipment shipment = domesticShipment();
    shipment.setObject(QVUSPSFlatRateEnvelopeSize, QVUSPSShipmentSizeKey);
    shipment.setObject(QVariantList{QVUSPSExpressMailPremiumService}, QVUSPSShipmentOptionalServicesKey);
    shipment.setObject(QVariantMap{{QVUSPSShipmentExpressMailWaiverOfSignatureOptionKey, QStringLiteral("True")}},
                       QVUSPSShipmentExpressMailOptionsKey);
    std::optional<QVUSPSImage> label;
    std::optional<QVUSPSImage> receipt;
    EXPECT_EQ(client->expressNumberAndLabel(&label, &receipt, shipment, false),
              std::optional<QString>(QStringLiteral("EJ123US")));
    ASSERT_TRUE(label && receipt);
    const XmlElement &sent = document();
    EXPECT_EQ(sent.childText(QStringLiteral("FlatRate")), QStringLiteral("True"));
    EXPECT_EQ(sent.childText(QStringLiteral("SundayHolidayDelivery")), QStringLiteral("True"));
    EXPECT_EQ(sent.childText(QStringLiteral("WaiverOfSignature")), QStringLiteral("True"));
    EXPECT_EQ(sent.childText(QStringLiteral("WeightInOunces")), QStringLiteral("22"));
    EXPECT_EQ(sent.childText(QStringLiteral("ToZip5")), QStringLiteral("97201"));
    EXPECT_EQ(sent.childText(QStringLiteral("ToFirm")), QStringLiteral("Carl"));
    EXPECT_EQ(sent.childText(QStringLiteral("ImageType")), QStringLiteral("PDF"));
    QFile labelCopy(confs(QStringLiteral("EJ123US.pdf")));
    QFile receiptCopy(QDir(supportDir()).filePath(QStringLiteral("emReceipts/EJ123US.pdf")));
    ASSERT_TRUE(labelCopy.open(QIODevice::ReadOnly) && receiptCopy.open(QIODevice::ReadOnly));
    EXPECT_EQ(labelCopy.readAll(), QByteArray("%PDF label"));
    EXPECT_EQ(receiptCopy.readAll(), QByteArray("%PDF receipt"));
}

TEST_F(USPSCustomsFormsTest, TheSendersDUNSNumberIsTheSetting)
{
    // "CustomerRefNo" of every request that carries it: empty while the
    // setting is not made, else the setting (without surrounding blanks).
    server.setReply("CustomsCP72V3",
                    "<CustomsCP72V3Response><CustomsBarcodeNumber>CP1</CustomsBarcodeNumber></CustomsCP72V3Response>");
    server.setReply("PriorityMailIntl",
                    "<PriorityMailIntlResponse><BarcodeNumber>CX1US</BarcodeNumber></PriorityMailIntlResponse>");
    server.setReply("DeliveryConfirmationPICV3",
                    "<DeliveryConfirmationPICV3.0Response><DeliveryConfirmationNumber>"
                    "9405</DeliveryConfirmationNumber></DeliveryConfirmationPICV3.0Response>");
    QVShipment domestic = domesticShipment();
    domestic.setObject(QVUSPSPriorityMail, QVUSPSShipmentRateClassKey);
    domestic.setObject(QVUSPSeDeliveryConfirmation, QVUSPSShipmentConfirmationServiceKey);
    const std::function<bool()> requests[] = {
        [&] { return bool(client->cp72CustomsFormNumberAndLabels(nullptr, nullptr, foreignShipment(), false)); },
        [&] { return bool(client->pmiNumberAndResponse(nullptr, foreignShipment(), false)); },
        [&] { return bool(client->confirmationNumberForShipment(domestic, false)); },
    };
    struct Case {
        const char *setting; // nullptr: not set
        const char *sent;
    } cases[] = {{nullptr, ""}, {"123456789", "123456789"}, {" 987654321\n", "987654321"}};
    for (const Case &c : cases) {
        if (c.setting)
            UserDefaults::standardUserDefaults().setString(QString::fromLatin1(c.setting), QVCustomerDUNSDefaultsKey);
        else
            UserDefaults::standardUserDefaults().removeObjectForKey(QVCustomerDUNSDefaultsKey);
        for (const auto &request : requests) {
            ASSERT_TRUE(request()) << client->lastErrorDescription().toStdString();
            const XmlElement &sent = document();
            EXPECT_EQ(sent.childCount(QStringLiteral("CustomerRefNo")), 1) << sent.name.toStdString();
            EXPECT_EQ(sent.childText(QStringLiteral("CustomerRefNo")), QString::fromLatin1(c.sent))
                << sent.name.toStdString();
        }
        EXPECT_EQ(client->dunsNumber(), QString::fromLatin1(c.sent));
    }
    // Set through the client, it is the setting.
    client->setDunsNumber(QStringLiteral("111222333"));
    EXPECT_EQ(UserDefaults::standardUserDefaults().stringForKey(QVCustomerDUNSDefaultsKey),
              QStringLiteral("111222333"));
}

TEST_F(USPSCustomsFormsTest, ConfirmationNumbers)
{
    QVShipment shipment = domesticShipment();
    shipment.setObject(QVUSPSPriorityMail, QVUSPSShipmentRateClassKey);
    // No confirmation service: nothing is sent.
    EXPECT_FALSE(client->confirmationNumberForShipment(shipment, false));
    EXPECT_EQ(server.receivedCount(), 0);

    server.setReply("SignatureConfirmationPICV3",
                    "<SignatureConfirmationPICV3.0Response><SignatureConfirmationNumber>"
                    "420972019405</SignatureConfirmationNumber></SignatureConfirmationPICV3.0Response>");
    server.setReply("DeliveryConfirmPICCertifyV3",
                    "<DeliveryConfirmPICCertifyV3.0Response><DeliveryConfirmationNumber>"
                    "9405</DeliveryConfirmationNumber></DeliveryConfirmPICCertifyV3.0Response>");
    shipment.setObject(QVUSPSeSignatureConfirmation, QVUSPSShipmentConfirmationServiceKey);
    EXPECT_EQ(client->confirmationNumberForShipment(shipment, false),
              std::optional<QString>(QStringLiteral("420972019405")));
    const XmlElement &sent = document();
    EXPECT_EQ(sent.name, QStringLiteral("SignatureConfirmationPICV3.0Request"));
    EXPECT_EQ(sent.childText(QStringLiteral("FromZip5")), QStringLiteral("62704"));
    EXPECT_EQ(sent.childText(QStringLiteral("ToZip5")), QStringLiteral("97201"));
    EXPECT_EQ(sent.childText(QStringLiteral("LabelDate")), QStringLiteral("03/07/14"));
    EXPECT_EQ(sent.childText(QStringLiteral("ServiceType")),
              QVUSPSRateClass::webToolsNameForRateClassName(QVUSPSPriorityMail));
    shipment.setObject(QVUSPSeDeliveryConfirmation, QVUSPSShipmentConfirmationServiceKey);
    EXPECT_EQ(client->confirmationNumberForShipment(shipment, true), std::optional<QString>(QStringLiteral("9405")));
    EXPECT_EQ(server.lastReceived()->api, QByteArray("DeliveryConfirmPICCertifyV3"));
}

} // namespace
