// What the question before an upload says the upload changes: the server's robots.txt against the
// new one, for each robot, at URL paths, in every reading.
#include "project/UploadCheck.h"

#include <gtest/gtest.h>

using namespace sf;

TEST(UploadCheck, ChangesAreSaidPerRobotPathAndReading)
{
    const QString star = "Every robot without a group of its own (*)";
    const struct Case {
        const char* what;
        QByteArray live, upload;
        QStringList listed, agents;
        QStringList said; // after "What robots may crawl changes:"; empty: nothing changes
    } cases[] = {
        {"another rule for every robot; the search engines read the same",
         "User-agent: *\nDisallow: /cgi-bin\n",
         "User-agent: *\nDisallow: /private.html\n",
         {"/", "/private.html", "/images/"},
         {"Googlebot", "bingbot/2.0"},
         {star + " may now crawl /cgi-bin", star + " may no longer crawl /private.html"}},
        {"a group of its own leaves the rules of *",
         "User-agent: *\nDisallow: /cgi-bin\n",
         "User-agent: *\nDisallow: /cgi-bin\n\nUser-agent: GPTBot\nDisallow: /private.html\n",
         {"/images/"},
         {},
         {"GPTBot may now crawl /cgi-bin", "GPTBot may no longer crawl /private.html"}},
        {"a search engine whose name holds a cut user-agent",
         "",
         "User-agent: Baidu\nDisallow: /\n",
         {},
         {"Baiduspider", "Googlebot"},
         {"Baidu may no longer crawl /", "Baiduspider may no longer crawl / in the first-match reading"}},
        {"wildcards, which first-match readers take as characters",
         "User-agent: *\nDisallow: /*.pdf$\n",
         "User-agent: *\nDisallow: /private/\n",
         {},
         {},
         {star + " may now crawl /*.pdf$ in the first-match reading",
          star + " may now crawl /.pdf in the RFC 9309 and Google readings",
          star + " may no longer crawl /private/"}},
        {"the first rule against the longest one",
         "User-agent: *\nDisallow: /b\nAllow: /b*\n",
         "User-agent: *\nAllow: /b\nDisallow: /b*\n",
         {},
         {},
         {star + " may no longer crawl /b in the RFC 9309 and Google readings, and may now crawl it in the "
                 "first-match reading",
          star + " may no longer crawl /b* in the RFC 9309 and Google readings, and may now crawl it in the "
                 "first-match reading"}},
        {"several robots alike, and the robots of * named",
         "User-agent: *\nDisallow: /a\n",
         "User-agent: ClaudeBot\nUser-agent: GPTBot\nDisallow: /\n\nUser-agent: *\nDisallow: /a\n",
         {"/a/"},
         {"Googlebot"},
         {"ClaudeBot and GPTBot may no longer crawl /"}},
        {"only line ends and a comment",
         "User-agent: *\nDisallow: /a\n",
         "User-agent: *\r\nDisallow: /a\r\n\r\n# the end\r\n",
         {"/", "/a"},
         {"Googlebot"},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QList<UploadCheck::PathChange> changes =
            UploadCheck::accessChanges(c.live, c.upload, c.listed, c.agents);
        QStringList said = UploadCheck::describeChanges(changes, 10).split(u'\n');
        if (c.said.isEmpty()) {
            EXPECT_TRUE(changes.isEmpty());
            EXPECT_EQ(said,
                      QStringList{"No robot may crawl more or less of the site than before, in any reading: "
                                  "only the text of the file changes."});
            continue;
        }
        ASSERT_EQ(said.takeFirst(), "What robots may crawl changes:");
        EXPECT_EQ(said, c.said);
        if (c.said.size() > 1) {
            EXPECT_EQ(UploadCheck::describeChanges(changes, 1).split(u'\n').mid(1),
                      (QStringList{c.said.first(), QString("... and %1 more.").arg(c.said.size() - 1)}));
        }
    }
}
