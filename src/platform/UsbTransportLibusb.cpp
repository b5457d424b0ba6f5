#include "platform/UsbTransport.h"

#include "platform/ServiceSlot.h"

#include <QDebug>
#include <QSet>

#include <libusb.h>

#include <QHash>

namespace {

libusb_context *sharedContext()
{
    static libusb_context *context = [] {
        libusb_context *made = nullptr;
        const int status = libusb_init(&made);
        if (status != LIBUSB_SUCCESS) {
            qWarning("USB access is not available: %s", libusb_error_name(status));
            return static_cast<libusb_context *>(nullptr);
        }
        return made;
    }();
    return context;
}

UsbStatus status(int code) { return code >= 0 ? UsbSuccess : UsbStatus(code); }

class LibusbDevice final : public UsbDevice
{
public:
    LibusbDevice(libusb_device *device, int vendor, int product)
        : m_device(libusb_ref_device(device)), m_vendor(vendor), m_product(product)
    {}
    ~LibusbDevice() override
    {
        close();
        libusb_unref_device(m_device);
    }

    int vendorId() const override { return m_vendor; }
    int productId() const override { return m_product; }

    UsbStatus open() override
    {
        if (m_handle)
            return UsbSuccess;
        return status(libusb_open(m_device, &m_handle));
    }

    UsbStatus close() override
    {
        if (!m_handle)
            return UsbSuccess;
        for (int interface : QSet<int>(m_claimed))
            releaseInterface(interface);
        libusb_close(m_handle);
        m_handle = nullptr;
        return UsbSuccess;
    }

    UsbStatus reset() override { return m_handle ? status(libusb_reset_device(m_handle)) : UsbErrorNoDevice; }

    UsbStatus configurationCount(int &count) override
    {
        libusb_device_descriptor descriptor{};
        const int result = libusb_get_device_descriptor(m_device, &descriptor);
        count = result == 0 ? descriptor.bNumConfigurations : 0;
        return status(result);
    }

    UsbStatus configurationValue(int index, int &value) override
    {
        libusb_config_descriptor *config = nullptr;
        const int result = libusb_get_config_descriptor(m_device, uint8_t(index), &config);
        if (result != 0)
            return status(result);
        value = config->bConfigurationValue;
        libusb_free_config_descriptor(config);
        return UsbSuccess;
    }

    UsbStatus setConfiguration(int value) override
    {
        if (!m_handle)
            return UsbErrorNoDevice;
        // Setting the configuration already active would reset the device
        // again; the system may also hold it for a bound driver.
        int current = 0;
        if (libusb_get_configuration(m_handle, &current) == 0 && current == value)
            return UsbSuccess;
        return status(libusb_set_configuration(m_handle, value));
    }

    UsbStatus controlOut(int requestType, int request, int value, int index) override
    {
        if (!m_handle)
            return UsbErrorNoDevice;
        return status(libusb_control_transfer(m_handle, uint8_t(requestType), uint8_t(request), uint16_t(value),
                                              uint16_t(index), nullptr, 0, 5000));
    }

    UsbStatus interfaceNumbers(QList<int> &numbers) override
    {
        numbers.clear();
        libusb_config_descriptor *config = nullptr;
        const int result = libusb_get_active_config_descriptor(m_device, &config);
        if (result != 0)
            return status(result);
        for (int i = 0; i < config->bNumInterfaces; ++i) {
            if (config->interface[i].num_altsetting > 0)
                numbers.append(config->interface[i].altsetting[0].bInterfaceNumber);
        }
        libusb_free_config_descriptor(config);
        return UsbSuccess;
    }

    UsbStatus claimInterface(int interface) override
    {
        if (!m_handle)
            return UsbErrorNoDevice;
        if (libusb_kernel_driver_active(m_handle, interface) == 1) {
            const int detached = libusb_detach_kernel_driver(m_handle, interface);
            if (detached != 0)
                return status(detached);
            m_detached.insert(interface);
        }
        const int result = libusb_claim_interface(m_handle, interface);
        if (result != 0) {
            reattach(interface);
            return status(result);
        }
        m_claimed.insert(interface);
        return UsbSuccess;
    }

