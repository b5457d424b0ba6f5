#include "devices/setup/QVScaleSetupController.h"

#include "devices/HID_Utilities.h"
#include "devices/QVUSBScale.h"
#include "platform/Dialogs.h"
#include "platform/UserDefaults.h"

#include <QTimer>
#include <QtDebug>

#include <cmath>
#include <limits>

const QString QVScalePathKey = QStringLiteral("scalePath");

namespace {

class HIDScale final : public QVScaleSetupUSB
{
public:
    bool haveDevices() override { return HIDHaveDeviceList() && HIDCountDevices() > 0; }
    bool readRawOunces(double *rawOunces) override
    {
        int64_t whole = 0;
        int64_t status = 0;
        return QVUSBScale::genericWeightDataValue(&whole, &status, nullptr, rawOunces);
    }
    bool readName(QString *name) override { return QVUSBScale::genericWeightDataValue(nullptr, nullptr, name); }
    bool rebuildDeviceList() override
    {
        const uint32_t page = ScaleUsage::Page;
        const uint32_t usage = 0;
        return HIDUpdateDeviceList(&page, &usage, 1);
    }
    bool zeroScale() override { return QVUSBScale::zeroScale(); }
};

class EventLoopTimer final : public QVScaleSetupTimer
{
public:
    void schedule(int milliseconds, std::function<void()> action) override
    {
        QTimer::singleShot(milliseconds, std::move(action));
    }
};

// The ports of one USB serial adapter: its name on the Mac and on Linux.
bool isPreferredPort(const QString &path)
{
    return path.contains(QLatin1String("usbserial0")) || path.contains(QLatin1String("ttyUSB0"));
}

std::unique_ptr<QVScaleSetupController> &sharedInstance()
{
    static std::unique_ptr<QVScaleSetupController> controller;
    return controller;
}

} // namespace

QVScaleSetupController::QVScaleSetupController(std::shared_ptr<QVScaleSetupUSB> usb,
                                               std::shared_ptr<QVScaleSetupTimer> timer)
    : m_usb(usb ? std::move(usb) : std::make_shared<HIDScale>()),
      m_timer(timer ? std::move(timer) : std::make_shared<EventLoopTimer>()),
      m_serialPortList(SXSerialPortList::sharedPortList()), m_defaults(UserDefaults::standardUserDefaults())
{
    m_state.typeItems = {{QStringLiteral("None"), QVScaleTypeNone},
                         {QStringLiteral("Serial Scale"), QVScaleTypeSerial},
                         {QStringLiteral("USB Scale"), QVScaleTypeUSB}};
    const QString path = m_defaults.stringForKey(QVScalePathKey);
    if (!path.isEmpty()) {
        if (std::shared_ptr<SXSerialPort> port = m_serialPortList.objectWithBSDPath(path)) {
            m_serialPort = port;
            m_scale = QVTolvane22lbScale::initWithSerialPort(port);
            m_scaleType = QVScaleTypeSerial;
        }
    } else if (m_usb->haveDevices()) {
        m_scaleType = QVScaleTypeUSB;
    }
    m_state.selectedTypeTag = m_scaleType;
}

QVScaleSetupController::~QVScaleSetupController() { *m_alive = false; }

QVScaleSetupController &QVScaleSetupController::sharedController()
{
    if (!sharedInstance())
        sharedInstance() = std::make_unique<QVScaleSetupController>();
    return *sharedInstance();
}

void QVScaleSetupController::resetSharedController() { sharedInstance().reset(); }

void QVScaleSetupController::changed()
{
    if (m_stateChanged)
        m_stateChanged();
}

void QVScaleSetupController::windowDidLoad()
{
    m_windowLoaded = true;
    setupPortPopup();
    m_state.selectedTypeTag = m_scaleType;
    setUSBScaleMenuItem();
    m_state.tareEnabled = m_scaleType == QVScaleTypeUSB;
    updateWeightFieldsWithWeightInMils(0);
    m_timer->schedule(0, [this, alive = std::weak_ptr<bool>(m_alive)] {
        if (alive.lock())
            readScale();
    });
    m_portListObserver =
        NotificationCenter::defaultCenter().addObserver(SXSerialPortListDidUpdateNotifiation, &m_serialPortList,
                                                        [this](const Notification &) { serialPortListChanged(); });
    changed();
}

void QVScaleSetupController::setupPortPopup()
{
    m_state.portItems.clear();
    m_state.selectedPortIndex = -1;
    m_state.portPopupEnabled = true;
    m_state.refreshEnabled = true;
    if (m_scaleType == QVScaleTypeNone || m_scaleType == QVScaleTypeUSB) {
        m_state.portItems = {m_scaleType == QVScaleTypeNone ? QStringLiteral("None") : QStringLiteral("USB")};
        m_state.selectedPortIndex = 0;
        m_state.portPopupEnabled = false;
        m_state.refreshEnabled = false;
    } else {
        int preferred = -1;
        for (const std::shared_ptr<SXSerialPort> &port : m_serialPortList.ports()) {
            const QString path = port->bsdPath();
            if (isPreferredPort(path))
                preferred = int(m_state.portItems.size());
            m_state.portItems.append(path);
        }
        if (!m_state.portItems.isEmpty())
            m_state.selectedPortIndex = 0;
        if (m_serialPort)
            selectPortWithPath(m_serialPort->bsdPath());
        else if (preferred >= 0)
            m_state.selectedPortIndex = preferred;
    }
    m_state.tareEnabled = m_scaleType == QVScaleTypeUSB;
    changed();
}

