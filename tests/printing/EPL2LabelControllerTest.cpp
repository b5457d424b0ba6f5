// The EPL2 label streams (QVEPL2LabelController, QVIntl2976EPL2Controller)
// read back by the tests' own EPL2 reader (Epl2Checker): header bytes, the
// indicium bitmap decoded by ZXingReader, the Intelligent Mail bars read
// from the raster against zint, the address and customs values, and whole
// labels sent through a pty and a CUPS queue of the test's own.
#include "PrintingTestSupport.h"
#include "PrivateCupsd.h"

#include "BarcodeTools.h"
#include "Epl2Checker.h"
#include "PtyPair.h"
#include "TestSupport.h"

#include "barcodes/linear/USPS4CBFormatting.h"
#include "model/QVAddress.h"
#include "model/QVShipment.h"
#include "model/TemplateSubstitution.h"
#include "printing/PrintingServices.h"
#include "printing/thermal/QVEPL2LabelController.h"
#include "printing/thermal/QVIntl2976EPL2Controller.h"
#include "model/Windows1252.h"
#include "model/QVCountry.h"
#include "platform/Bundle.h"
#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"
#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClassNames.h"

#include <QDir>
#include <QTemporaryDir>

#include <future>

using namespace tolvane;
using namespace tolvane::test;
using tolvane::test::PtyPair;

namespace {

class FakePostage final : public QVPrintingPostageServices
{
public:
    int classification = 0;
    QString meterID() override { return QStringLiteral("0123456789ABCD"); }
    int tolvaneRateClassification(const QVShipment &) override { return classification; }
};

QByteArray indiciumBytes()
{
    QByteArray bytes;
    for (int i = 0; i < 98; ++i)
        bytes.append(char((i * 37 + 11) % 256));
    return bytes;
}

QVariantMap domesticTo(int lines)
{
    QVariantMap to{{QVAddressStreetKey, QStringLiteral("1200 Main St")},
                   {QVAddressCityKey, QStringLiteral("Springfield")},
                   {QVAddressStateKey, QStringLiteral("IL")},
                   {QVAddressZIP5Key, QStringLiteral("62704")},
                   {QVAddressZIP4Key, QStringLiteral("1234")},
                   {QVAddressZIP2Key, QStringLiteral("56")}};
    if (lines >= 3)
        to.insert(QVAddressNameKey, QStringLiteral("Ann Example"));
    if (lines >= 4)
        to.insert(QVAddressCompanyKey, QStringLiteral("Example Co"));
    return to;
}

QVariantMap fromAddress()
{
    return {{QVAddressNameKey, QStringLiteral("Bob \"Shipper\" O\\Brien")},
            {QVAddressStreetKey, QStringLiteral("5 Elm Rd")},
            {QVAddressCityKey, QStringLiteral("Austin")},
            {QVAddressStateKey, QStringLiteral("TX")},
            {QVAddressZIP5Key, QStringLiteral("78701")},
            {QVAddressPhoneKey, QStringLiteral("5125550123")}};
}

QVariantMap foreignTo(const QStringList &lines)
{
    return {{QVAddressInternationalAddressLinesKey, QVariant(lines.mid(0, lines.size() - 1))},
            {QVAddressCountryKey, lines.last()}};
}

std::shared_ptr<QVShipment> shipment(const QVariantMap &extra)
{
    QVariantMap dictionary{{QVShipmentFromAddressKey, fromAddress()},
                           {QVShipmentToAddressKey, domesticTo(3)},
                           {QVUSPSShipmentRateClassKey, QVUSPSFirstClassMail},
                           {QVUSPSShipmentSizeKey, QVUSPSLetterSize},
                           {QVShipmentShipDateKey, QDateTime(QDate(2026, 3, 5), QTime(10, 0))}};
    for (auto it = extra.cbegin(); it != extra.cend(); ++it)
        dictionary.insert(it.key(), it.value());
    return QVShipment::shipmentWithDictionary(dictionary);
}

QStringList texts(const Epl2Label &label)
{
    QStringList found;
    for (const Epl2Command &command : label.named("A"))
        found << command.text;
    return found;
}

// The text command at a start point, or nothing.
std::optional<Epl2Command> textAt(const Epl2Label &label, int x, int y)
{
    for (const Epl2Command &command : label.named("A")) {
        if (command.params.value(0).toInt() == x && command.params.value(1).toInt() == y)
            return command;
    }
    return std::nullopt;
}

// The text at a start point; "<none>" when no text command starts there.
QString textOf(const Epl2Label &label, int x, int y)
{
    const std::optional<Epl2Command> command = textAt(label, x, y);
    return command ? command->text : QStringLiteral("<none>");
}

class EPL2LabelTest : public PrintingTest
{
protected:
    void SetUp() override
    {
        PrintingTest::SetUp();
        setPrintingPostageServices(postage);
        InitializeRE("", "01/27/2014");
        ASSERT_EQ(LoadCountry2013FileAtPath(
                      QFile::encodeName(Bundle::pathForResource(QStringLiteral("country2013"), QStringLiteral("dat")))
                          .constData()),
                  1);
        NotificationCenter::defaultCenter().post(QVCountryListDidChangeNotification);
    }
    void TearDown() override
    {
        setPrintingPostageServices(nullptr);
        PrintingTest::TearDown();
    }

    // The bytes ZXingReader reads from a region of the raster.
    QByteArray decodePdf417(const QImage &image, const QRect &region)
    {
        const QString path = dir.filePath(QStringLiteral("pdf417.png"));
        EXPECT_TRUE(writeRegionPng(image, region, 2, path));
        QByteArray out;
        QString error;
        EXPECT_TRUE(runTool(QStringLiteral("ZXingReader"),
                            {QStringLiteral("-format"), QStringLiteral("PDF417"), QStringLiteral("-bytes"), path}, &out,
                            &error))
            << error.toStdString();
        return out;
    }

    std::shared_ptr<FakePostage> postage = std::make_shared<FakePostage>();
    QTemporaryDir dir;
};

} // namespace

