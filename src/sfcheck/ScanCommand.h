#pragma once

#include <QStringList>

namespace sf::sfcheck {

// "scan PROJECT.sfp [--agent TOKEN]... [--csv FILE] [--connections N]": lists the project's site
// over its connection and says, per agent, how many entries the grid blocks. Returns the exit code.
int runScan(const QStringList& args);

} // namespace sf::sfcheck
