// The main window's part in where the web site lies: the site folder of step 1, the rules written
// for the paths crawlers request, and the check of what the live site serves.
#include "gui/common/Prompt.h"
#include "gui/ftp/FtpCommands.h"
#include "gui/main/frmMain.h"
#include "gui/online/LiveCheckCommand.h"
#include "project/ProjectState.h"
#include "project/RobotsText.h"
#include "rules/RuleWriter.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QTreeWidget>

namespace sf {

QLayout* frmMain::createSiteFolderRow()
{
    lblSiteFolder = new QLabel(Frame1);
    lblSiteFolder->setObjectName(QStringLiteral("lblSiteFolder"));
    lblSiteFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cmdUseFolder = new QToolButton(Frame1);
    cmdUseFolder->setObjectName(QStringLiteral("cmdUseFolder"));
    cmdUseFolder->setText(tr("Use the folder shown"));
    cmdUseFolder->setToolTip(tr("Make the folder the remote list shows the site folder: rules are written "
                                "for the paths below it, and robots.txt goes to its top"));
    cmdUseFolder->setEnabled(false);
    auto* row = new QHBoxLayout;
    row->addWidget(lblSiteFolder, 1);
    row->addWidget(cmdUseFolder);
    return row;
}

void frmMain::connectSiteCommands()
{
    m_liveCheck = new LiveCheckCommand(this);
    connect(cmdUseFolder, &QToolButton::clicked, this, &frmMain::cmdUseFolder_Click);
    connect(mnuCheckLiveSite, &QAction::triggered, this, &frmMain::checkLiveSite);
    connect(mnuScanSite, &QAction::triggered, this, &frmMain::ScanSite);
    connect(mnuPublishedVersions, &QAction::triggered, this, &frmMain::showPublishedVersions);
    connect(mnuReadLogs, &QAction::triggered, this, &frmMain::ReadServerLogs);
    connect(mnuEnforceAtServer, &QAction::triggered, this, [this] { EnforceAtServer({}); });
    m_ftp->setAfterUpload([this](const QByteArray& sent) { checkLiveSiteAfterUpload(sent); });
}

rules::SiteEntry frmMain::siteEntryOf(const QTreeWidgetItem* item) const
{
    return rules::siteEntry(shared::projectHeader.siteFolder(), remoteDirectory(), item->text(0));
}

QString frmMain::crawlerPathOf(const QTreeWidgetItem* item) const
{
    const rules::SiteEntry entry = siteEntryOf(item);
    if (!entry.inside)
        return {};
    const bool folder = item->text(5) == QLatin1String("a");
    return QString::fromLatin1(rules::entryUrlPath(QString(), rules::crawlerPath(entry, folder)));
}

void frmMain::tellOutsideSite(const QString& name)
{
    prompts().message(tr("\"%1\" is outside the site folder %2: crawlers cannot request it, so no rule "
                         "was written. Change the site folder in Options if the site lies elsewhere.")
                          .arg(name, shared::projectHeader.siteFolder()),
                      Prompt::Buttons::Ok, Prompt::Icon::Information);
}

void frmMain::siteFolderChanged()
{
    const QString folder = shared::projectHeader.siteFolder();
    lblSiteFolder->setText(!isProjectOpen()   ? QString()
                           : folder.isEmpty() ? tr("Site folder: none (rules follow the server's paths)")
                                              : tr("Site folder: %1").arg(folder));
    markRemoteList();
}

void frmMain::cmdUseFolder_Click()
{
    if (!m_connected)
        return;
    const QString folder = remoteDirectory();
    if (folder.isEmpty() || folder == shared::projectHeader.siteFolder())
        return;
    if (folder.size() > ProjectHeader::kUploadDirectoryWidth) {
        prompts().message(tr("The folder %1 is longer than the %2 characters a project keeps for the site "
                             "folder.")
                              .arg(folder)
                              .arg(ProjectHeader::kUploadDirectoryWidth),
                          Prompt::Buttons::Ok, Prompt::Icon::Warning);
        return;
    }
    shared::projectHeader.uploadDirectory = folder;
    SetModified(true);
    siteFolderChanged();
}

void frmMain::checkLiveSite()
{
    if (!isProjectOpen())
        return;
    if (shared::projectHeader.siteAddress.isEmpty()) {
        prompts().message(tr("Set the site address in Options (Project Options) first, e.g. "
                             "https://www.example.com."),
                          Prompt::Buttons::Ok, Prompt::Icon::Information);
        return;
    }
    // What an upload would send now.
    const QByteArray grid = RobotsText::write(gridRows(), shared::robotsTextForm);
    if (!m_liveCheck->check(shared::projectHeader.siteAddress, grid, tr("the grid's robots.txt")))
        prompts().message(tr("The live site is being checked already."), Prompt::Buttons::Ok,
                          Prompt::Icon::Information);
}

void frmMain::checkLiveSiteAfterUpload(const QByteArray& sent)
{
    m_liveCheck->check(shared::projectHeader.siteAddress, sent, tr("the file just uploaded"));
}

} // namespace sf
