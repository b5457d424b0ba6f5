#include "devices/HIDTransport.h"

HIDTransport::~HIDTransport() = default;

// Until the hidraw transport exists there is no system transport.
std::shared_ptr<HIDTransport> makeDefaultHIDTransport() { return nullptr; }
