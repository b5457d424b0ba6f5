#pragma once
// QVWebStoreWindowController: the web-store orders window's logic on plain
// state, tested without a display. It fetches the account's marketplaces and
// stores from the web-store service, then every store's open orders; lists
// marketplaces (group rows) and stores (with a badge of open orders) as the
// data source and delegate of the window's PXSourceList; keeps the orders,
// sorted newest first and filtered by the selected stores; warns once a day
// when store authorizations are about to expire; marks an order shipped;
// opens the store manager (the set-up wizard); and turns the selected orders
// into the main window's shipment (QVWebStoreOrders.h).
//
// A refresh: the store list, then one orders request per store, all
// through GTMHTTPFetcher; the progress sheet is up until the last of them
// ended. A refresh started while another runs stops the older one's
// fetches and ignores their replies, so that no order is listed twice.
//
// Failures: a store list that is no XML (transport error, HTTP status of
// 400 or more) or a service fault is shown and changes nothing; a store's
// orders that fail are left out silently. Marking an order shipped removes
// it once the service accepted the report; a fault or an HTTP error is shown
// naming the order, which stays listed.
//
// Alerts go through the dialogs interface (platform/Dialogs.h); the
// tracking-number question through an injectable prompt. The clock is
// injectable for the daily expiry alert.
#include "sources/ISO8601DateFormatter.h"
#include "widgets/PXSourceList.h"

#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

struct Alert;
class GTMHTTPFetcher;
struct GTMFetcherError;

// The store manager's window as the orders window holds it while open.
class QVWebStoreWizard
{
public:
    virtual ~QVWebStoreWizard() = default;
    // Shows the window and brings it to the front.
    virtual void showWindow() = 0;
};

// Makes the store manager's window for the signed-in URL; `didClose` runs
// when its window closed. Nothing when no web-page window can be made (the
// URL carries the account's password: it is never opened anywhere else).
using QVWebStoreWizardFactory =
    std::function<std::shared_ptr<QVWebStoreWizard>(const QUrl &url, std::function<void()> didClose)>;

inline const QString QVWebStoreRefreshingText = QStringLiteral("Refreshing Web Stores\u2026");
inline const QString QVWebStoreExpiringMessage = QStringLiteral("Your web store authorizations are expiring.");
inline const QString QVWebStoreManageStoresTitle = QStringLiteral("Manage Stores");