TEST_F(EPL2LabelTest, HeaderFromTheZebraSettingsAndThePrintCommandOnACopy)
{
    defaults().setString(QStringLiteral("3"), QStringLiteral("zebraSpeed"));
    defaults().setString(QStringLiteral("12"), QStringLiteral("zebraDarkness"));
    defaults().setString(QStringLiteral("T"), QStringLiteral("zebraOrientation"));
    const QByteArray header("\n\x1b"
                            "EPL2\nq816\nQ1218,24+0\nS3\nD12\nZT\nWN\nUN\nI8,A,001\nN\n");
    EXPECT_EQ(QVEPL2LabelController::preContentData(), header);
    const auto label = QVEPL2LabelController::epl2ControllerWithShipment(*shipment({}));
    EXPECT_TRUE(label->epl2Data().startsWith(header));
    const QByteArray first = label->labelData();
    EXPECT_TRUE(first.endsWith("P1\n"));
    EXPECT_FALSE(label->epl2Data().endsWith("P1\n"));
    EXPECT_EQ(label->labelData(), first);
    const Epl2Label read = readEpl2(first);
    EXPECT_TRUE(read.ok()) << read.errors.join(QLatin1Char('\n')).toStdString();
}

TEST_F(EPL2LabelTest, IndiciumBitmapDecodesToTheIndiciumBytes)
{
    for (const int classification : {0, 2}) {
        SCOPED_TRACE(classification);
        postage->classification = classification;
        const int y = classification > 0 ? 115 : 93;
        const auto label = QVEPL2LabelController::epl2ControllerWithShipment(*shipment({}));
        const qsizetype bodyStart = label->epl2Data().size();
        label->setIndiciumWithShipment(*shipment({}), indiciumBytes(), false, false);
        const QByteArray stream = label->labelData();
        const QByteArray command = QStringLiteral("GW252,%1,65,125,").arg(y).toLatin1();
        EXPECT_EQ(stream.mid(bodyStart, command.size()), command);
        const Epl2Label read = readEpl2(stream);
        ASSERT_TRUE(read.ok()) << read.errors.join(QLatin1Char('\n')).toStdString();
        ASSERT_EQ(read.named("GW").size(), 1);
        EXPECT_EQ(read.named("GW").first().data.size(), 8125);
        EXPECT_EQ(decodePdf417(read.image, QRect(252, y, 520, 125)), indiciumBytes());
        EXPECT_EQ(texts(read).contains(QStringLiteral("Commercial Plus Pricing")), classification > 0);
        EXPECT_TRUE(texts(read).contains(QStringLiteral("0123456789ABCD")));
        EXPECT_TRUE(texts(read).contains(QStringLiteral("MAR 05 2026")));
    }
}

TEST_F(EPL2LabelTest, ConfirmNumberBecomesSixtyFiveBarsThatReadBackAsZintsLetters)
{
    const QString tracking = QStringLiteral("00040123456789012345");
    const auto piece = shipment({{QVUSPSShipmentConfirmKey, tracking}});
    const Epl2Label read = readEpl2(QVEPL2LabelController::epl2ControllerWithShipment(*piece)->labelData());
    ASSERT_TRUE(read.ok()) << read.errors.join(QLatin1Char('\n')).toStdString();
    const QList<Epl2Command> bars = read.named("LO").mid(0);
    QList<Epl2Command> imb;
    for (const Epl2Command &bar : bars) {
        if (bar.params.value(2) == "4")
            imb << bar;
    }
    ASSERT_EQ(imb.size(), 65);
    // On the 203-dpi label the bars keep the public geometry: about 22 to
    // the inch, widths and heights in range, all within the label.
    const FourStateBarGeometry geometry = measureFourStateBars(read.image, QRect(150, 705, 615, 45), 203);
    EXPECT_TRUE(geometry.problems().isEmpty()) << geometry.problems().join(QLatin1Char('\n')).toStdString();
    const QString readBack = geometry.letters;
    ASSERT_EQ(readBack.size(), 65);
    EXPECT_EQ(readBack.toLatin1(), dataByEncodingConfirmNumber(tracking + QStringLiteral("62704123456")).left(65));

    // zint's dump: top row ascender part, bottom row descender part, a bar
    // every second column.
    QByteArray dump;
    ASSERT_TRUE(runTool(QStringLiteral("zint"),
                        {QStringLiteral("-b"), QStringLiteral("USPS_IMAIL"), QStringLiteral("-d"),
                         tracking + QStringLiteral("-62704123456"), QStringLiteral("--dump")},
                        &dump));
    const QList<QByteArray> rows = dump.trimmed().split('\n');
    ASSERT_EQ(rows.size(), 3);
    const std::string top = hexDumpBits(rows[0]), bottom = hexDumpBits(rows[2]);
    QString zint;
    for (int i = 0; i < 65; ++i) {
        const bool up = top[2 * i] == '1', down = bottom[2 * i] == '1';
        zint += up && down ? QLatin1Char('F') : up ? QLatin1Char('A') : down ? QLatin1Char('D') : QLatin1Char('T');
    }
    EXPECT_EQ(readBack, zint);
}

