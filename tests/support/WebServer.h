#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <ostream>

namespace sf::test {

// A raw HTTP/1.1 GET of the request target exactly as given, with that User-Agent (none when
// empty), to a loopback port; the status of the answer, 0 when none came.
int rawHttpStatus(int port, const QByteArray& target, const QByteArray& userAgent);

// Debian's Apache httpd, nginx or Caddy, run with a configuration of its own on a loopback port
// chosen at run time, serving a document root the test gives. Apache reads the .htaccess of that
// root (mod_rewrite loaded, AllowOverride All); nginx includes a rules file in its http block and
// answers 403 where $spiderfence_refuse is 1; Caddy imports a rules file and its snippet
// "spiderfence" first in the site. Run as root, the servers serve as the user "daemon". The server is
// stopped by its process id when the object goes.
class WebServer {
public:
    enum class Kind { Apache, Nginx, Caddy };

    explicit WebServer(Kind kind) : m_kind(kind) {}
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Starts serving and waits until it answers; false with errorString() when it does not. A
    // running server is stopped first, so a start reads a changed rules file.
    bool start(const QString& documentRoot, const QString& rulesFile = {});
    void stop();

    Kind kind() const { return m_kind; }
    static QString kindName(Kind kind);
    int port() const { return m_port; }
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    QString errorString() const { return m_error; }
    // The server's own error log, for a failure message.
    QByteArray errorLog() const;

private:
    QByteArray config(const QString& documentRoot, const QString& rulesFile) const;
    QStringList arguments(const QString& configFile) const;

    Kind m_kind;
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
    QString m_error;
};

inline void PrintTo(WebServer::Kind kind, std::ostream* out)
{
    *out << WebServer::kindName(kind).toStdString();
}

} // namespace sf::test
