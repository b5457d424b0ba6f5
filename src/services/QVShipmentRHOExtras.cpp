#include "services/QVShipmentRHOExtras.h"

#include "model/ClientServices.h"
#include "model/QVCountry.h"
#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"
#include "rateengine/RateOptionalServices.h"
#include "rateengine/ServiceClass.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"

#include <QHash>
#include <QLocale>

#include <limits>

namespace {

QStringList serviceNames(const QVShipment &shipment)
{
    QStringList names;
    const QString confirmation = shipmentText(shipment, QVUSPSShipmentConfirmationServiceKey);
    if (!confirmation.isEmpty())
        names.append(confirmation);
    names.append(shipmentOptionalServices(shipment));
    return names;
}

QString rateClassName(const QVShipment &shipment) { return shipmentText(shipment, QVUSPSShipmentRateClassKey); }

// The rate engine's version for a day ("MM/DD/YYYY").
void setRateVersion(const QDate &day)
{
    SetRateVersion(day.toString(QStringLiteral("MM/dd/yyyy")).toLatin1().constData());
}

// The delivery country's name as the engine takes it.
QByteArray countryName(const QVShipment &shipment) { return shipment.toAddress().country().toUtf8(); }

int classCode(const QVShipment &shipment)
{
    const QString name = rateClassName(shipment);
    if (shipment.isDomestic())
        return QVUSPSRateClass::tolvaneClassTypeForRateClassName(name);
    return QVUSPSIntlRateClass::tolvaneClassTypeForRateClassName(name);
}

class RHOServiceMask final : public QVShipmentServiceMask
{
public:
    int tolvaneOptionalService(const QVShipment &shipment) override { return tolvaneOptionalServiceBits(shipment); }
};

} // namespace

void setIndiciumData(QVShipment &shipment, const std::optional<QByteArray> &data)
{
    if (data)
        shipment.setObject(*data, QVUSPSShipmentRHOIndiciumDataKey);
    else
        shipment.removeObjectForKey(QVUSPSShipmentRHOIndiciumDataKey);
}

std::optional<QByteArray> indiciumData(const QVShipment &shipment)
{
    const QVariant value = shipment.objectForKey(QVUSPSShipmentRHOIndiciumDataKey);
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return value.toByteArray();
}

bool isTolvaneWebStoreOrder(const QVShipment &shipment)
{
    const QVariant ids = shipment.objectForKey(QVUSPSShipmentRHOWebStoreMarketplaceOrderIdsKey);
    return !ids.toList().isEmpty() && !shipmentText(shipment, QVUSPSShipmentRHOWebStoreIdKey).isEmpty();
}

bool isTrackableForTolvaneInsurance(const QVShipment &shipment)
{
    if (!shipmentText(shipment, QVUSPSShipmentConfirmationServiceKey).isEmpty())
        return true;
    if (rateClassName(shipment) == QVUSPSIntlExpressMailIntl || isExpressMail(shipment) || isPriorityMail(shipment))
        return true;
    const QStringList services = shipmentOptionalServices(shipment);
    return services.contains(QVUSPSAdultSignatureService) || services.contains(QVUSPSAdultSignatureRestrictedService) ||
        services.contains(QVUSPSHoldForPickupService);
}

bool isTrackableUsingTolvane(const QVShipment &shipment)
{
    return !shipmentText(shipment, QVUSPSShipmentConfirmKey).isEmpty();
}

std::optional<qint64> tolvaneInsuranceValueInCents(const QVShipment &shipment)
{
    const std::optional<Decimal> value = decimalFromVariant(shipment.objectForKey(QVShipmentValueKey));
    if (!value || value->isNaN() || value->isZero() || value->isNegative())
        return std::nullopt;
    const Decimal cents = Decimal::multiplyByPowerOf10(*value, 2).rounded(0, Decimal::RoundingMode::Up);
    return cents.toInt64();
}

