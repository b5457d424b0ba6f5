// Indicium requests: the destination number, exact mils, the last nine
// tracking digits, days in advance and the indicium kind codes; the request
// a shipment makes (postage, Express options, customs items, international
// address lines, reprints) and its receipt document's element order; stamp
// requests (weight rule, equality, archiving, receipt). A shipment's request
// is also sealed and read back by the fake postage server.
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOIndiciumRequest.h"
#include "services/QVRHOStampIndiciumRequest.h"

#include "model/QVAddress.h"
#include "model/QVShipment.h"
#include "platform/UserDefaults.h"
#include "rateengine/RateEngine.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"

#include "ConsoleCapture.h"
#include "FakePostageServer.h"

#include <QXmlStreamReader>

#include <gtest/gtest.h>

using tolvane::test::ConsoleCapture;
using tolvane::test::FakePostageServer;

namespace {

QVRHOIndiciumRequest request(const QVariantMap &values) { return QVRHOIndiciumRequest(values); }

// The element names of a document's root children, in order, with texts.
QList<QPair<QString, QString>> children(const QString &xml, QString *root = nullptr)
{
    QList<QPair<QString, QString>> out;
    QXmlStreamReader reader(xml);
    int depth = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            ++depth;
            if (depth == 1 && root)
                *root = reader.name().toString();
            if (depth == 2) {
                const QString name = reader.name().toString();
                out.append({name, reader.readElementText()});
                --depth;
            }
        } else if (reader.isEndElement()) {
            --depth;
        }
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    return out;
}

QVShipment domesticShipment()
{
    QVShipment shipment;
    QVAddress from;
    from.setName(QStringLiteral("Lena Berg"));
    from.setCompany(QStringLiteral("Tolvane Books"));
    from.setStreet(QStringLiteral("5 Elm St"));
    from.setCity(QStringLiteral("Boston"));
    from.setState(QStringLiteral("MA"));
    from.setZIP5(QStringLiteral("02134"));
    QVAddress to;
    to.setName(QStringLiteral("Ada Lovelace"));
    to.setSuiteApt(QStringLiteral("Apt 4"));
    to.setStreet(QStringLiteral("1 Main St"));
    to.setCity(QStringLiteral("San Francisco"));
    to.setState(QStringLiteral("CA"));
    to.setZIP5(QStringLiteral("94107"));
    to.setZIP4(QStringLiteral("1234"));
    shipment.setObject(from.plist(), QVShipmentFromAddressKey);
    shipment.setObject(to.plist(), QVShipmentToAddressKey);
    shipment.setObject(QVUSPSPriorityMail, QVUSPSShipmentRateClassKey);
    shipment.setObject(QVUSPSRegularSize, QVUSPSShipmentSizeKey);
    shipment.setObject(QVUSPSeDeliveryConfirmation, QVUSPSShipmentConfirmationServiceKey);
    shipment.setObject(QVariantList{QVUSPSCertifiedMailService}, QVUSPSShipmentOptionalServicesKey);
    shipment.setObject(QStringLiteral("3"), QVShipmentWeightNumberKey);
    shipment.setObject(QStringLiteral("oz"), QVShipmentWeightUnitKey);
    shipment.setObject(QVariant::fromValue(Decimal::fromString(QStringLiteral("1.65"))), QVShipmentPriceKey);
    shipment.setObject(QStringLiteral("24.5"), QVShipmentValueKey);
    shipment.setObject(QDateTime(QDate::currentDate().addDays(1), QTime(9, 30)), QVShipmentShipDateKey);
    shipment.setObject(QStringLiteral("Two books"), QVShipmentDescriptionKey);
    shipment.setObject(QStringLiteral("INV-77"), QVShipmentInvoiceNumberKey);
    shipment.setObject(QStringLiteral("12"), QVShipmentCostCenterKey);
    shipment.setObject(QStringLiteral("420941079400111899223344556677"), QVUSPSShipmentPICKey);
    shipment.setObject(QStringLiteral("10001"), QVUSPSShipmentMailedFromZIP5Key);
    return shipment;
}

} // namespace

