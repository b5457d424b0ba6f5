#pragma once
// The customs declaration sheet's services over the application: the main
// window's controller answers the service summary (the destination's
// international information or the APO/FPO restrictions), the sheet is ended
// as any sheet is, the signing name comes from the postage server's last
// valid status reply, and the sample CN22 and CP72 forms are asked of the
// USPS Web Tools client in their certification form (no copy is kept).
#include "printing/customs/QVCustomsServices.h"

#include <functional>
#include <memory>

class MasterController;
class QMainWindow;
class QVShipment;
class QWidget;

// The sheet's host over the controller the function answers (none while
// there is no main window: the summary is then not shown).
std::shared_ptr<QVCustomsDialogHost> makeCustomsDialogHost(std::function<MasterController *()> mainController);
// The sample forms of the shared USPS Web Tools client.
std::shared_ptr<QVCustomsFormServices> makeUSPSCustomsFormServices();

// Registers both with the customs sheet.
void registerCustomsServices(std::function<MasterController *()> mainController);
// The application's: the controller of the main window while there is one.
void registerCustomsServices(QMainWindow *const &mainWindow);
// Puts the stand-ins back (before the main window goes).
void unregisterCustomsServices();

// Shows the customs declaration sheet of the shipment, window-modal on the
// parent (application-modal without one); didEnd runs once the sheet has
// ended, by OK or Cancel, and the sheet is then let go.
void runCustomsSheet(QWidget *parent, std::shared_ptr<QVShipment> shipment, std::function<void()> didEnd);
