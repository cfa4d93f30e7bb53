// The lint of Content-Signal lines, on small files, through the whole lint.
#include "rules/RobotsLint.h"

#include <gtest/gtest.h>

using namespace sf::rules;

TEST(ContentSignalLint, MarksUnknownKeysBadValuesStrayLinesAndContradictions)
{
    struct Case {
        const char* text;
        std::vector<std::pair<int, const char*>> problems; // line, a part of the text
    } cases[] = {
        {"User-agent: *\nContent-Signal: search=yes, ai-input=no, ai-train=no\nDisallow: /private/\n", {}},
        {"User-agent: *\nContent-Signal: search=yes, ai_train=no\n", {{2, "\"ai_train\" is no signal"}}},
        {"User-agent: *\ncontent-signal: ai-input=maybe\n", {{2, "ai-input must be yes or no"}}},
        {"Content-Signal: search=yes\nUser-agent: *\n", {{1, "belongs to no group"}}},
        {"User-agent: *\nContent-Signal: search=yes, ai-train=no\nDisallow: /\n",
         {{2, "search=yes, but the group's rules block the whole site"}, {3, "The whole site is closed"}}},
        {"User-agent: *\nContent-Signal: search=yes\nDisallow: /\nAllow: /$\n",
         {{4, "plain characters"}}}, // the home page stays open (for first-match readers it does not)
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto problems = lint(QByteArrayView(c.text));
        ASSERT_EQ(problems.size(), c.problems.size());
        for (size_t i = 0; i < problems.size(); ++i) {
            EXPECT_EQ(problems[i].line, c.problems[i].first);
            EXPECT_TRUE(problems[i].text.contains(QLatin1String(c.problems[i].second)))
                << problems[i].text.toStdString();
        }
    }
}
