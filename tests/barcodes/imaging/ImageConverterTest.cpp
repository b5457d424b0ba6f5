// One-bit image converter: the bitmap form, the grey cut, rotation, the four
// dither methods and their amounts, and an unknown method.
#include "barcodes/imaging/ImageConverter.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace tolvane;

namespace {

QImage uniform(int width, int height, int grey)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(qRgb(grey, grey, grey));
    return image;
}

// Pixel (x, y) of the converter's bitmap: true for black (a dot).
bool black(ImageConverter &converter, qint64 x, qint64 y)
{
    const auto *bits = converter.bitmap();
    return ((*bits)[size_t(y * converter.bytesPerRow() + x / 8)] & (0x80 >> (x % 8))) == 0;
}

int blackCount(ImageConverter &converter)
{
    int count = 0;
    for (qint64 y = 0; y < converter.height(); ++y)
        for (qint64 x = 0; x < converter.width(); ++x)
            count += black(converter, x, y);
    return count;
}

} // namespace

TEST(ImageConverter, TransparentImageIsAllWhiteAndRowsArePaddedWithOnes)
{
    ImageConverter converter;
    QImage clear(10, 4, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    converter.setImage(clear);
    EXPECT_EQ(converter.width(), 10);
    EXPECT_EQ(converter.bytesPerRow(), 2);
    const auto data = converter.imageData();
    ASSERT_TRUE(data);
    EXPECT_EQ(*data, QByteArray(8, char(0xFF)));

    // Black 10-pixel rows: the last 6 bits of every row stay 1.
    converter.setImage(uniform(10, 3, 0));
    const auto dark = converter.imageData();
    ASSERT_TRUE(dark);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(quint8((*dark)[row * 2]), 0x00);
        EXPECT_EQ(quint8((*dark)[row * 2 + 1]), 0x3F);
    }
    const QImage preview = converter.imagePreview();
    EXPECT_EQ(preview.format(), QImage::Format_Mono);
    EXPECT_EQ(preview.size(), QSize(10, 3));
    EXPECT_EQ(preview.pixel(0, 0), qRgb(0, 0, 0));
}

TEST(ImageConverter, Grey127IsBlackAnd128WhiteForEveryMethodWithoutAmount)
{
    for (int type :
         {ImageConverter::Noise, ImageConverter::Ordered3, ImageConverter::Ordered4, ImageConverter::ErrorDiffusion}) {
        ImageConverter converter;
        converter.setDitherType(type);
        converter.setImage(uniform(9, 9, 127));
        EXPECT_EQ(blackCount(converter), 81) << "type " << type;
        converter.setImage(uniform(9, 9, 128));
        EXPECT_EQ(blackCount(converter), 0) << "type " << type;
    }
    // A semi-transparent pixel is white whatever its colour.
    ImageConverter converter;
    QImage image = uniform(2, 1, 0);
    image.setPixel(1, 0, qRgba(0, 0, 0, 254));
    converter.setImage(image);
    EXPECT_TRUE(black(converter, 0, 0));
    EXPECT_FALSE(black(converter, 1, 0));
}

