// Shipping labels on the maker's label stock: the four stocks' pages and
// paper names, the 72019 package number and banner, international labels,
// fitting floors, the driver settings of a job (density, the two-roll
// printer's roll) through a private CUPS scheduler, a stock without a
// layout, and the preview window following the preferences.
#include "LabelTestSupport.h"
#include "LinearBarcodeSupport.h"
#include "PrivateCupsd.h"

#include "barcodes/imaging/QVCode128View.h"
#include "barcodes/imaging/QVTextField.h"
#include "barcodes/imaging/QVUSPS4CBView.h"
#include "barcodes/imaging/ViewGeometry.h"
#include "barcodes/imaging/ViewOutput.h"
#include "platform/ArchivedValues.h"
#include "printing/layouts/QVKIVO51207PreviewController.h"
#include "printing/layouts/QVKIVOLabelController.h"
#include "printing/layouts/QVPlainPaperLabelController.h"
#include "printing/setup/QVPrinterTypes.h"

using namespace tolvane;
using namespace tolvane::test;

namespace {

class KIVOLabelTest : public PrintingTest
{
protected:
    // The stock's settings in the user defaults, as the printer set-up
    // stores them.
    void setStockSettings(const QString &labelType, const QVariantMap &stock)
    {
        QVariantMap settings = defaults().dictionaryForKey(QStringLiteral("kivoSettings"));
        settings.insert(labelType, stock);
        defaults().setObject(settings, QStringLiteral("kivoSettings"));
    }

    void chooseStock(const QString &labelType)
    {
        defaults().setString(QVKIVOTagwrightPrinter, QStringLiteral("printerType"));
        defaults().setString(labelType, QStringLiteral("printerLabel"));
    }
};

std::shared_ptr<QVShipment> sampleWithFullNumber()
{
    auto shipment = samplePriorityShipment();
    shipment->setObject(QStringLiteral("420021349205590100130471010801"), QVUSPSShipmentPICKey);
    shipment->setObject(QVUSPSeDeliveryConfirmation, QVUSPSShipmentConfirmationServiceKey);
    return shipment;
}

QString decodeLabel(QWidget *label, const QString &name, DecodedSymbol *symbol)
{
    const QString pdf = writePdf(dataWithPDF(label), name + QStringLiteral(".pdf"));
    const QString png = outputPath(name + QStringLiteral(".png"));
    pdfRaster(pdf, 300).save(png);
    *symbol = decodeWithZXing(png);
    return png;
}

const QString kLongLine =
    QStringLiteral("An Extraordinarily Long Line That Cannot Fit On Any Narrow Label Stock At All");

} // namespace

