// Renewkit: started by Spiderfence when a newer Spiderfence is online. It takes no arguments.
#include "updater/RenewkitWindow.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Renewkit"));
    sf::renewkit::frmMain window(QCoreApplication::applicationDirPath());
    QTimer::singleShot(0, &window, &sf::renewkit::frmMain::Form_Load);
    return app.exec();
}
