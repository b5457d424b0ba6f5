#pragma once
// Release of device input queues. Nothing in the application creates
// queues, so at termination each device answers kHIDReturnError and nothing
// is released.
#include "devices/HIDObjects.h"

// Removes the device's input, output and feature elements from its input
// queue, then stops and releases the queue: kHIDReturnSuccess;
// kHIDReturnBadArgument for a null device; kHIDReturnError for a device
// without a queue.
HIDReturn HIDDequeueDevice(const HIDDeviceRef &device);
// Stops and releases the device's input queue, if any.
void HIDDisposeReleaseQueue(const HIDDeviceRef &device);
// HIDDequeueDevice for every device of the list; the last device's code
// (kHIDReturnSuccess for an empty list).
HIDReturn HIDReleaseAllDeviceQueues();
