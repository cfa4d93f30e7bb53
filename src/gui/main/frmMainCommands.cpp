// The main window's commands and the rules by which its controls are enabled.
#include "base/SettingsStore.h"
#include "base/SharedState.h"
#include "base/VersionInfo.h"
#include "gui/common/ModalRunner.h"
#include "gui/common/Prompt.h"
#include "gui/ftp/FtpCommands.h"
#include "gui/main/CrawlerCommands.h"
#include "gui/main/ProjectCommands.h"
#include "gui/main/RobotChooser.h"
#include "gui/main/RuleGridModel.h"
#include "gui/main/StepBanner.h"
#include "gui/main/frmMain.h"
#include "gui/online/UpdateNotice.h"
#include "gui/options/frmOption.h"
#include "gui/rules/CrawlMarks.h"
#include "online/Desktop.h"
#include "project/ProjectFile.h"
#include "project/ProjectState.h"
#include "project/RuleGrid.h"
#include "project/RuleLines.h"
#include "robots/RobotRecord.h"
#include "rules/RuleEffects.h"
#include "rules/RuleWriter.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <utility>

namespace sf {
namespace {
// The grid column is 8680 twips wide: 1/15 of that in pixels at 96 dots per inch.
constexpr int kGridColumnWidth = 8680 / 15;

// Before "Add rule" writes a Disallow line for a remote entry: when the rule would also block other
// entries of the listed folder, says which; for a folder whose rule with a final "/" would block
// only its contents, offers that form instead. Returns the name to write the rule for: the entry's,
// or the folder's with "/" when the user took the offer.
QString nameForDisallowRule(const QString& directory, const QString& name, bool isFolder,
                            const QStringList& folderEntries, bool listingComplete)
{
    const rules::RuleEffect effect = rules::disallowRuleEffect(directory, name, isFolder, folderEntries);
    const auto tr = [](const char* text) { return QCoreApplication::translate("RuleEffects", text); };
    // A cut listing shows only some of the folder: the rule may block entries that were not listed.
    const QString caveat =
        listingComplete
            ? QString()
            : u' ' + tr("The folder's listing is incomplete, so the rule may block more than this.");
    if (!effect.blocksOthers()) {
        if (!listingComplete)
            prompts().message(tr("The folder's listing is incomplete, so the rule \"%1\" may block entries "
                                 "that were not listed.")
                                  .arg(effect.pattern),
                              Prompt::Buttons::Ok, Prompt::Icon::Information);
        return name;
    }
    if (!effect.folderPattern.isEmpty()) {
        const auto answer = prompts().message(
            tr("The rule \"%1\" also blocks %2 in this folder.%4\n\nWrite \"%3\" "
               "instead, which blocks only what is inside the folder?")
                .arg(effect.pattern, effect.alsoBlockedList(), effect.folderPattern, caveat),
            Prompt::Buttons::YesNo, Prompt::Icon::Question);
        return answer == Prompt::Answer::Yes ? name + u'/' : name;
    }
    prompts().message(tr("The rule \"%1\" also blocks these entries of this folder: %2.%3")
                          .arg(effect.pattern, effect.alsoBlockedList(), caveat),
                      Prompt::Buttons::Ok, Prompt::Icon::Information);
    return name;
}

} // namespace

void frmMain::connectCommands()
{
    connectProjectCommands();
    connectServerCommands();
    connectToolCommands();
    connectConnectionFields();
    connectSiteCommands();
}

void frmMain::connectProjectCommands()
{
    auto& project = *m_project;
    connect(mnuNewProject, &QAction::triggered, this, [&project] { project.NewProject(); });
    connect(Toolbar1Button[0], &QAction::triggered, this, [&project] { project.NewProject(); });
    auto open = [&project] {
        shared::CurrentFileName.clear();
        project.OpenProject();
    };
    connect(mnuOpenPRoject, &QAction::triggered, this, open);
    connect(Toolbar1Button[1], &QAction::triggered, this, open);
    connect(mnuSaveProject, &QAction::triggered, this, [&project] { project.SaveProject(); });
    connect(Toolbar1Button[2], &QAction::triggered, this, [&project] { project.SaveProject(); });
    connect(mnuSaveAs, &QAction::triggered, this, [&project] { project.SaveAs(); });
    connect(mnuCloseProject, &QAction::triggered, this, [&project] { project.mnuCloseProject_Click(); });
    connect(mnuExport, &QAction::triggered, this, [&project] { project.ExportGrid(); });
    connect(mnuExit, &QAction::triggered, this, &QWidget::close);

    connect(mnu_allow_all, &QAction::triggered, this, &frmMain::mnu_allow_all_Click);
    connect(mnu_disallow_all, &QAction::triggered, this, &frmMain::mnu_disallow_all_Click);
    connect(AddRobot, &QToolButton::clicked, this, &frmMain::AddRobot_Click);
    connect(RemoveRobot, &QToolButton::clicked, this, &frmMain::RemoveRobot_Click);
}

void frmMain::connectServerCommands()
{
    connect(mnuConnect, &QAction::triggered, this, &frmMain::ConnectFtp);
    connect(Toolbar4Button1, &QAction::triggered, this, &frmMain::ConnectFtp);
    connect(mnuDisconnect, &QAction::triggered, this, &frmMain::DisconnectFtp);
    connect(Toolbar2Button1, &QAction::triggered, this, &frmMain::DisconnectFtp);
    connect(mnuRefresh, &QAction::triggered, this, &frmMain::RefreshRemoteList);
    connect(Toolbar3Button[1], &QAction::triggered, this, &frmMain::RefreshRemoteList);
    connect(mnuUploadSfp, &QAction::triggered, this, &frmMain::UploadRobotsFile);
    connect(mnuOpenServerRobots, &QAction::triggered, this, [this] { m_crawlers->OpenServerRobots(); });
    connect(mnuBlockByPurpose, &QAction::triggered, this, [this] { m_crawlers->BlockByPurpose(); });
    connect(mnuCompareServerRobots, &QAction::triggered, this, [this] { m_crawlers->CompareWithServer(); });
    connect(Toolbar3Button[3], &QAction::triggered, this, &frmMain::UploadRobotsFile);
    connect(UploadButton, &QToolButton::clicked, this, &frmMain::UploadRobotsFile);
}

void frmMain::connectToolCommands()
{
    connect(Toolbar3Button[5], &QAction::triggered, this, [this] { showOptions(0); });
    connect(mnuOptions, &QAction::triggered, this, [this] { showOptions(0); });
    connect(mnuAddEditRobot, &QAction::triggered, this, [this] { showOptions(1); });
    connect(mnuUpdate, &QAction::triggered, this, [this] {
        shared::CheckOnlineOnOpen = true;
        showOptions(2);
    });
    connect(mnuAbout, &QAction::triggered, this, [this] { showOptions(3); });
    connect(mnuHelpSfp, &QAction::triggered, this, [] { OpenHelpFile(); });
    connect(mnuSfpSite, &QAction::triggered, this, [] { OpenWebPage(ProductPageUrl()); });
    connect(mnuLinkharborSite, &QAction::triggered, this, [] { OpenWebPage(SubmissionSitePageUrl()); });
    connect(mnuCheck, &QAction::triggered, this, &frmMain::showCheck);
}

void frmMain::connectConnectionFields()
{
    for (QLineEdit* field : {txtServer, txtUser, txtPassword, txtPort, txtKeyFile})
        connect(field, &QLineEdit::textEdited, this, [this] { SetModified(true); });
    connect(cboProtocol, &QComboBox::activated, this, &frmMain::cboProtocol_Change);
    connect(cmdKeyFile, &QToolButton::clicked, this, &frmMain::cmdKeyFile_Click);
    connect(lv, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* row) { m_ftp->lv_DblClick(row); });
    connect(robotList, &QComboBox::currentIndexChanged, this, &frmMain::markRemoteList);
    connect(lv, &QTreeWidget::currentItemChanged, this, [this] {
        if (m_check && m_check->isVisible() && !pickedEntryPath().isEmpty())
            m_check->setPath(pickedEntryPath());
    });
}