TEST_F(EPL2LabelTest, DeliveryAddressLinesOfFortySevenCharactersStayOnTheLabel)
{
    // 47 characters is the longest line preflight lets through; shorter
    // addresses keep the large font.
    const QString line47 = QStringLiteral("Department of Very Long Street Names Suite 4700");
    ASSERT_EQ(line47.size(), 47);
    QVariantMap longDomestic = domesticTo(4);
    longDomestic.insert(QVAddressCompanyKey, line47);
    struct Case {
        const char *name;
        QVariantMap to;
        QString longLine;
        QByteArray font;
    };
    const Case cases[] = {
        {"domestic, short", domesticTo(4), QStringLiteral("Example Co"), "4"},
        {"domestic, 47", longDomestic, line47, "2"},
        {"foreign, 47",
         foreignTo({QStringLiteral("Mme Durand"), line47, QStringLiteral("75001 PARIS"), QStringLiteral("FRANCE")}),
         line47, "2"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const auto piece = shipment({{QVShipmentToAddressKey, c.to}});
        const Epl2Label read = readEpl2(QVEPL2LabelController::epl2ControllerWithShipment(*piece)->labelData());
        // The reader refuses any command whose box leaves the label.
        EXPECT_TRUE(read.ok()) << read.errors.join(QLatin1Char('\n')).toStdString();
        bool found = false;
        for (const Epl2Command &text : read.named("A")) {
            if (text.text != c.longLine)
                continue;
            found = true;
            EXPECT_EQ(text.params.value(3), c.font);
            EXPECT_LE(text.box.right(), epl2LabelWidth - 1);
        }
        EXPECT_TRUE(found);
    }
}

TEST_F(EPL2LabelTest, AddressLinesAndValuesAreEscapedOnceInEveryQuotedField)
{
    defaults().setString(QStringLiteral("Description"), QStringLiteral("bottomCustomField"));
    const QString custom = QStringLiteral("Ship \"fast\" C:\\box\nP1\nA0,0,0,1,1,1,N,\"x\"");
    const QStringList foreign = {QStringLiteral("Mme \"Zoé\" \\ Durand"), QStringLiteral("12 rue X"),
                                 QStringLiteral("75001 PARIS"), QStringLiteral("FRANCE")};
    const auto piece = shipment({{QVShipmentDescriptionKey, custom}, {QVShipmentToAddressKey, foreignTo(foreign)}});
    const QByteArray stream = QVEPL2LabelController::epl2ControllerWithShipment(*piece)->labelData();
    const Epl2Label read = readEpl2(stream);
    ASSERT_TRUE(read.ok()) << read.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(read.named("P").size(), 1); // nothing slipped in
    EXPECT_TRUE(stream.contains("A165,518,0,4,1,1,N,\"Mme \\\"Zo\xe9\\\" \\\\ Durand\"\n"));
    EXPECT_TRUE(stream.contains("\"Bob \\\"Shipper\\\" O\\\\Brien\""));
    const QStringList all = texts(read);
    EXPECT_TRUE(all.contains(QStringLiteral("Ship \"fast\" C:\\box P1 A0,0,0,1,1,1,N,\"x\"")));
    EXPECT_TRUE(all.contains(QStringLiteral("Bob \"Shipper\" O\\Brien")));
    // "US" last on the return address; the destination only as A165 lines,
    // the last one double height.
    EXPECT_EQ(textOf(read, 20, 420), QStringLiteral("US"));
    for (int k = 0; k < 4; ++k) {
        const auto line = textAt(read, 165, 518 + 31 * k);
        ASSERT_TRUE(line) << k;
        EXPECT_EQ(line->params[5], k == 3 ? "2" : "1");
    }
    for (int y = 548; y <= 672; y += 31) // no domestic placeholder filled
        EXPECT_EQ(textOf(read, 165, y), QString()) << y;
}

TEST_F(EPL2LabelTest, DestinationLinesFromTheBottomAndOneLineInternational)
{
    const Epl2Label domestic = readEpl2(QVEPL2LabelController::epl2ControllerWithShipment(*shipment({}))->labelData());
    ASSERT_TRUE(domestic.ok()) << domestic.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(textOf(domestic, 165, 548), QString()); // to1
    EXPECT_EQ(textOf(domestic, 165, 579), QString()); // to2
    EXPECT_EQ(textOf(domestic, 165, 610), QStringLiteral("Ann Example"));
    EXPECT_EQ(textOf(domestic, 165, 641), QStringLiteral("1200 Main St"));
    EXPECT_EQ(textOf(domestic, 165, 672), QStringLiteral("Springfield IL 62704-1234"));

    const auto oneLine =
        shipment({{QVShipmentToAddressKey, QVariantMap{{QVAddressCountryKey, QStringLiteral("Japan")}}}});
    const QByteArray stream = QVEPL2LabelController::epl2ControllerWithShipment(*oneLine)->labelData();
    EXPECT_EQ(stream.count("A165,518,"), 1);
    EXPECT_TRUE(stream.contains("A165,518,0,4,1,2,N,\"Japan\"\n"));
    EXPECT_FALSE(stream.contains("A165,549,"));
}

TEST_F(EPL2LabelTest, MailInnovationsPieceHasNoClassRouteOrRdcBlock)
{
    defaults().setBool(true, QStringLiteral("upsMailInnovationsMode"));
    QVariantMap to = domesticTo(3);
    to.insert(QVUSPSAddressCarrierRouteKey, QStringLiteral("C012"));
    const auto piece = shipment({{QVUSPSShipmentRateClassKey, QVUSPSStandardPost},
                                 {QVUSPSShipmentPostageEnabledKey, false},
                                 {QVUSPSShipmentSizeKey, QStringLiteral("QVUSPSRegularSize")},
                                 {QVUSPSShipmentPICKey, QStringLiteral("9400111899223344556677")},
                                 {QVUSPSShipmentRDCKey, QStringLiteral("RDC 07")},
                                 {QVShipmentToAddressKey, to}});
    const Epl2Label read = readEpl2(QVEPL2LabelController::epl2ControllerWithShipment(*piece)->labelData());
    ASSERT_TRUE(read.ok()) << read.errors.join(QLatin1Char('\n')).toStdString();
    const QStringList all = texts(read);
    EXPECT_FALSE(all.contains(QStringLiteral("STANDARD POST")));
    EXPECT_FALSE(all.contains(QStringLiteral("C012")));
    EXPECT_FALSE(all.contains(QStringLiteral("RDC 07")));
    EXPECT_TRUE(all.contains(QStringLiteral("62704")));       // Addresses-h
    EXPECT_TRUE(all.contains(QStringLiteral("62704123456"))); // ZIP11

    defaults().setBool(false, QStringLiteral("upsMailInnovationsMode"));
    const QStringList usual = texts(readEpl2(QVEPL2LabelController::epl2ControllerWithShipment(*piece)->labelData()));
    EXPECT_TRUE(usual.contains(QStringLiteral("STANDARD POST")));
    EXPECT_TRUE(usual.contains(QStringLiteral("C012")));
    EXPECT_TRUE(usual.contains(QStringLiteral("RDC 07")));
}

TEST_F(EPL2LabelTest, SampleCarriesTheSampleMarksAndTheVoidBlockAfterTheIndicium)
{
    const auto label = QVEPL2LabelController::epl2ControllerWithShipment(*shipment({}));
    label->setIndiciumWithShipment(*shipment({}), indiciumBytes(), false, true);
    label->voidDoNotMail();
    const QByteArray stream = label->labelData();
    const Epl2Label read = readEpl2(stream);
    ASSERT_TRUE(read.ok()) << read.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(texts(read).contains(QStringLiteral("TEST SAMPLE")));
    EXPECT_TRUE(texts(read).contains(QStringLiteral("* SAMPLE *")));
    const qsizetype voidAt = stream.indexOf("\"VOID\"");
    ASSERT_GT(voidAt, 0);
    EXPECT_GT(voidAt, stream.indexOf("TEST SAMPLE"));
    EXPECT_GT(voidAt, stream.indexOf("GW252"));
}

TEST_F(EPL2LabelTest, Windows1252TableAndTheConversionCheck)
{
    EXPECT_EQ(windows1252Data(QStringLiteral("A\u00e9\u20ac\u2122\u0152\u00ff")), QByteArray("A\xe9\x80\x99\x8c\xff"));
    EXPECT_EQ(windows1252Data(QStringLiteral("x\u0081\u4e2d\U0001F600y")), QByteArray("x???y"));
    EXPECT_TRUE(canConvertToWindows1252(QStringLiteral("Zo\u00eb \u201cQ\u201d")));
    EXPECT_FALSE(canConvertToWindows1252(QStringLiteral("\u4e2d")));
    const auto latin = shipment({});
    EXPECT_TRUE(QVEPL2LabelController::canShipmentBeConvertedToEPL2(*latin));
    QVariantMap to = domesticTo(3);
    to.insert(QVAddressNameKey, QStringLiteral("\u738b\u5c0f\u660e"));
    EXPECT_FALSE(QVEPL2LabelController::canShipmentBeConvertedToEPL2(*shipment({{QVShipmentToAddressKey, to}})));
}

// ---- PS Form 2976 ---------------------------------------------------------------

namespace {

QVariantMap item(const QString &description, const QString &value, const QString &weight, const QString &unit,
                 const QString &country)
{
    return {{QVShipmentItemDescriptionKey, description},
            {QVShipmentItemQuantityKey, QStringLiteral("1")},
            {QVShipmentItemValueKey, value},
            {QVShipmentItemWeightNumberKey, weight},
            {QVShipmentItemWeightUnitKey, unit},
            {QVShipmentItemCountryOfOriginKey, country}};
}

std::shared_ptr<QVShipment> customsPiece(const QVariantList &items, const QStringList &destination)
{
    return shipment({{QVShipmentToAddressKey, foreignTo(destination)},
                     {QVUSPSShipmentRateClassKey, QVUSPSIntlPriorityMailIntl},
                     {QVUSPSShipmentCustomsFormTypeKey, QVUSPSShipment2976PMICustomsFormType},
                     {QVUSPSShipmentCustomsFormContentTypeKey, QVUSPSShipmentCustomsFormGiftContentType},
                     {QVUSPSShipmentCustomsBarcodeNumberKey, QStringLiteral("LC123456789US")},
                     {QVShipmentItemsKey, items}});
}

} // namespace

TEST_F(EPL2LabelTest, CustomsLabelRowsTotalsAndDestination)
{
    QVariantList four;
    for (int i = 0; i < 4; ++i)
        four << item(QStringLiteral("Book %1").arg(i), QStringLiteral("12.5"), QStringLiteral("3"),
                     QStringLiteral("oz"), QStringLiteral("Canada"));
    const QStringList nine = {QStringLiteral("L1"), QStringLiteral("L2"), QStringLiteral("L3"),
                              QStringLiteral("L4"), QStringLiteral("L5"), QStringLiteral("L6"),
                              QStringLiteral("L7"), QStringLiteral("L8"), QStringLiteral("GERMANY")};
    const auto label =
        QVIntl2976EPL2Controller::epl2ControllerWithShipment(*customsPiece(four, nine), std::nullopt, false);
    const Epl2Label read = readEpl2(label->labelData());
    ASSERT_TRUE(read.ok()) << read.errors.join(QLatin1Char('\n')).toStdString();
    const QStringList all = texts(read);
    // Row 1 padded; row 5 blank quantity, description and pounds.
    EXPECT_TRUE(all.contains(QStringLiteral("1  Book 0                     0  3   $12.50")));
    EXPECT_TRUE(all.contains(QStringLiteral("   ") + QString(26, QLatin1Char(' ')) + QStringLiteral("    ")));
    EXPECT_TRUE(all.contains(QStringLiteral("                              0 12   $50.00")));
    EXPECT_TRUE(all.contains(QStringLiteral("CA   CA   CA   CA     "))) << all.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("USPS Priority Mail International Flat Rate Envelope")));
    // Nine destination lines keep the last seven, from to1 down.
    EXPECT_EQ(textOf(read, 100, 198), QStringLiteral("L3"));
    EXPECT_EQ(textOf(read, 100, 354), QStringLiteral("GERMANY"));
    EXPECT_FALSE(all.contains(QStringLiteral("L2")));
    // Only Gift ticked; live label without void lines.
    int marks = 0;
    for (const Epl2Command &command : read.named("A"))
        marks += command.text == QStringLiteral("X");
    EXPECT_EQ(marks, 1);
    EXPECT_TRUE(textAt(read, 23, 505));
    EXPECT_FALSE(all.contains(QStringLiteral("VOID")));
}

