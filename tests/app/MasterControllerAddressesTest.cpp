// MasterController's destination box and new shipments, with the real
// address-correction client against the fake address-correction service
// (its requests counted): the destination road (known text, international
// last lines, upper case, accents, the Japanese rule, return codes and their
// sheets, the program's own URLs), the batch preflight, the Return and Tab
// keys, the entry points and the vCard drag view's actions.
#include "app/mainwindow/MasterControllerWiring.h"
#include "model/QVAddressParsing.h"
#include "model/QVCountry.h"
#include "platform/NotificationCenter.h"
#include "model/VCard.h"
#include "rateengine/RateCountries.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "platform/HttpClient.h"
#include "printing/flow/QVPrintFlow.h"
#include "services/QVCommandCenter.h"
#include "services/QVPostageServerAccount.h"
#include "services/QVRHOLabelServerCommandCenter.h"
#include "services/usps/QVGLZCommandCenter.h"

#include "AddressCorrectionFixture.h"
#include "RecordingDialogs.h"
#include "RecordingUrlOpener.h"

#include <QUrlQuery>

using namespace master_test;
using namespace tolvane::test;

namespace {

class AddressBoxTest : public AddressCorrectionTest
{
protected:
    void SetUp() override
    {
        AddressCorrectionTest::SetUp();
        const std::string resources = std::string(TOLVANE_SOURCE_DIR) + "/resources/";
        ASSERT_EQ(LoadCountry2013FileAtPath((resources + "country2013.dat").c_str()), 1);
        ASSERT_EQ(LoadCountryAliasFileAtPath((resources + "country-aliases.txt").c_str()), 1);
        ASSERT_NO_FATAL_FAILURE(useAddressCorrectionService());
        ownAddressBoxes = true;
        defaults().setString(QVUSPSIntlPriorityMailIntl, QStringLiteral("intlRateClass"));
        start();
        typeWeight(QStringLiteral("1"));
    }
    qsizetype requests() const { return service.received().size(); }
    bool standardize(const QString &text, bool forPrinting = false)
    {
        const bool result = controller->standardizeAddressString(text, false, forPrinting);
        settle();
        return result;
    }
    void reply(int code)
    {
        service.setResponseElements(QStringLiteral("<ReturnCode>%1</ReturnCode><AddrLine1>1 MAIN ST</AddrLine1>"
                                                   "<City>NEW YORK</City><State>NY</State><ZIP5>10001</ZIP5>")
                                        .arg(code)
                                        .toUtf8());
    }
    static QString domesticText() { return QStringLiteral("Ada Lovelace\n1 Main St\nNew York NY 10001"); }

