// QVMACAddress: the interface of the default route from the kernel's route
// tables, the address form, and the answer on this machine.
#include "services/QVMACAddress.h"

#include "QtPrinters.h"

#include <QNetworkInterface>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

const QByteArray Ipv4Header = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";

QByteArray ipv4Route(const char *iface, const char *destination, const char *flags, int metric, const char *mask)
{
    return QByteArray(iface) + '\t' + destination + "\t0100A8C0\t" + flags + "\t0\t0\t" + QByteArray::number(metric) +
        '\t' + mask + "\t0\t0\t0\n";
}

QByteArray ipv6Route(const char *destination, const char *prefix, const char *metric, const char *flags,
                     const char *iface)
{
    return QByteArray(destination) + ' ' + prefix + " 00000000000000000000000000000000 00 " +
        "fe800000000000000000000000000001 " + metric + " 00000001 00000000 " + flags + "     " + iface + '\n';
}

const char *const AnyV6 = "00000000000000000000000000000000";

TEST(QVMACAddress, TheDefaultRouteNamesThePrimaryInterface)
{
    struct Case {
        const char *name;
        QByteArray ipv4;
        QByteArray ipv6;
        const char *expected;
    };
    const Case cases[] = {
        {"one default route",
         Ipv4Header + ipv4Route("eth0", "0000A8C0", "0001", 0, "00FFFFFF") +
             ipv4Route("eth0", "00000000", "0003", 100, "00000000"),
         {},
         "eth0"},
        {"lowest metric wins",
         Ipv4Header + ipv4Route("wlan0", "00000000", "0003", 600, "00000000") +
             ipv4Route("enp3s0", "00000000", "0003", 100, "00000000"),
         {},
         "enp3s0"},
        {"a route that is down or rejects does not count",
         Ipv4Header + ipv4Route("eth1", "00000000", "0002", 0, "00000000") +
             ipv4Route("eth2", "00000000", "0203", 0, "00000000") +
             ipv4Route("eth3", "00000000", "0003", 5, "00000000"),
         {},
         "eth3"},
        {"only IPv6", Ipv4Header,
         ipv6Route(AnyV6, "00", "00000400", "00200200", "lo") + ipv6Route(AnyV6, "00", "00000400", "00000003", "eth5"),
         "eth5"},
        {"no default route", Ipv4Header + ipv4Route("eth0", "0000A8C0", "0001", 0, "00FFFFFF"),
         ipv6Route("fe800000000000000000000000000000", "40", "00000100", "00000001", "eth0"), ""},
        {"unreadable tables", "garbage", "more garbage", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(QVMACAddress::defaultRouteInterface(c.ipv4, c.ipv6), QString::fromUtf8(c.expected));
    }
}

TEST(QVMACAddress, AddressesAreSixUpperCasePairs)
{
    EXPECT_EQ(QVMACAddress::formattedHardwareAddress(QStringLiteral("00:1b:63:84:45:e6")),
              QStringLiteral("00-1B-63-84-45-E6"));
    // No hardware address: six pairs of zeros; a longer one gives its first six bytes.
    EXPECT_EQ(QVMACAddress::formattedHardwareAddress(QString()), QStringLiteral("00-00-00-00-00-00"));
    EXPECT_EQ(QVMACAddress::formattedHardwareAddress(QStringLiteral("a0:b1")), QStringLiteral("A0-B1-00-00-00-00"));
    EXPECT_EQ(QVMACAddress::formattedHardwareAddress(QStringLiteral("80:00:02:08:fe:80:00:00:00:00")),
              QStringLiteral("80-00-02-08-FE-80"));
}

TEST(QVMACAddress, ThisMachineAnswersTheAddressOfItsDefaultRouteOrNothing)
{
    const auto address = QVMACAddress::MACAddress();
    if (!address) {
        GTEST_SKIP() << "no default route on this machine";
    }
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^([0-9A-F]{2}-){5}[0-9A-F]{2}$")).match(*address).hasMatch())
        << qPrintable(*address);
    // The same bytes that the system lists for one of its interfaces.
    bool listed = false;
    for (const QNetworkInterface &interface : QNetworkInterface::allInterfaces())
        listed = listed || QVMACAddress::formattedHardwareAddress(interface.hardwareAddress()) == *address;
    EXPECT_TRUE(listed) << qPrintable(*address);
}

} // namespace
