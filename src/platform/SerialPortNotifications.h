#pragma once
// The name of the notice that the machine's serial-port list changed: the
// devices layer's port list posts it after every scan, with the list as its
// object; the printer set-up and the scale set-up observe it.
#include <QString>

inline const QString SXSerialPortListDidUpdateNotifiation = QStringLiteral("SXSerialPortListDidUpdateNotifiation");
