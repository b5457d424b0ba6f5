// The form into the shipment: what each control writes, the weight text, the
// confirmation pop-up's services, the domestic/international switch and the
// customs form chosen with the weight menu.
#include "MasterControllerFixture.h"

#include "app/mainwindow/MasterWeightClass.h"
#include "model/QVWeight.h"
#include "platform/NotificationCenter.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSIntlRateClass.h"

using namespace master_test;

TEST_F(MasterControllerTest, WeightTextSelectsTheMenuEntry)
{
    // The First-Class letter menu: 1, 2, 3 and 3.5 oz (stored as 1 to 4).
    struct Case {
        QString typed;
        QString ounces;
    } cases[] = {
        {QStringLiteral("3.4"), QStringLiteral("4")},
        {QStringLiteral("1+2"), QStringLiteral("3")},
        {QStringLiteral("2 oz"), QStringLiteral("2")},
        {QStringLiteral("1.01 ozs"), QStringLiteral("2")},
        // No number: the first entry.
        {QStringLiteral("abc"), QStringLiteral("1")},
        // From 3.5 to 4 oz a letter counts as 5 oz, which is past the letter
        // menu: beyond the menu the first entry is taken (the scale road
        // warns instead).
        {QStringLiteral("3.75"), QStringLiteral("1")},
        {QStringLiteral("3.5"), QStringLiteral("1")},
        {QStringLiteral("4.5"), QStringLiteral("1")},
    };
    defaults().setString(QVUSPSFirstClassMail, QStringLiteral("rateClass"));
    defaults().setString(QVUSPSLetterSize, QStringLiteral("pieceSize"));
    start();
    sendTo(QStringLiteral("10001"));
    ASSERT_EQ(stored(QVUSPSShipmentSizeKey), QVUSPSLetterSize);
    ASSERT_EQ(controller->weightUnit(), QStringLiteral("oz"));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        typeWeight(QStringLiteral("2 oz"));
        typeWeight(c.typed);
        EXPECT_EQ(stored(QVShipmentWeightNumberKey), c.ounces);
        EXPECT_EQ(stored(QVShipmentWeightUnitKey), QStringLiteral("oz"));
        const FormComboBox &box = form().weight();
        ASSERT_GE(box.selectedIndex, 0);
        EXPECT_EQ(box.text, box.values[box.selectedIndex]);
    }
    // On a large envelope the 5-oz rule does not apply.
    choose(FormControl::PieceSize, sizeTag(QVUSPSLargeEnvelopeSize));
    typeWeight(QStringLiteral("3.75"));
    EXPECT_EQ(stored(QVShipmentWeightNumberKey), QStringLiteral("4"));
}