    DialogsScope dialogs;
};

TEST_F(AddressBoxTest, DestinationTextsTakeTheirRoads)
{
    struct Case {
        const char *what;
        QString text;
        bool uppercase;
        bool result;
        qsizetype requests;
        QString country; // empty: domestic
        QString name;
        QStringList lines;
    } cases[] = {
        {"an unknown last line goes to the service even with two lines",
         QStringLiteral("1 Main St\nNew York NY 10001"),
         false,
         true,
         1,
         QString(),
         QString(),
         {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        service.answerFromRequest();
        const qsizetype before = requests();
        defaults().setBool(c.uppercase, QStringLiteral("uppercaseAddresses"));
        controller->setToAddress(QVAddress());
        EXPECT_EQ(standardize(c.text), c.result);
        EXPECT_EQ(requests() - before, c.requests);
        const QVAddress &to = controller->toAddress();
        if (c.country.isEmpty()) {
            EXPECT_TRUE(to.isDomestic());
            EXPECT_EQ(to.ZIP5(), QStringLiteral("10001"));
        } else {
            EXPECT_EQ(to.country(), c.country);
            EXPECT_EQ(to.name(), c.name);
            EXPECT_EQ(to.internationalAddressLines().value_or(QStringList()), c.lines);
        }
    }
    // The service got the upper-cased text.
    defaults().setBool(true, QStringLiteral("uppercaseAddresses"));
    controller->setToAddress(QVAddress());
    EXPECT_TRUE(standardize(QStringLiteral("ada\n1 main st\nnew york ny 10001")));
    ASSERT_TRUE(service.lastReceived());
    EXPECT_TRUE(service.lastReceived()->fields.values().contains(QStringLiteral("1 MAIN ST")));
    EXPECT_EQ(controller->toAddress().name(), QStringLiteral("ADA"));
}

// International destinations with a priced piece: the fixture's country
// rules (CANADA offers Priority Mail International in price group 1) and the
// international rate classes, so the shipment has a price from the engine's
// own tables.
class InternationalAddressBoxTest : public AddressBoxTest
{
protected:
    // The text typed into the destination box, then checked (the form's
    // own check after a change reads the box again).
    bool standardizeBox(const QString &text, bool forPrinting = false)
    {
        form().setText(FormControl::ToAddress, text);
        const bool result = controller->standardizeTextBoxAddress(false, forPrinting);
        settle();
        return result;
    }
    void SetUp() override
    {
        AddressBoxTest::SetUp();
        ASSERT_EQ(LoadCountry2013FileAtPath(TOLVANE_SOURCE_DIR "/tests/rates/data/countries-fixture.dat"), 1);
        NotificationCenter::defaultCenter().post(QVCountryListDidChangeNotification);
        installInternationalRateProvider();
    }
    void TearDown() override
    {
        AddressBoxTest::TearDown();
        LoadCountry2013FileAtPath(TOLVANE_SOURCE_DIR "/resources/country2013.dat");
        NotificationCenter::defaultCenter().post(QVCountryListDidChangeNotification);
    }
};

TEST_F(InternationalAddressBoxTest, ACountryOnTheLastLineMakesAPricedInternationalPiece)
{
    const struct {
        const char *what;
        QString text;
        bool uppercase;
        QString name;
        QStringList lines;
    } cases[] = {
        {"two lines ending in lower case",
         QStringLiteral("Jean Tremblay\ncanada"),
         false,
         QStringLiteral("Jean Tremblay"),
         {}},
        {"accents become plain letters",
         QString::fromUtf8("Zoé Roy\n1 rue Saint-Denis\nMontréal QC H2X 1K4\nCanada"),
         false,
         QStringLiteral("Zoe Roy"),
         {QStringLiteral("1 rue Saint-Denis"), QStringLiteral("Montreal QC H2X 1K4")}},
        {"upper case before the country test",
         QStringLiteral("jean\n 1 rue Main \n\ncanada"),
         true,
         QStringLiteral("JEAN"),
         {QStringLiteral("1 RUE MAIN")}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        defaults().setBool(c.uppercase, QStringLiteral("uppercaseAddresses"));
        controller->setToAddress(QVAddress());
        form().makeFirstResponder(std::nullopt);
        const qsizetype before = requests();
        EXPECT_TRUE(standardizeBox(c.text));
        EXPECT_EQ(requests(), before);
        const QVAddress &to = controller->toAddress();
        EXPECT_FALSE(to.isDomestic());
        EXPECT_EQ(to.country(), QStringLiteral("CANADA"));
        EXPECT_EQ(to.name(), c.name);
        EXPECT_EQ(to.internationalAddressLines().value_or(QStringList()), c.lines);
        EXPECT_TRUE(shipment().shippable());
        EXPECT_GT(shipment().totalPrice(), Decimal::zero());
        EXPECT_EQ(form().text(FormControl::ToAddressStatus), QStringLiteral("Valid"));
        EXPECT_EQ(form().firstResponder, FormControl::Weight);
    }
}

TEST_F(InternationalAddressBoxTest, AnInternationalPieceWithoutAPriceEmptiesTheDestination)
{
    // Above the class's weight limit for the country there is no price.
    typeWeight(QStringLiteral("80"));
    EXPECT_FALSE(standardizeBox(QStringLiteral("Jean Tremblay\nCanada")));
    EXPECT_EQ(controller->toAddress(), QVAddress());
    EXPECT_EQ(requests(), 0);
    EXPECT_EQ(form().text(FormControl::ToAddressStatus), QStringLiteral("Invalid"));
}

TEST_F(InternationalAddressBoxTest, AnInternationalPieceWithoutAPriceSaysSo)
{
    // Interactive: a sheet names the country and says that no price is
    // known; its OK leaves the destination empty. In automation no sheet
    // runs (the caller reports the failure).
    for (const bool automation : {false, true}) {
        SCOPED_TRACE(automation ? "automation" : "interactive");
        shell->automation = automation;
        controller->setToAddress(QVAddress());
        typeWeight(QStringLiteral("80"));
        EXPECT_FALSE(standardizeBox(QStringLiteral("Jean Tremblay\nCanada")));
        EXPECT_EQ(controller->toAddress(), QVAddress());
        if (automation) {
            EXPECT_FALSE(controller->attachedSheet());
            continue;
        }
        ASSERT_TRUE(controller->attachedSheet());
        EXPECT_EQ(controller->attachedSheet()->messageText, QStringLiteral("No Price for This Piece"));
        EXPECT_TRUE(controller->attachedSheet()->informativeText.contains(QStringLiteral("no price")));
        EXPECT_TRUE(controller->attachedSheet()->informativeText.contains(QStringLiteral("CANADA")));
        controller->endSheet(1);
        settle();
        EXPECT_FALSE(controller->attachedSheet());
        EXPECT_EQ(controller->toAddress(), QVAddress());
        EXPECT_EQ(form().text(FormControl::ToAddressStatus), QStringLiteral("Invalid"));
    }
}

TEST_F(AddressBoxTest, TheStandardisedTextAgainSendsNothing)
{
    ASSERT_TRUE(standardize(domesticText()));
    const qsizetype sent = requests();
    ASSERT_EQ(sent, 1);
    EXPECT_TRUE(standardize(controller->toAddress().formattedAddress() + QStringLiteral("\n")));
    EXPECT_EQ(requests(), sent);
}

TEST_F(AddressBoxTest, JapanNeedsASCIILines)
{
    sendTo(QStringLiteral("10001"));
    const QVAddress before = controller->toAddress();
    EXPECT_FALSE(standardize(QString::fromUtf8("Tarō Yamada\n1-2 Chiyoda\nJAPAN")));
    EXPECT_EQ(controller->toAddress(), before);
    EXPECT_EQ(requests(), 0);
}

TEST_F(AddressBoxTest, ReturnCodesDecide)
{
    // The destination before each case is another address (ZIP 02134): the
    // service's address replaces it, an inexact match leaves it while the
    // sheet is up, and an error empties it.
    const QString earlier = QStringLiteral("02134");
    struct Case {
        int code;
        bool automation;
        bool result;
        bool sheet;
        bool set;
        QString zipAfter;
    } cases[] = {
        {31, false, true, false, true, QStringLiteral("10001")},
        {32, false, true, false, true, QStringLiteral("10001")},
        {22, false, true, true, false, earlier},
        {25, false, true, true, false, earlier},
        {22, true, true, false, true, QStringLiteral("10001")},
        {25, true, true, false, true, QStringLiteral("10001")},
        {11, false, false, true, false, QString()},
        {11, true, false, false, false, QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << c.code << (c.automation ? " in automation" : ""));
        shell->automation = c.automation;
        sendTo(earlier);
        ASSERT_EQ(controller->toAddress().ZIP5(), earlier);
        form().makeFirstResponder(std::nullopt);
        reply(c.code);
        EXPECT_EQ(standardize(domesticText()), c.result);
        const Alert *sheet = controller->attachedSheet();
        EXPECT_EQ(sheet != nullptr, c.sheet);
        if (sheet) {
            const QString title =
                c.code == 11 ? QStringLiteral("Address Verification Error") : QStringLiteral("Inexact Address Match");
            EXPECT_EQ(sheet->messageText, title);
            EXPECT_TRUE(sheet->informativeText.contains(QStringLiteral("Error %1 - ").arg(c.code)));
        }
        EXPECT_EQ(controller->toAddress().ZIP5(), c.zipAfter);
        if (c.set && !c.automation) {
            EXPECT_EQ(form().firstResponder, FormControl::Weight);
        }
        controller->endSheet(0);
    }
}

TEST_F(AddressBoxTest, TheInexactMatchSheetEnds)
{
    // "Edit Address" empties the destination and selects the box's text.
    reply(22);
    sendTo(QStringLiteral("02134"));
    EXPECT_TRUE(standardize(domesticText()));
    EXPECT_EQ(controller->toAddress().ZIP5(), QStringLiteral("02134")) << "unchanged while the sheet is up";
    controller->endSheet(0);
    EXPECT_TRUE(controller->toAddress().ZIP5().isEmpty());
    EXPECT_EQ(form().firstResponder, FormControl::ToAddress);
    EXPECT_TRUE(form().firstResponderSelectsAll);

    // OK takes the service's address; while printing it schedules the print.
    EXPECT_TRUE(standardize(domesticText(), true));
    controller->endSheet(1);
    EXPECT_EQ(controller->toAddress().ZIP5(), QStringLiteral("10001"));
    EXPECT_EQ(form().text(FormControl::ToAddress), controller->toAddress().formattedAddress());
    EXPECT_EQ(printing->prints, 0);
    settle();
    EXPECT_EQ(printing->prints, 1);
}

TEST_F(AddressBoxTest, AnEMailProgramsSettingsAreRefusedAndLeaveTheDestination)
{
    UrlOpenerScope opener;
    sendTo(QStringLiteral("10001"));
    const QVAddress before = controller->toAddress();
    const QString settings = QStringLiteral("<x-eudora-setting:1234=1>\nDr Ada\n1 Main St\nNew York NY 10001");
    const struct {
        const char *what;
        QString listPage;
        int answer;
        qsizetype buttons;
        QList<QUrl> opened;
    } cases[] = {
        {"no list page known: closing only", QString(), 0, 1, {}},
        {"the list page, declined", QStringLiteral("https://settings.example.invalid/list"), 1, 2, {}},
        {"the list page, chosen",
         QStringLiteral("https://settings.example.invalid/list"),
         0,
         2,
         {QUrl(QStringLiteral("https://settings.example.invalid/list"))}},
        {"a list page that is no web page is never opened", QStringLiteral("file:///etc/passwd"), 0, 1, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        dialogs->alerts.clear();
        opener->opened.clear();
        defaults().setString(c.listPage, QStringLiteral("emailProgramSettingsListURL"));
        dialogs->answers = {c.answer};
        EXPECT_FALSE(standardize(QStringLiteral("  ") + settings));
        ASSERT_EQ(dialogs->alerts.size(), 1);
        EXPECT_EQ(dialogs->alerts[0].buttons.size(), c.buttons);
        EXPECT_EQ(opener->opened, c.opened);
        EXPECT_EQ(controller->toAddress(), before);
        EXPECT_EQ(requests(), 0);
    }
    // The tag is a setting: another program's, or none at all.
    dialogs->answers.clear();
    dialogs->alerts.clear();
    defaults().setString(QString(QLatin1String("")), QStringLiteral("emailProgramSettingsTag"));
    service.answerFromRequest();
    standardize(settings);
    EXPECT_TRUE(dialogs->alerts.isEmpty() ||
                dialogs->alerts[0].messageText != QStringLiteral("E-mail Program Settings Are Not Supported"));
    EXPECT_EQ(requests(), 1);
}

TEST_F(AddressBoxTest, EmptyTextAndTheProgramsOwnURLs)
{
    UrlOpenerScope opener;
    sendTo(QStringLiteral("10001"));
    EXPECT_FALSE(standardize(QString(QLatin1String(""))));
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("Empty Address"));
    EXPECT_TRUE(controller->toAddress().ZIP5().isEmpty());
    EXPECT_FALSE(controller->standardizeAddressString(QString(), true, false));
    EXPECT_EQ(dialogs->alerts.size(), 1) << "the controller itself gets no alert";

    const QString url = QStringLiteral("tolvane://newShipment2?ToAddress=Ada");
    EXPECT_TRUE(standardize(url));
    ASSERT_EQ(shell->applicationURLs.size(), 1);
    EXPECT_EQ(shell->applicationURLs[0], url) << "the command keeps its case";
    EXPECT_TRUE(opener->opened.isEmpty()) << "never to the desktop";
    EXPECT_EQ(requests(), 0);
}

TEST_F(AddressBoxTest, BatchPreflight)
{
    QVAddress domestic = addressWithString(domesticText());
    QVAddress international;
    international.setName(QStringLiteral("Jean"));
    international.setCountry(QStringLiteral("CANADA"));
    controller->enterBatchPrintWithAddresses({domestic, international});
    EXPECT_FALSE(controller->preflightBatch());
    EXPECT_EQ(requests(), 0);
    ASSERT_TRUE(controller->attachedSheet());
    EXPECT_EQ(controller->attachedSheet()->messageText,
              QStringLiteral("Invalid mix of domestic and international addresses"));
    controller->endSheet(1);

    // A batch of one kind standardises its first address without sheets.
    controller->enterBatchPrintWithAddresses({domestic, domestic});
    reply(22);
    controller->preflightBatch();
    EXPECT_EQ(requests(), 1);
    EXPECT_EQ(shell->automationSettings, (QList<bool>{true, false}));
    EXPECT_FALSE(shell->automation);
}

TEST_F(AddressBoxTest, ReturnAddsALineAndTabMovesToTheWeight)
{
    form().setText(FormControl::ToAddress, QStringLiteral("Ada Lovelace"));
    EXPECT_TRUE(controller->doCommandBySelector(MasterController::TextCommand::InsertNewline));
    EXPECT_EQ(form().text(FormControl::ToAddress), QStringLiteral("Ada Lovelace\n"));
    EXPECT_EQ(form().text(FormControl::ToAddressStatus), QStringLiteral("Invalid"));
    EXPECT_TRUE(controller->doCommandBySelector(MasterController::TextCommand::InsertTab));
    settle();
    EXPECT_EQ(form().firstResponder, FormControl::Weight);
    EXPECT_FALSE(controller->doCommandBySelector(MasterController::TextCommand::Other));
}

// Return in the middle of the address breaks the line at the caret, or in
// place of the selected text; a range beyond the text is cut to it.
TEST_F(AddressBoxTest, ReturnBreaksTheLineAtTheCaretOrSelection)
{
    const QString text = QStringLiteral("Ada Lovelace 12 Elm St");
    struct Case {
        MasterTextRange selection;
        QString expected;
    };
    const Case cases[] = {
        {{12, 0}, QStringLiteral("Ada Lovelace\n 12 Elm St")}, {{12, 1}, QStringLiteral("Ada Lovelace\n12 Elm St")},
        {{0, 0}, QStringLiteral("\nAda Lovelace 12 Elm St")},  {{22, 0}, QStringLiteral("Ada Lovelace 12 Elm St\n")},
        {{20, 50}, QStringLiteral("Ada Lovelace 12 Elm \n")},
    };
    for (const Case &c : cases) {
        form().setText(FormControl::ToAddress, text);
        EXPECT_TRUE(controller->doCommandBySelector(MasterController::TextCommand::InsertNewline, c.selection));
        EXPECT_EQ(form().text(FormControl::ToAddress), c.expected) << c.selection.start;
    }
}

TEST_F(AddressBoxTest, EntryPoints)
{
    // An invalid vCard starts nothing.
    form().setText(FormControl::ToAddress, QStringLiteral("kept"));
    EXPECT_FALSE(controller->newPackageWithVCard("not a card"));
    EXPECT_EQ(form().text(FormControl::ToAddress), QStringLiteral("kept"));
    EXPECT_EQ(shell->labelsShown, 0);

    // A person without e-mail or phone leaves those fields.
    form().setText(FormControl::ToEmail, QStringLiteral("old@example.com"));
    form().setText(FormControl::ToPhone, QStringLiteral("555-0100"));
    controller->enterBatchPrintWithAddresses({QVAddress()});
    const QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lovelace;Ada;;;\r\nFN:Ada Lovelace\r\n"
                            "ADR;TYPE=HOME:;;1 Main St;New York;NY;10001;\r\nEND:VCARD\r\n";
    EXPECT_TRUE(controller->newPackageWithVCard(card));
    EXPECT_EQ(shell->labelsShown, 1);
    EXPECT_FALSE(controller->inBatchMode());
    EXPECT_TRUE(form().text(FormControl::ToAddress).contains(QStringLiteral("1 Main St")));
    EXPECT_EQ(form().text(FormControl::ToEmail), QStringLiteral("old@example.com"));
    EXPECT_EQ(form().text(FormControl::ToPhone), QStringLiteral("555-0100"));
    EXPECT_EQ(form().firstResponder, FormControl::ToAddress);

    // Every new shipment leaves batch mode; "New Label" empties the fields.
    controller->enterBatchPrintWithAddresses({QVAddress()});
    // The link's callback is the window's print flow's: the one that sends
    // it after the next printed piece.
    const QUrl callback(QStringLiteral("https://example.com/done"));
    controller->setPendingCallbackURL(callback);
    EXPECT_EQ(controller->pendingCallbackURL(), callback);
    EXPECT_EQ(controller->printFlow().pendingCallbackURL(), std::optional<QUrl>(callback));
    controller->newPackage();
    EXPECT_FALSE(controller->inBatchMode());
    EXPECT_TRUE(form().text(FormControl::ToEmail).isEmpty());
    EXPECT_TRUE(controller->pendingCallbackURL().isEmpty());
    EXPECT_FALSE(controller->printFlow().pendingCallbackURL());
}

TEST_F(AddressBoxTest, DragViewActions)
{
    UrlOpenerScope opener;
    EXPECT_TRUE(standardize(domesticText()));
    ASSERT_TRUE(form().field(FormControl::DragView).enabled);

    controller->mapIt();
    ASSERT_EQ(opener->opened.size(), 1);
    const QUrl map = opener->opened[0];
    EXPECT_EQ(map.path(), QStringLiteral("/maps"));
    EXPECT_EQ(QUrlQuery(map).queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded),
              controller->toAddress().formattedAddressOnOneLineWithoutName());
    EXPECT_FALSE(map.query(QUrl::FullyEncoded).contains(QLatin1Char(' ')));

    // Nothing while the drag view is disabled or a sheet is open.
    form().field(FormControl::DragView).enabled = false;
    controller->addToAddressBook();
    EXPECT_EQ(controller->attachedSheet(), nullptr);
    form().field(FormControl::DragView).enabled = true;
    controller->runAddFromAddressSheet();
    controller->addToAddressBook();
    EXPECT_EQ(controller->attachedSheet(), nullptr);
    controller->cancelAddFromAddressSheet();

    controller->dragViewDoubleClicked();
    ASSERT_TRUE(controller->attachedSheet());
    EXPECT_EQ(controller->attachedSheet()->messageText, QStringLiteral("Add Ada Lovelace to your Address Book?"));
    controller->endSheet(0);
}

} // namespace
