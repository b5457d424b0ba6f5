// The customs declaration sheet's controller on plain state: the forms
// offered per class, the rows under no form, the fall-back of a stored form,
// validation and its alerts, saving into the shipment, the ITN limit, the
// defaults it keeps, the country-of-origin boxes, the sample forms and the
// service summary.
#include "CustomsTestSupport.h"

#include "printing/customs/QVCustomsDialogController.h"
#include "printing/customs/QVCustomsItems.h"

#include <gtest/gtest.h>

using tolvane::QVCustomsDialogController;

namespace {

class CustomsDialogControllerTest : public CustomsTest
{
protected:
    // Fills row `row` of the dialog.
    static void fillRow(QVCustomsDialogController &dialog, int row, const QString &qty, const QString &value,
                        const QString &weight, const QString &description,
                        const QString &country = QStringLiteral("United States"))
    {
        const QString n = QString::number(row);
        dialog.setFieldText(QStringLiteral("qty") + n, qty);
        dialog.setFieldText(QStringLiteral("value") + n, value);
        dialog.setFieldText(QStringLiteral("weight") + n, weight);
        dialog.setFieldText(QStringLiteral("description") + n, description);
        dialog.setFieldText(QStringLiteral("originCountry") + n, country);
    }

    QStringList alertTexts() const
    {
        QStringList texts;
        for (const Alert &a : dialogs->alerts)
            texts << a.messageText + QStringLiteral(" / ") + a.informativeText;
        return texts;
    }
};

TEST_F(CustomsDialogControllerTest, FirstClassInternationalOffersTheCN22AndNone)
{
    QVCustomsDialogController dialog(intlPiece(QVUSPSIntlFirstClassMailIntl));
    QStringList offered;
    for (const tolvane::QVCustomsCell &cell : dialog.formCells()) {
        if (cell.enabled)
            offered << cell.title;
    }
    EXPECT_EQ(offered, (QStringList{"Form 2976 (CN 22)", "None"}));
    EXPECT_EQ(dialog.formTypes(),
              (QStringList{QVUSPSShipment2976FCMICustomsFormType, QVUSPSShipmentNoCustomsFormType,
                           QVUSPSShipmentNoCustomsFormType}));
    // Nothing stored: the last cell (None) is chosen, the rows are closed.
    EXPECT_EQ(dialog.selectedFormTag(), 2);

    dialog.changedFormType(0);
    EXPECT_EQ(dialog.currentFormType(), QVUSPSShipment2976FCMICustomsFormType);
    EXPECT_TRUE(dialog.field(QStringLiteral("qty1")).enabled);
    EXPECT_TRUE(dialog.contentMatrixEnabled());

    dialog.changedFormType(2);
    EXPECT_EQ(dialog.currentFormType(), QVUSPSShipmentNoCustomsFormType);
    EXPECT_FALSE(dialog.contentMatrixEnabled());
    EXPECT_FALSE(dialog.clearAllEnabled());
    for (int row = 1; row <= 5; ++row) {
        const QString n = QString::number(row);
        SCOPED_TRACE(row);
        EXPECT_EQ(dialog.field(QStringLiteral("value") + n).text, QStringLiteral("0"));
        EXPECT_EQ(dialog.field(QStringLiteral("weight") + n).text, QStringLiteral("0"));
        for (const char *stem : {"qty", "originCountry", "description", "tariff"}) {
            EXPECT_EQ(dialog.field(QLatin1String(stem) + n).text, QString());
            EXPECT_FALSE(dialog.field(QLatin1String(stem) + n).enabled);
        }
        EXPECT_FALSE(dialog.field(QStringLiteral("value") + n).enabled);
        EXPECT_FALSE(dialog.field(QStringLiteral("weight") + n).enabled);
    }
}

TEST_F(CustomsDialogControllerTest, FormsOfferedAndTheFallBackOfAStoredForm)
{
    const QString pmiCN22Size = *QVUSPSIntlRateClass::PMIsizesFor2976().cbegin();
    const struct Case {
        const char *name;
        std::shared_ptr<QVShipment> shipment;
        QString stored;
        std::array<bool, 3> enabled;
        QString chosen;
    } cases[] = {
        {"EMI keeps its 2976-A",
         intlPiece(QVUSPSIntlExpressMailIntl),
         QVUSPSShipment2976AEMICustomsFormType,
         {false, true, false},
         QVUSPSShipment2976AEMICustomsFormType},
        {"PMI flat-rate envelope: CN22",
         intlPiece(QVUSPSIntlPriorityMailIntl, pmiCN22Size),
         QVUSPSShipment2976PMICustomsFormType,
         {true, false, true},
         QVUSPSShipment2976PMICustomsFormType},
        {"PMI other size: 2976-A",
         intlPiece(QVUSPSIntlPriorityMailIntl),
         QVUSPSShipment2976APMICustomsFormType,
         {false, true, true},
         QVUSPSShipment2976APMICustomsFormType},
        // A stored form that this class does not offer.
        {"domestic piece: generic 2976-A offered",
         domesticPiece(QVUSPSPriorityMail, QStringLiteral("10001"), QStringLiteral("NY")),
         QVUSPSShipment2976FCMICustomsFormType,
         {true, true, true},
         QVUSPSShipment2976ACustomsFormType},
        {"FCMI with a PMI 2976-A stored: None",
         intlPiece(QVUSPSIntlFirstClassMailIntl),
         QVUSPSShipment2976APMICustomsFormType,
         {true, false, true},
         QVUSPSShipmentNoCustomsFormType},
        // Integrated forms: the 2976-A cell is closed, so its form falls back.
        {"APO piece: 2976-A closed",
         domesticPiece(QVUSPSPriorityMail, QStringLiteral("09001"), QStringLiteral("AE")),
         QVUSPSShipment2976ACustomsFormType,
         {true, false, true},
         QVUSPSShipmentNoCustomsFormType},
        {"APO piece keeps its 2976",
         domesticPiece(QVUSPSPriorityMail, QStringLiteral("09001"), QStringLiteral("AE")),
         QVUSPSShipment2976CustomsFormType,
         {true, false, true},
         QVUSPSShipment2976CustomsFormType},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c.shipment->setObject(c.stored, QVUSPSShipmentCustomsFormTypeKey);
        QVCustomsDialogController dialog(c.shipment);
        for (size_t i = 0; i < 3; ++i)
            EXPECT_EQ(dialog.formCells()[i].enabled, c.enabled[i]) << i;
        EXPECT_EQ(dialog.currentFormType(), c.chosen);
        EXPECT_EQ(dialog.formTypes().at(dialog.selectedFormTag()), c.chosen);
        // The sender's copy belongs to the 2976-A forms.
        EXPECT_EQ(dialog.printSendersCopy().enabled, c.chosen.contains(QStringLiteral("2976A")));
    }
}

TEST_F(CustomsDialogControllerTest, ReadsTheShipmentsItemsContentsNameAndITN)
{
    auto shipment = intlPiece(QVUSPSIntlFirstClassMailIntl);
    shipment->setObject(QVUSPSShipment2976FCMICustomsFormType, QVUSPSShipmentCustomsFormTypeKey);
    shipment->setObject(QVariantList{item("2", "12.5", "20", "Books", "Canada"), item("1", "3", "4", "Tea")},
                        QVShipmentItemsKey);
    shipment->setObject(QVUSPSShipmentCustomsFormOtherContentType, QVUSPSShipmentCustomsFormContentTypeKey);
    shipment->setObject(QStringLiteral("spare parts"), QVUSPSShipmentCustomsFormContentTypeOtherDescriptionKey);
    shipment->setObject(QStringLiteral("X20140101123456"), QVUSPSShipmentCustomsAESITNKey);
    host->name = QStringLiteral("Account Holder");

    QVCustomsDialogController dialog(shipment);
    EXPECT_EQ(dialog.field(QStringLiteral("qty1")).text, QStringLiteral("2"));
    EXPECT_EQ(dialog.field(QStringLiteral("value1")).text, QStringLiteral("12.5"));
    EXPECT_EQ(dialog.field(QStringLiteral("weight1")).text, QStringLiteral("20 oz"));
    EXPECT_EQ(dialog.field(QStringLiteral("originCountry1")).text, QStringLiteral("Canada"));
    EXPECT_EQ(dialog.field(QStringLiteral("description2")).text, QStringLiteral("Tea"));
    EXPECT_EQ(dialog.field(QStringLiteral("value3")).text, QStringLiteral("0"));
    EXPECT_EQ(dialog.field(QStringLiteral("weight3")).text, QStringLiteral("0"));
    EXPECT_TRUE(dialog.field(QStringLiteral("qty5")).enabled);
    EXPECT_TRUE(dialog.bottomItemsDisclosed());
    // Other: its description shown and focused.
    EXPECT_EQ(dialog.contentTypes().at(dialog.selectedContentTag()), QVUSPSShipmentCustomsFormOtherContentType);
    EXPECT_TRUE(dialog.field(QStringLiteral("contentTypeOtherField")).enabled);
    EXPECT_EQ(dialog.field(QStringLiteral("contentTypeOtherField")).text, QStringLiteral("spare parts"));
    EXPECT_EQ(dialog.firstResponder(), QStringLiteral("contentTypeOtherField"));
    dialog.changedContentType(1);
    EXPECT_FALSE(dialog.field(QStringLiteral("contentTypeOtherField")).enabled);
    EXPECT_EQ(dialog.field(QStringLiteral("contentTypeOtherField")).text, QString());
    EXPECT_EQ(dialog.field(QStringLiteral("itnField")).text, QStringLiteral("X20140101123456"));
    // The signing name: the shipment's, the default, the account's.
    EXPECT_EQ(dialog.field(QStringLiteral("iAgreeName")).text, QStringLiteral("Account Holder"));
    defaults().setObject(QStringLiteral("Last Signer"), QStringLiteral("customsSendersName"));
    dialog.syncFieldsToShipment();
    EXPECT_EQ(dialog.field(QStringLiteral("iAgreeName")).text, QStringLiteral("Last Signer"));
    shipment->setObject(QStringLiteral("Piece Signer"), QVUSPSShipmentCustomsFormSendersNameKey);
    dialog.syncFieldsToShipment();
    EXPECT_EQ(dialog.field(QStringLiteral("iAgreeName")).text, QStringLiteral("Piece Signer"));
    // No content type stored: Merchandise.
    QVCustomsDialogController plain(intlPiece(QVUSPSIntlFirstClassMailIntl));
    EXPECT_EQ(plain.contentTypes().at(plain.selectedContentTag()), QVUSPSShipmentCustomsFormMerchandiseContentType);
}

TEST_F(CustomsDialogControllerTest, OKSavesRowsWithAQuantityAndAWeightOnly)
{
    auto shipment = intlPiece(QVUSPSIntlFirstClassMailIntl);
    shipment->setObject(QVUSPSShipment2976FCMICustomsFormType, QVUSPSShipmentCustomsFormTypeKey);
    QVCustomsDialogController dialog(shipment);
    // Row 1 has no quantity: neither validated nor saved.
    fillRow(dialog, 1, QStringLiteral("0"), QString(), QStringLiteral("0"), QString(), QString());
    fillRow(dialog, 2, QStringLiteral("3"), QStringLiteral("19.99"), QStringLiteral("12 oz"),
            QStringLiteral("Scarves"));
    dialog.setFieldText(QStringLiteral("tariff2"), QStringLiteral("6117.10"));
    dialog.setFieldText(QStringLiteral("iAgreeName"), QStringLiteral("Ada Lovelace"));

    ASSERT_TRUE(dialog.okToSetProperties()) << alertTexts().join(QStringLiteral("\n")).toStdString();
    EXPECT_TRUE(dialogs->alerts.isEmpty());
    const QList<QVariantMap> items = customsItemList(*shipment);
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items.first(),
              (QVariantMap{{QVShipmentItemQuantityKey, QStringLiteral("3")},
                           {QVShipmentItemValueKey, QStringLiteral("19.99")},
                           {QVShipmentItemWeightNumberKey, QStringLiteral("12")},
                           {QVShipmentItemWeightUnitKey, QStringLiteral("oz")},
                           {QVShipmentItemDescriptionKey, QStringLiteral("Scarves")},
                           {QVShipmentItemCountryOfOriginKey, QStringLiteral("United States")},
                           {QVShipmentItemHSTariffNumberKey, QStringLiteral("6117.10")}}));
    EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentCustomsFormTypeKey).toString(),
              QVUSPSShipment2976FCMICustomsFormType);
    EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentCustomsFormContentTypeKey).toString(),
              QVUSPSShipmentCustomsFormMerchandiseContentType);
    EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentCustomsFormSendersNameKey).toString(),
              QStringLiteral("Ada Lovelace"));
    EXPECT_TRUE(shipment->objectForKey(QVUSPSShipmentCustomsFormAgreementKey).toBool());
    // The declared value and description were empty: taken from the items.
    EXPECT_EQ(shipment->objectForKey(QVShipmentValueKey).value<Decimal>(),
              Decimal::fromString(QStringLiteral("19.99")));
    EXPECT_EQ(shipment->objectForKey(QVShipmentDescriptionKey).toString(), QStringLiteral("Scarves"));
    // The defaults the sheet keeps; the sheet closed.
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("customsSendersName")), QStringLiteral("Ada Lovelace"));
    EXPECT_FALSE(defaults().boolForKey(QStringLiteral("noCustomsOnFCMI")));
    EXPECT_EQ(host->closes, 1);

    // No rows at all: the item list is removed; None on FCMI is remembered.
    dialog.changedFormType(2);
    ASSERT_TRUE(dialog.okToSetProperties());
    EXPECT_FALSE(shipment->objectForKey(QVShipmentItemsKey).isValid());
    EXPECT_TRUE(defaults().boolForKey(QStringLiteral("noCustomsOnFCMI")));
    // An existing declared value and description stay.
    EXPECT_EQ(shipment->objectForKey(QVShipmentDescriptionKey).toString(), QStringLiteral("Scarves"));
}

