// The stamp window's view with its companions: Weigh in roll mode shows the
// weight in the scale status line and the choice sheet, whose button sets
// the window; "Make Your Own…" opens the custom-amount panel, whose OK with
// a good amount makes the roll stamp.
#include "stamps/TessaroCustomAmounts.h"
#include "stamps/TessaroTags.h"
#include "stamps/TessaroView.h"
#include "stamps/TessaroWeigh.h"

#include "TessaroWindowFixture.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

class FixedScale : public TessaroScaleReader
{
public:
    std::optional<TessaroScaleReading> read() override { return TessaroScaleReading{3.6, 4, 0x74}; }
};

class TessaroCompanionViewTest : public TessaroWindowTest
{};

} // namespace

TEST_F(TessaroCompanionViewTest, WeighShowsTheWeightAndTheChoiceSheet)
{
    UserDefaults::standardUserDefaults().setInteger(TessaroController::RollMode, TessaroModeDefaultsKey);
    TessaroController controller(host, [] { return january2014(); });
    controller.weighing().setScaleReader(std::make_shared<FixedScale>());
    TessaroView view(controller);
    ASSERT_EQ(controller.currentMode(), TessaroController::RollMode);
    view.part<QPushButton>("weighButton")->click();
    EXPECT_EQ(view.part<QLabel>("scaleStatusField")->text(), QStringLiteral("Weight: 3.6 oz."));
    auto *sheet = view.findChild<QDialog *>(QStringLiteral("decisionTree"));
    ASSERT_TRUE(sheet);
    auto *package = sheet->findChild<QPushButton *>(QStringLiteral("button2"));
    ASSERT_TRUE(package);
    // Every button is as wide as the widest title needs.
    const QList<QPushButton *> buttons = sheet->findChildren<QPushButton *>();
    ASSERT_GE(buttons.size(), 2);
    int widest = 0;
    for (QPushButton *button : buttons)
        widest = std::max(widest, button->sizeHint().width());
    for (QPushButton *button : buttons) {
        EXPECT_EQ(button->minimumWidth(), widest) << button->text().toStdString();
        EXPECT_EQ(button->iconSize(), QSize(32, 32));
    }
    EXPECT_TRUE(package->text().startsWith(QStringLiteral("Use First-Class Package")));
    package->click();
    EXPECT_EQ(controller.selectedMailpiece(), tessaro::FirstClassParcel);
    EXPECT_EQ(controller.tagOfSelectedClassItem(), 143);
    EXPECT_EQ(view.mailpiecePopup()->currentData().toInt(), tessaro::FirstClassParcel);
}

TEST_F(TessaroCompanionViewTest, MakeYourOwnOpensThePanel)
{
    UserDefaults::standardUserDefaults().setInteger(TessaroController::RollMode, TessaroModeDefaultsKey);
    TessaroController controller(host, [] { return january2014(); });
    TessaroView view(controller);
    QComboBox *rate = view.sheetRatePopup();
    const int custom = rate->findData(tessaro::CustomAmountTag);
    ASSERT_GE(custom, 0);
    emit rate->activated(custom);
    auto *panel = view.findChild<QDialog *>(QStringLiteral("customAmountPanel"));
    ASSERT_TRUE(panel);
    panel->findChild<QLineEdit *>(QStringLiteral("customDollarAmount"))->setText(QStringLiteral("0.0001"));
    QPushButton *ok = nullptr;
    for (QPushButton *button : panel->findChildren<QPushButton *>())
        if (button->text() == QLatin1String("OK"))
            ok = button;
    ASSERT_TRUE(ok);
    ok->click();
    EXPECT_EQ(dialogs->alerts.size(), 1);
    EXPECT_TRUE(controller.customAmountPanel().isShown());
    panel->findChild<QLineEdit *>(QStringLiteral("customDollarAmount"))->setText(QStringLiteral("3.25"));
    ok->click();
    EXPECT_FALSE(controller.customAmountPanel().isShown());
    EXPECT_EQ(controller.kivoDollarAmount(), QStringLiteral("3.250"));
}
