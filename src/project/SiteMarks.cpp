#include "project/SiteMarks.h"

#include "ftp/RemoteName.h"
#include "rules/RuleWriter.h"

#include <algorithm>
#include <numeric>

namespace sf::SiteMarks {

using ftp::SiteTree;

void forEachUrl(const SiteTree& tree, const std::function<void(std::uint32_t, std::string_view)>& visit)
{
    // Each folder's path as the user reads it, made when its own folder is visited (a folder
    // always comes after the folder it lies in).
    std::vector<QString> folderPaths(tree.folders().size());
    for (std::uint32_t f = 0; f < tree.folders().size(); ++f) {
        const SiteTree::Folder& folder = tree.folders()[f];
        if (folder.entryCount == 0)
            continue;
        rules::EntryUrlPaths paths(folderPaths[f]);
        for (std::uint32_t e = folder.firstEntry; e < folder.firstEntry + folder.entryCount; ++e) {
            const SiteTree::Entry& entry = tree.entries()[e];
            const QString name = ftp::displayName(tree.name(entry));
            visit(e, paths.path(name, entry.isFolder));
            if (entry.isFolder)
                folderPaths[tree.folderOf(e)] = folderPaths[f] + u'/' + name;
        }
        folderPaths[f] = QString(); // no longer needed: its entries have theirs
    }
}

QByteArray url(const SiteTree& tree, std::uint32_t entry)
{
    const SiteTree::Entry& e = tree.entries()[entry];
    QString directory;
    for (std::uint32_t f = e.folder; f != SiteTree::kTopFolder;
         f = tree.entries()[tree.folders()[f].entry].folder)
        directory.prepend(u'/' + ftp::displayName(tree.name(tree.entries()[tree.folders()[f].entry])));
    rules::EntryUrlPaths paths(directory);
    const std::string_view path = paths.path(ftp::displayName(tree.name(e)), e.isFolder);
    return QByteArray(path.data(), static_cast<qsizetype>(path.size()));
}

std::vector<bool> blocked(const SiteTree& tree, const rules::RuleSet& rules)
{
    std::vector<bool> marks(tree.entries().size());
    forEachUrl(tree, [&](std::uint32_t entry, std::string_view path) {
        marks[entry] = !rules.checkPath(path).allowed;
    });
    return marks;
}

std::vector<FolderCount> folderCounts(const SiteTree& tree, const std::vector<bool>& blocked)
{
    std::vector<FolderCount> counts(tree.folders().size());
    // Entries after their folders: from the last one back, each folder's counts are whole when
    // they are added to the folder above it.
    for (std::uint32_t f = static_cast<std::uint32_t>(tree.folders().size()); f-- > 0;) {
        const SiteTree::Folder& folder = tree.folders()[f];
        for (std::uint32_t e = folder.firstEntry; e < folder.firstEntry + folder.entryCount; ++e) {
            if (!tree.entries()[e].isFolder) {
                ++counts[f].files;
                counts[f].blocked += blocked[e] ? 1 : 0;
            }
        }
        if (f != SiteTree::kTopFolder) {
            const std::uint32_t parent = tree.entries()[folder.entry].folder;
            counts[parent].files += counts[f].files;
            counts[parent].blocked += counts[f].blocked;
        }
    }
    return counts;
}

QList<QByteArray> namedAgents(const rules::RobotsTxt& txt)
{
    QList<QByteArray> agents{QByteArrayLiteral("*")};
    for (const rules::Line& line : txt.lines()) {
        if (line.kind != rules::LineKind::UserAgent || rules::isGlobalAgent(line.value))
            continue;
        const QByteArray token = rules::crawlerToken(line.value);
        const bool known = std::any_of(agents.cbegin(), agents.cend(), [&](const QByteArray& agent) {
            return agent.compare(token, Qt::CaseInsensitive) == 0;
        });
        if (!token.isEmpty() && !known)
            agents << token;
    }
    return agents;
}

namespace {

QByteArray csvField(QByteArrayView text)
{
    if (!text.contains(',') && !text.contains('"') && !text.contains('\n') && !text.contains('\r'))
        return text.toByteArray();
    QByteArray quoted = text.toByteArray();
    quoted.replace("\"", "\"\"");
    return '"' + quoted + '"';
}

} // namespace

Result<void> writeCsv(QIODevice& device, const SiteTree& tree, const rules::RobotsTxt& txt,
                      const QList<QByteArray>& agents)
{
    std::vector<QByteArray> urls(tree.entries().size());
    forEachUrl(tree, [&](std::uint32_t entry, std::string_view path) {
        urls[entry] = QByteArray(path.data(), static_cast<qsizetype>(path.size()));
    });
    std::vector<rules::RuleSet> rules;
    for (const QByteArray& agent : agents)
        rules.push_back(txt.rulesFor(agent));
    std::vector<std::uint32_t> order(urls.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(),
              [&](std::uint32_t a, std::uint32_t b) { return urls[a] < urls[b]; });
    QByteArray text = "url";
    for (const QByteArray& agent : agents)
        text += ',' + csvField(agent);
    text += "\r\n";
    for (const std::uint32_t entry : order) {
        text += csvField(urls[entry]);
        for (const rules::RuleSet& set : rules) {
            const std::string_view path(urls[entry].constData(), static_cast<size_t>(urls[entry].size()));
            text += set.checkPath(path).allowed ? ",allowed" : ",blocked";
        }
        text += "\r\n";
        if (text.size() > (1 << 16)) {
            if (device.write(text) != text.size())
                return Result<void>::failure(device.errorString());
            text.clear();
        }
    }
    if (device.write(text) != text.size())
        return Result<void>::failure(device.errorString());
    return {};
}

} // namespace sf::SiteMarks
