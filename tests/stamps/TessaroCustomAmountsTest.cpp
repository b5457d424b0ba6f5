// Custom stamp amounts ("Make Your Own"): the class tag table, the typed
// amount's reader, the panel opened on the stamp chosen, OK in both modes
// and with bad amounts, Cancel, and the menus of the maker's edition; and the
// guide page's bridge table and its calls.
#include "stamps/TessaroController.h"
#include "stamps/TessaroCustomAmounts.h"
#include "stamps/TessaroGuide.h"
#include "stamps/TessaroTags.h"

#include "platform/UserDefaults.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClassNames.h"
#include "services/QVRHOCommandCenter.h"

#include "TessaroWindowFixture.h"

#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

class TessaroCustomAmountsTest : public TessaroWindowTest
{
protected:
    void load(int mode, bool maker = false) { loadWindow(mode, maker); }

    // Chooses "Make Your Own…" in the class pop-up.
    void chooseMakeYourOwn()
    {
        const QList<TessaroMenuItem> &items = window->classMenuItems();
        for (qsizetype i = 0; i < items.size(); ++i)
            if (items[i].tag == tessaro::CustomAmountTag) {
                window->chooseClassIndex(int(i));
                return;
            }
        FAIL() << "no Make Your Own item";
    }
};

} // namespace

TEST_F(TessaroCustomAmountsTest, ClassTagTable)
{
    const std::pair<QString, int> cases[] = {
        {QVUSPSPriorityMail, 100},
        {QVUSPSPriorityMailFlatRate, 100},
        {QVUSPSPriorityMailFlatBoxRate, 100},
        {QVUSPSPriorityMailLargeFlatBoxRate, 100},
        {QVUSPSFirstClassMail, 101},
        {QVUSPSMediaMail, 102},
        {QVUSPSLibraryMail, 103},
        {QVUSPSExpressMail, 104},
        {QVUSPSExpressMailFlatRate, 104},
        {QVUSPSIntlRateClass::rateClassTags().first(), 200},
        {QVUSPSIntlRateClass::rateClassTags().last(), 200 + int(QVUSPSIntlRateClass::rateClassTags().size()) - 1},
        {QStringLiteral("QVUSPSNoSuchClass"), -1},
    };
    for (const auto &[name, tag] : cases) {
        EXPECT_EQ(tessaro::customTagForRateClassName(name), tag) << name.toStdString();
        if (tag >= 0 && !name.contains(QLatin1String("Flat"))) {
            EXPECT_EQ(tessaro::customClassNameForTag(tag), name);
        }
    }
    EXPECT_TRUE(tessaro::customClassNameForTag(105).isNull());
    EXPECT_TRUE(tessaro::customClassNameForTag(99).isNull());
    EXPECT_TRUE(tessaro::customClassNameForTag(200 + int(QVUSPSIntlRateClass::rateClassTags().size())).isNull());
}

TEST_F(TessaroCustomAmountsTest, TypedAmountsMustBeWholeMilsAboveZero)
{
    const std::pair<const char *, const char *> good[] = {{"1.5", "1.5"}, {" 0.001 ", "0.001"}, {"$2.25", "2.25"},
                                                          {"12", "12"},   {".45", "0.45"},      {"3.1400", "3.14"}};
    for (const auto &[text, value] : good) {
        const auto amount = tessaro::customAmountFromText(QString::fromLatin1(text));
        ASSERT_TRUE(amount) << text;
        EXPECT_EQ(*amount, Decimal::fromString(QString::fromLatin1(value))) << text;
    }
    const char *bad[] = {"",       "0",   "0.000", "-1",          "0.0001",
                         "1.2345", "abc", "1e3",   "1,50",        "1.2.3",
                         ".",      "$",   "+1",    "4294967.296", "99999999999999999999"};
    for (const char *text : bad)
        EXPECT_FALSE(tessaro::customAmountFromText(QString::fromLatin1(text))) << text;
    EXPECT_TRUE(tessaro::customAmountFromText(QStringLiteral("4294967.295")));
}

TEST_F(TessaroCustomAmountsTest, PanelOpensOnTheStampChosen)
{
    load(TessaroController::SheetMode);
    // A blank position shows the tag-100 stamp.
    window->setSelectedCells({3});
    window->setMailpieceToTag(-1, tessaro::BlankTag);
    ASSERT_FALSE(window->stamps()[3]);
    chooseMakeYourOwn();
    TessaroCustomAmountPanel &panel = window->customAmountPanel();
    ASSERT_TRUE(panel.isShown());
    const TessaroStamp letter = window->catalogue().requestForTag(100);
    EXPECT_EQ(panel.amountText(), letter->postage().toString());
    EXPECT_EQ(panel.selectedClassTag(), 101);
    panel.cancel();
    EXPECT_FALSE(panel.isShown());
    EXPECT_EQ(window->tagOfSelectedClassItem(), tessaro::BlankTag);

    // Flat-rate stamps open on Priority Mail and Priority Mail Express.
    const std::pair<int, int> flatRates[] = {{203, 100}, {202, 100}, {204, 100}, {501, 104}, {503, 104}};
    for (const auto &[classTag, panelTag] : flatRates) {
        window->setMailpieceToTag(window->catalogue().mailpieceForClassTag(classTag), classTag);
        ASSERT_EQ(window->stamps()[3], window->catalogue().requestForTag(classTag));
        window->runCustomAmountPanel();
        EXPECT_EQ(panel.selectedClassTag(), panelTag) << classTag;
        panel.cancel();
    }
}