bool frmMain::SetModified(bool modified)
{
    if (!modified) {
        for (QAction* a : {Toolbar1Button[2], mnuSaveAs, mnuSaveProject})
            a->setEnabled(false);
    } else if (!shared::LoadingFlag) {
        for (QAction* a : {Toolbar1Button[2], mnuSaveAs, mnuSaveProject})
            a->setEnabled(true);
    }
    return Toolbar1Button[2]->isEnabled();
}

bool frmMain::isModified() const
{
    return Toolbar1Button[2]->isEnabled();
}

bool frmMain::isProjectOpen() const
{
    return Toolbar4Button1->isEnabled();
}

void frmMain::setConnectionFieldsEnabled(bool enabled)
{
    for (QWidget* field :
         std::initializer_list<QWidget*>{txtServer, txtUser, txtPassword, txtPort, cboProtocol})
        field->setEnabled(enabled);
    const bool sftp = m_protocol == ftp::Protocol::Sftp;
    txtKeyFile->setEnabled(enabled && sftp);
    cmdKeyFile->setEnabled(enabled && sftp);
}

ConnectionFields frmMain::connectionFields() const
{
    return {txtServer->text(), txtUser->text(), txtPassword->text(),
            txtPort->text(),   m_protocol,      txtKeyFile->text()};
}

