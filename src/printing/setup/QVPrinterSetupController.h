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
// The window's state (QVPrinterSetupControls) is refreshed from the defaults
// after every change: which printer-type button is on and which tools can be
// used, the queues of the plain-paper purposes and customs forms, the
// stocks' printers and rolls, the Zebra settings and connection, the envelope
// feed and the size menus. The sheets (label-printer tools, Zebra tools,
// envelope size) are part of that state; the print and page-layout sheets,
// alerts and the open panel go through the dialogs interface
// (platform/Dialogs.h), the Zebra tools' bytes through Zebra2844::writeData.
// The window itself (QVPrinterSetupWindow) only shows that state. The object
// lives on the main thread.
#include "model/ClientServices.h"
#include "platform/PrintInfo.h"
#include "printing/PrintingServices.h"
#include "printing/setup/QVPrinterTypes.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <memory>
#include <optional>

// One item of a pop-up menu or menu: its title, tag and enabled flag; a
// separator has no title.
struct QVSetupMenuItem {
    QString title;
    int tag = 0;
    bool enabled = true;
    bool separator = false;

    friend bool operator==(const QVSetupMenuItem &, const QVSetupMenuItem &) = default;
};

// The label-printer tools sheet of one stock: its title, the label printers
// to choose from, the roll and the density.
struct QVKivoToolsSheet {
    bool open = false;
    // The stock the sheet edits (a maker's label type).
    QString labelType;
    QString title;
    QStringList queues;
    QString selectedQueue;
    // "Left Roll" and "Right Roll" (enabled) for a two-roll printer, else
    // "Main Roll" (disabled).
    QList<QVSetupMenuItem> rollItems;
    int selectedRollIndex = 0;
    // Tags are the densities of the driver (0 to 3).
    QList<QVSetupMenuItem> densityItems;
    int selectedDensityTag = 2;
};

// The sheet that adds or edits a custom envelope size: texts of its fields
// (width and height in inches).
struct QVEnvelopeSizeSheet {
    enum class Mode { Add, Edit };
    bool open = false;
    Mode mode = Mode::Add;
    // The custom size edited in place; -1 when a new entry is appended
    // (adding, or editing a copy of a built-in size).
    int customIndex = -1;
    QString name;
    QString width;
    QString height;
    // The field that has the keyboard focus when the sheet opens ("name"
    // or "height").
    QString focusField;
};

// The window's controls as plain state.
struct QVPrinterSetupControls {
    // The tab the window shows: "1" the printers, "2" the envelopes.
    QString selectedTab = QStringLiteral("1");

    // The printer-type button that is on (a printer-type constant), and the
    // printer choice it selects: 0 plain paper, 1 label printer, 2 Zebra, -1
    // none (an unknown type).
    QString printerType;
    int printerChoice = -1;
    // The plain-paper buttons (print set-up, page layout, reset of the
    // shipping labels' settings), the two tool buttons, and the stock choice
    // with the stocks' printer names.
    bool plainPaperButtonsEnabled = false;
    bool kivoToolsEnabled = false;
    bool zebraToolsEnabled = false;
    bool stockChoiceEnabled = false;
    // The selected stock of the label-stock choice (0 to 4).
    int stockTag = 0;
    // Per stock (in tag order): its queue and roll, e.g. "Tagwright, Left
    // Roll"; empty unless the label printer is the printer type.
    QStringList stockPrinterNames = QStringList(5);
    bool useKIVOForEnvelopes = false;
    // The envelope check box can be used only while a label printer is
    // available.
    bool useKIVOForEnvelopesEnabled = false;

    // The queues of the plain-paper purposes.
    QString plainPaperQueueName;
    QString mailingRecordQueueName;
    QString envelopeQueueName;

    // The customs-form choices: 0 = the printer of the labels, 1 = their
    // own settings. The first choice's title, the form's queue name and
    // whether its buttons (print set-up, page layout, reset) can be used.
    int fcmiChoiceTag = 0;
    QString fcmiFirstChoiceTitle;
    QString fcmiQueueName;
    bool fcmiButtonsEnabled = false;
    int form2976AChoiceTag = 0;
    QString form2976AFirstChoiceTitle;
    bool form2976AFirstChoiceEnabled = false;
    QString gemQueueName;
    bool form2976AButtonsEnabled = false;

