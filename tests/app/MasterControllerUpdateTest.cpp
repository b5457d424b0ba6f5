// The window update rules: after each change of the current shipment the
// controls show its zone, its confirmation entries and their price, the
// sizes and classes it may use, its check boxes and measurements, and the
// price of every other class while the class menu is open.
//
// Prices are those of the built-in 2014 tables: Priority Mail 1 lb retail,
// zone 4, $5.85 (January 2014); Media Mail and Library Mail 1 lb; electronic
// delivery confirmation free with Priority Mail; certified mail $3.30.
#include "MasterControllerFixture.h"

#include "rates/QVShipmentUSPS.h"

using namespace master_test;

namespace {

QVariantList serviceList(const QStringList &services)
{
    QVariantList list;
    for (const QString &service : services)
        list.append(service);
    return list;
}

} // namespace

TEST_F(MasterControllerTest, ZoneShowsADashWhenNoneIsKnown)
{
    struct Case {
        QString zip;
        QString chartZone;
        QString shown;
    } cases[] = {
        {QString(), QStringLiteral("4"), QStringLiteral("-")}, // no destination: -1
        {QStringLiteral("10001"), QStringLiteral("4"), QStringLiteral("4")},
        {QStringLiteral("10001"), QStringLiteral("-1"), QStringLiteral("-")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.shown.toStdString() + " " + c.zip.toStdString());
        zones->zone = c.chartZone;
        start();
        if (!c.zip.isEmpty())
            sendTo(c.zip);
        EXPECT_EQ(form().text(FormControl::RateZone), c.shown);
    }
}

TEST_F(MasterControllerTest, ConfirmationPriceShowsFreeOrNone)
{
    struct Case {
        QString rateClass;
        qsizetype selected;
        QString price;
    } cases[] = {
        // Priority Mail takes electronic delivery confirmation at no fee.
        {QVUSPSPriorityMail, ConfirmationTag::eDelivery, QStringLiteral("Free")},
        {QVUSPSMediaMail, ConfirmationTag::None, QStringLiteral("None")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.rateClass.toStdString());
        defaults().setString(c.rateClass, QStringLiteral("rateClass"));
        start();
        sendTo(QStringLiteral("10001"));
        EXPECT_EQ(form().text(FormControl::RateConfirmation), c.price);
        EXPECT_EQ(form().popUp(FormControl::Confirmation).selectedTag(), std::optional(c.selected));
        EXPECT_EQ(form().popUp(FormControl::Confirmation).menu.items.value(0).title, QStringLiteral("None"));
    }
}

TEST_F(MasterControllerTest, ExpressMailGetsItsOwnConfirmationMenuAndWaiverRules)
{
    start();
    sendTo(QStringLiteral("10001"));
    choose(FormControl::MailClass, classTag(QVUSPSExpressMail));
    ASSERT_TRUE(isExpressMail(shipment()));
    const FormPopUp &popUp = form().popUp(FormControl::Confirmation);
    ASSERT_EQ(popUp.count(), 4);
    EXPECT_EQ(popUp.menu.items[0].title, QStringLiteral("Priority Mail Express Tracking"));
    EXPECT_EQ(popUp.menu.items[0].tag, 0);
    EXPECT_TRUE(popUp.menu.items[1].separator);
    EXPECT_EQ(popUp.menu.items[2].tag, ConfirmationTag::AdultSignature);
    EXPECT_EQ(popUp.menu.items[2].title, QStringLiteral("Adult Signature Required"));
    EXPECT_EQ(popUp.menu.items[3].tag, ConfirmationTag::AdultSignatureRestricted);
    EXPECT_EQ(popUp.menu.items[3].title, QStringLiteral("Adult Signature Restricted Delivery"));
    EXPECT_EQ(popUp.selectedIndex, 0);
    EXPECT_EQ(form().text(FormControl::RateConfirmation), QStringLiteral("Free"));
    EXPECT_TRUE(form().checkBox(FormControl::ExpressWaiverOfSignature).enabled);
    EXPECT_TRUE(form().disclosable(FormControl::ExpressView).shown);

    struct Case {
        QStringList services;
        qsizetype selected;
        bool waiverLocked;
    } cases[] = {
        {{QVUSPSAdultSignatureService}, ConfirmationTag::AdultSignature, true},
        {{QVUSPSAdultSignatureRestrictedService}, ConfirmationTag::AdultSignatureRestricted, true},
        {{QVUSPSHoldForPickupService}, 0, true},
        {{QVUSPSExpressMailPremiumService}, 0, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.services.join(QLatin1Char(',')).toStdString());
        FormCheckBox &waiver = form().checkBox(FormControl::ExpressWaiverOfSignature);
        waiver = FormCheckBox{};
        set(serviceList(c.services), QVUSPSShipmentOptionalServicesKey);
        ASSERT_EQ(services(), c.services);
        EXPECT_EQ(popUp.selectedTag(), std::optional(c.selected));
        EXPECT_EQ(waiver.enabled, !c.waiverLocked);
        if (c.waiverLocked) {
            EXPECT_TRUE(waiver.on);
        }
    }
}

