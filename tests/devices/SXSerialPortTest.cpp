// Serial ports over pty pairs: settings committed and read back from the
// line, close restoring what open found, open failures, and the port list
// keeping its port objects across rescans.
#include "ConsoleCapture.h"
#include "PtyPair.h"
#include "devices/SXSerialPort.h"
#include "devices/SXSerialPortList.h"
#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

using namespace tolvane::test;

TEST(SXSerialPort, CommittedSettingsReadBackFromTheLine)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    SXSerialPort port(pty.path(), QStringLiteral("pty"));
    EXPECT_FALSE(port.isOpen());
    ASSERT_TRUE(port.open());
    EXPECT_TRUE(port.isOpen());

    port.setRawMode();
    port.setSpeed(2400);
    port.setDataBits(8);
    port.setParityNone();
    port.setStopBits2(true);
    // Nothing reaches the line before the commit.
    EXPECT_EQ(pty.lineSpeed(), cfgetospeed(&port.originalOptions()));
    ASSERT_TRUE(port.commitChanges());

    const termios line = pty.lineSettings();
    EXPECT_EQ(cfgetospeed(&line), speed_t(B2400));
    EXPECT_EQ(cfgetispeed(&line), speed_t(B2400));
    EXPECT_EQ(line.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(line.c_cflag & PARENB, 0u);
    EXPECT_EQ(line.c_cflag & CSTOPB, tcflag_t(CSTOPB));
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_EQ(line.c_iflag & (ICRNL | INLCR | IGNCR), 0u);
}

TEST(SXSerialPort, SettersChangeOnlyTheirBits)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    SXSerialPort port(pty.path(), QStringLiteral("pty"));
    ASSERT_TRUE(port.open());

    const struct {
        int first, second;
        tcflag_t size;
    } cases[] = {{7, 8, CS8}, {8, 7, CS7}, {8, 6, CS6}, {8, 9, CS5}, {8, 5, CS5}};
    // On the working settings: a pty line always carries 8 bits, so only
    // CS8 can be read back from it.
    for (const auto &c : cases) {
        port.setDataBits(c.first);
        port.setDataBits(c.second);
        EXPECT_EQ(port.options().c_cflag & CSIZE, c.size) << c.first << " then " << c.second;
    }
    port.setDataBits(7);
    port.setDataBits(8);
    ASSERT_TRUE(port.commitChanges());
    EXPECT_EQ(pty.lineSettings().c_cflag & CSIZE, tcflag_t(CS8));

    port.setStopBits2(true);
    port.setStopBits2(false);
    ASSERT_TRUE(port.commitChanges());
    EXPECT_EQ(pty.lineSettings().c_cflag & CSTOPB, 0u);
}

TEST(SXSerialPort, ASpeedWithoutAConstantFailsTheCommit)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    SXSerialPort port(pty.path(), QStringLiteral("pty"));
    ASSERT_TRUE(port.open());
    const speed_t before = pty.lineSpeed();

    port.setSpeed(2401);
    EXPECT_FALSE(port.commitChanges());
    EXPECT_EQ(port.lastError(), EINVAL);
    EXPECT_EQ(pty.lineSpeed(), before);

    port.setSpeed(9600); // a good speed again clears the error
    EXPECT_TRUE(port.commitChanges());
    EXPECT_EQ(pty.lineSpeed(), speed_t(B9600));
}

TEST(SXSerialPort, CloseRestoresTheFoundSettingsOnce)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    SXSerialPort port(pty.path(), QStringLiteral("pty"));
    port.close(); // never opened: nothing happens
    EXPECT_FALSE(port.isOpen());

    const termios found = pty.lineSettings();
    ASSERT_TRUE(port.open());
    port.setSpeed(2400);
    port.setStopBits2(true);
    port.setDataBits(7);
    ASSERT_TRUE(port.commitChanges());
    ASSERT_EQ(pty.lineSpeed(), speed_t(B2400));

    port.close();
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.fileDescriptor(), -1);
    const termios after = pty.lineSettings();
    EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&found));
    EXPECT_EQ(after.c_cflag, found.c_cflag);
    EXPECT_EQ(after.c_lflag, found.c_lflag);

    // A second close does nothing; a closed port does not commit.
    port.setSpeed(4800);
    port.close();
    EXPECT_EQ(pty.lineSpeed(), cfgetospeed(&found));
    EXPECT_FALSE(port.commitChanges());
    EXPECT_EQ(port.lastError(), EBADF);

    // It can be opened again.
    EXPECT_TRUE(port.open());
}

