// Scanning a whole site over real servers: sfcheck's scan as a process, its CSV against the
// evaluator, and a scan the server drops or the user cancels.
#include "ftp/SiteScan.h"
#include "ftp/TrustDecider.h"
#include "ftp/cFTP.h"
#include "project/ProjectFile.h"
#include "project/RuleGrid.h"
#include "project/SiteMarks.h"
#include "rules/RobotsTxt.h"
#include "support/FtpServer.h"
#include "support/HostileProxy.h"
#include "support/SshServer.h"
#include "transfer/Wait.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>

#include <gtest/gtest.h>

using sf::test::FtpServer;

namespace {

const QStringList kGridBody = {
    "User-agent: GPTBot",    "Disallow: /drafts/",           "Disallow: /*.txt$", "", "User-agent: *",
    "Disallow: /my%20docs/", "Allow: /my%20docs/a%20b.html",
};

sf::ftp::ScanLogin loginTo(const FtpServer& server)
{
    sf::ftp::ScanLogin login;
    login.server = server.host();
    login.user = server.user();
    login.password = server.password();
    login.port = server.port();
    return login;
}

bool writeRaw(const QByteArray& path, bool folder)
{
    if (folder)
        return ::mkdir(path.constData(), 0755) == 0;
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    return fd >= 0 && ::write(fd, "x", 1) == 1 && ::close(fd) == 0;
}

} // namespace

// A site with awkward names, a folder the server may not list, and links: to a folder of the site
// (followed once), to a folder above (a loop) and out of the site. sfcheck lists it over vsftpd and
// its CSV holds each entry once, with the verdicts of the program's own evaluator.
TEST(SiteScan, SfcheckScanListsEveryEntryAndItsCsvAgreesWithTheEvaluator)
{
    FtpServer server;
    ASSERT_TRUE(server.start(FtpServer::Kind::Vsftpd)) << server.errorString().toStdString();
    const QByteArray site = QFile::encodeName(server.root()) + "/site";
    for (const auto& [name, folder] : std::initializer_list<std::pair<QByteArray, bool>>{
             {"", true},
             {"/index.html", false},
             {"/my docs", true},
             {"/my docs/a b.html", false},
             {"/my docs/star*.txt", false},
             {"/price$.html", false},
             {"/caf\xC3\xA9.html", false},
             {"/r\xE9sum\xE9.txt", false},
             {"/drafts", true},
             {"/drafts/x.html", false},
             {"/locked", true},
             {"/../outside", true},
             {"/../outside/secret.html", false},
         })
        ASSERT_TRUE(writeRaw(site + name, folder)) << name.constData();
    ASSERT_EQ(::chmod(site + "/locked", 0), 0);
    const struct Unlock {
        QByteArray path;
        ~Unlock() { ::chmod(path.constData(), 0755); } // so that the server's folder can be removed
    } unlock{site + "/locked"};
    ASSERT_EQ(::symlink("..", site + "/drafts/loop"), 0);
    ASSERT_EQ(::symlink("drafts", site + "/alias"), 0);
    ASSERT_EQ(::symlink("../outside", site + "/out"), 0);

    QTemporaryDir dir;
    sf::ProjectHeader header;
    header.server = server.host();
    header.port = QString::number(server.port());
    header.user = server.user();
    header.password = server.password();
    header.uploadDirectory = "/site";
    QStringList rows = sf::RuleGrid::newProjectTemplate();
    for (qsizetype i = 0; i < kGridBody.size(); ++i)
        rows.insert(5 + i, kGridBody[i]);
    ASSERT_TRUE(sf::ProjectFile::save(dir.filePath("site.sfp"), header, rows));

    for (const QString connections : {"1", "4"}) {
        SCOPED_TRACE(connections.toStdString());
        QProcess sfcheck;
        sfcheck.start(SF_BUILD_BIN_DIR "/sfcheck", {"scan", dir.filePath("site.sfp"), "--csv",
                                                    dir.filePath("out.csv"), "--connections", connections});
        ASSERT_TRUE(sfcheck.waitForFinished(60000));
        const QString err = QString::fromUtf8(sfcheck.readAllStandardError());
        // /locked could not be listed: the counts are not the whole site's, and the exit says so.
        ASSERT_EQ(sfcheck.exitCode(), 3) << err.toStdString();
        EXPECT_EQ(QString::fromUtf8(sfcheck.readAllStandardOutput()),
                  "*: 2 of 15 entries blocked\nGPTBot: 5 of 15 entries blocked\n"
                  "incomplete: 1 folder could not be listed\n");
        for (const char* said : {"/locked: not listed", "/alias/loop: a link to a folder above it",
                                 "/drafts/loop: a link to a folder above it", "/out: a link out of the site"})
            EXPECT_TRUE(err.contains(QString::fromUtf8(said))) << said << "\n" << err.toStdString();

        QFile csv(dir.filePath("out.csv"));
        ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = csv.readAll().split('\n');
        EXPECT_EQ(lines.value(0), "url,*,GPTBot\r");
        const sf::rules::RobotsTxt txt(rows.join("\r\n").toLatin1());
        QList<QByteArray> urls;
        for (const QByteArray& line : lines.mid(1, lines.size() - 2)) {
            const QList<QByteArray> cells = line.trimmed().split(',');
            ASSERT_EQ(cells.size(), 3) << line.constData();
            urls << cells[0];
            for (int agent = 0; agent < 2; ++agent)
                EXPECT_EQ(cells[agent + 1],
                          txt.check(agent == 0 ? "*" : "GPTBot", cells[0]).allowed ? "allowed" : "blocked")
                    << line.constData();
        }
        EXPECT_EQ(urls,
                  (QList<QByteArray>{"/alias/", "/alias/loop/", "/alias/x.html", "/caf%C3%A9.html",
                                     "/drafts/", "/drafts/loop/", "/drafts/x.html", "/index.html", "/locked/",
                                     "/my%20docs/", "/my%20docs/a%20b.html", "/my%20docs/star*.txt", "/out/",
                                     "/price$.html", "/r%C3%A9sum%C3%A9.txt"}));
    }
}

