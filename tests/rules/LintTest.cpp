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
