// QVPrintManager: the parts of a label-server reply (one Base64 image, or
// image lists sorted by part number as numbers), the label range, the edits
// of EPL2 and ZPL data (custom text escaped or neutralised, military CP72
// wording), the raw road read back at a pty (with its outcome), and the
// image roads seen in the print operation's PDF (half sheet, one-ply layout,
// 4 x 6 stock with the turn, two-up pages).
#include "Epl2Checker.h"
#include "LabelPartsSupport.h"
#include "LabelTestSupport.h"
#include "PrintingTestSupport.h"
#include "PtyPair.h"

#include "barcodes/imaging/QVTextField.h"
#include "printing/customs/QVViewTags.h"
#include "printing/layouts/QV2UpPortraitLabelPrintView.h"
#include "printing/layouts/QVPortraitLabelView.h"
#include "printing/layouts/QVPrintManager.h"
#include "printing/thermal/QVEPL2LabelController.h"

#include <gtest/gtest.h>

using namespace tolvane;
using namespace tolvane::test;

namespace {

const QByteArray kClear = "\r\nN\r\n";

QVariantMap address(const QString &state, const QString &zip, const QString &country = QString())
{
    QVAddress to(sampleAddress(QStringLiteral("Pat Receiver"), QStringLiteral("Unit 2050 Box 4190"),
                               QStringLiteral("APO"), state, zip));
    if (!country.isEmpty())
        to.setCountry(country);
    return to.plist();
}

class PrintManagerTest : public PrintingTest
{
protected:
    void SetUp() override
    {
        PrintingTest::SetUp();
        ASSERT_TRUE(pty.isValid());
        setSerialPortList(nullptr); // the stand-in list accepts the pty
        defaults().setBool(true, QStringLiteral("zebraUseSerial"));
        defaults().setString(pty.slavePath(), QStringLiteral("zebraSerialPath"));
        defaults().setString(QStringLiteral("Description"), QStringLiteral("bottomCustomField"));
        defaults().setString(QStringLiteral("Reference ID"), QStringLiteral("topCustomField"));
    }

    // A Priority Mail piece to Canada, to an APO address, or a domestic one.
    std::shared_ptr<QVShipment> shipment(const QString &where, const QString &description = QStringLiteral("Books"))
    {
        auto piece = samplePriorityShipment();
        if (where == QLatin1String("foreign"))
            piece->setObject(address(QStringLiteral("ON"), QStringLiteral("K1A 0B1"), QStringLiteral("Canada")),
                             QVShipmentToAddressKey);
        else if (where == QLatin1String("military"))
            piece->setObject(address(QStringLiteral("AE"), QStringLiteral("09012")), QVShipmentToAddressKey);
        piece->setObject(description, QVShipmentDescriptionKey);
        piece->setObject(QStringLiteral("PO-7"), QVShipmentInvoiceNumberKey);
        return piece;
    }

    // What the pty received after the stream header (EPL2 only; a ZPL
    // stream has none).
    QByteArray rawLabel(int expected, const QString &labelType = QVEPL2Label)
    {
        const QByteArray header = labelType == QVEPL2Label ? QVEPL2LabelController::preContentData() : QByteArray();
        const QByteArray got = pty.read(int(header.size()) + expected);
        EXPECT_TRUE(got.startsWith(header));
        return got.mid(header.size());
    }

    PtyPair pty;
};

} // namespace

TEST_F(PrintManagerTest, PartsAreTheLastSingleImageOrTheImageListByNumber)
{
    const auto texts = [](const QList<QVXMLNode> &parts) {
        QStringList list;
        for (const QVXMLNode &part : parts)
            list << QString::fromLatin1(QVPrintManager::dataOfPart(part));
        return list;
    };
    const auto single = QVPrintManager::labelArrayForLabelServerXML(labelReply({{1, "first"}, {2, "second"}}, false));
    ASSERT_TRUE(single);
    EXPECT_EQ(texts(*single), QStringList{QStringLiteral("second")});

    const auto list = QVPrintManager::labelArrayForLabelServerXML(
        labelReply({{10, "ten"}, {std::nullopt, "none"}, {9, "nine"}, {1, "one"}, {2, "two"}}, true));
    ASSERT_TRUE(list);
    EXPECT_EQ(texts(*list),
              (QStringList{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("nine"), QStringLiteral("ten"),
                           QStringLiteral("none")}));

    // Part numbers as child elements (text beside them is the part's data).
    const auto children = QVPrintManager::labelArrayForLabelServerXML(
        QVXMLDocument::fromData("<R><Label><Image>" + QByteArray("b").toBase64() +
                                "<PartNumber>2</PartNumber></Image><Image><PartNumber>1</PartNumber>" +
                                QByteArray("a").toBase64() + "</Image></Label></R>")
            .value());
    ASSERT_TRUE(children);
    EXPECT_EQ(texts(*children), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));

    EXPECT_FALSE(QVPrintManager::labelArrayForLabelServerXML(QVXMLDocument()));
    const auto none = QVPrintManager::labelArrayForLabelServerXML(QVXMLDocument::fromData("<R/>").value());
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->isEmpty());
}

