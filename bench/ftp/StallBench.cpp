// How long a stalled data connection holds the session: a listing through the tests' hostile proxy,
// whose data connection is accepted and then carries nothing, timed from the request to the
// failure, with the session's own stall limit. Run: build/bench/bench/bench_ftp_stall
#include "ftp/CurlSession.h"
#include "ftp/cFTP.h"
#include "support/FtpServer.h"
#include "support/HostileProxy.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    sf::test::FtpServer server;
    sf::test::HostileProxy proxy;
    if (!server.start(sf::test::FtpServer::Kind::Pyftpdlib) ||
        !proxy.start(server.port(), {"--stall-data"})) {
        std::fprintf(stderr, "%s%s\n", qPrintable(server.errorString()), qPrintable(proxy.errorString()));
        return 1;
    }
    cFTP ftp;
    ftp.SetModePassive();
    if (!ftp.OpenConnection(server.host(), server.user(), server.password(), proxy.port())) {
        std::fprintf(stderr, "%s\n", qPrintable(ftp.GetLastErrorMessage()));
        return 1;
    }
    QElapsedTimer clock;
    clock.start();
    const bool listed = ftp.GetDirectoryListing(QStringLiteral("*.*")) != nullptr;
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    std::printf("stall limit %ld s: the stalled listing %s after %.2f s: %s\n", sf::ftp::kStallLimitSeconds,
                listed ? "was listed (no stall?)" : "failed", seconds, qPrintable(ftp.GetLastErrorMessage()));
    return listed ? 1 : 0;
}
