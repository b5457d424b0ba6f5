#pragma once
// Raw access to USB devices: find a device by vendor and product id, open
// it, configure it, walk its interfaces and endpoints, and write to a bulk
// pipe. The program asks the registered transport; without one it is libusb.
// Tests register a FakeUsbTransport (platform/FakeUsbTransport.h) whose
// devices answer from a script.
//
// Every step answers a UsbStatus; 0 is success, the others are libusb's error
// codes (negative), so a console line can show the code the system gave.
#include <QByteArray>
#include <QList>

#include <memory>

enum UsbStatus : int {
    UsbSuccess = 0,
    UsbErrorIO = -1,
    UsbErrorInvalidParam = -2,
    UsbErrorAccess = -3,
    UsbErrorNoDevice = -4,
    UsbErrorNotFound = -5,
    UsbErrorBusy = -6, // held by another client
    UsbErrorTimeout = -7,
    UsbErrorOverflow = -8,
    UsbErrorPipe = -9,
    UsbErrorInterrupted = -10,
    UsbErrorNoMemory = -11,
    UsbErrorNotSupported = -12,
    UsbErrorOther = -99,
};

struct UsbEndpoint {
    enum Direction { Out = 0, In = 1 };
    enum TransferType { Control = 0, Isochronous = 1, Bulk = 2, Interrupt = 3 };

    int address = 0; // endpoint address as USB gives it (bit 7 set for IN)
    Direction direction = Out;
    TransferType transferType = Bulk;
    int maxPacketSize = 64;
    int interval = 0;
};

// One device found by the transport; it is not open until open() succeeds.
class UsbDevice
{
public:
    virtual ~UsbDevice() = default;

    virtual int vendorId() const = 0;
    virtual int productId() const = 0;

    virtual UsbStatus open() = 0;
    // Releases whatever is still claimed and closes; harmless when not open.
    virtual UsbStatus close() = 0;
    virtual UsbStatus reset() = 0;
    virtual UsbStatus configurationCount(int &count) = 0;
    // The configuration value (descriptor byte 5) of the configuration at
    // that index.
    virtual UsbStatus configurationValue(int index, int &value) = 0;
    virtual UsbStatus setConfiguration(int value) = 0;
    // A control request without data, host to device.
    virtual UsbStatus controlOut(int requestType, int request, int value, int index) = 0;
    // The numbers of the interfaces of the active configuration.
    virtual UsbStatus interfaceNumbers(QList<int> &numbers) = 0;
    // Claims the interface for this program; a kernel driver bound to it
    // (the printer class driver) is detached while it is claimed and
    // attached again by releaseInterface().
    virtual UsbStatus claimInterface(int interface) = 0;
    virtual UsbStatus releaseInterface(int interface) = 0;
    virtual UsbStatus setAlternateSetting(int interface, int alternate) = 0;
    // The endpoints of the interface's current alternate setting.
    virtual UsbStatus endpoints(int interface, QList<UsbEndpoint> &endpoints) = 0;
    virtual UsbStatus clearHalt(int endpointAddress) = 0;
    // One bulk transfer of the whole data; `transferred` tells how much went.
    virtual UsbStatus bulkWrite(int endpointAddress, const QByteArray &data, int &transferred, int timeoutMs) = 0;
};

class UsbTransport
{
public:
    virtual ~UsbTransport() = default;

    // The first attached device with these ids, or null.
    virtual std::unique_ptr<UsbDevice> findDevice(int vendorId, int productId) = 0;
};

// Registers the transport (nullptr brings back libusb).
void setUsbTransport(std::shared_ptr<UsbTransport> transport);
std::shared_ptr<UsbTransport> usbTransport();

std::shared_ptr<UsbTransport> libusbTransport();
