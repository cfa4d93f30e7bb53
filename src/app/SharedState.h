#pragma once

#include "app/ProjectFile.h"
#include "app/RobotsText.h"

#include <QString>

// Values shared by the windows for the whole run of the program.
namespace sf::shared {

inline QString CurrentFileName;        // the current project file; empty for a never-saved project
inline ProjectHeader projectHeader;    // the current project's header record
inline bool LoadingFlag = false;       // true while windows fill their controls: nothing is "modified"
inline qint16 OptionsStartTab = 0;     // the options window's first tab at its next opening
inline bool CheckOnlineOnOpen = false; // the options window runs the update check when it opens
// How the grid's text is written out: a project's own form, or that of the robots.txt last read
// from the server (kept while the project stays open).
inline RobotsTextForm robotsTextForm;

// Back to the values at program start.
inline void reset()
{
    CurrentFileName.clear();
    projectHeader = ProjectHeader{};
    LoadingFlag = false;
    OptionsStartTab = 0;
    CheckOnlineOnOpen = false;
    robotsTextForm = RobotsTextForm{};
}

} // namespace sf::shared
