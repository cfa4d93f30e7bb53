// "&Update Spiderfence" from the main window down to the files in the program folder, against the
// test download host: which components are fetched, what replaces what, and what the user is told.
#include "RecordingDesktop.h"
#include "base/FileUtils.h"
#include "base/SharedState.h"
#include "base/VersionInfo.h"
#include "gui/main/frmMain.h"
#include "gui/online/AboutTab.h"
#include "gui/online/UpdateTab.h"
#include "gui/options/frmOption.h"
#include "gui/robots/RobotListModel.h"
#include "gui/robots/RobotListTab.h"
#include "online/UpdateCheck.h"
#include "robots/RobotDatabase.h"
#include "support/HttpServer.h"
#include "support/ModalScript.h"
#include "support/NamedChild.h"
#include "support/ScriptedPrompt.h"
#include "support/TestEnvironment.h"
#include "support/UpdateSamples.h"
#include "transfer/Signature.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using sf::test::named;

using namespace sf;
using sf::test::HttpServer;
using sf::test::ModalScript;

namespace {

const QString kNewRenewkitVersion = QStringLiteral("9.0.9");

class UpdateDownloadTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.isRunning());
        qputenv("SPIDERFENCE_WEB_SERVICE_URL", m_server.baseUrl().toUtf8());
        qputenv("SPIDERFENCE_DOWNLOAD_URL", m_server.baseUrl().toUtf8());
        m_oldDatabase = test::robotDatabaseBytes(3, QStringLiteral("1.0.5"));
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
        ResetMakerPublicKey();
        m_window.reset();
        qunsetenv("SPIDERFENCE_WEB_SERVICE_URL");
        qunsetenv("SPIDERFENCE_DOWNLOAD_URL");
    }

    // The version page announcing these versions of the program, the robot list and Renewkit.
    void announce(const QString& program, const QString& robotList, const QString& renewkit)
    {
        m_server.setWebFunction(QStringLiteral("spiderfenceversion.asp"),
                                test::versionFields(program, robotList, renewkit));
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
    // Renewkit as built, its version section saying kNewRenewkitVersion.
    QByteArray newRenewkitProgram() const
    {
        return test::programWithVersion(test::buildBinDir() + QLatin1Char('/') + ExecutableName("renewkit"),
                                        kNewRenewkitVersion);
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
    const QByteArray newDatabase = test::robotDatabaseBytes(5, QStringLiteral("1.0.6"));
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
    m_server.putFile(QStringLiteral("robots.rbd"), test::robotDatabaseBytes(40, QStringLiteral("1.0.6")));
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
    const QByteArray newRenewkit = newRenewkitProgram();
    const QByteArray help(45 * 1024, 'h');
    m_server.putFile(QStringLiteral("renewkit.exe"), newRenewkit);
    m_server.putFile(QStringLiteral("spiderfence.chm"), help);
    announce(QStringLiteral("9.9.9"), QStringLiteral("1.0.5"), kNewRenewkitVersion);

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

TEST_F(UpdateDownloadTest, AHostileServerReplacesNothingAndTheUserIsToldWhy)
{
    const QByteArray newDatabase = test::robotDatabaseBytes(5, QStringLiteral("1.0.6"));
    const QByteArray newRenewkit = newRenewkitProgram();
    m_server.putFile(QStringLiteral("robots.rbd"), newDatabase);
    m_server.putFile(QStringLiteral("renewkit.exe"), newRenewkit);
    const QString renewkit = m_dir.file(ExecutableName(QStringLiteral("renewkit")));
    const QByteArray oldRenewkit = test::readFileBytes(renewkit);
    const QByteArray bothNew = test::versionFields(ProgramVersionText(), "1.0.6", kNewRenewkitVersion);
    const QByteArray renewkitNew = test::versionFields(ProgramVersionText(), "1.0.5", kNewRenewkitVersion);
    const QByteArray hashed = test::hashedVersionPage(bothNew, newDatabase + 'x', newRenewkit, "", "");
    const SigningKeys maker = MakeSigningKeys(), other = MakeSigningKeys();
    const QString robots = QStringLiteral("/files/robots.rbd");
    const struct {
        const char* name;
        QByteArray page;
        std::function<void()> fault;
        QByteArray key;
        QString why;
    } cases[] = {
        {"empty 200", bothNew, [&] { m_server.answerEmpty(robots); }, {}, "The server sent an empty file"},
        {"no length",
         bothNew,
         [&] { m_server.sendWithoutLength(robots, 20000); },
         {},
         "did not say how long"},
        {"HTML page", bothNew, [&] { m_server.answerHtml(robots); }, {}, "The file is not a robot database"},
        {"HTML program",
         renewkitNew,
         [&] { m_server.answerHtml("/files/renewkit.exe"); },
         {},
         "The file is not a program"},
        {"wrong hash", hashed, [] {}, {}, "its SHA-256 differs"},
        {"bad signature", hashed + ',' + SignMessage(hashed, other.secretKey).toBase64(), [] {},
         maker.publicKey, "Update check failed: the version page is not signed by the maker"},
        {"unsigned", hashed, [] {}, maker.publicKey,
         "Update check failed: the version page is not signed by the maker"},
    };
    for (const auto& c : cases) {
        m_server.clearRules();
        c.fault();
        m_server.setWebFunction(QStringLiteral("spiderfenceversion.asp"), c.page);
        SetMakerPublicKey(c.key);
        test::scriptedPrompt().reset();
        QString told;
        updateFromMenu([&](frmOption&, UpdateTab& tab) {
            if (named<QPushButton>(tab, "Command1")->isEnabled())
                QTest::mouseClick(named<QPushButton>(tab, "Command1"), Qt::LeftButton);
            told = test::scriptedPrompt().messages().join('|') + '|' + named<QLabel>(tab, "Label7")->text();
        });
        EXPECT_TRUE(told.contains(c.why)) << c.name << ": " << told.toStdString();
        EXPECT_EQ(test::readFileBytes(m_dir.file(QStringLiteral("robots.rbd"))), m_oldDatabase) << c.name;
        EXPECT_EQ(test::readFileBytes(renewkit), oldRenewkit) << c.name;
        EXPECT_EQ(programFolder(), (QStringList{QStringLiteral("renewkit"), QStringLiteral("robots.rbd")}));
    }
    // A page that is refused downloads nothing.
    EXPECT_EQ(fileRequests().size(), 5);
}

TEST_F(UpdateDownloadTest, ASignedPageMadeBySfsignIsAcceptedAndOneChangedByteIsRefused)
{
    const QString sfsign = test::buildBinDir() + QStringLiteral("/sfsign");
    const auto run = [&sfsign](const QStringList& args) {
        QProcess process;
        process.start(sfsign, args);
        EXPECT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        return process.readAllStandardOutput();
    };
    const QByteArray publicKey = QByteArray::fromBase64(run({"keygen", m_dir.file("maker.key")}).trimmed());
    const QByteArray newDatabase = test::robotDatabaseBytes(5, QStringLiteral("1.0.6"));
    QTemporaryDir published;
    test::writeFileBytes(published.filePath("robots.rbd"), newDatabase);
    test::writeFileBytes(published.filePath("spiderfence.chm"), "help");
    const QString bin = test::buildBinDir() + QLatin1Char('/');
    const QByteArray page =
        run({"page", m_dir.file("maker.key"), ProgramVersionText(), "1.0.6", m_renewkitVersion,
             published.filePath("robots.rbd"), bin + ExecutableName("renewkit"),
             published.filePath("spiderfence.chm"), bin + ExecutableName("spiderfence")});
    QFile::remove(m_dir.file("maker.key"));
    m_server.putFile(QStringLiteral("robots.rbd"), newDatabase);
    SetMakerPublicKey(publicKey);

    QByteArray changed = page;
    changed[changed.indexOf(",1,0,6,") + 5] = '7';
    for (const QByteArray& served : {changed, page}) {
        m_server.setWebFunction(QStringLiteral("spiderfenceversion.asp"), served);
        test::scriptedPrompt().reset();
        updateFromMenu([&](frmOption&, UpdateTab& tab) {
            if (served == changed) {
                EXPECT_EQ(named<QLabel>(tab, "Label7")->text(),
                          QStringLiteral("Update check failed: the version page is not signed by the maker"));
                return;
            }
            ASSERT_EQ(named<QLabel>(tab, "Label7")->text(), QStringLiteral("Update available!"));
            QTest::mouseClick(named<QPushButton>(tab, "Command1"), Qt::LeftButton);
            EXPECT_EQ(test::scriptedPrompt().messages(), QStringList{QStringLiteral("Done!")});
        });
    }
    EXPECT_EQ(test::readFileBytes(m_dir.file(QStringLiteral("robots.rbd"))), newDatabase);
    EXPECT_EQ(fileRequests(), QStringList{QStringLiteral("GET /files/robots.rbd")});
}

TEST_F(UpdateDownloadTest, AFailedHelpFileIsToldAndTheHandOverGoesOn)
{
    test::RecordingDesktop desktop;
    m_server.answerStatus(QStringLiteral("/files/spiderfence.chm"), 404);
    announce(QStringLiteral("9.9.9"), QStringLiteral("1.0.5"), m_renewkitVersion);
    updateFromMenu([&](frmOption& options, UpdateTab& tab) {
        QTest::mouseClick(named<QPushButton>(tab, "Command1"), Qt::LeftButton);
        EXPECT_FALSE(options.isVisible());
    });
    ASSERT_EQ(test::scriptedPrompt().messages().size(), 1);
    EXPECT_TRUE(test::scriptedPrompt().messages().at(0).startsWith(
        "Error Updating " + QDir::toNativeSeparators(m_dir.file("spiderfence.chm"))));
    EXPECT_EQ(desktop.programs, QStringList{m_dir.file(ExecutableName(QStringLiteral("renewkit")))});
}

TEST_F(UpdateDownloadTest, ClosingTheOptionsWindowInThePauseBeforeTheHandOverCancelsIt)
{
    test::RecordingDesktop desktop;
    m_server.putFile(QStringLiteral("spiderfence.chm"), "help");
    announce(QStringLiteral("9.9.9"), QStringLiteral("1.0.5"), m_renewkitVersion);
    updateFromMenu([&](frmOption& options, UpdateTab& tab) {
        // Once the help file is in place, the update is in its pauses before the hand-over.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (QFile::exists(m_dir.file("spiderfence.chm")))
                options.close();
        });
        closer.start(10);
        QTest::mouseClick(named<QPushButton>(tab, "Command1"), Qt::LeftButton);
        EXPECT_FALSE(options.isVisible());
    });
    EXPECT_TRUE(desktop.programs.isEmpty());
    EXPECT_TRUE(m_window->isVisible());
    EXPECT_TRUE(test::scriptedPrompt().messages().isEmpty());
}
