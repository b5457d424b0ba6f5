// The stamp matrix and cells: a blank cell is the bare background (tinted
// when selected), equal amounts share one cached rendering and a new amount
// adds one, right-clicks select as the class menu needs, keys do nothing;
// the tint; the number badge; the pop-up's selected tag and the count of
// stamps in a list with blanks; the bundled texts of the stamp reminders.
#include "stamps/QVMatrix.h"
#include "stamps/QVStampImageCell.h"
#include "stamps/TessaroNullChecking.h"
#include "stamps/TessaroNumberView.h"
#include "stamps/TintedImage.h"

#include "platform/Bundle.h"
#include "services/QVRHOStampIndiciumRequest.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>

#include <gtest/gtest.h>

namespace {

// The share of pixels that differ between two images of one size.
double differingShare(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (x.size() != y.size())
        return 1;
    qint64 differing = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int column = 0; column < x.width(); ++column)
            differing += x.pixel(column, row) != y.pixel(column, row);
    return double(differing) / (x.width() * x.height());
}

} // namespace

TEST(QVStampImageCell, ABlankCellIsTheBareBackgroundTintedWhenSelected)
{
    for (bool stamp2000 : {false, true}) {
        SCOPED_TRACE(stamp2000);
        std::unique_ptr<QVStampImageCell> cell =
            stamp2000 ? std::make_unique<QVStamp2000ImageCell>() : std::make_unique<QVStampImageCell>();
        const QImage background =
            stamp2000 ? QVStamp2000ImageCell::backgroundImage() : QVStampImageCell::backgroundImage();
        ASSERT_FALSE(background.isNull());
        EXPECT_EQ(cell->stampImage(), background);
        EXPECT_TRUE(cell->stampAmount().isNull());
        EXPECT_EQ(differingShare(cell->renderedImage(), background), 0);

        cell->setSelected(true);
        const QImage selected = cell->renderedImage();
        EXPECT_GT(differingShare(selected, background), 0.5);
        EXPECT_EQ(selected, kx_tintedImageWithColor(background, QVStampImageCell::selectionTint()));
    }
    EXPECT_EQ(QVStamp2000ImageCell::fontSize(), 90);
    EXPECT_EQ(QVStampImageCell::hOffset(), -10);
}

TEST(QVStampImageCell, EqualAmountsShareOneRenderingAndANewAmountAddsOne)
{
    // Amounts no other run of this test has rendered (the cache lasts for
    // the process).
    static int run = 0;
    ++run;
    const QString amount = QStringLiteral("%1.77").arg(run);
    const QString changed = QStringLiteral("%1.88").arg(run);
    QVStampImageCell first;
    QVStampImageCell second;
    first.setStampAmount(amount);
    second.setStampAmount(amount);
    const int before = QVStampImageCell::cachedAmountCount(QStringLiteral("QVStampImageCell"));
    const QImage a = first.renderedImage();
    EXPECT_EQ(QVStampImageCell::cachedAmountCount(QStringLiteral("QVStampImageCell")), before + 1);
    const QImage b = second.renderedImage();
    EXPECT_EQ(a.cacheKey(), b.cacheKey());
    EXPECT_EQ(QVStampImageCell::cachedAmountCount(QStringLiteral("QVStampImageCell")), before + 1);
    // The amount is drawn over the background.
    EXPECT_GT(differingShare(a, QVStampImageCell::backgroundImage()), 0.005);

    second.setStampAmount(changed);
    const QImage c = second.renderedImage();
    EXPECT_EQ(QVStampImageCell::cachedAmountCount(QStringLiteral("QVStampImageCell")), before + 2);
    EXPECT_NE(c.cacheKey(), a.cacheKey());
    EXPECT_GT(differingShare(a, c), 0.001);
    // Each cell class has its own cache.
    QVStamp2000ImageCell other;
    other.setStampAmount(amount);
    const int others = QVStampImageCell::cachedAmountCount(QStringLiteral("QVStamp2000ImageCell"));
    other.renderedImage();
    EXPECT_EQ(QVStampImageCell::cachedAmountCount(QStringLiteral("QVStamp2000ImageCell")), others + 1);
}

TEST(QVStampImageCell, AnOverlayIsDrawnOnACopyOfTheBackground)
{
    QVStampImageCell cell;
    QImage overlay(20, 10, QImage::Format_ARGB32_Premultiplied);
    overlay.fill(Qt::red);
    cell.setOverlayImage(overlay);
    EXPECT_EQ(cell.stampImage().pixelColor(15 + 5, 15 + 5), QColor(Qt::red));
    EXPECT_NE(QVStampImageCell::backgroundImage().pixelColor(20, 20), QColor(Qt::red));
    cell.setOverlayImage(QImage());
    EXPECT_EQ(cell.stampImage(), QVStampImageCell::backgroundImage());
}

