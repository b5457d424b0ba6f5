// The main-window controller's set-up: the initial shipment from the user
// defaults, the menus of the window, the account status, and what follows a
// change of the user defaults.
#include "MasterControllerFixture.h"

#include "model/StringAdditions.h"
#include "rates/QVShipmentUSPS.h"

using namespace master_test;

TEST_F(MasterControllerTest, StoredRateClassStartsTheWindowExceptBoundPrintedMatter)
{
    struct Case {
        QString stored;
        QString expected;
    } cases[] = {
        {QVUSPSBoundPrintedMatter, QVUSPSPriorityMail},
        {QVUSPSMediaMail, QVUSPSMediaMail},
        {QVUSPSPriorityMail, QVUSPSPriorityMail},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.stored.toStdString());
        defaults().setString(c.stored, QStringLiteral("rateClass"));
        start();
        EXPECT_EQ(stored(QVUSPSShipmentRateClassKey), c.expected);
        EXPECT_EQ(form().popUp(FormControl::MailClass).selectedTag(), std::optional(classTag(c.expected)));
    }
}

TEST_F(MasterControllerTest, InitialShipmentHoldsTheSampleNumbersAndNoCustomsForm)
{
    defaults().setString(QVUSPSMediaMail, QStringLiteral("rateClass"));
    start();
    EXPECT_EQ(stored(QVUSPSShipmentPICKey), QStringLiteral("9412312123456123456781"));
    EXPECT_EQ(stored(QVUSPSShipmentRDCKey), QStringLiteral("0000"));
    EXPECT_TRUE(shipmentBool(shipment(), QVUSPSShipmentMachinableKey));
    EXPECT_FALSE(shipmentBool(shipment(), QVUSPSShipmentReplyPostageKey, true));
    EXPECT_EQ(stored(QVUSPSShipmentCustomsFormTypeKey), QVUSPSShipmentNoCustomsFormType);
    EXPECT_EQ(stored(QVShipmentCarrierKey), QVUSPSCarrier);
    EXPECT_EQ(stored(QVUSPSShipmentMailedFromZIP5Key), QStringLiteral("02134"));
    EXPECT_TRUE(shipmentBool(shipment(), QVShipmentRectangularKey));
    EXPECT_EQ(shipment().objectForKey(QVShipmentShipDateKey).toDateTime(), clock);
    EXPECT_EQ(form().text(FormControl::LastConfNumber), QStringLiteral("--"));
    EXPECT_EQ(form().text(FormControl::RateEstimated), QStringLiteral("--"));
    EXPECT_FALSE(form().checkBox(FormControl::UseInsurance).enabled);
    EXPECT_TRUE(form().isOn(FormControl::ExpressSaturday));
    EXPECT_FALSE(controller->needsUpdate());
}

TEST_F(MasterControllerTest, EmptyConfirmationDefaultLeavesNoConfirmationService)
{
    // Media Mail takes no confirmation unless asked: the default decides.
    struct Case {
        QString stored;
        bool expectService;
    } cases[] = {
        {QString(QLatin1String("")), false},
        {QVUSPSeSignatureConfirmation, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.stored.toStdString());
        defaults().setString(QVUSPSMediaMail, QStringLiteral("rateClass"));
        defaults().setString(c.stored, QStringLiteral("confirmationService"));
        start();
        EXPECT_EQ(shipment().dictionary().contains(QVUSPSShipmentConfirmationServiceKey), c.expectService);
        if (c.expectService) {
            EXPECT_EQ(stored(QVUSPSShipmentConfirmationServiceKey), c.stored);
        }
    }
}

TEST_F(MasterControllerTest, StandardPostIsOfferedOnlyToAccountsThatMayUseIt)
{
    const QString title = QVUSPSRateClass::casualNameForRateClassName(QVUSPSStandardPost);
    for (const bool allowed : {false, true}) {
        SCOPED_TRACE(allowed);
        account->standardPostAllowed = allowed;
        start();
        EXPECT_EQ(form().popUp(FormControl::MailClass).menu.indexOfTitle(title) >= 0, allowed);
        EXPECT_EQ(controller->domesticMenu().indexOfTitle(title) >= 0, allowed);
    }
}

