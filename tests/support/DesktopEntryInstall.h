#pragma once
// Runs scripts/install-desktop-entry.sh for a user whose home and XDG
// folders lie in `root` (and who has no system data folders), as the
// desktop-entry tests do. The environment it ran in (for xdg-mime queries
// after it); *error holds the script's standard error when it failed.
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include <optional>

namespace tolvane::test {

inline std::optional<QProcessEnvironment> installDesktopEntries(const QString &root, QString *error = nullptr)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
        environment.insert(QLatin1String(name), QDir(root).filePath(QLatin1String(name)));
    environment.insert(QStringLiteral("XDG_DATA_DIRS"), QDir(root).filePath(QStringLiteral("none")));
    QProcess install;
    install.setProcessEnvironment(environment);
    install.start(QStringLiteral(TOLVANE_SOURCE_DIR "/scripts/install-desktop-entry.sh"), {});
    if (!install.waitForFinished(30000) || install.exitStatus() != QProcess::NormalExit || install.exitCode() != 0) {
        if (error)
            *error = QString::fromUtf8(install.readAllStandardError());
        return std::nullopt;
    }
    return environment;
}

} // namespace tolvane::test
