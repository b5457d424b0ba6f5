// Plain-paper shipping label: the filled layout printed through the print
// operation onto half a letter sheet, read back with poppler-utils and the
// independent barcode decoders; fitting of addresses and custom fields; the
// Express layout's Code 39 number; the Zebra picture road without a queue.
#include "LabelTestSupport.h"
#include "LinearBarcodeSupport.h"

#include "barcodes/imaging/QVCode128View.h"
#include "barcodes/imaging/QVCode39View.h"
#include "barcodes/imaging/QVTextField.h"
#include "barcodes/imaging/QVUSPS4CBView.h"
#include "barcodes/imaging/ViewGeometry.h"
#include "barcodes/imaging/ViewOutput.h"
#include "barcodes/linear/USPS4CB.h"
#include "platform/ArchivedValues.h"
#include "printing/layouts/QVPlainPaperLabelController.h"
#include "printing/setup/QVPrinterTypes.h"

#include <QRegularExpression>

using namespace tolvane;
using namespace tolvane::test;

namespace {

class PlainPaperLabelTest : public PrintingTest
{
protected:
    // The label alone as a 300-dpi raster saved as PNG; answers the path.
    QString labelRaster(QVPlainPaperLabelController &controller, const QString &name, QImage *image)
    {
        const QString pdf = writePdf(dataWithPDF(controller.labelView()), name + QStringLiteral(".pdf"));
        *image = pdfRaster(pdf, 300);
        const QString png = outputPath(name + QStringLiteral(".png"));
        image->save(png);
        return png;
    }
};

QString withoutSpaces(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("\\s")));
    return text;
}

} // namespace

TEST_F(PlainPaperLabelTest, SamplePriorityMailLabelOnTheLetterPage)
{
    auto controller = QVPlainPaperLabelController::plainPaperControllerWithShipment(samplePriorityShipment());
    ASSERT_EQ(controller->labelType(), QVPlainPaperLabel);
    controller->drawVoid(true);
    const QString path = outputPath(QStringLiteral("priority-label.pdf"));
    ASSERT_TRUE(controller->printLabelWithPrintInfoExtras(saveExtras(path)));

    EXPECT_TRUE(pdfPageSize(path).startsWith(QStringLiteral("612 x 792 pts")));
    // The label is turned on the page: its words come out a line each, so
    // the texts are compared without white space.
    const QString text = withoutSpaces(pdfText(path, QStringLiteral("-raw")));
    for (const char *expected :
         {"Grace Receiver", "12 Harvard St", "Boston MA 02134-1409", "Ada Sender", "Denver CO 80202-1234",
          "PRIORITY MAIL®", "USPS TRACKING #", "9205 5901 0013 0471 0108 01", "VOID - DO NOT MAIL"})
        EXPECT_TRUE(text.contains(withoutSpaces(QString::fromUtf8(expected)))) << expected << "\n"
                                                                               << text.toStdString();

    // The label lies on the top half of the sheet only.
    const QImage page = pdfRaster(path, 300);
    page.save(outputPath(QStringLiteral("priority-label-page.png")));
    EXPECT_GT(darkShare(page, QRectF(0, 0, 612, 396)), 0.005);
    EXPECT_EQ(darkShare(page, QRectF(0, 400, 612, 392)), 0.0);

    QImage label;
    const QString png = labelRaster(*controller, QStringLiteral("priority-label-view"), &label);
    const QByteArray expected("42002134\x1d"
                              "9205590100130471010801");
    const DecodedSymbol zxing = decodeWithZXing(png);
    EXPECT_TRUE(zxing.found) << zxing.diagnostics.toStdString();
    EXPECT_EQ(zxing.symbology, QStringLiteral("Code128"));
    EXPECT_TRUE(zxing.gs1);
    EXPECT_EQ(zxing.bytes, expected);
    const DecodedSymbol zbar = decodeWithZbar(png);
    EXPECT_TRUE(zbar.found) << zbar.diagnostics.toStdString();
    EXPECT_TRUE(zbar.gs1);
    EXPECT_EQ(zbar.bytes, expected);

    // The Intelligent Mail bars are the encoder's letters for the tracking
    // code and the full routing code.
    ASSERT_NE(controller->onecodeView(), nullptr);
    char bars[80] = {};
    ASSERT_EQ(USPS4CB("00040123456200800001", "02134140912", bars), USPS4CB_SUCCESS);
    const FourStateBarGeometry geometry = intelligentMailBarsOf(label, topLeftFrame(controller->onecodeView()));
    EXPECT_EQ(geometry.letters, QString::fromLatin1(bars, 65));
    EXPECT_TRUE(geometry.problems().isEmpty()) << geometry.problems().join(QStringLiteral("; ")).toStdString();
}

