#include "app/account/TolvaneAccountWindows.h"

#include "platform/Bundle.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <utility>

namespace {

QLineEdit *field(QWidget *parent, bool secret = false)
{
    auto *edit = new QLineEdit(parent);
    if (secret)
        edit->setEchoMode(QLineEdit::Password);
    return edit;
}

void setText(QLineEdit *edit, const QString &text)
{
    if (edit->text() != text)
        edit->setText(text);
}

// The widest a field grows to show its whole text (longer texts scroll).
constexpr int kMaximumFittedFieldWidth = 520;

// Widens the field so that its whole text shows (a server address is read
// at a glance, not scrolled), never below its usual width.
void fitFieldToText(QLineEdit *edit)
{
    const QFontMetrics metrics = edit->fontMetrics();
    // The frame and margins around the text of the usual width.
    const int chrome = edit->sizeHint().width() - metrics.horizontalAdvance(QLatin1Char('x')) * 17;
    const int wanted = metrics.horizontalAdvance(edit->text()) + chrome + metrics.averageCharWidth();
    edit->setMinimumWidth(qMin(wanted, kMaximumFittedFieldWidth));
}

} // namespace

TolvanePanelsView::TolvanePanelsView(TolvaneGUIController &controller, QWidget *parent)
    : m_controller(controller), m_parent(parent)
{}

QDialog *TolvanePanelsView::signInPanel()
{
    if (!m_signIn) {
        makeSignInPanel();
        updateSignInPanel();
    }
    return m_signIn;
}

QDialog *TolvanePanelsView::changeSheet()
{
    if (!m_change) {
        makeChangeSheet();
        updateChangeSheet();
    }
    return m_change;
}

void TolvanePanelsView::makeSignInPanel()
{
    QWidget *parent = m_parent;
    m_signIn = new QDialog(parent);
    m_signIn->setWindowTitle(QStringLiteral("Postage Account"));
    m_signIn->setWindowModality(Qt::ApplicationModal);
    auto *form = new QFormLayout;
    m_server = field(m_signIn);
    m_account = field(m_signIn);
    m_passPhrase = field(m_signIn, true);
    m_save = new QCheckBox(QStringLiteral("Remember pass phrase"), m_signIn);
    form->addRow(QStringLiteral("Postage server:"), m_server);
    form->addRow(QStringLiteral("Account number:"), m_account);
    form->addRow(QStringLiteral("Pass phrase:"), m_passPhrase);
    form->addRow(QString(), m_save);
    auto *lost = new QPushButton(QStringLiteral("Forgot Pass Phrase?"), m_signIn);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, m_signIn);
    auto *layout = new QVBoxLayout(m_signIn);
    layout->addLayout(form);
    layout->addWidget(lost);
    layout->addWidget(buttons);
    auto signInEdited = [this] {
        if (m_updating)
            return;
        TolvaneSignInPanel &state = m_controller.signInPanel();
        state.server = m_server->text();
        state.account = m_account->text();
        state.passPhrase = m_passPhrase->text();
        state.savePassPhrase = m_save->isChecked();
    };
    for (QLineEdit *edit : {m_server, m_account, m_passPhrase})
        connect(edit, &QLineEdit::textEdited, this, signInEdited);
    connect(m_save, &QCheckBox::toggled, this, signInEdited);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { m_controller.initialSettingsOK(); });
    connect(lost, &QPushButton::clicked, this,
            [this] { m_controller.showResetPasswordSheetOnSendersWindow(TolvanePanelWindow::SignIn); });
    connect(m_signIn, &QDialog::rejected, this, [this] {
        if (m_controller.signInPanel().open)
            m_controller.windowWillClose(TolvanePanelWindow::SignIn);
    });
}