TEST(QVRHOIndiciumRequestTest, DestinationNumber)
{
    struct Case {
        const char *zip5, *zip4, *zip2;
        std::optional<qint64> value;
    } cases[] = {
        {"94107", "1234", "567", 94107123456LL}, {"94107", "1234", "56", 94107123456LL},
        {"94107", "", "", 94107000000LL},        {"94107", "123", "5", 94107000000LL},
        {"94107", "", "56", 94107560000LL},      {"941071", "1234", "56", std::nullopt},
        {"9410A", "1234", "", std::nullopt},
    };
    for (const Case &c : cases) {
        const auto zip = request({{QStringLiteral("Domestic"), true},
                                  {QStringLiteral("ToZip5"), QString::fromLatin1(c.zip5)},
                                  {QStringLiteral("ToZip4"), QString::fromLatin1(c.zip4)},
                                  {QStringLiteral("ToZip2"), QString::fromLatin1(c.zip2)}})
                             .zip();
        EXPECT_EQ(zip, c.value) << c.zip5 << "-" << c.zip4 << "-" << c.zip2;
    }
    // International without a known country: the address length alone.
    EXPECT_EQ(request({{QStringLiteral("Domestic"), false},
                       {QStringLiteral("ToCountry"), QStringLiteral("Nowhere Land")},
                       {QStringLiteral("AddressLength"), 57}})
                  .zip(),
              57);
}

TEST(QVRHOIndiciumRequestTest, MilsComeFromExactDecimals)
{
    struct Case {
        const char *postage;
        std::optional<quint32> mils;
    } cases[] = {
        {"1.650", 1650u},
        {"1.65", 1650u},
        {"1.6500", 1650u},
        {"0.00", 0u},
        {"0.000", 0u},
        {"12", 12000u},
        {"0.001", 1u},
        {"1.6505", std::nullopt},
        {"-1.00", std::nullopt},
        {"abc", std::nullopt},
        {"", std::nullopt},
        {"4294967.295", 4294967295u},
        {"4294967.296", std::nullopt},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(request({{QStringLiteral("Postage"), QString::fromLatin1(c.postage)}}).amountMils(), c.mils)
            << c.postage;
    }
}

TEST(QVRHOIndiciumRequestTest, TrackingDigitsDaysAndKindCodes)
{
    const std::pair<const char *, qint32> pics[] = {{"9400111899223344556677", 344556677},
                                                    {"EA123456789US", 123456789},
                                                    {"12345678", 12345678},
                                                    {"", 0},
                                                    {"no digits", 0}};
    for (const auto &[pic, value] : pics)
        EXPECT_EQ(request({{QStringLiteral("PICNumber"), QString::fromLatin1(pic)}}).last9PIC(), value) << pic;

    const QDate today(2014, 12, 10);
    const std::pair<const char *, qint32> days[] = {{"20141213", 3}, {"20141210", 0}, {"20141201", 0}, {"bad", 0}};
    for (const auto &[date, value] : days)
        EXPECT_EQ(request({{QStringLiteral("ShipDate"), QString::fromLatin1(date)}}).daysAdvanceFrom(today), value)
            << date;

    const QVariant domestic(true), foreign(false), correction(QStringLiteral("Correction"));
    EXPECT_EQ(request({{QStringLiteral("Domestic"), domestic}}).indiciumKindCode(), 0x03016763u);
    EXPECT_EQ(request({{QStringLiteral("Domestic"), domestic}, {QStringLiteral("TransactionType"), correction}})
                  .indiciumKindCode(),
              0x04016763u);
    EXPECT_EQ(request({{QStringLiteral("Domestic"), foreign}}).indiciumKindCode(), 0x43016763u);
    EXPECT_EQ(request({{QStringLiteral("Domestic"), foreign}, {QStringLiteral("TransactionType"), correction}})
                  .indiciumKindCode(),
              0x44016763u);
    EXPECT_EQ(QVRHOStampIndiciumRequest(Decimal::fromString(QStringLiteral("0.49")), QVUSPSFirstClassMail, 1,
                                        QVUSPSLetterSize, false)
                  .indiciumKindCode(),
              0x31016763u);
}

