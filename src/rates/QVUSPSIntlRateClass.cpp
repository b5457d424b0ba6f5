#include "rates/QVUSPSIntlRateClass.h"

#include "model/DecimalAdditions.h"
#include "model/QVWeight.h"
#include "rates/QVUSPSRateClassSupport.h"
#include "rateengine/RateEngine.h"
#include "rateengine/RateIntl.h"
#include "rateengine/RateWeights.h"

#include <QHash>
#include <QtDebug>

#include <algorithm>
#include <vector>

namespace {

struct IntlClassInfo {
    QString casualName;
    int classCode;
};

const QHash<QString, IntlClassInfo> &classTable()
{
    static const QHash<QString, IntlClassInfo> table = {
        {QVUSPSIntlPriorityMailIntl, {QStringLiteral("Priority Mail International"), kREPriorityIntl}},
        {QVUSPSIntlExpressMailIntl, {QStringLiteral("Priority Mail Express International"), kREExpressIntl}},
        {QVUSPSIntlFirstClassMailIntl, {QStringLiteral("First-Class Mail International"), kREFirstClassIntl}},
        {QVUSPSIntlMBag, {QStringLiteral("M-bag"), kREMBags}},
        {QVUSPSIntlGlobalExpressGuaranteed, {QStringLiteral("Global Express Guaranteed"), 0}},
        {QVUSPSIntlGlobalPriorityMail, {QStringLiteral("Global Priority Mail"), 0}},
        {QVUSPSIntlGlobalPriorityMailSmallFlateRate, {QStringLiteral("Global Priority Mail"), 0}},
        {QVUSPSIntlGlobalPriorityMailLargeFlateRate, {QStringLiteral("Global Priority Mail"), 0}},
        {QVUSPSIntlGlobalExpressMail, {QStringLiteral("Global Express Mail"), 0}},
        {QVUSPSIntlPostcard, {QStringLiteral("Intl, Postcard"), 0}},
        {QVUSPSIntlAerogramme, {QStringLiteral("Intl, Aerogrammes"), 0}},
        {QVUSPSIntlAirLetterPost, {QStringLiteral("Airmail Letter-Post"), 0}},
        {QVUSPSIntlEconomyLetterPost, {QStringLiteral("Economy Letter-Post"), 0}},
        {QVUSPSIntlEconomyParcelPost, {QStringLiteral("Economy Parcel Post"), 0}},
        {QVUSPSIntlAirParcelPost, {QStringLiteral("Airmail Parcel Post"), 0}},
        {QVUSPSIntlAirMBag, {QStringLiteral("Airmail M-bag"), 0}},
        {QVUSPSIntlEconomyMBagRegular, {QStringLiteral("Economy M-bag"), 0}},
        {QVUSPSIntlEconomyMBagBooks, {QStringLiteral("Economy M-bag"), 0}},
    };
    return table;
}

const QSet<QString> &poundClasses()
{
    static const QSet<QString> names = {
        QVUSPSIntlAirParcelPost,    QVUSPSIntlEconomyParcelPost, QVUSPSIntlAirMBag, QVUSPSIntlEconomyMBagRegular,
        QVUSPSIntlEconomyMBagBooks, QVUSPSIntlPriorityMailIntl,  QVUSPSIntlMBag,
    };
    return names;
}

QByteArray countryText(const std::optional<QVCountry> &country, bool upperCase)
{
    if (!country)
        return QByteArray();
    return (upperCase ? country->name().toUpper() : country->name()).toUtf8();
}

QString countryName(const std::optional<QVCountry> &country) { return country ? country->name() : QString(); }

// The classes that can carry a piece to a country: what QVCountry asks of
// the rate layer.
class IntlRateProvider : public QVInternationalRateProvider
{
public:
    QStringList availableRateClassesForSize(const QVCountry &country, const QString &size) override
    {
        QStringList candidates;
        if (qvrates::isExpressFlatRateSize(size))
            candidates = {QVUSPSIntlPriorityMailIntl, QVUSPSIntlExpressMailIntl};
        else if (QVUSPSRateClass::priorityFlatRateSizes().contains(size))
            candidates = {QVUSPSIntlPriorityMailIntl};
        else
            candidates = {QVUSPSIntlFirstClassMailIntl, QVUSPSIntlPriorityMailIntl, QVUSPSIntlExpressMailIntl,
                          QVUSPSIntlMBag};

        const QDateTime date = QVUSPSRateClass::currentRates().effectiveDate();
        QStringList available;
        for (const QString &name : candidates) {
            const auto rateClass = QVUSPSIntlRateClass::intlRateWithName(name, country);
            const Decimal price = rateClass->rateForWeightInOunces(1, size, false, false, date, nullptr, nullptr);
            if (decimalNumberIsGreaterThanZero(price))
                available.append(name);
        }
        return available;
    }
};

} // namespace

