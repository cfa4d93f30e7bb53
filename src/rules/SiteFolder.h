#pragma once

#include <QString>

#include <optional>

// Where the web site lies on the server. Hosting accounts often log in above the site's web root
// (/public_html, /htdocs, ...); crawlers request paths below that folder, and read robots.txt only
// at its top. Paths here are absolute server paths as the session shows them.
namespace sf::rules {

// The site folder as kept: surrounding spaces and anything from a NUL on dropped, and a final "/"
// too ("/" itself stays: the site is the whole server). Empty: no site folder is set.
QString siteFolderFromText(const QString& text);

// A site folder as typed, made an absolute server path: one without a leading "/" lies below the
// login folder (an absolute path; empty stands for "/"), as FTP takes a relative folder, with its
// "." and ".." steps taken. An absolute folder and an empty one stay as siteFolderFromText has them.
QString absoluteSiteFolder(const QString& text, const QString& loginFolder);
// Whether a site folder as kept is relative: set, and without a leading "/".
bool isRelativeSiteFolder(const QString& text);

// The path crawlers request for a server path: the part below the site folder, "/" for the folder
// itself; none for a path outside it. Without a site folder every path stands as it is.
std::optional<QString> sitePath(const QString& siteFolder, const QString& serverPath);

// An entry of a server folder as crawlers see it: the folder and name to write its rule with, or
// outside the site. The site folder itself, listed in its parent, is the folder "/" with an empty
// name.
struct SiteEntry {
    bool inside = false;
    QString directory;
    QString name;
};
SiteEntry siteEntry(const QString& siteFolder, const QString& serverDirectory, const QString& name);
// The entry's path as crawlers request it, not yet encoded; a folder's ends in "/".
QString crawlerPath(const SiteEntry& entry, bool folder);

// Where robots.txt goes: "<site folder>/robots.txt", or with no site folder the name alone, in
// whatever folder is shown.
QString robotsFilePath(const QString& siteFolder);
// The folder robots.txt goes into: the site folder, or the folder shown when none is set.
QString robotsFolder(const QString& siteFolder, const QString& shownFolder);

// Whether a folder name is one hosting panels give a web root: public_html, htdocs, httpdocs,
// www, html, wwwroot or web, in any letter case.
bool isWebRootName(const QString& name);

} // namespace sf::rules
