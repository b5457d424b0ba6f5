// The label server's shipment documents (LabelRequest, PostageRateRequest)
// for a table of shipments, read back with the test support's own XML
// reader: element order, attributes, length limits, weight texts, the
// recipient lines, customs, and every text escaped.
#include "LabelServerTestSupport.h"

#include "model/QVCountry.h"
#include "platform/NotificationCenter.h"
#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"

#include "QtPrinters.h"

using namespace tolvane::test;

namespace {

class LabelServerDocumentsTest : public LabelServerFixture
{
protected:
    void SetUp() override
    {
        LabelServerFixture::SetUp();
        InitializeRE("", "01/27/2014");
        ASSERT_EQ(LoadCountry2013FileAtPath(TOLVANE_SOURCE_DIR "/resources/country2013.dat"), 1);
        NotificationCenter::defaultCenter().post(QVCountryListDidChangeNotification);
    }

    XmlElement labelDocument(const QVShipment &shipment, const QVariantMap &attributes = {}, bool test = false)
    {
        const QByteArray data = client->XMLForShipment(shipment, test, attributes).xmlData();
        EXPECT_TRUE(data.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>")) << data.left(60).constData();
        QString error;
        const std::optional<XmlElement> document = readXmlElement(data, &error);
        EXPECT_TRUE(document) << error.toStdString();
        return document.value_or(XmlElement());
    }
    XmlElement rateDocument(const QVShipment &shipment)
    {
        const std::optional<XmlElement> document =
            readXmlElement(client->XMLForRateRequestForShipment(shipment).xmlData());
        EXPECT_TRUE(document);
        return document.value_or(XmlElement());
    }
};

QStringList names(std::initializer_list<const char *> list)
{
    QStringList result;
    for (const char *name : list)
        result << QString::fromLatin1(name);
    return result;
}

QVariantMap internationalDictionary()
{
    QVariantMap dictionary = domesticShipmentDictionary();
    dictionary.insert(QVShipmentToAddressKey,
                      addressMap({{QVAddressNameKey, QStringLiteral("Chloé Dubois")},
                                  {QVAddressCompanyKey, QStringLiteral("")},
                                  {QVAddressCountryKey, QStringLiteral("Canada")},
                                  {QVAddressPhoneKey, QStringLiteral("+1 (613) 555-0100")},
                                  {QVAddressInternationalAddressLinesKey,
                                   QStringList{QStringLiteral("12 Rue Principale"), QStringLiteral(""),
                                               QStringLiteral("Bureau 4"), QStringLiteral("Étage 2"),
                                               QStringLiteral("Extra line"), QStringLiteral("Ottawa ON K1A 0B1")}}}));
    dictionary.insert(QStringLiteral("QVUSPSShipmentRateClassKey"), QStringLiteral("QVUSPSIntlPriorityMailIntl"));
    dictionary.insert(QVUSPSShipmentCustomsFormTypeKey, QStringLiteral("QVUSPSShipment2976APMICustomsFormType"));
    dictionary.insert(QVUSPSShipmentCustomsFormContentTypeKey, QStringLiteral("Gift"));
    dictionary.insert(QVUSPSShipmentCustomsFormContentTypeOtherDescriptionKey, QString(40, QLatin1Char('x')));
    dictionary.insert(QVUSPSShipmentCustomsLicenseNumberKey, QString(20, QLatin1Char('L')));
    dictionary.insert(QVUSPSShipmentCustomsCertificateNumberKey, QString(20, QLatin1Char('C')));
    dictionary.insert(QVUSPSShipmentCustomsInvoiceNumberKey, QString(20, QLatin1Char('I')));
    dictionary.insert(QVUSPSShipmentCustomsAESITNKey, QString(40, QLatin1Char('A')));
    dictionary.insert(QVUSPSShipmentCustomsFormSendersNameKey, QString(60, QLatin1Char('S')));
    dictionary.insert(QVShipmentDescriptionKey, QString(60, QLatin1Char('D')));
    QVariantList items;
    for (int i = 0; i < 31; ++i)
        items << QVariantMap{{QVShipmentItemDescriptionKey, QStringLiteral("Maple syrup & <candy> #%1").arg(i)},
                             {QVShipmentItemQuantityKey, QStringLiteral("2.9")},
                             {QVShipmentItemWeightNumberKey, QStringLiteral("2")},
                             {QVShipmentItemWeightUnitKey, QStringLiteral("lb")},
                             {QVShipmentItemValueKey, QStringLiteral("12.50")},
                             {QVShipmentItemHSTariffNumberKey, QStringLiteral("1702.20-00.99")},
                             {QVShipmentItemCountryOfOriginKey, QStringLiteral("United States")}};
    items[1] = QVariantMap{{QVShipmentItemCountryOfOriginKey, QStringLiteral("Canada")}};
    dictionary.insert(QVShipmentItemsKey, items);
    return dictionary;
}

TEST_F(LabelServerDocumentsTest, DomesticLabelRequestInElementOrder)
{
    QVShipment shipment(domesticShipmentDictionary());
    const XmlElement document =
        labelDocument(shipment, {{QVLabelTypeAttributeKey, QStringLiteral("QVZPLIILabel")}}, true);
    EXPECT_EQ(document.name, QStringLiteral("LabelRequest"));
    EXPECT_EQ(document.attributes.value(QStringLiteral("Test")), QStringLiteral("YES"));
    EXPECT_EQ(document.attributes.value(QStringLiteral("ImageFormat")), QStringLiteral("ZPLII"));
    EXPECT_FALSE(document.attributes.contains(QStringLiteral("LabelType")));
    EXPECT_EQ(document.childNames(),
              names({"RequesterID",
                     "AccountID",
                     "PassPhrase",
                     "MailClass",
                     "DateAdvance",
                     "WeightOz",
                     "MailpieceShape",
                     "Machinable",
                     "IncludePostage",
                     "ReplyPostage",
                     "Stealth",
                     "ValidateAddress",
                     "Services",
                     "CostCenter",
                     "InsuredValue",
                     "Description",
                     "ReferenceID",
                     "PartnerCustomerID",
                     "PartnerTransactionID",
                     "RubberStamp1",
                     "RubberStamp2",
                     "POZipCode",
                     "ShipDate",
                     "ResponseOptions",
                     "FromName",
                     "FromCompany",
                     "ReturnAddress1",
                     "ReturnAddress2",
                     "FromCity",
                     "FromState",
                     "FromPostalCode",
                     "FromZIP4",
                     "FromPhone",
                     "FromEMail",
                     "ToName",
                     "ToCompany",
                     "ToAddress1",
                     "ToAddress2",
                     "ToCity",
                     "ToState",
                     "ToPostalCode",
                     "ToZIP4",
                     "ToDeliveryPoint",
                     "ToPhone",
                     "ToEMail"}));
    const QList<QPair<const char *, QString>> texts{
        {"MailClass", QStringLiteral("Priority")},
        {"DateAdvance", QStringLiteral("2")},
        {"WeightOz", QStringLiteral("32")},
        {"MailpieceShape", QStringLiteral("Parcel")},
        {"Machinable", QStringLiteral("FALSE")},
        {"IncludePostage", QStringLiteral("TRUE")},
        {"ReplyPostage", QStringLiteral("FALSE")},
        {"ValidateAddress", QStringLiteral("FALSE")},
        {"CostCenter", QStringLiteral("0")},
        {"InsuredValue", QStringLiteral("25.00")},
        {"PartnerCustomerID", QStringLiteral("1234567")},
        {"POZipCode", QStringLiteral("63366")},
        {"ShipDate", QDate::currentDate().addDays(2).toString(QStringLiteral("MM/dd/yyyy"))},
        {"FromCity", QStringLiteral("OFallon")},
        {"FromState", QStringLiteral("MO")},
        {"FromPhone", QStringLiteral("5551234567")},
        {"ReturnAddress1", QStringLiteral("1 Main St")},
        {"ToName", QStringLiteral("")},
        {"ToCompany", QStringLiteral("Bob Receiver")},
        {"ToAddress1", QStringLiteral("Apt 3")},
        {"ToAddress2", QStringLiteral("22 Elm Ave")},
        {"ToZIP4", QStringLiteral("1234")},
        {"ToDeliveryPoint", QStringLiteral("05")},
        {"ToPhone", QStringLiteral("5559876543")},
    };
    for (const auto &[name, text] : texts)
        EXPECT_EQ(document.childText(QString::fromLatin1(name)), text) << name;
    const XmlElement *services = document.child(QStringLiteral("Services"));
    ASSERT_TRUE(services);
    EXPECT_EQ(services->attributes,
              (QMap<QString, QString>{{QStringLiteral("DeliveryConfirmation"), QStringLiteral("OFF")},
                                      {QStringLiteral("SignatureConfirmation"), QStringLiteral("OFF")}}));
    EXPECT_EQ(document.child(QStringLiteral("ResponseOptions"))->attributes.value(QStringLiteral("PostagePrice")),
              QStringLiteral("TRUE"));
}

TEST_F(LabelServerDocumentsTest, ImageFormatRotationAndLabelTypeAttributes)
{
    const struct {
        const char *labelType;
        bool preview;
        bool numberOnly;
        const char *zebra;
        const char *format;
        const char *rotation;
    } cases[] = {
        {"QVEPL2Label", false, false, "T", "EPL2", "Rotate180"},
        {"QVZPLIILabel", false, false, "B", "ZPLII", "None"},
        {"QVEPL2Label", true, false, "T", "PNGMONOCHROME", ""},
        {"QVPlainPaperLabel", false, false, "T", "PNGMONOCHROME", ""},
        {"SomeLabelStock", false, false, "", "PNGMONOCHROME", ""},
        {"QVZPLIILabel", false, true, "T", "", ""},
    };
    for (const auto &c : cases) {
        UserDefaults::standardUserDefaults().setString(QString::fromLatin1(c.zebra),
                                                       QStringLiteral("zebraOrientation"));
        const XmlElement document = labelDocument(QVShipment(domesticShipmentDictionary()),
                                                  {{QVLabelTypeAttributeKey, QString::fromLatin1(c.labelType)},
                                                   {QVPreviewLabelAttributeKey, c.preview},
                                                   {QVNumberOnlyAttributeKey, c.numberOnly}});
        EXPECT_EQ(document.attributes.value(QStringLiteral("ImageFormat")), QString::fromLatin1(c.format))
            << c.labelType << c.preview;
        EXPECT_EQ(document.attributes.value(QStringLiteral("ImageRotation")), QString::fromLatin1(c.rotation))
            << c.labelType << c.preview;
    }

    // Certified Mail: its own label for letters, the default one otherwise.
    QVariantMap certified = domesticShipmentDictionary();
    certified.insert(QStringLiteral("QVUSPSShipmentRateClassKey"), QStringLiteral("QVUSPSFirstClassMail"));
    certified.insert(QVUSPSShipmentOptionalServicesKey, QStringList{QStringLiteral("QVUSPSCertifiedMailService")});
    certified.insert(QStringLiteral("QVUSPSShipmentSizeKey"), QStringLiteral("QVUSPSLetterSize"));
    EXPECT_EQ(labelDocument(QVShipment(certified)).attributes.value(QStringLiteral("LabelType")),
              QStringLiteral("CertifiedMail"));
    certified.insert(QStringLiteral("QVUSPSShipmentSizeKey"), QStringLiteral("QVUSPSLargeEnvelopeSize"));
    const XmlElement flat = labelDocument(QVShipment(certified));
    EXPECT_EQ(flat.attributes.value(QStringLiteral("LabelType")), QStringLiteral("Default"));
    EXPECT_EQ(flat.child(QStringLiteral("Services"))->attributes.value(QStringLiteral("CertifiedMail")),
              QStringLiteral("ON"));

    // An integrated customs form on plain paper takes no label size.
    QVShipment abroad(internationalDictionary());
    const XmlElement plain = labelDocument(abroad, {{QVLabelTypeAttributeKey, QStringLiteral("QVPlainPaperLabel")}});
    EXPECT_EQ(plain.attributes.value(QStringLiteral("LabelSubtype")), QStringLiteral("Integrated"));
    EXPECT_FALSE(plain.attributes.contains(QStringLiteral("LabelSize")));
}

TEST_F(LabelServerDocumentsTest, RecipientLinesCompanyInToNameAndThePersonInToCompany)
{
    const struct {
        const char *name;
        const char *company;
        const char *suite;
        const char *toName;
        const char *toCompany;
        const char *toAddress1;
    } cases[] = {
        {"Bob Receiver", "", "Apt 3", "", "Bob Receiver", "Apt 3"},
        {"Bob Receiver", "Acme & Sons", "Apt 3", "Acme & Sons", "Bob Receiver", "Apt 3"},
        {"", "", "Attn: Desk 4", "", "Attn: Desk 4", ""},
        {"", "Acme", "", "Acme", "", ""},
    };
    for (const auto &c : cases) {
        QVariantMap dictionary = domesticShipmentDictionary();
        QVariantMap to = dictionary.value(QVShipmentToAddressKey).toMap();
        to.insert(QVAddressNameKey, QString::fromUtf8(c.name));
        to.insert(QVAddressCompanyKey, QString::fromUtf8(c.company));
        to.insert(QVAddressSuiteAptKey, QString::fromUtf8(c.suite));
        dictionary.insert(QVShipmentToAddressKey, to);
        const XmlElement document = labelDocument(QVShipment(dictionary));
        EXPECT_EQ(document.childText(QStringLiteral("ToName")), QString::fromUtf8(c.toName)) << c.name << c.company;
        EXPECT_EQ(document.childText(QStringLiteral("ToCompany")), QString::fromUtf8(c.toCompany)) << c.name;
        EXPECT_EQ(document.childText(QStringLiteral("ToAddress1")), QString::fromUtf8(c.toAddress1)) << c.name;
    }
}

TEST_F(LabelServerDocumentsTest, InternationalWithCustomsKeepsTheLengthLimits)
{
    QVShipment shipment(internationalDictionary());
    const XmlElement document = labelDocument(shipment, {{QVLabelTypeAttributeKey, QStringLiteral("QVEPL2Label")}});
    EXPECT_EQ(document.attributes.value(QStringLiteral("LabelType")), QStringLiteral("International"));
    EXPECT_EQ(document.attributes.value(QStringLiteral("LabelSubtype")), QStringLiteral("Integrated"));
    EXPECT_EQ(document.attributes.value(QStringLiteral("LabelSize")), QStringLiteral("4x6C"));
    EXPECT_EQ(document.childText(QStringLiteral("MailClass")), QStringLiteral("PriorityMailInternational"));
    EXPECT_EQ(document.childText(QStringLiteral("IntegratedFormType")), QStringLiteral("Form2976A"));
    EXPECT_EQ(document.childText(QStringLiteral("Description")), QString(50, QLatin1Char('D')));
    EXPECT_EQ(document.childText(QStringLiteral("CustomsCertify")), QStringLiteral("TRUE"));
    EXPECT_EQ(document.childText(QStringLiteral("CustomsSigner")), QString(47, QLatin1Char('S')));
    EXPECT_EQ(document.childText(QStringLiteral("CustomsSendersCopy")), QStringLiteral("TRUE"));
    const QStringList order = document.childNames();
    EXPECT_LT(order.indexOf(QStringLiteral("ShipDate")), order.indexOf(QStringLiteral("CustomsInfo")));
    EXPECT_EQ(order.indexOf(QStringLiteral("CustomsCertify")), order.indexOf(QStringLiteral("CustomsInfo")) + 1);

    const XmlElement *info = document.child(QStringLiteral("CustomsInfo"));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->childNames(),
              names({"ContentsType", "ContentsExplanation", "LicenseNumber", "CertificateNumber", "InvoiceNumber",
                     "NonDeliveryOption", "EelPfc", "CustomsItems"}));
    EXPECT_EQ(info->childText(QStringLiteral("ContentsType")), QStringLiteral("Gift"));
    EXPECT_EQ(info->childText(QStringLiteral("ContentsExplanation")), QString(25, QLatin1Char('x')));
    EXPECT_EQ(info->childText(QStringLiteral("LicenseNumber")), QString(16, QLatin1Char('L')));
    EXPECT_EQ(info->childText(QStringLiteral("CertificateNumber")), QString(12, QLatin1Char('C')));
    EXPECT_EQ(info->childText(QStringLiteral("InvoiceNumber")), QString(15, QLatin1Char('I')));
    EXPECT_EQ(info->childText(QStringLiteral("NonDeliveryOption")), QStringLiteral("Return"));
    EXPECT_EQ(info->childText(QStringLiteral("EelPfc")), QString(35, QLatin1Char('A')));
    const XmlElement *items = info->child(QStringLiteral("CustomsItems"));
    ASSERT_TRUE(items);
    EXPECT_EQ(items->childCount(QStringLiteral("CustomsItem")), 30) << "the 31st item is not sent";
    const XmlElement &first = items->children.at(0);
    EXPECT_EQ(first.childNames(),
              names({"Description", "Quantity", "Weight", "Value", "HSTariffNumber", "CountryOfOrigin"}));
    EXPECT_EQ(first.childText(QStringLiteral("Description")), QStringLiteral("Maple syrup & <candy> #0"));
    EXPECT_EQ(first.childText(QStringLiteral("Quantity")), QStringLiteral("2"));
    EXPECT_EQ(first.childText(QStringLiteral("Weight")), QStringLiteral("32"));
    EXPECT_EQ(first.childText(QStringLiteral("Value")), QStringLiteral("12.50"));
    EXPECT_EQ(first.childText(QStringLiteral("HSTariffNumber")), QStringLiteral("170220"));
    EXPECT_EQ(first.childText(QStringLiteral("CountryOfOrigin")), QStringLiteral("US"));
    // An item with nothing but its origin takes the defaults.
    const XmlElement &second = items->children.at(1);
    EXPECT_EQ(second.childText(QStringLiteral("Description")), QStringLiteral(""));
    EXPECT_EQ(second.childText(QStringLiteral("Quantity")), QStringLiteral("1"));
    EXPECT_EQ(second.childText(QStringLiteral("Weight")), QStringLiteral("1"));
    EXPECT_EQ(second.childText(QStringLiteral("Value")), QStringLiteral("0.00"));
    EXPECT_EQ(second.childText(QStringLiteral("CountryOfOrigin")), QStringLiteral("CA"));

