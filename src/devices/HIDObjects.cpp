#include "devices/HIDObjects.h"

#include "platform/VariantKinds.h"

#include <QDebug>

#include <algorithm>

namespace {

// Two property values are equal when both are numbers of the same value, or
// otherwise equal values.
bool sameValue(const QVariant &a, const QVariant &b)
{
    if (isIntegerVariant(a) && isIntegerVariant(b))
        return a.toLongLong() == b.toLongLong();
    return a == b;
}

HIDManager::TransportFactory &transportFactory()
{
    static HIDManager::TransportFactory factory = makeDefaultHIDTransport;
    return factory;
}

} // namespace

bool HIDElement::matches(const QVariantMap &matching) const
{
    for (auto it = matching.cbegin(); it != matching.cend(); ++it) {
        qint64 own = 0;
        if (it.key() == QLatin1String("UsagePage") || it.key() == QLatin1String("PrimaryUsagePage"))
            own = m_info.usagePage;
        else if (it.key() == QLatin1String("Usage") || it.key() == QLatin1String("PrimaryUsage"))
            own = m_info.usage;
        else
            return false;
        if (!sameValue(QVariant(own), it.value()))
            return false;
    }
    return true;
}

HIDDeviceRef HIDDevice::create(const HIDDeviceDescription &description, std::shared_ptr<HIDTransport> transport)
{
    HIDDeviceRef device(new HIDDevice);
    device->m_path = description.path;
    device->m_transport = std::move(transport);
    QString error;
    if (auto parsed = parseHIDReportDescriptor(description.reportDescriptor, &error))
        device->m_descriptor = std::move(*parsed);
    else
        qWarning().noquote()
            << QStringLiteral("HID device %1: report descriptor not read (%2).").arg(description.path, error);
    const HIDReportDescriptor &descriptor = device->m_descriptor;
    QVariantMap &p = device->m_properties;
    p.insert(QStringLiteral("VendorID"), qint64(description.vendorID));
    p.insert(QStringLiteral("ProductID"), qint64(description.productID));
    p.insert(QStringLiteral("LocationID"), qint64(description.locationID));
    p.insert(QStringLiteral("PrimaryUsagePage"), qint64(descriptor.primaryUsagePage));
    p.insert(QStringLiteral("PrimaryUsage"), qint64(descriptor.primaryUsage));
    p.insert(QStringLiteral("DeviceUsagePage"), qint64(descriptor.primaryUsagePage));
    p.insert(QStringLiteral("DeviceUsage"), qint64(descriptor.primaryUsage));
    if (description.manufacturer)
        p.insert(QStringLiteral("Manufacturer"), *description.manufacturer);
    if (description.product)
        p.insert(QStringLiteral("Product"), *description.product);
    device->m_elements.reserve(descriptor.elements.size());
    for (const HIDElementInfo &info : descriptor.elements)
        device->m_elements.push_back(std::make_shared<HIDElement>(info, device));
    return device;
}

bool HIDDevice::matches(const QVariantMap &matching) const
{
    for (auto it = matching.cbegin(); it != matching.cend(); ++it)
        if (!m_properties.contains(it.key()) || !sameValue(m_properties.value(it.key()), it.value()))
            return false;
    return true;
}

std::vector<HIDElementRef> HIDDevice::copyMatchingElements(const QVariantMap &matching) const
{
    std::vector<HIDElementRef> result;
    std::copy_if(m_elements.begin(), m_elements.end(), std::back_inserter(result),
                 [&](const HIDElementRef &element) { return element->matches(matching); });
    return result;
}

std::optional<int64_t> HIDDevice::getValue(const HIDElementRef &element) const
{
    if (!element || element->device().get() != this || !m_attached || !m_transport || !element->info().isInput())
        return std::nullopt;
    const auto report = m_transport->inputReport(m_path, element->info().reportID);
    if (!report)
        return std::nullopt;
    return hidElementValue(element->info(), *report);
}

bool HIDDevice::setValue(const HIDElementRef &element, int64_t value)
{
    if (!element || element->device().get() != this || !m_attached || !m_transport)
        return false;
    const HIDElementInfo &info = element->info();
    const auto type = info.reportType();
    if (!type || *type == HIDReportType::Input)
        return false;
    const auto key = std::make_pair(*type, info.reportID);
    auto it = m_written.find(key);
    if (it == m_written.end())
        it = m_written.emplace(key, QByteArray(qsizetype(m_descriptor.reportBytes(*type, info.reportID)), '\0')).first;
    QByteArray &report = it->second;
    const int64_t field = info.isArray ? (value ? info.arrayValue : 0) : value;
    if (!hidInsertField(report, info.bitPosition, info.bitSize, field))
        return false;
    return m_transport->sendReport(m_path, *type, info.reportID, report);
}

