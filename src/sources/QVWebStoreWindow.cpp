#include "sources/QVWebStoreWindow.h"

#include "platform/Dialogs.h"
#include "sources/QVBrandleWizardWindowController.h"
#include "sources/QVRHOWebStoreCommandCenter.h"
#include "widgets/NamedPicture.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPixmap>
#include <QCoreApplication>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableView>
#include <QTextEdit>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace {

// ---- The details text's tab stops -------------------------------------------------------------

// The details text puts each value after its label and a number of tabs
// chosen so that every value starts at the fourth tab stop (an address's
// further lines start with four tabs). A tab distance D does that when each
// label with n tabs is at least (4 - n) * D and less than (5 - n) * D wide;
// the middle of the distances that fit all labels of the font is taken.
qreal detailsTabStopDistance(const QFont &font)
{
    static const std::pair<const char *, int> labels[] = {
        {"Quantity:", 3},     {"Item Title:", 3},   {"Item Number:", 2}, {"Address:", 3}, {"Email Address:", 2},
        {"Phone Number:", 1}, {"Order Number:", 2}, {"Order Date:", 2},  {"Weight:", 3},  {"Reference Number:", 1},
    };
    const QFontMetricsF metrics(font);
    qreal lowest = 0;
    qreal highest = std::numeric_limits<qreal>::max();
    for (const auto &[label, tabs] : labels) {
        const qreal width = metrics.horizontalAdvance(QLatin1String(label));
        lowest = std::max(lowest, width / (5 - tabs));
        highest = std::min(highest, width / (4 - tabs));
    }
    // No distance fits every label in an unusual font: the widest label's
    // column still lines up the most values.
    return lowest < highest ? (lowest + highest) / 2 : lowest + 1;
}

} // namespace

// ---- The orders table's model ------------------------------------------------------------------

namespace {

enum Column { DateColumn, OrderColumn, ItemsColumn, ShipToColumn, ColumnCount };

} // namespace

void QVWebStoreOrdersModel::setOrders(const QList<QVariantMap> &orders)
{
    beginResetModel();
    m_orders = orders;
    endResetModel();
}

int QVWebStoreOrdersModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_orders.size());
}

int QVWebStoreOrdersModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant QVWebStoreOrdersModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_orders.size())
        return QVariant();
    const QVariantMap &order = m_orders[index.row()];
    switch (index.column()) {
    case DateColumn: {
        const QDateTime date = order.value(QStringLiteral("OrderCreationDatetime")).toDateTime();
        return date.isValid() ? QLocale().toString(date, QLocale::ShortFormat) : QString();
    }
    case OrderColumn:
        return order.value(QStringLiteral("MarketplaceOrderId"));
    case ItemsColumn:
        return order.value(QStringLiteral("QVOrderTitle"));
    case ShipToColumn:
        return QVWebStoreReply::valueForKeyPath(order, QStringLiteral("ToAddress.Name"));
    default:
        return QVariant();
    }
}

QVariant QVWebStoreOrdersModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case DateColumn:
        return QStringLiteral("Date");
    case OrderColumn:
        return QStringLiteral("Order Number");
    case ItemsColumn:
        return QStringLiteral("Items");
    case ShipToColumn:
        return QStringLiteral("Ship To");
    default:
        return QVariant();
    }
}

// ---- The window ----------------------------------------------------------------------------------------

