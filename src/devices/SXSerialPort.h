#pragma once
// One RS-232 style serial port over its device file ("/dev/ttyUSB0").
//
// A port is closed (descriptor -1) from creation. open() opens the device
// for reading and writing without making it the controlling terminal, and
// without waiting for a carrier (O_NONBLOCK, which stays set: readers use
// the descriptor with a socket notifier), keeps the terminal settings it
// found, and answers the descriptor. The setters change a working copy
// only; commitChanges() applies it at once (TCSANOW). close() puts back the
// settings found at open and closes the descriptor; it can be opened again.
//
// setSpeed() takes a baud rate (2400) and maps it to the terminal's speed
// constant (B2400); a rate without a constant is kept as an error that makes
// the next commit fail with EINVAL. setRawMode() makes the working settings
// raw (no canonical lines, no echo, no CR/LF translation, no output
// processing, 8 data bits, receiver on, modem lines ignored, reads answer as
// soon as one byte is there): every byte passes as it is.
//
// Failures are logged with the path and the system's error text and
// number; open answers nothing then. Main thread only; close() holds the
// port's close lock throughout.
#include <QString>

#include <termios.h>

#include <mutex>
#include <optional>

class SXSerialPort
{
public:
    // init:withName: a closed port for the device path.
    SXSerialPort(const QString &path, const QString &name);
    // Closes the port when it is open.
    ~SXSerialPort();
    SXSerialPort(const SXSerialPort &) = delete;
    SXSerialPort &operator=(const SXSerialPort &) = delete;

    QString bsdPath() const;
    QString name() const { return m_serviceName; }
    bool isOpen() const { return m_fileDescriptor >= 0; }
    int fileDescriptor() const { return m_fileDescriptor; }
    // The system error number of the last failed commit (0 before any).
    int lastError() const { return m_lastError; }

    // The open descriptor, or nothing when the device could not be opened
    // or its settings read (the port stays closed). Opening an open port
    // answers its descriptor.
    std::optional<int> open();

    void setSpeed(unsigned long speed);
    // 6, 7 or 8; any other count leaves 5 data bits.
    void setDataBits(int count);
    void setParityNone();
    // Two stop bits for true, one for false.
    void setStopBits2(bool two);
    void setRawMode();
    // Applies the working settings; false (lastError set) on failure or
    // when the port is closed; the device keeps its settings then.
    bool commitChanges();

    void close();

    // The working settings and those found at open (for tests and callers
    // that read back).
    const termios &options() const { return m_options; }
    const termios &originalOptions() const { return m_originalOptions; }

    // The terminal speed constant of a baud rate, or nothing.
    static std::optional<speed_t> speedConstant(unsigned long baud);

private:
    QByteArray m_bsdPath; // in the file system's representation
    QString m_serviceName;
    int m_fileDescriptor = -1;
    termios m_options{};
    termios m_originalOptions{};
    bool m_speedInvalid = false;
    int m_lastError = 0;
    std::mutex m_closeLock;
};
