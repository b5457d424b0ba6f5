// Stealth and dollar indicium views: the sample marks and the real postage in
// their PDFs (read back with pdftotext, and the symbol with ZXingReader from
// a 300 dpi raster made by pdftoppm), the pricing line's toggle, the mail
// class's fitting, the envelope factory and the re-date mark.
#include "barcodes/imaging/ViewGeometry.h"
#include "barcodes/imaging/ViewOutput.h"
#include "barcodes/indicia/QVDollarIndiciumView.h"
#include "barcodes/indicia/QVStealthIndiciumView.h"
#include "platform/UserDefaults.h"

#include "ViewTestSupport.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace tolvane;
using namespace tolvane::test;

namespace {

struct IndiciumCase {
    const char *name;
    std::function<std::unique_ptr<QVIndiciumView>()> make;
    QSize size;
};

std::vector<IndiciumCase> indiciumCases()
{
    return {
        {"stealth", [] { return std::make_unique<QVStealthIndiciumView>(); }, QSize(175, 110)},
        {"dollar", [] { return std::make_unique<QVDollarIndiciumView>(); }, QSize(175, 110)},
        {"envelope", [] { return std::make_unique<QVEnvelopeDollarIndiciumView>(); }, QSize(216, 129)},
        {"envelope-left", [] { return std::make_unique<QVEnvelopeLeftAlignDollarIndiciumView>(); }, QSize(400, 129)},
    };
}

QByteArray indiciumBytes(quint32 seed)
{
    QRandomGenerator generator(seed);
    QByteArray bytes(98, 0);
    for (char &c : bytes)
        c = char(generator.bounded(256));
    return bytes;
}

bool havePopplerAndZXing()
{
    return haveProgram(QStringLiteral("pdftotext")) && haveProgram(QStringLiteral("pdftoppm")) &&
        haveProgram(QStringLiteral("ZXingReader"));
}

} // namespace

TEST(IndiciumViews, ANewViewIsASampleInItsPdf)
{
    if (!havePopplerAndZXing())
        GTEST_SKIP() << "poppler-utils or ZXingReader missing";
    for (const IndiciumCase &c : indiciumCases()) {
        auto view = c.make();
        EXPECT_EQ(view->size(), c.size) << c.name;
        EXPECT_EQ(view->container()->geometry(), QRect(QPoint(0, 0), c.size)) << c.name;
        EXPECT_EQ(view->barcodeView()->barcode().get(), QVBarcodeView::sampleBarcode().get()) << c.name;
        EXPECT_TRUE(view->barcodeView()->drawVoid()) << c.name;
        const QString pdf = writePdf(dataWithPDF(view.get()), QStringLiteral("%1-sample.pdf").arg(c.name));
        EXPECT_EQ(pdfPageSize(pdf), QStringLiteral("%1 x %2 pts").arg(c.size.width()).arg(c.size.height()));
        const QString text = pdfText(pdf);
        for (const char *expected : {"TEST SAMPLE", "* SAMPLE *", "VOID - DO NOT MAIL"})
            EXPECT_TRUE(text.contains(QLatin1String(expected))) << c.name << ": " << expected << " in\n"
                                                                << text.toStdString();
    }
}

