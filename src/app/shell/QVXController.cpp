#include "app/shell/QVXController.h"

#include "devices/QVUSBScale.h"
#include "platform/Bundle.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/RemoteRequests.h"
#include "platform/SingleInstance.h"
#include "platform/SystemVersion.h"
#include "platform/UserDefaults.h"
#include "platform/VolumeStatus.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <exception>
#include <typeinfo>

namespace {

constexpr const char *kClassName = "QVXController";
// Label files are kept this long (90 days).
constexpr qint64 kLabelFileLifetimeSeconds = 7776000;
constexpr double kAccountRefreshInterval = 1800.0;
constexpr qint64 kLargeLogPieces = 2500;
constexpr qint64 kAnnouncementLastBuild = 364;
constexpr uint32_t kOldestQuietSystem = 0x100600;

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

void writeConsole(const QString &text) { qWarning().noquote() << text; }

// Copies a folder with everything in it; false at the first failure.
bool copyFolder(const QString &from, const QString &to)
{
    if (!QDir().mkpath(to))
        return false;
    const QDir source(from);
    for (const QFileInfo &entry :
         source.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        const QString target = QDir(to).filePath(entry.fileName());
        if (entry.isSymLink())
            continue;
        if (entry.isDir() ? !copyFolder(entry.filePath(), target) : !QFile::copy(entry.filePath(), target))
            return false;
    }
    return true;
}

bool isEmptyFolder(const QString &path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).isEmpty();
}

} // namespace

QVariant QVNewLineJoinedValueTransformer::transformedValue(const QVariant &value) const
{
    QStringList texts;
    for (const QVariant &member : value.toList())
        texts.append(member.toString());
    return texts.join(QLatin1Char('\n'));
}

QVXController::QVXController(QVXControllerHooks hooks, std::shared_ptr<Scheduler> scheduler, QObject *parent)
    : QObject(parent), m_hooks(std::move(hooks)), m_scheduler(std::move(scheduler)),
      m_instanceName(QVSingleInstanceName), m_remoteRequests(std::make_unique<RemoteRequestServer>())
{
    // Automation is off at the start.
    setAutomation(false);
}

QVXController::~QVXController() = default;

std::function<void()> QVXController::guarded(std::function<void()> call)
{
    return [alive = QPointer<QVXController>(this), call = std::move(call)] {
        if (alive)
            call();
    };
}

void QVXController::initializeClass()
{
    static const bool done = [] {
        QString error;
        if (!defaults().registerBundleDefaults(&error))
            writeConsole(error);
        return true;
    }();
    (void)done;
}

// ---- Support folders --------------------------------------------------------

QString QVXController::appSupportFolderPath()
{
    // The first successful path is kept for the life of the process, except
    // that tests move the folder with TOLVANE_SUPPORT_DIR.
    const QString path = applicationSupportDirectory();
    if (path.isEmpty())
        writeConsole(QStringLiteral("error creating app support directory: %1")
                         .arg(QStringLiteral("the folder could not be created")));
    return path;
}

QString QVXController::labelArchiveFolder()
{
    const QString support = appSupportFolderPath();
    if (support.isEmpty())
        return QString();
    const QString folder = QDir(support).filePath(QStringLiteral("Labels"));
    QDir().mkpath(folder);
    return folder;
}

QString QVXController::pathForSupportFileWithName(const QString &name)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String("..") || name == QLatin1String("."))
        return QString();
    const QString support = appSupportFolderPath();
    if (!support.isEmpty()) {
        const QString path = QDir(support).filePath(name);
        if (QFileInfo::exists(path))
            return path;
    }
    const QFileInfo info(name);
    const QString base = info.completeBaseName();
    const QString extension = info.suffix();
    const QString resource = Bundle::pathForResource(base, extension);
    if (!resource.isEmpty())
        return resource;
    return QString();
}

