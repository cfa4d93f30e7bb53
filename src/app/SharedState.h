#pragma once

#include "app/ProjectFile.h"
#include "app/RobotsText.h"
#include "robots/RobotRecord.h"

#include <QString>

// The one place for the values the windows share for the whole run of the program, under the names
// the program has always given them; shared::reset() puts every one of them back to its start.
namespace sf::shared {

inline QString CurrentFileName;        // the current project file; empty for a never-saved project
inline ProjectHeader projectHeader;    // the current project's header record
inline bool LoadingFlag = false;       // true while windows fill their controls: nothing is "modified"
inline qint16 OptionsStartTab = 0;     // the options window's first tab at its next opening
inline bool CheckOnlineOnOpen = false; // the options window runs the update check when it opens
// How the grid's text is written out: a project's own form, or that of the robots.txt last read
// from the server (kept while the project stays open).
inline RobotsTextForm robotsTextForm;

// What the robot list hands to the robot editor when it opens it.
inline bool EditExisting = false;   // true: rewrite record EditRecordNumber; false: append a new one
inline qint16 EditRecordNumber = 0; // the record to rewrite (1-based)

} // namespace sf::shared

namespace sf {

// The robot values: the one current record (every read from the file overwrites it), the number of
// records in robots.rbd, and the version of the robot list as a whole.
inline RobotRecord CurrentRobot;
inline qint32 RobotCount = 0;
inline QString RobotListVersion;

} // namespace sf

namespace sf::shared {

// Back to the values at program start, all of them.
inline void reset()
{
    CurrentFileName.clear();
    projectHeader = ProjectHeader{};
    LoadingFlag = false;
    OptionsStartTab = 0;
    CheckOnlineOnOpen = false;
    robotsTextForm = RobotsTextForm{};
    EditExisting = false;
    EditRecordNumber = 0;
    CurrentRobot = RobotRecord{};
    RobotCount = 0;
    RobotListVersion.clear();
}

} // namespace sf::shared
