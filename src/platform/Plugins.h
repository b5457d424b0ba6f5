#pragma once
// Where the program's own plug-ins (the parts it loads when first used, not
// at start-up) are found.
//
// A plug-in is looked for, in this order, in the folder "../lib/tolvane"
// beside the program's folder (the installed layout), in the program's own
// folder, and in the folder where the build that made the caller puts it
// (buildFolder; empty for none). The program's folder is known only once the
// application object exists.
#include <QFunctionPointer>
#include <QString>
#include <QStringList>

// The folders searched, in order (existing or not).
QStringList pluginSearchPaths(const QString &buildFolder);
// The path of the first file named fileName in them; empty when there is none.
QString pluginPath(const QString &fileName, const QString &buildFolder);
// The function `entry` of the plug-in fileName, loaded on first use and
// never unloaded; null when the plug-in is missing or cannot be loaded (the
// reason, said on the console, in *error when given).
QFunctionPointer resolvePluginEntry(const QString &fileName, const QString &buildFolder, const char *entry,
                                    QString *error = nullptr);