TEST_F(PlainPaperLabelTest, ExpressNumberBecomesCode39)
{
    auto shipment = samplePriorityShipment();
    shipment->setObject(QVUSPSExpressMail, QVUSPSShipmentRateClassKey);
    shipment->setObject(QStringLiteral("EJ123456785US"), QVUSPSShipmentPICKey);
    auto controller = QVPlainPaperLabelController::plainPaperControllerWithShipment(shipment);
    ASSERT_TRUE(controller->isExpressMail());
    EXPECT_NE(qobject_cast<QVCode39View *>(controller->outlets().eServiceBarcode), nullptr);
    EXPECT_EQ(controller->outlets().phoneNumber->text(), QStringLiteral("(303) 555-0123"));

    QImage label;
    const QString png = labelRaster(*controller, QStringLiteral("express-label-view"), &label);
    const DecodedSymbol zxing = decodeWithZXing(png);
    EXPECT_TRUE(zxing.found) << zxing.diagnostics.toStdString();
    EXPECT_EQ(zxing.symbology, QStringLiteral("Code39"));
    EXPECT_EQ(zxing.bytes, QByteArray("EJ123456785US"));

    // Any other number stays with the GS1 view of the form.
    auto ordinary = QVPlainPaperLabelController::plainPaperControllerWithShipment(samplePriorityShipment());
    EXPECT_EQ(qobject_cast<QVCode39View *>(ordinary->outlets().eServiceBarcode), nullptr);
    EXPECT_NE(qobject_cast<QVGS1Code128View *>(ordinary->outlets().eServiceBarcode), nullptr);
}

TEST_F(PlainPaperLabelTest, AddressesShrinkToTheirFloorsThenOverflow)
{
    auto controller = QVPlainPaperLabelController::blankPlainPaperController();
    const QRectF box = controller->toAddressFrame();

    // A short address keeps the form's 12 points and fits.
    controller->setToAddressString(QStringLiteral("A B\n1 C St\nD MA 02134"));
    EXPECT_EQ(controller->toAddressPointSize(), 12);

    // A longer one shrinks one point at a time to the largest size that fits.
    const QString longer =
        QStringLiteral("Bartholomew Quincy Longname-Receiver III\n1234 Long Avenue\nBOSTON MA 02134-1409");
    controller->setToAddressString(longer);
    const qreal fitted = controller->toAddressPointSize();
    EXPECT_LT(fitted, 12);
    EXPECT_GT(fitted, 8);
    EXPECT_EQ(fitted, std::floor(fitted));
    EXPECT_LE(controller->outlets().toAddress->width(), box.width());

    // Too long at 8 points: it stops there and overflows the box.
    const QString huge =
        QStringLiteral("An Extraordinarily Long Recipient Name That Never Fits Anywhere On Any Label\n1 St\nX");
    controller->setToAddressString(huge);
    EXPECT_EQ(controller->toAddressPointSize(), 8);
    EXPECT_GT(controller->outlets().toAddress->width(), box.width());

    // The return address stops at 8 points too, back in its frame.
    controller->setFromAddressString(huge);
    EXPECT_EQ(controller->fromAddressPointSize(), 8);
    EXPECT_EQ(frameOf(controller->outlets().fromAddress).size(), controller->fromAddressFrame().size());

    // Custom fields shrink to 6 points and go back to their frames.
    controller->setCustomFieldString(huge.section(QLatin1Char('\n'), 0, 0).repeated(2), QStringLiteral("Bottom"));
    EXPECT_EQ(controller->outlets().bottomCustomField->pointSize(), 6);
    controller->setCustomFieldString(QStringLiteral("Ref 12"), QStringLiteral("Top"));
    EXPECT_EQ(controller->outlets().topCustomField->pointSize(), 10);
    EXPECT_EQ(controller->outlets().topCustomField->text(), QStringLiteral("Ref 12"));
    controller->setCustomFieldString(QStringLiteral("ignored"), QStringLiteral("Middle"));

    // An empty address empties the field.
    controller->setToAddressString(QString());
    EXPECT_TRUE(controller->outlets().toAddress->text().isEmpty());
}

