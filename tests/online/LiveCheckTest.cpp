// What the live site serves as robots.txt, read from the test web server as crawlers read it.
#include "online/LiveCheck.h"
#include "support/FtpServer.h"
#include "support/HttpServer.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sf;
using online::LiveReport;
using sf::test::HttpServer;

namespace {

void writeSiteFile(const QString& root, const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(root + path).path());
    QFile file(root + path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST(LiveCheck, ReportsWhatTheSiteServesBesideTheFileSent)
{
    HttpServer server;
    QTemporaryDir site;
    ASSERT_TRUE(server.isRunning() && site.isValid() && server.serveSite(site.path()));
    const QByteArray sent = "User-agent: *\nDisallow: /new\n";
    const QString base = server.baseUrl();
    writeSiteFile(site.path(), "/same/robots.txt", sent);
    writeSiteFile(site.path(), "/other/robots.txt", "User-agent: *\nDisallow: /old\n");
    writeSiteFile(site.path(), "/big/robots.txt", QByteArray(600 * 1024, '#'));
    server.answerStatus("/down/robots.txt", 503);
    server.redirect("/moved/robots.txt", base + "/same/robots.txt");
    server.redirect("/away/robots.txt",
                    QStringLiteral("http://localhost:%1/same/robots.txt").arg(server.port()));
    server.redirect("/loop/robots.txt", base + "/loop/robots.txt");
    const QString nobody = QStringLiteral("http://127.0.0.1:%1").arg(test::freeLoopbackPort());
    struct Case {
        QString address;
        LiveReport::Kind kind;
        const char* says;
        bool otherHost = false;
    } cases[] = {
        {base + "/same/", LiveReport::Kind::SameFile, "The site serves the file sent at"},
        {base + "/other", LiveReport::Kind::OtherFile,
         "line 2:\nserved: Disallow: /old\nthe file sent: "
         "Disallow: /new"},
        {base + "/missing", LiveReport::Kind::NotFound, "status 404: crawlers take everything as allowed"},
        {base + "/down", LiveReport::Kind::Unavailable, "crawlers treat the whole site as disallowed"},
        {base + "/moved", LiveReport::Kind::SameFile, "The site serves the file sent"},
        {base + "/away", LiveReport::Kind::SameFile, "redirects to another host", true},
        {base + "/loop", LiveReport::Kind::NotFound, "more than five redirects"},
        {base + "/big", LiveReport::Kind::OtherFile, "crawlers may read only its first 500 KiB"},
        {nobody, LiveReport::Kind::Unavailable, "crawlers treat the whole site as disallowed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address.toStdString());
        online::LiveFetch fetch;
        const online::LiveFile file = fetch.fetch(c.address);
        const LiveReport report = online::judgeLive(file, sent);
        const QString text = report.text(file, "the file sent");
        EXPECT_EQ(report.kind, c.kind) << text.toStdString();
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.says))) << text.toStdString();
        EXPECT_EQ(file.otherHost(), c.otherHost);
    }
}

TEST(LiveCheck, GivesUpAtItsTimeLimitWithoutHoldingTheCaller)
{
    HttpServer server;
    ASSERT_TRUE(server.isRunning());
    server.delay("/robots.txt", 5);
    online::LiveFetch fetch;
    QSignalSpy finished(&fetch, &online::LiveFetch::finished);
    ASSERT_TRUE(fetch.start(server.baseUrl(), 200));
    EXPECT_TRUE(fetch.isRunning());
    EXPECT_EQ(finished.count(), 0) << "start returns before the answer";
    EXPECT_FALSE(fetch.start(server.baseUrl())) << "one reading at a time";
    ASSERT_TRUE(finished.wait(4000));
    const auto file = finished.first().first().value<online::LiveFile>();
    EXPECT_EQ(file.status, 0);
    EXPECT_TRUE(file.error.startsWith("no answer within")) << file.error.toStdString();
    EXPECT_EQ(online::judgeLive(file, "x").kind, LiveReport::Kind::Unavailable);
}
