#include "platform/VolumeStatus.h"

#include <QFile>

#include <sys/statvfs.h>

bool isPathOnReadOnlyVolume(const QString &path)
{
    if (path.isEmpty())
        return false;
    struct statvfs status {};
    if (::statvfs(QFile::encodeName(path).constData(), &status) != 0)
        return false;
    return (status.f_flag & ST_RDONLY) != 0;
}
