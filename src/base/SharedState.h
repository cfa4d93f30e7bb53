#pragma once

#include <QByteArray>
#include <QString>

// The one place for the values the windows share for the whole run of the program, under the names
// the program has always given them. Only values of base types live here; the project's and the
// robot list's shared values live with their layers (project/ProjectState.h, robots/RobotState.h),
// each with a reset of its own.
namespace sf::shared {

inline QString CurrentFileName;        // the current project file; empty for a never-saved project
inline bool LoadingFlag = false;       // true while windows fill their controls: nothing is "modified"
inline qint16 OptionsStartTab = 0;     // the options window's first tab at its next opening
inline bool CheckOnlineOnOpen = false; // the options window runs the update check when it opens

// What the robot list hands to the robot editor when it opens it.
inline bool EditExisting = false;   // true: rewrite record EditRecordNumber; false: append a new one
inline qint16 EditRecordNumber = 0; // the record to rewrite (1-based)

} // namespace sf::shared

namespace sf {

// The number of records in robots.rbd, and the version of the robot list as a whole.
inline qint32 RobotCount = 0;
inline QString RobotListVersion;

// Results of the last successful GetVersionInfo, read by GetVersionString.
inline QByteArray VersionResourceBuffer; // the bytes of that file's version resource
inline QString VersionLanguage;          // language and code page, eight upper-case hex digits
inline QString ProductVersionText;       // its "ProductVersion", empty when there was none

} // namespace sf

namespace sf::shared {

// Back to the values at program start, all of the ones above.
inline void reset()
{
    CurrentFileName.clear();
    LoadingFlag = false;
    OptionsStartTab = 0;
    CheckOnlineOnOpen = false;
    EditExisting = false;
    EditRecordNumber = 0;
    RobotCount = 0;
    RobotListVersion.clear();
    VersionResourceBuffer.clear();
    VersionLanguage.clear();
    ProductVersionText.clear();
}

} // namespace sf::shared