TEST_F(MasterControllerTest, LetterWeightFromThreeAndAHalfToFourOuncesSelectsTheFiveOunceEntry)
{
    // The shipped letter menu ends at 3.5 oz, so the 5-oz entry that a letter
    // of 3.5 to 4 oz is given exists only in a menu of the test's own: 1 to 6
    // oz, whatever the size.
    struct ScopedTable {
        ScopedTable()
        {
            MasterWeightClass::setTableForTesting(
                MasterWeightClass::Table{QVUSPSFirstClassMail, QVOunceUnitString, {"1", "2", "3", "4", "5", "6"}});
        }
        ~ScopedTable() { MasterWeightClass::setTableForTesting(std::nullopt); }
    } table;
    struct Case {
        QString typed;
        QString letter;   // stored ounces for a letter
        QString envelope; // the same text on a large envelope
    } cases[] = {
        // From 3.5 to 4 oz inclusive: the first entry of at least 5 oz.
        {QStringLiteral("3.75"), QStringLiteral("5"), QStringLiteral("4")},
        {QStringLiteral("3.5"), QStringLiteral("5"), QStringLiteral("4")},
        {QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("4")},
        {QStringLiteral("3.5 oz"), QStringLiteral("5"), QStringLiteral("4")},
        {QStringLiteral("2+1.75"), QStringLiteral("5"), QStringLiteral("4")},
        // Either side of the range: rounded up to the whole ounce.
        {QStringLiteral("3.4"), QStringLiteral("4"), QStringLiteral("4")},
        {QStringLiteral("3.49"), QStringLiteral("4"), QStringLiteral("4")},
        {QStringLiteral("4.01"), QStringLiteral("5"), QStringLiteral("5")},
        {QStringLiteral("5.5"), QStringLiteral("6"), QStringLiteral("6")},
        // Past the menu: the first entry.
        {QStringLiteral("6.5"), QStringLiteral("1"), QStringLiteral("1")},
    };
    defaults().setString(QVUSPSFirstClassMail, QStringLiteral("rateClass"));
    defaults().setString(QVUSPSLetterSize, QStringLiteral("pieceSize"));
    start();
    sendTo(QStringLiteral("10001"));
    ASSERT_EQ(controller->weightUnit(), QStringLiteral("oz"));
    for (const QString &size : {QVUSPSLetterSize, QVUSPSLargeEnvelopeSize}) {
        choose(FormControl::PieceSize, sizeTag(size));
        ASSERT_EQ(stored(QVUSPSShipmentSizeKey), size);
        ASSERT_EQ(form().weight().values, (QStringList{"1 oz", "2 ozs", "3 ozs", "4 ozs", "5 ozs", "6 ozs"}));
        for (const Case &c : cases) {
            SCOPED_TRACE((size + QStringLiteral(": ") + c.typed).toStdString());
            typeWeight(QStringLiteral("2 oz"));
            ASSERT_EQ(stored(QVShipmentWeightNumberKey), QStringLiteral("2"));
            typeWeight(c.typed);
            const QString expected = size == QVUSPSLetterSize ? c.letter : c.envelope;
            EXPECT_EQ(stored(QVShipmentWeightNumberKey), expected);
            EXPECT_EQ(stored(QVShipmentWeightUnitKey), QStringLiteral("oz"));
            const FormComboBox &box = form().weight();
            ASSERT_GE(box.selectedIndex, 0);
            EXPECT_EQ(box.values[box.selectedIndex].section(QLatin1Char(' '), 0, 0), expected);
            EXPECT_EQ(box.text, box.values[box.selectedIndex]);
        }
    }
}

