// Label custom fields and the recipient notice: the texts of the two free
// fields, the placeholder values, the mailto: address and its hand-over to
// the desktop.
#include "rates/QVShipmentLabelFields.h"

#include "QVShipmentTestFakes.h"
#include "platform/UserDefaults.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"

#include <gtest/gtest.h>

namespace {

class QVShipmentLabelFieldsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UserDefaults::resetStandardUserDefaults();
        printer = std::make_shared<FakePrinterSetup>();
        opener = std::make_shared<RecordingUrlOpener>();
        setPrinterSetupController(printer);
        setUrlOpener(opener);
    }
    void TearDown() override
    {
        setPrinterSetupController(nullptr);
        setUrlOpener(nullptr);
        UserDefaults::resetStandardUserDefaults();
    }

    static UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

    // The sample piece: Priority Mail from Tolvane Books to Ada Lovelace.
    static QVShipment sample()
    {
        QVShipment shipment;
        QVAddress from;
        from.setName(QStringLiteral("Lena Berg"));
        from.setCompany(QStringLiteral("Tolvane Books"));
        from.setPhone(QStringLiteral("6175550100"));
        from.setStreet(QStringLiteral("5 Elm St"));
        from.setCity(QStringLiteral("Boston"));
        from.setState(QStringLiteral("MA"));
        from.setZIP5(QStringLiteral("02134"));
        QVAddress to(domesticAddress(QStringLiteral("10001")));
        to.setEmail(QStringLiteral("  ada@example.com "));
        shipment.setObject(from.plist(), QVShipmentFromAddressKey);
        shipment.setObject(to.plist(), QVShipmentToAddressKey);
        shipment.setObject(QVUSPSPriorityMail, QVUSPSShipmentRateClassKey);
        shipment.setObject(QVUSPSRegularSize, QVUSPSShipmentSizeKey);
        shipment.setObject(QVUSPSeDeliveryConfirmation, QVUSPSShipmentConfirmationServiceKey);
        setServices(shipment, {QVUSPSHoldForPickupService});
        shipment.setObject(QVUSPSShipmentTolvaneInsuranceType, QVUSPSShipmentInsuranceTypeKey);
        shipment.setObject(QStringLiteral("2"), QVShipmentWeightNumberKey);
        shipment.setObject(QStringLiteral("lb"), QVShipmentWeightUnitKey);
        shipment.setObject(QVariant::fromValue(Decimal::fromString(QStringLiteral("8.2"))), QVShipmentPriceKey);
        shipment.setObject(QStringLiteral("24.995"), QVShipmentValueKey);
        shipment.setObject(QDateTime(QDate(2014, 9, 8), QTime(9, 30)), QVShipmentShipDateKey);
        shipment.setObject(QStringLiteral("Two books"), QVShipmentDescriptionKey);
        shipment.setObject(QStringLiteral("INV-77"), QVShipmentInvoiceNumberKey);
        shipment.setObject(QStringLiteral("2 Days"), QVUSPSShipmentServiceStandardsKey);
        shipment.setObject(QStringLiteral("420100019205590100130471010801"), QVUSPSShipmentPICKey);
        return shipment;
    }

    std::shared_ptr<FakePrinterSetup> printer;
    std::shared_ptr<RecordingUrlOpener> opener;
};

// ---- Custom fields ---------------------------------------------------------------------

TEST_F(QVShipmentLabelFieldsTest, CustomFieldChoices)
{
    QVShipment shipment;
    shipment.setObject(QStringLiteral("Books"), QVShipmentDescriptionKey);
    shipment.setObject(QStringLiteral("Stamp one"), QVShipmentRubberStamp1Key);
    shipment.setObject(QStringLiteral("Stamp two"), QVShipmentRubberStamp2Key);
    struct Case {
        QString choice;
        QString text;
    } cases[] = {
        {QStringLiteral("None"), QString()},
        {QStringLiteral("Description"), QStringLiteral("Books")},
        {QStringLiteral("Reference ID"), QString()}, // no invoice number stored
        {QStringLiteral("RubberStamp1"), QStringLiteral("Stamp one")},
        {QStringLiteral("RubberStamp2"), QStringLiteral("Stamp two")},
        {QStringLiteral("Something else"), QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.choice.toStdString());
        defaults().setString(c.choice, QStringLiteral("topCustomField"));
        const QString text = stringForCustomFieldDefaultsKey(shipment, QStringLiteral("topCustomField"));
        EXPECT_EQ(text, c.text);
        EXPECT_FALSE(text.isNull());
    }
    EXPECT_EQ(stringForCustomFieldDefaultsKey(shipment, QStringLiteral("bottomCustomField")), QString());
}

