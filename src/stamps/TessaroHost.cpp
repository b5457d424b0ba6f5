#include "stamps/TessaroHost.h"

#include "platform/Dialogs.h"
#include "platform/UrlOpener.h"
#include "printing/thermal/KIVONewTagwright.h"
#include "services/QVRHOCommandCenter.h"

namespace {
std::shared_ptr<TessaroHost> &registeredHost()
{
    static std::shared_ptr<TessaroHost> host;
    return host;
}
} // namespace

int TessaroHost::infoAlertForKey(const QString &key, const QString &defaultButton, const QString &alternateButton,
                                 bool remindBox, const QVariantList &arguments)
{
    (void)arguments;
    (void)key;
    (void)defaultButton;
    (void)alternateButton;
    (void)remindBox;
    return 1;
}

bool TessaroHost::launchURL(const QUrl &url) { return openUrl(url); }

bool TessaroHost::printerAvailable() { return KIVONewTagwright::printerAvailable(); }

std::shared_ptr<QVRHOResponse> TessaroHost::lastValidStatusResponse()
{
    return QVRHOCommandCenter::commandCenter()->lastValidStatusResponse();
}

std::shared_ptr<QVRHOCommandCenter> TessaroHost::postageClient() { return QVRHOCommandCenter::commandCenter(); }

std::optional<PrintInfo> TessaroHost::runPrintPanel(const PrintInfo &printInfo, PageSetupAccessory *accessory)
{
    return ::runPrintPanel(printInfo, accessory);
}

void setTessaroHost(std::shared_ptr<TessaroHost> host) { registeredHost() = std::move(host); }

std::shared_ptr<TessaroHost> tessaroHost()
{
    if (!registeredHost())
        registeredHost() = std::make_shared<TessaroHost>();
    return registeredHost();
}