TEST_F(EPL2LabelTest, CustomsTotalsCountEveryItemWhileFiveRowsAreListed)
{
    QVariantList seven;
    for (int i = 0; i < 7; ++i)
        seven << item(QStringLiteral("Part %1").arg(i), QStringLiteral("10"), QStringLiteral("0.5"),
                      QStringLiteral("lb"), QStringLiteral("United States"));
    const auto piece = customsPiece(seven, {QStringLiteral("1 Rd"), QStringLiteral("CANADA")});
    const Epl2Label read =
        readEpl2(QVIntl2976EPL2Controller::epl2ControllerWithShipment(*piece, std::nullopt, false)->labelData());
    ASSERT_TRUE(read.ok()) << read.errors.join(QLatin1Char('\n')).toStdString();
    const QStringList all = texts(read);
    EXPECT_TRUE(all.contains(QStringLiteral("                              3  8   $70.00"))); // 56 oz
    EXPECT_FALSE(
        all.contains(QStringLiteral("Part 5"), Qt::CaseSensitive) ||
        std::any_of(all.cbegin(), all.cend(), [](const QString &t) { return t.contains(QStringLiteral("Part 5")); }));
    EXPECT_TRUE(
        std::any_of(all.cbegin(), all.cend(), [](const QString &t) { return t.contains(QStringLiteral("Part 4")); }));
}

