#pragma once
// Sends one byte stream straight to a Zebra printer's USB bulk-out pipe,
// bypassing the printing system: opens and configures the device, walks its
// interfaces, and writes the whole stream in one transfer on the first
// bulk-out pipe found. The stream is written once, to one pipe: a device with
// several interfaces does not print it twice.
//
// While an interface is used the kernel's printer driver bound to it is
// detached, and attached again afterwards. Each failing step prints one
// console line and stops its level; every level closes what it opened.
//
// The pauses the device needs (1 second between tries of a device held by
// another client, 1 second before and after the write) go through a
// replaceable sleep function, so tests run without waiting and count them.
#include "platform/UsbTransport.h"

#include <QByteArray>

#include <functional>

// Tries 1 to 5 of opening a device held by another client.
inline constexpr int kZebraUSBOpenAttempts = 5;

// Runs the whole transfer on a found device; true when every byte of the
// stream went out in the one write.
bool dealWithDevice(UsbDevice &device, const QByteArray &data);
// One interface: claims it (detaching the kernel driver), reads its
// endpoints (trying alternate setting 1 when setting 0 has none) and writes
// on its first bulk-out pipe. `tried` tells whether the interface had a
// bulk-out pipe and the write was tried.
bool dealWithInterface(UsbDevice &device, int interface, const QByteArray &data, bool &tried);
// The first bulk OUT pipe among the endpoints, or -1.
int dealWithPipes(const QList<UsbEndpoint> &endpoints);
// Clears the pipe's stall, waits 1 second, writes the stream in one
// transfer, waits 1 more second after a success. A partial transfer fails.
bool transferData(UsbDevice &device, int endpointAddress, const QByteArray &data);

// Replaces the function that pauses for whole seconds (nullptr restores the
// real sleep).
void setZebraUSBSleepFunction(std::function<void(int seconds)> sleep);