// The pages a proof of the fence adds to its sample: files only, spread over the whole tree, each
// as crawlers request it.
TEST(SiteScan, SamplePagesAreFilesSpreadOverTheTree)
{
    using Tree = sf::ftp::SiteTree;
    Tree tree;
    const std::uint32_t docs = tree.add(Tree::kTopFolder, {{"a.html", false, false},
                                                           {"docs", true, false},
                                                           {".htaccess", false, false},
                                                           {"b c.html", false, false}});
    ASSERT_NE(docs, Tree::kNone);
    tree.add(
        docs,
        {{"1.html", false, false}, {"2.html", false, false}, {"3.html", false, false}, {"sub", true, false}});
    const QList<QByteArray> all{"/a.html", "/b%20c.html", "/docs/1.html", "/docs/2.html", "/docs/3.html"};
    const struct {
        qsizetype most;
        QList<QByteArray> pages;
    } cases[] = {{0, {}}, {1, {"/a.html"}}, {2, {"/a.html", "/docs/1.html"}}, {5, all}, {100, all}};
    for (const auto& c : cases)
        EXPECT_EQ(sf::SiteMarks::samplePages(tree, "/", c.most), c.pages) << c.most;
    EXPECT_EQ(sf::SiteMarks::samplePages(tree, "/site/", 1), QList<QByteArray>{"/site/a.html"});
}

