// What a hostile network or server does to the FTP side, made by the tests' hostile proxy in front of
// pyftpdlib: cut and stalled data connections, a control connection lost mid-listing, malformed
// passive replies and slow replies. Nothing may be published cut, no listing may hang or pass for
// whole, and the window stays the user's.
#include "base/SettingsStore.h"
#include "ftp/CurlSession.h"
#include "ftp/cFTP.h"
#include "gui/ftp/FtpCommands.h"
#include "gui/main/frmMain.h"
#include "project/ProjectFile.h"
#include "project/RuleGrid.h"
#include "support/FtpServer.h"
#include "support/HostileProxy.h"
#include "support/MainWindowFixture.h"
#include "support/NamedChild.h"
#include "support/ScriptedPrompt.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace sf;
using test::FtpServer;
using test::HostileProxy;
using test::named;
using test::scriptedPrompt;

namespace {

constexpr int kListedFiles = 403;

class HostileServer : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start(FtpServer::Kind::Pyftpdlib)) << server.errorString().toStdString();
        for (int i = 0; i < kListedFiles; ++i)
            server.writeFile(QStringLiteral("/page-with-a-long-name-%1.html").arg(i, 3, 10, QChar(u'0')),
                             "x");
        ftp::setStallLimitSeconds(2);
    }
    void TearDown() override { ftp::setStallLimitSeconds(ftp::kStallLimitSeconds); }

    // A fresh proxy with these faults in front of the server; false when it did not start.
    bool startProxy(const QStringList& faults)
    {
        proxy = std::make_unique<HostileProxy>();
        const bool started = proxy->start(server.port(), faults);
        if (!started)
            ADD_FAILURE() << proxy->errorString().toStdString();
        return started;
    }

    bool connect(cFTP& ftp)
    {
        ftp.SetModePassive();
        return ftp.OpenConnection(server.host(), server.user(), server.password(), proxy->port());
    }

    FtpServer server;
    std::unique_ptr<HostileProxy> proxy; // declared after the server: it goes first
    test::TempProgramDir programDir;
};

QStringList temporaryFiles(const FtpServer& server)
{
    return QDir(server.root()).entryList({"*.part"}, QDir::Files | QDir::Hidden);
}

TEST_F(HostileServer, CutUploadKeepsTheOldRobotsTxt)
{
    QByteArray text;
    while (text.size() < 345)
        text += "Disallow: /private/" + QByteArray::number(text.size()) + "\n";
    text.truncate(345);
    test::writeFileBytes(programDir.file("up.txt"), text);
    for (const bool binary : {true, false}) {
        SCOPED_TRACE(binary ? "binary" : "ASCII");
        server.writeFile("/robots.txt", "old\n");
        ASSERT_TRUE(startProxy({"--cut-data", "100"}));
        cFTP ftp;
        ASSERT_TRUE(connect(ftp)) << ftp.GetLastErrorMessage().toStdString();
        binary ? ftp.SetTransferBinary() : ftp.SetTransferASCII();
        EXPECT_FALSE(ftp.PublishFile(programDir.file("up.txt"), "robots.txt"));
        EXPECT_EQ(ftp.GetLastErrorCode(), cFTP::ErrorIncomplete);
        EXPECT_TRUE(QRegularExpression("^Only \\d+ of the 345 bytes sent reached the server")
                        .match(ftp.GetLastErrorMessage())
                        .hasMatch())
            << ftp.GetLastErrorMessage().toStdString();
        EXPECT_EQ(server.readFile("/robots.txt"), "old\n");
        EXPECT_TRUE(temporaryFiles(server).isEmpty()) << temporaryFiles(server).join(' ').toStdString();
    }
}

