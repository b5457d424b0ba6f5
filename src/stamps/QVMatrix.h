#pragma once
// The on-screen stamp sheet: a grid of stamp cells (QVStampImageCell or
// QVStamp2000ImageCell) that the user selects with the mouse. Keys do
// nothing. A right-click on a cell outside the selection makes it the only
// selected cell; inside the selection it keeps the selection; either way the
// matrix reports the right-click so that the window opens its class menu
// for the selection.
#include "stamps/QVStampImageCell.h"

#include <QList>
#include <QSet>
#include <QWidget>

#include <memory>
#include <vector>

class QVMatrix : public QWidget
{
    Q_OBJECT

public:
    // rows x columns cells of the cell kind, each cellSize points.
    QVMatrix(int rows, int columns, bool stamp2000Cells, const QSizeF &cellSize, QWidget *parent = nullptr);

    int rows() const { return m_rows; }
    int columns() const { return m_columns; }
    int cellCount() const { return m_rows * m_columns; }
    QVStampImageCell &cellAt(int index) { return *m_cells.at(size_t(index)); }

    // The amount texts of the cells in order (a null text: blank).
    void setCellAmounts(const QStringList &amounts);
    QList<int> selectedCells() const;
    // Selects the cells (out-of-range indices are ignored) without a report.
    void setSelectedCells(const QList<int> &cells);
    // Selects every cell, then reports the selection.
    void selectAll();
    // The cell under a point of the matrix; -1 for none.
    int cellAtPoint(const QPointF &point) const;
    // menuForEvent's choice of selection for a right-click at the point;
    // then reports the right-click.
    void rightClickAt(const QPointF &point, const QPoint &globalPosition);

    QSize sizeHint() const override;

signals:
    // The user changed the selection.
    void selectionChanged(const QList<int> &cells);
    // A right-click on the cell (after the selection was adjusted).
    void rightClicked(int cell, const QPoint &globalPosition);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    QRectF cellFrame(int index) const;

    int m_rows;
    int m_columns;
    QSizeF m_cellSize;
    std::vector<std::unique_ptr<QVStampImageCell>> m_cells;
};
