#pragma once
// The postage account's status refresh of the application delegate
// (refreshTolvaneStatus:) and what it does with the answer: the error and
// incompatible-account alerts, the warning of an e-mail address the vendor
// cannot reach, and the automatic purchase of postage when the balance falls
// to the threshold; and the account set-up wizard it may start.
//
// refreshTolvaneStatus(sender):
//   1. The first call of the object sends nothing: it posts the client's last
//      valid status (QVRHOLastValidStatusResponseDidChange). Every later
//      call shows "Refreshing Postwell Status…", asks the server for the
//      status and, when a control sent it, refreshes the account information.
//   2. Unless the postage client uses a test server, the label-server client
//      gets its account and pass phrase. 3. The progress panel is hidden.
//   4. No reply: stop. 5. A return code other than 1: the error alert.
//   6. Flags of 3 characters or fewer: stop.
//   7. Neither a Mac nor a maker-edition account: the incompatibility alert
//      (naming the support address of the user default
//      "supportEmailAddress", by default under the reserved .invalid
//      domain), then the wizard.
//   8. The fourth flag "N" or "U", unless "tolvaneEmailNotWorkingRemindLaterDate"
//      is in the future: the e-mail warning; "Remind Me Later" silences it
//      for 86,400 seconds, the other button opens the account page.
//   9.-12. Automatic purchase ("autoPurchase", "autoPurchaseThreshold",
//      "autoPurchaseAmount", decimal texts in dollars) when the balance is at
//      or below the threshold: the amount in mils, exactly (never through a
//      binary float); an amount that is not a positive number buys nothing
//      and is written to the console. Success writes the purchase record to
//      the mailing log; a failure is an alert, silent in automation mode.
//      After any attempt the status is asked once more.
// Everything it shows goes through the dialogs interface and the host.
#include "platform/Decimal.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

inline const QString QVAutoPurchaseKey = QStringLiteral("autoPurchase");
inline const QString QVAutoPurchaseThresholdKey = QStringLiteral("autoPurchaseThreshold");
inline const QString QVAutoPurchaseAmountKey = QStringLiteral("autoPurchaseAmount");
inline const QString QVEmailNotWorkingRemindLaterDateKey = QStringLiteral("tolvaneEmailNotWorkingRemindLaterDate");
// The vendor's support address named in the incompatibility text.
inline const QString QVSupportEmailAddressKey = QStringLiteral("supportEmailAddress");
inline const QString QVSupportEmailAddressBuiltIn = QStringLiteral("support@tolvane.invalid");

// What the refresh reads of a postage-server reply.
struct QVPostageReply {
    quint32 returnCode = 0;
    QString flags;
    bool macAccount = false;
    bool makerEditionAccount = false;
    Decimal balance;
    quint32 serialNumber = 0;
    QString meterID;
    QString balanceString;
    QString errorDescription;
};

// The postage-server client as the shell uses it (the real one:
// rhoPostageAccount(); tests give a fake).
class QVPostageAccount
{
public:
    virtual ~QVPostageAccount() = default;
    virtual std::optional<QVPostageReply> lastValidStatusResponse() = 0;
    // Posts QVRHOLastValidStatusResponseDidChange with the last valid reply.
    virtual void postLastValidStatusResponse() = 0;
    virtual std::optional<QVPostageReply> status() = 0;
    virtual std::optional<QVPostageReply> postageBuy(qint64 mils) = 0;
    virtual std::optional<QVPostageReply> electronicRefund(qint64 pieceNumber) = 0;
    virtual QString lastErrorDescription() = 0;
    virtual bool testServer() = 0;
    // The label-server client takes the postage client's account and pass
    // phrase.
    virtual void giveLabelServerCredentials() = 0;
};

// The shared postage-server client (QVRHOCommandCenter).
std::shared_ptr<QVPostageAccount> rhoPostageAccount();

// What the refresh asks of the rest of the program.
class QVAccountStatusHost
{
public:
    virtual ~QVAccountStatusHost() = default;
    virtual void showProgress(const QString &text) = 0;
    virtual void hideProgress() = 0;
    virtual bool isAutomation() = 0;
    virtual void refreshAccountInformation() = 0;
    // The account page on the vendor's site (launchAccountOnTolvaneDotCom:).
    virtual void launchAccountOnTolvaneDotCom() = 0;
    virtual QDateTime now() { return QDateTime::currentDateTime(); }
};

// The account set-up wizard: runs its window application-modal and calls
// didClose when the window closes.
class QVTolvaneWizard
{
public:
    virtual ~QVTolvaneWizard() = default;
    virtual void runModal(std::function<void()> didClose) = 0;
};

enum class QVRefreshSender {
    Control, // a button or similar control of a window
    Other    // a menu item, the print road, a timer, the program itself
};

class QVAccountStatus
{
public:
    QVAccountStatus(std::shared_ptr<QVPostageAccount> account, QVAccountStatusHost &host);

    void refreshTolvaneStatus(QVRefreshSender sender);

    // showTolvaneWizard: a new wizard from the factory, kept until its
    // window closes. Without a factory the console says so.
    using WizardFactory = std::function<std::shared_ptr<QVTolvaneWizard>()>;
    void setWizardFactory(WizardFactory factory) { m_wizardFactory = std::move(factory); }
    void showTolvaneWizard();
    std::shared_ptr<QVTolvaneWizard> wizard() const { return m_wizard; }

    // The informative text of the incompatibility alert.
    static QString incompatibleAccountText();

private:
    void buyPostageIfLow(const QVPostageReply &status);
    void warnOfEmailNotWorking();

    std::shared_ptr<QVPostageAccount> m_account;
    QVAccountStatusHost &m_host;
    WizardFactory m_wizardFactory;
    std::shared_ptr<QVTolvaneWizard> m_wizard;
    bool m_firstCallDone = false;
};
