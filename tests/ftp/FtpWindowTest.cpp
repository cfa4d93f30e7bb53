// The main window's FTP side as a user drives it, against real servers: connect, browse, add rules,
// upload, and the failures a user meets.
#include "base/SettingsStore.h"
#include "base/SharedState.h"
#include "gui/ftp/FtpCommands.h"
#include "gui/ftp/RemoteBrowser.h"
#include "gui/main/RobotChooser.h"
#include "gui/main/frmMain.h"
#include "project/ProjectFile.h"
#include "project/ProjectState.h"
#include "project/RuleGrid.h"
#include "robots/RobotDatabase.h"
#include "support/FtpServer.h"
#include "support/MainWindowFixture.h"
#include "support/NamedChild.h"
#include "support/ScriptedPrompt.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using sf::test::named;

using namespace sf;
using test::FtpServer;
using test::scriptedPrompt;

namespace {

class FtpWindowTest : public testing::TestWithParam<FtpServer::Kind>, protected test::MainWindowFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start(GetParam())) << server.errorString().toStdString();
        // The writable folder holds a sub-folder with a file, an empty folder and a name with spaces.
        const QString base = server.writableDir() == "/" ? QString() : server.writableDir();
        server.makeDir(base + "/docs");
        server.makeDir(base + "/empty");
        server.writeFile(base + "/docs/private.html", QByteArray(2049, 'p'));
        server.writeFile(base + "/my page.html", "x");
        start();
    }

    void TearDown() override { stop(); } // the window goes before its server

    void typeConnection(const QString& port)
    {
        frmMain& w = *window;
        for (QLineEdit* field : {named<QLineEdit>(w, "txtServer"), named<QLineEdit>(w, "txtUser"),
                                 named<QLineEdit>(w, "txtPassword"), named<QLineEdit>(w, "txtPort")})
            field->clear();
        QTest::keyClicks(named<QLineEdit>(w, "txtServer"), server.host());
        QTest::keyClicks(named<QLineEdit>(w, "txtUser"), server.user());
        QTest::keyClicks(named<QLineEdit>(w, "txtPassword"), server.password());
        QTest::keyClicks(named<QLineEdit>(w, "txtPort"), port);
    }

    void connectAndEnterWritableDir(bool passive)
    {
        passive ? window->ftpCommands().optPassive_Click() : window->ftpCommands().optActive_Click();
        typeConnection(QString::number(server.port()));
        named<QAction>(window, "Toolbar4Button1")->trigger();
        ASSERT_TRUE(window->isConnected())
            << window->ftpCommands().session().GetLastErrorMessage().toStdString();
        if (server.writableDir() != "/") {
            ASSERT_TRUE(doubleClick(server.writableDir().mid(1)));
        }
    }

    // Robots.txt goes into the folder shown, below the login's: the question about it is answered Yes.
    void acceptUploadFolder()
    {
        if (folderText() != "Folder: /")
            scriptedPrompt().answerNext(Prompt::Answer::Yes);
    }
    // The question of what an upload of the grid into the folder shown changes, answered Upload
    // when the server's robots.txt there differs from the grid's (none at first).
    void answerUploadQuestion(const QString& folder)
    {
        const QString path = folder + "/robots.txt";
        if (!QFile::exists(server.localPath(path)) ||
            server.readFile(path) != RuleGrid::exportText(window->gridRows()))
            scriptedPrompt().pressNext("Upload");
    }
    // The change question that was asked, or an empty text.
    static QString uploadQuestion()
    {
        return scriptedPrompt().messages().filter(QRegularExpression("^This upload writes ")).value(0);
    }
    // What the upload told, without those questions.
    static QStringList told()
    {
        QStringList texts = scriptedPrompt().messages();
        texts.removeIf([](const QString& t) {
            return t.startsWith("Crawlers read robots.txt only at the top") ||
                   t.startsWith("This upload writes ");
        });
        return texts;
    }

    QTreeWidgetItem* row(const QString& name) const
    {
        const auto found = named<QTreeWidget>(window, "lv")->findItems(name, Qt::MatchExactly, 0);
        return found.isEmpty() ? nullptr : found.first();
    }

    bool doubleClick(const QString& name)
    {
        QTreeWidgetItem* item = row(name);
        if (!item)
            return false;
        named<QTreeWidget>(window, "lv")->setCurrentItem(item);
        named<QTreeWidget>(window, "lv")->scrollToItem(item);
        QCoreApplication::processEvents(); // lay the fresh rows out before aiming at one
        const QRect rect = named<QTreeWidget>(window, "lv")->visualItemRect(item);
        if (rect.isEmpty())
            return false;
        // A double-click is a click followed by a second press that the view reads as double.
        QTest::mouseClick(named<QTreeWidget>(window, "lv")->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(named<QTreeWidget>(window, "lv")->viewport(), Qt::LeftButton, {}, rect.center());
        return true;
    }

    QStringList names() const
    {
        QStringList list;
        for (int i = 0; i < named<QTreeWidget>(window, "lv")->topLevelItemCount(); ++i)
            list << named<QTreeWidget>(window, "lv")->topLevelItem(i)->text(0);
        return list;
    }

    QString folderText() const { return named<QLabel>(window, "StatusPanel1")->text(); }

    // Runs the command from inside the next data transfer (once the server's 150 reply has come), as a
    // user's click runs between the chunks of a transfer. Returns whether it ran.
    std::shared_ptr<bool> duringTransfer(std::function<void()> command)
    {
        auto ran = std::make_shared<bool>(false);
        auto* timer = new QTimer(window.get());
        timer->setInterval(0);
        QObject::connect(timer, &QTimer::timeout, timer, [this, timer, ran, command] {
            const cFTP& session = window->ftpCommands().session();
            const QStringList replies = session.LastServerReplies();
            if (!session.IsBusy() || replies.filter(QRegularExpression("^1(50|25)")).isEmpty())
                return;
            timer->stop();
            timer->deleteLater();
            *ran = true;
            command();
        });
        timer->start();
        return ran;
    }

    // A folder whose listing takes many chunks to arrive.
    void fillRoot(int files)
    {
        for (int i = 0; i < files; ++i)
            test::writeFileBytes(server.localPath(QStringLiteral("/page-%1.html").arg(i)), "x");
    }

    // The window as the connected state or the disconnected one shows it, with nothing said.
    void expectDisconnectedQuietly()
    {
        EXPECT_FALSE(window->isConnected());
        EXPECT_FALSE(window->ftpCommands().session().IsConnected());
        EXPECT_FALSE(named<QTreeWidget>(window, "lv")->isEnabled());
        EXPECT_EQ(named<QTreeWidget>(window, "lv")->topLevelItemCount(), 0);
        for (const char* action : {"mnuUploadSfp", "mnuRefresh", "mnuDisconnect"})
            EXPECT_FALSE(named<QAction>(window, action)->isEnabled()) << action;
        EXPECT_EQ(scriptedPrompt().messages(), QStringList());
    }

    FtpServer server;
    test::TempProgramDir programDir;
};

} // namespace