TEST(IndiciumViews, RealPostageDecodesFromA300DpiRasterOfThePdf)
{
    if (!havePopplerAndZXing())
        GTEST_SKIP() << "poppler-utils or ZXingReader missing";
    quint32 seed = 10;
    for (const IndiciumCase &c : indiciumCases()) {
        const QByteArray bytes = indiciumBytes(++seed);
        auto view = c.make();
        if (auto *dollar = dynamic_cast<QVDollarIndiciumViewBase *>(view.get())) {
            dollar->setPostageClass(QStringLiteral("FIRST-CLASS MAIL"));
            dollar->setDollarAmount(QStringLiteral("$0.58"));
        }
        if (auto *stealth = dynamic_cast<QVStealthIndiciumView *>(view.get()))
            stealth->setMailingClass(QStringLiteral("FIRST-CLASS MAIL"));
        view->setMailedFrom(QStringLiteral("Mailed from ZIP 10001"));
        view->setBarcode(QVVectorBarcode::initWithData(bytes));
        view->setDrawVoidBarcode(false);
        view->setDate(QStringLiteral("DEC 10 2026"));
        view->setMeterID(QStringLiteral("TEST-METER"));
        const QString pdf = writePdf(dataWithPDF(view.get()), QStringLiteral("%1-real.pdf").arg(c.name));
        const QString text = pdfText(pdf);
        EXPECT_FALSE(text.contains(QLatin1String("VOID"))) << c.name;
        EXPECT_FALSE(text.contains(QLatin1String("SAMPLE"))) << c.name;
        for (const QString &expected : {QVIndiciumView::vendorWebAddress(), QStringLiteral("DEC 10 2026"),
                                        QStringLiteral("Mailed from ZIP 10001"), QStringLiteral("TEST-METER")})
            EXPECT_TRUE(text.contains(expected)) << c.name << ": " << expected.toStdString();
        const QImage raster = pdfRaster(pdf, 300);
        ASSERT_FALSE(raster.isNull()) << c.name;
        EXPECT_NEAR(raster.width(), c.size.width() * 300.0 / 72, 1.0) << c.name;
        const QString png = outputPath(QStringLiteral("%1-real-300.png").arg(c.name));
        withQuietZone(raster, 40).save(png);
        EXPECT_EQ(zxingBytes(png, QStringLiteral("PDF417")).toHex(), bytes.toHex()) << c.name;
    }
}

TEST(IndiciumViews, PricingLineHidesAndShowsMovingTheThreeFields)
{
    for (const IndiciumCase &c : indiciumCases()) {
        auto view = c.make();
        QVTextField *pricing = view->commercialPricingField();
        const bool label = c.size == QSize(175, 110);
        EXPECT_EQ(view->respondsToCommercialPricing(), label) << c.name;
        if (!label) {
            view->setDrawsCommercialBasePricing(false); // envelopes have no such line: nothing moves
            EXPECT_EQ(frameOf(view->barcodeView()).y(), frameOf(view->barcodeView()).y());
            continue;
        }
        QWidget *moving[] = {view->barcodeView(), view->meterIDField(), view->webAddressField()};
        QWidget *fixed[] = {view->dateField(), view->mailedFromField()};
        auto frames = [](QWidget *const *widgets, int n) {
            std::vector<QRectF> result;
            for (int i = 0; i < n; ++i)
                result.push_back(frameOf(widgets[i]));
            return result;
        };
        const auto nibMoving = frames(moving, 3), nibFixed = frames(fixed, 2);
        const qreal shift = pricing->height() - 2;
        EXPECT_GT(shift, 0);

        view->setDrawsCommercialBasePricing(true); // the current value: nothing moves
        EXPECT_EQ(frames(moving, 3), nibMoving) << c.name;

        view->setDrawsCommercialBasePricing(false);
        EXPECT_TRUE(pricing->isHidden());
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(frameOf(moving[i]), nibMoving[i].translated(0, shift)) << c.name << " field " << i;
        EXPECT_EQ(frames(fixed, 2), nibFixed);
        view->setDrawsCommercialBasePricing(false);
        EXPECT_EQ(frameOf(moving[0]), nibMoving[0].translated(0, shift)) << "second hide moves nothing";

        view->setDrawsCommercialBasePricing(true);
        EXPECT_FALSE(pricing->isHidden());
        EXPECT_EQ(frames(moving, 3), nibMoving) << c.name;
        EXPECT_EQ(frames(fixed, 2), nibFixed);

        // A hidden line is not in the PDF.
        view->setDiscountPricingString(QStringLiteral("Commercial Base Pricing"));
        if (haveProgram(QStringLiteral("pdftotext"))) {
            EXPECT_TRUE(pdfText(writePdf(dataWithPDF(view.get()), QStringLiteral("pricing.pdf")))
                            .contains(QLatin1String("Commercial Base Pricing")));
            view->setDrawsCommercialBasePricing(false);
            EXPECT_FALSE(pdfText(writePdf(dataWithPDF(view.get()), QStringLiteral("pricing.pdf")))
                             .contains(QLatin1String("Commercial Base Pricing")));
        }
    }
}

