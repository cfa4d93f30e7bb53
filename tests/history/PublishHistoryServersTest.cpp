// Publishing with a record against real servers, through sfcheck as a process: FTP (pyftpdlib),
// FTP over TLS (vsftpd) and SFTP (OpenSSH), and every exit code of sfcheck publish.
#include "ftp/SecretStore.h"
#include "ftp/TrustDecider.h"
#include "ftp/cFTP.h"
#include "project/ProjectFile.h"
#include "project/RobotsText.h"
#include "project/RuleGrid.h"
#include "support/FtpServer.h"
#include "support/HttpServer.h"
#include "support/SecretService.h"
#include "support/SshServer.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sf;
using test::FtpServer;

namespace {

struct Outcome {
    int code = -1;
    QByteArray out, err;
};

Outcome sfcheck(const QStringList& args,
                const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(SF_BUILD_BIN_DIR "/sfcheck", args);
    Outcome run;
    if (!process.waitForFinished(60000))
        return run;
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

// The grid of a new project with these rows as its body.
QStringList gridWith(const QStringList& body)
{
    QStringList rows = RuleGrid::newProjectTemplate();
    for (qsizetype i = 0; i < body.size(); ++i)
        rows.insert(RuleGrid::kHeaderRows + i, body[i]);
    return rows;
}

QByteArray bytesOf(const QStringList& rows)
{
    return RobotsText::write(rows, RobotsTextForm{});
}

class AlwaysTrust : public ftp::TrustDecider {
public:
    ftp::TrustAnswer askTrust(const QString&) override { return ftp::TrustAnswer::Always; }
    void warnRefused(const QString&) override {}
};

// The certificate or host key trusted always, as a user does once in the window.
bool trustOnce(const ProjectHeader& header)
{
    AlwaysTrust always;
    cFTP session;
    session.SetProtocol(header.protocol);
    session.SetTrustDecider(&always);
    return session.OpenConnection(header.server, header.user, header.password,
                                  cFTP::PortFromText(header.port, header.protocol));
}

enum class Peer { Ftp, Ftps, Sftp };

std::string peerName(const testing::TestParamInfo<Peer>& info)
{
    return info.param == Peer::Ftp ? "Ftp" : info.param == Peer::Ftps ? "Ftps" : "Sftp";
}

class PublishHistoryServers : public testing::TestWithParam<Peer> {
protected:
    void SetUp() override { QFile::remove(cFTP::SftpKnownHostsFile()); }
    void TearDown() override { QFile::remove(cFTP::SftpKnownHostsFile()); }

    // The server started, and a project whose site folder is where its robots.txt lies (locally).
    void start(ProjectHeader& header, QString& localSite)
    {
        header.server = QStringLiteral("127.0.0.1");
        header.binaryTransfer = -1;
        if (GetParam() == Peer::Sftp) {
            ASSERT_TRUE(ssh.start()) << ssh.errorString().toStdString();
            localSite = ssh.root() + "/site";
            ASSERT_TRUE(QDir().mkpath(localSite));
            header = withLogin(header, ssh.port(), ssh.user(), ssh.password(), localSite);
            header.protocol = ftp::Protocol::Sftp;
            return;
        }
        const bool tls = GetParam() == Peer::Ftps;
        ftp.setTls(tls ? FtpServer::Tls::Explicit : FtpServer::Tls::None);
        ASSERT_TRUE(ftp.start(tls ? FtpServer::Kind::Vsftpd : FtpServer::Kind::Pyftpdlib))
            << ftp.errorString().toStdString();
        m_site = tls ? ftp.writableDir() : QStringLiteral("/site");
        ftp.makeDir(m_site);
        localSite = ftp.localPath(m_site);
        header = withLogin(header, ftp.port(), ftp.user(), ftp.password(), m_site);
        header.protocol = tls ? ftp::Protocol::FtpExplicit : ftp::Protocol::Ftp;
    }
    static ProjectHeader withLogin(ProjectHeader header, int port, const QString& user,
                                   const QString& password, const QString& site)
    {
        header.port = QString::number(port);
        header.user = user;
        header.password = password;
        header.uploadDirectory = site;
        return header;
    }
    // The server's robots.txt, written beside the server as its login would have it.
    void writeServerRobots(const QString& localSite, const QByteArray& bytes)
    {
        if (GetParam() == Peer::Sftp)
            test::writeFileBytes(localSite + "/robots.txt", bytes);
        else
            ftp.writeFile(m_site + "/robots.txt", bytes);
    }

    FtpServer ftp;
    test::SshServer ssh;
    QString m_site; // FTP: the site folder on the server
};

} // namespace

// Two publishes over an existing file give two records holding what the server held and got;
// publishing the first of them again puts it back byte for byte. Before the certificate or host
// key is trusted, nothing is sent.
TEST_P(PublishHistoryServers, TwoPublishesAreKeptAndTheFirstComesBackByteForByte)
{
    ProjectHeader header;
    QString site;
    start(header, site);
    if (HasFatalFailure())
        return;
    const QByteArray original = bytesOf(RuleGrid::newProjectTemplate()); // crawlers may take everything
    writeServerRobots(site, original);
    QTemporaryDir dir;
    const QString project = dir.filePath("site.sfp");
    const QStringList first = gridWith({"User-agent: GPTBot", "Disallow: /private/"});
    const QStringList second = gridWith({"User-agent: GPTBot", "Disallow: /private/", "Disallow: /drafts/"});
    ASSERT_TRUE(ProjectFile::save(project, header, first));
    if (GetParam() != Peer::Ftp) {
        const Outcome refused = sfcheck({"publish", project});
        EXPECT_EQ(refused.code, 3) << refused.err.constData();
        EXPECT_TRUE(refused.err.contains(GetParam() == Peer::Sftp ? "host key" : "certificate"))
            << refused.err.constData();
        EXPECT_EQ(test::readFileBytes(site + "/robots.txt"), original);
        ASSERT_TRUE(trustOnce(header));
    }
    const Outcome published = sfcheck({"publish", project});
    ASSERT_EQ(published.code, 0) << published.err.constData();
    EXPECT_TRUE(published.out.contains("GPTBot may no longer crawl /private/")) << published.out.constData();
    EXPECT_EQ(test::readFileBytes(site + "/robots.txt"), bytesOf(first));
    ASSERT_TRUE(ProjectFile::save(project, header, second));
    ASSERT_EQ(sfcheck({"publish", project}).code, 0);
    EXPECT_EQ(test::readFileBytes(site + "/robots.txt"), bytesOf(second));

    const Outcome listed = sfcheck({"history", project});
    ASSERT_EQ(listed.code, 0) << listed.err.constData();
    const QList<QByteArray> lines = listed.out.split('\n');
    ASSERT_EQ(lines.size(), 3) << listed.out.constData();
    const struct {
        QByteArray sent, replaced;
    } kept[] = {{bytesOf(second), bytesOf(first)}, {bytesOf(first), original}};
    for (int n = 1; n <= 2; ++n) {
        const QList<QByteArray> fields = lines[n - 1].split(' ');
        ASSERT_EQ(fields.size(), 4) << lines[n - 1].constData();
        EXPECT_EQ(fields[0], QByteArray::number(n));
        EXPECT_TRUE(QDateTime::fromString(QString::fromLatin1(fields[1]), Qt::ISODate).isValid());
        EXPECT_EQ(fields[2].toLongLong(), kept[n - 1].sent.size());
        EXPECT_EQ(fields[3].toLongLong(), kept[n - 1].replaced.size());
        EXPECT_EQ(sfcheck({"history", project, "--show", QString::number(n)}).out, kept[n - 1].sent);
        EXPECT_EQ(sfcheck({"history", project, "--show", QString::number(n), "--replaced"}).out,
                  kept[n - 1].replaced);
    }

    const Outcome restored = sfcheck({"publish", project, "--version", "2"});
    ASSERT_EQ(restored.code, 0) << restored.err.constData();
    EXPECT_EQ(test::readFileBytes(site + "/robots.txt"), bytesOf(first));
    EXPECT_EQ(sfcheck({"history", project, "--show", "1", "--replaced"}).out, bytesOf(second));
    EXPECT_TRUE(sfcheck({"history", project}).out.startsWith("1 "));
}

INSTANTIATE_TEST_SUITE_P(Peers, PublishHistoryServers, testing::Values(Peer::Ftp, Peer::Ftps, Peer::Sftp),
                         peerName);

// Every exit of sfcheck publish and history, in order against one server and the live site served
// from its site folder: bad input 2, a stop 4 (and --yes), 0 when the live site serves the file, 1
// when it serves another, 3 when the transfer fails; a record that cannot be written is said and
// the publish still made; a password from the desktop's secret store.
TEST(PublishHistorySfcheck, EveryExitCode)
{
    FtpServer server;
    ASSERT_TRUE(server.start(FtpServer::Kind::Pyftpdlib)) << server.errorString().toStdString();
    server.makeDir("/site");
    server.makeDir("/other");
    const QByteArray original = "User-agent: *\r\nDisallow:\r\n";
    server.writeFile("/site/robots.txt", original);
    test::HttpServer web;
    ASSERT_TRUE(web.isRunning());
    ASSERT_TRUE(web.serveSite(server.localPath("/site")));
    QTemporaryDir dir;
    ProjectHeader header;
    header.server = server.host();
    header.port = QString::number(server.port());
    header.user = server.user();
    header.password = server.password();
    header.binaryTransfer = -1;
    header.uploadDirectory = "/site";
    header.siteAddress = web.baseUrl();
    const QStringList good = gridWith({"User-agent: GPTBot", "Disallow: /private/"});
    const QStringList closed = gridWith({"User-agent: *", "Disallow: /"});
    const auto save = [&](const char* name, const ProjectHeader& h, const QStringList& rows) {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(ProjectFile::save(path, h, rows));
        return path;
    };
    const QString site = save("site.sfp", header, good);
    const QString shut = save("closed.sfp", header, closed);
    ProjectHeader elsewhere = header;
    elsewhere.uploadDirectory = "/other";
    const QStringList drafts = gridWith({"User-agent: GPTBot", "Disallow: /drafts/"});
    const QString other = save("other.sfp", elsewhere, drafts);
    ProjectHeader locked = header;
    locked.password = "wrong";
    const QString refused = save("refused.sfp", locked, closed);
    ProjectHeader missing = header;
    missing.uploadDirectory = "/gone";
    const QString gone = save("gone.sfp", missing, good);

    QProcessEnvironment unwritable = QProcessEnvironment::systemEnvironment();
    ASSERT_TRUE(QDir().mkpath(dir.filePath("data/Spiderfence")));
    test::writeFileBytes(dir.filePath("data/Spiderfence/history"), "a file where the folder goes");
    unwritable.insert("XDG_DATA_HOME", dir.filePath("data"));
    const struct Case {
        QStringList args;
        int code;
        QByteArray serverHolds; // /site/robots.txt afterwards
        const char* said;       // on standard error, or standard output for 0 and 1
        bool unwritableRecord = false;
    } cases[] = {
        {{"publish"}, 2, original, "usage"},
        {{"publish", dir.filePath("none.sfp")}, 2, original, "no such project"},
        {{"publish", site, "--version", "1"}, 2, original, "no publish 1"},
        {{"publish", site, "--bogus"}, 2, original, "--bogus"},
        {{"history", site, "--show", "1"}, 2, original, "no publish 1"},
        {{"publish", shut}, 4, original, "keeps search engines out"},
        {{"publish", refused, "--yes"}, 3, original, "cannot connect"},
        {{"publish", gone}, 3, original, "/gone"},
        {{"publish", site}, 0, bytesOf(good), "The site serves the file just published"},
        {{"publish", other}, 1, bytesOf(good), "serves a different robots.txt"},
        {{"publish", shut, "--yes"}, 0, bytesOf(closed), "The site serves"},
        {{"publish", site}, 0, bytesOf(good), "not recorded", true},
        {{"publish", site, "--version", "2"}, 0, bytesOf(good), "The same file as before."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Outcome run = c.unwritableRecord ? sfcheck(c.args, unwritable) : sfcheck(c.args);
        EXPECT_EQ(run.code, c.code) << run.err.constData() << run.out.constData();
        EXPECT_EQ(server.readFile("/site/robots.txt"), c.serverHolds);
        const QByteArray& text = c.code >= 2 || c.unwritableRecord ? run.err : run.out;
        EXPECT_TRUE(text.contains(c.said)) << text.constData();
    }
    // The three recorded publishes (the one without a record is not among them), newest first; the
    // oldest replaced the server's first file.
    const Outcome listed = sfcheck({"history", site});
    EXPECT_EQ(listed.out.count('\n'), 3) << listed.out.constData();
    EXPECT_EQ(sfcheck({"history", site, "--show", "3", "--replaced"}).out, original);
    EXPECT_EQ(sfcheck({"history", other}).out.count('\n'), 1);
    EXPECT_EQ(server.readFile("/other/robots.txt"), bytesOf(drafts));

    // A password kept in the desktop's secret store: refused while the store has none, then taken.
    test::SecretService secrets;
    ASSERT_TRUE(secrets.start()) << secrets.errorString().toStdString();
    ProjectHeader kept = header;
    kept.password.clear();
    kept.rememberPassword = false;
    const QString stored = save("stored.sfp", kept, drafts);
    const Outcome without = sfcheck({"publish", stored});
    EXPECT_EQ(without.code, 2);
    EXPECT_TRUE(without.err.contains("secret store")) << without.err.constData();
    ASSERT_TRUE(
        SecretStore::write(SecretStore::key(header.server, header.port, header.user), header.password));
    const Outcome with = sfcheck({"publish", stored});
    EXPECT_EQ(with.code, 0) << with.err.constData();
    EXPECT_EQ(server.readFile("/site/robots.txt"), bytesOf(drafts));
}
