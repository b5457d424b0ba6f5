#pragma once
// The rate class whose weight menu the main window shows: the domestic
// class of a rate year or the international class for the destination
// country, behind one face (name, unit, weight lists, index look-ups).
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QVShipment;

class MasterWeightClass
{
public:
    // The stored class of the shipment: international for the country of
    // its destination; domestic in the rate year of its ship date
    // (`byShipDate`) or in the current rates.
    static MasterWeightClass forShipment(const QVShipment &shipment, bool international, bool byShipDate);

    bool isValid() const { return m_domestic || m_intl || m_table; }
    QString name() const;
    QString weightUnit() const;
    QStringList orderedWeightInNativeWeightForSize(const QString &size) const;
    QStringList displayWeightsWithUnitString(const QString &unit, const QString &size) const;
    qsizetype weightIndexClosestToOunces(int ounces, const QString &size) const;
    qsizetype weightIndexClosestToPounds(float pounds, const QString &size) const;

    // A weight menu of its own for the class of that name, whatever the
    // size, in place of the rate tables' (tests give a class a menu that
    // the shipped tables do not have): the native unit and the weights in
    // it, in menu order. nullopt goes back to the rate classes.
    struct Table {
        QString name;
        QString unit;
        QStringList weights;
    };
    static void setTableForTesting(const std::optional<Table> &table);

private:
    QStringList tableWeightsInOunces() const;

    QVUSPSRateClass *m_domestic = nullptr;
    std::shared_ptr<QVUSPSIntlRateClass> m_intl;
    std::optional<Table> m_table;
};
