// "&Update Spiderfence" from the main window down to the files in the program folder, against the
// test download host: which components are fetched, what replaces what, and what the user is told.
#include "RecordingDesktop.h"
#include "app/frmMain.h"
#include "app/util/FileUtils.h"
#include "app/util/VersionInfo.h"
#include "online/AboutTab.h"
#include "online/UpdateCheck.h"
#include "online/UpdateTab.h"
#include "options/frmOption.h"
#include "robots/RobotDatabase.h"
#include "robots/RobotListModel.h"
#include "robots/RobotListTab.h"
#include "support/HttpServer.h"
#include "support/ModalScript.h"
#include "support/NamedChild.h"
#include "support/ScriptedPrompt.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using sf::test::named;

using namespace sf;
using sf::test::HttpServer;
using sf::test::ModalScript;

namespace {

// The bytes of a robots.rbd of count robots, every record stamped with version.
QByteArray robotDatabase(int count, const QString& version)
{
    QTemporaryDir dir;
    const RobotDatabase db(dir.filePath(QStringLiteral("robots.rbd")));
    for (int n = 1; n <= count; ++n) {
        RobotRecord r;
        r.Robot_name = QStringLiteral("Robot %1").arg(n);
        r.Robot_exclusion_useragent = QStringLiteral("robot%1").arg(n);
        r.Robot_useragent = QStringLiteral("Robot/%1").arg(n);
        r.Robot_category = 4;
        r.RobotVersion = version;
        EXPECT_TRUE(db.write(n, r).ok);
    }
    return test::readFileBytes(db.path());
}

// A version split into the three fields of the version page.
QByteArray fields(const QString& version)
{
    const QStringList parts = version.split(QLatin1Char('.'));
    EXPECT_EQ(parts.size(), 3) << version.toStdString();
    return parts.join(QLatin1Char(',')).toLatin1();
}

class UpdateDownloadTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.isRunning());
        qputenv("SPIDERFENCE_WEB_SERVICE_URL", m_server.baseUrl().toUtf8());
        qputenv("SPIDERFENCE_DOWNLOAD_URL", m_server.baseUrl().toUtf8());
        m_oldDatabase = robotDatabase(3, QStringLiteral("1.0.5"));
        test::writeFileBytes(m_dir.file(QStringLiteral("robots.rbd")), m_oldDatabase);
        const QString renewkit = ExecutableName(QStringLiteral("renewkit"));
        ASSERT_TRUE(QFile::copy(test::buildBinDir() + QLatin1Char('/') + renewkit, m_dir.file(renewkit)));
        ASSERT_TRUE(GetVersionInfo(m_dir.file(renewkit)));
        m_renewkitVersion = ProductVersionText;
        m_window = std::make_unique<frmMain>();
        m_window->Form_Load();
        m_window->show();
    }
    void TearDown() override
    {
        m_window.reset();
        qunsetenv("SPIDERFENCE_WEB_SERVICE_URL");
        qunsetenv("SPIDERFENCE_DOWNLOAD_URL");
    }

    // The version page announcing these versions of the program, the robot list and Renewkit.
    void announce(const QString& program, const QString& robotList, const QString& renewkit)
    {
        m_server.setWebFunction(QStringLiteral("spiderfenceversion.asp"),
                                fields(program) + ',' + fields(robotList) + ',' + fields(renewkit));
    }
    // "&Update Spiderfence": the options window opens on the update tab and checks at once; then
    // the step works with the window.
    void updateFromMenu(const std::function<void(frmOption&, UpdateTab&)>& step)
    {
        m_modals.next<frmOption>([step](frmOption& options) {
            UpdateTab& tab = *options.update();
            EXPECT_EQ(named<QTabWidget>(options, "SSTab1")->currentIndex(), 2);
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return named<QLabel>(tab, "Label7")->text() != QStringLiteral("None"); }, 15000));
            step(options, tab);
        });
        named<QAction>(m_window, "mnuUpdate")->trigger();
    }
    QStringList fileRequests() const { return m_server.requests().filter(QStringLiteral("/files/")); }
    QStringList programFolder() const { return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden); }

    test::TempProgramDir m_dir;
    HttpServer m_server;
    ModalScript m_modals;
    std::unique_ptr<frmMain> m_window;
    QByteArray m_oldDatabase;
    QString m_renewkitVersion;
};

} // namespace