QVUSPSIntlRateClass::QVUSPSIntlRateClass(const QString &name, const std::optional<QVCountry> &country)
    : m_name(name), m_country(country)
{}

std::shared_ptr<QVUSPSIntlRateClass> QVUSPSIntlRateClass::intlRateWithName(const QString &name,
                                                                           const std::optional<QVCountry> &country)
{
    return std::make_shared<QVUSPSIntlRateClass>(name, country);
}

QString QVUSPSIntlRateClass::casualNameForRateClassName(const QString &name)
{
    const auto it = classTable().constFind(name);
    return it == classTable().cend() ? QString() : it->casualName;
}

int QVUSPSIntlRateClass::tolvaneClassTypeForRateClassName(const QString &name)
{
    const auto it = classTable().constFind(name);
    return it == classTable().cend() ? 0 : it->classCode;
}

const QStringList &QVUSPSIntlRateClass::rateClassTags()
{
    static const QStringList tags = {
        QVUSPSIntlGlobalExpressMail,
        QVUSPSIntlGlobalPriorityMail,
        QVUSPSIntlGlobalPriorityMailSmallFlateRate,
        QVUSPSIntlGlobalPriorityMailLargeFlateRate,
        QVUSPSIntlAirLetterPost,
        QVUSPSIntlEconomyLetterPost,
        QVUSPSIntlAirParcelPost,
        QVUSPSIntlEconomyParcelPost,
        QVUSPSIntlPostcard,
        QVUSPSIntlAerogramme,
        QVUSPSIntlAirMBag,
        QVUSPSIntlEconomyMBagRegular,
        QVUSPSIntlEconomyMBagBooks,
        QVUSPSIntlAirLetterPost, // again: the menu's item 13
        QVUSPSIntlGlobalExpressGuaranteed,
        QVUSPSIntlExpressMailIntl,
        QVUSPSIntlPriorityMailIntl,
        QVUSPSIntlFirstClassMailIntl,
        QVUSPSIntlMBag,
    };
    return tags;
}

qsizetype QVUSPSIntlRateClass::tagForRateClass(const QString &name)
{
    return qvrates::tagInMenu(rateClassTags(), name);
}

QString QVUSPSIntlRateClass::rateClassForTag(qsizetype tag) { return qvrates::entryForTag(rateClassTags(), tag); }

const QSet<QString> &QVUSPSIntlRateClass::PMIsizesFor2976()
{
    // The envelope-like flat-rate pieces go with the smaller customs form.
    return QVUSPSRateClass::priorityFlatRateEnvelopeSizes();
}

const QSet<QString> &QVUSPSIntlRateClass::PMIsizesFor2976A()
{
    static const QSet<QString> sizes = {QVUSPSFlatRateBoxSize, QVUSPSLargeFlatRateBoxSize};
    return sizes;
}

QString QVUSPSIntlRateClass::casualName() const { return casualNameForRateClassName(m_name); }

QString QVUSPSIntlRateClass::weightUnit() const
{
    return poundClasses().contains(m_name) ? QVPoundUnitString : QVOunceUnitString;
}

Decimal QVUSPSIntlRateClass::rateForWeightInOunces(int ounces, const QString &size, bool oversize, bool eDiscount,
                                                   const QDateTime &date, QString *stealthString, QString *error) const
{
    int level = eDiscount ? 1 : 0;
    return rateForWeightInOunces(ounces, size, oversize, &level, date, stealthString, error);
}

Decimal QVUSPSIntlRateClass::rateForWeightInOunces(int ounces, const QString &size, bool oversize, int *discountLevel,
                                                   const QDateTime &date, QString *stealthString, QString *error) const
{
    // Rate version: the date's, or the September 2014 prices once the
    // postage server has said they are in force.
    qvrates::setIntlRateVersionForDate(date);

    const QByteArray country = countryText(m_country, true);
    const int32_t classCode = tolvaneClassTypeForRateClassName(m_name);
    const int32_t shape = QVUSPSRateClass::tolvaneShapeTypeForSize(size);

    int32_t weight;
    if (m_name == QVUSPSIntlFirstClassMailIntl && (size == QVUSPSLetterSize || size == QVUSPSPostcardSize) &&
        ounces == 4)
        weight = 35; // the 3.5-ounce step of letters
    else             // tenths, kept within the engine's range (beyond it is over every limit)
        weight = qvrates::clampToInt(qint64(ounces) * 10);
    int32_t machinable = oversize ? 0 : 1;
    int32_t localLevel = 0;
    int32_t *level = discountLevel ? discountLevel : &localLevel;
    int32_t mils = 0;
    char stealth[kIntlStealthTextSize] = {};

    const int32_t status = GetIntlRate2010(country.constData(), classCode, shape, &weight, 0, 0, 0, &machinable, level,
                                           &mils, stealthString ? stealth : nullptr);
    if (status == kRESuccess && mils > 0) {
        if (stealthString)
            *stealthString = QString::fromUtf8(stealth, qsizetype(qstrnlen(stealth, sizeof stealth)));
        return Decimal::fromMils(mils);
    }
    if (error) {
        switch (status) {
        case kREOverweight:
            *error = QStringLiteral("%1 oz exceeds service weight").arg(ounces);
            break;
        case kREClassNotOffered:
            *error = QStringLiteral("No %1 for %2").arg(casualName(), countryName(m_country));
            break;
        case kRENoCountry:
            *error = QStringLiteral("Country not found: %1").arg(countryName(m_country));
            break;
        default:
            *error = QStringLiteral("Unknown GetIntlRate error");
            break;
        }
    }
    return Decimal::zero();
}

