// tolvanetool against a socket the test owns: a document from standard input
// reaches processXML: and its reply is printed as it came; a file goes to
// processXMLFileAtURL: as a file URL of its absolute path; the usage, a
// missing file, "-f" alone, the tracking diagnostic and a program that
// cannot be found; an "Error" answer fails the run; a copy that is not ready
// yet is asked again; a document longer than a request may be is refused;
// the closing tag is found across reads.
#include "DocumentInput.h"
#include "platform/RemoteRequests.h"
#include "platform/SingleInstance.h"

#include "RuntimeDir.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <gtest/gtest.h>

#include <thread>

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    // standard input (closed afterwards), serving the socket meanwhile; a
    // run still going after `seconds` is killed (exit code -1).
    ToolRun run(const QStringList &arguments, const QByteArray &input = {}, const QString &folder = {},
                int seconds = 30)
    {
        QProcess process;
        if (!folder.isEmpty())
            process.setWorkingDirectory(folder);
        process.start(QStringLiteral(TOLVANE_BINARY_DIR "/src/tools/tolvanetool/tolvanetool"), arguments);
        if (!process.waitForStarted(10000))
            return {};
        process.write(input);
        process.closeWriteChannel();
        for (int i = 0; i < seconds * 100 && process.state() != QProcess::NotRunning; ++i) {
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

    // A small document "order.xml" in the folder; its path.
    static QString writeDocument(const QTemporaryDir &folder)
    {
        QFile file(QDir(folder.path()).filePath(QStringLiteral("order.xml")));
        if (!file.open(QIODevice::WriteOnly))
            return QString();
        file.write("<Glimra/>");
        return file.fileName();
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
        // A reply that reports a failed package is still an answer.
        {"<Glimra/>", RemoteFrame{RemoteAnswerOK, QStringLiteral("<GlimraReply><Status>1</Status></GlimraReply>")}},
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

// Only a regular file is handed on: reading a pipe, a folder or a device
// could keep the program waiting for ever.
TEST_F(TolvaneToolTest, OnlyARegularFileIsHandedOn)
{
    QTemporaryDir folder;
    const QString fifo = QDir(folder.path()).filePath(QStringLiteral("order.xml"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString &path : {fifo, folder.path(), QStringLiteral("/dev/zero")}) {
        const ToolRun result = run({QStringLiteral("-f"), path});
        EXPECT_EQ(result.exitCode, 255) << path.toStdString();
        EXPECT_EQ(result.err, QStringLiteral("Invalid file for reading: %1\n").arg(path));
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

// An "Error" answer is a failed run in every mode: its text goes to standard
// error, nothing to standard output.
TEST_F(TolvaneToolTest, AnErrorAnswerFailsTheRunWithItsReasonOnStandardError)
{
    QTemporaryDir folder;
    const QString file = writeDocument(folder);
    reply = RemoteFrame{RemoteAnswerError, QStringLiteral("The document has no package.")};
    const struct {
        QStringList arguments;
        const char *method;
    } cases[] = {
        {{}, "processXML:"},
        {{QStringLiteral("-f"), file}, "processXMLFileAtURL:"},
    };
    for (const auto &c : cases) {
        seen.clear();
        const ToolRun result = run(c.arguments, "<Glimra/>");
        EXPECT_EQ(result.exitCode, 255) << c.method;
        EXPECT_EQ(result.err, reply.argument + QLatin1Char('\n')) << c.method;
        EXPECT_TRUE(result.out.isEmpty()) << c.method;
        ASSERT_EQ(seen.size(), 1) << c.method;
        EXPECT_EQ(seen.first().method, QLatin1String(c.method));
    }
}

// A copy that is still starting answers as a server without a handler does;
// the tool asks again a second later, and the answer that finally comes is
// the run's.
TEST_F(TolvaneToolTest, ACopyThatIsNotReadyYetIsAskedAgain)
{
    QTemporaryDir folder;
    const QString file = writeDocument(folder);
    const RemoteRequestServer starting;
    server.setHandler([&](const RemoteFrame &request) {
        seen << request;
        return seen.size() <= 2 ? starting.answer(request) : reply;
    });
    const struct {
        QStringList arguments;
        QString printed;
    } cases[] = {
        {{}, reply.argument},
        {{QStringLiteral("-f"), file}, QString()},
    };
    for (const auto &c : cases) {
        seen.clear();
        const ToolRun result = run(c.arguments, "<Glimra><Package/></Glimra>");
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
        EXPECT_TRUE(result.err.isEmpty()) << result.err.toStdString();
        EXPECT_EQ(result.out, c.printed);
        ASSERT_EQ(seen.size(), 3);
        EXPECT_EQ(seen.at(0).method, seen.at(2).method);
        EXPECT_EQ(seen.at(0).argument, seen.at(2).argument);
    }
}

TEST_F(TolvaneToolTest, ACopyThatNeverBecomesReadyIsNotReached)
{
    server.setHandler({});
    const ToolRun result = run({}, "<Glimra><Package/></Glimra>", {}, 90);
    EXPECT_EQ(result.exitCode, 255);
    EXPECT_EQ(result.err, QStringLiteral("Couldn't talk to Tolvane.\n"));
    EXPECT_TRUE(result.out.isEmpty());
}

// The program takes at most kRemoteArgumentLimit bytes in one request: a
// longer document stops the reading and is not sent.
TEST_F(TolvaneToolTest, ADocumentLongerThanARequestMayBeIsRefused)
{
    const QByteArray tag = "</Glimra>";
    const QByteArray open = "<Glimra><Package><Note>";
    const qsizetype limit = kRemoteArgumentLimit;
    const struct {
        QByteArray input;
        bool sent;
    } cases[] = {
        {open + QByteArray(limit - open.size() - tag.size(), 'x') + tag, true},
        {open + QByteArray(limit - open.size() - tag.size() + 1, 'x') + tag, false},
        {open + QByteArray(limit - open.size() + 1, 'x'), false},
        {open + QByteArray(64 * 1024 * 1024, 'x'), false},
    };
    for (const auto &c : cases) {
        seen.clear();
        const ToolRun result = run({}, c.input);
        if (c.sent) {
            EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
            ASSERT_EQ(seen.size(), 1);
            EXPECT_EQ(seen.first().argument.size(), c.input.size());
        } else {
            EXPECT_EQ(result.exitCode, 255) << c.input.size();
            EXPECT_TRUE(result.err.contains(QStringLiteral("the document is too large"))) << result.err.toStdString();
            EXPECT_TRUE(result.out.isEmpty());
            EXPECT_TRUE(seen.isEmpty());
        }
    }
}

// Standard input that is not UTF-8 text is refused, not sent with its bad
// bytes replaced (the program would carry out another document).
TEST_F(TolvaneToolTest, StandardInputThatIsNotUTF8IsRefused)
{
    const QByteArray cases[] = {
        QByteArray("<Glimra><Package ID=\"\xff\xfe\"/></Glimra>"),
        QByteArray("<Glimra><Package ID=\"\xc3\"/></Glimra>"),
        QByteArray("<Glimra><Package ID=\"\xed\xa0\x80\"/></Glimra>"),
    };
    for (const QByteArray &input : cases) {
        seen.clear();
        const ToolRun result = run({}, input);
        EXPECT_EQ(result.exitCode, 255) << input.toHex().toStdString();
        EXPECT_TRUE(result.err.contains(QStringLiteral("not valid UTF-8"))) << result.err.toStdString();
        EXPECT_TRUE(result.out.isEmpty());
        EXPECT_TRUE(seen.isEmpty());
    }
    // Text beyond ASCII that is UTF-8 goes through as it is.
    seen.clear();
    const QByteArray good = "<Glimra><Package ID=\"Zo\xc3\xab\"/></Glimra>";
    const ToolRun result = run({}, good);
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen.first().argument, QString::fromUtf8(good));
}

// The closing tag split over two reads ends the reading; a later write is
// not read. Each part is written once the reader has taken the one before.
TEST(TolvaneToolInput, TheClosingTagIsFoundAcrossReads)
{
    const QList<QByteArray> parts = {"<Glimra><Package/></Gli", "mra>", "<!-- later -->"};
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    std::thread writer([&] {
        for (const QByteArray &part : parts) {
            int waiting = 1;
            for (int i = 0; i < 500 && waiting > 0; ++i) {
                ::ioctl(pipeEnds[1], FIONREAD, &waiting);
                if (waiting > 0)
                    ::usleep(10000);
            }
            if (::write(pipeEnds[1], part.constData(), size_t(part.size())) != part.size())
                break;
        }
        ::close(pipeEnds[1]);
    });
    const DocumentInput input = readDocument(pipeEnds[0], 1024);
    writer.join();
    ::close(pipeEnds[0]);
    EXPECT_EQ(input.document, parts.at(0) + parts.at(1));
    EXPECT_FALSE(input.tooLarge);
}

// With no copy running, the "tolvane" installed beside the tool is started,
// not one found on PATH. Each stand-in program notes that it ran.
TEST(TolvaneTool, StartsTheProgramBesideItBeforeTheOneOnPath)
{
    RuntimeDirScope runtime;
    QTemporaryDir beside;
    QTemporaryDir onPath;
    const QString tool = QDir(beside.path()).filePath(QStringLiteral("tolvanetool"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TOLVANE_BINARY_DIR "/src/tools/tolvanetool/tolvanetool"), tool));
    for (const QTemporaryDir *folder : {&beside, &onPath}) {
        QFile program(QDir(folder->path()).filePath(QStringLiteral("tolvane")));
        ASSERT_TRUE(program.open(QIODevice::WriteOnly));
        program.write("#!/bin/sh\ntouch \"$(dirname \"$0\")/started\"\n");
        program.close();
        program.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"), onPath.path() + QStringLiteral(":/usr/bin:/bin"));
    process.setProcessEnvironment(environment);
    process.start(tool);
    ASSERT_TRUE(process.waitForStarted(10000));
    process.closeWriteChannel();
    const QString besideMark = QDir(beside.path()).filePath(QStringLiteral("started"));
    const QString pathMark = QDir(onPath.path()).filePath(QStringLiteral("started"));
    for (int i = 0; i < 1000 && !QFileInfo::exists(besideMark) && !QFileInfo::exists(pathMark); ++i)
        QThread::msleep(10);
    // The tool would now wait for the program to answer; it is not needed.
    process.kill();
    process.waitForFinished();
    EXPECT_TRUE(QFileInfo::exists(besideMark));
    EXPECT_FALSE(QFileInfo::exists(pathMark));
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
