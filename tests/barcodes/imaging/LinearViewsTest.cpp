// Linear barcode views (Code 128, GS1-128, Code 39, Intelligent Mail): their
// PDFs rasterised by pdftoppm and read by zbarimg and ZXingReader, sizes at
// the defaults measured from the raster, the Intelligent Mail letters read
// back from the bar heights, and texts the encoders refuse.
#include "barcodes/imaging/QVCode128View.h"
#include "barcodes/imaging/QVCode39View.h"
#include "Epl2Checker.h"
#include "barcodes/imaging/QVUSPS4CBView.h"
#include "barcodes/imaging/ViewOutput.h"
#include "barcodes/linear/UCCEAN128Formatting.h"
#include "barcodes/linear/USPS4CBFormatting.h"
#include "model/QVAddress.h"

#include "ConsoleCapture.h"
#include "LinearBarcodeSupport.h"
#include "ViewTestSupport.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace tolvane;
using namespace tolvane::test;

namespace {

// The view's PDF rasterised at dpi, with a quiet zone, saved as PNG.
QString rasterOfView(QWidget *view, const QString &name, int dpi, QImage *raster = nullptr)
{
    const QString pdf = writePdf(dataWithPDF(view), name + QStringLiteral(".pdf"));
    const QImage image = pdfRaster(pdf, dpi);
    if (raster)
        *raster = image;
    const QString png = outputPath(name + QStringLiteral(".png"));
    withQuietZone(image, 60).save(png);
    return png;
}

bool haveTools()
{
    return haveProgram(QStringLiteral("pdftoppm")) && haveProgram(QStringLiteral("zbarimg")) &&
        haveProgram(QStringLiteral("ZXingReader"));
}

// Columns of the image's first row through y that are dark, as runs
// [start, end) in pixels.
std::vector<std::pair<int, int>> darkRuns(const QImage &image, int y)
{
    std::vector<std::pair<int, int>> runs;
    int x = 0;
    while (x < image.width()) {
        if (qGray(image.pixel(x, y)) >= 128) {
            ++x;
            continue;
        }
        const int start = x;
        while (x < image.width() && qGray(image.pixel(x, y)) < 128)
            ++x;
        runs.emplace_back(start, x);
    }
    return runs;
}

} // namespace

TEST(LinearViews, Code128AndGS1PdfsDecodeWithBothReaders)
{
    if (!haveTools())
        GTEST_SKIP() << "pdftoppm, zbarimg or ZXingReader missing";
    const QString package = stringByEncodingUSPSConfirmationNumber(QStringLiteral("420123459405511899223344556677"));
    ASSERT_EQ(package, QStringLiteral("42012345~9999405511899223344556677"));
    struct Case {
        const char *name;
        QVCode128View *view;
        QString text;
        QByteArray expected;
        bool gs1;
    };
    QVCode128View plain;
    QVGS1Code128View gs1;
    const Case cases[] = {
        {"code128", &plain, QStringLiteral("ABC12345"), QByteArrayLiteral("ABC12345"), false},
        {"gs1-128", &gs1, package,
         QByteArrayLiteral("42012345\x1d"
                           "9405511899223344556677"),
         true},
    };
    for (const Case &c : cases) {
        c.view->resize(320, 72);
        c.view->setBarcodeText(c.text);
        ASSERT_FALSE(c.view->bitPattern().isEmpty()) << c.name;
        const QString png = rasterOfView(c.view, QLatin1String(c.name), 300);
        const DecodedSymbol zbar = decodeWithZbar(png), zxing = decodeWithZXing(png);
        EXPECT_TRUE(zbar.found) << c.name << zbar.diagnostics.toStdString();
        EXPECT_TRUE(zxing.found) << c.name << zxing.diagnostics.toStdString();
        EXPECT_EQ(zbar.bytes, c.expected) << c.name;
        EXPECT_EQ(zxing.bytes, c.expected) << c.name;
        EXPECT_EQ(zbar.gs1, c.gs1) << c.name;
        EXPECT_EQ(zxing.gs1, c.gs1) << c.name;
    }
}

