#include "platform/FakeUsbTransport.h"

namespace {

class FakeUsbDevice final : public UsbDevice
{
public:
    explicit FakeUsbDevice(std::shared_ptr<FakeUsbDeviceState> state) : m_state(std::move(state)) {}
    ~FakeUsbDevice() override { close(); }

    int vendorId() const override { return m_state->vendorId; }
    int productId() const override { return m_state->productId; }

    UsbStatus open() override
    {
        ++m_state->openCalls;
        if (const auto failed = step("open"))
            return *failed;
        if (m_state->busyOpens > 0) {
            --m_state->busyOpens;
            return UsbErrorBusy;
        }
        m_state->isOpen = true;
        return UsbSuccess;
    }

    UsbStatus close() override
    {
        if (!m_state->isOpen)
            return UsbSuccess;
        m_state->calls << QStringLiteral("close");
        for (int interface : QList<int>(m_state->claimedInterfaces))
            releaseInterface(interface);
        m_state->isOpen = false;
        return UsbSuccess;
    }

    UsbStatus reset() override { return simple("reset"); }

    UsbStatus configurationCount(int &count) override
    {
        count = 0;
        if (const auto failed = step("configurationCount"))
            return *failed;
        count = m_state->configurationCount;
        return UsbSuccess;
    }

    UsbStatus configurationValue(int index, int &value) override
    {
        if (const auto failed = step("configurationValue"))
            return *failed;
        if (index >= m_state->configurationCount)
            return UsbErrorNotFound;
        value = m_state->configurationValue;
        return UsbSuccess;
    }

    UsbStatus setConfiguration(int) override { return simple("setConfiguration"); }
    UsbStatus controlOut(int, int, int, int) override { return simple("controlOut"); }

    UsbStatus interfaceNumbers(QList<int> &numbers) override
    {
        numbers.clear();
        if (const auto failed = step("interfaceNumbers"))
            return *failed;
        for (const FakeUsbInterface &interface : m_state->interfaces)
            numbers << interface.number;
        return UsbSuccess;
    }

    UsbStatus claimInterface(int number) override
    {
        if (const auto failed = step("claimInterface"))
            return *failed;
        const FakeUsbInterface *interface = find(number);
        if (!interface)
            return UsbErrorNotFound;
        if (interface->kernelDriverBound && !m_state->detachedInterfaces.contains(number))
            m_state->detachedInterfaces << number;
        m_state->claimedInterfaces << number;
        return UsbSuccess;
    }

    UsbStatus releaseInterface(int number) override
    {
        m_state->calls << QStringLiteral("releaseInterface");
        m_state->claimedInterfaces.removeAll(number);
        m_state->detachedInterfaces.removeAll(number);
        m_alternate.remove(number);
        return UsbSuccess;
    }

    UsbStatus setAlternateSetting(int number, int alternate) override
    {
        if (const auto failed = step("setAlternateSetting"))
            return *failed;
        m_alternate.insert(number, alternate);
        return UsbSuccess;
    }

    UsbStatus endpoints(int number, QList<UsbEndpoint> &endpoints) override
    {
        endpoints.clear();
        if (const auto failed = step("endpoints"))
            return *failed;
        const FakeUsbInterface *interface = find(number);
        if (!interface)
            return UsbErrorNotFound;
        endpoints = m_alternate.value(number, 0) == 0 ? interface->endpoints : interface->alternateEndpoints;
        return UsbSuccess;
    }

    UsbStatus clearHalt(int) override { return simple("clearHalt"); }

    UsbStatus bulkWrite(int endpointAddress, const QByteArray &data, int &transferred, int) override
    {
        transferred = 0;
        if (const auto failed = step("bulkWrite"))
            return *failed;
        const qsizetype sent = qMax<qsizetype>(0, data.size() - m_state->shortWriteBy);
        m_state->shortWriteBy = 0;
        m_state->writes << data.left(sent);
        m_state->writeEndpoints << endpointAddress;
        m_state->detachedAtWrite << m_state->detachedInterfaces;
        transferred = int(sent);
        return UsbSuccess;
    }

private:
    std::optional<UsbStatus> step(const char *name)
    {
        const QString key = QLatin1String(name);
        m_state->calls << key;
        if (key != QLatin1String("open") && !m_state->isOpen)
            return UsbErrorNoDevice;
        const auto it = m_state->failures.constFind(key);
        if (it != m_state->failures.cend())
            return it.value();
        return std::nullopt;
    }

    UsbStatus simple(const char *name) { return step(name).value_or(UsbSuccess); }

    const FakeUsbInterface *find(int number) const
    {
        for (const FakeUsbInterface &interface : m_state->interfaces) {
            if (interface.number == number)
                return &interface;
        }
        return nullptr;
    }

    std::shared_ptr<FakeUsbDeviceState> m_state;
    QHash<int, int> m_alternate;
};

} // namespace

std::shared_ptr<FakeUsbDeviceState> FakeUsbTransport::attach(int vendorId, int productId)
{
    auto state = std::make_shared<FakeUsbDeviceState>();
    state->vendorId = vendorId;
    state->productId = productId;
    m_devices << state;
    return state;
}

std::shared_ptr<FakeUsbDeviceState> FakeUsbTransport::attachPrinter(int vendorId, int productId)
{
    auto state = attach(vendorId, productId);
    FakeUsbInterface interface;
    interface.number = 0;
    UsbEndpoint out;
    out.address = 0x01;
    out.direction = UsbEndpoint::Out;
    UsbEndpoint in;
    in.address = 0x81;
    in.direction = UsbEndpoint::In;
    interface.endpoints = {out, in};
    state->interfaces << interface;
    return state;
}

std::unique_ptr<UsbDevice> FakeUsbTransport::findDevice(int vendorId, int productId)
{
    ++m_searches;
    for (const auto &state : m_devices) {
        if (state->vendorId == vendorId && state->productId == productId)
            return std::make_unique<FakeUsbDevice>(state);
    }
    return nullptr;
}
