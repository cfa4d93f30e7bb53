// What the window publishes and how a keyboard drives it: the purpose preset checked with the
// evaluator and the lint, the check before an upload, the grid read from the server, and the keys of
// the remote list and the grid, through the real main window, a real FTP server and the shipped
// robot database.
#include "base/SettingsStore.h"
#include "gui/main/frmBlockByPurpose.h"
#include "gui/main/frmMain.h"
#include "project/PurposePreset.h"
#include "project/RobotsText.h"
#include "project/RuleGrid.h"
#include "robots/RobotPurposes.h"
#include "rules/RobotsLint.h"
#include "rules/RobotsTxt.h"
#include "support/FtpServer.h"
#include "support/MainWindowFixture.h"
#include "support/ModalScript.h"
#include "support/NamedChild.h"
#include "support/ScriptedPrompt.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace sf;
using test::FtpServer;
using test::named;
using test::scriptedPrompt;

namespace {

class PublishTest : public testing::Test, protected test::MainWindowFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFile::copy(test::buildBinDir() + "/robots.rbd", programDir.file("robots.rbd")));
        start();
    }
    void TearDown() override { stop(); }

    void connectToServer(bool startServer = true)
    {
        if (startServer) {
            ASSERT_TRUE(server.start(FtpServer::Kind::Pyftpdlib)) << server.errorString().toStdString();
        }
        typeConnection(server.host(), server.user(), server.password(), QString::number(server.port()));
        named<QAction>(window, "mnuConnect")->trigger();
        ASSERT_TRUE(window->isConnected());
    }
    QString folderText() const { return named<QLabel>(window, "StatusPanel1")->text(); }
    QStringList listed() const
    {
        QStringList names;
        auto* lv = named<QTreeWidget>(window, "lv");
        for (int i = 0; i < lv->topLevelItemCount(); ++i)
            names << lv->topLevelItem(i)->text(0);
        return names;
    }
    void setBody(const QStringList& body)
    {
        window->setGridRows(RobotsText::gridWithBody(RuleGrid::newProjectTemplate(), body));
    }

    test::TempProgramDir programDir;
    FtpServer server;
};

QByteArray token(const QString& agent)
{
    return rules::agentToken(agent.toUtf8());
}

} // namespace

// Every Content-Signal choice: search crawlers and "*" stay allowed, every ticked AI crawler is
// blocked (the one that had a group too, and the one that shared a group with an unticked robot),
// and nothing the preset writes is marked by the lint.
TEST_F(PublishTest, PurposePresetBlocksEveryChosenRobotAndKeepsSearchOpen)
{
    RobotPurposes purposes;
    ASSERT_TRUE(purposes.load(programDir.file("robots.rbd")));
    QStringList training;
    for (const PurposeRobot& robot : purposes.find("AI model training")->robots)
        training << robot.userAgent;
    ASSERT_TRUE(training.contains("GPTBot") && training.contains("ClaudeBot") &&
                training.contains("Linguee Bot"));
    QStringList others; // the unticked robots, which no written line may name
    for (const RobotPurpose& purpose : purposes.purposes())
        for (const PurposeRobot& robot : purpose.robots)
            if (!training.contains(robot.userAgent, Qt::CaseInsensitive))
                others << robot.userAgent;
    const QStringList body{"User-agent: GPTBot", "Disallow: /private.html", "", "User-agent: ClaudeBot",
                           "User-agent: FooBot", "Disallow: /tmp/",         ""};
    struct Case {
        const char* what;
        int search, aiInput, aiTrain; // 0 not stated, 1 yes, 2 no
        bool comment, replace;
        const char* signal;
    } cases[] = {
        {"no signal", 0, 0, 0, false, true, nullptr},
        {"ai-train=no", 0, 0, 2, false, true, "Content-Signal: ai-train=no"},
        {"all three, with the policy's text", 1, 2, 2, true, true,
         "Content-Signal: search=yes, ai-input=no, ai-train=no"},
        {"groups left as they are", 1, 0, 0, false, false, "Content-Signal: search=yes"},
    };
    test::ModalScript script;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setBody(body);
        QString listing;
        script.next<frmBlockByPurpose>([&](frmBlockByPurpose& dialog) {
            ASSERT_TRUE(dialog.setPurposeTicked("AI model training", true));
            const char* combos[] = {"cboSignalSearch", "cboSignalAiInput", "cboSignalAiTrain"};
            const int choices[] = {c.search, c.aiInput, c.aiTrain};
            for (int i = 0; i < 3; ++i)
                named<QComboBox>(dialog, combos[i])->setCurrentIndex(choices[i]);
            named<QCheckBox>(dialog, "chkSignalComment")->setChecked(c.comment);
            named<QCheckBox>(dialog, "chkReplaceGroups")->setChecked(c.replace);
            listing = named<QLabel>(dialog, "lblExistingGroups")->text();
            QTest::mouseClick(named<QPushButton>(dialog, "Proceed"), Qt::LeftButton);
        });
        scriptedPrompt().reset();
        named<QAction>(window, "mnuBlockByPurpose")->trigger();
        const QString fate = c.replace ? "its rules will be replaced by Disallow: /" : "it is left as it is";
        EXPECT_EQ(listing,
                  "GPTBot has a group already: " + fate + "\nClaudeBot has a group already: " + fate);

        const QStringList& rows = window->gridRows();
        const QByteArray text = RobotsText::write(rows, RobotsTextForm{});
        const rules::RobotsTxt txt(text);
        for (const char* open : {"Googlebot", "*", "bingbot"})
            EXPECT_TRUE(txt.check(open, "/index.html").allowed) << open;
        EXPECT_FALSE(txt.check("FooBot", "/tmp/a").allowed) << "the unticked robot keeps its rule";
        EXPECT_TRUE(txt.check("FooBot", "/index.html").allowed);
        for (const QString& agent : training) {
            if (RuleGrid::presetAgentText(agent, others).isEmpty())
                continue; // no line names it alone: the preset says so and writes none
            const bool kept = !c.replace && (agent == "GPTBot" || agent == "ClaudeBot");
            EXPECT_EQ(txt.check(token(agent), "/").allowed, kept) << agent.toStdString();
        }
        EXPECT_TRUE(rows.contains("User-agent: Linguee # Linguee Bot"));
        for (const rules::LintProblem& problem : rules::lint(text))
            ADD_FAILURE() << problem.line << ": " << problem.text.toStdString();
        const auto at = rows.indexOf(c.signal ? c.signal : "no line");
        EXPECT_EQ(at >= 0, c.signal != nullptr);
        if (at >= 0) {
            EXPECT_EQ(rows.value(at + 1), "Allow: /") << "the group of \"*\" has a rule of its own";
            EXPECT_EQ(rows.value(at + 2), "");
        }
    }
    EXPECT_EQ(script.pendingSteps(), 0);
}

