#include "printing/flow/QVPrintFlowServices.h"

#include "model/QVLabelArchive.h"
#include "platform/Bundle.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/ServiceSlot.h"
#include "platform/SystemVersion.h"
#include "platform/UrlOpener.h"
#include "services/QVRHOCommandCenter.h"

#include <QDir>
#include <QFileInfo>
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

QVMainWindowHostProvider &mainWindowProvider()
{
    static QVMainWindowHostProvider provider;
    return provider;
}

} // namespace

void QVPrintFlowHost::setAutomation(bool on) { setAutomationMode(on); }

void QVPrintFlowHost::launchURL(const QUrl &url) { openUrl(url); }

void QVPrintFlowHost::launchRefundRequest()
{
    if (const std::optional<QUrl> url = QVRHOCommandCenter::commandCenter()->refundRequestURL())
        launchURL(*url);
}

QString QVPrintFlowHost::appSupportFolderPath() { return applicationSupportDirectory(); }

QString QVPrintFlowHost::labelArchiveFolder() { return ::labelArchiveFolder(); }

QString QVPrintFlowHost::pathForSupportFileWithName(const QString &name)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String("..") || name == QLatin1String("."))
        return {};
    const QString support = QDir(appSupportFolderPath()).filePath(name);
    if (QFileInfo(support).isFile())
        return support;
    return Bundle::pathForResource(name);
}

int QVPrintFlowHost::infoAlertForKey(const QString &, const QString &, const QString &, bool) { return 1; }

uint32_t QVPrintFlowHost::systemVersionBCD() { return GetSystemVersionBCD(); }

void setMainWindowHostProvider(QVMainWindowHostProvider provider) { mainWindowProvider() = std::move(provider); }

std::shared_ptr<QVMainWindowHost> mainWindowHost()
{
    const QVMainWindowHostProvider &provider = mainWindowProvider();
    return provider ? provider() : nullptr;
}

void setPrintFlowHost(std::shared_ptr<QVPrintFlowHost> host) { HostSlot::shared().registered = std::move(host); }

std::shared_ptr<QVPrintFlowHost> printFlowHost() { return HostSlot::shared().current(); }
