#include "AccessLogSamples.h"
#include "logs/AccessLogLine.h"
#include "logs/AccessLogReader.h"
#include "logs/AuditCsv.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <zlib.h>

#include <map>

using namespace sf;
using namespace sf::logs;

namespace {

RobotIdentifier sampleRobots()
{
    return RobotIdentifier({{"Googlebot", "search engine"},
                            {"Googlebot-Image", "search engine images"},
                            {"GPTBot", "AI training"},
                            {"Bytespider", "AI training"},
                            {"Google Read Aloud", "assistant"}});
}

struct Counts {
    std::int64_t requests, disallowed, fetches;
    bool operator==(const Counts&) const = default;
};

std::map<std::string, Counts> countsOf(const AuditReport& report)
{
    std::map<std::string, Counts> out;
    for (const RobotTally& tally : report.robots)
        out[tally.robot] = {tally.requests, tally.disallowed, tally.robotsTxtFetches};
    return out;
}

void writeGzip(const QString& path, const QByteArray& bytes)
{
    gzFile file = gzopen(QFile::encodeName(path).constData(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(gzwrite(file, bytes.constData(), static_cast<unsigned>(bytes.size())), bytes.size());
    ASSERT_EQ(gzclose(file), Z_OK);
}

} // namespace

// Lines as Apache and nginx write them, and lines that are no request.
TEST(AccessLogLine, ReadsCombinedCommonAndVirtualHostFormsAndRefusesBrokenLines)
{
    struct Case {
        const char* line;
        bool request;
        const char* target;
        const char* agent;
        std::int64_t time;
    };
    const Case cases[] = {
        {R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "GET /a?b=c HTTP/1.1" 200 2326 "http://r/" "Foo/1.0")",
         true, "/a?b=c", "Foo/1.0", 971211336},
        {R"(1.2.3.4 - frank [10/Oct/2000:13:55:36 -0700] "GET /apache_pb.gif HTTP/1.0" 200 2326)", true,
         "/apache_pb.gif", "", 971211336},
        {R"(www.example.com:443 1.2.3.4 - - [01/Jan/2026:00:00:00 +0000] "HEAD / HTTP/2.0" 304 - "-" "Bar")",
         true, "/", "Bar", 1767225600},
        {"::1 - - [29/Feb/2024:23:59:59 +0100] \"GET /x HTTP/1.1\" 404 0 \"-\" \"-\"\r", true, "/x", "",
         1709247599},
        {R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "GET /q\"uote HTTP/1.1" 200 1 "-" "A \"B\"")", true,
         "/q\\\"uote", "A \\\"B\\\"", 971211336},
        {R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "GET /old" 200 1)", true, "/old", "", 971211336},
        {R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "-" 408 0 "-" "-")", false, "", "", 0},
        {R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "\x16\x03\x01" 400 0 "-" "-")", false, "", "", 0},
        {R"(1.2.3.4 - - [32/Oct/2000:13:55:36 -0700] "GET / HTTP/1.1" 200 1)", false, "", "", 0},
        {R"(1.2.3.4 - - [10/Okt/2000:13:55:36 -0700] "GET / HTTP/1.1" 200 1)", false, "", "", 0},
        {R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "GET / HTTP/1.1" 200 1 "-" "cut off)", false, "", "", 0},
        {R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "GET / HTTP/1.1" 2x0 1)", false, "", "", 0},
        {R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "GET / HTT)", false, "", "", 0},
        {"[10/Oct/2000:13:55:36 -0700] \"GET / HTTP/1.1\" 200 1", false, "", "", 0},
        {"", false, "", "", 0},
    };
    for (const Case& c : cases) {
        const auto request = parseAccessLogLine(c.line);
        ASSERT_EQ(request.has_value(), c.request) << c.line;
        if (!request)
            continue;
        EXPECT_EQ(request->target, c.target) << c.line;
        EXPECT_EQ(request->userAgent, c.agent) << c.line;
        EXPECT_EQ(request->time, c.time) << c.line;
        EXPECT_EQ(parseUtcTime(formatUtcTime(request->time)), request->time) << c.line;
    }
    EXPECT_EQ(formatUtcTime(971211336), "2000-10-10T20:55:36Z");
}

