#pragma once
// Everything the running program registers, in one place: the process-wide
// services before the application delegate exists (dialogs, defaults,
// pricing, the server clients, the mailing log, printing), and the windows
// and services that need the delegate's own objects (account windows,
// preferences, customs, the print flow's host). main() and the tests of the
// assembled program call these same functions, so the two cannot drift apart.
#include <functional>

class QMainWindow;
class QVApplicationMenus;
class QVXController;
struct QVDelegateWiring;

// The services of the whole process, in the order they depend on each other.
// installWebPages installs the web-page windows (Qt WebEngine, a plug-in of
// the program loaded with the first window); tests leave it empty.
void registerProgramServices(const std::function<void()> &installWebPages = {});

// The windows and services joined to the delegate, its menus and the main
// window; called by the DesktopApplication once those exist.
void registerProgramWindows(QVXController &controller, QVApplicationMenus &menus, QVDelegateWiring &delegateActions,
                            QMainWindow *mainWindow);

// Undoes what registerProgramWindows registered that outlives the windows
// (the print flow's host, the customs services).
void unregisterProgramWindows();