TEST_F(EPL2LabelTest, CustomsIndiciumStandsUprightAndMovesForADiscountLine)
{
    for (const int classification : {0, 1}) {
        SCOPED_TRACE(classification);
        postage->classification = classification;
        const int x = classification ? 563 : 585;
        QVariantList one{item(QStringLiteral("Tea"), QStringLiteral("4"), QStringLiteral("2"), QStringLiteral("oz"),
                              QStringLiteral("US"))};
        const auto piece = customsPiece(one, {QStringLiteral("1 Rd"), QStringLiteral("CANADA")});
        for (const bool sample : {false, true}) {
            const auto label = QVIntl2976EPL2Controller::epl2ControllerWithShipment(*piece, indiciumBytes(), sample);
            const QByteArray stream = label->labelData();
            EXPECT_TRUE(stream.contains(QStringLiteral("GW%1,660,16,520,").arg(x).toLatin1()));
            EXPECT_EQ(stream.contains("A713,660,1,2,1,1,N,\"Commercial Base Pricing\"\n"), classification == 1);
            const Epl2Label read = readEpl2(stream);
            ASSERT_TRUE(read.ok()) << read.errors.join(QLatin1Char('\n')).toStdString();
            EXPECT_EQ(read.named("GW").first().data.size(), 16 * 520);
            EXPECT_EQ(texts(read).contains(QStringLiteral("VOID")), sample);
            EXPECT_EQ(texts(read).contains(QStringLiteral("TEST SAMPLE")), sample);
            if (!sample) {
                EXPECT_EQ(decodePdf417(read.image, QRect(x, 660, 125, 520)), indiciumBytes());
            }
        }
    }
}

// ---- Whole labels: checker, pty, CUPS ---------------------------------------------

namespace {

struct LabelCase {
    const char *name;
    std::function<QByteArray(const std::shared_ptr<FakePostage> &)> make;
};

QList<LabelCase> labelCases()
{
    const auto shipping = [](const QVariantMap &extra, bool stealth, bool sample) {
        return [extra, stealth, sample](const std::shared_ptr<FakePostage> &) {
            const auto piece = shipment(extra);
            const auto label = QVEPL2LabelController::epl2ControllerWithShipment(*piece);
            label->setIndiciumWithShipment(*piece, indiciumBytes(), stealth, sample);
            if (sample)
                label->voidDoNotMail();
            return label->labelData();
        };
    };
    QVariantMap route = domesticTo(4);
    route.insert(QVUSPSAddressCarrierRouteKey, QStringLiteral("C012"));
    const QVariantMap priority{{QVUSPSShipmentRateClassKey, QVUSPSPriorityMail},
                               {QVUSPSShipmentSizeKey, QStringLiteral("QVUSPSRegularSize")},
                               {QVUSPSShipmentDeliveryDaysKey, QStringLiteral("2")},
                               {QVUSPSShipmentPICKey, QStringLiteral("9405511899223344556677")},
                               {QVUSPSShipmentRDCKey, QStringLiteral("R07")},
                               {QVShipmentToAddressKey, route}};
    QList<LabelCase> cases = {
        {"domestic letter", shipping({}, false, false)},
        {"domestic with confirmation",
         shipping({{QVUSPSShipmentConfirmKey, QStringLiteral("00040123456789012345")}}, false, false)},
        {"priority with tracking", shipping(priority, true, false)},
        {"express",
         shipping({{QVUSPSShipmentRateClassKey, QVUSPSExpressMail},
                   {QVUSPSShipmentSizeKey, QStringLiteral("QVUSPSRegularSize")},
                   {QVUSPSShipmentPICKey, QStringLiteral("EA123456789US")},
                   {QVShipmentToAddressKey, route}},
                  false, false)},
        {"international",
         shipping({{QVShipmentToAddressKey,
                    foreignTo({QStringLiteral("A. Smith"), QStringLiteral("1 High St"), QStringLiteral("LONDON"),
                               QStringLiteral("UNITED KINGDOM")})},
                   {QVUSPSShipmentRateClassKey, QVUSPSIntlPriorityMailIntl}},
                  false, false)},
        {"reply postage", shipping({{QVUSPSShipmentReplyPostageKey, true}}, false, false)},
        {"sample", shipping({}, false, true)},
        {"commercial pricing",
         [shipping](const std::shared_ptr<FakePostage> &postage) {
             postage->classification = 1;
             return shipping({}, false, false)(postage);
         }},
        {"date correction",
         [](const std::shared_ptr<FakePostage> &) {
             return QVEPL2LabelController::epl2ControllerForDateCorrectionDate(
                        QDateTime(QDate(2026, 3, 6), QTime(9, 0)), QStringLiteral("Mailed from ZIP 78701"))
                 ->labelData();
         }},
        {"postage correction",
         [](const std::shared_ptr<FakePostage> &) {
             return QVEPL2LabelController::epl2ControllerForPostageCorrectionShipment(*shipment({}), indiciumBytes(),
                                                                                      false)
                 ->labelData();
         }},
    };
    for (const QString &type : {QVUSPSShipment2976FCMICustomsFormType, QVUSPSShipment2976PMICustomsFormType}) {
        cases.append(
            {type == QVUSPSShipment2976FCMICustomsFormType ? "2976 first-class" : "2976 priority",
             [type](const std::shared_ptr<FakePostage> &) {
                 auto piece =
                     customsPiece({item(QStringLiteral("Tea"), QStringLiteral("4"), QStringLiteral("2"),
                                        QStringLiteral("oz"), QStringLiteral("US"))},
                                  {QStringLiteral("1 Rd"), QStringLiteral("TORONTO ON"), QStringLiteral("CANADA")});
                 piece->setObject(type, QVUSPSShipmentCustomsFormTypeKey);
                 piece->setObject(QVUSPSShipmentCustomsFormOtherContentType, QVUSPSShipmentCustomsFormContentTypeKey);
                 piece->setObject(QStringLiteral("spare parts for bicycles"),
                                  QVUSPSShipmentCustomsFormContentTypeOtherDescriptionKey);
                 return QVIntl2976EPL2Controller::epl2ControllerWithShipment(*piece, indiciumBytes(), false)
                     ->labelData();
             }});
    }
    return cases;
}

} // namespace

