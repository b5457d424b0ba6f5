#include "platform/Bundle.h"
#include "platform/Paths.h"

#include "QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <optional>

namespace {

// Sets an environment variable for the life of the object, then puts the old
// value back.
class ScopedEnv
{
public:
    ScopedEnv(const char *name, const std::optional<QString> &value) : m_name(name)
    {
        if (qEnvironmentVariableIsSet(name))
            m_old = qEnvironmentVariable(name);
        if (value)
            qputenv(name, value->toLocal8Bit());
        else
            qunsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_old)
            qputenv(m_name, m_old->toLocal8Bit());
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    std::optional<QString> m_old;
};

TEST(Paths, SupportFolderComesFromTheEnvironmentAndIsCreated)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString wanted = dir.filePath(QStringLiteral("a/b/support"));
    {
        ScopedEnv env("TOLVANE_SUPPORT_DIR", wanted);
        EXPECT_FALSE(QFileInfo::exists(wanted));
        EXPECT_EQ(applicationSupportDirectory(), QDir::cleanPath(wanted));
        EXPECT_TRUE(QFileInfo(wanted).isDir());
    }
    {
        ScopedEnv env("TOLVANE_SUPPORT_DIR", std::nullopt);
        const QString standard = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        ASSERT_FALSE(standard.isEmpty());
        EXPECT_EQ(applicationSupportDirectory(), QDir::cleanPath(standard));
        EXPECT_TRUE(QFileInfo(standard).isDir());
    }
    {
        // A folder that cannot be made: nothing rather than somewhere else.
        QFile blocker(dir.filePath(QStringLiteral("file")));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        ScopedEnv env("TOLVANE_SUPPORT_DIR", dir.filePath(QStringLiteral("file/support")));
        EXPECT_TRUE(applicationSupportDirectory().isEmpty());
    }
}

TEST(Bundle, FindsTheBundledDefaults)
{
    const QString path = Bundle::pathForResource(QStringLiteral("QVDefaults"), QStringLiteral("plist"));
    ASSERT_FALSE(path.isEmpty());
    EXPECT_TRUE(path.endsWith(QStringLiteral("/QVDefaults.plist")));
    EXPECT_EQ(Bundle::pathForResource(QStringLiteral("QVDefaults.plist")), path);
    QString error;
    const auto defaults = Bundle::propertyListForResource(QStringLiteral("QVDefaults"), &error);
    ASSERT_TRUE(defaults.has_value()) << error.toStdString();
    EXPECT_EQ(defaults->metaType().id(), QMetaType::QVariantMap);

    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$")).match(Bundle::version()).hasMatch())
        << Bundle::version().toStdString();
}

TEST(Bundle, MissingOrEscapingNamesFindNothing)
{
    QString error;
    EXPECT_TRUE(Bundle::pathForResource(QStringLiteral("NoSuchResource"), QStringLiteral("plist")).isEmpty());
    EXPECT_FALSE(Bundle::propertyListForResource(QStringLiteral("NoSuchResource"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("NoSuchResource.plist")));
    const char *hostile[] = {"../CMakeLists", "..", "sub/QVDefaults", "/etc/passwd", "a\\b", ""};
    for (const char *name : hostile)
        EXPECT_TRUE(Bundle::pathForResource(QString::fromLatin1(name), QStringLiteral("txt")).isEmpty()) << name;
    EXPECT_TRUE(Bundle::pathForResource(QStringLiteral("QVDefaults"), QStringLiteral("plist/../x")).isEmpty());
}

TEST(Bundle, EnvironmentFolderComesFirst)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile own(dir.filePath(QStringLiteral("QVDefaults.plist")));
    ASSERT_TRUE(own.open(QIODevice::WriteOnly));
    own.write("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>own</key><string>yes</string></dict></plist>");
    own.close();
    QFile broken(dir.filePath(QStringLiteral("Broken.plist")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("bplist00 not really");
    broken.close();

    ScopedEnv env("TOLVANE_RESOURCES_DIR", dir.path());
    EXPECT_EQ(Bundle::resourceSearchPaths().value(0), QDir::cleanPath(dir.path()));
    const auto defaults = Bundle::propertyListForResource(QStringLiteral("QVDefaults"));
    ASSERT_TRUE(defaults.has_value());
    EXPECT_EQ(defaults->toMap().value(QStringLiteral("own")), QVariant(QStringLiteral("yes")));
    // Other resources are still found further down the list.
    EXPECT_FALSE(Bundle::pathForResource(QStringLiteral("country2013"), QStringLiteral("dat")).isEmpty());
    QString error;
    EXPECT_FALSE(Bundle::propertyListForResource(QStringLiteral("Broken"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Broken.plist")));
}

} // namespace
