// File transfers and size queries of the FTP session against real servers.
#include "FtpTestBase.h"

#include "support/TestEnvironment.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTimer>

using FtpTransfer = FtpServerTest;
SF_INSTANTIATE_FOR_BOTH_SERVERS(FtpTransfer);

namespace {

using Events = QList<std::pair<qint32, qint32>>;

Events eventsOf(const QSignalSpy& spy)
{
    Events events;
    for (const QList<QVariant>& args : spy)
        events.append({args.at(0).toInt(), args.at(1).toInt()});
    return events;
}

QByteArray patternBytes(int size)
{
    QByteArray bytes;
    for (int i = 0; i < size; ++i)
        bytes.append(static_cast<char>((i * 7 + i / 256) & 0xff));
    return bytes;
}

} // namespace

TEST_P(FtpTransfer, ChunkedUploadRaisesOneEventPerFullChunkAndOneAtTheEnd)
{
    connectToWritableDir();
    ftp.SetTransferBinary();
    const struct {
        int size;
        Events events;
    } cases[] = {
        {0, {{0, 0}}},
        {1, {{1, 1}}},
        {255, {{255, 255}, {255, 255}}},
        {256, {{255, 256}, {256, 256}}},
        {510, {{255, 510}, {510, 510}, {510, 510}}},
        {1000, {{255, 1000}, {510, 1000}, {765, 1000}, {1000, 1000}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const QByteArray bytes = patternBytes(c.size);
        sf::test::writeFileBytes(local("up.bin"), bytes);
        QSignalSpy spy(&ftp, &cFTP::FileTransferProgress);
        ASSERT_TRUE(ftp.FTPUploadFile(local("up.bin"), QStringLiteral("up.bin")))
            << ftp.GetLastErrorMessage().toStdString();
        EXPECT_EQ(eventsOf(spy), c.events);
        EXPECT_EQ(server.readFile(remote("up.bin")), bytes);

        // And back: the download counts the same chunks (an empty file is not downloaded).
        QFile::remove(local("down.bin"));
        QSignalSpy downSpy(&ftp, &cFTP::FileTransferProgress);
        const QString before = ftp.GetLastErrorMessage();
        EXPECT_EQ(ftp.FTPDownloadFile(local("down.bin"), QStringLiteral("up.bin")), c.size > 0);
        if (c.size > 0) {
            EXPECT_EQ(sf::test::readFileBytes(local("down.bin")), bytes);
            EXPECT_EQ(eventsOf(downSpy).size(), c.size / 255 + 1);
            EXPECT_EQ(eventsOf(downSpy).last(), std::make_pair(c.size, c.size));
        } else {
            EXPECT_FALSE(QFileInfo::exists(local("down.bin")));
            EXPECT_EQ(ftp.GetLastErrorMessage(), before);
            EXPECT_TRUE(downSpy.isEmpty());
        }
    }
}

TEST_P(FtpTransfer, BinaryAndAsciiTransfersAreByteExact)
{
    connectToWritableDir();
    QByteArray everyByte;
    for (int i = 0; i < 4096; ++i)
        everyByte.append(static_cast<char>(i & 0xff));
    const QByteArray text = "User-agent: *\r\nDisallow: /private/\r\n\r\nUser-agent: Bot\r\nDisallow: /\r\n";

    ftp.SetTransferBinary();
    sf::test::writeFileBytes(local("every.bin"), everyByte);
    ASSERT_TRUE(ftp.FTPUploadFile(local("every.bin"), "every.bin"))
        << ftp.GetLastErrorMessage().toStdString();
    EXPECT_EQ(server.readFile(remote("every.bin")), everyByte);
    ASSERT_TRUE(ftp.FTPDownloadFile(local("every back.bin"), "every.bin"));
    EXPECT_EQ(sf::test::readFileBytes(local("every back.bin")), everyByte);

    // ASCII: libcurl puts CR LF on the wire for every LF, and turns CR LF back into LF on the way
    // in. pyftpdlib stores text with its own LF line ends; vsftpd stores the wire bytes.
    ftp.SetTransferASCII();
    const QByteArray lfText = QByteArray(text).replace("\r\n", "\n");
    sf::test::writeFileBytes(local("robots.txt"), lfText);
    ASSERT_TRUE(ftp.FTPUploadFile(local("robots.txt"), "robots.txt"))
        << ftp.GetLastErrorMessage().toStdString();
    EXPECT_EQ(server.readFile(remote("robots.txt")), isVsftpd() ? text : lfText);
    ASSERT_TRUE(ftp.FTPDownloadFile(local("robots back.txt"), "robots.txt"));
    EXPECT_EQ(sf::test::readFileBytes(local("robots back.txt")), lfText);
    // Text that already holds CR LF gets a second CR on the wire: callers send LF in ASCII mode.
    sf::test::writeFileBytes(local("crlf.txt"), "a\r\n");
    ASSERT_TRUE(ftp.FTPUploadFile(local("crlf.txt"), "crlf.txt"));
    EXPECT_EQ(server.readFile(remote("crlf.txt")), isVsftpd() ? QByteArray("a\r\r\n") : QByteArray("a\r\n"));

    ftp.SetTransferBinary();
    ASSERT_TRUE(ftp.SimpleFTPPutFile(local("every.bin"), "simple.bin"))
        << ftp.GetLastErrorMessage().toStdString();
    EXPECT_EQ(server.readFile(remote("simple.bin")), everyByte);
    ASSERT_TRUE(ftp.SimpleFTPGetFile(local("simple back.bin"), "simple.bin"));
    EXPECT_EQ(sf::test::readFileBytes(local("simple back.bin")), everyByte);
}

TEST_P(FtpTransfer, AFailedDownloadLeavesTheLocalFileAsItWas)
{
    connectToWritableDir();
    server.writeFile(remote("new.txt"), "new contents");
    const QString missingFolder = local("no such folder/kept.txt");
    const struct {
        bool chunked;
        const char* remoteName;
        QString localPath;
        qint32 code;
    } cases[] = {
        {false, "missing.txt", local("kept.txt"), cFTP::ErrorServerResponse},
        {false, "new.txt", missingFolder, cFTP::ErrorLocalFile},
        {true, "new.txt", missingFolder, cFTP::ErrorLocalFile},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.localPath.toStdString());
        sf::test::writeFileBytes(local("kept.txt"), "old contents");
        const QString name = QString::fromLatin1(c.remoteName);
        EXPECT_FALSE(c.chunked ? ftp.FTPDownloadFile(c.localPath, name)
                               : ftp.SimpleFTPGetFile(c.localPath, name));
        EXPECT_EQ(ftp.GetLastErrorCode(), c.code) << ftp.GetLastErrorMessage().toStdString();
        EXPECT_EQ(sf::test::readFileBytes(local("kept.txt")), QByteArray("old contents"));
        EXPECT_FALSE(QFileInfo::exists(missingFolder));
    }
}

TEST_P(FtpTransfer, FileSizeSearchesWithSpacesAsWildcards)
{
    server.writeFile(remote("name with spaces.txt"), "hello world");
    server.writeFile(remote("a_b.txt"), "12345");
    server.writeFile(remote("empty.txt"), "");
    server.makeDir(remote("folder"));
    server.writeFile(remote("folder/inner.txt"), "inner");
    QFile big(server.localPath(remote("big.iso")));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(3LL * 1024 * 1024 * 1024)); // sparse
    big.close();
    connectToWritableDir();
    const QString before = ftp.GetLastErrorMessage();
    const std::pair<const char*, qint32> cases[] = {
        {"name with spaces.txt", 11}, {"a b.txt", 5},           {"empty.txt", 0}, {"missing.txt", -1},
        {"folder/inner.txt", 5},      {"big.iso", -1073741824}, // low 32 bits, signed
    };
    for (const auto& [name, size] : cases)
        EXPECT_EQ(ftp.GetFTPFileSize(QString::fromUtf8(name)), size) << name;
    EXPECT_EQ(ftp.GetLastErrorMessage(), before);
    ASSERT_TRUE(ftp.GetDirectoryListing("big.iso"));
    EXPECT_EQ(ftp.Directory()->Item(1).FileSize, -1073741824);

    ftp.CloseConnection();
    EXPECT_EQ(ftp.GetFTPFileSize("empty.txt"), -2);
    EXPECT_TRUE(ftp.GetLastErrorMessage().startsWith("FtpFindFirstFile error code: 12100"));
}

