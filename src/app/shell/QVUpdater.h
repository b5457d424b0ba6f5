#pragma once
// The updater and the version checks of the application delegate.
//
// In place of a self-installing update framework the program reads its
// update feed (Appcast.h) itself: at launch and then once a day in the
// background, and when the user asks ("Check for Updates…"). The feed
// carries, besides the published versions, the USPS holiday list and the
// lowest build number that may still print. A newer version is only shown:
// its page opens in the browser on request; nothing is downloaded or
// installed.
//
// Feed URL (setUpFeedURL): the build's "SUFeedURL" (QVUpdaterEnvironment::
// bundleFeedURL). An address of the version-check web service (its text
// contains "VcService.asmx") is used as it is; any other one is rebuilt as
// "<scheme>://<host>/<folder>/<feed name>.xml", folder "tfmbeta" for a beta
// build, else "tolvaneformac"; the feed name follows the edition:
// "TolvaneForMacSparkle", in the stamps-only edition (user default
// "kivoStampsVersion") "KIVOStampsMacSparkle", or "ZPMMacSparkle" when
// "zpmVersion" is also set. A port in the address is kept.
//
// Each request appends to the feed URL, as query fields: "inputString" with
// the version-check document (XMLForVersionCheck) only when the feed URL is
// the version-check service's, then "AccountNumber" (user default
// "tolvaneUser") when that is set, then the installation's profile:
// "appName", "appVersion", "osVersion" (as the version-check document
// writes it) and "lang".
//
// A loaded feed (didFinishLoadingAppcast):
//   1. removes the user default "SUSkippedVersion";
//   2. for each item in order: a non-empty "tolvane:holidays" that is a
//      property list of a dictionary of texts goes to the USPS Web Tools
//      client (setAllHolidays); any other is written to the console as
//      "error loading holidays: <reason>" and changes nothing. A
//      "tolvane:minimumToPrint" that is a plain unsigned 32-bit number
//      becomes minimumToPrintVersion() (a later item wins); any other is
//      written to the console and ignored;
//   3. on every load but the first of the process, asks the account
//      information to refresh and the zone charts to look for a new chart
//      (the launch does both itself).
// Then the newest item (by its build number, "sparkle:version") is compared
// with the running build: when it is newer an alert offers to open its page
// (its link, else its enclosure's address; only http and https addresses are
// opened, through the UrlOpener). A check the user asked for also says when
// the program is up to date or the feed could not be read; a background
// check says nothing then.
//
// Version checks: isBeta() when the short version text holds "b" or "B";
// printing is allowed while the build number is at least
// minimumToPrintVersion() (0 until a feed says otherwise, never stored);
// validateVersionForPrinting() shows "Update required." otherwise.
//
// Main thread only. Feed requests are asynchronous (the completion runs on
// the event loop); at most one runs at a time, a check asked for while one
// runs is dropped (a user's check then shows the running check's result).
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPair>
#include <QSize>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

struct AppcastItem;
class GTMHTTPFetcher;

// User defaults read here.
inline const QString QVUpdaterSkippedVersionDefaultsKey = QStringLiteral("SUSkippedVersion");
inline const QString QVUpdaterZPMVersionDefaultsKey = QStringLiteral("zpmVersion");

// The seconds between background checks.
inline constexpr int kQVUpdaterCheckInterval = 86400;

// What the updater needs of the program around it (the application wires the
// real ones; tests give their own).
struct QVUpdaterEnvironment {
    // The build's "SUFeedURL" (empty: none).
    QString bundleFeedURL;
    // The build number ("CFBundleVersion"), the version shown to people
    // ("CFBundleShortVersionString") and the program's name ("CFBundleName").
    QString bundleVersion;
    QString shortVersionString;
    QString bundleName;
    // The operating-system version packed as binary-coded decimal.
    std::function<quint32()> systemVersionBCD;
    // The size of the main screen (empty without one).
    std::function<QSize()> mainScreenSize;
    // The USPS Web Tools client's holiday list.
    std::function<void(const QVariantMap &)> setAllHolidays;
    // The account-information refresh and the zone charts' update check.
    std::function<void()> refreshAccountInformation;
    std::function<void()> checkForZoneUpdate;
    // The postage client's server host when it is a test server, else empty.
    std::function<QString()> testServerHost;
};

