#include "gui/ftp/RemoteBrowser.h"

#include "gui/common/BusyPointer.h"
#include "gui/common/ProgramIcon.h"

#include "base/CodePage.h"
#include "ftp/RemoteName.h"
#include "ftp/cFTP.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <memory>
#include <vector>

namespace sf {
namespace {

enum Picture { FolderPicture, FilePicture, UpPicture };

QIcon picture(Picture which)
{
    static const QIcon icons[] = {programIcon(QStringLiteral(":/icons/folder.svg")),
                                  programIcon(QStringLiteral(":/icons/file.svg")),
                                  programIcon(QStringLiteral(":/icons/up.svg"))};
    return icons[which];
}

// The server's spelling of the row's name, which navigation sends back; set only on rows whose
// shown name differs from it (a name that is not UTF-8).
constexpr int kServerNameRole = Qt::UserRole;

constexpr Qt::Alignment kSizeAlignment = Qt::AlignRight | Qt::AlignVCenter;

QTreeWidgetItem* makeUpRow()
{
    auto* row = new QTreeWidgetItem({QStringLiteral(".."), QApplication::translate("sf", "Up"), QString(),
                                     QString(), QString(), QStringLiteral("a")});
    row->setIcon(0, picture(UpPicture));
    row->setTextAlignment(1, kSizeAlignment);
    return row;
}

// Digits written straight into the text: QDateTime::toString reads its format anew for every row,
// which took about a third of the time to build a list's rows.
void putDigits(QChar*& out, int value, int count)
{
    for (int i = count - 1; i >= 0; --i, value /= 10)
        out[i] = QChar(u'0' + value % 10);
    out += count;
}

QString dateText(QDate date)
{
    if (date.year() < 0 || date.year() > 9999)
        return date.toString(QStringLiteral("yyyy-MM-dd"));
    QString text(10, u'-');
    QChar* out = text.data();
    putDigits(out, date.year(), 4);
    putDigits(++out, date.month(), 2);
    putDigits(++out, date.day(), 2);
    return text;
}

QString timeText(QTime time)
{
    QString text(5, u':');
    QChar* out = text.data();
    putDigits(out, time.hour(), 2);
    putDigits(++out, time.minute(), 2);
    return text;
}

} // namespace

namespace RemoteRow {

QString attributeString(const cDirItem& item)
{
    const bool flags[9] = {item.Archive, item.Compressed, item.Directory, item.Hidden,   item.Normal,
                           item.Offline, item.ReadOnly,   item.System,    item.Temporary};
    const char letters[] = "acdhnorst";
    QString text(9, u'-');
    for (int i = 0; i < 9; ++i) {
        if (flags[i])
            text[i] = QLatin1Char(letters[i]);
    }
    return text;
}

QString sizeText(qint64 bytes)
{
    const qint64 kilobytes = bytes <= 0 ? 0 : (bytes + 1023) / 1024;
    return QString::number(kilobytes) + QLatin1String("KB");
}

QString text(const cDirItem& item, int column)
{
    const QDateTime& when = item.LastWriteTime;
    switch (column) {
    case 0:
        return item.FileName;
    case 1:
        return item.Directory ? QApplication::translate("sf", "File Folder")
                              : sizeText(static_cast<quint32>(item.FileSize));
    case 2:
        return when.isValid() ? dateText(when.date()) : QString();
    case 3:
        return when.isValid() && item.HasTime ? timeText(when.time()) : QString();
    case 4:
        return attributeString(item);
    case 5:
        return item.Directory ? QStringLiteral("a") : QStringLiteral("b");
    default:
        return QString();
    }
}

} // namespace RemoteRow

namespace {

// The row of an entry. Its texts, its picture and the size column's alignment are made from the
// entry when the view asks for them (for the rows on screen), not stored in each of 20,000 rows:
// making and later deleting the stored texts was most of the time a long list took to show.
class EntryRow : public QTreeWidgetItem {
public:
    explicit EntryRow(const cDirItem& item) : m_item(item) {}