QVWebStoreWindow::QVWebStoreWindow(std::shared_ptr<QVWebStoreWindowController> controller, QWidget *parent)
    : QMainWindow(parent), m_controller(std::move(controller))
{
    setObjectName(QStringLiteral("WebStore"));
    setWindowTitle(QStringLiteral("Web Stores"));
    resize(860, 560);

    QToolBar *toolbar = addToolBar(QStringLiteral("Web Stores"));
    toolbar->setObjectName(QStringLiteral("WebStoreToolbar"));
    const std::pair<const char *, const char *> actions[] = {
        {"refreshWebStores:", "Refresh"},
        {"shipFromWebStore:", "Ship"},
        {"markAsShipped:", "Mark as Shipped"},
        {"showWebStoreManager:", "Manage Stores"},
    };
    for (const auto &[selector, title] : actions) {
        QAction *action = toolbar->addAction(QLatin1String(title));
        action->setObjectName(QLatin1String(selector));
        const QString name = QLatin1String(selector);
        connect(action, &QAction::triggered, this, [this, name] { m_controller->performAction(name); });
        m_actions << action;
    }

    m_sourceList = new PXSourceList;
    m_sourceList->setMinimumWidth(100);
    m_sourceList->setMaximumWidth(250);
    m_sourceList->setDelegate(m_controller.get());
    m_sourceList->setDataSource(m_controller.get());

    m_ordersModel = new QVWebStoreOrdersModel(this);
    m_ordersTable = new QTableView;
    m_ordersTable->setModel(m_ordersModel);
    m_ordersTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_ordersTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_ordersTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_ordersTable->verticalHeader()->hide();
    m_ordersTable->horizontalHeader()->setStretchLastSection(true);
    connect(m_ordersTable, &QTableView::doubleClicked, this,
            [this] { m_controller->performAction(QStringLiteral("shipFromWebStore:")); });
    connect(m_ordersTable->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { ordersSelectionChanged(); });

    m_details = new QTextEdit;
    m_details->setReadOnly(true);
    m_details->setTabStopDistance(detailsTabStopDistance(m_details->document()->defaultFont()));
    m_emptyPicture = new QLabel;
    m_emptyPicture->setObjectName(QStringLiteral("empty_basket"));
    m_emptyPicture->setAlignment(Qt::AlignCenter);
    m_emptyPicture->setPixmap(QPixmap::fromImage(namedPicture(QStringLiteral("empty_basket"), QSize(96, 80))));
    m_detailsStack = new QStackedWidget;
    m_detailsStack->addWidget(m_details);
    m_detailsStack->addWidget(m_emptyPicture);

    auto *ordersSplit = new QSplitter(Qt::Vertical);
    ordersSplit->addWidget(m_ordersTable);
    ordersSplit->addWidget(m_detailsStack);

    m_split = new QSplitter(Qt::Horizontal);
    m_split->addWidget(m_sourceList);
    m_split->addWidget(ordersSplit);
    m_split->setStretchFactor(0, 0); // the source list keeps its width
    m_split->setStretchFactor(1, 1);
    m_split->setSizes({180, 680});

    m_splash =
        new QLabel(QStringLiteral("<h2>Web Stores</h2><p>Connect your marketplaces and web stores to ship their orders "
                                  "from here.</p><p>Choose <b>Manage Stores</b> to add a store.</p>"));
    static_cast<QLabel *>(m_splash)->setAlignment(Qt::AlignCenter);
    static_cast<QLabel *>(m_splash)->setWordWrap(true);
    m_pages = new QStackedWidget;
    m_pages->addWidget(m_split);
    m_pages->addWidget(m_splash);
    setCentralWidget(m_pages);

    m_refreshDate = new QLabel;
    statusBar()->addWidget(m_refreshDate);

    m_progress = new QProgressDialog(QVWebStoreRefreshingText, QStringLiteral("Cancel"), 0, 0, this);
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_progress->setMinimumDuration(0);
    m_progress->reset();
    m_progress->hide();
    connect(m_progress, &QProgressDialog::canceled, this,
            [this] { m_controller->performAction(QStringLiteral("cancelActiveFetch:")); });

    m_controller->setTrackingNumberPrompt([this](const Alert &alert) { return askTrackingNumber(alert); });
    m_controller->setChangeHandler([this] { update(); });
    update();
    m_controller->windowDidLoad();
}

QVWebStoreWindow::~QVWebStoreWindow()
{
    m_controller->setChangeHandler({});
    m_controller->setTrackingNumberPrompt({});
    m_sourceList->setDelegate(nullptr);
    m_sourceList->setDataSource(nullptr);
}

QAction *QVWebStoreWindow::action(const QString &name) const
{
    for (QAction *action : m_actions)
        if (action->objectName() == name)
            return action;
    return nullptr;
}

