// Zebra2844: the model table, and writeData() by USB (scripted fake device),
// by a serial device (a pty pair) and by a raw queue (fake print system),
// with the capture file, the retry alert and automation mode.
#include "PrintingTestSupport.h"

#include "ConsoleCapture.h"
#include "PtyPair.h"
#include "TestSupport.h"

#include "platform/Dialogs.h"
#include "printing/thermal/Zebra2844.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

namespace {

using tolvane::test::PtyPair;

class ZebraOutputTest : public PrintingTest
{
protected:
    void useSerial(const QString &path)
    {
        defaults().setBool(true, QStringLiteral("zebraUseSerial"));
        defaults().setString(path, QStringLiteral("zebraSerialPath"));
    }
    void useQueue(const QString &printerID)
    {
        defaults().setBool(true, QStringLiteral("advancedZebraPath"));
        defaults().setString(printerID, QStringLiteral("advancedZebraPathPrinterID"));
    }
    QStringList captureFiles() const
    {
        return QDir(tolvane::test::supportDir()).entryList({QStringLiteral("lastlabel-*.epl2")}, QDir::Files);
    }
    void TearDown() override
    {
        for (const QString &name : captureFiles())
            QFile::remove(QDir(tolvane::test::supportDir()).filePath(name));
        PrintingTest::TearDown();
    }
};

} // namespace

TEST_F(ZebraOutputTest, ModelTableNamesAndLanguages)
{
    EXPECT_EQ(Zebra2844::productIds(), (QList<int>{9, 6, 10, 68, 40, 27, 8, 98, 25, 77, 132, 128, 129, 140}));
    EXPECT_EQ(Zebra2844::zebraNames().value(6), QStringLiteral("LP2844"));
    EXPECT_EQ(Zebra2844::zebraNames().value(9), QStringLiteral("LP2844"));
    EXPECT_EQ(Zebra2844::zebraNames().value(40), QStringLiteral("TLP2844-Z"));
    EXPECT_EQ(Zebra2844::zebraNames().size(), 14);

    EXPECT_FALSE(Zebra2844::printerAttributes());
    EXPECT_FALSE(Zebra2844::printer());
    const QList<int> zpl = {40, 77, 98, 128, 129, 132, 140};
    for (int id : Zebra2844::productIds()) {
        SCOPED_TRACE(id);
        usb->detachAll();
        usb->attachPrinter(Zebra2844::vendorId, id);
        const auto attributes = Zebra2844::printerAttributes();
        ASSERT_TRUE(attributes);
        EXPECT_EQ(attributes->value(QStringLiteral("programmingLanguage")).toString(),
                  zpl.contains(id) ? QStringLiteral("ZPL") : QStringLiteral("EPL"));
        EXPECT_EQ(attributes->value(QStringLiteral("name")).toString(), Zebra2844::zebraNames().value(id));
    }
    // The table's order decides between two attached models; other vendors
    // don't count.
    usb->detachAll();
    usb->attachPrinter(0x1234, 9);
    EXPECT_FALSE(Zebra2844::printer());
    usb->attachPrinter(Zebra2844::vendorId, 40);
    usb->attachPrinter(Zebra2844::vendorId, 6);
    int productId = 0;
    ASSERT_TRUE(Zebra2844::printerOfType(&productId));
    EXPECT_EQ(productId, 6);
}

TEST_F(ZebraOutputTest, UsbSendsEveryByteOnceWithTheKernelDriverDetached)
{
    auto device = usb->attachPrinter(Zebra2844::vendorId, 9);
    // A second interface with a bulk-out pipe must not get the stream again.
    FakeUsbInterface second = device->interfaces.first();
    second.number = 1;
    device->interfaces << second;

    EXPECT_EQ(Zebra2844::writeData(everyByte()), ZebraWriteOutcome::Sent);
    ASSERT_EQ(device->writes.size(), 1);
    EXPECT_EQ(device->writes[0], everyByte());
    EXPECT_EQ(device->writeEndpoints[0], 0x01);
    EXPECT_EQ(device->detachedAtWrite[0], QList<int>{0});
    EXPECT_TRUE(device->detachedInterfaces.isEmpty()); // attached again
    EXPECT_TRUE(device->claimedInterfaces.isEmpty());
    EXPECT_FALSE(device->isOpen);
    EXPECT_TRUE(device->calls.contains(QStringLiteral("reset")));
    EXPECT_TRUE(device->calls.contains(QStringLiteral("controlOut")));
    EXPECT_EQ(sleeps, (QList<int>{1, 1}));
    EXPECT_TRUE(dialogs->alerts.isEmpty());
    EXPECT_TRUE(captureFiles().isEmpty());
}

