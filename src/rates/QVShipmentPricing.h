#pragma once
// Pricing of a shipment: brings a QVShipment into a priceable state and
// prices it through the rate classes each time the user changes something
// that matters (a store with re-pricing asked, a change of the force-retail
// flag, or a direct _updatePricing()).
//
// It coerces the piece size and the rate class to ones that fit, settles the
// machinable flag, drops the special services that do not apply, chooses the
// confirmation service, looks up the zone, asks the rate class for the retail
// and the discounted price, and stores postage, fees, the discount level and
// the total. USPS mail only; domestic and international pieces take two
// roads.
//
// Stores that observers see: the size, the class, the machinable flag, the
// confirmation service, the undiscounted postage and the stealth flag go
// through the record and post QVShipmentDidChangeNotification when they
// change, in that order. Everything else (zone, services, postage, fees,
// discount level, cubic keys, total) goes quietly into the dictionary.
//
// What it asks of others, all synchronously on the main thread: the zone
// (model/ServiceHooks.h), the account's discount level, cubic pricing and
// adult signature, and the label server's price (model/ClientServices.h),
// and the user default "confirmationService".
#include "model/QVShipment.h"

class QVShipmentUSPSPricer final : public QVShipmentPricer
{
public:
    void updatePricing(QVShipment &shipment) override;
};

// Registers QVShipmentUSPSPricer with QVShipment, so that every record prices
// itself. Called at start-up and by tests; calling it again changes nothing.
void installShipmentPricing();
