// View geometry: whether a view draws to the screen or into print (a PDF or
// a recording), as the views ask it to choose antialiasing and backgrounds.
#include "barcodes/imaging/ViewGeometry.h"
#include "barcodes/imaging/ViewOutput.h"

#include <QPainter>
#include <QPicture>
#include <QWidget>

#include <gtest/gtest.h>

using namespace tolvane;

namespace {

class RecordingView : public QWidget
{
public:
    QList<bool> answers;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        answers << drawingToScreen(painter);
    }
};

} // namespace

TEST(ViewGeometryTest, DrawingToScreenOnlyForTheScreen)
{
    RecordingView view;
    view.resize(40, 20);
    view.grab();
    ASSERT_EQ(view.answers.size(), 1);
    EXPECT_TRUE(view.answers.last());

    EXPECT_FALSE(dataWithPDF(&view).isEmpty());
    ASSERT_EQ(view.answers.size(), 2);
    EXPECT_FALSE(view.answers.last());

    QPicture picture;
    {
        QPainter painter(&picture);
        view.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    }
    ASSERT_EQ(view.answers.size(), 3);
    EXPECT_FALSE(view.answers.last());
}
