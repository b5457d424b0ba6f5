// Indicium PDF417 symbol and its view: the PDF417 layer's bitmap form, the
// symbol drawn into rectangles and the 520 x 125 grey bitmap read back by
// ZXingReader, the void band, the sample indicium and refused data.
#include "barcodes/indicia/QVBarcodeView.h"
#include "barcodes/indicia/QVVectorBarcode.h"
#include "platform/PDF417.h"

#include "ConsoleCapture.h"
#include "ViewTestSupport.h"

#include <QPainter>
#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace tolvane;
using tolvane::test::outputPath;

namespace {

// The symbol drawn into a grey image of the given size (no quiet zone).
QImage drawnSymbol(const QVVectorBarcode &symbol, QSize size)
{
    QImage image(size, QImage::Format_Grayscale8);
    image.fill(128);
    QPainter painter(&image);
    symbol.drawInRect(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

QByteArray decodedPdf417(const QImage &image, const QString &name)
{
    const QString path = outputPath(name + QStringLiteral(".png"));
    image.save(path);
    return tolvane::test::zxingBytes(path, QStringLiteral("PDF417"));
}

QByteArray randomBytes(int length, quint32 seed)
{
    QRandomGenerator generator(seed);
    QByteArray bytes(length, 0);
    for (char &c : bytes)
        c = char(generator.bounded(256));
    return bytes;
}

} // namespace

TEST(PDF417Layer, BitmapRowsHaveOneSpareByteAndSetBitsAreSpacesWhenInverted)
{
    const QByteArray text = QByteArrayLiteral("PDF417 layer");
    pdf417param plain, inverted;
    pdf417init(&plain);
    pdf417init(&inverted);
    plain.text = inverted.text = text.constData();
    plain.lenText = inverted.lenText = int(text.size());
    plain.options = PDF417_USE_ERROR_LEVEL;
    inverted.options = PDF417_USE_ERROR_LEVEL | PDF417_INVERT_BITMAP;
    plain.errorLevel = inverted.errorLevel = 4;
    paintCode(&plain);
    paintCode(&inverted);
    ASSERT_EQ(plain.error, 0);
    ASSERT_EQ(inverted.error, 0);
    EXPECT_EQ(plain.bitColumns, inverted.bitColumns);
    EXPECT_EQ(plain.lenBits, (plain.bitColumns / 8 + 1) * plain.codeRows);
    // Every PDF417 row starts with the start pattern 11111111010101000 and
    // ends with the stop pattern 111111101000101001.
    const int rowBytes = plain.bitColumns / 8 + 1;
    auto bit = [&](const pdf417param &p, int row, int column) {
        return (p.outBits[row * rowBytes + column / 8] >> (7 - column % 8)) & 1;
    };
    const char *start = "11111111010101000";
    for (int row = 0; row < plain.codeRows; ++row) {
        for (int c = 0; c < 17; ++c) {
            EXPECT_EQ(bit(plain, row, c), start[c] - '0') << "row " << row << " column " << c;
            EXPECT_EQ(bit(inverted, row, c), 1 - (start[c] - '0'));
        }
        EXPECT_EQ(bit(plain, row, plain.bitColumns - 1), 1);
    }
    pdf417free(&plain);
    pdf417free(&inverted);
    EXPECT_EQ(plain.outBits, nullptr);
}

TEST(PDF417Layer, ShapeIsNearTwoToSevenAndRefusalsGiveErrorNumbers)
{
    const QByteArray data = QVBarcodeView::sampleBarcodeData();
    pdf417param p;
    pdf417init(&p);
    p.text = data.constData();
    p.lenText = int(data.size());
    p.errorLevel = 4;
    p.options = PDF417_INVERT_BITMAP | PDF417_FORCE_BINARY | PDF417_USE_ERROR_LEVEL;
    p.aspectRatio = 0.2857143f;
    paintCode(&p);
    ASSERT_EQ(p.error, 0);
    const double ratio = 3.0 * p.codeRows / p.bitColumns;
    EXPECT_NEAR(ratio, 2.0 / 7.0, 0.06) << p.codeRows << " rows, " << p.bitColumns << " columns";

    // Fixed columns are honoured: 17 modules a data column, 69 for the rest.
    p.options |= PDF417_FIXED_COLUMNS;
    p.codeColumns = 3;
    paintCode(&p);
    ASSERT_EQ(p.error, 0);
    EXPECT_EQ(p.bitColumns, 69 + 17 * 3);
    pdf417free(&p);

    const QByteArray huge(4000, 'x');
    struct Case {
        const char *name;
        const char *text;
        int length, level, options, columns, expected;
    } cases[] = {
        {"no text", nullptr, 0, 4, PDF417_USE_ERROR_LEVEL, 0, PDF417_ERROR_INVALID_PARAMS},
        {"level 9", "abc", 3, 9, PDF417_USE_ERROR_LEVEL, 0, PDF417_ERROR_INVALID_PARAMS},
        {"31 columns", "abc", 3, 4, PDF417_USE_ERROR_LEVEL | PDF417_FIXED_COLUMNS, 31, PDF417_ERROR_INVALID_PARAMS},
        {"too big", huge.constData(), int(huge.size()), 4, PDF417_USE_ERROR_LEVEL, 0, PDF417_ERROR_TEXT_TOO_BIG},
    };
    for (const Case &c : cases) {
        pdf417init(&p);
        p.text = c.text;
        p.lenText = c.length;
        p.errorLevel = c.level;
        p.options = c.options;
        p.codeColumns = c.columns;
        paintCode(&p);
        EXPECT_EQ(p.error, c.expected) << c.name;
        EXPECT_EQ(p.outBits, nullptr) << c.name;
        pdf417free(&p);
    }
}

TEST(QVVectorBarcode, SampleAndRandomIndiciaDecodeToTheSameBytes)
{
    if (!tolvane::test::haveProgram(QStringLiteral("ZXingReader")))
        GTEST_SKIP() << "ZXingReader missing";
    std::vector<std::pair<QString, QByteArray>> inputs = {
        {QStringLiteral("sample"), QVBarcodeView::sampleBarcodeData()}};
    for (quint32 seed : {1u, 2u, 3u})
        inputs.emplace_back(QStringLiteral("random%1").arg(seed), randomBytes(98, seed));
    for (const auto &[name, bytes] : inputs) {
        ASSERT_EQ(bytes.size(), 98);
        const auto symbol = QVVectorBarcode::initWithData(bytes);
        ASSERT_TRUE(symbol) << name.toStdString();
        // Whole modules of 3 x 9 pixels with a quiet zone.
        const QImage whole = drawnSymbol(*symbol, QSize(symbol->width() * 3, symbol->height() * 9));
        EXPECT_EQ(decodedPdf417(tolvane::test::withQuietZone(whole, 30), name + QStringLiteral("-whole")).toHex(),
                  bytes.toHex())
            << name.toStdString();
        // The label printer's 520 x 125 grey bitmap, fractional modules.
        const QImage grey = drawnSymbol(*symbol, QSize(520, 125));
        EXPECT_EQ(decodedPdf417(tolvane::test::withQuietZone(grey, 30), name + QStringLiteral("-520x125")).toHex(),
                  bytes.toHex())
            << name.toStdString();
    }
}

TEST(QVVectorBarcode, DrawingScalesModulesAndPutsTheLastRowAtTheBottom)
{
    // A 2-row, 16-column bitmap: row 0 all black, row 1 black only in its
    // first column. 16 columns still take 16 / 8 + 1 = 3 bytes a row.
    const unsigned char bitmap[] = {0x00, 0x00, 0xFF, 0x7F, 0xFF, 0xFF};
    const auto symbol = QVVectorBarcode::initWithBuffer(bitmap, 16, 2);
    ASSERT_TRUE(symbol);
    EXPECT_EQ(symbol->bytesPerRow(), 3);
    EXPECT_EQ(symbol->data().size(), 6);
    for (QSize size : {QSize(32, 8), QSize(64, 20)}) {
        const QImage image = drawnSymbol(*symbol, size);
        const int cellW = size.width() / 16, cellH = size.height() / 2;
        EXPECT_EQ(qGray(image.pixel(size.width() - 1, 0)), 0) << "first row black across";
        EXPECT_EQ(qGray(image.pixel(cellW - 1, size.height() - 1)), 0) << "bottom row, first cell black";
        EXPECT_EQ(qGray(image.pixel(cellW, size.height() - 1)), 255) << "bottom row, second cell white";
        EXPECT_EQ(qGray(image.pixel(size.width() - 1, cellH)), 255) << "white cells painted";
    }
    EXPECT_FALSE(QVVectorBarcode::initWithBuffer(bitmap, 0, 2));
}

TEST(QVVectorBarcode, DataTooBigForASymbolGivesNoObjectAndTheConsoleLine)
{
    tolvane::test::ConsoleCapture console;
    QString error;
    EXPECT_FALSE(QVVectorBarcode::initWithData(QByteArray(3000, '\x01'), &error));
    EXPECT_EQ(error, QStringLiteral("pdferror is 1"));
    EXPECT_TRUE(console.lines().contains(QStringLiteral("pdferror is 1")));
    EXPECT_FALSE(QVVectorBarcode::initWithData(QByteArray(), &error));
    EXPECT_EQ(error, QStringLiteral("pdferror is 2"));
}

TEST(QVBarcodeView, SampleIsMadeOnceAndTheVoidBandCoversTheMiddle)
{
    EXPECT_EQ(&QVBarcodeView::sampleBarcodeData(), &QVBarcodeView::sampleBarcodeData());
    EXPECT_EQ(QVBarcodeView::sampleBarcode().get(), QVBarcodeView::sampleBarcode().get());
    EXPECT_EQ(QVBarcodeView::sampleBarcodeData().size(), 98);

    QVBarcodeView view;
    EXPECT_FALSE(view.barcode());
    EXPECT_TRUE(view.drawVoid());
    view.awakeFromNib();
    EXPECT_EQ(view.barcode().get(), QVBarcodeView::sampleBarcode().get());
    view.resize(200, 80);
    EXPECT_EQ(view.voidRect(), QRectF(30, 20, 140, 40));

    QImage image(view.size(), QImage::Format_Grayscale8);
    image.fill(128);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    // Inside the band: white except the words; the corners of the band white.
    EXPECT_EQ(qGray(image.pixel(31, 21)), 255);
    EXPECT_EQ(qGray(image.pixel(168, 58)), 255);
    // The symbol shows around the band: black modules left of it and above.
    int blackOutside = 0, blackInBandMargin = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 200; ++x) {
            const bool inBand = x >= 30 && x < 170 && y >= 20 && y < 60;
            const bool black = qGray(image.pixel(x, y)) < 64;
            if (!inBand && black)
                ++blackOutside;
            // The band's upper quarter holds no text.
            if (inBand && y < 29 && black)
                ++blackInBandMargin;
        }
    EXPECT_GT(blackOutside, 1000);
    EXPECT_EQ(blackInBandMargin, 0);

    view.setDrawVoid(false);
    view.setBarcode(nullptr);
    image.fill(128);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(qGray(image.pixel(100, 40)), 128) << "no symbol, no band: nothing drawn";
}
