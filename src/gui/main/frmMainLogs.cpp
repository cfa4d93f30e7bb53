// The main window's "Read the server's logs…": the logs read against the grid's robots.txt, picked on
// the server over the window's FTP session or on this computer, and the robots chosen there blocked
// in the grid.
#include "gui/main/frmMain.h"

#include "gui/common/ModalRunner.h"
#include "gui/common/Prompt.h"
#include "gui/ftp/FtpCommands.h"
#include "gui/logs/frmPickServerLogs.h"
#include "gui/logs/frmReadLogs.h"
#include "project/PurposePreset.h"
#include "project/RuleGrid.h"
#include "robots/RobotDatabase.h"

#include <QDir>
#include <QTemporaryDir>

#include <memory>

namespace sf {
namespace {

// Where the logs' local copies go while the logs window lives: a folder of its own per pick, so that
// a file of the same name picked later in another folder does not replace one already in the list.
struct LogCopies {
    QTemporaryDir folder;
    int picks = 0;
};

bool mayPick(frmMain& main)
{
    const auto say = [](const QString& text) {
        prompts().message(text, Prompt::Buttons::Ok, Prompt::Icon::Information);
        return false;
    };
    if (!main.isConnected())
        return say(QObject::tr("Not connected to the server: connect in step 1 first, then pick the server's "
                               "log files."));
    if (main.ftpCommands().session().IsBusy())
        return say(QObject::tr("Another transfer is still running: pick the log files when it has ended."));
    return true;
}

// The picked files' local copies; what could not be downloaded is said, and the others are read.
QStringList pickServerLogs(frmMain& main, QWidget* parent, LogCopies& copies)
{
    if (!mayPick(main))
        return {};
    FtpCommands& ftp = main.ftpCommands();
    const QString shown = ftp.session().GetFTPDirectory();
    const QString folder = copies.folder.filePath(QString::number(++copies.picks));
    if (!copies.folder.isValid() || !QDir().mkpath(folder)) {
        prompts().message(QObject::tr("No temporary folder could be made for the server's log files."),
                          Prompt::Buttons::Ok, Prompt::Icon::Warning);
        return {};
    }
    QStringList downloaded, failures;
    {
        frmPickServerLogs picker(ftp.session(), folder, parent);
        picker.refresh();
        runModal(picker);
        downloaded = picker.downloaded();
        failures = picker.failures();
    }
    // The picker went back to the folder the main window shows; when it could not, the list follows.
    if (ftp.session().IsConnected() && ftp.session().GetFTPDirectory() != shown)
        ftp.RefreshRemoteList();
    if (!failures.isEmpty())
        prompts().message(QObject::tr("These files could not be downloaded and are not read:\n%1")
                              .arg(failures.join(u'\n')),
                          Prompt::Buttons::Ok, Prompt::Icon::Warning);
    return downloaded;
}

} // namespace

void frmMain::ReadServerLogs()
{
    if (!isProjectOpen())
        return;
    auto* window = new frmReadLogs(RuleGrid::exportTextLf(gridRows()), RobotDatabase::defaultPath(), this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    // The copies live as long as the window, which holds this function.
    window->setServerFiles([this, window, copies = std::make_shared<LogCopies>()] {
        return pickServerLogs(*this, window, *copies);
    });
    connect(window, &frmReadLogs::blockRequested, this, [this](const QStringList& tokens) {
        QStringList rows = gridRows();
        const RuleGrid::BlockReport report = RuleGrid::blockAgents(rows, tokens, false);
        changeGrid(rows);
        if (!report.left.isEmpty())
            prompts().message(tr("These robots have a group in the grid already, which was left as it is: %1")
                                  .arg(report.left.join(QStringLiteral(", "))),
                              Prompt::Buttons::Ok, Prompt::Icon::Information);
    });
    connect(window, &frmReadLogs::enforceRequested, this, &frmMain::EnforceAtServer);
    window->show();
}

} // namespace sf
