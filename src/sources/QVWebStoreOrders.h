#pragma once
// Web-store orders as the orders window shows them and as they become the
// main window's shipment. Plain functions over an order record: one
// "WebStoreOrder" of a GetSellerTransactions reply (QVRHOWebStoreCommandCenter.h)
// as nested dictionaries, lists normalised by the reader there.
//
// Shipping orders: the selected orders (in the orders table's order) become
// one package dictionary in the vocabulary of the Glimra automation's
// "Package" element, carried out by the automation's processPackage; the
// shipment then records which orders it serves (order ids, store id, store
// name) so that the print flow reports them as shipped.
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <variant>

// ---- Display ------------------------------------------------------------------
// The item titles joined with ", ", each preceded by "<quantity>x " unless its
// quantity is "1" (or missing).
QString webStoreOrderTitle(const QVariantMap &order);
// The order's detail text: label, tabs and value per line (items, address,
// buyer, order number and date, weight, reference). The order date is read
// as the text received.
QString rho_webStoreOrderDescription(const QVariantMap &order);
// "2 lb" for 32, "12 oz" for 12, "0 oz" for 0: whole pounds when the ounces
// are above 0 and a multiple of 16.
QString webStoreOrderWeightText(const QString &weightOunces);

// ---- Service codes ---------------------------------------------------------------
// The map's value for the code reduced to its letters, upper-cased; empty
// when the code is not a string or not in the map.
QString valueInMap(const QVariantMap &map, const QVariant &code);
QString automationMailClassFromUspsMailClass(const QVariant &code);
QString automationMailpieceFromPackageType(const QVariant &code);

// ---- Orders to a shipment -------------------------------------------------------
inline const QString QVWebStoreCannotShipTogetherMessage = QStringLiteral("These orders cannot be shipped together.");
inline const QString QVWebStoreAddressMismatchText =
    QStringLiteral("The shipping addresses of the selected orders must be identical.");
inline const QString QVWebStoreStoreMismatchText =
    QStringLiteral("The web store of the selected orders must be identical.");

struct QVWebStoreShipment {
    QVariantMap package;
    QStringList marketplaceOrderIds; // every selected order, in order
    QString webStoreId;              // of the last selected order
    QString webStoreName;            // of that store in the store list
};

struct QVWebStoreShipmentRefusal {
    QString messageText;
    QString informativeText;
};

// The package and shipment properties for the selected orders (at least
// one), or the refusal of a selection whose addresses or stores differ
// (addresses are checked first). `webStores` is the store list ("WebStoreId",
// "Name").
std::variant<QVWebStoreShipment, QVWebStoreShipmentRefusal> webStoreShipmentForOrders(const QList<QVariantMap> &orders,
                                                                                      const QVariantList &webStores);

// Hands the package to the automation and records the orders on the main
// window's shipment (properties QVUSPSShipmentRHOWebStore*Key), then brings
// the main window to the front. A package the automation refuses leaves no
// web-store properties on the shipment (older ones are removed): a later
// print must not report these orders with another piece's number. False
// when the package was refused or there is no main window.
bool processWebStoreShipment(const QVWebStoreShipment &shipment);
