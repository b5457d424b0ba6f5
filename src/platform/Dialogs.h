#pragma once
// Alerts through one injectable interface, so that tests answer them and
// automation never waits for a user.
//
// An alert has a message text, an informative text and buttons; each button
// has a title and an answer (the value the alert returns when it is pressed,
// as a button's tag). Running it answers the pressed button's answer.
//
// The widgets layer registers the implementation that shows real windows;
// tests register a fake that records the alerts and answers from a script.
// Without a registered implementation an alert is written to the console and
// answers its cancel answer, as does every alert while automation mode is on
// (nothing waits for a user then).
#include "platform/PrintInfo.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

struct AlertButton {
    QString title;
    int answer = 0;
};

struct Alert {
    // How the alert is drawn: a warning (what most alerts are), or an
    // informational alert that reports a success or a plain result.
    enum class Style { Warning, Informational };

    QString messageText;
    QString informativeText;
    // In the order shown; the first one is the default button.
    QList<AlertButton> buttons;
    // What the alert answers when nobody can be asked (automation mode, no
    // display): the answer of the button that gives up.
    int cancelAnswer = 0;
    // A check box under the texts with which the user silences the alert
    // for good (its state is answered by runAlertWithSuppression); the
    // title is "Do not show this message again" when empty.
    bool showsSuppressionButton = false;
    QString suppressionButtonTitle;
    Style style = Style::Warning;
};

// A new alert with the message text and the informative text and no buttons
// of its own (it is shown with one "OK" button); every alert of the program
// is made with it.
Alert alertWithText(const QString &messageText, const QString &informativeText);

// What an alert with a suppression box answers: the pressed button's answer
// and whether the box was checked when the alert closed.
struct AlertOutcome {
    int answer = 0;
    bool suppressionChecked = false;
};

// The part of the page set-up that the caller adds (margins, label
// placement): it edits the print info the dialog shows.
class PageSetupAccessory
{
public:
    virtual ~PageSetupAccessory() = default;
    virtual PrintInfo accessoryPrintInfo() const = 0;
    virtual void setAccessoryPrintInfo(const PrintInfo &printInfo) = 0;
};

// A save panel: its title, the file name it suggests and the extensions
// (without the dot) the chosen file may have; the first one is added when the
// chosen name has none of them.
struct SavePanel {
    QString title;
    QString suggestedFileName;
    QStringList allowedExtensions;
};

// A choice shown below an open panel's file list (its accessory): a title
// and items of which one is chosen (`selected`, an index into `items`).
struct PanelChoice {
    QString title;
    QStringList items;
    int selected = 0;
};

// An open panel for one file: its title and the extensions (without the
// dot) the file may have; none listed: a file of any type.
struct OpenPanel {
    QString title;
    QStringList allowedExtensions;
};

// An open panel that also shows choices below its file list and tells
// `selectionDidChange` (when set) each file the user selects, which may
// change the choices shown.
struct OpenPanelWithChoices {
    OpenPanel panel;
    QList<PanelChoice> choices;
    std::function<void(const QString &path, QList<PanelChoice> &choices)> selectionDidChange;
};

// What an open panel with choices answers: the chosen file and the choices
// as they were when the panel closed.
struct OpenPanelResult {
    QString path;
    QList<PanelChoice> choices;
};

class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // Shows the alert modally and answers the pressed button's answer.
    virtual int runAlert(const Alert &alert) = 0;

    // Likewise, and tells whether the suppression box (when the alert shows
    // one) was checked. Implementations without such a box answer it
    // unchecked.
    virtual AlertOutcome runAlertWithSuppression(const Alert &alert) { return {runAlert(alert), false}; }

    // Shows the page set-up of the print info (paper, orientation) with the
    // accessory (may be null) and answers the settings chosen, or nothing
    // when the user cancels. Implementations without such a dialog answer
    // nothing.
    virtual std::optional<PrintInfo> runPageSetup(const PrintInfo &printInfo, PageSetupAccessory *accessory)
    {
        (void)printInfo;
        (void)accessory;
        return std::nullopt;
    }

    // Shows the print panel for the print info with the accessory (may be
    // null): the user chooses the printer and prints or cancels; the paper,
    // orientation, copies and page range are the caller's and not offered.
    // Answers the print info with the chosen printer, or nothing when the
    // user cancels. Implementations without such a panel answer nothing.
    virtual std::optional<PrintInfo> runPrintPanel(const PrintInfo &printInfo, PageSetupAccessory *accessory)
    {
        (void)printInfo;
        (void)accessory;
        return std::nullopt;
    }

    // Shows the save panel modally and answers the chosen path, or nothing
    // when the user cancels. Implementations without such a panel answer
    // nothing.
    virtual std::optional<QString> runSavePanel(const SavePanel &panel)
    {
        (void)panel;
        return std::nullopt;
    }

    // Shows the open panel modally and answers the chosen file's path, or
    // nothing when the user cancels. Implementations without such a panel
    // answer nothing.
    virtual std::optional<QString> runOpenPanel(const OpenPanel &panel)
    {
        (void)panel;
        return std::nullopt;
    }

    // Shows the open panel with its choices and answers the chosen file and
    // the choices, or nothing when the user cancels. Implementations that
    // cannot show choices run the plain open panel and answer the choices
    // unchanged.
    virtual std::optional<OpenPanelResult> runOpenPanelWithChoices(const OpenPanelWithChoices &panel)
    {
        const std::optional<QString> path = runOpenPanel(panel.panel);
        if (!path)
            return std::nullopt;
        return OpenPanelResult{*path, panel.choices};
    }
};

// Registers the implementation (nullptr brings back the console stand-in).
void setDialogs(std::shared_ptr<Dialogs> dialogs);
std::shared_ptr<Dialogs> dialogs();

// While automation mode is on, runAlert() shows nothing, writes the alert to
// the console and answers its cancel answer.
void setAutomationMode(bool on);
bool isAutomationMode();

// Runs the alert through the registered implementation, honouring automation
// mode (see above).
int runAlert(const Alert &alert);

// Runs the alert with its suppression box through the registered
// implementation; in automation mode as runAlert() (box unchecked).
AlertOutcome runAlertWithSuppression(const Alert &alert);

// Runs the page set-up through the registered implementation; in automation
// mode nothing is shown and the answer is nothing.
std::optional<PrintInfo> runPageSetup(const PrintInfo &printInfo, PageSetupAccessory *accessory);

// Runs the print panel through the registered implementation; in
// automation mode nothing is shown and the answer is nothing (as a cancel).
std::optional<PrintInfo> runPrintPanel(const PrintInfo &printInfo, PageSetupAccessory *accessory);

// Runs the save panel through the registered implementation; in automation
// mode nothing is shown and the answer is nothing (as a cancel).
std::optional<QString> runSavePanel(const SavePanel &panel);

// Runs the open panel through the registered implementation; in automation
// mode nothing is shown and the answer is nothing (as a cancel).
std::optional<QString> runOpenPanel(const OpenPanel &panel);

// Runs the open panel with its choices through the registered
// implementation; in automation mode nothing is shown and the answer is
// nothing (as a cancel).
std::optional<OpenPanelResult> runOpenPanelWithChoices(const OpenPanelWithChoices &panel);
