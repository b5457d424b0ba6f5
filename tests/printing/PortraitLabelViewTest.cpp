// QVPortraitLabelView and the quarter turn of label images: pages of one-up
// and two-up layouts, their rectangles and placement, the templates of their
// text fields, and the turn (size and direction, seen through the corner
// mark).
#include "LabelPartsSupport.h"
#include "LabelTestSupport.h"
#include "PrintingTestSupport.h"

#include "barcodes/imaging/QVTextField.h"
#include "printing/QVPrintOperation.h"
#include "printing/customs/QVViewTags.h"
#include "printing/layouts/QVPortraitLabelView.h"

#include <gtest/gtest.h>

#include <memory>

using namespace tolvane;
using namespace tolvane::test;

namespace {

// A view of `perPage` image views (tags 1 and 2) and a nested text field.
std::unique_ptr<QVPortraitLabelView> portraitView(int perPage)
{
    auto view = std::make_unique<QVPortraitLabelView>();
    view->resize(612, 792);
    auto *one = new QVLabelImageView(view.get());
    setViewTag(one, 1);
    one->setGeometry(36, 36, 540, 340);
    if (perPage == 2) {
        auto *two = new QVLabelImageView(view.get());
        setViewTag(two, 2);
        two->setGeometry(36, 416, 540, 340);
    }
    auto *box = new QWidget(view.get());
    box->setGeometry(0, 380, 612, 30);
    auto *field = new QVTextField(box);
    field->setObjectName(QStringLiteral("field"));
    field->setGeometry(36, 0, 540, 14);
    field->setText(QStringLiteral("  <%topCustomField%> <%missing%>  "));
    return view;
}

class PortraitLabelViewTest : public PrintingTest
{};

} // namespace

TEST_F(PortraitLabelViewTest, PagesOfOneUpAndTwoUpLayouts)
{
    struct Case {
        int perPage;
        int images;
        int pages;
    };
    for (const Case &c : {Case{1, 0, 0}, Case{1, 1, 1}, Case{1, 3, 3}, Case{2, 1, 1}, Case{2, 3, 2}, Case{2, 4, 2}}) {
        SCOPED_TRACE(testing::Message() << c.perPage << " up, " << c.images << " images");
        auto view = portraitView(c.perPage);
        for (int i = 0; i < c.images; ++i)
            view->addImage(markedImage(30, 50, Qt::red));
        EXPECT_EQ(view->perPage(), c.perPage);
        PrintInfo info;
        EXPECT_EQ(view->pageCountForPrinting(info), c.pages);
        EXPECT_EQ(view->rectForPage(c.pages + 1, info), QRectF());
        EXPECT_EQ(view->rectForPage(0, info), QRectF());
        if (c.pages > 0) {
            EXPECT_EQ(view->rectForPage(c.pages, info), QRectF(0, 0, 612, 792));
        }
    }
}

TEST_F(PortraitLabelViewTest, PageSizeAndPlacementFollowThePrintInfo)
{
    auto view = portraitView(1);
    view->addImage(markedImage(30, 50, Qt::red));
    PrintInfo info;
    info.paperSize = QSizeF(296, 452);
    info.orientation = PrintInfo::Orientation::Landscape;
    info.scalingFactor = 0.94;
    info.leftMargin = 10;
    info.rightMargin = 4;
    info.topMargin = 6;
    info.bottomMargin = 2;
    ASSERT_EQ(view->pageCountForPrinting(info), 1);
    EXPECT_EQ(view->size(), QSize(452, 296)); // the landscape page
    const QRectF rect = view->rectForPage(1, info);
    const std::optional<QPointF> at = view->locationOfPrintRect(1, rect, info);
    ASSERT_TRUE(at);
    EXPECT_NEAR(at->x(), (452 - 452 * 0.94) / 2 + (10 - 4), 1e-9);
    EXPECT_NEAR(at->y(), (296 - 296 * 0.94) / 2 + (6 - 2), 1e-9);
}

TEST_F(PortraitLabelViewTest, TemplatesLoseMissingKeysAndSurroundingBlanksAndCanBeFilledAgain)
{
    auto view = portraitView(1);
    auto *field = view->findChild<QVTextField *>(QStringLiteral("field"));
    ASSERT_NE(field, nullptr);
    view->setStringsWithDictionary({{QStringLiteral("topCustomField"), QStringLiteral("Gift")}});
    EXPECT_EQ(field->text(), QStringLiteral("Gift"));
    view->setStringsWithDictionary({{QStringLiteral("topCustomField"), QStringLiteral("Order 7")},
                                    {QStringLiteral("missing"), QStringLiteral("found")}});
    EXPECT_EQ(field->text(), QStringLiteral("Order 7 found"));
    view->setStringsWithDictionary({});
    EXPECT_EQ(field->text(), QString());
}

TEST_F(PortraitLabelViewTest, ThreeImagesTwoUpPrintOnTwoPagesWithAnEmptySecondSlot)
{
    auto view = portraitView(2);
    view->setImages({markedImage(300, 200, Qt::red), markedImage(300, 200, Qt::green)});
    view->addImage(markedImage(300, 200, Qt::blue));
    PrintInfo info;
    info.leftMargin = info.rightMargin = info.topMargin = info.bottomMargin = 0;
    const QString path = outputPath(QStringLiteral("portrait-two-up.pdf"));
    QVPrintOperation operation(view.get(), printInfoWithExtras(info, saveExtras(path)));
    ASSERT_TRUE(operation.runOperation()) << operation.errorString().toStdString();
    ASSERT_EQ(pdfPageCount(path), 2);
    const QImage first = pdfPageRaster(path, 1, 36);
    const QImage second = pdfPageRaster(path, 2, 36);
    // Page 1: red above, green below; page 2: blue above and nothing below.
    const QRect red = colourBox(first, Qt::red);
    const QRect green = colourBox(first, Qt::green);
    ASSERT_FALSE(red.isEmpty());
    ASSERT_FALSE(green.isEmpty());
    EXPECT_LT(red.bottom(), green.top());
    EXPECT_EQ(colourShare(first, Qt::blue), 0);
    const QRect blue = colourBox(second, Qt::blue);
    ASSERT_FALSE(blue.isEmpty());
    EXPECT_LT(blue.bottom(), second.height() / 2);
    EXPECT_EQ(colourShare(second, Qt::red), 0);
    EXPECT_EQ(colourShare(second, Qt::green), 0);
}

TEST_F(PortraitLabelViewTest, ATurnGivesTheOtherSizeAndMovesTheCornerMark)
{
    const QImage tall = markedImage(300, 500, Qt::white);
    const QImage counter = bwRotateImage90DegreesClockwise(tall, false);
    const QImage clockwise = bwRotateImage90DegreesClockwise(tall, true);
    ASSERT_EQ(counter.size(), QSize(500, 300));
    ASSERT_EQ(clockwise.size(), QSize(500, 300));
    // The mark (top left) ends bottom left after a counterclockwise turn,
    // top right after a clockwise one.
    auto dark = [](const QImage &image, int x, int y) { return qGray(image.pixel(x, y)) < 128; };
    EXPECT_TRUE(dark(counter, 5, 294));
    EXPECT_FALSE(dark(counter, 5, 5));
    EXPECT_TRUE(dark(clockwise, 494, 5));
    EXPECT_FALSE(dark(clockwise, 5, 5));
    EXPECT_TRUE(bwRotateImage90DegreesClockwise(QImage(), false).isNull());
}