Decimal tolvaneInsuranceCost(const QVShipment &shipment)
{
    const int code = classCode(shipment);
    const std::optional<qint64> cents = tolvaneInsuranceValueInCents(shipment);
    if (!cents || *cents > std::numeric_limits<int32_t>::max())
        return Decimal::zero();
    setRateVersion(shipment.shipCalendarDate().date());
    const bool military = isMilitaryMail(shipment);
    const QByteArray country = military ? QByteArray("") : countryName(shipment);
    const int32_t fee =
        GetTolvaneInsuranceFee(code, static_cast<int32_t>(*cents), 1, isTrackableForTolvaneInsurance(shipment) ? 1 : 0,
                               military ? 1 : 0, country.constData());
    return Decimal::fromMils(fee);
}

QString tolvaneDateString(const QVShipment &shipment)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    return english.toString(shipment.shipCalendarDate().date(), QStringLiteral("MMM dd yyyy")).toUpper();
}

QString tolvaneMailedFromString(const QVShipment &shipment)
{
    return QStringLiteral("Mailed from ZIP %1").arg(shipment.mailedFromZIP5().value_or(QString()));
}

QString tolvaneDollarClassString(const QVShipment &shipment)
{
    const QString name = rateClassName(shipment);
    if (shipment.isDomestic()) {
        if (name == QVUSPSFirstClassMail && shipmentText(shipment, QVUSPSShipmentSizeKey) == QVUSPSPostcardSize)
            return QStringLiteral("POSTCARD");
        const QVUSPSRateYear &year = QVUSPSRateClass::ratesForDate(shipment.shipCalendarDate());
        const QVUSPSRateClass *rateClass = year.rateClassWithName(name);
        return rateClass ? rateClass->casualName().toUpper() : QString();
    }
    return QVUSPSIntlRateClass::casualNameForRateClassName(name).toUpper().replace(QStringLiteral("INTERNATIONAL"),
                                                                                   QStringLiteral("INTL"));
}

QString tolvaneStealthString(const QVShipment &shipment)
{
    QString stealth;
    const QString name = rateClassName(shipment);
    const QString size = shipmentText(shipment, QVUSPSShipmentSizeKey);
    const QVUSPSRateYear &year = QVUSPSRateClass::ratesForDate(shipment.shipCalendarDate());
    if (shipment.isDomestic()) {
        const QVUSPSRateClass *rateClass = year.rateClassWithName(name);
        if (!rateClass)
            return {};
        const int weight = shipmentText(shipment, QVShipmentWeightNumberKey).toInt();
        const bool premium = name.contains(QVUSPSExpressMail) &&
            shipmentOptionalServices(shipment).contains(QVUSPSExpressMailPremiumService);
        int level = tolvaneRateClassification(shipment);
        bool cubic = shipmentBool(shipment, QVUSPSShipmentCubicPricingKey);
        rateClass->rateForWeight(weight, shipmentText(shipment, QVUSPSShipmentZoneKey), size,
                                 shipmentBool(shipment, QVUSPSShipmentMachinableKey, true),
                                 shipmentBool(shipment, QVUSPSShipmentIntraBMCEligibleKey),
                                 shipment.dimensionDictionary(), &stealth, shipment.mailedToState(), premium, &level,
                                 &cubic);
    } else {
        const auto country = QVCountry::countryWithAnyName(shipment.toAddress().country());
        const auto rateClass = QVUSPSIntlRateClass::intlRateWithName(name, country);
        QString error;
        rateClass->rateForWeightInOunces(weightInOunces(shipment).toInt(), size,
                                         !shipmentBool(shipment, QVUSPSShipmentMachinableKey, true),
                                         isEligibleForIntlDiscount(shipment), year.effectiveDate(), &stealth, &error);
    }
    return stealth.isNull() ? QString(QLatin1String("")) : stealth;
}

