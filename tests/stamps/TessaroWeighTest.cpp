// Weighing in the stamp window: the roll stamp chosen by the weight of a
// fake scale reading, the choice sheet's texts, offers and button tags, the
// alerts, the scale status line with its fade on a virtual clock, and the
// choice sheet's layout and decisions.
#include "stamps/TessaroController.h"
#include "stamps/TessaroCustomAmounts.h"
#include "stamps/TessaroDecisionTree.h"
#include "stamps/TessaroTags.h"
#include "stamps/TessaroWeigh.h"

#include "platform/UserDefaults.h"
#include "rates/QVUSPSIntlRateClass.h"

#include "TessaroWindowFixture.h"

#include <gtest/gtest.h>

#include <map>

using namespace tolvane::test;

namespace {

class FakeScale : public TessaroScaleReader
{
public:
    std::optional<TessaroScaleReading> reading;
    int reads = 0;
    std::optional<TessaroScaleReading> read() override
    {
        ++reads;
        return reading;
    }
};

// Delayed calls on a virtual clock that the test moves on.
class VirtualDelayedCalls : public TessaroDelayedCalls
{
public:
    explicit VirtualDelayedCalls(double *now) : m_now(now) {}
    void performAfterDelay(double seconds, std::function<void()> call) override
    {
        m_pending.emplace(*m_now + seconds, std::move(call));
    }
    void cancelAll() override { m_pending.clear(); }
    // Runs every call due by `seconds` from now, in order.
    void advance(double seconds)
    {
        const double end = *m_now + seconds;
        while (!m_pending.empty() && m_pending.begin()->first <= end + 1e-9) {
            auto call = std::move(m_pending.begin()->second);
            *m_now = m_pending.begin()->first;
            m_pending.erase(m_pending.begin());
            call();
        }
        *m_now = end;
    }
    size_t pending() const { return m_pending.size(); }

private:
    double *m_now;
    std::multimap<double, std::function<void()>> m_pending;
};

// A raw reading with its whole ounces rounded up, as the scale gives them.
TessaroScaleReading ounces(double raw, qint64 status = 0x74)
{
    qint64 whole = qint64(raw);
    if (double(whole) < raw)
        ++whole;
    return {raw, whole, status};
}

class TessaroWeighTest : public TessaroWindowTest
{
protected:
    // The window in the mode with the roll stamp of the tags chosen.
    void load(int mode, int mailpiece = tessaro::FirstClassLetter, int classTag = 100)
    {
        loadWindow(mode);
        window->setMailpieceToTag(mailpiece, classTag);
        auto reader = std::make_shared<FakeScale>();
        scale = reader.get();
        window->weighing().setScaleReader(reader);
        auto virtualCalls = std::make_unique<VirtualDelayedCalls>(&now);
        calls = virtualCalls.get();
        window->weighing().setDelayedCalls(std::move(virtualCalls));
    }

    void weigh(double raw)
    {
        scale->reading = ounces(raw);
        window->tessaroWeigh();
    }

    int selectedChoice() const
    {
        return tessaro::choiceTag(window->selectedMailpiece(), window->tagOfSelectedClassItem());
    }
    QString price(int tag) const { return window->catalogue().requestForTag(tag)->twoDigitPostageString(); }
    QVariantMap sheet() const
    {
        const auto choice = window->weighing().choiceSheet();
        return choice ? window->weighing().lastChoiceOptions() : QVariantMap();
    }
    // The button tags of the sheet (1-7), 0 where a button is missing.
    QList<int> buttonTags() const
    {
        QList<int> tags;
        const QVariantMap options = sheet();
        for (int n = 1; n <= 7; ++n)
            tags << options.value(QStringLiteral("button%1tag").arg(n)).toInt();
        return tags;
    }

    double now = 0;
    FakeScale *scale = nullptr;
    VirtualDelayedCalls *calls = nullptr;
};

} // namespace

TEST_F(TessaroWeighTest, SheetModeDoesNothingAtAll)
{
    load(TessaroController::SheetMode);
    const QList<TessaroStamp> before = window->stamps();
    weigh(5.0);
    EXPECT_EQ(scale->reads, 0);
    EXPECT_TRUE(window->weighing().scaleStatusString().isEmpty());
    EXPECT_EQ(calls->pending(), 0u);
    EXPECT_EQ(window->stamps(), before);
    EXPECT_TRUE(dialogs->alerts.isEmpty());
}

