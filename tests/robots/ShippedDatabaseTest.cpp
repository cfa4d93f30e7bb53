// The robot database that the build ships beside the executables, made from data/robots.csv.
#include "robots/RobotCsv.h"
#include "robots/RobotDatabase.h"
#include "robots/RobotPurposes.h"

#include "base/DateSerial.h"
#include "support/TestEnvironment.h"

#include "sf_version.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace sf;

namespace {

QString shippedDatabase()
{
    return test::buildBinDir() + QStringLiteral("/robots.rbd");
}

qsizetype csvRobotRows()
{
    QList<CsvRow> rows;
    const QByteArray csv = test::readFileBytes(test::sourceDir() + QStringLiteral("/data/robots.csv"));
    const Result<void> parsed = parseCsv(QString::fromUtf8(csv), rows);
    EXPECT_TRUE(parsed.ok) << parsed.error.toStdString();
    return rows.size() - 1;
}

} // namespace

TEST(ShippedDatabase, HoldsEveryRowOfTheTableWithItsLicencesBeside)
{
    const RobotDatabase db(shippedDatabase());
    ASSERT_TRUE(db.exists()) << shippedDatabase().toStdString();
    const qsizetype rows = db.count();
    EXPECT_GT(csvRobotRows(), 100);
    EXPECT_GE(rows, 250) << "the table and the crawler lists";
    EXPECT_EQ(QFile(shippedDatabase()).size(), rows * 6552);
    for (const char* licence :
         {"LICENSE.ai.robots.txt", "LICENSE.crawler-user-agents", "LICENSE.well-known-bots"})
        EXPECT_TRUE(QFile::exists(test::buildBinDir() + u'/' + QLatin1String(licence))) << licence;

    int stamped = 0, categorised = 0;
    ASSERT_TRUE(db.readAll([&](qint32, const char* data) {
        const RobotRecord r = RobotRecord::fromData(data);
        stamped += r.RobotVersion == QLatin1String(SF_ROBOT_LIST_VERSION);
        categorised += isRobotCategory(r.Robot_category);
    }));
    EXPECT_EQ(stamped, rows);
    EXPECT_EQ(categorised, rows);
}

TEST(ShippedDatabase, GptBotRowReadsBackFieldForField)
{
    const RobotDatabase db(shippedDatabase());
    qint32 found = 0;
    ASSERT_TRUE(db.readAll([&](qint32 n, const char* data) {
        if (RobotRecord::fromData(data).Robot_exclusion_useragent == u"GPTBot")
            found = n;
    }));
    ASSERT_GT(found, 0);
    RobotRecord r;
    ASSERT_TRUE(db.read(found, r));
    EXPECT_EQ(r.Robot_name, u"GPTBot");
    EXPECT_EQ(r.Robot_cover_url, u"https://openai.com/gptbot");
    EXPECT_EQ(r.Robot_details_url, u"https://developers.openai.com/api/docs/bots");
    EXPECT_EQ(r.Robot_owner_name, u"OpenAI");
    EXPECT_EQ(r.Robot_owner_url, u"https://openai.com");
    EXPECT_EQ(r.Robot_owner_email, u"");
    EXPECT_EQ(r.Robot_status, u"active");
    EXPECT_EQ(r.Robot_purpose, u"AI model training");
    EXPECT_EQ(r.Robot_type, u"crawler");
    EXPECT_EQ(r.Robot_platform, u"");
    EXPECT_EQ(r.Robot_availability, u"");
    EXPECT_EQ(r.Robot_exclusions, kRobotYes);
    EXPECT_EQ(r.Robot_noindex, kRobotNo);
    EXPECT_EQ(r.Robot_nofollow, kRobotNo);
    EXPECT_EQ(r.Robot_host, u"");
    EXPECT_EQ(r.Robot_from, kRobotNo);
    EXPECT_EQ(r.Robot_useragent, u"Mozilla/5.0 AppleWebKit/537.36 (KHTML, like Gecko; compatible; "
                                 u"GPTBot/1.0; +https://openai.com/gptbot)");
    EXPECT_EQ(r.Robot_language, u"");
    EXPECT_EQ(
        r.Robot_description,
        u"OpenAI's crawler for content that may be used to train its generative AI foundation models. "
        u"Disallowing it signals that a site's content should not be used for training; it does not affect "
        u"ChatGPT search.");
    EXPECT_EQ(
        r.Robot_history,
        u"Listed since 2023-08-09; later versions (1.1 to 1.3) seen. IP ranges in openai.com/gptbot.json.");
    EXPECT_EQ(r.Robot_environment, u"commercial service");
    EXPECT_EQ(r.Robot_category, 4) << "None";
    EXPECT_EQ(fromDateSerial(r.Modified_date), QDateTime(QDate(2026, 12, 7), QTime(0, 0)));
    EXPECT_EQ(r.Modified_by, u"Greyfield");
    EXPECT_EQ(r.RobotVersion, QLatin1String(SF_ROBOT_LIST_VERSION));
    EXPECT_EQ(r.Reserved, u"");
}

