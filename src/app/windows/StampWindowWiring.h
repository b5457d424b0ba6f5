#pragma once
// The stamp window in the running program: one stamp controller for the
// whole process with its view (the content the stamp printing mode puts into
// the main window), made on first use, with the application's host behind
// it. Joined to the delegate's actions and views (mode switches, the
// quick-print panel, the window title, the scales), to the main-window
// controller (Command-arrows, Weigh, the print commands' validation), to the
// toolbar's stamp-window items and to the printing layer's stamp window (the
// main window's Print, Test Print and Print Selected in the stamp mode).
#include "app/mainwindow/MasterControllerPeersWiring.h"
#include "stamps/TessaroCatalogue.h"
#include "stamps/TessaroHost.h"

#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QMainWindow;
class QVMenuActions;
class QVStampWindowPrinting;
class QVXController;
class QVXControllerActions;
class TessaroController;
class TessaroView;
struct QVDelegateWiring;

// What the application's stamp-window host reaches; an empty function does
// nothing (the title stays as it is).
struct StampWindowHostServices {
    // The delegate's information alerts and progress panel (not owned).
    QVXController *delegate = nullptr;
    // The delegate's actions: buy-postage panel, wizard, status refresh (may
    // answer null).
    std::function<QVXControllerActions *()> actions;
    // A menu action of the application ("launchTessaroSupplyStore:").
    std::function<void(const QString &action)> performAction;
    std::function<QString(const QString &title)> addJunkToWindowTitle;
    // The maker's edition's "Sheets or Rolls" item takes this title.
    std::function<void(const QString &title)> setModeMenuItemTitle;
};

// The stamp window's host over the delegate; the rest (label printer,
// postage client, account reply, print panel) as the base host answers.
std::shared_ptr<TessaroHost> makeDelegateTessaroHost(StampWindowHostServices services);

class StampWindow
{
public:
    explicit StampWindow(std::shared_ptr<TessaroHost> host, TessaroCatalogue::Clock clock = {});
    // Unregisters the window from the printing layer and releases the view,
    // then the controller.
    ~StampWindow();
    StampWindow(const StampWindow &) = delete;
    StampWindow &operator=(const StampWindow &) = delete;

    bool made() const { return m_controller != nullptr; }
    // Made (its view loaded, registered with the printing layer) on first
    // use.
    TessaroController &controller();
    QWidget *view();
    // The view shows the controller's state again.
    void refresh();

    // 1 sheets, 2 rolls: the stored mode until the window is made.
    int stampMode() const;
    // The stamp window's own actions: "chooseKIVO:", "chooseSheet:",
    // "showQuickPrintPanel:", "quickPrint1oz:", "quickPrint2oz:",
    // "quickPrint1lbPrio:", "guideMe:"; false for any other.
    bool performAction(const QString &action);

    // The main-window controller's calls; those that only ask answer 0 while
    // the window is not made.
    MasterStampWindowCalls masterCalls();
    // The delegate's stamp-window hooks and the views' stamp-window title
    // and scale routing (the shipment form's keep what they did). The
    // window title goes to the main window. Call after wireDelegateActions
    // was given view().
    void joinDelegate(QVDelegateWiring &wiring, QMainWindow *&mainWindow);
    // "guideMe:" as a menu action.
    void registerActions(QVMenuActions &actions);

private:
    template <class Action> void act(Action action);

    std::shared_ptr<TessaroHost> m_host;
    TessaroCatalogue::Clock m_clock;
    std::shared_ptr<TessaroController> m_controller;
    QPointer<TessaroView> m_view;
    std::shared_ptr<QVStampWindowPrinting> m_printing;
};

class Scheduler;
// makeMainWindow (ShellWindows.h) with the stamp window (may be null) behind
// the main-window controller's stamp calls and the toolbar's stamp items.
QMainWindow *makeMainWindow(QVXController &delegate, std::shared_ptr<Scheduler> scheduler, QVMenuActions &actions,
                            StampWindow *stamps);
