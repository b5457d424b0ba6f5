#include "app/windows/KIVOWindows.h"

#include "app/account/TolvaneAccountPanels.h"
#include "widgets/NamedPicture.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPointer>
#include <QVBoxLayout>

KIVOPreferencesWindow::KIVOPreferencesWindow(KIVOPreferencesController &controller, QWidget *parent)
    : QDialog(parent), m_controller(controller)
{
    setWindowTitle(QStringLiteral("Preferences"));
    setWindowModality(Qt::ApplicationModal);
    m_account = new QLineEdit(this);
    m_passPhrase = new QLineEdit(this);
    m_passPhrase->setEchoMode(QLineEdit::Password);
    m_savePassPhrase = new QCheckBox(QStringLiteral("Remember pass phrase"), this);
    m_threshold = new QCheckBox(QStringLiteral("Remind me when my balance falls below"), this);
    m_thresholdPopUp = new QComboBox(this);
    for (const KIVOThresholdItem &item : KIVOPreferencesController::thresholdItems())
        m_thresholdPopUp->addItem(item.title, item.tag);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Account number:"), m_account);
    form->addRow(QStringLiteral("Pass phrase:"), m_passPhrase);
    form->addRow(QString(), m_savePassPhrase);
    form->addRow(m_threshold, m_thresholdPopUp);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    auto edited = [this] {
        if (m_updating)
            return;
        KIVOPreferencesState &state = m_controller.state();
        state.accountNumber = m_account->text();
        state.passPhrase = m_passPhrase->text();
        state.savePassPhrase = m_savePassPhrase->isChecked();
        state.thresholdReminderBox = m_threshold->isChecked();
        state.selectedThreshold = m_thresholdPopUp->currentIndex();
        m_thresholdPopUp->setEnabled(state.thresholdReminderBox);
    };
    connect(m_account, &QLineEdit::textEdited, this, edited);
    connect(m_passPhrase, &QLineEdit::textEdited, this, edited);
    connect(m_savePassPhrase, &QCheckBox::toggled, this, edited);
    connect(m_threshold, &QCheckBox::toggled, this, edited);
    connect(m_thresholdPopUp, &QComboBox::currentIndexChanged, this, edited);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { m_controller.ok(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void KIVOPreferencesWindow::stateChanged()
{
    m_updating = true;
    const KIVOPreferencesState &state = m_controller.state();
    if (m_account->text() != state.accountNumber)
        m_account->setText(state.accountNumber);
    if (m_passPhrase->text() != state.passPhrase)
        m_passPhrase->setText(state.passPhrase);
    m_savePassPhrase->setChecked(state.savePassPhrase);
    m_threshold->setChecked(state.thresholdReminderBox);
    m_thresholdPopUp->setCurrentIndex(state.selectedThreshold);
    m_thresholdPopUp->setEnabled(state.thresholdReminderBox);
    m_updating = false;
}

void KIVOPreferencesWindow::runModal()
{
    stateChanged();
    centreWindowOnScreen(this);
    m_closing = false;
    if (!isVisible())
        exec();
}

void KIVOPreferencesWindow::close()
{
    // The controller closes the window after OK: the modal session ends.
    m_closing = true;
    if (isVisible())
        accept();
}

void KIVOPreferencesWindow::reject()
{
    if (!m_closing && m_controller.state().open)
        m_controller.windowWillClose();
    QDialog::reject();
}

// ---- About box ----------------------------------------------------------------------

namespace {

QPointer<KIVOAboutBoxWindow> &aboutBoxWindow()
{
    static QPointer<KIVOAboutBoxWindow> window;
    return window;
}

class AboutBoxView final : public KIVOAboutBoxView
{
public:
    explicit AboutBoxView(KIVOAboutBoxController &controller) : m_window(new KIVOAboutBoxWindow(controller))
    {
        aboutBoxWindow() = m_window;
    }
    ~AboutBoxView() override
    {
        // The controller is released while its window closes.
        if (m_window)
            m_window->deleteLater();
    }
    void show(const KIVOAboutBoxState &state) override
    {
        m_window->showState(state);
        centreWindowOnScreen(m_window);
        m_window->show();
        bringToFront();
    }
    void bringToFront() override
    {
        m_window->raise();
        m_window->activateWindow();
    }

private:
    QPointer<KIVOAboutBoxWindow> m_window;
};

} // namespace

KIVOAboutBoxWindow::KIVOAboutBoxWindow(KIVOAboutBoxController &controller) : m_controller(&controller)
{
    setWindowTitle(QStringLiteral("About"));
    m_picture = new QLabel(this);
    m_picture->setAlignment(Qt::AlignCenter);
    m_productName = new QLabel(this);
    m_productName->setAlignment(Qt::AlignCenter);
    QFont bold = m_productName->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    m_productName->setFont(bold);
    m_version = new QLabel(this);
    m_version->setAlignment(Qt::AlignCenter);
    m_version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 20, 28, 20);
    layout->addWidget(m_picture);
    layout->addWidget(m_productName);
    layout->addWidget(m_version);
}

void KIVOAboutBoxWindow::showState(const KIVOAboutBoxState &state)
{
    m_picture->setPixmap(QPixmap::fromImage(namedPicture(state.imageName, QSize(128, 128))));
    m_productName->setText(state.productName);
    m_version->setText(QStringLiteral("Version %1").arg(state.versionField));
}

void KIVOAboutBoxWindow::released()
{
    if (KIVOAboutBoxController *controller = std::exchange(m_controller, nullptr))
        controller->windowWillClose();
}

void KIVOAboutBoxWindow::closeEvent(QCloseEvent *event)
{
    QDialog::closeEvent(event);
    if (event->isAccepted())
        released();
}

void KIVOAboutBoxWindow::reject()
{
    QDialog::reject();
    released();
}

std::unique_ptr<KIVOAboutBoxView> makeKIVOAboutBoxView(KIVOAboutBoxController &controller)
{
    return std::make_unique<AboutBoxView>(controller);
}

KIVOAboutBoxWindow *currentKIVOAboutBoxWindow() { return aboutBoxWindow(); }
