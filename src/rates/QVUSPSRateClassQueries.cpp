// Price, fee and weight-menu queries of a domestic rate class: the
// application's values (names, native weight units, zone text, dimensions)
// become the engine's integer arguments, the engine is asked in this
// object's rate year, and its mils come back as decimals.
#include "rates/QVUSPSRateClass.h"
#include "rates/QVUSPSRateClassSupport.h"

#include "model/ClientServices.h"
#include "model/QVShipment.h"
#include "model/QVWeight.h"
#include "model/StringAdditions.h"
#include "platform/UserDefaults.h"
#include "rateengine/RateDomestic.h"
#include "rateengine/RateEngine.h"
#include "rateengine/RateOptionalServices.h"
#include "rateengine/RateWeights.h"

#include <QDebug>

#include <algorithm>
#include <vector>

namespace {

// Bytes of the description buffer handed to the engine (it writes at most
// kStealthTextSize).
constexpr size_t kStealthBufferSize = 100;

void setRateVersionOf(const QVUSPSRateYear &year)
{
    // One calendar conversion for the three parts.
    int y = 0, m = 0, d = 0;
    thread_local qvrates::DatePartsMemo memo;
    qvrates::rememberedDateParts(memo, year.effectiveDay(), &y, &m, &d);
    SetRateVersionForDate(y, m, d);
}

struct DimensionValues {
    int height = 0;
    int width = 0;
    int length = 0;
    bool rectangular = true;
};

// The sides and shape of a dimension dictionary. The values read last are
// kept with the dictionary they came from (shared with it, so that any change
// of it is a different one): a record hands out one dictionary while its
// dimensions are the same.
const DimensionValues &dimensionValues(const QVariantMap &dimensions)
{
    struct Memo {
        QVariantMap from;
        bool ready = false;
        DimensionValues values;
    };
    thread_local Memo memo;
    if (memo.ready && memo.from.isSharedWith(dimensions))
        return memo.values;
    memo.values.height = dimensions.value(QVShipmentHeightMeasurementKey).toInt();
    memo.values.width = dimensions.value(QVShipmentWidthMeasurementKey).toInt();
    memo.values.length = dimensions.value(QVShipmentLengthMeasurementKey).toInt();
    memo.values.rectangular = dimensions.value(QVShipmentRectangularKey).toBool();
    memo.from = dimensions;
    memo.ready = true;
    return memo.values;
}

// Classes whose prices do not depend on the zone.
bool hasNoZones(const QString &name)
{
    return name == QVUSPSFirstClassMail || name == QVUSPSMediaMail || name == QVUSPSLibraryMail;
}

} // namespace

using qvrates::clampToInt;

// ===== Price queries ============================================================

Decimal QVUSPSRateClass::rateForWeight(int weight, const QString &zone) const
{
    return rateForWeight(weight, zone, QVUSPSRegularSize);
}

Decimal QVUSPSRateClass::rateForWeight(int weight, const QString &zone, const QString &size) const
{
    return rateForWeight(weight, zone, size, true);
}

Decimal QVUSPSRateClass::rateForWeight(int weight, const QString &zone, const QString &size, bool machinable) const
{
    return rateForWeight(weight, zone, size, machinable, false);
}

Decimal QVUSPSRateClass::rateForWeight(int weight, const QString &zone, const QString &size, bool machinable,
                                       bool intraBMC) const
{
    return rateForWeight(weight, zone, size, machinable, intraBMC, std::nullopt);
}

Decimal QVUSPSRateClass::rateForWeight(int weight, const QString &zone, const QString &size, bool machinable,
                                       bool intraBMC, const std::optional<QVariantMap> &dimensions) const
{
    return rateForWeight(weight, zone, size, machinable, intraBMC, dimensions, nullptr);
}

Decimal QVUSPSRateClass::rateForWeight(int weight, const QString &zone, const QString &size, bool machinable,
                                       bool intraBMC, const std::optional<QVariantMap> &dimensions,
                                       QString *stealthString) const
{
    return rateForWeight(weight, zone, size, machinable, intraBMC, dimensions, stealthString, QStringLiteral(""));
}