TEST_F(TessaroCustomAmountsTest, OkWithoutSelectionFillsEveryPosition)
{
    load(TessaroController::SheetMode);
    chooseMakeYourOwn();
    TessaroCustomAmountPanel &panel = window->customAmountPanel();
    panel.setAmountText(QStringLiteral("1.234"));
    panel.selectClassTag(101);
    ASSERT_TRUE(panel.ok());
    EXPECT_FALSE(panel.isShown());
    for (int cell = 0; cell < window->stampsForCurrentSheetType(); ++cell) {
        const TessaroStamp stamp = window->stamps()[cell];
        ASSERT_TRUE(stamp) << cell;
        EXPECT_EQ(stamp->postage(), Decimal::fromString(QStringLiteral("1.234")));
        EXPECT_EQ(stamp->postageString(), QStringLiteral("1.234"));
        EXPECT_EQ(stamp->amountMils(), 1234u);
        EXPECT_EQ(stamp->mailClass(), QVUSPSFirstClassMail);
        EXPECT_EQ(stamp->size(), QVUSPSRegularSize);
        EXPECT_EQ(stamp->weightInOunces(), 1u);
        EXPECT_TRUE(stamp->customAmount());
        EXPECT_FALSE(stamp->isInternational());
    }
    EXPECT_EQ(window->sheetValue(), QStringLiteral("$29.62")); // 24 x 1.234

    // With a selection only the selected positions change; an international
    // class makes an international stamp.
    window->setSelectedCells({0, 5});
    window->runCustomAmountPanel();
    panel.setAmountText(QStringLiteral("2"));
    panel.selectClassTag(200);
    ASSERT_TRUE(panel.ok());
    EXPECT_TRUE(window->stamps()[0]->isInternational());
    EXPECT_EQ(window->stamps()[5]->mailClass(), QVUSPSIntlRateClass::rateClassTags().first());
    EXPECT_EQ(window->stamps()[1]->mailClass(), QVUSPSFirstClassMail);
}

TEST_F(TessaroCustomAmountsTest, BadAmountsAreRefusedAndChangeNothing)
{
    for (const int mode : {TessaroController::SheetMode, TessaroController::RollMode}) {
        load(mode);
        const QList<TessaroStamp> stamps = window->stamps();
        const TessaroStamp roll = window->kivoStampRequest();
        dialogs->alerts.clear();
        chooseMakeYourOwn();
        TessaroCustomAmountPanel &panel = window->customAmountPanel();
        for (const char *text : {"0.0001", "0", "-2", "", "ten"}) {
            panel.setAmountText(QString::fromLatin1(text));
            EXPECT_FALSE(panel.ok()) << text;
            EXPECT_TRUE(panel.isShown());
        }
        ASSERT_EQ(dialogs->alerts.size(), 5);
        EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("Invalid postage amount."));
        EXPECT_EQ(dialogs->alerts[0].informativeText,
                  QStringLiteral("You must enter a dollar amount greater than $0.00."));
        EXPECT_EQ(window->stamps(), stamps);
        EXPECT_EQ(window->kivoStampRequest(), roll);
    }
}

TEST_F(TessaroCustomAmountsTest, RollModeMakesTheRollStampAndCancelShowsItsClass)
{
    load(TessaroController::RollMode);
    const TessaroStamp before = window->kivoStampRequest();
    chooseMakeYourOwn();
    TessaroCustomAmountPanel &panel = window->customAmountPanel();
    EXPECT_EQ(panel.amountText(), before->postage().toString());
    panel.cancel();
    EXPECT_EQ(window->tagOfSelectedClassItem(), 100);
    EXPECT_EQ(window->kivoStampRequest(), before);

    chooseMakeYourOwn();
    panel.setAmountText(QStringLiteral("7.5"));
    panel.selectClassTag(104);
    ASSERT_TRUE(panel.ok());
    ASSERT_TRUE(window->kivoStampRequest());
    EXPECT_EQ(window->kivoStampRequest()->mailClass(), QVUSPSExpressMail);
    EXPECT_EQ(window->kivoDollarAmount(), QStringLiteral("7.500"));
    EXPECT_EQ(window->sheetValue(), QStringLiteral("$7.50"));
}

