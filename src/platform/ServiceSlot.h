#pragma once
// One registration slot of a service that a higher layer (or a test)
// registers at run time, with the stand-in answered while nothing is
// registered. Each Service/Fallback pair has one shared slot.
#include <memory>

template <typename Service, typename Fallback> struct ServiceSlot {
    std::shared_ptr<Service> registered;
    std::shared_ptr<Service> fallback = std::make_shared<Fallback>();

    std::shared_ptr<Service> current() const { return registered ? registered : fallback; }

    static ServiceSlot &shared()
    {
        static ServiceSlot slot;
        return slot;
    }
};
