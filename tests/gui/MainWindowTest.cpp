#include "base/FileUtils.h"
#include "base/SettingsStore.h"
#include "base/SharedState.h"
#include "gui/common/ProgramIcon.h"
#include "gui/common/ProgramStyle.h"
#include "gui/ftp/FtpCommands.h"
#include "gui/main/ProjectCommands.h"
#include "gui/main/frmMain.h"
#include "project/ProjectFile.h"
#include "project/ProjectState.h"
#include "project/RuleGrid.h"
#include "robots/RobotDatabase.h"
#include "support/MainWindowFixture.h"
#include "support/NamedChild.h"
#include "support/ScriptedPrompt.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QStyleOption>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

using sf::test::named;

using namespace sf;
using test::scriptedPrompt;

namespace {

enum State { NoProject, ProjectOpen, Connected };

class MainWindowTest : public testing::Test, protected test::MainWindowFixture {
protected:
    // Every control of the state table, enabled or not, in the given state.
    void expectState(State state, bool modified)
    {
        frmMain& w = *window;
        const bool open = state != NoProject;
        const bool connected = state == Connected;
        struct Row {
            const char* name;
            bool enabled;
        };
        const Row rows[] = {
            {"txtServer", open},
            {"txtUser", open},
            {"txtPassword", open},
            {"txtPort", open},
            {"robotList", open},
            {"robotGrid", open},
            {"info_robot", open},
            {"mnu_allow_all", open},
            {"mnu_disallow_all", open},
            {"Toolbar4Button1", open},
            {"mnuConnect", open},
            {"mnuCloseProject", open},
            {"mnuExport", open},
            {"mnuScanSite", open},
            {"mnuEnforceAtServer", open},
            {"mnuReadLogs", open},
            {"mnuPublishedVersions", open},
            {"lv", connected},
            {"AddRobot", connected},
            {"RemoveRobot", connected},
            {"Toolbar2Button1", connected},
            {"mnuDisconnect", connected},
            {"Toolbar3Button2", connected},
            {"Toolbar3Button4", connected},
            {"mnuRefresh", connected},
            {"mnuUploadSfp", connected},
            {"UploadButton", connected},
            {"Toolbar1Button3", open && modified},
            {"mnuSaveProject", open && modified},
            {"mnuSaveAs", open && modified},
            // always enabled
            {"Toolbar1Button1", true},
            {"Toolbar1Button2", true},
            {"Toolbar3Button6", true},
            {"mnuNewProject", true},
            {"mnuOpenPRoject", true},
            {"mnuExit", true},
            {"mnuOptions", true},
            {"mnuAddEditRobot", true},
            {"mnuAbout", true},
        };
        for (const Row& row : rows) {
            QObject* control = w.findChild<QObject*>(QLatin1String(row.name));
            ASSERT_NE(control, nullptr) << row.name;
            const bool enabled = control->property("enabled").toBool();
            EXPECT_EQ(enabled, row.enabled) << row.name << " in state " << state;
        }
        if (!open) {
            for (QLineEdit* field : {named<QLineEdit>(w, "txtServer"), named<QLineEdit>(w, "txtUser"),
                                     named<QLineEdit>(w, "txtPassword"), named<QLineEdit>(w, "txtPort")})
                EXPECT_TRUE(field->text().isEmpty());
            EXPECT_EQ(w.gridRows(), RuleGrid::emptyGrid());
        }
    }

    QString saveProject(const QString& name)
    {
        const QString path = dir.file(name);
        scriptedPrompt().chooseFileNext(path);
        named<QAction>(window, "mnuSaveAs")->trigger();
        return path;
    }

    test::TempProgramDir dir;
};

} // namespace