TEST_P(FtpWindowTest, ConnectBrowseAndNavigateInBothModes)
{
    for (bool passive : {false, true}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        connectAndEnterWritableDir(passive);
        EXPECT_EQ(window->ftpCommands().session().IsConnectionPassive(), passive);
        const QString base = server.writableDir() == "/" ? QString() : server.writableDir();
        EXPECT_EQ(folderText(), "Folder: " + (base.isEmpty() ? "/" : base));
        const QStringList listed = names();
        ASSERT_GE(listed.size(), 4);
        EXPECT_EQ(listed.first(), "..");
        EXPECT_EQ(named<QTreeWidget>(window, "lv")->currentItem(),
                  named<QTreeWidget>(window, "lv")->topLevelItem(0));
        EXPECT_LT(listed.indexOf("docs"), listed.indexOf("my page.html")) << "folders before files";
        EXPECT_LT(listed.indexOf("empty"), listed.indexOf("my page.html"));
        EXPECT_EQ(row("..")->text(1), "Up");
        EXPECT_EQ(row("docs")->text(1), "File Folder");
        EXPECT_EQ(row("docs")->text(4).at(2), u'd');
        EXPECT_EQ(row("docs")->text(5), "a");
        EXPECT_EQ(row("my page.html")->text(1), "1KB");
        EXPECT_EQ(row("my page.html")->text(5), "b");
        EXPECT_EQ(row("my page.html")->text(2).size(), 10); // yyyy-mm-dd
        EXPECT_EQ(row("my page.html")->text(3).size(), 5);  // hh:mm
        // A picture for each kind of row, and sizes right-aligned.
        const QIcon pictures[] = {row("..")->icon(0), row("docs")->icon(0), row("my page.html")->icon(0)};
        EXPECT_FALSE(pictures[1].isNull());
        EXPECT_EQ(
            (QSet<qint64>{pictures[0].cacheKey(), pictures[1].cacheKey(), pictures[2].cacheKey()}.size()), 3);
        EXPECT_EQ(row("my page.html")->textAlignment(1), Qt::AlignRight | Qt::AlignVCenter);

        ASSERT_TRUE(doubleClick("docs"));
        EXPECT_EQ(folderText(), "Folder: " + base + "/docs");
        EXPECT_EQ(names(), (QStringList{"..", "private.html"}));
        EXPECT_EQ(row("private.html")->text(1), "3KB") << "2049 bytes are 3 kilobytes, rounded up";
        EXPECT_EQ(row("private.html")->icon(0).cacheKey(), pictures[2].cacheKey());
        ASSERT_TRUE(doubleClick("private.html")); // a file cannot be entered: the same folder again
        EXPECT_EQ(folderText(), "Folder: " + base + "/docs");
        ASSERT_TRUE(doubleClick(".."));
        EXPECT_EQ(folderText(), "Folder: " + (base.isEmpty() ? "/" : base));
        ASSERT_TRUE(doubleClick("empty"));
        EXPECT_EQ(names(), QStringList{".."});

        named<QAction>(window, "Toolbar2Button1")->trigger();
        EXPECT_FALSE(window->isConnected());
        EXPECT_EQ(named<QTreeWidget>(window, "lv")->topLevelItemCount(), 0);
        EXPECT_FALSE(named<QTreeWidget>(window, "lv")->isEnabled());
        EXPECT_FALSE(named<QToolButton>(window, "UploadButton")->isEnabled());
    }
    EXPECT_TRUE(scriptedPrompt().messages().isEmpty());
}

