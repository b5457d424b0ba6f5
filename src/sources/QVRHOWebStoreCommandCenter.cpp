#include "sources/QVRHOWebStoreCommandCenter.h"

#include "model/XMLConversion.h"
#include "platform/UserDefaults.h"
#include "printing/PrintingServices.h"
#include "services/LogRedaction.h"
#include "services/QVPostageServerAccount.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOLabelServerCommandCenter.h"
#include "sources/GTMHTTPFetcher.h"
#include "sources/QVWebStoreWindowController.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <libxml/tree.h>

namespace {

// The fixed client secret of this service.
const QString WebStoreClientSecret = QStringLiteral("Wq4ntRz7Lp2");

QString prettyPrinted(const QByteArray &xml)
{
    QString out;
    QXmlStreamReader reader(xml);
    QXmlStreamWriter writer(&out);
    writer.setAutoFormatting(true);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.hasError())
            return QString::fromUtf8(xml);
        if (!reader.isWhitespace())
            writer.writeCurrentToken(reader);
    }
    return out;
}

} // namespace

QVRHOWebStoreCommandCenter::QVRHOWebStoreCommandCenter()
{
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    const QVariant configured = defaults.objectForKey(QVWebStoreServiceServerDefaultsKey);
    QString host;
    if (configured.metaType() == QMetaType::fromType<QString>())
        host = configured.toString();
    else if (postageServerAccount()->testServer())
        host = defaults.stringForKey(QVWebStoreServiceTestServerDefaultsKey);
    else
        host = QVRHOLabelServerCommandCenter::commandCenter()->server();
    setServer(host);
    setPath(QVWebStoreServicePath);
    takeLogFlagsFromDefaults();
}

QString QVRHOWebStoreCommandCenter::userid() const { return postageServerAccount()->userid(); }

QString QVRHOWebStoreCommandCenter::password() const
{
    const auto status = QVRHOCommandCenter::commandCenter()->lastValidStatusResponse();
    return status ? status->tolvaneDotComPassword() : QString();
}

QString QVRHOWebStoreCommandCenter::serviceNamespace()
{
    return QStringLiteral("https://") +
        UserDefaults::standardUserDefaults().stringForKey(QVWebStoreServiceAPIHostDefaultsKey) +
        QVWebStoreNamespacePath;
}

void QVRHOWebStoreCommandCenter::addAuthenticationElementsToElement(QVXMLNode &element) const
{
    element.addChildElement(QStringLiteral("AccountNumber"), userid());
    element.addChildElement(QStringLiteral("Password"), password());
}

QVXMLDocument QVRHOWebStoreCommandCenter::docWithRootName(const QString &rootName) const
{
    QVXMLDocument document;
    document.setRootElement(rootName);
    document.setCharacterEncoding(QStringLiteral("UTF-8"));
    QVXMLNode root = document.rootElement();
    const QByteArray ns = serviceNamespace().toUtf8();
    const QByteArray xsi = QVXMLSchemaInstanceNamespace.toUtf8();
    xmlNewProp(root.rawNode(), BAD_CAST "xmlns", BAD_CAST ns.constData());
    xmlNewProp(root.rawNode(), BAD_CAST "xmlns:i", BAD_CAST xsi.constData());
    addAuthenticationElementsToElement(root);
    return document;
}

HttpRequest QVRHOWebStoreCommandCenter::URLRequestForPostDataToAPI(const QVXMLDocument &document,
                                                                   const QString &operation) const
{
    const QString url = QStringLiteral("https://%1%2%3").arg(server(), path(), operation);
    const QByteArray body = document.xmlData();
    // The password goes by its place (the "Password" element); the client
    // secret travels only in a header field, which is not logged.
    if (UserDefaults::standardUserDefaults().boolForKey(QVLogDebugInfoDefaultsKey))
        debugLog(url + QLatin1Char('\n') + prettyPrinted(body));
    QVHeaderDictionary headers =
        QVRHOLabelServerCommandCenter::commandCenter()->additionalHeaderDictionaryForShipment(nullptr);
    const QVHeaderDictionary own{{QStringLiteral("Content-Type"), QStringLiteral("application/xml")},
                                 {QStringLiteral("USER-NAME"), QStringLiteral("TolvaneForMac")},
                                 {QStringLiteral("USER-SECRET"), WebStoreClientSecret},
                                 {QStringLiteral("BRANDLE-VERSION"), QStringLiteral("1")}};
    for (auto it = own.cbegin(); it != own.cend(); ++it) {
        if (!headers.contains(it.key()))
            headers.insert(it.key(), it.value());
    }
    HttpRequest request = URLRequestForPostData(body, QUrl(url), headers);
    const qint64 timeout = UserDefaults::standardUserDefaults().integerForKey(QVWebStoreServiceTimeoutDefaultsKey);
    if (timeout > 0)
        request.timeoutMilliseconds = static_cast<int>(std::min<qint64>(timeout, 24 * 3600) * 1000);
    return request;
}

HttpRequest QVRHOWebStoreCommandCenter::webStoreListRequest() const
{
    return URLRequestForPostDataToAPI(docWithRootName(QStringLiteral("GetWebStoreListRequest")),
                                      QStringLiteral("GetWebStoreList"));
}

