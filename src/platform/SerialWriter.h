#pragma once
// Writes a byte stream to a serial (or other character) device.
//
// The device is opened write-only, without becoming the controlling
// terminal. When it is a terminal it is put in raw mode first (no output
// processing, so LF stays LF and every byte goes out as it is; 8 data bits;
// the line speed is left as it is), and the write waits until every byte has
// left. The whole stream is written, retrying partial writes; anything short
// of the whole stream is a failure.
#include <QByteArray>
#include <QString>

struct SerialWriteResult {
    enum class Status {
        Written,
        OpenFailed,  // the device could not be opened
        WriteFailed, // an error, or fewer bytes than the stream went out
    };
    Status status = Status::WriteFailed;
    // The value open() returned (-1) when it failed, else the descriptor.
    int openResult = -1;
    qint64 bytesWritten = 0;
    QString errorText;

    bool ok() const { return status == Status::Written; }
};

SerialWriteResult writeToSerialDevice(const QString &path, const QByteArray &data);
