#include "app/SerialPortRegistration.h"

#include "devices/SXSerialPortList.h"

namespace {

class DevicesSerialPortList final : public QVPrintingSerialPortList
{
public:
    QList<QVPrintingSerialPort> ports() override
    {
        QList<QVPrintingSerialPort> result;
        for (const std::shared_ptr<SXSerialPort> &port : SXSerialPortList::sharedPortList().ports())
            result.append({port->bsdPath(), port->name()});
        return result;
    }

    std::optional<QVPrintingSerialPort> objectWithBSDPath(const QString &path) override
    {
        if (const std::shared_ptr<SXSerialPort> port = SXSerialPortList::sharedPortList().objectWithBSDPath(path))
            return QVPrintingSerialPort{port->bsdPath(), port->name()};
        return std::nullopt;
    }

    void rescan() override { SXSerialPortList::sharedPortList().init(); }
};

} // namespace

std::shared_ptr<QVPrintingSerialPortList> devicesSerialPortList() { return std::make_shared<DevicesSerialPortList>(); }

void registerSerialPortList() { setSerialPortList(devicesSerialPortList()); }