TEST_F(QVShipmentLabelFieldsTest, EndorsementsOfPlainPaperLetters)
{
    defaults().setString(QStringLiteral("Description"), QStringLiteral("topCustomField"));
    defaults().setString(QStringLiteral("RubberStamp1"), QStringLiteral("bottomCustomField"));
    QVShipment letter;
    letter.setObject(QVUSPSLetterSize, QVUSPSShipmentSizeKey);
    letter.setObject(QStringLiteral("Books"), QVShipmentDescriptionKey);
    letter.setObject(QStringLiteral("Fragile"), QVShipmentRubberStamp1Key);
    setServices(letter, {QVUSPSCertifiedMailService, QVUSPSReturnReceiptService, QVUSPSRestrictedDeliveryService});

    EXPECT_EQ(stringForTopCustomField(letter), QStringLiteral("Return Receipt Requested"));
    EXPECT_EQ(stringForBottomCustomField(letter), QStringLiteral("Restricted Delivery"));
    EXPECT_EQ(printer->questions, (QList<bool>{true, true}));

    // Without the service: the user's choice.
    setServices(letter, {QVUSPSCertifiedMailService});
    EXPECT_EQ(stringForTopCustomField(letter), QStringLiteral("Books"));
    EXPECT_EQ(stringForBottomCustomField(letter), QStringLiteral("Fragile"));

    // On a thermal envelope label: the user's choice.
    setServices(letter, {QVUSPSCertifiedMailService, QVUSPSReturnReceiptService, QVUSPSRestrictedDeliveryService});
    printer->envelopeLabelType = QStringLiteral("QVEPL2Label");
    EXPECT_EQ(stringForTopCustomField(letter), QStringLiteral("Books"));
    EXPECT_EQ(stringForBottomCustomField(letter), QStringLiteral("Fragile"));

    // A parcel is asked as a non-envelope and shows the user's choice.
    printer->questions.clear();
    QVShipment parcel(letter.privateDictionary());
    parcel.setObject(QVUSPSRegularSize, QVUSPSShipmentSizeKey);
    EXPECT_EQ(stringForTopCustomField(parcel), QStringLiteral("Books"));
    EXPECT_EQ(printer->questions, QList<bool>{false});
}

// ---- Recipient notice --------------------------------------------------------------------

