#pragma once
// The values of a shipment in the postage server's terms: the rate engine's
// service-class code and the optional-service bits sent in every indicium
// request, the stored indicium bytes, the vendor's parcel-insurance fee, and
// the texts printed around an indicium (date, mailed-from line, class name,
// hidden-postage text, postage amount, pricing tier).
//
// Each operation takes the shipment first. Only setIndiciumData() stores
// anything. The rate queries set the engine's process-wide rate version
// right before they ask, so everything here runs on the main thread.
//
// registerShipmentServiceMask() makes tolvaneOptionalService() the answer of
// model/ClientServices.h's shipmentServiceMask(); the application calls it
// at start-up.
#include "model/QVShipment.h"
#include "platform/Decimal.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

// Stores the bytes under QVUSPSShipmentRHOIndiciumDataKey; nothing removes
// the key.
void setIndiciumData(QVShipment &shipment, const std::optional<QByteArray> &data);
std::optional<QByteArray> indiciumData(const QVShipment &shipment);

// At least one marketplace order id and a non-empty web-store id.
bool isTolvaneWebStoreOrder(const QVShipment &shipment);
// A confirmation service is set; or the class is Priority Mail Express
// International, Priority Mail Express or Priority Mail; or the services
// hold adult signature (restricted) or hold for pickup.
bool isTrackableForTolvaneInsurance(const QVShipment &shipment);
// The confirmation number is not empty.
bool isTrackableUsingTolvane(const QVShipment &shipment);
// The declared value in whole cents, rounded up (10.001 dollars is 1,001
// cents); nothing without a value, or for zero, a negative value or text that
// is not a number.
std::optional<qint64> tolvaneInsuranceValueInCents(const QVShipment &shipment);
// The vendor's parcel insurance in dollars for the declared value (zero
// without one); the value is charged in whole cents, rounded up.
Decimal tolvaneInsuranceCost(const QVShipment &shipment);

// "DEC 10 2014": the ship date, English month abbreviation, upper case.
QString tolvaneDateString(const QVShipment &shipment);
// "Mailed from ZIP 94107".
QString tolvaneMailedFromString(const QVShipment &shipment);
// The class name printed on the indicium: "POSTCARD" for a First-Class
// postcard at home, else the upper-cased display name of the class (for
// international mail with "INTERNATIONAL" shortened to "INTL").
QString tolvaneDollarClassString(const QVShipment &shipment);
// The rate engine's hidden-postage text, or the empty text.
QString tolvaneStealthString(const QVShipment &shipment);
// The total price as "$###0.00#": "$1.65", "$1.655", "$1234.50".
QString tolvanePostageString(const QVShipment &shipment);
int tolvaneRateClassification(const QVShipment &shipment);
// "Commercial Base Pricing" (1), "Commercial Plus Pricing" (2 and above),
// else empty.
QString tolvaneDiscountString(const QVShipment &shipment);
// The packed service-class key of the rate engine (GetServiceClassRE2010).
int tolvaneServiceClass(const QVShipment &shipment);
// The sum of the optional-service bits of the confirmation service and of
// every listed service (a service listed twice counts twice):
// registered 0x1, insured 0x2, certified 0x4, restricted delivery 0x8,
// certificate of mailing 0x40, return receipt 0x80, return receipt for
// merchandise 0x100, electronic delivery confirmation 0x200, COD 0x800,
// signature confirmation 0x2000, Express premium service 0x8000, adult
// signature 0x20000, adult signature restricted 0x40000, hold for pickup
// 0x80000; any other name adds nothing.
int tolvaneOptionalServiceBits(const QVShipment &shipment);

void registerShipmentServiceMask();

// The mailing-log record of a postage purchase: transaction type
// "Purchase", the account (serial number) and meter of the reply, the
// balance text after the purchase, ship and print date `now`, the amount as
// its price text ("25.50") and postage enabled.
QVShipment purchaseRecord(qint64 serialNumber, const QString &meterID, const QString &balanceText,
                          const QString &amountText, const QDateTime &now);
