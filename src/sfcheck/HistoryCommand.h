#pragma once

#include <QStringList>

namespace sf::sfcheck {

// "history PROJECT.sfp [--show N [--replaced]]": the site's publishes of robots.txt, newest first,
// "N TIME SENT_BYTES REPLACED_BYTES" a line; with --show, that publish's file sent (or the one it
// replaced) on standard output. Returns the exit code.
int runHistory(const QStringList& args);

} // namespace sf::sfcheck