TEST_F(EPL2LabelTest, WholeLabelsPassTheCheckerAndReachAPtyByteIdentical)
{
    PtyPair pty;
    ASSERT_TRUE(pty.isValid());
    ports->portList = {{pty.slavePath(), QStringLiteral("pty")}};
    defaults().setBool(true, QStringLiteral("zebraUseSerial"));
    defaults().setString(pty.slavePath(), QStringLiteral("zebraSerialPath"));
    for (const LabelCase &labelCase : labelCases()) {
        SCOPED_TRACE(labelCase.name);
        postage->classification = 0;
        const QByteArray stream = labelCase.make(postage);
        const Epl2Label read = readEpl2(stream, true);
        EXPECT_TRUE(read.ok()) << read.errors.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(read.image.save(dir.filePath(QString::fromLatin1(labelCase.name) + QStringLiteral(".png"))));
        if (qEnvironmentVariableIsSet("TOLVANE_EPL2_PNG_DIR"))
            read.image.save(QDir(qEnvironmentVariable("TOLVANE_EPL2_PNG_DIR"))
                                .filePath(QString::fromLatin1(labelCase.name) + QStringLiteral(".png")));
        // The terminal holds a few kilobytes: read while the label is written.
        auto received = std::async(std::launch::async, [&pty, &stream] { return pty.read(int(stream.size())); });
        EXPECT_EQ(Zebra2844::writeData(stream), ZebraWriteOutcome::Sent);
        EXPECT_EQ(received.get(), stream);
    }
    EXPECT_TRUE(dialogs->alerts.isEmpty());
}

TEST_F(EPL2LabelTest, WholeLabelsReachACupsQueueByteIdentical)
{
    setPrintSystem(nullptr); // CUPS
    LoopbackPrinter printer;
    PrivateCupsd cupsd;
    ASSERT_TRUE(printer.isListening());
    QString error;
    ASSERT_TRUE(cupsd.start(&error)) << error.toStdString();
    ASSERT_TRUE(cupsd.addQueue(QStringLiteral("zebra"), QStringLiteral("Zebra GK420d"),
                               QStringLiteral("socket://127.0.0.1:%1/?snmp=false").arg(printer.port()), &error))
        << error.toStdString();
    defaults().setBool(true, QStringLiteral("advancedZebraPath"));
    defaults().setString(QStringLiteral("zebra"), QStringLiteral("advancedZebraPathPrinterID"));
    QList<QByteArray> sent;
    for (const LabelCase &labelCase : labelCases()) {
        postage->classification = 0;
        sent << labelCase.make(postage);
        EXPECT_EQ(Zebra2844::writeData(sent.last()), ZebraWriteOutcome::Sent) << labelCase.name;
    }
    ASSERT_TRUE(printer.waitForJobs(int(sent.size())));
    EXPECT_EQ(printer.received(), sent);
}

TEST_F(EPL2LabelTest, CorrectionReplyStealthAndExpressBlocks)
{
    // Date correction: the calendar's own month text, "$0.00", no bitmap.
    const Epl2Label redate =
        readEpl2(QVEPL2LabelController::epl2ControllerForDateCorrectionDate(QDateTime(QDate(2026, 3, 6), QTime(9, 0)),
                                                                            QStringLiteral("Mailed from ZIP 78701"))
                     ->labelData());
    ASSERT_TRUE(redate.ok()) << redate.errors.join(QLatin1Char('\n')).toStdString();
    for (const char *text : {"Mar 06 2026", "$0.00", "REDATE", "Mailed from ZIP 78701"})
        EXPECT_TRUE(texts(redate).contains(QString::fromLatin1(text))) << text;
    EXPECT_TRUE(redate.named("GW").isEmpty());

    // Postage correction: "CORRECTION" live; sample marks and the void block
    // on a sample; never a mailed-from line.
    for (const bool sample : {false, true}) {
        const auto label =
            QVEPL2LabelController::epl2ControllerForPostageCorrectionShipment(*shipment({}), indiciumBytes(), sample);
        ASSERT_TRUE(label);
        const Epl2Label read = readEpl2(label->labelData());
        ASSERT_TRUE(read.ok()) << read.errors.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(texts(read).contains(QStringLiteral("CORRECTION")), !sample);
        EXPECT_EQ(texts(read).contains(QStringLiteral("VOID")), sample);
        EXPECT_TRUE(texts(read).contains(QStringLiteral("QVUSPSFIRSTCLASSMAIL")));
        const QStringList all = texts(read);
        EXPECT_FALSE(std::any_of(all.cbegin(), all.cend(),
                                 [](const QString &t) { return t.startsWith(QStringLiteral("Mailed from")); }));
        EXPECT_EQ(read.named("GW").first().params.mid(0, 2), (QList<QByteArray>{"252", "93"}));
    }

    // Reply postage: the two prepaid lines, "REPLY POSTAGE", no date.
    const auto reply = shipment({{QVUSPSShipmentReplyPostageKey, true}});
    auto replyLabel = QVEPL2LabelController::epl2ControllerWithShipment(*reply);
    replyLabel->setIndiciumWithShipment(*reply, indiciumBytes(), false, false);
    const QByteArray replyStream = replyLabel->labelData();
    EXPECT_TRUE(replyStream.contains("A170,475,0,1,2,2,N,\"NO POSTAGE STAMP NECESSARY\"\n"
                                     "A170,505,0,1,2,2,N,\"POSTAGE HAS BEEN PREPAID BY\"\n"));
    EXPECT_TRUE(texts(readEpl2(replyStream)).contains(QStringLiteral("REPLY POSTAGE")));
    EXPECT_TRUE(texts(readEpl2(replyStream)).contains(QStringLiteral("No Date Required")));

    // Stealth: the class line without an amount.
    auto stealth = QVEPL2LabelController::epl2ControllerWithShipment(*shipment({}));
    stealth->setIndiciumWithShipment(*shipment({}), indiciumBytes(), true, false);
    EXPECT_FALSE(stealth->labelData().contains("\"$"));

    // Express: an "E" number stays as it is, a 420 number loses its "*".
    for (const auto &[pic, data] : {std::pair{"EA123456789US", "EA123456789US"},
                                    std::pair{"9470111899223344556677", "420627049470111899223344556677"}}) {
        const auto express = shipment({{QVUSPSShipmentRateClassKey, QVUSPSExpressMail},
                                       {QVUSPSShipmentSizeKey, QStringLiteral("QVUSPSRegularSize")},
                                       {QVUSPSShipmentPICKey, QString::fromLatin1(pic)}});
        const Epl2Label read = readEpl2(QVEPL2LabelController::epl2ControllerWithShipment(*express)->labelData());
        ASSERT_TRUE(read.ok()) << read.errors.join(QLatin1Char('\n')).toStdString();
        ASSERT_EQ(read.named("B").size(), 1);
        EXPECT_EQ(read.named("B").first().text, QString::fromLatin1(data));
        EXPECT_TRUE(texts(read).contains(QStringLiteral("(512) 555-0123")));
    }
}

