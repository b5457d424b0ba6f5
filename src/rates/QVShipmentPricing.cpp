#include "rates/QVShipmentPricing.h"

#include "model/ClientServices.h"
#include "model/DecimalAdditions.h"
#include "model/QVCountry.h"
#include "model/QVWeight.h"
#include "model/ServiceHooks.h"
#include "model/StringAdditions.h"
#include "platform/UserDefaults.h"
#include "platform/VariantKinds.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"
#include "rates/QVUSPSRateClassSupport.h"

#include <QDebug>

#include <algorithm>
#include <utility>

namespace {

const QString kConfirmationServiceDefaultsKey = QStringLiteral("confirmationService");

using qvrates::clampToInt;

// The shipment's weight in whole ounces; fractions were already counted as
// whole ounces by weightInOunces.
int wholeOunces(const QVShipment &shipment) { return clampToInt(longLongValue(weightInOunces(shipment))); }

// The weight in the rate class's own unit as a whole number. A class priced
// by the pound charges any fraction of a pound as a whole pound (24 oz of
// Media Mail is 2 lb); a class priced by the ounce gets the ounces. A class
// without a unit is asked in ounces, as its price query reads them.
int weightInClassUnit(int ounces, const QString &unit)
{
    const std::optional<Decimal> converted = QVWeight::weightWithOunces(ounces).totalWeightInUnit(unit);
    if (!converted || converted->isNaN())
        return ounces;
    const Decimal whole = converted->rounded(0, Decimal::RoundingMode::Up);
    return clampToInt(whole.toInt64().value_or(0));
}

// Stores a price quietly. The same decimal already stored (what a re-price
// mostly finds) is left as it is, without making a value of the new one; the
// record ends as setObjectQuietly would leave it.
void storePriceQuietly(QVShipment &shipment, const QString &key, const Decimal &price)
{
    const QVariant stored = shipment.objectForKey(key);
    if (isDecimalVariant(stored)) {
        const Decimal &kept = *static_cast<const Decimal *>(stored.constData());
        if (kept.isNaN() == price.isNaN() && kept.isNegative() == price.isNegative() &&
            kept.mantissa() == price.mantissa() && kept.exponent() == price.exponent())
            return;
    }
    shipment.setObjectQuietly(QVariant::fromValue(price), key);
}

// Stores the list quietly in the form the record held it (a text list or an
// array of texts).
void storeServicesQuietly(QVShipment &shipment, const QStringList &services)
{
    const QVariant stored = shipment.objectForKey(QVUSPSShipmentOptionalServicesKey);
    if (stored.typeId() == QMetaType::QStringList) {
        shipment.setObjectQuietly(services, QVUSPSShipmentOptionalServicesKey);
        return;
    }
    QVariantList list;
    list.reserve(services.size());
    for (const QString &service : services)
        list.append(service);
    shipment.setObjectQuietly(list, QVUSPSShipmentOptionalServicesKey);
}

void priceDomestic(QVShipment &shipment)
{
    const QDateTime shipDate = shipment.shipCalendarDate();
    const std::optional<QString> fromZIP5 = shipment.mailedFromZIP5();
    const QString toZIP5 = shipment.mailedToZIP5();

    // 1. Rate class of the ship date's rate year.
    const QVUSPSRateYear &rates = QVUSPSRateClass::ratesForDate(shipDate);
    QVUSPSRateClass *rateClass = rates.rateClassWithName(shipmentText(shipment, QVUSPSShipmentRateClassKey));

    // 2. Size. (Pricing never changes the sizes, so their dictionary is made
    // once for the sizes here and the rate class below.)
    QString size = shipmentText(shipment, QVUSPSShipmentSizeKey);
    const QVariantMap dimensions = shipment.dimensionDictionary();
    const QStringList sizes = QVUSPSRateClass::sizesForDimensions(dimensions);
    if (!sizes.contains(size) && !sizes.isEmpty()) {
        size = sizes.first();
        shipment.setObject(size, QVUSPSShipmentSizeKey);
    }

    // 3. Class.
    const QList<QVUSPSRateClass *> classes = rates.rateClassesForSize(size);
    if (!rateClass || !classes.contains(rateClass)) {
        if (classes.isEmpty()) {
            // No class carries this size: nothing can be priced.
            shipment.setTotalPrice(Decimal::zero());
            return;
        }
        const QString first = classes.first()->name();
        shipment.setObject(first, QVUSPSShipmentRateClassKey);
        rateClass = rates.rateClassWithName(first);
    }
    const QString name = rateClass->name();

    // 4. Force-retail flag: only a First-Class package keeps it.
    if (!(name == QVUSPSFirstClassMail && size == QVUSPSRegularSize))
        shipment.setForceRetailRatesFlag(false);

    // 5. Machinable.
    const bool machinableValue =
        isForcedNonMachinable(shipment) ? false : shipmentBool(shipment, QVUSPSShipmentMachinableKey, true);
    shipment.setObject(machinableValue, QVUSPSShipmentMachinableKey);

    // 6. Default confirmation service.
    thread_local qvrates::DefaultsMemo<QString> confirmationServiceDefault;
    const QString defaultService = qvrates::rememberedDefault(confirmationServiceDefault, [] {
        return UserDefaults::standardUserDefaults().stringForKey(kConfirmationServiceDefaultsKey);
    });

    // 7. Special services that apply.
    QStringList kept;
    // (Lists are read through const access only: a non-const walk of an
    // empty list would allocate one at every re-price.)
    const QStringList services = shipmentOptionalServices(shipment);
    for (const QString &service : services) {
        if (isEligibleForSpecialService(shipment, service))
            kept.append(service);
    }
    if (kept.isEmpty()) {
        shipment.removeObjectQuietly(QVUSPSShipmentOptionalServicesPriceKey);
        shipment.removeObjectQuietly(QVUSPSShipmentOptionalServicesKey);
    } else {
        storeServicesQuietly(shipment, kept);
    }

    // 8. Confirmation service.
    // No service other than Hold For Pickup was kept.
    const bool noOthers = std::all_of(kept.cbegin(), kept.cend(),
                                      [](const QString &service) { return service == QVUSPSHoldForPickupService; });
    if (size == QVUSPSLetterSize || size == QVUSPSPostcardSize ||
        (size == QVUSPSLargeEnvelopeSize && name != QVUSPSPriorityMail) ||
        (!defaultService.isEmpty() && !isEligibleForSpecialService(shipment, defaultService))) {
        shipment.removeObjectForKey(QVUSPSShipmentConfirmationServiceKey);
    } else if (!defaultService.isEmpty() && noOthers) {
        shipment.setObject(defaultService, QVUSPSShipmentConfirmationServiceKey);
    } else if (noOthers &&
               ((name == QVUSPSPriorityMail && isForcedConfirmationOnPriorityMail(shipment)) ||
                ((name == QVUSPSParcelSelect || name == QVUSPSFirstClassMail || name == QVUSPSStandardPost) &&
                 !isMilitaryMail(shipment)))) {
        shipment.setObject(QVUSPSeDeliveryConfirmation, QVUSPSShipmentConfirmationServiceKey);
    } else {
        shipment.removeObjectForKey(QVUSPSShipmentConfirmationServiceKey);
    }
    const QString confirmation = shipmentText(shipment, QVUSPSShipmentConfirmationServiceKey);
    const bool hasConfirmation = !confirmation.isNull();

    // 9. Zone.
    const QString zone =
        toZIP5.isEmpty() ? QStringLiteral("-1") : uspsZoneFromOriginZIP(fromZIP5.value_or(QString()), toZIP5);
    shipment.setObjectQuietly(zone, QVUSPSShipmentZoneKey);

    // 10. Flags of the query.
    const bool storedMachinable = shipmentBool(shipment, QVUSPSShipmentMachinableKey, true);
    const bool premium = name == QVUSPSExpressMail && kept.contains(QVUSPSExpressMailPremiumService);
    const bool discounted = isEligibleForDomesticDiscount(shipment) && !shipment.isForcedRetailRates();

    // 11.
    shipment.removeObjectQuietly(QVUSPSShipmentIntraBMCEligibleKey);

    // 12. A discounted First-Class piece without confirmation is priced as
    // non-machinable.
    const bool machinable = (!hasConfirmation && name == QVUSPSFirstClassMail && discounted) ? false : storedMachinable;

    // 13. Weight in the class's unit.
    int weight = weightInClassUnit(wholeOunces(shipment), rateClass->weightUnit());

    // 14. Discount level and retail price.
    const QString state = shipment.mailedToState();
    int level = 0;
    bool cubic = false;
    std::optional<Decimal> retail;
    const auto account = accountInformationServices();
    if (discounted) {
        level = account->discountLevelForRateClassName(name, size);
        if (name == QVUSPSPriorityMail)
            cubic = account->pmCubicPricing();
        const bool retailRate = false;
        retail = rateClass->rateForWeight(weight, zone, size, machinable, false, dimensions, nullptr, state, premium,
                                          retailRate);
    }

    // 15. Final postage. At the retail level without a cubic price the
    // question is the one just asked for the retail price (same arguments,
    // and neither the level nor the weight it leaves is used): its answer is
    // taken instead of asking the rate class a second time.
    Decimal postage;
    if (retail && level == 0 && !cubic) {
        postage = *retail;
    } else if (decimalNumberIsEqualToZero(retail) || level < 10) {
        postage = rateClass->rateForWeightByReference(&weight, zone, size, machinable, false, dimensions, nullptr,
                                                      state, premium, &level, &cubic);
    } else {
        postage = labelServerServices()->VLSPrice(shipment);
    }

    // 16. Cubic keys.
    if (cubic) {
        shipment.setObjectQuietly(true, QVUSPSShipmentCubicPricingKey);
        shipment.setObjectQuietly(weight, QVUSPSShipmentCubicTierKey);
    } else {
        shipment.removeObjectQuietly(QVUSPSShipmentCubicPricingKey);
        shipment.removeObjectQuietly(QVUSPSShipmentCubicTierKey);
    }

    // 17.
    shipment.setObjectQuietly(level, QVUSPSShipmentRateClassificationKey);
    storePriceQuietly(shipment, QVUSPSShipmentPostageKey, postage);

    // 18. Undiscounted postage, when it is the higher. A final postage of zero
    // is no price at all (the level's prices are not known), not a discount
    // of the whole retail price.
    if (discounted && decimalNumberIsGreaterThanZero(retail) && decimalNumberIsGreaterThanZero(postage) &&
        isGreaterThanDecimalNumber(*retail, postage))
        shipment.setObject(QVariant::fromValue(*retail), QVUSPSShipmentOriginalPostageKey);
    else
        shipment.removeObjectForKey(QVUSPSShipmentOriginalPostageKey);

    // 19. Confirmation fee.
    Decimal confirmationFee;
    if (hasConfirmation) {
        confirmationFee = rateClass->feeForElectronicConfirmationService(confirmation);
        storePriceQuietly(shipment, QVUSPSShipmentConfirmationServicePriceKey, confirmationFee);
    } else {
        shipment.removeObjectQuietly(QVUSPSShipmentConfirmationServicePriceKey);
    }

    // 20. Fees of the special services.
    Decimal servicesFee;
    for (const QString &service : std::as_const(kept))
        servicesFee = decimalNumberBySafelyAdding(servicesFee, rateClass->feeForSpecialService(service));

    // 21. Stealth postage.
    const bool stealth = (shipmentBool(shipment, QVUSPSShipmentStealthPostageKey) && isEligibleForStealth(shipment)) ||
        isEligibleForIntlDiscount(shipment);
    shipment.setObject(stealth, QVUSPSShipmentStealthPostageKey);

    // 22.
    if (decimalNumberIsEqualToZero(servicesFee))
        shipment.removeObjectQuietly(QVUSPSShipmentOptionalServicesPriceKey);
    else
        storePriceQuietly(shipment, QVUSPSShipmentOptionalServicesPriceKey, servicesFee);

    // 23. Total: only for a priced piece between two known five-digit ZIPs.
    Decimal total;
    if (!postage.isZero() && fromZIP5 && fromZIP5->size() == 5 && toZIP5.size() == 5 && !sizes.isEmpty())
        total = postage + confirmationFee + servicesFee;

    // 24.
    shipment.setTotalPrice(total);
}

void priceInternational(QVShipment &shipment)
{

    // 1. Nothing domestic applies abroad.
    shipment.removeObjectQuietly(QVUSPSShipmentConfirmationServicePriceKey);
    shipment.removeObjectForKey(QVUSPSShipmentConfirmationServiceKey);
    for (const QString &key :
         {QVUSPSShipmentOptionalServicesPriceKey, QVUSPSShipmentOptionalServicesKey, QVUSPSShipmentIntraBMCEligibleKey,
          QVUSPSShipmentZoneKey, QVUSPSShipmentCubicPricingKey, QVShipmentRectangularKey})
        shipment.removeObjectQuietly(key);

    // 2.
    shipment.setForceRetailRatesFlag(false);
    shipment.setTotalPrice(Decimal::zero());

    // 3. Country.
    const QString countryText = shipment.toAddress().country();
    const std::optional<QVCountry> country = QVCountry::countryWithAnyName(countryText);
    if (!country) {
        qWarning().noquote() << QStringLiteral("bad destination country: %1").arg(countryText);
        return;
    }

    // 4. Sizes that exist only at home are priced as a regular parcel.
    QString size = shipmentText(shipment, QVUSPSShipmentSizeKey);
    if (size == QVUSPSOversizeSize || qvrates::isRegionalRateBox(size)) {
        size = QVUSPSRegularSize;
        shipment.setObject(size, QVUSPSShipmentSizeKey);
    }

    // 5. Class.
    const QStringList classes = country->availableRateClassesForSize(size);
    if (classes.isEmpty())
        return;
    QString name = shipmentText(shipment, QVUSPSShipmentRateClassKey);
    if (!classes.contains(name)) {
        name = classes.first();
        shipment.setObject(name, QVUSPSShipmentRateClassKey);
    }
    const std::shared_ptr<QVUSPSIntlRateClass> rateClass = QVUSPSIntlRateClass::intlRateWithName(name, country);

    // 6. A piece counts as machinable unless it is marked otherwise, as at
    // home; only a non-machinable piece pays the surcharge.
    const bool machinable = shipmentBool(shipment, QVUSPSShipmentMachinableKey, true);
    const bool oversize = !machinable;
    const int ounces = wholeOunces(shipment);
    const QDateTime date = shipment.shipCalendarDate();
    QString error;

    // 7. Discount level and retail price.
    int level = 0;
    std::optional<Decimal> retail;
    if (isEligibleForIntlDiscount(shipment) && shipmentBool(shipment, QVUSPSShipmentPostageEnabledKey)) {
        level = accountInformationServices()->discountLevelForRateClassName(name, size);
        const bool eDiscount = false;
        retail = rateClass->rateForWeightInOunces(ounces, size, oversize, eDiscount, date, nullptr, &error);
    }

    // 8. The level the engine uses.
    rateClass->rateForWeightInOunces(ounces, size, oversize, &level, date, nullptr, &error);

    // 9. Final postage.
    Decimal postage;
    if (decimalNumberIsEqualToZero(retail) || level < 10)
        postage = rateClass->rateForWeightInOunces(ounces, size, oversize, &level, date, nullptr, &error);
    else
        postage = labelServerServices()->VLSPrice(shipment);

    // 10. Undiscounted postage, when it is the higher (and there is a price).
    if (decimalNumberIsGreaterThanZero(retail) && decimalNumberIsGreaterThanZero(postage) &&
        isGreaterThanDecimalNumber(*retail, postage))
        shipment.setObject(QVariant::fromValue(*retail), QVUSPSShipmentOriginalPostageKey);
    else
        shipment.removeObjectForKey(QVUSPSShipmentOriginalPostageKey);

    // 11.
    shipment.setObjectQuietly(level, QVUSPSShipmentRateClassificationKey);
    shipment.removeObjectForKey(QVUSPSShipmentZoneKey);
    const bool stealth = shipmentBool(shipment, QVUSPSShipmentStealthPostageKey) && isEligibleForStealth(shipment);
    shipment.setObjectQuietly(stealth, QVUSPSShipmentStealthPostageKey);
    shipment.setObjectQuietly(QVariant::fromValue(postage), QVUSPSShipmentPostageKey);

    // 12. No fees abroad.
    shipment.setTotalPrice(postage);
}

} // namespace

void QVShipmentUSPSPricer::updatePricing(QVShipment &shipment)
{
    // The recipient is read from the record once for the whole re-price.
    const QVShipment::DestinationScope destination(shipment);
    if (shipmentText(shipment, QVShipmentCarrierKey) != QVUSPSCarrier)
        return;
    if (shipment.isDomestic())
        priceDomestic(shipment);
    else
        priceInternational(shipment);
}

void installShipmentPricing()
{
    const std::shared_ptr<QVShipmentPricer> current = QVShipment::pricer();
    if (current && dynamic_cast<QVShipmentUSPSPricer *>(current.get()))
        return;
    QVShipment::setPricer(std::make_shared<QVShipmentUSPSPricer>());
}
