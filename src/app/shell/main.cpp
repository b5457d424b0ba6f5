// Tolvane for Mac, the Linux desktop edition: entry point.
#include "app/shell/ApplicationWiring.h"
#include "app/shell/ProgramRegistration.h"
#include "app/shell/QVDesktopRequests.h"
#include "app/shell/QVXApp.h"
#include "platform/SingleInstance.h"
#include "widgets/WebViewPlugin.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QVXApp app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tolvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Tolvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TOLVANE_VERSION));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Tolvane for Mac"));
    QTextStream(stdout) << "Tolvane for Mac " << QCoreApplication::applicationVersion() << "\n" << Qt::flush;

    // Started with a URL, a file or a Services entry while a copy runs: the
    // running copy carries it out, and this one ends.
    const std::optional<RemoteFrame> request = requestFromArguments(app.arguments().mid(1), selectedDesktopText);
    if (request) {
        if (const std::optional<RemoteFrame> answer = forwardToRunningCopy(*request, QVSingleInstanceName)) {
            if (answer->method != RemoteAnswerOK)
                QTextStream(stderr) << answer->argument << "\n";
            return 0;
        }
    }

    registerProgramServices(installWebViewPlugin);
    // The application delegate with the program's windows and menus.
    DesktopApplication application;
    if (request)
        application.setLaunchRequest(*request);
    application.start();
    return app.exec();
}