TEST(SXSerialPort, OpeningAMissingPathLogsAndAnswersNothing)
{
    const ConsoleCapture console;
    SXSerialPort port(QStringLiteral("/dev/tolvane-no-such-port"), QStringLiteral("none"));
    EXPECT_FALSE(port.open());
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(console.lines().contains(
        QStringLiteral("Error opening serial port /dev/tolvane-no-such-port - No such file or directory(2).")))
        << console.lines().join(QLatin1Char('\n')).toStdString();

    // A file that is no terminal opens but has no settings to read.
    SXSerialPort notATerminal(QStringLiteral("/dev/null"), QStringLiteral("null"));
    EXPECT_FALSE(notATerminal.open());
    EXPECT_FALSE(notATerminal.isOpen());
    EXPECT_TRUE(console.lines().filter(QStringLiteral("Error getting tty attributes /dev/null")).size() == 1);
}

class SXSerialPortListTest : public ::testing::Test
{
protected:
    void TearDown() override { SXSerialPortList::resetSharedPortList(); }

    QList<SXSerialPortDescription> sourcePorts;

    SXSerialPortList &listOf(const QList<SXSerialPortDescription> &ports)
    {
        sourcePorts = ports;
        SXSerialPortList::setPortSource([this] { return sourcePorts; });
        return SXSerialPortList::sharedPortList(); // the first use scans
    }
};

TEST_F(SXSerialPortListTest, RescansKeepPortObjectsByPathAndAlwaysNotify)
{
    PtyPair a, b;
    ASSERT_TRUE(a.ok() && b.ok());
    int notices = 0;
    const void *noticeObject = nullptr;
    const NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        SXSerialPortListDidUpdateNotifiation, [&](const Notification &n) {
            ++notices;
            noticeObject = n.object.address();
        });

    SXSerialPortList &list = listOf({{QStringLiteral("ttyA"), a.path()}, {QStringLiteral("ttyB"), b.path()}});
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(noticeObject, &list);
    ASSERT_EQ(list.count(), 2u);
    EXPECT_EQ(list.objectAtIndex(0)->name(), QStringLiteral("ttyA"));
    EXPECT_EQ(list.objectAtIndex(1)->bsdPath(), b.path());
    const std::shared_ptr<SXSerialPort> held = list.objectWithBSDPath(b.path());
    ASSERT_TRUE(held);
    ASSERT_TRUE(held->open());

    // The same paths in another order: the same objects.
    sourcePorts = {{QStringLiteral("ttyB"), b.path()}, {QStringLiteral("ttyA"), a.path()}};
    const std::shared_ptr<SXSerialPort> first = list.objectWithBSDPath(a.path());
    list.init();
    EXPECT_EQ(notices, 2);
    EXPECT_EQ(list.objectAtIndex(0), held);
    EXPECT_EQ(list.objectAtIndex(1), first);
    EXPECT_TRUE(held->isOpen());

    // The adapter is pulled: its port leaves the list, its holder keeps it.
    sourcePorts = {{QStringLiteral("ttyA"), a.path()}};
    list.init();
    EXPECT_EQ(notices, 3);
    EXPECT_EQ(list.count(), 1u);
    EXPECT_FALSE(list.objectWithBSDPath(b.path()));
    EXPECT_TRUE(held->isOpen());
    EXPECT_EQ(held->bsdPath(), b.path());

    // Nothing found: empty, still a notice.
    sourcePorts.clear();
    list.init();
    EXPECT_EQ(notices, 4);
    EXPECT_EQ(list.count(), 0u);
    EXPECT_FALSE(list.objectWithBSDPath(a.path()));
}

TEST_F(SXSerialPortListTest, EntriesWithoutNameOrPathAreSkipped)
{
    PtyPair a;
    ASSERT_TRUE(a.ok());
    SXSerialPortList &list = listOf({{QString(), QStringLiteral("/dev/ttyX")},
                                     {QStringLiteral("ttyY"), QString()},
                                     {QStringLiteral("ttyA"), a.path()}});
    ASSERT_EQ(list.count(), 1u);
    EXPECT_EQ(list.objectAtIndex(0)->bsdPath(), a.path());
}

// The libudev source on this machine: whatever it lists is a device node
// with a name, and never a pty or a virtual console.
TEST_F(SXSerialPortListTest, TheUdevSourceListsOnlyRealPorts)
{
    for (const SXSerialPortDescription &port : SXSerialPortList::udevSerialPorts()) {
        EXPECT_TRUE(port.path.startsWith(QStringLiteral("/dev/"))) << port.path.toStdString();
        EXPECT_FALSE(port.name.isEmpty());
        EXPECT_FALSE(port.path.startsWith(QStringLiteral("/dev/pts/")));
        EXPECT_NE(port.name, QStringLiteral("tty0"));
        EXPECT_NE(port.name, QStringLiteral("console"));
    }
}
