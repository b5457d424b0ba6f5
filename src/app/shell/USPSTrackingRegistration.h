#pragma once
// Hands the USPS Web Tools client to the mailing log as its tracking
// service: the log tracks a piece with the client's detailed tracking
// request ("TrackV2Field") and reads the client's last error when it fails.
#include "mailinglog/QVMailingLog.h"

#include <memory>

class QVUSPSMailingLogTrackingClient : public QVMailingLogTrackingClient
{
public:
    std::optional<QVariantMap> trackFieldResponseForID(const QString &trackingNumber) override;
    QString lastErrorDescription() const override;
};

// Registers it with the mailing log (at start-up).
void registerUSPSTrackingClient();
