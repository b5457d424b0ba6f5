#pragma once
// A HID transport that the test drives: attached devices, their latest input
// reports and the output and feature reports sent to them.
#include "devices/HIDObjects.h"
#include "devices/HID_Utilities.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>

namespace tolvane::test {

class FakeHIDTransport : public HIDTransport
{
public:
    struct Sent {
        QString path;
        HIDReportType type;
        uint8_t reportID;
        QByteArray data;
    };

    bool openResult = true;
    bool sendResult = true;
    int openCount = 0;
    std::vector<HIDDeviceDescription> attached;
    std::map<QString, std::map<uint8_t, QByteArray>> reports;
    std::set<QString> opened;
    std::vector<Sent> sent;

    bool open() override
    {
        ++openCount;
        return openResult;
    }
    void close() override {}
    std::vector<HIDDeviceDescription> devices() override { return attached; }
    bool openDevice(const QString &path) override
    {
        opened.insert(path);
        return true;
    }
    std::optional<QByteArray> inputReport(const QString &path, uint8_t reportID) override
    {
        const auto device = reports.find(path);
        if (device == reports.end())
            return std::nullopt;
        const auto report = device->second.find(reportID);
        if (report == device->second.end())
            return std::nullopt;
        return report->second;
    }
    bool sendReport(const QString &path, HIDReportType type, uint8_t reportID, const QByteArray &data) override
    {
        sent.push_back({path, type, reportID, data});
        return sendResult;
    }

    // A device attached now (tells the manager when it listens).
    void plug(const HIDDeviceDescription &device)
    {
        attached.push_back(device);
        deviceArrived(device);
    }
    void unplug(const QString &path)
    {
        attached.erase(std::remove_if(attached.begin(), attached.end(),
                                      [&](const HIDDeviceDescription &d) { return d.path == path; }),
                       attached.end());
        reports.erase(path);
        deviceRemoved(path);
    }
    void deliver(const QString &path, uint8_t reportID, const QByteArray &data) { reports[path][reportID] = data; }
};

// Installs a fresh fake transport for the managers created during a test and
// leaves the HID layer as a new process has it afterwards.
class HIDLayerFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        HIDResetModuleState();
        fake = std::make_shared<FakeHIDTransport>();
        HIDManager::setTransportFactory([this] { return fake; });
    }
    void TearDown() override
    {
        HIDResetModuleState();
        HIDManager::resetTransportFactory();
    }

    std::shared_ptr<FakeHIDTransport> fake;
};

inline HIDDeviceDescription describe(const QString &path, const QByteArray &descriptor, uint32_t locationID = 0,
                                     uint32_t vendorID = 0x1234, uint32_t productID = 0x0001)
{
    HIDDeviceDescription d;
    d.path = path;
    d.vendorID = vendorID;
    d.productID = productID;
    d.locationID = locationID;
    d.reportDescriptor = descriptor;
    d.manufacturer = QStringLiteral("Acme");
    d.product = QStringLiteral("Postal Scale");
    return d;
}

} // namespace tolvane::test
