#pragma once
// TessaroController: the stamp window, in which the user lays out a sheet of
// 25 or 24 stamps to print on plain paper (mode 1) or chooses one stamp to
// print on a roll in the maker's label printer (mode 2), and sees the price
// against the account's balance.
//
// The controller works on plain state that a thin Qt view (TessaroView)
// shows: the mode and sheet type, the mailpiece and class pop-ups (items
// with tags; the class menu's items are enabled by validateMenuItem), the
// stamps of the sheet positions and the selected cells, the roll stamp, the
// sheet count (1 to 99), the pricing texts, the reference ID row, the step
// numbers, the status line, the window title and the print buttons' titles.
// The view calls the actions below and then reads the state again.
//
// The catalogue (request table and class menus) is TessaroCatalogue; the
// alerts, the label printer's presence and the account reply come from the
// host (TessaroHost). The clock of the catalogue decides the prices in
// force; a one-shot timer reprices the catalogue when the September 2014
// price list takes effect. Everything runs on the main thread.
//
// User defaults: "tessaroMode", "tessaroSheetType", "tessaroPrintInfo" (the
// sheet print settings in PrintInfo's stored form), "kivoStampsVersion" (the
// maker's edition: no mode switcher, no reference ID, no custom amounts, its
// own window titles), "showStatusBarOnMasterControl",
// "enableTessaroReferenceID" (watched), "allowTessaroMediaMail".
// Notifications: posts "TessaroPrintingModeDidChangeNotification" (object: a
// shared int, the new mode) after each mode change; observes
// "QVRHOLastValidStatusResponseDidChange" and the user defaults' changes.
#include "platform/Decimal.h"
#include "platform/NotificationCenter.h"
#include "platform/PrintInfo.h"
#include "stamps/TessaroCatalogue.h"
#include "stamps/TessaroHost.h"
#include "stamps/TessaroSheetView.h"

#include <QDateTime>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSet>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <optional>

inline const QString TessaroPrintingModeDidChangeNotification =
    QStringLiteral("TessaroPrintingModeDidChangeNotification");
inline const QString TessaroModeDefaultsKey = QStringLiteral("tessaroMode");
inline const QString TessaroSheetTypeDefaultsKey = QStringLiteral("tessaroSheetType");
inline const QString TessaroPrintInfoDefaultsKey = QStringLiteral("tessaroPrintInfo");
inline const QString ShowStatusBarOnMasterControlDefaultsKey = QStringLiteral("showStatusBarOnMasterControl");
inline const QString EnableTessaroReferenceIDDefaultsKey = QStringLiteral("enableTessaroReferenceID");
inline const QString AllowTessaroMediaMailDefaultsKey = QStringLiteral("allowTessaroMediaMail");
inline const QString RequireTessaroReferenceIDDefaultsKey = QStringLiteral("requireTessaroReferenceID");
inline const QString CostCentersDefaultsKey = QStringLiteral("costCenters");
inline const QString TessaroKivoPrinterNameDefaultsKey = QStringLiteral("tessaroKivoPrinterName");
inline const QString TessaroKivoTrayNameDefaultsKey = QStringLiteral("tessaroKivoTrayName");
inline const QString KivoStampsThresholdDefaultsKey = QStringLiteral("kivoStampsThreshold");

class QVRHOResponse;
class TessaroCustomAmountPanel;
class TessaroWeighing;

// What the window's layout tells the controller when it is loaded.
struct TessaroLayout {
    // The content view's size with the full sheet layout (bigWindowSize).
    QSizeF contentSize{760, 640};
    // The tab view's size at load.
    QSizeF tabViewSize{460, 520};
    double statusBarHeight = 22;
    double postageAndAccountBoxWidth = 280;
    // The status line's template ("<%accountNumber%>", "<%accountStatus%>",
    // "<%balance%>").
    QString statusLineTemplate;
    // The Print and Test Print buttons' own titles.
    QString printTitle = QStringLiteral("Print");
    QString testPrintTitle = QStringLiteral("Test Print");
    // The reference ID row is shown in the layout.
    bool referenceIDShown = true;
    // The purchase progress text: the stamp being bought (%1) of all (%2).
    QString progressFormat = QStringLiteral("Buying stamp %1 of %2");
};

