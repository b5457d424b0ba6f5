#include "app/shell/SerialPortRegistration.h"

#include "devices/SXSerialPortList.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace {

// The kernel's USB printer nodes ("/dev/usb/lp0"), which the printer
// set-up has offered beside the serial ports for raw Zebra output.
QList<QVPrintingSerialPort> usbPrinterNodes()
{
    QList<QVPrintingSerialPort> nodes;
    const QDir dir(QStringLiteral("/dev/usb"));
    for (const QString &name : dir.entryList({QStringLiteral("lp*")}, QDir::System | QDir::Files, QDir::Name)) {
        const QString path = dir.filePath(name);
        struct stat info {};
        if (::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISCHR(info.st_mode))
            nodes.append({path, name});
    }
    return nodes;
}

class DevicesSerialPortList final : public QVPrintingSerialPortList
{
public:
    QList<QVPrintingSerialPort> ports() override
    {
        QList<QVPrintingSerialPort> result;
        for (const std::shared_ptr<SXSerialPort> &port : SXSerialPortList::sharedPortList().ports())
            result.append({port->bsdPath(), port->name()});
        return result + usbPrinterNodes();
    }

    std::optional<QVPrintingSerialPort> objectWithBSDPath(const QString &path) override
    {
        if (const std::shared_ptr<SXSerialPort> port = SXSerialPortList::sharedPortList().objectWithBSDPath(path))
            return QVPrintingSerialPort{port->bsdPath(), port->name()};
        for (const QVPrintingSerialPort &node : usbPrinterNodes()) {
            if (node.bsdPath == path)
                return node;
        }
        return std::nullopt;
    }

    void rescan() override { SXSerialPortList::sharedPortList().init(); }
};

} // namespace

std::shared_ptr<QVPrintingSerialPortList> devicesSerialPortList() { return std::make_shared<DevicesSerialPortList>(); }

void registerSerialPortList() { setSerialPortList(devicesSerialPortList()); }
