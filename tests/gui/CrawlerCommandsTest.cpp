// The server's own robots.txt into the grid and back, and the robots of a purpose kept out, through
// the real main window, a real FTP server and the shipped robot database.
#include "gui/ftp/FtpCommands.h"
#include "gui/main/frmBlockByPurpose.h"
#include "gui/main/frmMain.h"
#include "gui/options/frmOption.h"
#include "project/PurposePreset.h"
#include "project/RobotsText.h"
#include "project/RuleGrid.h"
#include "robots/RobotPurposes.h"
#include "robots/RobotRecord.h"
#include "rules/RobotsLint.h"
#include "rules/RobotsTxt.h"
#include "support/FtpServer.h"
#include "support/MainWindowFixture.h"
#include "support/ModalScript.h"
#include "support/NamedChild.h"
#include "support/ScriptedPrompt.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace sf;
using test::FtpServer;
using test::named;
using test::scriptedPrompt;

namespace {

class CrawlerCommandsTest : public testing::Test, protected test::MainWindowFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFile::copy(test::buildBinDir() + "/robots.rbd", programDir.file("robots.rbd")));
        start();
    }
    void TearDown() override { stop(); }

    void connectToServer()
    {
        ASSERT_TRUE(server.start(FtpServer::Kind::Pyftpdlib)) << server.errorString().toStdString();
        typeConnection(server.host(), server.user(), server.password(), QString::number(server.port()));
        named<QAction>(window, "mnuConnect")->trigger();
        ASSERT_TRUE(window->isConnected());
    }

    test::TempProgramDir programDir;
    FtpServer server;
};

QByteArray manyLines()
{
    QByteArray bytes = "User-agent: *\n";
    bytes += "# " + QByteArray(700, 'x') + "\n";
    for (int i = 0; bytes.count('\n') < 5000; ++i)
        bytes += "Disallow: /folder-" + QByteArray::number(i) + "/\n";
    return bytes;
}

} // namespace

