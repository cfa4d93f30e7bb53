#include "support/SshServer.h"

#include "support/FtpServer.h"
#include "support/TestEnvironment.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include <signal.h>
#include <sys/prctl.h>

namespace sf::test {

namespace {

constexpr int kStartTimeoutMs = 15000;

// The account file with root's line changed: field `index` (0-based, ':'-separated) set to value.
QByteArray withRootField(const QByteArray& file, int index, const QByteArray& value)
{
    QList<QByteArray> lines = file.split('\n');
    for (QByteArray& line : lines) {
        if (!line.startsWith("root:"))
            continue;
        QList<QByteArray> fields = line.split(':');
        if (fields.size() > index)
            fields[index] = value;
        line = fields.join(':');
    }
    return lines.join('\n');
}

bool makeHostKey(const QString& path, QString* error)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral(".pub"));
    return runTool(QStringLiteral("ssh-keygen"),
                   {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"),
                    QStringLiteral("-N"), QString(), QStringLiteral("-f"), path},
                   error);
}

} // namespace

SshServer::~SshServer()
{
    stop();
}

bool SshServer::writeAccounts()
{
    QProcess hash;
    hash.start(QStringLiteral("openssl"), {QStringLiteral("passwd"), QStringLiteral("-6"), password()});
    if (!hash.waitForFinished(30000) || hash.exitCode() != 0) {
        m_error = QStringLiteral("openssl passwd failed");
        return false;
    }
    const QByteArray crypted = hash.readAllStandardOutput().trimmed();
    writeFileBytes(m_dir.filePath(QStringLiteral("passwd")),
                   withRootField(readFileBytes(QStringLiteral("/etc/passwd")), 5, QFile::encodeName(root())));
    writeFileBytes(m_dir.filePath(QStringLiteral("shadow")),
                   withRootField(readFileBytes(QStringLiteral("/etc/shadow")), 1, crypted));
    QFile::setPermissions(m_dir.filePath(QStringLiteral("shadow")), QFile::ReadOwner | QFile::WriteOwner);
    return true;
}

bool SshServer::start()
{
    stop();
    m_error.clear();
    if (!m_dir.isValid() || !QDir().mkpath(root()) || !QDir().mkpath(QStringLiteral("/run/sshd"))) {
        m_error = QStringLiteral("cannot create the server folders");
        return false;
    }
    if (!makeHostKey(m_dir.filePath(QStringLiteral("host_key")), &m_error) || !writeAccounts())
        return false;
    writeFileBytes(m_dir.filePath(QStringLiteral("authorized_keys")), QByteArray());
    m_port = freeLoopbackPort();
    return launch();
}

bool SshServer::launch()
{
    const QString config =
        QStringLiteral("Port %1\nListenAddress 127.0.0.1\nHostKey %2/host_key\nPidFile none\nUsePAM no\n"
                       "StrictModes no\nAuthorizedKeysFile %2/authorized_keys\nPasswordAuthentication yes\n"
                       "KbdInteractiveAuthentication no\nPubkeyAuthentication yes\nPermitRootLogin yes\n"
                       "Subsystem sftp internal-sftp\nLogLevel ERROR\nMaxStartups 64\nUseDNS no\n")
            .arg(m_port)
            .arg(m_dir.path());
    writeFileBytes(m_dir.filePath(QStringLiteral("sshd_config")), config.toUtf8());
    // The copies of the account files are seen by sshd alone: its own mount namespace.
    const QString script = QStringLiteral("mount --bind %1/passwd /etc/passwd && mount --bind %1/shadow "
                                          "/etc/shadow && exec /usr/sbin/sshd -D -e -f %1/sshd_config")
                               .arg(m_dir.path());
    m_process.setStandardErrorFile(m_dir.filePath(QStringLiteral("sshd.log")), QIODevice::Append);
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process.start(QStringLiteral("unshare"),
                    {QStringLiteral("--mount"), QStringLiteral("sh"), QStringLiteral("-c"), script});
    QDeadlineTimer deadline(kStartTimeoutMs);
    while (!deadline.hasExpired() && m_process.state() != QProcess::NotRunning) {
        if (readGreeting(m_port, 2000).startsWith("SSH-"))
            return true;
        QThread::msleep(50);
    }
    m_error = QStringLiteral("sshd did not greet; log: ") +
              QString::fromUtf8(readFileBytes(m_dir.filePath(QStringLiteral("sshd.log"))));
    stop();
    return false;
}

bool SshServer::restartWithNewHostKey()
{
    stop();
    return makeHostKey(m_dir.filePath(QStringLiteral("host_key")), &m_error) && launch();
}

void SshServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate(); // SIGTERM to sshd's own process id (the shell exec'd it)
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool SshServer::authorizeKey(const QString& privateKeyPath, const QString& passphrase)
{
    if (!runTool(QStringLiteral("ssh-keygen"),
                 {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ecdsa"), QStringLiteral("-m"),
                  QStringLiteral("PEM"), QStringLiteral("-N"), passphrase, QStringLiteral("-f"),
                  privateKeyPath},
                 &m_error))
        return false;
    const QString keys = m_dir.filePath(QStringLiteral("authorized_keys"));
    writeFileBytes(keys, readFileBytes(keys) + readFileBytes(privateKeyPath + QStringLiteral(".pub")));
    return true;
}

} // namespace sf::test
