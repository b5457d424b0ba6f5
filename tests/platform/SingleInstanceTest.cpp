// SingleInstance: the first claim listens in a private folder, a second one
// finds the name taken, a socket left by a crashed copy does not block.
#include "platform/SingleInstance.h"

#include "RuntimeDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using tolvane::test::RuntimeDirScope;

TEST(SingleInstance, SecondClaimFindsTheNameTakenAndTheFirstServesOn)
{
    RuntimeDirScope runtime;
    SingleInstance first(QStringLiteral("tolvane-test-instance"));
    int handled = 0;
    first.setConnectionHandler([&](QLocalSocket *) { ++handled; });
    ASSERT_EQ(first.claim(), SingleInstance::Result::Listening) << first.errorString().toStdString();
    EXPECT_EQ(first.socketPath(), QDir(runtime.path()).filePath(QStringLiteral("tolvane-test-instance")));
    // Only the user may reach the socket.
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(first.socketPath()).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 077, 0u);

    SingleInstance second(QStringLiteral("tolvane-test-instance"));
    EXPECT_EQ(second.claim(), SingleInstance::Result::AlreadyRunning);
    EXPECT_FALSE(second.isListening());

    // The first copy serves on: it answered the second's probe and answers
    // the next caller.
    EXPECT_TRUE(first.isListening());
    QLocalSocket client;
    client.connectToServer(first.socketPath());
    ASSERT_TRUE(client.waitForConnected(2000));
    for (int i = 0; i < 100 && handled < 2; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(handled, 2);
}

TEST(SingleInstance, StaleSocketOfACrashedCopyDoesNotBlock)
{
    RuntimeDirScope runtime;
    const QString path = QDir(runtime.path()).filePath(QStringLiteral("tolvane-test-stale"));
    // A socket file that nobody listens on, as a crashed copy leaves it.
    ASSERT_TRUE(tolvane::test::leaveStaleSocket(path));
    ASSERT_TRUE(QFileInfo::exists(path));

    SingleInstance instance(QStringLiteral("tolvane-test-stale"));
    EXPECT_EQ(instance.claim(), SingleInstance::Result::Listening) << instance.errorString().toStdString();
}

TEST(SingleInstance, WithoutRuntimeFolderAPrivateTemporaryFolderIsUsed)
{
    const QByteArray old = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("XDG_RUNTIME_DIR");
    const QString folder = SingleInstance::socketFolder();
    if (!old.isNull())
        qputenv("XDG_RUNTIME_DIR", old);
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_EQ(folder, QDir(QDir::tempPath()).filePath(QStringLiteral("tolvane-%1").arg(::getuid())));
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    EXPECT_EQ(status.st_uid, ::getuid());
}

TEST(SingleInstance, RuntimeFolderOthersMayEnterIsNotUsed)
{
    RuntimeDirScope runtime;
    ::chmod(QFile::encodeName(runtime.path()).constData(), 0755);
    EXPECT_NE(SingleInstance::socketFolder(), runtime.path());
}
