#pragma once
// Report descriptors of USB postal scales, written for these tests from the
// HID Usage Tables' Scale page (0x8D) and the item codes of the HID class
// definition (1.11, 6.2.2). Each byte is commented as a descriptor tool
// would print it.
#include <QByteArray>

namespace tolvane::test {

inline QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (int v : values)
        result.append(char(v));
    return result;
}

// Variable unit and status selectors (one bit each), a 16-bit signed Data
// Scaling, a 32-bit signed Data Weight, all in input report 3; Zero Scale in
// output report 2.
// Input report 3: byte 0 status bits 0x71..0x78; bytes 1-2 unit bits
// 0x51..0x5C (and 4 bits padding); bytes 3-4 exponent; bytes 5-8 weight.
inline QByteArray variableScaleDescriptor()
{
    return bytes({
        0x05, 0x8D,                   // Usage Page (Scale)
        0x09, 0x01,                   // Usage (Scales)
        0xA1, 0x01,                   // Collection (Application)
        0x85, 0x03,                   //   Report ID (3)
        0x09, 0x70,                   //   Usage (Scale Status)
        0xA1, 0x02,                   //   Collection (Logical)
        0x19, 0x71,                   //     Usage Minimum (Fault)
        0x29, 0x78,                   //     Usage Maximum (Requires Re-zeroing)
        0x15, 0x00,                   //     Logical Minimum (0)
        0x25, 0x01,                   //     Logical Maximum (1)
        0x75, 0x01,                   //     Report Size (1)
        0x95, 0x08,                   //     Report Count (8)
        0x81, 0x02,                   //     Input (Data, Variable, Absolute)
        0xC0,                         //   End Collection
        0x09, 0x50,                   //   Usage (Weight Unit)
        0xA1, 0x02,                   //   Collection (Logical)
        0x19, 0x51,                   //     Usage Minimum (Milligram)
        0x29, 0x5C,                   //     Usage Maximum (Pound)
        0x95, 0x0C,                   //     Report Count (12)
        0x81, 0x02,                   //     Input (Data, Variable, Absolute)
        0x95, 0x04,                   //     Report Count (4)
        0x81, 0x03,                   //     Input (Constant, Variable, Absolute): padding
        0xC0,                         //   End Collection
        0x09, 0x41,                   //   Usage (Data Scaling)
        0x16, 0x00, 0x80,             //   Logical Minimum (-32768)
        0x26, 0xFF, 0x7F,             //   Logical Maximum (32767)
        0x75, 0x10,                   //   Report Size (16)
        0x95, 0x01,                   //   Report Count (1)
        0x81, 0x02,                   //   Input (Data, Variable, Absolute)
        0x09, 0x40,                   //   Usage (Data Weight)
        0x17, 0x00, 0x00, 0x00, 0x80, // Logical Minimum (-2147483648)
        0x27, 0xFF, 0xFF, 0xFF, 0x7F, // Logical Maximum (2147483647)
        0x75, 0x20,                   //   Report Size (32)
        0x81, 0x02,                   //   Input (Data, Variable, Absolute)
        0x85, 0x02,                   //   Report ID (2)
        0x09, 0x80,                   //   Usage (Zero Scale)
        0x15, 0x00,                   //   Logical Minimum (0)
        0x25, 0x01,                   //   Logical Maximum (1)
        0x75, 0x01,                   //   Report Size (1)
        0x95, 0x01,                   //   Report Count (1)
        0x91, 0x02,                   //   Output (Data, Variable, Absolute)
        0x75, 0x07,                   //   Report Size (7)
        0x91, 0x03,                   //   Output (Constant, Variable, Absolute): padding
        0xC0,                         // End Collection
    });
}

// Input report 3 of variableScaleDescriptor().
inline QByteArray variableScaleReport(int statusBits, int unitBits, int exponent, int weight)
{
    return bytes({statusBits & 0xFF, unitBits & 0xFF, (unitBits >> 8) & 0x0F, exponent & 0xFF, (exponent >> 8) & 0xFF,
                  weight & 0xFF, (weight >> 8) & 0xFF, (weight >> 16) & 0xFF, (weight >> 24) & 0xFF});
}

// The unit bit of a selector usage in variableScaleReport().
inline int unitBit(int usage) { return 1 << (usage - 0x51); }
inline int statusBit(int usage) { return 1 << (usage - 0x71); }

// The pieces of the array-selector scales below.
// Application collection (Scales) around the given items.
inline QByteArray scalesApplication(const QByteArray &items)
{
    return bytes({
               0x05, 0x8D, // Usage Page (Scale)
               0x09, 0x01, // Usage (Scales)
               0xA1, 0x01, // Collection (Application)
           }) +
        items + bytes({0xC0}); // End Collection
}

