// sf_makerobots, the build tool that turns a CSV table into robots.rbd.
#include "robots/RobotDatabase.h"

#include "support/TestEnvironment.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sf;

namespace {

struct ToolRun {
    int exitCode = -1;
    QString errors;
};

ToolRun makeRobots(const QStringList& arguments)
{
    QProcess tool;
    tool.start(test::buildBinDir() + QStringLiteral("/../tools/sf_makerobots"), arguments);
    ToolRun run;
    if (!tool.waitForFinished(30000) || tool.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = tool.exitCode();
    run.errors = QString::fromLocal8Bit(tool.readAllStandardError());
    return run;
}

} // namespace

TEST(MakeRobots, WritesEveryRowStampedWithTheVersion)
{
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("robots.csv"));
    const QString rbd = dir.filePath(QStringLiteral("robots.rbd"));
    test::writeFileBytes(csv, "category,exclusion_useragent,name,description,noindex\r\n"
                              "Search,examplebot,\"Example, \"\"the\"\" Bot\",\"two\r\nlines\",1\r\n"
                              "Email,mailbot,Mail Bot,,\r\n");
    const ToolRun run = makeRobots({QStringLiteral("--version"), QStringLiteral("3.2.1"),
                                    QStringLiteral("--date"), QStringLiteral("2002-05-01"), csv, rbd});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();

    const QByteArray file = test::readFileBytes(rbd);
    ASSERT_EQ(file.size(), 2 * 6552);
    EXPECT_EQ(file.mid(0, 23), QByteArray("Example, \"the\" Bot     "));
    EXPECT_EQ(file.mid(2458, 11), QByteArray("two\r\nlines "));
    EXPECT_EQ(file.mid(2002, 2), QByteArray("\xff\xff"));
    EXPECT_EQ(file.mid(3008, 10).toHex(' '), QByteArray("06 00 00 00 00 00 20 40 e2 40"));
    EXPECT_EQ(file.mid(3018, 10), QByteArray("Greyfield "));
    for (int slot : {0, 1})
        EXPECT_EQ(file.mid(slot * 6552 + 3168, 15), QByteArray("3.2.1          ")) << slot;
    EXPECT_EQ(file.mid(6552 + 3008, 2), QByteArray("\x05\x00", 2)) << "Email";
}

TEST(MakeRobots, RefusesABadTableAndKeepsTheOldDatabase)
{
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("robots.csv"));
    const QString rbd = dir.filePath(QStringLiteral("robots.rbd"));
    test::writeFileBytes(rbd, QByteArray("the database before"));
    const struct {
        QByteArray csv;
        QStringList options;
        QString error;
    } cases[] = {
        {"name,category\r\nA,News\r\nB,Robots\r\n",
         {"--version", "1"},
         "Line 3: the value of \"Robot_category\""},
        {"name\r\n\"open\r\n", {"--version", "1"}, "Line 2: a quoted value is not closed."},
        {"name\r\nA\r\n", {"--version", "1234567890123456"}, "longer than 15 characters"},
        {"name\r\nA\r\n", {"--version", "1", "--date", "2026-02-30"}, "is not a date"},
        {"name\r\nA\r\n", {}, "usage:"},
    };
    for (const auto& c : cases) {
        test::writeFileBytes(csv, c.csv);
        const ToolRun run = makeRobots(c.options + QStringList{csv, rbd});
        EXPECT_EQ(run.exitCode, 1) << c.error.toStdString();
        EXPECT_TRUE(run.errors.contains(c.error)) << run.errors.toStdString();
        EXPECT_EQ(test::readFileBytes(rbd), QByteArray("the database before"));
    }
}

TEST(MakeRobots, CrawlerListImportAddsWhatTheTableLacksAndKeepsItsRows)
{
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("robots.csv"));
    const QString ai = dir.filePath(QStringLiteral("robots.json"));
    const QString agents = dir.filePath(QStringLiteral("agents.json"));
    const QString rbd = dir.filePath(QStringLiteral("robots.rbd"));
    test::writeFileBytes(csv, "name,exclusion_useragent,purpose,description\r\n"
                              "GPT Bot,GPTBot,AI model training,reviewed\r\n");
    test::writeFileBytes(ai, R"json({"gptbot": {"operator": "x", "respect": "No", "function": "AI Agents",
        "frequency": "", "description": "raw"}, "NewBot": {"operator": "[New](https://new.example)",
        "respect": "Yes", "function": "AI Search Crawlers", "frequency": "", "description": "new"}})json");
    test::writeFileBytes(agents, R"json([{"pattern": "newbot", "instances": [], "description": "d",
        "tags": ["seo"]}, {"pattern": "Feedly", "instances": [], "description": "f", "tags": ["feed-reader"]}])json");
    const QStringList options{QStringLiteral("--version"), QStringLiteral("1"),
                              QStringLiteral("--list"),    ai,
                              QStringLiteral("--list"),    agents};
    ASSERT_EQ(makeRobots(options + QStringList{csv, rbd}).exitCode, 0);
    QStringList rows;
    ASSERT_TRUE(RobotDatabase(rbd).readAll([&](qint32, const char* data) {
        const RobotRecord r = RobotRecord::fromData(data);
        rows << QStringList{r.Robot_exclusion_useragent, r.Robot_purpose, r.Robot_description, r.Modified_by}
                    .join(u'|');
    }));
    EXPECT_EQ(rows, (QStringList{"GPTBot|AI model training|reviewed|Greyfield",
                                 "NewBot|AI search|new|Imported from ai.robots.txt",
                                 "Feedly|feed reader|f|Imported from crawler-user-agents"}));

    const QByteArray before = test::readFileBytes(rbd);
    test::writeFileBytes(agents, "[\"not a list\"]");
    const ToolRun run = makeRobots(options + QStringList{csv, rbd});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errors.contains("neither a list of AI crawlers")) << run.errors.toStdString();
    EXPECT_EQ(test::readFileBytes(rbd), before);
}