TEST(QVRHOIndiciumRequestTest, ShipmentRequestValues)
{
    QVShipment shipment = domesticShipment();
    auto made = QVRHOIndiciumRequest::indiciumRequestWithShipment(shipment);
    EXPECT_TRUE(made->objectForKey(QStringLiteral("Domestic")).toBool());
    EXPECT_EQ(made->objectForKey(QStringLiteral("Postage")).toString(), QStringLiteral("1.650"));
    EXPECT_EQ(made->amountMils(), 1650u);
    EXPECT_EQ(made->objectForKey(QStringLiteral("PICNumber")).toString(), QStringLiteral("9400111899223344556677"));
    EXPECT_EQ(made->last9PIC(), 344556677);
    EXPECT_EQ(made->objectForKey(QStringLiteral("ToAddress1")).toString(), QStringLiteral("Apt 4"));
    EXPECT_EQ(made->objectForKey(QStringLiteral("ToAddress2")).toString(), QStringLiteral("1 Main St"));
    EXPECT_EQ(made->zip(), 94107123400LL);
    EXPECT_EQ(made->objectForKey(QStringLiteral("OptionalServices")).toString(), QStringLiteral("516"));
    EXPECT_EQ(made->objectForKey(QStringLiteral("WeightInTenthOunces")).toString(), QStringLiteral("30"));
    EXPECT_EQ(made->objectForKey(QStringLiteral("PackageValue")).toString(), QStringLiteral("24.50"));
    EXPECT_EQ(made->objectForKey(QStringLiteral("InsuranceType")).toString(), QStringLiteral("0"));
    EXPECT_EQ(made->costCenter(), 12);
    EXPECT_EQ(made->mailedFromZIP5(), 10001);
    EXPECT_EQ(made->daysAdvance(), 1);
    EXPECT_FALSE(made->objectForKey(QStringLiteral("CustomsData")).isValid());
    EXPECT_FALSE(made->objectForKey(QStringLiteral("NoWeekend")).isValid());
    EXPECT_FALSE(made->isReprint());

    // Postage switched off; Express options; a reprint.
    shipment.setObject(false, QVUSPSShipmentPostageEnabledKey);
    shipment.setObject(QVariantMap{{QVUSPSShipmentExpressMailSaturdayDeliveryKey, true},
                                   {QVUSPSShipmentExpressMailSignatureRequiredKey, true}},
                       QVUSPSShipmentExpressMailOptionsKey);
    shipment.setObject(4242, QVUSPSShipmentRHOPieceCountKey);
    made = QVRHOIndiciumRequest::indiciumRequestWithShipment(shipment, true);
    EXPECT_EQ(made->objectForKey(QStringLiteral("Postage")).toString(), QStringLiteral("0.00"));
    EXPECT_EQ(made->amountMils(), 0u);
    const std::pair<const char *, const char *> options[] = {{"NoWeekend", "FALSE"},
                                                             {"NoSaturday", "FALSE"},
                                                             {"NoSunday", "TRUE"},
                                                             {"NoHoliday", "TRUE"},
                                                             {"WaiverOfSignature", "FALSE"}};
    for (const auto &[key, value] : options)
        EXPECT_EQ(made->objectForKey(QLatin1String(key)).toString(), QLatin1String(value)) << key;
    EXPECT_TRUE(made->isReprint());
    EXPECT_EQ(made->pieceCount().toInt(), 4242);

    // Without a price.
    shipment.removeObjectForKey(QVShipmentPriceKey);
    shipment.setObject(true, QVUSPSShipmentPostageEnabledKey);
    EXPECT_EQ(QVRHOIndiciumRequest::indiciumRequestWithShipment(shipment)->objectForKey(QStringLiteral("Postage")),
              QStringLiteral("0.000"));
}

