#include "printing/flow/QVPrintFlowServices.h"

#include "platform/Dialogs.h"
#include "platform/ServiceSlot.h"

#include <QtDebug>

namespace {

class ConsoleHost final : public QVPrintFlowHost
{
public:
    void setProgressTextString(const QString &text) override { qInfo().noquote() << "Progress:" << text; }
    void hideProgressPanel() override {}
    bool isAutomation() override { return isAutomationMode(); }
};

using HostSlot = ServiceSlot<QVPrintFlowHost, ConsoleHost>;

} // namespace

void setPrintFlowHost(std::shared_ptr<QVPrintFlowHost> host) { HostSlot::shared().registered = std::move(host); }

std::shared_ptr<QVPrintFlowHost> printFlowHost() { return HostSlot::shared().current(); }
