#include "sources/QVWebStoreWindowController.h"

#include "platform/Dialogs.h"
#include "services/QVRHOCommandCenter.h"
#include "sources/GTMHTTPFetcher.h"
#include "sources/QVRHOWebStoreCommandCenter.h"
#include "sources/QVWebStoreOrders.h"

#include <QMenu>
#include <QTimer>

#include <algorithm>

using namespace QVWebStoreReply;

namespace {

std::weak_ptr<QVWebStoreWindowController> &openControllerSlot()
{
    static std::weak_ptr<QVWebStoreWindowController> slot;
    return slot;
}

QVWebStoreWizardFactory &wizardFactorySlot()
{
    static QVWebStoreWizardFactory factory;
    return factory;
}

const QString kWebStoreId = QStringLiteral("WebStoreId");
const QString kMarketplaceId = QStringLiteral("MarketplaceId");
const QString kOrderId = QStringLiteral("MarketplaceOrderId");
const QString kCreation = QStringLiteral("OrderCreationDatetime");

} // namespace

void setWebStoreWizardFactory(QVWebStoreWizardFactory factory) { wizardFactorySlot() = std::move(factory); }
QVWebStoreWizardFactory webStoreWizardFactory() { return wizardFactorySlot(); }

QString localizedStringForStatusCode(int status)
{
    static const QHash<int, QString> texts{
        {400, QStringLiteral("bad request")},
        {401, QStringLiteral("unauthorized")},
        {403, QStringLiteral("forbidden")},
        {404, QStringLiteral("not found")},
        {405, QStringLiteral("method not allowed")},
        {408, QStringLiteral("request timed out")},
        {500, QStringLiteral("internal server error")},
        {501, QStringLiteral("unimplemented")},
        {502, QStringLiteral("bad gateway")},
        {503, QStringLiteral("service unavailable")},
        {504, QStringLiteral("gateway timed out")},
    };
    if (texts.contains(status))
        return texts.value(status);
    return status >= 500 ? QStringLiteral("server error") : QStringLiteral("client error");
}

// ---- Life -------------------------------------------------------------------------------------

QVWebStoreWindowController::QVWebStoreWindowController() = default;

QVWebStoreWindowController::~QVWebStoreWindowController()
{
    for (const FetcherPtr &fetcher : m_activeFetchers)
        fetcher->stopFetching();
}

std::shared_ptr<QVWebStoreWindowController> QVWebStoreWindowController::make()
{
    std::shared_ptr<QVWebStoreWindowController> controller(new QVWebStoreWindowController());
    openControllerSlot() = controller;
    return controller;
}

std::shared_ptr<QVWebStoreWindowController> QVWebStoreWindowController::openController()
{
    return openControllerSlot().lock();
}

void QVWebStoreWindowController::changed()
{
    if (m_changed)
        m_changed();
}

// ---- Selection and the arranged orders -----------------------------------------------------

QList<QVariantMap> QVWebStoreWindowController::arrangedOrders() const
{
    QList<QVariantMap> arranged;
    for (const QVariantMap &order : m_orders)
        if (m_selectedStoreIds.isEmpty() || m_selectedStoreIds.contains(order.value(kWebStoreId).toString()))
            arranged << order;
    std::stable_sort(arranged.begin(), arranged.end(), [](const QVariantMap &a, const QVariantMap &b) {
        const QDateTime first = a.value(kCreation).toDateTime();
        const QDateTime second = b.value(kCreation).toDateTime();
        if (first.isValid() != second.isValid())
            return first.isValid(); // orders without a date sort last
        return first.isValid() && first > second;
    });
    return arranged;
}

void QVWebStoreWindowController::setSelectedStoreIds(const QStringList &storeIds)
{
    m_selectedStoreIds = storeIds;
    m_selectedOrderRows.clear();
    changed();
}

void QVWebStoreWindowController::setSelectedOrderRows(const QList<int> &rows)
{
    const int count = int(arrangedOrders().size());
    m_selectedOrderRows.clear();
    for (int row : rows)
        if (row >= 0 && row < count && !m_selectedOrderRows.contains(row))
            m_selectedOrderRows << row;
    std::sort(m_selectedOrderRows.begin(), m_selectedOrderRows.end());
}

QList<QVariantMap> QVWebStoreWindowController::selectedOrders() const
{
    const QList<QVariantMap> arranged = arrangedOrders();
    QList<QVariantMap> selected;
    for (int row : m_selectedOrderRows)
        if (row < arranged.size())
            selected << arranged[row];
    return selected;
}

