// What the remote list shows of a real server's listing: names the server spells in a single-byte
// code page, symbolic links, and dates in the user's time zone. vsftpd lists with LIST and sends
// names as the bytes of the file system.
#include "FtpTestBase.h"

#include "ftp/RemoteName.h"
#include "gui/ftp/RemoteBrowser.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTimeZone>
#include <QTreeWidget>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

using sf::test::FtpServer;

namespace {

class RemoteListing : public FtpServerTest {
protected:
    // A file or folder whose name is these bytes, in the server's root.
    QByteArray make(const QByteArray& name, bool folder, const QByteArray& content = "x")
    {
        const QByteArray path = QFile::encodeName(server.root()) + '/' + name;
        if (folder)
            return ::mkdir(path.constData(), 0755) == 0 ? path : QByteArray();
        const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        const bool written = fd >= 0 && ::write(fd, content.constData(), content.size()) == content.size();
        if (fd >= 0)
            ::close(fd);
        return written ? path : QByteArray();
    }

    const cDirItem* item(const QString& shown)
    {
        for (const cDirItem& entry : *ftp.Directory())
            if (entry.FileName == shown)
                return &entry;
        return nullptr;
    }
};

INSTANTIATE_TEST_SUITE_P(Servers, RemoteListing, testing::Values(FtpServer::Kind::Vsftpd),
                         FtpServerTest::nameOf);

} // namespace

TEST_P(RemoteListing, KeepsTheServersBytesOfANameAndShowsThemDecoded)
{
    struct Case {
        QByteArray bytes;
        bool folder;
        QString shown;
    } cases[] = {
        {"caf\xe9", true, QString::fromUtf8("caf\u00e9")},     // Windows-1252
        {"men\xc3\xba", true, QString::fromUtf8("men\u00fa")}, // UTF-8
        {"\x80uro pr\xeds.html", false, QString::fromUtf8("\u20acuro pr\u00eds.html")},
    };
    for (const Case& c : cases)
        ASSERT_FALSE(make(c.bytes, c.folder, "page").isEmpty());
    make("caf\xe9/inside.txt", false);
    ASSERT_TRUE(connect()) << ftp.GetLastErrorMessage().toStdString();
    ASSERT_TRUE(ftp.GetDirectoryListing(QStringLiteral("*.*")));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown.toStdString());
        const cDirItem* entry = item(c.shown);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->RawName, c.bytes);
        EXPECT_EQ(entry->Directory, c.folder);
        const QString name = sf::ftp::nameFromServer(entry->RawName);
        if (c.folder) {
            // Entered by the name the server listed, not by a re-encoding of the shown one.
            ASSERT_TRUE(ftp.SetFTPDirectory("/" + name)) << ftp.GetLastErrorMessage().toStdString();
            EXPECT_EQ(sf::ftp::displayPath(ftp.GetFTPDirectory()), "/" + c.shown);
            ASSERT_TRUE(ftp.SetFTPDirectory("/"));
        } else {
            EXPECT_EQ(ftp.GetFTPFileSize(name), 4);
            ASSERT_TRUE(ftp.FTPDownloadFile(local("got"), name)) << ftp.GetLastErrorMessage().toStdString();
            EXPECT_EQ(sf::test::readFileBytes(local("got")), "page");
        }
    }
}

TEST_P(RemoteListing, TheBrowserEntersAFolderOfASingleByteName)
{
    ASSERT_FALSE(make("caf\xe9", true).isEmpty());
    ASSERT_FALSE(make("caf\xe9/ menu.txt", false).isEmpty());
    ASSERT_TRUE(connect()) << ftp.GetLastErrorMessage().toStdString();
    QTreeWidget list;
    sf::RemoteBrowser browser(&list, ftp);
    browser.RefreshRemoteList();
    const auto rows = list.findItems(QString::fromUtf8("caf\u00e9"), Qt::MatchExactly, 0);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(browser.navigate(rows.first()), QString::fromUtf8("Folder: /caf\u00e9"));
    ASSERT_EQ(list.topLevelItemCount(), 2);
    EXPECT_EQ(list.topLevelItem(1)->text(0), " menu.txt");
}

TEST_P(RemoteListing, ALinkToAFolderIsAFolder)
{
    ASSERT_FALSE(make("public_html", true).isEmpty());
    ASSERT_FALSE(make("page.html", false).isEmpty());
    struct Case {
        const char* link;
        const char* target;
        bool folder;
    } cases[] = {
        {"www", "public_html", true},       // a folder of the same listing
        {"up", "/upload", true},            // a folder elsewhere
        {"index.html", "page.html", false}, // a file
        {"broken", "missing", false},
    };
    for (const Case& c : cases)
        ASSERT_EQ(::symlink(c.target, QFile::encodeName(server.root() + '/' + c.link).constData()), 0);
    ASSERT_TRUE(connect()) << ftp.GetLastErrorMessage().toStdString();
    ASSERT_TRUE(ftp.GetDirectoryListing(QStringLiteral("*.*")));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.link);
        const cDirItem* entry = item(QString::fromLatin1(c.link));
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->Directory, c.folder);
    }
    EXPECT_EQ(ftp.GetFTPDirectory(), "/");
}

