#include "project/RuleGrid.h"

#include <gtest/gtest.h>

using namespace sf;

namespace {

QStringList footer()
{
    return {"#", RuleGrid::signatureLine(), RuleGrid::ruleLine(), ""};
}

QStringList header(const QString& text = RuleGrid::defaultHeaderText())
{
    return {RuleGrid::ruleLine(), "#", "# " + text, "#", ""};
}

} // namespace

TEST(RuleGrid, TemplatesHaveTheStandardLayout)
{
    EXPECT_EQ(RuleGrid::ruleLine(), QString(51, '#'));
    EXPECT_TRUE(RuleGrid::signatureLine().startsWith("# Made with Spiderfence: "));
    EXPECT_GT(RuleGrid::signatureLine().size(), QString("# Made with Spiderfence: ").size());
    EXPECT_EQ(RuleGrid::emptyGrid(), QStringList(9, QString()));
    EXPECT_EQ(RuleGrid::newProjectTemplate(), header() + footer());

    QString text = "  My site  ";
    EXPECT_EQ(RuleGrid::allowAllTemplate(text),
              (header("My site") + QStringList{"User-agent: *", ""} + footer()));
    EXPECT_EQ(text, "My site");
    text = "   ";
    const QStringList disallow = RuleGrid::disallowAllTemplate(text);
    EXPECT_EQ(disallow, (header() + QStringList{"User-agent: *", "Disallow: /", ""} + footer()));
    EXPECT_EQ(disallow.size(), 12);
    EXPECT_EQ(text, "") << "a header of only spaces becomes empty and leaves the default comment";
}

TEST(RuleGrid, WorkedExampleComesOutRowForRow)
{
    QStringList rows = RuleGrid::newProjectTemplate();
    ASSERT_TRUE(RuleGrid::addRule(rows, "*", "/", "cgi-bin"));
    ASSERT_TRUE(RuleGrid::addRule(rows, "*", "/", "private.html"));
    ASSERT_TRUE(RuleGrid::addRule(rows, "examplebot", "/images", "logo.gif"));
    const QStringList expected =
        header() + QStringList{"User-agent: examplebot",  "Disallow: /images/logo.gif", "", "User-agent: *",
                               "Disallow: /private.html", "Disallow: /cgi-bin",         ""} +
        footer();
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(rows.size(), 16);
}

TEST(RuleGrid, AddRuleEdgeCases)
{
    struct Case {
        QString directory, name, line;
    } paths[] = {
        {"/", "cgi-bin", "Disallow: /cgi-bin"},
        {"/www/", "a.html", "Disallow: /www/a.html"},
        {"//a//", "b", "Disallow: /a//b"}, // one pass, no overlap: "///" leaves "//"
        {"/", "my file.html", "Disallow: /my%20file.html"},
        {"/", "a*b$c#d%e", "Disallow: /a*b$c%23d%25e"},
        {"/dir with space", QString::fromUtf8("caf\u00e9"), "Disallow: /dir%20with%20space/caf%C3%A9"},
    };
    for (const auto& c : paths) {
        QStringList rows = RuleGrid::newProjectTemplate();
        ASSERT_TRUE(RuleGrid::addRule(rows, "*", c.directory, c.name));
        EXPECT_EQ(rows.at(6), c.line) << c.name.toStdString();
    }

    // No change for "..", a missing entry, or a name that would break the file.
    for (const QString& name :
         {QString(".."), QString(" .. "), QString(), QString("a\r\nUser-agent: *"), QString("x\ny")}) {
        QStringList rows = RuleGrid::newProjectTemplate();
        EXPECT_FALSE(RuleGrid::addRule(rows, "*", "/", name));
        EXPECT_EQ(rows, RuleGrid::newProjectTemplate());
    }

    // The rule line must fit a project row (617 characters) once encoded, or a save would cut it,
    // maybe in the middle of an escape.
    const struct {
        QString name;
        bool fits;
    } lengths[] = {{QString(606, 'a'), true},
                   {QString(607, 'a'), false},
                   {QString(202, '#'), true},
                   {QString(203, '#'), false}};
    for (const auto& c : lengths) {
        QStringList rows = RuleGrid::newProjectTemplate();
        EXPECT_EQ(RuleGrid::ruleFitsRow("/", c.name), c.fits) << c.name.size();
        EXPECT_EQ(RuleGrid::addRule(rows, "*", "/", c.name), c.fits) << c.name.size();
        if (!c.fits) {
            EXPECT_EQ(rows, RuleGrid::newProjectTemplate());
        }
    }

    // After "Allow all Robots" the rule for All goes right under its group at row 6.
    QString headerText;
    QStringList rows = RuleGrid::allowAllTemplate(headerText);
    RuleGrid::addRule(rows, "*", "/", "x");
    EXPECT_EQ(rows.at(5), "User-agent: *");
    EXPECT_EQ(rows.at(6), "Disallow: /x");
    EXPECT_EQ(rows.at(7), "");
    EXPECT_EQ(rows.size(), 12);
}

