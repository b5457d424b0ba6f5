// The account set-up wizard, the stamps edition's preferences and about
// box, and the postage- and date-correction sheets, against the fake
// postage server.
#include "AccountPanelsFixture.h"

#include "app/preferences/KIVOPreferencesController.h"
#include "app/account/TolvaneGUIController.h"
#include "app/account/TolvaneWizardController.h"
#include "printing/setup/QVPrinterTypes.h"

#include <QLocale>

using namespace tolvane::test;

namespace {

class TolvaneWizardTest : public AccountPanelsTest
{
protected:
    void SetUp() override
    {
        AccountPanelsTest::SetUp();
        wizard.windowDidLoad();
        wizard.state().accountNumber = kAccount;
        wizard.state().passPhrase = kPassPhrase;
    }
    TolvaneGUIController panels;
    TolvaneWizardController wizard{panels};
};

TEST_F(TolvaneWizardTest, RefusalsKeepTheWizardOnStepOne)
{
    struct Case {
        QString name;
        QString passPhrase;
        bool reachable;
        std::optional<quint32> code; // the server's refusal
        QString message;
        QString informativeStart;
        QStringList buttons;
    };
    const QList<Case> cases = {
        {QStringLiteral("empty"),
         QString(),
         true,
         std::nullopt,
         QStringLiteral("Missing account information."),
         QStringLiteral("You must enter both"),
         {}},
        {QStringLiteral("unreachable"),
         kPassPhrase,
         false,
         std::nullopt,
         QStringLiteral("Postage server unreachable."),
         QStringLiteral("Your current Internet settings"),
         {}},
        {QStringLiteral("101"),
         kPassPhrase,
         true,
         101u,
         QStringLiteral("Could not validate account"),
         QStringLiteral("Your account information is incorrect. Please Try Again.\n\nError 101: "),
         {QStringLiteral("OK")}},
        {QStringLiteral("102"),
         kPassPhrase,
         true,
         102u,
         QStringLiteral("Could not validate account"),
         QStringLiteral("Your account information is incorrect."),
         {QStringLiteral("OK"), QStringLiteral("Reset Pass Phrase")}},
        {QStringLiteral("clock"),
         kPassPhrase,
         true,
         quint32(-1201),
         QStringLiteral("Could not validate account"),
         QStringLiteral("Your system clock seems to be set to an incorrect date. Please verify the date in System "
                        "Preferences and try again.\n\nError -1201"),
         {}},
        {QStringLiteral("wrong pass phrase"),
         QStringLiteral("nope"),
         true,
         std::nullopt,
         QStringLiteral("The Pass Phrase you entered was not correct."),
         QStringLiteral("Make sure"),
         {QStringLiteral("OK"), QStringLiteral("Forgot Pass Phrase?")}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(qPrintable(c.name));
        dialogs->alerts.clear();
        reachability->reachable = c.reachable;
        if (c.code)
            server.queueReplies(kStatusWire, {refusal(*c.code)});
        wizard.state().passPhrase = c.passPhrase;
        wizard.next();
        EXPECT_EQ(wizard.state().step, 1);
        ASSERT_EQ(dialogs->alerts.size(), 1);
        const Alert &alert = dialogs->alerts.first();
        EXPECT_EQ(alert.messageText, c.message);
        EXPECT_TRUE(alert.informativeText.startsWith(c.informativeStart)) << qPrintable(alert.informativeText);
        QStringList buttons;
        for (const AlertButton &button : alert.buttons)
            buttons << button.title;
        EXPECT_EQ(buttons, c.buttons);
    }
    // Closing before any validation ends the application.
    wizard.windowWillClose();
    EXPECT_TRUE(host->called(QStringLiteral("terminate")));
}

// A postage-server setting with a scheme and a port (as the stand-ins give
// it) is reached through the system's own reachability check.
TEST_F(TolvaneWizardTest, ReachesAPostageServerGivenAsAURL)
{
    setReachability(nullptr);
    const QString url = server.baseUrl();
    ASSERT_TRUE(url.startsWith(QLatin1String("http://127.0.0.1:"))) << qPrintable(url);
    wizard.state().postageServer = url;
    server.queueReplies(kStatusWire, {statusReply()});
    wizard.next();
    EXPECT_TRUE(alertTexts().isEmpty()) << qPrintable(alertTexts().join(QLatin1Char('|')));
    EXPECT_EQ(wizard.state().step, 2);
    EXPECT_EQ(client->server(), url);
    EXPECT_EQ(requestsOf(kStatusWire), 1);
}

// The zero-balance button opens the Buy Postage panel; a purchase made there
// shows the new balance and removes the notice, a panel left without one
// keeps it.
TEST_F(TolvaneWizardTest, TheZeroBalanceButtonBuysPostage)
{
    struct BuyingView : TolvaneGUIView {
        int opened = 0;
        std::function<void()> buy;
        void runModal(TolvanePanelWindow panel) override
        {
            if (panel != TolvanePanelWindow::BuyPostage)
                return;
            ++opened;
            if (buy)
                buy();
        }
    } view;
    panels.setView(&view);
    server.queueReplies(kStatusWire, {statusReply(0)});
    wizard.next();
    ASSERT_EQ(wizard.state().step, 2);
    EXPECT_TRUE(wizard.state().zeroBalanceShown);

    wizard.buyPostage();
    EXPECT_EQ(view.opened, 1);
    EXPECT_TRUE(wizard.state().zeroBalanceShown);
    EXPECT_EQ(requestsOf(kBuyWire), 0);

    // The purchase refreshes the account's status, as the program does.
    host->onRefresh = [&] {
        server.queueReplies(kStatusWire, {statusReply(2500)});
        client->status();
    };
    view.buy = [&] {
        server.queueReplies(kBuyWire, {statusReply(2500)});
        panels.buyPanel().selectedAmount = 1;
        panels.buyPostage();
    };
    wizard.buyPostage();
    EXPECT_EQ(view.opened, 2);
    EXPECT_EQ(requestsOf(kBuyWire), 1);
    EXPECT_FALSE(wizard.state().zeroBalanceShown);
    EXPECT_TRUE(wizard.state().accountText.contains(QStringLiteral("\n$2.50\n")))
        << qPrintable(wizard.state().accountText);
    panels.setView(nullptr);
}

TEST_F(TolvaneWizardTest, ANewAccountReachesStepTwoThroughTheForcedSheet)
{
    server.queueReplies(kStatusWire, {statusReply(0, "S", "V")});
    wizard.next();
    EXPECT_TRUE(dialogs->alerts.isEmpty());
    EXPECT_EQ(wizard.state().step, 2);
    EXPECT_EQ(wizard.state().nextTitle, QStringLiteral("Finish"));
    EXPECT_FALSE(wizard.state().cancelEnabled);
    EXPECT_TRUE(wizard.state().zeroBalanceShown); // a zero balance keeps its text
    EXPECT_EQ(client->userid(), kAccount);
    host->runLater();
    ASSERT_TRUE(panels.changePassPhraseSheet().open);
    EXPECT_EQ(panels.changePassPhraseSheet().window, TolvanePanelWindow::Wizard);
    EXPECT_TRUE(panels.changePassPhraseSheet().forceTextShown);
    panels.changePassPhraseSheet().currentPassPhrase = kPassPhrase;
    panels.changePassPhraseSheet().newPassPhrase = QStringLiteral("brand new");
    panels.changePassPhraseSheet().confirmation = QStringLiteral("brand new");
    server.queueReplies(kStatusWire, {statusReply(2500)});
    panels.changePassword();
    EXPECT_EQ(wizard.state().passPhrase, QStringLiteral("brand new"));
    EXPECT_TRUE(host->called(QStringLiteral("refreshTolvaneStatus")));
    EXPECT_EQ(wizard.state().step, 2);
    // A balance other than zero removes the zero-balance text.
    wizard.updateStatusTextWithRHOResponse(client->status());
    EXPECT_FALSE(wizard.state().zeroBalanceShown);
    EXPECT_TRUE(wizard.state().accountText.startsWith(QStringLiteral("1234567\nActive\n$2.50\n")))
        << qPrintable(wizard.state().accountText);
    // Finish: the status is refreshed and the application goes on.
    host->calls.clear();
    wizard.next();
    host->runLater();
    EXPECT_EQ(host->calls, QStringList{QStringLiteral("refreshTolvaneStatus")});
}

TEST_F(TolvaneWizardTest, EditionsAndTheDefaultServer)
{
    defaults().registerDefaults({{QVRHOServerDefaultsKey, QStringLiteral("https://postage.example")}});
    defaults().setString(QStringLiteral("https://typed.example"), QVRHOServerDefaultsKey);
    wizard.defaultServer();
    EXPECT_EQ(wizard.state().postageServer, QStringLiteral("https://postage.example"));

    defaults().setBool(true, QVRHOStampsVersionDefaultsKey);
    TolvaneWizardController stamps{panels};
    stamps.windowDidLoad();
    EXPECT_EQ(stamps.state().backgroundImage, QStringLiteral("ks_wizard2"));
    EXPECT_TRUE(stamps.state().introText.contains(QStringLiteral("Kivo Stamps")));
    defaults().setBool(true, QStringLiteral("zpmVersion"));
    TolvaneWizardController zpm{panels};
    zpm.windowDidLoad();
    EXPECT_EQ(zpm.state().backgroundImage, QStringLiteral("ks_wizard3"));
    EXPECT_EQ(zpm.state().windowTitle, QStringLiteral("Zevavored Azozudu by Tolvane"));
}

class KIVOPreferencesTest : public AccountPanelsTest
{
protected:
    TolvaneGUIController panels;
};

TEST_F(KIVOPreferencesTest, OKVerifiesOnlyWhatChanged)
{
    signIn();
    const int statusBefore = requestsOf(kStatusWire);
    KIVOPreferencesController preferences(panels);
    preferences.showWindow();
    EXPECT_EQ(preferences.state().accountNumber, kAccount);
    preferences.state().thresholdReminderBox = true;
    preferences.state().selectedThreshold = 2;
    preferences.ok();
    EXPECT_EQ(requestsOf(kStatusWire), statusBefore);
    EXPECT_FALSE(preferences.state().open);
    EXPECT_FALSE(defaults().boolForKey(KIVOStampsThresholdReminderKey));
    EXPECT_EQ(defaults().stringForKey(KIVOStampsThresholdKey),
              QString::number(KIVOPreferencesController::thresholdItems().at(2).tag));

    // Keeping the pass phrase switched on verifies again, and keeps it.
    preferences.showWindow();
    preferences.state().savePassPhrase = true;
    server.queueReplies(kStatusWire, {statusReply()});
    preferences.ok();
    EXPECT_EQ(requestsOf(kStatusWire), statusBefore + 1);
    EXPECT_EQ(store->credentials().value(client->protectionSpace().key()).password, kPassPhrase);

    // A wrong pass phrase: the alert, the window stays, nothing stored.
    preferences.showWindow();
    preferences.state().passPhrase = QStringLiteral("wrong");
    preferences.state().selectedThreshold = 0;
    preferences.ok();
    EXPECT_EQ(alertTexts(), QStringList{QStringLiteral("The Pass Phrase you entered was not correct.")});
    EXPECT_TRUE(preferences.state().open);
    EXPECT_EQ(client->password(), kPassPhrase);
    EXPECT_EQ(defaults().stringForKey(KIVOStampsThresholdKey),
              QString::number(KIVOPreferencesController::thresholdItems().at(2).tag));
}

TEST_F(KIVOPreferencesTest, TheAboutBoxIsOneWindowAtATime)
{
    int made = 0;
    KIVOAboutBoxController::setViewFactory([&made](KIVOAboutBoxController &) {
        ++made;
        return std::make_unique<KIVOAboutBoxView>();
    });
    KIVOAboutBoxController::showWindow();
    KIVOAboutBoxController *first = KIVOAboutBoxController::current();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->state().versionField.contains(QStringLiteral(" (")));
    KIVOAboutBoxController::showWindow();
    EXPECT_EQ(KIVOAboutBoxController::current(), first);
    EXPECT_EQ(made, 1);
    first->windowWillClose();
    EXPECT_FALSE(KIVOAboutBoxController::current());
    KIVOAboutBoxController::showWindow();
    EXPECT_TRUE(KIVOAboutBoxController::current());
    EXPECT_EQ(made, 2);
    KIVOAboutBoxController::current()->windowWillClose();
    KIVOAboutBoxController::setViewFactory({});
}

class CorrectionsTest : public AccountPanelsTest
{
protected:
    void SetUp() override
    {
        AccountPanelsTest::SetUp();
        defaults().setString(QVPlainPaperLabel, QStringLiteral("printerLabel"));
        defaults().setString(QVPlainPaperPrinter, QStringLiteral("printerType"));
        // The logged piece holds every key a correction record leaves out.
        for (const QString &key : removedKeys())
            piece.setObject(QStringLiteral("logged"), key);
        piece.setObject(QStringLiteral("9405511899223197428090"), QVUSPSShipmentPICKey);
        piece.setObject(QStringLiteral("5.05"), QVUSPSShipmentPostageKey);
        piece.setObject(QStringLiteral("1.50"), QVUSPSShipmentInsurancePriceKey);
        piece.setObject(QStringLiteral("oz"), QVShipmentWeightUnitKey);
        piece.setObject(QStringLiteral("INV-7"), QStringLiteral("QVShipmentReferenceIDKey"));
        piece.setObject(false, QVUSPSShipmentPostageEnabledKey);
        piece.setObject(QDateTime(QDate(2014, 3, 1), QTime(9, 0)), QVShipmentShipDateKey);
        piece.setObject(QDateTime(QDate(2014, 3, 1), QTime(9, 0)), QVShipmentPrintDateKey);
    }
    static QStringList removedKeys()
    {
        return {QVUSPSShipmentPostageKey,
                QVUSPSShipmentOriginalPostageKey,
                QVUSPSShipmentConfirmationServiceKey,
                QVUSPSShipmentConfirmationServicePriceKey,
                QVUSPSShipmentPICKey,
                QVUSPSShipmentRDCKey,
                QVUSPSShipmentCustomsBarcodeNumberKey,
                QVUSPSShipmentConfirmKey,
                QVShipmentWeightUnitKey,
                QVShipmentWeightNumberKey,
                QVUSPSShipmentInsurancePriceKey,
                QVUSPSShipmentInsuranceTypeKey};
    }
    void correct(const QString &amount, bool test)
    {
        panels.showPostageCorrectionSheetForShipment(piece, TolvanePanelWindow::Other);
        panels.postageCorrectionSheet().amount = amount;
        panels.printPostageCorrection(test);
    }
    TolvaneGUIController panels;
    QVShipment piece;
};

TEST_F(CorrectionsTest, AmountsAreCheckedAgainstTheBalanceForRealAndTestPrints)
{
    signIn(5000); // $5.00
    struct Case {
        QString amount;
        bool test;
        QString message; // empty: accepted
    };
    const QList<Case> cases = {
        {QStringLiteral("0"), true, QStringLiteral("Invalid correction amount.")},
        {QStringLiteral("0"), false, QStringLiteral("Invalid correction amount.")},
        {QStringLiteral("abc"), false, QStringLiteral("Invalid correction amount.")},
        {QStringLiteral("5.01"), false, QStringLiteral("Insufficient funds")},
        {QStringLiteral("5.01"), true, QStringLiteral("Insufficient funds")},
        {QStringLiteral("$5.00"), true, QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(qPrintable(c.amount + (c.test ? " test" : "")));
        dialogs->alerts.clear();
        printing->prints.clear();
        correct(c.amount, c.test);
        EXPECT_EQ(alertTexts(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
        EXPECT_EQ(printing->prints.size(), c.message.isEmpty() ? 1 : 0);
    }
    // The test print reached neither the server nor the log, and the sheet
    // stays.
    EXPECT_EQ(requestsOf(kIndiciumWire), 0);
    EXPECT_TRUE(log->records.isEmpty());
    EXPECT_TRUE(panels.postageCorrectionSheet().open);
    ASSERT_EQ(printing->prints.size(), 1);
    EXPECT_TRUE(printing->prints.first().sample);
    EXPECT_FALSE(printing->prints.first().indicium.real);
    EXPECT_EQ(printing->prints.first().indicium.indiciumData, QByteArray("SAMPLE-INDICIUM"));
}

TEST_F(CorrectionsTest, ARealCorrectionIsLoggedBeforeItPrints)
{
    signIn(5000);
    // The record is logged before the printer is asked.
    bool loggedBeforePrint = false;
    struct CheckingPrinting : RecordingCorrectionPrinting {
        FakeMailingLog *log = nullptr;
        bool *loggedBeforePrint = nullptr;
        bool printPostageCorrection(CorrectionRoad road, const CorrectionIndicium &indicium, const QVShipment &record,
                                    bool sample) override
        {
            *loggedBeforePrint = log->records.size() == 1;
            return RecordingCorrectionPrinting::printPostageCorrection(road, indicium, record, sample);
        }
    };
    auto checking = std::make_shared<CheckingPrinting>();
    checking->log = log.get();
    checking->loggedBeforePrint = &loggedBeforePrint;
    setCorrectionPrinting(checking);
    correct(QStringLiteral("5.00"), false);
    EXPECT_TRUE(dialogs->alerts.isEmpty()) << qPrintable(alertTexts().join(" | "));
    EXPECT_EQ(requestsOf(kIndiciumWire), 1);
    EXPECT_TRUE(loggedBeforePrint);
    ASSERT_EQ(log->records.size(), 1);
    const QVariantMap &record = log->records.first();
    EXPECT_EQ(record.value(QVUSPSShipmentRHOTransactionTypeKey).toString(), QStringLiteral("Correction"));
    EXPECT_EQ(QVShipment(record).totalPrice(), Decimal(5));
    for (const QString &removed : removedKeys())
        EXPECT_FALSE(record.contains(removed)) << qPrintable(removed);
    EXPECT_EQ(record.value(QStringLiteral("QVShipmentReferenceIDKey")).toString(), QStringLiteral("INV-7"));
    EXPECT_EQ(record.value(QVUSPSShipmentPostageEnabledKey), QVariant(true));
    for (const QString &dated : {QVShipmentShipDateKey, QVShipmentPrintDateKey}) {
        const QDateTime when = record.value(dated).toDateTime();
        EXPECT_TRUE(when.isValid()) << qPrintable(dated);
        EXPECT_LT(when.secsTo(QDateTime::currentDateTime()), 60) << qPrintable(dated);
    }
    ASSERT_EQ(checking->prints.size(), 1);
    EXPECT_TRUE(checking->prints.first().indicium.real);
    EXPECT_EQ(checking->prints.first().indicium.webLine, QStringLiteral("CORRECTION"));
    EXPECT_EQ(checking->prints.first().road, CorrectionRoad::PlainPaperIndicium);
    EXPECT_FALSE(panels.postageCorrectionSheet().open);
    EXPECT_FALSE(panels.shipmentToCorrect());
    EXPECT_TRUE(host->called(QStringLiteral("refreshTolvaneStatus")));
}

TEST_F(CorrectionsTest, AnUnprintableCombinationBuysNothing)
{
    signIn(5000);
    const QList<std::tuple<QString, QString, CorrectionRoad>> roads = {
        {QVPlainPaperLabel, QVPlainPaperPrinter, CorrectionRoad::PlainPaperIndicium},
        {QVKIVO8836105Label, QVKIVOTagwrightPrinter, CorrectionRoad::PlainPaperIndicium},
        {QVKIVO51207Label, QVKIVOTagwrightPrinter, CorrectionRoad::LabelPrinterIndicium},
        {QVEPL2Label, QVZebra2844Printer, CorrectionRoad::Zebra},
        {QVZPLIILabel, QVZebra2844Printer, CorrectionRoad::Zebra},
        {QVKIVO51207Label, QVPlainPaperPrinter, CorrectionRoad::None},
    };
    for (const auto &[label, printer, road] : roads)
        EXPECT_EQ(correctionRoadForPrinter(label, printer), road) << qPrintable(label + " " + printer);
    defaults().setString(QVKIVO51207Label, QStringLiteral("printerLabel"));
    correct(QStringLiteral("1.00"), false);
    EXPECT_EQ(alertTexts(), QStringList{QStringLiteral("Postage corrections cannot be printed.")});
    EXPECT_EQ(requestsOf(kIndiciumWire), 0);
    EXPECT_TRUE(log->records.isEmpty());
    EXPECT_TRUE(panels.postageCorrectionSheet().open);
}

TEST_F(CorrectionsTest, DateCorrectionsPrintTheChosenDayFromTheLicenceZIP)
{
    signIn();
    panels.showDateCorrectionSheetOnWindow(TolvanePanelWindow::Other);
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(panels.dateCorrectionSheet().dayTitles.at(2),
              english.toString(QDate::currentDate().addDays(2), QStringLiteral("dddd")));
    panels.printDateCorrection();
    panels.showDateCorrectionSheetOnWindow(TolvanePanelWindow::Other);
    panels.dateCorrectionSheet().selectedDay = 2;
    panels.printDateCorrection();
    ASSERT_EQ(printing->prints.size(), 2);
    EXPECT_EQ(printing->prints.at(0).date, QDate::currentDate());
    EXPECT_EQ(printing->prints.at(1).date, QDate::currentDate().addDays(2));
    EXPECT_EQ(printing->prints.at(0).mailedFrom, QStringLiteral("Mailed from ZIP 94107"));
    EXPECT_FALSE(panels.dateCorrectionSheet().open);
    EXPECT_TRUE(log->records.isEmpty());
    EXPECT_EQ(requestsOf(kIndiciumWire), 0);
}

} // namespace
