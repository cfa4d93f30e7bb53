#include "AccessLogSamples.h"
#include "gui/ftp/FtpCommands.h"
#include "gui/logs/frmPickServerLogs.h"
#include "gui/logs/frmReadLogs.h"
#include "project/RuleGrid.h"
#include "robots/RobotDatabase.h"
#include "support/FtpServer.h"
#include "support/MainWindowFixture.h"
#include "support/ModalScript.h"
#include "support/NamedChild.h"
#include "support/ScriptedPrompt.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>
#include <zlib.h>

using namespace sf;

namespace {

// Every row of the window's table, its refused URLs included, as the user reads them.
QStringList tableTexts(const frmReadLogs& window)
{
    QStringList texts{test::named<QLabel>(&window, "visitorsLabel")->text()};
    const auto* table = test::named<QTreeWidget>(&window, "robotTable");
    for (int i = 0; i < table->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = table->topLevelItem(i);
        for (int column = 0; column < table->columnCount(); ++column)
            texts << row->text(column);
        for (int child = 0; child < row->childCount(); ++child)
            texts << row->child(child)->text(0);
    }
    return texts;
}

QByteArray gzipped(const QByteArray& bytes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("log.gz");
    gzFile file = gzopen(QFile::encodeName(path).constData(), "wb");
    EXPECT_NE(file, nullptr);
    EXPECT_EQ(gzwrite(file, bytes.constData(), static_cast<unsigned>(bytes.size())), bytes.size());
    EXPECT_EQ(gzclose(file), Z_OK);
    QFile read(path);
    EXPECT_TRUE(read.open(QIODevice::ReadOnly));
    return read.readAll();
}

void openRow(QListWidget* list, const QString& name)
{
    const QList<QListWidgetItem*> rows = list->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(rows.size(), 1) << name.toStdString();
    list->scrollToItem(rows.first());
    QCoreApplication::processEvents(); // lay the fresh rows out before aiming at one
    const QPoint at = list->visualItemRect(rows.first()).center();
    // A double-click is a click followed by a second press that the view reads as double.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

void chooseRows(QListWidget* list, const QStringList& names)
{
    for (const QString& name : names) {
        const QList<QListWidgetItem*> rows = list->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(rows.size(), 1) << name.toStdString();
        rows.first()->setSelected(true);
    }
}

} // namespace

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

// "Add files on the server…" says so when the main window is not connected; connected, it browses the
// server's folders in the picker (into /logs, up and in again), downloads the chosen plain and gzip
// logs, says which one could not be downloaded, and reads the others: the table is the one the same
// files give when read from this computer. The main window is left in the folder it showed.
TEST(AccessLogWindow, PicksLogsOnTheServerOverTheMainWindowsSessionAndReadsThemAsLocalFiles)
{
    test::FtpServer server;
    ASSERT_TRUE(server.start(test::FtpServer::Kind::Pyftpdlib)) << server.errorString().toStdString();
    const QByteArray older =
        test::logLine("/private/a", "Mozilla/5.0 (compatible; GPTBot/1.0)", "09/Oct/2026:08:00:00 +0200") +
        test::logLine("/robots.txt", "Googlebot/2.1", "09/Oct/2026:08:01:00 +0200") + "not a request\n";
    server.makeDir("/logs");
    server.writeFile("/logs/access.log", test::auditSampleLog());
    server.writeFile("/logs/access.log.1.gz", gzipped(older));
    server.writeFile("/logs/gone.log", test::logLine("/", "Googlebot/2.1"));
    test::MainWindowFixture main;
    frmMain& w = main.start();
    // The robots the program ships, where the program reads them.
    const Result<QString> database = RobotDatabase::writablePath();
    ASSERT_TRUE(database);
    QFile::remove(database.value());
    ASSERT_TRUE(QFile::copy(SF_BUILD_BIN_DIR "/robots.rbd", database.value()));
    test::named<QAction>(w, "mnuReadLogs")->trigger();
    auto* window = w.findChild<frmReadLogs*>();
    ASSERT_NE(window, nullptr);
    auto* addServer = test::named<QPushButton>(window, "addServerButton");
    ASSERT_TRUE(addServer->isEnabled());
    QTest::mouseClick(addServer, Qt::LeftButton);
    ASSERT_EQ(test::scriptedPrompt().messages().size(), 1);
    EXPECT_TRUE(test::scriptedPrompt().messages().first().startsWith("Not connected to the server"));

    main.typeConnection(server.host(), server.user(), server.password(), QString::number(server.port()));
    test::named<QAction>(w, "mnuConnect")->trigger();
    ASSERT_TRUE(w.isConnected());
    test::ModalScript script;
    script.next<frmPickServerLogs>([&](frmPickServerLogs& picker) {
        auto* list = test::named<QListWidget>(&picker, "serverFileList");
        auto* folder = test::named<QLabel>(&picker, "folderLabel");
        openRow(list, "logs");
        EXPECT_EQ(folder->text(), "Folder: /logs");
        openRow(list, "..");
        EXPECT_EQ(folder->text(), "Folder: /");
        openRow(list, "logs");
        chooseRows(list, {"access.log", "access.log.1.gz", "gone.log"});
        QFile::remove(server.localPath("/logs/gone.log")); // gone between the listing and the download
        QTest::mouseClick(test::named<QPushButton>(&picker, "Proceed"), Qt::LeftButton);
    });
    QTest::mouseClick(addServer, Qt::LeftButton);
    ASSERT_EQ(test::scriptedPrompt().messages().size(), 2);
    EXPECT_TRUE(test::scriptedPrompt().messages().last().contains("/logs/gone.log"))
        << test::scriptedPrompt().messages().last().toStdString();
    EXPECT_EQ(w.ftpCommands().remoteDirectory(), "/");
    auto* logList = test::named<QListWidget>(window, "logList");
    ASSERT_EQ(logList->count(), 2);
    QTest::mouseClick(test::named<QPushButton>(window, "readButton"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->report().has_value(); }, 30000))
        << test::scriptedPrompt().messages().join(u'\n').toStdString();

    QTemporaryDir dir;
    test::writeFile(dir.filePath("access.log"), test::auditSampleLog());
    test::writeFile(dir.filePath("access.log.1.gz"), gzipped(older));
    frmReadLogs local(RuleGrid::exportTextLf(w.gridRows()), RobotDatabase::defaultPath());
    local.addLogs({dir.filePath("access.log"), dir.filePath("access.log.1.gz")});
    local.startReading();
    ASSERT_TRUE(QTest::qWaitFor([&] { return local.report().has_value(); }, 30000));
    EXPECT_EQ(window->report()->lines, local.report()->lines);
    EXPECT_GT(window->report()->lines, test::auditSampleLog().count('\n'));
    EXPECT_EQ(tableTexts(*window), tableTexts(local));
    window->close();
}
