#include "support/MainWindowFixture.h"

#include "base/SharedState.h"
#include "support/NamedChild.h"

#include "project/ProjectState.h"
#include "robots/RobotState.h"
#include <QLineEdit>
#include <QTest>

namespace sf::test {
namespace {

// Every value the windows share, in every layer, back to its start.
void resetSharedState()
{
    shared::reset();
    shared::resetProjectState();
    shared::resetRobotState();
}

} // namespace

MainWindowFixture::MainWindowFixture()
{
    resetSharedState();
}

MainWindowFixture::~MainWindowFixture()
{
    stop();
}

frmMain& MainWindowFixture::start()
{
    window = std::make_unique<frmMain>();
    window->Form_Load();
    window->show();
    return *window;
}

void MainWindowFixture::stop()
{
    if (window)
        window->SetModified(false); // nothing to ask about when the window goes
    window.reset();
    resetSharedState();
}

void MainWindowFixture::typeConnection(const QString& server, const QString& user, const QString& password,
                                       const QString& port)
{
    for (const auto& [field, text] :
         {std::pair{"txtServer", server}, {"txtUser", user}, {"txtPassword", password}, {"txtPort", port}}) {
        named<QLineEdit>(window, field)->clear();
        QTest::keyClicks(named<QLineEdit>(window, field), text);
    }
}

} // namespace sf::test