TEST_F(ZebraOutputTest, CaptureFileIsWrittenAndTheStreamStillSent)
{
    auto device = usb->attachPrinter(Zebra2844::vendorId, 10);
    defaults().setBool(true, QStringLiteral("captureZebraOutput"));
    const qint64 before = QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC).secsTo(QDateTime::currentDateTimeUtc());
    EXPECT_EQ(Zebra2844::writeData(everyByte()), ZebraWriteOutcome::Sent);
    ASSERT_EQ(device->writes.size(), 1);
    EXPECT_EQ(device->writes[0], everyByte());

    const QStringList files = captureFiles();
    ASSERT_EQ(files.size(), 1);
    const qint64 seconds = files[0].mid(10).chopped(5).toLongLong();
    EXPECT_GE(seconds, before);
    EXPECT_LE(seconds, before + 5);
    QFile file(QDir(tolvane::test::supportDir()).filePath(files[0]));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), everyByte());
    EXPECT_EQ(Zebra2844::captureFileName(QDateTime(QDate(2001, 1, 1), QTime(0, 1), Qt::UTC)),
              QStringLiteral("lastlabel-60.epl2"));
}

TEST_F(ZebraOutputTest, DeviceHeldByAnotherClientIsTriedFiveTimes)
{
    auto device = usb->attachPrinter(Zebra2844::vendorId, 9);
    device->busyOpens = 100;
    tolvane::test::ConsoleCapture console;
    EXPECT_EQ(Zebra2844::writeData(everyByte()), ZebraWriteOutcome::Cancelled);
    EXPECT_EQ(device->openCalls, 5);
    EXPECT_EQ(sleeps, (QList<int>{1, 1, 1, 1}));
    EXPECT_TRUE(device->writes.isEmpty());
    EXPECT_TRUE(console.lines().join(QLatin1Char('\n')).contains(QStringLiteral("unable to open device. ret = ")));
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].messageText, Zebra2844::retryMessageText);

    // Free after three tries: the fourth open succeeds.
    device->busyOpens = 3;
    device->openCalls = 0;
    EXPECT_EQ(Zebra2844::writeData(everyByte()), ZebraWriteOutcome::Sent);
    EXPECT_EQ(device->openCalls, 4);
}

