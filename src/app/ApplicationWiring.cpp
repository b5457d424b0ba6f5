#include "app/ApplicationWiring.h"

#include "app/QVXController.h"
#include "app/ShellWindows.h"
#include "devices/HID_Queue_Utilities.h"
#include "devices/HID_Utilities.h"
#include "devices/QVUSBScale.h"
#include "mailinglog/QVMailingLog.h"
#include "platform/UrlOpener.h"
#include "platform/UserDefaults.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "printing/thermal/KIVONewTagwright.h"
#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"
#include "services/QVGLZUSPSZoneChartCommandCenter.h"
#include "services/QVRHOAccountInformationCommandCenter.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVReachability.h"
#include "services/usps/QVUSPSCommandCenter.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>

#include <cstdlib>

QString addressCorrectionServiceHost()
{
    const QString setting =
        UserDefaults::standardUserDefaults().stringForKey(QStringLiteral("glzServerAddress")).trimmed();
    if (setting.isEmpty())
        return QString();
    // The setting may carry a scheme or a port ("127.0.0.1:8443").
    const QUrl url = setting.contains(QLatin1String("://")) ? QUrl(setting) : QUrl(QStringLiteral("//") + setting);
    return url.host();
}

QUrl announcementPageURL()
{
    // Kept at the update feed's host.
    return QUrl(QStringLiteral("https://updates.tolvane.invalid/tolvaneformac/announcement.html"));
}

QVXControllerHooks applicationHooks(QVXController &controller, QMainWindow *&mainWindow)
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
        // USPS Web Tools, then the postage server (the address-correction
        // client is not part of this build yet).
        QVUSPSCommandCenter::commandCenter();
        QVRHOCommandCenter::commandCenter();
    };
    hooks.refreshAccountInformation = [] { QVRHOAccountInformationCommandCenter::commandCenter()->refresh(); };
    hooks.checkForZoneUpdate = [] { QVGLZUSPSZoneChartCommandCenter::commandCenter()->checkForZoneUpdate(); };
    hooks.loadMainWindow = [&mainWindow] {
        // Until the shipment window exists the main window stands empty.
        if (!mainWindow)
            mainWindow = new PlaceholderMainWindow;
        mainWindow->show();
    };
    hooks.setPrinterType = [](const QString &type) {
        QVPrinterSetupController::sharedController()->setPrinterTypeWithTypeString(type);
    };
    hooks.centreMainWindow = [&mainWindow] {
        const QScreen *screen = QGuiApplication::primaryScreen();
        if (!mainWindow || !screen)
            return;
        QRect frame = mainWindow->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        mainWindow->move(frame.topLeft());
    };
    hooks.setPrintingMode = [&controller](const QString &mode) { controller.setCurrentMode(mode); };
    hooks.mailingLogCount = [] { return qint64(QVMailingLog::sharedMailingLog()->itemsInLog()); };
    hooks.setUpScales = [] { QVUSBScale::setUpScale(); };
    hooks.releaseScales = [] {
        if (gIOHIDManagerRef) {
            HIDReleaseAllDeviceQueues();
            gIOHIDManagerRef->close();
        }
    };
    hooks.announcementURL = announcementPageURL;
    hooks.showAnnouncement = [](const QUrl &url) { openUrl(url); };
    hooks.openURL = [](const QUrl &url) { openUrl(url); };
    hooks.isApplicationActive = [] { return QGuiApplication::applicationState() == Qt::ApplicationActive; };
    hooks.terminate = [](int status) { QCoreApplication::exit(status); };
    hooks.exitProcess = [](int status) { std::exit(status); };
    return hooks;
}
