#pragma once
// TolvaneGUIController: the postage-account panels on plain state. The
// sign-in panel shown at start-up (server, account number, pass phrase, keep
// the pass phrase), the account status panel, the buy-postage panel, the
// change-pass-phrase sheet (ordinary and forced), the reset-pass-phrase
// sheet, and the postage- and date-correction sheets
// (TolvaneCorrections.cpp).
//
// Every account operation goes through the shared postage-server client
// (QVRHOCommandCenter) and its last valid status reply; purchase limits come
// from the account-information client (500.00 each without a reading), the
// partner label service's balance and purchases from
// QVBRKLabelServerCommandCenter. Alerts go through the dialogs interface,
// the application delegate's part through TolvaneAccountHost.
//
// Modality: the sign-in panel and the buy panel run modally. The controller
// marks them open and asks its view (when one is set) to run and stop their
// modal sessions; without a view nothing blocks, so tests read the state.
// The sign-in panel closing while the client has no valid status ends the
// application. The sheets are window-modal on the window they are given.
//
// The pass phrase is kept through the credential store: before keeping it
// the store is asked to unlock; its refusal code is shown in the
// "Keychain is locked." alert and nothing else happens.
//
// A postage correction decides its print road before buying: a printer and
// label combination that prints no correction is an alert and nothing is
// bought. The mailing-log record is written as soon as the indicium has
// arrived, before printing, so a paid correction is always logged.
#include "app/account/TolvaneAccountServices.h"
#include "platform/Decimal.h"
#include "platform/NotificationCenter.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QVRHOCommandCenter;
class QVRHOResponse;
class QVShipment;

// The view of the panels: runs and stops the modal sessions and shows the
// state after each change. Every operation has a do-nothing default.
class TolvaneGUIView
{
public:
    virtual ~TolvaneGUIView() = default;
    // Runs the panel's modal session (returns when it stops).
    virtual void runModal(TolvanePanelWindow panel) { (void)panel; }
    virtual void stopModal(TolvanePanelWindow panel) { (void)panel; }
    // Brings the status panel to the front (centred the first time).
    virtual void showStatusPanel(bool center) { (void)center; }
    // The state changed: show it.
    virtual void stateChanged() {}
};

struct TolvaneSignInPanel {
    QString server;
    QString account;
    QString passPhrase;
    bool savePassPhrase = false;
    bool open = false;
};

struct TolvaneChangePassPhraseSheet {
    bool open = false;
    TolvanePanelWindow window = TolvanePanelWindow::None;
    bool forceTextShown = false;
    QString currentPassPhrase;
    QString newPassPhrase;
    QString confirmation;
    bool savePassPhrase = false;
};

struct TolvaneBuyPanel {
    bool open = false;
    QString balance;
    QString paymentType;
    QString buyButtonTitle = QStringLiteral("Buy");
    // The amounts offered, "$10.00" ...; `selectedAmount` indexes them.
    QStringList amountTitles;
    int selectedAmount = 0;
    bool partnerBoxVisible = false;
    bool partnerBoxOn = false;
};

struct TolvanePostageCorrectionSheet {
    bool open = false;
    TolvanePanelWindow window = TolvanePanelWindow::None;
    // The amount as typed ("$" and "," are ignored).
    QString amount;
};

struct TolvaneDateCorrectionSheet {
    bool open = false;
    TolvanePanelWindow window = TolvanePanelWindow::None;
    // Entry n is today + n days.
    QStringList dayTitles;
    int selectedDay = 0;
};

class TolvaneGUIController
{
public:
    // The payment-type line's template (its key "ccType" between "<%" and
    // "%>").
    static const QString PaymentTypeTemplate;
    // The number of days the date-correction pop-up offers.
    static constexpr int DateCorrectionDays = 7;

    TolvaneGUIController();
    ~TolvaneGUIController();
    TolvaneGUIController(const TolvaneGUIController &) = delete;
    TolvaneGUIController &operator=(const TolvaneGUIController &) = delete;

    void setView(TolvaneGUIView *view) { m_view = view; }

    // The class-wide amounts in mils: $10 ... $5,000, ascending.
    static const QList<qint64> &purchaseAmountArray();

    // Set-up and the automatic sign-in of the start-up.
    void awakeFromNib();

