// The stamp window's controller on plain state: set-up and the two modes
// (the label printer missing, the maker edition's reminders and titles),
// the sheet types, the class pop-up per mailpiece and mode, header defaults,
// rate up and down, the mailpiece change keeping the weight, values without
// a price, the sheet count, pricing against the balance, the reference ID
// row, the status line, the print buttons, the print settings and the
// repricing at the September 2014 date.
#include "stamps/TessaroController.h"
#include "stamps/TessaroTags.h"

#include "platform/UserDefaults.h"
#include "rates/QVUSPSRateClass.h"
#include "services/QVRHOCommandCenter.h"

#include "RecordingDialogs.h"
#include "StampTestSupport.h"
#include "TessaroTestHost.h"

#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

QList<int> tags(const QList<TessaroMenuItem> &items)
{
    QList<int> out;
    for (const TessaroMenuItem &item : items)
        out << item.tag;
    return out;
}

class TessaroControllerTest : public StampTest
{
protected:
    void SetUp() override
    {
        StampTest::SetUp();
        dialogs = std::make_shared<RecordingDialogs>();
        setDialogs(dialogs);
        host = std::make_shared<TessaroTestHost>();
        UserDefaults::standardUserDefaults().setBool(true, ShowStatusBarOnMasterControlDefaultsKey);
    }
    void TearDown() override
    {
        setDialogs(nullptr);
        StampTest::TearDown();
    }

    std::unique_ptr<TessaroController> load(int mode = TessaroController::SheetMode, bool maker = false)
    {
        UserDefaults::standardUserDefaults().setInteger(mode, TessaroModeDefaultsKey);
        UserDefaults::standardUserDefaults().setBool(maker, QStringLiteral("kivoStampsVersion"));
        auto controller = std::make_unique<TessaroController>(host, [this] { return clock; });
        layout.statusLineTemplate = QStringLiteral("Account <%accountNumber%> <%accountStatus%> $<%balance%>");
        controller->windowDidLoad(layout);
        return controller;
    }

    QDateTime clock = january2014();
    TessaroLayout layout;
    std::shared_ptr<RecordingDialogs> dialogs;
    std::shared_ptr<TessaroTestHost> host;
};

} // namespace

TEST_F(TessaroControllerTest, SetUpShowsTwentyFiveOneOunceLettersOnTheTwentyFourStampSheet)
{
    const auto window = load();
    EXPECT_TRUE(window->loaded());
    EXPECT_EQ(window->currentMode(), TessaroController::SheetMode);
    EXPECT_EQ(window->currentSheetType(), TessaroController::Sheet24);
    EXPECT_EQ(window->selectedTab(), QStringLiteral("sheet2000"));
    EXPECT_EQ(window->selectedMailpiece(), tessaro::FirstClassLetter);
    EXPECT_EQ(window->tagOfSelectedClassItem(), 100);
    ASSERT_EQ(window->stamps().size(), 25);
    for (const TessaroStamp &stamp : window->stamps())
        EXPECT_EQ(stamp, window->catalogue().requestForTag(100));
    EXPECT_EQ(window->cellAmounts().size(), 24);
    EXPECT_EQ(window->cellAmounts().first(), QStringLiteral(".48"));
    EXPECT_EQ(window->sheetStampsSummary(), QStringLiteral("24 stamps, $11.52 total."));
    EXPECT_EQ(window->sheetStampsSelected(), QStringLiteral("0 stamps selected."));
    EXPECT_EQ(window->sheetValue(), QStringLiteral("$11.52"));
    EXPECT_EQ(window->sheetCount(), 1);
    EXPECT_EQ(window->countCaption(), QStringLiteral("Select the number of sheets to print"));
    EXPECT_EQ(window->switcherSegment(), 0);
    EXPECT_TRUE(window->modeSwitcherShown());
    EXPECT_EQ(UserDefaults::standardUserDefaults().integerForKey(TessaroSheetTypeDefaultsKey), 2);
}