    UsbStatus releaseInterface(int interface) override
    {
        if (!m_handle)
            return UsbErrorNoDevice;
        const int result = m_claimed.remove(interface) ? libusb_release_interface(m_handle, interface) : 0;
        reattach(interface);
        m_alternate.remove(interface);
        return status(result);
    }

    UsbStatus setAlternateSetting(int interface, int alternate) override
    {
        if (!m_handle)
            return UsbErrorNoDevice;
        const int result = libusb_set_interface_alt_setting(m_handle, interface, alternate);
        if (result == 0)
            m_alternate.insert(interface, alternate);
        return status(result);
    }

    UsbStatus endpoints(int interface, QList<UsbEndpoint> &endpoints) override
    {
        endpoints.clear();
        libusb_config_descriptor *config = nullptr;
        const int result = libusb_get_active_config_descriptor(m_device, &config);
        if (result != 0)
            return status(result);
        const int alternate = m_alternate.value(interface, 0);
        UsbStatus answer = UsbErrorNotFound;
        for (int i = 0; i < config->bNumInterfaces; ++i) {
            for (int a = 0; a < config->interface[i].num_altsetting; ++a) {
                const libusb_interface_descriptor &setting = config->interface[i].altsetting[a];
                if (setting.bInterfaceNumber != interface || setting.bAlternateSetting != alternate)
                    continue;
                for (int e = 0; e < setting.bNumEndpoints; ++e) {
                    const libusb_endpoint_descriptor &described = setting.endpoint[e];
                    UsbEndpoint endpoint;
                    endpoint.address = described.bEndpointAddress;
                    endpoint.direction =
                        (described.bEndpointAddress & LIBUSB_ENDPOINT_IN) ? UsbEndpoint::In : UsbEndpoint::Out;
                    endpoint.transferType = UsbEndpoint::TransferType(described.bmAttributes & 0x3);
                    endpoint.maxPacketSize = described.wMaxPacketSize;
                    endpoint.interval = described.bInterval;
                    endpoints.append(endpoint);
                }
                answer = UsbSuccess;
            }
        }
        libusb_free_config_descriptor(config);
        return answer;
    }

    UsbStatus clearHalt(int endpointAddress) override
    {
        return m_handle ? status(libusb_clear_halt(m_handle, uint8_t(endpointAddress))) : UsbErrorNoDevice;
    }

    UsbStatus bulkWrite(int endpointAddress, const QByteArray &data, int &transferred, int timeoutMs) override
    {
        transferred = 0;
        if (!m_handle)
            return UsbErrorNoDevice;
        QByteArray copy = data;
        return status(libusb_bulk_transfer(m_handle, uint8_t(endpointAddress),
                                           reinterpret_cast<unsigned char *>(copy.data()), int(copy.size()),
                                           &transferred, unsigned(timeoutMs)));
    }

private:
    void reattach(int interface)
    {
        if (m_detached.remove(interface))
            libusb_attach_kernel_driver(m_handle, interface);
    }

    libusb_device *m_device;
    libusb_device_handle *m_handle = nullptr;
    int m_vendor;
    int m_product;
    QSet<int> m_claimed;
    QSet<int> m_detached;
    QHash<int, int> m_alternate;
};

class LibusbTransport final : public UsbTransport
{
public:
    std::unique_ptr<UsbDevice> findDevice(int vendorId, int productId) override
    {
        libusb_context *context = sharedContext();
        if (!context)
            return nullptr;
        libusb_device **list = nullptr;
        const ssize_t count = libusb_get_device_list(context, &list);
        std::unique_ptr<UsbDevice> found;
        for (ssize_t i = 0; i < count && !found; ++i) {
            libusb_device_descriptor descriptor{};
            if (libusb_get_device_descriptor(list[i], &descriptor) != 0)
                continue;
            if (descriptor.idVendor == vendorId && descriptor.idProduct == productId)
                found = std::make_unique<LibusbDevice>(list[i], vendorId, productId);
        }
        if (count >= 0)
            libusb_free_device_list(list, 1);
        return found;
    }
};

using Slot = ServiceSlot<UsbTransport, LibusbTransport>;

} // namespace

std::shared_ptr<UsbTransport> libusbTransport() { return Slot::shared().fallback; }

void setUsbTransport(std::shared_ptr<UsbTransport> transport) { Slot::shared().registered = std::move(transport); }

std::shared_ptr<UsbTransport> usbTransport() { return Slot::shared().current(); }
