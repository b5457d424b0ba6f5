// Stamp indicia: the 12 x 36 Data Matrix symbol of the stamp window's sample
// stamp read back by dmtxread and ZXingReader, its cells and void overlay in
// the view, a failed encode, and both stamp views filled in the stamp
// window's calling order, in their PDFs and 300 dpi rasters (the symbol in
// the views read by dmtxread, which finds it turned and among the texts).
#include "barcodes/imaging/ViewGeometry.h"
#include "barcodes/imaging/ViewOutput.h"
#include "barcodes/indicia/QVDataMatrixBarcode.h"
#include "barcodes/indicia/QVStampIndiciumView.h"

#include "ViewTestSupport.h"

#include <QFontMetricsF>
#include <QPainter>
#include <gtest/gtest.h>

using namespace tolvane;
using namespace tolvane::test;

namespace {

// The stamp window's sample stamp.
const QByteArray &sampleStamp()
{
    static const QByteArray bytes = QByteArray::fromHex("FFC0F400007189A2077201000000000000000000");
    return bytes;
}

QByteArray dmtxreadBytes(const QString &png)
{
    QByteArray out;
    int exitCode = 0;
    if (!runTool(QStringLiteral("dmtxread"), {QStringLiteral("-N1"), png}, &out, nullptr, &exitCode) || exitCode != 0)
        return QByteArray();
    return out;
}

// The stamp window's order for one stamp.
template <typename View>
std::unique_ptr<View> filledStamp(const std::shared_ptr<const QVDataMatrixBarcode> &symbol, bool sample)
{
    auto view = std::make_unique<View>();
    view->setTheBarcode(symbol);
    view->setTheMailedFrom(QStringLiteral("10001"));
    view->setDrawVoidBarcode(sample);
    view->setTheDollarAmount(QStringLiteral("$0.58"));
    view->setTheMailClass(QStringLiteral("FIRST-CLASS"));
    view->setRateClassification(QStringLiteral("Commercial Base Pricing"));
    view->setTheMeterID(sample ? QStringLiteral("SAMPLE") : QStringLiteral("TEST-METER"));
    view->setThePieceCount(sample ? 0 : 42);
    return view;
}

} // namespace

TEST(QVDataMatrixBarcode, SampleStampGivesA12By36SymbolThatDecodersReadBack)
{
    ASSERT_EQ(sampleStamp().size(), 20);
    EXPECT_EQ(QVDataMatrixBarcode::escapedText(QByteArray("\x00\xff", 2)), QByteArray("~d000~d255"));
    const auto symbol = QVDataMatrixBarcode::initWithData(sampleStamp());
    ASSERT_TRUE(symbol);
    EXPECT_EQ(symbol->matrix()->rows, 12);
    EXPECT_EQ(symbol->matrix()->columns, 36);
    const QString png = outputPath(QStringLiteral("stamp-symbol.png"));
    ASSERT_TRUE(writeModuleGridPng(
        12, 36, [&](int r, int c) { return symbol->cell(r + 1, c + 1); }, png, 8, 8, 4, 4));
    if (haveProgram(QStringLiteral("dmtxread"))) {
        EXPECT_EQ(dmtxreadBytes(png).toHex(), sampleStamp().toHex());
    }
    if (haveProgram(QStringLiteral("ZXingReader"))) {
        EXPECT_EQ(zxingBytes(png, QStringLiteral("DataMatrix"), {QStringLiteral("-ispure")}).toHex(),
                  sampleStamp().toHex());
    }
}

TEST(QVDataMatrixBarcode, DataThatDoesNotFitGivesNoSymbolAndTheEncoderMessage)
{
    testing::internal::CaptureStdout();
    const auto symbol = QVDataMatrixBarcode::initWithData(QByteArray(60, 'x'));
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(symbol);
    EXPECT_NE(out.find("ERROR : Encode of ~d120~d120"), std::string::npos) << out;
    EXPECT_NE(out.find("was not successful."), std::string::npos);

    QVDataMatrixView view;
    view.resize(36, 12);
    view.setMatrix(symbol);
    EXPECT_TRUE(view.drawVoid());
    QImage image(view.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 36; ++x)
            ASSERT_EQ(qAlpha(image.pixel(x, y)), 0) << "nothing drawn, not even the overlay";
}