TEST_F(UpdateDownloadTest, OnlyANewRobotListIsDownloadedAndBothListsAreReloaded)
{
    const QByteArray newDatabase = robotDatabase(5, QStringLiteral("1.0.6"));
    m_server.putFile(QStringLiteral("robots.rbd"), newDatabase);
    announce(ProgramVersionText(), QStringLiteral("1.0.6"), m_renewkitVersion);
    EXPECT_EQ(named<QComboBox>(m_window, "robotList")->count(), 3 + 1); // "All" and three robots

    updateFromMenu([&](frmOption& options, UpdateTab& tab) {
        EXPECT_EQ(named<QLabel>(tab, "Label4")->text(), QStringLiteral("1.0.5"));
        EXPECT_EQ(named<QLabel>(tab, "versionRol")->text(), QStringLiteral("1.0.6"));
        ASSERT_EQ(named<QLabel>(tab, "Label7")->text(), QStringLiteral("Update available!"));
        QTest::mouseClick(named<QPushButton>(tab, "Command1"), Qt::LeftButton);

        EXPECT_EQ(test::scriptedPrompt().messages(), QStringList{QStringLiteral("Done!")});
        EXPECT_EQ(named<QLabel>(tab, "Label4")->text(), QStringLiteral("1.0.6"));
        EXPECT_EQ(named<QLabel>(tab, "Label11")->text(), m_renewkitVersion);
        EXPECT_EQ(named<QLabel>(tab, "Label7")->text(), QStringLiteral("No update available"));
        EXPECT_FALSE(named<QPushButton>(tab, "Command1")->isEnabled());
        EXPECT_EQ(named<QProgressBar>(tab, "ProgressBar1")->value(), 0);
        EXPECT_EQ(named<QProgressBar>(tab, "ProgressBar1")->maximum(), 100);
        EXPECT_EQ(options.robotList()->model()->rowCount(), 5);
        EXPECT_EQ(named<QLabel>(options.about(), "Label15")->text(), QStringLiteral("1.0.6"));
        EXPECT_TRUE(options.isVisible());
    });
    EXPECT_EQ(test::readFileBytes(m_dir.file(QStringLiteral("robots.rbd"))), newDatabase);
    EXPECT_EQ(named<QComboBox>(m_window, "robotList")->count(), 5 + 1);
    EXPECT_EQ(RobotListVersion, QStringLiteral("1.0.6"));
    EXPECT_EQ(fileRequests(), QStringList{QStringLiteral("GET /files/robots.rbd")});
    EXPECT_EQ(m_server.requests().count(QStringLiteral("GET /webfunction/spiderfenceversion.asp")), 2);
    EXPECT_EQ(programFolder(), (QStringList{QStringLiteral("renewkit"), QStringLiteral("robots.rbd")}));

    // Another opening does not check again.
    m_modals.next<frmOption>([](frmOption& options) {
        QTest::qWait(50);
        EXPECT_EQ(named<QTabWidget>(options, "SSTab1")->currentIndex(), 3);
        EXPECT_EQ(named<QLabel>(options.update(), "Label7")->text(), QStringLiteral("None"));
    });
    named<QAction>(m_window, "mnuAbout")->trigger();
    EXPECT_EQ(m_server.requests().count(QStringLiteral("GET /webfunction/spiderfenceversion.asp")), 2);
}

TEST_F(UpdateDownloadTest, AnErrorAnswerOrACutShortDownloadLeavesTheOldFile)
{
    m_server.putFile(QStringLiteral("robots.rbd"), robotDatabase(40, QStringLiteral("1.0.6")));
    announce(ProgramVersionText(), QStringLiteral("1.0.6"), m_renewkitVersion);
    const QString target = QDir::toNativeSeparators(m_dir.file(QStringLiteral("robots.rbd")));
    const struct {
        const char* fault;
        QString why;
    } cases[] = {
        {"404", QStringLiteral("The server answered with status 404, #404")},
        {"cut", QString()},
    };
    for (const auto& c : cases) {
        m_server.clearRules();
        if (QByteArray(c.fault) == "404")
            m_server.answerStatus(QStringLiteral("/files/robots.rbd"), 404);
        else
            m_server.cutShort(QStringLiteral("/files/robots.rbd"), 70000);
        test::scriptedPrompt().reset();
        updateFromMenu([&](frmOption& options, UpdateTab& tab) {
            ASSERT_TRUE(named<QPushButton>(tab, "Command1")->isEnabled());
            QTest::mouseClick(named<QPushButton>(tab, "Command1"), Qt::LeftButton);
            // The user is told why, and the options window closes.
            ASSERT_EQ(test::scriptedPrompt().messages().size(), 1) << c.fault;
            const QString message = test::scriptedPrompt().messages().at(0);
            EXPECT_TRUE(
                message.startsWith(QStringLiteral("Error Updating ") + target + QStringLiteral("\r\n\r\n")))
                << message.toStdString();
            if (!c.why.isEmpty()) {
                EXPECT_TRUE(message.endsWith(c.why)) << message.toStdString();
            }
            EXPECT_FALSE(options.isVisible());
        });
        EXPECT_EQ(test::readFileBytes(m_dir.file(QStringLiteral("robots.rbd"))), m_oldDatabase) << c.fault;
        EXPECT_EQ(programFolder(), (QStringList{QStringLiteral("renewkit"), QStringLiteral("robots.rbd")}));
        EXPECT_EQ(named<QComboBox>(m_window, "robotList")->count(), 3 + 1);
    }
    EXPECT_EQ(fileRequests().size(), 2);
}

