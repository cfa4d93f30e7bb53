#pragma once

#include "ftp/cFTP.h"

#include <QString>

class cDirItem;
class QTreeWidget;
class QTreeWidgetItem;

namespace sf {

// What the remote list shows of one entry.
namespace RemoteRow {
QString attributeString(const cDirItem& item); // nine letters "acdhnorst", "-" where a flag is off
QString sizeText(qint64 bytes);                // kilobytes, rounded up: "3KB"
constexpr int kColumns = 6;
QString text(const cDirItem& item, int column); // Name, Size, Date, Time, Attr, Type
} // namespace RemoteRow

// The main window's view of the server's current directory: `lv` and the "Folder: " panel.
class RemoteBrowser {
public:
    RemoteBrowser(QTreeWidget* list, cFTP& session) : m_list(list), m_session(session) {}

    // Reads the current directory into the list: the up row, folders, then files; selects the first
    // row and returns the status text "Folder: " + the directory, with a word when the listing was
    // cut (what arrived is shown) or failed (no entry is shown).
    QString RefreshRemoteList();
    // How the listing shown ended.
    cFTP::Listing outcome() const { return m_outcome; }
    // Changes into the folder of the row (or up, for ".."), then refreshes.
    QString navigate(const QTreeWidgetItem* row);
    void clear();

private:
    QTreeWidget* m_list;
    cFTP& m_session;
    cFTP::Listing m_outcome = cFTP::Listing::Complete;
};

} // namespace sf
