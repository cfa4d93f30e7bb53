#include "ftp/SiteTree.h"

#include <algorithm>

namespace sf::ftp {

static_assert(sizeof(SiteTree::Entry) == 12);

SiteTree::SiteTree()
{
    m_folders.push_back(Folder{});
}

std::uint32_t SiteTree::add(std::uint32_t folder, const std::vector<Listed>& entries)
{
    m_folders[folder].firstEntry = static_cast<std::uint32_t>(m_entries.size());
    m_folders[folder].entryCount = static_cast<std::uint32_t>(entries.size());
    m_folders[folder].state = FolderState::Listed;
    const std::uint16_t depth = static_cast<std::uint16_t>(m_folders[folder].depth + 1);
    std::uint32_t firstFolder = kNone;
    for (const Listed& listed : entries) {
        Entry entry;
        entry.folder = folder;
        entry.nameOffset = static_cast<std::uint32_t>(m_names.size());
        entry.nameSize = static_cast<std::uint32_t>(std::min<qsizetype>(listed.name.size(), 0xFFFFFF));
        entry.isFolder = listed.isFolder;
        entry.isLink = listed.isLink;
        m_names.insert(m_names.end(), listed.name.cbegin(), listed.name.cbegin() + entry.nameSize);
        if (listed.isFolder) {
            if (firstFolder == kNone)
                firstFolder = static_cast<std::uint32_t>(m_folders.size());
            Folder child;
            child.entry = static_cast<std::uint32_t>(m_entries.size());
            child.depth = depth;
            m_folders.push_back(child);
        }
        m_entries.push_back(entry);
    }
    return firstFolder;
}

std::uint32_t SiteTree::folderOf(std::uint32_t entry) const
{
    // Folders are made in the order of their entries.
    const auto it = std::lower_bound(m_folders.begin() + 1, m_folders.end(), entry,
                                     [](const Folder& folder, std::uint32_t e) { return folder.entry < e; });
    return it != m_folders.end() && it->entry == entry ? static_cast<std::uint32_t>(it - m_folders.begin())
                                                       : kNone;
}

QByteArray SiteTree::folderPath(std::uint32_t folder) const
{
    return folder == kTopFolder || folder >= m_folders.size() ? QByteArray()
                                                              : entryPath(m_folders[folder].entry);
}

QByteArray SiteTree::entryPath(std::uint32_t entry) const
{
    std::vector<std::uint32_t> chain;
    for (std::uint32_t e = entry; e != kNone; e = m_folders[m_entries[e].folder].entry)
        chain.push_back(e);
    QByteArray path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        path += '/' + name(m_entries[*it]).toByteArray();
    return path;
}

std::size_t SiteTree::bytesUsed() const
{
    return m_entries.capacity() * sizeof(Entry) + m_folders.capacity() * sizeof(Folder) + m_names.capacity();
}

void SiteTree::shrinkToFit()
{
    m_entries.shrink_to_fit();
    m_folders.shrink_to_fit();
    m_names.shrink_to_fit();
}

} // namespace sf::ftp