TEST_F(MasterControllerTest, CertifiedMailServicesSelectTheirTags)
{
    start();
    sendTo(QStringLiteral("10001"));
    struct Case {
        QStringList services;
        qsizetype tag;
    } cases[] = {
        {{QVUSPSCertifiedMailService}, ConfirmationTag::Certified},
        {{QVUSPSCertifiedMailService, QVUSPSReturnReceiptService}, ConfirmationTag::CertifiedReturnReceipt},
        {{QVUSPSCertifiedMailService, QVUSPSRestrictedDeliveryService, QVUSPSReturnReceiptService},
         ConfirmationTag::CertifiedReturnReceiptRestricted},
        {{QVUSPSCertifiedMailService, QVUSPSRestrictedDeliveryService}, ConfirmationTag::CertifiedRestricted},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tag);
        set(serviceList(c.services), QVUSPSShipmentOptionalServicesKey);
        ASSERT_FALSE(shipment().dictionary().contains(QVUSPSShipmentConfirmationServiceKey));
        EXPECT_EQ(form().popUp(FormControl::Confirmation).selectedTag(), std::optional(c.tag));
        EXPECT_NE(form().text(FormControl::RateConfirmation), QStringLiteral("None"));
        EXPECT_TRUE(form().text(FormControl::RateConfirmation).startsWith(QLatin1Char('$')));
        for (const qsizetype tag : {11, 12, 13, 14})
            EXPECT_TRUE(form().popUp(FormControl::Confirmation).menu.itemWithTag(tag)->enabled);
    }
}

TEST_F(MasterControllerTest, SizeTheDimensionsForbidFallsBackToRegular)
{
    start();
    sendTo(QStringLiteral("10001"));
    // A 20-inch piece is no letter (pricing itself would have moved it on).
    storeQuietly({{QVUSPSShipmentSizeKey, QVUSPSLetterSize},
                  {QVShipmentLengthMeasurementKey, 2000},
                  {QVShipmentWidthMeasurementKey, 200},
                  {QVShipmentHeightMeasurementKey, 1000}});
    const FormPopUp &sizes = form().popUp(FormControl::PieceSize);
    EXPECT_FALSE(sizes.menu.itemWithTag(sizeTag(QVUSPSLetterSize))->enabled);
    EXPECT_EQ(sizes.selectedTag(), std::optional(sizeTag(QVUSPSRegularSize)));
    // The video box is never offered at home.
    EXPECT_FALSE(sizes.menu.itemWithTag(sizeTag(QVUSPSLargeFlatRateVideoBoxSize))->enabled);

    storeQuietly({{QVUSPSShipmentSizeKey, QVUSPSLetterSize},
                  {QVShipmentLengthMeasurementKey, 0},
                  {QVShipmentWidthMeasurementKey, 0},
                  {QVShipmentHeightMeasurementKey, 0}});
    EXPECT_TRUE(sizes.menu.itemWithTag(sizeTag(QVUSPSLetterSize))->enabled);
    EXPECT_EQ(sizes.selectedTag(), std::optional(sizeTag(QVUSPSLetterSize)));
}

