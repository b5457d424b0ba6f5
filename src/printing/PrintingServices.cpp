#include "printing/PrintingServices.h"

#include "platform/NotificationCenter.h"
#include "platform/ServiceSlot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

class NoAccountAnswer final : public QVPrintingAccountServices
{
public:
    bool tw310ValidForKIVOStamps() override { return false; }
};

bool isCharacterDevice(const QString &path)
{
    struct stat info {};
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISCHR(info.st_mode);
}

class DeviceFolderPortList final : public QVPrintingSerialPortList
{
public:
    QList<QVPrintingSerialPort> ports() override
    {
        if (!m_scanned) {
            m_ports = scan();
            m_scanned = true;
        }
        return m_ports;
    }

    std::optional<QVPrintingSerialPort> objectWithBSDPath(const QString &path) override
    {
        if (!isCharacterDevice(path))
            return std::nullopt;
        return QVPrintingSerialPort{path, QFileInfo(path).fileName()};
    }

    void rescan() override
    {
        const QList<QVPrintingSerialPort> found = scan();
        const bool changed = !m_scanned || paths(found) != paths(m_ports);
        m_ports = found;
        m_scanned = true;
        if (changed)
            NotificationCenter::defaultCenter().post(SXSerialPortListDidUpdateNotifiation,
                                                     static_cast<QVPrintingSerialPortList *>(this));
    }

private:
    static QStringList paths(const QList<QVPrintingSerialPort> &ports)
    {
        QStringList result;
        for (const QVPrintingSerialPort &port : ports)
            result << port.bsdPath;
        return result;
    }

    static QList<QVPrintingSerialPort> scan()
    {
        QList<QVPrintingSerialPort> found;
        const auto add = [&found](const QString &folder, const QStringList &patterns) {
            const QDir dir(folder);
            for (const QString &name : dir.entryList(patterns, QDir::System | QDir::Files, QDir::Name)) {
                const QString path = dir.filePath(name);
                if (isCharacterDevice(path))
                    found.append({path, name});
            }
        };
        add(QStringLiteral("/dev"), {QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")});
        add(QStringLiteral("/dev/usb"), {QStringLiteral("lp*")});
        return found;
    }

    QList<QVPrintingSerialPort> m_ports;
    bool m_scanned = false;
};

using AccountSlot = ServiceSlot<QVPrintingAccountServices, NoAccountAnswer>;
using PortSlot = ServiceSlot<QVPrintingSerialPortList, DeviceFolderPortList>;

} // namespace

void setPrintingAccountServices(std::shared_ptr<QVPrintingAccountServices> services)
{
    AccountSlot::shared().registered = std::move(services);
}

std::shared_ptr<QVPrintingAccountServices> printingAccountServices() { return AccountSlot::shared().current(); }

void setSerialPortList(std::shared_ptr<QVPrintingSerialPortList> list)
{
    PortSlot::shared().registered = std::move(list);
}

std::shared_ptr<QVPrintingSerialPortList> serialPortList() { return PortSlot::shared().current(); }
