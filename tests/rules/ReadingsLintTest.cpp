// The lint marks for lines the readings read differently.
#include "rules/RobotsLint.h"

#include <gtest/gtest.h>

using namespace sf::rules;

TEST(ReadingsLint, MarksLinesTheReadingsReadDifferently)
{
    struct Case {
        QByteArray robots;
        std::vector<std::pair<int, const char*>> marks; // line, a part of its text
    } cases[] = {
        {"User-agent: *\nAllow: /x/y\nDisallow: /x\n", {}},
        {"\xEF\xBB\xBFUser-agent: *\nDisallow: /x\n", {{1, "byte order mark"}}},
        {"User-agent: *\nDisallow: /r\xE9sum\xE9\n", {{2, "outside ASCII"}, {2, "not valid UTF-8"}}},
        {"User-agent: *\nDissallow: /x\nDisallow /y\nUser agent: z\n",
         {{2, "only Google's parser reads this line, as \"Disallow: /x\""},
          {3, "\"Disallow: /y\""},
          {4, "\"User-agent: z\""}}},
        {"User-agent: *\nDisallow: /private*\nDisallow: /*.pdf$\nAllow: /$\nDisallow: *\n",
         {{2, "write \"Disallow: /private\""},
          {3, "this rule blocks only URLs"},
          {4, "this rule allows only URLs"},
          {5, "write \"Disallow: /\""}}},
        {"User-agent: *\nAllow: /a\nDisallow: /a/b\nDisallow:\nDisallow: /c\n",
         {{3, "line 2 above matches them first and allows them"}, {5, "line 4 above matches them first"}}},
        {"User-agent: FooBot\n\nDisallow: /x\nDisallow: /y\n", {{3, "blank line above"}}},
        {"User-agent:\nDisallow: /x\n", {{1, "empty User-agent"}}},
        {"User-agent: *\nDisallow: //[x/\n", {{2, "stop reading"}}},
        {"User-agent: FooBot/1.0\nDisallow: /\n", {{1, "Write \"User-agent: FooBot\""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.robots.toStdString());
        const auto problems = lint(c.robots);
        ASSERT_EQ(problems.size(), c.marks.size());
        for (size_t i = 0; i < problems.size(); ++i) {
            EXPECT_EQ(problems[i].line, c.marks[i].first);
            EXPECT_TRUE(problems[i].text.contains(QLatin1String(c.marks[i].second)))
                << problems[i].text.toStdString();
        }
    }
}
