#include "app/shell/ApplicationWiring.h"

#include "app/account/AccountWindowsRegistration.h"
#include "app/shell/ProgramRegistration.h"
#include "app/mainwindow/MasterWindow.h"
#include "app/windows/MailingLogWindowRegistration.h"
#include "app/preferences/KIVOPreferencesController.h"
#include "app/mainwindow/MasterControllerWiring.h"
#include "app/shell/QVApplicationMenus.h"
#include "app/shell/QVDesktopRequests.h"
#include "app/shell/QVMenuBar.h"
#include "app/shell/QVScriptingBus.h"
#include "app/preferences/QVPreferencesRegistration.h"
#include "app/shell/QVURLHandler.h"
#include "app/windows/QVWebAnnouncementController.h"
#include "app/shell/QVUpdater.h"
#include "app/shell/QVXController.h"
#include "app/shell/QVXControllerActions.h"
#include "app/shell/ShellWindows.h"
#include "app/windows/StampWindowWiring.h"
#include "devices/HID_Queue_Utilities.h"
#include "devices/HID_Utilities.h"
#include "devices/QVTolvane22lbScale.h"
#include "devices/QVUSBScale.h"
#include "mailinglog/QVMailingLog.h"
#include "model/MailingLogServices.h"
#include "platform/Bundle.h"
#include "platform/UrlOpener.h"
#include "platform/UserDefaults.h"
#include "printing/flow/QVEmailManager.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "printing/thermal/KIVONewTagwright.h"
#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"
#include "services/QVGLZUSPSZoneChartCommandCenter.h"
#include "services/QVRHOAccountInformationCommandCenter.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVReachability.h"
#include "services/QVRHOLabelServerCommandCenter.h"
#include "services/usps/QVGLZCommandCenter.h"
#include "services/usps/QVUSPSCommandCenter.h"

#include <QAction>
#include <QApplication>
#include <QDebug>
#include <QFile>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QTimer>

#include <cstdlib>

namespace {

const QString kTessaroPrintingMode = QStringLiteral("QVTessaroPrintingMode");

void centreOnScreen(QWidget *window)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!window || !screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

} // namespace

QString addressCorrectionServiceHost()
{
    // The host the address-correction client sends to: its older direct
    // route's own setting, else the label server's host.
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    const QString setting =
        (defaults.boolForKey(QVGLZUseV1DefaultsKey) ? defaults.stringForKey(QVGLZServerAddressDefaultsKey)
                                                    : QVRHOLabelServerCommandCenter::commandCenter()->server())
            .trimmed();
    if (setting.isEmpty())
        return QString();
    // The setting may carry a scheme or a port ("127.0.0.1:8443").
    const QUrl url = setting.contains(QLatin1String("://")) ? QUrl(setting) : QUrl(QStringLiteral("//") + setting);
    return url.host();
}

QUrl announcementPageURL()
{
    const QUrl feed(defaultUpdateFeedURL());
    QUrl page;
    page.setScheme(feed.scheme().isEmpty() ? QStringLiteral("https") : feed.scheme());
    page.setHost(feed.host());
    page.setPort(feed.port());
    page.setPath(QStringLiteral("/tolvaneformac/announcement.html"));
    return page;
}