Decimal QVUSPSRateClass::rateForWeight(int weight, const QString &zone, const QString &size, bool machinable,
                                       bool intraBMC, const std::optional<QVariantMap> &dimensions,
                                       QString *stealthString, const QString &state) const
{
    return rateForWeight(weight, zone, size, machinable, intraBMC, dimensions, stealthString, state, false);
}

Decimal QVUSPSRateClass::rateForWeight(int weight, const QString &zone, const QString &size, bool machinable,
                                       bool intraBMC, const std::optional<QVariantMap> &dimensions,
                                       QString *stealthString, const QString &state, bool emPremiumService) const
{
    return rateForWeight(weight, zone, size, machinable, intraBMC, dimensions, stealthString, state, emPremiumService,
                         false);
}

Decimal QVUSPSRateClass::rateForWeight(int weight, const QString &zone, const QString &size, bool machinable,
                                       bool intraBMC, const std::optional<QVariantMap> &dimensions,
                                       QString *stealthString, const QString &state, bool emPremiumService,
                                       bool discountRate) const
{
    int level = discountRate ? 1 : 0;
    return rateForWeight(weight, zone, size, machinable, intraBMC, dimensions, stealthString, state, emPremiumService,
                         &level);
}

Decimal QVUSPSRateClass::rateForWeight(int weight, const QString &zone, const QString &size, bool machinable,
                                       bool intraBMC, const std::optional<QVariantMap> &dimensions,
                                       QString *stealthString, const QString &state, bool emPremiumService,
                                       int *discountLevel) const
{
    bool cubic = false;
    return rateForWeight(weight, zone, size, machinable, intraBMC, dimensions, stealthString, state, emPremiumService,
                         discountLevel, &cubic);
}

Decimal QVUSPSRateClass::rateForWeight(int weight, const QString &zone, const QString &size, bool machinable,
                                       bool intraBMC, const std::optional<QVariantMap> &dimensions,
                                       QString *stealthString, const QString &state, bool emPremiumService,
                                       int *discountLevel, bool *cubic) const
{
    int engineWeight = weight;
    return rateForWeightByReference(&engineWeight, zone, size, machinable, intraBMC, dimensions, stealthString, state,
                                    emPremiumService, discountLevel, cubic);
}

Decimal QVUSPSRateClass::rateForWeightByReference(int *weight, const QString &zone, const QString &size,
                                                  bool machinable, bool intraBMC,
                                                  const std::optional<QVariantMap> &dimensions, QString *stealthString,
                                                  const QString &state, bool emPremiumService, int *discountLevel,
                                                  bool *cubic) const
{
    int levelLocal = 0;
    int &level = discountLevel ? *discountLevel : levelLocal;
    int weightLocal = 0;
    int &tenths = weight ? *weight : weightLocal;

    // 1. Rate version of this object's rate year.
    setRateVersionOf(ratefoldClass());

    // 2. Zone. A piece without a known destination has zone -1, which the
    // engine refuses; the classes that have no zones price the same in every
    // zone, so they are asked as local mail instead of losing their price.
    int zoneNumber = zoneForZoneString(zone);
    if (hasNoZones(m_name) && (zoneNumber < 0 || zoneNumber > 9))
        zoneNumber = 0;

    // 3. Codes.
    const int classCode = tolvaneClassTypeForRateClassName(m_name);
    int shapeCode = tolvaneShapeTypeForSize(size);

    // 4. Weight: native units in, tenths of an ounce to the engine.
    const bool firstClassMail = m_name == QVUSPSFirstClassMail;
    if (firstClassMail && (size == QVUSPSLetterSize || size == QVUSPSPostcardSize) && tenths == 4)
        tenths = 35;
    else if (firstClassMail && size == QVUSPSRegularSize && tenths == 16)
        tenths = 159;
    else if (weightUnit() == QVPoundUnitString)
        tenths = clampToInt(qint64(tenths) * 160);
    else
        tenths = clampToInt(qint64(tenths) * 10);

    // 5. Dimensions.
    int height = 0, width = 0, length = 0;
    if (dimensions) {
        const DimensionValues &sides = dimensionValues(*dimensions);
        height = sides.height;
        width = sides.width;
        length = sides.length;
        if (!sides.rectangular)
            shapeCode = kREShapeNonRectangular;
    }

    // 6. Flags.
    int32_t oversize = size == QVUSPSOversizeSize ? 1 : 0;
    int32_t machinableFlag = machinable ? 1 : 0;
    int32_t balloon = size == QVUSPSLargeSize ? 1 : 0;
    int32_t cubicFlag = (cubic && *cubic) ? 1 : 0;

    // 7. The engine.
    char stealth[kStealthBufferSize] = {};
    int32_t price = 0;
    // The state as the engine's text: a short ASCII one (a state code) is
    // copied as it is, anything else converted.
    char shortState[8] = {};
    bool ascii = state.size() < qsizetype(sizeof shortState);
    for (qsizetype i = 0; ascii && i < state.size(); ++i) {
        const char16_t c = state.at(i).unicode();
        ascii = c > 0 && c < 0x80;
        shortState[i] = char(c);
    }
    const QByteArray stateBytes = ascii ? QByteArray() : state.toUtf8();
    const char *const stateText = ascii ? shortState : stateBytes.constData();
    const int32_t status = GetDomesticRate2010(
        classCode, shapeCode, zoneNumber, intraBMC ? 1 : 0, &tenths, height, width, length, &oversize, &machinableFlag,
        &balloon, &price, stealthString ? stealth : nullptr, stateText, emPremiumService ? 1 : 0, &level, &cubicFlag);

    // 8. Success.
    if (status == kRESuccess && price > 0) {
        if (stealthString)
            *stealthString = QString::fromUtf8(stealth);
        if (cubic)
            *cubic = cubicFlag == 1;
        return Decimal::fromMils(price);
    }

    // 9. Failure: zero, logged unless it is an expected one.
    if (status != kREZoneOutOfRange && status != kREOverweight && !qvrates::isRegionalRateBox(size) && level == 0 &&
        m_name != QVUSPSParcelSelect)
        qWarning().noquote()
            << QStringLiteral("rateForWeightByReference:zone:size:machinable:intraBMC:dimensions:stealthString:state:"
                              "emPremiumService:discountLevel:cubic: got %1")
                   .arg(status);
    return Decimal::zero();
}

