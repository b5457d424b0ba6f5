#include "devices/QVUSBScale.h"

#include "devices/HID_Utilities.h"
#include "devices/IOHIDDevice_.h"

#include <QTimer>

#include <cmath>

const QString QVUSBScaleWasAddedNotification = QStringLiteral("QVUSBScaleWasAddedNotification");
const QString QVUSBScaleWasRemovedNotification = QStringLiteral("QVUSBScaleWasRemovedNotification");

namespace {

constexpr double kGramsPerOunce = 28.349523125; // the international avoirdupois ounce
constexpr double kGrainsPerOunce = 437.5;
constexpr uint32_t kAlwaysPoundsVendor = 0x0B67;
constexpr uint32_t kAlwaysPoundsProduct = 0x555E;
constexpr double kTwoTo63 = 9223372036854775808.0;

// Identity of the scale class in notifications.
const char kClassTag = 0;

struct Reading {
    double rawOunces = 0;
    int64_t wholeOunces = 0;
    int64_t status = 0;
    QString name;
};

enum class Attempt { Read, NoScale, NotRead };

HIDSearchCriteria scaleCriteria(uint32_t elementUsage)
{
    HIDSearchCriteria criteria;
    criteria.usagePage = ScaleUsage::Page;
    criteria.elementUsagePage = ScaleUsage::Page;
    criteria.elementUsage = elementUsage;
    return criteria;
}

// The first input element of the device with this Scale usage, or null.
HIDElementRef firstScaleInput(const HIDDeviceRef &device, uint32_t usage)
{
    for (const HIDElementRef &element : device->elements())
        if (element->info().isInput() && element->usagePage() == ScaleUsage::Page && element->usage() == usage)
            return element;
    return nullptr;
}

// The selector among [first, last] that reads 1, walking the input elements
// that follow the device's collection (or element) with the usage
// collectionUsage; the last one wins. fallback when none reads 1; nullopt
// when a selector's value was not delivered.
std::optional<uint32_t> selectedUsage(const HIDDeviceRef &device, uint32_t collectionUsage, uint32_t first,
                                      uint32_t last, uint32_t fallback)
{
    const auto start = device->copyMatchingElements(hu_SetUpMatchingDictionary(ScaleUsage::Page, collectionUsage));
    uint32_t selected = fallback;
    if (start.empty())
        return selected;
    for (HIDElementRef element = HIDGetNextDeviceElement(start.front(), kHIDElementTypeMaskInput); element;
         element = HIDGetNextDeviceElement(element, kHIDElementTypeMaskInput)) {
        if (element->usage() < first || element->usage() > last)
            continue;
        const auto value = device->getValue(element);
        if (!value)
            return std::nullopt;
        if (*value == 1)
            selected = element->usage();
    }
    return selected;
}

QString deviceName(const HIDDeviceRef &device)
{
    QStringList parts;
    for (const char *key : {"Manufacturer", "Product"}) {
        const QVariant part = device->property(QString::fromLatin1(key));
        if (part.metaType().id() == QMetaType::QString && !part.toString().isEmpty())
            parts << part.toString();
    }
    return parts.join(QLatin1Char(' '));
}

// Weight times ten to the exponent. A negative exponent divides by an exact
// power of ten, so that whole numbers stay whole (30 at -1 is 3, not a hair
// above).
double scaledWeight(int64_t weight, int64_t exponent)
{
    if (exponent >= 0)
        return std::pow(10.0, double(exponent)) * double(weight);
    return double(weight) / std::pow(10.0, -double(exponent));
}

Attempt readOnce(Reading &reading)
{
    if (!HIDHaveDeviceList() || HIDCountDevices() == 0)
        return Attempt::NoScale;
    HIDSearchCriteria criteria = scaleCriteria(ScaleUsage::DataWeight);
    HIDDeviceRef device;
    HIDElementRef weightElement;
    if (!HIDFindDeviceAndElement(&criteria, &device, &weightElement))
        return Attempt::NoScale;
    const auto weight = device->getValue(weightElement);
    if (!weight)
        return Attempt::NotRead;
    int64_t exponent = 0;
    if (const HIDElementRef scaling = firstScaleInput(device, ScaleUsage::DataScaling)) {
        const auto value = device->getValue(scaling);
        if (!value)
            return Attempt::NotRead;
        exponent = *value;
    }
    auto unit =
        selectedUsage(device, ScaleUsage::WeightUnit, ScaleUsage::Milligram, ScaleUsage::Pound, ScaleUsage::Ounce);
    if (!unit)
        return Attempt::NotRead;
    if (IOHIDDevice_GetVendorID(device) == kAlwaysPoundsVendor &&
        IOHIDDevice_GetProductID(device) == kAlwaysPoundsProduct)
        unit = ScaleUsage::Pound;
    const double raw = scaledWeight(*weight, exponent) * QVUSBScale::ouncesPerUnit(*unit);
    if (!std::isfinite(raw))
        return Attempt::NotRead;
    const double whole = std::ceil(raw);
    if (whole < -kTwoTo63 || whole >= kTwoTo63)
        return Attempt::NotRead;
    const auto status = selectedUsage(device, ScaleUsage::ScaleStatus, ScaleUsage::StatusFault,
                                      ScaleUsage::StatusRequiresRezeroing, ScaleUsage::StatusWeightStable);
    if (!status)
        return Attempt::NotRead;
    reading.rawOunces = raw;
    reading.wholeOunces = int64_t(whole);
    reading.status = *status;
    reading.name = deviceName(device);
    return Attempt::Read;
}

} // namespace

