#pragma once
// The hardware (MAC) address of the machine's primary Ethernet interface, as
// text, for the account-information request. On Linux the primary interface
// is the one that carries the default route (IPv4 first, else IPv6; of
// several, the one of the lowest metric), read from /proc/net/route and
// /proc/net/ipv6_route; its address comes from QNetworkInterface.
#include <QByteArray>
#include <QString>

#include <optional>

class QVMACAddress
{
public:
    QVMACAddress() = delete;

    // Six upper-case hexadecimal pairs joined by "-" ("00-1B-63-84-45-E6");
    // six pairs of zeros when the interface has no hardware address; nothing
    // (and "GetMACAddress returned 0x00000005" on standard output) when no
    // interface carries a default route.
    static std::optional<QString> MACAddress();

    // The steps, open to tests.
    // The interface of the default route in the kernel's route tables (the
    // texts of /proc/net/route and /proc/net/ipv6_route); empty when none.
    static QString defaultRouteInterface(const QByteArray &ipv4Routes, const QByteArray &ipv6Routes);
    // A hardware address as QNetworkInterface writes it ("00:1b:63:...")
    // in the form above: its first six bytes, bytes it lacks left zero.
    static QString formattedHardwareAddress(const QString &hardwareAddress);
};
