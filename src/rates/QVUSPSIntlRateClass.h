#pragma once
// International rate classes: one USPS international mail class for one
// destination country.
//
// An object prices a piece through the engine's international query
// (GetIntlRate2010) and gives the weight menu of its class; the class side
// carries the international vocabulary: class names, display names, menu
// tags, engine class codes, and the Priority Mail International sizes that
// take customs form 2976 or 2976-A.
//
//   auto pmi = QVUSPSIntlRateClass::intlRateWithName(QVUSPSIntlPriorityMailIntl, country);
//   QString error;
//   Decimal postage = pmi->rateForWeightInOunces(16, QVUSPSRegularSize, false, false,
//                                                shipDate, nullptr, &error);
//
// Objects are not cached: each intlRateWithName() makes a new one, which
// lives as long as a caller holds it. The queries run on the main thread:
// the price query sets the engine's process-wide rate version right before
// it asks the engine. Weights are whole ounces in, tenths of an ounce to the
// engine; prices come back as decimals with the engine's mils as mantissa
// and exponent -3; a price that cannot be had is the decimal zero.
#include "model/QVCountry.h"
#include "platform/Decimal.h"
#include "rates/QVUSPSRateClass.h"

#include <QDateTime>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// ---- International mail classes (texts equal their names; stored) ---------
inline const QString QVUSPSIntlPriorityMailIntl = QStringLiteral("QVUSPSIntlPriorityMailIntl");
inline const QString QVUSPSIntlExpressMailIntl = QStringLiteral("QVUSPSIntlExpressMailIntl");
inline const QString QVUSPSIntlFirstClassMailIntl = QStringLiteral("QVUSPSIntlFirstClassMailIntl");
inline const QString QVUSPSIntlMBag = QStringLiteral("QVUSPSIntlMBag");
inline const QString QVUSPSIntlGlobalExpressGuaranteed = QStringLiteral("QVUSPSIntlGlobalExpressGuaranteed");
inline const QString QVUSPSIntlGlobalPriorityMail = QStringLiteral("QVUSPSIntlGlobalPriorityMail");
// "Flate" as stored.
inline const QString QVUSPSIntlGlobalPriorityMailSmallFlateRate =
    QStringLiteral("QVUSPSIntlGlobalPriorityMailSmallFlateRate");
inline const QString QVUSPSIntlGlobalPriorityMailLargeFlateRate =
    QStringLiteral("QVUSPSIntlGlobalPriorityMailLargeFlateRate");
inline const QString QVUSPSIntlGlobalExpressMail = QStringLiteral("QVUSPSIntlGlobalExpressMail");
inline const QString QVUSPSIntlPostcard = QStringLiteral("QVUSPSIntlPostcard");
inline const QString QVUSPSIntlAerogramme = QStringLiteral("QVUSPSIntlAerogramme");
inline const QString QVUSPSIntlAirLetterPost = QStringLiteral("QVUSPSIntlAirLetterPost");
inline const QString QVUSPSIntlEconomyLetterPost = QStringLiteral("QVUSPSIntlEconomyLetterPost");
inline const QString QVUSPSIntlEconomyParcelPost = QStringLiteral("QVUSPSIntlEconomyParcelPost");
inline const QString QVUSPSIntlAirParcelPost = QStringLiteral("QVUSPSIntlAirParcelPost");
inline const QString QVUSPSIntlAirMBag = QStringLiteral("QVUSPSIntlAirMBag");
inline const QString QVUSPSIntlEconomyMBagRegular = QStringLiteral("QVUSPSIntlEconomyMBagRegular");
inline const QString QVUSPSIntlEconomyMBagBooks = QStringLiteral("QVUSPSIntlEconomyMBagBooks");

// ---- International piece sizes (their texts are not their names) ---------
inline const QString QVUSPSIntlPackageSize = QStringLiteral("package");
inline const QString QVUSPSIntlPostcardsOrAerogrammesSize = QStringLiteral("postcards or aerogrammes");
inline const QString QVUSPSIntlMatterForTheBlindSize = QStringLiteral("matter for the blind");
inline const QString QVUSPSIntlEnvelopeSize = QStringLiteral("envelope");