TEST_F(MainWindowTest, MenusToolbarsAndBannersAsTheUserSeesThem)
{
    frmMain& w = start();
    QStringList menus;
    for (QAction* a : w.menuBar()->actions())
        menus << a->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&Edit", "&Tools", "&Help"}));
    auto entries = [](QMenu* menu) {
        QStringList texts;
        for (QAction* a : menu->actions())
            texts << (a->isSeparator() ? "-" : a->text());
        return texts;
    };
    EXPECT_EQ(entries(named<QMenu>(w, "mnuFile")),
              (QStringList{"&New Project", "&Open Project", "-", "&Save Project", "S&ave As", "-",
                           "&Close Project", "-", "&Export", "Published &versions\u2026", "-", "&Exit"}));
    EXPECT_EQ(entries(named<QMenu>(w, "mnu_edit")),
              (QStringList{"&Allow all Robots", "-", "&Disallow all Robots"}));
    EXPECT_EQ(
        entries(named<QMenu>(w, "mnuTools")),
        (QStringList{"&Connect to FTP", "&Disconnect FTP", "&Refresh Directory", "-", "&Upload robots.txt",
                     "-", "&Open the server's robots.txt", "Co&mpare the grid with the server's robots.txt",
                     "&Block robots by purpose...", "C&heck...", "Check the &live site", "&Scan the site",
                     "&Enforce at the web server…", "Read the server's lo&gs…", "-", "&Add/Edit Robots",
                     "Op&tions..."}));
    EXPECT_EQ(entries(named<QMenu>(w, "mnuHelp")),
              (QStringList{"&Help Topics", "&Update Spiderfence", "-", "&Spiderfence Website",
                           "&Linkharbor Website", "-", "&About Spiderfence"}));
    EXPECT_EQ(named<QAction>(w, "Toolbar1Button1")->toolTip(), "New Project");
    EXPECT_EQ(named<QAction>(w, "Toolbar1Button2")->toolTip(), "Open Project");
    EXPECT_EQ(named<QAction>(w, "Toolbar1Button3")->toolTip(), "Save Project");
    EXPECT_EQ(named<QAction>(w, "Toolbar2Button1")->toolTip(), "Disconnect the FTP");
    EXPECT_EQ(named<QAction>(w, "Toolbar4Button1")->text(), "Connect to FTP server");
    EXPECT_EQ(named<QAction>(w, "Toolbar3Button2")->toolTip(), "Refresh FTP Directory");
    EXPECT_EQ(named<QAction>(w, "Toolbar3Button4")->toolTip(), "Upload robots.txt");
    EXPECT_EQ(named<QAction>(w, "Toolbar3Button6")->toolTip(), "Options");
    EXPECT_EQ(named<QTreeWidget>(w, "lv")->headerItem()->text(0), "Name");
    EXPECT_EQ(named<QTreeWidget>(w, "lv")->columnCount(), 6);
    EXPECT_EQ(named<QTreeWidget>(w, "lv")->headerItem()->text(5), "Type");
    EXPECT_EQ(named<QComboBox>(w, "robotList")->count(), 1);
    EXPECT_EQ(named<QComboBox>(w, "robotList")->currentText(), "All");
    EXPECT_EQ(named<QLabel>(w, "StatusPanel2")->text(), "Release: 1.2.0");
    EXPECT_TRUE(named<QLabel>(w, "StatusPanel3")->text().startsWith("Robots: "));
    EXPECT_EQ(named<QLabel>(w, "StatusPanel1")->text(), "Folder: ");
    for (QAction* a : w.findChildren<QAction*>())
        EXPECT_TRUE(a->shortcut().isEmpty()) << a->objectName().toStdString();
}

// The bars' buttons for hidden entries show the program's SVG pictures, mirrored right to left, so
// that showing the window never reads a PNG: that would load every image format plug-in there is.
TEST_F(MainWindowTest, BarsShowTheProgramsPicturesAndTheWindowLoadsNoImagePluginNorLibcurl)
{
    frmMain& w = start();
    w.show();
    w.repaint();
    QStyle* style = QApplication::style();
    ASSERT_TRUE(qobject_cast<ProgramStyle*>(style));
    auto picture = [style](QStyle::StandardPixmap which, Qt::LayoutDirection direction) {
        QStyleOption option;
        option.direction = direction;
        return style->standardIcon(which, &option).pixmap(16).toImage();
    };
    const QImage right = picture(QStyle::SP_ToolBarHorizontalExtensionButton, Qt::LeftToRight);
    const QImage left = picture(QStyle::SP_ToolBarHorizontalExtensionButton, Qt::RightToLeft);
    const QImage down = picture(QStyle::SP_ToolBarVerticalExtensionButton, Qt::LeftToRight);
    for (const QImage& image : {right, left, down})
        EXPECT_FALSE(image.isNull());
    EXPECT_NE(left, right);
    EXPECT_NE(down, right);
    // Nor has the window, up and drawn, loaded an image format plug-in or libcurl (and its TLS and
    // other libraries), which the first transfer loads.
    QFile maps(QStringLiteral("/proc/self/maps"));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    const QByteArray mapped = maps.readAll();
    for (const char* library : {"/imageformats/", "/libcurl.so", "/libssl.so"})
        EXPECT_FALSE(mapped.contains(library)) << library;
}

