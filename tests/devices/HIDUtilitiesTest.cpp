// The HID utility layer over a fake transport: building the device list,
// walks, the scored search, property getters and queue release.
#include "FakeHIDTransport.h"
#include "ScaleDescriptors.h"
#include "devices/HID_Queue_Utilities.h"
#include "devices/HID_Utilities.h"
#include "devices/IOHIDDevice_.h"

#include "ConsoleCapture.h"

#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

const uint32_t kScalePage[] = {0x8D};
const uint32_t kAnyUsage[] = {0};

bool buildScaleList() { return HIDBuildMultiDeviceList(kScalePage, kAnyUsage, 1); }

std::vector<QString> listedPaths()
{
    std::vector<QString> paths;
    if (gDeviceCFArrayRef)
        for (const HIDDeviceRef &device : *gDeviceCFArrayRef)
            paths.push_back(device->path());
    return paths;
}

using HIDUtilities = HIDLayerFixture;

} // namespace

TEST(HIDMatchingDictionary, NamesThePageAndThenTheUsageWhenGiven)
{
    EXPECT_TRUE(hu_SetUpMatchingDictionary(0, 0).isEmpty());
    EXPECT_TRUE(hu_SetUpMatchingDictionary(0, 5).isEmpty());
    const QVariantMap pageOnly = hu_SetUpMatchingDictionary(0x8D, 0);
    EXPECT_EQ(pageOnly, (QVariantMap{{QStringLiteral("PrimaryUsagePage"), 0x8D}}));
    EXPECT_EQ(pageOnly.value(QStringLiteral("PrimaryUsagePage")).metaType().id(), QMetaType::Int);
    EXPECT_EQ(hu_SetUpMatchingDictionary(0x8D, 0x01),
              (QVariantMap{{QStringLiteral("PrimaryUsagePage"), 0x8D}, {QStringLiteral("PrimaryUsage"), 1}}));
}

TEST_F(HIDUtilities, ScalePageWithUsageZeroMatchesOnThePrimaryUsagePageAlone)
{
    QByteArray otherScale = variableScaleDescriptor();
    otherScale[3] = 0x02; // Usage (Scales) replaced by another Scale-page usage
    fake->attached = {describe("/dev/hidraw0", keyboardDescriptor(), 1), describe("/dev/hidraw1", otherScale, 2),
                      describe("/dev/hidraw2", variableScaleDescriptor(), 3)};
    ASSERT_TRUE(buildScaleList());
    EXPECT_EQ(listedPaths(), (std::vector<QString>{"/dev/hidraw1", "/dev/hidraw2"}));
    EXPECT_EQ(fake->opened, (std::set<QString>{"/dev/hidraw1", "/dev/hidraw2"})); // the keyboard is left alone

    // Page and usage together narrow it to the Scales usage.
    const uint32_t usage[] = {0x01};
    ASSERT_TRUE(HIDBuildMultiDeviceList(kScalePage, usage, 1));
    EXPECT_EQ(listedPaths(), (std::vector<QString>{"/dev/hidraw2"}));
    // No criteria: every device.
    ASSERT_TRUE(HIDBuildMultiDeviceList(nullptr, nullptr, 0));
    EXPECT_EQ(HIDCountDevices(), 3u);
}

TEST_F(HIDUtilities, ASecondBuildKeepsTheManagerAndOnlyRebuilds)
{
    EXPECT_FALSE(HIDHaveDeviceList());
    ASSERT_TRUE(buildScaleList());
    const HIDManagerRef first = gIOHIDManagerRef;
    ASSERT_TRUE(first);
    EXPECT_TRUE(HIDHaveDeviceList());
    EXPECT_EQ(HIDCountDevices(), 0u); // no scale: an empty list
    fake->attached.push_back(describe("/dev/hidraw4", variableScaleDescriptor()));
    fake->plug(describe("/dev/hidraw5", arrayScaleDescriptor())); // the manager hears of this one

    ASSERT_TRUE(HIDUpdateDeviceList(kScalePage, kAnyUsage, 1));
    EXPECT_EQ(gIOHIDManagerRef, first);
    EXPECT_EQ(fake->openCount, 1);
    EXPECT_EQ(listedPaths(), (std::vector<QString>{"/dev/hidraw5"}));
}

