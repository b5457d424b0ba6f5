// MasterController's weight steps (buttons and Command-arrows, the stamp
// window's steps in its mode), batch mode with its help, and the window's
// keys as commands.
#include "MasterPeersFixture.h"

using namespace master_test;

namespace {

using WeightStepTest = MasterPeersTest;

TEST_F(WeightStepTest, StepsMoveOneEntryAndStopAtTheEnds)
{
    startFirstClassLetter();
    ASSERT_EQ(form().weight().values.size(), 6);
    struct Case {
        const char *what;
        QString typed;
        bool up;
        QString stored; // the weight after the step
        bool moved;
    } cases[] = {
        {"one heavier", QStringLiteral("3"), true, QStringLiteral("4"), true},
        {"one lighter", QStringLiteral("3"), false, QStringLiteral("2"), true},
        {"the heaviest goes no higher", QStringLiteral("6"), true, QStringLiteral("6"), false},
        {"the lightest goes no lower", QStringLiteral("1"), false, QStringLiteral("1"), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        typeWeight(c.typed);
        const qsizetype before = form().weight().selectedIndex;
        form().makeFirstResponder(FormControl::Value);
        c.up ? controller->weightUp() : controller->weightDown();
        settle();
        EXPECT_EQ(stored(QVShipmentWeightNumberKey), c.stored);
        const FormComboBox &box = form().weight();
        EXPECT_EQ(box.selectedIndex, c.moved ? before + (c.up ? 1 : -1) : before);
        EXPECT_EQ(box.text, box.values.value(box.selectedIndex));
        // A step ends with the weight box holding the keyboard; none leaves
        // the focus where it was.
        EXPECT_EQ(form().firstResponder, c.moved ? FormControl::Weight : FormControl::Value);
    }
    EXPECT_EQ(stamps->calls(), 0);
}

TEST_F(WeightStepTest, InTheStampModeStepsGoToTheStampWindow)
{
    startFirstClassLetter();
    typeWeight(QStringLiteral("3"));
    shell->standardMode = false;
    controller->weightUp();
    controller->weightDown();
    controller->weightDown();
    settle();
    EXPECT_EQ(stamps->ratesUp, 1);
    EXPECT_EQ(stamps->ratesDown, 2);
    EXPECT_EQ(stored(QVShipmentWeightNumberKey), QStringLiteral("3"));
}

TEST_F(WeightStepTest, TheWeightBoxTakingTheKeyboardReadsItAndSelectsItsText)
{
    startFirstClassLetter();
    form().weight().text = QStringLiteral("5 oz");
    controller->selectRateWeight();
    EXPECT_FALSE(form().firstResponderSelectsAll) << "the text is selected after the event";
    settle();
    EXPECT_EQ(stored(QVShipmentWeightNumberKey), QStringLiteral("5"));
    EXPECT_EQ(form().firstResponder, FormControl::Weight);
    EXPECT_TRUE(form().firstResponderSelectsAll);
}

using BatchModeTest = MasterPeersTest;

TEST_F(BatchModeTest, EnteringAndLeaving)
{
    start();
    int printButtonUpdates = 0;
    controller->hooks().updatePrintButton = [&] { ++printButtonUpdates; };

    // Nothing to print: nothing changes.
    controller->enterBatchPrintWithAddresses({});
    EXPECT_FALSE(controller->inBatchMode());
    EXPECT_TRUE(form().field(FormControl::ToAddress).enabled);
    EXPECT_TRUE(form().field(FormControl::VerifyButton).enabled);
    EXPECT_EQ(printButtonUpdates, 0);
    // Leaving when not in batch mode changes nothing either.
    ASSERT_FALSE(controller->needsUpdate());
    controller->leaveBatchPrint();
    EXPECT_FALSE(controller->needsUpdate());

    QVAddress a, b;
    a.setName(QStringLiteral("Ada Lovelace"));
    b.setName(QStringLiteral("Charles Babbage"));
    controller->enterBatchPrintWithAddresses({a, b});
    EXPECT_TRUE(controller->inBatchMode());
    EXPECT_EQ(controller->batchAddresses().size(), 2);
    EXPECT_FALSE(form().field(FormControl::ToAddress).enabled) << "the help is not editable";
    EXPECT_FALSE(form().field(FormControl::VerifyButton).enabled);
    EXPECT_FALSE(form().field(FormControl::DragView).enabled);
    EXPECT_EQ(printButtonUpdates, 1);

    controller->leaveBatchPrint();
    EXPECT_FALSE(controller->inBatchMode());
    EXPECT_TRUE(controller->batchAddresses().isEmpty());
    EXPECT_TRUE(form().field(FormControl::VerifyButton).enabled);
    EXPECT_TRUE(form().field(FormControl::ToAddress).enabled);
    EXPECT_TRUE(controller->needsUpdate());
}

TEST_F(BatchModeTest, TheHelpIsABundledHTMLDocument)
{
    const QString help = MasterController::batchHelpHTML();
    EXPECT_TRUE(help.startsWith(QStringLiteral("<!DOCTYPE html>")));
    EXPECT_TRUE(help.contains(QStringLiteral("Prepare Batch Print Job")))
        << "it names the print button as batch mode titles it";
}

using WindowKeysTest = MasterPeersTest;

TEST_F(WindowKeysTest, KeysAsCommands)
{
    const Qt::KeyboardModifiers command = Qt::ControlModifier;
    const Qt::KeyboardModifiers option = Qt::AltModifier;
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        bool stampMode;
        MasterKeyCommand expected;
    } cases[] = {
        {Qt::Key_Up, command, false, MasterKeyCommand::WeightUp},
        {Qt::Key_Down, command, false, MasterKeyCommand::WeightDown},
        {Qt::Key_Up, command, true, MasterKeyCommand::WeightUp},
        {Qt::Key_Down, command | option, false, MasterKeyCommand::Swallow},
        {Qt::Key_Up, command | option, false, MasterKeyCommand::Swallow},
        {Qt::Key_Down, command | option, true, MasterKeyCommand::SheetCountDown},
        {Qt::Key_Up, command | option, true, MasterKeyCommand::SheetCountUp},
        {Qt::Key_Up, option, false, MasterKeyCommand::PassOn},
        {Qt::Key_Down, Qt::NoModifier, false, MasterKeyCommand::PassOn},
        {Qt::Key_P, command, false, MasterKeyCommand::PrintTheLabel},
        {Qt::Key_P, option, false, MasterKeyCommand::PrintTheLabel},
        {Qt::Key_P, command, true, MasterKeyCommand::PassOn},
        {Qt::Key_P, command | Qt::ShiftModifier, false, MasterKeyCommand::PassOn},
        {Qt::Key_P, Qt::NoModifier, false, MasterKeyCommand::PassOn},
        {Qt::Key_Left, command, false, MasterKeyCommand::PassOn},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << c.key << " modifiers " << int(c.modifiers) << " stamp "
                                        << c.stampMode);
        EXPECT_EQ(MasterController::windowKeyCommand(c.key, c.modifiers, c.stampMode), c.expected);
    }
}