TEST_F(PlainPaperLabelTest, SevenLineInternationalAddressGrowsDownward)
{
    auto controller = QVPlainPaperLabelController::blankPlainPaperController();
    const QRectF nib = controller->toAddressFrame();
    const qreal lineHeight = controller->outlets().toAddress->defaultLineHeight();
    const QString seven = QStringLiteral("A\nB\nC\nD\nE\nF\nG");

    // Domestic: the box stays; the field stands on its bottom edge.
    controller->setToAddressString(seven);
    EXPECT_NEAR(frameOf(controller->outlets().toAddress).y(), nib.y(), 1);

    controller->setInternational(true);
    controller->setToAddressString(seven);
    EXPECT_NEAR(frameOf(controller->outlets().toAddress).y(), nib.y() - 2 * lineHeight, 1);

    // Five lines do not grow it.
    controller->setToAddressString(QStringLiteral("A\nB\nC\nD\nE"));
    EXPECT_NEAR(frameOf(controller->outlets().toAddress).y(), nib.y(), 1);
}

TEST_F(PlainPaperLabelTest, ConfirmNumberMovesTheAddressOncePerLayout)
{
    auto shipment = samplePriorityShipment();
    auto controller = QVPlainPaperLabelController::plainPaperControllerWithShipment(shipment);
    QWidget *address = controller->outlets().toAddress;
    const qreal home = controller->toAddressFrame().y();
    EXPECT_NEAR(frameOf(address).y(), home + 13.032, 1);
    const QRectF barcode = frameOf(controller->onecodeView());
    EXPECT_NEAR(barcode.y(), home, 1);
    EXPECT_EQ(barcode.size(), QVUSPS4CBView::symbolSize());

    // Set twice, it moves twice; one re-layout from the defaults moves it
    // once from its home frame and announces itself.
    controller->setConfirmNumber(QStringLiteral("0004012345620080000202134"));
    EXPECT_NEAR(frameOf(address).y(), home + 2 * 13.032, 1.5);
    int announced = 0;
    NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        QVLabelLayoutDidChangeNotification, NotificationObject(controller.get()),
        [&](const Notification &) { ++announced; });
    controller->readFromDefaults();
    EXPECT_EQ(announced, 1);
    EXPECT_NEAR(frameOf(address).y(), home + 13.032, 1);

    // A change of the defaults re-lays the label with the new font.
    QFont font(QStringLiteral("Helvetica"));
    font.setPointSizeF(10);
    defaults().setObject(archivedDataWithFont(font), QStringLiteral("toAddressFont"));
    EXPECT_EQ(announced, 2);
    EXPECT_EQ(controller->toAddressPointSize(), 10);
    EXPECT_NEAR(frameOf(address).y(), home + 13.032, 1);
}