TEST_F(HIDUtilities, ManagerFailuresPrintTheirLineAndAnswerNo)
{
    {
        HIDManager::setTransportFactory([] { return nullptr; });
        ConsoleCapture console;
        EXPECT_FALSE(buildScaleList());
        EXPECT_FALSE(gIOHIDManagerRef);
        EXPECT_EQ(console.lines(),
                  QStringList{QStringLiteral("Boolean HIDBuildMultiDeviceList(const UInt32 *, const "
                                             "UInt32 *, int): Couldn’t create a IOHIDManager.")});
    }
    {
        HIDManager::setTransportFactory([this] { return fake; });
        fake->openResult = false;
        ConsoleCapture console;
        EXPECT_FALSE(buildScaleList());
        EXPECT_FALSE(HIDHaveDeviceList());
        EXPECT_EQ(console.lines(),
                  QStringList{QStringLiteral("Boolean HIDBuildMultiDeviceList(const UInt32 *, const "
                                             "UInt32 *, int): Couldn’t open IOHIDManager.")});
    }
}

TEST_F(HIDUtilities, DevicesAreListedByLocationIDAsUnsignedNumbers)
{
    fake->attached = {describe("/dev/hidraw0", variableScaleDescriptor(), 0xF0000000),
                      describe("/dev/hidraw1", variableScaleDescriptor(), 0x14200000),
                      describe("/dev/hidraw2", variableScaleDescriptor(), 0x14100000)};
    ASSERT_TRUE(buildScaleList());
    EXPECT_EQ(listedPaths(), (std::vector<QString>{"/dev/hidraw2", "/dev/hidraw1", "/dev/hidraw0"}));
    EXPECT_EQ(IOHIDDevice_GetLocationID(gDeviceCFArrayRef->back()), 0xF0000000u);
    EXPECT_LT(CFDeviceArrayComparatorFunction(gDeviceCFArrayRef->front(), gDeviceCFArrayRef->back()), 0);
    EXPECT_EQ(CFDeviceArrayComparatorFunction(gDeviceCFArrayRef->front(), gDeviceCFArrayRef->front()), 0);
}

TEST_F(HIDUtilities, DeviceWalkFollowsTheListAndAnUnknownDeviceEndsIt)
{
    fake->attached = {describe("/dev/hidraw0", variableScaleDescriptor(), 1),
                      describe("/dev/hidraw1", variableScaleDescriptor(), 2)};
    EXPECT_FALSE(HIDGetFirstDevice());
    EXPECT_FALSE(HIDGetNextDevice(nullptr));
    ASSERT_TRUE(buildScaleList());
    const HIDDeviceRef first = HIDGetFirstDevice();
    ASSERT_TRUE(first);
    EXPECT_EQ(gDeviceIndex, 0);
    const HIDDeviceRef second = HIDGetNextDevice(first);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->path(), "/dev/hidraw1");
    EXPECT_FALSE(HIDGetNextDevice(second));
    // With the cursor elsewhere the list is searched for the device.
    EXPECT_EQ(HIDGetNextDevice(first), second);
    EXPECT_EQ(gDeviceIndex, 1);

    const HIDDeviceRef stranger = HIDDevice::create(describe("/dev/hidraw9", variableScaleDescriptor()), fake);
    EXPECT_FALSE(HIDGetNextDevice(stranger));
    EXPECT_EQ(gDeviceIndex, -1);
    EXPECT_FALSE(HIDGetNextDevice(nullptr));
}

