#include "support/WebServer.h"

#include "support/FtpServer.h"
#include "support/TestEnvironment.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace sf::test {
namespace {

constexpr char kApacheModules[] = "/usr/lib/apache2/modules";

bool runningAsRoot()
{
    return ::geteuid() == 0;
}

QByteArray apacheConfig(const QString& state, const QString& root, int port)
{
    QByteArray conf = "ServerRoot " + state.toUtf8() + "\nPidFile " + state.toUtf8() +
                      "/httpd.pid\nMutex file:" + state.toUtf8() +
                      "\nListen 127.0.0.1:" + QByteArray::number(port) + "\nServerName 127.0.0.1\nErrorLog " +
                      state.toUtf8() + "/error.log\nLogLevel warn\n";
    if (runningAsRoot())
        conf += "User daemon\nGroup daemon\n";
    for (const char* module : {"mpm_event", "authz_core", "rewrite", "dir", "mime", "alias"})
        conf += QByteArray("LoadModule ") + module + "_module " + kApacheModules + "/mod_" + module + ".so\n";
    conf += "TypesConfig /etc/mime.types\nDocumentRoot " + root.toUtf8() + "\n<Directory " + root.toUtf8() +
            ">\n  AllowOverride All\n  Require all granted\n</Directory>\n";
    return conf;
}

QByteArray nginxConfig(const QString& state, const QString& root, const QString& rules, int port)
{
    QByteArray conf = "daemon off;\nworker_processes 1;\npid " + state.toUtf8() + "/nginx.pid;\nerror_log " +
                      state.toUtf8() + "/error.log warn;\n";
    if (runningAsRoot())
        conf += "user daemon daemon;\n";
    conf += "events { worker_connections 64; }\nhttp {\n  access_log off;\n";
    for (const char* temp : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
        conf += QByteArray("  ") + temp + "_temp_path " + state.toUtf8() + "/" + temp + ";\n";
    if (!rules.isEmpty())
        conf += "  include " + rules.toUtf8() + ";\n";
    conf += "  server {\n    listen 127.0.0.1:" + QByteArray::number(port) + ";\n    root " + root.toUtf8() +
            ";\n";
    if (!rules.isEmpty())
        conf += "    if ($spiderfence_refuse) { return 403; }\n";
    return conf + "  }\n}\n";
}

QByteArray caddyConfig(const QString& state, const QString& root, const QString& rules, int port)
{
    QByteArray conf =
        "{\n\tadmin off\n\tauto_https off\n\tstorage file_system " + state.toUtf8() + "/data\n}\n";
    if (!rules.isEmpty())
        conf += "import " + rules.toUtf8() + "\n";
    conf += "http://127.0.0.1:" + QByteArray::number(port) + " {\n";
    if (!rules.isEmpty())
        conf += "\timport spiderfence\n";
    return conf + "\troot * " + root.toUtf8() + "\n\tfile_server\n}\n";
}

} // namespace

int rawHttpStatus(int port, const QByteArray& target, const QByteArray& userAgent)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const timeval timeout{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    QByteArray answer;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        QByteArray request =
            "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) + "\r\n";
        if (!userAgent.isEmpty())
            request += "User-Agent: " + userAgent + "\r\n";
        request += "Connection: close\r\n\r\n";
        if (::send(fd, request.constData(), static_cast<size_t>(request.size()), MSG_NOSIGNAL) ==
            request.size()) {
            char buffer[512];
            ssize_t got = 0;
            while (!answer.contains('\n') && (got = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
                answer.append(buffer, got);
        }
    }
    ::close(fd);
    // "HTTP/1.1 403 Forbidden"
    const QList<QByteArray> words = answer.left(answer.indexOf('\n')).split(' ');
    return words.size() >= 2 && words[0].startsWith("HTTP/") ? words[1].toInt() : 0;
}

WebServer::~WebServer()
{
    stop();
}

QString WebServer::kindName(Kind kind)
{
    switch (kind) {
    case Kind::Apache:
        return QStringLiteral("Apache");
    case Kind::Nginx:
        return QStringLiteral("nginx");
    case Kind::Caddy:
        return QStringLiteral("Caddy");
    }
    return {};
}

QByteArray WebServer::config(const QString& root, const QString& rules) const
{
    switch (m_kind) {
    case Kind::Apache:
        return apacheConfig(m_dir.path(), root, m_port);
    case Kind::Nginx:
        return nginxConfig(m_dir.path(), root, rules, m_port);
    case Kind::Caddy:
        return caddyConfig(m_dir.path(), root, rules, m_port);
    }
    return {};
}

QStringList WebServer::arguments(const QString& configFile) const
{
    switch (m_kind) {
    case Kind::Apache:
        return {QStringLiteral("-f"), configFile, QStringLiteral("-DFOREGROUND")};
    case Kind::Nginx:
        return {QStringLiteral("-c"), configFile, QStringLiteral("-p"), m_dir.path()};
    case Kind::Caddy:
        return {QStringLiteral("run"), QStringLiteral("--config"), configFile, QStringLiteral("--adapter"),
                QStringLiteral("caddyfile")};
    }
    return {};
}

bool WebServer::start(const QString& documentRoot, const QString& rulesFile)
{
    stop();
    m_error.clear();
    // The servers' own user must reach the document root and the state folder.
    QFile::setPermissions(m_dir.path(),
                          QFile::permissions(m_dir.path()) | QFile::ReadOther | QFile::ExeOther);
    m_port = freeLoopbackPort();
    const QString configFile = m_dir.filePath(QStringLiteral("server.conf"));
    writeFileBytes(configFile, config(documentRoot, rulesFile));
    static const char* const programs[] = {"/usr/sbin/apache2", "/usr/sbin/nginx", "/usr/bin/caddy"};
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
        environment.insert(QString::fromLatin1(name), m_dir.path());
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardOutputFile(m_dir.filePath(QStringLiteral("output.log")));
    m_process.start(QString::fromLatin1(programs[static_cast<int>(m_kind)]), arguments(configFile));
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired() && m_process.state() != QProcess::NotRunning) {
        if (rawHttpStatus(m_port, "/", {}) != 0)
            return true;
        QThread::msleep(50);
    }
    m_error = QStringLiteral("%1 did not answer on port %2: %3")
                  .arg(kindName(m_kind))
                  .arg(m_port)
                  .arg(QString::fromUtf8(errorLog()));
    stop();
    return false;
}

void WebServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    // The servers end their workers on SIGTERM; SIGKILL only when that does not end them in time.
    m_process.terminate();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QByteArray WebServer::errorLog() const
{
    QFile log(
        m_dir.filePath(m_kind == Kind::Caddy ? QStringLiteral("output.log") : QStringLiteral("error.log")));
    return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
}

} // namespace sf::test
