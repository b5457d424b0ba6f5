// The printing modes against a fake main window: the switch posts once per
// change but always raises the window, the first switch goes to the saved
// origin, the Qt swap keeps the window's top edge, scales follow the mode,
// and the quick-print titles and the stamps edition's dock items.
#include "app/shell/QVPrintingModes.h"
#include "app/shell/QVXController.h"

#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

#include <QMainWindow>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class FakeViews : public QVMainViewHost
{
public:
    QStringList calls;
    void switchToView(View view) override
    {
        calls << (view == View::Tessaro ? QStringLiteral("view:stamps") : QStringLiteral("view:labels"));
    }
    void checkModeMenuItem(int tag) override { calls << QStringLiteral("check:%1").arg(tag); }
    void closeAddressDrawer() override { calls << QStringLiteral("closeDrawer"); }
    void updateStampWindowTitle() override { calls << QStringLiteral("stampTitle"); }
    void setMainWindowTopLeft(const QPointF &point) override
    {
        calls << QStringLiteral("origin:%1,%2").arg(point.x()).arg(point.y());
    }
    void makeMainWindowKeyAndFront() override { calls << QStringLiteral("front"); }
    void scaleWasAdded(bool stampWindow) override { calls << (stampWindow ? "scale+:stamps" : "scale+:form"); }
    void scaleWasRemoved(bool stampWindow) override { calls << (stampWindow ? "scale-:stamps" : "scale-:form"); }
};

class PrintingModesTest : public ::testing::Test
{
protected:
    void SetUp() override { UserDefaults::resetStandardUserDefaults(); }
    void TearDown() override { UserDefaults::resetStandardUserDefaults(); }
    FakeViews views;
    QVPrintingModes modes{views};
};

TEST_F(PrintingModesTest, ASwitchPostsOnceTheFirstGoesToTheSavedOriginAndEveryOneRaises)
{
    UserDefaults::standardUserDefaults().setString(QStringLiteral("{120, 80}"), QVMasterWindowOriginKey);
    QStringList posted;
    NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        QVPrintingModeDidChangeNotification, [&](const Notification &n) { posted << *n.object.shared<QString>(); });

    modes.setCurrentPrintingMode(QVTessaroPrintingMode);
    EXPECT_EQ(views.calls,
              QStringList({"closeDrawer", "view:stamps", "check:1", "stampTitle", "origin:120,80", "front"}));
    views.calls.clear();
    modes.setCurrentPrintingMode(QVTessaroPrintingMode);
    EXPECT_EQ(views.calls, QStringList({"front"}));
    views.calls.clear();
    modes.swapMainViews();
    EXPECT_EQ(views.calls, QStringList({"view:labels", "check:0", "front"}));
    EXPECT_EQ(posted, QStringList({QVTessaroPrintingMode, QVStandardPrintingMode}));
    EXPECT_EQ(modes.currentPrintingMode(), QVStandardPrintingMode);
}

TEST_F(PrintingModesTest, ScalesFollowTheMode)
{
    modes.showTessaro();
    modes.scaleWasAdded();
    modes.showLabels();
    modes.scaleWasAdded();
    modes.scaleWasRemoved();
    EXPECT_TRUE(views.calls.contains(QStringLiteral("scale+:stamps")));
    EXPECT_EQ(views.calls.mid(views.calls.size() - 2), QStringList({"scale+:form", "scale-:form"}));
}

TEST(PrintingModes, QuickPrintTitlesAndDockItems)
{
    struct Case {
        Decimal amount;
        const char *title;
    };
    const Case cases[] = {{Decimal(49, -2), "Print 49¢ stamp"},
                          {Decimal(560, -2), "Print $5.60 stamp"},
                          {Decimal(100, -2), "Print $1.00 stamp"},
                          {Decimal(995, -3), "Print 100¢ stamp"}};
    for (const Case &c : cases)
        EXPECT_EQ(QVPrintingModes::menuTitleForQuickPrintAmount(c.amount), QString::fromUtf8(c.title));
    const Decimal a(49, -2), b(70, -2), c(560, -2);
    EXPECT_TRUE(dockMenuItems(false, 2, a, b, c).isEmpty());
    EXPECT_TRUE(dockMenuItems(true, 1, a, b, c).isEmpty());
    const QList<QVDockMenuItem> items = dockMenuItems(true, 2, a, b, c);
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[2].title, QStringLiteral("Print $5.60 stamp"));
    EXPECT_EQ(items[2].action, QStringLiteral("quickPrint1lbPrio:"));
}

TEST(PrintingModes, TheQtSwapKeepsTheWindowsTopEdge)
{
    QMainWindow window;
    QWidget dashboard, stamps;
    dashboard.resize(600, 400);
    stamps.resize(500, 250);
    window.setCentralWidget(&dashboard);
    window.setGeometry(100, 200, 600, 400);
    switchMainWindowView(&window, &stamps);
    EXPECT_EQ(window.centralWidget(), &stamps);
    EXPECT_EQ(window.geometry().top(), 200);
    EXPECT_EQ(window.geometry().left(), 100);
    EXPECT_EQ(window.geometry().size(), QSize(500, 250));
    window.takeCentralWidget();
    EXPECT_EQ(frameKeepingTopEdge(QRect(10, 20, 600, 430), QSize(600, 400), QSize(500, 250)), QRect(10, 20, 500, 280));
}

} // namespace
