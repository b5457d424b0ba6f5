#include "platform/Plugins.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QtDebug>

QStringList pluginSearchPaths(const QString &buildFolder)
{
    QStringList folders;
    if (QCoreApplication::instance()) {
        const QDir programFolder(QCoreApplication::applicationDirPath());
        folders << QDir::cleanPath(programFolder.filePath(QStringLiteral("../lib/tolvane")))
                << programFolder.absolutePath();
    }
    if (!buildFolder.isEmpty())
        folders << buildFolder;
    folders.removeDuplicates();
    return folders;
}

QString pluginPath(const QString &fileName, const QString &buildFolder)
{
    for (const QString &folder : pluginSearchPaths(buildFolder)) {
        const QFileInfo file(QDir(folder).filePath(fileName));
        if (file.isFile())
            return file.absoluteFilePath();
    }
    return QString();
}

QFunctionPointer resolvePluginEntry(const QString &fileName, const QString &buildFolder, const char *entry,
                                    QString *error)
{
    QString reason;
    QFunctionPointer function = nullptr;
    const QString path = pluginPath(fileName, buildFolder);
    if (path.isEmpty()) {
        reason = QStringLiteral("The plug-in %1 is not in %2")
                     .arg(fileName, pluginSearchPaths(buildFolder).join(QStringLiteral(", ")));
    } else {
        // Never unloaded: what it makes may live until the process ends. A
        // QLibrary that goes without unload() leaves its library loaded.
        QLibrary library(path);
        function = library.resolve(entry);
        if (!function)
            reason = QStringLiteral("The plug-in %1 could not be loaded: %2").arg(fileName, library.errorString());
    }
    if (!function) {
        qWarning().noquote() << reason;
        if (error)
            *error = reason;
    }
    return function;
}
