#include "support/FtpServer.h"

#include "support/TestEnvironment.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sf::test {

namespace {

constexpr int kStartTimeoutMs = 15000;
const char* const kVsftpdUser = "daemon"; // an existing user with a real home, as vsftpd wants

sockaddr_in loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

bool canConnect(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = loopback(port);
    const bool connected =
        fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd);
    return connected;
}

} // namespace

QByteArray readGreeting(int port, int timeoutMs)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return {};
    QByteArray greeting;
    const sockaddr_in address = loopback(port);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        pollfd pfd{fd, POLLIN, 0};
        char buffer[256];
        if (::poll(&pfd, 1, timeoutMs) == 1) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n > 0)
                greeting = QByteArray(buffer, static_cast<qsizetype>(n));
        }
    }
    ::close(fd);
    return greeting;
}

bool runTool(const QString& program, const QStringList& arguments, QString* error)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
        process.exitCode() == 0)
        return true;
    if (error)
        *error = program + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAll()) +
                 process.errorString();
    return false;
}

bool makeCertificate(const QString& path, const QString& commonName, QString* error)
{
    return runTool(QStringLiteral("openssl"),
                   {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                    QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                    QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                    QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                    QStringLiteral("/CN=") + commonName, QStringLiteral("-addext"),
                    QStringLiteral("subjectAltName=IP:127.0.0.1"), QStringLiteral("-keyout"),
                    path + QStringLiteral(".key"), QStringLiteral("-out"), path},
                   error);
}

int freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    int port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

namespace {

// A small passive-port range of its own, so that parallel test servers rarely meet.
std::pair<int, int> passiveRange()
{
    const int base = 30000 + static_cast<int>(QRandomGenerator::global()->bounded(600)) * 50;
    return {base, base + 49};
}

} // namespace

FtpServer::~FtpServer()
{
    stop();
}

QString FtpServer::kindName(Kind kind)
{
    return kind == Kind::Vsftpd ? QStringLiteral("vsftpd") : QStringLiteral("pyftpdlib");
}

QString FtpServer::user() const
{
    return m_kind == Kind::Vsftpd ? QStringLiteral("anonymous") : QStringLiteral("sfuser");
}

QString FtpServer::password() const
{
    return m_kind == Kind::Vsftpd ? QStringLiteral("guest") : QStringLiteral("pass word");
}

QString FtpServer::root() const
{
    return m_dir.filePath(QStringLiteral("root"));
}

QString FtpServer::writableDir() const
{
    return m_kind == Kind::Vsftpd ? QStringLiteral("/upload") : QStringLiteral("/");
}

QString FtpServer::localPath(const QString& remotePath) const
{
    return QDir::cleanPath(root() + QLatin1Char('/') + remotePath);
}

void FtpServer::prepareProcess()
{
    m_process.setStandardErrorFile(m_dir.filePath(QStringLiteral("server.log")), QIODevice::Append);
    // The server goes with the test program, even when that one crashes.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

bool FtpServer::start(Kind kind)
{
    stop();
    m_kind = kind;
    m_error.clear();
    if (!m_dir.isValid() || !QDir().mkpath(root())) {
        m_error = QStringLiteral("cannot create the server folder");
        return false;
    }
    ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755);
    ::chmod(QFile::encodeName(root()).constData(), 0755);
    return kind == Kind::Vsftpd ? startVsftpd() : startPyftpdlib();
}

bool FtpServer::startPyftpdlib()
{
    prepareProcess();
    const auto [low, high] = passiveRange();
    const QStringList arguments = QStringList{serversDir() + QStringLiteral("/ftp_server.py"),
                                              QStringLiteral("--root"),
                                              root(),
                                              QStringLiteral("--user"),
                                              user(),
                                              QStringLiteral("--password"),
                                              password(),
                                              QStringLiteral("--passive-min"),
                                              QString::number(low),
                                              QStringLiteral("--passive-max"),
                                              QString::number(high)} +
                                  m_extraArguments;
    m_process.start(QStringLiteral("/usr/bin/python3"), arguments);
    if (!m_process.waitForStarted(kStartTimeoutMs)) {
        m_error = QStringLiteral("python3 did not start: ") + m_process.errorString();
        return false;
    }
    QDeadlineTimer deadline(kStartTimeoutMs);
    while (!m_process.canReadLine() && !deadline.hasExpired() && m_process.state() == QProcess::Running)
        m_process.waitForReadyRead(200);
    const QByteArray line = m_process.readLine().trimmed();
    if (!line.startsWith("PORT ")) {
        m_error = QStringLiteral("pyftpdlib did not report its port; log: ") +
                  QString::fromUtf8(readFileBytes(m_dir.filePath(QStringLiteral("server.log"))));
        stop();
        return false;
    }
    m_port = line.mid(5).toInt();
    return waitForGreeting(kStartTimeoutMs);
}

QString FtpServer::vsftpdProgram()
{
    return qEnvironmentVariable(kVsftpdVariable, QStringLiteral("/usr/sbin/vsftpd"));
}

