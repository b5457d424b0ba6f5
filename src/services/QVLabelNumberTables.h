#pragma once
// The label-number client's translation tables from the shipment's
// vocabulary into the vendor's label vocabulary, shared by the label-number
// requests and the label-server documents: piece size to container type,
// rate class to mail class, customs content type to contents type, and the
// characters that a city name sent to the vendor may not hold.
//
// The tables are built on first use and kept for the life of the process;
// they are read-only and safe from any thread.
#include <QHash>
#include <QString>

// Piece size (a QVUSPSShipmentSizeKey value) to container type; "Parcel" for
// a size that is not in the table (QVUSPSLargeSize, no size).
QString containerTypeForSize(const QString &size);
// Rate class (a QVUSPSShipmentRateClassKey value) to mail class.
const QHash<QString, QString> &labelServerMailClassMap();
// The mail class of the rate class, empty when unmapped.
QString mailClassForRateClass(const QString &rateClass);
// Customs content type to contents type; "Other" for anything unknown.
QString contentTypeValueForContentType(const QString &contentType);
// Whether the character may stay in a city name: letters (accented letters
// too), the hyphen, the period and the space.
bool isAllowedCityCharacter(QChar character);
// The city without the characters that are not allowed (removed, not
// replaced): "O'Fallon" gives "OFallon".
QString stringByRemovingFromCityDisAllowedCharacters(const QString &city);