int QVUSPSRateClass::zoneForZoneString(const QString &zone)
{
    if (zone == QStringLiteral("Local"))
        return 0;
    return clampToInt(longLongValue(zone));
}

// ===== Fees =====================================================================

Decimal QVUSPSRateClass::eDCFee() const
{
    return Decimal::fromMils(
        GetOptionalServiceRate(kSSDeliveryConfirmation, tolvaneClassTypeForRateClassName(m_name), 0, ""));
}

Decimal QVUSPSRateClass::eSCFee() const
{
    return Decimal::fromMils(
        GetOptionalServiceRate(kSSSignatureConfirmation, tolvaneClassTypeForRateClassName(m_name), 0, ""));
}

Decimal QVUSPSRateClass::feeForElectronicConfirmationService(const QString &service) const
{
    if (service == QVUSPSeDeliveryConfirmation)
        return eDCFee();
    if (service == QVUSPSeSignatureConfirmation)
        return eSCFee();
    return Decimal::zero();
}

Decimal QVUSPSRateClass::feeForSpecialService(const QString &service, const QVariantMap &) const
{
    setRateVersionOf(ratefoldClass());
    if (service == QVUSPSeDeliveryConfirmation)
        return eDCFee();
    if (service == QVUSPSeSignatureConfirmation)
        return eSCFee();
    return Decimal::fromMils(GetOptionalServiceRate(tolvaneServiceIdForServiceName(service),
                                                    tolvaneClassTypeForRateClassName(m_name), 0, ""));
}

// ===== Weight menus =============================================================

