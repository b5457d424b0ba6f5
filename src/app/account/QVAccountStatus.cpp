#include "app/account/QVAccountStatus.h"

#include "model/MailingLogServices.h"
#include "model/NumericFormatters.h"
#include "model/QVShipment.h"
#include "platform/Dialogs.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOLabelServerCommandCenter.h"
#include "services/QVShipmentRHOExtras.h"

#include <QDebug>

namespace {

// "Remind Me Later" silences the e-mail warning this long.
constexpr qint64 kRemindLaterSeconds = 86400;

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

QVPostageReply replyOf(const QVRHOResponse &response)
{
    QVPostageReply reply;
    reply.returnCode = response.returnCode();
    reply.flags = response.flags();
    reply.macAccount = response.isMacAccount();
    reply.makerEditionAccount = response.isKIVOAccount();
    reply.balance = response.balanceDecimalNumber();
    reply.serialNumber = response.serialNumber();
    reply.meterID = response.meterID();
    reply.balanceString = response.balanceString();
    reply.errorDescription = response.errorDescription();
    return reply;
}

std::optional<QVPostageReply> replyOf(const std::shared_ptr<QVRHOResponse> &response)
{
    if (!response)
        return std::nullopt;
    return replyOf(*response);
}

class RHOPostageAccount final : public QVPostageAccount
{
public:
    std::optional<QVPostageReply> lastValidStatusResponse() override
    {
        return replyOf(client()->lastValidStatusResponse());
    }
    void postLastValidStatusResponse() override
    {
        // The desktop has no notification centre shared between programs:
        // the process's own observers hear of it.
        const auto response = client()->lastValidStatusResponse();
        NotificationCenter::defaultCenter().post(QVRHOLastValidStatusResponseDidChange, NotificationObject(response));
    }
    std::optional<QVPostageReply> status() override { return replyOf(client()->status()); }
    std::optional<QVPostageReply> postageBuy(qint64 mils) override { return replyOf(client()->postageBuy(mils)); }
    std::optional<QVPostageReply> electronicRefund(qint64 pieceNumber) override
    {
        return replyOf(client()->electronicRefund(pieceNumber));
    }
    QString lastErrorDescription() override { return client()->lastErrorDescription(); }
    bool testServer() override { return client()->testServer(); }
    void giveLabelServerCredentials() override
    {
        const auto postage = client();
        QVRHOLabelServerCommandCenter::commandCenter()->setUseridAndPassword(postage->userid(), postage->password());
    }

private:
    static std::shared_ptr<QVRHOCommandCenter> client() { return QVRHOCommandCenter::commandCenter(); }
};

void showAlert(const QString &message, const QString &informative) { runAlert(alertWithText(message, informative)); }

} // namespace

std::shared_ptr<QVPostageAccount> rhoPostageAccount() { return std::make_shared<RHOPostageAccount>(); }

QVAccountStatus::QVAccountStatus(std::shared_ptr<QVPostageAccount> account, QVAccountStatusHost &host)
    : m_account(std::move(account)), m_host(host)
{}

QString QVAccountStatus::incompatibleAccountText()
{
    QString address = defaults().stringForKey(QVSupportEmailAddressKey).trimmed();
    if (address.isEmpty())
        address = QVSupportEmailAddressBuiltIn;
    return QStringLiteral("Tolvane for Mac can only access Postwell postage accounts that have been configured for "
                          "the Mac platform. Please contact %1 to have your account configured for the Mac.")
        .arg(address);
}

void QVAccountStatus::refreshTolvaneStatus(QVRefreshSender sender)
{
    std::optional<QVPostageReply> reply;
    if (!m_firstCallDone) {
        m_firstCallDone = true;
        reply = m_account->lastValidStatusResponse();
        m_account->postLastValidStatusResponse();
    } else {
        m_host.showProgress(QStringLiteral("Refreshing Postwell Status") + QChar(0x2026));
        reply = m_account->status();
        if (sender == QVRefreshSender::Control)
            m_host.refreshAccountInformation();
    }
    if (!m_account->testServer())
        m_account->giveLabelServerCredentials();
    m_host.hideProgress();

    if (!reply)
        return;
    if (reply->returnCode != 1) {
        showAlert(QStringLiteral("Error connecting to Postwell server"),
                  QStringLiteral("Tolvane was unable to authenticate your postage account due to error:\n\n%1")
                      .arg(reply->returnCode));
        return;
    }
    if (reply->flags.size() <= 3)
        return;
    if (!reply->macAccount && !reply->makerEditionAccount) {
        showAlert(QStringLiteral("Your Postwell account is not compatible."), incompatibleAccountText());
        showTolvaneWizard();
        return;
    }
    const QChar emailFlag = reply->flags.at(3);
    if (emailFlag == QLatin1Char('N') || emailFlag == QLatin1Char('U'))
        warnOfEmailNotWorking();
    buyPostageIfLow(*reply);
}

