// The options window as the user opens it from the main window: its tabs, its opening, Apply and
// Close, the settings it stores and the transfer options it changes.
#include "base/FileUtils.h"
#include "base/SettingsStore.h"
#include "base/SharedState.h"
#include "base/VersionInfo.h"
#include "gui/ftp/FtpCommands.h"
#include "gui/main/frmMain.h"
#include "gui/online/AboutTab.h"
#include "gui/online/UpdateTab.h"
#include "gui/options/ProjectOptionsTab.h"
#include "gui/options/frmOption.h"
#include "project/ProjectState.h"
#include "project/RuleGrid.h"
#include "robots/RobotDatabase.h"
#include "support/MainWindowFixture.h"
#include "support/ModalScript.h"
#include "support/NamedChild.h"
#include "support/ScriptedPrompt.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using sf::test::named;

using namespace sf;

namespace {

using Step = std::function<void(frmOption&)>;

class OptionsWindowTest : public testing::Test, protected test::MainWindowFixture {
protected:
    void SetUp() override { RobotListVersion.clear(); }

    // Opens the options window through the action and runs the step while it is shown.
    void open(QAction* action, const Step& step)
    {
        test::ModalScript script;
        script.next<frmOption>(step);
        action->trigger();
        EXPECT_EQ(script.opened(), QStringList{"Spiderfence - Options"});
    }
    void open(const Step& step) { open(named<QAction>(window, "mnuOptions"), step); }

    // Clicks the box or option button where the user does: on its mark.
    static void click(QAbstractButton* button)
    {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    }
    static void setChecked(QAbstractButton* box, bool checked)
    {
        if (box->isChecked() != checked)
            click(box);
        ASSERT_EQ(box->isChecked(), checked) << box->objectName().toStdString();
    }

    test::TempProgramDir dir;
};

void writeRobots(const QString& path, const QStringList& versions)
{
    for (int i = 0; i < versions.size(); ++i) {
        RobotRecord r;
        r.Robot_name = QStringLiteral("Robot %1").arg(i + 1);
        r.RobotVersion = versions[i];
        ASSERT_TRUE(RobotDatabase(path).write(i + 1, r));
    }
}

} // namespace

TEST_F(OptionsWindowTest, EachEntryPointOpensItsTabAndClearsTheStartValues)
{
    frmMain& w = start();
    struct Case {
        QAction* action;
        int tab;
        int checks; // runs of the update check
    };
    // "Options..." after "Add/Edit Robots" shows the first tab again: the start tab was reset.
    const Case cases[] = {
        {named<QAction>(w, "mnuAddEditRobot"), 1, 0}, {named<QAction>(w, "mnuOptions"), 0, 0},
        {named<QAction>(w, "mnuAbout"), 3, 0},        {named<QAction>(w, "Toolbar3Button6"), 0, 0},
        {named<QAction>(w, "mnuUpdate"), 2, 1},       {named<QAction>(w, "mnuOptions"), 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action->objectName().toStdString());
        open(c.action, [&](frmOption& options) {
            QSignalSpy check(named<QPushButton>(options.update(), "CheckOnline"), &QPushButton::clicked);
            QCoreApplication::processEvents();
            EXPECT_EQ(named<QTabWidget>(options, "SSTab1")->currentIndex(), c.tab);
            EXPECT_EQ(check.count(), c.checks);
            EXPECT_EQ(options.parentWidget(), &w);
            EXPECT_EQ(shared::OptionsStartTab, 0);
            EXPECT_FALSE(shared::CheckOnlineOnOpen);
            QStringList captions;
            for (int i = 0; i < named<QTabWidget>(options, "SSTab1")->count(); ++i)
                captions << named<QTabWidget>(options, "SSTab1")->tabText(i);
            EXPECT_EQ(captions, (QStringList{"Project Options", "Robots list", " Update Spiderfence",
                                             "About Spiderfence"}));
            EXPECT_EQ(named<QPushButton>(options, "Proceed")->text(), "Apply");
            EXPECT_EQ(named<QPushButton>(options, "Cancel")->text(), "Close");
            QTest::mouseClick(named<QPushButton>(options, "Cancel"), Qt::LeftButton);
            EXPECT_FALSE(options.isVisible());
        });
    }
}

