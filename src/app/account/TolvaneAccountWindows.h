#pragma once
// Thin Qt views of the postage-account windows: each binds its widgets to
// the plain state of its controller and sends the buttons to it. The sign-in
// panel, the buy panel and the wizard run application-modal; the
// change-pass-phrase sheet and the correction sheets are window-modal
// dialogs on their parent.
#include "app/preferences/KIVOPreferencesController.h"
#include "app/account/TolvaneGUIController.h"
#include "app/account/TolvaneWizardController.h"

#include <QDialog>
#include <QHash>
#include <QPointer>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

// The sign-in panel, the change-pass-phrase sheet and the correction sheets
// of the account panels.
class TolvanePanelsView : public QObject, public TolvaneGUIView
{
    Q_OBJECT
public:
    TolvanePanelsView(TolvaneGUIController &controller, QWidget *parent = nullptr);
    ~TolvanePanelsView() override;

    void runModal(TolvanePanelWindow panel) override;
    void stopModal(TolvanePanelWindow panel) override;
    void stateChanged() override;

    // Made when first asked for (a stored account signs in without the
    // panel), filled from the controller's state.
    QDialog *signInPanel();
    QDialog *changeSheet();

    // The window of a name that this view does not make (the wizard, the
    // stamps edition's preferences), on which sheets for it are shown.
    void setWindow(TolvanePanelWindow which, QWidget *window);
    // The window a sheet for the name goes on: the panel of that name, a
    // window set for it, else the active window (the one the user acted
    // in), else the parent.
    virtual QWidget *windowFor(TolvanePanelWindow which) const;

protected:
    // Shows the dialog window-modal on the window; closing it takes it back
    // to the view's parent, so that no other window owns it when it closes.
    void openSheet(QDialog *sheet, QWidget *window);
    void closeSheet(QDialog *sheet);
    TolvaneGUIController &controller() const { return m_controller; }
    QWidget *parentWindow() const { return m_parent; }

private:
    void makeSignInPanel();
    void makeChangeSheet();
    void updateSignInPanel();
    void updateChangeSheet();

    TolvaneGUIController &m_controller;
    QPointer<QWidget> m_parent;
    QHash<int, QPointer<QWidget>> m_windows;
    QPointer<QDialog> m_signIn;
    QLineEdit *m_server = nullptr;
    QLineEdit *m_account = nullptr;
    QLineEdit *m_passPhrase = nullptr;
    QCheckBox *m_save = nullptr;
    QPointer<QDialog> m_change;
    QLabel *m_forceText = nullptr;
    QLineEdit *m_current = nullptr;
    QLineEdit *m_new = nullptr;
    QLineEdit *m_confirmation = nullptr;
    QCheckBox *m_changeSave = nullptr;
    bool m_updating = false;
};

// The set-up wizard: its steps as stacked pages.
class TolvaneWizardWindow : public QDialog, public TolvaneWizardView
{
    Q_OBJECT
public:
    explicit TolvaneWizardWindow(TolvaneWizardController &controller, QWidget *parent = nullptr);
    void stateChanged() override;
    void stopModal() override;
    // The controller is going: nothing the window does from now on (a late
    // close or reject before its deletion) reaches it.
    void releaseController() { m_stopping = true; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    TolvaneWizardController &m_controller;
    QStackedWidget *m_steps = nullptr;
    QLabel *m_picture = nullptr;
    QLabel *m_welcome = nullptr;
    QLabel *m_intro = nullptr;
    QLineEdit *m_server = nullptr;
    QLineEdit *m_account = nullptr;
    QLineEdit *m_passPhrase = nullptr;
    QCheckBox *m_save = nullptr;
    QLabel *m_accountText = nullptr;
    QLabel *m_zeroBalanceText = nullptr;
    QPushButton *m_zeroBalanceButton = nullptr;
    QPushButton *m_back = nullptr;
    QPushButton *m_next = nullptr;
    QPushButton *m_cancel = nullptr;
    bool m_stopping = false;
};
