#include "gui/ftp/FtpCommands.h"

#include "base/CodePage.h"
#include "base/FileUtils.h"
#include "base/InstallMode.h"
#include "ftp/RemoteName.h"
#include "ftp/SecretStore.h"
#include "gui/common/BusyPointer.h"
#include "gui/common/LocalFiles.h"
#include "gui/common/Prompt.h"
#include "project/ProjectState.h"
#include "project/RobotsText.h"
#include "rules/SiteFolder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTreeWidget>

namespace sf {

FtpCommands::FtpCommands(FtpWindow& window, QTreeWidget* lv) : m_window(window), m_browser(lv, m_session)
{
    m_session.SetTrustDecider(&m_trustDecider);
}

bool FtpCommands::ConnectFtp(bool reportInStatusBar)
{
    if (m_session.IsBusy())
        return false;
    ConnectionFields fields = m_window.connectionFields();
    if (trimSpaces(fields.server).isEmpty()) {
        // Nothing to connect to: no password is asked for and no connection tried.
        m_window.setStatusPanel(0, QObject::tr("Not connected: no server is set."));
        return false;
    }
    if (!askForMissingPassword(fields))
        return false;
    bool opened = false;
    m_reportInStatusBar = reportInStatusBar;
    m_window.setDisconnectEnabled(true);
    {
        BusyPointer busy;
        m_session.SetProtocol(fields.protocol);
        m_session.SetTrustPolicy(shared::projectHeader.trust);
        // A key file's passphrase is typed into the password box.
        m_session.SetKeyFile(fields.keyFile, fields.keyFile.isEmpty() ? QString() : fields.password);
        opened = m_session.OpenConnection(fields.server, fields.user, fields.password,
                                          cFTP::PortFromText(fields.port, fields.protocol));
        m_connectedFields = fields;
        if (opened) {
            enterStartFolder(fields.protocol);
            // A Close Project pressed while the start folder was entered has closed the session: the
            // list is not asked for, which would record "not connected" over the stop.
            if (m_session.IsConnected())
                RefreshRemoteList();
        }
    }
    // Window events ran during the connect: a Disconnect or Close Project pressed meanwhile closed the
    // session and wins. The window follows the session as it is now; a failed connect has closed any
    // earlier connection too.
    const bool connected = m_session.IsConnected();
    showConnectedState(connected);
    if (!opened && stoppedByUser())
        m_window.setStatusPanel(0, QObject::tr("Not connected: the connect was stopped."));
    else if (!opened)
        showError();
    m_reportInStatusBar = false;
    if (connected)
        afterConnect();
    return m_session.IsConnected();
}

bool FtpCommands::askForMissingPassword(ConnectionFields& fields)
{
    // Kept out of the project file, the password comes from the secret store, or else from the user.
    if (shared::projectHeader.rememberPassword || !fields.password.isEmpty() || !fields.keyFile.isEmpty())
        return true;
    const QString key =
        SecretStore::key(trimSpaces(fields.server), trimSpaces(fields.port), trimSpaces(fields.user));
    if (const std::optional<QString> stored = SecretStore::read(key)) {
        fields.password = *stored;
        return true;
    }
    fields.password =
        prompts().text(QObject::tr("Password for %1 on %2:").arg(fields.user, fields.server), true);
    return !fields.password.isNull();
}

void FtpCommands::DisconnectFtp()
{
    m_session.CloseConnection();
    showConnectedState(false);
}

void FtpCommands::RefreshRemoteList()
{
    if (m_session.IsBusy())
        return;
    showFolder(m_browser.RefreshRemoteList());
}

void FtpCommands::lv_DblClick(QTreeWidgetItem* row)
{
    if (m_session.IsBusy() || !m_window.isConnected())
        return;
    showFolder(m_browser.navigate(row));
}

void FtpCommands::showConnectedState(bool connected)
{
    m_window.setConnectedState(connected);
    if (!connected)
        m_browser.clear(); // the status bar keeps the last folder
}

void FtpCommands::showFolder(const QString& status)
{
    // A Disconnect pressed while the folder was read has cleared the list and kept the last folder's
    // text: the list read meanwhile is not shown.
    if (!m_session.IsConnected()) {
        m_browser.clear();
        return;
    }
    // A connection the server closed is told wherever the folder is listed, at start-up too.
    const bool closed = m_browser.outcome() != cFTP::Listing::Complete &&
                        m_session.GetLastErrorCode() == cFTP::ErrorConnectionClosed;
    m_window.setStatusPanel(0, closed ? status + u' ' + m_session.GetLastErrorMessage() : status);
    m_window.remoteListShown();
    if (stoppedByUser() || m_reportInStatusBar || !m_window.isShown())
        return;
    if (m_browser.outcome() == cFTP::Listing::Failed)
        prompts().message(QObject::tr("The folder could not be listed: %1")
                              .arg(reasonText(m_session.GetLastErrorMessage())),
                          Prompt::Buttons::Ok, Prompt::Icon::Warning);
    else if (closed)
        prompts().message(
            QObject::tr("The folder was listed only in part: %1").arg(m_session.GetLastErrorMessage()),
            Prompt::Buttons::Ok, Prompt::Icon::Warning);
}

bool FtpCommands::stoppedByUser() const
{
    return m_session.GetLastErrorCode() == cFTP::ErrorCancelled;
}

void FtpCommands::showError()
{
    if (m_reportInStatusBar)
        m_window.setStatusPanel(
            0, QObject::tr("Not connected: %1").arg(reasonText(m_session.GetLastErrorMessage())));
    else if (m_window.isShown())
        prompts().message(reasonText(m_session.GetLastErrorMessage()), Prompt::Buttons::Ok,
                          Prompt::Icon::Warning);
}

QString FtpCommands::remoteDirectory()
{
    return ftp::displayPath(m_session.GetFTPDirectory());
}

QString FtpCommands::reasonText(const QString& error)
{
    const QString reason = error.trimmed();
    return reason.isEmpty() ? QObject::tr("the server gave no reason") : reason;
}

QString FtpCommands::uploadedText(const QString& folder, double seconds)
{
    return QObject::tr("robots.txt uploaded to %1.").arg(folder) + u'\n' + uploadCompleteText(seconds);
}

QString FtpCommands::uploadCompleteText(double seconds)
{
    // "###,##0.00": thousands grouped with the user's separators, even where the locale omits them.
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return QObject::tr("Upload complete in %1 seconds.").arg(locale.toString(seconds, 'f', 2));
}

QString FtpCommands::publishMethodText(cFTP::PublishMethod method, qint64 checkedSize)
{
    // Only what was checked is claimed: the size is the server's own word on what it holds.
    const QString checked = QObject::tr("The server holds all %1 bytes sent.").arg(checkedSize);
    const QString unchecked = QObject::tr(
        "The server does not tell file sizes, so only the transfer vouches that all of it arrived.");
    const QString how =
        method == cFTP::PublishMethod::Renamed
            ? QObject::tr("robots.txt was uploaded under a temporary name and then renamed, so it was never "
                          "half-written on the server.")
            : QObject::tr("The server refused to rename files, so robots.txt was written in place.");
    return how + u' ' + (checkedSize >= 0 ? checked : unchecked);
}

Result<void> FtpCommands::writeTemporaryFile(const QString& path, const QByteArray* kept)
{
    // In ASCII mode libcurl sends every LF as CR LF itself; in binary mode the bytes go as they are.
    const QStringList& rows = m_window.gridRows();
    const RobotsTextForm& form = shared::robotsTextForm;
    const bool binary = m_session.IsTransferBinary();
    if (kept)
        return SaveFileAtomically(path, binary ? *kept : QByteArray(*kept).replace("\r\n", "\n"));
    return SaveFileAtomically(path, binary ? RobotsText::write(rows, form) : RobotsText::writeLf(rows, form));
}

void FtpCommands::UploadRobotsFile()
{
    publishRobots(nullptr);
}

void FtpCommands::RestoreRobotsFile(const QByteArray& text)
{
    publishRobots(&text);
}

void FtpCommands::publishRobots(const QByteArray* kept)
{
    if (m_session.IsBusy() || !m_window.isConnected())
        return;
    // Where the file goes is asked first: a folder the crawlers never read makes the changes moot.
    if (!confirmUploadFolder())
        return;
    if (kept ? m_keptCheck && !m_keptCheck(*kept) : m_uploadCheck && !m_uploadCheck())
        return;
    const QString folder = uploadFolder();
    const Result<QString> tempPath = UserFileForWriting(QStringLiteral("temp.txt"));
    if (!tempPath) {
        prompts().message(tempPath.error, Prompt::Buttons::Ok, Prompt::Icon::Warning);
        return;
    }
    const QString temp = tempPath.value();
    if (FileExists(temp))
        DeleteLocalFile(temp);
    if (const Result<void> written = writeTemporaryFile(temp, kept); !written) {
        prompts().message(QObject::tr("Could not write %1: %2").arg(temp, reasonText(written.error)),
                          Prompt::Buttons::Ok, Prompt::Icon::Warning);
        return;
    }
    const bool uploaded = publishAndTell(temp, folder);
    returnToShownFolder();
    if (m_session.IsConnected())
        RefreshRemoteList();
    if (uploaded && !m_recordError.isEmpty())
        m_window.setStatusPanel(0, QObject::tr("robots.txt was published, but not kept in its published "
                                               "versions: %1")
                                       .arg(m_recordError));
    if (uploaded)
        tellUploaded(temp);
    if (FileExists(temp))
        DeleteLocalFile(temp);
}

bool FtpCommands::publishAndTell(const QString& temp, const QString& folder)
{
    bool uploaded = false;
    cFTP::PublishMethod method = cFTP::PublishMethod::Renamed;
    QElapsedTimer clock;
    {
        BusyPointer busy;
        clock.start();
        uploaded = publishToSite(temp, &method);
    }
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    if (uploaded && m_window.isShown())
        prompts().message(uploadedText(folder, seconds) + u'\n' +
                              publishMethodText(method, m_session.PublishedSizeChecked()),
                          Prompt::Buttons::Ok, Prompt::Icon::Information);
    else if (!uploaded && !stoppedByUser())
        showError();
    return uploaded;
}

Result<void> FtpCommands::downloadRobotsFile(QByteArray& bytes)
{
    return downloadFile(rules::robotsFilePath(siteFolder()), bytes);
}

Result<void> FtpCommands::downloadFile(const QString& remotePath, QByteArray& bytes)
{
    if (m_session.IsBusy())
        return Result<void>::failure(QObject::tr("another transfer is still running"));
    if (!m_window.isConnected())
        return Result<void>::failure(QObject::tr("not connected"));
    const QTemporaryDir folder;
    const QString local = folder.filePath(QStringLiteral("robots.txt"));
    const bool binary = m_session.IsTransferBinary();
    bool read = false;
    {
        BusyPointer busy;
        m_session.SetTransferBinary();
        read = folder.isValid() && m_session.FTPDownloadFile(local, remotePath);
        if (!binary)
            m_session.SetTransferASCII();
    }
    QFile file(local);
    if (read && file.open(QIODevice::ReadOnly)) {
        bytes = file.readAll();
        return {};
    }
    return Result<void>::failure(reasonText(read ? file.errorString() : m_session.GetLastErrorMessage()));
}

void FtpCommands::setSessionModes(bool active, bool binary)
{
    if (active)
        m_session.SetModeActive();
    else
        m_session.SetModePassive();
    if (binary)
        m_session.SetTransferBinary();
    else
        m_session.SetTransferASCII();
}

void FtpCommands::optActive_Click()
{
    shared::projectHeader.activeMode = -1;
    m_session.SetModeActive();
    m_window.SetModified(true);
}

void FtpCommands::optPassive_Click()
{
    shared::projectHeader.activeMode = 0;
    m_session.SetModePassive();
    m_window.SetModified(true);
}

void FtpCommands::optAscii_Click()
{
    shared::projectHeader.binaryTransfer = 0;
    m_session.SetTransferASCII();
    m_window.SetModified(true);
}

void FtpCommands::optBin_Click()
{
    shared::projectHeader.binaryTransfer = -1;
    m_session.SetTransferBinary();
    m_window.SetModified(true);
}

} // namespace sf
