#include "MailingLogTestSupport.h"

#include "RecordingDialogs.h"
#include "mailinglog/LogEntryTexts.h"
#include "mailinglog/QVMailingLogExportController.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"
#include "rates/QVUSPSRateClassNames.h"

#include <QFile>
#include <QProcess>
#include <QXmlStreamReader>

using namespace tolvane::test;

namespace {

QVShipment shipmentOf(const QVariantMap &entry) { return QVShipment(entry); }

QStringList fieldsOf(const QString &row)
{
    EXPECT_TRUE(row.endsWith(QLatin1Char('\n')));
    return row.chopped(1).split(QLatin1Char('\t'));
}

// The elements of one piece as "name=text" (attributes left out).
QStringList nodeTexts(const QVShipment &shipment)
{
    QStringList texts;
    for (const QVLogXMLNode &node : XMLLogEntryNodes(shipment))
        texts.append(node.name + QLatin1Char('=') + node.text);
    return texts;
}

QString nodeText(const QVShipment &shipment, const QString &name)
{
    for (const QVLogXMLNode &node : XMLLogEntryNodes(shipment)) {
        if (node.name == name)
            return node.text;
    }
    return QStringLiteral("<absent>");
}

} // namespace

TEST(LogEntryTexts, WeightLineByTenthsOfAnOunce)
{
    struct Case {
        QString rateClass, size;
        QVariant number;
        QString unit, expected;
    } cases[] = {
        {QVUSPSFirstClassMail, QVUSPSLetterSize, 4, QStringLiteral("oz"), QStringLiteral("3.5 oz")},
        {QVUSPSFirstClassMail, QVUSPSRegularSize, 16, QStringLiteral("oz"), QStringLiteral("15.9 oz")},
        {QVUSPSPriorityMail, QVUSPSRegularSize, 2, QStringLiteral("lb"), QStringLiteral("2 lb")},
        {QVUSPSPriorityMail, QVUSPSRegularSize, 4, QStringLiteral("oz"), QStringLiteral("4 oz")},
    };
    for (const Case &c : cases) {
        const QString text = logEntryText(shipmentOf({{QVUSPSShipmentRateClassKey, c.rateClass},
                                                      {QVUSPSShipmentSizeKey, c.size},
                                                      {QVShipmentWeightNumberKey, c.number},
                                                      {QVShipmentWeightUnitKey, c.unit}}));
        EXPECT_TRUE(text.contains(QStringLiteral("Weight:\t\t\t") + c.expected + QLatin1Char('\n')))
            << text.toStdString();
    }
}

TEST(LogEntryTexts, DetailTextLinesAndTheirConditions)
{
    const QString pic = QStringLiteral("42062701920550000000000012");
    const QString withPic =
        logEntryText(shipmentOf({{QVUSPSShipmentPICKey, pic},
                                 {QVUSPSShipmentConfirmKey, QStringLiteral("1234")},
                                 {QVUSPSShipmentCustomsFormTypeKey, QVUSPSShipment2976CustomsFormType},
                                 {QVUSPSShipmentCustomsBarcodeNumberKey, pic}}));
    EXPECT_EQ(withPic, QStringLiteral("Shipment Number:\t") + pic + QStringLiteral("\n\n"));
    EXPECT_EQ(logEntryText(shipmentOf({{QVUSPSShipmentConfirmKey, QStringLiteral("1234")},
                                       {QVUSPSShipmentCustomsFormTypeKey, QVUSPSShipment2976CustomsFormType},
                                       {QVUSPSShipmentCustomsBarcodeNumberKey, QStringLiteral("CP1US")}})),
              QStringLiteral("IMb Tracing Number:\t1234\n\nCustoms Number:\tCP1US\n\n"));

    const QString orders = logEntryText(shipmentOf(
        {{QVUSPSShipmentRHOWebStoreMarketplaceOrderIdsKey, QStringList{QStringLiteral("1"), QStringLiteral("2")}},
         {QVUSPSShipmentRHOWebStoreNameKey, QStringLiteral("Shop")}}));
    EXPECT_EQ(orders, QStringLiteral("Web Store:\t\tShop\nWeb Store Orders:\t1, 2\n"));
    EXPECT_EQ(logEntryText(shipmentOf({{QVUSPSShipmentRHOWebStoreMarketplaceOrderIdsKey, QStringList{"1"}}})),
              QStringLiteral("Web Store Order:\t1\n"));

    QVariantMap fay = address(QStringLiteral("Fay"));
    fay.insert(QStringLiteral("QVAddressEmailKey"), QStringLiteral("fay@example.com"));
    const QStringList fayLines = QVAddress(fay).formattedAddress().split(QLatin1Char('\n'));
    ASSERT_GE(fayLines.size(), 3);
    const QString tessaro =
        logEntryText(shipmentOf({{QVUSPSShipmentRHOTransactionTypeKey, QVUSPSShipmentRHOTessaroTransaction},
                                 {QVShipmentPriceKey, QStringLiteral("1234567.89")},
                                 {QVShipmentValueKey, QStringLiteral("0.125")},
                                 {QVShipmentHeightMeasurementKey, 250},
                                 {QVShipmentLengthMeasurementKey, 1200},
                                 {QVShipmentWidthMeasurementKey, 900},
                                 {QVUSPSShipmentInsuranceTypeKey, QVUSPSShipmentTolvaneInsuranceType},
                                 {QVUSPSShipmentInsurancePriceKey, QStringLiteral("1.5")},
                                 {QVShipmentToAddressKey, fay}}));
    EXPECT_TRUE(tessaro.contains(QStringLiteral("Type:\t\t\tZevavored Azozudu\n")));
    EXPECT_TRUE(tessaro.contains(QStringLiteral("Postage Amount:\t$1234567.89\n")));
    EXPECT_TRUE(tessaro.contains(QStringLiteral("\nAddress:\t\t\t") + fayLines.join(QStringLiteral("\n\t\t\t\t")) +
                                 QStringLiteral("\n\n\t\t\t\tfay@example.com\n\n")))
        << tessaro.toStdString();
    EXPECT_TRUE(tessaro.contains(QStringLiteral("Dimensions:\t\t2.5\" x 12.0\" x 9.0\"\n")));
    EXPECT_TRUE(tessaro.contains(QStringLiteral("Declared Value:\t$0.13\n")));
    EXPECT_TRUE(tessaro.contains(QStringLiteral("Insurance:\t\tTolvane\nInsurance Cost:\t$1.50\n")));
    EXPECT_FALSE(logEntryText(shipmentOf({{QVShipmentHeightMeasurementKey, 0},
                                          {QVShipmentLengthMeasurementKey, 1},
                                          {QVShipmentWidthMeasurementKey, 1}}))
                     .contains(QStringLiteral("Dimensions")));
}

