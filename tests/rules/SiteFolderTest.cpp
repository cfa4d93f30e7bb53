// Where an entry of the server stands for crawlers once the site is served from a folder of it.
#include "rules/SiteFolder.h"
#include "project/RuleGrid.h"

#include <gtest/gtest.h>

using namespace sf;

TEST(SiteFolder, EntriesBecomeTheUrlPathsBelowTheSiteFolder)
{
    struct Case {
        const char* site;
        const char* directory;
        const char* name;
        const char* rule; // nullptr: outside the site, no rule
    } cases[] = {
        {"/public_html", "/public_html/images", "logo.gif", "Disallow: /images/logo.gif"},
        {"/public_html/", "/public_html", "private.html", "Disallow: /private.html"},
        {"  /public_html  ", "/public_html/", "cgi-bin", "Disallow: /cgi-bin"},
        {"/public_html", "/public_html/my docs", "caf\u00e9.html", "Disallow: /my%20docs/caf%C3%A9.html"},
        {"/public_html", "/", "public_html", "Disallow: /"}, // the site's top, seen from above
        {"/public_html", "/", "private.html", nullptr},
        {"/public_html", "/public_html_old", "a.html", nullptr}, // a longer name is another folder
        {"/public_html", "/Public_HTML", "a.html", nullptr},     // server paths keep their case
        {"/home/ann/public_html", "/home/ann/public_html/blog", "a.html", "Disallow: /blog/a.html"},
        {"/home/ann/public_html", "/home/ann", "mail", nullptr},
        {"/", "/images", "logo.gif", "Disallow: /images/logo.gif"},
        {"", "/public_html", "private.html", "Disallow: /public_html/private.html"}, // as before
        {"\0\0\0", "/www", "a.html", "Disallow: /www/a.html"},                       // an old file's NULs
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.site << " | " << c.directory << " | " << c.name);
        const QString site = QString::fromUtf8(c.site, c.site[0] ? -1 : 3);
        const rules::SiteEntry entry = rules::siteEntry(site, c.directory, QString::fromUtf8(c.name));
        ASSERT_EQ(entry.inside, c.rule != nullptr);
        if (!c.rule)
            continue;
        QStringList rows = RuleGrid::newProjectTemplate();
        ASSERT_TRUE(RuleGrid::addRule(rows, "*", entry.directory, entry.name));
        EXPECT_EQ(rows.at(RuleGrid::kGroupRow + 1).toStdString(), c.rule);
    }
}

TEST(SiteFolder, RobotsTxtGoesToTheTopAndWebRootsAreKnownByName)
{
    const std::pair<QString, QString> paths[] = {{"", "robots.txt"},
                                                 {"/public_html/", "/public_html/robots.txt"},
                                                 {"/", "/robots.txt"},
                                                 {"/home/ann/www", "/home/ann/www/robots.txt"}};
    for (const auto& [site, path] : paths)
        EXPECT_EQ(rules::robotsFilePath(site), path) << site.toStdString();
    EXPECT_EQ(rules::robotsFolder("", "/images"), "/images");
    EXPECT_EQ(rules::robotsFolder("/htdocs/", "/htdocs/images"), "/htdocs");
    for (const char* name : {"public_html", "HTDOCS", "httpdocs", "www", "Html", "wwwroot", "web"})
        EXPECT_TRUE(rules::isWebRootName(name)) << name;
    for (const char* name : {"public", "www2", "images", "web root", ""})
        EXPECT_FALSE(rules::isWebRootName(name)) << name;
}

// A folder typed without its leading "/" lies below the login folder, as FTP takes it.
TEST(SiteFolder, RelativeFolderLiesBelowTheLoginFolder)
{
    const struct {
        const char* typed;
        const char* login;
        const char* absolute;
    } cases[] = {
        {"public_html", "/", "/public_html"},
        {"public_html/", "/home/ann", "/home/ann/public_html"},
        {" sites/./blog ", "/home/ann/", "/home/ann/sites/blog"},
        {"../shared/www", "/home/ann", "/home/shared/www"},
        {"../../..", "/home/ann", "/"},
        {"www", "", "/www"},
        {"/public_html/", "/home/ann", "/public_html"}, // absolute: as it is
        {"", "/home/ann", ""},                          // none set
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rules::absoluteSiteFolder(c.typed, c.login), c.absolute) << c.typed << " in " << c.login;
        EXPECT_EQ(rules::isRelativeSiteFolder(c.typed), c.typed[0] != '\0' && c.typed[0] != '/') << c.typed;
    }
}