void QVWebStoreWindow::update()
{
    if (m_updating)
        return;
    m_updating = true;
    QVWebStoreWindowController &c = *m_controller;
    if (c.storeListVersion() != m_shownStoreListVersion) {
        m_shownStoreListVersion = c.storeListVersion();
        m_sourceList->reloadData();
    }
    m_sourceList->viewport()->update(); // badges

    const QList<int> rows = c.selectedOrderRows();
    m_ordersModel->setOrders(c.arrangedOrders());
    QItemSelection selection;
    for (int row : rows)
        selection.select(m_ordersModel->index(row, 0), m_ordersModel->index(row, ColumnCount - 1));
    m_ordersTable->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);

    const QList<QVariantMap> selected = c.selectedOrders();
    m_details->setPlainText(
        selected.isEmpty() ? QString() : selected.last().value(QStringLiteral("QVOrderDescription")).toString());
    m_detailsStack->setCurrentWidget(c.showsEmptySelectionPicture() ? static_cast<QWidget *>(m_emptyPicture)
                                                                    : m_details);
    m_pages->setCurrentWidget(c.isSplashShowing() ? m_splash : static_cast<QWidget *>(m_split));

    const QDateTime refreshed = c.lastRefreshDate();
    QString dateText;
    if (refreshed.isValid()) {
        const qint64 days = refreshed.date().daysTo(QDate::currentDate());
        dateText = days == 0 ? QStringLiteral("Today ") + QLocale().toString(refreshed.time(), QLocale::ShortFormat)
            : days == 1      ? QStringLiteral("Yesterday ") + QLocale().toString(refreshed.time(), QLocale::ShortFormat)
                             : QLocale().toString(refreshed, QLocale::ShortFormat);
    }
    m_refreshDate->setText(dateText.isEmpty() ? QString() : QStringLiteral("Last refresh: ") + dateText);

    if (c.isProgressSheetShowing() && !m_progress->isVisible() && isVisible())
        m_progress->show();
    else if (!c.isProgressSheetShowing() && m_progress->isVisible())
        m_progress->hide();

    for (QAction *action : m_actions)
        action->setEnabled(c.validateAction(action->objectName()));
    m_updating = false;
}

void QVWebStoreWindow::ordersSelectionChanged()
{
    if (m_updating)
        return;
    QList<int> rows;
    for (const QModelIndex &index : m_ordersTable->selectionModel()->selectedRows())
        rows << index.row();
    m_controller->setSelectedOrderRows(rows);
    update();
}

std::optional<QString> QVWebStoreWindow::askTrackingNumber(const Alert &alert)
{
    if (isAutomationMode())
        return std::nullopt;
    QDialog dialog(this);
    dialog.setWindowTitle(alert.messageText);
    auto *layout = new QVBoxLayout(&dialog);
    auto *message = new QLabel(QStringLiteral("<b>%1</b>").arg(alert.messageText.toHtmlEscaped()));
    auto *informative = new QLabel(alert.informativeText);
    informative->setWordWrap(true);
    auto *field = new QLineEdit;
    field->setPlaceholderText(QStringLiteral("tracking number"));
    field->setFixedSize(200, 24);
    auto *buttons = new QDialogButtonBox;
    QPushButton *ship = buttons->addButton(alert.buttons.value(0).title, QDialogButtonBox::AcceptRole);
    buttons->addButton(alert.buttons.value(1).title, QDialogButtonBox::RejectRole);
    ship->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(message);
    layout->addWidget(informative);
    layout->addWidget(field);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return field->text();
}

namespace {

QPointer<QVWebStoreWindow> &theWebStoreWindow()
{
    static QPointer<QVWebStoreWindow> window;
    return window;
}

std::shared_ptr<QVWebStoreWindowController> &theWebStoreController()
{
    static std::shared_ptr<QVWebStoreWindowController> controller;
    return controller;
}

void releaseWebStoreWindow()
{
    delete theWebStoreWindow().data();
    theWebStoreController().reset();
}

} // namespace

std::function<QWidget *()> registerWebStoreWindow()
{
    registerWebStoreOrderCompletion();
    registerBrandleWizard();
    return []() -> QWidget * {
        if (!theWebStoreWindow()) {
            if (!theWebStoreController())
                theWebStoreController() = QVWebStoreWindowController::make();
            theWebStoreWindow() = new QVWebStoreWindow(theWebStoreController());
            // The window lives as long as the application: it goes with it.
            qAddPostRoutine(releaseWebStoreWindow);
        }
        return theWebStoreWindow();
    };
}