TEST_F(TessaroWeighTest, WeightsThatFitSelectTheFirstClassValue)
{
    struct Case {
        int mailpiece, classTag;
        double raw;
        int expected;
    };
    const Case cases[] = {
        {tessaro::FirstClassLetter, 100, 0.0, 2100}, // a reading of 0 counts as 1 oz.
        {tessaro::FirstClassLetter, 100, 3.2, 2104}, // 4 oz.: the "3.5 oz." letter
        {tessaro::FirstClassLetter, 104, 1.5, 2101 + 1}, {tessaro::FirstClassFlat, 120, 13.0, 3132},
        {tessaro::FirstClassFlat, 120, 4.2, 3124},       {tessaro::FirstClassParcel, 140, 7.7, 4147},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(QStringLiteral("%1/%2 at %3 oz.").arg(c.mailpiece).arg(c.classTag).arg(c.raw).toStdString());
        load(TessaroController::RollMode, c.mailpiece, c.classTag);
        weigh(c.raw);
        EXPECT_EQ(selectedChoice(), c.expected);
        EXPECT_EQ(window->kivoStampRequest(), window->catalogue().requestForTag(c.expected % 1000));
        EXPECT_FALSE(window->weighing().choiceSheet());
        EXPECT_TRUE(dialogs->alerts.isEmpty());
    }
}

TEST_F(TessaroWeighTest, AHeavyLetterOffersFlatsPackagesAndFlatRateEnvelopes)
{
    load(TessaroController::RollMode);
    weigh(3.6);
    const QVariantMap options = sheet();
    ASSERT_FALSE(options.isEmpty());
    EXPECT_EQ(options.value("title").toString(), QStringLiteral("Your mailpiece weighs over 3.5 oz."));
    EXPECT_EQ(options.value("body").toString(),
              QStringLiteral("USPS no longer classifies this mailpiece as a letter. Depending on the dimensions, this "
                             "mailpiece is either a large envelope (flat) or a package.\n\nSelect a rate class from "
                             "the buttons to the right. For Priority Mail Express or Priority Mail Flat Rate postage, "
                             "you must use the appropriate USPS Flat Rate packaging.\n\nClick Keep Selected Rate to "
                             "keep the postage amount selected prior to clicking Weigh."));
    EXPECT_EQ(buttonTags(), (QList<int>{3123, 4143, 5203, 5501, 0, 0, 2100}));
    EXPECT_EQ(options.value("button1title").toString(), QStringLiteral("Use First-Class Flat ($%1)").arg(price(123)));
    EXPECT_EQ(options.value("button1icon").toString(), QStringLiteral("popup_flat"));
    EXPECT_EQ(options.value("button2title").toString(),
              QStringLiteral("Use First-Class Package ($%1)").arg(price(143)));
    EXPECT_EQ(options.value("button4title").toString(),
              QStringLiteral("Use Priority Mail Express Flat Rate Envelope ($%1)").arg(price(501)));
    EXPECT_EQ(options.value("button7title").toString(), QStringLiteral("Keep Selected Rate ($%1)").arg(price(100)));
    // Nothing changes until a button is pressed.
    EXPECT_EQ(selectedChoice(), 2100);
    EXPECT_EQ(window->weighing().scaleStatusString(), QStringLiteral("Weight: 3.6 oz."));

    window->weighing().choiceSheet()->decide(2);
    EXPECT_EQ(selectedChoice(), 4143);
    EXPECT_EQ(window->kivoStampRequest(), window->catalogue().requestForTag(143));
    EXPECT_FALSE(window->weighing().choiceSheet());
}

TEST_F(TessaroWeighTest, PiecesOverThirteenOuncesAreOfferedOnlyFlatRatePostage)
{
    struct Case {
        int mailpiece, classTag;
        double raw;
        QList<int> tags;
        QString body;
    };
    const QString b2 = QStringLiteral(
        "USPS does not allow First-Class postage for mailpieces at this weight.\n\nZevavored Azozudu supports "
        "printing Priority Mail Express or Priority Mail Flat Rate postage for mailpieces at this weight.\n\nSelect a "
        "rate class from the buttons to the right. For Priority Mail Express or Priority Mail Flat Rate postage, you "
        "must use the appropriate USPS Flat Rate packaging.\n\nClick Keep Selected Rate to keep the postage amount "
        "selected prior to clicking Weigh.");
    const QString b4 = QStringLiteral(
        "USPS does not allow Postcard postage for mailpieces at this weight.\n\nZevavored Azozudu supports printing "
        "Priority Mail or Priority Mail Express postage for mailpieces at this weight.\n\nSelect a rate class from "
        "the buttons to the right. For Priority Mail or Priority Mail Express Flat Rate postage, you must use the "
        "appropriate USPS Flat Rate packaging.\n\nClick Keep Selected Rate to keep the postage amount selected "
        "prior to clicking Weigh.");
    const Case cases[] = {
        {tessaro::FirstClassLetter, 100, 13.5, {5203, 5501, 0, 0, 0, 0, 2100}, b2},
        {tessaro::FirstClassFlat, 121, 13.1, {5203, 6202, 7204, 5501, 6503, 0, 3121}, b2},
        {tessaro::FirstClassParcel, 141, 20.0, {5203, 6202, 8205, 7204, 5501, 6503, 4141}, b2},
        {tessaro::Postcard, 114, 13.2, {5203, 5501, 0, 0, 0, 0, 1114}, b4},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 at %2 oz.").arg(c.mailpiece).arg(c.raw).toStdString());
        load(TessaroController::RollMode, c.mailpiece, c.classTag);
        weigh(c.raw);
        EXPECT_EQ(sheet().value("title").toString(), QStringLiteral("Your mailpiece weighs over 13 oz."));
        EXPECT_EQ(sheet().value("body").toString(), c.body);
        EXPECT_EQ(buttonTags(), c.tags);
        EXPECT_EQ(selectedChoice(), c.tags.last());
    }
}

