#pragma once
// The rest of the account panels' thin Qt views, over the sign-in panel and
// the change-pass-phrase sheet of TolvanePanelsView: the account status
// panel (a window of its own, centred the first time), the buy-postage
// panel (application-modal) and the postage- and date-correction sheets
// (window-modal on the window the controller names). Every control writes
// into the controller's plain state and every button calls the controller;
// stateChanged() shows the state again and opens or closes the sheets.
#include "app/account/TolvaneAccountWindows.h"

// Sizes the window to its contents and centres it on its screen.
void centreWindowOnScreen(QWidget *window);

class TolvaneAccountPanelsView : public TolvanePanelsView
{
    Q_OBJECT
public:
    explicit TolvaneAccountPanelsView(TolvaneGUIController &controller, QWidget *parent = nullptr);
    ~TolvaneAccountPanelsView() override;

    void runModal(TolvanePanelWindow panel) override;
    void stopModal(TolvanePanelWindow panel) override;
    void showStatusPanel(bool center) override;
    void stateChanged() override;
    QWidget *windowFor(TolvanePanelWindow which) const override;

    // Each window is made when it is first asked for (most runs show none
    // of them), filled from the controller's state.
    QDialog *statusPanel();
    QDialog *buyPanel();
    QDialog *postageCorrectionSheet();
    QDialog *dateCorrectionSheet();

private:
    void makeStatusPanel();
    void makeBuyPanel();
    void makePostageCorrectionSheet();
    void makeDateCorrectionSheet();
    // Bring a window that exists up to the controller's state.
    void updateStatusPanel();
    void updateBuyPanel();
    void updatePostageCorrectionSheet();
    void updateDateCorrectionSheet();

    bool m_updating = false;
    QPointer<QDialog> m_status;
    QLabel *m_statusCaptions = nullptr;
    QLabel *m_statusText = nullptr;
    QPointer<QDialog> m_buy;
    QLabel *m_balance = nullptr;
    QLabel *m_paymentType = nullptr;
    QComboBox *m_amount = nullptr;
    QCheckBox *m_partner = nullptr;
    QPushButton *m_buyButton = nullptr;
    QPointer<QDialog> m_postage;
    QLineEdit *m_correctionAmount = nullptr;
    QPointer<QDialog> m_date;
    QComboBox *m_day = nullptr;
};
