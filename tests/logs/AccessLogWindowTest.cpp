#include "AccessLogSamples.h"
#include "gui/logs/frmReadLogs.h"
#include "support/NamedChild.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace sf;

// The window reads the sample log with the shipped robots off its own thread, lists the worst
// offenders first with their refused URLs and the unknown robots below, and hands the chosen robots'
// tokens to "Block in robots.txt" and "Enforce at the web server…".
TEST(AccessLogWindow, ReadsLogsOffTheWindowThreadListsOffendersAndHandsOnChosenTokens)
{
    QTemporaryDir dir;
    test::writeFile(dir.filePath("access.log"), test::auditSampleLog());
    frmReadLogs window(test::kAuditRobotsTxt, QStringLiteral(SF_BUILD_BIN_DIR "/robots.rbd"));
    window.show();
    auto* read = test::named<QPushButton>(&window, "readButton");
    auto* block = test::named<QPushButton>(&window, "blockButton");
    EXPECT_FALSE(read->isEnabled());
    window.addLogs({dir.filePath("access.log")});
    QTest::mouseClick(read, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.report().has_value(); }, 30000));
    auto* table = test::named<QTreeWidget>(&window, "robotTable");
    const QStringList expected{
        "Googlebot",           "GPTBot", "Bytespider", "Googlebot-Image", "unknown:MyGooglebotClone",
        "unknown:WeirdCrawler"};
    QStringList shown;
    for (int i = 0; i < table->topLevelItemCount(); ++i)
        shown << table->topLevelItem(i)->text(0);
    EXPECT_EQ(shown, expected);
    const QTreeWidgetItem* gpt = table->topLevelItem(1);
    EXPECT_EQ(QStringList({gpt->text(2), gpt->text(3), gpt->text(4)}), QStringList({"3", "2", "1"}));
    ASSERT_EQ(gpt->childCount(), 2);
    EXPECT_EQ(gpt->child(1)->text(0), "/a?b=1");
    EXPECT_EQ(test::named<QLabel>(&window, "visitorsLabel")->text(),
              "Visitors: 3 requests. 3 lines were no request and were skipped.");
    EXPECT_FALSE(block->isEnabled());
    table->topLevelItem(1)->setSelected(true);
    table->topLevelItem(5)->setSelected(true);
    QSignalSpy blocked(&window, &frmReadLogs::blockRequested),
        enforced(&window, &frmReadLogs::enforceRequested);
    QTest::mouseClick(block, Qt::LeftButton);
    QTest::mouseClick(test::named<QPushButton>(&window, "enforceButton"), Qt::LeftButton);
    ASSERT_EQ(blocked.size(), 1);
    EXPECT_EQ(blocked[0][0].toStringList(), QStringList({"GPTBot", "WeirdCrawler"}));
    ASSERT_EQ(enforced.size(), 1);
    EXPECT_EQ(enforced[0][0].toStringList(), QStringList({"GPTBot", "WeirdCrawler"}));
}
