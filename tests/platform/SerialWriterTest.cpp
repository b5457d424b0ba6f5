// writeToSerialDevice on character devices that are no terminals and on
// paths that can't be opened (the terminal case is tested through a pty in
// the printing tests).
#include "platform/SerialWriter.h"

#include <gtest/gtest.h>

TEST(SerialWriter, CharacterDeviceWithoutTerminalSettingsTakesTheWholeStream)
{
    const QByteArray data(100000, 'x');
    const SerialWriteResult result = writeToSerialDevice(QStringLiteral("/dev/null"), data);
    EXPECT_TRUE(result.ok()) << result.errorText.toStdString();
    EXPECT_EQ(result.bytesWritten, data.size());
}

TEST(SerialWriter, OpenFailureAndFullDeviceAreFailures)
{
    const SerialWriteResult missing = writeToSerialDevice(QStringLiteral("/dev/tolvane-no-such-port"), "x");
    EXPECT_EQ(missing.status, SerialWriteResult::Status::OpenFailed);
    EXPECT_EQ(missing.openResult, -1);
    EXPECT_FALSE(missing.errorText.isEmpty());

    const SerialWriteResult full = writeToSerialDevice(QStringLiteral("/dev/full"), "label");
    EXPECT_EQ(full.status, SerialWriteResult::Status::WriteFailed);
    EXPECT_EQ(full.bytesWritten, 0);
}
