#pragma once
// A table view for list windows: Return or Enter with a selection performs
// the return action; Home and End scroll to the first and last row without
// changing the selection; the space bar steps the selection down (with
// Shift, up); a right click on a cell selects its row alone and shows the
// menu that the menu provider gives for that column and row (none below the
// last row or without a provider).
#include <QTableView>

#include <functional>

class QMenu;

class QVReturnActionTableView : public QTableView
{
public:
    // The menu for a column and a row; nullptr for none. The view does not
    // own it.
    using MenuProvider = std::function<QMenu *(int column, int row)>;

    explicit QVReturnActionTableView(QWidget *parent = nullptr);

    void setReturnAction(std::function<void()> action) { m_returnAction = std::move(action); }
    bool hasReturnAction() const { return static_cast<bool>(m_returnAction); }
    void setMenuProvider(MenuProvider provider) { m_menuProvider = std::move(provider); }

    // The menu of a right click at the position (viewport coordinates),
    // selecting the row under it; nullptr when there is no cell there or no
    // provider.
    QMenu *menuForPosition(const QPoint &position);
    // The selected row, or -1.
    int selectedRow() const;
    // Selects the row alone and scrolls it into view.
    void selectRowAlone(int row);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    std::function<void()> m_returnAction;
    MenuProvider m_menuProvider;
};