// ---- Actions -------------------------------------------------------------------------------------

bool QVWebStoreWindowController::validateAction(const QString &action) const
{
    if (action == QLatin1String("markAsShipped:"))
        return m_selectedOrderRows.size() == 1;
    if (action == QLatin1String("shipFromWebStore:"))
        return !m_selectedOrderRows.isEmpty();
    return true;
}

bool QVWebStoreWindowController::performAction(const QString &action)
{
    if (!validateAction(action))
        return false;
    if (action == QLatin1String("refreshWebStores:"))
        refreshWebStores();
    else if (action == QLatin1String("shipFromWebStore:"))
        shipFromWebStore();
    else if (action == QLatin1String("markAsShipped:"))
        markAsShipped();
    else if (action == QLatin1String("showWebStoreManager:"))
        showWebStoreManager();
    else if (action == QLatin1String("cancelActiveFetch:"))
        cancelActiveFetch();
    else
        return false;
    return true;
}

void QVWebStoreWindowController::windowDidLoad()
{
    std::weak_ptr<QVWebStoreWindowController> weak = weak_from_this();
    QTimer::singleShot(0, [weak] {
        if (const auto controller = weak.lock())
            controller->refreshWebStores();
    });
}

// ---- Fetches -------------------------------------------------------------------------------------

void QVWebStoreWindowController::startFetch(const FetcherPtr &fetcher, bool ordersFetch)
{
    m_activeFetchers.insert(fetcher);
    std::weak_ptr<QVWebStoreWindowController> weak = weak_from_this();
    const quint64 generation = m_refreshGeneration;
    fetcher->beginFetch([weak, generation, ordersFetch](GTMHTTPFetcher &done, const QByteArray &data,
                                                        const std::optional<GTMFetcherError> &error) {
        const auto controller = weak.lock();
        if (!controller || generation != controller->m_refreshGeneration)
            return; // a later refresh replaced this one
        if (ordersFetch)
            controller->ordersArrived(done, data, error);
        else
            controller->storeListArrived(done, data, error);
    });
}

bool QVWebStoreWindowController::takeFetcher(GTMHTTPFetcher &fetcher)
{
    for (auto it = m_activeFetchers.begin(); it != m_activeFetchers.end(); ++it) {
        if (it->get() == &fetcher) {
            m_activeFetchers.erase(it);
            return true;
        }
    }
    return false;
}

void QVWebStoreWindowController::showProgressSheet()
{
    m_progressShowing = true;
    changed();
}

void QVWebStoreWindowController::hideProgressSheet()
{
    m_activeFetchers.clear();
    m_progressShowing = false;
    changed();
}

void QVWebStoreWindowController::stopAllFetches()
{
    const std::set<FetcherPtr> running = m_activeFetchers;
    for (const FetcherPtr &fetcher : running)
        fetcher->stopFetching();
}

void QVWebStoreWindowController::cancelActiveFetch()
{
    stopAllFetches();
    hideProgressSheet();
}

void QVWebStoreWindowController::refreshWebStores()
{
    // The older refresh's fetches end here and their replies are dropped.
    stopAllFetches();
    m_activeFetchers.clear();
    ++m_refreshGeneration;
    auto fetcher =
        GTMHTTPFetcher::fetcherWithRequest(QVRHOWebStoreCommandCenter::commandCenter()->webStoreListRequest());
    fetcher->setRetryEnabled(false);
    startFetch(fetcher, false);
    showProgressSheet();
}

