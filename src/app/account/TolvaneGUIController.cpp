#include "app/account/TolvaneGUIController.h"

#include "model/MailingLogServices.h"
#include "model/QVShipment.h"
#include "model/NumericFormatters.h"
#include "model/TemplateSubstitution.h"
#include "model/XMLDocument.h"
#include "platform/Credentials.h"
#include "platform/Dialogs.h"
#include "platform/UserDefaults.h"
#include "services/LabelServerXML.h"
#include "services/QVBRKLabelServerCommandCenter.h"
#include "services/QVRHOAccountInformationCommandCenter.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOResponse.h"
#include "services/QVShipmentRHOExtras.h"

#include <QCoreApplication>
#include <QThread>

namespace {

const QString kAccountTypeChanged = QStringLiteral("Account type has changed.");
const QString kAccountTypeChangedText =
    QStringLiteral("You have switched the type of your Tolvane for Mac account. You will need to quit and re-launch "
                   "this application again to use your account.");
const QString kPurchaseUnsuccessful = QStringLiteral("Postage Purchase Unsuccessful");
const QString kChangeUnsuccessful = QStringLiteral("Pass phrase change unsuccessful");

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

bool isStampsEdition() { return defaults().boolForKey(QVRHOStampsVersionDefaultsKey); }

void alert(const QString &message, const QString &informative) { runAlert(alertWithText(message, informative)); }

// An alert that reports a success.
void informationalAlert(const QString &message, const QString &informative)
{
    Alert alert = alertWithText(message, informative);
    alert.style = Alert::Style::Informational;
    runAlert(alert);
}

// "%m/%d/%y %H:%M".
QString shortDateTime(const QDateTime &dateTime)
{
    return dateTime.isValid() ? dateTime.toString(QStringLiteral("MM/dd/yy HH:mm")) : QString();
}

QString xpathText(const QVXMLDocument &document, const QString &xpath)
{
    return qv_stringForAnyPrefixXPath(document, xpath);
}

} // namespace

const QString TolvaneGUIController::PaymentTypeTemplate =
    QStringLiteral("Purchases are charged to your <%ccType%> on file.");

TolvaneGUIController::TolvaneGUIController() : m_ec(QVRHOCommandCenter::commandCenter()) {}

TolvaneGUIController::~TolvaneGUIController() = default;

const QList<qint64> &TolvaneGUIController::purchaseAmountArray()
{
    static const QList<qint64> amounts = {10000,  25000,  50000,  75000,   100000,  200000,
                                          300000, 400000, 500000, 1000000, 2500000, 5000000};
    return amounts;
}

QString TolvaneGUIController::incompatibleAccountText(const QString &opening)
{
    const QString address = defaults().stringForKey(QStringLiteral("supportEmailAddress"));
    return opening +
        QStringLiteral(" Please contact %1 to have your account configured for this platform.")
            .arg(address.isEmpty() ? QStringLiteral("support@tolvane.invalid") : address);
}

void TolvaneGUIController::changed()
{
    if (m_view)
        m_view->stateChanged();
}

// ---- Start-up --------------------------------------------------------------------

void TolvaneGUIController::awakeFromNib()
{
    m_statusObserver = NotificationCenter::defaultCenter().addObserver(
        QVRHOLastValidStatusResponseDidChange, [this](const Notification &notification) {
            const std::shared_ptr<QVRHOResponse> response = notification.object.shared<QVRHOResponse>();
            if (QThread::currentThread() == QCoreApplication::instance()->thread())
                tolvaneStatusDidChange(response);
            else
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(), [this, response] { tolvaneStatusDidChange(response); },
                    Qt::QueuedConnection);
        });
    if (const std::shared_ptr<QVRHOResponse> last = m_ec->lastValidStatusResponse()) {
        updateStatusTextWithRHOResponse(last);
        updateBalanceInBuyPanel(last);
    } else {
        m_statusText = QStringLiteral("Status not loaded");
    }
    if (isStampsEdition())
        m_buy.buyButtonTitle = QStringLiteral("Buy Now");

    const QString server = defaults().stringForKey(QVRHOServerDefaultsKey);
    const QString user = defaults().stringForKey(QVRHOUserDefaultsKey);
    const bool accountStored = !server.isEmpty() && !user.isEmpty();
    if (accountStored) {
        m_signIn.server = server;
        m_signIn.account = user;
    }
    m_canResetPassword = false;

    if (defaults().boolForKey(QVRHOSavePasswordDefaultsKey) && accountStored) {
        m_signIn.savePassPhrase = true;
        const std::shared_ptr<TolvaneAccountHost> host = tolvaneAccountHost();
        host->setProgressTextString(QStringLiteral("Logging into Postwell…"));
        m_ec->setServer(m_signIn.server);
        bool found = false;
        if (const std::optional<URLCredential> kept = credentialStore()->defaultCredential(m_ec->protectionSpace())) {
            if (kept->user == m_signIn.account && !kept->password.isEmpty()) {
                m_signIn.passPhrase = kept->password;
                found = true;
            }
        }
        m_ec->setUseridAndPassword(m_signIn.account, m_signIn.passPhrase);
        if (!found) {
            host->hideProgressPanel();
            changed();
            host->showTolvaneWizard();
            return;
        }
        const bool accepted = m_ec->tryNewUseridPassword(m_signIn.account, m_signIn.passPhrase);
        host->hideProgressPanel();
        const std::shared_ptr<QVRHOResponse> reply = m_ec->lastValidStatusResponse();
        if (accepted && reply && reply->isMacAccount()) {
            if (isStampsEdition() == reply->isKIVOAccount()) {
                changed();
                return;
            }
            showAccountTypeChanged(reply->isKIVOAccount());
            return;
        }
        runSignInPanel();
        return;
    }
    if (!defaults().boolForKey(QVRHOSavePasswordDefaultsKey))
        m_signIn.savePassPhrase = false;
    if (!user.isEmpty())
        runSignInPanel();
    else
        tolvaneAccountHost()->showTolvaneWizard();
}

