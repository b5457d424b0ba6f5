#include "app/shell/QVXControllerActions.h"

#include "app/shell/LaunchServices.h"
#include "app/mainwindow/MasterToolbar.h"
#include "app/shell/QVMenus.h"
#include "app/shell/QVURLHandler.h"
#include "app/shell/QVXController.h"
#include "platform/UserDefaults.h"
#include "printing/flow/QVPrintFlowServices.h"

#include <QUrl>

namespace {

const QString kOpenAddressBookAction = QStringLiteral("openAddressBook:");
const QString kUsePostageReminderKey = QStringLiteral("usePostageReminder");

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

} // namespace

QVXControllerActions::QVXControllerActions(QVXController &delegate, QVMainViewHost &views,
                                           std::shared_ptr<QVPostageAccount> account, QVDelegateActionHooks hooks)
    : m_delegate(delegate), m_views(views), m_hooks(std::move(hooks)), m_modes(views),
      m_status(std::move(account), *this)
{
    // The check mark follows every change of the settings.
    m_defaultsObserver = NotificationCenter::defaultCenter().addObserver(
        NSUserDefaultsDidChangeNotification, [this](const Notification &) { readFromDefaults(); });
}

QVXControllerActions::~QVXControllerActions() = default;

// ---- Printing modes -----------------------------------------------------------

void QVXControllerActions::setCurrentPrintingMode(const QString &mode)
{
    m_modes.setCurrentPrintingMode(mode);
    modesChanged();
}

void QVXControllerActions::modesChanged()
{
    m_delegate.setCurrentMode(m_modes.currentPrintingMode());
    if (m_tray)
        m_tray->update();
    applyMenuValidation();
}

void QVXControllerActions::applyMenuValidation()
{
    if (!m_menuActions)
        return;
    if (validateMenuItem(kOpenAddressBookAction))
        m_menuActions->setHandler(kOpenAddressBookAction, [this](const QVMenuItem &) { openAddressBook(); });
    else
        m_menuActions->removeHandler(kOpenAddressBookAction);
}

void QVXControllerActions::swapMainViews()
{
    m_modes.swapMainViews();
    modesChanged();
}

void QVXControllerActions::swapMode()
{
    const int mode = m_hooks.stampMode ? m_hooks.stampMode() : 1;
    call(mode == 1 ? m_hooks.chooseRolls : m_hooks.chooseSheets);
    modesChanged();
}

void QVXControllerActions::openAddressBook()
{
    if (m_modes.currentPrintingMode() != QVStandardPrintingMode)
        return;
    m_views.makeMainWindowKeyAndFront();
    call(m_hooks.toggleAddressDrawer);
}

void QVXControllerActions::showKIVOQuickStamps() { call(m_hooks.showQuickPrintPanel); }

QList<QVDockMenuItem> QVXControllerActions::dockMenuItems() const
{
    const QList<Decimal> postage = m_hooks.quickPrintPostage ? m_hooks.quickPrintPostage() : QList<Decimal>();
    if (postage.size() < 3)
        return {};
    return ::dockMenuItems(m_delegate.isStampsEdition(), m_hooks.stampMode ? m_hooks.stampMode() : 1, postage.at(0),
                           postage.at(1), postage.at(2));
}

void QVXControllerActions::installTrayMenu()
{
    if (m_tray || !m_delegate.isStampsEdition())
        return;
    m_tray = std::make_unique<QVStampsTrayMenu>([this] { return dockMenuItems(); },
                                                [this](const QString &action) {
                                                    if (m_hooks.performQuickPrint)
                                                        m_hooks.performQuickPrint(action);
                                                });
    m_tray->update();
}

// ---- Postage and the account ------------------------------------------------------

void QVXControllerActions::readFromDefaults()
{
    if (m_hooks.setUsePostageChecked)
        m_hooks.setUsePostageChecked(defaults().boolForKey(QVUsePostageKey));
}

