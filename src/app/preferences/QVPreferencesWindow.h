#pragma once
// The preferences window: a toolbar of six panes (General, Shipment,
// Mailpiece, Email, Address Book, Favorites) over the controls of
// QVPreferencesController; the Advanced pane (the post-print script, the
// reminder alerts) and the Date pane (ship-date warnings) have no item and
// are reached from the General pane. A pane switch keeps the window's top
// edge in place. The Favorites pane shows the favorites table
// (rename in place, delete keys, drag to reorder) and the selected
// favorite's description.
#include "app/preferences/QVPreferencesController.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QToolBar;
class QStackedWidget;
class QVFavoritesTableModel;
class QVFavoritesTableView;
class QLabel;
class QPushButton;

class QVPreferencesWindow : public QMainWindow
{
public:
    // describe: the description of a favorite's settings (the main window
    // says whether its delivery is international).
    explicit QVPreferencesWindow(std::shared_ptr<QVPreferencesController> controller,
                                 std::function<QString(const QVariantMap &settings)> describe = {},
                                 QWidget *parent = nullptr);

    QVPreferencesController &controller() const { return *m_controller; }
    QToolBar *toolbar() const { return m_toolbar; }
    void switchToPane(QVPreferencesController::Pane pane);
    QWidget *paneWidget(QVPreferencesController::Pane pane) const;
    QVFavoritesTableView *favoritesTable() const { return m_favoritesTable; }

private:
    QWidget *makeGeneralPane();
    QWidget *makeShipmentPane();
    QWidget *makeMailpiecePane();
    QWidget *makeEmailPane();
    QWidget *makeAddressPane();
    QWidget *makeFavoritesPane();
    QWidget *makeAdvancedPane();
    QWidget *makeDatePane();
    void refresh();
    void favoritesSelectionChanged();

    std::shared_ptr<QVPreferencesController> m_controller;
    std::function<QString(const QVariantMap &)> m_describe;
    QToolBar *m_toolbar = nullptr;
    QHash<int, QWidget *> m_panes;
    QList<std::function<void()>> m_refreshers;
    QVFavoritesTableModel *m_favoritesModel = nullptr;
    QVFavoritesTableView *m_favoritesTable = nullptr;
    QPushButton *m_favoritesDelete = nullptr;
    QLabel *m_favoritesDescription = nullptr;
};