TEST_F(QVShipmentLabelFieldsTest, PlaceholdersOfTheSampleShipment)
{
    const QVShipment shipment = sample();
    const QVariantMap values = replacementDictionaryForEmailNotification(shipment);
    const QString trackingNumber = QStringLiteral("9205590100130471010801");
    const QVariantMap expected = {
        {QStringLiteral("DeclaredValue"), QStringLiteral("25.00")},
        {QStringLiteral("DestinationName"), QStringLiteral("Ada Lovelace")},
        {QStringLiteral("DestinationAddress"), shipment.toAddress().formattedAddress()},
        {QStringLiteral("DestinationEmail"), QStringLiteral("  ada@example.com ")},
        {QStringLiteral("OptionalServices"), QStringLiteral("USPS Tracking, Hold For Pickup, Tolvane Insurance")},
        {QStringLiteral("PackageDescription"), QStringLiteral("Two books")},
        {QStringLiteral("ServiceStandards"), QStringLiteral("2 Days")},
        {QStringLiteral("PackageWeight"), QStringLiteral("2 lb")},
        {QStringLiteral("PostageValue"), QStringLiteral("$8.20")},
        {QStringLiteral("PostmarkDate"), QStringLiteral("09/08/2014")},
        {QStringLiteral("ReferenceID"), QStringLiteral("INV-77")},
        {QStringLiteral("SenderName"), QStringLiteral("Lena Berg")},
        {QStringLiteral("SenderCompany"), QStringLiteral("Tolvane Books")},
        {QStringLiteral("SenderPhone"), QStringLiteral("6175550100")},
        {QStringLiteral("ServiceClass"), QStringLiteral("Priority Mail")},
        {QStringLiteral("PackagePIC"), trackingNumber},
        {QStringLiteral("TrackingInformation"),
         QStringLiteral("The package's ID is 9205590100130471010801\n\n"
                        "To check the status of your package at any time please visit: ") +
             vendorPackageStatusURL(trackingNumber).toString() +
             QStringLiteral(" or the U.S. Postal Service's website: ") + uspsHomePageURL().toString()},
    };
    EXPECT_EQ(values, expected);
    EXPECT_TRUE(shipment.toAddress().formattedAddress().contains(QStringLiteral("1 Main St")));

    const QUrl status = vendorPackageStatusURL(trackingNumber);
    EXPECT_EQ(status.path(), QStringLiteral("/Status/"));
    EXPECT_EQ(status.query(), QStringLiteral("PIC=") + trackingNumber);
}

TEST_F(QVShipmentLabelFieldsTest, NoticeAmountsRoundHalfAwayFromZero)
{
    // Exact decimals: 2.345 is a half (a double would hold 2.34499... and
    // print 2.34).
    const struct {
        const char *amount;
        const char *declared;
        const char *postage;
    } cases[] = {
        {"2.345", "2.35", "$2.35"}, {"0.125", "0.13", "$0.13"},    {"1.005", "1.01", "$1.01"},
        {"2.344", "2.34", "$2.34"}, {"-0.125", "-0.13", "$-0.13"}, {"7", "7.00", "$7.00"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.amount);
        QVShipment shipment;
        const Decimal amount = Decimal::fromString(QString::fromLatin1(c.amount));
        shipment.setObject(QVariant::fromValue(amount), QVShipmentValueKey);
        shipment.setObject(QVariant::fromValue(amount), QVShipmentPriceKey);
        const QVariantMap values = replacementDictionaryForEmailNotification(shipment);
        EXPECT_EQ(values.value(QStringLiteral("DeclaredValue")).toString(), QLatin1String(c.declared));
        EXPECT_EQ(values.value(QStringLiteral("PostageValue")).toString(), QLatin1String(c.postage));
    }
}

TEST_F(QVShipmentLabelFieldsTest, PlaceholdersOfAnEmptyRecord)
{
    const QVariantMap values = replacementDictionaryForEmailNotification(QVShipment());
    EXPECT_FALSE(values.contains(QStringLiteral("PackageWeight")));
    EXPECT_EQ(values.value(QStringLiteral("OptionalServices")).toString(), QStringLiteral("None"));
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (it.key() == QLatin1String("OptionalServices"))
            continue;
        SCOPED_TRACE(it.key().toStdString());
        EXPECT_EQ(it.value(), QVariant(QString(QLatin1String(""))));
    }
    EXPECT_EQ(values.size(), 16);
}

