#pragma once
// The dialogs interface shown with Qt Widgets: alerts as message boxes
// (buttons in the alert's order, the first one the default, Escape pressing
// the button that answers the cancel answer, the suppression box as the
// box's check box), the save and open panels as file dialogs and the page set-up as
// the print support's page set-up dialog.
//
// registerWidgetDialogs() makes it the program's dialogs; call it once the
// QApplication exists. Each dialog is modal to the application and parented
// to the active window, when there is one.
#include "platform/Dialogs.h"

class QMessageBox;
class QFileDialog;
class QPageSetupDialog;
class QPrinter;

namespace tolvane {

class WidgetDialogs : public Dialogs
{
public:
    int runAlert(const Alert &alert) override;
    AlertOutcome runAlertWithSuppression(const Alert &alert) override;
    std::optional<PrintInfo> runPageSetup(const PrintInfo &printInfo, PageSetupAccessory *accessory) override;
    std::optional<PrintInfo> runPrintPanel(const PrintInfo &printInfo, PageSetupAccessory *accessory) override;
    std::optional<QString> runSavePanel(const SavePanel &panel) override;
    std::optional<QString> runOpenPanel(const OpenPanel &panel) override;
    std::optional<OpenPanelResult> runOpenPanelWithChoices(const OpenPanelWithChoices &panel) override;
};

void registerWidgetDialogs();

// The pieces the implementation is made of, for tests and for windows that
// show an alert of their own making.

// The message box of an alert. An alert without buttons gets one "OK"
// button answering 1.
QMessageBox *makeMessageBox(const Alert &alert, QWidget *parent);
// The answer of the button that closed the box.
int answerOfClickedButton(const QMessageBox &box, const Alert &alert);

// The file name the save panel answers for the chosen one: the first
// allowed extension is added when the name has none of them.
QString savePanelPathWithExtension(const QString &chosen, const QStringList &allowedExtensions);

// The open panel with its choices as a file dialog (Qt's own, so that the
// choices can sit below the file list): one labelled pop-up per choice; each
// file the user selects goes to the panel's selectionDidChange and the
// pop-ups follow its changes. `choicesOf` reads the pop-ups back.
QFileDialog *makeOpenPanelWithChoices(const OpenPanelWithChoices &panel, QWidget *parent);
QList<PanelChoice> choicesOf(const QFileDialog &dialog, const QList<PanelChoice> &shown);

// The print settings of a print info in a printer, and back: paper (its
// name and size in points), orientation, margins and the printer's name;
// every other field of `base` is kept. The paper size answered is the
// portrait size.
void applyPrintInfoToPrinter(const PrintInfo &printInfo, QPrinter &printer);
PrintInfo printInfoFromPrinter(const QPrinter &printer, const PrintInfo &base);

} // namespace tolvane
