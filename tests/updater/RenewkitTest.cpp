#include "online/UpdateCheck.h"
#include "support/HttpServer.h"
#include "support/TestEnvironment.h"
#include "support/UpdateSamples.h"
#include "transfer/Inet.h"
#include "transfer/Signature.h"
#include "updater/RenewkitWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace sf;
using sf::renewkit::frmMain;
using sf::test::HttpServer;

namespace {

const QString kFilesPath = QStringLiteral("/files/spiderfence.exe");
const QString kVersionPage = QStringLiteral("spiderfenceversion.asp");
// The page announces the program's version, the one the payload carries.
const QByteArray kAnnounced = test::versionFields(ProgramVersionText(), "1.0.5", "1.2.0");
const QByteArray kOldProgram = "#!/bin/sh\n# the old main program, longer than nothing at all\nexit 0\n";

QByteArray payload()
{
    return test::readFileBytes(QStringLiteral(SF_TEST_PAYLOAD));
}

bool isExecutable(const QString& path)
{
    return QFile::permissions(path) & QFileDevice::ExeOwner;
}

QByteArray readIfThere(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A program folder holding the old main program, the server Renewkit downloads from, and the
// marker file the new program writes when it is started.
class RenewkitTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.isRunning());
        QApplication::setQuitOnLastWindowClosed(false);
        qputenv("SPIDERFENCE_DOWNLOAD_URL", m_server.baseUrl().toUtf8());
        qputenv("SPIDERFENCE_WEB_SERVICE_URL", m_server.baseUrl().toUtf8());
        qputenv("SF_PAYLOAD_MARKER", marker().toUtf8());
        m_server.setWebFunction(kVersionPage, kAnnounced);
        test::writeFileBytes(oldProgram(), kOldProgram);
        QFile::setPermissions(oldProgram(), QFile::permissions(oldProgram()) | QFileDevice::ExeOwner);
    }
    void TearDown() override
    {
        qunsetenv("SPIDERFENCE_DOWNLOAD_URL");
        qunsetenv("SPIDERFENCE_WEB_SERVICE_URL");
        qunsetenv("SF_PAYLOAD_MARKER");
        ResetMakerPublicKey();
        QApplication::setQuitOnLastWindowClosed(true);
    }

    QString oldProgram() const { return m_folder.filePath(renewkit::MainProgramName()); }
    QString marker() const { return m_marker.filePath(QStringLiteral("started.txt")); }
    bool started(int ms = 10000) const
    {
        return QTest::qWaitFor([&] { return readIfThere(marker()).startsWith("started"); }, ms);
    }

    // Runs the updater in this process until its window has closed; returns the messages it showed.
    QStringList runWindow(frmMain& window)
    {
        QStringList messages;
        window.setErrorReporter([&](const Result<void>& failure) { messages << failure.error; });
        window.setStartPause(0);
        window.setFreeChecks(2);
        window.Form_Load();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 30000));
        return messages;
    }
    QString label(const frmMain& window, const char* name) const
    {
        return window.findChild<QLabel*>(QLatin1String(name))->text();
    }

    HttpServer m_server;
    QTemporaryDir m_folder;
    QTemporaryDir m_marker;
};

} // namespace

