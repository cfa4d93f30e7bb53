// The FTP session against real servers: connecting, listing, navigating and the error texts.
#include "FtpTestBase.h"

#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTimeZone>
#include <QTimer>

#include <signal.h>

using sf::test::FtpServer;

using FtpSession = FtpServerTest;
SF_INSTANTIATE_FOR_BOTH_SERVERS(FtpSession);

namespace {

bool anyReplyStartsWith(const QStringList& replies, const QStringList& codes)
{
    for (const QString& reply : replies)
        for (const QString& code : codes)
            if (reply.startsWith(code))
                return true;
    return false;
}

void setModified(const QString& path, const QDateTime& time)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(time, QFileDevice::FileModificationTime));
}

} // namespace

TEST_P(FtpSession, ListsFilesFoldersSpacesAndTimesInActiveAndPassiveMode)
{
    server.writeFile(remote("a.txt"), "abc");
    server.writeFile(remote("name with spaces.txt"), "hello world");
    server.makeDir(remote("folder"));
    server.writeFile(remote("folder/inner.txt"), "x");
    server.makeDir(remote("empty folder"));
    const QDateTime old(QDate(2024, 5, 6), QTime(7, 8, 9), QTimeZone::utc());
    setModified(server.localPath(remote("a.txt")), old);

    for (const bool passive : {false, true}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        connectToWritableDir(passive);
        EXPECT_EQ(ftp.IsConnectionPassive(), passive);
        EXPECT_EQ(ftp.UsesMachineListing(), !isVsftpd()); // vsftpd has no MLSD: LIST is parsed there
        const auto list = ftp.GetDirectoryListing(QStringLiteral("*.*"));
        ASSERT_TRUE(list) << ftp.GetLastErrorMessage().toStdString();
        EXPECT_EQ(list, ftp.Directory());
        const QMap<QString, QString> expected{
            {"a.txt", "3"}, {"name with spaces.txt", "11"}, {"folder", "d"}, {"empty folder", "d"}};
        EXPECT_EQ(listed(), expected);
        // The data connection went the way the mode says.
        const QStringList replies = ftp.LastServerReplies();
        EXPECT_EQ(anyReplyStartsWith(replies, {"227", "229"}), passive) << replies.join('|').toStdString();

        const cDirItem& file = list->Item(QStringLiteral("A.TXT"));
        EXPECT_TRUE(file.Normal);
        EXPECT_FALSE(file.Directory);
        const cDirItem& folder = list->Item(QStringLiteral("folder"));
        EXPECT_TRUE(folder.Directory);
        EXPECT_FALSE(folder.Normal);
        // An old file: MLSD gives the second, shown as the local wall clock; LIST gives only the day.
        EXPECT_EQ(file.HasTime, !isVsftpd());
        const QDateTime shownOld = isVsftpd() ? QDateTime(old.date(), QTime(0, 0)) : old.toLocalTime();
        EXPECT_EQ(file.LastWriteTime.toString("yyyy-MM-dd hh:mm:ss"),
                  shownOld.toString("yyyy-MM-dd hh:mm:ss"));
        // A file of today: LIST gives no year, and it must not land in another year.
        const QDateTime recent = list->Item(QStringLiteral("name with spaces.txt")).LastWriteTime;
        EXPECT_LE(qAbs(recent.secsTo(QDateTime::currentDateTime())), 120) << recent.toString().toStdString();

        const auto filtered = ftp.GetDirectoryListing(QStringLiteral("*.txt"));
        ASSERT_TRUE(filtered);
        EXPECT_EQ(filtered->Count(), 2);
        EXPECT_EQ(list->Count(), 4) << "a list handed out earlier keeps its entries";
        ftp.CloseConnection();
    }
}

