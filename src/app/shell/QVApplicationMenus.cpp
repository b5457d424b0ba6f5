#include "app/shell/QVApplicationMenus.h"

#include "app/shell/LaunchServices.h"
#include "app/shell/QVUpdater.h"
#include "app/windows/QVWebPages.h"
#include "devices/setup/QVScaleSetupController.h"
#include "devices/setup/QVScaleSetupWindow.h"
#include "platform/Bundle.h"
#include "printing/setup/QVPrinterSetupWindow.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QWidget>

QVApplicationMenus::QVApplicationMenus(QVUpdater &updater, std::function<bool()> inStampMode)
{
    registerStandardActions(m_actions);
    registerWebPageActions(m_actions);
    registerWindowActions(m_actions, m_windows, std::move(inStampMode));
    m_actions.setHandler(QStringLiteral("checkForUpdates:"),
                         [&updater](const QVMenuItem &) { updater.checkForUpdates(); });

    // The windows of this build.
    m_windows.registerFactory(QVPrinterSetupControllerName, [] {
        return std::make_shared<QVWidgetWindowController>([] { return &QVPrinterSetupWindow::sharedWindow(); }, false);
    });
    m_windows.registerFactory(QVScaleSetupControllerName, [] {
        auto scale = std::make_shared<QVWidgetWindowController>(
            [] { return new QVScaleSetupWindow(QVScaleSetupController::sharedController()); });
        scale->setActionHandler(QStringLiteral("tareScale:"),
                                [] { QVScaleSetupController::sharedController().tareScale(); });
        return scale;
    });
}

QVApplicationMenus::~QVApplicationMenus() = default;

void QVApplicationMenus::installOn(QMainWindow *window)
{
    if (!window || m_menuBar)
        return;
    QVMenuBarModel model = m_stampsEdition ? kivoMenu(Bundle::bundleName()) : mainMenu();
    m_menuBar = new QVMenuBar(window->menuBar(), std::move(model), m_actions, window);
}

void QVApplicationMenus::setPrintingMode(const QString &mode)
{
    if (!m_menuBar)
        return;
    if (QVMenuItem *modeMenu = findMenuItem(m_menuBar->model(), QVModeMenuIdentifier)) {
        checkOnlyItemWithTag(*modeMenu, mode == QLatin1String("QVTessaroPrintingMode") ? 1 : 0);
        m_menuBar->updateCheckMarks();
    }
}

QVWidgetWindowController::QVWidgetWindowController(std::function<QWidget *()> makeWindow, bool ownsWindow)
    : m_makeWindow(std::move(makeWindow)), m_ownsWindow(ownsWindow)
{}

QVWidgetWindowController::~QVWidgetWindowController()
{
    if (m_ownsWindow)
        delete m_window;
}

QWidget *QVWidgetWindowController::window()
{
    if (!m_window && m_makeWindow)
        m_window = m_makeWindow();
    return m_window;
}

void QVWidgetWindowController::showWindow()
{
    if (QWidget *shown = window()) {
        shown->show();
        shown->raise();
        shown->activateWindow();
    }
}

void QVWidgetWindowController::centerWindow()
{
    QWidget *centred = window();
    const QScreen *screen = centred ? centred->screen() : nullptr;
    if (!screen)
        return;
    QRect frame = centred->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    centred->move(frame.topLeft());
}

bool QVWidgetWindowController::performAction(const QString &action)
{
    const auto handler = m_handlers.constFind(action);
    if (handler == m_handlers.cend())
        return false;
    (*handler)();
    return true;
}

void QVWidgetWindowController::setActionHandler(const QString &action, std::function<void()> handler)
{
    m_handlers.insert(action, std::move(handler));
}

void wireUpdaterAndMenus(QVXControllerHooks &hooks, QVUpdater &updater, QVApplicationMenus &menus,
                         QMainWindow *&mainWindow)
{
    hooks.useStampsEditionMenu = [&menus] { menus.useStampsEditionMenu(); };
    hooks.setUpUpdater = [&updater] { updater.startAutomaticChecks(); };
    hooks.loadMainWindow = [load = hooks.loadMainWindow, &menus, &mainWindow] {
        if (load)
            load();
        menus.installOn(mainWindow);
    };
    hooks.setPrintingMode = [setMode = hooks.setPrintingMode, &menus](const QString &mode) {
        if (setMode)
            setMode(mode);
        menus.setPrintingMode(mode);
    };
    hooks.addJunkToWindowTitle = [&updater, &mainWindow] {
        if (mainWindow)
            mainWindow->setWindowTitle(updater.addJunkToWindowTitle(mainWindow->windowTitle()));
    };
}
