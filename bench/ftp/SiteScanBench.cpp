// Scanning a whole site next to lftp's find of the same tree on the same server in the same run,
// and marking a scanned tree of 1,000,000 entries for one robot.
//  - the site: 20,000 files in 400 folders (50 each) below /site, on pyftpdlib (MLSD) and on
//    vsftpd (LIST, a process per connection);
//  - lftp: lftp -u USER,PASS -p PORT -e "set ftp:passive-mode on; find /site; quit" 127.0.0.1
//    (its output read and counted, as the scan keeps its entries);
//  - the scan with one connection and with four; each timed three times, the median printed, and
//    the ratio to lftp;
//  - memory: the heap the scanned tree holds, per entry; and for 1,000,000 entries;
//  - marking 1,000,000 entries against a grid-sized robots.txt (the median of five).
// lftp is installed by bench/ftp/setup-lftp.
#include "../robots/HeapCounter.h"
#include "ftp/SiteScan.h"
#include "project/SiteMarks.h"
#include "rules/RobotsTxt.h"
#include "support/FtpServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kFolders = 400;
constexpr int kFilesPerFolder = 50;
constexpr std::size_t kSiteEntries = kFolders + kFolders * kFilesPerFolder;
constexpr int kRuns = 3;

bool makeSite(const QString& root)
{
    for (int f = 0; f < kFolders; ++f) {
        const QString folder = QStringLiteral("%1/site/section-%2").arg(root).arg(f);
        if (!QDir().mkpath(folder))
            return false;
        for (int i = 0; i < kFilesPerFolder; ++i) {
            QFile file(QStringLiteral("%1/page-%2.html").arg(folder).arg(i));
            if (!file.open(QIODevice::WriteOnly))
                return false;
        }
    }
    return true;
}

double medianMs(const std::function<bool()>& run)
{
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer clock;
        clock.start();
        if (!run())
            return -1;
        times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

bool lftpFind(const sf::test::FtpServer& server)
{
    QProcess lftp;
    lftp.start(QStringLiteral("lftp"),
               {QStringLiteral("-u"), server.user() + u',' + server.password(), QStringLiteral("-p"),
                QString::number(server.port()), QStringLiteral("-e"),
                QStringLiteral("set ftp:passive-mode on; find /site; quit"), server.host()});
    if (!lftp.waitForFinished(600000) || lftp.exitCode() != 0)
        return false;
    // find prints /site/ and a line per entry.
    return static_cast<std::size_t>(lftp.readAllStandardOutput().count('\n')) == kSiteEntries + 1;
}

sf::ftp::ScanLogin loginTo(const sf::test::FtpServer& server)
{
    sf::ftp::ScanLogin login;
    login.server = server.host();
    login.user = server.user();
    login.password = server.password();
    login.port = server.port();
    return login;
}

bool scanSite(const sf::test::FtpServer& server, int connections, std::int64_t* heapPerEntry = nullptr)
{
    const std::int64_t before = heap::live();
    sf::ftp::SiteScan scan(loginTo(server), QStringLiteral("/site"), {32, 1000000, connections});
    scan.run();
    if (heapPerEntry)
        *heapPerEntry = (heap::live() - before) / static_cast<std::int64_t>(scan.tree().entries().size());
    return scan.outcome().complete() && scan.tree().entries().size() == kSiteEntries;
}

void benchServer(sf::test::FtpServer::Kind kind)
{
    sf::test::FtpServer server;
    if (!server.start(kind) || !makeSite(server.root())) {
        std::printf("%s: %s\n", qPrintable(sf::test::FtpServer::kindName(kind)),
                    qPrintable(server.errorString()));
        return;
    }
    const double lftp = medianMs([&] { return lftpFind(server); });
    const double one = medianMs([&] { return scanSite(server, 1); });
    const double four = medianMs([&] { return scanSite(server, 4); });
    std::int64_t perEntry = 0;
    static_cast<void>(scanSite(server, 1, &perEntry));
    const char* name = kind == sf::test::FtpServer::Kind::Vsftpd ? "vsftpd" : "pyftpdlib";
    std::printf("%-10s lftp find %8.1f ms | scan, 1 connection %8.1f ms (%.2f x lftp) | scan, 4 connections "
                "%8.1f ms (%.2f x lftp) | tree heap %lld bytes per entry\n",
                name, lftp, one, one / lftp, four, four / lftp, static_cast<long long>(perEntry));
}

// 1,000,000 entries: 1,000 folders of 999 files, names like a site's.
sf::ftp::SiteTree millionEntries()
{
    sf::ftp::SiteTree tree;
    std::vector<sf::ftp::SiteTree::Listed> top;
    for (int f = 0; f < 1000; ++f)
        top.push_back({QByteArray("section-") + QByteArray::number(f), true, false});
    tree.add(sf::ftp::SiteTree::kTopFolder, top);
    std::vector<sf::ftp::SiteTree::Listed> files;
    for (int i = 0; i < 999; ++i)
        files.push_back(
            {QByteArray("article ") + QByteArray::number(i) + (i % 7 ? ".html" : ".pdf"), false, false});
    for (std::uint32_t f = 1; f <= 1000; ++f)
        tree.add(f, files);
    return tree;
}

void benchMarking()
{
    const std::int64_t before = heap::live();
    sf::ftp::SiteTree tree = millionEntries();
    tree.shrinkToFit();
    const std::int64_t held = heap::live() - before;
    QByteArray robots = "User-agent: *\nDisallow: /private/\nDisallow: /*.pdf$\nAllow: /section-1/public\n\n"
                        "User-agent: GPTBot\n";
    for (int r = 0; r < 40; ++r)
        robots += "Disallow: /section-" + QByteArray::number(r * 23) + "/\nAllow: /section-" +
                  QByteArray::number(r * 23) + "/article 1*\n";
    const sf::rules::RobotsTxt txt(robots);
    const sf::rules::RuleSet rules = txt.rulesFor("GPTBot");
    std::vector<double> times;
    std::size_t blocked = 0;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer clock;
        clock.start();
        const std::vector<bool> marks = sf::SiteMarks::blocked(tree, "/", rules);
        times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        blocked = static_cast<std::size_t>(std::count(marks.begin(), marks.end(), true));
    }
    std::sort(times.begin(), times.end());
    std::printf("marking %zu entries for GPTBot (%zu blocked): %.1f ms | tree heap %.1f bytes per entry "
                "(%.1f MB)\n",
                tree.entries().size(), blocked, times[2], static_cast<double>(held) / tree.entries().size(),
                static_cast<double>(held) / 1e6);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchMarking();
    if (QStandardPaths::findExecutable(QStringLiteral("lftp")).isEmpty()) {
        std::printf("lftp is not installed: run bench/ftp/setup-lftp\n");
        return 1;
    }
    benchServer(sf::test::FtpServer::Kind::Pyftpdlib);
    benchServer(sf::test::FtpServer::Kind::Vsftpd);
    return 0;
}
