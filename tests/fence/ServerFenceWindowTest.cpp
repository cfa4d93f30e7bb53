// "Enforce at the web server…" in the real main window: pyftpdlib writes into the document root that
// Apache httpd serves. The robot the database says does not obey robots.txt is ticked at first, a
// second one is ticked by hand, the rules follow the ticks and the server kind, and "Publish
// .htaccess" puts them on the site and proves them: the robots refused exactly as robots.txt says,
// the browser and the search engines unchanged.
#include "fence/ServerRules.h"
#include "gui/fence/FenceWindow.h"
#include "gui/main/SiteScanWindow.h"
#include "gui/main/frmMain.h"
#include "project/ProjectState.h"
#include "support/FtpServer.h"
#include "support/MainWindowFixture.h"
#include "support/NamedChild.h"
#include "support/ScriptedPrompt.h"
#include "support/TestEnvironment.h"
#include "support/WebServer.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace sf;
using test::named;

namespace {

class ServerFenceWindowTest : public testing::Test, protected test::MainWindowFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFile::copy(test::buildBinDir() + "/robots.rbd", programDir.file("robots.rbd")));
    }
    void TearDown() override { stop(); }

    test::TempProgramDir programDir;
};

void openToServers(const QString& path)
{
    for (QString p = path; p.size() > 1 && p.startsWith(QDir::tempPath()); p = QFileInfo(p).path())
        QFile::setPermissions(p, QFile::permissions(p) | QFile::ReadOther | QFile::ExeOther);
}

QTreeWidgetItem* robotRow(QTreeWidget* list, const QString& token)
{
    const auto found = list->findItems(token, Qt::MatchFixedString);
    return found.isEmpty() ? nullptr : found.first();
}

// The proof table's row of a visitor, its cells; empty when there is none.
QStringList proofRow(QTableWidget* table, const QString& visitor)
{
    for (int r = 0; r < table->rowCount(); ++r) {
        if (table->item(r, 0)->text() != visitor)
            continue;
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c)
            cells << table->item(r, c)->text();
        return cells;
    }
    return {};
}

} // namespace