void QVWebStoreWindowController::storeListArrived(GTMHTTPFetcher &fetcher, const QByteArray &data,
                                                  const std::optional<GTMFetcherError> &error)
{
    takeFetcher(fetcher);
    const std::optional<QVariantMap> reply = dictionaryFromData(data);
    if (!reply) {
        stopAllFetches();
        hideProgressSheet();
        QString text;
        if (fetcher.statusCode() >= 400)
            text = QStringLiteral("The operation couldn\u2019t be completed. (HTTP error %1: %2)")
                       .arg(fetcher.statusCode())
                       .arg(localizedStringForStatusCode(fetcher.statusCode()));
        else if (error)
            text = error->localizedDescription();
        else
            text = QStringLiteral("The web-store service gave no readable reply.");
        ::runAlert(alertWithText(text, QString()));
        return;
    }
    const QString fault = faultMessage(*reply);
    if (!fault.isEmpty()) {
        stopAllFetches();
        hideProgressSheet();
        ::runAlert(alertWithText(fault, QString()));
        return;
    }

    m_marketplaces.clear();
    m_webStores.clear();
    for (const QVariant &entry : webStoreListItems(*reply)) {
        const QVariantMap item = entry.toMap();
        m_marketplaces.push_back(item.value(QStringLiteral("Marketplace")).toMap());
        for (const QVariant &store : webStoresOfItem(item))
            m_webStores.push_back(store.toMap());
    }
    m_orders.clear();
    m_selectedOrderRows.clear();
    ++m_storeListVersion;

    if (!m_webStores.empty()) {
        m_splashShowing = false;
    } else {
        hideProgressSheet();
        m_lastRefreshDate = QDateTime();
        m_splashShowing = true;
    }
    const auto client = QVRHOWebStoreCommandCenter::commandCenter();
    for (const QVariantMap &store : m_webStores) {
        const QString storeId = store.value(kWebStoreId).toString();
        if (storeId.isEmpty())
            continue;
        auto ordersFetcher = GTMHTTPFetcher::fetcherWithRequest(client->ordersRequestForStore(storeId));
        ordersFetcher->setRetryEnabled(false);
        startFetch(ordersFetcher, true);
    }
    if (m_activeFetchers.empty() && m_progressShowing) {
        // Stores without ids: the refresh is complete.
        hideProgressSheet();
        m_lastRefreshDate = m_webStores.empty() ? QDateTime() : now();
    }
    changed();
}

QVariantMap QVWebStoreWindowController::orderRecord(const QVariantMap &order, const QString &storeId)
{
    QVariantMap record = order;
    record.insert(kWebStoreId, storeId);
    record.insert(QStringLiteral("QVOrderTitle"), webStoreOrderTitle(order));
    record.insert(QStringLiteral("QVOrderDescription"), rho_webStoreOrderDescription(order));
    // A text the reader refuses gives an invalid date: the order stays
    // listed and sorts last.
    record.insert(kCreation, m_dateFormatter.dateFromString(order.value(kCreation).toString()));
    return record;
}

void QVWebStoreWindowController::ordersArrived(GTMHTTPFetcher &fetcher, const QByteArray &data,
                                               const std::optional<GTMFetcherError> &error)
{
    takeFetcher(fetcher);
    const std::optional<QVariantMap> reply =
        data.isEmpty() || fetcher.statusCode() >= 400 ? std::nullopt : dictionaryFromData(data);
    (void)error;
    if (reply) {
        const QVariant days = valueForKeyPath(*reply, QStringLiteral("GetSellerTransactions.TokenExpiresInDays"));
        bool isNumber = false;
        const int dayCount = days.toString().trimmed().toInt(&isNumber);
        if (!days.isNull() && isNumber && dayCount <= 7) {
            m_expiringTokens << QStringLiteral("The authorization with %1 for %2 will expire in %3 days.")
                                    .arg(stringForKeyPath(*reply,
                                                          QStringLiteral("GetSellerTransactions.MarketplaceName")),
                                         stringForKeyPath(*reply, QStringLiteral("GetSellerTransactions.WebStoreName")),
                                         days.toString());
        }
        const QString storeId = stringForKeyPath(*reply, QStringLiteral("GetSellerTransactions.WebStoreId"));
        for (const QVariant &order : webStoreOrders(*reply))
            m_orders << orderRecord(order.toMap(), storeId);
    }
    if (m_activeFetchers.empty()) {
        hideProgressSheet();
        if (reply) {
            m_lastRefreshDate = now();
            showExpiryAlertIfDue();
        }
    }
    changed();
}

void QVWebStoreWindowController::showExpiryAlertIfDue()
{
    if (m_expiringTokens.isEmpty())
        return;
    const QDateTime current = now();
    if (m_lastExpireAlertDate.isValid() && m_lastExpireAlertDate.secsTo(current) < 86400)
        return; // the warnings wait for the next alert
    m_lastExpireAlertDate = current;
    Alert alert = alertWithText(QVWebStoreExpiringMessage,
                                m_expiringTokens.join(QStringLiteral("\n\n")) +
                                    QStringLiteral("\n\nYou can re-authorize at any time."));
    alert.buttons = {{QVWebStoreManageStoresTitle, 1}, {QStringLiteral("Cancel"), 0}};
    alert.cancelAnswer = 0;
    const int answer = ::runAlert(alert);
    m_expiringTokens.clear();
    if (answer == 1)
        showWebStoreManager();
}