// Who a User-Agent is: a known robot by a whole token in any case (the longest), an unknown robot by
// its product name, or a visitor.
TEST(AccessLogRobots, WholeTokensInAnyCaseTheLongestWinsOthersUnknownOrVisitors)
{
    const RobotIdentifier robots = sampleRobots();
    const std::pair<const char*, const char*> cases[] = {
        {"Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)", "Googlebot"},
        {"Googlebot-Image/1.0", "Googlebot-Image"},
        {"Mozilla/5.0 (compatible; Googlebot/2.1) Googlebot-Image/1.0", "Googlebot-Image"},
        {"googlebot-image/1.0", "Googlebot-Image"},
        {"GPTBOT/1.0", "GPTBot"},
        {"Mozilla/5.0 (compatible; Google Read Aloud; +https://x)", "Google Read Aloud"},
        {"Mozilla/5.0 (compatible; Google Read Aloudx)", "visitor"},
        {"MyGooglebot/1.0", "unknown:MyGooglebot"},
        {"Googlebotx", "unknown:Googlebotx"},
        {"Mozilla/5.0 (compatible; SemrushBot/7~bl; +http://www.semrush.com/bot.html)", "unknown:SemrushBot"},
        {"python-requests/2.31 WebFetcher/0.1", "unknown:WebFetcher"},
        {"Mozilla/5.0 (compatible; MJ12bot)", "unknown:MJ12bot"},
        {"my-scraper", "unknown:my-scraper"},
        {"Mozilla/5.0 (X11; Linux x86_64) Chrome/120.0 Safari/537.36 +http://example.com/bot.html",
         "visitor"},
        {"", "visitor"},
    };
    for (const auto& [agent, expected] : cases) {
        const Identity identity = robots.identify(agent);
        std::string name = "visitor";
        if (identity.kind == Identity::Kind::Known)
            name = robots.robots()[identity.robot].token.toStdString();
        else if (identity.kind == Identity::Kind::Unknown)
            name = "unknown:" + identity.unknownName;
        EXPECT_EQ(name, expected) << agent;
    }
}

// The sample log's known crawlers, counted against the robots.txt in two readings.
TEST(AccessLogAudit, CountsEachRobotsRequestsRefusalsAndRobotsTxtFetches)
{
    QTemporaryDir dir;
    const QString log = dir.filePath("access.log");
    test::writeFile(log, test::auditSampleLog());
    const RobotIdentifier robots = sampleRobots();
    const rules::RobotsTxt txt(QByteArray(test::kAuditRobotsTxt));
    const rules::Readings readings(txt);
    const std::map<std::string, Counts> rfc{{"GPTBot", {3, 2, 1}},
                                            {"Googlebot", {4, 2, 1}},
                                            {"Googlebot-Image", {2, 1, 0}},
                                            {"Bytespider", {2, 1, 0}},
                                            {"unknown:WeirdCrawler", {1, 1, 0}},
                                            {"unknown:MyGooglebotClone", {1, 1, 0}}};
    // First-match readers take "*" and "$" as characters, the first rule that fits, and a group whose
    // name is part of the agent's.
    std::map<std::string, Counts> firstMatch = rfc;
    firstMatch["Bytespider"] = {2, 0, 0};
    firstMatch["Googlebot"] = {4, 3, 1};
    firstMatch["unknown:MyGooglebotClone"] = {1, 0, 0};
    for (const auto& [reading, expected] :
         {std::pair{rules::Reading::Rfc9309, rfc}, std::pair{rules::Reading::FirstMatch, firstMatch}}) {
        const Result<AuditReport> report = auditLogs({log}, {&robots, &readings, reading});
        ASSERT_TRUE(report) << report.error.toStdString();
        EXPECT_EQ(countsOf(report.value()), expected) << rules::readingName(reading);
        EXPECT_EQ(report->visitors, 3);
        EXPECT_EQ(report->skipped, 3);
        EXPECT_EQ(report->lines, 19);
    }
    const Result<AuditReport> report = auditLogs({log}, {&robots, &readings, rules::Reading::Rfc9309});
    ASSERT_TRUE(report);
    const RobotTally& gpt = report->robots.front(); // most requests first: Googlebot, then GPTBot
    EXPECT_EQ(report->robots[1].robot, "GPTBot");
    EXPECT_EQ(gpt.robot, "Googlebot");
    EXPECT_EQ(report->robots[1].disallowedUrls, (std::vector<std::string>{"/", "/a?b=1"}));
    EXPECT_EQ(formatUtcTime(report->robots[1].firstSeen), "2026-10-10T10:00:00Z");
    EXPECT_EQ(formatUtcTime(report->robots[1].lastSeen), "2026-10-11T09:30:00Z");
    EXPECT_EQ(report->worstFirst().back()->known, false);
}

