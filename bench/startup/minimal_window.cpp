// The yardstick of the start-up benchmark (bench/startup.py): the least a Qt
// Widgets program does to show a main window.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Minimal"));
    window.resize(800, 600);
    window.show();
    return app.exec();
}
