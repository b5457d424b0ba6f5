// Plugging a scale in and out, seen through the hidraw transport's udev
// monitor: the CTest entry runs this program under umockdev-wrapper, and the
// test adds and removes data/scale.umockdev in its own umockdev test bed,
// sending the uevents that udev would send.
#include "devices/HID_Utilities.h"
#include "devices/QVUSBScale.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>
#include <umockdev.h>

#include <cstdlib>
#include <cstring>
#include <functional>

namespace {

const char kScaleSyspath[] =
    "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1.2/1-1.2:1.0/0003:1234:5678.0001/hidraw/hidraw0";

// Runs the event loop until the condition holds or two seconds pass.
bool runUntil(const std::function<bool()> &condition)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < 2000) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return condition();
}

} // namespace

TEST(UdevHotplug, AScalePluggedInAndOutIsAnnounced)
{
    const char *preload = std::getenv("LD_PRELOAD");
    if (!preload || !std::strstr(preload, "libumockdev-preload"))
        GTEST_SKIP() << "runs under umockdev-wrapper only";
    UMockdevTestbed *testbed = umockdev_testbed_new();
    HIDResetModuleState();
    HIDManager::resetTransportFactory(); // the system's transport: hidraw through libudev

    std::vector<QString> heard;
    auto added = NotificationCenter::defaultCenter().addObserver(
        QVUSBScaleWasAddedNotification, [&](const Notification &n) { heard.push_back(n.name); });
    auto removed = NotificationCenter::defaultCenter().addObserver(
        QVUSBScaleWasRemovedNotification, [&](const Notification &n) { heard.push_back(n.name); });

    QVUSBScale::setUpScale();
    ASSERT_TRUE(QVUSBScale::scaleIsSetup());
    EXPECT_EQ(HIDCountDevices(), 0u);
    {
        QEventLoop loop; // past the delayed callback registration
        QTimer::singleShot(30, &loop, &QEventLoop::quit);
        loop.exec();
    }

    GError *error = nullptr;
    ASSERT_TRUE(umockdev_testbed_add_from_file(testbed, TOLVANE_TEST_DATA_DIR "/scale.umockdev", &error))
        << (error ? error->message : ""); // sends the "add" uevent
    ASSERT_TRUE(runUntil([&] { return !heard.empty(); }));
    EXPECT_EQ(heard, (std::vector<QString>{QVUSBScaleWasAddedNotification}));
    ASSERT_EQ(HIDCountDevices(), 1u);
    EXPECT_EQ(HIDGetFirstDevice()->path(), QStringLiteral("/dev/hidraw0"));
    // A repeated "add" of a device already known is no news.
    umockdev_testbed_uevent(testbed, kScaleSyspath, "add");
    {
        QEventLoop loop;
        QTimer::singleShot(200, &loop, &QEventLoop::quit);
        loop.exec();
    }
    EXPECT_EQ(heard.size(), 1u);

    umockdev_testbed_uevent(testbed, kScaleSyspath, "remove");
    ASSERT_TRUE(runUntil([&] { return heard.size() >= 2; }));
    EXPECT_EQ(heard, (std::vector<QString>{QVUSBScaleWasAddedNotification, QVUSBScaleWasRemovedNotification}));
    EXPECT_EQ(HIDCountDevices(), 0u);

    HIDResetModuleState();
    g_object_unref(testbed);
}
