#pragma once
// The HID transport of Linux: hidraw device nodes, described by sysfs and
// listed and watched through libudev.
//
// Each device of the "hidraw" subsystem is described from sysfs: the vendor
// and product IDs from the parent HID device's "HID_ID" (bus:vendor:product),
// the report descriptor from its "report_descriptor" attribute, and, when the
// HID device sits on USB, the "manufacturer" and "product" strings of the USB
// device and a location ID made from its bus number and port path (bus in the
// high byte, then one hex digit per port: "1-1.2" is 0x01120000). A device
// not on USB has location 0 and no strings.
//
// An opened device node is read through a QSocketNotifier on the main event
// loop (one report per read, led by its report ID when the descriptor uses
// IDs); pending reports are also taken in when a report is asked for, and a
// report not yet sent is asked of the device (HIDIOCGINPUT). Output reports
// are written to the node, feature reports sent with HIDIOCSFEATURE. Arrival
// and removal come from a udev monitor of the "hidraw" subsystem.
//
// Device nodes are root-only unless a udev rule opens them to the user (the
// application ships one for scale nodes, see resources/udev); a node that
// cannot be opened is reported once on standard error and delivers nothing.
//
// For tests the sysfs root and the folder of the device nodes can be moved
// and libudev left out: the devices are then those under
// "<sysfsRoot>/class/hidraw" and nothing is watched.
#include "devices/HIDTransport.h"

#include <QString>

#include <map>
#include <memory>

class QSocketNotifier;
struct udev;
struct udev_device;
struct udev_monitor;

class HidrawTransport : public HIDTransport
{
public:
    struct Options {
        QString sysfsRoot = QStringLiteral("/sys");
        // Folder of the device nodes; empty: the nodes udev names, or "/dev".
        QString deviceRoot;
        bool useUdev = true;
    };

    HidrawTransport();
    explicit HidrawTransport(Options options);
    ~HidrawTransport() override;
    HidrawTransport(const HidrawTransport &) = delete;
    HidrawTransport &operator=(const HidrawTransport &) = delete;

    bool open() override;
    void close() override;
    std::vector<HIDDeviceDescription> devices() override;
    bool openDevice(const QString &path) override;
    std::optional<QByteArray> inputReport(const QString &path, uint8_t reportID) override;
    bool sendReport(const QString &path, HIDReportType type, uint8_t reportID, const QByteArray &data) override;

    // The description of the hidraw device whose sysfs folder is syspath and
    // whose node is devnode; nullopt when it has no parent HID device.
    static std::optional<HIDDeviceDescription> describe(const QString &syspath, const QString &devnode);
    // The description of the hidraw device whose parent HID device's sysfs
    // folder is hidFolder.
    static HIDDeviceDescription describeHIDDevice(const QString &hidFolder, const QString &devnode);
    // The location ID of a USB device by its sysfs name ("1-1.2"); 0 for a
    // name that is not a port path.
    static uint32_t locationIDForUSBName(const QString &name);

private:
    struct Node;

    static std::optional<HIDDeviceDescription> describe(udev_device *device, const QString &devnode);
    QString nodePath(const QString &name) const;
    void readReports(Node &node);
    void closeNode(Node &node);
    void monitorEvent();

    Options m_options;
    bool m_open = false;
    udev *m_udev = nullptr;
    udev_monitor *m_monitor = nullptr;
    std::unique_ptr<QSocketNotifier> m_monitorNotifier;
    std::map<QString, std::unique_ptr<Node>> m_nodes; // by device node, for every listed device
    QByteArray m_readBuffer;
};
