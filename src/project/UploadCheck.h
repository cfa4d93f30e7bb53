#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

class cDirList;

namespace sf::UploadCheck {

// A search crawler that a robots.txt keeps out of the whole site, and why.
struct ShutOut {
    QString agent;           // the product token checked, or "*"
    int line = 0;            // the deciding line, 1-based
    QString lineText;        // that line as written
    QStringList groupAgents; // the user-agent lines of the group it belongs to, "*" included
};

// The crawlers among "*" and these search robots' user-agents (checked by the token crawlers match)
// that the file keeps out of "/", in that order, each token once.
QList<ShutOut> shutOutAtRoot(const QByteArray& robotsText, const QStringList& searchAgents);

// Whether the grid's body is exactly what "Disallow all Robots" writes: then shutting every crawler
// out is what the user chose.
bool isDisallowAll(const QStringList& rows);

// The stop's text: which search crawlers, the deciding line of each and its group, at most limit.
QString describe(const QList<ShutOut>& shutOut, int limit);

// The user-agents of the robots of purpose "search engine" in the robot database at that path, in
// database order; none when it cannot be read.
QStringList searchEngineAgents(const QString& databasePath);

// The URL paths crawlers request for the entries of a server folder's listing (and the folder
// itself), as the main window maps them: below the site folder, entries outside the site left out;
// without a site folder the server's paths as they are. Percent-encoded, a folder's ending in "/".
QStringList listedSitePaths(const QString& folder, const QString& siteFolder, const cDirList* listing);

// What one upload changes for robots at one URL path, in each reading (the order of
// rules::kReadings).
enum class Access : std::uint8_t { Same, Gained, Lost };
struct PathChange {
    QStringList agents; // the product tokens it changes alike for; "*" for every robot without a group
    QString path;
    std::array<Access, 3> access{};
};

// What replacing the server's robots.txt (live; empty when there is none) by the new file changes,
// in every reading, for "*", each robot either file names and the given robots (the database's
// search engines): at "/", at the given URL paths (the entries listed) and at a path each Allow and
// Disallow line of either file matches. A robot that reads exactly what "*" reads, at every path,
// in every reading and in both files, goes with "*". Robots with the same change at a path share
// one entry; entries in robot order, then path order.
QList<PathChange> accessChanges(const QByteArray& live, const QByteArray& upload,
                                const QStringList& listedPaths, const QStringList& agents);

// The changes as the upload question says them: "What robots may crawl changes:" and one line each
// ("GPTBot may no longer crawl /private.html"), at most limit of them; or that nothing changes in
// any reading.
QString describeChanges(const QList<PathChange>& changes, int limit);

// The question's first sentence: the server path written and, when a site address is set, the
// address crawlers read it at.
QString targetText(const QString& serverPath, const QString& siteAddress);

} // namespace sf::UploadCheck
