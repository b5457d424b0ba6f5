#pragma once
// QVGLZUSPSZoneChartCommandCenter: the client of the zone-chart service. It
// downloads the zone chart of an origin ZIP code, keeps every chart it has
// fetched in the cache file "zoneChartCache" of the application-support
// folder (services/QVZoneChart.h gives the charts and the file's form), drops
// the cache when the service announces a newer chart date, and answers the
// zone between two ZIP codes.
//
// Server: the user default "zoneChartServer" (a bare host, with a port when
// needed); the service's own host is not known to this build, so without
// that default nothing is sent and no chart can be had (every look-up of an
// uncached origin answers "-1"). Path "/isapi/zone.dll". Requests are plain
// HTTP GETs with the label-server client's vendor headers for no shipment:
// "http://" + server + path + "?" (the chart date) or + "?" + the origin.
//
// Zone look-up: "-1" when either ZIP text has fewer than five characters,
// when the first five of either are not digits, or when no chart can be had
// for the origin; otherwise the lowest zone whose ranges hold the
// destination, and for a destination beyond every range the highest zone the
// chart names; at most 9.
//
// The date check: the service answers its chart date as MMDDYYYY (digits
// trimmed of anything else at both ends); a date later than the cached one
// empties the cache; a cache with charts but no date is emptied too. The
// date is recorded only by checks made while downloading a chart.
//
// Main thread only (pricing asks for zones); the first look-up of a new
// origin blocks for the download.
#include "model/ServiceHooks.h"
#include "services/QVCommandCenter.h"
#include "services/QVZoneChart.h"

#include <QString>

#include <memory>

inline const QString QVZoneChartServerDefaultsKey = QStringLiteral("zoneChartServer");
inline const QString QVZoneChartPath = QStringLiteral("/isapi/zone.dll");
inline const QString QVZoneChartCacheFileName = QStringLiteral("zoneChartCache");
inline const QString QVKivoStampsVersionDefaultsKey = QStringLiteral("kivoStampsVersion");

class QVGLZUSPSZoneChartCommandCenter : public QVCommandCenter
{
public:
    // Sets server and path and loads the cache file.
    QVGLZUSPSZoneChartCommandCenter();
    static std::shared_ptr<QVGLZUSPSZoneChartCommandCenter> commandCenter()
    {
        return QVCommandCenter::commandCenter<QVGLZUSPSZoneChartCommandCenter>();
    }
    QString className() const override { return QStringLiteral("QVGLZUSPSZoneChartCommandCenter"); }
    // The user default "zoneChartServer" when set, else the host given with
    // setServer() (empty: the service's host is not built in).
    QString server() const override;

    // The cache file's path (empty without a support folder).
    QString pathToZoneCache();
    const QVZoneChartCache &zoneChart() const { return m_cache; }

    void addDateStringToChart(const QString &date);
    void addChartToZoneCache(const QVZoneChart &chart, const QString &zip5);
    // Empties the cache (charts and date) and deletes the file.
    void clearZoneCache();

    // The date check without recording the date; nothing in the stamps-only
    // edition (user default "kivoStampsVersion").
    void checkForZoneUpdate();
    void checkForZoneUpdateSetDate(bool setDate);

    bool buildZoneChartIfNotExistsForZIP(const QString &zip);
    bool buildZoneChartForZIP(const QString &zip);

    QString zoneFromOriginZIP(const QString &originZIP, const QString &destinationZIP);

private:
    void writeCache();
    std::optional<QByteArray> get(const QString &query);

    QVZoneChartCache m_cache;
    QString m_cachePath;
};

// The zone service of the model (QVUSPSAddressServices): zones from the
// shared zone-chart client; address standardisation goes to the services
// that were registered before (none: no standardised address).
class QVZoneChartAddressServices : public QVUSPSAddressServices
{
public:
    explicit QVZoneChartAddressServices(std::shared_ptr<QVUSPSAddressServices> standardizer = nullptr);
    QString zoneFromOriginZIP(const QString &originZIP, const QString &destinationZIP) override;
    std::optional<QVAddress> addressByStandardizingAddress(const QVAddress &address) override;

private:
    std::shared_ptr<QVUSPSAddressServices> m_standardizer;
};

// Registers the zone-chart client as the model's zone service, keeping the
// address standardisation registered so far.
void registerZoneChartZoneService();
