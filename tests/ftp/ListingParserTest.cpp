#include "ftp/ListingParser.h"
#include "ftp/RemoteName.h"

#include <QTimeZone>

#include <gtest/gtest.h>

using namespace sf::ftp;

namespace {

QDateTime utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), QTimeZone::utc());
}

} // namespace

// Lines recorded from real servers (vsftpd, ProFTPD, IIS, pyftpdlib, Pure-FTPd) and their entries.
TEST(ListingParser, ParsesRecordedUnixDosAndMlsdLines)
{
    const QDateTime now = utc(2026, 3, 10, 12, 0);
    enum Format { Unix, Dos, Mlsd };
    struct Case {
        Format format;
        const char* line;
        const char* name; // nullptr: the line gives no entry
        bool isDirectory;
        bool isLink;
        qint64 size;
        QDateTime modified;
    } cases[] = {
        {Unix, "-rw-r--r--    1 ftp      ftp          1234 Mar 09 13:05 robots.txt", "robots.txt", false,
         false, 1234, utc(2026, 3, 9, 13, 5)},
        {Unix, "drwxr-xr-x    2 ftp      ftp          4096 Jan 02  2024 images", "images", true, false, 4096,
         utc(2024, 1, 2)},
        {Unix, "-rw-r--r-- 1 owner group 17 Feb  3 09:15 name with  two  spaces.html",
         "name with  two  spaces.html", false, false, 17, utc(2026, 2, 3, 9, 15)},
        {Unix, "-rw-r--r-- 1 owner group 5 Mar  9 10:00  leading space", " leading space", false, false, 5,
         utc(2026, 3, 9, 10, 0)},
        // No year: a date after today (one day of slack) belongs to last year.
        {Unix, "-rw-r--r-- 1 owner group 9 Dec 24 18:30 xmas.txt", "xmas.txt", false, false, 9,
         utc(2025, 12, 24, 18, 30)},
        {Unix, "-rw-r--r-- 1 owner group 9 Mar 11 08:00 tomorrow.txt", "tomorrow.txt", false, false, 9,
         utc(2026, 3, 11, 8, 0)},
        {Unix, "-rw-r--r-- 1 owner group 9 Feb 29 08:00 leap.txt", "leap.txt", false, false, 9,
         utc(2024, 2, 29, 8, 0)},
        {Unix, "lrwxrwxrwx    1 0        0              11 Mar 01 07:00 current -> release-2.1", "current",
         false, true, 11, utc(2026, 3, 1, 7, 0)},
        {Unix, "-rw-r--r-- 1 owner group 3 Mar 01 07:00 a -> b", "a -> b", false, false, 3,
         utc(2026, 3, 1, 7, 0)},
        {Unix, "-rw-r--r--   1 user  4294967296 Mar  1  2023 no-group.iso", "no-group.iso", false, false,
         4294967296LL, utc(2023, 3, 1)},
        {Unix, "drwxr-xr-x+  3 web   web   4096 Mar  1 2023 2023", "2023", true, false, 4096,
         utc(2023, 3, 1)},
        {Unix, "total 48", nullptr, false, false, 0, {}},
        {Unix, "drwxr-xr-x    2 ftp      ftp          4096 Mar 09 13:05 .", nullptr, false, false, 0, {}},
        {Unix, "drwxr-xr-x    2 ftp      ftp          4096 Mar 09 13:05 ..", nullptr, false, false, 0, {}},
        {Dos, "03-07-26  01:23PM       <DIR>          Program Files", "Program Files", true, false, 0,
         utc(2026, 3, 7, 13, 23)},
        {Dos, "12-31-99  12:05AM                 1024 old.htm", "old.htm", false, false, 1024,
         utc(1999, 12, 31, 0, 5)},
        {Dos, "02-14-2025  12:30PM             77 noon.txt", "noon.txt", false, false, 77,
         utc(2025, 2, 14, 12, 30)},
        {Dos, "02-14-2025  17:45                 5 24h clock.txt", "24h clock.txt", false, false, 5,
         utc(2025, 2, 14, 17, 45)},
        {Mlsd, "modify=20261207131326;perm=eldfmMTcp;size=4096;type=dir;unique=fe00ga720cf; sub dir",
         "sub dir", true, false, 4096, utc(2026, 12, 7, 13, 13, 26)},
        {Mlsd, "type=file;size=6;modify=20250101000000.123;UNIX.mode=0644; a;b c.txt", "a;b c.txt", false,
         false, 6, utc(2025, 1, 1)},
        {Mlsd, "Type=File;Size=3221225472;Modify=20240229235959; big.bin", "big.bin", false, false,
         3221225472LL, utc(2024, 2, 29, 23, 59, 59)},
        {Mlsd, "type=OS.unix=slink:/etc;modify=20240101010101; etc-link", "etc-link", false, true, 0,
         utc(2024, 1, 1, 1, 1, 1)},
        {Mlsd, "type=cdir;modify=20240101010101; .", nullptr, false, false, 0, {}},
        {Mlsd, "type=pdir;modify=20240101010101; ..", nullptr, false, false, 0, {}},
        // The folder itself and its parent may come with a path for a name; neither is an entry.
        {Mlsd, "type=cdir; /pub", nullptr, false, false, 0, {}},
        {Mlsd, "type=pdir; /", nullptr, false, false, 0, {}},
        {Mlsd, "type=file;size=1;  two leading", " two leading", false, false, 1, {}},
        {Mlsd, "type=file;size=2;modify=2024-229235959; dash.txt", "dash.txt", false, false, 2, {}},
        {Mlsd, "type=file;size=2;modify=20230229120000; no-leap.txt", "no-leap.txt", false, false, 2, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const QString line = QString::fromUtf8(c.line);
        const auto entry = c.format == Mlsd ? parseMlsdLine(line) : parseListLine(line, now);
        ASSERT_EQ(entry.has_value(), c.name != nullptr);
        if (!entry)
            continue;
        EXPECT_EQ(entry->name, QString::fromUtf8(c.name));
        EXPECT_EQ(entry->isDirectory, c.isDirectory);
        EXPECT_EQ(entry->isLink, c.isLink);
        EXPECT_EQ(entry->size, c.size);
        EXPECT_EQ(entry->modified, c.modified) << entry->modified.toString(Qt::ISODate).toStdString();
    }
}

TEST(ListingParser, SplitsAListingIntoLinesAndDecodesUtf8)
{
    const QByteArray data = "type=file;size=1; caf\xc3\xa9.txt\r\n"
                            "type=cdir; .\r\n"
                            "\r\n"
                            "type=dir; no line end";
    const auto entries = parseListing(data, true, QDateTime::currentDateTimeUtc());
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].name, QString::fromUtf8("caf\u00e9.txt"));
    EXPECT_EQ(entries[1].name, QStringLiteral("no line end"));
    EXPECT_TRUE(entries[1].isDirectory);
}