    // Recipient lines: name, then the address lines without empty ones, the
    // last as the city, extra lines dropped.
    const QList<QPair<const char *, const char *>> lines{
        {"ToName", "Chloé Dubois"},
        {"ToAddress1", "12 Rue Principale"},
        {"ToAddress2", "Bureau 4"},
        {"ToAddress3", "Étage 2"},
        {"ToCity", "Ottawa ON K1A 0B1"},
        {"ToState", ""},
        {"ToPostalCode", ""},
        {"ToCountryCode", "CA"},
        {"ToPhone", "6135550100"},
    };
    for (const auto &[name, text] : lines)
        EXPECT_EQ(document.childText(QString::fromLatin1(name)), QString::fromUtf8(text)) << name;
    EXPECT_FALSE(order.contains(QStringLiteral("Extra line")));
    EXPECT_FALSE(order.contains(QStringLiteral("ToZIP4")));
}

TEST_F(LabelServerDocumentsTest, NoItemsMeansNoCustomsElementsAndReturnedGoodsGoAsOther)
{
    QVariantMap dictionary = internationalDictionary();
    dictionary.remove(QVShipmentItemsKey);
    const XmlElement none = labelDocument(QVShipment(dictionary));
    for (const char *name : {"CustomsInfo", "CustomsCertify", "CustomsSigner", "CustomsSendersCopy"})
        EXPECT_FALSE(none.child(QString::fromLatin1(name))) << name;

    dictionary = internationalDictionary();
    dictionary.insert(QVUSPSShipmentCustomsFormTypeKey, QStringLiteral("QVUSPSShipment2976PMICustomsFormType"));
    dictionary.insert(QVUSPSShipmentCustomsFormContentTypeKey, QVUSPSShipmentCustomsFormReturnedGoodsContentType);
    const XmlElement returned = labelDocument(QVShipment(dictionary));
    EXPECT_EQ(returned.childText(QStringLiteral("IntegratedFormType")), QStringLiteral("Form2976"));
    EXPECT_FALSE(returned.child(QStringLiteral("CustomsSendersCopy")));
    const XmlElement *info = returned.child(QStringLiteral("CustomsInfo"));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->childText(QStringLiteral("ContentsType")), QStringLiteral("Other"));
    EXPECT_EQ(info->childText(QStringLiteral("ContentsExplanation")), QStringLiteral("Returned Goods"));
}

