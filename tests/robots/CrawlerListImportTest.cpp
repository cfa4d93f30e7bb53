// The imports of the two community crawler lists: both formats, the merge by token that keeps the
// user's robots, malformed files and a write that fails.
#include "robots/CrawlerImport.h"
#include "robots/RobotDatabase.h"

#include "support/TestEnvironment.h"

#include <QDir>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sf;

namespace {

// Entries as the list of AI crawlers writes them.
const QByteArray kAiList = R"json({
    "GPTBot": {"operator": "[OpenAI](https://openai.com)", "respect": "Yes",
               "function": "Scrapes data to train OpenAI's products.", "frequency": "No information.",
               "description": "Data is used to train OpenAI models."},
    "ChatGPT Agent": {"operator": "[OpenAI](https://openai.com)", "respect": "Unclear at this time.",
                      "function": "AI Agents", "frequency": "Unclear at this time.", "description": "Agent."},
    "Claude-SearchBot": {"operator": "[Anthropic](https://www.anthropic.com)", "respect": "Yes",
                         "function": "Collects data for AI search", "frequency": "Unclear at this time.",
                         "description": "Improves search results."},
    "CCBot": {"operator": "[Common Crawl Foundation](https://commoncrawl.org)", "respect": "Yes",
              "function": "Provides open crawl dataset, used for many purposes.", "frequency": "Monthly.",
              "description": "Open crawl."},
    "Webzio-Extended": {"operator": "Webz.io", "respect": "Unclear at this time.",
                        "function": "AI Data Scrapers", "frequency": "Unclear at this time.", "description": "First."},
    "webzio-extended": {"operator": "Webz.io", "respect": "Yes", "function": "AI Data Scrapers",
                        "frequency": "Unclear at this time.", "description": "Second."},
    "#bad": {"operator": "x", "respect": "Yes", "function": "AI Agents", "frequency": "", "description": ""}
})json";

// Entries as the list of crawler user-agents writes them.
const QByteArray kAgentList = R"json([
    {"pattern": "Googlebot\\/", "url": "http://www.google.com/bot.html", "addition_date": "2011/01/02",
     "instances": ["Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)"],
     "description": "Google's main crawler", "tags": ["search-engine"]},
    {"pattern": "[cC]laude[bB]ot", "instances": ["Mozilla/5.0 (compatible; ClaudeBot/1.0)"],
     "description": "Anthropic", "tags": ["ai-crawler"]},
    {"pattern": "Feedly", "instances": ["Feedly/1.0"], "description": "Feeds", "tags": ["feed-reader"]},
    {"pattern": "BlogTraffic\\/\\d\\.\\d+ Feed-Fetcher", "instances": ["BlogTraffic/1.2 Feed-Fetcher"],
     "description": "A wildcard", "tags": ["feed-reader"]},
    {"pattern": "yandex\\.com\\/bots", "instances": ["x yandex.com/bots"], "description": "", "tags": ["seo"]},
    {"pattern": "^curl", "instances": ["curl/8.0"], "description": "A library", "tags": ["http-library"]}
])json";

struct Expected {
    QString token;
    QString purpose;
    qint16 category;
    bool obeys;
    QString owner;
};

} // namespace

TEST(CrawlerListImport, ReadsEachFormatAsItsListWritesIt)
{
    const struct {
        QByteArray json;
        CrawlerListFormat format;
        std::vector<Expected> robots;
        int invalid, notCrawlers;
    } cases[] = {
        {kAiList,
         CrawlerListFormat::AiCrawlers,
         {{"CCBot", "AI data collection", 4, true, "Common Crawl Foundation"},
          {"ChatGPT Agent", "AI assistant fetch", 4, false, "OpenAI"},
          {"Claude-SearchBot", "AI search", 6, true, "Anthropic"},
          {"GPTBot", "AI model training", 4, true, "OpenAI"},
          {"Webzio-Extended", "AI data collection", 4, true, "Webz.io"}},
         1,
         0},
        {kAgentList,
         CrawlerListFormat::CrawlerUserAgents,
         {{"Googlebot", "search engine", 6, false, ""},
          {"ClaudeBot", "AI data collection", 4, false, ""},
          {"Feedly", "feed reader", 3, false, ""}},
         2,
         1},
    };
    for (const auto& c : cases) {
        CrawlerList list;
        ASSERT_TRUE(readCrawlerList(c.json, list));
        EXPECT_EQ(list.format, c.format);
        EXPECT_EQ(list.invalidTokens, c.invalid);
        EXPECT_EQ(list.notCrawlers, c.notCrawlers);
        ASSERT_EQ(list.robots.size(), static_cast<qsizetype>(c.robots.size()));
        for (std::size_t i = 0; i < c.robots.size(); ++i) {
            const RobotRecord& r = list.robots[static_cast<qsizetype>(i)];
            const Expected& e = c.robots[i];
            EXPECT_EQ(r.Robot_exclusion_useragent, e.token);
            EXPECT_EQ(r.Robot_purpose, e.purpose) << e.token.toStdString();
            EXPECT_EQ(r.Robot_category, e.category) << e.token.toStdString();
            EXPECT_EQ(isYes(r.Robot_exclusions), e.obeys) << e.token.toStdString();
            EXPECT_EQ(r.Robot_owner_name, e.owner);
            EXPECT_EQ(r.Modified_by, importMark(c.format));
        }
    }
    CrawlerList list;
    ASSERT_TRUE(readCrawlerList(kAiList, list));
    EXPECT_EQ(list.robots[3].Robot_owner_url, "https://openai.com");
    EXPECT_EQ(list.robots[4].Robot_description, "First.") << "one record per token, the first entry's facts";
    ASSERT_TRUE(readCrawlerList(kAgentList, list));
    EXPECT_EQ(list.robots[0].Robot_cover_url, "http://www.google.com/bot.html");
    EXPECT_EQ(list.robots[0].Robot_history, "Listed in crawler-user-agents since 2011-01-02.");
    EXPECT_EQ(list.robots[1].Robot_useragent, "Mozilla/5.0 (compatible; ClaudeBot/1.0)");
}

