#include "online/UpdateCommands.h"

#include "app/Prompt.h"
#include "app/util/FileUtils.h"
#include "app/util/VersionInfo.h"
#include "online/Desktop.h"
#include "online/UpdateCheck.h"
#include "online/UpdateTab.h"
#include "online/transfer/Inet.h"
#include "online/transfer/InetStatus.h"
#include "online/transfer/Wait.h"
#include "robots/RobotRecord.h"

#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace sf {

UpdateCommands::UpdateCommands(UpdateTab& tab) : QObject(&tab), m_tab(tab)
{
    m_inet = new Inet(this);
    m_inet->setObjectName(QStringLiteral("Inet"));
    m_inet1 = new Inet(this);
    m_inet1->setObjectName(QStringLiteral("Inet1"));
    m_status = new InetStatus(m_inet, this);
    connect(m_status, &InetStatus::TextChanged, m_tab.InetMsg, &QLabel::setText);
}

void UpdateCommands::CheckOnline_Click()
{
    m_tab.CheckOnline->setEnabled(false);
    const std::optional<ComponentVersions> online = FetchOnlineVersions(*m_inet);
    if (online) {
        m_tab.versionSFO->setText(online->program);
        m_tab.versionRol->setText(online->robotList);
        m_tab.Label13->setText(online->renewkit);
    }
    m_tab.CheckOnline->setEnabled(true);
    if (!online) {
        // Without a version page nothing can be compared, so nothing is offered.
        showMessage(tr("Update check failed: no version information was received"), true, false);
        m_tab.Command1->setEnabled(false);
        return;
    }
    const bool available = differs(m_tab.versionSF, m_tab.versionSFO) ||
                           differs(m_tab.Label4, m_tab.versionRol) || differs(m_tab.Label11, m_tab.Label13);
    if (available)
        showMessage(tr("Update available!"), true, true);
    else
        showMessage(tr("No update available"), false, false);
    m_tab.Command1->setEnabled(available);
}

void UpdateCommands::showMessage(const QString& text, bool red, bool bold)
{
    QPalette palette = m_tab.Label7->palette();
    palette.setColor(QPalette::WindowText, red ? QColor(255, 0, 0) : QColor(0, 0, 0));
    m_tab.Label7->setPalette(palette);
    QFont font = m_tab.Label7->font();
    font.setBold(bold);
    m_tab.Label7->setFont(font);
    m_tab.Label7->setText(text);
}

bool UpdateCommands::differs(const QLabel* local, const QLabel* online) const
{
    return local->text().compare(online->text(), Qt::CaseSensitive) != 0;
}

void UpdateCommands::Command1_Click()
{
    // One update at a time: the window's events run during the downloads.
    if (m_updating)
        return;
    m_updating = true;
    m_cancelled = false;
    const bool ok = (!differs(m_tab.Label4, m_tab.versionRol) || download(RobotDatabaseComponent())) &&
                    (!differs(m_tab.Label11, m_tab.Label13) || download(RenewkitComponent()));
    if (!ok) {
        m_updating = false;
        return;
    }
    if (differs(m_tab.versionSF, m_tab.versionSFO)) {
        if (download(HelpFileComponent())) {
            Wait(2);
            restartWithRenewkit();
        }
        m_updating = false;
        return;
    }
    showRefreshedVersions();
    m_updating = false;
    CheckOnline_Click();
    m_tab.ProgressBar1->setValue(0);
    prompts().message(tr("Done!"));
}

// One download with the progress bar in kilobytes; false when the update must stop.
bool UpdateCommands::download(const Component& component)
{
    m_tab.ProgressBar1->setMaximum(component.expectedKB);
    const DownloadResult result =
        DownloadComponent(*m_inet1, component, [this](int kb) { m_tab.ProgressBar1->setValue(kb); });
    if (m_cancelled)
        return false;
    if (!result.ok) {
        reportFailure(ProgramPath(component.localName), result);
        return false;
    }
    Wait(1);
    return !m_cancelled;
}

void UpdateCommands::reportFailure(const QString& target, const DownloadResult& result)
{
    const QString path = QDir::toNativeSeparators(target);
    const QString text =
        result.inUse
            ? tr("Error Updating %1, It must be all-ready open\r\n\r\n"
                 "Close all copy of Spiderfence, and try again.")
                  .arg(path)
            : tr("Error Updating %1\r\n\r\n%2, #%3").arg(path, result.description).arg(result.errorNumber);
    prompts().message(text, Prompt::Buttons::Ok, Prompt::Icon::Critical);
    closeWindow();
}

// The main program is replaced by Renewkit, which starts once this program has ended.
void UpdateCommands::restartWithRenewkit()
{
    // The main window may refuse to close (its project's save question was cancelled); then Renewkit
    // is not started, since it could not replace a running program.
    QWidget* mainWindow = m_tab.window()->parentWidget();
    if (mainWindow && !mainWindow->close())
        return;
    const QString renewkit = ProgramPath(ExecutableName(QStringLiteral("renewkit")));
    if (!desktop().startProgram(renewkit, {})) {
        DownloadResult failed;
        failed.description = tr("The updater could not be started");
        reportFailure(renewkit, failed);
        return;
    }
    closeWindow();
}

void UpdateCommands::showRefreshedVersions()
{
    emit reloadRobotLists();
    // Renewkit's version, or nothing when it cannot be read: never the version of another file.
    const bool renewkit = GetVersionInfo(ProgramPath(ExecutableName(QStringLiteral("renewkit"))));
    m_tab.Label11->setText(renewkit ? ProductVersionText : QString());
    m_tab.Label4->setText(RobotListVersion);
}

void UpdateCommands::closeWindow()
{
    if (auto* dialog = qobject_cast<QDialog*>(m_tab.window()))
        dialog->reject();
}

void UpdateCommands::cancelTransfer()
{
    m_cancelled = true;
    m_inet->Cancel();
    m_inet1->Cancel();
}

} // namespace sf
