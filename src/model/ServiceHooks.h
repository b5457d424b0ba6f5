#pragma once
// Services of higher layers that the model's records call. The model owns
// these small interfaces; the service layer registers the real objects at
// start-up and tests register fakes. Without a registered provider every
// call answers as the service does when it has no answer.
#include <QString>

#include <memory>
#include <optional>

class QVAddress;

// USPS address services (the shared USPS client).
class QVUSPSAddressServices
{
public:
    virtual ~QVUSPSAddressServices() = default;

    // The USPS zone between two ZIP codes as text; "-1" when it cannot be
    // told. Never empty.
    virtual QString zoneFromOriginZIP(const QString &originZIP, const QString &destinationZIP) = 0;

    // The USPS-standardised form of an address, or nothing when the service
    // gives none (the reason stays with the client's last error).
    virtual std::optional<QVAddress> addressByStandardizingAddress(const QVAddress &address) = 0;
};

// Registers the provider (nullptr removes it) and answers the registered one.
void setUSPSAddressServices(std::shared_ptr<QVUSPSAddressServices> services);
std::shared_ptr<QVUSPSAddressServices> uspsAddressServices();

// The zone through the registered provider; "-1" without one.
QString uspsZoneFromOriginZIP(const QString &originZIP, const QString &destinationZIP);