// LIST gives the time of a recent file and the date alone of an older one, in UTC (vsftpd's default).
TEST_P(RemoteListing, ShowsTimesInTheLocalZoneAndADateWithoutATimeAsThatDate)
{
    const QDateTime old(QDate(2020, 1, 15), QTime(2, 0), QTimeZone::utc());
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QDateTime recent(now.date().addDays(-2), QTime(3, 30), QTimeZone::utc());
    for (const auto& [name, when] : {std::pair{"old.html", old}, std::pair{"recent.html", recent}}) {
        const QByteArray path = make(name, false);
        const utimbuf times{when.toSecsSinceEpoch(), when.toSecsSinceEpoch()};
        ASSERT_EQ(::utime(path.constData(), &times), 0);
    }
    for (const char* zone : {"America/New_York", "Asia/Tokyo", "UTC"}) {
        SCOPED_TRACE(zone);
        const sf::test::TimeZoneScope inZone(zone);
        ASSERT_TRUE(connect()) << ftp.GetLastErrorMessage().toStdString();
        ASSERT_TRUE(ftp.GetDirectoryListing(QStringLiteral("*.*")));
        EXPECT_EQ(sf::RemoteRow::text(*item("old.html"), 2), "2020-01-15");
        EXPECT_EQ(sf::RemoteRow::text(*item("old.html"), 3), "");
        const QDateTime local = recent.toTimeZone(QTimeZone(zone));
        EXPECT_EQ(sf::RemoteRow::text(*item("recent.html"), 2), local.toString("yyyy-MM-dd"));
        EXPECT_EQ(sf::RemoteRow::text(*item("recent.html"), 3), local.toString("HH:mm"));
        ftp.CloseConnection();
    }
}

namespace {

// pyftpdlib lists with MLSD, which gives every entry's full time in UTC.
class ListingTimes : public FtpServerTest {};

INSTANTIATE_TEST_SUITE_P(Servers, ListingTimes, testing::Values(FtpServer::Kind::Pyftpdlib),
                         FtpServerTest::nameOf);

} // namespace

// One listing of times on both sides of daylight-saving changes, interleaved and at the changes
// themselves: each entry gets the offset its own instant has in the local zone.
TEST_P(ListingTimes, EachEntryGetsTheOffsetOfItsOwnInstant)
{
    const QDateTime changes[] = {
        QDateTime(QDate(2025, 3, 9), QTime(7, 0), QTimeZone::utc()),   // New York, into summer time
        QDateTime(QDate(2025, 10, 26), QTime(1, 0), QTimeZone::utc()), // Berlin, out of summer time
        QDateTime(QDate(2025, 4, 5), QTime(15, 0), QTimeZone::utc()),  // Lord Howe, half an hour back
    };
    QList<QDateTime> times;
    for (const QDateTime& change : changes)
        times << change.addSecs(-1) << change << change.addSecs(1);
    for (int year : {1999, 2024, 2030})
        times << QDateTime(QDate(year, 1, 15), QTime(12, 0), QTimeZone::utc())
              << QDateTime(QDate(year, 7, 15), QTime(12, 0), QTimeZone::utc());
    for (qsizetype i = 0; i < times.size(); ++i) {
        const QString path = server.root() + QStringLiteral("/t%1").arg(i);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        const utimbuf stamp{times[i].toSecsSinceEpoch(), times[i].toSecsSinceEpoch()};
        ASSERT_EQ(::utime(QFile::encodeName(path).constData(), &stamp), 0);
    }
    for (const char* zone : {"America/New_York", "Europe/Berlin", "Australia/Lord_Howe", "Asia/Kolkata"}) {
        SCOPED_TRACE(zone);
        const sf::test::TimeZoneScope inZone(zone);
        ASSERT_TRUE(connect()) << ftp.GetLastErrorMessage().toStdString();
        ASSERT_TRUE(ftp.GetDirectoryListing(QStringLiteral("*.*")));
        for (qsizetype i = 0; i < times.size(); ++i) {
            const cDirItem& entry = ftp.Directory()->Item(QStringLiteral("t%1").arg(i));
            const QDateTime expected = times[i].toTimeZone(QTimeZone(zone));
            EXPECT_EQ(entry.LastWriteTime.toMSecsSinceEpoch(), times[i].toMSecsSinceEpoch()) << i;
            EXPECT_EQ(entry.LastWriteTime.offsetFromUtc(), expected.offsetFromUtc()) << i;
            EXPECT_EQ(sf::RemoteRow::text(entry, 3), expected.toString("HH:mm")) << i;
        }
        ftp.CloseConnection();
    }
}
