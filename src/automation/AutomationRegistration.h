#pragma once
// The program's registration of the XML automation: one QVGlimraAutomation
// over the registered main window (mainWindowHost()) and application
// delegate (printFlowHost()), the USB scale, the account-information client
// and the postage-server client, registered as the program's
// QVAutomationServices. The program calls it once at start-up, after it has
// registered its delegate and main-window provider (the automation asks for
// them on every use, so the order only matters for the first document).
#include "automation/QVGlimraAutomation.h"

#include <memory>

std::shared_ptr<QVGlimraAutomation> registerAutomationServices();