TEST(ImageConverter, RotationTurnsClockwiseAndScalingSamplesNearestPixels)
{
    // 30 x 20, every pixel a distinct grey: column c and row r.
    QImage source(30, 20, QImage::Format_ARGB32);
    for (int r = 0; r < 20; ++r)
        for (int c = 0; c < 30; ++c)
            source.setPixel(c, r, qRgb(c * 8, r * 12, 0));
    ImageConverter converter;
    converter.setImage(source);
    EXPECT_EQ(converter.imageSize(), QSizeF(30, 20));
    auto greyOf = [&](int c, int r) { return converter.greymap()[size_t(r * converter.width() + c)]; };
    auto expectedGrey = [&](int c, int r) {
        const QRgb p = source.pixel(c, r);
        return int(std::lround((0.299 * qRed(p) + 0.587 * qGreen(p) + 0.114 * qBlue(p)) / 255.0 * 255));
    };
    EXPECT_EQ(greyOf(0, 0), expectedGrey(0, 0)) << "top row from the top";
    EXPECT_EQ(greyOf(29, 19), expectedGrey(29, 19));

    converter.setRotate(true);
    EXPECT_EQ(converter.width(), 20);
    EXPECT_EQ(converter.height(), 30);
    EXPECT_EQ(converter.imageSize(), QSizeF(20, 30));
    // First row: the source's left column read upward.
    for (int x = 0; x < 20; ++x)
        EXPECT_EQ(greyOf(x, 0), expectedGrey(0, 19 - x)) << x;
    // The turned image's right column is the source's top row.
    for (int y = 0; y < 30; ++y)
        EXPECT_EQ(greyOf(19, y), expectedGrey(y, 0)) << y;
    ASSERT_TRUE(converter.imageData());
    EXPECT_EQ(converter.imageData()->size(), 3 * 30);

    // Half size without rotation: every other pixel, top row from the top.
    converter.setRotate(false);
    converter.setTargetSize(QSizeF(15, 10));
    ASSERT_TRUE(converter.bitmap());
    EXPECT_EQ(converter.width(), 15);
    EXPECT_EQ(converter.height(), 10);
    EXPECT_EQ(greyOf(0, 0), expectedGrey(0, 0));
    EXPECT_EQ(greyOf(7, 0), expectedGrey(14, 0));
    // Below one pixel: an empty bitmap.
    converter.setTargetSize(QSizeF(0.5, 10));
    ASSERT_TRUE(converter.bitmap());
    EXPECT_TRUE(converter.bitmap()->empty());
}

TEST(ImageConverter, DitherAmountsMixUniformGreys)
{
    // Error diffusion: amount 100 mixes a grey of 128, amount 0 leaves it white.
    ImageConverter diffusion;
    diffusion.setImage(uniform(16, 16, 128));
    EXPECT_EQ(blackCount(diffusion), 0);
    diffusion.setDitherAmount(100);
    const int mixed = blackCount(diffusion);
    EXPECT_GT(mixed, 256 / 4);
    EXPECT_LT(mixed, 3 * 256 / 4);

    // Ordered 4 x 4 with amount 16 at a grey just above the cut: the
    // matrix's negative offsets stay white, the large positive ones black.
    ImageConverter ordered;
    ordered.setDitherType(ImageConverter::Ordered4);
    ordered.setDitherAmount(16);
    ordered.setImage(uniform(8, 8, 140));
    // (140 * 210) / 256 + 23 = 137 < offset + 128 when offset > 9:
    // offsets 16 * m / 8 = 2m, so m of 5, 6 and 7.
    int expected = 0;
    const int m[16] = {-8, 4, -6, 6, 0, -4, 2, -2, -5, 7, -7, 5, 3, -1, 1, -3};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool dot = 2 * m[(x % 4) * 4 + (y % 4)] > 9;
            expected += dot;
            EXPECT_EQ(black(ordered, x, y), dot) << x << "," << y;
        }
    EXPECT_EQ(blackCount(ordered), expected);

    // Ordered 3 x 3: offset amount * m / 4, truncated toward zero.
    ordered.setDitherType(ImageConverter::Ordered3);
    ordered.setDitherAmount(10);
    ordered.setImage(uniform(3, 3, 133)); // (133 * 210) / 256 + 23 = 132
    const int m3[9] = {-4, 2, -1, 0, 3, -2, 1, -3, 4};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(black(ordered, x, y), 132 < 10 * m3[x * 3 + y] / 4 + 128) << x << "," << y;

    // Noise with an amount darkens some pixels of a grey just above the cut.
    ImageConverter noise;
    noise.setDitherType(ImageConverter::Noise);
    noise.setImage(uniform(32, 32, 140)); // (140 * 180) / 256 + 38 = 136
    EXPECT_EQ(blackCount(noise), 0);
    noise.setDitherAmount(64);
    const int speckled = blackCount(noise);
    EXPECT_GT(speckled, 0);
    EXPECT_LT(speckled, 32 * 32);
}

TEST(ImageConverter, UnknownDitherTypeGivesNoBitmapAndNoData)
{
    ImageConverter converter;
    converter.setImage(uniform(4, 4, 0));
    for (int type : {-1, 4, 99}) {
        converter.setDitherType(type);
        EXPECT_EQ(converter.bitmap(), nullptr);
        EXPECT_FALSE(converter.imageData());
        EXPECT_TRUE(converter.imagePreview().isNull());
    }
}
