#pragma once
// Domestic rate classes: the object face of the rate engine for domestic
// mail.
//
// One QVUSPSRateClass object prices one USPS domestic mail class (named by a
// name constant of QVUSPSRateClassNames.h) within one rate year. The rate
// years are class objects used as tables (QVUSPSRateYear): each knows its
// effective date, hands out the shared rate-class objects of its year and
// the mail classes offered for a piece size. The fixed vocabulary (sizes,
// display names, Web Tools names, menu tags, engine codes, the size rule of
// a piece's dimensions) is the same in every rate year and is reached
// through the static functions of QVUSPSRateClass.
//
//   const QVUSPSRateYear &year = QVUSPSRateClass::ratesForDate(shipDate);
//   QVUSPSRateClass *priority = year.rateClassWithName(QVUSPSPriorityMail);
//   Decimal postage = priority->rateForWeight(2, zone, QVUSPSRegularSize);
//
// Rate-class objects are made once per rate year and name and live until the
// process ends; callers keep plain pointers to them. Everything here runs on
// the main thread: the caches are unguarded and every query sets the
// engine's process-wide rate version right before it asks the engine.
//
// Units: weights are whole native units (weightUnit(): ounces or pounds) in,
// tenths of an ounce to the engine; prices and fees come back as decimals
// with the engine's mils as mantissa and exponent -3; a price that cannot be
// had is the decimal zero.
#include "platform/Decimal.h"
#include "rates/QVUSPSRateClassNames.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <limits>
#include <optional>

// The not-found index of the tag and weight-index look-ups.
inline constexpr qsizetype QVNotFound = std::numeric_limits<qsizetype>::max();

class QVUSPSRateClass;

// The class object of a rate year (QVUSPSRateClass, QVUSPSJan2014RateClass,
// QVUSPSSep2014RateClass). There is exactly one of each, reached through
// classObject() of that class; compare them by address.
class QVUSPSRateYear
{
public:
    virtual ~QVUSPSRateYear() = default;
    QVUSPSRateYear(const QVUSPSRateYear &) = delete;
    QVUSPSRateYear &operator=(const QVUSPSRateYear &) = delete;

    // The class's own name ("QVUSPSJan2014RateClass").
    virtual QString className() const = 0;
    // The first moment of the rate year, local time.
    virtual QDateTime effectiveDate() const = 0;
    // Its calendar day, by which the rate engine chooses its price set.
    virtual QDate effectiveDay() const { return effectiveDate().date(); }

    // The shared object of that class in this rate year; nullptr for a null
    // name. The Priority Mail flat-rate names give the Priority Mail object,
    // QVUSPSExpressMailFlatRate the Priority Mail Express object. Any other
    // name, also one that no table knows, gets an object of its own.
    QVUSPSRateClass *rateClassWithName(const QString &name) const;
    QVUSPSRateClass *firstClass() const;
    QVUSPSRateClass *priority() const;
    QVUSPSRateClass *expressMail() const;
    QVUSPSRateClass *mediaMail() const;
    QVUSPSRateClass *libraryMail() const;
    QVUSPSRateClass *parcelSelect() const;
    QVUSPSRateClass *standardPost() const;
    QVUSPSRateClass *boundPrintedMatter() const;
    QVUSPSRateClass *parcelPost() const;

    // The mail classes offered for a piece size in this rate year, with the
    // account's settings applied: Parcel Select is left out when the account
    // disables it, Standard Post when the account may not use it and the
    // user default "upsMailInnovationsMode" is off. May be empty (a size
    // without classes, or an oversize piece with neither class allowed).
    QList<QVUSPSRateClass *> rateClassesForSize(const QString &size) const;

protected:
    QVUSPSRateYear() = default;
    // A new object of this year's own class (not First-Class Mail).
    virtual QVUSPSRateClass *makeRateClass(const QString &name) const = 0;

private:
    // rateClassWithName without its memo of recent names.
    QVUSPSRateClass *findRateClassWithName(const QString &name) const;
};

class QVUSPSRateClass
{
public:
    // initWithName:ratefoldClass: — made only by QVUSPSRateYear::rateClassWithName.
    QVUSPSRateClass(const QString &name, const QVUSPSRateYear &ratefoldClass);
    virtual ~QVUSPSRateClass() = default;
    QVUSPSRateClass(const QVUSPSRateClass &) = delete;
    QVUSPSRateClass &operator=(const QVUSPSRateClass &) = delete;

    // The class object of the base class (effective date: the distant past).
    static const QVUSPSRateYear &classObject();

