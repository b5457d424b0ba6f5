#pragma once
// The fixture of the printing tests: fresh user defaults with the bundled
// defaults registered, a print system, USB transport and serial-port list of
// our own, recorded alerts, and USB pauses counted instead of slept.
#include "FakePrintSystem.h"
#include "RecordingDialogs.h"

#include "platform/FakeUsbTransport.h"
#include "platform/UserDefaults.h"
#include "printing/PrintingServices.h"
#include "printing/thermal/KIVONewTagwright.h"
#include "printing/thermal/ZebraUSBPipe.h"

#include <gtest/gtest.h>

// The 256 byte values in order: a stream that shows any byte lost, doubled
// or translated on the way.
inline QByteArray everyByte()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    return bytes;
}

class FakeSerialPortList final : public QVPrintingSerialPortList
{
public:
    QList<QVPrintingSerialPort> portList;
    int rescans = 0;

    QList<QVPrintingSerialPort> ports() override { return portList; }
    std::optional<QVPrintingSerialPort> objectWithBSDPath(const QString &path) override
    {
        for (const QVPrintingSerialPort &port : portList) {
            if (port.bsdPath == path)
                return port;
        }
        return std::nullopt;
    }
    void rescan() override { ++rescans; }
};

class FakeAccount final : public QVPrintingAccountServices
{
public:
    explicit FakeAccount(bool allowed) : m_allowed(allowed) {}
    bool tw310ValidForKIVOStamps() override { return m_allowed; }

private:
    bool m_allowed;
};

class PrintingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UserDefaults::resetStandardUserDefaults();
        ASSERT_TRUE(UserDefaults::standardUserDefaults().registerBundleDefaults());
        setPrintSystem(printers);
        setUsbTransport(usb);
        setSerialPortList(ports);
        KIVONewTagwright::resetAvailability();
        setZebraUSBSleepFunction([this](int seconds) { sleeps << seconds; });
    }

    void TearDown() override
    {
        setPrintSystem(nullptr);
        setUsbTransport(nullptr);
        setSerialPortList(nullptr);
        setPrintingAccountServices(nullptr);
        setZebraUSBSleepFunction(nullptr);
        KIVONewTagwright::resetAvailability();
        UserDefaults::resetStandardUserDefaults();
    }

    UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

    std::shared_ptr<FakePrintSystem> printers = std::make_shared<FakePrintSystem>();
    std::shared_ptr<FakeUsbTransport> usb = std::make_shared<FakeUsbTransport>();
    std::shared_ptr<FakeSerialPortList> ports = std::make_shared<FakeSerialPortList>();
    QList<int> sleeps;
    tolvane::test::DialogsScope dialogs;
};