TEST(TintedImage, TheColourCoversOnlyWhereTheImageIs)
{
    QImage image(4, 1, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setPixelColor(0, 0, Qt::white);
    const QImage tinted = kx_tintedImageWithColor(image, QColor(0, 0, 255, 255));
    EXPECT_EQ(tinted.size(), image.size());
    EXPECT_EQ(tinted.pixelColor(0, 0), QColor(0, 0, 255));
    EXPECT_EQ(qAlpha(tinted.pixel(1, 0)), 0);
    // Source-over fills everything.
    const QImage filled = kx_tintedImageWithColor(image, Qt::blue, QPainter::CompositionMode_SourceOver);
    EXPECT_EQ(filled.pixelColor(3, 0), QColor(Qt::blue));
}

TEST(QVMatrix, RightClicksSelectAsTheClassMenuNeedsAndKeysDoNothing)
{
    QVMatrix matrix(5, 5, false, QSizeF(40, 34));
    ASSERT_EQ(matrix.cellCount(), 25);
    EXPECT_EQ(matrix.cellAtPoint(QPointF(41, 1)), 1);
    EXPECT_EQ(matrix.cellAtPoint(QPointF(1, 35)), 5);
    EXPECT_EQ(matrix.cellAtPoint(QPointF(200, 1)), -1);

    QList<int> rightClicks;
    QObject::connect(&matrix, &QVMatrix::rightClicked,
                     [&rightClicks](int cell, const QPoint &) { rightClicks << cell; });
    matrix.setSelectedCells({2, 3});
    matrix.rightClickAt(QPointF(3 * 40 + 5, 5), QPoint());
    EXPECT_EQ(matrix.selectedCells(), (QList<int>{2, 3}));
    matrix.rightClickAt(QPointF(5, 2 * 34 + 5), QPoint());
    EXPECT_EQ(matrix.selectedCells(), (QList<int>{10}));
    ASSERT_EQ(rightClicks.size(), 2);
    EXPECT_EQ(rightClicks[1], 10);

    QKeyEvent key(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QCoreApplication::sendEvent(&matrix, &key);
    EXPECT_EQ(matrix.selectedCells(), (QList<int>{10}));

    QList<QList<int>> changes;
    QObject::connect(&matrix, &QVMatrix::selectionChanged, [&changes](const QList<int> &cells) { changes << cells; });
    matrix.selectAll();
    EXPECT_EQ(matrix.selectedCells().size(), 25);
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes[0].size(), 25);

    matrix.setCellAmounts({QStringLiteral(".48"), QString()});
    EXPECT_EQ(matrix.cellAt(0).stampAmount(), QStringLiteral(".48"));
    EXPECT_TRUE(matrix.cellAt(1).stampAmount().isNull());
    EXPECT_TRUE(matrix.cellAt(24).stampAmount().isNull());
}

TEST(TessaroNumberView, ShowsFiveUntilSetAndRedrawsOnlyForANewNumber)
{
    TessaroNumberView view;
    EXPECT_EQ(view.numberToDisplay(), QStringLiteral("5"));
    view.setNumberToDisplay(QStringLiteral("5"));
    EXPECT_EQ(view.redisplayRequests(), 0);
    view.setNumberToDisplay(QStringLiteral("4"));
    view.setNumberToDisplay(QStringLiteral("4"));
    EXPECT_EQ(view.numberToDisplay(), QStringLiteral("4"));
    EXPECT_EQ(view.redisplayRequests(), 1);

    // The badge: a grey disc with white in it, nothing in the corners, the
    // upper part lighter than the lower.
    const QImage badge = view.badgeImage(QSize(52, 52));
    EXPECT_EQ(qAlpha(badge.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(badge.pixel(51, 0)), 0);
    EXPECT_EQ(qAlpha(badge.pixel(26, 26)), 255);
    int white = 0;
    for (int y = 10; y < 42; ++y)
        for (int x = 10; x < 42; ++x)
            white += qGray(badge.pixel(x, y)) > 240;
    EXPECT_GT(white, 20);
    EXPECT_GT(qGray(badge.pixel(9, 12)), qGray(badge.pixel(44, 30)) + 15) << qGray(badge.pixel(9, 12));
    EXPECT_NEAR(qGray(badge.pixel(44, 30)), 133, 12);
}

TEST(TessaroNullChecking, CountsStampsAndTheSelectedTag)
{
    using Stamp = std::shared_ptr<QVRHOStampIndiciumRequest>;
    EXPECT_EQ(tolvaneTessaroCountOfNonNullObjects(QList<Stamp>{nullptr, nullptr, nullptr}), 0);
    EXPECT_EQ(tolvaneTessaroCountOfNonNullObjects(QList<Stamp>{}), 0);
    const auto stamp = std::make_shared<QVRHOStampIndiciumRequest>(Decimal::fromString(QStringLiteral("0.48")),
                                                                   QStringLiteral("QVUSPSFirstClassMail"), 1,
                                                                   QStringLiteral("QVUSPSLetterSize"), false);
    EXPECT_EQ(tolvaneTessaroCountOfNonNullObjects(QList<Stamp>{nullptr, stamp, stamp}), 2);

    QComboBox popUp;
    EXPECT_EQ(tagOfSelectedItem(popUp), 0);
    popUp.addItem(QStringLiteral("1 oz."), 100);
    popUp.addItem(QStringLiteral("2 oz."), 102);
    popUp.setCurrentIndex(1);
    EXPECT_EQ(tagOfSelectedItem(popUp), 102);
    popUp.setCurrentIndex(-1);
    EXPECT_EQ(tagOfSelectedItem(popUp), 0);
}

TEST(TessaroReminders, TheBundleHoldsTheTextsOfBothReminders)
{
    const auto alerts = Bundle::propertyListForResource(QStringLiteral("InfoAlerts"));
    ASSERT_TRUE(alerts);
    for (const char *key : {"kivoStampsSheetWarning", "kivoStampsRollsWarning"}) {
        const QVariantMap entry = alerts->toMap().value(QString::fromLatin1(key)).toMap();
        EXPECT_FALSE(entry.value(QStringLiteral("title")).toString().isEmpty()) << key;
        EXPECT_FALSE(entry.value(QStringLiteral("body")).toString().isEmpty()) << key;
    }
}