TEST_F(MasterControllerTest, WeightWithPoundsAndOuncesIsTheirSum)
{
    // Priority Mail: a menu of whole pounds, stored in ounces.
    start();
    sendTo(QStringLiteral("10001"));
    ASSERT_EQ(controller->weightUnit(), QStringLiteral("oz"));
    struct Case {
        QString typed;
        QString ounces;
    } cases[] = {
        // 2 lb 4 oz is 36 oz: the 3 lb entry (not 24 lb).
        {QStringLiteral("2 lb 4 oz"), QStringLiteral("48")}, {QStringLiteral("2lbs 0oz"), QStringLiteral("32")},
        {QStringLiteral("5 lb"), QStringLiteral("80")},      {QStringLiteral("1 lb"), QStringLiteral("16")},
        {QStringLiteral("17"), QStringLiteral("32")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        typeWeight(c.typed);
        EXPECT_EQ(stored(QVShipmentWeightNumberKey), c.ounces);
        EXPECT_EQ(stored(QVShipmentWeightUnitKey), QStringLiteral("oz"));
    }
    // A value of the list is taken as it stands.
    ASSERT_GE(form().weight().values.size(), 3);
    const QString listed = form().weight().values[2];
    typeWeight(listed);
    EXPECT_EQ(form().weight().selectedIndex, 2);
    EXPECT_EQ(form().weight().text, listed);
    EXPECT_EQ(stored(QVShipmentWeightNumberKey), QStringLiteral("48"));
}

TEST_F(MasterControllerTest, ChangingOneMeasurementRewritesAllThree)
{
    start();
    form().setText(FormControl::Length, QStringLiteral("10"));
    form().setText(FormControl::Height, QStringLiteral("2.01"));
    type(FormControl::Thickness, QStringLiteral("3.999"));
    EXPECT_EQ(shipment().objectForKey(QVShipmentLengthMeasurementKey).toInt(), 1000);
    // 2.01 in is 201 hundredths (binary floating point would give 200).
    EXPECT_EQ(shipment().objectForKey(QVShipmentHeightMeasurementKey).toInt(), 201);
    EXPECT_EQ(shipment().objectForKey(QVShipmentWidthMeasurementKey).toInt(), 399);
    type(FormControl::Height, QString());
    EXPECT_EQ(shipment().objectForKey(QVShipmentHeightMeasurementKey).toInt(), 0);
}

TEST_F(MasterControllerTest, ConfirmationTagsWriteTheirServices)
{
    struct Case {
        QString rateClass;
        QString size;
        qsizetype tag;
        QStringList services; // sorted
        QString alert;
    } cases[] = {
        {QVUSPSFirstClassMail,
         QVUSPSLargeEnvelopeSize,
         ConfirmationTag::CertifiedReturnReceipt,
         {QVUSPSCertifiedMailService, QVUSPSReturnReceiptService},
         QStringLiteral("certifiedMailVLSReturnReceiptReminder")},
        {QVUSPSPriorityMail,
         QVUSPSRegularSize,
         ConfirmationTag::CertifiedReturnReceipt,
         {QVUSPSCertifiedMailService, QVUSPSReturnReceiptService},
         QStringLiteral("certifiedMailReturnReceiptReminder")},
        {QVUSPSFirstClassMail,
         QVUSPSLargeEnvelopeSize,
         ConfirmationTag::Certified,
         {QVUSPSCertifiedMailService},
         QStringLiteral("certifiedMailVLSReminder")},
        {QVUSPSPriorityMail,
         QVUSPSRegularSize,
         ConfirmationTag::CertifiedRestricted,
         {QVUSPSCertifiedMailService, QVUSPSRestrictedDeliveryService},
         QStringLiteral("certifiedMailReminder")},
        {QVUSPSPriorityMail,
         QVUSPSRegularSize,
         ConfirmationTag::AdultSignature,
         {QVUSPSAdultSignatureService},
         QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.alert.toStdString() + " " + std::to_string(c.tag));
        defaults().setString(c.rateClass, QStringLiteral("rateClass"));
        defaults().setString(c.size, QStringLiteral("pieceSize"));
        start();
        sendTo(QStringLiteral("10001"));
        ASSERT_EQ(stored(QVUSPSShipmentSizeKey), c.size);
        shell->alerts.clear();
        choose(FormControl::Confirmation, c.tag);
        EXPECT_EQ(services(), c.services);
        EXPECT_FALSE(shipment().dictionary().contains(QVUSPSShipmentConfirmationServiceKey));
        EXPECT_EQ(shell->alerts, c.alert.isEmpty() ? QStringList() : QStringList{c.alert});
    }
    // Back to none: the services go.
    choose(FormControl::Confirmation, ConfirmationTag::None);
    EXPECT_EQ(services(), QStringList());
}

TEST_F(MasterControllerTest, OneItemConfirmationPopUpIsIgnored)
{
    start();
    sendTo(QStringLiteral("10001"));
    const QVariantMap before = shipment().dictionary();
    const int standardisedBefore = standardisations;
    form().popUp(FormControl::Confirmation).setMenu(MasterController::confMenuWithTitle(QStringLiteral("Only")));
    form().popUp(FormControl::Confirmation).selectItemAtIndex(0);
    controller->packagePropertiesChanged(FormControl::Confirmation);
    settle();
    EXPECT_EQ(shipment().dictionary(), before);
    EXPECT_EQ(standardisations, standardisedBefore);
    EXPECT_TRUE(shell->alerts.isEmpty());
}

TEST_F(MasterControllerTest, OnlyControlsThatDescribeThePieceStartStandardisation)
{
    start();
    struct Case {
        FormControl control;
        bool standardises;
    } cases[] = {
        {FormControl::ShipDate, false},    {FormControl::Value, false},        {FormControl::Description, false},
        {FormControl::ReferenceID, false}, {FormControl::UseInsurance, false}, {FormControl::Nonmachinable, true},
        {FormControl::Height, true},       {FormControl::HoldForPickup, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(int(c.control));
        const int before = standardisations;
        controller->packagePropertiesChanged(c.control);
        settle();
        EXPECT_EQ(standardisations - before, c.standardises ? 1 : 0);
    }
    // Not while a sheet is open.
    RecordingView view;
    view.sheet = true;
    controller->setView(&view);
    const int before = standardisations;
    controller->packagePropertiesChanged(FormControl::Nonmachinable);
    EXPECT_EQ(standardisations, before);
    EXPECT_EQ(view.commits, 1);
    controller->setView(nullptr);
}

TEST_F(MasterControllerTest, PlainFieldsWriteTheirKeys)
{
    start();
    type(FormControl::Description, QStringLiteral("Books"));
    type(FormControl::ReferenceID, QStringLiteral("INV-7"));
    type(FormControl::Value, QStringLiteral("$12.50"));
    EXPECT_EQ(stored(QVShipmentDescriptionKey), QStringLiteral("Books"));
    EXPECT_EQ(stored(QVShipmentInvoiceNumberKey), QStringLiteral("INV-7"));
    EXPECT_EQ(decimalFromVariant(shipment().objectForKey(QVShipmentValueKey)),
              Decimal::fromString(QStringLiteral("12.5")));
    type(FormControl::Value, QString());
    EXPECT_FALSE(shipment().dictionary().contains(QVShipmentValueKey));

    click(FormControl::UseInsurance, true);
    EXPECT_TRUE(defaults().boolForKey(QStringLiteral("useInsurance")));
    click(FormControl::ReplyPostage, true);
    EXPECT_TRUE(shipmentBool(shipment(), QVUSPSShipmentReplyPostageKey));
    EXPECT_EQ(shell->alerts, QStringList{QStringLiteral("replyPostageReminder")});
}

TEST_F(MasterControllerTest, HoldForPickupIsAddedAndRemovedOnce)
{
    start();
    sendTo(QStringLiteral("10001"));
    click(FormControl::HoldForPickup, true);
    EXPECT_EQ(services(), QStringList{QVUSPSHoldForPickupService});
    EXPECT_EQ(form().text(FormControl::ToPhoneLabel), QStringLiteral("To SMS:"));
    click(FormControl::HoldForPickup, true);
    EXPECT_EQ(services(), QStringList{QVUSPSHoldForPickupService});
    click(FormControl::HoldForPickup, false);
    EXPECT_FALSE(shipment().dictionary().contains(QVUSPSShipmentOptionalServicesKey));
    EXPECT_EQ(form().text(FormControl::ToPhoneLabel), QStringLiteral("To Phone:"));
}

TEST_F(MasterControllerTest, GoingAbroadPostsTheCountryOnce)
{
    defaults().setString(QVUSPSIntlPriorityMailIntl, QStringLiteral("intlRateClass"));
    start();
    QList<QVariantMap> posted;
    NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        QVDidValidateInternationalAddressNotification, [&posted](const Notification &n) { posted.append(n.userInfo); });

    sendTo(QStringLiteral("10001"));
    EXPECT_TRUE(posted.isEmpty());
    EXPECT_FALSE(controller->isInternational());

    sendTo(QString(), QStringLiteral("Canada"));
    ASSERT_EQ(posted.size(), 1);
    EXPECT_EQ(posted[0].value(QStringLiteral("country")).toString(), QStringLiteral("Canada"));
    EXPECT_TRUE(controller->isInternational());
    EXPECT_EQ(stored(QVUSPSShipmentRateClassKey), QVUSPSIntlPriorityMailIntl);
    EXPECT_TRUE(form().disclosable(FormControl::IntlView).shown);
    EXPECT_EQ(form().text(FormControl::IntlViewTitle), QStringLiteral("International Mail"));
    EXPECT_EQ(form().popUp(FormControl::MailClass).selectedTag(),
              std::optional(QVUSPSIntlRateClass::tagForRateClass(QVUSPSIntlPriorityMailIntl)));
    EXPECT_FALSE(shipment().dictionary().contains(QVUSPSShipmentConfirmationServiceKey));
    // The domestic class was kept for the way back.
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("rateClass")), QVUSPSPriorityMail);

    sendTo(QStringLiteral("10001"));
    EXPECT_EQ(posted.size(), 1);
    EXPECT_FALSE(controller->isInternational());
    EXPECT_FALSE(form().disclosable(FormControl::IntlView).shown);
    EXPECT_EQ(stored(QVUSPSShipmentRateClassKey), QVUSPSPriorityMail);
}