TEST_F(WindowKeysTest, KeysReachTheirReceivers)
{
    startFirstClassLetter();
    typeWeight(QStringLiteral("3"));

    // Command-Option-Down in the standard mode: handled, and nothing happens.
    EXPECT_TRUE(controller->windowKeyDown(Qt::Key_Down, Qt::ControlModifier | Qt::AltModifier));
    settle();
    EXPECT_EQ(stored(QVShipmentWeightNumberKey), QStringLiteral("3"));
    EXPECT_EQ(stamps->calls(), 0);
    EXPECT_EQ(printing->prints, 0);

    // Command-Up in the standard mode steps the weight.
    EXPECT_TRUE(controller->windowKeyDown(Qt::Key_Up, Qt::ControlModifier));
    settle();
    EXPECT_EQ(stored(QVShipmentWeightNumberKey), QStringLiteral("4"));
    EXPECT_TRUE(controller->windowKeyDown(Qt::Key_P, Qt::ControlModifier));
    EXPECT_EQ(printing->prints, 1);

    // The stamp mode: Command-Up reaches the stamp window's rateUp, Command-
    // Option-Down its sheet count, and Command-P goes on to the window's
    // ordinary dispatch.
    shell->standardMode = false;
    EXPECT_TRUE(controller->windowKeyDown(Qt::Key_Up, Qt::ControlModifier));
    EXPECT_EQ(stamps->ratesUp, 1);
    EXPECT_TRUE(controller->windowKeyDown(Qt::Key_Down, Qt::ControlModifier | Qt::AltModifier));
    EXPECT_EQ(stamps->sheetsDown, 1);
    EXPECT_FALSE(controller->windowKeyDown(Qt::Key_P, Qt::ControlModifier));
    EXPECT_EQ(printing->prints, 1);
    settle();
    EXPECT_EQ(stored(QVShipmentWeightNumberKey), QStringLiteral("4"));
}

TEST_F(WindowKeysTest, TheFirstEventOfTheProcessShowsTheOverlayOnce)
{
    start();
    controller->windowEventSeen(true);
    controller->windowEventSeen(true);
    EXPECT_EQ(handOvers->calls, QStringList{QStringLiteral("overlay")});

    // Without child windows the first event shows nothing, and no later one
    // does.
    MasterController::resetFirstWindowEventForTesting();
    handOvers->calls.clear();
    controller->windowEventSeen(false);
    controller->windowEventSeen(true);
    EXPECT_TRUE(handOvers->calls.isEmpty());
}

} // namespace
