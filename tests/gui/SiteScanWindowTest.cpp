// "Scan the site" in the real main window against a real FTP server: progress and cancel while it
// lists, then the tree's marks, the folder counts, the filter, the deciding line, and marks that
// follow the grid without listing again.
#include "gui/main/SiteScanWindow.h"
#include "gui/main/frmMain.h"
#include "project/ProjectState.h"
#include "project/RobotsText.h"
#include "project/RuleGrid.h"
#include "robots/RobotPurposes.h"
#include "rules/RobotsTxt.h"
#include "support/FtpServer.h"
#include "support/MainWindowFixture.h"
#include "support/NamedChild.h"
#include "support/TestEnvironment.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace sf;
using test::named;

namespace {

class SiteScanWindowTest : public testing::Test, protected test::MainWindowFixture {
protected:
    void TearDown() override { stop(); }

    SiteScanWindow* scan()
    {
        named<QAction>(window, "mnuScanSite")->trigger();
        return window->findChild<SiteScanWindow*>(QStringLiteral("SiteScanWindow"));
    }
    // A scan run to its end.
    SiteScanWindow* scanned()
    {
        SiteScanWindow* found = scan();
        if (found && !QTest::qWaitFor([&] { return !found->isScanning(); }, 30000))
            return nullptr;
        return found;
    }
    static QModelIndex row(QAbstractItemModel* model, const QString& name)
    {
        for (int r = 0; r < model->rowCount(); ++r)
            if (model->index(r, 0).data().toString() == name)
                return model->index(r, 0);
        return {};
    }
};

} // namespace

TEST_F(SiteScanWindowTest, CancelsMidScanThenMarksTheTreeByTheGrid)
{
    test::FtpServer server;
    server.setExtraArguments({"--listing-delay", "0.05"});
    ASSERT_TRUE(server.start(test::FtpServer::Kind::Pyftpdlib)) << server.errorString().toStdString();
    for (int i = 0; i < 30; ++i) {
        server.makeDir(QString("/site/f%1").arg(i));
        server.writeFile(QString("/site/f%1/page.html").arg(i), "x");
    }
    server.makeDir("/site/drafts");
    server.writeFile("/site/drafts/a.html", "x");
    server.writeFile("/site/drafts/b.html", "x");
    frmMain& w = start();
    named<QAction>(&w, "mnuNewProject")->trigger();
    typeConnection(server.host(), server.user(), server.password(), QString::number(server.port()));
    shared::projectHeader.uploadDirectory = "/site";
    QStringList rows = w.gridRows();
    rows.insert(5, "User-agent: GPTBot");
    rows.insert(6, "Disallow: /drafts/");
    w.setGridRows(rows);

    // Cancelled while it lists: it stops, says so, and shows what it had.
    SiteScanWindow* first = scan();
    ASSERT_NE(first, nullptr);
    auto* progress = named<QLabel>(first, "progressLabel");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !progress->text().startsWith("Folders done: 0,"); }, 20000));
    QTest::mouseClick(named<QPushButton>(first, "cancelButton"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !first->isScanning(); }, 20000));
    EXPECT_TRUE(named<QLabel>(first, "outcomeLabel")->text().startsWith("Cancelled"))
        << named<QLabel>(first, "outcomeLabel")->text().toStdString();
    auto* tree = named<QTreeView>(first, "treeView");
    EXPECT_EQ(tree->model()->rowCount(), 31) << "the site folder's own listing";
    first->close();
    QTest::qWait(0);

    // The whole scan: GPTBot is kept out of /drafts/ and nowhere else.
    SiteScanWindow* second = scan();
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !second->isScanning(); }, 30000))
        << named<QLabel>(second, "progressLabel")->text().toStdString() << (second == first);
    EXPECT_TRUE(named<QLabel>(second, "outcomeLabel")->text().startsWith("Complete: 63 entries"));
    EXPECT_EQ(named<QComboBox>(second, "robotBox")->currentText(), "GPTBot");
    tree = named<QTreeView>(second, "treeView");
    QAbstractItemModel* model = tree->model();
    const QModelIndex drafts = row(model, "drafts/");
    ASSERT_TRUE(drafts.isValid());
    EXPECT_EQ(drafts.siblingAtColumn(1).data().toString(), "blocked");
    EXPECT_EQ(row(model, "f3/").siblingAtColumn(1).data().toString(), "allowed");
    tree->setCurrentIndex(drafts);
    EXPECT_EQ(named<QLabel>(second, "countLabel")->text(), "/drafts/: 2 files, 2 blocked for GPTBot");
    EXPECT_TRUE(named<QLabel>(second, "lineLabel")->text().endsWith("line 7, Disallow: /drafts/"))
        << named<QLabel>(second, "lineLabel")->text().toStdString();

    named<QCheckBox>(second, "fetchableBox")->setChecked(true);
    EXPECT_FALSE(row(model, "drafts/").isValid());
    EXPECT_EQ(model->rowCount(), 30);
    named<QCheckBox>(second, "fetchableBox")->setChecked(false);

    // The grid changes: the marks follow, without another listing.
    rows.removeAt(6);
    w.setGridRows(rows);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return row(model, "drafts/").siblingAtColumn(1).data().toString() == "allowed"; }, 5000));
    EXPECT_FALSE(second->isScanning());
    const QPointer<SiteScanWindow> done = second;
    second->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.isNull(); }, 5000));

    // Closed while it scans: the window goes at once, and the rest once its connection has closed.
    const QPointer<SiteScanWindow> third = scan();
    ASSERT_FALSE(third.isNull());
    ASSERT_TRUE(third->isScanning());
    third->close();
    EXPECT_FALSE(third->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return third.isNull(); }, 20000));
}

