#include "sources/QVAddressBookPanel.h"

#include "sources/QVAddressBookController.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

namespace {
// The search field's and the name column's least widths, in characters of
// the drawer's font.
constexpr int kSearchFieldCharacters = 20;
constexpr int kNameColumnCharacters = 24;
} // namespace

class QVAddressBookTableModel : public QAbstractTableModel
{
public:
    explicit QVAddressBookTableModel(QVAddressBookController &controller, QObject *parent)
        : QAbstractTableModel(parent), m_controller(controller)
    {}

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(m_controller.numberOfRows());
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(m_controller.columns().size());
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return QVariant();
        return m_controller.textForColumn(m_controller.columns().value(index.column()), index.row());
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return QVariant();
        const QString column = m_controller.columns().value(section);
        if (column == QVAddressBookController::NameColumn)
            return QStringLiteral("Name");
        if (column == QVAddressBookController::LabelColumn)
            return QStringLiteral("Label");
        return QStringLiteral("Address");
    }
    void reset()
    {
        beginResetModel();
        endResetModel();
    }

private:
    QVAddressBookController &m_controller;
};

QVAddressBookPanel::QVAddressBookPanel(QVAddressBookController &controller, QWidget *parent)
    : QWidget(parent), m_controller(controller)
{
    setObjectName(QStringLiteral("AddressBookDrawer"));
    auto *layout = new QVBoxLayout(this);
    m_chooser = new QComboBox(this);
    m_search = new QLineEdit(this);
    m_search->setPlaceholderText(QStringLiteral("Search"));
    m_search->setClearButtonEnabled(true);
    m_table = new QTableView(this);
    m_model = new QVAddressBookTableModel(controller, this);
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    m_table->installEventFilter(this);
    auto *importButton = new QPushButton(QStringLiteral("Import\u2026"), this);
    // Wide enough for a search of a few words and a person's whole name, so
    // the drawer never opens as a sliver.
    const QFontMetrics metrics = fontMetrics();
    m_search->setMinimumWidth(metrics.averageCharWidth() * kSearchFieldCharacters);
    const int nameColumn = metrics.averageCharWidth() * kNameColumnCharacters;
    m_table->horizontalHeader()->setDefaultSectionSize(nameColumn);
    m_table->setMinimumWidth(nameColumn + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2 * m_table->frameWidth());
    layout->addWidget(m_chooser);
    layout->addWidget(m_search);
    layout->addWidget(m_table, 1);
    layout->addWidget(importButton, 0, Qt::AlignRight);

    connect(m_chooser, &QComboBox::activated, this, [this](int index) { m_controller.chooseBook(index); });
    connect(m_search, &QLineEdit::textChanged, this, [this](const QString &text) { m_controller.setSearchText(text); });
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { tableSelectionChanged(); });
    connect(importButton, &QPushButton::clicked, this, [this] { m_controller.importFile(); });
    connect(m_table, &QWidget::customContextMenuRequested, this, [this](const QPoint &position) {
        const QModelIndex index = m_table->indexAt(position);
        if (index.isValid() && !m_table->selectionModel()->isRowSelected(index.row(), QModelIndex()))
            m_controller.selectRows({index.row()});
        QMenu menu(this);
        QAction *exportAction = menu.addAction(QStringLiteral("Export vCard\u2026"));
        exportAction->setEnabled(m_controller.canExportVCard());
        connect(exportAction, &QAction::triggered, this, [this] { m_controller.exportVCard(); });
        QAction *editAction = menu.addAction(QStringLiteral("Edit Card"));
        editAction->setEnabled(m_controller.canEditCard());
        connect(editAction, &QAction::triggered, this, [this] { m_controller.editCard(); });
        menu.addSeparator();
        connect(menu.addAction(QStringLiteral("Import Addresses\u2026")), &QAction::triggered, this,
                [this] { m_controller.importFile(); });
        menu.exec(m_table->viewport()->mapToGlobal(position));
    });

    controller.changed = [this] { reload(); };
    controller.beep = [] { QApplication::beep(); };
    reload();
}

QVAddressBookPanel::~QVAddressBookPanel()
{
    m_controller.changed = nullptr;
    m_controller.beep = nullptr;
}

void QVAddressBookPanel::reload()
{
    m_reloading = true;
    if (m_chooser->count() != m_controller.chooserTitles().size() || [this] {
            for (int i = 0; i < m_chooser->count(); ++i) {
                if (m_chooser->itemText(i) != m_controller.chooserTitles().at(i))
                    return true;
            }
            return false;
        }()) {
        m_chooser->clear();
        m_chooser->addItems(m_controller.chooserTitles());
    }
    m_chooser->setCurrentIndex(m_controller.selectedChooserIndex());
    if (m_search->text() != m_controller.searchText())
        m_search->setText(m_controller.searchText());
    m_model->reset();
    QItemSelection selection;
    for (const qsizetype row : m_controller.selectedRows())
        selection.select(m_model->index(int(row), 0), m_model->index(int(row), m_model->columnCount() - 1));
    m_table->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    m_reloading = false;
}

void QVAddressBookPanel::tableSelectionChanged()
{
    if (m_reloading)
        return;
    QList<qsizetype> rows;
    for (const QModelIndex &index : m_table->selectionModel()->selectedRows())
        rows.append(index.row());
    m_controller.selectRows(rows);
}

bool QVAddressBookPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_table && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool deleteKey = key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete;
        if (deleteKey && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier &&
            m_controller.numberOfRows() > 0 && !m_controller.selectedRows().isEmpty()) {
            m_controller.deleteSelectedRow();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
