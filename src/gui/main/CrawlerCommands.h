#pragma once

#include "base/Result.h"
#include "gui/main/CrawlerWindow.h"
#include "project/PurposePreset.h"

#include <QList>
#include <QString>

namespace sf {

class FtpCommands;
class ProjectCommands;
struct RobotsTextFile;

// The commands that start from what crawlers meet today: the server's own robots.txt read into the
// grid, and the robots of chosen purposes kept out in one group.
class CrawlerCommands {
public:
    CrawlerCommands(CrawlerWindow& window, FtpCommands& ftp, ProjectCommands& project);

    // Tools > "Open the server's robots.txt": after the save question, the lines of robots.txt in the
    // folder shown replace the grid's body, exactly as they stand; the upload writes them back in
    // the file's own encoding and line ends.
    void OpenServerRobots();
    // Tools > "Block robots by purpose": the purpose dialog, then one group for the ticked robots and
    // the Content-Signal line.
    void BlockByPurpose();
    // Tools > "Compare with the server's robots.txt": what an upload of the grid would change, as the
    // upload question says it (UploadCheck::accessChanges).
    void CompareWithServer();

    // What the import tells the user: the lines read, a folder that is not the site's root (unless
    // it is the site folder's top), and the lines a project file cannot keep.
    static QString importReport(const QString& folder, const RobotsTextFile& file, bool siteTop = false);

private:
    void tellBlockReport(const RuleGrid::BlockReport& report);
    // The changes from the server's robots.txt to the grid, as text; fails when the server's file
    // could not be read.
    Result<void> changesFromServer(QString& changes);

    CrawlerWindow& m_window;
    FtpCommands& m_ftp;
    ProjectCommands& m_project;
};

} // namespace sf