// ---- Orders ------------------------------------------------------------------------------------------

void QVWebStoreWindowController::removeOrderWithId(const QString &marketplaceOrderId)
{
    const auto before = m_orders.size();
    m_orders.removeIf([&](const QVariantMap &order) { return order.value(kOrderId).toString() == marketplaceOrderId; });
    if (m_orders.size() != before)
        m_selectedOrderRows.clear();
    changed();
}

void QVWebStoreWindowController::shipFromWebStore()
{
    const QList<QVariantMap> selected = selectedOrders();
    if (selected.isEmpty())
        return;
    QVariantList stores;
    for (const QVariantMap &store : m_webStores)
        stores << store;
    const auto result = webStoreShipmentForOrders(selected, stores);
    if (const auto *refusal = std::get_if<QVWebStoreShipmentRefusal>(&result)) {
        ::runAlert(alertWithText(refusal->messageText, refusal->informativeText));
        return;
    }
    processWebStoreShipment(std::get<QVWebStoreShipment>(result));
}

void QVWebStoreWindowController::markAsShipped()
{
    const QList<QVariantMap> selected = selectedOrders();
    if (selected.size() != 1)
        return;
    const QVariantMap order = selected.first();
    const QString orderId = order.value(kOrderId).toString();
    Alert alert = alertWithText(
        QStringLiteral("Mark Order As Shipped"),
        QStringLiteral("You have chosen to mark order %1 to %2 as shipped. You can optionally choose to include a "
                       "tracking number to attach the order as well.")
            .arg(orderId, valueForKeyPath(order, QStringLiteral("ToAddress.Name")).toString()));
    alert.buttons = {{QStringLiteral("Mark As Shipped"), 1}, {QStringLiteral("Cancel"), 0}};
    alert.cancelAnswer = 0;
    std::optional<QString> trackingNumber;
    if (m_trackingPrompt)
        trackingNumber = m_trackingPrompt(alert);
    else if (::runAlert(alert) == 1)
        trackingNumber = QString();
    if (!trackingNumber)
        return;

    auto fetcher =
        GTMHTTPFetcher::fetcherWithRequest(QVRHOWebStoreCommandCenter::commandCenter()->completeSalesRequestForStore(
            order.value(kWebStoreId).toString(), orderId, trackingNumber->trimmed()));
    fetcher->setRetryEnabled(true);
    std::weak_ptr<QVWebStoreWindowController> weak = weak_from_this();
    fetcher->beginFetch(
        [weak, orderId](GTMHTTPFetcher &done, const QByteArray &data, const std::optional<GTMFetcherError> &error) {
            if (const auto controller = weak.lock())
                controller->completeSalesArrived(orderId, done.statusCode(), data, error);
        });
}

void QVWebStoreWindowController::completeSalesArrived(const QString &orderId, int status, const QByteArray &data,
                                                      const std::optional<GTMFetcherError> &error)
{
    const std::optional<QVariantMap> reply = dictionaryFromData(data);
    QString problem;
    if (reply && !faultMessage(*reply).isEmpty())
        problem = faultMessage(*reply);
    else if (status >= 400)
        problem = QStringLiteral("HTTP error %1: %2").arg(status).arg(localizedStringForStatusCode(status));
    else if (error)
        problem = error->localizedDescription();
    if (problem.isEmpty()) {
        removeOrderWithId(orderId);
        return;
    }
    ::runAlert(alertWithText(QStringLiteral("Order %1 could not be marked as shipped.").arg(orderId), problem));
}

void QVWebStoreWindowController::showWebStoreManager()
{
    if (m_wizard) {
        m_wizard->showWindow();
        return;
    }
    const std::optional<QUrl> url = QVRHOCommandCenter::commandCenter()->webStoreWizardURL();
    if (!url) {
        ::runAlert(alertWithText(QStringLiteral("The Web Store Manager cannot be opened."),
                                 QStringLiteral("The status of your postage account has not been received yet. "
                                                "Please try again when the account is connected.")));
        return;
    }
    const QVWebStoreWizardFactory factory = webStoreWizardFactory();
    if (!factory)
        return; // never handed to another program: the URL signs the user in
    std::weak_ptr<QVWebStoreWindowController> weak = weak_from_this();
    m_wizard = factory(*url, [weak] {
        const auto controller = weak.lock();
        if (!controller)
            return;
        // Let the wizard go after its window's close has run.
        QTimer::singleShot(0, [weak] {
            if (const auto later = weak.lock())
                later->m_wizard.reset();
        });
        controller->refreshWebStores();
    });
    if (m_wizard)
        m_wizard->showWindow();
}

