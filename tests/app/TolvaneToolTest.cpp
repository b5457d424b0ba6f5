// tolvanetool against a socket the test owns: a document from standard input
// reaches processXML: and its reply is printed as it came; a file goes to
// processXMLFileAtURL: as a file URL of its absolute path; the usage, a
// missing file, "-f" alone, the tracking diagnostic and a program that
// cannot be found.
#include "platform/RemoteRequests.h"
#include "platform/SingleInstance.h"

#include "RuntimeDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class TolvaneToolTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(instance.claim(), SingleInstance::Result::Listening);
        server.setHandler([this](const RemoteFrame &request) {
            seen << request;
            return reply;
        });
        instance.setConnectionHandler([this](QLocalSocket *socket) { server.serve(socket); });
    }

    // Runs the tool in `folder` with the arguments, writing `input` to its
    // standard input (closed afterwards), serving the socket meanwhile.
    ToolRun run(const QStringList &arguments, const QByteArray &input = {}, const QString &folder = {})
    {
        QProcess process;
        if (!folder.isEmpty())
            process.setWorkingDirectory(folder);
        process.start(QStringLiteral(TOLVANE_BINARY_DIR "/src/tools/tolvanetool/tolvanetool"), arguments);
        if (!process.waitForStarted(10000))
            return {};
        process.write(input);
        process.closeWriteChannel();
        for (int i = 0; i < 3000 && process.state() != QProcess::NotRunning; ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            process.waitForFinished(10);
        }
        ToolRun result;
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
            return result;
        }
        result.exitCode = process.exitCode();
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        result.err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    RuntimeDirScope runtime;
    SingleInstance instance;
    RemoteRequestServer server;
    QList<RemoteFrame> seen;
    RemoteFrame reply{RemoteAnswerOK, QStringLiteral("<GlimraReply><Status>0</Status></GlimraReply>")};
};

TEST_F(TolvaneToolTest, ADocumentFromStandardInputReachesProcessXMLAndItsReplyIsPrinted)
{
    const struct {
        QByteArray input;
        RemoteFrame reply;
    } cases[] = {
        // Text after the closing tag in the same read goes along.
        {"<Glimra><Package/></Glimra>\n<!-- é -->", reply},
        // Input that ends without the closing tag is handed on at its end.
        {"<Glimra><Package>", reply},
        // A refused document: its error text is the output, and the run ends
        // normally.
        {"<Glimra/>", RemoteFrame{RemoteAnswerError, QStringLiteral("The document has no package.")}},
    };
    for (const auto &c : cases) {
        seen.clear();
        reply = c.reply;
        const ToolRun result = run({}, c.input);
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
        ASSERT_EQ(seen.size(), 1) << c.input.constData();
        EXPECT_EQ(seen.first().method, QStringLiteral("processXML:"));
        EXPECT_EQ(seen.first().argument, QString::fromUtf8(c.input));
        EXPECT_EQ(result.out, c.reply.argument);
    }
}

TEST_F(TolvaneToolTest, AFileGoesAsTheFileURLOfItsAbsolutePathAndNothingIsPrinted)
{
    QTemporaryDir folder;
    QFile file(QDir(folder.path()).filePath(QStringLiteral("order 1.xml")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<Glimra/>");
    file.close();

    // The option may stand anywhere; the file is the second argument.
    const ToolRun result = run({QStringLiteral("-f"), QStringLiteral("./sub/../order 1.xml")}, {}, folder.path());
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.isEmpty());
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen.first().method, QStringLiteral("processXMLFileAtURL:"));
    EXPECT_EQ(QUrl(seen.first().argument).toLocalFile(), QFileInfo(file).absoluteFilePath());
}

TEST_F(TolvaneToolTest, UsageMissingFilesAndLoneOptionsSendNothing)
{
    const ToolRun usage = run({QStringLiteral("-h"), QStringLiteral("order.xml")});
    EXPECT_EQ(usage.exitCode, 0);
    EXPECT_TRUE(usage.out.startsWith(QStringLiteral("tolvanetool 1.1.2 - ")));
    EXPECT_TRUE(usage.out.contains(QStringLiteral("\nUsage: tolvanetool [-f]\n\t-f <file> path to XML file\n")));

    QTemporaryDir folder;
    const ToolRun missing = run({QStringLiteral("-f"), QStringLiteral("absent.xml")}, {}, folder.path());
    EXPECT_EQ(missing.exitCode, 255);
    EXPECT_EQ(missing.err.trimmed(),
              QStringLiteral("Invalid file for reading: %1").arg(QDir(folder.path()).filePath("absent.xml")));

    // An option without its file or number connects (taking the second
    // that every connection takes) and does nothing.
    for (const char *option : {"-f", "-t"}) {
        QElapsedTimer timer;
        timer.start();
        const ToolRun alone = run({QString::fromLatin1(option)});
        EXPECT_GE(timer.elapsed(), 1000) << option;
        EXPECT_EQ(alone.exitCode, 0) << option;
        EXPECT_TRUE(alone.err.isEmpty()) << option;
    }
    EXPECT_TRUE(seen.isEmpty());
}

// The tracking diagnostic: "sleeping", a ten-second pause, then the
// program's answer for the second argument, all on standard error.
TEST_F(TolvaneToolTest, TheTrackingDiagnosticWritesTheProgramsAnswerAfterItsPause)
{
    reply = RemoteFrame{RemoteAnswerOK, QStringLiteral("{\n    TrackResponse = {\n    };\n}")};
    QElapsedTimer timer;
    timer.start();
    const ToolRun result = run({QStringLiteral("-t"), QStringLiteral("EJ958083578US")});
    EXPECT_GE(timer.elapsed(), 10000);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_EQ(result.err, QStringLiteral("sleeping\n") + reply.argument + QLatin1Char('\n'));
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen.first().method, QStringLiteral("trackResponseForID:"));
    EXPECT_EQ(seen.first().argument, QStringLiteral("EJ958083578US"));
}

TEST(TolvaneTool, WithoutARunningCopyOrAProgramToStartItFails)
{
    RuntimeDirScope runtime;
    QTemporaryDir emptyPath;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"), emptyPath.path());
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TOLVANE_BINARY_DIR "/src/tools/tolvanetool/tolvanetool"));
    ASSERT_TRUE(process.waitForStarted(10000));
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(20000));
    EXPECT_EQ(process.exitCode(), 255);
    EXPECT_EQ(QString::fromUtf8(process.readAllStandardError()).trimmed(),
              QStringLiteral("Couldn't find Tolvane for Mac."));
}

} // namespace