TEST_F(KIVOLabelTest, EachStockPrintsOnItsOwnPaper)
{
    printers->add(QStringLiteral("kivo"), QStringLiteral("Kivo Tagwright 360 Swift"));
    struct Case {
        QString labelType;
        QString paperName;
        QString pageSize;
    } cases[] = {
        {QVKIVO51207Label, QStringLiteral("51207_PC_Postage_EPS"), QStringLiteral("167 x 756 pts")},
        {QVKIVO51204Label, QStringLiteral("51204_PC_Postage_2-Part"), QStringLiteral("167 x 540 pts")},
        {QVKIVO51203Label, QStringLiteral("51203_PC_Postage_3-Part"), QStringLiteral("162 x 504 pts")},
        {QVKIVO72019Label, QString(), QStringLiteral("167 x 539 pts")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.labelType.toStdString());
        chooseStock(c.labelType);
        setStockSettings(c.labelType, {{QStringLiteral("printer"), QStringLiteral("kivo")}});
        auto controller = QVKIVOLabelController::KIVOControllerWithShipment(sampleWithFullNumber());
        ASSERT_EQ(controller->labelType(), c.labelType);
        controller->drawVoid(true);
        const QString path = outputPath(c.labelType + QStringLiteral(".pdf"));
        ASSERT_TRUE(controller->printLabelWithPrintInfoExtras(saveExtras(path)));
        EXPECT_TRUE(pdfPageSize(path).startsWith(c.pageSize)) << pdfPageSize(path).toStdString();
        EXPECT_TRUE(pdfText(path, QStringLiteral("-raw"))
                        .remove(QLatin1Char('\n'))
                        .remove(QLatin1Char(' '))
                        .contains(QStringLiteral("GraceReceiver")));
        pdfRaster(path, 300).save(outputPath(c.labelType + QStringLiteral("-page.png")));

        const int jobs = int(printers->jobs.size());
        ASSERT_TRUE(controller->printLabelWithPrintInfoExtras());
        ASSERT_EQ(printers->jobs.size(), jobs + 1);
        const SubmittedJob &job = printers->jobs.last();
        EXPECT_EQ(job.queue, QStringLiteral("kivo"));
        EXPECT_EQ(job.title, QStringLiteral("Tolvane Label"));
        EXPECT_EQ(job.options.value(QStringLiteral("media")).toString(), c.paperName);
        EXPECT_EQ(job.options.value(QStringLiteral("KivoPrintDensity")).toString(), QStringLiteral("Normal"));
        EXPECT_EQ(job.options.value(QStringLiteral("com.apple.print.PrintSettings.TWPrintDarkness")).toString(),
                  QStringLiteral("2"));
        // Not a two-roll printer: no roll is named.
        EXPECT_FALSE(job.options.contains(QStringLiteral("InputSlot")));
    }
}

TEST_F(KIVOLabelTest, PackageNumberBannerAndIntelligentMail)
{
    QVKIVOLabelController full(QVKIVO51207Label);
    full.fillFromShipment(sampleWithFullNumber());
    EXPECT_EQ(full.outlets().eServiceText->text(), QStringLiteral("USPS TRACKING #"));
    EXPECT_NE(full.onecodeView(), nullptr);
    EXPECT_EQ(full.outlets().postnetImage, nullptr);
    DecodedSymbol symbol;
    decodeLabel(full.labelView(), QStringLiteral("kivo-51207-label"), &symbol);
    EXPECT_EQ(symbol.bytes,
              QByteArray("42002134\x1d"
                         "9205590100130471010801"))
        << symbol.diagnostics.toStdString();
    EXPECT_TRUE(symbol.gs1);
    // The Intelligent Mail barcode stands 3 points above the destination.
    const QRectF address = frameOf(full.outlets().toAddress);
    EXPECT_NEAR(frameOf(full.onecodeView()).y(), address.bottom() + 3, 1);

    // 72019: the number without "420" and the ZIP Code, the short service
    // name, no Intelligent Mail barcode.
    QVKIVOLabelController narrow(QVKIVO72019Label);
    narrow.fillFromShipment(sampleWithFullNumber());
    EXPECT_EQ(narrow.outlets().eServiceText->text(), QStringLiteral("USPS Tracking"));
    EXPECT_EQ(narrow.outlets().eServiceBarcode->barcodeText(), QStringLiteral("9205590100130471010801"));
    EXPECT_EQ(narrow.onecodeView(), nullptr);
    decodeLabel(narrow.labelView(), QStringLiteral("kivo-72019-label"), &symbol);
    EXPECT_EQ(symbol.bytes, QByteArray("9205590100130471010801")) << symbol.diagnostics.toStdString();

    // The preview shows the same number as the print.
    defaults().setString(QVKIVO72019Label, QStringLiteral("printerLabel"));
    auto preview = QVKIVO51207PreviewController::kivo51207PreviewControllerWithShipment(sampleWithFullNumber());
    ASSERT_EQ(preview->labelType(), QVKIVO72019Label);
    EXPECT_EQ(preview->outlets().eServiceBarcode->barcodeText(), QStringLiteral("9205590100130471010801"));
    EXPECT_EQ(preview->outlets().eServiceText->text(), QStringLiteral("USPS Tracking"));
    EXPECT_EQ(preview->onecodeView(), nullptr);

    // Without a package number: no barcode and no black rules.
    QVKIVOLabelController none(QVKIVO51204Label);
    none.setEServiceBarcodeString(QStringLiteral("42002134*9205590100130471010801"));
    EXPECT_FALSE(none.outlets().blackBarTop->image().isNull());
    none.setEServiceBarcodeString(QString());
    EXPECT_TRUE(none.outlets().eServiceBarcode->barcodeText().isEmpty());
    EXPECT_TRUE(none.outlets().blackBarTop->image().isNull());
    EXPECT_TRUE(none.outlets().blackBarBottom->image().isNull());
}

