#include "app/account/TolvaneAccountPanels.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <utility>

void centreWindowOnScreen(QWidget *window)
{
    window->adjustSize();
    if (const QScreen *screen = window->screen())
        window->setGeometry(
            QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window->size(), screen->availableGeometry()));
}

namespace {

// Fills the pop-up with the titles and selects the index, without telling
// the controller.
void showItems(QComboBox *popUp, const QStringList &titles, int selected)
{
    QStringList shown;
    for (int i = 0; i < popUp->count(); ++i)
        shown << popUp->itemText(i);
    if (shown != titles) {
        popUp->clear();
        popUp->addItems(titles);
    }
    popUp->setCurrentIndex(titles.isEmpty() ? -1 : qBound(0, selected, int(titles.size()) - 1));
}

} // namespace

TolvaneAccountPanelsView::TolvaneAccountPanelsView(TolvaneGUIController &controller, QWidget *parent)
    : TolvanePanelsView(controller, parent)
{}

TolvaneAccountPanelsView::~TolvaneAccountPanelsView()
{
    // One at a time: a sheet may sit on another of these windows.
    for (QPointer<QDialog> *dialog : {&m_postage, &m_date, &m_buy, &m_status})
        delete dialog->data();
}

void TolvaneAccountPanelsView::makeStatusPanel()
{
    m_status = new QDialog(parentWindow());
    m_status->setWindowTitle(QStringLiteral("Account Status"));
    m_status->setModal(false);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    // The status text's lines, each beside its caption.
    m_statusCaptions =
        new QLabel(QStringLiteral("Account:\nBalance:\nPieces:\nLicensed in:\nStatus:\nAs of:\nModel:"), m_status);
    m_statusCaptions->setAlignment(Qt::AlignRight | Qt::AlignTop);
    m_statusCaptions->setFont(fixed);
    m_statusText = new QLabel(m_status);
    m_statusText->setObjectName(QStringLiteral("statusText"));
    m_statusText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_statusText->setFont(fixed);
    m_statusText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_statusText->setMinimumWidth(220);
    auto *lines = new QHBoxLayout;
    lines->addWidget(m_statusCaptions);
    lines->addWidget(m_statusText, 1);
    auto *buy = new QPushButton(QStringLiteral("Buy Postage…"), m_status);
    auto *change = new QPushButton(QStringLiteral("Change Pass Phrase…"), m_status);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(change);
    buttons->addStretch();
    buttons->addWidget(buy);
    auto *layout = new QVBoxLayout(m_status);
    layout->addLayout(lines);
    layout->addStretch();
    layout->addLayout(buttons);
    connect(buy, &QPushButton::clicked, this, [this] { controller().showBuyPostagePanel(); });
    connect(change, &QPushButton::clicked, this,
            [this] { controller().showChangePasswordPanel(TolvanePanelWindow::AccountStatus); });
}

void TolvaneAccountPanelsView::makeBuyPanel()
{
    m_buy = new QDialog(parentWindow());
    m_buy->setWindowTitle(QStringLiteral("Buy Postage"));
    m_buy->setWindowModality(Qt::ApplicationModal);
    m_balance = new QLabel(m_buy);
    m_paymentType = new QLabel(m_buy);
    m_paymentType->setWordWrap(true);
    m_amount = new QComboBox(m_buy);
    m_buyButton = new QPushButton(m_buy);
    m_buyButton->setDefault(true);
    m_partner = new QCheckBox(QStringLiteral("Buy for the partner label service"), m_buy);
    auto *amountRow = new QHBoxLayout;
    amountRow->addWidget(m_amount, 1);
    amountRow->addWidget(m_buyButton);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Current balance:"), m_balance);
    form->addRow(QStringLiteral("Amount:"), amountRow);
    form->addRow(QString(), m_partner);
    auto *close = new QDialogButtonBox(QDialogButtonBox::Close, m_buy);
    auto *layout = new QVBoxLayout(m_buy);
    layout->addLayout(form);
    layout->addWidget(m_paymentType);
    layout->addWidget(close);
    connect(m_amount, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_updating && index >= 0)
            controller().buyPanel().selectedAmount = index;
    });
    connect(m_partner, &QCheckBox::toggled, this, [this](bool on) {
        if (m_updating)
            return;
        controller().buyPanel().partnerBoxOn = on;
        controller().toggleBriskoOne();
    });
    connect(m_buyButton, &QPushButton::clicked, this, [this] { controller().buyPostage(); });
    connect(close, &QDialogButtonBox::rejected, m_buy, &QDialog::reject);
    connect(m_buy, &QDialog::rejected, this, [this] {
        if (controller().buyPanel().open)
            controller().windowWillClose(TolvanePanelWindow::BuyPostage);
    });
}