void QVXControllerActions::usePostageItemChosen(bool fromUsePostageItem)
{
    if (!fromUsePostageItem)
        return;
    const bool usePostage = !defaults().boolForKey(QVUsePostageKey);
    defaults().setBool(usePostage, QVUsePostageKey);
    if (!usePostage)
        m_delegate.infoAlertForKey(kUsePostageReminderKey, true);
    call(m_hooks.updateMainWindow);
}

void QVXControllerActions::showProgress(const QString &text) { m_delegate.setProgressTextString(text); }

void QVXControllerActions::hideProgress() { m_delegate.hideProgressPanel(); }

bool QVXControllerActions::isAutomation() { return m_delegate.isAutomation(); }

void QVXControllerActions::refreshAccountInformation() { m_delegate.refreshAccountInfo(); }

QDateTime QVXControllerActions::now()
{
    const QVXControllerHooks &hooks = m_delegate.hooks();
    return hooks.now ? hooks.now() : QDateTime::currentDateTime();
}

// ---- Validation -------------------------------------------------------------------

bool QVXControllerActions::validateMenuItem(const QString &action) const
{
    if (action == kOpenAddressBookAction)
        return m_modes.currentPrintingMode() == QVStandardPrintingMode;
    return true;
}

bool QVXControllerActions::validateToolbarItem(const QString &identifier) const
{
    if (identifier == ToolbarItem::ChoosePrinter)
        return m_modes.currentPrintingMode() != QVTessaroPrintingMode;
    return true;
}

// ---- Joining ----------------------------------------------------------------------

void QVXControllerActions::registerActions(QVMenuActions &actions)
{
    const auto on = [&actions](const QString &action, std::function<void(const QVMenuItem &)> handler) {
        actions.setHandler(action, std::move(handler));
    };
    on(QStringLiteral("showLabels:"), [this](const QVMenuItem &) { showLabels(); });
    on(QStringLiteral("showTessaro:"), [this](const QVMenuItem &) { showTessaro(); });
    on(QStringLiteral("swapMainViews:"), [this](const QVMenuItem &) { swapMainViews(); });
    on(QStringLiteral("swapMode:"), [this](const QVMenuItem &) { swapMode(); });
    on(QStringLiteral("showKIVOQuickStamps:"), [this](const QVMenuItem &) { showKIVOQuickStamps(); });
    on(QStringLiteral("usePostageItemChosen:"),
       [this](const QVMenuItem &item) { usePostageItemChosen(item.identifier == QVUsePostageMenuItemIdentifier); });
    on(QStringLiteral("showBuyPostagePanel:"), [this](const QVMenuItem &) { showBuyPostagePanel(); });
    on(QStringLiteral("showChangePasswordPanel:"), [this](const QVMenuItem &) { showChangePasswordPanel(); });
    on(QStringLiteral("showAccountStatusPanel:"), [this](const QVMenuItem &) { showAccountStatusPanel(); });
    on(QStringLiteral("showDateCorrectionPanel:"), [this](const QVMenuItem &) { showDateCorrectionPanel(); });
    on(QStringLiteral("showTolvaneWizard:"), [this](const QVMenuItem &) { showTolvaneWizard(); });
    // A menu item is no control.
    on(QStringLiteral("refreshTolvaneStatus:"),
       [this](const QVMenuItem &) { refreshTolvaneStatus(QVRefreshSender::Other); });
    m_menuActions = &actions;
    applyMenuValidation();
}