TEST(QVDataMatrixView, OnePointCellsIn36By12PointsAndTheQuarterTurn)
{
    const auto symbol = QVDataMatrixBarcode::initWithData(sampleStamp());
    ASSERT_TRUE(symbol);
    QVDataMatrixView view;
    view.setMatrix(symbol);
    view.setDrawVoid(false);
    view.resize(36, 12);
    // Ten pixels a point: every cell a 10 x 10 square of one colour.
    QImage image(360, 120, QImage::Format_Grayscale8);
    image.fill(128);
    {
        QPainter painter(&image);
        painter.scale(10, 10);
        view.draw(painter);
    }
    for (int r = 1; r <= 12; ++r)
        for (int c = 1; c <= 36; ++c) {
            const int expected = symbol->cell(r, c) ? 0 : 255;
            for (int dy : {0, 9})
                for (int dx : {0, 9})
                    ASSERT_EQ(qGray(image.pixel((c - 1) * 10 + dx, (r - 1) * 10 + dy)), expected)
                        << "cell " << r << "," << c;
        }
    // Turned by -90 degrees in a 12 x 36 frame: row 1 runs down the right edge.
    view.resize(12, 36);
    view.setFrameRotation(-90);
    EXPECT_EQ(view.boundsSize(), QSizeF(36, 12));
    QImage turned(120, 360, QImage::Format_Grayscale8);
    turned.fill(128);
    {
        QPainter painter(&turned);
        painter.scale(10, 10);
        view.draw(painter);
    }
    for (int r = 1; r <= 12; ++r)
        for (int c = 1; c <= 36; ++c)
            ASSERT_EQ(qGray(turned.pixel(120 - (r - 1) * 10 - 5, (c - 1) * 10 + 5)), symbol->cell(r, c) ? 0 : 255)
                << "cell " << r << "," << c;
}

TEST(QVDataMatrixView, VoidTextGrowsInWholePointsFrom12)
{
    QImage device(1, 1, QImage::Format_Mono);
    device.setDotsPerMeterX(qRound(72 / 0.0254));
    device.setDotsPerMeterY(qRound(72 / 0.0254));
    auto widthAt = [&](qreal size) {
        QFont font(QStringLiteral("Helvetica"));
        font.setPointSizeF(size);
        return QFontMetricsF(font, &device).horizontalAdvance(QStringLiteral("V O I D"));
    };
    QVDataMatrixView view;
    view.resize(36, 12); // text rectangle about 27.5 points: too narrow for 12 points
    EXPECT_EQ(view.voidFontSize(), 12);
    EXPECT_GT(widthAt(12), 36 * 0.85 * 0.9 * 0.95);

    view.resize(360, 120);
    const qreal size = view.voidFontSize();
    const qreal target = 360 * 0.85 * 0.9 * 0.95;
    EXPECT_EQ(size, std::floor(size));
    EXPECT_GT(size, 12);
    EXPECT_GE(widthAt(size), target);
    EXPECT_LT(widthAt(size - 1), target);
}

TEST(StampViews, FilledInTheStampWindowsOrderWithTheSampleStamp)
{
    const auto symbol = QVDataMatrixBarcode::initWithData(sampleStamp());
    ASSERT_TRUE(symbol);
    auto plain = filledStamp<QVStampIndiciumView>(symbol, true);
    auto upright = filledStamp<QVStamp2000IndiciumView>(symbol, true);
    struct Case {
        const char *name;
        QVStampIndiciumView *view;
        int rotation;
    } cases[] = {{"stamp", plain.get(), -90}, {"stamp2000", upright.get(), 0}};
    for (const Case &c : cases) {
        EXPECT_EQ(c.view->size(), QSize(80, 144));
        EXPECT_EQ(c.view->stampView()->pos(), QPoint(0, 0));
        EXPECT_EQ(c.view->barcode()->frameRotation(), c.rotation);
        EXPECT_EQ(c.view->barcode()->matrix().get(), symbol.get());
        EXPECT_TRUE(c.view->barcode()->drawVoid());
        EXPECT_EQ(c.view->meterID()->text(), QStringLiteral("SAMPLE"));
        EXPECT_EQ(c.view->pieceCount()->text(), QStringLiteral("0"));
        if (!haveProgram(QStringLiteral("pdftotext")))
            continue;
        const QString text = pdfText(writePdf(dataWithPDF(c.view), QStringLiteral("%1-sample.pdf").arg(c.name)));
        for (const char *expected : {"SAMPLE", "$0.58", "FIRST-CLASS", "10001", "Commercial Base Pricing"})
            EXPECT_TRUE(text.contains(QLatin1String(expected))) << c.name << ": " << expected << "\n"
                                                                << text.toStdString();
        // pdftotext joins the spaced letters of the overlay.
        EXPECT_TRUE(QString(text).remove(QLatin1Char(' ')).contains(QLatin1String("VOID"))) << c.name;
    }
}