TEST(RenewkitProgressLine, FormatsAmountAndSpeedWithGroupingInTheUsersLocale)
{
    const QLocale us(QLocale::English, QLocale::UnitedStates), de(QLocale::German, QLocale::Germany);
    const struct {
        qint64 bytes;
        double speed;
        QLocale locale;
        QString line;
    } cases[] = {
        {0, 0, QLocale::c(), "0.00 KB @ 0.00 KB/s"},
        {12800, 3.2, us, "12.50 KB @ 3.20 KB/s"},
        {1263616, 1234.5678, us, "1,234.00 KB @ 1,234.57 KB/s"},
        {1263616, 1234.5678, QLocale::c(), "1,234.00 KB @ 1,234.57 KB/s"},
        {1263616, 0.004, de, "1.234,00 KB @ 0,00 KB/s"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(renewkit::ProgressLine(c.bytes, c.speed, c.locale), c.line);
}

TEST(RenewkitProgressLine, SpeedNeverDividesByZero)
{
    const struct {
        qint64 bytes, ms;
        double previous, speed;
    } cases[] = {
        {2048, 1000, 0, 2.0},  {512, 50, 0, 10.0},
        {0, 50, 7.5, 0.0},     {0, 0, 0, 0.0},
        {1024, 0, 3.25, 3.25}, {1024, -86399950, 3.25, 3.25}, // same millisecond; a tick across midnight
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(renewkit::TransferSpeed(c.bytes, c.ms, c.previous), c.speed)
            << c.bytes << " " << c.ms;
    EXPECT_EQ(renewkit::ProgressLine(0, renewkit::TransferSpeed(0, 0, 0), QLocale::c()),
              QStringLiteral("0.00 KB @ 0.00 KB/s"));
}

TEST_F(RenewkitTest, ReplacesTheMainProgramKeepsItExecutableAndStartsIt)
{
    // Larger than the bar's 240 KB: the payload with data appended still runs.
    const QByteArray newProgram = payload() + QByteArray(300 * 1024, 'x');
    m_server.putFile(QStringLiteral("spiderfence.exe"), newProgram);
    frmMain window(m_folder.path());
    EXPECT_EQ(label(window, "Label2"), renewkit::ProgressLine(0, 0, QLocale()));
    EXPECT_EQ(runWindow(window), QStringList());
    EXPECT_EQ(window.targetPath(), oldProgram());
    EXPECT_EQ(test::readFileBytes(oldProgram()), newProgram);
    EXPECT_TRUE(isExecutable(oldProgram()));
    EXPECT_EQ(label(window, "Label1"), QStringLiteral("Re-start : Spiderfence.exe"));
    EXPECT_EQ(window.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"))->value(), 240);
    const QString amount =
        renewkit::ProgressLine(newProgram.size(), 0, QLocale()).section(QStringLiteral(" @ "), 0, 0);
    EXPECT_TRUE(label(window, "Label2").startsWith(amount + QStringLiteral(" @ ")))
        << label(window, "Label2").toStdString();
    EXPECT_EQ(m_server.requests(), (QStringList{"GET /webfunction/" + kVersionPage, "GET " + kFilesPath}));
    ASSERT_TRUE(started());
    EXPECT_EQ(readIfThere(marker()).trimmed(), "started with 0 arguments in " + m_folder.path().toUtf8());
    EXPECT_EQ(QDir(m_folder.path()).entryList(QDir::Files), QStringList{renewkit::MainProgramName()});
}

TEST_F(RenewkitTest, FailedOrRefusedDownloadsLeaveTheOldProgramAndSayWhy)
{
    m_server.putFile(QStringLiteral("spiderfence.exe"), payload());
    const QByteArray hashed = test::hashedVersionPage(kAnnounced, "", "", "", payload() + 'x');
    const SigningKeys maker = MakeSigningKeys();
    const QByteArray signedPage = test::hashedVersionPage(kAnnounced, "", "", "", payload());
    const QByteArray badlySigned =
        signedPage + ',' + SignMessage(signedPage + ' ', maker.secretKey).toBase64();
    const struct {
        const char* name;
        std::function<void()> fault;
        QByteArray page;
        QByteArray key;
        QString message;
    } cases[] = {
        {"404",
         [&] { m_server.answerStatus(kFilesPath, 404); },
         kAnnounced,
         {},
         "The server answered with status 404, #404"},
        {"cut", [&] { m_server.cutShort(kFilesPath, 1000); }, kAnnounced, {}, ", #18"},
        {"refused",
         [] { qputenv("SPIDERFENCE_DOWNLOAD_URL", "http://127.0.0.1:1"); },
         kAnnounced,
         {},
         ", #7"},
        {"empty 200",
         [&] { m_server.answerEmpty(kFilesPath); },
         kAnnounced,
         {},
         "The server sent an empty file"},
        {"no length",
         [&] { m_server.sendWithoutLength(kFilesPath, 5000); },
         kAnnounced,
         {},
         "did not say how long"},
        {"HTML page", [&] { m_server.answerHtml(kFilesPath); }, kAnnounced, {}, "The file is not a program"},
        {"other version",
         [] {},
         test::versionFields("9.9.9", "1.0.5", "1.2.0"),
         {},
         "not the announced 9.9.9"},
        {"wrong hash", [] {}, hashed, {}, "its SHA-256 differs"},
        {"bad signature", [] {}, badlySigned, maker.publicKey, "the version page is not signed by the maker"},
        {"unsigned", [] {}, signedPage, maker.publicKey, "the version page is not signed by the maker"},
    };
    for (const auto& c : cases) {
        m_server.clearRules();
        qputenv("SPIDERFENCE_DOWNLOAD_URL", m_server.baseUrl().toUtf8());
        c.fault();
        m_server.setWebFunction(kVersionPage, c.page);
        SetMakerPublicKey(c.key);
        frmMain window(m_folder.path());
        const QStringList messages = runWindow(window);
        ASSERT_EQ(messages.size(), 1) << c.name;
        EXPECT_TRUE(messages.at(0).startsWith("Error Updating Spiderfence\r\n\r\n"))
            << messages.at(0).toStdString();
        EXPECT_TRUE(messages.at(0).contains(c.message)) << c.name << ": " << messages.at(0).toStdString();
        EXPECT_EQ(test::readFileBytes(oldProgram()), kOldProgram) << c.name;
        EXPECT_TRUE(isExecutable(oldProgram()));
        EXPECT_EQ(QDir(m_folder.path()).entryList(QDir::Files), QStringList{renewkit::MainProgramName()});
    }
    EXPECT_FALSE(started(300));
}

TEST_F(RenewkitTest, ANewProgramThatCannotStartGivesWayToTheOldOne)
{
    // The payload built for another machine: it passes every check, but this system cannot run it.
    QByteArray foreign = payload();
    foreign[18] = 0x28; // e_machine: ARM
    foreign[19] = 0;
    m_server.putFile(QStringLiteral("spiderfence.exe"), foreign);
    m_server.setWebFunction(kVersionPage, test::hashedVersionPage(kAnnounced, "", "", "", foreign));
    frmMain window(m_folder.path());
    const QStringList messages = runWindow(window);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.at(0).contains("could not be started; the previous version is back in its place"))
        << messages.at(0).toStdString();
    EXPECT_EQ(test::readFileBytes(oldProgram()), kOldProgram);
    EXPECT_TRUE(isExecutable(oldProgram()));
    EXPECT_EQ(QDir(m_folder.path()).entryList(QDir::Files), QStringList{renewkit::MainProgramName()});
}

TEST_F(RenewkitTest, ARunningMainProgramIsReportedAndKeepsItsFile)
{
    m_server.putFile(QStringLiteral("spiderfence.exe"), payload());
    QFile::remove(oldProgram());
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), oldProgram()));
    const QByteArray old = test::readFileBytes(oldProgram());
    QProcess running;
    running.start(oldProgram(), {QStringLiteral("60")});
    ASSERT_TRUE(running.waitForStarted());
    frmMain window(m_folder.path());
    const QStringList messages = runWindow(window);
    running.kill();
    running.waitForFinished();
    EXPECT_EQ(messages,
              QStringList{QStringLiteral("Error Updating Spiderfence, A copy of Spiderfence must be running."
                                         "\r\n\r\nClose all copy of Spiderfence, and try again or start "
                                         "Renewkit.exe")});
    EXPECT_EQ(test::readFileBytes(oldProgram()), old);
    EXPECT_FALSE(started(300));
}

