#include "support/MainWindowFixture.h"

#include "app/SharedState.h"

namespace sf::test {

MainWindowFixture::MainWindowFixture()
{
    shared::reset();
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
    shared::reset();
}

} // namespace sf::test
