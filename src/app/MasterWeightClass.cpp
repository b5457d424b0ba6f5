#include "app/MasterWeightClass.h"

#include "model/QVCountry.h"
#include "model/QVShipment.h"
#include "rates/QVShipmentUSPS.h"

MasterWeightClass MasterWeightClass::forShipment(const QVShipment &shipment, bool international, bool byShipDate)
{
    MasterWeightClass result;
    const QString name = shipmentText(shipment, QVUSPSShipmentRateClassKey);
    if (name.isNull())
        return result;
    if (international) {
        result.m_intl =
            QVUSPSIntlRateClass::intlRateWithName(name, QVCountry::countryWithAnyName(shipment.toAddress().country()));
    } else {
        const QVUSPSRateYear &rates =
            byShipDate ? QVUSPSRateClass::ratesForDate(shipment.shipCalendarDate()) : QVUSPSRateClass::currentRates();
        result.m_domestic = rates.rateClassWithName(name);
    }
    return result;
}

QString MasterWeightClass::name() const
{
    return m_domestic ? m_domestic->name() : (m_intl ? m_intl->name() : QString());
}

QString MasterWeightClass::weightUnit() const
{
    return m_domestic ? m_domestic->weightUnit() : (m_intl ? m_intl->weightUnit() : QString());
}

QStringList MasterWeightClass::orderedWeightInNativeWeightForSize(const QString &size) const
{
    if (m_domestic)
        return m_domestic->orderedWeightInNativeWeightForSize(size);
    return m_intl ? m_intl->orderedWeightInNativeWeightForSize(size) : QStringList();
}

QStringList MasterWeightClass::displayWeightsWithUnitString(const QString &unit, const QString &size) const
{
    if (m_domestic)
        return m_domestic->displayWeightsWithUnitString(unit, size);
    return m_intl ? m_intl->displayWeightsWithUnitString(unit, size) : QStringList();
}

qsizetype MasterWeightClass::weightIndexClosestToOunces(int ounces, const QString &size) const
{
    if (m_domestic)
        return m_domestic->weightIndexClosestToOunces(ounces, size);
    return m_intl ? m_intl->weightIndexClosestToOunces(ounces, size) : QVNotFound;
}

qsizetype MasterWeightClass::weightIndexClosestToPounds(float pounds, const QString &size) const
{
    if (m_domestic)
        return m_domestic->weightIndexClosestToPounds(pounds, size);
    return m_intl ? m_intl->weightIndexClosestToPounds(pounds, size) : QVNotFound;
}