TEST_F(TessaroControllerTest, FirstStartInRollModeWithoutALabelPrinterOpensOnSheetsWithoutAnAlert)
{
    const auto window = load(TessaroController::RollMode);
    EXPECT_EQ(window->currentMode(), TessaroController::SheetMode);
    EXPECT_EQ(UserDefaults::standardUserDefaults().integerForKey(TessaroModeDefaultsKey), 1);
    EXPECT_TRUE(dialogs->alerts.isEmpty());
    EXPECT_TRUE(host->alerts.isEmpty());

    // A stored mode that is neither opens on sheets too.
    const auto other = load(7);
    EXPECT_EQ(other->currentMode(), TessaroController::SheetMode);
}

TEST_F(TessaroControllerTest, RollsWithoutALabelPrinterLaterAreRefusedWithAnAlert)
{
    const auto window = load();
    EXPECT_FALSE(window->setCurrentMode(TessaroController::RollMode));
    EXPECT_EQ(window->currentMode(), TessaroController::SheetMode);
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("Kivo printer unavailable."));
    EXPECT_TRUE(dialogs->alerts[0].informativeText.contains(QStringLiteral("Kivo Tagwright")));
    EXPECT_TRUE(dialogs->alerts[0].informativeText.contains(QStringLiteral("driver")));
    EXPECT_FALSE(window->setCurrentMode(5));
}

TEST_F(TessaroControllerTest, ModeChangesLayOutTheWindowAndAlwaysReturnToTheTwentyFourStampSheet)
{
    host->printer = true;
    const auto window = load();
    window->setCurrentSheetType(TessaroController::Sheet25);
    EXPECT_EQ(window->selectedTab(), QStringLiteral("sheet"));
    EXPECT_EQ(window->cellAmounts().size(), 25);

    QList<int> posted;
    const auto observer = NotificationCenter::defaultCenter().addObserver(
        TessaroPrintingModeDidChangeNotification,
        [&posted](const Notification &n) { posted << (n.object.shared<int>() ? *n.object.shared<int>() : -1); });

    ASSERT_TRUE(window->setCurrentMode(TessaroController::RollMode));
    EXPECT_EQ(window->selectedTab(), QStringLiteral("kivo"));
    EXPECT_EQ(window->switcherSegment(), 1);
    EXPECT_EQ(window->countCaption(), QStringLiteral("Select the number of stamps to print"));
    EXPECT_FALSE(window->amountCheckboxEnabled());
    EXPECT_FALSE(window->sheetBoxShown());
    EXPECT_TRUE(window->weighButtonShown());
    EXPECT_FALSE(window->selectAllShown());
    // The reference ID row is off by default: 75 points less.
    EXPECT_EQ(window->contentSize(), QSizeF(layout.contentSize.width(), layout.contentSize.height() - 75));
    EXPECT_EQ(window->tabViewSize(),
              QSizeF(layout.contentSize.width() - layout.postageAndAccountBoxWidth - 10, layout.tabViewSize.height()));
    EXPECT_EQ(window->kivoStampRequest(), window->catalogue().requestForTag(100));
    EXPECT_EQ(window->kivoDollarAmount(), QStringLiteral("0.480"));
    EXPECT_EQ(window->kivoDeviceID(), QStringLiteral("SAMPLE"));
    EXPECT_EQ(window->sheetValue(), QStringLiteral("$0.48"));

    ASSERT_TRUE(window->setCurrentMode(TessaroController::SheetMode));
    EXPECT_EQ(window->currentSheetType(), TessaroController::Sheet24);
    EXPECT_EQ(window->selectedTab(), QStringLiteral("sheet2000"));
    EXPECT_EQ(window->contentSize(), layout.contentSize);
    EXPECT_EQ(posted, (QList<int>{2, 1}));
    // Setting the same mode changes nothing and posts nothing.
    EXPECT_TRUE(window->setCurrentMode(TessaroController::SheetMode));
    EXPECT_EQ(posted.size(), 2);
    EXPECT_TRUE(dialogs->alerts.isEmpty());
    EXPECT_TRUE(host->alerts.isEmpty());
}

