#pragma once
// The application delegate: starts the program step by step, keeps the
// application-wide objects, answers the life-cycle callbacks and closes
// down; and the shell's small shared facilities: information alerts that the
// user may silence for good, the one progress panel, the automation flag
// and the help overlays over the main window.
//
// Display-free: everything it shows or asks goes through the dialogs
// interface, the progress panel, the overlay host, the scheduler and the
// hooks of LaunchServices.h, which the program wires to real objects
// (main.cpp) and tests to fakes.
//
// Launch (applicationDidFinishLaunching), in order; "quit" shows the alert
// with the one button "Quit" and asks the application to terminate (status 0):
//   1. claim the single-instance name ("zarururizevize2"); taken: quit with
//      "Already running.";
//   2. a clock year of 2013 or earlier: quit with "Your clock is set
//      incorrectly" (the year in the text);
//   3. a system version below 0x100600: the information alert "lionWarning"
//      with its remind box; launching goes on;
//   4. (the program keeps no URL cache: nothing to empty);
//   5. the rate engine with today's date; a failure writes "<class>: couldn't
//      load ratedll : <result>" and ends the process with status 1;
//   6. "country2013.dat" (a failure writes "<class>: couldn't load the <path>
//      file" and ends the process with status 1), then "country-aliases.txt"
//      (a failure writes the same text; launching goes on);
//   7. the address-correction host unreachable: quit with "Internet
//      Connection Required";
//   8. on a read-only volume: the read-only alert, terminate, stop;
//   9. the updater; 10. the stamps edition's panel title; 11. the progress
//      panel with "Initializing…";
//  12. first run: the earlier settings file (its name is the setting
//      "earlierPreferencesFile", relative to the user's configuration folder)
//      copied into ours when it holds keys; then the earlier support folder
//      "Quorvel" beside ours copied into place when ours is empty;
//  13. upgrades by "lastRun" (see below); "zoneChartCache" removed;
//  14. the shared clients and the account panels; 15. account information
//      refreshed and the zone charts checked; 16. the account-information
//      refresh every 1,800 seconds;
//  17. the main window; an exception writes "Exception raised:" with its
//      text and terminates with status 1;
//  18. a label-printer type without such a printer falls back to plain paper;
//  19. files older than 90 days below "Labels" and "confs" deleted;
//  20. "Vorquil" renamed "Pellmark"; 21.-22. Services provider and the
//      served root object; 23. the progress panel hidden; 24. account
//      settings read; 25. the main window centred on the first run or
//      without a saved origin; 26. "firstRun" off; 27. the printing mode;
//  28. more than 2,500 logged pieces: the large-log alert (unless
//      "noLargeLogWarning"); 29. the scales; 30. a "lastRun" of at most 364:
//      the announcement on the next pass of the event loop.
//
// Upgrades (13): "lastRun" is the build number of the last run (stored at
// quit). Missing or at most 75 with the maker's label printer chosen and
// installed sets "useKIVOForEnvelopes"; at most 190 (missing counts as 0)
// sets "tessaroSheetType" to 1.
#include "app/shell/LaunchServices.h"
#include "platform/NotificationCenter.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <memory>
#include <vector>

class RemoteRequestServer;
class SingleInstance;

// User defaults of the delegate.
inline const QString QVFirstRunKey = QStringLiteral("firstRun");
inline const QString QVLastRunKey = QStringLiteral("lastRun");
inline const QString QVPrintingModeKey = QStringLiteral("printingMode");
inline const QString QVPrinterTypeKey = QStringLiteral("printerType");
inline const QString QVUseKIVOForEnvelopesKey = QStringLiteral("useKIVOForEnvelopes");
inline const QString QVTessaroSheetTypeKey = QStringLiteral("tessaroSheetType");
inline const QString QVZoneChartCacheKey = QStringLiteral("zoneChartCache");
inline const QString QVMasterWindowOriginKey = QStringLiteral("masterWindowOrigin");
inline const QString QVNoLargeLogWarningKey = QStringLiteral("noLargeLogWarning");
inline const QString QVStampsEditionKey = QStringLiteral("kivoStampsVersion");
// The earlier program's settings file: a path relative to the user's
// configuration folder (or absolute).
inline const QString QVEarlierPreferencesFileKey = QStringLiteral("earlierPreferencesFile");
// The host of the vendor's Mac support site (help pages).
inline const QString QVMacSupportHostKey = QStringLiteral("macSupportHost");

// Printer types compared at start-up.
inline const QString QVDelegateKIVOTagwrightPrinter = QStringLiteral("QVKIVOTagwrightPrinter");
inline const QString QVDelegatePlainPaperPrinter = QStringLiteral("QVPlainPaperPrinter");

// Turns a list into its members' texts joined with "\n" (no reverse).
class QVNewLineJoinedValueTransformer
{
public:
    static QString name() { return QStringLiteral("NewLineJoinedValueTransformer"); }
    static bool allowsReverseTransformation() { return false; }
    QVariant transformedValue(const QVariant &value) const;
};