// Without a site folder the scan lists the login folder, whatever folder the remote list shows, and
// takes its paths as the server's, as the remote list's marks do: both say the same of an entry.
TEST_F(SiteScanWindowTest, WithoutASiteFolderTheLoginFolderIsScannedAndMarkedAsTheMainWindowMarks)
{
    test::FtpServer server;
    ASSERT_TRUE(server.start(test::FtpServer::Kind::Pyftpdlib)) << server.errorString().toStdString();
    server.makeDir("/docs/sub");
    for (const char* file : {"/index.html", "/docs/private.html", "/docs/public.html", "/docs/sub/x.html"})
        server.writeFile(file, "x");
    frmMain& w = start();
    named<QAction>(&w, "mnuNewProject")->trigger();
    typeConnection(server.host(), server.user(), server.password(), QString::number(server.port()));
    w.setGridRows(
        RobotsText::gridWithBody(RuleGrid::newProjectTemplate(),
                                 {"User-agent: *", "Disallow: /docs/private.html", "Disallow: /sub/"}));
    named<QAction>(&w, "mnuConnect")->trigger();
    ASSERT_TRUE(w.isConnected());
    ASSERT_TRUE(shared::projectHeader.siteFolder().isEmpty());
    auto* lv = named<QTreeWidget>(&w, "lv");
    const auto listed = [&](const QString& name) -> QTreeWidgetItem* {
        const auto found = lv->findItems(name, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.first();
    };
    ASSERT_NE(listed("docs"), nullptr);
    emit lv->itemDoubleClicked(listed("docs"), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return listed("private.html") != nullptr; }, 10000));

    SiteScanWindow* scan = scanned();
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->windowTitle(), "Scan the site: the login folder");
    QAbstractItemModel* model = named<QTreeView>(scan, "treeView")->model();
    const QModelIndex docs = row(model, "docs/");
    ASSERT_TRUE(docs.isValid()) << "the login folder, not the folder shown";
    ASSERT_TRUE(row(model, "index.html").isValid());
    // Each entry the remote list shows: marked by the scan as the remote list marks it.
    for (const char* name : {"private.html", "public.html", "sub"}) {
        SCOPED_TRACE(name);
        const bool folder = QString(name) == "sub";
        QModelIndex entry;
        for (int r = 0; r < model->rowCount(docs); ++r)
            if (model->index(r, 0, docs).data().toString() == QString(name) + (folder ? "/" : ""))
                entry = model->index(r, 0, docs);
        ASSERT_TRUE(entry.isValid());
        const bool blockedInList = !listed(name)->toolTip(0).isEmpty();
        EXPECT_EQ(blockedInList, QString(name) == "private.html");
        EXPECT_EQ(entry.siblingAtColumn(1).data().toString(), blockedInList ? "blocked" : "allowed");
        named<QTreeView>(scan, "treeView")->setCurrentIndex(entry);
        EXPECT_TRUE(named<QLabel>(scan, "lineLabel")
                        ->text()
                        .startsWith(QString("/docs/%1%2 ").arg(name, folder ? "/" : "")))
            << named<QLabel>(scan, "lineLabel")->text().toStdString();
    }
}

