#pragma once

#include <QObject>

namespace sf {

class Inet;

// The update check at start-up: asks the web service for the version page in the background and
// says when a version online differs from the one here. It never waits for the answer, and a check
// that fails (no answer, an error, a page that cannot be trusted) says nothing at all.
class StartupUpdateCheck : public QObject {
    Q_OBJECT
public:
    explicit StartupUpdateCheck(QObject* parent = nullptr);

    // Starts the check and returns at once; nothing happens while one is running.
    void start();
    bool isRunning() const;
    // Whether the last check started has ended, with or without an update found.
    bool hasEnded() const { return m_ended; }

signals:
    void updateAvailable();

private:
    void onStateChanged(int state);
    bool foundUpdate() const;

    Inet* m_inet = nullptr;
    bool m_ended = false;
};

} // namespace sf