TEST_P(FtpWindowTest, UploadsTheGridAsRobotsTxtInBinaryAndAscii)
{
    const QByteArray crlf = RuleGrid::exportText(window->gridRows());
    ASSERT_TRUE(crlf.startsWith(QByteArray(51, '#') + "\r\n"));
    const QString base = server.writableDir() == "/" ? QString() : server.writableDir();
    // ASCII first: the binary upload then meets the file with the server's own line ends, which the
    // question must not take for a change of the rules.
    for (bool binary : {false, true}) {
        SCOPED_TRACE(binary ? "binary" : "ascii");
        binary ? window->ftpCommands().optBin_Click() : window->ftpCommands().optAscii_Click();
        connectAndEnterWritableDir(true);
        test::writeFileBytes(programDir.file("temp.txt"), "left over");
        scriptedPrompt().reset();
        acceptUploadFolder();
        const QByteArray held = QFile::exists(server.localPath(base + "/robots.txt"))
                                    ? server.readFile(base + "/robots.txt")
                                    : QByteArray();
        answerUploadQuestion(base);
        named<QToolButton>(window, "UploadButton")->click();
        EXPECT_EQ(scriptedPrompt().pendingAnswers(), 0);
        if (held.isEmpty()) {
            EXPECT_TRUE(uploadQuestion().contains("No robots.txt could be read there"))
                << uploadQuestion().toStdString();
        } else if (held != crlf) {
            EXPECT_TRUE(uploadQuestion().endsWith("only the text of the file changes."))
                << uploadQuestion().toStdString();
        }
        ASSERT_EQ(told().size(), 1);
        EXPECT_TRUE(
            QRegularExpression("^robots.txt uploaded to .+\\.\nUpload complete in \\d+\\.\\d\\d "
                               "seconds\\.\nrobots.txt was uploaded "
                               "under a temporary name and then renamed, so it was never half-written "
                               "on the server\\. The server holds all \\d+ bytes sent\\.$")
                .match(told().first())
                .hasMatch())
            << told().first().toStdString();
        EXPECT_TRUE(QDir(server.localPath(server.writableDir()))
                        .entryList({"*.part"}, QDir::Files | QDir::Hidden)
                        .isEmpty())
            << "no temporary file is left on the server";
        const QByteArray stored = server.readFile(base + "/robots.txt");
        if (binary) {
            EXPECT_EQ(stored, crlf);
        } else {
            // One line end per row, never CR CR LF: the server stores text with its own line ends.
            EXPECT_FALSE(stored.contains("\r\r"));
            QByteArray normalised = stored;
            normalised.replace("\r\n", "\n");
            EXPECT_EQ(normalised, RuleGrid::exportTextLf(window->gridRows()));
        }
        EXPECT_TRUE(row("robots.txt")) << "the list is read again after the upload";
        EXPECT_FALSE(QFile::exists(programDir.file("temp.txt")));
        window->DisconnectFtp();
    }
}

