#pragma once
// Hands the devices layer's list of serial ports (SXSerialPortList, the one
// list of the machine's RS-232 style ports) to the printing layer, whose
// printer set-up and serial Zebra output ask for ports through their own
// interface; the kernel's USB printer nodes ("/dev/usb/lp*") that the
// printer set-up offered before stay listed after them. A rescan asked by printing rescans the shared list, which
// posts SXSerialPortListDidUpdateNotifiation for every observer.
#include "printing/PrintingServices.h"

#include <memory>

std::shared_ptr<QVPrintingSerialPortList> devicesSerialPortList();

// Registers it with the printing layer (at start-up).
void registerSerialPortList();
