#pragma once
// The objects of the HID layer: the manager that lists matching devices, the
// devices with their properties and elements, and device input queues.
//
// HIDManager stands in for the platform's HID manager over a HIDTransport.
// It is created without options, given matching criteria (dictionaries of
// device properties: a device matches one when every key of it equals the
// device's property of that name; no criteria match every device), opened
// (which opens the transport and every matching device), and scheduled on
// the main event loop, after which its device-matching and device-removal
// callbacks are called for devices that arrive or are removed. copyDevices()
// answers the matching devices attached now (empty when there are none), or
// nullopt when the manager is not open. A device object stays the same while
// its device is attached; once removed it delivers no values.
//
// HIDDevice properties (QVariant): "VendorID", "ProductID", "LocationID",
// "PrimaryUsagePage", "PrimaryUsage", "DeviceUsagePage", "DeviceUsage"
// (numbers) and "Manufacturer", "Product" (strings, present only when the
// device gives them). Its input queue (the "DeviceQueueRef" of the
// platform) is null: nothing in the application creates queues.
//
// An element's current value is read from the device's latest input report;
// output and feature elements are written (the report that holds the element
// is sent with the element's field set and the other fields as last written).
#include "devices/HIDReportDescriptor.h"
#include "devices/HIDTransport.h"

#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class HIDDevice;
class HIDElement;
class HIDManager;
class HIDQueue;
using HIDDeviceRef = std::shared_ptr<HIDDevice>;
using HIDElementRef = std::shared_ptr<HIDElement>;
using HIDManagerRef = std::shared_ptr<HIDManager>;
using HIDQueueRef = std::shared_ptr<HIDQueue>;

// Platform return codes.
using HIDReturn = int32_t;
inline constexpr HIDReturn kHIDReturnSuccess = 0;
inline constexpr HIDReturn kHIDReturnError = int32_t(0xE00002BC);
inline constexpr HIDReturn kHIDReturnBadArgument = int32_t(0xE00002C2);

class HIDElement
{
public:
    HIDElement(const HIDElementInfo &info, const HIDDeviceRef &device) : m_info(info), m_device(device) {}

    const HIDElementInfo &info() const { return m_info; }
    HIDElementType type() const { return m_info.type; }
    uint32_t usagePage() const { return m_info.usagePage; }
    uint32_t usage() const { return m_info.usage; }
    uint32_t cookie() const { return m_info.cookie; }
    // The device the element belongs to; null once the device object is gone.
    HIDDeviceRef device() const { return m_device.lock(); }
    // Whether the element has every key of the dictionary: "UsagePage" and
    // "Usage", or "PrimaryUsagePage" and "PrimaryUsage" (for an element, its
    // own usage is its primary usage). Other keys never match.
    bool matches(const QVariantMap &matching) const;

private:
    HIDElementInfo m_info;
    std::weak_ptr<HIDDevice> m_device;
};

class HIDDevice : public std::enable_shared_from_this<HIDDevice>
{
public:
    static HIDDeviceRef create(const HIDDeviceDescription &description, std::shared_ptr<HIDTransport> transport);

    QString path() const { return m_path; }
    QVariant property(const QString &key) const { return m_properties.value(key); }
    const QVariantMap &properties() const { return m_properties; }
    bool matches(const QVariantMap &matching) const;

    // All elements, in descriptor order.
    const std::vector<HIDElementRef> &elements() const { return m_elements; }
    // The elements that match the dictionary (all for an empty one).
    std::vector<HIDElementRef> copyMatchingElements(const QVariantMap &matching) const;

    // The element's current value; nullopt when it was not delivered (the
    // device is gone, sent no report holding it, or it is not an input).
    std::optional<int64_t> getValue(const HIDElementRef &element) const;
    // Writes an output or feature element: false when the report could not
    // be sent (the device is gone, or the element is not of this device or
    // is not an output or feature element).
    bool setValue(const HIDElementRef &element, int64_t value);

    bool isAttached() const { return m_attached; }
    void markRemoved() { m_attached = false; }
    bool openTransport();

    HIDQueueRef queue() const { return m_queue; }
    void setQueue(HIDQueueRef queue) { m_queue = std::move(queue); }

private:
    HIDDevice() = default;

    QString m_path;
    QVariantMap m_properties;
    std::vector<HIDElementRef> m_elements;
    std::map<std::pair<HIDReportType, uint8_t>, QByteArray> m_written;
    HIDReportDescriptor m_descriptor;
    std::shared_ptr<HIDTransport> m_transport;
    bool m_attached = true;
    HIDQueueRef m_queue;
};

// A device's input queue: the elements it holds and whether it runs.
class HIDQueue
{
public:
    void addElement(const HIDElementRef &element) { m_elements.push_back(element); }
    bool containsElement(const HIDElementRef &element) const;
    void removeElement(const HIDElementRef &element);
    void start() { m_started = true; }
    void stop() { m_started = false; }
    bool isStarted() const { return m_started; }
    size_t count() const { return m_elements.size(); }

private:
    std::vector<HIDElementRef> m_elements;
    bool m_started = false;
};

// Device-matching and device-removal callbacks: context, result, sender,
// device.
using HIDDeviceCallback = void (*)(void *context, HIDReturn result, void *sender, HIDDeviceRef device);

class HIDManager
{
public:
    using TransportFactory = std::function<std::shared_ptr<HIDTransport>()>;

    // A new manager over a transport from the factory; null when no
    // transport can be had.
    static HIDManagerRef create();
    // The factory of the transport of managers created from now on (tests
    // install a fake; the default is the hidraw transport).
    static void setTransportFactory(TransportFactory factory);
    static void resetTransportFactory();

    ~HIDManager();
    HIDManager(const HIDManager &) = delete;
    HIDManager &operator=(const HIDManager &) = delete;

    // Criteria: a device matches when it matches any dictionary; nullopt
    // (or no call) matches every device.
    void setDeviceMatchingMultiple(const std::optional<std::vector<QVariantMap>> &criteria);
    bool open();
    bool isOpen() const { return m_open; }
    void close();
    std::optional<std::vector<HIDDeviceRef>> copyDevices() const;

    void scheduleWithRunLoop() { m_scheduled = true; }
    bool isScheduled() const { return m_scheduled; }
    void registerDeviceMatchingCallback(HIDDeviceCallback callback, void *context);
    void registerDeviceRemovalCallback(HIDDeviceCallback callback, void *context);

    std::shared_ptr<HIDTransport> transport() const { return m_transport; }

private:
    explicit HIDManager(std::shared_ptr<HIDTransport> transport);
    bool matches(const HIDDeviceRef &device) const;
    void deviceArrived(const HIDDeviceDescription &description);
    void deviceRemoved(const QString &path);

    std::shared_ptr<HIDTransport> m_transport;
    std::optional<std::vector<QVariantMap>> m_criteria;
    std::vector<HIDDeviceRef> m_devices; // attached, in order of arrival
    bool m_open = false;
    bool m_scheduled = false;
    HIDDeviceCallback m_matchingCallback = nullptr;
    void *m_matchingContext = nullptr;
    HIDDeviceCallback m_removalCallback = nullptr;
    void *m_removalContext = nullptr;
};
