#include "gui/main/UploadGuard.h"

#include "base/SettingsStore.h"
#include "base/Translate.h"
#include "gui/common/Prompt.h"
#include "gui/ftp/FtpCommands.h"
#include "gui/main/CrawlerWindow.h"
#include "project/ProjectState.h"
#include "project/RobotsText.h"
#include "project/UploadCheck.h"
#include "robots/RobotDatabase.h"

#include <QCoreApplication>

namespace sf {
namespace {

constexpr int kListed = 12;

SF_FILE_TRANSLATIONS("sf::UploadGuard")

} // namespace

bool UploadGuard::check()
{
    // "Disallow all Robots" shuts every crawler out because the user chose it.
    const QStringList& rows = m_window.gridRows();
    const QByteArray upload = RobotsText::write(rows, shared::robotsTextForm);
    return (UploadCheck::isDisallowAll(rows) || searchEnginesMayCome(upload)) && changesConfirmed(upload);
}

bool UploadGuard::check(const QByteArray& upload)
{
    return searchEnginesMayCome(upload) && changesConfirmed(upload);
}

bool UploadGuard::searchEnginesMayCome(const QByteArray& upload)
{
    const QList<UploadCheck::ShutOut> shutOut =
        UploadCheck::shutOutAtRoot(upload, UploadCheck::searchEngineAgents(RobotDatabase::defaultPath()));
    if (shutOut.isEmpty())
        return true;
    const QString text = tr("This robots.txt keeps search engines out of the whole site, so the site drops "
                            "out of their results:") +
                         u'\n' + UploadCheck::describe(shutOut, kListed) + QStringLiteral("\n\n") +
                         tr("Upload it anyway?");
    enum { UploadAnyway, Cancel };
    return prompts().choose(
               {text, {tr("Upload anyway"), tr("Cancel")}, Cancel, Cancel, Prompt::Icon::Warning}) ==
           UploadAnyway;
}

QString UploadGuard::changesText(const QByteArray& server, const QByteArray& upload)
{
    // The URL paths of the folder shown, as the main window maps them below the site folder.
    const auto listing = m_ftp.session().Directory();
    const QStringList listed =
        UploadCheck::listedSitePaths(m_ftp.remoteDirectory(), m_ftp.siteFolder(), listing.get());
    return UploadCheck::describeChanges(
        UploadCheck::accessChanges(server, upload, listed,
                                   UploadCheck::searchEngineAgents(RobotDatabase::defaultPath())),
        kListed * 2);
}

bool UploadGuard::changesConfirmed(const QByteArray& upload)
{
    if (SettingsStore::flag(SettingsStore::SkipUploadQuestion))
        return true;
    QByteArray server;
    QString body;
    if (const Result<void> read = m_ftp.downloadRobotsFile(server); !read)
        // Crawlers that find no robots.txt may crawl everything: the new file is compared with none.
        body = tr("No robots.txt could be read there (%1), so the upload puts a new one in place.")
                   .arg(FtpCommands::reasonText(read.error)) +
               QStringLiteral("\n\n") + changesText({}, upload);
    else if (server == upload)
        return true; // the server has this very file: nothing to lose
    else
        body = changesText(server, upload);
    QString target = m_ftp.uploadFolder();
    target += target.endsWith(u'/') ? QStringLiteral("robots.txt") : QStringLiteral("/robots.txt");
    const QString text =
        UploadCheck::targetText(target, shared::projectHeader.siteAddress) + QStringLiteral("\n\n") + body;
    enum { Upload, Cancel };
    return prompts().choose({text, {tr("Upload"), tr("Cancel")}, Upload, Cancel, Prompt::Icon::Question}) ==
           Upload;
}

} // namespace sf
