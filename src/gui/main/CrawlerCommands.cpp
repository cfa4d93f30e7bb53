#include "gui/main/CrawlerCommands.h"

#include "base/Translate.h"
#include "gui/common/ModalRunner.h"
#include "gui/common/Prompt.h"
#include "gui/ftp/FtpCommands.h"
#include "gui/main/ProjectCommands.h"
#include "gui/main/frmBlockByPurpose.h"
#include "project/ProjectState.h"
#include "project/PurposePreset.h"
#include "project/RobotsText.h"
#include "project/RuleGridGroups.h"
#include "project/UploadCheck.h"
#include "robots/RobotDatabase.h"
#include "robots/RobotPurposes.h"

#include <QCoreApplication>
#include <QDialog>

namespace sf {
namespace {

constexpr int kListedLines = 12;

SF_FILE_TRANSLATIONS("sf::CrawlerCommands")

} // namespace

CrawlerCommands::CrawlerCommands(CrawlerWindow& window, FtpCommands& ftp, ProjectCommands& project)
    : m_window(window), m_ftp(ftp), m_project(project)
{
}

QString CrawlerCommands::importReport(const QString& folder, const RobotsTextFile& file, bool siteTop)
{
    QString text =
        tr("The %n line(s) of robots.txt in %1 are in the grid.", static_cast<int>(file.lines.size()))
            .arg(folder);
    if (folder != u"/" && !siteTop)
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
    const QString folder = m_ftp.uploadFolder();
    QByteArray bytes;
    if (const Result<void> read = m_ftp.downloadRobotsFile(bytes); !read) {
        prompts().message(
            tr("Could not read robots.txt in %1: %2").arg(folder, FtpCommands::reasonText(read.error)),
            Prompt::Buttons::Ok, Prompt::Icon::Warning);
        return;
    }
    const RobotsTextFile file = RobotsText::read(bytes);
    shared::robotsTextForm = file.form;
    m_window.setGridRows(RobotsText::gridWithBody(m_window.gridRows(), file.lines));
    m_window.SetModified(true);
    m_project.gridFromServer(folder);
    prompts().message(importReport(folder, file, !m_ftp.siteFolder().isEmpty()), Prompt::Buttons::Ok,
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
    dialog.listExistingGroups(m_window.gridRows());
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
    const QStringList ticked = dialog.tickedAgents();
    QStringList unticked; // the robots that keep their access: no line may name them too
    for (const RobotPurpose& purpose : purposes.purposes()) {
        for (const PurposeRobot& robot : purpose.robots) {
            if (!ticked.contains(robot.userAgent, Qt::CaseInsensitive))
                unticked << robot.userAgent;
        }
    }
    const RuleGrid::BlockReport report =
        RuleGrid::blockAgents(rows, ticked, dialog.replaceExistingGroups(), unticked);
    const RuleGrid::ContentSignal signal = dialog.contentSignal();
    if (!signal.isEmpty())
        RuleGrid::setContentSignal(rows, signal, dialog.withSignalComment());
    if (rows != m_window.gridRows()) {
        m_window.setGridRows(rows);
        m_window.SetModified(true);
    }
    tellBlockReport(report);
}

void CrawlerCommands::tellBlockReport(const RuleGrid::BlockReport& report)
{
    QStringList text;
    if (!report.left.isEmpty())
        text << tr("These robots have a group already and were left as they are: %1.")
                    .arg(report.left.join(QStringLiteral(", ")));
    if (!report.unnamable.isEmpty())
        text << tr("No crawler matches these names in a robots.txt (a name must begin with a letter), so "
                   "they were not written: %1.")
                    .arg(report.unnamable.join(QStringLiteral(", ")));
    if (!report.shared.isEmpty())
        text << tr("No user-agent line names these robots without also naming a robot you did not tick "
                   "(first-match readers take a name for a part of another), so they were not written: %1.")
                    .arg(report.shared.join(QStringLiteral(", ")));
    if (!text.isEmpty())
        prompts().message(text.join(QStringLiteral("\n\n")), Prompt::Buttons::Ok, Prompt::Icon::Information);
}

Result<void> CrawlerCommands::changesFromServer(QString& changes)
{
    QByteArray server;
    if (Result<void> read = m_ftp.downloadRobotsFile(server); !read)
        return read;
    const auto listing = m_ftp.session().Directory();
    const QStringList listed =
        UploadCheck::listedSitePaths(m_ftp.remoteDirectory(), m_ftp.siteFolder(), listing.get());
    const QByteArray grid = RobotsText::write(m_window.gridRows(), shared::robotsTextForm);
    changes = UploadCheck::describeChanges(
        UploadCheck::accessChanges(server, grid, listed,
                                   UploadCheck::searchEngineAgents(RobotDatabase::defaultPath())),
        kListedLines * 2);
    return {};
}

void CrawlerCommands::CompareWithServer()
{
    if (!m_window.isConnected() || m_ftp.session().IsBusy())
        return;
    QString changes;
    if (const Result<void> read = changesFromServer(changes); !read) {
        prompts().message(tr("Could not read robots.txt in %1: %2")
                              .arg(m_ftp.uploadFolder(), FtpCommands::reasonText(read.error)),
                          Prompt::Buttons::Ok, Prompt::Icon::Warning);
        return;
    }
    prompts().message(tr("What an upload of the grid would change against the server's robots.txt:") +
                          QStringLiteral("\n\n") + changes,
                      Prompt::Buttons::Ok, Prompt::Icon::Information);
}

} // namespace sf
