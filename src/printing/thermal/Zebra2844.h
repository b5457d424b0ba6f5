#pragma once
// The one way out for every byte stream meant for a Zebra printer (EPL2
// labels, EPL2/ZPL label-server data, the Zebra tools' commands), and the
// questions whether a Zebra route is present and which USB model is
// attached.
//
// writeData() chooses the route from the user defaults: the serial device
// `zebraSerialPath` when `zebraUseSerial`, else the raw print queue
// `advancedZebraPathPrinterID` when `advancedZebraPath`, else the first
// attached USB model of the table (vendor 0x0A5F). With `captureZebraOutput`
// a copy of the stream is first written to the application-support folder as
// "lastlabel-<seconds since 1 January 2001>.epl2"; the stream is sent anyway.
//
// Every route answers its outcome. When an attempt fails the retry alert
// asks the user: "Print Again" tries again (the serial route re-scans the
// serial ports first), "Cancel" ends with Cancelled. In automation mode the
// alert waits for nobody: it ends at once, and the outcome is Failed.
#include "platform/UsbTransport.h"

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <optional>

enum class ZebraWriteOutcome {
    Sent,      // every byte went out by the chosen route
    Failed,    // not sent, and nobody was asked (automation, no stream)
    Cancelled, // not sent; the user cancelled the retry alert
};

class Zebra2844
{
public:
    Zebra2844() = delete;

    static constexpr int vendorId = 0x0A5F;

    static ZebraWriteOutcome writeData(const QByteArray &data);

    // With zebraUseSerial: zebraSerialPath is set and names a serial port.
    // Otherwise: the default Zebra queue exists (with advancedZebraPath), or
    // a USB model of the table is attached.
    static bool printerAvailable();

    // The first attached USB device of the table, tried in the table's
    // order; null for none. printerOfType() also reports its product id.
    static std::unique_ptr<UsbDevice> printer();
    static std::unique_ptr<UsbDevice> printerOfType(int *productId);

    // Product ids in the order they are tried.
    static const QList<int> &productIds();
    // Product id to model name.
    static const QMap<int, QString> &zebraNames();
    // Nothing when no USB model is attached; else "programmingLanguage"
    // ("ZPL" or "EPL") and "name".
    static std::optional<QVariantMap> printerAttributes();

    // The capture file's name for a moment.
    static QString captureFileName(const QDateTime &when);

    // The texts of the retry alert.
    static const QString retryMessageText;
    static const QString retryInformativeText;
    static constexpr int printAgainAnswer = 1;
    static constexpr int cancelAnswer = 0;
};
