#include "app/mainwindow/MasterWeightClass.h"

#include "model/QVCountry.h"
#include "model/QVShipment.h"
#include "model/QVWeight.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSRateClassSupport.h"

namespace {

std::optional<MasterWeightClass::Table> &testTable()
{
    static std::optional<MasterWeightClass::Table> table;
    return table;
}

} // namespace

void MasterWeightClass::setTableForTesting(const std::optional<Table> &table) { testTable() = table; }

MasterWeightClass MasterWeightClass::forShipment(const QVShipment &shipment, bool international, bool byShipDate)
{
    MasterWeightClass result;
    const QString name = shipmentText(shipment, QVUSPSShipmentRateClassKey);
    if (name.isNull())
        return result;
    if (testTable() && testTable()->name == name) {
        result.m_table = testTable();
        return result;
    }
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

QStringList MasterWeightClass::tableWeightsInOunces() const
{
    if (m_table->unit == QVPoundUnitString)
        return qvrates::ouncesMenuFromPounds(m_table->weights);
    return m_table->unit == QVOunceUnitString ? m_table->weights : QStringList();
}

QString MasterWeightClass::name() const
{
    if (m_table)
        return m_table->name;
    return m_domestic ? m_domestic->name() : (m_intl ? m_intl->name() : QString());
}

QString MasterWeightClass::weightUnit() const
{
    if (m_table)
        return m_table->unit;
    return m_domestic ? m_domestic->weightUnit() : (m_intl ? m_intl->weightUnit() : QString());
}

QStringList MasterWeightClass::orderedWeightInNativeWeightForSize(const QString &size) const
{
    if (m_table)
        return m_table->weights;
    if (m_domestic)
        return m_domestic->orderedWeightInNativeWeightForSize(size);
    return m_intl ? m_intl->orderedWeightInNativeWeightForSize(size) : QStringList();
}

QStringList MasterWeightClass::displayWeightsWithUnitString(const QString &unit, const QString &size) const
{
    if (m_table) {
        const QStringList ounces = tableWeightsInOunces();
        if (unit == QVOunceUnitString)
            return qvrates::displayWeights(ounces, unit);
        return unit == QVPoundUnitString ? qvrates::displayWeights(qvrates::poundsMenuFromOunces(ounces), unit)
                                         : QStringList();
    }
    if (m_domestic)
        return m_domestic->displayWeightsWithUnitString(unit, size);
    return m_intl ? m_intl->displayWeightsWithUnitString(unit, size) : QStringList();
}

qsizetype MasterWeightClass::weightIndexClosestToOunces(int ounces, const QString &size) const
{
    if (m_table)
        return qvrates::indexOfFirstWeightAtLeast(tableWeightsInOunces(), ounces);
    if (m_domestic)
        return m_domestic->weightIndexClosestToOunces(ounces, size);
    return m_intl ? m_intl->weightIndexClosestToOunces(ounces, size) : QVNotFound;
}

qsizetype MasterWeightClass::weightIndexClosestToPounds(float pounds, const QString &size) const
{
    if (m_table)
        return weightIndexClosestToOunces(qvrates::wholeOuncesOfPounds(pounds), size);
    if (m_domestic)
        return m_domestic->weightIndexClosestToPounds(pounds, size);
    return m_intl ? m_intl->weightIndexClosestToPounds(pounds, size) : QVNotFound;
}
