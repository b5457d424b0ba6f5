#include "platform/Dialogs.h"

#include "platform/ServiceSlot.h"

#include <QDebug>

#include <atomic>

namespace {

void logAlert(const Alert &alert, const char *why)
{
    qWarning().noquote() << QStringLiteral("Alert not shown (%1): %2 %3")
                                .arg(QLatin1String(why), alert.messageText, alert.informativeText);
}

// Without a display nobody can answer: the alert gives up.
class ConsoleDialogs final : public Dialogs
{
public:
    int runAlert(const Alert &alert) override
    {
        logAlert(alert, "no dialogs registered");
        return alert.cancelAnswer;
    }
};

using Slot = ServiceSlot<Dialogs, ConsoleDialogs>;

std::atomic<bool> &automationFlag()
{
    static std::atomic<bool> flag{false};
    return flag;
}

} // namespace

Alert alertWithText(const QString &messageText, const QString &informativeText)
{
    Alert alert;
    alert.messageText = messageText;
    alert.informativeText = informativeText;
    return alert;
}

void setDialogs(std::shared_ptr<Dialogs> dialogs) { Slot::shared().registered = std::move(dialogs); }

std::shared_ptr<Dialogs> dialogs() { return Slot::shared().current(); }

void setAutomationMode(bool on) { automationFlag() = on; }

bool isAutomationMode() { return automationFlag(); }

int runAlert(const Alert &alert)
{
    if (isAutomationMode()) {
        logAlert(alert, "automation");
        return alert.cancelAnswer;
    }
    return dialogs()->runAlert(alert);
}

AlertOutcome runAlertWithSuppression(const Alert &alert)
{
    if (isAutomationMode()) {
        logAlert(alert, "automation");
        return {alert.cancelAnswer, false};
    }
    return dialogs()->runAlertWithSuppression(alert);
}

std::optional<PrintInfo> runPageSetup(const PrintInfo &printInfo, PageSetupAccessory *accessory)
{
    if (isAutomationMode()) {
        qWarning("Page set-up not shown (automation).");
        return std::nullopt;
    }
    return dialogs()->runPageSetup(printInfo, accessory);
}

std::optional<PrintInfo> runPrintPanel(const PrintInfo &printInfo, PageSetupAccessory *accessory)
{
    if (isAutomationMode()) {
        qWarning("Print panel not shown (automation).");
        return std::nullopt;
    }
    return dialogs()->runPrintPanel(printInfo, accessory);
}

std::optional<QString> runSavePanel(const SavePanel &panel)
{
    if (isAutomationMode()) {
        qWarning("Save panel \"%s\" not shown (automation).", qUtf8Printable(panel.title));
        return std::nullopt;
    }
    return dialogs()->runSavePanel(panel);
}

std::optional<QString> runOpenPanel(const OpenPanel &panel)
{
    if (isAutomationMode()) {
        qWarning("Open panel \"%s\" not shown (automation).", qUtf8Printable(panel.title));
        return std::nullopt;
    }
    return dialogs()->runOpenPanel(panel);
}

std::optional<OpenPanelResult> runOpenPanelWithChoices(const OpenPanelWithChoices &panel)
{
    if (isAutomationMode()) {
        qWarning("Open panel \"%s\" not shown (automation).", qUtf8Printable(panel.panel.title));
        return std::nullopt;
    }
    return dialogs()->runOpenPanelWithChoices(panel);
}
