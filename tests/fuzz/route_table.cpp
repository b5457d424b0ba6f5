// The kernel's route tables as the primary Ethernet address reads them
// (/proc/net/route, /proc/net/ipv6_route), and hardware-address texts.
#include "FuzzSupport.h"
#include "services/QVMACAddress.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = tolvane::fuzz::bytesOf(data, size);
    const qsizetype split = input.indexOf('\f');
    const QByteArray ipv4 = split < 0 ? input : input.left(split);
    const QByteArray ipv6 = split < 0 ? input : input.mid(split + 1);
    (void)QVMACAddress::defaultRouteInterface(ipv4, ipv6);
    // Always six upper-case pairs.
    if (QVMACAddress::formattedHardwareAddress(QString::fromLatin1(input)).size() != 17)
        std::abort();
    return 0;
}
