#include "devices/HidrawTransport.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <libudev.h>
#include <linux/hidraw.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr qint64 kMaxAttributeBytes = 65536;

std::optional<QByteArray> readAttribute(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.read(kMaxAttributeBytes);
}

std::optional<QString> readText(const QString &path)
{
    const auto bytes = readAttribute(path);
    if (!bytes)
        return std::nullopt;
    return QString::fromUtf8(*bytes).trimmed();
}

// The value of KEY=value in a uevent file.
QString ueventValue(const QString &ueventPath, const QString &key)
{
    const auto text = readText(ueventPath);
    if (!text)
        return QString();
    for (const QString &line : text->split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(key + QLatin1Char('=')))
            return trimmed.mid(key.size() + 1);
    }
    return QString();
}

// The USB device folder above a HID device's folder, if any: the first
// parent that has the "busnum" and "idVendor" attributes.
QString usbDeviceFolder(const QString &hidFolder)
{
    QDir dir(hidFolder);
    while (dir.cdUp() && dir.path() != QLatin1String("/")) {
        if (QFileInfo::exists(dir.filePath(QStringLiteral("busnum"))) &&
            QFileInfo::exists(dir.filePath(QStringLiteral("idVendor"))))
            return dir.path();
        if (dir.dirName() == QLatin1String("devices"))
            break;
    }
    return QString();
}

} // namespace

struct HidrawTransport::Node {
    HIDDeviceDescription description;
    HIDReportDescriptor descriptor;
    int fd = -1;
    bool refused = false; // the node could not be opened (reported once)
    std::unique_ptr<QSocketNotifier> notifier;
    std::map<uint8_t, QByteArray> reports;
};

HidrawTransport::HidrawTransport() : HidrawTransport(Options()) {}

HidrawTransport::HidrawTransport(Options options) : m_options(std::move(options)) {}

HidrawTransport::~HidrawTransport() { close(); }

std::optional<HIDDeviceDescription> HidrawTransport::describe(const QString &syspath, const QString &devnode)
{
    const QString hidFolder = QFileInfo(syspath + QStringLiteral("/device")).canonicalFilePath();
    if (hidFolder.isEmpty())
        return std::nullopt;
    return describeHIDDevice(hidFolder, devnode);
}

HIDDeviceDescription HidrawTransport::describeHIDDevice(const QString &hidFolder, const QString &devnode)
{
    HIDDeviceDescription d;
    d.path = devnode;
    // HID_ID is bus:vendor:product in hexadecimal ("0003:00000B67:0000555E").
    const QStringList id = ueventValue(hidFolder + QStringLiteral("/uevent"), QStringLiteral("HID_ID")).split(':');
    if (id.size() == 3) {
        d.vendorID = id[1].toUInt(nullptr, 16);
        d.productID = id[2].toUInt(nullptr, 16);
    }
    d.reportDescriptor = readAttribute(hidFolder + QStringLiteral("/report_descriptor")).value_or(QByteArray());
    const QString usb = usbDeviceFolder(hidFolder);
    if (!usb.isEmpty()) {
        d.locationID = locationIDForUSBName(QDir(usb).dirName());
        d.manufacturer = readText(usb + QStringLiteral("/manufacturer"));
        d.product = readText(usb + QStringLiteral("/product"));
    }
    return d;
}

std::optional<HIDDeviceDescription> HidrawTransport::describe(udev_device *device, const QString &devnode)
{
    udev_device *hid = udev_device_get_parent_with_subsystem_devtype(device, "hid", nullptr);
    if (!hid)
        return std::nullopt;
    return describeHIDDevice(QString::fromUtf8(udev_device_get_syspath(hid)), devnode);
}

uint32_t HidrawTransport::locationIDForUSBName(const QString &name)
{
    const QStringList busAndPorts = name.split(QLatin1Char('-'));
    if (busAndPorts.size() != 2)
        return 0;
    bool ok = false;
    const uint32_t bus = busAndPorts[0].toUInt(&ok);
    if (!ok || bus > 0xFF)
        return 0;
    uint32_t location = bus << 24;
    int shift = 20;
    for (const QString &port : busAndPorts[1].split(QLatin1Char('.'))) {
        const uint32_t number = port.toUInt(&ok);
        if (!ok || shift < 0)
            return 0;
        location |= std::min<uint32_t>(number, 0xF) << shift;
        shift -= 4;
    }
    return location;
}

