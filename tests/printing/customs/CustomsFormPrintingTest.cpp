// The customs forms of the USPS service printed on Letter paper (the CN22
// page and the CP72 pages) and the Global Express Mail label set composed
// from its stored label PDF; the PDFs read back with poppler-utils.
#include "CustomsFormTestSupport.h"
#include "CustomsTestSupport.h"

#include "barcodes/imaging/QVTextField.h"
#include "barcodes/imaging/ViewGeometry.h"
#include "printing/customs/QVCN22PrintController.h"
#include "printing/customs/QVCP72View.h"
#include "printing/customs/QVGEMLabelView.h"
#include "printing/customs/QVPdfPages.h"

#include <gtest/gtest.h>

using namespace tolvane;
using namespace tolvane::test;

namespace {

const QDate kShipDate(2026, 3, 5);

class CustomsFormPrintingTest : public CustomsTest
{
protected:
    // A black signature image written to a file; answers its path.
    static QString signatureFile()
    {
        const QString path = outputPath(QStringLiteral("signature.png"));
        greyImage(QSize(120, 40), 0).save(path);
        return path;
    }
};

TEST_F(CustomsFormPrintingTest, CP72PrintsOnePagePerImageEachWithTheDate)
{
    QVCP72View view;
    view.setImageArray({customsImageWithData(greyPagesPdf({100}, QSizeF(612, 488))),
                        QVLayoutImage::fromImage(greyImage(QSize(612, 488), 150)),
                        QVLayoutImage::fromImage(greyImage(QSize(612, 488), 200))});
    view.setDate(kShipDate);
    const QString pdf = printToPdf(&view, QStringLiteral("cp72.pdf"), QVCP72View::printJobTitle());
    ASSERT_FALSE(pdf.isEmpty());
    ASSERT_EQ(pdfPageCount(pdf), 3);
    const int greys[] = {100, 150, 200};
    for (int page = 1; page <= 3; ++page) {
        SCOPED_TRACE(page);
        EXPECT_TRUE(pdfPageText(pdf, page).contains(QStringLiteral("03/05/26")));
        const QImage raster = pdfPageRaster(pdf, page);
        // The image fills the upper 488 points; the lower part is paper.
        EXPECT_NEAR(greyAt(raster, 400, 700), greys[page - 1], 6);
        EXPECT_EQ(greyAt(raster, 400, 100), 255);
    }
    EXPECT_TRUE(pdfPageSize(pdf).startsWith(QStringLiteral("612 x 792 pts")));

    // Without a date nothing is written; without images there is nothing to print.
    QVCP72View undated;
    undated.setImageArray({QVLayoutImage::fromImage(greyImage(QSize(612, 488), 220))});
    const QString plain = printToPdf(&undated, QStringLiteral("cp72-undated.pdf"));
    ASSERT_FALSE(plain.isEmpty());
    EXPECT_FALSE(pdfPageText(plain, 1).contains(QStringLiteral("/")));
    QVCP72View empty;
    EXPECT_TRUE(printToPdf(&empty, QStringLiteral("cp72-empty.pdf")).isEmpty());
}

TEST_F(CustomsFormPrintingTest, CP72DrawsTheOverlayImageOverTheForm)
{
    const QString overlay = outputPath(QStringLiteral("overlay.png"));
    QImage marks(QSize(612, 488), QImage::Format_ARGB32);
    marks.fill(Qt::transparent);
    QPainter(&marks).fillRect(QRect(0, 0, 100, 100), Qt::black);
    marks.save(overlay);
    defaults().setObject(overlay, QStringLiteral("cp72OverlayImagePath"));
    QVCP72View view;
    ASSERT_NE(view.overlayView(), nullptr);
    view.setImageArray({QVLayoutImage::fromImage(greyImage(QSize(612, 488), 200))});
    const QString pdf = printToPdf(&view, QStringLiteral("cp72-overlay.pdf"));
    const QImage raster = pdfPageRaster(pdf, 1);
    EXPECT_LT(greyAt(raster, 50, 742), 40);        // the overlay's black corner
    EXPECT_NEAR(greyAt(raster, 400, 700), 200, 6); // the form beside it
}

TEST_F(CustomsFormPrintingTest, CN22PrintsTheSignatureOnlyWhenOneIsSet)
{
    const struct Case {
        const char *name;
        bool withSignature;
    } cases[] = {{"no signatureImagePath", false}, {"a signature", true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.withSignature)
            defaults().setObject(signatureFile(), QStringLiteral("signatureImagePath"));
        else
            defaults().removeObjectForKey(QStringLiteral("signatureImagePath"));
        QVCN22PrintController cn22;
        EXPECT_EQ(cn22.sig1()->image().isNull(), !c.withSignature);
        EXPECT_EQ(cn22.sig2()->image().isNull(), !c.withSignature);
        EXPECT_TRUE(cn22.date1()->text().isEmpty());
        cn22.setImage(customsImageWithData(greyPagesPdf({180}, QSizeF(576, 378))));
        cn22.setDate(kShipDate);
        const QString pdf = printToPdf(cn22.printView(), QStringLiteral("cn22-%1.pdf").arg(c.withSignature));
        ASSERT_FALSE(pdf.isEmpty());
        EXPECT_EQ(pdfPageCount(pdf), 1);
        EXPECT_EQ(pdfPageText(pdf, 1).count(QStringLiteral("03/05/26")), 2);
        const QImage raster = pdfPageRaster(pdf, 1);
        EXPECT_NEAR(greyAt(raster, 300, 600), 180, 6); // the form image
        for (QVImageView *sig : {cn22.sig1(), cn22.sig2()}) {
            const QRectF frame = flippedFrame(QRectF(sig->geometry()), 792);
            EXPECT_EQ(darkestIn(raster, frame) < 40, c.withSignature);
        }
        // No instructions unless given.
        EXPECT_EQ(darkestIn(raster, QRectF(18, 18, 576, 330)), 255);
    }
    // An unreadable signature file is no signature.
    const QString bad = outputPath(QStringLiteral("not-an-image.png"));
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not an image");
    file.close();
    defaults().setObject(bad, QStringLiteral("signatureImagePath"));
    QVCN22PrintController unsigned_;
    EXPECT_TRUE(unsigned_.sig1()->image().isNull());
}

TEST_F(CustomsFormPrintingTest, ImagesFromTheServiceData)
{
    const QVLayoutImage pdf = customsImageWithData(greyPagesPdf({0}, QSizeF(288, 144)));
    EXPECT_NEAR(pdf.size().width(), 288, 0.5);
    EXPECT_NEAR(pdf.size().height(), 144, 0.5);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    greyImage(QSize(72, 36), 0).save(&buffer, "PNG");
    EXPECT_NEAR(customsImageWithData(png).size().width(), 72, 0.5);
    for (const QByteArray &bad : {QByteArray(), QByteArray("garbage"), QByteArray("%PDF-1.4\n1 0 obj broken")}) {
        EXPECT_TRUE(customsImageWithData(bad).isNull());
    }
    QString error;
    EXPECT_EQ(QVPdfPages::fromData(QByteArray("%PDF-1.7 nothing else"), &error), nullptr);
    EXPECT_FALSE(error.isEmpty());
}

class GEMLabelViewTest : public CustomsFormPrintingTest
{
protected:
    // Label pages 0 to 4 in greys of their own.
    const QList<int> labelGreys{60, 90, 120, 150, 180};
};

TEST_F(GEMLabelViewTest, PrintsThreePagesWithTheWhiteBoxAndNoIndicium)
{
    defaults().setObject(signatureFile(), QStringLiteral("signatureImagePath"));
    QVGEMLabelView view;
    ASSERT_TRUE(view.setLabelPDF(greyPagesPdf(labelGreys)));
    view.setDate(kShipDate);
    QString error;
    const QString path = outputPath(QStringLiteral("gem.pdf"));
    ASSERT_TRUE(view.printLabel(letterToFile(path), &error)) << error.toStdString();
    ASSERT_EQ(pdfPageCount(path), 3);

    const QImage page1 = pdfPageRaster(path, 1);
    EXPECT_NEAR(greyAt(page1, 300, 600), 60, 6);               // label page 0
    EXPECT_EQ(greyAt(page1, 500, 700), 255);                   // the white box
    EXPECT_NEAR(greyAt(page1, 450, 740), 60, 6);               // no indicium in its place
    EXPECT_NEAR(greyAt(page1, 300, 200), 90, 6);               // label page 1 in the lower half
    EXPECT_EQ(greyAt(page1, 300, 20), 255);                    // the bottom strip
    EXPECT_LT(darkestIn(page1, QRectF(100, 405, 90, 28)), 40); // signature
    EXPECT_LT(darkestIn(page1, QRectF(100, 29, 90, 28)), 40);  // and on the copy
    EXPECT_EQ(pdfPageText(path, 1).count(QStringLiteral("03/05/26")), 2);

    const QImage page2 = pdfPageRaster(path, 2);
    EXPECT_NEAR(greyAt(page2, 300, 600), 120, 6);
    EXPECT_NEAR(greyAt(page2, 300, 200), 150, 6);
    EXPECT_NEAR(greyAt(page2, 500, 700), 120, 6); // the box is page 1's only
    EXPECT_EQ(pdfPageText(path, 2).count(QStringLiteral("03/05/26")), 2);

    const QImage page3 = pdfPageRaster(path, 3);
    EXPECT_NEAR(greyAt(page3, 300, 600), 180, 6);
    EXPECT_NEAR(greyAt(page3, 300, 200), 180, 6);
    EXPECT_NEAR(greyAt(page3, 150, 45), 180, 6); // the copy's signature is not on page 3
    EXPECT_LT(darkestIn(page3, QRectF(100, 405, 90, 28)), 40);
    EXPECT_EQ(pdfPageText(path, 3).count(QStringLiteral("03/05/26")), 1);
}

TEST_F(GEMLabelViewTest, TheIndiciumAndTheInstructionsWhenAsked)
{
    for (const bool instructions : {false, true}) {
        SCOPED_TRACE(instructions);
        defaults().setBool(instructions, QStringLiteral("printCustomsInstructions"));
        QVGEMLabelView view;
        ASSERT_TRUE(view.setLabelPDF(greyPagesPdf(labelGreys)));
        ASSERT_TRUE(view.setIndiciumPDF(greyPagesPdf({0}, QSizeF(141, 89))));
        const QString path = outputPath(QStringLiteral("gem-instructions-%1.pdf").arg(instructions));
        ASSERT_TRUE(view.printLabel(letterToFile(path)));
        const QImage page1 = pdfPageRaster(path, 1);
        EXPECT_LT(greyAt(page1, 450, 740), 30); // the indicium
        const QImage page3 = pdfPageRaster(path, 3);
        // The instructions' frame runs 18 points inside their page, which
        // is drawn 20 points above the bottom edge.
        EXPECT_EQ(darkestIn(page3, QRectF(16, 100, 4, 200)) < 100, instructions);
        EXPECT_NEAR(greyAt(page3, 300, 600), 180, 6); // label page 4 above them
        EXPECT_NEAR(greyAt(page3, 500, 60), 180, 6);  // and through their empty parts
    }
}

TEST_F(GEMLabelViewTest, AShortOrUnreadableLabelIsNeverACrash)
{
    // Two pages: the places of pages 2 to 4 stay blank.
    QVGEMLabelView view;
    ASSERT_TRUE(view.setLabelPDF(greyPagesPdf({60, 90})));
    const QString path = outputPath(QStringLiteral("gem-short.pdf"));
    ASSERT_TRUE(view.printLabel(letterToFile(path)));
    ASSERT_EQ(pdfPageCount(path), 3);
    EXPECT_NEAR(greyAt(pdfPageRaster(path, 1), 300, 200), 90, 6);
    EXPECT_EQ(darkestIn(pdfPageRaster(path, 2), QRectF(0, 40, 612, 700)), 255);
    EXPECT_EQ(darkestIn(pdfPageRaster(path, 3), QRectF(0, 40, 612, 700)), 255);

    // Unreadable bytes: an error, and nothing prints.
    for (const QByteArray &bad : {QByteArray(), QByteArray("not a pdf"), greyPagesPdf({60}).left(200)}) {
        QVGEMLabelView broken;
        QString error;
        EXPECT_FALSE(broken.setLabelPDF(bad, &error));
        EXPECT_FALSE(error.isEmpty());
        error.clear();
        EXPECT_FALSE(broken.printLabel(letterToFile(outputPath(QStringLiteral("gem-broken.pdf"))), &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(broken.setIndiciumPDF(bad.isEmpty() ? QByteArray("x") : bad));
    }
}

TEST_F(GEMLabelViewTest, OnScreenTheViewShowsPageOne)
{
    QVGEMLabelView view;
    ASSERT_TRUE(view.setLabelPDF(greyPagesPdf(labelGreys)));
    view.setCustomFieldString(QStringLiteral("Order 1234"), QStringLiteral("Top"));
    const QImage shown = view.grab().toImage().convertToFormat(QImage::Format_Grayscale8);
    shown.save(outputPath(QStringLiteral("gem-screen.png")));
    const qreal scale = shown.width() / 612.0;
    auto greyOnScreen = [&](qreal x, qreal yUp) {
        return qGray(shown.pixel(int(x * scale), int((792 - yUp) * scale)));
    };
    EXPECT_NEAR(greyOnScreen(300, 600), 60, 8);
    EXPECT_EQ(greyOnScreen(500, 700), 255);
    EXPECT_NEAR(greyOnScreen(300, 200), 90, 8);
}

TEST_F(GEMLabelViewTest, CustomLinesShrinkToSixPointsAndKeepTheirPlace)
{
    QVGEMLabelView view;
    const QRectF top = frameOf(view.topCustomField());
    view.setCustomFieldString(QStringLiteral("Short"), QStringLiteral("Top"));
    EXPECT_EQ(view.topCustomField()->pointSize(), 7);
    view.setCustomFieldString(QString(200, QLatin1Char('W')), QStringLiteral("Top"));
    EXPECT_EQ(view.topCustomField()->pointSize(), 6);
    EXPECT_EQ(frameOf(view.topCustomField()), top);
    view.setCustomFieldString(QStringLiteral("Ignored"), QStringLiteral("Middle"));
    EXPECT_EQ(view.bottomCustomField()->text(), QString());
    EXPECT_EQ(QVGEMLabelView::printJobTitle(), QStringLiteral("Global Express Mail Label"));
}

} // namespace
