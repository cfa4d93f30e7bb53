// The rules written for Apache httpd, nginx and Caddy, tried on the real servers: every URL is
// answered 403 to a fenced robot exactly where the evaluator says robots.txt disallows it, and
// never to another robot or a browser.

#include "fence/ServerRules.h"
#include "rules/RobotsTxt.h"
#include "support/TestEnvironment.h"
#include "support/WebServer.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sf;
using sf::test::WebServer;

namespace {

const char* const kRobotsFiles[] = {
    // wildcards, "$", a case of the extension that does not match
    "User-agent: FenceBot\nDisallow: /*.pdf$\nDisallow: /a*b/\nAllow: /a*b/ok\n",
    // a group for "*" only: Allow inside Disallow, "$"
    "User-agent: *\nDisallow: /private/\nAllow: /private/public/\nDisallow: /price$\n",
    // percent-encoded and non-ASCII paths
    "User-agent: FenceBot\nUser-agent: SecondBot\nDisallow: /café/\nAllow: /caf%c3%a9/menu\nDisallow: "
    "/a%20b\n"
    "Disallow: /%7euser/\n",
    // query strings
    "User-agent: FenceBot\nDisallow: /*?sort=\nDisallow: /search?q=secret\nAllow: "
    "/search?q=secret&public=1\n",
    // an empty Disallow for the robot, everything for the others
    "User-agent: FenceBot\nDisallow:\n\nUser-agent: *\nDisallow: /\n",
    // everything but the front page; robots.txt still served
    "User-agent: FenceBot\nDisallow: /\nAllow: /$\n\nUser-agent: SecondBot\nDisallow: /tie\nAllow: /tie\n"
    "Disallow: /tied\n",
    // a tie goes to Allow, "index.html" allows its folder; characters regexes treat specially
    "User-agent: fencebot\nDisallow: /tie\nAllow: /tie\nDisallow: /tied\nDisallow: /dir/\n"
    "Allow: /dir/index.html\nDisallow: /a.b(c)+[d]|e^f$g{2}\nDisallow: /q?x=1\n",
};

const char* const kTargets[] = {
    "/",
    "/robots.txt",
    "/robots.txt?x=1",
    "/doc.pdf",
    "/doc.pdf?x=1",
    "/doc.PDF",
    "/axb/",
    "/axxb/ok",
    "/ab/c",
    "/private/",
    "/private/x",
    "/private/public/y",
    "/price",
    "/prices",
    "/caf%C3%A9/",
    "/caf%C3%A9/menu",
    "/caf%c3%a9/",
    "/a%20b",
    "/%7Euser/",
    "/~user/",
    "/list?sort=asc",
    "/list?page=1&sort=asc",
    "/search?q=secret",
    "/search?q=secret&public=1",
    "/search?q=other",
    "/tie",
    "/tied",
    "/dir/",
    "/dir/index.html",
    "/dir/x",
    "/a.b(c)+[d]|e^f$g{2}",
    "/aXb(c)+[d]|e^f$g{2}",
    "/q?x=1",
    "/q%3Fx=1",
    "http://127.0.0.1/private/x",
    "http://127.0.0.1/robots.txt",
};

struct Visitor {
    const char* userAgent;
    const char* fencedAs; // the token the fence knows it by, or nullptr
};

const Visitor kVisitors[] = {
    {"Mozilla/5.0 (compatible; FenceBot/2.1; +https://example.com/bot)", "FenceBot"},
    {"fencebot", "FenceBot"},
    {"SecondBot/1.0", "SecondBot"},
    {"FenceBotPlus/1.0 (not the fenced robot)", nullptr},
    {"OtherBot/3.0", nullptr},
    {"Mozilla/5.0 (X11; Linux x86_64; rv:128.0) Gecko/20100101 Firefox/128.0", nullptr},
    {"", nullptr},
};

const QList<QByteArray> kFenced{"FenceBot", "SecondBot"};

class ServerFenceTable : public testing::TestWithParam<WebServer::Kind> {
protected:
    fence::ServerKind serverKind() const { return static_cast<fence::ServerKind>(GetParam()); }

    // Writes the rules where the server reads them and (re)starts it when it reads them at start.
    void install(WebServer& server, const QByteArray& rules)
    {
        if (GetParam() == WebServer::Kind::Apache) {
            test::writeFileBytes(m_root.filePath(QStringLiteral(".htaccess")), rules);
            if (server.port() == 0) {
                ASSERT_TRUE(server.start(m_root.path())) << server.errorString().toStdString();
            }
            return;
        }
        const QString file = m_state.filePath(QStringLiteral("fence.conf"));
        test::writeFileBytes(file, rules);
        ASSERT_TRUE(server.start(m_root.path(), file)) << server.errorString().toStdString();
    }

    QTemporaryDir m_root, m_state;
};

TEST_P(ServerFenceTable, RefusesExactlyWhatRobotsTxtDisallowsTheFencedRobots)
{
    QFile::setPermissions(m_root.path(),
                          QFile::permissions(m_root.path()) | QFile::ReadOther | QFile::ExeOther);
    test::writeFileBytes(m_root.filePath(QStringLiteral("index.html")), "front page\n");
    WebServer server(GetParam());
    int checked = 0;
    for (const char* robots : kRobotsFiles) {
        const rules::RobotsTxt txt{QByteArray(robots)};
        test::writeFileBytes(m_root.filePath(QStringLiteral("robots.txt")), robots);
        const Result<QByteArray> rules = fence::serverRules(serverKind(), txt, kFenced);
        ASSERT_TRUE(rules.ok) << rules.error.toStdString();
        install(server, rules.value());
        for (const char* target : kTargets) {
            for (const Visitor& visitor : kVisitors) {
                const int status = test::rawHttpStatus(server.port(), target, visitor.userAgent);
                const bool expected = visitor.fencedAs && fence::fenceRefuses(txt, visitor.fencedAs, target);
                ASSERT_NE(status, 0) << target;
                EXPECT_EQ(status == 403, expected)
                    << "robots.txt:\n"
                    << robots << "target " << target << " as \"" << visitor.userAgent << "\": " << status
                    << "\n"
                    << rules.value().toStdString() << server.errorLog().toStdString();
                EXPECT_LT(status, 500) << target << " as " << visitor.userAgent;
                ++checked;
            }
        }
    }
    EXPECT_EQ(checked, std::size(kRobotsFiles) * std::size(kTargets) * std::size(kVisitors));
}

INSTANTIATE_TEST_SUITE_P(Servers, ServerFenceTable,
                         testing::Values(WebServer::Kind::Apache, WebServer::Kind::Nginx,
                                         WebServer::Kind::Caddy),
                         [](const auto& info) { return WebServer::kindName(info.param).toStdString(); });

} // namespace
