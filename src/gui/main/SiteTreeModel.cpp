#include "gui/main/SiteTreeModel.h"

#include "base/Translate.h"
#include "ftp/RemoteName.h"

#include <QLocale>

#include <algorithm>
#include <numeric>

namespace sf {
namespace {

SF_FILE_TRANSLATIONS("sf::SiteTreeModel")

using ftp::SiteTree;

QString number(qint64 n)
{
    return QLocale().toString(n);
}

} // namespace

SiteTreeModel::SiteTreeModel(std::shared_ptr<const SiteTree> tree, QObject* parent)
    : QAbstractItemModel(parent), m_tree(std::move(tree))
{
    const auto& entries = m_tree->entries();
    m_order.resize(entries.size());
    std::iota(m_order.begin(), m_order.end(), 0u);
    m_rank.resize(entries.size());
    for (const SiteTree::Folder& folder : m_tree->folders()) {
        const auto first = m_order.begin() + folder.firstEntry;
        std::sort(first, first + folder.entryCount, [&](std::uint32_t a, std::uint32_t b) {
            if (entries[a].isFolder != entries[b].isFolder)
                return entries[a].isFolder > entries[b].isFolder;
            return m_tree->name(entries[a]) < m_tree->name(entries[b]);
        });
        for (std::uint32_t row = 0; row < folder.entryCount; ++row)
            m_rank[m_order[folder.firstEntry + row]] = row;
    }
    m_blockedBy.assign(entries.size(), 0);
    m_counts.resize(m_tree->folders().size());
}

void SiteTreeModel::setMarks(std::vector<std::uint32_t> blockedBy, int agentCount)
{
    // Only the filter changes which rows there are; otherwise the rows stay, and so do the folders
    // the user opened.
    const bool rowsChange = m_onlyFetchable;
    if (rowsChange)
        beginResetModel();
    m_blockedBy = std::move(blockedBy);
    m_agentCount = static_cast<std::uint32_t>(std::max(1, agentCount));
    std::vector<bool> blockedForAll(m_blockedBy.size());
    for (std::size_t e = 0; e < m_blockedBy.size(); ++e)
        blockedForAll[e] = m_blockedBy[e] >= m_agentCount;
    m_counts = SiteMarks::folderCounts(*m_tree, blockedForAll);
    if (rowsChange) {
        buildVisible();
        endResetModel();
    } else if (rowCount() > 0) {
        emit dataChanged(index(0, MarkColumn), index(rowCount() - 1, BlockedColumn));
    }
}

void SiteTreeModel::setOnlyFetchable(bool only)
{
    beginResetModel();
    m_onlyFetchable = only;
    buildVisible();
    endResetModel();
}

bool SiteTreeModel::fetchable(std::uint32_t entry) const
{
    if (m_blockedBy[entry] < m_agentCount)
        return true;
    // A blocked folder stays on the way to what may be fetched below it.
    const SiteTree::Entry& e = m_tree->entries()[entry];
    return e.isFolder && m_fetchableBelow[m_tree->folderOf(entry)] > 0;
}

void SiteTreeModel::buildVisible()
{
    m_visible.clear();
    m_visibleRank.clear();
    if (!m_onlyFetchable)
        return;
    const auto& folders = m_tree->folders();
    const auto& entries = m_tree->entries();
    m_fetchableBelow.assign(folders.size(), 0);
    for (std::uint32_t f = static_cast<std::uint32_t>(folders.size()); f-- > 0;) {
        for (std::uint32_t e = folders[f].firstEntry; e < folders[f].firstEntry + folders[f].entryCount; ++e)
            m_fetchableBelow[f] += m_blockedBy[e] < m_agentCount ? 1 : 0;
        if (f != SiteTree::kTopFolder)
            m_fetchableBelow[entries[folders[f].entry].folder] += m_fetchableBelow[f];
    }
    m_visible.resize(folders.size());
    m_visibleRank.assign(entries.size(), 0);
    for (std::uint32_t f = 0; f < folders.size(); ++f) {
        for (std::uint32_t row = 0; row < folders[f].entryCount; ++row) {
            const std::uint32_t e = m_order[folders[f].firstEntry + row];
            if (!fetchable(e))
                continue;
            m_visibleRank[e] = static_cast<std::uint32_t>(m_visible[f].size());
            m_visible[f].push_back(e);
        }
    }
}

std::uint32_t SiteTreeModel::entryOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<std::uint32_t>(index.internalId() - 1) : SiteTree::kNone;
}

std::uint32_t SiteTreeModel::folderOfIndex(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return SiteTree::kTopFolder;
    const std::uint32_t entry = entryOf(parent);
    return m_tree->entries()[entry].isFolder ? m_tree->folderOf(entry) : SiteTree::kNone;
}

std::uint32_t SiteTreeModel::childOf(std::uint32_t folder, int row) const
{
    if (m_onlyFetchable)
        return m_visible[folder][static_cast<std::size_t>(row)];
    return m_order[m_tree->folders()[folder].firstEntry + static_cast<std::uint32_t>(row)];
}

int SiteTreeModel::rowOf(std::uint32_t entry) const
{
    return static_cast<int>(m_onlyFetchable ? m_visibleRank[entry] : m_rank[entry]);
}

QModelIndex SiteTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (row < 0 || column < 0 || column >= ColumnCount || row >= rowCount(parent))
        return {};
    return createIndex(row, column, quintptr(childOf(folderOfIndex(parent), row)) + 1);
}

QModelIndex SiteTreeModel::parent(const QModelIndex& child) const
{
    if (!child.isValid())
        return {};
    const std::uint32_t folder = m_tree->entries()[entryOf(child)].folder;
    if (folder == SiteTree::kTopFolder)
        return {};
    const std::uint32_t entry = m_tree->folders()[folder].entry;
    return createIndex(rowOf(entry), 0, quintptr(entry) + 1);
}

int SiteTreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    const std::uint32_t folder = folderOfIndex(parent);
    if (folder == SiteTree::kNone)
        return 0;
    return static_cast<int>(m_onlyFetchable ? m_visible[folder].size()
                                            : m_tree->folders()[folder].entryCount);
}

int SiteTreeModel::columnCount(const QModelIndex&) const
{
    return ColumnCount;
}

QVariant SiteTreeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    const std::uint32_t entry = entryOf(index);
    const SiteTree::Entry& e = m_tree->entries()[entry];
    switch (index.column()) {
    case NameColumn:
        return ftp::displayName(m_tree->name(e)) + (e.isFolder ? QStringLiteral("/") : QString());
    case MarkColumn:
        if (m_blockedBy[entry] == 0)
            return tr("allowed");
        if (m_blockedBy[entry] >= m_agentCount)
            return tr("blocked");
        return tr("blocked for %1 of %2").arg(m_blockedBy[entry]).arg(m_agentCount);
    case FilesColumn:
        return e.isFolder ? QVariant(number(m_counts[m_tree->folderOf(entry)].files)) : QVariant();
    case BlockedColumn:
        return e.isFolder ? QVariant(number(m_counts[m_tree->folderOf(entry)].blocked)) : QVariant();
    default:
        return {};
    }
}

QVariant SiteTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NameColumn:
        return tr("Name");
    case MarkColumn:
        return tr("Mark");
    case FilesColumn:
        return tr("Files");
    case BlockedColumn:
        return tr("Blocked");
    default:
        return {};
    }
}

} // namespace sf