TEST_F(ServerFenceWindowTest, PublishesTheTickedRobotsRulesAndProvesThemOnTheLiveSite)
{
    test::FtpServer ftpServer;
    ASSERT_TRUE(ftpServer.start(test::FtpServer::Kind::Pyftpdlib)) << ftpServer.errorString().toStdString();
    ftpServer.makeDir("/site/private");
    ftpServer.writeFile("/site/index.html", "front\n");
    ftpServer.writeFile("/site/private/a.html", "secret\n");
    const QByteArray handWritten = "Options -Indexes\n";
    ftpServer.writeFile("/site/.htaccess", handWritten);
    const QString root = ftpServer.localPath("/site");
    openToServers(root);
    test::WebServer web(test::WebServer::Kind::Apache);
    ASSERT_TRUE(web.start(root)) << web.errorString().toStdString();

    frmMain& w = start();
    named<QAction>(&w, "mnuNewProject")->trigger();
    typeConnection(ftpServer.host(), ftpServer.user(), ftpServer.password(),
                   QString::number(ftpServer.port()));
    shared::projectHeader.uploadDirectory = "/site";
    shared::projectHeader.siteAddress = web.baseUrl();
    QStringList rows = w.gridRows();
    rows.insert(5, "User-agent: Bytespider");
    rows.insert(6, "Disallow: /private/");
    rows.insert(7, "User-agent: FenceBot");
    rows.insert(8, "Disallow: /index.html");
    w.setGridRows(rows);
    test::scriptedPrompt().reset();
    named<QAction>(&w, "mnuConnect")->trigger();
    ASSERT_TRUE(w.isConnected());

    // A scan of the site first: its pages join the proof's sample (.htaccess, which Apache refuses
    // everyone, is no page).
    named<QAction>(&w, "mnuScanSite")->trigger();
    auto* scan = w.findChild<SiteScanWindow*>("SiteScanWindow");
    ASSERT_NE(scan, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !scan->isScanning(); }, 30000));
    scan->close();

    named<QAction>(&w, "mnuEnforceAtServer")->trigger();
    auto* fenceWindow = w.findChild<FenceWindow*>("FenceWindow");
    ASSERT_NE(fenceWindow, nullptr);
    ASSERT_TRUE(fenceWindow->isVisible());
    auto* list = named<QTreeWidget>(fenceWindow, "robotList");
    auto* rulesText = named<QPlainTextEdit>(fenceWindow, "rulesText");
    ASSERT_NE(robotRow(list, "Bytespider"), nullptr);
    ASSERT_NE(robotRow(list, "FenceBot"), nullptr);
    EXPECT_EQ(robotRow(list, "Bytespider")->checkState(0), Qt::Checked) << "the database: it does not obey";
    EXPECT_EQ(robotRow(list, "FenceBot")->checkState(0), Qt::Unchecked) << "not in the database";
    EXPECT_TRUE(rulesText->toPlainText().contains("Bytespider"));
    EXPECT_FALSE(rulesText->toPlainText().contains("FenceBot"));

    // The rules follow the tick and the server kind; nothing is written yet.
    robotRow(list, "FenceBot")->setCheckState(0, Qt::Checked);
    auto* kind = named<QComboBox>(fenceWindow, "serverKind");
    kind->setCurrentIndex(kind->findText("nginx"));
    EXPECT_TRUE(rulesText->toPlainText().contains(fence::kNginxVariable));
    EXPECT_FALSE(named<QPushButton>(fenceWindow, "publishButton")->isVisible());
    kind->setCurrentIndex(kind->findText("Apache"));
    const QString shown = rulesText->toPlainText();
    EXPECT_TRUE(shown.startsWith(fence::kBlockBegin)) << shown.toStdString();
    EXPECT_TRUE(shown.contains("Bytespider") && shown.contains("FenceBot"));
    EXPECT_EQ(ftpServer.readFile("/site/.htaccess"), handWritten);

    QTest::mouseClick(named<QPushButton>(fenceWindow, "publishButton"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fenceWindow->isBusy(); }, 60000));
    for (const auto& message : test::scriptedPrompt().shown())
        ADD_FAILURE() << "unexpected message: " << message.text.toStdString();
    const QByteArray published = ftpServer.readFile("/site/.htaccess");
    EXPECT_TRUE(published.startsWith(handWritten));
    EXPECT_TRUE(published.contains(shown.toUtf8()));
    EXPECT_EQ(test::rawHttpStatus(web.port(), "/private/a.html", "FenceBot/1.0"), 200) << "its own group";
    EXPECT_EQ(test::rawHttpStatus(web.port(), "/index.html", "FenceBot/1.0"), 403);

    auto* table = named<QTableWidget>(fenceWindow, "proofTable");
    for (const QString& robot : {QString("Bytespider"), QString("FenceBot")}) {
        const QStringList cells = proofRow(table, robot);
        ASSERT_EQ(cells.size(), 4) << robot.toStdString();
        // "/", "/robots.txt", the rules' "/private/" and "/index.html", the scan's "/private/a.html".
        EXPECT_EQ(cells[1], "5") << robot.toStdString();
        EXPECT_EQ(cells[2], QString("%1 of %1").arg(cells[1])) << robot.toStdString();
        EXPECT_EQ(cells[3], "none") << robot.toStdString();
    }
    const QStringList browser = proofRow(table, "browser");
    ASSERT_EQ(browser.size(), 4);
    EXPECT_EQ(browser[2], QString("unchanged: %1 of %1").arg(browser[1]));
    EXPECT_EQ(proofRow(table, "Googlebot").value(2), QString("unchanged: %1 of %1").arg(browser[1]))
        << "a search engine of the database";
    EXPECT_EQ(test::scriptedPrompt().pendingAnswers(), 0);

    // Opened again after an edit of the grid, the same window makes its rules from the grid as it is.
    rows = w.gridRows();
    rows.insert(rows.indexOf("Disallow: /private/") + 1, "Disallow: /drafts/");
    w.setGridRows(rows);
    named<QAction>(&w, "mnuEnforceAtServer")->trigger();
    EXPECT_EQ(w.findChildren<FenceWindow*>().size(), 1);
    EXPECT_TRUE(rulesText->toPlainText().contains("/drafts/")) << rulesText->toPlainText().toStdString();

    // Without a site folder, a folder below the login folder is asked about first; No sends nothing.
    shared::projectHeader.uploadDirectory.clear();
    ASSERT_EQ(w.remoteDirectory(), "/site");
    test::scriptedPrompt().answerNext(Prompt::Answer::No);
    QTest::mouseClick(named<QPushButton>(fenceWindow, "publishButton"), Qt::LeftButton);
    EXPECT_EQ(test::scriptedPrompt().messages().last(),
              "No site folder is set: .htaccess would go to /site, and the web server applies it only to "
              "requests below that folder. Publish to /site anyway?");
    EXPECT_FALSE(fenceWindow->isBusy());
    EXPECT_EQ(ftpServer.readFile("/site/.htaccess"), published);
}