TEST_F(PrintManagerTest, TheRangeChoosesTheRawPartsSentToTheZebraPrinter)
{
    QList<ReplyPart> parts;
    for (int i = 0; i < 5; ++i)
        parts.append({i + 1, QByteArray("P") + QByteArray::number(i) + "\n"});
    struct Case {
        qsizetype location;
        qsizetype length;
        QByteArray expected;
    };
    for (const Case &c :
         {Case{0, 3, "P0\nP1\nP2\n"}, Case{0, QVLabelRange::all, "P0\nP1\nP2\nP3\nP4\n"}, Case{3, 5, "P3\nP4\n"}}) {
        SCOPED_TRACE(c.expected.toStdString());
        QVPrintManager manager;
        EXPECT_TRUE(manager.printLabelServerXML(labelReply(parts, true), *shipment(QStringLiteral("domestic")),
                                                QVEPL2Label, {c.location, c.length}));
        EXPECT_EQ(manager.rawOutcome(), ZebraWriteOutcome::Sent);
        EXPECT_EQ(rawLabel(int(c.expected.size())), c.expected);
    }
}

TEST_F(PrintManagerTest, EPL2CustomTextFollowsTheFirstClearCommandEscaped)
{
    const QByteArray label = "\r\nN\r\nA10,10,0,3,1,1,N,\"LABEL\"\r\nN\r\nP1\r\n";
    const auto foreign = shipment(QStringLiteral("foreign"), QStringLiteral("Say \"hi\" \\ now\r\nnext é"));
    EXPECT_EQ(QVPrintManager::epl2DataForShipment(*foreign, label),
              QByteArray("\r\nN\r\nA15,1200,0,1,1,1,N,\"Say \\\"hi\\\" \\\\ now  next e\"\r\n"
                         "A10,10,0,3,1,1,N,\"LABEL\"\r\nN\r\nP1\r\n"));
    // Unchanged: a domestic piece without integrated customs forms, and an
    // empty bottom field.
    EXPECT_EQ(QVPrintManager::epl2DataForShipment(*shipment(QStringLiteral("domestic")), label), label);
    EXPECT_EQ(QVPrintManager::epl2DataForShipment(*shipment(QStringLiteral("foreign"), QString()), label), label);
    // A military piece carries integrated customs forms, so it gets the text.
    EXPECT_TRUE(QVPrintManager::epl2DataForShipment(*shipment(QStringLiteral("military")), label)
                    .contains("A15,1200,0,1,1,1,N,\"Books\"\r\n"));
}

TEST_F(PrintManagerTest, ZPLCustomTextCannotStartACommand)
{
    const QByteArray label = "^XA\r\n^FO10,10^FDLABEL^FS\r\n^XZ\r\n";
    const auto foreign = shipment(QStringLiteral("foreign"), QStringLiteral("a^XZ~JA\r\n\"q\"\\"));
    EXPECT_EQ(QVPrintManager::zplDataForShipment(*foreign, label),
              QByteArray("^XA\r\n^FO15,1200^A0N,17,17^FD\r\na XZ JA  \"q\"\\\r\n^FS\r\n"
                         "^FO10,10^FDLABEL^FS\r\n^XZ\r\n"));
    EXPECT_EQ(QVPrintManager::zplDataForShipment(*shipment(QStringLiteral("domestic")), label), label);
}

