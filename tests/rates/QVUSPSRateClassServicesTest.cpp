// The client and shell services that the rate classes and pricing ask:
// their answers before anything is registered, and registration.
#include "model/ClientServices.h"

#include "QVUSPSRateClassFakes.h"
#include "model/QVShipment.h"
#include "platform/UserDefaults.h"
#include "rates/QVUSPSRateClassNames.h"

#include <gtest/gtest.h>

namespace {

class QVUSPSRateClassServicesTest : public ::testing::Test
{
protected:
    void SetUp() override { UserDefaults::resetStandardUserDefaults(); }
    void TearDown() override
    {
        setAccountInformationServices(nullptr);
        setPartnerLabelServices(nullptr);
        setLabelServerServices(nullptr);
        setShipmentServiceMask(nullptr);
        setPrinterSetupController(nullptr);
        UserDefaults::resetStandardUserDefaults();
    }
};

TEST_F(QVUSPSRateClassServicesTest, AccountAnswersBeforeAnyAccountInformation)
{
    const auto account = accountInformationServices();
    ASSERT_NE(account, nullptr);
    EXPECT_FALSE(account->pmCubicPricing());
    EXPECT_TRUE(account->adultSignature());
    EXPECT_TRUE(account->pmRegionalRateBox());
    EXPECT_FALSE(account->disableParcelSelect());
    EXPECT_FALSE(account->standardPost());
    EXPECT_TRUE(account->pmHalfPoundRate());

    // Discount levels: the account's general levels default to 1, the
    // First-Class package level too; Parcel Select is always 1.
    struct Case {
        QString rateClass;
        QString size;
        int level;
    } cases[] = {
        {QVUSPSPriorityMail, QVUSPSRegularSize, 1},
        {QVUSPSPriorityMail, QVUSPSFlatRateEnvelopeSize, 1},
        {QVUSPSPriorityMailLargeFlatBoxRate, QVUSPSLargeFlatRateBoxSize, 1},
        {QVUSPSExpressMail, QVUSPSRegularSize, 1},
        {QVUSPSExpressMailFlatRate, QVUSPSFlatRateEnvelopeSize, 1},
        {QVUSPSFirstClassMail, QVUSPSRegularSize, 1},
        {QVUSPSFirstClassMail, QVUSPSLetterSize, 0},
        {QVUSPSFirstClassMail, QVUSPSLargeEnvelopeSize, 0},
        {QVUSPSParcelSelect, QVUSPSOversizeSize, 1},
        {QVUSPSParcelSelect, QVUSPSRegularSize, 1},
        {QVUSPSMediaMail, QVUSPSRegularSize, 0},
        {QVUSPSStandardPost, QVUSPSRegularSize, 0},
        {QStringLiteral("QVUSPSIntlPriorityMailIntl"), QVUSPSRegularSize, 1},
        {QStringLiteral("QVUSPSIntlExpressMailIntl"), QVUSPSFlatRateEnvelopeSize, 1},
        {QStringLiteral("QVUSPSIntlFirstClassMailIntl"), QVUSPSRegularSize, 1},
        {QStringLiteral("QVUSPSIntlFirstClassMailIntl"), QVUSPSLetterSize, 0},
        {QStringLiteral("QVUSPSIntlMBag"), QVUSPSRegularSize, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(account->discountLevelForRateClassName(c.rateClass, c.size), c.level)
            << c.rateClass.toStdString() << " " << c.size.toStdString();

    auto fake = std::make_shared<FakeAccountInformation>();
    fake->standardPostAllowed = true;
    fake->discountLevel = 12;
    setAccountInformationServices(fake);
    EXPECT_TRUE(accountInformationServices()->standardPost());
    EXPECT_EQ(accountInformationServices()->discountLevelForRateClassName(QVUSPSPriorityMail, QVUSPSRegularSize), 12);
    setAccountInformationServices(nullptr);
    EXPECT_FALSE(accountInformationServices()->standardPost());
}

TEST_F(QVUSPSRateClassServicesTest, PartnerLabelServiceFollowsItsUserDefault)
{
    EXPECT_FALSE(partnerLabelServices()->isAllowed());
    EXPECT_TRUE(partnerLabelServices()->isAuthenticated());
    UserDefaults::standardUserDefaults().setBool(true, QStringLiteral("briskoOneEnabled"));
    EXPECT_TRUE(partnerLabelServices()->isAllowed());

    auto fake = std::make_shared<FakePartnerLabelService>();
    fake->authenticated = false;
    setPartnerLabelServices(fake);
    EXPECT_FALSE(partnerLabelServices()->isAllowed());
    EXPECT_FALSE(partnerLabelServices()->isAuthenticated());
}

TEST_F(QVUSPSRateClassServicesTest, LabelServerPriceIsZeroWithoutAClient)
{
    QVShipment shipment;
    EXPECT_EQ(labelServerServices()->VLSPrice(shipment), Decimal::zero());

    struct FixedPrice final : QVLabelServerServices {
        Decimal VLSPrice(const QVShipment &) override { return Decimal(1234, -3); }
    };
    setLabelServerServices(std::make_shared<FixedPrice>());
    EXPECT_EQ(labelServerServices()->VLSPrice(shipment), Decimal(1234, -3));
}

TEST_F(QVUSPSRateClassServicesTest, OptionalServiceMaskOfAShipment)
{
    struct Case {
        const char *what;
        QVariantMap values;
        int mask;
    } cases[] = {
        {"nothing", {}, 0},
        {"confirmation only", {{QVUSPSShipmentConfirmationServiceKey, QVUSPSeDeliveryConfirmation}}, 0},
        {"premium service",
         {{QVUSPSShipmentOptionalServicesKey, QVariantList{QVUSPSExpressMailPremiumService}}},
         0x8000},
        {"hold for pickup and premium service",
         {{QVUSPSShipmentOptionalServicesKey,
           QVariantList{QVUSPSHoldForPickupService, QVUSPSCertifiedMailService, QVUSPSExpressMailPremiumService}}},
         0x88000},
        {"hold for pickup as the confirmation service",
         {{QVUSPSShipmentConfirmationServiceKey, QVUSPSHoldForPickupService}},
         0x80000},
    };
    for (const Case &c : cases)
        EXPECT_EQ(tolvaneOptionalService(QVShipment(c.values)), c.mask) << c.what;
}

TEST_F(QVUSPSRateClassServicesTest, PrinterSetupDefaultsToPlainPaper)
{
    EXPECT_EQ(printerSetupController()->labelTypeForEnvelope(true), QVPlainPaperLabel);
    EXPECT_EQ(QVPlainPaperLabel, QStringLiteral("QVPlainPaperLabel"));

    struct Thermal final : QVPrinterSetupServices {
        QString labelTypeForEnvelope(bool envelope) override
        {
            return envelope ? QVPlainPaperLabel : QStringLiteral("QVEPL2Label");
        }
    };
    setPrinterSetupController(std::make_shared<Thermal>());
    EXPECT_EQ(printerSetupController()->labelTypeForEnvelope(false), QStringLiteral("QVEPL2Label"));
    EXPECT_EQ(printerSetupController()->labelTypeForEnvelope(true), QVPlainPaperLabel);
}

} // namespace
