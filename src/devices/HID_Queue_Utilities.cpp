#include "devices/HID_Queue_Utilities.h"

#include "devices/HID_Utilities.h"
#include "devices/IOHIDDevice_.h"

HIDReturn HIDDequeueDevice(const HIDDeviceRef &device)
{
    if (!device) {
        HIDReportError("Device does not exist, cannot queue device.");
        return kHIDReturnBadArgument;
    }
    const HIDQueueRef queue = IOHIDDevice_GetQueue(device);
    if (!queue) {
        HIDReportError("No queue for device passed to HIDDequeueElement.");
        return kHIDReturnError;
    }
    for (HIDElementRef element = HIDGetFirstDeviceElement(device, kHIDElementTypeMaskIO); element;
         element = HIDGetNextDeviceElement(element, kHIDElementTypeMaskIO))
        if (queue->containsElement(element))
            queue->removeElement(element);
    HIDDisposeReleaseQueue(device);
    return kHIDReturnSuccess;
}

void HIDDisposeReleaseQueue(const HIDDeviceRef &device)
{
    if (!device) {
        HIDReportError("NULL device passed to HIDDisposeReleaseQueue.");
        return;
    }
    if (const HIDQueueRef queue = IOHIDDevice_GetQueue(device)) {
        queue->stop();
        device->setQueue(nullptr);
    }
}

HIDReturn HIDReleaseAllDeviceQueues()
{
    HIDReturn result = kHIDReturnSuccess;
    for (HIDDeviceRef device = HIDGetFirstDevice(); device; device = HIDGetNextDevice(device)) {
        result = HIDDequeueDevice(device);
        if (result != kHIDReturnSuccess)
            HIDReportErrorNum("Could not dequeue device.", result);
    }
    return result;
}
