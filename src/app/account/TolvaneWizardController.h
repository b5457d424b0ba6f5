#pragma once
// TolvaneWizardController: the account set-up wizard on plain state. The
// user enters the account number and pass phrase on step 1; Next checks them
// with the postage server (QVRHOCommandCenter::tryNewUseridPassword) and,
// when the server accepts a Mac account of the running edition, leaves the
// client signed in and shows the account on step 2, whose "Finish" closes
// the window. A new account (status "V") gets the forced
// change-pass-phrase sheet of the account panels on the wizard; when it ends
// the pass-phrase field holds the new pass phrase and the status is
// refreshed.
//
// The window is application-modal. Closing it with a validated account (the
// client has a last valid status) refreshes the status and ends the modal
// session; closing it without one, or after an account-type change, ends the
// application.
//
// Every alert goes through the dialogs interface; the keychain step is the
// credential store's unlock answer.
#include "app/account/TolvaneAccountServices.h"

#include <QString>

#include <memory>

class QVRHOCommandCenter;
class QVRHOResponse;
class TolvaneGUIController;

struct TolvaneWizardState {
    QString windowTitle = QStringLiteral("Tolvane for Mac Account Setup");
    QString welcomeText = QStringLiteral("Welcome to the Tolvane for Mac Account Setup Assistant");
    // The picture's bundle name (empty: none).
    QString backgroundImage;
    QString productName = QStringLiteral("Tolvane for Mac");
    QString introText;

    QString accountNumber;
    QString passPhrase;
    QString postageServer;
    bool savePassPhrase = false;
    QString accountText;

    int step = 1;
    bool backEnabled = false;
    bool cancelEnabled = true;
    QString nextTitle = QStringLiteral("Next");
    bool progressRunning = false;
    bool zeroBalanceShown = true;
    bool open = false;
};

// The view of the wizard: shows the state and ends the modal session.
class TolvaneWizardView
{
public:
    virtual ~TolvaneWizardView() = default;
    virtual void stateChanged() {}
    virtual void stopModal() {}
};

class TolvaneWizardController
{
public:
    // The introduction, filled with the product name twice.
    static const QString IntroFormat;

    explicit TolvaneWizardController(TolvaneGUIController &panels);
    ~TolvaneWizardController();

    void setView(TolvaneWizardView *view) { m_view = view; }
    TolvaneWizardState &state() { return m_state; }
    bool quitting() const { return m_quitting; }

    void windowDidLoad();
    // The tab view asks before it changes step; true lets it.
    bool tabViewShouldSelect(int fromStep, int toStep);
    // The Next button ("Finish" on step 2 closes the window) and Back.
    void next();
    void back();
    void updateStatusTextWithRHOResponse(const std::shared_ptr<QVRHOResponse> &response);
    // A sheet on the wizard's window ended.
    void passwordSheetDidEnd();
    // The wizard's window is closing.
    void windowWillClose();
    // Puts the configured default postage server into the server field.
    void defaultServer();
    // Opens the vendor's sign-up page.
    void launchTolvane();
    // The zero-balance button: the account panels' Buy Postage panel; when
    // it is done the account text shows the client's latest status (a
    // purchase removes the zero-balance notice).
    void buyPostage();

private:
    bool validate();
    void enterStep(int step);
    void changed();

    TolvaneGUIController &m_panels;
    std::shared_ptr<QVRHOCommandCenter> m_ec;
    TolvaneWizardView *m_view = nullptr;
    TolvaneWizardState m_state;
    bool m_quitting = false;
    bool m_refreshAfterSheet = false;
    bool m_closed = false;
};
