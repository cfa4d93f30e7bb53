#include "gui/online/UpdateCommands.h"

#include "base/FileUtils.h"
#include "base/InstallMode.h"
#include "base/SharedState.h"
#include "gui/common/Prompt.h"
#include "online/Desktop.h"
#include "online/UpdateCheck.h"
#include "robots/RobotRecord.h"
#include "transfer/Inet.h"
#include "transfer/InetStatus.h"

#include <QDir>
#include <QEventLoop>
#include <QTimer>

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
    if (IsPackagedInstall()) // the tab offers neither command there
        return;
    m_view.setCheckEnabled(false);
    const Result<VersionPage> fetched = FetchVersionPage(*m_inet);
    m_page = fetched ? std::optional<VersionPage>(fetched.value()) : std::nullopt;
    if (m_page)
        m_view.setOnlineVersions(m_page->versions);
    m_view.setCheckEnabled(true);
    if (!m_page) {
        // Without a version page that can be trusted nothing can be compared, so nothing is offered.
        m_view.showMessage(fetched.error, true, false);
        m_view.setUpdateEnabled(false);
        return;
    }
    const bool available = CompareVersions(m_view.localVersions(), m_page->versions).any();
    if (available)
        m_view.showMessage(tr("Update available!"), true, true);
    else
        m_view.showMessage(tr("No update available"), false, false);
    m_view.setUpdateEnabled(available);
}

void UpdateCommands::Command1_Click()
{
    // One update at a time: the window's events run during the downloads. Only what the last
    // check's version page announced is downloaded.
    if (m_updating || !m_page || IsPackagedInstall())
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
        // The program works without its help file: a failed one is told, and the update goes on.
        if (!download(HelpFileComponent(), false) && m_cancelled) {
            m_updating = false;
            return;
        }
        if (pause(1000))
            restartWithRenewkit();
        m_updating = false;
        return;
    }
    showRefreshedVersions();
    m_updating = false;
    CheckOnline_Click();
    m_view.setProgress(0);
    prompts().message(tr("Done!"));
}

// One download with the progress bar in kilobytes; false when it failed or the update was
// cancelled. A failure is told; when it stops the update, the window closes.
bool UpdateCommands::download(const Component& component, bool failureStops)
{
    m_view.setProgressMaximum(component.expectedKB);
    // The window may have closed while the last bytes arrived: then nothing is replaced.
    const ContentCheck check = ComponentContentCheck(component, *m_page);
    const Result<void> result = DownloadComponent(
        *m_inet1, component,
        [this, &check](const QByteArray& bytes) {
            return m_cancelled ? Result<void>::failure(tr("The update was cancelled")) : check(bytes);
        },
        [this](int kb) { m_view.setProgress(kb); });
    if (m_cancelled)
        return false;
    if (!result.ok) {
        reportFailure(ProgramPath(component.localName), result, failureStops);
        return false;
    }
    return pause(500);
}

// A pause in which the window's events run, so that closing the window ends it; false when the
// update was cancelled.
bool UpdateCommands::pause(int milliseconds)
{
    QEventLoop loop;
    m_pause = &loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    if (!m_cancelled)
        loop.exec();
    m_pause = nullptr;
    return !m_cancelled;
}

void UpdateCommands::reportFailure(const QString& target, const Result<void>& result, bool closes)
{
    const QString path = QDir::toNativeSeparators(target);
    const QString text =
        isFileInUse(result)
            ? tr("Error Updating %1, It must be all-ready open\r\n\r\n"
                 "Close all copy of Spiderfence, and try again.")
                  .arg(path)
            : tr("Error Updating %1\r\n\r\n%2, #%3").arg(path, result.error).arg(result.errorNumber);
    prompts().message(text, Prompt::Buttons::Ok, Prompt::Icon::Critical);
    if (closes)
        closeWindow();
}

// The main program is replaced by Renewkit, which starts once this program has ended.
void UpdateCommands::restartWithRenewkit()
{
    // The main window may refuse to close (its project's save question was cancelled); then Renewkit
    // is not started, since it could not replace a running program.
    if (!m_view.closeMainWindow() || m_cancelled)
        return;
    const QString renewkit = ProgramPath(ExecutableName(QStringLiteral("renewkit")));
    if (!desktop().startProgram(renewkit, {})) {
        reportFailure(renewkit, Result<void>::failure(tr("The updater could not be started")));
        return;
    }
    closeWindow();
}

void UpdateCommands::showRefreshedVersions()
{
    emit reloadRobotLists();
    m_view.setInstalledVersions(RobotListVersion, InstalledRenewkitVersion());
}

void UpdateCommands::closeWindow()
{
    m_view.closeOptionsWindow();
}

void UpdateCommands::cancelTransfer()
{
    m_cancelled = true;
    if (m_pause)
        m_pause->quit();
    m_inet->Cancel();
    m_inet1->Cancel();
}

} // namespace sf