TEST_F(LabelServerDocumentsTest, ExpressWithOptionsAndHoldForPickup)
{
    QVariantMap dictionary = domesticShipmentDictionary();
    dictionary.insert(QStringLiteral("QVUSPSShipmentRateClassKey"), QStringLiteral("QVUSPSExpressMail"));
    dictionary.insert(
        QVUSPSShipmentOptionalServicesKey,
        QStringList{QStringLiteral("QVUSPSExpressMail1030AMService"), QStringLiteral("QVUSPSHoldForPickupService")});
    QVariantMap to = dictionary.value(QVShipmentToAddressKey).toMap();
    to.insert(QVAddressEmailKey, QStringLiteral("bob@example.com"));
    dictionary.insert(QVShipmentToAddressKey, to);
    dictionary.insert(QStringLiteral("QVUSPSShipmentInsuranceTypeKey"), QStringLiteral("3"));
    const struct {
        bool signature, saturday, sunday, holiday;
        const char *sundayHoliday, *waiver, *noWeekend;
    } cases[] = {
        {false, false, false, false, "FALSE", "TRUE", "TRUE"},
        {true, true, true, false, "SUNDAY", "FALSE", "FALSE"},
        {false, true, false, true, "HOLIDAY", "TRUE", "FALSE"},
        {true, false, true, true, "TRUE", "FALSE", "TRUE"},
    };
    for (const auto &c : cases) {
        dictionary.insert(QVUSPSShipmentExpressMailOptionsKey,
                          QVariantMap{{QVUSPSShipmentExpressMailSignatureRequiredKey, c.signature},
                                      {QVUSPSShipmentExpressMailSaturdayDeliveryKey, c.saturday},
                                      {QVUSPSShipmentExpressMailSundayDeliveryKey, c.sunday},
                                      {QVUSPSShipmentExpressMailHolidayDeliveryKey, c.holiday}});
        const XmlElement document = labelDocument(QVShipment(dictionary));
        EXPECT_EQ(document.childText(QStringLiteral("MailClass")), QStringLiteral("Express"));
        EXPECT_EQ(document.childText(QStringLiteral("SundayHolidayDelivery")), QString::fromLatin1(c.sundayHoliday));
        EXPECT_EQ(document.childText(QStringLiteral("SignatureWaiver")), QString::fromLatin1(c.waiver));
        EXPECT_EQ(document.childText(QStringLiteral("NoWeekendDelivery")), QString::fromLatin1(c.noWeekend));
        const QStringList order = document.childNames();
        EXPECT_EQ(order.indexOf(QStringLiteral("SundayHolidayDelivery")),
                  order.indexOf(QStringLiteral("Machinable")) + 1);
        EXPECT_EQ(order.indexOf(QStringLiteral("SignatureWaiver")),
                  order.indexOf(QStringLiteral("ValidateAddress")) + 1);
        const XmlElement *services = document.child(QStringLiteral("Services"));
        ASSERT_TRUE(services);
        EXPECT_EQ(services->attributes.value(QStringLiteral("AMDelivery")), QStringLiteral("ON"));
        EXPECT_EQ(services->attributes.value(QStringLiteral("HoldForPickup")), QStringLiteral("ON"));
        EXPECT_EQ(services->attributes.value(QStringLiteral("InsuredMail")), QStringLiteral("Tolvane"));
        EXPECT_EQ(document.childText(QStringLiteral("HfpSMS")), QStringLiteral("5559876543"));
        EXPECT_EQ(document.childText(QStringLiteral("HfpEmailAddress")), QStringLiteral("bob@example.com"));
        EXPECT_FALSE(document.child(QStringLiteral("ToPhone")));
    }
}

