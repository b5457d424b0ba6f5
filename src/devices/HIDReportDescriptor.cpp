#include "devices/HIDReportDescriptor.h"

#include <algorithm>

namespace {

// Item types and tags of the short items.
enum ItemType : uint8_t { Main = 0, Global = 1, Local = 2 };
enum MainTag : uint8_t { Input = 0x8, Output = 0x9, Collection = 0xA, Feature = 0xB, EndCollection = 0xC };
enum GlobalTag : uint8_t {
    UsagePage = 0x0,
    LogicalMinimum = 0x1,
    LogicalMaximum = 0x2,
    ReportSize = 0x7,
    ReportID = 0x8,
    ReportCount = 0x9,
    Push = 0xA,
    Pop = 0xB,
};
enum LocalTag : uint8_t { Usage = 0x0, UsageMinimum = 0x1, UsageMaximum = 0x2 };

constexpr uint8_t kLongItemPrefix = 0xFE;
constexpr int kMaxGlobalStack = 32;
constexpr uint32_t kUsagePageButton = 0x09;
constexpr uint32_t kUsagePageGenericDesktop = 0x01;
constexpr uint32_t kUsagePageKeyboard = 0x07;

struct GlobalState {
    uint32_t usagePage = 0;
    int64_t logicalMin = 0;
    int64_t logicalMaxSigned = 0;
    uint32_t logicalMaxUnsigned = 0;
    uint32_t reportSize = 0;
    uint8_t reportID = 0;
    uint32_t reportCount = 0;

    // The maximum is unsigned unless the minimum is negative.
    int64_t logicalMax() const { return logicalMin < 0 ? logicalMaxSigned : int64_t(logicalMaxUnsigned); }
};

struct LocalState {
    std::vector<uint32_t> usages; // usage page in the high 16 bits
    std::optional<uint32_t> usageMinimum;

    void clear()
    {
        usages.clear();
        usageMinimum.reset();
    }
};

class Parser
{
public:
    explicit Parser(const QByteArray &bytes) : m_bytes(bytes) {}

    std::optional<HIDReportDescriptor> run(QString *error)
    {
        if (!parseItems()) {
            if (error)
                *error = m_error;
            return std::nullopt;
        }
        return std::move(m_result);
    }

private:
    bool fail(const QString &reason)
    {
        m_error = reason;
        return false;
    }

    bool parseItems()
    {
        const auto *data = reinterpret_cast<const uint8_t *>(m_bytes.constData());
        const size_t size = size_t(m_bytes.size());
        size_t at = 0;
        while (at < size) {
            const uint8_t prefix = data[at];
            if (prefix == kLongItemPrefix) {
                if (size - at < 3)
                    return fail(QStringLiteral("long item cut short at byte %1").arg(at));
                const size_t length = data[at + 1];
                if (size - at - 3 < length)
                    return fail(QStringLiteral("long item cut short at byte %1").arg(at));
                at += 3 + length;
                continue;
            }
            const size_t length = (prefix & 3) == 3 ? 4 : (prefix & 3);
            if (size - at - 1 < length)
                return fail(QStringLiteral("item cut short at byte %1").arg(at));
            uint32_t unsignedData = 0;
            for (size_t i = 0; i < length; ++i)
                unsignedData |= uint32_t(data[at + 1 + i]) << (8 * i);
            int64_t signedData = unsignedData;
            if (length > 0 && (unsignedData >> (8 * length - 1)) & 1)
                signedData = int64_t(unsignedData) - (int64_t(1) << (8 * length));
            const uint8_t type = (prefix >> 2) & 3;
            const uint8_t tag = prefix >> 4;
            bool ok = true;
            if (type == Main)
                ok = mainItem(tag, unsignedData);
            else if (type == Global)
                ok = globalItem(tag, unsignedData, signedData);
            else if (type == Local)
                ok = localItem(tag, unsignedData, length);
            if (!ok)
                return false;
            at += 1 + length;
        }
        if (m_depth != 0)
            return fail(QStringLiteral("a collection is not closed"));
        return true;
    }

    bool globalItem(uint8_t tag, uint32_t unsignedData, int64_t signedData)
    {
        switch (tag) {
        case UsagePage:
            m_global.usagePage = unsignedData & 0xFFFF;
            break;
        case LogicalMinimum:
            m_global.logicalMin = signedData;
            break;
        case LogicalMaximum:
            m_global.logicalMaxSigned = signedData;
            m_global.logicalMaxUnsigned = unsignedData;
            break;
        case ReportSize:
            if (unsignedData > kHIDMaxReportSize)
                return fail(
                    QStringLiteral("report size %1 larger than %2 bits").arg(unsignedData).arg(kHIDMaxReportSize));
            m_global.reportSize = unsignedData;
            break;
        case ReportID:
            if (unsignedData == 0 || unsignedData > 0xFF)
                return fail(QStringLiteral("report ID %1 is not valid").arg(unsignedData));
            m_global.reportID = uint8_t(unsignedData);
            m_result.usesReportIDs = true;
            break;
        case ReportCount:
            if (unsignedData > kHIDMaxReportCount)
                return fail(QStringLiteral("report count %1 larger than %2").arg(unsignedData).arg(kHIDMaxReportCount));
            m_global.reportCount = unsignedData;
            break;
        case Push:
            if (m_stack.size() >= kMaxGlobalStack)
                return fail(QStringLiteral("too many pushed global items"));
            m_stack.push_back(m_global);
            break;
        case Pop:
            if (m_stack.empty())
                return fail(QStringLiteral("pop without push"));
            m_global = m_stack.back();
            m_stack.pop_back();
            break;
        default:
            break; // physical range, unit and exponent do not matter here
        }
        return true;
    }