TEST_F(MasterControllerTest, OtherClassesArePricedAndShowTheirPriceOnlyWhileTheMenuIsOpen)
{
    start();
    sendTo(QStringLiteral("10001"));
    typeWeight(QStringLiteral("1 lb"));
    ASSERT_EQ(stored(QVShipmentWeightNumberKey), QStringLiteral("16"));
    ASSERT_EQ(stored(QVShipmentWeightUnitKey), QStringLiteral("oz"));

    const QMap<qsizetype, Decimal> &prices = controller->priceShopDictionary();
    EXPECT_EQ(prices.value(classTag(QVUSPSPriorityMail)), Decimal::fromString(QStringLiteral("5.85")));
    EXPECT_TRUE(prices.contains(classTag(QVUSPSMediaMail)));
    // No 2014 Priority Mail Express prices are built in: priced at zero, so
    // not listed.
    EXPECT_FALSE(prices.contains(classTag(QVUSPSExpressMail)));

    FormMenu &menu = form().popUp(FormControl::MailClass).menu;
    const QString priority = QVUSPSRateClass::casualNameForRateClassName(QVUSPSPriorityMail);
    const QString express = QVUSPSRateClass::casualNameForRateClassName(QVUSPSExpressMail);
    EXPECT_EQ(menu.itemWithTag(classTag(QVUSPSPriorityMail))->title, priority);
    controller->mailClassWillPopup();
    EXPECT_EQ(menu.itemWithTag(classTag(QVUSPSPriorityMail))->title, priority + QStringLiteral(" ($5.85)"));
    EXPECT_EQ(menu.itemWithTag(classTag(QVUSPSMediaMail))->title,
              QVUSPSRateClass::casualNameForRateClassName(QVUSPSMediaMail) + QStringLiteral(" ($") +
                  prices.value(classTag(QVUSPSMediaMail)).rounded(2).toString() + QStringLiteral(")"));
    EXPECT_EQ(menu.itemWithTag(classTag(QVUSPSExpressMail))->title, express);
    controller->mailClassMenuWillEnd();
    EXPECT_EQ(menu.itemWithTag(classTag(QVUSPSPriorityMail))->title, priority);
}

TEST_F(MasterControllerTest, NonmachinableBoxBelongsToFirstClassLettersAndRetailBoxToParcels)
{
    defaults().setString(QVUSPSFirstClassMail, QStringLiteral("rateClass"));
    start();
    sendTo(QStringLiteral("10001"));
    struct Case {
        QString size;
        bool nonmachinableEnabled;
        bool retailVisible;
    } cases[] = {
        {QVUSPSRegularSize, false, true},
        {QVUSPSLargeEnvelopeSize, false, false},
        {QVUSPSLetterSize, true, false},
    };
    const FormCheckBox &box = form().checkBox(FormControl::Nonmachinable);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.size.toStdString());
        // The piece was marked non-machinable before.
        storeQuietly({{QVUSPSShipmentSizeKey, c.size}, {QVUSPSShipmentMachinableKey, false}});
        ASSERT_EQ(stored(QVUSPSShipmentRateClassKey), QVUSPSFirstClassMail);
        EXPECT_EQ(box.enabled, c.nonmachinableEnabled);
        EXPECT_EQ(box.visible, !c.retailVisible);
        EXPECT_EQ(form().checkBox(FormControl::UseRetailRate).visible, c.retailVisible);
        // A box that is off and closed, or that has just opened, makes the
        // piece machinable.
        EXPECT_FALSE(box.on);
        EXPECT_TRUE(shipmentBool(shipment(), QVUSPSShipmentMachinableKey));
    }
    // While it stays open it shows the piece.
    storeQuietly({{QVUSPSShipmentMachinableKey, false}});
    EXPECT_TRUE(box.on);
    EXPECT_FALSE(shipmentBool(shipment(), QVUSPSShipmentMachinableKey, true));
    click(FormControl::Nonmachinable, false);
    EXPECT_TRUE(shipmentBool(shipment(), QVUSPSShipmentMachinableKey));

    // The retail box of a parcel shows the shipment's forced-retail flag.
    storeQuietly({{QVUSPSShipmentSizeKey, QVUSPSRegularSize}});
    EXPECT_FALSE(form().isOn(FormControl::UseRetailRate));
    click(FormControl::UseRetailRate, true);
    EXPECT_TRUE(shipment().isForcedRetailRates());
    EXPECT_TRUE(form().isOn(FormControl::UseRetailRate));
}

