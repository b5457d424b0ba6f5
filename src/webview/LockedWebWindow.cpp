#include "webview/LockedWebWindow.h"

#include "webview/LockedWebView.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

namespace {

// The platform's locked-lock image, else one drawn here.
QPixmap lockPixmap()
{
    const QIcon themed = QIcon::fromTheme(QStringLiteral("changes-prevent"));
    if (!themed.isNull())
        return themed.pixmap(16, 16);
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x55, 0x55, 0x55), 1.8));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(4.5, 1.5, 7, 9), 0, 180 * 16);
    painter.drawLine(QPointF(4.5, 6), QPointF(4.5, 7.5));
    painter.drawLine(QPointF(11.5, 6), QPointF(11.5, 7.5));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x55, 0x55, 0x55));
    painter.drawRoundedRect(QRectF(2.5, 7, 11, 8), 1.5, 1.5);
    return pixmap;
}

} // namespace

LockedWebWindow::LockedWebWindow(std::shared_ptr<WebViewPolicy> policy, QWidget *parent)
    : WebPageWindow(parent, Qt::Window), m_policy(std::move(policy)), m_view(new LockedWebView(m_policy.get(), this))
{
    setWindowTitle(m_policy->windowTitle());
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (m_policy->showsLock()) {
        auto *header = new QWidget(this);
        header->setObjectName(QStringLiteral("header"));
        auto *row = new QHBoxLayout(header);
        row->setContentsMargins(8, 3, 8, 3);
        row->addStretch();
        m_lock = new QLabel(header);
        m_lock->setPixmap(lockPixmap());
        m_lock->setFixedSize(16, 16);
        m_lock->setToolTip(QStringLiteral("This page came over an encrypted connection."));
        m_lock->setVisible(false);
        row->addWidget(m_lock);
        header->setFixedHeight(22);
        layout->addWidget(header);
        m_policy->lockChanged = [this](bool shown) { m_lock->setVisible(shown); };
    }
    if (m_policy->showsURLField()) {
        m_urlField = new QLineEdit(this);
        m_urlField->setObjectName(QStringLiteral("urlField"));
        m_urlField->setReadOnly(true);
        m_urlField->setText(m_policy->urlString());
        layout->addWidget(m_urlField);
        m_policy->urlStringChanged = [this] { m_urlField->setText(m_policy->urlString()); };
    }
    layout->addWidget(m_view, 1);
    m_policy->closeWindow = [this] { QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection); };
    connect(m_view, &QWebEngineView::titleChanged, this, [this](const QString &title) {
        if (!title.isEmpty())
            setWindowTitle(title);
    });
    // The web engine wants its pages gone before the application: a window
    // still there at the end goes when the program quits.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { delete this; });
    resize(m_policy->windowSize());
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

LockedWebWindow::~LockedWebWindow()
{
    // The policy may outlive the window (others hold it): it no longer
    // reaches the window.
    m_policy->lockChanged = nullptr;
    m_policy->closeWindow = nullptr;
    m_policy->urlStringChanged = nullptr;
    delete m_view;
}

void LockedWebWindow::loadURL(const QUrl &url) { m_view->loadOwn(url); }

void installWebPageWindows()
{
    setWebPageWindowMaker([](std::shared_ptr<WebViewPolicy> policy) -> WebPageWindow * {
        return new LockedWebWindow(std::move(policy));
    });
}
