// The dialogs interface: the registered implementation answers, automation
// mode answers the cancel answer without asking anybody.
#include "RecordingDialogs.h"

#include "ConsoleCapture.h"

#include <gtest/gtest.h>

namespace {

Alert retryAlert()
{
    Alert alert;
    alert.messageText = QStringLiteral("Printer gone.");
    alert.buttons = {{QStringLiteral("Print Again"), 1}, {QStringLiteral("Cancel"), 0}};
    alert.cancelAnswer = 0;
    return alert;
}

} // namespace

TEST(Dialogs, RegisteredImplementationAnswersUnlessAutomationRuns)
{
    tolvane::test::DialogsScope dialogs;
    dialogs->answers = {1};
    EXPECT_EQ(runAlert(retryAlert()), 1);
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("Printer gone."));

    setAutomationMode(true);
    EXPECT_TRUE(isAutomationMode());
    dialogs->answers = {1};
    tolvane::test::ConsoleCapture console;
    EXPECT_EQ(runAlert(retryAlert()), 0);
    EXPECT_EQ(dialogs->alerts.size(), 1); // nobody was asked
    ASSERT_EQ(console.lines().size(), 1);
    EXPECT_TRUE(console.lines()[0].contains(QStringLiteral("Printer gone.")));
    setAutomationMode(false);
}

TEST(Dialogs, WithoutAnImplementationTheAlertGivesUp)
{
    setDialogs(nullptr);
    tolvane::test::ConsoleCapture console;
    Alert alert = retryAlert();
    alert.cancelAnswer = 7;
    EXPECT_EQ(runAlert(alert), 7);
    EXPECT_EQ(console.lines().size(), 1);
}

TEST(Dialogs, SavePanelAnswersTheChosenPathOrNothing)
{
    const SavePanel panel{QStringLiteral("Export"), QStringLiteral("Log.xml"), {QStringLiteral("xml")}};
    {
        tolvane::test::DialogsScope dialogs;
        dialogs->savePaths = {QStringLiteral("/tmp/chosen.xml"), std::nullopt};
        EXPECT_EQ(runSavePanel(panel), QStringLiteral("/tmp/chosen.xml"));
        EXPECT_EQ(runSavePanel(panel), std::nullopt); // cancelled
        ASSERT_EQ(dialogs->savePanels.size(), 2);
        EXPECT_EQ(dialogs->savePanels[0].suggestedFileName, QStringLiteral("Log.xml"));
        EXPECT_EQ(dialogs->savePanels[0].allowedExtensions, QStringList{QStringLiteral("xml")});

        // Automation mode shows nothing and answers nothing.
        setAutomationMode(true);
        dialogs->savePaths = {QStringLiteral("/tmp/never.xml")};
        EXPECT_EQ(runSavePanel(panel), std::nullopt);
        EXPECT_EQ(dialogs->savePanels.size(), 2);
        EXPECT_EQ(dialogs->savePaths.size(), 1);
    }
    // Without an implementation there is no panel to show.
    EXPECT_EQ(runSavePanel(panel), std::nullopt);
}

TEST(Dialogs, SuppressionBoxStateIsAnsweredUnlessAutomationRuns)
{
    tolvane::test::DialogsScope dialogs;
    Alert alert = retryAlert();
    alert.showsSuppressionButton = true;
    dialogs->answers = {1, 1};
    dialogs->suppressionChecks = {true};
    AlertOutcome outcome = runAlertWithSuppression(alert);
    EXPECT_EQ(outcome.answer, 1);
    EXPECT_TRUE(outcome.suppressionChecked);
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_TRUE(dialogs->alerts[0].showsSuppressionButton);

    setAutomationMode(true);
    dialogs->suppressionChecks = {true};
    tolvane::test::ConsoleCapture console;
    outcome = runAlertWithSuppression(alert);
    EXPECT_EQ(outcome.answer, 0);
    EXPECT_FALSE(outcome.suppressionChecked);
    EXPECT_EQ(dialogs->alerts.size(), 1);
    setAutomationMode(false);
}