void TolvanePanelsView::makeChangeSheet()
{
    m_change = new QDialog(m_parent);
    m_change->setWindowTitle(QStringLiteral("Change Pass Phrase"));
    m_change->setWindowModality(Qt::WindowModal);
    m_forceText = new QLabel(QStringLiteral("Your pass phrase is still the one your account was opened with. Choose "
                                            "a pass phrase of your own before you go on."),
                             m_change);
    m_forceText->setWordWrap(true);
    auto *changeForm = new QFormLayout;
    m_current = field(m_change, true);
    m_new = field(m_change, true);
    m_confirmation = field(m_change, true);
    changeForm->addRow(QStringLiteral("Current pass phrase:"), m_current);
    changeForm->addRow(QStringLiteral("New pass phrase:"), m_new);
    changeForm->addRow(QStringLiteral("Confirm:"), m_confirmation);
    m_changeSave = new QCheckBox(QStringLiteral("Remember pass phrase"), m_change);
    changeForm->addRow(QString(), m_changeSave);
    auto *changeButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, m_change);
    auto *changeLayout = new QVBoxLayout(m_change);
    changeLayout->addWidget(m_forceText);
    changeLayout->addLayout(changeForm);
    changeLayout->addWidget(changeButtons);
    auto changeEdited = [this] {
        if (m_updating)
            return;
        TolvaneChangePassPhraseSheet &sheet = m_controller.changePassPhraseSheet();
        sheet.currentPassPhrase = m_current->text();
        sheet.newPassPhrase = m_new->text();
        sheet.confirmation = m_confirmation->text();
        sheet.savePassPhrase = m_changeSave->isChecked();
    };
    for (QLineEdit *edit : {m_current, m_new, m_confirmation})
        connect(edit, &QLineEdit::textEdited, this, changeEdited);
    connect(m_changeSave, &QCheckBox::toggled, this, changeEdited);
    connect(changeButtons, &QDialogButtonBox::accepted, this, [this] { m_controller.changePassword(); });
    connect(changeButtons, &QDialogButtonBox::rejected, this, [this] { m_controller.cancelChangePassword(); });
    // Escape ends the sheet as Cancel does.
    connect(m_change, &QDialog::rejected, this, [this] {
        if (m_controller.changePassPhraseSheet().open)
            m_controller.cancelChangePassword();
    });
}

TolvanePanelsView::~TolvanePanelsView()
{
    // The sheet may sit on the sign-in panel: it goes first.
    delete m_change.data();
    delete m_signIn.data();
}

void TolvanePanelsView::setWindow(TolvanePanelWindow which, QWidget *window) { m_windows.insert(int(which), window); }

QWidget *TolvanePanelsView::windowFor(TolvanePanelWindow which) const
{
    if (which == TolvanePanelWindow::SignIn)
        return const_cast<TolvanePanelsView *>(this)->signInPanel();
    if (QWidget *window = m_windows.value(int(which)))
        return window;
    if (QWidget *active = QApplication::activeWindow())
        return active;
    return m_parent;
}

void TolvanePanelsView::openSheet(QDialog *sheet, QWidget *window)
{
    if (sheet->parentWidget() != window)
        sheet->setParent(window, sheet->windowFlags());
    sheet->setWindowModality(Qt::WindowModal);
    sheet->open();
}

void TolvanePanelsView::closeSheet(QDialog *sheet)
{
    sheet->hide();
    if (sheet->parentWidget() != m_parent)
        sheet->setParent(m_parent, sheet->windowFlags());
}

void TolvanePanelsView::runModal(TolvanePanelWindow panel)
{
    if (panel == TolvanePanelWindow::SignIn) {
        stateChanged();
        signInPanel()->exec();
    }
}

void TolvanePanelsView::stopModal(TolvanePanelWindow panel)
{
    if (panel == TolvanePanelWindow::SignIn && m_signIn && m_signIn->isVisible())
        m_signIn->accept();
}

void TolvanePanelsView::stateChanged()
{
    if (m_signIn)
        updateSignInPanel();
    // The sheet is made when the controller opens it.
    if (m_change || m_controller.changePassPhraseSheet().open)
        changeSheet();
    if (m_change)
        updateChangeSheet();
}

void TolvanePanelsView::updateSignInPanel()
{
    const bool updating = std::exchange(m_updating, true);
    const TolvaneSignInPanel &signIn = m_controller.signInPanel();
    setText(m_server, signIn.server);
    fitFieldToText(m_server);
    setText(m_account, signIn.account);
    setText(m_passPhrase, signIn.passPhrase);
    m_save->setChecked(signIn.savePassPhrase);
    m_updating = updating;
}

void TolvanePanelsView::updateChangeSheet()
{
    const bool updating = std::exchange(m_updating, true);
    const TolvaneChangePassPhraseSheet &sheet = m_controller.changePassPhraseSheet();
    m_forceText->setVisible(sheet.forceTextShown);
    setText(m_current, sheet.currentPassPhrase);
    setText(m_new, sheet.newPassPhrase);
    setText(m_confirmation, sheet.confirmation);
    m_changeSave->setChecked(sheet.savePassPhrase);
    if (sheet.open && !m_change->isVisible()) {
        openSheet(m_change, windowFor(sheet.window));
        m_current->setFocus();
    } else if (!sheet.open && m_change->isVisible()) {
        closeSheet(m_change);
    }
    m_updating = updating;
}