TEST_F(MasterControllerTest, LetterSizesLockTheConfirmationPopUpUnlessCertifiedMailApplies)
{
    defaults().setString(QVUSPSMediaMail, QStringLiteral("rateClass"));
    start();
    sendTo(QStringLiteral("10001"));
    const FormPopUp &popUp = form().popUp(FormControl::Confirmation);
    // Media Mail parcel: both confirmations may be chosen, or none.
    EXPECT_TRUE(popUp.enabled);
    EXPECT_TRUE(popUp.menu.itemWithTag(ConfirmationTag::None)->enabled);
    EXPECT_TRUE(popUp.menu.itemWithTag(ConfirmationTag::eSignature)->enabled);
    EXPECT_FALSE(popUp.menu.itemWithTag(ConfirmationTag::Certified)->enabled);

    // A First-Class letter: no confirmation, but certified mail.
    choose(FormControl::MailClass, classTag(QVUSPSFirstClassMail));
    storeQuietly({{QVUSPSShipmentSizeKey, QVUSPSLetterSize}});
    EXPECT_TRUE(popUp.enabled);
    EXPECT_FALSE(popUp.menu.itemWithTag(ConfirmationTag::eDelivery)->enabled);
    EXPECT_TRUE(popUp.menu.itemWithTag(ConfirmationTag::Certified)->enabled);
    EXPECT_FALSE(popUp.menu.itemWithTag(ConfirmationTag::AdultSignature)->enabled);

    // A First-Class parcel must carry a confirmation: "None" is closed.
    storeQuietly({{QVUSPSShipmentSizeKey, QVUSPSRegularSize}});
    EXPECT_FALSE(popUp.menu.itemWithTag(ConfirmationTag::None)->enabled);
    EXPECT_TRUE(popUp.menu.itemWithTag(ConfirmationTag::eDelivery)->enabled);
}

TEST_F(MasterControllerTest, MeasurementsShowInInchesAndFlatRateSizesHaveNone)
{
    start();
    sendTo(QStringLiteral("10001"));
    set(1201, QVShipmentLengthMeasurementKey);
    EXPECT_EQ(form().text(FormControl::Length), QStringLiteral("12.01"));
    EXPECT_EQ(form().text(FormControl::Height), QString());
    EXPECT_EQ(form().field(FormControl::Length).placeholder, QStringLiteral("in"));
    choose(FormControl::PieceSize, sizeTag(QVUSPSFlatRateBoxSize));
    ASSERT_EQ(stored(QVUSPSShipmentSizeKey), QVUSPSFlatRateBoxSize);
    EXPECT_EQ(form().text(FormControl::Length), QString());
    EXPECT_FALSE(form().field(FormControl::Length).enabled);
    EXPECT_EQ(form().field(FormControl::Length).placeholder, QString());
    EXPECT_FALSE(form().checkBox(FormControl::Nonrectangular).enabled);
}

TEST_F(MasterControllerTest, UpdateRulesRunOnlyAfterAChange)
{
    start();
    RecordingView view;
    controller->setView(&view);
    ASSERT_FALSE(controller->needsUpdate());
    form().setText(FormControl::RateZone, QStringLiteral("marker"));
    controller->windowDidUpdate();
    EXPECT_EQ(form().text(FormControl::RateZone), QStringLiteral("marker"));

    set(QStringLiteral("Gift"), QVShipmentDescriptionKey);
    EXPECT_TRUE(controller->needsUpdate());
    EXPECT_GE(view.updateRequests, 1);
    controller->windowDidUpdate();
    EXPECT_EQ(form().text(FormControl::RateZone), QStringLiteral("-"));
    EXPECT_EQ(form().text(FormControl::Description), QStringLiteral("Gift"));
    controller->setView(nullptr);
}

TEST_F(MasterControllerTest, CustomsSummaryNamesThePrinterForFormsPrintedHere)
{
    start();
    sendTo(QStringLiteral("10001"));
    storeQuietly({{QVUSPSShipmentCustomsFormTypeKey, QVUSPSShipment2976CustomsFormType}});
    EXPECT_TRUE(controller->customsSummaryString().endsWith(QStringLiteral(". Printing to Office Laser")));
    EXPECT_EQ(printing->printerKeys.value(0), QStringLiteral("mailingRecordPaperInfo"));
    storeQuietly({{QVUSPSShipmentCustomsFormTypeKey, QVUSPSShipmentNoCustomsFormType}});
    EXPECT_FALSE(controller->customsSummaryString().contains(QStringLiteral("Printing to")));

    // The sheet edits the current shipment; its end refreshes the summary.
    controller->showCustomsFormSheet();
    ASSERT_EQ(printing->sheets, 1);
    EXPECT_EQ(printing->sheetShipment, controller->currentShipment());
    form().setText(FormControl::CustomsSummary, QString());
    printing->didEnd();
    EXPECT_EQ(form().text(FormControl::CustomsSummary), controller->customsSummaryString());
}
