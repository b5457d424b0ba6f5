#include "stamps/TessaroCompanionViews.h"

#include "stamps/TessaroCustomAmounts.h"
#include "stamps/TessaroDecisionTree.h"
#include "stamps/TessaroTags.h"
#include "stamps/TessaroView.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

// The mailpiece whose picture stands for an offer's icon name.
int mailpieceForIcon(const QString &icon)
{
    static const QMap<QString, int> icons{
        {QStringLiteral("popup_envelope"), tessaro::FirstClassLetter},
        {QStringLiteral("popup_flat"), tessaro::FirstClassFlat},
        {QStringLiteral("popup_package"), tessaro::FirstClassParcel},
        {QStringLiteral("USPS_flatrate"), tessaro::PriorityMailEnvelope},
        {QStringLiteral("USPS_flatrate_express2008"), tessaro::PriorityMailEnvelope},
        {QStringLiteral("USPS_flatrate_box"), tessaro::PriorityMailBox},
        {QStringLiteral("USPS_flatrate_box_lrg"), tessaro::PriorityMailLargeBox},
        {QStringLiteral("Small_Flat_Rate-middle"), tessaro::PriorityMailSmallBox},
    };
    return icons.value(icon, 0);
}

} // namespace

TessaroCustomAmountView::TessaroCustomAmountView(TessaroCustomAmountPanel &panel, std::function<void()> done,
                                                 QWidget *parent)
    : QDialog(parent), m_panel(panel), m_done(std::move(done))
{
    setObjectName(QStringLiteral("customAmountPanel"));
    setWindowModality(Qt::WindowModal);
    setWindowTitle(tr("Make Your Own"));
    m_amount = new QLineEdit(panel.amountText(), this);
    m_amount->setObjectName(QStringLiteral("customDollarAmount"));
    m_classes = new QComboBox(this);
    m_classes->setObjectName(QStringLiteral("customClassButton"));
    for (const TessaroCustomAmountPanel::ClassItem &item : TessaroCustomAmountPanel::classItems())
        m_classes->addItem(item.title, item.tag);
    m_classes->setCurrentIndex(m_classes->findData(panel.selectedClassTag()));
    auto *ok = new QPushButton(tr("OK"), this);
    auto *cancel = new QPushButton(tr("Cancel"), this);
    ok->setDefault(true);
    auto *form = new QFormLayout;
    form->addRow(tr("Amount ($):"), m_amount);
    form->addRow(tr("Class:"), m_classes);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addWidget(ok);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, [this] {
        m_panel.setAmountText(m_amount->text());
        m_panel.selectClassTag(m_classes->currentData().toInt());
        if (m_panel.ok())
            accept();
        m_done();
    });
    connect(this, &QDialog::rejected, this, [this] {
        if (m_panel.isShown())
            m_panel.cancel();
        m_done();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

TessaroDecisionTreeView::TessaroDecisionTreeView(std::shared_ptr<TessaroDecisionTreeWindowController> sheet,
                                                 std::function<void()> done, QWidget *parent)
    : QDialog(parent), m_sheet(std::move(sheet)), m_done(std::move(done))
{
    setObjectName(QStringLiteral("decisionTree"));
    setWindowModality(Qt::WindowModal);
    auto *title = new QLabel(m_sheet->titleText(), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    auto *body = new QLabel(m_sheet->bodyText(), this);
    body->setWordWrap(true);
    body->setMinimumWidth(260);
    auto *texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(body);
    texts->addStretch();
    auto *buttons = new QVBoxLayout;
    for (int n = 1; n <= TessaroDecisionTreeWindowController::ButtonCount; ++n) {
        const auto &button = m_sheet->button(n);
        if (!button)
            continue;
        auto *push = new QPushButton(button->title, this);
        push->setObjectName(QStringLiteral("button%1").arg(n));
        constexpr int side = TessaroDecisionTreeWindowController::IconSize;
        push->setIconSize(QSize(side, side));
        if (const int mailpiece = mailpieceForIcon(button->icon))
            push->setIcon(QIcon(QPixmap::fromImage(TessaroView::mailpiecePicture(mailpiece, side))));
        push->setMinimumWidth(int(std::ceil(button->frame.width())));
        buttons->addWidget(push);
        connect(push, &QPushButton::clicked, this, [this, n] {
            m_sheet->decide(n);
            accept();
            m_done();
        });
    }
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(texts, 1);
    layout->addLayout(buttons);
}
