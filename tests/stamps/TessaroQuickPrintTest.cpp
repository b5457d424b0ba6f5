// The stamp window's quick prints: the three fixed roll stamps priced at the
// window's date, the panel's buttons (titles and bundle pictures, titled
// once), the panel's placement beside the window, each quick print buying
// and printing one stamp of its value, and the panel on screen (a
// screenshot written as a PNG file to look at).
#include "TessaroPrintingSupport.h"

#include "stamps/TessaroQuickPrintPanel.h"
#include "stamps/TessaroView.h"

#include "ViewTestSupport.h"

#include <QToolButton>

#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

using Buttons = QList<TessaroController::QuickPrintButton>;

class TessaroQuickPrintTest : public TessaroPrintingTest
{
protected:
    void addRollPrinter()
    {
        printers->add(QStringLiteral("single"), QStringLiteral("Kivo Tagwright 360 Swift"));
        host->printer = true;
    }
    std::unique_ptr<TessaroController> loadAt(const QDateTime &date, int mode = TessaroController::RollMode)
    {
        UserDefaults::standardUserDefaults().setInteger(mode, TessaroModeDefaultsKey);
        auto controller = std::make_unique<TessaroController>(host, [date] { return date; });
        controller->windowDidLoad(TessaroLayout{});
        return controller;
    }
};

} // namespace

TEST(TessaroQuickPrintNames, PictureNamesCarryTheCentsWithAtLeastThreeDigits)
{
    const struct {
        const char *amount;
        const char *name;
    } cases[] = {{"0.49", "kivo049"}, {"0.05", "kivo005"}, {"5.75", "kivo575"}, {"12.00", "kivo1200"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.amount);
        EXPECT_EQ(TessaroController::imageNameForQuickPrintAmount(Decimal::fromString(QLatin1String(c.amount))),
                  QLatin1String(c.name));
    }
    EXPECT_EQ(TessaroController::buttonTitleForQuickPrintAmount(Decimal::fromString(QStringLiteral("5.75"))),
              QStringLiteral("Print $5.75 Stamp"));
}

