#include "app/QVWebAnnouncementController.h"

#include "platform/Bundle.h"
#include "platform/Dialogs.h"
#include "platform/HttpClient.h"
#include "platform/UrlOpener.h"

#include <QDebug>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QScreen>
#include <QVBoxLayout>

#include <typeinfo>

namespace {

constexpr qint64 kMaxPageSize = 4 * 1024 * 1024;

} // namespace

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

QList<int> QVWebAnnouncementController::trimmedContextMenu(const QList<int> &defaultTags)
{
    QList<int> kept;
    for (int tag : defaultTags) {
        if (!removedContextMenuTags().contains(tag))
            kept.append(tag);
    }
    return kept;
}

// ---- The window ---------------------------------------------------------------------

QVWebAnnouncementWindow::QVWebAnnouncementWindow(std::shared_ptr<QVWebAnnouncementController> controller,
                                                 QWidget *parent)
    : QWidget(parent, Qt::Window), m_controller(std::move(controller)), m_view(new QTextBrowser(this)),
      m_lock(new QLabel(this))
{
    setWindowTitle(m_controller->windowTitle());
    m_view->setOpenLinks(false);
    m_view->setAcceptDrops(false);
    m_view->viewport()->setAcceptDrops(false);
    // The trimmed menu: copying only.
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        QMenu menu;
        menu.addAction(QStringLiteral("Copy"), m_view, &QTextBrowser::copy)
            ->setEnabled(m_view->textCursor().hasSelection());
        menu.addAction(QStringLiteral("Select All"), m_view, &QTextBrowser::selectAll);
        menu.exec(m_view->viewport()->mapToGlobal(at));
    });
    connect(m_view, &QTextBrowser::anchorClicked, this, [this](const QUrl &url) { linkClicked(url); });

    // The header: the lock at the right, mirroring the close button.
    const QIcon lockIcon = QIcon::fromTheme(QStringLiteral("changes-prevent"));
    if (lockIcon.isNull())
        m_lock->setText(QStringLiteral("\U0001F512"));
    else
        m_lock->setPixmap(lockIcon.pixmap(16, 16));
    m_lock->setToolTip(QStringLiteral("This page came over an encrypted connection."));
    m_lock->setVisible(false);
    auto *header = new QHBoxLayout;
    header->addStretch();
    header->addWidget(m_lock);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(header);
    layout->addWidget(m_view);
    resize(640, 520);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    m_controller->lockChanged = [this](bool shown) { m_lock->setVisible(shown); };
    m_controller->closeWindow = [this] { close(); };
}

void QVWebAnnouncementWindow::loadURLRequest(const QUrl &url)
{
    m_controller->provisionalLoadStarted(url);
    m_currentURL = url;
    HttpRequest request;
    request.url = url;
    request.maxReplySize = kMaxPageSize;
    HttpError error;
    const std::optional<HttpResponse> reply = sendHttpRequest(request, &error);
    if (!reply) {
        m_view->setPlainText(QStringLiteral("The page could not be loaded: %1").arg(error.description));
    } else {
        m_view->document()->setBaseUrl(url);
        m_view->setHtml(QString::fromUtf8(reply->body));
        const QString title = m_view->documentTitle();
        m_controller->titleReceived(title);
        if (!title.isEmpty())
            setWindowTitle(title);
    }
    m_controller->loadFinished();
}

void QVWebAnnouncementWindow::linkClicked(const QUrl &link)
{
    const QUrl url = m_currentURL.resolved(link);
    if (m_controller->navigationPolicy(QVWebAnnouncementController::NavigationType::LinkClicked, url) ==
        QVWebAnnouncementController::Policy::Use)
        loadURLRequest(url);
}

namespace {

QPointer<QVWebAnnouncementWindow> &sharedAnnouncement()
{
    static QPointer<QVWebAnnouncementWindow> window;
    return window;
}

} // namespace

QVWebAnnouncementWindow *showAnnouncementForURL(const QUrl &url)
{
    if (!sharedAnnouncement()) {
        auto *window = new QVWebAnnouncementWindow(std::make_shared<QVWebAnnouncementController>());
        window->setAttribute(Qt::WA_DeleteOnClose);
        sharedAnnouncement() = window;
    }
    QVWebAnnouncementWindow *window = sharedAnnouncement();
    window->show();
    window->raise();
    window->activateWindow();
    window->loadURLRequest(url);
    return window;
}

QVWebAnnouncementWindow *announcementWindow() { return sharedAnnouncement(); }
