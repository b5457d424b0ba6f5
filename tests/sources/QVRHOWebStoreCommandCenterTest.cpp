// QVRHOWebStoreCommandCenter: the four request documents byte for byte, the
// URL, the headers and the time-out of the requests, the server choice, the
// debug log, the list-normalising reply reader, and the order completion
// registered with the printing layer (against a local HTTPS server).
#include "sources/QVRHOWebStoreCommandCenter.h"

#include "ConsoleCapture.h"
#include "LocalHttpServer.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "sources/GTMHTTPFetcher.h"
#include "printing/PrintingServices.h"
#include "services/QVPostageServerAccount.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOLabelServerCommandCenter.h"
#include "services/QVRHOResponse.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

class Account : public QVPostageServerAccount
{
public:
    QString userid() override { return QStringLiteral("7654321"); }
    QString password() override { return QStringLiteral("pass phrase"); }
    bool testServer() override { return test; }
    QString websiteServerName() override { return {}; }
    bool test = false;
};

const QString WebPassword = QStringLiteral("web&<pw>");

class WebStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QVCommandCenter::resetSharedInstancesForTesting();
        UserDefaults::resetStandardUserDefaults();
        account = std::make_shared<Account>();
        setPostageServerAccount(account);
        UserDefaults::standardUserDefaults().setString(QStringLiteral("api.example.test"),
                                                       QVWebStoreServiceAPIHostDefaultsKey);
        UserDefaults::standardUserDefaults().setString(QStringLiteral("webstore.example.test:8443"),
                                                       QVWebStoreServiceServerDefaultsKey);
    }
    void TearDown() override
    {
        setPostageServerAccount(nullptr);
        setPrintingWebStoreServices(nullptr);
        QVCommandCenter::resetSharedInstancesForTesting();
        UserDefaults::resetStandardUserDefaults();
    }
    static void giveWebPassword()
    {
        QByteArray record(QVRHOResponse::RecordLength, '\0');
        record.replace(940, WebPassword.size(), WebPassword.toUtf8());
        QVRHOCommandCenter::commandCenter()->setLastValidStatusResponse(QVRHOResponse::responseWithData(record));
    }
    std::shared_ptr<Account> account;
};

QByteArray document(const QByteArray &root, const QByteArray &inner)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<" + root +
        " xmlns=\"https://api.example.test/webstoreapi/2013/04\" "
        "xmlns:i=\"http://www.w3.org/2001/XMLSchema-instance\"><AccountNumber>7654321</AccountNumber>" +
        inner + "</" + root + ">\n";
}

TEST_F(WebStoreTest, TheFourRequestDocuments)
{
    giveWebPassword();
    UserDefaults::standardUserDefaults().setString(QStringLiteral("14"), QVWebStoreNumberOfDaysDefaultsKey);
    const auto client = QVRHOWebStoreCommandCenter::commandCenter();
    const QByteArray pw = "<Password>web&amp;&lt;pw&gt;</Password>";
    struct Case {
        HttpRequest request;
        QByteArray operation;
        QByteArray expected;
    } cases[] = {
        {client->webStoreListRequest(), "GetWebStoreList", document("GetWebStoreListRequest", pw)},
        {client->ordersRequestForStore(QStringLiteral("S-1")), "GetSellerTransactions",
         document("GetSellerTransactionsRequest", pw + "<WebStoreId>S-1</WebStoreId><NumberOfDays>14</NumberOfDays>")},
        {client->completeSalesRequestForStore(QStringLiteral("S-1"), QStringLiteral("111-22"),
                                              QStringLiteral("9400100")),
         "CompleteSales",
         document("CompleteSalesRequest",
                  pw +
                      "<WebStoreId>S-1</WebStoreId><CompleteSalesItems><CompleteSalesItem>"
                      "<MarketplaceOrderId>111-22</MarketplaceOrderId><TrackingNumber>"
                      "9400100</TrackingNumber></CompleteSalesItem></CompleteSalesItems>")},
        {client->revertSalesRequestForStore(QStringLiteral("S-1"), QStringLiteral("9400100")), "RevertSales",
         document("RevertSalesRequest",
                  pw +
                      "<WebStoreId>S-1</WebStoreId><RevertSalesItems><RevertSalesItem>"
                      "<TrackingNumber>9400100</TrackingNumber></RevertSalesItem>"
                      "</RevertSalesItems>")},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.request.body, c.expected) << c.operation.constData();
        EXPECT_EQ(c.request.method, QByteArray("POST"));
        EXPECT_EQ(c.request.url.toString(),
                  QStringLiteral("https://webstore.example.test:8443"
                                 "/WebStoreService/WebStoreService.svc/rest/") +
                      QString::fromLatin1(c.operation));
        EXPECT_EQ(c.request.header("Host"), QByteArray("webstore.example.test"));
        EXPECT_EQ(c.request.header("Content-Length"), QByteArray::number(c.expected.size()));
    }
}