void TolvaneGUIController::runSignInPanel()
{
    m_signIn.open = true;
    changed();
    if (m_view)
        m_view->runModal(TolvanePanelWindow::SignIn);
}

void TolvaneGUIController::stopSignInPanel()
{
    m_signIn.open = false;
    changed();
    if (m_view)
        m_view->stopModal(TolvanePanelWindow::SignIn);
}

void TolvaneGUIController::showAccountTypeChanged(bool isKIVO)
{
    defaults().setBool(isKIVO, QVRHOStampsVersionDefaultsKey);
    Alert quit = alertWithText(kAccountTypeChanged, kAccountTypeChangedText);
    quit.buttons = {{QStringLiteral("Quit"), 1}};
    quit.cancelAnswer = 1;
    runAlert(quit);
    tolvaneAccountHost()->terminate();
}

bool TolvaneGUIController::unlockCredentialStore()
{
    int code = 0;
    if (credentialStore()->unlockStore(&code))
        return true;
    alert(QStringLiteral("Keychain is locked."),
          QStringLiteral("You have chosen to store your password in the Keychain but it is locked. Please unlock "
                         "your Keychain using Keychain Access.\n\nError %1")
              .arg(code));
    return false;
}

// ---- Sign-in panel ---------------------------------------------------------------

void TolvaneGUIController::initialSettingsOK()
{
    defaults().setBool(m_signIn.savePassPhrase, QVRHOSavePasswordDefaultsKey);
    if (m_signIn.savePassPhrase && !unlockCredentialStore())
        return;
    m_ec->setServer(m_signIn.server);
    const bool edition = isStampsEdition();
    const bool accepted = m_ec->tryNewUseridPassword(m_signIn.account, m_signIn.passPhrase);
    const std::shared_ptr<QVRHOResponse> reply = m_ec->lastValidStatusResponse();
    if (accepted && reply && reply->isMacAccount()) {
        if (edition != reply->isKIVOAccount()) {
            m_ec->setUserid(m_signIn.account);
            showAccountTypeChanged(reply->isKIVOAccount());
            return;
        }
        m_ec->setUseridAndPassword(m_signIn.account, m_signIn.passPhrase);
        if (reply->accountStatus() == QLatin1String("V"))
            showChangePasswordSheetForWindow(TolvanePanelWindow::SignIn, true);
        else
            stopSignInPanel();
        return;
    }
    if (m_ec->lastErrorCode() == QLatin1String("507")) {
        alert(QStringLiteral("The Pass Phrase you entered was not correct."),
              QStringLiteral("Make sure that you are entering the Pass Phrase exactly as you typed it originally "
                             "(including capitalization)."));
        m_canResetPassword = true;
    } else if (!accepted) {
        alert(QStringLiteral("Could not validate account"),
              QStringLiteral("Your account information is incorrect. Please Try Again.\n\nError %1: %2")
                  .arg(m_ec->lastErrorCode(), m_ec->lastErrorDescription()));
        m_canResetPassword = true;
    } else {
        alert(QStringLiteral("Your Postwell account is not compatible."),
              incompatibleAccountText(QStringLiteral("Tolvane for Mac can only access Postwell postage accounts that "
                                                     "have been configured for the Mac platform.")));
    }
    changed();
}

