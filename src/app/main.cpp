#include "app/QtPrompt.h"
#include "app/frmMain.h"
#include "online/SystemDesktop.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Spiderfence"));
    QApplication::setOrganizationName(QStringLiteral("Spiderfence"));
    sf::QtPrompt prompt;
    sf::Prompt::setInstance(&prompt);
    sf::SystemDesktop desktop;
    sf::Desktop::setInstance(&desktop);

    sf::frmMain window;
    window.Form_Load();
    window.show();
    const int result = QApplication::exec();
    sf::Desktop::setInstance(nullptr);
    sf::Prompt::setInstance(nullptr);
    return result;
}