class QVXController : public QObject
{
    Q_OBJECT
public:
    explicit QVXController(QVXControllerHooks hooks, std::shared_ptr<Scheduler> scheduler, QObject *parent = nullptr);
    ~QVXController() override;

    // Class initialisation: registers the bundled "QVDefaults" (skipped when
    // it cannot be read). Once per process.
    static void initializeClass();

    // The single-instance name claimed at launch (tests use names of their
    // own).
    void setSingleInstanceName(const QString &name) { m_instanceName = name; }
    SingleInstance *singleInstance() const { return m_instance.get(); }
    // The requests of the single-instance socket (platform/RemoteRequests.h):
    // served from the claim on, answered with an error until a handler is set
    // (the root object, vendRootObject).
    RemoteRequestServer &remoteRequests() { return *m_remoteRequests; }

    void setProgressPanel(ProgressPanel *panel) { m_progressPanel = panel; }
    void setOverlayHost(OverlayHost *host) { m_overlayHost = host; }
    QVXControllerHooks &hooks() { return m_hooks; }

    // ---- Life cycle ---------------------------------------------------------
    void applicationWillFinishLaunching();
    // True when the launch ran to its end (false: it quit or stopped).
    bool applicationDidFinishLaunching();
    void applicationWillTerminate();
    bool applicationShouldTerminateAfterLastWindowClosed() const;
    bool isRunningOnReadOnlyVolume() const;
    // The timer's action: the account information refreshed.
    void refreshAccountInfo();
    bool isStampsEdition() const;

    // ---- Support folders ----------------------------------------------------
    // The application-support folder (created; empty on failure).
    static QString appSupportFolderPath();
    // Its "Labels" folder (created).
    static QString labelArchiveFolder();
    // The named file in the support folder, else the bundle resource, else
    // empty.
    static QString pathForSupportFileWithName(const QString &name);
    // Deletes the files (in sub-folders too) below the label archive and
    // "confs" modified more than 90 days before `now`.
    static void purgeOldLabelFiles(const QDateTime &now);

    // ---- Alerts -------------------------------------------------------------
    // The information alert of `key` from "InfoAlerts": 1 at once in
    // automation mode or when the key's suppression default is on; -2 when
    // the texts are missing; otherwise the pressed button's tag (1 default,
    // 0 alternate). A checked remind box with the default button silences
    // the key for good. The body is filled with `arguments`.
    int infoAlertForKey(const QString &key, const QString &defaultButton, const QString &alternateButton,
                        bool remindBox, const QVariantList &arguments = {});
    int infoAlertForKey(const QString &key, bool remindBox)
    {
        return infoAlertForKey(key, QStringLiteral("OK"), QString(), remindBox);
    }
    // The texts of the information alerts (tests give their own; nothing
    // makes the next alert read the bundle again).
    void setInfoAlerts(std::optional<QVariantMap> alerts) { m_infoAlerts = std::move(alerts); }

    // ---- Automation ---------------------------------------------------------
    void setAutomation(bool on);
    bool isAutomation() const;

    // ---- Progress panel -----------------------------------------------------
    void setProgressTextString(const QString &text);
    void showProgressPanel();
    void hideProgressPanel();

    // ---- Overlays -----------------------------------------------------------
    // Toggles the piece-size help overlay ("hoverthing").
    void showOverlay();
    // The web-store introduction ("Introducing-Web-Stores") under a view
    // (its rectangle on the screen).
    void showWebStoreOverlayBelow(const QRectF &viewOnScreen);
    void fadeOverlay(OverlayHost::OverlayId overlay);
    // Opens the help page on mailpiece definitions, then fades.
    void fadeOverlayWithLink(OverlayHost::OverlayId overlay);
    bool isFading() const { return m_fading; }
    static QUrl mailpieceDefinitionsURL();

    // ---- State --------------------------------------------------------------
    const QString &currentMode() const { return m_currentMode; }
    void setCurrentMode(const QString &mode) { m_currentMode = mode; }

private:
    void quitWithAlert(const QString &message, const QString &informative);
    QDateTime now() const;
    void firstRunMigration();
    void upgradeSettings();
    bool loadMainWindowGuarded();
    void warnOfLargeLog();
    OverlayHost::OverlayId openOverlay(const QString &image, const QPointF &topLeft);
    // The call, made only while this object lives (for delayed calls and
    // timers, which may come after it ended).
    std::function<void()> guarded(std::function<void()> call);

    QVXControllerHooks m_hooks;
    std::shared_ptr<Scheduler> m_scheduler;
    ProgressPanel *m_progressPanel = nullptr;
    OverlayHost *m_overlayHost = nullptr;
    QString m_instanceName;
    std::unique_ptr<SingleInstance> m_instance;
    std::unique_ptr<RemoteRequestServer> m_remoteRequests;
    std::optional<QVariantMap> m_infoAlerts;
    bool m_progressPanelCentred = false;
    bool m_fading = false;
    QString m_currentMode;
    std::vector<NotificationObserver> m_observers;
};
