#pragma once

#include <QStringList>

namespace sf::sfcheck {

// "audit ROBOTS_FILE LOG... [--reader R] [--csv FILE]": reads access logs ("-" for standard input)
// against the robots.txt and prints per robot seen "TOKEN: N requests, K disallowed, F robots.txt
// fetches", then "visitors: N requests", and "N lines skipped" on standard error.
// "audit --merge CSV... [--csv FILE]": the sum of such CSVs. Returns the exit code.
int runAudit(const QStringList& args);

} // namespace sf::sfcheck