QStringList QVUSPSRateClass::orderedWeightInNativeWeightForSize(const QString &size) const
{
    const QString unit = weightUnit();
    const int classCode = tolvaneClassTypeForRateClassName(m_name);
    const int shapeCode = tolvaneShapeTypeForSize(size);
    const int machinable = (m_name == QVUSPSParcelPost || m_name == QVUSPSParcelSelect) ? 0 : 1;
    const bool priorityClass = m_name.startsWith(QStringLiteral("QVUSPSPriority"));
    const auto partner = partnerLabelServices();
    const bool partnerActive = partner->isAllowed() && partner->isAuthenticated();
    const bool mailInnovations =
        UserDefaults::standardUserDefaults().boolForKey(QStringLiteral("upsMailInnovationsMode"));

    setRateVersionOf(ratefoldClass());

    const auto account = accountInformationServices();
    int level = account->discountLevelForRateClassName(m_name, size);
    if (partnerActive && priorityClass)
        level = 2;

    int32_t count = 0;
    int32_t status = GetRateWeights2010(classCode, shapeCode, machinable, "US", nullptr, &count, level);
    std::vector<int32_t> breaks;
    if (status == kRESuccess && count > 0) {
        breaks.assign(size_t(count), 0);
        status = GetRateWeights2010(classCode, shapeCode, machinable, "US", breaks.data(), &count, level);
        breaks.resize(size_t(std::max<int32_t>(0, std::min<int32_t>(count, int32_t(breaks.size())))));
    }
    if (status != kRESuccess) {
        qWarning().noquote() << QStringLiteral("orderedWeightInNativeWeightForSize: got return %1").arg(status);
        return {};
    }

    const int perUnit = unit == QVOunceUnitString ? 10 : 160;
    QStringList menu;
    menu.reserve(qsizetype(breaks.size()) + 15);
    for (const int32_t tenths : breaks)
        menu.append(QString::number(qvrates::wholeUnitsRoundedUp(tenths, perUnit)));

    if (mailInnovations && m_name == QVUSPSParcelSelect) {
        QStringList first;
        for (int pounds = 1; pounds <= 15; ++pounds)
            first.append(QString::number(pounds));
        menu = first + menu;
    }

    if (!partnerActive && level >= 2 && priorityClass && !account->pmHalfPoundRate() && !menu.isEmpty())
        menu.removeFirst();
    return menu;
}

QStringList QVUSPSRateClass::orderedWeightInOuncesForSize(const QString &size) const
{
    const QString unit = weightUnit();
    if (unit == QVOunceUnitString)
        return orderedWeightInNativeWeightForSize(size);
    if (unit != QVPoundUnitString)
        return {};
    return qvrates::ouncesMenuFromPounds(orderedWeightInNativeWeightForSize(size));
}

QStringList QVUSPSRateClass::orderedWeightInPoundsForSize(const QString &size) const
{
    const QString unit = weightUnit();
    if (unit == QVPoundUnitString)
        return orderedWeightInNativeWeightForSize(size);
    if (unit != QVOunceUnitString)
        return {};
    return qvrates::poundsMenuFromOunces(orderedWeightInNativeWeightForSize(size));
}

QStringList QVUSPSRateClass::orderedWeightInUnits(const QString &unit, const QString &size) const
{
    if (unit == QVPoundUnitString)
        return orderedWeightInPoundsForSize(size);
    if (unit == QVOunceUnitString)
        return orderedWeightInOuncesForSize(size);
    return {};
}

QStringList QVUSPSRateClass::displayWeightsWithUnitString(const QString &unit, const QString &size) const
{
    return qvrates::displayWeights(orderedWeightInUnits(unit, size), unit);
}

QStringList QVUSPSFirstClassMailRateClass::displayWeightsWithUnitString(const QString &unit, const QString &size) const
{
    QStringList menu = QVUSPSRateClass::displayWeightsWithUnitString(unit, size);
    if (menu.isEmpty())
        return menu;
    if (size == QVUSPSRegularSize && menu.size() == 16) {
        if (unit == QVOunceUnitString)
            menu.last() = QStringLiteral("15.99 ozs");
        else if (unit == QVPoundUnitString)
            menu.last() = QStringLiteral("< 1 lb");
    } else if (size == QVUSPSLetterSize || size == QVUSPSPostcardSize) {
        if (unit == QVOunceUnitString)
            menu.last() = QStringLiteral("3.5 ozs");
        else if (unit == QVPoundUnitString)
            menu.last() = QStringLiteral("%1 lbs").arg(qvrates::printedFloat(0.21875f));
    }
    return menu;
}

qsizetype QVUSPSRateClass::weightIndexClosestToOunces(int ounces, const QString &size) const
{
    return qvrates::indexOfFirstWeightAtLeast(orderedWeightInOuncesForSize(size), ounces);
}

qsizetype QVUSPSRateClass::weightIndexClosestToPounds(float pounds, const QString &size) const
{
    return weightIndexClosestToOunces(qvrates::wholeOuncesOfPounds(pounds), size);
}
