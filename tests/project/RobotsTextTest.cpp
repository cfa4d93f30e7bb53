// A robots.txt read from a server, and the grid edits that add whole groups and lines to it.
#include "project/RobotsText.h"
#include "project/RobotsCompare.h"
#include "project/RuleGrid.h"
#include "project/RuleGridGroups.h"

#include <gtest/gtest.h>

using namespace sf;
using Form = RobotsTextForm;
using Enc = RobotsTextForm::Encoding;

namespace {

QStringList grid(const QStringList& body)
{
    return RobotsText::gridWithBody(RuleGrid::newProjectTemplate(), body);
}

} // namespace

TEST(RobotsText, ReadsEachFormAndWritesTheSameBytesBack)
{
    struct Case {
        const char* what;
        QByteArray bytes;
        QStringList lines;
        Form form;
    } cases[] = {
        {"CR LF",
         "User-agent: *\r\nDisallow: /a\r\n\r\n",
         {"User-agent: *", "Disallow: /a", ""},
         {Enc::Utf8, false, true}},
        {"LF", "User-agent: *\nDisallow: /a\n", {"User-agent: *", "Disallow: /a"}, {Enc::Utf8, false, false}},
        {"UTF-8", "# caf\xC3\xA9 \xE2\x82\xAC\n", {QString::fromUtf8("# café €")}, {Enc::Utf8, false, false}},
        {"Windows-1252",
         "# caf\xE9 \x80\r\n",
         {QString::fromUtf8("# café €")},
         {Enc::Windows1252, false, true}},
        {"BOM", "\xEF\xBB\xBFUser-agent: *\r\n", {"User-agent: *"}, {Enc::Utf8, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RobotsTextFile file = RobotsText::read(c.bytes);
        EXPECT_EQ(file.lines, c.lines);
        EXPECT_EQ(file.form, c.form);
        EXPECT_EQ(RobotsText::write(file.lines, file.form), c.bytes);
    }
    EXPECT_EQ(RobotsText::read("a\rb\r\nc").lines, (QStringList{"a", "b", "c"})) << "a lone CR ends a line";
    EXPECT_EQ(RobotsText::write({"caf\u00e9"}, Form{}), "caf\xE9\r\n") << "a project's own form is unchanged";
}

TEST(RobotsText, OwnHeaderAndFooterAreLeftOutAndUnholdableLinesReported)
{
    const QStringList body{"User-agent: *",  QString(618, 'x'), " Disallow: /a",
                           "# \u65e5\u672c", "Allow: /b",       ""};
    const RobotsTextFile own = RobotsText::read(RobotsText::write(grid(body), Form{Enc::Utf8, false, false}));
    EXPECT_EQ(own.lines, body);
    using R = UnholdableLine::Reason;
    const QList<std::pair<int, R>> expected{{7, R::TooLong}, {8, R::EdgeSpaces}, {9, R::OutsideCodePage}};
    ASSERT_EQ(own.unholdable.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(own.unholdable.at(i).lineNumber, expected.at(i).first)
            << "numbered as in the server's file";
        EXPECT_EQ(own.unholdable.at(i).reason, expected.at(i).second);
    }
}

TEST(RuleGridGroups, SitemapsGoAfterTheLastGroupAndAreReplacedWhole)
{
    QStringList rows = grid({"Sitemap: https://a/old.xml", "", "User-agent: *", "Disallow: /x", ""});
    EXPECT_EQ(RuleGrid::sitemaps(rows), QStringList{"https://a/old.xml"});
    EXPECT_FALSE(RuleGrid::setSitemaps(rows, {"https://a/old.xml"})) << "an unchanged list keeps the rows";
    ASSERT_TRUE(RuleGrid::setSitemaps(rows, {"https://a/1.xml", "https://a/2.xml"}));
    EXPECT_EQ(rows, grid({"User-agent: *", "Disallow: /x", "", "Sitemap: https://a/1.xml",
                          "Sitemap: https://a/2.xml", ""}));
    ASSERT_TRUE(RuleGrid::setSitemaps(rows, {}));
    EXPECT_EQ(rows, grid({"User-agent: *", "Disallow: /x", ""}));
    rows = RuleGrid::newProjectTemplate();
    ASSERT_TRUE(RuleGrid::setSitemaps(rows, {"https://a/s.xml"}));
    EXPECT_EQ(rows, grid({"Sitemap: https://a/s.xml", ""}));
}

TEST(RuleGridGroups, ContentSignalGoesIntoTheAllAgentsGroup)
{
    RuleGrid::ContentSignal signal;
    signal.search = true;
    signal.aiTrain = false;
    EXPECT_EQ(signal.line(), "Content-Signal: search=yes, ai-train=no");

    QStringList rows = grid({"User-agent: GPTBot", "Disallow: /", "", "User-agent: *", "Disallow: /x", ""});
    RuleGrid::setContentSignal(rows, signal, true);
    const QStringList withComment = QStringList{"User-agent: GPTBot", "Disallow: /", "", "User-agent: *"} +
                                    RuleGrid::contentSignalComment() +
                                    QStringList{signal.line(), "Disallow: /x", ""};
    EXPECT_EQ(rows, grid(withComment));
    signal.aiInput = true;
    RuleGrid::setContentSignal(rows, signal, false);
    EXPECT_EQ(rows, grid({"User-agent: GPTBot", "Disallow: /", "", "User-agent: *",
                          "Content-Signal: search=yes, ai-input=yes, ai-train=no", "Disallow: /x", ""}))
        << "the old line and comment are replaced";

    rows = RuleGrid::newProjectTemplate();
    RuleGrid::setContentSignal(rows, signal, false);
    EXPECT_EQ(rows, grid({"User-agent: *", signal.line(), "Allow: /", ""}))
        << "the group is made when missing, with a rule of its own";
    RuleGrid::setContentSignal(rows, {}, false);
    EXPECT_EQ(rows, grid({"User-agent: *", "Allow: /", ""}));
    rows = grid({"User-agent: *", "", "User-agent: ClaudeBot", "Disallow: /", ""});
    RuleGrid::setContentSignal(rows, signal, false);
    EXPECT_EQ(rows, grid({"User-agent: *", signal.line(), "Allow: /", "", "User-agent: ClaudeBot",
                          "Disallow: /", ""}))
        << "a group without a rule no longer runs on into the next";
}

TEST(RobotsCompare, EntryPathsAndChangesPerRobot)
{
    EXPECT_EQ(RobotsCompare::entryPath("/", QString(), true), "/");
    EXPECT_EQ(RobotsCompare::entryPath("/www/", "a b#\u00e9.html", false), "/www/a%20b%23%C3%A9.html");
    EXPECT_EQ(RobotsCompare::entryPath("/www", "docs", true), "/www/docs/");
    const QList<AccessChange> changes =
        RobotsCompare::compare("User-agent: *\nDisallow: /a\n\nUser-agent: FooBot\nDisallow: /\n",
                               "User-agent: *\nDisallow: /b\n", {"/a", "/b", "/c"});
    const QStringList seen = RobotsCompare::describe(changes, 10).split('\n');
    EXPECT_EQ(seen, (QStringList{"*: /a becomes allowed", "*: /b becomes blocked",
                                 "FooBot: /a becomes allowed", "FooBot: /c becomes allowed"}));
}