TEST_P(FtpSession, NavigatesIntoAFolderAndBackUpAsTheBrowserDoes)
{
    server.makeDir(remote("folder"));
    server.writeFile(remote("folder/inner.txt"), "x");
    server.makeDir(remote("empty folder"));
    server.writeFile(remote("plain.txt"), "p");
    connectToWritableDir();
    const QString start = ftp.GetFTPDirectory();
    EXPECT_EQ(start, server.writableDir());

    // The browser joins the current directory, "/" and the row text; at "/" that gives "//folder".
    ASSERT_TRUE(ftp.SetFTPDirectory(start + "/" + "folder")) << ftp.GetLastErrorMessage().toStdString();
    EXPECT_EQ(ftp.GetFTPDirectory(), remote("folder"));
    ASSERT_TRUE(ftp.GetDirectoryListing(QStringLiteral("*.*")));
    EXPECT_EQ(listed(), (QMap<QString, QString>{{"inner.txt", "1"}}));

    ASSERT_TRUE(ftp.SetFTPDirectory(ftp.GetFTPDirectory() + "/" + ".."));
    EXPECT_EQ(ftp.GetFTPDirectory(), start);

    // An empty folder: no list, no error, an empty Directory.
    ASSERT_TRUE(ftp.SetFTPDirectory(start + "/" + "empty folder"));
    const QString before = ftp.GetLastErrorMessage();
    EXPECT_FALSE(ftp.GetDirectoryListing(QStringLiteral("*.*")));
    EXPECT_EQ(ftp.Directory()->Count(), 0);
    EXPECT_EQ(ftp.GetLastErrorMessage(), before);
    ASSERT_TRUE(ftp.SetFTPDirectory(ftp.GetFTPDirectory() + "/.."));

    // Entering a file fails with the server's reply; the directory and the connection stay.
    EXPECT_FALSE(ftp.SetFTPDirectory(start + "/" + "plain.txt"));
    EXPECT_EQ(ftp.GetLastErrorCode(), cFTP::ErrorServerResponse);
    EXPECT_TRUE(ftp.GetLastErrorMessage().startsWith("550")) << ftp.GetLastErrorMessage().toStdString();
    EXPECT_EQ(ftp.GetFTPDirectory(), start);
    ASSERT_TRUE(ftp.GetDirectoryListing(QStringLiteral("*.*")));
    EXPECT_EQ(ftp.Directory()->Count(), 3);
}

TEST_P(FtpSession, AWrongLoginLeavesTheServersReplyAsTheMessage)
{
    ftp.SetModePassive();
    const QString wrongUser = isVsftpd() ? QStringLiteral("nobody") : server.user();
    EXPECT_FALSE(ftp.OpenConnection(server.host(), wrongUser, QStringLiteral("wrong"), server.port()));
    EXPECT_FALSE(ftp.IsConnected());
    EXPECT_EQ(ftp.GetLastErrorCode(), cFTP::ErrorServerResponse);
    const QString expected = isVsftpd() ? QStringLiteral("530 This FTP server is anonymous only.")
                                        : QStringLiteral("530 Authentication failed.");
    EXPECT_EQ(ftp.GetLastErrorMessage(), expected);

    // The next operation fails for want of a connection, in the usual form.
    EXPECT_FALSE(ftp.GetDirectoryListing(QStringLiteral("*.*")));
    EXPECT_EQ(ftp.GetLastErrorMessage(),
              QStringLiteral("FtpFindFirstFile error code: 12100 Message: Not connected to an FTP server."));
    EXPECT_TRUE(connect());
}