TEST_F(PrintManagerTest, MilitaryLabelsGetTheCP72WordingOnlyWithTheOverlayImage)
{
    const QByteArray label = "\r\nN\r\nA1,1,0,1,1,1,N,\"CN22 Form 2976\"\r\nA1,9,0,1,1,1,N,\"CN22\"\r\nP1\r\n";
    const auto military = shipment(QStringLiteral("military"), QStringLiteral("Tea \"green\""));
    EXPECT_EQ(QVPrintManager::modifyLabelData(label, QVEPL2Label, *military), label);

    // The piece has a custom text for the foot line: the description goes
    // one line above it.
    defaults().setString(QStringLiteral("/tmp/cp72.png"), QVCP72OverlayImagePathKey);
    EXPECT_EQ(QVPrintManager::modifyLabelData(label, QVEPL2Label, *military),
              QByteArray("\r\nN\r\nA15,1184,0,1,1,1,N,\"Tea \\\"green\\\"\"\r\n"
                         "A290,12,1,1,1,1,N,\"dependents, or for Official Use.\"\r\n"
                         "A309,12,1,1,1,1,N,\"resale of US Government personnel and\"\r\n"
                         "A328,12,1,1,1,1,N,\"items for personal use and not for\"\r\n"
                         "A347,12,1,1,1,1,N,\"Certified to be a bona fide gift,\"\r\n"
                         "A1,1,0,1,1,1,N,\"CP72 Form 2976A\"\r\nA1,9,0,1,1,1,N,\"CN22\"\r\nP1\r\n"));
    // ZPL: the names change, no EPL2 wording.
    EXPECT_EQ(QVPrintManager::modifyLabelData("^XA\r\n^FDCN22 Form 2976^FS\r\n", QVZPLIILabel, *military),
              QByteArray("^XA\r\n^FDCP72 Form 2976A^FS\r\n"));
    EXPECT_EQ(QVPrintManager::modifyLabelData(QByteArray(), QVEPL2Label, *military), QByteArray());

    // Through the print manager: edits for a military piece only.
    QVPrintManager manager;
    ASSERT_TRUE(
        manager.printLabelServerXML(labelReply({{1, "^XA\r\nCN22\r\n"}}, false), *military, QVZPLIILabel, {0, 3}));
    EXPECT_TRUE(rawLabel(64, QVZPLIILabel).contains("CP72"));
    ASSERT_TRUE(manager.printLabelServerXML(labelReply({{1, "^XA\r\nCN22\r\n"}}, false),
                                            *shipment(QStringLiteral("domestic")), QVZPLIILabel, {0, 3}));
    EXPECT_EQ(rawLabel(10, QVZPLIILabel), QByteArray("^XA\r\nCN22\r\n"));
}

TEST_F(PrintManagerTest, AZPLStreamCarriesZPLOnly)
{
    // The printer gets the label's own bytes (with the custom text), no EPL2
    // set-up lines ahead of "^XA".
    const QByteArray label = "^XA\r\n^FO10,10^FDLABEL^FS\r\n^XZ\r\n";
    const auto foreign = shipment(QStringLiteral("foreign"));
    QVPrintManager manager;
    ASSERT_TRUE(manager.printLabelServerXML(labelReply({{1, label}}, false), *foreign, QVZPLIILabel, {0, 3}));
    const QByteArray expected = QVPrintManager::zplDataForShipment(*foreign, label);
    EXPECT_EQ(pty.read(int(expected.size())), expected);
}

TEST_F(PrintManagerTest, MilitaryCP72DescriptionAndCustomTextBothRead)
{
    // The label server's EPL2 label of a military piece with the CP72
    // wording and a custom text: every text stands on the label, none over
    // another (read by the tests' own EPL2 reader).
    defaults().setString(QStringLiteral("/tmp/cp72.png"), QVCP72OverlayImagePathKey);
    defaults().setString(QStringLiteral("Reference ID"), QStringLiteral("bottomCustomField"));
    const QByteArray label = "\r\nN\r\nA20,40,0,3,1,1,N,\"CN22 Form 2976\"\r\nP1\r\n";
    const auto military = shipment(QStringLiteral("military"), QStringLiteral("Tea and books"));
    QVPrintManager manager;
    ASSERT_TRUE(manager.printLabelServerXML(labelReply({{1, label}}, false), *military, QVEPL2Label, {0, 3}));
    const QByteArray edited =
        QVPrintManager::epl2DataForShipment(*military, QVPrintManager::modifyLabelData(label, QVEPL2Label, *military));
    // The label server ends its lines with CR LF; the reader takes LF.
    QByteArray stream = QVEPL2LabelController::preContentData() + rawLabel(int(edited.size()));
    stream.replace("\r\n", "\n").replace("\n\n", "\n");
    const Epl2Label read = readEpl2(stream);
    EXPECT_TRUE(read.ok()) << read.errors.join(QLatin1Char('\n')).toStdString();
    const QList<Epl2Command> texts = read.named("A");
    QStringList found;
    for (const Epl2Command &text : texts)
        found << text.text;
    EXPECT_TRUE(found.contains(QStringLiteral("Tea and books"))) << found.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(found.contains(QStringLiteral("PO-7"))) << found.join(QLatin1Char('|')).toStdString();
    for (qsizetype i = 0; i < texts.size(); ++i) {
        for (qsizetype j = i + 1; j < texts.size(); ++j)
            EXPECT_FALSE(texts[i].box.intersects(texts[j].box))
                << texts[i].text.toStdString() << " / " << texts[j].text.toStdString();
    }
    // Without a custom text the description keeps the foot line.
    defaults().setString(QString(), QStringLiteral("bottomCustomField"));
    EXPECT_TRUE(QVPrintManager::modifyLabelData(label, QVEPL2Label, *military).contains("A15,1200,0,1,1,1,N,\"Tea"));
}

