// File > "Published versions…" in the real main window against a real FTP server: uploads recorded,
// the list, a version's text and difference, a restore through the upload's question and stop, and
// an upload whose record cannot be written.
#include "gui/history/PublishHistoryWindow.h"
#include "gui/ftp/FtpCommands.h"
#include "gui/main/frmMain.h"
#include "history/PublishHistory.h"
#include "project/RobotsText.h"
#include "project/RuleGrid.h"
#include "support/FtpServer.h"
#include "support/MainWindowFixture.h"
#include "support/NamedChild.h"
#include "support/ScriptedPrompt.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace sf;
using test::named;
using test::scriptedPrompt;

namespace {

class PublishHistoryWindowTest : public testing::Test, protected test::MainWindowFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start(test::FtpServer::Kind::Pyftpdlib)) << server.errorString().toStdString();
        start();
    }
    void TearDown() override { stop(); }

    QStringList grid(const QStringList& body) const
    {
        return RobotsText::gridWithBody(RuleGrid::newProjectTemplate(), body);
    }
    // The grid uploaded from the toolbar, its change question answered with Upload.
    void upload(const QStringList& rows, const QStringList& presses = {"Upload"})
    {
        window->setGridRows(rows);
        for (const QString& press : presses)
            scriptedPrompt().pressNext(press);
        named<QAction>(window, "Toolbar3Button4")->trigger();
    }
    PublishHistoryWindow* openVersions()
    {
        named<QAction>(window, "mnuPublishedVersions")->trigger();
        return window->findChild<PublishHistoryWindow*>();
    }
    QStringList column(QTreeWidget* list, int c) const
    {
        QStringList texts;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            texts << list->topLevelItem(i)->text(c);
        return texts;
    }

    test::FtpServer server;
};

} // namespace

TEST_F(PublishHistoryWindowTest, UploadsAreListedComparedAndRestored)
{
    const QByteArray original = "User-agent: *\r\nDisallow:\r\n";
    server.writeFile("/robots.txt", original);
    typeConnection(server.host(), server.user(), server.password(), QString::number(server.port()));
    named<QAction>(window, "mnuConnect")->trigger();
    ASSERT_TRUE(window->isConnected());
    const QStringList first = grid({"User-agent: GPTBot", "Disallow: /private/"});
    const QStringList second = grid({"User-agent: GPTBot", "Disallow: /private/", "Disallow: /drafts/"});
    const QStringList closed = grid({"User-agent: *", "Disallow: /"});
    upload(first);
    upload(second);
    upload(closed, {"Upload anyway", "Upload"});
    ASSERT_EQ(server.readFile("/robots.txt"), RobotsText::write(closed, RobotsTextForm{}));

    auto* menu = named<QMenu>(window, "mnuFile");
    EXPECT_TRUE(menu->actions().contains(named<QAction>(window, "mnuPublishedVersions")));
    EXPECT_EQ(named<QAction>(window, "mnuPublishedVersions")->text(), "Published &versions\u2026");
    PublishHistoryWindow* versions = openVersions();
    ASSERT_TRUE(versions);
    auto* list = named<QTreeWidget>(versions, "versionList");
    EXPECT_EQ(column(list, 1),
              (QStringList{"Robots without a group of their own may no longer crawl /, and 3 more changes",
                           "GPTBot may no longer crawl /drafts/", "GPTBot may no longer crawl /private/",
                           "The file the server held before the first publish kept."}));
    list->setCurrentItem(list->topLevelItem(3));
    EXPECT_EQ(named<QPlainTextEdit>(versions, "versionText")->toPlainText().remove(u'\r'),
              "User-agent: *\nDisallow:\n");
    named<QComboBox>(versions, "compareBox")->setCurrentIndex(2); // the first publish
    const QString difference = named<QPlainTextEdit>(versions, "differenceText")->toPlainText();
    for (const char* said : {"+ 1: User-agent: *", "GPTBot: /private/ becomes allowed"})
        EXPECT_TRUE(difference.contains(said)) << difference.toStdString();

    // The file before the first publish put back, asked about as an upload is; a closed version put
    // back meets the upload's stop, and Cancel keeps the server's file.
    scriptedPrompt().pressNext("Upload");
    QTest::mouseClick(named<QPushButton>(versions, "restoreButton"), Qt::LeftButton);
    EXPECT_EQ(server.readFile("/robots.txt"), original);
    EXPECT_EQ(list->topLevelItemCount(), 5);
    EXPECT_EQ(list->topLevelItem(0)->text(1), "Robots without a group of their own may now crawl /");
    list->setCurrentItem(list->topLevelItem(1));
    scriptedPrompt().pressNext("Cancel");
    QTest::mouseClick(named<QPushButton>(versions, "restoreButton"), Qt::LeftButton);
    EXPECT_TRUE(scriptedPrompt().shown().last().text.startsWith("This robots.txt keeps search engines out"));
    EXPECT_EQ(server.readFile("/robots.txt"), original);
    EXPECT_EQ(list->topLevelItemCount(), 5);
    versions->close();

    // A record that cannot be written: the upload is made all the same, and the status bar says so.
    const QString root = history::historyRoot();
    ASSERT_TRUE(QDir().rename(root, root + ".kept"));
    test::writeFileBytes(root, "a file where the folder goes");
    upload(first);
    EXPECT_EQ(server.readFile("/robots.txt"), RobotsText::write(first, RobotsTextForm{}));
    EXPECT_TRUE(named<QLabel>(window, "StatusPanel1")
                    ->text()
                    .startsWith("robots.txt was published, but not kept in its published versions:"))
        << named<QLabel>(window, "StatusPanel1")->text().toStdString();
}
