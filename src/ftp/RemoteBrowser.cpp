#include "ftp/RemoteBrowser.h"

#include "app/BusyPointer.h"

#include "app/util/CodePage.h"
#include "ftp/RemoteName.h"
#include "ftp/cFTP.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

namespace sf {
namespace {

enum Picture { FolderPicture, FilePicture, UpPicture };

QIcon picture(Picture which)
{
    static const QIcon icons[] = {QIcon(QStringLiteral(":/icons/folder.svg")),
                                  QIcon(QStringLiteral(":/icons/file.svg")),
                                  QIcon(QStringLiteral(":/icons/up.svg"))};
    return icons[which];
}

// The server's spelling of the row's name, which navigation sends back.
constexpr int kServerNameRole = Qt::UserRole;

QTreeWidgetItem* makeRow(const QStringList& columns, Picture which)
{
    auto* row = new QTreeWidgetItem(columns);
    row->setData(0, kServerNameRole, columns.first());
    row->setIcon(0, picture(which));
    row->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
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
    return QStringLiteral("%1KB").arg(kilobytes);
}

QStringList columns(const cDirItem& item)
{
    const QDateTime when = item.LastWriteTime;
    return {item.FileName,
            item.Directory ? QApplication::translate("sf", "File Folder")
                           : sizeText(static_cast<quint32>(item.FileSize)),
            when.isValid() ? dateText(when.date()) : QString(),
            when.isValid() && item.HasTime ? timeText(when.time()) : QString(),
            attributeString(item),
            item.Directory ? QStringLiteral("a") : QStringLiteral("b")};
}

} // namespace RemoteRow

QString RemoteBrowser::RefreshRemoteList()
{
    BusyPointer busy;
    m_session.GetDirectoryListing(QStringLiteral("*.*"));
    m_list->setUpdatesEnabled(false);
    clear();
    QList<QTreeWidgetItem*> folders;
    QList<QTreeWidgetItem*> files;
    folders.append(makeRow({QStringLiteral(".."), QApplication::translate("sf", "Up"), QString(), QString(),
                            QString(), QStringLiteral("a")},
                           UpPicture));
    const auto list = m_session.Directory();
    files.reserve(list->Count());
    for (const cDirItem& item : *list) {
        QTreeWidgetItem* row =
            makeRow(RemoteRow::columns(item), item.Directory ? FolderPicture : FilePicture);
        if (!item.RawName.isValidUtf8()) // else the shown name is the server's
            row->setData(0, kServerNameRole, ftp::nameFromServer(item.RawName));
        (item.Directory ? folders : files).append(row);
    }
    // Folders (with the up row first) before files: the order the "Type" column sorts by.
    m_list->addTopLevelItems(folders + files);
    m_list->setCurrentItem(m_list->topLevelItem(0));
    m_list->setUpdatesEnabled(true);
    return QApplication::translate("sf", "Folder: %1").arg(ftp::displayPath(m_session.GetFTPDirectory()));
}

QString RemoteBrowser::navigate(const QTreeWidgetItem* row)
{
    if (!row)
        return RefreshRemoteList();
    // The name as the server listed it: its bytes and its leading or trailing spaces are its own.
    const QString path =
        trimSpaces(m_session.GetFTPDirectory()) + u'/' + row->data(0, kServerNameRole).toString();
    m_session.SetFTPDirectory(path);
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
