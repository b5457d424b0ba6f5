// Report-descriptor reader and field arithmetic, over descriptors written
// from the HID Usage Tables.
#include "ScaleDescriptors.h"
#include "devices/HIDReportDescriptor.h"

#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

const HIDElementInfo *find(const HIDReportDescriptor &d, uint32_t page, uint32_t usage)
{
    for (const HIDElementInfo &e : d.elements)
        if (e.usagePage == page && e.usage == usage)
            return &e;
    return nullptr;
}

} // namespace

TEST(HIDReportDescriptor, VariableFieldsGetOneElementEachInDescriptorOrder)
{
    QString error;
    const auto d = parseHIDReportDescriptor(variableScaleDescriptor(), &error);
    ASSERT_TRUE(d) << error.toStdString();
    EXPECT_TRUE(d->usesReportIDs);
    EXPECT_EQ(d->primaryUsagePage, 0x8Du);
    EXPECT_EQ(d->primaryUsage, 0x01u);
    // Application, status collection, 8 status bits, unit collection, 12 unit
    // bits, scaling, weight, zero scale; the padding gives no element.
    ASSERT_EQ(d->elements.size(), 1u + 1 + 8 + 1 + 12 + 1 + 1 + 1);
    for (size_t i = 0; i < d->elements.size(); ++i)
        EXPECT_EQ(d->elements[i].cookie, i + 1);
    EXPECT_EQ(d->elements[0].type, HIDElementType::Collection);
    EXPECT_EQ(d->elements[0].collectionType, 1u);
    EXPECT_EQ(d->elements[1].usage, 0x70u);
    EXPECT_EQ(d->elements[1].collectionDepth, 1u);
    EXPECT_EQ(d->elements[2].usage, 0x71u);
    EXPECT_EQ(d->elements[9].usage, 0x78u);
    EXPECT_EQ(d->elements[10].usage, 0x50u);
    EXPECT_EQ(d->elements[11].usage, 0x51u);
    EXPECT_EQ(d->elements[22].usage, 0x5Cu);

    const HIDElementInfo *ounce = find(*d, 0x8D, 0x5B);
    ASSERT_TRUE(ounce);
    EXPECT_EQ(ounce->type, HIDElementType::InputButton);
    EXPECT_EQ(ounce->reportID, 3);
    EXPECT_EQ(ounce->bitPosition, 8u + 10);
    EXPECT_EQ(ounce->bitSize, 1u);
    EXPECT_FALSE(ounce->isArray);

    const HIDElementInfo *scaling = find(*d, 0x8D, 0x41);
    ASSERT_TRUE(scaling);
    EXPECT_EQ(scaling->type, HIDElementType::InputMisc);
    EXPECT_EQ(scaling->bitPosition, 24u);
    EXPECT_EQ(scaling->bitSize, 16u);
    EXPECT_EQ(scaling->logicalMin, -32768);
    EXPECT_EQ(scaling->logicalMax, 32767);
    const HIDElementInfo *weight = find(*d, 0x8D, 0x40);
    ASSERT_TRUE(weight);
    EXPECT_EQ(weight->bitPosition, 40u);
    EXPECT_EQ(weight->bitSize, 32u);
    EXPECT_EQ(weight->logicalMin, -2147483648LL);

    const HIDElementInfo *zero = find(*d, 0x8D, 0x80);
    ASSERT_TRUE(zero);
    EXPECT_EQ(zero->type, HIDElementType::Output);
    EXPECT_EQ(zero->reportID, 2);
    EXPECT_EQ(zero->bitPosition, 0u);
    EXPECT_EQ(d->reportBytes(HIDReportType::Input, 3), 9u);
    EXPECT_EQ(d->reportBytes(HIDReportType::Output, 2), 1u);
    EXPECT_EQ(d->reportBytes(HIDReportType::Feature, 2), 0u);
}

