#include "devices/HID_Utilities.h"

#include "devices/IOHIDDevice_.h"

#include <QDebug>

#include <algorithm>
#include <cstdio>

HIDManagerRef gIOHIDManagerRef;
std::optional<std::vector<HIDDeviceRef>> gDeviceCFArrayRef;
const std::vector<HIDElementRef> *gElementCFArrayRef = nullptr;
int64_t gDeviceIndex = -1;

namespace {

uint64_t rebuildCount = 0;

const char *const kBuildFunction = "Boolean HIDBuildMultiDeviceList(const UInt32 *, const UInt32 *, int)";

void printFailure(const char *function, const char *message)
{
    qWarning().noquote() << QStringLiteral("%1: %2").arg(QString::fromLatin1(function), QString::fromUtf8(message));
}

// Holds the device's elements in gElementCFArrayRef for one walk and clears
// it again when the walk ends.
class ElementWalk
{
public:
    explicit ElementWalk(const HIDDeviceRef &device) { gElementCFArrayRef = &device->elements(); }
    ~ElementWalk() { gElementCFArrayRef = nullptr; }
    ElementWalk(const ElementWalk &) = delete;
    ElementWalk &operator=(const ElementWalk &) = delete;

    // The first element from index on whose type is in the mask.
    static HIDElementRef firstFrom(size_t index, uint32_t typeMask)
    {
        const auto &elements = *gElementCFArrayRef;
        for (size_t i = index; i < elements.size(); ++i)
            if (HIDElementTypeMaskBit(elements[i]->type()) & typeMask)
                return elements[i];
        return nullptr;
    }

    // The index of the element in the walk: where its cookie puts it, else
    // wherever it is; nullopt when it is not there.
    static std::optional<size_t> indexOf(const HIDElementRef &element)
    {
        const auto &elements = *gElementCFArrayRef;
        const size_t byCookie = size_t(element->cookie()) - 1;
        if (byCookie < elements.size() && elements[byCookie] == element)
            return byCookie;
        const auto it = std::find(elements.begin(), elements.end(), element);
        if (it == elements.end())
            return std::nullopt;
        return size_t(it - elements.begin());
    }
};

} // namespace

uint32_t HIDElementTypeMaskBit(HIDElementType type)
{
    switch (type) {
    case HIDElementType::InputMisc:
    case HIDElementType::InputButton:
    case HIDElementType::InputAxis:
    case HIDElementType::InputScanCodes:
        return kHIDElementTypeMaskInput;
    case HIDElementType::Output:
        return kHIDElementTypeMaskOutput;
    case HIDElementType::Feature:
        return kHIDElementTypeMaskFeature;
    case HIDElementType::Collection:
        return kHIDElementTypeMaskCollection;
    }
    return 0;
}

QVariantMap hu_SetUpMatchingDictionary(uint32_t usagePage, uint32_t usage)
{
    QVariantMap matching;
    if (usagePage) {
        matching.insert(QStringLiteral("PrimaryUsagePage"), int(usagePage));
        if (usage)
            matching.insert(QStringLiteral("PrimaryUsage"), int(usage));
    }
    return matching;
}

bool HIDBuildMultiDeviceList(const uint32_t *usagePages, const uint32_t *usages, int count)
{
    const bool existed = bool(gIOHIDManagerRef);
    if (!existed) {
        gIOHIDManagerRef = HIDManager::create();
        if (!gIOHIDManagerRef) {
            printFailure(kBuildFunction, "Couldn’t create a IOHIDManager.");
            return false;
        }
    }
    if (usagePages && usages && count > 0) {
        std::vector<QVariantMap> criteria;
        for (int i = 0; i < count; ++i)
            criteria.push_back(hu_SetUpMatchingDictionary(usagePages[i], usages[i]));
        gIOHIDManagerRef->setDeviceMatchingMultiple(criteria);
    } else {
        gIOHIDManagerRef->setDeviceMatchingMultiple(std::nullopt);
    }
    if (existed || gIOHIDManagerRef->open()) {
        HIDRebuildDevices();
        return true;
    }
    printFailure(kBuildFunction, "Couldn’t open IOHIDManager.");
    return false;
}

bool HIDUpdateDeviceList(const uint32_t *usagePages, const uint32_t *usages, int count)
{
    return HIDBuildMultiDeviceList(usagePages, usages, count);
}

void HIDRebuildDevices()
{
    if (!gIOHIDManagerRef)
        return;
    ++rebuildCount;
    const auto set = gIOHIDManagerRef->copyDevices();
    if (!set)
        return;
    std::vector<HIDDeviceRef> list;
    for (const HIDDeviceRef &device : *set)
        CFSetApplierFunctionCopyToCFArray(device, &list);
    std::stable_sort(list.begin(), list.end(), [](const HIDDeviceRef &a, const HIDDeviceRef &b) {
        return CFDeviceArrayComparatorFunction(a, b) < 0;
    });
    gDeviceCFArrayRef = std::move(list);
}

uint64_t HIDRebuildCount() { return rebuildCount; }

bool HIDHaveDeviceList() { return gDeviceCFArrayRef.has_value(); }

