#pragma once
// QVMailingLogController: the mailing-log window's logic on plain state.
//
// It owns no entries: every row is read from the mailing log (QVMailingLog)
// and every change is written back through it; the log's change
// notifications reload the table. A thin Qt view (QVMailingLogWindow) shows
// the state: the table (rows, cell values and status images), the preview
// pane, the count line and the status menus, and forwards the user's
// actions.
//
// Rows and display indexes: the log keeps a display order (filtered and
// sorted). Display index 0 is shown in the last row; row r shows display
// index (count - 1 - r), so that without a sort key the newest entry is at
// the top.
//
// Selection across log changes: before a change the selected entry and its
// display index are remembered; after it the entry is looked up again, but
// until the user has once selected a row or filtered, the remembered display
// index is used (a newly appended entry then does not move the selection).
//
// Tracking, status and void, refunds: USPS tracking of the selected piece,
// the vendor's status page, hand-set status or void flag, the electronic
// refund of one piece (label server or partner label service) and refunds
// from a file of tracking numbers (postage server). Voiding a web-store
// order through a refund or markShipmentAsVoid reverts the sale in the
// background; the status menu never does.
//
// What it asks of others: the application delegate and the main window
// (printing/flow/QVPrintFlowServices.h), the server clients
// (QVMailingLogWindowServices.h), alerts and panels through the platform's
// dialogs. Main thread only.
#include "mailinglog/QVMailingLog.h"
#include "platform/NotificationCenter.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

class QVBatchTrackController;
class QVMailingLogExportController;

// Where the two tracking pages are: the hosts are settings (a user default
// holding a host name); paths and query keys are fixed.
inline const QString QVUSPSTrackingSiteDefaultsKey = QStringLiteral("uspsTrackingWebSite");
inline const QString QVUSPSTrackingSiteBuiltIn = QStringLiteral("tools.usps.com");
inline const QString QVVendorStatusSiteDefaultsKey = QStringLiteral("tolvaneWebSite");
inline const QString QVVendorStatusSiteBuiltIn = QStringLiteral("www.tolvane.invalid");

// The saved column layout of the table.
inline const QString QVMailingLogTableColumnsDefaultsKey = QStringLiteral("NSTableView Columns mailinglogtable");

class QVMailingLogController
{
public:
    // The actions whose enabling the window asks for.
    enum class Action {
        Details,
        CheckStatus,
        DateCorrect,
        PostageCorrect,
        PrintMailingRecord,
        ElectronicRefund,
        Reprint,
        ChangeShipmentStatus,
        DuplicateShipment,
        EmailNotification,
        MarkShipmentAsVoid,
        BatchTrack,
        Other,
    };

    // Delivery-status menu tags.
    enum StatusTag { DeliveredTag = 0, UndeliveredTag = 1, DeliveryExceptionTag = 2, VoidTag = 3 };

    // Over the log (the shared log when none).
    explicit QVMailingLogController(QVMailingLog *log = nullptr);
    ~QVMailingLogController();
    QVMailingLogController(const QVMailingLogController &) = delete;
    QVMailingLogController &operator=(const QVMailingLogController &) = delete;

    QVMailingLog *mailingLog() const { return m_log; }

    // ---- Columns
    // The 22 columns of the table: identifiers (shipment keys) and titles.
    static QStringList columnIdentifiers();
    static QString columnTitle(const QString &identifier);
    // Drops a saved column layout whose count is not 22 (answers whether
    // one was dropped).
    static bool discardForeignColumnLayout();

    // ---- Set-up: the saved layout checked, row 0 selected, the log
    // observed, the count line made.
    void windowDidLoad();

    // ---- Table
    qsizetype numberOfRows() const;
    std::shared_ptr<QVShipment> shipmentAtRow(qsizetype row) const;
    // The cell's value (text, Decimal or date) for a column of the table.
    QVariant objectValue(const QString &column, qsizetype row) const;
    static QVariant objectValueForShipment(const QVShipment &shipment, const QString &column);
    // The status column's image name: "purchase", "voided", "delivered",
    // "undelivered", "deliveryexception" or "empty".
    static QString statusImageName(const QVShipment &shipment);
    // The weight column's text.
    static QString weightText(const QVShipment &shipment);

