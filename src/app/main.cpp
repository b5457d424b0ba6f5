// Tolvane for Mac, the Linux desktop edition: entry point.
#include "app/ApplicationWiring.h"
#include "app/QVApplicationMenus.h"
#include "app/QVUpdater.h"
#include "app/QVXController.h"
#include "app/SerialPortRegistration.h"
#include "app/ShellWindows.h"
#include "devices/QVTolvane22lbScale.h"
#include "devices/setup/QVScaleSetupController.h"
#include "devices/setup/QVScaleSetupWindow.h"
#include "mailinglog/MailingLogRegistration.h"
#include "model/ClientServices.h"
#include "platform/ApplicationNotifications.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "rates/QVShipmentPricing.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "services/QVBRKLabelServerCommandCenter.h"
#include "services/QVGLZUSPSZoneChartCommandCenter.h"
#include "services/QVRHOAccountInformationCommandCenter.h"
#include "services/QVShipmentRHOExtras.h"
#include "services/QVShipmentVLS.h"
#include "services/usps/QVUSPSCommandCenter.h"
#include "sources/QVRHOWebStoreCommandCenter.h"
#include "widgets/WidgetDialogs.h"

#include <QApplication>
#include <QMainWindow>
#include <QPointer>
#include <QTextStream>
#include <QTimer>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tolvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Tolvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TOLVANE_VERSION));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Tolvane for Mac"));
    QTextStream(stdout) << "Tolvane for Mac " << QCoreApplication::applicationVersion() << "\n" << Qt::flush;

    // Alerts, save panels and page set-ups as Qt Widgets dialogs.
    tolvane::registerWidgetDialogs();
    // The registered defaults of the bundle.
    QVXController::initializeClass();
    // Shipments price themselves through the rate classes, and countries
    // list the international rate classes.
    installShipmentPricing();
    installInternationalRateProvider();
    // Every question about printers and label stock goes to the set-up.
    setPrinterSetupController(QVPrinterSetupController::sharedController());
    // Printing lists the serial ports of the devices layer.
    registerSerialPortList();
    // The serial scale pauses while the application is inactive and ends at
    // termination.
    postApplicationNotifications();
    // Addresses are standardised through USPS Web Tools; pricing asks the
    // zone-chart client for the zone of every shipment (in this order: the
    // zone-chart client keeps the standardisation registered before it).
    registerUSPSAddressServices();
    registerZoneChartZoneService();
    // The rate classes read the account's settings from its client.
    registerAccountInformationServices();
    // Printing, the server clients and the automation log through the one
    // mailing log.
    registerMailingLog();
    // Printing reports the shipped web-store orders through the web-store
    // client.
    registerWebStoreOrderCompletion();
    // The label server and the partner label service print labels; postage
    // requests carry the shipment's optional services.
    installLabelServerServices();
    installPartnerLabelServices();
    registerShipmentServiceMask();
    // The serial scale's "Scale Setup" button shows the scale set-up window.
    QPointer<QVScaleSetupWindow> scaleSetupWindow;
    QVTolvane22lbScale::setShowScaleSetup([&scaleSetupWindow](QVTolvane22lbScale *) {
        if (!scaleSetupWindow)
            scaleSetupWindow = new QVScaleSetupWindow(QVScaleSetupController::sharedController());
        scaleSetupWindow->show();
        scaleSetupWindow->raise();
    });

    QMainWindow *mainWindow = nullptr;
    auto scheduler = std::make_shared<QtScheduler>();
    QVXControllerHooks hooks;
    QVXController controller(hooks, scheduler);
    controller.hooks() = applicationHooks(controller, mainWindow);
    // The update feed and the menus (with their web pages and windows).
    QVUpdater updater(defaultUpdaterEnvironment());
    QVApplicationMenus menus(
        updater, [&controller] { return controller.currentMode() == QLatin1String("QVTessaroPrintingMode"); });
    wireUpdaterAndMenus(controller.hooks(), updater, menus, mainWindow);
    ProgressPanelWindow progressPanel;
    OverlayWindows overlays;
    controller.setProgressPanel(&progressPanel);
    controller.setOverlayHost(&overlays);
    // Closing the last window ends the program (nothing on this desktop
    // would bring a window back).
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [&controller] { controller.applicationWillTerminate(); });

    controller.applicationWillFinishLaunching();
    QTimer::singleShot(0, [&] {
        if (controller.applicationDidFinishLaunching()) {
            progressPanel.setMainWindow(mainWindow);
            overlays.setMainWindow(mainWindow);
        }
    });
    const int status = app.exec();
    delete mainWindow;
    delete scaleSetupWindow;
    return status;
}