// Who asked for a print: the Print button, the Test Print button (a
// sample), a command that prints the selected stamps only (tag 9), or the
// window itself (the recovery road, a quick print).
enum class TessaroPrintSender { PrintButton, TestPrintButton, PrintSelected, Controller };

// The stamp view a purchase draws: the 25-up stamp, the 24-up stamp, the
// roll stamp (none outside the two modes).
enum class TessaroIndiciumViewClass { None, Stamp, Stamp2000, KivoStamp };

class TessaroController
{
public:
    enum Mode { NoMode = 0, SheetMode = 1, RollMode = 2 };
    enum SheetType { Sheet25 = 1, Sheet24 = 2 };
    // The height of the reference ID row, by which the window grows or
    // shrinks in roll mode.
    static constexpr double ReferenceIDRowHeight = 75;

    explicit TessaroController(std::shared_ptr<TessaroHost> host = tessaroHost(), TessaroCatalogue::Clock clock = {});
    virtual ~TessaroController();
    TessaroController(const TessaroController &) = delete;
    TessaroController &operator=(const TessaroController &) = delete;

    // windowDidLoad: the set-up of the loaded window (mailpiece 2, class
    // 100, 25 stamps of it, the mode of "tessaroMode", the reference ID row,
    // the status line, the repricing timer). `scratchFilesWaiting`: unfinished
    // stamps wait in the scratch folder (recovery mode).
    void windowDidLoad(const TessaroLayout &layout = {}, bool scratchFilesWaiting = false);
    bool loaded() const { return m_loaded; }

    TessaroCatalogue &catalogue() { return m_catalogue; }
    // stampRequestsDictionary and classMenus of the window's catalogue.
    const std::map<int, TessaroStamp> &stampRequestsDictionary() { return m_catalogue.stampRequestsDictionary(); }
    const QMap<int, QList<TessaroMenuItem>> &classMenus() { return m_catalogue.classMenus(); }
    bool isMakerEdition() const { return m_makerEdition; }

    // ---- Modes and sheets ---------------------------------------------------
    int currentMode() const { return m_mode; }
    // false when refused (rolls without a label printer).
    bool setCurrentMode(int mode);
    int currentSheetType() const { return m_sheetType; }
    void setCurrentSheetType(int type);
    static int stampsForSheetType(int type);
    int stampsForCurrentSheetType() const { return stampsForSheetType(m_sheetType); }
    // "sheet", "sheet2000" or "kivo".
    QString selectedTab() const { return m_selectedTab; }

    // ---- Pop-ups ------------------------------------------------------------
    // The mailpiece pop-up's selected tag (0: none).
    int selectedMailpiece() const { return m_mailpieceTag; }
    const QList<TessaroMenuItem> &classMenuItems() const { return m_classItems; }
    // -1: no item selected.
    int selectedClassIndex() const { return m_classIndex; }
    // tagOfSelectedItem of the class pop-up: 0 without a selection.
    int tagOfSelectedClassItem() const;
    // validateMenuItem for an item of the class pop-up.
    bool validateMenuItem(const TessaroMenuItem &item) const;
    // The user chose the mailpiece (changedMailpiece:).
    void changedMailpiece(int mailpieceTag);
    // The user chose the class item at the index (selects it, changedClass:).
    void chooseClassIndex(int index);
    // changedClass: with the item.
    void changedClass(const TessaroMenuItem &item);
    // A negative tag leaves that pop-up alone.
    void setMailpieceToTag(int mailpieceTag, int classTag);
    void rateUp();
    void rateDown();
    // Empties the catalogue (prices anew) and rebuilds the class pop-up.
    void resetTessaro();
    void updatePreview();