    // ---- State --------------------------------------------------------------
    TolvaneSignInPanel &signInPanel() { return m_signIn; }
    TolvaneChangePassPhraseSheet &changePassPhraseSheet() { return m_change; }
    TolvaneBuyPanel &buyPanel() { return m_buy; }
    TolvanePostageCorrectionSheet &postageCorrectionSheet() { return m_postageCorrection; }
    TolvaneDateCorrectionSheet &dateCorrectionSheet() { return m_dateCorrection; }
    QString statusText() const { return m_statusText; }
    bool canResetPassword() const { return m_canResetPassword; }
    std::shared_ptr<QVShipment> shipmentToCorrect() const { return m_shipmentToCorrect; }

    // ---- Panels ---------------------------------------------------------------
    void showAccountStatusPanel();
    void showBuyPostagePanel();
    void showChangePasswordPanel(TolvanePanelWindow window);
    void showForceChangePasswordPanel(TolvanePanelWindow window);
    // didEnd (when given) runs when the sheet ends, by OK or cancel.
    void showChangePasswordSheetForWindow(TolvanePanelWindow window, bool forceText, std::function<void()> didEnd = {});
    // The sheet's OK button.
    void changePassword();
    // The sheet's Cancel button.
    void cancelChangePassword();
    bool passwordPrescreen();

    // The lost-pass-phrase button of the sign-in panel.
    void showResetPasswordSheetOnSendersWindow(TolvanePanelWindow window);
    // The reset alert sheet; clearPassPhraseField empties the pass-phrase
    // field it is about after a reset.
    void showResetPasswordSheetOnWindow(TolvanePanelWindow window, std::function<void()> clearPassPhraseField);

    // The sign-in panel's OK button.
    void initialSettingsOK();
    // The buy panel's buy button and partner check box.
    void buyPostage();
    void toggleBriskoOne();
    // A panel is closing.
    void windowWillClose(TolvanePanelWindow window);

    // Updates from a status reply (nullptr: none).
    void tolvaneStatusDidChange(const std::shared_ptr<QVRHOResponse> &response);
    void updateStatusTextWithRHOResponse(const std::shared_ptr<QVRHOResponse> &response);
    void updateBalanceInBuyPanel(const std::shared_ptr<QVRHOResponse> &response);
    void updatePaymentTypeInBuyPanel(const std::shared_ptr<QVRHOResponse> &response);
    void updatePurchaseAmounts(const std::shared_ptr<QVRHOResponse> &response);

    // ---- Corrections (TolvaneCorrections.cpp) ----------------------------------
    void showPostageCorrectionSheetForShipment(const QVShipment &shipment, TolvanePanelWindow window);
    void showDateCorrectionSheetOnWindow(TolvanePanelWindow window);
    // The print and test-print buttons.
    void printPostageCorrection(bool testPrint);
    void printDateCorrection();
    void closePostageCorrectionSheet();
    void closeDateCorrectionSheet();
    // The correction record of the shipment for the amount.
    static QVShipment correctionRecord(const QVShipment &shipment, const Decimal &amount, const QDateTime &now);

    // Stores the account's edition, shows "Account type has changed." with
    // its one button "Quit" and ends the application.
    static void showAccountTypeChanged(bool isKIVO);

    // Asks the credential store to unlock before a pass phrase is kept; its
    // refusal is the "Keychain is locked." alert with the store's code.
    static bool unlockCredentialStore();

    // The informative text of the incompatible-account alert.
    static QString incompatibleAccountText(const QString &opening);

private:
    void runSignInPanel();
    void stopSignInPanel();
    bool refuseUnsetAccount();
    void endChangeSheet();
    void changed();

    std::shared_ptr<QVRHOCommandCenter> m_ec;
    NotificationObserver m_statusObserver;
    TolvaneGUIView *m_view = nullptr;
    TolvaneSignInPanel m_signIn;
    TolvaneChangePassPhraseSheet m_change;
    std::function<void()> m_changeDidEnd;
    TolvaneBuyPanel m_buy;
    // The account number and balance text of the last valid status reply.
    std::optional<std::pair<QString, QString>> m_lastKnownBalance;
    TolvanePostageCorrectionSheet m_postageCorrection;
    TolvaneDateCorrectionSheet m_dateCorrection;
    std::shared_ptr<QVShipment> m_shipmentToCorrect;
    QString m_statusText;
    bool m_canResetPassword = false;
    bool m_statusPanelShown = false;
};