// A program picture, read only when first drawn, draws what the plain icon of its file draws, in
// each mode and at each size and pixel ratio; a missing file is a null icon.
TEST_F(MainWindowTest, ProgramPicturesDrawAsThePlainIconsOfTheirFiles)
{
    start();
    const struct {
        const char* file;
        int size;
        qreal ratio;
        QIcon::Mode mode;
    } cases[] = {
        {":/icons/open.svg", 16, 1.0, QIcon::Normal},
        {":/icons/open.svg", 24, 2.0, QIcon::Normal},
        {":/icons/upload.svg", 32, 1.0, QIcon::Disabled},
        {":/icons/category-search.svg", 16, 1.5, QIcon::Active},
        {":/icons/more-right.svg", 16, 1.0, QIcon::Normal},
        {":/icons/folder.svg", 20, 2.0, QIcon::Selected},
    };
    for (const auto& c : cases) {
        const QString file = QString::fromLatin1(c.file);
        ASSERT_TRUE(QFile::exists(file)) << c.file;
        const QIcon plain(file);
        const QIcon deferred = programIcon(file);
        EXPECT_FALSE(deferred.isNull()) << c.file;
        const QPixmap want = plain.pixmap(QSize(c.size, c.size), c.ratio, c.mode);
        const QPixmap got = deferred.pixmap(QSize(c.size, c.size), c.ratio, c.mode);
        EXPECT_EQ(got.size(), want.size()) << c.file << " " << c.size << "@" << c.ratio;
        EXPECT_EQ(got.devicePixelRatio(), want.devicePixelRatio()) << c.file;
        EXPECT_EQ(got.toImage(), want.toImage()) << c.file << " " << c.size << "@" << c.ratio;
    }
    EXPECT_TRUE(programIcon(QStringLiteral(":/icons/no-such-picture.svg")).isNull());
}

TEST_F(MainWindowTest, ControlStatesFollowEveryTransition)
{
    frmMain& w = start();
    EXPECT_EQ(w.windowTitle(), "Spiderfence - New Project");
    expectState(ProjectOpen, false);
    QTest::keyClicks(named<QLineEdit>(w, "txtPort"), "0");
    expectState(ProjectOpen, true);
    w.setConnectedState(true);
    expectState(Connected, true);
    w.DisconnectFtp();
    expectState(ProjectOpen, true);
    w.setConnectedState(true);
    scriptedPrompt().answerNext(Prompt::Answer::No);
    named<QAction>(w, "mnuCloseProject")->trigger();
    expectState(NoProject, false);
    named<QAction>(w, "mnuNewProject")->trigger();
    expectState(ProjectOpen, false);
    EXPECT_EQ(w.gridRows(), RuleGrid::newProjectTemplate());
    EXPECT_EQ(named<QLineEdit>(w, "txtPort")->text(), "21");
}

TEST_F(MainWindowTest, ModifiedMarkAndLoadingFlag)
{
    frmMain& w = start();
    for (QLineEdit* field : {named<QLineEdit>(w, "txtServer"), named<QLineEdit>(w, "txtUser"),
                             named<QLineEdit>(w, "txtPassword"), named<QLineEdit>(w, "txtPort")}) {
        w.SetModified(false);
        QTest::keyClicks(field, "x");
        EXPECT_TRUE(w.isModified()) << field->objectName().toStdString();
    }
    w.SetModified(false);
    named<QLineEdit>(w, "txtServer")->setText("set by the program");
    EXPECT_FALSE(w.isModified());
    shared::LoadingFlag = true;
    EXPECT_FALSE(w.SetModified(true));
    w.SetModified(false);
    shared::LoadingFlag = false;
    EXPECT_TRUE(w.SetModified(true));
    shared::LoadingFlag = true;
    EXPECT_FALSE(w.SetModified(false)) << "false still disables the Save commands while loading";
    shared::LoadingFlag = false;

    named<QAction>(w, "mnu_allow_all")->trigger();
    EXPECT_TRUE(w.isModified());
    EXPECT_EQ(w.gridRows().size(), 11);
    named<QAction>(w, "mnu_disallow_all")->trigger();
    EXPECT_EQ(w.gridRows().size(), 12);
}