TEST_P(FtpWindowTest, WrongPasswordAndUnreachablePortAreReported)
{
    typeConnection(QString::number(server.port()));
    named<QLineEdit>(window, "txtPassword")->setText("wrong");
    if (GetParam() == FtpServer::Kind::Vsftpd)
        named<QLineEdit>(window, "txtUser")->setText("nobody-here");
    named<QAction>(window, "mnuConnect")->trigger();
    EXPECT_FALSE(window->isConnected());
    ASSERT_EQ(scriptedPrompt().messages().size(), 1);
    EXPECT_TRUE(scriptedPrompt().messages().first().startsWith("530"))
        << scriptedPrompt().messages().first().toStdString();
    EXPECT_FALSE(named<QTreeWidget>(window, "lv")->isEnabled());
    EXPECT_FALSE(named<QAction>(window, "mnuUploadSfp")->isEnabled());

    // Connected, then a failed connect: the old connection is gone, and so is the connected state.
    connectAndEnterWritableDir(true);
    scriptedPrompt().reset();
    server.stop();
    named<QLineEdit>(window, "txtPort")->setText("1");
    named<QAction>(window, "mnuConnect")->trigger();
    EXPECT_FALSE(window->isConnected());
    EXPECT_FALSE(named<QToolButton>(window, "AddRobot")->isEnabled());
    ASSERT_EQ(scriptedPrompt().messages().size(), 1);
    EXPECT_FALSE(scriptedPrompt().messages().first().isEmpty());
}

TEST_P(FtpWindowTest, ComposesAndPublishesARobotsTxtFromEndToEnd)
{
    RobotDatabase db(programDir.file("robots.rbd"));
    RobotRecord bot;
    bot.Robot_name = "Example Bot";
    bot.Robot_exclusion_useragent = "examplebot";
    bot.Robot_category = 6;
    ASSERT_TRUE(db.write(1, bot).ok);
    named<QAction>(window, "mnuNewProject")->trigger();
    ASSERT_EQ(named<QComboBox>(window, "robotList")->count(), 2);

    connectAndEnterWritableDir(true);
    const QString base = server.writableDir() == "/" ? QString() : server.writableDir();
    named<QTreeWidget>(window, "lv")->setCurrentItem(row("my page.html"));
    QTest::mouseClick(named<QToolButton>(window, "AddRobot"), Qt::LeftButton); // chooser on "All"
    ASSERT_TRUE(doubleClick("docs"));
    named<QTreeWidget>(window, "lv")->setCurrentItem(row("private.html"));
    named<QComboBox>(window, "robotList")->setCurrentIndex(1);
    QTest::mouseClick(named<QToolButton>(window, "AddRobot"), Qt::LeftButton);
    named<QTreeWidget>(window, "lv")->setCurrentItem(row(".."));
    QTest::mouseClick(named<QToolButton>(window, "AddRobot"),
                      Qt::LeftButton); // the up row never yields a rule
    EXPECT_TRUE(window->isModified());
    acceptUploadFolder();
    answerUploadQuestion(base + "/docs");
    named<QAction>(window, "mnuUploadSfp")->trigger();
    EXPECT_EQ(scriptedPrompt().pendingAnswers(), 0);
    EXPECT_TRUE(uploadQuestion().startsWith("This upload writes " + base + "/docs/robots.txt."))
        << uploadQuestion().toStdString();

    const QStringList expected =
        RuleGrid::newProjectTemplate().mid(0, 5) +
        QStringList{"User-agent: examplebot", "Disallow: " + base + "/docs/private.html", "",
                    "User-agent: *",          "Disallow: " + base + "/my%20page.html",    ""} +
        RuleGrid::newProjectTemplate().mid(5);
    EXPECT_EQ(window->gridRows(), expected);
    EXPECT_EQ(server.readFile(base + "/docs/robots.txt"), RuleGrid::exportText(expected));
}

