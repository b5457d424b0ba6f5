// The serial postal scale over a pty pair whose master plays the scale:
// the reading format, the 50- and 400-byte thresholds, pausing while the
// application is inactive, the raw line, and the device going away.
#include "ConsoleCapture.h"
#include "PtyPair.h"
#include "RecordingDialogs.h"
#include "devices/QVTolvane22lbScale.h"
#include "platform/ApplicationNotifications.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <poll.h>

using namespace tolvane::test;

namespace {

// One reading as the scale sends it: characters 4-8 are pounds and tenths.
QByteArray reading(const char *poundsAndTenths) { return QByteArray("    ") + poundsAndTenths + '\r'; }

QByteArray readings(const char *poundsAndTenths, int count) { return reading(poundsAndTenths).repeated(count); }

// Runs the event loop until the condition holds or a second has passed.
bool waitFor(const std::function<bool()> &condition)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > 1000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Runs the event loop for a while (for what must not happen).
void settle(int milliseconds = 50)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

bool masterHasInput(int master)
{
    pollfd p{master, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

class SerialScaleTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.ok());
        port = std::make_shared<SXSerialPort>(pty.path(), QStringLiteral("pty"));
        scale = QVTolvane22lbScale::initWithSerialPort(port);
        ASSERT_TRUE(scale);
    }
    void TearDown() override { QVTolvane22lbScale::setShowScaleSetup(nullptr); }

    PtyPair pty;
    DialogsScope dialogs;
    std::shared_ptr<SXSerialPort> port;
    std::unique_ptr<QVTolvane22lbScale> scale;
};

} // namespace

TEST(SerialScaleReadings, TheSecondToLastPieceIsTheReading)
{
    const struct {
        const char *what;
        QByteArray buffer;
        std::optional<int32_t> mils, ounces;
    } cases[] = {
        {"two readings and a part", reading("00160") + reading("00165") + "    00", 165, 17},
        {"one pound", QByteArray("x\r") + reading("01000"), 160, 16},
        {"a tenth over a pound", QByteArray("x\r") + reading("01001"), 161, 17},
        {"blanks and signs", QByteArray("x\r") + "    0 +15\r", 15, 2},
        {"a negative tenth", QByteArray("x\r") + "    00-05\r", -5, 0},
        {"no digits", QByteArray("x\r") + "    ab???\r", 0, 0},
        {"eight characters", QByteArray("x\r") + "   00165\r", std::nullopt, std::nullopt},
        {"ten characters", QByteArray("x\r") + "     00165\r", std::nullopt, std::nullopt},
        {"two pieces", reading("00165"), std::nullopt, std::nullopt},
        {"empty", QByteArray(), std::nullopt, std::nullopt},
    };
    for (const auto &c : cases) {
        const std::optional<SerialScaleReading> r = parseSerialScaleBuffer(c.buffer);
        ASSERT_EQ(r.has_value(), c.mils.has_value()) << c.what;
        if (r) {
            EXPECT_EQ(r->mils, *c.mils) << c.what;
            EXPECT_EQ(r->ounces, *c.ounces) << c.what;
        }
    }
}

TEST_F(SerialScaleTest, TheLineIsRawAt2400BaudAndNothingIsWrittenBack)
{
    const termios line = pty.lineSettings();
    EXPECT_EQ(cfgetospeed(&line), speed_t(B2400));
    EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | CSTOPB), tcflag_t(CS8 | CSTOPB));
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_EQ(line.c_iflag & ICRNL, 0u);

    EXPECT_FALSE(scale->scaleIsInitialized());
    ASSERT_TRUE(pty.send(readings("00165", 41) + "  "));
    ASSERT_TRUE(waitFor([&] { return scale->scaleIsInitialized(); }));
    EXPECT_EQ(scale->weightInMils(), 165);
    EXPECT_EQ(scale->weightInOunces(), 17);
    EXPECT_EQ(scale->portPath(), pty.path());
    EXPECT_FALSE(masterHasInput(pty.master())); // no echo to the scale
}

TEST_F(SerialScaleTest, FiftyBytesWaitAndTheFiftyFirstParses)
{
    scale->readData(QByteArray(400, 'x')); // past the 400 bytes of start-up
    // 50 bytes whose last piece is a complete reading still waiting for its
    // carriage return.
    const QByteArray fifty = QByteArray(40, 'z') + "\r" + "    00160";
    ASSERT_EQ(fifty.size(), 50);
    scale->readData(fifty);
    EXPECT_FALSE(scale->scaleIsInitialized());
    EXPECT_EQ(scale->weightInMils(), 0);

    scale->readData("\r");
    EXPECT_TRUE(scale->scaleIsInitialized());
    EXPECT_EQ(scale->weightInMils(), 160);

    // The buffer was emptied: 50 more bytes change nothing yet.
    scale->readData(QByteArray(40, 'z') + "\r" + "    00005");
    EXPECT_EQ(scale->weightInMils(), 160);
    scale->readData("\r");
    EXPECT_EQ(scale->weightInMils(), 5);
}