void frmMain::setConnectionFields(const ConnectionFields& fields)
{
    txtServer->setText(fields.server);
    txtUser->setText(fields.user);
    txtPassword->setText(fields.password);
    txtPort->setText(fields.port);
    txtKeyFile->setText(fields.keyFile);
    m_protocol = fields.protocol;
    shared::projectHeader.protocol = fields.protocol; // the options window offers what it has
    cboProtocol->setCurrentIndex(static_cast<int>(fields.protocol));
    setConnectionFieldsEnabled(cboProtocol->isEnabled());
    siteFolderChanged();
}

void frmMain::cboProtocol_Change(int index)
{
    const ftp::Protocol chosen = ftp::protocolFromNumber(index);
    if (chosen == m_protocol)
        return;
    // The port follows the protocol only while it holds the old protocol's default.
    if (txtPort->text().trimmed() == QString::number(ftp::defaultPort(m_protocol)))
        txtPort->setText(QString::number(ftp::defaultPort(chosen)));
    m_protocol = chosen;
    shared::projectHeader.protocol = chosen;
    setConnectionFieldsEnabled(true);
    SetModified(true);
}

void frmMain::cmdKeyFile_Click()
{
    const QString path =
        prompts().openFileName({tr("Private Key File"), tr("All Files (*)"), txtKeyFile->text(), false});
    if (path.isEmpty())
        return;
    txtKeyFile->setText(path);
    SetModified(true);
}

void frmMain::EnableProject()
{
    m_scannedPages.clear(); // another site's pages are no sample of this one
    setConnectionFieldsEnabled(true);
    setConnectionFields(
        {QString(), QString(), QString(), QStringLiteral("21"), ftp::Protocol::Ftp, QString()});
    for (QWidget* w : std::initializer_list<QWidget*>{robotList, info_robot, robotGrid})
        w->setEnabled(true);
    m_ftp->setSessionModes(true, true);
    for (QAction* a : {mnu_disallow_all, mnu_allow_all, Toolbar4Button1, mnuConnect, mnuCloseProject,
                       mnuExport, mnuBlockByPurpose, mnuCheckLiveSite, mnuScanSite, mnuPublishedVersions,
                       mnuReadLogs, mnuEnforceAtServer})
        a->setEnabled(true);
}

void frmMain::DisableProject()
{
    for (QLineEdit* field : {txtServer, txtUser, txtPassword, txtPort, txtKeyFile})
        field->clear();
    setConnectionFieldsEnabled(false);
    UploadButton->setEnabled(false);
    robotList->setEnabled(false);
    SetModified(false);
    for (QAction* a : {Toolbar4Button1, Toolbar2Button1, Toolbar3Button[1], Toolbar3Button[3]})
        a->setEnabled(false);
    info_robot->setEnabled(false);
    setGridRows(RuleGrid::emptyGrid());
    setGridColumnWidth();
    robotGrid->setEnabled(false);
    for (QAction* a : {mnuConnect, mnuSaveProject, mnuCloseProject, mnuExport, mnuDisconnect, mnuRefresh,
                       mnuUploadSfp, mnu_disallow_all, mnu_allow_all, mnuBlockByPurpose, mnuCheckLiveSite,
                       mnuScanSite, mnuPublishedVersions, mnuReadLogs, mnuEnforceAtServer})
        a->setEnabled(false);
    DisconnectFtp();
    siteFolderChanged();
}

void frmMain::setConnectedState(bool connected)
{
    m_connected = connected;
    for (QWidget* w :
         std::initializer_list<QWidget*>{lv, AddRobot, cboRuleKind, RemoveRobot, UploadButton, cmdUseFolder})
        w->setEnabled(connected);
    for (QAction* a : {Toolbar2Button1, mnuDisconnect, Toolbar3Button[1], Toolbar3Button[3], mnuRefresh,
                       mnuUploadSfp, mnuOpenServerRobots, mnuCompareServerRobots})
        a->setEnabled(connected);
}