    bool localItem(uint8_t tag, uint32_t unsignedData, size_t length)
    {
        // A four-byte usage carries its own page; a shorter one takes the
        // current usage page.
        const uint32_t usage = length == 4 ? unsignedData : (m_global.usagePage << 16) | (unsignedData & 0xFFFF);
        switch (tag) {
        case Usage:
            return addUsage(usage);
        case UsageMinimum:
            m_local.usageMinimum = usage;
            return true;
        case UsageMaximum:
            if (!m_local.usageMinimum)
                return true;
            if (usage < *m_local.usageMinimum)
                return fail(QStringLiteral("usage range runs backwards"));
            for (uint64_t u = *m_local.usageMinimum; u <= usage; ++u)
                if (!addUsage(uint32_t(u)))
                    return false;
            m_local.usageMinimum.reset();
            return true;
        default:
            return true;
        }
    }

    bool addUsage(uint32_t usage)
    {
        if (m_local.usages.size() >= kHIDMaxElements)
            return fail(QStringLiteral("more than %1 usages").arg(kHIDMaxElements));
        m_local.usages.push_back(usage);
        return true;
    }

    bool mainItem(uint8_t tag, uint32_t flags)
    {
        bool ok = true;
        switch (tag) {
        case Collection:
            ok = openCollection(flags);
            break;
        case EndCollection:
            if (m_depth == 0)
                return fail(QStringLiteral("end of a collection that was not opened"));
            --m_depth;
            break;
        case Input:
            ok = addFields(HIDReportType::Input, flags);
            break;
        case Output:
            ok = addFields(HIDReportType::Output, flags);
            break;
        case Feature:
            ok = addFields(HIDReportType::Feature, flags);
            break;
        default:
            break;
        }
        m_local.clear();
        return ok;
    }

    bool openCollection(uint32_t collectionType)
    {
        if (m_depth >= kHIDMaxCollectionDepth)
            return fail(QStringLiteral("collections nest too deep"));
        HIDElementInfo element;
        element.type = HIDElementType::Collection;
        const uint32_t usage = m_local.usages.empty() ? 0 : m_local.usages.front();
        element.usagePage = usage >> 16;
        element.usage = usage & 0xFFFF;
        element.collectionType = collectionType & 0xFF;
        element.collectionDepth = uint32_t(m_depth);
        if (m_depth == 0 && !m_sawTopCollection) {
            m_sawTopCollection = true;
            m_result.primaryUsagePage = element.usagePage;
            m_result.primaryUsage = element.usage;
        }
        ++m_depth;
        return addElement(element);
    }

    bool addElement(HIDElementInfo element)
    {
        if (m_result.elements.size() >= kHIDMaxElements)
            return fail(QStringLiteral("more than %1 elements").arg(kHIDMaxElements));
        element.cookie = uint32_t(m_result.elements.size() + 1);
        m_result.elements.push_back(element);
        return true;
    }

    static HIDElementType inputType(uint32_t usagePage, uint32_t usage, bool variable, uint32_t bitSize)
    {
        if (usagePage == kUsagePageButton || (variable && bitSize == 1))
            return HIDElementType::InputButton;
        if (variable && usagePage == kUsagePageGenericDesktop && usage >= 0x30 && usage <= 0x38)
            return HIDElementType::InputAxis;
        if (!variable && usagePage == kUsagePageKeyboard)
            return HIDElementType::InputScanCodes;
        return HIDElementType::InputMisc;
    }