TEST_F(TessaroControllerTest, ClassMenuPerMailpieceAndMode)
{
    host->printer = true;
    const auto window = load();
    const QList<int> letters{2, 100, 101, 102, 103, 104, 901, 999, 10, 402};
    const QList<int> custom{999, 1001};
    EXPECT_EQ(tags(window->classMenuItems()), (QList<int>{0, 9999} + letters + custom));
    EXPECT_EQ(window->classMenuItems().last().title, QStringLiteral("Make Your Own\u2026"));
    EXPECT_EQ(window->classMenuItems().first().title, QStringLiteral("Blank"));

    window->changedMailpiece(tessaro::PriorityMailLargeBox);
    EXPECT_EQ(tags(window->classMenuItems()), (QList<int>{0, 9999, 11, 204, 999, 1001}));
    EXPECT_EQ(window->tagOfSelectedClassItem(), 204);

    window->setCurrentMode(TessaroController::RollMode);
    EXPECT_EQ(tags(window->classMenuItems()), (QList<int>{11, 204, 999, 1001}));
    window->changedMailpiece(tessaro::FirstClassLetter);
    EXPECT_EQ(tags(window->classMenuItems()), letters + custom);

    // The maker's edition offers no custom amounts.
    const auto maker = load(TessaroController::SheetMode, true);
    EXPECT_EQ(tags(maker->classMenuItems()), (QList<int>{0, 9999} + letters));
    EXPECT_FALSE(maker->modeSwitcherShown());
}

TEST_F(TessaroControllerTest, EnablingOfTheClassMenuAndRateUpAndDown)
{
    host->printer = true;
    const auto window = load();
    // Sheets: 0 Blank, 1 sep, 2 header, 3.. entries.
    window->setMailpieceToTag(tessaro::FirstClassLetter, 100);
    EXPECT_TRUE(window->validateMenuItem(window->classMenuItems()[0]));
    EXPECT_FALSE(window->validateMenuItem(window->classMenuItems()[2]));
    window->rateDown(); // over the header to the blank
    EXPECT_EQ(window->tagOfSelectedClassItem(), 0);
    EXPECT_FALSE(window->stamps().first());
    window->rateDown(); // at index 0 nothing moves
    EXPECT_EQ(window->selectedClassIndex(), 0);
    window->rateUp(); // over the separator and the header
    EXPECT_EQ(window->tagOfSelectedClassItem(), 100);
    window->setMailpieceToTag(-1, 901);
    window->rateUp(); // over the separator and "First-Class International"
    EXPECT_EQ(window->tagOfSelectedClassItem(), 402);

    // Rolls: the first entry is the lowest reachable; the header is skipped.
    window->setCurrentMode(TessaroController::RollMode);
    window->setMailpieceToTag(tessaro::FirstClassLetter, 101);
    EXPECT_FALSE(window->validateMenuItem(TessaroMenuItem{QStringLiteral("Blank"), 0, 0, false}));
    window->rateDown();
    EXPECT_EQ(window->tagOfSelectedClassItem(), 100);
    EXPECT_EQ(window->kivoStampRequest(), window->catalogue().requestForTag(100));
    window->rateDown(); // nothing earlier qualifies: index 0, the header, which stands for 100
    EXPECT_EQ(window->selectedClassIndex(), 0);
    EXPECT_EQ(window->kivoStampRequest(), window->catalogue().requestForTag(100));
}

TEST_F(TessaroControllerTest, HeadersStandForTheirDefaultValue)
{
    host->printer = true;
    const auto window = load();
    const struct {
        int mailpiece;
        int header;
        int value;
    } cases[] = {{1, 1, 114}, {2, 2, 100}, {3, 3, 120}, {4, 4, 140}, {5, 8, 203}, {5, 9, 501}, {6, 7, 202}};
    for (const auto &c : cases) {
        window->changedMailpiece(c.mailpiece);
        const int index = int(tags(window->classMenuItems()).indexOf(c.header));
        ASSERT_GE(index, 0) << c.header;
        window->chooseClassIndex(index);
        EXPECT_EQ(window->stamps().first(), window->catalogue().requestForTag(c.value)) << c.header;
    }
}

