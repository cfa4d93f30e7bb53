#include "ftp/RemoteBrowser.h"

#include "app/BusyPointer.h"

#include "app/util/CodePage.h"
#include "ftp/RemoteName.h"
#include "ftp/cFTP.h"

#include <QApplication>
#include <QIcon>
#include <QTreeWidget>

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
            when.isValid() ? when.toString(QStringLiteral("yyyy-MM-dd")) : QString(),
            when.isValid() && item.HasTime ? when.toString(QStringLiteral("HH:mm")) : QString(),
            attributeString(item),
            item.Directory ? QStringLiteral("a") : QStringLiteral("b")};
}

} // namespace RemoteRow

QString RemoteBrowser::RefreshRemoteList()
{
    BusyPointer busy;
    m_session.GetDirectoryListing(QStringLiteral("*.*"));
    m_list->clear();
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
    m_list->clear();
}

} // namespace sf