// Events run while the folder is read: Close Project or Disconnect pressed then ends the session, and
// the window must follow it, not the connect or refresh that was running.
TEST_P(FtpWindowTest, ACloseOrDisconnectPressedWhileTheFolderIsReadWins)
{
    fillRoot(3000);
    typeConnection(QString::number(server.port()));
    window->SetModified(false);
    auto ran = duringTransfer([&] { named<QAction>(window, "mnuCloseProject")->trigger(); });
    named<QAction>(window, "Toolbar4Button1")->trigger();
    ASSERT_TRUE(*ran);
    EXPECT_FALSE(window->isProjectOpen());
    expectDisconnectedQuietly();

    named<QAction>(window, "mnuNewProject")->trigger();
    typeConnection(QString::number(server.port()));
    named<QAction>(window, "Toolbar4Button1")->trigger();
    ASSERT_TRUE(window->isConnected());
    const QString folder = folderText();
    ran = duringTransfer([&] { named<QAction>(window, "Toolbar2Button1")->trigger(); });
    named<QAction>(window, "mnuRefresh")->trigger();
    ASSERT_TRUE(*ran);
    expectDisconnectedQuietly();
    EXPECT_EQ(folderText(), folder) << "the status bar keeps the last folder";

    // Connect pressed while connected, then Disconnect while the new connection reads its folder.
    named<QAction>(window, "Toolbar4Button1")->trigger();
    ASSERT_TRUE(window->isConnected());
    ran = duringTransfer([&] { named<QAction>(window, "Toolbar2Button1")->trigger(); });
    named<QAction>(window, "Toolbar4Button1")->trigger();
    ASSERT_TRUE(*ran);
    expectDisconnectedQuietly();
}

// While an upload runs, Refresh, a double-click and a second Upload are refused: the list stays.
TEST_P(FtpWindowTest, RefreshDoubleClickAndUploadWaitWhileAnUploadRuns)
{
    connectAndEnterWritableDir(true);
    const QStringList before = names();
    const QString folder = folderText();
    QTreeWidget* lv = named<QTreeWidget>(window, "lv");
    lv->setCurrentItem(row("my page.html"));
    scriptedPrompt().reset();
    QStringList during;
    auto ran = duringTransfer([&] {
        // A refresh or a change of folder that ran would read the list again and select the up row.
        named<QAction>(window, "mnuRefresh")->trigger();
        EXPECT_EQ(lv->currentItem()->text(0), "my page.html");
        doubleClick("docs");
        EXPECT_EQ(lv->currentItem()->text(0), "docs");
        named<QToolButton>(window, "UploadButton")->click();
        during = names();
        EXPECT_EQ(folderText(), folder);
    });
    acceptUploadFolder();
    answerUploadQuestion(server.writableDir() == "/" ? QString() : server.writableDir());
    named<QToolButton>(window, "UploadButton")->click();
    ASSERT_TRUE(*ran);
    EXPECT_EQ(scriptedPrompt().pendingAnswers(), 0);
    EXPECT_EQ(during, before);
    ASSERT_EQ(told().size(), 1);
    EXPECT_TRUE(told().first().startsWith("robots.txt uploaded to "));
}

// A refused upload: the server's reply as the message, the list read again, no temporary file left.
TEST_P(FtpWindowTest, AFailedUploadSaysWhyAndTidiesUp)
{
    // A folder the login may not write into: vsftpd's "/", and pyftpdlib without the write permission.
    server.setExtraArguments({"--perm", "elr"});
    ASSERT_TRUE(server.start(GetParam())) << server.errorString().toStdString();
    typeConnection(QString::number(server.port()));
    named<QAction>(window, "Toolbar4Button1")->trigger();
    ASSERT_TRUE(window->isConnected());
    server.writeFile("/late.html", "made after the list was read");
    scriptedPrompt().reset();
    answerUploadQuestion(QString());
    named<QToolButton>(window, "UploadButton")->click();
    EXPECT_EQ(scriptedPrompt().pendingAnswers(), 0);
    ASSERT_EQ(told().size(), 1);
    EXPECT_TRUE(told().first().startsWith("55")) << told().first().toStdString();
    EXPECT_TRUE(row("late.html"));
    EXPECT_FALSE(QFile::exists(programDir.file("temp.txt")));
    EXPECT_TRUE(window->isConnected());
}