TEST(LinearViews, Code128BarsAreCentredAtTheModuleSizes)
{
    QVCode128View view;
    EXPECT_EQ(view.moduleWidth(), 0.015);
    EXPECT_EQ(view.moduleHeight(), 0.75);
    view.resize(200, 80);
    view.setBarcodeText(QStringLiteral("1234"));
    const QByteArray modules = view.bitPattern();
    ASSERT_EQ(modules.size(), 11 * 4 + 13); // start, 12, 34, check, stop
    // Ten pixels a point.
    QImage image(2000, 800, QImage::Format_Grayscale8);
    image.fill(255);
    {
        QPainter painter(&image);
        painter.scale(10, 10);
        view.draw(painter);
    }
    const qreal w = 0.015 * 72 * 10, h = 0.75 * 72 * 10;
    const qreal x0 = (2000 - modules.size() * w) / 2;
    const auto runs = darkRuns(image, 400);
    ASSERT_FALSE(runs.empty());
    EXPECT_NEAR(runs.front().first, x0, 1);
    EXPECT_NEAR(runs.back().second, 2000 - x0, 1);
    // Bar height: the first bar's dark rows.
    int top = 0;
    while (qGray(image.pixel(runs.front().first + 1, top)) >= 128)
        ++top;
    EXPECT_NEAR(top, (800 - h) / 2, 1);

    // A symbol wider than the view overhangs both edges equally.
    view.resize(40, 80);
    QImage wide(3000, 800, QImage::Format_Grayscale8);
    wide.fill(255);
    {
        QPainter painter(&wide);
        painter.translate(1000, 0);
        painter.scale(10, 10);
        view.draw(painter);
    }
    const auto wideRuns = darkRuns(wide, 400);
    ASSERT_FALSE(wideRuns.empty());
    EXPECT_LT(wideRuns.front().first, 1000);
    EXPECT_NEAR(1000 - wideRuns.front().first, wideRuns.back().second - 1400, 1);

    // A text of 101 characters gives no pattern and nothing drawn.
    view.setBarcodeText(QString(101, QLatin1Char('A')));
    EXPECT_TRUE(view.bitPattern().isEmpty());
    image.fill(255);
    {
        QPainter painter(&image);
        view.draw(painter);
    }
    EXPECT_TRUE(darkRuns(image, 40).empty());
    view.setBarcodeText(QString());
    EXPECT_TRUE(view.bitPattern().isEmpty());
}

TEST(LinearViews, Code39Is17Point28ASymbolCharacterAndDecodes)
{
    QVCode39View view;
    EXPECT_EQ(view.ratio(), 3.0);
    view.resize(300, 72);
    view.setBarcodeText(QStringLiteral("EA123456789US"));
    ASSERT_EQ(view.bitPattern().size(), 15 * 9);
    EXPECT_NEAR(view.symbolWidth(), 15 * 17.28, 1e-9);

    QImage image(3000, 720, QImage::Format_Grayscale8);
    image.fill(128);
    {
        QPainter painter(&image);
        painter.scale(10, 10);
        view.draw(painter);
    }
    const auto runs = darkRuns(image, 360);
    ASSERT_EQ(runs.size(), 15u * 5);
    // From the first bar to the last: every character but the last gap.
    EXPECT_NEAR(runs.back().second - runs.front().first, (15 * 17.28 - 1.08) * 10, 1.5);
    // Each character starts 17.28 points after the one before.
    for (int ch = 1; ch < 15; ++ch)
        EXPECT_NEAR(runs[ch * 5].first - runs[(ch - 1) * 5].first, 172.8, 1.0) << "character " << ch;
    // Spaces are painted white, the gaps are not painted.
    const int gapX = runs[4].second + 2; // after the first character's last bar
    EXPECT_EQ(qGray(image.pixel(gapX, 360)), 128);
    EXPECT_EQ(qGray(image.pixel(runs[0].second + 2, 360)), 255);

    if (!haveTools())
        GTEST_SKIP() << "pdftoppm, zbarimg or ZXingReader missing";
    const QString png = rasterOfView(&view, QStringLiteral("code39"), 300);
    const DecodedSymbol zbar = decodeWithZbar(png), zxing = decodeWithZXing(png);
    EXPECT_EQ(zbar.bytes, QByteArrayLiteral("EA123456789US")) << zbar.diagnostics.toStdString();
    EXPECT_EQ(zxing.bytes, QByteArrayLiteral("EA123456789US")) << zxing.diagnostics.toStdString();
}