    // ---- Sheet --------------------------------------------------------------
    // One entry per sheet position (25): a table request or nothing (blank).
    const QList<TessaroStamp> &stamps() const { return m_stamps; }
    // The selected cells of the current matrix, ascending (none selected:
    // empty).
    QList<int> selectedCellIndices() const;
    // selectedCells: the selected cells, or every cell when none is.
    QList<int> selectedCells() const;
    void setSelectedCells(const QList<int> &cells);
    // The right-click on a cell: an unselected cell becomes the only
    // selection, a selected one keeps the selection; then selectionChanged.
    void rightClickedCell(int cell);
    void selectAll();
    void clickedSheet();
    // The pop-ups follow the selected stamps; the selection text.
    void selectionChanged();
    // The amount text of each position of the current sheet (".49", "" for
    // a blank).
    QStringList cellAmounts() const { return m_cellAmounts; }
    QString sheetStampsSelected() const { return m_sheetStampsSelected; }
    QString sheetStampsSummary() const { return m_sheetStampsSummary; }
    Decimal sheetPrice() const;
    bool drawDollarOverlay() const { return m_drawDollarOverlay; }
    void setDrawDollarOverlay(bool on);

    // ---- Roll ---------------------------------------------------------------
    TessaroStamp kivoStampRequest() const { return m_kivoStampRequest; }
    void setKivoStampRequest(const TessaroStamp &request);
    void syncPopupWithKIVOStamp();
    // The roll preview's texts: ZIP, amount, class, device ID.
    QString kivoZIP() const { return m_kivoZIP; }
    QString kivoDollarAmount() const { return m_kivoDollarAmount; }
    QString kivoMailClass() const { return m_kivoMailClass; }
    QString kivoDeviceID() const { return m_kivoDeviceID; }
    QString kivoRateClassification() const { return m_kivoRateClassification; }

    // ---- Pricing and count --------------------------------------------------
    // Nothing outside the two modes.
    std::optional<Decimal> pricePerPrint() const;
    Decimal printOpTotalPrice() const;
    QString prettyPrintOpTotalPrice() const;
    // "$#,##0.00".
    static QString prettyDollarString(const Decimal &amount);
    void updatePricing();
    QString sheetValue() const { return m_sheetValue; }
    QString sheetTotal() const { return m_sheetTotal; }
    QString sheetBalance() const { return m_sheetBalance; }
    QString sheetEndingBalance() const { return m_sheetEndingBalance; }
    int sheetCount() const { return m_sheetCount; }
    // The count field's text.
    QString sheetCountText() const { return m_sheetCountText; }
    // Kept within 1-99.
    void setSheetCount(int count);
    void sheetCountUp();
    void sheetCountDown();
    void sheetCountChanged(int stepperValue);
    // Typing in the count field.
    void controlTextDidChange(const QString &text);
    QString countCaption() const { return m_countCaption; }

    // ---- Reference ID, status, title, buttons ---------------------------------
    bool showReferenceID() const { return m_showReferenceID; }
    void setReferenceIDIsShown(bool show, bool animate);
    void toggleReferenceID();
    std::optional<QString> currentReferenceID() const { return m_currentReferenceID; }
    void setCurrentReferenceID(const std::optional<QString> &referenceID);
    // The step numbers of the five number badges.
    std::array<QString, 5> numberTexts() const { return m_numbers; }
    void renumberViews();
    static QStringList costCenters();
    bool statusBarShown() const { return m_statusBarShown; }
    void toggleStatusBar();
    // Shows or hides the status line (the main window shows this view).
    void setStatusBarShown(bool shown);
    QString statusLine() const { return m_statusLine; }
    void updateStatusTextLine();
    void tolvaneStatusDidChange();
    // The window's and the progress panel's titles (maker's edition only;
    // empty otherwise: the main window keeps its own).
    QString windowTitle() const { return m_windowTitle; }
    QString progressPanelTitle() const { return m_progressPanelTitle; }
    void updateWindowTitle();
    QString printButtonTitle() const { return m_printButtonTitle; }
    QString testPrintButtonTitle() const { return m_testPrintButtonTitle; }
    // The main menu's print item takes the Print button's title.
    QString printMenuItemTitle() const { return m_printButtonTitle; }
    void updatePrintButtons();
    bool recoveryMode() const { return m_recoveryMode; }
    void setRecoveryMode(bool on);

