// Publishing robots.txt through a temporary name, and sessions that outlive a server's idle limit.
#include "FtpTestBase.h"

#include "support/TestEnvironment.h"

#include <QDir>
#include <QThread>

using sf::test::FtpServer;

namespace {

// Names in the server folder that a publishing may have left behind.
QStringList temporaryFiles(const FtpServer& server)
{
    return QDir(server.localPath(server.writableDir())).entryList({"*.part"}, QDir::Files | QDir::Hidden);
}

QByteArray bigRobots(int bytes)
{
    QByteArray text;
    for (int i = 0; text.size() < bytes; ++i)
        text += "Disallow: /private/" + QByteArray::number(i) + "\r\n";
    return text.left(bytes);
}

} // namespace

class FtpPublishTest : public FtpServerTest {};

TEST_P(FtpPublishTest, ReplacesTheOldFileThroughATemporaryName)
{
    server.writeFile(remote("robots.txt"), "old\r\n");
    connectToWritableDir();
    ftp.SetTransferBinary();
    const QByteArray text = bigRobots(40000);
    sf::test::writeFileBytes(local("up.txt"), text);
    cFTP::PublishMethod method = cFTP::PublishMethod::DirectWrite;
    ASSERT_TRUE(ftp.PublishFile(local("up.txt"), "robots.txt", &method))
        << ftp.GetLastErrorMessage().toStdString();
    EXPECT_EQ(method, cFTP::PublishMethod::Renamed);
    EXPECT_EQ(ftp.PublishedSizeChecked(), text.size()) << "the server was asked what arrived";
    EXPECT_EQ(server.readFile(remote("robots.txt")), text);
    EXPECT_TRUE(temporaryFiles(server).isEmpty());
}

TEST_P(FtpPublishTest, CancelledUploadLeavesTheOldFileAndRemovesTheTemporaryOne)
{
    server.writeFile(remote("robots.txt"), "old\r\n");
    connectToWritableDir();
    ftp.SetTransferBinary();
    sf::test::writeFileBytes(local("up.txt"), bigRobots(3 * 1024 * 1024));
    QObject::connect(&ftp, &cFTP::FileTransferProgress, [this](qint32 sent, qint32) {
        if (sent > 64 * 1024)
            ftp.Cancel();
    });
    EXPECT_FALSE(ftp.PublishFile(local("up.txt"), "robots.txt"));
    EXPECT_EQ(server.readFile(remote("robots.txt")), "old\r\n");
    EXPECT_TRUE(temporaryFiles(server).isEmpty()) << temporaryFiles(server).join(' ').toStdString();
}

SF_INSTANTIATE_FOR_BOTH_SERVERS(FtpPublishTest);

TEST(FtpPublish, RefusedRenameFallsBackToWritingInPlace)
{
    FtpServer server;
    server.setExtraArguments({"--perm", "elradmwMT"}); // no "f": every rename is refused
    ASSERT_TRUE(server.start(FtpServer::Kind::Pyftpdlib)) << server.errorString().toStdString();
    server.writeFile("/robots.txt", "old\r\n");
    QTemporaryDir dir;
    sf::test::writeFileBytes(dir.filePath("up.txt"), "User-agent: *\r\nDisallow:\r\n");
    cFTP ftp;
    ftp.SetModePassive();
    ftp.SetTransferBinary();
    ASSERT_TRUE(ftp.OpenConnection(server.host(), server.user(), server.password(), server.port()));
    cFTP::PublishMethod method = cFTP::PublishMethod::Renamed;
    ASSERT_TRUE(ftp.PublishFile(dir.filePath("up.txt"), "robots.txt", &method))
        << ftp.GetLastErrorMessage().toStdString();
    EXPECT_EQ(method, cFTP::PublishMethod::DirectWrite);
    EXPECT_EQ(ftp.PublishedSizeChecked(), 26) << "the file written in place is checked too";
    EXPECT_EQ(server.readFile("/robots.txt"), "User-agent: *\r\nDisallow:\r\n");
    EXPECT_TRUE(temporaryFiles(server).isEmpty());
}

TEST(FtpPublish, ServerStoppedMidTransferLeavesTheOldFile)
{
    FtpServer server;
    server.setExtraArguments({"--upload-rate", "262144"});
    ASSERT_TRUE(server.start(FtpServer::Kind::Pyftpdlib)) << server.errorString().toStdString();
    server.writeFile("/robots.txt", "old\r\n");
    QTemporaryDir dir;
    sf::test::writeFileBytes(dir.filePath("up.txt"), bigRobots(8 * 1024 * 1024));
    cFTP ftp;
    ftp.SetModePassive();
    ftp.SetTransferBinary();
    ASSERT_TRUE(ftp.OpenConnection(server.host(), server.user(), server.password(), server.port()));
    QObject::connect(&ftp, &cFTP::FileTransferProgress, [&server](qint32 sent, qint32) {
        if (sent > 256 * 1024)
            server.stop();
    });
    EXPECT_FALSE(ftp.PublishFile(dir.filePath("up.txt"), "robots.txt"));
    EXPECT_FALSE(ftp.GetLastErrorMessage().isEmpty());
    EXPECT_EQ(server.readFile("/robots.txt"), "old\r\n");
}

TEST(FtpPublish, IdleTimeoutIsBridgedByOneReconnect)
{
    // The server closes the connection when the limit passes, or answers the next command with 421.
    for (const char* option : {"--idle-timeout", "--idle-limit"}) {
        SCOPED_TRACE(option);
        FtpServer server;
        server.setExtraArguments({option, "0.2"});
        ASSERT_TRUE(server.start(FtpServer::Kind::Pyftpdlib)) << server.errorString().toStdString();
        QTemporaryDir dir;
        sf::test::writeFileBytes(dir.filePath("up.txt"), "User-agent: *\r\n");
        cFTP ftp;
        ftp.SetModePassive();
        ftp.SetTransferBinary();
        ASSERT_TRUE(ftp.OpenConnection(server.host(), server.user(), server.password(), server.port()));
        ASSERT_TRUE(ftp.SetFTPDirectory("/"));
        QThread::msleep(400); // past the server's idle limit
        ASSERT_TRUE(ftp.PublishFile(dir.filePath("up.txt"), "robots.txt"))
            << ftp.GetLastErrorMessage().toStdString();
        EXPECT_EQ(server.readFile("/robots.txt"), "User-agent: *\r\n");
        QThread::msleep(400); // past the server's idle limit
        EXPECT_NE(ftp.GetDirectoryListing("*.*"), nullptr) << ftp.GetLastErrorMessage().toStdString();
    }
}