TolvaneWizardWindow::TolvaneWizardWindow(TolvaneWizardController &controller, QWidget *parent)
    : QDialog(parent), m_controller(controller)
{
    setWindowModality(Qt::ApplicationModal);
    m_picture = new QLabel(this);
    m_welcome = new QLabel(this);
    m_intro = new QLabel(this);
    m_intro->setWordWrap(true);
    m_steps = new QStackedWidget(this);

    auto *step1 = new QWidget(m_steps);
    auto *form = new QFormLayout(step1);
    m_server = field(step1);
    m_account = field(step1);
    m_passPhrase = field(step1, true);
    m_save = new QCheckBox(QStringLiteral("Remember pass phrase"), step1);
    auto *defaultServer = new QPushButton(QStringLiteral("Default"), step1);
    auto *serverRow = new QHBoxLayout;
    serverRow->addWidget(m_server);
    serverRow->addWidget(defaultServer);
    auto *signUp = new QPushButton(QStringLiteral("Sign Up for an Account…"), step1);
    form->addRow(m_intro);
    form->addRow(QStringLiteral("Postage server:"), serverRow);
    form->addRow(QStringLiteral("Account number:"), m_account);
    form->addRow(QStringLiteral("Pass phrase:"), m_passPhrase);
    form->addRow(QString(), m_save);
    form->addRow(QString(), signUp);
    m_steps->addWidget(step1);

    auto *step2 = new QWidget(m_steps);
    auto *step2Layout = new QVBoxLayout(step2);
    m_accountText = new QLabel(step2);
    m_zeroBalanceText =
        new QLabel(QStringLiteral("Your postage balance is zero. Buy postage before you print."), step2);
    m_zeroBalanceButton = new QPushButton(QStringLiteral("Buy Postage…"), step2);
    auto *zeroBalanceRow = new QHBoxLayout;
    zeroBalanceRow->addWidget(m_zeroBalanceButton);
    zeroBalanceRow->addStretch();
    step2Layout->addWidget(m_accountText);
    step2Layout->addWidget(m_zeroBalanceText);
    step2Layout->addLayout(zeroBalanceRow);
    step2Layout->addStretch();
    m_steps->addWidget(step2);

    m_back = new QPushButton(QStringLiteral("Back"), this);
    m_next = new QPushButton(this);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_cancel);
    buttons->addStretch();
    buttons->addWidget(m_back);
    buttons->addWidget(m_next);
    auto *side = new QHBoxLayout;
    side->addWidget(m_picture);
    auto *main = new QVBoxLayout;
    main->addWidget(m_welcome);
    main->addWidget(m_steps);
    side->addLayout(main);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(side);
    layout->addLayout(buttons);

    auto edited = [this] {
        TolvaneWizardState &state = m_controller.state();
        state.postageServer = m_server->text();
        state.accountNumber = m_account->text();
        state.passPhrase = m_passPhrase->text();
        state.savePassPhrase = m_save->isChecked();
    };
    for (QLineEdit *edit : {m_server, m_account, m_passPhrase})
        connect(edit, &QLineEdit::textEdited, this, edited);
    connect(m_save, &QCheckBox::toggled, this, edited);
    connect(defaultServer, &QPushButton::clicked, this, [this] { m_controller.defaultServer(); });
    connect(signUp, &QPushButton::clicked, this, [this] { m_controller.launchTolvane(); });
    connect(m_zeroBalanceButton, &QPushButton::clicked, this, [this] { m_controller.buyPostage(); });
    connect(m_next, &QPushButton::clicked, this, [this] { m_controller.next(); });
    connect(m_back, &QPushButton::clicked, this, [this] { m_controller.back(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { close(); });
}

void TolvaneWizardWindow::stateChanged()
{
    const TolvaneWizardState &state = m_controller.state();
    setWindowTitle(state.windowTitle);
    m_welcome->setText(state.welcomeText);
    m_intro->setText(state.introText);
    const QString picture = state.backgroundImage.isEmpty()
        ? QString()
        : Bundle::pathForResource(state.backgroundImage, QStringLiteral("png"));
    m_picture->setPixmap(picture.isEmpty() ? QPixmap() : QPixmap(picture));
    setText(m_server, state.postageServer);
    fitFieldToText(m_server);
    setText(m_account, state.accountNumber);
    setText(m_passPhrase, state.passPhrase);
    m_save->setChecked(state.savePassPhrase);
    m_accountText->setText(state.accountText);
    m_zeroBalanceText->setVisible(state.zeroBalanceShown && state.step == 2);
    m_zeroBalanceButton->setVisible(state.zeroBalanceShown && state.step == 2);
    m_steps->setCurrentIndex(qBound(0, state.step - 1, m_steps->count() - 1));
    m_back->setEnabled(state.backEnabled);
    m_cancel->setEnabled(state.cancelEnabled);
    m_next->setText(state.nextTitle);
    m_next->setEnabled(!state.progressRunning);
}

void TolvaneWizardWindow::stopModal()
{
    m_stopping = true;
    if (isVisible())
        accept();
}

void TolvaneWizardWindow::closeEvent(QCloseEvent *event)
{
    if (!m_stopping)
        m_controller.windowWillClose();
    event->accept();
    QDialog::closeEvent(event);
}

void TolvaneWizardWindow::reject()
{
    if (!m_stopping)
        m_controller.windowWillClose();
    QDialog::reject();
}
