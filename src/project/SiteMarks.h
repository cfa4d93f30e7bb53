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

// Calls visit(entry, url) for every entry of the tree, folder by folder: url is the path crawlers
// request, encoded as Add rule encodes it (the name as the user reads it, UTF-8, percent-encoded),
// a folder's ending in "/". The view is valid during the call.
void forEachUrl(const ftp::SiteTree& tree, const std::function<void(std::uint32_t, std::string_view)>& visit);
QByteArray url(const ftp::SiteTree& tree, std::uint32_t entry);

// Which entries the rules block, by entry.
std::vector<bool> blocked(const ftp::SiteTree& tree, const rules::RuleSet& rules);

// Each folder's files below it (at any depth), and how many of them are blocked, by folder.
struct FolderCount {
    std::uint32_t files = 0;
    std::uint32_t blocked = 0;
};
std::vector<FolderCount> folderCounts(const ftp::SiteTree& tree, const std::vector<bool>& blocked);

// "*" and then every robot the file's user-agent lines name, each once (by its crawler token).
QList<QByteArray> namedAgents(const rules::RobotsTxt& txt);

// The CSV of a scan: "url,AGENT1,..." and one row per entry, sorted by url, with "allowed" or
// "blocked" for each agent. Fails with the device's reason when it cannot be written.
Result<void> writeCsv(QIODevice& device, const ftp::SiteTree& tree, const rules::RobotsTxt& txt,
                      const QList<QByteArray>& agents);

} // namespace SiteMarks
} // namespace sf
