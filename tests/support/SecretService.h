#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace sf::test {

class QuietSessionBus;

// A real Secret Service: gnome-keyring-daemon on a session bus of its own (dbus-run-session), with
// its own home and data folders and a login keyring that it creates and unlocks with a password
// read from its standard input, so it runs without a desktop or a terminal. While it runs, this
// process's DBUS_SESSION_BUS_ADDRESS points at its bus; stop() (or the object's end) stops the daemon
// by its process id, which ends the bus, and puts the variable back.
class SecretService {
public:
    SecretService();
    ~SecretService();
    SecretService(const SecretService&) = delete;
    SecretService& operator=(const SecretService&) = delete;

    bool start();
    void stop();

    QString errorString() const { return m_error; }
    QString busAddress() const { return m_address; }
    // Locks the login keyring, as a user does from the desktop: the store then refuses to keep
    // anything until it is unlocked with its password, which no one here can type.
    bool lockKeyring();
    // The folder where the daemon keeps its keyrings.
    QString keyringDir() const { return m_dir.filePath(QStringLiteral("data/keyrings")); }

private:
    bool launch();
    bool waitForService();

    QTemporaryDir m_dir;
    QProcess m_process; // dbus-run-session
    qint64 m_daemonPid = 0;
    QString m_address;
    QString m_error;
    QByteArray m_previousBus;
    bool m_hadBus = false;
    bool m_busSet = false;
    std::unique_ptr<QuietSessionBus> m_quietBus;
};

} // namespace sf::test
