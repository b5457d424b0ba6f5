// The program on the desktop: a start with a URL while a copy runs hands the
// URL to that copy over the single-instance socket and ends with status 0;
// the desktop entry validates, installs as the handler of "tolvane:" links,
// and keeps its Exec and MimeType lines; the command line becomes requests.
#include "app/shell/QVDesktopRequests.h"
#include "platform/RemoteRequests.h"
#include "platform/SingleInstance.h"

#include "DesktopEntryInstall.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

const QString kSource = QStringLiteral(TOLVANE_SOURCE_DIR);

TEST(DesktopRequests, CommandLineArgumentsBecomeRequests)
{
    const auto selected = [] { return QStringLiteral("1 Main St"); };
    struct Case {
        QStringList arguments;
        const char *method; // empty: no request
        QString argument;
    };
    const Case cases[] = {
        {{}, "", {}},
        {{QStringLiteral("-platform"), QStringLiteral("offscreen")}, "", {}},
        {{kSource + QStringLiteral("/resources/../resources/tolvane.desktop")},
         "openFile:",
         kSource + QStringLiteral("/resources/tolvane.desktop")},
        {{QStringLiteral("tolvane://updateMe")}, "openURL:", QStringLiteral("tolvane://updateMe")},
        {{QStringLiteral("--service=newShipmentWithAddress")}, "newShipmentWithAddress:", QStringLiteral("1 Main St")},
        {{QStringLiteral("--service=trackConfirmInBrowser")}, "trackConfirmInBrowser:", QStringLiteral("1 Main St")},
        {{QStringLiteral("--service=other")}, "", {}},
        {{QStringLiteral("file:///tmp/a%20b.vcf")}, "openFile:", QStringLiteral("/tmp/a b.vcf")},
        {{QStringLiteral("https://example.invalid/")}, "", {}},
    };
    for (const Case &c : cases) {
        const std::optional<RemoteFrame> request = requestFromArguments(c.arguments, selected);
        EXPECT_EQ(request.has_value(), *c.method != 0) << c.arguments.join(u' ').toStdString();
        if (request && *c.method) {
            EXPECT_EQ(request->method, QLatin1String(c.method));
            EXPECT_EQ(request->argument, c.argument);
        }
    }
}

TEST(DesktopRequests, ASecondStartWithAURLForwardsItAndEndsWithZero)
{
    QTemporaryDir root;
    const QString runtime = QDir(root.path()).filePath(QStringLiteral("runtime"));
    ASSERT_TRUE(QDir().mkpath(runtime));
    ::chmod(QFile::encodeName(runtime).constData(), 0700);
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    SingleInstance instance;
    ASSERT_EQ(instance.claim(), SingleInstance::Result::Listening);
    RemoteRequestServer server;
    QList<RemoteFrame> seen;
    server.setHandler([&seen](const RemoteFrame &request) {
        seen << request;
        return RemoteFrame{RemoteAnswerOK, QString()};
    });
    instance.setConnectionHandler([&server](QLocalSocket *socket) { server.serve(socket); });

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QDir(root.path()).filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("TOLVANE_SUPPORT_DIR"), QDir(root.path()).filePath(QStringLiteral("support")));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TOLVANE_BINARY_DIR "/src/app/tolvane"),
                  {QStringLiteral("tolvane://newShipment?address=Ann")});
    ASSERT_TRUE(process.waitForStarted(10000));
    for (int i = 0; i < 1500 && process.state() != QProcess::NotRunning; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        process.waitForFinished(10);
    }
    qputenv("XDG_RUNTIME_DIR", oldRuntime);
    ASSERT_EQ(process.state(), QProcess::NotRunning);
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen.first().method, QStringLiteral("openURL:"));
    EXPECT_EQ(seen.first().argument, QStringLiteral("tolvane://newShipment?address=Ann"));
}

TEST(DesktopEntry, ValidatesInstallsAndHandlesTheScheme)
{
    for (const char *tool : {"desktop-file-validate", "xdg-mime", "desktop-file-install"})
        ASSERT_FALSE(QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty()) << tool << " is missing";
    const QString entry = kSource + QStringLiteral("/resources/tolvane.desktop");
    QProcess validate;
    validate.start(QStringLiteral("desktop-file-validate"), {entry});
    ASSERT_TRUE(validate.waitForFinished(20000));
    EXPECT_EQ(validate.exitCode(), 0) << validate.readAll().toStdString();

    QTemporaryDir root;
    QString error;
    const std::optional<QProcessEnvironment> environment = tolvane::test::installDesktopEntries(root.path(), &error);
    ASSERT_TRUE(environment) << error.toStdString();

    QProcess query;
    query.setProcessEnvironment(*environment);
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("x-scheme-handler/tolvane")});
    ASSERT_TRUE(query.waitForFinished(20000));
    EXPECT_EQ(QString::fromUtf8(query.readAllStandardOutput()).trimmed(), QStringLiteral("tolvane.desktop"));

    QFile installed(QDir(root.path()).filePath(QStringLiteral("XDG_DATA_HOME/applications/tolvane.desktop")));
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(installed.readAll()).split(u'\n');
    EXPECT_TRUE(lines.contains(QStringLiteral("Exec=tolvane %u")));
    EXPECT_TRUE(lines.contains(QStringLiteral("MimeType=x-scheme-handler/tolvane;text/vcard;text/x-vcard;")));
}

} // namespace
