#include "sources/QVBrandleWizardWindowController.h"

#include "platform/Bundle.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "services/QVRHOCommandCenter.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

namespace {

const QString kStyleSheetName = QStringLiteral("webstore-wizard.css");

bool containsDomain(const QUrl &url, const QString &domain)
{
    return !domain.isEmpty() && url.toString().contains(domain, Qt::CaseInsensitive);
}

} // namespace

std::shared_ptr<QVBrandleWizardWindowController>
QVBrandleWizardWindowController::wizardWithURL(const QUrl &url, std::function<void()> didClose)
{
    std::shared_ptr<QVBrandleWizardWindowController> wizard(new QVBrandleWizardWindowController());
    WebPageWindow *window = makeWebPageWindow(wizard);
    if (!window)
        return nullptr;
    wizard->m_window = window;
    wizard->m_didClose = std::move(didClose);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->loadURL(url);
    return wizard;
}

QVBrandleWizardWindowController::~QVBrandleWizardWindowController()
{
    // The window holds this wizard (its policy), so the wizard usually goes
    // while its window is being deleted: the window is then only asked to go
    // later, which its own deletion cancels. A window still shown without
    // its wizard goes with it.
    if (m_window) {
        m_didClose = nullptr;
        m_window->deleteLater();
    }
}

void QVBrandleWizardWindowController::showWindow()
{
    if (!m_window)
        return;
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void QVBrandleWizardWindowController::closeWizardViewWindow()
{
    if (closeWindow)
        closeWindow();
}

void QVBrandleWizardWindowController::setUrlString(const QString &text)
{
    m_urlString = text;
    if (urlStringChanged)
        urlStringChanged();
}

void QVBrandleWizardWindowController::setURLStringWithCaveats(const QString &text)
{
    const QString vendor = vendorDomain();
    setUrlString(!vendor.isEmpty() && text.contains(vendor, Qt::CaseInsensitive) ? QString() : text);
}

QString QVBrandleWizardWindowController::vendorDomain()
{
    const QString domain =
        UserDefaults::standardUserDefaults().stringForKey(QVWebStoreWizardVendorDomainDefaultsKey).trimmed();
    if (!domain.isEmpty())
        return domain;
    // The web site's host, without a port.
    const QString site = QVRHOCommandCenter::websiteServerName().trimmed();
    return site.isEmpty() ? QString() : QUrl(QStringLiteral("https://") + site).host();
}

QString QVBrandleWizardWindowController::developmentDomain()
{
    return UserDefaults::standardUserDefaults().stringForKey(QVWebStoreWizardDevelopmentDomainDefaultsKey).trimmed();
}

QString QVBrandleWizardWindowController::closeButtonScript()
{
    return QStringLiteral("(function () {"
                          " var button = document.createElement('input');"
                          " button.type = 'button'; button.value = 'Close Web Store Manager';"
                          " button.name = 'Close'; button.id = 'closeButton';"
                          " button.onclick = function () { brandleController.closeWizardViewWindow(); };"
                          " var holder = document.createElement('div'); holder.id = 'closeButtonHolder';"
                          " if (typeof $ === 'function') { $('body').append(holder); $(holder).append(button); }"
                          " else { document.body.appendChild(holder); holder.appendChild(button); }"
                          "})();");
}

QString QVBrandleWizardWindowController::userStyleSheetPath() const
{
    const QString support = QDir(applicationSupportDirectory()).filePath(kStyleSheetName);
    if (QFileInfo(support).isFile())
        return support;
    return Bundle::pathForResource(QStringLiteral("webstore-wizard"), QStringLiteral("css"));
}

void QVBrandleWizardWindowController::scriptCall(const QString &name, const QVariantList &arguments)
{
    if (name == QLatin1String("closeWizardViewWindow")) {
        closeWizardViewWindow();
        return;
    }
    qInfo().noquote() << QStringLiteral("%1, %2").arg(name, scriptArgumentTexts(arguments).join(QStringLiteral(", ")));
}

void QVBrandleWizardWindowController::scriptAlert(const QString &message)
{
    ::runAlert(alertWithText(message, QString()));
}

bool QVBrandleWizardWindowController::scriptConfirm(const QString &message)
{
    Alert alert = alertWithText(message, QString());
    alert.buttons = {{QStringLiteral("OK"), 1}, {QStringLiteral("Cancel"), 0}};
    alert.cancelAnswer = 0;
    return ::runAlert(alert) == 1;
}

void QVBrandleWizardWindowController::provisionalLoadStarted(const QUrl &url)
{
    if (lockChanged)
        lockChanged(url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0);
    setURLStringWithCaveats(url.toString());
}

void QVBrandleWizardWindowController::serverRedirected(const QUrl &url) { setURLStringWithCaveats(url.toString()); }

void QVBrandleWizardWindowController::mainFrameLoadFinished(const QUrl &url)
{
    setURLStringWithCaveats(url.toString());
}

QString QVBrandleWizardWindowController::scriptAfterLoad(const QUrl &url) const
{
    if (containsDomain(url, vendorDomain()) || containsDomain(url, developmentDomain()))
        return closeButtonScript();
    return QString();
}

void QVBrandleWizardWindowController::windowWillClose()
{
    if (const std::function<void()> didClose = std::exchange(m_didClose, nullptr))
        didClose();
}

void registerBrandleWizard()
{
    setWebStoreWizardFactory([](const QUrl &url, std::function<void()> didClose) -> std::shared_ptr<QVWebStoreWizard> {
        return QVBrandleWizardWindowController::wizardWithURL(url, std::move(didClose));
    });
}