TEST_F(KIVOLabelTest, InternationalLabel)
{
    auto shipment = samplePriorityShipment();
    shipment->removeObjectForKey(QVUSPSShipmentConfirmKey);
    QVAddress abroad;
    abroad.setName(QStringLiteral("Jean Destinataire"));
    abroad.setCountry(QStringLiteral("Canada"));
    abroad.setInternationalAddressLines(
        QStringList{QStringLiteral("1 rue Principale"), QStringLiteral("Montreal QC H2X 1Y4")});
    shipment->setObject(abroad.plist(), QVShipmentToAddressKey);
    QVKIVOLabelController controller(QVKIVO51207Label);
    const QRectF nib = controller.toAddressFrame();
    const QRectF barcodePlace = frameOf(controller.outlets().postnetImage);
    controller.fillFromShipment(shipment);
    EXPECT_TRUE(controller.outlets().fromAddress->text().endsWith(QStringLiteral("\nUS")));
    EXPECT_EQ(controller.outlets().postnetImage, nullptr);
    EXPECT_EQ(controller.onecodeView(), nullptr);
    EXPECT_EQ(controller.toAddressFrame().y(), nib.y());
    EXPECT_EQ(controller.toAddressFrame().bottom(), barcodePlace.bottom());
    // Laid out again, it keeps the grown room.
    controller.setToAddressString(shipment->toAddress().formattedAddress());
    EXPECT_EQ(controller.toAddressFrame().bottom(), barcodePlace.bottom());
}

TEST_F(KIVOLabelTest, FittingFloorsAndReplyPostage)
{
    QVKIVOLabelController controller(QVKIVO51204Label);
    const QRectF frame = controller.toAddressFrame();
    controller.setToAddressString(kLongLine + kLongLine + QStringLiteral("\n1 St\nTown"));
    EXPECT_EQ(controller.toAddressPointSize(), 6);
    // Overflowing: no inset on that side.
    EXPECT_EQ(frameOf(controller.outlets().toAddress).x(), frame.x());
    // A short address is centred in its frame.
    controller.setToAddressString(QStringLiteral("A\nB"));
    EXPECT_EQ(controller.toAddressPointSize(), 12);
    const QRectF centred = frameOf(controller.outlets().toAddress);
    EXPECT_NEAR(centred.center().x(), frame.center().x(), 1);
    EXPECT_NEAR(centred.center().y(), frame.center().y(), 1);

    // The printed return address shrinks to 5 points; the preview stops at 8
    // and overflows.
    controller.setFromAddressString(kLongLine);
    EXPECT_EQ(controller.fromAddressPointSize(), 5);
    QVKIVO51207PreviewController preview(QStringLiteral("Kivo51204Label"));
    preview.setFromAddressString(kLongLine);
    EXPECT_EQ(preview.fromAddressPointSize(), 8);
    EXPECT_GT(preview.outlets().fromAddress->fittingSize().width(), preview.fromAddressFrame().width());

    // Custom field down to 6 points.
    controller.setCustomFieldString(kLongLine + kLongLine, QStringLiteral("Top"));
    EXPECT_EQ(controller.outlets().topCustomField->pointSize(), 6);
    controller.setCustomFieldString(QStringLiteral("ignored"), QStringLiteral("Bottom"));
    EXPECT_NE(controller.outlets().topCustomField->text(), QStringLiteral("ignored"));

    // Reply postage: the bundle's text above the address.
    auto reply = samplePriorityShipment();
    reply->setObject(true, QVUSPSShipmentReplyPostageKey);
    QVKIVOLabelController replyLabel(QVKIVO51207Label);
    replyLabel.fillFromShipment(reply);
    EXPECT_TRUE(replyLabel.outlets().toAddress->text().startsWith(QStringLiteral("REPLY POSTAGE")))
        << replyLabel.outlets().toAddress->text().toStdString();
}

