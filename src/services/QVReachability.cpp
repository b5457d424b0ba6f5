#include "services/QVReachability.h"

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <mutex>

namespace {

std::mutex g_mutex;
std::shared_ptr<QVReachability> g_registered;

bool routeExists(const addrinfo *address)
{
    const int fd = ::socket(address->ai_family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // Connecting a datagram socket sends nothing; it fails when no route
    // leads to the address.
    const bool routed = ::connect(fd, address->ai_addr, address->ai_addrlen) == 0;
    ::close(fd);
    return routed;
}

} // namespace

bool QVRouteReachability::isHostReachable(const QString &host)
{
    const QByteArray name = host.trimmed().toUtf8();
    if (name.isEmpty() || name.contains('\0'))
        return false;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo *addresses = nullptr;
    // The port only gives connect() something to aim at.
    if (::getaddrinfo(name.constData(), "443", &hints, &addresses) != 0 || !addresses)
        return false;
    bool reachable = false;
    for (const addrinfo *address = addresses; address && !reachable; address = address->ai_next)
        reachable = routeExists(address);
    ::freeaddrinfo(addresses);
    return reachable;
}

void setReachability(std::shared_ptr<QVReachability> reachability)
{
    std::lock_guard lock(g_mutex);
    g_registered = std::move(reachability);
}

std::shared_ptr<QVReachability> reachability()
{
    std::lock_guard lock(g_mutex);
    if (!g_registered)
        g_registered = std::make_shared<QVRouteReachability>();
    return g_registered;
}