    // ---- Selection
    std::optional<qsizetype> selectedRow() const { return m_selectedRow; }
    // The user selects a row (or none); from then on the selection follows
    // the entry itself.
    void selectRow(std::optional<qsizetype> row);
    qsizetype mailingLogIndexForCurrentlySelectedRow() const;
    std::shared_ptr<QVShipment> shipmentAtCurrentlySelectedRow() const;
    // Selects the row of the display index alone (ignored when the index is
    // not below the display count); with the flag the window also comes to
    // the front (the view reads wantsFront()).
    void highlightRow(quint64 displayIndex, bool makeFirstResponder = true);
    bool takeWantsFront();
    bool selectionChangedManually() const { return m_selectionChangedManually; }

    // ---- What the window shows besides the table
    QString previewText() const { return m_previewText; }
    QString logCountText() const { return m_logCountText; }
    // The status menus' switched-on tag (nothing: all off).
    std::optional<int> statusMenuTag() const { return m_statusMenuTag; }
    // Called after each reload (the view redraws).
    void setReloadHandler(std::function<void()> handler) { m_reloadHandler = std::move(handler); }

    // ---- Enabling
    bool validateAction(Action action) const;

    // ---- Searching and sorting
    void filter(const QString &text);
    // Empty text: answers false and the view focuses its field; else selects
    // the next match, or answers false (a beep) when there is none.
    bool findName(const QString &text);
    // A click on a column header: sorts by it (again: reversed), keeping the
    // selected entry selected.
    void sortByColumn(const QString &column);
    // A double click on a header: sorts without keeping the selection.
    void doubleClickHeader(const QString &column);

    // ---- Entry actions
    // The details window of the selected entry: answers its number (the
    // same while it stays open, a new one after it closed), or nothing.
    std::optional<int> details();
    void detailsWindowClosed(int window);
    std::shared_ptr<QVShipment> detailsShipment(int window) const;
    void emailNotification();
    void duplicateShipment();
    void dateCorrect();
    void postageCorrect();

    // ---- Export and batch tracking: one controller each, made on first use.
    QVMailingLogExportController &exportController();
    QVBatchTrackController &batchTrackController();

    // ---- Archive and restore
    // The archive sheet opens: begin = the oldest entry's date, end = today
    // minus two months, or today when that is before the begin date.
    void prepareArchive(const QDateTime &now = QDateTime::currentDateTime());
    QDateTime archiveBeginDate() const { return m_archiveBegin; }
    QDateTime archiveEndDate() const { return m_archiveEnd; }
    void setArchiveDates(const QDateTime &begin, const QDateTime &end);
    // The sheet's Archive button: the save panel, the archive file written
    // atomically, then the archived entries removed from the log. Answers
    // whether the sheet closes (false: cancelled or failed, log unchanged).
    bool archive();
    // The restore panel: adds the chosen archive's entries before the
    // present ones or replaces them. Answers whether the log changed.
    bool restoreLog();

    // ---- Tracking, status, void and refunds
    void checkStatus();
    void changeShipmentStatus(int tag);
    void markShipmentAsVoid();
    // Stores the flag (answers whether the log was written); voiding a
    // web-store order reverts the sale in the background.
    bool setVoidStatus(bool flag, const QVShipment &shipment);
    static bool isEligbileForRefund(const QVShipment &shipment, const QDateTime &now = QDateTime::currentDateTime());
    static bool isEligibleForElectronicRefund(const QVShipment &shipment,
                                              const QDateTime &now = QDateTime::currentDateTime());
    void electronicRefund(const QDateTime &now = QDateTime::currentDateTime());
    void importFlatPICFileForRefunding();
    // Lines of a refund file: UTF-8 text split at any line terminator, blank
    // lines at the end left out; nothing for bytes that are not UTF-8.
    static std::optional<QStringList> refundFileLines(const QByteArray &data);

    // ---- Label archive
    // The label-archive file of the shipment ("Labels" folder; the PIC,
    // else the customs number, else the confirmation number); nothing when
    // the name is empty, holds "/" or NUL or starts with ".".
    static std::optional<QString> fileURLforPersistentShipment(const QVShipment &shipment);
    static std::optional<QVariantMap> dictionaryForPersistentShipment(const QVShipment &shipment);

