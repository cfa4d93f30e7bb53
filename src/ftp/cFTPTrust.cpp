// Whom the session trusts: certificates of FTP over TLS, host keys of SFTP, and the questions
// about those that nothing vouches for.
#include "ftp/cFTP.h"

#include "base/SettingsStore.h"
#include "ftp/CurlSession.h"
#include "ftp/TrustDecider.h"

#include <QDir>

using sf::SettingsStore;
using sf::ftp::CertificateInfo;
using sf::ftp::HostKeyInfo;
using sf::ftp::TrustAnswer;

namespace {

QString hostAndPort(const QString& host, int port)
{
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

QString certificateDetails(const CertificateInfo& cert)
{
    return cFTP::tr("Subject: %1\nIssuer: %2\nValid from %3 to %4\nSHA-256 fingerprint: %5")
        .arg(cert.subject, cert.issuer, cert.validFrom, cert.validUntil, cert.fingerprint);
}

QString hostKeyDetails(const HostKeyInfo& key)
{
    return cFTP::tr("Key type: %1\nSHA-256 fingerprint: %2").arg(key.keyType, key.fingerprint);
}

TrustAnswer askTrust(sf::ftp::TrustDecider* decider, const QString& question)
{
    return decider ? decider->askTrust(question) : TrustAnswer::No;
}

// Why a certificate or host key that nothing vouches for was not used.
QString refusedText(const QString& text, sf::ftp::TrustPolicy policy)
{
    const QString why = policy == sf::ftp::TrustPolicy::Refuse
                            ? cFTP::tr("The project refuses unknown certificates and host keys (Options, "
                                       "Project Options), so the connection was refused.")
                            : cFTP::tr("The connection was refused.");
    return text + QStringLiteral("\n\n") + why;
}

} // namespace

QString cFTP::SftpKnownHostsFile()
{
    const QString folder = SettingsStore::folder();
    QDir().mkpath(folder);
    return QDir(folder).filePath(QStringLiteral("known_hosts"));
}

sf::ftp::ConnectionOptions cFTP::connectionOptions(const QString& server, const QString& user,
                                                   const QString& password, int port)
{
    sf::ftp::ConnectionOptions options;
    options.protocol = m_protocol;
    options.host = server;
    options.port = port >= 1 && port <= 65535 ? port : sf::ftp::defaultPort(m_protocol);
    options.user = user;
    options.password = password;
    const QString hostPort = hostAndPort(server, options.port);
    if (sf::ftp::usesTls(m_protocol))
        options.trustedCertificate = SettingsStore::trustedCertificate(hostPort);
    if (m_protocol == sf::ftp::Protocol::Sftp) {
        options.keyFile = m_keyFile;
        options.keyPassphrase = m_keyPassphrase;
        options.knownHostsFile = SftpKnownHostsFile();
        options.judgeHostKey = [this, hostPort](const HostKeyInfo& key) {
            return judgeHostKey(hostPort, key);
        };
    }
    return options;
}

void cFTP::recordNotTrusted(const QString& text)
{
    setFailure(ErrorNotTrusted, text);
}

bool cFTP::settleCertificate(sf::ftp::ConnectionOptions& options, const QString& context)
{
    recordCurlFailure(CURLE_PEER_FAILED_VERIFICATION, context); // stands unless the user trusts it
    const CertificateInfo cert = m_session->probeCertificate();
    if (!cert.isValid())
        return false;
    const QString hostPort = hostAndPort(options.host, options.port);
    const TrustAnswer answer = judgeCertificate(hostPort, cert);
    if (answer == TrustAnswer::No)
        return false;
    if (answer == TrustAnswer::Always)
        SettingsStore::saveTrustedCertificate(hostPort, cert.pem);
    options.trustedCertificate = cert.pem; // the next login accepts exactly what the user saw
    return true;
}

TrustAnswer cFTP::judgeCertificate(const QString& hostPort, const CertificateInfo& cert)
{
    const QByteArray remembered = SettingsStore::trustedCertificate(hostPort);
    if (!remembered.isEmpty()) {
        if (sf::ftp::pemFingerprint(remembered) == cert.fingerprint)
            return TrustAnswer::No; // the trusted certificate itself failed (it expired): libcurl's reason
                                    // stands
        const QString text = tr("WARNING: the certificate of %1 has changed since you chose to trust it. "
                                "Someone may be listening in on the connection, which was refused.\n\n"
                                "The certificate shown now:\n%2")
                                 .arg(hostPort, certificateDetails(cert));
        if (m_trustDecider)
            m_trustDecider->warnRefused(text);
        recordNotTrusted(text);
        return TrustAnswer::No;
    }
    const QString text = tr("The certificate of %1 is not signed by an authority this computer trusts.\n\n%2")
                             .arg(hostPort, certificateDetails(cert));
    const TrustAnswer answer =
        m_trust == sf::ftp::TrustPolicy::Refuse
            ? TrustAnswer::No
            : askTrust(m_trustDecider, text + QStringLiteral("\n\n") + tr("Trust this certificate?"));
    if (answer == TrustAnswer::No)
        recordNotTrusted(refusedText(text, m_trust));
    return answer;
}

TrustAnswer cFTP::judgeHostKey(const QString& hostPort, const HostKeyInfo& key)
{
    if (key.match == HostKeyInfo::Match::Changed) {
        m_refusal = tr("WARNING: the host key of %1 has changed since it was trusted. "
                       "Someone may be listening in on the connection, which was refused.\n\n"
                       "The key shown now:\n%2\n\nKnown keys are kept in %3.")
                        .arg(hostPort, hostKeyDetails(key), SftpKnownHostsFile());
        if (m_trustDecider)
            m_trustDecider->warnRefused(m_refusal);
        return TrustAnswer::No;
    }
    const QString text = tr("The host key of %1 is not known yet.\n\n%2").arg(hostPort, hostKeyDetails(key));
    const TrustAnswer answer =
        m_trust == sf::ftp::TrustPolicy::Refuse
            ? TrustAnswer::No
            : askTrust(m_trustDecider, text + QStringLiteral("\n\n") + tr("Trust this host key?"));
    if (answer == TrustAnswer::No)
        m_refusal = refusedText(text, m_trust);
    return answer;
}