TEST(QVRHOIndiciumRequestTest, CustomsItemsAndInternationalLines)
{
    QVShipment shipment = domesticShipment();
    QVariantList items;
    for (int i = 1; i <= 6; ++i) {
        items.append(QVariantMap{{QVShipmentItemDescriptionKey, QStringLiteral("Item %1").arg(i)},
                                 {QVShipmentItemWeightNumberKey, QStringLiteral("2")},
                                 {QVShipmentItemWeightUnitKey, QStringLiteral("lb")}});
    }
    items[1] = QVariantMap{}; // every value missing
    shipment.setObject(items, QVShipmentItemsKey);
    QVAddress to;
    to.setName(QStringLiteral("Grace Hopper"));
    to.setCountry(QStringLiteral("Canada"));
    to.setInternationalAddressLines(QStringList{QStringLiteral("Grace Hopper"), QStringLiteral("Firm"),
                                                QStringLiteral("1 Rue"), QStringLiteral("Ottawa ON")});
    shipment.setObject(to.plist(), QVShipmentToAddressKey);
    shipment.setObject(QVUSPSIntlPriorityMailIntl, QVUSPSShipmentRateClassKey);

    const auto made = QVRHOIndiciumRequest::indiciumRequestWithShipment(shipment);
    EXPECT_TRUE(made->isInternational());
    EXPECT_EQ(made->objectForKey(QStringLiteral("ToCountry")).toString(), QStringLiteral("Canada"));
    EXPECT_EQ(made->objectForKey(QStringLiteral("ToCity")).toString(), QStringLiteral("Ottawa ON"));
    EXPECT_EQ(made->objectForKey(QStringLiteral("ToAddress2")).toString(), QStringLiteral("1 Rue"));
    EXPECT_EQ(made->objectForKey(QStringLiteral("ToAddress1")).toString(), QStringLiteral("Firm"));
    EXPECT_EQ(made->objectForKey(QStringLiteral("ToFirm")).toString(), QStringLiteral("Grace Hopper"));

    const QVariantList elements = made->objectForKey(QStringLiteral("CustomsData")).toList();
    ASSERT_EQ(elements.size(), 25);
    EXPECT_EQ(elements.at(0).toStringList(),
              (QStringList{QStringLiteral("PackageDescription1"), QStringLiteral("Item 1")}));
    EXPECT_EQ(elements.at(3).toStringList(), (QStringList{QStringLiteral("ItemWeight1"), QStringLiteral("32")}));
    EXPECT_EQ(elements.at(5).toStringList(), (QStringList{QStringLiteral("PackageDescription2"), QString()}));
    EXPECT_EQ(elements.at(6).toStringList(), (QStringList{QStringLiteral("PackageQuantity2"), QStringLiteral("1")}));
    EXPECT_EQ(elements.at(7).toStringList(), (QStringList{QStringLiteral("ItemValue2"), QStringLiteral("0.00")}));
    EXPECT_EQ(elements.at(8).toStringList(), (QStringList{QStringLiteral("ItemWeight2"), QStringLiteral("1")}));
    EXPECT_EQ(elements.at(24).toStringList(), (QStringList{QStringLiteral("OriginCountry5"), QString()}));

    // A customs number without items gives an empty list.
    shipment.removeObjectForKey(QVShipmentItemsKey);
    shipment.setObject(QStringLiteral("CP123456789US"), QVUSPSShipmentCustomsBarcodeNumberKey);
    shipment.removeObjectForKey(QVUSPSShipmentPICKey);
    const auto customsOnly = QVRHOIndiciumRequest::indiciumRequestWithShipment(shipment);
    EXPECT_TRUE(customsOnly->objectForKey(QStringLiteral("CustomsData")).isValid());
    EXPECT_TRUE(customsOnly->objectForKey(QStringLiteral("CustomsData")).toList().isEmpty());
    EXPECT_EQ(customsOnly->objectForKey(QStringLiteral("PICNumber")).toString(), QStringLiteral("CP123456789US"));
}

TEST(QVRHOIndiciumRequestTest, ReceiptDocumentFollowsTheFixedOrder)
{
    QVShipment shipment = domesticShipment();
    shipment.setObject(QVariantList{QVariantMap{{QVShipmentItemDescriptionKey, QStringLiteral("Book")}}},
                       QVShipmentItemsKey);
    const auto made = QVRHOIndiciumRequest::indiciumRequestWithShipment(shipment);
    QString root;
    const auto elements =
        children(made->xmlConfirmReceiptWithAccountNumber(QStringLiteral("1234567"), QStringLiteral("4242")), &root);
    EXPECT_EQ(root, QStringLiteral("ConfirmReceipt"));
    QStringList names;
    for (const auto &[name, text] : elements)
        names << name;
    const QStringList expected{"PICNumber",
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
                               "CONFIRM",
                               "SenderEMail",
                               "RecipientEMail",
                               "PackageReference1",
                               "PackageReference2",
                               "CustomsID",
                               "PackageDescription1",
                               "PackageQuantity1",
                               "ItemValue1",
                               "ItemWeight1",
                               "OriginCountry1"};
    EXPECT_EQ(names, expected);
    EXPECT_EQ(elements.at(1).second, QStringLiteral("1234567"));
    EXPECT_EQ(elements.at(2).second, QStringLiteral("4242"));
    EXPECT_EQ(elements.at(25).second, QStringLiteral("1.650"));
}