class QVWebStoreWindowController : public PXSourceListDataSource,
                                   public PXSourceListDelegate,
                                   public std::enable_shared_from_this<QVWebStoreWindowController>
{
public:
    using Clock = std::function<QDateTime()>;
    // Asks for the tracking number with the alert ("Mark As Shipped" answers
    // 1): the typed text (empty for none), or nothing when cancelled.
    using TrackingNumberPrompt = std::function<std::optional<QString>(const Alert &alert)>;

    static std::shared_ptr<QVWebStoreWindowController> make();
    ~QVWebStoreWindowController() override;

    // The controller of the window now open (nullptr when none).
    static std::shared_ptr<QVWebStoreWindowController> openController();

    // ---- State ----------------------------------------------------------------------
    const std::vector<QVariantMap> &marketplaces() const { return m_marketplaces; }
    const std::vector<QVariantMap> &webStores() const { return m_webStores; }
    // Every open order, in arrival order.
    const QList<QVariantMap> &orders() const { return m_orders; }
    // The orders as the table shows them: of the selected stores (all
    // without a selection), newest first, orders without a date last.
    QList<QVariantMap> arrangedOrders() const;
    int activeFetcherCount() const { return int(m_activeFetchers.size()); }
    const QStringList &expiringTokens() const { return m_expiringTokens; }
    QDateTime lastRefreshDate() const { return m_lastRefreshDate; }
    QDateTime lastExpireAlertDate() const { return m_lastExpireAlertDate; }
    bool isSplashShowing() const { return m_splashShowing; }
    bool isProgressSheetShowing() const { return m_progressShowing; }
    bool hasWizard() const { return m_wizard != nullptr; }
    // Counts the replacements of the store list (the source list reloads).
    quint64 storeListVersion() const { return m_storeListVersion; }

    void setClock(Clock clock) { m_clock = std::move(clock); }
    void setTrackingNumberPrompt(TrackingNumberPrompt prompt) { m_trackingPrompt = std::move(prompt); }
    // Runs after every change of the state above (the view follows).
    void setChangeHandler(std::function<void()> handler) { m_changed = std::move(handler); }

    // ---- Selection ------------------------------------------------------------------
    QStringList selectedStoreIds() const { return m_selectedStoreIds; }
    void setSelectedStoreIds(const QStringList &storeIds);
    // Rows of arrangedOrders().
    QList<int> selectedOrderRows() const { return m_selectedOrderRows; }
    void setSelectedOrderRows(const QList<int> &rows);
    QList<QVariantMap> selectedOrders() const;
    // Whether the empty-selection picture shows (no order row selected).
    bool showsEmptySelectionPicture() const { return m_selectedOrderRows.isEmpty(); }

    // ---- Actions --------------------------------------------------------------------
    // "refreshWebStores:", "shipFromWebStore:", "markAsShipped:",
    // "showWebStoreManager:", "cancelActiveFetch:".
    bool validateAction(const QString &action) const;
    bool performAction(const QString &action);
    void windowDidLoad(); // a refresh once the current event is done
    void refreshWebStores();
    void shipFromWebStore();
    void markAsShipped();
    void showWebStoreManager();
    void cancelActiveFetch();
    void removeOrderWithId(const QString &marketplaceOrderId);

    // ---- PXSourceListDataSource and PXSourceListDelegate -----------------------------
    int sourceListNumberOfChildrenOfItem(PXSourceList &, PXSourceListItem item) override;
    PXSourceListItem sourceListChildOfItem(PXSourceList &, int index, PXSourceListItem item) override;
    bool sourceListIsItemExpandable(PXSourceList &, PXSourceListItem item) override;
    QVariant sourceListObjectValueForItem(PXSourceList &, PXSourceListItem item) override;
    bool sourceListItemHasBadge(PXSourceList &, PXSourceListItem item) override;
    qint64 sourceListBadgeValueForItem(PXSourceList &, PXSourceListItem item) override;
    bool sourceListIsGroupAlwaysExpanded(PXSourceList &, PXSourceListItem item) override;
    bool sourceListShouldEditItem(PXSourceList &, PXSourceListItem) override { return false; }
    QMenu *sourceListMenuForEvent(PXSourceList &, QContextMenuEvent *, PXSourceListItem) override;
    void sourceListSelectionDidChange(const Notification &notification) override;

    // The stores of a marketplace, in store-list order.
    std::vector<const QVariantMap *> storesOfMarketplace(const QVariantMap &marketplace) const;
    int orderCountOfStore(const QString &storeId) const;

private:
    QVWebStoreWindowController();
    using FetcherPtr = std::shared_ptr<GTMHTTPFetcher>;
    QDateTime now() const { return m_clock ? m_clock() : QDateTime::currentDateTime(); }
    void changed();
    bool isMarketplace(PXSourceListItem item) const;
    void startFetch(const FetcherPtr &fetcher, bool ordersFetch);
    bool takeFetcher(GTMHTTPFetcher &fetcher);
    void showProgressSheet();
    void hideProgressSheet();
    void stopAllFetches();
    void storeListArrived(GTMHTTPFetcher &fetcher, const QByteArray &data, const std::optional<GTMFetcherError> &error);
    void ordersArrived(GTMHTTPFetcher &fetcher, const QByteArray &data, const std::optional<GTMFetcherError> &error);
    QVariantMap orderRecord(const QVariantMap &order, const QString &storeId);
    void showExpiryAlertIfDue();
    void completeSalesArrived(const QString &orderId, int status, const QByteArray &data,
                              const std::optional<GTMFetcherError> &error);

    std::vector<QVariantMap> m_marketplaces;
    std::vector<QVariantMap> m_webStores;
    QList<QVariantMap> m_orders;
    std::set<FetcherPtr> m_activeFetchers;
    QStringList m_expiringTokens;
    QDateTime m_lastRefreshDate;
    QDateTime m_lastExpireAlertDate;
    std::shared_ptr<QVWebStoreWizard> m_wizard;
    ISO8601DateFormatter m_dateFormatter;
    QStringList m_selectedStoreIds;
    QList<int> m_selectedOrderRows;
    bool m_splashShowing = false;
    bool m_progressShowing = false;
    quint64 m_refreshGeneration = 0;
    quint64 m_storeListVersion = 0;
    Clock m_clock;
    TrackingNumberPrompt m_trackingPrompt;
    std::function<void()> m_changed;
    std::unique_ptr<QMenu> m_storeMenu;
};

// The store manager's window maker (nothing: the store manager cannot be
// opened).
void setWebStoreWizardFactory(QVWebStoreWizardFactory factory);
QVWebStoreWizardFactory webStoreWizardFactory();

// The text the platform gives for an HTTP status ("not found" for 404).
QString localizedStringForStatusCode(int status);