TEST_F(LabelServerDocumentsTest, WeightTextsShapesAndLabelSizes)
{
    const struct {
        const char *rateClass;
        const char *size;
        const char *ounces;
        const char *weight;
        const char *shape;
        const char *labelSize;
    } cases[] = {
        {"QVUSPSFirstClassMail", "QVUSPSPostcardSize", "4", "3.5", "Card", "PostCard"},
        {"QVUSPSFirstClassMail", "QVUSPSLetterSize", "4", "3.5", "Letter", "6x4"},
        {"QVUSPSFirstClassMail", "QVUSPSLetterSize", "3", "3", "Letter", "6x4"},
        {"QVUSPSFirstClassMail", "QVUSPSRegularSize", "16", "15.9", "Parcel", ""},
        {"QVUSPSFirstClassMail", "QVUSPSRegularSize", "15", "15", "Parcel", ""},
        {"QVUSPSPriorityMail", "QVUSPSRegularSize", "16", "16", "Parcel", ""},
        {"QVUSPSPriorityMail", "QVUSPSFlatRateBoxSize", "4", "4", "MediumFlatRateBox", ""},
        {"QVUSPSPriorityMail", "QVUSPSLargeSize", "20", "20", "Parcel", ""},
    };
    for (const auto &c : cases) {
        QVariantMap dictionary = domesticShipmentDictionary();
        dictionary.insert(QStringLiteral("QVUSPSShipmentRateClassKey"), QString::fromLatin1(c.rateClass));
        dictionary.insert(QStringLiteral("QVUSPSShipmentSizeKey"), QString::fromLatin1(c.size));
        dictionary.insert(QVShipmentWeightNumberKey, QString::fromLatin1(c.ounces));
        dictionary.insert(QVShipmentWeightUnitKey, QStringLiteral("oz"));
        const XmlElement document = labelDocument(QVShipment(dictionary));
        EXPECT_EQ(document.childText(QStringLiteral("WeightOz")), QString::fromLatin1(c.weight)) << c.size << c.ounces;
        EXPECT_EQ(document.childText(QStringLiteral("MailpieceShape")), QString::fromLatin1(c.shape)) << c.size;
        EXPECT_EQ(document.attributes.value(QStringLiteral("LabelSize")), QString::fromLatin1(c.labelSize)) << c.size;
    }
}

