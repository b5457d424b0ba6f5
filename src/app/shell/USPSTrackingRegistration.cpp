#include "app/shell/USPSTrackingRegistration.h"

#include "services/usps/QVUSPSCommandCenter.h"

std::optional<QVariantMap> QVUSPSMailingLogTrackingClient::trackFieldResponseForID(const QString &trackingNumber)
{
    return QVUSPSCommandCenter::commandCenter()->trackFieldResponseForID(trackingNumber);
}

QString QVUSPSMailingLogTrackingClient::lastErrorDescription() const
{
    return QVUSPSCommandCenter::commandCenter()->lastErrorDescription();
}

void registerUSPSTrackingClient()
{
    QVMailingLog::setTrackingClient(std::make_shared<QVUSPSMailingLogTrackingClient>());
}