TEST_F(MasterControllerTest, AccountStatusIsRefreshedOnlyWhenThereWasOne)
{
    start();
    EXPECT_EQ(shell->statusRefreshes, 0);
    postage->hasStatus = true;
    start();
    EXPECT_EQ(shell->statusRefreshes, 1);
}

TEST_F(MasterControllerTest, ChangedDefaultsReachTheShipmentInStandardModeOnly)
{
    start();
    ASSERT_FALSE(shipmentBool(shipment(), QVUSPSShipmentPostageEnabledKey, true));
    shell->standardMode = false;
    defaults().setBool(true, QStringLiteral("usePostage"));
    settle();
    EXPECT_FALSE(shipmentBool(shipment(), QVUSPSShipmentPostageEnabledKey, true));
    EXPECT_EQ(printing->defaultsChanged, 0);

    shell->standardMode = true;
    defaults().setBool(true, QStringLiteral("useStealth"));
    settle();
    EXPECT_TRUE(shipmentBool(shipment(), QVUSPSShipmentPostageEnabledKey));
    EXPECT_EQ(controller->useStealthPostageForCurrentShipment(), isEligibleForStealth(shipment()));
    EXPECT_EQ(printing->defaultsChanged, 1);
}

TEST_F(MasterControllerTest, ClearingForANewLabelKeepsTheAddressesAndClass)
{
    int returnAddressRebuilds = 0;
    start();
    controller->hooks().updateFromAddress = [&] { ++returnAddressRebuilds; };
    sendTo(QStringLiteral("10001"));
    click(FormControl::HoldForPickup, true);
    type(FormControl::Description, QStringLiteral("Books"));
    type(FormControl::Value, QStringLiteral("20"));
    set(1200, QVShipmentLengthMeasurementKey);
    set(QStringLiteral("Dept 4"), QVShipmentCostCenterKey);
    set(QStringLiteral("Shop"), QVUSPSShipmentRHOWebStoreNameKey);
    defaults().setBool(true, QStringLiteral("useInsurance"));
    click(FormControl::ReplyPostage, true);
    returnAddressRebuilds = 0;

    controller->clearAllFields();
    settle();
    EXPECT_EQ(stored(QVShipmentDescriptionKey), QString(QLatin1String("")));
    EXPECT_EQ(stored(QVShipmentInvoiceNumberKey), QString(QLatin1String("")));
    EXPECT_EQ(decimalFromVariant(shipment().objectForKey(QVShipmentValueKey)), Decimal::zero());
    EXPECT_FALSE(shipmentBool(shipment(), QVUSPSShipmentReplyPostageKey, true));
    EXPECT_EQ(returnAddressRebuilds, 1);
    EXPECT_FALSE(shipment().dictionary().contains(QVUSPSShipmentOptionalServicesKey));
    EXPECT_FALSE(defaults().boolForKey(QStringLiteral("useInsurance")));
    EXPECT_EQ(shipment().objectForKey(QVShipmentLengthMeasurementKey).toInt(), 0);
    EXPECT_FALSE(shipment().dictionary().contains(QVShipmentCostCenterKey));
    EXPECT_FALSE(shipment().dictionary().contains(QVUSPSShipmentRHOWebStoreNameKey));
    EXPECT_EQ(shipment().mailedToZIP5(), QStringLiteral("10001"));
    EXPECT_EQ(stored(QVUSPSShipmentRateClassKey), QVUSPSPriorityMail);

    // Without reply postage the return address stays as it is.
    controller->clearAllFields();
    EXPECT_EQ(returnAddressRebuilds, 1);
}

TEST_F(MasterControllerTest, LastLabelNumberShowsItsLogFormOrDashes)
{
    start();
    controller->setCurrentPICCode(QStringLiteral("9405511899223197428490"));
    EXPECT_EQ(controller->currentPICCode(), QStringLiteral("9405511899223197428490"));
    EXPECT_EQ(form().text(FormControl::LastConfNumber), uspsLogPIC(QStringLiteral("9405511899223197428490")));
    EXPECT_NE(form().text(FormControl::LastConfNumber), QStringLiteral("--"));
    controller->setCurrentPICCode(QString());
    EXPECT_EQ(form().text(FormControl::LastConfNumber), QStringLiteral("--"));
}
