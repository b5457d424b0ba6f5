#include "app/windows/QVWebAnnouncementController.h"

#include "platform/Bundle.h"
#include "platform/Dialogs.h"
#include "platform/UrlOpener.h"

#include <QPointer>

#include <typeinfo>

QString QVWebAnnouncementController::windowTitle() const { return Bundle::bundleName(); }

void QVWebAnnouncementController::provisionalLoadStarted(const QUrl &url)
{
    m_isLoading = true;
    if (url.scheme().toLower() == QLatin1String("https"))
        addLockToTitleBar();
    else
        removeLockFromTitleBar();
}

void QVWebAnnouncementController::loadFinished()
{
    m_hasLoaded = true;
    m_isLoading = false;
}

void QVWebAnnouncementController::addLockToTitleBar()
{
    if (m_lockShown)
        return;
    m_lockShown = true;
    if (lockChanged)
        lockChanged(true);
}

void QVWebAnnouncementController::removeLockFromTitleBar()
{
    if (!m_lockShown)
        return;
    m_lockShown = false;
    if (lockChanged)
        lockChanged(false);
}

QVWebAnnouncementController::Policy QVWebAnnouncementController::navigationPolicy(NavigationType type, const QUrl &url)
{
    // Only the announcement itself sends clicked links away; a subclass
    // (the wizard) browses inside its window.
    if (typeid(*this) != typeid(QVWebAnnouncementController) || type != NavigationType::LinkClicked)
        return Policy::Use;
    openUrl(url);
    if (closeWindow)
        closeWindow();
    return Policy::Ignore;
}

QVWebAnnouncementController::Policy QVWebAnnouncementController::newWindowPolicy(NavigationType type, const QUrl &url)
{
    if (type != NavigationType::LinkClicked)
        return Policy::Use;
    openUrl(url);
    return Policy::Ignore;
}

void QVWebAnnouncementController::scriptAlert(const QString &message)
{
    runAlert(alertWithText(QStringLiteral("JavaScript"), message));
}

bool QVWebAnnouncementController::scriptConfirm(const QString &message)
{
    Alert alert = alertWithText(QStringLiteral("JavaScript"), message);
    alert.buttons = {{QStringLiteral("OK"), 1}, {QStringLiteral("Cancel"), 0}};
    alert.cancelAnswer = 0;
    return runAlert(alert) == 1;
}

const QList<int> &QVWebAnnouncementController::removedContextMenuTags()
{
    static const QList<int> tags = {1, 2, 4, 5, 7, 9, 10, 11};
    return tags;
}

QList<int> QVWebAnnouncementController::trimmedContextMenu(const QList<int> &defaultTags) const
{
    QList<int> kept;
    for (int tag : defaultTags) {
        if (!removedContextMenuTags().contains(tag))
            kept.append(tag);
    }
    return kept;
}

namespace {

QPointer<WebPageWindow> &sharedAnnouncement()
{
    static QPointer<WebPageWindow> window;
    return window;
}

} // namespace

WebPageWindow *showAnnouncementForURL(const QUrl &url)
{
    if (!sharedAnnouncement()) {
        WebPageWindow *window = makeWebPageWindow(std::make_shared<QVWebAnnouncementController>());
        if (!window) {
            openUrl(url);
            return nullptr;
        }
        window->setAttribute(Qt::WA_DeleteOnClose);
        sharedAnnouncement() = window;
    }
    WebPageWindow *window = sharedAnnouncement();
    window->show();
    window->raise();
    window->activateWindow();
    window->loadURL(url);
    return window;
}

WebPageWindow *announcementWindow() { return sharedAnnouncement(); }