TEST(QVStealthIndiciumView, MailClassShrinksByQuarterPointsToSixPointsInItsFrame)
{
    QVStealthIndiciumView view;
    QVTextField *field = view.mailingClassField();
    const QRectF nibFrame = frameOf(field);
    const qreal nibSize = field->pointSize();

    view.setMailingClass(QString());
    EXPECT_EQ(field->pointSize(), nibSize) << "an empty class leaves the font";

    view.setMailingClass(QStringLiteral("PRIORITY MAIL"));
    EXPECT_EQ(field->pointSize(), nibSize) << "a class that fits keeps the size";

    const QString longer = QStringLiteral("PRIORITY MAIL EXPRESS 2-DAY COMMERCIAL PLUS");
    view.setMailingClass(longer);
    const qreal fitted = field->pointSize();
    EXPECT_LT(fitted, nibSize);
    EXPECT_GT(fitted, QVStealthIndiciumView::kMailingClassFloor);
    EXPECT_LE(field->fittingSize().width(), nibFrame.width());
    EXPECT_DOUBLE_EQ(std::fmod(nibSize - fitted, 0.25), 0.0);
    field->setPointSize(fitted + 0.25);
    EXPECT_GT(field->fittingSize().width(), nibFrame.width()) << "a quarter point more would not fit";
    EXPECT_EQ(frameOf(field), nibFrame) << "the field keeps its frame";

    field->setPointSize(nibSize);
    view.setMailingClass(QString(80, QLatin1Char('W')));
    EXPECT_EQ(field->pointSize(), QVStealthIndiciumView::kMailingClassFloor) << "the floor";
    EXPECT_GT(field->fittingSize().width(), nibFrame.width());
    EXPECT_EQ(frameOf(field), nibFrame);
}

TEST(IndiciumViews, SampleDateStaysUntilADateIsGiven)
{
    for (const IndiciumCase &c : indiciumCases()) {
        auto view = c.make();
        EXPECT_EQ(view->webAddressField()->text(), QVIndiciumSampleWebText);
        EXPECT_EQ(view->dateField()->text(), QVIndiciumSampleDateText);
        view->setDrawVoidBarcode(false);
        EXPECT_FALSE(view->barcodeView()->drawVoid());
        EXPECT_EQ(view->webAddressField()->text(), QVIndiciumView::vendorWebAddress());
        EXPECT_EQ(view->dateField()->text(), QVIndiciumSampleDateText) << c.name;
        view->setDate(QStringLiteral("DEC 10 2026"));
        EXPECT_EQ(view->dateField()->text(), QStringLiteral("DEC 10 2026"));
        view->setDrawVoidBarcode(true);
        EXPECT_EQ(view->dateField()->text(), QVIndiciumSampleDateText);
        EXPECT_TRUE(view->barcodeView()->drawVoid());
    }
}

TEST(QVEnvelopeDollarIndiciumView, AlignPostageLeftDefaultGivesTheLeftAlignedClass)
{
    UserDefaults::resetStandardUserDefaults();
    auto plain = QVEnvelopeDollarIndiciumView::create();
    EXPECT_EQ(dynamic_cast<QVEnvelopeLeftAlignDollarIndiciumView *>(plain.get()), nullptr);
    EXPECT_EQ(plain->size(), QSize(216, 129));

    UserDefaults::standardUserDefaults().setBool(true, QVEnvelopeAlignPostageLeftKey);
    auto left = QVEnvelopeDollarIndiciumView::create();
    EXPECT_NE(dynamic_cast<QVEnvelopeLeftAlignDollarIndiciumView *>(left.get()), nullptr);
    EXPECT_EQ(left->size(), QSize(400, 129));
    auto redate = QVEnvelopeDollarIndiciumView::dateCorrectionViewForDate(QDate(2026, 12, 5));
    EXPECT_EQ(redate->size(), QSize(400, 129));
    UserDefaults::resetStandardUserDefaults();
}