TEST(StampViews, RealStampsDecodeFromA300DpiRaster)
{
    if (!haveProgram(QStringLiteral("pdftoppm")) || !haveProgram(QStringLiteral("dmtxread")))
        GTEST_SKIP() << "pdftoppm or dmtxread missing";
    const QByteArray bytes = QByteArray::fromHex("0102030405060708090A0B0C0D0E0F1011121314");
    const auto symbol = QVDataMatrixBarcode::initWithData(bytes);
    ASSERT_TRUE(symbol);
    auto plain = filledStamp<QVStampIndiciumView>(symbol, false);
    auto upright = filledStamp<QVStamp2000IndiciumView>(symbol, false);
    for (auto [name, view] : {std::pair{"stamp-real", static_cast<QVStampIndiciumView *>(plain.get())},
                              std::pair{"stamp2000-real", static_cast<QVStampIndiciumView *>(upright.get())}}) {
        const QString pdf = writePdf(dataWithPDF(view), QStringLiteral("%1.pdf").arg(name));
        EXPECT_FALSE(QString(pdfText(pdf)).remove(QLatin1Char(' ')).contains(QLatin1String("VOID")));
        const QImage raster = pdfRaster(pdf, 300);
        const QString png = outputPath(QStringLiteral("%1.png").arg(name));
        withQuietZone(raster, 40).save(png);
        EXPECT_EQ(dmtxreadBytes(png).toHex(), bytes.toHex()) << name;
    }
}

TEST(StampViews, TheTenthCentDigitShowsOnceRaisedBesideTheCents)
{
    const struct {
        const char *amount, *shown, *tenth;
    } cases[] = {{"0.480", "0.48", "0"}, {"$10.585", "$10.58", "5"}, {"$0.58", "$0.58", "0"}, {"1", "1", "0"}};
    for (bool upright : {false, true}) {
        std::unique_ptr<QVStampIndiciumView> view =
            upright ? std::make_unique<QVStamp2000IndiciumView>() : std::make_unique<QVStampIndiciumView>();
        for (const auto &c : cases) {
            view->setTheDollarAmount(QString::fromLatin1(c.amount));
            EXPECT_EQ(view->dollarAmount()->text(), QString::fromLatin1(c.shown)) << c.amount;
            auto *tenth = qobject_cast<QVTextField *>(view->tenthCentView());
            ASSERT_NE(tenth, nullptr);
            EXPECT_EQ(tenth->text(), QString::fromLatin1(c.tenth)) << c.amount;
        }
    }
}

TEST(StampViews, TenthCentDigitFollowsTheAmountAndTheGroundIsWhite)
{
    for (bool upright : {false, true}) {
        std::unique_ptr<QVStampIndiciumView> view =
            upright ? std::make_unique<QVStamp2000IndiciumView>() : std::make_unique<QVStampIndiciumView>();
        EXPECT_TRUE(view->rateClassificationTextField()->text().isEmpty()) << "empty until set";
        const QRectF nibAmount = frameOf(view->dollarAmount());
        const qreal gap = frameOf(view->tenthCentView()).x() - (nibAmount.x() + nibAmount.width());
        const QRectF nibTenth = frameOf(view->tenthCentView());

        view->setTheDollarAmount(QStringLiteral("$10.58"));
        const QRectF longAmount = frameOf(view->dollarAmount());
        const QRectF longTenth = frameOf(view->tenthCentView());
        EXPECT_DOUBLE_EQ(longTenth.x(), longAmount.x() + longAmount.width() + gap);
        EXPECT_EQ(longTenth.y(), nibTenth.y());
        EXPECT_EQ(longTenth.size(), nibTenth.size());

        view->setTheDollarAmount(QStringLiteral("$0.58"));
        const QRectF shortAmount = frameOf(view->dollarAmount());
        EXPECT_LT(shortAmount.width(), longAmount.width());
        EXPECT_DOUBLE_EQ(frameOf(view->tenthCentView()).x(), longTenth.x() - (longAmount.width() - shortAmount.width()))
            << "moved left by the width the amount lost";

        QImage image(view->size(), QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        view->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        EXPECT_EQ(image.pixel(79, 143), qRgb(255, 255, 255));
        EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
    }
}
