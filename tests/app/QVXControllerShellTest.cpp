// QVXController's shared facilities: information alerts (automation, the
// suppression box, missing texts, the bundled texts), the progress panel and
// the help overlays with their fade.
#include "LaunchFakes.h"

#include "ConsoleCapture.h"
#include "RecordingDialogs.h"

#include "platform/Bundle.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

class Shell : public ::testing::Test
{
protected:
    DialogsScope dialogs;
    std::shared_ptr<FakeScheduler> scheduler = std::make_shared<FakeScheduler>();
    FakeProgressPanel panel;
    FakeOverlayHost overlays;
    QList<QUrl> opened;
    bool active = true;
    std::unique_ptr<QVXController> controller;

    void SetUp() override
    {
        UserDefaults::resetStandardUserDefaults();
        QVXControllerHooks hooks;
        hooks.isApplicationActive = [this] { return active; };
        hooks.openURL = [this](const QUrl &url) { opened.append(url); };
        controller = std::make_unique<QVXController>(hooks, scheduler);
        controller->setProgressPanel(&panel);
        controller->setOverlayHost(&overlays);
        controller->setInfoAlerts(QVariantMap{
            {QStringLiteral("sheetReminder"),
             QVariantMap{{QStringLiteral("title"), QStringLiteral("Print %d sheets?")},
                         {QStringLiteral("body"), QStringLiteral("You print %d sheet%@ for %@.")}}},
            {QStringLiteral("noBody"), QVariantMap{{QStringLiteral("title"), QStringLiteral("Title only")}}},
        });
    }
    void TearDown() override
    {
        setAutomationMode(false);
        UserDefaults::resetStandardUserDefaults();
    }
};

} // namespace

TEST_F(Shell, InfoAlertShowsTheTextsWithItsButtonsAndBox)
{
    dialogs->answers = {0};
    EXPECT_EQ(controller->infoAlertForKey(QStringLiteral("sheetReminder"), QStringLiteral("Print…"),
                                          QStringLiteral("Cancel"), true,
                                          {3, QStringLiteral("s"), QStringLiteral("$1.38")}),
              0);
    ASSERT_EQ(dialogs->alerts.size(), 1);
    const Alert &alert = dialogs->alerts[0];
    EXPECT_EQ(alert.messageText, QStringLiteral("Print %d sheets?")); // the title is not a format
    EXPECT_EQ(alert.informativeText, QStringLiteral("You print 3 sheets for $1.38."));
    ASSERT_EQ(alert.buttons.size(), 2);
    EXPECT_EQ(alert.buttons[0].title, QStringLiteral("Print…"));
    EXPECT_EQ(alert.buttons[0].answer, 1);
    EXPECT_EQ(alert.buttons[1].title, QStringLiteral("Cancel"));
    EXPECT_EQ(alert.buttons[1].answer, 0);
    EXPECT_TRUE(alert.showsSuppressionButton);
}

TEST_F(Shell, AutomationAnswersOneUnseenEvenForAKeyNeverSilenced)
{
    controller->setAutomation(true);
    EXPECT_TRUE(controller->isAutomation());
    EXPECT_EQ(controller->infoAlertForKey(QStringLiteral("sheetReminder"), true), 1);
    EXPECT_EQ(controller->infoAlertForKey(QStringLiteral("missing"), true), 1);
    EXPECT_TRUE(dialogs->alerts.isEmpty());
    controller->setAutomation(false);
    EXPECT_FALSE(controller->isAutomation());
}

TEST_F(Shell, SuppressionBoxSilencesOnlyWithTheDefaultButton)
{
    struct Case {
        bool remindBox;
        bool checked;
        int answer;
        bool silenced;
    };
    const Case cases[] = {
        {true, true, 0, false}, // box checked, alternate button: not silenced
        {true, false, 1, false},
        {false, true, 1, false}, // no box shown: nothing to check
        {true, true, 1, true},
    };
    for (const Case &c : cases) {
        UserDefaults::resetStandardUserDefaults();
        dialogs->alerts.clear();
        dialogs->answers = {c.answer};
        dialogs->suppressionChecks = {c.checked};
        EXPECT_EQ(controller->infoAlertForKey(QStringLiteral("sheetReminder"), QStringLiteral("OK"),
                                              QStringLiteral("Cancel"), c.remindBox),
                  c.answer);
        EXPECT_EQ(UserDefaults::standardUserDefaults().boolForKey(QStringLiteral("sheetReminder")), c.silenced);
        // A silenced alert answers 1 at once from now on.
        dialogs->alerts.clear();
        dialogs->answers = {0};
        const int again = controller->infoAlertForKey(QStringLiteral("sheetReminder"), true);
        EXPECT_EQ(dialogs->alerts.isEmpty(), c.silenced);
        if (c.silenced) {
            EXPECT_EQ(again, 1);
        }
    }
}

TEST_F(Shell, MissingTextsAnswerMinusTwoAndShowNothing)
{
    EXPECT_EQ(controller->infoAlertForKey(QStringLiteral("notThere"), true), -2);
    EXPECT_EQ(controller->infoAlertForKey(QStringLiteral("noBody"), true), -2);
    EXPECT_TRUE(dialogs->alerts.isEmpty());
}