TEST(CrawlerListImport, KeepsTheUsersRobotsAndUpdatesImportedOnes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("robots.rbd"));
    RobotRecord edited; // the user's own GPTBot: any mark that is not an import's
    edited.Robot_name = QStringLiteral("My GPT rule");
    edited.Robot_exclusion_useragent = QStringLiteral("gptbot");
    edited.Robot_description = QStringLiteral("mine");
    edited.Modified_by = QStringLiteral("Greyfield");
    RobotRecord imported; // written by an earlier import of the same list
    imported.Robot_exclusion_useragent = QStringLiteral("CCBot");
    imported.Robot_description = QStringLiteral("old text");
    imported.Robot_owner_email = QStringLiteral("kept@example.org");
    imported.Modified_by = importMark(CrawlerListFormat::AiCrawlers);
    RobotRecord other = imported; // written by an import of the other list
    other.Robot_exclusion_useragent = QStringLiteral("Claude-SearchBot");
    other.Robot_owner_name.clear();
    other.Modified_by = importMark(CrawlerListFormat::CrawlerUserAgents);
    for (const RobotRecord& r : {edited, imported, other})
        ASSERT_TRUE(RobotDatabase(path).write(RobotDatabase(path).count() + 1, r));

    CrawlerImportReport report;
    ASSERT_TRUE(importCrawlerList(path, kAiList, {46000.0, QStringLiteral("9.9")}, report));
    EXPECT_EQ(report.text(),
              "2 new robots, 2 updated, 1 kept as you edited them, 1 skipped: not a valid token");
    EXPECT_TRUE(report.written);
    std::vector<RobotRecord> after;
    ASSERT_TRUE(RobotDatabase(path).readAll(
        [&](qint32, const char* data) { after.push_back(RobotRecord::fromData(data)); }));
    ASSERT_EQ(after.size(), 5u);
    EXPECT_EQ(after[0].toData(), edited.toData()) << "the user's robot is kept byte for byte";
    EXPECT_EQ(after[1].Robot_description, "Open crawl.");
    EXPECT_EQ(after[1].Robot_owner_email, "kept@example.org") << "facts the list lacks stay";
    EXPECT_EQ(after[1].RobotVersion, "9.9");
    EXPECT_EQ(after[2].Robot_description, "old text") << "another list's robot only gets what it lacks";
    EXPECT_EQ(after[2].Robot_owner_name, "Anthropic");
    EXPECT_EQ(after[3].Robot_exclusion_useragent, "ChatGPT Agent");
    EXPECT_EQ(after[4].Robot_exclusion_useragent, "Webzio-Extended");
    EXPECT_EQ(after[4].Modified_date, 46000.0);

    const QByteArray bytes = test::readFileBytes(path);
    ASSERT_TRUE(importCrawlerList(path, kAiList, {47000.0, QStringLiteral("9.9")}, report));
    EXPECT_EQ(report.text(), "0 new robots, 0 updated, 4 already up to date, 1 kept as you edited them, "
                             "1 skipped: not a valid token");
    EXPECT_FALSE(report.written);
    EXPECT_EQ(test::readFileBytes(path), bytes) << "nothing new: the file is not written";
}

TEST(CrawlerListImport, RefusesAFileOfNeitherFormatAndLeavesTheDatabase)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("robots.rbd"));
    test::writeFileBytes(path, QByteArray(6552, ' '));
    const struct {
        QByteArray json;
        QString message;
    } cases[] = {
        {"not json at all", "it is not JSON"},
        {R"({"GPTBot": {"operator": "x")", "it is not JSON"},
        {"[1, 2, 3]", "neither a list of AI crawlers"},
        {"{}", "neither a list of AI crawlers"},
        {R"({"GPTBot": "a text"})", "neither a list of AI crawlers"},
        {R"([{"pattern": 5}])", "neither a list of AI crawlers"},
        {R"({"name": "Googlebot", "tags": []})", "neither a list of AI crawlers"},
    };
    for (const auto& c : cases) {
        CrawlerImportReport report;
        const Result<void> result = importCrawlerList(path, c.json, {}, report);
        EXPECT_FALSE(result.ok) << c.json.toStdString();
        EXPECT_TRUE(result.error.contains(c.message)) << result.error.toStdString();
        EXPECT_EQ(test::readFileBytes(path), QByteArray(6552, ' '));
    }
}

