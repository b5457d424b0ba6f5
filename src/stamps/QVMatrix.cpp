#include "stamps/QVMatrix.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

QVMatrix::QVMatrix(int rows, int columns, bool stamp2000Cells, const QSizeF &cellSize, QWidget *parent)
    : QWidget(parent), m_rows(rows), m_columns(columns), m_cellSize(cellSize)
{
    for (int i = 0; i < rows * columns; ++i)
        m_cells.push_back(stamp2000Cells ? std::make_unique<QVStamp2000ImageCell>()
                                         : std::make_unique<QVStampImageCell>());
    setFocusPolicy(Qt::ClickFocus);
    setFixedSize(sizeHint());
}

QSize QVMatrix::sizeHint() const
{
    return QSizeF(m_cellSize.width() * m_columns, m_cellSize.height() * m_rows).toSize();
}

QRectF QVMatrix::cellFrame(int index) const
{
    const int row = index / m_columns;
    const int column = index % m_columns;
    return QRectF(column * m_cellSize.width(), row * m_cellSize.height(), m_cellSize.width(), m_cellSize.height());
}

int QVMatrix::cellAtPoint(const QPointF &point) const
{
    if (point.x() < 0 || point.y() < 0)
        return -1;
    const int column = int(point.x() / m_cellSize.width());
    const int row = int(point.y() / m_cellSize.height());
    if (column >= m_columns || row >= m_rows)
        return -1;
    return row * m_columns + column;
}

void QVMatrix::setCellAmounts(const QStringList &amounts)
{
    for (int i = 0; i < cellCount(); ++i) {
        m_cells[size_t(i)]->setOverlayImage(QImage());
        m_cells[size_t(i)]->setStampAmount(i < amounts.size() && !amounts[i].isEmpty() ? amounts[i] : QString());
    }
    update();
}

QList<int> QVMatrix::selectedCells() const
{
    QList<int> cells;
    for (int i = 0; i < cellCount(); ++i)
        if (m_cells[size_t(i)]->isSelected())
            cells.append(i);
    return cells;
}

void QVMatrix::setSelectedCells(const QList<int> &cells)
{
    const QSet<int> wanted(cells.cbegin(), cells.cend());
    for (int i = 0; i < cellCount(); ++i)
        m_cells[size_t(i)]->setSelected(wanted.contains(i));
    update();
}

void QVMatrix::selectAll()
{
    QList<int> all;
    for (int i = 0; i < cellCount(); ++i)
        all.append(i);
    setSelectedCells(all);
    emit selectionChanged(all);
}

void QVMatrix::rightClickAt(const QPointF &point, const QPoint &globalPosition)
{
    const int cell = cellAtPoint(point);
    if (cell >= 0 && !m_cells[size_t(cell)]->isSelected())
        setSelectedCells({cell});
    emit rightClicked(cell, globalPosition);
}

void QVMatrix::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    for (int i = 0; i < cellCount(); ++i)
        m_cells[size_t(i)]->drawInteriorWithFrame(painter, cellFrame(i));
}

void QVMatrix::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const int cell = cellAtPoint(event->position());
    if (cell < 0)
        return;
    QList<int> cells = selectedCells();
    if (event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::MetaModifier)) {
        if (cells.contains(cell))
            cells.removeAll(cell);
        else
            cells.append(cell);
    } else {
        cells = {cell};
    }
    setSelectedCells(cells);
    emit selectionChanged(selectedCells());
}

void QVMatrix::keyPressEvent(QKeyEvent *event) { event->accept(); }

void QVMatrix::contextMenuEvent(QContextMenuEvent *event)
{
    rightClickAt(event->pos(), event->globalPos());
    event->accept();
}
