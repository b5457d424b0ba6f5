#include "app/preferences/KIVOPreferencesController.h"

#include "app/account/TolvaneGUIController.h"
#include "platform/Bundle.h"
#include "platform/Credentials.h"
#include "platform/Decimal.h"
#include "platform/Dialogs.h"
#include "platform/UserDefaults.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOResponse.h"

namespace {

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

void alert(const QString &message, const QString &informative) { runAlert(alertWithText(message, informative)); }

} // namespace

KIVOPreferencesController::KIVOPreferencesController(TolvaneGUIController &panels)
    : m_panels(panels), m_ec(QVRHOCommandCenter::commandCenter())
{}

const QList<KIVOThresholdItem> &KIVOPreferencesController::thresholdItems()
{
    static const QList<KIVOThresholdItem> items = {
        {QStringLiteral("$10.00"), 10},
        {QStringLiteral("$25.00"), 25},
        {QStringLiteral("$50.00"), 50},
        {QStringLiteral("$100.00"), 100},
    };
    return items;
}

void KIVOPreferencesController::changed()
{
    if (m_view)
        m_view->stateChanged();
}

void KIVOPreferencesController::showWindow()
{
    m_state.accountNumber = m_ec->userid();
    m_state.passPhrase = m_ec->password();
    m_state.savePassPhrase = defaults().boolForKey(QVRHOSavePasswordDefaultsKey);
    m_state.thresholdReminderBox = !defaults().boolForKey(KIVOStampsThresholdReminderKey);
    const std::optional<Decimal> stored = Decimal::parse(defaults().stringForKey(KIVOStampsThresholdKey));
    const qint64 tag = stored ? stored->toInt64().value_or(0) : 0;
    for (qsizetype i = 0; i < thresholdItems().size(); ++i)
        if (thresholdItems().at(i).tag == tag)
            m_state.selectedThreshold = int(i);
    m_state.open = true;
    changed();
    if (m_view)
        m_view->runModal();
}

void KIVOPreferencesController::setThresholdSettings()
{
    defaults().setBool(!m_state.thresholdReminderBox, KIVOStampsThresholdReminderKey);
    const int index = qBound(0, m_state.selectedThreshold, int(thresholdItems().size()) - 1);
    defaults().setString(QString::number(thresholdItems().at(index).tag), KIVOStampsThresholdKey);
}

void KIVOPreferencesController::close()
{
    m_state.open = false;
    changed();
    if (m_view)
        m_view->close();
}

void KIVOPreferencesController::windowWillClose()
{
    m_state.open = false;
    changed();
}

void KIVOPreferencesController::ok()
{
    const bool wasSaving = defaults().boolForKey(QVRHOSavePasswordDefaultsKey);
    defaults().setBool(m_state.savePassPhrase, QVRHOSavePasswordDefaultsKey);
    const bool verify = m_state.accountNumber != m_ec->userid() || m_state.passPhrase != m_ec->password() ||
        (m_state.savePassPhrase && !wasSaving);
    if (verify) {
        if (m_state.savePassPhrase && !TolvaneGUIController::unlockCredentialStore())
            return;
        const bool accepted = m_ec->tryNewUseridPassword(m_state.accountNumber, m_state.passPhrase);
        const std::shared_ptr<QVRHOResponse> reply = m_ec->lastValidStatusResponse();
        if (!accepted || !reply || !reply->isMacAccount()) {
            if (m_ec->lastErrorCode() == QLatin1String("507"))
                alert(QStringLiteral("The Pass Phrase you entered was not correct."),
                      QStringLiteral("Make sure that you are entering the Pass Phrase exactly as you typed it "
                                     "originally (including capitalization)."));
            else if (accepted)
                alert(QStringLiteral("Your Postwell account is not compatible."),
                      TolvaneGUIController::incompatibleAccountText(
                          QStringLiteral("This application can only access Postwell postage accounts that have been "
                                         "configured for the Mac platform.")));
            else if (m_ec->lastErrorCode() == QLatin1String("-1201"))
                alert(QStringLiteral("Could not validate account"),
                      QStringLiteral("Your system clock seems to be set to an incorrect date. Please verify the date "
                                     "in System Preferences and try again.\n\nError %1")
                          .arg(m_ec->lastErrorCode()));
            else
                alert(QStringLiteral("Could not validate account"),
                      QStringLiteral("Your account information is incorrect. Please Try Again.\n\nError %1: %2")
                          .arg(m_ec->lastErrorCode(), m_ec->lastErrorDescription()));
            return;
        }
        if (reply->isKIVOAccount() != defaults().boolForKey(QVRHOStampsVersionDefaultsKey)) {
            m_ec->setUserid(m_state.accountNumber);
            TolvaneGUIController::showAccountTypeChanged(reply->isKIVOAccount());
            return;
        }
        m_ec->setUseridAndPassword(m_state.accountNumber, m_state.passPhrase);
        if (reply->accountStatus() == QLatin1String("V")) {
            m_panels.showChangePasswordSheetForWindow(TolvanePanelWindow::StampsPreferences, true);
            return;
        }
    }
    setThresholdSettings();
    close();
}

// ---- About box ------------------------------------------------------------------------

namespace {

std::unique_ptr<KIVOAboutBoxController> &currentAboutBox()
{
    static std::unique_ptr<KIVOAboutBoxController> box;
    return box;
}

KIVOAboutBoxController::ViewFactory &aboutBoxViewFactory()
{
    static KIVOAboutBoxController::ViewFactory factory;
    return factory;
}

} // namespace

KIVOAboutBoxController::~KIVOAboutBoxController() = default;

void KIVOAboutBoxController::setViewFactory(ViewFactory factory) { aboutBoxViewFactory() = std::move(factory); }

KIVOAboutBoxController *KIVOAboutBoxController::current() { return currentAboutBox().get(); }

void KIVOAboutBoxController::showWindow()
{
    if (KIVOAboutBoxController *box = current()) {
        if (box->m_view)
            box->m_view->bringToFront();
        return;
    }
    currentAboutBox() = std::make_unique<KIVOAboutBoxController>();
    KIVOAboutBoxController &box = *currentAboutBox();
    box.windowDidLoad();
    if (aboutBoxViewFactory())
        box.m_view = aboutBoxViewFactory()(box);
    if (box.m_view)
        box.m_view->show(box.m_state);
}

QString KIVOAboutBoxController::versionString()
{
    return QStringLiteral("%1 (%2)").arg(Bundle::shortVersionString(), Bundle::bundleVersion());
}

void KIVOAboutBoxController::windowDidLoad()
{
    if (defaults().boolForKey(QStringLiteral("zpmVersion"))) {
        m_state.imageName = QStringLiteral("zpm-about-box");
        m_state.productName = QStringLiteral("Kivo Zevavored Azozudu\nPowered by Tolvane");
    }
    m_state.versionField = versionString();
    m_state.open = true;
}

void KIVOAboutBoxController::windowWillClose()
{
    m_state.open = false;
    if (currentAboutBox().get() == this)
        currentAboutBox().reset();
}
