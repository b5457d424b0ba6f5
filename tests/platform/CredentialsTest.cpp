// Credential stores: the in-memory store keeps one credential per protection
// space; the secret-store implementation, with no secret store to reach,
// fails with a clear error and leaves no password in any file.
#include "platform/Credentials.h"

#include "TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

ProtectionSpace space(const QString &host, int port)
{
    return {host, port, QStringLiteral("https"), QString(), ProtectionSpaceAuthenticationMethodHTMLForm};
}

} // namespace

TEST(CredentialsTest, InMemoryStoreKeepsOneCredentialPerSpace)
{
    InMemoryCredentialStore store;
    const ProtectionSpace a = space(QStringLiteral("postage.test"), 443);
    const ProtectionSpace b = space(QStringLiteral("postage.test"), 8443);
    EXPECT_FALSE(store.defaultCredential(a));
    ASSERT_TRUE(store.setDefaultCredential({QStringLiteral("1234567"), QStringLiteral("one")}, a));
    ASSERT_TRUE(store.setDefaultCredential({QStringLiteral("1234567"), QStringLiteral("two")}, a));
    ASSERT_TRUE(store.setDefaultCredential({QStringLiteral("7654321"), QStringLiteral("other")}, b));
    EXPECT_EQ(store.credentials().size(), 2);
    EXPECT_EQ(store.defaultCredential(a), (URLCredential{QStringLiteral("1234567"), QStringLiteral("two")}));
    EXPECT_NE(a.key(), b.key());
    EXPECT_TRUE(store.removeCredential(a));
    EXPECT_FALSE(store.defaultCredential(a));
    EXPECT_TRUE(store.defaultCredential(b));
}

TEST(CredentialsTest, RegisteredStoreIsAnsweredUntilRemoved)
{
    auto memory = std::make_shared<InMemoryCredentialStore>();
    setCredentialStore(memory);
    EXPECT_EQ(credentialStore(), memory);
    setCredentialStore(nullptr);
    EXPECT_NE(credentialStore(), memory);
    EXPECT_TRUE(credentialStore());
    setCredentialStore(nullptr);
}

TEST(CredentialsTest, WithoutASecretStoreNothingIsStoredAndTheErrorSaysSo)
{
    // No session bus to reach: the secret store is not running.
    const QByteArray saved = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tolvane-test-bus");
    auto store = std::make_shared<KeychainCredentialStore>();
    const ProtectionSpace where = space(QStringLiteral("postage.test"), 443);
    QString error;
    const bool stored =
        store->setDefaultCredential({QStringLiteral("1234567"), QStringLiteral("plain secret 9431")}, where, &error);
    if (saved.isNull())
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    else
        qputenv("DBUS_SESSION_BUS_ADDRESS", saved);
    if (stored) {
        store->removeCredential(where);
        GTEST_SKIP() << "a secret store answered on this machine";
    }
    EXPECT_TRUE(error.contains(QStringLiteral("Nothing was stored"))) << error.toStdString();

    // No file under the test's home, configuration or support folders
    // holds the password.
    QDirIterator files(QDir::homePath(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (file.size() > 1024 * 1024 || !file.open(QIODevice::ReadOnly))
            continue;
        EXPECT_FALSE(file.readAll().contains("plain secret 9431")) << file.fileName().toStdString();
    }
}