TEST_F(LabelServerDocumentsTest, DimensionsDateAdvanceAndIrregularPriorityParcels)
{
    QVariantMap dictionary = domesticShipmentDictionary();
    dictionary.insert(QVShipmentLengthMeasurementKey, 1250);
    dictionary.insert(QVShipmentWidthMeasurementKey, 800);
    dictionary.insert(QVShipmentHeightMeasurementKey, 325);
    dictionary.insert(QVShipmentRectangularKey, false);
    dictionary.insert(QVShipmentShipDateKey, QDateTime(QDate::currentDate().addDays(-3), QTime(9, 0)));
    const XmlElement document = labelDocument(QVShipment(dictionary));
    const XmlElement *dimensions = document.child(QStringLiteral("MailpieceDimensions"));
    ASSERT_TRUE(dimensions);
    EXPECT_EQ(dimensions->childNames(), names({"Length", "Width", "Height"}));
    EXPECT_EQ(dimensions->childText(QStringLiteral("Length")), QStringLiteral("12.5"));
    EXPECT_EQ(dimensions->childText(QStringLiteral("Width")), QStringLiteral("8"));
    EXPECT_EQ(dimensions->childText(QStringLiteral("Height")), QStringLiteral("3.25"));
    EXPECT_EQ(document.childText(QStringLiteral("DateAdvance")), QStringLiteral("0")) << "a past date";
    EXPECT_EQ(document.childText(QStringLiteral("MailpieceShape")), QStringLiteral("IrregularParcel"));

    dictionary.insert(QVShipmentHeightMeasurementKey, 0);
    EXPECT_FALSE(labelDocument(QVShipment(dictionary)).child(QStringLiteral("MailpieceDimensions")));
}