// ---- The source list ---------------------------------------------------------------------------

bool QVWebStoreWindowController::isMarketplace(PXSourceListItem item) const
{
    for (const QVariantMap &marketplace : m_marketplaces)
        if (&marketplace == item)
            return true;
    return false;
}

std::vector<const QVariantMap *> QVWebStoreWindowController::storesOfMarketplace(const QVariantMap &marketplace) const
{
    std::vector<const QVariantMap *> stores;
    const QString id = marketplace.value(kMarketplaceId).toString();
    for (const QVariantMap &store : m_webStores)
        if (store.value(kMarketplaceId).toString() == id)
            stores.push_back(&store);
    return stores;
}

int QVWebStoreWindowController::orderCountOfStore(const QString &storeId) const
{
    return int(std::count_if(m_orders.cbegin(), m_orders.cend(),
                             [&](const QVariantMap &order) { return order.value(kWebStoreId).toString() == storeId; }));
}

int QVWebStoreWindowController::sourceListNumberOfChildrenOfItem(PXSourceList &, PXSourceListItem item)
{
    if (!item)
        return int(m_marketplaces.size());
    return isMarketplace(item) ? int(storesOfMarketplace(*static_cast<const QVariantMap *>(item)).size()) : 0;
}

PXSourceListItem QVWebStoreWindowController::sourceListChildOfItem(PXSourceList &, int index, PXSourceListItem item)
{
    if (!item)
        return index >= 0 && size_t(index) < m_marketplaces.size() ? &m_marketplaces[size_t(index)] : nullptr;
    const auto stores = storesOfMarketplace(*static_cast<const QVariantMap *>(item));
    return index >= 0 && size_t(index) < stores.size() ? stores[size_t(index)] : nullptr;
}

bool QVWebStoreWindowController::sourceListIsItemExpandable(PXSourceList &, PXSourceListItem item)
{
    return isMarketplace(item);
}

QVariant QVWebStoreWindowController::sourceListObjectValueForItem(PXSourceList &, PXSourceListItem item)
{
    return item ? static_cast<const QVariantMap *>(item)->value(QStringLiteral("Name")) : QVariant();
}

bool QVWebStoreWindowController::sourceListItemHasBadge(PXSourceList &list, PXSourceListItem item)
{
    return sourceListBadgeValueForItem(list, item) > 0;
}

qint64 QVWebStoreWindowController::sourceListBadgeValueForItem(PXSourceList &, PXSourceListItem item)
{
    if (!item || isMarketplace(item))
        return 0;
    return orderCountOfStore(static_cast<const QVariantMap *>(item)->value(kWebStoreId).toString());
}

bool QVWebStoreWindowController::sourceListIsGroupAlwaysExpanded(PXSourceList &, PXSourceListItem item)
{
    return isMarketplace(item);
}

QMenu *QVWebStoreWindowController::sourceListMenuForEvent(PXSourceList &, QContextMenuEvent *, PXSourceListItem)
{
    if (!m_storeMenu) {
        m_storeMenu = std::make_unique<QMenu>();
        std::weak_ptr<QVWebStoreWindowController> weak = weak_from_this();
        m_storeMenu->addAction(QVWebStoreManageStoresTitle, [weak] {
            if (const auto controller = weak.lock())
                controller->showWebStoreManager();
        });
    }
    return m_storeMenu.get();
}

void QVWebStoreWindowController::sourceListSelectionDidChange(const Notification &notification)
{
    PXSourceList *list = notification.object.get<PXSourceList>();
    if (!list)
        return;
    QStringList storeIds;
    for (int row : list->selectedRowIndexes()) {
        const PXSourceListItem item = list->itemAtRow(row);
        if (item && !isMarketplace(item))
            storeIds << static_cast<const QVariantMap *>(item)->value(kWebStoreId).toString();
    }
    setSelectedStoreIds(storeIds);
}