TEST_F(HostileServer, BrokenListingsEndWithAReason)
{
    using L = cFTP::Listing;
    struct Case {
        const char* name;
        QStringList faults;
        QList<L> outcomes; // what may come of it: a lost control connection may beat the data or not
        const char* says = "";
    };
    const Case cases[] = {
        {"a data connection that stalls", {"--stall-data"}, {L::Failed}},
        {"malformed passive replies", {"--bad-pasv"}, {L::Failed}},
        {"a data connection reset part way", {"--cut-data", "4000"}, {L::Cut}},
        {"a data connection reset after 1,000 bytes", {"--cut-data", "1000"}, {L::Cut}},
        {"the control connection lost when the data comes",
         {"--close-after", "1"},
         {L::Cut, L::Failed},
         "The server closed the connection"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(startProxy(c.faults));
        cFTP ftp;
        ASSERT_TRUE(connect(ftp)) << ftp.GetLastErrorMessage().toStdString();
        EXPECT_EQ(ftp.GetDirectoryListing("*.*"), nullptr);
        EXPECT_TRUE(c.outcomes.contains(ftp.LastListing())) << static_cast<int>(ftp.LastListing());
        EXPECT_FALSE(ftp.GetLastErrorMessage().isEmpty());
        EXPECT_EQ(ftp.Directory()->Count() > 0, ftp.LastListing() == L::Cut);
        EXPECT_TRUE(ftp.GetLastErrorMessage().startsWith(c.says)) << ftp.GetLastErrorMessage().toStdString();
    }
    // Through a proxy that does no harm, the same listing is whole.
    ASSERT_TRUE(startProxy({}));
    cFTP ftp;
    ASSERT_TRUE(connect(ftp));
    ASSERT_NE(ftp.GetDirectoryListing("*.*"), nullptr) << ftp.GetLastErrorMessage().toStdString();
    EXPECT_EQ(ftp.LastListing(), cFTP::Listing::Complete);
    EXPECT_EQ(ftp.Directory()->Count(), kListedFiles);
}

// A control connection that the server closes once a transfer has opened ends every command with
// words that say so, whatever the command.
TEST_F(HostileServer, ALostControlConnectionIsNamedInEveryCommand)
{
    test::writeFileBytes(programDir.file("up.txt"), "User-agent: *\nDisallow: /x\n");
    server.writeFile("/robots.txt", "old\n");
    const QString local = programDir.file("down.txt");
    struct Case {
        const char* name;
        std::function<bool(cFTP&)> command;
    };
    const Case cases[] = {
        {"a listing", [](cFTP& ftp) { return ftp.GetDirectoryListing("*.*") != nullptr; }},
        {"a size asked", [](cFTP& ftp) { return ftp.GetFTPFileSize("robots.txt") >= 0; }},
        {"a download", [&](cFTP& ftp) { return ftp.FTPDownloadFile(local, "/robots.txt"); }},
        {"an upload", [&](cFTP& ftp) { return ftp.SimpleFTPPutFile(programDir.file("up.txt"), "/up.txt"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(startProxy({"--close-after", "1"}));
        cFTP ftp;
        ASSERT_TRUE(connect(ftp)) << ftp.GetLastErrorMessage().toStdString();
        EXPECT_FALSE(c.command(ftp));
        EXPECT_EQ(ftp.GetLastErrorCode(), cFTP::ErrorConnectionClosed)
            << ftp.GetLastErrorMessage().toStdString();
        EXPECT_TRUE(ftp.GetLastErrorMessage().startsWith("The server closed the connection"))
            << ftp.GetLastErrorMessage().toStdString();
    }
    EXPECT_EQ(server.readFile("/robots.txt"), "old\n");
}

class HostileServerWindow : public HostileServer, protected test::MainWindowFixture {
protected:
    void TearDown() override
    {
        stop();
        HostileServer::TearDown();
    }
    // The connection fields typed, in passive mode: the data connections pass through the proxy.
    void typeProxyConnection()
    {
        window->ftpCommands().optPassive_Click();
        typeConnection(server.host(), server.user(), server.password(), QString::number(proxy->port()));
    }
    QString statusText() const { return named<QLabel>(window, "StatusPanel1")->text(); }
    // The window as the program starts with a project that connects through the proxy at start-up;
    // returns once the start-up connect has ended.
    void startWithProject()
    {
        ProjectHeader header;
        header.server = server.host();
        header.port = QString::number(proxy->port());
        header.user = server.user();
        header.password = server.password();
        header.activeMode = 0;
        const QString path = programDir.file("site.sfp");
        ASSERT_TRUE(ProjectFile::save(path, header, RuleGrid::newProjectTemplate()));
        SettingsStore::save(SettingsStore::Check1, "TRUE");
        SettingsStore::save(SettingsStore::Check2, "TRUE");
        SettingsStore::save(SettingsStore::LastFilename, path);
        window = std::make_unique<frmMain>();
        window->Form_Load();
        window->show();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return statusText().startsWith("Folder: /") || statusText().startsWith("Not connected"); },
            30000));
        SettingsStore::save(SettingsStore::Check1, "FALSE");
    }
    QTreeWidget* lv() const { return named<QTreeWidget>(window, "lv"); }
};

TEST_F(HostileServerWindow, StartUpConnectComesOnceTheWindowIsUp)
{
    struct Case {
        const char* name;
        bool serverAnswers;
    };
    for (const Case& c : {Case{"a server that answers every reply late", true}, Case{"no server", false}}) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(startProxy({"--delay", "0.1"}));
        ProjectHeader header;
        header.server = server.host();
        header.port = QString::number(c.serverAnswers ? proxy->port() : test::freeLoopbackPort());
        header.user = server.user();
        header.password = server.password();
        header.activeMode = 0;
        const QString path = programDir.file("site.sfp");
        ASSERT_TRUE(ProjectFile::save(path, header, RuleGrid::newProjectTemplate()));
        SettingsStore::save(SettingsStore::Check1, "TRUE");
        SettingsStore::save(SettingsStore::Check2, "TRUE");
        SettingsStore::save(SettingsStore::LastFilename, path);
        scriptedPrompt().reset();
        window = std::make_unique<frmMain>();
        window->Form_Load();
        EXPECT_FALSE(window->ftpCommands().session().IsBusy() || window->isConnected())
            << "the connect waits for the window";
        window->show();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return window->isConnected() || statusText().startsWith("Not connected"); }, 30000));
        EXPECT_EQ(window->isConnected(), c.serverAnswers) << statusText().toStdString();
        EXPECT_EQ(lv()->topLevelItemCount() > kListedFiles, c.serverAnswers);
        if (!c.serverAnswers) {
            EXPECT_TRUE(statusText().contains("Couldn't connect")) << statusText().toStdString();
        }
        EXPECT_TRUE(scriptedPrompt().messages().isEmpty()) << "start-up shows no message box";
        stop();
    }
}

