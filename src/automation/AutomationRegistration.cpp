#include "automation/AutomationRegistration.h"

std::shared_ptr<QVGlimraAutomation> registerAutomationServices()
{
    auto automation =
        std::make_shared<QVGlimraAutomation>(QVPackageEnvironment::program({}), QVAutomationAccount::program());
    setAutomationServices(automation);
    return automation;
}