TEST_F(TessaroWeighTest, PostcardsOverOneOunceAreOfferedALetterOrAFlat)
{
    load(TessaroController::RollMode, tessaro::Postcard, 114);
    weigh(0.9);
    EXPECT_FALSE(window->weighing().choiceSheet());
    EXPECT_EQ(selectedChoice(), 1114);
    EXPECT_EQ(window->weighing().scaleStatusString(), QStringLiteral("Weight: 0.9 oz."));

    weigh(1.2);
    EXPECT_EQ(sheet().value("title").toString(), QStringLiteral("Your mailpiece weighs 1.2 oz."));
    EXPECT_EQ(sheet().value("body").toString(),
              QStringLiteral("USPS does not allow Postcard rate postage for postcards weighing more than 1 oz.\n\n"
                             "Click Use First-Class Letter from the buttons to the right.\n\nClick Keep Selected "
                             "Rate to keep the postage amount selected prior to clicking Weigh."));
    EXPECT_EQ(buttonTags(), (QList<int>{2102, 0, 0, 0, 0, 0, 1114}));
    EXPECT_EQ(sheet().value("button1title").toString(), QStringLiteral("First-Class Letter ($%1)").arg(price(102)));
    EXPECT_EQ(sheet().value("button1icon").toString(), QStringLiteral("popup_envelope"));

    weigh(5.0);
    EXPECT_EQ(buttonTags(), (QList<int>{3124, 0, 0, 0, 0, 0, 1114}));
    EXPECT_EQ(sheet().value("body").toString(),
              QStringLiteral("USPS does not allow Postcard rate postage for postcards weighing more than 1 oz.\n\n"
                             "Click Use First-Class Flat from the buttons to the right.\n\nClick Keep Selected "
                             "Rate to keep the postage amount selected prior to clicking Weigh."));
    // The keep button changes nothing.
    window->weighing().choiceSheet()->decide(7);
    EXPECT_EQ(selectedChoice(), 1114);
}

TEST_F(TessaroWeighTest, WeightTextsUsePoundsAboveFifteenOunces)
{
    load(TessaroController::RollMode, tessaro::PriorityMailEnvelope, 203);
    const std::pair<double, const char *> cases[] = {{17.4, "Weight: 1 lb 1.4 oz."},
                                                     {15.2, "Weight: 0 lb 15.2 oz."},
                                                     {15.0, "Weight: 15.0 oz."},
                                                     {0.0, "Weight: 0.0 oz."}};
    for (const auto &[raw, text] : cases) {
        weigh(raw);
        EXPECT_EQ(window->weighing().scaleStatusString(), QString::fromLatin1(text));
    }
}

TEST_F(TessaroWeighTest, InternationalStampsOverOneOunceAreRefused)
{
    load(TessaroController::RollMode);
    // The shipped tables price no international stamp: a custom one.
    const int intlTag = tessaro::customTagForRateClassName(QVUSPSIntlFirstClassMailIntl);
    window->setKivoStampRequest(tessaro::customStampRequest(Decimal(1), intlTag));
    ASSERT_TRUE(window->kivoStampRequest());
    ASSERT_TRUE(window->kivoStampRequest()->isInternational());
    const int before = selectedChoice();
    weigh(1.0);
    EXPECT_TRUE(dialogs->alerts.isEmpty());
    weigh(2.0);
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("Your International mailpiece weighs over 1 oz."));
    EXPECT_TRUE(dialogs->alerts[0].informativeText.startsWith(
        QStringLiteral("Zevavored Azozudu does not support International postage for mailpieces over 1 oz.")));
    EXPECT_EQ(selectedChoice(), before);
    EXPECT_FALSE(window->weighing().choiceSheet());
}

