// The record of publishes on its own: what is kept and for how long, damaged files, the folder
// names, and what the differences between two versions say.
#include "history/PublishHistory.h"
#include "history/VersionDiff.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace sf;
using history::ServerFile;

namespace {

history::Place placeAt(const QString& folder)
{
    history::Place place;
    place.server = QStringLiteral("ftp.example.com");
    place.port = 21;
    place.user = QStringLiteral("web");
    place.folder = folder;
    place.siteAddress = QStringLiteral("https://www.example.com");
    return place;
}

ServerFile held(const QByteArray& bytes)
{
    return {ServerFile::State::Held, bytes, {}};
}

} // namespace

// 105 publishes of robots.txt and two of .htaccess: the last 100 of robots.txt are kept, newest
// first, each with the bytes sent and replaced; files no publish refers to are gone, equal files
// are kept once.
TEST(PublishHistoryRecord, KeepsTheLastHundredOfEachFileWithTheirBytes)
{
    QTemporaryDir dir;
    history::History store(dir.filePath("site"));
    const history::Place place = placeAt("/www");
    const QDateTime start(QDate(2026, 12, 1), QTime(8, 0), QTimeZone::utc());
    for (int i = 0; i < 105; ++i) {
        const ServerFile replaced = i == 0 ? ServerFile{} : held("v" + QByteArray::number(i - 1));
        const auto added =
            store.add(place, "robots.txt", replaced, "v" + QByteArray::number(i), start.addSecs(i));
        ASSERT_TRUE(added) << added.error.toStdString();
        for (int h = 0; h < 2 && i == 50; ++h)
            ASSERT_TRUE(
                store.add(place, ".htaccess", h ? held("h0") : ServerFile{}, "h" + QByteArray::number(h)));
    }
    const auto robots = store.publishes("robots.txt");
    ASSERT_TRUE(robots) << robots.error.toStdString();
    ASSERT_EQ(robots->size(), history::kKeptPublishes);
    for (qsizetype k = 0; k < robots->size(); ++k) {
        const history::Record& r = robots->at(k);
        const int i = int(104 - k);
        EXPECT_EQ(r.time, start.addSecs(i));
        EXPECT_EQ(store.sentBytes(r).value(), "v" + QByteArray::number(i));
        EXPECT_EQ(store.replacedBytes(r).value(), "v" + QByteArray::number(i - 1));
        EXPECT_EQ(r.folder, "/www");
        EXPECT_EQ(r.siteAddress, "https://www.example.com");
    }
    const auto htaccess = store.publishes(".htaccess");
    ASSERT_EQ(htaccess->size(), 2);
    EXPECT_EQ(htaccess->at(1).replaced, ServerFile::State::None);
    EXPECT_FALSE(store.replacedBytes(htaccess->at(1)));
    // v4..v104 for robots.txt, h0 and h1: each file once.
    EXPECT_EQ(QDir(dir.filePath("site/files")).entryList(QDir::Files).size(), 101 + 2);
    EXPECT_TRUE(store.publishes("other.txt")->isEmpty());
}

// A kept file that was changed is refused; a damaged index fails reading, and the next publish
// puts it aside and starts a new one.
TEST(PublishHistoryRecord, DamagedFilesAreToldAndANewIndexBegins)
{
    QTemporaryDir dir;
    history::History store(dir.filePath("site"));
    const auto first = store.add(placeAt(""), "robots.txt", held("old"), "new");
    ASSERT_TRUE(first);
    test::writeFileBytes(dir.filePath("site/files/") + QString::fromLatin1(first->sentHash), "wen");
    const auto changed = store.sentBytes(first.value());
    ASSERT_FALSE(changed);
    EXPECT_TRUE(changed.error.contains("damaged")) << changed.error.toStdString();

    const struct {
        QByteArray index;
        const char* said;
    } broken[] = {
        {"not json", "not an index"},
        {R"({"format":2,"publishes":[]})", "format"},
        {R"({"format":1,"publishes":[{"number":1,"time":"2026-12-01T08:00:00Z","file":"robots.txt",
            "sent":{"sha256":"xyz","size":3},"replaced":"none"}]})",
         "damaged"},
        {R"({"format":1,"publishes":[{"number":1,"time":"2026-12-01T08:00:00Z","file":"robots.txt",
            "sent":{"sha256":"0000000000000000000000000000000000000000000000000000000000000000","size":3},
            "replaced":"lost"}]})",
         "damaged"},
    };
    for (const auto& b : broken) {
        const auto read = history::readIndex(b.index);
        ASSERT_FALSE(read) << b.index.constData();
        EXPECT_TRUE(read.error.contains(b.said)) << read.error.toStdString();
    }
    test::writeFileBytes(dir.filePath("site/index.json"), "{ cut");
    EXPECT_FALSE(store.publishes("robots.txt"));
    ASSERT_TRUE(store.add(placeAt(""), "robots.txt", ServerFile{}, "again"));
    EXPECT_EQ(store.publishes("robots.txt")->size(), 1);
    EXPECT_EQ(test::readFileBytes(dir.filePath("site/index.json.damaged")), "{ cut");
}

