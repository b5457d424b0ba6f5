// The delegate's actions joined to the program's main window and menus.
#include "app/mainwindow/MasterController.h"
#include "app/mainwindow/MasterWindow.h"
#include "app/shell/QVApplicationMenus.h"
#include "app/shell/QVXController.h"
#include "app/shell/QVXControllerActions.h"
#include "app/shell/QVXControllerViews.h"

#include <QDockWidget>
#include <QMainWindow>

QVDelegateWiring::QVDelegateWiring() = default;
QVDelegateWiring::~QVDelegateWiring() = default;
QVDelegateWiring::QVDelegateWiring(QVDelegateWiring &&) noexcept = default;
QVDelegateWiring &QVDelegateWiring::operator=(QVDelegateWiring &&) noexcept = default;

QVDelegateWiring wireDelegateActions(QVXController &delegate, QVApplicationMenus &menus, QMainWindow *&mainWindow,
                                     std::function<QWidget *()> tessaroView)
{
    const auto master = [&mainWindow] { return dynamic_cast<MasterWindow *>(mainWindow); };
    // The shipment form is the content the main window was made with.
    auto dashboard = std::make_shared<QPointer<QWidget>>();
    QVMainWindowViewHooks viewHooks;
    viewHooks.window = [&mainWindow] { return mainWindow; };
    viewHooks.dashboardView = [&mainWindow, dashboard]() -> QWidget * {
        if (!*dashboard && mainWindow)
            *dashboard = mainWindow->centralWidget();
        return *dashboard;
    };
    viewHooks.tessaroView = [dashboard, &mainWindow, tessaroView]() -> QWidget * {
        // The form leaves the window: keep it for the way back.
        if (!*dashboard && mainWindow)
            *dashboard = mainWindow->centralWidget();
        return tessaroView ? tessaroView() : nullptr;
    };
    viewHooks.checkModeMenuItem = [&menus](int tag) {
        menus.setPrintingMode(tag == 1 ? QVTessaroPrintingMode : QVStandardPrintingMode);
    };
    viewHooks.closeAddressDrawer = [master] {
        if (MasterWindow *window = master(); window && window->addressDrawer())
            window->addressDrawer()->hide();
    };
    viewHooks.statusLineFollowsDefaults = [master](QVMainViewHost::View view) {
        if (MasterWindow *window = master(); window && view == QVMainViewHost::View::Dashboard)
            window->controller().statusLineFollowsDefaults();
    };
    viewHooks.scaleWasAdded = [master](bool stampWindow) {
        if (MasterWindow *window = master(); window && !stampWindow)
            window->controller().scaleWasAdded();
    };
    viewHooks.scaleWasRemoved = [master](bool stampWindow) {
        if (MasterWindow *window = master(); window && !stampWindow)
            window->controller().scaleWasRemoved();
    };

    QVDelegateActionHooks actionHooks;
    actionHooks.toggleAddressDrawer = [master] {
        if (MasterWindow *window = master())
            window->toggleAddressDrawer();
    };
    actionHooks.updateMainWindow = [master] {
        if (MasterWindow *window = master())
            window->controller().windowUpdate();
    };
    actionHooks.setUsePostageChecked = [&menus](bool checked) {
        QVMenuBar *bar = menus.menuBar();
        if (!bar)
            return;
        if (QVMenuItem *item = findMenuItem(bar->model(), QVUsePostageMenuItemIdentifier)) {
            item->checked = checked;
            bar->updateCheckMarks();
        }
    };
    actionHooks.launchAccountPage = [&menus] {
        menus.actions().perform(QStringLiteral("launchAccountOnTolvaneDotCom:"));
    };

    QVDelegateWiring wiring;
    wiring.views = std::make_unique<QVMainWindowViews>(std::move(viewHooks));
    wiring.actions =
        std::make_unique<QVXControllerActions>(delegate, *wiring.views, rhoPostageAccount(), std::move(actionHooks));
    wiring.actions->registerActions(menus.actions());
    if (!tessaroView) {
        for (const char *action : {"showTessaro:", "swapMainViews:", "swapMode:", "showKIVOQuickStamps:"})
            menus.actions().removeHandler(QString::fromLatin1(action));
    }
    wiring.actions->joinLaunchHooks(delegate.hooks());
    if (tessaroView) {
        // The stamps edition's dock menu as a tray menu.
        wiring.actions->installTrayMenu();
    } else {
        // No stamp window: the stored mode opens the labels.
        QVXControllerHooks &hooks = delegate.hooks();
        hooks.setPrintingMode = [set = hooks.setPrintingMode](const QString &) { set(QVStandardPrintingMode); };
    }
    return wiring;
}