void QVScaleSetupController::selectPortWithPath(const QString &path)
{
    const qsizetype index = m_state.portItems.indexOf(path);
    if (index >= 0)
        m_state.selectedPortIndex = int(index);
}

QString QVScaleSetupController::selectedPortTitle() const
{
    const int index = m_state.selectedPortIndex;
    return index >= 0 && index < m_state.portItems.size() ? m_state.portItems.at(index) : QString();
}

void QVScaleSetupController::scaleTypeChanged(int32_t tag)
{
    m_state.selectedTypeTag = tag;
    switch (tag) {
    case QVScaleTypeUSB:
        m_scaleType = QVScaleTypeUSB;
        m_defaults.removeObjectForKey(QVScalePathKey);
        break;
    case QVScaleTypeSerial:
        m_scaleType = QVScaleTypeSerial;
        break;
    default:
        dropSerialScale();
        m_defaults.removeObjectForKey(QVScalePathKey);
        m_scaleType = QVScaleTypeNone;
        break;
    }
    setupPortPopup();
    m_timer->schedule(0, [this, alive = std::weak_ptr<bool>(m_alive)] {
        if (alive.lock())
            readScale();
    });
}

void QVScaleSetupController::portChosen(int index)
{
    if (index < 0 || index >= m_state.portItems.size())
        return;
    m_state.selectedPortIndex = index;
    changed();
    readScale();
}

void QVScaleSetupController::readScale()
{
    if (m_scaleType == QVScaleTypeUSB)
        readUSBScale();
    else if (m_scaleType == QVScaleTypeSerial)
        readSerialScale();
}

void QVScaleSetupController::readUSBScale()
{
    double raw = 0;
    bool read = m_usb->readRawOunces(&raw);
    if (!read && m_usb->rebuildDeviceList() && m_usb->haveDevices())
        read = m_usb->readRawOunces(&raw);
    if (read) {
        // Tenths of an ounce, truncated; kept within what the field holds.
        const double tenths = std::trunc(raw * 10);
        const double bound = double(std::numeric_limits<int32_t>::max());
        updateWeightFieldsWithWeightInMils(int32_t(std::isfinite(tenths) ? std::clamp(tenths, -bound, bound) : 0));
    } else {
        showCouldNotConnect();
    }
    setUSBScaleMenuItem();
}

void QVScaleSetupController::readSerialScale()
{
    const QString title = selectedPortTitle();
    if (!m_scale || m_scale->portPath() != title || m_state.selectedTypeTag == QVScaleTypeNone || !m_serialPort ||
        !m_serialPort->isOpen()) {
        dropSerialScale();
        if (m_state.selectedTypeTag == QVScaleTypeSerial) {
            if (std::shared_ptr<SXSerialPort> port = m_serialPortList.objectWithBSDPath(title))
                makeSerialScale(port);
        }
    }
    if (!m_scale) {
        showCouldNotConnect();
    } else if (m_scaleTries > 19) {
        qWarning() << "couldn't read scale";
        m_scaleTries = 0;
    } else if (m_scale->scaleIsInitialized()) {
        m_scaleTries = 0;
        updateWeightFieldsWithWeightInMils(m_scale->weightInMils());
        m_defaults.setString(m_serialPort->bsdPath(), QVScalePathKey);
    } else {
        m_state.progressAnimating = true;
        ++m_scaleTries;
        changed();
        m_timer->schedule(100, [this, alive = std::weak_ptr<bool>(m_alive)] {
            if (alive.lock())
                readScale();
        });
        return;
    }
    m_state.progressAnimating = false;
    changed();
}

void QVScaleSetupController::showCouldNotConnect()
{
    Alert alert;
    alert.messageText = QStringLiteral("Couldn't connect to scale.");
    alert.informativeText = QStringLiteral("Your scale could not be located. Please make sure it is a properly "
                                           "connected to your computer and turned on.");
    alert.buttons = {{QStringLiteral("OK"), 1}};
    alert.cancelAnswer = 1;
    runAlert(alert);
}

void QVScaleSetupController::dropSerialScale()
{
    m_scale.reset();
    m_serialPort.reset();
}

void QVScaleSetupController::makeSerialScale(const std::shared_ptr<SXSerialPort> &port)
{
    m_serialPort = port;
    m_scale = QVTolvane22lbScale::initWithSerialPort(port);
}

void QVScaleSetupController::setUSBScaleMenuItem()
{
    for (QVScaleSetupItem &item : m_state.typeItems) {
        if (item.tag != QVScaleTypeUSB)
            continue;
        if (m_originalMenuItemName.isNull())
            m_originalMenuItemName = item.title;
        QString name;
        item.title = m_usb->readName(&name) ? name : m_originalMenuItemName;
    }
    changed();
}

void QVScaleSetupController::tareScale()
{
    if (m_scaleType == QVScaleTypeUSB && m_usb->zeroScale())
        updateWeightFieldsWithWeightInMils(0);
}

void QVScaleSetupController::updateWeightFieldsWithWeightInMils(int32_t mils)
{
    m_state.weightInPounds = QString::number(mils / 160);
    m_state.weightInOunces = QString::number(double(mils % 160) / 10.0);
    changed();
}

void QVScaleSetupController::serialPortListChanged()
{
    setupPortPopup();
    if (m_serialPort && !m_serialPortList.objectWithBSDPath(m_serialPort->bsdPath())) {
        dropSerialScale();
        m_state.selectedTypeTag = QVScaleTypeNone;
        changed();
    }
}

void QVScaleSetupController::refreshPortList()
{
    m_serialPortList.init();
    if (m_serialPort) {
        selectPortWithPath(m_serialPort->bsdPath());
        changed();
    }
}