TEST_F(TessaroControllerTest, ChangingTheMailpieceKeepsTheWeightWhereItCan)
{
    host->printer = true;
    for (int mode : {TessaroController::SheetMode, TessaroController::RollMode}) {
        SCOPED_TRACE(mode);
        const auto window = load(mode);
        // A 4-ounce flat to letters: the first entry, not "3.5 oz.".
        window->setMailpieceToTag(tessaro::FirstClassFlat, tessaro::FirstClassFlatFourOunceTag);
        window->changedMailpiece(tessaro::FirstClassLetter);
        EXPECT_EQ(window->tagOfSelectedClassItem(), 100);
        // "3.5 oz." to flats: the 4-ounce flat.
        window->setMailpieceToTag(-1, 104);
        window->changedMailpiece(tessaro::FirstClassFlat);
        EXPECT_EQ(window->tagOfSelectedClassItem(), tessaro::FirstClassFlatFourOunceTag);
        // 2 ounces carry over from flats to parcels.
        window->setMailpieceToTag(-1, 121);
        window->changedMailpiece(tessaro::FirstClassParcel);
        EXPECT_EQ(window->tagOfSelectedClassItem(), 141);
        const TessaroStamp expected = window->catalogue().requestForTag(141);
        if (mode == TessaroController::RollMode)
            EXPECT_EQ(window->kivoStampRequest(), expected);
        else
            EXPECT_EQ(window->stamps().first(), expected);
    }
}

TEST_F(TessaroControllerTest, AValueWithoutAPriceMakesBlankPositions)
{
    host->printer = true;
    const auto window = load();
    window->setSelectedCells({0, 5});
    window->setMailpieceToTag(-1, 402); // no First-Class Mail International prices
    EXPECT_FALSE(window->stamps()[0]);
    EXPECT_FALSE(window->stamps()[5]);
    EXPECT_EQ(window->stamps()[1], window->catalogue().requestForTag(100));
    EXPECT_EQ(window->cellAmounts()[0], QString());
    EXPECT_EQ(window->sheetStampsSummary(), QStringLiteral("22 stamps, $10.56 total."));

    window->setCurrentMode(TessaroController::RollMode);
    window->setMailpieceToTag(-1, 402);
    EXPECT_FALSE(window->kivoStampRequest());
    EXPECT_EQ(window->pricePerPrint(), Decimal::zero());
}

TEST_F(TessaroControllerTest, SelectionDrivesThePopUps)
{
    const auto window = load();
    window->setSelectedCells({3});
    window->setMailpieceToTag(tessaro::PriorityMailEnvelope, 203);
    EXPECT_EQ(window->sheetStampsSelected(), QStringLiteral("1 stamp selected."));

    // Stamps of two values: neither pop-up shows a selection.
    window->setSelectedCells({2, 3});
    EXPECT_EQ(window->selectedMailpiece(), 0);
    EXPECT_EQ(window->tagOfSelectedClassItem(), 0);
    EXPECT_EQ(window->sheetStampsSelected(), QStringLiteral("2 stamps selected."));

    // The cell of the envelope alone: its mailpiece and value.
    window->setSelectedCells({3});
    EXPECT_EQ(window->selectedMailpiece(), tessaro::PriorityMailEnvelope);
    EXPECT_EQ(window->tagOfSelectedClassItem(), 203);

    // A right-click inside the selection keeps it; on another cell selects it alone.
    window->setSelectedCells({3, 4});
    window->rightClickedCell(4);
    EXPECT_EQ(window->selectedCellIndices(), (QList<int>{3, 4}));
    window->rightClickedCell(7);
    EXPECT_EQ(window->selectedCellIndices(), (QList<int>{7}));
    EXPECT_EQ(window->tagOfSelectedClassItem(), 100);

    window->selectAll();
    EXPECT_EQ(window->selectedCellIndices().size(), 24);
    window->clickedSheet();
    EXPECT_TRUE(window->selectedCellIndices().isEmpty());
    EXPECT_EQ(window->selectedCells().size(), 24);
}