TEST_F(KIVOLabelTest, StockWithoutLayoutPrintsNothing)
{
    printers->add(QStringLiteral("kivo"), QStringLiteral("Kivo Tagwright 360"));
    setStockSettings(QVKIVO8836105Label, {{QStringLiteral("printer"), QStringLiteral("kivo")}});
    QVKIVOLabelController controller(QVKIVO8836105Label);
    EXPECT_FALSE(controller.hasLayout());
    EXPECT_EQ(controller.labelView(), nullptr);
    EXPECT_EQ(controller.kivoPrintInfo().paperSize, QSizeF(0, 0));
    controller.fillFromShipment(samplePriorityShipment());
    EXPECT_FALSE(controller.printLabelWithPrintInfoExtras());
    EXPECT_TRUE(printers->jobs.isEmpty());
    EXPECT_EQ(QVKIVO51207PreviewController::nibNameForLabelType(QVKIVO8836105Label), QString());
    EXPECT_FALSE(QVKIVO51207PreviewController(QStringLiteral("Kivo8836105Label")).hasLayout());
}

TEST_F(KIVOLabelTest, PreviewFollowsTheAddressFont)
{
    QVKIVO51207PreviewController preview(QStringLiteral("Kivo51207Label"));
    ASSERT_TRUE(preview.hasLayout());
    // Without a stored font the form's fonts stay.
    preview.fillFromShipment(samplePriorityShipment());
    EXPECT_EQ(preview.toAddressPointSize(), 12);
    EXPECT_EQ(preview.outlets().fromAddress->font().pointSizeF(), 9);
    const QRectF barcodeBefore = frameOf(preview.onecodeView());

    int announced = 0;
    NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        QVLabelLayoutDidChangeNotification, NotificationObject(&preview), [&](const Notification &) { ++announced; });
    QFont smaller(QStringLiteral("Helvetica"));
    smaller.setPointSizeF(10);
    defaults().setObject(archivedDataWithFont(smaller), QStringLiteral("toAddressFont"));
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(preview.toAddressPointSize(), 10);
    EXPECT_NE(frameOf(preview.onecodeView()).y(), barcodeBefore.y());
    QFont small(QStringLiteral("Helvetica"));
    small.setPointSizeF(7);
    defaults().setObject(archivedDataWithFont(small), QStringLiteral("fromAddressFont"));
    EXPECT_EQ(announced, 2);
    // The preview's floor is 8 points: a 7-point font is not raised, only
    // never lowered further.
    EXPECT_EQ(preview.fromAddressPointSize(), 7);

    // A whole label picture lies under the fields.
    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(Qt::black);
    preview.setLabelImage(QVLayoutImage::fromImage(picture));
    EXPECT_FALSE(preview.labelImageView()->image().isNull());
}

