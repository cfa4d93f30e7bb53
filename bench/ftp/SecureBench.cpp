// cFTP next to the curl tool over FTP over TLS (explicit, vsftpd) and SFTP (OpenSSH's sshd):
// listing 20,000 entries (LIST over TLS; SFTP's long names) and publishing a 500 KiB robots.txt
// (cFTP through a temporary name and a rename, curl -T).
// The curl commands: curl -sS -u anonymous:guest -k --ssl-reqd ftp://127.0.0.1:PORT/big/ -o /dev/null -X LIST
//                    curl -sS -u anonymous:guest -k --ssl-reqd -T robots.txt
//                    ftp://127.0.0.1:PORT/upload/robots.txt curl -sS -u root:PASS -k
//                    sftp://127.0.0.1:PORT/HOME/big/ -o /dev/null curl -sS -u root:PASS -k -T robots.txt
//                    sftp://127.0.0.1:PORT/HOME/robots.txt
#include "SiteBench.h"
#include "ftp/TrustDecider.h"
#include "support/FtpServer.h"
#include "support/SshServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

// Trusts every certificate and host key for this run, as a user answering "This time" would.
class TrustingDecider final : public sf::ftp::TrustDecider {
public:
    sf::ftp::TrustAnswer askTrust(const QString&) override { return sf::ftp::TrustAnswer::ThisTime; }
    void warnRefused(const QString&) override {}
};

void describe(sf::bench::Site& site, sf::ftp::Protocol protocol, int port, const QStringList& login,
              const QStringList& folders, sf::ftp::TrustDecider* trust)
{
    site.protocol = protocol;
    site.port = port;
    site.user = login.at(0);
    site.password = login.at(1);
    site.listDir = folders.at(0);
    site.uploadDir = folders.at(1);
    site.publish = true;
    site.ftp.SetTrustDecider(trust);
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir config; // the settings of this run, kept apart from the user's
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TrustingDecider trust;

    sf::test::FtpServer vsftpd;
    vsftpd.setTls(sf::test::FtpServer::Tls::Explicit);
    sf::test::SshServer sshd;
    if (!vsftpd.start(sf::test::FtpServer::Kind::Vsftpd) || !sshd.start() ||
        !sf::bench::makeEntries(vsftpd.localPath(QStringLiteral("/big"))) ||
        !sf::bench::makeEntries(sshd.root() + QStringLiteral("/big"))) {
        std::fprintf(stderr, "%s%s\n", qPrintable(vsftpd.errorString()), qPrintable(sshd.errorString()));
        return 1;
    }
    sf::bench::Site tls;
    sf::bench::Site sftp;
    describe(tls, sf::ftp::Protocol::FtpExplicit, vsftpd.port(), {vsftpd.user(), vsftpd.password()},
             {QStringLiteral("/big"), vsftpd.writableDir()}, &trust);
    describe(sftp, sf::ftp::Protocol::Sftp, sshd.port(), {sshd.user(), sshd.password()},
             {sshd.root() + QStringLiteral("/big"), sshd.root()}, &trust);
    // vsftpd 3.0.3 ends about one in three uploads of 500 KiB over a TLS 1.3 data connection with
    // "426": curl stays at TLS 1.2 here; cFTP sends such an upload again over TLS 1.2 by itself.
    tls.curlOptions = QStringList{QStringLiteral("--tls-max"), QStringLiteral("1.2")};
    sf::bench::registerSite(tls, "ftp_tls");
    sf::bench::registerSite(sftp, "sftp");
    const int result = sf::bench::runBenchmarks();
    benchmark::Shutdown();
    return result;
}