TEST_F(CustomsDialogControllerTest, ItemsBeyondTheFiveRowsAreKept)
{
    // Seven items, as automation may make them: the sheet shows five and
    // keeps the other two while a form is chosen.
    auto shipment = intlPiece(QVUSPSIntlFirstClassMailIntl);
    shipment->setObject(QVUSPSShipment2976FCMICustomsFormType, QVUSPSShipmentCustomsFormTypeKey);
    QVariantList seven;
    for (int i = 1; i <= 7; ++i)
        seven << item(QStringLiteral("1"), QString::number(i * 10), QStringLiteral("4"),
                      QStringLiteral("Item %1").arg(i));
    shipment->setObject(seven, QVShipmentItemsKey);
    QVCustomsDialogController dialog(shipment);
    EXPECT_EQ(dialog.field(QStringLiteral("description5")).text, QStringLiteral("Item 5"));
    dialog.setFieldText(QStringLiteral("description2"), QStringLiteral("Edited"));
    dialog.setFieldText(QStringLiteral("iAgreeName"), QStringLiteral("Ada Lovelace"));
    ASSERT_TRUE(dialog.okToSetProperties());
    const QList<QVariantMap> items = customsItemList(*shipment);
    ASSERT_EQ(items.size(), 7);
    EXPECT_EQ(items[1].value(QVShipmentItemDescriptionKey).toString(), QStringLiteral("Edited"));
    EXPECT_EQ(items[5], seven[5].toMap());
    EXPECT_EQ(items[6], seven[6].toMap());
    EXPECT_EQ(customsTotalValue(*shipment), Decimal(280));
    EXPECT_EQ(shipment->objectForKey(QVShipmentValueKey).value<Decimal>(), Decimal(280));

    // No form: no items at all.
    dialog.changedFormType(2);
    ASSERT_TRUE(dialog.okToSetProperties());
    EXPECT_FALSE(shipment->objectForKey(QVShipmentItemsKey).isValid());
}