TEST_F(KIVOLabelTest, DriverSettingsReachThePrivateScheduler)
{
    setPrintSystem(nullptr); // CUPS
    LoopbackPrinter printer;
    ASSERT_TRUE(printer.isListening());
    PrivateCupsd cupsd;
    QString error;
    ASSERT_TRUE(cupsd.start(&error)) << error.toStdString();
    const QString uri = QStringLiteral("socket://127.0.0.1:%1/?snmp=false").arg(printer.port());
    ASSERT_TRUE(cupsd.addQueue(QStringLiteral("dual"), QStringLiteral("Kivo Tagwright Dual Swift"), uri, &error))
        << error.toStdString();

    struct Case {
        QVariant tray;
        QString slot;
    } cases[] = {{KIVOPaperTrayLeft, QStringLiteral("Left")},
                 {KIVOPaperTrayRight, QStringLiteral("Right")},
                 {QStringLiteral("other"), QStringLiteral("Right")},
                 {QVariant(), QStringLiteral("Right")}};
    int jobs = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tray.toString().toStdString());
        QVariantMap stock = {{QStringLiteral("printer"), QStringLiteral("dual")}};
        if (c.tray.isValid())
            stock.insert(QStringLiteral("tray"), c.tray);
        setStockSettings(QVKIVO51207Label, stock);
        QVKIVOLabelController controller(QVKIVO51207Label);
        controller.fillFromShipment(sampleWithFullNumber());
        ASSERT_TRUE(controller.printLabelWithPrintInfoExtras());
        ++jobs;
        ASSERT_TRUE(printer.waitForJobs(jobs));
        EXPECT_TRUE(printer.received().last().startsWith("%PDF"));
        ASSERT_TRUE(cupsd.waitForCompletion(jobs));
        const QVariantMap attributes = cupsd.jobAttributes(jobs);
        EXPECT_EQ(attributes.value(QStringLiteral("job-name")).toString(), QStringLiteral("Tolvane Label"));
        EXPECT_EQ(attributes.value(QStringLiteral("InputSlot")).toString(), c.slot);
        EXPECT_EQ(attributes.value(QStringLiteral("KivoPrintDensity")).toString(), QStringLiteral("Normal"));
        EXPECT_EQ(attributes.value(QStringLiteral("media")).toString(), QStringLiteral("51207_PC_Postage_EPS"));
    }
    // A queue the scheduler does not have: refused, nothing printed.
    setStockSettings(QVKIVO51207Label, {{QStringLiteral("printer"), QStringLiteral("missing")}});
    QVKIVOLabelController missing(QVKIVO51207Label);
    EXPECT_FALSE(missing.printLabelWithPrintInfoExtras());
    EXPECT_EQ(printer.received().size(), jobs);
}

TEST_F(KIVOLabelTest, PermitPictureBesideTheTopCustomField)
{
    QImage permit(144, 72, QImage::Format_RGB32);
    permit.fill(Qt::black);
    const QString path = outputPath(QStringLiteral("permit.png"));
    ASSERT_TRUE(permit.save(path));
    QVKIVOLabelController controller(QVKIVO51207Label);
    controller.setToAddressString(QStringLiteral("A\nB"));
    EXPECT_EQ(controller.permitImageView(), nullptr);

    defaults().setString(path, QStringLiteral("kivoPermitImagePath"));
    controller.setToAddressString(QStringLiteral("A\nB"));
    ASSERT_NE(controller.permitImageView(), nullptr);
    const QRectF top = frameOf(controller.outlets().topCustomField);
    const QRectF picture = frameOf(controller.permitImageView());
    EXPECT_EQ(picture.size(), QSizeF(72, 72));
    EXPECT_EQ(picture.right(), top.right());
    EXPECT_EQ(picture.bottom(), top.bottom());
    EXPECT_FALSE(controller.permitImageView()->image().isNull());
    // Shown shrunk to the view, from its top-left corner.
    EXPECT_EQ(controller.permitImageView()->imageRect(), QRectF(0, 0, 72, 36));

    // A file that does not load shows nothing.
    defaults().setString(outputPath(QStringLiteral("no-permit.png")), QStringLiteral("kivoPermitImagePath"));
    controller.setToAddressString(QStringLiteral("A\nB"));
    EXPECT_TRUE(controller.permitImageView()->image().isNull());
}
