// The scale set-up window's controller with a fake USB scale, a fake timer
// and a port list of our own (pty pairs where a serial scale must open):
// the type rules, the port pop-up, the weight texts, polling a serial scale
// and the failures; and the window itself rendered offscreen.
#include "ConsoleCapture.h"
#include "PtyPair.h"
#include "RecordingDialogs.h"
#include "ViewTestSupport.h"
#include "devices/setup/QVScaleSetupController.h"
#include "devices/setup/QVScaleSetupWindow.h"
#include "platform/UserDefaults.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

class FakeUSB final : public QVScaleSetupUSB
{
public:
    bool listed = false; // a scale in the device list
    bool listedAfterRebuild = false;
    bool rebuildAnswer = true;
    QList<std::optional<double>> readings; // answers in order; none left: no reading
    QString name;
    bool zeroAnswer = true;
    int reads = 0, rebuilds = 0, zeroes = 0;

    bool haveDevices() override { return listed; }
    bool readRawOunces(double *raw) override
    {
        ++reads;
        const std::optional<double> r = readings.isEmpty() ? std::nullopt : readings.takeFirst();
        if (r)
            *raw = *r;
        return r.has_value();
    }
    bool readName(QString *out) override
    {
        if (name.isEmpty())
            return false;
        *out = name;
        return true;
    }
    bool rebuildDeviceList() override
    {
        ++rebuilds;
        listed = listedAfterRebuild;
        return rebuildAnswer;
    }
    bool zeroScale() override
    {
        ++zeroes;
        return zeroAnswer;
    }
};

class FakeTimer final : public QVScaleSetupTimer
{
public:
    struct Pending {
        int milliseconds;
        std::function<void()> action;
    };
    QList<Pending> pending;
    QList<int> delays; // every delay asked for

    void schedule(int milliseconds, std::function<void()> action) override
    {
        delays << milliseconds;
        pending.append({milliseconds, std::move(action)});
    }
    // Runs the first pending action; false when none.
    bool fire()
    {
        if (pending.isEmpty())
            return false;
        const Pending p = pending.takeFirst();
        p.action();
        return true;
    }
};

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

class ScaleSetupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UserDefaults::resetStandardUserDefaults();
        SXSerialPortList::resetSharedPortList();
        SXSerialPortList::setPortSource([this] { return ports; });
    }
    void TearDown() override
    {
        SXSerialPortList::resetSharedPortList();
        UserDefaults::resetStandardUserDefaults();
    }

    std::unique_ptr<QVScaleSetupController> make()
    {
        SXSerialPortList::sharedPortList().init();
        return std::make_unique<QVScaleSetupController>(usb, timer);
    }
    UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }
    static QStringList titles(const QVScaleSetupState &state)
    {
        QStringList result;
        for (const QVScaleSetupItem &item : state.typeItems)
            result << item.title;
        return result;
    }

    QList<SXSerialPortDescription> ports;
    std::shared_ptr<FakeUSB> usb = std::make_shared<FakeUSB>();
    std::shared_ptr<FakeTimer> timer = std::make_shared<FakeTimer>();
    DialogsScope dialogs;
};

} // namespace