double QVUSBScale::ouncesPerUnit(uint32_t unitUsage)
{
    switch (unitUsage) {
    case ScaleUsage::Milligram:
        return 1.0 / (kGramsPerOunce * 1000.0);
    case ScaleUsage::Gram:
        return 0.035273962;
    case ScaleUsage::Kilogram:
        return 35.2739619;
    case ScaleUsage::Carat:
        return 0.2 / kGramsPerOunce; // the metric carat, 200 mg
    case ScaleUsage::Tael:
        return 4.0 / 3.0; // a sixteenth of the catty of 1 1/3 lb
    case ScaleUsage::Grain:
        return 1.0 / kGrainsPerOunce;
    case ScaleUsage::Pennyweight:
        return 24.0 / kGrainsPerOunce;
    case ScaleUsage::MetricTon:
        return 1.0e6 / kGramsPerOunce;
    case ScaleUsage::AvoirdupoisTon:
        return 2000.0 * 16.0; // the short ton
    case ScaleUsage::TroyOunce:
        return 480.0 / kGrainsPerOunce;
    case ScaleUsage::Pound:
        return 16.0;
    default:
        return 1.0;
    }
}

NotificationObject QVUSBScale::classObject() { return NotificationObject(&kClassTag); }

void QVUSBScale::setUpScale()
{
    if (gIOHIDManagerRef)
        return;
    const uint32_t usagePage = ScaleUsage::Page;
    const uint32_t usage = 0;
    HIDBuildMultiDeviceList(&usagePage, &usage, 1);
    if (gIOHIDManagerRef)
        gIOHIDManagerRef->scheduleWithRunLoop();
    // The callbacks go to the manager of this set-up, if it still is the one.
    std::weak_ptr<HIDManager> manager = gIOHIDManagerRef;
    QTimer::singleShot(10, [manager] {
        if (manager.lock() == gIOHIDManagerRef)
            registerScaleCallbacks();
    });
}

void QVUSBScale::registerScaleCallbacks()
{
    registerScaleValueCallback();
    if (!gIOHIDManagerRef)
        return;
    gIOHIDManagerRef->registerDeviceMatchingCallback(addFunction, nullptr);
    gIOHIDManagerRef->registerDeviceRemovalCallback(removeFunction, nullptr);
}

void QVUSBScale::registerScaleValueCallback() {}

bool QVUSBScale::scaleIsSetup() { return bool(gIOHIDManagerRef); }

bool QVUSBScale::zeroScale()
{
    if (!HIDHaveDeviceList() || HIDCountDevices() == 0)
        return false;
    HIDSearchCriteria criteria = scaleCriteria(ScaleUsage::ZeroScale);
    HIDDeviceRef device;
    HIDElementRef element;
    if (!HIDFindDeviceAndElement(&criteria, &device, &element))
        return false;
    return device->setValue(element, 1);
}

bool QVUSBScale::genericWeightDataValue(int64_t *wholeOunces, int64_t *status, QString *name, double *rawOunces)
{
    Reading reading;
    Attempt attempt = readOnce(reading);
    if (attempt == Attempt::NoScale) {
        HIDRebuildDevices();
        if (!HIDHaveDeviceList() || HIDCountDevices() == 0)
            return false;
        attempt = readOnce(reading);
    }
    if (attempt != Attempt::Read)
        return false;
    if (rawOunces)
        *rawOunces = reading.rawOunces;
    if (wholeOunces)
        *wholeOunces = reading.wholeOunces;
    if (status)
        *status = reading.status;
    if (name)
        *name = reading.name;
    return true;
}

bool QVUSBScale::genericWeightDataValue(int64_t *wholeOunces, int64_t *status, QString *name)
{
    return genericWeightDataValue(wholeOunces, status, name, nullptr);
}

bool QVUSBScale::genericWeightDataValue(int64_t *wholeOunces, int64_t *status)
{
    return genericWeightDataValue(wholeOunces, status, nullptr, nullptr);
}

bool QVUSBScale::genericWeightDataValue(int64_t *wholeOunces)
{
    return genericWeightDataValue(wholeOunces, nullptr, nullptr, nullptr);
}

bool QVUSBScale::genericWeightInOunces(int32_t *wholeOunces)
{
    int64_t whole = 0;
    if (!genericWeightDataValue(&whole, nullptr, nullptr, nullptr))
        return false;
    if (whole < INT32_MIN || whole > INT32_MAX)
        return false;
    if (wholeOunces)
        *wholeOunces = int32_t(whole);
    return true;
}

void addFunction(void *, HIDReturn, void *, HIDDeviceRef)
{
    HIDRebuildDevices();
    QVUSBScale::registerScaleValueCallback();
    NotificationCenter::defaultCenter().post(QVUSBScaleWasAddedNotification, QVUSBScale::classObject());
}

void removeFunction(void *, HIDReturn, void *, HIDDeviceRef)
{
    HIDRebuildDevices();
    NotificationCenter::defaultCenter().post(QVUSBScaleWasRemovedNotification, QVUSBScale::classObject());
}
