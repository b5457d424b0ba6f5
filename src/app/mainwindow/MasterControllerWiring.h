#pragma once
// The real objects behind the main-window controller's interfaces: the
// application delegate, the shared account-information, postage and USPS
// Web Tools clients, and the printer set-up. The application builds the
// controller's environment with masterControllerEnvironment() when it loads
// the main window.
#include "app/mainwindow/MasterController.h"

#include <functional>
#include <memory>

class QMainWindow;
class QVMenuActions;
class QVWindowController;
class QVWindowControllers;
class QVXController;

// The application delegate's information alerts, automation flag (read and
// set) and printing mode; `refreshStatus` is its account status refresh.
// showLabels is the delegate's labels mode as the libraries reach it (the
// print-flow host); a "tolvane://" URL goes to the delegate's root object
// as an "openURL:" request, so that the program's URL handler takes it as
// it takes one from the desktop (asking before it prints or refunds).
std::shared_ptr<MasterShell> makeMasterShell(QVXController &delegate, std::function<void()> refreshStatus);
// The shared account-information client's last reply.
std::shared_ptr<MasterAccountInformation> makeMasterAccountInformation();
// The shared postage client's last valid status reply.
std::shared_ptr<MasterPostageStatus> makeMasterPostageStatus();
// The shared USPS Web Tools client.
std::shared_ptr<MasterServiceStandards> makeMasterServiceStandards();
// The shared address-correction client.
std::shared_ptr<MasterAddressCorrection> makeMasterAddressCorrection();
// The shared zone-chart client.
std::shared_ptr<MasterZoneCharts> makeMasterZoneCharts();
// The printer set-up's plain-paper print infos; the customs sheet and the
// print preview's rebuild are the window's own (empty: nothing).
std::shared_ptr<MasterPrinting>
makeMasterPrinting(std::function<void(std::shared_ptr<QVShipment>, std::function<void()>)> runCustomsSheet,
                   std::function<void()> printingDefaultsChanged);

// All of the above with the scheduler, printing through the controller's
// own print flow; the customs sheet and the status refresh are left to the
// window (empty).
MasterControllerEnvironment masterControllerEnvironment(QVXController &delegate, std::shared_ptr<Scheduler> scheduler);

// The main window as a window controller ("masterController"): showWindow
// is `makeKeyAndFront`; its actions are "newPackage:" (the controller's
// newPackage, then key and front) and "addressBookImport:". `controller`
// answers the main-window controller, or null once it is gone (then no
// action is taken).
std::shared_ptr<QVWindowController> makeMasterWindowController(std::function<MasterController *()> controller,
                                                               std::function<void()> makeKeyAndFront);

// The main-window controller's own menu actions: "weigh:",
// "standardizeTextBoxAddress:", "copyConfirmationNumber:" and
// "addToAddressBook:", each followed by a window update (nothing while
// `controller` answers null). Their items are enabled as the controller's
// menu validation says.
void registerMasterControllerActions(QVMenuActions &actions, std::function<MasterController *()> controller);

// Both of the above for the program's main window (a MasterWindow; any
// other window is left alone), for as long as the window lives.
void joinMasterWindowToMenus(QMainWindow *window, QVMenuActions &actions, QVWindowControllers &windows,
                             std::function<void()> makeKeyAndFront);
