#include "gui/main/CrawlerCommands.h"

#include "gui/common/ModalRunner.h"
#include "gui/common/Prompt.h"
#include "gui/ftp/FtpCommands.h"
#include "gui/main/ProjectCommands.h"
#include "gui/main/frmBlockByPurpose.h"
#include "project/ProjectState.h"
#include "project/RobotsCompare.h"
#include "project/RobotsText.h"
#include "project/RuleGridGroups.h"
#include "robots/RobotDatabase.h"
#include "robots/RobotPurposes.h"

#include <QCoreApplication>
#include <QDialog>

namespace sf {
namespace {

constexpr int kListedLines = 12;

QString tr(const char* text, int n = -1)
{
    return QCoreApplication::translate("sf::CrawlerCommands", text, nullptr, n);
}

} // namespace

CrawlerCommands::CrawlerCommands(CrawlerWindow& window, FtpCommands& ftp, ProjectCommands& project)
    : m_window(window), m_ftp(ftp), m_project(project)
{
}

QString CrawlerCommands::importReport(const QString& folder, const RobotsTextFile& file)
{
    QString text =
        tr("The %n line(s) of robots.txt in %1 are in the grid.", static_cast<int>(file.lines.size()))
            .arg(folder);
    if (folder != u"/")
        text += QStringLiteral("\n\n") +
                tr("Crawlers read robots.txt only at the root of a site; this folder is %1, not \"/\".")
                    .arg(folder);
    if (file.unholdable.isEmpty())
        return text;
    text += QStringLiteral("\n\n") +
            tr("These lines stand in the grid as the server has them, but the project file cannot "
               "keep them: saving the project changes them.");
    for (qsizetype i = 0; i < std::min<qsizetype>(file.unholdable.size(), kListedLines); ++i) {
        const UnholdableLine& line = file.unholdable.at(i);
        text += u'\n' + tr("Line %1: %2").arg(line.lineNumber).arg(RobotsText::reasonText(line.reason));
    }
    if (file.unholdable.size() > kListedLines)
        text += u'\n' + tr("... and %1 more.").arg(file.unholdable.size() - kListedLines);
    return text;
}

void CrawlerCommands::OpenServerRobots()
{
    if (!m_window.isConnected() || m_ftp.session().IsBusy() || !m_project.askToSave())
        return;
    const QString folder = m_ftp.remoteDirectory();
    QByteArray bytes;
    if (const Result<void> read = m_ftp.downloadRobotsFile(bytes); !read) {
        prompts().message(tr("Could not read robots.txt in %1: %2").arg(folder, read.error),
                          Prompt::Buttons::Ok, Prompt::Icon::Warning);
        return;
    }
    const RobotsTextFile file = RobotsText::read(bytes);
    shared::robotsTextForm = file.form;
    m_window.setGridRows(RobotsText::gridWithBody(m_window.gridRows(), file.lines));
    m_window.SetModified(true);
    prompts().message(importReport(folder, file), Prompt::Buttons::Ok,
                      file.unholdable.isEmpty() ? Prompt::Icon::Information : Prompt::Icon::Warning);
}

void CrawlerCommands::BlockByPurpose()
{
    if (!m_window.isProjectOpen())
        return;
    RobotPurposes purposes;
    if (const Result<void> read = purposes.load(RobotDatabase::defaultPath()); !read)
        prompts().message(read.error, Prompt::Buttons::Ok, Prompt::Icon::Warning);
    frmBlockByPurpose dialog(purposes);
    if (runModal(dialog) != QDialog::Accepted)
        return;
    const QStringList search = dialog.tickedSearchRobots();
    if (!search.isEmpty() &&
        prompts().message(tr("These robots belong to search engines (category \"Search\"): %1. Blocking them "
                             "takes the site out of their search results. Block them all the same?")
                              .arg(search.join(QStringLiteral(", "))),
                          Prompt::Buttons::YesNo, Prompt::Icon::Question) != Prompt::Answer::Yes)
        return;
    QStringList rows = m_window.gridRows();
    const QStringList left = RuleGrid::addBlockGroup(rows, dialog.tickedAgents());
    const RuleGrid::ContentSignal signal = dialog.contentSignal();
    if (!signal.isEmpty())
        RuleGrid::setContentSignal(rows, signal, dialog.withSignalComment());
    if (rows != m_window.gridRows()) {
        m_window.setGridRows(rows);
        m_window.SetModified(true);
    }
    if (!left.isEmpty())
        prompts().message(tr("These robots have a group already and were left as they are: %1.")
                              .arg(left.join(QStringLiteral(", "))),
                          Prompt::Buttons::Ok, Prompt::Icon::Information);
}

Result<void> CrawlerCommands::changesFromServer(QList<AccessChange>& changes)
{
    QByteArray server;
    if (Result<void> read = m_ftp.downloadRobotsFile(server); !read)
        return read;
    const QString folder = m_ftp.remoteDirectory();
    QStringList paths{RobotsCompare::entryPath(folder, QString(), true)};
    if (const auto listing = m_ftp.session().Directory()) {
        for (const cDirItem& entry : *listing) {
            if (entry.FileName != u".." && entry.FileName != u".")
                paths << RobotsCompare::entryPath(folder, entry.FileName, entry.Directory);
        }
    }
    changes =
        RobotsCompare::compare(server, RobotsText::write(m_window.gridRows(), shared::robotsTextForm), paths);
    return {};
}

void CrawlerCommands::CompareWithServer()
{
    if (!m_window.isConnected() || m_ftp.session().IsBusy())
        return;
    QList<AccessChange> changes;
    if (const Result<void> read = changesFromServer(changes); !read) {
        prompts().message(tr("Could not read robots.txt in %1: %2").arg(m_ftp.remoteDirectory(), read.error),
                          Prompt::Buttons::Ok, Prompt::Icon::Warning);
        return;
    }
    const QString text = changes.isEmpty()
                             ? tr("Uploading the grid changes nothing any robot may crawl in this folder.")
                             : tr("Uploading the grid changes what robots may crawl in this folder:") +
                                   u'\n' + RobotsCompare::describe(changes, kListedLines * 2);
    prompts().message(text, Prompt::Buttons::Ok, Prompt::Icon::Information);
}

bool CrawlerCommands::confirmUpload()
{
    QList<AccessChange> changes;
    if (!changesFromServer(changes))
        return true; // no robots.txt there: nothing it blocked can be lost
    changes.removeIf([](const AccessChange& change) { return !change.nowAllowed; });
    if (changes.isEmpty())
        return true;
    const QString text = tr("The server's robots.txt blocks what the grid would allow:") + u'\n' +
                         RobotsCompare::describe(changes, kListedLines * 2) + QStringLiteral("\n\n") +
                         tr("Upload anyway?");
    return prompts().message(text, Prompt::Buttons::YesNo, Prompt::Icon::Warning) == Prompt::Answer::Yes;
}

} // namespace sf