// A login that starts in a home folder: the window changes to "/" and lists it.
TEST_P(FtpWindowTest, ConnectingChangesToTheRootFolder)
{
    server.setExtraArguments({"--home", "/docs"}); // pyftpdlib; vsftpd's login starts in "/"
    ASSERT_TRUE(server.start(GetParam())) << server.errorString().toStdString();
    typeConnection(QString::number(server.port()));
    named<QAction>(window, "Toolbar4Button1")->trigger();
    ASSERT_TRUE(window->isConnected());
    EXPECT_EQ(folderText(), "Folder: /");
    EXPECT_EQ(window->ftpCommands().remoteDirectory(), "/");
    EXPECT_FALSE(row("private.html"));
}

TEST_P(FtpWindowTest, TransferOptionsTakeEffectAtTheNextConnect)
{
    connectAndEnterWritableDir(false);
    window->SetModified(false);
    window->ftpCommands().optPassive_Click();
    EXPECT_TRUE(window->isModified());
    EXPECT_EQ(shared::projectHeader.activeMode, 0);
    EXPECT_FALSE(window->ftpCommands().session().IsConnectionPassive()) << "the connection keeps its mode";
    named<QAction>(window, "mnuConnect")->trigger();
    EXPECT_TRUE(window->ftpCommands().session().IsConnectionPassive());

    window->SetModified(false);
    shared::LoadingFlag = true;
    window->ftpCommands().optAscii_Click();
    shared::LoadingFlag = false;
    EXPECT_FALSE(window->isModified()) << "not while a window fills itself";
    EXPECT_FALSE(window->ftpCommands().session().IsTransferBinary());
    EXPECT_EQ(shared::projectHeader.binaryTransfer, 0);
}

TEST_P(FtpWindowTest, StartUpReopensTheLastProjectAndConnectsWhenAsked)
{
    ProjectHeader header;
    header.server = server.host();
    header.port = QString::number(server.port());
    header.user = server.user();
    header.password = server.password();
    header.activeMode = 0;
    header.binaryTransfer = -1;
    const QString path = programDir.file("site.sfp");
    ASSERT_TRUE(ProjectFile::save(path, header, RuleGrid::newProjectTemplate()));
    for (const char* check2 : {"FALSE", "TRUE"}) {
        SCOPED_TRACE(check2);
        SettingsStore::save(SettingsStore::Check1, "TRUE");
        SettingsStore::save(SettingsStore::Check2, check2);
        SettingsStore::save(SettingsStore::LastFilename, path);
        window = std::make_unique<frmMain>();
        window->Form_Load();
        const bool connects = QString(check2) == "TRUE";
        EXPECT_FALSE(window->isConnected()) << "the connect waits until the window is up";
        window->show();
        if (connects) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return window->isConnected(); }, 15000));
        }
        EXPECT_EQ(window->windowTitle(), "Spiderfence - site.sfp");
        EXPECT_EQ(window->isConnected(), connects);
        EXPECT_EQ(named<QTreeWidget>(window, "lv")->topLevelItemCount() > 1, connects);
        EXPECT_EQ(window->ftpCommands().session().IsConnectionPassive(), connects);
        EXPECT_FALSE(window->isModified());
    }
}

