#include "widgets/PXSourceList.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>

#include <algorithm>
#include <limits>

// ---- The item model over the data source --------------------------------------------

class PXSourceList::Model : public QAbstractItemModel
{
public:
    explicit Model(PXSourceList &view) : QAbstractItemModel(&view), m_view(view) {}

    void reset()
    {
        beginResetModel();
        m_parents.clear();
        m_rows.clear();
        endResetModel();
    }

    static PXSourceListItem itemOf(const QModelIndex &index)
    {
        return index.isValid() ? static_cast<PXSourceListItem>(index.internalPointer()) : nullptr;
    }

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override
    {
        PXSourceListDataSource *source = m_view.conformingDataSource();
        if (!source || column != 0 || row < 0 || row >= rowCount(parent))
            return QModelIndex();
        const PXSourceListItem parentItem = itemOf(parent);
        const PXSourceListItem child = source->sourceListChildOfItem(m_view, row, parentItem);
        if (!child)
            return QModelIndex();
        m_parents.insert(child, parentItem);
        m_rows.insert(child, row);
        return createIndex(row, 0, const_cast<void *>(child));
    }

    QModelIndex parent(const QModelIndex &child) const override
    {
        const PXSourceListItem parentItem = m_parents.value(itemOf(child), nullptr);
        if (!parentItem)
            return QModelIndex();
        return createIndex(m_rows.value(parentItem, 0), 0, const_cast<void *>(parentItem));
    }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        PXSourceListDataSource *source = m_view.conformingDataSource();
        if (!source || parent.column() > 0)
            return 0;
        if (parent.isValid() && !source->sourceListIsItemExpandable(m_view, itemOf(parent)))
            return 0;
        return std::max(0, source->sourceListNumberOfChildrenOfItem(m_view, itemOf(parent)));
    }

    int columnCount(const QModelIndex & = QModelIndex()) const override { return 1; }

    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override
    {
        PXSourceListDataSource *source = m_view.conformingDataSource();
        if (!source)
            return false;
        if (!parent.isValid())
            return rowCount(parent) > 0;
        return source->sourceListIsItemExpandable(m_view, itemOf(parent));
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        PXSourceListDataSource *source = m_view.conformingDataSource();
        if (!source || !index.isValid())
            return QVariant();
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return source->sourceListObjectValueForItem(m_view, itemOf(index));
        if (role == Qt::SizeHintRole) {
            int height = m_view.m_delegate ? m_view.m_delegate->sourceListHeightOfRowByItem(m_view, itemOf(index)) : 0;
            return QSize(-1, height > 0 ? height : m_view.m_rowHeight);
        }
        return QVariant();
    }

    bool setData(const QModelIndex &index, const QVariant &value, int role) override
    {
        PXSourceListDataSource *source = m_view.conformingDataSource();
        if (!source || !index.isValid() || role != Qt::EditRole)
            return false;
        source->sourceListSetObjectValue(m_view, value, itemOf(index));
        emit dataChanged(index, index);
        return true;
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        if (!index.isValid())
            return Qt::NoItemFlags;
        Qt::ItemFlags flags = Qt::ItemIsEnabled;
        const PXSourceListItem item = itemOf(index);
        if (index.parent().isValid()) { // group items are neither selectable nor editable
            PXSourceListDelegate *delegate = m_view.m_delegate;
            if (!delegate || delegate->sourceListShouldSelectItem(m_view, item))
                flags |= Qt::ItemIsSelectable;
            if (!delegate || delegate->sourceListShouldEditItem(m_view, item))
                flags |= Qt::ItemIsEditable;
        }
        return flags;
    }

private:
    PXSourceList &m_view;
    mutable QHash<PXSourceListItem, PXSourceListItem> m_parents;
    mutable QHash<PXSourceListItem, int> m_rows;
};

// ---- Drawing of a row: icon, text and badge ----------------------------------------------

