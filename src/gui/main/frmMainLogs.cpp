// The main window's "Read the server's logs…": the logs read against the grid's robots.txt, and the
// robots chosen there blocked in the grid.
#include "gui/main/frmMain.h"

#include "gui/common/Prompt.h"
#include "gui/logs/frmReadLogs.h"
#include "project/PurposePreset.h"
#include "project/RuleGrid.h"
#include "robots/RobotDatabase.h"

namespace sf {

void frmMain::ReadServerLogs()
{
    if (!isProjectOpen())
        return;
    auto* window = new frmReadLogs(RuleGrid::exportTextLf(gridRows()), RobotDatabase::defaultPath(), this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    connect(window, &frmReadLogs::blockRequested, this, [this](const QStringList& tokens) {
        QStringList rows = gridRows();
        const RuleGrid::BlockReport report = RuleGrid::blockAgents(rows, tokens, false);
        changeGrid(rows);
        if (!report.left.isEmpty())
            prompts().message(tr("These robots have a group in the grid already, which was left as it is: %1")
                                  .arg(report.left.join(QStringLiteral(", "))),
                              Prompt::Buttons::Ok, Prompt::Icon::Information);
    });
    window->show();
}

} // namespace sf
