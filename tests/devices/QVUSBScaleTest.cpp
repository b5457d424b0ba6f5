// The USB postal scale over a fake HID transport: readings in every unit,
// the failures that give no reading, zeroing, set-up and hot-plug.
#include "FakeHIDTransport.h"
#include "ScaleDescriptors.h"
#include "devices/HID_Utilities.h"
#include "devices/QVUSBScale.h"

#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tolvane::test;

namespace {

const QString kScale = QStringLiteral("/dev/hidraw3");

// Runs the event loop until a timer of this many milliseconds has fired: by
// then every timer that was due earlier has fired too, however busy the
// machine is.
void runEventLoop(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Outputs {
    int64_t whole = -999;
    int64_t status = -999;
    QString name = QStringLiteral("untouched");
    double raw = -999.0;

    bool read() { return QVUSBScale::genericWeightDataValue(&whole, &status, &name, &raw); }
    bool untouched() const
    {
        return whole == -999 && status == -999 && name == QStringLiteral("untouched") && raw == -999.0;
    }
};

class QVUSBScaleTest : public HIDLayerFixture
{
protected:
    void TearDown() override
    {
        runEventLoop(20); // let a pending callback registration pass
        HIDLayerFixture::TearDown();
    }

    // One scale attached at set-up.
    void setUpWith(const HIDDeviceDescription &device)
    {
        fake->attached = {device};
        QVUSBScale::setUpScale();
    }
};

} // namespace

TEST_F(QVUSBScaleTest, ReadingsTurnEveryUnitIntoOunces)
{
    const auto M = [](int usage) { return unitBit(usage); };
    const struct {
        const char *what;
        QByteArray report; // input report 3 of variableScaleDescriptor()
        uint32_t vendor, product;
        double raw;
        int64_t whole;
        int64_t status;
    } cases[] = {
        {"25 at -1 in ounces", variableScaleReport(0, M(0x5B), -1, 25), 0x1234, 1, 2.5, 3, 0x74},
        {"1000 g", variableScaleReport(0, M(0x52), 0, 1000), 0x1234, 1, 35.273962, 36, 0x74},
        {"2 lb", variableScaleReport(0, M(0x5C), 0, 2), 0x1234, 1, 32, 32, 0x74},
        {"the pound scale by identity", variableScaleReport(0, M(0x5B), 0, 3), 0x0B67, 0x555E, 48, 48, 0x74},
        {"no unit selector: ounces", variableScaleReport(0, 0, 0, 7), 0x1234, 1, 7, 7, 0x74},
        {"two selectors: the later", variableScaleReport(0, M(0x52) | M(0x5C), 0, 2), 0x1234, 1, 32, 32, 0x74},
        {"under zero", variableScaleReport(statusBit(0x75), M(0x5B), -1, -4), 0x1234, 1, -0.4, 0, 0x75},
        {"exact whole number stays", variableScaleReport(statusBit(0x74), M(0x5B), -1, 160), 0x1234, 1, 16, 16, 0x74},
        {"300000 at -5 is 3, not a hair above", variableScaleReport(0, M(0x5B), -5, 300000), 0x1234, 1, 3, 3, 0x74},
        {"two statuses: the later", variableScaleReport(statusBit(0x72) | statusBit(0x73), M(0x5B), 0, 0), 0x1234, 1, 0,
         0, 0x73},
        {"1 kg", variableScaleReport(0, M(0x53), 0, 1), 0x1234, 1, 35.2739619, 36, 0x74},
        {"1000 mg", variableScaleReport(0, M(0x51), 0, 1000), 0x1234, 1, 1.0 / 28.349523125, 1, 0x74},
        {"10 ct", variableScaleReport(0, M(0x54), 0, 10), 0x1234, 1, 2.0 / 28.349523125, 1, 0x74},
        {"3 taels", variableScaleReport(0, M(0x55), 0, 3), 0x1234, 1, 4, 4, 0x74},
        {"875 grains", variableScaleReport(0, M(0x56), 0, 875), 0x1234, 1, 2, 2, 0x74},
        {"35 dwt", variableScaleReport(0, M(0x57), 0, 35), 0x1234, 1, 35 * 24 / 437.5, 2, 0x74},
        {"1 t", variableScaleReport(0, M(0x58), 0, 1), 0x1234, 1, 1e6 / 28.349523125, 35274, 0x74},
        {"1 short ton", variableScaleReport(0, M(0x59), 0, 1), 0x1234, 1, 32000, 32000, 0x74},
        {"35 troy oz", variableScaleReport(0, M(0x5A), 0, 35), 0x1234, 1, 38.4, 39, 0x74},
        {"tiny exponent", variableScaleReport(0, M(0x5B), -400, 25), 0x1234, 1, 0, 0, 0x74},
    };
    for (const auto &c : cases) {
        HIDResetModuleState();
        fake->reports.clear();
        setUpWith(describe(kScale, variableScaleDescriptor(), 1, c.vendor, c.product));
        fake->deliver(kScale, 3, c.report);
        Outputs out;
        ASSERT_TRUE(out.read()) << c.what;
        EXPECT_NEAR(out.raw, c.raw, 1e-9 * std::max(1.0, std::abs(c.raw))) << c.what;
        EXPECT_EQ(out.whole, c.whole) << c.what;
        EXPECT_EQ(out.status, c.status) << c.what;
        EXPECT_EQ(out.name, QStringLiteral("Acme Postal Scale")) << c.what;
    }
    // 1000 mg is about 0.035 oz, never 1000 oz.
    EXPECT_NEAR(QVUSBScale::ouncesPerUnit(0x51) * 1000, 0.035274, 1e-6);
}

TEST_F(QVUSBScaleTest, ArraySelectorsAndAMissingDataScaling)
{
    setUpWith(describe(kScale, arrayScaleDescriptor()));
    fake->deliver(kScale, 3, arrayScaleReport(5, 11, -1, 25)); // under zero? no: status 5 is under zero
    Outputs out;
    ASSERT_TRUE(out.read());
    EXPECT_DOUBLE_EQ(out.raw, 2.5);
    EXPECT_EQ(out.status, 0x75);
    fake->deliver(kScale, 3, arrayScaleReport(4, 2, 0, 1000));
    ASSERT_TRUE(out.read());
    EXPECT_DOUBLE_EQ(out.raw, 35.273962);
    EXPECT_EQ(out.whole, 36);
    EXPECT_EQ(out.status, 0x74);
    fake->deliver(kScale, 3, arrayScaleReport(0, 0, 0, 9)); // no selector set
    ASSERT_TRUE(out.read());
    EXPECT_EQ(out.raw, 9.0);
    EXPECT_EQ(out.status, 0x74);

    // Without Data Scaling the exponent is 0, even when another scale listed
    // before it has one.
    HIDResetModuleState();
    fake->attached = {describe("/dev/hidraw1", arrayScaleDescriptor(), 1, 0x1111, 2),
                      describe("/dev/hidraw2", plainScaleDescriptor(), 2)};
    fake->deliver("/dev/hidraw1", 3, arrayScaleReport(4, 11, -3, 1));
    fake->deliver("/dev/hidraw2", 0, plainScaleReport(4, 11, 7));
    QVUSBScale::setUpScale();
    // The first scale in the list is the one read: unplug it quietly.
    (*gDeviceCFArrayRef).erase(gDeviceCFArrayRef->begin());
    ASSERT_TRUE(out.read());
    EXPECT_EQ(out.raw, 7.0);
    EXPECT_EQ(out.whole, 7);
}

TEST_F(QVUSBScaleTest, ReadingsThatCannotBeTrustedAnswerNoAndWriteNothing)
{
    const auto M = [](int usage) { return unitBit(usage); };
    const struct {
        const char *what;
        QByteArray report;
    } cases[] = {
        {"ten to the 400th", variableScaleReport(0, M(0x5B), 400, 25)},
        {"zero times ten to the 400th", variableScaleReport(0, M(0x5B), 400, 0)},
        {"more whole ounces than 64 bits hold", variableScaleReport(0, M(0x5B), 10, 922337204)},
        {"fewer than 64 bits hold", variableScaleReport(0, M(0x5B), 10, -922337204)},
        {"a short report", variableScaleReport(0, M(0x5B), 0, 1).left(8)},
    };
    for (const auto &c : cases) {
        HIDResetModuleState();
        setUpWith(describe(kScale, variableScaleDescriptor()));
        fake->deliver(kScale, 3, c.report);
        Outputs out;
        EXPECT_FALSE(out.read()) << c.what;
        EXPECT_TRUE(out.untouched()) << c.what;
        int32_t ounces = 5;
        EXPECT_FALSE(QVUSBScale::genericWeightInOunces(&ounces)) << c.what;
        EXPECT_EQ(ounces, 5) << c.what;
    }
    // The largest that fits reads.
    fake->deliver(kScale, 3, variableScaleReport(0, M(0x5B), 14, 32767));
    Outputs out;
    ASSERT_TRUE(out.read());
    EXPECT_EQ(out.whole, 3276700000000000000);
    int32_t ounces = 5;
    EXPECT_FALSE(QVUSBScale::genericWeightInOunces(&ounces)); // not as 32 bits
    EXPECT_EQ(ounces, 5);
}

TEST_F(QVUSBScaleTest, AValueNotDeliveredGivesNoReading)
{
    setUpWith(describe(kScale, variableScaleDescriptor()));
    Outputs out;
    EXPECT_FALSE(out.read()); // the scale has sent no report yet
    EXPECT_TRUE(out.untouched());

    fake->deliver(kScale, 3, variableScaleReport(0, unitBit(0x5B), 0, 4));
    ASSERT_TRUE(out.read());
    EXPECT_EQ(out.whole, 4);
    // Pulled out before the removal callback is registered: the list still
    // holds the scale, but nothing of it is delivered any more.
    fake->unplug(kScale);
    ASSERT_EQ(HIDCountDevices(), 1u);
    Outputs after;
    EXPECT_FALSE(after.read());
    EXPECT_TRUE(after.untouched());
    EXPECT_FALSE(QVUSBScale::zeroScale());
}

TEST_F(QVUSBScaleTest, ShorterFormsAndTheThirtyTwoBitForm)
{
    setUpWith(describe(kScale, plainScaleDescriptor()));
    fake->deliver(kScale, 0, plainScaleReport(2, 12, 3));
    int64_t whole = 0, status = 0;
    QString name;
    ASSERT_TRUE(QVUSBScale::genericWeightDataValue(&whole, &status, &name));
    EXPECT_EQ(whole, 48);
    EXPECT_EQ(status, 0x72);
    EXPECT_EQ(name, QStringLiteral("Acme Postal Scale"));
    ASSERT_TRUE(QVUSBScale::genericWeightDataValue(&whole, &status));
    ASSERT_TRUE(QVUSBScale::genericWeightDataValue(&whole));
    EXPECT_EQ(whole, 48);
    EXPECT_TRUE(QVUSBScale::genericWeightDataValue(nullptr, nullptr, nullptr, nullptr));
    EXPECT_TRUE(QVUSBScale::genericWeightInOunces(nullptr));
    int32_t ounces = 0;
    ASSERT_TRUE(QVUSBScale::genericWeightInOunces(&ounces));
    EXPECT_EQ(ounces, 48);
}

TEST_F(QVUSBScaleTest, TheNameLeavesOutAMissingPart)
{
    const struct {
        std::optional<QString> manufacturer, product;
        const char *name;
    } cases[] = {
        {QStringLiteral("Acme"), QStringLiteral("Scale"), "Acme Scale"},
        {QStringLiteral("Acme"), std::nullopt, "Acme"},
        {std::nullopt, QStringLiteral("Scale"), "Scale"},
        {std::nullopt, std::nullopt, ""},
    };
    for (const auto &c : cases) {
        HIDResetModuleState();
        HIDDeviceDescription d = describe(kScale, plainScaleDescriptor());
        d.manufacturer = c.manufacturer;
        d.product = c.product;
        setUpWith(d);
        fake->deliver(kScale, 0, plainScaleReport(4, 11, 1));
        Outputs out;
        ASSERT_TRUE(out.read());
        EXPECT_EQ(out.name, QString::fromUtf8(c.name));
    }
}

TEST_F(QVUSBScaleTest, ZeroingSendsOneInTheZeroScaleFieldOfItsReport)
{
    setUpWith(describe(kScale, variableScaleDescriptor()));
    ASSERT_TRUE(QVUSBScale::zeroScale());
    ASSERT_EQ(fake->sent.size(), 1u);
    EXPECT_EQ(fake->sent[0].path, kScale);
    EXPECT_EQ(fake->sent[0].type, HIDReportType::Output);
    EXPECT_EQ(fake->sent[0].reportID, 2);
    EXPECT_EQ(fake->sent[0].data, bytes({0x01}));

    HIDResetModuleState();
    fake->sent.clear();
    setUpWith(describe(kScale, plainScaleDescriptor()));
    ASSERT_TRUE(QVUSBScale::zeroScale());
    ASSERT_EQ(fake->sent.size(), 1u);
    EXPECT_EQ(fake->sent[0].type, HIDReportType::Feature);
    EXPECT_EQ(fake->sent[0].reportID, 0);
    EXPECT_EQ(fake->sent[0].data, bytes({0x01}));

    // A report that could not be sent is no zeroing.
    fake->sendResult = false;
    EXPECT_FALSE(QVUSBScale::zeroScale());
}

TEST_F(QVUSBScaleTest, ZeroingWithoutAScaleOrZeroElementAnswersNo)
{
    setUpWith(describe(kScale, keyboardDescriptor()));
    EXPECT_FALSE(QVUSBScale::zeroScale());
    HIDResetModuleState();
    setUpWith(describe(kScale, weightlessScaleDescriptor()));
    EXPECT_FALSE(QVUSBScale::zeroScale());
    EXPECT_TRUE(fake->sent.empty());
    // Zeroing never rebuilds: a scale the list has not taken in stays unseen.
    fake->plug(describe("/dev/hidraw7", plainScaleDescriptor()));
    EXPECT_FALSE(QVUSBScale::zeroScale());
}

TEST_F(QVUSBScaleTest, NoScaleAtSetUpReadsNo)
{
    EXPECT_FALSE(QVUSBScale::scaleIsSetup());
    Outputs beforeSetUp;
    EXPECT_FALSE(beforeSetUp.read());
    EXPECT_TRUE(beforeSetUp.untouched());
    EXPECT_EQ(HIDRebuildCount(), 0u); // no manager to rebuild from
    QVUSBScale::setUpScale();
    EXPECT_TRUE(QVUSBScale::scaleIsSetup());
    EXPECT_TRUE(HIDHaveDeviceList());
    EXPECT_EQ(HIDCountDevices(), 0u);
    ASSERT_EQ(HIDRebuildCount(), 1u); // the set-up's build

    // Each reading rebuilds the list exactly once and, finding it still
    // empty, answers NO without a further attempt or rebuild.
    Outputs out;
    EXPECT_FALSE(out.read());
    EXPECT_TRUE(out.untouched());
    EXPECT_EQ(HIDRebuildCount(), 2u);
    EXPECT_TRUE(HIDHaveDeviceList());
    EXPECT_EQ(HIDCountDevices(), 0u);
    int32_t ounces = 11;
    EXPECT_FALSE(QVUSBScale::genericWeightInOunces(&ounces));
    EXPECT_EQ(ounces, 11);
    EXPECT_EQ(HIDRebuildCount(), 3u);
    int64_t whole = -5;
    EXPECT_FALSE(QVUSBScale::genericWeightDataValue(&whole));
    EXPECT_EQ(whole, -5);
    EXPECT_EQ(HIDRebuildCount(), 4u);
    // Zeroing never rebuilds.
    EXPECT_FALSE(QVUSBScale::zeroScale());
    EXPECT_EQ(HIDRebuildCount(), 4u);
}

TEST_F(QVUSBScaleTest, AFailedSearchRebuildsOnceAndTriesOnceMore)
{
    // Only a device without Data Weight: one rebuild, one retry, NO.
    setUpWith(describe("/dev/hidraw0", weightlessScaleDescriptor()));
    ASSERT_EQ(HIDRebuildCount(), 1u);
    Outputs out;
    EXPECT_FALSE(out.read());
    EXPECT_TRUE(out.untouched());
    EXPECT_EQ(HIDRebuildCount(), 2u);

    // A scale the manager saw arrive before the callbacks existed: the
    // rebuild takes it in and the retry reads it.
    fake->plug(describe("/dev/hidraw1", plainScaleDescriptor(), 5));
    fake->deliver("/dev/hidraw1", 0, plainScaleReport(4, 11, 6));
    ASSERT_EQ(HIDCountDevices(), 1u);
    ASSERT_TRUE(out.read());
    EXPECT_EQ(out.whole, 6);
    EXPECT_EQ(HIDCountDevices(), 2u);
    EXPECT_EQ(HIDRebuildCount(), 3u);
    // A reading whose first search succeeds does not rebuild.
    ASSERT_TRUE(out.read());
    EXPECT_EQ(HIDRebuildCount(), 3u);
}

TEST_F(QVUSBScaleTest, CallbacksComeAHundredthOfASecondAfterSetUp)
{
    std::vector<QString> heard;
    NotificationObject sender;
    auto added =
        NotificationCenter::defaultCenter().addObserver(QVUSBScaleWasAddedNotification, [&](const Notification &n) {
            heard.push_back(n.name);
            sender = n.object;
        });
    auto removed = NotificationCenter::defaultCenter().addObserver(
        QVUSBScaleWasRemovedNotification, [&](const Notification &n) { heard.push_back(n.name); });

    QVUSBScale::setUpScale();
    const HIDManagerRef manager = gIOHIDManagerRef;
    QVUSBScale::setUpScale(); // a second set-up does nothing
    EXPECT_EQ(gIOHIDManagerRef, manager);
    EXPECT_EQ(fake->openCount, 1);
    fake->plug(describe("/dev/hidraw1", weightlessScaleDescriptor(), 9)); // before the callbacks
    EXPECT_TRUE(heard.empty());

    runEventLoop(30);
    fake->plug(describe(kScale, plainScaleDescriptor(), 4));
    ASSERT_EQ(heard, (std::vector<QString>{QVUSBScaleWasAddedNotification}));
    EXPECT_EQ(sender, QVUSBScale::classObject());
    EXPECT_EQ(HIDCountDevices(), 2u);
    fake->deliver(kScale, 0, plainScaleReport(4, 11, 12));
    int32_t ounces = 0;
    ASSERT_TRUE(QVUSBScale::genericWeightInOunces(&ounces));
    EXPECT_EQ(ounces, 12);

    // A device that is not a scale is no news.
    fake->plug(describe("/dev/hidraw8", keyboardDescriptor()));
    EXPECT_EQ(heard.size(), 1u);

    fake->unplug(kScale);
    EXPECT_EQ(heard, (std::vector<QString>{QVUSBScaleWasAddedNotification, QVUSBScaleWasRemovedNotification}));
    EXPECT_EQ(HIDCountDevices(), 1u);
    EXPECT_FALSE(QVUSBScale::genericWeightInOunces(&ounces));
    fake->unplug("/dev/hidraw8");
    EXPECT_EQ(heard.size(), 2u);
}
