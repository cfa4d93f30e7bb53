#pragma once

#include <QStringList>

namespace sf::sfcheck {

// "fence --server apache|nginx|caddy ROBOTS_FILE TOKEN...": prints the server's rules (exit 0), or
// the robots.txt line they cannot say exactly (exit 2).
int runFence(const QStringList& args);
// "fence-check SITE_URL ROBOTS_FILE TOKEN... [--urls FILE]": requests a sample of URLs as each robot
// and as a browser; exit 0 when every answer is as robots.txt says, 1 when any differs, 2 on bad input.
int runFenceCheck(const QStringList& args);

} // namespace sf::sfcheck
