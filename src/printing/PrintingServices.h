#pragma once
// What printing asks of other parts of the program that live beside or above
// it: the account-information client (whether the account lets the plain 310
// and 360 label printers print stamps) and the list of serial ports of the
// devices part. Those parts register their real objects at start-up; tests
// register fakes. Until something is registered the stand-ins below answer.
#include "platform/SerialPortNotifications.h"

#include <QList>
#include <QStringList>
#include <QString>

#include <memory>
#include <optional>

// ---- Account information ---------------------------------------------------
class QVPrintingAccountServices
{
public:
    virtual ~QVPrintingAccountServices() = default;

    // The account lets the maker's plain 310 and 360 Tagwright models print
    // stamps. A failed query answers false.
    virtual bool tw310ValidForKIVOStamps() = 0;
};

void setPrintingAccountServices(std::shared_ptr<QVPrintingAccountServices> services);
// The registered client; without one every answer is false.
std::shared_ptr<QVPrintingAccountServices> printingAccountServices();

// ---- Postage account (the postage-server client) ---------------------------
class QVShipment;

// The texts that the postage client gives for a piece's indicium, and the
// meter ID of its last valid status reply. The client registers itself at
// start-up; until then the stand-in answers: no meter ID, and the shipment
// texts in the forms the client uses (below).
class QVPrintingPostageServices
{
public:
    virtual ~QVPrintingPostageServices() = default;

    // The meter ID of the last successful status reply; empty when there
    // has been none (or the last status failed).
    virtual QString meterID();
    // "Mailed from ZIP " and the mailed-from ZIP5.
    virtual QString tolvaneMailedFromString(const QVShipment &shipment);
    // The ship date as "MMM dd yyyy" in English, upper case ("MAR 05 2026").
    virtual QString tolvaneDateString(const QVShipment &shipment);
    // The class line of the indicium: the rate-class name in upper case.
    virtual QString tolvaneStealthString(const QVShipment &shipment);
    // The total as "$" and the amount with two or three decimals ("$5.60",
    // "$0.415").
    virtual QString tolvanePostageString(const QVShipment &shipment);
    // The rate-class name in upper case.
    virtual QString tolvaneDollarClassString(const QVShipment &shipment);
    // The stored rate classification; above 0 means commercial pricing.
    virtual int tolvaneRateClassification(const QVShipment &shipment);
    // "Commercial Base Pricing" for 1, "Commercial Plus Pricing" for 2 or
    // more, else empty.
    virtual QString tolvaneDiscountString(const QVShipment &shipment);
};

void setPrintingPostageServices(std::shared_ptr<QVPrintingPostageServices> services);
std::shared_ptr<QVPrintingPostageServices> printingPostageServices();

// ---- Application shell (the main window and the application delegate) -------
// What the print road asks of the shell around each printed piece. The
// application registers its main-window controller at start-up; until then
// the stand-in answers: the version check of the print flow's host
// (printing/flow/QVPrintFlowServices.h), not in batch mode, no batch
// addresses, and every other request is written to the console and does
// nothing.
class QVPrintingShellServices
{
public:
    virtual ~QVPrintingShellServices() = default;

    // The application delegate's version check before printing; false
    // stops the print.
    virtual bool validateVersionForPrinting() = 0;
    // The application delegate's status refresh after a printed piece.
    virtual void refreshTolvaneStatus() = 0;
    // The main window prints a batch of addresses.
    virtual bool inBatchMode() = 0;
    virtual QStringList batchAddresses() = 0;
    // Puts the shipment defaults back after a printed piece.
    virtual void setShipmentDefaults() = 0;
    // Starts a new shipment to the address (multi-line text) and puts the
    // focus on the named field.
    virtual void newPackageWithAddressString(const QString &address, const QString &email, const QString &phone,
                                             const QString &focus) = 0;
};

void setPrintingShellServices(std::shared_ptr<QVPrintingShellServices> shell);
std::shared_ptr<QVPrintingShellServices> printingShellServices();

// ---- Serial ports ------------------------------------------------------------
// The application registers the devices layer's SXSerialPortList here.
struct QVPrintingSerialPort {
    QString bsdPath; // the device path, e.g. "/dev/ttyUSB0"
    QString name;    // the name shown to the user
};

// SXSerialPortListDidUpdateNotifiation (platform/SerialPortNotifications.h)
// is posted with the list as its object when ports appear or vanish.

class QVPrintingSerialPortList
{
public:
    virtual ~QVPrintingSerialPortList() = default;

    virtual QList<QVPrintingSerialPort> ports() = 0;
    // The port with that device path, or nothing.
    virtual std::optional<QVPrintingSerialPort> objectWithBSDPath(const QString &path) = 0;
    // Looks for ports again (the list object stays the same).
    virtual void rescan() = 0;
};

void setSerialPortList(std::shared_ptr<QVPrintingSerialPortList> list);
// The registered list; without one a stand-in that lists the USB serial and
// USB printer devices of /dev ("ttyUSB*", "ttyACM*", "usb/lp*") and accepts
// any existing character device as a port of that path.
std::shared_ptr<QVPrintingSerialPortList> serialPortList();

// ---- Web-store order completion -----------------------------------------------
// After a shipment made from web-store orders is printed, the print flow tells
// the web-store service that those orders shipped. The shipment-sources layer
// registers its web-store client here.
class QVPrintingWebStoreServices
{
public:
    virtual ~QVPrintingWebStoreServices() = default;

    // Reports each marketplace order of the store as shipped with the
    // tracking number (empty when there is none): one request per order,
    // retried on transient failures, sent in the background; nothing is
    // answered and no failure is shown.
    virtual void completeSales(const QString &storeId, const QStringList &marketplaceOrderIds,
                               const QString &trackingNumber) = 0;
    // Removes the order with that marketplace order id from the web-store
    // window's list (nothing when the window is not open).
    virtual void removeOrderWithId(const QString &marketplaceOrderId) { (void)marketplaceOrderId; }
};

void setPrintingWebStoreServices(std::shared_ptr<QVPrintingWebStoreServices> services);
// The registered client; without one a stand-in that reports nothing.
std::shared_ptr<QVPrintingWebStoreServices> printingWebStoreServices();
