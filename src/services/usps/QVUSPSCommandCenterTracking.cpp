// Tracking through USPS Web Tools: the summary request "TrackV2" and the
// detailed request "TrackV2Field" (sent as "TrackV2"), one "ID" per number.
#include "model/QVShipment.h"
#include "services/usps/QVUSPSCommandCenter.h"

namespace {

QList<QVariantMap> idVariables(const QStringList &trackingNumbers)
{
    QList<QVariantMap> variables;
    variables.reserve(trackingNumbers.size());
    for (const QString &number : trackingNumbers)
        variables.append({{QStringLiteral("ID"), number}});
    return variables;
}

const QString kTrackV2 = QStringLiteral("TrackV2");
const QString kTrackV2Field = QStringLiteral("TrackV2Field");

} // namespace

std::optional<QVariantMap> QVUSPSCommandCenter::trackResponseForID(const QString &trackingNumber)
{
    return postAPI(QVUSPSAPI::apiWithAPI(kTrackV2, QVariantMap{{QStringLiteral("ID"), trackingNumber}}));
}

std::optional<QVariantMap> QVUSPSCommandCenter::trackFieldResponseForID(const QString &trackingNumber)
{
    return postAPI(QVUSPSAPI::apiWithAPI(kTrackV2Field, QVariantMap{{QStringLiteral("ID"), trackingNumber}}));
}

std::optional<QVariantMap> QVUSPSCommandCenter::trackFieldResponseForIDs(const QStringList &trackingNumbers)
{
    return postAPI(QVUSPSAPI::apiWithAPI(kTrackV2Field, idVariables(trackingNumbers)));
}

HttpRequest QVUSPSCommandCenter::URLRequestForTrackFieldAPIWithIDs(const QStringList &trackingNumbers)
{
    if (auto api = QVUSPSAPI::apiWithAPI(kTrackV2Field, idVariables(trackingNumbers)))
        return URLRequestForAPI(*api);
    // Too many numbers (or no template): the request goes out with an empty
    // body, which the server refuses.
    return URLRequestForPostData(
        QByteArray(), QUrl(QStringLiteral("http://%1%2").arg(server(), path())),
        {{QStringLiteral("content-type"), QStringLiteral("application/x-www-form-urlencoded; charset=utf-8")}});
}

QString QVUSPSCommandCenter::deliveryStatusForTrackEvent(const QString &event)
{
    const QString upper = event.toUpper();
    if (upper == QLatin1String("DELIVERED") || upper == QLatin1String("DELIVERED ABROAD"))
        return QVShipmentDeliveredStatus;
    if (upper == QLatin1String("UNDELIVERABLE AS ADDRESSED"))
        return QVShipmentDeliveryExceptionStatus;
    return QVShipmentUndeliveredStatus;
}