TEST_F(TessaroControllerTest, TheCountStaysWithinOneAndNinetyNine)
{
    const auto window = load();
    window->setSheetCount(98);
    window->sheetCountUp();
    EXPECT_EQ(window->sheetCount(), 99);
    window->sheetCountUp();
    EXPECT_EQ(window->sheetCount(), 99);
    window->setSheetCount(2);
    window->sheetCountDown();
    window->sheetCountDown();
    EXPECT_EQ(window->sheetCount(), 1);
    window->sheetCountChanged(500);
    EXPECT_EQ(window->sheetCount(), 99);

    const struct {
        const char *typed;
        int count;
        const char *shown;
    } cases[] = {{"0", 1, "1"},         {"-4", 1, "1"},       {"", 1, "1"},
                 {"abc", 1, "1"},       {"7", 7, "7"},        {"99", 99, "99"},
                 {"100", 99, "99"},     {"100000", 99, "99"}, {"99999999999999999999", 99, "99"},
                 {"12abc", 12, "12abc"}};
    for (const auto &c : cases) {
        window->controlTextDidChange(QString::fromLatin1(c.typed));
        EXPECT_EQ(window->sheetCount(), c.count) << c.typed;
        EXPECT_EQ(window->sheetCountText(), QString::fromLatin1(c.shown)) << c.typed;
    }
    window->controlTextDidChange(QStringLiteral("3"));
    EXPECT_EQ(window->printOpTotalPrice(), Decimal::fromString(QStringLiteral("34.56")));
    EXPECT_EQ(window->prettyPrintOpTotalPrice(), QStringLiteral("$34.56"));
}

TEST_F(TessaroControllerTest, PricingAgainstTheBalance)
{
    const auto window = load();
    EXPECT_EQ(window->sheetBalance(), QStringLiteral("$0.00"));
    EXPECT_EQ(window->sheetEndingBalance(), QStringLiteral("$0.00"));

    host->status = statusReply(1234567, 0);
    window->setSheetCount(2);
    EXPECT_EQ(window->sheetTotal(), QStringLiteral("$23.04"));
    EXPECT_EQ(window->sheetEndingBalance(), QStringLiteral("$0.00"));

    host->status = statusReply(1234567, 1234500); // $1,234.50
    NotificationCenter::defaultCenter().post(QVRHOLastValidStatusResponseDidChange);
    EXPECT_EQ(window->sheetBalance(), QStringLiteral("$1,234.50"));
    EXPECT_EQ(window->sheetEndingBalance(), QStringLiteral("$1,211.46"));
    host->status = statusReply(1234567, 10000); // $10.00: the total is more
    window->updatePricing();
    EXPECT_EQ(window->sheetEndingBalance(), QStringLiteral("-$13.04"));

    const struct {
        const char *amount;
        const char *text;
    } cases[] = {{"0", "$0.00"},   {"0.02", "$0.02"}, {"999.995", "$1,000.00"}, {"1234567.8", "$1,234,567.80"},
                 {"-5", "-$5.00"}, {"100", "$100.00"}};
    for (const auto &c : cases)
        EXPECT_EQ(TessaroController::prettyDollarString(Decimal::fromString(QString::fromLatin1(c.amount))),
                  QString::fromLatin1(c.text))
            << c.amount;
}

TEST_F(TessaroControllerTest, StatusLineFromTheLastStatusReply)
{
    const auto window = load();
    EXPECT_EQ(window->statusLine(), QStringLiteral("Account 0  $"));
    host->status = statusReply(42, 5000);
    NotificationCenter::defaultCenter().post(QVRHOLastValidStatusResponseDidChange);
    EXPECT_EQ(window->statusLine(), QStringLiteral("Account 42 Active $5.00"));
    EXPECT_EQ(window->sheetBalance(), QStringLiteral("$5.00"));
}

