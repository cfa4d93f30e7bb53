#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <ostream>

namespace sf::test {

// A loopback TCP port that nothing listened on a moment ago.
int freeLoopbackPort();
// The first bytes a server on the loopback port sends within the time given (empty: none).
QByteArray readGreeting(int port, int timeoutMs);
// Runs a program to its end; false with its output in `error` when it fails.
bool runTool(const QString& program, const QStringList& arguments, QString* error);
// A self-signed certificate for 127.0.0.1 made with openssl, its key beside it ("<path>.key").
bool makeCertificate(const QString& path, const QString& commonName, QString* error);

// A real FTP server on a loopback port chosen at run time, serving a fresh temporary folder.
// pyftpdlib logs in a user with a password and lets it write everywhere (MLSD, UTF-8). vsftpd
// logs in "anonymous" (any password) and lets it write only inside the folder "/upload"
// (LIST only). The server is stopped by its process id when the object goes.
class FtpServer {
public:
    enum class Kind { Pyftpdlib, Vsftpd };
    // vsftpd only: TLS required on the control and data connections, after AUTH TLS or at once.
    enum class Tls { None, Explicit, Implicit };

    FtpServer() = default;
    ~FtpServer();
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    // Further command-line options for the pyftpdlib script (see tests/servers/ftp_server.py),
    // taken by the next start.
    void setExtraArguments(const QStringList& arguments) { m_extraArguments = arguments; }

    // Taken by the next start of vsftpd; a new certificate is made by openssl when there is none.
    void setTls(Tls tls) { m_tls = tls; }
    // The certificate file (PEM) the server shows.
    QString certificateFile() const;
    // Stops the server and starts it again on the same port with a freshly made certificate.
    bool restartWithNewCertificate();
    // The vsftpd program: /usr/sbin/vsftpd, or the path in this environment variable.
    static constexpr const char* kVsftpdVariable = "SF_TEST_VSFTPD";
    static QString vsftpdProgram();

    // Starts the server and waits until it greets; false with errorString() when it does not.
    bool start(Kind kind);
    void stop();

    Kind kind() const { return m_kind; }
    static QString kindName(Kind kind);
    QString host() const { return QStringLiteral("127.0.0.1"); }
    int port() const { return m_port; }
    QString user() const;
    QString password() const;
    QString errorString() const { return m_error; }
    // The server's process (pyftpdlib serves every login in this one process).
    qint64 processId() const { return m_process.processId(); }

    // The local folder that the server shows as "/".
    QString root() const;
    // The remote folder the login may write into.
    QString writableDir() const;
    QString localPath(const QString& remotePath) const;

    // Content made beside the server, owned so that the server's login may change it.
    void makeDir(const QString& remotePath);
    void writeFile(const QString& remotePath, const QByteArray& bytes);
    QByteArray readFile(const QString& remotePath) const;
    bool exists(const QString& remotePath) const;

private:
    bool startPyftpdlib();
    bool startVsftpd();
    bool startVsftpdOnce(bool samePort = false);
    QString tlsConfig() const;
    bool waitForGreeting(int timeoutMs);
    void giveToServerUser(const QString& localPath) const;
    void prepareProcess();

    Kind m_kind = Kind::Pyftpdlib;
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
    QString m_error;
    QStringList m_extraArguments;
    Tls m_tls = Tls::None;
};

// Test listings and names show the server by its name, the same on every build.
inline void PrintTo(FtpServer::Kind kind, std::ostream* out)
{
    *out << FtpServer::kindName(kind).toStdString();
}

} // namespace sf::test
