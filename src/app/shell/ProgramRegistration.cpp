#include "app/shell/ProgramRegistration.h"

#include "app/account/AccountWindowsRegistration.h"
#include "app/preferences/KIVOPreferencesController.h"
#include "app/preferences/QVPreferencesRegistration.h"
#include "app/shell/CustomsRegistration.h"
#include "app/shell/QVApplicationMenus.h"
#include "app/shell/QVXController.h"
#include "app/shell/QVXControllerActions.h"
#include "app/shell/QVXControllerViews.h"
#include "app/shell/QuitOnSignals.h"
#include "app/shell/SerialPortRegistration.h"
#include "app/shell/QVWindowControllers.h"
#include "app/windows/MailingLogWindowRegistration.h"
#include "app/windows/QVTermsWindows.h"
#include "app/windows/WebStoreWindowRegistration.h"
#include "automation/AutomationRegistration.h"
#include "mailinglog/MailingLogRegistration.h"
#include "model/ClientServices.h"
#include "platform/ApplicationNotifications.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "rates/QVShipmentPricing.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "services/QVBRKLabelServerCommandCenter.h"
#include "services/QVGLZUSPSZoneChartCommandCenter.h"
#include "services/QVRHOAccountInformationCommandCenter.h"
#include "services/QVShipmentRHOExtras.h"
#include "services/QVShipmentVLS.h"
#include "services/usps/QVUSPSCommandCenter.h"
#include "widgets/WidgetDialogs.h"

void registerProgramServices(const std::function<void()> &installWebPages)
{
    // Alerts, save panels and page set-ups as Qt Widgets dialogs.
    tolvane::registerWidgetDialogs();
    // Announcements and the stamp guide in the locked-down web view.
    if (installWebPages)
        installWebPages();
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
    // The label server and the partner label service print labels; postage
    // requests carry the shipment's optional services.
    installLabelServerServices();
    installPartnerLabelServices();
    registerShipmentServiceMask();
    // Glimra XML documents (the socket, opened files, links) fill and print
    // the main window's shipment.
    registerAutomationServices();
    // Asked to stop from outside, the program quits as when the user quits.
    installQuitOnSignals();
}

void registerProgramWindows(QVXController &controller, QVApplicationMenus &menus, QVDelegateWiring &delegateActions,
                            QMainWindow *mainWindow)
{
    // The print flow asks the delegate for alerts, the balance and the modes,
    // and opens the program's windows through it.
    QVMenuActions *actions = &menus.actions();
    QVWindowControllers *windows = &menus.windows();
    const auto perform = [actions](const char *action) {
        return [actions, action] { actions->perform(QString::fromLatin1(action)); };
    };
    QVDelegateHostWindows hostWindows;
    hostWindows.showDateCorrectionSheet = perform("showDateCorrectionPanel:");
    hostWindows.showPostageCorrectionSheetForShipment = [windows](const QVShipment &shipment) {
        showPostageCorrectionForShipment(*windows, shipment);
    };
    hostWindows.showPrinterSetup = perform("showPrinterSetup:");
    hostWindows.showWebStores = perform("showWebStores:");
    hostWindows.showScaleSetup = perform("showScaleSetup:");
    hostWindows.showAboutBox = perform("orderFrontStandardAboutPanel:");
    hostWindows.agreeToInsuranceTerms = [] { return QVTolvaneInsuranceAgreementController().agreeToTerms(); };
    registerDelegatePrintFlowHost(controller, delegateActions.actions.get(), std::move(hostWindows));
    // The account panels and the stamps edition's preferences, the
    // preferences window, and the customs sheet's services.
    registerAccountWindows(menus.windows(), delegateActions.actions->accountStatus());
    registerPreferencesWindow(menus, controller, mainWindow);
    registerCustomsServices(mainWindow);
    // The mailing-log window and its Delivery Status items.
    registerMailingLogWindow(menus.windows(), menus.actions());
    // The web-store orders window; printing reports shipped orders through
    // the web-store client, which takes them off the open window.
    registerWebStoreWindowController(menus.windows());
    // The stamps edition's about box, the account actions of the menus and
    // the overlay over the main window's toolbar.
    menus.actions().setHandler(QStringLiteral("orderKIVOAboutPanel:"),
                               [](const QVMenuItem &) { KIVOAboutBoxController::showWindow(); });
    joinAccountActions(delegateActions.actions->hooks(), controller.hooks(), menus.windows());
    menus.actions().setHandler(QStringLiteral("showOverlay:"),
                               [&controller](const QVMenuItem &) { controller.showOverlay(); });
}

void unregisterProgramWindows()
{
    setPrintFlowHost(nullptr);
    unregisterCustomsServices();
}
