#pragma once
// A USB transport whose devices answer from a script, for tests and for the
// program's stand-in mode. Each device's state is shared: the test keeps it,
// scripts the answers beforehand and reads what was done afterwards.
#include "platform/UsbTransport.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

struct FakeUsbInterface {
    int number = 0;
    // The endpoints of alternate setting 0 and of alternate setting 1.
    QList<UsbEndpoint> endpoints;
    QList<UsbEndpoint> alternateEndpoints;
    // A kernel driver is bound to the interface (it must be detached to
    // claim it).
    bool kernelDriverBound = true;
};

struct FakeUsbDeviceState {
    // ---- script
    int vendorId = 0;
    int productId = 0;
    // open() answers UsbErrorBusy this many times before it succeeds.
    int busyOpens = 0;
    int configurationCount = 1;
    int configurationValue = 1;
    QList<FakeUsbInterface> interfaces;
    // The first bulk write sends only this many bytes fewer (0: all).
    int shortWriteBy = 0;
    // A step named here ("open", "reset", "configurationCount",
    // "configurationValue", "setConfiguration", "controlOut",
    // "interfaceNumbers", "claimInterface", "setAlternateSetting",
    // "endpoints", "clearHalt", "bulkWrite") answers this status instead.
    QHash<QString, UsbStatus> failures;

    // ---- record
    QStringList calls; // every step, in order
    int openCalls = 0;
    bool isOpen = false;
    QList<QByteArray> writes; // the bytes each bulk write delivered
    QList<int> writeEndpoints;
    // The interfaces whose kernel driver was detached at each bulk write.
    QList<QList<int>> detachedAtWrite;
    QList<int> claimedInterfaces;  // currently claimed
    QList<int> detachedInterfaces; // kernel driver currently detached
};

class FakeUsbTransport final : public UsbTransport
{
public:
    // Attaches a device; the first attached device with the asked ids is found.
    std::shared_ptr<FakeUsbDeviceState> attach(int vendorId, int productId);
    // A printer-class device with one interface holding a bulk OUT (0x01) and
    // a bulk IN (0x81) endpoint.
    std::shared_ptr<FakeUsbDeviceState> attachPrinter(int vendorId, int productId);
    void detachAll() { m_devices.clear(); }

    std::unique_ptr<UsbDevice> findDevice(int vendorId, int productId) override;

    // How many times findDevice() was asked.
    int searches() const { return m_searches; }

private:
    QList<std::shared_ptr<FakeUsbDeviceState>> m_devices;
    int m_searches = 0;
};
