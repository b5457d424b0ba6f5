#pragma once
// What the customs declaration dialog asks of the parts of the program that
// live above printing: the main window (the destination's service summary,
// the end of the sheet, the default signing name of the postage account) and
// the USPS Web Tools client (the sample CN22 and CP72 forms that show the
// user what the form will carry). The application registers the real
// objects at start-up; tests register fakes. Until something is registered
// the stand-ins below answer.
#include <QString>

#include <memory>

class QVShipment;

// ---- The main window -----------------------------------------------------------
class QVCustomsDialogHost
{
public:
    virtual ~QVCustomsDialogHost() = default;

    // Shows the destination's international information (country
    // restrictions) or the APO/FPO restrictions of the shipment.
    virtual void serviceSummary(const QVShipment &shipment) = 0;
    // Ends and hides the customs sheet.
    virtual void closeSheet() = 0;
    // The account holder's name in the postage server's last valid status
    // reply; empty when there has been none.
    virtual QString accountHolderName() = 0;
};

void setCustomsDialogHost(std::shared_ptr<QVCustomsDialogHost> host);
// The registered host; without one a stand-in that writes the requests to
// the console, does nothing else and knows no account name.
std::shared_ptr<QVCustomsDialogHost> customsDialogHost();

// ---- The customs forms of USPS Web Tools ------------------------------------------
class QVCustomsFormServices
{
public:
    virtual ~QVCustomsFormServices() = default;

    // Asks for a sample CN22 (PS Form 2976) of the shipment: the request's
    // certification variant, which writes no file. True when the service
    // answered with a form.
    virtual bool sampleCN22Form(const QVShipment &shipment) = 0;
    // The same for a sample CP72 (PS Form 2976-A).
    virtual bool sampleCP72Form(const QVShipment &shipment) = 0;
};

void setCustomsFormServices(std::shared_ptr<QVCustomsFormServices> services);
// The registered client; without one a stand-in that asks nothing and
// answers false.
std::shared_ptr<QVCustomsFormServices> customsFormServices();