// What a robot may crawl, on a real server's folder of awkward names: the rules "Add rule" writes and
// what it says of them (a rule too long for a row of the project is refused), the remote list's
// marks, and the checker from the Tools menu.
TEST_P(FtpWindowTest, RulesMarksAndCheckerOnAFolderOfAwkwardNames)
{
    const QString base = server.writableDir() == "/" ? QString() : server.writableDir();
    server.makeDir(base + "/odd");
    const QString tooLong = QString(120, QChar(0xE9)); // 240 bytes of UTF-8, 720 characters escaped
    for (const QString& name : {QStringLiteral("a*b.html"), QStringLiteral("a b.html"),
                                QStringLiteral("ok.html"), QStringLiteral("price$"), tooLong})
        server.writeFile(base + "/odd/" + name, "x");
    server.makeDir(base + "/odd/private");
    server.makeDir(base + "/odd/private-archive");
    connectAndEnterWritableDir(true);
    ASSERT_TRUE(doubleClick("odd"));
    auto* lv = named<QTreeWidget>(window, "lv");
    const auto addRule = [&](const QString& name) {
        lv->setCurrentItem(row(name));
        QTest::mouseClick(named<QToolButton>(window, "AddRobot"), Qt::LeftButton);
    };
    scriptedPrompt().reset();
    addRule("a*b.html");
    scriptedPrompt().answerNext(Prompt::Answer::Yes); // the folder's rule with a final "/"
    addRule("private");
    const QStringList said = scriptedPrompt().messages();
    ASSERT_EQ(said.size(), 2);
    EXPECT_TRUE(said[0].contains("a b.html") && !said[0].contains("ok.html")) << said[0].toStdString();
    EXPECT_TRUE(said[1].contains("private-archive")) << said[1].toStdString();
    EXPECT_EQ(window->gridRows().mid(5, 3),
              (QStringList{"User-agent: *", "Disallow: " + base + "/odd/private/",
                           "Disallow: " + base + "/odd/a*b.html"}));
    const QStringList before = window->gridRows();
    addRule(tooLong);
    ASSERT_EQ(scriptedPrompt().messages().size(), 3);
    EXPECT_EQ(scriptedPrompt().messages()[2], "The rule for \"" + tooLong +
                                                  "\" is longer than a line of the project (617 characters), "
                                                  "so it was not added.");
    EXPECT_EQ(window->gridRows(), before);

    // Greyed with the deciding line: the wildcard's entries and the folder; the rest as usual.
    for (const auto& [name, line] : std::initializer_list<std::pair<QString, int>>{{"a*b.html", 8},
                                                                                   {"a b.html", 8},
                                                                                   {"private", 7},
                                                                                   {"ok.html", 0},
                                                                                   {"private-archive", 0},
                                                                                   {"price$", 0}}) {
        QTreeWidgetItem* item = row(name);
        ASSERT_TRUE(item) << name.toStdString();
        EXPECT_EQ(item->data(0, Qt::ForegroundRole).isValid(), line > 0) << name.toStdString();
        EXPECT_EQ(item->toolTip(0).contains(QStringLiteral("line %1,").arg(line)), line > 0)
            << name.toStdString();
    }
    // A grid without rules takes the marks off again.
    const QStringList marking = window->gridRows();
    window->setGridRows(RuleGrid::newProjectTemplate());
    for (const QString name : {"a*b.html", "private"})
        EXPECT_FALSE(row(name)->data(0, Qt::ForegroundRole).isValid() || !row(name)->toolTip(0).isEmpty())
            << name.toStdString();
    window->setGridRows(marking);

    // The grid marks a row that crawlers read otherwise, and leaves the text as it is.
    QStringList rows = window->gridRows();
    rows.insert(8, "Disallow: /x#y");
    window->setGridRows(rows);
    const QModelIndex marked = named<QTableView>(window, "robotGrid")->model()->index(8, 0);
    EXPECT_TRUE(marked.data(Qt::ToolTipRole).toString().contains("starts a comment"));
    EXPECT_FALSE(marked.data(Qt::DecorationRole).isNull());
    // The wildcard rule for "a*b.html" is marked: first-match readers read "*" as a character.
    EXPECT_FALSE(
        named<QTableView>(window, "robotGrid")->model()->index(7, 0).data(Qt::DecorationRole).isNull());
    EXPECT_EQ(window->gridRows(), rows);
    // Problems of one kind in one group are one finding, on the first row they concern.
    QStringList spaced = rows;
    spaced.insert(9, "Disallow: /m n");
    spaced.insert(10, "Disallow: /o p");
    window->setGridRows(spaced);
    const QAbstractItemModel* grid = named<QTableView>(window, "robotGrid")->model();
    EXPECT_TRUE(grid->index(9, 0).data(Qt::ToolTipRole).toString().contains("2 paths hold a raw space"))
        << grid->index(9, 0).data(Qt::ToolTipRole).toString().toStdString();
    EXPECT_TRUE(grid->index(9, 0).data(Qt::ToolTipRole).toString().contains("lines 10-11"));
    EXPECT_TRUE(grid->index(10, 0).data(Qt::DecorationRole).isNull()) << "one mark for the finding";
    window->setGridRows(rows);

    named<QAction>(window, "mnuCheck")->trigger();
    auto* check = named<QDialog>(window, "frmCheck");
    ASSERT_TRUE(check->isVisible());
    auto* robot = named<QComboBox>(check, "agentBox");
    robot->lineEdit()->clear();
    QTest::keyClicks(robot->lineEdit(), "AnyBot");
    const auto verdictFor = [&](const QString& name) {
        lv->setCurrentItem(row(name));
        QTest::mouseClick(named<QPushButton>(check, "checkButton"), Qt::LeftButton);
        return named<QLabel>(check, "verdictLabel")->text();
    };
    EXPECT_EQ(verdictFor("ok.html"), "Allowed (no rule applies)");
    EXPECT_EQ(named<QLineEdit>(check, "pathEdit")->text(), base + "/odd/ok.html");
    EXPECT_EQ(verdictFor("a b.html"), "Blocked (line 8)");
    EXPECT_EQ(named<QLineEdit>(check, "pathEdit")->text(), base + "/odd/a%20b.html");
    EXPECT_EQ(named<QTableView>(window, "robotGrid")->currentIndex().row(), 7);
    named<QLineEdit>(check, "pathEdit")->setText(base + "/odd/private-archive/x.html");
    QTest::mouseClick(named<QPushButton>(check, "checkButton"), Qt::LeftButton);
    EXPECT_EQ(named<QLabel>(check, "verdictLabel")->text(), "Allowed (no rule applies)");
}