TEST_F(OptionsWindowTest, OpeningFillsTheVersionsTheUpdateTabAndTheAboutPage)
{
    writeRobots(dir.file("robots.rbd"), {"1.0", " 2026.12.1 "});
    frmMain& w = start();
    // A version read from another file before must not show as Renewkit's.
    ASSERT_TRUE(GetVersionInfo(test::buildBinDir() + "/" + ExecutableName("renewkit")));
    ASSERT_FALSE(ProductVersionText.isEmpty());
    const QString release = RunningProgramVersion()->release();
    open(named<QAction>(w, "mnuAbout"), [&](frmOption& options) {
        const UpdateTab& update = *options.update();
        const AboutTab& about = *options.about();
        EXPECT_EQ(named<QLabel>(update, "versionSF")->text(), release);
        EXPECT_EQ(named<QLabel>(about, "Label18")->text(), release);
        EXPECT_EQ(named<QLabel>(update, "Label4")->text(), "2026.12.1");
        EXPECT_EQ(named<QLabel>(about, "Label15")->text(), "2026.12.1");
        EXPECT_EQ(named<QLabel>(update, "Label11")->text(), "") << "no renewkit in the program folder";
        for (QLabel* online : {named<QLabel>(update, "versionSFO"), named<QLabel>(update, "versionRol"),
                               named<QLabel>(update, "Label13")})
            EXPECT_EQ(online->text(), "Unknown");
        EXPECT_EQ(named<QLabel>(update, "Label7")->text(), "None");
        EXPECT_EQ(named<QLabel>(update, "InetMsg")->text(), "None");
        EXPECT_FALSE(named<QPushButton>(update, "Command1")->isEnabled());
        EXPECT_TRUE(named<QPushButton>(update, "CheckOnline")->isEnabled());
        EXPECT_EQ(named<QLabel>(about, "Label19")->text(),
                  "Spiderfence is a 100% FREEWARE\r\n\r\n No Spyware\r\n No Sponsorware\r\n No Adware");
        EXPECT_EQ(named<QLabel>(about, "Label20")->text(), "You can visit us at :");
        EXPECT_EQ(named<QLabel>(about, "Label21")->text(), "Or at :");
    });
    EXPECT_EQ(RobotListVersion, "2026.12.1");

    ASSERT_TRUE(QFile::copy(test::buildBinDir() + "/" + ExecutableName("renewkit"),
                            ProgramPath(ExecutableName("renewkit"))));
    open([&](frmOption& options) { EXPECT_EQ(named<QLabel>(options.update(), "Label11")->text(), release); });
}

TEST_F(OptionsWindowTest, ProjectControlsFollowWhetherAProjectIsOpen)
{
    frmMain& w = start();
    shared::projectHeader.headerText = QStringLiteral("  Our header  ");
    shared::projectHeader.uploadDirectory = QStringLiteral(" /www ");
    shared::EditExisting = true;
    open([&](frmOption& options) {
        const ProjectOptionsTab& p = *options.projectOptions();
        EXPECT_EQ(named<QLineEdit>(p, "Text1")->text(), "Our header");
        EXPECT_EQ(named<QLineEdit>(p, "Text2")->text(), "/www");
        EXPECT_FALSE(shared::EditExisting);
        for (QWidget* c : std::initializer_list<QWidget*>{
                 named<QLineEdit>(p, "Text1"), named<QLabel>(p, "Label8"), named<QLineEdit>(p, "Text2"),
                 named<QLabel>(p, "Label9"), named<QRadioButton>(p, "optActive"),
                 named<QRadioButton>(p, "optPassive"), named<QRadioButton>(p, "optBin"),
                 named<QRadioButton>(p, "optAscii")})
            EXPECT_TRUE(c->isEnabled()) << c->objectName().toStdString();
    });

    named<QAction>(w, "mnuCloseProject")->trigger();
    ASSERT_FALSE(w.isProjectOpen());
    SettingsStore::save(SettingsStore::Check2, "TRUE");
    open([&](frmOption& options) {
        const ProjectOptionsTab& p = *options.projectOptions();
        EXPECT_EQ(named<QLineEdit>(p, "Text1")->text(), "");
        EXPECT_EQ(named<QLineEdit>(p, "Text2")->text(), "");
        for (QWidget* c : std::initializer_list<QWidget*>{
                 named<QLineEdit>(p, "Text1"), named<QLabel>(p, "Label8"), named<QLineEdit>(p, "Text2"),
                 named<QLabel>(p, "Label9"), named<QRadioButton>(p, "optActive"),
                 named<QRadioButton>(p, "optPassive"), named<QRadioButton>(p, "optBin"),
                 named<QRadioButton>(p, "optAscii")})
            EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
        EXPECT_TRUE(named<QCheckBox>(p, "Check2")->isChecked());
        setChecked(named<QCheckBox>(p, "Check1"), true);
        QTest::mouseClick(named<QPushButton>(options, "Proceed"), Qt::LeftButton);
    });
    // Without a project Apply stores only the three settings.
    EXPECT_EQ(w.gridRows(), RuleGrid::emptyGrid());
    EXPECT_EQ(SettingsStore::read(SettingsStore::Check1), "TRUE");
    EXPECT_EQ(SettingsStore::read(SettingsStore::Check2), "TRUE");
    EXPECT_EQ(SettingsStore::read(SettingsStore::Check3), "FALSE");
}

