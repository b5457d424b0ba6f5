#pragma once
// The running program: the application delegate with the real answers to its
// hooks (rate engine and country files, the reachability of the
// address-correction host, the shared clients, the updater, the main window
// with its menu bar, the mailing log, the scales, the process itself), the
// progress panel, the overlays, the menu actions and the secondary windows.
#include "app/shell/LaunchServices.h"
#include "app/shell/QVXControllerViews.h"
#include "platform/RemoteRequests.h"

#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

class QMainWindow;

class QVApplicationMenus;
class QVScriptingBus;
class QVUpdater;
class QVURLHandler;
class QVURLHandlerHookHost;
class QVXController;
class QtScheduler;
class ProgressPanelWindow;
class OverlayWindows;
class StampWindow;

// The host whose reachability decides whether the program may start: the
// address-correction service's, that is the host its client sends to (the
// user default "glzServerAddress" on the older direct route, "glzUseV1";
// otherwise the label server's host). No vendor host is known to this build:
// without the setting the host is empty, which is never reachable. A scheme
// or port in the setting is left out.
QString addressCorrectionServiceHost();

// The page the announcement shows to those coming from an old build, at the
// update feed's host.
QUrl announcementPageURL();

class DesktopApplication
{
public:
    // Needs the QApplication.
    DesktopApplication();
    ~DesktopApplication();
    DesktopApplication(const DesktopApplication &) = delete;
    DesktopApplication &operator=(const DesktopApplication &) = delete;

    // The delegate's callbacks: the first part now, the launch on the first
    // pass of the event loop; the quit when the event loop ends.
    void start();
    // A request the program was started with (a URL, a file, a Services
    // entry), carried out once the launch has ended.
    void setLaunchRequest(const RemoteFrame &request) { m_launchRequest = request; }

    QVXController &controller() { return *m_controller; }
    QMainWindow *mainWindow() const { return m_mainWindow; }
    QVApplicationMenus &menus() { return *m_menus; }
    // The stamp window (made on first use of the stamp mode).
    StampWindow &stampWindow() { return *m_stampWindow; }
    QVUpdater &updater() { return *m_updater; }

private:
    QVXControllerHooks hooks();
    void loadMainWindow();

    std::shared_ptr<QtScheduler> m_scheduler;
    std::unique_ptr<QVXController> m_controller;
    std::unique_ptr<ProgressPanelWindow> m_progressPanel;
    std::unique_ptr<OverlayWindows> m_overlays;
    std::unique_ptr<QVUpdater> m_updater;
    std::unique_ptr<QVApplicationMenus> m_menus;
    // The stamp window: its view is the main window's content in the stamp
    // mode; released after the main window, before the menus.
    std::unique_ptr<StampWindow> m_stampWindow;
    // The delegate's actions joined to the main window and the menus.
    QVDelegateWiring m_delegateActions;
    std::unique_ptr<QVURLHandlerHookHost> m_urlHost;
    std::unique_ptr<QVURLHandler> m_urlHandler;
    std::optional<RemoteFrame> m_launchRequest;
    // The scripting commands on the session bus, once the root object is
    // vended (nothing without a session bus).
    std::unique_ptr<QVScriptingBus> m_scriptingBus;
    // The main window (owned; a plain pointer, as the menus' hooks keep a
    // reference to it).
    QMainWindow *m_mainWindow = nullptr;
};
