// QVWebStoreWindowController against a local HTTPS web-store service: the
// refresh (store list, orders per store, splash without a store, errors and
// faults that keep the lists), expiry warnings once a day on a fake clock,
// the arranged orders, a refresh started during another, marking an order
// shipped (and the service refusing it), removal after a printed piece,
// shipping selected orders, the store manager, and the thin window offscreen.
#include "sources/QVWebStoreWindowController.h"

#include "LocalHttpServer.h"
#include "RecordingAutomation.h"
#include "RecordingDialogs.h"
#include "WebStoreTestSupport.h"
#include "model/QVShipment.h"
#include "platform/UserDefaults.h"
#include "printing/PrintingServices.h"
#include "services/QVPostageServerAccount.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOResponse.h"
#include "sources/GTMHTTPFetcher.h"
#include "sources/QVRHOWebStoreCommandCenter.h"
#include "sources/QVWebStoreOrders.h"
#include "sources/QVWebStoreWindow.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QStackedWidget>
#include <QTableView>
#include <QTextEdit>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <QMap>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

using namespace tolvane::test;

namespace {

const QByteArray kRest = "/WebStoreService/WebStoreService.svc/rest/";

class Account : public QVPostageServerAccount
{
public:
    QString userid() override { return QStringLiteral("7654321"); }
    QString password() override { return QStringLiteral("pass"); }
    bool testServer() override { return false; }
    QString websiteServerName() override { return QStringLiteral("www.example.test"); }
};

struct Store {
    QByteArray id;
    QByteArray name;
    QByteArray marketplace; // its id
};

QByteArray storeList(const QList<std::pair<QByteArray, QByteArray>> &marketplaces, const QList<Store> &stores)
{
    QByteArray xml = "<GetWebStoreList><WebStoreListItems>";
    for (const auto &[id, name] : marketplaces) {
        xml += "<WebStoreListItem><Marketplace><MarketplaceId>" + id + "</MarketplaceId><Name>" + name +
            "</Name></Marketplace><WebStores>";
        for (const Store &store : stores)
            if (store.marketplace == id)
                xml += "<WebStore><WebStoreId>" + store.id + "</WebStoreId><Name>" + store.name +
                    "</Name><MarketplaceId>" + id + "</MarketplaceId></WebStore>";
        xml += "</WebStores></WebStoreListItem>";
    }
    return xml + "</WebStoreListItems></GetWebStoreList>";
}

QByteArray order(const QByteArray &id, const QByteArray &created, const QByteArray &name = "Ann Lee")
{
    return "<WebStoreOrder><MarketplaceOrderId>" + id + "</MarketplaceOrderId><OrderCreationDatetime>" + created +
        "</OrderCreationDatetime><Weight>12</Weight><ToAddress><Name>" + name +
        "</Name><Address1>1 Main St</Address1><City>Springfield</City><State>IL</State><PostalCode>62701"
        "</PostalCode><Country>US</Country></ToAddress><WebStoreOrderItems><WebStoreOrderItem><ItemTitle>Book"
        "</ItemTitle><QuantityPurchased>2</QuantityPurchased><MarketplaceItemId>B-" +
        id + "</MarketplaceItemId></WebStoreOrderItem></WebStoreOrderItems></WebStoreOrder>";
}

QByteArray transactions(const QByteArray &storeId, const QByteArray &days, const QList<QByteArray> &orders)
{
    QByteArray xml = "<GetSellerTransactions><WebStoreId>" + storeId + "</WebStoreId><WebStoreName>Shop " + storeId +
        "</WebStoreName><MarketplaceName>Market</MarketplaceName>";
    if (!days.isEmpty())
        xml += "<TokenExpiresInDays>" + days + "</TokenExpiresInDays>";
    xml += "<WebStoreOrders>";
    for (const QByteArray &o : orders)
        xml += o;
    return xml + "</WebStoreOrders></GetSellerTransactions>";
}

QByteArray storeIdOf(const RecordedRequest &request)
{
    const qsizetype start = request.body.indexOf("<WebStoreId>") + 12;
    return request.body.mid(start, request.body.indexOf("</WebStoreId>") - start);
}

bool waitUntil(const std::function<bool()> &condition, int milliseconds = 8000)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition() && clock.elapsed() < milliseconds) {
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return condition();
}

class WebStoreWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.isListening());
        setHttpCAFile(LocalHttpServer::testCertificateAuthorityFile());
        QVCommandCenter::resetSharedInstancesForTesting();
        UserDefaults::resetStandardUserDefaults();
        setPostageServerAccount(std::make_shared<Account>());
        UserDefaults::standardUserDefaults().setString(server.hostAndPort(), QVWebStoreServiceServerDefaultsKey);
        UserDefaults::standardUserDefaults().setString(QStringLiteral("api.example.test"),
                                                       QVWebStoreServiceAPIHostDefaultsKey);
        server.setReply(
            kRest + "GetWebStoreList",
            ScriptedReply::text(200,
                                storeList({{"M1", "Market One"}, {"M2", "Market Two"}},
                                          {{"S1", "Shop S1", "M1"}, {"S2", "Shop S2", "M1"}, {"S3", "Shop S3", "M2"}}),
                                "application/xml"));
        server.setHandler(kRest + "GetSellerTransactions", [this](const RecordedRequest &request) {
            const QByteArray id = storeIdOf(request);
            return ScriptedReply::text(200, transactions(id, days.value(id), orders.value(id)), "application/xml");
        });
        orders = {{"S1", {order("111", "2014-01-02T10:00:00Z"), order("112", "2014-01-03T10:00:00Z")}},
                  {"S3", {order("311", "not a date"), order("312", "2014-01-01T10:00:00Z")}}};
        controller = QVWebStoreWindowController::make();
        controller->setClock([this] { return clockNow; });
    }
    void TearDown() override
    {
        controller.reset();
        setPostageServerAccount(nullptr);
        setPrintingWebStoreServices(nullptr);
        setWebStoreWizardFactory({});
        QVCommandCenter::resetSharedInstancesForTesting();
        UserDefaults::resetStandardUserDefaults();
    }
    void refresh()
    {
        controller->refreshWebStores();
        ASSERT_TRUE(waitUntil([this] { return controller->activeFetcherCount() == 0; }));
    }
    static QStringList ids(const QList<QVariantMap> &list)
    {
        QStringList result;
        for (const QVariantMap &o : list)
            result << o.value(QStringLiteral("MarketplaceOrderId")).toString();
        return result;
    }
    static void giveStatus()
    {
        QByteArray record(QVRHOResponse::RecordLength, '\0');
        record.replace(940, 6, "web-pw");
        QVRHOCommandCenter::commandCenter()->setLastValidStatusResponse(QVRHOResponse::responseWithData(record));
        UserDefaults::standardUserDefaults().setString(QStringLiteral("www.example.test"), QVRHOWebSiteDefaultsKey);
    }

    LocalHttpServer server{LocalHttpServer::Scheme::Https};
    DialogsScope dialogs;
    QHash<QByteArray, QByteArray> days;
    QHash<QByteArray, QList<QByteArray>> orders;
    QDateTime clockNow = QDateTime(QDate(2014, 1, 5), QTime(9, 0));
    std::shared_ptr<QVWebStoreWindowController> controller;
};

TEST_F(WebStoreWindowTest, RefreshListsStoresAndOrdersNewestFirst)
{
    refresh();
    EXPECT_EQ(controller->marketplaces().size(), 2u);
    EXPECT_EQ(controller->webStores().size(), 3u);
    EXPECT_FALSE(controller->isSplashShowing());
    EXPECT_FALSE(controller->isProgressSheetShowing());
    EXPECT_EQ(controller->lastRefreshDate(), clockNow);
    EXPECT_EQ(server.requestCount(), 4); // the list, then one request per store

    // Newest first; the order whose date the reader refuses stays, last.
    EXPECT_EQ(ids(controller->arrangedOrders()), QStringList({"112", "111", "312", "311"}));
    const QVariantMap first = controller->arrangedOrders().first();
    EXPECT_EQ(first.value(QStringLiteral("WebStoreId")), QStringLiteral("S1"));
    EXPECT_EQ(first.value(QStringLiteral("QVOrderTitle")), QStringLiteral("2x Book"));
    EXPECT_TRUE(first.value(QStringLiteral("QVOrderDescription"))
                    .toString()
                    .contains(QStringLiteral("Order Date:\t\t2014-01-03T10:00:00Z\n")));
    EXPECT_EQ(first.value(QStringLiteral("OrderCreationDatetime")).toDateTime(),
              QDateTime(QDate(2014, 1, 3), QTime(10, 0), QTimeZone::utc()));

    // The stores filter the table: none selected shows all, two show both.
    controller->setSelectedStoreIds({QStringLiteral("S3")});
    EXPECT_EQ(ids(controller->arrangedOrders()), QStringList({"312", "311"}));
    controller->setSelectedStoreIds({QStringLiteral("S1"), QStringLiteral("S3")});
    EXPECT_EQ(controller->arrangedOrders().size(), 4);

    // The source list: marketplaces hold their stores, badges count orders.
    PXSourceList list;
    list.setDelegate(controller.get());
    list.setDataSource(controller.get());
    ASSERT_EQ(list.numberOfRows(), 5);
    EXPECT_EQ(list.numberOfGroups(), 2);
    EXPECT_EQ(list.badgeValueForItem(list.itemAtRow(1)), 2); // S1
    EXPECT_FALSE(list.itemHasBadge(list.itemAtRow(2)));      // S2, no orders
    EXPECT_EQ(list.badgeValueForItem(list.itemAtRow(4)), 2); // S3
    list.selectRowIndexes({2, 4}, false);                    // via the selection notification
    EXPECT_EQ(controller->selectedStoreIds(), QStringList({"S2", "S3"}));
    list.setDelegate(nullptr);
}

