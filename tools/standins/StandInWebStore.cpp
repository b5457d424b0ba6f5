#include "StandInWebStore.h"

#include <QMutexLocker>
#include <QXmlStreamReader>

using namespace tolvane::test;

namespace {

const QByteArray kRestPath = "/WebStoreService/WebStoreService.svc/rest/";
const QByteArray kMarketplaceId = "DEMO-MARKET";

// The text of the first element of that name; null when there is none or
// the document is no XML.
QByteArray elementText(const QByteArray &document, const QByteArray &name, bool *wellFormed = nullptr)
{
    QXmlStreamReader reader(document);
    QByteArray found;
    bool seen = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (!seen && reader.isStartElement() && reader.name() == QLatin1String(name)) {
            found = reader.readElementText(QXmlStreamReader::SkipChildElements).toUtf8();
            if (found.isNull())
                found = QByteArray("");
            seen = true;
        }
    }
    if (wellFormed)
        *wellFormed = !reader.hasError();
    return reader.hasError() ? QByteArray() : found;
}

QByteArray escaped(const QByteArray &text) { return QString::fromUtf8(text).toHtmlEscaped().toUtf8(); }

ScriptedReply xml(const QByteArray &body) { return ScriptedReply::text(200, body, "application/xml"); }

ScriptedReply fault(const QByteArray &message)
{
    return xml("<Fault><Detail><Error><Message>" + escaped(message) + "</Message></Error></Detail></Fault>");
}

QByteArray demoOrder(const QByteArray &id, const QByteArray &created, const QByteArray &name, const QByteArray &address,
                     const QByteArray &city, const QByteArray &state, const QByteArray &zip, const QByteArray &country,
                     const QByteArray &weight, const QByteArray &mailClass, const QByteArray &title,
                     const QByteArray &quantity)
{
    return "<WebStoreOrder><MarketplaceOrderId>" + id + "</MarketplaceOrderId><OrderCreationDatetime>" + created +
        "</OrderCreationDatetime><BuyerEmail>buyer" + id.right(2) +
        "@example.com</BuyerEmail>"
        "<BuyerPhoneNumber>555-0100</BuyerPhoneNumber><Reference></Reference><Weight>" +
        weight + "</Weight><ShippingService>Standard Shipping</ShippingService><UspsShippingMethod><UspsMailClass>" +
        mailClass + "</UspsMailClass><PackageType>Parcel</PackageType></UspsShippingMethod><ToAddress><Name>" + name +
        "</Name><Address1>" + address + "</Address1><Address2></Address2><City>" + city + "</City><State>" + state +
        "</State><PostalCode>" + zip + "</PostalCode><Country>" + country +
        "</Country></ToAddress><WebStoreOrderItems><WebStoreOrderItem><ItemTitle>" + title +
        "</ItemTitle><QuantityPurchased>" + quantity + "</QuantityPurchased><MarketplaceItemId>ITEM-" + id +
        "</MarketplaceItemId></WebStoreOrderItem></WebStoreOrderItems></WebStoreOrder>";
}

} // namespace

StandInWebStore::StandInWebStore(const QByteArray &accountNumber) : m_account(accountNumber)
{
    m_orders = {
        {"DEMO-1",
         demoOrder("1001", "2014-01-06T15:20:00Z", "Ann Lee", "1 Main St", "Springfield", "IL", "62701", "US", "12",
                   "First-Class Mail", "Paperback Book", "1"),
         "1001"},
        {"DEMO-1",
         demoOrder("1002", "2014-01-07T09:05:00Z", "Bo Park", "22 Elm Ave", "Portland", "OR", "97201", "US", "40",
                   "Priority Mail", "Coffee Mug", "2"),
         "1002"},
        {"DEMO-2",
         demoOrder("2001", "2014-01-05T18:45:00Z", "Cleo Martin", "5 Rue Lac", "Toronto", "ON", "M5V 2T6", "Canada",
                   "8", "", "Postcards", "3"),
         "2001"},
    };
    for (const char *operation : {"GetWebStoreList", "GetSellerTransactions", "CompleteSales", "RevertSales"}) {
        const QByteArray name(operation);
        m_server.setHandler(kRestPath + name,
                            [this, name](const RecordedRequest &request) { return answer(name, request); });
    }
}

QVariantMap StandInWebStore::settings() const
{
    return {{QStringLiteral("webStoreServiceServer"), m_server.hostAndPort()},
            {QStringLiteral("webStoreServiceAPIHost"), m_server.hostAndPort()}};
}

QString StandInWebStore::description() const
{
    return QStringLiteral("web-store service       %1").arg(m_server.baseUrl());
}

ScriptedReply StandInWebStore::answer(const QByteArray &operation, const RecordedRequest &request)
{
    if (request.method != "POST")
        return ScriptedReply::text(405, "POST only");
    bool wellFormed = false;
    const QByteArray account = elementText(request.body, "AccountNumber", &wellFormed);
    if (!wellFormed)
        return fault("The request is not a well-formed XML document.");
    if (account != m_account)
        return fault("The account number or password is not valid.");
    const QByteArray storeId = elementText(request.body, "WebStoreId");

    QMutexLocker lock(&m_mutex);
    if (operation == "GetWebStoreList") {
        return xml("<GetWebStoreList><WebStoreListItems><WebStoreListItem><Marketplace><MarketplaceId>" +
                   kMarketplaceId +
                   "</MarketplaceId><Name>Demo Marketplace</Name></Marketplace><WebStores>"
                   "<WebStore><WebStoreId>DEMO-1</WebStoreId><Name>Demo Shop</Name><MarketplaceId>" +
                   kMarketplaceId +
                   "</MarketplaceId></WebStore><WebStore><WebStoreId>DEMO-2</WebStoreId><Name>Demo Cards</Name>"
                   "<MarketplaceId>" +
                   kMarketplaceId +
                   "</MarketplaceId></WebStore></WebStores></WebStoreListItem></WebStoreListItems>"
                   "</GetWebStoreList>");
    }
    if (storeId != "DEMO-1" && storeId != "DEMO-2")
        return fault("The web store is not known.");
    if (operation == "GetSellerTransactions") {
        QByteArray orders;
        for (const Order &order : m_orders)
            if (order.storeId == storeId)
                orders += order.xml;
        return xml("<GetSellerTransactions><WebStoreId>" + storeId + "</WebStoreId><WebStoreName>" +
                   (storeId == "DEMO-1" ? QByteArray("Demo Shop") : QByteArray("Demo Cards")) +
                   "</WebStoreName><MarketplaceName>Demo Marketplace</MarketplaceName><TokenExpiresInDays>" +
                   (storeId == "DEMO-1" ? QByteArray("90") : QByteArray("6")) +
                   "</TokenExpiresInDays><WebStoreOrders>" + orders + "</WebStoreOrders></GetSellerTransactions>");
    }
    if (operation == "CompleteSales") {
        const QByteArray orderId = elementText(request.body, "MarketplaceOrderId");
        const auto before = m_orders.size();
        m_orders.removeIf([&](const Order &order) { return order.storeId == storeId && order.orderId == orderId; });
        if (m_orders.size() == before)
            return fault("Order " + orderId + " is not an open order of this store.");
        return xml("<CompleteSales/>");
    }
    return xml("<RevertSales/>");
}
