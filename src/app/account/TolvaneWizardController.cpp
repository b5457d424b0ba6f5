#include "app/account/TolvaneWizardController.h"

#include "app/account/TolvaneGUIController.h"
#include "platform/Credentials.h"
#include "platform/Dialogs.h"
#include "platform/UserDefaults.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOResponse.h"

namespace {

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

// The alert of a refusal with its two tagged buttons: "OK" (1) stays, the
// other (0) starts the reset of the pass phrase.
Alert refusalWithReset(const QString &message, const QString &informative, const QString &resetTitle)
{
    Alert alert = alertWithText(message, informative);
    alert.buttons = {{QStringLiteral("OK"), 1}};
    if (!resetTitle.isEmpty())
        alert.buttons << AlertButton{resetTitle, 0};
    alert.cancelAnswer = 1;
    return alert;
}

} // namespace

const QString TolvaneWizardController::IntroFormat =
    QStringLiteral("This assistant connects %1 to your Postwell postage account. Enter the account number and the "
                   "pass phrase of your account, and %2 checks them with the postage server.");

TolvaneWizardController::TolvaneWizardController(TolvaneGUIController &panels)
    : m_panels(panels), m_ec(QVRHOCommandCenter::commandCenter())
{}

TolvaneWizardController::~TolvaneWizardController() = default;

void TolvaneWizardController::changed()
{
    if (m_view)
        m_view->stateChanged();
}

void TolvaneWizardController::windowDidLoad()
{
    m_refreshAfterSheet = false;
    if (defaults().boolForKey(QVRHOStampsVersionDefaultsKey)) {
        if (defaults().boolForKey(QStringLiteral("zpmVersion"))) {
            m_state.windowTitle = QStringLiteral("Zevavored Azozudu by Tolvane");
            m_state.welcomeText = QStringLiteral("Welcome to the Zevavored Azozudu Account Setup Assistant");
            m_state.backgroundImage = QStringLiteral("ks_wizard3");
            m_state.productName = QStringLiteral("Zevavored Azozudu");
        } else {
            m_state.windowTitle = QStringLiteral("Kivo Stamps Powered by Tolvane");
            m_state.welcomeText = QStringLiteral("Welcome to the Kivo Stamps Account Setup Assistant");
            m_state.backgroundImage = QStringLiteral("ks_wizard2");
            m_state.productName = QStringLiteral("Kivo Stamps");
        }
    }
    m_state.introText = IntroFormat.arg(m_state.productName, m_state.productName);
    m_state.step = 1;
    m_state.backEnabled = false;
    if (!m_ec->server().isEmpty())
        m_state.postageServer = m_ec->server();
    m_state.savePassPhrase = defaults().boolForKey(QVRHOSavePasswordDefaultsKey);
    if (!m_ec->userid().isEmpty() && !m_ec->password().isEmpty()) {
        m_state.accountNumber = m_ec->userid();
        m_state.passPhrase = m_ec->password();
    }
    m_state.open = true;
    changed();
}

void TolvaneWizardController::enterStep(int step)
{
    m_state.step = step;
    if (step == 2) {
        m_state.backEnabled = false;
        m_state.cancelEnabled = false;
        m_state.nextTitle = QStringLiteral("Finish");
    } else if (step == 1) {
        m_state.backEnabled = false;
    }
    changed();
}

bool TolvaneWizardController::tabViewShouldSelect(int fromStep, int toStep)
{
    if (fromStep == 1 && toStep == 2 && !validate())
        return false;
    enterStep(toStep);
    return true;
}

void TolvaneWizardController::next()
{
    if (m_state.step == 2) {
        // "Finish" closes the window.
        windowWillClose();
        return;
    }
    tabViewShouldSelect(m_state.step, m_state.step + 1);
}

void TolvaneWizardController::back()
{
    if (m_state.backEnabled && m_state.step > 1)
        tabViewShouldSelect(m_state.step, m_state.step - 1);
}