// A server that refuses a listing in passing (no data port free, too busy, the transfer aborted) gets
// the folder asked again after a pause that grows; a folder still refused after three tries is
// missing from the tree, and the scan is incomplete. The refusals come from the hostile proxy in
// front of pyftpdlib; the first data command lists /site, the next ones its folders.
TEST(SiteScan, FoldersRefusedInPassingAreTriedAgainAndThoseStillRefusedMakeItIncomplete)
{
    FtpServer server;
    ASSERT_TRUE(server.start(FtpServer::Kind::Pyftpdlib)) << server.errorString().toStdString();
    for (const char* folder : {"a", "b", "c", "d", "e", "f"}) {
        server.makeDir(QString("/site/%1").arg(folder));
        server.writeFile(QString("/site/%1/page.html").arg(folder), "x");
    }
    std::mutex lock;
    std::vector<int> pauses;
    sf::SetPauseFunction([&](int ms) {
        const std::lock_guard hold(lock);
        pauses.push_back(ms);
    });
    const QString busy425 = "425 Unable to identify the local data socket: Address already in use";
    struct Case {
        const char* what;
        QStringList faults;
        int connections;
        int notListed;
        std::vector<int> pauses; // sorted; with several connections, only how many
    } cases[] = {
        {"every other one refused once", {"--refuse-data-every", "2"}, 1, 0, {250, 250, 250, 250, 250, 250}},
        {"one refused twice", {"--refuse-data-at", "2,3"}, 1, 0, {250, 500}},
        {"one refused three times", {"--refuse-data-at", "2,3,4"}, 1, 1, {250, 500}},
        {"two refused three times", {"--refuse-data-at", "2,3,4,5,6,7"}, 1, 2, {250, 250, 500, 500}},
        {"421 closes the connection",
         {"--refuse-data-at", "2", "--refuse-reply", "421 Too busy"},
         1,
         0,
         {250}},
        {"426", {"--refuse-data-at", "2", "--refuse-reply", "426 Transfer aborted"}, 1, 0, {250}},
        {"450", {"--refuse-data-at", "2", "--refuse-reply", "450 Try later"}, 1, 0, {250}},
        {"four connections", {"--refuse-data-at", "3,6"}, 4, 0, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sf::test::HostileProxy proxy;
        ASSERT_TRUE(proxy.start(server.port(), c.faults)) << proxy.errorString().toStdString();
        pauses.clear();
        sf::ftp::ScanLogin login = loginTo(server);
        login.port = proxy.port();
        sf::ftp::SiteScan scan(login, "/site", {32, 1000000, c.connections});
        scan.run();
        const sf::ftp::ScanOutcome& outcome = scan.outcome();
        EXPECT_TRUE(outcome.failure.isEmpty()) << outcome.failure.toStdString();
        EXPECT_EQ(outcome.foldersNotListed(), c.notListed);
        EXPECT_EQ(outcome.complete(), c.notListed == 0);
        EXPECT_EQ(scan.tree().entries().size(), std::size_t(12 - c.notListed));
        for (const sf::ftp::ScanProblem& problem : outcome.problems)
            EXPECT_EQ(problem.message.toStdString(), busy425.toStdString()) << problem.path.constData();
        std::sort(pauses.begin(), pauses.end());
        if (c.connections > 1)
            EXPECT_EQ(pauses.size(), c.pauses.size());
        else
            EXPECT_EQ(pauses, c.pauses);
    }
    sf::SetPauseFunction(nullptr);
}

// A scan that stops midway, because the server goes or the user cancels, says so and keeps what it
// had listed.
TEST(SiteScan, ScanStoppedMidwayKeepsWhatItListedAndSaysWhy)
{
    enum class Stop { ServerGone, Cancel };
    for (const Stop stop : {Stop::ServerGone, Stop::Cancel}) {
        FtpServer server;
        server.setExtraArguments({"--listing-delay", "0.05"});
        ASSERT_TRUE(server.start(FtpServer::Kind::Pyftpdlib)) << server.errorString().toStdString();
        for (int i = 0; i < 40; ++i)
            server.makeDir(QString("/site/f%1").arg(i));
        for (int i = 0; i < 40; ++i)
            server.writeFile(QString("/site/f%1/page.html").arg(i), "x");
        const sf::ftp::ScanLogin login = loginTo(server);
        sf::ftp::SiteScan scan(login, "/site", {32, 1000000, 2});
        QSignalSpy finished(&scan, &sf::ftp::SiteScan::finished);
        QObject::connect(&scan, &sf::ftp::SiteScan::progressed, [&](const sf::ftp::ScanProgress& progress) {
            if (progress.foldersDone == 0 || !scan.isRunning())
                return;
            stop == Stop::Cancel ? scan.cancel() : server.stop();
        });
        scan.start();
        ASSERT_TRUE(finished.wait(30000));
        const sf::ftp::ScanOutcome& outcome = scan.outcome();
        EXPECT_FALSE(outcome.complete());
        EXPECT_EQ(outcome.cancelled, stop == Stop::Cancel);
        EXPECT_EQ(outcome.connectionLost.isEmpty(), stop == Stop::Cancel);
        EXPECT_GE(scan.tree().entries().size(), 40u); // the site folder's listing
        EXPECT_LT(scan.tree().entries().size(), 80u);
    }
}

// The limits: a deep chain stops at the depth, a long listing at the number of entries.
TEST(SiteScan, LimitsAreKeptAndSaid)
{
    FtpServer server;
    ASSERT_TRUE(server.start(FtpServer::Kind::Pyftpdlib)) << server.errorString().toStdString();
    QString deep = "/site";
    for (int i = 0; i < 6; ++i)
        deep += "/d";
    server.makeDir(deep);
    server.writeFile(deep + "/end.html", "x");
    for (int i = 0; i < 10; ++i)
        server.writeFile(QString("/site/p%1.html").arg(i), "x");
    struct Case {
        sf::ftp::ScanLimits limits;
        bool depthLimit, entryLimit;
        std::size_t entries;
    } cases[] = {
        {{32, 1000000, 1}, false, false, 17},
        {{3, 1000000, 1}, true, false, 13},
        {{32, 5, 1}, false, true, 5},
    };
    for (const Case& c : cases) {
        const sf::ftp::ScanLogin login = loginTo(server);
        sf::ftp::SiteScan scan(login, "/site", c.limits);
        scan.run();
        EXPECT_EQ(scan.outcome().depthLimit, c.depthLimit) << c.limits.depth;
        EXPECT_EQ(scan.outcome().entryLimit, c.entryLimit) << c.limits.entries;
        EXPECT_EQ(scan.tree().entries().size(), c.entries) << c.limits.depth << " " << c.limits.entries;
    }
}

// Four connections where the server takes them, no more than it takes where it refuses more (two
// from one address here: the fixture's own look at the greeting may still count as one): the scan
// is whole either way.
TEST(SiteScan, ConnectionsFallBackToWhatTheServerTakes)
{
    for (const int allowed : {0, 2}) {
        FtpServer server;
        // Slow listings: the first connection is still at work when the others log in.
        server.setExtraArguments({"--listing-delay", "0.02", "--max-cons-per-ip", QString::number(allowed)});
        ASSERT_TRUE(server.start(FtpServer::Kind::Pyftpdlib)) << server.errorString().toStdString();
        for (int i = 0; i < 20; ++i)
            server.makeDir(QString("/site/f%1/g").arg(i));
        sf::ftp::SiteScan scan(loginTo(server), "/site", {32, 1000000, 4});
        scan.run();
        EXPECT_TRUE(scan.outcome().complete()) << allowed << scan.outcome().failure.toStdString();
        if (allowed)
            EXPECT_LE(scan.outcome().connections, allowed);
        else
            EXPECT_EQ(scan.outcome().connections, 4);
        EXPECT_EQ(scan.tree().entries().size(), 40u);
    }
}

// What sfcheck scan cannot use ends with exit 2 and a message, before anything is listed: a
// certificate nothing vouches for (nobody is asked), a password the secret store does not hold, a
// project that is not there.
TEST(SiteScan, SfcheckScanRefusesWhatItCannotUse)
{
    FtpServer server;
    server.setTls(FtpServer::Tls::Explicit);
    ASSERT_TRUE(server.start(FtpServer::Kind::Vsftpd)) << server.errorString().toStdString();
    QTemporaryDir dir;
    sf::ProjectHeader header;
    header.server = server.host();
    header.port = QString::number(server.port());
    header.user = server.user();
    header.password = server.password();
    header.protocol = sf::ftp::Protocol::FtpExplicit;
    ASSERT_TRUE(sf::ProjectFile::save(dir.filePath("tls.sfp"), header, sf::RuleGrid::newProjectTemplate()));
    header.protocol = sf::ftp::Protocol::Ftp;
    header.password.clear();
    header.rememberPassword = false;
    ASSERT_TRUE(sf::ProjectFile::save(dir.filePath("kept.sfp"), header, sf::RuleGrid::newProjectTemplate()));
    struct Case {
        QString project;
        const char* said;
    } cases[] = {
        {"tls.sfp", "certificate"},
        {"kept.sfp", "secret store"},
        {"missing.sfp", "missing.sfp"},
    };
    for (const Case& c : cases) {
        QProcess sfcheck;
        sfcheck.start(SF_BUILD_BIN_DIR "/sfcheck", {"scan", dir.filePath(c.project)});
        ASSERT_TRUE(sfcheck.waitForFinished(60000));
        const QString err = QString::fromUtf8(sfcheck.readAllStandardError());
        EXPECT_EQ(sfcheck.exitCode(), 2) << c.project.toStdString();
        EXPECT_TRUE(err.contains(c.said, Qt::CaseInsensitive)) << err.toStdString();
        EXPECT_TRUE(sfcheck.readAllStandardOutput().isEmpty());
    }
}

namespace {

class AlwaysTrust : public sf::ftp::TrustDecider {
public:
    sf::ftp::TrustAnswer askTrust(const QString&) override { return sf::ftp::TrustAnswer::Always; }
    void warnRefused(const QString&) override {}
};

} // namespace

// Over SFTP: a host key nobody has trusted is refused, since the scan asks nobody; once trusted (and
// remembered), the site is listed, its link followed once and its loop not at all.
TEST(SiteScan, SftpScanTakesOnlyATrustedHostKey)
{
    QFile::remove(cFTP::SftpKnownHostsFile());
    sf::test::SshServer server;
    ASSERT_TRUE(server.start()) << server.errorString().toStdString();
    const QByteArray site = QFile::encodeName(server.root()) + "/site";
    ASSERT_TRUE(QDir().mkpath(site + "/docs"));
    ASSERT_TRUE(writeRaw(site + "/docs/a b.html", false));
    ASSERT_EQ(::symlink("docs", site + "/alias"), 0);
    ASSERT_EQ(::symlink("..", site + "/docs/up"), 0);
    sf::ftp::ScanLogin login;
    login.server = server.host();
    login.user = server.user();
    login.password = server.password();
    login.port = server.port();
    login.protocol = sf::ftp::Protocol::Sftp;
    for (const bool trusted : {false, true}) {
        if (trusted) {
            AlwaysTrust always;
            cFTP ftp;
            ftp.SetProtocol(sf::ftp::Protocol::Sftp);
            ftp.SetTrustDecider(&always);
            ASSERT_TRUE(ftp.OpenConnection(login.server, login.user, login.password, login.port))
                << ftp.GetLastErrorMessage().toStdString();
        }
        sf::ftp::SiteScan scan(login, QString::fromUtf8(site), {32, 1000000, 2});
        scan.run();
        EXPECT_EQ(scan.outcome().failure.isEmpty(), trusted) << scan.outcome().failure.toStdString();
        QStringList paths;
        for (std::uint32_t e = 0; e < scan.tree().entries().size(); ++e)
            paths << QString::fromUtf8(scan.tree().entryPath(e));
        paths.sort();
        const QStringList expected = trusted ? QStringList{"/alias", "/alias/a b.html", "/alias/up",
                                                           "/docs",  "/docs/a b.html",  "/docs/up"}
                                             : QStringList{};
        EXPECT_EQ(paths, expected);
    }
    // Without a site folder the login folder (the home) is scanned, and its paths are the server's,
    // as the main window maps them.
    sf::ftp::SiteScan home(login, QString(), {32, 1000000, 1});
    home.run();
    EXPECT_TRUE(home.outcome().complete()) << home.outcome().failure.toStdString();
    EXPECT_EQ(home.folder(), server.root());
    const QByteArray top = sf::SiteMarks::topUrl(QString(), home.folder());
    QList<QByteArray> urls;
    for (std::uint32_t e = 0; e < home.tree().entries().size(); ++e)
        urls << sf::SiteMarks::url(home.tree(), top, e);
    EXPECT_TRUE(urls.contains(site + "/docs/a%20b.html")) << urls.join(' ').constData();
    QFile::remove(cFTP::SftpKnownHostsFile());
}
