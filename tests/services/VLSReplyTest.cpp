// A label-server label reply copied into the shipment: the label texts, the
// removal of missing ones, delivery days of "0", the balance and account of
// the vendor's own pieces, and the price and indicium of pieces with postage.
#include "LabelServerTestSupport.h"

#include "services/QVShipmentVLS.h"

#include "QtPrinters.h"

using namespace tolvane::test;

namespace {

QVXMLDocument reply(const QByteArray &children)
{
    const std::optional<QVXMLDocument> document = QVXMLDocument::fromData(
        "<LabelRequestResponse xmlns=\"urn:example:labels\"><Status>0</Status>" + children + "</LabelRequestResponse>");
    EXPECT_TRUE(document);
    return document.value_or(QVXMLDocument());
}

class VLSReplyTest : public LabelServerFixture
{};

TEST_F(VLSReplyTest, LabelTextsAreStoredAndMissingOnesRemoved)
{
    QVShipment shipment(domesticShipmentDictionary());
    shipment.setObject(QStringLiteral("EC000000000US"), QVUSPSShipmentCustomsBarcodeNumberKey);
    shipment.setObject(QStringLiteral("3"), QVUSPSShipmentDeliveryDaysKey);
    takeValuesFromVLSLabelResponse(
        shipment,
        reply("<BarcodeNumber>420972019405</BarcodeNumber><BarcodeDisplay>9405 11</BarcodeDisplay>"
              "<Banner>USPS TRACKING #</Banner><MailerID>9012</MailerID><RDC>R05</RDC>"
              "<TrackingNumber>9405511</TrackingNumber><DeliveryTimeDays>0</DeliveryTimeDays>"
              "<TransactionID>88</TransactionID><Fees><InsuredMail>2.45</InsuredMail></Fees>"
              "<CustomsNumber/>"));
    const QList<QPair<QString, QString>> expected{
        {QVUSPSShipmentBarcodeNumberKey, QStringLiteral("420972019405")},
        {QVUSPSShipmentDisplayLabelNumberKey, QStringLiteral("9405 11")},
        {QVUSPSShipmentDisplayLabelBannerKey, QStringLiteral("USPS TRACKING #")},
        {QVUSPSShipmentMailerIDKey, QStringLiteral("9012")},
        {QVUSPSShipmentRDCKey, QStringLiteral("R05")},
        {QVUSPSShipmentPICKey, QStringLiteral("9405511")},
        {QVUSPSShipmentRHOPieceCountKey, QStringLiteral("88")},
        {QVUSPSShipmentInsurancePriceKey, QStringLiteral("2.45")},
    };
    for (const auto &[key, value] : expected)
        EXPECT_EQ(shipment.objectForKey(key), QVariant(value)) << qPrintable(key);
    EXPECT_FALSE(shipment.objectForKey(QVUSPSShipmentDeliveryDaysKey).isValid()) << "\"0\" days are removed";
    EXPECT_FALSE(shipment.objectForKey(QVUSPSShipmentCustomsBarcodeNumberKey).isValid()) << "empty text removes";

    // A reply without a tracking number removes the PIC.
    takeValuesFromVLSLabelResponse(shipment, reply("<DeliveryTimeDays>2</DeliveryTimeDays>"));
    EXPECT_FALSE(shipment.objectForKey(QVUSPSShipmentPICKey).isValid());
    EXPECT_EQ(shipment.objectForKey(QVUSPSShipmentDeliveryDaysKey), QVariant(QStringLiteral("2")));
}

TEST_F(VLSReplyTest, BalanceAndAccountOnlyForTheVendorsOwnPieces)
{
    const QVXMLDocument document = reply("<PostageBalance>1234.5</PostageBalance>");
    for (const QString &origin : {QString(), QVUSPSShipmentOriginTolvane}) {
        QVShipment shipment(domesticShipmentDictionary());
        if (!origin.isNull())
            shipment.setObject(origin, QVUSPSShipmentOriginServerKey);
        takeValuesFromVLSLabelResponse(shipment, document);
        EXPECT_EQ(shipment.objectForKey(QVUSPSShipmentRHOBalanceKey), QVariant(QStringLiteral("$1,234.50")));
        EXPECT_EQ(shipment.objectForKey(QVUSPSShipmentRHOAccountKey).toULongLong(), 1234567u);
    }
    QVShipment partner(domesticShipmentDictionary());
    partner.setObject(QVUSPSShipmentOriginBriskoOne, QVUSPSShipmentOriginServerKey);
    partner.setObject(QStringLiteral("$5.00"), QVUSPSShipmentRHOBalanceKey);
    partner.setObject(42, QVUSPSShipmentRHOAccountKey);
    takeValuesFromVLSLabelResponse(partner, document);
    EXPECT_EQ(partner.objectForKey(QVUSPSShipmentRHOBalanceKey), QVariant(QStringLiteral("$5.00")));
    EXPECT_EQ(partner.objectForKey(QVUSPSShipmentRHOAccountKey), QVariant(42));
}

TEST_F(VLSReplyTest, PriceAndIndiciumOnlyWithPostage)
{
    const QVXMLDocument document = reply("<FinalPostage>6.70</FinalPostage><Indicium>0a1B2c</Indicium>");
    QVShipment paid(domesticShipmentDictionary());
    paid.setTotalPrice(Decimal::fromString(QStringLiteral("9.99")));
    takeValuesFromVLSLabelResponse(paid, document);
    EXPECT_EQ(paid.totalPrice(), Decimal::fromString(QStringLiteral("6.70")));
    EXPECT_EQ(paid.objectForKey(QVUSPSShipmentRHOIndiciumDataKey), QVariant(QByteArray::fromHex("0a1b2c")));

    QVShipment unpaid(domesticShipmentDictionary());
    unpaid.setObject(false, QVUSPSShipmentPostageEnabledKey);
    unpaid.setTotalPrice(Decimal::fromString(QStringLiteral("9.99")));
    takeValuesFromVLSLabelResponse(unpaid, document);
    EXPECT_EQ(unpaid.totalPrice(), Decimal::fromString(QStringLiteral("9.99")));
    EXPECT_FALSE(unpaid.objectForKey(QVUSPSShipmentRHOIndiciumDataKey).isValid());

    // Texts that are no number or no hexadecimal change nothing.
    QVShipment odd(domesticShipmentDictionary());
    odd.setTotalPrice(Decimal::fromString(QStringLiteral("9.99")));
    takeValuesFromVLSLabelResponse(odd,
                                   reply("<FinalPostage>n/a</FinalPostage><Indicium>zz</Indicium>"
                                         "<PostageBalance>lots</PostageBalance>"));
    EXPECT_EQ(odd.totalPrice(), Decimal::fromString(QStringLiteral("9.99")));
    EXPECT_FALSE(odd.objectForKey(QVUSPSShipmentRHOIndiciumDataKey).isValid());
    EXPECT_FALSE(odd.objectForKey(QVUSPSShipmentRHOBalanceKey).isValid());
}

TEST_F(VLSReplyTest, PriceIsTheLastPostageTotalAmountInAnyNamespace)
{
    const auto document = QVXMLDocument::fromData(
        "<r xmlns:a=\"urn:a\"><a:Postage a:TotalAmount=\"1.10\"/><x><Postage TotalAmount=\"2.35\"/></x></r>");
    ASSERT_TRUE(document);
    EXPECT_EQ(VLSPriceFromReply(*document), Decimal::fromString(QStringLiteral("2.35")));
    EXPECT_TRUE(VLSPriceFromReply(reply("<Postage/>")).isZero());
    EXPECT_TRUE(VLSPriceFromReply(reply("<Postage TotalAmount=\"free\"/>")).isZero());
}

} // namespace
