#include "gui/options/frmOption.h"
#include "gui/common/DialogButtons.h"
#include "gui/common/Prompt.h"

#include "base/FileUtils.h"
#include "base/SharedState.h"
#include "base/VersionInfo.h"
#include "gui/online/AboutTab.h"
#include "gui/online/UpdateTab.h"
#include "gui/options/ProjectOptionsTab.h"
#include "gui/robots/RobotListTab.h"
#include "project/ProjectState.h"
#include "project/RuleGrid.h"
#include "project/RuleGridGroups.h"
#include "robots/RobotRecord.h"

#include "sf_version.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace sf {
namespace {

// The program's version as the window shows it: major "." minor "." revision.
QString programVersion()
{
    return QStringLiteral("%1.%2.%3").arg(SF_VERSION_MAJOR).arg(SF_VERSION_MINOR).arg(SF_VERSION_REVISION);
}

} // namespace

frmOption::frmOption(OptionsHost& host, QWidget* parent) : QDialog(parent), m_host(host)
{
    setObjectName(QStringLiteral("frmOption"));
    setWindowTitle(tr("Spiderfence - Options"));
    if (parent)
        setWindowIcon(parent->windowIcon());
    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    m_project = new ProjectOptionsTab(SSTab1);
    m_robots = new RobotListTab(SSTab1);
    m_update = new UpdateTab(SSTab1);
    m_about = new AboutTab(SSTab1);
    SSTab1->addTab(m_project, tr("Project Options"));
    SSTab1->addTab(m_robots, tr("Robots list"));
    SSTab1->addTab(m_update, tr(" Update Spiderfence"));
    SSTab1->addTab(m_about, tr("About Spiderfence"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SSTab1, 1);
    layout->addWidget(createButtons());
    connectTabs();
    resize(660, 520);
}

QWidget* frmOption::createButtons()
{
    const DialogButtons buttons = makeDialogButtons(this, tr("Close"));
    Proceed = buttons.proceed;
    Cancel = buttons.cancel;
    connect(Proceed, &QPushButton::clicked, this, &frmOption::Proceed_Click);
    connect(Cancel, &QPushButton::clicked, this, &frmOption::reject);
    return buttons.row;
}

void frmOption::connectTabs()
{
    // Filling the window selects the project's modes too; the host leaves the project unmodified then.
    connect(m_project, &ProjectOptionsTab::connectionModeChosen, this,
            [this](bool active) { m_host.setConnectionMode(active); });
    connect(m_project, &ProjectOptionsTab::transferModeChosen, this,
            [this](bool binary) { m_host.setTransferMode(binary); });
    connect(m_project, &ProjectOptionsTab::projectTextTyped, this, [this] { m_host.SetModified(true); });

    connect(m_robots, &RobotListTab::robotListVersionChanged, m_about, &AboutTab::setRobotListVersion);
    connect(m_robots, &RobotListTab::robotsImported, this, [this] { m_host.RefreshRobotList(); });
    connect(this, &QDialog::finished, m_robots, &RobotListTab::Cancel_Import_Click);
    connect(m_update, &UpdateTab::reloadRobotLists, this, [this] {
        m_robots->LoadRobotList();
        m_host.RefreshRobotList();
    });
    connect(m_robots, &RobotListTab::maintenanceRunning, this, [this](bool running) {
        Proceed->setEnabled(!running);
        Cancel->setEnabled(!running);
    });
}

void frmOption::Form_Load()
{
    shared::LoadingFlag = true;
    const QString version = programVersion();
    m_update->setProgramVersion(version);
    m_about->setProgramVersion(version);
    m_update->setInitialTexts();
    m_robots->LoadRobotList();
    // Renewkit's version, or nothing when it cannot be read: never the version of another file.
    const bool renewkit = GetVersionInfo(ProgramPath(ExecutableName(QStringLiteral("renewkit"))));
    m_update->setInstalledVersions(RobotListVersion, renewkit ? ProductVersionText : QString());
    shared::EditExisting = false;
    if (m_host.isProjectOpen()) {
        m_project->showProject(shared::projectHeader);
        m_project->showSitemaps(RuleGrid::sitemaps(m_host.gridRows()));
    } else
        m_project->setProjectControlsEnabled(false);
    m_project->loadSettings();
    shared::LoadingFlag = false;

    SSTab1->setCurrentIndex(std::clamp<int>(shared::OptionsStartTab, 0, TabCount - 1));
    // The check runs once the window is up, so that the user sees it working.
    if (shared::CheckOnlineOnOpen)
        m_update->checkWhenShown();
    shared::CheckOnlineOnOpen = false;
    shared::OptionsStartTab = 0;
}

void frmOption::Proceed_Click()
{
    if (m_host.isProjectOpen()) {
        const QString header = m_project->headerText();
        shared::projectHeader.headerText = header.left(ProjectHeader::kHeaderTextWidth);
        storeSite();
        if (shared::projectHeader.rememberPassword != m_project->rememberPassword() ||
            shared::projectHeader.trust != m_project->trustPolicy()) {
            shared::projectHeader.rememberPassword = m_project->rememberPassword();
            shared::projectHeader.trust = m_project->trustPolicy();
            m_host.SetModified(true);
        }
        QStringList rows = m_host.gridRows();
        RuleGrid::setHeaderRow(rows, header);
        if (RuleGrid::setSitemaps(rows, m_project->sitemaps()))
            m_host.SetModified(true);
        m_host.setGridRows(rows);
    }
    m_project->saveSettings();
    accept();
}

void frmOption::storeSite()
{
    // An unchanged folder keeps its bytes; one too long for its field is not cut into another
    // folder's name.
    const QString folder = m_project->siteFolder();
    if (folder.size() > ProjectHeader::kUploadDirectoryWidth)
        prompts().message(tr("The site folder is longer than %1 characters and was not stored.")
                              .arg(ProjectHeader::kUploadDirectoryWidth),
                          Prompt::Buttons::Ok, Prompt::Icon::Warning);
    else if (folder != shared::projectHeader.siteFolder())
        shared::projectHeader.uploadDirectory = folder;
    const QString address = m_project->siteAddress();
    if (address.toUtf8().size() <= ProjectHeader::kSiteAddressWidth)
        shared::projectHeader.siteAddress = address;
    else
        prompts().message(tr("The site address is longer than %1 bytes and was not stored.")
                              .arg(ProjectHeader::kSiteAddressWidth),
                          Prompt::Buttons::Ok, Prompt::Icon::Warning);
}

void frmOption::done(int result)
{
    m_update->cancelTransfer();
    QDialog::done(result);
}

} // namespace sf
