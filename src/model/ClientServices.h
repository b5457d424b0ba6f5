#pragma once
// What the model and the rate classes ask of the server clients and of the
// application shell. The clients and the shell live in higher layers; they
// register their real objects here at start-up, and tests register fakes.
// Until something is registered, every question gets the answer the client
// itself gives when it holds no account information, or the shell's plain
// default (see each accessor). The accessors never answer null; the object
// they answer stays valid while the caller holds it.
//
// The zone look-up and address standardisation of the USPS client are in
// model/ServiceHooks.h.
#include "platform/Decimal.h"

#include <QString>

#include <memory>

class QVShipment;

// ---- Account information (the shared account-information client) -------
// Each answer reads the client's last account-information response; none
// contacts the server.
class QVAccountInformationServices
{
public:
    virtual ~QVAccountInformationServices() = default;

    // The account's Priority Mail settings allow cubic pricing.
    virtual bool pmCubicPricing() = 0;
    // The account may use the adult-signature services.
    virtual bool adultSignature() = 0;
    // The account may use the regional-rate boxes.
    virtual bool pmRegionalRateBox() = 0;
    // Parcel Select is switched off for the account.
    virtual bool disableParcelSelect() = 0;
    // The account may use Standard Post.
    virtual bool standardPost() = 0;
    // The account's Priority Mail prices have a half-pound step.
    virtual bool pmHalfPoundRate() = 0;
    // The account's discount level (rate classification) for a rate-class
    // name and a piece-size name.
    virtual int discountLevelForRateClassName(const QString &rateClassName, const QString &size) = 0;
};

// Registers the client (nullptr removes it).
void setAccountInformationServices(std::shared_ptr<QVAccountInformationServices> services);
// The registered client, or a stand-in that answers as the client does
// before any account information has arrived: no cubic pricing, adult
// signature allowed, regional-rate boxes allowed, Parcel Select not
// disabled, no Standard Post, half-pound rate allowed; discount level 1
// (commercial base) for Priority Mail and Priority Mail Express (flat-rate
// names included), First-Class Mail packages (QVUSPSRegularSize), Priority
// Mail International, Priority Mail Express International, First-Class Mail
// International packages and Parcel Select, 0 (retail) for everything else.
std::shared_ptr<QVAccountInformationServices> accountInformationServices();

// ---- Label server (the shared label-server client) -----------------------
class QVLabelServerServices
{
public:
    virtual ~QVLabelServerServices() = default;

    // The shipment's postage as priced by the label server (a synchronous
    // rate request); zero when the reply has none.
    virtual Decimal VLSPrice(const QVShipment &shipment) = 0;
};

void setLabelServerServices(std::shared_ptr<QVLabelServerServices> services);
// The registered client; without one the label-server price is zero.
std::shared_ptr<QVLabelServerServices> labelServerServices();

// ---- Partner label service ------------------------------------------------
class QVPartnerLabelServices
{
public:
    virtual ~QVPartnerLabelServices() = default;

    // The partner label service is switched on.
    virtual bool isAllowed() = 0;
    virtual bool isAuthenticated() = 0;
};

void setPartnerLabelServices(std::shared_ptr<QVPartnerLabelServices> services);
// The registered client; without one, isAllowed() is the user default
// "briskoOneEnabled" and isAuthenticated() is true, as the client answers.
std::shared_ptr<QVPartnerLabelServices> partnerLabelServices();

// ---- Optional-service mask of a shipment (indicium requests) -------------
class QVShipmentServiceMask
{
public:
    virtual ~QVShipmentServiceMask() = default;

    // One bit for each special service found among the shipment's
    // confirmation service and optional services; 0 when it has none.
    virtual int tolvaneOptionalService(const QVShipment &shipment) = 0;
};

void setShipmentServiceMask(std::shared_ptr<QVShipmentServiceMask> mask);
// The registered implementation; without one the mask holds the two bits
// that the mail-category table reads: 0x8000 for the Priority Mail Express
// premium service and 0x80000 for hold for pickup.
std::shared_ptr<QVShipmentServiceMask> shipmentServiceMask();
// Shorthand for shipmentServiceMask()->tolvaneOptionalService(shipment).
int tolvaneOptionalService(const QVShipment &shipment);

// ---- Printer set-up of the application -----------------------------------
// Label-type constant of a plain-paper label or envelope (the text equals the
// name).
inline const QString QVPlainPaperLabel = QStringLiteral("QVPlainPaperLabel");

class QVPrinterSetupServices
{
public:
    virtual ~QVPrinterSetupServices() = default;

    // The label-type constant in use for an envelope or letter (YES) or for
    // any other piece (NO).
    virtual QString labelTypeForEnvelope(bool envelope) = 0;
};

void setPrinterSetupController(std::shared_ptr<QVPrinterSetupServices> controller);
// The application's printer set-up controller; without one, every piece is
// printed on plain paper (QVPlainPaperLabel).
std::shared_ptr<QVPrinterSetupServices> printerSetupController();
