#include "platform/Bundle.h"

#include "platform/PropertyList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QtGlobal>

namespace {

QString executableDirectory()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(QLatin1Char('/'), 0, -2);
}

bool isPlainName(const QString &text)
{
    return !text.contains(QLatin1Char('/')) && !text.contains(QLatin1Char('\\')) && !text.contains(QChar(0)) &&
        text != QLatin1String(".") && text != QLatin1String("..");
}

} // namespace

QStringList Bundle::resourceSearchPaths()
{
    QStringList candidates;
    const QString fromEnvironment = qEnvironmentVariable("TOLVANE_RESOURCES_DIR");
    if (!fromEnvironment.isEmpty())
        candidates << fromEnvironment;
    const QString exeDir = executableDirectory();
    if (!exeDir.isEmpty())
        candidates << QDir(exeDir).filePath(QStringLiteral("../share/tolvane/resources"));
#ifdef TOLVANE_RESOURCES_DIR
    candidates << QStringLiteral(TOLVANE_RESOURCES_DIR);
#endif
    QStringList existing;
    for (const QString &candidate : candidates) {
        const QString clean = QDir::cleanPath(QDir(candidate).absolutePath());
        if (QFileInfo(clean).isDir() && !existing.contains(clean))
            existing << clean;
    }
    return existing;
}

QString Bundle::pathForResource(const QString &name, const QString &type)
{
    if (name.isEmpty() || !isPlainName(name) || (!type.isEmpty() && !isPlainName(type)))
        return QString();
    const QString fileName = type.isEmpty() ? name : name + QLatin1Char('.') + type;
    if (!isPlainName(fileName))
        return QString();
    for (const QString &folder : resourceSearchPaths()) {
        const QString path = QDir(folder).filePath(fileName);
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

std::optional<QVariant> Bundle::propertyListForResource(const QString &name, QString *error)
{
    const QString path = pathForResource(name, QStringLiteral("plist"));
    if (path.isEmpty()) {
        if (error)
            *error = QStringLiteral("The resource “%1.plist” was not found.").arg(name);
        return std::nullopt;
    }
    return readPropertyListFile(path, error);
}

QString Bundle::version()
{
#ifdef TOLVANE_VERSION
    return QStringLiteral(TOLVANE_VERSION);
#else
    return QString();
#endif
}

QString Bundle::bundleVersion()
{
#ifdef TOLVANE_BUILD_NUMBER
    return QStringLiteral(TOLVANE_BUILD_NUMBER);
#else
    return QString();
#endif
}

QString Bundle::bundleName() { return QStringLiteral("Tolvane"); }

QString Bundle::bundleIdentifier() { return QStringLiteral("org.tolvane.Tolvane"); }
