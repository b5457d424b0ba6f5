#pragma once
// Files that survive a power loss once written: the whole file or nothing,
// on the disk, and the folder's entry for it on the disk too.
//
// writeFileDurably() writes a temporary file beside the target, syncs it to
// disk (fsync), renames it over the target and then syncs the folder, so
// that the rename itself is kept. syncFolder() syncs a folder after a file
// in it was created, renamed or removed by other means.
//
// Tests may watch the syncs (each path synced, and whether it was a folder)
// through setSyncObserverForTesting(); nothing else changes.
#include <QByteArray>
#include <QString>

#include <functional>

// False (the reason in *error, the target untouched) when the file cannot
// be written, synced or put in place. A folder that cannot be synced after
// the rename is not an error: the file is in place.
bool writeFileDurably(const QString &path, const QByteArray &data, QString *error = nullptr);

// Syncs the folder's entries to disk; false when it cannot be opened or
// synced.
bool syncFolder(const QString &folder);

using SyncObserver = std::function<void(const QString &path, bool isFolder)>;
void setSyncObserverForTesting(SyncObserver observer);
