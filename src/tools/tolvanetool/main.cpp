// tolvanetool: hands a Glimra XML document to the running Tolvane for Mac.
//
//   tolvanetool            reads a document from standard input (until its
//                          closing "</Glimra>" or the end of the input),
//                          hands it to the program ("processXML:") and prints
//                          the reply as it came, without a line break added;
//   tolvanetool -f FILE    hands the file to the program
//                          ("processXMLFileAtURL:"); nothing is printed;
//   tolvanetool -h         prints the usage and ends (nothing is started);
//   tolvanetool -t NUMBER  diagnostic, not in the usage: writes "sleeping",
//                          waits ten seconds, then writes the USPS tracking
//                          response for the number ("trackResponseForID:"),
//                          both to standard error.
// The option may stand anywhere; the file or number is always the second
// argument. Any other combination connects and does nothing.
//
// Connecting takes at least a second: the tool waits one second after every
// try, the one that reaches the program included, as it always has.
//
// The program is reached over its single-instance socket with the frames of
// platform/RemoteRequests.h: a request is two length-prefixed fields (method,
// UTF-8 argument), the answer two more (status "OK" or "Error", text). When
// no copy answers, the tool starts "tolvane" (the one beside the tool, else
// from PATH) and waits up to 60 seconds for it. A copy that is still starting
// answers "The application is not ready."; that counts as not reached, and
// the request is sent again after a second, within the same 60 tries.
//
// Exit status: 0 after the usage and after a run whose request the program
// carried out ("OK"); 255 when the program cannot be found, started or
// reached, the file cannot be read, the document is longer than the program
// takes in one request (16 MiB), or the program answers "Error" or nothing.
// An "Error" answer's text goes to standard error and nothing to standard
// output, in every mode.
#include "DocumentInput.h"
#include "platform/RemoteRequests.h"
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>
#include <QStringDecoder>
#include <QThread>
#include <QUrl>

#include <unistd.h>

namespace {

constexpr int kFailure = 255;
constexpr int kConnectTries = 60;
constexpr int kTrackingPauseSeconds = 10;
// A document may be printed before the reply comes.
constexpr int kReplyTimeoutMilliseconds = 30 * 60 * 1000;

void printUsage()
{
    QTextStream out(stdout);
    out << "tolvanetool 1.1.2 - " TOLVANETOOL_PRODUCT_HOST "\n"
        << "Usage: tolvanetool [-f]\n"
        << "\t-f <file> path to XML file\n";
}

void printError(const QString &text) { QTextStream(stderr) << text << "\n"; }

bool isNotReady(const RemoteFrame &answer)
{
    return answer.method == RemoteAnswerError && answer.argument == RemoteAnswerNotReadyText;
}

bool answers(const QString &socketPath)
{
    if (socketPath.isEmpty() || !QFileInfo::exists(socketPath))
        return false;
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    const bool connected = socket.waitForConnected(1000);
    socket.abort();
    return connected;
}

// Starts the program: the "tolvane" beside the tool (the one installed with
// it), else the one on PATH.
bool launchProgram()
{
    QString program =
        QStandardPaths::findExecutable(QStringLiteral("tolvane"), {QCoreApplication::applicationDirPath()});
    if (program.isEmpty())
        program = QStandardPaths::findExecutable(QStringLiteral("tolvane"));
    return !program.isEmpty() && QProcess::startDetached(program, {});
}

QString standardizedPath(const QString &given)
{
    QString path = given;
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        path = QDir::homePath() + path.mid(1);
    if (QDir::isRelativePath(path))
        path = QDir::current().filePath(path);
    return QDir::cleanPath(path);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();

    if (arguments.contains(QStringLiteral("-h"))) {
        printUsage();
        return 0;
    }

    // Find the program, starting it when no copy answers, then connect.
    const QString socketPath = SingleInstance(QVSingleInstanceName).socketPath();
    if (!answers(socketPath) && !launchProgram()) {
        printError(QStringLiteral("Couldn't find Tolvane for Mac."));
        return kFailure;
    }
    int tries = 0;
    bool reached = false;
    while (tries < kConnectTries && !reached) {
        ++tries;
        reached = answers(socketPath);
        QThread::sleep(1);
    }
    if (!reached) {
        printError(QStringLiteral("Couldn't talk to Tolvane."));
        return kFailure;
    }

    std::optional<RemoteFrame> request;
    const bool fromStandardInput = arguments.size() == 1;
    if (fromStandardInput) {
        const DocumentInput input = readDocument(STDIN_FILENO, kRemoteArgumentLimit);
        if (input.tooLarge) {
            printError(QStringLiteral("tolvanetool: the document is too large"));
            return kFailure;
        }
        // Bytes that are not UTF-8 would reach the program as replacement
        // characters and be carried out as another document: refused here,
        // as the program refuses them in a file.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = decoder.decode(input.document);
        if (decoder.hasError()) {
            printError(QStringLiteral("tolvanetool: the document is not valid UTF-8 text"));
            return kFailure;
        }
        request = RemoteFrame{QStringLiteral("processXML:"), text};
    } else if (arguments.size() > 2 && arguments.contains(QStringLiteral("-f"))) {
        const QString path = standardizedPath(arguments.at(2));
        const QFileInfo file(path);
        if (!file.isFile() || !file.isReadable()) {
            printError(QStringLiteral("Invalid file for reading: %1").arg(path));
            return kFailure;
        }
        request = RemoteFrame{QStringLiteral("processXMLFileAtURL:"), QUrl::fromLocalFile(path).toString()};
    } else if (arguments.size() > 2 && arguments.contains(QStringLiteral("-t"))) {
        printError(QStringLiteral("sleeping"));
        QThread::sleep(kTrackingPauseSeconds);
        request = RemoteFrame{QStringLiteral("trackResponseForID:"), arguments.at(2)};
    }
    if (!request)
        return 0;

    // A copy that is not ready yet has carried nothing out: ask again while
    // tries are left.
    std::optional<RemoteFrame> answer;
    for (;;) {
        QString error;
        answer = sendRemoteRequest(socketPath, *request, kReplyTimeoutMilliseconds, &error);
        if (!answer) {
            printError(QStringLiteral("Couldn't talk to Tolvane. %1").arg(error));
            return kFailure;
        }
        if (!isNotReady(*answer))
            break;
        if (tries >= kConnectTries) {
            printError(QStringLiteral("Couldn't talk to Tolvane."));
            return kFailure;
        }
        ++tries;
        QThread::sleep(1);
    }
    if (answer->method != RemoteAnswerOK) {
        if (!answer->argument.isEmpty())
            printError(answer->argument);
        return kFailure;
    }
    if (fromStandardInput) {
        QTextStream out(stdout);
        out << answer->argument;
    } else if (request->method == QLatin1String("trackResponseForID:")) {
        printError(answer->argument);
    }
    return 0;
}