TEST_P(FtpTransfer, NamesAreTrimmedAndEmptyNamesRecordNothing)
{
    connectToWritableDir();
    sf::test::writeFileBytes(local("t.txt"), "trim");
    QString localName = "  " + local("t.txt") + "  ";
    QString remoteName = "   ";
    const QString before = ftp.GetLastErrorMessage();
    EXPECT_FALSE(ftp.FTPUploadFile(localName, remoteName));
    EXPECT_EQ(remoteName, QString());
    EXPECT_EQ(localName, local("t.txt"));
    EXPECT_EQ(ftp.GetLastErrorMessage(), before);

    remoteName = " trimmed.txt ";
    ASSERT_TRUE(ftp.FTPUploadFile(localName, remoteName));
    EXPECT_EQ(remoteName, QStringLiteral("trimmed.txt"));
    EXPECT_EQ(server.readFile(remote("trimmed.txt")), QByteArray("trim"));

    // A local file that cannot be read fails with a message and leaves the remote file alone.
    EXPECT_FALSE(ftp.FTPUploadFile(local("no such file"), QStringLiteral("trimmed.txt")));
    EXPECT_EQ(ftp.GetLastErrorCode(), cFTP::ErrorLocalFile);
    EXPECT_EQ(server.readFile(remote("trimmed.txt")), QByteArray("trim"));
}

