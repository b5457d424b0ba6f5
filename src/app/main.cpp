// Tolvane for Mac, the Linux desktop edition: entry point.
#include "app/SerialPortRegistration.h"
#include "mailinglog/MailingLogRegistration.h"
#include "model/ClientServices.h"
#include "platform/ApplicationNotifications.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "services/QVGLZUSPSZoneChartCommandCenter.h"
#include "services/QVRHOAccountInformationCommandCenter.h"
#include "sources/QVRHOWebStoreCommandCenter.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tolvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Tolvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TOLVANE_VERSION));
    // Every question about printers and label stock goes to the set-up.
    setPrinterSetupController(QVPrinterSetupController::sharedController());
    // Printing lists the serial ports of the devices layer.
    registerSerialPortList();
    // The serial scale pauses while the application is inactive and ends at
    // termination.
    postApplicationNotifications();
    // Pricing asks the zone-chart client for the zone of every shipment.
    registerZoneChartZoneService();
    // The rate classes read the account's settings from its client.
    registerAccountInformationServices();
    // Printing, the server clients and the automation log through the one
    // mailing log.
    registerMailingLog();
    // Printing reports the shipped web-store orders through the web-store
    // client.
    registerWebStoreOrderCompletion();
    QTextStream(stdout) << "Tolvane for Mac " << QCoreApplication::applicationVersion() << "\n";
    return 0;
}
