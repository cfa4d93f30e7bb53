#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace sf::test {

// OpenSSH's sshd on a loopback port chosen at run time, with its own configuration, host key and
// authorized keys, serving SFTP. It logs in "root" with password() or with a key given to
// authorizeKey(). sshd runs in a mount namespace of its own where the account files are copies
// that give root this password and the server's folder as its home, so the machine's accounts stay
// untouched. Stopped by its process id when the object goes.
class SshServer {
public:
    SshServer() = default;
    ~SshServer();
    SshServer(const SshServer&) = delete;
    SshServer& operator=(const SshServer&) = delete;

    bool start();
    void stop();
    // Stops the server and starts it again on the same port with a new host key.
    bool restartWithNewHostKey();

    QString host() const { return QStringLiteral("127.0.0.1"); }
    int port() const { return m_port; }
    QString user() const { return QStringLiteral("root"); }
    QString password() const { return QStringLiteral("ssh pass word"); }
    QString errorString() const { return m_error; }
    // The login's home: the folder SFTP starts in.
    QString root() const { return m_dir.filePath(QStringLiteral("home")); }

    // Makes a key pair (PEM, with the passphrase when not empty) and lets it log in.
    bool authorizeKey(const QString& privateKeyPath, const QString& passphrase);

private:
    bool writeAccounts();
    bool launch();

    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
    QString m_error;
};

} // namespace sf::test
