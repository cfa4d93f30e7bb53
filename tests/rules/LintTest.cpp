#include "rules/RobotsLint.h"

#include <gtest/gtest.h>

using namespace sf::rules;

// Each problem the lint names, and lines that look alike but are read as meant.
TEST(RobotsLint, NamesWhatCrawlersReadOtherwise)
{
    struct Case {
        QByteArray robots;
        std::vector<int> lines; // the lines reported, in order
        QString firstText;      // a part of the first problem's text
    } cases[] = {
        {"User-agent: *\nUser-agent: FooBot/2\nDisallow: /x # note\nDisallow:\nAllow: *.gif$\n",
         {2, 5},
         "\"FooBot\""},
        {"User-agent: *\nDisallow: /a#b\n", {2}, "\"#\""},
        {"User-agent: *\nDisallow: /caf\xC3\xA9\n", {2}, "outside ASCII"},
        {"User-agent: A\nDisallow: /a\n\nUser-agent: b\nUser-agent: a\nDisallow: /b\n", {5}, "line 1"},
        {"User-agent: *\nDisallow: /a\nAllow: /a\nallow: /a\n", {3, 4, 4}, "line 2"},
        {"Allow: /x\nUser-agent: *\n", {1}, "before any User-agent"},
        {"User-agent: *\nDisallow: x\n", {2}, "neither"},
        {"User-agent: *\nDisallow: /a\tb\n", {2}, "raw space"},
        {"User-agent: *\n" + QByteArray(600 * 1024, '#') + "\nDisallow: /late\n", {2}, "500 KiB"},
    };
    for (const Case& c : cases) {
        const auto problems = lint(c.robots);
        std::vector<int> lines;
        for (const LintProblem& p : problems)
            lines.push_back(p.line);
        EXPECT_EQ(lines, c.lines) << c.robots.left(80).toStdString();
        if (!problems.empty()) {
            EXPECT_TRUE(problems.front().text.contains(c.firstText)) << problems.front().text.toStdString();
        }
    }
}

// The shapes a purpose preset must never write: user-agent lines that an empty line or another key
// does not part from the next group, and a site closed to every crawler. The sound forms get no mark.
TEST(RobotsLint, PurposePresetShapesRunOnGroupsAndClosedSites)
{
    const QString closed = "The whole site is closed to every crawler: a file left from a staging site?";
    struct Case {
        QByteArray robots;
        std::vector<std::pair<int, QString>> marks; // line, the whole text
    } cases[] = {
        {"User-agent: *\nContent-Signal: ai-train=no\n\nUser-agent: ClaudeBot\nUser-agent: GPTBot\n"
         "Disallow: /\n",
         {{4, "\"*\" and ClaudeBot, GPTBot form one group: every crawler without a group of its own is "
              "disallowed from /"},
          {6, closed}}},
        {"User-agent: *\nContent-Signal: ai-train=no\nAllow: /\n\nUser-agent: ClaudeBot\nDisallow: /\n", {}},
        {"User-agent: A\nSitemap: https://example.org/s.xml\nUser-agent: B\nUser-agent: C\nUser-agent: D\n"
         "User-agent: E\nDisallow: /private\n",
         {{3, "A and B, C, D and 1 more form one group: each of them follows the rules from line 7 on"}}},
        {"User-agent: A\n# the B crawler\nUser-agent: B\nDisallow: /x\n", {}},
        {"User-agent: *\nDisallow: /\n", {{2, closed}}},
        {"User-agent: Googlebot\nAllow: /\n\nUser-agent: *\nDisallow: /\n", {}},
        {"User-agent: *\nDisallow: /\nAllow: /$\n", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.robots.toStdString());
        std::vector<std::pair<int, QString>> marks;
        for (const LintProblem& p : lint(c.robots)) // the group-shape marks; other readings' marks aside
            if (p.text.contains(QStringLiteral("form one group")) || p.text == closed)
                marks.emplace_back(p.line, p.text);
        EXPECT_EQ(marks, c.marks);
    }
}

// The short list: one finding per kind and group with the lines it concerns, the most harmful first.
TEST(RobotsLint, ShortListGroupsFindingsByKindAndGroupMostHarmfulFirst)
{
    QByteArray wild = "User-agent: *\nAllow: /\n";
    for (int i = 0; i < 212; ++i)
        wild += "Disallow: /*.x" + QByteArray::number(i) + "$\n";
    QByteArray shadowed = "User-agent: FooBot\nDisallow: /a\n";
    for (int i = 0; i < 3; ++i)
        shadowed += "Allow: /a/" + QByteArray::number(i) + "\n";
    shadowed += "\nUser-agent: BarBot\nDisallow: /b\nAllow: /b/c\n";
    struct Case {
        QByteArray robots;
        std::vector<std::pair<int, QString>> findings; // first line, whole text
    } cases[] = {
        {wild, {{3, "first-match readers read 212 rules with * or $ as plain characters: lines 3-214"}}},
        {shadowed,
         {{3, "first-match readers never get to 3 rules: a rule of the other kind above matches their URLs "
              "first: lines 3-5"},
          {9, "first-match readers never get to this line for the URLs it names: line 8 above matches them "
              "first and blocks them. Put this line above line 8 so every reading agrees"}}},
        {"User-agent: *\nDisallow: /a b\nDisallow: /\nDisallow: /c d\nDisallow: /e f\nDisallow: /g h\n"
         "Disallow: /j k\nDisallow: /m n\nDisallow: /p q\n",
         {{3, "The whole site is closed to every crawler: a file left from a staging site?"},
          {2, "7 paths hold a raw space, which crawlers request percent-encoded: lines 2, 4-9"}}},
        {"User-agent: *\nDisallow: /x\n", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.robots.left(80).toStdString());
        std::vector<std::pair<int, QString>> findings;
        for (const LintFinding& f : lintFindings(c.robots))
            findings.emplace_back(f.lines.front(), f.text);
        EXPECT_EQ(findings, c.findings);
    }
    EXPECT_EQ(lineRanges({14, 15, 16, 20}), "14-16, 20");
    EXPECT_EQ(lineRanges({1, 3, 5, 7, 9, 380}), "1-380") << "many runs read as one span";
}
