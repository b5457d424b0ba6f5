#pragma once
// Whether a path lies on a file system mounted read-only (a disk image, an
// optical disc, a read-only mount): the read-only flag of the file system's
// status (statvfs). A path whose status cannot be read counts as writable.
#include <QString>

bool isPathOnReadOnlyVolume(const QString &path);