TEST_F(PlainPaperLabelTest, ZebraPictureLabelAndCarrierRoute)
{
    auto controller = QVPlainPaperLabelController::blankPlainPaperController();
    controller->setLabelType(QVEPL2Label);
    controller->setCustomFieldString(QStringLiteral("top text"), QStringLiteral("Top"));
    controller->setCustomFieldString(QStringLiteral("bottom text"), QStringLiteral("Bottom"));
    EXPECT_TRUE(controller->outlets().topCustomField->text().isEmpty());
    EXPECT_EQ(controller->outlets().bottomCustomField->text(), QStringLiteral("bottom text"));

    // The Zebra picture road with no Zebra queue chosen prints nothing, even
    // with a default queue in the system.
    printers->add(QStringLiteral("office"), QStringLiteral("Generic PostScript"));
    printers->defaultQueue = QStringLiteral("office");
    EXPECT_FALSE(controller->printLabelWithPrintInfoExtras());
    EXPECT_TRUE(printers->jobs.isEmpty());

    // With its queue set it goes there as a 4 x 6 in PDF.
    printers->add(QStringLiteral("zebra"), QStringLiteral("Zebra LP 2844"));
    defaults().setString(QStringLiteral("zebra"), QStringLiteral("advancedZebraPathPrinterID"));
    EXPECT_TRUE(controller->printLabelWithPrintInfoExtras());
    ASSERT_EQ(printers->jobs.size(), 1);
    EXPECT_EQ(printers->jobs[0].queue, QStringLiteral("zebra"));
    EXPECT_EQ(printers->jobs[0].title, QStringLiteral("Tolvane Label"));
    EXPECT_EQ(printers->jobs[0].format, PrintDocumentFormatPDF);
    const QString pdf = writePdf(printers->jobs[0].document, QStringLiteral("zebra-picture.pdf"));
    EXPECT_EQ(pdfPageSize(pdf), QStringLiteral("288 x 432 pts"));

    // An empty carrier route shows no box; a route gets a bordered box left
    // of the RDC field.
    controller->setRDCString(QStringLiteral("RDC 07"));
    controller->setCarrierRouteString(QString());
    EXPECT_FALSE(controller->outlets().crtField->isBordered());
    controller->setCarrierRouteString(QStringLiteral("C012"));
    EXPECT_TRUE(controller->outlets().crtField->isBordered());
    const QRectF crt = frameOf(controller->outlets().crtField);
    EXPECT_NEAR(crt.right(), frameOf(controller->outlets().rdcField).x() - 18, 1);
}

TEST_F(PlainPaperLabelTest, TemplatePicturesAndReturnAddressPicture)
{
    struct Case {
        QString rateClass;
        QString image;
    } cases[] = {
        {QVUSPSFirstClassMail, QStringLiteral("qv_rounded_firstclassmail_labeltemplate")},
        {QVUSPSPriorityMailFlatBoxRate, QStringLiteral("qv_rounded_prioritymail_labeltemplate_nobanner")},
        {QVUSPSMediaMail, QStringLiteral("qv_rounded_mediamail_labeltemplate")},
        {QVUSPSExpressMailFlatRate, QStringLiteral("qv_rounded_expressmail_labeltemplate_nobanner")},
        {QStringLiteral("QVUSPSSomethingElse"), QStringLiteral("qv_rounded_empty_labeltemplate")},
    };
    auto controller = QVPlainPaperLabelController::blankPlainPaperController();
    for (const Case &c : cases) {
        controller->setMailClass(c.rateClass);
        EXPECT_EQ(controller->outlets().labelImageView->image().name(), c.image);
        EXPECT_NEAR(controller->outlets().labelImageView->image().size().width(), 288, 0.05);
        EXPECT_NEAR(controller->outlets().labelImageView->image().size().height(), 432, 0.05);
    }

    // Standard Post in the UPS Mail Innovations mode without postage.
    auto shipment = samplePriorityShipment();
    shipment->setObject(QVUSPSStandardPost, QVUSPSShipmentRateClassKey);
    defaults().setBool(true, QStringLiteral("upsMailInnovationsMode"));
    auto upsmi = QVPlainPaperLabelController::plainPaperControllerWithShipment(shipment);
    EXPECT_EQ(upsmi->outlets().labelImageView->image().name(), QStringLiteral("upsmi"));
    shipment->setObject(true, QVUSPSShipmentPostageEnabledKey);
    EXPECT_EQ(QVPlainPaperLabelController::plainPaperControllerWithShipment(shipment)
                  ->outlets()
                  .labelImageView->image()
                  .name(),
              QStringLiteral("qv_rounded_standardpost_labeltemplate"));

    // The return-address picture when chosen and loadable; otherwise the
    // address takes its place.
    const QRectF home = controller->fromAddressFrame();
    const QRectF picturePlace = frameOf(controller->outlets().returnAddressImage);
    controller->setFromAddressString(QStringLiteral("Ada\nDenver"));
    EXPECT_TRUE(controller->outlets().returnAddressImage->image().isNull());
    EXPECT_EQ(frameOf(controller->outlets().fromAddress).x(), picturePlace.x());
    QImage logo(40, 40, QImage::Format_RGB32);
    logo.fill(Qt::black);
    const QString logoPath = outputPath(QStringLiteral("return-logo.png"));
    ASSERT_TRUE(logo.save(logoPath));
    defaults().setBool(true, QStringLiteral("useFromAddressImage"));
    defaults().setString(logoPath, QStringLiteral("fromAddressImage"));
    controller->setFromAddressString(QStringLiteral("Ada\nDenver"));
    EXPECT_FALSE(controller->outlets().returnAddressImage->image().isNull());
    EXPECT_EQ(frameOf(controller->outlets().fromAddress).x(), home.x());
    // An empty text shows no picture; a missing file neither.
    controller->setFromAddressString(QString());
    EXPECT_TRUE(controller->outlets().returnAddressImage->image().isNull());
    defaults().setString(outputPath(QStringLiteral("missing.png")), QStringLiteral("fromAddressImage"));
    controller->setFromAddressString(QStringLiteral("Ada"));
    EXPECT_TRUE(controller->outlets().returnAddressImage->image().isNull());
}