TEST_F(HIDUtilities, ElementWalksKeepToTheTypeMask)
{
    fake->attached = {describe("/dev/hidraw0", variableScaleDescriptor())};
    ASSERT_TRUE(buildScaleList());
    const HIDDeviceRef device = HIDGetFirstDevice();
    ASSERT_TRUE(device);
    const HIDElementRef collection = HIDGetFirstDeviceElement(device, kHIDElementTypeMaskCollection);
    ASSERT_TRUE(collection);
    EXPECT_EQ(collection->usage(), 0x01u);
    const HIDElementRef nextCollection = HIDGetNextDeviceElement(collection, kHIDElementTypeMaskCollection);
    ASSERT_TRUE(nextCollection);
    EXPECT_EQ(nextCollection->usage(), 0x70u);
    const HIDElementRef output = HIDGetFirstDeviceElement(device, kHIDElementTypeMaskOutput);
    ASSERT_TRUE(output);
    EXPECT_EQ(output->usage(), 0x80u);
    EXPECT_FALSE(HIDGetNextDeviceElement(output, kHIDElementTypeMaskAll)); // the last element
    EXPECT_FALSE(HIDGetFirstDeviceElement(device, kHIDElementTypeMaskFeature));
    EXPECT_FALSE(HIDGetFirstDeviceElement(nullptr, kHIDElementTypeMaskAll));
    EXPECT_FALSE(HIDGetNextDeviceElement(nullptr, kHIDElementTypeMaskAll));
    EXPECT_FALSE(HIDGetFirstDeviceElement(device, 0x01)); // a bit no type has

    int inputs = 0;
    for (HIDElementRef e = HIDGetFirstDeviceElement(device, kHIDElementTypeMaskInput); e;
         e = HIDGetNextDeviceElement(e, kHIDElementTypeMaskInput))
        ++inputs;
    EXPECT_EQ(inputs, 8 + 12 + 2);
    EXPECT_EQ(gElementCFArrayRef, nullptr); // released after each walk step
}

TEST_F(HIDUtilities, ScoredSearchFindsTheFirstDeviceAndItsFirstElement)
{
    // The first scale has two Data Weight elements (the second in a feature
    // report); the second scale comes later by location.
    QByteArray twoWeights = plainScaleDescriptor();
    twoWeights.insert(twoWeights.size() - 1, bytes({0x09, 0x40, 0x75, 0x10, 0xB1, 0x02}));
    fake->attached = {describe("/dev/hidraw1", arrayScaleDescriptor(), 2, 0x0B67, 0x555E),
                      describe("/dev/hidraw0", twoWeights, 1)};
    ASSERT_TRUE(buildScaleList());

    HIDSearchCriteria criteria;
    criteria.usagePage = 0x8D;
    criteria.elementUsagePage = 0x8D;
    criteria.elementUsage = 0x40;
    HIDDeviceRef device;
    HIDElementRef element;
    ASSERT_TRUE(HIDFindDeviceAndElement(&criteria, &device, &element));
    EXPECT_EQ(device->path(), "/dev/hidraw0");
    EXPECT_TRUE(element->info().isInput());

    // A named vendor and product outscore list order; a cookie outscores the
    // first element.
    criteria.vendorID = 0x0B67;
    criteria.productID = 0x555E;
    ASSERT_TRUE(HIDFindDeviceAndElement(&criteria, &device, &element));
    EXPECT_EQ(device->path(), "/dev/hidraw1");
    criteria = HIDSearchCriteria{};
    criteria.elementUsagePage = 0x8D;
    criteria.elementUsage = 0x40;
    const HIDDeviceRef first = HIDGetFirstDevice();
    const HIDElementRef featureWeight = first->elements().back();
    ASSERT_EQ(featureWeight->usage(), 0x40u);
    criteria.elementCookie = featureWeight->cookie();
    ASSERT_TRUE(HIDFindDeviceAndElement(&criteria, &device, &element));
    EXPECT_EQ(element, featureWeight);
    // A location adds to the device's score.
    criteria = HIDSearchCriteria{};
    criteria.locID = 2;
    ASSERT_TRUE(HIDFindDeviceAndElement(&criteria, &device, &element));
    EXPECT_EQ(device->path(), "/dev/hidraw1");
    EXPECT_EQ(element, device->elements().front()); // no element named: the first one
}

TEST_F(HIDUtilities, ASearchThatFindsNothingLeavesBothOutputs)
{
    fake->attached = {describe("/dev/hidraw0", weightlessScaleDescriptor()),
                      describe("/dev/hidraw1", keyboardDescriptor())};
    ASSERT_TRUE(HIDBuildMultiDeviceList(nullptr, nullptr, 0));
    HIDSearchCriteria criteria;
    criteria.usagePage = 0x8D;
    criteria.elementUsagePage = 0x8D;
    criteria.elementUsage = 0x40;
    const HIDDeviceRef sentinelDevice = HIDDevice::create(describe("x", QByteArray()), fake);
    const HIDElementRef sentinelElement = std::make_shared<HIDElement>(HIDElementInfo{}, sentinelDevice);
    HIDDeviceRef device = sentinelDevice;
    HIDElementRef element = sentinelElement;
    EXPECT_FALSE(HIDFindDeviceAndElement(&criteria, &device, &element));
    EXPECT_EQ(device, sentinelDevice);
    EXPECT_EQ(element, sentinelElement);
    EXPECT_FALSE(HIDFindDeviceAndElement(nullptr, &device, &element));
}