// A cut listing is told as such wherever the window lists (at start-up, Connect, Refresh, a folder
// opened), and Add rule warns; a control connection lost during a command says that the server
// closed it.
TEST_F(HostileServerWindow, CutListingsAndLostConnectionsAreToldWhereverTheWindowLists)
{
    server.makeDir("/folder");
    for (int i = 0; i < kListedFiles; ++i)
        server.writeFile(QStringLiteral("/folder/inner-page-with-a-long-name-%1.html").arg(i), "x");
    enum class Where { StartUp, Connect, Refresh, OpenFolder };
    const QStringList reset = {"--cut-data", "1000"};
    const QStringList resetLater =
        reset + QStringList{"--clean-data", "1"};      // the listing at connect is whole
    const QStringList closed = {"--close-after", "1"}; // after the 125 or 150 that opens the data
    struct Case {
        const char* name;
        Where where;
        QStringList faults;
        const char* status;  // in the status bar
        const char* message; // in a message box, or none when empty
    };
    const Case cases[] = {
        {"data reset at start-up", Where::StartUp, reset, "(listing incomplete: ", ""},
        {"data reset at Connect", Where::Connect, reset, "(listing incomplete: ", ""},
        {"data reset at Refresh", Where::Refresh, resetLater, "(listing incomplete: ", ""},
        {"data reset in a folder opened", Where::OpenFolder, resetLater,
         "Folder: /folder (listing incomplete: ", ""},
        {"control closed at start-up", Where::StartUp, closed, "The server closed the connection", ""},
        {"control closed at Connect", Where::Connect, closed, "The server closed the connection",
         "The server closed the connection"},
        {"control closed at Refresh", Where::Refresh, closed + QStringList{"--close-spare", "1"},
         "The server closed the connection", "The server closed the connection"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(startProxy(c.faults));
        scriptedPrompt().reset();
        if (c.where == Where::StartUp) {
            startWithProject();
        } else {
            start();
            typeProxyConnection();
            window->ConnectFtp();
        }
        if (c.where == Where::Refresh)
            window->ftpCommands().RefreshRemoteList();
        if (c.where == Where::OpenFolder) {
            const auto rows = lv()->findItems("folder", Qt::MatchExactly);
            ASSERT_EQ(rows.size(), 1);
            window->ftpCommands().lv_DblClick(rows.first());
        }
        EXPECT_TRUE(statusText().contains(c.status)) << statusText().toStdString();
        const QStringList messages = scriptedPrompt().messages();
        EXPECT_EQ(messages.size(), *c.message ? 1 : 0) << messages.join('\n').toStdString();
        if (!messages.isEmpty()) {
            EXPECT_TRUE(messages.last().contains(c.message)) << messages.last().toStdString();
        }
        if (statusText().contains("listing incomplete")) {
            // A reset cuts the data; a lost control connection may come after all of it.
            if (c.faults.first() == "--cut-data") {
                EXPECT_LT(lv()->topLevelItemCount(), kListedFiles + 1);
            }
            ASSERT_GT(lv()->topLevelItemCount(), 1);
            lv()->setCurrentItem(lv()->topLevelItem(lv()->topLevelItemCount() - 1));
            scriptedPrompt().reset();
            QTest::mouseClick(named<QToolButton>(window, "AddRobot"), Qt::LeftButton);
            ASSERT_EQ(scriptedPrompt().messages().size(), 1);
            EXPECT_TRUE(scriptedPrompt().messages()[0].contains("listing is incomplete"))
                << scriptedPrompt().messages()[0].toStdString();
        }
        stop();
    }
}

TEST_F(HostileServerWindow, StoppingAStalledListing)
{
    ftp::setStallLimitSeconds(60); // longer than the test may take: only the command can end it
    for (const char* command : {"mnuDisconnect", "mnuCloseProject"}) {
        SCOPED_TRACE(command);
        ASSERT_TRUE(startProxy({"--stall-data"}));
        start();
        typeProxyConnection();
        window->SetModified(false); // nothing to ask about when Close Project comes
        bool offered = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            // The listing runs once the login is done: Disconnect is offered, and stops it.
            if (!window->ftpCommands().session().IsConnected() || !window->ftpCommands().session().IsBusy())
                return;
            poll.stop();
            offered = named<QAction>(window, "mnuDisconnect")->isEnabled();
            named<QAction>(window, command)->trigger();
        });
        poll.start(50);
        window->ConnectFtp();
        EXPECT_TRUE(offered);
        EXPECT_FALSE(window->isConnected());
        EXPECT_EQ(window->ftpCommands().session().GetLastErrorCode(), cFTP::ErrorCancelled);
        EXPECT_EQ(lv()->topLevelItemCount(), 0);
        EXPECT_FALSE(named<QAction>(window, "mnuDisconnect")->isEnabled());
        stop();
    }
}