TEST_F(Shell, BundledInfoAlertsHoldTheShellsKeys)
{
    controller->setInfoAlerts(std::nullopt); // read the bundle's list
    const auto list = Bundle::propertyListForResource(QStringLiteral("InfoAlerts"));
    ASSERT_TRUE(list.has_value());
    const QVariantMap alerts = list->toMap();
    for (const char *key :
         {"lionWarning", "usePostageReminder", "replyPostageReminder", "certifiedMailReminder",
          "certifiedMailVLSReminder", "certifiedMailReturnReceiptReminder", "certifiedMailVLSReturnReceiptReminder"}) {
        const QVariantMap entry = alerts.value(QLatin1String(key)).toMap();
        EXPECT_FALSE(entry.value(QStringLiteral("title")).toString().isEmpty()) << key;
        EXPECT_FALSE(entry.value(QStringLiteral("body")).toString().isEmpty()) << key;
        dialogs->alerts.clear();
        dialogs->answers = {1};
        EXPECT_EQ(controller->infoAlertForKey(QLatin1String(key), true), 1) << key;
        ASSERT_EQ(dialogs->alerts.size(), 1) << key;
        EXPECT_EQ(dialogs->alerts[0].messageText, entry.value(QStringLiteral("title")).toString());
        // No body of the shell's alerts takes arguments: it is shown as written.
        EXPECT_EQ(dialogs->alerts[0].informativeText, entry.value(QStringLiteral("body")).toString());
    }
}

TEST_F(Shell, ProgressPanelShowsOnceCentredAndHides)
{
    controller->setProgressTextString(QStringLiteral("Contacting server"));
    EXPECT_EQ(panel.calls,
              (QStringList{QStringLiteral("text:Contacting server"), QStringLiteral("centre"),
                           QStringLiteral("front+key"), QStringLiteral("spin")}));
    // Shown while visible: the text changes, nothing moves or restarts.
    panel.calls.clear();
    controller->setProgressTextString(QStringLiteral("Printing"));
    controller->showProgressPanel();
    EXPECT_EQ(panel.calls, QStringList{QStringLiteral("text:Printing")});
    panel.calls.clear();
    controller->hideProgressPanel();
    EXPECT_EQ(panel.calls, (QStringList{QStringLiteral("stop"), QStringLiteral("out")}));
    // Centred only the first time; an inactive program puts it above the
    // main window.
    panel.calls.clear();
    active = false;
    controller->showProgressPanel();
    EXPECT_EQ(panel.calls, (QStringList{QStringLiteral("aboveMain"), QStringLiteral("spin")}));
}

TEST_F(Shell, OverlayToggles)
{
    controller->showOverlay();
    ASSERT_EQ(overlays.overlays.size(), 1u);
    const FakeOverlayHost::Overlay &first = overlays.overlays.at(1);
    EXPECT_EQ(first.image, QStringLiteral("hoverthing"));
    // Left of the pop-up's corner by 351 and below it by 160 (its bottom
    // edge), so its top is the image's height above that.
    EXPECT_EQ(first.topLeft, QPointF(600 - 351, 400 + 160 - 300));

    // The second choice fades it: 50 steps from 1.0 to 0.02, let go after
    // 0.5 s, closed after 0.6 s.
    controller->showOverlay();
    EXPECT_TRUE(controller->isFading());
    EXPECT_EQ(overlays.overlays.size(), 1u);
    controller->showOverlay(); // while fading: ignored
    scheduler->advance(0.45);
    EXPECT_TRUE(overlays.overlays.at(1).attached);
    scheduler->advance(0.1);
    EXPECT_FALSE(overlays.overlays.at(1).attached);
    EXPECT_FALSE(overlays.overlays.at(1).closed);
    scheduler->advance(0.1);
    EXPECT_TRUE(overlays.overlays.at(1).closed);
    const QList<double> &alphas = overlays.overlays.at(1).alphas;
    ASSERT_EQ(alphas.size(), 50);
    EXPECT_DOUBLE_EQ(alphas.first(), 1.0);
    EXPECT_NEAR(alphas[25], 0.5, 1e-12);
    EXPECT_NEAR(alphas.last(), 0.02, 1e-12);

    // Then a new one shows again, and clicking it fades it.
    controller->showOverlay();
    ASSERT_EQ(overlays.overlays.size(), 2u);
    EXPECT_FALSE(controller->isFading());
    overlays.overlays.at(2).clicked();
    scheduler->advance(1);
    EXPECT_TRUE(overlays.overlays.at(2).closed);
}

TEST_F(Shell, OverlayNeedsAMainWindowAndTheWebStoreOverlaySitsBelowItsView)
{
    overlays.mainWindow = false;
    controller->showOverlay();
    EXPECT_TRUE(overlays.overlays.empty());
    overlays.mainWindow = true;
    // A main window without the piece-size pop-up: the overlay in its middle.
    overlays.popupCorner.reset();
    controller->showOverlay();
    ASSERT_EQ(overlays.overlays.size(), 1u);
    EXPECT_EQ(overlays.overlays.at(1).topLeft, QPointF(500 - 200, 400 - 150));
    overlays.overlays.clear();
    overlays.next = 1;
    controller->showWebStoreOverlayBelow(QRectF(100, 50, 40, 30));
    ASSERT_EQ(overlays.overlays.size(), 1u);
    EXPECT_EQ(overlays.overlays.at(1).image, QStringLiteral("Introducing-Web-Stores"));
    // Centred under the view's middle (120 - 360 / 2), its top the view's
    // height below the view's bottom edge (80 + 30).
    EXPECT_EQ(overlays.overlays.at(1).topLeft, QPointF(120 - 180, 80 + 30));
}

TEST_F(Shell, OverlayLinkOpensTheHelpPageAndFades)
{
    controller->showOverlay();
    controller->fadeOverlayWithLink(1);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0].path(), QStringLiteral("/support/help/labels/mailpiece-definitions.html"));
    EXPECT_TRUE(controller->isFading());
    UserDefaults::standardUserDefaults().setString(QStringLiteral("support.example.test"), QVMacSupportHostKey);
    EXPECT_EQ(QVXController::mailpieceDefinitionsURL().toString(),
              QStringLiteral("https://support.example.test/support/help/labels/mailpiece-definitions.html"));
}
