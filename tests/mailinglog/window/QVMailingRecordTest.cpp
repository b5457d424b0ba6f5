// Mailing records, record printing from the log and same-day reprints:
// records and customs copies print to PDF files through the printing
// layer and are read back with pdftotext and pdfinfo; the Express Mail
// record's barcode is decoded by zbarimg; the print manager's label-server
// prints and the postage server's reprints go to a recording fake.
#include "MailingLogWindowTestSupport.h"

#include "BarcodeTools.h"
#include "ConsoleCapture.h"
#include "ViewTestSupport.h"
#include "barcodes/imaging/QVCode128View.h"
#include "barcodes/imaging/QVCode39View.h"
#include "barcodes/indicia/QVBarcodeView.h"
#include "mailinglog/window/QVMailingLogToolbar.h"
#include "mailinglog/window/QVMailingRecordController.h"
#include "platform/PropertyList.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClassNames.h"

#include <QBuffer>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>

#include <filesystem>

namespace tolvane::test {
namespace {

using RecordKind = QVMailingLogController::RecordKind;
using ReprintLabel = QVMailingLogController::ReprintLabel;

class RecordingServices : public QVMailingLogWindowServices
{
public:
    struct Print {
        QString labelType;
        qsizetype location;
        qsizetype length;
    };
    QList<Print> prints;
    int reprintRequests = 0;
    std::optional<QByteArray> reprintData;

    bool printLabelServerXML(const QVXMLDocument &, const QVShipment &, const QString &labelType,
                             const QVLabelRange &range) override
    {
        prints.append({labelType, range.location, range.length});
        return true;
    }
    std::optional<QByteArray> reprintDataWithShipment(QVShipment &) override
    {
        ++reprintRequests;
        return reprintData;
    }
    QString meterID() override { return QStringLiteral("0123456"); }
};

const QByteArray kReply = "<?xml version=\"1.0\"?><LabelResponse><Label><Image PartNumber=\"1\">AAAA</Image>"
                          "<Image PartNumber=\"2\">AAAA</Image><Image PartNumber=\"3\">AAAA</Image>"
                          "<Image PartNumber=\"4\">AAAA</Image></Label></LabelResponse>";

class MailingRecordTest : public LogWindowTest
{
protected:
    void SetUp() override
    {
        LogWindowTest::SetUp();
        hosts.host->supportFolder = m_dir.path();
        QDir(m_dir.path()).mkpath(QStringLiteral("confs"));
        setMailingLogWindowServices(services);
        m_controller = std::make_unique<QVMailingLogController>(m_log.get());
        PrintInfo info;
        info.jobDisposition = PrintInfo::JobDisposition::Save;
        info.savePath = pdfPath();
        QVPrinterSetupController::sharedController()->setPlainPaperPrintInfo(info, QVMailingRecordPaperInfoKey);
        // The record's print panel is answered with the settings it shows.
        m_dialogs->onPageSetup = [](const PrintInfo &shown, PageSetupAccessory *) {
            return std::optional<PrintInfo>(shown);
        };
    }

    QString pdfPath() const { return path(QStringLiteral("record.pdf")); }
    QString pdfText()
    {
        QByteArray out;
        if (!haveProgram(QStringLiteral("pdftotext")) ||
            !runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdfPath(), QStringLiteral("-")}, &out))
            return {};
        return QString::fromUtf8(out);
    }
    int pdfPages()
    {
        QByteArray out;
        if (!runTool(QStringLiteral("pdfinfo"), {pdfPath()}, &out))
            return -1;
        for (const QByteArray &line : out.split('\n'))
            if (line.startsWith("Pages:"))
                return line.mid(6).trimmed().toInt();
        return -1;
    }
    void writeArchive(const QString &name, const QString &labelType)
    {
        const std::optional<QByteArray> data = writeXmlPropertyList(
            QVariantMap{{QStringLiteral("labelType"), labelType}, {QStringLiteral("xml"), kReply}});
        QFile file(QDir(hosts.host->labelFolder).filePath(name));
        ASSERT_TRUE(data && file.open(QIODevice::WriteOnly));
        file.write(*data);
    }
    QVShipment shipment(const QVariantMap &extra) const
    {
        QVariantMap entry = piece(QStringLiteral("A1"), QDateTime::currentDateTime());
        entry.insert(QVShipmentFromAddressKey, recipient(QStringLiteral("Sender")));
        for (auto it = extra.cbegin(); it != extra.cend(); ++it)
            entry.insert(it.key(), it.value());
        return QVShipment(entry);
    }
    static QVariantMap abroad()
    {
        QVariantMap to = recipient(QStringLiteral("Abroad"));
        to.insert(QVAddressCountryKey, QStringLiteral("Canada"));
        return to;
    }

    std::shared_ptr<RecordingServices> services = std::make_shared<RecordingServices>();
    std::unique_ptr<QVMailingLogController> m_controller;
    QVMailingLogController &controller() { return *m_controller; }
};