HttpRequest QVRHOWebStoreCommandCenter::ordersRequestForStore(const QString &storeId) const
{
    QVXMLDocument document = docWithRootName(QStringLiteral("GetSellerTransactionsRequest"));
    QVXMLNode root = document.rootElement();
    root.addChildElement(QStringLiteral("WebStoreId"), storeId);
    root.addChildElement(QStringLiteral("NumberOfDays"),
                         UserDefaults::standardUserDefaults().stringForKey(QVWebStoreNumberOfDaysDefaultsKey));
    return URLRequestForPostDataToAPI(document, QStringLiteral("GetSellerTransactions"));
}

HttpRequest QVRHOWebStoreCommandCenter::completeSalesRequestForStore(const QString &storeId,
                                                                     const QString &marketplaceOrderId,
                                                                     const QString &trackingNumber) const
{
    QVXMLDocument document = docWithRootName(QStringLiteral("CompleteSalesRequest"));
    QVXMLNode root = document.rootElement();
    root.addChildElement(QStringLiteral("WebStoreId"), storeId);
    QVXMLNode item =
        root.addChildElement(QStringLiteral("CompleteSalesItems")).addChildElement(QStringLiteral("CompleteSalesItem"));
    item.addChildElement(QStringLiteral("MarketplaceOrderId"), marketplaceOrderId);
    item.addChildElement(QStringLiteral("TrackingNumber"), trackingNumber.isNull() ? QString("") : trackingNumber);
    return URLRequestForPostDataToAPI(document, QStringLiteral("CompleteSales"));
}

HttpRequest QVRHOWebStoreCommandCenter::revertSalesRequestForStore(const QString &storeId,
                                                                   const QString &trackingNumber) const
{
    QVXMLDocument document = docWithRootName(QStringLiteral("RevertSalesRequest"));
    QVXMLNode root = document.rootElement();
    root.addChildElement(QStringLiteral("WebStoreId"), storeId);
    root.addChildElement(QStringLiteral("RevertSalesItems"))
        .addChildElement(QStringLiteral("RevertSalesItem"))
        .addChildElement(QStringLiteral("TrackingNumber"), trackingNumber);
    return URLRequestForPostDataToAPI(document, QStringLiteral("RevertSales"));
}

// ---- Replies ----------------------------------------------------------------------

namespace QVWebStoreReply {

std::optional<QVariantMap> dictionaryFromData(const QByteArray &data)
{
    return rho_propertyListFromXMLFormatNoExceptions(data);
}

QVariant valueForKeyPath(const QVariantMap &dictionary, const QString &keyPath)
{
    QVariant value = dictionary;
    for (const QString &key : keyPath.split(QLatin1Char('.'))) {
        if (value.metaType() != QMetaType::fromType<QVariantMap>())
            return QVariant();
        const QVariantMap map = value.toMap();
        const auto found = map.constFind(key);
        if (found == map.constEnd())
            return QVariant();
        value = *found;
    }
    return value;
}

QString stringForKeyPath(const QVariantMap &dictionary, const QString &keyPath)
{
    const QVariant value = valueForKeyPath(dictionary, keyPath);
    return value.metaType() == QMetaType::fromType<QString>() ? value.toString() : QString();
}

QVariantList listForKeyPath(const QVariantMap &dictionary, const QString &keyPath)
{
    const QVariant value = valueForKeyPath(dictionary, keyPath);
    if (!value.isValid())
        return {};
    if (value.metaType() == QMetaType::fromType<QVariantList>())
        return value.toList();
    return {value};
}

QString faultMessage(const QVariantMap &reply)
{
    return stringForKeyPath(reply, QStringLiteral("Fault.Detail.Error.Message"));
}

QVariantList webStoreListItems(const QVariantMap &reply)
{
    return listForKeyPath(reply, QStringLiteral("GetWebStoreList.WebStoreListItems.WebStoreListItem"));
}

QVariantList webStoresOfItem(const QVariantMap &item)
{
    return listForKeyPath(item, QStringLiteral("WebStores.WebStore"));
}

QVariantList webStoreOrders(const QVariantMap &reply)
{
    return listForKeyPath(reply, QStringLiteral("GetSellerTransactions.WebStoreOrders.WebStoreOrder"));
}

QVariantList orderItems(const QVariantMap &order)
{
    return listForKeyPath(order, QStringLiteral("WebStoreOrderItems.WebStoreOrderItem"));
}

} // namespace QVWebStoreReply

// ---- Order completion ------------------------------------------------------------------

namespace {

class WebStoreOrderCompletion final : public QVPrintingWebStoreServices
{
public:
    void completeSales(const QString &storeId, const QStringList &marketplaceOrderIds,
                       const QString &trackingNumber) override
    {
        const auto client = QVRHOWebStoreCommandCenter::commandCenter();
        for (const QString &orderId : marketplaceOrderIds) {
            auto fetcher = GTMHTTPFetcher::fetcherWithRequest(
                client->completeSalesRequestForStore(storeId, orderId, trackingNumber));
            fetcher->setRetryEnabled(true);
            // The reply is not examined; the fetcher keeps itself alive.
            fetcher->beginFetch([](GTMHTTPFetcher &, const QByteArray &, const std::optional<GTMFetcherError> &) {});
        }
    }
    void removeOrderWithId(const QString &marketplaceOrderId) override
    {
        if (const auto window = QVWebStoreWindowController::openController())
            window->removeOrderWithId(marketplaceOrderId);
    }
};

} // namespace

void registerWebStoreOrderCompletion() { setPrintingWebStoreServices(std::make_shared<WebStoreOrderCompletion>()); }