    // The Zebra tools sheet and its controls.
    bool zebraToolsSheetOpen = false;
    // "1" the serial connection, "2" a print queue.
    QString zebraConnectionTab = QStringLiteral("2");
    QString zebraDarkness;
    QString zebraSpeed;
    // 0 "B", 1 "T".
    int zebraOrientationTag = 0;
    QString zebraCommand;
    // The Zebra print queues (descriptions with "printerName", "printerID",
    // "printerModel") and the selected queue's id (empty: none).
    QList<QVariantMap> zebraPrinters;
    QString zebraPrinterName;
    // Labels go through the selected print queue (advancedZebraPath); the
    // check box can always be used (allowAdvancedZebra).
    bool advancedZebraPath = false;
    // The names of the Zebra print queues.
    QStringList zebraQueues;
    // The serial-port table (name and device path), the paths alone, and the
    // selected row (-1: none).
    QList<QVPrintingSerialPort> serialPortRows;
    QStringList serialPorts;
    int selectedSerialRow = -1;

    // The label-printer tools sheet.
    QVKivoToolsSheet kivoTools;

    // The envelope tab: check boxes, the tags of the four choices, and the
    // picture of the envelope in the feed.
    bool envelopePrintReturnAddress = false;
    bool envelopeGiantRotate = false;
    bool envelopeAlignPostageLeft = false;
    int envelopeFacing = 0;
    int envelopeTrayLocation = 0;
    int envelopeDirection = 0;
    int envelopeFeed = 0;
    QString envelopePictureName;
    // The size menus and the selected tags.
    QList<QVSetupMenuItem> postcardMenu;
    int selectedPostcardTag = 0;
    QList<QVSetupMenuItem> envelopeMenu;
    int selectedEnvelopeTag = 0;
    QVEnvelopeSizeSheet sizeSheet;
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
    // The controls, built from the defaults and the print queues on the
    // first read (the queues are not asked for before).
    const QVPrinterSetupControls &controls() const;
    // A printer-type button or the stock choice.
    void setPrinterType(PrinterTypeChoice choice);
    // The user picks a stock in the label-stock choice.
    void chooseStock(int tag);
    void setUseKIVOForEnvelopes(bool on);
    void setFCMIChoice(int tag);
    void set2976AChoice(int tag);
    void closeZebraToolsSheet() { m_controls.zebraToolsSheetOpen = false; }

    // Brings the window to the front on the envelope tab (the print flow
    // asks for it).
    void showEnvelopeSetup();
    void selectTab(const QString &tab);
    // Plain paper: the print sheet of the shipping labels; label printer:
    // its tools sheet; Zebra: the Zebra tools sheet.
    void showPrinterOptions();

    // ---- Plain-paper purposes (the purpose keys of QVPrinterTypes.h)
    // The print sheet: the page set-up with the margins accessory (the
    // label placement shown for the shipping labels and the First-Class
    // customs form, a landscape label for the latter); OK stores the
    // settings for the purpose.
    void runPrintSetup(const QString &purpose);
    // The page layout with four margin fields in inches; OK stores the
    // settings with the margins of the fields.
    void runPageLayout(const QString &purpose);
    // Forgets the purpose's settings.
    void resetPrintInfo(const QString &purpose) { setPlainPaperPrintInfo(std::nullopt, purpose); }

    // ---- The label-printer tools sheet (for the current printerLabel)
    void showKivoTools();
    void kivoToolsChooseQueue(const QString &queue);
    void kivoToolsChooseRoll(int index);
    void kivoToolsChooseDensity(int tag);
    // Stores queue, roll and density for the stock, closes the sheet and
    // brings the window to the front.
    void kivoToolsOK();
    void kivoToolsCancel() { m_controls.kivoTools.open = false; }
    // The title template of the sheet (one "%1": the stock's number).
    static QString kivoToolsTitleTemplate();