TEST_F(EPL2LabelTest, ReturnAddressPictureFromItsStoredCommand)
{
    const QString image = dir.filePath(QStringLiteral("home-returnGraphic.tiff"));
    const QByteArray command("GW14,360,2,3,\x0f\xf0\xaa\x55\x00\xff\n", 20);
    ASSERT_TRUE(writePropertyListFile(
        dir.filePath(QStringLiteral("home-returnGraphic.plist")),
        QVariantMap{{QStringLiteral("data"), command}, {QStringLiteral("width"), QStringLiteral("36")}},
        PropertyListFormat::Xml));
    defaults().setBool(true, QStringLiteral("useFromAddressImage"));
    defaults().setString(image, QStringLiteral("fromAddressImage"));
    const QByteArray stream = QVEPL2LabelController::epl2ControllerWithShipment(*shipment({}))->labelData();
    EXPECT_TRUE(stream.contains(command));
    const Epl2Label read = readEpl2(stream);
    ASSERT_TRUE(read.ok()) << read.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(textOf(read, 36, 360), QStringLiteral("Bob \"Shipper\" O\\Brien"));

    // Without the stored file the plain address block is used.
    defaults().setString(dir.filePath(QStringLiteral("missing.tiff")), QStringLiteral("fromAddressImage"));
    const Epl2Label plain = readEpl2(QVEPL2LabelController::epl2ControllerWithShipment(*shipment({}))->labelData());
    EXPECT_TRUE(plain.named("GW").isEmpty());
    EXPECT_EQ(textOf(plain, 20, 360), QStringLiteral("Bob \"Shipper\" O\\Brien"));
}

TEST(Epl2CheckerTest, RefusesWhatAPrinterWouldMisread)
{
    const struct {
        const char *name;
        QByteArray stream;
        const char *error;
    } cases[] = {
        {"short bitmap", QByteArray("N\nGW10,10,2,2,\x00\x00", 16), "GW announces 4 bytes, 2 follow"},
        {"quote inside a text", "N\nA10,10,0,2,1,1,N,\"a\"b\"\nP1\n", "bad text command"},
        {"escaped closing quote", "N\nA10,10,0,2,1,1,N,\"ab\\\"\nP1\n", "bad text command"},
        {"text past the right edge", "N\nA800,10,0,4,1,1,N,\"WIDE\"\nP1\n", "outside the label"},
        {"line past the bottom", "N\nLO0,1200,10,30\nP1\n", "outside the label"},
        {"empty barcode", "N\nB10,10,0,1,2,2,50,N,\"\"\nP1\n", "bad barcode"},
        {"unknown command", "N\nK9\nP1\n", "unknown command"},
        {"no print command", "N\nLO0,0,10,10\n", "does not end with a print command"},
    };
    for (const auto &c : cases) {
        const Epl2Label read = readEpl2(c.stream);
        EXPECT_FALSE(read.ok()) << c.name;
        EXPECT_TRUE(read.errors.join(QLatin1Char('\n')).contains(QLatin1String(c.error)))
            << c.name << ": " << read.errors.join(QLatin1Char('\n')).toStdString();
    }
    const Epl2Label sound =
        readEpl2(QByteArray("N\nGW8,8,1,2,\x7f\xff", 14) + "LO0,0,4,4\nA30,30,1,2,1,1,R,\"a\\\"b\\\\\"\nP1\n");
    EXPECT_TRUE(sound.ok()) << sound.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(sound.named("A").first().text, QStringLiteral("a\"b\\"));
    EXPECT_EQ(sound.named("A").first().box, QRect(14, 30, 16, 48)); // turned: runs down, left of x
    EXPECT_EQ(sound.image.constScanLine(8)[8], 0);                  // the bitmap's first dot
    EXPECT_EQ(sound.image.constScanLine(8)[9], 255);                // a 1 bit is no dot
    EXPECT_EQ(sound.image.constScanLine(3)[3], 0);                  // the line draw
}