    // ---- Window layout ------------------------------------------------------
    QSizeF contentSize() const { return m_contentSize; }
    QSizeF tabViewSize() const { return m_tabViewSize; }
    bool sheetBoxShown() const { return m_mode != RollMode; }
    bool weighButtonShown() const { return m_mode == RollMode; }
    bool amountCheckboxEnabled() const { return m_mode != RollMode; }
    bool selectAllShown() const { return m_mode != RollMode; }
    bool modeSwitcherShown() const { return !m_makerEdition; }
    // The help button beside the mailpiece pop-up: the maker's edition only.
    bool mailpieceHelpShown() const { return m_makerEdition; }

    // ---- Help -----------------------------------------------------------------
    // kivoStampsMailpieceHelp: in the maker's edition, opens the bundled page
    // on postage rates through the host; does nothing otherwise. False when
    // nothing was opened (the other edition, no such file, the desktop
    // refused).
    bool kivoStampsMailpieceHelp();
    // The bundled page's path, empty when no resource folder holds it.
    static QString mailpieceHelpPath();
    // 0 sheets, 1 rolls, -1 none.
    int switcherSegment() const { return m_switcherSegment; }

    // ---- Print settings -----------------------------------------------------
    // The stored sheet print settings, else the shared ones for sheets:
    // portrait, clipped both ways, not centred across, no margins, one-sided.
    static PrintInfo printInfo();
    // Nothing removes them; settings equal to printInfo() are not stored.
    static void setPrintInfo(const std::optional<PrintInfo> &info);

    // The page view printed for sheets: a 25-up view for sheet type 1, a 24-up
    // view otherwise; kept while the type stays.
    void setupSheetView();
    TessaroSheetView *pageView() const { return m_pageView.get(); }
    // An operation printing the page view with the settings (no panels).
    QVPrintOperation printOperationWithPrintInfo(const PrintInfo &info) const;
    // An operation saving the page view as a PDF at the path with the sheet
    // print settings.
    QVPrintOperation savePrintOperationAtPath(const QString &path) const;
    // "allowTessaroMediaMail": the class menu offered with Media Mail.
    bool rateMenuWithMedia() const;

    // ---- Purchase -------------------------------------------------------------
    TessaroIndiciumViewClass indiciumViewClassForCurrentMode() const;
    // Buys one indicium per stamp of the requests (nothing at a blank
    // position) for each of `copies` pages, writing a scratch file per stamp
    // bought, and answers one page per copy with the stamp views (sheets) or
    // their PDF (rolls); a failed purchase stops the buying after one alert,
    // leaving the rest of its page blank and no later page. A sample buys
    // nothing and draws sample stamps. Unless a sample (and outside the
    // maker's edition), one mailing-log entry sums the stamps drawn.
    // *printTotal: the postage of the stamps drawn.
    QList<TessaroPage> viewArrayForRequests(const QList<TessaroStamp> &requests, int copies, bool sample,
                                            Decimal *printTotal = nullptr);
    // One stamp: bought unless a sample; nothing when the purchase failed or
    // the stamp bought cannot be drawn (its scratch file is kept). A stamp
    // whose scratch file cannot be written is still answered, but stops the
    // run's buying; both are reported to the user.
    std::shared_ptr<tolvane::QVStampIndiciumView> stampViewForStampRequest(const TessaroStamp &request, bool sample,
                                                                           bool drawVoid,
                                                                           TessaroIndiciumViewClass viewClass);
    // The stamp's view filled from the request and the server's reply
    // (none for a sample). Nothing for a reply whose indicium gives no
    // barcode: a paid stamp is never drawn without its symbol.
    static std::shared_ptr<tolvane::QVStampIndiciumView>
    stampViewForStampRequest(const QVRHOStampIndiciumRequest &request, const std::shared_ptr<QVRHOResponse> &response,
                             bool sample, bool drawVoid, TessaroIndiciumViewClass viewClass);
    std::shared_ptr<QVRHOResponse> lastRHOResponse() const { return m_lastRHOResponse; }
    void setLastRHOResponse(std::shared_ptr<QVRHOResponse> response) { m_lastRHOResponse = std::move(response); }

