#pragma once
// Thin Qt views of the stamps-only edition's preferences window and about
// box. The preferences window runs application-modal while it is open; its
// controls write into KIVOPreferencesController's plain state and OK calls
// the controller, which closes the window when it is done. The about box is
// an ordinary window; closing it releases its controller, so the next
// KIVOAboutBoxController::showWindow() makes a new one.
#include "app/preferences/KIVOPreferencesController.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

class KIVOPreferencesWindow : public QDialog, public KIVOPreferencesView
{
    Q_OBJECT
public:
    explicit KIVOPreferencesWindow(KIVOPreferencesController &controller, QWidget *parent = nullptr);

    void stateChanged() override;
    void runModal() override;
    void close() override;

protected:
    void reject() override;

private:
    KIVOPreferencesController &m_controller;
    QLineEdit *m_account = nullptr;
    QLineEdit *m_passPhrase = nullptr;
    QCheckBox *m_savePassPhrase = nullptr;
    QCheckBox *m_threshold = nullptr;
    QComboBox *m_thresholdPopUp = nullptr;
    bool m_updating = false;
    bool m_closing = false;
};

// The about box's window: the edition's picture, the product name and the
// version.
class KIVOAboutBoxWindow : public QDialog
{
    Q_OBJECT
public:
    explicit KIVOAboutBoxWindow(KIVOAboutBoxController &controller);
    void showState(const KIVOAboutBoxState &state);

    QLabel *picture() const { return m_picture; }
    QLabel *productName() const { return m_productName; }
    QLabel *version() const { return m_version; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void released();

    KIVOAboutBoxController *m_controller;
    QLabel *m_picture = nullptr;
    QLabel *m_productName = nullptr;
    QLabel *m_version = nullptr;
};

// The about box's view as the controller owns it: the window is deleted
// later, never inside its own close.
std::unique_ptr<KIVOAboutBoxView> makeKIVOAboutBoxView(KIVOAboutBoxController &controller);
// The window of the about box open now (nullptr: none).
KIVOAboutBoxWindow *currentKIVOAboutBoxWindow();
