#include "gui/main/UploadGuard.h"

#include "base/SettingsStore.h"
#include "base/Translate.h"
#include "gui/common/Prompt.h"
#include "gui/ftp/FtpCommands.h"
#include "gui/main/CrawlerWindow.h"
#include "project/ProjectState.h"
#include "project/RobotsCompare.h"
#include "project/RobotsText.h"
#include "project/UploadCheck.h"
#include "robots/RobotDatabase.h"
#include "robots/RobotPurposes.h"

#include <QCoreApplication>

namespace sf {
namespace {

constexpr int kListed = 12;

SF_FILE_TRANSLATIONS("sf::UploadGuard")

// The user-agents of the robot database's search engines.
QStringList searchEngineAgents()
{
    RobotPurposes purposes;
    QStringList agents;
    if (!purposes.load(RobotDatabase::defaultPath()))
        return agents; // "*" is checked all the same
    if (const RobotPurpose* search = purposes.find(QStringLiteral("search engine"))) {
        for (const PurposeRobot& robot : search->robots)
            agents << robot.userAgent;
    }
    return agents;
}

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
    const QList<UploadCheck::ShutOut> shutOut = UploadCheck::shutOutAtRoot(upload, searchEngineAgents());
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
    const QString folder = m_ftp.uploadFolder();
    QStringList paths{RobotsCompare::entryPath(folder, QString(), true)};
    if (const auto listing = m_ftp.session().Directory()) {
        for (const cDirItem& entry : *listing) {
            if (entry.FileName != u".." && entry.FileName != u".")
                paths << RobotsCompare::entryPath(folder, entry.FileName, entry.Directory);
        }
    }
    const QList<AccessChange> changes = RobotsCompare::compare(server, upload, paths);
    if (changes.isEmpty())
        return tr("No robot may crawl more or less of this folder than before: only the text of the file "
                  "changes.");
    return tr("What robots may crawl in this folder changes:") + u'\n' +
           RobotsCompare::describe(changes, kListed * 2);
}

bool UploadGuard::changesConfirmed(const QByteArray& upload)
{
    if (SettingsStore::flag(SettingsStore::SkipUploadQuestion))
        return true;
    QByteArray server;
    QString body;
    if (const Result<void> read = m_ftp.downloadRobotsFile(server); !read)
        body = tr("No robots.txt could be read there (%1), so the upload puts a new one in place.")
                   .arg(FtpCommands::reasonText(read.error));
    else if (server == upload)
        return true; // the server has this very file: nothing to lose
    else
        body = changesText(server, upload);
    QString target = m_ftp.uploadFolder();
    target += target.endsWith(u'/') ? QStringLiteral("robots.txt") : QStringLiteral("/robots.txt");
    const QString text = tr("This upload writes %1.").arg(target) + QStringLiteral("\n\n") + body;
    enum { Upload, Cancel };
    return prompts().choose({text, {tr("Upload"), tr("Cancel")}, Upload, Cancel, Prompt::Icon::Question}) ==
           Upload;
}

} // namespace sf