TEST_F(PrintManagerTest, ByteReplacementChangesOnlyTheFirstOccurrenceOfEachKey)
{
    EXPECT_EQ(QVPrintManager::replaceBytesInData("abcabc",
                                                 {{QStringLiteral("b"), QStringLiteral("XYZ")},
                                                  {QStringLiteral("c"), QString()},
                                                  {QString(), QStringLiteral("never")}}),
              QByteArray("aXYZabc"));
    // Both sides in lossy ASCII: "é" is searched as "e" and "ü" written as "u".
    EXPECT_EQ(QVPrintManager::replaceBytesInData("cafe", {{QStringLiteral("é"), QStringLiteral("ü")}}),
              QByteArray("cafu"));
    EXPECT_EQ(QVPrintManager::replaceBytesInData(QByteArray(), {{QStringLiteral("a"), QStringLiteral("b")}}),
              QByteArray());
}

TEST_F(PrintManagerTest, ARawLabelThatDoesNotReachThePrinterIsNotReportedAsPrinted)
{
    const QVXMLDocument reply = labelReply({{1, "N\r\nP1\r\n"}}, false);
    const auto domestic = shipment(QStringLiteral("domestic"));
    // No parts: nothing to send.
    QVPrintManager empty;
    EXPECT_FALSE(empty.printLabelServerXML(QVXMLDocument::fromData("<R><Status>0</Status></R>").value(), *domestic,
                                           QVEPL2Label, {0, 3}));
    EXPECT_FALSE(empty.rawOutcome());
    EXPECT_FALSE(empty.errorString().isEmpty());

    // The serial device is gone: automation does not wait, the write fails.
    defaults().setString(QStringLiteral("/dev/nonexistent-zebra"), QStringLiteral("zebraSerialPath"));
    setAutomationMode(true);
    QVPrintManager failed;
    EXPECT_FALSE(failed.printLabelServerXML(reply, *domestic, QVEPL2Label, {0, 3}));
    EXPECT_EQ(failed.rawOutcome(), ZebraWriteOutcome::Failed);
    setAutomationMode(false);

    // Outside automation the user cancels the retry alert.
    QVPrintManager cancelled;
    EXPECT_FALSE(cancelled.printLabelServerXML(reply, *domestic, QVEPL2Label, {0, 3}));
    EXPECT_EQ(cancelled.rawOutcome(), ZebraWriteOutcome::Cancelled);
    EXPECT_EQ(dialogs->alerts.size(), 1);

    // Other label types print nothing and say so as printed.
    QVPrintManager other;
    EXPECT_TRUE(other.printLabelServerXML(reply, *domestic, QVKIVO51207Label, {0, 3}));
}