TEST_F(MainWindowTest, SaveQuestionOnNewCloseAndExit)
{
    frmMain& w = start();
    struct Case {
        const char* command;
        Prompt::Answer answer;
        QString saveAs; // file chosen in the Save dialog; empty cancels it
        bool goesOn;
    } cases[] = {
        {"new", Prompt::Answer::No, {}, true},         {"new", Prompt::Answer::Yes, "a.sfp", true},
        {"new", Prompt::Answer::Yes, {}, false},       {"close", Prompt::Answer::No, {}, true},
        {"close", Prompt::Answer::Yes, "b.sfp", true}, {"close", Prompt::Answer::Yes, {}, false},
        {"exit", Prompt::Answer::Yes, {}, false},      {"exit", Prompt::Answer::No, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " " + c.saveAs.toStdString());
        if (!w.isProjectOpen())
            named<QAction>(w, "mnuNewProject")->trigger();
        shared::CurrentFileName.clear();
        QTest::keyClicks(named<QLineEdit>(w, "txtServer"), "srv");
        scriptedPrompt().reset();
        scriptedPrompt().answerNext(c.answer);
        if (c.answer == Prompt::Answer::Yes)
            scriptedPrompt().chooseFileNext(c.saveAs.isEmpty() ? QString() : dir.file(c.saveAs));
        const QString command = c.command;
        if (command == "new")
            named<QAction>(w, "mnuNewProject")->trigger();
        else if (command == "close")
            named<QAction>(w, "mnuCloseProject")->trigger();
        else
            w.close();
        EXPECT_EQ(scriptedPrompt().messages(),
                  QStringList{"Do you want to save the changes you made to the Robot ?"});
        if (!c.saveAs.isEmpty()) {
            EXPECT_EQ(FileLength(dir.file(c.saveAs)), 9 * 1234);
        }
        EXPECT_EQ(w.isModified(), !c.goesOn) << "a Yes whose save did not happen keeps the changes";
        if (command == "close") {
            EXPECT_EQ(w.isProjectOpen(), !c.goesOn);
        }
        if (command == "exit") {
            EXPECT_EQ(w.isVisible(), !c.goesOn);
        }
    }
}

TEST_F(MainWindowTest, SaveOpenAndSaveAsRoundTripAProject)
{
    frmMain& w = start();
    QTest::keyClicks(named<QLineEdit>(w, "txtServer"), "127.0.0.1");
    QTest::keyClicks(named<QLineEdit>(w, "txtUser"), "anna");
    QTest::keyClicks(named<QLineEdit>(w, "txtPassword"), "pw");
    named<QAction>(w, "mnu_disallow_all")->trigger();
    const QString path = saveProject("site.sfp");
    EXPECT_EQ(w.windowTitle(), "Spiderfence - site.sfp");
    EXPECT_FALSE(w.isModified());
    EXPECT_EQ(SettingsStore::read(SettingsStore::LastFilename), path);

    // Save As cancelled keeps the old name.
    QTest::keyClicks(named<QLineEdit>(w, "txtPort"), "0");
    scriptedPrompt().chooseFileNext(QString());
    named<QAction>(w, "mnuSaveAs")->trigger();
    EXPECT_EQ(shared::CurrentFileName, path);
    EXPECT_TRUE(w.isModified());

    // Open: the question (No), then the chosen file replaces the window's project.
    scriptedPrompt().chooseFileNext(path);
    scriptedPrompt().answerNext(Prompt::Answer::No);
    named<QAction>(w, "mnuOpenPRoject")->trigger();
    EXPECT_EQ(named<QLineEdit>(w, "txtServer")->text(), "127.0.0.1");
    EXPECT_EQ(named<QLineEdit>(w, "txtUser")->text(), "anna");
    EXPECT_EQ(named<QLineEdit>(w, "txtPassword")->text(), "pw");
    EXPECT_EQ(named<QLineEdit>(w, "txtPort")->text(), "21");
    EXPECT_EQ(w.gridRows().size(), 12);
    EXPECT_EQ(w.gridRows().at(6), "Disallow: /");
    EXPECT_FALSE(w.isModified());
    EXPECT_FALSE(w.ftpCommands().session().IsModePassive());
    EXPECT_TRUE(w.ftpCommands().session().IsTransferBinary());

    // Open cancelled in its dialog: the project stays, without a file name.
    scriptedPrompt().chooseFileNext(QString());
    named<QAction>(w, "Toolbar1Button2")->trigger();
    EXPECT_TRUE(shared::CurrentFileName.isEmpty());
    EXPECT_EQ(w.gridRows().size(), 12);
}