TEST_P(FtpSession, ServerRefusalsKeepTheConnectionAndGiveTheReply)
{
    server.makeDir(remote("full"));
    server.writeFile(remote("full/f.txt"), "f");
    connectToWritableDir();
    struct Case {
        std::function<bool()> run;
        const char* code;
    } cases[] = {
        {[&] { return ftp.DeleteFTPFile("missing.txt"); }, "550"},
        {[&] { return ftp.RemoveFTPDirectory("full"); }, "550"},
        {[&] { return ftp.RenameFTPFile("missing.txt", "other.txt"); }, "550"},
        {[&] { return ftp.CreateFTPDirectory("full"); }, "550"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(c.run());
        EXPECT_EQ(ftp.GetLastErrorCode(), cFTP::ErrorServerResponse);
        EXPECT_TRUE(ftp.GetLastErrorMessage().startsWith(c.code)) << ftp.GetLastErrorMessage().toStdString();
        EXPECT_FALSE(ftp.GetLastErrorMessage().contains("error code"))
            << "the reply alone, without a context";
    }
    EXPECT_TRUE(server.exists(remote("full/f.txt")));
    ASSERT_TRUE(ftp.GetDirectoryListing(QStringLiteral("*.*"))) << ftp.GetLastErrorMessage().toStdString();
    // A name with a line break would smuggle a second command: refused before it is sent.
    EXPECT_FALSE(ftp.DeleteFTPFile("x\r\nRMD full"));
    EXPECT_TRUE(ftp.GetLastErrorMessage().startsWith("DeleteFTPFile error code: 12103"));
}

TEST_P(FtpSession, RenamesCreatesAndRemovesOnTheServer)
{
    server.writeFile(remote("old name.txt"), "content");
    connectToWritableDir();
    ASSERT_TRUE(ftp.CreateFTPDirectory("new folder")) << ftp.GetLastErrorMessage().toStdString();
    EXPECT_TRUE(QFileInfo(server.localPath(remote("new folder"))).isDir());
    ASSERT_TRUE(ftp.RenameFTPFile("old name.txt", "new folder/new name.txt"))
        << ftp.GetLastErrorMessage().toStdString();
    EXPECT_EQ(server.readFile(remote("new folder/new name.txt")), QByteArray("content"));
    EXPECT_FALSE(server.exists(remote("old name.txt")));
    ASSERT_TRUE(ftp.DeleteFTPFile("new folder/new name.txt")) << ftp.GetLastErrorMessage().toStdString();
    EXPECT_FALSE(server.exists(remote("new folder/new name.txt")));
    ASSERT_TRUE(ftp.RemoveFTPDirectory(remote("new folder"))) << ftp.GetLastErrorMessage().toStdString();
    EXPECT_FALSE(server.exists(remote("new folder")));
}

TEST_P(FtpSession, AChangeOfModeWaitsForTheNextConnection)
{
    server.writeFile(remote("a.txt"), "a");
    connectToWritableDir(false);
    ftp.SetModePassive();
    EXPECT_TRUE(ftp.IsModePassive());
    EXPECT_FALSE(ftp.IsConnectionPassive());
    ASSERT_TRUE(ftp.GetDirectoryListing("*.*"));
    EXPECT_FALSE(anyReplyStartsWith(ftp.LastServerReplies(), {"227", "229"}));
    connectToWritableDir(true);
    ASSERT_TRUE(ftp.GetDirectoryListing("*.*"));
    EXPECT_TRUE(anyReplyStartsWith(ftp.LastServerReplies(), {"227", "229"}));
}

TEST(FtpSessionOffline, AnUnreachablePortFailsAtOnceWithAClearMessage)
{
    const int port = sf::test::freeLoopbackPort();
    ASSERT_GT(port, 0);
    cFTP ftp;
    EXPECT_FALSE(ftp.OpenConnection("127.0.0.1", "user", "password", port));
    EXPECT_FALSE(ftp.IsConnected());
    const QString message = ftp.GetLastErrorMessage();
    EXPECT_TRUE(message.startsWith("InternetConnect error code: 7 Message: Couldn't connect to server"))
        << message.toStdString();
    EXPECT_TRUE(message.contains(QString::number(port))) << message.toStdString();
}

TEST(FtpSessionOffline, PortTextFallsBackToTheProtocolsDefault)
{
    using sf::ftp::Protocol;
    const struct {
        const char* text;
        Protocol protocol;
        int port;
    } cases[] = {{"", Protocol::Ftp, 21},         {"2121", Protocol::Ftp, 2121},
                 {" 990 ", Protocol::Ftp, 990},   {"0", Protocol::Ftp, 21},
                 {"65535", Protocol::Ftp, 65535}, {"65536", Protocol::Ftp, 21},
                 {"-5", Protocol::Ftp, 21},       {"ftp", Protocol::Ftp, 21},
                 {"", Protocol::FtpExplicit, 21}, {"x", Protocol::FtpsImplicit, 990},
                 {"0", Protocol::Sftp, 22},       {"2222", Protocol::Sftp, 2222}};
    for (const auto& c : cases)
        EXPECT_EQ(cFTP::PortFromText(QString::fromUtf8(c.text), c.protocol), c.port)
            << c.text << " " << static_cast<int>(c.protocol);
}

TEST(FtpSessionFallback, AServerThatOffersButRefusesMlsdIsListedWithList)
{
    FtpServer server;
    server.setExtraArguments({QStringLiteral("--refuse-mlsd")});
    ASSERT_TRUE(server.start(FtpServer::Kind::Pyftpdlib)) << server.errorString().toStdString();
    server.writeFile("/page one.html", "12345");
    server.makeDir("/images");
    cFTP ftp;
    ftp.SetModePassive();
    ASSERT_TRUE(ftp.OpenConnection(server.host(), server.user(), server.password(), server.port()));
    EXPECT_TRUE(ftp.UsesMachineListing()) << "FEAT still offers MLST";
    const QString before = ftp.GetLastErrorMessage();
    const auto list = ftp.GetDirectoryListing("*.*");
    ASSERT_TRUE(list) << ftp.GetLastErrorMessage().toStdString();
    EXPECT_FALSE(ftp.UsesMachineListing());
    EXPECT_EQ(ftp.GetLastErrorMessage(), before) << "the refusal is not an error of the listing";
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Item("page one.html").FileSize, 5);
    EXPECT_TRUE(list->Item("images").Directory);
    ASSERT_TRUE(ftp.GetDirectoryListing("*.html"));
    EXPECT_EQ(ftp.Directory()->Count(), 1);
}

