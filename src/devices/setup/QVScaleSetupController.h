#pragma once
// The scale set-up window's logic, on plain state (the view "ScaleSetup"
// binds widgets to it): the kind of scale in use (none, serial, USB), the
// serial scale's port, the current weight and zeroing a USB scale. It is
// also the program's record of the scale in use: the main window asks it
// for scaleType() and scale(), and the zero-scale command ends in
// tareScale().
//
// Persistent setting: the user default "scalePath", the device path of the
// serial scale's port. A saved path whose port is listed makes a serial
// scale at creation (type 1); a saved path whose port is absent leaves the
// type 0; no path and a USB scale in the HID device list make the type 2.
//
// The port pop-up lists "None" (type 0, disabled), "USB" (type 2,
// disabled) or the paths of the serial ports (type 1), with the held port
// selected, else the last port whose path contains "usbserial0" or, as the
// same adapter is named on Linux, "ttyUSB0". The tare button is enabled for
// type 2 only. The type pop-up's USB item is titled with the USB scale's
// name when it answers one, else with its own title.
//
// Reading (readScale): USB, one reading, else one rebuild of the device
// list and one more reading, else the alert "Couldn't connect to scale.".
// Serial: the scale is made afresh when the chosen port or type changed or
// its port was closed; an initialised scale shows its weight and saves its
// port's path as "scalePath"; otherwise the read is repeated every 0.1 s,
// the progress wheel turning, at most 20 times, after which "couldn't read
// scale" is logged and the wheel stops. No serial scale could be made: the
// same alert. Delayed reads go through an injectable timer; the USB scale is
// reached through an injectable interface (tests give fakes of both).
//
// A weight of T tenths of an ounce shows T / 160 whole pounds and
// (T / 10) modulo 16 ounces as a decimal number (159 -> 0 lb 15.9 oz).
//
// Main thread only.
#include "devices/QVTolvane22lbScale.h"
#include "devices/SXSerialPortList.h"
#include "platform/NotificationCenter.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

class QObject;
class UserDefaults;

// Scale types, also the tags of the type pop-up's items.
enum QVScaleType : int32_t {
    QVScaleTypeNone = 0,
    QVScaleTypeSerial = 1,
    QVScaleTypeUSB = 2,
};

extern const QString QVScalePathKey; // "scalePath"

// What the set-up asks of the USB scale (the HID scale layer by default).
class QVScaleSetupUSB
{
public:
    virtual ~QVScaleSetupUSB() = default;
    // The HID device list exists and holds at least one device.
    virtual bool haveDevices() = 0;
    // One reading in ounces as a real number; false when there is none.
    virtual bool readRawOunces(double *rawOunces) = 0;
    // The scale's name; false when there is no scale.
    virtual bool readName(QString *name) = 0;
    // Rebuilds the device list of Scale devices; its answer.
    virtual bool rebuildDeviceList() = 0;
    virtual bool zeroScale() = 0;
};

// Runs an action once after a delay on the main event loop.
class QVScaleSetupTimer
{
public:
    virtual ~QVScaleSetupTimer() = default;
    virtual void schedule(int milliseconds, std::function<void()> action) = 0;
};

struct QVScaleSetupItem {
    QString title;
    int32_t tag = 0;
};

// What the window shows.
struct QVScaleSetupState {
    QList<QVScaleSetupItem> typeItems; // tags 0, 1, 2
    int32_t selectedTypeTag = QVScaleTypeNone;
    QStringList portItems;
    int selectedPortIndex = -1;
    bool portPopupEnabled = true;
    bool refreshEnabled = true;
    bool tareEnabled = false;
    QString weightInPounds;
    QString weightInOunces;
    bool progressAnimating = false;
};

class QVScaleSetupController
{
public:
    // Decides the type and makes the serial scale. Null arguments take the
    // HID scale layer and the main event loop.
    explicit QVScaleSetupController(std::shared_ptr<QVScaleSetupUSB> usb = nullptr,
                                    std::shared_ptr<QVScaleSetupTimer> timer = nullptr);
    ~QVScaleSetupController();
    QVScaleSetupController(const QVScaleSetupController &) = delete;
    QVScaleSetupController &operator=(const QVScaleSetupController &) = delete;

    // The controller of the application (made on first use).
    static QVScaleSetupController &sharedController();
    // For tests: lets the shared controller go.
    static void resetSharedController();

    int32_t scaleType() const { return m_scaleType; }
    QVTolvane22lbScale *scale() const { return m_scale.get(); }
    const std::shared_ptr<SXSerialPort> &serialPort() const { return m_serialPort; }

    const QVScaleSetupState &state() const { return m_state; }
    // Called after every change of the state (the view refreshes).
    void setStateChanged(std::function<void()> callback) { m_stateChanged = std::move(callback); }

    // The window was loaded: fills it, reads the scale on the next turn of
    // the event loop and follows the port list.
    void windowDidLoad();
    bool isWindowLoaded() const { return m_windowLoaded; }

    // Actions of the window.
    void tareScale();
    void readScale();
    // The user chose the type item with that tag.
    void scaleTypeChanged(int32_t tag);
    // The user chose a port in the port pop-up (then reads the scale).
    void portChosen(int index);
    void refreshPortList();

    void serialPortListChanged();
    void setupPortPopup();
    void setUSBScaleMenuItem();
    void updateWeightFieldsWithWeightInMils(int32_t mils);

    // The number of repeated serial reads so far.
    int scaleTries() const { return m_scaleTries; }

private:
    void changed();
    void dropSerialScale();
    void makeSerialScale(const std::shared_ptr<SXSerialPort> &port);
    void selectPortWithPath(const QString &path);
    QString selectedPortTitle() const;
    void readUSBScale();
    void readSerialScale();
    void showCouldNotConnect();

    std::shared_ptr<QVScaleSetupUSB> m_usb;
    std::shared_ptr<QVScaleSetupTimer> m_timer;
    SXSerialPortList &m_serialPortList;
    std::shared_ptr<SXSerialPort> m_serialPort;
    std::unique_ptr<QVTolvane22lbScale> m_scale;
    int32_t m_scaleType = QVScaleTypeNone;
    UserDefaults &m_defaults;
    QString m_originalMenuItemName;
    int m_scaleTries = 0;
    QVScaleSetupState m_state;
    std::function<void()> m_stateChanged;
    bool m_windowLoaded = false;
    NotificationObserver m_portListObserver;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
