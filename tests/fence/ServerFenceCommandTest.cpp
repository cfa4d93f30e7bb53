// sfcheck fence and fence-check as a site owner's script runs them: outputs and exit codes, the
// proof against a real nginx with and without the rules.

#include "fence/FenceProof.h"
#include "rules/RobotsTxt.h"
#include "support/TestEnvironment.h"
#include "support/WebServer.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sf;

namespace {

struct Ran {
    QByteArray out, err;
    int exit = -1;
};

Ran runSfcheck(const QStringList& args)
{
    QProcess process;
    process.start(test::buildBinDir() + QStringLiteral("/sfcheck"), args);
    Ran ran;
    if (!process.waitForFinished(120000))
        ADD_FAILURE() << "sfcheck did not end: " << args.join(u' ').toStdString();
    ran.out = process.readAllStandardOutput();
    ran.err = process.readAllStandardError();
    ran.exit = process.exitCode();
    return ran;
}

const char kRobots[] =
    "User-agent: FenceBot\nDisallow: /private/\nAllow: /private/ok\n\nUser-agent: *\nDisallow: /cgi/\n";

TEST(ServerFenceCommand, FencePrintsTheRulesOrTheLineItCannotWrite)
{
    QTemporaryDir dir;
    const QString robots = dir.filePath(QStringLiteral("robots.txt"));
    const QString slash = dir.filePath(QStringLiteral("slash.txt"));
    test::writeFileBytes(robots, kRobots);
    test::writeFileBytes(slash, "User-agent: *\nDisallow: /ok\nDisallow: /a%2fb\n");
    const struct {
        QStringList args;
        int exit;
        QByteArray outStart, err;
    } cases[] = {
        {{"fence", "--server", "apache", robots, "FenceBot"}, 0, "# BEGIN Spiderfence\n", ""},
        {{"fence", "--server=nginx", robots, "FenceBot", "OtherBot"}, 0, "# Written by Spiderfence", ""},
        {{"fence", "--server", "caddy", robots, "FenceBot"}, 0, "# Written by Spiderfence", ""},
        {{"fence", "--server", "apache", slash, "FenceBot"},
         2,
         "",
         "sfcheck: line 3: its path holds \"%2F\"; Apache httpd answers 404 to such requests before it reads "
         ".htaccess, so they cannot be refused with 403\n"},
        {{"fence", "--server", "nginx", slash, "FenceBot"}, 0, "# Written by Spiderfence", ""},
        {{"fence", "--server", "caddy", robots, "Fence/Bot"},
         2,
         "",
         "sfcheck: the user-agent token \"Fence/Bot\" holds more than letters, digits, \"-\" and \"_\", so "
         "it "
         "cannot be told apart as a whole token\n"},
        {{"fence", "--server", "iis", robots, "FenceBot"},
         2,
         "",
         "sfcheck: usage: sfcheck fence --server apache|nginx|caddy ROBOTS_FILE TOKEN...\n"},
        {{"fence", "--server", "apache", robots},
         2,
         "",
         "sfcheck: usage: sfcheck fence --server apache|nginx|caddy ROBOTS_FILE TOKEN...\n"},
        {{"fence", "--server", "apache", dir.filePath(QStringLiteral("none.txt")), "FenceBot"}, 2, "", ""},
    };
    for (const auto& c : cases) {
        const Ran ran = runSfcheck(c.args);
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        EXPECT_EQ(ran.exit, c.exit) << ran.err.toStdString();
        EXPECT_TRUE(ran.out.startsWith(c.outStart)) << ran.out.toStdString();
        if (c.exit == 2) {
            EXPECT_TRUE(ran.out.isEmpty());
            EXPECT_TRUE(ran.err.startsWith("sfcheck: ")) << ran.err.toStdString();
        }
        if (!c.err.isEmpty()) {
            EXPECT_EQ(ran.err, c.err);
        }
    }
}

// How the proof judges a fenced robot's answers: 403 exactly where robots.txt disallows, except a
// 403 the server gave before the publish or gives a browser as well (not the fence's doing).
TEST(ServerFenceCommand, ProofTellsTheFencesRefusalsFromTheServersOwn)
{
    const sf::rules::RobotsTxt txt("User-agent: FenceBot\nDisallow: /private/\n");
    const struct {
        const char* target;
        int robot, browser, before; // 0 before: no publish to compare with
        bool asExpected;
    } cases[] = {
        {"/private/a.html", 403, 200, 0, true},    {"/private/a.html", 200, 200, 0, false},
        {"/private/a.html", 404, 404, 404, false}, {"/open.html", 200, 200, 0, true},
        {"/open.html", 403, 200, 0, false},        {"/open.html", 403, 200, 200, false},
        {"/.htaccess", 403, 403, 0, true},         {"/locked/", 403, 200, 403, true},
    };
    for (const auto& c : cases) {
        sf::fence::FenceProof proof(txt, {c.target});
        proof.addVisitor({"FenceBot", "FenceBot/1.0", "FenceBot"});
        proof.addVisitor({"browser", sf::fence::kBrowserAgent, {}});
        const sf::fence::Statuses now{{"FenceBot", {{c.target, c.robot}}},
                                      {"browser", {{c.target, c.browser}}}};
        sf::fence::Statuses before;
        if (c.before)
            before = {{"FenceBot", {{c.target, c.before}}}, {"browser", {{c.target, c.browser}}}};
        const std::vector<sf::fence::ProofRow> rows = proof.judge(now, before);
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[0].asExpected == 1, c.asExpected)
            << c.target << " " << c.robot << " " << rows[0].differences.join(u';').toStdString();
    }
}

