#pragma once
// The Favorites pane's table: one row per favorite showing its nickname,
// edited in place to rename it, rows dragged under
// "BasicTableViewDragAndDropDataType" to reorder them (every drop falls
// between rows and moves the first dragged row there). The model follows
// QVShipmentFavoritesDidChangeNotification, so a change made anywhere shows
// at once. QVFavoritesTableView sends the delete keys to deleteRequested.
#include "platform/NotificationCenter.h"

#include <QAbstractListModel>
#include <QTableView>

#include <functional>

class QVFavoritesTableModel : public QAbstractListModel
{
public:
    explicit QVFavoritesTableModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                         const QModelIndex &parent) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;

private:
    void reload();

    QVariantList m_favorites;
    NotificationObserver m_observer;
};

// The table of the pane: Backspace, Delete and the delete function keys
// without Shift, Control, Alt or Meta, while it has rows and a selection,
// call deleteRequested; other keys go to the ordinary handling.
class QVFavoritesTableView : public QTableView
{
public:
    explicit QVFavoritesTableView(QWidget *parent = nullptr);
    std::function<void()> deleteRequested;

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
