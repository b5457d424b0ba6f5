#pragma once
// A dialogs implementation for tests: records every alert it is asked to
// show and answers from a script (or a callback that may change the world
// before answering, as a user who plugs the printer in and presses "Print
// Again"). Installs itself while it lives and removes itself afterwards.
#include "platform/Dialogs.h"

#include <QList>

#include <functional>
#include <optional>
#include <memory>

namespace tolvane::test {

class RecordingDialogs : public Dialogs
{
public:
    QList<Alert> alerts;
    // Answers in order; when they run out, each alert answers its cancel
    // answer.
    QList<int> answers;
    // Called before answering, with the number of the alert (0 first); its
    // answer, when it gives one, wins over `answers`.
    std::function<std::optional<int>(int)> onAlert;

    int runAlert(const Alert &alert) override
    {
        alerts.append(alert);
        if (onAlert) {
            if (const std::optional<int> answer = onAlert(int(alerts.size()) - 1))
                return *answer;
        }
        return answers.isEmpty() ? alert.cancelAnswer : answers.takeFirst();
    }

    // Whether the suppression box is checked when each alert that shows one
    // closes, in order; unchecked when they run out.
    QList<bool> suppressionChecks;

    AlertOutcome runAlertWithSuppression(const Alert &alert) override
    {
        const bool checked =
            alert.showsSuppressionButton && !suppressionChecks.isEmpty() ? suppressionChecks.takeFirst() : false;
        return {runAlert(alert), checked};
    }

    QList<SavePanel> savePanels;
    // The paths the save panels answer in order; nothing (a cancel) when
    // they run out or the answer is nothing.
    QList<std::optional<QString>> savePaths;

    std::optional<QString> runSavePanel(const SavePanel &panel) override
    {
        savePanels.append(panel);
        return savePaths.isEmpty() ? std::nullopt : savePaths.takeFirst();
    }

    QList<OpenPanel> openPanels;
    // The paths the open panels answer in order; nothing (a cancel) when
    // they run out or the answer is nothing.
    QList<std::optional<QString>> openPaths;

    std::optional<QString> runOpenPanel(const OpenPanel &panel) override
    {
        openPanels.append(panel);
        return openPaths.isEmpty() ? std::nullopt : openPaths.takeFirst();
    }

    // Plays the user of an open panel with choices, after the panel was
    // recorded in `openPanels` and before the path is taken from
    // `openPaths`: may select files (calling the panel's selectionDidChange)
    // and change the choices. Without it the choices stay as shown.
    std::function<void(const OpenPanelWithChoices &, QList<PanelChoice> &)> onOpenPanelChoices;

    std::optional<OpenPanelResult> runOpenPanelWithChoices(const OpenPanelWithChoices &panel) override
    {
        QList<PanelChoice> choices = panel.choices;
        openPanels.append(panel.panel);
        if (onOpenPanelChoices)
            onOpenPanelChoices(panel, choices);
        const std::optional<QString> path = openPaths.isEmpty() ? std::nullopt : openPaths.takeFirst();
        if (!path)
            return std::nullopt;
        return OpenPanelResult{*path, choices};
    }

    // The print infos the page set-up was shown with.
    QList<PrintInfo> pageSetups;
    // Plays the user of the page set-up: may edit the accessory, and answers
    // the settings chosen (nothing: cancelled). Without it every page set-up
    // is cancelled.
    std::function<std::optional<PrintInfo>(const PrintInfo &, PageSetupAccessory *)> onPageSetup;

    std::optional<PrintInfo> runPageSetup(const PrintInfo &printInfo, PageSetupAccessory *accessory) override
    {
        pageSetups.append(printInfo);
        return onPageSetup ? onPageSetup(printInfo, accessory) : std::nullopt;
    }

    // The print infos the print panel was shown with, and its user (without
    // one every print panel is cancelled).
    QList<PrintInfo> printPanels;
    std::function<std::optional<PrintInfo>(const PrintInfo &, PageSetupAccessory *)> onPrintPanel;

    std::optional<PrintInfo> runPrintPanel(const PrintInfo &printInfo, PageSetupAccessory *accessory) override
    {
        printPanels.append(printInfo);
        return onPrintPanel ? onPrintPanel(printInfo, accessory) : std::nullopt;
    }
};

// Registers a RecordingDialogs for the scope.
class DialogsScope
{
public:
    DialogsScope() : m_dialogs(std::make_shared<RecordingDialogs>()) { setDialogs(m_dialogs); }
    ~DialogsScope()
    {
        setDialogs(nullptr);
        setAutomationMode(false);
    }
    DialogsScope(const DialogsScope &) = delete;
    DialogsScope &operator=(const DialogsScope &) = delete;

    RecordingDialogs *operator->() const { return m_dialogs.get(); }
    RecordingDialogs &operator*() const { return *m_dialogs; }

private:
    std::shared_ptr<RecordingDialogs> m_dialogs;
};

} // namespace tolvane::test