TEST_F(TessaroWeighTest, UnderZeroAndNoScale)
{
    load(TessaroController::RollMode);
    window->scaleWasAdded();
    scale->reading = ounces(-0.4, TessaroWeighing::UnderZeroStatus);
    window->tessaroWeigh();
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("Your scale is under zero."));
    EXPECT_EQ(
        dialogs->alerts[0].informativeText,
        QStringLiteral("The scale must be reset to zero. Remove items from the scale and press the Tare button."));
    EXPECT_TRUE(window->weighing().scaleStatusString().isEmpty());
    // An empty text is not faded, and the earlier fade is cancelled.
    EXPECT_EQ(calls->pending(), 0u);
    EXPECT_EQ(selectedChoice(), 2100);

    scale->reading.reset();
    window->tessaroWeigh();
    EXPECT_EQ(window->weighing().scaleStatusString(), QStringLiteral("Scale not connected."));
    EXPECT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(selectedChoice(), 2100);
}

TEST_F(TessaroWeighTest, StatusTextStaysThreeSecondsAndFadesOverTwo)
{
    load(TessaroController::RollMode);
    window->scaleWasAdded();
    TessaroWeighing &weighing = window->weighing();
    EXPECT_EQ(weighing.scaleStatusString(), QStringLiteral("Scale connected."));
    calls->advance(2.95);
    EXPECT_DOUBLE_EQ(weighing.scaleStatusAlpha(), 1);
    calls->advance(1.05); // 4 s: t = 1
    EXPECT_DOUBLE_EQ(weighing.scaleStatusAlpha(), 0.5);
    calls->advance(0.9); // 4.9 s: t = 1.9
    EXPECT_NEAR(weighing.scaleStatusAlpha(), 0.05, 1e-9);
    calls->advance(0.1);
    EXPECT_DOUBLE_EQ(weighing.scaleStatusAlpha(), 0);
    EXPECT_EQ(weighing.scaleStatusString(), QStringLiteral("Scale connected."));
    EXPECT_EQ(calls->pending(), 0u);

    // A new text in the middle of a fade is shown fully and fades anew.
    window->scaleWasRemoved();
    calls->advance(4);
    EXPECT_DOUBLE_EQ(weighing.scaleStatusAlpha(), 0.5);
    window->scaleWasAdded();
    EXPECT_DOUBLE_EQ(weighing.scaleStatusAlpha(), 1);
    EXPECT_EQ(calls->pending(), 21u);
    calls->advance(2.99);
    EXPECT_DOUBLE_EQ(weighing.scaleStatusAlpha(), 1);
}

TEST_F(TessaroWeighTest, ChoiceSheetLaysOutItsButtonsToTheWidestTitle)
{
    TessaroDecisionTreeWindowController sheet;
    std::array<QRectF, 7> frames;
    for (int i = 0; i < 7; ++i)
        frames[i] = QRectF(300, 10 + 40 * i, 200, i == 6 ? 24 : 32);
    sheet.windowDidLoad(frames, QSizeF(520, 320));
    EXPECT_EQ(sheet.button3Y(), 90);
    const QVariantMap options{{"title", "T"},
                              {"body", "B"},
                              {"button1title", "short"},
                              {"button1tag", 3123},
                              {"button3title", "a much longer title"},
                              {"button3tag", 5203},
                              {"button7title", "keep"},
                              {"button7tag", 0}};
    sheet.runSheetOnWindow(options, [](const QString &title) { return 10.0 * title.size(); });
    EXPECT_TRUE(sheet.isShown());
    EXPECT_FALSE(sheet.button(2));
    ASSERT_TRUE(sheet.button(1) && sheet.button(3) && sheet.button(7));
    EXPECT_EQ(sheet.button(1)->frame, QRectF(300, 10, 190, 32));
    EXPECT_EQ(sheet.button(3)->frame, QRectF(300, 90, 190, 32));
    EXPECT_EQ(sheet.button(7)->frame, QRectF(300, 250, 190, 24));
    EXPECT_EQ(sheet.windowSize(), QSizeF(510, 320));
    // A missing button and the keep tag only close the sheet.
    sheet.decide(2);
    EXPECT_TRUE(sheet.isShown());
    sheet.decide(7);
    EXPECT_FALSE(sheet.isShown());
}

TEST_F(TessaroWeighTest, ChoiceSheetSplitsTheTagIntoMailpieceAndClass)
{
    load(TessaroController::RollMode);
    TessaroDecisionTreeWindowController sheet(window.get());
    sheet.runSheetOnWindow({{"button1title", "Priority"}, {"button1tag", 4201}, {"button7title", "keep"}});
    sheet.decide(1);
    EXPECT_EQ(window->selectedMailpiece(), tessaro::FirstClassParcel);
    EXPECT_EQ(window->kivoStampRequest(), window->catalogue().requestForTag(201));
    EXPECT_FALSE(sheet.isShown());
}
