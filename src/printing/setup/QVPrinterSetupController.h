#pragma once
// The printer set-up: for the whole program the one answer to which printer
// and label stock a piece is printed on, which print queue a purpose uses and
// which page settings each plain-paper purpose uses; and the logic of the
// set-up window on plain state (the window itself binds to controls()).
//
// It keeps nothing of its own beyond the window's controls: every setting
// lives in the user defaults and is read again on every question, so a change
// made anywhere is seen at once.
//
// User defaults: printerType, printerLabel (printer- and label-type
// constants, QVPrinterTypes.h), useKIVOForEnvelopes, kivoSettings (dictionary:
// "defaultLabel" and, under each maker's label type, "printer", "tray",
// "density"), the Zebra route keys (Zebra2844.h), the plain-paper print
// settings under the purpose keys with the queue's name under "p_<key>_name",
// updatedPlainPaperPrintInfo, overrideFCMIPrintInfo, override2976APrintInfo.
//
// Alerts go through the dialogs interface (platform/Dialogs.h). The object
// lives on the main thread.
#include "model/ClientServices.h"
#include "platform/PrintInfo.h"
#include "printing/setup/QVPrinterTypes.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <optional>

// The window's controls as plain state.
struct QVPrinterSetupControls {
    // The printer-type button that is on (a printer-type constant).
    QString printerType;
    // The selected stock of the label-stock choice (0 to 4).
    int stockTag = 0;
    bool useKIVOForEnvelopes = false;
    // The envelope check box can be used only while a label printer is
    // available.
    bool useKIVOForEnvelopesEnabled = false;
    // The customs-form choices: 0 = the shared settings, 1 = their own.
    int fcmiChoiceTag = 0;
    int form2976AChoiceTag = 0;
    // The Zebra tools sheet was opened (no Zebra route was found).
    bool zebraToolsSheetOpen = false;
    // The names of the Zebra print queues and the paths of the serial ports.
    QStringList zebraQueues;
    QStringList serialPorts;
};

class QVPrinterSetupController final : public QObject, public QVPrinterSetupServices
{
    Q_OBJECT

public:
    // The buttons and choices that pick a printer type.
    enum class PrinterTypeChoice { PlainPaper, LabelPrinter, StockChoice, Zebra };

    explicit QVPrinterSetupController(QObject *parent = nullptr);
    ~QVPrinterSetupController() override;

    // The program's one controller, created on first use.
    static std::shared_ptr<QVPrinterSetupController> sharedController();

    // ---- Questions of the rest of the program
    QString printerTypeForEnvelope(bool envelope) const;
    QString labelTypeForEnvelope(bool envelope) override;
    // The queue a piece of that printer and label type goes to; nothing for
    // an unknown printer type.
    std::optional<QString> printerNameForPrinterType(const QString &printerType, const QString &labelType,
                                                     const QString &plainPaperInfoKey);
    std::optional<QString> printerName();

    // A purpose's print settings: the stored ones (corrected as described in
    // the source), or the purpose's defaults when none are stored or the
    // stored data is damaged.
    PrintInfo plainPaperPrintInfoForKey(const QString &key) const;
    PrintInfo plainPaperPrintInfo() const { return plainPaperPrintInfoForKey(QVPlainPaperPrintInfoKey); }
    // Stores (or, with nothing, removes) a purpose's print settings and its
    // queue's name, then refreshes the controls.
    void setPlainPaperPrintInfo(const std::optional<PrintInfo> &printInfo, const QString &key);
    void setPlainPaperPrintInfo(const std::optional<PrintInfo> &printInfo)
    {
        setPlainPaperPrintInfo(printInfo, QVPlainPaperPrintInfoKey);
    }

    // Selects the printer type as if its button were pressed; any other text
    // is ignored.
    void setPrinterTypeWithTypeString(const QString &printerType);

    // Refreshes the controls from the defaults on the controller's thread,
    // waiting until done.
    void readFromDefaults();

    // ---- The label-printer settings
    QVariantMap kivoSettings() const;
    // A value of the label type's dictionary ("printer", "tray", "density");
    // null when there is none.
    QVariant kivoSetting(const QString &labelType, const QString &key) const;

    // ---- Window actions and state
    const QVPrinterSetupControls &controls() const { return m_controls; }
    // A printer-type button or the stock choice.
    void setPrinterType(PrinterTypeChoice choice);
    // The user picks a stock in the label-stock choice.
    void chooseStock(int tag);
    void setUseKIVOForEnvelopes(bool on);
    void setFCMIChoice(int tag);
    void set2976AChoice(int tag);
    void closeZebraToolsSheet() { m_controls.zebraToolsSheetOpen = false; }

    // The minimum label-printer driver version named in the alert (the
    // resource "KIVOMinimumDriverVersion.txt").
    static QString minimumDriverVersion();

signals:
    void controlsChanged();

private:
    void refreshControls();
    void scheduleRefresh();
    // The label-printer button with the label of the chosen stock (null:
    // the stored label stays).
    void chooseLabelPrinter(const QString &label);

    QVPrinterSetupControls m_controls;
    struct Observers;
    std::unique_ptr<Observers> m_observers;
};
