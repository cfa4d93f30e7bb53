#pragma once

#include "project/ProjectFile.h"
#include "project/RobotsText.h"

// The open project's values that the windows share for the whole run of the program.
namespace sf::shared {

inline ProjectHeader projectHeader; // the current project's header record
// How the grid's text is written out: a project's own form, or that of the robots.txt last read
// from the server (kept while the project stays open).
inline RobotsTextForm robotsTextForm;

// Back to the values at program start.
inline void resetProjectState()
{
    projectHeader = ProjectHeader{};
    robotsTextForm = RobotsTextForm{};
}

} // namespace sf::shared
