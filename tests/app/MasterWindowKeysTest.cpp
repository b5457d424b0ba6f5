// MasterWindow's keys and red marks: a key-down anywhere in the window
// passes the controller's key commands first (Command is Ctrl, Option is
// Alt), and the destination box shows the controller's marked ranges in red
// without its text changing (a picture of the window with marks is saved in
// the build folder as MasterWindow-marks.png). Also what the window takes
// from the controller beyond the form: the return-address items' validation,
// the weight box's focus and list position, the first window event, the
// scale status's fade, the insurance texts and the verify and PDF buttons,
// and the batch help (MasterWindow-batch.png).
#include "app/mainwindow/MasterWindow.h"
#include "app/mainwindow/QVVCardWidgets.h"

#include "MasterPeersFixture.h"
#include "RecordingDialogs.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QCheckBox>
#include <QStandardItemModel>
#include <QTextEdit>

using namespace master_test;

namespace {

class MasterWindowKeysTest : public MasterPeersTest
{
protected:
    void TearDown() override
    {
        window.reset();
        MasterPeersTest::TearDown();
    }
    void open()
    {
        window = std::make_unique<MasterWindow>(*controller);
        window->resize(1100, 760);
        window->show();
        QApplication::processEvents();
    }
    // Sends the key-down to the widget; true when something took it.
    static bool press(QWidget *target, int key, Qt::KeyboardModifiers modifiers, const QString &text = QString())
    {
        QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(target, &event);
        return event.isAccepted();
    }
    QComboBox *weightBox() { return qobject_cast<QComboBox *>(window->widget(FormControl::Weight)); }

