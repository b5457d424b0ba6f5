// Tolvane for Mac, the Linux desktop edition: entry point.
#include "app/ApplicationWiring.h"
#include "app/QVDesktopRequests.h"
#include "app/QVXController.h"
#include "app/QuitOnSignals.h"
#include "app/SerialPortRegistration.h"
#include "mailinglog/MailingLogRegistration.h"
#include "model/ClientServices.h"
#include "platform/ApplicationNotifications.h"
#include "platform/SingleInstance.h"
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
#include "webview/LockedWebWindow.h"
#include "widgets/WidgetDialogs.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tolvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Tolvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TOLVANE_VERSION));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Tolvane for Mac"));
    QTextStream(stdout) << "Tolvane for Mac " << QCoreApplication::applicationVersion() << "\n" << Qt::flush;

    // Started with a URL, a file or a Services entry while a copy runs: the
    // running copy carries it out, and this one ends.
    const std::optional<RemoteFrame> request = requestFromArguments(app.arguments().mid(1), selectedDesktopText);
    if (request) {
        if (const std::optional<RemoteFrame> answer = forwardToRunningCopy(*request, QVSingleInstanceName)) {
            if (answer->method != RemoteAnswerOK)
                QTextStream(stderr) << answer->argument << "\n";
            return 0;
        }
    }

    // Alerts, save panels and page set-ups as Qt Widgets dialogs.
    tolvane::registerWidgetDialogs();
    // Announcements and the stamp guide in the locked-down web view.
    installWebPageWindows();
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
    // The application delegate with the program's windows and menus.
    DesktopApplication application;
    // Asked to stop from outside, the program quits as when the user quits.
    installQuitOnSignals();
    if (request)
        application.setLaunchRequest(*request);
    application.start();
    return app.exec();
}