bool HIDDevice::openTransport() { return m_attached && m_transport && m_transport->openDevice(m_path); }

bool HIDQueue::containsElement(const HIDElementRef &element) const
{
    return std::find(m_elements.begin(), m_elements.end(), element) != m_elements.end();
}

void HIDQueue::removeElement(const HIDElementRef &element)
{
    m_elements.erase(std::remove(m_elements.begin(), m_elements.end(), element), m_elements.end());
}

HIDManagerRef HIDManager::create()
{
    auto transport = transportFactory() ? transportFactory()() : nullptr;
    if (!transport)
        return nullptr;
    return HIDManagerRef(new HIDManager(std::move(transport)));
}

void HIDManager::setTransportFactory(TransportFactory factory) { transportFactory() = std::move(factory); }

void HIDManager::resetTransportFactory() { transportFactory() = makeDefaultHIDTransport; }

HIDManager::HIDManager(std::shared_ptr<HIDTransport> transport) : m_transport(std::move(transport)) {}

HIDManager::~HIDManager() { close(); }

void HIDManager::setDeviceMatchingMultiple(const std::optional<std::vector<QVariantMap>> &criteria)
{
    m_criteria = criteria;
    if (!m_open)
        return;
    for (const HIDDeviceRef &device : m_devices)
        if (matches(device))
            device->openTransport();
}

bool HIDManager::open()
{
    if (m_open)
        return true;
    if (!m_transport->open())
        return false;
    m_open = true;
    m_transport->setArrivalHandler([this](const HIDDeviceDescription &d) { deviceArrived(d); });
    m_transport->setRemovalHandler([this](const QString &path) { deviceRemoved(path); });
    m_devices.clear();
    for (const HIDDeviceDescription &description : m_transport->devices()) {
        m_devices.push_back(HIDDevice::create(description, m_transport));
        if (matches(m_devices.back()))
            m_devices.back()->openTransport();
    }
    return true;
}

void HIDManager::close()
{
    if (!m_open)
        return;
    m_open = false;
    m_scheduled = false;
    m_transport->setArrivalHandler(nullptr);
    m_transport->setRemovalHandler(nullptr);
    m_transport->close();
    for (const HIDDeviceRef &device : m_devices)
        device->markRemoved();
    m_devices.clear();
}

std::optional<std::vector<HIDDeviceRef>> HIDManager::copyDevices() const
{
    if (!m_open)
        return std::nullopt;
    std::vector<HIDDeviceRef> result;
    std::copy_if(m_devices.begin(), m_devices.end(), std::back_inserter(result),
                 [this](const HIDDeviceRef &device) { return matches(device); });
    return result;
}

void HIDManager::registerDeviceMatchingCallback(HIDDeviceCallback callback, void *context)
{
    m_matchingCallback = callback;
    m_matchingContext = context;
}

void HIDManager::registerDeviceRemovalCallback(HIDDeviceCallback callback, void *context)
{
    m_removalCallback = callback;
    m_removalContext = context;
}

bool HIDManager::matches(const HIDDeviceRef &device) const
{
    if (!m_criteria)
        return true;
    return std::any_of(m_criteria->begin(), m_criteria->end(),
                       [&](const QVariantMap &matching) { return device->matches(matching); });
}

void HIDManager::deviceArrived(const HIDDeviceDescription &description)
{
    deviceRemoved(description.path); // a node that a new device took over: the old one is gone
    HIDDeviceRef device = HIDDevice::create(description, m_transport);
    m_devices.push_back(device);
    if (!matches(device))
        return;
    device->openTransport();
    if (m_scheduled && m_matchingCallback)
        m_matchingCallback(m_matchingContext, kHIDReturnSuccess, this, device);
}

void HIDManager::deviceRemoved(const QString &path)
{
    const auto it = std::find_if(m_devices.begin(), m_devices.end(),
                                 [&](const HIDDeviceRef &device) { return device->path() == path; });
    if (it == m_devices.end())
        return;
    HIDDeviceRef device = *it;
    m_devices.erase(it);
    device->markRemoved();
    if (matches(device) && m_scheduled && m_removalCallback)
        m_removalCallback(m_removalContext, kHIDReturnSuccess, this, device);
}