TEST_F(QVShipmentLabelFieldsTest, PlaceholdersAbroadAndWithACustomsNumber)
{
    QVShipment shipment;
    shipment.setObject(foreignAddress(QStringLiteral("Canada")), QVShipmentToAddressKey);
    shipment.setObject(QVUSPSIntlPriorityMailIntl, QVUSPSShipmentRateClassKey);
    shipment.setObject(QVUSPSShipmentTolvaneInsuranceType, QVUSPSShipmentInsuranceTypeKey);
    shipment.setObject(QStringLiteral("CP123456785US"), QVUSPSShipmentCustomsBarcodeNumberKey);
    const QVariantMap values = replacementDictionaryForEmailNotification(shipment);
    EXPECT_EQ(values.value(QStringLiteral("ServiceClass")).toString(), QStringLiteral("Priority Mail International"));
    EXPECT_EQ(values.value(QStringLiteral("OptionalServices")).toString(), QStringLiteral("Tolvane Insurance"));
    EXPECT_EQ(values.value(QStringLiteral("PackagePIC")).toString(), QStringLiteral("CP123456785US"));
    const QUrl tracking = uspsTrackingURL(QStringLiteral("CP123456785US"));
    EXPECT_EQ(tracking.path(), QStringLiteral("/go/TrackConfirmAction"));
    EXPECT_EQ(tracking.query(), QStringLiteral("qtc_tLabels1=CP123456785US"));
    EXPECT_EQ(values.value(QStringLiteral("TrackingInformation")).toString(),
              QStringLiteral("The package's ID is CP123456785US\n\n"
                             "To check the status of your package at any time please visit: ") +
                  tracking.toString());
}

TEST_F(QVShipmentLabelFieldsTest, NoticeAddress)
{
    defaults().setString(QStringLiteral("Your <ServiceClass> package & more"),
                         QStringLiteral("emailNotificationSubject"));
    defaults().setString(QStringLiteral("Dear <DestinationName>,\r\nit weighs <PackageWeight>.\nSee <Unknown>?"),
                         QStringLiteral("emailNotificationBody"));
    const QString url = emailNotificationURLString(sample());
    EXPECT_EQ(url,
              QStringLiteral("mailto:ada@example.com"
                             "?SUBJECT=Your%20Priority%20Mail%20package%20%26%20more"
                             "&BODY=Dear%20Ada%20Lovelace,%0Dit%20weighs%202%20lb.%0DSee%20%3CUnknown%3E%3F"));
}

TEST_F(QVShipmentLabelFieldsTest, NoticeOfEmptyTemplatesAndNoAddress)
{
    QVShipment shipment;
    EXPECT_EQ(emailNotificationURLString(shipment), QStringLiteral("mailto:?SUBJECT=%20&BODY="));

    // Characters that would end a part are escaped, also in the address.
    QVAddress to;
    to.setEmail(QStringLiteral("a&b=c?d@example.com"));
    shipment.setObject(to.plist(), QVShipmentToAddressKey);
    defaults().setString(QStringLiteral("x=1#\u00E9"), QStringLiteral("emailNotificationSubject"));
    EXPECT_EQ(emailNotificationURLString(shipment),
              QStringLiteral("mailto:a%26b%3Dc%3Fd@example.com?SUBJECT=x%3D1%23%C3%A9&BODY="));
}

TEST_F(QVShipmentLabelFieldsTest, NoticeIsHandedToTheDesktop)
{
    defaults().setString(QStringLiteral("Shipped"), QStringLiteral("emailNotificationSubject"));
    defaults().setString(QStringLiteral("Tracking: <PackagePIC>"), QStringLiteral("emailNotificationBody"));
    const QVShipment shipment = sample();
    EXPECT_TRUE(sendEmailNotification(shipment));
    defaults().setBool(true, QStringLiteral("prepareEmailNotificationInBackground"));
    EXPECT_TRUE(sendEmailNotification(shipment));

    ASSERT_EQ(opener->opened.size(), 2);
    EXPECT_FALSE(opener->opened[0].inBackground);
    EXPECT_TRUE(opener->opened[1].inBackground);
    const QUrl url = opener->opened[0].url;
    EXPECT_EQ(url.scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(url.path(), QStringLiteral("ada@example.com"));
    EXPECT_EQ(QString::fromUtf8(url.toEncoded()),
              QStringLiteral("mailto:ada@example.com?SUBJECT=Shipped&BODY=Tracking:%209205590100130471010801"));

    // A URL that is not one never reaches the desktop.
    EXPECT_FALSE(openUrl(QUrl()));
    EXPECT_EQ(opener->opened.size(), 2);
}

} // namespace