// Every button has its picture in the bundle under both price lists.
TEST_F(TessaroQuickPrintTest, ButtonsAreTitledWithThePricesOfTheirDateAndHaveTheirPictures)
{
    const struct {
        const char *name;
        QDateTime date;
        Buttons buttons;
    } cases[] = {
        {"January 2014",
         january2014(),
         {{QStringLiteral("Print $0.48 Stamp"), QStringLiteral("kivo048")},
          {QStringLiteral("Print $0.69 Stamp"), QStringLiteral("kivo069")},
          {QStringLiteral("Print $5.60 Stamp"), QStringLiteral("kivo560")}}},
        {"September 2014",
         september2014(),
         {{QStringLiteral("Print $0.48 Stamp"), QStringLiteral("kivo048")},
          {QStringLiteral("Print $0.69 Stamp"), QStringLiteral("kivo069")},
          {QStringLiteral("Print $5.75 Stamp"), QStringLiteral("kivo575")}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const auto window = loadAt(c.date);
        EXPECT_TRUE(window->quickPrintButtons().isEmpty()); // not titled before it is shown
        window->showQuickPrintPanel();
        EXPECT_EQ(window->quickPrintButtons(), c.buttons);
        for (const TessaroController::QuickPrintButton &button : window->quickPrintButtons()) {
            SCOPED_TRACE(button.imageName.toStdString());
            const QImage picture = TessaroController::quickPrintImage(button.imageName);
            ASSERT_FALSE(picture.isNull());
            EXPECT_EQ(picture.size(), QSize(64, 64));
            EXPECT_TRUE(picture.hasAlphaChannel());
        }
    }
    EXPECT_TRUE(TessaroController::quickPrintImage(QStringLiteral("kivo001")).isNull());
}

TEST_F(TessaroQuickPrintTest, ThePanelTogglesIsTitledOnceAndIsPlacedOnlyWithoutASavedFrame)
{
    const auto window = loadAt(january2014());
    EXPECT_FALSE(window->quickPrintPanelVisible());
    window->showQuickPrintPanel();
    EXPECT_TRUE(window->quickPrintPanelVisible());
    EXPECT_TRUE(window->quickPrintPanelNeedsPlacing());
    window->quickPrintPanelPlaced();
    const Buttons first = window->quickPrintButtons();

    window->showQuickPrintPanel();
    EXPECT_FALSE(window->quickPrintPanelVisible());
    // Shown again under other prices: the titles stay, no new placing.
    window->catalogue().setClock([] { return september2014(); });
    window->showQuickPrintPanel();
    EXPECT_TRUE(window->quickPrintPanelVisible());
    EXPECT_EQ(window->quickPrintButtons(), first);
    EXPECT_FALSE(window->quickPrintPanelNeedsPlacing());
    window->quickPrintPanelClosed();
    EXPECT_FALSE(window->quickPrintPanelVisible());

    // A saved frame keeps the panel where the user left it.
    UserDefaults::standardUserDefaults().setString(QStringLiteral("40 50 300 120"),
                                                   QStringLiteral("NSWindow Frame TessaroQuickPrintPanel"));
    const auto another = loadAt(january2014());
    another->showQuickPrintPanel();
    EXPECT_FALSE(another->quickPrintPanelNeedsPlacing());
}

TEST(TessaroQuickPrintPlacement, RightOfTheWindowElseLeftElseAtItsCorner)
{
    const QRectF visible(0, 25, 1280, 775);
    const QSizeF panel(300, 120);
    const struct {
        const char *name;
        QRectF window;
        QPointF topLeft;
    } cases[] = {
        {"room on the right", {100, 100, 700, 500}, {810, 100}},
        {"right edge exactly at the screen's", {100, 100, 870, 500}, {980, 100}},
        {"no room on the right", {400, 100, 700, 500}, {90, 100}},
        {"no room on either side", {200, 100, 1000, 500}, {200, 100}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TessaroController::quickPrintPanelTopLeft(c.window, panel, visible), c.topLeft);
    }
}

// Each quick print buys one stamp of its button's value and prints it on
// the roll without confirmation, whatever the window shows.
TEST_F(TessaroQuickPrintTest, EachQuickPrintBuysAndPrintsOneStampOfItsValue)
{
    const struct {
        const char *name;
        void (TessaroController::*print)();
        int button;
    } cases[] = {
        {"1 oz", &TessaroController::quickPrint1oz, 0},
        {"2 oz", &TessaroController::quickPrint2oz, 1},
        {"1 lb Priority", &TessaroController::quickPrint1lbPrio, 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        addRollPrinter();
        const int before = purchases();
        queueStamps(1, 60);
        const auto window = loadAt(september2014(), TessaroController::SheetMode);
        window->showQuickPrintPanel();
        const QString title = window->quickPrintButtons()[c.button].title;

        (window.get()->*c.print)();

        EXPECT_EQ(purchases() - before, 1);
        EXPECT_TRUE(host->alerts.isEmpty());
        ASSERT_EQ(printers->jobs.size(), 1);
        EXPECT_EQ(printers->jobs.first().queue, QStringLiteral("single"));
        ASSERT_EQ(log->records.size(), 1);
        EXPECT_EQ(QStringLiteral("Print $%1 Stamp").arg(log->records.first().value(QVShipmentPriceKey).toString()),
                  title);
        EXPECT_EQ(window->currentMode(), TessaroController::SheetMode);
    }
}

TEST_F(TessaroQuickPrintTest, ThePanelOnScreenPrintsFromItsButtonsAndKeepsItsFrame)
{
    addRollPrinter();
    UserDefaults::standardUserDefaults().setInteger(TessaroController::RollMode, TessaroModeDefaultsKey);
    TessaroController controller(host, [] { return september2014(); });
    TessaroView view(controller);
    view.move(100, 100);
    view.show();
    view.showQuickPrintPanel();
    TessaroQuickPrintPanel *panel = view.quickPrintPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    ASSERT_EQ(panel->buttons().size(), 3);
    for (qsizetype i = 0; i < 3; ++i) {
        EXPECT_EQ(panel->buttons()[i]->text(), controller.quickPrintButtons()[i].title);
        EXPECT_FALSE(panel->buttons()[i]->icon().isNull());
    }
    EXPECT_EQ(panel->buttons()[0]->text(), QStringLiteral("Print $0.48 Stamp"));
    const QImage shot = panel->grab().toImage();
    shot.save(outputPath(QStringLiteral("TessaroQuickPrintPanel.png")));
    EXPECT_FALSE(shot.isNull());

    queueStamps(1, 90);
    panel->buttons()[1]->click();
    EXPECT_EQ(printers->jobs.size(), 1);
    ASSERT_EQ(log->records.size(), 1);
    EXPECT_EQ(log->records.first().value(QVShipmentPriceKey).toString(), QStringLiteral("0.69"));

    // Hidden by the same command; its frame is saved and read back.
    view.showQuickPrintPanel();
    EXPECT_FALSE(panel->isVisible());
    const std::optional<QRect> saved = TessaroQuickPrintPanel::frameFromString(
        UserDefaults::standardUserDefaults().stringForKey(QStringLiteral("NSWindow Frame TessaroQuickPrintPanel")));
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(*saved, panel->geometry());
    for (const char *bad : {"", "1 2 3", "a b c d", "1 2 -3 4", "1 2 3 4 5"})
        EXPECT_FALSE(TessaroQuickPrintPanel::frameFromString(QLatin1String(bad)).has_value()) << bad;
}
