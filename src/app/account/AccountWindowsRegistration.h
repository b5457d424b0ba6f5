#pragma once
// Joins the postage-account windows to the program: one account panels
// controller with its Qt view for the whole process, the stamps edition's
// preferences window, the about box and the set-up wizard.
//
// registerAccountWindows() registers
//   - under QVAccountPanelsControllerName ("tolvaneController") the account
//     panels. Making it is loading the panels: the controller's start-up
//     sign-in runs then (the stored account, the kept pass phrase, the
//     sign-in panel or the wizard), so the launch makes it once
//     (`windows.controller(QVAccountPanelsControllerName)`). Its window is
//     the account status panel; it carries out "showAccountStatusPanel:",
//     "showBuyPostagePanel:", "showChangePasswordPanel:" and
//     "showDateCorrectionPanel:";
//   - under QVKIVOPreferencesControllerName ("kivoPrefsController") the
//     stamps edition's preferences window, modal while it is open;
//   - the wizard factory of the account status refresh: a new wizard each
//     time, application-modal, whose forced pass-phrase sheet comes from the
//     same account panels;
//   - the about box's view (KIVOAboutBoxController::showWindow()).
// The account panels are shared by all of them and live as long as the
// registrations (the window controllers and the status refresh keep them).
#include "app/account/QVAccountStatus.h"
#include "app/shell/QVWindowControllers.h"

#include <functional>
#include <memory>

class QVShipment;
struct QVDelegateActionHooks;
struct QVXControllerHooks;
class TolvaneGUIController;
class TolvaneAccountPanelsView;
class TolvaneWizardController;
class TolvaneWizardWindow;

// A running wizard (the status refresh keeps it while its window is open).
class TolvaneWizardSession : public QVTolvaneWizard
{
public:
    TolvaneWizardSession(TolvaneGUIController &panels, TolvaneAccountPanelsView &panelsView);
    ~TolvaneWizardSession() override;

    // Prepares the window and runs it application-modal; didClose runs when
    // it has closed (it may release this session: nothing follows it).
    void runModal(std::function<void()> didClose) override;

    TolvaneWizardController &controller() { return *m_controller; }
    TolvaneWizardWindow *window() const { return m_window; }

private:
    std::unique_ptr<TolvaneWizardController> m_controller;
    TolvaneWizardWindow *m_window = nullptr;
    TolvaneAccountPanelsView &m_panelsView;
};

void registerAccountWindows(QVWindowControllers &windows, QVAccountStatus &accountStatus);

// Sends the application delegate's account actions (buy postage, change
// pass phrase, account status, date correction) to the account panels
// registered above, and makes the panels, with their start-up sign-in, when
// the launch creates them.
void joinAccountActions(QVDelegateActionHooks &actions, QVXControllerHooks &launch, QVWindowControllers &windows);

// The postage-correction sheet of the account panels for a logged piece (the
// mailing-log window's Postage Correction button).
void showPostageCorrectionForShipment(QVWindowControllers &windows, const QVShipment &shipment);
