#pragma once
// The HID utility layer: the one HID manager of the process, the list of
// matching devices sorted by location ID, walks over devices and elements,
// and a scored search for a device and element by usage.
//
// Module state (one of each per process; main thread only, not locked):
// the manager gIOHIDManagerRef, created by the first build and never
// replaced; the device list gDeviceCFArrayRef (nullopt until the first
// successful build, replaced as a whole by every rebuild); the element array
// gElementCFArrayRef of one walk (the walked device's elements, which never
// change, and null outside a call); and the device
// walk's cursor gDeviceIndex (-1 when not positioned).
//
// Failures of the manager print a line to standard error and answer false;
// walks and searches answer null or false. Device queues are released by
// the functions of HID_Queue_Utilities.h.
#include "devices/HIDObjects.h"

#include <cstdint>
#include <optional>
#include <vector>

extern HIDManagerRef gIOHIDManagerRef;
extern std::optional<std::vector<HIDDeviceRef>> gDeviceCFArrayRef;
extern const std::vector<HIDElementRef> *gElementCFArrayRef;
extern int64_t gDeviceIndex;

// Element type masks of the walks.
inline constexpr uint32_t kHIDElementTypeMaskInput = 0x02;      // types 1 to 4
inline constexpr uint32_t kHIDElementTypeMaskOutput = 0x04;     // type 129
inline constexpr uint32_t kHIDElementTypeMaskFeature = 0x08;    // type 257
inline constexpr uint32_t kHIDElementTypeMaskCollection = 0x10; // type 513
inline constexpr uint32_t kHIDElementTypeMaskIO = 0x0E;
inline constexpr uint32_t kHIDElementTypeMaskAll = 0x1E;

// The mask bit of an element type (0 for a type no mask holds).
uint32_t HIDElementTypeMaskBit(HIDElementType type);

// Criteria of HIDFindDeviceAndElement; 0 means "any" for all fields but the
// cookie, which only raises the score of an element with that cookie.
struct HIDSearchCriteria {
    uint32_t vendorID = 0;
    uint32_t productID = 0;
    uint32_t locID = 0;
    uint32_t usage = 0;     // device usage
    uint32_t usagePage = 0; // device usage page
    uint32_t elementUsagePage = 0;
    uint32_t elementUsage = 0;
    uint32_t elementCookie = 0;
};

// {"PrimaryUsagePage": usagePage} when usagePage is not 0, with
// "PrimaryUsage": usage too when usage is not 0 as well.
QVariantMap hu_SetUpMatchingDictionary(uint32_t usagePage, uint32_t usage);

// Creates and opens the manager when needed, sets its matching criteria (one
// dictionary per index; none without arrays or with a count of 0) and
// rebuilds the device list.
bool HIDBuildMultiDeviceList(const uint32_t *usagePages, const uint32_t *usages, int count);
bool HIDUpdateDeviceList(const uint32_t *usagePages, const uint32_t *usages, int count);
// Replaces the list with the manager's current devices, sorted by location
// ID; keeps it when the manager gives no devices (none, or not open).
void HIDRebuildDevices();
// How many rebuilds have asked the manager for its devices (the first build
// included) since the module state was last reset.
uint64_t HIDRebuildCount();
bool HIDHaveDeviceList();
uint32_t HIDCountDevices();

HIDDeviceRef HIDGetFirstDevice();
HIDDeviceRef HIDGetNextDevice(const HIDDeviceRef &device);
HIDElementRef HIDGetFirstDeviceElement(const HIDDeviceRef &device, uint32_t typeMask);
HIDElementRef HIDGetNextDeviceElement(const HIDElementRef &element, uint32_t typeMask);

// The best-scoring device and element; false, leaving the outputs as they
// were, when nothing scores above 0. Either output may be null.
bool HIDFindDeviceAndElement(const HIDSearchCriteria *criteria, HIDDeviceRef *outDevice, HIDElementRef *outElement);

// Error hooks: they show nothing.
void HIDReportError(const char *message);
void HIDReportErrorNum(const char *message, int number);

// Used by the rebuild: append one member of the device set; order two
// devices by location ID (-1, 0, 1).
void CFSetApplierFunctionCopyToCFArray(const HIDDeviceRef &value, std::vector<HIDDeviceRef> *array);
int CFDeviceArrayComparatorFunction(const HIDDeviceRef &a, const HIDDeviceRef &b);

// Closes and forgets the manager and empties the module state (the process
// starts afresh; for tests).
void HIDResetModuleState();
