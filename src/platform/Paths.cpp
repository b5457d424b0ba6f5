#include "platform/Paths.h"

#include <QDir>
#include <QStandardPaths>
#include <QtGlobal>

QString applicationSupportDirectory()
{
    QString path = qEnvironmentVariable("TOLVANE_SUPPORT_DIR");
    if (path.isEmpty())
        path = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (path.isEmpty()) {
        qWarning("No application-support folder is known.");
        return QString();
    }
    path = QDir::cleanPath(QDir(path).absolutePath());
    if (!QDir().mkpath(path)) {
        qWarning("The application-support folder %s could not be created.", qPrintable(path));
        return QString();
    }
    return path;
}
