#pragma once
// Reading a file named from outside (opened, dropped, found in a folder)
// without trusting what its name points at: only a regular file is read,
// and never more than a limit.
//
// The file is opened without blocking (a FIFO or a device never holds the
// caller up), checked on its open descriptor (a regular file, no larger than
// the limit) and read to at most the limit plus one byte, so a file that
// grows while it is read is refused too. Nothing is read from anything else.
#include <QByteArray>
#include <QString>

#include <optional>

// The bytes of the regular file at the path, or nothing (the reason in
// *error) for a missing or unreadable file, a folder, a FIFO, a device, a
// socket, or a file of more than maxBytes bytes.
std::optional<QByteArray> readRegularFileAtMost(const QString &path, qint64 maxBytes, QString *error = nullptr);

// The first `count` bytes of the regular file at the path (all of it when it
// is shorter), for a reader that refuses an oversized file with reasons of
// its own; nothing (the reason in *error) for anything but a readable
// regular file. Opened and checked as above, and never more than `count`
// bytes read.
std::optional<QByteArray> readRegularFileStart(const QString &path, qint64 count, QString *error = nullptr);
