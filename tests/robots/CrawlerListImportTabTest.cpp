// "Import crawler list..." and the import from a web address on the robot list tab, against the
// test web server on loopback.
#include "RobotWindowFixture.h"
#include "base/SharedState.h"

#include "support/HttpServer.h"
#include "support/NamedChild.h"
#include "support/ScriptedPrompt.h"
#include "support/TestEnvironment.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using sf::test::named;
using sf::test::scriptedPrompt;

using namespace sf;
using test::RobotWindowTest;

namespace {

// A list as crawler-user-agents writes it: a new crawler, one the user has (agent-1, whose mark is
// the user's), a pattern that is no token, and a library.
QByteArray agentList(int padding = 0)
{
    return R"json([
        {"pattern": "ExampleBot\\/", "url": "https://example.org/bot", "instances": ["ExampleBot/1.0"],
         "description": ")json" +
           QByteArray(padding, 'x') + R"json(", "tags": ["seo"]},
        {"pattern": "agent-1", "instances": ["agent-1/2.0"], "description": "", "tags": ["search-engine"]},
        {"pattern": "Odd(Bot|Crawler)", "instances": ["OddBot"], "description": "", "tags": ["seo"]},
        {"pattern": "^curl", "instances": ["curl/8"], "description": "", "tags": ["http-library"]}
    ])json";
}

const QString kReport = QStringLiteral("1 new robot, 0 updated, 1 kept as you edited them, 1 skipped: not a "
                                       "valid token, 1 skipped: not a crawler.");

int listedRobots(RobotListTab& tab)
{
    return named<QTreeView>(tab, "ListView1")->model()->rowCount();
}

} // namespace

TEST_F(RobotWindowTest, CrawlerListImportFromAFileMergesReportsAndRefreshesTheChooser)
{
    writeDatabase(2);
    const QString good = dir.file(QStringLiteral("crawlers.json"));
    const QString bad = dir.file(QStringLiteral("other.json"));
    test::writeFileBytes(good, agentList());
    test::writeFileBytes(bad, R"({"robots": ["a", "b"]})");
    const struct {
        QString file;
        QString message;
        int robots;
    } cases[] = {
        {bad, QStringLiteral("neither a list of AI crawlers"), 2},
        {good, kReport, 3},
    };
    for (const auto& c : cases) {
        const QByteArray before = databaseBytes();
        openRobotList([&](frmOption&, RobotListTab& tab) {
            scriptedPrompt().chooseFileNext(c.file);
            QTest::mouseClick(named<QPushButton>(tab, "Import_List"), Qt::LeftButton);
            ASSERT_FALSE(scriptedPrompt().messages().isEmpty());
            EXPECT_TRUE(scriptedPrompt().messages().last().contains(c.message))
                << scriptedPrompt().messages().last().toStdString();
            EXPECT_EQ(listedRobots(tab), c.robots);
        });
        EXPECT_EQ(named<QComboBox>(*window, "robotList")->count(), c.robots + 1) << "All and the robots";
        if (c.robots == 2) {
            EXPECT_EQ(databaseBytes(), before);
        }
    }
    RobotRecord added;
    ASSERT_TRUE(RobotDatabase(databasePath()).read(3, added));
    EXPECT_EQ(added.Robot_exclusion_useragent, "ExampleBot");
    EXPECT_EQ(added.Robot_purpose, "SEO tool");
    EXPECT_EQ(added.RobotVersion, "v2") << "the robot-list version in use";
}

TEST_F(RobotWindowTest, CrawlerListImportFromTheWebShowsProgressAndCanBeCancelled)
{
    test::HttpServer server;
    ASSERT_TRUE(server.isRunning());
    writeDatabase(2);
    server.putFile(QStringLiteral("crawlers.json"), agentList(60000));
    const QString url = server.baseUrl() + QStringLiteral("/files/crawlers.json");
    const struct {
        const char* fault; // "" for none
        bool cancel;
        QString message;
        int robots;
    } cases[] = {
        {"status", false, QStringLiteral("status 404"), 2},
        {"slow", true, QStringLiteral("The download was cancelled."), 2},
        {"", false, kReport, 3},
    };
    for (const auto& c : cases) {
        server.clearRules();
        if (QByteArray(c.fault) == "status")
            server.answerStatus(QStringLiteral("/files/crawlers.json"), 404);
        if (QByteArray(c.fault) == "slow")
            server.slow(QStringLiteral("/files/crawlers.json"), 4000);
        const QByteArray before = databaseBytes();
        openRobotList([&](frmOption& options, RobotListTab& tab) {
            named<QLineEdit>(tab, "txtListUrl")->setText(url);
            // While the list arrives: the bar shows, Cancel and only Cancel can be pressed.
            bool sawProgress = false;
            QTimer watch;
            QObject::connect(&watch, &QTimer::timeout, [&] {
                auto* cancel = named<QPushButton>(tab, "Cancel_Import");
                if (!cancel->isEnabled() || named<QProgressBar>(tab, "ImportProgress")->format() == "%p%")
                    return;
                sawProgress = !named<QProgressBar>(tab, "ImportProgress")->isHidden() &&
                              !named<QPushButton>(tab, "Import_Web")->isEnabled() &&
                              !named<QPushButton>(options, "Proceed")->isEnabled();
                if (c.cancel)
                    QTest::mouseClick(cancel, Qt::LeftButton);
                watch.stop();
            });
            watch.start(10);
            QTest::mouseClick(named<QPushButton>(tab, "Import_Web"), Qt::LeftButton);
            if (c.cancel) {
                EXPECT_TRUE(sawProgress);
            }
            ASSERT_FALSE(scriptedPrompt().messages().isEmpty());
            EXPECT_TRUE(scriptedPrompt().messages().last().contains(c.message))
                << scriptedPrompt().messages().last().toStdString();
            EXPECT_EQ(listedRobots(tab), c.robots);
            EXPECT_FALSE(named<QPushButton>(tab, "Cancel_Import")->isEnabled());
            EXPECT_TRUE(named<QPushButton>(tab, "Import_Web")->isEnabled());
        });
        if (c.robots == 2) {
            EXPECT_EQ(databaseBytes(), before) << c.fault;
        }
    }
    EXPECT_TRUE(server.requests().contains("GET /files/crawlers.json"));
    openRobotList([&](frmOption&, RobotListTab& tab) {
        EXPECT_EQ(named<QLineEdit>(tab, "txtListUrl")->text(), url) << "the address is remembered";
    });
}
