#include "app/windows/QVWebPages.h"

#include "app/shell/QVMenus.h"
#include "platform/Bundle.h"
#include "platform/UrlOpener.h"
#include "platform/UserDefaults.h"
#include "services/QVRHOCommandCenter.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

#include <functional>

namespace {

QString setting(const QString &key, const QString &builtIn)
{
    const QString value = UserDefaults::standardUserDefaults().stringForKey(key).trimmed();
    return value.isEmpty() ? builtIn : value;
}

// https://<host><path>; nothing when the host setting does not make a web
// address (a path, a scheme or spaces in it).
std::optional<QUrl> pageOnHost(const QString &hostKey, const QString &builtIn, const QString &path)
{
    const QUrl url(QStringLiteral("https://") + setting(hostKey, builtIn) + path, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || url.path() != path || url.hasQuery() || url.hasFragment())
        return std::nullopt;
    return url;
}

std::optional<QUrl> wholePage(const QString &key, const QString &builtIn)
{
    const QUrl url(setting(key, builtIn), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() ||
        (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http")))
        return std::nullopt;
    return url;
}

std::optional<QUrl> vendorPage(const QString &path)
{
    return pageOnHost(QVVendorWebSiteDefaultsKey, QVVendorWebSiteBuiltIn, path);
}

std::optional<QUrl> fileURL(const QString &path)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        return std::nullopt;
    return QUrl::fromLocalFile(path);
}

std::optional<QUrl> helpPage()
{
    if (UserDefaults::standardUserDefaults().boolForKey(QVRHOStampsVersionDefaultsKey)) {
        const auto status = QVRHOCommandCenter::commandCenter()->lastValidStatusResponse();
        return vendorPage(status && status->isZPMAccount() ? QStringLiteral("/ZevavoredAzozuduForMacHelp/")
                                                           : QStringLiteral("/KIVOStampsForMacHelp/"));
    }
    for (const QString &folder : Bundle::resourceSearchPaths()) {
        if (const auto help = fileURL(QDir(folder).filePath(QStringLiteral("Tolvane Help/TolvaneHelp.html"))))
            return help;
    }
    return std::nullopt;
}

using Page = std::function<std::optional<QUrl>()>;
using PostageLink = std::optional<QUrl> (QVRHOCommandCenter::*)() const;

Page postageLink(PostageLink link)
{
    return [link] { return (QVRHOCommandCenter::commandCenter().get()->*link)(); };
}

const QList<QPair<QString, Page>> &pages()
{
    static const QList<QPair<QString, Page>> table{
        {QStringLiteral("launchHelp:"), helpPage},
        {QStringLiteral("launchUSPSExpressMailCommitmentsSiteForDate:andOriginZIP:andDestZIP:"),
         [] {
             return pageOnHost(QVUSPSPostageCalculatorServerDefaultsKey, QVUSPSPostageCalculatorServerBuiltIn,
                               QStringLiteral("/servicecommitments.aspx"));
         }},
        {QStringLiteral("launchUSPSMailpieceSizeChart:"),
         [] {
             return pageOnHost(QVUSPSPostageCalculatorServerDefaultsKey, QVUSPSPostageCalculatorServerBuiltIn,
                               QStringLiteral("/MailpieceDimensions.asp"));
         }},
        {QStringLiteral("launchTolvaneSupplyStore:"), postageLink(&QVRHOCommandCenter::storeURL)},
        {QStringLiteral("launchTessaroSupplyStore:"), postageLink(&QVRHOCommandCenter::tessaroSuppliesURL)},
        {QStringLiteral("launchDravelSupplyStore:"),
         [] { return wholePage(QVMerchandiseStoreURLDefaultsKey, QVMerchandiseStoreURLBuiltIn); }},
        {QStringLiteral("launchUSPSGlobalSite:"),
         [] { return pageOnHost(QVUSPSWebSiteDefaultsKey, QVUSPSWebSiteBuiltIn, QStringLiteral("/international/")); }},
        {QStringLiteral("launchUSPSSuppliesSite:"), [] { return vendorPage(QStringLiteral("/ShopUSPS/")); }},
        {QStringLiteral("launchTolvaneInsuranceInformation:"),
         [] { return vendorPage(QStringLiteral("/Pricing/Insurance/")); }},
        {QStringLiteral("launchRemoteSupportConnection:"),
         [] { return wholePage(QVRemoteSupportURLDefaultsKey, QVRemoteSupportURLBuiltIn); }},
        {QStringLiteral("launchChatLink:"), chatSupportLink},
        {QStringLiteral("launchLogAtTolvaneDotCom:"), postageLink(&QVRHOCommandCenter::logURL)},
        {QStringLiteral("launchAccountOnTolvaneDotCom:"), postageLink(&QVRHOCommandCenter::postageAccountURL)},
        {QStringLiteral("launchTolvaneScanFormCreation:"), postageLink(&QVRHOCommandCenter::scanFormCreationURL)},
        {QStringLiteral("launchChangePaymentOnTolvaneDotCom:"), postageLink(&QVRHOCommandCenter::changePaymentURL)},
        {QStringLiteral("launchRefundRequest:"), postageLink(&QVRHOCommandCenter::refundRequestURL)},
        {QStringLiteral("launchAddressBook:"), [] { return fileURL(addressBookFolder()); }},
        {QStringLiteral("showAcks:"),
         [] { return fileURL(Bundle::pathForResource(QStringLiteral("Acknowledgments"), QStringLiteral("html"))); }},
    };
    return table;
}

} // namespace

std::optional<QUrl> chatSupportLink() { return vendorPage(QStringLiteral("/support/live-chat")); }

std::optional<QUrl> webPageURLForAction(const QString &action)
{
    for (const auto &[name, page] : pages()) {
        if (name == action)
            return page();
    }
    return std::nullopt;
}

QStringList webPageActions()
{
    QStringList actions;
    for (const auto &entry : pages())
        actions.append(entry.first);
    return actions;
}

QString addressBookFolder()
{
    const QString folder = VCardFolder::sharedFolder().folderPath();
    if (folder.isEmpty())
        qWarning().noquote() << QStringLiteral("could not create the address book folder");
    return folder;
}

bool launchURL(const std::optional<QUrl> &url)
{
    if (!url)
        return false;
    return openUrl(*url);
}

void registerWebPageActions(QVMenuActions &actions)
{
    for (const auto &entry : pages()) {
        const QString name = entry.first;
        const Page page = entry.second;
        actions.setHandler(name, [name, page](const QVMenuItem &) {
            if (!launchURL(page()))
                qInfo().noquote() << QStringLiteral("%1 has no page to open now.").arg(name);
        });
    }
}