TEST(LogEntryTexts, XMLNodesOfAPiece)
{
    const QVShipment postcard =
        shipmentOf({{QVUSPSShipmentRateClassKey, QVUSPSFirstClassMail},
                    {QVUSPSShipmentSizeKey, QVUSPSPostcardSize},
                    {QVShipmentWeightNumberKey, 1},
                    {QVShipmentWeightUnitKey, QStringLiteral("oz")},
                    {QVUSPSShipmentPICKey, QStringLiteral("4206270192055000000000000012")},
                    {QVShipmentPriceKey, QVariant::fromValue(Decimal(123456789, -2))},
                    {QVUSPSShipmentConfirmationServiceKey, QVUSPSeDeliveryConfirmation},
                    {QVUSPSShipmentOptionalServicesKey, QStringList{QVUSPSCertifiedMailService}},
                    {QVShipmentPrintDateKey, day(2014, 3, 4, 15)}});
    EXPECT_EQ(nodeTexts(postcard),
              (QStringList{QStringLiteral("Status=Success"), QStringLiteral("TransactionDateTime=20140304150000"),
                           QStringLiteral("MailClass=POSTCARD"), QStringLiteral("WeightOz=1"),
                           QStringLiteral("Services="), QStringLiteral("Value=0.00"),
                           QStringLiteral("PIC=92055000000000000012"), QStringLiteral("FinalPostage=1234567.89")}));
    const QList<QVLogXMLNode> nodes = XMLLogEntryNodes(postcard);
    const auto services =
        std::find_if(nodes.cbegin(), nodes.cend(), [](const QVLogXMLNode &n) { return n.name == "Services"; });
    ASSERT_NE(services, nodes.cend());
    QStringList on;
    for (const auto &[name, value] : services->attributes) {
        if (value == QStringLiteral("ON"))
            on.append(name);
        else
            EXPECT_EQ(value, QStringLiteral("OFF"));
    }
    EXPECT_EQ(on, (QStringList{QStringLiteral("DeliveryConfirmation"), QStringLiteral("CertifiedMail")}));
    EXPECT_EQ(services->attributes.size(), 7);

    EXPECT_EQ(nodeText(shipmentOf({{QVUSPSShipmentRateClassKey, QVUSPSParcelSelect}}), QStringLiteral("MailClass")),
              QStringLiteral("<absent>"));
    EXPECT_EQ(
        nodeText(shipmentOf({{QVUSPSShipmentRateClassKey, QVUSPSPriorityMailFlatRate}}), QStringLiteral("MailClass")),
        QStringLiteral("PRIORITY"));
    const struct {
        QString type, code;
    } types[] = {{QVUSPSShipmentRHOPurchaseTransaction, "07"},
                 {QVUSPSShipmentRHOStampTransaction, "08"},
                 {QVUSPSShipmentRHOCorrectionTransaction, "08"},
                 {QVUSPSShipmentRHOTessaroTransaction, ""}};
    for (const auto &t : types)
        EXPECT_EQ(
            nodeText(shipmentOf({{QVUSPSShipmentRHOTransactionTypeKey, t.type}}), QStringLiteral("TransactionType")),
            t.code);
    EXPECT_EQ(reverseMailClassMap().value(QVUSPSIntlGlobalPriorityMailSmallFlateRate),
              QStringLiteral("INTLGPMFRSMALL"));
    EXPECT_EQ(reverseMailClassMap().size(), 25);
}