// A gzip rotated set, a virtual-host log, a 1 MB line, broken lines and a log cut mid-line: read as
// the same lines in plain text are, the set in time order, and a big file split over threads alike.
TEST(AccessLogReader, GzipRotatedSetsLongAndCutLinesAndSplitFilesReadAsOneStream)
{
    QTemporaryDir dir;
    const RobotIdentifier robots = sampleRobots();
    const rules::RobotsTxt txt(QByteArray(test::kAuditRobotsTxt));
    const rules::Readings readings(txt);
    const AuditSetup setup{&robots, &readings, rules::Reading::Rfc9309};
    const QByteArray sample = test::auditSampleLog();
    const QByteArray longLine = test::logLine("/cgi-bin/" + QByteArray(1024 * 1024, 'a'), "GPTBot/1.0");
    const QByteArray tooLong = test::logLine("/" + QByteArray(5 * 1024 * 1024, 'b'), "GPTBot/1.0");
    QByteArray vhost = test::logLine("/private/x", "Googlebot/2.1");
    vhost.prepend("www.example.com:80 ");
    const QByteArray older = test::logLine("/", "GPTBot/1.0", "01/Oct/2026:00:00:00 +0000");
    const QByteArray cut = test::logLine("/private/x", "Googlebot/2.1").chopped(10);
    writeGzip(dir.filePath("access.log.2.gz"), older + sample);
    writeGzip(dir.filePath("access.log.1.gz"), longLine + tooLong + vhost);
    test::writeFile(dir.filePath("access.log"), sample + cut);
    const QStringList set = inTimeOrder(
        {dir.filePath("access.log"), dir.filePath("access.log.1.gz"), dir.filePath("access.log.2.gz")});
    EXPECT_EQ(set, QStringList({dir.filePath("access.log.2.gz"), dir.filePath("access.log"),
                                dir.filePath("access.log.1.gz")}));
    const QByteArray whole = older + sample + longLine + tooLong + vhost + sample + cut;
    test::writeFile(dir.filePath("whole.log"), whole);
    const Result<AuditReport> plain = auditLogs({dir.filePath("whole.log")}, setup, nullptr, 1);
    ASSERT_TRUE(plain) << plain.error.toStdString();
    EXPECT_EQ(plain->lines, 19 * 2 + 5);
    EXPECT_EQ(plain->skipped, 3 * 2 + 2); // the line over 4 MiB and the cut one
    EXPECT_EQ(countsOf(plain.value())["GPTBot"], (Counts{8, 6, 2}));
    EXPECT_EQ(countsOf(plain.value())["Googlebot"], (Counts{9, 5, 2}));
    AuditProgress progress;
    const Result<AuditReport> rotated = auditLogs(set, setup, &progress);
    ASSERT_TRUE(rotated) << rotated.error.toStdString();
    EXPECT_EQ(auditCsv(rotated.value()), auditCsv(plain.value()));
    EXPECT_EQ(progress.done, progress.total);
    for (const int threads : {2, 3, 7}) {
        const Result<AuditReport> split =
            auditLogs({dir.filePath("whole.log")}, setup, nullptr, threads, 1000);
        ASSERT_TRUE(split);
        EXPECT_EQ(auditCsv(split.value()), auditCsv(plain.value())) << threads;
        EXPECT_EQ(split->lines, plain->lines);
        EXPECT_EQ(split->skipped, plain->skipped);
        EXPECT_EQ(split->visitors, plain->visitors);
    }
    test::writeFile(dir.filePath("broken.gz"), QByteArray("\x1f\x8b\x08\x00garbage-not-deflate", 22));
    for (const QString& bad : {dir.filePath("missing.log"), dir.path(), dir.filePath("broken.gz")})
        EXPECT_FALSE(auditLogs({bad}, setup)) << bad.toStdString();
    AuditProgress stopped;
    stopped.cancel = true;
    EXPECT_EQ(auditLogs({dir.filePath("whole.log")}, setup, &stopped).errorNumber, kAuditCancelled);
}

// CSVs of the parts of a log add up to the CSV of the whole; a file of another shape is refused.
TEST(AccessLogCsv, PartsAddUpToTheWholeAndOtherFilesAreRefused)
{
    QTemporaryDir dir;
    const RobotIdentifier robots = sampleRobots();
    const rules::RobotsTxt txt(QByteArray(test::kAuditRobotsTxt));
    const rules::Readings readings(txt);
    const AuditSetup setup{&robots, &readings, rules::Reading::Rfc9309};
    const QList<QByteArray> lines = test::auditSampleLog().split('\n');
    QByteArray whole;
    AuditReport sum;
    for (qsizetype i = 0; i < lines.size(); i += 4) {
        const QByteArray part = lines.mid(i, 4).join('\n') + '\n';
        whole += part;
        const QString path = dir.filePath(QStringLiteral("part%1.log").arg(i));
        test::writeFile(path, part);
        const Result<AuditReport> read = auditLogs({path}, setup);
        ASSERT_TRUE(read);
        const Result<AuditReport> back = readAuditCsv(auditCsv(read.value()));
        ASSERT_TRUE(back) << back.error.toStdString();
        sum.add(back.value());
    }
    test::writeFile(dir.filePath("whole.log"), whole);
    const Result<AuditReport> all = auditLogs({dir.filePath("whole.log")}, setup);
    ASSERT_TRUE(all);
    EXPECT_EQ(auditCsv(sum), auditCsv(all.value()));
    AuditReport quoted;
    quoted.robots.push_back({"a,\"b\"", "x, y", true, 1, 0, 0, 0, 0, {}});
    EXPECT_EQ(auditCsv(readAuditCsv(auditCsv(quoted)).value()), auditCsv(quoted));
    for (const QByteArray& bad :
         {QByteArray("robot,requests\n"),
          QByteArray("robot,purpose,requests,disallowed,robots_txt_fetches,first_seen,last_seen\nX,,1,0,0\n"),
          QByteArray("robot,purpose,requests,disallowed,robots_txt_fetches,first_seen,last_seen\n"
                     "X,,1,0,0,yesterday,2026-01-01T00:00:00Z\n")})
        EXPECT_FALSE(readAuditCsv(bad)) << bad.toStdString();
}