void TolvaneAccountPanelsView::makePostageCorrectionSheet()
{
    m_postage = new QDialog(parentWindow());
    m_postage->setWindowTitle(QStringLiteral("Postage Correction"));
    auto *text = new QLabel(QStringLiteral("Print additional postage for the selected piece."), m_postage);
    m_correctionAmount = new QLineEdit(m_postage);
    m_correctionAmount->setAlignment(Qt::AlignRight);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Correction amount:"), m_correctionAmount);
    auto *buttons = new QDialogButtonBox(m_postage);
    QPushButton *print = buttons->addButton(QStringLiteral("Print"), QDialogButtonBox::AcceptRole);
    QPushButton *test = buttons->addButton(QStringLiteral("Test Print"), QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    print->setDefault(true);
    auto *layout = new QVBoxLayout(m_postage);
    layout->addWidget(text);
    layout->addLayout(form);
    layout->addWidget(buttons);
    connect(m_correctionAmount, &QLineEdit::textEdited, this,
            [this](const QString &typed) { controller().postageCorrectionSheet().amount = typed; });
    connect(print, &QPushButton::clicked, this, [this] { controller().printPostageCorrection(false); });
    connect(test, &QPushButton::clicked, this, [this] { controller().printPostageCorrection(true); });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { controller().closePostageCorrectionSheet(); });
    connect(m_postage, &QDialog::rejected, this, [this] {
        if (controller().postageCorrectionSheet().open)
            controller().closePostageCorrectionSheet();
    });
}

void TolvaneAccountPanelsView::makeDateCorrectionSheet()
{
    m_date = new QDialog(parentWindow());
    m_date->setWindowTitle(QStringLiteral("Date Correction"));
    auto *text =
        new QLabel(QStringLiteral("Print a new mailing date for a piece that was not mailed on its date."), m_date);
    text->setWordWrap(true);
    m_day = new QComboBox(m_date);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("New mailing date:"), m_day);
    auto *buttons = new QDialogButtonBox(m_date);
    QPushButton *print = buttons->addButton(QStringLiteral("Print"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    print->setDefault(true);
    auto *layout = new QVBoxLayout(m_date);
    layout->addWidget(text);
    layout->addLayout(form);
    layout->addWidget(buttons);
    connect(m_day, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_updating && index >= 0)
            controller().dateCorrectionSheet().selectedDay = index;
    });
    connect(print, &QPushButton::clicked, this, [this] { controller().printDateCorrection(); });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { controller().closeDateCorrectionSheet(); });
    connect(m_date, &QDialog::rejected, this, [this] {
        if (controller().dateCorrectionSheet().open)
            controller().closeDateCorrectionSheet();
    });
}

QDialog *TolvaneAccountPanelsView::statusPanel()
{
    if (!m_status) {
        makeStatusPanel();
        updateStatusPanel();
    }
    return m_status;
}

QDialog *TolvaneAccountPanelsView::buyPanel()
{
    if (!m_buy) {
        makeBuyPanel();
        updateBuyPanel();
    }
    return m_buy;
}

QDialog *TolvaneAccountPanelsView::postageCorrectionSheet()
{
    if (!m_postage) {
        makePostageCorrectionSheet();
        updatePostageCorrectionSheet();
    }
    return m_postage;
}

QDialog *TolvaneAccountPanelsView::dateCorrectionSheet()
{
    if (!m_date) {
        makeDateCorrectionSheet();
        updateDateCorrectionSheet();
    }
    return m_date;
}