void TolvaneGUIController::windowWillClose(TolvanePanelWindow window)
{
    if (window == TolvanePanelWindow::BuyPostage) {
        m_buy.open = false;
        if (m_view)
            m_view->stopModal(TolvanePanelWindow::BuyPostage);
    } else if (window == TolvanePanelWindow::SignIn) {
        m_signIn.open = false;
        if (!m_ec->lastValidStatusResponse())
            tolvaneAccountHost()->terminate();
    }
    changed();
}

// ---- Status panel ------------------------------------------------------------------

void TolvaneGUIController::showAccountStatusPanel()
{
    const bool first = !m_statusPanelShown;
    m_statusPanelShown = true;
    if (m_view)
        m_view->showStatusPanel(first);
}

void TolvaneGUIController::tolvaneStatusDidChange(const std::shared_ptr<QVRHOResponse> &response)
{
    updateStatusTextWithRHOResponse(response);
    updateBalanceInBuyPanel(response);
    updatePaymentTypeInBuyPanel(response);
    updatePurchaseAmounts(response);
}

void TolvaneGUIController::updateStatusTextWithRHOResponse(const std::shared_ptr<QVRHOResponse> &response)
{
    if (!response || response->returnCode() != 1) {
        m_statusText = QStringLiteral("Status not loaded");
    } else {
        const QStringList lines = {
            QString::number(response->serialNumber()),
            response->balanceString(),
            QString::number(response->piececount()),
            QStringLiteral("%1 %2 %3").arg(response->licenseCity(), response->licenseState(), response->licenseZIP5()),
            response->accountStatusWord(),
            shortDateTime(response->returnDateTime()),
            response->softwareModel(),
        };
        m_statusText = lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
    }
    changed();
}

void TolvaneGUIController::updateBalanceInBuyPanel(const std::shared_ptr<QVRHOResponse> &response)
{
    if (response && response->returnCode() == 1) {
        m_buy.balance = response->balanceString();
        m_lastKnownBalance = {QString::number(response->serialNumber()), m_buy.balance};
    } else if (m_lastKnownBalance && m_ec && m_lastKnownBalance->first == m_ec->userid()) {
        // A refused or failed status says nothing of the balance: the one
        // last known for the account signed in stands.
        m_buy.balance = m_lastKnownBalance->second;
    } else {
        m_buy.balance = QStringLiteral("$0.00");
    }
    changed();
}

void TolvaneGUIController::updatePaymentTypeInBuyPanel(const std::shared_ptr<QVRHOResponse> &response)
{
    const QVariantMap values{{QStringLiteral("ccType"), response ? response->ccTypeWord() : QString()}};
    m_buy.paymentType =
        stringByReplacingKeysInDictionary(PaymentTypeTemplate, values, QStringLiteral("<%"), QStringLiteral("%>"));
    changed();
}

void TolvaneGUIController::updatePurchaseAmounts(const std::shared_ptr<QVRHOResponse> &response)
{
    const auto information = QVRHOAccountInformationCommandCenter::commandCenter();
    const Decimal vaultLimit = information->vaultLimit();
    const Decimal purchaseLimit = information->purchaseLimit();
    const Decimal balance = response ? response->balanceDecimalNumber() : Decimal();
    m_buy.amountTitles.clear();
    for (qsizetype i = 0; i < purchaseAmountArray().size(); ++i) {
        const Decimal amount = Decimal::fromMils(purchaseAmountArray().at(i));
        if (i == 0 || (amount <= purchaseLimit && amount + balance <= vaultLimit))
            m_buy.amountTitles << dollarText(amount);
    }
    if (m_buy.selectedAmount >= m_buy.amountTitles.size())
        m_buy.selectedAmount = 0;
    changed();
}

// ---- Buy postage ---------------------------------------------------------------------

void TolvaneGUIController::showBuyPostagePanel()
{
    m_buy.partnerBoxVisible =
        QVBRKLabelServerCommandCenter::isAllowed() && QVBRKLabelServerCommandCenter::isAuthenticated();
    m_buy.partnerBoxOn = false;
    m_buy.open = true;
    changed();
    if (m_view)
        m_view->runModal(TolvanePanelWindow::BuyPostage);
}

bool TolvaneGUIController::refuseUnsetAccount()
{
    const std::shared_ptr<QVRHOResponse> status = m_ec->lastValidStatusResponse();
    if (!status || status->accountStatus() != QLatin1String("V"))
        return false;
    alert(QStringLiteral("Your Postwell account has not been set up."),
          QStringLiteral("Your passphrase has not been changed from its initial setting, the account setup wizard "
                         "will now launch."));
    tolvaneAccountHost()->showTolvaneWizard();
    return true;
}

