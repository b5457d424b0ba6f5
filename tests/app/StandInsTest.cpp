// The stand-in servers of `make run`: the settings they write point the real
// clients at them (the demo account's status through the postage client,
// the account information through the shared label-server host, the
// loopback host counting as a test server), the program they start sees
// those settings, its exit status comes back, and the stand-ins stop with it.
#include "platform/HttpClient.h"
#include "platform/UserDefaults.h"
#include "services/QVCommandCenter.h"
#include "services/QVRHOAccountInformationCommandCenter.h"
#include "services/QVRHOCommandCenter.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>

namespace {

const QString kStandIns = QStringLiteral(TOLVANE_BINARY_DIR "/tools/tolvane-standins");

QVariantMap writtenSettings(const QString &runDir)
{
    UserDefaults settings(QDir(runDir).filePath(QStringLiteral("config/Tolvane/Tolvane.ini")));
    return settings.dictionaryRepresentation();
}

bool accepts(const QUrl &url)
{
    QTcpSocket socket;
    socket.connectToHost(url.host(), quint16(url.port()));
    return socket.waitForConnected(2000);
}

} // namespace

TEST(StandIns, ServeTheDemoAccountToTheRealClients)
{
    QTemporaryDir run;
    ASSERT_TRUE(run.isValid());
    QProcess standIns;
    standIns.start(kStandIns, {QStringLiteral("--run-dir"), run.path(), QStringLiteral("--serve")});
    QString banner;
    while (!banner.contains(QStringLiteral("Serving")) && standIns.waitForReadyRead(30000))
        banner += QString::fromUtf8(standIns.readAllStandardOutput());
    ASSERT_TRUE(banner.contains(QStringLiteral("Serving"))) << banner.toStdString();
    const QString account = QRegularExpression(QStringLiteral("account: (\\d+)")).match(banner).captured(1);
    const QString passPhrase = QRegularExpression(QStringLiteral("pass phrase \"([^\"]+)\"")).match(banner).captured(1);
    const QString ca = QRegularExpression(QStringLiteral("stand-ins: (\\S+)")).match(banner).captured(1);
    ASSERT_FALSE(account.isEmpty());
    ASSERT_FALSE(passPhrase.isEmpty());

    const QVariantMap settings = writtenSettings(run.path());
    UserDefaults::resetStandardUserDefaults();
    QVCommandCenter::resetSharedInstancesForTesting();
    for (auto it = settings.cbegin(); it != settings.cend(); ++it)
        UserDefaults::standardUserDefaults().setObject(it.value(), it.key());
    setHttpCAFile(ca);

    // The postage client, configured by the settings alone, reaches the
    // demo account; its host is a test server.
    const auto postage = QVRHOCommandCenter::commandCenter();
    EXPECT_EQ(postage->server(), settings.value(QStringLiteral("tolvaneServer")).toString());
    EXPECT_TRUE(postage->testServer());
    postage->setUseridAndPassword(account, passPhrase);
    const auto status = postage->status();
    ASSERT_TRUE(status) << postage->lastErrorDescription().toStdString();
    EXPECT_EQ(status->returnCode(), 1u);
    EXPECT_TRUE(status->isMacAccount());
    EXPECT_EQ(status->balanceString(), QStringLiteral("$100.00"));
    // A wrong pass phrase is refused.
    postage->setPassword(QStringLiteral("not the phrase"));
    const auto refused = postage->status();
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->returnCode(), 1u);

    // The account information answers on the shared label-server host.
    const auto info =
        QVRHOAccountInformationCommandCenter::commandCenter()->infoForAccount(account, QStringLiteral("w"));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->value(QStringLiteral("Status")).toString(), QStringLiteral("0"));

    // Interrupted, it stops and its servers with it.
    ::kill(pid_t(standIns.processId()), SIGTERM);
    ASSERT_TRUE(standIns.waitForFinished(10000));
    EXPECT_FALSE(accepts(QUrl(postage->server())));

    setHttpCAFile(QString());
    QVCommandCenter::resetSharedInstancesForTesting();
    UserDefaults::resetStandardUserDefaults();
}

TEST(StandIns, StartTheProgramPointedAtThemAndEndWithIt)
{
    QTemporaryDir run;
    ASSERT_TRUE(run.isValid());
    QProcess standIns;
    standIns.start(kStandIns,
                   {QStringLiteral("--run-dir"), run.path(), QStringLiteral("/bin/sh"), QStringLiteral("-c"),
                    QStringLiteral("echo \"CONFIG=$XDG_CONFIG_HOME\"; echo \"SUPPORT=$TOLVANE_SUPPORT_DIR\"; "
                                   "test -s \"$TOLVANE_TEST_CA_FILE\" && echo CA; exit 7")});
    ASSERT_TRUE(standIns.waitForFinished(60000));
    EXPECT_EQ(standIns.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(standIns.exitCode(), 7);
    const QString output = QString::fromUtf8(standIns.readAllStandardOutput());
    EXPECT_TRUE(output.contains(QStringLiteral("CONFIG=%1/config").arg(run.path()))) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("SUPPORT=%1/support").arg(run.path())));
    EXPECT_TRUE(output.contains(QStringLiteral("\nCA\n")));

    const QVariantMap settings = writtenSettings(run.path());
    for (const char *key : {"tolvaneServer", "tolvaneServerModulus", "tolvaneUser", "labelServiceServer",
                            "tolvaneWebSite", "zoneChartServer", "BRKServer", "uspsWebToolsServer", "glzServerAddress"})
        EXPECT_FALSE(settings.value(QString::fromUtf8(key)).toString().isEmpty()) << key;
    // Nothing of the pass phrase is stored.
    QFile ini(QDir(run.path()).filePath(QStringLiteral("config/Tolvane/Tolvane.ini")));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray stored = ini.readAll();
    EXPECT_TRUE(stored.contains("tolvaneUser"));
    EXPECT_FALSE(stored.contains("demo pass"));
    // The servers stopped with the program.
    EXPECT_FALSE(accepts(QUrl(settings.value(QStringLiteral("tolvaneServer")).toString())));
}