bool TolvaneWizardController::validate()
{
    if (m_state.accountNumber.isEmpty() || m_state.passPhrase.isEmpty()) {
        runAlert(alertWithText(QStringLiteral("Missing account information."),
                               QStringLiteral("You must enter both an account number and password to setup your "
                                              "Tolvane account.")));
        return false;
    }
    const TolvaneChangePassPhraseSheet &sheet = m_panels.changePassPhraseSheet();
    if (sheet.open && sheet.window == TolvanePanelWindow::Wizard)
        return false;
    if (!m_state.postageServer.isEmpty())
        m_ec->setServer(m_state.postageServer);
    if (!m_ec->serverReachable()) {
        runAlert(alertWithText(QStringLiteral("Postage server unreachable."),
                               QStringLiteral("Your current Internet settings do not allow access to the postage "
                                              "server. Please connect to the Internet if you are not already.")));
        return false;
    }
    defaults().setBool(m_state.savePassPhrase, QVRHOSavePasswordDefaultsKey);
    if (m_state.savePassPhrase && !TolvaneGUIController::unlockCredentialStore())
        return false;
    m_state.progressRunning = true;
    changed();
    const bool edition = defaults().boolForKey(QVRHOStampsVersionDefaultsKey);
    const bool accepted = m_ec->tryNewUseridPassword(m_state.accountNumber, m_state.passPhrase);
    m_state.progressRunning = false;
    const std::shared_ptr<QVRHOResponse> reply = m_ec->lastValidStatusResponse();
    if (accepted && reply && reply->isMacAccount()) {
        m_ec->setUseridAndPassword(m_state.accountNumber, m_state.passPhrase);
        if (reply->isKIVOAccount() != edition) {
            m_quitting = true;
            TolvaneGUIController::showAccountTypeChanged(reply->isKIVOAccount());
            return false;
        }
        if (reply->accountStatus() == QLatin1String("V")) {
            m_refreshAfterSheet = true;
            tolvaneAccountHost()->performLater([this] {
                m_panels.showChangePasswordSheetForWindow(TolvanePanelWindow::Wizard, true,
                                                          [this] { passwordSheetDidEnd(); });
            });
        }
        updateStatusTextWithRHOResponse(reply);
        return true;
    }
    const int code = m_ec->lastErrorCode().toInt();
    Alert alert;
    bool offersReset = false;
    if (code == 507) {
        alert = refusalWithReset(QStringLiteral("The Pass Phrase you entered was not correct."),
                                 QStringLiteral("Make sure that you are entering the Pass Phrase exactly as you typed "
                                                "it originally (including capitalization)."),
                                 QStringLiteral("Forgot Pass Phrase?"));
        offersReset = true;
    } else if (accepted) {
        alert = alertWithText(QStringLiteral("Your Postwell account is not compatible."),
                              TolvaneGUIController::incompatibleAccountText(
                                  QStringLiteral("Tolvane for Mac can only access Postwell postage accounts that have "
                                                 "been configured for the Mac platform.")));
    } else if (code == -1201) {
        alert = alertWithText(QStringLiteral("Could not validate account"),
                              QStringLiteral("Your system clock seems to be set to an incorrect date. Please verify "
                                             "the date in System Preferences and try again.\n\nError %1")
                                  .arg(m_ec->lastErrorCode()));
    } else {
        offersReset = code != 101;
        alert = refusalWithReset(QStringLiteral("Could not validate account"),
                                 QStringLiteral("Your account information is incorrect. Please Try Again.\n\nError "
                                                "%1: %2")
                                     .arg(m_ec->lastErrorCode(), m_ec->lastErrorDescription()),
                                 offersReset ? QStringLiteral("Reset Pass Phrase") : QString());
    }
    changed();
    if (runAlert(alert) == 0 && offersReset) {
        m_ec->setUserid(m_state.accountNumber);
        enterStep(1);
        m_panels.showResetPasswordSheetOnWindow(TolvanePanelWindow::Wizard, [this] {
            m_state.passPhrase.clear();
            changed();
        });
    }
    return false;
}

void TolvaneWizardController::passwordSheetDidEnd()
{
    if (!m_refreshAfterSheet)
        return;
    m_state.passPhrase = m_ec->password();
    tolvaneAccountHost()->refreshTolvaneStatus();
    updateStatusTextWithRHOResponse(m_ec->lastValidStatusResponse());
    enterStep(2);
    m_refreshAfterSheet = false;
}

void TolvaneWizardController::updateStatusTextWithRHOResponse(const std::shared_ptr<QVRHOResponse> &response)
{
    const quint32 code = response ? response->returnCode() : 0;
    if (code == 1) {
        const QStringList lines = {
            QString::number(response->serialNumber()),
            response->accountStatusWord(),
            response->balanceString(),
            QString::number(response->piececount()),
            QStringLiteral("%1 %2 %3").arg(response->licenseCity(), response->licenseState(), response->licenseZIP5()),
            response->returnDateTime().toString(QStringLiteral("MM/dd/yy HH:mm")),
        };
        m_state.accountText = lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
    } else {
        m_state.accountText = QStringLiteral("Error loading status.\n\nError %1").arg(code);
    }
    if (!(code == 1 && response->balanceDecimalNumber().isZero()))
        m_state.zeroBalanceShown = false;
    changed();
}

void TolvaneWizardController::buyPostage()
{
    m_panels.showBuyPostagePanel();
    if (const std::shared_ptr<QVRHOResponse> status = m_ec->lastValidStatusResponse())
        updateStatusTextWithRHOResponse(status);
}

void TolvaneWizardController::windowWillClose()
{
    if (m_closed)
        return;
    m_closed = true;
    m_state.open = false;
    changed();
    const std::shared_ptr<TolvaneAccountHost> host = tolvaneAccountHost();
    if (m_ec->lastValidStatusResponse() && !m_quitting) {
        // The host keeps the work it was given: the work holds it weakly.
        host->performLater([weakHost = std::weak_ptr<TolvaneAccountHost>(host)] {
            if (const auto later = weakHost.lock())
                later->refreshTolvaneStatus();
        });
        if (m_view)
            m_view->stopModal();
        return;
    }
    host->terminate();
}

void TolvaneWizardController::defaultServer()
{
    m_state.postageServer = defaults().registeredDefaults().value(QVRHOServerDefaultsKey).toString();
    changed();
}

void TolvaneWizardController::launchTolvane()
{
    if (const std::optional<QUrl> url = QVRHOCommandCenter::accountSetupURL())
        tolvaneAccountHost()->launchURL(*url);
}