QWidget *TolvaneAccountPanelsView::windowFor(TolvanePanelWindow which) const
{
    // A sheet for a panel goes on that panel, made for it if need be.
    auto *self = const_cast<TolvaneAccountPanelsView *>(this);
    if (which == TolvanePanelWindow::AccountStatus)
        return self->statusPanel();
    if (which == TolvanePanelWindow::BuyPostage)
        return self->buyPanel();
    return TolvanePanelsView::windowFor(which);
}

void TolvaneAccountPanelsView::runModal(TolvanePanelWindow panel)
{
    if (panel != TolvanePanelWindow::BuyPostage) {
        TolvanePanelsView::runModal(panel);
        return;
    }
    stateChanged();
    if (!buyPanel()->isVisible())
        m_buy->exec();
}

void TolvaneAccountPanelsView::stopModal(TolvanePanelWindow panel)
{
    if (panel == TolvanePanelWindow::BuyPostage) {
        if (m_buy && m_buy->isVisible())
            m_buy->accept();
        return;
    }
    TolvanePanelsView::stopModal(panel);
}

void TolvaneAccountPanelsView::showStatusPanel(bool center)
{
    stateChanged();
    if (center)
        centreWindowOnScreen(statusPanel());
    statusPanel()->show();
    m_status->raise();
    m_status->activateWindow();
}

void TolvaneAccountPanelsView::stateChanged()
{
    TolvanePanelsView::stateChanged();
    if (m_status)
        updateStatusPanel();
    if (m_buy)
        updateBuyPanel();
    // A sheet the controller opens is made then.
    if (m_postage || controller().postageCorrectionSheet().open)
        postageCorrectionSheet();
    if (m_postage)
        updatePostageCorrectionSheet();
    if (m_date || controller().dateCorrectionSheet().open)
        dateCorrectionSheet();
    if (m_date)
        updateDateCorrectionSheet();
}

void TolvaneAccountPanelsView::updateStatusPanel()
{
    const bool updating = std::exchange(m_updating, true);
    // The lines end with a line feed each; "Status not loaded" has no
    // captions.
    QString status = controller().statusText();
    const bool lines = status.endsWith(QLatin1Char('\n'));
    if (lines)
        status.chop(1);
    m_statusText->setText(status);
    m_statusCaptions->setVisible(lines);
    m_updating = updating;
}

void TolvaneAccountPanelsView::updateBuyPanel()
{
    const bool updating = std::exchange(m_updating, true);
    const TolvaneBuyPanel &buy = controller().buyPanel();
    m_balance->setText(buy.balance);
    m_paymentType->setText(buy.paymentType);
    m_paymentType->setVisible(!buy.paymentType.isEmpty());
    m_buyButton->setText(buy.buyButtonTitle);
    showItems(m_amount, buy.amountTitles, buy.selectedAmount);
    m_partner->setVisible(buy.partnerBoxVisible);
    m_partner->setChecked(buy.partnerBoxOn);
    m_updating = updating;
}

void TolvaneAccountPanelsView::updatePostageCorrectionSheet()
{
    const bool updating = std::exchange(m_updating, true);
    const TolvanePostageCorrectionSheet &postage = controller().postageCorrectionSheet();
    if (m_correctionAmount->text() != postage.amount)
        m_correctionAmount->setText(postage.amount);
    if (postage.open && !m_postage->isVisible()) {
        openSheet(m_postage, windowFor(postage.window));
        m_correctionAmount->selectAll();
        m_correctionAmount->setFocus();
    } else if (!postage.open && m_postage->isVisible()) {
        closeSheet(m_postage);
    }
    m_updating = updating;
}

void TolvaneAccountPanelsView::updateDateCorrectionSheet()
{
    const bool updating = std::exchange(m_updating, true);
    const TolvaneDateCorrectionSheet &date = controller().dateCorrectionSheet();
    showItems(m_day, date.dayTitles, date.selectedDay);
    if (date.open && !m_date->isVisible())
        openSheet(m_date, windowFor(date.window));
    else if (!date.open && m_date->isVisible())
        closeSheet(m_date);
    m_updating = updating;
}