void TolvaneGUIController::buyPostage()
{
    const int index = qBound(0, m_buy.selectedAmount, int(purchaseAmountArray().size()) - 1);
    const qint64 mils = purchaseAmountArray().at(index);
    const Decimal dollars = Decimal::fromMils(mils);
    const QString amountText = twoDigitDollarFormatter().stringFromNumber(dollars);
    if (m_buy.partnerBoxOn) {
        const auto partner = QVBRKLabelServerCommandCenter::commandCenter();
        const std::optional<QVXMLDocument> reply = partner->postageBuyForAmount(Decimal::fromString(amountText));
        const QString status = reply ? xpathText(*reply, QStringLiteral("//*:Status")) : QString();
        if (reply && status == QLatin1String("0")) {
            toggleBriskoOne();
            return;
        }
        const QString message =
            reply ? xpathText(*reply, QStringLiteral("//*:ErrorMessage")) : partner->lastErrorDescription();
        alert(kPurchaseUnsuccessful,
              QStringLiteral("Your postage purchase for $%1 was not successful due to error %2.\n\n%3")
                  .arg(amountText, reply ? status : partner->lastErrorCode(), message));
        return;
    }
    if (refuseUnsetAccount())
        return;
    const std::shared_ptr<TolvaneAccountHost> host = tolvaneAccountHost();
    host->setProgressTextString(QStringLiteral("Buying postage…"));
    const std::shared_ptr<QVRHOResponse> reply = m_ec->postageBuy(mils);
    host->hideProgressPanel();
    if (reply && reply->returnCode() == 1) {
        const QDateTime now = QDateTime::currentDateTime();
        const QVShipment record =
            purchaseRecord(qint64(reply->serialNumber()), reply->meterID(), reply->balanceString(), amountText, now);
        if (!sharedMailingLog()->writeShipmentToLog(record))
            alert(QStringLiteral("The purchase could not be logged."),
                  QStringLiteral("Your postage purchase for $%1 was successful, but the mailing log could not be "
                                 "saved.")
                      .arg(amountText));
        informationalAlert(QStringLiteral("Postage Purchase Complete"),
                           QStringLiteral("Your postage purchase for $%1 was successful and your balance is now %2.")
                               .arg(amountText, reply->balanceString()));
        host->refreshTolvaneStatus();
        m_buy.open = false;
        changed();
        if (m_view)
            m_view->stopModal(TolvanePanelWindow::BuyPostage);
        return;
    }
    if (reply)
        alert(kPurchaseUnsuccessful,
              QStringLiteral("Your postage purchase for $%1 was not successful due to error %2.\n\n%3")
                  .arg(amountText)
                  .arg(reply->returnCode())
                  .arg(reply->errorDescription()));
    else
        alert(kPurchaseUnsuccessful,
              QStringLiteral("Your postage purchase for $%1 was not successful due to an Internet connection error. "
                             "Please verify that your Internet connection is working and try again.\n\nError:%2")
                  .arg(amountText, m_ec->lastErrorDescription()));
}

void TolvaneGUIController::toggleBriskoOne()
{
    if (m_buy.partnerBoxOn) {
        if (const std::optional<QVXMLDocument> status =
                QVBRKLabelServerCommandCenter::commandCenter()->accountStatus()) {
            const QVXMLNode balance =
                qv_nodeForAnyPrefixXPath(status->rootElement(), QStringLiteral("//*:PostageBalance"));
            if (!balance.isNull())
                m_buy.balance = QStringLiteral("$") + balance.stringValue();
        }
        changed();
        return;
    }
    tolvaneStatusDidChange(m_ec->lastValidStatusResponse());
}

// ---- Pass phrase -------------------------------------------------------------------------

void TolvaneGUIController::showChangePasswordPanel(TolvanePanelWindow window)
{
    showChangePasswordSheetForWindow(window, false);
}

void TolvaneGUIController::showForceChangePasswordPanel(TolvanePanelWindow window)
{
    showChangePasswordSheetForWindow(window, true);
}

void TolvaneGUIController::showChangePasswordSheetForWindow(TolvanePanelWindow window, bool forceText,
                                                            std::function<void()> didEnd)
{
    m_change.savePassPhrase = defaults().boolForKey(QVRHOSavePasswordDefaultsKey);
    m_change.forceTextShown = forceText;
    m_change.currentPassPhrase.clear();
    m_change.newPassPhrase.clear();
    m_change.confirmation.clear();
    m_change.window = window;
    m_change.open = true;
    m_changeDidEnd = std::move(didEnd);
    changed();
}

