#include "app/shell/ShellWindows.h"
#include "app/shell/CustomsRegistration.h"

#include "app/mainwindow/MasterControllerPeersWiring.h"
#include "app/mainwindow/MasterControllerWiring.h"
#include "app/mainwindow/MasterWindow.h"
#include "app/shell/QVMenus.h"
#include "app/shell/QVXController.h"
#include "app/windows/StampWindowWiring.h"
#include "devices/setup/QVScaleSetupController.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <algorithm>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

// ---- Scheduler --------------------------------------------------------------

void QtScheduler::callAfter(double seconds, std::function<void()> call)
{
    QTimer::singleShot(std::max(0, int(seconds * 1000 + 0.5)), this, std::move(call));
}

void QtScheduler::callEvery(double seconds, std::function<void()> call)
{
    auto *timer = new QTimer(this);
    timer->setInterval(std::max(1, int(seconds * 1000 + 0.5)));
    QObject::connect(timer, &QTimer::timeout, this, std::move(call));
    timer->start();
}

// ---- Progress panel ---------------------------------------------------------

ProgressPanelWindow::ProgressPanelWindow(QWidget *mainWindow)
    : QWidget(nullptr, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint), m_mainWindow(mainWindow)
{
    setWindowTitle(QStringLiteral("Tolvane for Mac"));
    auto *layout = new QVBoxLayout(this);
    m_text = new QLabel(this);
    m_text->setMinimumWidth(320);
    m_text->setWordWrap(true);
    m_spinner = new QProgressBar(this);
    m_spinner->setRange(0, 1);
    m_spinner->setValue(0);
    m_spinner->setTextVisible(false);
    layout->addWidget(m_text);
    layout->addWidget(m_spinner);
    adjustSize();
}

QString ProgressPanelWindow::text() const { return m_text->text(); }

bool ProgressPanelWindow::spinnerRunning() const { return m_spinner->maximum() == 0; }

void ProgressPanelWindow::setText(const QString &text)
{
    m_text->setText(text);
    // The caller is about to block the event loop: paint now.
    if (QWidget::isVisible())
        m_text->repaint();
}

void ProgressPanelWindow::centreOnScreen()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    adjustSize();
    QRect frame = geometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void ProgressPanelWindow::orderFront(bool makeKey)
{
    show();
    raise();
    if (makeKey)
        activateWindow();
    repaint();
}

void ProgressPanelWindow::orderAboveMainWindow()
{
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    show();
    raise();
    setAttribute(Qt::WA_ShowWithoutActivating, false);
    repaint();
}

void ProgressPanelWindow::startSpinner() { m_spinner->setRange(0, 0); }

void ProgressPanelWindow::setProgress(int value, int maximum)
{
    m_spinner->setRange(0, maximum);
    m_spinner->setValue(qBound(0, value, maximum));
    if (QWidget::isVisible())
        m_spinner->repaint();
}

void ProgressPanelWindow::stopSpinner()
{
    m_spinner->setRange(0, 1);
    m_spinner->setValue(0);
}

// ---- Overlays ---------------------------------------------------------------

namespace {

QPixmap overlayImage(const QString &name)
{
    const QString path = Bundle::pathForResource(name, QStringLiteral("png"));
    return path.isEmpty() ? QPixmap() : QPixmap(path);
}

class OverlayWindow : public QLabel
{
public:
    OverlayWindow(const QPixmap &image, QWidget *mainWindow, std::function<void()> clicked)
        : QLabel(mainWindow,
                 Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::NoDropShadowWindowHint),
          m_clicked(std::move(clicked))
    {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_DeleteOnClose);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setScaledContents(false);
        setPixmap(image);
        setFixedSize(image.size());
        setWindowOpacity(1.0);
    }

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        event->accept();
        if (m_clicked)
            m_clicked();
    }

private:
    std::function<void()> m_clicked;
};

} // namespace

std::optional<OverlayHost::OverlayId> OverlayWindows::firstChildOverlay() const
{
    for (OverlayId id : m_attached) {
        if (m_windows.value(id))
            return id;
    }
    return std::nullopt;
}

std::optional<QPointF> OverlayWindows::pieceSizePopupBottomLeft() const
{
    if (!m_mainWindow)
        return std::nullopt;
    const QWidget *popup = m_mainWindow->findChild<QWidget *>(QStringLiteral("pieceSizePopup"));
    if (!popup)
        return std::nullopt;
    return QPointF(popup->mapToGlobal(QPoint(0, popup->height())));
}

std::optional<QRectF> OverlayWindows::mainWindowFrame() const
{
    if (!m_mainWindow)
        return std::nullopt;
    return QRectF(m_mainWindow->frameGeometry());
}

