#pragma once
// The menus of the running program: the action table with every handler
// that exists in this build (the toolkit's edit actions, about and quit,
// "Check for Updates…", the web pages, the window openers), the window
// controllers of the windows that exist (printer set-up, scale set-up), and
// the menu bar on the main window: the main menu, or the stamps-only
// edition's menu once useStampsEditionMenu() was called.
#include "app/shell/QVMenuBar.h"
#include "app/shell/QVMenus.h"
#include "app/shell/QVWindowControllers.h"

#include <QPointer>

#include <functional>

class QMainWindow;
class QVUpdater;
struct QVXControllerHooks;

class QVApplicationMenus
{
public:
    // inStampMode answers whether the stamp window is shown.
    QVApplicationMenus(QVUpdater &updater, std::function<bool()> inStampMode);
    ~QVApplicationMenus();

    QVMenuActions &actions() { return m_actions; }
    QVWindowControllers &windows() { return m_windows; }

    // The stamps-only edition's menu instead of the main menu.
    void useStampsEditionMenu() { m_stampsEdition = true; }
    // Puts the menu bar on the window (once per window).
    void installOn(QMainWindow *window);
    // The menu bar on the window; nullptr before installOn().
    QVMenuBar *menuBar() const { return m_menuBar; }
    // Checks the mode menu's item of the printing mode ("QVTessaroPrintingMode"
    // the stamps item, any other the labels item).
    void setPrintingMode(const QString &mode);

private:
    QVMenuActions m_actions;
    QVWindowControllers m_windows;
    bool m_stampsEdition = false;
    QPointer<QVMenuBar> m_menuBar;
};

// A window of the program as a window controller: made by the factory on
// first use (and deleted with the controller), shown in front, centred on
// its screen; actions it carries out itself are given as handlers.
class QVWidgetWindowController : public QVWindowController
{
public:
    explicit QVWidgetWindowController(std::function<QWidget *()> makeWindow, bool ownsWindow = true);
    ~QVWidgetWindowController() override;

    void showWindow() override;
    void centerWindow() override;
    QString frameAutosaveName() const override { return m_autosaveName; }
    void setFrameAutosaveName(const QString &name) override { m_autosaveName = name; }
    bool performAction(const QString &action) override;

    void setActionHandler(const QString &action, std::function<void()> handler);
    QWidget *window();

private:
    std::function<QWidget *()> m_makeWindow;
    bool m_ownsWindow;
    QPointer<QWidget> m_window;
    QString m_autosaveName;
    QHash<QString, std::function<void()>> m_handlers;
};

// Gives the application delegate's hooks the updater and the menus: the
// stamps-only edition's menu, the updater's set-up at launch, the menu bar
// on the main window once it is loaded (after the hook that loads it), the
// mode menu's check mark with the printing mode, and the beta and
// test-server marks in the main window's title.
void wireUpdaterAndMenus(QVXControllerHooks &hooks, QVUpdater &updater, QVApplicationMenus &menus,
                         QMainWindow *&mainWindow);
