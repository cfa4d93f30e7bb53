// cFTP next to the curl tool over plain FTP: listing 20,000 entries and uploading a 500 KiB
// robots.txt on pyftpdlib (MLSD, as both clients send it), uploading on vsftpd.
// The curl commands: curl -sS -u USER:PASS ftp://127.0.0.1:PORT/big/ -o /dev/null -X MLSD
//                    curl -sS -u USER:PASS -T robots.txt ftp://127.0.0.1:PORT/upload/robots.txt
#include "SiteBench.h"
#include "support/FtpServer.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

bool startSite(sf::bench::Site& site, sf::test::FtpServer& server, sf::test::FtpServer::Kind kind,
               bool withListing)
{
    if (!server.start(kind)) {
        std::fprintf(stderr, "%s\n", qPrintable(server.errorString()));
        return false;
    }
    if (withListing) {
        server.makeDir(QStringLiteral("/big"));
        if (!sf::bench::makeEntries(server.localPath(QStringLiteral("/big"))))
            return false;
        site.listDir = QStringLiteral("/big");
    }
    site.port = server.port();
    site.user = server.user();
    site.password = server.password();
    site.uploadDir = server.writableDir();
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    sf::test::FtpServer pyftpdlib;
    sf::test::FtpServer vsftpd;
    sf::bench::Site onPyftpdlib;
    sf::bench::Site onVsftpd;
    if (!startSite(onPyftpdlib, pyftpdlib, sf::test::FtpServer::Kind::Pyftpdlib, true) ||
        !startSite(onVsftpd, vsftpd, sf::test::FtpServer::Kind::Vsftpd, false))
        return 1;
    sf::bench::registerSite(onPyftpdlib, "pyftpdlib");
    sf::bench::registerSite(onVsftpd, "vsftpd");
    const int result = sf::bench::runBenchmarks();
    benchmark::Shutdown();
    return result;
}
