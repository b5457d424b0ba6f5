#pragma once
// The mailing-log window: a thin Qt view over QVMailingLogController. The
// toolbar (built from QVMailingLogToolbar's saved order: the controller's
// items, separators, flexible spaces, the Customize item and the search
// field, where typing filters and Return finds the next name; its context
// menu and the Customize item open the customise dialog), the log table
// (QVReturnActionTableView over a model that reads the controller: Return
// and a double click open details, a right click shows the row menu with
// its delivery-status submenu, a header click sorts), the preview pane with
// the selected entry's log text, the count line and a row of buttons for the
// actions the toolbar does not carry. Every action goes to the controller;
// enabling follows its validateAction(). Details open one log-entry window
// (QVMailingLogEntryController) per entry.
#include "mailinglog/window/QVMailingLogController.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QPointer>
#include <QWidget>

#include <map>
#include <memory>

class QLabel;
class QToolBar;
class QVBoxLayout;
class QVMailingLogEntryController;
class QLineEdit;
class QMenu;
class QPushButton;
class QTextEdit;
class QVReturnActionTableView;
class QVBatchTrackWindow;

// The table's rows and columns, read from the controller.
class QVMailingLogTableModel : public QAbstractTableModel
{
public:
    explicit QVMailingLogTableModel(QVMailingLogController &controller, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void reload();

    // The painted image of a status image name (none for "empty").
    static QIcon statusIcon(const QString &name);
    // A cell value as the table shows it.
    static QString displayText(const QVariant &value);

private:
    QVMailingLogController &m_controller;
    QStringList m_columns;
};

class QVMailingLogWindow : public QWidget
{
public:
    explicit QVMailingLogWindow(QVMailingLogController &controller, QWidget *parent = nullptr);
    ~QVMailingLogWindow() override;

    // Brings the widgets to the controller's state.
    void refresh();

    QVReturnActionTableView *tableView() const { return m_table; }
    // The toolbar's search field (null while the toolbar has no search
    // item).
    QLineEdit *searchField() const { return m_search; }
    QToolBar *toolbar() const { return m_toolbar; }
    // The toolbar's action of an item (null when the item is not shown).
    QAction *toolbarAction(const QString &identifier) const { return m_toolbarActions.value(identifier); }
    // The customise dialog, run modally; its order is applied when it is
    // accepted.
    void customizeToolbar();
    // Saves the toolbar's new order, tells the controller, rebuilds it.
    void applyToolbarItems(const QStringList &identifiers);
    // Runs an action as its button, menu item or toolbar item does.
    void performAction(QVMailingLogController::Action action);
    // The open log-entry window of a details number (null when closed).
    QWidget *detailsWindow(int number) const;
    QTextEdit *previewPane() const { return m_preview; }
    QLabel *countLine() const { return m_count; }
    QMenu *contextMenu() const { return m_contextMenu; }
    QMenu *statusMenu() const { return m_statusMenu; }
    QPushButton *button(QVMailingLogController::Action action) const { return m_buttons.value(int(action)); }
    QVBatchTrackWindow *batchTrackWindow() const { return m_batchTrackWindow; }

    // The archive sheet's Archive button (the dates from its fields).
    void archiveFromSheet();
    // The archive sheet over the window (its dates prepared).
    void showArchiveSheet();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void rebuildToolbar();
    void selectionChanged();
    void updateEnabling();
    void showDetails();
    void showBatchTrack();
    void showExport();

    QVMailingLogController &m_controller;
    QVMailingLogTableModel *m_model = nullptr;
    QVReturnActionTableView *m_table = nullptr;
    QLineEdit *m_search = nullptr;
    QToolBar *m_toolbar = nullptr;
    QVBoxLayout *m_layout = nullptr;
    QHash<QString, QAction *> m_toolbarActions;
    std::map<int, std::unique_ptr<QVMailingLogEntryController>> m_detailsWindows;
    QTextEdit *m_preview = nullptr;
    QLabel *m_count = nullptr;
    QMenu *m_contextMenu = nullptr;
    QMenu *m_statusMenu = nullptr;
    QHash<int, QPushButton *> m_buttons;
    QHash<int, QAction *> m_menuActions;
    QPointer<QVBatchTrackWindow> m_batchTrackWindow;
    bool m_refreshing = false;
};
