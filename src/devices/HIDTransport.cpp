#include "devices/HIDTransport.h"

HIDTransport::~HIDTransport() = default;