TEST_F(UpdateDownloadTest, ANewProgramFetchesRenewkitAndTheHelpFileThenHandsOverToRenewkit)
{
    test::RecordingDesktop desktop;
    const QByteArray newRenewkit = "#!/bin/sh\nexit 0\n";
    const QByteArray help(45 * 1024, 'h');
    m_server.putFile(QStringLiteral("renewkit.exe"), newRenewkit);
    m_server.putFile(QStringLiteral("spiderfence.chm"), help);
    announce(QStringLiteral("9.9.9"), QStringLiteral("1.0.5"), QStringLiteral("9.0.0099"));

    updateFromMenu([&](frmOption& options, UpdateTab& tab) {
        ASSERT_EQ(named<QLabel>(tab, "Label7")->text(), QStringLiteral("Update available!"));
        QTest::mouseClick(named<QPushButton>(tab, "Command1"), Qt::LeftButton);
        EXPECT_TRUE(test::scriptedPrompt().messages().isEmpty())
            << test::scriptedPrompt().messages().join('|').toStdString();
        // The help file is larger than the bar's 30 KB.
        EXPECT_EQ(named<QProgressBar>(tab, "ProgressBar1")->maximum(), 30);
        EXPECT_EQ(named<QProgressBar>(tab, "ProgressBar1")->value(), 30);
        EXPECT_FALSE(options.isVisible());
    });
    EXPECT_FALSE(m_window->isVisible());
    EXPECT_EQ(desktop.programs, QStringList{m_dir.file(ExecutableName(QStringLiteral("renewkit")))});
    EXPECT_EQ(desktop.arguments, QList<QStringList>{QStringList()});
    EXPECT_EQ(fileRequests(), (QStringList{QStringLiteral("GET /files/renewkit.exe"),
                                           QStringLiteral("GET /files/spiderfence.chm")}));
    const QString renewkit = m_dir.file(ExecutableName(QStringLiteral("renewkit")));
    EXPECT_EQ(test::readFileBytes(renewkit), newRenewkit);
    EXPECT_TRUE(QFileInfo(renewkit).isExecutable());
    EXPECT_EQ(test::readFileBytes(m_dir.file(QStringLiteral("spiderfence.chm"))), help);
    EXPECT_EQ(test::readFileBytes(m_dir.file(QStringLiteral("robots.rbd"))), m_oldDatabase);
}

TEST_F(UpdateDownloadTest, AMainWindowThatStaysOpenKeepsRenewkitFromStarting)
{
    test::RecordingDesktop desktop;
    m_server.putFile(QStringLiteral("spiderfence.chm"), "help");
    announce(QStringLiteral("9.9.9"), QStringLiteral("1.0.5"), m_renewkitVersion);
    m_window->SetModified(true);
    // The window's save question is answered Yes, and the file dialog of the never-saved project is
    // cancelled: the main window stays.
    test::scriptedPrompt().answerNext(Prompt::Answer::Yes);
    test::scriptedPrompt().chooseFileNext(QString());
    updateFromMenu([&](frmOption& options, UpdateTab& tab) {
        QTest::mouseClick(named<QPushButton>(tab, "Command1"), Qt::LeftButton);
        EXPECT_TRUE(options.isVisible());
    });
    EXPECT_TRUE(m_window->isVisible());
    EXPECT_TRUE(desktop.programs.isEmpty());
    EXPECT_EQ(test::scriptedPrompt().pendingAnswers(), 0);
    m_window->SetModified(false);
}
