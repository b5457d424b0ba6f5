#include "app/shell/QVDesktopRequests.h"

#include "platform/SingleInstance.h"

#include <QClipboard>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

namespace {

const QString kServiceOption = QStringLiteral("--service=");

void notDone(const char *what) { qWarning().noquote() << "Not part of this build:" << what; }

} // namespace

std::optional<RemoteFrame> requestFromArguments(const QStringList &arguments,
                                                const std::function<QString()> &selectedText)
{
    for (const QString &argument : arguments) {
        if (argument.startsWith(kServiceOption)) {
            const QString service = argument.mid(kServiceOption.size());
            if (service != QLatin1String("newShipmentWithAddress") && service != QLatin1String("trackConfirmInBrowser"))
                continue;
            return RemoteFrame{service + QLatin1Char(':'), selectedText ? selectedText() : QString()};
        }
        if (argument.startsWith(QLatin1Char('-')))
            continue;
        const QUrl url(argument);
        if (url.scheme().compare(QLatin1String("tolvane"), Qt::CaseInsensitive) == 0)
            return RemoteFrame{QStringLiteral("openURL:"), argument};
        const QString path = url.isLocalFile() ? url.toLocalFile() : argument;
        // A plain word is a file only when there is such a file (the
        // toolkit's own options carry words, as "-platform offscreen").
        if (url.isLocalFile() || (url.scheme().isEmpty() && QFileInfo::exists(path)))
            return RemoteFrame{QStringLiteral("openFile:"), QFileInfo(path).absoluteFilePath()};
    }
    return std::nullopt;
}

QString selectedDesktopText()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return QString();
    if (clipboard->supportsSelection()) {
        const QString selection = clipboard->text(QClipboard::Selection);
        if (!selection.isEmpty())
            return selection;
    }
    return clipboard->text(QClipboard::Clipboard);
}

std::optional<RemoteFrame> forwardToRunningCopy(const RemoteFrame &request, const QString &instanceName,
                                                int timeoutMilliseconds)
{
    const QString path = SingleInstance(instanceName).socketPath();
    if (path.isEmpty() || !QFileInfo::exists(path))
        return std::nullopt;
    return sendRemoteRequest(path, request, timeoutMilliseconds);
}

bool QVURLHandlerHookHost::hasMainWindow() { return hooks.hasMainWindow && hooks.hasMainWindow(); }

void QVURLHandlerHookHost::checkForUpdates()
{
    hooks.checkForUpdates ? hooks.checkForUpdates() : notDone("the update check");
}

void QVURLHandlerHookHost::newPackageWithAddressString(const QString &address, const QString &email)
{
    hooks.newPackageWithAddressString ? hooks.newPackageWithAddressString(address, email)
                                      : notDone("a new shipment from a URL");
}

void QVURLHandlerHookHost::setCurrentShipmentProperty(const QVariant &value, const QString &key)
{
    hooks.setCurrentShipmentProperty ? hooks.setCurrentShipmentProperty(value, key)
                                     : notDone("a shipment value from a URL");
}

void QVURLHandlerHookHost::setPendingCallbackURL(const std::optional<QUrl> &url)
{
    hooks.setPendingCallbackURL ? hooks.setPendingCallbackURL(url) : notDone("the pending callback URL");
}

void QVURLHandlerHookHost::highlightRow(quint32 row)
{
    hooks.highlightRow ? hooks.highlightRow(row) : notDone("highlighting a mailing-log row");
}

void QVURLHandlerHookHost::showMainWindow()
{
    if (hooks.showMainWindow)
        hooks.showMainWindow();
}

bool QVURLHandlerHookHost::processVCardFile(const QString &path)
{
    if (hooks.processVCardFile)
        return hooks.processVCardFile(path);
    notDone("a new shipment from a vCard file");
    return false;
}

bool QVURLHandlerHookHost::openURLInBrowser(const QUrl &url)
{
    if (hooks.openURLInBrowser)
        return hooks.openURLInBrowser(url);
    notDone("opening a page");
    return false;
}

void QVURLHandlerHookHost::activateApplication()
{
    if (hooks.activateApplication)
        hooks.activateApplication();
}