QString HidrawTransport::nodePath(const QString &name) const
{
    const QString root = m_options.deviceRoot.isEmpty() ? QStringLiteral("/dev") : m_options.deviceRoot;
    return root + QLatin1Char('/') + name;
}

bool HidrawTransport::open()
{
    if (m_open)
        return true;
    if (m_options.useUdev) {
        m_udev = udev_new();
        if (!m_udev)
            return false;
        m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
        if (m_monitor && udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "hidraw", nullptr) >= 0 &&
            udev_monitor_enable_receiving(m_monitor) >= 0) {
            m_monitorNotifier =
                std::make_unique<QSocketNotifier>(udev_monitor_get_fd(m_monitor), QSocketNotifier::Read);
            QObject::connect(m_monitorNotifier.get(), &QSocketNotifier::activated, [this] { monitorEvent(); });
        } else {
            qWarning().noquote() << QStringLiteral(
                "HID devices: plugging in and out is not watched (no udev monitor).");
            if (m_monitor)
                udev_monitor_unref(m_monitor);
            m_monitor = nullptr;
        }
    }
    m_open = true;
    return true;
}

void HidrawTransport::close()
{
    for (auto &entry : m_nodes)
        closeNode(*entry.second);
    m_nodes.clear();
    m_monitorNotifier.reset();
    if (m_monitor)
        udev_monitor_unref(m_monitor);
    m_monitor = nullptr;
    if (m_udev)
        udev_unref(m_udev);
    m_udev = nullptr;
    m_open = false;
}

std::vector<HIDDeviceDescription> HidrawTransport::devices()
{
    std::vector<HIDDeviceDescription> found;
    if (!m_open)
        return found;
    if (m_udev) {
        udev_enumerate *enumerate = udev_enumerate_new(m_udev);
        if (!enumerate)
            return found;
        udev_enumerate_add_match_subsystem(enumerate, "hidraw");
        udev_enumerate_scan_devices(enumerate);
        udev_list_entry *entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate))
        {
            udev_device *device = udev_device_new_from_syspath(m_udev, udev_list_entry_get_name(entry));
            if (!device)
                continue;
            const char *devnode = udev_device_get_devnode(device);
            const QString sysname = QString::fromUtf8(udev_device_get_sysname(device));
            const QString node =
                m_options.deviceRoot.isEmpty() && devnode ? QString::fromUtf8(devnode) : nodePath(sysname);
            if (auto d = describe(device, node))
                found.push_back(*d);
            udev_device_unref(device);
        }
        udev_enumerate_unref(enumerate);
    } else {
        const QDir classFolder(m_options.sysfsRoot + QStringLiteral("/class/hidraw"));
        const QStringList names = classFolder.entryList(QDir::Dirs | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString &name : names)
            if (auto d = describe(classFolder.filePath(name), nodePath(name)))
                found.push_back(*d);
    }
    // Keep the open nodes of devices still there; forget the others.
    std::map<QString, std::unique_ptr<Node>> nodes;
    for (const HIDDeviceDescription &d : found) {
        auto it = m_nodes.find(d.path);
        if (it != m_nodes.end() && it->second->description.reportDescriptor == d.reportDescriptor) {
            nodes.emplace(d.path, std::move(it->second));
            m_nodes.erase(it);
            continue;
        }
        auto node = std::make_unique<Node>();
        node->description = d;
        node->descriptor = parseHIDReportDescriptor(d.reportDescriptor).value_or(HIDReportDescriptor());
        nodes.emplace(d.path, std::move(node));
    }
    for (auto &entry : m_nodes)
        closeNode(*entry.second);
    m_nodes = std::move(nodes);
    return found;
}

bool HidrawTransport::openDevice(const QString &path)
{
    const auto it = m_nodes.find(path);
    if (it == m_nodes.end())
        return false;
    Node &node = *it->second;
    if (node.fd >= 0)
        return true;
    const QByteArray file = QFile::encodeName(path);
    int fd = ::open(file.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && errno == EACCES)
        fd = ::open(file.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); // read the weight, cannot zero
    if (fd < 0) {
        if (!node.refused)
            qWarning().noquote() << QStringLiteral("HID device %1 cannot be opened: %2.")
                                        .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        node.refused = true;
        return false;
    }
    node.fd = fd;
    node.refused = false;
    node.notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    Node *reader = &node;
    QObject::connect(node.notifier.get(), &QSocketNotifier::activated, [this, reader] { readReports(*reader); });
    return true;
}