TEST_F(OptionsWindowTest, CloseStoresNothingButTypingHasMarkedTheProject)
{
    frmMain& w = start();
    const QStringList rows = w.gridRows();
    const QString header = shared::projectHeader.headerText;
    open([&](frmOption& options) {
        ProjectOptionsTab& p = *options.projectOptions();
        EXPECT_EQ(named<QLineEdit>(p, "Text2")->text(), "")
            << "a new project's upload folder holds NULs: nothing to show";
        EXPECT_FALSE(w.isModified());
        QTest::keyClicks(named<QLineEdit>(p, "Text1"), "changed");
        EXPECT_TRUE(w.isModified());
        setChecked(named<QCheckBox>(p, "Check1"), true);
        setChecked(named<QCheckBox>(p, "Check3"), true);
        QTest::mouseClick(named<QPushButton>(options, "Cancel"), Qt::LeftButton);
    });
    for (const char* key : {SettingsStore::Check1, SettingsStore::Check2, SettingsStore::Check3})
        EXPECT_EQ(SettingsStore::read(key), "") << key;
    EXPECT_EQ(shared::projectHeader.headerText, header);
    EXPECT_EQ(w.gridRows(), rows);
    EXPECT_TRUE(w.isModified());
}

// A typed character, Backspace or Enter in the header or the upload folder marks the project; a key
// that only moves does not.
TEST_F(OptionsWindowTest, OnlyKeysThatEditTheHeaderOrTheUploadFolderMarkTheProject)
{
    frmMain& w = start();
    const struct {
        bool uploadFolder;
        Qt::Key key;
        bool marks;
    } cases[] = {
        {false, Qt::Key_Tab, false},     {false, Qt::Key_Left, false}, {false, Qt::Key_Home, false},
        {false, Qt::Key_A, true},        {false, Qt::Key_Space, true}, {false, Qt::Key_Backspace, true},
        {false, Qt::Key_Return, true},   {true, Qt::Key_Tab, false},   {true, Qt::Key_Slash, true},
        {true, Qt::Key_Backspace, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.uploadFolder ? "Text2 " : "Text1 ") << c.key);
        open([&](frmOption& options) {
            QLineEdit* field = named<QLineEdit>(options.projectOptions(), c.uploadFolder ? "Text2" : "Text1");
            field->setFocus();
            w.SetModified(false);
            QTest::keyClick(field, c.key);
            EXPECT_EQ(w.isModified(), c.marks);
            if (options.isVisible())
                QTest::mouseClick(named<QPushButton>(options, "Cancel"), Qt::LeftButton);
        });
    }
}

TEST_F(OptionsWindowTest, ApplyStoresEachBoxAsTrueOrFalse)
{
    start();
    const struct {
        bool boxes[3];
        const char* stored[3];
    } cases[] = {
        {{false, false, false}, {"FALSE", "FALSE", "FALSE"}}, // absent keys become present
        {{true, false, true}, {"TRUE", "FALSE", "TRUE"}},
        {{false, true, false}, {"FALSE", "TRUE", "FALSE"}},
        {{true, true, true}, {"TRUE", "TRUE", "TRUE"}},
    };
    for (const auto& c : cases) {
        open([&](frmOption& options) {
            ProjectOptionsTab& p = *options.projectOptions();
            setChecked(named<QCheckBox>(p, "Check1"), c.boxes[0]);
            setChecked(named<QCheckBox>(p, "Check2"), c.boxes[1]);
            setChecked(named<QCheckBox>(p, "Check3"), c.boxes[2]);
            QTest::mouseClick(named<QPushButton>(options, "Proceed"), Qt::LeftButton);
            EXPECT_FALSE(options.isVisible());
        });
        EXPECT_EQ(SettingsStore::read(SettingsStore::Check1), c.stored[0]);
        EXPECT_EQ(SettingsStore::read(SettingsStore::Check2), c.stored[1]);
        EXPECT_EQ(SettingsStore::read(SettingsStore::Check3), c.stored[2]);
    }
}

