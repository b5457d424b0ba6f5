#pragma once
// The program's bundled resources (property lists, templates, country
// files) and its version.
//
// Resources are plain files found in the first of these folders that holds
// the file asked for:
//   1. the folder named by the environment variable TOLVANE_RESOURCES_DIR;
//   2. <folder of the executable>/../share/tolvane/resources (installed);
//   3. the source tree's resources folder, fixed when the program is built.
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

class Bundle
{
public:
    // The folders searched, in order (only those that exist).
    static QStringList resourceSearchPaths();

    // The path of the resource file `name`.`type` (just `name` when the type
    // is empty), or an empty string when there is none. A name or type that
    // would leave the resource folders (path separators, "..") finds nothing.
    static QString pathForResource(const QString &name, const QString &type = QString());

    // The property list in the resource `name` of type "plist"; nothing (and
    // an error text) when it is missing or not a valid property list.
    static std::optional<QVariant> propertyListForResource(const QString &name, QString *error = nullptr);

    // The program's version, e.g. "1.0.0".
    static QString version();
    // The version shown to people ("CFBundleShortVersionString"): version().
    static QString shortVersionString() { return version(); }
    // The build number ("CFBundleVersion"), an integer text above 364 that
    // grows with every build released.
    static QString bundleVersion();
    // The program's name ("CFBundleName"): "Tolvane".
    static QString bundleName();
    // The program's identifier among applications ("org.tolvane.Tolvane"),
    // of which some stored keys are made.
    static QString bundleIdentifier();
};