TEST_F(TessaroControllerTest, ReferenceIDRowFollowsThePreference)
{
    host->printer = true;
    UserDefaults::standardUserDefaults().setBool(true, EnableTessaroReferenceIDDefaultsKey);
    const auto window = load(TessaroController::RollMode);
    EXPECT_TRUE(window->showReferenceID());
    EXPECT_EQ(window->contentSize(), layout.contentSize);
    EXPECT_EQ(window->numberTexts()[4], QStringLiteral("5"));
    window->setCurrentReferenceID(QStringLiteral("Dept 7"));

    UserDefaults::standardUserDefaults().setBool(false, EnableTessaroReferenceIDDefaultsKey);
    EXPECT_FALSE(window->showReferenceID());
    EXPECT_EQ(window->contentSize().height(), layout.contentSize.height() - 75);
    EXPECT_FALSE(window->currentReferenceID());
    EXPECT_EQ(window->numberTexts(), (std::array<QString, 5>{"1", "2", "3", "4", "4"}));

    window->toggleReferenceID();
    EXPECT_TRUE(window->showReferenceID());
    EXPECT_EQ(window->contentSize(), layout.contentSize);
    // Other preferences leave the row as the user put it.
    UserDefaults::standardUserDefaults().setInteger(3, QStringLiteral("someOtherSetting"));
    EXPECT_TRUE(window->showReferenceID());

    // On sheets the window keeps its size.
    window->setCurrentMode(TessaroController::SheetMode);
    window->toggleReferenceID();
    EXPECT_EQ(window->contentSize(), layout.contentSize);

    // The maker's edition has no reference ID.
    UserDefaults::standardUserDefaults().setBool(true, EnableTessaroReferenceIDDefaultsKey);
    const auto maker = load(TessaroController::RollMode, true);
    EXPECT_FALSE(maker->showReferenceID());
}

TEST_F(TessaroControllerTest, StatusBarHiddenAndShown)
{
    UserDefaults::standardUserDefaults().setBool(true, ShowStatusBarOnMasterControlDefaultsKey);
    const auto window = load();
    EXPECT_TRUE(window->statusBarShown());
    window->toggleStatusBar();
    EXPECT_FALSE(window->statusBarShown());
    EXPECT_FALSE(UserDefaults::standardUserDefaults().boolForKey(ShowStatusBarOnMasterControlDefaultsKey));
    EXPECT_EQ(window->contentSize().height(), layout.contentSize.height() - layout.statusBarHeight);
    // The maker's edition hides it.
    const auto maker = load(TessaroController::SheetMode, true);
    EXPECT_FALSE(maker->statusBarShown());
}

TEST_F(TessaroControllerTest, PrintButtonsReadRecoverInRecoveryModeInBothModes)
{
    host->printer = true;
    for (bool maker : {false, true}) {
        SCOPED_TRACE(maker);
        layout.printTitle = QStringLiteral("Print Stamps");
        const auto window = load(TessaroController::SheetMode, maker);
        EXPECT_EQ(window->printButtonTitle(), QStringLiteral("Print Stamps\u2026"));
        EXPECT_EQ(window->testPrintButtonTitle(), QStringLiteral("Test Print\u2026"));
        EXPECT_EQ(window->printMenuItemTitle(), window->printButtonTitle());
        window->setRecoveryMode(true);
        EXPECT_EQ(window->printButtonTitle(), QStringLiteral("Recover\u2026"));
        window->setCurrentMode(TessaroController::RollMode);
        EXPECT_EQ(window->printButtonTitle(), QStringLiteral("Recover\u2026"));
        EXPECT_EQ(window->testPrintButtonTitle(), QStringLiteral("Test Print"));
        window->setRecoveryMode(false);
        EXPECT_EQ(window->printButtonTitle(), maker ? QStringLiteral("Print") : QStringLiteral("Print Stamps"));
        EXPECT_EQ(window->printMenuItemTitle(), window->printButtonTitle());
    }
}

TEST_F(TessaroControllerTest, MakerEditionTitlesRemindersAndModeMenuItem)
{
    host->printer = true;
    const auto window = load(TessaroController::SheetMode, true);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Kivo Stamps Powered by Tolvane [test]"));
    EXPECT_EQ(window->progressPanelTitle(), QStringLiteral("Kivo Stamps"));
    EXPECT_EQ(host->modeMenuTitle, QStringLiteral("Switch to Label Rolls"));

    // Rolls for an ordinary account: no reminder; back to sheets: the sheet
    // reminder, and the alternate button opens the supply store.
    ASSERT_TRUE(window->setCurrentMode(TessaroController::RollMode));
    EXPECT_TRUE(host->alerts.isEmpty());
    EXPECT_EQ(host->modeMenuTitle, QStringLiteral("Switch to Stamp Sheets"));
    host->answer = 0;
    ASSERT_TRUE(window->setCurrentMode(TessaroController::SheetMode));
    EXPECT_EQ(host->alerts, QStringList{"kivoStampsSheetWarning|OK|Supply Store|1"});
    EXPECT_EQ(host->storeVisits, 1);

    // A Zevavored Azozudu account: its titles and the roll reminder.
    host->status = statusReply(1, 0, "SSES");
    host->alerts.clear();
    host->answer = 1;
    ASSERT_TRUE(window->setCurrentMode(TessaroController::RollMode));
    EXPECT_EQ(host->alerts, QStringList{"kivoStampsRollsWarning|OK|Supply Store|1"});
    EXPECT_EQ(host->storeVisits, 1);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Kivo Zevavored Azozudu Powered by Tolvane [test]"));
    EXPECT_EQ(window->progressPanelTitle(), QStringLiteral("Zevavored Azozudu"));
    ASSERT_TRUE(window->setCurrentMode(TessaroController::SheetMode));
    EXPECT_EQ(host->alerts.size(), 1);

    // Outside the maker's edition the window keeps the main window's title.
    const auto standard = load();
    EXPECT_EQ(standard->windowTitle(), QString());
}