TEST_F(MasterControllerTest, WeightMenuChoosesTheCustomsFormOfTheClass)
{
    start();
    const QVariantList items = {QVariantMap{{QVShipmentItemDescriptionKey, QStringLiteral("Book")}}};
    struct Case {
        QString rateClass;
        QString size;
        bool withItems;
        bool automation;
        bool noCustomsOnFCMI;
        QString expected;
    } cases[] = {
        {QVUSPSIntlExpressMailIntl, QVUSPSRegularSize, false, false, false, QVUSPSShipment2976AEMICustomsFormType},
        {QVUSPSIntlFirstClassMailIntl, QVUSPSRegularSize, false, false, false, QVUSPSShipment2976FCMICustomsFormType},
        {QVUSPSIntlFirstClassMailIntl, QVUSPSRegularSize, false, false, true, QVUSPSShipmentNoCustomsFormType},
        {QVUSPSIntlFirstClassMailIntl, QVUSPSLetterSize, false, false, false, QVUSPSShipmentNoCustomsFormType},
        {QVUSPSIntlPriorityMailIntl, QVUSPSFlatRateEnvelopeSize, false, false, false,
         QVUSPSShipment2976PMICustomsFormType},
        {QVUSPSIntlPriorityMailIntl, QVUSPSRegularSize, false, false, false, QVUSPSShipment2976APMICustomsFormType},
        {QVUSPSPriorityMail, QVUSPSRegularSize, false, false, false, QVUSPSShipmentNoCustomsFormType},
        {QVUSPSIntlAirParcelPost, QVUSPSRegularSize, true, false, false, QVUSPSShipment2976CustomsFormType},
        {QVUSPSPriorityMail, QVUSPSRegularSize, true, false, false, QVUSPSShipment2976CustomsFormType},
        // An automation command keeps the form it chose.
        {QVUSPSPriorityMail, QVUSPSRegularSize, true, true, false, QVUSPSShipmentGEMCustomsFormType},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.rateClass.toStdString() + " " + c.size.toStdString() + " " + c.expected.toStdString());
        shell->automation = c.automation;
        defaults().setBool(c.noCustomsOnFCMI, QStringLiteral("noCustomsOnFCMI"));
        QVariantMap &d = shipment().mutableDictionary();
        d.insert(QVUSPSShipmentRateClassKey, c.rateClass);
        d.insert(QVUSPSShipmentSizeKey, c.size);
        d.insert(QVUSPSShipmentCustomsFormTypeKey, QVUSPSShipmentGEMCustomsFormType);
        d.remove(QVUSPSShipmentCustomsFormContentTypeKey);
        if (c.withItems)
            d.insert(QVShipmentItemsKey, items);
        else
            d.remove(QVShipmentItemsKey);
        controller->resetWeightMenuForNewRateClass();
        EXPECT_EQ(stored(QVUSPSShipmentCustomsFormTypeKey), c.expected);
        EXPECT_EQ(shipment().dictionary().contains(QVUSPSShipmentCustomsFormContentTypeKey),
                  c.expected != QVUSPSShipmentNoCustomsFormType);
        if (c.expected != QVUSPSShipmentNoCustomsFormType) {
            EXPECT_EQ(stored(QVUSPSShipmentCustomsFormContentTypeKey), QStringLiteral("Merchandise"));
        }
    }
}