TEST_F(ScaleSetupTest, TheTypeFollowsTheSavedPortAndTheUSBScale)
{
    // A USB scale and no saved port: USB, only "USB", tare enabled.
    usb->listed = true;
    usb->readings = {2.5};
    auto controller = make();
    EXPECT_EQ(controller->scaleType(), QVScaleTypeUSB);
    controller->windowDidLoad();
    const QVScaleSetupState &state = controller->state();
    EXPECT_EQ(state.portItems, QStringList{QStringLiteral("USB")});
    EXPECT_EQ(state.selectedPortIndex, 0);
    EXPECT_FALSE(state.portPopupEnabled);
    EXPECT_FALSE(state.refreshEnabled);
    EXPECT_TRUE(state.tareEnabled);
    EXPECT_EQ(state.selectedTypeTag, QVScaleTypeUSB);
    EXPECT_EQ(timer->delays, QList<int>{0}); // the first read on the next turn
    ASSERT_TRUE(timer->fire());
    EXPECT_EQ(state.weightInOunces, QStringLiteral("2.5"));
    EXPECT_TRUE(dialogs->alerts.isEmpty());

    // Nothing: none.
    usb->listed = false;
    controller = make();
    EXPECT_EQ(controller->scaleType(), QVScaleTypeNone);
    controller->windowDidLoad();
    EXPECT_EQ(controller->state().portItems, QStringList{QStringLiteral("None")});
    EXPECT_FALSE(controller->state().tareEnabled);

    // A saved port that is not there: none, even with a USB scale.
    usb->listed = true;
    defaults().setString(QStringLiteral("/dev/tolvane-unplugged"), QStringLiteral("scalePath"));
    controller = make();
    EXPECT_EQ(controller->scaleType(), QVScaleTypeNone);
    EXPECT_FALSE(controller->scale());
}