bool FtpServer::startVsftpd()
{
    // Said plainly, so that a machine without the server fails its tests with the reason.
    if (!QFileInfo(vsftpdProgram()).isExecutable()) {
        m_error = QStringLiteral("vsftpd is not installed (no program %1)").arg(vsftpdProgram());
        return false;
    }
    // vsftpd cannot report a port of its own choosing: pick a free one, and try again when another
    // program took it in between.
    for (int attempt = 0; attempt < 5; ++attempt)
        if (startVsftpdOnce())
            return true;
    return false;
}

QString FtpServer::certificateFile() const
{
    return m_dir.filePath(QStringLiteral("cert.pem"));
}

QString FtpServer::tlsConfig() const
{
    if (m_tls == Tls::None)
        return {};
    return QStringLiteral("ssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\n"
                          "force_anon_data_ssl=YES\nrequire_ssl_reuse=NO\nssl_ciphers=HIGH\n"
                          "rsa_cert_file=%1\nrsa_private_key_file=%1.key\nimplicit_ssl=%2\n")
        .arg(certificateFile(), m_tls == Tls::Implicit ? QStringLiteral("YES") : QStringLiteral("NO"));
}

bool FtpServer::restartWithNewCertificate()
{
    stop();
    QFile::remove(certificateFile());
    return startVsftpdOnce(true);
}

bool FtpServer::startVsftpdOnce(bool samePort)
{
    const QString empty = m_dir.filePath(QStringLiteral("empty"));
    QDir().mkpath(empty);
    makeDir(writableDir());
    if (m_tls != Tls::None && !QFile::exists(certificateFile()) &&
        !makeCertificate(certificateFile(), QStringLiteral("Spiderfence test server"), &m_error))
        return false;
    if (!samePort)
        m_port = freeLoopbackPort();
    const auto [low, high] = passiveRange();
    const QString config =
        QStringLiteral(
            "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=%1\nbackground=NO\n"
            "seccomp_sandbox=NO\nanonymous_enable=YES\nlocal_enable=NO\nwrite_enable=YES\n"
            "anon_upload_enable=YES\nanon_mkdir_write_enable=YES\nanon_other_write_enable=YES\n"
            "anon_umask=022\nanon_root=%2\nftp_username=%3\nnopriv_user=%3\nsecure_chroot_dir=%4\n"
            "pasv_enable=YES\npasv_address=127.0.0.1\npasv_min_port=%5\npasv_max_port=%6\nport_enable=YES\n"
            "connect_from_port_20=NO\nxferlog_enable=NO\nsyslog_enable=NO\nvsftpd_log_file=%7\n"
            "hide_ids=NO\nuse_localtime=NO\ndelay_failed_login=0\nmax_login_fails=100\n"
            "max_clients=64\nftpd_banner=Spiderfence test server ready.\n")
            .arg(m_port)
            .arg(root(), QString::fromLatin1(kVsftpdUser), empty)
            .arg(low)
            .arg(high)
            .arg(m_dir.filePath(QStringLiteral("vsftpd.log"))) +
        tlsConfig();
    const QString configPath = m_dir.filePath(QStringLiteral("vsftpd.conf"));
    writeFileBytes(configPath, config.toUtf8());
    prepareProcess();
    m_process.start(vsftpdProgram(), {configPath});
    if (!m_process.waitForStarted(kStartTimeoutMs)) {
        m_error = QStringLiteral("vsftpd did not start: ") + m_process.errorString();
        return false;
    }
    return waitForGreeting(kStartTimeoutMs);
}

bool FtpServer::waitForGreeting(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (m_process.state() != QProcess::Running) {
            m_error = kindName(m_kind) + QStringLiteral(" ended; log: ") +
                      QString::fromUtf8(readFileBytes(m_dir.filePath(QStringLiteral("server.log"))));
            return false;
        }
        // Implicit TLS says nothing before the handshake: a connection that stays open is enough.
        const QByteArray greeting = readGreeting(m_port, m_tls == Tls::Implicit ? 100 : 2000);
        if (m_tls == Tls::Implicit ? m_process.state() == QProcess::Running && canConnect(m_port)
                                   : greeting.startsWith("220"))
            return true;
        QThread::msleep(50);
    }
    m_error = kindName(m_kind) + QStringLiteral(" did not greet on port ") + QString::number(m_port);
    stop();
    return false;
}

void FtpServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate(); // SIGTERM to the server's own process id
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

void FtpServer::giveToServerUser(const QString& path) const
{
    if (m_kind != Kind::Vsftpd)
        return;
    if (const passwd* pw = ::getpwnam(kVsftpdUser))
        if (::chown(QFile::encodeName(path).constData(), pw->pw_uid, pw->pw_gid) != 0)
            ADD_FAILURE() << "cannot hand " << path.toStdString() << " to " << kVsftpdUser;
}

void FtpServer::makeDir(const QString& remotePath)
{
    const QString path = localPath(remotePath);
    QDir().mkpath(path);
    ::chmod(QFile::encodeName(path).constData(), 0755);
    if (path != root())
        giveToServerUser(path);
}

void FtpServer::writeFile(const QString& remotePath, const QByteArray& bytes)
{
    const QString path = localPath(remotePath);
    writeFileBytes(path, bytes);
    giveToServerUser(path);
}

QByteArray FtpServer::readFile(const QString& remotePath) const
{
    return readFileBytes(localPath(remotePath));
}

bool FtpServer::exists(const QString& remotePath) const
{
    return QFileInfo::exists(localPath(remotePath));
}

} // namespace sf::test
