// The main window's "Enforce at the web server…": the fence window over the grid's robots.txt, the
// project's site address and the window's connection.
#include "gui/fence/FenceWindow.h"
#include "gui/ftp/FtpCommands.h"
#include "gui/main/frmMain.h"
#include "project/ProjectState.h"
#include "project/RobotsText.h"
#include "robots/RobotDatabase.h"

namespace sf {

void frmMain::EnforceAtServer(const QStringList& tokens)
{
    if (!isProjectOpen())
        return;
    const FenceWindow::Site site{RobotsText::write(gridRows(), shared::robotsTextForm),
                                 shared::projectHeader.siteAddress, RobotDatabase::defaultPath(),
                                 m_scannedPages};
    if (m_fence) {
        m_fence->setSite(site);
    } else {
        m_fence = new FenceWindow(site, *m_ftp, this);
        m_fence->setAttribute(Qt::WA_DeleteOnClose);
    }
    if (!tokens.isEmpty())
        m_fence->tickRobots(tokens);
    m_fence->show();
    m_fence->raise();
    m_fence->activateWindow();
}

} // namespace sf