TEST_F(HostileServerWindow, ListingFailuresAreShownAsSuch)
{
    start();
    ASSERT_TRUE(startProxy({"--bad-pasv"}));
    typeProxyConnection();
    scriptedPrompt().reset();
    window->ConnectFtp();
    ASSERT_EQ(scriptedPrompt().messages().size(), 1) << statusText().toStdString();
    EXPECT_TRUE(scriptedPrompt().messages()[0].startsWith("The folder could not be listed: "))
        << scriptedPrompt().messages()[0].toStdString();
    EXPECT_EQ(lv()->topLevelItemCount(), 1) << "only the up row";
    EXPECT_TRUE(statusText().endsWith("(could not be listed)")) << statusText().toStdString();

    window->DisconnectFtp();
    ASSERT_TRUE(startProxy({"--cut-data", "4000"}));
    typeProxyConnection();
    scriptedPrompt().reset();
    window->ConnectFtp();
    EXPECT_TRUE(scriptedPrompt().messages().isEmpty());
    EXPECT_TRUE(statusText().contains("listing incomplete")) << statusText().toStdString();
    ASSERT_GT(lv()->topLevelItemCount(), 1);
    EXPECT_LT(lv()->topLevelItemCount(), kListedFiles + 1);
    lv()->setCurrentItem(lv()->topLevelItem(1));
    QTest::mouseClick(named<QToolButton>(window, "AddRobot"), Qt::LeftButton);
    ASSERT_EQ(scriptedPrompt().messages().size(), 1);
    EXPECT_TRUE(scriptedPrompt().messages()[0].contains("listing is incomplete"))
        << scriptedPrompt().messages()[0].toStdString();
}

} // namespace
