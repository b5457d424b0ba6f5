#include "widgets/QVReturnActionTableView.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>

QVReturnActionTableView::QVReturnActionTableView(QWidget *parent) : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

int QVReturnActionTableView::selectedRow() const
{
    if (!selectionModel())
        return -1;
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void QVReturnActionTableView::selectRowAlone(int row)
{
    if (!model() || row < 0 || row >= model()->rowCount())
        return;
    selectRow(row);
    scrollTo(model()->index(row, 0));
}

void QVReturnActionTableView::keyPressEvent(QKeyEvent *event)
{
    const int rows = model() ? model()->rowCount() : 0;
    const int selected = selectedRow();
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && selected >= 0) {
        if (m_returnAction)
            m_returnAction();
        event->accept();
        return;
    }
    if (key == Qt::Key_Home && rows > 0) {
        scrollTo(model()->index(0, 0));
        event->accept();
        return;
    }
    if (key == Qt::Key_End && rows > 0) {
        scrollTo(model()->index(rows - 1, 0));
        event->accept();
        return;
    }
    if (key == Qt::Key_Space) {
        const int row = (event->modifiers() & Qt::ShiftModifier) ? (selected >= 0 ? selected : rows) - 1 : selected + 1;
        if (row >= 0 && row < rows)
            selectRowAlone(row);
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

QMenu *QVReturnActionTableView::menuForPosition(const QPoint &position)
{
    const QModelIndex index = indexAt(position);
    if (!index.isValid() || !m_menuProvider)
        return nullptr;
    selectRow(index.row());
    return m_menuProvider(index.column(), index.row());
}

void QVReturnActionTableView::contextMenuEvent(QContextMenuEvent *event)
{
    // A click comes here through the viewport, in the viewport's own
    // coordinates; the menu key asks for the current row's menu, shown at
    // its cell.
    event->accept();
    const bool keyboard = event->reason() == QContextMenuEvent::Keyboard;
    if (keyboard && !currentIndex().isValid())
        return;
    const QPoint position = keyboard ? visualRect(currentIndex()).center() : event->pos();
    if (QMenu *menu = menuForPosition(position))
        menu->popup(keyboard ? viewport()->mapToGlobal(position) : event->globalPos());
}
