#pragma once
// The application delegate's menu actions and the objects it joins: the
// printing modes (QVPrintingModes over the main window's view host), the
// account status refresh (QVAccountStatus, with the delegate as its host),
// the use-postage toggle and the account panels.
//
// Actions (the selector names the menus and toolbar send):
//   showLabels: / showTessaro: / swapMainViews:   the printing modes; the
//       delegate's current mode follows every switch (it is stored at quit);
//   swapMode:             the stamp window between sheets (1) and rolls (2);
//   openAddressBook:      standard mode only: the main window in front and
//                         its address drawer toggled;
//   showKIVOQuickStamps:  the stamp window's quick-print panel;
//   usePostageItemChosen: (only from the use-postage item) inverts
//                         "usePostage"; turned off, the information alert
//                         "usePostageReminder" with its remind box; then the
//                         main window is updated;
//   showBuyPostagePanel:, showChangePasswordPanel:, showAccountStatusPanel:,
//   showDateCorrectionPanel:  the account panels;
//   showTolvaneWizard:    the account set-up wizard (one at a time);
//   refreshTolvaneStatus: the account status, sent by a control or not.
// readFromDefaults() puts the use-postage item's check mark to "usePostage";
// it runs at launch and on every change of the user defaults.
//
// Validation: the item sending openAddressBook: is enabled only in the
// standard mode, every other item of the delegate always; the toolbar's
// "Choose Printer" item only outside the stamp mode.
#include "app/account/QVAccountStatus.h"
#include "app/shell/QVPrintingModes.h"
#include "platform/NotificationCenter.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QVMenuActions;
class QVShipment;
class QVXController;
struct QVXControllerHooks;

// What the actions reach outside the delegate. An empty hook does nothing
// (or answers as noted).
struct QVDelegateActionHooks {
    // The main-window controller.
    std::function<void()> toggleAddressDrawer;
    std::function<void()> updateMainWindow;
    // The stamp window: its mode (1 sheets, 2 rolls; empty hook: 1), the
    // switches and the quick-print panel.
    std::function<int()> stampMode;
    std::function<void()> chooseRolls;
    std::function<void()> chooseSheets;
    std::function<void()> showQuickPrintPanel;
    // The account panels controller.
    std::function<void()> showBuyPostagePanel;
    std::function<void()> showChangePasswordPanel;
    std::function<void()> showAccountStatusPanel;
    std::function<void()> showDateCorrectionPanel;
    // The use-postage menu item's check mark.
    std::function<void(bool checked)> setUsePostageChecked;
    // The account page on the vendor's site.
    std::function<void()> launchAccountPage;
    // The stamps edition's dock items: the postage of the three quick-print
    // requests (1 oz, 2 oz, 1 lb Priority) and the stamp window's action of
    // a chosen item ("quickPrint1oz:", ...).
    std::function<QList<Decimal>()> quickPrintPostage;
    std::function<void(const QString &action)> performQuickPrint;
};

class QVXControllerActions : public QVAccountStatusHost
{
public:
    QVXControllerActions(QVXController &delegate, QVMainViewHost &views, std::shared_ptr<QVPostageAccount> account,
                         QVDelegateActionHooks hooks);
    ~QVXControllerActions() override;
    QVXControllerActions(const QVXControllerActions &) = delete;
    QVXControllerActions &operator=(const QVXControllerActions &) = delete;

    QVDelegateActionHooks &hooks() { return m_hooks; }
    QVPrintingModes &printingModes() { return m_modes; }
    QVAccountStatus &accountStatus() { return m_status; }

    // ---- Printing modes -----------------------------------------------------
    QString currentPrintingMode() const { return m_modes.currentPrintingMode(); }
    void setCurrentPrintingMode(const QString &mode);
    void showLabels() { setCurrentPrintingMode(QVStandardPrintingMode); }
    void showTessaro() { setCurrentPrintingMode(QVTessaroPrintingMode); }
    void swapMainViews();
    void swapMode();
    void openAddressBook();
    void showKIVOQuickStamps();
    void scaleWasAdded() { m_modes.scaleWasAdded(); }
    void scaleWasRemoved() { m_modes.scaleWasRemoved(); }