QStringList QVUSPSIntlRateClass::orderedWeightInNativeWeightForSize(const QString &size) const
{
    const bool pounds = weightUnit() == QVPoundUnitString;
    const int32_t classCode = tolvaneClassTypeForRateClassName(m_name);
    const int32_t shape = QVUSPSRateClass::tolvaneShapeTypeForSize(size);
    const QByteArray country = countryText(m_country, false);

    int32_t count = 0;
    int32_t status = GetRateWeights(classCode, shape, 1, country.constData(), nullptr, &count);
    if (status != kRESuccess) {
        qWarning("%s got return %i", "orderedWeightInNativeWeightForSize:", int(status));
        return {};
    }
    if (count <= 0)
        return {};
    std::vector<int32_t> breaks(std::size_t(count), 0);
    status = GetRateWeights(classCode, shape, 1, country.constData(), breaks.data(), &count);
    if (status != kRESuccess) {
        qWarning("%s got return %i", "orderedWeightInNativeWeightForSize:", int(status));
        return {};
    }
    const int32_t divisor = pounds ? 160 : 10;
    QStringList menu;
    const std::size_t n = std::min(breaks.size(), std::size_t(std::max(count, 0)));
    for (std::size_t i = 0; i < n; ++i)
        menu.append(QString::number(qvrates::wholeUnitsRoundedUp(breaks[i], divisor)));
    return menu;
}

QStringList QVUSPSIntlRateClass::orderedWeightInOuncesForSize(const QString &size) const
{
    const QStringList native = orderedWeightInNativeWeightForSize(size);
    if (weightUnit() == QVOunceUnitString)
        return native;
    return qvrates::ouncesMenuFromPounds(native);
}

QStringList QVUSPSIntlRateClass::orderedWeightInPoundsForSize(const QString &size) const
{
    const QStringList native = orderedWeightInNativeWeightForSize(size);
    if (weightUnit() == QVPoundUnitString)
        return native;
    return qvrates::poundsMenuFromOunces(native);
}

QStringList QVUSPSIntlRateClass::orderedWeightInUnits(const QString &unit, const QString &size) const
{
    if (unit == QVPoundUnitString)
        return orderedWeightInPoundsForSize(size);
    if (unit == QVOunceUnitString)
        return orderedWeightInOuncesForSize(size);
    return {};
}

QStringList QVUSPSIntlRateClass::displayWeightsWithUnitString(const QString &unit, const QString &size) const
{
    return qvrates::displayWeights(orderedWeightInUnits(unit, size), unit);
}

qsizetype QVUSPSIntlRateClass::weightIndexClosestToOunces(int ounces, const QString &size) const
{
    return qvrates::indexOfFirstWeightAtLeast(orderedWeightInOuncesForSize(size), ounces);
}

qsizetype QVUSPSIntlRateClass::weightIndexClosestToPounds(float pounds, const QString &size) const
{
    return weightIndexClosestToOunces(qvrates::wholeOuncesOfPounds(pounds), size);
}

void installInternationalRateProvider()
{
    static const auto provider = std::make_shared<IntlRateProvider>();
    setInternationalRateProvider(provider);
}

namespace {
// Countries can ask the international classes without a start-up call. This
// runs when this object file is part of the program: from a static library
// that is whenever anything of it is used (the international rate classes,
// shipment pricing, the shipment USPS values). The provider slot of QVCountry
// is a function-local static, so the order of static initialisation does not
// matter. A program that uses countries but nothing of this file calls
// installInternationalRateProvider() itself.
const bool providerInstalledAtLoad = (installInternationalRateProvider(), true);
} // namespace