TEST_F(WebStoreWindowTest, NoStoreShowsTheSplashAndFetchesNoOrders)
{
    refresh();
    ASSERT_TRUE(controller->lastRefreshDate().isValid());
    server.setReply(kRest + "GetWebStoreList",
                    ScriptedReply::text(200, "<GetWebStoreList><WebStoreListItems/></GetWebStoreList>"));
    server.clearRequests();
    refresh();
    EXPECT_TRUE(controller->isSplashShowing());
    EXPECT_TRUE(controller->webStores().empty());
    EXPECT_TRUE(controller->orders().isEmpty());
    EXPECT_FALSE(controller->lastRefreshDate().isValid());
    EXPECT_FALSE(controller->isProgressSheetShowing());
    EXPECT_EQ(server.requestCount(), 1);
}

TEST_F(WebStoreWindowTest, StoreListFailuresAreShownAndKeepTheLists)
{
    refresh();
    struct Case {
        const char *name;
        ScriptedReply reply;
        QString expected;
    };
    const Case cases[] = {
        {"500, not XML", ScriptedReply::text(500, "oops"), QStringLiteral("internal server error")},
        {"fault",
         ScriptedReply::text(200, "<Fault><Detail><Error><Message>Bad account</Message></Error></Detail></Fault>"),
         QStringLiteral("Bad account")},
    };
    for (const Case &c : cases) {
        dialogs->alerts.clear();
        server.setReply(kRest + "GetWebStoreList", c.reply);
        refresh();
        ASSERT_EQ(dialogs->alerts.size(), 1) << c.name;
        EXPECT_TRUE(dialogs->alerts.first().messageText.contains(c.expected)) << c.name;
        EXPECT_EQ(controller->webStores().size(), 3u) << c.name;
        EXPECT_EQ(controller->orders().size(), 4) << c.name;
        EXPECT_FALSE(controller->isProgressSheetShowing()) << c.name;
    }
}

TEST_F(WebStoreWindowTest, ExpiryWarningsAlertOnceADay)
{
    days = {{"S1", "7"}, {"S2", "8"}};
    dialogs->answers = {0};
    refresh();
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].messageText, QVWebStoreExpiringMessage);
    EXPECT_EQ(dialogs->alerts[0].informativeText,
              QStringLiteral("The authorization with Market for Shop S1 will expire in 7 days.\n\n"
                             "You can re-authorize at any time."));
    EXPECT_EQ(dialogs->alerts[0].buttons.first().title, QVWebStoreManageStoresTitle);
    EXPECT_TRUE(controller->expiringTokens().isEmpty());

    clockNow = clockNow.addSecs(3600); // the same day: no alert, the warning waits
    refresh();
    EXPECT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(controller->expiringTokens().size(), 1);

    clockNow = clockNow.addSecs(86400);
    refresh();
    ASSERT_EQ(dialogs->alerts.size(), 2);
    EXPECT_EQ(dialogs->alerts[1].informativeText.count(QStringLiteral("Shop S1")), 2);
    EXPECT_EQ(controller->lastExpireAlertDate(), clockNow);
}

TEST_F(WebStoreWindowTest, ARefreshDuringAnotherListsEveryOrderOnce)
{
    server.setHandler(kRest + "GetSellerTransactions", [this](const RecordedRequest &request) {
        const QByteArray id = storeIdOf(request);
        ScriptedReply reply = ScriptedReply::text(200, transactions(id, {}, orders.value(id)), "application/xml");
        reply.delayMilliseconds = 300;
        return reply;
    });
    controller->refreshWebStores();
    ASSERT_TRUE(waitUntil([this] { return server.requestCount() >= 2; }));
    refresh();
    EXPECT_EQ(ids(controller->orders()).size(), 4);
    QStringList sorted = ids(controller->orders());
    sorted.removeDuplicates();
    EXPECT_EQ(sorted.size(), 4);
}