TEST(QVRHOIndiciumRequestTest, StampRequests)
{
    const Decimal fourOunce = Decimal::fromString(QStringLiteral("0.92"));
    QVRHOStampIndiciumRequest letter(fourOunce, QVUSPSFirstClassMail, 4, QVUSPSLetterSize, false);
    EXPECT_EQ(letter.postageString(), QStringLiteral("0.920"));
    EXPECT_EQ(letter.twoDigitPostageString(), QStringLiteral("0.92"));
    EXPECT_EQ(letter.weightTenthOunce(), 35);
    EXPECT_EQ(letter.amountMils(), 920u);
    EXPECT_EQ(letter.zip(), 0);
    EXPECT_EQ(letter.daysAdvance(), 0);
    EXPECT_EQ(letter.last9PIC(), 0);
    EXPECT_EQ(letter.optionalServices(), 0);
    EXPECT_EQ(letter.costCenter(), 0);
    EXPECT_FALSE(letter.postageCorrection());
    EXPECT_EQ(letter.mailClassDisplayString(), QStringLiteral("FIRST-CLASS"));
    EXPECT_EQ(QVRHOStampIndiciumRequest(fourOunce, QVUSPSFirstClassMail, 3, QVUSPSLetterSize, false).weightTenthOunce(),
              30);
    EXPECT_EQ(QVRHOStampIndiciumRequest(fourOunce, QVUSPSFirstClassMail, 1, QVUSPSPostcardSize, false)
                  .mailClassDisplayString(),
              QStringLiteral("POSTCARD"));
    EXPECT_EQ(QVRHOStampIndiciumRequest(fourOunce, QVUSPSIntlFirstClassMailIntl, 1, QVUSPSLetterSize, true)
                  .mailClassDisplayString(),
              QStringLiteral("INTL MAIL"));

    UserDefaults::standardUserDefaults().setString(QStringLiteral("02134"), QStringLiteral("mailedFromZIP5"));
    EXPECT_EQ(letter.mailedFromZIP5(), 2134);
    UserDefaults::standardUserDefaults().removeObjectForKey(QStringLiteral("mailedFromZIP5"));

    // A class weighed in pounds keeps ounces; archived and restored it
    // compares equal.
    QVRHOStampIndiciumRequest priority(Decimal::fromString(QStringLiteral("5.6")), QVUSPSMediaMail, 2,
                                       QVUSPSRegularSize, false, 4, true);
    EXPECT_EQ(priority.weightInOunces(), 32u);
    priority.setReferenceID(QStringLiteral("job-7"));
    const auto restored = QVRHOStampIndiciumRequest::initWithCoder(priority.encodeWithCoder());
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->weightInOunces(), 32u);
    EXPECT_EQ(restored->zone(), 4);
    EXPECT_TRUE(restored->customAmount());
    EXPECT_TRUE(*restored == priority);
    EXPECT_EQ(restored->hash(), priority.hash());
    restored->setReferenceID(std::nullopt);
    EXPECT_FALSE(*restored == priority);
    QVRHOStampIndiciumRequest otherZone(Decimal::fromString(QStringLiteral("5.600")), QVUSPSMediaMail, 2,
                                        QVUSPSRegularSize, false, 8, false);
    EXPECT_TRUE(otherZone == *restored);

    // The receipt names the stamp job.
    const auto elements =
        children(priority.xmlConfirmReceiptWithAccountNumber(QStringLiteral("1234567"), QStringLiteral("9")));
    QMap<QString, QString> texts;
    for (const auto &[name, text] : elements)
        texts.insert(name, text);
    EXPECT_EQ(texts.value(QStringLiteral("PackageReference1")), QStringLiteral("job-7"));
    EXPECT_EQ(texts.value(QStringLiteral("Postage")), QStringLiteral("5.600"));
    EXPECT_EQ(texts.value(QStringLiteral("WeightInOunces")), QStringLiteral("32"));
    EXPECT_EQ(texts.value(QStringLiteral("AccntID")), QStringLiteral("1234567"));
    EXPECT_EQ(texts.value(QStringLiteral("PieceID")), QStringLiteral("9"));
    EXPECT_EQ(texts.size(), 6);
}

