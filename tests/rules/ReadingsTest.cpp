// The three readings of a robots.txt against their references: Google's published test cases, and
// Python's own robotparser run on a table of cases at test time.
#include "rules/Readings.h"
#include "rules/RobotsLint.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

using namespace sf::rules;

namespace {

struct Case {
    QByteArray robots, agent, url;
};

// Python's verdicts: the file as read() hands it to parse() (strictly UTF-8), then can_fetch().
std::vector<bool> pythonVerdicts(const std::vector<Case>& cases)
{
    static const char script[] = R"(
import base64, json, sys, urllib.robotparser
out = []
for case in json.load(sys.stdin):
    parser = urllib.robotparser.RobotFileParser()
    try:
        parser.parse(base64.b64decode(case["robots"]).decode("utf-8").splitlines())
    except UnicodeDecodeError:
        pass  # read() fails before parse(); the parser then refuses every URL
    except ValueError:
        pass  # parse() stops at a value urllib.parse rejects; what it read stays
    try:
        out.append(parser.can_fetch(case["agent"], case["url"]))
    except ValueError:
        out.append(False)  # a URL urllib.parse rejects cannot be fetched
print(json.dumps(out))
)";
    QJsonArray input;
    for (const Case& c : cases)
        input.append(QJsonObject{{"robots", QString::fromLatin1(c.robots.toBase64())},
                                 {"agent", QString::fromUtf8(c.agent)},
                                 {"url", QString::fromUtf8(c.url)}});
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromLatin1(script)});
    python.write(QJsonDocument(input).toJson());
    python.closeWriteChannel();
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        ADD_FAILURE() << "python3 failed: " << python.readAllStandardError().toStdString();
        return {};
    }
    std::vector<bool> out;
    for (const QJsonValue& v : QJsonDocument::fromJson(python.readAllStandardOutput()).array())
        out.push_back(v.toBool());
    return out;
}

} // namespace