TEST(LogEntryTexts, TabDelimitedRowStatusServicesAndTracking)
{
    const QString certified = QVUSPSRateClass::casualNameForServiceName(QVUSPSCertifiedMailService);
    ASSERT_FALSE(certified.isEmpty());
    const QVariantMap base{{QVUSPSShipmentRateClassKey, QVUSPSFirstClassMail},
                           {QVUSPSShipmentOptionalServicesKey, QStringList{QVUSPSCertifiedMailService}}};
    struct Case {
        QVariantMap more;
        QString status, optional, tracking;
    } cases[] = {
        {{}, QString(), certified, QString()},
        {{{QVUSPSShipmentPICKey, QStringLiteral("4206270192055000000000000012")}},
         QString(),
         QString(),
         QStringLiteral("92055000000000000012")},
        {{{QVUSPSShipmentCustomsBarcodeNumberKey, QStringLiteral("CP1US")}},
         QString(),
         QString(),
         QStringLiteral("CP1US")},
        {{{QVUSPSShipmentConfirmationServiceKey, QVUSPSeSignatureConfirmation},
          {QVUSPSShipmentPICKey, QStringLiteral("9405")},
          {QVShipmentDeliveryStatusKey, QVShipmentDeliveredStatus},
          {QVShipmentVoidKey, true}},
         QStringLiteral("R"),
         QStringLiteral("Signature Confirm"),
         QStringLiteral("9405")},
        {{{QVShipmentDeliveryStatusKey, QVShipmentDeliveredStatus}}, QStringLiteral("D"), certified, QString()},
        {{{QVShipmentDeliveryStatusKey, QVShipmentUndeliveredStatus}}, QStringLiteral("U"), certified, QString()},
        {{{QVShipmentDeliveryStatusKey, QVShipmentDeliveryExceptionStatus}}, QStringLiteral("E"), certified, QString()},
    };
    for (const Case &c : cases) {
        QVariantMap entry = base;
        entry.insert(c.more);
        const QStringList fields = fieldsOf(tabDelimitedLogEntryText(shipmentOf(entry)));
        ASSERT_EQ(fields.size(), 17);
        EXPECT_EQ(fields.at(0), c.status);
        EXPECT_EQ(fields.at(9), QVUSPSRateClass::casualNameForRateClassName(QVUSPSFirstClassMail));
        EXPECT_EQ(fields.at(10), c.optional);
        EXPECT_EQ(fields.at(11), c.tracking);
        EXPECT_EQ(fields.at(12), QStringLiteral("0.00"));
    }
}

TEST(LogEntryTexts, TabDelimitedRowKeepsItsFieldsAndExactMoney)
{
    const QStringList fields = fieldsOf(
        tabDelimitedLogEntryText(shipmentOf({{QVShipmentDescriptionKey, QStringLiteral("two\tlines\r\nhere")},
                                             {QVShipmentInvoiceNumberKey, QStringLiteral("A\nB")},
                                             {QVShipmentPriceKey, QStringLiteral("1234567.89")},
                                             {QVShipmentValueKey, QStringLiteral("2.005")},
                                             {QVUSPSShipmentRHOBalanceKey, QStringLiteral("$1,000.00")},
                                             {QVUSPSShipmentRHOTransactionTypeKey, QVUSPSShipmentRHOStampTransaction},
                                             {QVShipmentPrintDateKey, day(2014, 3, 4, 15)},
                                             {QVShipmentToAddressKey, address(QStringLiteral("Gil"))}})));
    ASSERT_EQ(fields.size(), 17);
    EXPECT_EQ(fields.at(1), QStringLiteral("Stamp"));
    EXPECT_EQ(fields.at(2), QStringLiteral("03/04/14 03:00 PM"));
    EXPECT_TRUE(fields.at(4).startsWith(QStringLiteral("Gil, ")));
    EXPECT_EQ(fields.at(5), QStringLiteral("62701"));
    EXPECT_EQ(fields.at(6), QStringLiteral("1234567.89"));
    EXPECT_EQ(fields.at(8), QStringLiteral("1,000.00"));
    EXPECT_EQ(fields.at(12), QStringLiteral("2.01"));
    EXPECT_EQ(fields.at(13), QStringLiteral("two lines  here"));
    EXPECT_EQ(fields.at(14), QStringLiteral("A B"));
}

