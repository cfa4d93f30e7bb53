#pragma once

#include "base/Result.h"
#include "ftp/SiteTree.h"
#include "rules/RobotsTxt.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>

#include <functional>
#include <string_view>
#include <vector>

namespace sf {

// What crawlers may fetch of a scanned site: the path each entry is requested by, and each entry's
// mark for a robot.
namespace SiteMarks {

// The path crawlers request for the scanned folder itself, encoded, ending in "/", as the main
// window maps server paths (rules::sitePath): "/" for the site folder; with no site folder set, the
// folder's own server path. scannedFolder is held as nameFromServer gives it.
QByteArray topUrl(const QString& siteFolder, const QString& scannedFolder);

// Calls visit(entry, url) for every entry of the tree, folder by folder: url is the path crawlers
// request, below top (topUrl's), encoded as Add rule encodes it (the name as the user reads it,
// UTF-8, percent-encoded), a folder's ending in "/". The view is valid during the call.
void forEachUrl(const ftp::SiteTree& tree, const QByteArray& top,
                const std::function<void(std::uint32_t, std::string_view)>& visit);
QByteArray url(const ftp::SiteTree& tree, const QByteArray& top, std::uint32_t entry);

// Which entries the rules block, by entry.
std::vector<bool> blocked(const ftp::SiteTree& tree, const QByteArray& top, const rules::RuleSet& rules);

// By entry, how many of the agents the file's rules keep out of it, in one pass over the tree:
// agents that get the same rules (all those the file does not name get those of "*") are checked
// as one.
std::vector<std::uint32_t> blockedCounts(const ftp::SiteTree& tree, const QByteArray& top,
                                         const rules::RobotsTxt& txt, const QList<QByteArray>& agents);

// Each folder's files below it (at any depth), and how many of them are blocked, by folder.
struct FolderCount {
    std::uint32_t files = 0;
    std::uint32_t blocked = 0;
};
std::vector<FolderCount> folderCounts(const ftp::SiteTree& tree, const std::vector<bool>& blocked);

// At most `most` of the tree's files, spread evenly over it in the order the scan listed them, as
// the paths crawlers request: the pages a proof on the live site adds to its sample. Hidden files
// (".htaccess") are no pages: web servers refuse them to everyone.
QList<QByteArray> samplePages(const ftp::SiteTree& tree, const QByteArray& top, qsizetype most);

// "*" and then every robot the file's user-agent lines name, each once (by its crawler token).
QList<QByteArray> namedAgents(const rules::RobotsTxt& txt);

// The CSV of a scan: "url,AGENT1,..." and one row per entry, sorted by url, with "allowed" or
// "blocked" for each agent. Fails with the device's reason when it cannot be written.
Result<void> writeCsv(QIODevice& device, const ftp::SiteTree& tree, const QByteArray& top,
                      const rules::RobotsTxt& txt, const QList<QByteArray>& agents);

} // namespace SiteMarks
} // namespace sf
