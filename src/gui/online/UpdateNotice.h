#pragma once

#include <QToolButton>

namespace sf {

class StartupUpdateCheck;

// The main window's status bar note that an update is online: hidden until the start-up check finds
// one; a click on it opens the update tab (the window connects its clicked signal).
class UpdateNotice : public QToolButton {
    Q_OBJECT
public:
    explicit UpdateNotice(QWidget* parent = nullptr);

    // Starts the background check; the note shows once an update is known to exist.
    void check();
    StartupUpdateCheck* startupCheck() const { return m_check; }

private:
    StartupUpdateCheck* m_check = nullptr;
};

} // namespace sf
