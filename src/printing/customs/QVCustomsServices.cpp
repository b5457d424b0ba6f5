#include "printing/customs/QVCustomsServices.h"

#include "platform/ServiceSlot.h"

#include <QtGlobal>

namespace {

class NoHost final : public QVCustomsDialogHost
{
public:
    void serviceSummary(const QVShipment &) override { qInfo("No main window: no service summary is shown."); }
    void closeSheet() override { qInfo("No main window: the customs sheet is not closed by it."); }
    QString accountHolderName() override { return QString(); }
};

class NoFormServices final : public QVCustomsFormServices
{
public:
    bool sampleCN22Form(const QVShipment &) override { return false; }
    bool sampleCP72Form(const QVShipment &) override { return false; }
};

using HostSlot = ServiceSlot<QVCustomsDialogHost, NoHost>;
using FormSlot = ServiceSlot<QVCustomsFormServices, NoFormServices>;

} // namespace

void setCustomsDialogHost(std::shared_ptr<QVCustomsDialogHost> host)
{
    HostSlot::shared().registered = std::move(host);
}

std::shared_ptr<QVCustomsDialogHost> customsDialogHost() { return HostSlot::shared().current(); }

void setCustomsFormServices(std::shared_ptr<QVCustomsFormServices> services)
{
    FormSlot::shared().registered = std::move(services);
}

std::shared_ptr<QVCustomsFormServices> customsFormServices() { return FormSlot::shared().current(); }
