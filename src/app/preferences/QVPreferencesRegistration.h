#pragma once
// The preferences window for the menus. registerPreferencesWindow installs
//   - the factory of "prefsController": on first use a QVPreferencesWindow
//     over a QVPreferencesController on the standard user defaults, whose
//     information alerts are the application delegate's and whose
//     favorites are described as the main window's delivery shows them;
//     the window lives as long as the menus; its own action
//     "switchToFavoritesView:" shows the Favorites pane;
//   - the action "editFavorites:" (the main window's favorites menu): the
//     preferences window in front, on its Favorites pane.
// The menus' "showPreferences:" then shows the window.
#include <QString>
#include <QVariantMap>

#include <functional>

class QMainWindow;
class QVApplicationMenus;
class QVMenuActions;
class QVWindowControllers;
class QVXController;

struct QVPreferencesWindowServices {
    // The information alert of the key with its remind box (empty: none).
    std::function<int(const QString &key, bool remindBox)> infoAlert;
    // The description of a favorite's settings (empty: as for a domestic
    // delivery).
    std::function<QString(const QVariantMap &settings)> describe;
};

void registerPreferencesWindow(QVWindowControllers &windows, QVMenuActions &actions,
                               QVPreferencesWindowServices services);

// The running program's: the delegate's information alerts, and the main
// window (a MasterWindow once it is loaded; read when a favorite is
// described) for the favorites' descriptions.
void registerPreferencesWindow(QVApplicationMenus &menus, QVXController &delegate, QMainWindow *const &mainWindow);