    // ---- Recovery -------------------------------------------------------------
    // The recovery alert: "Print Now" prints the waiting stamps.
    void doRecovery();
    // The pages of the stamps in the folder's scratch files (one roll stamp
    // per page as PDF, or sheets of the current type); nothing when no file
    // could be read. Files that cannot be read or drawn are noted to be set
    // aside by the recovery print.
    std::optional<QList<TessaroPage>> viewArrayWithDirectory(const QString &folder);
    // Print the waiting stamps (the sheet's print panel first); the files of
    // the stamps printed are removed only after a good print, files that
    // cannot be read or drawn are set aside and named to the user.
    void recoverWithSheet();
    void recoverWithKIVO();

    // ---- Printing -------------------------------------------------------------
    // The print flow of both modes: checks, confirmation, print panel (sheets),
    // purchase, PDF copy, printing, clean-up. A print the printer refuses
    // keeps the paid stamps for recovery.
    void printSheet(TessaroPrintSender sender);
    void testPrint() { printSheet(TessaroPrintSender::TestPrintButton); }
    void printSelected(TessaroPrintSender sender = TessaroPrintSender::PrintButton) { printSheet(sender); }
    // The end of the sheet print panel: `chosen` is the panel's settings, or
    // nothing when cancelled.
    void printPanelDidEnd(const std::optional<PrintInfo> &chosen, bool testPrint, bool printSelected);
    // switcherAction's two segments; chooseKIVO falls back to sheets when
    // roll mode is refused.
    void chooseSheet() { setCurrentMode(SheetMode); }
    void chooseKIVO();
    void printKIVO(TessaroPrintSender sender);
    // The roll print settings: the label printer of the pop-up, the roll
    // label's paper, landscape, no margins (left -7.2 on the wide model).
    PrintInfo kivoPrintInfo() const;
    TessaroKivoPrintView *kivoPaperView() const { return m_kivoPaperView.get(); }
    // One roll stamp without confirmation; the window is restored after.
    void printOneOffWithRequest(const TessaroStamp &request);
    TessaroStamp quickPrint1ozStampRequest() const;
    TessaroStamp quickPrint2ozStampRequest() const;
    TessaroStamp quickPrint1lbPrioStampRequest() const;
    // "Print $0.49 Stamp".
    static QString buttonTitleForQuickPrintAmount(const Decimal &amount);