TEST_F(WebStoreWindowTest, MarkAsShipped)
{
    refresh();
    struct Case {
        const char *name;
        ScriptedReply reply;
        bool removed;
        QString problem;
    };
    const Case cases[] = {
        {"fault",
         ScriptedReply::text(200, "<Fault><Detail><Error><Message>Order closed</Message></Error></Detail></Fault>"),
         false, QStringLiteral("Order closed")},
        {"HTTP error", ScriptedReply::text(404, "missing"), false, QStringLiteral("404")},
        {"accepted", ScriptedReply::text(200, "<CompleteSales/>"), true, QString()},
    };
    for (const Case &c : cases) {
        server.setReply(kRest + "CompleteSales", c.reply);
        server.clearRequests();
        dialogs->alerts.clear();
        controller->setSelectedStoreIds({});
        controller->setSelectedOrderRows({0}); // 112, the newest
        ASSERT_TRUE(controller->validateAction(QStringLiteral("markAsShipped:")));
        QString asked;
        controller->setTrackingNumberPrompt([&asked](const Alert &alert) -> std::optional<QString> {
            asked = alert.informativeText;
            return QStringLiteral("9400111");
        });
        controller->markAsShipped();
        EXPECT_TRUE(asked.startsWith(QStringLiteral("You have chosen to mark order 112 to Ann Lee as shipped.")));
        ASSERT_TRUE(waitUntil([this] { return server.requestCount() >= 1; }));
        EXPECT_TRUE(server.lastRequest().body.contains("<MarketplaceOrderId>112</MarketplaceOrderId>"
                                                       "<TrackingNumber>9400111</TrackingNumber>"));
        ASSERT_TRUE(waitUntil([&] { return !dialogs->alerts.isEmpty() || !ids(controller->orders()).contains("112"); }))
            << c.name;
        EXPECT_EQ(!ids(controller->orders()).contains(QStringLiteral("112")), c.removed) << c.name;
        if (!c.removed) {
            ASSERT_EQ(dialogs->alerts.size(), 1) << c.name;
            EXPECT_TRUE(dialogs->alerts[0].messageText.contains(QStringLiteral("112"))) << c.name;
            EXPECT_TRUE(dialogs->alerts[0].informativeText.contains(c.problem)) << c.name;
        }
    }

    // Cancelled: nothing is sent.
    server.clearRequests();
    controller->setSelectedOrderRows({0});
    controller->setTrackingNumberPrompt([](const Alert &) { return std::nullopt; });
    controller->markAsShipped();
    QEventLoop loop;
    QTimer::singleShot(100, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(server.requestCount(), 0);
    // Only one selected order can be marked.
    controller->setSelectedOrderRows({0, 1});
    EXPECT_FALSE(controller->validateAction(QStringLiteral("markAsShipped:")));
    EXPECT_TRUE(controller->validateAction(QStringLiteral("shipFromWebStore:")));
}

TEST_F(WebStoreWindowTest, APrintedOrderLeavesTheOpenWindow)
{
    refresh();
    registerWebStoreOrderCompletion();
    printingWebStoreServices()->removeOrderWithId(QStringLiteral("311"));
    EXPECT_EQ(ids(controller->orders()), QStringList({"111", "112", "312"}));
}

TEST_F(WebStoreWindowTest, ShipSelectedOrdersOrRefuse)
{
    refresh();
    auto automation = std::make_shared<RecordingAutomation>();
    setAutomationServices(automation);
    auto window = std::make_shared<RecordingMainWindow>();
    setMainWindowHostProvider([window] { return window; });

    controller->setSelectedOrderRows({0, 1}); // 112 and 111, one store, one address
    controller->shipFromWebStore();
    ASSERT_EQ(automation->packages.size(), 1);
    EXPECT_EQ(automation->packages[0].value(QStringLiteral("ReferenceID")), QStringLiteral("B-111"));
    EXPECT_EQ(window->currentShipment.value(QVUSPSShipmentRHOWebStoreMarketplaceOrderIdsKey).toList(),
              QVariantList({QStringLiteral("112"), QStringLiteral("111")}));
    EXPECT_EQ(window->currentShipment.value(QVUSPSShipmentRHOWebStoreNameKey), QStringLiteral("Shop S1"));

    controller->setSelectedOrderRows({0, 2}); // 112 of S1, 312 of S3
    controller->shipFromWebStore();
    EXPECT_EQ(automation->packages.size(), 1);
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].informativeText, QVWebStoreStoreMismatchText);

    setMainWindowHostProvider({});
    setAutomationServices(nullptr);
}

