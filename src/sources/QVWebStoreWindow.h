#pragma once
// The web-store orders window: a thin view over QVWebStoreWindowController.
// Source list of marketplaces and stores (left, 100 to 250 wide), the orders
// table sorted newest first (double click ships), the selected order's
// details or, with no order selected, the "empty_basket" picture; the splash
// view in place of all of them while the account has no store; the progress
// sheet while a refresh runs (its Cancel stops the fetches); the date of the
// last complete refresh.
#include "sources/QVWebStoreWindowController.h"

#include <QAbstractTableModel>
#include <QMainWindow>
#include <QSplitter>

#include <memory>

class QAction;
class QLabel;
class QProgressDialog;
class QStackedWidget;
class QTableView;
class QTextEdit;

class QVWebStoreOrdersModel : public QAbstractTableModel
{
public:
    explicit QVWebStoreOrdersModel(QObject *parent = nullptr) : QAbstractTableModel(parent) {}
    void setOrders(const QList<QVariantMap> &orders);
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<QVariantMap> m_orders;
};

class QVWebStoreWindow : public QMainWindow
{
public:
    explicit QVWebStoreWindow(std::shared_ptr<QVWebStoreWindowController> controller, QWidget *parent = nullptr);
    ~QVWebStoreWindow() override;

    QVWebStoreWindowController &controller() const { return *m_controller; }
    PXSourceList *sourceList() const { return m_sourceList; }
    QTableView *ordersTable() const { return m_ordersTable; }
    QTextEdit *detailsText() const { return m_details; }
    QLabel *emptySelectionPicture() const { return m_emptyPicture; }
    QWidget *splashView() const { return m_splash; }
    QWidget *splitView() const { return m_split; }
    QProgressDialog *progressSheet() const { return m_progress; }
    QLabel *refreshDateField() const { return m_refreshDate; }
    QAction *action(const QString &name) const;

    // Brings the view up to the controller's state.
    void update();

private:
    void ordersSelectionChanged();
    std::optional<QString> askTrackingNumber(const Alert &alert);

    std::shared_ptr<QVWebStoreWindowController> m_controller;
    PXSourceList *m_sourceList = nullptr;
    QTableView *m_ordersTable = nullptr;
    QVWebStoreOrdersModel *m_ordersModel = nullptr;
    QTextEdit *m_details = nullptr;
    QLabel *m_emptyPicture = nullptr;
    QStackedWidget *m_detailsStack = nullptr;
    QStackedWidget *m_pages = nullptr;
    QWidget *m_splash = nullptr;
    QSplitter *m_split = nullptr;
    QProgressDialog *m_progress = nullptr;
    QLabel *m_refreshDate = nullptr;
    QList<QAction *> m_actions;
    quint64 m_shownStoreListVersion = ~quint64(0);
    bool m_updating = false;
};

// The program's registration of the web-store window: registers the
// web-store client's order completion with the print flow (its
// removeOrderWithId reaches the open window) and the store manager's
// windows (QVBrandleWizardWindowController), and answers the maker of the
// window - one window for the whole run, made on the first call, its first
// showing starting a refresh. The caller keeps the window (it is not owned
// by whoever shows it).
std::function<QWidget *()> registerWebStoreWindow();
