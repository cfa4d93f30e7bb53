#include "ftp/cDirList.h"

#include <stdexcept>

namespace {

QString foldKey(const QString& name)
{
    return name.toCaseFolded();
}

} // namespace

cDirItem& cDirList::Add(quint32 lAttrib, const QDateTime& dtCreationTime, const QDateTime& dtLastAccessTime,
                        const QDateTime& dtLastWriteTime, qint32 lFileSize, const QString& sFilename)
{
    cDirItem item;
    item.ReadOnly = lAttrib & AttrReadOnly;
    item.Hidden = lAttrib & AttrHidden;
    item.System = lAttrib & AttrSystem;
    item.Directory = lAttrib & AttrDirectory;
    item.Archive = lAttrib & AttrArchive;
    item.Normal = lAttrib & AttrNormal;
    item.Temporary = lAttrib & AttrTemporary;
    item.Compressed = lAttrib & AttrCompressed;
    item.Offline = lAttrib & AttrOffline;
    item.CreationTime = dtCreationTime;
    item.LastAccessTime = dtLastAccessTime;
    item.LastWriteTime = dtLastWriteTime;
    item.FileSize = lFileSize;
    item.FileName = sFilename;
    m_items.push_back(std::move(item));
    return m_items.back();
}

void cDirList::Clear()
{
    m_items.clear();
    m_keys.clear();
    m_indexed = 0;
}

const QHash<QString, qsizetype>& cDirList::keys() const
{
    // The first entry of a name keeps the key; a later one that differs only in case is listed too.
    for (; m_indexed < m_items.size(); ++m_indexed) {
        const QString key = foldKey(m_items[m_indexed].FileName);
        if (!m_keys.contains(key))
            m_keys.insert(key, static_cast<qsizetype>(m_indexed));
    }
    return m_keys;
}

const cDirItem& cDirList::Item(qint32 index) const
{
    if (index < 1 || index > Count())
        throw std::out_of_range("cDirList::Item: no entry at this position");
    return m_items[static_cast<size_t>(index - 1)];
}

const cDirItem& cDirList::Item(const QString& key) const
{
    const QHash<QString, qsizetype>& names = keys();
    const auto it = names.constFind(foldKey(key));
    if (it == names.constEnd())
        throw std::out_of_range("cDirList::Item: no entry of this name");
    return m_items[static_cast<size_t>(*it)];
}

bool cDirList::Contains(const QString& key) const
{
    return keys().contains(foldKey(key));
}