TEST_P(FtpTransfer, ASecondCommandDuringATransferIsRefused)
{
    connectToWritableDir();
    ftp.SetTransferBinary();
    sf::test::writeFileBytes(local("big.bin"), patternBytes(255 * 40));
    int refused = 0;
    QString message;
    QObject::connect(&ftp, &cFTP::FileTransferProgress, [&](qint32 current, qint32) {
        if (current != 255 * 3)
            return;
        EXPECT_TRUE(ftp.IsBusy());
        refused += ftp.GetDirectoryListing("*.*") ? 0 : 1;
        refused += ftp.SetFTPDirectory("/") ? 0 : 1;
        refused += ftp.OpenConnection(server.host(), server.user(), server.password(), server.port()) ? 0 : 1;
        message = ftp.GetLastErrorMessage();
    });
    ASSERT_TRUE(ftp.FTPUploadFile(local("big.bin"), "big.bin")) << ftp.GetLastErrorMessage().toStdString();
    EXPECT_EQ(refused, 3);
    EXPECT_EQ(message,
              QStringLiteral("InternetConnect error code: 12101 Message: Another FTP command is still "
                             "running; try again when it has finished."));
    EXPECT_EQ(server.readFile(remote("big.bin")), patternBytes(255 * 40));
    EXPECT_FALSE(ftp.IsBusy());
    EXPECT_TRUE(ftp.GetDirectoryListing("*.*"));
}

TEST_P(FtpTransfer, ClosingDuringATransferCancelsItAndThenCloses)
{
    connectToWritableDir();
    ftp.SetTransferBinary();
    sf::test::writeFileBytes(local("big.bin"), patternBytes(255 * 400));
    QObject::connect(&ftp, &cFTP::FileTransferProgress, [&](qint32 current, qint32) {
        if (current == 255 * 2)
            ftp.CloseConnection();
    });
    EXPECT_FALSE(ftp.FTPUploadFile(local("big.bin"), "big.bin"));
    EXPECT_TRUE(ftp.GetLastErrorMessage().contains("error code: 42"))
        << ftp.GetLastErrorMessage().toStdString();
    EXPECT_FALSE(ftp.IsConnected());
    EXPECT_FALSE(ftp.IsBusy());
}

TEST_P(FtpTransfer, NamesWithUrlCharactersAndAccentsTravelUnchanged)
{
    connectToWritableDir(false); // active mode for these transfers
    ftp.SetTransferBinary();
    const QString folder = QString::fromUtf8("d\u00e9j\u00e0 #1 %41");
    const QString file = QStringLiteral("50% ?x #top;type=a.txt");
    ASSERT_TRUE(ftp.CreateFTPDirectory(folder)) << ftp.GetLastErrorMessage().toStdString();
    ASSERT_TRUE(ftp.SetFTPDirectory(folder)) << ftp.GetLastErrorMessage().toStdString();
    EXPECT_EQ(ftp.GetFTPDirectory(), remote(folder));
    sf::test::writeFileBytes(local("odd"), "odd bytes");
    ASSERT_TRUE(ftp.FTPUploadFile(local("odd"), file)) << ftp.GetLastErrorMessage().toStdString();
    EXPECT_EQ(server.readFile(remote(folder + "/" + file)), QByteArray("odd bytes"));
    ASSERT_TRUE(ftp.GetDirectoryListing("*.*"));
    EXPECT_EQ(listed(), (QMap<QString, QString>{{file, "9"}}));
    ASSERT_TRUE(ftp.FTPDownloadFile(local("odd back"), file));
    EXPECT_EQ(sf::test::readFileBytes(local("odd back")), QByteArray("odd bytes"));
}

TEST_P(FtpTransfer, WindowEventsRunWhileTheSessionWaits)
{
    server.writeFile(remote("a.txt"), "a");
    bool ranWhileBusy = false;
    const auto watch = [&] { QTimer::singleShot(0, [&] { ranWhileBusy = ftp.IsBusy(); }); };
    watch();
    ASSERT_TRUE(connect());
    EXPECT_TRUE(ranWhileBusy) << "connect";
    ASSERT_TRUE(ftp.SetFTPDirectory(server.writableDir()));
    ranWhileBusy = false;
    watch();
    ASSERT_TRUE(ftp.GetDirectoryListing("*.*"));
    EXPECT_TRUE(ranWhileBusy) << "listing";
    ranWhileBusy = false;
    watch();
    ASSERT_TRUE(ftp.FTPDownloadFile(local("a.txt"), "a.txt"));
    EXPECT_TRUE(ranWhileBusy) << "download";
}
