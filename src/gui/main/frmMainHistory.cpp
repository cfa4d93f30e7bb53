// The main window's File > "Published versions": the site's kept versions of robots.txt, and a
// version put back through the same question and checks as an upload.
#include "gui/common/Prompt.h"
#include "gui/ftp/FtpCommands.h"
#include "gui/history/PublishHistoryWindow.h"
#include "gui/main/frmMain.h"
#include "project/ProjectState.h"

namespace sf {

void frmMain::showPublishedVersions()
{
    if (!isProjectOpen())
        return;
    const history::Place place = m_ftp->historyPlace();
    if (place.server.isEmpty()) {
        prompts().message(tr("Type the server's address in step 1 first."), Prompt::Buttons::Ok,
                          Prompt::Icon::Information);
        return;
    }
    if (m_publishedVersions)
        m_publishedVersions->close(); // the site may have changed: a fresh window for this one
    const QString folder = place.folder.isEmpty() ? tr("the login folder") : place.folder;
    const QString label = tr("%1 on %2@%3").arg(folder, place.user, place.server);
    auto* window = new PublishHistoryWindow(
        history::History::of(place), label,
        [this](const QByteArray& kept) {
            if (!isConnected()) {
                prompts().message(tr("Connect to the server first: the version is published over the "
                                     "project's connection."),
                                  Prompt::Buttons::Ok, Prompt::Icon::Information);
                return;
            }
            m_ftp->RestoreRobotsFile(kept);
        },
        this);
    m_publishedVersions = window;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

} // namespace sf