TEST_F(OptionsWindowTest, OnlyAnExactUpperCaseTrueChecksABox)
{
    start();
    const struct {
        const char* stored; // nullptr: the key is absent
        bool checked;
    } cases[] = {{"TRUE", true},   {"true", false}, {"True", false}, {"TRUE ", false},
                 {"FALSE", false}, {"", false},     {nullptr, false}};
    for (const auto& c : cases) {
        test::clearSettings();
        for (const char* key : {SettingsStore::Check1, SettingsStore::Check2, SettingsStore::Check3}) {
            if (c.stored)
                SettingsStore::save(key, QString::fromLatin1(c.stored));
        }
        open([&](frmOption& options) {
            const ProjectOptionsTab& p = *options.projectOptions();
            for (QCheckBox* box : {named<QCheckBox>(p, "Check1"), named<QCheckBox>(p, "Check2"),
                                   named<QCheckBox>(p, "Check3")})
                EXPECT_EQ(box->isChecked(), c.checked) << (c.stored ? c.stored : "(absent)");
        });
    }
}

TEST_F(OptionsWindowTest, ApplyTrimsTheHeaderAndWritesItIntoRowTwo)
{
    frmMain& w = start();
    const QStringList before = w.gridRows();
    const QString longHeader = QString(160, QLatin1Char('h'));
    const struct {
        QString typed;
        QString stored;
        QString row2;
    } cases[] = {
        {"  My header  ", "My header", "# My header"},
        {"   ", "", "# "},
        {longHeader, longHeader.left(150), "# " + longHeader},
    };
    for (const auto& c : cases) {
        open([&](frmOption& options) {
            QLineEdit* text1 = named<QLineEdit>(options.projectOptions(), "Text1");
            text1->selectAll();
            QTest::keyClick(text1, Qt::Key_Delete);
            QTest::keyClicks(text1, c.typed);
            QTest::mouseClick(named<QPushButton>(options, "Proceed"), Qt::LeftButton);
        });
        EXPECT_EQ(shared::projectHeader.headerText, c.stored);
        QStringList expected = before;
        expected[2] = c.row2;
        EXPECT_EQ(w.gridRows(), expected);
    }
}

TEST_F(OptionsWindowTest, OptionButtonsSetTheSessionAndMarkTheProjectButNotWhileFilling)
{
    frmMain& w = start();
    const cFTP& session = w.ftpCommands().session();
    const struct {
        qint16 active, binary;
    } projects[] = {{-1, -1}, {0, 0}, {0, -1}, {-1, 0}};
    for (const auto& project : projects) {
        shared::projectHeader.activeMode = project.active;
        shared::projectHeader.binaryTransfer = project.binary;
        w.ftpCommands().setSessionModes(project.active == -1, project.binary == -1);
        w.SetModified(false);
        open([&](frmOption& options) {
            const ProjectOptionsTab& p = *options.projectOptions();
            EXPECT_EQ(named<QRadioButton>(p, "optActive")->isChecked(), project.active == -1);
            EXPECT_EQ(named<QRadioButton>(p, "optPassive")->isChecked(), project.active != -1);
            EXPECT_EQ(named<QRadioButton>(p, "optBin")->isChecked(), project.binary == -1);
            EXPECT_EQ(named<QRadioButton>(p, "optAscii")->isChecked(), project.binary != -1);
            EXPECT_FALSE(w.isModified()) << "filling the window changed nothing";
            EXPECT_EQ(session.IsModePassive(), project.active != -1);
            EXPECT_EQ(session.IsTransferBinary(), project.binary == -1);
        });
    }

    const struct {
        const char* button;
        bool passive, binary;
        qint16 activeFlag, binaryFlag;
    } clicks[] = {{"optPassive", true, false, 0, 0},
                  {"optBin", true, true, 0, -1},
                  {"optActive", false, true, -1, -1},
                  {"optAscii", false, false, -1, 0}};
    // The project is now active and ASCII; the clicks apply at once and Close does not undo them.
    open([&](frmOption& options) {
        for (const auto& c : clicks) {
            SCOPED_TRACE(c.button);
            w.SetModified(false);
            click(options.findChild<QRadioButton*>(c.button));
            EXPECT_EQ(session.IsModePassive(), c.passive);
            EXPECT_EQ(session.IsTransferBinary(), c.binary);
            EXPECT_EQ(shared::projectHeader.activeMode, c.activeFlag);
            EXPECT_EQ(shared::projectHeader.binaryTransfer, c.binaryFlag);
            EXPECT_TRUE(w.isModified());
        }
        click(options.findChild<QRadioButton*>("optPassive"));
        QTest::mouseClick(named<QPushButton>(options, "Cancel"), Qt::LeftButton);
    });
    EXPECT_TRUE(session.IsModePassive());
    EXPECT_EQ(shared::projectHeader.activeMode, 0);
}