bool frmMain::ConnectFtp()
{
    // Opening the last project at start-up comes before the window is up: the connect waits until it
    // is, and then reports only in the status bar.
    if (!isVisible()) {
        m_connectWhenShown = true;
        return false;
    }
    return m_ftp->ConnectFtp();
}

void frmMain::setDisconnectEnabled(bool enabled)
{
    for (QAction* a : {Toolbar2Button1, mnuDisconnect})
        a->setEnabled(enabled);
}

void frmMain::DisconnectFtp()
{
    m_ftp->DisconnectFtp();
}

void frmMain::RefreshRemoteList()
{
    m_ftp->RefreshRemoteList();
}

void frmMain::UploadRobotsFile()
{
    m_ftp->UploadRobotsFile();
}

QString frmMain::remoteDirectory() const
{
    return m_ftp->remoteDirectory();
}

void frmMain::setSessionModes(bool active, bool binary)
{
    m_ftp->setSessionModes(active, binary);
}

void frmMain::setConnectionMode(bool active)
{
    if (active)
        m_ftp->optActive_Click();
    else
        m_ftp->optPassive_Click();
}

void frmMain::setTransferMode(bool binary)
{
    if (binary)
        m_ftp->optBin_Click();
    else
        m_ftp->optAscii_Click();
}

void frmMain::RefreshRobotList()
{
    ++m_robotListReads;
    m_robotChooser->RefreshRobotList();
}

QString frmMain::selectedUserAgent() const
{
    return m_robotChooser->selectedUserAgent();
}

void frmMain::showOptions(int startTab)
{
    shared::OptionsStartTab = static_cast<qint16>(startTab);
    frmOption options(*this, this);
    options.Form_Load();
    runModal(options);
    m_ftp->makeSiteFolderAbsolute();
    siteFolderChanged();
}

void frmMain::setStatusPanel(int panel, const QString& text)
{
    StatusPanel[panel]->setText(text);
}

const QStringList& frmMain::gridRows() const
{
    return m_gridModel->rows();
}

void frmMain::setGridRows(const QStringList& rows)
{
    m_gridModel->setRows(rows);
    markRemoteList();
}

void frmMain::remoteListShown()
{
    markRemoteList();
}

void frmMain::markRemoteList()
{
    if (m_connected && lv->topLevelItemCount() > 0)
        markCrawlableEntries(lv, remoteDirectory(), selectedUserAgent(), gridRows(),
                             shared::projectHeader.siteFolder());
}

void frmMain::showCheck()
{
    if (!m_check)
        m_check = new frmCheck(*this, this);
    m_check->refresh();
    m_check->show();
    m_check->raise();
}

QStringList frmMain::chooserUserAgents() const
{
    QStringList agents = m_robotChooser->UserAgents();
    agents.removeDuplicates();
    agents.removeAll(selectedUserAgent());
    agents.prepend(selectedUserAgent());
    return agents;
}

QString frmMain::pickedEntryPath() const
{
    const QTreeWidgetItem* item = lv->currentItem();
    if (!m_connected || !item || item->text(0) == QLatin1String(".."))
        return {};
    return crawlerPathOf(item);
}

void frmMain::selectGridRow(int row)
{
    robotGrid->setCurrentIndex(m_gridModel->index(row, 0));
    robotGrid->scrollTo(m_gridModel->index(row, 0));
}

void frmMain::setGridColumnWidth()
{
    robotGrid->horizontalHeader()->setMinimumSectionSize(kGridColumnWidth);
    robotGrid->horizontalHeader()->setStretchLastSection(true);
}

