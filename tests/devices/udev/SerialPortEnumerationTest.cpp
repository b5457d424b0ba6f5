// The serial-port list's libudev source in a umockdev test bed (the CTest
// entry runs this program under umockdev-run with data/serial.umockdev: a
// USB serial adapter, an ACM modem, an on-board port found through ACPI,
// two platform 8250 ports of which only one has a UART, and two virtual
// terminals).
#include "devices/SXSerialPortList.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(SerialPortEnumeration, OnlyTerminalsWithARealSerialParentAreListed)
{
    if (!std::getenv("UMOCKDEV_DIR"))
        GTEST_SKIP() << "runs under umockdev-run only";
    QStringList found;
    for (const SXSerialPortDescription &port : SXSerialPortList::udevSerialPorts())
        found << port.name + QLatin1Char('=') + port.path;
    found.sort();
    EXPECT_EQ(found.join(QLatin1Char(' ')).toStdString(),
              "ttyACM0=/dev/ttyACM0 ttyS1=/dev/ttyS1 ttyS4=/dev/ttyS4 ttyUSB0=/dev/ttyUSB0");

    // The shared list scans the same source.
    SXSerialPortList &list = SXSerialPortList::sharedPortList();
    EXPECT_EQ(list.count(), 4u);
    ASSERT_TRUE(list.objectWithBSDPath(QStringLiteral("/dev/ttyUSB0")));
    EXPECT_EQ(list.objectWithBSDPath(QStringLiteral("/dev/ttyUSB0"))->name(), QStringLiteral("ttyUSB0"));
    EXPECT_FALSE(list.objectWithBSDPath(QStringLiteral("/dev/ttyS0")));
}