TEST_F(TessaroControllerTest, SheetPrintSettings)
{
    const PrintInfo defaults = TessaroController::printInfo();
    EXPECT_EQ(defaults.orientation, PrintInfo::Orientation::Portrait);
    EXPECT_EQ(defaults.horizontalPagination, PrintInfo::Pagination::Clip);
    EXPECT_EQ(defaults.verticalPagination, PrintInfo::Pagination::Clip);
    EXPECT_FALSE(defaults.horizontallyCentered);
    EXPECT_EQ(defaults.leftMargin + defaults.rightMargin + defaults.topMargin + defaults.bottomMargin, 0);
    EXPECT_EQ(defaults.duplex, PrintInfo::Duplex::OneSided);

    TessaroController::setPrintInfo(defaults);
    EXPECT_FALSE(UserDefaults::standardUserDefaults().objectForKey(TessaroPrintInfoDefaultsKey).isValid());

    PrintInfo landscape = defaults;
    landscape.orientation = PrintInfo::Orientation::Landscape;
    TessaroController::setPrintInfo(landscape);
    EXPECT_EQ(TessaroController::printInfo(), landscape);

    // Damaged settings read as the defaults; nothing removes them.
    UserDefaults::standardUserDefaults().setObject(QByteArray("not a property list"), TessaroPrintInfoDefaultsKey);
    EXPECT_EQ(TessaroController::printInfo(), defaults);
    TessaroController::setPrintInfo(std::nullopt);
    EXPECT_FALSE(UserDefaults::standardUserDefaults().objectForKey(TessaroPrintInfoDefaultsKey).isValid());
}

TEST_F(TessaroControllerTest, TheCatalogueIsRepricedWhenTheSeptemberPricesTakeEffect)
{
    const auto window = load();
    window->setMailpieceToTag(tessaro::PriorityMailEnvelope, 203);
    EXPECT_EQ(window->classMenuItems()[3].title, QStringLiteral("Flat Rate Envelope ($5.60)"));
    ASSERT_TRUE(window->repricingTimer().isActive());
    EXPECT_EQ(window->repricingTimer().interval(), 24 * 60 * 60 * 1000);

    // Not yet: the timer waits on.
    clock = QDateTime(QDate(2014, 9, 6), QTime(23, 59));
    window->repricingTimerFired();
    EXPECT_TRUE(window->repricingTimer().isActive());
    EXPECT_EQ(window->repricingTimer().interval(),
              clock.msecsTo(QVUSPSSep2014RateClass::classObject().effectiveDate()));
    EXPECT_EQ(window->stamps().first()->postage(), Decimal::fromString(QStringLiteral("5.60")));

    clock = september2014();
    window->repricingTimerFired();
    EXPECT_FALSE(window->repricingTimer().isActive());
    EXPECT_EQ(window->classMenuItems()[3].title, QStringLiteral("Flat Rate Envelope ($5.75)"));
    EXPECT_EQ(window->stamps().first()->postage(), Decimal::fromString(QStringLiteral("5.75")));
    EXPECT_EQ(window->sheetStampsSummary(), QStringLiteral("24 stamps, $138.00 total."));

    // A window opened under the new prices sets no timer.
    const auto later = load();
    EXPECT_FALSE(later->repricingTimer().isActive());
}