TEST(Epl2TemplatesTest, EveryTemplatePlacesItsKeysAndReadsAsEpl2)
{
    const QStringList from = {QStringLiteral("from1"), QStringLiteral("from2"), QStringLiteral("from3"),
                              QStringLiteral("from4"), QStringLiteral("from5"), QStringLiteral("from6")};
    const QStringList to = {QStringLiteral("to1"), QStringLiteral("to2"), QStringLiteral("to3"), QStringLiteral("to4"),
                            QStringLiteral("to5")};
    // The delivery address's font, chosen by the longest line.
    const QStringList toWithFont = to + QStringList{QStringLiteral("toFont")};
    const QStringList indicium = {QStringLiteral("MailedFromZIP"), QStringLiteral("MeterID"),
                                  QStringLiteral("TolvaneDotCom"), QStringLiteral("MailingDate"),
                                  QStringLiteral("MailingClass")};
    const QStringList banner = {QStringLiteral("serviceBanner"), QStringLiteral("serviceBannerStartPoint")};
    QStringList customs = {QStringLiteral("customField"),
                           QStringLiteral("FeesAndPostagePaid"),
                           QStringLiteral("customsNumber"),
                           QStringLiteral("humanReadableNumber"),
                           QStringLiteral("mailClassAbbrev"),
                           QStringLiteral("classDescription"),
                           QStringLiteral("notGift"),
                           QStringLiteral("notDocuments"),
                           QStringLiteral("notSample"),
                           QStringLiteral("notOther"),
                           QStringLiteral("otherDescription15"),
                           QStringLiteral("countriesOfOrigin"),
                           QStringLiteral("tlb"),
                           QStringLiteral("toz"),
                           QStringLiteral("totalValue"),
                           QStringLiteral("sendersName"),
                           QStringLiteral("monthDay"),
                           QStringLiteral("year"),
                           QStringLiteral("date"),
                           QStringLiteral("dontVoid"),
                           QStringLiteral("zipCode")};
    customs << indicium << from << QStringLiteral("to6") << QStringLiteral("to7") << to;
    for (int row = 1; row <= 5; ++row) {
        for (const char *key : {"description", "qty", "lb", "oz", "value"})
            customs << QString::fromLatin1(key) + QString::number(row);
    }
    const QList<QPair<QString, QStringList>> templates = {
        {QStringLiteral("First Class"), {}},
        {QStringLiteral("Media Mail"), {}},
        {QStringLiteral("Parcel Select"), {}},
        {QStringLiteral("Standard Post"), {}},
        {QStringLiteral("Library Mail"), {}},
        {QStringLiteral("Bound Printed Matter"), {}},
        {QStringLiteral("Void"), {}},
        {QStringLiteral("Priority Mail"), banner},
        {QStringLiteral("Express Mail"), banner},
        {QStringLiteral("Addresses"), from + toWithFont},
        {QStringLiteral("AddressesWImage"), from + toWithFont + QStringList{QStringLiteral("imageWidth")}},
        {QStringLiteral("Addresses-h"),
         from + toWithFont + QStringList{QStringLiteral("ZIP11"), QStringLiteral("ZIP5")}},
        {QStringLiteral("EMBody"),
         {QStringLiteral("fromPhone"), QStringLiteral("options1"), QStringLiteral("options2"),
          QStringLiteral("eService"), QStringLiteral("eServiceStartPoint"), QStringLiteral("pic"),
          QStringLiteral("newpic"), QStringLiteral("humanReadablePic"), QStringLiteral("humanReadableStartPoint"),
          QStringLiteral("rdc")}},
        {QStringLiteral("eService"),
         {QStringLiteral("eService"), QStringLiteral("eServiceStartPoint"), QStringLiteral("pic"),
          QStringLiteral("humanReadablePic"), QStringLiteral("humanReadableStartPoint"),
          QStringLiteral("electronicRateText"), QStringLiteral("electronicRateStartPoint"), QStringLiteral("rdc")}},
        {QStringLiteral("CarrierRoute"), {QStringLiteral("crt")}},
        {QStringLiteral("CarrierRouteEM"), {QStringLiteral("crt")}},
        {QStringLiteral("footer"), {QStringLiteral("bottomCustomField")}},
        {QStringLiteral("DollarIndicium"), indicium + QStringList{QStringLiteral("DollarAmount")}},
        {QStringLiteral("DollarIndiciumDiscount"),
         indicium + QStringList{QStringLiteral("DollarAmount"), QStringLiteral("DiscountString")}},
        {QStringLiteral("StealthIndicium"), indicium},
        {QStringLiteral("StealthIndiciumDiscount"), indicium + QStringList{QStringLiteral("DiscountString")}},
        {QStringLiteral("onlinepostage"), {}},
        {QStringLiteral("4x6intl-template"), customs},
    };
    for (const auto &[name, keys] : templates) {
        const std::optional<QString> text = QVEPL2LabelController::stringForTemplateName(name);
        ASSERT_TRUE(text) << name.toStdString();
        EXPECT_FALSE(text->contains(QLatin1Char('\r'))) << name.toStdString();
        for (const QString &key : keys)
            EXPECT_TRUE(text->contains(QStringLiteral("<%") + key + QStringLiteral("%>")))
                << name.toStdString() << ": " << key.toStdString();
        // Filled with plain values (";" keys commented out), it is sound EPL2.
        QVariantMap values;
        for (const QString &key : keys)
            values.insert(key,
                          key.startsWith(QLatin1String("not")) || key == QLatin1String("dontVoid") ? QStringLiteral(";")
                              : key.endsWith(QLatin1String("StartPoint")) || key == QLatin1String("imageWidth")
                              ? QStringLiteral("40")
                              : key == QLatin1String("toFont") ? QStringLiteral("4")
                                                               : QStringLiteral("X1"));
        const QString filled =
            stringByReplacingKeysInDictionary(*text, values, QStringLiteral("<%"), QStringLiteral("%>"), true);
        const Epl2Label read = readEpl2(windows1252Data(filled) + "P1\n");
        EXPECT_TRUE(read.ok()) << name.toStdString() << ": " << read.errors.join(QLatin1Char('\n')).toStdString();
    }
    EXPECT_FALSE(QVEPL2LabelController::stringForTemplateName(QStringLiteral("../QVDefaults")));
    EXPECT_FALSE(QVEPL2LabelController::stringForTemplateName(QStringLiteral("Missing")));
}
