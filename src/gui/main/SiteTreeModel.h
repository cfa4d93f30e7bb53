#pragma once

#include "ftp/SiteTree.h"
#include "project/SiteMarks.h"

#include <QAbstractItemModel>

#include <memory>
#include <vector>

namespace sf {

// A scanned site as a tree view shows it: folders first, then files, each by name; a mark per
// entry for the chosen robots, and each folder's files and how many of them are blocked. With
// the filter on, only what at least one of the robots may fetch is shown (and the folders on the
// way to it). Rows are made when the view asks for them, so a million entries cost no widgets.
class SiteTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Column { NameColumn, MarkColumn, FilesColumn, BlockedColumn, ColumnCount };

    explicit SiteTreeModel(std::shared_ptr<const ftp::SiteTree> tree, QObject* parent = nullptr);

    // blockedBy: by entry, how many of the agentCount robots are kept out of it. Without the filter
    // the rows stay as they are; a view repaints the rows below the top itself.
    void setMarks(std::vector<std::uint32_t> blockedBy, int agentCount);
    void setOnlyFetchable(bool only);
    bool onlyFetchable() const { return m_onlyFetchable; }

    // The entry of an index (ftp::SiteTree::kNone for none).
    std::uint32_t entryOf(const QModelIndex& index) const;
    const ftp::SiteTree& tree() const { return *m_tree; }
    const std::vector<SiteMarks::FolderCount>& folderCounts() const { return m_counts; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::uint32_t folderOfIndex(const QModelIndex& parent) const;
    std::uint32_t childOf(std::uint32_t folder, int row) const;
    int rowOf(std::uint32_t entry) const;
    bool fetchable(std::uint32_t entry) const;
    void buildVisible();

    std::shared_ptr<const ftp::SiteTree> m_tree;
    std::vector<std::uint32_t> m_order; // each folder's entries sorted, in the folder's range
    std::vector<std::uint32_t> m_rank;  // by entry: its row among its folder's entries
    std::vector<std::uint32_t> m_blockedBy;
    std::uint32_t m_agentCount = 1;
    std::vector<SiteMarks::FolderCount> m_counts;
    std::vector<std::uint32_t> m_fetchableBelow; // by folder: entries below it some robot may fetch
    bool m_onlyFetchable = false;
    // With the filter: each folder's shown entries, and each shown entry's row.
    std::vector<std::vector<std::uint32_t>> m_visible;
    std::vector<std::uint32_t> m_visibleRank;
};

} // namespace sf
