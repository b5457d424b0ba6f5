#pragma once
// The printer set-up window (form "PrinterSetup") and its sheets: a thin view
// over QVPrinterSetupController's plain state. Every widget is set from the
// controller's controls whenever they change; every user action is handed to
// the controller, which stores the defaults and refreshes. The label-printer
// tools, the Zebra tools and the envelope-size sheets are window-modal
// dialogs shown while the controller says they are open. The envelope
// pictures are the bundle's images of the picture's name (".png").
#include "printing/setup/QVPrinterSetupController.h"

#include <QWidget>

#include <memory>

namespace Ui {
class PrinterSetup;
}

class QComboBox;
class QDialog;

class QVPrinterSetupWindow : public QWidget
{
public:
    explicit QVPrinterSetupWindow(QVPrinterSetupController &controller, QWidget *parent = nullptr);
    ~QVPrinterSetupWindow() override;

    // The program's window over the shared controller, created (hidden) on
    // first use; it shows itself when the controller asks (showEnvelopeSetup
    // and the sheets' ends). Needs a QApplication.
    static QVPrinterSetupWindow &sharedWindow();

    // Brings the widgets to the controller's state.
    void refresh();

    // The sheets (for tests and the window's own use); null until first
    // shown.
    QDialog *kivoToolsSheet() const;
    QDialog *zebraToolsSheet() const;
    QDialog *envelopeSizeSheet() const;

private:
    void connectPrinterTab();
    void connectEnvelopeTab();
    void refreshSheets();

    QVPrinterSetupController &m_controller;
    std::unique_ptr<Ui::PrinterSetup> m_ui;
    struct Sheets;
    std::unique_ptr<Sheets> m_sheets;
};

// Fills a pop-up from menu items (titles, tags as item data, enabled flags,
// separators) and selects the item of the tag (none when no item has it).
void fillPopup(QComboBox *popup, const QList<QVSetupMenuItem> &items, int selectedTag);
