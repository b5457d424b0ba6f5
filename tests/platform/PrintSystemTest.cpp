// The CUPS print system and the libusb transport when there is nothing to
// reach (the printing tests run both against real servers and fakes).
#include "platform/PrintSystem.h"
#include "platform/UsbTransport.h"

#include <QTemporaryDir>

#include <cups/cups.h>
#include <gtest/gtest.h>

TEST(PrintSystem, UnreachableSchedulerGivesErrorsNotQueues)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray socket = (dir.path() + QStringLiteral("/none.sock")).toLocal8Bit();
    cupsSetServer(socket.constData());
    const std::shared_ptr<PrintSystem> cups = cupsPrintSystem();
    EXPECT_EQ(printSystem(), cups);

    QString error;
    EXPECT_FALSE(cups->queues(&error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(cups->queue(QStringLiteral("zebra")));
    EXPECT_TRUE(cups->defaultQueueName().isEmpty());
    error.clear();
    EXPECT_EQ(
        cups->submitJob(QStringLiteral("zebra"), "data", PrintDocumentFormatRaw, QStringLiteral("Job"), {}, &error), 0);
    EXPECT_FALSE(error.isEmpty());
    error.clear();
    EXPECT_EQ(cups->submitJob(QString(), "data", PrintDocumentFormatRaw, QStringLiteral("Job"), {}, &error), 0);
    EXPECT_FALSE(error.isEmpty());
    cupsSetServer(nullptr);
}

TEST(UsbTransport, LibusbFindsNoDeviceOfAnUnusedId)
{
    EXPECT_EQ(usbTransport(), libusbTransport());
    EXPECT_EQ(libusbTransport()->findDevice(0xFFFF, 0xFFFE), nullptr);
}
