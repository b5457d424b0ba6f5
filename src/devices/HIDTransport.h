#pragma once
// What the HID layer asks of the system's HID devices.
//
// A transport lists the HID devices that are attached (each with its USB
// identity, location, report descriptor and strings), keeps the latest input
// report of each report ID of the devices it was asked to open, sends output
// and feature reports, and tells of devices that arrive or are removed. The
// real transport reads Linux hidraw nodes (HidrawTransport.h); tests use a
// fake one. Every call runs on the main thread; arrival and removal are
// reported from the main event loop (or, for a fake, when the test says so).
#include "devices/HIDReportDescriptor.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct HIDDeviceDescription {
    QString path; // identifies the device while it is attached (the device node)
    uint32_t vendorID = 0;
    uint32_t productID = 0;
    uint32_t locationID = 0; // bus in the high byte, then one hex digit per port; 0 when unknown
    QByteArray reportDescriptor;
    std::optional<QString> manufacturer; // absent when the device gives none
    std::optional<QString> product;
};

class HIDTransport
{
public:
    using ArrivalHandler = std::function<void(const HIDDeviceDescription &)>;
    using RemovalHandler = std::function<void(const QString &path)>;

    virtual ~HIDTransport();

    // Starts listing and watching; false when the system cannot be asked.
    virtual bool open() = 0;
    virtual void close() = 0;
    // The devices attached now.
    virtual std::vector<HIDDeviceDescription> devices() = 0;
    // Opens a device for its reports; false when it cannot be opened (it is
    // gone, or the user may not open it). Opening an open device is allowed.
    virtual bool openDevice(const QString &path) = 0;
    // The latest input report with this report ID that the device delivered,
    // without the report-ID byte; nullopt when it delivered none or is gone.
    virtual std::optional<QByteArray> inputReport(const QString &path, uint8_t reportID) = 0;
    // Sends an output or feature report (data without the report-ID byte);
    // false when it could not be sent.
    virtual bool sendReport(const QString &path, HIDReportType type, uint8_t reportID, const QByteArray &data) = 0;

    void setArrivalHandler(ArrivalHandler handler) { m_arrival = std::move(handler); }
    void setRemovalHandler(RemovalHandler handler) { m_removal = std::move(handler); }

protected:
    void deviceArrived(const HIDDeviceDescription &device)
    {
        if (m_arrival)
            m_arrival(device);
    }
    void deviceRemoved(const QString &path)
    {
        if (m_removal)
            m_removal(path);
    }

private:
    ArrivalHandler m_arrival;
    RemovalHandler m_removal;
};

// The transport of the running system (hidraw over libudev).
std::shared_ptr<HIDTransport> makeDefaultHIDTransport();