TEST_F(PrintManagerTest, OneTallImageOnPlainPaperPrintsAtItsOwnSizeOnTheHalfSheet)
{
    const QString path = outputPath(QStringLiteral("label-server-tall.pdf"));
    // 144 dpi: 200 x 300 pixels are 100 x 150 points.
    QImage tall = markedImage(200, 300, Qt::red);
    tall.setDotsPerMeterX(5669);
    tall.setDotsPerMeterY(5669);
    QVPrintManager manager;
    ASSERT_TRUE(manager.printLabelServerXML(labelReply({{1, pngBytes(tall)}}, false),
                                            *shipment(QStringLiteral("foreign")), QVPlainPaperLabel, {0, 3},
                                            saveExtras(path)))
        << manager.errorString().toStdString();
    auto *sheet = qobject_cast<QV2UpPortraitLabelPrintView *>(manager.printedView());
    ASSERT_NE(sheet, nullptr);
    auto *image = qobject_cast<QVImageView *>(sheet->labelView());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->size(), QSize(100, 150));
    EXPECT_EQ(pdfPageCount(path), 1);
    EXPECT_EQ(pdfPageSize(path), QStringLiteral("612 x 792 pts (letter)"));
    const QList<PdfImage> images = pdfImages(path);
    ASSERT_EQ(images.size(), 1);
    EXPECT_EQ(images.first().size, QSize(200, 300));
    // At its own size, turned on the half sheet as every tall label is:
    // 100 x 150 points are 75 x 50 pixels at 36 dpi.
    const QRect red = colourBox(pdfPageRaster(path, 1, 36), Qt::red);
    EXPECT_NEAR(red.width(), 75, 2);
    EXPECT_NEAR(red.height(), 50, 2);
}

