#include "gui/logs/frmPickServerLogs.h"

#include "base/CodePage.h"
#include "ftp/RemoteName.h"
#include "ftp/cFTP.h"
#include "gui/common/BusyPointer.h"
#include "gui/common/DialogButtons.h"
#include "gui/common/ProgramIcon.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace sf {
namespace {

// The name the server is sent back for a row (its own bytes when they are not UTF-8), and whether
// the row is a folder.
constexpr int kServerNameRole = Qt::UserRole;
constexpr int kFolderRole = Qt::UserRole + 1;

QListWidgetItem* makeRow(const QString& shown, const QString& serverName, bool folder, const char* icon)
{
    auto* row = new QListWidgetItem(programIcon(QString::fromLatin1(icon)), shown);
    row->setData(kServerNameRole, serverName);
    row->setData(kFolderRole, folder);
    return row;
}

// Folders, then files, each by name with letter case ignored first, as the main window lists them.
std::vector<const cDirItem*> byKindAndName(const cDirList& list)
{
    std::vector<const cDirItem*> entries;
    for (const cDirItem& item : list)
        entries.push_back(&item);
    std::stable_sort(entries.begin(), entries.end(), [](const cDirItem* a, const cDirItem* b) {
        if (a->Directory != b->Directory)
            return a->Directory;
        const int folded = a->FileName.compare(b->FileName, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a->FileName < b->FileName;
    });
    return entries;
}

// The local name of a file listed by the server: its last part only, so that a name such as
// "../x" from the server cannot write outside the download folder.
QString localName(const QString& serverName)
{
    const QString name = serverName.section(u'/', -1).section(u'\\', -1);
    return name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ? QStringLiteral("log")
                                                                                       : name;
}

} // namespace

frmPickServerLogs::frmPickServerLogs(cFTP& session, QString downloadFolder, QWidget* parent)
    : QDialog(parent), m_session(session), m_downloadFolder(std::move(downloadFolder)),
      m_startFolder(session.GetFTPDirectory())
{
    setObjectName(QStringLiteral("frmPickServerLogs"));
    setWindowTitle(tr("Logs on the server"));
    m_folder = new QLabel(this);
    m_folder->setObjectName(QStringLiteral("folderLabel"));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("serverFileList"));
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    const DialogButtons buttons = makeDialogButtons(this, tr("Cancel"));
    m_download = buttons.proceed;
    m_download->setText(tr("&Download"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Choose the log files to read (gzip files too); a double-click opens "
                                    "a folder."),
                                 this));
    layout->addWidget(m_folder);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons.row);
    resize(520, 420);
    connect(m_list, &QListWidget::itemActivated, this, &frmPickServerLogs::openRow);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &frmPickServerLogs::updateButtons);
    connect(m_download, &QPushButton::clicked, this, &frmPickServerLogs::downloadChosen);
    connect(buttons.cancel, &QPushButton::clicked, this, &QDialog::reject);
    updateButtons();
}

frmPickServerLogs::~frmPickServerLogs()
{
    // The main window shows the folder it listed: the session goes back there.
    if (!m_session.IsBusy() && m_session.IsConnected() && m_session.GetFTPDirectory() != m_startFolder)
        static_cast<void>(m_session.SetFTPDirectory(m_startFolder));
}

void frmPickServerLogs::refresh()
{
    m_list->clear();
    QString status;
    {
        BusyPointer busy;
        m_session.GetDirectoryListing(QStringLiteral("*.*"));
    }
    const QString folder = ftp::displayPath(m_session.GetFTPDirectory());
    m_list->addItem(makeRow(QStringLiteral(".."), QStringLiteral(".."), true, ":/icons/up.svg"));
    if (m_session.LastListing() == cFTP::Listing::Failed) {
        m_folder->setText(tr("Folder: %1 (could not be listed: %2)")
                              .arg(folder, trimSpaces(m_session.GetLastErrorMessage())));
        return;
    }
    const auto list = m_session.Directory();
    for (const cDirItem* item : byKindAndName(*list)) {
        const QString serverName =
            item->RawName.isValidUtf8() ? item->FileName : ftp::nameFromServer(item->RawName);
        m_list->addItem(makeRow(item->FileName, serverName, item->Directory,
                                item->Directory ? ":/icons/folder.svg" : ":/icons/file.svg"));
    }
    m_folder->setText(
        m_session.LastListing() == cFTP::Listing::Cut
            ? tr("Folder: %1 (listing incomplete: %2 entries arrived)").arg(folder).arg(list->Count())
            : tr("Folder: %1").arg(folder));
    m_list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    updateButtons();
}

void frmPickServerLogs::openRow(const QListWidgetItem* row)
{
    if (!row || !row->data(kFolderRole).toBool() || m_session.IsBusy())
        return;
    const QString path =
        trimSpaces(m_session.GetFTPDirectory()) + u'/' + row->data(kServerNameRole).toString();
    // A folder that cannot be entered leaves the list in the folder it shows, listed again.
    static_cast<void>(m_session.SetFTPDirectory(path));
    refresh();
}

void frmPickServerLogs::downloadChosen()
{
    if (m_session.IsBusy())
        return;
    QStringList chosen;
    for (int i = 0; i < m_list->count(); ++i) {
        const QListWidgetItem* row = m_list->item(i);
        if (row->isSelected() && !row->data(kFolderRole).toBool())
            chosen << row->data(kServerNameRole).toString();
    }
    const QString folder = trimSpaces(m_session.GetFTPDirectory());
    const bool binary = m_session.IsTransferBinary();
    m_download->setEnabled(false);
    m_list->setEnabled(false);
    {
        BusyPointer busy;
        m_session.SetTransferBinary(); // a gzip file or a log arrives byte for byte
        for (const QString& name : chosen) {
            const QString remote = folder + u'/' + name;
            const QString local = QDir(m_downloadFolder).filePath(localName(name));
            if (m_session.FTPDownloadFile(local, remote))
                m_downloaded << local;
            else
                m_failures << tr("%1: %2").arg(ftp::displayPath(remote),
                                               trimSpaces(m_session.GetLastErrorMessage()));
        }
        if (!binary)
            m_session.SetTransferASCII();
    }
    accept();
}

void frmPickServerLogs::updateButtons()
{
    bool fileChosen = false;
    for (const QListWidgetItem* row : m_list->selectedItems())
        fileChosen = fileChosen || !row->data(kFolderRole).toBool();
    m_download->setEnabled(fileChosen);
}

} // namespace sf
