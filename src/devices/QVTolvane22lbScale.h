#pragma once
// The serial postal scale: a scale that streams its readings, unasked, as
// text over a serial line (2400 baud, 8 data bits, no parity, 2 stop bits).
// Nothing is ever written to it.
//
// Stream: Mac OS Roman text, readings separated by "\r". A reading is a
// piece of exactly 9 characters: 0-3 unused, 4-5 whole pounds, 6-8 tenths
// of an ounce beyond the pounds, each read as a decimal integer (leading
// blanks skipped, optional sign, digits to the first non-digit, 0 when
// none). Weights are in tenths of an ounce ("mils", 160 to the pound) and
// in whole ounces rounded up.
//
// initWithSerialPort() opens the port, makes the line raw (every byte as it
// is: Linux's default settings would turn "\r" into a line feed and echo
// the scale's bytes back to it) and commits the settings above; it answers
// null, logging "we failed commiting the changes", when the port cannot be
// opened or set. The scale then reads the descriptor whenever bytes are
// there (a QSocketNotifier on the main thread): bytes go to a buffer that is
// parsed, and emptied, once it holds more than 50 bytes; the second-to-last
// "\r"-separated piece is the latest complete reading. scaleIsInitialized()
// answers true once more than 400 bytes have arrived and a reading was
// parsed.
//
// While the application is inactive (NSApplicationDidResignActive...) the
// scale reads nothing; when it becomes active again, what the line
// delivered meanwhile and a half-received reading are dropped and reading
// resumes. At NSApplicationWillTerminateNotification, or when destroyed, it
// ends: it stops reading and closes its port (which restores the port's
// found settings).
//
// A read error, or a read that answers no bytes (the end of the device's
// stream: the adapter was pulled), stops reading for good: the port is
// closed, the reading is no longer valid, and the "Scale Error" alert is
// shown once through the dialogs interface; its "Scale Setup" button calls
// the hook registered with setShowScaleSetup().
//
// Main thread only.
#include "devices/SXSerialPort.h"
#include "platform/NotificationCenter.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QSocketNotifier;

// One reading of the serial scale.
struct SerialScaleReading {
    int32_t mils = 0;
    int32_t ounces = 0;
};

// The latest complete reading of the buffer (its second-to-last
// "\r"-separated piece), or nothing when the buffer holds fewer than 3
// pieces or that piece is not 9 characters long.
std::optional<SerialScaleReading> parseSerialScaleBuffer(const QByteArray &buffer);

class QVTolvane22lbScale
{
public:
    // The scale reading from the port, or null.
    static std::unique_ptr<QVTolvane22lbScale> initWithSerialPort(std::shared_ptr<SXSerialPort> port);
    ~QVTolvane22lbScale();
    QVTolvane22lbScale(const QVTolvane22lbScale &) = delete;
    QVTolvane22lbScale &operator=(const QVTolvane22lbScale &) = delete;

    QString portPath() const;
    int32_t weightInMils() const { return m_mils; }
    int32_t weightInOunces() const { return m_ounces; }
    bool scaleIsInitialized() const { return m_firstDataCount > 400 && m_validData; }
    // Whether the scale is waiting for bytes (not paused, ended or failed).
    bool isReading() const;
    const std::shared_ptr<SXSerialPort> &port() const { return m_port; }

    // Handles the bytes of one completed read.
    void readData(const QByteArray &bytes);
    // Ends the scale (as at termination).
    void appIsQuitting();

    // What the alert's "Scale Setup" button does (the application shows the
    // scale set-up window); the scale is passed as the sender.
    static void setShowScaleSetup(std::function<void(QVTolvane22lbScale *)> hook);

private:
    explicit QVTolvane22lbScale(std::shared_ptr<SXSerialPort> port);
    void readAvailable();
    void readFailed(const QString &error);
    void toggleReading(bool active);

    int32_t m_ounces = 0;
    int32_t m_mils = 0;
    std::shared_ptr<SXSerialPort> m_port;
    QByteArray m_data;
    int32_t m_firstDataCount = 0;
    bool m_validData = false;
    std::unique_ptr<QSocketNotifier> m_notifier;
    NotificationObserver m_resignObserver;
    NotificationObserver m_activeObserver;
    NotificationObserver m_terminateObserver;
};
