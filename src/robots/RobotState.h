#pragma once

#include "robots/RobotRecord.h"

namespace sf {

// The one current robot record: every read from robots.rbd overwrites it.
inline RobotRecord CurrentRobot;

} // namespace sf

namespace sf::shared {

// Back to the value at program start.
inline void resetRobotState()
{
    CurrentRobot = RobotRecord{};
}

} // namespace sf::shared
