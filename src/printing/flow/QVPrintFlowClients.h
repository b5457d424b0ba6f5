#pragma once
// The server calls of the print flow, in one interface: the postage account
// (balance, meter ID and account state of the last valid status reply, a
// status refresh, the indicium purchase and the receipt of a piece printed
// without postage), the label server's number-only request, the label-number
// service, the USPS customs forms and the account information. Each group
// answers its client's last error after a failure.
//
// The default is the real implementation over the shared clients of the
// services layer; tests register fakes with setPrintFlowClients(). Main thread
// only (the receipt itself runs on the postage client's own thread).
#include "model/QVShipment.h"
#include "model/XMLDocument.h"
#include "platform/Decimal.h"
#include "services/usps/QVUSPSCommandCenter.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <optional>

namespace tolvane {

// A client's last error code and text (null texts: none).
struct QVClientError {
    QString code;
    QString description;
};

class QVPrintFlowClients
{
public:
    virtual ~QVPrintFlowClients() = default;

    // ---- Postage account (the postage-server client)
    // The balance of the last valid status reply; nothing when the last
    // status failed or none was asked yet.
    virtual std::optional<Decimal> lastValidBalance() = 0;
    // Meter ID and account status ("V": not yet set up) of that reply; empty
    // without one.
    virtual QString lastValidMeterID() = 0;
    virtual QString lastValidAccountStatus() = 0;
    // Asks the server for the account status again; true when a valid reply
    // came back.
    virtual bool refreshStatus() = 0;
    // Buys the indicium of the shipment (the account values go into it); the
    // bytes, or nothing.
    virtual std::optional<QByteArray> indiciumDataWithShipment(QVShipment &shipment) = 0;
    // Reports a piece printed without postage (piece count "0"), in the
    // background.
    virtual void sendReceiptForShipment(const QVShipment &shipment) = 0;
    virtual QVClientError postageError() = 0;

    // ---- Label server: the number of a piece without its label
    virtual std::optional<QVXMLDocument> labelNumberForShipment(const QVShipment &shipment) = 0;
    virtual QVClientError labelServerError() = 0;

    // ---- Label-number service
    virtual std::optional<QString> domesticLabelNumber(QVariantMap *response, const QVShipment &shipment) = 0;
    virtual std::optional<QString> expressLabelNumber(QVariantMap *response, const QVShipment &shipment) = 0;
    virtual std::optional<QString> confirmNumber(const QVShipment &shipment) = 0;
    virtual QVClientError labelNumberError() = 0;

    // ---- USPS customs forms: the form number and its images
    virtual std::optional<QString> cn22CustomsForm(std::optional<QVUSPSImage> *label,
                                                   std::optional<QVUSPSImage> *instructions, const QVShipment &shipment,
                                                   bool sample) = 0;
    virtual std::optional<QString> cp72CustomsForm(QList<QVUSPSImage> *labels, std::optional<QVUSPSImage> *instructions,
                                                   const QVShipment &shipment, bool sample) = 0;
    virtual QVClientError uspsError() = 0;

    // ---- Account information
    virtual int discountLevel(const QString &rateClassName, const QString &size) = 0;
    virtual bool forceVLS() = 0;
    virtual bool insuranceAgreement() = 0;

    // ---- USPS holidays: name to day ("%Y-%m-%d"); the USPS client's list.
    virtual QVariantMap allHolidays();
};

// Registers the clients (nullptr brings back the real ones).
void setPrintFlowClients(std::shared_ptr<QVPrintFlowClients> clients);
std::shared_ptr<QVPrintFlowClients> printFlowClients();

} // namespace tolvane
