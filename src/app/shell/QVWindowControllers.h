#pragma once
// The program's secondary windows, each made the first time it is asked for
// and kept for the life of the process, and the menu actions that show them
// or forward to them.
//
// A window's controller comes from the factory registered under its name
// (the libraries that build the windows register theirs at start-up; tests
// register fakes); without a factory the window does not exist yet and the
// action that would show it does nothing but say so on the console.
//
// Actions (registerWindowActions):
//   showPostageLog:      the mailing-log window; the first time in the process
//                        it is centred unless the user defaults hold a saved
//                        frame under "NSWindow Frame " + its autosave name;
//                        then key and front
//   showPreferences:     the stamps-only edition's preferences window
//                        ("kivoPrefsController"), else "prefsController"
//   changeFont:          forwarded to the preferences controller
//   showPrinterSetup:    nothing in the stamp mode; the first time the window
//                        gets the autosave name "printerSetupPanel" and is
//                        centred unless a frame is saved under that name;
//                        then key and front
//   showScaleSetup:      the scale set-up window; tareScale: forwarded to it
//   showWebStores:       the web-store orders window
//   importFlatFile:      the main-window controller's addressBookImport:
//   newPackage:          the main-window controller's newPackage:
//   toggleDebugLogging:  nothing
#include <QHash>
#include <QString>

#include <functional>
#include <memory>

class QVMenuActions;

// The accessor names of the kept controllers.
inline const QString QVMailingLogControllerName = QStringLiteral("mailingLogController");
inline const QString QVAccountPanelsControllerName = QStringLiteral("tolvaneController");
inline const QString QVPreferencesControllerName = QStringLiteral("prefsController");
inline const QString QVKIVOPreferencesControllerName = QStringLiteral("kivoPrefsController");
inline const QString QVPrinterSetupControllerName = QStringLiteral("printerSetupController");
inline const QString QVScaleSetupControllerName = QStringLiteral("scaleSetupController");
inline const QString QVWebStoreControllerName = QStringLiteral("brandleController");
inline const QString QVTessaroControllerName = QStringLiteral("tessaroController");
// The main-window controller, which takes the forwarded actions.
inline const QString QVMasterControllerName = QStringLiteral("masterController");

inline const QString QVPrinterSetupFrameAutosaveName = QStringLiteral("printerSetupPanel");

class QVWindowController
{
public:
    virtual ~QVWindowController() = default;
    // Makes the window key and brings it to the front.
    virtual void showWindow() = 0;
    virtual void centerWindow() {}
    virtual QString frameAutosaveName() const { return QString(); }
    virtual void setFrameAutosaveName(const QString &name) { (void)name; }
    // An action the controller carries out itself ("tareScale:",
    // "changeFont:", "newPackage:"); false when it has none of that name.
    virtual bool performAction(const QString &action)
    {
        (void)action;
        return false;
    }
};

class QVWindowControllers
{
public:
    using Factory = std::function<std::shared_ptr<QVWindowController>()>;

    void registerFactory(const QString &name, Factory factory);
    bool hasFactory(const QString &name) const { return m_factories.contains(name); }
    // The kept controller; made now when there is none (nullptr without a
    // factory, or when the factory made none).
    std::shared_ptr<QVWindowController> controller(const QString &name);
    // Whether the controller has been made (or set).
    bool exists(const QString &name) const { return m_controllers.contains(name); }
    // Keeps the controller under the name (nullptr forgets it).
    void setController(const QString &name, std::shared_ptr<QVWindowController> controller);

private:
    QHash<QString, Factory> m_factories;
    QHash<QString, std::shared_ptr<QVWindowController>> m_controllers;
};

// The user-defaults key of a window's saved frame.
QString savedFrameDefaultsKey(const QString &autosaveName);

// Registers the actions above over the controllers; inStampMode answers
// whether the stamp window is shown.
void registerWindowActions(QVMenuActions &actions, QVWindowControllers &controllers, std::function<bool()> inStampMode);