    // The stamps edition's dock menu (none in the full application or while
    // the stamp window prints sheets).
    QList<QVDockMenuItem> dockMenuItems() const;
    // The dock menu as a tray-icon menu (stamps edition only; needs the
    // QApplication), refreshed after every switch of modes.
    void installTrayMenu();
    QVStampsTrayMenu *trayMenu() const { return m_tray.get(); }

    // ---- Postage and the account ---------------------------------------------
    void readFromDefaults();
    // fromUsePostageItem: the sender is the use-postage menu item.
    void usePostageItemChosen(bool fromUsePostageItem);
    void refreshTolvaneStatus(QVRefreshSender sender) { m_status.refreshTolvaneStatus(sender); }
    void showTolvaneWizard() { m_status.showTolvaneWizard(); }
    void showBuyPostagePanel() { call(m_hooks.showBuyPostagePanel); }
    void showChangePasswordPanel() { call(m_hooks.showChangePasswordPanel); }
    void showAccountStatusPanel() { call(m_hooks.showAccountStatusPanel); }
    void showDateCorrectionPanel() { call(m_hooks.showDateCorrectionPanel); }

    // ---- Validation ------------------------------------------------------------
    bool validateMenuItem(const QString &action) const;
    bool validateToolbarItem(const QString &identifier) const;

    // Registers every action above with the menus; an action that does not
    // validate has no handler while it does not (so its items are disabled).
    void registerActions(QVMenuActions &actions);
    // Joins the launch's hooks to the modes: the stored mode and the stamps
    // edition's stamp window through setCurrentPrintingMode, the scales
    // through the mode, the use-postage check mark through readFromDefaults
    // (each after what the hook did before).
    void joinLaunchHooks(QVXControllerHooks &hooks);

    // ---- QVAccountStatusHost -------------------------------------------------
    void showProgress(const QString &text) override;
    void hideProgress() override;
    bool isAutomation() override;
    void refreshAccountInformation() override;
    void launchAccountOnTolvaneDotCom() override { call(m_hooks.launchAccountPage); }
    QDateTime now() override;

private:
    static void call(const std::function<void()> &hook)
    {
        if (hook)
            hook();
    }

    void modesChanged();
    void applyMenuValidation();

    QVXController &m_delegate;
    QVMainViewHost &m_views;
    QVDelegateActionHooks m_hooks;
    QVPrintingModes m_modes;
    QVAccountStatus m_status;
    NotificationObserver m_defaultsObserver;
    std::unique_ptr<QVStampsTrayMenu> m_tray;
    QVMenuActions *m_menuActions = nullptr;
};

// The application delegate as the host that the print flow and the other
// libraries ask (printing/flow/QVPrintFlowServices.h): the progress panel,
// the automation flag, the information alerts and the support folders of the
// delegate; the labels mode, the status refresh, the buy panel and the
// wizard through its actions (when given); web pages through its hook.
// The windows the libraries open through it (the correction sheets, the
// printer and scale set-ups, the web stores, the about box, the insurance
// agreement) are the program's windows, given as operations.
// Registered with registerDelegatePrintFlowHost(); the host holds references
// to both, which must outlive its registration.
struct QVDelegateHostWindows {
    std::function<void()> showDateCorrectionSheet;
    std::function<void(const QVShipment &)> showPostageCorrectionSheetForShipment;
    std::function<void()> showPrinterSetup;
    std::function<void()> showWebStores;
    std::function<void()> showScaleSetup;
    std::function<void()> showAboutBox;
    std::function<bool()> agreeToInsuranceTerms;
};
void registerDelegatePrintFlowHost(QVXController &delegate, QVXControllerActions *actions,
                                   QVDelegateHostWindows windows = {});
