#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>

#include <vector>

// One entry of a remote directory listing. The flags mirror the file-attribute bits the listing
// reports (see cDirList::Add); the three times are local date-times.
class cDirItem {
public:
    bool ReadOnly = false;   // 0x1
    bool Hidden = false;     // 0x2
    bool System = false;     // 0x4
    bool Directory = false;  // 0x10
    bool Archive = false;    // 0x20
    bool Normal = false;     // 0x80
    bool Temporary = false;  // 0x100
    bool Compressed = false; // 0x800
    bool Offline = false;    // 0x1000
    QDateTime CreationTime;
    QDateTime LastAccessTime;
    QDateTime LastWriteTime;
    qint32 FileSize = 0; // the low 32 bits of the size, as a signed number
    QString FileName;    // the name as the user reads it
    QByteArray RawName;  // the name as the server listed it: what navigation and transfers send
    bool HasTime = true; // false: the listing gave the date only, the times hold that day's 00:00
    bool Link = false;   // a symbolic link, as far as the listing says (MLSD may show its target instead)
    QString LinkTarget;  // what the listing says the link points to, as nameFromServer holds it; may be empty
};

// The entries of one listing, in the order they were added. Items are reached by a 1-based
// position or by their file name, compared without regard to letter case. When two names differ
// only in case, both entries are kept in the list and the name finds the first of them.
class cDirList {
public:
    enum Attribute : quint32 {
        AttrReadOnly = 0x1,
        AttrHidden = 0x2,
        AttrSystem = 0x4,
        AttrDirectory = 0x10,
        AttrArchive = 0x20,
        AttrNormal = 0x80,
        AttrTemporary = 0x100,
        AttrCompressed = 0x800,
        AttrOffline = 0x1000,
    };

    // The returned reference is valid until the next Add or Clear.
    cDirItem& Add(quint32 lAttrib, const QDateTime& dtCreationTime, const QDateTime& dtLastAccessTime,
                  const QDateTime& dtLastWriteTime, qint32 lFileSize, const QString& sFilename);
    void Clear();
    // Room for this many entries, so that a long listing is added without moving what it holds.
    void Reserve(qsizetype count) { m_items.reserve(static_cast<size_t>(count)); }
    // Position from 1 to Count; throws std::out_of_range for any other position.
    const cDirItem& Item(qint32 index) const;
    // Throws std::out_of_range when no entry has that name.
    const cDirItem& Item(const QString& key) const;
    bool Contains(const QString& key) const;
    qint32 Count() const { return static_cast<qint32>(m_items.size()); }

    // Iteration in list order (for (const cDirItem& item : list)).
    using const_iterator = std::vector<cDirItem>::const_iterator;
    const_iterator begin() const { return m_items.begin(); }
    const_iterator end() const { return m_items.end(); }

private:
    // The names are indexed when a name is first looked up, not while a listing is added: most
    // listings are only shown.
    const QHash<QString, qsizetype>& keys() const;

    std::vector<cDirItem> m_items;
    mutable QHash<QString, qsizetype> m_keys; // case-folded name -> index of its first entry
    mutable size_t m_indexed = 0;             // the entries m_keys has seen
};
