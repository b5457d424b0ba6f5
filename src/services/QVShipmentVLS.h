#pragma once
// What the label server adds to a shipment: its price as the label server
// quotes it, and the copying of a label reply into the shipment after a
// label was printed. installLabelServerServices() registers the label-server
// client as the model's label-server service (model/ClientServices.h), so
// that pricing can ask it for VLSPrice.
#include "model/XMLDocument.h"
#include "platform/Decimal.h"

#include <QString>

class QVShipment;

// The shipment's price from a label-server rate request: the last
// "//*:Postage/@*:TotalAmount" of the reply, as a decimal number; zero when
// there is no reply, no such value, or a value that is not a number. The
// reply's status is not examined.
Decimal VLSPrice(const QVShipment &shipment);
// The same price read from a reply document.
Decimal VLSPriceFromReply(const QVXMLDocument &reply);

// Copies a LabelRequest reply into the shipment: the label texts (barcode
// number, display number, banner, mailer id, RDC, tracking number, delivery
// days, customs number, transaction id, insurance fee) are stored as texts
// or removed when the reply has none (delivery days of "0" are removed);
// for a shipment of the vendor's own account (no origin or the vendor's
// origin) the balance ("//*:PostageBalance", formatted by
// QVRHOResponse::balanceStringWithDecimalNumber with the dollar sign) and the
// account number; and, only when postage is enabled, the total price
// ("//*:FinalPostage") and the indicium data ("//*:Indicium", hexadecimal).
// A balance, price or indicium text that does not read as a number or as
// hexadecimal changes nothing.
void takeValuesFromVLSLabelResponse(QVShipment &shipment, const QVXMLDocument &reply);

// Registers the shared label-server client through setLabelServerServices,
// and its vendor headers as those of the postage-server client.
void installLabelServerServices();