TEST(QVDollarIndiciumView, RedateMarkHasNoMeterNoBarcodeAndZeroAmount)
{
    auto label = QVDollarIndiciumView::dateCorrectionViewForDate(QDate(2026, 12, 5));
    auto envelope = QVEnvelopeDollarIndiciumView::dateCorrectionViewForDate(QDate(2026, 1, 9));
    EXPECT_FALSE(label->drawsCommercialBasePricing());
    EXPECT_TRUE(label->commercialPricingField()->isHidden());
    struct {
        QVDollarIndiciumViewBase *view;
        const char *date;
    } cases[] = {{label.get(), "Dec 05 2026"}, {envelope.get(), "Jan 09 2026"}};
    for (const auto &c : cases) {
        EXPECT_EQ(c.view->dollarAmountField()->text(), QStringLiteral("$0.00"));
        EXPECT_EQ(c.view->postageClassField()->text(), QStringLiteral("REDATE"));
        EXPECT_EQ(c.view->dateField()->text(), QLatin1String(c.date));
        EXPECT_TRUE(c.view->meterIDField()->text().isEmpty());
        EXPECT_TRUE(c.view->webAddressField()->text().isEmpty());
        EXPECT_FALSE(c.view->barcodeView()->barcode());
        EXPECT_FALSE(c.view->barcodeView()->drawVoid());
        if (haveProgram(QStringLiteral("pdftotext"))) {
            const QString text = pdfText(writePdf(dataWithPDF(c.view), QStringLiteral("redate.pdf")));
            EXPECT_TRUE(text.contains(QLatin1String("REDATE")));
            EXPECT_TRUE(text.contains(QLatin1String("$0.00")));
            EXPECT_TRUE(text.contains(QLatin1String(c.date)));
            EXPECT_FALSE(text.contains(QLatin1String("VOID")));
            EXPECT_FALSE(text.contains(QLatin1String("SAMPLE")));
        }
    }
}

TEST(IndiciumViews, DrawsWhiteOnlyWhenAsked)
{
    QVDollarIndiciumView view;
    view.setBarcode(nullptr);
    view.setDrawVoidBarcode(false);
    QImage image(view.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(qAlpha(image.pixel(1, 108)), 0) << "transparent by default";
    view.setDrawsWhite(true);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(image.pixel(1, 108), qRgb(255, 255, 255));
}

TEST(IndiciumViews, DrawnIntoALabelPageTheIndiciumStaysVector)
{
    if (!havePopplerAndZXing())
        GTEST_SKIP() << "poppler-utils or ZXingReader missing";
    const QByteArray bytes = indiciumBytes(99);
    QVDollarIndiciumView view;
    view.setDollarAmount(QStringLiteral("$7.15"));
    view.setBarcode(QVVectorBarcode::initWithData(bytes));
    view.setDrawVoidBarcode(false);
    view.setDate(QStringLiteral("DEC 10 2026"));
    // A 4 x 6 in label page with the indicium at one and a half times its
    // size and at its own size.
    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(72);
        writer.setPageLayout(QPageLayout(QPageSize(QSizeF(288, 432), QPageSize::Point), QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0), QPageLayout::Point));
        QPainter painter(&writer);
        drawViewInRect(&view, painter, QRectF(10, 20, 262.5, 165));
        drawViewInRect(&view, painter, QRectF(20, 250, 175, 110));
    }
    const QString path = writePdf(pdf, QStringLiteral("label-page.pdf"));
    const QString text = pdfText(path);
    EXPECT_GE(text.count(QLatin1String("$7.15")), 2) << "texts stay text";
    EXPECT_GE(text.count(QLatin1String("DEC 10 2026")), 2);
    const QImage raster = pdfRaster(path, 300);
    // The indicium at its own size, cut out of the page.
    const QImage indicium = raster.copy(QRect(20 * 300 / 72, 250 * 300 / 72, 175 * 300 / 72, 110 * 300 / 72));
    const QString png = outputPath(QStringLiteral("label-page-indicium.png"));
    withQuietZone(indicium, 40).save(png);
    EXPECT_EQ(zxingBytes(png, QStringLiteral("PDF417")).toHex(), bytes.toHex());
}
