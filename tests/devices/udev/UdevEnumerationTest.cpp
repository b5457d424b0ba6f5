// The hidraw transport's libudev enumeration in a umockdev test bed (the
// CTest entry runs this program under umockdev-run with data/scale.umockdev,
// a hand-written description of one USB scale).
#include "../ScaleDescriptors.h"
#include "devices/HidrawTransport.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(UdevEnumeration, TheScaleOfTheTestBedIsListedAndDescribed)
{
    if (!std::getenv("UMOCKDEV_DIR"))
        GTEST_SKIP() << "runs under umockdev-run only";
    HidrawTransport transport;
    ASSERT_TRUE(transport.open());
    const auto devices = transport.devices();
    ASSERT_EQ(devices.size(), 1u);
    const HIDDeviceDescription &d = devices.front();
    EXPECT_EQ(d.path, QStringLiteral("/dev/hidraw0"));
    EXPECT_EQ(d.vendorID, 0x1234u);
    EXPECT_EQ(d.productID, 0x5678u);
    EXPECT_EQ(d.locationID, 0x01120000u);
    EXPECT_EQ(d.manufacturer, QStringLiteral("Acme"));
    EXPECT_EQ(d.product, QStringLiteral("Postal Scale"));
    EXPECT_EQ(d.reportDescriptor, tolvane::test::plainScaleDescriptor());
    transport.close();
}