// What the first table does not look at: whether a time was given, a link's target, and the
// leading spaces of a DOS name in the column layout IIS writes.
TEST(ListingParser, KeepsTheTimeFlagTheLinkTargetAndLeadingSpacesOfDosNames)
{
    const QDateTime now = utc(2026, 3, 10, 12, 0);
    struct Case {
        const char* line;
        const char* name;
        bool hasTime;
        const char* linkTarget;
    } cases[] = {
        {"-rw-r--r-- 1 o g 9 Mar 09 13:05 recent", "recent", true, ""},
        {"-rw-r--r-- 1 o g 9 Jan 02  2024 old", "old", false, ""},
        {"lrwxrwxrwx 1 o g 11 Jan 02  2024 www -> public_html", "www", false, "public_html"},
        {"lrwxrwxrwx 1 o g 11 Mar 09 13:05 a b -> /x -> y", "a b", true, "/x -> y"},
        {"03-07-26  01:23PM       <DIR>            two spaces", "  two spaces", true, ""},
        {"12-31-99  12:05AM                 1024  one space.htm", " one space.htm", true, ""},
        {"03-07-26  01:23PM <DIR> short layout", "short layout", true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const auto entry = parseListLine(QString::fromUtf8(c.line), now);
        ASSERT_TRUE(entry);
        EXPECT_EQ(entry->name, QString::fromUtf8(c.name));
        EXPECT_EQ(entry->hasTime, c.hasTime);
        EXPECT_EQ(entry->linkTarget, QString::fromUtf8(c.linkTarget));
    }
}

// Names keep the server's bytes whatever they are, and show as UTF-8 when they are valid UTF-8,
// else as Windows-1252.
TEST(ListingParser, KeepsTheBytesOfEveryNameAndDecodesThemSoundly)
{
    struct Case {
        QByteArray bytes;
        const char* shown;
    } cases[] = {
        {"caf\xe9", "caf\u00e9"},
        {"caf\xc3\xa9", "caf\u00e9"},
        {"\x80\x81\x9f", "\u20ac\u0081\u0178"},
        {"half \xe2\x82", "half \u00e2\u201a"},
        {"\xed\xa0\x80 encoded surrogate", "\u00ed\u00a0\u20ac encoded surrogate"},
        {"smile \xf0\x9f\x98\x80", "smile \U0001F600"},
        {"\xf0\x9f\x98\x80\xff", "\u00f0\u0178\u02dc\u20ac\u00ff"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.toHex().toStdString());
        const auto entries = parseListing("type=file;size=1; " + c.bytes + "\r\n", true, utc(2026, 1, 1));
        ASSERT_EQ(entries.size(), 1);
        EXPECT_EQ(nameToServer(entries[0].name), c.bytes);
        EXPECT_EQ(displayName(c.bytes), QString::fromUtf8(c.shown));
    }
    EXPECT_EQ(displayPath(nameFromServer("/caf\xe9/men\xc3\xba")), QString::fromUtf8("/caf\u00e9/men\u00fa"));
}

// Chunks of the data connection end anywhere, also between CR and LF.
TEST(ListingParser, ParsesAListingFedInChunksAsAWhole)
{
    const QByteArray data = "type=dir; first\r\ntype=file;size=12; second name\r\n\r\ntype=file;size=3; last";
    const QDateTime now = utc(2026, 1, 1);
    const QList<ListingEntry> whole = parseListing(data, true, now);
    ASSERT_EQ(whole.size(), 3);
    for (const qsizetype chunk : {1, 2, 7, 16, 1000}) {
        SCOPED_TRACE(chunk);
        ListingStream stream(true, now);
        for (qsizetype at = 0; at < data.size(); at += chunk)
            stream.feed(data.constData() + at, std::min(chunk, data.size() - at));
        stream.finish();
        ASSERT_EQ(stream.entries().size(), whole.size());
        for (qsizetype i = 0; i < whole.size(); ++i) {
            EXPECT_EQ(stream.entries()[i].name, whole[i].name);
            EXPECT_EQ(stream.entries()[i].size, whole[i].size);
        }
    }
}

TEST(ListingParser, MatchesDesktopWildcards)
{
    struct Case {
        const char* name;
        const char* pattern;
        bool matches;
    } cases[] = {
        {"README", "*.*", true},
        {"a.txt", "*", true},
        {"a.txt", "", true},
        {"a b.txt", "a?b.txt", true},
        {"a_b.txt", "a?b.txt", true},
        {"ab.txt", "a?b.txt", false},
        {"robots.txt", "*.txt", true},
        {"robots.txt", "r*s.t?t", true},
        {"Robots.txt", "robots.txt", false},
        {"a.txt.bak", "*.txt", false},
        {"x", "x*", true},
        {"", "?", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(matchesPattern(QString::fromUtf8(c.name), QString::fromUtf8(c.pattern)), c.matches)
            << c.name << " ~ " << c.pattern;
}
