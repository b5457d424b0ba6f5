// HID report descriptors and reports as a device gives them (the descriptor
// from sysfs, the reports from the hidraw node): the descriptor is read, every
// element's value is taken from the report and every output and feature
// element written, then a scale reading and a zeroing run over a device with
// that descriptor and report.
// Input: the descriptor's length (two bytes, little-endian), the descriptor,
// then one input report as the node gives it (led by its report ID when the
// descriptor uses IDs).
#include "FuzzSupport.h"
#include "devices/HID_Utilities.h"
#include "devices/QVUSBScale.h"

#include <QtGlobal>

#include <algorithm>

namespace {

// One device whose latest input report is the fuzzed one; reports sent to it
// are dropped.
class FuzzTransport : public HIDTransport
{
public:
    HIDDeviceDescription device;
    uint8_t reportID = 0;
    QByteArray report;

    bool open() override { return true; }
    void close() override {}
    std::vector<HIDDeviceDescription> devices() override { return {device}; }
    bool openDevice(const QString &) override { return true; }
    std::optional<QByteArray> inputReport(const QString &, uint8_t id) override
    {
        if (id != reportID)
            return std::nullopt;
        return report;
    }
    bool sendReport(const QString &, HIDReportType, uint8_t, const QByteArray &) override { return true; }
};

void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QtMessageHandler previous = qInstallMessageHandler(quiet);
    (void)previous;
    if (size < 2)
        return 0;
    const size_t length = std::min(size - 2, size_t(data[0]) | size_t(data[1]) << 8);
    const QByteArray descriptor = tolvane::fuzz::bytesOf(data + 2, length);
    QByteArray report = tolvane::fuzz::bytesOf(data + 2 + length, size - 2 - length);

    const auto parsed = parseHIDReportDescriptor(descriptor);
    if (!parsed)
        return 0;
    uint8_t reportID = 0;
    if (parsed->usesReportIDs && !report.isEmpty()) {
        reportID = uint8_t(report[0]);
        report.remove(0, 1);
    }
    for (const HIDElementInfo &element : parsed->elements) {
        (void)hidElementValue(element, report);
        const auto type = element.reportType();
        if (!type || *type == HIDReportType::Input)
            continue;
        QByteArray out(qsizetype(parsed->reportBytes(*type, element.reportID)), '\0');
        (void)hidInsertField(out, element.bitPosition, element.bitSize, 1);
    }

    const auto transport = std::make_shared<FuzzTransport>();
    transport->device.path = QStringLiteral("/dev/hidraw0");
    transport->device.reportDescriptor = descriptor;
    transport->reportID = reportID;
    transport->report = report;
    HIDManager::setTransportFactory([transport] { return transport; });
    const uint32_t usagePage = ScaleUsage::Page, usage = 0;
    HIDBuildMultiDeviceList(&usagePage, &usage, 1);
    int64_t whole = 0, status = 0;
    QString name;
    double raw = 0;
    (void)QVUSBScale::genericWeightDataValue(&whole, &status, &name, &raw);
    (void)QVUSBScale::zeroScale();
    HIDResetModuleState();
    return 0;
}
