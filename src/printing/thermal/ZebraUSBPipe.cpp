#include "printing/thermal/ZebraUSBPipe.h"

#include <QDebug>
#include <QThread>

namespace {

std::function<void(int)> &sleepFunction()
{
    static std::function<void(int)> sleep;
    return sleep;
}

void pause(int seconds)
{
    if (sleepFunction())
        sleepFunction()(seconds);
    else
        QThread::sleep(static_cast<unsigned long>(seconds));
}

// The console form of a status: its 32-bit pattern.
unsigned code(UsbStatus status) { return unsigned(int(status)); }

// Milliseconds the one bulk write may take: the stream at a slow printer's
// pace, never less than 10 seconds.
int writeTimeout(const QByteArray &data) { return int(qMin<qint64>(10000 + data.size() / 10, 600000)); }

} // namespace

void setZebraUSBSleepFunction(std::function<void(int)> sleep) { sleepFunction() = std::move(sleep); }

bool transferData(UsbDevice &device, int endpointAddress, const QByteArray &data)
{
    device.clearHalt(endpointAddress);
    pause(1);
    int transferred = 0;
    const UsbStatus status = device.bulkWrite(endpointAddress, data, transferred, writeTimeout(data));
    if (status != UsbSuccess || transferred != data.size()) {
        const UsbStatus reported = status != UsbSuccess ? status : UsbErrorIO;
        qWarning("transferData: WritePipeFailed, err = %08x (%d of %lld bytes sent)", code(reported), transferred,
                 qint64(data.size()));
        return false;
    }
    pause(1);
    return true;
}

int dealWithPipes(const QList<UsbEndpoint> &endpoints)
{
    for (const UsbEndpoint &endpoint : endpoints) {
        if (endpoint.transferType == UsbEndpoint::Bulk && endpoint.direction == UsbEndpoint::Out)
            return endpoint.address;
    }
    return -1;
}

bool dealWithInterface(UsbDevice &device, int interface, const QByteArray &data, bool &tried)
{
    tried = false;
    UsbStatus status = device.claimInterface(interface);
    if (status != UsbSuccess) {
        qWarning("dealWithInterface: unable to open interface. ret = %08x", code(status));
        return false;
    }
    bool sent = false;
    QList<UsbEndpoint> endpoints;
    status = device.endpoints(interface, endpoints);
    if (status != UsbSuccess) {
        qWarning("dealWithInterface: unable to get number of endpoints. ret = %08x", code(status));
    } else {
        if (endpoints.isEmpty()) {
            status = device.setAlternateSetting(interface, 1);
            if (status != UsbSuccess)
                qWarning("dealWithInterface: unable to set alternate interface 1. ret = %08x", code(status));
            else if ((status = device.endpoints(interface, endpoints)) != UsbSuccess)
                qWarning("dealWithInterface: unable to get number of endpoints - alt setting 1. ret = %08x",
                         code(status));
        }
        const int out = status == UsbSuccess ? dealWithPipes(endpoints) : -1;
        if (out >= 0) {
            tried = true;
            sent = transferData(device, out, data);
        }
    }
    status = device.releaseInterface(interface);
    if (status != UsbSuccess)
        qWarning("dealWithInterface: unable to close interface. ret = %08x", code(status));
    return sent;
}

bool dealWithDevice(UsbDevice &device, const QByteArray &data)
{
    UsbStatus status = device.open();
    for (int attempt = 1; status == UsbErrorBusy && attempt < kZebraUSBOpenAttempts; ++attempt) {
        pause(1);
        status = device.open();
    }
    if (status != UsbSuccess) {
        qWarning("dealWithDevice: unable to open device. ret = %08x", code(status));
        return false;
    }
    bool sent = false;
    [&] {
        if ((status = device.reset()) != UsbSuccess) {
            qWarning("dealWithDevice: unable to reset device. ret = %08x", code(status));
            return;
        }
        int configurations = 0;
        status = device.configurationCount(configurations);
        if (status != UsbSuccess || configurations == 0) {
            qWarning("dealWithDevice: unable to obtain the number of configurations. ret = %08x", code(status));
            return;
        }
        int value = 0;
        if (device.configurationValue(0, value) != UsbSuccess) {
            qWarning("dealWithDevice:unable to get config descriptor for index 0");
            return;
        }
        if (device.setConfiguration(value) != UsbSuccess) {
            qWarning("dealWithDevice: unable to set the configuration");
            return;
        }
        // CLEAR_FEATURE(ENDPOINT_HALT), standard request to an endpoint.
        if (device.controlOut(0x02, 0x01, 0, 0) != UsbSuccess) {
            qWarning("dealWithDevice: unable to DeviceRequestOut");
            return;
        }
        QList<int> interfaces;
        if (device.interfaceNumbers(interfaces) != UsbSuccess) {
            qWarning("dealWithDevice: unable to create interface iterator");
            return;
        }
        // The first interface with a bulk-out pipe gets the stream, once.
        for (int interface : interfaces) {
            bool tried = false;
            sent = dealWithInterface(device, interface, data, tried);
            if (tried)
                return;
        }
    }();
    status = device.close();
    if (status != UsbSuccess)
        qWarning("dealWithDevice: error closing device - %08x", code(status));
    return sent;
}