void QVXControllerActions::joinLaunchHooks(QVXControllerHooks &hooks)
{
    const auto after = [](std::function<void()> before, std::function<void()> then) {
        return [before = std::move(before), then = std::move(then)] {
            if (before)
                before();
            then();
        };
    };
    hooks.setPrintingMode = [before = hooks.setPrintingMode, this](const QString &mode) {
        if (before)
            before(mode);
        // A stored mode that is neither of the two (or none) is the labels.
        setCurrentPrintingMode(mode == QVTessaroPrintingMode ? QVTessaroPrintingMode : QVStandardPrintingMode);
    };
    hooks.showTessaro = after(hooks.showTessaro, [this] { showTessaro(); });
    hooks.scaleWasAdded = after(hooks.scaleWasAdded, [this] { scaleWasAdded(); });
    hooks.scaleWasRemoved = after(hooks.scaleWasRemoved, [this] { scaleWasRemoved(); });
    hooks.readFromDefaults = after(hooks.readFromDefaults, [this] { readFromDefaults(); });
}

// ---- The delegate as the libraries' host ------------------------------------------

namespace {

class DelegatePrintFlowHost final : public QVPrintFlowHost
{
public:
    DelegatePrintFlowHost(QVXController &delegate, QVXControllerActions *actions, QVDelegateHostWindows windows)
        : m_delegate(delegate), m_actions(actions), m_windows(std::move(windows))
    {}

    void setProgressTextString(const QString &text) override { m_delegate.setProgressTextString(text); }
    void hideProgressPanel() override { m_delegate.hideProgressPanel(); }
    bool isAutomation() override { return m_delegate.isAutomation(); }
    void setAutomation(bool on) override { m_delegate.setAutomation(on); }
    bool validateVersionForPrinting() override
    {
        const std::function<bool()> &check = m_delegate.hooks().validateVersionForPrinting;
        return !check || check();
    }
    void showLabels() override
    {
        if (m_actions)
            m_actions->showLabels();
    }
    void refreshTolvaneStatus() override
    {
        if (m_actions)
            m_actions->refreshTolvaneStatus(QVRefreshSender::Other);
    }
    void launchURL(const QUrl &url) override
    {
        if (m_delegate.hooks().openURL)
            m_delegate.hooks().openURL(url);
        else
            QVPrintFlowHost::launchURL(url);
    }
    QString appSupportFolderPath() override { return QVXController::appSupportFolderPath(); }
    QString labelArchiveFolder() override { return QVXController::labelArchiveFolder(); }
    QString pathForSupportFileWithName(const QString &name) override
    {
        return QVXController::pathForSupportFileWithName(name);
    }
    int infoAlertForKey(const QString &key, const QString &defaultButton, const QString &alternateButton,
                        bool remindBox) override
    {
        return m_delegate.infoAlertForKey(key, defaultButton, alternateButton, remindBox);
    }
    void showBuyPostagePanel() override
    {
        if (m_actions)
            m_actions->showBuyPostagePanel();
    }
    void showTolvaneWizard() override
    {
        if (m_actions)
            m_actions->showTolvaneWizard();
    }
    void showDateCorrectionSheet() override { call(m_windows.showDateCorrectionSheet); }
    void showPostageCorrectionSheetForShipment(const QVShipment &shipment) override
    {
        if (m_windows.showPostageCorrectionSheetForShipment)
            m_windows.showPostageCorrectionSheetForShipment(shipment);
    }
    void showPrinterSetup() override { call(m_windows.showPrinterSetup); }
    void showWebStores() override { call(m_windows.showWebStores); }
    void showScaleSetup() override { call(m_windows.showScaleSetup); }
    void showAboutBox() override { call(m_windows.showAboutBox); }
    // Without the agreement's window the terms are not agreed to.
    bool agreeToInsuranceTerms() override
    {
        return m_windows.agreeToInsuranceTerms && m_windows.agreeToInsuranceTerms();
    }

private:
    static void call(const std::function<void()> &operation)
    {
        if (operation)
            operation();
    }

    QVXController &m_delegate;
    QVXControllerActions *m_actions;
    QVDelegateHostWindows m_windows;
};

} // namespace

void registerDelegatePrintFlowHost(QVXController &delegate, QVXControllerActions *actions,
                                   QVDelegateHostWindows windows)
{
    setPrintFlowHost(std::make_shared<DelegatePrintFlowHost>(delegate, actions, std::move(windows)));
}