    // ---- Rate years ------------------------------------------------------
    // The rate year for today; QVUSPSSep2014RateClass whenever the user
    // default "useSep14Rates" is on.
    static const QVUSPSRateYear &currentRates();
    // The rate year of a calendar date: September 2014 from 2014-09-07 on
    // (or whenever "useSep14Rates" is on), else January 2014.
    static const QVUSPSRateYear &ratesForDate(const QDateTime &date);

    // ---- Menus and tags --------------------------------------------------
    // The 16 sizes of the size menu; a size's tag is its index.
    static const QStringList &sizes();
    static qsizetype tagForPieceSize(const QString &size);
    // The size of a size-menu tag (0-15); a null string for any other tag.
    static QString pieceSizeForTag(qsizetype tag);
    // The 7 classes of the mail-class menu; a class's tag is its index.
    static const QStringList &rateClassTags();
    static qsizetype tagForRateClassName(const QString &name);
    // The class of a tag; a null string for a tag outside 0-6.
    static QString rateClassNameForTag(qsizetype tag);

    // ---- Display names and codes ------------------------------------------
    // "" for a size without a display name.
    static QString casualNameForMailpieceSize(const QString &size);
    // Flat-rate aliases resolved; a null string when the name has none.
    static QString casualNameForRateClassName(const QString &name);
    // A null string when the service has no display name.
    static QString casualNameForServiceName(const QString &service);
    // "USPS Tracking" or "Signature Confirm"; a null string for other names.
    static QString shortNameForConfirmationService(const QString &service);
    // The USPS Web Tools name; a null string when none (flat-rate names too).
    static QString webToolsNameForRateClassName(const QString &name);
    // The engine's shape code of a size; 0 for a name not in the table.
    static int tolvaneShapeTypeForSize(const QString &size);
    // The engine's class code (flat-rate aliases resolved); 0 when unknown.
    static int tolvaneClassTypeForRateClassName(const QString &name);
    // The engine's special-service id of a service name (the fee queries
    // ask the engine for it); 0 for a service without one.
    static int tolvaneServiceIdForServiceName(const QString &service);
    // "oz" or "lb" (QVOunceUnitString, QVPoundUnitString) of a class name; a
    // null string for Critical Mail and names not in the table.
    static QString weightUnitForRateClassName(const QString &name);

    // ---- Size rules ------------------------------------------------------
    // The sizes a piece may use, from its length, width (thickness) and
    // height in hundredths of an inch (the shipment's dimension keys). A
    // missing or non-positive side gives every size of the size menu. The
    // regional-rate boxes are left out when the account may not use them.
    static QStringList sizesForDimensions(const QVariantMap &dimensions);
    // Sizes priced only as Priority Mail flat rate or regional rate.
    static const QSet<QString> &priorityFlatRateSizes();
    // The envelope-like flat-rate pieces.
    static const QSet<QString> &priorityFlatRateEnvelopeSizes();

    // ---- Object side -----------------------------------------------------
    const QString &name() const { return m_name; }
    const QVUSPSRateYear &ratefoldClass() const { return *m_ratefoldClass; }
    QString casualName() const;
    QString webToolsName() const;
    // "oz" or "lb"; a null string for Critical Mail.
    QString weightUnit() const;
    // Media Mail, Library Mail, Bound Printed Matter, Parcel Post, Parcel
    // Select and Standard Post (the package services).
    bool isStandardB() const;

