#include "app/preferences/QVPreferencesRegistration.h"

#include "app/mainwindow/MasterController.h"
#include "app/mainwindow/MasterWindow.h"
#include "app/shell/QVApplicationMenus.h"
#include "app/preferences/QVFavorites.h"
#include "app/preferences/QVPreferencesWindow.h"
#include "app/shell/QVXController.h"
#include "platform/UserDefaults.h"

namespace {

const QString kSwitchToFavorites = QStringLiteral("switchToFavoritesView:");

} // namespace

void registerPreferencesWindow(QVWindowControllers &windows, QVMenuActions &actions,
                               QVPreferencesWindowServices services)
{
    windows.registerFactory(QVPreferencesControllerName, [services] {
        auto controller = std::make_shared<QVWidgetWindowController>([services]() -> QWidget * {
            auto prefs =
                std::make_shared<QVPreferencesController>(UserDefaults::standardUserDefaults(), services.infoAlert);
            std::function<QString(const QVariantMap &)> describe = services.describe;
            if (!describe)
                describe = [](const QVariantMap &settings) {
                    return QVFavorites::descriptionFromSettings(settings, false);
                };
            auto *window = new QVPreferencesWindow(std::move(prefs), std::move(describe));
            window->setObjectName(QStringLiteral("Preferences"));
            return window;
        });
        std::weak_ptr<QVWidgetWindowController> weak = controller;
        controller->setActionHandler(kSwitchToFavorites, [weak] {
            if (const auto shown = weak.lock())
                if (auto *window = dynamic_cast<QVPreferencesWindow *>(shown->window()))
                    window->switchToPane(QVPreferencesController::Pane::Favorites);
        });
        return controller;
    });
    QVWindowControllers *registered = &windows;
    actions.setHandler(QStringLiteral("editFavorites:"), [registered](const QVMenuItem &) {
        if (const auto prefs = registered->controller(QVPreferencesControllerName)) {
            prefs->showWindow();
            prefs->performAction(kSwitchToFavorites);
        }
    });
}

void registerPreferencesWindow(QVApplicationMenus &menus, QVXController &delegate, QMainWindow *const &mainWindow)
{
    QVPreferencesWindowServices services;
    services.infoAlert = [&delegate](const QString &key, bool remindBox) {
        return delegate.infoAlertForKey(key, remindBox);
    };
    services.describe = [&mainWindow](const QVariantMap &settings) {
        if (auto *window = dynamic_cast<MasterWindow *>(mainWindow))
            return window->controller().favoriteDescription(settings);
        return QVFavorites::descriptionFromSettings(settings, false);
    };
    registerPreferencesWindow(menus.windows(), menus.actions(), std::move(services));
}