void QVXController::purgeOldLabelFiles(const QDateTime &now)
{
    const QString support = appSupportFolderPath();
    if (support.isEmpty())
        return;
    const QDateTime limit = now.addSecs(-kLabelFileLifetimeSeconds);
    QStringList doomed;
    for (const QString &folder :
         {QDir(support).filePath(QStringLiteral("Labels")), QDir(support).filePath(QStringLiteral("confs"))}) {
        if (!QFileInfo(folder).isDir())
            continue;
        QDirIterator walk(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (walk.hasNext()) {
            walk.next();
            const QFileInfo file = walk.fileInfo();
            if (file.lastModified() < limit)
                doomed.append(file.filePath());
        }
    }
    for (const QString &path : doomed)
        QFile::remove(path); // a failure is ignored
}

// ---- Life cycle -------------------------------------------------------------

bool QVXController::isStampsEdition() const { return defaults().boolForKey(QVStampsEditionKey); }

bool QVXController::applicationShouldTerminateAfterLastWindowClosed() const { return isStampsEdition(); }

bool QVXController::isRunningOnReadOnlyVolume() const
{
    if (m_hooks.isRunningOnReadOnlyVolume)
        return m_hooks.isRunningOnReadOnlyVolume();
    return isPathOnReadOnlyVolume(QCoreApplication::applicationDirPath());
}

QDateTime QVXController::now() const { return m_hooks.now ? m_hooks.now() : QDateTime::currentDateTime(); }

void QVXController::refreshAccountInfo()
{
    if (m_hooks.refreshAccountInformation)
        m_hooks.refreshAccountInformation();
}

void QVXController::applicationWillFinishLaunching()
{
    if (m_hooks.installURLHandler)
        m_hooks.installURLHandler();
    if (isStampsEdition() && m_hooks.useStampsEditionMenu)
        m_hooks.useStampsEditionMenu();
}

void QVXController::quitWithAlert(const QString &message, const QString &informative)
{
    Alert alert = alertWithText(message, informative);
    alert.buttons = {{QStringLiteral("Quit"), 1}};
    alert.cancelAnswer = 1;
    runAlert(alert);
    if (m_hooks.terminate)
        m_hooks.terminate(0);
}

void QVXController::firstRunMigration()
{
    const QString earlierName = defaults().stringForKey(QVEarlierPreferencesFileKey);
    if (!earlierName.isEmpty()) {
        const QString path = QDir::isAbsolutePath(earlierName)
            ? earlierName
            : QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)).filePath(earlierName);
        if (QFileInfo(path).isFile() &&
            QFileInfo(path).absoluteFilePath() != QFileInfo(defaults().filePath()).absoluteFilePath()) {
            UserDefaults earlier(path);
            const QStringList keys = earlier.storedKeys();
            if (!keys.isEmpty()) {
                for (const QString &key : keys)
                    defaults().setObject(earlier.objectForKey(key), key);
                defaults().synchronize();
                earlier.synchronize();
            }
        }
    }
    const QString support = appSupportFolderPath();
    if (support.isEmpty())
        return;
    const QDir supportDir(support);
    QDir parent = supportDir;
    if (!parent.cdUp())
        return;
    const QString earlierFolder = parent.filePath(QStringLiteral("Quorvel"));
    if (QFileInfo(earlierFolder).isDir() && isEmptyFolder(support)) {
        if (QDir().rmdir(support) && copyFolder(earlierFolder, support))
            writeConsole(QStringLiteral("moved files"));
        else
            QDir().mkpath(support);
    }
}

void QVXController::upgradeSettings()
{
    const bool hasLastRun = defaults().objectForKey(QVLastRunKey).isValid();
    const qint64 lastRun = defaults().integerForKey(QVLastRunKey);
    if ((!hasLastRun || lastRun <= 75) && defaults().stringForKey(QVPrinterTypeKey) == QVDelegateKIVOTagwrightPrinter &&
        m_hooks.labelPrinterAvailable && m_hooks.labelPrinterAvailable())
        defaults().setBool(true, QVUseKIVOForEnvelopesKey);
    if (lastRun <= 190)
        defaults().setInteger(1, QVTessaroSheetTypeKey);
    defaults().removeObjectForKey(QVZoneChartCacheKey);
}

bool QVXController::loadMainWindowGuarded()
{
    try {
        if (m_hooks.loadMainWindow)
            m_hooks.loadMainWindow();
        return true;
    } catch (const std::exception &exception) {
        writeConsole(QStringLiteral("Exception raised:\n%1")
                         .arg(QStringLiteral("%1\nReason: %2\nUser Info: %3")
                                  .arg(QString::fromLatin1(typeid(exception).name()),
                                       QString::fromLocal8Bit(exception.what()), QStringLiteral("(null)"))));
    } catch (...) {
        writeConsole(
            QStringLiteral("Exception raised:\n%1").arg(QStringLiteral("unknown\nReason: (null)\nUser Info: (null)")));
    }
    // The program cannot work without its main window: it ends with a
    // failure status.
    if (m_hooks.terminate)
        m_hooks.terminate(1);
    return false;
}