TEST_F(MainWindowTest, AProjectThatCannotBeReadIsNotOpenedUnderItsName)
{
    // A folder named like a project cannot be read as one: the user is told, a new project takes the
    // window, and a later save asks for a name instead of writing over the chosen path.
    const QString path = dir.file("folder.sfp");
    ASSERT_TRUE(QDir().mkpath(path));
    frmMain& w = start();
    scriptedPrompt().chooseFileNext(path);
    named<QAction>(w, "mnuOpenPRoject")->trigger();
    ASSERT_FALSE(scriptedPrompt().messages().isEmpty());
    EXPECT_TRUE(scriptedPrompt().messages().last().startsWith("Could not read "))
        << scriptedPrompt().messages().last().toStdString();
    EXPECT_TRUE(shared::CurrentFileName.isEmpty());
    EXPECT_EQ(w.windowTitle(), "Spiderfence - New Project");
    EXPECT_TRUE(w.isProjectOpen());
}

TEST_F(MainWindowTest, OpeningAFileWithPassiveAsciiFlags)
{
    ProjectHeader h;
    h.activeMode = 1;
    h.binaryTransfer = 0;
    h.server = "   padded   ";
    const QString path = dir.file("flags.sfp");
    ASSERT_TRUE(ProjectFile::save(path, h, RuleGrid::newProjectTemplate()));
    frmMain& w = start();
    scriptedPrompt().chooseFileNext(path);
    named<QAction>(w, "mnuOpenPRoject")->trigger();
    EXPECT_TRUE(w.ftpCommands().session().IsModePassive());
    EXPECT_FALSE(w.ftpCommands().session().IsTransferBinary());
    EXPECT_EQ(named<QLineEdit>(w, "txtServer")->text(), "padded");
}

TEST_F(MainWindowTest, StartUpReopensTheLastProjectOnlyForAnExactTrue)
{
    const QString path = dir.file("last.sfp");
    ProjectHeader h;
    h.server = "ftp.last";
    ASSERT_TRUE(ProjectFile::save(path, h, RuleGrid::newProjectTemplate()));
    struct Case {
        QString check1, last;
        bool reopens;
    } cases[] = {
        {"TRUE", path, true}, {"true", path, false}, {"True", path, false},
        {"TRUE", "", false},  {"", path, false},     {"FALSE", path, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.check1 + " / " + c.last).toStdString());
        test::clearSettings();
        shared::reset();
        SettingsStore::save(SettingsStore::Check1, c.check1);
        SettingsStore::save(SettingsStore::LastFilename, c.last);
        frmMain& w = start();
        EXPECT_EQ(w.windowTitle(), c.reopens ? "Spiderfence - last.sfp" : "Spiderfence - New Project");
        EXPECT_EQ(named<QLineEdit>(w, "txtServer")->text(), c.reopens ? "ftp.last" : "");
        EXPECT_EQ(SettingsStore::read(SettingsStore::LastFilename), c.reopens ? path : "");
        EXPECT_FALSE(w.isModified());
        EXPECT_FALSE(shared::LoadingFlag);
    }
    // Close Project clears the last name: the next start makes a new project.
    SettingsStore::save(SettingsStore::Check1, "TRUE");
    SettingsStore::save(SettingsStore::LastFilename, path);
    frmMain& w = start();
    named<QAction>(w, "mnuCloseProject")->trigger();
    EXPECT_EQ(SettingsStore::read(SettingsStore::LastFilename), "");
}