TEST_F(CustomsDialogControllerTest, ValidationStopsAtTheFirstIncompleteRow)
{
    const struct Case {
        const char *name;
        QString qty, value, weight, description, country;
        QString focus;
    } cases[] = {
        {"weight 0", "1", "5", "0", "Tea", "United States", "weight1"},
        {"negative weight", "1", "5", "-4", "Tea", "United States", "weight1"},
        {"negative value", "1", "-5", "4", "Tea", "United States", "value1"},
        {"no description", "1", "5", "4", "", "United States", "description1"},
        {"value zero", "1", "0.00", "4", "Tea", "United States", "value1"},
        {"no country", "1", "5", "4", "Tea", "", "originCountry1"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        dialogs->alerts.clear();
        auto shipment = intlPiece(QVUSPSIntlFirstClassMailIntl);
        shipment->setObject(QVUSPSShipment2976FCMICustomsFormType, QVUSPSShipmentCustomsFormTypeKey);
        QVCustomsDialogController dialog(shipment);
        fillRow(dialog, 1, c.qty, c.value, c.weight, c.description, c.country);
        fillRow(dialog, 2, QStringLiteral("1"), QString(), QString(), QString());
        dialog.setFieldText(QStringLiteral("iAgreeName"), QStringLiteral("Ada Lovelace"));
        EXPECT_FALSE(dialog.okToSetProperties());
        ASSERT_EQ(dialogs->alerts.size(), 1);
        EXPECT_EQ(dialogs->alerts.first().messageText, QStringLiteral("Missing Customs Information"));
        EXPECT_EQ(dialogs->alerts.first().informativeText,
                  QStringLiteral("Please complete all the information for the item on line 1."));
        EXPECT_EQ(dialog.firstResponder(), c.focus);
        // Nothing was written.
        EXPECT_FALSE(shipment->objectForKey(QVShipmentItemsKey).isValid());
        EXPECT_EQ(host->closes, 0);
    }
}

TEST_F(CustomsDialogControllerTest, TheSigningNameMustHoldASpace)
{
    const struct Case {
        QString name;
        QString alert; // empty: passes
    } cases[] = {
        {QString(), "Missing Sender's Signature / Please agree to the terms of the customs form."},
        {QStringLiteral("Ada"), "Missing Sender's Full Name / Please enter your first and last name."},
        {QStringLiteral("Ada "), QString()},
        {QStringLiteral("Ada Lovelace"), QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        dialogs->alerts.clear();
        QVCustomsDialogController dialog(intlPiece(QVUSPSIntlFirstClassMailIntl));
        dialog.setFieldText(QStringLiteral("iAgreeName"), c.name);
        dialog.setFirstResponder(QString());
        EXPECT_EQ(dialog.preflight(), c.alert.isEmpty());
        if (c.alert.isEmpty()) {
            EXPECT_TRUE(alertTexts().isEmpty());
        } else {
            EXPECT_EQ(alertTexts(), QStringList{c.alert});
            EXPECT_EQ(dialog.firstResponder(), QStringLiteral("iAgreeName"));
        }
    }
}

TEST_F(CustomsDialogControllerTest, AValueAbove2500WithoutAnITNAsksForIt)
{
    const struct Case {
        const char *secondValue; // beside a first item of 2000
        QList<int> answers;
        bool alerted;
        bool closed;
        const char *focus;
    } cases[] = {
        {"500.00", {}, false, true, ""},
        {"500.01", {1}, true, false, "itnField"}, // Enter ITN
        {"500.01", {-1}, true, false, ""},        // Cancel
        {"500.01", {0}, true, true, ""},          // Ship Without an ITN
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.secondValue) + " " + std::to_string(c.answers.value(0, 9)));
        dialogs->alerts.clear();
        dialogs->answers = c.answers;
        host->closes = 0;
        auto shipment = intlPiece(QVUSPSIntlFirstClassMailIntl);
        shipment->setObject(QVUSPSShipment2976FCMICustomsFormType, QVUSPSShipmentCustomsFormTypeKey);
        QVCustomsDialogController dialog(shipment);
        // Two rows, so the sum is what is tested.
        fillRow(dialog, 1, QStringLiteral("1"), QStringLiteral("2000"), QStringLiteral("4"), QStringLiteral("Watch"));
        fillRow(dialog, 2, QStringLiteral("1"), QLatin1String(c.secondValue), QStringLiteral("4"),
                QStringLiteral("Ring"));
        dialog.setFieldText(QStringLiteral("iAgreeName"), QStringLiteral("Ada Lovelace"));
        dialog.setFirstResponder(QString());
        EXPECT_EQ(dialog.okToSetProperties(), c.closed);
        EXPECT_EQ(dialogs->alerts.size(), c.alerted ? 1 : 0);
        if (c.alerted) {
            const Alert &a = dialogs->alerts.first();
            EXPECT_EQ(a.messageText, QStringLiteral("Your international package is valued at more than $2,500."));
            ASSERT_EQ(a.buttons.size(), 3);
            EXPECT_EQ(a.buttons[0].title, QStringLiteral("Enter ITN"));
            EXPECT_EQ(a.buttons[1].title, QStringLiteral("Ship Without an ITN"));
            EXPECT_EQ(a.buttons[2].title, QStringLiteral("Cancel"));
        }
        EXPECT_EQ(host->closes, c.closed ? 1 : 0);
        EXPECT_EQ(dialog.firstResponder(), QLatin1String(c.focus));
    }
}