class RecordingWizard : public QVWebStoreWizard
{
public:
    int shown = 0;
    void showWindow() override { ++shown; }
};

TEST_F(WebStoreWindowTest, StoreManager)
{
    // Without an account status there is no signed-in URL: an alert.
    controller->showWebStoreManager();
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_FALSE(controller->hasWizard());

    // Without a web-page window nothing opens.
    giveStatus();
    controller->showWebStoreManager();
    EXPECT_FALSE(controller->hasWizard());
    EXPECT_EQ(dialogs->alerts.size(), 1);

    QList<QUrl> urls;
    std::function<void()> close;
    auto wizard = std::make_shared<RecordingWizard>();
    setWebStoreWizardFactory([&](const QUrl &url, std::function<void()> didClose) {
        urls << url;
        close = std::move(didClose);
        return wizard;
    });
    controller->showWebStoreManager();
    controller->showWebStoreManager(); // brought forward, not made again
    ASSERT_EQ(urls.size(), 1);
    EXPECT_EQ(urls[0].host(), QStringLiteral("www.example.test"));
    EXPECT_TRUE(urls[0].query().contains(QStringLiteral("ManageStores=V2")));
    EXPECT_EQ(wizard->shown, 2);

    server.clearRequests();
    close(); // closing refreshes and lets the wizard go
    ASSERT_TRUE(waitUntil([this] { return !controller->hasWizard() && controller->activeFetcherCount() == 0; }));
    EXPECT_GE(server.requestCount(), 1);
    EXPECT_EQ(server.requests().first().path(), kRest + "GetWebStoreList");
}

TEST_F(WebStoreWindowTest, TheWindowFollowsTheController)
{
    QVWebStoreWindow window(controller);
    window.show();
    ASSERT_TRUE(waitUntil([this] { return controller->lastRefreshDate().isValid(); })); // refreshed on load
    EXPECT_EQ(window.ordersTable()->model()->rowCount(), 4);
    EXPECT_EQ(window.ordersTable()->model()->index(0, 1).data(), QStringLiteral("112"));
    EXPECT_TRUE(window.emptySelectionPicture()->isVisible());
    EXPECT_FALSE(window.emptySelectionPicture()->pixmap().isNull());
    EXPECT_FALSE(window.action(QStringLiteral("shipFromWebStore:"))->isEnabled());

    window.ordersTable()->selectRow(1);
    EXPECT_EQ(controller->selectedOrderRows(), QList<int>({1}));
    EXPECT_TRUE(window.detailsText()->isVisible());
    EXPECT_TRUE(window.detailsText()->toPlainText().contains(QStringLiteral("Order Number:\t\t111")));
    EXPECT_TRUE(window.action(QStringLiteral("markAsShipped:"))->isEnabled());
    EXPECT_FALSE(window.refreshDateField()->text().isEmpty());

    server.setReply(kRest + "GetWebStoreList",
                    ScriptedReply::text(200, "<GetWebStoreList><WebStoreListItems/></GetWebStoreList>"));
    refresh();
    EXPECT_TRUE(window.splashView()->isVisible());
    EXPECT_FALSE(window.splitView()->isVisible());
}

TEST_F(WebStoreWindowTest, TheDetailsValuesStartInOneColumn)
{
    QVWebStoreWindow window(controller);
    window.resize(900, 700);
    window.show();
    ASSERT_TRUE(waitUntil([this] { return controller->lastRefreshDate().isValid(); }));
    window.ordersTable()->selectRow(1);
    QTextEdit *details = window.detailsText();
    waitUntil([] { return false; }, 50); // laid out

    // Where each line's value (the text after its tabs) starts.
    QMap<int, QStringList> columns;
    for (QTextBlock block = details->document()->begin(); block.isValid(); block = block.next()) {
        const QString line = block.text();
        const qsizetype tabs = line.lastIndexOf(u'\t');
        if (tabs < 0 || tabs + 1 >= line.size())
            continue;
        QTextCursor cursor(block);
        cursor.setPosition(block.position() + int(tabs) + 1);
        columns[details->cursorRect(cursor).x()] << line;
    }
    EXPECT_GE(columns.size(), 1);
    EXPECT_EQ(columns.size(), 1) << details->toPlainText().toStdString();
    QStringList lines;
    for (const QStringList &group : columns)
        lines += group;
    // The selected order's labels, the address's further lines included.
    for (const char *label : {"Quantity:", "Item Title:", "Address:", "Order Number:", "Weight:"})
        EXPECT_TRUE(lines.join(u'|').contains(QLatin1String(label))) << label;
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const QString &l) { return l.startsWith(u'\t'); }));
}

} // namespace
