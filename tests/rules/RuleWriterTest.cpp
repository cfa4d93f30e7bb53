#include "rules/RuleWriter.h"
#include "project/RuleGrid.h"
#include "rules/RobotsTxt.h"

#include <gtest/gtest.h>

using namespace sf;

// Every awkward name through "Add rule", then the written file through the evaluator: the rule
// must block the URL a crawler requests for the entry, and block other entries only as a wildcard
// must.
TEST(RuleWriter, AddedRuleBlocksTheEntryUrl)
{
    struct Case {
        QString name;
        QByteArray segment; // the name as it appears in the URL
        QStringList alsoBlocks;
    } cases[] = {
        {"a b.html", "a%20b.html", {}},
        {"a*b.html", "a*b.html", {"a b.html", "a\"b.html"}},
        {"price$", "price$", {}},
        {"q?x.html", "q%3Fx.html", {}},
        {"#top", "%23top", {}},
        {"100%.txt", "100%25.txt", {}},
        {"a\"b.html", "a%22b.html", {}},
        {"a<b>.html", "a%3Cb%3E.html", {}},
        {"back\\slash", "back%5Cslash", {}},
        {"x^y{z}|w", "x%5Ey%7Bz%7D%7Cw", {}},
        {"[tag]`", "%5Btag%5D%60", {}},
        {".htaccess", ".htaccess", {}},
        {"trail ", "trail%20", {}},
        {"keep!$&'()+,;=:@~", "keep!$&'()+,;=:@~", {}},
        {QString::fromUtf8("caf\u00e9"), "caf%C3%A9", {}},
        {QString::fromUtf8("\u65e5\u672c"), "%E6%97%A5%E6%9C%AC", {}},
        {QString::fromUtf8("\U0001F600"), "%F0%9F%98%80", {}},
        {"dir*x", "dir*x", {}},
    };
    QStringList names;
    for (const Case& c : cases)
        names << c.name;
    const struct {
        QString directory;
        QByteArray urlPrefix;
    } folders[] = {{"/", "/"},
                   {"/pub/my docs", "/pub/my%20docs/"},
                   {"/pub/x*y", "/pub/x*y/"},
                   {"/pub//old/", "/pub/old/"}};
    for (const auto& folder : folders) {
        rules::EntryUrlPaths paths(
            folder.directory); // one for all the folder's entries, as the window uses it
        for (const Case& c : cases) {
            const QByteArray url = folder.urlPrefix + c.segment;
            const std::string where = folder.directory.toStdString() + " | " + c.name.toStdString();
            EXPECT_EQ(rules::entryUrlPath(folder.directory, c.name), url) << where;
            EXPECT_EQ(paths.path(c.name, false), url.toStdString()) << where;
            EXPECT_EQ(paths.path(c.name, true), (url + '/').toStdString()) << where;
            QStringList rows = RuleGrid::newProjectTemplate();
            ASSERT_TRUE(RuleGrid::addRule(rows, "FooBot", folder.directory, c.name)) << where;
            const rules::RobotsTxt txt(RuleGrid::exportText(rows));
            const rules::Verdict verdict = txt.check("FooBot", "https://example.com" + url);
            EXPECT_FALSE(verdict.allowed) << where;
            EXPECT_EQ(verdict.line, RuleGrid::kGroupRow + 2) << where;
            EXPECT_TRUE(txt.check("OtherBot", "https://example.com" + url).allowed) << where;

            const QByteArray pattern = RuleGrid::disallowPath(folder.directory, c.name).toLatin1();
            const bool exact = !c.name.contains('*') && !folder.directory.contains('*');
            EXPECT_EQ(rules::isExactPattern(pattern), exact) << where;
            EXPECT_EQ(rules::alsoBlocked(pattern, folder.directory, names, c.name), c.alsoBlocks) << where;
        }
    }
}
