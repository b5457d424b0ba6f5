#pragma once
// The USB postal scale: any device on the HID Scale usage page (0x8D).
//
// QVUSBScale has class operations only. setUpScale() (once per process, at
// the end of start-up) builds the list of scale devices of the HID utility
// layer and, 0.01 s later on the main event loop, registers the attach and
// detach callbacks (addFunction, removeFunction), which rebuild the list and
// post QVUSBScaleWasAddedNotification or QVUSBScaleWasRemovedNotification on
// the default NotificationCenter with QVUSBScale::classObject() as object.
//
// A reading (genericWeightDataValue) takes the first scale's Data Weight
// (0x40) times ten to its Data Scaling (0x41, exponent 0 when the scale has
// none) in the unit whose selector (0x51 to 0x5C, after the Weight Unit
// collection 0x50) reads 1, ounces when none does; the scale 0x0B67/0x555E
// always reports pounds. Ounces are exact for ounces and pounds (16), the
// gram and kilogram factors are 0.035273962 and 35.2739619, and the other
// units use their defined sizes (one avoirdupois ounce is 28.349523125 g;
// the tael is the catty's sixteenth, 1 1/3 oz; the avoirdupois ton is the
// short ton of 2000 lb). The outputs are the raw ounces, the whole ounces
// (raw rounded up), the status (the status selector 0x71 to 0x78 that reads
// 1, else 0x74 weight stable) and the name ("Manufacturer Product", a
// missing part left out). Each output may be null; only given ones are
// written, and none when the answer is false.
//
// A reading answers false when no scale with a Data Weight element is found
// even after one rebuild of the device list, when a value it needs was not
// delivered (no report yet, or the scale is gone), or when the weight does
// not come to a finite number of ounces whose whole ounces fit 64 bits.
//
// zeroScale() writes 1 to the first scale's Zero Scale element (0x80) and
// answers whether the report holding it was sent; false when there is no
// scale or no such element. It never rebuilds the list.
//
// Main thread only.
#include "devices/HIDObjects.h"
#include "platform/NotificationCenter.h"

#include <QString>

#include <cstdint>

extern const QString QVUSBScaleWasAddedNotification;
extern const QString QVUSBScaleWasRemovedNotification;

// Usages of the Scale page (0x8D).
namespace ScaleUsage {
inline constexpr uint32_t Page = 0x8D;
inline constexpr uint32_t DataWeight = 0x40;
inline constexpr uint32_t DataScaling = 0x41;
inline constexpr uint32_t WeightUnit = 0x50;
inline constexpr uint32_t Milligram = 0x51;
inline constexpr uint32_t Gram = 0x52;
inline constexpr uint32_t Kilogram = 0x53;
inline constexpr uint32_t Carat = 0x54;
inline constexpr uint32_t Tael = 0x55;
inline constexpr uint32_t Grain = 0x56;
inline constexpr uint32_t Pennyweight = 0x57;
inline constexpr uint32_t MetricTon = 0x58;
inline constexpr uint32_t AvoirdupoisTon = 0x59;
inline constexpr uint32_t TroyOunce = 0x5A;
inline constexpr uint32_t Ounce = 0x5B;
inline constexpr uint32_t Pound = 0x5C;
inline constexpr uint32_t ScaleStatus = 0x70;
inline constexpr uint32_t StatusFault = 0x71;
inline constexpr uint32_t StatusStableAtZero = 0x72;
inline constexpr uint32_t StatusInMotion = 0x73;
inline constexpr uint32_t StatusWeightStable = 0x74;
inline constexpr uint32_t StatusUnderZero = 0x75;
inline constexpr uint32_t StatusOverWeightLimit = 0x76;
inline constexpr uint32_t StatusRequiresCalibration = 0x77;
inline constexpr uint32_t StatusRequiresRezeroing = 0x78;
inline constexpr uint32_t ZeroScale = 0x80;
} // namespace ScaleUsage

class QVUSBScale
{
public:
    QVUSBScale() = delete;

    static void setUpScale();
    static void registerScaleCallbacks();
    static void registerScaleValueCallback();
    static bool scaleIsSetup();
    static bool zeroScale();

    static bool genericWeightDataValue(int64_t *wholeOunces, int64_t *status, QString *name, double *rawOunces);
    static bool genericWeightDataValue(int64_t *wholeOunces, int64_t *status, QString *name);
    static bool genericWeightDataValue(int64_t *wholeOunces, int64_t *status);
    static bool genericWeightDataValue(int64_t *wholeOunces);
    // The whole ounces as a 32-bit number; false (output untouched) also
    // when they do not fit 32 bits.
    static bool genericWeightInOunces(int32_t *wholeOunces);

    // The object of the scale's notifications (the class itself).
    static NotificationObject classObject();

    // Ounces in one of the unit (0x51 to 0x5C); 1 for any other usage.
    static double ouncesPerUnit(uint32_t unitUsage);
};

// The HID manager's device-matching and device-removal callbacks.
void addFunction(void *context, HIDReturn result, void *sender, HIDDeviceRef device);
void removeFunction(void *context, HIDReturn result, void *sender, HIDDeviceRef device);