TEST(RuleGrid, UserAgentsMatchAsSubstringsAndTheLastMatchWins)
{
    QStringList rows = RuleGrid::newProjectTemplate();
    RuleGrid::addRule(rows, "bot", "/", "one");
    RuleGrid::addRule(rows, "bot-image", "/", "two");
    // "User-agent: bot" is found in both groups; the last match (the older group "bot") wins here.
    RuleGrid::addRule(rows, "bot", "/", "three");
    EXPECT_EQ(rows.mid(5, 6), (QStringList{"User-agent: bot-image", "Disallow: /two", "", "User-agent: bot",
                                           "Disallow: /three", "Disallow: /one"}));

    // With the longer user-agent's group below, the shorter one joins it.
    QStringList other = RuleGrid::newProjectTemplate();
    RuleGrid::addRule(other, "bot-image", "/", "a");
    RuleGrid::addRule(other, "zzz", "/", "b");
    RuleGrid::addRule(other, "bot", "/", "c");
    EXPECT_EQ(other.at(8), "User-agent: bot-image");
    EXPECT_EQ(other.at(9), "Disallow: /c");

    // An empty user-agent matches every group: the rule joins the last group in the grid.
    RuleGrid::addRule(other, "", "/", "d");
    EXPECT_EQ(other.at(9), "Disallow: /d");
}

TEST(RuleGrid, RemoveLineOrGroup)
{
    QStringList rows = RuleGrid::newProjectTemplate();
    RuleGrid::addRule(rows, "*", "/", "a");
    RuleGrid::addRule(rows, "*", "/", "useragent.html");
    RuleGrid::addRule(rows, "other", "/", "b");
    // rows 5..: User-agent: other, Disallow: /b, "", User-agent: *, Disallow: /useragent.html, Disallow: /a,
    // ""
    const QStringList before = rows;
    for (int row : {-1, 0, 4, 7, static_cast<int>(rows.size()) - 5, static_cast<int>(rows.size()) - 1, 100}) {
        EXPECT_FALSE(RuleGrid::removeLineOrGroup(rows, row)) << row;
        EXPECT_EQ(rows, before);
    }
    ASSERT_TRUE(RuleGrid::removeLineOrGroup(rows, 10)); // "Disallow: /a" alone
    EXPECT_EQ(rows.at(9), "Disallow: /useragent.html");
    EXPECT_EQ(rows.at(10), "");

    // "useragent" holds "Agent" in another case: taken as a group head, up to and with the empty line.
    ASSERT_TRUE(RuleGrid::removeLineOrGroup(rows, 9));
    EXPECT_EQ(rows,
              (header() + QStringList{"User-agent: other", "Disallow: /b", "", "User-agent: *"} + footer()));

    ASSERT_TRUE(RuleGrid::removeLineOrGroup(rows, 5)); // "user-AGENT" in any case takes the group
    EXPECT_EQ(rows, (header() + QStringList{"User-agent: *"} + footer()));

    QString text = "Header";
    QStringList allow = RuleGrid::allowAllTemplate(text);
    ASSERT_TRUE(RuleGrid::removeLineOrGroup(allow, 5));
    EXPECT_EQ(allow, header("Header") + footer());
}

TEST(RuleGrid, ExportEndsEveryRowInCrLfInTheSingleByteCodePage)
{
    const QStringList rows{RuleGrid::ruleLine(), QString::fromUtf8("# caf\u00e9 \u20ac"), ""};
    EXPECT_EQ(RuleGrid::exportText(rows), QByteArray(51, '#') + "\r\n# caf\xe9 \x80\r\n\r\n");
    EXPECT_EQ(RuleGrid::exportTextLf(rows), QByteArray(51, '#') + "\n# caf\xe9 \x80\n\n");

    QStringList header = RuleGrid::newProjectTemplate();
    RuleGrid::setHeaderRow(header, "");
    EXPECT_EQ(header.at(2), "# ");
}