TEST_F(ZebraOutputTest, UsbFailuresAreNeverSent)
{
    struct Case {
        const char *name;
        std::function<void(FakeUsbDeviceState &)> script;
    };
    const Case cases[] = {
        {"no bulk-out pipe", [](FakeUsbDeviceState &d) { d.interfaces[0].endpoints.removeFirst(); }},
        {"interrupt out only",
         [](FakeUsbDeviceState &d) { d.interfaces[0].endpoints[0].transferType = UsbEndpoint::Interrupt; }},
        {"short transfer", [](FakeUsbDeviceState &d) { d.shortWriteBy = 1; }},
        {"write error", [](FakeUsbDeviceState &d) { d.failures.insert(QStringLiteral("bulkWrite"), UsbErrorPipe); }},
        {"no configuration", [](FakeUsbDeviceState &d) { d.configurationCount = 0; }},
        {"reset fails", [](FakeUsbDeviceState &d) { d.failures.insert(QStringLiteral("reset"), UsbErrorIO); }},
        {"claim fails",
         [](FakeUsbDeviceState &d) { d.failures.insert(QStringLiteral("claimInterface"), UsbErrorBusy); }},
        {"no interfaces", [](FakeUsbDeviceState &d) { d.interfaces.clear(); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        usb->detachAll();
        dialogs->alerts.clear();
        auto device = usb->attachPrinter(Zebra2844::vendorId, 9);
        c.script(*device);
        EXPECT_EQ(Zebra2844::writeData(everyByte()), ZebraWriteOutcome::Cancelled);
        EXPECT_EQ(dialogs->alerts.size(), 1);
        EXPECT_FALSE(device->isOpen);
        EXPECT_TRUE(device->claimedInterfaces.isEmpty());
        EXPECT_TRUE(device->detachedInterfaces.isEmpty());
        for (const QByteArray &written : device->writes)
            EXPECT_LT(written.size(), 256);
    }
}

TEST_F(ZebraOutputTest, AlternateSettingOneIsScannedWithTheCountItHas)
{
    auto device = usb->attachPrinter(Zebra2844::vendorId, 98);
    device->interfaces[0].alternateEndpoints = {device->interfaces[0].endpoints.first()};
    device->interfaces[0].endpoints.clear();
    EXPECT_EQ(Zebra2844::writeData(everyByte()), ZebraWriteOutcome::Sent);
    ASSERT_EQ(device->writes.size(), 1);
    EXPECT_EQ(device->writes[0], everyByte());
    EXPECT_TRUE(device->calls.contains(QStringLiteral("setAlternateSetting")));
}

TEST_F(ZebraOutputTest, PrintAgainRetriesUntilThePrinterIsThere)
{
    std::shared_ptr<FakeUsbDeviceState> device;
    dialogs->onAlert = [&](int index) -> std::optional<int> {
        if (index == 1)
            device = usb->attachPrinter(Zebra2844::vendorId, 77); // plugged in before the second answer
        return Zebra2844::printAgainAnswer;
    };
    EXPECT_EQ(Zebra2844::writeData(everyByte()), ZebraWriteOutcome::Sent);
    EXPECT_EQ(dialogs->alerts.size(), 2);
    EXPECT_EQ(dialogs->alerts[0].informativeText, Zebra2844::retryInformativeText);
    EXPECT_EQ(dialogs->alerts[0].buttons.size(), 2);
    EXPECT_EQ(dialogs->alerts[0].buttons[0].title, QStringLiteral("Print Again"));
    EXPECT_EQ(dialogs->alerts[0].buttons[1].title, QStringLiteral("Cancel"));
    ASSERT_TRUE(device);
    ASSERT_EQ(device->writes.size(), 1);
    EXPECT_EQ(device->writes[0], everyByte());
}

TEST_F(ZebraOutputTest, AutomationDoesNotWaitForAUser)
{
    setAutomationMode(true);
    EXPECT_EQ(Zebra2844::writeData(everyByte()), ZebraWriteOutcome::Failed);
    EXPECT_TRUE(dialogs->alerts.isEmpty());
    useSerial(QString());
    EXPECT_EQ(Zebra2844::writeData(everyByte()), ZebraWriteOutcome::Failed);
    EXPECT_TRUE(dialogs->alerts.isEmpty());
}

TEST_F(ZebraOutputTest, EmptyStreamIsRefusedWithoutAnAlert)
{
    auto device = usb->attachPrinter(Zebra2844::vendorId, 9);
    EXPECT_EQ(Zebra2844::writeData(QByteArray()), ZebraWriteOutcome::Failed);
    EXPECT_TRUE(device->calls.isEmpty());
    EXPECT_TRUE(dialogs->alerts.isEmpty());
}

TEST_F(ZebraOutputTest, SerialSendsEveryByteRawThroughAPty)
{
    PtyPair pty;
    ASSERT_TRUE(pty.isValid());
    setSerialPortList(nullptr); // the stand-in list accepts the character device
    useSerial(pty.slavePath());
    EXPECT_TRUE(Zebra2844::printerAvailable());
    const QByteArray stream = everyByte() + QByteArray("GW14,360,2,2\n\x0a\x0d\n", 17);
    EXPECT_EQ(Zebra2844::writeData(stream), ZebraWriteOutcome::Sent);
    EXPECT_EQ(pty.read(int(stream.size())), stream); // once, LF not turned into CR LF
    EXPECT_TRUE(dialogs->alerts.isEmpty());
}

TEST_F(ZebraOutputTest, SerialWithoutAPortAsksAtOnceAndCancelWritesNothing)
{
    PtyPair pty;
    ASSERT_TRUE(pty.isValid());
    useSerial(QString());
    ports->portList = {{pty.slavePath(), QStringLiteral("pty")}};
    EXPECT_EQ(Zebra2844::writeData(everyByte()), ZebraWriteOutcome::Cancelled);
    EXPECT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(ports->rescans, 0);
    EXPECT_TRUE(pty.read(1, 300).isEmpty());
    EXPECT_FALSE(Zebra2844::printerAvailable());

    // A path that is no serial port: also no write; "Print Again" re-scans.
    useSerial(QStringLiteral("/dev/ttyNotThere"));
    dialogs->answers = {Zebra2844::printAgainAnswer, Zebra2844::cancelAnswer};
    EXPECT_EQ(Zebra2844::writeData(everyByte()), ZebraWriteOutcome::Cancelled);
    EXPECT_EQ(dialogs->alerts.size(), 3);
    EXPECT_EQ(ports->rescans, 1);

    // The port of the list is written once it is the configured path.
    useSerial(pty.slavePath());
    EXPECT_TRUE(Zebra2844::printerAvailable());
    EXPECT_EQ(Zebra2844::writeData(everyByte()), ZebraWriteOutcome::Sent);
    EXPECT_EQ(pty.read(256), everyByte());
}

TEST_F(ZebraOutputTest, RawQueueRouteReportsAMissingQueueOrARefusedJob)
{
    useQueue(QStringLiteral("zebra"));
    EXPECT_FALSE(Zebra2844::printerAvailable());
    EXPECT_EQ(Zebra2844::writeData(everyByte()), ZebraWriteOutcome::Cancelled);
    EXPECT_EQ(dialogs->alerts.size(), 1);

    printers->add(QStringLiteral("zebra"), QStringLiteral("Zebra ZP 450 (EPL2)"));
    EXPECT_TRUE(Zebra2844::printerAvailable());
    printers->refusing = {QStringLiteral("zebra")};
    dialogs->onAlert = [&](int) -> std::optional<int> {
        printers->refusing.clear();
        return Zebra2844::printAgainAnswer;
    };
    EXPECT_EQ(Zebra2844::writeData(everyByte()), ZebraWriteOutcome::Sent);
    EXPECT_EQ(dialogs->alerts.size(), 2);
    ASSERT_EQ(printers->jobs.size(), 1);
    EXPECT_EQ(printers->jobs[0].queue, QStringLiteral("zebra"));
    EXPECT_EQ(printers->jobs[0].document, everyByte());
    EXPECT_EQ(printers->jobs[0].format, QStringLiteral("application/vnd.cups-raw"));
    EXPECT_EQ(printers->jobs[0].title, QStringLiteral("Tolvane Label"));
}

TEST_F(ZebraOutputTest, AvailabilityFollowsTheRoute)
{
    EXPECT_FALSE(Zebra2844::printerAvailable());
    usb->attachPrinter(Zebra2844::vendorId, 129);
    EXPECT_TRUE(Zebra2844::printerAvailable());
    // The serial route counts only its own port.
    useSerial(QStringLiteral("/dev/ttyS9"));
    EXPECT_FALSE(Zebra2844::printerAvailable());
    ports->portList = {{QStringLiteral("/dev/ttyS9"), QStringLiteral("S9")}};
    EXPECT_TRUE(Zebra2844::printerAvailable());
    // The queue route without its queue falls back to the USB answer.
    defaults().setBool(false, QStringLiteral("zebraUseSerial"));
    useQueue(QStringLiteral("none"));
    EXPECT_TRUE(Zebra2844::printerAvailable());
    usb->detachAll();
    EXPECT_FALSE(Zebra2844::printerAvailable());
}