TEST_F(LabelServerDocumentsTest, InternationalWithoutServicesHasNoServicesElement)
{
    QVariantMap dictionary = internationalDictionary();
    dictionary.insert(QStringLiteral("QVUSPSShipmentPostageEnabledKey"), false);
    const XmlElement document = labelDocument(QVShipment(dictionary));
    EXPECT_FALSE(document.child(QStringLiteral("Services")));
    EXPECT_EQ(document.childText(QStringLiteral("IncludePostage")), QStringLiteral("FALSE"));
    // Mail Innovations mode: unpaid international pieces go as "IPA" with a
    // consolidator label.
    UserDefaults::standardUserDefaults().setBool(true, QStringLiteral("upsMailInnovationsMode"));
    const XmlElement innovations = labelDocument(QVShipment(dictionary));
    EXPECT_EQ(innovations.childText(QStringLiteral("MailClass")), QStringLiteral("IPA"));
    EXPECT_EQ(innovations.childText(QStringLiteral("PrintConsolidatorLabel")), QStringLiteral("TRUE"));
}

TEST_F(LabelServerDocumentsTest, EveryTextIsEscapedAndReadsBackUnchanged)
{
    const QString hostile = QStringLiteral("A&B <C> \"D\" 'E' ]]> &amp; \u00e9\u4e2d");
    QVariantMap dictionary = domesticShipmentDictionary();
    QVariantMap to = dictionary.value(QVShipmentToAddressKey).toMap();
    to.insert(QVAddressNameKey, hostile);
    to.insert(QVAddressStreetKey, hostile);
    dictionary.insert(QVShipmentToAddressKey, to);
    dictionary.insert(QVShipmentDescriptionKey, QStringLiteral("<x>&"));
    dictionary.insert(QVShipmentInvoiceNumberKey, hostile);
    account->passPhrase = hostile;
    const XmlElement document = labelDocument(QVShipment(dictionary));
    EXPECT_EQ(document.childText(QStringLiteral("ToCompany")), hostile);
    EXPECT_EQ(document.childText(QStringLiteral("ToAddress2")), hostile);
    EXPECT_EQ(document.childText(QStringLiteral("ReferenceID")), hostile);
    EXPECT_EQ(document.childText(QStringLiteral("PassPhrase")), hostile);
    EXPECT_EQ(document.childText(QStringLiteral("Description")), QStringLiteral("<x>&"));
    EXPECT_FALSE(document.child(QStringLiteral("x")));
}