TEST_F(CrawlerCommandsTest, ServerFileComesIntoTheGridAndGoesBackByteForByte)
{
    connectToServer();
    struct Case {
        const char* what;
        QByteArray bytes;
        int lines;
        const char* change = "only the text of the file changes."; // how the upload question ends
    } cases[] = {
        {"CR LF", "User-agent: *\r\nDisallow: /private\r\n\r\nUser-agent: GPTBot\r\nDisallow: /\r\n", 5},
        {"LF", "User-agent: *\nAllow: /a\n", 2},
        {"UTF-8 accents", "# R\xC3\xA9gles du caf\xC3\xA9\nUser-agent: *\nDisallow: /\xC3\xA9t\xC3\xA9/\n",
         3},
        {"Windows-1252", "# R\xE8gles \x80\r\nUser-agent: *\r\nDisallow: /\r\n", 3},
        // A reader that keeps the mark reads no user-agent line on the server; the grid's header
        // comment comes between the mark and the rules, so that reader now sees them.
        {"BOM", "\xEF\xBB\xBFUser-agent: *\r\nDisallow: /tmp\r\n", 2,
         "may no longer crawl /tmp in the first-match reading"},
        {"5,000 lines", manyLines(), 5000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        server.writeFile("/robots.txt", c.bytes);
        scriptedPrompt().reset();
        if (window->isModified())
            scriptedPrompt().answerNext(Prompt::Answer::No); // the save question comes first
        named<QAction>(window, "mnuOpenServerRobots")->trigger();
        EXPECT_EQ(window->gridRows().size(), RuleGrid::kHeaderRows + c.lines + 4);
        EXPECT_EQ(scriptedPrompt().pendingAnswers(), 0);
        ASSERT_FALSE(scriptedPrompt().messages().isEmpty());
        const QString report = scriptedPrompt().messages().last();
        EXPECT_TRUE(report.startsWith(QStringLiteral("The %1 line").arg(c.lines))) << report.toStdString();
        EXPECT_EQ(report.contains("Line 2: longer than 617 characters"), c.lines == 5000)
            << report.toStdString();

        if (c.bytes.contains("User-agent: *\r\nDisallow: /\r\n"))
            scriptedPrompt().pressNext("Upload anyway"); // the whole site closed, as the server had it
        // The grid adds its header and footer comments to the server's lines, in the file's own line
        // ends and encoding: the question sees that no robot gains or loses a path (but for the BOM).
        scriptedPrompt().pressNext("Upload");
        named<QAction>(window, "mnuUploadSfp")->trigger();
        EXPECT_EQ(scriptedPrompt().pendingAnswers(), 0);
        const QStringList asked = scriptedPrompt().messages().filter("This upload writes /robots.txt.");
        ASSERT_EQ(asked.size(), 1);
        EXPECT_TRUE(asked.first().endsWith(c.change)) << asked.first().toStdString();
        const RobotsTextFile read = RobotsText::read(c.bytes);
        RobotsTextForm plain = read.form;
        plain.byteOrderMark = false;
        const QStringList grid = window->gridRows();
        const QByteArray expected = (read.form.byteOrderMark ? QByteArray("\xEF\xBB\xBF") : QByteArray()) +
                                    RobotsText::write(grid.mid(0, RuleGrid::kHeaderRows), plain) +
                                    c.bytes.mid(read.form.byteOrderMark ? 3 : 0) +
                                    RobotsText::write(grid.mid(grid.size() - 4), plain);
        EXPECT_EQ(server.readFile("/robots.txt"), expected);
    }
}

TEST_F(CrawlerCommandsTest, ServerFileOutsideTheRootIsSaidSo)
{
    connectToServer();
    server.makeDir("/www");
    server.writeFile("/www/robots.txt", "User-agent: *\n");
    ASSERT_TRUE(window->ftpCommands().session().SetFTPDirectory("/www"));
    scriptedPrompt().answerNext(Prompt::Answer::No);
    named<QAction>(window, "mnuOpenServerRobots")->trigger();
    ASSERT_FALSE(scriptedPrompt().messages().isEmpty());
    EXPECT_TRUE(scriptedPrompt().messages().last().contains("this folder is /www, not \"/\""));
    ASSERT_TRUE(QFile::remove(server.localPath("/www/robots.txt")));
    const QStringList before = window->gridRows();
    scriptedPrompt().answerNext(Prompt::Answer::No);
    named<QAction>(window, "mnuOpenServerRobots")->trigger();
    EXPECT_TRUE(scriptedPrompt().messages().last().startsWith("Could not read robots.txt in /www"));
    EXPECT_EQ(window->gridRows(), before) << "a missing file leaves the grid alone";
}

TEST_F(CrawlerCommandsTest, PurposeDialogBlocksTheRobotsOfThePurposeInOneGroup)
{
    RobotPurposes purposes;
    ASSERT_TRUE(purposes.load(programDir.file("robots.rbd")));
    QStringList training;
    for (const PurposeRobot& robot : purposes.find("AI model training")->robots)
        training << robot.userAgent;

    test::ModalScript script;
    const auto tick = [](const char* purpose) {
        return std::function<void(frmBlockByPurpose&)>([purpose](frmBlockByPurpose& dialog) {
            ASSERT_TRUE(dialog.setPurposeTicked(purpose, true)) << purpose;
            QTest::mouseClick(named<QPushButton>(dialog, "Proceed"), Qt::LeftButton);
        });
    };
    script.next<frmBlockByPurpose>(tick("search engine"));
    scriptedPrompt().answerNext(Prompt::Answer::No);
    const QStringList before = window->gridRows();
    named<QAction>(window, "mnuBlockByPurpose")->trigger();
    ASSERT_FALSE(scriptedPrompt().messages().isEmpty());
    EXPECT_TRUE(scriptedPrompt().messages().last().contains("Googlebot, ")) << "the search robots are named";
    EXPECT_EQ(window->gridRows(), before) << "No blocks nothing";

    script.next<frmBlockByPurpose>(tick("AI model training"));
    named<QAction>(window, "mnuBlockByPurpose")->trigger();
    QStringList others; // the robots left unticked, which no written line may name too
    for (const RobotPurpose& purpose : purposes.purposes())
        for (const PurposeRobot& robot : purpose.robots)
            if (!training.contains(robot.userAgent, Qt::CaseInsensitive))
                others << robot.userAgent;
    QStringList group;
    QStringList written; // what crawlers match, once: robots that read alike share one line
    for (const QString& agent : training) {
        const QString text = RuleGrid::presetAgentText(agent, others);
        const QString token = text.section(u' ', 0, 0).toLower();
        if (text.isEmpty() || written.contains(token))
            continue;
        written << token;
        group << "User-agent: " + text;
    }
    group << "Disallow: /"
          << "";
    EXPECT_EQ(window->gridRows(), RobotsText::gridWithBody(before, group));
    EXPECT_TRUE(window->isModified());
    const rules::RobotsTxt txt(RobotsText::write(window->gridRows(), RobotsTextForm{}));
    // A crawler is checked under the token the reference reads from its name ("AI2Bot" as "AI").
    const auto token = [](const QString& agent) { return rules::agentToken(agent.toLatin1()); };
    for (const QString& agent : training) {
        if (!RuleGrid::presetAgentText(agent, others).isEmpty()) {
            EXPECT_FALSE(txt.check(token(agent), "/").allowed) << agent.toStdString();
        }
    }
    EXPECT_TRUE(scriptedPrompt().messages().last().contains("AI2Bot"))
        << "the robots no line names alone are named in the report";
    int searchRobots = 0;
    for (const RobotPurpose& purpose : purposes.purposes()) {
        for (const PurposeRobot& robot : purpose.robots) {
            if (robot.category != robotCategoryNumber(u"Search"))
                continue;
            ++searchRobots;
            EXPECT_TRUE(txt.check(token(robot.userAgent), "/").allowed) << robot.userAgent.toStdString();
        }
    }
    EXPECT_GT(searchRobots, 20);
    EXPECT_EQ(script.pendingSteps(), 0);
}

TEST_F(CrawlerCommandsTest, SitemapsTypedInTheOptionsBecomeGridLines)
{
    test::ModalScript script;
    script.next<frmOption>([](frmOption& options) {
        QTest::keyClicks(named<QPlainTextEdit>(options, "txtSitemaps"), "https://example.org/sitemap.xml");
        QTest::mouseClick(named<QPushButton>(options, "Proceed"), Qt::LeftButton);
    });
    named<QAction>(window, "mnuOptions")->trigger();
    EXPECT_EQ(window->gridRows(), RobotsText::gridWithBody(RuleGrid::newProjectTemplate(),
                                                           {"Sitemap: https://example.org/sitemap.xml", ""}));
    script.next<frmOption>([](frmOption& options) {
        EXPECT_EQ(named<QPlainTextEdit>(options, "txtSitemaps")->toPlainText(),
                  "https://example.org/sitemap.xml");
    });
    named<QAction>(window, "mnuOptions")->trigger();
}

TEST_F(CrawlerCommandsTest, UploadThatUnblocksWhatTheServerBlockedAsksFirst)
{
    connectToServer();
    server.makeDir("/private");
    const QByteArray serverFile =
        "User-agent: GPTBot\nDisallow: /private/\n\nUser-agent: *\nDisallow: /old.html\n";
    server.writeFile("/robots.txt", serverFile);
    server.writeFile("/old.html", "x");
    named<QAction>(window, "mnuRefresh")->trigger();
    named<QAction>(window, "mnu_allow_all")->trigger();

    scriptedPrompt().reset();
    scriptedPrompt().pressNext("Cancel");
    named<QAction>(window, "mnuUploadSfp")->trigger();
    ASSERT_EQ(scriptedPrompt().messages().size(), 1);
    const auto& shown = scriptedPrompt().shown().first();
    const QString question = shown.text;
    EXPECT_TRUE(question.startsWith("This upload writes /robots.txt.\n\n")) << question.toStdString();
    EXPECT_TRUE(
        question.endsWith("What robots may crawl changes:\nEvery robot without a group of its own (*) may "
                          "now crawl /old.html\nGPTBot may now crawl /private/"))
        << question.toStdString();
    EXPECT_EQ(shown.choice.buttons, QStringList({"Upload", "Cancel"}));
    EXPECT_EQ(shown.choice.defaultButton, 0) << "Upload is the default";
    EXPECT_EQ(server.readFile("/robots.txt"), serverFile) << "Cancel leaves the server's file as it was";

    named<QAction>(window, "mnuCompareServerRobots")->trigger();
    EXPECT_TRUE(scriptedPrompt().messages().last().endsWith("\nGPTBot may now crawl /private/"))
        << "the same changes as the upload question";

    scriptedPrompt().pressNext(""); // Enter
    named<QAction>(window, "mnuUploadSfp")->trigger();
    EXPECT_EQ(server.readFile("/robots.txt"), RobotsText::write(window->gridRows(), RobotsTextForm{}));
    EXPECT_TRUE(
        scriptedPrompt().messages().last().startsWith("robots.txt uploaded to /.\nUpload complete in "));
    scriptedPrompt().reset();
    named<QAction>(window, "mnuUploadSfp")->trigger();
    EXPECT_EQ(scriptedPrompt().messages().size(), 1) << "the same file again: no question, only the result";
}
