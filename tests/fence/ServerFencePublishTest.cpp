// Publishing the fence into a real site: pyftpdlib writes into the document root Apache httpd
// serves. A hand-written .htaccess keeps every byte outside the block; a broken block is seen by
// the proof (a browser gets 500) and the replaced file is put back.

#include "fence/FenceProof.h"
#include "fence/HtaccessPublish.h"
#include "fence/ServerRules.h"
#include "ftp/cFTP.h"
#include "support/FtpServer.h"
#include "support/TestEnvironment.h"
#include "support/WebServer.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sf;
using sf::test::FtpServer;
using sf::test::WebServer;

namespace {

const QByteArray kHandWritten = "# the site's own rules\r\nRedirectMatch 301 ^/old/(.*)$ /new/$1\r\n"
                                "Options -Indexes\r\n# END of the site's rules\r\n";
const char kRobots[] = "User-agent: FenceBot\nDisallow: /private/\n";

void openToServers(const QString& path)
{
    for (QString p = path; p.size() > 1 && p.startsWith(QDir::tempPath()); p = QFileInfo(p).path())
        QFile::setPermissions(p, QFile::permissions(p) | QFile::ReadOther | QFile::ExeOther);
}

TEST(ServerFencePublish, KeepsTheSitesHtaccessAndPutsItBackWhenTheBlockBreaksTheSite)
{
    FtpServer ftpServer;
    ASSERT_TRUE(ftpServer.start(FtpServer::Kind::Pyftpdlib)) << ftpServer.errorString().toStdString();
    ftpServer.makeDir(QStringLiteral("/site"));
    ftpServer.writeFile(QStringLiteral("/site/index.html"), "front\n");
    ftpServer.writeFile(QStringLiteral("/site/.htaccess"), kHandWritten);
    const QString root = ftpServer.localPath(QStringLiteral("/site"));
    openToServers(root);
    WebServer web(WebServer::Kind::Apache);
    ASSERT_TRUE(web.start(root)) << web.errorString().toStdString();

    cFTP ftp;
    ASSERT_TRUE(
        ftp.OpenConnection(ftpServer.host(), ftpServer.user(), ftpServer.password(), ftpServer.port()));
    const rules::RobotsTxt txt{QByteArray(kRobots)};
    const Result<QByteArray> block = fence::serverRules(fence::ServerKind::Apache, txt, {"FenceBot"});
    ASSERT_TRUE(block.ok);
    QTemporaryDir keep;
    const QString kept = keep.filePath(QStringLiteral("htaccess.replaced"));

    // Published twice: the second replaces the block of the first and nothing else. The second runs
    // with the session in the site folder, as the main window's is, and leaves it there.
    for (int round = 0; round < 2; ++round) {
        if (round == 1) {
            ASSERT_TRUE(ftp.SetFTPDirectory(QStringLiteral("/site")));
        }
        const Result<fence::HtaccessPublished> published =
            fence::publishHtaccess(ftp, QStringLiteral("/site"), block.value(), kept);
        ASSERT_TRUE(published.ok) << published.error.toStdString();
        const QByteArray onServer = ftpServer.readFile(QStringLiteral("/site/.htaccess"));
        EXPECT_EQ(onServer, published->sent);
        EXPECT_TRUE(onServer.startsWith(kHandWritten));
        QByteArray expectedBlock = block.value();
        expectedBlock.replace("\n", "\r\n");
        EXPECT_EQ(onServer.sliced(kHandWritten.size()), expectedBlock);
        EXPECT_EQ(test::readFileBytes(kept), round == 0 ? kHandWritten : onServer);
        EXPECT_EQ(ftp.GetFTPDirectory(), round == 0 ? QStringLiteral("/") : QStringLiteral("/site"));
    }
    EXPECT_EQ(test::rawHttpStatus(web.port(), "/private/a", "FenceBot/1.0"), 403);
    EXPECT_EQ(test::rawHttpStatus(web.port(), "/private/a", fence::kBrowserAgent), 404);
    EXPECT_EQ(test::rawHttpStatus(web.port(), "/old/x", fence::kBrowserAgent), 301);

    // A syntax error planted in the block: the proof sees 500 for a browser and the file goes back.
    QByteArray broken = block.value();
    broken.replace("RewriteEngine On", "RewriteEngine On\nRewriteCond %{THE_REQUEST");
    const Result<fence::HtaccessPublished> published =
        fence::publishHtaccess(ftp, QStringLiteral("/site"), broken);
    ASSERT_TRUE(published.ok) << published.error.toStdString();
    fence::FenceProof proof(txt, fence::sampleTargets(txt, {"FenceBot"}));
    proof.addVisitor({QStringLiteral("browser"), fence::kBrowserAgent, {}});
    const fence::Statuses now = proof.fetchAll([&](const QByteArray& target, const QByteArray& agent) {
        return fence::fetchStatus(web.baseUrl(), target, agent);
    });
    int status = 0;
    ASSERT_TRUE(fence::FenceProof::browserBroken(now, &status));
    EXPECT_EQ(status, 500);
    ASSERT_TRUE(fence::restoreHtaccess(ftp, published.value()).ok);
    EXPECT_EQ(ftpServer.readFile(QStringLiteral("/site/.htaccess")), *published->previous);
    EXPECT_EQ(test::rawHttpStatus(web.port(), "/private/a", fence::kBrowserAgent), 404);
    EXPECT_EQ(test::rawHttpStatus(web.port(), "/private/a", "FenceBot/1.0"), 403);
}

} // namespace