DesktopApplication::DesktopApplication()
    : m_scheduler(std::make_shared<QtScheduler>()), m_progressPanel(std::make_unique<ProgressPanelWindow>()),
      m_overlays(std::make_unique<OverlayWindows>())
{
    m_controller = std::make_unique<QVXController>(QVXControllerHooks{}, m_scheduler);
    m_controller->hooks() = hooks();
    m_controller->setProgressPanel(m_progressPanel.get());
    m_controller->setOverlayHost(m_overlays.get());

    QVUpdaterEnvironment environment = defaultUpdaterEnvironment();
    environment.setAllHolidays = [](const QVariantMap &holidays) {
        QVUSPSCommandCenter::commandCenter()->setAllHolidays(holidays);
    };
    m_updater = std::make_unique<QVUpdater>(std::move(environment));
    m_controller->hooks().validateVersionForPrinting = [this] { return m_updater->validateVersionForPrinting(); };

    m_menus = std::make_unique<QVApplicationMenus>(
        *m_updater, [this] { return m_controller->currentMode() == kTessaroPrintingMode; });
    wireUpdaterAndMenus(m_controller->hooks(), *m_updater, *m_menus, m_mainWindow);
    // The stamp window's host: the delegate's alerts, progress panel and
    // account actions, the menus' supply store and mode item.
    StampWindowHostServices stampServices;
    stampServices.delegate = m_controller.get();
    stampServices.actions = [this] { return m_delegateActions.actions.get(); };
    stampServices.performAction = [this](const QString &action) { m_menus->actions().perform(action); };
    stampServices.addJunkToWindowTitle = [this](const QString &title) {
        return m_updater->addJunkToWindowTitle(title);
    };
    stampServices.setModeMenuItemTitle = [this](const QString &title) {
        if (QVMenuBar *bar = m_menus->menuBar(); bar && !title.isEmpty()) {
            if (QAction *item = bar->actionFor(QStringLiteral("swapMode:")))
                item->setText(title);
        }
    };
    const std::shared_ptr<TessaroHost> stampHost = makeDelegateTessaroHost(std::move(stampServices));
    setTessaroHost(stampHost);
    m_stampWindow = std::make_unique<StampWindow>(stampHost);
    // The modes, the address drawer, use-postage and the account actions;
    // the delegate is the host the print flow and the other libraries call.
    m_delegateActions =
        wireDelegateActions(*m_controller, *m_menus, m_mainWindow, [this] { return m_stampWindow->view(); });
    m_stampWindow->joinDelegate(m_delegateActions, m_mainWindow);
    m_stampWindow->registerActions(m_menus->actions());
    registerProgramWindows(*m_controller, *m_menus, m_delegateActions, m_mainWindow);

    // URLs, opened files, Services and the requests of the single-instance
    // socket.
    m_urlHost = std::make_unique<QVURLHandlerHookHost>();
    m_urlHost->hooks.hasMainWindow = [this] { return m_mainWindow != nullptr; };
    m_urlHost->hooks.checkForUpdates = [this] { m_updater->checkForUpdates(); };
    m_urlHost->hooks.openURLInBrowser = [](const QUrl &url) { return openUrl(url); };
    m_urlHost->hooks.showMainWindow = [this] {
        if (m_mainWindow) {
            m_mainWindow->show();
            m_mainWindow->raise();
            m_mainWindow->activateWindow();
        }
    };
    m_urlHost->hooks.activateApplication = m_urlHost->hooks.showMainWindow;
    // New shipments from URLs and vCard files go to the main window's
    // controller; a mailing-log row to the log window.
    const auto master = [this]() -> MasterController * {
        auto *window = dynamic_cast<MasterWindow *>(m_mainWindow);
        return window ? &window->controller() : nullptr;
    };
    m_urlHost->hooks.newPackageWithAddressString = [master](const QString &address, const QString &email) {
        if (MasterController *controller = master())
            controller->newPackageWithAddressString(address, email, std::nullopt, std::nullopt, std::nullopt, true);
    };
    m_urlHost->hooks.setCurrentShipmentProperty = [master](const QVariant &value, const QString &key) {
        if (MasterController *controller = master())
            controller->setCurrentShipmentProperty(value, key);
    };
    m_urlHost->hooks.setPendingCallbackURL = [master](const std::optional<QUrl> &url) {
        if (MasterController *controller = master())
            controller->setPendingCallbackURL(url.value_or(QUrl()));
    };
    m_urlHost->hooks.processVCardFile = [master](const QString &path) {
        MasterController *controller = master();
        return controller && controller->processVCardFileAtURL(path);
    };
    m_urlHost->hooks.highlightRow = [this](quint32 row) {
        m_menus->actions().perform(QStringLiteral("showPostageLog:"));
        highlightMailingLogRow(m_menus->windows(), row);
    };
    m_urlHandler = std::make_unique<QVURLHandler>(*m_urlHost, m_scheduler);

    // The serial scale's "Scale Setup" button shows the scale set-up window.
    QVTolvane22lbScale::setShowScaleSetup([this](QVTolvane22lbScale *) {
        if (const auto window = m_menus->windows().controller(QVScaleSetupControllerName))
            window->showWindow();
    });
}

DesktopApplication::~DesktopApplication()
{
    m_scriptingBus.reset();
    unregisterProgramWindows();
    QVTolvane22lbScale::setShowScaleSetup({});
    // The shipment form goes back into the main window (which owns it)
    // before the window goes; the stamp view then belongs to the stamp
    // window alone.
    if (m_mainWindow && m_delegateActions.views)
        m_delegateActions.views->switchToView(QVMainViewHost::View::Dashboard);
    delete m_mainWindow;
    m_mainWindow = nullptr;
    m_stampWindow.reset();
    setTessaroHost(nullptr);
}

