#pragma once
// Reader of USB HID report descriptors (Device Class Definition for HID 1.11,
// section 6.2.2) and the field arithmetic of the reports they describe.
//
// parseHIDReportDescriptor() turns the item stream into a flat list of
// elements in descriptor order: one element per collection (type 513), and
// for every Input, Output and Feature item one element per field of a
// variable item, or one element per selectable usage of an array item. Data
// padding (constant items) gives no element but takes its bits. Every element
// knows its report (type and report ID), the bit position of its field in the
// report (not counting the report-ID byte), its bit size, its logical range
// and whether it is an array selector. Cookies number the elements from 1.
//
// The reader is written for descriptors from outside the program: every item
// is bounds-checked, long items are skipped, and a descriptor that nests too
// deep, describes more than kHIDMaxElements elements or a report longer than
// kHIDMaxReportBytes, or gives a Report Size or Count beyond the bounds that
// Linux also holds to, is refused with an error text.
//
// hidExtractField() reads one field from report bytes; hidInsertField()
// writes one. Neither reads or writes outside the given bytes.
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

// Element types, numbered as the platform HID layer numbers them.
enum class HIDElementType : uint32_t {
    InputMisc = 1,
    InputButton = 2,
    InputAxis = 3,
    InputScanCodes = 4,
    Output = 129,
    Feature = 257,
    Collection = 513,
};

// The three kinds of report.
enum class HIDReportType { Input, Output, Feature };

struct HIDElementInfo {
    HIDElementType type = HIDElementType::InputMisc;
    uint32_t usagePage = 0;
    uint32_t usage = 0;
    uint32_t cookie = 0;
    uint8_t reportID = 0;
    uint64_t bitPosition = 0; // of the field in the report, after the report-ID byte
    uint32_t bitSize = 0;     // of one field (Report Size)
    uint32_t reportCount = 1; // fields of an array item searched for the selector; 1 for a variable
    int64_t logicalMin = 0;
    int64_t logicalMax = 0;
    bool isArray = false;
    int64_t arrayValue = 0;       // the field value that selects this usage (array elements)
    uint32_t collectionType = 0;  // collections: 0 physical, 1 application, 2 logical, ...
    uint32_t collectionDepth = 0; // nesting depth: 0 for top-level items

    bool isInput() const { return static_cast<uint32_t>(type) >= 1 && static_cast<uint32_t>(type) <= 4; }
    bool isCollection() const { return type == HIDElementType::Collection; }
    // Output and feature elements belong to those reports; collections to none.
    std::optional<HIDReportType> reportType() const;
    // Signed fields: those whose logical minimum is negative.
    bool isSigned() const { return logicalMin < 0; }
};

struct HIDReportDescriptor {
    std::vector<HIDElementInfo> elements;
    // Length in bits of each report, after the report-ID byte.
    std::map<std::pair<HIDReportType, uint8_t>, uint64_t> reportBits;
    bool usesReportIDs = false;
    // Usage of the first top-level collection (the device's primary usage).
    uint32_t primaryUsagePage = 0;
    uint32_t primaryUsage = 0;

    // Bytes of the report's data (without the report-ID byte), 0 when the
    // descriptor describes no such report.
    uint64_t reportBytes(HIDReportType type, uint8_t reportID) const;
};

inline constexpr uint64_t kHIDMaxReportBytes = 16384;
inline constexpr size_t kHIDMaxElements = 4096;
inline constexpr int kHIDMaxCollectionDepth = 64;
// The bounds of Report Size and Report Count that Linux also holds to.
inline constexpr uint32_t kHIDMaxReportSize = 256;
inline constexpr uint32_t kHIDMaxReportCount = 12288;

// The descriptor's elements, or nullopt with a reason in *error.
std::optional<HIDReportDescriptor> parseHIDReportDescriptor(const QByteArray &descriptor, QString *error = nullptr);

// The field of bitSize bits (1 to 64) at bitPosition of data, sign-extended
// when isSigned; nullopt when the field does not lie wholly inside data.
std::optional<int64_t> hidExtractField(const QByteArray &data, uint64_t bitPosition, uint32_t bitSize, bool isSigned);

// Writes the low bitSize bits (1 to 64) of value at bitPosition of data;
// false, leaving data as it was, when the field does not lie inside it.
bool hidInsertField(QByteArray &data, uint64_t bitPosition, uint32_t bitSize, int64_t value);

// The current value of an element read from report data (without the
// report-ID byte): the field of a variable element, or for an array selector
// 1 when any of its item's fields holds its selecting value and 0 otherwise.
// nullopt when the data do not hold the field, or for collections.
std::optional<int64_t> hidElementValue(const HIDElementInfo &element, const QByteArray &data);