QString tolvanePostageString(const QVShipment &shipment)
{
    const Decimal price = shipment.totalPrice().rounded(3, Decimal::RoundingMode::Bankers);
    const qint64 mils = price.toMils().value_or(0);
    const qint64 magnitude = mils < 0 ? -mils : mils;
    QString fraction = QStringLiteral("%1").arg(magnitude % 1000, 3, 10, QLatin1Char('0'));
    if (fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    return QStringLiteral("%1$%2.%3")
        .arg(mils < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 1000)
        .arg(fraction);
}

int tolvaneRateClassification(const QVShipment &shipment)
{
    return shipmentText(shipment, QVUSPSShipmentRateClassificationKey).toInt();
}

QString tolvaneDiscountString(const QVShipment &shipment)
{
    const int classification = tolvaneRateClassification(shipment);
    if (classification == 1)
        return QStringLiteral("Commercial Base Pricing");
    if (classification >= 2)
        return QStringLiteral("Commercial Plus Pricing");
    return QLatin1String("");
}

int tolvaneServiceClass(const QVShipment &shipment)
{
    const QString name = rateClassName(shipment);
    const QVUSPSRateYear &year = QVUSPSRateClass::ratesForDate(shipment.shipCalendarDate());
    int code = 0;
    int shape = 0;
    int zone = 0;
    if (shipment.isDomestic()) {
        code = QVUSPSRateClass::tolvaneClassTypeForRateClassName(name);
        shape = QVUSPSRateClass::tolvaneShapeTypeForSize(shipmentText(shipment, QVUSPSShipmentSizeKey));
        zone = shipmentText(shipment, QVUSPSShipmentZoneKey).toInt();
    } else {
        code = QVUSPSIntlRateClass::tolvaneClassTypeForRateClassName(name);
        shape = 3;
        const QByteArray country = countryName(shipment);
        zone = GetCountryGroup(code, 3, country.constData());
    }
    const int classification = tolvaneRateClassification(shipment);
    int weight = weightInOunces(shipment).toInt();
    const bool machinable = shipmentBool(shipment, QVUSPSShipmentMachinableKey, true);
    const bool intraBMC = shipmentBool(shipment, QVUSPSShipmentIntraBMCEligibleKey);
    const bool cubic = shipmentBool(shipment, QVUSPSShipmentCubicPricingKey);
    if (cubic)
        weight = shipmentText(shipment, QVUSPSShipmentCubicTierKey).toInt();
    const bool military = isMilitaryMail(shipment);
    setRateVersion(year.effectiveDay());
    return GetServiceClassRE2010(code, shape, weight, zone, intraBMC ? 1 : 0, 0, machinable ? 1 : 0, 0, classification,
                                 military ? 1 : 0, cubic ? 1 : 0);
}

int tolvaneOptionalServiceBits(const QVShipment &shipment)
{
    static const QHash<QString, int> bits{
        {QVUSPSRegisteredMailService, 0x1},
        {QVUSPSInsuredMailService, 0x2},
        {QVUSPSCertifiedMailService, 0x4},
        {QVUSPSRestrictedDeliveryService, 0x8},
        {QVUSPSCertificateOfMailingService, 0x40},
        {QVUSPSReturnReceiptService, 0x80},
        {QVUSPSReturnReceiptForMerchandiseService, 0x100},
        {QVUSPSeDeliveryConfirmation, 0x200},
        {QVUSPSCashOnDeliveryService, 0x800},
        {QVUSPSeSignatureConfirmation, 0x2000},
        {QVUSPSExpressMailPremiumService, 0x8000},
        {QVUSPSAdultSignatureService, 0x20000},
        {QVUSPSAdultSignatureRestrictedService, 0x40000},
        {QVUSPSHoldForPickupService, 0x80000},
    };
    int sum = 0;
    for (const QString &name : serviceNames(shipment))
        sum += bits.value(name, 0);
    return sum;
}

void registerShipmentServiceMask() { setShipmentServiceMask(std::make_shared<RHOServiceMask>()); }

QVShipment purchaseRecord(qint64 serialNumber, const QString &meterID, const QString &balanceText,
                          const QString &amountText, const QDateTime &now)
{
    return QVShipment(QVariantMap{
        {QVUSPSShipmentRHOTransactionTypeKey, QVUSPSShipmentRHOPurchaseTransaction},
        {QVUSPSShipmentRHOAccountKey, serialNumber},
        {QVUSPSShipmentRHODeviceIDKey, meterID},
        {QVUSPSShipmentRHOBalanceKey, balanceText},
        {QVShipmentShipDateKey, now},
        {QVShipmentPrintDateKey, now},
        {QVShipmentPriceKey, amountText},
        {QVUSPSShipmentPostageEnabledKey, true},
    });
}
