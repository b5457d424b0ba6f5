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