void QVXController::warnOfLargeLog()
{
    if (isStampsEdition() || defaults().boolForKey(QVNoLargeLogWarningKey) || !m_hooks.mailingLogCount)
        return;
    if (m_hooks.mailingLogCount() <= kLargeLogPieces)
        return;
    Alert alert = alertWithText(
        QStringLiteral("Your mailing log exceeds 2500 entries."),
        QStringLiteral(
            "You may notice a slowdown in printing due to the large size of your mailing log. Choose Archive "
            "Log to move some of your older transactions to a file. This file can later be restored if you "
            "need to access the items."));
    alert.buttons = {{QStringLiteral("Archive Log"), 1}, {QStringLiteral("Not Now"), 0}};
    alert.cancelAnswer = 0;
    if (runAlert(alert) == 1 && m_hooks.showMailingLogAndArchive)
        m_hooks.showMailingLogAndArchive();
}

bool QVXController::applicationDidFinishLaunching()
{
    auto call = [](const std::function<void()> &hook) {
        if (hook)
            hook();
    };

    // 1. One running copy.
    m_instance = std::make_unique<SingleInstance>(m_instanceName);
    const SingleInstance::Result claim = m_instance->claim();
    if (claim != SingleInstance::Result::Listening) {
        if (claim == SingleInstance::Result::Failed)
            writeConsole(m_instance->errorString());
        m_instance.reset();
        quitWithAlert(
            QStringLiteral("Already running."),
            QStringLiteral("You are already running an Tolvane for Mac application. You may only run one copy "
                           "at a time on this computer."));
        return false;
    }
    m_instance->setConnectionHandler([this](QLocalSocket *socket) { m_remoteRequests->serve(socket); });

    // 2. The clock.
    const QDateTime today = now();
    const int year = today.date().year();
    if (year <= 2013) {
        quitWithAlert(QStringLiteral("Your clock is set incorrectly"),
                      QStringLiteral("Tolvane is not able to launch because your system clock is set for the year %1. "
                                     "Please correct this and open Tolvane again.")
                          .arg(year));
        return false;
    }

    // 3. An old operating system.
    if (GetSystemVersionBCD() < kOldestQuietSystem)
        infoAlertForKey(QStringLiteral("lionWarning"), true);

    // 4. The program keeps no URL cache of its own.

    // 5. The rate engine.
    const QString date = today.date().toString(QStringLiteral("MM/dd/yyyy"));
    const int32_t engine = m_hooks.initializeRateEngine ? m_hooks.initializeRateEngine(QString(), date) : 0;
    if (engine != 0) {
        writeConsole(QStringLiteral("%1: couldn't load ratedll : %2").arg(QLatin1String(kClassName)).arg(engine));
        if (m_hooks.exitProcess)
            m_hooks.exitProcess(1);
        return false;
    }

    // 6. The country files.
    const QString countryPath = pathForSupportFileWithName(QStringLiteral("country2013.dat"));
    if (!m_hooks.loadCountryFile || !m_hooks.loadCountryFile(countryPath)) {
        writeConsole(QStringLiteral("%1: couldn't load the %2 file").arg(QLatin1String(kClassName), countryPath));
        if (m_hooks.exitProcess)
            m_hooks.exitProcess(1);
        return false;
    }
    const QString aliasPath = pathForSupportFileWithName(QStringLiteral("country-aliases.txt"));
    if (!m_hooks.loadCountryAliasFile || !m_hooks.loadCountryAliasFile(aliasPath))
        writeConsole(QStringLiteral("%1: couldn't load the %2 file").arg(QLatin1String(kClassName), aliasPath));

    // 7. The network.
    const QString host = m_hooks.addressCorrectionHost ? m_hooks.addressCorrectionHost() : QString();
    if (!m_hooks.isHostReachable || !m_hooks.isHostReachable(host)) {
        quitWithAlert(QStringLiteral("Internet Connection Required"),
                      QStringLiteral("You must be connected to the Internet for this functionality to be available. "
                                     "Please connect to the Internet and try again."));
        return false;
    }

    // 8. A read-only volume.
    if (isRunningOnReadOnlyVolume()) {
        const QString name = Bundle::bundleName();
        runAlert(alertWithText(QStringLiteral("%1 can't be run from a read-only volume like a disk image or an optical "
                                              "drive. Move %1 to your Applications folder, relaunch it from there, and "
                                              "try again.")
                                   .arg(name),
                               QString()));
        if (m_hooks.terminate)
            m_hooks.terminate(0);
        return false;
    }

    // 9. The updater.
    call(m_hooks.setUpUpdater);

    // 10.-11. The progress panel.
    if (isStampsEdition() && m_progressPanel)
        m_progressPanel->setTitle(Bundle::bundleName());
    setProgressTextString(QStringLiteral("Initializing") + QChar(0x2026));

    // 12. First run.
    const bool firstRun = defaults().boolForKey(QVFirstRunKey);
    if (firstRun)
        firstRunMigration();

    // 13. Upgrades.
    upgradeSettings();

    // 14.-16. Clients, account information, zone charts, the refresh timer.
    call(m_hooks.createSharedClients);
    call(m_hooks.createAccountPanels);
    call(m_hooks.refreshAccountInformation);
    call(m_hooks.checkForZoneUpdate);
    if (m_scheduler)
        m_scheduler->callEvery(kAccountRefreshInterval, guarded([this] { refreshAccountInfo(); }));

    // 17. The main window.
    if (!loadMainWindowGuarded())
        return false;

    // 18. A label printer that is gone.
    if (defaults().stringForKey(QVPrinterTypeKey) == QVDelegateKIVOTagwrightPrinter &&
        !(m_hooks.labelPrinterAvailable && m_hooks.labelPrinterAvailable()) && m_hooks.setPrinterType)
        m_hooks.setPrinterType(QVDelegatePlainPaperPrinter);

    // 19.-20. Old label files; the renamed folder.
    purgeOldLabelFiles(now());
    const QString support = appSupportFolderPath();
    if (!support.isEmpty()) {
        const QString older = QDir(support).filePath(QStringLiteral("Vorquil"));
        if (QFileInfo(older).isDir())
            QDir(support).rename(QStringLiteral("Vorquil"), QStringLiteral("Pellmark"));
    }

    // 21.-24.
    if (!isStampsEdition())
        call(m_hooks.becomeServicesProvider);
    call(m_hooks.vendRootObject);
    hideProgressPanel();
    call(m_hooks.readFromDefaults);

    // 25.-26.
    if (firstRun || defaults().stringForKey(QVMasterWindowOriginKey).isEmpty())
        call(m_hooks.centreMainWindow);
    defaults().setBool(false, QVFirstRunKey);

    // 27. The printing mode.
    if (isStampsEdition()) {
        call(m_hooks.showTessaro);
    } else {
        const QString mode = defaults().stringForKey(QVPrintingModeKey);
        m_currentMode = mode;
        if (m_hooks.setPrintingMode)
            m_hooks.setPrintingMode(mode);
        call(m_hooks.addJunkToWindowTitle);
    }

    // 28. A large mailing log.
    warnOfLargeLog();

    // 29. Scales.
    call(m_hooks.setUpScales);
    m_observers.push_back(
        NotificationCenter::defaultCenter().addObserver(QVUSBScaleWasAddedNotification, [this](const Notification &) {
            if (m_hooks.scaleWasAdded)
                m_hooks.scaleWasAdded();
        }));
    m_observers.push_back(
        NotificationCenter::defaultCenter().addObserver(QVUSBScaleWasRemovedNotification, [this](const Notification &) {
            if (m_hooks.scaleWasRemoved)
                m_hooks.scaleWasRemoved();
        }));

    // 30. The announcement for those who come from an old build.
    const bool hasLastRun = defaults().objectForKey(QVLastRunKey).isValid();
    if (!isStampsEdition() && hasLastRun && defaults().integerForKey(QVLastRunKey) <= kAnnouncementLastBuild &&
        m_hooks.announcementURL && m_hooks.showAnnouncement && m_scheduler) {
        const QUrl url = m_hooks.announcementURL();
        m_scheduler->callAfter(0, guarded([this, url] { m_hooks.showAnnouncement(url); }));
    }
    return true;
}

void QVXController::applicationWillTerminate()
{
    defaults().setString(Bundle::bundleVersion(), QVLastRunKey);
    // A copy that quits before it chose a mode (a second copy, a clock set
    // wrong) leaves the stored mode alone.
    if (!m_currentMode.isEmpty())
        defaults().setString(m_currentMode, QVPrintingModeKey);
    defaults().synchronize();
    if (m_hooks.releaseScales)
        m_hooks.releaseScales();
}