void HidrawTransport::readReports(Node &node)
{
    QByteArray &buffer = m_readBuffer;
    buffer.resize(qsizetype(kHIDMaxReportBytes + 1));
    const bool numbered = node.descriptor.usesReportIDs;
    while (node.fd >= 0) {
        const ssize_t n = ::read(node.fd, buffer.data(), size_t(buffer.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (n <= 0) { // the device is gone
            closeNode(node);
            return;
        }
        if (numbered)
            node.reports[uint8_t(buffer[0])] = buffer.mid(1, n - 1);
        else
            node.reports[0] = buffer.left(n);
    }
}

void HidrawTransport::closeNode(Node &node)
{
    if (node.notifier) {
        node.notifier->setEnabled(false);
        node.notifier.release()->deleteLater(); // it may be delivering this very read
    }
    if (node.fd >= 0)
        ::close(node.fd);
    node.fd = -1;
    node.reports.clear();
}

std::optional<QByteArray> HidrawTransport::inputReport(const QString &path, uint8_t reportID)
{
    const auto it = m_nodes.find(path);
    if (it == m_nodes.end() || it->second->fd < 0)
        return std::nullopt;
    Node &node = *it->second;
    readReports(node);
    if (node.fd < 0)
        return std::nullopt;
    if (const auto report = node.reports.find(reportID); report != node.reports.end())
        return report->second;
    // Nothing sent yet: ask the device for the report.
    const uint64_t length = node.descriptor.reportBytes(HIDReportType::Input, reportID);
    if (length == 0)
        return std::nullopt;
    QByteArray buffer(qsizetype(length + 1), '\0');
    buffer[0] = char(reportID);
    const int n = ::ioctl(node.fd, HIDIOCGINPUT(buffer.size()), buffer.data());
    if (n <= 0)
        return std::nullopt;
    node.reports[reportID] = buffer.mid(1, n - 1);
    return node.reports[reportID];
}

bool HidrawTransport::sendReport(const QString &path, HIDReportType type, uint8_t reportID, const QByteArray &data)
{
    const auto it = m_nodes.find(path);
    if (it == m_nodes.end() || it->second->fd < 0 || type == HIDReportType::Input)
        return false;
    QByteArray buffer = QByteArray(1, char(reportID)) + data;
    if (type == HIDReportType::Feature)
        return ::ioctl(it->second->fd, HIDIOCSFEATURE(buffer.size()), buffer.data()) >= 0;
    return ::write(it->second->fd, buffer.constData(), size_t(buffer.size())) == ssize_t(buffer.size());
}

void HidrawTransport::monitorEvent()
{
    udev_device *device = udev_monitor_receive_device(m_monitor);
    if (!device)
        return;
    const QString action = QString::fromUtf8(udev_device_get_action(device));
    const char *devnode = udev_device_get_devnode(device);
    const QString sysname = QString::fromUtf8(udev_device_get_sysname(device));
    const QString node = m_options.deviceRoot.isEmpty() && devnode ? QString::fromUtf8(devnode) : nodePath(sysname);
    const std::optional<HIDDeviceDescription> d =
        action == QLatin1String("add") ? describe(device, node) : std::nullopt;
    udev_device_unref(device);

    if (action == QLatin1String("add")) {
        if (!d)
            return;
        if (const auto old = m_nodes.find(node); old != m_nodes.end()) {
            const HIDDeviceDescription &known = old->second->description;
            if (known.vendorID == d->vendorID && known.productID == d->productID && known.locationID == d->locationID &&
                known.reportDescriptor == d->reportDescriptor)
                return; // the same device announced again
            closeNode(*old->second);
        }
        auto entry = std::make_unique<Node>();
        entry->description = *d;
        entry->descriptor = parseHIDReportDescriptor(d->reportDescriptor).value_or(HIDReportDescriptor());
        m_nodes[node] = std::move(entry);
        deviceArrived(*d);
    } else if (action == QLatin1String("remove")) {
        const auto it = m_nodes.find(node);
        if (it == m_nodes.end())
            return;
        closeNode(*it->second);
        m_nodes.erase(it);
        deviceRemoved(node);
    }
}

std::shared_ptr<HIDTransport> makeDefaultHIDTransport() { return std::make_shared<HidrawTransport>(); }