    // ---- Quick prints (TessaroQuickPrint.cpp) -----------------------------------
    // The three quick-print stamps, each printed once on the roll.
    void quickPrint1oz() { printOneOffWithRequest(quickPrint1ozStampRequest()); }
    void quickPrint2oz() { printOneOffWithRequest(quickPrint2ozStampRequest()); }
    void quickPrint1lbPrio() { printOneOffWithRequest(quickPrint1lbPrioStampRequest()); }
    // One button of the quick-print panel: its title ("Print $0.49 Stamp")
    // and the name of its bundle picture ("kivo049").
    struct QuickPrintButton {
        QString title;
        QString imageName;
        friend bool operator==(const QuickPrintButton &, const QuickPrintButton &) = default;
    };
    // The 1 oz, 2 oz and Priority buttons, titled the first time the panel
    // is shown (empty before).
    const QList<QuickPrintButton> &quickPrintButtons() const { return m_quickPrintButtons; }
    // "kivo" and the amount in cents with at least three digits.
    static QString imageNameForQuickPrintAmount(const Decimal &amount);
    // The bundle picture of that name (a PNG); null when there is none.
    static QImage quickPrintImage(const QString &imageName);
    // The panel's frame is saved in the user defaults under
    // "NSWindow Frame " followed by this name.
    static QString quickPrintPanelAutosaveName() { return QStringLiteral("TessaroQuickPrintPanel"); }
    // showQuickPrintPanel: hides a visible panel, else shows it (titling its
    // buttons the first time).
    void showQuickPrintPanel();
    bool quickPrintPanelVisible() const { return m_quickPrintPanelVisible; }
    // The user closed the panel.
    void quickPrintPanelClosed() { m_quickPrintPanelVisible = false; }
    // The panel is being shown for the first time and no frame of it is
    // saved: the view places it beside the window (quickPrintPanelTopLeft)
    // and then calls quickPrintPanelPlaced().
    bool quickPrintPanelNeedsPlacing() const { return m_quickPrintPanelNeedsPlacing; }
    void quickPrintPanelPlaced() { m_quickPrintPanelNeedsPlacing = false; }
    // Where the panel's top-left corner goes (screen coordinates, y down):
    // right of the window with a 10-point gap when the panel then ends
    // inside the visible area, else left of it when that corner lies in the
    // visible area, else the window's own top-left corner.
    static QPointF quickPrintPanelTopLeft(const QRectF &window, const QSizeF &panel, const QRectF &visible);

    // ---- Roll printer and roll pop-ups ------------------------------------------
    void updateKivoPopups();
    QStringList kivoPrinterItems() const { return m_kivoPrinterItems; }
    // The selected printer's title (empty when none).
    QString kivoPrinterTitle() const;
    int kivoPrinterIndex() const { return m_kivoPrinterIndex; }
    QStringList kivoTrayItems() const { return m_kivoTrayItems; }
    QString kivoTrayTitle() const;
    bool kivoTrayEnabled() const { return m_kivoTrayEnabled; }
    void kivoPrinterChanged(const QString &title);
    void kivoTrayChanged(const QString &title);

    // ---- Repricing ----------------------------------------------------------
    // The one-shot timer towards the September 2014 price date (active only
    // while the current rates are older).
    const QTimer &repricingTimer() const { return m_repricingTimer; }
    // The timer's work: reprices once the date is reached, else waits on.
    void repricingTimerFired();

    // ---- Custom amounts (TessaroCustomAmounts.cpp) -----------------------------
    // The "Make Your Own" panel; runCustomAmountPanel opens it on the stamp
    // chosen now.
    TessaroCustomAmountPanel &customAmountPanel();
    void runCustomAmountPanel();
    // Puts the stamp on the sheet positions (sheet mode's custom stamp).
    void setStampAtCells(const QList<int> &cells, const TessaroStamp &stamp);

    // ---- Weighing (TessaroWeigh.cpp) ------------------------------------------
    // The Weigh button, the scale status line and the choice sheet a weighing
    // opens.
    TessaroWeighing &weighing();
    void tessaroWeigh();
    void scaleWasAdded();
    void scaleWasRemoved();

protected:
    // The custom options at the end of a class menu outside the maker's
    // edition: a separator and "Make Your Own…".
    void addCustomOptionsToMenu(QList<TessaroMenuItem> &items) const;

private:
    // The balance of the last valid status reply (zero without one).
    Decimal accountBalance() const;
    // The "Insufficient funds" loop: true when the balance covers the total.
    bool fundsSuffice();
    QString paperPrinterName() const;
    void setProgress(const QString &text, int value, int maximum);
    void savePDFCopy(const std::function<bool(const QString &path)> &save);
    bool runPrintOperation(QVPrintOperation &operation);
    // After a good print: removes the scratch files of the stamps printed;
    // files still waiting keep the window in recovery mode.
    void removePrintedScratchFiles();
    // Moves the scratch files recovery could not use into the damaged
    // folder and names them in an alert.
    void setAsideUnusableScratchFiles();
    void rememberReferenceID();
    void layOutForMode();
    void rebuildClassMenu(int mailpieceTag, bool withBlank);
    void selectClassTag(int tag);
    void updateSheetPreview();
    void updateKIVOPreview();
    void scheduleRepricing();
    void userDefaultsDidChange();
    QSet<int> &currentSelection();
    const QSet<int> &currentSelection() const;