    // ---- Price queries ---------------------------------------------------
    // Each shorter form asks the next longer one with a default for the
    // argument it lacks: size QVUSPSRegularSize, machinable true, intraBMC
    // false, no dimensions, no stealth text, state "", no Priority Mail
    // Express premium service, discountRate false (level 0; true is level 1),
    // no cubic pricing. Only rateForWeightByReference lets the caller see the
    // weight the engine charged.
    Decimal rateForWeight(int weight, const QString &zone) const;
    Decimal rateForWeight(int weight, const QString &zone, const QString &size) const;
    Decimal rateForWeight(int weight, const QString &zone, const QString &size, bool machinable) const;
    Decimal rateForWeight(int weight, const QString &zone, const QString &size, bool machinable, bool intraBMC) const;
    Decimal rateForWeight(int weight, const QString &zone, const QString &size, bool machinable, bool intraBMC,
                          const std::optional<QVariantMap> &dimensions) const;
    Decimal rateForWeight(int weight, const QString &zone, const QString &size, bool machinable, bool intraBMC,
                          const std::optional<QVariantMap> &dimensions, QString *stealthString) const;
    Decimal rateForWeight(int weight, const QString &zone, const QString &size, bool machinable, bool intraBMC,
                          const std::optional<QVariantMap> &dimensions, QString *stealthString,
                          const QString &state) const;
    Decimal rateForWeight(int weight, const QString &zone, const QString &size, bool machinable, bool intraBMC,
                          const std::optional<QVariantMap> &dimensions, QString *stealthString, const QString &state,
                          bool emPremiumService) const;
    Decimal rateForWeight(int weight, const QString &zone, const QString &size, bool machinable, bool intraBMC,
                          const std::optional<QVariantMap> &dimensions, QString *stealthString, const QString &state,
                          bool emPremiumService, bool discountRate) const;
    // discountLevel must point at an integer; the engine writes back the
    // classification it used.
    Decimal rateForWeight(int weight, const QString &zone, const QString &size, bool machinable, bool intraBMC,
                          const std::optional<QVariantMap> &dimensions, QString *stealthString, const QString &state,
                          bool emPremiumService, int *discountLevel) const;
    // cubic (may be null): in, the caller accepts cubic pricing; out, it
    // was applied.
    Decimal rateForWeight(int weight, const QString &zone, const QString &size, bool machinable, bool intraBMC,
                          const std::optional<QVariantMap> &dimensions, QString *stealthString, const QString &state,
                          bool emPremiumService, int *discountLevel, bool *cubic) const;
    // The query. `weight` in native units in; out, the weight the engine
    // charged in tenths of an ounce (or the cubic tier when cubic pricing
    // applied). `dimensions`: the shipment's dimension dictionary (a missing
    // rectangular flag counts as a nonrectangular parcel) or nothing.
    Decimal rateForWeightByReference(int *weight, const QString &zone, const QString &size, bool machinable,
                                     bool intraBMC, const std::optional<QVariantMap> &dimensions,
                                     QString *stealthString, const QString &state, bool emPremiumService,
                                     int *discountLevel, bool *cubic) const;

    // The zone of a zone text: "Local" is 0, any other text its leading
    // integer (0 when none; "-1" when no destination is known).
    static int zoneForZoneString(const QString &zone);

    // ---- Fees --------------------------------------------------------------
    // Electronic delivery / signature confirmation for this class. They use
    // the rate version last set.
    Decimal eDCFee() const;
    Decimal eSCFee() const;
    // eDCFee or eSCFee by service name; zero for any other name.
    Decimal feeForElectronicConfirmationService(const QString &service) const;
    // The fee of a special service for this class in this object's rate
    // year; zero when the engine has none. The options are not consulted.
    Decimal feeForSpecialService(const QString &service, const QVariantMap &options = {}) const;

    // ---- Weight menus ----------------------------------------------------
    // Whole native units, ascending; empty when the engine has no list.
    QStringList orderedWeightInNativeWeightForSize(const QString &size) const;
    // Empty for a class without a unit.
    QStringList orderedWeightInOuncesForSize(const QString &size) const;
    QStringList orderedWeightInPoundsForSize(const QString &size) const;
    // The pounds menu for "lb", the ounces menu for "oz", else empty.
    QStringList orderedWeightInUnits(const QString &unit, const QString &size) const;
    // "1 oz", "2 ozs", "0.5 lbs"; empty for a unit other than "oz" and "lb".
    virtual QStringList displayWeightsWithUnitString(const QString &unit, const QString &size) const;
    // The first index of the ounces menu at least as heavy; QVNotFound when
    // every entry is lighter.
    qsizetype weightIndexClosestToOunces(int ounces, const QString &size) const;
    // As above with pounds x 16 rounded up to whole ounces.
    qsizetype weightIndexClosestToPounds(float pounds, const QString &size) const;

private:
    // sizesForDimensions with the account's regional-rate setting given.
    static QStringList sizesForDimensions(const QVariantMap &dimensions, bool regionalRateBoxes);

    QString m_name;
    const QVUSPSRateYear *m_ratefoldClass;
    // weightUnitForRateClassName(m_name), looked up once: pricing asks it at
    // every re-price.
    QString m_weightUnit;
};

// Rate year of the prices of 2014-01-26.
class QVUSPSJan2014RateClass : public QVUSPSRateClass
{
public:
    using QVUSPSRateClass::QVUSPSRateClass;
    static const QVUSPSRateYear &classObject();
};

// Rate year of the prices of 2014-09-07.
class QVUSPSSep2014RateClass : public QVUSPSRateClass
{
public:
    using QVUSPSRateClass::QVUSPSRateClass;
    static const QVUSPSRateYear &classObject();
};

// First-Class Mail in any rate year: its display menu names the last step
// of letters ("3.5 ozs") and of packages ("15.99 ozs", "< 1 lb").
class QVUSPSFirstClassMailRateClass : public QVUSPSRateClass
{
public:
    using QVUSPSRateClass::QVUSPSRateClass;
    QStringList displayWeightsWithUnitString(const QString &unit, const QString &size) const override;
};