TEST_F(WebStoreTest, MissingValuesGiveEmptyElements)
{
    // No status reply (no web-site password), no number of days, no
    // tracking number.
    const auto client = QVRHOWebStoreCommandCenter::commandCenter();
    EXPECT_EQ(client->ordersRequestForStore(QStringLiteral("S")).body,
              document("GetSellerTransactionsRequest", "<Password/><WebStoreId>S</WebStoreId><NumberOfDays/>"));
    const QByteArray complete = client->completeSalesRequestForStore(QStringLiteral("S"), QStringLiteral("O")).body;
    EXPECT_TRUE(complete.contains("<MarketplaceOrderId>O</MarketplaceOrderId><TrackingNumber/>"))
        << complete.constData();
}

TEST_F(WebStoreTest, HeadersAndTimeOut)
{
    const auto client = QVRHOWebStoreCommandCenter::commandCenter();
    HttpRequest request = client->webStoreListRequest();
    const QVHeaderDictionary vendor =
        QVRHOLabelServerCommandCenter::commandCenter()->additionalHeaderDictionaryForShipment(nullptr);
    ASSERT_FALSE(vendor.isEmpty());
    for (auto it = vendor.cbegin(); it != vendor.cend(); ++it) {
        EXPECT_FALSE(request.header(it.key().toUtf8()).isNull()) << it.key().toStdString();
        if (it.key() != QStringLiteral("Tolvane-Client-LogId")) { // a fresh one per call
            EXPECT_EQ(request.header(it.key().toUtf8()), it.value().toUtf8()) << it.key().toStdString();
        }
    }
    EXPECT_EQ(request.header("Content-Type"), QByteArray("application/xml"));
    EXPECT_EQ(request.header("USER-NAME"), QByteArray("TolvaneForMac"));
    EXPECT_EQ(request.header("USER-SECRET"), QByteArray("Wq4ntRz7Lp2"));
    EXPECT_EQ(request.header("BRANDLE-VERSION"), QByteArray("1"));
    EXPECT_EQ(request.headers().size(), vendor.size() + 6); // the four, Host and Content-Length

    struct Case {
        QVariant setting;
        int milliseconds;
    } cases[] = {{QVariant(), 60000}, {QVariant(30), 30000}, {QVariant(0), 60000}, {QVariant(-5), 60000}};
    for (const Case &c : cases) {
        if (c.setting.isValid())
            UserDefaults::standardUserDefaults().setObject(c.setting, QVWebStoreServiceTimeoutDefaultsKey);
        EXPECT_EQ(client->webStoreListRequest().timeoutMilliseconds, c.milliseconds) << c.setting.toInt();
    }
}

TEST_F(WebStoreTest, ServerChoice)
{
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    EXPECT_EQ(QVRHOWebStoreCommandCenter::commandCenter()->server(), QStringLiteral("webstore.example.test:8443"));

    // Without the setting: the label-server host, or on a test account the
    // test host.
    defaults.removeObjectForKey(QVWebStoreServiceServerDefaultsKey);
    defaults.setString(QStringLiteral("labels.example.test"), QVLabelServiceServerDefaultsKey);
    defaults.setString(QStringLiteral("labels-test.example.test"), QVWebStoreServiceTestServerDefaultsKey);
    QVCommandCenter::resetSharedInstancesForTesting();
    EXPECT_EQ(QVRHOWebStoreCommandCenter::commandCenter()->server(), QStringLiteral("labels.example.test"));
    account->test = true;
    QVCommandCenter::resetSharedInstancesForTesting();
    const auto client = QVRHOWebStoreCommandCenter::commandCenter();
    EXPECT_EQ(client->server(), QStringLiteral("labels-test.example.test"));
    EXPECT_EQ(client->webStoreListRequest().url.host(), QStringLiteral("labels-test.example.test"));
    // The server is read once, when the client is made.
    defaults.setString(QStringLiteral("other.example.test"), QVWebStoreServiceServerDefaultsKey);
    EXPECT_EQ(client->server(), QStringLiteral("labels-test.example.test"));
}