// Status selectors as one array byte (1 = Fault .. 8 = Requires Re-zeroing),
// then unit selectors as one array byte (1 = Milligram .. 12 = Pound).
inline QByteArray arraySelectors()
{
    return bytes({
        0x09, 0x70, // Usage (Scale Status)
        0xA1, 0x02, // Collection (Logical)
        0x19, 0x71, //   Usage Minimum (Fault)
        0x29, 0x78, //   Usage Maximum (Requires Re-zeroing)
        0x15, 0x01, //   Logical Minimum (1)
        0x25, 0x08, //   Logical Maximum (8)
        0x75, 0x08, //   Report Size (8)
        0x95, 0x01, //   Report Count (1)
        0x81, 0x00, //   Input (Data, Array, Absolute)
        0xC0,       // End Collection
        0x09, 0x50, // Usage (Weight Unit)
        0xA1, 0x02, // Collection (Logical)
        0x19, 0x51, //   Usage Minimum (Milligram)
        0x29, 0x5C, //   Usage Maximum (Pound)
        0x25, 0x0C, //   Logical Maximum (12)
        0x81, 0x00, //   Input (Data, Array, Absolute)
        0xC0,       // End Collection
    });
}

// An unsigned 16-bit Data Weight.
inline QByteArray unsignedWeight()
{
    return bytes({
        0x09, 0x40,                   // Usage (Data Weight)
        0x15, 0x00,                   // Logical Minimum (0)
        0x27, 0xFF, 0xFF, 0x00, 0x00, // Logical Maximum (65535)
        0x75, 0x10,                   // Report Size (16)
        0x81, 0x02,                   // Input (Data, Variable, Absolute)
    });
}

// Array selectors, a signed byte Data Scaling and a 16-bit Data Weight in
// input report 3; Zero Scale in output report 2.
inline QByteArray arrayScaleDescriptor()
{
    return scalesApplication(bytes({0x85, 0x03}) + // Report ID (3)
                             arraySelectors() +
                             bytes({
                                 0x09, 0x41, // Usage (Data Scaling)
                                 0x15, 0x80, // Logical Minimum (-128)
                                 0x25, 0x7F, // Logical Maximum (127)
                                 0x81, 0x02, // Input (Data, Variable, Absolute)
                             }) +
                             unsignedWeight() +
                             bytes({
                                 0x85, 0x02, // Report ID (2)
                                 0x09, 0x80, // Usage (Zero Scale)
                                 0x25, 0x01, // Logical Maximum (1)
                                 0x75, 0x08, // Report Size (8)
                                 0x91, 0x02, // Output (Data, Variable, Absolute)
                             }));
}

// Input report 3 of arrayScaleDescriptor(); status and unit are the
// selectors' positions (1-based), 0 for none.
inline QByteArray arrayScaleReport(int status, int unit, int exponent, int weight)
{
    return bytes({status, unit, exponent & 0xFF, weight & 0xFF, (weight >> 8) & 0xFF});
}

// Array selectors, no Data Scaling, no report IDs; Zero Scale in a feature
// report. Input report: status byte, unit byte, 16-bit weight.
inline QByteArray plainScaleDescriptor()
{
    return scalesApplication(arraySelectors() + unsignedWeight() +
                             bytes({
                                 0x09, 0x80, // Usage (Zero Scale)
                                 0x25, 0x01, // Logical Maximum (1)
                                 0x75, 0x01, // Report Size (1)
                                 0xB1, 0x02, // Feature (Data, Variable, Absolute)
                                 0x75, 0x07, // Report Size (7)
                                 0xB1, 0x03, // Feature (Constant, Variable, Absolute): padding
                             }));
}

inline QByteArray plainScaleReport(int status, int unit, int weight)
{
    return bytes({status, unit, weight & 0xFF, (weight >> 8) & 0xFF});
}

// A Scale-page device without Data Weight (only the selectors).
inline QByteArray weightlessScaleDescriptor() { return scalesApplication(arraySelectors()); }

// A boot keyboard's first items: Generic Desktop page, Keyboard usage.
inline QByteArray keyboardDescriptor()
{
    return bytes({
        0x05, 0x01, // Usage Page (Generic Desktop)
        0x09, 0x06, // Usage (Keyboard)
        0xA1, 0x01, // Collection (Application)
        0x05, 0x07, //   Usage Page (Keyboard/Keypad)
        0x19, 0xE0, //   Usage Minimum (Left Control)
        0x29, 0xE7, //   Usage Maximum (Right GUI)
        0x15, 0x00, //   Logical Minimum (0)
        0x25, 0x01, //   Logical Maximum (1)
        0x75, 0x01, //   Report Size (1)
        0x95, 0x08, //   Report Count (8)
        0x81, 0x02, //   Input (Data, Variable, Absolute)
        0xC0,       // End Collection
    });
}

} // namespace tolvane::test