TEST_P(FtpWindowTest, WithoutASecretStoreTheConnectAsksForThePasswordKeptOutOfTheProject)
{
    // No session bus answers, so no secret store does.
    const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + programDir.file("no-bus").toLocal8Bit());
    shared::projectHeader.rememberPassword = false;
    typeConnection(QString::number(server.port()));
    named<QLineEdit>(window, "txtPassword")->clear();
    for (const QString& typed : {QString(), server.password()}) {
        SCOPED_TRACE(typed.isNull() ? "cancelled" : "typed");
        scriptedPrompt().reset();
        scriptedPrompt().typeNext(typed);
        named<QAction>(window, "Toolbar4Button1")->trigger();
        ASSERT_EQ(scriptedPrompt().shown().size(), 1);
        EXPECT_EQ(scriptedPrompt().shown()[0].kind, test::ScriptedPrompt::Kind::Text);
        EXPECT_EQ(window->isConnected(), !typed.isNull())
            << window->ftpCommands().session().GetLastErrorMessage().toStdString();
    }
    EXPECT_TRUE(named<QTreeWidget>(window, "lv")->topLevelItemCount() > 1);
    bus.isNull() ? qunsetenv("DBUS_SESSION_BUS_ADDRESS") : qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
}

INSTANTIATE_TEST_SUITE_P(Servers, FtpWindowTest,
                         testing::Values(FtpServer::Kind::Pyftpdlib, FtpServer::Kind::Vsftpd),
                         [](const auto& info) { return FtpServer::kindName(info.param).toStdString(); });

TEST(RemoteRow, SizesAndAttributeLetters)
{
    struct Case {
        qint64 bytes;
        QString text;
    } sizes[] = {{0, "0KB"}, {1, "1KB"}, {1024, "1KB"}, {1025, "2KB"}, {2048, "2KB"}, {2049, "3KB"}};
    for (const auto& c : sizes)
        EXPECT_EQ(RemoteRow::sizeText(c.bytes), c.text) << c.bytes;

    cDirItem folder;
    folder.Directory = true;
    EXPECT_EQ(RemoteRow::attributeString(folder), "--d------");
    cDirItem file;
    file.Normal = true;
    EXPECT_EQ(RemoteRow::attributeString(file), "----n----");
    cDirItem all;
    all.Archive = all.Compressed = all.Directory = all.Hidden = all.Normal = all.Offline = all.ReadOnly =
        all.System = all.Temporary = true;
    EXPECT_EQ(RemoteRow::attributeString(all), "acdhnorst");
    const QLocale previous;
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(FtpCommands::uploadCompleteText(1.5), "Upload complete in 1.50 seconds.");
    EXPECT_EQ(FtpCommands::uploadCompleteText(1234.567), "Upload complete in 1,234.57 seconds.");
    EXPECT_EQ(FtpCommands::uploadCompleteText(0.004), "Upload complete in 0.00 seconds.");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(FtpCommands::uploadCompleteText(1234.5), "Upload complete in 1.234,50 seconds.");
    QLocale::setDefault(previous);
}
