#include "devices/SXSerialPortList.h"

#include "platform/NotificationCenter.h"

#include <libudev.h>

#include <cstring>

namespace {

SXSerialPortSource &portSource()
{
    static SXSerialPortSource source;
    return source;
}

QString text(const char *value) { return value ? QString::fromUtf8(value) : QString(); }

// A tty with a real serial parent: any parent but an on-board platform port
// whose UART type is unknown (0).
bool isSerialPort(udev_device *tty)
{
    udev_device *parent = udev_device_get_parent(tty);
    if (!parent || !udev_device_get_devnode(tty))
        return false;
    const char *subsystem = udev_device_get_subsystem(parent);
    if (subsystem && std::strcmp(subsystem, "platform") == 0) {
        const char *type = udev_device_get_sysattr_value(tty, "type");
        return type && std::strcmp(type, "0") != 0;
    }
    return true;
}

} // namespace

SXSerialPortList &SXSerialPortList::instance()
{
    static SXSerialPortList list;
    return list;
}

SXSerialPortList &SXSerialPortList::sharedPortList()
{
    SXSerialPortList &list = instance();
    if (!list.m_scanned)
        list.init();
    return list;
}

void SXSerialPortList::init()
{
    scan();
    NotificationCenter::defaultCenter().post(SXSerialPortListDidUpdateNotifiation, this);
}

void SXSerialPortList::scan()
{
    m_oldPortList = m_portList;
    m_portList.clear();
    m_scanned = true;
    const QList<SXSerialPortDescription> found = portSource() ? portSource()() : udevSerialPorts();
    for (const SXSerialPortDescription &description : found) {
        if (description.name.isEmpty() || description.path.isEmpty())
            continue;
        std::shared_ptr<SXSerialPort> port;
        for (const std::shared_ptr<SXSerialPort> &old : std::as_const(m_oldPortList)) {
            if (old->bsdPath() == description.path) {
                port = old;
                break;
            }
        }
        if (!port)
            port = std::make_shared<SXSerialPort>(description.path, description.name);
        m_portList.append(port);
    }
    m_oldPortList.clear();
}

std::shared_ptr<SXSerialPort> SXSerialPortList::objectWithBSDPath(const QString &path) const
{
    for (const std::shared_ptr<SXSerialPort> &port : m_portList) {
        if (port->bsdPath() == path)
            return port;
    }
    return nullptr;
}

void SXSerialPortList::setPortSource(SXSerialPortSource source) { portSource() = std::move(source); }

void SXSerialPortList::resetSharedPortList()
{
    portSource() = nullptr;
    SXSerialPortList &list = instance();
    list.m_portList.clear();
    list.m_oldPortList.clear();
    list.m_scanned = false;
}

QList<SXSerialPortDescription> SXSerialPortList::udevSerialPorts()
{
    QList<SXSerialPortDescription> ports;
    udev *context = udev_new();
    if (!context)
        return ports;
    udev_enumerate *enumerate = udev_enumerate_new(context);
    if (enumerate && udev_enumerate_add_match_subsystem(enumerate, "tty") >= 0 &&
        udev_enumerate_scan_devices(enumerate) >= 0) {
        udev_list_entry *entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate))
        {
            udev_device *tty = udev_device_new_from_syspath(context, udev_list_entry_get_name(entry));
            if (!tty)
                continue;
            if (isSerialPort(tty))
                ports.append({text(udev_device_get_sysname(tty)), text(udev_device_get_devnode(tty))});
            udev_device_unref(tty);
        }
    }
    if (enumerate)
        udev_enumerate_unref(enumerate);
    udev_unref(context);
    return ports;
}