TEST_F(PrintManagerTest, OneWideImageGoesThroughTheOnePlyLayoutWithTheCustomStrings)
{
    const QString path = outputPath(QStringLiteral("label-server-wide.pdf"));
    QVPrintManager manager;
    ASSERT_TRUE(manager.printLabelServerXML(labelReply({{1, pngBytes(markedImage(600, 400, Qt::blue))}}, false),
                                            *shipment(QStringLiteral("foreign"), QStringLiteral("Maple syrup")),
                                            QVPlainPaperLabel, {0, 3}, saveExtras(path)))
        << manager.errorString().toStdString();
    auto *sheet = qobject_cast<QV2UpPortraitLabelPrintView *>(manager.printedView());
    ASSERT_NE(sheet, nullptr);
    ASSERT_NE(sheet->labelView(), nullptr);
    EXPECT_EQ(sheet->labelView()->objectName(), QStringLiteral("labelView"));
    const QString text = pdfText(path);
    EXPECT_TRUE(text.contains(QStringLiteral("Maple syrup"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("PO-7"))) << text.toStdString();
    EXPECT_GT(colourShare(pdfPageRaster(path, 1, 36), Qt::blue), 0.05);

    // A domestic piece without integrated customs forms has no custom lines.
    const QString plain = outputPath(QStringLiteral("label-server-wide-domestic.pdf"));
    QVPrintManager domestic;
    ASSERT_TRUE(domestic.printLabelServerXML(labelReply({{1, pngBytes(markedImage(600, 400, Qt::blue))}}, false),
                                             *shipment(QStringLiteral("domestic"), QStringLiteral("Maple syrup")),
                                             QVPlainPaperLabel, {0, 3}, saveExtras(plain)));
    EXPECT_FALSE(pdfText(plain).contains(QStringLiteral("Maple syrup")));
}

TEST_F(PrintManagerTest, SeveralImagesOnPlainPaperPrintTwoUp)
{
    const QString path = outputPath(QStringLiteral("label-server-three.pdf"));
    QVPrintManager manager;
    ASSERT_TRUE(manager.printLabelServerXML(labelReply({{3, pngBytes(markedImage(400, 250, Qt::blue))},
                                                        {1, pngBytes(markedImage(400, 250, Qt::red))},
                                                        {2, pngBytes(markedImage(400, 250, Qt::green))}},
                                                       true),
                                            *shipment(QStringLiteral("foreign")), QVPlainPaperLabel,
                                            {0, QVLabelRange::all}, saveExtras(path)))
        << manager.errorString().toStdString();
    ASSERT_NE(qobject_cast<QVPortraitLabelView *>(manager.printedView()), nullptr);
    ASSERT_EQ(pdfPageCount(path), 2);
    const QImage first = pdfPageRaster(path, 1, 36);
    EXPECT_GT(colourShare(first, Qt::red), 0.05);
    EXPECT_GT(colourShare(first, Qt::green), 0.05);
    EXPECT_LT(colourBox(first, Qt::red).bottom(), colourBox(first, Qt::green).top());
    EXPECT_GT(colourShare(pdfPageRaster(path, 2, 36), Qt::blue), 0.05);
}

TEST_F(PrintManagerTest, TallFourBySixImagesAreTurnedAndWideOnesAreNot)
{
    struct Case {
        QSize image;
        QSize embedded;
    };
    for (const Case &c : {Case{QSize(300, 500), QSize(500, 300)}, Case{QSize(500, 300), QSize(500, 300)}}) {
        SCOPED_TRACE(testing::Message() << c.image.width() << "x" << c.image.height());
        const QString path = outputPath(QStringLiteral("label-server-4x6-%1.pdf").arg(c.image.width()));
        QVPrintManager manager;
        ASSERT_TRUE(manager.printLabelServerXML(
            labelReply({{1, pngBytes(markedImage(c.image.width(), c.image.height(), Qt::red))}}, false),
            *shipment(QStringLiteral("domestic")), QVKIVO8836105Label, {0, 3}, saveExtras(path)))
            << manager.errorString().toStdString();
        const QList<PdfImage> images = pdfImages(path);
        ASSERT_EQ(images.size(), 1);
        EXPECT_EQ(images.first().size, c.embedded);
        // The landscape page is turned onto the stock: a tall label comes
        // out upright (its corner mark top left), a wide one along the roll.
        const QImage page = pdfPageRaster(path, 1, 36);
        const QRect mark = colourBox(page, Qt::black);
        ASSERT_FALSE(mark.isEmpty());
        if (c.image.height() > c.image.width()) {
            EXPECT_LT(mark.center().x(), page.width() / 4);
            EXPECT_LT(mark.center().y(), page.height() / 4);
        }
        const PrintInfo &info = manager.printInfo();
        EXPECT_EQ(info.paperName, QStringLiteral("8836105_4_in_x_6_in"));
        EXPECT_EQ(info.orientation, PrintInfo::Orientation::Landscape);
        EXPECT_DOUBLE_EQ(info.scalingFactor, 0.94);
        EXPECT_FALSE(info.allPages);
        EXPECT_EQ(info.lastPage, 1);
    }
}

TEST_F(PrintManagerTest, TheFourBySixImageTakesTheRoomOfEmptyCustomLines)
{
    struct Case {
        QString top;    // reference ID (tag 11)
        QString bottom; // description (tag 12)
        QRect frame;
    };
    // The layout: top line 4,2 444x14; image 0,18 452x260; bottom line 4,280.
    for (const Case &c : {Case{QStringLiteral("PO-7"), QStringLiteral("Books"), QRect(0, 18, 452, 260)},
                          Case{QString(), QStringLiteral("Books"), QRect(0, 0, 452, 278)},
                          Case{QStringLiteral("PO-7"), QString(), QRect(0, 18, 452, 278)},
                          Case{QString(), QString(), QRect(0, 0, 452, 296)}}) {
        SCOPED_TRACE((c.top + QLatin1Char('|') + c.bottom).toStdString());
        auto military = shipment(QStringLiteral("military"), c.bottom);
        military->setObject(c.top, QVShipmentInvoiceNumberKey);
        QVPrintManager manager;
        ASSERT_TRUE(manager.printLabelServerXML(labelReply({{1, pngBytes(markedImage(500, 300, Qt::red))}}, false),
                                                *military, QVKIVO8836105Label, {0, 3},
                                                saveExtras(outputPath(QStringLiteral("label-server-4x6-lines.pdf")))));
        QWidget *image = viewWithTag(manager.printedView(), 1);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->geometry(), c.frame);
        auto *top = qobject_cast<QVTextField *>(viewWithTag(manager.printedView(), 11));
        ASSERT_NE(top, nullptr);
        EXPECT_EQ(top->text(), c.top);
    }
}

TEST_F(PrintManagerTest, AStoppedQueueIsFoundByItsExactName)
{
    printers->add(QStringLiteral("Tagwright"), QStringLiteral("Tagwright 450"));
    printers->add(QStringLiteral("Office"), QStringLiteral("Laser"));
    printers->queueList[0].state = PrintQueue::State::Stopped;
    EXPECT_TRUE(QVPrintManager::printQueueIsStoppedForPrinterNamed(QStringLiteral("Tagwright")));
    EXPECT_FALSE(QVPrintManager::printQueueIsStoppedForPrinterNamed(QStringLiteral("tagwright")));
    EXPECT_FALSE(QVPrintManager::printQueueIsStoppedForPrinterNamed(QStringLiteral("Office")));
}
