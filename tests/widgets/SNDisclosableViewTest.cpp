// SNDisclosableView: hiding shrinks the window by the view's height less
// its hidden height and hides its content; showing grows it back; hiding a
// hidden view or showing a shown one changes nothing.
#include "widgets/SNDisclosableView.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <gtest/gtest.h>

TEST(SNDisclosableView, HidesAndShowsByTheDifferenceOfItsHeights)
{
    QWidget window;
    window.resize(200, 300);
    auto *view = new SNDisclosableView(&window);
    view->setGeometry(0, 100, 200, 100);
    auto *content = new QLabel(QStringLiteral("Details"), view);
    view->setHiddenHeight(20);
    window.show();
    ASSERT_EQ(window.height(), 300);
    EXPECT_TRUE(view->isShown());

    struct Step {
        const char *name;
        std::function<void()> act;
        bool shown;
        int windowHeight;
        int viewHeight;
    };
    const Step steps[] = {
        {"hide", [&] { view->setIsShown(false); }, false, 220, 20},
        {"hide again", [&] { view->hide(); }, false, 220, 20},
        {"show", [&] { view->toggleDisclosure(); }, true, 300, 100},
        {"show again", [&] { view->show(); }, true, 300, 100},
        {"toggle", [&] { view->toggleDisclosure(); }, false, 220, 20},
    };
    for (const Step &step : steps) {
        step.act();
        QApplication::processEvents();
        EXPECT_EQ(view->isShown(), step.shown) << step.name;
        EXPECT_EQ(window.height(), step.windowHeight) << step.name;
        EXPECT_EQ(view->height(), step.viewHeight) << step.name;
        EXPECT_EQ(content->isHidden(), !step.shown) << step.name;
    }
}

TEST(SNDisclosableView, ControlsBelowMoveWithTheBottomEdgeAndThoseAboveStay)
{
    QWidget window;
    window.resize(200, 300);
    auto *above = new QLabel(QStringLiteral("Above"), &window);
    above->setGeometry(10, 20, 100, 20);
    auto *view = new SNDisclosableView(&window);
    view->setGeometry(0, 100, 200, 100);
    auto *below = new QLabel(QStringLiteral("Below"), &window);
    below->setGeometry(10, 250, 100, 20);
    view->setHiddenHeight(20);
    window.show();

    view->hide();
    EXPECT_EQ(window.height(), 220);
    EXPECT_EQ(above->y(), 20);
    EXPECT_EQ(below->y(), 170); // still 30 above the window's bottom edge
    view->hide();
    EXPECT_EQ(below->y(), 170);
    view->show();
    EXPECT_EQ(window.height(), 300);
    EXPECT_EQ(above->y(), 20);
    EXPECT_EQ(below->y(), 250);
}