TEST(HIDReportDescriptor, ArrayFieldsGetOneElementPerSelectableUsage)
{
    const auto d = parseHIDReportDescriptor(arrayScaleDescriptor());
    ASSERT_TRUE(d);
    const HIDElementInfo *fault = find(*d, 0x8D, 0x71);
    const HIDElementInfo *rezero = find(*d, 0x8D, 0x78);
    const HIDElementInfo *milligram = find(*d, 0x8D, 0x51);
    const HIDElementInfo *pound = find(*d, 0x8D, 0x5C);
    ASSERT_TRUE(fault && rezero && milligram && pound);
    EXPECT_TRUE(fault->isArray);
    EXPECT_EQ(fault->arrayValue, 1);
    EXPECT_EQ(rezero->arrayValue, 8);
    EXPECT_EQ(fault->bitPosition, rezero->bitPosition);
    EXPECT_EQ(milligram->arrayValue, 1);
    EXPECT_EQ(pound->arrayValue, 12);
    EXPECT_EQ(pound->bitPosition, 8u);
    EXPECT_EQ(pound->bitSize, 8u);
    const HIDElementInfo *weight = find(*d, 0x8D, 0x40);
    ASSERT_TRUE(weight);
    EXPECT_EQ(weight->logicalMin, 0);
    EXPECT_EQ(weight->logicalMax, 65535); // a positive maximum is unsigned
    EXPECT_FALSE(weight->isSigned());
    EXPECT_EQ(weight->bitPosition, 24u);

    // The selector reads 1 when the field holds its value.
    const QByteArray report = arrayScaleReport(5, 12, -1, 25);
    EXPECT_EQ(hidElementValue(*pound, report), 1);
    EXPECT_EQ(hidElementValue(*milligram, report), 0);
    EXPECT_EQ(hidElementValue(*find(*d, 0x8D, 0x75), report), 1);
    EXPECT_EQ(hidElementValue(*fault, report), 0);
    EXPECT_EQ(hidElementValue(*find(*d, 0x8D, 0x41), report), -1);
    EXPECT_EQ(hidElementValue(*weight, report), 25);
    EXPECT_EQ(hidElementValue(*weight, report.left(4)), std::nullopt);
    EXPECT_EQ(hidElementValue(d->elements[0], report), std::nullopt); // a collection has no value
}

TEST(HIDReportDescriptor, ExtendedUsagesLongItemsAndPushPop)
{
    const QByteArray descriptor = bytes({
        0x05, 0x01,                   // Usage Page (Generic Desktop)
        0x0B, 0x01, 0x00, 0x8D, 0x00, // Usage (Scale: Scales), four bytes with its page
        0xA1, 0x01,                   // Collection (Application)
        0xFE, 0x02, 0x10, 0xAA, 0xBB, //   a long item, skipped
        0x75, 0x04, 0x95, 0x01,       //   Report Size 4, Count 1
        0xA4,                         //   Push
        0x05, 0x8D,                   //   Usage Page (Scale)
        0x09, 0x40,                   //   Usage (Data Weight)
        0x15, 0x00, 0x25, 0x64,       //   Logical 0..100
        0x75, 0x08,                   //   Report Size 8
        0x81, 0x02,                   //   Input (Data, Variable)
        0xB4,                         //   Pop
        0x09, 0x30,                   //   Usage (X), Generic Desktop again
        0x81, 0x02,                   //   Input: four bits again
        0xC0,                         // End Collection
    });
    QString error;
    const auto d = parseHIDReportDescriptor(descriptor, &error);
    ASSERT_TRUE(d) << error.toStdString();
    EXPECT_EQ(d->primaryUsagePage, 0x8Du);
    EXPECT_EQ(d->primaryUsage, 0x01u);
    ASSERT_EQ(d->elements.size(), 3u);
    EXPECT_EQ(d->elements[1].usagePage, 0x8Du);
    EXPECT_EQ(d->elements[1].usage, 0x40u);
    EXPECT_EQ(d->elements[1].bitSize, 8u);
    EXPECT_EQ(d->elements[2].usagePage, 0x01u);
    EXPECT_EQ(d->elements[2].usage, 0x30u);
    EXPECT_EQ(d->elements[2].type, HIDElementType::InputAxis);
    EXPECT_EQ(d->elements[2].bitSize, 4u);
    EXPECT_EQ(d->elements[2].bitPosition, 8u);
    EXPECT_EQ(d->elements[2].logicalMax, 0);
    EXPECT_EQ(d->reportBytes(HIDReportType::Input, 0), 2u);
    EXPECT_FALSE(d->usesReportIDs);
}