TEST(QVRHOIndiciumRequestTest, ShipmentIndiciumSealedAndReadByTheServer)
{
    FakePostageServer server;
    ASSERT_TRUE(server.isReady());
    server.setAccount("1234567", "open sesame");
    class Client : public QVRHOCommandCenter
    {};
    Client client;
    client.setServer(server.baseUrl());
    client.setUseridAndPassword(QStringLiteral("1234567"), QStringLiteral("open sesame"));
    client.setServerModulus(FakePostageServer::modulusHex());
    const QVShipment shipment = domesticShipment();
    const auto made = QVRHOIndiciumRequest::indiciumRequestWithShipment(shipment);
    EXPECT_EQ(client.doTransaction(QVRHOTransactionKind::Indicium, QVRHOTransactionParameter::withRequest(made)), 1);
    const auto seen = server.requests().last();
    EXPECT_TRUE(seen.accepted) << seen.refusal.toStdString();
    EXPECT_EQ(seen.zip, 94107123400LL);
    EXPECT_EQ(seen.indiciumAmountMils, 1650u);
    EXPECT_EQ(seen.optionalServices, 0x204);
    EXPECT_EQ(seen.serviceClass, made->serviceClass());
    EXPECT_EQ(seen.weightTenthOunce, 30);
    EXPECT_EQ(seen.daysAdvance, 1);
    EXPECT_EQ(seen.indiciumKind, 0x03016763u);
    EXPECT_EQ(seen.costCenter, 12);
    EXPECT_EQ(seen.last9PIC, 344556677);
    EXPECT_EQ(seen.mailedFromZIP5, 10001);

    // A stamp.
    auto stamp = std::make_shared<QVRHOStampIndiciumRequest>(Decimal::fromString(QStringLiteral("0.49")),
                                                             QVUSPSFirstClassMail, 1, QVUSPSLetterSize, false);
    EXPECT_EQ(client.doTransaction(QVRHOTransactionKind::Indicium, QVRHOTransactionParameter::withRequest(stamp)), 1);
    EXPECT_EQ(server.requests().last().indiciumKind, 0x31016763u);
    EXPECT_EQ(server.requests().last().indiciumAmountMils, 490u);
    EXPECT_EQ(server.requests().last().weightTenthOunce, 10);
}

TEST(QVRHOIndiciumRequestTest, StampRequestsPricedByTheRateClasses)
{
    InitializeRE("", "01/27/2014");
    const auto letter =
        QVRHOStampIndiciumRequest::stampRequestWithRate(QVUSPSFirstClassMail, 1, QVUSPSLetterSize, true);
    ASSERT_TRUE(letter);
    EXPECT_FALSE(letter->isInternational());
    EXPECT_EQ(letter->zone(), 1);
    EXPECT_LT(Decimal::zero(), letter->postage());
    EXPECT_EQ(Decimal::fromMils(letter->amountMils().value_or(0)), letter->postage());
    EXPECT_NE(letter->serviceClass(), 0);

    // An international stamp the rate engine cannot price is no request; the
    // engine's reason goes to the console.
    ConsoleCapture console;
    const QVUSPSIntlRateClass nowhere(QVUSPSIntlFirstClassMailIntl, std::nullopt);
    EXPECT_FALSE(QVRHOStampIndiciumRequest::stampRequestWithIntlRateClass(nowhere, 1, QVUSPSLetterSize));
    ASSERT_FALSE(console.lines().isEmpty());
    EXPECT_FALSE(console.lines().last().isEmpty());
}