    // ---- Mailing records (QVMailingLogRecords.cpp)
    // Every record except a saved label-server part (which the print
    // manager prints on its label type) goes through the record's print
    // panel (the dialogs' page set-up over the "mailingRecordPaperInfo"
    // settings): the settings chosen there print this record only.
    // What printMailingRecordForShipment printed.
    enum class RecordKind {
        None,              // nothing (a missing Global Express Mail file, a cancelled panel, a failed print)
        GlobalExpressMail, // page 3 of the saved label PDF
        LabelServerPart,   // part 3 of the saved label-server reply on its label type
        LabelServerImage,  // part 3's image on plain paper
        SendersCopy,       // the integrated customs form redrawn as the sender's copy
        CN22,              // the saved CN22 image
        CP72,              // the saved CP72 pages
        MailingRecord,     // the mailing record form
        ExpressMailRecord, // the Express Mail customer record
    };
    RecordKind printMailingRecord();
    RecordKind printMailingRecordForShipment(const QVShipment &shipment);
    // A saved customs copy in "confs/" of the support folder by its number
    // and extension (".pdf", ".cp72"); nothing for a number that is not a
    // plain file name (letters, digits, "-", "_") or a file that is missing.
    static std::optional<QString> customsCopyPath(const QString &number, const QString &extension);

    // ---- Reprint (QVMailingLogRecords.cpp)
    // Only on the day of printing; never a void piece; a label-server piece
    // whose archive file exists; else a "Stamp" piece with a piece count and
    // a total above zero.
    static bool isEligbileForReprint(const QVShipment &shipment, const QDateTime &now = QDateTime::currentDateTime());
    // The controller a postage-server reprint prints with.
    enum class ReprintLabel {
        None,
        Intl2976A,
        Intl2976,
        Intl2976EPL2,
        Domestic2976A,
        Envelope,
        PlainPaper,
        KIVO,
        EPL2
    };
    static ReprintLabel reprintLabelForShipment(const QVShipment &shipment, const QString &labelType, bool envelope);
    // What reprint() did.
    enum class ReprintOutcome { None, LabelServer, Label, Test };
    ReprintOutcome reprint(const QDateTime &now = QDateTime::currentDateTime());
    // The alert's informative text.
    static QString reprintWarningText();
    // The indicium of a shipment as PDF data; nothing when a live indicium
    // has no data.
    static std::optional<QByteArray> reprintPDFDataWithShipment(const QVShipment &shipment, bool stealth, bool sample,
                                                                const std::optional<QByteArray> &indiciumData,
                                                                bool envelope = false);

    // ---- Toolbar (QVMailingLogToolbar.h)
    // The search item was added or removed: removing it shows the whole log.
    void toolbarWillAddItem(const QString &identifier);
    void toolbarDidRemoveItem(const QString &identifier);
    bool hasActiveSearchItem() const { return m_activeSearchItem; }
    bool validateToolbarItem(const QString &identifier) const;

    // ---- Pages
    static QUrl uspsTrackingPageURL(const QString &trackingNumber);
    static QUrl vendorStatusPageURL(const QString &confirmationNumber);

private:
    void mailingLogWillChange();
    void mailingLogChanged();
    void reloadTable();
    void tableViewSelectionDidChange();
    void updateLogCount();
    void updateStatusMenu();
    bool replaceOrTell(const QVShipment &oldShipment, const QVShipment &newShipment);
    void revertSales(const QVShipment &shipment);

    QVMailingLog *m_log = nullptr;
    bool m_activeSearchItem = false;
    std::optional<qsizetype> m_selectedRow;
    std::shared_ptr<QVShipment> m_selectedShipment;
    quint64 m_selectedIndex = 0;
    bool m_selectionChangedManually = false;
    bool m_wantsFront = false;
    QString m_previewText;
    QString m_logCountText;
    std::optional<int> m_statusMenuTag;
    QDateTime m_archiveBegin;
    QDateTime m_archiveEnd;
    QHash<int, std::shared_ptr<QVShipment>> m_logEntryWindows;
    int m_nextWindow = 1;
    std::unique_ptr<QVMailingLogExportController> m_exportController;
    std::unique_ptr<QVBatchTrackController> m_batchTrackController;
    std::function<void()> m_reloadHandler;
    NotificationObserver m_willChange;
    NotificationObserver m_didChange;
};
