#pragma once

#include <QtGlobal>

// What the robot list hands to the robot editor when it opens it.
namespace sf::shared {

inline bool EditExisting = false;   // true: rewrite record EditRecordNumber; false: append a new one
inline qint16 EditRecordNumber = 0; // the record to rewrite (1-based)

} // namespace sf::shared
