#pragma once

#include <QStringList>

namespace sf::sfcheck {

// "publish PROJECT.sfp [--version N] [--yes]": puts the project's robots.txt (or the file sent by
// publish N) on the server as the window's upload does, records it, and checks the live site.
// Returns the exit code: 0 published (and the live site serves it), 1 the live site serves another
// file, 2 bad input, 3 the transfer failed, 4 stopped by a check (a search engine shut out).
int runPublish(const QStringList& args);

} // namespace sf::sfcheck
