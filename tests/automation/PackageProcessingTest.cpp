// Package processing: a Glimra package applied to a recording main window;
// the class and size tables, dimensions, weight, value, the service merge,
// the delivery lines and the return address.
#include "AutomationFakes.h"

#include "automation/QVPackageProcessor.h"
#include "platform/Decimal.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClassNames.h"

#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

QString s(const char *text) { return QString::fromUtf8(text); }

struct Processing {
    AutomationWorld world;
    bool apply(const QVariantMap &package) { return world.automation->processPackage(package); }
    QVariant stored(const QString &key) const { return world.window->shipment->objectForKey(key); }
};

} // namespace

TEST(PackageProcessingTest, ClassAndSizeComeFromTheTablesIgnoringCase)
{
    const struct {
        QVariantMap package;
        QString rateClass;
        QString size;
    } cases[] = {
        {{{s("MailClass"), s("intlgpmfrlarge")}}, QVUSPSIntlPriorityMailIntl, QVUSPSFlatRateBoxSize},
        {{{s("MailClass"), s("INTLAEROGRAMME")}, {s("PackageType"), s("FLAT")}},
         QVUSPSIntlFirstClassMailIntl,
         QVUSPSPostcardSize},
        {{{s("MailClass"), s("Priority")}, {s("PackageType"), s("flatratepaddedenvelope")}},
         QVUSPSPriorityMail,
         QVUSPSRegularSize},
        {{{s("MailClass"), s("priority")}, {s("FlatRate"), s(" box ")}}, QVUSPSPriorityMail, QVUSPSFlatRateBoxSize},
        {{{s("MailClass"), s("FIRSTENVELOPE")}}, QVUSPSFirstClassMail, QVUSPSLetterSize},
        {{{s("MailClass"), s("parcelpost")}}, QVUSPSParcelSelect, QVUSPSRegularSize},
        {{{s("MailClass"), s("PARCELSELECT")}, {s("OversizeRate"), s("true")}}, QVUSPSParcelSelect, QVUSPSOversizeSize},
        {{{s("MailClass"), s("NOSUCHCLASS")}, {s("PackageType"), s("NOSUCHTYPE")}}, QString(), QVUSPSRegularSize},
    };
    for (const auto &c : cases) {
        Processing p;
        EXPECT_TRUE(p.apply(c.package)) << c.package.value(s("MailClass")).toString().toStdString();
        EXPECT_EQ(p.stored(QVUSPSShipmentRateClassKey).toString(), c.rateClass)
            << c.package.value(s("MailClass")).toString().toStdString();
        EXPECT_EQ(p.stored(QVUSPSShipmentSizeKey).toString(), c.size)
            << c.package.value(s("MailClass")).toString().toStdString();
    }
}

TEST(PackageProcessingTest, DimensionsAreHundredthsOfAnInchAndNumbersThatDoNotFitCountAsAbsent)
{
    Processing p;
    ASSERT_TRUE(p.apply({{s("Width"), s("3.25")}, {s("Length"), s("10")}, {s("Depth"), s("2")}}));
    EXPECT_EQ(p.stored(QVShipmentHeightMeasurementKey).toInt(), 325);
    EXPECT_EQ(p.stored(QVShipmentLengthMeasurementKey).toInt(), 1000);
    EXPECT_EQ(p.stored(QVShipmentWidthMeasurementKey).toInt(), 200);

    ASSERT_TRUE(p.apply({{s("Width"), s("1e20")}, {s("Length"), s("10")}, {s("Depth"), s("2")}}));
    EXPECT_EQ(p.stored(QVShipmentLengthMeasurementKey).toInt(), 0);
}

TEST(PackageProcessingTest, WeightIsRoundedUpAndAnUnusableWeightFailsWithAReason)
{
    const struct {
        const char *weight;
        std::optional<int> scale;
        bool applied;
        bool oversize;
        const char *reason;
    } cases[] = {
        {"3.2", std::nullopt, true, false, ""},
        {" 3.2 ", std::nullopt, true, false, ""},
        {"1136", std::nullopt, true, true, ""},
        {"scaleweight", 7, true, false, ""},
        {"scaleweight", std::nullopt, false, false, "The scale gave no weight"},
        {"abc", std::nullopt, false, false, "is not a number of ounces above zero"},
        {"0", std::nullopt, false, false, "is not a number of ounces above zero"},
        {"-2", std::nullopt, false, false, "is not a number of ounces above zero"},
        {"1e20", std::nullopt, false, false, "is not a number of ounces above zero"},
    };
    for (const auto &c : cases) {
        Processing p;
        p.world.scale = c.scale;
        EXPECT_EQ(p.apply({{s("WeightOz"), s(c.weight)}}), c.applied) << c.weight;
        EXPECT_EQ(p.world.automation->failureReason().contains(s(c.reason)), true)
            << c.weight << ": " << p.world.automation->failureReason().toStdString();
        EXPECT_EQ(p.stored(QVUSPSShipmentSizeKey).toString() == QVUSPSOversizeSize, c.oversize) << c.weight;
    }
}

