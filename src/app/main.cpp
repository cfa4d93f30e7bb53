#include "base/SharedState.h"
#include "gui/common/QtPrompt.h"
#include "gui/main/frmMain.h"
#include "gui/online/SystemDesktop.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

namespace {

// For checks of an unpacked program (SPIDERFENCE_QUIT_WHEN_SHOWN set): once the event loop runs,
// say whether the main window is shown and with which robot list, and end without asking anything.
void quitWhenShown(const sf::frmMain& window)
{
    QTimer::singleShot(0, &window, [&window] {
        const bool shown = window.isVisible();
        std::printf("main window %s, robot list %s\n", shown ? "shown" : "not shown",
                    qPrintable(sf::RobotListVersion));
        std::fflush(stdout);
        QApplication::exit(shown ? 0 : 1);
    });
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Spiderfence"));
    QApplication::setOrganizationName(QStringLiteral("Spiderfence"));
    // The desktop entry's name, by which the desktop finds the running program's menu entry and icon.
    QApplication::setDesktopFileName(QStringLiteral("example.spiderfence.Spiderfence"));
    sf::QtPrompt prompt;
    sf::Prompt::setInstance(&prompt);
    sf::SystemDesktop desktop;
    sf::Desktop::setInstance(&desktop);

    sf::frmMain window;
    window.Form_Load();
    window.show();
    if (qEnvironmentVariableIsSet("SPIDERFENCE_QUIT_WHEN_SHOWN"))
        quitWhenShown(window);
    const int result = QApplication::exec();
    sf::Desktop::setInstance(nullptr);
    sf::Prompt::setInstance(nullptr);
    return result;
}