QSizeF OverlayWindows::imageSize(const QString &imageName) const
{
    const QPixmap image = overlayImage(imageName);
    return image.isNull() ? QSizeF() : QSizeF(image.size());
}

OverlayHost::OverlayId OverlayWindows::openOverlay(const QString &imageName, const QPointF &topLeft,
                                                   std::function<void()> clicked)
{
    const OverlayId id = m_next++;
    auto *window = new OverlayWindow(overlayImage(imageName), m_mainWindow, std::move(clicked));
    // Placed by the pop-up of a main window near the top of the screen, the
    // overlay would hang over the screen's top edge and lose its title: it is
    // kept inside the screen the main window is on.
    QPoint position = topLeft.toPoint();
    if (const QScreen *screen = m_mainWindow ? m_mainWindow->screen() : nullptr) {
        const QRect room = screen->availableGeometry();
        position.setX(std::max(room.left(), std::min(position.x(), room.right() + 1 - window->width())));
        position.setY(std::max(room.top(), std::min(position.y(), room.bottom() + 1 - window->height())));
    }
    window->move(position);
    window->show();
    window->raise();
    m_windows.insert(id, window);
    m_attached.append(id);
    return id;
}

void OverlayWindows::setOverlayAlpha(OverlayId overlay, double alpha)
{
    if (QWidget *window = m_windows.value(overlay))
        window->setWindowOpacity(alpha);
}

void OverlayWindows::detachOverlay(OverlayId overlay) { m_attached.removeAll(overlay); }

void OverlayWindows::closeOverlay(OverlayId overlay)
{
    m_attached.removeAll(overlay);
    if (QWidget *window = m_windows.take(overlay))
        window->close();
}

// ---- Main window ------------------------------------------------------------

PlaceholderMainWindow::PlaceholderMainWindow(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MasterControl"));
    setWindowTitle(QStringLiteral("Tolvane for Mac"));
    setCentralWidget(new QWidget(this));
    resize(800, 560);
}

int storedStampWindowMode()
{
    return UserDefaults::standardUserDefaults().integerForKey(QStringLiteral("tessaroMode")) == 2 ? 2 : 1;
}

QMainWindow *makeMainWindow(QVXController &delegate, std::shared_ptr<Scheduler> scheduler, QVMenuActions &actions)
{
    return makeMainWindow(delegate, std::move(scheduler), actions, nullptr);
}

QMainWindow *makeMainWindow(QVXController &delegate, std::shared_ptr<Scheduler> scheduler, QVMenuActions &actions,
                            StampWindow *stamps)
{
    MasterWindowEnvironment environment;
    environment.actions = &actions;
    environment.scaleType = [] { return int(QVScaleSetupController::sharedController().scaleType()); };
    environment.printingMode = [&delegate] { return delegate.currentMode(); };
    environment.stampsEdition = UserDefaults::standardUserDefaults().boolForKey(QVStampsEditionKey);
    environment.stampMode = storedStampWindowMode;
    environment.showWebStoreOverlay = [&delegate](const QRectF &item) { delegate.showWebStoreOverlayBelow(item); };

    MasterControllerEnvironment controllerEnvironment = masterControllerEnvironment(delegate, std::move(scheduler));
    if (stamps) {
        // The toolbar's sheets and rolls items and the window's keys, Weigh
        // and print validation in the stamp mode.
        environment.stampMode = [stamps] { return stamps->stampMode(); };
        environment.stampWindowAction = [stamps](const QString &action) { stamps->performAction(action); };
        controllerEnvironment.stampWindow = makeMasterStampWindow(stamps->masterCalls());
    }
    // The import reaches the window's own address book once it exists (not
    // the "importFlatFile:" action, which comes back to the controller).
    auto made = std::make_shared<QPointer<MasterWindow>>();
    installMasterControllerPeers(controllerEnvironment,
                                 {[&actions] { actions.perform(QStringLiteral("showScaleSetup:")); },
                                  [made] {
                                      if (*made)
                                          (*made)->importAddressFile();
                                  },
                                  [&delegate] { delegate.showOverlay(); }});
    // The customs declaration sheet runs on the window.
    controllerEnvironment.printing = makeMasterPrinting(
        [made](std::shared_ptr<QVShipment> shipment, std::function<void()> didEnd) {
            runCustomsSheet(made->data(), std::move(shipment), std::move(didEnd));
        },
        {});
    auto *window = new MasterWindow(std::move(controllerEnvironment), std::move(environment));
    *made = window;
    window->controller().registerPrintActions(actions);
    window->controller().registerMenuValidation(actions);
    return window;
}
