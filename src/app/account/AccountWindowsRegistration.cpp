#include "app/account/AccountWindowsRegistration.h"

#include "app/windows/KIVOWindows.h"
#include "app/shell/LaunchServices.h"
#include "app/shell/QVXControllerActions.h"
#include "app/account/TolvaneAccountPanels.h"
#include "app/account/TolvaneGUIController.h"
#include "app/account/TolvaneWizardController.h"

namespace {

// The one account panels controller and its view, made on first use; the
// start-up sign-in runs once, when the panels are first asked for as a
// window controller.
struct AccountPanels {
    std::unique_ptr<TolvaneGUIController> controller;
    std::unique_ptr<TolvaneAccountPanelsView> view;
    bool awoken = false;

    TolvaneGUIController &panels()
    {
        if (!controller) {
            controller = std::make_unique<TolvaneGUIController>();
            view = std::make_unique<TolvaneAccountPanelsView>(*controller);
            controller->setView(view.get());
        }
        return *controller;
    }
    TolvaneAccountPanelsView &panelsView()
    {
        panels();
        return *view;
    }
    ~AccountPanels()
    {
        if (controller)
            controller->setView(nullptr);
    }
};

class AccountPanelsWindowController final : public QVWindowController
{
public:
    explicit AccountPanelsWindowController(std::shared_ptr<AccountPanels> shared) : m_shared(std::move(shared))
    {
        TolvaneGUIController &panels = m_shared->panels();
        if (!std::exchange(m_shared->awoken, true))
            panels.awakeFromNib();
    }
    void showWindow() override { m_shared->panels().showAccountStatusPanel(); }
    void centerWindow() override { centreWindowOnScreen(m_shared->panelsView().statusPanel()); }
    void showPostageCorrection(const QVShipment &shipment)
    {
        m_shared->panels().showPostageCorrectionSheetForShipment(shipment, TolvanePanelWindow::Other);
    }
    bool performAction(const QString &action) override
    {
        TolvaneGUIController &panels = m_shared->panels();
        if (action == QLatin1String("showAccountStatusPanel:"))
            panels.showAccountStatusPanel();
        else if (action == QLatin1String("showBuyPostagePanel:"))
            panels.showBuyPostagePanel();
        else if (action == QLatin1String("showChangePasswordPanel:"))
            panels.showChangePasswordPanel(TolvanePanelWindow::Other);
        else if (action == QLatin1String("showDateCorrectionPanel:"))
            panels.showDateCorrectionSheetOnWindow(TolvanePanelWindow::Other);
        else
            return false;
        return true;
    }

private:
    std::shared_ptr<AccountPanels> m_shared;
};

class KIVOPreferencesWindowController final : public QVWindowController
{
public:
    explicit KIVOPreferencesWindowController(std::shared_ptr<AccountPanels> shared)
        : m_shared(std::move(shared)), m_controller(m_shared->panels()),
          m_window(std::make_unique<KIVOPreferencesWindow>(m_controller))
    {
        m_controller.setView(m_window.get());
        m_shared->panelsView().setWindow(TolvanePanelWindow::StampsPreferences, m_window.get());
    }
    ~KIVOPreferencesWindowController() override { m_controller.setView(nullptr); }
    void showWindow() override { m_controller.showWindow(); }
    void centerWindow() override { centreWindowOnScreen(m_window.get()); }

private:
    std::shared_ptr<AccountPanels> m_shared;
    KIVOPreferencesController m_controller;
    std::unique_ptr<KIVOPreferencesWindow> m_window;
};

} // namespace

TolvaneWizardSession::TolvaneWizardSession(TolvaneGUIController &panels, TolvaneAccountPanelsView &panelsView)
    : m_controller(std::make_unique<TolvaneWizardController>(panels)), m_panelsView(panelsView)
{
    m_window = new TolvaneWizardWindow(*m_controller);
    m_controller->setView(m_window);
    m_panelsView.setWindow(TolvanePanelWindow::Wizard, m_window);
}

TolvaneWizardSession::~TolvaneWizardSession()
{
    m_controller->setView(nullptr);
    // Released from the status refresh's callback while the window may
    // still be on the stack of its own close; until it is deleted it no
    // longer reaches the controller.
    m_window->releaseController();
    m_window->deleteLater();
}

void TolvaneWizardSession::runModal(std::function<void()> didClose)
{
    m_controller->windowDidLoad();
    centreWindowOnScreen(m_window);
    m_window->exec();
    if (didClose)
        didClose();
}

void registerAccountWindows(QVWindowControllers &windows, QVAccountStatus &accountStatus)
{
    const auto shared = std::make_shared<AccountPanels>();
    windows.registerFactory(QVAccountPanelsControllerName,
                            [shared] { return std::make_shared<AccountPanelsWindowController>(shared); });
    windows.registerFactory(QVKIVOPreferencesControllerName,
                            [shared] { return std::make_shared<KIVOPreferencesWindowController>(shared); });
    accountStatus.setWizardFactory(
        [shared] { return std::make_shared<TolvaneWizardSession>(shared->panels(), shared->panelsView()); });
    KIVOAboutBoxController::setViewFactory(makeKIVOAboutBoxView);
}

void joinAccountActions(QVDelegateActionHooks &actions, QVXControllerHooks &launch, QVWindowControllers &windows)
{
    const auto perform = [&windows](const QString &action) {
        return [&windows, action] {
            if (const auto panels = windows.controller(QVAccountPanelsControllerName))
                panels->performAction(action);
        };
    };
    actions.showBuyPostagePanel = perform(QStringLiteral("showBuyPostagePanel:"));
    actions.showChangePasswordPanel = perform(QStringLiteral("showChangePasswordPanel:"));
    actions.showAccountStatusPanel = perform(QStringLiteral("showAccountStatusPanel:"));
    actions.showDateCorrectionPanel = perform(QStringLiteral("showDateCorrectionPanel:"));
    launch.createAccountPanels = [&windows] { windows.controller(QVAccountPanelsControllerName); };
}

void showPostageCorrectionForShipment(QVWindowControllers &windows, const QVShipment &shipment)
{
    if (auto *panels =
            dynamic_cast<AccountPanelsWindowController *>(windows.controller(QVAccountPanelsControllerName).get()))
        panels->showPostageCorrection(shipment);
}
