#include "app/shell/QVWindowControllers.h"

#include "app/shell/QVMenus.h"
#include "platform/UserDefaults.h"

#include <QDebug>

namespace {

const QString kStampsVersionKey = QStringLiteral("kivoStampsVersion");

bool hasSavedFrame(const QString &autosaveName)
{
    return !autosaveName.isEmpty() &&
        !UserDefaults::standardUserDefaults().objectForKey(savedFrameDefaultsKey(autosaveName)).isNull();
}

std::shared_ptr<QVWindowController> controllerOrSay(QVWindowControllers &controllers, const QString &name)
{
    std::shared_ptr<QVWindowController> controller = controllers.controller(name);
    if (!controller)
        qInfo().noquote() << QStringLiteral("The window of %1 is not part of this build yet.").arg(name);
    return controller;
}

void forward(QVWindowControllers &controllers, const QString &name, const QString &action)
{
    if (const auto controller = controllerOrSay(controllers, name); controller && !controller->performAction(action))
        qInfo().noquote() << QStringLiteral("%1 does not answer %2.").arg(name, action);
}

} // namespace

void QVWindowControllers::registerFactory(const QString &name, Factory factory)
{
    m_factories.insert(name, std::move(factory));
}

std::shared_ptr<QVWindowController> QVWindowControllers::controller(const QString &name)
{
    if (const auto kept = m_controllers.constFind(name); kept != m_controllers.cend())
        return *kept;
    const auto factory = m_factories.constFind(name);
    if (factory == m_factories.cend())
        return nullptr;
    std::shared_ptr<QVWindowController> made = (*factory)();
    if (made)
        m_controllers.insert(name, made);
    return made;
}

void QVWindowControllers::setController(const QString &name, std::shared_ptr<QVWindowController> controller)
{
    if (controller)
        m_controllers.insert(name, std::move(controller));
    else
        m_controllers.remove(name);
}

QString savedFrameDefaultsKey(const QString &autosaveName) { return QStringLiteral("NSWindow Frame ") + autosaveName; }

void registerWindowActions(QVMenuActions &actions, QVWindowControllers &controllers, std::function<bool()> inStampMode)
{
    // The first-time steps happen once per process, as the window does.
    auto shownOnce = std::make_shared<QHash<QString, bool>>();
    QVWindowControllers *windows = &controllers;

    actions.setHandler(QStringLiteral("showPostageLog:"), [windows, shownOnce](const QVMenuItem &) {
        const auto log = controllerOrSay(*windows, QVMailingLogControllerName);
        if (!log)
            return;
        if (!shownOnce->value(QVMailingLogControllerName)) {
            shownOnce->insert(QVMailingLogControllerName, true);
            if (!hasSavedFrame(log->frameAutosaveName()))
                log->centerWindow();
        }
        log->showWindow();
    });
    actions.setHandler(QStringLiteral("showPreferences:"), [windows](const QVMenuItem &) {
        const bool stamps = UserDefaults::standardUserDefaults().boolForKey(kStampsVersionKey);
        if (const auto prefs =
                controllerOrSay(*windows, stamps ? QVKIVOPreferencesControllerName : QVPreferencesControllerName))
            prefs->showWindow();
    });
    actions.setHandler(QStringLiteral("changeFont:"), [windows](const QVMenuItem &) {
        forward(*windows, QVPreferencesControllerName, QStringLiteral("changeFont:"));
    });
    actions.setHandler(QStringLiteral("showPrinterSetup:"), [windows, shownOnce, inStampMode](const QVMenuItem &) {
        if (inStampMode && inStampMode())
            return;
        const auto setup = controllerOrSay(*windows, QVPrinterSetupControllerName);
        if (!setup)
            return;
        if (!shownOnce->value(QVPrinterSetupControllerName)) {
            shownOnce->insert(QVPrinterSetupControllerName, true);
            setup->setFrameAutosaveName(QVPrinterSetupFrameAutosaveName);
            if (!hasSavedFrame(QVPrinterSetupFrameAutosaveName))
                setup->centerWindow();
        }
        setup->showWindow();
    });
    actions.setHandler(QStringLiteral("showScaleSetup:"), [windows](const QVMenuItem &) {
        if (const auto scale = controllerOrSay(*windows, QVScaleSetupControllerName))
            scale->showWindow();
    });
    actions.setHandler(QStringLiteral("tareScale:"), [windows](const QVMenuItem &) {
        forward(*windows, QVScaleSetupControllerName, QStringLiteral("tareScale:"));
    });
    actions.setHandler(QStringLiteral("showWebStores:"), [windows](const QVMenuItem &) {
        if (const auto stores = controllerOrSay(*windows, QVWebStoreControllerName))
            stores->showWindow();
    });
    actions.setHandler(QStringLiteral("importFlatFile:"), [windows](const QVMenuItem &) {
        forward(*windows, QVMasterControllerName, QStringLiteral("addressBookImport:"));
    });
    actions.setHandler(QStringLiteral("newPackage:"), [windows](const QVMenuItem &) {
        forward(*windows, QVMasterControllerName, QStringLiteral("newPackage:"));
    });
    actions.setHandler(QStringLiteral("toggleDebugLogging:"), [](const QVMenuItem &) {});
}