TEST_F(ScaleSetupTest, ThePreferredPortIsTheLastUSBSerialAdapter)
{
    const struct {
        QStringList paths;
        int selected;
    } cases[] = {
        {{QStringLiteral("/dev/cu.Bluetooth"), QStringLiteral("/dev/cu.usbserial0")}, 1},
        {{QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyS1"), QStringLiteral("/dev/tty.usbserial0")}, 2},
        {{QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyS1")}, 1},
        {{QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyUSB1")}, 0},
    };
    for (const auto &c : cases) {
        ports.clear();
        for (const QString &path : c.paths)
            ports.append({path.section(QLatin1Char('/'), -1), path});
        auto controller = make();
        controller->windowDidLoad();
        controller->scaleTypeChanged(QVScaleTypeSerial);
        EXPECT_EQ(controller->state().portItems, c.paths);
        EXPECT_EQ(controller->state().selectedPortIndex, c.selected) << c.paths.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(controller->state().portPopupEnabled);
        EXPECT_TRUE(controller->state().refreshEnabled);
        EXPECT_FALSE(controller->state().tareEnabled);
    }
}

TEST_F(ScaleSetupTest, WeightsShowPoundsAndDecimalOunces)
{
    auto controller = make();
    const struct {
        int32_t mils;
        const char *pounds, *ounces;
    } cases[] = {{159, "0", "15.9"}, {160, "1", "0"}, {165, "1", "0.5"}, {0, "0", "0"}, {3205, "20", "0.5"}};
    for (const auto &c : cases) {
        controller->updateWeightFieldsWithWeightInMils(c.mils);
        EXPECT_EQ(controller->state().weightInPounds, QString::fromUtf8(c.pounds)) << c.mils;
        EXPECT_EQ(controller->state().weightInOunces, QString::fromUtf8(c.ounces)) << c.mils;
    }
}

TEST_F(ScaleSetupTest, ASerialScaleIsReadAndItsPortSaved)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    ports = {{QStringLiteral("pty"), pty.path()}};
    auto controller = make();
    controller->windowDidLoad();
    controller->scaleTypeChanged(QVScaleTypeSerial);
    ASSERT_TRUE(timer->fire()); // makes the scale on the chosen port
    ASSERT_TRUE(controller->scale());
    EXPECT_TRUE(controller->state().progressAnimating);

    ASSERT_TRUE(pty.send(QByteArray("    00165\r").repeated(45)));
    ASSERT_TRUE(waitFor([&] { return controller->scale()->scaleIsInitialized(); }));
    while (timer->fire()) {}
    EXPECT_EQ(controller->state().weightInPounds, QStringLiteral("1"));
    EXPECT_EQ(controller->state().weightInOunces, QStringLiteral("0.5"));
    EXPECT_FALSE(controller->state().progressAnimating);
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("scalePath")), pty.path());

    // The next start takes the saved port.
    controller.reset();
    controller = make();
    EXPECT_EQ(controller->scaleType(), QVScaleTypeSerial);
    ASSERT_TRUE(controller->scale());
    EXPECT_EQ(controller->scale()->portPath(), pty.path());

    // Choosing none drops it and forgets the port.
    controller->windowDidLoad();
    controller->scaleTypeChanged(QVScaleTypeNone);
    EXPECT_FALSE(controller->scale());
    EXPECT_EQ(controller->scaleType(), QVScaleTypeNone);
    EXPECT_TRUE(defaults().objectForKey(QStringLiteral("scalePath")).isNull());
    EXPECT_EQ(controller->state().portItems, QStringList{QStringLiteral("None")});
}

TEST_F(ScaleSetupTest, ASilentSerialScaleIsPolledTwentyTimes)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    ports = {{QStringLiteral("pty"), pty.path()}};
    defaults().setString(pty.path(), QStringLiteral("scalePath"));
    auto controller = make();
    ASSERT_EQ(controller->scaleType(), QVScaleTypeSerial);
    controller->windowDidLoad();
    const ConsoleCapture console;
    int polls = 0;
    while (timer->fire()) {
        if (!timer->pending.isEmpty()) {
            EXPECT_EQ(timer->pending.first().milliseconds, 100);
            EXPECT_TRUE(controller->state().progressAnimating);
            ++polls;
        }
    }
    EXPECT_EQ(polls, 20);
    EXPECT_EQ(console.lines().filter(QStringLiteral("couldn't read scale")).size(), 1);
    EXPECT_FALSE(controller->state().progressAnimating);
    EXPECT_EQ(controller->scaleTries(), 0);
    EXPECT_TRUE(dialogs->alerts.isEmpty());
}

TEST_F(ScaleSetupTest, ARescanAfterUnpluggingDropsTheScaleButNotTheType)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    ports = {{QStringLiteral("pty"), pty.path()}, {QStringLiteral("other"), QStringLiteral("/dev/tolvane-other")}};
    defaults().setString(pty.path(), QStringLiteral("scalePath"));
    auto controller = make();
    controller->windowDidLoad();
    ASSERT_TRUE(controller->scale());
    EXPECT_EQ(controller->state().selectedPortIndex, 0);

    // Without a rescan the list keeps the vanished port.
    ports.removeFirst();
    EXPECT_TRUE(controller->scale());
    controller->refreshPortList();
    EXPECT_FALSE(controller->scale());
    EXPECT_FALSE(controller->serialPort());
    EXPECT_EQ(controller->scaleType(), QVScaleTypeSerial);
    EXPECT_EQ(controller->state().selectedTypeTag, QVScaleTypeNone);
    EXPECT_EQ(controller->state().portItems, QStringList{QStringLiteral("/dev/tolvane-other")});
}

TEST_F(ScaleSetupTest, AMissingScaleGivesOneAlert)
{
    const auto expectOneAlert = [&] {
        ASSERT_EQ(dialogs->alerts.size(), 1);
        EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("Couldn't connect to scale."));
        EXPECT_EQ(dialogs->alerts[0].informativeText,
                  QStringLiteral("Your scale could not be located. Please make sure it is a properly connected to "
                                 "your computer and turned on."));
        dialogs->alerts.clear();
    };

    // USB: one reading, one rebuild, one more reading.
    usb->listed = true;
    auto controller = make();
    controller->updateWeightFieldsWithWeightInMils(77);
    usb->listedAfterRebuild = true;
    controller->readScale();
    EXPECT_EQ(usb->reads, 2);
    EXPECT_EQ(usb->rebuilds, 1);
    expectOneAlert();
    EXPECT_EQ(controller->state().weightInOunces, QStringLiteral("7.7")); // kept

    // A rebuild that finds nothing does not read again.
    usb->reads = usb->rebuilds = 0;
    usb->listedAfterRebuild = false;
    controller->readScale();
    EXPECT_EQ(usb->reads, 1);
    expectOneAlert();

    // The second reading after a rebuild counts.
    usb->reads = 0;
    usb->listedAfterRebuild = true;
    usb->readings = {std::nullopt, 1.06};
    controller->readScale();
    EXPECT_EQ(usb->reads, 2);
    EXPECT_TRUE(dialogs->alerts.isEmpty());
    EXPECT_EQ(controller->state().weightInOunces, QStringLiteral("1"));

    // A serial port that cannot be set up: no scale, the same alert.
    ports = {{QStringLiteral("null"), QStringLiteral("/dev/null")}};
    SXSerialPortList::sharedPortList().init();
    controller->scaleTypeChanged(QVScaleTypeSerial);
    const ConsoleCapture console;
    ASSERT_TRUE(timer->fire());
    EXPECT_FALSE(controller->scale());
    expectOneAlert();
    EXPECT_FALSE(timer->fire()); // no polling without a scale
}