TEST(PackageProcessingTest, ValueIsCappedAndTextThatIsNoNumberStoresZero)
{
    const std::pair<const char *, const char *> cases[] = {
        {"25000", "10000"}, {"abc", "0"}, {"12.50", "12.5"}, {"10000", "10000"}};
    for (const auto &[given, expected] : cases) {
        Processing p;
        ASSERT_TRUE(p.apply({{s("Value"), s(given)}}));
        EXPECT_EQ(p.stored(QVShipmentValueKey).value<Decimal>().toString(), s(expected)) << given;
    }
}

TEST(PackageProcessingTest, TheServicesDictionaryIsMergedAfterTheClassWasRead)
{
    Processing p;
    ASSERT_TRUE(p.apply({{s("MailClass"), s("FIRST")},
                         {s("Services"),
                          QVariantMap{{s("CertifiedMail"), s("on")},
                                      {s("ReturnReceipt"), s("ON")},
                                      {s("CostCenter"), s("Dept 7")},
                                      {s("MailClass"), s("PRIORITY")}}}}));
    const QStringList services = p.stored(QVUSPSShipmentOptionalServicesKey).toStringList();
    EXPECT_TRUE(services.contains(QVUSPSCertifiedMailService));
    EXPECT_TRUE(services.contains(QVUSPSReturnReceiptService));
    EXPECT_EQ(p.stored(QVShipmentCostCenterKey).toString(), s("Dept 7"));
    EXPECT_EQ(p.stored(QVUSPSShipmentRateClassKey).toString(), QVUSPSFirstClassMail);

    ASSERT_TRUE(p.apply({{s("CertifiedMail"), s("OFF")}}));
    EXPECT_FALSE(p.stored(QVUSPSShipmentOptionalServicesKey).isValid());
}

TEST(PackageProcessingTest, DeliveryLinesAreCappedAndTheReturnAddressIsSavedUnderItsNickname)
{
    Processing p;
    ASSERT_TRUE(p.apply({{s("ToName"), s("Ann Lee")},
                         {s("ToCompany"), s("Lee &amp; Co")},
                         {s("ToAddress1"), s("1 Main St")},
                         {s("ToAddress2"), s("Suite 2")},
                         {s("ToAddress3"), s("Floor 3")},
                         {s("ToAddress4"), s("Door 4")},
                         {s("ToCity"), s("Springfield")},
                         {s("ToState"), s("IL")},
                         {s("ToPostalCode"), s("62701")},
                         {s("ReturnAddress1"), s("Bob Ray")},
                         {s("ToPhone"), s("555-0100")}}));
    ASSERT_FALSE(p.world.window->destinationTexts.isEmpty());
    EXPECT_EQ(p.world.window->destinationTexts.last(),
              s("Ann Lee\nLee & Co\n1 Main St\nSuite 2\nFloor 3\nSpringfield IL 62701"));
    EXPECT_EQ(p.world.window->phone, s("555-0100"));
    EXPECT_EQ(p.world.window->selectedReturnAddress, QVAutomationReturnAddressNickname);
    EXPECT_TRUE(p.world.window->returnAddresses.contains(QVAutomationReturnAddressNickname));
    EXPECT_EQ(p.world.window->calls.count(s("standardize:0")), 1);
}

TEST(PackageProcessingTest, AnAddressThatCannotBeStandardisedFailsWithTheCorrectionsReason)
{
    Processing p;
    p.world.window->standardizes = false;
    p.world.window->addressError = s("Address not found.");
    EXPECT_FALSE(p.apply({{s("ToAddress"), s("nowhere")}}));
    EXPECT_EQ(p.world.automation->failureReason(), s("Address not found."));
}