class PXSourceList::BadgeDelegate : public QStyledItemDelegate
{
public:
    explicit BadgeDelegate(PXSourceList &view) : QStyledItemDelegate(&view), m_view(view) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const PXSourceListItem item = Model::itemOf(index);
        if (m_view.isGroupItem(item)) {
            QStyleOptionViewItem groupOption(option);
            groupOption.font.setBold(true);
            groupOption.rect = m_view.frameOfCellAtRow(m_view.rowForItem(item));
            QStyledItemDelegate::paint(painter, groupOption, index);
            return;
        }
        const int row = m_view.rowForItem(item);
        QStyleOptionViewItem background(option);
        initStyleOption(&background, index);
        background.text.clear();
        QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &background, painter, &m_view);

        painter->save();
        if (m_view.m_dataSource && m_view.m_dataSource->sourceListItemHasIcon(m_view, item)) {
            const QRect box = m_view.frameOfIconAtRow(row);
            const QIcon icon = m_view.m_dataSource->sourceListIconForItem(m_view, item);
            // An image smaller than the box keeps its size, centred.
            const QSize actual = icon.actualSize(box.size());
            const QRect target(box.x() + (box.width() - actual.width()) / 2,
                               box.y() + (box.height() - actual.height()) / 2, actual.width(), actual.height());
            painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
            painter->setOpacity(1.0);
            icon.paint(painter, target);
        }
        const bool selected = option.state & QStyle::State_Selected;
        painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->setFont(option.font);
        const QRect textFrame = m_view.frameOfCellAtRow(row);
        painter->drawText(textFrame, Qt::AlignLeft | Qt::AlignVCenter,
                          option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight, textFrame.width()));

        if (m_view.itemHasBadge(item)) {
            const QRectF badge = m_view.frameOfBadgeAtRow(row);
            QPainterPath path;
            path.addRoundedRect(badge, 7, 7);
            painter->setRenderHint(QPainter::Antialiasing);
            painter->fillPath(path, m_view.badgeBackgroundColorAtRow(row));
            painter->setPen(m_view.badgeTextColorAtRow(row));
            painter->setFont(PXSourceList::badgeFont());
            painter->drawText(badge, Qt::AlignCenter, QString::number(m_view.badgeValueForItem(item)));
        }
        painter->restore();
    }

private:
    PXSourceList &m_view;
};

// ---- The view ------------------------------------------------------------------------------------

PXSourceList::PXSourceList(QWidget *parent) : QTreeView(parent)
{
    m_model = new Model(*this);
    QTreeView::setModel(m_model);
    setItemDelegate(new BadgeDelegate(*this));
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::DoubleClicked);
    // The outline column follows the view's width.
    header()->setStretchLastSection(true);
    QTreeView::setIconSize(m_iconSize);
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex &index) { itemExpanded(index); });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex &index) { itemCollapsed(index); });
}

PXSourceList::~PXSourceList()
{
    m_delegateObservers.clear();
    m_delegate = nullptr;
    m_dataSource = nullptr;
}

PXSourceListDataSource *PXSourceList::conformingDataSource() const
{
    return dynamic_cast<PXSourceListDataSource *>(m_dataSource);
}

void PXSourceList::setDataSource(PXSourceListInformalDataSource *dataSource)
{
    m_dataSource = dataSource;
    reloadData();
}

void PXSourceList::setDelegate(PXSourceListDelegate *delegate)
{
    m_delegateObservers.clear();
    m_delegate = delegate;
    registerDelegateNotifications();
}

void PXSourceList::registerDelegateNotifications()
{
    if (!m_delegate)
        return;
    using Receiver = void (PXSourceListDelegate::*)(const Notification &);
    const std::pair<QString, Receiver> receivers[] = {
        {PXSourceListSelectionIsChangingNotification, &PXSourceListDelegate::sourceListSelectionIsChanging},
        {PXSourceListSelectionDidChangeNotification, &PXSourceListDelegate::sourceListSelectionDidChange},
        {PXSourceListItemWillExpandNotification, &PXSourceListDelegate::sourceListItemWillExpand},
        {PXSourceListItemDidExpandNotification, &PXSourceListDelegate::sourceListItemDidExpand},
        {PXSourceListItemWillCollapseNotification, &PXSourceListDelegate::sourceListItemWillCollapse},
        {PXSourceListItemDidCollapseNotification, &PXSourceListDelegate::sourceListItemDidCollapse},
        {PXSourceListDeleteKeyPressedOnRowsNotification, &PXSourceListDelegate::sourceListDeleteKeyPressedOnRows},
    };
    PXSourceListDelegate *delegate = m_delegate;
    for (const auto &entry : receivers) {
        const auto receiver = entry.second;
        m_delegateObservers.push_back(NotificationCenter::defaultCenter().addObserver(
            entry.first, NotificationObject(this),
            [delegate, receiver](const Notification &n) { (delegate->*receiver)(n); }));
    }
}

void PXSourceList::post(const QString &name, const QVariantMap &userInfo)
{
    NotificationCenter::defaultCenter().post(name, NotificationObject(this), userInfo);
}

