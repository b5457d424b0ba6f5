#pragma once
// The customs items of a shipment as the customs dialog writes them and the
// customs forms read them: the list under QVShipmentItemsKey (item
// dictionaries whose values are texts) and the declared total.
//
// The total covers every item of the list, also beyond the five rows of the
// dialog and of the forms (a shipment made by automation may carry more), so
// that a form never declares less than the piece holds and agrees with the
// value the dialog tests against the ITN limit.
#include "model/QVShipment.h"
#include "platform/Decimal.h"

#include <QList>
#include <QVariantMap>

// The most item rows the dialog and the forms show.
inline constexpr int QVCustomsItemRowCount = 5;

// The item dictionaries in order; empty when the shipment has none or the
// stored value is not a list. Entries that are not dictionaries read as
// empty items.
QList<QVariantMap> customsItemList(const QVShipment &shipment);

// The sum of the values of every item (not only the first five); a value
// that is not a number counts as zero.
Decimal customsTotalValue(const QVShipment &shipment);