TEST_F(MailingRecordTest, PlainRecordFillsItsValuesAndLeavesUnknownOnesEmpty)
{
    const QVShipment domestic = shipment(
        {{QVUSPSShipmentPostageKey, QStringLiteral("7.35")}, {QVShipmentWeightNumberKey, QStringLiteral("12")}});
    EXPECT_EQ(controller().printMailingRecordForShipment(domestic), RecordKind::MailingRecord);
    ASSERT_TRUE(QFile::exists(pdfPath()));
    const QString printed = pdfText();
    ASSERT_FALSE(printed.trimmed().isEmpty()) << "pdftotext read no text from the printed record";
    EXPECT_TRUE(printed.contains(QStringLiteral("12 oz"))) << printed.toStdString();
    EXPECT_TRUE(printed.contains(QStringLiteral("Priority Mail"))) << printed.toStdString();
    EXPECT_FALSE(printed.contains(QStringLiteral("<%")));

    QVMailingRecordController record;
    record.setValuesWithShipment(
        shipment({{QVShipmentToAddressKey, abroad()}, {QVUSPSShipmentRateClassKey, QVUSPSIntlPriorityMailIntl}}));
    EXPECT_EQ(record.fieldText(QStringLiteral("value0")), QString());
    EXPECT_EQ(record.fieldText(QStringLiteral("value3")), QStringLiteral("$0.00"));

    // The record number format: two or three decimals, no grouping.
    const QList<QPair<QString, QString>> numbers = {{QStringLiteral("5.6"), QStringLiteral("5.60")},
                                                    {QStringLiteral("0.415"), QStringLiteral("0.415")},
                                                    {QStringLiteral("1234.5"), QStringLiteral("1234.50")},
                                                    {QStringLiteral("2.4567"), QStringLiteral("2.457")}};
    for (const auto &[in, out] : numbers)
        EXPECT_EQ(QVMailingRecordController::recordNumberString(in).value_or(QString()), out) << in.toStdString();
    EXPECT_FALSE(QVMailingRecordController::recordNumberString(QStringLiteral("abc")));
}

TEST_F(MailingRecordTest, ExpressRecordMarksAndBackground)
{
    struct Case {
        QVariantMap options;
        QStringList services;
        QString waive, now, noh;
        QString background;
    };
    const QString sig = QVUSPSShipmentExpressMailSignatureRequiredKey;
    const QList<Case> cases = {
        {{{sig, true}}, {}, "", "X", "X", QVExpressMailMailingRecordController::standardBackgroundName()},
        {{{sig, true}, {QStringLiteral("WaiverOfSignature"), QStringLiteral("True")}},
         {},
         "X",
         "X",
         "X",
         QVExpressMailMailingRecordController::standardBackgroundName()},
        {{{sig, false}, {QVUSPSShipmentExpressMailSaturdayDeliveryKey, true}},
         {},
         "X",
         "",
         "X",
         QVExpressMailMailingRecordController::standardBackgroundName()},
        {{{sig, true},
          {QStringLiteral("NoWeekend"), QStringLiteral("True")},
          {QVUSPSShipmentExpressMailSundayDeliveryKey, true}},
         {QVUSPSExpressMailPremiumService},
         "",
         "",
         "",
         QVExpressMailMailingRecordController::premiumBackgroundName()},
    };
    for (const Case &c : cases) {
        QVExpressMailMailingRecordController record;
        record.setValuesWithShipment(shipment({{QVUSPSShipmentRateClassKey, QVUSPSExpressMail},
                                               {QVUSPSShipmentExpressMailOptionsKey, c.options},
                                               {QVUSPSShipmentOptionalServicesKey, c.services},
                                               {QVShipmentWeightNumberKey, QStringLiteral("35")}}));
        EXPECT_EQ(record.fieldText(QStringLiteral("waive")), c.waive);
        EXPECT_EQ(record.fieldText(QStringLiteral("noWeekend")), c.now);
        EXPECT_EQ(record.fieldText(QStringLiteral("noHoliday")), c.noh);
        EXPECT_EQ(record.backgroundName(), c.background);
        EXPECT_EQ(record.fieldText(QStringLiteral("lb")), QStringLiteral("2"));
        EXPECT_EQ(record.fieldText(QStringLiteral("oz")), QStringLiteral("3"));
    }
}