    std::shared_ptr<TessaroHost> m_host;
    TessaroCatalogue m_catalogue;
    TessaroLayout m_layout;
    bool m_makerEdition = false;
    bool m_loaded = false;
    bool m_recoveryMode = false;
    int m_mode = NoMode;
    int m_sheetType = Sheet25;
    QString m_selectedTab = QStringLiteral("sheet");
    int m_mailpieceTag = 0;
    QList<TessaroMenuItem> m_classItems;
    int m_classIndex = -1;
    QList<TessaroStamp> m_stamps;
    std::array<QSet<int>, 2> m_selections;
    QStringList m_cellAmounts;
    QString m_sheetStampsSelected;
    QString m_sheetStampsSummary;
    bool m_drawDollarOverlay = false;
    TessaroStamp m_kivoStampRequest;
    QString m_kivoZIP, m_kivoDollarAmount, m_kivoMailClass, m_kivoDeviceID, m_kivoRateClassification;
    int m_sheetCount = 1;
    QString m_sheetCountText = QStringLiteral("1");
    QString m_countCaption;
    QString m_sheetValue, m_sheetTotal, m_sheetBalance, m_sheetEndingBalance;
    bool m_showReferenceID = true;
    bool m_referenceIDDefault = false;
    std::optional<QString> m_currentReferenceID;
    std::array<QString, 5> m_numbers;
    bool m_statusBarShown = true;
    QString m_statusLine;
    QString m_windowTitle, m_progressPanelTitle;
    QString m_printButtonTitle, m_testPrintButtonTitle;
    QSizeF m_contentSize;
    QSizeF m_tabViewSize;
    int m_switcherSegment = -1;
    QTimer m_repricingTimer;
    QTimer m_expiryTimer;
    std::shared_ptr<QVRHOResponse> m_lastRHOResponse;
    // The scratch file of the stamp just bought (empty when not written).
    QString m_boughtScratchFile;
    // A stamp bought could not be kept or drawn: no more buying this run.
    bool m_buyingStopped = false;
    // The scratch files of the stamps on the pages to print (the last
    // purchase run or recovery), removed after a good print.
    QStringList m_printedScratchFiles;
    // Scratch files recovery could not read or draw.
    QStringList m_unusableScratchFiles;
    std::unique_ptr<TessaroSheetView> m_pageView;
    std::unique_ptr<TessaroKivoPrintView> m_kivoPaperView;
    QStringList m_kivoPrinterItems;
    int m_kivoPrinterIndex = -1;
    QStringList m_kivoTrayItems;
    int m_kivoTrayIndex = -1;
    bool m_kivoTrayEnabled = false;
    NotificationObserver m_statusObserver;
    NotificationObserver m_defaultsObserver;
    // Made on first use by their own files (shared pointers, so that this
    // file needs not know them).
    std::shared_ptr<TessaroCustomAmountPanel> m_customAmountPanel;
    std::shared_ptr<TessaroWeighing> m_weighing;
    QList<QuickPrintButton> m_quickPrintButtons;
    bool m_quickPrintPanelVisible = false;
    bool m_quickPrintPanelNeedsPlacing = false;
};
