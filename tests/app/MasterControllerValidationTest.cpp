// MasterController's address-line warnings (the ranges the view colours
// red), the reply-postage and insurance check boxes, menu validation over
// the window's state, and the small actions handed over to other parts.
#include "app/shell/QVMenus.h"
#include "model/NumericFormatters.h"
#include "model/StringAdditions.h"
#include "rateengine/RateCountries.h"
#include "rateengine/RateOptionalServices.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSIntlRateClass.h"

#include "MasterPeersFixture.h"

using namespace master_test;

namespace {

// A country name longer than a customs form's line (48 characters).
const QString kLongCountry = QStringLiteral("HONG KONG SPECIAL ADMINISTRATIVE REGION OF CHINA");

class ValidationTest : public MasterPeersTest
{
protected:
    void SetUp() override
    {
        MasterPeersTest::SetUp();
        const std::string resources = std::string(TOLVANE_SOURCE_DIR) + "/resources/";
        ASSERT_EQ(LoadCountry2013FileAtPath((resources + "country2013.dat").c_str()), 1);
        ASSERT_EQ(LoadCountryAliasFileAtPath((resources + "country-aliases.txt").c_str()), 1);
        defaults().setString(QVUSPSIntlPriorityMailIntl, QStringLiteral("intlRateClass"));
        defaults().setBool(true, QStringLiteral("usePostage"));
    }
    QList<MasterTextRange> marksFor(const QString &text)
    {
        form().setText(FormControl::ToAddress, text);
        controller->updateCharacterCountWarning();
        return controller->characterCountWarningRanges();
    }
    // The ranges of whole lines, by line number (from 1), of the text.
    static QList<MasterTextRange> lines(const QString &text, int from)
    {
        QList<MasterTextRange> ranges;
        qsizetype start = 0;
        int number = 1;
        for (const QString &line : text.split(QLatin1Char('\n'))) {
            if (number++ >= from)
                ranges.append({start, line.size()});
            start += line.size() + 1;
        }
        return ranges;
    }
    static QString nineLines()
    {
        QStringList list;
        for (int i = 1; i <= 9; ++i)
            list.append(QStringLiteral("Line %1").arg(i));
        return list.join(QLatin1Char('\n'));
    }
};

TEST_F(ValidationTest, LongInternationalLinesAreMarkedAfterTheirFortySeventhCharacter)
{
    start();
    sendTo(QString(), kLongCountry);
    // The built-in tables hold no international prices: the price that
    // pricing would leave.
    storeQuietly({{QVShipmentPriceKey, QVariant::fromValue(Decimal(4550, -2))}});
    ASSERT_TRUE(shipment().shippable());
    const QString fifty = QString(50, QLatin1Char('x'));
    const QString name = QStringLiteral("Ada Lovelace");
    EXPECT_EQ(marksFor(name + QLatin1Char('\n') + fifty + QStringLiteral("\nKowloon")),
              (QList<MasterTextRange>{{name.size() + 1 + 47, 3}}));
    // Blank lines and line breaks of either kind separate lines; a line's
    // leading spaces are not part of it.
    EXPECT_EQ(marksFor(QStringLiteral("\n\n  ") + fifty + QStringLiteral("\r\n") + fifty),
              (QList<MasterTextRange>{{4 + 47, 3}, {4 + 50 + 2 + 47, 3}}));
    EXPECT_TRUE(marksFor(QString(47, QLatin1Char('x'))).isEmpty());
    EXPECT_TRUE(marksFor(QString()).isEmpty());

    // The country line at the end of a shippable address is never marked,
    // however long; anywhere else it is.
    EXPECT_TRUE(marksFor(name + QStringLiteral("\nKowloon\n") + kLongCountry).isEmpty());
    EXPECT_TRUE(
        marksFor(name + QStringLiteral("\nKowloon\n") + kLongCountry.toLower() + QStringLiteral("\n\n")).isEmpty());
    EXPECT_EQ(marksFor(kLongCountry + QStringLiteral("\nKowloon")), (QList<MasterTextRange>{{47, 1}}));
}

TEST_F(ValidationTest, TheCountryLineOfAnAddressNotShippableIsMarked)
{
    start();
    sendTo(QString(), kLongCountry);
    ASSERT_FALSE(shipment().shippable()) << "no weight, no price";
    const QString text = QStringLiteral("Ada Lovelace\n") + kLongCountry;
    EXPECT_EQ(marksFor(text), (QList<MasterTextRange>{{13 + 47, 1}}));
}

TEST_F(ValidationTest, DomesticAddressesWithoutCustomsFormsAreNotMarked)
{
    start();
    sendTo(QStringLiteral("10001"));
    EXPECT_TRUE(marksFor(QString(60, QLatin1Char('x')) + QLatin1Char('\n') + nineLines()).isEmpty());
}

TEST_F(ValidationTest, CustomsFormsLimitTheNumberOfLines)
{
    start();
    sendTo(QString(), QStringLiteral("CANADA"));
    typeWeight(QStringLiteral("1"));
    struct Case {
        const char *what;
        QString form;
        QString labelType;
        bool override2976A;
        int firstMarked; // 0: none
    } cases[] = {
        {"2976 FCMI", QVUSPSShipment2976FCMICustomsFormType, QVPlainPaperLabel, false, 6},
        {"2976 PMI", QVUSPSShipment2976PMICustomsFormType, QVPlainPaperLabel, false, 6},
        {"2976-A on plain paper", QVUSPSShipment2976APMICustomsFormType, QVPlainPaperLabel, false, 8},
        {"2976-A on a thermal label", QVUSPSShipment2976APMICustomsFormType, QVEPL2Label, false, 6},
        {"2976-A on a thermal label, overridden", QVUSPSShipment2976APMICustomsFormType, QVEPL2Label, true, 8},
        {"no form", QVUSPSShipmentNoCustomsFormType, QVEPL2Label, false, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        printing->labelType = c.labelType;
        defaults().setBool(c.override2976A, QStringLiteral("override2976APrintInfo"));
        storeQuietly({{QVUSPSShipmentCustomsFormTypeKey, c.form}});
        ASSERT_EQ(stored(QVUSPSShipmentCustomsFormTypeKey), c.form);
        const QString text = nineLines();
        EXPECT_EQ(marksFor(text), c.firstMarked ? lines(text, c.firstMarked) : QList<MasterTextRange>());
    }
}

TEST_F(ValidationTest, DestinationChangesRecolourTheBox)
{
    start();
    sendTo(QString(), QStringLiteral("CANADA"));
    const QString text = QStringLiteral("Ada\n") + QString(50, QLatin1Char('y'));
    form().setText(FormControl::ToAddress, text);
    controller->textDidChange();
    EXPECT_EQ(controller->characterCountWarningRanges(), (QList<MasterTextRange>{{4 + 47, 3}}));
}

TEST_F(ValidationTest, ReplyPostageOnlyForDomesticPiecesOtherThanExpressMail)
{
    start();
    int rebuilds = 0;
    controller->hooks().updateFromAddress = [&] { ++rebuilds; };
    sendTo(QStringLiteral("10001"));
    click(FormControl::ReplyPostage, true);
    EXPECT_TRUE(shipmentBool(shipment(), QVUSPSShipmentReplyPostageKey));
    EXPECT_TRUE(form().checkBox(FormControl::ReplyPostage).enabled);
    EXPECT_TRUE(form().isOn(FormControl::ReplyPostage));

    rebuilds = 0;
    choose(FormControl::MailClass, classTag(QVUSPSExpressMail));
    EXPECT_FALSE(shipmentBool(shipment(), QVUSPSShipmentReplyPostageKey));
    EXPECT_FALSE(form().isOn(FormControl::ReplyPostage));
    EXPECT_FALSE(form().checkBox(FormControl::ReplyPostage).enabled);
    EXPECT_GE(rebuilds, 1) << "the return address is rebuilt";

    choose(FormControl::MailClass, classTag(QVUSPSPriorityMail));
    EXPECT_TRUE(form().checkBox(FormControl::ReplyPostage).enabled);
    EXPECT_FALSE(form().isOn(FormControl::ReplyPostage)) << "the box stays off";
}

TEST_F(ValidationTest, ThePDFButtonHidesWhenPrintingPreviews)
{
    start();
    for (const bool preview : {true, false}) {
        defaults().setBool(preview, QStringLiteral("previewOnPrint"));
        controller->validateReplyPostageCheckbox();
        EXPECT_EQ(form().field(FormControl::MainPDFButton).visible, !preview);
    }
}

TEST_F(ValidationTest, InsuranceIsOfferedForAValueAndCappedAtTheMaximum)
{
    start();
    sendTo(QStringLiteral("10001"));
    typeWeight(QStringLiteral("2"));
    const Decimal maximum(GetMaxTolvaneInsurance());
    ASSERT_EQ(maximum, Decimal(10000));
    struct Case {
        const char *what;
        QString typed;
        bool useInsurance;
        bool enabled, on;
        Decimal stored;
        QString shown;
    } cases[] = {
        {"above the maximum, insured: the maximum stored and shown", QStringLiteral("12000"), true, true, true, maximum,
         QStringLiteral("10000")},
        {"below the maximum", QStringLiteral("500"), true, true, true, Decimal(500), QStringLiteral("500")},
        {"above the maximum, not insured: kept as typed", QStringLiteral("12000"), false, true, false, Decimal(12000),
         QStringLiteral("12000")},
        {"no value: no insurance", QStringLiteral("0"), true, false, false, Decimal::zero(), QStringLiteral("0")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        defaults().setBool(c.useInsurance, QStringLiteral("useInsurance"));
        type(FormControl::Value, c.typed);
        EXPECT_EQ(form().checkBox(FormControl::UseInsurance).enabled, c.enabled);
        EXPECT_EQ(form().isOn(FormControl::UseInsurance), c.on);
        EXPECT_EQ(shipment().objectForKey(QVShipmentValueKey).value<Decimal>(), c.stored);
        EXPECT_EQ(form().text(FormControl::Value), c.shown);
        const Decimal fee = insurance->insuranceCost(shipment());
        EXPECT_EQ(controller->previewInsuranceAmount(), c.on ? fee : Decimal::zero());
        EXPECT_EQ(form().field(FormControl::UseInsurance).text,
                  QStringLiteral("Tolvane Insurance ($%1)").arg(twoDigitDollarFormatter().stringFromNumber(fee)));
        if (c.on) {
            EXPECT_FALSE(fee.isZero());
        }
    }
}

TEST_F(ValidationTest, InsuranceNeedsPostageAndAnEligibleAccount)
{
    start();
    sendTo(QStringLiteral("10001"));
    typeWeight(QStringLiteral("2"));
    defaults().setBool(true, QStringLiteral("useInsurance"));
    type(FormControl::Value, QStringLiteral("100"));
    ASSERT_TRUE(form().isOn(FormControl::UseInsurance));
    const QString explanation = form().text(FormControl::InsuranceAbout);

    // An account no longer allowed: off, with the reason.
    insurance->agreement = true;
    insurance->allowed = false;
    controller->validateInsuranceCheckbox();
    EXPECT_FALSE(form().checkBox(FormControl::UseInsurance).enabled);
    EXPECT_FALSE(form().isOn(FormControl::UseInsurance));
    EXPECT_EQ(form().text(FormControl::InsuranceAbout),
              QStringLiteral("Your account is no longer eligible for Tolvane Insurance."));
    EXPECT_EQ(controller->previewInsuranceAmount(), Decimal::zero());

    // Allowed again: the laid-out explanation comes back.
    insurance->allowed = true;
    controller->validateInsuranceCheckbox();
    EXPECT_TRUE(form().isOn(FormControl::UseInsurance));
    EXPECT_EQ(form().text(FormControl::InsuranceAbout), explanation);

    // Without postage there is nothing to insure with the vendor.
    set(false, QVUSPSShipmentPostageEnabledKey);
    controller->validateInsuranceCheckbox();
    EXPECT_FALSE(form().checkBox(FormControl::UseInsurance).enabled);
    EXPECT_FALSE(form().isOn(FormControl::UseInsurance));
}

TEST_F(ValidationTest, MenuItemsByTheWindowsState)
{
    start();
    QVAddress home;
    home.setName(QStringLiteral("Grace Hopper"));
    home.setStreet(QStringLiteral("1 Navy Way"));
    home.setCity(QStringLiteral("Arlington"));
    home.setState(QStringLiteral("VA"));
    home.setZIP5(QStringLiteral("22201"));

    const auto popUp = [](const char *title) {
        return MasterMenuItem{QString(), QString::fromLatin1(title), QString(), true};
    };
    const auto view = [](const char *title) {
        return MasterMenuItem{QStringLiteral("toggle:"), QString::fromLatin1(title), QStringLiteral("View"), false};
    };
    const auto action = [](const char *name) {
        return MasterMenuItem{QString::fromLatin1(name), QStringLiteral("Item"), QStringLiteral("File"), false};
    };
    const std::optional<QString> keep;
    struct Case {
        const char *what;
        std::function<void()> state;
        MasterMenuItem item;
        bool enabled;
        std::optional<QString> title;
    } cases[] = {
        {"Clear List without saved addresses", [] {}, popUp("Clear List"), false, keep},
        {"Clear List with one", [&] { controller->addFromAddress(home, QStringLiteral("Home")); }, popUp("Clear List"),
         true, keep},
        {"Delete Current Address of the user's own card",
         [&] { defaults().setString(QStringLiteral("me"), QStringLiteral("fromAddress")); },
         popUp("Delete Current Address"), false, keep},
        {"Delete Current Address of the account",
         [&] { defaults().setString(QStringLiteral("tolvane"), QStringLiteral("fromAddress")); },
         popUp("Delete Current Address"), false, keep},
        {"Delete Current Address of a saved one",
         [&] { defaults().setString(QStringLiteral("Home"), QStringLiteral("fromAddress")); },
         popUp("Delete Current Address"), true, keep},
        {"the account address without a status", [] {}, popUp("Tolvane Account Address"), false, keep},
        {"the account address with one", [&] { postage->hasStatus = true; }, popUp("Tolvane Account Address"), true,
         keep},
        {"another pop-up item", [] {}, popUp("Home"), true, keep},
        {"the status bar shown", [&] { defaults().setBool(true, QStringLiteral("showStatusBarOnMasterControl")); },
         view("Show Status Bar"), true, QStringLiteral("Hide Status Bar")},
        {"the status bar hidden, also in the stamp mode",
         [&] {
             defaults().setBool(false, QStringLiteral("showStatusBarOnMasterControl"));
             shell->standardMode = false;
         },
         view("Hide Status Bar"), true, QStringLiteral("Show Status Bar")},
        {"verify in the stamp mode", [&] { shell->standardMode = false; }, action("standardizeTextBoxAddress:"), false,
         keep},
        {"verify in the standard mode", [] {}, action("standardizeTextBoxAddress:"), true, keep},
        {"optional details shown", [&] { form().disclosable(FormControl::OptionalView).shown = true; },
         view("Show Optional Details"), true, QStringLiteral("Hide Optional Details")},
        {"optional details in the stamp mode",
         [&] {
             form().disclosable(FormControl::OptionalView).shown = false;
             shell->standardMode = false;
         },
         view("Hide Optional Details"), false, QStringLiteral("Show Optional Details")},
        {"copy without a label number", [] {}, action("copyConfirmationNumber:"), false, keep},
        {"copy with one", [&] { controller->setCurrentPICCode(QStringLiteral("9400111899223100000000")); },
         action("copyConfirmationNumber:"), true, keep},
        {"add to address book without a card", [] {}, action("addToAddressBook:"), false, keep},
        {"add to address book with one", [&] { form().field(FormControl::DragView).enabled = true; },
         action("addToAddressBook:"), true, keep},
        {"weigh in the standard mode", [] {}, action("weigh:"), true, keep},
        {"weigh on stamp sheets",
         [&] {
             shell->standardMode = false;
             stamps->mode = 1;
         },
         action("weigh:"), false, keep},
        {"weigh on stamp rolls",
         [&] {
             shell->standardMode = false;
             stamps->mode = 2;
         },
         action("weigh:"), true, keep},
        {"print selected in the standard mode", [] {}, action("printSelected:"), true, keep},
        {"print selected on rolls",
         [&] {
             shell->standardMode = false;
             stamps->mode = 2;
             stamps->selectedCells = 3;
         },
         action("printSelected:"), false, keep},
        {"print selected on sheets without a selection",
         [&] {
             shell->standardMode = false;
             stamps->mode = 1;
         },
         action("printSelected:"), false, keep},
        {"print selected on sheets with cells selected",
         [&] {
             shell->standardMode = false;
             stamps->mode = 1;
             stamps->selectedCells = 3;
         },
         action("printSelected:"), true, keep},
        {"anything else", [&] { shell->standardMode = false; }, action("newPackage:"), true, keep},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        shell->standardMode = true;
        stamps->selectedCells = 0;
        c.state();
        const MasterMenuItemState state = controller->validateMenuItem(c.item);
        EXPECT_EQ(state.enabled, c.enabled);
        EXPECT_EQ(state.title, c.title);
    }
}

TEST_F(ValidationTest, TheMenusAskTheControllerWhileItLives)
{
    start();
    QVMenuActions actions;
    for (const char *action : {"weigh:", "standardizeTextBoxAddress:"})
        actions.setHandler(QString::fromLatin1(action), [](const QVMenuItem &) {});
    controller->registerMenuValidation(actions);
    QVMenuItem weigh;
    weigh.action = QStringLiteral("weigh:");
    QVMenuItem viewItem;
    viewItem.action = QStringLiteral("standardizeTextBoxAddress:");
    viewItem.title = QStringLiteral("Show Status Bar");
    QVMenuItem unhandled;
    unhandled.action = QStringLiteral("printSelected:");

    shell->standardMode = false;
    stamps->mode = 1;
    EXPECT_FALSE(actions.validate(weigh, QStringLiteral("File")).enabled);
    stamps->mode = 2;
    EXPECT_TRUE(actions.validate(weigh, QStringLiteral("File")).enabled);
    // The top-level menu's title decides the View rows.
    defaults().setBool(true, QStringLiteral("showStatusBarOnMasterControl"));
    EXPECT_EQ(actions.validate(viewItem, QStringLiteral("View")).title, QStringLiteral("Hide Status Bar"));
    EXPECT_FALSE(actions.validate(viewItem, QStringLiteral("File")).enabled);
    // No handler, no item, whatever the controller says.
    EXPECT_FALSE(actions.validate(unhandled, QStringLiteral("File")).enabled);

    stamps->mode = 1;
    controller.reset();
    EXPECT_TRUE(actions.validate(weigh, QStringLiteral("File")).enabled);
}

TEST_F(ValidationTest, SmallActionsHandOver)
{
    start();
    // Nothing to copy, nothing copied.
    controller->copyConfirmationNumber();
    EXPECT_TRUE(clipboard->texts.isEmpty());
    const QString number = QStringLiteral("9400111899223100000000");
    controller->setCurrentPICCode(number);
    controller->copyConfirmationNumber();
    ASSERT_EQ(clipboard->texts.size(), 1);
    EXPECT_EQ(clipboard->texts[0], uspsLogPIC(number));

    // A domestic piece has no service summary; a military one the APO/FPO
    // restrictions of its ZIP; an international one the country's
    // information.
    sendTo(QStringLiteral("10001"));
    controller->serviceSummary();
    EXPECT_TRUE(handOvers->calls.isEmpty());
    QVAddress military;
    military.setName(QStringLiteral("Sgt. Ada Lovelace"));
    military.setStreet(QStringLiteral("Unit 2050 Box 4190"));
    military.setCity(QStringLiteral("APO"));
    military.setState(QStringLiteral("AP"));
    military.setZIP5(QStringLiteral("96278"));
    controller->setToAddress(military);
    settle();
    controller->serviceSummary();
    sendTo(QString(), QStringLiteral("CANADA"));
    controller->serviceSummary();

    sendTo(QStringLiteral("10001"));
    controller->launchUSPSExpressMailCommitmentsSite();
    controller->prepareEmailNotification();
    controller->addressBookImport();
    EXPECT_EQ(handOvers->calls,
              (QStringList{QStringLiteral("APO 96278"), QStringLiteral("international CANADA"),
                           QStringLiteral("commitments 2014-03-03 02134 10001"), QStringLiteral("notice"),
                           QStringLiteral("import")}));
}

} // namespace