TEST_F(TessaroCustomAmountsTest, MakerEditionOffersNoMakeYourOwn)
{
    for (const bool maker : {false, true}) {
        load(TessaroController::SheetMode, maker);
        for (int mailpiece = tessaro::FirstMailpieceTag; mailpiece <= tessaro::LastMailpieceTag; ++mailpiece) {
            window->changedMailpiece(mailpiece);
            bool offered = false;
            for (const TessaroMenuItem &item : window->classMenuItems())
                offered = offered || item.tag == tessaro::CustomAmountTag;
            EXPECT_EQ(offered, !maker) << mailpiece;
        }
    }
}

// ---- The guide page's bridge -------------------------------------------------------

TEST_F(TessaroCustomAmountsTest, GuideBridgeTable)
{
    using Choice = TessaroGuideMeWindowController::Choice;
    struct Case {
        const char *mailpiece, *mailClass;
        Choice choice;
    };
    const Case cases[] = {
        {"LetterEnvelope", "anything", {2, 100}},
        {"Postcard", "Priority", {1, 114}},
        {"Package", "Priority", {4, 201}},
        {"Package", "FirstClass", {4, 140}},
        {"Package", "Express", {4, -1}},
        {"LargeEnvelope", "Priority", {3, 201}},
        {"LargeEnvelope", "FirstClass", {3, 120}},
        {"LargeEnvelope", "Media", {3, -1}},
        {"FlatRateEnvelope", "Express", {5, 501}},
        {"FlatRateEnvelope", "Priority", {5, 203}},
        {"FlatRateEnvelope", "FirstClass", {5, -1}},
        {"FlatRateBox", "", {6, 202}},
        {"LargeFlatRateBox", "x", {7, 204}},
        {"SmallFlatRateBox", "x", {8, 205}},
        {"package", "Priority", {-1, -1}},
        {"Package", "priority", {4, -1}},
        {"", "", {-1, -1}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TessaroGuideMeWindowController::choiceForGuide(QString::fromLatin1(c.mailClass),
                                                                 QString::fromLatin1(c.mailpiece)),
                  c.choice)
            << c.mailpiece << " / " << c.mailClass;
}

TEST_F(TessaroCustomAmountsTest, GuideSetsTheStampWindowAndLogsOtherCalls)
{
    load(TessaroController::RollMode);
    TessaroGuideMeWindowController guide(window.get());
    guide.setMailClassTo(QStringLiteral("Priority"), QStringLiteral("Package"));
    EXPECT_EQ(window->selectedMailpiece(), 4);
    EXPECT_EQ(window->kivoStampRequest(), window->catalogue().requestForTag(201));
    // "Express" with a package sets the mailpiece only.
    guide.setMailClassTo(QStringLiteral("Express"), QStringLiteral("Package"));
    EXPECT_EQ(window->selectedMailpiece(), 4);
    EXPECT_EQ(window->kivoStampRequest(), window->catalogue().requestForTag(140));
    guide.setMailClassTo(QStringLiteral("FirstClass"), QStringLiteral("LargeEnvelope"));
    EXPECT_EQ(window->selectedMailpiece(), 3);
    EXPECT_EQ(window->tagOfSelectedClassItem(), 120);
    // An unknown mailpiece changes nothing.
    guide.setMailClassTo(QStringLiteral("Priority"), QStringLiteral("Crate"));
    EXPECT_EQ(window->selectedMailpiece(), 3);
    EXPECT_EQ(window->tagOfSelectedClassItem(), 120);

    EXPECT_EQ(guide.unknownCall(QStringLiteral("openFile"), {QStringLiteral("/etc/passwd")}), QString());
    EXPECT_EQ(guide.unknownCalls(), QStringList{QStringLiteral("openFile, /etc/passwd")});
    EXPECT_EQ(window->tagOfSelectedClassItem(), 120);

    EXPECT_FALSE(guide.closeRequested());
    guide.closeGuideMeWindow();
    EXPECT_TRUE(guide.closeRequested());

    dialogs->answers = {0, 1};
    EXPECT_FALSE(guide.scriptConfirm(QStringLiteral("Sure?")));
    EXPECT_TRUE(guide.scriptConfirm(QStringLiteral("Sure?")));
    guide.scriptAlert(QStringLiteral("Hello"));
    ASSERT_EQ(dialogs->alerts.size(), 3);
    EXPECT_EQ(dialogs->alerts[2].messageText, QStringLiteral("JavaScript"));
    EXPECT_EQ(dialogs->alerts[2].informativeText, QStringLiteral("Hello"));
    EXPECT_EQ(dialogs->alerts[0].buttons.size(), 2);
}

TEST_F(TessaroCustomAmountsTest, GuideAddressFromTheDefaults)
{
    TessaroGuideMeWindowController guide;
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    EXPECT_FALSE(guide.guideMeURL());
    defaults.setObject(QStringLiteral("www.example.test"), QVRHOWebSiteDefaultsKey);
    EXPECT_EQ(guide.guideMeURL(), QUrl(QStringLiteral("https://www.example.test/mac/guideme/")));
    defaults.setObject(QStringLiteral("file:///tmp/guide.html"), GuideMeURLDefaultsKey);
    EXPECT_EQ(guide.guideMeURL(), QUrl(QStringLiteral("file:///tmp/guide.html")));
}