TEST_F(PlainPaperLabelTest, ReplyPostageAndTheMakersFourBySixStock)
{
    auto shipment = samplePriorityShipment();
    shipment->setObject(true, QVUSPSShipmentReplyPostageKey);
    auto reply = QVPlainPaperLabelController::plainPaperControllerWithShipment(shipment);
    const QString text = reply->outlets().toAddress->text();
    EXPECT_TRUE(text.startsWith(QStringLiteral("REPLY POSTAGE"))) << text.toStdString();
    // Reply postage exchanges the two addresses.
    EXPECT_TRUE(text.contains(QStringLiteral("Ada Sender")));

    printers->add(QStringLiteral("kivo"), QStringLiteral("Kivo Tagwright 360"));
    defaults().setObject(
        QVariantMap{{QVKIVO8836105Label,
                     QVariantMap{{QStringLiteral("printer"), QStringLiteral("kivo")}, {QStringLiteral("density"), 3}}}},
        QStringLiteral("kivoSettings"));
    auto label = QVPlainPaperLabelController::plainPaperControllerWithShipment(samplePriorityShipment());
    label->setLabelType(QVKIVO8836105Label);
    const PrintInfo info = label->printInfoWithExtras({});
    EXPECT_EQ(info.paperName, QStringLiteral("8836105_4_in_x_6_in"));
    EXPECT_EQ(info.paperSize, QSizeF(296, 452));
    EXPECT_DOUBLE_EQ(info.leftMargin, 5.76);
    EXPECT_DOUBLE_EQ(info.scalingFactor, 0.85);
    ASSERT_TRUE(label->printLabelWithPrintInfoExtras());
    ASSERT_EQ(printers->jobs.size(), 1);
    EXPECT_EQ(printers->jobs[0].queue, QStringLiteral("kivo"));
    EXPECT_EQ(printers->jobs[0].options.value(QStringLiteral("KivoPrintDensity")).toString(), QStringLiteral("Dark"));
    EXPECT_EQ(printers->jobs[0].options.value(QStringLiteral("media")).toString(),
              QStringLiteral("8836105_4_in_x_6_in"));
    const QString pdf = writePdf(printers->jobs[0].document, QStringLiteral("kivo-4x6.pdf"));
    EXPECT_TRUE(pdfPageSize(pdf).startsWith(QStringLiteral("296 x 452 pts")));
}
