#include "devices/SXSerialPort.h"

#include <QFile>
#include <QtDebug>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString errorText(int number) { return QString::fromLocal8Bit(std::strerror(number)); }

} // namespace

SXSerialPort::SXSerialPort(const QString &path, const QString &name)
    : m_bsdPath(QFile::encodeName(path)), m_serviceName(name)
{}

SXSerialPort::~SXSerialPort() { close(); }

QString SXSerialPort::bsdPath() const { return QFile::decodeName(m_bsdPath); }

std::optional<int> SXSerialPort::open()
{
    if (isOpen())
        return m_fileDescriptor;
    // O_NONBLOCK: a port whose modem lines are watched would otherwise wait
    // here for a carrier that a scale never raises.
    const int fd = ::open(m_bsdPath.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        qWarning().noquote()
            << QStringLiteral("Error opening serial port %1 - %2(%3).").arg(bsdPath(), errorText(error)).arg(error);
        return std::nullopt;
    }
    if (::tcgetattr(fd, &m_originalOptions) != 0) {
        const int error = errno;
        qWarning().noquote()
            << QStringLiteral("Error getting tty attributes %1 - %2(%3).").arg(bsdPath(), errorText(error)).arg(error);
        ::close(fd);
        return std::nullopt;
    }
    m_options = m_originalOptions;
    m_speedInvalid = false;
    m_fileDescriptor = fd;
    return fd;
}

std::optional<speed_t> SXSerialPort::speedConstant(unsigned long baud)
{
    static const struct {
        unsigned long baud;
        speed_t constant;
    } speeds[] = {
        {0, B0},           {50, B50},         {75, B75},         {110, B110},       {134, B134},
        {150, B150},       {200, B200},       {300, B300},       {600, B600},       {1200, B1200},
        {1800, B1800},     {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},
        {38400, B38400},   {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800},
        {500000, B500000}, {576000, B576000}, {921600, B921600},
    };
    for (const auto &s : speeds) {
        if (s.baud == baud)
            return s.constant;
    }
    return std::nullopt;
}

void SXSerialPort::setSpeed(unsigned long speed)
{
    const std::optional<speed_t> constant = speedConstant(speed);
    m_speedInvalid = !constant;
    if (!constant)
        return;
    ::cfsetospeed(&m_options, *constant);
    // 0: the input speed follows the output speed.
    ::cfsetispeed(&m_options, B0);
}

void SXSerialPort::setDataBits(int count)
{
    m_options.c_cflag &= ~tcflag_t(CSIZE);
    switch (count) {
    case 6:
        m_options.c_cflag |= CS6;
        break;
    case 7:
        m_options.c_cflag |= CS7;
        break;
    case 8:
        m_options.c_cflag |= CS8;
        break;
    default:
        break; // CS5
    }
}

void SXSerialPort::setParityNone() { m_options.c_cflag &= ~tcflag_t(PARENB); }

void SXSerialPort::setStopBits2(bool two)
{
    if (two)
        m_options.c_cflag |= CSTOPB;
    else
        m_options.c_cflag &= ~tcflag_t(CSTOPB);
}

void SXSerialPort::setRawMode()
{
    ::cfmakeraw(&m_options);
    m_options.c_cflag |= CREAD | CLOCAL;
    m_options.c_cc[VMIN] = 1;
    m_options.c_cc[VTIME] = 0;
}

bool SXSerialPort::commitChanges()
{
    if (!isOpen()) {
        m_lastError = EBADF;
        return false;
    }
    if (m_speedInvalid) {
        m_lastError = EINVAL;
        return false;
    }
    if (::tcsetattr(m_fileDescriptor, TCSANOW, &m_options) != 0) {
        m_lastError = errno;
        return false;
    }
    return true;
}

void SXSerialPort::close()
{
    if (!isOpen())
        return;
    const std::lock_guard<std::mutex> lock(m_closeLock);
    if (!isOpen())
        return;
    const int flags = ::fcntl(m_fileDescriptor, F_GETFL);
    if (flags == -1 || ::fcntl(m_fileDescriptor, F_SETFL, flags & ~O_NONBLOCK) == -1) {
        const int error = errno;
        qWarning().noquote()
            << QStringLiteral("Error clearing O_NONBLOCK %1 - %2(%3).").arg(bsdPath(), errorText(error)).arg(error);
    }
    if (::tcsetattr(m_fileDescriptor, TCSANOW, &m_originalOptions) != 0) {
        const int error = errno;
        qWarning().noquote()
            << QStringLiteral("Error resetting tty attributes - %1(%2).").arg(errorText(error)).arg(error);
    }
    ::close(m_fileDescriptor);
    m_fileDescriptor = -1;
}
