#include "options/frmOption.h"
#include "app/DialogButtons.h"

#include "app/RuleGrid.h"
#include "app/SharedState.h"
#include "app/frmMain.h"
#include "app/util/CodePage.h"
#include "app/util/FileUtils.h"
#include "app/util/VersionInfo.h"
#include "ftp/FtpCommands.h"
#include "online/AboutTab.h"
#include "online/UpdateTab.h"
#include "options/ProjectOptionsTab.h"
#include "options/SettingsStore.h"
#include "robots/RobotEditRequest.h"
#include "robots/RobotListTab.h"
#include "robots/RobotRecord.h"

#include "sf_version.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace sf {
namespace {

// The program's version as the window shows it: major "." minor "." revision.
QString programVersion()
{
    return QStringLiteral("%1.%2.%3").arg(SF_VERSION_MAJOR).arg(SF_VERSION_MINOR).arg(SF_VERSION_REVISION);
}

// A text field of the project shows what it holds up to its first NUL, without surrounding spaces.
QString fieldText(const QString& stored)
{
    const qsizetype nul = stored.indexOf(QChar(0));
    return trimSpaces(nul < 0 ? stored : stored.left(nul));
}

} // namespace

frmOption::frmOption(frmMain& owner) : QDialog(&owner), m_main(owner)
{
    setObjectName(QStringLiteral("frmOption"));
    setWindowTitle(tr("Spiderfence - Options"));
    setWindowIcon(owner.windowIcon());
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
    auto* row = new QWidget(this);
    const DialogButtons buttons = makeDialogButtons(row, tr("Close"));
    Proceed = buttons.proceed;
    Cancel = buttons.cancel;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch(1);
    layout->addWidget(Proceed);
    layout->addWidget(Cancel);
    connect(Proceed, &QPushButton::clicked, this, &frmOption::Proceed_Click);
    connect(Cancel, &QPushButton::clicked, this, &frmOption::reject);
    return row;
}

void frmOption::connectTabs()
{
    FtpCommands& ftp = m_main.ftpCommands();
    // Filling the window selects the project's modes too; the routines leave the project unmodified then.
    connect(m_project->optActive, &QRadioButton::toggled, this, [&ftp](bool on) {
        if (on)
            ftp.optActive_Click();
    });
    connect(m_project->optPassive, &QRadioButton::toggled, this, [&ftp](bool on) {
        if (on)
            ftp.optPassive_Click();
    });
    connect(m_project->optBin, &QRadioButton::toggled, this, [&ftp](bool on) {
        if (on)
            ftp.optBin_Click();
    });
    connect(m_project->optAscii, &QRadioButton::toggled, this, [&ftp](bool on) {
        if (on)
            ftp.optAscii_Click();
    });
    m_project->Text1->installEventFilter(this);
    m_project->Text2->installEventFilter(this);

    connect(m_robots, &RobotListTab::robotListVersionChanged, m_about, &AboutTab::setRobotListVersion);
    connect(m_update, &UpdateTab::reloadRobotLists, this, [this] {
        m_robots->LoadRobotList();
        m_main.RefreshRobotList();
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
    m_update->versionSF->setText(version);
    m_about->setProgramVersion(version);
    m_update->setInitialTexts();
    m_robots->LoadRobotList();
    // Renewkit's version, or nothing when it cannot be read: never the version of another file.
    const bool renewkit = GetVersionInfo(ProgramPath(ExecutableName(QStringLiteral("renewkit"))));
    m_update->Label11->setText(renewkit ? ProductVersionText : QString());
    m_update->Label4->setText(RobotListVersion);
    m_about->Label19->setText(AboutTab::freewareText());
    shared::EditExisting = false;
    if (m_main.isProjectOpen())
        fillProject();
    else
        m_project->setProjectControlsEnabled(false);
    m_project->Check1->setChecked(SettingsStore::flag(SettingsStore::Check1));
    m_project->Check2->setChecked(SettingsStore::flag(SettingsStore::Check2));
    m_project->Check3->setChecked(SettingsStore::flag(SettingsStore::Check3));
    shared::LoadingFlag = false;

    SSTab1->setCurrentIndex(std::clamp<int>(shared::OptionsStartTab, 0, TabCount - 1));
    // The check runs once the window is up, so that the user sees it working.
    if (shared::CheckOnlineOnOpen)
        QTimer::singleShot(0, m_update->CheckOnline, &QPushButton::click);
    shared::CheckOnlineOnOpen = false;
    shared::OptionsStartTab = 0;
}

void frmOption::fillProject()
{
    const ProjectHeader& header = shared::projectHeader;
    m_project->Text1->setText(fieldText(header.headerText));
    m_project->Text2->setText(fieldText(header.uploadDirectory));
    (header.activeMode == -1 ? m_project->optActive : m_project->optPassive)->setChecked(true);
    (header.binaryTransfer == -1 ? m_project->optBin : m_project->optAscii)->setChecked(true);
}

void frmOption::Proceed_Click()
{
    if (m_main.isProjectOpen()) {
        const QString header = trimSpaces(m_project->Text1->text());
        shared::projectHeader.headerText = header.left(ProjectHeader::kHeaderTextWidth);
        QStringList rows = m_main.gridRows();
        RuleGrid::setHeaderRow(rows, header);
        m_main.setGridRows(rows);
    }
    SettingsStore::saveFlag(SettingsStore::Check1, m_project->Check1->isChecked());
    SettingsStore::saveFlag(SettingsStore::Check2, m_project->Check2->isChecked());
    SettingsStore::saveFlag(SettingsStore::Check3, m_project->Check3->isChecked());
    accept();
}

void frmOption::done(int result)
{
    m_update->cancelTransfer();
    QDialog::done(result);
}

bool frmOption::eventFilter(QObject* watched, QEvent* event)
{
    // Typing into the header or the upload folder marks the project modified.
    if (event->type() == QEvent::KeyPress && (watched == m_project->Text1 || watched == m_project->Text2)) {
        if (!static_cast<QKeyEvent*>(event)->text().isEmpty())
            m_main.SetModified(true);
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace sf