TEST_F(OptionsWindowTest, SftpHasNoTransferOptionsAndAnUnrememberedPasswordStaysOutOfTheFile)
{
    frmMain& w = start();
    QTest::keyClicks(named<QLineEdit>(w, "txtPassword"), "secret pw");
    auto* protocol = named<QComboBox>(w, "cboProtocol");
    protocol->setCurrentIndex(3);
    emit protocol->activated(3);
    open([&](frmOption& options) {
        const ProjectOptionsTab& p = *options.projectOptions();
        for (const char* name : {"optActive", "optPassive", "optBin", "optAscii"})
            EXPECT_FALSE(named<QRadioButton>(p, name)->isEnabled()) << name;
        auto* remember = named<QCheckBox>(p, "Check4");
        EXPECT_TRUE(remember->isChecked()) << "a new project keeps its password in the file";
        setChecked(remember, false);
        setChecked(named<QRadioButton>(p, "optTrustRefuse"), true);
        QTest::mouseClick(named<QPushButton>(options, "Proceed"), Qt::LeftButton);
    });
    EXPECT_FALSE(shared::projectHeader.rememberPassword);
    EXPECT_EQ(shared::projectHeader.trust, ftp::TrustPolicy::Refuse);
    const QString path = dir.file("nopw.sfp");
    test::scriptedPrompt().chooseFileNext(path);
    named<QAction>(w, "mnuSaveAs")->trigger();
    EXPECT_EQ(test::readFileBytes(path).indexOf("secret pw"), -1);
    EXPECT_EQ(test::readFileBytes(path).at(621), 1);
    EXPECT_EQ(test::readFileBytes(path).at(620), 1);

    protocol->setCurrentIndex(0);
    emit protocol->activated(0);
    open([&](frmOption& options) {
        const ProjectOptionsTab& p = *options.projectOptions();
        for (const char* name : {"optActive", "optPassive", "optBin", "optAscii"})
            EXPECT_TRUE(named<QRadioButton>(p, name)->isEnabled()) << name;
        EXPECT_FALSE(named<QCheckBox>(p, "Check4")->isChecked());
        EXPECT_FALSE(named<QGroupBox>(p, "fraTrust")->isEnabled()) << "plain FTP has no certificates";
    });

    // A new project starts from the defaults, whatever the last one chose.
    w.SetModified(false);
    named<QAction>(w, "mnuNewProject")->trigger();
    open([&](frmOption& options) {
        const ProjectOptionsTab& p = *options.projectOptions();
        EXPECT_TRUE(named<QCheckBox>(p, "Check4")->isChecked());
        EXPECT_TRUE(named<QRadioButton>(p, "optTrustAsk")->isChecked());
    });
}

// The site folder (once shown and never stored) and the site address are stored by Apply, as typed
// less a final "/", and step 1 of the main window shows the folder.
TEST_F(OptionsWindowTest, ApplyStoresTheSiteFolderAndItsAddress)
{
    frmMain& w = start();
    const QString tooLong = "/" + QString(150, QLatin1Char('d'));
    const struct {
        QString folder, address;
        QString storedFolder, storedAddress, label;
    } cases[] = {
        {"/public_html/", "https://www.example.com/", "/public_html", "https://www.example.com",
         "Site folder: /public_html"},
        {"  /home/ann/htdocs  ", "", "/home/ann/htdocs", "", "Site folder: /home/ann/htdocs"},
        {tooLong, "", "/home/ann/htdocs", "", "Site folder: /home/ann/htdocs"}, // not cut: kept as it was
        {"", "http://127.0.0.1:8080", "", "http://127.0.0.1:8080",
         "Site folder: none (rules follow the server's paths)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder.toStdString());
        test::scriptedPrompt().reset();
        open([&](frmOption& options) {
            for (const auto& [name, text] : {std::pair{"Text2", c.folder}, {"txtSiteAddress", c.address}}) {
                QLineEdit* field = named<QLineEdit>(options.projectOptions(), name);
                field->clear();
                QTest::keyClicks(field, text);
            }
            QTest::mouseClick(named<QPushButton>(options, "Proceed"), Qt::LeftButton);
        });
        EXPECT_EQ(shared::projectHeader.siteFolder(), c.storedFolder);
        EXPECT_EQ(shared::projectHeader.siteAddress, c.storedAddress);
        EXPECT_EQ(named<QLabel>(w, "lblSiteFolder")->text(), c.label);
        EXPECT_EQ(test::scriptedPrompt().messages().size(), c.folder == tooLong ? 1 : 0);
        EXPECT_TRUE(w.isModified());
    }
}