// An upload that keeps search engines out of the site stops first (Cancel by default) unless the
// user chose "Disallow all Robots"; then the change question (Upload by default), which a setting
// turns off; the success names the folder.
TEST_F(PublishTest, UploadGuardStopsWhenSearchEnginesAreShutOutThenAsksWhatChanges)
{
    connectToServer();
    const QByteArray serverFile = "User-agent: *\nDisallow: /old/\n";
    const QStringList runOn{
        "User-agent: *", "Content-Signal: ai-train=no", "", "User-agent: ClaudeBot", "Disallow: /", ""};
    struct Case {
        const char* what;
        QStringList body;      // empty: "Disallow all Robots"
        const char* stopPress; // nullptr: no stop expected
        bool uploaded;
    } cases[] = {
        {"run-on group, Enter", runOn, "", false},
        {"run-on group, Upload anyway", runOn, "Upload anyway", true},
        {"Googlebot alone shut out", {"User-agent: Googlebot", "Disallow: /", ""}, "Cancel", false},
        {"Disallow all Robots", {}, nullptr, true},
        {"only AI crawlers blocked", {"User-agent: ClaudeBot", "Disallow: /", ""}, nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        server.writeFile("/robots.txt", serverFile);
        if (c.body.isEmpty())
            named<QAction>(window, "mnu_disallow_all")->trigger();
        else
            setBody(c.body);
        scriptedPrompt().reset();
        if (c.stopPress)
            scriptedPrompt().pressNext(c.stopPress);
        if (c.uploaded)
            scriptedPrompt().pressNext(""); // the change question, with Enter
        named<QAction>(window, "mnuUploadSfp")->trigger();
        EXPECT_EQ(scriptedPrompt().pendingAnswers(), 0);
        const auto& shown = scriptedPrompt().shown();
        ASSERT_FALSE(shown.isEmpty());
        if (c.stopPress) {
            EXPECT_EQ(shown.first().choice.buttons, QStringList({"Upload anyway", "Cancel"}));
            EXPECT_EQ(shown.first().choice.defaultButton, 1) << "Cancel is the default";
            const int line = static_cast<int>(window->gridRows().indexOf("Disallow: /")) + 1;
            const QString why =
                QStringLiteral("Googlebot: line %1, \"Disallow: /\", in the group of ").arg(line);
            EXPECT_TRUE(shown.first().text.contains(why)) << shown.first().text.toStdString();
        }
        EXPECT_EQ(server.readFile("/robots.txt") != serverFile, c.uploaded);
        if (c.uploaded) {
            EXPECT_TRUE(shown.at(shown.size() - 2).text.startsWith("This upload writes /robots.txt.\n\n"));
            EXPECT_TRUE(shown.last().text.startsWith("robots.txt uploaded to /.\nUpload complete in "))
                << shown.last().text.toStdString();
        }
    }
    SettingsStore::saveFlag(SettingsStore::SkipUploadQuestion, true);
    server.writeFile("/robots.txt", serverFile);
    scriptedPrompt().reset();
    named<QAction>(window, "mnuUploadSfp")->trigger();
    EXPECT_EQ(scriptedPrompt().messages().size(), 1) << "no change question: only where the file went";
    EXPECT_NE(server.readFile("/robots.txt"), serverFile);
}

// "Open the server's robots.txt": the window says whose lines the grid holds, the project is marked
// modified, the save question names the project, and a failed read says why.
TEST_F(PublishTest, UploadGuardOpenedServerFileIsSaidAndTheSaveQuestionNamesTheProject)
{
    connectToServer();
    scriptedPrompt().chooseFileNext(programDir.file("site.sfp"));
    named<QAction>(window, "mnuSaveAs")->trigger();
    ASSERT_FALSE(window->isModified());
    auto* note = named<QLabel>(window, "lblGridSource");
    EXPECT_TRUE(note->isHidden());
    server.writeFile("/robots.txt", "User-agent: *\nDisallow: /x\n");
    named<QAction>(window, "mnuOpenServerRobots")->trigger();
    EXPECT_TRUE(window->isModified());
    EXPECT_FALSE(note->isHidden());
    EXPECT_EQ(
        note->text(),
        "The grid holds the server's robots.txt from /. Saving writes it into the project \"site.sfp\".");

    ASSERT_TRUE(QFile::remove(server.localPath("/robots.txt")));
    scriptedPrompt().reset();
    scriptedPrompt().answerNext(Prompt::Answer::No);
    named<QAction>(window, "mnuOpenServerRobots")->trigger();
    ASSERT_EQ(scriptedPrompt().messages().size(), 2);
    EXPECT_EQ(
        scriptedPrompt().messages().first(),
        "Do you want to save the changes you made to the Robot ?\n\nThe grid holds the server's robots.txt "
        "from /: Yes saves it into the project \"site.sfp\".");
    const QString failure = scriptedPrompt().messages().last();
    EXPECT_TRUE(failure.startsWith("Could not read robots.txt in /: ")) << failure.toStdString();
    EXPECT_GT(failure.size(), QString("Could not read robots.txt in /: ").size() + 3) << "a reason follows";

    scriptedPrompt().answerNext(Prompt::Answer::No);
    named<QAction>(window, "mnuNewProject")->trigger();
    EXPECT_TRUE(note->isHidden());
}

// Enter opens a folder of the remote list and Backspace goes up; the list is sorted by name with
// folders first; Tab leaves the grid and follows the screen; Add rule selects its line and adds no
// duplicate; every menu entry has an accelerator letter.
TEST_F(PublishTest, UploadGuardKeyboardDrivesTheListTheGridAndTheMenus)
{
    ASSERT_TRUE(server.start(FtpServer::Kind::Pyftpdlib)) << server.errorString().toStdString();
    for (const char* folder : {"/b-folder", "/A-folder", "/b-folder/inner"})
        server.makeDir(folder);
    for (const char* file : {"/c.txt", "/B.txt", "/a.txt"})
        server.writeFile(file, "x");
    connectToServer(false);
    const QStringList made{"..", "A-folder", "b-folder", "a.txt", "B.txt", "c.txt"};
    QStringList names = listed();
    names.removeIf([&](const QString& n) { return !made.contains(n); });
    EXPECT_EQ(names, made) << "the up row, folders, then files, each by name";

    auto* lv = named<QTreeWidget>(window, "lv");
    lv->setCurrentItem(lv->findItems("b-folder", Qt::MatchExactly).first());
    QTest::keyClick(lv, Qt::Key_Return);
    EXPECT_EQ(folderText(), "Folder: /b-folder");
    EXPECT_EQ(listed(), QStringList({"..", "inner"}));
    QTest::keyClick(lv, Qt::Key_Backspace);
    EXPECT_EQ(folderText(), "Folder: /");
    lv->setCurrentItem(lv->findItems("c.txt", Qt::MatchExactly).first());
    QTest::keyClick(lv, Qt::Key_Enter);
    EXPECT_EQ(folderText(), "Folder: /") << "a file is not entered";

    auto* grid = named<QTableView>(window, "robotGrid");
    QTest::mouseClick(named<QToolButton>(window, "AddRobot"), Qt::LeftButton);
    const QStringList rows = window->gridRows();
    ASSERT_EQ(grid->currentIndex().row(), rows.indexOf("Disallow: /c.txt"));
    grid->setCurrentIndex(grid->model()->index(0, 0));
    scriptedPrompt().reset();
    QTest::mouseClick(named<QToolButton>(window, "AddRobot"), Qt::LeftButton);
    EXPECT_EQ(window->gridRows(), rows) << "a rule that is there already adds nothing";
    EXPECT_EQ(grid->currentIndex().row(), rows.indexOf("Disallow: /c.txt"));
    ASSERT_EQ(scriptedPrompt().messages().size(), 1);
    EXPECT_TRUE(scriptedPrompt().messages().first().contains("already")) << "and says so";

    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    lv->setFocus();
    const char* order[] = {"cboRuleKind", "AddRobot", "robotGrid", "RemoveRobot", "UploadButton"};
    for (const char* next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_TRUE(QApplication::focusWidget());
        EXPECT_EQ(QApplication::focusWidget()->objectName(), next);
    }

    for (QAction* menu : window->menuBar()->actions()) {
        for (QAction* entry : menu->menu()->actions()) {
            if (!entry->isSeparator()) {
                EXPECT_TRUE(entry->text().contains(u'&')) << entry->objectName().toStdString();
            }
        }
    }
}
