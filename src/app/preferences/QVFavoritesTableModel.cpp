#include "app/preferences/QVFavoritesTableModel.h"

#include "app/preferences/QVFavorites.h"
#include "app/preferences/QVShipmentFavorites.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>

#include <algorithm>

QVFavoritesTableModel::QVFavoritesTableModel(QObject *parent)
    : QAbstractListModel(parent), m_favorites(QVShipmentFavorites::allFavorites())
{
    m_observer = NotificationCenter::defaultCenter().addObserver(QVShipmentFavoritesDidChangeNotification,
                                                                 [this](const Notification &) { reload(); });
}

void QVFavoritesTableModel::reload()
{
    beginResetModel();
    m_favorites = QVShipmentFavorites::allFavorites();
    endResetModel();
}

int QVFavoritesTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_favorites.size());
}

QVariant QVFavoritesTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_favorites.size() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return m_favorites.at(index.row()).toMap().value(QVFavoriteNicknameKey);
}

bool QVFavoritesTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    return QVFavorites::renameFavorite(index.row(), value.toString());
}

Qt::ItemFlags QVFavoritesTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return QAbstractListModel::flags(index) | Qt::ItemIsEditable | Qt::ItemIsDragEnabled;
}

QStringList QVFavoritesTableModel::mimeTypes() const { return {QVFavoritesDragType}; }

QMimeData *QVFavoritesTableModel::mimeData(const QModelIndexList &indexes) const
{
    QList<int> rows;
    for (const QModelIndex &index : indexes)
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    auto *data = new QMimeData;
    data->setData(QVFavoritesDragType, QVFavorites::dragDataForRows(rows));
    return data;
}

bool QVFavoritesTableModel::canDropMimeData(const QMimeData *data, Qt::DropAction action, int, int,
                                            const QModelIndex &) const
{
    return data && action == Qt::MoveAction && data->hasFormat(QVFavoritesDragType);
}

bool QVFavoritesTableModel::dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                                         const QModelIndex &parent)
{
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    const std::optional<QList<int>> rows = QVFavorites::rowsFromDragData(data->data(QVFavoritesDragType));
    if (!rows || rows->isEmpty())
        return false;
    // A drop onto a row falls above it; a drop below the last row at the end.
    int dropRow = row;
    if (dropRow < 0)
        dropRow = parent.isValid() ? parent.row() : rowCount();
    QVFavorites::moveFavorite(rows->first(), dropRow);
    // The move is done here: the view must not remove the dragged rows.
    return false;
}

QVFavoritesTableView::QVFavoritesTableView(QWidget *parent) : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
    setDragDropOverwriteMode(false);
    horizontalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->hide();
}

void QVFavoritesTableView::keyPressEvent(QKeyEvent *event)
{
    const bool deleteKey = event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete;
    const Qt::KeyboardModifiers held =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (deleteKey && held == Qt::NoModifier && model() && model()->rowCount() > 0 && selectionModel() &&
        selectionModel()->hasSelection() && deleteRequested) {
        deleteRequested();
        return;
    }
    QTableView::keyPressEvent(event);
}
