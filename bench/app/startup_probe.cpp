// Starts the main window exactly as the program does and prints, once the window has been shown and
// painted, its size and the wall-clock time in microseconds since the epoch. bench/app/startup.py
// compares the time with the moment it started the process.
#include "gui/common/QtPrompt.h"
#include "gui/main/frmMain.h"

#include <QApplication>
#include <QDateTime>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    sf::QtPrompt prompt;
    sf::Prompt::setInstance(&prompt);
    sf::frmMain window;
    window.Form_Load();
    window.show();
    QTimer::singleShot(0, &app, [&window] {
        window.repaint();
        std::printf("size %d %d\n", window.width(), window.height());
        std::printf("%lld\n", static_cast<long long>(QDateTime::currentMSecsSinceEpoch()) * 1000);
        std::fflush(stdout);
        window.SetModified(false);
        QApplication::quit();
    });
    const int result = QApplication::exec();
    sf::Prompt::setInstance(nullptr);
    return result;
}
