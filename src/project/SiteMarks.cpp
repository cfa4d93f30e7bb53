#include "project/SiteMarks.h"

#include "ftp/RemoteName.h"
#include "rules/RuleWriter.h"
#include "rules/SiteFolder.h"

#include <algorithm>
#include <map>
#include <numeric>

namespace sf::SiteMarks {

using ftp::SiteTree;

namespace {

// Appends an entry's name as crawlers request it: the name as the user reads it (the server's bytes
// when they are UTF-8, else Windows-1252), in UTF-8, encoded as Add rule encodes it.
void appendName(QByteArray& out, QByteArrayView name)
{
    if (name.isValidUtf8())
        rules::appendPathEncoded(out, name);
    else
        rules::appendPathEncoded(out, ftp::displayName(name).toUtf8());
}

} // namespace

QByteArray topUrl(const QString& siteFolder, const QString& scannedFolder)
{
    const std::optional<QString> path = rules::sitePath(siteFolder, ftp::displayPath(scannedFolder));
    if (!path || path->isEmpty())
        return QByteArrayLiteral("/");
    return rules::entryUrlPath(*path, QString());
}

void forEachUrl(const SiteTree& tree, const QByteArray& top,
                const std::function<void(std::uint32_t, std::string_view)>& visit)
{
    // Each folder's path, encoded and ending in "/", kept from when its own folder is visited (a
    // folder always comes after the folder it lies in) until its entries have theirs.
    std::vector<QByteArray> folderPaths(tree.folders().size());
    folderPaths[SiteTree::kTopFolder] = top;
    QByteArray path;
    for (std::uint32_t f = 0; f < tree.folders().size(); ++f) {
        const SiteTree::Folder& folder = tree.folders()[f];
        path.truncate(0); // the room stays
        path.append(folderPaths[f]);
        const qsizetype prefix = path.size();
        for (std::uint32_t e = folder.firstEntry; e < folder.firstEntry + folder.entryCount; ++e) {
            const SiteTree::Entry& entry = tree.entries()[e];
            path.truncate(prefix);
            appendName(path, tree.name(entry));
            if (entry.isFolder) {
                path += '/';
                folderPaths[tree.folderOf(e)] = path;
            }
            visit(e, std::string_view(path.constData(), static_cast<size_t>(path.size())));
        }
        folderPaths[f] = QByteArray();
    }
}

QByteArray url(const SiteTree& tree, const QByteArray& top, std::uint32_t entry)
{
    std::vector<std::uint32_t> chain;
    for (std::uint32_t e = entry; e != SiteTree::kNone; e = tree.folders()[tree.entries()[e].folder].entry)
        chain.push_back(e);
    QByteArray path = top.endsWith('/') ? top.chopped(1) : top;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        path += '/';
        appendName(path, tree.name(tree.entries()[*it]));
    }
    if (tree.entries()[entry].isFolder)
        path += '/';
    return path;
}

QList<QByteArray> samplePages(const SiteTree& tree, const QByteArray& top, qsizetype most)
{
    std::vector<std::uint32_t> files;
    for (std::uint32_t e = 0; e < tree.entries().size(); ++e)
        if (!tree.entries()[e].isFolder && !tree.name(tree.entries()[e]).startsWith('.'))
            files.push_back(e);
    QList<QByteArray> pages;
    if (most <= 0 || files.empty())
        return pages;
    const auto count = static_cast<std::size_t>(std::min<qsizetype>(most, qsizetype(files.size())));
    for (std::size_t i = 0; i < count; ++i)
        pages << url(tree, top, files[i * files.size() / count]);
    return pages;
}

std::vector<bool> blocked(const SiteTree& tree, const QByteArray& top, const rules::RuleSet& rules)
{
    std::vector<bool> marks(tree.entries().size());
    forEachUrl(tree, top, [&](std::uint32_t entry, std::string_view path) {
        marks[entry] = !rules.checkPath(path).allowed;
    });
    return marks;
}

std::vector<std::uint32_t> blockedCounts(const SiteTree& tree, const QByteArray& top,
                                         const rules::RobotsTxt& txt, const QList<QByteArray>& agents)
{
    // The agents by the rules they get: rules from the same lines decide alike.
    std::map<std::vector<int>, std::size_t> byLines;
    std::vector<rules::RuleSet> sets;
    std::vector<std::uint32_t> weights;
    for (const QByteArray& agent : agents) {
        rules::RuleSet set = txt.rulesFor(agent);
        std::vector<int> lines;
        lines.reserve(set.rules().size());
        for (const rules::Rule& rule : set.rules())
            lines.push_back(rule.line);
        const auto [it, added] = byLines.try_emplace(std::move(lines), sets.size());
        if (added) {
            sets.push_back(std::move(set));
            weights.push_back(0);
        }
        ++weights[it->second];
    }
    // Rules that allow everything need no look at the tree.
    std::vector<std::size_t> checked;
    for (std::size_t s = 0; s < sets.size(); ++s)
        if (!sets[s].rules().empty())
            checked.push_back(s);
    std::vector<std::uint32_t> counts(tree.entries().size(), 0);
    if (checked.empty())
        return counts;
    forEachUrl(tree, top, [&](std::uint32_t entry, std::string_view path) {
        std::uint32_t count = 0;
        for (const std::size_t s : checked)
            count += sets[s].checkPath(path).allowed ? 0 : weights[s];
        counts[entry] = count;
    });
    return counts;
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

Result<void> writeCsv(QIODevice& device, const SiteTree& tree, const QByteArray& top,
                      const rules::RobotsTxt& txt, const QList<QByteArray>& agents)
{
    std::vector<QByteArray> urls(tree.entries().size());
    forEachUrl(tree, top, [&](std::uint32_t entry, std::string_view path) {
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