void DesktopApplication::loadMainWindow()
{
    // The shipment window over its controller (the menus put their bar on
    // it afterwards).
    if (!m_mainWindow) {
        m_mainWindow = makeMainWindow(*m_controller, m_scheduler, m_menus->actions(), m_stampWindow.get());
        // New Package, Import Addresses, Weigh, Verify Address and the
        // controller's other items reach the window's controller.
        joinMasterWindowToMenus(m_mainWindow, m_menus->actions(), m_menus->windows(), [this] {
            if (m_delegateActions.views)
                m_delegateActions.views->makeMainWindowKeyAndFront();
        });
        m_progressPanel->setMainWindow(m_mainWindow);
        m_overlays->setMainWindow(m_mainWindow);
    }
    m_mainWindow->show();
}

QVXControllerHooks DesktopApplication::hooks()
{
    QVXControllerHooks hooks;
    hooks.initializeRateEngine = [](const QString &path, const QString &date) {
        return InitializeRE(QFile::encodeName(path).constData(), date.toLatin1().constData());
    };
    hooks.loadCountryFile = [](const QString &path) {
        return !path.isEmpty() && LoadCountry2013FileAtPath(QFile::encodeName(path).constData()) == 1;
    };
    hooks.loadCountryAliasFile = [](const QString &path) {
        return !path.isEmpty() && LoadCountryAliasFileAtPath(QFile::encodeName(path).constData()) == 1;
    };
    hooks.addressCorrectionHost = addressCorrectionServiceHost;
    hooks.isHostReachable = [](const QString &host) { return reachability()->isHostReachable(host); };
    hooks.labelPrinterAvailable = [] { return KIVONewTagwright::printerAvailable(); };
    hooks.createSharedClients = [] {
        QVUSPSCommandCenter::commandCenter();
        QVRHOCommandCenter::commandCenter();
        QVGLZCommandCenter::commandCenter();
    };
    hooks.refreshAccountInformation = [] { QVRHOAccountInformationCommandCenter::commandCenter()->refresh(); };
    hooks.checkForZoneUpdate = [] { QVGLZUSPSZoneChartCommandCenter::commandCenter()->checkForZoneUpdate(); };
    hooks.loadMainWindow = [this] { loadMainWindow(); };
    hooks.setPrinterType = [](const QString &type) {
        QVPrinterSetupController::sharedController()->setPrinterTypeWithTypeString(type);
    };
    hooks.centreMainWindow = [this] { centreOnScreen(m_mainWindow); };
    hooks.setPrintingMode = [this](const QString &mode) { m_controller->setCurrentMode(mode); };
    hooks.vendRootObject = [this] {
        m_controller->remoteRequests().setHandler(
            [this](const RemoteFrame &request) { return m_urlHandler->answerRemoteRequest(request); });
        // The scripting commands, on the user's own session bus.
        if (!m_scriptingBus) {
            auto bus = std::make_unique<QVScriptingBus>();
            if (bus->registerOn(QDBusConnection::sessionBus()))
                m_scriptingBus = std::move(bus);
        }
    };
    // Through the registered log, which answers 0 (and says why once) when
    // the file cannot be read.
    hooks.mailingLogCount = [] { return qint64(sharedMailingLog()->itemsInLog()); };
    hooks.showMailingLogAndArchive = [this] {
        if (const auto log = m_menus->windows().controller(QVMailingLogControllerName)) {
            log->showWindow();
            log->performAction(QStringLiteral("archiveLog:"));
        }
    };
    hooks.setUpScales = [] { QVUSBScale::setUpScale(); };
    hooks.releaseScales = [] {
        if (gIOHIDManagerRef) {
            HIDReleaseAllDeviceQueues();
            gIOHIDManagerRef->close();
        }
    };
    hooks.announcementURL = announcementPageURL;
    hooks.showAnnouncement = [](const QUrl &url) { showAnnouncementForURL(url); };
    hooks.openURL = [](const QUrl &url) { openUrl(url); };
    hooks.isApplicationActive = [] { return QGuiApplication::applicationState() == Qt::ApplicationActive; };
    hooks.terminate = [](int status) { QCoreApplication::exit(status); };
    hooks.exitProcess = [](int status) { std::exit(status); };
    return hooks;
}

void DesktopApplication::start()
{
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp, [this] { m_controller->applicationWillTerminate(); });
    m_controller->applicationWillFinishLaunching();
    QTimer::singleShot(0, qApp, [this] {
        const bool launched = m_controller->applicationDidFinishLaunching();
        // Label PDFs handed to the mail program or a viewer stay a day for
        // them to read.
        if (launched)
            tolvane::removeOldOutgoingPDFs();
        if (launched && m_launchRequest) {
            const RemoteFrame answer = m_urlHandler->answerRemoteRequest(*m_launchRequest);
            if (answer.method != RemoteAnswerOK)
                qWarning().noquote() << answer.argument;
        }
        m_launchRequest.reset();
    });
}
