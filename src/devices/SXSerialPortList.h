#pragma once
// The one list of the machine's RS-232 style serial ports.
//
// A scan asks a port source for the ports (name and device path, in the
// source's order) and keeps one SXSerialPort object per path: a port found
// again by a rescan is the same object as before, so a holder of a port
// keeps a port of the list; a port that is no longer found leaves the list
// (its holders keep a valid object). Every scan, also one that finds
// nothing or nothing new, posts SXSerialPortListDidUpdateNotifiation on the
// default NotificationCenter with the list as its object.
//
// The real source is libudev: every device of the "tty" subsystem that has
// a device node and a real parent device (USB serial adapters, ACM modems,
// on-board ports); terminals without a parent (virtual consoles, ptys) are
// left out, and so are the on-board 8250 ports of the "platform" bus whose
// UART type is 0 (a port number with no hardware behind it). The name is
// the terminal's name ("ttyUSB0"), the path its "/dev" node. Tests give a
// source of their own (pty paths).
//
// Main thread only.
#include "devices/SXSerialPort.h"
#include "platform/SerialPortNotifications.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

struct SXSerialPortDescription {
    QString name;
    QString path;
};

using SXSerialPortSource = std::function<QList<SXSerialPortDescription>()>;

class SXSerialPortList
{
public:
    // The list; the first use scans.
    static SXSerialPortList &sharedPortList();

    // Scans again and posts the notification (the design's `init`).
    void init();

    unsigned count() const { return unsigned(m_portList.size()); }
    // The port at the index (an index outside the list is a caller error).
    std::shared_ptr<SXSerialPort> objectAtIndex(unsigned index) const { return m_portList.at(qsizetype(index)); }
    // The first port with that path, or null.
    std::shared_ptr<SXSerialPort> objectWithBSDPath(const QString &path) const;
    const QList<std::shared_ptr<SXSerialPort>> &ports() const { return m_portList; }

    // The source of later scans; an empty function brings back libudev.
    static void setPortSource(SXSerialPortSource source);
    // The serial ports that libudev knows.
    static QList<SXSerialPortDescription> udevSerialPorts();

    // For tests: forgets every port and goes back to the libudev source;
    // the next use of the shared list scans again.
    static void resetSharedPortList();

private:
    SXSerialPortList() = default;
    static SXSerialPortList &instance();
    void scan();

    QList<std::shared_ptr<SXSerialPort>> m_portList;
    QList<std::shared_ptr<SXSerialPort>> m_oldPortList;
    bool m_scanned = false;
};