    QVariant data(int column, int role) const override
    {
        if ((role == Qt::DisplayRole || role == Qt::EditRole) && column >= 0 && column < RemoteRow::kColumns)
            return RemoteRow::text(m_item, column);
        if (column == 0 && role == Qt::DecorationRole)
            return picture(m_item.Directory ? FolderPicture : FilePicture);
        if (column == 1 && role == Qt::TextAlignmentRole)
            return kSizeAlignment.toInt();
        return QTreeWidgetItem::data(column, role);
    }

private:
    const cDirItem m_item;
};

// The entries by name, as file browsers show them: letter case ignored first, then kept.
std::vector<const cDirItem*> byName(const cDirList& list)
{
    std::vector<const cDirItem*> entries;
    entries.reserve(static_cast<size_t>(list.Count()));
    for (const cDirItem& item : list)
        entries.push_back(&item);
    std::stable_sort(entries.begin(), entries.end(), [](const cDirItem* a, const cDirItem* b) {
        const int folded = a->FileName.compare(b->FileName, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a->FileName < b->FileName;
    });
    return entries;
}

} // namespace

QString RemoteBrowser::RefreshRemoteList()
{
    BusyPointer busy;
    m_session.GetDirectoryListing(QStringLiteral("*.*"));
    m_outcome = m_session.LastListing();
    m_list->setUpdatesEnabled(false);
    clear();
    QList<QTreeWidgetItem*> folders;
    QList<QTreeWidgetItem*> files;
    folders.append(makeUpRow());
    // A failed listing shows no entry rather than an old or partial list as the folder's.
    const auto list =
        m_outcome == cFTP::Listing::Failed ? std::make_shared<cDirList>() : m_session.Directory();
    files.reserve(list->Count());
    for (const cDirItem* entry : byName(*list)) {
        const cDirItem& item = *entry;
        QTreeWidgetItem* row = new EntryRow(item);
        if (!item.RawName.isValidUtf8()) // else the shown name is the server's
            row->setData(0, kServerNameRole, ftp::nameFromServer(item.RawName));
        (item.Directory ? folders : files).append(row);
    }
    // The up row, folders, then files, each by name: the order the "Type" column sorts by.
    m_list->addTopLevelItems(folders + files);
    m_list->setCurrentItem(m_list->topLevelItem(0));
    m_list->setUpdatesEnabled(true);
    const QString folder = ftp::displayPath(m_session.GetFTPDirectory());
    switch (m_outcome) {
    case cFTP::Listing::Failed:
        return QApplication::translate("sf", "Folder: %1 (could not be listed)").arg(folder);
    case cFTP::Listing::Cut:
        return QApplication::translate("sf", "Folder: %1 (listing incomplete: %2 entries arrived)")
            .arg(folder)
            .arg(list->Count());
    case cFTP::Listing::Complete:
        break;
    }
    return QApplication::translate("sf", "Folder: %1").arg(folder);
}

QString RemoteBrowser::navigate(const QTreeWidgetItem* row)
{
    if (!row)
        return RefreshRemoteList();
    // The name as the server listed it: its bytes and its leading or trailing spaces are its own.
    const QVariant serverName = row->data(0, kServerNameRole);
    const QString path = trimSpaces(m_session.GetFTPDirectory()) + u'/' +
                         (serverName.isValid() ? serverName.toString() : row->text(0));
    // A folder that cannot be entered leaves the list in the folder it shows, listed again.
    static_cast<void>(m_session.SetFTPDirectory(path));
    return RefreshRemoteList();
}

void RemoteBrowser::clear()
{
    // The rows leave the list in one go and are deleted once the window is idle again: deleting
    // 20,000 rows one by one held a new list back by about 20 ms. They go with the list at the latest.
    const QList<QTreeWidgetItem*> rows = m_list->invisibleRootItem()->takeChildren();
    if (rows.isEmpty())
        return;
    std::shared_ptr<QList<QTreeWidgetItem*>> held(new QList<QTreeWidgetItem*>(rows), [](auto* old) {
        qDeleteAll(*old);
        delete old;
    });
    QTimer::singleShot(0, m_list, [held]() mutable { held.reset(); });
}

} // namespace sf
