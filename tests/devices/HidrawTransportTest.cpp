// The hidraw transport over a temporary sysfs tree, with FIFOs standing in
// for the device nodes.
#include "FakeHIDTransport.h"
#include "ScaleDescriptors.h"
#include "devices/HID_Utilities.h"
#include "devices/HidrawTransport.h"
#include "devices/QVUSBScale.h"

#include "ConsoleCapture.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tolvane::test;

namespace {

// A sysfs tree with hidraw devices and a folder of device nodes (FIFOs).
class SysfsTree
{
public:
    SysfsTree() { EXPECT_TRUE(m_dir.isValid()); }

    QString sysfsRoot() const { return m_dir.filePath(QStringLiteral("sys")); }
    QString deviceRoot() const { return m_dir.filePath(QStringLiteral("dev")); }
    QString node(const QString &name) const { return deviceRoot() + QLatin1Char('/') + name; }

    // A hidraw device; usbName empty puts the HID device on no USB device.
    void addDevice(const QString &name, const QString &usbName, const QByteArray &descriptor,
                   const QString &hidID = QStringLiteral("0003:00001234:00005678"), bool withNode = true,
                   bool withStrings = true)
    {
        QString parent = sysfsRoot() + QStringLiteral("/devices/virtual/misc/uhid");
        if (!usbName.isEmpty()) {
            const QString usb = sysfsRoot() + QStringLiteral("/devices/pci0000:00/0000:00:14.0/usb1/") + usbName;
            write(usb + QStringLiteral("/busnum"), usbName.section('-', 0, 0).toUtf8() + "\n");
            write(usb + QStringLiteral("/idVendor"), "0b67\n");
            if (withStrings) {
                write(usb + QStringLiteral("/manufacturer"), "Acme\n");
                write(usb + QStringLiteral("/product"), "Postal Scale\n");
            }
            parent = usb + QLatin1Char('/') + usbName + QStringLiteral(":1.0");
        }
        const QString hid = parent + QStringLiteral("/0003:1234:5678.000") + QString::number(++m_count);
        write(hid + QStringLiteral("/uevent"), "DRIVER=hid-generic\nHID_ID=" + hidID.toUtf8() + "\nHID_NAME=Scale\n");
        write(hid + QStringLiteral("/report_descriptor"), descriptor);
        const QString raw = hid + QStringLiteral("/hidraw/") + name;
        write(raw + QStringLiteral("/uevent"), "DEVNAME=" + name.toUtf8() + "\n");
        EXPECT_TRUE(QFile::link(hid, raw + QStringLiteral("/device")));
        QDir().mkpath(sysfsRoot() + QStringLiteral("/class/hidraw"));
        EXPECT_TRUE(QFile::link(raw, sysfsRoot() + QStringLiteral("/class/hidraw/") + name));
        if (withNode) {
            QDir().mkpath(deviceRoot());
            EXPECT_EQ(::mkfifo(QFile::encodeName(node(name)).constData(), 0600), 0);
        }
    }

    HidrawTransport::Options options() const
    {
        HidrawTransport::Options o;
        o.sysfsRoot = sysfsRoot();
        o.deviceRoot = deviceRoot();
        o.useUdev = false;
        return o;
    }

private:
    static void write(const QString &path, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QTemporaryDir m_dir;
    int m_count = 0;
};

// The device's side of a node: writes input reports, reads what was sent.
class DeviceEnd
{
public:
    explicit DeviceEnd(const QString &node) : m_node(QFile::encodeName(node)) {}