TEST_F(CustomsDialogControllerTest, AnITNIsStoredOnlyWhenTypedAndNeverCleared)
{
    auto shipment = intlPiece(QVUSPSIntlFirstClassMailIntl);
    shipment->setObject(QVUSPSShipment2976FCMICustomsFormType, QVUSPSShipmentCustomsFormTypeKey);
    shipment->setObject(QStringLiteral("X20140101000001"), QVUSPSShipmentCustomsAESITNKey);
    QVCustomsDialogController dialog(shipment);
    dialog.setFieldText(QStringLiteral("iAgreeName"), QStringLiteral("Ada Lovelace"));
    for (const QString &cleared : {QString(), QStringLiteral("   "), QStringLiteral(" - ")}) {
        dialog.setFieldText(QStringLiteral("itnField"), cleared);
        dialog.saveDownToShipment();
        EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentCustomsAESITNKey).toString(), QStringLiteral("X20140101000001"));
    }
    dialog.setFieldText(QStringLiteral("itnField"), QStringLiteral("  X20140202000002 \n"));
    dialog.saveDownToShipment();
    EXPECT_EQ(shipment->objectForKey(QVUSPSShipmentCustomsAESITNKey).toString(), QStringLiteral("X20140202000002"));
}

TEST_F(CustomsDialogControllerTest, CountryOfOriginBoxes)
{
    QVCustomsDialogController dialog(intlPiece(QVUSPSIntlFirstClassMailIntl));
    const QStringList names = QVCountry::displayNames();
    ASSERT_FALSE(names.isEmpty());
    EXPECT_EQ(dialog.numberOfItemsInComboBox(), names.size() + 1);
    EXPECT_EQ(dialog.comboBoxObjectValueForItemAtIndex(0), QStringLiteral("United States"));
    EXPECT_EQ(dialog.comboBoxObjectValueForItemAtIndex(1), names.first());
    EXPECT_EQ(dialog.comboBoxIndexOfItemWithStringValue(QStringLiteral("United States")), 0);
    EXPECT_EQ(dialog.comboBoxIndexOfItemWithStringValue(names.at(3)), 4);
    EXPECT_EQ(dialog.comboBoxIndexOfItemWithStringValue(QStringLiteral("Atlantis")), -1);
    EXPECT_EQ(dialog.comboBoxCompletedString(QStringLiteral("uni")), QStringLiteral("United States"));
    EXPECT_EQ(dialog.comboBoxCompletedString(QStringLiteral("fra")), QStringLiteral("France"));
    EXPECT_EQ(dialog.comboBoxCompletedString(QStringLiteral("zzz")), QString());

    const struct Case {
        const char *typed;
        bool ends;
        QString shown;
    } cases[] = {
        {"usa", true, QStringLiteral("United States")},
        {"france", true, QVCountry::countryWithAnyName(QStringLiteral("France"))->rateName()},
        {"", true, QString()},
        {"Atlantis", false, QStringLiteral("Atlantis")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        dialogs->alerts.clear();
        dialog.setFirstResponder(QString());
        dialog.setFieldText(QStringLiteral("originCountry2"), QLatin1String(c.typed));
        EXPECT_EQ(dialog.controlTextShouldEndEditing(QStringLiteral("originCountry2")), c.ends);
        EXPECT_EQ(dialog.field(QStringLiteral("originCountry2")).text, c.shown);
        if (c.ends) {
            EXPECT_TRUE(dialogs->alerts.isEmpty());
        } else {
            EXPECT_EQ(alertTexts(), QStringList{"Invalid Country / You must enter a valid Country of Origin."});
            EXPECT_EQ(dialog.firstResponder(), QStringLiteral("originCountry2"));
        }
    }
    // Other controls always end editing.
    dialog.setFieldText(QStringLiteral("description2"), QStringLiteral("Atlantis"));
    EXPECT_TRUE(dialog.controlTextShouldEndEditing(QStringLiteral("description2")));
}

TEST_F(CustomsDialogControllerTest, ClearAllEmptiesTheRowsButNotTheShipment)
{
    auto shipment = intlPiece(QVUSPSIntlFirstClassMailIntl);
    shipment->setObject(QVUSPSShipment2976FCMICustomsFormType, QVUSPSShipmentCustomsFormTypeKey);
    shipment->setObject(QVariantList{item("2", "12.5", "20", "Books")}, QVShipmentItemsKey);
    QVCustomsDialogController dialog(shipment);
    dialog.clearCustomsInfo();
    EXPECT_EQ(dialog.field(QStringLiteral("qty1")).text, QString());
    EXPECT_EQ(dialog.field(QStringLiteral("value1")).text, QString());
    EXPECT_EQ(dialog.field(QStringLiteral("weight1")).text, QStringLiteral("0"));
    EXPECT_EQ(dialog.firstResponder(), QStringLiteral("qty1"));
    EXPECT_EQ(customsItemList(*shipment).size(), 1);
}

TEST_F(CustomsDialogControllerTest, SampleFormsAndTheServiceSummary)
{
    const struct Case {
        const char *name;
        std::shared_ptr<QVShipment> shipment;
        int tag;
        int cn22, cp72;
    } cases[] = {
        {"generic 2976", domesticPiece(QVUSPSPriorityMail, QStringLiteral("10001"), QStringLiteral("NY")), 0, 1, 0},
        {"generic 2976-A", domesticPiece(QVUSPSPriorityMail, QStringLiteral("10001"), QStringLiteral("NY")), 1, 0, 1},
        {"none", domesticPiece(QVUSPSPriorityMail, QStringLiteral("10001"), QStringLiteral("NY")), 2, 0, 0},
        {"FCMI CN22", intlPiece(QVUSPSIntlFirstClassMailIntl), 0, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        forms->cn22 = forms->cp72 = 0;
        QVCustomsDialogController dialog(c.shipment);
        dialog.changedFormType(c.tag);
        dialog.setFieldText(QStringLiteral("iAgreeName"), QStringLiteral("Ada Lovelace"));
        dialog.generateForm();
        EXPECT_EQ(forms->cn22, c.cn22);
        EXPECT_EQ(forms->cp72, c.cp72);
        // The form was saved before the request.
        EXPECT_EQ(c.shipment->objectForKey(QVUSPSShipmentCustomsFormTypeKey).toString(), dialog.currentFormType());
    }
    QVCustomsDialogController dialog(intlPiece(QVUSPSIntlFirstClassMailIntl));
    dialog.showRestrictions();
    EXPECT_EQ(host->summaries, 1);
}

TEST_F(CustomsDialogControllerTest, TheSendersCopyChoiceIsKeptForThe2976A)
{
    defaults().setBool(true, QStringLiteral("printCustomsSendersCopy"));
    auto shipment = intlPiece(QVUSPSIntlPriorityMailIntl);
    shipment->setObject(QVUSPSShipment2976APMICustomsFormType, QVUSPSShipmentCustomsFormTypeKey);
    QVCustomsDialogController dialog(shipment);
    ASSERT_TRUE(dialog.printSendersCopy().enabled);
    EXPECT_TRUE(dialog.printSendersCopy().on);
    dialog.setPrintSendersCopy(false);
    dialog.setFieldText(QStringLiteral("iAgreeName"), QStringLiteral("Ada Lovelace"));
    ASSERT_TRUE(dialog.okToSetProperties());
    EXPECT_FALSE(defaults().boolForKey(QStringLiteral("printCustomsSendersCopy")));
}

TEST(CustomsItems, TheTotalValueCoversEveryItem)
{
    QVShipment shipment;
    EXPECT_EQ(customsTotalValue(shipment), Decimal());
    QVariantList items;
    for (int i = 1; i <= 7; ++i)
        items << QVariantMap{{QVShipmentItemValueKey, QString::number(i) + QStringLiteral(".10")}};
    items << QVariantMap{{QVShipmentItemValueKey, QStringLiteral("not a number")}};
    shipment.setObject(items, QVShipmentItemsKey);
    // 1.10 + ... + 7.10: all seven, not the first five (15.50).
    EXPECT_EQ(customsTotalValue(shipment), Decimal::fromString(QStringLiteral("28.70")));
    EXPECT_EQ(customsItemList(shipment).size(), 8);
    shipment.setObject(QStringLiteral("not a list"), QVShipmentItemsKey);
    EXPECT_TRUE(customsItemList(shipment).isEmpty());
    EXPECT_EQ(customsTotalValue(shipment), Decimal());
}

} // namespace
