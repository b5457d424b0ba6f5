#pragma once
// USPS values of a shipment: the read-only facts that pricing, label
// printing, the mailing log and the XML interface derive from a QVShipment —
// which class, destination and size tests hold, which special services the
// piece may take, the package barcode data and its printed form, the service
// and endorsement lines of the label, the customs summary, and the weight and
// zone in the forms that labels, the log and the rate engine want.
//
// Each operation takes the shipment first and keeps the name of the
// shipment's own operation. None of them stores anything, except
// removeAllCustomsInformation.
//
// Names used below: "the class" is the stored QVUSPSShipmentRateClassKey,
// "the size" the stored QVUSPSShipmentSizeKey, "the services" the stored
// QVUSPSShipmentOptionalServicesKey list, "the confirmation" the stored
// QVUSPSShipmentConfirmationServiceKey. A missing name compares unequal to
// every name; a missing number reads as 0. Main thread only.
#include "model/QVShipment.h"
#include "platform/Decimal.h"

#include <QString>
#include <QStringList>

#include <optional>

// ---- Loose values of the record --------------------------------------------
// The stored text under a key (a number is given as its text); a null string
// when nothing is stored.
QString shipmentText(const QVShipment &shipment, const QString &key);
// The stored value read as a boolean ("YES", "Y", "true", "1" for a text);
// `missing` when nothing is stored.
bool shipmentBool(const QVShipment &shipment, const QString &key, bool missing = false);
// The stored service names (an array of texts), in order; empty when none.
QStringList shipmentOptionalServices(const QVShipment &shipment);

// ---- Destination and class tests -------------------------------------------
// Domestic and the recipient's state is "AE", "AA" or "AP".
bool isMilitaryMail(const QVShipment &shipment);
// Domestic and the recipient's ZIP5 is "96799" or begins "969".
bool isTerritoryMail(const QVShipment &shipment);
// Neither military nor territory mail.
bool isForcedConfirmationOnPriorityMail(const QVShipment &shipment);
// The class contains the text of QVUSPSPriorityMail (flat-rate names count).
bool isPriorityMail(const QVShipment &shipment);
// The class is QVUSPSExpressMail or QVUSPSExpressMailFlatRate.
bool isExpressMail(const QVShipment &shipment);
bool isGlobalExpressMail(const QVShipment &shipment);
// The class is a package-services class in the rate year of the ship date.
bool isPackageServices(const QVShipment &shipment);
bool isCertifiedMail(const QVShipment &shipment);
bool isHoldForPickup(const QVShipment &shipment);
// Both electronic confirmations may be chosen.
bool isEligibleForConfirmationServices(const QVShipment &shipment);
// International and not an M-bag.
bool isEligibleForIntlDiscount(const QVShipment &shipment);
// Domestic, and either a tracked piece of Priority Mail (flat rate too),
// Priority Mail Express (flat rate too) or Parcel Select, or a First-Class
// package.
bool isEligibleForDomesticDiscount(const QVShipment &shipment);
// Military or territory mail carrying a package number.
bool isEligibleForDomesticIntegratedCustomsForms(const QVShipment &shipment);
// A First-Class letter, flat or postcard without a package number, which
// carries an Intelligent Mail tracing barcode instead.
bool shouldContainConfirm(const QVShipment &shipment);
// The piece must carry a package tracking number.
bool shouldContainPIC(const QVShipment &shipment);
// A number to track, not voided, and a class that USPS tracks (package
// services only with an electronic confirmation).
bool isTrackableUsingUSPS(const QVShipment &shipment);
// A letter whose length / height is below 1.3 or above 2.5.
bool isForcedNonMachinable(const QVShipment &shipment);
// The postage may be printed without its amount.
bool isEligibleForStealth(const QVShipment &shipment);

// ---- Special services ------------------------------------------------------
// Whether the piece may take the service (a null or unknown service: no).
// Adult signature asks the account-information client; the international
// electronic delivery confirmation asks the rate engine for the ship date's
// rate version.
bool isEligibleForSpecialService(const QVShipment &shipment, const QString &service);
// Nothing: no; an empty list: yes; otherwise every member must be eligible.
bool isEligibleForSpecialServices(const QVShipment &shipment, const std::optional<QStringList> &services);

// ---- Barcode and label texts -------------------------------------------------
// The package barcode data: the stored barcode number, else the PIC ("420"
// and the recipient's ZIP5 and "*" put ahead of a PIC that begins neither
// "420" nor "E"); nothing without either.
std::optional<QString> impbBarcode(const QVShipment &shipment);
// The printed tracking number: the stored display number, else the PIC (or
// the customs number) in groups; nothing without any.
std::optional<QString> humanReadableBarcodeText(const QVShipment &shipment);
// The service line above the barcode.
QString eServiceTextString(const QVShipment &shipment);
// The service line without the stored banner (the argument changes nothing).
QString eServiceTextStringWithLongString(const QVShipment &shipment, bool longString);
// Always empty.
QString electronicRateApprovedString(const QVShipment &shipment);
// "PRIORITY MAIL" or "PRIORITY MAIL EXPRESS" with "®", or with
// " <days>-DAY™" when delivery days are stored; nothing for other classes.
std::optional<QString> serviceBanner(const QVShipment &shipment);
// The banner without its mark; "PM EXPRESS" for Priority Mail Express.
std::optional<QString> shortServiceBanner(const QVShipment &shipment);
// The delivery line and the signature line of a Priority Mail Express label.
QStringList expressMailOptionStrings(const QVShipment &shipment);

// ---- Customs -------------------------------------------------------------
// Removes every customs value through the record (each removal of a stored
// value posts the change notification); the SDR value and the AES/ITN stay.
void removeAllCustomsInformation(QVShipment &shipment);
// Sum of the items' whole weights as text ("0" without items).
QString customsWeightInOunces(const QVShipment &shipment);
// Sum of the items' values (zero without items; a value that is not a number
// counts as zero).
Decimal customsValue(const QVShipment &shipment);
// "<form>: <n> item(s), <oz> oz, <$value>, <content>", or "None".
QString customsSummaryStringForShipment(const QVShipment &shipment);
QString customsSummaryString(const QVShipment &shipment);

// ---- Weight and zone -------------------------------------------------------
// The weight in whole ounces as text. A fraction of an ounce, and of a pound,
// counts as a whole ounce, so that no conversion lowers the postage: "2.75"
// "lb" is "44", "2.5" "oz" is "3"; a whole number of ounces is the stored
// text unchanged; "0" for another unit.
QString weightInOunces(const QVShipment &shipment);
// The engine's tenths of an ounce: 159 for 16 oz First-Class Mail, 35 for a
// 4-oz First-Class (international too) letter or postcard, else ounces x 10.
int weightInTenthOunces(const QVShipment &shipment);
// weightInTenthOunces / 10: "3.5" or "16".
QString prettyWeightInOunces(const QVShipment &shipment);
// 0 for "Local", else the zone's integer value.
int zoneInt(const QVShipment &shipment);
QString zoneNumberString(const QVShipment &shipment);
// Longest side plus twice each other side; 0 when a side is below 1.
int lengthPlusGirth(const QVShipment &shipment);
