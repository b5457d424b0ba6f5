// Void mail view: the slanted "VOID - DO NOT MAIL" from (10, 10) at 30
// degrees, nothing when cleared, and the words in the view's PDF.
#include "barcodes/imaging/ViewOutput.h"
#include "barcodes/indicia/QVVoidMailView.h"

#include "ViewTestSupport.h"

#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>

using namespace tolvane;
using namespace tolvane::test;

namespace {

struct Ink {
    int count = 0;
    double sumX = 0, sumY = 0;
    int maxY = -1;
    double nearest = 1e9; // distance of the nearest ink to (10, 290)
};

Ink inkOf(const QImage &image)
{
    Ink ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 128) {
                ++ink.count;
                ink.sumX += x;
                ink.sumY += y;
                ink.maxY = std::max(ink.maxY, y);
                ink.nearest = std::min(ink.nearest, std::hypot(x - 10.0, y - 290.0));
            }
    return ink;
}

QImage rendered(QVVoidMailView &view)
{
    QImage image(view.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace

TEST(QVVoidMailView, WritesFromTenTenRisingAtThirtyDegreesUntilCleared)
{
    QVVoidMailView view;
    EXPECT_TRUE(view.drawVoid());
    view.resize(400, 300);
    const Ink ink = inkOf(rendered(view));
    ASSERT_GT(ink.count, 500);
    // Starts at the lower-left corner, 10 points in: the ink comes close to
    // (10, 290) and nothing lies below that line of text.
    EXPECT_LE(ink.nearest, 12.0); // the descent and the V's side bearing
    EXPECT_LE(ink.maxY, 291);

    // The same words level: their ink's centre turned 30 degrees about
    // (10, 10) must be the slanted ink's centre.
    QImage level(400, 300, QImage::Format_ARGB32);
    level.fill(Qt::transparent);
    {
        QPainter painter(&level);
        QFont font(QStringLiteral("Helvetica"));
        font.setBold(true);
        font.setPointSizeF(20 * 72.0 / level.logicalDpiY());
        painter.setFont(font);
        painter.drawText(QPointF(10, 290 - QFontMetricsF(font, &level).descent()),
                         QStringLiteral("VOID - DO NOT MAIL"));
    }
    const Ink flat = inkOf(level);
    const double fx = flat.sumX / flat.count - 10, fy = 290 - flat.sumY / flat.count; // y up
    const double a = 30 * M_PI / 180;
    const double ex = 10 + fx * std::cos(a) - fy * std::sin(a);
    const double ey = 290 - (fx * std::sin(a) + fy * std::cos(a));
    EXPECT_NEAR(ink.sumX / ink.count, ex, 2.0);
    EXPECT_NEAR(ink.sumY / ink.count, ey, 2.0);
    EXPECT_NEAR(ink.count, flat.count, flat.count * 0.1);

    // Clipped to a small view, and nothing at all once cleared.
    QVVoidMailView small;
    small.resize(60, 40);
    EXPECT_GT(inkOf(rendered(small)).count, 0);
    small.setDrawVoid(false);
    EXPECT_EQ(inkOf(rendered(small)).count, 0);

    if (haveProgram(QStringLiteral("pdftotext"))) {
        const QString text = pdfText(writePdf(dataWithPDF(&view), QStringLiteral("void.pdf")), QStringLiteral("-raw"));
        EXPECT_TRUE(text.simplified().contains(QLatin1String("VOID - DO NOT MAIL"))) << text.toStdString();
    }
}
