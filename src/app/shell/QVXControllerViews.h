#pragma once
// The main window as the printing modes see it (QVMainViewHost) on Qt: the
// shipment form's and the stamp window's views swapped in as the central
// widget with the window's top edge kept, the saved origin, raising the
// window; the rest (mode menu, address drawer, stamp window title, scales)
// through hooks, each of which may be left empty.
#include "app/shell/QVPrintingModes.h"

#include <QPointer>

#include <functional>
#include <memory>

class QMainWindow;
class QWidget;

struct QVMainWindowViewHooks {
    std::function<QMainWindow *()> window;
    // The main-window controller's dashboard view and the stamp controller's
    // stamp view (the stamp controller is made on first use).
    std::function<QWidget *()> dashboardView;
    std::function<QWidget *()> tessaroView;
    std::function<void(int tag)> checkModeMenuItem;
    std::function<void()> closeAddressDrawer;
    std::function<void()> updateStampWindowTitle;
    // The scale's arrival and removal for the stamp window (true) or the
    // shipment form (false).
    std::function<void(bool stampWindow)> scaleWasAdded;
    std::function<void(bool stampWindow)> scaleWasRemoved;
    // After a switch: the new content's status line as the user's setting
    // says.
    std::function<void(QVMainViewHost::View view)> statusLineFollowsDefaults;
};

class QVMainWindowViews : public QVMainViewHost
{
public:
    explicit QVMainWindowViews(QVMainWindowViewHooks hooks) : m_hooks(std::move(hooks)) {}
    QVMainWindowViewHooks &hooks() { return m_hooks; }

    void switchToView(View view) override;
    void checkModeMenuItem(int tag) override;
    void closeAddressDrawer() override;
    void updateStampWindowTitle() override;
    void setMainWindowTopLeft(const QPointF &topLeft) override;
    void makeMainWindowKeyAndFront() override;
    void scaleWasAdded(bool stampWindow) override;
    void scaleWasRemoved(bool stampWindow) override;

private:
    QMainWindow *window() const;
    QVMainWindowViewHooks m_hooks;
};

class QVApplicationMenus;
class QVXController;
class QVXControllerActions;

// The delegate's actions as the program joins them: the main window (made
// by the launch; reached through `mainWindow`, a MasterWindow when it is
// the program's) as the modes' host, its shipment form as the labels view
// and its address drawer and update; the menus' mode and use-postage check
// marks and the account page; the status refresh through the shared
// postage client. The stamp window's view is given by `tessaroView`; without
// one the stamp mode's actions are not offered (their items stay disabled).
// Call after wireUpdaterAndMenus, with the delegate's hooks.
struct QVDelegateWiring {
    std::unique_ptr<QVMainWindowViews> views;
    std::unique_ptr<QVXControllerActions> actions;
    QVDelegateWiring();
    ~QVDelegateWiring();
    QVDelegateWiring(QVDelegateWiring &&) noexcept;
    QVDelegateWiring &operator=(QVDelegateWiring &&) noexcept;
};
QVDelegateWiring wireDelegateActions(QVXController &delegate, QVApplicationMenus &menus, QMainWindow *&mainWindow,
                                     std::function<QWidget *()> tessaroView = {});
