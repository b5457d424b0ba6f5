// Shared main of the test executables: every run gets its own temporary
// application-support, configuration and temporary-file folders (removed with
// the run, so previews and other temporary files never pile up), and an
// offscreen Qt application so that widget code can be exercised without a
// display.
#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {
QTemporaryDir *g_root = nullptr;
}

namespace tolvane::test {

QString supportDir() { return QDir(g_root->path()).filePath(QStringLiteral("support")); }

} // namespace tolvane::test

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir root;
    if (!root.isValid())
        return 2;
    g_root = &root;
    QDir(root.path()).mkpath(QStringLiteral("support"));
    QDir(root.path()).mkpath(QStringLiteral("config"));
    QDir(root.path()).mkpath(QStringLiteral("tmp"));
    ::setenv("TOLVANE_SUPPORT_DIR", QDir(root.path()).filePath(QStringLiteral("support")).toLocal8Bit().constData(), 1);
    ::setenv("XDG_CONFIG_HOME", QDir(root.path()).filePath(QStringLiteral("config")).toLocal8Bit().constData(), 1);
    ::setenv("HOME", root.path().toLocal8Bit().constData(), 1);
    ::setenv("TMPDIR", QDir(root.path()).filePath(QStringLiteral("tmp")).toLocal8Bit().constData(), 1);
    if (!::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("TZ", "America/New_York", 0);
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tolvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Tolvane"));
    return RUN_ALL_TESTS();
}
