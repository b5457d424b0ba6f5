#pragma once
// QVRHOWebStoreCommandCenter: the client of the vendor's web-store service,
// through which the user's marketplaces and web stores deliver their
// unshipped orders and learn which orders shipped. It sends nothing itself:
// each operation builds a ready POST request whose body is an XML request
// document; callers hand it to GTMHTTPFetcher and read the reply with
// QVWebStoreReply (below).
//
// Request document: UTF-8, root element named after the request, with the
// attributes "xmlns" (the service namespace, "https://" + API host +
// "/webstoreapi/2013/04") and "xmlns:i" (the XML Schema instance namespace),
// then "AccountNumber" and "Password" (empty elements when unknown), then
// the request's own elements; sent as plain XML (not pretty-printed).
//
// HTTP request: POST to "https://" + server + path + operation name, with the
// label-server client's vendor headers (no shipment), "Content-Type:
// application/xml", "USER-NAME", "USER-SECRET" and "BRANDLE-VERSION"; "Host"
// and "Content-Length" by the base client; 60 seconds, or the user default
// "webStoreServiceTimeout" when it is greater than 0.
//
// Server (read once, when the shared client is made): the user default
// "webStoreServiceServer" when it holds a string (used unchanged, it may
// carry a port); else the label-server host - for a postage account on a
// test server the host of the user default "webStoreServiceTestServer",
// otherwise the label-server client's server. The vendor's hosts, and the
// API host of the namespace (user default "webStoreServiceAPIHost"), are not
// known to this build: without the settings the requests name no host.
//
// Credentials, read each time a document is built: the postage-server
// account number, and the web-site password of the postage server's last
// valid status reply (none without one).
//
// Debug log (user default "logDebugInfo"): the URL and the pretty-printed
// document, with the "Password" element and the client secret taken out.
#include "model/XMLDocument.h"
#include "services/QVCommandCenter.h"

#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <memory>
#include <optional>

inline const QString QVWebStoreServiceServerDefaultsKey = QStringLiteral("webStoreServiceServer");
inline const QString QVWebStoreServiceTimeoutDefaultsKey = QStringLiteral("webStoreServiceTimeout");
inline const QString QVWebStoreNumberOfDaysDefaultsKey = QStringLiteral("webStoreNumberOfDays");
// Settings of this build for the hosts that the vendor did not publish.
inline const QString QVWebStoreServiceAPIHostDefaultsKey = QStringLiteral("webStoreServiceAPIHost");
inline const QString QVWebStoreServiceTestServerDefaultsKey = QStringLiteral("webStoreServiceTestServer");

inline const QString QVWebStoreServicePath = QStringLiteral("/WebStoreService/WebStoreService.svc/rest/");
inline const QString QVWebStoreNamespacePath = QStringLiteral("/webstoreapi/2013/04");
inline const QString QVXMLSchemaInstanceNamespace = QStringLiteral("http://www.w3.org/2001/XMLSchema-instance");

class QVRHOWebStoreCommandCenter : public QVCommandCenter
{
public:
    QVRHOWebStoreCommandCenter();
    static std::shared_ptr<QVRHOWebStoreCommandCenter> commandCenter()
    {
        return QVCommandCenter::commandCenter<QVRHOWebStoreCommandCenter>();
    }
    QString className() const override { return QStringLiteral("QVRHOWebStoreCommandCenter"); }

    // ---- Requests ---------------------------------------------------------
    HttpRequest webStoreListRequest() const;
    HttpRequest ordersRequestForStore(const QString &storeId) const;
    // A null or empty tracking number gives an empty "TrackingNumber".
    HttpRequest completeSalesRequestForStore(const QString &storeId, const QString &marketplaceOrderId,
                                             const QString &trackingNumber = QString()) const;
    HttpRequest revertSalesRequestForStore(const QString &storeId, const QString &trackingNumber) const;

    // ---- Building blocks ----------------------------------------------------
    // "https://" + API host + "/webstoreapi/2013/04".
    static QString serviceNamespace();
    QVXMLDocument docWithRootName(const QString &rootName) const;
    void addAuthenticationElementsToElement(QVXMLNode &element) const;
    HttpRequest URLRequestForPostDataToAPI(const QVXMLDocument &document, const QString &operation) const;
    // The postage-server account number.
    QString userid() const override;
    // The web-site password of the last valid status reply; empty without.
    QString password() const override;
};

// Reading the service's replies. A reply becomes nested dictionaries (the
// root element's name its one key); lists are normalised: a value that is
// not a list counts as a list of one, a missing value as no list.
namespace QVWebStoreReply {

// The reply's dictionary; nothing for a reply that is not XML.
std::optional<QVariantMap> dictionaryFromData(const QByteArray &data);
// The value at a dot-separated key path; null when any step is missing.
QVariant valueForKeyPath(const QVariantMap &dictionary, const QString &keyPath);
QString stringForKeyPath(const QVariantMap &dictionary, const QString &keyPath);
QVariantList listForKeyPath(const QVariantMap &dictionary, const QString &keyPath);
// "Fault.Detail.Error.Message"; empty when the reply is no fault.
QString faultMessage(const QVariantMap &reply);

// GetWebStoreList: the items, and the stores of one item.
QVariantList webStoreListItems(const QVariantMap &reply);
QVariantList webStoresOfItem(const QVariantMap &item);
// GetSellerTransactions: the orders, and the items of one order.
QVariantList webStoreOrders(const QVariantMap &reply);
QVariantList orderItems(const QVariantMap &order);

} // namespace QVWebStoreReply

// Registers the web-store client's order completion with the printing layer
// (one CompleteSales fetch with retry per order). The application calls it
// at start-up.
void registerWebStoreOrderCompletion();