TEST(Readings, GoogleReadingGivesTheVerdictsOfGooglesPublishedTests)
{
    QFile file(QStringLiteral(SF_TEST_DATA_DIR "/google-robots-verdicts.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    const QJsonArray cases = QJsonDocument::fromJson(file.readAll()).array();
    ASSERT_GE(cases.size(), 50);
    for (const QJsonValue& value : cases) {
        const QJsonObject c = value.toObject();
        const RobotsTxt txt(c["robots"].toString().toUtf8());
        const Readings readings(txt);
        for (const QJsonValue& check : c["checks"].toArray()) {
            const QString url = check.toArray()[0].toString();
            EXPECT_EQ(readings.check(Reading::Google, c["agent"].toString().toUtf8(), url.toUtf8()).allowed,
                      check.toArray()[1].toBool())
                << c["test"].toString().toStdString() << ": " << c["robots"].toString().toStdString() << " | "
                << url.toStdString();
        }
    }
}

TEST(Readings, FirstMatchReadingGivesPythonsVerdicts)
{
    const QByteArray big(5000, '7');
    std::vector<Case> cases = {
        {"User-agent: *\nDisallow: /*.pdf$\n", "FooBot", "/a.pdf"},
        {"User-agent: *\nAllow: /a\nDisallow: /a/b\n", "FooBot", "/a/b/c"},
        {"User-agent: *\nDisallow: /a\nAllow: /a\n", "FooBot", "/a"},
        {"User-agent: bot\nDisallow: /x\n", "FooBot", "/x"},
        {"User-agent: FooBot\nDisallow: /x\n\nUser-agent: *\nDisallow: /\n", "FooBot", "/y"},
        {"User-agent: *\nDisallow: /\n\nUser-agent: other\nDisallow: /o\n", "FooBot", "/x"},
        {"User-agent: *\nDisallow: /\n\nUser-agent: other\nDisallow: /o\n", "other", "/x"},
        {"User-agent: FooBot\n\nDisallow: /x\n", "FooBot", "/x"},
        {"User-agent: FooBot\n \nDisallow: /x\n# c\nDisallow: /y\n", "FooBot", "/y"},
        {"User-agent: FooBot\nDisallow: /x\n\nDisallow: /y\n", "FooBot", "/y"},
        {"User-agent: *\nDisallow:\nDisallow: /x\n", "FooBot", "/x"},
        {"User-agent:\nDisallow: /x\n", "FooBot", "/x"},
        {"\xEF\xBB\xBFUser-agent: *\nDisallow: /x\n", "FooBot", "/x"},
        {"User-agent: *\nDisallow: /caf\xE9\n", "FooBot", "/x"},
        {"User-agent: *\r\nDisallow: /caf\xC3\xA9\r\n", "FooBot", "/caf%C3%A9"},
        {"User-agent: *\nDisallow: /caf%E9\n", "FooBot", "/caf%E9"},
        {"User-agent: *\nDisallow: /caf%E9\n", "FooBot", "/caf%C3%A9"},
        {"User-agent: *\nDisallow: /a%2Fb\n", "FooBot", "/a/b"},
        {"User-agent: *\nDisallow: /a b\n", "FooBot", "/a%20b"},
        {"User-agent: *\nDisallow: /q?x=1\n", "FooBot", "/q%3Fx=1"},
        {"User-agent: *\nDisallow: /a#b\n", "FooBot", "/a#c"},
        {"User-agent: *\nDisallow: /a%09b\n", "FooBot", "/ab"},
        {"User-agent: *\nDisallow: /a?\n", "FooBot", "/ab"},
        {"User-agent: *\nDisallow: /a;\n", "FooBot", "/ab"},
        {"User-agent: *\nDisallow: /p;x\n", "FooBot", "https://h/p;x?q"},
        {"User-agent: *\nDisallow: http:x\n", "FooBot", "/x"},
        {"User-agent: *\nDisallow: *\n", "FooBot", "/*"},
        {"User-agent: *\nDisallow: /100%\n", "FooBot", "/100%"},
        {"User-agent: *\nDisallow: /x\n", "FooBot", "  /x"},
        {"User-agent: *\nDisallow: /private\n", "FooBot", "http://example.com/private/a"},
        {"User-agent: *\nDissallow: /x\nDisallow /y\n", "FooBot", "/x"},
        {"User-agent: *\nDisallow: /a\n\nUser-agent: *\nDisallow: /b\n", "FooBot", "/b"},
        {"User-agent: a\nCrawl-delay: 5\nUser-agent: b\nDisallow: /\n", "ab", "/x"},
        {"User-agent: a\nRequest-rate: 1/5\nUser-agent: b\nDisallow: /\n", "b", "/x"},
        {"User-agent: *\nDisallow: /a\n\nUser-agent: FooBot\nCrawl-delay: \xC2\xB2\nDisallow: /b\n", "FooBot",
         "/a"},
        {"User-agent: *\nDisallow: /a\n\nUser-agent: FooBot\nCrawl-delay: " + big + "\nDisallow: /b\n",
         "FooBot", "/a"},
        {"User-agent: *\nDisallow: /a\n\nUser-agent: FooBot\nDisallow: //[x/\n", "FooBot", "/a"},
        {"User-agent: FooBot\nDisallow: //[::1]/x\nDisallow: //[1.2.3.4]/x\nDisallow: /y\n", "FooBot", "/y"},
        {"User-agent: FooBot\nDisallow: //[v1.x]/x\nDisallow: //a[::1]/\nDisallow: /y\n", "FooBot", "/y"},
        {"User-agent: *\nDisallow: /a\n\nUser-agent: FooBot\nDisallow: //ex\xEF\xBC\x8F"
         "a/x\n",
         "FooBot", "/a"},
        {"User-agent: FooBot/1.0\nDisallow: /\n", "FooBot", "/x"},
        {"User-agent: foobot\nDisallow: /\n", "FooBot/2.1", "/x"},
        {"User-agent: \xC3\x84"
         "Bot\nDisallow: /\n",
         "\xC3\xA4"
         "bot",
         "/x"},
        {"User-agent: *\vDisallow: /v\n", "FooBot", "/v"},
        {"User-agent: *\xC2\x85"
         "Disallow: /n\n",
         "FooBot", "/n"},
        {"User-agent: *\nDisallow:\xC2\xA0/x\xE3\x80\x80\n", "FooBot", "/x"},
        {"User-agent: *\nDisallow: /x\n", "FooBot", "http://[::1/x"},
    };
    // Hosts in brackets: where Python's URL parser takes them, the reader goes on to "/y".
    for (const char* host :
         {"::ffff:1.2.3.4", "1:2:3:4:5:6:7:8", "1::2::3", "12345::", "::1%eth0", "::1%", ":1:2:3:4:5:6:7",
          "1:2:3:4:5:6:7::", "1:2:3:4:5:6:7:8:9", "::", "1.2.3.04", "vA.b", "v.b", "::1]:80"})
        cases.push_back(
            {"User-agent: FooBot\nDisallow: //[" + QByteArray(host) + "]/x\nDisallow: /y\n", "FooBot", "/y"});
    const std::vector<bool> expected = pythonVerdicts(cases);
    ASSERT_EQ(expected.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        const RobotsTxt txt(cases[i].robots);
        EXPECT_EQ(Readings(txt).check(Reading::FirstMatch, cases[i].agent, cases[i].url).allowed, expected[i])
            << i << ": " << cases[i].robots.toStdString() << " | " << cases[i].url.toStdString();
    }
}

// Each reading's deciding line, and the sentence that says where and why they differ.
TEST(Readings, DecidingLinesAndWhyTheReadingsDiffer)
{
    const QByteArray late = "User-agent: *\n" + QByteArray(600 * 1024, '#') + "\nDisallow: /late\n";
    const QByteArray nul("User-agent: *\nDisallow: /a\0b\n", 29);
    struct Row {
        QByteArray robots, agent, url;
        std::array<Verdict, 3> verdicts; // rfc9309, google, first-match
        const char* sentence;
    } rows[] = {
        {"User-agent: *\nDisallow: /x\n",
         "FooBot",
         "/x",
         {{{false, 2}, {false, 2}, {false, 2}}},
         "Every reading: blocked by line 2."},
        {"User-agent: *\nDisallow: /*.pdf$\n",
         "FooBot",
         "/a.pdf",
         {{{false, 2}, {false, 2}, {true, 0}}},
         "Google and RFC 9309 readers: blocked by line 2. First-match readers: allowed, because they read "
         "`*` "
         "and `$` as characters."},
        {"User-agent: *\nAllow: /a\nDisallow: /a/b\n",
         "FooBot",
         "/a/b/c",
         {{{false, 3}, {false, 3}, {true, 2}}},
         "First-match readers: allowed by line 2, because the first line that matches decides for them, not "
         "the longest."},
        {"User-agent: FooBot\n\nDisallow: /x\n",
         "FooBot",
         "/x",
         {{{false, 3}, {false, 3}, {true, 0}}},
         "because a blank line before line 3 ends its group for them."},
        {"User-agent: *\nDissallow: /x\n",
         "FooBot",
         "/x",
         {{{true, 0}, {false, 2}, {true, 0}}},
         "RFC 9309 and first-match readers: allowed. Google readers: blocked by line 2"},
        {"User-agent: bot\nDisallow: /x\n",
         "FooBot",
         "/x",
         {{{true, 0}, {true, 0}, {false, 2}}},
         "Google and RFC 9309 readers: allowed. First-match readers: blocked by line 2, because they read "
         "the "
         "group at line 1 for this crawler."},
        {"User-agent: *\nDisallow: /caf\xE9\n",
         "FooBot",
         "/x",
         {{{true, 0}, {true, 0}, {false, 0}}},
         "because the file is not valid UTF-8"},
        {"User-agent: *\nDisallow: /a%2Fb\n",
         "FooBot",
         "/a/b",
         {{{true, 0}, {true, 0}, {false, 2}}},
         "because they decode %-escapes"},
        {nul,
         "FooBot",
         "/ab",
         {{{true, 0}, {false, 2}, {true, 0}}},
         "RFC 9309 and first-match readers: allowed. Google readers: blocked by line 2, because a NUL byte "
         "ends "
         "line 2 early for them."},
        {late,
         "FooBot",
         "/late",
         {{{false, 3}, {true, 0}, {false, 3}}},
         "Google readers: allowed, because they stop reading at 500 KiB, in line 2."},
        {"User-agent: *\vDisallow: /v\n", "FooBot", "/v", {{{true, 0}, {true, 0}, {false, 1}}}, ""},
        {"\xEF\xBB\xBFUser-agent: *\nDisallow: /x\n",
         "FooBot",
         "/x",
         {{{false, 2}, {false, 2}, {true, 0}}},
         "because the byte order mark makes line 1 unreadable for them."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.robots.left(60).toStdString() + " | " + row.url.toStdString());
        const RobotsTxt txt(row.robots);
        const Readings readings(txt);
        const std::array<Verdict, 3> verdicts = readings.checkAll(row.agent, row.url);
        for (size_t i = 0; i < verdicts.size(); ++i) {
            EXPECT_EQ(verdicts[i].allowed, row.verdicts[i].allowed) << readingName(kReadings[i]);
            EXPECT_EQ(verdicts[i].line, row.verdicts[i].line) << readingName(kReadings[i]);
        }
        const QString sentence = describeVerdicts(readings, row.agent, row.url, verdicts);
        EXPECT_TRUE(sentence.contains(QLatin1String(row.sentence))) << sentence.toStdString();
    }
}

// RFC 9309 knows the keys spelled out, with their colon, and no index.html rule; Google's parser takes
// each of these, and the explanation and the lint name the same line for it.
TEST(Readings, OnlyTheGoogleReadingTakesGooglesLeniencies)
{
    struct Row {
        QByteArray robots, agent, url;
        std::array<Verdict, 3> verdicts; // rfc9309, google, first-match
        const char* sentence;            // a part of the explanation
        int lintLine;                    // the line the lint marks as Google's alone
        const char* lint;
    } rows[] = {
        {"User-agent: *\nDissallow: /x\n",
         "FooBot",
         "/x",
         {{{true, 0}, {false, 2}, {true, 0}}},
         "Google readers: blocked by line 2, because only Google's parser reads line 2, as \"Disallow: /x\"",
         2,
         "only Google's parser reads this line, as \"Disallow: /x\""},
        {"Useragent: FooBot\nDisallow: /\n",
         "FooBot",
         "/a",
         {{{true, 0}, {false, 2}, {true, 0}}},
         "because only Google's parser reads line 1, as \"User-agent: FooBot\"",
         1,
         "\"User-agent: FooBot\""},
        {"User agent: Googlebot\nDisallow: /\n\nUser-agent: *\nAllow: /\n",
         "Googlebot",
         "/x",
         {{{true, 5}, {false, 2}, {true, 5}}},
         "reads line 1, as \"User-agent: Googlebot\"",
         1,
         "RFC 9309 and first-match readers ignore it"},
        {"User-agent: *\nDisallow /nocolon\n",
         "FooBot",
         "/nocolon",
         {{{true, 0}, {false, 2}, {true, 0}}},
         "reads line 2, as \"Disallow: /nocolon\"",
         2,
         "Write \"Disallow: /nocolon\""},
        {"User-agent: *\nDisallowed: /x\n",
         "FooBot",
         "/x",
         {{{true, 0}, {false, 2}, {true, 0}}},
         "reads line 2, as \"Disallow: /x\"",
         2,
         "\"Disallow: /x\""},
        {"User-agent: *\nSite-map: https://example.org/s.xml\nDisallow: /x\n",
         "FooBot",
         "/x",
         {{{false, 3}, {false, 3}, {false, 3}}},
         "Every reading: blocked by line 3.",
         2,
         "\"Sitemap: https://example.org/s.xml\""},
        {"User-agent: *\nDisallow: /\nAllow: /d/index.html\n",
         "FooBot",
         "/d/",
         {{{false, 2}, {true, 3}, {false, 2}}},
         "Google readers: allowed by line 3, because Google's parser takes line 3 as also allowing the "
         "folder",
         3,
         "also allowing the folder of the index.html page"},
        {"user-AGENT: *\nDISALLOW: /y\n",
         "FooBot",
         "/y",
         {{{false, 2}, {false, 2}, {false, 2}}},
         "Every reading: blocked by line 2.",
         0,
         ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.robots.toStdString());
        const RobotsTxt txt(row.robots);
        const Readings readings(txt);
        const std::array<Verdict, 3> verdicts = readings.checkAll(row.agent, row.url);
        for (size_t i = 0; i < verdicts.size(); ++i) {
            EXPECT_EQ(verdicts[i].allowed, row.verdicts[i].allowed) << readingName(kReadings[i]);
            EXPECT_EQ(verdicts[i].line, row.verdicts[i].line) << readingName(kReadings[i]);
        }
        const QString sentence = describeVerdicts(readings, row.agent, row.url, verdicts);
        EXPECT_TRUE(sentence.contains(QLatin1String(row.sentence))) << sentence.toStdString();
        QStringList marks;
        for (const LintProblem& problem : lint(row.robots))
            if (problem.text.contains(QLatin1String("Google's parser")))
                marks << QStringLiteral("%1: %2").arg(problem.line).arg(problem.text);
        if (row.lintLine == 0) {
            EXPECT_TRUE(marks.isEmpty()) << marks.join(u'\n').toStdString();
            continue;
        }
        ASSERT_EQ(marks.size(), 1) << marks.join(u'\n').toStdString();
        EXPECT_TRUE(marks[0].startsWith(QString::number(row.lintLine) + u':')) << marks[0].toStdString();
        EXPECT_TRUE(marks[0].contains(QLatin1String(row.lint))) << marks[0].toStdString();
    }
}