void PXSourceList::setIconSize(const QSize &size)
{
    QSize fitted = size;
    if (fitted.height() > m_rowHeight && fitted.height() > 0)
        fitted = QSize(qRound(double(fitted.width()) * m_rowHeight / fitted.height()), m_rowHeight);
    m_iconSize = fitted;
    QTreeView::setIconSize(fitted);
}

void PXSourceList::reloadData()
{
    m_model->reset();
    PXSourceListDataSource *source = conformingDataSource();
    if (source && m_delegate) {
        m_restoringExpansion = true;
        const int groups = m_model->rowCount();
        for (int row = 0; row < groups; ++row) {
            const QModelIndex group = m_model->index(row, 0);
            if (m_delegate->sourceListIsGroupAlwaysExpanded(*this, Model::itemOf(group)))
                expand(group);
        }
        m_restoringExpansion = false;
    }
    // Selection repair.
    QList<int> selected = selectedRowIndexes();
    const int rows = numberOfRows();
    if (selected.isEmpty() && !m_allowsEmptySelection) {
        for (int row = 0; row < rows; ++row) {
            if (!isGroupItem(itemAtRow(row))) {
                selectRowIndexes({row}, false);
                break;
            }
        }
    } else if (!selected.isEmpty() && isGroupItem(itemAtRow(selected.first()))) {
        int row = selected.first();
        while (row > 0 && isGroupItem(itemAtRow(row)))
            --row;
        if (row == 0 && isGroupItem(itemAtRow(0)))
            selectionModel()->clearSelection();
        else
            selectRowIndexes({row}, false);
    }
}

std::vector<QModelIndex> PXSourceList::visibleIndexes() const
{
    std::vector<QModelIndex> indexes;
    for (QModelIndex index = m_model->index(0, 0); index.isValid(); index = indexBelow(index))
        indexes.push_back(index);
    return indexes;
}

int PXSourceList::numberOfRows() const { return int(visibleIndexes().size()); }

int PXSourceList::numberOfGroups() const { return m_model->rowCount(); }

QModelIndex PXSourceList::indexAtRow(int row) const
{
    const std::vector<QModelIndex> indexes = visibleIndexes();
    return row >= 0 && row < int(indexes.size()) ? indexes[size_t(row)] : QModelIndex();
}

QModelIndex PXSourceList::indexForItem(PXSourceListItem item) const
{
    for (const QModelIndex &index : visibleIndexes())
        if (Model::itemOf(index) == item)
            return index;
    return QModelIndex();
}

PXSourceListItem PXSourceList::itemAtRow(int row) const { return Model::itemOf(indexAtRow(row)); }

int PXSourceList::rowForItem(PXSourceListItem item) const
{
    const std::vector<QModelIndex> indexes = visibleIndexes();
    for (size_t row = 0; row < indexes.size(); ++row)
        if (Model::itemOf(indexes[row]) == item)
            return int(row);
    return -1;
}

int PXSourceList::levelForItem(PXSourceListItem item) const
{
    QModelIndex index = indexForItem(item);
    if (!index.isValid())
        return -1;
    int level = 0;
    for (index = index.parent(); index.isValid(); index = index.parent())
        ++level;
    return level;
}

bool PXSourceList::isGroupItem(PXSourceListItem item) const { return item && levelForItem(item) == 0; }

bool PXSourceList::isGroupAlwaysExpanded(PXSourceListItem item) const
{
    return isGroupItem(item) && m_delegate &&
        m_delegate->sourceListIsGroupAlwaysExpanded(*const_cast<PXSourceList *>(this), item);
}

bool PXSourceList::itemHasBadge(PXSourceListItem item) const
{
    return m_dataSource && m_dataSource->sourceListItemHasBadge(*const_cast<PXSourceList *>(this), item);
}

qint64 PXSourceList::badgeValueForItem(PXSourceListItem item) const
{
    if (!itemHasBadge(item))
        return std::numeric_limits<qint64>::max();
    return m_dataSource->sourceListBadgeValueForItem(*const_cast<PXSourceList *>(this), item);
}

QList<int> PXSourceList::selectedRowIndexes() const
{
    QList<int> rows;
    const std::vector<QModelIndex> indexes = visibleIndexes();
    for (size_t row = 0; row < indexes.size(); ++row)
        if (selectionModel()->isSelected(indexes[row]))
            rows << int(row);
    return rows;
}

