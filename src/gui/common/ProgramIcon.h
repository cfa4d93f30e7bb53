#pragma once

#include <QIcon>
#include <QString>

namespace sf {

// One of the program's SVG pictures (a resource path such as ":/icons/open.svg"), read from its
// file only when it is first drawn or measured. A plain QIcon of an SVG file reads and parses the
// file as it is made, to know it is valid, and again when it is drawn: the main window makes some
// fifty of them before it is shown, most of them for menus that are not open yet.
QIcon programIcon(const QString& file);

} // namespace sf