TEST_F(ScaleSetupTest, TheUSBItemAndTare)
{
    usb->listed = true;
    usb->name = QStringLiteral("Acme Postal 25");
    auto controller = make();
    controller->windowDidLoad();
    EXPECT_EQ(titles(controller->state()),
              (QStringList{QStringLiteral("None"), QStringLiteral("Serial Scale"), QStringLiteral("Acme Postal 25")}));
    usb->name.clear();
    controller->setUSBScaleMenuItem();
    EXPECT_EQ(titles(controller->state()).last(), QStringLiteral("USB Scale"));

    controller->updateWeightFieldsWithWeightInMils(165);
    usb->zeroAnswer = false;
    controller->tareScale();
    EXPECT_EQ(controller->state().weightInPounds, QStringLiteral("1"));
    usb->zeroAnswer = true;
    controller->tareScale();
    EXPECT_EQ(controller->state().weightInPounds, QStringLiteral("0"));
    EXPECT_EQ(controller->state().weightInOunces, QStringLiteral("0"));

    controller->scaleTypeChanged(QVScaleTypeNone);
    controller->tareScale();
    EXPECT_EQ(usb->zeroes, 2); // not for another type
}

TEST_F(ScaleSetupTest, TheWindowShowsTheStateAndSendsItsActions)
{
    usb->listed = true;
    usb->name = QStringLiteral("Acme Postal 25");
    usb->readings = {15.9};
    auto controller = make();
    QVScaleSetupWindow window(*controller);
    EXPECT_TRUE(controller->isWindowLoaded());
    ASSERT_TRUE(timer->fire());
    window.resize(window.sizeHint().expandedTo(QSize(420, 160)));

    auto *type = window.findChild<QComboBox *>(QStringLiteral("scaleTypePopup"));
    auto *port = window.findChild<QComboBox *>(QStringLiteral("scalePort"));
    auto *pounds = window.findChild<QLineEdit *>(QStringLiteral("weightInPounds"));
    auto *ounces = window.findChild<QLineEdit *>(QStringLiteral("weightInOunces"));
    auto *tare = window.findChild<QPushButton *>(QStringLiteral("tareButton"));
    auto *refresh = window.findChild<QPushButton *>(QStringLiteral("refreshButton"));
    ASSERT_TRUE(type && port && pounds && ounces && tare && refresh);
    EXPECT_EQ(type->currentText(), QStringLiteral("Acme Postal 25"));
    EXPECT_EQ(port->currentText(), QStringLiteral("USB"));
    EXPECT_FALSE(port->isEnabled());
    EXPECT_FALSE(refresh->isEnabled());
    EXPECT_TRUE(tare->isEnabled());
    EXPECT_EQ(pounds->text(), QStringLiteral("0"));
    EXPECT_EQ(ounces->text(), QStringLiteral("15.9"));

    const QImage image = window.grab().toImage();
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(image.save(outputPath(QStringLiteral("ScaleSetup.png"))));

    tare->click();
    EXPECT_EQ(usb->zeroes, 1);
    EXPECT_EQ(ounces->text(), QStringLiteral("0"));

    // Choosing "None" in the type pop-up.
    type->setCurrentIndex(0);
    emit type->activated(0);
    EXPECT_EQ(controller->scaleType(), QVScaleTypeNone);
    EXPECT_EQ(port->currentText(), QStringLiteral("None"));
    EXPECT_FALSE(tare->isEnabled());
}