void QVAccountStatus::warnOfEmailNotWorking()
{
    const QVariant later = defaults().objectForKey(QVEmailNotWorkingRemindLaterDateKey);
    const QDateTime now = m_host.now();
    if (later.typeId() == QMetaType::QDateTime && later.toDateTime() > now)
        return;
    defaults().removeObjectForKey(QVEmailNotWorkingRemindLaterDateKey);
    Alert alert = alertWithText(QStringLiteral("Your email address is not working."),
                                QStringLiteral("The email address provided when you signed up for your Postwell "
                                               "postage account is not working. Please verify your current email "
                                               "address by accessing your account."));
    alert.buttons = {{QStringLiteral("Access Your Account on Postwell"), 1}, {QStringLiteral("Remind Me Later"), 0}};
    alert.cancelAnswer = 0;
    if (runAlert(alert) == 1)
        m_host.launchAccountOnTolvaneDotCom();
    else
        defaults().setObject(now.addSecs(kRemindLaterSeconds), QVEmailNotWorkingRemindLaterDateKey);
}

void QVAccountStatus::buyPostageIfLow(const QVPostageReply &status)
{
    if (!defaults().boolForKey(QVAutoPurchaseKey))
        return;
    const QString thresholdText = defaults().stringForKey(QVAutoPurchaseThresholdKey);
    const QString amountText = defaults().stringForKey(QVAutoPurchaseAmountKey);
    if (thresholdText.isEmpty() || amountText.isEmpty())
        return;
    const std::optional<Decimal> threshold = Decimal::parse(thresholdText);
    if (!threshold || status.balance.isNaN() || *threshold < status.balance)
        return;
    // The amount in whole mils, exactly ("16.05" is 16,050 mils).
    const std::optional<Decimal> amount = Decimal::parse(amountText);
    const std::optional<qint64> mils =
        amount ? amount->rounded(3, Decimal::RoundingMode::Down).toMils() : std::optional<qint64>();
    if (!mils || *mils <= 0) {
        qWarning().noquote() << QStringLiteral("Automatic purchase: the amount \"%1\" is not a positive number; "
                                               "nothing is bought.")
                                    .arg(amountText);
        return;
    }
    const QString dollars = twoDigitDollarFormatter().stringFromNumber(Decimal::fromMils(*mils));
    const std::optional<QVPostageReply> purchase = m_account->postageBuy(*mils);
    if (purchase && purchase->returnCode == 1) {
        const QDateTime now = m_host.now();
        sharedMailingLog()->writeShipmentToLog(
            purchaseRecord(qint64(status.serialNumber), purchase->meterID, purchase->balanceString, dollars, now));
    } else if (!m_host.isAutomation()) {
        const QString informative = purchase
            ? QStringLiteral("Your postage purchase for $%1 was not successful due to error %2.\n\n%3")
                  .arg(dollars)
                  .arg(purchase->returnCode)
                  .arg(purchase->errorDescription)
            : QStringLiteral("Your postage purchase for $%1 was not successful due to an Internet connection "
                             "error. Please verify that your Internet connection is working and try "
                             "again.\n\nError:%2")
                  .arg(dollars, m_account->lastErrorDescription());
        showAlert(QStringLiteral("Postage Purchase Unsuccessful"), informative);
    }
    m_account->status();
}

void QVAccountStatus::showTolvaneWizard()
{
    if (!m_wizardFactory) {
        qWarning().noquote() << "The account set-up wizard is not part of this build.";
        return;
    }
    m_wizard = m_wizardFactory();
    if (!m_wizard)
        return;
    const std::weak_ptr<QVTolvaneWizard> running = m_wizard;
    m_wizard->runModal([this, running] {
        // Only the wizard that is kept is let go.
        if (running.lock() == m_wizard)
            m_wizard.reset();
    });
}