void PXSourceList::selectRowIndexes(const QList<int> &rows, bool extendSelection)
{
    if (rows.isEmpty() && !m_allowsEmptySelection)
        return;
    QList<int> proposal;
    for (int row : rows)
        if (!isGroupItem(itemAtRow(row)) && indexAtRow(row).isValid())
            proposal << row;
    if (m_delegate && !proposal.isEmpty())
        proposal = m_delegate->sourceListSelectionIndexesForProposedSelection(*this, proposal);
    if (proposal.isEmpty() && !rows.isEmpty())
        return;
    QItemSelection selection;
    for (int row : proposal) {
        const QModelIndex index = indexAtRow(row);
        if (index.isValid() && (index.flags() & Qt::ItemIsSelectable))
            selection.select(index, index);
    }
    selectionModel()->select(selection,
                             extendSelection ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect);
    if (!proposal.isEmpty())
        selectionModel()->setCurrentIndex(indexAtRow(proposal.last()), QItemSelectionModel::NoUpdate);
}

void PXSourceList::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    QTreeView::selectionChanged(selected, deselected);
    post(PXSourceListSelectionDidChangeNotification);
}

void PXSourceList::itemExpanded(const QModelIndex &index)
{
    if (m_restoringExpansion)
        return;
    const PXSourceListItem item = Model::itemOf(index);
    if (m_delegate && !m_delegate->sourceListShouldExpandItem(*this, item)) {
        m_restoringExpansion = true;
        collapse(index);
        m_restoringExpansion = false;
        return;
    }
    const QVariantMap userInfo{{QStringLiteral("item"), QVariant::fromValue(quintptr(item))}};
    post(PXSourceListItemWillExpandNotification, userInfo);
    post(PXSourceListItemDidExpandNotification, userInfo);
}

void PXSourceList::itemCollapsed(const QModelIndex &index)
{
    if (m_restoringExpansion)
        return;
    const PXSourceListItem item = Model::itemOf(index);
    if (isGroupAlwaysExpanded(item) || (m_delegate && !m_delegate->sourceListShouldCollapseItem(*this, item))) {
        m_restoringExpansion = true;
        expand(index);
        m_restoringExpansion = false;
        return;
    }
    const QVariantMap userInfo{{QStringLiteral("item"), QVariant::fromValue(quintptr(item))}};
    post(PXSourceListItemWillCollapseNotification, userInfo);
    post(PXSourceListItemDidCollapseNotification, userInfo);
}

// ---- Keys and mouse ------------------------------------------------------------------------------

void PXSourceList::keyPressEvent(QKeyEvent *event)
{
    const QList<int> selected = selectedRowIndexes();
    const int key = event->key();
    if (selected.isEmpty()) {
        QTreeView::keyPressEvent(event);
        return;
    }
    if ((key == Qt::Key_Up || key == Qt::Key_Down) && selected.size() == 1 &&
        !(event->modifiers() & Qt::ShiftModifier)) {
        const int step = key == Qt::Key_Up ? -1 : 1;
        const int rows = numberOfRows();
        for (int row = selected.first() + step; row >= 0 && row < rows; row += step) {
            if (!isGroupItem(itemAtRow(row))) {
                selectRowIndexes({row}, false);
                scrollTo(indexAtRow(row));
                break;
            }
        }
        event->accept();
        return;
    }
    if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
        QVariantList rows;
        for (int row : selected)
            rows << row;
        post(PXSourceListDeleteKeyPressedOnRowsNotification, {{QStringLiteral("rows"), rows}});
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void PXSourceList::mousePressEvent(QMouseEvent *event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid()) {
        selectionModel()->clearSelection();
        event->accept();
        return;
    }
    if (isGroupItem(Model::itemOf(index))) {
        // A heading is never selected; only its disclosure triangle acts.
        if (event->position().x() < visualRect(index).x())
            QTreeView::mousePressEvent(event);
        event->accept();
        return;
    }
    post(PXSourceListSelectionIsChangingNotification);
    QTreeView::mousePressEvent(event);
}

QMenu *PXSourceList::menuForPosition(QContextMenuEvent *event, const QPoint &position)
{
    if (!m_delegate)
        return nullptr;
    return m_delegate->sourceListMenuForEvent(*this, event, Model::itemOf(indexAt(position)));
}

void PXSourceList::contextMenuEvent(QContextMenuEvent *event)
{
    if (QMenu *menu = menuForPosition(event, viewport()->mapFrom(this, event->pos()))) {
        menu->exec(event->globalPos());
        event->accept();
        return;
    }
    QTreeView::contextMenuEvent(event);
}