TEST(ServerFenceCommand, FenceCheckProvesTheRulesOnARealServer)
{
    QTemporaryDir root, state;
    QFile::setPermissions(root.path(), QFile::permissions(root.path()) | QFile::ReadOther | QFile::ExeOther);
    test::writeFileBytes(root.filePath(QStringLiteral("index.html")), "front\n");
    const QString robots = state.filePath(QStringLiteral("robots.txt"));
    const QString urls = state.filePath(QStringLiteral("urls.csv"));
    const QString rules = state.filePath(QStringLiteral("fence.conf"));
    test::writeFileBytes(robots, kRobots);
    test::writeFileBytes(
        urls, "url,FenceBot\n/private/a.html,blocked\n/public/b.html,allowed\n/private/ok/c,allowed\n");
    const Ran written = runSfcheck({"fence", "--server", "nginx", robots, "FenceBot"});
    ASSERT_EQ(written.exit, 0);
    test::writeFileBytes(rules, written.out);

    test::WebServer server(test::WebServer::Kind::Nginx);
    ASSERT_TRUE(server.start(root.path(), rules)) << server.errorString().toStdString();
    // "/", "/robots.txt", the rule paths "/private/" and "/private/ok", then the three of the file.
    Ran ran = runSfcheck({"fence-check", server.baseUrl(), robots, "FenceBot", "--urls", urls});
    EXPECT_EQ(ran.exit, 0) << ran.err.toStdString();
    EXPECT_EQ(ran.out, "FenceBot: 7 of 7 URLs answered as robots.txt says\nbrowser: 7 of 7 unchanged\n");

    // Without the rules the robot reads everything: the disallowed rule path differs.
    test::writeFileBytes(rules, "map $uri $spiderfence_refuse { default 0; }\n");
    ASSERT_TRUE(server.start(root.path(), rules)) << server.errorString().toStdString();
    ran = runSfcheck({"fence-check", server.baseUrl(), robots, "FenceBot"});
    EXPECT_EQ(ran.exit, 1);
    EXPECT_EQ(ran.out,
              "FenceBot: 3 of 4 URLs answered as robots.txt says\n  /private/: 404, robots.txt disallows it\n"
              "browser: 4 of 4 unchanged\n");

    for (const QStringList& bad :
         {QStringList{"fence-check", server.baseUrl(), robots},
          QStringList{"fence-check", "not-a-url", robots, "FenceBot"},
          QStringList{"fence-check", server.baseUrl(), robots, "FenceBot", "--urls"}}) {
        const Ran refused = runSfcheck(bad);
        EXPECT_EQ(refused.exit, 2) << bad.join(u' ').toStdString();
        EXPECT_TRUE(refused.out.isEmpty());
    }
}

} // namespace