// The environment of the running program: the build's values and the real
// clients.
QVUpdaterEnvironment defaultUpdaterEnvironment();

// The default "SUFeedURL" of the build (a reserved, never reachable host
// unless the build names another).
QString defaultUpdateFeedURL();

// The feed name of the edition chosen by the user defaults.
QString updateFeedName();
// A short version text marks a beta build when it holds "b" or "B".
bool isBetaVersion(const QString &shortVersionString);
// The feed URL that setUpFeedURL makes of the build's one (see above).
QUrl editionFeedURL(const QUrl &bundleFeedURL, bool beta, const QString &feedName);
// The title with the beta mark " - BETA (<build>)" and the test-server mark
// " - **TEST SERVER** (<host>)" as they apply.
QString windowTitleWithMarks(const QString &title, bool beta, const QString &bundleVersion,
                             const QString &testServerHost);

class QVUpdater : public QObject
{
    Q_OBJECT
public:
    explicit QVUpdater(QVUpdaterEnvironment environment, QObject *parent = nullptr);
    ~QVUpdater() override;

    const QVUpdaterEnvironment &environment() const { return m_environment; }

    // ---- Set-up -------------------------------------------------------------
    // Chooses the feed URL (see above).
    void setUpFeedURL();
    QUrl feedURL() const { return m_feedURL; }
    void setFeedURL(const QUrl &url) { m_feedURL = url; }
    // The launch's settings: the feed URL, background checks every
    // kQVUpdaterCheckInterval seconds, and a background check on the next
    // pass of the event loop (sending it loads the TLS library and its
    // certificates, which the launch's first window does not wait for).
    void startAutomaticChecks();
    bool automaticChecksRunning() const { return m_dailyTimer.isActive(); }

    // ---- Requests -----------------------------------------------------------
    // The version-check document (UTF-8 XML text).
    QByteArray XMLForVersionCheck() const;
    // The feed parameters: key and value, in order.
    QList<QPair<QString, QString>> feedParameters() const;
    // The URL of the next feed request: the feed URL with the parameters and
    // the profile as query fields.
    QUrl feedRequestURL() const;

    // ---- Checks -------------------------------------------------------------
    // A check the user asked for (the menu item): says what it found.
    void checkForUpdates();
    // A check in the background: speaks only of a newer version.
    void checkInBackground();
    // True from the launch's check being queued until a check ends.
    bool isChecking() const { return m_fetcher || m_launchCheckPending; }
    // Called with each finished check (tests wait for it).
    void setCheckFinishedHandler(std::function<void()> handler) { m_checkFinished = std::move(handler); }

    // What a loaded feed changes (steps 1 to 3 above).
    void didFinishLoadingAppcast(const QList<AppcastItem> &items);

    // ---- Versions -----------------------------------------------------------
    bool isBeta() const;
    quint32 minimumToPrintVersion() const { return m_minimumToPrintVersion; }
    bool isAllowedToPrintBasedOnCurrentVersion() const;
    // True when allowed; otherwise the "Update required." alert, whose
    // "Check for Updates" starts checkForUpdates(), and false.
    bool validateVersionForPrinting();
    // The window title with the beta and test-server marks.
    QString addJunkToWindowTitle(const QString &title) const;

private:
    void startCheck(bool userInitiated);
    void finishCheck(bool userInitiated, const QByteArray &data, const QString &failure);
    void offerNewerVersion(const AppcastItem &item);

    QVUpdaterEnvironment m_environment;
    QUrl m_feedURL;
    quint32 m_minimumToPrintVersion = 0;
    bool m_loadedOnce = false;
    bool m_userWaiting = false;
    bool m_launchCheckPending = false;
    std::shared_ptr<GTMHTTPFetcher> m_fetcher;
    QTimer m_dailyTimer;
    std::function<void()> m_checkFinished;
};