// ---- Geometry and colours ------------------------------------------------------------------------

void PXSourceList::drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const
{
    if (isGroupAlwaysExpanded(Model::itemOf(index)))
        return; // no disclosure triangle
    QTreeView::drawBranches(painter, rect, index);
}

QFont PXSourceList::badgeFont()
{
    QFont font = QApplication::font();
    font.setPointSize(11);
    font.setBold(true);
    return font;
}

QSize PXSourceList::badgeSizeForTextWidth(qreal textWidth)
{
    return QSize(std::max(22, int(std::ceil(textWidth)) + 10), 14);
}

QSize PXSourceList::sizeOfBadgeAtRow(int row) const
{
    const PXSourceListItem item = itemAtRow(row);
    if (!item)
        return QSize();
    const QString text = QString::number(badgeValueForItem(item));
    return badgeSizeForTextWidth(QFontMetricsF(badgeFont()).horizontalAdvance(text));
}

QRect PXSourceList::frameOfBadgeAtRow(int row) const
{
    const QModelIndex index = indexAtRow(row);
    if (!index.isValid() || !itemHasBadge(Model::itemOf(index)))
        return QRect();
    const QRect cell = visualRect(index);
    const QSize size = sizeOfBadgeAtRow(row);
    const int right = viewport()->width() - 5;
    return QRect(right - size.width(), cell.y() + (cell.height() - size.height()) / 2, size.width(), size.height());
}

QRect PXSourceList::frameOfIconAtRow(int row) const
{
    const QRect text = frameOfCellAtRow(row);
    const QModelIndex index = indexAtRow(row);
    if (!index.isValid())
        return QRect();
    const QRect cell = visualRect(index);
    return QRect(text.x() - 2 - m_iconSize.width(), cell.y() + (cell.height() - m_iconSize.height()) / 2,
                 m_iconSize.width(), m_iconSize.height());
}

QRect PXSourceList::frameOfCellAtRow(int row) const
{
    const QModelIndex index = indexAtRow(row);
    if (!index.isValid())
        return QRect();
    const PXSourceListItem item = Model::itemOf(index);
    const QRect cell = visualRect(index);
    const int rowRight = viewport()->width();
    if (isGroupItem(item)) {
        const int x = isGroupAlwaysExpanded(item) ? 7 : cell.x();
        return QRect(x, cell.y(), rowRight - x, cell.height());
    }
    int x = levelForItem(item) * indentation() + 18;
    if (m_dataSource && m_dataSource->sourceListItemHasIcon(*const_cast<PXSourceList *>(this), item))
        x += m_iconSize.width() + 4;
    const QRect badge = frameOfBadgeAtRow(row);
    const int right = badge.isValid() ? badge.left() - 5 : rowRight;
    const int height = std::min(cell.height(), fontMetrics().height());
    return QRect(x, cell.y() + (cell.height() - height) / 2, std::max(0, right - x), height);
}

QColor PXSourceList::badgeBackgroundColorAtRow(int row) const
{
    const bool windowShown = isActiveWindow();
    if (selectedRowIndexes().contains(row))
        return Qt::white;
    if (!windowShown)
        return QColor::fromRgbF(0.7059f, 0.7059f, 0.7059f);
    const QColor own = m_dataSource
        ? m_dataSource->sourceListBadgeBackgroundColorForItem(*const_cast<PXSourceList *>(this), itemAtRow(row))
        : QColor();
    return own.isValid() ? own : QColor::fromRgbF(0.5961f, 0.6588f, 0.7922f);
}

QColor PXSourceList::badgeTextColorAtRow(int row) const
{
    const bool windowShown = isActiveWindow();
    if (selectedRowIndexes().contains(row)) {
        if (!windowShown)
            return QColor::fromRgbF(0.6667f, 0.6667f, 0.6667f);
        if (hasFocus() || state() == QAbstractItemView::EditingState)
            return palette().color(QPalette::Active, QPalette::Highlight);
        return QColor::fromRgbF(0.6f, 0.6627f, 0.7961f);
    }
    if (!windowShown)
        return Qt::white;
    const QColor own = m_dataSource
        ? m_dataSource->sourceListBadgeTextColorForItem(*const_cast<PXSourceList *>(this), itemAtRow(row))
        : QColor();
    return own.isValid() ? own : QColor(Qt::white);
}