TEST(FtpSessionStalled, AServerThatStopsAnsweringNeitherFreezesTheDisconnectNorACommand)
{
    FtpServer server;
    ASSERT_TRUE(server.start(FtpServer::Kind::Pyftpdlib)) << server.errorString().toStdString();
    const auto pid = static_cast<pid_t>(server.processId());
    const auto wake = qScopeGuard([pid] { ::kill(pid, SIGCONT); });
    cFTP ftp;
    ftp.SetModePassive();

    // Disconnecting does not wait for the reply to QUIT.
    ASSERT_TRUE(ftp.OpenConnection(server.host(), server.user(), server.password(), server.port()));
    ASSERT_EQ(::kill(pid, SIGSTOP), 0);
    ftp.CloseConnection();
    EXPECT_FALSE(ftp.IsConnected());
    ::kill(pid, SIGCONT);

    // A listing waits for replies that do not come; window events still run, and one cancels it.
    ASSERT_TRUE(ftp.OpenConnection(server.host(), server.user(), server.password(), server.port()));
    ASSERT_EQ(::kill(pid, SIGSTOP), 0);
    QTimer::singleShot(300, [&] { ftp.Cancel(); });
    EXPECT_FALSE(ftp.GetDirectoryListing("*.*"));
    EXPECT_TRUE(ftp.GetLastErrorMessage().startsWith("FtpFindFirstFile error code: 42"))
        << ftp.GetLastErrorMessage().toStdString();
    ftp.CloseConnection();

    // Connecting to it waits for a greeting that does not come: events run, and one cancels it.
    QTimer::singleShot(300, [&] { ftp.Cancel(); });
    EXPECT_FALSE(ftp.OpenConnection(server.host(), server.user(), server.password(), server.port()));
    EXPECT_TRUE(ftp.GetLastErrorMessage().startsWith("InternetConnect error code: 42"))
        << ftp.GetLastErrorMessage().toStdString();
    EXPECT_FALSE(ftp.IsConnected());
}

// On a machine without vsftpd its tests fail and say why; the window tests must not crash instead.
TEST(FtpServerFixture, AMissingVsftpdIsAClearFailure)
{
    const QByteArray missing = "/nonexistent/vsftpd";
    qputenv(FtpServer::kVsftpdVariable, missing);
    const auto restore = qScopeGuard([] { qunsetenv(FtpServer::kVsftpdVariable); });
    FtpServer server;
    EXPECT_FALSE(server.start(FtpServer::Kind::Vsftpd));
    EXPECT_TRUE(server.errorString().startsWith("vsftpd is not installed"))
        << server.errorString().toStdString();

    QProcess windowTests;
    windowTests.setProcessChannelMode(QProcess::MergedChannels);
    windowTests.start(QCoreApplication::applicationDirPath() + "/test_ftp_window",
                      {"--gtest_filter=*/vsftpd"});
    ASSERT_TRUE(windowTests.waitForFinished(120000));
    const QString output = QString::fromUtf8(windowTests.readAll());
    EXPECT_EQ(windowTests.exitStatus(), QProcess::NormalExit) << output.toStdString();
    EXPECT_EQ(windowTests.exitCode(), 1);
    EXPECT_TRUE(output.contains("vsftpd is not installed")) << output.toStdString();
}