TEST_F(RenewkitTest, ClosingWhileConnectingEndsWithoutWriting)
{
    m_server.putFile(QStringLiteral("spiderfence.exe"), payload());
    m_server.delay(kFilesPath, 3);
    frmMain window(m_folder.path());
    QStringList messages;
    window.setErrorReporter([&](const Result<void>& failure) { messages << failure.error; });
    window.setStartPause(0);
    window.Form_Load();
    EXPECT_EQ(label(window, "Label1"), QStringLiteral("Establishing connection..."));
    ASSERT_TRUE(m_server.waitForRequest(QStringLiteral("GET /files/spiderfence.exe"), 10000));
    window.close();
    EXPECT_FALSE(window.transfer()->StillExecuting());
    QTest::qWait(3500);
    EXPECT_EQ(messages, QStringList());
    EXPECT_EQ(test::readFileBytes(oldProgram()), kOldProgram);
}

// The built program, run as the main program starts it: from its own folder, without arguments.
TEST_F(RenewkitTest, BuiltRenewkitUpdatesTheProgramInItsFolder)
{
    const QString renewkit = m_folder.filePath(QStringLiteral("renewkit"));
    ASSERT_TRUE(QFile::copy(test::buildBinDir() + QStringLiteral("/renewkit"), renewkit));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    // An error answer: the old program stays, and the failure is told (the test ends the process,
    // which waits on its message box).
    m_server.answerStatus(kFilesPath, 404);
    QProcess failing;
    failing.setProcessEnvironment(env);
    failing.start(renewkit, {});
    QByteArray errors;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            errors += failing.readAllStandardError();
            return errors.contains("Error Updating Spiderfence");
        },
        30000));
    EXPECT_TRUE(errors.contains("#404")) << errors.toStdString();
    failing.kill();
    failing.waitForFinished();
    EXPECT_EQ(test::readFileBytes(oldProgram()), kOldProgram);
    EXPECT_FALSE(started(300));

    m_server.clearRules();
    m_server.putFile(QStringLiteral("spiderfence.exe"), payload());
    QProcess updater;
    updater.setProcessEnvironment(env);
    updater.start(renewkit, {});
    ASSERT_TRUE(updater.waitForFinished(30000)) << updater.readAllStandardError().toStdString();
    EXPECT_EQ(updater.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(updater.exitCode(), 0);
    EXPECT_EQ(test::readFileBytes(oldProgram()), payload());
    EXPECT_TRUE(isExecutable(oldProgram()));
    ASSERT_TRUE(started());
    EXPECT_TRUE(readIfThere(marker()).startsWith("started with 0 arguments"));
}