TEST_F(MasterControllerTest, WeightMenuUnitFollowsTheClassAndTheDefaults)
{
    start();
    struct Case {
        QString rateClass;
        bool poundsForFirstClass;
        bool poundsForOthers;
        QString unit;
    } cases[] = {
        {QVUSPSFirstClassMail, false, true, QStringLiteral("oz")},
        {QVUSPSFirstClassMail, true, false, QStringLiteral("lb")},
        {QVUSPSPriorityMail, false, false, QStringLiteral("oz")},
        {QVUSPSPriorityMail, false, true, QStringLiteral("lb")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.rateClass.toStdString());
        defaults().setBool(c.poundsForFirstClass, QStringLiteral("usePoundsForFirstClass"));
        defaults().setBool(c.poundsForOthers, QStringLiteral("usePoundsForOtherClasses"));
        shipment().mutableDictionary().insert(QVUSPSShipmentRateClassKey, c.rateClass);
        controller->resetWeightMenuForNewRateClass();
        EXPECT_EQ(controller->weightUnit(), c.unit);
        ASSERT_FALSE(form().weight().values.isEmpty());
        EXPECT_TRUE(form().weight().values.first().contains(c.unit));
        EXPECT_EQ(form().weight().visibleItems,
                  form().weight().values.size() > 19 ? 10 : int(form().weight().values.size()));
    }
}

