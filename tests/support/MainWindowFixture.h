#pragma once

#include "gui/main/frmMain.h"

#include <QString>

#include <memory>

namespace sf::test {

// The main window as the program starts it: made, loaded (Form_Load) and shown, on fresh shared
// state. stop() (or the fixture's end) closes it without a save question and resets the shared
// state again. Test fixtures derive from it beside testing::Test.
class MainWindowFixture {
public:
    MainWindowFixture();
    ~MainWindowFixture();
    MainWindowFixture(const MainWindowFixture&) = delete;
    MainWindowFixture& operator=(const MainWindowFixture&) = delete;

    frmMain& start();
    void stop();
    // Types the server's address, the login and the port into step 1's fields, as a user does.
    void typeConnection(const QString& server, const QString& user, const QString& password,
                        const QString& port);

    std::unique_ptr<frmMain> window;
};

} // namespace sf::test
