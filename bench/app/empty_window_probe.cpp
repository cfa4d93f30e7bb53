// The yardstick of the start-up benchmark: an empty Qt main window of the size given on the command
// line, shown and painted offscreen; prints the same wall-clock time as startup_probe.
#include <QApplication>
#include <QDateTime>
#include <QMainWindow>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    if (argc >= 3)
        window.resize(std::atoi(argv[1]), std::atoi(argv[2]));
    window.show();
    QTimer::singleShot(0, &app, [&window] {
        window.repaint();
        std::printf("%lld\n", static_cast<long long>(QDateTime::currentMSecsSinceEpoch()) * 1000);
        std::fflush(stdout);
        QApplication::quit();
    });
    return QApplication::exec();
}
