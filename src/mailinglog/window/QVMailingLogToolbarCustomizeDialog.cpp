#include "mailinglog/window/QVMailingLogToolbarCustomizeDialog.h"

#include "widgets/NamedPicture.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

QIcon mailingLogToolbarIcon(const QString &identifier)
{
    const std::optional<QVMailingLogToolbarItem> item = QVMailingLogToolbar::itemForItemIdentifier(identifier);
    const QString name =
        item && !item->imageName.isEmpty() ? item->imageName : QVMailingLogToolbar::paletteLabel(identifier);
    return QIcon(QPixmap::fromImage(namedPicture(name)));
}

QVMailingLogToolbarCustomizeDialog::QVMailingLogToolbarCustomizeDialog(const QStringList &items, QWidget *parent)
    : QDialog(parent), m_customization(items)
{
    setWindowTitle(QStringLiteral("Customize Toolbar"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Check the items the toolbar shows and put them in order.")));
    auto *rows = new QHBoxLayout;
    m_list = new QListWidget;
    m_list->setIconSize(QSize(24, 24));
    rows->addWidget(m_list, 1);
    auto *moves = new QVBoxLayout;
    m_up = new QPushButton(QStringLiteral("Move Up"));
    m_down = new QPushButton(QStringLiteral("Move Down"));
    moves->addWidget(m_up);
    moves->addWidget(m_down);
    moves->addStretch();
    rows->addLayout(moves);
    layout->addLayout(rows, 1);
    auto *buttons =
        new QDialogButtonBox(QDialogButtonBox::RestoreDefaults | QDialogButtonBox::Cancel | QDialogButtonBox::Ok);
    layout->addWidget(buttons);

    connect(m_up, &QPushButton::clicked, this, [this]() { moveSelection(-1); });
    connect(m_down, &QPushButton::clicked, this, [this]() { moveSelection(1); });
    connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this,
            [this]() { restoreDefaults(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::currentRowChanged, this, [this]() { updateButtons(); });
    connect(m_list, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        if (!m_reloading)
            m_customization.setShown(m_list->row(item), item->checkState() == Qt::Checked);
    });
    reload(0);
    resize(360, 440);
}

void QVMailingLogToolbarCustomizeDialog::reload(int selectedRow)
{
    m_reloading = true;
    m_list->clear();
    for (const QVMailingLogToolbarCustomization::Row &row : m_customization.rows()) {
        auto *item = new QListWidgetItem(mailingLogToolbarIcon(row.identifier), row.label, m_list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(row.shown ? Qt::Checked : Qt::Unchecked);
    }
    m_reloading = false;
    m_list->setCurrentRow(selectedRow);
    updateButtons();
}

void QVMailingLogToolbarCustomizeDialog::moveSelection(int offset)
{
    const int row = m_list->currentRow();
    if (m_customization.moveRow(row, offset))
        reload(row + offset);
}

void QVMailingLogToolbarCustomizeDialog::restoreDefaults()
{
    m_customization.restoreDefaults();
    reload(0);
}

void QVMailingLogToolbarCustomizeDialog::updateButtons()
{
    const int row = m_list->currentRow();
    m_up->setEnabled(row > 0);
    m_down->setEnabled(row >= 0 && row + 1 < m_list->count());
}
