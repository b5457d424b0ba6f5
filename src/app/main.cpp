// Tolvane for Mac, the Linux desktop edition: entry point.
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tolvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Tolvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TOLVANE_VERSION));
    QTextStream(stdout) << "Tolvane for Mac " << QCoreApplication::applicationVersion() << "\n";
    return 0;
}
