// The Qt side of the delegate's interfaces: the progress panel paints its
// text and its bar turns only when asked, the overlay windows are frameless
// translucent tool windows over the main window that fade through their
// opacity, and the scheduler runs delayed and repeating calls. The windows
// are rendered to PNG files in the build folder for a look.
#include "app/shell/QVXController.h"
#include "app/shell/ShellWindows.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QPixmap>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QString shotPath(const char *name) { return QStringLiteral(TOLVANE_BINARY_DIR "/tests/app/") + QLatin1String(name); }

void waitFor(const std::function<bool()> &done, int milliseconds = 3000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < milliseconds)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

TEST(ShellWindows, ProgressPanelPaintsItsTextAndTurnsOnlyWhenAsked)
{
    PlaceholderMainWindow main;
    main.show();
    ProgressPanelWindow panel(&main);
    EXPECT_FALSE(panel.isVisible());
    panel.setText(QStringLiteral("Contacting the postage server") + QChar(0x2026));
    panel.centreOnScreen();
    panel.orderFront(true);
    panel.startSpinner();
    EXPECT_TRUE(panel.isVisible());
    EXPECT_TRUE(panel.spinnerRunning());
    EXPECT_EQ(panel.text(), QStringLiteral("Contacting the postage server") + QChar(0x2026));
    const QImage shot = panel.grab().toImage();
    ASSERT_TRUE(shot.save(shotPath("progress-panel.png")));
    // Something was painted besides the background: the text.
    const QRgb background = shot.pixel(1, 1);
    int differing = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            differing += shot.pixel(x, y) != background;
    EXPECT_GT(differing, 50);
    panel.stopSpinner();
    EXPECT_FALSE(panel.spinnerRunning());
    panel.orderOut();
    EXPECT_FALSE(panel.isVisible());
}

TEST(ShellWindows, OverlayIsAFramelessTranslucentToolWindowThatFades)
{
    PlaceholderMainWindow main;
    auto *popup = new QComboBox(main.centralWidget());
    popup->setObjectName(QStringLiteral("pieceSizePopup"));
    popup->move(420, 80);
    main.show();
    OverlayWindows overlays(&main);
    ASSERT_TRUE(overlays.hasMainWindow());
    ASSERT_TRUE(overlays.pieceSizePopupBottomLeft().has_value());
    EXPECT_EQ(*overlays.pieceSizePopupBottomLeft(), QPointF(popup->mapToGlobal(QPoint(0, popup->height()))));
    EXPECT_EQ(overlays.imageSize(QStringLiteral("hoverthing")), QSizeF(440, 360));
    EXPECT_EQ(overlays.imageSize(QStringLiteral("no such image")), QSizeF());

    int clicks = 0;
    const auto id = overlays.openOverlay(QStringLiteral("hoverthing"), QPointF(30, 40), [&] { ++clicks; });
    QWidget *window = overlays.overlayWindow(id);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window->windowType(), Qt::Tool);
    EXPECT_TRUE(window->testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_EQ(window->parentWidget(), &main);
    EXPECT_EQ(window->size(), QSize(440, 360));
    EXPECT_DOUBLE_EQ(window->windowOpacity(), 1.0);
    EXPECT_EQ(overlays.firstChildOverlay(), id);
    ASSERT_TRUE(window->grab().toImage().save(shotPath("overlay-hoverthing.png")));

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), QPointF(10, 10), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(window, &press);
    EXPECT_EQ(clicks, 1);

    overlays.setOverlayAlpha(id, 0.5);
    EXPECT_NEAR(window->windowOpacity(), 0.5, 0.01);
    overlays.detachOverlay(id);
    EXPECT_EQ(overlays.firstChildOverlay(), std::nullopt);
    overlays.closeOverlay(id);
    waitFor([&] { return overlays.overlayWindow(id) == nullptr; });
    EXPECT_EQ(overlays.overlayWindow(id), nullptr);
    overlays.setOverlayAlpha(id, 0.2); // gone: nothing happens
}

TEST(ShellWindows, OverlayStaysInsideTheScreen)
{
    PlaceholderMainWindow main;
    main.show();
    OverlayWindows overlays(&main);
    const QRect room = main.screen()->availableGeometry();
    const QSize size(440, 360);
    ASSERT_GE(room.width(), size.width());
    ASSERT_GE(room.height(), size.height());
    const struct {
        const char *what;
        QPoint asked;
        QPoint expected;
    } cases[] = {
        {"inside stays", room.topLeft() + QPoint(5, 7), room.topLeft() + QPoint(5, 7)},
        {"over the top edge", room.topLeft() + QPoint(20, -150), room.topLeft() + QPoint(20, 0)},
        {"over the left edge", room.topLeft() + QPoint(-351, 10), room.topLeft() + QPoint(0, 10)},
        {"over the bottom right", room.bottomRight() - QPoint(10, 10),
         room.bottomRight() + QPoint(1, 1) - QPoint(size.width(), size.height())},
    };
    for (const auto &c : cases) {
        const auto id = overlays.openOverlay(QStringLiteral("hoverthing"), QPointF(c.asked), {});
        QWidget *window = overlays.overlayWindow(id);
        ASSERT_NE(window, nullptr) << c.what;
        EXPECT_EQ(window->pos(), c.expected) << c.what;
        overlays.closeOverlay(id);
    }
}

TEST(ShellWindows, DelegateTogglesTheRealOverlay)
{
    PlaceholderMainWindow main;
    main.show();
    OverlayWindows overlays(&main);
    auto scheduler = std::make_shared<QtScheduler>();
    QVXController controller(QVXControllerHooks{}, scheduler);
    controller.setOverlayHost(&overlays);
    controller.showOverlay();
    const auto shown = overlays.firstChildOverlay();
    ASSERT_TRUE(shown.has_value());
    QPointer<QWidget> window = overlays.overlayWindow(*shown);
    controller.showOverlay(); // fades it away
    waitFor([&] { return window.isNull(); });
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(overlays.firstChildOverlay(), std::nullopt);
}

TEST(ShellWindows, SchedulerRunsDelayedAndRepeatingCalls)
{
    QtScheduler scheduler;
    QStringList order;
    scheduler.callAfter(0.05, [&] { order << QStringLiteral("later"); });
    scheduler.callAfter(0, [&] { order << QStringLiteral("next pass"); });
    int ticks = 0;
    scheduler.callEvery(0.01, [&] { ++ticks; });
    EXPECT_TRUE(order.isEmpty()); // nothing runs before the event loop
    waitFor([&] { return order.size() == 2 && ticks >= 3; });
    EXPECT_EQ(order, (QStringList{QStringLiteral("next pass"), QStringLiteral("later")}));
    EXPECT_GE(ticks, 3);
}

TEST(ShellWindows, MainWindowAndPanelTogetherForALook)
{
    PlaceholderMainWindow main;
    main.show();
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Tolvane for Mac"));
    ASSERT_TRUE(main.grab().toImage().save(shotPath("main-window.png")));
}