// The chooser offers every purpose of the database, also one of more than 255 robots, and marks the
// tree for all its robots at once, again after the grid changes.
TEST_F(SiteScanWindowTest, ChooserOffersEveryPurposeAndMarksForAllItsRobots)
{
    test::TempProgramDir programDir;
    ASSERT_TRUE(QFile::copy(test::buildBinDir() + "/robots.rbd", programDir.file("robots.rbd")));
    RobotPurposes purposes;
    ASSERT_TRUE(purposes.load(programDir.file("robots.rbd")));
    const RobotPurpose* seo = purposes.find("SEO tool");
    ASSERT_NE(seo, nullptr);
    QSet<QByteArray> tokens;
    for (const PurposeRobot& robot : seo->robots)
        tokens.insert(rules::crawlerToken(robot.userAgent.toUtf8()).toLower());
    ASSERT_TRUE(tokens.contains("ahrefsbot"));
    ASSERT_GT(tokens.size(), 255);
    const QString many = QString::number(tokens.size());

    test::FtpServer server;
    ASSERT_TRUE(server.start(test::FtpServer::Kind::Pyftpdlib)) << server.errorString().toStdString();
    server.makeDir("/site/drafts");
    server.writeFile("/site/drafts/a.html", "x");
    server.writeFile("/site/page.html", "x");
    frmMain& w = start();
    named<QAction>(&w, "mnuNewProject")->trigger();
    typeConnection(server.host(), server.user(), server.password(), QString::number(server.port()));
    shared::projectHeader.uploadDirectory = "/site";
    QStringList body{"User-agent: AhrefsBot", "Disallow: /drafts/"};
    w.setGridRows(RobotsText::gridWithBody(RuleGrid::newProjectTemplate(), body));
    SiteScanWindow* scan = scanned();
    ASSERT_NE(scan, nullptr);
    auto* robotBox = named<QComboBox>(scan, "robotBox");
    for (const RobotPurpose& purpose : purposes.purposes())
        EXPECT_GE(robotBox->findText("Every robot of: " + purpose.purpose), 0)
            << purpose.purpose.toStdString();
    robotBox->setCurrentIndex(robotBox->findText("Every robot of: SEO tool"));
    QAbstractItemModel* model = named<QTreeView>(scan, "treeView")->model();
    EXPECT_EQ(row(model, "drafts/").siblingAtColumn(1).data().toString(), "blocked for 1 of " + many);
    EXPECT_EQ(row(model, "page.html").siblingAtColumn(1).data().toString(), "allowed");
    EXPECT_EQ(named<QLabel>(scan, "countLabel")->text(), "/: 2 files, 0 blocked for every robot of SEO tool");

    // Every crawler kept out of /drafts/ too: the marks follow the grid for all the robots.
    body << ""
         << "User-agent: *"
         << "Disallow: /drafts/";
    w.setGridRows(RobotsText::gridWithBody(RuleGrid::newProjectTemplate(), body));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return row(model, "drafts/").siblingAtColumn(1).data().toString() == "blocked"; }, 5000));
    EXPECT_EQ(named<QLabel>(scan, "countLabel")->text(), "/: 2 files, 1 blocked for every robot of SEO tool");
}