TEST_F(MasterControllerTest, ConfirmationChoiceBecomesTheDefault)
{
    struct Case {
        QString size;
        qsizetype tag;
        QString stored; // null: the default is left as it was
    } cases[] = {
        {QVUSPSRegularSize, ConfirmationTag::eSignature, QVUSPSeSignatureConfirmation},
        {QVUSPSRegularSize, ConfirmationTag::eDelivery, QVUSPSeDeliveryConfirmation},
        {QVUSPSRegularSize, ConfirmationTag::None, QString(QLatin1String(""))},
        {QVUSPSRegularSize, ConfirmationTag::Certified, QString()},
        // Letters take no confirmation: nothing is remembered.
        {QVUSPSLetterSize, ConfirmationTag::Certified, QString()},
    };
    defaults().setString(QVUSPSMediaMail, QStringLiteral("rateClass"));
    start();
    sendTo(QStringLiteral("10001"));
    choose(FormControl::MailClass, classTag(QVUSPSFirstClassMail));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.size.toStdString() + " " + std::to_string(c.tag));
        storeQuietly({{QVUSPSShipmentSizeKey, c.size}});
        defaults().setString(QStringLiteral("marker"), QStringLiteral("confirmationService"));
        form().popUp(FormControl::Confirmation).selectItemWithTag(c.tag);
        controller->setConfirmationDefault();
        EXPECT_EQ(defaults().stringForKey(QStringLiteral("confirmationService")),
                  c.stored.isNull() ? QStringLiteral("marker") : c.stored);
    }
}

TEST_F(MasterControllerTest, ExpressDeliveryBoxesWriteThePremiumService)
{
    start();
    sendTo(QStringLiteral("10001"));
    choose(FormControl::MailClass, classTag(QVUSPSExpressMail));
    ASSERT_TRUE(isExpressMail(shipment()));
    click(FormControl::ExpressSunday, true);
    EXPECT_EQ(services(), QStringList{QVUSPSExpressMailPremiumService});
    form().checkBox(FormControl::ExpressHoliday).on = true;
    click(FormControl::ExpressSunday, false);
    EXPECT_EQ(services(), QStringList{QVUSPSExpressMailPremiumService});
    click(FormControl::ExpressHoliday, false);
    EXPECT_EQ(services(), QStringList());

    const QVariantMap options = controller->expressOptionsDictionary();
    EXPECT_EQ(options.size(), 4);
    EXPECT_TRUE(options.value(QVUSPSShipmentExpressMailSaturdayDeliveryKey).toBool());
    EXPECT_FALSE(options.value(QVUSPSShipmentExpressMailSundayDeliveryKey).toBool());
}

TEST_F(MasterControllerTest, MailClassChoiceWithoutServiceStandardsShowsDashes)
{
    start();
    sendTo(QStringLiteral("10001"));
    form().setText(FormControl::RateEstimated, QStringLiteral("3 days"));
    choose(FormControl::MailClass, classTag(QVUSPSMediaMail));
    EXPECT_EQ(stored(QVUSPSShipmentRateClassKey), QVUSPSMediaMail);
    EXPECT_EQ(form().text(FormControl::RateEstimated), QStringLiteral("--"));
    EXPECT_TRUE(standards->requests.empty());
}
