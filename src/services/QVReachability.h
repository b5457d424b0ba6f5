#pragma once
// Whether a server host can be reached, as the platform's network
// reachability answers it: a host is reachable when its name resolves and
// the system has a route to one of its addresses. Nothing is sent to the host.
// The clients ask through the registered object, so that tests can put a fake
// in its place.
#include <QString>

#include <memory>

class QVReachability
{
public:
    virtual ~QVReachability() = default;
    // False for an empty host.
    virtual bool isHostReachable(const QString &host) = 0;
};

// The system's answer: the name is resolved (a numeric address without any
// look-up), then a datagram socket is connected to each address in turn
// (which only consults the routing table) until one succeeds.
class QVRouteReachability : public QVReachability
{
public:
    bool isHostReachable(const QString &host) override;
};

// Registers the object the clients ask (nullptr brings back the system's).
void setReachability(std::shared_ptr<QVReachability> reachability);
std::shared_ptr<QVReachability> reachability();
