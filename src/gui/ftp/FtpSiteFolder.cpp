// The FTP commands' part in where the web site lies on the server: the folder a connection opens,
// the site folder found at connect, and the folder robots.txt is read from and uploaded to.
#include "gui/ftp/FtpCommands.h"

#include "base/CodePage.h"
#include "base/Translate.h"
#include "ftp/RemoteName.h"
#include "gui/common/Prompt.h"
#include "history/KeptPublish.h"
#include "online/LiveCheck.h"
#include "project/ProjectState.h"
#include "rules/SiteFolder.h"

#include <QCoreApplication>
#include <QFile>

namespace sf {
namespace {

SF_FILE_TRANSLATIONS("sf::FtpCommands")

} // namespace

QString FtpCommands::siteFolder() const
{
    return shared::projectHeader.siteFolder();
}

QString FtpCommands::uploadFolder()
{
    return rules::robotsFolder(siteFolder(), remoteDirectory());
}

void FtpCommands::enterStartFolder(ftp::Protocol protocol)
{
    // FTP goes to the server's root, as it always has; SFTP stays in the login's home folder, where
    // an SSH account keeps its site.
    // A server that refuses "/" keeps the login folder, which the listing then shows.
    m_entryFolder = remoteDirectory();
    if (protocol != ftp::Protocol::Sftp)
        static_cast<void>(m_session.SetFTPDirectory(QStringLiteral("/")));
    m_loginFolder = remoteDirectory();
    m_missingSiteFolder.clear();
    makeSiteFolderAbsolute();
    const QString site = siteFolder();
    if (site.isEmpty() || site == m_loginFolder || !m_session.IsConnected())
        return;
    if (!m_session.SetFTPDirectory(ftp::nameFromServer(site.toUtf8())) && !stoppedByUser())
        m_missingSiteFolder = site;
}

void FtpCommands::makeSiteFolderAbsolute()
{
    // A folder typed without its leading "/" lies below the folder the server logged in to, as a
    // relative folder does for FTP; the project keeps where that is.
    const QString typed = siteFolder();
    if (!rules::isRelativeSiteFolder(typed) || m_entryFolder.isEmpty() || !m_session.IsConnected())
        return;
    const QString folder = rules::absoluteSiteFolder(typed, m_entryFolder);
    if (folder.size() > ProjectHeader::kUploadDirectoryWidth) {
        m_window.setStatusPanel(0, tr("The site folder %1 is longer than the %2 characters a project keeps.")
                                       .arg(folder)
                                       .arg(ProjectHeader::kUploadDirectoryWidth));
        return;
    }
    shared::projectHeader.uploadDirectory = folder;
    m_window.SetModified(true);
    m_window.siteFolderChanged();
}

void FtpCommands::afterConnect()
{
    if (!m_missingSiteFolder.isEmpty()) {
        if (m_window.isShown())
            prompts().message(
                tr("The site folder %1 could not be opened on the server: %2\n\nThe login folder "
                   "is shown instead. Set the site folder in Options if it has moved.")
                    .arg(m_missingSiteFolder, m_session.GetLastErrorMessage()),
                Prompt::Buttons::Ok, Prompt::Icon::Warning);
        return;
    }
    if (siteFolder().isEmpty() && !shared::projectHeader.siteFolderDeclined)
        offerSiteFolder();
}

QString FtpCommands::siteFolderCandidate()
{
    QStringList candidates;
    const auto listing = m_session.Directory();
    if (!listing)
        return {};
    for (const cDirItem& entry : *listing) {
        if (!entry.Directory && entry.FileName.compare(u"robots.txt", Qt::CaseInsensitive) == 0)
            return {}; // the login folder has a robots.txt of its own: it may well be the site
        if (entry.Directory && rules::isWebRootName(entry.FileName))
            candidates << rules::siteFolderFromText(m_loginFolder + u'/' + entry.FileName);
    }
    if (candidates.size() == 1)
        return candidates.first();
    return shared::projectHeader.siteAddress.isEmpty() ? QString() : matchLiveFile(candidates);
}

QString FtpCommands::matchLiveFile(const QStringList& candidates)
{
    // The folder whose robots.txt is the one the site serves.
    online::LiveFetch fetch;
    const online::LiveFile live = fetch.fetch(shared::projectHeader.siteAddress);
    if (live.status < 200 || live.status >= 300)
        return {};
    for (const QString& folder : candidates) {
        QByteArray bytes;
        if (downloadFile(rules::robotsFilePath(folder), bytes) && bytes == live.body)
            return folder;
    }
    return {};
}

void FtpCommands::offerSiteFolder()
{
    // A folder too long for the project's field could not be kept whole.
    const QString folder = siteFolderCandidate();
    if (folder.isEmpty() || folder.size() > ProjectHeader::kUploadDirectoryWidth || !m_session.IsConnected())
        return;
    const Prompt::Answer answer =
        prompts().message(tr("This looks like your site's folder: %1. Use it?").arg(folder),
                          Prompt::Buttons::YesNo, Prompt::Icon::Question);
    if (answer == Prompt::Answer::Yes) {
        shared::projectHeader.uploadDirectory = folder;
        shared::projectHeader.siteFolderDeclined = false;
    } else {
        shared::projectHeader.siteFolderDeclined = true;
    }
    m_window.SetModified(true);
    m_window.siteFolderChanged();
    if (answer == Prompt::Answer::Yes && !m_session.IsBusy() &&
        m_session.SetFTPDirectory(ftp::nameFromServer(folder.toUtf8())))
        RefreshRemoteList();
}

bool FtpCommands::folderShownMayMissTheTop()
{
    return siteFolder().isEmpty() && remoteDirectory() != m_loginFolder;
}

bool FtpCommands::confirmFolderShown(const QString& question)
{
    return !folderShownMayMissTheTop() ||
           prompts().message(question.arg(remoteDirectory()), Prompt::Buttons::YesNo,
                             Prompt::Icon::Question) == Prompt::Answer::Yes;
}

bool FtpCommands::confirmUploadFolder()
{
    if (!folderShownMayMissTheTop())
        return true;
    const QString folder = remoteDirectory();
    const QString path = rules::siteFolderFromText(folder + QStringLiteral("/robots.txt"));
    return prompts().message(tr("Crawlers read robots.txt only at the top of a site; %1 would be ignored. "
                                "Upload to %2 anyway?")
                                 .arg(path, folder),
                             Prompt::Buttons::YesNo, Prompt::Icon::Question) == Prompt::Answer::Yes;
}

bool FtpCommands::publishToSite(const QString& local, cFTP::PublishMethod* method)
{
    // Into the site folder, whatever folder is shown; returnToShownFolder enters that one again once
    // the outcome has been told.
    m_recordError.clear();
    const history::Place place = historyPlace();
    const QString site = siteFolder();
    if (!site.isEmpty() && site != remoteDirectory()) {
        m_returnFolder = m_session.GetFTPDirectory();
        if (!m_session.SetFTPDirectory(ftp::nameFromServer(site.toUtf8())))
            return false;
    }
    const history::KeptPublish kept =
        history::publishKept(m_session, local, QStringLiteral("robots.txt"), place, method);
    m_recordError = kept.recordError;
    return kept.published;
}

history::Place FtpCommands::historyPlace()
{
    const bool connected = m_window.isConnected();
    const ConnectionFields fields = connected ? m_connectedFields : m_window.connectionFields();
    history::Place place;
    place.server = trimSpaces(fields.server);
    place.port = cFTP::PortFromText(fields.port, fields.protocol);
    place.user = trimSpaces(fields.user);
    place.protocol = fields.protocol;
    place.siteAddress = shared::projectHeader.siteAddress;
    // Without a site folder, robots.txt goes where the connection started unless the user chose
    // another folder: only such a folder names its own history.
    place.folder = siteFolder();
    if (place.folder.isEmpty() && connected && uploadFolder() != m_loginFolder)
        place.folder = uploadFolder();
    return place;
}

void FtpCommands::returnToShownFolder()
{
    if (!m_returnFolder.isEmpty() && m_session.IsConnected())
        static_cast<void>(m_session.SetFTPDirectory(m_returnFolder)); // the list shows where it is
    m_returnFolder.clear();
}

void FtpCommands::tellUploaded(const QString& local)
{
    QFile file(local);
    if (m_afterUpload && file.open(QIODevice::ReadOnly))
        m_afterUpload(file.readAll());
}

} // namespace sf