    std::unique_ptr<MasterWindow> window;
};

TEST_F(MasterWindowKeysTest, CommandArrowsStepTheWeightFromAnyControl)
{
    startFirstClassLetter();
    typeWeight(QStringLiteral("3"));
    open();
    auto *value = qobject_cast<QLineEdit *>(window->widget(FormControl::Value));
    ASSERT_NE(value, nullptr);

    press(value, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(stored(QVShipmentWeightNumberKey), QStringLiteral("4"));
    EXPECT_EQ(weightBox()->currentIndex(), 3) << "the window shows the step";
    press(weightBox(), Qt::Key_Down, Qt::ControlModifier);
    press(weightBox(), Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(stored(QVShipmentWeightNumberKey), QStringLiteral("2"));

    // Command-Option-Down in the standard mode: nothing, and not passed on.
    press(weightBox(), Qt::Key_Down, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(stored(QVShipmentWeightNumberKey), QStringLiteral("2"));
    EXPECT_EQ(stamps->calls(), 0);

    // Other keys reach the control as usual.
    value->setFocus();
    value->clear();
    press(value, Qt::Key_7, Qt::NoModifier, QStringLiteral("7"));
    EXPECT_EQ(value->text(), QStringLiteral("7"));

    // The stamp mode: the step goes to the stamp window.
    shell->standardMode = false;
    press(value, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(stamps->ratesUp, 1);
    EXPECT_EQ(stored(QVShipmentWeightNumberKey), QStringLiteral("2"));
}

TEST_F(MasterWindowKeysTest, LinesThatDoNotFitAreRed)
{
    start();
    sendTo(QString(), QStringLiteral("CANADA"));
    open();
    QTextEdit *box = window->toAddressView();
    const QString text = QStringLiteral("Ada Lovelace\n") +
        QStringLiteral("12 Avenue of the Very Long Street Names, Unit 4000") +
        QStringLiteral("\nOttawa ON K1A 0B1\nCANADA");
    box->setPlainText(text);
    QApplication::processEvents();
    ASSERT_EQ(controller->characterCountWarningRanges().size(), 1);
    const QList<QTextEdit::ExtraSelection> marks = box->extraSelections();
    ASSERT_EQ(marks.size(), 1);
    EXPECT_EQ(marks[0].cursor.selectedText(), QStringLiteral("000"));
    EXPECT_EQ(marks[0].format.foreground().color(), QColor(Qt::red));
    EXPECT_EQ(box->toPlainText(), text) << "the text itself is not touched";
    window->grab().toImage().save(QStringLiteral(TOLVANE_BINARY_DIR "/MasterWindow-marks.png"));

    // A line that fits loses its mark.
    box->setPlainText(QStringLiteral("Ada Lovelace\nOttawa ON K1A 0B1\nCANADA"));
    QApplication::processEvents();
    EXPECT_TRUE(box->extraSelections().isEmpty());
}

TEST_F(MasterWindowKeysTest, ReturnAddressItemsFollowTheControllersValidation)
{
    defaults().setString(QStringLiteral("me"), QStringLiteral("fromAddress"));
    start();
    open();
    auto *box = qobject_cast<QComboBox *>(window->widget(FormControl::FromPopup));
    ASSERT_NE(box, nullptr);
    const auto enabled = [box](const QString &title) {
        const int row = box->findText(title);
        EXPECT_GE(row, 0) << qPrintable(title);
        const auto *model = qobject_cast<QStandardItemModel *>(box->model());
        return row >= 0 && model && model->item(row)->isEnabled();
    };
    // My card chosen, no saved addresses, no account status yet.
    EXPECT_FALSE(enabled(QStringLiteral("Clear List")));
    EXPECT_FALSE(enabled(QStringLiteral("Delete Current Address")));
    EXPECT_FALSE(enabled(QStringLiteral("Tolvane Account Address")));
    EXPECT_TRUE(enabled(QStringLiteral("Add New Address…")));

    // The account's status arrives: the item is enabled when the list opens.
    postage->hasStatus = true;
    box->showPopup();
    EXPECT_TRUE(enabled(QStringLiteral("Tolvane Account Address")));
    box->hidePopup();
    EXPECT_FALSE(enabled(QStringLiteral("Clear List")));
}

TEST_F(MasterWindowKeysTest, TheWeightBoxTakingTheKeyboardAndItsLongListOpening)
{
    QStringList weights;
    for (int ounces = 1; ounces <= 30; ++ounces)
        weights.append(QString::number(ounces));
    MasterWeightClass::setTableForTesting(MasterWeightClass::Table{QVUSPSFirstClassMail, QVOunceUnitString, weights});
    startFirstClassLetter();
    open();

    // Typed but not yet committed: the focus arriving makes the controller
    // read it and select the whole text.
    weightBox()->setEditText(QStringLiteral("12"));
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(weightBox(), &focus);
    settle();
    EXPECT_EQ(stored(QVShipmentWeightNumberKey), QStringLiteral("12"));
    EXPECT_EQ(form().firstResponder, FormControl::Weight);
    EXPECT_TRUE(form().firstResponderSelectsAll);
    ASSERT_EQ(form().weight().selectedIndex, 11);

    // The list opens with the chosen weight five rows below its top.
    const std::optional<qsizetype> top = controller->weightListScrollIndex();
    ASSERT_TRUE(top.has_value());
    weightBox()->showPopup();
    QApplication::processEvents();
    EXPECT_EQ(weightBox()->view()->indexAt(QPoint(4, 4)).row(), int(*top));
    weightBox()->hidePopup();
}

TEST_F(MasterWindowKeysTest, TheFirstKeyOrLeftClickInTheWindowShowsTheOverlayWhenItHasChildWindows)
{
    start();
    open();
    QWidget *zone = window->widget(FormControl::RateZone);
    ASSERT_NE(zone, nullptr);
    const auto click = [zone](Qt::MouseButton button) {
        QMouseEvent event(QEvent::MouseButtonPress, QPointF(2, 2), zone->mapToGlobal(QPointF(2, 2)), button, button,
                          Qt::NoModifier);
        QApplication::sendEvent(zone, &event);
    };
    const auto overlays = [this] { return handOvers->calls.count(QStringLiteral("overlay")); };

    // Without child windows the first event shows nothing, and is spent.
    press(zone, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QWidget child(window.get(), Qt::Tool);
    child.resize(40, 40);
    child.show();
    click(Qt::LeftButton);
    EXPECT_EQ(overlays(), 0);

    // With a child window: a right click does not count, the first left
    // click does, and only once.
    MasterController::resetFirstWindowEventForTesting();
    click(Qt::RightButton);
    EXPECT_EQ(overlays(), 0);
    click(Qt::LeftButton);
    EXPECT_EQ(overlays(), 1);
    press(zone, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    click(Qt::LeftButton);
    EXPECT_EQ(overlays(), 1);

    // A key-down counts as well.
    MasterController::resetFirstWindowEventForTesting();
    press(zone, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    EXPECT_EQ(overlays(), 2);
}

TEST_F(MasterWindowKeysTest, TheScaleStatusFadesAsTheControllerSays)
{
    start();
    open();
    auto *status = qobject_cast<QLabel *>(window->widget(FormControl::ScaleStatus));
    ASSERT_NE(status, nullptr);
    const auto alpha = [status] { return status->palette().color(QPalette::WindowText).alphaF(); };

    controller->setScaleStatusString(QStringLiteral("Scale connected."), true);
    EXPECT_EQ(status->text(), QStringLiteral("Scale connected."));
    EXPECT_NEAR(alpha(), 1.0, 0.01);
    for (const double step : {0.55, 0.05, 0.0}) {
        controller->fadeScaleStatusToAlpha(step);
        EXPECT_NEAR(alpha(), step, 0.01) << step;
    }
    EXPECT_EQ(status->text(), QStringLiteral("Scale connected.")) << "faded, not removed";
    // A new status shows at full strength again.
    controller->setScaleStatusString(QStringLiteral("Scale disconnected."), false);
    EXPECT_NEAR(alpha(), 1.0, 0.01);
}

TEST_F(MasterWindowKeysTest, TheInsuranceTextsAndTheVerifyAndPDFButtonsFollowTheForm)
{
    start();
    open();
    auto *insuranceBox = qobject_cast<QCheckBox *>(window->widget(FormControl::UseInsurance));
    auto *about = qobject_cast<QLabel *>(window->widget(FormControl::InsuranceAbout));
    auto *pdf = qobject_cast<QPushButton *>(window->widget(FormControl::MainPDFButton));
    auto *verify = qobject_cast<QPushButton *>(window->widget(FormControl::VerifyButton));
    ASSERT_TRUE(insuranceBox && about && pdf && verify);

    // The insurance box's title carries the fee the controller worked out.
    type(FormControl::Value, QStringLiteral("250"));
    window->refresh();
    const QString title = form().field(FormControl::UseInsurance).text;
    EXPECT_TRUE(title.contains(QLatin1Char('$'))) << qPrintable(title);
    EXPECT_EQ(insuranceBox->text(), title);

    // An account no longer eligible: the explanation says so.
    insurance->agreement = true;
    insurance->allowed = false;
    controller->validateInsuranceCheckbox();
    window->refresh();
    EXPECT_EQ(about->text(), QStringLiteral("Your account is no longer eligible for Tolvane Insurance."));
    EXPECT_FALSE(insuranceBox->isEnabled());

    // The PDF button is hidden while the preview comes up on printing.
    for (const bool preview : {true, false}) {
        defaults().setBool(preview, QStringLiteral("previewOnPrint"));
        controller->validateReplyPostageCheckbox();
        window->refresh();
        EXPECT_EQ(pdf->isVisibleTo(window.get()), !preview) << preview;
    }

    // The verify button verifies the destination box's address (an empty
    // one: an alert), and follows the form's enabled state.
    tolvane::test::DialogsScope recorded;
    verify->click();
    ASSERT_EQ(recorded->alerts.size(), 1);
    EXPECT_EQ(recorded->alerts.last().messageText, QStringLiteral("Empty Address"));
    form().field(FormControl::VerifyButton).enabled = false;
    window->refresh();
    EXPECT_FALSE(verify->isEnabled());
}

TEST_F(MasterWindowKeysTest, InBatchModeTheDestinationBoxShowsTheHelp)
{
    start();
    sendTo(QString(), QStringLiteral("CANADA"));
    open();
    QTextEdit *box = window->toAddressView();
    const QString address = form().text(FormControl::ToAddress);
    ASSERT_EQ(box->toPlainText(), address);

    QVAddress one;
    one.setZIP5(QStringLiteral("10001"));
    controller->enterBatchPrintWithAddresses({one, one});
    window->refresh();
    EXPECT_TRUE(box->toPlainText().contains(QStringLiteral("Prepare Batch Print Job")))
        << qPrintable(box->toPlainText());
    EXPECT_EQ(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(box->textInteractionFlags(), Qt::NoTextInteraction);
    EXPECT_TRUE(box->isReadOnly());
    window->commitEditing();
    EXPECT_EQ(form().text(FormControl::ToAddress), address) << "the help is never taken for an address";
    window->grab().toImage().save(QStringLiteral(TOLVANE_BINARY_DIR "/MasterWindow-batch.png"));

    controller->leaveBatchPrint();
    window->refresh();
    EXPECT_EQ(box->toPlainText(), address);
    EXPECT_EQ(box->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    EXPECT_FALSE(box->isReadOnly());
}

} // namespace
