#include "model/ServiceHooks.h"

#include "model/QVAddress.h"

namespace {
std::shared_ptr<QVUSPSAddressServices> &registeredUSPSAddressServices()
{
    static std::shared_ptr<QVUSPSAddressServices> services;
    return services;
}
} // namespace

void setUSPSAddressServices(std::shared_ptr<QVUSPSAddressServices> services)
{
    registeredUSPSAddressServices() = std::move(services);
}

std::shared_ptr<QVUSPSAddressServices> uspsAddressServices() { return registeredUSPSAddressServices(); }

QString uspsZoneFromOriginZIP(const QString &originZIP, const QString &destinationZIP)
{
    const auto services = uspsAddressServices();
    if (!services)
        return QStringLiteral("-1");
    const QString zone = services->zoneFromOriginZIP(originZIP, destinationZIP);
    return zone.isEmpty() ? QStringLiteral("-1") : zone;
}