TEST_F(SerialScaleTest, FewerThan401BytesAreNotInitialised)
{
    const QByteArray chunk = readings("00165", 6); // 60 bytes, parsed at once
    for (int i = 0; i < 6; ++i)
        scale->readData(chunk);
    scale->readData(QByteArray(40, 'x'));
    EXPECT_EQ(scale->weightInMils(), 165);
    EXPECT_FALSE(scale->scaleIsInitialized()); // 400 bytes
    scale->readData(QByteArray(1, 'x'));
    EXPECT_TRUE(scale->scaleIsInitialized()); // 401

    // Text out of format keeps the last reading and empties the buffer.
    scale->readData(QByteArray(60, '9'));
    scale->readData(QByteArray(50, '\r') + "   00160\r" + "\r");
    EXPECT_EQ(scale->weightInMils(), 165);
}

TEST_F(SerialScaleTest, NothingChangesWhileTheApplicationIsInactive)
{
    ASSERT_TRUE(pty.send(readings("00165", 45)));
    ASSERT_TRUE(waitFor([&] { return scale->weightInMils() == 165 && scale->scaleIsInitialized(); }));

    NotificationCenter::defaultCenter().post(NSApplicationDidResignActiveNotification);
    EXPECT_FALSE(scale->isReading());
    ASSERT_TRUE(pty.send(readings("01000", 20)));
    settle();
    EXPECT_EQ(scale->weightInMils(), 165);

    NotificationCenter::defaultCenter().post(NSApplicationDidBecomeActiveNotification);
    EXPECT_TRUE(scale->isReading());
    ASSERT_TRUE(pty.send(readings("00020", 20)));
    ASSERT_TRUE(waitFor([&] { return scale->weightInMils() == 20; }));
}

TEST_F(SerialScaleTest, TheDeviceGoingAwayClosesThePortWithOneAlert)
{
    ASSERT_TRUE(pty.send(readings("00165", 45)));
    ASSERT_TRUE(waitFor([&] { return scale->scaleIsInitialized(); }));
    QVTolvane22lbScale *sender = nullptr;
    QVTolvane22lbScale::setShowScaleSetup([&](QVTolvane22lbScale *s) { sender = s; });
    dialogs->answers = {1}; // "Scale Setup"

    pty.closeMaster();
    ASSERT_TRUE(waitFor([&] { return !port->isOpen(); }));
    settle(100); // no further reads, no second alert
    ASSERT_EQ(dialogs->alerts.size(), 1);
    const Alert &alert = dialogs->alerts.first();
    EXPECT_EQ(alert.messageText, QStringLiteral("Scale Error"));
    EXPECT_TRUE(alert.informativeText.startsWith(
        QStringLiteral("There has been an error reading from your scale. Please reconfigure your scale settings "
                       "to continue using your scale.\n\nError: ")));
    ASSERT_EQ(alert.buttons.size(), 2);
    EXPECT_EQ(alert.buttons[0].title, QStringLiteral("Scale Setup"));
    EXPECT_EQ(alert.buttons[0].answer, 1);
    EXPECT_EQ(alert.buttons[1].title, QStringLiteral("OK"));
    EXPECT_EQ(sender, scale.get());
    EXPECT_FALSE(scale->scaleIsInitialized());
    EXPECT_FALSE(scale->isReading());

    // Becoming active again does not start reading a closed port.
    NotificationCenter::defaultCenter().post(NSApplicationDidBecomeActiveNotification);
    EXPECT_FALSE(scale->isReading());
}

TEST_F(SerialScaleTest, TerminationEndsTheScaleAndRestoresTheLine)
{
    NotificationCenter::defaultCenter().post(NSApplicationWillTerminateNotification);
    EXPECT_FALSE(port->isOpen());
    EXPECT_FALSE(scale->isReading());
    // The line has the settings found at open again (the pair's raw 38400).
    EXPECT_NE(pty.lineSpeed(), speed_t(B2400));
    EXPECT_TRUE(dialogs->alerts.isEmpty());
}

TEST(SerialScaleCreation, APortThatCannotBeSetGivesNoScale)
{
    const ConsoleCapture console;
    EXPECT_FALSE(QVTolvane22lbScale::initWithSerialPort(
        std::make_shared<SXSerialPort>(QStringLiteral("/dev/null"), QStringLiteral("null"))));
    EXPECT_FALSE(QVTolvane22lbScale::initWithSerialPort(
        std::make_shared<SXSerialPort>(QStringLiteral("/dev/tolvane-missing"), QStringLiteral("missing"))));
    EXPECT_EQ(console.lines().filter(QStringLiteral("we failed commiting the changes")).size(), 2);
    EXPECT_FALSE(QVTolvane22lbScale::initWithSerialPort(nullptr));
}
