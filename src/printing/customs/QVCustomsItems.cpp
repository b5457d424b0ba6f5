#include "printing/customs/QVCustomsItems.h"

#include "rates/QVShipmentUSPS.h"

#include <QVariantList>

QList<QVariantMap> customsItemList(const QVShipment &shipment)
{
    QList<QVariantMap> items;
    const QVariant stored = shipment.objectForKey(QVShipmentItemsKey);
    if (stored.typeId() != QMetaType::QVariantList)
        return items;
    for (const QVariant &item : stored.toList())
        items.append(item.toMap());
    return items;
}

Decimal customsTotalValue(const QVShipment &shipment) { return customsValue(shipment); }
