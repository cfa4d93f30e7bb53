#pragma once

#include <QIcon>

namespace sf {

// The picture of a robot category (1 "Music", 2 "Image", 3 "News", 4 "None", 5 "Email",
// 6 "Search"); a null icon for any other number.
QIcon categoryIcon(int category);

} // namespace sf
