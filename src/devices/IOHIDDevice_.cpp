#include "devices/IOHIDDevice_.h"

#include "platform/VariantKinds.h"

namespace {

int32_t longProperty(const HIDDeviceRef &device, const char *key)
{
    int32_t value = 0;
    IOHIDDevice_GetLongProperty(device, QString::fromLatin1(key), &value);
    return value;
}

} // namespace

void IOHIDDevice_GetLongProperty(const HIDDeviceRef &device, const QString &key, int32_t *outValue)
{
    if (!device || !outValue)
        return;
    const QVariant value = device->property(key);
    if (isIntegerVariant(value))
        *outValue = int32_t(uint32_t(value.toULongLong()));
}

uint64_t IOHIDDevice_GetVendorID(const HIDDeviceRef &device) { return uint32_t(longProperty(device, "VendorID")); }
uint64_t IOHIDDevice_GetProductID(const HIDDeviceRef &device) { return uint32_t(longProperty(device, "ProductID")); }
uint64_t IOHIDDevice_GetLocationID(const HIDDeviceRef &device) { return uint32_t(longProperty(device, "LocationID")); }
uint32_t IOHIDDevice_GetUsage(const HIDDeviceRef &device) { return uint32_t(longProperty(device, "DeviceUsage")); }
uint32_t IOHIDDevice_GetUsagePage(const HIDDeviceRef &device)
{
    return uint32_t(longProperty(device, "DeviceUsagePage"));
}
uint32_t IOHIDDevice_GetPrimaryUsage(const HIDDeviceRef &device)
{
    return uint32_t(longProperty(device, "PrimaryUsage"));
}
uint32_t IOHIDDevice_GetPrimaryUsagePage(const HIDDeviceRef &device)
{
    return uint32_t(longProperty(device, "PrimaryUsagePage"));
}

HIDQueueRef IOHIDDevice_GetQueue(const HIDDeviceRef &device) { return device ? device->queue() : nullptr; }
