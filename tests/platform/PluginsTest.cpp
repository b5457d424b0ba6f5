// The search for the program's plug-ins (platform/Plugins.h): the folders in
// order, the first file found, and an entry point resolved or refused with
// a reason.
#include "platform/Plugins.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <plist/plist.h>

namespace {

TEST(Plugins, SearchesTheInstalledFolderThenTheProgramsThenTheBuilds)
{
    const QDir program(QCoreApplication::applicationDirPath());
    const QStringList expected{QDir::cleanPath(program.filePath(QStringLiteral("../lib/tolvane"))),
                               program.absolutePath(), QStringLiteral("/build/plugins")};
    EXPECT_EQ(pluginSearchPaths(QStringLiteral("/build/plugins")), expected);
    EXPECT_EQ(pluginSearchPaths(QString()), expected.mid(0, 2));
}

TEST(Plugins, FindsAFileInTheBuildFolderAndNeverAFolder)
{
    QTemporaryDir build;
    ASSERT_TRUE(build.isValid());
    EXPECT_TRUE(pluginPath(QStringLiteral("tolvane-test.so"), build.path()).isEmpty());
    ASSERT_TRUE(QDir(build.path()).mkdir(QStringLiteral("tolvane-test.so")));
    EXPECT_TRUE(pluginPath(QStringLiteral("tolvane-test.so"), build.path()).isEmpty());
    QFile file(QDir(build.path()).filePath(QStringLiteral("tolvane-other.so")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(pluginPath(QStringLiteral("tolvane-other.so"), build.path()), QFileInfo(file).absoluteFilePath());
}

TEST(Plugins, ResolvesAnEntryOrSaysWhyNot)
{
    QTemporaryDir build;
    ASSERT_TRUE(build.isValid());
    QString error;
    EXPECT_EQ(resolvePluginEntry(QStringLiteral("tolvane-missing.so"), build.path(), "entry", &error), nullptr);
    EXPECT_TRUE(error.contains(QStringLiteral("tolvane-missing.so is not in"))) << qPrintable(error);
    EXPECT_TRUE(error.contains(build.path())) << qPrintable(error);

    QFile garbage(QDir(build.path()).filePath(QStringLiteral("tolvane-garbage.so")));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("not a library");
    garbage.close();
    error.clear();
    EXPECT_EQ(resolvePluginEntry(QStringLiteral("tolvane-garbage.so"), build.path(), "entry", &error), nullptr);
    EXPECT_TRUE(error.contains(QStringLiteral("could not be loaded"))) << qPrintable(error);

    // A real shared library under a plug-in's name: its function is found
    // in that file.
    Dl_info info;
    ASSERT_NE(dladdr(reinterpret_cast<void *>(&plist_new_dict), &info), 0);
    ASSERT_TRUE(QFile::copy(QString::fromLocal8Bit(info.dli_fname),
                            QDir(build.path()).filePath(QStringLiteral("tolvane-plist.so"))));
    error.clear();
    const QFunctionPointer entry =
        resolvePluginEntry(QStringLiteral("tolvane-plist.so"), build.path(), "plist_new_dict", &error);
    ASSERT_NE(entry, nullptr) << qPrintable(error);
    EXPECT_TRUE(error.isEmpty());
    Dl_info found;
    ASSERT_NE(dladdr(reinterpret_cast<void *>(entry), &found), 0);
    EXPECT_EQ(QFileInfo(QString::fromLocal8Bit(found.dli_fname)).fileName(), QStringLiteral("tolvane-plist.so"));
}

} // namespace