// The record's barcode drawn large on white for a decoder.
QString decodeBarcode(QWidget *view, const QString &file)
{
    QImage image(view->size() * 4, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(4, 4);
    view->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    painter.end();
    QImage framed(image.width() + 80, image.height() + 80, QImage::Format_RGB32);
    framed.fill(Qt::white);
    QPainter(&framed).drawImage(40, 40, image);
    framed.save(file);
    QByteArray out;
    runTool(QStringLiteral("zbarimg"), {QStringLiteral("-q"), QStringLiteral("--raw"), file}, &out);
    return QString::fromLatin1(out).trimmed();
}

TEST_F(MailingRecordTest, ExpressRecordBarcodeIsCode39ForEAndGS1For420Numbers)
{
    QVExpressMailMailingRecordController express;
    express.setValuesWithShipment(shipment(
        {{QVUSPSShipmentRateClassKey, QVUSPSExpressMail}, {QVUSPSShipmentPICKey, QStringLiteral("EA123456785US")}}));
    ASSERT_TRUE(qobject_cast<QVCode39View *>(express.barcode()));
    EXPECT_EQ(express.barcode()->barcodeText(), QStringLiteral("EA123456785US"));

    QVExpressMailMailingRecordController gs1;
    const QString pic = QStringLiteral("9405511899560000000000");
    gs1.setValuesWithShipment(shipment({{QVUSPSShipmentRateClassKey, QVUSPSExpressMail}, {QVUSPSShipmentPICKey, pic}}));
    ASSERT_FALSE(qobject_cast<QVCode39View *>(gs1.barcode()));
    EXPECT_EQ(gs1.barcode()->barcodeText().count(QStringLiteral("~999")), 1);
    EXPECT_EQ(gs1.barcode()->barcodeText(), QStringLiteral("42062701~999") + pic);

    // The printed Express record: its page, read by poppler and ZXingReader.
    const QVShipment printedPiece = shipment({{QVUSPSShipmentRateClassKey, QVUSPSExpressMail},
                                              {QVUSPSShipmentPICKey, QStringLiteral("EA123456785US")},
                                              {QVShipmentWeightNumberKey, QStringLiteral("35")}});
    EXPECT_EQ(controller().printMailingRecordForShipment(printedPiece), RecordKind::ExpressMailRecord);
    for (const char *tool : {"zbarimg", "ZXingReader", "pdftoppm", "pdfinfo", "pdftotext"})
        if (!haveProgram(QString::fromLatin1(tool)))
            GTEST_SKIP() << tool << " is not installed";
    EXPECT_EQ(pdfPages(), 1);
    const QString printed = pdfText();
    EXPECT_TRUE(printed.contains(humanReadableBarcodeText(printedPiece).value_or(QStringLiteral("?"))))
        << qPrintable(printed);
    const QString page = path(QStringLiteral("express-record.png"));
    ASSERT_TRUE(pdfRaster(pdfPath(), 300).save(page));
    EXPECT_EQ(zxingBytes(page, QStringLiteral("Code39")).trimmed(), QByteArray("EA123456785US"));

    EXPECT_EQ(decodeBarcode(express.barcode(), path(QStringLiteral("c39.png"))), QStringLiteral("EA123456785US"));
    // FNC1 after the routing code reads as the group separator.
    EXPECT_EQ(decodeBarcode(gs1.barcode(), path(QStringLiteral("gs1.png"))),
              QStringLiteral("42062701") + QChar(0x1D) + pic);
}

TEST_F(MailingRecordTest, RecordChoiceFollowsHowThePieceWasPrinted)
{
    // Express pieces print the Express record.
    EXPECT_EQ(controller().printMailingRecordForShipment(shipment({{QVUSPSShipmentRateClassKey, QVUSPSExpressMail}})),
              RecordKind::ExpressMailRecord);

    // A 2976-A label-server piece on a thermal label: part 3 only.
    const QVariantMap intlA = {{QVShipmentToAddressKey, abroad()},
                               {QVUSPSShipmentRateClassKey, QVUSPSIntlPriorityMailIntl},
                               {QVUSPSShipmentCustomsFormTypeKey, QVUSPSShipment2976APMICustomsFormType},
                               {QVUSPSShipmentPICKey, QStringLiteral("CP123456785US")}};
    writeArchive(QStringLiteral("CP123456785US"), QVEPL2Label);
    EXPECT_EQ(controller().printMailingRecordForShipment(shipment(intlA)), RecordKind::LabelServerPart);
    ASSERT_EQ(services->prints.size(), 1);
    EXPECT_EQ(services->prints.first().labelType, QVEPL2Label);
    EXPECT_EQ(services->prints.first().location, 3);
    EXPECT_EQ(services->prints.first().length, 1);

    // A 2976 First-Class Mail International piece: the redrawn sender's
    // copy even with an archive file.
    QVariantMap fcmi = intlA;
    fcmi.insert(QVUSPSShipmentCustomsFormTypeKey, QVUSPSShipment2976FCMICustomsFormType);
    fcmi.insert(QVUSPSShipmentRateClassKey, QVUSPSIntlFirstClassMailIntl);
    EXPECT_EQ(controller().printMailingRecordForShipment(shipment(fcmi)), RecordKind::SendersCopy);
    EXPECT_EQ(services->prints.size(), 1);

    // Separate customs forms whose copies are missing (or would leave the
    // folder): the mailing record.
    for (const QString &type : {QVUSPSShipment2976CustomsFormType, QVUSPSShipment2976ACustomsFormType})
        for (const QString &number : {QStringLiteral("LC123456789US"), QStringLiteral("../record")})
            EXPECT_EQ(controller().printMailingRecordForShipment(shipment(
                          {{QVUSPSShipmentCustomsFormTypeKey, type}, {QVUSPSShipmentCustomsBarcodeNumberKey, number}})),
                      RecordKind::MailingRecord);
}

TEST_F(MailingRecordTest, TheRecordPrintPanelChoosesThisPrintOnly)
{
    const QVShipment domestic = shipment({});
    // Cancelled: nothing prints.
    m_dialogs->onPageSetup = [](const PrintInfo &, PageSetupAccessory *) { return std::optional<PrintInfo>(); };
    EXPECT_EQ(controller().printMailingRecordForShipment(domestic), RecordKind::None);
    EXPECT_FALSE(QFile::exists(pdfPath()));
    ASSERT_EQ(m_dialogs->pageSetups.size(), 1);
    EXPECT_EQ(m_dialogs->pageSetups.first().savePath, pdfPath());

    // What the panel chose prints this record; the stored settings stay.
    const QString chosenPath = path(QStringLiteral("chosen.pdf"));
    m_dialogs->onPageSetup = [&](const PrintInfo &shown, PageSetupAccessory *) {
        PrintInfo chosen = shown;
        chosen.savePath = chosenPath;
        return std::optional<PrintInfo>(chosen);
    };
    EXPECT_EQ(controller().printMailingRecordForShipment(domestic), RecordKind::MailingRecord);
    EXPECT_TRUE(QFile::exists(chosenPath));
    EXPECT_FALSE(QFile::exists(pdfPath()));
    EXPECT_EQ(QVMailingRecordController::printInfo().savePath, pdfPath());

    // Automation never waits on the panel: no record.
    setAutomationMode(true);
    QFile::remove(chosenPath);
    EXPECT_EQ(controller().printMailingRecordForShipment(domestic), RecordKind::None);
    setAutomationMode(false);
    EXPECT_FALSE(QFile::exists(chosenPath));
}

// A Code 128 symbol of the text drawn by zint, as PNG data.
std::optional<QByteArray> code128Png(const QString &folder, const QString &text)
{
    const QString png = QDir(folder).filePath(QStringLiteral("code128.png"));
    int exitCode = -1;
    if (!runTool(QStringLiteral("zint"),
                 {QStringLiteral("-b"), QStringLiteral("20"), QStringLiteral("--scale=2"), QStringLiteral("-o"), png,
                  QStringLiteral("-d"), text},
                 nullptr, nullptr, &exitCode) ||
        exitCode != 0)
        return std::nullopt;
    QFile file(png);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

// A label-server reply of four parts, each a Code 128 symbol of its own
// text ("LABEL PART 0" to "LABEL PART 3", in part order).
std::optional<QByteArray> fourPartReply(const QString &folder)
{
    QByteArray reply = "<?xml version=\"1.0\"?><LabelResponse><Label>";
    for (int part = 0; part < 4; ++part) {
        const std::optional<QByteArray> png = code128Png(folder, QStringLiteral("LABEL PART %1").arg(part));
        if (!png)
            return std::nullopt;
        reply += "<Image PartNumber=\"" + QByteArray::number(part + 1) + "\">" + png->toBase64() + "</Image>";
    }
    return reply + "</Label></LabelResponse>";
}

// The texts zbarimg reads from the pictures pdfimages takes out of a PDF.
QStringList symbolsOfPdfImages(const QString &pdf, const QString &prefix)
{
    if (!runTool(QStringLiteral("pdfimages"), {QStringLiteral("-png"), pdf, prefix}, nullptr))
        return {};
    QStringList texts;
    for (int n = 0; QFile::exists(prefix + QStringLiteral("-%1.png").arg(n, 3, 10, QLatin1Char('0'))); ++n) {
        QByteArray out;
        runTool(QStringLiteral("zbarimg"),
                {QStringLiteral("-q"), QStringLiteral("--raw"),
                 prefix + QStringLiteral("-%1.png").arg(n, 3, 10, QLatin1Char('0'))},
                &out);
        texts << QString::fromLatin1(out).trimmed();
    }
    return texts;
}

TEST_F(MailingRecordTest, PlainPaperLabelServerPieceRecordsItsPartThreeImage)
{
    for (const char *tool : {"zint", "zbarimg", "pdfinfo", "pdfimages"})
        if (!haveProgram(QString::fromLatin1(tool)))
            GTEST_SKIP() << tool << " is not installed";
    const std::optional<QByteArray> reply = fourPartReply(m_dir.path());
    ASSERT_TRUE(reply);
    const QString pic = QStringLiteral("CP223456785US");
    const std::optional<QByteArray> archive = writeXmlPropertyList(
        QVariantMap{{QStringLiteral("labelType"), QVPlainPaperLabel}, {QStringLiteral("xml"), *reply}});
    QFile file(QDir(hosts.host->labelFolder).filePath(pic));
    ASSERT_TRUE(archive && file.open(QIODevice::WriteOnly));
    file.write(*archive);
    file.close();

    EXPECT_EQ(controller().printMailingRecordForShipment(
                  shipment({{QVShipmentToAddressKey, abroad()},
                            {QVUSPSShipmentRateClassKey, QVUSPSIntlExpressMailIntl},
                            {QVUSPSShipmentCustomsFormTypeKey, QVUSPSShipment2976AEMICustomsFormType},
                            {QVUSPSShipmentPICKey, pic}})),
              RecordKind::LabelServerImage);
    EXPECT_TRUE(services->prints.isEmpty()); // not through the print manager
    EXPECT_EQ(pdfPages(), 1);
    // The page holds one picture, the third label part of the reply, read back
    // out of the PDF.
    EXPECT_EQ(symbolsOfPdfImages(pdfPath(), path(QStringLiteral("record-image"))),
              QStringList{QStringLiteral("LABEL PART 3")});
}

TEST_F(MailingRecordTest, GlobalExpressMailRecordPrintsPageThreeOnly)
{
    const QString pic = QStringLiteral("8301234567");
    const QVShipment gem = shipment({{QVShipmentToAddressKey, abroad()},
                                     {QVUSPSShipmentRateClassKey, QVUSPSIntlGlobalExpressMail},
                                     {QVUSPSShipmentPICKey, pic}});
    EXPECT_EQ(controller().printMailingRecordForShipment(gem), RecordKind::None);
    EXPECT_FALSE(QFile::exists(pdfPath()));

    // Five pages, each with a symbol of its number.
    for (const char *tool : {"zint", "zbarimg", "pdfinfo", "pdftoppm"})
        if (!haveProgram(QString::fromLatin1(tool)))
            GTEST_SKIP() << tool << " is not installed";
    QPdfWriter writer(QDir(path(QStringLiteral("confs"))).filePath(pic + QStringLiteral(".pdf")));
    QPainter painter(&writer);
    for (int page = 1; page <= 5; ++page) {
        if (page > 1)
            writer.newPage();
        const std::optional<QByteArray> png = code128Png(m_dir.path(), QStringLiteral("GEM PAGE %1").arg(page));
        ASSERT_TRUE(png);
        painter.drawImage(QRect(200, 200, 4000, 1400), QImage::fromData(*png));
    }
    painter.end();

    // A cancelled print panel prints nothing.
    m_dialogs->onPageSetup = [](const PrintInfo &, PageSetupAccessory *) { return std::optional<PrintInfo>(); };
    EXPECT_EQ(controller().printMailingRecordForShipment(gem), RecordKind::None);
    EXPECT_FALSE(QFile::exists(pdfPath()));
    m_dialogs->onPageSetup = [](const PrintInfo &shown, PageSetupAccessory *) {
        return std::optional<PrintInfo>(shown);
    };
    EXPECT_EQ(controller().printMailingRecordForShipment(gem), RecordKind::GlobalExpressMail);
    EXPECT_EQ(pdfPages(), 1);
    // The view's third page carries the label set's last page (the first
    // two printed pages hold pages 1 to 4), and only that one.
    const QString page = path(QStringLiteral("gem-record.png"));
    ASSERT_TRUE(pdfRaster(pdfPath(), 150).save(page));
    QByteArray out;
    runTool(QStringLiteral("zbarimg"), {QStringLiteral("-q"), QStringLiteral("--raw"), page}, &out);
    EXPECT_EQ(QString::fromLatin1(out).trimmed(), QStringLiteral("GEM PAGE 5"));
}

// A one-page PDF holding a Code 128 symbol of the text, as a saved customs
// copy holds its form.
std::optional<QByteArray> symbolPdf(const QString &folder, const QString &text)
{
    const std::optional<QByteArray> png = code128Png(folder, text);
    if (!png)
        return std::nullopt;
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        QPainter painter(&writer);
        painter.drawImage(QRect(200, 200, 4000, 1400), QImage::fromData(*png));
    }
    buffer.close();
    return pdf;
}

TEST_F(MailingRecordTest, SeparateCustomsFormsPrintTheirSavedCopies)
{
    for (const char *tool : {"zint", "zbarimg", "pdfinfo", "pdftoppm"})
        if (!haveProgram(QString::fromLatin1(tool)))
            GTEST_SKIP() << tool << " is not installed";
    const auto writeCopy = [this](const QString &name, const QByteArray &data) {
        QFile file(QDir(path(QStringLiteral("confs"))).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
    };
    // The symbols zbarimg reads on one page of the printed record.
    const auto symbolsOnPage = [this](int page) {
        const QString base = path(QStringLiteral("customs-page-%1").arg(page));
        runTool(QStringLiteral("pdftoppm"),
                {QStringLiteral("-r"), QStringLiteral("200"), QStringLiteral("-gray"), QStringLiteral("-png"),
                 QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"), QString::number(page),
                 QStringLiteral("-singlefile"), pdfPath(), base},
                nullptr);
        QByteArray out;
        runTool(QStringLiteral("zbarimg"), {QStringLiteral("-q"), QStringLiteral("--raw"), base + ".png"}, &out);
        return QString::fromLatin1(out).trimmed();
    };

    // A CN22 (2976) piece: its saved form image.
    const std::optional<QByteArray> cn22 = symbolPdf(m_dir.path(), QStringLiteral("CN22 COPY"));
    ASSERT_TRUE(cn22);
    writeCopy(QStringLiteral("LC123456789US.pdf"), *cn22);
    EXPECT_EQ(controller().printMailingRecordForShipment(
                  shipment({{QVUSPSShipmentCustomsFormTypeKey, QVUSPSShipment2976CustomsFormType},
                            {QVUSPSShipmentCustomsBarcodeNumberKey, QStringLiteral("LC123456789US")}})),
              RecordKind::CN22);
    EXPECT_EQ(pdfPages(), 1);
    EXPECT_EQ(symbolsOnPage(1), QStringLiteral("CN22 COPY"));

    // A CP72 (2976-A) piece: each saved page on a page of its own, in order.
    QVariantList pages;
    for (int page = 1; page <= 2; ++page) {
        const std::optional<QByteArray> pdf = symbolPdf(m_dir.path(), QStringLiteral("CP72 PAGE %1").arg(page));
        ASSERT_TRUE(pdf);
        pages << *pdf;
    }
    const std::optional<QByteArray> list = writeXmlPropertyList(pages);
    ASSERT_TRUE(list);
    writeCopy(QStringLiteral("CP123456785US.cp72"), *list);
    QFile::remove(pdfPath());
    EXPECT_EQ(controller().printMailingRecordForShipment(
                  shipment({{QVUSPSShipmentCustomsFormTypeKey, QVUSPSShipment2976ACustomsFormType},
                            {QVUSPSShipmentCustomsBarcodeNumberKey, QStringLiteral("CP123456785US")}})),
              RecordKind::CP72);
    EXPECT_EQ(pdfPages(), 2);
    EXPECT_EQ(symbolsOnPage(1), QStringLiteral("CP72 PAGE 1"));
    EXPECT_EQ(symbolsOnPage(2), QStringLiteral("CP72 PAGE 2"));

    // A copy that is not a picture (or not a page list) falls back to the
    // mailing record.
    writeCopy(QStringLiteral("LC223456789US.pdf"), "not a picture");
    EXPECT_EQ(controller().printMailingRecordForShipment(
                  shipment({{QVUSPSShipmentCustomsFormTypeKey, QVUSPSShipment2976CustomsFormType},
                            {QVUSPSShipmentCustomsBarcodeNumberKey, QStringLiteral("LC223456789US")}})),
              RecordKind::MailingRecord);
    writeCopy(QStringLiteral("CP223456785US.cp72"), *cn22);
    EXPECT_EQ(controller().printMailingRecordForShipment(
                  shipment({{QVUSPSShipmentCustomsFormTypeKey, QVUSPSShipment2976ACustomsFormType},
                            {QVUSPSShipmentCustomsBarcodeNumberKey, QStringLiteral("CP223456785US")}})),
              RecordKind::MailingRecord);
}

TEST_F(MailingRecordTest, ALabelServerReprintPrintsEveryPartWhenTheSendersCopyIsPrinted)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QString pic = QStringLiteral("9400100000000000000004");
    writeArchive(pic, QVEPL2Label);
    add(shipment({{QVUSPSShipmentPICKey, pic}, {QVShipmentPrintDateKey, now}}).dictionary());
    controller().windowDidLoad();
    controller().selectRow(0);
    UserDefaults::standardUserDefaults().setBool(true, QStringLiteral("printCustomsSendersCopy"));
    m_dialogs->answers = {1};
    EXPECT_EQ(controller().reprint(now), QVMailingLogController::ReprintOutcome::LabelServer);
    ASSERT_EQ(services->prints.size(), 1);
    EXPECT_EQ(services->prints.first().labelType, QVEPL2Label);
    EXPECT_EQ(services->prints.first().location, 0);
    EXPECT_EQ(services->prints.first().length, QVLabelRange::all);
    EXPECT_EQ(services->reprintRequests, 0);
}

TEST_F(MailingRecordTest, ReprintEligibility)
{
    const QDateTime now = QDateTime::currentDateTime();
    writeArchive(QStringLiteral("9400100000000000000001"), QVEPL2Label);
    const QVariantMap archived = {{QVUSPSShipmentPICKey, QStringLiteral("9400100000000000000001")}};
    const QVariantMap stamp = {{QVUSPSShipmentRHOTransactionTypeKey, QStringLiteral("Stamp")},
                               {QVUSPSShipmentRHOPieceCountKey, 42},
                               {QVShipmentPriceKey, QStringLiteral("1.20")}};
    struct Case {
        const char *name;
        QVariantMap entry;
        QDateTime printed;
        bool eligible;
    };
    const QList<Case> cases = {
        {"archive today, no piece count", archived, now, true},
        {"archive yesterday", archived, now.addDays(-1), false},
        {"archive today but void",
         [&] {
             QVariantMap e = archived;
             e.insert(QVShipmentVoidKey, true);
             return e;
         }(),
         now, false},
        {"stamp today", stamp, now, true},
        {"stamp of zero",
         [&] {
             QVariantMap e = stamp;
             e.insert(QVShipmentPriceKey, QStringLiteral("0"));
             return e;
         }(),
         now, false},
        {"no piece count", {}, now, false},
    };
    for (const Case &c : cases) {
        QVariantMap entry = c.entry;
        entry.insert(QVShipmentPrintDateKey, c.printed);
        EXPECT_EQ(QVMailingLogController::isEligbileForReprint(shipment(entry), now), c.eligible) << c.name;
    }
}

TEST_F(MailingRecordTest, ReprintOfALabelServerPieceAndARefusedReprint)
{
    const QDateTime now = QDateTime::currentDateTime();
    writeArchive(QStringLiteral("9400100000000000000002"), QVZPLIILabel);
    add(shipment({{QVUSPSShipmentPICKey, QStringLiteral("9400100000000000000002")}, {QVShipmentPrintDateKey, now}})
            .dictionary());
    controller().windowDidLoad();
    controller().selectRow(0);
    EXPECT_TRUE(controller().validateAction(QVMailingLogController::Action::Reprint));
    m_dialogs->answers = {1};
    EXPECT_EQ(controller().reprint(now), QVMailingLogController::ReprintOutcome::LabelServer);
    ASSERT_EQ(m_dialogs->alerts.size(), 1);
    EXPECT_TRUE(m_dialogs->alerts.first().informativeText.endsWith(QStringLiteral("18 U.S.C. \u00A71001.")));
    EXPECT_EQ(m_dialogs->alerts.first().buttons.size(), 2); // no Test Reprint of a live saved label
    ASSERT_EQ(services->prints.size(), 1);
    EXPECT_EQ(services->prints.first().location, 0);
    EXPECT_EQ(services->prints.first().length, 3);

    // A postage-server piece whose reprint the server refuses prints nothing.
    add(shipment({{QVUSPSShipmentRHOTransactionTypeKey, QStringLiteral("Stamp")},
                  {QVUSPSShipmentRHOPieceCountKey, 7},
                  {QVShipmentPriceKey, QStringLiteral("0.68")},
                  {QVShipmentPrintDateKey, now}})
            .dictionary());
    controller().selectRow(0);
    PrintInfo plain;
    plain.jobDisposition = PrintInfo::JobDisposition::Save;
    plain.savePath = pdfPath();
    QVPrinterSetupController::sharedController()->setPlainPaperPrintInfo(plain);
    m_dialogs->answers = {1};
    EXPECT_EQ(controller().reprint(now), QVMailingLogController::ReprintOutcome::None);
    EXPECT_EQ(services->reprintRequests, 1);
    EXPECT_FALSE(QFile::exists(pdfPath()));
}

TEST_F(MailingRecordTest, AReprintPrintsTheSeparateCustomsFormAfterTheLabel)
{
    for (const char *tool : {"zint", "zbarimg", "pdftotext", "pdftoppm"})
        if (!haveProgram(QString::fromLatin1(tool)))
            GTEST_SKIP() << tool << " is not installed";
    const QDateTime now = QDateTime::currentDateTime();
    // The saved CN22 copy of the piece.
    const std::optional<QByteArray> form = symbolPdf(m_dir.path(), QStringLiteral("CN22 COPY"));
    ASSERT_TRUE(form);
    {
        QFile file(QDir(path(QStringLiteral("confs"))).filePath(QStringLiteral("LC123456789US.pdf")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(*form);
    }
    add(shipment({{QVUSPSShipmentRHOTransactionTypeKey, QStringLiteral("Stamp")},
                  {QVUSPSShipmentRHOPieceCountKey, 7},
                  {QVShipmentPriceKey, QStringLiteral("4.20")},
                  {QVShipmentPrintDateKey, now},
                  {QVUSPSShipmentCustomsFormTypeKey, QVUSPSShipment2976CustomsFormType},
                  {QVUSPSShipmentCustomsBarcodeNumberKey, QStringLiteral("LC123456789US")}})
            .dictionary());
    controller().windowDidLoad();
    controller().selectRow(0);
    // Labels on plain paper to their own file; the customs form goes to the
    // mailing-record settings' file.
    UserDefaults::standardUserDefaults().setString(QVPlainPaperLabel, QStringLiteral("printerLabel"));
    const QString labelPath = path(QStringLiteral("label.pdf"));
    PrintInfo plain;
    plain.jobDisposition = PrintInfo::JobDisposition::Save;
    plain.savePath = labelPath;
    QVPrinterSetupController::sharedController()->setPlainPaperPrintInfo(plain);
    services->reprintData = QVBarcodeView::sampleBarcodeData();

    const auto text = [](const QString &pdf) {
        QByteArray out;
        runTool(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), pdf, QStringLiteral("-")}, &out);
        return QString::fromUtf8(out);
    };
    const auto symbols = [this] {
        const QString base = path(QStringLiteral("reprint-form"));
        runTool(QStringLiteral("pdftoppm"),
                {QStringLiteral("-r"), QStringLiteral("200"), QStringLiteral("-gray"), QStringLiteral("-png"),
                 QStringLiteral("-singlefile"), pdfPath(), base},
                nullptr);
        QByteArray out;
        runTool(QStringLiteral("zbarimg"), {QStringLiteral("-q"), QStringLiteral("--raw"), base + ".png"}, &out);
        return QString::fromLatin1(out).trimmed();
    };

    struct Case {
        int answer;
        QVMailingLogController::ReprintOutcome outcome;
        int serverRequests;
        bool voided;
    };
    const QList<Case> cases = {{1, QVMailingLogController::ReprintOutcome::Label, 1, false},
                               {2, QVMailingLogController::ReprintOutcome::Test, 1, true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.answer);
        QFile::remove(labelPath);
        QFile::remove(pdfPath());
        hosts.host->calls.clear();
        m_dialogs->answers = {c.answer};
        EXPECT_EQ(controller().reprint(now), c.outcome);
        EXPECT_EQ(services->reprintRequests, c.serverRequests); // a Test Reprint draws no postage
        EXPECT_TRUE(m_dialogs->pageSetups.isEmpty());           // no print panel
        EXPECT_EQ(hosts.host->calls.filter(QStringLiteral("setProgressTextString:Printing")),
                  (QStringList{QStringLiteral("setProgressTextString:Printing\u2026"),
                               QStringLiteral("setProgressTextString:Printing Customs Form\u2026")}));
        EXPECT_EQ(hosts.host->calls.last(), QStringLiteral("hideProgressPanel"));
        ASSERT_TRUE(QFile::exists(labelPath));
        ASSERT_TRUE(QFile::exists(pdfPath()));
        // The customs form, from its saved copy, after the label (file times
        // are as coarse as the kernel's clock tick: equal times pass).
        EXPECT_EQ(symbols(), QStringLiteral("CN22 COPY"));
        EXPECT_LE(std::filesystem::last_write_time(labelPath.toStdString()),
                  std::filesystem::last_write_time(pdfPath().toStdString()));
        // The void mark is drawn on a slant, a letter at a time.
        QString label = text(labelPath);
        label.remove(QRegularExpression(QStringLiteral("\\s")));
        EXPECT_EQ(label.contains(QStringLiteral("VOID-DONOTMAIL")), c.voided) << label.toStdString();
    }

    // The reissued indicium the label is drawn from carries the meter id.
    const std::optional<QByteArray> indicium = QVMailingLogController::reprintPDFDataWithShipment(
        QVShipment(m_log->entries().first()), false, false, services->reprintData);
    ASSERT_TRUE(indicium);
    const QString indiciumPath = path(QStringLiteral("indicium.pdf"));
    {
        QFile file(indiciumPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(*indicium);
    }
    EXPECT_TRUE(text(indiciumPath).contains(QStringLiteral("0123456"))) << text(indiciumPath).toStdString();
}

TEST_F(MailingRecordTest, ReprintOfAnUnreadableSavedLabelNamesTheParseError)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QString pic = QStringLiteral("9400100000000000000003");
    {
        QFile file(QDir(hosts.host->labelFolder).filePath(pic));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a property list");
    }
    add(shipment({{QVUSPSShipmentPICKey, pic}, {QVShipmentPrintDateKey, now}}).dictionary());
    controller().windowDidLoad();
    controller().selectRow(0);
    m_dialogs->answers = {1};
    ConsoleCapture console;
    EXPECT_EQ(controller().reprint(now), QVMailingLogController::ReprintOutcome::None);
    EXPECT_TRUE(services->prints.isEmpty());
    const QStringList lines = console.lines().filter(QStringLiteral("error parsing XML for reprint shipment: "));
    ASSERT_EQ(lines.size(), 1) << console.lines().join(u'\n').toStdString();
    EXPECT_TRUE(lines.first().contains(QStringLiteral("not a property list"))) << lines.first().toStdString();
    EXPECT_FALSE(lines.first().contains(pic));
}

TEST_F(MailingRecordTest, ReprintControllerFollowsTheLabelType)
{
    const QVShipment domestic = shipment({});
    const QList<std::tuple<QString, bool, ReprintLabel>> cases = {
        {QVPlainPaperLabel, true, ReprintLabel::Envelope},
        {QVPlainPaperLabel, false, ReprintLabel::PlainPaper},
        {QVKIVO8836105Label, false, ReprintLabel::PlainPaper},
        {QVKIVO51207Label, false, ReprintLabel::KIVO},
        {QVKIVO72019Label, true, ReprintLabel::KIVO},
        {QVEPL2Label, false, ReprintLabel::EPL2},
        {QVZPLIILabel, false, ReprintLabel::EPL2},
        {QStringLiteral("Other"), false, ReprintLabel::None},
    };
    for (const auto &[type, envelope, expected] : cases)
        EXPECT_EQ(QVMailingLogController::reprintLabelForShipment(domestic, type, envelope), expected)
            << type.toStdString();
    const QVShipment fcmi = shipment({{QVShipmentToAddressKey, abroad()},
                                      {QVUSPSShipmentCustomsFormTypeKey, QVUSPSShipment2976FCMICustomsFormType}});
    EXPECT_EQ(QVMailingLogController::reprintLabelForShipment(fcmi, QVEPL2Label, false), ReprintLabel::Intl2976EPL2);
    EXPECT_EQ(QVMailingLogController::reprintLabelForShipment(fcmi, QVPlainPaperLabel, false), ReprintLabel::Intl2976);
    const QVShipment emi = shipment({{QVShipmentToAddressKey, abroad()},
                                     {QVUSPSShipmentCustomsFormTypeKey, QVUSPSShipment2976AEMICustomsFormType}});
    EXPECT_EQ(QVMailingLogController::reprintLabelForShipment(emi, QVEPL2Label, false), ReprintLabel::Intl2976A);
}

TEST_F(MailingRecordTest, ToolbarOrdersAndTheSearchItem)
{
    EXPECT_EQ(QVMailingLogToolbar::itemIdentifiers(), QVMailingLogToolbar::defaultItemIdentifiers());
    EXPECT_FALSE(QVMailingLogToolbar::allowedItemIdentifiers().contains(QVItemDetailsItemIdentifier));
    EXPECT_FALSE(QVMailingLogToolbar::itemForItemIdentifier(QStringLiteral("Unknown")));
    EXPECT_EQ(QVMailingLogToolbar::itemForItemIdentifier(QVToolbarPrintItemIdentifier)->label,
              QStringLiteral("Print Record"));
    QVMailingLogToolbar::setItemIdentifiers(
        {QVReprintItemIdentifier, QVItemDetailsItemIdentifier, QVSearchLogItemIdentifier});
    EXPECT_EQ(QVMailingLogToolbar::itemIdentifiers(),
              (QStringList{QVReprintItemIdentifier, QVSearchLogItemIdentifier}));

    add(piece(QStringLiteral("Alpha"), QDateTime::currentDateTime()));
    add(piece(QStringLiteral("Beta"), QDateTime::currentDateTime()));
    controller().windowDidLoad();
    controller().toolbarWillAddItem(QVSearchLogItemIdentifier);
    controller().filter(QStringLiteral("Alpha"));
    EXPECT_EQ(controller().numberOfRows(), 1);
    controller().toolbarDidRemoveItem(QVSearchLogItemIdentifier);
    EXPECT_FALSE(controller().hasActiveSearchItem());
    EXPECT_EQ(controller().numberOfRows(), 2);

    // The saved order changed to one without the search item, to one with
    // it and back: the controller hears of each, and the log shows whole
    // again.
    QVMailingLogToolbar::changeItemIdentifiers(controller(), {QVReprintItemIdentifier});
    EXPECT_FALSE(controller().hasActiveSearchItem());
    QVMailingLogToolbar::changeItemIdentifiers(controller(), QVMailingLogToolbar::defaultItemIdentifiers());
    EXPECT_TRUE(controller().hasActiveSearchItem());
    controller().filter(QStringLiteral("Beta"));
    EXPECT_EQ(controller().numberOfRows(), 1);
    QVMailingLogToolbar::changeItemIdentifiers(controller(), {QVReprintItemIdentifier});
    EXPECT_FALSE(controller().hasActiveSearchItem());
    EXPECT_EQ(controller().numberOfRows(), 2);
}

TEST_F(MailingRecordTest, CustomisationOrdersAndHidesItems)
{
    QVMailingLogToolbarCustomization customization(
        {QVReprintItemIdentifier, QVToolbarSeparatorItemIdentifier, QVSearchLogItemIdentifier});
    // Shown items first in their order, then every other allowed item
    // hidden; never the Details item.
    const QList<QVMailingLogToolbarCustomization::Row> &rows = customization.rows();
    ASSERT_EQ(rows.size(), QVMailingLogToolbar::allowedItemIdentifiers().size());
    EXPECT_EQ(rows.at(0), (QVMailingLogToolbarCustomization::Row{QVReprintItemIdentifier, "Reprint", true}));
    EXPECT_EQ(rows.at(1).label, QStringLiteral("Separator"));
    EXPECT_EQ(rows.at(2).label, QStringLiteral("Search Log"));
    EXPECT_FALSE(rows.at(3).shown);
    for (const auto &row : rows)
        EXPECT_NE(row.identifier, QVItemDetailsItemIdentifier);

    // Move Search up twice (the second stops at the top), hide the
    // separator, show Duplicate.
    EXPECT_TRUE(customization.moveRow(2, -1));
    EXPECT_TRUE(customization.moveRow(1, -1));
    EXPECT_FALSE(customization.moveRow(0, -1));
    EXPECT_FALSE(customization.moveRow(rows.size() - 1, 1));
    customization.setShown(2, false);
    const qsizetype duplicate =
        std::find_if(rows.cbegin(), rows.cend(),
                     [](const auto &row) { return row.identifier == QVDuplicateItemIdentifier; }) -
        rows.cbegin();
    customization.setShown(duplicate, true);
    EXPECT_EQ(customization.itemIdentifiers(),
              (QStringList{QVSearchLogItemIdentifier, QVReprintItemIdentifier, QVDuplicateItemIdentifier}));
    customization.restoreDefaults();
    EXPECT_EQ(customization.itemIdentifiers(), QVMailingLogToolbar::defaultItemIdentifiers());
}

} // namespace
} // namespace tolvane::test