    bool addFields(HIDReportType reportType, uint32_t flags)
    {
        const bool variable = flags & 0x02;
        const uint64_t bits = uint64_t(m_global.reportSize) * m_global.reportCount;
        const auto key = std::make_pair(reportType, m_global.reportID);
        const uint64_t position = m_result.reportBits[key];
        if (bits > kHIDMaxReportBytes * 8 - position)
            return fail(
                QStringLiteral("report %1 longer than %2 bytes").arg(m_global.reportID).arg(kHIDMaxReportBytes));
        m_result.reportBits[key] = position + bits;
        const auto &usages = m_local.usages;
        if (usages.empty())
            return true; // padding (constant fields without usages) takes bits only
        HIDElementInfo element;
        element.reportID = m_global.reportID;
        element.bitSize = m_global.reportSize;
        element.logicalMin = m_global.logicalMin;
        element.logicalMax = m_global.logicalMax();
        element.isArray = !variable;
        if (variable) {
            for (uint32_t i = 0; i < m_global.reportCount; ++i) {
                const uint32_t usage = usages[std::min<size_t>(i, usages.size() - 1)];
                element.usagePage = usage >> 16;
                element.usage = usage & 0xFFFF;
                element.bitPosition = position + uint64_t(i) * m_global.reportSize;
                element.type = elementType(reportType, element, true);
                if (!addElement(element))
                    return false;
            }
            return true;
        }
        element.bitPosition = position;
        element.reportCount = m_global.reportCount;
        for (size_t i = 0; i < usages.size(); ++i) {
            element.usagePage = usages[i] >> 16;
            element.usage = usages[i] & 0xFFFF;
            element.arrayValue = m_global.logicalMin + int64_t(i);
            element.type = elementType(reportType, element, false);
            if (!addElement(element))
                return false;
        }
        return true;
    }

    static HIDElementType elementType(HIDReportType reportType, const HIDElementInfo &element, bool variable)
    {
        switch (reportType) {
        case HIDReportType::Output:
            return HIDElementType::Output;
        case HIDReportType::Feature:
            return HIDElementType::Feature;
        case HIDReportType::Input:
            break;
        }
        return inputType(element.usagePage, element.usage, variable, element.bitSize);
    }

    const QByteArray &m_bytes;
    HIDReportDescriptor m_result;
    GlobalState m_global;
    std::vector<GlobalState> m_stack;
    LocalState m_local;
    int m_depth = 0;
    bool m_sawTopCollection = false;
    QString m_error;
};

} // namespace

std::optional<HIDReportType> HIDElementInfo::reportType() const
{
    if (isInput())
        return HIDReportType::Input;
    if (type == HIDElementType::Output)
        return HIDReportType::Output;
    if (type == HIDElementType::Feature)
        return HIDReportType::Feature;
    return std::nullopt;
}

uint64_t HIDReportDescriptor::reportBytes(HIDReportType type, uint8_t reportID) const
{
    const auto it = reportBits.find({type, reportID});
    return it == reportBits.end() ? 0 : (it->second + 7) / 8;
}

std::optional<HIDReportDescriptor> parseHIDReportDescriptor(const QByteArray &descriptor, QString *error)
{
    return Parser(descriptor).run(error);
}

namespace {

bool fieldFits(const QByteArray &data, uint64_t bitPosition, uint32_t bitSize)
{
    const uint64_t available = uint64_t(data.size()) * 8;
    return bitSize >= 1 && bitSize <= 64 && bitPosition <= available && bitSize <= available - bitPosition;
}

} // namespace

std::optional<int64_t> hidExtractField(const QByteArray &data, uint64_t bitPosition, uint32_t bitSize, bool isSigned)
{
    if (!fieldFits(data, bitPosition, bitSize))
        return std::nullopt;
    const auto *bytes = reinterpret_cast<const uint8_t *>(data.constData());
    uint64_t value = 0;
    for (uint32_t i = 0; i < bitSize; ++i) {
        const uint64_t bit = bitPosition + i;
        value |= uint64_t((bytes[bit / 8] >> (bit % 8)) & 1) << i;
    }
    if (isSigned && bitSize < 64 && (value >> (bitSize - 1)) & 1)
        value |= ~uint64_t(0) << bitSize;
    return int64_t(value);
}

bool hidInsertField(QByteArray &data, uint64_t bitPosition, uint32_t bitSize, int64_t value)
{
    if (!fieldFits(data, bitPosition, bitSize))
        return false;
    auto *bytes = reinterpret_cast<uint8_t *>(data.data());
    for (uint32_t i = 0; i < bitSize; ++i) {
        const uint64_t bit = bitPosition + i;
        const auto mask = uint8_t(1u << (bit % 8));
        if ((uint64_t(value) >> i) & 1)
            bytes[bit / 8] |= mask;
        else
            bytes[bit / 8] &= uint8_t(~mask);
    }
    return true;
}

std::optional<int64_t> hidElementValue(const HIDElementInfo &element, const QByteArray &data)
{
    if (element.isCollection())
        return std::nullopt;
    if (!element.isArray)
        return hidExtractField(data, element.bitPosition, element.bitSize, element.isSigned());
    bool selected = false;
    for (uint32_t slot = 0; slot < element.reportCount; ++slot) {
        const auto value = hidExtractField(data, element.bitPosition + uint64_t(slot) * element.bitSize,
                                           element.bitSize, element.isSigned());
        if (!value)
            return std::nullopt;
        selected = selected || *value == element.arrayValue;
    }
    return selected ? 1 : 0;
}
