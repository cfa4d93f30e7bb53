// "Scan the site" in the real main window against a real FTP server: progress and cancel while it
// lists, then the tree's marks, the folder counts, the filter, the deciding line, and marks that
// follow the grid without listing again.
#include "gui/main/SiteScanWindow.h"
#include "gui/main/frmMain.h"
#include "project/ProjectState.h"
#include "support/FtpServer.h"
#include "support/MainWindowFixture.h"
#include "support/NamedChild.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

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
