// tolvane-standins: runs the application against the project's own
// stand-in servers (make run).
//
//   tolvane-standins [--run-dir DIR] [--control] PROGRAM [ARGUMENTS...]
//   tolvane-standins [--run-dir DIR] [--control] --serve
//
// --control opens the stand-ins' control road for tests (StandInVendor.h);
// it is off unless asked for.
//
// It starts the stand-ins on loopback ports, writes the application's
// settings that point at them (and name the demo account) into a settings
// folder of its own under DIR (default: "standins-run" in the current
// folder), so that the user's own settings are never touched, prints the
// demo account's number and pass phrase, then starts PROGRAM with
//   XDG_CONFIG_HOME       DIR/config   (the settings written here)
//   TOLVANE_SUPPORT_DIR   DIR/support  (the demo's mailing log and files)
//   TOLVANE_TEST_CA_FILE  the stand-ins' certificate authority
// and ends when PROGRAM ends, with its exit status: the stand-ins stop with
// the application. With --serve it only serves, until it is interrupted.
#include "StandInPrinter.h"
#include "StandInServers.h"
#include "StandInWebStore.h"

#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QDir>
#include <QProcess>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int signal)
{
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

int usage()
{
    QTextStream(stderr) << "usage: tolvane-standins [--run-dir DIR] [--control] PROGRAM [ARGUMENTS...]\n"
                           "       tolvane-standins [--run-dir DIR] [--control] --serve\n";
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    // The label server draws its customs forms with fonts, which need a
    // graphical application; it shows no window, so it takes the offscreen
    // platform, whatever display the program it starts is given.
    std::vector<char *> guiArguments(argv, argv + argc);
    char platformOption[] = "-platform";
    char platformName[] = "offscreen";
    guiArguments.insert(guiArguments.begin() + 1, {platformOption, platformName});
    int guiArgumentCount = int(guiArguments.size());
    guiArguments.push_back(nullptr);
    QGuiApplication app(guiArgumentCount, guiArguments.data());
    QStringList arguments = QCoreApplication::arguments().mid(1);
    QString runDir = QDir::current().filePath(QStringLiteral("standins-run"));
    if (arguments.value(0) == QLatin1String("--run-dir")) {
        if (arguments.size() < 2)
            return usage();
        runDir = QDir(arguments[1]).absolutePath();
        arguments = arguments.mid(2);
    }
    StandInServers::Options options;
    if (arguments.value(0) == QLatin1String("--control")) {
        options.controlRoad = true;
        arguments = arguments.mid(1);
    }
    const bool serveOnly = arguments.value(0) == QLatin1String("--serve");
    if (arguments.isEmpty())
        return usage();

    QTextStream out(stdout);
    StandInServers servers(options);
    StandInWebStore webStore(StandInServers::demoAccountNumber().toLatin1());
    if (!servers.isReady() || !webStore.isListening()) {
        QTextStream(stderr) << "tolvane-standins: the stand-in servers did not start: " << servers.errorString()
                            << "\n";
        return 1;
    }

    // The settings of the demo, in a folder of its own.
    const QString configDir = QDir(runDir).filePath(QStringLiteral("config"));
    const QString supportDir = QDir(runDir).filePath(QStringLiteral("support"));
    QDir().mkpath(QDir(configDir).filePath(QStringLiteral("Tolvane")));
    QDir().mkpath(supportDir);
    {
        UserDefaults settings(QDir(configDir).filePath(QStringLiteral("Tolvane/Tolvane.ini")));
        QVariantMap values = servers.settings();
        values.insert(webStore.settings());
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            settings.setObject(it.value(), it.key());
        if (!settings.synchronize()) {
            QTextStream(stderr) << "tolvane-standins: could not write the settings in " << configDir << "\n";
            return 1;
        }
    }

    out << "Stand-in servers of the Tolvane demo (loopback only):\n";
    for (const QString &line : servers.description())
        out << "  " << line << "\n";
    out << "  " << webStore.description() << "\n";
    out << "Demo postage account: " << StandInServers::demoAccountNumber() << ", pass phrase \""
        << StandInServers::demoPassPhrase() << "\"\n"
        << "Settings and files of the demo: " << runDir << "\n"
        << "Certificate authority of the stand-ins: " << servers.certificateAuthorityFile() << "\n";
    if (options.controlRoad)
        out << "Control road (tests): " << servers.frontBaseUrl() << "/standins/control/account and "
            << servers.frontBaseUrl() << "/standins/control/fail-next\n";

    // The demo's printer: a private CUPS scheduler whose default queue writes
    // the PDF of every job into the run folder.
    StandInPrinter printer;
    const QString pdfFolder = QDir(runDir).filePath(QStringLiteral("pdf"));
    QString printerError;
    const bool printing = printer.start(pdfFolder, &printerError);
    if (printing)
        out << "Printer \"" << StandInPrinter::queueName()
            << "\" (the default of a private CUPS scheduler, CUPS_SERVER=" << printer.serverSocket()
            << ") writes PDF files into " << pdfFolder << "\n";
    else
        out << "No printer for the demo: " << printerError << "\n";
    out.flush();

    // Interrupts end the program (and so the stand-ins) in order.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return 1;
    QSocketNotifier interrupts(g_signalPipe[0], QSocketNotifier::Read);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGHUP, onSignal);

    QProcess program;
    QObject::connect(&interrupts, &QSocketNotifier::activated, &app, [&program, serveOnly] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(g_signalPipe[0], &byte, 1);
        if (serveOnly || program.state() == QProcess::NotRunning) {
            QCoreApplication::exit(128 + byte);
            return;
        }
        program.terminate();
    });
    if (serveOnly) {
        out << "Serving until interrupted (Ctrl+C).\n";
        out.flush();
        return app.exec();
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir);
    environment.insert(QStringLiteral("TOLVANE_SUPPORT_DIR"), supportDir);
    environment.insert(QStringLiteral("TOLVANE_TEST_CA_FILE"), servers.certificateAuthorityFile());
    if (printing)
        environment.insert(QStringLiteral("CUPS_SERVER"), printer.serverSocket());
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.setInputChannelMode(QProcess::ForwardedInputChannel);
    QObject::connect(&program, &QProcess::finished, &app, [](int exitCode, QProcess::ExitStatus status) {
        QCoreApplication::exit(status == QProcess::NormalExit ? exitCode : 1);
    });
    QObject::connect(&program, &QProcess::errorOccurred, &app, [&program](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            QTextStream(stderr) << "tolvane-standins: could not start " << program.program() << ": "
                                << program.errorString() << "\n";
            QCoreApplication::exit(1);
        }
    });
    program.start(arguments[0], arguments.mid(1));
    const int status = app.exec();
    if (program.state() != QProcess::NotRunning) {
        program.terminate();
        if (!program.waitForFinished(5000))
            program.kill();
        program.waitForFinished(1000);
    }
    out << "The stand-in servers stop.\n";
    return status;
}