// Each login and site folder has a folder of its own, a name without separators and not too long.
TEST(PublishHistoryRecord, FolderNamesTellPlacesApart)
{
    history::Place other = placeAt("/www");
    other.port = 2121;
    history::Place user = placeAt("/www");
    user.user = "web2";
    history::Place deep = placeAt("/" + QString(300, u'd'));
    history::Place odd = placeAt("/caf\u00e9 site/..");
    const QList<history::Place> places{placeAt(""), placeAt("/www"), placeAt("/www/"), other, user, deep,
                                       odd};
    QSet<QString> names;
    for (const history::Place& place : places) {
        const QString name = history::folderName(place);
        EXPECT_FALSE(name.contains(u'/') || name.contains(u'\\') || name.contains(u':'))
            << name.toStdString();
        EXPECT_LE(name.size(), 160) << name.toStdString();
        EXPECT_NE(name, "..");
        names.insert(name);
    }
    EXPECT_EQ(names.size(), places.size());
    EXPECT_EQ(history::History::of(placeAt("/www")).folder(), qEnvironmentVariable("XDG_DATA_HOME") +
                                                                  "/Spiderfence/history/" +
                                                                  history::folderName(placeAt("/www")));
}

// The sentence a publish gets in the list, from the file replaced and the file sent.
TEST(PublishHistoryDiff, SentenceSaysWhatChanged)
{
    const struct {
        ServerFile replaced;
        QByteArray sent;
        const char* sentence;
    } cases[] = {
        {{}, "User-agent: GPTBot\nDisallow: /private/\n", "GPTBot may no longer crawl /private/"},
        {held("User-agent: *\nDisallow: /private/\n"), "User-agent: *\nDisallow:\n",
         "Robots without a group of their own may now crawl /private/"},
        {held("User-agent: *\r\nDisallow: /a/\r\n"), "User-agent: *\r\nDisallow: /a/\r\n",
         "The same file as before."},
        {held("User-agent: *\nDisallow: /a/\n"), "# kept\nUser-agent: *\nDisallow: /a/\n",
         "Only the text changed: every robot may crawl what it could before."},
        {{},
         "User-agent: *\nDisallow:\n",
         "The first file there: every robot may crawl what it could without one."},
        {held(""), "User-agent: GPTBot\nDisallow: /a/\nDisallow: /b/\n",
         "GPTBot may no longer crawl /a/, and one more change"},
        {held(""), "User-agent: GPTBot\nDisallow: /a/\nDisallow: /b/\nDisallow: /c*\n",
         "GPTBot may no longer crawl /a/, and 2 more changes"},
        {{ServerFile::State::Unread, {}, "550"},
         "x",
         "The file it replaced could not be read from the server."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(history::changeSentence(c.replaced, c.sent), c.sentence) << c.sent.constData();
}

// The difference between two versions: the lines, and per robot and reading what may be crawled
// (a wildcard rule that first-match readers take as written).
TEST(PublishHistoryDiff, LinesAndAccessPerReading)
{
    const QByteArray before = "User-agent: *\nDisallow: /old/\nAllow: /\n";
    const QByteArray after = "User-agent: *\r\nDisallow: /new/\r\nAllow: /\r\nDisallow: /*.pdf$\r\n";
    EXPECT_EQ(history::describeLines(history::lineDifference(before, after)),
              (QStringList{"- 2: Disallow: /old/", "+ 2: Disallow: /new/", "+ 4: Disallow: /*.pdf$"}));
    EXPECT_TRUE(
        history::describeLines(history::lineDifference(before, QByteArray(before).replace("\n", "\r\n")))
            .isEmpty());
    EXPECT_EQ(history::describeAccess(history::accessDifferences(before, after)),
              (QStringList{"*: /old/ becomes allowed (line 3)", "*: /new/ becomes blocked (line 2)",
                           "*: /.pdf becomes blocked (line 4), for RFC 9309 and Google readers only"}));
}
