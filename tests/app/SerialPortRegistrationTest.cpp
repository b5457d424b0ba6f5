// The printing layer sees the devices layer's serial ports once the
// application registered them: the same ports, lookup by path, and a rescan
// that reaches the shared list and its observers.
#include "app/shell/SerialPortRegistration.h"
#include "devices/SXSerialPortList.h"
#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

TEST(SerialPortRegistration, PrintingListsTheDevicesPorts)
{
    QList<SXSerialPortDescription> found = {{QStringLiteral("ttyUSB0"), QStringLiteral("/dev/ttyUSB0")},
                                            {QStringLiteral("ttyACM3"), QStringLiteral("/dev/ttyACM3")}};
    SXSerialPortList::resetSharedPortList();
    SXSerialPortList::setPortSource([&found] { return found; });
    registerSerialPortList();

    const std::shared_ptr<QVPrintingSerialPortList> list = serialPortList();
    // The serial ports come first; the machine's own USB printer nodes, if
    // any, follow.
    const auto serialPorts = [&list] {
        QList<QVPrintingSerialPort> result;
        for (const QVPrintingSerialPort &port : list->ports()) {
            if (!port.bsdPath.startsWith(QLatin1String("/dev/usb/lp")))
                result.append(port);
        }
        return result;
    };
    QList<QVPrintingSerialPort> ports = serialPorts();
    ASSERT_EQ(ports.size(), 2);
    EXPECT_EQ(ports[0].bsdPath, QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(ports[1].name, QStringLiteral("ttyACM3"));
    ASSERT_TRUE(list->objectWithBSDPath(QStringLiteral("/dev/ttyACM3")));
    EXPECT_EQ(list->objectWithBSDPath(QStringLiteral("/dev/ttyACM3"))->name, QStringLiteral("ttyACM3"));
    EXPECT_FALSE(list->objectWithBSDPath(QStringLiteral("/dev/null")));

    int notices = 0;
    const NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        SXSerialPortListDidUpdateNotifiation, [&](const Notification &) { ++notices; });
    found.removeFirst();
    list->rescan();
    EXPECT_EQ(notices, 1);
    ports = serialPorts();
    ASSERT_EQ(ports.size(), 1);
    EXPECT_EQ(ports[0].bsdPath, QStringLiteral("/dev/ttyACM3"));
    EXPECT_EQ(SXSerialPortList::sharedPortList().count(), 1u);

    setSerialPortList(nullptr);
    SXSerialPortList::resetSharedPortList();
}