    void send(const QByteArray &report) const
    {
        const int fd = ::open(m_node.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(::write(fd, report.constData(), size_t(report.size())), report.size());
        ::close(fd);
    }
    QByteArray receive() const
    {
        const int fd = ::open(m_node.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        EXPECT_GE(fd, 0);
        char buffer[256];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        ::close(fd);
        return n > 0 ? QByteArray(buffer, int(n)) : QByteArray();
    }

private:
    QByteArray m_node;
};

void runEventLoop(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

class HidrawTransportTest : public ::testing::Test
{
protected:
    void SetUp() override { HIDResetModuleState(); }
    void TearDown() override
    {
        runEventLoop(20);
        HIDResetModuleState();
        HIDManager::resetTransportFactory();
    }
    void useTree()
    {
        const auto options = tree.options();
        HIDManager::setTransportFactory([options] { return std::make_shared<HidrawTransport>(options); });
    }

    SysfsTree tree;
};

} // namespace

TEST(HidrawLocation, BusAndPortPathBecomeTheLocationID)
{
    const struct {
        const char *name;
        uint32_t location;
    } cases[] = {
        {"1-1.2", 0x01120000},
        {"3-4", 0x03400000},
        {"2-1.3.4.1", 0x02134100},
        {"1-1.20", 0x011F0000},
        {"usb1", 0},
        {"1-x", 0},
        {"300-1", 0},
        {"1-1.1.1.1.1.1.1", 0},
        {"1-1:1.0", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(HidrawTransport::locationIDForUSBName(QString::fromLatin1(c.name)), c.location) << c.name;
}

TEST_F(HidrawTransportTest, DevicesAreDescribedFromSysfs)
{
    tree.addDevice("hidraw0", "1-1.2", variableScaleDescriptor());
    tree.addDevice("hidraw1", QString(), keyboardDescriptor(), "0005:00001111:00002222");
    tree.addDevice("hidraw2", "2-3", plainScaleDescriptor(), "0003:00001234:00005678", true, false);
    HidrawTransport transport(tree.options());
    ASSERT_TRUE(transport.open());
    const auto devices = transport.devices();
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[0].path, tree.node("hidraw0"));
    EXPECT_EQ(devices[0].vendorID, 0x1234u);
    EXPECT_EQ(devices[0].productID, 0x5678u);
    EXPECT_EQ(devices[0].locationID, 0x01120000u);
    EXPECT_EQ(devices[0].reportDescriptor, variableScaleDescriptor());
    EXPECT_EQ(devices[0].manufacturer, QStringLiteral("Acme"));
    EXPECT_EQ(devices[0].product, QStringLiteral("Postal Scale"));
    // Not on USB: no location and no strings.
    EXPECT_EQ(devices[1].vendorID, 0x1111u);
    EXPECT_EQ(devices[1].productID, 0x2222u);
    EXPECT_EQ(devices[1].locationID, 0u);
    EXPECT_FALSE(devices[1].manufacturer);
    EXPECT_FALSE(devices[1].product);
    EXPECT_EQ(devices[2].locationID, 0x02300000u);
    EXPECT_FALSE(devices[2].manufacturer);
}

TEST_F(HidrawTransportTest, AScaleIsReadAndZeroedThroughItsNode)
{
    tree.addDevice("hidraw0", "1-1.2", variableScaleDescriptor());
    tree.addDevice("hidraw1", QString(), keyboardDescriptor());
    useTree();
    QVUSBScale::setUpScale();
    ASSERT_EQ(HIDCountDevices(), 1u);
    const DeviceEnd scale(tree.node("hidraw0"));

    int64_t whole = 0;
    EXPECT_FALSE(QVUSBScale::genericWeightDataValue(&whole)); // nothing sent yet
    scale.send(bytes({0x03}) + variableScaleReport(0, unitBit(0x5B), -1, 25));
    double raw = 0;
    QString name;
    ASSERT_TRUE(QVUSBScale::genericWeightDataValue(&whole, nullptr, &name, &raw));
    EXPECT_EQ(raw, 2.5);
    EXPECT_EQ(whole, 3);
    EXPECT_EQ(name, QStringLiteral("Acme Postal Scale"));

    // Reports that arrive while the event loop runs are taken in by it.
    scale.send(bytes({0x03}) + variableScaleReport(0, unitBit(0x52), 0, 1000));
    runEventLoop(50);
    EXPECT_EQ(scale.receive(), QByteArray()); // already read from the node
    ASSERT_TRUE(QVUSBScale::genericWeightDataValue(&whole, nullptr, nullptr, &raw));
    EXPECT_DOUBLE_EQ(raw, 35.273962);
    EXPECT_EQ(whole, 36);

    // Zeroing writes output report 2 led by its ID.
    ASSERT_TRUE(QVUSBScale::zeroScale());
    EXPECT_EQ(scale.receive(), bytes({0x02, 0x01}));
}

TEST_F(HidrawTransportTest, ReportsWithoutIDsAndAFeatureReportThatCannotGo)
{
    tree.addDevice("hidraw0", "1-1", plainScaleDescriptor());
    useTree();
    QVUSBScale::setUpScale();
    const DeviceEnd scale(tree.node("hidraw0"));
    scale.send(plainScaleReport(5, 12, 2));
    int64_t whole = 0, status = 0;
    ASSERT_TRUE(QVUSBScale::genericWeightDataValue(&whole, &status));
    EXPECT_EQ(whole, 32);
    EXPECT_EQ(status, 0x75);
    // A pipe takes no feature report: the zeroing is not reported as done.
    EXPECT_FALSE(QVUSBScale::zeroScale());
}

TEST_F(HidrawTransportTest, ANodeThatCannotBeOpenedIsReportedOnceAndReadsNothing)
{
    tree.addDevice("hidraw0", "1-1", plainScaleDescriptor(), "0003:00001234:00005678", false);
    useTree();
    ConsoleCapture console;
    QVUSBScale::setUpScale();
    int64_t whole = 0;
    EXPECT_FALSE(QVUSBScale::genericWeightDataValue(&whole));
    HIDBuildMultiDeviceList(nullptr, nullptr, 0);
    EXPECT_EQ(
        console.lines(),
        QStringList{
            QStringLiteral("HID device %1 cannot be opened: No such file or directory.").arg(tree.node("hidraw0"))});
    EXPECT_FALSE(QVUSBScale::zeroScale());
}

TEST_F(HidrawTransportTest, TheUdevRuleOpensScaleNodesOnly)
{
    // The shipped rule's test of a node, run on the nodes of a sysfs tree as
    // udev would run it (with the node's folder for /sys%p).
    QFile rules(QStringLiteral(TOLVANE_SOURCE_DIR "/resources/udev/70-tolvane-scales.rules"));
    ASSERT_TRUE(rules.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(rules.readAll());
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral(R"re(SUBSYSTEM=="hidraw", PROGRAM="(.*)", TAG\+="uaccess")re")).match(text);
    ASSERT_TRUE(match.hasMatch());
    const QString program = match.captured(1).replace(QStringLiteral("\\\""), QStringLiteral("\""));

    QByteArray twoBytePage = plainScaleDescriptor();
    twoBytePage.replace(0, 2, bytes({0x06, 0x8D, 0x00}));
    QByteArray pageLater = keyboardDescriptor() + plainScaleDescriptor();
    const struct {
        const char *name;
        QByteArray descriptor;
        int exitCode;
    } cases[] = {
        {"hidraw0", plainScaleDescriptor(), 0},
        {"hidraw1", variableScaleDescriptor(), 0},
        {"hidraw2", twoBytePage, 0},
        {"hidraw3", keyboardDescriptor(), 1},
        {"hidraw4", pageLater, 1},
        {"hidraw5", QByteArray(), 1},
    };
    for (const auto &c : cases) {
        tree.addDevice(QString::fromLatin1(c.name), "1-1", c.descriptor);
        QString command = program;
        command.replace(QStringLiteral("/sys%p"), tree.sysfsRoot() + QStringLiteral("/class/hidraw/") + c.name);
        QProcess shell;
        shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
        ASSERT_TRUE(shell.waitForFinished(10000)) << c.name;
        EXPECT_EQ(shell.exitCode(), c.exitCode) << c.name << ": " << command.toStdString();
    }
}