TEST_F(LabelServerDocumentsTest, RateRequestCarriesOnlyThePricingElements)
{
    const XmlElement domestic = rateDocument(QVShipment(domesticShipmentDictionary()));
    EXPECT_EQ(domestic.name, QStringLiteral("PostageRateRequest"));
    EXPECT_EQ(domestic.childNames(),
              names({"RequesterID", "CertifiedIntermediary", "MailClass", "WeightOz", "MailpieceShape", "Machinable",
                     "Services", "CostCenter", "InsuredValue", "FromPostalCode", "ToPostalCode", "ShipDate",
                     "ResponseOptions"}));
    EXPECT_EQ(domestic.childText(QStringLiteral("FromPostalCode")), QStringLiteral("63366"));
    EXPECT_EQ(domestic.childText(QStringLiteral("ToPostalCode")), QStringLiteral("97201"));

    const XmlElement abroad = rateDocument(QVShipment(internationalDictionary()));
    const QStringList order = abroad.childNames();
    EXPECT_FALSE(order.contains(QStringLiteral("ToPostalCode")));
    EXPECT_EQ(abroad.childText(QStringLiteral("ToCountry")), QStringLiteral("CANADA"));
    EXPECT_EQ(abroad.childText(QStringLiteral("ToCountryCode")), QStringLiteral("CA"));

    // Reply postage: the sender's ZIP is the one the piece comes back to.
    QVariantMap reply = domesticShipmentDictionary();
    reply.insert(QVUSPSShipmentReplyPostageKey, true);
    const XmlElement replyDocument = rateDocument(QVShipment(reply));
    EXPECT_EQ(replyDocument.childText(QStringLiteral("FromPostalCode")), QStringLiteral("97201"));
    EXPECT_EQ(replyDocument.childText(QStringLiteral("ToPostalCode")), QStringLiteral("63366"));
    EXPECT_FALSE(labelDocument(QVShipment(reply)).child(QStringLiteral("POZipCode")));
}

} // namespace
