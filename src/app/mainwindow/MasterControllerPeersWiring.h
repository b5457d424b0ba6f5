#pragma once
// The real objects behind the main-window controller's interfaces to the
// parts beside the window (MasterControllerPeers.h): the scale set-up and the
// USB scale, the desktop's clipboard, the shared account-information client
// with the rate engine's insurance fee, and the windows and pages the small
// actions open. The application calls installMasterControllerPeers() on the
// environment before it makes the controller.
#include "app/mainwindow/MasterController.h"

#include <functional>

// What the window's surroundings do for the hand-overs; an empty function
// does nothing.
struct MasterPeersWiring {
    // The application delegate's showScaleSetup:.
    std::function<void()> showScaleSetup;
    // The address-book panel's flat-file import (importFile:).
    std::function<void()> importAddressFile;
    // The application delegate's showOverlay:.
    std::function<void()> showOverlay;
};

// The stamp window's controller as calls (the stamp library registers them);
// an empty call does nothing and answers 0.
struct MasterStampWindowCalls {
    std::function<void()> rateUp, rateDown, sheetCountUp, sheetCountDown, weigh, toggleStatusBar;
    std::function<int()> currentMode, selectedCellCount;
};
std::shared_ptr<MasterStampWindow> makeMasterStampWindow(MasterStampWindowCalls calls);

// Fills the environment's scale, clipboard, insurance and hand-overs.
void installMasterControllerPeers(MasterControllerEnvironment &env, MasterPeersWiring wiring);