int frmMain::selectedGridRow() const
{
    const QModelIndex current = robotGrid->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void frmMain::changeGrid(const QStringList& rows)
{
    setGridRows(rows);
    SetModified(true);
}

void frmMain::mnu_allow_all_Click()
{
    changeGrid(RuleGrid::allowAllTemplate(shared::projectHeader.headerText));
}

void frmMain::mnu_disallow_all_Click()
{
    changeGrid(RuleGrid::disallowAllTemplate(shared::projectHeader.headerText));
}

void frmMain::AddRobot_Click()
{
    const QList<QTreeWidgetItem*> selected = lv->selectedItems();
    if (selected.isEmpty())
        return;
    QStringList rows = gridRows();
    const auto directive =
        cboRuleKind->currentIndex() == 1 ? RuleGrid::Directive::Allow : RuleGrid::Directive::Disallow;
    if (selected.first()->text(0) == QLatin1String(".."))
        return;
    // The rule is written for the path crawlers request, below the site folder.
    const rules::SiteEntry entry = siteEntryOf(selected.first());
    if (!entry.inside) {
        tellOutsideSite(selected.first()->text(0));
        return;
    }
    const QString directory = entry.directory;
    QString name = entry.name;
    if (directive == RuleGrid::Directive::Disallow && !name.contains(u'\n') && !name.contains(u'\r')) {
        QStringList entries;
        for (int i = 0; i < lv->topLevelItemCount(); ++i) {
            const rules::SiteEntry other = siteEntryOf(lv->topLevelItem(i));
            if (other.inside && other.directory == directory)
                entries << other.name;
        }
        name = nameForDisallowRule(directory, name, selected.first()->text(5) == "a", entries,
                                   m_ftp->listingComplete());
    }
    if (ruleAlreadyThere(directory, name, directive))
        return;
    if (!RuleGrid::addRule(rows, selectedUserAgent(), directory, name, directive)) {
        if (!RuleGrid::ruleFitsRow(directory, name, directive))
            prompts().message(
                tr("The rule for \"%1\" is longer than a line of the project (%2 characters), so "
                   "it was not added.")
                    .arg(name)
                    .arg(ProjectFile::kLineWidth),
                Prompt::Buttons::Ok, Prompt::Icon::Warning);
        return;
    }
    changeGrid(rows);
    selectGridRow(RuleGrid::addedRuleRow(rows, selectedUserAgent()));
}

bool frmMain::ruleAlreadyThere(const QString& directory, const QString& name, RuleGrid::Directive directive)
{
    const QStringList& rows = gridRows();
    const int row = RuleGrid::existingRuleRow(rows, selectedUserAgent(), directory, name, directive);
    if (row < 0)
        return false;
    selectGridRow(row);
    prompts().message(tr("The group of %1 has the rule \"%2\" already, so nothing was added.")
                          .arg(selectedUserAgent(), rows.at(row)),
                      Prompt::Buttons::Ok, Prompt::Icon::Information);
    return true;
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lv && event->type() == QEvent::KeyPress)
        return remoteListKey(static_cast<QKeyEvent*>(event)->key());
    return QMainWindow::eventFilter(watched, event);
}

bool frmMain::remoteListKey(int key)
{
    QTreeWidgetItem* row = nullptr;
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        row = lv->currentItem();
    else if (key == Qt::Key_Backspace && lv->topLevelItemCount() > 0 && lv->topLevelItem(0)->text(0) == "..")
        row = lv->topLevelItem(0);
    else
        return false;
    // Folders and the up row carry the sort key "a"; a file is not entered.
    if (row && row->text(5) == QLatin1String("a"))
        m_ftp->lv_DblClick(row);
    return true;
}

void frmMain::RemoveRobot_Click()
{
    QStringList rows = gridRows();
    const int row = selectedGridRow();
    if (RuleGrid::removeLineOrGroup(rows, row)) {
        changeGrid(rows);
        robotGrid->setCurrentIndex(m_gridModel->index(std::min(row, static_cast<int>(rows.size()) - 1), 0));
    }
}

void frmMain::Form_Load()
{
    SetModified(false);
    shared::LoadingFlag = true;
    m_project->CloseProject();
    const int reads = m_robotListReads;
    m_project->openStartupProject();
    if (m_robotListReads == reads) // the project opened (or the new one) has not read the list already
        RefreshRobotList();
    writeStartupStatus();
    shared::LoadingFlag = false;
    shared::OptionsStartTab = 0;
    shared::CheckOnlineOnOpen = false;
}

void frmMain::writeStartupStatus()
{
    // The release is read from the running program's own version section.
    const auto version = RunningProgramVersion();
    setStatusPanel(1, tr("Release: %1").arg(version ? version->release() : QString()));
    setStatusPanel(2, tr("Robots: %1").arg(RobotListVersion));
}

void frmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // The start-up update check ("Check3") begins once the first window is up, and runs in the
    // background: the window never waits for it.
    if (!m_shownBefore && SettingsStore::flag(SettingsStore::Check3))
        QTimer::singleShot(0, m_updateNotice, &UpdateNotice::check);
    m_shownBefore = true;
    if (std::exchange(m_connectWhenShown, false))
        QTimer::singleShot(0, this, [this] {
            if (isProjectOpen())
                m_ftp->ConnectFtp(true);
        });
}

void frmMain::closeEvent(QCloseEvent* event)
{
    // Closing offers to save; only a save that was asked for and did not happen keeps the window.
    if (!m_project->CloseProject()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace sf
