#include "base/SharedState.h"
#include "base/Translate.h"
#include "gui/common/QtPrompt.h"
#include "gui/main/frmMain.h"
#include "gui/online/SystemDesktop.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <optional>

#include "sf_version.h"

namespace {

SF_FILE_TRANSLATIONS("spiderfence")

// "--version" and "--help" are answered on standard output before any window system is needed:
// the exit code then, else nothing and the program starts.
std::optional<int> answerCommandLine(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("spiderfence %d.%d.%d\n", SF_VERSION_MAJOR, SF_VERSION_MINOR, SF_VERSION_REVISION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            const QString help = tr(
                "usage: spiderfence [--version | --help] [Qt options]\n"
                "Composes a web site's robots.txt and uploads it to the web server over FTP, FTPS or SFTP.\n"
                "  --version  print the version and end\n"
                "  --help     print this text and end\n"
                "Exit status: 0 when the program ends normally.\n"
                "See spiderfence(1); sfcheck(1) checks robots.txt files on the command line.\n");
            std::fputs(help.toLocal8Bit().constData(), stdout);
            return 0;
        }
    }
    return std::nullopt;
}

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
    if (const std::optional<int> answered = answerCommandLine(argc, argv))
        return *answered;
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