uint32_t HIDCountDevices() { return gDeviceCFArrayRef ? uint32_t(gDeviceCFArrayRef->size()) : 0; }

HIDDeviceRef HIDGetFirstDevice()
{
    gDeviceIndex = 0;
    if (!gDeviceCFArrayRef || gDeviceCFArrayRef->empty())
        return nullptr;
    return gDeviceCFArrayRef->front();
}

HIDDeviceRef HIDGetNextDevice(const HIDDeviceRef &device)
{
    if (!gDeviceCFArrayRef || !device)
        return nullptr;
    const auto &list = *gDeviceCFArrayRef;
    const auto count = int64_t(list.size());
    if (gDeviceIndex >= 0 && gDeviceIndex < count && list[size_t(gDeviceIndex)] == device) {
        ++gDeviceIndex;
    } else {
        const auto it = std::find(list.begin(), list.end(), device);
        gDeviceIndex = it == list.end() ? -1 : int64_t(it - list.begin()) + 1;
    }
    if (gDeviceIndex < 0 || gDeviceIndex >= count)
        return nullptr;
    return list[size_t(gDeviceIndex)];
}

HIDElementRef HIDGetFirstDeviceElement(const HIDDeviceRef &device, uint32_t typeMask)
{
    if (!device)
        return nullptr;
    ElementWalk walk(device);
    return ElementWalk::firstFrom(0, typeMask);
}

HIDElementRef HIDGetNextDeviceElement(const HIDElementRef &element, uint32_t typeMask)
{
    if (!element)
        return nullptr;
    const HIDDeviceRef device = element->device();
    if (!device)
        return nullptr;
    ElementWalk walk(device);
    const auto index = ElementWalk::indexOf(element);
    if (!index)
        return nullptr;
    return ElementWalk::firstFrom(*index + 1, typeMask);
}

bool HIDFindDeviceAndElement(const HIDSearchCriteria *criteria, HIDDeviceRef *outDevice, HIDElementRef *outElement)
{
    if (!criteria || !gDeviceCFArrayRef)
        return false;
    const HIDSearchCriteria &c = *criteria;
    uint32_t bestScore = 0;
    HIDDeviceRef bestDevice;
    HIDElementRef bestElement;
    for (const HIDDeviceRef &device : *gDeviceCFArrayRef) {
        uint32_t deviceScore = 1;
        if (c.vendorID) {
            const uint64_t vendor = IOHIDDevice_GetVendorID(device);
            if (vendor && vendor == c.vendorID) {
                deviceScore = 11;
                const uint64_t product = IOHIDDevice_GetProductID(device);
                if (c.productID && product && product == c.productID)
                    deviceScore = 19;
            }
        }
        if (c.usagePage && c.usage) {
            uint32_t page = IOHIDDevice_GetUsagePage(device);
            uint32_t usage = IOHIDDevice_GetUsage(device);
            if (!page || !usage) {
                page = IOHIDDevice_GetPrimaryUsagePage(device);
                usage = IOHIDDevice_GetPrimaryUsage(device);
            }
            if (page && usage && page == c.usagePage && usage == c.usage)
                deviceScore += 9;
        }
        if (c.locID) {
            const uint64_t location = IOHIDDevice_GetLocationID(device);
            if (location && location == c.locID)
                deviceScore += 5;
        }
        const bool namesElement = c.elementUsagePage && c.elementUsage;
        for (const HIDElementRef &element : device->elements()) {
            uint32_t score = deviceScore;
            if (namesElement) {
                if (element->usagePage() != c.elementUsagePage || element->usage() != c.elementUsage)
                    continue;
                score = deviceScore + 5 + (element->cookie() == c.elementCookie ? 4 : 0);
            }
            if (score > bestScore) {
                bestScore = score;
                bestDevice = device;
                bestElement = element;
            }
        }
    }
    if (bestScore == 0)
        return false;
    if (outDevice)
        *outDevice = bestDevice;
    if (outElement)
        *outElement = bestElement;
    return true;
}

void HIDReportError(const char *message) { (void)message; }

void HIDReportErrorNum(const char *message, int number)
{
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, "%s #%d (0x%x)", message ? message : "", number, unsigned(number));
    (void)buffer;
}

void CFSetApplierFunctionCopyToCFArray(const HIDDeviceRef &value, std::vector<HIDDeviceRef> *array)
{
    if (array)
        array->push_back(value);
}

int CFDeviceArrayComparatorFunction(const HIDDeviceRef &a, const HIDDeviceRef &b)
{
    const uint64_t locationA = IOHIDDevice_GetLocationID(a);
    const uint64_t locationB = IOHIDDevice_GetLocationID(b);
    return locationA < locationB ? -1 : (locationA > locationB ? 1 : 0);
}

void HIDResetModuleState()
{
    if (gIOHIDManagerRef)
        gIOHIDManagerRef->close();
    gIOHIDManagerRef.reset();
    gDeviceCFArrayRef.reset();
    gElementCFArrayRef = nullptr;
    gDeviceIndex = -1;
    rebuildCount = 0;
}