TEST_F(MailingLogTest, ExportsOfADayRange)
{
    add({{QVShipmentPrintDateKey, day(2014, 1, 5)}, {QVShipmentInvoiceNumberKey, QStringLiteral("a&<b>")}});
    add({{QVShipmentPrintDateKey, day(2014, 1, 6)}, {QVUSPSShipmentRHOAccountKey, 1234}});
    add({{QVShipmentPrintDateKey, day(2014, 2, 6)}});

    const QString header = QStringLiteral(
        "Status\tType\tDate_Time\tPiece\tAddress\tZIP_Code_11\tPostage ($)\tWeight (oz)\tBalance ($)\tService_Class\t"
        "Optional_Service\tTracking_ID\tDeclared_Value ($)\tDescription\tReference ID\tGroup Code\tEmail\n");
    EXPECT_EQ(m_log->tabDelimitedExportWithBeginDate(day(2013, 1, 1), day(2013, 12, 31)), header);
    const QString text = m_log->tabDelimitedExportWithBeginDate(day(2014, 1, 5), day(2014, 1, 6));
    EXPECT_TRUE(text.startsWith(header));
    EXPECT_EQ(text.count(QLatin1Char('\n')), 3);

    const QByteArray empty = m_log->XMLExportWithBeginDate(day(2013, 1, 1), day(2013, 12, 31));
    QXmlStreamReader emptyReader(empty);
    ASSERT_TRUE(emptyReader.readNextStartElement());
    EXPECT_EQ(emptyReader.name(), QStringLiteral("GlimraLog"));
    EXPECT_FALSE(emptyReader.readNextStartElement());
    EXPECT_FALSE(emptyReader.hasError());

    const QByteArray xml = m_log->XMLExportWithBeginDate(day(2014, 1, 5), day(2014, 1, 6));
    QXmlStreamReader reader(xml);
    QStringList ids, references;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement) {
            if (reader.name() == QStringLiteral("Record"))
                ids.append(reader.attributes().value(QStringLiteral("ID")).toString());
            else if (reader.name() == QStringLiteral("ReferenceID"))
                references.append(reader.readElementText());
        }
    }
    EXPECT_FALSE(reader.hasError());
    EXPECT_EQ(ids, (QStringList{QStringLiteral("0"), QStringLiteral("1")}));
    EXPECT_EQ(references, QStringList{QStringLiteral("a&<b>")});

    const QString file = QDir(m_dir.path()).filePath(QStringLiteral("export.xml"));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(xml);
    out.close();
    QProcess xmllint;
    xmllint.start(QStringLiteral("xmllint"), {QStringLiteral("--noout"), file});
    ASSERT_TRUE(xmllint.waitForFinished(30000));
    EXPECT_EQ(xmllint.exitCode(), 0) << xmllint.readAllStandardError().toStdString();
}

TEST_F(MailingLogTest, ExportControllerWritesTheChosenFormatOrShowsAnAlert)
{
    QVMailingLogExportController controller(m_log.get());
    EXPECT_EQ(controller.selectedExportFormat(), 0);
    EXPECT_EQ(controller.requiredFileType(), QStringLiteral("txt"));
    controller.prepareForExport(day(2014, 3, 1));
    EXPECT_EQ(controller.beginDate(), std::nullopt);
    add({{QVShipmentPrintDateKey, day(2014, 1, 5)}, {QVShipmentDescriptionKey, QStringLiteral("Ünïcode")}});
    controller.prepareForExport(day(2014, 3, 1));
    EXPECT_EQ(controller.beginDate(), day(2014, 1, 5));

    const QString file = QDir(m_dir.path()).filePath(QStringLiteral("export.txt"));
    EXPECT_FALSE(controller.savePanelDidEnd(false, file));
    EXPECT_FALSE(QFile::exists(file));
    ASSERT_TRUE(controller.savePanelDidEnd(true, file));
    QFile text(file);
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(text.readAll()),
              m_log->tabDelimitedExportWithBeginDate(day(2014, 1, 5), day(2014, 3, 1)));

    controller.changeFormat(1);
    EXPECT_EQ(controller.requiredFileType(), QStringLiteral("xml"));
    DialogsScope dialogs;
    const qsizetype entries = m_log->itemsInLog();
    resetCounts();
    EXPECT_FALSE(controller.savePanelDidEnd(true, QDir(file).filePath(QStringLiteral("below-a-file.xml"))));
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_FALSE(dialogs->alerts.first().informativeText.isEmpty());
    EXPECT_EQ(m_log->itemsInLog(), entries);
    EXPECT_EQ(m_willCount + m_didCount, 0);
}
