#include "online/UpdateCommands.h"

#include "app/Prompt.h"
#include "app/util/FileUtils.h"
#include "app/util/VersionInfo.h"
#include "online/Desktop.h"
#include "online/UpdateCheck.h"
#include "online/transfer/Inet.h"
#include "online/transfer/InetStatus.h"
#include "online/transfer/Wait.h"
#include "robots/RobotRecord.h"

#include <QDir>

namespace sf {
namespace {

// Versions are compared as texts, case and all.
bool differs(const QString& local, const QString& online)
{
    return local.compare(online, Qt::CaseSensitive) != 0;
}

} // namespace

UpdateCommands::UpdateCommands(UpdateView& view, QObject* parent) : QObject(parent), m_view(view)
{
    m_inet = new Inet(this);
    m_inet->setObjectName(QStringLiteral("Inet"));
    m_inet1 = new Inet(this);
    m_inet1->setObjectName(QStringLiteral("Inet1"));
    m_status = new InetStatus(m_inet, this);
    connect(m_status, &InetStatus::TextChanged, this,
            [this](const QString& text) { m_view.setTransferStatus(text); });
}

void UpdateCommands::CheckOnline_Click()
{
    m_view.setCheckEnabled(false);
    const std::optional<ComponentVersions> online = FetchOnlineVersions(*m_inet);
    if (online)
        m_view.setOnlineVersions(*online);
    m_view.setCheckEnabled(true);
    if (!online) {
        // Without a version page nothing can be compared, so nothing is offered.
        m_view.showMessage(tr("Update check failed: no version information was received"), true, false);
        m_view.setUpdateEnabled(false);
        return;
    }
    const ComponentVersions here = m_view.localVersions();
    const bool available = differs(here.program, online->program) ||
                           differs(here.robotList, online->robotList) ||
                           differs(here.renewkit, online->renewkit);
    if (available)
        m_view.showMessage(tr("Update available!"), true, true);
    else
        m_view.showMessage(tr("No update available"), false, false);
    m_view.setUpdateEnabled(available);
}

void UpdateCommands::Command1_Click()
{
    // One update at a time: the window's events run during the downloads.
    if (m_updating)
        return;
    m_updating = true;
    m_cancelled = false;
    const ComponentVersions here = m_view.localVersions();
    const ComponentVersions online = m_view.onlineVersions();
    const bool ok = (!differs(here.robotList, online.robotList) || download(RobotDatabaseComponent())) &&
                    (!differs(here.renewkit, online.renewkit) || download(RenewkitComponent()));
    if (!ok) {
        m_updating = false;
        return;
    }
    if (differs(here.program, online.program)) {
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
    m_view.setProgress(0);
    prompts().message(tr("Done!"));
}

// One download with the progress bar in kilobytes; false when the update must stop.
bool UpdateCommands::download(const Component& component)
{
    m_view.setProgressMaximum(component.expectedKB);
    const DownloadResult result =
        DownloadComponent(*m_inet1, component, [this](int kb) { m_view.setProgress(kb); });
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
    if (!m_view.closeMainWindow())
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
    m_view.setInstalledVersions(RobotListVersion, renewkit ? ProductVersionText : QString());
}

void UpdateCommands::closeWindow()
{
    m_view.closeOptionsWindow();
}

void UpdateCommands::cancelTransfer()
{
    m_cancelled = true;
    m_inet->Cancel();
    m_inet1->Cancel();
}

} // namespace sf