TEST(LinearViews, IntelligentMailBarsMeasuredFromTheRasterMatchTheEncoder)
{
    if (!haveProgram(QStringLiteral("pdftoppm")))
        GTEST_SKIP() << "pdftoppm missing";
    QVUSPS4CBView view;
    view.resize(QVUSPS4CBView::symbolSize().toSize());
    const QString text = QStringLiteral("0123456709498765432101234567891");
    view.setBarcodeText(text);
    const QByteArray letters = dataByEncodingConfirmNumber(text);
    ASSERT_EQ(view.bitPattern(), letters);
    ASSERT_EQ(letters.size(), 66);

    // At 720 dpi (ten pixels a point) and at printer resolutions the bars
    // read as the encoder's letters, 22 to the inch, with widths and heights
    // in the public ranges, all inside the view.
    for (const int dpi : {720, 600, 300, 203}) {
        QImage raster;
        rasterOfView(&view, QStringLiteral("imb-%1").arg(dpi), dpi, &raster);
        const FourStateBarGeometry geometry = measureFourStateBars(raster, raster.rect(), dpi);
        EXPECT_EQ(geometry.letters.toLatin1(), letters.left(65)) << dpi;
        EXPECT_TRUE(geometry.problems().isEmpty())
            << dpi << " dpi: " << geometry.problems().join(QStringLiteral("; ")).toStdString();
        EXPECT_NEAR(geometry.barsPerInch, 22, 0.5) << dpi;
    }
}

TEST(LinearViews, RefusedIntelligentMailTextDrawsNothingAndLogsTheCode)
{
    ConsoleCapture console;
    QVUSPS4CBView view;
    view.resize(150, 12);
    view.setBarcodeText(QStringLiteral("01234567094987654321") + QStringLiteral("012345"));
    EXPECT_TRUE(view.bitPattern().isNull());
    EXPECT_TRUE(console.lines().contains(QStringLiteral("USPS4CB returned 12")));
    QImage image(view.size(), QImage::Format_Grayscale8);
    image.fill(255);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    for (int y = 0; y < image.height(); ++y)
        EXPECT_TRUE(darkRuns(image, y).empty());
}

TEST(LinearViews, IntelligentMailTextOfEveryAddressFormIsTakenByTheEncoder)
{
    // Address parts the lossy ZIP would pass as 2, 4, 6 or 7 digits.
    struct Case {
        const char *zip5, *zip4, *zip2;
        int routingLength;
    } cases[] = {{"12345", "6789", "01", 11}, {"12345", "6789", "", 9}, {"12345", "", "01", 5},
                 {"", "6789", "01", 0},       {"1234", "6789", "", 0},  {"12345", "67", "01", 5}};
    for (const Case &c : cases) {
        QVAddress address;
        address.setObject(QString::fromLatin1(c.zip5), QVAddressZIP5Key);
        address.setObject(QString::fromLatin1(c.zip4), QVAddressZIP4Key);
        address.setObject(QString::fromLatin1(c.zip2), QVAddressZIP2Key);
        const QString text = QVUSPS4CBView::intelligentMailBarcodeText(QStringLiteral("00270123456200800001"), address);
        EXPECT_EQ(text.size(), 20 + c.routingLength) << c.zip5 << "/" << c.zip4 << "/" << c.zip2;
        QVUSPS4CBView view;
        view.setBarcodeText(text);
        EXPECT_EQ(view.bitPattern().size(), 66) << c.zip5 << "/" << c.zip4 << "/" << c.zip2;
    }
}
