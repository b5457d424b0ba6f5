#pragma once
// QVAddressBookPanel: the thin view of the address drawer (the panel of the
// main window's drawer dock) over a QVAddressBookController: the book
// chooser, the search field and the address table (its columns as the
// controller lists them), with the table's menu (export, edit card, import).
// Backspace or Delete with no modifier key, in a table with a selected row,
// sends deleteSelectedRow; a right click on a row that is not selected
// selects it alone first.
#include <QWidget>

class QComboBox;
class QLineEdit;
class QTableView;
class QVAddressBookController;
class QVAddressBookTableModel;

class QVAddressBookPanel : public QWidget
{
public:
    // The controller must outlive the panel; the panel sets its hooks.
    explicit QVAddressBookPanel(QVAddressBookController &controller, QWidget *parent = nullptr);
    ~QVAddressBookPanel() override;

    QComboBox *bookChooser() const { return m_chooser; }
    QLineEdit *searchField() const { return m_search; }
    QTableView *tableView() const { return m_table; }

    // Shows the controller's state again.
    void reload();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void tableSelectionChanged();

    QVAddressBookController &m_controller;
    QComboBox *m_chooser = nullptr;
    QLineEdit *m_search = nullptr;
    QTableView *m_table = nullptr;
    QVAddressBookTableModel *m_model = nullptr;
    bool m_reloading = false;
};