TEST(CrawlerListImport, AFailedWriteLeavesTheDatabaseAsItWas)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/robots.rbd");
    const QByteArray before(2 * 6552, ' ');
    test::writeFileBytes(path, before);
    // An immutable folder refuses new files even to root, so the temporary file cannot be made.
    if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), folder}) != 0)
        GTEST_SKIP() << "chattr +i is not available here";
    CrawlerImportReport report;
    const Result<void> result = importCrawlerList(path, kAiList, {}, report);
    QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), folder});
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.startsWith("The robot database was left as it was"))
        << result.error.toStdString();
    EXPECT_FALSE(report.written);
    EXPECT_EQ(test::readFileBytes(path), before);
}

TEST(CrawlerListImport, PatternsGiveTheirLiteralOrNothing)
{
    const struct {
        const char* pattern;
        const char* literal;
    } cases[] = {
        {"Googlebot\\/", "Googlebot"},    {"[cC]laude[bB]ot", "claudebot"},
        {"^Seekbot", "Seekbot"},          {"Mail\\.RU_Bot", "Mail.RU_Bot"},
        {"Linguee Bot", "Linguee Bot"},   {"[wW]get", "wget"},
        {"Ahrefs(Bot|SiteAudit)", ""},    {"AdsBot-Google([^-]|$)", ""},
        {"BlogTraffic\\/\\d\\.\\d+", ""}, {"Netumo|netumo", ""},
        {"Spider[\\s\\S]*spider", ""},    {"webmon $", "webmon "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(patternLiteral(QString::fromLatin1(c.pattern)), QString::fromLatin1(c.literal))
            << c.pattern;
}

// "respect" as the list of AI crawlers writes it: the word, or the word as a link to the operator's
// page; any other text states nothing, and the robot keeps what it had.
TEST(CrawlerListImport, ReadsObedienceAsTheListStatesIt)
{
    const struct {
        const char* token;
        const char* respect;
        const char* markBefore; // nullptr: the robot is new
        bool obeyedBefore;
        bool obeysAfter;
    } cases[] = {
        {"YesBot", "Yes", nullptr, false, true},
        {"LinkYesBot", "[Yes](https://example.org/bot)", nullptr, false, true},
        {"NoBot", "No", nullptr, false, false},
        {"UnclearBot", "Unclear at this time.", nullptr, false, false},
        {"KeptYesBot", "Unclear at this time.", "Imported from ai.robots.txt", true, true},
        {"DiscretionBot", "At the [discretion](https://example.org) of its users.",
         "Imported from ai.robots.txt", true, true},
        {"LinkNoBot", "[No](https://example.org/faq)", "Imported from ai.robots.txt", true, false},
        {"NowYesBot", "[Yes](https://example.org/bot)", "Imported from ai.robots.txt", false, true},
        {"OtherListBot", "[Yes](https://example.org/bot)", "Imported from crawler-user-agents", false, true},
        {"UsersBot", "No", "Greyfield", true, true},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("robots.rbd"));
    QJsonObject json;
    for (const auto& c : cases) {
        json.insert(QLatin1String(c.token), QJsonObject{{"operator", "x"},
                                                        {"respect", c.respect},
                                                        {"function", "AI Data Scrapers"},
                                                        {"frequency", ""},
                                                        {"description", "d"}});
        if (!c.markBefore)
            continue;
        RobotRecord before;
        before.Robot_exclusion_useragent = QLatin1String(c.token);
        before.Robot_exclusions = toRobotFlag(c.obeyedBefore);
        before.Modified_by = QLatin1String(c.markBefore);
        ASSERT_TRUE(RobotDatabase(path).write(RobotDatabase(path).count() + 1, before));
    }
    CrawlerImportReport report;
    ASSERT_TRUE(
        importCrawlerList(path, QJsonDocument(json).toJson(), {46000.0, QStringLiteral("9.9")}, report));
    QHash<QString, bool> obeys;
    ASSERT_TRUE(RobotDatabase(path).readAll([&](qint32, const char* data) {
        const RobotRecord r = RobotRecord::fromData(data);
        obeys.insert(r.Robot_exclusion_useragent, isYes(r.Robot_exclusions));
    }));
    for (const auto& c : cases) {
        ASSERT_TRUE(obeys.contains(QLatin1String(c.token))) << c.token;
        EXPECT_EQ(obeys.value(QLatin1String(c.token)), c.obeysAfter) << c.token << ": " << c.respect;
    }
}