bool TolvaneGUIController::passwordPrescreen()
{
    if (m_change.currentPassPhrase != m_ec->password()) {
        alert(QStringLiteral("Current pass phrase incorrect."),
              QStringLiteral("Your current pass phrase did not match."));
        return false;
    }
    if (m_change.newPassPhrase.size() <= 4) {
        alert(QStringLiteral("Pass phrase must be 5 characters."),
              QStringLiteral("Your new pass phrase must be at least 5 characters long."));
        return false;
    }
    if (m_change.newPassPhrase != m_change.confirmation) {
        alert(QStringLiteral("New password did not match."),
              QStringLiteral("Your new password was entered incorrectly."));
        return false;
    }
    return true;
}

void TolvaneGUIController::endChangeSheet()
{
    m_change.open = false;
    std::function<void()> didEnd = std::move(m_changeDidEnd);
    m_changeDidEnd = {};
    changed();
    if (didEnd)
        didEnd();
}

void TolvaneGUIController::changePassword()
{
    if (!passwordPrescreen())
        return;
    defaults().setBool(m_change.savePassPhrase, QVRHOSavePasswordDefaultsKey);
    const std::shared_ptr<QVRHOResponse> reply = m_ec->changePasswordTo(m_change.newPassPhrase);
    const quint32 code = reply ? reply->returnCode() : 0;
    if (code == 1) {
        informationalAlert(QStringLiteral("Your pass phrase change was successful."),
                           QStringLiteral("Your new pass phrase is now linked to your Tolvane account."));
        m_ec->setPassword(m_change.newPassPhrase);
        const bool onSignIn = m_change.window == TolvanePanelWindow::SignIn;
        if (onSignIn)
            m_signIn.passPhrase = m_change.newPassPhrase;
        endChangeSheet();
        if (onSignIn)
            stopSignInPanel();
    } else {
        alert(kChangeUnsuccessful,
              QStringLiteral("Your pass phrase could not be changed.\n\nError %1: %2")
                  .arg(code)
                  .arg(QVRHOCommandCenter::errorDescriptionForReturnCode(int(code))));
    }
    tolvaneAccountHost()->refreshTolvaneStatus();
}

void TolvaneGUIController::cancelChangePassword() { endChangeSheet(); }

void TolvaneGUIController::showResetPasswordSheetOnSendersWindow(TolvanePanelWindow window)
{
    m_ec->setUseridAndPassword(m_signIn.account, m_signIn.passPhrase);
    if (m_canResetPassword) {
        showResetPasswordSheetOnWindow(window, [this] {
            m_signIn.passPhrase.clear();
            changed();
        });
        return;
    }
    Alert refusal = alertWithText(QStringLiteral("Reset pass phrase for account %1.").arg(m_ec->userid()),
                                  QStringLiteral("You need to try to login at least once before you can reset your "
                                                 "pass phrase."));
    refusal.buttons = {{QStringLiteral("OK"), 1}};
    runAlert(refusal);
}

void TolvaneGUIController::showResetPasswordSheetOnWindow(TolvanePanelWindow window,
                                                          std::function<void()> clearPassPhraseField)
{
    (void)window;
    Alert sheet = alertWithText(QStringLiteral("Reset pass phrase for account %1.").arg(m_ec->userid()),
                                QStringLiteral("If you have forgotten your pass phrase you can reset it to be the "
                                               "credit card number currently on file for the account."));
    sheet.buttons = {{QStringLiteral("Reset"), 1}, {QStringLiteral("Cancel"), 0}};
    sheet.cancelAnswer = 0;
    if (runAlert(sheet) != 1)
        return;
    const std::shared_ptr<QVRHOResponse> reply = m_ec->resetPassword();
    if (reply && reply->returnCode() == 1)
        informationalAlert(
            QStringLiteral("Your pass phrase reset was successful."),
            QStringLiteral("Your pass phrase has been reset to the credit card number on file for the account."));
    else if (reply)
        alert(kChangeUnsuccessful,
              QStringLiteral("Your pass phrase could not be changed.\n\nError:%1\n\n%2")
                  .arg(reply->returnCode())
                  .arg(reply->errorDescription()));
    else
        alert(kChangeUnsuccessful,
              QStringLiteral("Your pass phrase could not be changed.\n\nError:%1\n\n%2")
                  .arg(m_ec->lastErrorCode(), m_ec->lastErrorDescription()));
    if (clearPassPhraseField)
        clearPassPhraseField();
}