TEST_F(MainWindowTest, ExportWritesCrLfLinesAndSaysDone)
{
    frmMain& w = start();
    const QString path = dir.file("robots.txt");
    scriptedPrompt().chooseFileNext(path);
    named<QAction>(w, "mnuExport")->trigger();
    EXPECT_EQ(test::readFileBytes(path), RuleGrid::exportText(RuleGrid::newProjectTemplate()));
    EXPECT_TRUE(test::readFileBytes(path).startsWith(QByteArray(51, '#') + "\r\n#\r\n"));
    EXPECT_EQ(scriptedPrompt().messages(), QStringList{"Done!"});
    EXPECT_EQ(scriptedPrompt().shown().first().dialog.initialPath.section('/', -1), "robots.txt");

    // A folder that does not exist: the user is told, and no "Done!".
    scriptedPrompt().reset();
    scriptedPrompt().chooseFileNext(dir.file("missing/robots.txt"));
    named<QAction>(w, "mnuExport")->trigger();
    ASSERT_EQ(scriptedPrompt().messages().size(), 1);
    EXPECT_TRUE(scriptedPrompt().messages().first().startsWith("Could not write"));
}

TEST_F(MainWindowTest, RemoveButtonWorksOnTheSelectedGridRow)
{
    frmMain& w = start();
    named<QAction>(w, "mnu_allow_all")->trigger();
    w.SetModified(false);
    w.setConnectedState(true);
    named<QTableView>(w, "robotGrid")->selectRow(5);
    QTest::mouseClick(named<QToolButton>(w, "RemoveRobot"), Qt::LeftButton);
    EXPECT_EQ(w.gridRows(), RuleGrid::newProjectTemplate());
    EXPECT_TRUE(w.isModified());
    w.SetModified(false);
    named<QTableView>(w, "robotGrid")->selectRow(2); // header rows cannot be removed
    QTest::mouseClick(named<QToolButton>(w, "RemoveRobot"), Qt::LeftButton);
    EXPECT_EQ(w.gridRows(), RuleGrid::newProjectTemplate());
    EXPECT_FALSE(w.isModified());
}

TEST_F(MainWindowTest, ProtocolChoiceSwitchesDefaultPortsAndRoundTripsWithTheKeyFile)
{
    frmMain& w = start();
    auto* protocol = named<QComboBox>(w, "cboProtocol");
    auto* port = named<QLineEdit>(w, "txtPort");
    EXPECT_EQ(protocol->currentText(), "FTP");
    EXPECT_FALSE(named<QLineEdit>(w, "txtKeyFile")->isEnabled()) << "a key file is for SFTP only";
    struct Step {
        int index;
        const char* typedPort; // typed before choosing; nullptr: left as it is
        const char* port;      // the port box afterwards
    } steps[] = {
        {2, nullptr, "990"}, // FTPS (implicit)
        {3, nullptr, "22"},  // SFTP
        {1, nullptr, "21"},  // FTP over TLS (explicit)
        {3, "2222", "2222"}, // a port of the user's own stays
        {0, nullptr, "2222"},
    };
    for (const Step& step : steps) {
        if (step.typedPort) {
            port->clear();
            QTest::keyClicks(port, step.typedPort);
        }
        protocol->setCurrentIndex(step.index);
        emit protocol->activated(step.index);
        EXPECT_EQ(port->text(), step.port) << step.index;
    }
    EXPECT_EQ(protocol->itemText(1), "FTP over TLS (explicit)");
    protocol->setCurrentIndex(3);
    emit protocol->activated(3);
    ASSERT_TRUE(named<QLineEdit>(w, "txtKeyFile")->isEnabled());
    scriptedPrompt().chooseFileNext("/home/anna/.ssh/id_ecdsa");
    named<QToolButton>(w, "cmdKeyFile")->click();
    EXPECT_TRUE(w.isModified());
    const QString path = saveProject("sftp.sfp");

    named<QAction>(w, "mnuNewProject")->trigger();
    EXPECT_EQ(protocol->currentText(), "FTP") << "a new project is plain FTP";
    scriptedPrompt().chooseFileNext(path);
    named<QAction>(w, "mnuOpenPRoject")->trigger();
    EXPECT_EQ(protocol->currentText(), "SFTP");
    EXPECT_EQ(port->text(), "2222");
    EXPECT_EQ(named<QLineEdit>(w, "txtKeyFile")->text(), "/home/anna/.ssh/id_ecdsa");
    EXPECT_EQ(test::readFileBytes(path).at(619), 3);
}

