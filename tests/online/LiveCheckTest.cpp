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
         "line 2:\nserved: \"Disallow: /old\\n\"\nthe file sent: \"Disallow: /new\\n\""},
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

// Line ends are no difference (a server that stores an ASCII upload writes its own); a differing
// line shows its line end. A file larger than crawlers read is read no further than 500 KiB and a
// byte, and its first 500 KiB are what is compared.
TEST(LiveCheck, ComparesLinesWhateverEndsThemAsFarAsCrawlersRead)
{
    HttpServer server;
    QTemporaryDir site;
    ASSERT_TRUE(server.isRunning() && site.isValid() && server.serveSite(site.path()));
    const QByteArray lf = "User-agent: *\nDisallow: /private.html\n";
    QByteArray longLf, longCrLf; // 600 KiB of rules, with either line end
    for (int i = 0; longLf.size() < 600 * 1024; ++i) {
        const QByteArray line = "Disallow: /page-" + QByteArray::number(i) + ".html";
        longLf += line + '\n';
        longCrLf += line + "\r\n";
    }
    struct Case {
        const char* name;
        QByteArray served;
        QByteArray expected;
        qint64 huge = 0; // served as an endless file of this many bytes instead
        LiveReport::Kind kind = LiveReport::Kind::SameFile;
        QString says = {};
        bool tooLarge = false;
    } cases[] = {
        {"CR LF served, LF sent", QByteArray(lf).replace("\n", "\r\n"), lf},
        {"LF served, CR LF sent", lf, QByteArray(lf).replace("\n", "\r\n")},
        {"CR served, LF sent", QByteArray(lf).replace('\n', '\r'), lf},
        {"no line end after the last line", lf.chopped(1), lf},
        {"another rule", "User-agent: *\r\nDisallow: /cgi-bin\r\n", lf, 0, LiveReport::Kind::OtherFile,
         "line 2:\nserved: \"Disallow: /cgi-bin\\r\\n\"\nthe file sent: \"Disallow: /private.html\\n\""},
        {"a space at the end of a line", "User-agent: *\nDisallow: /private.html \n", lf, 0,
         LiveReport::Kind::OtherFile,
         "served: \"Disallow: /private.html \\n\"\nthe file sent: \"Disallow: /private.html\\n\""},
        {"an empty line more", lf + "\r\n", lf, 0, LiveReport::Kind::OtherFile,
         "line 3:\nserved: \"\\r\\n\"\nthe file sent: (the file ends)"},
        {"600 KiB, CR LF served, LF sent", longCrLf, longLf, 0, LiveReport::Kind::SameFile,
         "crawlers may read only its first 500 KiB", true},
        {"64 MiB served", lf, lf, 64 << 20, LiveReport::Kind::OtherFile,
         "line 3:\nserved: \"User-agent: *\\n\"\nthe file sent: (the file ends)", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString folder = QStringLiteral("/case%1").arg(&c - cases);
        writeSiteFile(site.path(), folder + "/robots.txt", c.served);
        if (c.huge)
            server.answerHuge(folder + "/robots.txt", c.huge);
        online::LiveFetch fetch;
        const online::LiveFile file = fetch.fetch(server.baseUrl() + folder);
        const LiveReport report = online::judgeLive(file, c.expected);
        const QString text = report.text(file, "the file sent");
        EXPECT_EQ(report.kind, c.kind) << text.toStdString();
        EXPECT_TRUE(text.contains(c.says)) << text.toStdString();
        EXPECT_EQ(report.tooLarge, c.tooLarge) << text.toStdString();
        EXPECT_LE(file.body.size(), online::kCrawlerReadLimit + 1) << "read no further than crawlers";
        EXPECT_EQ(file.isCut(), c.served.size() > online::kCrawlerReadLimit || c.huge > 0);
        if (file.isCut()) {
            EXPECT_TRUE(text.contains("its first 500 KiB were read and compared")) << text.toStdString();
        }
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