class QVUSPSIntlRateClass
{
public:
    // initWithName:country: — a country of nothing is a destination the
    // engine does not know (every price is zero).
    QVUSPSIntlRateClass(const QString &name, const std::optional<QVCountry> &country);

    // A new object (not cached).
    static std::shared_ptr<QVUSPSIntlRateClass> intlRateWithName(const QString &name,
                                                                 const std::optional<QVCountry> &country);

    // ---- Class side --------------------------------------------------------
    // Display name; a null string for a name not in the table.
    static QString casualNameForRateClassName(const QString &name);
    // The engine's class code: 30, 28, 42 and 36 for Priority Mail
    // International, Priority Mail Express International, First-Class Mail
    // International and M-bags; 0 for every other name.
    static int tolvaneClassTypeForRateClassName(const QString &name);
    // The 19 names of the menu; a name's tag is its first index.
    static const QStringList &rateClassTags();
    // QVNotFound for a name not in the menu.
    static qsizetype tagForRateClass(const QString &name);
    // A null string for a tag outside 0-18.
    static QString rateClassForTag(qsizetype tag);
    // Priority Mail International sizes that take customs form 2976, and
    // those that take 2976-A.
    static const QSet<QString> &PMIsizesFor2976();
    static const QSet<QString> &PMIsizesFor2976A();

    // ---- Object side -------------------------------------------------------
    const QString &name() const { return m_name; }
    const std::optional<QVCountry> &country() const { return m_country; }
    QString casualName() const;
    // "lb" for the parcel-post, M-bag and Priority Mail International
    // classes, "oz" for every other name.
    QString weightUnit() const;

    // The postage of a piece of `ounces` whole ounces and the (domestic)
    // piece-size name, priced for `date` (or for 2014-09-07 whenever the user
    // default "useSep14Rates" is on; an invalid date counts as now).
    // discountLevel: the rate classification, in and out (the engine writes
    // back the one it used); a null pointer counts as 0. The stealth text
    // (when asked) receives the engine's one-line description on success.
    // On failure the result is zero and the error (when asked) one of
    // "%i oz exceeds service weight", "No %@ for %@", "Country not found: %@"
    // and "Unknown GetIntlRate error", with their values filled in.
    Decimal rateForWeightInOunces(int ounces, const QString &size, bool oversize, int *discountLevel,
                                  const QDateTime &date, QString *stealthString, QString *error) const;
    // The same with a discount flag: level 1 when eDiscount, else 0.
    Decimal rateForWeightInOunces(int ounces, const QString &size, bool oversize, bool eDiscount, const QDateTime &date,
                                  QString *stealthString, QString *error) const;

    // ---- Weight menus ------------------------------------------------------
    // The class's weight breaks for the size and country in whole native
    // units, ascending; empty when the engine has no list. Uses the rate
    // version last set.
    QStringList orderedWeightInNativeWeightForSize(const QString &size) const;
    QStringList orderedWeightInOuncesForSize(const QString &size) const;
    QStringList orderedWeightInPoundsForSize(const QString &size) const;
    // The pounds menu for "lb", the ounces menu for "oz", else empty.
    QStringList orderedWeightInUnits(const QString &unit, const QString &size) const;
    // "1 oz", "2 ozs", "0.5 lbs"; empty for a unit other than "oz" and "lb".
    QStringList displayWeightsWithUnitString(const QString &unit, const QString &size) const;
    // The first index of the ounces menu at least as heavy; QVNotFound when
    // every entry is lighter.
    qsizetype weightIndexClosestToOunces(int ounces, const QString &size) const;
    // As above with pounds x 16 rounded up to whole ounces.
    qsizetype weightIndexClosestToPounds(float pounds, const QString &size) const;

private:
    QString m_name;
    std::optional<QVCountry> m_country;
};

// Registers the international rate classes with the country value type
// (QVCountry::availableRateClassesForSize asks them). Done once when the
// program is loaded, provided this file's object is linked in (anything of
// it, of shipment pricing or of the shipment USPS values brings it); call it
// again to put them back after a test has registered another provider.
// Calling it again changes nothing else.
void installInternationalRateProvider();
