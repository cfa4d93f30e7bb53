#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <vector>

namespace sf::ftp {

// The files and folders below one server folder, kept small enough for a million entries: each
// entry holds its folder, where its name lies in one shared pool of names, and a few flags (12
// bytes, and the name's bytes once). Names are the server's bytes, as listed.
//
// Folder 0 is the scanned folder itself, which has no entry. A folder's entries are added at once,
// when it is listed, so they lie side by side, and a folder always comes before its entries.
class SiteTree {
public:
    static constexpr std::uint32_t kTopFolder = 0;
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

    struct Entry {
        std::uint32_t folder = 0;     // the folder it lies in (an index of folders())
        std::uint32_t nameOffset = 0; // into the name pool
        std::uint32_t nameSize : 24 = 0;
        std::uint32_t isFolder : 1 = 0;
        std::uint32_t isLink : 1 = 0;
    };
    enum class FolderState : std::uint8_t {
        Waiting,     // not listed (yet): the scan stopped before, or a limit left it out
        Listed,      // its entries are in the tree
        Failed,      // the server did not list it
        NotFollowed, // a link the scan did not follow
    };
    struct Folder {
        std::uint32_t entry = kNone; // its entry; kNone for the top folder
        std::uint32_t firstEntry = 0;
        std::uint32_t entryCount = 0;
        std::uint16_t depth = 0;
        FolderState state = FolderState::Waiting;
    };
    // One listed entry, as a listing gives it to add().
    struct Listed {
        QByteArray name;
        bool isFolder = false;
        bool isLink = false;
    };

    SiteTree();

    // Adds a folder's listing; each folder entry gets a folder of its own (Waiting). Returns the
    // index of the first folder added, or kNone when none was.
    std::uint32_t add(std::uint32_t folder, const std::vector<Listed>& entries);
    void setState(std::uint32_t folder, FolderState state) { m_folders[folder].state = state; }

    const std::vector<Entry>& entries() const { return m_entries; }
    const std::vector<Folder>& folders() const { return m_folders; }
    QByteArrayView name(const Entry& entry) const
    {
        return QByteArrayView(m_names.data() + entry.nameOffset, static_cast<qsizetype>(entry.nameSize));
    }
    // The folder of a folder entry (kNone for a file).
    std::uint32_t folderOf(std::uint32_t entry) const;
    // The path of a folder or an entry below the top, "/"-joined server bytes ("" for the top).
    QByteArray folderPath(std::uint32_t folder) const;
    QByteArray entryPath(std::uint32_t entry) const;

    // The bytes the tree holds, for the memory figures.
    std::size_t bytesUsed() const;
    void shrinkToFit();

private:
    std::vector<Entry> m_entries;
    std::vector<Folder> m_folders;
    std::vector<char> m_names;
};

} // namespace sf::ftp