    // ---- The Zebra tools sheet
    void showZebraTools();
    void setZebraCommand(const QString &text) { m_controls.zebraCommand = text; }
    // The command's text and a line feed (ASCII; other characters become
    // their unaccented letter or "?").
    void sendZebraCommand();
    // "U" and a line feed.
    void printZebraConfiguration();
    // The bytes of a file chosen in an open panel, unchanged.
    void downloadFileToZebraPrinter();
    void setZebraDarkness(const QString &text);
    void setZebraSpeed(const QString &text);
    // Tag 0 stores "B", tag 1 "T"; other tags are ignored.
    void setZebraOrientation(int tag);
    // Tab "1": the serial connection; any other tab: a print queue.
    void selectZebraConnectionTab(const QString &tab);
    // Rebuilds the Zebra queue list.
    void refreshZebraList();
    // Selects a queue by id and stores it.
    void setZebraPrinterName(const QString &printerID);
    void setAdvancedZebraPath(bool on);
    // Opens the system's printer settings to add a printer.
    void launchPrinterAdd();
    // Re-scans the serial ports and guesses the port again.
    void refreshPortList();
    // A click in the serial-port table.
    void chooseSerialPort(int row);
    // Writes "U" and a line feed to the chosen port; nothing is reported.
    void testPort();
    // The URL of the system's printer settings where printers are added.
    static QUrl printerSettingsUrl();

    // ---- Envelopes and postcards
    void setEnvelopePrintReturnAddress(bool on);
    void setEnvelopeGiantRotate(bool on);
    void setEnvelopeAlignPostageLeft(bool on);
    void setEnvelopeFacing(int tag);
    void setEnvelopeTrayLocation(int tag);
    void setEnvelopeDirection(int tag);
    void setEnvelopeFeed(int tag);
    // The picture of the envelope in the feed for those settings.
    static QString envelopePictureName(int feed, int direction, int facing, int tray, bool printReturnAddress);
    // The tags of the size commands of the envelope menu.
    enum SizeCommand { AddSizeCommand = 1, EditSizeCommand = 2, DeleteSizeCommand = 3, ClearListCommand = 4 };
    // Builds both size menus from the size lists.
    void buildSizeMenus();
    void choosePostcardSize(int tag);
    // A size stores its tag; a command runs.
    void chooseEnvelopeMenuItem(int tag);
    void addEnvelopeSize();
    void editEnvelopeSize();
    void deleteEnvelopeSize();
    void clearEnvelopeSizes();
    void setSizeSheetName(const QString &text) { m_controls.sizeSheet.name = text; }
    void setSizeSheetWidth(const QString &text) { m_controls.sizeSheet.width = text; }
    void setSizeSheetHeight(const QString &text) { m_controls.sizeSheet.height = text; }
    // Checks the sheet's size (an alert names what is wrong and the sheet
    // stays open) and stores it; true when stored.
    bool sizeSheetOK();
    void sizeSheetCancel() { m_controls.sizeSheet.open = false; }

    // The minimum label-printer driver version named in the alert (the
    // resource "KIVOMinimumDriverVersion.txt").
    static QString minimumDriverVersion();

signals:
    void controlsChanged();
    // The window is to be shown and brought to the front.
    void windowShouldShow();

private:
    // An alert with an "OK" button.
    static void showAlert(const QString &message, const QString &informative);
    void refreshControls();
    // Refreshes controls that were built; unread ones stay unbuilt.
    void refreshBuiltControls();
    void scheduleRefresh();
    void listZebraQueues();
    // The label-printer button with the label of the chosen stock (null:
    // the stored label stays).
    void chooseLabelPrinter(const QString &label);
    // Parts of the refresh.
    void refreshCustomsForms(const QString &labelType);
    void refreshStockPrinterNames();
    void refreshZebraControls();
    void refreshEnvelopeControls();
    // The queue a thermal label type prints to.
    QString thermalQueueName(const QString &labelType);
    void rebuildRollItems();
    void rebuildSerialRows();
    // Selects the row of the stored serial port, or guesses a "US*" port.
    void selectStoredSerialPort();
    void writeToZebra(const QByteArray &data);
    void setEnvelopeInteger(const QString &key, int tag);

    QVPrinterSetupControls m_controls;
    struct Observers;
    std::unique_ptr<Observers> m_observers;
};
