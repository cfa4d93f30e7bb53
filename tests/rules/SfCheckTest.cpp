#include "sf_version.h"
#include "support/HttpServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// What a run of sfcheck in a folder printed and how it ended.
struct Ran {
    bool finished = false;
    QString why; // when it did not finish
    QByteArray out, err;
    int exit = -1;
};

Ran runSfcheck(const QString& folder, const QStringList& args)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(QStringLiteral(SF_BUILD_BIN_DIR "/sfcheck"), args);
    Ran ran;
    ran.finished = process.waitForFinished(30000);
    ran.why = process.errorString();
    ran.out = process.readAllStandardOutput();
    ran.err = process.readAllStandardError();
    ran.exit = process.exitCode();
    return ran;
}

} // namespace

// sfcheck as a site owner's script runs it: every subcommand, its output and its exit code.
TEST(SfCheck, SubcommandsOutputsAndExitCodes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    writeFile(dir.filePath("utf8.txt"),
              "User-agent: FooBot\r\nAllow: /private/public\r\nDisallow: /private\r\n"
              "Disallow: /caf\xC3\xA9\r\n");
    writeFile(dir.filePath("ansi.txt"), "User-agent: *\nDisallow: /r\xE9sum\xE9\nDisallow: /x\n");
    writeFile(dir.filePath("clean.txt"), "User-agent: *\nDisallow: /x\n");
    writeFile(dir.filePath("closed.txt"),
              "User-agent: *\nContent-Signal: ai-train=no\n\nUser-agent: ClaudeBot\n"
              "Disallow: /\n");
    writeFile(dir.filePath("wild.txt"), "User-agent: *\nDisallow: /*.pdf$\nDisallow: /private\n");
    writeFile(dir.filePath("faults.txt"),
              "Disallow: /early\nUser-agent: Foo Bot\nDisallow: a b\nDisallow: a b\n");
    struct Case {
        QStringList args;
        QByteArray out;
        int exit;
        QByteArray err;
    } cases[] = {
        {{"test", "utf8.txt", "foobot", "/private/x", "/caf\u00e9", "/private/public/a"},
         "blocked 3\nblocked 4\nallowed 2\n",
         1,
         ""},
        {{"test", "utf8.txt", "OtherBot", "https://example.com/private"}, "allowed 0\n", 0, ""},
        {{"test", "ansi.txt", "AnyBot", "/r%E9sum%E9", "/y"}, "blocked 2\nallowed 0\n", 1, ""},
        {{"test", "missing.txt", "AnyBot", "/"}, "", 2, "missing.txt: no such file"},
        {{"test", ".", "AnyBot", "/"}, "", 2, "is a folder"},
        {{"test", "utf8.txt", "AnyBot"}, "", 2, "usage:"},
        {{"test", "--reader", "first-match", "wild.txt", "FooBot", "/a.pdf"}, "allowed 0\n", 0, ""},
        {{"test", "--reader=google", "wild.txt", "FooBot", "/a.pdf"}, "blocked 2\n", 1, ""},
        {{"test", "--reader", "all", "wild.txt", "FooBot", "/a.pdf"},
         "blocked 2 rfc9309\nblocked 2 google\nallowed 0 first-match\n",
         3,
         "/a.pdf: Google and RFC 9309 readers: blocked by line 2. First-match readers: allowed, because they "
         "read "
         "`*` and `$` as characters."},
        {{"test", "--reader", "all", "wild.txt", "FooBot", "/private/x"},
         "blocked 3 rfc9309\nblocked 3 google\nblocked 3 first-match\n",
         1,
         ""},
        {{"test", "--reader", "all", "wild.txt", "FooBot", "/open"},
         "allowed 0 rfc9309\nallowed 0 google\nallowed 0 first-match\n",
         0,
         ""},
        {{"test", "--reader", "bing", "wild.txt", "FooBot", "/"}, "", 2, "unknown reader \"bing\""},
        {{"rule", "/pub/my docs", "a*b.html"}, "Disallow: /pub/my%20docs/a*b.html\n", 0, "wildcard"},
        {{"rule", "/", "price$", "FooBot"}, "User-agent: FooBot\nDisallow: /price$*\n", 0, ""},
        {{"rule", "/", "a\nb"}, "", 2, "line break"},
        {{"lint", "clean.txt"}, "", 0, ""},
        {{"lint", "ansi.txt"},
         "2: this line is not valid UTF-8: first-match readers (Python's robotparser) cannot read the file "
         "at "
         "all, and then fetch nothing. Save the file as UTF-8, or write the characters percent-encoded, so "
         "every reading agrees\n"
         "2: a character outside ASCII in the path: crawlers match its bytes percent-encoded; write it "
         "percent-encoded as UTF-8\n",
         1,
         ""},
        {{"lint", "faults.txt"},
         "1: a rule before any User-agent line: crawlers ignore it\n"
         "3: 2 paths start with neither \"/\" nor \"*\": they match no URL: lines 3-4\n"
         "3: 2 paths hold a raw space, which crawlers request percent-encoded: lines 3-4\n"
         "2: crawlers read this user-agent as \"Foo\": only letters, \"_\" and \"-\" count; first-match "
         "readers look for all of \"Foo Bot\" in the crawler's name instead. Write \"User-agent: Foo\" so "
         "every reading agrees\n"
         "4: the same rule as line 3\n",
         1,
         ""},
        {{"lint", "--all", "faults.txt"},
         "1: a rule before any User-agent line: crawlers ignore it\n"
         "2: crawlers read this user-agent as \"Foo\": only letters, \"_\" and \"-\" count; first-match "
         "readers look for all of \"Foo Bot\" in the crawler's name instead. Write \"User-agent: Foo\" so "
         "every reading agrees\n"
         "3: the path starts with neither \"/\" nor \"*\": it matches no URL\n"
         "3: raw space in the path: crawlers request it as %20\n"
         "4: the path starts with neither \"/\" nor \"*\": it matches no URL\n"
         "4: raw space in the path: crawlers request it as %20\n"
         "4: the same rule as line 3\n",
         1,
         ""},
        {{"lint", "closed.txt"},
         "5: The whole site is closed to every crawler: a file left from a staging site?\n"
         "4: \"*\" and ClaudeBot form one group: every crawler without a group of its own is disallowed from "
         "/\n",
         1,
         ""},
        {{"lint", "missing.txt"}, "", 2, "no such file"},
        {{}, "", 2, "usage:"},
    };
    for (const Case& c : cases) {
        const Ran ran = runSfcheck(dir.path(), c.args);
        ASSERT_TRUE(ran.finished) << ran.why.toStdString();
        const std::string what = c.args.join(' ').toStdString();
        EXPECT_EQ(ran.out.toStdString(), c.out.toStdString()) << what;
        EXPECT_EQ(ran.exit, c.exit) << what;
        EXPECT_TRUE(ran.err.contains(c.err)) << what;
    }
}

