#include "services/QVMACAddress.h"

#include <QFile>
#include <QNetworkInterface>

#include <cstdio>
#include <limits>

namespace {

constexpr unsigned RouteUp = 0x0001;
constexpr unsigned RouteReject = 0x0200;

QByteArray readProcFile(const char *path)
{
    QFile file(QString::fromLatin1(path));
    // Files under /proc report no size: read until the end.
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Candidate {
    QString interface;
    quint64 metric = std::numeric_limits<quint64>::max();

    void offer(const QByteArray &name, quint64 routeMetric)
    {
        if (name.isEmpty() || name == "lo" || routeMetric >= metric)
            return;
        interface = QString::fromLatin1(name);
        metric = routeMetric;
    }
};

// /proc/net/route: a header line, then "Iface Destination Gateway Flags
// RefCnt Use Metric Mask ...", numbers in hexadecimal.
QString ipv4DefaultInterface(const QByteArray &table)
{
    Candidate best;
    const QList<QByteArray> lines = table.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].simplified().split(' ');
        if (fields.size() < 8)
            continue;
        bool ok = false;
        const unsigned flags = fields[3].toUInt(&ok, 16);
        if (!ok || !(flags & RouteUp) || (flags & RouteReject))
            continue;
        if (fields[1].toUInt(&ok, 16) != 0 || !ok || fields[7].toUInt(&ok, 16) != 0 || !ok)
            continue;
        const quint64 metric = fields[6].toULongLong(&ok, 10);
        if (ok)
            best.offer(fields[0], metric);
    }
    return best.interface;
}

// /proc/net/ipv6_route: "destination prefix-length source source-prefix
// next-hop metric refcount use flags interface", in hexadecimal, no header.
QString ipv6DefaultInterface(const QByteArray &table)
{
    Candidate best;
    for (const QByteArray &line : table.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 10)
            continue;
        bool ok = false;
        const unsigned flags = fields[8].toUInt(&ok, 16);
        if (!ok || !(flags & RouteUp) || (flags & RouteReject))
            continue;
        if (fields[0] != QByteArray(32, '0') || fields[1] != "00")
            continue;
        const quint64 metric = fields[5].toULongLong(&ok, 16);
        if (ok)
            best.offer(fields[9], metric);
    }
    return best.interface;
}

} // namespace

QString QVMACAddress::defaultRouteInterface(const QByteArray &ipv4Routes, const QByteArray &ipv6Routes)
{
    const QString ipv4 = ipv4DefaultInterface(ipv4Routes);
    return ipv4.isEmpty() ? ipv6DefaultInterface(ipv6Routes) : ipv4;
}

QString QVMACAddress::formattedHardwareAddress(const QString &hardwareAddress)
{
    unsigned char bytes[6] = {0, 0, 0, 0, 0, 0};
    const QStringList parts = hardwareAddress.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < parts.size() && i < 6; ++i) {
        bool ok = false;
        const uint byte = parts[i].toUInt(&ok, 16);
        bytes[i] = ok && byte <= 0xFF ? uchar(byte) : 0;
    }
    return QString::asprintf("%02X-%02X-%02X-%02X-%02X-%02X", bytes[0], bytes[1], bytes[2], bytes[3], bytes[4],
                             bytes[5]);
}

std::optional<QString> QVMACAddress::MACAddress()
{
    const QString name = defaultRouteInterface(readProcFile("/proc/net/route"), readProcFile("/proc/net/ipv6_route"));
    if (name.isEmpty()) {
        std::printf("GetMACAddress returned 0x%08x\n", 5u);
        std::fflush(stdout);
        return std::nullopt;
    }
    return formattedHardwareAddress(QNetworkInterface::interfaceFromName(name).hardwareAddress());
}