TEST_F(HIDUtilities, PropertyGettersReadNumbersAndLeaveTheOutputOtherwise)
{
    HIDDeviceDescription description = describe("/dev/hidraw0", variableScaleDescriptor(), 0xFA120000, 0x0B67, 0x555E);
    const HIDDeviceRef device = HIDDevice::create(description, fake);
    EXPECT_EQ(IOHIDDevice_GetVendorID(device), 0x0B67u);
    EXPECT_EQ(IOHIDDevice_GetProductID(device), 0x555Eu);
    EXPECT_EQ(IOHIDDevice_GetLocationID(device), 0xFA120000u); // zero-extended, not sign-extended
    EXPECT_EQ(IOHIDDevice_GetPrimaryUsagePage(device), 0x8Du);
    EXPECT_EQ(IOHIDDevice_GetPrimaryUsage(device), 0x01u);
    EXPECT_EQ(IOHIDDevice_GetUsagePage(device), 0x8Du);
    EXPECT_EQ(IOHIDDevice_GetUsage(device), 0x01u);
    EXPECT_EQ(IOHIDDevice_GetVendorID(nullptr), 0u);

    int32_t value = 77;
    IOHIDDevice_GetLongProperty(device, QStringLiteral("Manufacturer"), &value); // a string
    EXPECT_EQ(value, 77);
    IOHIDDevice_GetLongProperty(device, QStringLiteral("NoSuchKey"), &value);
    EXPECT_EQ(value, 77);
    IOHIDDevice_GetLongProperty(nullptr, QStringLiteral("VendorID"), &value);
    EXPECT_EQ(value, 77);
    IOHIDDevice_GetLongProperty(device, QStringLiteral("VendorID"), &value);
    EXPECT_EQ(value, 0x0B67);
    EXPECT_FALSE(IOHIDDevice_GetQueue(device));
}

TEST_F(HIDUtilities, QueueReleaseAnswersThePlatformCodes)
{
    EXPECT_EQ(HIDReleaseAllDeviceQueues(), kHIDReturnSuccess); // no list
    ASSERT_TRUE(buildScaleList());
    EXPECT_EQ(HIDReleaseAllDeviceQueues(), kHIDReturnSuccess); // an empty list
    EXPECT_EQ(HIDDequeueDevice(nullptr), kHIDReturnBadArgument);
    HIDDisposeReleaseQueue(nullptr); // shows nothing, does nothing

    fake->plug(describe("/dev/hidraw0", variableScaleDescriptor(), 1));
    fake->plug(describe("/dev/hidraw1", arrayScaleDescriptor(), 2));
    HIDRebuildDevices();
    ASSERT_EQ(HIDCountDevices(), 2u);
    EXPECT_EQ(HIDReleaseAllDeviceQueues(), kHIDReturnError);
    EXPECT_EQ(uint32_t(HIDReleaseAllDeviceQueues()), 0xE00002BCu);
    EXPECT_EQ(uint32_t(kHIDReturnBadArgument), 0xE00002C2u);

    // A device with a queue has it emptied, stopped and released.
    const HIDDeviceRef first = HIDGetFirstDevice();
    const auto queue = std::make_shared<HIDQueue>();
    for (const HIDElementRef &element : first->elements())
        queue->addElement(element);
    queue->start();
    first->setQueue(queue);
    EXPECT_EQ(HIDDequeueDevice(first), kHIDReturnSuccess);
    EXPECT_FALSE(queue->isStarted());
    EXPECT_EQ(queue->count(), 3u); // the three collections stay: the mask holds no collections
    EXPECT_FALSE(first->queue());

    // The walk answers the last device's code.
    const HIDDeviceRef last = gDeviceCFArrayRef->back();
    last->setQueue(std::make_shared<HIDQueue>());
    EXPECT_EQ(HIDReleaseAllDeviceQueues(), kHIDReturnSuccess);
}