TEST(HIDReportDescriptor, MalformedDescriptorsAreRefusedWithAReason)
{
    QByteArray deep;
    for (int i = 0; i < kHIDMaxCollectionDepth + 1; ++i)
        deep += bytes({0xA1, 0x02});
    const struct {
        QByteArray descriptor;
        const char *reason; // a part of the error text
    } cases[] = {
        {bytes({0x05, 0x8D, 0x26, 0xFF}), "item cut short at byte 2"},
        {bytes({0x27, 0xFF, 0xFF, 0x00}), "item cut short at byte 0"},
        {bytes({0xFE, 0x05, 0x00, 0x01}), "long item cut short"},
        {bytes({0xC0}), "not opened"},
        {bytes({0xA1, 0x01}), "not closed"},
        {bytes({0xB4}), "pop without push"},
        {QByteArray(100, char(0xA4)), "too many pushed"},
        {bytes({0x85, 0x00}), "report ID 0"},
        {bytes({0x19, 0x10, 0x29, 0x01}), "backwards"},
        {bytes({0x19, 0x00, 0x2A, 0xFF, 0xFF}), "more than 4096 usages"},
        {bytes({0x09, 0x40, 0x75, 0x01, 0x96, 0x00, 0x20, 0x81, 0x02}), "more than 4096 elements"},
        {bytes({0x76, 0x00, 0x01, 0x96, 0x58, 0x02, 0x81, 0x03}), "longer than 16384 bytes"},
        {bytes({0x76, 0x01, 0x01}), "report size 257"},
        {bytes({0x96, 0x01, 0x30}), "report count 12289"},
        {deep, "nest too deep"},
    };
    for (const auto &c : cases) {
        QString error;
        EXPECT_FALSE(parseHIDReportDescriptor(c.descriptor, &error)) << c.reason;
        EXPECT_TRUE(error.contains(QString::fromLatin1(c.reason))) << error.toStdString();
    }
    EXPECT_TRUE(parseHIDReportDescriptor(QByteArray()));
}

TEST(HIDReportDescriptor, FieldsAreReadAndWrittenLittleEndianBitByBit)
{
    const QByteArray data = bytes({0xA5, 0x3C, 0xFF, 0x80});
    const struct {
        uint64_t position;
        uint32_t size;
        bool isSigned;
        std::optional<int64_t> value;
    } cases[] = {
        {0, 8, false, 0xA5},
        {0, 8, true, -91},
        {4, 8, false, 0xCA}, // crosses a byte
        {8, 16, false, 0xFF3C},
        {0, 32, false, 0x80FF3CA5},
        {0, 32, true, int64_t(int32_t(0x80FF3CA5))},
        {31, 1, false, 1},
        {31, 1, true, -1},
        {25, 7, false, 0x40},
        {31, 2, false, std::nullopt}, // runs past the end
        {32, 1, false, std::nullopt},
        {0, 0, false, std::nullopt},
        {0, 65, false, std::nullopt},
        {~uint64_t(0) - 2, 8, false, std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(hidExtractField(data, c.position, c.size, c.isSigned), c.value)
            << c.position << "+" << c.size << (c.isSigned ? " signed" : "");

    QByteArray eight(8, '\x00');
    EXPECT_TRUE(hidInsertField(eight, 0, 64, -2));
    EXPECT_EQ(hidExtractField(eight, 0, 64, true), -2);
    QByteArray report(3, '\x00');
    EXPECT_TRUE(hidInsertField(report, 6, 10, 0x3FF));
    EXPECT_EQ(report, bytes({0xC0, 0xFF, 0x00}));
    EXPECT_TRUE(hidInsertField(report, 7, 2, 0));
    EXPECT_EQ(report, bytes({0x40, 0xFE, 0x00}));
    EXPECT_FALSE(hidInsertField(report, 20, 5, 1));
    EXPECT_EQ(report, bytes({0x40, 0xFE, 0x00}));
}
