// MasterController's weigh command over a fake scale (USB, serial, none),
// the status texts, the "Package too heavy" sheet, the status fade as named
// requests of its own, and the weight list's scroll position.
#include "MasterPeersFixture.h"

using namespace master_test;

namespace {

// The address-correction service answering every address with an inexact
// match (code 22).
class InexactCorrection final : public MasterAddressCorrection
{
public:
    std::optional<QVAddress> standardizedAddressWithString(const QString &, bool) override
    {
        QVAddress address;
        address.setName(QStringLiteral("Ada Lovelace"));
        address.setStreet(QStringLiteral("1 MAIN ST"));
        address.setCity(QStringLiteral("NEW YORK"));
        address.setState(QStringLiteral("NY"));
        address.setZIP5(QStringLiteral("10001"));
        return address;
    }
    QString lastErrorCode() override { return QStringLiteral("22"); }
    QString lastErrorDescription() override { return QString(); }
};

class ScaleTest : public MasterPeersTest
{
protected:
    QString status() { return form().text(FormControl::ScaleStatus); }
    // Lets the calls due run and drops the timers waiting (the ship-date
    // roll-over, earlier fades), so that the next timers are the step's own.
    void dropTimers()
    {
        settle();
        scheduler->calls.clear();
    }
    void weigh()
    {
        controller->weigh();
        settle();
    }
};

TEST_F(ScaleTest, ReadingsShowTheirTextAndSelectTheirEntry)
{
    startFirstClassLetter();
    struct Case {
        const char *what;
        QString size;
        double ounces;
        QString status;
        QString stored; // the weight entry selected
    } cases[] = {
        {"2.54 oz is 25 tenths, rounded up to 3 oz", QVUSPSLargeEnvelopeSize, 2.54, QStringLiteral("2.5 oz."),
         QStringLiteral("3")},
        {"a whole ounce stays", QVUSPSLargeEnvelopeSize, 2.0, QStringLiteral("2.0 oz."), QStringLiteral("2")},
        {"a letter of 3.6 oz takes the 5-oz entry", QVUSPSLetterSize, 3.6, QStringLiteral("3.6 oz."),
         QStringLiteral("5")},
        {"a letter of 4.0 oz too", QVUSPSLetterSize, 4.0, QStringLiteral("4.0 oz."), QStringLiteral("5")},
        {"a letter of 3.5 oz takes the 4-oz entry", QVUSPSLetterSize, 3.5, QStringLiteral("3.5 oz."),
         QStringLiteral("4")},
        {"a letter of 4.1 oz rounds up to 5", QVUSPSLetterSize, 4.1, QStringLiteral("4.1 oz."), QStringLiteral("5")},
        {"a large envelope of 3.6 oz takes 4 oz", QVUSPSLargeEnvelopeSize, 3.6, QStringLiteral("3.6 oz."),
         QStringLiteral("4")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        choose(FormControl::PieceSize, sizeTag(c.size));
        typeWeight(QStringLiteral("1"));
        scale->usbOunces = c.ounces;
        weigh();
        EXPECT_EQ(status(), c.status);
        EXPECT_EQ(stored(QVShipmentWeightNumberKey), c.stored);
        EXPECT_EQ(form().weight().text, form().weight().values.value(form().weight().selectedIndex));
        EXPECT_FALSE(controller->hasAttachedSheet());
    }
}

TEST_F(ScaleTest, PoundsFromOneSixtyTenths)
{
    start();
    scale->type = MasterScale::Serial;
    controller->weigh(); // the first serial weighing only schedules the next
    struct Case {
        int tenths;
        QString status;
    } cases[] = {
        {159, QStringLiteral("15.9 oz.")},     {160, QStringLiteral("1 lb 0.0 oz.")},
        {175, QStringLiteral("1 lb 1.5 oz.")}, {485, QStringLiteral("3 lb 0.5 oz.")},
        {0, QStringLiteral("0.0 oz.")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tenths);
        scale->serialTenths = c.tenths;
        weigh();
        EXPECT_EQ(status(), c.status);
        controller->endSheet(1);
    }
}

TEST_F(ScaleTest, TheFirstSerialWeighingWaitsTwoSeconds)
{
    startFirstClassLetter();
    typeWeight(QStringLiteral("1"));
    dropTimers();
    scale->type = MasterScale::Serial;
    scale->serialTenths = 25;
    weigh();
    EXPECT_EQ(status(), QString());
    EXPECT_EQ(scale->serialReads, 0);
    EXPECT_EQ(stored(QVShipmentWeightNumberKey), QStringLiteral("1"));
    ASSERT_EQ(scheduler->timers(), std::vector<double>{2.0});

    ASSERT_TRUE(scheduler->fireTimer());
    settle();
    EXPECT_EQ(status(), QStringLiteral("2.5 oz."));
    EXPECT_EQ(stored(QVShipmentWeightNumberKey), QStringLiteral("3"));

    // Later weighings read at once.
    scale->serialTenths = 41;
    weigh();
    EXPECT_EQ(status(), QStringLiteral("4.1 oz."));
    EXPECT_EQ(stored(QVShipmentWeightNumberKey), QStringLiteral("5"));
}

TEST_F(ScaleTest, AMissingScaleOpensTheSetUpAndWritesNothing)
{
    startFirstClassLetter();
    typeWeight(QStringLiteral("2"));
    dropTimers();
    struct Case {
        const char *what;
        int type;
    } cases[] = {
        {"no scale", MasterScale::None},
        {"a USB scale that does not answer", MasterScale::USB},
        {"a serial scale not initialised", MasterScale::Serial},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        MasterController::resetFirstWeighingForTesting();
        dropTimers();
        scale->type = c.type;
        scale->setups = 0;
        if (c.type == MasterScale::Serial) {
            controller->weigh();
            ASSERT_TRUE(scheduler->fireTimer());
        } else {
            controller->weigh();
        }
        settle();
        EXPECT_EQ(scale->setups, 1);
        EXPECT_EQ(stored(QVShipmentWeightNumberKey), QStringLiteral("2"));
        EXPECT_FALSE(controller->hasAttachedSheet());
    }
    // The serial scale that was missing waits again on the next weighing.
    dropTimers();
    scale->serialTenths = 30;
    weigh();
    EXPECT_EQ(stored(QVShipmentWeightNumberKey), QStringLiteral("2"));
    ASSERT_TRUE(scheduler->fireTimer());
    settle();
    EXPECT_EQ(stored(QVShipmentWeightNumberKey), QStringLiteral("3"));
}

TEST_F(ScaleTest, ATooHeavyPieceGetsTheSheetAndKeepsItsWeight)
{
    startFirstClassLetter();
    choose(FormControl::PieceSize, sizeTag(QVUSPSLargeEnvelopeSize));
    typeWeight(QStringLiteral("2"));
    scale->usbOunces = 7.2;
    weigh();
    ASSERT_NE(controller->attachedSheet(), nullptr);
    EXPECT_EQ(controller->attachedSheet()->messageText, QStringLiteral("Package too heavy"));
    EXPECT_EQ(controller->attachedSheet()->informativeText,
              QStringLiteral("Your package is too heavy for the selected rate class and mailpiece type. Please "
                             "choose an alternate rate class or mailpiece or lighten your load."));
    ASSERT_EQ(controller->attachedSheet()->buttons.size(), 1);
    EXPECT_EQ(controller->attachedSheet()->buttons[0].title, QStringLiteral("OK"));
    EXPECT_EQ(stored(QVShipmentWeightNumberKey), QStringLiteral("2"));
    EXPECT_EQ(form().weight().text, form().weight().values.value(1));
    EXPECT_EQ(status(), QStringLiteral("7.2 oz."));
    controller->endSheet(1);
    EXPECT_FALSE(controller->hasAttachedSheet());
}

TEST_F(ScaleTest, InTheStampModeTheStampWindowWeighs)
{
    start();
    shell->standardMode = false;
    scale->usbOunces = 2.0;
    weigh();
    EXPECT_EQ(stamps->weighings, 1);
    EXPECT_EQ(status(), QString());
}

TEST_F(ScaleTest, TheStatusFadesAndANewStatusRestartsTheFade)
{
    start();
    dropTimers();
    controller->scaleWasAdded();
    EXPECT_EQ(status(), QStringLiteral("Scale connected."));
    EXPECT_EQ(controller->scaleStatusAlpha(), 1.0);
    std::vector<double> fade;
    for (int i = 0; i < 20; ++i)
        fade.push_back(3.0 + i * 0.1);
    fade.push_back(5.0);
    ASSERT_EQ(scheduler->timers().size(), fade.size());
    for (size_t i = 0; i < fade.size(); ++i)
        EXPECT_NEAR(scheduler->timers()[i], fade[i], 1e-9);

    // Halfway through the fade a new status comes: shown in full again, and
    // the old steps do nothing.
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(scheduler->fireTimer());
    EXPECT_NEAR(controller->scaleStatusAlpha(), 0.55, 1e-9);
    controller->scaleWasRemoved();
    EXPECT_EQ(status(), QStringLiteral("Scale disconnected."));
    EXPECT_EQ(controller->scaleStatusAlpha(), 1.0);
    for (int i = 0; i < 11; ++i) {
        ASSERT_TRUE(scheduler->fireTimer());
        EXPECT_EQ(controller->scaleStatusAlpha(), 1.0) << "a cancelled step ran";
    }
    // The new fade from its start: 1.0, 0.95, ... 0.05, then 0.
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(scheduler->fireTimer());
        EXPECT_NEAR(controller->scaleStatusAlpha(), 1.0 - i * 0.05, 1e-9);
    }
    ASSERT_TRUE(scheduler->fireTimer());
    EXPECT_EQ(controller->scaleStatusAlpha(), 0.0);
    EXPECT_FALSE(scheduler->fireTimer());
    EXPECT_EQ(status(), QStringLiteral("Scale disconnected.")) << "faded, not emptied";
}

TEST_F(ScaleTest, AStatusCancelsOnlyItsOwnFade)
{
    // A print scheduled by the inexact-address sheet still runs after a
    // scale message, and so does the serial retry.
    addressCorrection = std::make_shared<InexactCorrection>();
    ownAddressBoxes = true;
    start();
    dropTimers();
    EXPECT_TRUE(controller->standardizeAddressString(QStringLiteral("Ada Lovelace\n1 Main St\nNew York NY 10001"),
                                                     false, true));
    ASSERT_TRUE(controller->hasAttachedSheet());
    controller->endSheet(1);

    scale->type = MasterScale::Serial;
    scale->serialTenths = 20;
    controller->weigh(); // the retry waits 2 seconds
    controller->scaleWasAdded();
    controller->setScaleStatusString(QStringLiteral("Scale connected."), true);
    EXPECT_EQ(printing->prints, 0);
    settle();
    EXPECT_EQ(printing->prints, 1);
    // The retry (the first timer) still weighs.
    ASSERT_TRUE(scheduler->fireTimer());
    settle();
    EXPECT_EQ(status(), QStringLiteral("2.0 oz."));
}

TEST_F(ScaleTest, TheLongWeightListOpensWithItsSelectionInView)
{
    start();
    FormComboBox &box = form().weight();
    box.values.clear();
    for (int i = 1; i <= 21; ++i)
        box.values.append(QString::number(i));
    struct Case {
        qsizetype items;
        qsizetype selected;
        std::optional<qsizetype> top;
    } cases[] = {
        {21, 10, 5}, {21, 6, 1}, {21, 5, std::nullopt}, {20, 10, std::nullopt}, {21, -1, std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.items << " items, selected " << c.selected);
        box.values = box.values.mid(0, c.items);
        box.selectedIndex = c.selected;
        EXPECT_EQ(controller->weightListScrollIndex(), c.top);
        while (box.values.size() < 21)
            box.values.append(QString::number(box.values.size() + 1));
    }
}

} // namespace