// "rule --site-folder" writes the path below the site folder; "live" reads what the site serves.
TEST(SfCheck, SiteFolderRulesAndTheLiveCheckOfTheServedFile)
{
    QTemporaryDir dir, site;
    sf::test::HttpServer server;
    ASSERT_TRUE(dir.isValid() && site.isValid() && server.isRunning() && server.serveSite(site.path()));
    writeFile(site.filePath("robots.txt"), "User-agent: *\nDisallow: /private\n");
    writeFile(dir.filePath("same.txt"), "User-agent: *\nDisallow: /private\n");
    writeFile(dir.filePath("other.txt"), "User-agent: *\nDisallow: /\n");
    writeFile(dir.filePath("crlf.txt"), "User-agent: *\r\nDisallow: /private\r\n");
    server.answerStatus("/gone/robots.txt", 410);
    ASSERT_TRUE(QDir(site.path()).mkpath("huge"));
    writeFile(site.filePath("huge/robots.txt"), "User-agent: *\nDisallow: /private\n");
    server.answerHuge("/huge/robots.txt", qint64(144) << 20); // read no further than crawlers
    const QString base = server.baseUrl();
    struct Case {
        QStringList args;
        QByteArray out;
        int exit;
        QByteArray err;
    } cases[] = {
        {{"rule", "--site-folder", "/public_html/", "/public_html/images", "logo.gif"},
         "Disallow: /images/logo.gif\n",
         0,
         ""},
        {{"rule", "--site-folder", "/public_html", "/", "public_html", "FooBot"},
         "User-agent: FooBot\nDisallow: /\n",
         0,
         ""},
        {{"rule", "--site-folder", "/public_html", "/", "mail"}, "", 2, "/mail is outside the site folder"},
        {{"rule", "--site-folder", "/public_html", "/public_html"}, "", 2, "usage:"},
        {{"live", base},
         "status 200: 33 bytes, 1 user-agent line(s), 1 rule(s); crawlers follow its rules.\n",
         0,
         ""},
        {{"live", base, "same.txt"}, "", 0, ""},
        {{"live", base, "other.txt"},
         "line 2:\nserved: \"Disallow: /private\\n\"\nother.txt: \"Disallow: /\\n\"\n",
         1,
         ""},
        {{"live", base, "crlf.txt"}, "", 0, ""},
        {{"live", base + "/huge", "same.txt"},
         "status 200: more than 500 KiB (its first 500 KiB read), ",
         1,
         ""},
        {{"live", base + "/gone"}, "status 410: crawlers take everything as allowed", 0, ""},
        {{"live", base, "missing.txt"}, "", 2, "no such file"},
    };
    for (const Case& c : cases) {
        const Ran ran = runSfcheck(dir.path(), c.args);
        ASSERT_TRUE(ran.finished) << ran.why.toStdString();
        const std::string what = c.args.join(' ').toStdString();
        if (c.exit == 2)
            EXPECT_EQ(ran.out.toStdString(), "") << what;
        else
            EXPECT_TRUE(ran.out.contains(c.out)) << what << "\n" << ran.out.toStdString();
        EXPECT_EQ(ran.exit, c.exit) << what;
        EXPECT_TRUE(ran.err.contains(c.err)) << what;
    }
}

// "--version" and "--help" answer on standard output and end with 0; "--help" names every command
// and the exit codes.
TEST(SfCheck, VersionAndHelpAnswerOnStandardOutput)
{
    const QByteArray version = QStringLiteral("sfcheck %1.%2.%3\n")
                                   .arg(SF_VERSION_MAJOR)
                                   .arg(SF_VERSION_MINOR)
                                   .arg(SF_VERSION_REVISION)
                                   .toUtf8();
    const struct {
        const char* option;
        QList<QByteArray> printed;
    } cases[] = {
        {"--version", {version}},
        {"--help",
         {"sfcheck test", "sfcheck rule", "sfcheck live", "sfcheck lint", "Exit status: 0",
          "3 the readings"}},
        {"-h", {"sfcheck --version | --help"}},
    };
    for (const auto& c : cases) {
        const Ran ran = runSfcheck(QDir::tempPath(), {QString::fromLatin1(c.option)});
        ASSERT_TRUE(ran.finished) << ran.why.toStdString();
        for (const QByteArray& text : c.printed)
            EXPECT_TRUE(ran.out.contains(text)) << c.option << ": " << ran.out.toStdString();
        EXPECT_EQ(ran.exit, 0) << c.option;
        EXPECT_TRUE(ran.err.isEmpty()) << c.option;
    }
}
