#pragma once
// Typed getters of HID device properties.
//
// Each property is a number read as a 32-bit integer; a null device, a
// missing property or one that is not a number reads as 0. The vendor,
// product and location getters answer the number zero-extended to 64 bits,
// so location IDs order as unsigned 32-bit numbers.
#include "devices/HIDObjects.h"

#include <cstdint>

// Stores the numeric property under key in *outValue; leaves *outValue
// untouched for a null device, a missing property or one that is not a number.
void IOHIDDevice_GetLongProperty(const HIDDeviceRef &device, const QString &key, int32_t *outValue);

uint64_t IOHIDDevice_GetVendorID(const HIDDeviceRef &device);
uint64_t IOHIDDevice_GetProductID(const HIDDeviceRef &device);
uint64_t IOHIDDevice_GetLocationID(const HIDDeviceRef &device);
uint32_t IOHIDDevice_GetUsage(const HIDDeviceRef &device);
uint32_t IOHIDDevice_GetUsagePage(const HIDDeviceRef &device);
uint32_t IOHIDDevice_GetPrimaryUsage(const HIDDeviceRef &device);
uint32_t IOHIDDevice_GetPrimaryUsagePage(const HIDDeviceRef &device);

// The device's input queue ("DeviceQueueRef"), or null.
HIDQueueRef IOHIDDevice_GetQueue(const HIDDeviceRef &device);