TEST_F(WebStoreTest, DebugLogMasksThePasswordAndTheSecret)
{
    giveWebPassword();
    UserDefaults::standardUserDefaults().setBool(true, QVLogDebugInfoDefaultsKey);
    const auto client = QVRHOWebStoreCommandCenter::commandCenter();
    ConsoleCapture console;
    client->completeSalesRequestForStore(QStringLiteral("S-1"), QStringLiteral("111-22"), QStringLiteral("94"));
    const QString log = console.lines().join(QLatin1Char('\n'));
    EXPECT_TRUE(log.contains(QStringLiteral("/WebStoreService/WebStoreService.svc/rest/CompleteSales")))
        << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("111-22"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("web&amp;&lt;pw&gt;"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("web&<pw>"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("Wq4ntRz7Lp2"))) << log.toStdString();
}

TEST_F(WebStoreTest, RepliesReadListsOfOne)
{
    const QByteArray oneOfEach =
        "<GetWebStoreList><WebStoreListItems><WebStoreListItem><Marketplace><MarketplaceId>3</MarketplaceId>"
        "<Name>Shop</Name></Marketplace><WebStores><WebStore><WebStoreId>S-1</WebStoreId><Name>Main</Name>"
        "<MarketplaceId>3</MarketplaceId></WebStore></WebStores></WebStoreListItem></WebStoreListItems>"
        "</GetWebStoreList>";
    auto reply = QVWebStoreReply::dictionaryFromData(oneOfEach);
    ASSERT_TRUE(reply.has_value());
    const QVariantList items = QVWebStoreReply::webStoreListItems(*reply);
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(QVWebStoreReply::stringForKeyPath(items[0].toMap(), QStringLiteral("Marketplace.Name")),
              QStringLiteral("Shop"));
    const QVariantList stores = QVWebStoreReply::webStoresOfItem(items[0].toMap());
    ASSERT_EQ(stores.size(), 1);
    EXPECT_EQ(stores[0].toMap().value(QStringLiteral("WebStoreId")).toString(), QStringLiteral("S-1"));

    const QByteArray orders =
        "<GetSellerTransactions><WebStoreId>S-1</WebStoreId><TokenExpiresInDays>12</TokenExpiresInDays>"
        "<WebStoreOrders><WebStoreOrder><MarketplaceOrderId>A</MarketplaceOrderId><WebStoreOrderItems>"
        "<WebStoreOrderItem><ItemTitle>Mug</ItemTitle></WebStoreOrderItem></WebStoreOrderItems></WebStoreOrder>"
        "<WebStoreOrder><MarketplaceOrderId>B</MarketplaceOrderId><WebStoreOrderItems><WebStoreOrderItem>"
        "<ItemTitle>Cup</ItemTitle></WebStoreOrderItem><WebStoreOrderItem><ItemTitle>Lid</ItemTitle>"
        "</WebStoreOrderItem></WebStoreOrderItems></WebStoreOrder></WebStoreOrders></GetSellerTransactions>";
    reply = QVWebStoreReply::dictionaryFromData(orders);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(QVWebStoreReply::stringForKeyPath(*reply, QStringLiteral("GetSellerTransactions.TokenExpiresInDays")),
              QStringLiteral("12"));
    const QVariantList list = QVWebStoreReply::webStoreOrders(*reply);
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(QVWebStoreReply::orderItems(list[0].toMap()).size(), 1);
    EXPECT_EQ(QVWebStoreReply::orderItems(list[1].toMap()).size(), 2);

    // No orders at all: no list.
    reply = QVWebStoreReply::dictionaryFromData(
        "<GetSellerTransactions><WebStoreId>S</WebStoreId></GetSellerTransactions>");
    ASSERT_TRUE(reply.has_value());
    EXPECT_TRUE(QVWebStoreReply::webStoreOrders(*reply).isEmpty());

    const QByteArray fault = "<Fault><Detail><Error><Message>Bad account</Message></Error></Detail></Fault>";
    reply = QVWebStoreReply::dictionaryFromData(fault);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(QVWebStoreReply::faultMessage(*reply), QStringLiteral("Bad account"));
    EXPECT_TRUE(QVWebStoreReply::faultMessage(*QVWebStoreReply::dictionaryFromData(orders)).isEmpty());

    EXPECT_FALSE(QVWebStoreReply::dictionaryFromData("Service Unavailable").has_value());
    EXPECT_FALSE(QVWebStoreReply::dictionaryFromData("").has_value());
}

TEST_F(WebStoreTest, OrderCompletionSendsOneRequestPerOrder)
{
    LocalHttpServer server(LocalHttpServer::Scheme::Https);
    ASSERT_TRUE(server.isListening());
    setHttpCAFile(LocalHttpServer::testCertificateAuthorityFile());
    const QByteArray path = "/WebStoreService/WebStoreService.svc/rest/CompleteSales";
    server.setReply(path, ScriptedReply::text(200, "<CompleteSales/>", "application/xml"));
    UserDefaults::standardUserDefaults().setString(server.hostAndPort(), QVWebStoreServiceServerDefaultsKey);
    QVCommandCenter::resetSharedInstancesForTesting();

    // The fetchers keep themselves alive until they stop: wait for both, so
    // none is left running when the test ends.
    int stopped = 0;
    const NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        kGTMHTTPFetcherStoppedNotification, [&stopped](const Notification &) { ++stopped; });
    registerWebStoreOrderCompletion();
    printingWebStoreServices()->completeSales(QStringLiteral("S-1"), {QStringLiteral("A"), QStringLiteral("B")},
                                              QStringLiteral("9400"));
    QElapsedTimer clock;
    clock.start();
    while ((server.requestCount() < 2 || stopped < 2) && clock.elapsed() < 8000) {
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    EXPECT_EQ(stopped, 2);
    const QList<RecordedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 2);
    QStringList orders;
    for (const RecordedRequest &r : requests) {
        EXPECT_EQ(r.path(), path);
        EXPECT_EQ(r.method, QByteArray("POST"));
        EXPECT_TRUE(r.body.contains("<TrackingNumber>9400</TrackingNumber>"));
        const qsizetype start = r.body.indexOf("<MarketplaceOrderId>") + 20;
        orders.append(QString::fromUtf8(r.body.mid(start, r.body.indexOf("</MarketplaceOrderId>") - start)));
    }
    orders.sort();
    EXPECT_EQ(orders, (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
}

} // namespace