TEST(ShippedDatabase, EveryRobotHasAPurposeOfTheVocabularyAndTheAiOnesComeFirst)
{
    RobotPurposes purposes;
    ASSERT_TRUE(purposes.load(shippedDatabase()));
    QStringList listed;
    qsizetype robots = 0;
    for (const RobotPurpose& p : purposes.purposes()) {
        listed << p.purpose;
        robots += static_cast<qsizetype>(p.robots.size());
    }
    EXPECT_EQ(robots, RobotDatabase(shippedDatabase()).count());
    for (const QString& purpose : listed)
        EXPECT_TRUE(robotPurposeVocabulary().contains(purpose)) << purpose.toStdString();
    ASSERT_GE(listed.size(), 5);
    EXPECT_EQ(listed.mid(0, 5), robotPurposeVocabulary().mid(0, 5));
    const RobotPurpose* optOut = purposes.find(QStringLiteral("AI opt-out token"));
    ASSERT_NE(optOut, nullptr);
    QStringList tokens;
    for (const PurposeRobot& r : optOut->robots)
        tokens << r.userAgent;
    EXPECT_EQ(tokens, (QStringList{"Google-Extended", "Applebot-Extended"}));
}

TEST(ShippedDatabase, CrawlerListImportOfTheAiListHoldsEachOfItsTokensInOneRecord)
{
    const QByteArray json =
        test::readFileBytes(test::sourceDir() + QStringLiteral("/data/sources/robots.json"));
    const QJsonObject list = QJsonDocument::fromJson(json).object();
    ASSERT_GT(list.size(), 150);
    QHash<QString, int> records;
    QStringList table;
    const qsizetype rows = csvRobotRows();
    ASSERT_TRUE(RobotDatabase(shippedDatabase()).readAll([&](qint32 n, const char* data) {
        const RobotRecord r = RobotRecord::fromData(data);
        ++records[r.Robot_exclusion_useragent.toLower()];
        if (n <= rows)
            table << r.Modified_by;
    }));
    for (auto it = records.cbegin(); it != records.cend(); ++it)
        EXPECT_EQ(it.value(), 1) << "robots sharing a token are one record: " << it.key().toStdString();
    for (const QString& token : list.keys())
        EXPECT_TRUE(records.contains(token.toLower())) << token.toStdString();
    EXPECT_EQ(table.count(QStringLiteral("Greyfield")), rows) << "the reviewed table comes first, as written";
}

// The AI list writes most answers as a link ("[Yes](https://...)"); the reviewed table's answer wins
// where it has the robot.
TEST(ShippedDatabase, RobotsTheListSaysObeyAreStoredAsObeying)
{
    const struct {
        const char* token;
        bool obeys;
    } cases[] = {
        {"atlassian-bot", true}, {"bedrockbot", true},       {"Crawlspace", true},
        {"Google-Agent", true},  {"KlaviyoAIBot", true},     {"omgilibot", true},
        {"panscient.com", true}, {"SemrushBot-OCOB", true},  {"SemrushBot-SWA", true},
        {"ShapBot", true},       {"TerraCotta", true},       {"YandexAdditionalBot", true},
        {"ChatGPT-User", false}, {"Perplexity-User", false}, {"LAIONDownloader", false},
        {"GPTBot", true},
    };
    QHash<QString, bool> obeys;
    ASSERT_TRUE(RobotDatabase(shippedDatabase()).readAll([&](qint32, const char* data) {
        const RobotRecord r = RobotRecord::fromData(data);
        obeys.insert(r.Robot_exclusion_useragent.toLower(), isYes(r.Robot_exclusions));
    }));
    for (const auto& c : cases) {
        const QString token = QString::fromLatin1(c.token).toLower();
        ASSERT_TRUE(obeys.contains(token)) << c.token;
        EXPECT_EQ(obeys.value(token), c.obeys) << c.token;
    }
}
