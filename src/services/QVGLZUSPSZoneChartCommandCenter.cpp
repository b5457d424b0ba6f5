#include "services/QVGLZUSPSZoneChartCommandCenter.h"

#include "model/QVAddress.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "services/QVRHOLabelServerCommandCenter.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QUrl>

namespace {

QString trimmedOfNonDigits(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && !text[begin].isDigit())
        ++begin;
    while (end > begin && !text[end - 1].isDigit())
        --end;
    return text.mid(begin, end - begin);
}

// Month, day and year of an MMDDYYYY text, compared as a date.
bool isLaterChartDate(const QString &candidate, const QString &cached)
{
    const auto ymd = [](const QString &date) {
        return std::tuple(date.mid(4, 4).toInt(), date.mid(0, 2).toInt(), date.mid(2, 2).toInt());
    };
    return ymd(candidate) > ymd(cached);
}

} // namespace

QVGLZUSPSZoneChartCommandCenter::QVGLZUSPSZoneChartCommandCenter()
{
    setPath(QVZoneChartPath);
    const QString path = pathToZoneCache();
    QFile file(path);
    if (!path.isEmpty() && file.open(QIODevice::ReadOnly) && file.size() <= kMaxZoneCacheFileSize) {
        if (auto cache = readZoneChartCacheText(file.readAll()))
            m_cache = std::move(*cache);
    }
}

QString QVGLZUSPSZoneChartCommandCenter::server() const
{
    const QString configured = UserDefaults::standardUserDefaults().stringForKey(QVZoneChartServerDefaultsKey);
    return configured.isEmpty() ? QVCommandCenter::server() : configured;
}

QString QVGLZUSPSZoneChartCommandCenter::pathToZoneCache()
{
    if (m_cachePath.isEmpty()) {
        const QString folder = applicationSupportDirectory();
        if (!folder.isEmpty())
            m_cachePath = QDir(folder).filePath(QVZoneChartCacheFileName);
    }
    return m_cachePath;
}

void QVGLZUSPSZoneChartCommandCenter::writeCache()
{
    // The file is a cache: a failed write is ignored.
    const QString path = pathToZoneCache();
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(zoneChartCacheText(m_cache));
        file.commit();
    }
}

void QVGLZUSPSZoneChartCommandCenter::addDateStringToChart(const QString &date)
{
    m_cache.chartDate = date;
    writeCache();
}

void QVGLZUSPSZoneChartCommandCenter::addChartToZoneCache(const QVZoneChart &chart, const QString &zip5)
{
    m_cache.charts.insert(zip5, chart);
    writeCache();
}

void QVGLZUSPSZoneChartCommandCenter::clearZoneCache()
{
    m_cache = {};
    const QString path = pathToZoneCache();
    if (!path.isEmpty() && QFile::exists(path))
        QFile::remove(path);
}

std::optional<QByteArray> QVGLZUSPSZoneChartCommandCenter::get(const QString &query)
{
    const QString host = server();
    if (host.isEmpty()) {
        setLastError(
            QStringLiteral("-1"),
            QStringLiteral("No zone-chart server is set (user default \"%1\").").arg(QVZoneChartServerDefaultsKey));
        return std::nullopt;
    }
    const QUrl url(QStringLiteral("http://%1%2?%3").arg(host, path(), query));
    debugLog(url.toString());
    return getURL(url, QVRHOLabelServerCommandCenter::commandCenter()->additionalHeaderDictionaryForShipment(nullptr));
}

void QVGLZUSPSZoneChartCommandCenter::checkForZoneUpdate()
{
    if (UserDefaults::standardUserDefaults().boolForKey(QVKivoStampsVersionDefaultsKey))
        return;
    checkForZoneUpdateSetDate(false);
}

void QVGLZUSPSZoneChartCommandCenter::checkForZoneUpdateSetDate(bool setDate)
{
    if (m_cache.chartDate.isEmpty() && !m_cache.charts.isEmpty()) {
        clearZoneCache();
        if (!setDate)
            return;
    }
    const auto reply = get(QString());
    if (!reply)
        return;
    const QString serviceDate = trimmedOfNonDigits(QString::fromLatin1(*reply));
    if (serviceDate.size() != 8)
        return;
    const QString cachedDate = trimmedOfNonDigits(m_cache.chartDate);
    if (cachedDate.size() == 8 && isLaterChartDate(serviceDate, cachedDate))
        clearZoneCache();
    if (setDate)
        addDateStringToChart(serviceDate);
}

bool QVGLZUSPSZoneChartCommandCenter::buildZoneChartIfNotExistsForZIP(const QString &zip)
{
    if (zip.size() < 5)
        return false;
    if (m_cache.charts.contains(zip.left(5)))
        return true;
    return buildZoneChartForZIP(zip);
}

bool QVGLZUSPSZoneChartCommandCenter::buildZoneChartForZIP(const QString &zip)
{
    const QString origin = zip.left(5);
    // Only a ZIP5 of digits goes to the service and into the cache.
    if (!isZIP5Text(origin))
        return false;
    checkForZoneUpdateSetDate(true);
    const auto reply = get(QString::fromLatin1(QUrl::toPercentEncoding(origin)));
    if (!reply || reply->isEmpty())
        return false;
    const QVZoneChart chart = readZoneChartReply(*reply);
    if (!chart.isEmpty())
        addChartToZoneCache(chart, origin);
    return true;
}

QString QVGLZUSPSZoneChartCommandCenter::zoneFromOriginZIP(const QString &originZIP, const QString &destinationZIP)
{
    const QString unknown = QStringLiteral("-1");
    if (originZIP.size() < 5 || destinationZIP.size() < 5)
        return unknown;
    const QString origin = originZIP.left(5);
    const QString destination = destinationZIP.left(5);
    if (!isZIP5Text(origin) || !isZIP5Text(destination))
        return unknown;
    if (!buildZoneChartIfNotExistsForZIP(origin))
        return unknown;
    const auto chart = m_cache.charts.constFind(origin);
    if (chart == m_cache.charts.cend())
        return unknown;
    // A destination beyond every range of the chart lies in its highest
    // zone (the chart names the nearer ones).
    auto zone = chart->zoneForDestination(destination.toInt());
    if (!zone)
        zone = chart->highestZone();
    return zone ? QString::number(*zone) : unknown;
}

QVZoneChartAddressServices::QVZoneChartAddressServices(std::shared_ptr<QVUSPSAddressServices> standardizer)
    : m_standardizer(std::move(standardizer))
{}

QString QVZoneChartAddressServices::zoneFromOriginZIP(const QString &originZIP, const QString &destinationZIP)
{
    return QVGLZUSPSZoneChartCommandCenter::commandCenter()->zoneFromOriginZIP(originZIP, destinationZIP);
}

std::optional<QVAddress> QVZoneChartAddressServices::addressByStandardizingAddress(const QVAddress &address)
{
    if (!m_standardizer)
        return std::nullopt;
    return m_standardizer->addressByStandardizingAddress(address);
}

void registerZoneChartZoneService()
{
    auto previous = uspsAddressServices();
    if (std::dynamic_pointer_cast<QVZoneChartAddressServices>(previous))
        return;
    setUSPSAddressServices(std::make_shared<QVZoneChartAddressServices>(std::move(previous)));
}
