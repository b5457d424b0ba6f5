#include "devices/QVTolvane22lbScale.h"

#include "model/StringAdditions.h"
#include "platform/ApplicationNotifications.h"
#include "platform/Dialogs.h"

#include <QSocketNotifier>
#include <QtDebug>

#include <cerrno>
#include <cstring>
#include <termios.h>
#include <unistd.h>

namespace {

std::function<void(QVTolvane22lbScale *)> &showScaleSetupHook()
{
    static std::function<void(QVTolvane22lbScale *)> hook;
    return hook;
}

// A decimal integer as the platform reads one from text: leading blanks
// skipped, an optional sign, the digits up to the first non-digit, 0 when
// there are none. Only short pieces come here (at most 3 characters).
int32_t integerValue(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    int32_t value = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i)
        value = value * 10 + (text[i].unicode() - u'0');
    return negative ? -value : value;
}

// The ceiling of n / 10 in whole numbers.
int32_t ceilingOfTenth(int32_t n) { return n >= 0 ? (n + 9) / 10 : -((-n) / 10); }

} // namespace

std::optional<SerialScaleReading> parseSerialScaleBuffer(const QByteArray &buffer)
{
    const QString text = stringWithData(buffer, StringEncoding::MacOSRoman).value_or(QString());
    const QStringList pieces = text.split(QLatin1Char('\r'));
    if (pieces.size() < 3)
        return std::nullopt;
    const QString &reading = pieces.at(pieces.size() - 2);
    if (reading.size() != 9)
        return std::nullopt;
    const int32_t pounds = integerValue(QStringView(reading).mid(4, 2));
    const int32_t tenths = integerValue(QStringView(reading).mid(6, 3));
    return SerialScaleReading{tenths + 160 * pounds, 16 * pounds + ceilingOfTenth(tenths)};
}

std::unique_ptr<QVTolvane22lbScale> QVTolvane22lbScale::initWithSerialPort(std::shared_ptr<SXSerialPort> port)
{
    if (!port)
        return nullptr;
    std::unique_ptr<QVTolvane22lbScale> scale(new QVTolvane22lbScale(std::move(port)));
    SXSerialPort &p = *scale->m_port;
    const std::optional<int> fd = p.open();
    if (fd) {
        p.setRawMode();
        p.setSpeed(2400);
        p.setDataBits(8);
        p.setParityNone();
        p.setStopBits2(true);
    }
    if (!fd || !p.commitChanges()) {
        qWarning() << "we failed commiting the changes";
        p.close();
        return nullptr;
    }
    scale->m_validData = false;
    QVTolvane22lbScale *self = scale.get();
    NotificationCenter &center = NotificationCenter::defaultCenter();
    self->m_terminateObserver = center.addObserver(NSApplicationWillTerminateNotification,
                                                   [self](const Notification &) { self->appIsQuitting(); });
    self->m_resignObserver = center.addObserver(NSApplicationDidResignActiveNotification,
                                                [self](const Notification &) { self->toggleReading(false); });
    self->m_activeObserver = center.addObserver(NSApplicationDidBecomeActiveNotification,
                                                [self](const Notification &) { self->toggleReading(true); });
    self->m_notifier = std::make_unique<QSocketNotifier>(*fd, QSocketNotifier::Read);
    QObject::connect(self->m_notifier.get(), &QSocketNotifier::activated, self->m_notifier.get(),
                     [self] { self->readAvailable(); });
    return scale;
}

QVTolvane22lbScale::QVTolvane22lbScale(std::shared_ptr<SXSerialPort> port) : m_port(std::move(port)) {}

QVTolvane22lbScale::~QVTolvane22lbScale() { appIsQuitting(); }

QString QVTolvane22lbScale::portPath() const { return m_port ? m_port->bsdPath() : QString(); }

bool QVTolvane22lbScale::isReading() const { return m_notifier && m_notifier->isEnabled(); }

void QVTolvane22lbScale::readAvailable()
{
    char bytes[4096];
    ssize_t n = 0;
    do {
        n = ::read(m_port->fileDescriptor(), bytes, sizeof bytes);
    } while (n < 0 && errno == EINTR);
    if (n > 0) {
        readData(QByteArray(bytes, qsizetype(n)));
        return;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return; // nothing there after all: wait for the next bytes
    // No bytes at all is the end of the device's stream: the device is gone.
    readFailed(QString::fromLocal8Bit(std::strerror(n == 0 ? ENODEV : errno)));
}

void QVTolvane22lbScale::readData(const QByteArray &bytes)
{
    if (m_firstDataCount <= 400)
        m_firstDataCount += int32_t(qMin<qsizetype>(bytes.size(), 4096));
    m_data.append(bytes);
    if (m_data.size() <= 50)
        return;
    if (const std::optional<SerialScaleReading> reading = parseSerialScaleBuffer(m_data)) {
        m_mils = reading->mils;
        m_ounces = reading->ounces;
        m_validData = true;
    }
    m_data.clear();
}

void QVTolvane22lbScale::readFailed(const QString &error)
{
    m_validData = false;
    // This runs in the notifier's own signal: it goes once that returned.
    m_notifier->setEnabled(false);
    m_notifier.release()->deleteLater();
    m_resignObserver.reset();
    m_activeObserver.reset();
    m_port->close();

    Alert alert;
    alert.messageText = QStringLiteral("Scale Error");
    alert.informativeText = QStringLiteral("There has been an error reading from your scale. Please reconfigure your "
                                           "scale settings to continue using your scale.\n\nError: %1.")
                                .arg(error);
    alert.buttons = {{QStringLiteral("Scale Setup"), 1}, {QStringLiteral("OK"), 0}};
    alert.cancelAnswer = 0;
    if (runAlert(alert) == 1 && showScaleSetupHook())
        showScaleSetupHook()(this); // last: the hook may let this scale go
}

void QVTolvane22lbScale::toggleReading(bool active)
{
    if (!m_notifier || m_notifier->isEnabled() == active)
        return;
    if (active) {
        // What arrived while inactive is not handled.
        ::tcflush(m_port->fileDescriptor(), TCIFLUSH);
        m_data.clear();
    }
    m_notifier->setEnabled(active);
}

void QVTolvane22lbScale::appIsQuitting()
{
    m_notifier.reset();
    m_resignObserver.reset();
    m_activeObserver.reset();
    m_terminateObserver.reset();
    if (m_port)
        m_port->close();
    m_data.clear();
}

void QVTolvane22lbScale::setShowScaleSetup(std::function<void(QVTolvane22lbScale *)> hook)
{
    showScaleSetupHook() = std::move(hook);
}