// New, Open and Save beside the rows: which file a save goes to, what Open stores and refreshes,
// the header text of a new project, a longer old file, the dialogs' filters, the robot-list
// version in the status bar, and a field that the file cannot hold.
TEST_F(MainWindowTest, NewOpenAndSaveKeepTheRightFileSettingsAndTexts)
{
    RobotRecord bot;
    bot.Robot_name = "Example Bot";
    bot.Robot_exclusion_useragent = "examplebot";
    bot.RobotVersion = "2026.12.9";
    ASSERT_TRUE(RobotDatabase(dir.file("robots.rbd")).write(1, bot));
    frmMain& w = start();
    EXPECT_EQ(named<QLabel>(w, "StatusPanel3")->text(), "Robots: 2026.12.9");
    EXPECT_EQ(shared::projectHeader.headerText, RuleGrid::defaultHeaderText());

    // Save replaces a longer old file whole; the dialog offers project files.
    const QString first = dir.file("first.sfp");
    test::writeFileBytes(first, QByteArray(40 * 1234, 'x'));
    shared::projectHeader.headerText = "Our own header";
    shared::projectHeader.uploadDirectory = "/www";
    w.SetModified(true);
    ASSERT_EQ(saveProject("first.sfp"), first);
    EXPECT_EQ(test::readFileBytes(first).size(), 9 * 1234);
    EXPECT_EQ(scriptedPrompt().shown().last().text, "Spiderfence Project (*.sfp)");

    // New forgets the file: the next Save asks for a name and leaves the first project alone.
    named<QAction>(w, "mnuNewProject")->trigger();
    EXPECT_EQ(shared::projectHeader.headerText, RuleGrid::defaultHeaderText());
    named<QAction>(w, "mnu_disallow_all")->trigger();
    scriptedPrompt().chooseFileNext(dir.file("second.sfp"));
    named<QAction>(w, "mnuSaveProject")->trigger();
    EXPECT_EQ(test::readFileBytes(first).size(), 9 * 1234);
    EXPECT_EQ(test::readFileBytes(dir.file("second.sfp")).size(), 12 * 1234);

    // Open stores the last file, keeps its upload folder and reads the robot database again.
    bot.Robot_name = "Second Bot";
    ASSERT_TRUE(RobotDatabase(dir.file("robots.rbd")).write(2, bot));
    scriptedPrompt().chooseFileNext(first);
    named<QAction>(w, "mnuOpenPRoject")->trigger();
    EXPECT_EQ(scriptedPrompt().shown().last().text, "Spiderfence Project (*.sfp)");
    EXPECT_EQ(SettingsStore::read(SettingsStore::LastFilename), first);
    EXPECT_EQ(shared::projectHeader.uploadDirectory, "/www");
    EXPECT_EQ(shared::projectHeader.headerText, "Our own header");
    EXPECT_EQ(named<QComboBox>(w, "robotList")->count(), 3);

    // A password the file cannot hold: the user is told which field, nothing is written.
    const QByteArray saved = test::readFileBytes(first);
    named<QLineEdit>(w, "txtPassword")->setText(QString::fromUtf8("pa\u0142ka"));
    w.SetModified(true);
    scriptedPrompt().reset();
    named<QAction>(w, "mnuSaveProject")->trigger();
    ASSERT_EQ(scriptedPrompt().messages().size(), 1);
    EXPECT_TRUE(scriptedPrompt().messages().first().contains("password"));
    EXPECT_TRUE(w.isModified());
    EXPECT_EQ(test::readFileBytes(first), saved);

    // Export offers text files.
    scriptedPrompt().chooseFileNext(QString());
    named<QAction>(w, "mnuExport")->trigger();
    EXPECT_EQ(scriptedPrompt().shown().last().text, "Text (*.txt)");
}

// "Add rule" with no remote entry selected adds nothing.
TEST_F(MainWindowTest, AddRuleWithNothingSelectedChangesNothing)
{
    frmMain& w = start();
    w.SetModified(false);
    w.setConnectedState(true);
    named<QTreeWidget>(w, "lv")->clearSelection();
    QTest::mouseClick(named<QToolButton>(w, "AddRobot"), Qt::LeftButton);
    EXPECT_EQ(w.gridRows(), RuleGrid::newProjectTemplate());
    EXPECT_FALSE(w.isModified());
}
